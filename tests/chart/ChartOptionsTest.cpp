// The chart option pages' models: the pan steps' spins, ranges, the focus
// box colour per palette, and chart folders applied only when changed.
#include <gtest/gtest.h>

#include "chart/ChartOptions.h"

namespace {

TEST(ChartOptions, PanStepSpinsMoveFasterAboveTwentyAndNeverCross)
{
    struct Case {
        int small, large;
        bool up;
        int small2;
    } smallCases[] = {
        {19, 200, true, 20}, {20, 200, true, 25}, {24, 200, false, 23},   {25, 200, false, 20},
        {50, 50, true, 50},  {1, 10, false, 1},   {200, 1000, true, 200},
    };
    for (const auto& c : smallCases)
        EXPECT_EQ(chart::StepSmallPan(c.small, c.large, c.up), c.small2) << c.small << ' ' << c.up;
    EXPECT_EQ(chart::StepLargePan(5, 19, true), 20);
    EXPECT_EQ(chart::StepLargePan(5, 20, true), 30);
    EXPECT_EQ(chart::StepLargePan(5, 30, false), 20);
    EXPECT_EQ(chart::StepLargePan(5, 29, false), 28);
    EXPECT_EQ(chart::StepLargePan(25, 30, false), 30);   // would fall below the small step
    EXPECT_EQ(chart::StepLargePan(5, 10, false), 10);
}

TEST(ChartOptions, RangesOneMessagePerField)
{
    int applies = 0;
    chart::CDisplayOptionsModel model({}, [&](const chart::CDisplayOptions&) { ++applies; });
    model.Values() = {0, 201, 9, 5};
    const auto errors = model.Validate();
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_EQ(errors[0].message, "Maximum chart windows run from 1 to 255");
    EXPECT_EQ(errors[3].field, "lineWidth");
    app::COptionSheetModel sheet;
    sheet.AddPage(model);
    EXPECT_TRUE(sheet.Apply());
    EXPECT_EQ(applies, 0);
    model.Values() = {255, 200, 1000, 4};
    EXPECT_FALSE(sheet.Apply());
    EXPECT_EQ(applies, 1);
}

TEST(ChartOptions, FocusColourIsKeptPerPaletteAndFollowsTheSwitch)
{
    chart::COverlayOptions start;
    start.focusBoxColour = {0x000000, 0xFFFFFF, 0xAFAFAF};
    start.focusBoxLineWidth = 9;   // out of range in the store: the widest offered
    chart::COverlayOptions applied;
    chart::COverlayOptionsModel model(start, 2, [&](const auto& v) { applied = v; });
    EXPECT_EQ(model.Values().focusBoxLineWidth, 4);
    EXPECT_EQ(model.FocusColour(), 0xAFAFAFu);
    model.SetFocusColour(0x0000FF);
    EXPECT_FALSE(model.FollowPalette(2));
    EXPECT_TRUE(model.FollowPalette(0));   // Day chosen while the sheet is open
    EXPECT_EQ(model.FocusColour(), 0x000000u);
    model.Apply();
    EXPECT_EQ(applied.focusBoxColour[2], 0x0000FFu);
    EXPECT_EQ(applied.focusBoxColour[0], 0x000000u);
}

TEST(ChartOptions, UnchangedFoldersReloadNothing)
{
    int reloads = 0;
    chart::CChartFoldersModel model({"/data/charts", "/media/cdrom"},
                                    [&](const chart::CChartFolders&) { ++reloads; });
    model.Apply();
    EXPECT_EQ(reloads, 0);
    model.Values().chartsFolder = "/data/charts2";
    model.Apply();
    model.Apply();
    EXPECT_EQ(reloads, 1);
    model.Values().sourceFolder = "relative/path";
    ASSERT_EQ(model.Validate().size(), 1u);
    EXPECT_EQ(model.Validate()[0].field, "sourceFolder");
}

}   // namespace

// The navigator's "General" page without windows: the heading indicator's
// spin steps and limits, what each switch enables (past track off disables
// the whole track), the ranges checked only while in use, a colour set for
// one palette only, the track values carried into the fix-marker properties
// and track settings and back, and the heading line and vector settings
// surviving a restart (a damaged length is not taken).
#include "navigator/GeneralNavigatorOptions.h"

#include <gtest/gtest.h>

#include "FakeClock.h"
#include "NavigatorFakes.h"
#include "TempFolder.h"
#include "app/Registry.h"
#include "chart/overlays/OverlayProperties.h"
#include "navigator/LogTrack.h"
#include "navigator/NavigatorModule.h"

using namespace navigator;
using namespace std::chrono_literals;

TEST(GeneralNavigatorOptions, HeadingIndicatorSpin)
{
    struct Case {
        double from;
        bool up;
        double to;
    };
    for (const Case c : {Case{0.1, false, 0.1}, Case{1000.0, true, 1000.0}, Case{9.9, true, 10.9},
                         Case{10.0, true, 20.0}, Case{2.0, false, 1.0}, Case{1.9, false, 1.8},
                         Case{0.5, true, 0.6}, Case{150.0, true, 250.0}, Case{200.0, false, 100.0},
                         Case{199.0, false, 189.0}, Case{0.15, false, 0.1}})
        EXPECT_DOUBLE_EQ(StepHeadingIndicator(c.from, c.up), c.to)
            << c.from << (c.up ? " up" : " down");

    CGeneralNavigatorOptionsModel model({}, 4, nullptr);
    EXPECT_EQ(model.headingText, "1.0");
    model.headingText = "9.9";
    model.SpinHeading(true);
    EXPECT_EQ(model.headingText, "10.9");
    model.headingText = "abc";   // not a number: the spin leaves it for Validate to refuse
    model.SpinHeading(true);
    EXPECT_EQ(model.headingText, "abc");
}

TEST(GeneralNavigatorOptions, SwitchesEnableAndRangesAreCheckedOnlyInUse)
{
    CGeneralNavigatorValues applied;
    int applies = 0;
    CGeneralNavigatorValues start;
    start.headingLength = 2.5;
    start.lineWidth = 9;   // wider than the line keeps: shown as the widest it keeps
    CGeneralNavigatorOptionsModel model(start, 4, [&](const CGeneralNavigatorValues& v) {
        applied = v;
        ++applies;
    });
    EXPECT_EQ(model.Values().lineWidth, 4);
    auto& v = model.Values();
    v.markers = true;
    v.timeMarks = true;
    EXPECT_TRUE(model.MarkerEnabled());
    EXPECT_TRUE(model.MarkIntervalEnabled());
    EXPECT_TRUE(model.ColourEnabled(GeneralColour::Text));   // time marks alone suffice

    // Past track off: every track, marker, time-mark and limit control goes.
    v.pastTrack = false;
    v.limitTrack = true;
    EXPECT_FALSE(model.TrackEnabled());
    EXPECT_FALSE(model.MarkerEnabled());
    EXPECT_FALSE(model.MarkIntervalEnabled());
    EXPECT_FALSE(model.TrackLimitEnabled());
    for (GeneralColour c : {GeneralColour::Track, GeneralColour::Marker, GeneralColour::Text})
        EXPECT_FALSE(model.ColourEnabled(c));
    v.pastTrack = true;
    v.timeMarks = false;
    v.fixLabels = false;
    EXPECT_FALSE(model.ColourEnabled(GeneralColour::Text));
    v.fixLabels = true;
    EXPECT_TRUE(model.ColourEnabled(GeneralColour::Text));

    // Out of range while in use: refused, each naming its field.
    model.headingText = "0.05";
    v.vectorTime = 0s;
    v.timeMarks = true;
    v.markInterval = 2h + 1min;
    v.trackLimit = 24h;
    auto errors = model.Validate();
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_EQ(errors[0].field, "headingLength");
    EXPECT_EQ(errors[1].field, "vectorTime");
    EXPECT_EQ(errors[2].field, "markInterval");
    EXPECT_EQ(errors[3].field, "trackLimit");
    EXPECT_EQ(errors[2].message, "The time mark interval runs from 0:01 to 2:00");
    model.headingText = "x";
    EXPECT_EQ(model.Validate()[0].message, "The heading indicator length must be a number.");
    model.headingText = "1,000.5";   // two decimal marks
    EXPECT_EQ(model.Validate()[0].message, "The heading indicator length must be a number.");

    // Switched off, a bad value is not the user's to mend and the last good one stays.
    v.headingIndicator = false;
    v.speedVector = false;
    v.timeMarks = false;
    v.limitTrack = false;
    EXPECT_TRUE(model.Validate().empty());
    model.Apply();
    ASSERT_EQ(applies, 1);
    EXPECT_DOUBLE_EQ(applied.headingLength, 2.5);

    v.headingIndicator = true;
    model.headingText = " 12.34 ";
    v.vectorTime = 23h + 59min;
    ASSERT_TRUE(model.Validate().empty());
    model.Apply();
    EXPECT_DOUBLE_EQ(applied.headingLength, 12.3);
    EXPECT_EQ(applied.vectorTime, 23h + 59min);
    // A comma typed as the decimal mark is the point, as in the other sheets.
    model.headingText = "1,5";
    ASSERT_TRUE(model.Validate().empty());
    model.Apply();
    EXPECT_DOUBLE_EQ(applied.headingLength, 1.5);
}

TEST(GeneralNavigatorOptions, ColoursOfOnePaletteAndTheTrackCarriedOver)
{
    chart::CPositionFixProperties fixes;
    CLogTrackSettings track;
    CGeneralNavigatorValues v;
    ReadTrackValues(fixes, track, v);
    EXPECT_TRUE(v.pastTrack);
    EXPECT_EQ(v.lineWidth, fixes.Line().GetWidth());
    EXPECT_EQ(v.markInterval, 10min);
    EXPECT_EQ(v.trackLimit, 4h);

    CGeneralNavigatorOptionsModel model(v, 4, nullptr);
    const auto before = model.Values().trackColours;
    model.SetColour(GeneralColour::Track, 2, 0x00123456);   // Night only
    EXPECT_EQ(model.Colour(GeneralColour::Track, 2), chart::COLORREF(0x00123456));
    EXPECT_EQ(model.Colour(GeneralColour::Track, 0), before[0]);
    EXPECT_EQ(model.Colour(GeneralColour::Track, 1), before[1]);
    model.SetColour(GeneralColour::Text, 0, 0x00654321);
    EXPECT_EQ(model.Values().textColours[0], chart::COLORREF(0x00654321));
    EXPECT_NE(model.Values().markerColours[0], chart::COLORREF(0x00654321));

    CGeneralNavigatorValues& w = model.Values();
    w.pastTrack = false;
    w.lineWidth = 3;
    w.markers = false;
    w.markerSize = 2;
    w.fixLabels = true;
    w.timeMarks = true;
    w.markInterval = 30min;
    w.limitTrack = true;
    w.trackLimit = 90min;
    StoreTrackValues(w, fixes, track);
    EXPECT_FALSE(fixes.Line().GetDraw());
    EXPECT_FALSE(track.visible);
    EXPECT_EQ(fixes.Line().GetWidth(), 3);
    EXPECT_EQ(fixes.Line().GetColours()[2], chart::COLORREF(0x00123456));
    EXPECT_FALSE(fixes.GetDraw());
    EXPECT_EQ(fixes.GetSizeMode(), 2);
    EXPECT_TRUE(fixes.drawFixTimeAndSource);
    EXPECT_EQ(fixes.Text().GetColours()[0], chart::COLORREF(0x00654321));
    EXPECT_TRUE(track.drawTimeMarks);
    EXPECT_EQ(track.markInterval, 30min);
    EXPECT_TRUE(track.limitDisplay);
    EXPECT_EQ(track.span, 90min);
    CGeneralNavigatorValues back;
    ReadTrackValues(fixes, track, back);
    back.headingLength = w.headingLength;
    EXPECT_EQ(back, w);
}

TEST(GeneralNavigatorOptions, NavigatorKeepsItsSettingsAcrossARestart)
{
    brine_test::FakeClock clock;
    navtest::MemorySettings settings;
    navtest::FakeGps gps(clock);
    // The log folder the settings keep is the test's own, never the one beside the program.
    const brine_test::TempFolder logs;
    {
        CNavigatorModule nav(settings, clock, &gps);
        nav.Logbook().SetFolder(logs / "Logs");
        EXPECT_DOUBLE_EQ(nav.HeadingIndicator(), 1.0);
        EXPECT_EQ(nav.SpeedDirectionVector(), 5min);
        nav.SetHeadingIndicator(2.5);
        nav.SetSpeedDirectionVector(12min);
        CLogTrackSettings track = nav.TrackSettings();
        track.visible = false;   // "Past track" off, kept as the track line's switch
        track.drawTimeMarks = true;
        nav.SetTrackSettings(track);
        nav.FixProperties().Line().SetWidth(3);
        nav.SaveSettings();
    }
    app::CRegistry reg(settings.GetStore());
    ASSERT_TRUE(reg.OpenKeyForRead(settings.GetRegistryKey() + "\\Navigator"));
    std::string text;
    ASSERT_TRUE(reg.ReadString("HeadingIndicator", text));
    EXPECT_EQ(text, "2.5");
    {
        CNavigatorModule nav(settings, clock, &gps);
        nav.LoadSettings();
        EXPECT_DOUBLE_EQ(nav.HeadingIndicator(), 2.5);
        EXPECT_EQ(nav.SpeedDirectionVector(), 12min);
        EXPECT_FALSE(nav.TrackSettings().visible);
        EXPECT_TRUE(nav.TrackSettings().drawTimeMarks);
        EXPECT_EQ(nav.FixProperties().Line().GetWidth(), 3);
    }
    // A damaged or out-of-range length is not taken.
    for (const char* bad : {"abc", "0", "nan", "5000"}) {
        app::CRegistry w(settings.GetStore());
        ASSERT_TRUE(w.OpenKeyForWrite(settings.GetRegistryKey() + "\\Navigator"));
        w.WriteString("HeadingIndicator", bad);
        CNavigatorModule nav(settings, clock, &gps);
        nav.LoadSettings();
        EXPECT_DOUBLE_EQ(nav.HeadingIndicator(), 1.0) << bad;
    }
}

// The track line widths the General page offers, 1 to 20 pixels, all come
// back after a restart; a stored width beyond them is brought inside.
TEST(GeneralNavigatorOptions, EveryOfferedTrackWidthSurvivesARestart)
{
    brine_test::FakeClock clock;
    navtest::MemorySettings settings;
    navtest::FakeGps gps(clock);
    const brine_test::TempFolder logs;
    for (const int width : {1, 5, 12, kTrackLineWidths}) {
        {
            CNavigatorModule nav(settings, clock, &gps);
            nav.Logbook().SetFolder(logs / "Logs");
            CGeneralNavigatorValues v;
            ReadTrackValues(nav.FixProperties(), nav.TrackSettings(), v);
            v.lineWidth = width;
            CLogTrackSettings track = nav.TrackSettings();
            StoreTrackValues(v, nav.FixProperties(), track);
            nav.SaveSettings();
        }
        CNavigatorModule nav(settings, clock, &gps);
        nav.LoadSettings();
        EXPECT_EQ(nav.FixProperties().Line().GetWidth(), width);
    }
    const std::string key = settings.GetRegistryKey() + "\\Navigator\\OverlayProperties";
    for (const auto& [stored, loaded] :
         {std::pair{0u, 1}, std::pair{21u, 20}, std::pair{255u, 20}}) {
        {
            app::CRegistry w(settings.GetStore());
            ASSERT_TRUE(w.OpenKeyForWrite(key));
            w.WriteDWord("LineWidth", stored);
        }
        CNavigatorModule nav(settings, clock, &gps);
        nav.LoadSettings();
        EXPECT_EQ(nav.FixProperties().Line().GetWidth(), loaded) << stored;
    }
    // Lines of other kinds keep to 1 to 4.
    chart::CLineProperties route(chart::kLineSelectedRoute);
    EXPECT_EQ(route.GetMaximumWidth(), chart::CLineProperties::kMaximumWidth);
}

// The Route Options sheet's "Plan" page without windows: the best-time minutes
// step, switches that are not offered are stored off, only what a worked plan
// depends on clears it, and bad values are refused naming their field.

#include "routes/PlanOptions.h"
#include "routes/PlanModule.h"

#include "../chartpoints/ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

std::vector<int> Spun(int from, bool up, int times)
{
    std::vector<int> out;
    for (int i = 0; i < times; ++i)
        out.push_back(from = routes::SpinBestTimeMinutes(from, up));
    return out;
}

std::vector<std::string> Fields(const std::vector<app::CFieldError>& errors)
{
    std::vector<std::string> out;
    for (const app::CFieldError& e : errors)
        out.push_back(e.field);
    return out;
}

// A plan worked out over Admiralty Inlet: Point Wilson to Bush Point at 8 kn.
void Calculate(routes::CPlanModule& plan)
{
    brine_test::ScriptedPrompt prompt;
    const std::vector<routes::PlanWaypoint> route = {{geo::CPosition(48.145, -122.755), 150.0, 7.6},
                                                     {geo::CPosition(48.03, -122.61), 0, 0}};
    plan.planUtc = 1899072000;
    plan.PlanSettings().vesselSpeed = 8.0;
    ASSERT_EQ(plan.Calculate(route, prompt, nullptr, nullptr, nullptr), 0);
    ASSERT_TRUE(plan.IsCalculated());
}

TEST(PlanOptions, BestTimeMinutesStepByTenAboveAnHour)
{
    EXPECT_EQ(Spun(57, true, 5), (std::vector<int>{58, 59, 60, 70, 80}));
    EXPECT_EQ(Spun(90, false, 6), (std::vector<int>{80, 70, 60, 59, 58, 57}));
    EXPECT_EQ(Spun(2, false, 2), (std::vector<int>{1, 1}));
    EXPECT_EQ(Spun(3595, true, 2), (std::vector<int>{3600, 3600}));
}

TEST(PlanOptions, SwitchesNotOfferedAreStoredOffAndOnlyCalculationChangesClearThePlan)
{
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    routes::CPlanModule plan(settings, dir.Path().string());
    ASSERT_TRUE(plan.Initialise());
    plan.PlanSettings().variationOn = true;
    plan.PlanSettings().tidesOn = true;
    plan.PlanSettings().tidalIntervalSeconds = 1800;
    int applied = 0;

    // No magnetic model, no tidal data: both shown off and stored off.
    {
        routes::CPlanOptionsModel page(plan, false, false, [&applied] { ++applied; });
        EXPECT_FALSE(page.VariationEnabled());
        EXPECT_FALSE(page.Values().variation);
        EXPECT_FALSE(page.Values().tides);
        EXPECT_FALSE(page.IntervalEnabled());
        ASSERT_TRUE(page.Validate().empty());
        page.Apply();
    }
    EXPECT_FALSE(plan.PlanSettings().variationOn);
    EXPECT_FALSE(plan.PlanSettings().tidesOn);
    EXPECT_EQ(plan.PlanSettings().tidalIntervalSeconds, 1800);
    EXPECT_EQ(applied, 1);

    // The look of the tracks and the search keep a worked plan.
    Calculate(plan);
    {
        routes::CPlanOptionsModel page(plan, true, true, {});
        page.Values().lineColour = 0x0000FF;
        page.Values().lineWidth = 4;
        page.Values().overlays = false;
        page.Values().bestTimePlans = 12;
        page.Values().bestTimeMinutes = 90;
        ASSERT_TRUE(page.Validate().empty());
        page.Apply();
    }
    EXPECT_TRUE(plan.IsCalculated());
    EXPECT_FALSE(plan.LineProperties().GetDraw());
    EXPECT_EQ(plan.LineProperties().GetWidth(), 4);
    EXPECT_EQ(plan.LineProperties().GetColours()[std::size_t(chart::ActivePaletteIndex())],
              0x0000FFu);
    EXPECT_EQ(plan.PlanSettings().bestTimePlans, 12);
    EXPECT_EQ(plan.PlanSettings().bestTimeIntervalSeconds, 90 * 60);

    // A new tidal time step clears it; so does a switch.
    for (int change = 0; change < 2; ++change) {
        Calculate(plan);
        routes::CPlanOptionsModel page(plan, true, true, {});
        if (change == 0) {
            page.Values().tides = true;
            page.Values().tidalIntervalSeconds = 600;
        } else {
            page.Values().deviation = !page.Values().deviation;
        }
        ASSERT_TRUE(page.Validate().empty());
        page.Apply();
        EXPECT_FALSE(plan.IsCalculated()) << change;
    }
    EXPECT_TRUE(plan.PlanSettings().tidesOn);
    EXPECT_EQ(plan.PlanSettings().tidalIntervalSeconds, 600);
}

TEST(PlanOptions, BadValuesAreRefusedByFieldAndAFolderIsMade)
{
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    routes::CPlanModule plan(settings, dir.Path().string());
    ASSERT_TRUE(plan.Initialise());
    const std::string before = plan.GetDataFolder();
    std::ofstream(dir.Path() / "notes.txt") << "not a folder";

    routes::CPlanOptionsModel page(plan, true, true, {});
    page.Values().tides = true;
    page.Values().tidalIntervalSeconds = 0;
    page.Values().bestTimePlans = 1;
    page.Values().bestTimeMinutes = 3601;
    page.Values().folder = (dir.Path() / "notes.txt").string();
    EXPECT_EQ(Fields(page.Validate()), (std::vector<std::string>{"tidalInterval", "bestTimePlans",
                                                                 "bestTimeMinutes", "planFolder"}));
    // Below a file no folder can be made; an empty folder is none.
    page.Values().tidalIntervalSeconds = 23 * 3600 + 59 * 60;
    page.Values().bestTimePlans = 2;
    page.Values().bestTimeMinutes = 3600;
    page.Values().folder = (dir.Path() / "notes.txt" / "Plans").string();
    EXPECT_EQ(Fields(page.Validate()), std::vector<std::string>{"planFolder"});
    page.Values().folder = "";
    EXPECT_EQ(Fields(page.Validate()), std::vector<std::string>{"planFolder"});
    EXPECT_EQ(plan.GetDataFolder(), before);

    const std::filesystem::path fresh = dir.Path() / "Passages" / "Puget Sound";
    page.Values().folder = fresh.string();
    ASSERT_TRUE(page.Validate().empty());
    page.Apply();
    EXPECT_TRUE(std::filesystem::is_directory(fresh));
    EXPECT_EQ(plan.GetDataFolder(), fresh.string());
}

}   // namespace

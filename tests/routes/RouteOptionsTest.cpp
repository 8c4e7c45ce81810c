// The Route Options pages without windows over a route module with a real
// database: what each page refuses, what it stores, how automatic advance
// goes through the lock, and the stored values surviving a reload.

#include "routes/RouteOptions.h"
#include "../chartpoints/ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/OptionPages.h"
#include "routes/RouteModule.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace routes;
namespace fs = std::filesystem;

namespace {

class RouteOptionsTest : public ::testing::Test {
protected:
    RouteOptionsTest() : settings(dir.Path()), module(settings, prompt, dir.Path())
    {
        EXPECT_TRUE(module.Initialise());
        module.SetStationLink(&station);
    }
    ~RouteOptionsTest() override { module.Terminate(); }

    void OpenRoute(int points)
    {
        const fs::path path = fs::path(module.GetDataFolder()) / "Puget";
        {
            db::CDBRoute table;
            table.SetFilePath(path.string());
            ASSERT_TRUE(table.Open());
            table.ClearRecord();
            table.m_name = "Admiralty Inlet";
            ASSERT_TRUE(table.AppendNew());
            for (int i = 0; i < points; ++i) {
                auto& links = table.Points();
                links.Waypoints().ClearRecord();
                links.Waypoints().m_position = geo::CPosition(48.1 - 0.1 * i, -122.6, 0.0, -1);
                ASSERT_TRUE(links.AppendPoint());
            }
            table.Close();
        }
        ASSERT_TRUE(module.OpenDatabase(path.string()));
    }

    std::vector<std::string> Fields(const app::COptionPageModel& page)
    {
        std::vector<std::string> out;
        for (const app::CFieldError& e : page.Validate())
            out.push_back(e.field);
        return out;
    }

    brine_test::TempFolder dir;
    brine_test::FolderSettings settings;
    brine_test::ScriptedPrompt prompt;
    brine_test::RecordingStation station;
    CRouteModule module;
};

}   // namespace

TEST(RouteOptionsSpin, MarkEveryStepsByTheSizeOfItsValue)
{
    EXPECT_DOUBLE_EQ(SpinMarkInterval(0.9, true), 1.0);
    EXPECT_DOUBLE_EQ(SpinMarkInterval(9.0, true), 10.0);
    EXPECT_DOUBLE_EQ(SpinMarkInterval(99.0, true), 109.0);
    EXPECT_DOUBLE_EQ(SpinMarkInterval(100.0, true), 200.0);
    EXPECT_DOUBLE_EQ(SpinMarkInterval(1000.0, true), 1000.0);
    EXPECT_DOUBLE_EQ(SpinMarkInterval(200.0, false), 100.0);
    EXPECT_DOUBLE_EQ(SpinMarkInterval(2.0, false), 1.0);
    EXPECT_DOUBLE_EQ(SpinMarkInterval(1.5, false), 1.4);
    EXPECT_DOUBLE_EQ(SpinMarkInterval(0.1, false), 0.1);
}

TEST_F(RouteOptionsTest, GeneralPageRefusesNoIntervalAndStoresTheDrawing)
{
    CRouteGeneralOptionsModel page(module);
    page.Values().draw.distanceToRunInterval = 0.0;
    EXPECT_EQ(Fields(page), std::vector<std::string>{"markEvery"});
    page.Values().draw.distanceToRunInterval = -2.0;
    EXPECT_EQ(Fields(page), std::vector<std::string>{"markEvery"});
    page.Values().draw.distanceToRunInterval = 2.5;
    page.Values().lineWidth = 3;
    page.Values().draw.drawLegArrow = true;
    page.Values().drawNumber = true;
    ASSERT_TRUE(Fields(page).empty());
    page.Apply();
    EXPECT_EQ(module.Views().WaypointProperties().Line().GetWidth(), 3);
    EXPECT_TRUE(module.Views().DrawSettings().drawLegArrow);
    EXPECT_DOUBLE_EQ(module.Views().DrawSettings().distanceToRunInterval, 2.5);
    EXPECT_TRUE(module.Views().WaypointProperties().drawNumber);
    // The distance-to-run controls follow both switches.
    page.Values().draw.drawDistanceToRun = true;
    EXPECT_TRUE(page.DistanceToRunEnabled());
    page.Values().drawRoute = false;
    EXPECT_FALSE(page.DistanceToRunEnabled());
}

TEST_F(RouteOptionsTest, MonitoringPageKeepsAdvanceBehindTheLock)
{
    OpenRoute(3);
    auto page = MakeMonitoringOptionsModel(module);
    // Without a detection switched on there is no advance to have.
    page->Settings().passingPerpendicularOn = false;
    page->Settings().arrivalCircleEntryOn = false;
    page->Settings().autoWptAdvanceOn = true;
    page->Refresh();
    EXPECT_FALSE(page->Settings().autoWptAdvanceOn);

    // Unchanged advance: neither the lock nor the holders are touched.
    page->Settings().arrivalCircleEntryOn = true;
    page->radiusText = "0.2";
    page->Overlays().arrivalCircles = true;
    ASSERT_TRUE(Fields(*page).empty());
    const std::size_t postsBefore = station.posts.size();
    page->Apply();
    EXPECT_EQ(station.posts.size(), postsBefore);
    EXPECT_EQ(module.State().inUse.Count(), 0);
    EXPECT_TRUE(module.State().overlays.arrivalCircles);
    EXPECT_TRUE(module.State().monitoring.arrivalCircleOn);
    EXPECT_FALSE(module.State().monitoring.perpendicularOn);
    EXPECT_DOUBLE_EQ(module.Views().Settings().arrivalCircleRadius, 0.2);

    // Switched on: the database is locked for the others and the route held.
    page->Settings().autoWptAdvanceOn = true;
    page->Apply();
    EXPECT_TRUE(module.State().monitoring.autoAdvance);
    EXPECT_EQ(module.State().inUse.Count(), 1);
    ASSERT_FALSE(station.posts.empty());
    EXPECT_EQ(station.posts.back().substr(0, 5), "3:13:");
    page->Settings().autoWptAdvanceOn = false;
    page->Apply();
    EXPECT_EQ(module.State().inUse.Count(), 0);
    EXPECT_EQ(station.posts.back().substr(0, 5), "3:14:");
}

TEST_F(RouteOptionsTest, MonitoringPageOffersNoAdvanceOnALonePointAndReadsTextsLocaleFree)
{
    OpenRoute(1);
    auto page = MakeMonitoringOptionsModel(module);
    // One waypoint: nowhere to advance to, so the page offers none.
    page->Settings().autoWptAdvanceOn = true;
    page->Refresh();
    EXPECT_FALSE(page->AutoAdvanceEnabled());
    EXPECT_FALSE(page->Settings().autoWptAdvanceOn);
    // A comma is no decimal point here; an empty or too large limit is refused.
    page->radiusText = "0,5";
    page->limitText = "";
    std::vector<std::string> expected{"radius", "limit"};
    EXPECT_EQ(Fields(*page), expected);
    page->radiusText = "0.5";
    page->limitText = "25";
    EXPECT_EQ(Fields(*page), std::vector<std::string>{"limit"});
    page->limitText = "0.25";
    ASSERT_TRUE(Fields(*page).empty());
    page->Settings().limitOfDeviationOn = true;
    page->Apply();
    EXPECT_DOUBLE_EQ(module.State().monitoring.arrivalRadiusNm, 0.5);
    EXPECT_DOUBLE_EQ(module.State().monitoring.deviationLimitNm, 0.25);
    EXPECT_TRUE(module.State().monitoring.deviationLimitOn);
}

TEST_F(RouteOptionsTest, GreatCirclePageDerivesTheLimitsOnce)
{
    CGreatCircleOptionsModel page(module);
    page.Values().degreeIntercept = 0;
    EXPECT_EQ(Fields(page), std::vector<std::string>{"intercept"});
    page.Values().degreeIntercept = 10;
    page.Values().applyNorthLimit = true;
    page.Values().northDegrees = 90;
    page.Values().northMinutes = 30;
    EXPECT_EQ(Fields(page), std::vector<std::string>{"northMinutes"});
    page.Values().northDegrees = 50;
    // Not applied: kept as it is and not checked.
    page.Values().southDegrees = 0;
    ASSERT_TRUE(Fields(page).empty());
    page.Apply();
    page.Apply();   // applied twice, the minutes are still added once
    EXPECT_DOUBLE_EQ(module.State().greatCircle.northLimit, 50.5);
    EXPECT_DOUBLE_EQ(module.Views().GreatCircleSettings().degreeIntercept, 10.0);
    EXPECT_TRUE(module.Views().GreatCircleSettings().applyNorthLimit);
}

TEST_F(RouteOptionsTest, PathsPageMakesMissingFoldersAndRefusesAFile)
{
    CRoutePathOptionsModel page(module);
    page.Values().dataFolder = (dir.Path() / "voyages" / "2026").string();
    const fs::path file = dir.Path() / "notes.txt";
    std::ofstream(file) << "not a folder\n";
    page.Values().attachmentsFolder = file.string();
    EXPECT_EQ(Fields(page), std::vector<std::string>{"attachmentsFolder"});
    page.Values().attachmentsFolder = (dir.Path() / "pictures").string();
    ASSERT_TRUE(Fields(page).empty());
    page.Apply();
    EXPECT_TRUE(fs::is_directory(dir.Path() / "voyages" / "2026"));
    EXPECT_EQ(module.GetDataFolder(), (dir.Path() / "voyages" / "2026").string());
    EXPECT_EQ(module.AttachmentsFolder(), (dir.Path() / "pictures").string());
}

TEST_F(RouteOptionsTest, OverlaySwitchesAndPensSurviveAReload)
{
    CRouteState& s = module.State();
    s.overlays.deviationLimits = true;
    s.overlays.perpendiculars = true;
    s.overlays.limitLine.SetWidth(3);
    module.Views().Properties().Line().SetWidth(2);
    module.SaveSettings();
    s.overlays.deviationLimits = s.overlays.perpendiculars = false;
    s.overlays.limitLine.SetWidth(1);
    module.Views().Properties().Line().SetWidth(1);
    module.LoadSettings();
    EXPECT_TRUE(s.overlays.deviationLimits);
    EXPECT_TRUE(s.overlays.perpendiculars);
    EXPECT_FALSE(s.overlays.arrivalCircles);
    EXPECT_EQ(s.overlays.limitLine.GetWidth(), 3);
    EXPECT_EQ(module.Views().WaypointProperties().Line().GetWidth(), 2);
}

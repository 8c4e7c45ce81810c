// The plan module's stored settings: defaults on a fresh start, and values
// out of range brought back on load (a plan count of 0 or a tidal step of 0
// would stall or divide).

#include "routes/PlanModule.h"
#include "routes/RouteViews.h"
#include "routes/TidalModule.h"

#include "../chart/overlays/OverlayTestSupport.h"
#include "../chartpoints/ChartpointFakes.h"
#include "PlanFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/DateTimeSpanEx.h"
#include "app/Registry.h"

#include <gtest/gtest.h>

namespace {

TEST(PlanModule, DefaultsAndClampsOnLoad)
{
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    routes::CPlanModule plan(settings, dir.Path().string());
    ASSERT_TRUE(plan.Initialise());
    plan.LoadSettings();
    const auto& s = plan.PlanSettings();
    EXPECT_FALSE(s.tidesOn);
    EXPECT_FALSE(s.variationOn);
    EXPECT_FALSE(s.deviationOn);
    EXPECT_DOUBLE_EQ(s.vesselSpeed, 5.0);
    EXPECT_EQ(s.tidalIntervalSeconds, 3600);
    EXPECT_EQ(s.bestTimeIntervalSeconds, 3600);
    EXPECT_EQ(s.bestTimePlans, 6);
    EXPECT_TRUE(std::filesystem::is_directory(plan.GetDataFolder()));

    {
        app::CRegistry key(settings.GetStore());
        ASSERT_TRUE(key.OpenKeyForWrite(plan.GetSettingsKey("Settings")));
        key.WriteDWord("BestTimePlans", 0);
        key.WriteTimeSpan("TidalCalcInterval", app::CDateTimeSpanEx(0L));
        key.WriteTimeSpan("BestTimeCalcInterval", app::CDateTimeSpanEx(10L * 86400));
        key.WriteDouble("VesselSpeed", -3.0);
        key.WriteBool("TidesOn", true);
    }
    plan.LoadSettings();
    EXPECT_EQ(s.bestTimePlans, 2);
    EXPECT_EQ(s.tidalIntervalSeconds, 60);
    EXPECT_EQ(s.bestTimeIntervalSeconds, 3600 * 60);
    EXPECT_DOUBLE_EQ(s.vesselSpeed, 5.0);
    EXPECT_TRUE(s.tidesOn);
    {
        app::CRegistry key(settings.GetStore());
        ASSERT_TRUE(key.OpenKeyForWrite(plan.GetSettingsKey("Settings")));
        key.WriteDWord("BestTimePlans", 200);
        key.WriteString("VesselSpeed", "nan");
    }
    plan.LoadSettings();
    EXPECT_EQ(s.bestTimePlans, 12);
    EXPECT_DOUBLE_EQ(s.vesselSpeed, 5.0);

    // Saved and read back unchanged.
    plan.PlanSettings().vesselSpeed = 7.5;
    plan.PlanSettings().tidalIntervalSeconds = 600;
    plan.SaveSettings();
    routes::CPlanModule again(settings, dir.Path().string());
    again.Initialise();
    again.LoadSettings();
    EXPECT_DOUBLE_EQ(again.PlanSettings().vesselSpeed, 7.5);
    EXPECT_EQ(again.PlanSettings().tidalIntervalSeconds, 600);
}

TEST(PlanModule, CalculateNeedsTwoWaypointsAndASpeedAndKeepsTimesOnlyWhileValid)
{
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CPlanModule plan(settings, dir.Path().string());
    plan.Initialise();
    std::vector<routes::PlanWaypoint> route = {{geo::CPosition(48.0, -123.0), 0.0, 10.0},
                                               {geo::CPosition(48.1666667, -123.0), 0.0, 0.0}};
    EXPECT_FALSE(plan.CanCalculate(1));
    EXPECT_TRUE(plan.CanCalculate(2));
    plan.planUtc = 1899072000;
    plan.PlanSettings().vesselSpeed = 4.0;
    EXPECT_EQ(plan.Calculate(route, prompt, nullptr, nullptr, nullptr), 0);
    ASSERT_TRUE(plan.GetWaypointTime(1));
    EXPECT_EQ(*plan.GetWaypointTime(1), 1899072000 + 9000);
    EXPECT_FALSE(plan.GetWaypointTime(2));
    // The route's waypoint labels read the same times, in local time.
    routes::CRouteState state;
    routes::CRouteViews views(state);
    app::CDateTimeEx when;
    EXPECT_FALSE(views.GetArrivalTime(1, when));
    views.SetWaypointTimes([&plan](std::size_t i) { return plan.GetWaypointTime(i); });
    ASSERT_TRUE(views.GetArrivalTime(1, when));
    EXPECT_EQ(routes::LocalToUtcSeconds(when), 1899072000 + 9000);
    EXPECT_FALSE(views.GetArrivalTime(2, when));
    EXPECT_FALSE(views.GetArrivalTime(-1, when));
    plan.ClearPlan();
    EXPECT_FALSE(views.GetArrivalTime(1, when));
    EXPECT_FALSE(plan.GetWaypointTime(0));
    plan.PlanSettings().vesselSpeed = 0.0;
    EXPECT_FALSE(plan.CanCalculate(2));
    EXPECT_NE(plan.Calculate(route, prompt, nullptr, nullptr, nullptr), 0);
    EXPECT_FALSE(plan.IsCalculated());
}

// Escape in the middle of a tidal leg: the plan is not calculated, keeps the
// records worked out so far, and their tracks are drawn.
TEST(PlanModule, AnAbortedCalculationKeepsAndDrawsTheTracksSoFar)
{
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    prompt.Expect(platform::PromptAnswer::Ok, "aborted by user");
    routes::CPlanModule plan(settings, dir.Path().string());
    plan.Initialise();
    std::vector<routes::PlanWaypoint> route = {{geo::CPosition(48.0, -123.0), 0.0, 10.0},
                                               {geo::CPosition(48.1666667, -123.0), 0.0, 0.0}};
    plan.planUtc = 1899072000;
    plan.PlanSettings().tidesOn = true;
    plan.PlanSettings().tidalIntervalSeconds = 600;
    brine_test::FakeTides tides;
    brine_test::StopAfter stop(3);
    EXPECT_EQ(plan.Calculate(route, prompt, &tides, nullptr, &stop), routes::kPlanAborted);
    EXPECT_TRUE(prompt.Done());
    EXPECT_FALSE(plan.IsCalculated());
    ASSERT_EQ(plan.Plan().size(), 2u);
    EXPECT_EQ(plan.Plan()[0].track.Size(), 4u);   // the start and three steps
    EXPECT_TRUE(plan.DrawsTracks());
    plan.LineProperties().SetDraw(false);
    EXPECT_FALSE(plan.DrawsTracks());
    plan.LineProperties().SetDraw(true);
    plan.ClearPlan();
    EXPECT_FALSE(plan.DrawsTracks());
}

TEST(PlanModule, TakenPlansOwnTheirTracksWithEachLegStartingItsOwnLine)
{
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    routes::CPlanModule plan(settings, dir.Path().string());
    plan.Initialise();
    routes::CPlanCalculator::BestTime result;
    result.starts = {1899072000, 1899075600};
    result.passages = {5400, 3600};
    result.bestIndex = 1;
    for (int leg = 0; leg < 2; ++leg) {
        routes::CLegData r;
        for (int k = 0; k < 3; ++k)
            r.track.Append(geo::CPosition(48.0 + 0.01 * leg + 0.001 * k, -123.0));
        result.first.push_back(r);
    }
    result.best = result.first;
    EXPECT_FALSE(plan.DrawsTracks());
    plan.TakeSearchResult(result, true);
    ASSERT_EQ(plan.Plan().size(), 2u);
    EXPECT_TRUE(plan.DrawsTracks());
    for (const routes::CLegData& r : plan.Plan()) {
        ASSERT_EQ(r.track.Size(), 3u);
        EXPECT_TRUE(r.track.Points()[0]->segmentStart);
        EXPECT_FALSE(r.track.Points()[1]->segmentStart);
    }
    // The search's own lists are copies: changing them leaves the plan alone.
    result.best[0].track.RemoveAll();
    EXPECT_EQ(plan.Plan()[0].track.Size(), 3u);
    EXPECT_NEAR(plan.Plan()[1].track.PositionAt(2).GetLatitude(), 48.012, 1e-9);
    EXPECT_EQ(plan.planUtc, 1899075600);

    // The draw flag and width are stored with the plan's settings.
    plan.LineProperties().SetDraw(false);
    plan.LineProperties().SetWidth(3);
    plan.SaveSettings();
    routes::CPlanModule again(settings, dir.Path().string());
    again.Initialise();
    EXPECT_EQ(again.LineProperties().GetWidth(), 2);   // the width before any is stored
    again.LoadSettings();
    EXPECT_FALSE(again.LineProperties().GetDraw());
    EXPECT_EQ(again.LineProperties().GetWidth(), 3);

    // The leg tracks are drawn with the line properties' colour, width and
    // broken-line flag: solid by the planned track's own defaults, broken
    // when the properties say so. A broken leg is dotted as a broken route
    // leg is: short lines of the same solid pen, many to a leg.
    overlay_test::Chart chart{geo::CPosition(48.1, -123.1), geo::CPosition(47.9, -122.9)};
    const auto trackLines = [&](chart::PenStyle& style) {
        overlay_test::Recorder recorder;
        plan.DrawTracks(*chart.doc, recorder.dc);
        int lines = 0;
        for (const chart::DrawRecord& r : recorder.Records())
            if (r.op == chart::DrawOp::Polyline || r.op == chart::DrawOp::Line) {
                ++lines;
                style = r.pen.style;
                EXPECT_EQ(r.pen.colour, plan.LineProperties().GetColour()) << r.Describe();
                EXPECT_EQ(r.pen.width, plan.LineProperties().GetWidth()) << r.Describe();
            }
        return lines;
    };
    plan.LineProperties().SetDraw(true);
    chart::PenStyle style = chart::PenStyle::Dash;
    EXPECT_EQ(trackLines(style), 2);   // one line per leg
    EXPECT_EQ(style, chart::PenStyle::Solid);
    chart::CLineProperties broken(chart::kLineSelectedRoute);
    broken.SetDefaults();
    ASSERT_TRUE(broken.GetPatternFlag());
    plan.LineProperties().CopyFrom(broken);
    style = chart::PenStyle::Dash;
    EXPECT_GT(trackLines(style), 2);   // dots along each leg, not one line
    EXPECT_EQ(style, chart::PenStyle::Solid);
}

}   // namespace

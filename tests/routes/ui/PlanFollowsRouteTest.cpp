// The passage plan follows the route it is worked for: another route starts
// a fresh plan with that route's name, start and destination; a changed
// waypoint clears a worked plan; choosing a waypoint or changing how the
// route is drawn keeps it.

#include "routes/ui/PlanWindows.h"

#include "../../chartpoints/ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "TestModels.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "db/DBRoute.h"
#include "navigator/OwnVessel.h"
#include "routes/RouteModule.h"
#include "routes/RouteOptions.h"
#include "routes/TidalModule.h"

#include <QApplication>
#include <QDateTime>

#include <gtest/gtest.h>

namespace {

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};

TEST(PlanFollowsRoute, NewRouteRenamesAndChangedWaypointsClear)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    brine_test::RecordingStation station;
    routes::CRouteModule module(settings, prompt, dir.Path());
    ASSERT_TRUE(module.Initialise());
    module.SetStationLink(&station);

    navigator::COwnVessel vessel;
    vessel.name = "Kittiwake";
    vessel.speed = 6.5;
    routes::CPlanWindows::Links links;
    links.routes = [&module] { return &module; };
    links.vessel = [&vessel] { return &vessel; };
    routes::CPlanWindows plan(settings, dir.Path().string(), prompt, links);
    ASSERT_TRUE(plan.Initialise());
    // What creating the side panels does in the program.
    module.AddListener(&plan);

    const std::filesystem::path path = dir.Path() / "Puget";
    {
        db::CDBRoute table;
        table.SetFilePath(path.string());
        ASSERT_TRUE(table.Open());
        table.ClearRecord();
        table.m_name = "Admiralty Inlet";
        table.m_from = "Point Wilson";
        table.m_to = "Elliott Bay";
        table.m_note = "Slack water at Point Wilson";
        ASSERT_TRUE(table.AppendNew());
        for (int i = 0; i < 3; ++i) {
            auto& points = table.Points();
            points.Waypoints().ClearRecord();
            points.Waypoints().m_position = geo::CPosition(48.14 - 0.2 * i, -122.70 + 0.1 * i);
            ASSERT_TRUE(points.AppendPoint());
        }
        table.Close();
    }
    ASSERT_TRUE(module.OpenDatabase(path.string()));
    EXPECT_EQ(plan.planName, "Admiralty Inlet");
    EXPECT_EQ(plan.from, "Point Wilson");
    EXPECT_EQ(plan.to, "Elliott Bay");
    // The vessel's name and speed and the route's memo are taken as the plan
    // starts, to the second; later changes reach the next plan.
    EXPECT_EQ(plan.vesselName, "Kittiwake");
    EXPECT_EQ(plan.PlanSettings().vesselSpeed, 6.5);
    EXPECT_EQ(plan.routeMemo, "Slack water at Point Wilson");
    const std::int64_t started = QDateTime::currentSecsSinceEpoch();
    EXPECT_LE(std::llabs(plan.planUtc - started), 1);
    vessel.name = "Kittiwake II";
    vessel.speed = 0.0;
    EXPECT_EQ(plan.vesselName, "Kittiwake");

    plan.PlanSettings().vesselSpeed = 8.0;
    ASSERT_EQ(
        plan.Calculate(routes::PlanWaypointsOf(module.State()), prompt, nullptr, nullptr, nullptr),
        0);
    ASSERT_TRUE(plan.IsCalculated());
    ASSERT_TRUE(module.SelectWaypoint(2));
    module.DisplayChanged();
    EXPECT_TRUE(plan.IsCalculated());

    module.OnEdit();
    ASSERT_TRUE(module.IsEditMode());
    ASSERT_TRUE(module.MoveWaypoint(2, geo::CPosition(47.95, -122.55)));
    EXPECT_FALSE(plan.IsCalculated());

    ASSERT_EQ(
        plan.Calculate(routes::PlanWaypointsOf(module.State()), prompt, nullptr, nullptr, nullptr),
        0);
    // A new route starts a fresh plan: departing, from now.
    plan.PlanSettings().mode = routes::PlanMode::ArriveFor;
    ASSERT_TRUE(module.NewRoute());
    EXPECT_FALSE(plan.IsCalculated());
    EXPECT_EQ(plan.PlanSettings().mode, routes::PlanMode::DepartAt);
    EXPECT_EQ(plan.planName, module.RouteTexts().name);
    EXPECT_NE(plan.planName, "Admiralty Inlet");
    // A vessel at rest gives the new plan a speed of 0, which cannot be
    // calculated until a speed is typed.
    EXPECT_EQ(plan.vesselName, "Kittiwake II");
    EXPECT_EQ(plan.PlanSettings().vesselSpeed, 0.0);
    EXPECT_FALSE(plan.CanCalculate(3));
    EXPECT_EQ(plan.routeMemo, "");

    plan.Terminate();
    module.Terminate();
}

// Best Time is offered only with tidal streams switched on (the plan
// window's switch while it is open): it would only refuse otherwise. Neither
// it nor Calculate is offered while a networked station edits the route.
TEST(PlanFollowsRoute, BestTimeIsOfferedOnlyWithTidalStreamsOn)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CRouteModule module(settings, prompt, dir.Path());
    ASSERT_TRUE(module.Initialise());
    ASSERT_TRUE(module.OpenDatabase((dir.Path() / "Puget").string()));
    module.OnEdit();
    ASSERT_TRUE(module.NewRoute());
    ASSERT_TRUE(module.AddWaypointAt(geo::CPosition(48.01, -122.99)));
    ASSERT_TRUE(module.AddWaypointAt(geo::CPosition(48.03, -122.97)));
    module.OnEdit();

    // A tidal model over the route, so tidal data is there.
    std::filesystem::create_directories(dir.Path() / "Tides");
    auto model = tidaltest::BlankModel(6, 6, tidal::CellQuality::Station);
    tidaltest::Write(dir.Path() / "Tides", "Steady",
                     tidaltest::HeaderFor(model, 48.05, -123.0, 0.01), model);
    routes::CTidalModule tides(settings, dir.Path().string());
    ASSERT_TRUE(tides.Initialise());
    ASSERT_TRUE(tides.CheckAvailability());

    routes::CPlanWindows::Links links;
    links.routes = [&module] { return &module; };
    links.tides = [&tides] { return &tides; };
    routes::CPlanWindows plan(settings, dir.Path().string(), prompt, links);
    ASSERT_TRUE(plan.Initialise());
    plan.PlanSettings().vesselSpeed = 6.0;
    app::CCommandTable commands;
    plan.RegisterCommands(commands);
    ASSERT_TRUE(commands.Update(app::cmd::kPlanCalculate).enabled);
    plan.PlanSettings().tidesOn = false;
    EXPECT_FALSE(commands.Update(app::cmd::kPlanBestTime).enabled);
    plan.PlanSettings().tidesOn = true;
    EXPECT_TRUE(commands.Update(app::cmd::kPlanBestTime).enabled);

    // While the route is edited on a networked station neither is offered
    // (another station's change may come in mid-way); editing alone, or the
    // network alone, leaves both.
    brine_test::RecordingStation station;
    module.SetStationLink(&station);
    EXPECT_TRUE(commands.Update(app::cmd::kPlanCalculate).enabled);
    module.OnEdit();
    ASSERT_TRUE(module.IsEditMode());
    EXPECT_FALSE(commands.Update(app::cmd::kPlanCalculate).enabled);
    EXPECT_FALSE(commands.Update(app::cmd::kPlanBestTime).enabled);
    station.running = false;
    EXPECT_TRUE(commands.Update(app::cmd::kPlanCalculate).enabled);
    EXPECT_TRUE(commands.Update(app::cmd::kPlanBestTime).enabled);
    station.running = true;
    module.OnEdit();
    ASSERT_FALSE(module.IsEditMode());
    EXPECT_TRUE(commands.Update(app::cmd::kPlanCalculate).enabled);
    module.SetStationLink(nullptr);
    commands.Remove(&plan);
}

// The great-circle page applied with a new limit: the legs are measured with
// that limit (a composite track is longer than the great circle it replaces),
// the worked plan is cleared, and a leg beyond the limit tells the user so.
// Applied unchanged, the plan stays.
TEST(PlanFollowsRoute, GreatCircleLimitsAppliedMeasureTheLegsAgain)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CRouteModule module(settings, prompt, dir.Path());
    ASSERT_TRUE(module.Initialise());
    navigator::COwnVessel vessel;
    vessel.name = "Kittiwake";
    vessel.speed = 6.5;
    routes::CPlanWindows::Links links;
    links.routes = [&module] { return &module; };
    links.vessel = [&vessel] { return &vessel; };
    routes::CPlanWindows plan(settings, dir.Path().string(), prompt, links);
    ASSERT_TRUE(plan.Initialise());
    module.AddListener(&plan);

    // Across the North Pacific: the great circle runs far north of 40 N.
    const std::filesystem::path path = dir.Path() / "Pacific";
    {
        db::CDBRoute table;
        table.SetFilePath(path.string());
        ASSERT_TRUE(table.Open());
        table.ClearRecord();
        table.m_name = "Tokyo Bay to Juan de Fuca";
        ASSERT_TRUE(table.AppendNew());
        for (const auto& [lat, lon] : {std::pair{35.0, 140.0}, std::pair{48.3, -125.0}}) {
            table.Points().Waypoints().ClearRecord();
            table.Points().Waypoints().m_position = geo::CPosition(lat, lon);
            ASSERT_TRUE(table.Points().AppendPoint());
        }
        table.Close();
    }
    ASSERT_TRUE(module.OpenDatabase(path.string()));
    module.OnEdit();
    ASSERT_TRUE(module.SelectWaypoint(1));
    ASSERT_TRUE(module.SetLegType(1));
    const double greatCircle = module.LegFrom(1).range;
    ASSERT_GT(greatCircle, 4000.0);

    plan.PlanSettings().vesselSpeed = 12.0;
    ASSERT_EQ(
        plan.Calculate(routes::PlanWaypointsOf(module.State()), prompt, nullptr, nullptr, nullptr),
        0);
    ASSERT_TRUE(plan.IsCalculated());

    routes::CGreatCircleOptionsModel page(module);
    page.Values().applyNorthLimit = true;
    page.Values().northDegrees = 50;
    page.Values().northMinutes = 0;
    page.Apply();
    EXPECT_FALSE(plan.IsCalculated());
    const routes::CLegResult composite = module.LegFromShown(1);
    EXPECT_GT(composite.range, greatCircle + 10.0);
    EXPECT_TRUE(prompt.AskedPrompts().empty());

    // The same settings again change nothing: a worked plan stays.
    ASSERT_EQ(
        plan.Calculate(routes::PlanWaypointsOf(module.State()), prompt, nullptr, nullptr, nullptr),
        0);
    routes::CGreatCircleOptionsModel same(module);
    same.Apply();
    EXPECT_TRUE(plan.IsCalculated());

    // A limit south of the destination: the list's leg is a plain great
    // circle again and the user is warned.
    routes::CGreatCircleOptionsModel lower(module);
    lower.Values().northDegrees = 45;
    lower.Apply();
    EXPECT_FALSE(plan.IsCalculated());
    prompt.Expect(platform::PromptAnswer::Ok, "beyond an active limiting latitude");
    EXPECT_NEAR(module.LegFromShown(1).range, greatCircle, 0.01);
    ASSERT_EQ(prompt.AskedPrompts().size(), 1u);
    EXPECT_EQ(prompt.AskedPrompts().back().icon, platform::PromptIcon::Exclamation);

    plan.Terminate();
    module.Terminate();
}

}   // namespace

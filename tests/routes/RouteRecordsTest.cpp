// The route's records on their own: leg types in their three spellings, the
// settings records as stored and as the three views read them, the in-use
// holders, the lock retries and the repair plan of a crashed route.

#include "TempFolder.h"
#include "app/Registry.h"
#include "routes/LegTypes.h"
#include "routes/RouteInUse.h"
#include "routes/RouteLock.h"
#include "routes/RouteRepair.h"
#include "routes/RouteSettings.h"
#include "routes/RouteViews.h"
#include "routes/Waypoint.h"

#include <gtest/gtest.h>

using namespace routes;
using namespace std::chrono_literals;

TEST(RouteLegTypes, ConvertBothWaysAndGreatCircleWaypointsStoreRhumb)
{
    // waypoint -> link -> overlay -> link -> waypoint
    EXPECT_EQ(LinkFromWaypointLeg(kLegRhumb), 0);
    EXPECT_EQ(LinkFromWaypointLeg(kLegGreatCircle), 1);
    EXPECT_EQ(LinkFromWaypointLeg(kLegGreatCircleWaypoints), 0);
    EXPECT_EQ(OverlayLegFromLink(0), chart::LegType::RhumbLine);
    EXPECT_EQ(OverlayLegFromLink(1), chart::LegType::GreatCircle);
    for (int link : {0, 1}) {
        EXPECT_EQ(LinkFromOverlayLeg(OverlayLegFromLink(link)), link);
        EXPECT_EQ(LinkFromWaypointLeg(WaypointLegFromLink(link)), link);
        // The chart's own reading of the route table agrees with ours.
        EXPECT_EQ(chart::LegTypeFromRouteTable(link), OverlayLegFromLink(link));
    }
    EXPECT_EQ(WaypointLegFromLink(7), kLegRhumb);   // damaged field: rhumb, never GC
    EXPECT_STREQ(LegTypeText(kLegGreatCircleWaypoints), "GC");
    EXPECT_STREQ(LegTypeText(kLegRhumb), "Rh");

    // A waypoint's leg type travels with its copies but is no part of the
    // chartpoint's emptiness test or clearing.
    CWaypoint waypoint(geo::CPosition(47.6, -122.4, 0.0, 0xFFFF));
    EXPECT_EQ(waypoint.m_legType, kLegRhumb);
    waypoint.m_legType = kLegGreatCircleWaypoints;
    EXPECT_TRUE(waypoint.IsEmpty());
    waypoint.m_name = "Alki Point";
    const CWaypoint copy(waypoint);
    EXPECT_EQ(copy.m_legType, kLegGreatCircleWaypoints);
    EXPECT_EQ(copy.m_name, "Alki Point");
    waypoint.Clear();
    EXPECT_EQ(waypoint.m_legType, kLegGreatCircleWaypoints);
    EXPECT_TRUE(waypoint.m_name.empty());
}

TEST(RouteSettingsRecords, LoadClampsInterceptAndDerivesDegrees)
{
    brine_test::TempFolder dir;
    platform::CSettingsStore store(dir.Path() / "s.conf");
    {
        app::CRegistry key(store);
        ASSERT_TRUE(key.OpenKeyForWrite("Route\\GreatCircle"));
        key.WriteDWord("DegreeIntercept", 0);
        key.WriteDouble("NorthLimitLatitude", 60.5);
        key.WriteDouble("SouthLimitLatitude", 40.25);
        key.WriteBool("ApplySouthLimitLatitude", true);
    }
    app::CRegistry key(store);
    ASSERT_TRUE(key.OpenKeyForRead("Route\\GreatCircle"));
    CGreatCircleRecord gc;
    gc.Load(key);
    EXPECT_EQ(gc.degreeIntercept, 1);   // 0 would loop for ever along a leg
    EXPECT_EQ(gc.northDegrees, 60);
    EXPECT_EQ(gc.northMinutes, 30);
    EXPECT_EQ(gc.southDegrees, 40);
    EXPECT_EQ(gc.southMinutes, 15);
    // The chart's limit test wants the south limit as a positive number.
    const chart::CGreatCircleSettings chart = gc.ForChart();
    EXPECT_DOUBLE_EQ(chart.southLimit, 40.25);
    EXPECT_TRUE(chart.applySouthLimit);
    EXPECT_DOUBLE_EQ(chart.degreeIntercept, 1.0);

    // Only the page path derives the doubles from degrees and minutes.
    CGreatCircleRecord page = gc;
    page.northDegrees = 50;
    page.northMinutes = 45;
    EXPECT_TRUE(page.DiffersFrom(gc));
    EXPECT_DOUBLE_EQ(page.northLimit, 60.5);
    page.DeriveLimits();
    EXPECT_DOUBLE_EQ(page.northLimit, 50.75);
}

TEST(RouteSettingsRecords, MonitoringDefaultsReachEveryViewUnchanged)
{
    CRouteState state;
    CRouteViews views(state);
    // The stored defaults, not the readers' own (their arrival-on, their intercept 1).
    const navigator::CRouteMonitoringSettings nav = views.Settings();
    EXPECT_FALSE(nav.arrivalCircleEntryOn);
    EXPECT_TRUE(nav.passingPerpendicularOn);
    EXPECT_DOUBLE_EQ(nav.arrivalCircleRadius, 0.1);
    const nmea::CRouteMonitoring ap = views.GetMonitoring();
    EXPECT_FALSE(ap.arrivalCircle);
    EXPECT_TRUE(ap.passingPerpendicular);
    EXPECT_DOUBLE_EQ(views.GreatCircleSettings().degreeIntercept, 5.0);
    EXPECT_DOUBLE_EQ(views.GreatCircleSettings().southLimit, 45.0);

    // A change made through the autopilot is seen by the navigator.
    nmea::CRouteMonitoring changed = ap;
    changed.automaticLegAdvance = true;
    views.SetMonitoring(changed);
    EXPECT_TRUE(views.Settings().autoWptAdvanceOn);
    EXPECT_EQ(state.inUse.Count(), 1);
}

TEST(RouteSettingsRecords, MonitoringRoundTripsAndRefusesNonsenseRadius)
{
    brine_test::TempFolder dir;
    platform::CSettingsStore store(dir.Path() / "s.conf");
    CMonitoringRecord written;
    written.autoAdvance = true;
    written.arrivalCircleOn = true;
    written.arrivalRadiusNm = 0.25;
    written.perpendicularOn = false;
    {
        app::CRegistry key(store);
        ASSERT_TRUE(key.OpenKeyForWrite("Route\\Monitoring"));
        written.Save(key);
        key.WriteDouble("LimitOfDeviation", -3.0);
    }
    app::CRegistry key(store);
    ASSERT_TRUE(key.OpenKeyForRead("Route\\Monitoring"));
    CMonitoringRecord read;
    read.Load(key);
    EXPECT_TRUE(read.autoAdvance);
    EXPECT_TRUE(read.arrivalCircleOn);
    EXPECT_DOUBLE_EQ(read.arrivalRadiusNm, 0.25);
    EXPECT_FALSE(read.perpendicularOn);
    EXPECT_DOUBLE_EQ(read.deviationLimitNm, 0.1);
}

TEST(RouteInUseHolders, EachHolderCountsOnceAndNeverWraps)
{
    CRouteInUse inUse;
    inUse.Take(RouteHolder::Autopilot);
    inUse.Take(RouteHolder::Autopilot);
    inUse.Take(RouteHolder::Advance);
    EXPECT_EQ(inUse.Count(), 2);
    inUse.Give(RouteHolder::Upload);   // never taken
    inUse.Give(RouteHolder::Advance);
    inUse.Give(RouteHolder::Advance);
    EXPECT_EQ(inUse.Count(), 1);
    EXPECT_EQ(inUse.Describe(), "the autopilot");
    inUse.Give(RouteHolder::Autopilot);
    EXPECT_FALSE(inUse.InUse());
}

TEST(RouteLockRetries, RetriesForThreeSecondsThenNamesTheHolder)
{
    int tries = 0;
    bool free = false;
    CRouteLockAttempt lock([&] {
        ++tries;
        return free;
    });
    const auto t0 = CRouteLockAttempt::Clock::time_point{} + 100s;
    lock.HeldBy("127.0.0.2");
    EXPECT_EQ(lock.Start(t0), CRouteLockAttempt::State::Pending);
    EXPECT_EQ(lock.Poll(t0 + 500ms), CRouteLockAttempt::State::Pending);
    EXPECT_EQ(lock.Poll(t0 + 3s), CRouteLockAttempt::State::Refused);
    EXPECT_EQ(tries, 3);
    EXPECT_NE(lock.RefusalText().find("127.0.0.2"), std::string::npos);

    lock.Released();
    EXPECT_NE(lock.RefusalText().find("another station or program"), std::string::npos);
    EXPECT_EQ(lock.Start(t0), CRouteLockAttempt::State::Pending);
    free = true;
    EXPECT_EQ(lock.Poll(t0 + 1s), CRouteLockAttempt::State::Taken);
}

TEST(RouteRepairPlan, RenumbersByOrderThenRecordAndNamesMissingWaypoints)
{
    // A crash mid-insert left two links on ORDER 2, a gap at 4, and a link
    // whose waypoint was never written.
    const std::vector<CLinkRow> links = {
        {1, 1, 11}, {2, 2, 12}, {3, 2, 13}, {4, 5, 14}, {5, 3, 99}};
    const CLinkRepair plan = PlanLinkRepair(links, {11, 12, 13, 14});
    EXPECT_TRUE(plan.needed);
    EXPECT_EQ(plan.keptInOrder, (std::vector<long>{1, 2, 3, 4}));
    ASSERT_EQ(plan.dropped.size(), 1u);
    EXPECT_EQ(plan.dropped[0].pointId, 99);
    ASSERT_EQ(plan.Messages().size(), 1u);
    EXPECT_NE(plan.Messages()[0].find("Waypoint 99"), std::string::npos);

    const CLinkRepair sound = PlanLinkRepair({{1, 1, 11}, {2, 2, 12}}, {11, 12});
    EXPECT_FALSE(sound.needed);
}

TEST(RouteViewsSteering, ActiveWaypointIsShared)
{
    CRouteState state;
    state.hasRoute = true;
    state.waypoints = {CWaypoint(geo::CPosition(48.14, -122.76, 0, -1)),
                       CWaypoint(geo::CPosition(47.91, -122.53, 0, -1))};
    state.activeIndex = 1;
    CRouteViews views(state);
    views.SetActiveWaypoint(1);   // the autopilot counts from 0
    EXPECT_EQ(views.ActiveIndex(), 2);
    EXPECT_TRUE(views.AreRouteTablesPositioned());
    EXPECT_FALSE(views.SelectWaypoint(3));
    EXPECT_EQ(views.CurrentRouteWaypoints().size(), 2u);
    EXPECT_DOUBLE_EQ(views.Waypoint(2).position.GetLatitude(), 47.91);
}

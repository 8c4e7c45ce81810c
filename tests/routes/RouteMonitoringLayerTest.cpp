// The route monitoring drawn over a blank chart through the recording
// backend: arrival circles of the monitoring radius, perpendiculars across
// the legs' ends, dashed limits of deviation beside the legs, the current
// waypoint's share in the dynamic layer and the rest in the static ones.

#include "routes/RouteMonitoringLayer.h"
#include "../chart/overlays/OverlayTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace routes;
using overlay_test::Chart;
using overlay_test::Recorder;

namespace {

constexpr double kLon = -122.45;

// A route straight down the meridian, 3 nm a leg, off Shilshole.
CRouteState StraightRoute(int count, int active)
{
    CRouteState state;
    state.hasRoute = true;
    for (int i = 0; i < count; ++i) {
        CWaypoint wp;
        wp.m_position = geo::CPosition(47.70 - 0.05 * i, kLon, 0.0, -1);
        state.waypoints.push_back(wp);
    }
    state.activeIndex = active;
    state.monitoring.arrivalRadiusNm = 0.5;
    state.monitoring.deviationLimitOn = true;
    state.monitoring.deviationLimitNm = 0.25;
    state.overlays.arrivalCircles = true;
    state.overlays.perpendiculars = true;
    state.overlays.deviationLimits = true;
    return state;
}

struct Drawn {
    std::vector<chart::DrawRecord> arcs, lines;
};

Drawn DrawLayer(chart::CLayerSource& layer, Chart& chart)
{
    Recorder rec;
    if (layer.IsOn())
        layer.Draw(*chart.doc, rec.dc);
    return {rec.Of(chart::DrawOp::Arc), rec.Of(chart::DrawOp::Line)};
}

geo::IntPoint Centre(const chart::DrawRecord& arc)
{
    return {(arc.points[0].x + arc.points[1].x) / 2, (arc.points[0].y + arc.points[1].y) / 2};
}

}   // namespace

TEST(RouteMonitoringLayerTest, TheCurrentWaypointsShareIsDynamicTheRestStatic)
{
    for (MonitoringKind kind : {MonitoringKind::ArrivalCircles, MonitoringKind::Perpendiculars})
        for (int n = 1; n <= 6; ++n)
            EXPECT_EQ(IsCurrentMonitoring(kind, n, 3), n == 3);
    for (int n = 1; n <= 7; ++n)
        EXPECT_EQ(IsCurrentMonitoring(MonitoringKind::DeviationLimits, n, 3), n >= 2 && n <= 5);
    // No current waypoint: all of it is static.
    EXPECT_FALSE(IsCurrentMonitoring(MonitoringKind::ArrivalCircles, 1, 0));
}

TEST(RouteMonitoringLayerTest, ArrivalCirclesHaveTheRadiusRoundEachWaypoint)
{
    Chart chart(geo::CPosition(47.75, -122.75), geo::CPosition(47.35, -122.15), 800, 400);
    const CRouteState state = StraightRoute(4, 2);
    CRouteMonitoringLayers layers(state);
    const Drawn fixed = DrawLayer(layers.Static(MonitoringKind::ArrivalCircles), chart);
    ASSERT_EQ(fixed.arcs.size(), 6u);   // two half circles for waypoints 1, 3 and 4
    const Drawn moving = DrawLayer(layers.Current(), chart);
    ASSERT_EQ(moving.arcs.size(), 2u);
    const geo::IntPoint at = chart.ClientPoint(state.waypoints[1].m_position);
    EXPECT_NEAR(Centre(moving.arcs[0]).x, at.x, 1);
    EXPECT_NEAR(Centre(moving.arcs[0]).y, at.y, 1);
    // 0.5 nm north and south: one minute of latitude, near enough, from top to bottom.
    const geo::IntPoint north = chart.ClientPoint(geo::CPosition(47.65 + 0.5 / 60, kLon, 0.0, -1));
    const geo::IntPoint south = chart.ClientPoint(geo::CPosition(47.65 - 0.5 / 60, kLon, 0.0, -1));
    EXPECT_NEAR(moving.arcs[0].points[1].y - moving.arcs[0].points[0].y, south.y - north.y, 2);
    EXPECT_EQ(moving.arcs[0].pen.style, chart::PenStyle::Solid);
    for (const auto& arc : fixed.arcs)
        EXPECT_GT(std::abs(Centre(arc).y - at.y), 10) << "the current circle is drawn statically";
}

TEST(RouteMonitoringLayerTest, PerpendicularsCrossTheLegEndsFiveRadiiEachWay)
{
    Chart chart(geo::CPosition(47.75, -122.75), geo::CPosition(47.35, -122.15), 800, 400);
    CRouteState state = StraightRoute(4, 2);
    state.overlays.arrivalCircles = false;
    state.overlays.deviationLimits = false;
    CRouteMonitoringLayers layers(state);
    // Legs end at waypoints 2, 3 and 4; waypoint 2's is the current one's.
    EXPECT_EQ(DrawLayer(layers.Static(MonitoringKind::Perpendiculars), chart).lines.size(), 2u);
    const Drawn moving = DrawLayer(layers.Current(), chart);
    ASSERT_EQ(moving.lines.size(), 1u);
    const auto& line = moving.lines[0];
    const geo::IntPoint at = chart.ClientPoint(state.waypoints[1].m_position);
    // East-west across a leg down the meridian, through the waypoint.
    EXPECT_NEAR(line.points[0].y, at.y, 1);
    EXPECT_NEAR(line.points[1].y, at.y, 1);
    EXPECT_NEAR((line.points[0].x + line.points[1].x) / 2.0, at.x, 1);
    // 2.5 nm either side: 2.5 minutes of longitude / cos(latitude).
    const double degrees = 2 * 2.5 / 60 / std::cos(47.65 * M_PI / 180);
    const geo::IntPoint east = chart.ClientPoint(geo::CPosition(47.65, kLon + degrees, 0.0, -1));
    EXPECT_NEAR(std::abs(line.points[1].x - line.points[0].x), east.x - at.x, 2);
}

TEST(RouteMonitoringLayerTest, LimitsOfDeviationAreDashedBesideTheLegsAroundTheCurrent)
{
    Chart chart(geo::CPosition(47.75, -122.75), geo::CPosition(47.35, -122.15), 800, 400);
    CRouteState state = StraightRoute(7, 3);
    state.overlays.arrivalCircles = false;
    state.overlays.perpendiculars = false;
    CRouteMonitoringLayers layers(state);
    // Legs from waypoints 1..6; those from 2 to 5 move with the current waypoint.
    const Drawn fixed = DrawLayer(layers.Static(MonitoringKind::DeviationLimits), chart);
    const Drawn moving = DrawLayer(layers.Current(), chart);
    ASSERT_EQ(fixed.lines.size(), 4u);
    ASSERT_EQ(moving.lines.size(), 8u);
    const geo::IntPoint track = chart.ClientPoint(state.waypoints[0].m_position);
    const double degrees = 0.25 / 60 / std::cos(47.6 * M_PI / 180);
    const geo::IntPoint off = chart.ClientPoint(geo::CPosition(47.6, kLon + degrees, 0.0, -1));
    for (const auto& line : moving.lines) {
        EXPECT_EQ(line.pen.style, chart::PenStyle::Dash);
        // Parallel to the meridian, a quarter mile either side.
        EXPECT_NEAR(line.points[0].x, line.points[1].x, 1);
        EXPECT_NEAR(std::abs(line.points[0].x - track.x), off.x - track.x, 1);
    }
}

TEST(RouteMonitoringLayerTest, SwitchesAndRecordsDecideWhatIsOn)
{
    CRouteState state = StraightRoute(3, 1);
    CRouteMonitoringLayers layers(state);
    EXPECT_TRUE(layers.Static(MonitoringKind::DeviationLimits).IsOn());
    state.monitoring.deviationLimitOn = false;   // no limit, nothing to draw
    EXPECT_FALSE(layers.Static(MonitoringKind::DeviationLimits).IsOn());
    state.overlays.arrivalCircles = false;
    EXPECT_FALSE(layers.Static(MonitoringKind::ArrivalCircles).IsOn());
    EXPECT_TRUE(layers.Current().IsOn());   // the perpendiculars still are
    state.activeIndex = 0;
    EXPECT_FALSE(layers.Current().IsOn());
    state.hasRoute = false;
    EXPECT_FALSE(layers.Static(MonitoringKind::Perpendiculars).IsOn());
}

TEST(RouteMonitoringLayerTest, AFrameAfterTheRouteOrDistancesChangedMatchesAFreshOne)
{
    Chart chart(geo::CPosition(47.75, -122.75), geo::CPosition(47.35, -122.15), 800, 400);
    CRouteState state = StraightRoute(5, 2);
    CRouteMonitoringLayers kept(state);
    const auto all = [&chart](CRouteMonitoringLayers& layers) {
        std::vector<std::vector<geo::IntPoint>> shapes;
        for (chart::CLayerSource* layer :
             {&layers.Static(MonitoringKind::ArrivalCircles),
              &layers.Static(MonitoringKind::Perpendiculars),
              &layers.Static(MonitoringKind::DeviationLimits), &layers.Current()}) {
            const Drawn drawn = DrawLayer(*layer, chart);
            for (const auto* records : {&drawn.arcs, &drawn.lines})
                for (const chart::DrawRecord& r : *records)
                    shapes.push_back(r.points);
        }
        return shapes;
    };
    const auto before = all(kept);
    // Waypoint 3 moves about a mile east; then the radius and the limit change.
    state.waypoints[2].m_position = geo::CPosition(47.60, kLon + 1.0 / 40, 0.0, -1);
    const auto moved = all(kept);
    CRouteMonitoringLayers fresh(state);
    EXPECT_EQ(moved, all(fresh));
    EXPECT_NE(moved, before);
    state.monitoring.arrivalRadiusNm = 0.3;
    state.monitoring.deviationLimitNm = 0.4;
    const auto after = all(kept);
    CRouteMonitoringLayers again(state);
    EXPECT_EQ(after, all(again));
    EXPECT_NE(after, moved);
    // Drawn again unchanged, the kept answers give the same picture.
    EXPECT_EQ(all(kept), after);
}

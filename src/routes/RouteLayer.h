#pragma once
// One chart view's drawing of the current route: the legs and waypoint
// symbols as a static layer, rebuilt from the route state at every change
// notice, and the active part in the dynamic layer above them: the current
// waypoint with its number and name, its arrival time, and the legs from the
// waypoint before it and to the one after it with their arrows, courses,
// distance-to-run marks and the speed made good towards it. The static layer
// passes the current waypoint and those two legs by. While the current
// waypoint is dragged it draws at the pointer with its two legs following
// straight. A paint only draws the lists; it never walks the tables.

#include "chart/ChartViewPipeline.h"
#include "chart/overlays/SelectedRoute.h"
#include "routes/RouteMonitoringLayer.h"
#include "routes/RouteServices.h"
#include "routes/RouteViews.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace routes {

class CRouteViewLayer final : public CRouteListener {
public:
    // `invalidate` asks the view to redraw its overlays.
    CRouteViewLayer(chart::CChartDoc& doc, CRouteViews& views, const CRouteState& state,
                    std::function<void()> invalidate = {});

    // The module's change notice: every code rebuilds the list (a route is
    // read whole after each change) and redraws.
    void OnRouteChange(int hint) override;
    void Rebuild();

    chart::CLayerSource& StaticSource() { return m_static; }
    chart::CLayerSource& CurrentSource() { return m_current; }
    // The arrival circles, perpendiculars and limits of deviation of the route.
    CRouteMonitoringLayers& Monitoring() { return m_monitoring; }

    // The number (from 1) of the waypoint under a client point: the current
    // one first, then in route order; none when hidden or nothing is hit.
    std::optional<int> FindAt(geo::IntPoint point);
    std::size_t Count() { return m_route.Waypoints().size(); }
    // While the current waypoint is dragged it draws at the pointer.
    void SetDragPoint(std::optional<geo::IntPoint> point);
    bool IsShown() const;

    // The view whose waypoint counters the route keeps: every rebuild counts
    // the waypoints on the chart, and the chart's "cannot be referenced"
    // message follows them.
    void SetReferenceCounting(chart::CChartViewPipeline* pipeline)
    {
        m_pipeline = pipeline;
        Rebuild();
    }

    // The own vessel while it is displayed (none otherwise) and the clock the
    // speed made good is timed by.
    using Clock = std::chrono::steady_clock;
    void SetOwnVessel(std::function<std::optional<geo::CPosition>()> own,
                      std::function<Clock::time_point()> now = Clock::now)
    {
        m_ownVessel = std::move(own);
        m_now = std::move(now);
    }
    // The current waypoint's label: its number, then a blank and its name,
    // as the settings show them.
    static std::string CurrentLabel(const chart::CWaypointProperties& props, int number,
                                    const std::string& name);

private:
    class StaticLayer final : public chart::CLayerSource {
    public:
        explicit StaticLayer(CRouteViewLayer& owner) : m_owner(owner) { }
        bool IsOn() const override { return m_owner.IsShown(); }
        void Draw(chart::CChartDoc& doc, chart::CXDC& dc) override;

    private:
        CRouteViewLayer& m_owner;
    };
    class CurrentLayer final : public chart::CLayerSource {
    public:
        explicit CurrentLayer(CRouteViewLayer& owner) : m_owner(owner) { }
        bool IsOn() const override;
        void Draw(chart::CChartDoc& doc, chart::CXDC& dc) override;

    private:
        CRouteViewLayer& m_owner;
    };

    chart::COverlayWaypoint* Current() const;
    // The waypoint overlay numbered `number`, none past either end.
    chart::COverlayWaypoint* Numbered(int number) const;
    // The current waypoint where it is, its labels and its two legs.
    void DrawActivePart(chart::CChartDoc& doc, chart::CXDC& dc, chart::COverlayWaypoint& wp);
    // The speed made good towards the current waypoint since the vessel was
    // first seen with it current, in knots with one decimal ("12.0kn"), which
    // joins the course of the leg into the waypoint; empty while it is not
    // known, within the first 5 s or when the vessel drew away.
    std::string SpeedMadeGood(chart::CChartDoc& doc, const chart::COverlayWaypoint& wp);

    chart::CChartDoc& m_doc;
    CRouteViews& m_views;
    const CRouteState& m_state;
    std::function<void()> m_invalidate;
    mutable chart::CSelectedRoute m_route;   // read by the const tests of the layer switches
    std::optional<geo::IntPoint> m_dragPoint;
    chart::CChartViewPipeline* m_pipeline = nullptr;
    std::function<std::optional<geo::CPosition>()> m_ownVessel;
    std::function<Clock::time_point()> m_now = Clock::now;
    // A position of the vessel and when it was first seen there: a fix is
    // timed by its arrival, not by the paints that show it again.
    struct SeenFix {
        geo::CPosition position;
        Clock::time_point time;
    };
    // The fix the vessel was at when this waypoint was first seen current,
    // and the vessel's latest fix.
    int m_speedWaypoint = 0;
    std::optional<SeenFix> m_speedFrom;
    std::optional<SeenFix> m_lastFix;
    StaticLayer m_static{*this};
    CurrentLayer m_current{*this};
    CRouteMonitoringLayers m_monitoring{m_state};
};

}   // namespace routes

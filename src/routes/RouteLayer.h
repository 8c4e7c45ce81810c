#pragma once
// One chart view's drawing of the current route: the legs and waypoint
// symbols as a static layer, rebuilt from the route state at every change
// notice, and the current waypoint in the dynamic layer above them (at the
// pointer while it is dragged, with its two legs following). A paint only
// draws the lists; it never walks the tables.

#include "chart/ChartViewPipeline.h"
#include "chart/overlays/SelectedRoute.h"
#include "routes/RouteMonitoringLayer.h"
#include "routes/RouteServices.h"
#include "routes/RouteViews.h"

#include <functional>
#include <optional>

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

    chart::CChartDoc& m_doc;
    CRouteViews& m_views;
    const CRouteState& m_state;
    std::function<void()> m_invalidate;
    mutable chart::CSelectedRoute m_route;   // read by the const tests of the layer switches
    std::optional<geo::IntPoint> m_dragPoint;
    StaticLayer m_static{*this};
    CurrentLayer m_current{*this};
    CRouteMonitoringLayers m_monitoring{m_state};
};

}   // namespace routes

#pragma once
// One chart view's drawing of the route monitoring: arrival circles of the
// monitoring radius round the waypoints, perpendiculars across each leg's
// end reaching five radii to either side, and the limits of deviation beside
// the legs. The current waypoint's circle and perpendicular and the limits
// of the legs round it move with the navigation, so they are the dynamic
// layer's; the static layers draw the rest. Drawing reads the route state
// only, never the tables.

#include "chart/ChartViewPipeline.h"
#include "routes/RouteViews.h"

namespace routes {

enum class MonitoringKind { ArrivalCircles, Perpendiculars, DeviationLimits };

// Whether waypoint `number` (from 1) draws `kind` in the dynamic layer with
// waypoint `current` current: its own circle, the perpendicular of the leg
// ending there, the limits of the legs starting at current-1 to current+2.
bool IsCurrentMonitoring(MonitoringKind kind, int number, int current);

class CRouteMonitoringLayers {
public:
    explicit CRouteMonitoringLayers(const CRouteState& state);

    chart::CLayerSource& Static(MonitoringKind kind) { return m_static[int(kind)]; }
    chart::CLayerSource& Current() { return m_current; }
    // Hands the four layers to a view's pipeline.
    void Attach(chart::CChartViewPipeline& pipeline);
    void Detach(chart::CChartViewPipeline& pipeline);

private:
    class Layer final : public chart::CLayerSource {
    public:
        Layer(CRouteMonitoringLayers& owner, MonitoringKind kind, bool current)
            : m_owner(owner), m_kind(kind), m_current(current)
        { }
        bool IsOn() const override;
        void Draw(chart::CChartDoc& doc, chart::CXDC& dc) override;

    private:
        CRouteMonitoringLayers& m_owner;
        MonitoringKind m_kind;
        bool m_current;   // the dynamic layer draws all three kinds
    };

    bool IsOn(MonitoringKind kind) const;
    void DrawKind(chart::CChartDoc& doc, chart::CXDC& dc, MonitoringKind kind, bool current);

    const CRouteState& m_state;
    Layer m_static[3] = {{*this, MonitoringKind::ArrivalCircles, false},
                         {*this, MonitoringKind::Perpendiculars, false},
                         {*this, MonitoringKind::DeviationLimits, false}};
    Layer m_current{*this, MonitoringKind::ArrivalCircles, true};
};

}   // namespace routes

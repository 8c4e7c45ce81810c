#pragma once
// One chart view's drawing of the route monitoring: arrival circles of the
// monitoring radius round the waypoints, perpendiculars across each leg's
// end reaching five radii to either side, and the limits of deviation beside
// the legs. The current waypoint's circle and perpendicular and the limits
// of the legs round it move with the navigation, so they are the dynamic
// layer's; the static layers draw the rest. Drawing reads the route state
// only, never the tables, and keeps the positions it works out from one
// frame to the next while the route and the distances stay the same.

#include "chart/ChartViewPipeline.h"
#include "routes/RouteViews.h"

#include <vector>

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

    // Positions square to a leg (from `from` to `to`) at `to`, `distance` nm
    // to either side, kept with what they were worked out from.
    struct Across {
        bool known = false;
        geo::CPosition from, to;
        double distance = 0;
        bool ok = false;
        geo::CPosition left, right;
    };
    // The northern and southern points of a circle round `centre`.
    struct CircleEnds {
        bool known = false;
        geo::CPosition centre;
        double range = 0;
        bool ok = false;
        geo::CPosition north, south;
    };
    // Each kept answer is worked out again only when what it came from
    // changed, so a frame of an unchanged route (a pan, a zoom) only
    // projects and draws.
    static const Across& AcrossAt(std::vector<Across>& kept, std::size_t index, double distance,
                                  const geo::CPosition& from, const geo::CPosition& to);
    const CircleEnds& CircleAt(std::size_t index, double range, const geo::CPosition& centre);

    bool IsOn(MonitoringKind kind) const;
    void DrawKind(chart::CChartDoc& doc, chart::CXDC& dc, MonitoringKind kind, bool current);

    const CRouteState& m_state;
    std::vector<CircleEnds> m_circles;   // by waypoint, from 0
    std::vector<Across> m_perpendiculars;   // by the waypoint the leg ends at
    std::vector<Across> m_limitEnds;   // by the waypoint the leg starts at
    std::vector<Across> m_limitStarts;
    Layer m_static[3] = {{*this, MonitoringKind::ArrivalCircles, false},
                         {*this, MonitoringKind::Perpendiculars, false},
                         {*this, MonitoringKind::DeviationLimits, false}};
    Layer m_current{*this, MonitoringKind::ArrivalCircles, true};
};

}   // namespace routes

#include "routes/RouteMonitoringLayer.h"

#include "chart/ChartDoc.h"
#include "chart/draw/XDC.h"
#include "chart/overlays/OverlayLine.h"
#include "chart/overlays/OverlayPoint.h"

namespace routes {

namespace {

// Perpendiculars reach this many arrival radii to either side of the waypoint.
constexpr double kPerpendicularRadii = 5.0;

const chart::CLineProperties& PenOf(const CMonitoringOverlays& o, MonitoringKind kind)
{
    switch (kind) {
    case MonitoringKind::ArrivalCircles: return o.arrivalLine;
    case MonitoringKind::Perpendiculars: return o.perpendicularLine;
    case MonitoringKind::DeviationLimits: break;
    }
    return o.limitLine;
}

// A rhumb line between two positions, cut where the chart cuts lines.
void DrawRhumb(chart::CChartDoc& doc, chart::CXDC& dc, const geo::CPosition& a,
               const geo::CPosition& b)
{
    chart::COverlayLine line;
    line.SetOwner(&doc);
    line.DrawSegment(dc, a, b);
}

}   // namespace

bool IsCurrentMonitoring(MonitoringKind kind, int number, int current)
{
    if (current < 1)
        return false;
    if (kind == MonitoringKind::DeviationLimits)
        return number >= current - 1 && number <= current + 2;
    return number == current;
}

CRouteMonitoringLayers::CRouteMonitoringLayers(const CRouteState& state) : m_state(state) { }

const CRouteMonitoringLayers::Across& CRouteMonitoringLayers::AcrossAt(std::vector<Across>& kept,
                                                                       std::size_t index,
                                                                       double distance,
                                                                       const geo::CPosition& from,
                                                                       const geo::CPosition& to)
{
    if (kept.size() <= index)
        kept.resize(index + 1);
    Across& a = kept[index];
    if (!a.known || a.distance != distance || !(a.from == from) || !(a.to == to)) {
        a.known = true;
        a.from = from;
        a.to = to;
        a.distance = distance;
        a.ok = chart::PerpendicularPositions(distance, from, to, a.left, a.right);
    }
    return a;
}

const CRouteMonitoringLayers::CircleEnds& CRouteMonitoringLayers::CircleAt(
    std::size_t index, double range, const geo::CPosition& centre)
{
    if (m_circles.size() <= index)
        m_circles.resize(index + 1);
    CircleEnds& c = m_circles[index];
    if (!c.known || c.range != range || !(c.centre == centre)) {
        c.known = true;
        c.centre = centre;
        c.range = range;
        c.ok = chart::RangeCircleEnds(centre, range, c.north, c.south);
    }
    return c;
}

void CRouteMonitoringLayers::Attach(chart::CChartViewPipeline& pipeline)
{
    pipeline.SetSource(chart::StaticLayer::ArrivalCircles, &Static(MonitoringKind::ArrivalCircles));
    pipeline.SetSource(chart::StaticLayer::Perpendiculars, &Static(MonitoringKind::Perpendiculars));
    pipeline.SetSource(chart::StaticLayer::DeviationLimits,
                       &Static(MonitoringKind::DeviationLimits));
    pipeline.SetSource(chart::DynamicLayer::CurrentRouteMonitoring, &m_current);
}

void CRouteMonitoringLayers::Detach(chart::CChartViewPipeline& pipeline)
{
    pipeline.SetSource(chart::StaticLayer::ArrivalCircles, nullptr);
    pipeline.SetSource(chart::StaticLayer::Perpendiculars, nullptr);
    pipeline.SetSource(chart::StaticLayer::DeviationLimits, nullptr);
    pipeline.SetSource(chart::DynamicLayer::CurrentRouteMonitoring, nullptr);
}

bool CRouteMonitoringLayers::IsOn(MonitoringKind kind) const
{
    if (!m_state.hasRoute || m_state.waypoints.empty())
        return false;
    const CMonitoringOverlays& o = m_state.overlays;
    const CMonitoringRecord& m = m_state.monitoring;
    switch (kind) {
    case MonitoringKind::ArrivalCircles: return o.arrivalCircles && m.arrivalRadiusNm > 0;
    case MonitoringKind::Perpendiculars:
        return o.perpendiculars && m.arrivalRadiusNm > 0 && m_state.waypoints.size() > 1;
    case MonitoringKind::DeviationLimits:
        return o.deviationLimits && m.deviationLimitOn && m.deviationLimitNm > 0 &&
               m_state.waypoints.size() > 1;
    }
    return false;
}

bool CRouteMonitoringLayers::Layer::IsOn() const
{
    if (!m_current)
        return m_owner.IsOn(m_kind);
    return m_owner.m_state.activeIndex >= 1 && (m_owner.IsOn(MonitoringKind::ArrivalCircles) ||
                                                m_owner.IsOn(MonitoringKind::Perpendiculars) ||
                                                m_owner.IsOn(MonitoringKind::DeviationLimits));
}

void CRouteMonitoringLayers::Layer::Draw(chart::CChartDoc& doc, chart::CXDC& dc)
{
    if (!m_current) {
        m_owner.DrawKind(doc, dc, m_kind, false);
        return;
    }
    for (MonitoringKind kind : {MonitoringKind::ArrivalCircles, MonitoringKind::Perpendiculars,
                                MonitoringKind::DeviationLimits})
        if (m_owner.IsOn(kind))
            m_owner.DrawKind(doc, dc, kind, true);
}

void CRouteMonitoringLayers::DrawKind(chart::CChartDoc& doc, chart::CXDC& dc, MonitoringKind kind,
                                      bool current)
{
    const std::vector<CWaypoint>& points = m_state.waypoints;
    const int count = int(points.size());
    const int active = m_state.activeIndex;
    const chart::CLineProperties& props = PenOf(m_state.overlays, kind);
    // Limits are dashed over whatever lies beneath; circles and perpendiculars solid.
    const bool dashed = kind == MonitoringKind::DeviationLimits;
    chart::CSelPen pen(dc, chart::Pen{dashed ? chart::PenStyle::Dash : chart::PenStyle::Solid,
                                      props.GetWidth(), props.GetColour()});
    chart::CSelBrush hollow(dc, chart::Brush{chart::BrushStyle::Hollow, props.GetColour()});
    const double radius = m_state.monitoring.arrivalRadiusNm;
    const double limit = m_state.monitoring.deviationLimitNm;
    for (int number = 1; number <= count; ++number) {
        if (IsCurrentMonitoring(kind, number, active) != current)
            continue;
        const auto at = std::size_t(number - 1);
        const geo::CPosition& here = points[at].m_position;
        switch (kind) {
        case MonitoringKind::ArrivalCircles: {
            // Round the waypoint as the chart's datum has it.
            geo::CPosition centre;
            doc.ShiftToChartDatum(here, centre);
            const CircleEnds& c = CircleAt(at, radius, centre);
            if (c.ok)
                doc.DrawEllipse(dc, c.north, c.south);
            break;
        }
        case MonitoringKind::Perpendiculars: {
            // Across the end of the leg arriving here.
            if (number < 2)
                break;
            const Across& a = AcrossAt(m_perpendiculars, at, kPerpendicularRadii * radius,
                                       points[at - 1].m_position, here);
            if (a.ok)
                DrawRhumb(doc, dc, a.left, a.right);
            break;
        }
        case MonitoringKind::DeviationLimits: {
            // Beside the leg leaving here, at the limit on either side.
            if (number >= count)
                break;
            const geo::CPosition& next = points[at + 1].m_position;
            // Square to the leg at its end, then at its start seen backwards
            // (so that start's left is the backward view's right).
            const Across& end = AcrossAt(m_limitEnds, at, limit, here, next);
            const Across& start = AcrossAt(m_limitStarts, at, limit, next, here);
            if (end.ok && start.ok) {
                DrawRhumb(doc, dc, start.right, end.left);
                DrawRhumb(doc, dc, start.left, end.right);
            }
            break;
        }
        }
    }
}

}   // namespace routes

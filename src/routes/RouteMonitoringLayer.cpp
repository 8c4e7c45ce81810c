#include "routes/RouteMonitoringLayer.h"

#include "chart/ChartDoc.h"
#include "chart/draw/XDC.h"
#include "chart/overlays/OverlayLine.h"

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
    chart::COverlayLine circle;
    circle.SetOwner(&doc);
    for (int number = 1; number <= count; ++number) {
        if (IsCurrentMonitoring(kind, number, active) != current)
            continue;
        const geo::CPosition& here = points[std::size_t(number - 1)].m_position;
        switch (kind) {
        case MonitoringKind::ArrivalCircles:
            circle.SetPosition(here);
            circle.DrawRangeCircle(dc, radius);
            break;
        case MonitoringKind::Perpendiculars: {
            // Across the end of the leg arriving here.
            if (number < 2)
                break;
            geo::CPosition left, right;
            if (chart::PerpendicularPositions(kPerpendicularRadii * radius,
                                              points[std::size_t(number - 2)].m_position, here,
                                              left, right))
                DrawRhumb(doc, dc, left, right);
            break;
        }
        case MonitoringKind::DeviationLimits: {
            // Beside the leg leaving here, at the limit on either side.
            if (number >= count)
                break;
            const geo::CPosition& next = points[std::size_t(number)].m_position;
            geo::CPosition endLeft, endRight, startLeft, startRight;
            // Square to the leg at its end, then at its start seen backwards
            // (so that start's left is the backward view's right).
            if (chart::PerpendicularPositions(limit, here, next, endLeft, endRight) &&
                chart::PerpendicularPositions(limit, next, here, startRight, startLeft)) {
                DrawRhumb(doc, dc, startLeft, endLeft);
                DrawRhumb(doc, dc, startRight, endRight);
            }
            break;
        }
        }
    }
}

}   // namespace routes

#include "routes/RouteLayer.h"

#include "chart/ChartDoc.h"
#include "chart/draw/XDC.h"
#include "chart/overlays/OverlayProperties.h"

namespace routes {

CRouteViewLayer::CRouteViewLayer(chart::CChartDoc& doc, CRouteViews& views,
                                 const CRouteState& state, std::function<void()> invalidate)
    : m_doc(doc), m_views(views), m_state(state), m_invalidate(std::move(invalidate)),
      m_route(&doc, &views)
{
    Rebuild();
}

void CRouteViewLayer::Rebuild()
{
    m_route.Waypoints().RemoveAll();
    if (!m_state.hasRoute)
        return;
    int number = 1;
    for (const CWaypoint& wp : m_state.waypoints) {
        auto overlay = std::make_unique<chart::COverlayWaypoint>();
        overlay->SetPositionAndId(wp.m_position, number);
        overlay->SetOwner(&m_doc);
        overlay->number = number;
        overlay->name = wp.m_name;
        overlay->legType = std::int32_t(OverlayLegFromLink(LinkFromWaypointLeg(wp.m_legType)));
        // The dragged waypoint's symbol and legs are the dynamic layer's.
        overlay->SetSelected(m_dragPoint && number == m_state.activeIndex);
        m_route.Waypoints().Add(std::move(overlay));
        ++number;
    }
}

void CRouteViewLayer::OnRouteChange(int /*hint*/)
{
    Rebuild();
    if (m_invalidate)
        m_invalidate();
}

bool CRouteViewLayer::IsShown() const
{
    return m_views.WaypointProperties().GetDraw() && m_state.hasRoute;
}

chart::COverlayWaypoint* CRouteViewLayer::Current() const
{
    const int active = m_state.activeIndex;
    int n = 1;
    for (const auto& wp : m_route.Waypoints())
        if (n++ == active)
            return wp.get();
    return nullptr;
}

void CRouteViewLayer::SetDragPoint(std::optional<geo::IntPoint> point)
{
    const bool changed = point.has_value() != m_dragPoint.has_value();
    m_dragPoint = point;
    if (changed)
        Rebuild();
}

std::optional<int> CRouteViewLayer::FindAt(geo::IntPoint point)
{
    if (!IsShown())
        return std::nullopt;
    chart::COverlayWaypoint* current = Current();
    if (current && current->HitTest(point))
        return current->number;
    for (const auto& wp : m_route.Waypoints())
        if (wp->HitTest(point))
            return wp->number;
    return std::nullopt;
}

void CRouteViewLayer::StaticLayer::Draw(chart::CChartDoc& /*doc*/, chart::CXDC& dc)
{
    m_owner.m_route.Draw(dc);
}

bool CRouteViewLayer::CurrentLayer::IsOn() const
{
    return m_owner.IsShown() && m_owner.Current() != nullptr;
}

void CRouteViewLayer::CurrentLayer::Draw(chart::CChartDoc& doc, chart::CXDC& dc)
{
    chart::COverlayWaypoint* wp = m_owner.Current();
    if (!wp)
        return;
    const chart::CWaypointProperties& props = m_owner.m_views.WaypointProperties();
    chart::PointList points;
    if (m_owner.m_dragPoint) {
        points.push_back(*m_owner.m_dragPoint);
        // The two legs follow the pointer, straight, in the route's pen.
        chart::CSelPen pen(dc, chart::Pen{chart::PenStyle::Solid, props.Line().GetWidth(),
                                          props.Line().GetColour()});
        const auto& list = m_owner.m_route.Waypoints();
        int n = 1;
        for (const auto& other : list) {
            const int gap = n++ - wp->number;
            if (gap != -1 && gap != 1)
                continue;
            // A neighbour beyond the chart's edge: the leg runs to that edge.
            geo::IntPoint end;
            if (doc.PositionToLinePoint(other->GetPosition(), end))
                doc.DrawLine(dc, end, points.front());
        }
    } else if (!doc.PositionToClientPoints(wp->GetPosition(), points)) {
        return;
    }
    chart::CSelPen pen(dc, chart::Pen{chart::PenStyle::Solid, 1, props.GetColour()});
    wp->SetSizeMode(props.GetSizeMode());
    wp->SetSelected(true);
    for (const geo::IntPoint& p : points) {
        wp->SetScreenPoint(p);
        wp->Draw(dc);
    }
    wp->SetSelected(m_owner.m_dragPoint.has_value());
}

}   // namespace routes

#include "routes/RouteLayer.h"

#include <cmath>

#include "app/DateTimeEx.h"
#include "app/StringUtils.h"
#include "chart/ChartDoc.h"
#include "chart/draw/XDC.h"
#include "chart/overlays/OverlayLine.h"
#include "chart/overlays/OverlayProperties.h"
#include "chart/overlays/OverlayText.h"
#include "geo/NavMaths.h"

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
    std::array<std::uint16_t, 3> counters{};
    static const std::vector<CWaypoint> none;
    int number = 1;
    for (const CWaypoint& wp : m_state.hasRoute ? m_state.waypoints : none) {
        auto overlay = std::make_unique<chart::COverlayWaypoint>();
        overlay->SetPositionAndId(wp.m_position, number);
        overlay->SetOwner(&m_doc);
        overlay->number = number;
        overlay->name = wp.m_name;
        overlay->legType = std::int32_t(OverlayLegFromLink(LinkFromWaypointLeg(wp.m_legType)));
        // The current waypoint, its symbol and its two legs are the dynamic
        // layer's; the static layer passes them by.
        overlay->SetSelected(number == m_state.activeIndex);
        chart::CReferenceCounters::CountAt(counters, m_doc, wp.m_position);
        m_route.Waypoints().Add(std::move(overlay));
        ++number;
    }
    // The view's waypoint counters and the message follow the route.
    if (m_pipeline) {
        m_pipeline->Counters().waypoints = counters;
        m_pipeline->UpdateReferenceMessages();
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
    return Numbered(m_state.activeIndex);
}

chart::COverlayWaypoint* CRouteViewLayer::Numbered(int number) const
{
    int n = 1;
    for (const auto& wp : m_route.Waypoints())
        if (n++ == number)
            return wp.get();
    return nullptr;
}

std::string CRouteViewLayer::CurrentLabel(const chart::CWaypointProperties& props, int number,
                                          const std::string& name)
{
    std::string label;
    if (props.drawNumber)
        label = std::to_string(number);
    if (props.drawName && !name.empty())
        label += " " + name;
    return label;
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
    if (!m_owner.m_dragPoint) {
        m_owner.DrawActivePart(doc, dc, *wp);
        return;
    }
    const chart::CWaypointProperties& props = m_owner.m_views.WaypointProperties();
    const geo::IntPoint at = *m_owner.m_dragPoint;
    {
        // The two legs follow the pointer, straight, in the route's pen.
        chart::CSelPen pen(dc, chart::Pen{chart::PenStyle::Solid, props.Line().GetWidth(),
                                          props.Line().GetColour()});
        for (const chart::COverlayWaypoint* other :
             {m_owner.Numbered(wp->number - 1), m_owner.Numbered(wp->number + 1)}) {
            // A neighbour beyond the chart's edge: the leg runs to that edge.
            geo::IntPoint end;
            if (other && doc.PositionToLinePoint(other->GetPosition(), end))
                doc.DrawLine(dc, end, at);
        }
    }
    chart::CSelPen pen(dc, chart::Pen{chart::PenStyle::Solid, 1, props.GetColour()});
    wp->SetSizeMode(props.GetSizeMode());
    wp->SetScreenPoint(at);
    wp->Draw(dc);
}

void CRouteViewLayer::DrawActivePart(chart::CChartDoc& doc, chart::CXDC& dc,
                                     chart::COverlayWaypoint& wp)
{
    const chart::CWaypointProperties& props = m_views.WaypointProperties();
    const chart::CRouteDrawSettings& settings = m_views.DrawSettings();
    // The waypoint, highlighted, and its two labels at every client point.
    chart::PointList points;
    if (doc.PositionToClientPoints(wp.GetPosition(), points)) {
        chart::COverlayText label(&props.Text().GetFont());
        label.textColour = props.Text().GetColour();
        label.placement = chart::kPlaceAbove;
        label.SetOwner(&doc);
        chart::COverlayText time(&props.Text().GetFont());
        time.textColour = props.Text().GetColour();
        time.frameStyle = chart::kFrameEllipse;
        time.placement = chart::kPlaceLowerRight;
        time.SetOwner(&doc);
        if (!m_state.waypoints.empty())
            label.text = CurrentLabel(props, wp.number, wp.name);
        app::CDateTimeEx eta;
        if (props.drawEta && m_views.GetArrivalTime(wp.number - 1, eta))
            time.text = eta.Format("%d/%H%M ");
        chart::CSelPen pen(dc, chart::Pen{chart::PenStyle::Solid, 1, props.GetColour()});
        wp.SetSizeMode(props.GetSizeMode());
        for (const geo::IntPoint& p : points) {
            wp.SetScreenPoint(p);
            wp.Draw(dc);
            for (chart::COverlayText* text : {&label, &time}) {
                if (!text->text.empty()) {
                    text->SetScreenPoint(p);
                    text->Draw(dc);
                }
            }
        }
    }
    // The legs from the waypoint before and to the one after, annotated as
    // the route's own; the distance to run counts down from the leg that ends
    // here, as the static layer counts it past these two legs.
    chart::COverlayLine line;
    line.SetOwner(&doc);
    line.SetRouteSource(&m_views);
    line.patternCode = props.Line().GetPatternFlag() ? 1 : 0;
    line.drawLegArrow = settings.drawLegArrow;
    line.drawCourse = settings.drawCourseAndSMG;
    line.distanceToRunInterval = settings.distanceToRunInterval;
    const chart::Pen legPen{chart::PenStyle::Solid, props.Line().GetWidth(),
                            props.Line().GetColour()};
    double toRun = 0, carried = 0;
    const bool distanceToRun =
        settings.drawDistanceToRun && m_route.GetRouteDistance(settings.applyToEntireRoute, toRun);
    if (distanceToRun)
        carried = chart::CSelectedRoute::InitialCarriedDistance(
            toRun, geo::ClampDistanceToRunInterval(settings.distanceToRunInterval));
    const chart::COverlayWaypoint* previous = Numbered(wp.number - 1);
    if (previous) {
        const std::string speed = SpeedMadeGood(doc, wp);
        line.SetLegType(previous->legType);
        line.SetSpeedMadeGood(speed);
        chart::CSelectedRoute::DrawLegWithMarks(doc, dc, line, legPen, previous->GetPosition(),
                                                wp.GetPosition(), distanceToRun, toRun, carried);
        line.SetSpeedMadeGood({});
    }
    if (const chart::COverlayWaypoint* next = Numbered(wp.number + 1)) {
        // Past the leg that ends here the count runs on only over the whole route.
        const bool marks = distanceToRun && (!previous || settings.applyToEntireRoute);
        line.SetLegType(wp.legType);
        chart::CSelectedRoute::DrawLegWithMarks(doc, dc, line, legPen, wp.GetPosition(),
                                                next->GetPosition(), marks, toRun, carried);
    }
}

std::string CRouteViewLayer::SpeedMadeGood(chart::CChartDoc& doc, const chart::COverlayWaypoint& wp)
{
    if (!m_views.DrawSettings().drawCourseAndSMG || !m_ownVessel)
        return {};
    const std::optional<geo::CPosition> own = m_ownVessel();
    if (!own || !own->IsValid())
        return {};
    if (!m_lastFix || chart::PositionsDiffer(m_lastFix->position, *own))
        m_lastFix = SeenFix{*own, m_now()};
    if (!m_speedFrom || m_speedWaypoint != wp.number) {
        m_speedWaypoint = wp.number;
        m_speedFrom = m_lastFix;
        return {};
    }
    // More than 5 whole seconds between the two fixes; the speed over the
    // time as it was.
    const Clock::duration elapsed = m_lastFix->time - m_speedFrom->time;
    if (std::chrono::duration_cast<std::chrono::seconds>(elapsed).count() <= 5)
        return {};
    const double hours = std::chrono::duration<double>(elapsed).count() / 3600.0;
    // Both ranges in the chart's datum, along the waypoint's kind of leg.
    geo::CPosition from, here, to;
    doc.ShiftToChartDatum(m_speedFrom->position, from);
    doc.ShiftToChartDatum(*own, here);
    doc.ShiftToChartDatum(wp.GetPosition(), to);
    const bool greatCircle = wp.legType == static_cast<std::int32_t>(chart::LegType::GreatCircle);
    double before = 0, left = 0, bearing = 0;
    const bool ok = greatCircle ? geo::GreatCircleRangeBearing(from, to, &before, &bearing) &&
                                      geo::GreatCircleRangeBearing(here, to, &left, &bearing)
                                : geo::RhumbRangeBearing(from, to, &before, &bearing, true) &&
                                      geo::RhumbRangeBearing(here, to, &left, &bearing, true);
    const double knots = (before - left) / hours;
    if (!ok || !std::isfinite(knots) || knots < 0)
        return {};
    return app::FormatDouble(knots, 1, 1) + "kn";
}

}   // namespace routes

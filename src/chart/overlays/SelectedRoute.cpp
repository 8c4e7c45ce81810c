#include "chart/overlays/SelectedRoute.h"

#include <cmath>

#include "app/DateTimeEx.h"
#include "chart/ChartDoc.h"
#include "chart/overlays/OverlayLine.h"
#include "chart/overlays/OverlayProperties.h"
#include "chart/overlays/OverlayText.h"
#include "geo/GreatCircle.h"
#include "geo/NavMaths.h"

namespace chart {

double CSelectedRoute::InitialCarriedDistance(double toRun, double interval)
{
    return (std::trunc(toRun / interval) + 1.0) * interval - toRun;
}

bool CSelectedRoute::LegDistance(const geo::CPosition& a, const geo::CPosition& b,
                                 std::int32_t legType, double& range) const
{
    double bearing = 0;
    if (legType != static_cast<std::int32_t>(LegType::GreatCircle))
        return geo::RhumbRangeBearing(a, b, &range, &bearing, true) && std::isfinite(range);
    const CGreatCircleSettings& gc = m_route->GreatCircleSettings();
    double limit = 90.0;
    geo::CPosition first, second;
    if ((gc.applyNorthLimit || gc.applySouthLimit) &&
        geo::GreatCircleVertex(a, b, gc.applyNorthLimit, gc.applySouthLimit, gc.northLimit,
                               gc.southLimit, &limit) &&
        geo::CompositeLimitPoints(a, b, limit, &range, &bearing, &first, &second))
        return std::isfinite(range);
    return geo::GreatCircleRangeBearing(a, b, &range, &bearing) && std::isfinite(range);
}

bool CSelectedRoute::GetRouteDistance(bool entireRoute, double& total) const
{
    std::vector<const COverlayWaypoint*> wps;
    for (const auto& w : m_waypoints)
        wps.push_back(w.get());
    std::size_t firstFlagged = wps.size();
    for (std::size_t i = 0; i < wps.size(); ++i) {
        if (wps[i]->IsSelected()) {
            firstFlagged = i;
            break;
        }
    }
    if (firstFlagged == wps.size() || wps.size() < 2)
        return false;
    // Leg i runs from waypoint i - 1 to waypoint i.
    const std::size_t firstLeg = firstFlagged == 0 ? 1 : firstFlagged;
    const std::size_t lastLeg = entireRoute ? wps.size() - 1 : firstLeg;
    total = 0;
    for (std::size_t leg = firstLeg; leg <= lastLeg; ++leg) {
        double range = 0;
        if (!LegDistance(wps[leg - 1]->GetPosition(), wps[leg]->GetPosition(),
                         wps[leg - 1]->legType, range))
            return false;
        total += range;
    }
    return true;
}

void CSelectedRoute::Draw(CXDC& dc)
{
    if (!m_owner || !m_route)
        return;
    const CWaypointProperties& props = m_route->WaypointProperties();
    const CRouteDrawSettings& settings = m_route->DrawSettings();
    const Pen symbolPen{PenStyle::Solid, 1, props.GetColour()};
    const Pen legPen{PenStyle::Solid, props.Line().GetWidth(), props.Line().GetColour()};

    COverlayText label(&props.Text().GetFont());
    label.textColour = props.Text().GetColour();
    label.placement = kPlaceAbove;
    label.SetOwner(m_owner);
    COverlayText etaLabel(&props.Text().GetFont());
    etaLabel.textColour = props.Text().GetColour();
    etaLabel.frameStyle = kFrameEllipse;
    etaLabel.placement = kPlaceLowerRight;
    etaLabel.SetOwner(m_owner);

    COverlayLine line;
    line.SetOwner(m_owner);
    line.SetRouteSource(m_route);
    line.patternCode = props.Line().GetPatternFlag() ? 1 : 0;
    line.drawLegArrow = settings.drawLegArrow;
    line.drawCourse = settings.drawCourseAndSMG;
    line.distanceToRunInterval = settings.distanceToRunInterval;

    bool distanceToRun = settings.drawDistanceToRun;
    double toRun = 0, carried = 0;
    if (distanceToRun) {
        const double interval = geo::ClampDistanceToRunInterval(settings.distanceToRunInterval);
        distanceToRun = GetRouteDistance(settings.applyToEntireRoute, toRun);
        carried = InitialCarriedDistance(toRun, interval);
    }
    const bool labelsAllowed = m_route->AreRouteTablesPositioned();

    geo::CPosition previous;
    std::int32_t legType = static_cast<std::int32_t>(LegType::RhumbLine);
    bool firstUnflagged = true;
    bool marksOn = false;
    bool first = true;
    PointList points, segments;
    for (const auto& wp : m_waypoints) {
        const geo::CPosition& here = wp->GetPosition();
        if (!first) {
            line.SetEnds(previous, here);
            line.SetLegType(legType);
        }
        bool drawSymbol = false;
        if (wp->IsSelected()) {
            if (distanceToRun && !first)
                line.DrawDistanceToRunMarks(false, dc, toRun, carried);
            if (distanceToRun && settings.applyToEntireRoute)
                marksOn = true;
            firstUnflagged = true;
        } else if (firstUnflagged) {
            firstUnflagged = false;
            if (marksOn && !first)
                line.DrawDistanceToRunMarks(false, dc, toRun, carried);
            drawSymbol = true;
        } else {
            {
                CSelPen pen(dc, legPen);
                line.Draw(dc);
            }
            double range = 0, bearing = 0;
            if (geo::RhumbRangeBearing(previous, here, &range, &bearing, true)) {
                segments.clear();   // the document appends
                m_owner->PositionsToSegments(previous, here, segments);
                for (std::size_t i = 0; i + 1 < segments.size(); i += 2) {
                    const IntPoint a = segments[i], b = segments[i + 1];
                    if (a != b)
                        line.DrawLegMarks(dc, bearing, {(a.x + b.x) / 2, (a.y + b.y) / 2});
                }
            }
            if (marksOn)
                line.DrawDistanceToRunMarks(true, dc, toRun, carried);
            drawSymbol = true;
        }
        if (drawSymbol && m_owner->PositionToClientPoints(here, points)) {
            label.text.clear();
            etaLabel.text.clear();
            if (labelsAllowed) {
                const bool showName = props.drawName && !wp->name.empty();
                if (props.drawNumber || showName) {
                    label.text = props.GetLabelPrefix();
                    if (props.drawNumber)
                        label.text += std::to_string(wp->number);
                    if (showName)
                        label.text += " " + wp->name;
                }
                CDateTimeEx eta;
                if (props.drawEta && m_route->GetArrivalTime(wp->number - 1, eta))
                    etaLabel.text = eta.Format("%d/%H%M ");
            }
            CSelPen pen(dc, symbolPen);
            wp->SetSizeMode(props.GetSizeMode());
            for (const IntPoint& p : points) {
                wp->SetScreenPoint(p);
                wp->Draw(dc);
                if (!label.text.empty()) {
                    label.SetScreenPoint(p);
                    label.Draw(dc);
                }
                if (!etaLabel.text.empty()) {
                    etaLabel.SetScreenPoint(p);
                    etaLabel.Draw(dc);
                }
            }
        }
        previous = here;
        legType = wp->legType;
        first = false;
    }
}

}   // namespace chart

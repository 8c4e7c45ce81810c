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

struct CSelectedRoute::DrawPass {
    DrawPass(CChartDoc* owner, const CRouteOverlaySource& route)
        : props(route.WaypointProperties()),
          settings(route.DrawSettings()), symbolPen{PenStyle::Solid, 1, props.GetColour()},
          legPen{PenStyle::Solid, props.Line().GetWidth(), props.Line().GetColour()},
          label(&props.Text().GetFont()), etaLabel(&props.Text().GetFont()),
          labelsAllowed(route.AreRouteTablesPositioned())
    {
        label.textColour = props.Text().GetColour();
        label.placement = kPlaceAbove;
        label.SetOwner(owner);
        etaLabel.textColour = props.Text().GetColour();
        etaLabel.frameStyle = kFrameEllipse;
        etaLabel.placement = kPlaceLowerRight;
        etaLabel.SetOwner(owner);

        line.SetOwner(owner);
        line.SetRouteSource(&route);
        line.patternCode = props.Line().GetPatternFlag() ? 1 : 0;
        line.drawLegArrow = settings.drawLegArrow;
        line.drawCourse = settings.drawCourseAndSMG;
        line.distanceToRunInterval = settings.distanceToRunInterval;
    }

    const CWaypointProperties& props;
    const CRouteDrawSettings& settings;
    const Pen symbolPen;
    const Pen legPen;
    COverlayText label;
    COverlayText etaLabel;
    COverlayLine line;
    const bool labelsAllowed;

    // Distance to run: drawn at all, the distance left and the part of an
    // interval carried to the next mark; marksOn once the countdown started.
    bool distanceToRun = false;
    double toRun = 0;
    double carried = 0;
    bool marksOn = false;

    // The waypoint before the one being drawn and the type of its leg.
    geo::CPosition previous;
    std::int32_t legType = static_cast<std::int32_t>(LegType::RhumbLine);
    bool first = true;
    bool firstUnflagged = true;
    PointList points;
};

void CSelectedRoute::Draw(CXDC& dc)
{
    if (!m_owner || !m_route)
        return;
    DrawPass pass(m_owner, *m_route);
    StartDistanceToRun(pass);
    for (const auto& wp : m_waypoints) {
        if (DrawLegTo(dc, pass, *wp))
            DrawWaypoint(dc, pass, *wp);
        pass.previous = wp->GetPosition();
        pass.legType = wp->legType;
        pass.first = false;
    }
}

void CSelectedRoute::StartDistanceToRun(DrawPass& pass) const
{
    pass.distanceToRun = pass.settings.drawDistanceToRun;
    if (!pass.distanceToRun)
        return;
    const double interval = geo::ClampDistanceToRunInterval(pass.settings.distanceToRunInterval);
    pass.distanceToRun = GetRouteDistance(pass.settings.applyToEntireRoute, pass.toRun);
    pass.carried = InitialCarriedDistance(pass.toRun, interval);
}

bool CSelectedRoute::DrawLegTo(CXDC& dc, DrawPass& pass, const COverlayWaypoint& wp) const
{
    const geo::CPosition& here = wp.GetPosition();
    if (!pass.first) {
        pass.line.SetEnds(pass.previous, here);
        pass.line.SetLegType(pass.legType);
    }
    if (wp.IsSelected()) {
        // A flagged leg only counts down the distance to run.
        if (pass.distanceToRun && !pass.first)
            pass.line.DrawDistanceToRunMarks(false, dc, pass.toRun, pass.carried);
        if (pass.distanceToRun && pass.settings.applyToEntireRoute)
            pass.marksOn = true;
        pass.firstUnflagged = true;
        return false;
    }
    if (pass.firstUnflagged) {
        // The first waypoint after flagged ones starts the drawn legs.
        pass.firstUnflagged = false;
        if (pass.marksOn && !pass.first)
            pass.line.DrawDistanceToRunMarks(false, dc, pass.toRun, pass.carried);
        return true;
    }
    DrawLeg(dc, pass, here);
    return true;
}

void CSelectedRoute::DrawLeg(CXDC& dc, DrawPass& pass, const geo::CPosition& here) const
{
    DrawLegWithMarks(*m_owner, dc, pass.line, pass.legPen, pass.previous, here, pass.marksOn,
                     pass.toRun, pass.carried);
}

void CSelectedRoute::DrawLegWithMarks(CChartDoc& doc, CXDC& dc, COverlayLine& line, const Pen& pen,
                                      const geo::CPosition& from, const geo::CPosition& to,
                                      bool marks, double& toRun, double& carried)
{
    line.SetEnds(from, to);
    {
        CSelPen selected(dc, pen);
        line.Draw(dc);
    }
    double range = 0, bearing = 0;
    if (geo::RhumbRangeBearing(from, to, &range, &bearing, true)) {
        PointList segments;
        doc.PositionsToSegments(from, to, segments);
        for (std::size_t i = 0; i + 1 < segments.size(); i += 2) {
            const IntPoint a = segments[i], b = segments[i + 1];
            if (a != b)
                line.DrawLegMarks(dc, bearing, {(a.x + b.x) / 2, (a.y + b.y) / 2});
        }
    }
    if (marks)
        line.DrawDistanceToRunMarks(true, dc, toRun, carried);
}

void CSelectedRoute::SetLabelTexts(DrawPass& pass, const COverlayWaypoint& wp) const
{
    pass.label.text.clear();
    pass.etaLabel.text.clear();
    if (!pass.labelsAllowed)
        return;
    const CWaypointProperties& props = pass.props;
    const bool showName = props.drawName && !wp.name.empty();
    if (props.drawNumber || showName) {
        pass.label.text = props.GetLabelPrefix();
        if (props.drawNumber)
            pass.label.text += std::to_string(wp.number);
        if (showName)
            pass.label.text += " " + wp.name;
    }
    app::CDateTimeEx eta;
    if (props.drawEta && m_route->GetArrivalTime(wp.number - 1, eta))
        pass.etaLabel.text = eta.Format("%d/%H%M ");
}

void CSelectedRoute::DrawWaypoint(CXDC& dc, DrawPass& pass, COverlayWaypoint& wp) const
{
    if (!m_owner->PositionToClientPoints(wp.GetPosition(), pass.points))
        return;
    SetLabelTexts(pass, wp);
    CSelPen pen(dc, pass.symbolPen);
    wp.SetSizeMode(pass.props.GetSizeMode());
    for (const IntPoint& p : pass.points) {
        wp.SetScreenPoint(p);
        wp.Draw(dc);
        if (!pass.label.text.empty()) {
            pass.label.SetScreenPoint(p);
            pass.label.Draw(dc);
        }
        if (!pass.etaLabel.text.empty()) {
            pass.etaLabel.SetScreenPoint(p);
            pass.etaLabel.Draw(dc);
        }
    }
}

}   // namespace chart

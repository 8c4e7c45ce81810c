#pragma once
// The selected route on the chart: its legs with their marks, waypoint
// symbols with number, name and arrival-time labels, and distance-to-run
// marks counted down to the destination.

#include "chart/overlays/ChartObject.h"
#include "chart/overlays/ObjectLists.h"
#include "chart/overlays/OverlayPoint.h"
#include "chart/overlays/OverlayServices.h"

namespace chart {

class COverlayLine;

class CSelectedRoute : public CChartObject {
public:
    CSelectedRoute(CChartDoc* owner, const CRouteOverlaySource* route)
        : CChartObject(owner), m_route(route)
    { }
    // Waypoints flagged (selected) by the view are passed over: their legs
    // only count towards the distance to run.
    void Draw(CXDC& dc) override;
    // Waypoints in route order.
    COwningList<COverlayWaypoint>& Waypoints() { return m_waypoints; }

    // The distance to run summed from the leg that ends at the first flagged
    // waypoint, over that leg only or every later one; false when there is
    // none or a leg has no distance.
    bool GetRouteDistance(bool entireRoute, double& total) const;
    // Where the first mark falls: remaining distances that are whole
    // multiples of the interval.
    static double InitialCarriedDistance(double toRun, double interval);
    // One leg from `from` to `to` as the route draws it: the line in `pen`, the
    // line's leg marks at the middle of each visible segment, and with
    // `marks` the distance-to-run marks counted down from `toRun`.
    static void DrawLegWithMarks(CChartDoc& doc, CXDC& dc, COverlayLine& line, const Pen& pen,
                                 const geo::CPosition& from, const geo::CPosition& to, bool marks,
                                 double& toRun, double& carried);

private:
    // What one Draw carries from waypoint to waypoint: pens, labels, the leg
    // line and the distance-to-run countdown.
    struct DrawPass;

    void StartDistanceToRun(DrawPass& pass) const;
    // The leg that ends at `wp`, as the flags decide; true when the waypoint's
    // symbol is drawn.
    bool DrawLegTo(CXDC& dc, DrawPass& pass, const COverlayWaypoint& wp) const;
    // An unflagged leg: the line, a mark at each visible segment's middle and
    // the distance-to-run marks along it.
    void DrawLeg(CXDC& dc, DrawPass& pass, const geo::CPosition& here) const;
    void SetLabelTexts(DrawPass& pass, const COverlayWaypoint& wp) const;
    // The symbol and its labels at every client point of the waypoint.
    void DrawWaypoint(CXDC& dc, DrawPass& pass, COverlayWaypoint& wp) const;

    bool LegDistance(const geo::CPosition& a, const geo::CPosition& b, std::int32_t legType,
                     double& range) const;

    const CRouteOverlaySource* m_route;
    COwningList<COverlayWaypoint> m_waypoints;
};

}   // namespace chart

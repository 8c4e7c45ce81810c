#pragma once
// The drawing operations every chart kind and overlay shares: lines, arcs and
// ellipses between positions, clipped segments and polygon outlines, lines
// split at the 180-degree meridian and the rotated arrow heads. They work on
// the chart's own conversions, which each chart kind gives by overriding the
// four pure operations, so they behave the same on raster and vector charts.
//
// Chart points are integer pixels of the chart; client points are pixels of
// the view. Lists are plain vectors of points, two per visible piece.

#include <vector>

#include "chart/draw/XDC.h"
#include "geo/Position.h"

namespace chart {

// Results of a datum shift; every caller treats kShiftNotOnChart as failure.
inline constexpr int kShiftNotOnChart = 4;

class CChartGeometry {
public:
    virtual ~CChartGeometry() = default;

    // ---- the chart kind's conversions ----
    // The chart point of a position in the chart's datum; false when the
    // position has none.
    virtual bool PositionToPoint(const geo::CPosition& position, geo::IntPoint& chartPoint) = 0;
    // `in` and `out` may be the same point.
    virtual void ChartToClientPoint(const geo::IntPoint& in, geo::IntPoint& out) = 0;
    virtual void GetVisibleRect(geo::IntRect& rect) = 0;
    // Status code; `out` is `in` copied unless shifted.
    virtual int ShiftToChartDatum(const geo::CPosition& in, geo::CPosition& out) = 0;

    // ---- drawing between positions (no datum shift) ----
    // Each position goes through PositionToPoint and ChartToClientPoint; a
    // position without a chart point draws nothing.
    virtual void DrawGeoLine(CXDC& dc, const geo::CPosition& a, const geo::CPosition& b);
    virtual void DrawArc(CXDC& dc, const geo::CPosition& centre, const geo::CPosition& onArc);
    virtual void DrawEllipse(CXDC& dc, const geo::CPosition& a, const geo::CPosition& b);

    // ---- segments ----
    // Shifts both ends to the chart datum, splits at the 180-degree meridian,
    // and gives the client points of the visible pieces.
    virtual void PositionsToSegments(const geo::CPosition& a, const geo::CPosition& b,
                                     std::vector<geo::IntPoint>& out);
    virtual void SplitAtDateLine(const geo::CPosition& a, const geo::CPosition& b,
                                 std::vector<geo::IntPoint>& out);
    // Chart points of the part of a-b inside the visible rectangle.
    virtual void ClipSegment(const geo::CPosition& a, const geo::CPosition& b,
                             std::vector<geo::IntPoint>& out);
    // Every edge of the outline, closing edge included.
    virtual void ClipPolygon(const std::vector<geo::CPosition>& positions,
                             std::vector<geo::IntPoint>& out);

    // ---- drawing between client points ----
    // The visible part of the chart in client points.
    geo::IntRect VisibleClientRect();
    // Clipped to the visible rectangle, taken to client points.
    void DrawLine(CXDC& dc, geo::IntPoint a, geo::IntPoint b);
    // Chart points taken two at a time (an odd last one is ignored), each
    // pair converted to client points and drawn with DrawLine, under `pen`
    // when one is given.
    void DrawPointPairs(CXDC& dc, const std::vector<geo::IntPoint>& chartPoints,
                        const Pen* pen = nullptr);
    // A short arc (about 37 degrees) of the circle round p0 through p1.
    void DrawArcAround(CXDC& dc, geo::IntPoint p0, geo::IntPoint p1);
    // The circle whose vertical diameter runs from p1's height to p2's at p2's x.
    void DrawHalfEllipses(CXDC& dc, geo::IntPoint p1, geo::IntPoint p2);
    // An open arrow head: two clipped lines.
    void DrawRotatedSymbol(CXDC& dc, geo::IntPoint centre, double angle, int length, int width);
};

// The corners of an arrow head at `centre` pointing `angle` degrees clockwise
// from screen up, `length` from centre to tip, `width` from base centre to
// each base corner.
struct ArrowHead {
    geo::IntPoint tip;
    geo::IntPoint left;
    geo::IntPoint right;
};
ArrowHead ComputeArrowHead(geo::IntPoint centre, double angle, int length, int width);

// The same arrow head filled (unclipped) with the current pen and brush.
void DrawRotatedPolygon(CXDC& dc, geo::IntPoint centre, double angle, int length, int width);

// The next decimal grid step above |x| (1, 2, 5 x a power of ten), with x's sign.
double RoundGridInterval(double x);
// The next sexagesimal step (2, 10, 30, 60, 120 x a power of sixty).
double RoundGridIntervalMinutes(double x);
// Same latitude or same longitude in whole micro-degrees.
bool IsOnSameParallelOrMeridian(const geo::CPosition& a, const geo::CPosition& b);

}   // namespace chart

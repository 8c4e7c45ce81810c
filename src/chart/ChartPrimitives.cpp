// The drawing primitives of CChartGeometry and the free helpers beside them.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "chart/ChartGeometry.h"
#include "geo/NavMaths.h"

namespace chart {

using geo::CPosition;
using geo::IntPoint;
using geo::IntRect;

namespace {

// The position moved to another longitude, every other field kept.
CPosition WithLongitude(CPosition p, double longitude)
{
    if (p.GetLongitude() == longitude)
        return p;
    CPosition moved(p.GetLatitude(), longitude, p.GetAltitude(),
                    static_cast<std::int16_t>(p.GetDatum()));
    if (!p.IsValid())
        moved.Invalidate();
    return moved;
}

}   // namespace

void CChartGeometry::DrawGeoLine(CXDC& dc, const CPosition& a, const CPosition& b)
{
    IntPoint p1, p2;
    if (!PositionToPoint(a, p1) || !PositionToPoint(b, p2))
        return;
    ChartToClientPoint(p1, p1);
    ChartToClientPoint(p2, p2);
    DrawLine(dc, p1, p2);
}

void CChartGeometry::DrawArc(CXDC& dc, const CPosition& centre, const CPosition& onArc)
{
    IntPoint p0, p1;
    if (!PositionToPoint(centre, p0) || !PositionToPoint(onArc, p1))
        return;
    ChartToClientPoint(p0, p0);
    ChartToClientPoint(p1, p1);
    DrawArcAround(dc, p0, p1);
}

void CChartGeometry::DrawEllipse(CXDC& dc, const CPosition& a, const CPosition& b)
{
    IntPoint p1, p2;
    if (!PositionToPoint(a, p1) || !PositionToPoint(b, p2))
        return;
    ChartToClientPoint(p1, p1);
    ChartToClientPoint(p2, p2);
    DrawHalfEllipses(dc, p1, p2);
}

void CChartGeometry::PositionsToSegments(const CPosition& a, const CPosition& b,
                                         std::vector<IntPoint>& out)
{
    CPosition localA = a, localB = b;
    ShiftToChartDatum(a, localA);
    ShiftToChartDatum(b, localB);
    const std::size_t first = out.size();
    SplitAtDateLine(localA, localB, out);
    for (std::size_t i = first; i < out.size(); ++i)
        ChartToClientPoint(out[i], out[i]);
}

void CChartGeometry::SplitAtDateLine(const CPosition& a, const CPosition& b,
                                     std::vector<IntPoint>& out)
{
    // The ends are worked on as copies, so each keeps its datum, altitude and
    // valid flag wherever it goes.
    CPosition endA = a, endB = b;
    double lonA = a.GetLongitude(), lonB = b.GetLongitude();
    // An end on the meridian itself takes the side of the other end.
    if (lonA == 180.0 && lonB < 0)
        lonA = -180.0;
    else if (lonA == -180.0 && lonB > 0)
        lonA = 180.0;
    if (lonB == 180.0 && lonA < 0)
        lonB = -180.0;
    else if (lonB == -180.0 && lonA > 0)
        lonB = 180.0;
    if (std::fabs(lonA - lonB) <= 180.0) {
        ClipSegment(a, b, out);
        return;
    }
    if (lonB > lonA) {   // A becomes the eastern end (positive longitude)
        std::swap(endA, endB);
        std::swap(lonA, lonB);
    }
    const double latA = endA.GetLatitude(), latB = endB.GetLatitude();
    endA = WithLongitude(endA, lonA);
    endB = WithLongitude(endB, lonB);
    // Pairs go longitude first, so the crossing's latitude is the second value.
    double crossLon = 0.0, latX = 0.0;
    geo::IntersectLatLon(lonA, latA, lonB + 360.0, latB, 180.0, -90.0, 180.0, 90.0, &crossLon,
                         &latX);
    ClipSegment(endA, CPosition(latX, 180.0), out);
    ClipSegment(CPosition(latX, -180.0), endB, out);
}

void CChartGeometry::ClipSegment(const CPosition& a, const CPosition& b, std::vector<IntPoint>& out)
{
    IntRect visible;
    GetVisibleRect(visible);
    IntPoint p1, p2;
    if (!PositionToPoint(a, p1) || !PositionToPoint(b, p2))
        return;
    if (!geo::ClipSegmentToRect(visible, &p1, &p2))
        return;
    out.push_back(p1);
    out.push_back(p2);
}

void CChartGeometry::ClipPolygon(const std::vector<CPosition>& positions,
                                 std::vector<IntPoint>& out)
{
    if (positions.size() < 2)
        return;
    for (std::size_t i = 0; i + 1 < positions.size(); ++i)
        ClipSegment(positions[i], positions[i + 1], out);
    ClipSegment(positions.back(), positions.front(), out);
}

IntRect CChartGeometry::VisibleClientRect()
{
    // The visible rectangle is in chart points, lines are drawn between
    // client points: the rectangle is taken as the view shows it (on a
    // zoomed raster chart the two differ by the scale and the scroll).
    IntRect chartRect;
    GetVisibleRect(chartRect);
    IntPoint corner1, corner2;
    ChartToClientPoint({chartRect.left, chartRect.top}, corner1);
    ChartToClientPoint({chartRect.right, chartRect.bottom}, corner2);
    return {std::min(corner1.x, corner2.x), std::min(corner1.y, corner2.y),
            std::max(corner1.x, corner2.x), std::max(corner1.y, corner2.y)};
}

void CChartGeometry::DrawLine(CXDC& dc, IntPoint a, IntPoint b)
{
    const IntRect visible = VisibleClientRect();
    if (!geo::ClipSegmentToRect(visible, &a, &b))
        return;
    dc.MoveTo(a);
    dc.LineTo(b);
}

void CChartGeometry::DrawPointPairs(CXDC& dc, const std::vector<IntPoint>& chartPoints,
                                    const Pen* pen)
{
    Pen previous;
    if (pen)
        previous = dc.SelectPen(*pen);
    for (std::size_t i = 0; i + 1 < chartPoints.size(); i += 2) {
        IntPoint a, b;
        ChartToClientPoint(chartPoints[i], a);
        ChartToClientPoint(chartPoints[i + 1], b);
        DrawLine(dc, a, b);
    }
    if (pen)
        dc.SelectPen(previous);
}

void CChartGeometry::DrawArcAround(CXDC& dc, IntPoint p0, IntPoint p1)
{
    const std::int64_t dx = std::int64_t(p1.x) - p0.x;
    const std::int64_t dy = std::int64_t(p1.y) - p0.y;
    int r = static_cast<int>(std::sqrt(double(dx * dx + dy * dy)));
    if (r < 1)
        r = 1;
    int ex = static_cast<int>(dx / 3), ey = static_cast<int>(dy / 3);
    if (ex == 0)
        ex = 1;
    if (ey == 0)
        ey = 1;
    dc.Arc(p0.x - r, p0.y - r, p0.x + r, p0.y + r, p1.x - ey, p1.y + ex, p1.x + ey, p1.y - ex);
}

void CChartGeometry::DrawHalfEllipses(CXDC& dc, IntPoint p1, IntPoint p2)
{
    const int h = static_cast<int>((double(p2.y) - p1.y) * 0.5);
    const IntRect box{p2.x - h, p1.y, p2.x + h, p2.y};
    dc.Arc(box, IntPoint{p2.x, p1.y}, IntPoint{p2.x, p2.y});
    dc.Arc(box, IntPoint{p2.x, p2.y}, IntPoint{p2.x, p1.y});
}

ArrowHead ComputeArrowHead(IntPoint centre, double angle, int length, int width)
{
    using geo::RoundToInt;
    const double s = std::sin(geo::DegToRad(angle)), c = std::cos(geo::DegToRad(angle));
    const IntPoint tip{centre.x + RoundToInt(length * s), centre.y - RoundToInt(length * c)};
    const IntPoint base{centre.x - RoundToInt(length * s), centre.y + RoundToInt(length * c)};
    double b = angle - 90.0;
    if (b < 0)
        b = 360.0 - std::fabs(b);
    const double s2 = std::sin(geo::DegToRad(b)), c2 = std::cos(geo::DegToRad(b));
    const IntPoint left{base.x + RoundToInt(width * s2), base.y - RoundToInt(width * c2)};
    const IntPoint right{base.x - RoundToInt(width * s2), base.y + RoundToInt(width * c2)};
    return ArrowHead{tip, left, right};
}

void CChartGeometry::DrawRotatedSymbol(CXDC& dc, IntPoint centre, double angle, int length,
                                       int width)
{
    const ArrowHead head = ComputeArrowHead(centre, angle, length, width);
    DrawLine(dc, head.left, head.tip);
    DrawLine(dc, head.tip, head.right);
}

void DrawRotatedPolygon(CXDC& dc, IntPoint centre, double angle, int length, int width)
{
    // The same triangle at the origin, laid at the centre: a painter that
    // keeps shapes it has painted lays it down again instead of stroking it.
    const ArrowHead head = ComputeArrowHead({0, 0}, angle, length, width);
    const IntPoint points[] = {head.tip, head.right, head.left};
    const IntPoint at[] = {centre};
    dc.Polygons(points, at);
}

namespace {

// The step above |x| on a scale of `base` (10 or 60) with the given cut-offs.
double RoundInterval(double x, double base, const double (&below)[4], const double (&factor)[5])
{
    const double magnitude = std::fabs(x);
    if (magnitude <= 1e-8 || !std::isfinite(magnitude))
        return 0.0;
    double m = magnitude;
    while (m > base)
        m /= base;
    while (m < 1.0)
        m *= base;
    const double unit = magnitude / m;
    double result;
    if (m < below[0])
        result = factor[0] * unit;
    else if (m < below[1])
        result = factor[1] * unit;
    else if (m < below[2])
        result = factor[2] * unit;
    else if (m >= below[3])
        result = factor[4] * unit;
    else
        result = factor[3] * unit;
    return x < 0 ? -result : result;
}

}   // namespace

double RoundGridInterval(double x)
{
    // 2 below 2, 5 below 5, 20 at 10, else 10 (the third cut-off repeats the second).
    return RoundInterval(x, 10.0, {2.0, 5.0, 5.0, 10.0}, {2.0, 5.0, 5.0, 10.0, 20.0});
}

double RoundGridIntervalMinutes(double x)
{
    return RoundInterval(x, 60.0, {2.0, 10.0, 30.0, 60.0}, {2.0, 10.0, 30.0, 60.0, 120.0});
}

bool IsOnSameParallelOrMeridian(const CPosition& a, const CPosition& b)
{
    if (geo::DegreesToMicroDegrees(a.GetLatitude()) == geo::DegreesToMicroDegrees(b.GetLatitude()))
        return true;
    return geo::DegreesToMicroDegrees(a.GetLongitude()) ==
           geo::DegreesToMicroDegrees(b.GetLongitude());
}

}   // namespace chart

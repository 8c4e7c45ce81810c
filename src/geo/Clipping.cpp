#include "geo/Clipping.h"

#include <cmath>
#include <limits>

namespace geo {

namespace {

using Wide = __int128;   // differences of 32-bit values fit 33 bits; their products 66

// Points as 64-bit pairs, so the ray end one past the right edge of a bounds
// rectangle at the 32-bit limit stays exact.
struct Point64 {
    std::int64_t x;
    std::int64_t y;
};

Point64 Widen(IntPoint p)
{
    return {p.x, p.y};
}

int Orientation64(Point64 a, Point64 b, Point64 c)
{
    const Wide lhs = Wide(c.y - a.y) * Wide(b.x - a.x);
    const Wide rhs = Wide(b.y - a.y) * Wide(c.x - a.x);
    return lhs >= rhs ? 1 : 0;
}

bool Cross64(Point64 a, Point64 b, Point64 c, Point64 d)
{
    if (Orientation64(a, b, c) == Orientation64(a, b, d))
        return false;
    return Orientation64(c, d, a) != Orientation64(c, d, b);
}

std::int32_t Saturate(std::int64_t v)
{
    if (v > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

// (v2 - v1)(u - u1) / (u2 - u1) + v1 in 64 bits: long legs at large scale keep
// their true crossing instead of wrapping round 32 bits.
std::int32_t Interpolate(std::int32_t u, std::int32_t u1, std::int32_t v1, std::int32_t u2,
                         std::int32_t v2)
{
    std::int64_t d = std::int64_t(u2) - u1;
    if (d == 0)
        d = 1;
    const Wide num = Wide(std::int64_t(v2) - v1) * Wide(std::int64_t(u) - u1);
    return Saturate(static_cast<std::int64_t>(num / d) + v1);
}

bool InRect(IntPoint p, const IntRect& r)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

}   // namespace

int OutCode(const IntRect& rect, IntPoint p)
{
    int code = 0;
    if (p.x < rect.left)
        code = 8;
    else if (p.x > rect.right)
        code = 4;
    if (p.y > rect.bottom)
        code += 2;
    else if (p.y < rect.top)
        code += 1;
    return code;
}

std::int32_t YAtX(std::int32_t x, std::int32_t x1, std::int32_t y1, std::int32_t x2,
                  std::int32_t y2)
{
    return Interpolate(x, x1, y1, x2, y2);
}

std::int32_t XAtY(std::int32_t y, std::int32_t x1, std::int32_t y1, std::int32_t x2,
                  std::int32_t y2)
{
    return Interpolate(y, y1, x1, y2, x2);
}

bool ClipSegmentToRect(const IntRect& rect, IntPoint* p1, IntPoint* p2)
{
    int c1 = OutCode(rect, *p1);
    int c2 = OutCode(rect, *p2);
    if (c1 & c2)
        return false;
    // Each pass puts one end on an edge; truncation can leave it one unit
    // outside another edge, so the passes are bounded rather than trusted.
    for (int pass = 0; (c1 || c2) && pass < 16; ++pass) {
        if (c1 & c2)
            return false;
        const int c = c1 ? c1 : c2;
        IntPoint q;
        if (c & 8)
            q = {rect.left, YAtX(rect.left, p1->x, p1->y, p2->x, p2->y)};
        else if (c & 4)
            q = {rect.right, YAtX(rect.right, p1->x, p1->y, p2->x, p2->y)};
        else if (c & 1)
            q = {XAtY(rect.top, p1->x, p1->y, p2->x, p2->y), rect.top};
        else
            q = {XAtY(rect.bottom, p1->x, p1->y, p2->x, p2->y), rect.bottom};
        if (c == c1) {
            *p1 = q;
            c1 = OutCode(rect, q);
        } else {
            *p2 = q;
            c2 = OutCode(rect, q);
        }
    }
    return c1 == 0 && c2 == 0;
}

int Orientation(IntPoint a, IntPoint b, IntPoint c)
{
    return Orientation64(Widen(a), Widen(b), Widen(c));
}

bool SegmentsCross(IntPoint a, IntPoint b, IntPoint c, IntPoint d)
{
    return Cross64(Widen(a), Widen(b), Widen(c), Widen(d));
}

bool SegmentsIntersect(const CPosition& a1, const CPosition& a2, const CPosition& b1,
                       const CPosition& b2)
{
    return SegmentsCross(PositionToIntPosition(a1), PositionToIntPosition(a2),
                         PositionToIntPosition(b1), PositionToIntPosition(b2));
}

bool IntersectSegments(IntPoint p1, IntPoint p2, IntPoint p3, IntPoint p4, IntPoint* out)
{
    const std::int64_t dx1 = std::int64_t(p2.x) - p1.x, dy1 = std::int64_t(p2.y) - p1.y;
    const std::int64_t dx2 = std::int64_t(p4.x) - p3.x, dy2 = std::int64_t(p4.y) - p3.y;
    const Wide den = Wide(dy2) * dx1 - Wide(dx2) * dy1;
    if (den == 0) {
        *out = {0, 0};
        return false;
    }
    const Wide num = Wide(std::int64_t(p3.x) - p1.x) * dy2 - Wide(std::int64_t(p3.y) - p1.y) * dx2;
    // The point is p1 + trunc(d * num / den) on each axis. Taken as a quotient
    // of integers (products below 2^101) it is exact: through a floating t a
    // crossing that falls on a whole unit can come out one unit short, off a
    // vertical or horizontal segment, and a polygon's stretches then gain a
    // spurious piece.
    *out = {Saturate(p1.x + static_cast<std::int64_t>(Wide(dx1) * num / den)),
            Saturate(p1.y + static_cast<std::int64_t>(Wide(dy1) * num / den))};
    return true;
}

bool IntersectPositions(const CPosition& a1, const CPosition& a2, const CPosition& b1,
                        const CPosition& b2, CPosition* out)
{
    IntPoint p;
    const bool ok = IntersectSegments(PositionToIntPosition(a1), PositionToIntPosition(a2),
                                      PositionToIntPosition(b1), PositionToIntPosition(b2), &p);
    *out = CPosition(MicroDegreesToDegrees(p.y), MicroDegreesToDegrees(p.x), 0.0, -1);
    return ok;
}

bool IntersectLatLon(double lat1, double lon1, double lat2, double lon2, double lat3, double lon3,
                     double lat4, double lon4, double* outFirst, double* outSecond)
{
    IntPoint p;
    const bool ok = IntersectSegments(MakeIntPosition(lat1, lon1), MakeIntPosition(lat2, lon2),
                                      MakeIntPosition(lat3, lon3), MakeIntPosition(lat4, lon4), &p);
    *outFirst = MicroDegreesToDegrees(p.x);
    *outSecond = MicroDegreesToDegrees(p.y);
    return ok;
}

IntRect PolygonBounds(const IntPolygon& polygon)
{
    IntRect r{std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max(),
              std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min()};
    for (const IntPoint& p : polygon) {
        r.left = std::min(r.left, p.x);
        r.top = std::min(r.top, p.y);
        r.right = std::max(r.right, p.x);
        r.bottom = std::max(r.bottom, p.y);
    }
    return r;
}

bool PointInPolygon(IntPoint point, const IntPolygon& polygon, const IntRect* bounds)
{
    if (polygon.size() < 3)
        return false;
    const IntRect box = bounds ? *bounds : PolygonBounds(polygon);
    if (!InRect(point, box))
        return false;
    const Point64 from = Widen(point);
    const Point64 rayEnd{std::int64_t(box.right) + 1, point.y};
    std::size_t crossings = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const IntPoint& a = polygon[i];
        const IntPoint& b = polygon[(i + 1) % polygon.size()];
        if (Cross64(from, rayEnd, Widen(a), Widen(b)))
            ++crossings;
    }
    return crossings % 2 == 1;
}

bool IntersectSegmentPolygon(const IntPolygon& polygon, const IntRect* bounds, IntPoint start,
                             IntPoint end, std::vector<IntPoint>* out)
{
    if (polygon.size() < 3)
        return false;
    const IntRect box = bounds ? *bounds : PolygonBounds(polygon);
    if (start == end) {
        if (PointInPolygon(start, polygon, &box))
            out->insert(out->begin(), {start, start});
        return !out->empty();
    }
    const bool byX = start.x != end.x;
    IntPoint p = start, q = end;
    if (byX ? q.x < p.x : q.y <= p.y)
        std::swap(p, q);
    auto key = [byX](IntPoint v) { return byX ? v.x : v.y; };

    if (PointInPolygon(p, polygon, &box))
        out->insert(out->begin(), p);
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const IntPoint& a = polygon[i];
        const IntPoint& b = polygon[(i + 1) % polygon.size()];
        if (!SegmentsCross(a, b, p, q))
            continue;
        IntPoint hit;
        IntersectSegments(a, b, p, q, &hit);
        auto place = out->begin();
        while (place != out->end() && key(*place) <= key(hit))
            ++place;
        if (place != out->begin() && *(place - 1) == hit)
            continue;   // a vertex shared by two edges is one crossing point
        out->insert(place, hit);
    }
    if ((out->empty() || out->back() != q) && PointInPolygon(q, polygon, &box))
        out->push_back(q);
    if (out->size() % 2 == 1)
        out->push_back(out->back());
    return !out->empty();
}

void AppendPolygonPoints(const std::vector<CPosition>& positions, IntPolygon* out)
{
    for (const CPosition& p : positions)
        out->push_back(PositionToIntPosition(p));
}

bool PointInSegmentBox(double x0, double y0, double x1, double y1, double x, double y)
{
    auto between = [](double v, double a, double b) {
        const double lo = std::min(a, b), hi = std::max(a, b);
        return !IsLessDbl(v, lo) && !IsGreaterDbl(v, hi);
    };
    return between(x, x0, x1) && between(y, y0, y1);
}

}   // namespace geo

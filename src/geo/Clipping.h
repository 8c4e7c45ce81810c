#pragma once
// Integer plane geometry for drawing and coverage tests: clipping a segment to
// a rectangle, segment crossings and intersections, point in polygon, and the
// stretches of a segment inside a polygon. Points are pixels or micro-degree
// positions (x = longitude, y = latitude). All products are taken wide enough
// that no coordinate in the 32-bit range overflows them.

#include <cstdint>
#include <vector>

#include "geo/NavMaths.h"

namespace geo {

struct IntRect {   // top is the smaller y
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool operator==(const IntRect&) const = default;
};

using IntPolygon = std::vector<IntPoint>;   // the closing edge runs from last to first

int OutCode(const IntRect& rect, IntPoint p);
std::int32_t YAtX(std::int32_t x, std::int32_t x1, std::int32_t y1, std::int32_t x2,
                  std::int32_t y2);
std::int32_t XAtY(std::int32_t y, std::int32_t x1, std::int32_t y1, std::int32_t x2,
                  std::int32_t y2);
// Cohen-Sutherland clipping in place; false when nothing lies in the rectangle.
bool ClipSegmentToRect(const IntRect& rect, IntPoint* p1, IntPoint* p2);

int Orientation(IntPoint a, IntPoint b, IntPoint c);
bool SegmentsCross(IntPoint a, IntPoint b, IntPoint c, IntPoint d);
bool SegmentsIntersect(const CPosition& a1, const CPosition& a2, const CPosition& b1,
                       const CPosition& b2);
// Intersection of the lines (not segments) p1-p2 and p3-p4; false and (0, 0)
// for parallel lines.
bool IntersectSegments(IntPoint p1, IntPoint p2, IntPoint p3, IntPoint p4, IntPoint* out);
bool IntersectPositions(const CPosition& a1, const CPosition& a2, const CPosition& b1,
                        const CPosition& b2, CPosition* out);
bool IntersectLatLon(double lat1, double lon1, double lat2, double lon2, double lat3, double lon3,
                     double lat4, double lon4, double* outFirst, double* outSecond);

IntRect PolygonBounds(const IntPolygon& polygon);
bool PointInPolygon(IntPoint point, const IntPolygon& polygon, const IntRect* bounds = nullptr);
// Fills `out` with pairs of points: each pair is a stretch of start-end inside
// the polygon, in order along the segment.
bool IntersectSegmentPolygon(const IntPolygon& polygon, const IntRect* bounds, IntPoint start,
                             IntPoint end, std::vector<IntPoint>* out);
void AppendPolygonPoints(const std::vector<CPosition>& positions, IntPolygon* out);
bool PointInSegmentBox(double x0, double y0, double x1, double y1, double x, double y);

}   // namespace geo

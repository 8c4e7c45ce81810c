#pragma once
// Great-circle planning helpers: the vertex and limiting-latitude (composite)
// sailing, and the stepping of a great-circle track at longitude intervals.

#include "geo/NavMaths.h"

namespace geo {

bool IsBeyondNorthLimit(double limit, double lat1, double lat2);
bool IsBeyondSouthLimit(double limit, double lat1, double lat2);

struct VertexPoint {
    double latitudeRad = 0;
    double longitude = 0;   // degrees
};
VertexPoint GreatCircleVertexPoint(double lat1, double lon1, double lat2, double lon2);
bool IsLongitudeBetween(double lonV, double lon1, double lon2);
bool GreatCircleExceedsLimit(double lat1, double lon1, double lat2, double lon2, double limit);

// True when the great circle from `from` to `to` passes beyond the applicable
// limiting latitude, so the track must follow that parallel. `limitLatitude`
// receives the signed limit, or 90 when none applies.
bool GreatCircleVertex(const CPosition& from, const CPosition& to, bool applyNorth, bool applySouth,
                       double northLimit, double southLimit, double* limitLatitude);

// The points where a composite track meets and leaves the limiting parallel,
// with the total range and the initial great-circle bearing.
bool CompositeLimitPoints(const CPosition& from, const CPosition& to, double limitLatitude,
                          double* totalRange, double* initialBearing, CPosition* first,
                          CPosition* second);

// Steps one great-circle track point by point, `step` degrees of longitude at a
// time. A step that is 0, negative or not a number is replaced by the default,
// and one beyond 180 by 180, so a track always ends.
class CGreatCircleTrack {
public:
    // With continuing false a new track starts at `from`. True with the next
    // point and the rhumb range and bearing to it from the previous one; false
    // when the track has ended (`next` then holds the end point).
    bool NextPoint(bool continuing, double step, const CPosition& from, const CPosition& to,
                   CPosition* next, double* range, double* bearing, bool wholeDegrees);

private:
    double m_lat = 0;
    double m_lon = 0;
    std::uint16_t m_datum = 0;
};

// The program's single track in progress, stepped on one thread.
bool GreatCircleNextPoint(bool continuing, double step, const CPosition& from, const CPosition& to,
                          CPosition* next, double* range, double* bearing, bool wholeDegrees);

}   // namespace geo

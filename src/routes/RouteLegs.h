#pragma once
// A route leg's range and bearing, the limiting-latitude test, and the
// intermediate waypoints that replace a great-circle leg by rhumb lines
// (plain, or composite along the limiting parallel when the great circle
// would pass beyond an applied limit).

#include "geo/Position.h"
#include "routes/LegTypes.h"
#include "routes/RouteSettings.h"

#include <string>
#include <vector>

namespace routes {

// True only for great-circle legs (type 1 or 2) with an end beyond an
// applied limit: north of the north limit or south of the south limit.
bool IsBeyondLimitLatitude(const CGreatCircleRecord& gc, double lat1, double lat2,
                           std::uint32_t legType);

struct CLegResult {
    double range = -1.0;   // nautical miles
    double bearing = -1.0;   // initial, degrees true
    std::string warning;   // the message the user is shown, when there is one
    bool Computed() const { return range >= 0.0 && bearing >= 0.0; }
};

// A leg of type 0 (or 2, stored rhumb) as a rhumb line; type 1 as a great
// circle, or the composite track when it would pass beyond an applied limit.
CLegResult CalculateLeg(const CGreatCircleRecord& gc, std::uint32_t legType,
                        const geo::CPosition& start, const geo::CPosition& end);

// The intermediate points that replace the great circle from `start` to
// `end`, in order, without the two ends.
std::vector<geo::CPosition> GreatCircleWaypoints(const CGreatCircleRecord& gc,
                                                 const geo::CPosition& start,
                                                 const geo::CPosition& end);

// Two positions are the same for the insertion when their latitudes and
// longitudes written with six decimals read the same.
bool SameToSixDecimals(const geo::CPosition& a, const geo::CPosition& b);

}   // namespace routes

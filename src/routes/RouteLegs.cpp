#include "routes/RouteLegs.h"

#include "geo/GreatCircle.h"
#include "geo/NavMaths.h"
#include "platform/LocaleFreeNumbers.h"

namespace routes {

namespace {

constexpr const char* kBeyondLimit = "One or more points lie beyond an active limiting latitude.";

// The signed limit the composite track follows, when the great circle from
// `start` to `end` passes beyond an applied limit of its hemisphere.
bool CompositeLimit(const CGreatCircleRecord& gc, const geo::CPosition& start,
                    const geo::CPosition& end, double& limit)
{
    limit = 90.0;
    if (!gc.applyNorthLimit && !gc.applySouthLimit)
        return false;
    return geo::GreatCircleVertex(start, end, gc.applyNorthLimit, gc.applySouthLimit, gc.northLimit,
                                  gc.southLimit, &limit);
}

// Great-circle points from `from` towards `to`, stopping at `to`.
void AppendGreatCircle(const CGreatCircleRecord& gc, const geo::CPosition& from,
                       const geo::CPosition& to, std::vector<geo::CPosition>& out)
{
    const double step = geo::ClampDegreeIntercept(gc.degreeIntercept);
    geo::CGreatCircleTrack track;
    geo::CPosition next;
    double range = 0, bearing = 0;
    // Every step moves at least one intercept of longitude: a track ends
    // within 360 / step points.
    for (bool continuing = false;
         track.NextPoint(continuing, step, from, to, &next, &range, &bearing, gc.wholeDegrees);
         continuing = true) {
        if (SameToSixDecimals(next, to))
            break;
        out.push_back(next);
    }
}

}   // namespace

bool IsBeyondLimitLatitude(const CGreatCircleRecord& gc, double lat1, double lat2,
                           std::uint32_t legType)
{
    if (legType != kLegGreatCircle && legType != kLegGreatCircleWaypoints)
        return false;
    if (gc.applyNorthLimit && (lat1 > gc.northLimit || lat2 > gc.northLimit))
        return true;
    return gc.applySouthLimit && (lat1 < -gc.southLimit || lat2 < -gc.southLimit);
}

CLegResult CalculateLeg(const CGreatCircleRecord& gc, std::uint32_t legType,
                        const geo::CPosition& start, const geo::CPosition& end)
{
    CLegResult out;
    double range = 0, bearing = 0;
    if (legType != kLegGreatCircle) {
        if (geo::RhumbRangeBearing(start, end, &range, &bearing, true)) {
            out.range = range;
            out.bearing = bearing;
        } else {
            out.warning = "Error in Rhumbline Calculation";
        }
        return out;
    }
    double limit = 90.0;
    if (IsBeyondLimitLatitude(gc, start.GetLatitude(), end.GetLatitude(), legType)) {
        out.warning = kBeyondLimit;
    } else if (CompositeLimit(gc, start, end, limit)) {
        geo::CPosition first, second;
        if (geo::CompositeLimitPoints(start, end, limit, &range, &bearing, &first, &second)) {
            out.range = range;
            out.bearing = bearing;
            return out;
        }
    }
    if (geo::GreatCircleRangeBearing(start, end, &range, &bearing)) {
        out.range = range;
        out.bearing = bearing;
    } else {
        out.warning = "Error in Great Circle Calculation";
    }
    return out;
}

std::vector<geo::CPosition> GreatCircleWaypoints(const CGreatCircleRecord& gc,
                                                 const geo::CPosition& start,
                                                 const geo::CPosition& end)
{
    std::vector<geo::CPosition> out;
    const bool allowed =
        !IsBeyondLimitLatitude(gc, start.GetLatitude(), end.GetLatitude(), kLegGreatCircle);
    double limit = 90.0;
    geo::CPosition l1, l2;
    double range = 0, bearing = 0;
    if (!allowed || !CompositeLimit(gc, start, end, limit) ||
        !geo::CompositeLimitPoints(start, end, limit, &range, &bearing, &l1, &l2)) {
        AppendGreatCircle(gc, start, end, out);
        return out;
    }
    AppendGreatCircle(gc, start, l1, out);
    if (geo::RhumbRangeBearing(l1, l2, &range, &bearing, true)) {
        if (!SameToSixDecimals(l1, start) && !SameToSixDecimals(l1, l2))
            out.push_back(l1);
        if (!SameToSixDecimals(l2, l1) && !SameToSixDecimals(l2, end))
            out.push_back(l2);
    }
    AppendGreatCircle(gc, l2, end, out);
    return out;
}

bool SameToSixDecimals(const geo::CPosition& a, const geo::CPosition& b)
{
    const auto text = [](const geo::CPosition& p) {
        return platform::FormatC("%11.6f%11.6f", p.GetLatitude(), p.GetLongitude());
    };
    return text(a) == text(b);
}

}   // namespace routes

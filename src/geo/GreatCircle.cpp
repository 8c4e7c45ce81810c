#include "geo/GreatCircle.h"

#include <algorithm>
#include <cmath>

#include "geo/DatumInfo.h"

namespace geo {

namespace {

double FoldedDifference(double lon1, double lon2)
{
    double d = lon2 - lon1;
    WrapLongitudeDifference(&d);
    return d;
}

// New points take the ends' datum when both share one, else the fallback.
std::uint16_t SharedDatum(const CPosition& a, const CPosition& b)
{
    return a.GetDatum() == b.GetDatum() ? a.GetDatum() : DatumIndexFallback();
}

CPosition MakePoint(double lat, double lon, std::uint16_t datum)
{
    return CPosition(lat, lon, 0.0, static_cast<std::int16_t>(datum));
}

}   // namespace

bool IsBeyondNorthLimit(double limit, double lat1, double lat2)
{
    return lat1 > limit || lat2 > limit;
}

bool IsBeyondSouthLimit(double limit, double lat1, double lat2)
{
    return lat1 < -limit || lat2 < -limit;
}

VertexPoint GreatCircleVertexPoint(double lat1, double lon1, double lat2, double lon2)
{
    const double L = DegToRad(FoldedDifference(lon1, lon2));
    const double t1 = std::tan(DegToRad(lat1));
    const double t2 = std::tan(DegToRad(lat2));
    const double u = std::atan(t1 / (std::sin(L) * t2) - 1.0 / std::tan(L));
    VertexPoint v;
    v.longitude = NormaliseLongitude(lon1 + RadToDeg(L - u));
    v.latitudeRad = std::atan(t1 / std::cos(L - u));
    return v;
}

bool IsLongitudeBetween(double lonV, double lon1, double lon2)
{
    const double dV = FoldedDifference(lon1, lonV);
    const double d2 = FoldedDifference(lon1, lon2);
    if (dV * d2 <= 0)
        return false;
    return std::fabs(d2) >= std::fabs(dV);
}

bool GreatCircleExceedsLimit(double lat1, double lon1, double lat2, double lon2, double limit)
{
    const VertexPoint v = GreatCircleVertexPoint(lat1, lon1, lat2, lon2);
    if (std::fabs(DegToRad(limit)) >= std::fabs(v.latitudeRad))
        return false;
    return IsLongitudeBetween(v.longitude, lon1, lon2);
}

bool GreatCircleVertex(const CPosition& from, const CPosition& to, bool applyNorth, bool applySouth,
                       double northLimit, double southLimit, double* limitLatitude)
{
    const double lat1 = from.GetLatitude(), lon1 = from.GetLongitude();
    const double lat2 = to.GetLatitude(), lon2 = to.GetLongitude();
    const bool sameSide = lat1 * lat2 >= 0;
    if (sameSide && lat1 >= 0 && lat2 >= 0 && applyNorth) {
        *limitLatitude = northLimit;
        return GreatCircleExceedsLimit(lat1, lon1, lat2, lon2, northLimit);
    }
    if (sameSide && lat1 <= 0 && lat2 <= 0 && applySouth) {
        *limitLatitude = -southLimit;
        return GreatCircleExceedsLimit(lat1, lon1, lat2, lon2, -southLimit);
    }
    *limitLatitude = 90.0;
    return false;
}

bool CompositeLimitPoints(const CPosition& from, const CPosition& to, double limitLatitude,
                          double* totalRange, double* initialBearing, CPosition* first,
                          CPosition* second)
{
    *totalRange = 0.0;
    *initialBearing = 0.0;
    if (from == to) {
        *first = from;
        *second = from;
        return true;
    }
    const std::uint16_t datum = SharedDatum(from, to);
    const double lat1 = from.GetLatitude(), lon1 = from.GetLongitude();
    const double lat2 = to.GetLatitude(), lon2 = to.GetLongitude();
    const double dLon = FoldedDifference(lon1, lon2);
    const double tv = DegToRad(90.0 - limitLatitude);
    // How far along the parallel each end's great circle touches it. An end
    // already beyond the limit has no such circle; the clamp puts the touch
    // point at that end's own longitude instead of producing NaN.
    auto touch = [&](double lat) {
        const double t = DegToRad(90.0 - lat);
        const double c = std::clamp(std::cos(t) / std::cos(tv), -1.0, 1.0);
        const double s = std::clamp(std::sin(std::acos(c)) / std::sin(t), -1.0, 1.0);
        return RadToDeg(std::asin(s));
    };
    const double dl1 = touch(lat1);
    const double dl2 = touch(lat2);
    *first =
        MakePoint(limitLatitude, NormaliseLongitude(dLon > 0 ? lon1 + dl1 : lon1 - dl1), datum);
    *second =
        MakePoint(limitLatitude, NormaliseLongitude(dLon > 0 ? lon2 - dl2 : lon2 + dl2), datum);

    double r1 = 0, b1 = 0, r2 = 0, b2 = 0, r3 = 0, b3 = 0;
    GreatCircleRangeBearing(from, *first, &r1, &b1);
    RhumbRangeBearing(*first, *second, &r2, &b2, true);
    GreatCircleRangeBearing(*second, to, &r3, &b3);
    *totalRange = r1 + r2 + r3;
    *initialBearing = b1;
    return true;
}

bool CGreatCircleTrack::NextPoint(bool continuing, double step, const CPosition& from,
                                  const CPosition& to, CPosition* next, double* range,
                                  double* bearing, bool wholeDegrees)
{
    step = ClampDegreeIntercept(step);
    if (!continuing) {
        if (from == to)
            return false;
        m_lat = from.GetLatitude();
        m_lon = from.GetLongitude();
        m_datum = SharedDatum(from, to);
    }
    const double lat1 = from.GetLatitude(), lon1 = from.GetLongitude();
    const double lat2 = to.GetLatitude(), lon2 = to.GetLongitude();
    const double dLon = FoldedDifference(lon1, lon2);
    double lonN = NormaliseLongitude(dLon >= 0 ? m_lon + step : m_lon - step);
    if (!continuing && wholeDegrees)
        lonN = NormaliseLongitude(dLon > 0 ? std::floor(lonN) : std::ceil(lonN));

    const CPosition end = MakePoint(lat2, lon2, m_datum);
    if (!(NormaliseLongitude(lon2 - lonN) * NormaliseLongitude(lon2 - m_lon) > 0)) {
        *next = end;   // the step reaches or passes the end (or is not a number)
        return false;
    }
    const double s = std::sin(DegToRad(lon1 - lon2));
    if (std::fabs(s) < 1e-7) {
        *next = end;
        return false;
    }
    const double latN =
        RadToDeg(std::atan((std::sin(DegToRad(lon1 - lonN)) * std::tan(DegToRad(lat2)) +
                            std::sin(DegToRad(lonN - lon2)) * std::tan(DegToRad(lat1))) /
                           s));
    *next = MakePoint(latN, lonN, m_datum);
    RhumbRangeBearing(CPosition(m_lat, m_lon), *next, range, bearing, true);
    m_lat = latN;
    m_lon = lonN;
    return true;
}

bool GreatCircleNextPoint(bool continuing, double step, const CPosition& from, const CPosition& to,
                          CPosition* next, double* range, double* bearing, bool wholeDegrees)
{
    static thread_local CGreatCircleTrack track;
    return track.NextPoint(continuing, step, from, to, next, range, bearing, wholeDegrees);
}

}   // namespace geo

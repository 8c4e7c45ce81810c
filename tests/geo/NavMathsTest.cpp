// Navigation maths against GeographicLib, an implementation nobody here wrote.
//
// Earth model and what the tolerances follow from:
// - Rhumb lines use the WGS 84 ellipsoid with the meridional parts and meridian
//   arc as truncated series (e^6 and e^4 terms). Against GeographicLib's exact
//   ellipsoidal rhumb line that truncation leaves about 3e-5 nm on the meridian
//   arc; the tolerance is 1e-4 nm plus 1e-7 of the range.
// - Great circles use a closed-form first-order flattening formula on reduced
//   latitudes (no iteration). Its range error is second order in the
//   flattening: below 1.5e-5 of the range away from near-antipodal ends. Its
//   initial bearing is the spherical bearing on reduced latitudes, which
//   departs from the true geodesic azimuth by up to about the flattening in
//   radians times a geometry factor: 0.25 degree away from near-antipodal ends
//   and the poles.
#include <gtest/gtest.h>

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/Rhumb.hpp>

#include <cmath>
#include <ostream>
#include <random>

#include "geo/NavMaths.h"

using namespace geo;

namespace {

constexpr double kMetresPerNm = 1852.0;

const GeographicLib::Rhumb& RefRhumb()
{
    static const GeographicLib::Rhumb rhumb(GeographicLib::Constants::WGS84_a(),
                                            GeographicLib::Constants::WGS84_f(), true);
    return rhumb;
}

double BearingDiff(double a, double b)
{
    double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

struct Pair {
    double lat1, lon1, lat2, lon2;
    friend std::ostream& operator<<(std::ostream& out, const Pair& p)
    {
        return out << p.lat1 << "," << p.lon1 << " -> " << p.lat2 << "," << p.lon2;
    }
};

// Random pairs in every quadrant, across the 180-degree meridian, along
// meridians and parallels and near the poles.
std::vector<Pair> TestPairs(int count)
{
    std::mt19937_64 rng(20261206);
    std::uniform_real_distribution<double> lat(-89.9, 89.9), lon(-180.0, 180.0), small(-3.0, 3.0);
    std::vector<Pair> pairs;
    for (int i = 0; i < count; ++i) {
        Pair p{lat(rng), lon(rng), lat(rng), lon(rng)};
        switch (i % 7) {
        case 1:   // across the 180-degree meridian
            p.lon1 = 180.0 - std::fabs(small(rng));
            p.lon2 = -180.0 + std::fabs(small(rng));
            break;
        case 2:   // along a meridian
            p.lon2 = p.lon1;
            break;
        case 3:   // along a parallel
            p.lat2 = p.lat1;
            break;
        case 4:   // near the poles
            p.lat1 = std::copysign(85.0 + std::fabs(small(rng)) * 1.6, p.lat1);
            p.lat2 = std::copysign(85.0 + std::fabs(small(rng)) * 1.6, p.lat1);
            break;
        case 5:   // short legs
            p.lat2 = std::clamp(p.lat1 + small(rng) / 10.0, -89.9, 89.9);
            p.lon2 = NormaliseLongitude(p.lon1 + small(rng) / 10.0);
            break;
        case 6:   // a hair off a parallel
            p.lat2 = std::clamp(p.lat1 + small(rng) * 1e-7, -89.9, 89.9);
            break;
        default:
            break;
        }
        pairs.push_back(p);
    }
    return pairs;
}

}  // namespace

TEST(NavMaths, RhumbAgreesWithGeographicLib)
{
    double worstRange = 0, worstBearing = 0;
    for (const Pair& p : TestPairs(10000)) {
        double range = 0, bearing = 0;
        ASSERT_TRUE(RhumbRangeBearing(CPosition(p.lat1, p.lon1), CPosition(p.lat2, p.lon2), &range,
                                      &bearing, true));
        double s12 = 0, azi = 0;
        RefRhumb().Inverse(p.lat1, p.lon1, p.lat2, p.lon2, s12, azi);
        const double refRange = s12 / kMetresPerNm;
        const double rangeErr = std::fabs(range - refRange);
        EXPECT_LE(rangeErr, 1e-4 + 1e-7 * refRange) << p;
        worstRange = std::max(worstRange, rangeErr);
        if (refRange > 1e-3) {
            const double bErr = BearingDiff(bearing, azi);
            EXPECT_LE(bErr, 1e-6) << p;
            worstBearing = std::max(worstBearing, bErr);
        }
    }
    RecordProperty("worst_range_nm", std::to_string(worstRange));
    RecordProperty("worst_bearing_deg", std::to_string(worstBearing));
}

// The closed form's error grows with the arc as the geodesic departs from the
// great circle of reduced latitudes; beyond 170 degrees of arc (near-antipodal
// ends) the initial bearing is not meaningful for it and only the range is held.
struct GreatCircleBand {
    double maxArcDeg;
    double rangeRel;     // relative range error
    double bearingDeg;   // initial bearing error
};
constexpr GreatCircleBand kGreatCircleBands[] = {
    {60.0, 2e-6, 0.12}, {120.0, 3e-6, 0.25}, {150.0, 8e-6, 0.5},
    {170.0, 2.5e-5, 1.6}, {175.0, 5e-5, 180.0},
};

TEST(NavMaths, GreatCircleAgreesWithGeographicLib)
{
    const GeographicLib::Geodesic& g = GeographicLib::Geodesic::WGS84();
    for (const Pair& p : TestPairs(10000)) {
        double range = 0, bearing = 0;
        ASSERT_TRUE(GreatCircleRangeBearing(CPosition(p.lat1, p.lon1), CPosition(p.lat2, p.lon2),
                                            &range, &bearing));
        ASSERT_FALSE(std::isnan(range) || std::isnan(bearing));
        double s12 = 0, azi1 = 0, azi2 = 0;
        const double arc = g.Inverse(p.lat1, p.lon1, p.lat2, p.lon2, s12, azi1, azi2);
        const double refRange = s12 / kMetresPerNm;
        for (const GreatCircleBand& band : kGreatCircleBands) {
            if (arc >= band.maxArcDeg)
                continue;
            // Legs under a mile are limited by the arc cosine's resolution instead.
            EXPECT_LE(std::fabs(range - refRange), band.rangeRel * refRange + 1e-4) << p;
            if (refRange > 0.1 && std::fabs(p.lat1) < 89.0) {   // at the pole every bearing is south
                EXPECT_LE(BearingDiff(bearing, azi1), band.bearingDeg) << p;
            }
            break;
        }
    }
}

TEST(NavMaths, GreatCircleEdgeCases)
{
    double range = -1, bearing = -1;
    // The same place written with different datums, or as 180 and -180.
    EXPECT_TRUE(GreatCircleRangeBearing(CPosition(10, 20, 0, 1), CPosition(10, 20, 5, 2), &range, &bearing));
    EXPECT_EQ(range, 0.0);
    EXPECT_EQ(bearing, 0.0);
    EXPECT_TRUE(GreatCircleRangeBearing(CPosition(-30, 180), CPosition(-30, -180), &range, &bearing));
    EXPECT_EQ(range, 0.0);
    // Antipodal and near-coincident ends give numbers, not NaN.
    const CPosition pairs[][2] = {
        {CPosition(0, 0), CPosition(0, 180)},
        {CPosition(30, 10), CPosition(-30, -170)},
        {CPosition(90, 0), CPosition(-90, 0)},
        {CPosition(45, 45), CPosition(45 + 1e-13, 45)},
        {CPosition(45, 45), CPosition(45, 45 + 1e-13)},
    };
    for (const auto& p : pairs) {
        EXPECT_TRUE(GreatCircleRangeBearing(p[0], p[1], &range, &bearing));
        EXPECT_TRUE(std::isfinite(range) && std::isfinite(bearing));
        EXPECT_GE(range, 0.0);
        EXPECT_LE(range, 10900.0);
    }
    // Along a meridian: north 0, south 180; across the pole (longitudes 180
    // apart) the bearing is north when the sum of latitudes is positive.
    const struct { CPosition a, b; double bearing; } meridians[] = {
        {CPosition(10, 5), CPosition(20, 5), 0.0},
        {CPosition(20, 5), CPosition(10, 5), 180.0},
        {CPosition(20, -90), CPosition(10, 90), 0.0},
        {CPosition(-20, -90), CPosition(-10, 90), 180.0},
    };
    for (const auto& m : meridians) {
        GreatCircleRangeBearing(m.a, m.b, &range, &bearing);
        EXPECT_NEAR(BearingDiff(bearing, m.bearing), 0.0, 1e-6);
    }
}

TEST(NavMaths, RhumbEdgeCases)
{
    // Legs across the 180-degree meridian, along meridians and parallels are
    // held against GeographicLib above; these are the choices it does not make.
    double range = 0, bearing = 0;
    // Told not to cross the 180-degree meridian, the leg goes the long way west.
    RhumbRangeBearing(CPosition(0, 179), CPosition(0, -179), &range, &bearing, false);
    EXPECT_EQ(bearing, 270.0);
    double s12 = 0, azi = 0;
    RefRhumb().Inverse(0, 179, 0, -179, s12, azi);   // the short way: 2 of the 358 degrees
    EXPECT_NEAR(range, 179 * s12 / kMetresPerNm, 1e-3);
    // Exactly 180 degrees of longitude apart, heading south-east, not north-west.
    RhumbRangeBearing(CPosition(20, -90), CPosition(10, 90), &range, &bearing, true);
    EXPECT_GT(bearing, 90.0);
    EXPECT_LT(bearing, 180.0);
    // Same place under another datum: no leg.
    RhumbRangeBearing(CPosition(10, 5, 0, 1), CPosition(10, 5, 0, 2), &range, &bearing, true);
    EXPECT_EQ(range, 0.0);
    EXPECT_EQ(bearing, 0.0);
}

TEST(NavMaths, NearlyEastWestLegs)
{
    // Legs a hair off a parallel: the range is a quotient of two vanishing
    // numbers and the end's longitude a difference of two nearly equal ones.
    for (double offset : {1e-12, 1e-10, 1e-7, 1e-5, 1e-3, 1e-2}) {
        double range = 0, bearing = 0, s12 = 0, azi = 0;
        RhumbRangeBearing(CPosition(45, 0), CPosition(45 + offset, 10), &range, &bearing, true);
        RefRhumb().Inverse(45, 0, 45 + offset, 10, s12, azi);
        EXPECT_NEAR(range, s12 / kMetresPerNm, 1e-4) << offset;
    }
    for (double bearing : {90.00000001, 90.000001, 90.0001, 90.01, 269.99999, 89.9999}) {
        double lat = 0, lon = 0, refLat = 0, refLon = 0;
        ASSERT_TRUE(PositionFromRangeBearing(45, 0, 424.7, bearing, &lat, &lon)) << bearing;
        RefRhumb().Direct(45, 0, bearing, 424.7 * kMetresPerNm, refLat, refLon);
        EXPECT_NEAR(lat, refLat, 1e-7) << bearing;
        EXPECT_NEAR(lon, refLon, 1e-7) << bearing;
    }
}

TEST(NavMaths, NumbersAndAngles)
{
    const struct { double in; int out; } rounding[] = {
        {0.5, 0}, {1.5, 1}, {1.51, 2}, {-1.5, -1}, {-1.51, -2}, {2.5, 2}, {-2.6, -3}, {0.0, 0},
    };
    for (const auto& r : rounding)
        EXPECT_EQ(RoundToInt(r.in), r.out) << r.in;
    EXPECT_EQ(DegreesToMicroDegrees(-0.0000019), -1);
    EXPECT_EQ(DegreesToMicroDegrees(1e9), 2147483647);
    EXPECT_EQ(DegreesToMicroDegrees(std::nan("")), 0);

    const struct { double in, out; } angles[] = {
        {360.0, 0.0}, {-0.0, 0.0}, {-1e-20, 0.0}, {720.5, 0.5}, {-90.0, 270.0}, {1e300, std::fmod(1e300, 360.0)},
    };
    for (const auto& a : angles)
        EXPECT_EQ(NormaliseAngle360(a.in), a.out) << a.in;
    EXPECT_TRUE(std::isnan(NormaliseAngle360(std::nan(""))));
    EXPECT_EQ(NormaliseAngle360(kUnsetValue), kUnsetValue);
    EXPECT_EQ(NormaliseAngle360(-INFINITY), -INFINITY);
    double d = 190.0;
    EXPECT_TRUE(WrapLongitudeDifference(&d));
    EXPECT_EQ(d, -170.0);
    d = 180.0;
    EXPECT_FALSE(WrapLongitudeDifference(&d));
    EXPECT_EQ(FoldLongitude(900.0), -180.0);
    EXPECT_EQ(FoldLongitude(-190.0), 170.0);
}

TEST(NavMaths, PositionFromRangeBearingRoundTrips)
{
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> lat(-80.0, 80.0), lon(-180.0, 180.0), brg(0.0, 360.0),
        range(0.01, 3000.0);
    int solved = 0;
    for (int i = 0; i < 10000; ++i) {
        const double lat0 = lat(rng), lon0 = lon(rng), b = brg(rng), r = range(rng);
        double outLat = 0, outLon = 0;
        if (!PositionFromRangeBearing(lat0, lon0, r, b, &outLat, &outLon))
            continue;   // the line would reach the pole
        ++solved;
        // The end matches GeographicLib's direct rhumb problem...
        double refLat = 0, refLon = 0;
        RefRhumb().Direct(lat0, lon0, b, r * kMetresPerNm, refLat, refLon);
        const double tolNm = 1e-4 + 1e-7 * r;   // as for the rhumb range
        EXPECT_LE(std::fabs(outLat - refLat) * 60.0, tolNm) << lat0 << "," << lon0 << " " << r << "@" << b;
        EXPECT_LE(BearingDiff(outLon, refLon) * 60.0 * std::cos(refLat * M_PI / 180.0), tolNm)
            << lat0 << "," << lon0 << " " << r << "@" << b;
        // ...and sailing back to it by our own rhumb line gives the same leg
        // whenever the leg is the shorter way round.
        const double sailedLon = std::tan(DegToRad(b)) * DiffMeridionalParts(lat0, outLat) / 60.0;
        if (std::fabs(sailedLon) < 179.0) {
            double backRange = 0, backBearing = 0;
            RhumbRangeBearing(CPosition(lat0, lon0), CPosition(outLat, outLon), &backRange,
                              &backBearing, true);
            EXPECT_NEAR(backRange, r, 1e-4 + 1e-7 * r);
            EXPECT_LE(BearingDiff(backBearing, b), 1e-5) << lat0 << "," << lon0 << " " << r << "@" << b;
        }
    }
    EXPECT_GT(solved, 9000);
}

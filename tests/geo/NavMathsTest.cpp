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

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <random>
#include <vector>

#include "geo/NavMaths.h"

using namespace geo;

namespace {

constexpr double kMetresPerNm = 1852.0;
const GeographicLib::Rhumb kRhumb(GeographicLib::Constants::WGS84_a(),
                                  GeographicLib::Constants::WGS84_f(), true);

double BearingDiff(double a, double b)
{
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

struct Pair {
    double lat1, lon1, lat2, lon2;
};
std::ostream& operator<<(std::ostream& out, const Pair& p)
{
    return out << p.lat1 << "," << p.lon1 << " -> " << p.lat2 << "," << p.lon2;
}

// Random pairs in every quadrant, then in turn across the 180-degree meridian,
// along a meridian, along a parallel, near the poles, short legs and legs a
// hair off a parallel (where the range is a quotient of two vanishing numbers).
std::vector<Pair> TestPairs(int count)
{
    std::mt19937_64 rng(20261206);
    std::uniform_real_distribution<double> lat(-89.9, 89.9), lon(-180.0, 180.0), small(-3.0, 3.0);
    const auto nearLat = [&](double l, double scale) {
        return std::clamp(l + small(rng) * scale, -89.9, 89.9);
    };
    const auto nearPole = [&](double sign) {
        return std::copysign(85.0 + std::fabs(small(rng)) * 1.6, sign);
    };
    std::vector<Pair> pairs;
    for (int i = 0; i < count; ++i) {
        Pair p{lat(rng), lon(rng), lat(rng), lon(rng)};
        switch (i % 7) {
        case 1:
            p.lon1 = 180.0 - std::fabs(small(rng)), p.lon2 = -180.0 + std::fabs(small(rng));
            break;
        case 2: p.lon2 = p.lon1; break;
        case 3: p.lat2 = p.lat1; break;
        case 4: p.lat1 = nearPole(p.lat1), p.lat2 = nearPole(p.lat1); break;
        case 5:
            p.lat2 = nearLat(p.lat1, 0.1), p.lon2 = NormaliseLongitude(p.lon1 + small(rng) / 10.0);
            break;
        case 6:
            p.lat2 = nearLat(p.lat1, std::pow(10.0, -1.0 - 4.0 * std::fabs(small(rng))));
            break;   // 1e-13 to 0.3 degree off
        }
        pairs.push_back(p);
    }
    return pairs;
}

}   // namespace

TEST(NavMaths, RhumbAgreesWithGeographicLib)
{
    for (const Pair& p : TestPairs(10000)) {
        double range = 0, bearing = 0, s12 = 0, azi = 0;
        ASSERT_TRUE(RhumbRangeBearing(CPosition(p.lat1, p.lon1), CPosition(p.lat2, p.lon2), &range,
                                      &bearing, true));
        kRhumb.Inverse(p.lat1, p.lon1, p.lat2, p.lon2, s12, azi);
        EXPECT_LE(std::fabs(range - s12 / kMetresPerNm), 1e-4 + 1e-7 * s12 / kMetresPerNm) << p;
        EXPECT_LE(s12 > 1e-3 * kMetresPerNm ? BearingDiff(bearing, azi) : 0.0, 1e-6) << p;
    }
}

// The closed form's error grows with the arc as the geodesic departs from the
// great circle of reduced latitudes; beyond 170 degrees of arc (near-antipodal
// ends) the initial bearing is not meaningful for it and only the range is held.
TEST(NavMaths, GreatCircleAgreesWithGeographicLib)
{
    const struct {
        double maxArcDeg, rangeRel, bearingDeg;
    } bands[] = {
        {60.0, 2e-6, 0.12},   {120.0, 3e-6, 0.25},  {150.0, 8e-6, 0.5},
        {170.0, 2.5e-5, 1.6}, {175.0, 5e-5, 180.0},
    };
    for (const Pair& p : TestPairs(10000)) {
        double range = 0, bearing = 0, s12 = 0, azi1 = 0, azi2 = 0;
        ASSERT_TRUE(GreatCircleRangeBearing(CPosition(p.lat1, p.lon1), CPosition(p.lat2, p.lon2),
                                            &range, &bearing));
        const double arc = GeographicLib::Geodesic::WGS84().Inverse(p.lat1, p.lon1, p.lat2, p.lon2,
                                                                    s12, azi1, azi2);
        const double refRange = s12 / kMetresPerNm;
        const auto band = std::find_if(std::begin(bands), std::end(bands),
                                       [&](const auto& b) { return arc < b.maxArcDeg; });
        if (band == std::end(bands))
            continue;
        EXPECT_LE(std::fabs(range - refRange), band->rangeRel * refRange + 1e-9) << p;
        // At the pole every bearing is south.
        EXPECT_LE(refRange > 0.1 && std::fabs(p.lat1) < 89.0 ? BearingDiff(bearing, azi1) : 0.0,
                  band->bearingDeg)
            << p;
    }
}

TEST(NavMaths, GreatCircleEdgeCases)
{
    // Same place under other datums or as 180 and -180: 0 and 0. Antipodal and
    // near-coincident ends give numbers, not NaN. Along a meridian north is 0,
    // south 180; across the pole the sum of latitudes decides.
    const struct {
        CPosition a, b;
        double range, bearing;
    } rows[] = {
        // NAN: any finite number
        {CPosition(10, 20, 0, 1), CPosition(10, 20, 5, 2), 0.0, 0.0},
        {CPosition(-30, 180), CPosition(-30, -180), 0.0, 0.0},
        {CPosition(0, 0), CPosition(0, 180), NAN, NAN},
        {CPosition(30, 10), CPosition(-30, -170), NAN, NAN},
        {CPosition(90, 0), CPosition(-90, 0), NAN, NAN},
        {CPosition(45, 45), CPosition(45 + 1e-13, 45), NAN, NAN},
        {CPosition(45, 45), CPosition(45, 45 + 1e-13), NAN, NAN},
        {CPosition(10, 5), CPosition(20, 5), NAN, 0.0},
        {CPosition(20, 5), CPosition(10, 5), NAN, 180.0},
        {CPosition(20, -90), CPosition(10, 90), NAN, 0.0},
        {CPosition(-20, -90), CPosition(-10, 90), NAN, 180.0},
    };
    for (const auto& r : rows) {
        double range = -1, bearing = -1;
        EXPECT_TRUE(GreatCircleRangeBearing(r.a, r.b, &range, &bearing));
        EXPECT_TRUE(std::isfinite(bearing) && range >= 0.0 && range <= 10900.0 &&
                    (std::isnan(r.range) || range == r.range))
            << range;
        EXPECT_LE(std::isnan(r.bearing) ? 0.0 : BearingDiff(bearing, r.bearing), 1e-6);
    }
}

// Choices GeographicLib does not make: the long way west when told not to
// cross the 180-degree meridian, and 180 degrees apart heading south-east.
TEST(NavMaths, RhumbEdgeCases)
{
    double range = 0, bearing = 0, s12 = 0, azi = 0;
    RhumbRangeBearing(CPosition(0, 179), CPosition(0, -179), &range, &bearing, false);
    EXPECT_EQ(bearing, 270.0);
    kRhumb.Inverse(0, 179, 0, -179, s12, azi);   // the short way: 2 of the 358 degrees
    EXPECT_NEAR(range, 179 * s12 / kMetresPerNm, 1e-3);
    RhumbRangeBearing(CPosition(20, -90), CPosition(10, 90), &range, &bearing, true);
    EXPECT_TRUE(bearing > 90.0 && bearing < 180.0) << bearing;
    // The same place under another datum is a parallel of no length, sailed
    // west; only equal positions give bearing 0.
    RhumbRangeBearing(CPosition(10, 5, 0, 1), CPosition(10, 5, 0, 2), &range, &bearing, true);
    EXPECT_EQ(range, 0.0);
    EXPECT_EQ(bearing, 270.0);
    RhumbRangeBearing(CPosition(10, 5, 0, 1), CPosition(10, 5, 0, 1), &range, &bearing, true);
    EXPECT_EQ(range + bearing, 0.0);
}

// Lines a hair off due east or west: the end's longitude comes from the
// departure, not from a difference of two nearly equal numbers.
TEST(NavMaths, NearlyEastWestLegsEndWhereGeographicLibSays)
{
    for (double bearing : {90.00000001, 90.000001, 90.0001, 90.01, 269.99999, 89.9999}) {
        double lat = 0, lon = 0, refLat = 0, refLon = 0;
        ASSERT_TRUE(PositionFromRangeBearing(45, 0, 424.7, bearing, &lat, &lon)) << bearing;
        kRhumb.Direct(45, 0, bearing, 424.7 * kMetresPerNm, refLat, refLon);
        EXPECT_TRUE(std::fabs(lat - refLat) <= 1e-7 && std::fabs(lon - refLon) <= 1e-7)
            << bearing << ": " << lat << "," << lon;
    }
}

// Angles fold with fmod, whatever their size; what is not a number comes back
// unchanged, and the unset value stays unset.
TEST(NavMaths, AnglesFoldAndRefuseWhatIsNotANumber)
{
    const struct {
        double in, out;
    } angles[] = {
        {360.0, 0.0},
        {-0.0, 0.0},
        {-1e-20, 0.0},
        {720.5, 0.5},
        {-90.0, 270.0},
        {1e300, std::fmod(1e300, 360.0)},
        {kUnsetValue, kUnsetValue},
        {-INFINITY, -INFINITY},
    };
    for (const auto& a : angles)
        EXPECT_EQ(NormaliseAngle360(a.in), a.out) << a.in;
    EXPECT_TRUE(std::isnan(NormaliseAngle360(NAN)));
    EXPECT_EQ(FoldLongitude(900.0), -180.0);
    EXPECT_EQ(FoldLongitude(-190.0), 170.0);
    // Micro-degrees truncate toward zero and saturate; NaN gives 0.
    EXPECT_EQ(std::tuple(DegreesToMicroDegrees(-0.0000019), DegreesToMicroDegrees(1e9),
                         DegreesToMicroDegrees(NAN)),
              std::tuple(-1, INT32_MAX, 0));
}

// The end of a rhumb line matches GeographicLib's direct problem, and sailing
// back to it by our own rhumb line gives the same leg when that is the shorter
// way. Ranges are drawn evenly on a log scale, so short legs are as common as
// long ones; only a line that GeographicLib also takes to a pole may be refused.
TEST(NavMaths, PositionFromRangeBearingRoundTrips)
{
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> lat(-89.0, 89.0), lon(-180.0, 180.0), brg(0.0, 360.0),
        logNm(-3.0, 3.5);
    for (int i = 0; i < 10000; ++i) {
        const double lat0 = lat(rng), lon0 = lon(rng), b = brg(rng), r = std::pow(10.0, logNm(rng));
        const double tolNm = 1e-4 + 1e-7 * r;
        double outLat = 0, outLon = 0, refLat = 0, refLon = 0, backRange = 0, backBearing = 0;
        SCOPED_TRACE(::testing::Message() << lat0 << "," << lon0 << " " << r << "@" << b);
        kRhumb.Direct(lat0, lon0, b, r * kMetresPerNm, refLat, refLon);
        const bool reachesPole = std::isnan(refLon) || std::fabs(refLat) >= 90.0;
        const bool solved = PositionFromRangeBearing(lat0, lon0, r, b, &outLat, &outLon);
        EXPECT_EQ(solved, !reachesPole);
        if (!solved || reachesPole)
            continue;
        EXPECT_LE(std::fabs(outLat - refLat) * 60.0, tolNm);
        EXPECT_LE(BearingDiff(outLon, refLon) * 60.0 * std::cos(refLat * M_PI / 180.0), tolNm);
        if (std::fabs(std::tan(DegToRad(b)) * DiffMeridionalParts(lat0, outLat) / 60.0) >= 179.0)
            continue;   // the leg went the long way round
        RhumbRangeBearing(CPosition(lat0, lon0), CPosition(outLat, outLon), &backRange,
                          &backBearing, true);
        EXPECT_NEAR(backRange, r, tolNm);
        EXPECT_LE(BearingDiff(backBearing, b), r > 1e-2 ? 1e-5 : 1e-3);
    }
}

// Dead-reckoning steps: 1 m to 2 nm on every whole and half heading, at
// latitudes from the equator to 85 degrees either side, and the steps of 1 to
// 60 s at 5 to 25 kn. Every one gives a position, within 1e-6 nm plus 1e-7 of
// the range of GeographicLib's.
TEST(NavMaths, DeadReckoningStepsEndWhereGeographicLibSays)
{
    std::vector<double> ranges = {1.0 / kMetresPerNm, 10.0 / kMetresPerNm, 0.05, 0.25, 1.0, 2.0};
    for (const double knots : {5.0, 12.5, 25.0})
        for (const double seconds : {1.0, 7.0, 60.0})
            ranges.push_back(SpeedTimeToDistance(knots, seconds));
    int refused = 0, wrong = 0;
    for (int latStep = -17; latStep <= 17; ++latStep) {
        const double lat0 = latStep * 5.0 + (latStep % 2 == 0 ? 0.0 : 0.123456);
        const double lon0 = latStep * 10.3 - 179.9 * (latStep == 0);
        for (int h = 0; h < 720; ++h) {
            const double bearing = h * 0.5;
            for (const double r : ranges) {
                double lat = 0, lon = 0, refLat = 0, refLon = 0;
                kRhumb.Direct(lat0, lon0, bearing, r * kMetresPerNm, refLat, refLon);
                if (!PositionFromRangeBearing(lat0, lon0, r, bearing, &lat, &lon)) {
                    if (++refused <= 5)
                        ADD_FAILURE()
                            << "refused " << lat0 << "," << lon0 << " " << r << "@" << bearing;
                    continue;
                }
                const double tolNm = 1e-6 + 1e-7 * r;
                const double errNm =
                    std::hypot((lat - refLat) * 60.0,
                               BearingDiff(lon, refLon) * 60.0 * std::cos(refLat * M_PI / 180.0));
                if (!(errNm <= tolNm) && ++wrong <= 5)
                    ADD_FAILURE() << lat0 << "," << lon0 << " " << r << "@" << bearing
                                  << ": off by " << errNm << " nm";
            }
        }
    }
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(wrong, 0);
}

// Great-circle legs from a millionth of a mile to a mile keep their length
// (the arc is no longer taken from its cosine alone).
TEST(NavMaths, ShortGreatCircleLegsKeepTheirLength)
{
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> lat(-85.0, 85.0), brg(0.0, 360.0), logNm(-6.0, 0.0);
    for (int i = 0; i < 3000; ++i) {
        const double lat0 = lat(rng), b = brg(rng), r = std::pow(10.0, logNm(rng));
        double lat2 = 0, lon2 = 0, azi2 = 0, range = 0, bearing = 0;
        GeographicLib::Geodesic::WGS84().Direct(lat0, 20.0, b, r * kMetresPerNm, lat2, lon2, azi2);
        ASSERT_TRUE(GreatCircleRangeBearing(CPosition(lat0, 20.0), CPosition(lat2, lon2), &range,
                                            &bearing));
        EXPECT_NEAR(range, r, 5e-6 * r) << lat0 << " " << r << "@" << b;
    }
}

// The small helpers, value by value: halves round toward zero, comparisons
// allow 1e-12, conversions are single factors, micro-degrees truncate.
TEST(NavMaths, NumbersUnitsAndIntegerPositions)
{
    const std::pair<double, std::int32_t> rounding[] = {
        {0.0, 0}, {0.5, 0},   {1.5, 1}, {1.51, 2},  {-1.5, -1}, {-1.51, -2},
        {2.5, 2}, {-2.5, -2}, {2.6, 3}, {-2.6, -3}, {-0.4, 0},
    };
    for (const auto& [in, out] : rounding)
        EXPECT_EQ(RoundToInt(in), out) << in;
    EXPECT_EQ(std::tuple(FtoI64(-2.9), FtoI64(2.9), TruncateToZero(-2.9), TruncateToZero(2.9)),
              std::tuple(std::int64_t(-2), std::int64_t(2), -2.0, 2.0));
    std::uint8_t high = 0, low = 0;
    SplitNibbles(0xA7, &high, &low);
    EXPECT_EQ(std::pair(high, low), std::pair(std::uint8_t(10), std::uint8_t(7)));
    EXPECT_TRUE(IsEqualDbl(1.0, 1.0 + 5e-13) && !IsEqualDbl(1.0, 1.0 + 2e-12));
    EXPECT_TRUE(!IsLessDbl(1.0, 1.0 + 5e-13) && IsLessDbl(1.0, 1.0 + 2e-12));
    EXPECT_TRUE(!IsGreaterDbl(1.0 + 5e-13, 1.0) && IsGreaterDbl(1.0 + 2e-12, 1.0));
    EXPECT_TRUE(IsNonNegative(0.0) && IsNonPositive(0.0) && !IsNonNegative(-1e-300));

    EXPECT_NEAR(MetresToNauticalMiles(1852.0), 1.0, 1e-15);
    EXPECT_EQ(std::tuple(NauticalMilesToMetres(2.0), StatuteMilesToMetres(1.0),
                         KilometresToMetres(2.5), FathomsToMetres(1.0), FeetToMetres(10.0)),
              std::tuple(3704.0, 1609.3, 2500.0, 1.8288, 3.048));
    EXPECT_NEAR(MicroDegreesToDegrees(-1500000), -1.5, 1e-15);
    EXPECT_NEAR(SpeedTimeToDistance(12.0, 1800.0), 6.0, 1e-12);   // half an hour at 12 kn

    EXPECT_EQ(MakeIntPosition(1.2345678, -0.0000019), (IntPoint{1234567, -1}));
    EXPECT_EQ(PositionToIntPosition(CPosition(47.5, -122.25)), (IntPoint{-122250000, 47500000}));
    const CPosition back = IntPositionToPosition({-122250000, 47500000});
    EXPECT_EQ(back, CPosition(47.5, -122.25, 0.0, -1));
}

// One fold for longitudes; 180 and -180 stay. The bearing of a pair of
// reciprocals is chosen by the way east or west, or by latitude along a
// meridian.
TEST(NavMaths, LongitudesFoldOnceAndBearingsAreChosenByTheWay)
{
    const std::pair<double, double> longitudes[] = {
        {180.0, 180.0}, {-180.0, -180.0}, {190.0, -170.0}, {-190.0, 170.0}, {540.0, 180.0},
    };
    for (const auto& [in, out] : longitudes)
        EXPECT_EQ(NormaliseLongitude(in), out) << in;
    double d = -358.0;
    EXPECT_TRUE(WrapLongitudeDifference(&d) && d == 2.0);
    d = 10.0;
    EXPECT_TRUE(!WrapLongitudeDifference(&d) && d == 10.0);
    EXPECT_EQ(std::pair(AddAngles(350.0, 20.0), SubtractAngles(10.0, 20.0)),
              std::pair(10.0, 350.0));

    double b1 = 0, b2 = 0;
    ReciprocalBearings(-1.0, &b1, &b2);
    EXPECT_TRUE(std::fabs(b1 - 135.0) < 1e-9 && std::fabs(b2 - 315.0) < 1e-9) << b1;
    ReciprocalBearings(0.0, &b1, &b2);
    EXPECT_EQ(std::pair(b1, b2), std::pair(0.0, 180.0));
    EXPECT_EQ(SelectBearing(0, 10, 5, 20, 10, false, 45, 225), 45);   // east
    EXPECT_EQ(SelectBearing(0, 20, 5, 10, -10, false, 45, 225), 225);   // west
    EXPECT_EQ(SelectBearing(0, 179, 5, -179, 2, true, 45, 225), 45);   // east over 180
    EXPECT_EQ(SelectBearing(5, 10, 0, 10, 0, false, 0, 180), 180);   // south along a meridian
}

// Figures worked out apart from the code: the meridional parts and meridian
// arcs from their closed forms and a numerical integration on WGS 84, the
// parallels from a cos(phi) / sqrt(1 - e^2 sin^2 phi).
TEST(NavMaths, SailingsMatchHandWorkedFigures)
{
    EXPECT_NEAR(MeridionalParts(45.0), 3013.648, 2e-3);
    EXPECT_EQ(MeridionalParts(-45.0), MeridionalParts(45.0));
    EXPECT_NEAR(MeridionalParts(0.0), 0.0, 1e-9);   // pi is taken to 11 places
    EXPECT_NEAR(DiffMeridionalParts(-10.0, 20.0), MeridionalParts(10.0) + MeridionalParts(20.0),
                1e-9);
    EXPECT_NEAR(DiffMeridionalParts(20.0, 10.0), MeridionalParts(10.0) - MeridionalParts(20.0),
                1e-9);
    EXPECT_NEAR(MeridianArc(90.0), 5400.629, 2e-3);
    EXPECT_NEAR(MeridianArcDifference(-10.0, 20.0), MeridianArc(10.0) + MeridianArc(20.0), 1e-9);
    EXPECT_NEAR(*LatitudeFromMeridianArc(-MeridianArc(37.25)), -37.25, 1e-9);
    EXPECT_FALSE(LatitudeFromMeridianArc(MeridianArc(90.0) + 1.0).has_value());

    const struct {
        CPosition from, to;
        bool cross;
        double range, bearing;
    } legs[] = {
        {CPosition(10, 5), CPosition(20, 5), true, 597.468, 0.0},   // up a meridian
        {CPosition(20, 5), CPosition(10, 5), true, 597.468, 180.0},
        {CPosition(0, 179), CPosition(0, -179), true, 120.2154, 90.0},   // over the 180 meridian
        {CPosition(0, -179), CPosition(0, 179), true, 120.2154, 270.0},
        {CPosition(45, 0), CPosition(45, 2), true, 85.1478, 90.0},   // a parallel
        {CPosition(45, 0), CPosition(45 + 1e-9, 2), true, 85.1478, 90.0},   // a hair off it
    };
    for (const auto& l : legs) {
        double range = 0, bearing = 0;
        EXPECT_TRUE(RhumbRangeBearing(l.from, l.to, &range, &bearing, l.cross));
        EXPECT_NEAR(range, l.range, 1e-3) << l.from.GetLatitude() << "," << l.to.GetLongitude();
        EXPECT_NEAR(bearing, l.bearing, 1e-6) << l.from.GetLatitude() << "," << l.to.GetLongitude();
    }

    // West over the 180 meridian folds back into [-180, 180]; ranges out of
    // bounds return the start.
    double lat = 1, lon = 1;
    EXPECT_TRUE(PositionFromRangeBearing(0, -179, 120.2154328, 270, &lat, &lon));
    EXPECT_TRUE(lat == 0.0 && std::fabs(lon - 179.0) < 1e-6) << lon;
    // A negative range is sailed as its magnitude.
    double negLat = 0, negLon = 0;
    EXPECT_TRUE(PositionFromRangeBearing(10, 20, -50, 45, &negLat, &negLon));
    EXPECT_TRUE(PositionFromRangeBearing(10, 20, 50, 45, &lat, &lon));
    EXPECT_EQ(std::pair(negLat, negLon), std::pair(lat, lon));
    for (const double range : {9e-6, 100000.0}) {
        EXPECT_FALSE(PositionFromRangeBearing(10, 20, range, 45, &lat, &lon));
        EXPECT_EQ(std::pair(lat, lon), std::pair(10.0, 20.0));
    }
    // The bearing is folded first; altitude and datum come from the start.
    CPosition out, west;
    EXPECT_TRUE(PositionAtRangeBearing(CPosition(0, -179, 12.5, 3), 120.2154328, -90, &out));
    EXPECT_TRUE(std::fabs(out.GetLongitude() - 179.0) < 1e-6 && out.GetAltitude() == 12.5 &&
                out.GetDatum() == 3);
    // Half an hour at 12 knots due east is 6 nm.
    EXPECT_TRUE(PositionAtRangeBearingEx(CPosition(30, 10), 12.0, 1800.0, 90.0, &out));
    EXPECT_TRUE(PositionAtRangeBearing(CPosition(30, 10), 6.0, 90.0, &west));
    EXPECT_NEAR(out.GetLongitude(), west.GetLongitude(), 1e-12);
    EXPECT_NEAR((out.GetLongitude() - 10.0) * 60.0 * std::cos(DegToRad(30.0)), 6.0, 0.03);
}

// Route legs against GeographicLib, an implementation nobody here wrote:
// rhumb legs and great-circle legs within the navigation maths' own
// tolerances (tests/geo), intermediate great-circle waypoints on the great
// circle of the sphere, composite sailing held to its limiting parallel.

#include "routes/RouteLegs.h"

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/Rhumb.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace routes;

namespace {

constexpr double kMetresPerNm = 1852.0;

double BearingDiff(double a, double b)
{
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

}   // namespace

TEST(RouteLegs, RhumbAndGreatCircleLegsAgreeWithGeographicLib)
{
    const GeographicLib::Rhumb rhumb(GeographicLib::Constants::WGS84_a(),
                                     GeographicLib::Constants::WGS84_f(), true);
    const GeographicLib::Geodesic& geodesic = GeographicLib::Geodesic::WGS84();
    std::mt19937_64 rng(27);
    std::uniform_real_distribution<double> lat(-70.0, 70.0), lon(-180.0, 180.0);
    const CGreatCircleRecord gc;
    for (int i = 0; i < 2000; ++i) {
        const double lat1 = lat(rng), lon1 = lon(rng), lat2 = lat(rng), lon2 = lon(rng);
        const geo::CPosition a(lat1, lon1), b(lat2, lon2);
        double s12 = 0, azi = 0, azi2 = 0;

        const CLegResult rh = CalculateLeg(gc, kLegRhumb, a, b);
        ASSERT_TRUE(rh.Computed());
        rhumb.Inverse(lat1, lon1, lat2, lon2, s12, azi);
        EXPECT_LE(std::fabs(rh.range - s12 / kMetresPerNm), 1e-4 + 1e-7 * s12 / kMetresPerNm);
        EXPECT_LE(BearingDiff(rh.bearing, azi < 0 ? azi + 360.0 : azi), 1e-6);
        // A type-2 leg is stored as a rhumb line.
        EXPECT_DOUBLE_EQ(CalculateLeg(gc, kLegGreatCircleWaypoints, a, b).range, rh.range);

        const CLegResult g = CalculateLeg(gc, kLegGreatCircle, a, b);
        ASSERT_TRUE(g.Computed());
        const double arc = geodesic.Inverse(lat1, lon1, lat2, lon2, s12, azi, azi2);
        if (arc > 120.0)
            continue;   // tests/geo holds the longer arcs
        EXPECT_LE(std::fabs(g.range - s12 / kMetresPerNm), 3e-6 * s12 / kMetresPerNm + 1e-9);
        EXPECT_LE(BearingDiff(g.bearing, azi < 0 ? azi + 360.0 : azi), 0.25);
        // Never longer than the rhumb line between the same ends.
        EXPECT_LE(g.range, rh.range + 1e-6);
    }
}

TEST(RouteLegs, GreatCircleWaypointsLieOnTheGreatCircle)
{
    // The sphere (f = 0): every intermediate point is on the start's great
    // circle to the end, so the azimuth from the start to it is the leg's.
    const GeographicLib::Geodesic sphere(GeographicLib::Constants::WGS84_a(), 0.0);
    CGreatCircleRecord gc;
    gc.degreeIntercept = 5;
    const struct {
        double lat1, lon1, lat2, lon2;
    } legs[] = {
        {50.0, -12.3, 40.7, -74.0},   // westwards across the Atlantic
        {-33.9, 151.2, -36.8, -73.0},   // across 180, southern hemisphere
        {35.0, 139.8, 37.8, -122.4},   // across 180, northern
        {10.0, 20.0, 12.0, 60.0},
    };
    for (const auto& leg : legs) {
        const geo::CPosition a(leg.lat1, leg.lon1), b(leg.lat2, leg.lon2);
        const std::vector<geo::CPosition> points = GreatCircleWaypoints(gc, a, b);
        ASSERT_GT(points.size(), 3u) << leg.lon1;
        double s12 = 0, azi = 0, azi2 = 0;
        sphere.Inverse(leg.lat1, leg.lon1, leg.lat2, leg.lon2, s12, azi, azi2);
        double previous = 0;
        for (const geo::CPosition& p : points) {
            double s = 0, az = 0, az2 = 0;
            sphere.Inverse(leg.lat1, leg.lon1, p.GetLatitude(), p.GetLongitude(), s, az, az2);
            EXPECT_NEAR(az, azi, 1e-6) << p.GetLatitude() << " " << p.GetLongitude();
            EXPECT_GT(s, previous);   // in order from the start
            EXPECT_LT(s, s12);
            previous = s;
        }
    }
}

TEST(RouteLegs, WholeDegreesMeridiansAndLimits)
{
    CGreatCircleRecord gc;
    gc.degreeIntercept = 5;
    gc.wholeDegrees = true;
    // 12.3 W eastwards: the first point at 8 W, then every 5 degrees.
    std::vector<geo::CPosition> points =
        GreatCircleWaypoints(gc, geo::CPosition(50.0, -12.3), geo::CPosition(52.0, 8.7));
    ASSERT_GE(points.size(), 4u);
    EXPECT_DOUBLE_EQ(points[0].GetLongitude(), -8.0);
    EXPECT_DOUBLE_EQ(points[1].GetLongitude(), -3.0);
    EXPECT_DOUBLE_EQ(points[3].GetLongitude(), 7.0);
    // Along a meridian: no intermediate points.
    EXPECT_TRUE(
        GreatCircleWaypoints(gc, geo::CPosition(10.0, 30.0), geo::CPosition(40.0, 30.0)).empty());

    // A north limit of 50 on a leg whose great circle runs to 57 N: the
    // composite track meets the parallel at L1 and leaves it at L2, both
    // among the points, and none lies north of the limit.
    gc.wholeDegrees = false;
    gc.applyNorthLimit = true;
    gc.northLimit = 50.0;
    const geo::CPosition start(45.0, -100.0), end(45.0, 0.0);
    points = GreatCircleWaypoints(gc, start, end);
    int onLimit = 0;
    for (const geo::CPosition& p : points) {
        EXPECT_LE(p.GetLatitude(), 50.0 + 1e-9);
        onLimit += std::fabs(p.GetLatitude() - 50.0) < 1e-6;
    }
    EXPECT_EQ(onLimit, 2);
    const CLegResult composite = CalculateLeg(gc, kLegGreatCircle, start, end);
    gc.applyNorthLimit = false;
    const CLegResult plain = CalculateLeg(gc, kLegGreatCircle, start, end);
    ASSERT_TRUE(composite.Computed() && plain.Computed());
    EXPECT_GT(composite.range, plain.range);   // kept south of the great circle's vertex

    // Ends beyond an applied limit: a warning and no great circle.
    gc.applySouthLimit = true;
    gc.southLimit = 40.0;
    const CLegResult refused =
        CalculateLeg(gc, kLegGreatCircle, geo::CPosition(-45.0, 10.0), geo::CPosition(-30.0, 60.0));
    EXPECT_NE(refused.warning.find("limiting latitude"), std::string::npos);
    EXPECT_TRUE(IsBeyondLimitLatitude(gc, -45.0, -30.0, kLegGreatCircleWaypoints));
    EXPECT_FALSE(IsBeyondLimitLatitude(gc, -45.0, -30.0, kLegRhumb));
}

// Composite sailing and great-circle stepping.
#include <gtest/gtest.h>

#include <cmath>

#include "geo/GreatCircle.h"

using namespace geo;

TEST(GreatCircle, VertexAndLimit)
{
    // 30N 80W to 30N 10E: the vertex lies at 35W, atan(tan 30 / cos 45) = 39.23N.
    const VertexPoint v = GreatCircleVertexPoint(30, -80, 30, 10);
    EXPECT_NEAR(v.longitude, -35.0, 1e-9);
    EXPECT_NEAR(RadToDeg(v.latitudeRad), 39.2315, 1e-3);
    // The limit applies when the vertex passes it; not at all with ends in opposite hemispheres.
    const struct { CPosition a, b; double north, south; bool applies; double limit; } rows[] = {
        {CPosition(30, -80), CPosition(30, 10), 35.0, 60.0, true, 35.0},
        {CPosition(30, -80), CPosition(30, 10), 45.0, 60.0, false, NAN},
        {CPosition(-30, 100), CPosition(-30, -170), 60.0, 35.0, true, -35.0},
        {CPosition(30, -80), CPosition(-30, 10), 35.0, 35.0, false, 90.0},
    };
    for (const auto& r : rows) {
        double limit = NAN;
        EXPECT_EQ(GreatCircleVertex(r.a, r.b, true, true, r.north, r.south, &limit), r.applies) << r.north;
        EXPECT_TRUE(std::isnan(r.limit) || limit == r.limit) << limit;
    }
}

TEST(GreatCircle, CompositeTrackFollowsTheParallel)
{
    const CPosition from(30, -80), to(30, 10);
    double total = 0, bearing = 0, gc = 0, gcBearing = 0, rhumb = 0, rhumbBearing = 0;
    CPosition first, second;
    ASSERT_TRUE(CompositeLimitPoints(from, to, 35.0, &total, &bearing, &first, &second));
    EXPECT_TRUE(first.GetLatitude() == 35.0 && second.GetLatitude() == 35.0);
    EXPECT_NEAR(first.GetLongitude() + 35.0, -(second.GetLongitude() + 35.0), 1e-9);   // symmetric about 35W
    EXPECT_LT(first.GetLongitude(), -35.0);
    GreatCircleRangeBearing(from, to, &gc, &gcBearing);
    RhumbRangeBearing(from, to, &rhumb, &rhumbBearing, true);
    EXPECT_TRUE(gc < total && total < rhumb) << total;
    EXPECT_GT(bearing, gcBearing);   // heads less far north than the full circle
    // An end already beyond the limit gives numbers, not NaN.
    ASSERT_TRUE(CompositeLimitPoints(CPosition(40, -80), to, 35.0, &total, &bearing, &first, &second));
    EXPECT_TRUE(std::isfinite(total) && std::isfinite(first.GetLongitude()));
}

// Stepping ends at the destination for good steps, and for a step of 0, a
// negative, NaN, infinite, vanishing or oversized one (points: -1 = any count).
TEST(GreatCircle, SteppingEndsAtTheDestination)
{
    const struct { CPosition from, to; double step; bool wholeDegrees; double firstLon; int points; } rows[] = {
        {CPosition(30, -80.5), CPosition(30, 10), 5.0, false, -75.5, 18},
        {CPosition(30, -80.5), CPosition(30, 10), 5.0, true, -76.0, 18},   // floor going east
        {CPosition(30, 10.5), CPosition(30, -80), 5.0, true, 6.0, 18},      // ceil going west
        {CPosition(-20, 170), CPosition(-25, -170), 5.0, false, 175.0, 3},  // over the 180 meridian
        {CPosition(30, -80), CPosition(30, 10), 0.0, false, -75.0, 17},     // step 0: the default step
        {CPosition(10, 0), CPosition(50, 170), -5.0, false, NAN, -1}, {CPosition(10, 0), CPosition(50, 170), NAN, false, NAN, -1},
        {CPosition(10, 0), CPosition(50, 170), INFINITY, false, NAN, -1}, {CPosition(10, 0), CPosition(50, 170), 1e-300, false, NAN, -1},
        {CPosition(10, 0), CPosition(50, 170), 400.0, false, NAN, -1},
    };
    for (const auto& r : rows) {
        CPosition next;
        double range = 0, bearing = 0;
        bool more = GreatCircleNextPoint(false, r.step, r.from, r.to, &next, &range, &bearing, r.wholeDegrees);
        ASSERT_TRUE(more || r.points < 0) << r.step;
        EXPECT_TRUE(std::isnan(r.firstLon) || next.GetLongitude() == r.firstLon) << next.GetLongitude();
        int points = 0;
        for (; more && points < 20000; ++points) {
            EXPECT_GT(range, 0.0);
            more = GreatCircleNextPoint(true, r.step, r.from, r.to, &next, &range, &bearing, r.wholeDegrees);
        }
        EXPECT_FALSE(more) << r.step;
        EXPECT_TRUE(r.points < 0 || points == r.points) << points << " points at step " << r.step;
        EXPECT_TRUE(next.GetLatitude() == r.to.GetLatitude() && next.GetLongitude() == r.to.GetLongitude()) << r.step;
    }
    CPosition next;
    double range = 0, bearing = 0;
    EXPECT_FALSE(GreatCircleNextPoint(false, 5.0, CPosition(10, 0), CPosition(10, 0), &next, &range, &bearing, false));
}

TEST(GreatCircle, LoopSettingsAreClamped)
{
    for (const auto& [in, out] : {std::pair{0.0, 5.0}, {NAN, 5.0}, {255.0, 180.0}, {2.0, 2.0}})
        EXPECT_EQ(ClampDegreeIntercept(in), out) << in;
    for (const auto& [in, out] : {std::pair{0.0, 10.0}, {-1.0, 10.0}, {1e-9, 0.1}, {INFINITY, 10.0}, {2.5, 2.5}})
        EXPECT_EQ(ClampDistanceToRunInterval(in), out) << in;
}

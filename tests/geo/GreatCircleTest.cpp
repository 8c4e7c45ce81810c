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

    double limit = 0;
    EXPECT_TRUE(GreatCircleVertex(CPosition(30, -80), CPosition(30, 10), true, true, 35.0, 60.0, &limit));
    EXPECT_EQ(limit, 35.0);
    EXPECT_FALSE(GreatCircleVertex(CPosition(30, -80), CPosition(30, 10), true, true, 45.0, 60.0, &limit));
    EXPECT_TRUE(GreatCircleVertex(CPosition(-30, 100), CPosition(-30, -170), true, true, 60.0, 35.0, &limit));
    EXPECT_EQ(limit, -35.0);
    // Ends in opposite hemispheres: no limit applies.
    EXPECT_FALSE(GreatCircleVertex(CPosition(30, -80), CPosition(-30, 10), true, true, 35.0, 35.0, &limit));
    EXPECT_EQ(limit, 90.0);
}

TEST(GreatCircle, CompositeTrackFollowsTheParallel)
{
    const CPosition from(30, -80), to(30, 10);
    double total = 0, bearing = 0;
    CPosition first, second;
    ASSERT_TRUE(CompositeLimitPoints(from, to, 35.0, &total, &bearing, &first, &second));
    EXPECT_EQ(first.GetLatitude(), 35.0);
    EXPECT_EQ(second.GetLatitude(), 35.0);
    EXPECT_LT(first.GetLongitude(), -35.0);
    EXPECT_GT(second.GetLongitude(), -35.0);
    EXPECT_NEAR(first.GetLongitude() + 35.0, -(second.GetLongitude() + 35.0), 1e-9);   // symmetric
    double gc = 0, gcBearing = 0, rhumb = 0, rhumbBearing = 0;
    GreatCircleRangeBearing(from, to, &gc, &gcBearing);
    RhumbRangeBearing(from, to, &rhumb, &rhumbBearing, true);
    EXPECT_GT(total, gc);
    EXPECT_LT(total, rhumb);
    EXPECT_GT(bearing, gcBearing);   // heads less far north than the full circle

    // An end already beyond the limit gives numbers, not NaN.
    ASSERT_TRUE(CompositeLimitPoints(CPosition(40, -80), to, 35.0, &total, &bearing, &first, &second));
    EXPECT_TRUE(std::isfinite(total) && std::isfinite(first.GetLongitude()));
}

TEST(GreatCircle, SteppingEndsAtTheDestination)
{
    struct Row {
        CPosition from, to;
        double step;
        bool wholeDegrees;
        double firstLon;
        int points;
    };
    const Row rows[] = {
        {CPosition(30, -80.5), CPosition(30, 10), 5.0, false, -75.5, 18},
        {CPosition(30, -80.5), CPosition(30, 10), 5.0, true, -76.0, 18},   // floor going east
        {CPosition(30, 10.5), CPosition(30, -80), 5.0, true, 6.0, 18},      // ceil going west
        {CPosition(-20, 170), CPosition(-25, -170), 5.0, false, 175.0, 3},  // over the 180 meridian
        {CPosition(30, -80), CPosition(30, 10), 0.0, false, -75.0, 17},     // step 0: the default step
    };
    for (const Row& r : rows) {
        CPosition next;
        double range = 0, bearing = 0;
        int points = 0;
        bool more = GreatCircleNextPoint(false, r.step, r.from, r.to, &next, &range, &bearing, r.wholeDegrees);
        ASSERT_TRUE(more);
        EXPECT_DOUBLE_EQ(next.GetLongitude(), r.firstLon);
        while (more && points < 100000) {
            ++points;
            EXPECT_GT(range, 0.0);
            more = GreatCircleNextPoint(true, r.step, r.from, r.to, &next, &range, &bearing, r.wholeDegrees);
        }
        EXPECT_EQ(points, r.points) << r.from.GetLongitude() << " step " << r.step;
        EXPECT_EQ(next.GetLatitude(), r.to.GetLatitude());
        EXPECT_EQ(next.GetLongitude(), r.to.GetLongitude());
    }
}

TEST(GreatCircle, SteppingWithBadStepsStillEnds)
{
    const CPosition from(10, 0), to(50, 170);
    for (double step : {-5.0, std::nan(""), double(INFINITY), 1e-300, 400.0}) {
        CPosition next;
        double range = 0, bearing = 0;
        int calls = 1;
        bool more = GreatCircleNextPoint(false, step, from, to, &next, &range, &bearing, false);
        while (more && calls < 20000) {
            more = GreatCircleNextPoint(true, step, from, to, &next, &range, &bearing, false);
            ++calls;
        }
        EXPECT_FALSE(more) << step;
        EXPECT_EQ(next.GetLongitude(), 170.0) << step;
    }
    CPosition next;
    double range = 0, bearing = 0;
    EXPECT_FALSE(GreatCircleNextPoint(false, 5.0, from, from, &next, &range, &bearing, false));
}

TEST(GreatCircle, LoopSettingsAreClamped)
{
    EXPECT_EQ(ClampDegreeIntercept(0.0), 5.0);
    EXPECT_EQ(ClampDegreeIntercept(std::nan("")), 5.0);
    EXPECT_EQ(ClampDegreeIntercept(255.0), 180.0);
    EXPECT_EQ(ClampDegreeIntercept(2.0), 2.0);
    EXPECT_EQ(ClampDistanceToRunInterval(0.0), 10.0);
    EXPECT_EQ(ClampDistanceToRunInterval(-1.0), 10.0);
    EXPECT_EQ(ClampDistanceToRunInterval(1e-9), 0.1);
    EXPECT_EQ(ClampDistanceToRunInterval(INFINITY), 10.0);
    EXPECT_EQ(ClampDistanceToRunInterval(2.5), 2.5);
}

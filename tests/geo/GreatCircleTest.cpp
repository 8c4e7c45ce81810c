// Composite sailing and great-circle stepping.
#include <gtest/gtest.h>

#include <cmath>

#include "geo/DatumInfo.h"
#include "geo/GreatCircle.h"

using namespace geo;

// 30N 80W to 30N 10E: the vertex lies at 35W, atan(tan 30 / cos 45) = 39.23N.
// A limit of 35N applies; the composite track runs along it, symmetric about
// the vertex, longer than the great circle and shorter than the rhumb line.
TEST(GreatCircle, VertexLimitAndCompositeTrack)
{
    const CPosition from(30, -80), to(30, 10);
    const VertexPoint v = GreatCircleVertexPoint(30, -80, 30, 10);
    EXPECT_NEAR(v.longitude, -35.0, 1e-9);
    EXPECT_NEAR(RadToDeg(v.latitudeRad), 39.2315, 1e-3);
    double limit = 0, total = 0, bearing = 0, gc = 0, gcBearing = 0, rhumb = 0, rhumbBearing = 0;
    EXPECT_TRUE(GreatCircleVertex(from, to, true, true, 35.0, 60.0, &limit) && limit == 35.0);
    EXPECT_FALSE(GreatCircleVertex(from, to, true, true, 45.0, 60.0, &limit));   // below the limit
    EXPECT_TRUE(GreatCircleVertex(CPosition(-30, 100), CPosition(-30, -170), true, true, 60.0, 35.0,
                                  &limit) &&
                limit == -35.0);
    // Ends in opposite hemispheres: no limit applies.
    EXPECT_TRUE(!GreatCircleVertex(from, CPosition(-30, 10), true, true, 35.0, 35.0, &limit) &&
                limit == 90.0)
        << limit;

    CPosition first, second;
    ASSERT_TRUE(CompositeLimitPoints(from, to, 35.0, &total, &bearing, &first, &second));
    EXPECT_TRUE(first.GetLatitude() == 35.0 && second.GetLatitude() == 35.0 &&
                first.GetLongitude() < -35.0);
    EXPECT_NEAR(first.GetLongitude() + 35.0, -(second.GetLongitude() + 35.0), 1e-9);
    GreatCircleRangeBearing(from, to, &gc, &gcBearing);
    RhumbRangeBearing(from, to, &rhumb, &rhumbBearing, true);
    EXPECT_TRUE(gc < total && total < rhumb) << total;
    EXPECT_GT(bearing, gcBearing);   // heads less far north than the full circle
    // An end already beyond the limit gives numbers, not NaN.
    ASSERT_TRUE(
        CompositeLimitPoints(CPosition(40, -80), to, 35.0, &total, &bearing, &first, &second));
    EXPECT_TRUE(std::isfinite(total) && std::isfinite(first.GetLongitude()));
}

// Stepping ends at the destination for good steps, and for a step of 0, a
// negative, NaN, infinite, vanishing or oversized one (points: -1 = any count);
// coincident ends give no point at all.
TEST(GreatCircle, SteppingEndsAtTheDestination)
{
    const struct {
        CPosition from, to;
        double step;
        bool wholeDegrees;
        double firstLon;
        int points;
    } rows[] = {
        {CPosition(30, -80.5), CPosition(30, 10), 5.0, false, -75.5, 18},
        {CPosition(30, -80.5), CPosition(30, 10), 5.0, true, -76.0, 18},   // floor going east
        {CPosition(30, 10.5), CPosition(30, -80), 5.0, true, 6.0, 18},   // ceil going west
        {CPosition(-20, 170), CPosition(-25, -170), 5.0, false, 175.0,
         3},   // over the 180 meridian
        {CPosition(30, -80), CPosition(30, 10), 0.0, false, -75.0,
         17},   // step 0: the default step
        {CPosition(10, 0), CPosition(50, 170), -5.0, false, NAN, -1},
        {CPosition(10, 0), CPosition(50, 170), NAN, false, NAN, -1},
        {CPosition(10, 0), CPosition(50, 170), INFINITY, false, NAN, -1},
        {CPosition(10, 0), CPosition(50, 170), 1e-300, false, NAN, -1},
        {CPosition(10, 0), CPosition(50, 170), 400.0, false, NAN, -1},
        {CPosition(10, 0), CPosition(10, 0), 5.0, false, NAN, 0},
    };
    for (const auto& r : rows) {
        CPosition next;
        double range = 0, bearing = 0;
        bool more = GreatCircleNextPoint(false, r.step, r.from, r.to, &next, &range, &bearing,
                                         r.wholeDegrees);
        ASSERT_TRUE(more || r.points <= 0) << r.step;
        EXPECT_TRUE(std::isnan(r.firstLon) || next.GetLongitude() == r.firstLon)
            << next.GetLongitude();
        int points = 0;
        for (; more && points < 20000; ++points) {
            EXPECT_GT(range, 0.0);
            more = GreatCircleNextPoint(true, r.step, r.from, r.to, &next, &range, &bearing,
                                        r.wholeDegrees);
        }
        EXPECT_FALSE(more) << r.step;
        EXPECT_TRUE(r.points < 0 || points == r.points) << points << " points at step " << r.step;
        EXPECT_TRUE(r.points == 0 || (next.GetLatitude() == r.to.GetLatitude() &&
                                      next.GetLongitude() == r.to.GetLongitude()))
            << r.step;
    }
}

TEST(GreatCircle, LoopSettingsAreClamped)
{
    for (const auto& [in, out] : {std::pair{0.0, 5.0}, {NAN, 5.0}, {255.0, 180.0}, {2.0, 2.0}})
        EXPECT_EQ(ClampDegreeIntercept(in), out) << in;
    for (const auto& [in, out] :
         {std::pair{0.0, 10.0}, {-1.0, 10.0}, {1e-9, 0.1}, {INFINITY, 10.0}, {2.5, 2.5}})
        EXPECT_EQ(ClampDistanceToRunInterval(in), out) << in;
}

// Limits are exceeded strictly; a vertex between the ends counts even when the
// way crosses the 180-degree meridian.
TEST(GreatCircle, LimitsAndLongitudeBetween)
{
    EXPECT_TRUE(IsBeyondNorthLimit(60, 61, 0) && !IsBeyondNorthLimit(60, 60, 59));
    EXPECT_TRUE(IsBeyondSouthLimit(60, 0, -61) && !IsBeyondSouthLimit(60, -60, 10));
    EXPECT_TRUE(IsLongitudeBetween(175, 170, -170));
    EXPECT_TRUE(IsLongitudeBetween(-175, 170, -170));
    EXPECT_FALSE(IsLongitudeBetween(160, 170, -170));   // behind the start
    EXPECT_FALSE(IsLongitudeBetween(-160, 170, -170));   // past the end
    // Coincident ends: both limit points are the start.
    const CPosition same(30, -80, 5, 2);
    CPosition first, second;
    double total = -1, bearing = -1;
    EXPECT_TRUE(CompositeLimitPoints(same, same, 35, &total, &bearing, &first, &second));
    EXPECT_TRUE(first == same && second == same && total == 0.0);
}

// New points carry the ends' datum when they share one, else the fallback;
// their altitude is 0. Stepping keeps its datum for the whole track.
TEST(GreatCircle, NewPointsTakeTheSharedDatumOrTheFallback)
{
    CPosition next, first, second;
    double range = 0, bearing = 0, total = 0;
    const CPosition a(30, -80, 12, 3), b(30, 10, 5, 3), c(30, 10, 5, 4);
    ASSERT_TRUE(GreatCircleNextPoint(false, 5, a, b, &next, &range, &bearing, false));
    EXPECT_TRUE(next.GetDatum() == 3 && next.GetAltitude() == 0.0);
    while (GreatCircleNextPoint(true, 5, a, b, &next, &range, &bearing, false)) { }
    EXPECT_EQ(next, CPosition(30, 10, 0, 3));   // the end, with the track's datum
    ASSERT_TRUE(GreatCircleNextPoint(false, 5, a, c, &next, &range, &bearing, false));
    EXPECT_EQ(next.GetDatum(), DatumIndexFallback());
    ASSERT_TRUE(CompositeLimitPoints(a, b, 35, &total, &bearing, &first, &second));
    EXPECT_TRUE(first.GetDatum() == 3 && second.GetDatum() == 3 && first.GetAltitude() == 0.0);
    ASSERT_TRUE(CompositeLimitPoints(a, c, 35, &total, &bearing, &first, &second));
    EXPECT_TRUE(first.GetDatum() == DatumIndexFallback() &&
                second.GetDatum() == DatumIndexFallback());
}

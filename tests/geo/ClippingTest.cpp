// Clipping and polygon geometry, including coordinates far beyond window
// sizes: long legs at large scale must be clipped where they really are.
#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "geo/Clipping.h"

using namespace geo;

namespace {
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
const IntRect kWindow{0, 0, 1000, 800};
}  // namespace

TEST(Clipping, SegmentsAgainstTheWindow)
{
    const struct {
        IntPoint a, b;
        bool visible;
        IntPoint ca, cb;
    } rows[] = {
        {{-50, 10}, {-1, 700}, false, {-50, 10}, {-1, 700}},        // wholly left
        {{500, 400}, {1500, 400}, true, {500, 400}, {1000, 400}},   // ends on the right edge
        {{300, -100}, {300, 900}, true, {300, 0}, {300, 800}},      // vertical through both edges
        {{-100, -100}, {1100, 900}, true, {20, 0}, {980, 800}},     // corner to corner
        {{10, 10}, {20, 20}, true, {10, 10}, {20, 20}},     // inside
        {{-10, 900}, {1100, 850}, false, {}, {}},                   // below, across the width
    };
    for (const auto& r : rows) {
        IntPoint a = r.a, b = r.b;
        EXPECT_EQ(ClipSegmentToRect(kWindow, &a, &b), r.visible) << r.a.x << "," << r.a.y;
        if (r.visible) {
            EXPECT_EQ(a, r.ca);
            EXPECT_EQ(b, r.cb);
        }
    }
}

TEST(Clipping, LongLegsAtLargeScaleStayOnTheirLine)
{
    // A leg a million pixels long either side: in 32-bit arithmetic the
    // product of the differences wraps and the clipped ends land elsewhere.
    std::mt19937 rng(3);
    std::uniform_int_distribution<std::int32_t> far(-2000000000, 2000000000), in(1, 799);
    int visible = 0;
    for (int i = 0; i < 2000; ++i) {
        // Both ends far out, mirrored through a point inside the window.
        const IntPoint c{in(rng), in(rng)};
        IntPoint a{far(rng), far(rng)};
        IntPoint b{2 * c.x - a.x, 2 * c.y - a.y};
        const IntPoint a0 = a, b0 = b;
        if (!ClipSegmentToRect(kWindow, &a, &b))
            continue;
        ++visible;
        for (const IntPoint& p : {a, b}) {
            EXPECT_GE(p.x, kWindow.left - 1);
            EXPECT_LE(p.x, kWindow.right + 1);
            EXPECT_GE(p.y, kWindow.top - 1);
            EXPECT_LE(p.y, kWindow.bottom + 1);
            // The clipped end is on the original line, give or take the two
            // truncations of successive clips (a wrapped product would put it
            // millions of pixels away).
            const long double cross = (long double)(b0.x - (long double)a0.x) * (p.y - (long double)a0.y) -
                                      (long double)(b0.y - (long double)a0.y) * (p.x - (long double)a0.x);
            const long double length = std::hypot((long double)b0.x - a0.x, (long double)b0.y - a0.y);
            EXPECT_LE(std::fabs(cross / length), 2.5L) << a0.x << "," << a0.y << " " << b0.x << "," << b0.y;
        }
    }
    EXPECT_GT(visible, 1950);
    // The extremes of the 32-bit range.
    IntPoint a{kMin, kMin}, b{kMax, kMax};
    ASSERT_TRUE(ClipSegmentToRect(kWindow, &a, &b));
    EXPECT_EQ(a, (IntPoint{0, 0}));
    EXPECT_EQ(b, (IntPoint{800, 800}));
}

TEST(Clipping, IntersectionsAndPolygons)
{
    IntPoint out{1, 1};
    EXPECT_FALSE(IntersectSegments({0, 0}, {10, 0}, {0, 5}, {10, 5}, &out));   // parallel
    EXPECT_EQ(out, (IntPoint{0, 0}));
    EXPECT_TRUE(IntersectSegments({0, 0}, {10, 10}, {0, 10}, {10, 0}, &out));
    EXPECT_EQ(out, (IntPoint{5, 5}));
    // Lines that far apart need more than 64 bits for their products.
    // The lines meet at (-0.5, -0.5); truncation from the first end gives -1.
    EXPECT_TRUE(IntersectSegments({kMin, kMin}, {kMax, kMax}, {kMin, kMax}, {kMax, kMin}, &out));
    EXPECT_EQ(out, (IntPoint{-1, -1}));
    EXPECT_TRUE(SegmentsCross({kMin, kMin}, {kMax, kMax}, {kMin, kMax}, {kMax, kMin}));

    const IntPolygon square{{0, 0}, {100, 0}, {100, 100}, {0, 100}};
    EXPECT_EQ(PolygonBounds({}), (IntRect{kMax, kMax, kMin, kMin}));
    EXPECT_TRUE(PointInPolygon({50, 50}, square));
    EXPECT_FALSE(PointInPolygon({100, 50}, square));   // right edge of the bounds is outside
    EXPECT_FALSE(PointInPolygon({50, 100}, square));   // and so is the bottom edge
    EXPECT_FALSE(PointInPolygon({50, 50}, {{0, 0}, {100, 0}}));
    const IntPolygon huge{{kMin, kMin}, {kMax, kMin}, {kMax, kMax}, {kMin, kMax}};
    EXPECT_TRUE(PointInPolygon({0, 0}, huge));

    std::vector<IntPoint> stretches;
    EXPECT_TRUE(IntersectSegmentPolygon(square, nullptr, {10, 10}, {90, 20}, &stretches));
    EXPECT_EQ(stretches, (std::vector<IntPoint>{{10, 10}, {90, 20}}));
    stretches.clear();
    EXPECT_TRUE(IntersectSegmentPolygon(square, nullptr, {150, 50}, {50, 50}, &stretches));
    EXPECT_EQ(stretches, (std::vector<IntPoint>{{50, 50}, {100, 50}}));
    stretches.clear();
    // In and out of a concave shape: two stretches, in order along the segment.
    const IntPolygon u{{0, 0}, {30, 0}, {30, 80}, {70, 80}, {70, 0}, {100, 0}, {100, 100}, {0, 100}};
    EXPECT_TRUE(IntersectSegmentPolygon(u, nullptr, {-10, 50}, {110, 50}, &stretches));
    EXPECT_EQ(stretches, (std::vector<IntPoint>{{0, 50}, {30, 50}, {70, 50}, {100, 50}}));
    stretches.clear();
    EXPECT_FALSE(IntersectSegmentPolygon(square, nullptr, {200, 200}, {300, 300}, &stretches));
    EXPECT_TRUE(IntersectSegmentPolygon(square, nullptr, {5, 5}, {5, 5}, &stretches));
    EXPECT_EQ(stretches.size(), 2u);
}

TEST(Clipping, PositionsAsMicroDegrees)
{
    CPosition out;
    EXPECT_TRUE(IntersectPositions(CPosition(-1, -1), CPosition(1, 1), CPosition(1, -1), CPosition(-1, 1), &out));
    EXPECT_NEAR(out.GetLatitude(), 0.0, 1e-6);
    EXPECT_TRUE(SegmentsIntersect(CPosition(-1, -1), CPosition(1, 1), CPosition(1, -1), CPosition(-1, 1)));
    EXPECT_TRUE(PointInSegmentBox(0, 0, 1, 1, 1 + 1e-13, 0.5));
    EXPECT_FALSE(PointInSegmentBox(0, 0, 1, 1, 1 + 1e-9, 0.5));
    EXPECT_TRUE(PointInSegmentBox(2, 0, 2, 1, 2, 0.5));
}

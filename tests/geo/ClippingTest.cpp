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
}   // namespace

TEST(Clipping, SegmentsAgainstTheWindow)
{
    const struct {
        IntPoint a, b;
        bool visible;
        IntPoint ca, cb;
    } rows[] = {
        {{-50, 10}, {-1, 700}, false, {-50, 10}, {-1, 700}},   // wholly left
        {{500, 400}, {1500, 400}, true, {500, 400}, {1000, 400}},   // ends on the right edge
        {{300, -100}, {300, 900}, true, {300, 0}, {300, 800}},   // vertical through both edges
        {{-100, -100}, {1100, 900}, true, {20, 0}, {980, 800}},   // corner to corner
        {{10, 10}, {20, 20}, true, {10, 10}, {20, 20}},   // inside
        {{-10, 900}, {1100, 850}, false, {-10, 900}, {1100, 850}},   // below, across the width
        {{kMin, kMin},
         {kMax, kMax},
         true,
         {0, 0},
         {800, 800}},   // the extremes of the 32-bit range
    };
    for (const auto& r : rows) {
        IntPoint a = r.a, b = r.b;
        EXPECT_EQ(ClipSegmentToRect(kWindow, &a, &b), r.visible) << r.a.x << "," << r.a.y;
        EXPECT_TRUE(!r.visible || (a == r.ca && b == r.cb))
            << a.x << "," << a.y << " " << b.x << "," << b.y;
    }
}

// A leg a million pixels long either side: in 32-bit arithmetic the product of
// the differences wraps and the clipped ends land elsewhere.
TEST(Clipping, LongLegsAtLargeScaleStayOnTheirLine)
{
    std::mt19937 rng(3);
    std::uniform_int_distribution<std::int32_t> far(-2000000000, 2000000000), in(1, 799);
    int visible = 0;
    for (int i = 0; i < 2000; ++i) {
        // Both ends far out, mirrored through a point inside the window.
        const IntPoint c{in(rng), in(rng)}, a0{far(rng), far(rng)},
            b0{2 * c.x - a0.x, 2 * c.y - a0.y};
        IntPoint a = a0, b = b0;
        if (!ClipSegmentToRect(kWindow, &a, &b))
            continue;
        ++visible;
        for (const IntPoint& p : {a, b}) {
            EXPECT_TRUE(p.x >= kWindow.left - 1 && p.x <= kWindow.right + 1 &&
                        p.y >= kWindow.top - 1 && p.y <= kWindow.bottom + 1);
            // On the original line, give or take the two truncations of
            // successive clips (a wrapped product would put it millions of pixels away).
            const long double dx = (long double)b0.x - a0.x, dy = (long double)b0.y - a0.y;
            EXPECT_LE(std::fabs(dx * (p.y - (long double)a0.y) - dy * (p.x - (long double)a0.x)) /
                          std::hypot(dx, dy),
                      2.5L)
                << a0.x << "," << a0.y << " " << b0.x << "," << b0.y;
        }
    }
    EXPECT_GT(visible, 1950);
}

TEST(Clipping, IntersectionsAndPolygons)
{
    IntPoint out{1, 1};
    EXPECT_FALSE(IntersectSegments({0, 0}, {10, 0}, {0, 5}, {10, 5}, &out));   // parallel
    EXPECT_TRUE(IntersectSegments({0, 0}, {10, 10}, {0, 10}, {10, 0}, &out) &&
                out == (IntPoint{5, 5}));
    // Lines that far apart need more than 64 bits for their products. They
    // meet at (-0.5, -0.5); truncation from the first end gives -1.
    EXPECT_TRUE(IntersectSegments({kMin, kMin}, {kMax, kMax}, {kMin, kMax}, {kMax, kMin}, &out) &&
                out == (IntPoint{-1, -1}))
        << out.x << "," << out.y;
    EXPECT_TRUE(SegmentsCross({kMin, kMin}, {kMax, kMax}, {kMin, kMax}, {kMax, kMin}));

    const IntPolygon square{{0, 0}, {100, 0}, {100, 100}, {0, 100}};
    // Right and bottom edges of the bounds are outside; two points are no polygon.
    const struct {
        IntPoint p;
        IntPolygon polygon;
        bool inside;
    } points[] = {
        {{50, 50}, square, true},
        {{100, 50}, square, false},
        {{50, 100}, square, false},
        {{50, 50}, {{0, 0}, {100, 0}}, false},
        {{0, 0}, {{kMin, kMin}, {kMax, kMin}, {kMax, kMax}, {kMin, kMax}}, true},
    };
    for (const auto& c : points)
        EXPECT_EQ(PointInPolygon(c.p, c.polygon), c.inside) << c.p.x << "," << c.p.y;

    // The inside stretches of a segment, in order along it: in and out of a concave shape gives
    // two.
    const IntPolygon u{{0, 0},  {30, 0},  {30, 80},   {70, 80},
                       {70, 0}, {100, 0}, {100, 100}, {0, 100}};
    const struct {
        const IntPolygon& polygon;
        IntPoint a, b;
        std::vector<IntPoint> stretches;
    } segments[] = {
        {square, {10, 10}, {90, 20}, {{10, 10}, {90, 20}}},
        {square, {150, 50}, {50, 50}, {{50, 50}, {100, 50}}},
        {u, {-10, 50}, {110, 50}, {{0, 50}, {30, 50}, {70, 50}, {100, 50}}},
        {square, {200, 200}, {300, 300}, {}},
        {square, {5, 5}, {5, 5}, {{5, 5}, {5, 5}}},
    };
    for (const auto& c : segments) {
        std::vector<IntPoint> stretches;
        EXPECT_EQ(IntersectSegmentPolygon(c.polygon, nullptr, c.a, c.b, &stretches),
                  !c.stretches.empty())
            << c.a.x;
        EXPECT_EQ(stretches, c.stretches) << c.a.x << "," << c.a.y;
    }
}

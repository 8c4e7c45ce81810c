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

// Each small rule with exact coordinates.
TEST(Clipping, OutCodesInterpolationAndOrientation)
{
    const std::pair<IntPoint, int> codes[] = {
        {{-1, 5}, 8},    {{1001, 5}, 4},  {{5, 801}, 2},    {{5, -1}, 1}, {{-1, -1}, 9},
        {{-1, 801}, 10}, {{1001, -1}, 5}, {{1001, 801}, 6}, {{0, 0}, 0},  {{1000, 800}, 0},
    };
    for (const auto& [p, code] : codes)
        EXPECT_EQ(OutCode(kWindow, p), code) << p.x << "," << p.y;
    EXPECT_EQ(YAtX(5, 0, 0, 10, 7), 3);   // 3.5 truncated
    EXPECT_EQ(YAtX(5, 0, 0, 10, -7), -3);   // toward zero
    EXPECT_EQ(YAtX(5, 3, 2, 3, 10), 18);   // x1 = x2: divided by 1
    EXPECT_EQ(XAtY(5, 0, 0, 7, 10), 3);
    // Collinear counts as 1; a touch at an end crosses only one way round.
    EXPECT_EQ(Orientation({0, 0}, {10, 0}, {5, 0}), 1);
    EXPECT_EQ(Orientation({0, 0}, {10, 0}, {5, 5}), 1);
    EXPECT_EQ(Orientation({0, 0}, {10, 0}, {5, -5}), 0);
    EXPECT_FALSE(SegmentsCross({0, 0}, {10, 0}, {5, 0}, {5, 5}));
    EXPECT_TRUE(SegmentsCross({0, 0}, {10, 0}, {5, -5}, {5, 0}));
    EXPECT_TRUE(
        SegmentsIntersect(CPosition(0, 0), CPosition(1, 1), CPosition(0, 1), CPosition(1, 0)));
    EXPECT_FALSE(
        SegmentsIntersect(CPosition(0, 0), CPosition(1, 1), CPosition(2, 0), CPosition(3, 0)));
}

// Positions go through micro-degrees and back: first coordinates stay first.
TEST(Clipping, IntersectionsOfPositionsAndBounds)
{
    double first = 0, second = 0;
    EXPECT_TRUE(IntersectLatLon(1, 0, 1, 10, 0, 4, 10, 4, &first, &second));
    EXPECT_TRUE(std::fabs(first - 1.0) < 1e-9 && std::fabs(second - 4.0) < 1e-9);
    CPosition out(9, 9, 7, 2);
    EXPECT_TRUE(IntersectPositions(CPosition(1, 0), CPosition(1, 10), CPosition(0, 4),
                                   CPosition(10, 4), &out));
    EXPECT_EQ(out, CPosition(1, 4, 0, -1));
    EXPECT_FALSE(IntersectPositions(CPosition(1, 0), CPosition(1, 10), CPosition(2, 0),
                                    CPosition(2, 10), &out));
    EXPECT_EQ(out, CPosition(0, 0, 0, -1));

    const IntRect empty = PolygonBounds({});
    EXPECT_TRUE(empty.left == kMax && empty.top == kMax && empty.right == kMin &&
                empty.bottom == kMin);
    IntPolygon polygon{{1, 1}};
    AppendPolygonPoints({CPosition(47.5, -122.25), CPosition(-0.0000019, 0.5)}, &polygon);
    EXPECT_EQ(polygon, (IntPolygon{{1, 1}, {-122250000, 47500000}, {500000, -1}}));

    // Borders within 1e-12 count as inside; a flat box needs x equal to it.
    EXPECT_TRUE(PointInSegmentBox(0, 0, 10, 10, 10 + 5e-13, 5));
    EXPECT_FALSE(PointInSegmentBox(0, 0, 10, 10, 10.001, 5));
    EXPECT_TRUE(PointInSegmentBox(3, 0, 3, 10, 3 + 5e-13, 5));
    EXPECT_FALSE(PointInSegmentBox(3, 0, 3, 10, 3.0001, 5));
}

// A crossing that falls on a whole unit keeps it: on a vertical segment every
// stretch end has the segment's x.
TEST(Clipping, CrossingsOnAVerticalSegmentStayOnIt)
{
    IntPoint hit;
    EXPECT_TRUE(IntersectSegments({12, 35}, {34, 11}, {25, -3}, {25, 22}, &hit));
    EXPECT_EQ(hit, (IntPoint{25, 21}));
    const IntPolygon shape{{18, 4}, {20, 13}, {12, 35}, {34, 11}, {27, 39}, {36, 27}};
    std::vector<IntPoint> stretches;
    EXPECT_TRUE(IntersectSegmentPolygon(shape, nullptr, {25, -3}, {25, 22}, &stretches));
    EXPECT_EQ(stretches, (std::vector<IntPoint>{{25, 13}, {25, 21}}));
    // A vertex shared by two edges is one crossing: the diamond's top and
    // bottom corners on its vertical diagonal.
    const IntPolygon diamond{{0, 50}, {50, 0}, {100, 50}, {50, 100}};
    stretches.clear();
    IntersectSegmentPolygon(diamond, nullptr, {50, -10}, {50, 110}, &stretches);
    EXPECT_EQ(stretches.size() % 2, 0u);
}

// Given bounds are used as they are, and what the list already holds stays:
// new entries go to its head, and a list that was not empty counts as a result.
TEST(Clipping, GivenBoundsAndAListAlreadyHolding)
{
    const IntPolygon square{{0, 0}, {100, 0}, {100, 100}, {0, 100}};
    const IntRect half{0, 0, 50, 50};
    EXPECT_TRUE(PointInPolygon({60, 60}, square));
    EXPECT_FALSE(PointInPolygon({60, 60}, square, &half));
    std::vector<IntPoint> out{{999, 999}};
    EXPECT_TRUE(IntersectSegmentPolygon(square, nullptr, {5, 5}, {5, 5}, &out));
    EXPECT_EQ(out, (std::vector<IntPoint>{{5, 5}, {5, 5}, {999, 999}}));
    out = {{999, 999}};
    EXPECT_TRUE(IntersectSegmentPolygon(square, nullptr, {500, 5}, {500, 5}, &out));
    EXPECT_EQ(out, (std::vector<IntPoint>{{999, 999}}));
    EXPECT_FALSE(IntersectSegmentPolygon({{0, 0}, {9, 9}}, nullptr, {1, 1}, {5, 5}, &out));
}

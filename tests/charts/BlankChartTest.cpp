#include "charts/vector/BlankChartDoc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "../support/FakeChartWindow.h"
#include "../support/FileSettingsHome.h"
#include "../support/TempFolder.h"
#include "app/Registry.h"
#include "chart/draw/RecordingBackend.h"
#include "chart/draw/XDC.h"
#include "charts/vector/BlankChartService.h"
#include "charts/vector/LiveChartDraw.h"
#include "charts/vector/VectorGrid.h"

using brine_test::FakeChartWindow;
using charts::CBlankChartDoc;
using geo::CPosition;
using geo::IntPoint;
using geo::IntRect;

namespace {

// A vector chart over a fixed extent and rectangle, wrapping at 180 when asked.
class FixedVectorDoc : public charts::CVectorChartDoc {
public:
    FixedVectorDoc(CPosition nw, CPosition se, bool dateLine, IntRect visible)
        : m_nw(nw), m_se(se), m_rect(visible)
    {
        SetCrossesDateLine(dateLine);
        SetWholeExtent(nw, se);
    }
    bool GetExtent(CPosition& nw, CPosition& se) const override
    {
        nw = m_nw;
        se = m_se;
        return true;
    }
    void GetVisibleRect(IntRect& r) override { r = m_rect; }
    bool IsChartLoaded() const override { return true; }

private:
    CPosition m_nw, m_se;
    IntRect m_rect;
};

struct Extent {
    double north, west, south, east;
};

Extent ExtentOf(const CBlankChartDoc& doc)
{
    CPosition nw, se;
    doc.GetExtent(nw, se);
    return {nw.GetLatitude(), nw.GetLongitude(), se.GetLatitude(), se.GetLongitude()};
}

void ExpectExtent(const CBlankChartDoc& doc, Extent e, const char* what)
{
    const Extent got = ExtentOf(doc);
    EXPECT_NEAR(got.north, e.north, 1e-9) << what;
    EXPECT_NEAR(got.west, e.west, 1e-9) << what;
    EXPECT_NEAR(got.south, e.south, 1e-9) << what;
    EXPECT_NEAR(got.east, e.east, 1e-9) << what;
}

// A blank chart opened in a fake window of the given client size.
struct OpenBlank {
    explicit OpenBlank(int w, int h) : window(IntRect{0, 0, w, h})
    {
        window.doc = &doc;
        doc.AttachWindow(&window);
        EXPECT_TRUE(doc.OnOpenDocument(""));
    }
    FakeChartWindow window;
    CBlankChartDoc doc;
};

}   // namespace

TEST(VectorChartDoc, MappingAcrossTheDateLineAndBack)
{
    // 170 E to 170 W over 200 pixels: 10 pixels a degree.
    FixedVectorDoc doc(CPosition(10, 170), CPosition(-10, -170), true, {0, 0, 200, 200});
    struct Row {
        double lon;
        int x;
        double back;
    };
    for (const Row& row : {Row{175, 50, 175}, Row{-175, 150, -175}, Row{180, 100, 180},
                           Row{170, 0, 170}, Row{-179.5, 105, -179.5}}) {
        IntPoint p;
        ASSERT_TRUE(doc.PositionToPoint(CPosition(0, row.lon), p));
        EXPECT_EQ(p.x, row.x) << row.lon;
        EXPECT_EQ(p.y, 100);
        CPosition back;
        ASSERT_TRUE(doc.PointToPosition(p, back));
        EXPECT_NEAR(back.GetLongitude(), row.back, 1e-9) << row.lon;
    }
    // On the chart: strictly inside, on either side of 180.
    EXPECT_TRUE(doc.IsPositionOnChart(CPosition(0, 179)));
    EXPECT_TRUE(doc.IsPositionOnChart(CPosition(0, -171)));
    EXPECT_FALSE(doc.IsPositionOnChart(CPosition(0, 170)));   // the west edge itself
    EXPECT_FALSE(doc.IsPositionOnChart(CPosition(0, 0)));
    // A position off the extent still maps; an empty rectangle does not.
    IntPoint p;
    EXPECT_TRUE(doc.PositionToPoint(CPosition(0, 160), p));
    FixedVectorDoc empty(CPosition(10, 170), CPosition(-10, -170), true, {0, 0, 0, 200});
    EXPECT_FALSE(empty.PositionToPoint(CPosition(0, 175), p));
    CPosition unused;
    EXPECT_FALSE(empty.PointToPosition({1, 1}, unused));

    // A view of part of a crossing chart, all of it east of 180 (171 E to
    // 175 E): both ways map straight over the four degrees.
    FixedVectorDoc part(CPosition(10, 171), CPosition(-10, 175), true, {0, 0, 400, 400});
    ASSERT_TRUE(part.PositionToPoint(CPosition(0, 173), p));
    EXPECT_EQ(p.x, 200);
    CPosition back;
    ASSERT_TRUE(part.PointToPosition(p, back));
    EXPECT_NEAR(back.GetLongitude(), 173.0, 1e-9);
    ASSERT_TRUE(part.PointToPosition({400, 0}, back));
    EXPECT_NEAR(back.GetLongitude(), 175.0, 1e-9);
}

// Positions map as the share of the span, then pixels: x = left + trunc(d /
// span x W), y = top + trunc((north - lat) / (north - south) x H); the chart's
// own drawing maps its points the same way, so both meet to the pixel.
TEST(VectorChartDoc, PixelsAreTheShareOfTheSpanTruncated)
{
    const CPosition nw(48.3127, -123.4391), se(47.0713, -121.9077);
    const IntRect r{7, 11, 1283, 817};
    const int w = r.right - r.left, h = r.bottom - r.top;
    FixedVectorDoc doc(nw, se, false, r);
    const charts::CLinearProjection projection(nw, se, r);
    const double west = nw.GetLongitude(), north = nw.GetLatitude();
    const double lonSpan = se.GetLongitude() - west, latSpan = north - se.GetLatitude();
    const auto wantX = [&](double lon) {
        return r.left + int(std::trunc((lon - west) / lonSpan * w));
    };
    const auto wantY = [&](double lat) {
        return r.top + int(std::trunc((north - lat) / latSpan * h));
    };
    const auto units = [](double deg) { return std::int32_t(std::lround(deg * 1e7)); };
    // Positions at the pixels' own edges, where the order of the arithmetic
    // decides which side of the edge a position falls on.
    for (int i = 0; i <= w; ++i) {
        const double lon = west + lonSpan * i / w;
        const double lat = north - latSpan * std::min(i, h) / h;
        IntPoint p;
        ASSERT_TRUE(doc.PositionToPoint(CPosition(lat, lon), p));
        ASSERT_EQ(p.x, wantX(lon)) << "pixel column " << i;
        ASSERT_EQ(p.y, wantY(lat)) << "pixel row " << std::min(i, h);
        const double lonQ = units(lon) * 1e-7, latQ = units(lat) * 1e-7;
        const IntPoint q = projection.ToPoint(units(lon), units(lat));
        ASSERT_EQ(q.x, wantX(lonQ)) << "pixel column " << i;
        ASSERT_EQ(q.y, wantY(latQ)) << "pixel row " << std::min(i, h);
    }
}

TEST(VectorChartDoc, GridIntervalsAndRangeText)
{
    struct Round {
        double in, decimal;
    };
    for (const Round& r :
         {Round{0.3, 0.5}, Round{1, 2}, Round{2, 5}, Round{10, 20}, Round{-7, -10}})
        EXPECT_DOUBLE_EQ(chart::RoundGridInterval(r.in), r.decimal) << r.in;
    EXPECT_EQ(chart::RoundGridInterval(1e-9), 0.0);
    EXPECT_DOUBLE_EQ(chart::RoundGridIntervalMinutes(45), 60);
    EXPECT_DOUBLE_EQ(chart::RoundGridIntervalMinutes(90), 120);
    EXPECT_DOUBLE_EQ(chart::RoundGridIntervalMinutes(0.5), 1);

    struct Span {
        double span, interval;
    };
    for (const Span& s : {Span{360, 100}, Span{6, 2}, Span{5, 2}, Span{1, 1.0 / 3},
                          Span{0.5, 1.0 / 3}, Span{0.1, 1.0 / 30}}) {
        EXPECT_NEAR(charts::GridInterval(s.span), s.interval, 1e-12) << s.span;
    }
    // Spans below every table row still get a grid finer than the span.
    for (double tiny : {5.0 / 60000, 1e-5, 1e-9}) {
        const double i = charts::GridInterval(tiny);
        EXPECT_GE(i, 1e-6) << tiny;
        EXPECT_LT(i, 1e-4) << tiny;
    }

    FixedVectorDoc thirty(CPosition(50.5, 0), CPosition(50, 1), false, {0, 0, 100, 100});
    EXPECT_EQ(thirty.GetExtentText(), "      30nm");
    FixedVectorDoc half(CPosition(50.5, 0), CPosition(50.5 - 1.0 / 120, 1), false,
                        {0, 0, 100, 100});
    EXPECT_EQ(half.GetExtentText(), "    0.50nm");
}

TEST(VectorChartDoc, GridLinesFollowTheExtent)
{
    FixedVectorDoc doc(CPosition(56, 0), CPosition(50, 6), false, {0, 0, 600, 600});
    const auto lines = doc.ComputeGridLines();
    std::vector<int> meridians, parallels;
    for (const auto& l : lines)
        (l.meridian ? meridians : parallels).push_back(l.at);
    // 6 degrees each way: every 2 degrees; the first parallel above 50 N.
    EXPECT_EQ(meridians, (std::vector<int>{0, 200, 400}));
    EXPECT_EQ(parallels, (std::vector<int>{400, 200}));
    EXPECT_EQ(lines.front().labelAt, (IntPoint{18, 14}));
}

// All of the current extent is shown, in the largest rectangle of its
// proportions at the window's bottom-left corner: the whole world runs from
// 180 W to 180 E whatever the window's shape.
TEST(BlankChart, WholeWorldShowsEveryLongitudeAtTheBottomLeft)
{
    OpenBlank b(800, 400);
    IntRect r;
    b.doc.GetVisibleRect(r);
    EXPECT_EQ(r, (IntRect{0, 0, 800, 400}));
    EXPECT_EQ(b.doc.GetChartType(), chart::kChartBlank);
    EXPECT_EQ(b.doc.GetName(), "Blank Chart");
    ExpectExtent(b.doc, {90, -180, -90, 180}, "two to one");
    // A taller window leaves its spare height above the world, a wider one
    // its spare width to the right.
    struct Row {
        int w, h;
        IntRect visible;
    };
    for (const Row& row : {Row{800, 600, {0, 200, 800, 600}}, Row{1000, 400, {0, 0, 800, 400}},
                           Row{300, 900, {0, 750, 300, 900}}, Row{801, 400, {0, 0, 800, 400}}}) {
        OpenBlank view(row.w, row.h);
        view.doc.GetVisibleRect(r);
        EXPECT_EQ(r, row.visible) << row.w << "x" << row.h;
        ExpectExtent(view.doc, {90, -180, -90, 180}, "the whole world");
        // Zoom Out stays offered on the whole world, and leaves it as it is.
        EXPECT_FALSE(view.doc.IsAtMinZoom()) << row.w << "x" << row.h;
        EXPECT_TRUE(view.doc.ZoomOut());
        ExpectExtent(view.doc, {90, -180, -90, 180}, "zoomed out on the whole world");
        // The rectangle's corners are the world's.
        CPosition nw, se;
        ASSERT_TRUE(view.doc.PointToPosition({r.left, r.top}, nw));
        ASSERT_TRUE(view.doc.PointToPosition({r.right, r.bottom}, se));
        EXPECT_NEAR(nw.GetLatitude(), 90.0, 1e-9);
        EXPECT_NEAR(nw.GetLongitude(), -180.0, 1e-9);
        EXPECT_NEAR(se.GetLatitude(), -90.0, 1e-9);
        EXPECT_NEAR(se.GetLongitude(), 180.0, 1e-9);
        IntPoint middle;
        ASSERT_TRUE(view.doc.PositionToPoint(CPosition(0.0, 0.0), middle));
        EXPECT_EQ(middle, (IntPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2}));
        // Below the rectangle's top edge a point is on the chart, above it not.
        EXPECT_TRUE(view.doc.IsChartPointOnChart({r.left, r.top}));
        EXPECT_FALSE(view.doc.IsChartPointOnChart({r.left, r.top - 1}));
    }
    // A window of no width leaves the caller's rectangle as it was; one of
    // no height has an empty rectangle at its bottom-left corner.
    OpenBlank none(0, 300);
    r = {1, 2, 3, 4};
    none.doc.GetVisibleRect(r);
    EXPECT_EQ(r, (IntRect{1, 2, 3, 4}));
    OpenBlank flat(800, 0);
    flat.doc.GetVisibleRect(r);
    EXPECT_EQ(r, (IntRect{0, 0, 0, 0}));
    IntPoint unused;
    EXPECT_FALSE(flat.doc.PositionToPoint(CPosition(0.0, 0.0), unused));
}

TEST(BlankChart, ZoomInOutAndFull)
{
    OpenBlank b(800, 400);
    EXPECT_FALSE(b.doc.ZoomOut() && false);
    ExpectExtent(b.doc, {90, -180, -90, 180}, "zoom out from the world");
    ASSERT_TRUE(b.doc.ZoomIn());
    ExpectExtent(b.doc, {45, -90, -45, 90}, "one zoom in");
    ASSERT_TRUE(b.doc.ZoomIn());
    ExpectExtent(b.doc, {22.5, -45, -22.5, 45}, "two");
    ASSERT_TRUE(b.doc.ZoomOut());
    ExpectExtent(b.doc, {45, -90, -45, 90}, "back out");
    ASSERT_TRUE(b.doc.ZoomOut());
    ASSERT_TRUE(b.doc.ZoomOut());
    ExpectExtent(b.doc, {90, -180, -90, 180}, "stops at the world");
    ASSERT_TRUE(b.doc.ZoomIn());
    ASSERT_TRUE(b.doc.ZoomFull());
    ExpectExtent(b.doc, {90, -180, -90, 180}, "full");
    EXPECT_GT(b.window.chartRedraws, 0);
    // Zoom in until the kind refuses: the extent shrinks to the limit and stops.
    EXPECT_TRUE(b.doc.ZoomMax());
    EXPECT_FALSE(b.doc.ZoomIn());
    const Extent tiny = ExtentOf(b.doc);
    EXPECT_LT(tiny.east - tiny.west, 1e-5);
}

TEST(BlankChart, ZoomOutEndsAtTheWholeWorldZoomInAtAMicroDegree)
{
    // Zoom Out is never greyed; zooming out further than the whole world
    // leaves the whole world.
    for (auto [w, h] : {std::pair{800, 600}, std::pair{1000, 300}}) {
        OpenBlank b(w, h);
        EXPECT_FALSE(b.doc.IsAtMinZoom()) << w << "x" << h;
        ASSERT_TRUE(b.doc.ZoomIn());
        EXPECT_FALSE(b.doc.IsAtMinZoom());
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(b.doc.ZoomOut());
        EXPECT_FALSE(b.doc.IsAtMinZoom());
        ExpectExtent(b.doc, {90, -180, -90, 180}, "zoomed out past the world");
    }
    // No chart data to outgrow: the blank chart zooms in far below a metre.
    // Zoom In stays offered there, as the view's corners never come to share
    // a micro-degree: pressed, it refuses and leaves the view as it is.
    OpenBlank b(800, 600);
    EXPECT_FALSE(b.doc.IsAtMaxZoom());
    EXPECT_TRUE(b.doc.ZoomMax());
    double metres = 0;
    ASSERT_TRUE(b.doc.GetMetresPerPixel(metres));
    EXPECT_LT(metres, 0.01);
    const Extent limit = ExtentOf(b.doc);
    EXPECT_FALSE(b.doc.IsAtMaxZoom());
    EXPECT_FALSE(b.doc.ZoomIn());
    ExpectExtent(b.doc, limit, "Zoom In pressed at the limit");
    // A view whose corners share a micro-degree is at the limit.
    ASSERT_TRUE(b.doc.SetViewExtent(CPosition(10.0000001, 20.0), CPosition(10.0000004, 21.0)));
    EXPECT_TRUE(b.doc.IsAtMaxZoom());
}

TEST(BlankChart, ZoomOutStopsEachSideAtTheWorldsEdge)
{
    OpenBlank b(800, 400);
    // The world at 0.45 degrees a pixel: the window's top-left quarter.
    ASSERT_TRUE(b.doc.ZoomToRect(0, 0, 400, 200));
    ExpectExtent(b.doc, {90, -180, 0, 0}, "the north-west quarter");
    // Doubled about the middle (45 N 90 W): north and west stop at the
    // world's edge, south and east still move out by half the old spans.
    ASSERT_TRUE(b.doc.ZoomOut());
    ExpectExtent(b.doc, {90, -180, -45, 90}, "zoomed out at the corner");
    ASSERT_TRUE(b.doc.ZoomOut());
    ASSERT_TRUE(b.doc.ZoomOut());
    ExpectExtent(b.doc, {90, -180, -90, 180}, "the whole world");
}

TEST(BlankChart, ZoomToRectangle)
{
    struct Row {
        IntRect drag;
        bool ok;
        Extent extent;
        const char* what;
    };
    // The window is 800x600: the world shows 180 W to 180 E over its width
    // and 90 N to 90 S over the 400 pixels at its bottom, 0.45 degrees a
    // pixel, a degree as wide as high. A rectangle is cut at the chart's top
    // edge, then given the window's proportions (3 high to 4 wide): too tall,
    // it widens to the right, or to the left where the view has no room to
    // the right; too wide, it heightens upward, or downward where the view
    // has no room above.
    const Row rows[] = {
        {{100, 300, 101, 500}, false, {}, "narrower than 2 px"},
        {{100, 300, 300, 301}, false, {}, "lower than 2 px"},
        {{100, 300, 300, 500}, true, {45, -135, -45, -180 + 366 * 0.45}, "widened right"},
        {{700, 300, 780, 500},
         true,
         {45, -180 + 514 * 0.45, -45, -180 + 780 * 0.45},
         "widened left at the east edge"},
        {{100, 400, 300, 450}, true, {45, -135, -22.5, -45}, "heightened upward"},
        {{100, 300, 300, 340}, true, {45, -135, -22.5, -45}, "heightened downward"},
        {{300, 600, 100, 400}, true, {0, -135, -90, -180 + 366 * 0.45}, "dragged right to left"},
        {{100, 100, 300, 300}, true, {90, -135, 22.5, -45}, "cut at the top edge"},
        {{100, 20, 300, 180}, false, {}, "wholly above the chart"},
    };
    for (const Row& row : rows) {
        OpenBlank b(800, 600);
        EXPECT_EQ(b.doc.ZoomToRect(row.drag.left, row.drag.top, row.drag.right, row.drag.bottom),
                  row.ok)
            << row.what;
        if (row.ok)
            ExpectExtent(b.doc, row.extent, row.what);
        else
            ExpectExtent(b.doc, {90, -180, -90, 180}, row.what);
    }
}

// A degree of longitude takes as many pixels as a degree of latitude, on the
// whole world and on a small view far north alike; Zoom In widens what it
// keeps to the window's proportions to the east or north.
TEST(BlankChart, ADegreeIsAsWideAsHighEverywhere)
{
    OpenBlank b(800, 600);
    IntPoint o, e, n;
    ASSERT_TRUE(b.doc.PositionToPoint(CPosition(0.0, 0.0), o));
    ASSERT_TRUE(b.doc.PositionToPoint(CPosition(0.0, 30.0), e));
    ASSERT_TRUE(b.doc.PositionToPoint(CPosition(30.0, 0.0), n));
    EXPECT_NEAR(e.x - o.x, o.y - n.y, 1) << "the world: a degree as wide as high";

    // The world halved about 0, 0 (45 N to 45 S, 90 W to 90 E) takes the
    // window's 3:4 by moving its north edge up to 90 N.
    ASSERT_TRUE(b.doc.ZoomIn());
    ExpectExtent(b.doc, {90, -90, -45, 90}, "zoomed in, heightened to the north");
    // In a window taller than the view, the east edge moves instead.
    OpenBlank tall(400, 600);
    ASSERT_TRUE(tall.doc.SetViewExtent(CPosition(20.0, -10.0), CPosition(-20.0, 10.0)));
    ASSERT_TRUE(tall.doc.ZoomIn());
    ExpectExtent(tall.doc, {10, -5, -10, -5 + 20 / 1.5}, "zoomed in, widened to the east");

    ASSERT_TRUE(b.doc.SetViewExtent(CPosition(48.025, -122.6), CPosition(47.975, -122.4)));
    // A square of degrees at the view's middle: its width over its height on screen.
    auto degreeRatio = [&b] {
        const Extent x = ExtentOf(b.doc);
        const double lat = (x.north + x.south) / 2, lon = (x.west + x.east) / 2;
        const double half = 0.5 / 60;
        IntPoint nw, se;
        EXPECT_TRUE(b.doc.PositionToPoint(CPosition(lat + half, lon - half), nw));
        EXPECT_TRUE(b.doc.PositionToPoint(CPosition(lat - half, lon + half), se));
        return std::make_pair(double(se.x - nw.x) / (se.y - nw.y), se.y - nw.y);
    };
    auto [ratio, height] = degreeRatio();
    EXPECT_GT(height, 60);
    EXPECT_NEAR(ratio, 1.0, 0.02) << "at 48 N";

    // The same span far north: a degree is still as wide as high.
    ASSERT_TRUE(b.doc.SetViewExtent(CPosition(72.025, -122.6), CPosition(71.975, -122.4)));
    EXPECT_NEAR(degreeRatio().first, 1.0, 0.02) << "further north";
}

// The view only zooms: pan steps, scroll requests, centring and autoscroll
// leave it where it is, answering 0, 0, false and no new chart; asking the
// scroll position answers where the view lies in the world, in per cent.
TEST(BlankChart, DoesNotPanScrollOrCentre)
{
    OpenBlank b(800, 400);
    b.doc.PanLeft();
    ExpectExtent(b.doc, {90, -180, -90, 180}, "the world does not pan");
    // 180 by 90 degrees over 800 by 400 pixels, 45 N 90 W to 45 S 90 E.
    ASSERT_TRUE(b.doc.ZoomIn());
    const Extent middle{45, -90, -45, 90};
    ExpectExtent(b.doc, middle, "zoomed in");
    EXPECT_EQ(b.doc.OnHScroll(CBlankChartDoc::kScrollQuery), 25);
    EXPECT_EQ(b.doc.OnVScroll(CBlankChartDoc::kScrollQuery), 25);
    const int redraws = b.window.chartRedraws;
    for (int step : {-100, 100, -10000}) {
        EXPECT_EQ(b.doc.PanHorizontal(step), 0) << step;
        EXPECT_EQ(b.doc.PanVertical(step), 0) << step;
    }
    b.doc.PanLeft();
    b.doc.PanRight();
    b.doc.PanUp();
    b.doc.PanDown();
    ExpectExtent(b.doc, middle, "pan steps");
    for (int request : {0, 50, 100}) {
        EXPECT_EQ(b.doc.OnHScroll(request), 0) << request;
        EXPECT_EQ(b.doc.OnVScroll(request), 0) << request;
    }
    ExpectExtent(b.doc, middle, "scroll requests");
    EXPECT_FALSE(b.doc.CentreOnPosition(CPosition(30.0, 40.0), false));
    EXPECT_FALSE(b.doc.CentreOnPosition(CPosition(-60.0, 170.0), true));
    ExpectExtent(b.doc, middle, "centring");
    EXPECT_EQ(b.doc.AutoscrollToPosition(CPosition(40.0, 80.0)), nullptr);
    ExpectExtent(b.doc, middle, "autoscroll at the view's edge");
    EXPECT_EQ(b.window.chartRedraws, redraws) << "nothing to redraw";
    // The query still follows the zoom: the window's top-left quarter of the
    // world shows the world's north-west corner at the view's.
    ASSERT_TRUE(b.doc.ZoomFull());
    ASSERT_TRUE(b.doc.ZoomToRect(0, 0, 400, 200));
    EXPECT_EQ(b.doc.OnHScroll(CBlankChartDoc::kScrollQuery), 0);
    EXPECT_EQ(b.doc.OnVScroll(CBlankChartDoc::kScrollQuery), 0);
    ASSERT_TRUE(b.doc.ZoomFull());
    ASSERT_TRUE(b.doc.ZoomToRect(400, 200, 800, 400));
    ExpectExtent(b.doc, {0, 0, -90, 180}, "the south-east quarter");
    EXPECT_EQ(b.doc.OnHScroll(CBlankChartDoc::kScrollQuery), 50);
    EXPECT_EQ(b.doc.OnVScroll(CBlankChartDoc::kScrollQuery), 50);
}

TEST(BlankChart, EmptyViewAnswersWithoutDividingByZero)
{
    OpenBlank b(0, 0);
    EXPECT_EQ(b.doc.OnHScroll(CBlankChartDoc::kScrollQuery), -1);
    EXPECT_EQ(b.doc.OnVScroll(CBlankChartDoc::kScrollQuery), -1);
    std::string text = "x";
    double mpp = 0;
    EXPECT_FALSE(b.doc.GetResolutionText(text, mpp));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(b.doc.ZoomIn());
    OpenBlank ok(800, 400);
    EXPECT_TRUE(ok.doc.GetResolutionText(text, mpp));
    EXPECT_EQ(text, "50004");   // 180 degrees x 60 x 1852 m over 400 px
}

TEST(BlankChart, DragKeepsTheViewProportionsInSixteenBits)
{
    OpenBlank b(30000, 30000);
    b.doc.BeginDrag({0, 0}, false);
    b.doc.DragTo({100000, 5});
    EXPECT_EQ(b.doc.DragRect(), (IntRect{0, 0, 100000, 32767}));
    b.doc.EndDrag({-200, -1});
    EXPECT_EQ(b.doc.DragRect(), (IntRect{-200, 0, 0, -200}));

    // On an 800 by 400 view the far corner's height is half its width, up or
    // down as the pointer is; a continued drag puts the far corner at the
    // point itself, and the end puts left and right in order.
    OpenBlank v(800, 400);
    v.doc.BeginDrag({100, 100}, false);
    EXPECT_EQ(v.doc.DragRect(), (IntRect{100, 100, 100, 100}));
    EXPECT_EQ(v.window.viewRedraws, 1);
    v.doc.DragTo({300, 50});
    EXPECT_EQ(v.doc.DragRect(), (IntRect{100, 100, 300, 0}));
    v.doc.DragTo({300, 150});
    EXPECT_EQ(v.doc.DragRect(), (IntRect{100, 100, 300, 200}));
    v.doc.BeginDrag({350, 120}, true);
    EXPECT_EQ(v.doc.DragRect(), (IntRect{100, 100, 350, 120}));
    EXPECT_EQ(v.window.viewRedraws, 2);
    v.doc.EndDrag({20, 100});
    EXPECT_EQ(v.doc.DragRect(), (IntRect{20, 100, 100, 60}));

    // A view with no height: the height follows the width one to one.
    OpenBlank flat(800, 0);
    flat.doc.BeginDrag({100, 100}, false);
    flat.doc.DragTo({150, 90});
    EXPECT_EQ(flat.doc.DragRect(), (IntRect{100, 100, 150, 50}));
}

TEST(BlankChart, PlacementGivesBackTheExtentExactly)
{
    brine_test::TempFolder dir;
    platform::CSettingsStore store(dir / "s.conf");
    app::CRegistry reg(store);
    OpenBlank a(640, 480);
    a.window.placement.normal = {10, 20, 650, 500};
    ASSERT_TRUE(a.doc.ZoomToRect(100, 300, 260, 420));
    ASSERT_TRUE(a.doc.ZoomToRect(133, 37, 293, 157));
    ASSERT_TRUE(reg.OpenKeyForWrite("K"));
    a.doc.SaveWindowPlacement(reg);
    reg.Close();

    OpenBlank b(640, 480);
    ASSERT_TRUE(reg.OpenKeyForRead("K"));
    b.doc.RestoreWindowPlacement(reg);
    reg.Close();
    const Extent ea = ExtentOf(a.doc), eb = ExtentOf(b.doc);
    EXPECT_EQ(ea.north, eb.north);
    EXPECT_EQ(ea.west, eb.west);
    EXPECT_EQ(ea.south, eb.south);
    EXPECT_EQ(ea.east, eb.east);
    EXPECT_EQ(b.window.placement.normal, a.window.placement.normal);
}

TEST(BlankChart, ViewStateIsTakenOverExactly)
{
    OpenBlank a(640, 480), b(640, 480);
    ASSERT_TRUE(a.doc.ZoomToRect(100, 300, 260, 420));
    ASSERT_TRUE(a.doc.ZoomToRect(133, 37, 293, 157));
    ASSERT_TRUE(b.doc.TakeOverViewState(a.doc));
    const Extent ea = ExtentOf(a.doc), eb = ExtentOf(b.doc);
    EXPECT_EQ(ea.north, eb.north);
    EXPECT_EQ(ea.west, eb.west);
    EXPECT_EQ(ea.south, eb.south);
    EXPECT_EQ(ea.east, eb.east);
    EXPECT_FALSE(b.doc.TakeOverViewState(b.doc));
}

TEST(BlankChartService, OpensEverythingButRasterAndVectorCharts)
{
    brine_test::TempFolder dir;
    brine_test::FileSettingsHome home(dir / "s.conf");
    charts::CBlankChartService service(home);
    for (const char* ext : {"", "txt", "bb"})
        EXPECT_TRUE(service.OpensExtension(ext)) << ext;
    for (const char* ext : {"CHR", "b", "B"})
        EXPECT_FALSE(service.OpensExtension(ext)) << ext;
}

TEST(BlankChart, EveryGridLineIsLabelledAtItsPlace)
{
    // A small, a tall and a large window, and narrow and low ones where the
    // labels crowd: each meridian's label runs down from the top, 18 pixels
    // right of its line, each parallel's sits at the left edge 18 pixels
    // above its line; none is left out, however close.
    for (IntPoint size : {IntPoint{400, 300}, IntPoint{400, 800}, IntPoint{1200, 700},
                          IntPoint{90, 300}, IntPoint{300, 60}}) {
        OpenBlank b(size.x, size.y);
        chart::CXDC dc(std::make_unique<chart::CRecordingBackend>());
        ASSERT_TRUE(b.doc.DrawGrid(dc));
        const auto lines = b.doc.ComputeGridLines();
        const auto& records = static_cast<chart::CRecordingBackend*>(dc.Backend())->Records();
        IntRect r;
        b.doc.GetVisibleRect(r);
        std::vector<std::pair<IntPoint, std::string>> texts;
        int meridians = 0, parallels = 0;
        for (const chart::DrawRecord& rec : records) {
            if (rec.op != chart::DrawOp::Text)
                continue;
            const bool meridian = rec.font.escapement != 0;
            EXPECT_EQ(rec.font.height, meridian ? 14 : 16);
            (meridian ? meridians : parallels) += 1;
            texts.emplace_back(rec.points[0], rec.text);
        }
        ASSERT_EQ(texts.size(), lines.size()) << size.x << "x" << size.y;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const charts::CGridLine& line = lines[i];
            const IntPoint at = line.meridian ? IntPoint{line.at + 18, r.top + 14}
                                              : IntPoint{r.left + 5, line.at - 18};
            EXPECT_EQ(texts[i].first, at) << size.x << "x" << size.y << ": " << line.label;
            EXPECT_EQ(texts[i].second, line.label);
        }
        EXPECT_GT(meridians, 0) << size.x << "x" << size.y;
        EXPECT_GT(parallels, 0) << size.x << "x" << size.y;
    }
}

// What the navigator, routes and targets ask of an open chart: the shift into
// its datum (a copy, status 2), the client points of a position, whether a
// position is in view, a client point on the chart, the centre,
// and the Dusk and Night colours dimmed from Day by a quarter and a half.
TEST(BlankChart, AnswersTheNavigatorRoutesAndTargetsRelyOn)
{
    OpenBlank b(800, 400);
    EXPECT_TRUE(b.doc.IsChartLoaded());
    const CPosition p(10.0, 20.0, 0.0, 1);
    CPosition shifted(0.0, 0.0);
    EXPECT_EQ(b.doc.ShiftToChartDatum(p, shifted), chart::kShiftNone);
    EXPECT_FALSE(shifted != p);
    // A position the chart cannot show: status 4.
    CPosition nowhere(0.0, 0.0);
    nowhere.Invalidate();
    EXPECT_EQ(b.doc.ShiftToChartDatum(nowhere, shifted), chart::kShiftNotOnChart);

    chart::PointList points{{1, 1}};
    ASSERT_TRUE(b.doc.PositionToClientPoints(CPosition(0.0, 0.0), points));
    EXPECT_EQ(points, (chart::PointList{{400, 200}}));
    EXPECT_TRUE(b.doc.IsPositionVisible(CPosition(0.0, 0.0)));
    CPosition invalid(0.0, 0.0);
    invalid.Invalidate();
    EXPECT_FALSE(b.doc.IsPositionVisible(invalid));

    // Zoomed in twice on 0,0 the view holds 22.5 degrees either side: 30N
    // is on the chart but outside the view, and the client point at the
    // view's edge is on it while one past the client rectangle is not.
    ASSERT_TRUE(b.doc.ZoomIn());
    ASSERT_TRUE(b.doc.ZoomIn());
    EXPECT_TRUE(b.doc.IsPositionOnChart(CPosition(30.0, 0.0)));
    EXPECT_FALSE(b.doc.IsPositionVisible(CPosition(30.0, 0.0)));
    EXPECT_TRUE(b.doc.IsClientPointOnChart({0, 0}));
    EXPECT_FALSE(b.doc.IsClientPointOnChart({800, 0}));
    CPosition at;
    ASSERT_TRUE(b.doc.PointToPosition({400, 0}, at));
    EXPECT_NEAR(at.GetLatitude(), 22.5, 1e-9);

    // A view round 30N 40E (a restored placement's): the chart's centre is
    // there and it is in view.
    ASSERT_TRUE(b.doc.SetViewExtent(CPosition(52.5, -5.0), CPosition(7.5, 85.0)));
    CPosition centre;
    ASSERT_TRUE(b.doc.GetCentrePosition(centre));
    EXPECT_NEAR(centre.GetLatitude(), 30.0, 1e-6);
    EXPECT_NEAR(centre.GetLongitude(), 40.0, 1e-6);
    EXPECT_TRUE(b.doc.IsPositionVisible(CPosition(30.0, 40.0)));
    CPosition nw, se;
    ASSERT_TRUE(b.doc.GetExtent(nw, se));
    EXPECT_NEAR(nw.GetLatitude(), 52.5, 1e-6);
    EXPECT_NEAR(se.GetLongitude(), 85.0, 1e-6);

    const chart::ColourTable& day = b.doc.GetPaletteColours(chart::kPaletteDay);
    const chart::ColourTable& dusk = b.doc.GetPaletteColours(chart::kPaletteDusk);
    const chart::ColourTable& night = b.doc.GetPaletteColours(chart::kPaletteNight);
    using app::GetBValue, app::GetGValue, app::GetRValue, app::RGB;
    ASSERT_GT(b.doc.GetColourCount(), 0);
    for (std::size_t i = 0; i < b.doc.GetColourCount(); ++i) {
        const app::COLORREF d = app::PixelToColour(day[i]);
        EXPECT_EQ(app::PixelToColour(dusk[i]),
                  RGB(unsigned(GetRValue(d) * 0.75), unsigned(GetGValue(d) * 0.75),
                      unsigned(GetBValue(d) * 0.75)))
            << i;
        EXPECT_EQ(app::PixelToColour(night[i]),
                  RGB(GetRValue(d) / 2, GetGValue(d) / 2, GetBValue(d) / 2))
            << i;
    }
}

// The Dusk and Night tables are the Day table dimmed by a quarter and by half.
TEST(BlankChart, DuskAndNightTablesAreTheDayTableDimmed)
{
    OpenBlank b(200, 100);
    const chart::ColourTable& day = b.doc.GetPaletteColours(chart::kPaletteDay);
    const chart::ColourTable& dusk = b.doc.GetPaletteColours(chart::kPaletteDusk);
    const chart::ColourTable& night = b.doc.GetPaletteColours(chart::kPaletteNight);
    ASSERT_GT(b.doc.GetColourCount(), 0);
    ASSERT_NE(day[0], 0u);
    for (std::size_t i = 0; i < day.size(); ++i) {
        const app::COLORREF c = app::PixelToColour(day[i]);
        const auto dimmed = [c](double f) {
            return app::RGB(unsigned(app::GetRValue(c) * f), unsigned(app::GetGValue(c) * f),
                            unsigned(app::GetBValue(c) * f));
        };
        EXPECT_EQ(app::PixelToColour(dusk[i]), dimmed(0.75)) << i;
        EXPECT_EQ(app::PixelToColour(night[i]), dimmed(0.5)) << i;
    }
}

// Zoomed in below a few metres, neighbouring grid lines never carry the same
// label, whatever the format's decimals: a line between two label texts
// would repeat one of them.
TEST(BlankChart, DeepestZoomGridLabelsAreDistinct)
{
    auto expectDistinct = [](const std::vector<charts::CGridLine>& lines, const std::string& what) {
        for (std::size_t i = 1; i < lines.size(); ++i)
            if (lines[i].meridian == lines[i - 1].meridian)
                EXPECT_NE(lines[i].label, lines[i - 1].label) << what << " line " << i;
    };
    OpenBlank b(1600, 900);
    ASSERT_TRUE(b.doc.ZoomMax());
    expectDistinct(b.doc.ComputeGridLines(), "blank chart at its limit");

    const IntRect rect{0, 0, 1600, 900};
    for (double span : {8e-5, 3e-5, 8e-6, 2e-6}) {
        for (geo::CPositionFormat format :
             {geo::CPositionFormat{2, false}, {3, false}, {5, false}, {0, true}, {2, true}}) {
            for (double lon : {-0.00001, 123.4567891}) {
                FixedVectorDoc doc(CPosition(47.6 + span, lon), CPosition(47.6, lon + span), false,
                                   rect);
                charts::CGridInput in;
                doc.GetExtent(in.northWest, in.southEast);
                in.visible = rect;
                in.format = format;
                in.toPoint = [&doc](const CPosition& p, IntPoint& pt) {
                    return doc.PositionToPoint(p, pt);
                };
                expectDistinct(charts::ComputeGrid(in), std::to_string(span) + " at " +
                                                            std::to_string(lon) + ", " +
                                                            std::to_string(format.decimalPlaces) +
                                                            (format.degMinSec ? " DMS" : " DM"));
            }
        }
    }
    // With a label step finer than the finest row's, that row still decides.
    EXPECT_NEAR(charts::LabelStep({5, false}), 1e-5 / 60, 1e-18);
    EXPECT_NEAR(charts::LabelStep({2, true}), 1e-2 / 3600, 1e-15);
}

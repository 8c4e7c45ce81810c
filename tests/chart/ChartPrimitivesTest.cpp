#include <gtest/gtest.h>

#include <cmath>

#include "chart/ChartGeometry.h"
#include "chart/draw/RecordingBackend.h"

namespace {

using chart::DrawOp;
using geo::CPosition;
using geo::IntPoint;

// A linear chart: ten pixels a degree, 180 W at x 200 and 180 E at x 3800,
// the equator at y 1000; no chart point north of 85. Client points are chart
// points moved by (-5, -7), so tests see where the conversion was applied.
class LinearChart : public chart::CChartGeometry {
public:
    bool PositionToPoint(const CPosition& p, IntPoint& out) override
    {
        if (!p.IsValid() || p.GetLatitude() > 85.0)
            return false;
        out = {2000 + int(std::lround(p.GetLongitude() * 10)),
               1000 - int(std::lround(p.GetLatitude() * 10))};
        return true;
    }
    void ChartToClientPoint(const IntPoint& in, IntPoint& out) override
    {
        out = {in.x - 5, in.y - 7};
    }
    void GetVisibleRect(geo::IntRect& rect) override { rect = visible; }
    int ShiftToChartDatum(const CPosition& in, CPosition& out) override
    {
        out = in;
        return 2;
    }
    geo::IntRect visible{0, 0, 4000, 2000};
};

struct Drawing {
    Drawing() : dc(std::make_unique<chart::CRecordingBackend>()) { }
    const std::vector<chart::DrawRecord>& Records() const
    {
        return static_cast<chart::CRecordingBackend*>(dc.Backend())->Records();
    }
    chart::CXDC dc;
};

TEST(SplitAtDateLine, SplitsOnlyLinesLongerThanHalfTheWorld)
{
    struct Row {
        const char* name;
        CPosition a, b;
        std::vector<IntPoint> expected;   // chart points
    };
    const Row rows[] = {
        // 170 E to 170 W: two pieces meeting the meridian at one latitude (15).
        {"170 to -170", {10, 170}, {20, -170}, {{3700, 900}, {3800, 850}, {200, 850}, {300, 800}}},
        {"-170 to 170, west end first",
         {20, -170},
         {10, 170},
         {{3700, 900}, {3800, 850}, {200, 850}, {300, 800}}},
        // 180 takes the side of the other end: 180 to -10 is not split and the
        // caller's own positions reach the clipping (180 stays at x 3800).
        {"180 to -10", {0, 180}, {0, -10}, {{3800, 1000}, {1900, 1000}}},
        {"10 to 179", {0, 10}, {5, 179}, {{2100, 1000}, {3790, 950}}},
    };
    for (const Row& row : rows) {
        LinearChart chart;
        std::vector<IntPoint> out;
        chart.SplitAtDateLine(row.a, row.b, out);
        EXPECT_EQ(out, row.expected) << row.name;
    }
}

// The split works on copies of the caller's ends: each piece's outer end
// reaches the chart's conversion with the caller's datum, altitude and valid
// flag, and only the two meridian ends are new positions.
TEST(SplitAtDateLine, PiecesKeepTheirEndsFieldsAndValidFlag)
{
    class SeeingChart : public LinearChart {
    public:
        bool PositionToPoint(const CPosition& p, IntPoint& out) override
        {
            seen.push_back(p);
            return LinearChart::PositionToPoint(p, out);
        }
        std::vector<CPosition> seen;
    };
    SeeingChart chart;
    std::vector<IntPoint> out;
    const CPosition west(20, -170, 12.5, 3), east(10, 170, 7.0, 5);
    chart.SplitAtDateLine(west, east, out);
    ASSERT_EQ(chart.seen.size(), 4u);
    EXPECT_EQ(chart.seen[0], east);   // the eastern end comes first
    EXPECT_EQ(chart.seen[1], CPosition(15, 180));
    EXPECT_EQ(chart.seen[2], CPosition(15, -180));
    EXPECT_EQ(chart.seen[3], west);

    // An invalid end stays invalid in its piece: the chart refuses it and
    // only the other piece is kept.
    chart.seen.clear();
    out.clear();
    CPosition lost(0, -170, 0, 3);
    lost.Invalidate();
    chart.SplitAtDateLine(CPosition(10, 170), lost, out);
    EXPECT_EQ(out, (std::vector<IntPoint>{{3700, 900}, {3800, 950}}));
    ASSERT_EQ(chart.seen.size(), 4u);
    EXPECT_FALSE(chart.seen[3].IsValid());
}

TEST(ClipSegment, KeepsVisiblePartsAndClosesPolygons)
{
    LinearChart chart;
    chart.visible = {1000, 500, 3000, 1500};
    std::vector<IntPoint> out;
    chart.ClipSegment(CPosition(60, -170), CPosition(60, -160), out);   // wholly outside
    chart.ClipPolygon({CPosition(0, 0)}, out);   // one position
    EXPECT_TRUE(out.empty());

    chart.ClipSegment(CPosition(0, -150), CPosition(0, 0), out);   // cut at the left edge
    EXPECT_EQ(out, (std::vector<IntPoint>{{1000, 1000}, {2000, 1000}}));

    out.clear();
    chart.ClipPolygon({CPosition(0, 0), CPosition(0, 10), CPosition(10, 10)}, out);
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[4], (IntPoint{2100, 900}));   // the closing edge: last to first
    EXPECT_EQ(out[5], (IntPoint{2000, 1000}));

    // A position the chart has no point for adds nothing, clipped or drawn.
    out.clear();
    chart.visible = {0, 0, 4000, 2000};
    chart.ClipSegment(CPosition(89, 0), CPosition(0, 0), out);
    EXPECT_TRUE(out.empty());
}

TEST(PositionsToSegments, GivesClientPointsOfEachPiece)
{
    LinearChart chart;
    std::vector<IntPoint> out;
    chart.PositionsToSegments(CPosition(10, 170), CPosition(20, -170), out);
    EXPECT_EQ(out, (std::vector<IntPoint>{{3695, 893}, {3795, 843}, {195, 843}, {295, 793}}));
}

TEST(GeoDrawing, RefusedPositionsDrawNothing)
{
    LinearChart chart;
    Drawing d;
    const CPosition north(89, 0), ok(0, 0);
    chart.DrawGeoLine(d.dc, north, ok);
    chart.DrawGeoLine(d.dc, ok, north);
    chart.DrawArc(d.dc, north, ok);
    chart.DrawEllipse(d.dc, ok, north);
    CPosition invalid(0, 0);
    invalid.Invalidate();
    chart.DrawGeoLine(d.dc, invalid, ok);
    EXPECT_TRUE(d.Records().empty());

    chart.DrawGeoLine(d.dc, CPosition(0, 0), CPosition(0, 10));
    ASSERT_EQ(d.Records().size(), 1u);
    EXPECT_EQ(d.Records()[0].points, (std::vector<IntPoint>{{1995, 993}, {2095, 993}}));
}

TEST(ArcsAndEllipses, FollowTheirPoints)
{
    LinearChart chart;
    Drawing d;
    chart.DrawArcAround(d.dc, {50, 60}, {50, 60});   // equal points: radius 1
    chart.DrawArcAround(d.dc, {0, 0}, {30, 40});   // radius 50, ex 10, ey 13
    chart.DrawHalfEllipses(d.dc, {100, 10}, {120, 50});
    const auto& r = d.Records();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].points, (std::vector<IntPoint>{{49, 59}, {51, 61}, {49, 61}, {51, 59}}));
    EXPECT_EQ(r[1].points, (std::vector<IntPoint>{{-50, -50}, {50, 50}, {17, 50}, {43, 30}}));
    EXPECT_EQ(r[1].direction, chart::ArcDirection::CounterClockwise);
    EXPECT_EQ(r[2].points, (std::vector<IntPoint>{{100, 10}, {140, 50}, {120, 10}, {120, 50}}));
    EXPECT_EQ(r[3].points, (std::vector<IntPoint>{{100, 10}, {140, 50}, {120, 50}, {120, 10}}));
}

TEST(ArrowHead, CornersForEachHeading)
{
    struct Row {
        double angle;
        IntPoint tip, left, right;
    };
    const Row rows[] = {
        {0, {100, 90}, {95, 110}, {105, 110}},
        {90, {110, 100}, {90, 95}, {90, 105}},
        {180, {100, 110}, {105, 90}, {95, 90}},
        {45, {107, 93}, {89, 103}, {97, 111}},
    };
    for (const Row& row : rows) {
        const chart::ArrowHead h = chart::ComputeArrowHead({100, 100}, row.angle, 10, 5);
        EXPECT_EQ(h.tip, row.tip) << row.angle;
        EXPECT_EQ(h.left, row.left) << row.angle;
        EXPECT_EQ(h.right, row.right) << row.angle;
    }
    // The open head is two clipped lines; the filled one a triangle tip, right, left.
    LinearChart chart;
    Drawing d;
    chart.DrawRotatedSymbol(d.dc, {100, 100}, 0, 10, 5);
    chart::DrawRotatedPolygon(d.dc, {100, 100}, 0, 10, 5);
    chart.visible = {5, 7, 105, 207};   // client (0, 0)-(100, 200): right half cut off
    chart.DrawRotatedSymbol(d.dc, {100, 100}, 0, 10, 5);
    const auto& r = d.Records();
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0].points, (std::vector<IntPoint>{{95, 110}, {100, 90}}));
    EXPECT_EQ(r[1].points, (std::vector<IntPoint>{{100, 90}, {105, 110}}));
    EXPECT_EQ(r[2].op, DrawOp::Polygon);
    EXPECT_EQ(r[2].points, (std::vector<IntPoint>{{100, 90}, {105, 110}, {95, 110}}));
    EXPECT_EQ(r[4].points[1].x, 100);
}

TEST(DrawPointPairs, JoinsPairsUnderThePenAndRestoresIt)
{
    LinearChart chart;
    Drawing d;
    const chart::Pen red{chart::PenStyle::Dash, 2, app::RGB(255, 0, 0)};
    chart.DrawPointPairs(d.dc, {{10, 10}, {20, 10}, {30, 30}, {40, 40}, {99, 99}}, &red);
    const auto& r = d.Records();
    ASSERT_EQ(r.size(), 2u);   // the odd last point is ignored
    EXPECT_EQ(r[0].points, (std::vector<IntPoint>{{5, 3}, {15, 3}}));
    EXPECT_EQ(r[1].pen, red);
    EXPECT_EQ(d.dc.GetCurrentPen(), chart::Pen{});
}

// A zoomed raster chart: client points are chart points times 3, scrolled by
// (1000, 2000). Lines between client points are clipped to what the view
// shows, not to the chart points' rectangle.
TEST(DrawLine, ClipsClientPointsToTheVisibleRectangleAsTheViewShowsIt)
{
    class ZoomedChart : public LinearChart {
    public:
        void ChartToClientPoint(const IntPoint& in, IntPoint& out) override
        {
            out = {in.x * 3 - 1000, in.y * 3 - 2000};
        }
        void GetVisibleRect(geo::IntRect& rect) override { rect = {334, 667, 734, 934}; }
    };
    ZoomedChart chart;   // the client area is (2, 1)-(1202, 802)
    Drawing d;
    chart.DrawLine(d.dc, {600, 400}, {600, 380});   // the middle of the view
    chart.DrawLine(d.dc, {600, 400}, {600, 900});   // leaves it at the bottom
    chart.DrawLine(d.dc, {1500, 400}, {1600, 400});   // right of it
    const auto& r = d.Records();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].points, (std::vector<IntPoint>{{600, 400}, {600, 380}}));
    EXPECT_EQ(r[1].points, (std::vector<IntPoint>{{600, 400}, {600, 802}}));
}

TEST(GridIntervals, NextStepAboveTheValue)
{
    const std::pair<double, double> decimal[] = {
        {0.3, 0.5}, {-7, -10}, {1e-9, 0}, {1, 2}, {2, 5}, {10, 20}, {0.0012, 0.002}, {450, 500}};
    for (auto [x, want] : decimal)
        EXPECT_NEAR(chart::RoundGridInterval(x), want, 1e-12) << x;
    const std::pair<double, double> minutes[] = {{45, 60}, {90, 120}, {0.5, 1},    {5, 10},
                                                 {20, 30}, {1, 2},    {3600, 7200}};
    for (auto [x, want] : minutes)
        EXPECT_NEAR(chart::RoundGridIntervalMinutes(x), want, 1e-9) << x;
    EXPECT_TRUE(chart::IsOnSameParallelOrMeridian(CPosition(10.0000001, 5), CPosition(10, 6)));
    EXPECT_TRUE(chart::IsOnSameParallelOrMeridian(CPosition(1, 5), CPosition(10, 5.0000009)));
    EXPECT_FALSE(chart::IsOnSameParallelOrMeridian(CPosition(1, 5), CPosition(1.00001, 5.1)));
}

}   // namespace

// Point markers on a blank chart, drawn through the recording backend.

#include "chart/overlays/OverlayPoint.h"
#include "chart/overlays/OverlayLine.h"
#include "chart/overlays/OverlayText.h"

#include "OverlayTestSupport.h"
#include "chart/ChartDoc.h"
#include "chart/ChartingModule.h"

using namespace overlay_test;
using chart::COverlayChartpoint;
using chart::COverlayPoint;
using chart::COverlayPositionFix;

namespace {

// A chart whose datum lies a degree north of the positions it is given.
class ShiftedDatumChart : public charts::CBlankChartDoc {
public:
    int ShiftToChartDatum(const CPosition& in, CPosition& out) override
    {
        out = CPosition(in.GetLatitude() + 1.0, in.GetLongitude());
        return 0;
    }
};

struct TwiceShown {
    TwiceShown() : window(geo::IntRect{0, 0, 720, 360})
    {
        window.doc = &doc;
        doc.AttachWindow(&window);
        EXPECT_TRUE(doc.OnOpenDocument(""));
    }
    ~TwiceShown() { doc.OnCloseDocument(); }
    brine_test::FakeChartWindow window;
    TwiceShownChart doc;
};

}   // namespace

TEST(OverlayPoint, SizeScalingTruncatesPerMode)
{
    struct Row {
        std::uint8_t base;
        std::uint8_t small, medium, large;
    };
    COverlayPoint p;
    for (const Row& r : {Row{6, 6, 9, 12}, Row{5, 5, 7, 10}, Row{3, 3, 4, 6}, Row{1, 1, 1, 2},
                         Row{200, 200, 44, 144}}) {   // 8 bits: 300 and 400 wrap
        const std::uint8_t expected[] = {r.small, r.medium, r.large, r.small};
        for (int mode = 0; mode < 4; ++mode) {
            p.SetSizeMode(mode == 3 ? 7 : mode);
            EXPECT_EQ(p.ScaleSize(r.base), expected[mode]) << int(r.base) << " mode " << mode;
        }
    }
}

TEST(OverlayPoint, HitInsideTheRadiusOnlyAndAtEitherCopy)
{
    TwiceShown chart;
    COverlayPoint p;
    p.SetOwner(&chart.doc);
    p.SetPositionAndId(CPosition(10.0, 179.0), 42);
    chart::PointList points;
    ASSERT_TRUE(chart.doc.PositionToClientPoints(p.GetPosition(), points));
    ASSERT_EQ(points.size(), 2u);
    for (int mode : {0, 1, 2}) {
        p.SetSizeMode(mode);
        const int r = p.ScaleSize(COverlayPoint::kBaseHitSize);   // 5, 7, 10
        for (const IntPoint& at : points) {
            EXPECT_TRUE(p.HitTest({at.x + r - 1, at.y})) << mode;
            EXPECT_TRUE(p.HitTest({at.x, at.y - (r - 1)})) << mode;
            EXPECT_FALSE(p.HitTest({at.x + r, at.y})) << mode;
            EXPECT_FALSE(p.HitTest({at.x, at.y + r})) << mode;
        }
    }
    // Far away in both axes: the squares pass 2^31 and must not wrap into a hit.
    EXPECT_FALSE(p.HitTest({points[0].x + 46341, points[0].y + 46341}));
    EXPECT_FALSE(p.HitTest({points[0].x + 65536, points[0].y}));
    // No owner, or an invalid position: nothing to hit.
    COverlayPoint orphan;
    EXPECT_FALSE(orphan.HitTest({0, 0}));
    CPosition invalid(10.0, 10.0);
    invalid.Invalidate();
    p.SetPosition(invalid);
    EXPECT_FALSE(p.HitTest(points[0]));
}

TEST(OverlayPoint, DrawsAtEveryClientPointInOrder)
{
    TwiceShown chart;
    Recorder rec;
    COverlayChartpoint cp;
    cp.SetOwner(&chart.doc);
    cp.SetPosition(CPosition(0.0, -180.0 + 0.5 * 100));   // x = 100
    cp.DrawAtScreenPoints(rec.dc);
    const auto ellipses = rec.Of(DrawOp::Ellipse);
    ASSERT_EQ(ellipses.size(), 2u);
    EXPECT_EQ(ellipses[0].points[0], (IntPoint{100 - 6, 180 - 6}));
    EXPECT_EQ(ellipses[1].points[0], (IntPoint{820 - 6, 180 - 6}));
    // The chartpoint's three strokes meet at the centre; the white brush
    // is back to the caller's afterwards.
    EXPECT_EQ(rec.Of(DrawOp::Line).size(), 6u);
    EXPECT_EQ(ellipses[0].brush.colour, app::RGB(255, 255, 255));
    EXPECT_EQ(rec.dc.GetCurrentBrush(), chart::Brush{});
}

TEST(OverlayPoint, MarkerShapesAndFocusBox)
{
    Chart chart;
    Recorder rec;
    // Waypoint: a circle of ScaleSize(6); the focus box outside it when selected.
    chart::COverlayWaypoint wp;
    wp.SetOwner(chart.doc.get());
    wp.SetScreenPoint({50, 60});
    wp.SetSizeMode(1);
    wp.SetSelected(true);
    wp.Draw(rec.dc);
    const auto ellipses = rec.Of(DrawOp::Ellipse);
    ASSERT_EQ(ellipses.size(), 1u);
    EXPECT_EQ(ellipses[0].points[0], (IntPoint{41, 51}));
    EXPECT_EQ(ellipses[0].points[1], (IntPoint{59, 69}));
    const chart::CChartSettings defaults;
    const auto frame = rec.Of(DrawOp::Rectangle);
    ASSERT_FALSE(frame.empty());
    EXPECT_EQ(frame.back().pen.width, defaults.focusBoxLineWidth);
    EXPECT_EQ(frame.back().points[0],
              (IntPoint{41 - defaults.focusBoxLineWidth, 51 - defaults.focusBoxLineWidth}));
    // Position fix: circle of ScaleSize(5) and its cross.
    rec.Clear();
    COverlayPositionFix fix;
    fix.SetScreenPoint({10, 20});
    fix.Draw(rec.dc);
    const auto lines = rec.Of(DrawOp::Line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].points, (std::vector<IntPoint>{{10, 15}, {10, 25}}));
    EXPECT_EQ(lines[1].points, (std::vector<IntPoint>{{5, 20}, {15, 20}}));
}

TEST(OverlayPoint, TargetTrianglesPointAlongTheCourse)
{
    struct Row {
        double course;
        IntPoint apex, first, second;
    };
    // r = 3: at 45 the base direction is 315, at 90 it is 0.
    for (const Row& r : {Row{0, {0, -3}, {-3, 3}, {3, 3}}, Row{45, {2, -2}, {-4, 0}, {0, 4}},
                         Row{90, {3, 0}, {-3, -3}, {-3, 3}}}) {
        const chart::MarkerTriangle t = chart::ComputeMarkerTriangle({0, 0}, r.course, 3.0);
        EXPECT_EQ(t.apex, r.apex) << r.course;
        EXPECT_EQ(t.first, r.first) << r.course;
        EXPECT_EQ(t.second, r.second) << r.course;
    }
    Recorder rec;
    chart::COverlayTargetPositionFix target(0, 0, 0, 0xFFFF, COverlayPositionFix::NoFixTime(),
                                            nullptr);
    target.values[0] = 90.0;
    target.SetScreenPoint({100, 100});
    target.Draw(rec.dc);
    const auto polygons = rec.Of(DrawOp::Polygon);
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(polygons[0].points, (std::vector<IntPoint>{{103, 100}, {97, 103}, {97, 97}}));
    rec.Clear();
    chart::COverlayARPAPositionFix arpa(0, 0, 0, 0xFFFF, COverlayPositionFix::NoFixTime(), nullptr);
    arpa.values[0] = 90.0;
    arpa.SetScreenPoint({100, 100});
    arpa.Draw(rec.dc);
    EXPECT_TRUE(rec.Of(DrawOp::Polygon).empty());
    EXPECT_EQ(rec.Of(DrawOp::Line).size(), 3u);
}

TEST(OverlayPoint, PositionFixCopiesAndResets)
{
    Chart chart;
    const app::CDateTimeEx when(2026, 3, 4, 5, 6, 7);
    chart::COverlayARPAPositionFix a(50.5, -1.25, 3.0, 0xFFFF, when, chart.doc.get());
    a.values = {1, 2, 3, 4, 5};
    a.code = 9;
    a.word = 7;
    a.firstText = "A";
    const chart::COverlayARPAPositionFix copy(a);
    EXPECT_EQ(copy.GetOwner(), chart.doc.get());
    EXPECT_EQ(copy.GetPosition(), a.GetPosition());
    EXPECT_EQ(copy.GetFixTime(), when);
    EXPECT_EQ(copy.values, a.values);
    EXPECT_EQ(copy.code, 9);
    EXPECT_EQ(copy.word, 7);
    EXPECT_EQ(copy.firstText, "A");
    a.Reset();
    EXPECT_EQ(a.GetOwner(), nullptr);
    EXPECT_EQ(a.GetFixTime(), COverlayPositionFix::NoFixTime());
    EXPECT_EQ(a.values, (std::array<double, 5>{}));
    EXPECT_EQ(a.word, 0);
    EXPECT_TRUE(a.firstText.empty());
    EXPECT_EQ(a.GetPosition().GetLatitude(), 0.0);

    EXPECT_EQ(COverlayPoint().GetDisplayName(), "");
    EXPECT_EQ(COverlayChartpoint().GetDisplayName(), "Chartpoint overlay");
    EXPECT_EQ(a.GetDisplayName(), "Position fix overlay");
}

// An overlay never given a position, and a line never given its ends, stand
// nowhere: not at 0 N 0 E, which the whole-world chart shows.
TEST(OverlayPoint, NeverPlacedOverlaysAreNowhere)
{
    Chart chart;
    Recorder rec;
    COverlayChartpoint symbol;
    symbol.SetOwner(chart.doc.get());
    const IntPoint origin = chart.ClientPoint(CPosition(0.0, 0.0));
    EXPECT_FALSE(symbol.GetPosition().IsValid());
    EXPECT_FALSE(symbol.HitTest(origin));
    symbol.DrawAtScreenPoints(rec.dc);
    chart::COverlayLine line;
    line.SetOwner(chart.doc.get());
    EXPECT_FALSE(line.GetPosition().IsValid());
    EXPECT_FALSE(line.GetEnd().IsValid());
    line.Draw(rec.dc);
    EXPECT_TRUE(rec.Records().empty());

    // Placed, the same symbol is found there.
    symbol.SetPositionAndId(CPosition(0.0, 0.0), 1);
    EXPECT_TRUE(symbol.HitTest(origin));
}

// What an overlay starts with, the names each kind gives, and the
// chartpoint's three strokes to the centre.
TEST(OverlayPoint, StartingValuesNamesAndChartpointStrokes)
{
    const COverlayPoint p;
    EXPECT_EQ(p.GetSizeMode(), 0);
    EXPECT_FALSE(p.IsSelected());
    EXPECT_EQ(p.GetBaseSize(), 5);
    EXPECT_EQ(p.GetOwner(), nullptr);
    EXPECT_EQ(p.GetScreenPoint(), (IntPoint{0, 0}));
    EXPECT_EQ(p.GetId(), 0);
    EXPECT_FALSE(p.GetPosition().IsValid());

    Chart chart;
    EXPECT_EQ(chart::COverlayWaypoint().GetDisplayName(), "Route waypoint overlay");
    chart::COverlayLine line;
    EXPECT_EQ(line.GetDisplayName(), "Line segment overlay");
    line.SetOwner(chart.doc.get());
    line.SetPositionAndId(CPosition(0.0, 0.0), 1);
    EXPECT_FALSE(line.HitTest(chart.ClientPoint(CPosition(0.0, 0.0))));
    EXPECT_EQ(chart::COverlayText().GetDisplayName(), "Text overlay");
    EXPECT_EQ(
        chart::COverlayTargetPositionFix(0, 0, 0, 0xFFFF, COverlayPositionFix::NoFixTime(), nullptr)
            .GetDisplayName(),
        "Position fix overlay");

    Recorder rec;
    COverlayChartpoint cp;
    cp.SetScreenPoint({50, 60});
    cp.Draw(rec.dc);
    const auto lines = rec.Of(DrawOp::Line);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].points, (std::vector<IntPoint>{{50, 66}, {50, 60}}));
    EXPECT_EQ(lines[1].points, (std::vector<IntPoint>{{50, 60}, {45, 57}}));
    EXPECT_EQ(lines[2].points, (std::vector<IntPoint>{{55, 57}, {50, 60}}));
    EXPECT_FALSE(rec.Of(DrawOp::Rectangle).size());   // no focus box unless selected
}

// A fix assigned through the base copies what its own class carries; the
// three constructors start from a reset fix.
TEST(OverlayPoint, AssignAndConstructorsOfPositionFixes)
{
    Chart chart;
    const app::CDateTimeEx when(2026, 1, 2, 3, 4, 5);
    chart::COverlayARPAPositionFix source(10.0, 20.0, 0.0, 0xFFFF, when, chart.doc.get());
    source.word = 3;
    source.secondText = "B";
    source.values[0] = 45.0;
    chart::COverlayARPAPositionFix target(0, 0, 0, 0xFFFF, COverlayPositionFix::NoFixTime(),
                                          nullptr);
    COverlayPositionFix& base = target;
    base.Assign(source);
    EXPECT_EQ(target.word, 3);
    EXPECT_EQ(target.secondText, "B");
    EXPECT_EQ(target.values[0], 45.0);
    EXPECT_EQ(target.GetFixTime(), when);
    EXPECT_EQ(target.GetOwner(), chart.doc.get());

    const COverlayPositionFix fromParts(10.0, 20.0, 5.0, 0xFFFF, when, chart.doc.get());
    EXPECT_DOUBLE_EQ(fromParts.GetPosition().GetLatitude(), 10.0);
    EXPECT_DOUBLE_EQ(fromParts.GetPosition().GetLongitude(), 20.0);
    EXPECT_EQ(fromParts.values, (std::array<double, 5>{}));
    EXPECT_EQ(fromParts.code, 0);
    const COverlayPositionFix fromPosition(CPosition(1.0, 2.0), when, nullptr);
    EXPECT_DOUBLE_EQ(fromPosition.GetPosition().GetLongitude(), 2.0);
    EXPECT_EQ(fromPosition.GetFixTime(), when);
    const COverlayPositionFix none;
    EXPECT_EQ(none.GetFixTime(), app::CDateTimeEx(101, 1, 1, 0, 0, 0));
    EXPECT_EQ(none.GetPosition().GetLatitude(), 0.0);
    EXPECT_EQ(none.GetPosition().GetAltitude(), 0.0);
}

// A range circle is drawn round the position shifted to the chart's datum,
// through the points at the range due north and due south of it.
TEST(OverlayPoint, RangeCircleRoundTheShiftedPosition)
{
    brine_test::FakeChartWindow window(geo::IntRect{0, 0, 720, 360});
    ShiftedDatumChart shifted;
    window.doc = &shifted;
    shifted.AttachWindow(&window);
    ASSERT_TRUE(shifted.OnOpenDocument(""));
    Chart plain;
    Recorder a, b;
    COverlayPoint p;
    p.SetOwner(&shifted);
    p.SetPosition(CPosition(10.0, 20.0));
    p.DrawRangeCircle(a.dc, 120.0);
    COverlayPoint q;
    q.SetOwner(plain.doc.get());
    q.SetPosition(CPosition(11.0, 20.0));
    q.DrawRangeCircle(b.dc, 120.0);
    const auto arcs = a.Of(DrawOp::Arc);
    ASSERT_FALSE(arcs.empty());
    ASSERT_EQ(arcs.size(), b.Of(DrawOp::Arc).size());
    for (std::size_t i = 0; i < arcs.size(); ++i)
        EXPECT_EQ(arcs[i].points, b.Of(DrawOp::Arc)[i].points);
    // 120 nm is two degrees of latitude: the circle spans 9 to 13 N.
    const IntPoint north = plain.ClientPoint(CPosition(13.0, 20.0));
    const IntPoint south = plain.ClientPoint(CPosition(9.0, 20.0));
    EXPECT_NEAR(arcs[0].points[0].y, north.y, 1);
    EXPECT_NEAR(arcs[0].points[1].y, south.y, 1);
    shifted.OnCloseDocument();
}

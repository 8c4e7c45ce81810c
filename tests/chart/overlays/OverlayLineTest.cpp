// Text labels, lines, leg marks and distance-to-run marks on a blank chart,
// with the mark and great-circle positions checked against GeographicLib.

#include "chart/overlays/OverlayLine.h"

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/Rhumb.hpp>

#include <cmath>

#include "OverlayTestSupport.h"
#include "chart/overlays/OverlayText.h"
#include "chart/overlays/SelectedRoute.h"

using namespace overlay_test;
using chart::COverlayLine;
using chart::COverlayText;

namespace {

constexpr double kMetresPerNm = 1852.0;

// 0.5 degree of latitude over 400 pixels: about 139 m a pixel.
Chart HarbourChart()
{
    return Chart(CPosition(50.5, -1.0), CPosition(50.0, 0.0));
}

CPosition RhumbDirect(const CPosition& from, double nm, double bearing)
{
    double lat = 0, lon = 0;
    GeographicLib::Rhumb::WGS84().Direct(from.GetLatitude(), from.GetLongitude(), bearing,
                                         nm * kMetresPerNm, lat, lon);
    return CPosition(lat, lon);
}

double RhumbDistanceNm(const CPosition& a, const CPosition& b)
{
    double s = 0, azi = 0;
    GeographicLib::Rhumb::WGS84().Inverse(a.GetLatitude(), a.GetLongitude(), b.GetLatitude(),
                                          b.GetLongitude(), s, azi);
    return s / kMetresPerNm;
}

}   // namespace

TEST(OverlayText, NinePlacementsRoundThePoint)
{
    Recorder rec;
    COverlayText text;   // 12-pixel font: the recorder makes "abcd" 24 x 12
    text.text = "abcd";
    text.textColour = app::RGB(1, 2, 3);
    text.SetScreenPoint({100, 100});
    const IntPoint expected[] = {{88, 94},  {88, 82},  {107, 87}, {112, 94}, {107, 101},
                                 {88, 106}, {69, 101}, {64, 94},  {69, 87},  {100, 100}};
    for (int placement = 0; placement <= 9; ++placement) {
        rec.Clear();
        text.placement = placement;
        text.Draw(rec.dc);
        const auto texts = rec.Of(DrawOp::Text);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].points[0], expected[placement]) << placement;
        EXPECT_EQ(texts[0].textColour, app::RGB(1, 2, 3));
        EXPECT_EQ(texts[0].bkMode, chart::BkMode::Transparent);
    }
    // Placement 7 ends 12 pixels left of the point.
    EXPECT_EQ(expected[7].x + 24, 100 - 12);
}

TEST(OverlayText, FramesAndAnInvalidColour)
{
    Recorder rec;
    COverlayText text;
    text.text = "ab";   // 12 x 12
    text.textColour = 0;
    text.SetScreenPoint({50, 50});   // centred: corner (44, 44)
    text.frameStyle = chart::kFrameBox;
    text.Draw(rec.dc);
    const auto lines = rec.Of(DrawOp::Line);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].points, (std::vector<IntPoint>{{43, 43}, {56, 43}}));
    EXPECT_EQ(lines[2].points, (std::vector<IntPoint>{{56, 55}, {43, 55}}));
    rec.Clear();
    text.frameStyle = chart::kFrameEllipse;
    text.Draw(rec.dc);
    const auto ellipses = rec.Of(DrawOp::Ellipse);
    ASSERT_EQ(ellipses.size(), 1u);
    EXPECT_EQ(ellipses[0].points[0], (IntPoint{42, 42}));
    EXPECT_EQ(ellipses[0].brush.style, chart::BrushStyle::Hollow);

    // Not a colour: no output and the context exactly as it was.
    rec.Clear();
    rec.dc.SetTextColor(app::RGB(9, 9, 9));
    const chart::Font fontBefore = rec.dc.GetCurrentFont();
    text.textColour = chart::CLR_INVALID;
    text.Draw(rec.dc);
    EXPECT_TRUE(rec.Records().empty());
    EXPECT_EQ(rec.dc.GetTextColor(), app::RGB(9, 9, 9));
    EXPECT_EQ(rec.dc.GetBkMode(), chart::BkMode::Opaque);
    EXPECT_EQ(rec.dc.GetCurrentFont(), fontBefore);
}

TEST(OverlayLine, DistanceToRunMarksCountDownAlongTheLegs)
{
    struct Row {
        const char* what;
        std::vector<double> legs;   // nm, due east one after the other
        double interval, toRun, carried;
        std::vector<std::string> labels;
        std::vector<double> at;   // nm from the start of the route
    };
    const Row rows[] = {
        {"3 and 5 at 2", {3.0, 5.0}, 2.0, 8.0, 0.0, {"6M", "4M", "2M"}, {2, 4, 6}},
        {"whole route of 8 from its first mark",
         {3.0, 5.0},
         2.0,
         8.0,
         chart::CSelectedRoute::InitialCarriedDistance(8.0, 2.0),
         {"8M", "6M", "4M", "2M"},
         {0, 2, 4, 6}},
        {"mark on a leg end moves to the next leg",
         {2.0, 3.0},
         2.0,
         5.0,
         0.0,
         {"3M", "1M"},
         {2, 4}},
        {"half-mile interval has one decimal", {1.2}, 0.5, 1.2, 0.0, {"0.7M", "0.2M"}, {0.5, 1.0}},
    };
    for (const Row& row : rows) {
        Chart chart = HarbourChart();
        Recorder rec;
        COverlayLine line;
        line.SetOwner(chart.doc.get());
        line.distanceToRunInterval = row.interval;
        double toRun = row.toRun, carried = row.carried;
        CPosition start(50.25, -0.9);
        std::vector<std::pair<int, CPosition>> legStarts;
        for (double leg : row.legs) {
            const CPosition end = RhumbDirect(start, leg, 90.0);
            line.SetEnds(start, end);
            std::vector<chart::DistanceMark> marks;
            double r = toRun, c = carried;
            chart::WalkLegDistanceMarks(start, end, row.interval, r, c, marks);
            line.DrawDistanceToRunMarks(true, rec.dc, toRun, carried);
            EXPECT_DOUBLE_EQ(r, toRun);
            EXPECT_DOUBLE_EQ(c, carried);
            start = end;
        }
        EXPECT_EQ(rec.Texts(), row.labels) << row.what;
        EXPECT_EQ(rec.Of(DrawOp::Line).size(), row.labels.size()) << row.what;
        EXPECT_NEAR(toRun, 0.0, 1e-9) << row.what;
    }
}

TEST(OverlayLine, DistanceToRunMarksLieAtTheirRhumbRanges)
{
    // Against GeographicLib's rhumb line: every mark lies at its distance
    // from the start of the route along the legs.
    const CPosition start(50.25, -0.9);
    const CPosition turn = RhumbDirect(start, 7.3, 63.0);
    const CPosition end = RhumbDirect(turn, 11.9, 151.0);
    for (double interval : {0.5, 1.0, 2.5}) {
        double toRun = 19.2, carried = 0.0;
        std::vector<chart::DistanceMark> first, second;
        chart::WalkLegDistanceMarks(start, turn, interval, toRun, carried, first);
        chart::WalkLegDistanceMarks(turn, end, interval, toRun, carried, second);
        ASSERT_FALSE(first.empty());
        ASSERT_FALSE(second.empty());
        for (const auto& m : first) {
            const double along = 19.2 - m.toRun;
            const CPosition expected = RhumbDirect(start, along, 63.0);
            EXPECT_LT(RhumbDistanceNm(expected, m.position), 1e-4) << interval << " " << along;
        }
        for (const auto& m : second) {
            const double along = 19.2 - m.toRun - 7.3;
            const CPosition expected = RhumbDirect(turn, along, 151.0);
            EXPECT_LT(RhumbDistanceNm(expected, m.position), 1e-4) << interval << " " << along;
        }
    }
}

TEST(OverlayLine, GreatCirclePointsLieOnTheGeodesic)
{
    FakeRoute route;
    route.greatCircle.degreeIntercept = 5.0;
    COverlayLine line;
    line.SetRouteSource(&route);
    line.SetLegType(static_cast<std::int32_t>(chart::LegType::GreatCircle));
    const auto& g = GeographicLib::Geodesic::WGS84();
    struct Leg {
        CPosition a, b;
    };
    for (const Leg& leg : {Leg{CPosition(49.0, -5.0), CPosition(40.7, -73.9)},
                           Leg{CPosition(-33.9, 18.4), CPosition(-31.9, 115.8)},
                           Leg{CPosition(35.0, 140.0), CPosition(37.8, -122.4)}}) {
        line.SetEnds(leg.a, leg.b);
        line.BuildPointList();
        const auto& points = line.Points();
        ASSERT_GT(points.size(), 5u);
        double whole = 0;
        g.Inverse(leg.a.GetLatitude(), leg.a.GetLongitude(), leg.b.GetLatitude(),
                  leg.b.GetLongitude(), whole);
        for (const CPosition& p : points) {
            double s1 = 0, s2 = 0;
            g.Inverse(leg.a.GetLatitude(), leg.a.GetLongitude(), p.GetLatitude(), p.GetLongitude(),
                      s1);
            g.Inverse(p.GetLatitude(), p.GetLongitude(), leg.b.GetLatitude(), leg.b.GetLongitude(),
                      s2);
            // A point off the geodesic makes the way through it longer.
            EXPECT_LT((s1 + s2 - whole) / whole, 1.5e-5)
                << p.GetLatitude() << " " << p.GetLongitude();
        }
    }
    // Whatever the stored intercept, the list stays bounded and ends at the end.
    for (double intercept : {0.0, -1.0, 1e-12, std::nan(""), 1e300}) {
        route.greatCircle.degreeIntercept = intercept;
        line.SetEnds(CPosition(10, -170), CPosition(10, 170));
        line.BuildPointList();
        EXPECT_LE(line.Points().size(), COverlayLine::kMaxGreatCirclePoints + 1);
        EXPECT_EQ(line.Points().back(), CPosition(10, 170));
    }
}

TEST(OverlayLine, LimitedGreatCircleFollowsTheLimitingParallel)
{
    FakeRoute route;
    route.greatCircle = {2.0, false, 45.0, -90.0, true, false};
    COverlayLine line;
    line.SetRouteSource(&route);
    line.SetLegType(static_cast<std::int32_t>(chart::LegType::GreatCircle));
    line.SetEnds(CPosition(40.0, -70.0), CPosition(42.0, -10.0));
    line.BuildPointList();
    int onLimit = 0;
    for (const CPosition& p : line.Points()) {
        EXPECT_LE(p.GetLatitude(), 45.0 + 1e-6);
        onLimit += std::fabs(p.GetLatitude() - 45.0) < 1e-6;
    }
    EXPECT_GE(onLimit, 2);
    // An end beyond the limit: a plain great circle, which crosses it.
    line.SetEnds(CPosition(46.0, -70.0), CPosition(42.0, -10.0));
    line.BuildPointList();
    double highest = -90;
    for (const CPosition& p : line.Points())
        highest = std::max(highest, p.GetLatitude());
    EXPECT_GT(highest, 46.0);
}

TEST(OverlayLine, LegMarksAndPatternedSegments)
{
    Chart chart = HarbourChart();
    Recorder rec;
    FakeRoute route;
    COverlayLine line;
    line.SetOwner(chart.doc.get());
    line.SetRouteSource(&route);
    line.drawLegArrow = true;
    line.drawCourse = true;
    line.SetLabel(true, "Leg 1");
    line.DrawLegMarks(rec.dc, 90.0, {200, 200});
    // Arrow: from 6 pixels on the port side, 40 long, barbs 10 back (the
    // truncation of a cosine a hair above 0 puts them a pixel up); then
    // the four sides of the label's box.
    const auto lines = rec.Of(DrawOp::Line);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].points, (std::vector<IntPoint>{{200, 194}, {240, 194}}));
    EXPECT_EQ(lines[1].points, (std::vector<IntPoint>{{240, 194}, {230, 189}}));
    EXPECT_EQ(lines[2].points, (std::vector<IntPoint>{{240, 194}, {230, 197}}));
    EXPECT_EQ(lines[0].pen.colour, chart::kDefaultOverlayColour);
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"090", "Leg 1"}));
    // A patterned leg is drawn in dots; an unpatterned one as one line.
    rec.Clear();
    line.SetEnds(CPosition(50.25, -0.9), CPosition(50.25, -0.1));
    line.Draw(rec.dc);
    EXPECT_EQ(rec.Of(DrawOp::Line).size(), 1u);
    rec.Clear();
    line.patternCode = 1;
    line.Draw(rec.dc);
    EXPECT_GT(rec.Of(DrawOp::Line).size(), 10u);
    EXPECT_FALSE(line.HitTest({0, 0}));
}

TEST(OverlayLine, PerpendicularsAndPositionComparison)
{
    CPosition left, right;
    ASSERT_TRUE(
        chart::PerpendicularPositions(1.0, CPosition(50, -1), CPosition(50, 0), left, right));
    EXPECT_NEAR(RhumbDistanceNm(left, CPosition(50, 0)), 1.0, 1e-4);
    EXPECT_LT(left.GetLatitude(), 50.0);   // east-going leg: +90 is south
    EXPECT_GT(right.GetLatitude(), 50.0);
    EXPECT_FALSE(chart::PositionsDiffer(CPosition(50.0000001, 1), CPosition(50.0000002, 1)));
    EXPECT_TRUE(chart::PositionsDiffer(CPosition(50.000001, 1), CPosition(50.000002, 1)));
    EXPECT_TRUE(chart::PositionsDiffer(CPosition(50, 1.000001), CPosition(50, 1.000002)));
    EXPECT_EQ(chart::LegTypeFromRouteTable(1), chart::LegType::GreatCircle);
    EXPECT_EQ(chart::LegTypeFromRouteTable(0), chart::LegType::RhumbLine);
}

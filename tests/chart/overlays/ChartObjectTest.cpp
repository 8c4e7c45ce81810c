// Chart objects on a blank chart: rectangle hits, the chartpoint layer, the
// selected route's labels and distance to run, and tidal-stream arrows.

#include "chart/overlays/ChartObject.h"

#include "OverlayTestSupport.h"
#include "chart/overlays/ChartpointLayer.h"
#include "chart/overlays/OverlayText.h"
#include "chart/overlays/SelectedRoute.h"
#include "chart/overlays/TidalVector.h"
#include "geo/NavMaths.h"

using namespace overlay_test;
using chart::CChartObject;
using geo::IntRect;

namespace {

// A rectangle object whose bounds are (10, 20, 30, 40) on the blank chart.
struct Boxed : CChartObject {
    explicit Boxed(chart::CChartDoc* doc) : CChartObject(doc)
    {
        SetOffset({10 - 360, 20 - 180, 30 - 360, 40 - 180});
        SetPosition(CPosition(0.0, 0.0));   // client (360, 180) on the world view
    }
};

std::unique_ptr<chart::COverlayWaypoint> Waypoint(const CPosition& p, int number, bool flagged,
                                                  std::string name = {})
{
    auto wp = std::make_unique<chart::COverlayWaypoint>();
    wp->SetPositionAndId(p, 100 + number);
    wp->number = number;
    wp->legType = static_cast<std::int32_t>(chart::LegType::RhumbLine);
    wp->SetSelected(flagged);
    wp->name = std::move(name);
    return wp;
}

CPosition East(const CPosition& from, double nm)
{
    CPosition out;
    EXPECT_TRUE(geo::PositionAtRangeBearing(from, nm, 90.0, &out));
    return out;
}

}   // namespace

TEST(ChartObject, RectangleHitEdges)
{
    Chart chart;
    Boxed box(chart.doc.get());
    ASSERT_EQ(box.GetBounds(), (IntRect{10, 20, 30, 40}));
    struct Row {
        IntRect r;
        bool hit;
    };
    for (const Row& r : {Row{{30, 25, 35, 30}, false},   // left edge on the right bound
                         Row{{15, 40, 20, 45}, false},   // top edge on the bottom bound
                         Row{{5, 25, 10, 30}, true},   // right edge on the left bound
                         Row{{15, 15, 20, 20}, true},   // bottom edge on the top bound
                         Row{{0, 0, 9, 19}, false}, Row{{12, 22, 14, 24}, true}}) {
        EXPECT_EQ(box.HitTest(r.r) == &box, r.hit) << r.r.left << "," << r.r.top;
    }
    // A new object: zero and invalid, bounds (0, 0, 1, 1); without an owner
    // a position leaves its screen point and bounds where they were.
    CChartObject bare(nullptr);
    EXPECT_FALSE(bare.GetPosition().IsValid());
    EXPECT_EQ(bare.GetPosition().GetLatitude(), 0.0);
    EXPECT_EQ(bare.GetPosition().GetLongitude(), 0.0);
    EXPECT_EQ(bare.GetBounds(), (IntRect{0, 0, 1, 1}));
    bare.SetPosition(CPosition(10.0, 20.0));
    EXPECT_EQ(bare.GetScreenPoint(), (IntPoint{0, 0}));
    EXPECT_EQ(bare.GetBounds(), (IntRect{0, 0, 1, 1}));
    EXPECT_EQ(bare.HitTest({0, 0, 0, 0}), &bare);
    EXPECT_EQ(bare.HitTest({1, 0, 2, 1}), nullptr);
    box.ExtendBounds(50, 60, true);
    box.ExtendBounds(55, 58, false);
    EXPECT_EQ(box.GetBounds(), (IntRect{50, 57, 56, 60}));
    // A direction arrow passes the first hit by.
    chart::CChartVector arrow(chart.doc.get());
    EXPECT_EQ(arrow.HitTest({}), nullptr);
    EXPECT_EQ(arrow.HitTest({}), &arrow);
}

TEST(ChartpointLayer, LabelsAndTheSelectedOne)
{
    Chart chart;
    Recorder rec;
    chart::CChartpointProperties props;
    chart::CChartpointList layer(chart.doc.get(), &props);
    struct Row {
        bool drawId, drawName;
        const char *id, *name, *label;
    };
    for (const Row& r :
         {Row{true, false, "", "Buoy", ""}, Row{true, false, "12", "Buoy", "CP12"},
          Row{false, true, "12", "Buoy", "CP Buoy"}, Row{true, true, "12", "Buoy", "CP12 Buoy"},
          Row{false, true, "12", "", ""}}) {
        props.drawId = r.drawId;
        props.drawName = r.drawName;
        chart::COverlayChartpoint cp;
        cp.idText = r.id;
        cp.name = r.name;
        EXPECT_EQ(chart::CChartpointList::LabelFor(props, cp), r.label) << r.id << r.name;
    }
    props.drawId = true;
    auto a = std::make_unique<chart::COverlayChartpoint>();
    a->SetPosition(CPosition(10, 10));
    a->idText = "1";
    auto b = std::make_unique<chart::COverlayChartpoint>();
    b->SetPosition(CPosition(20, 20));
    b->idText = "2";
    b->SetSelected(true);
    layer.Overlays().Add(std::move(a));
    layer.Overlays().Add(std::move(b));
    layer.Draw(rec.dc);
    EXPECT_EQ(rec.Of(DrawOp::Ellipse).size(), 1u);
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{"CP1"});
    EXPECT_EQ(rec.Of(DrawOp::Ellipse)[0].pen.colour, props.GetColour());
}

TEST(ChartpointLayer, EveryLabelIsDrawnAboveItsMarkEvenWhereLabelsMeet)
{
    // Half a degree to a pixel. Labels as wide as `width` pixels: marks
    // width/2 apart cover each other's labels, marks width apart only touch.
    Chart chart;
    Recorder rec;
    chart::CChartpointProperties props;
    props.drawId = props.drawName = true;
    chart::CChartpointList layer(chart.doc.get(), &props);
    const auto widthOf = [&props](const std::string& text) {
        return chart::CRecordingBackend::TextExtentFor(props.Text().GetFont(), text).cx;
    };
    const double half = widthOf("CP1 Mid-channel buoy") / 4.0;   // degrees
    const struct {
        CPosition at;
        const char* id;
    } marks[] = {{CPosition(10, 0), "1"},
                 {CPosition(10, half), "2"},   // covers 1's label
                 {CPosition(10, 2 * half), "3"},   // touches 1's, covers 2's
                 {CPosition(-30, half), "4"},   // clear of all
                 {CPosition(-30, half + 0.5), "5"}};   // a pixel beside 4
    for (const auto& m : marks) {
        auto cp = std::make_unique<chart::COverlayChartpoint>();
        cp->SetPosition(m.at);
        cp->idText = m.id;
        cp->name = "Mid-channel buoy";
        layer.Overlays().Add(std::move(cp));
    }
    layer.Draw(rec.dc);
    EXPECT_EQ(rec.Of(DrawOp::Ellipse).size(), 5u);
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"CP1 Mid-channel buoy", "CP2 Mid-channel buoy",
                                                     "CP3 Mid-channel buoy", "CP4 Mid-channel buoy",
                                                     "CP5 Mid-channel buoy"}));
    // Each label stands centred above its own mark, placed as a text overlay
    // above its point places it.
    const DrawRecord third = rec.Of(DrawOp::Text)[2];
    const IntPoint mark = chart.ClientPoint(CPosition(10, 2 * half));
    const chart::IntSize extent =
        chart::CRecordingBackend::TextExtentFor(props.Text().GetFont(), third.text);
    const IntPoint corner = chart::COverlayText::PlaceText(mark, extent, chart::kPlaceAbove);
    EXPECT_EQ(third.points[0].x, corner.x);
    EXPECT_EQ(third.points[0].y, corner.y);

    // A second paint draws the same.
    rec.Clear();
    layer.Draw(rec.dc);
    EXPECT_EQ(rec.Texts().size(), 5u);
}

TEST(SelectedRoute, DistanceToRunFromTheFirstMarkAndLabels)
{
    // 800 pixels to a degree of longitude: legs of 2, 3 and 5 nm due east.
    Chart chart(CPosition(50.5, -1.0), CPosition(50.0, 0.0));
    Recorder rec;
    FakeRoute route;
    route.draw.drawDistanceToRun = true;
    route.draw.applyToEntireRoute = true;
    route.draw.distanceToRunInterval = 2.0;
    route.draw.drawCourseAndSMG = true;
    route.waypoints.drawNumber = true;
    route.waypoints.drawName = true;
    route.waypoints.drawEta = true;
    route.arrivals[2] = app::CDateTimeEx(2026, 5, 9, 14, 35, 0);
    chart::CSelectedRoute selected(chart.doc.get(), &route);
    const CPosition w1(50.25, -0.95);
    const CPosition w2 = East(w1, 2.0), w3 = East(w2, 3.0), w4 = East(w3, 5.0);
    selected.Waypoints().Add(Waypoint(w1, 1, true));   // passed: its leg only counts
    selected.Waypoints().Add(Waypoint(w2, 2, false, "Fairway"));
    selected.Waypoints().Add(Waypoint(w3, 3, false));
    selected.Waypoints().Add(Waypoint(w4, 4, false));
    double total = 0;
    ASSERT_TRUE(selected.GetRouteDistance(true, total));
    EXPECT_NEAR(total, 10.0, 1e-6);
    selected.Draw(rec.dc);
    std::vector<std::string> marks, labels;
    int courses = 0;
    for (const std::string& t : rec.Texts()) {
        if (t == "090")
            ++courses;
        else
            (t.back() == 'M' ? marks : labels).push_back(t);
    }
    EXPECT_EQ(marks, (std::vector<std::string>{"8M", "6M", "4M", "2M"}));
    EXPECT_EQ(courses, 2);   // one course at the middle of each drawn leg
    EXPECT_EQ(labels, (std::vector<std::string>{"W2 Fairway", "W3", "09/1435 ", "W4"}));
    // Two legs drawn (W2-W3, W3-W4) in the selected-route pen; the first is passed.
    int legs = 0;
    for (const DrawRecord& r : rec.Of(DrawOp::Line))
        legs += r.pen.width == 3;
    EXPECT_GT(legs, 2);   // patterned: many dots
    // Without positioned route tables no waypoint labels at all.
    rec.Clear();
    route.positioned = false;
    selected.Draw(rec.dc);
    for (const std::string& t : rec.Texts())
        EXPECT_TRUE(t.back() == 'M' || t == "090") << t;
}

TEST(TidalVector, PenWidthHeadAndLength)
{
    Chart chart(CPosition(50.5, -1.0), CPosition(50.0, 0.0));
    FakeTides tides;
    tides.settings.capDistance = 100.0;   // no cap here
    tides.settings.arrowScale = 10;
    // Memory to draw into, all magenta: the plain kind draws over it.
    std::vector<std::uint32_t> pixels(800 * 400, 0xFFFF00FFu);
    const chart::CPixelView memory{pixels.data(), 800, 400, 800};
    chart::CXDC dc(std::make_unique<chart::CRecordingBackend>(memory));
    auto* backend = static_cast<chart::CRecordingBackend*>(dc.Backend());
    struct Row {
        double rate, factor;
        int width;
        double length, head;
    };
    for (const Row& r : {Row{0.3, 40.0, 1, 12.0, 6.0}, Row{2.7, 0.0, 2, 27.0, 10.0},
                         Row{4.0, 10.0, 4, 40.0, 10.0}}) {
        backend->Clear();
        chart::CTidalVector arrow(chart.doc.get(), &tides);
        arrow.SetVector(CPosition(50.25, -0.5), 90.0, r.rate, 1.5, r.factor);
        arrow.DrawOnChart(&dc, chart::kTidalDraw);
        const auto& recs = backend->Records();
        ASSERT_EQ(recs.size(), 3u) << r.rate;
        EXPECT_EQ(recs[0].pen.width, r.width) << r.rate;
        EXPECT_DOUBLE_EQ(arrow.GetDrawnLength(), r.length) << r.rate;
        EXPECT_DOUBLE_EQ(arrow.GetHeadLength(), r.head) << r.rate;
        const IntPoint p = recs[0].points[0], tip = recs[0].points[1];
        EXPECT_EQ(tip.x - p.x, static_cast<int>(r.length)) << r.rate;
        EXPECT_NEAR(tip.y, p.y, 1);   // truncated: a cosine a hair off 0
    }
    // Negative rates draw as positive; NOT-XOR for mode 1, restored after.
    backend->Clear();
    chart::CTidalVector arrow(chart.doc.get(), &tides);
    arrow.SetVector(CPosition(50.25, -0.5), 0.0, -1.0, 0.0, 0.0);
    arrow.DrawOnChart(&dc, chart::kTidalInvert);
    ASSERT_FALSE(backend->Records().empty());
    EXPECT_EQ(backend->Records()[0].rop, chart::Rop2::NotXorPen);
    EXPECT_EQ(dc.GetROP2(), chart::Rop2::CopyPen);
    EXPECT_EQ(arrow.GetRate(), 1.0);
    // Capped at the pixel height of the cap distance northwards.
    tides.settings.capDistance = 0.5;   // 0.5' of latitude: some 10 pixels here
    IntPoint from, to;
    ASSERT_TRUE(chart.doc->PositionToPoint(CPosition(50.25, -0.5), from));
    ASSERT_TRUE(chart.doc->PositionToPoint(CPosition(50.25 + 0.5 / 60, -0.5), to));
    const double capPixels = from.y - to.y;
    ASSERT_GT(capPixels, 5.0);
    backend->Clear();
    chart::CTidalVector capped(chart.doc.get(), &tides);
    capped.SetVector(CPosition(50.25, -0.5), 0.0, 5.0, 0.0, 0.0);
    capped.DrawOnChart(&dc, chart::kTidalDraw);
    EXPECT_LE(capped.GetDrawnLength(), capPixels + 1.0);
    EXPECT_GE(capped.GetDrawnLength(), capPixels - 1.0);
    // Labels of the boxed mode.
    backend->Clear();
    chart::CTidalVector boxed(chart.doc.get(), &tides);
    boxed.SetVector(CPosition(50.25, -0.5), 45.0, 1.25, 2.04, 0.0);
    boxed.DrawOnChart(&dc, chart::kTidalBoxedLabel);
    std::vector<std::string> texts;
    for (const auto& rr : backend->Records())
        if (rr.op == DrawOp::Text)
            texts.push_back(rr.text);
    EXPECT_EQ(texts, std::vector<std::string>{"1.2kn, 2.0m"});
}

TEST(TidalVector, DrawnOnlyOverWaterColours)
{
    Chart chart(CPosition(50.5, -1.0), CPosition(50.0, 0.0));
    FakeTides tides;
    const IntPoint at = chart.ClientPoint(CPosition(50.25, -0.5));
    struct Row {
        const char* what;
        int tinted;   // sampled pixels in the water tint
        std::int32_t kind;
        bool drawn;
    };
    for (const Row& r :
         {Row{"four tinted", 4, chart::kTidalPlain, true},
          Row{"three tinted", 3, chart::kTidalPlain, false},
          Row{"coloured kind needs the second class", 5, chart::kTidalBlue, false}}) {
        std::vector<std::uint32_t> pixels(800 * 400, 0xFF808080u);
        const IntPoint samples[5] = {{at.x - 1, at.y + 1},
                                     {at.x + 1, at.y + 1},
                                     {at.x + 1, at.y - 1},
                                     {at.x - 1, at.y - 1},
                                     {at.x, at.y}};
        for (int i = 0; i < r.tinted; ++i)
            pixels[samples[i].y * 800 + samples[i].x] = 0xFFF000F0u;
        chart::CXDC dc(std::make_unique<chart::CRecordingBackend>(
            chart::CPixelView{pixels.data(), 800, 400, 800}));
        chart::CTidalVector arrow(chart.doc.get(), &tides);
        arrow.SetColourKind(r.kind);
        arrow.SetVector(CPosition(50.25, -0.5), 30.0, 2.0, 0.0, 0.0);
        arrow.DrawOnChart(&dc, chart::kTidalDraw);
        const auto& recs = static_cast<chart::CRecordingBackend*>(dc.Backend())->Records();
        EXPECT_EQ(!recs.empty(), r.drawn) << r.what;
    }
}

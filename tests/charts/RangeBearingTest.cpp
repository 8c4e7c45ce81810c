#include "chart/RangeBearing.h"

#include <gtest/gtest.h>

#include <GeographicLib/Rhumb.hpp>
#include <cmath>
#include <stdexcept>

#include "../support/FakeChartWindow.h"
#include "chart/ChartViewPipeline.h"
#include "chart/draw/BufferDC.h"
#include "chart/draw/RecordingBackend.h"
#include "chart/draw/XDC.h"
#include "charts/vector/BlankChartDoc.h"

using geo::CPosition;
using geo::IntPoint;

namespace {

// A vector chart over a fixed extent, wrapping at 180 when asked.
class FixedDoc : public charts::CVectorChartDoc {
public:
    FixedDoc(CPosition nw, CPosition se, bool dateLine, geo::IntRect r)
        : m_nw(nw), m_se(se), m_rect(r)
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
    void GetVisibleRect(geo::IntRect& r) override { r = m_rect; }
    bool IsChartLoaded() const override { return true; }

private:
    CPosition m_nw, m_se;
    geo::IntRect m_rect;
};

}   // namespace

TEST(RangeBearing, LabelRows)
{
    struct Row {
        double range, bearing;
        const char* label;
    };
    const Row rows[] = {
        {12.34, 45, "12.3nm, 045\xC2\xB0, (225\xC2\xB0)"},
        {5, 270, "5.00nm, 270\xC2\xB0, (090\xC2\xB0)"},
        {150.4, 0, "150nm, 000\xC2\xB0, (180\xC2\xB0)"},
        {0, 0, "0.00nm, 000\xC2\xB0, (180\xC2\xB0)"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(chart::FormatRangeBearingLabel(r.range, r.bearing), r.label) << r.range;
}

TEST(RangeBearing, LinesAcrossTheDateLineAgainstGeographicLib)
{
    // 170 E to 170 W over 2000 x 2000 pixels, 10 degrees south to 10 north.
    FixedDoc doc(CPosition(10, 170), CPosition(-10, -170), true, {0, 0, 2000, 2000});
    brine_test::FakeChartWindow window({0, 0, 2000, 2000});
    doc.AttachWindow(&window);
    const GeographicLib::Rhumb rhumb(GeographicLib::Constants::WGS84_a(),
                                     GeographicLib::Constants::WGS84_f(), false);
    struct Line {
        IntPoint from, to;
    };
    const Line lines[] = {
        {{900, 1000}, {1100, 1000}},   // due east across 180
        {{1100, 1000}, {900, 1000}},   // due west across 180
        {{500, 1800}, {1700, 200}},   // north-east across
        {{1999, 3}, {2, 1997}},   // corner to corner, westward
        {{400, 700}, {700, 1300}},   // not across
    };
    for (const Line& l : lines) {
        chart::CRangeBearingOverlay m;
        m.Start(doc, l.from);
        ASSERT_TRUE(m.CanExtendTo(l.to));
        m.SetEnd(l.to);
        const CPosition& a = m.StartPosition();
        const CPosition& b = m.EndPosition();
        double range = 0, bearing = 0;
        ASSERT_TRUE(chart::RangeBearingAsDrawn(a, b, l.from.x, l.to.x, &range, &bearing));
        double s12 = 0, azi12 = 0;
        rhumb.Inverse(a.GetLatitude(), a.GetLongitude(), b.GetLatitude(), b.GetLongitude(), s12,
                      azi12);
        EXPECT_NEAR(range, s12 / 1852.0, 1e-4) << l.from.x << "->" << l.to.x;
        EXPECT_NEAR(bearing, azi12 < 0 ? azi12 + 360 : azi12, 1e-6) << l.from.x << "->" << l.to.x;
        m.Finish(l.to);
        EXPECT_EQ(m.Label(), chart::FormatRangeBearingLabel(range, bearing));
        EXPECT_LT(range, 1800.0);   // a line on a 20-degree chart never reads the world round
    }
}

TEST(RangeBearing, AcrossAWorldChartTheLineReadsTheLongWay)
{
    brine_test::FakeChartWindow window({0, 0, 720, 360});
    charts::CBlankChartDoc world;
    window.doc = &world;
    world.AttachWindow(&window);
    ASSERT_TRUE(world.OnOpenDocument(""));
    chart::CRangeBearingOverlay m;
    m.Start(world, {10, 180});   // 175 W on the equator
    m.SetEnd({710, 180});   // 175 E, drawn eastward across the whole chart
    double range = 0, bearing = 0;
    ASSERT_TRUE(
        chart::RangeBearingAsDrawn(m.StartPosition(), m.EndPosition(), 10, 710, &range, &bearing));
    EXPECT_NEAR(bearing, 90.0, 1e-6);
    EXPECT_NEAR(range, 350 * 60.0 * 1.0018, 40.0);   // 350 degrees of the equator, not 10
    // A click without moving: a zero-length line.
    chart::CRangeBearingOverlay click;
    click.Start(world, {300, 100});
    click.Finish({300, 100});
    EXPECT_EQ(click.Label(), "0.00nm, 000\xC2\xB0, (180\xC2\xB0)");
}

TEST(RangeBearing, APacificCentredWorldChartReadsTheLongWayBothDirections)
{
    // A world chart from 20 E eastward round to 20 E, so 160 W sits in the
    // middle; half a degree a pixel, 80 N to 80 S.
    FixedDoc doc(CPosition(80, 20), CPosition(-80, 20), true, {0, 0, 720, 320});
    brine_test::FakeChartWindow window({0, 0, 720, 320});
    doc.AttachWindow(&window);
    const GeographicLib::Rhumb rhumb(GeographicLib::Constants::WGS84_a(),
                                     GeographicLib::Constants::WGS84_f(), false);
    // 30 E is 20 pixels from the left edge, 10 W 660; 40 N is row 80,
    // 20 S row 200, the equator row 160.
    struct Line {
        IntPoint from, to;
        double lonTurn;   // signed longitude the line sweeps, as drawn
    };
    const Line lines[] = {
        {{20, 160}, {660, 160}, 320.0},   // 30 E east to 10 W along the equator
        {{660, 160}, {20, 160}, -320.0},   // 10 W west to 30 E
        {{20, 80}, {660, 200}, 320.0},   // 40 N 30 E east and south to 20 S 10 W
        {{660, 200}, {20, 80}, -320.0},   // and back west
    };
    for (const Line& l : lines) {
        chart::CRangeBearingOverlay m;
        m.Start(doc, l.from);
        ASSERT_TRUE(m.CanExtendTo(l.to));
        m.SetEnd(l.to);
        const CPosition& a = m.StartPosition();
        const CPosition& b = m.EndPosition();
        double range = 0, bearing = 0;
        ASSERT_TRUE(chart::RangeBearingAsDrawn(a, b, l.from.x, l.to.x, &range, &bearing));
        // Sailed with GeographicLib, the range and bearing reach the far end
        // the way the line was drawn, round most of the world.
        double lat2 = 0, lon2 = 0, area = 0;
        rhumb.GenDirect(a.GetLatitude(), a.GetLongitude(), bearing, range * 1852.0,
                        GeographicLib::Rhumb::LATITUDE | GeographicLib::Rhumb::LONGITUDE |
                            GeographicLib::Rhumb::LONG_UNROLL,
                        lat2, lon2, area);
        EXPECT_NEAR(lat2, b.GetLatitude(), 1e-6) << l.from.x << "->" << l.to.x;
        EXPECT_NEAR(lon2 - a.GetLongitude(), l.lonTurn, 1e-5) << l.from.x << "->" << l.to.x;
        m.Finish(l.to);
        EXPECT_EQ(m.Label(), chart::FormatRangeBearingLabel(range, bearing));
    }
    // Along the equator: due east and due west, 320 degrees of it.
    const double equator = 2 * M_PI * GeographicLib::Constants::WGS84_a() / 1852.0;
    for (int i = 0; i < 2; ++i) {
        double range = 0, bearing = 0;
        chart::CRangeBearingOverlay m;
        m.Start(doc, lines[i].from);
        m.SetEnd(lines[i].to);
        ASSERT_TRUE(chart::RangeBearingAsDrawn(m.StartPosition(), m.EndPosition(), lines[i].from.x,
                                               lines[i].to.x, &range, &bearing));
        EXPECT_NEAR(bearing, i == 0 ? 90.0 : 270.0, 1e-9);
        EXPECT_NEAR(range, equator * 320.0 / 360.0, 1e-3);   // about 19,234 nm
        m.Finish(lines[i].to);
        EXPECT_EQ(m.Label(), i == 0 ? "19234nm, 090\xC2\xB0, (270\xC2\xB0)"
                                    : "19234nm, 270\xC2\xB0, (090\xC2\xB0)");
    }
}

TEST(RangeBearing, FinishedMeasurementsLineArcAndLabelBox)
{
    // A chart of one pixel per minute east and about one north, so the ends
    // come back to the pixels they were drawn at.
    FixedDoc doc(CPosition(51, -1), CPosition(49, 1), false, {0, 0, 120, 120});
    brine_test::FakeChartWindow window({0, 0, 120, 120});
    doc.AttachWindow(&window);
    struct Line {
        IntPoint from, to;
        int tx, ty;   // a third of the run, truncated, 0 counted as 1
    };
    const Line lines[] = {
        {{20, 30}, {80, 90}, 20, 20},
        {{90, 20}, {40, 21}, -16, 1},   // a third of -50 truncates towards zero
        {{50, 50}, {50, 50}, 1, 1},   // a click without moving
    };
    for (int dpi : {96, 144}) {
        for (const Line& l : lines) {
            chart::CRangeBearingOverlay m;
            m.Start(doc, l.from);
            m.SetEnd(l.to);
            m.Finish(l.to);
            chart::CXDC dc(std::make_unique<chart::CRecordingBackend>(chart::CPixelView{}, dpi));
            m.DrawLine(dc, false);
            m.DrawLabel(dc);
            const auto& records = static_cast<chart::CRecordingBackend*>(dc.Backend())->Records();
            IntPoint s, e;
            m.ClientPoints(s, e);
            ASSERT_NEAR(e.x - s.x, l.to.x - l.from.x, 1) << l.from.x;
            const int dx = e.x - s.x, dy = e.y - s.y;
            const int r = std::max(1, static_cast<int>(std::sqrt(double(dx * dx + dy * dy))));
            const int tx = dx / 3 ? dx / 3 : 1, ty = dy / 3 ? dy / 3 : 1;
            if (e == l.to && s == l.from) {
                EXPECT_EQ(tx, l.tx);
                EXPECT_EQ(ty, l.ty);
            }
            int seen = 0;
            for (const chart::DrawRecord& rec : records) {
                if (rec.op == chart::DrawOp::Arc) {
                    ++seen;
                    // The range ring about the start, crossing the line at the end.
                    EXPECT_EQ(rec.points[0], (IntPoint{s.x - r, s.y - r}));
                    EXPECT_EQ(rec.points[1], (IntPoint{s.x + r, s.y + r}));
                    EXPECT_EQ(rec.points[2], (IntPoint{e.x - ty, e.y + tx}));
                    EXPECT_EQ(rec.points[3], (IntPoint{e.x + ty, e.y - tx}));
                    EXPECT_EQ(rec.direction, chart::ArcDirection::CounterClockwise);
                } else if (rec.op == chart::DrawOp::Line) {
                    ++seen;
                    EXPECT_EQ(rec.points[0], s);
                    EXPECT_EQ(rec.points[1], (IntPoint{e.x + tx, e.y + ty}));   // on by a third
                } else if (rec.op == chart::DrawOp::Text) {
                    ++seen;
                    // "System" at a cell height of 12 points on this DC, weight 500.
                    EXPECT_EQ(rec.font.face, "System");
                    EXPECT_EQ(rec.font.height, 12 * dpi / 72) << dpi;
                    EXPECT_EQ(rec.font.weight, 500);
                    EXPECT_EQ(rec.textAlign, chart::TA_CENTER | chart::TA_TOP);
                    const chart::IntSize text =
                        chart::CRecordingBackend::TextExtentFor(rec.font, rec.text);
                    EXPECT_EQ(rec.points[0].x, (s.x + e.x) / 2);
                    // The box: the text's width and height and three edges of two pixels each,
                    // its centre at the line's middle, the text's top half the spare height down.
                    const auto box = std::find_if(records.begin(), records.end(), [](auto& b) {
                        return b.op == chart::DrawOp::Rectangle;
                    });
                    ASSERT_NE(box, records.end());
                    const int w = text.cx + 6, h = text.cy + 6;
                    const int cy = (s.y + e.y) / 2;
                    EXPECT_EQ(box->points[0], (IntPoint{(s.x + e.x) / 2 - w / 2, cy - h / 2}));
                    EXPECT_EQ(box->points[1].x - box->points[0].x, w);
                    EXPECT_EQ(box->points[1].y - box->points[0].y, h);
                    EXPECT_EQ(rec.points[0].y, box->points[0].y + (h - text.cy) / 2);
                }
            }
            EXPECT_EQ(seen, 3) << l.from.x << "," << l.from.y;
        }
    }
}

namespace {

// A fixed chart whose position-to-point conversion fails from a chosen call on.
class FailingDoc : public FixedDoc {
public:
    using FixedDoc::FixedDoc;
    bool PanelPositionToClientPoint(const CPosition& position, chart::CPanelId panel,
                                    IntPoint& client) override
    {
        if (failFrom > 0 && ++calls >= failFrom)
            throw std::runtime_error("no projection");
        return FixedDoc::PanelPositionToClientPoint(position, panel, client);
    }
    bool PointToPosition(IntPoint p, CPosition& position) override
    {
        return p.x >= 10 && FixedDoc::PointToPosition(p, position);   // no positions left of 10
    }
    int failFrom = 0;
    int calls = 0;
};

}   // namespace

TEST(RangeBearing, AnEndWithoutPositionLeavesTheBoxEmpty)
{
    FailingDoc doc(CPosition(51, -1), CPosition(49, 1), false, {0, 0, 120, 120});
    brine_test::FakeChartWindow window({0, 0, 120, 120});
    doc.AttachWindow(&window);
    chart::CRangeBearingOverlay m;
    m.Start(doc, {5, 40});
    m.SetEnd({60, 80});
    m.Finish({60, 80});
    EXPECT_EQ(m.Label(), "");
    chart::CXDC dc(std::make_unique<chart::CRecordingBackend>());
    m.DrawLabel(dc);
    const auto& records = static_cast<chart::CRecordingBackend*>(dc.Backend())->Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].op, chart::DrawOp::Rectangle);
    EXPECT_EQ(records[0].brush.colour, app::RGB(255, 255, 0));
    EXPECT_EQ(records[0].points[1].x - records[0].points[0].x, 6) << "three edges of 2 pixels";
}

TEST(RangeBearing, AFailingLineLeavesTheLabelsOutAndAFailingLabelEndsItsPass)
{
    struct Row {
        int failFrom;   // each measurement asks twice a pass: lines, then labels
        int lines, labels;
    };
    const Row rows[] = {{0, 2, 2}, {3, 1, 0}, {7, 2, 1}};
    for (const Row& row : rows) {
        FailingDoc doc(CPosition(51, -1), CPosition(49, 1), false, {0, 0, 120, 120});
        brine_test::FakeChartWindow window({0, 0, 120, 120});
        window.doc = &doc;
        doc.AttachWindow(&window);
        chart::CChartViewPipeline pipeline(doc, nullptr);
        for (IntPoint from : {IntPoint{20, 20}, IntPoint{30, 90}}) {
            auto m = std::make_unique<chart::CRangeBearingOverlay>();
            m->Start(doc, from);
            m->SetEnd({100, 50});
            m->Finish({100, 50});
            pipeline.Measurements().push_back(std::move(m));
        }
        doc.failFrom = row.failFrom;
        chart::CScreenBuffer buffers(nullptr, 120, 120);
        // The failure stays inside its pass: the picture is still drawn.
        EXPECT_TRUE(pipeline.Render(buffers)) << "failing from call " << row.failFrom;
        const auto& records =
            static_cast<chart::CRecordingBackend*>(buffers.Static().Backend())->Records();
        int arcs = 0, boxes = 0;
        for (const chart::DrawRecord& r : records) {
            arcs += r.op == chart::DrawOp::Arc;
            boxes += r.op == chart::DrawOp::Rectangle && r.brush.colour == app::RGB(255, 255, 0);
        }
        EXPECT_EQ(arcs, row.lines) << "failing from call " << row.failFrom;
        EXPECT_EQ(boxes, row.labels) << "failing from call " << row.failFrom;
        doc.AttachWindow(nullptr);
    }
}

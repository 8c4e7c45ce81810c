// What the chart view shows after pans, overlay changes and vessel moves is
// what one full redraw of the same state shows, pixel for pixel, whichever
// of the static and dynamic layers are drawn: the buffers above the chart
// only copy the rows their layers draw on, and the window is painted from
// whichever buffer holds each band.

#include "chart/ChartDoc.h"
#include "chart/ChartViewPipeline.h"
#include "chart/draw/BufferDC.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "chart/ui/ChartView.h"

#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int g_argc = 1;
char g_arg0[] = "chart_ui_ChartViewPictureTest";
char* g_argv[] = {g_arg0, nullptr};

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// A chart of coloured squares with soundings, placed by the pan offset.
class PatternChart final : public chart::CChartDoc {
public:
    int offsetX = 0, offsetY = 0;
    bool IsChartLoaded() const override { return true; }
    int DrawChart(chart::CXDC& dc) override
    {
        chart::CSelStock noPen(dc, chart::StockObject::NullPen);
        for (int y = -(offsetY % 40) - 40; y < kHeight; y += 40)
            for (int x = -(offsetX % 40) - 40; x < kWidth; x += 40) {
                const int column = (x + offsetX) / 40, row = (y + offsetY) / 40;
                chart::CSelBrush brush(
                    dc, app::RGB(40 + (column * 37) % 200, 60 + (row * 53) % 180, 200));
                dc.Rectangle(x, y, x + 41, y + 41);
                dc.SetBkMode(chart::BkMode::Transparent);
                dc.TextOut(x + 12, y + 14, std::to_string((column * 7 + row) % 30));
            }
        return 1;
    }
};

// A route and its waypoint names, moving with the chart.
struct Route final : chart::CLayerSource {
    const PatternChart* chart = nullptr;
    bool on = true;
    int legs = 3;
    bool IsOn() const override { return on; }
    void Draw(chart::CChartDoc&, chart::CXDC& dc) override
    {
        std::vector<chart::IntPoint> points;
        for (int i = 0; i <= legs; ++i)
            points.push_back({30 + i * 90 - chart->offsetX, 40 + (i % 2) * 150 - chart->offsetY});
        chart::CSelPen pen(dc, app::RGB(220, 0, 0), chart::PenStyle::Solid, 3);
        dc.Polyline(points);
        chart::CSelStock hollow(dc, chart::StockObject::NullBrush);
        dc.SetBkMode(chart::BkMode::Transparent);
        for (const chart::IntPoint& p : points) {
            dc.Ellipse(p.x - 9, p.y - 9, p.x + 9, p.y + 9);
            dc.TextOut(p.x + 11, p.y - 18, "WP");
        }
    }
};

// The own vessel with its name, wherever it is.
struct Vessel final : chart::CLayerSource {
    bool on = true;
    chart::IntPoint at{100, 100};
    bool IsOn() const override { return on; }
    void Draw(chart::CChartDoc&, chart::CXDC& dc) override
    {
        chart::CSelPen pen(dc, app::RGB(0, 0, 0), chart::PenStyle::Solid, 2);
        chart::CSelBrush brush(dc, app::RGB(0, 200, 0));
        const chart::IntPoint hull[] = {
            {at.x + 16, at.y}, {at.x - 8, at.y + 7}, {at.x - 8, at.y - 7}};
        dc.Polygon(hull);
        dc.DrawLine(at.x, at.y, at.x + 60, at.y + 20);
        dc.SetBkMode(chart::BkMode::Opaque);
        dc.TextOut(at.x - 10, at.y + 10, "OWN SHIP");
    }
};

class ChartViewPicture : public ::testing::TestWithParam<std::pair<bool, bool>> {
protected:
    static void SetUpTestSuite()
    {
        static auto* app = new QApplication(g_argc, g_argv);   // lives to the end
        (void)app;
        chart::SetDrawBackendFactory(&s_factory);
    }
    static void TearDownTestSuite() { chart::SetDrawBackendFactory(nullptr); }
    static inline chart::CQtBackendFactory s_factory;

    // One full redraw of the state into one buffer, every layer in order.
    QImage FullRedraw()
    {
        chart::CBufferDC dc(nullptr, kWidth, kHeight);
        doc.DrawChart(dc);
        if (route.IsOn())
            route.Draw(doc, dc);
        if (vessel.IsOn())
            vessel.Draw(doc, dc);
        const chart::CPixelView m = dc.Memory();
        return QImage(reinterpret_cast<const uchar*>(m.bits), m.width, m.height,
                      static_cast<qsizetype>(m.stride * 4), QImage::Format_RGB32)
            .copy(0, 0, kWidth, kHeight);
    }

    PatternChart doc;
    Route route;
    Vessel vessel;
};

}   // namespace

TEST_P(ChartViewPicture, EveryStepShowsWhatAFullRedrawShows)
{
    route.chart = &doc;
    route.on = GetParam().first;
    vessel.on = GetParam().second;
    chart::CChartView view(doc, nullptr);
    view.Pipeline().SetSource(chart::StaticLayer::Route, &route);
    view.Pipeline().SetSource(chart::DynamicLayer::OwnVessel, &vessel);
    view.resize(kWidth, kHeight);

    struct Step {
        const char* what;
        int panX, panY;   // the chart moves: a chart redraw
        bool routeChanged;   // an overlay redraw
        chart::IntPoint vesselAt;   // a bare repaint
    };
    const Step steps[] = {
        {"first paint", 0, 0, false, {100, 100}},
        {"the vessel moves down", 0, 0, false, {110, 150}},
        {"the vessel moves up across many bands", 0, 0, false, {130, 30}},
        {"pan right", 24, 0, false, {130, 30}},
        {"pan left", -50, 0, false, {130, 30}},
        {"pan down", 0, 37, false, {130, 30}},
        {"pan up", 0, -70, false, {130, 30}},
        {"the route gains a leg", 0, 0, true, {130, 30}},
        {"the vessel moves after the route changed", 0, 0, false, {200, 210}},
        {"pan diagonally while the vessel moves", 15, 9, false, {60, 60}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.panX || s.panY) {
            doc.offsetX += s.panX;
            doc.offsetY += s.panY;
            view.InvalidateChart();
        }
        if (s.routeChanged) {
            ++route.legs;
            view.InvalidateOverlays();
        }
        vessel.at = s.vesselAt;
        const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), QSize(kWidth, kHeight));
        const QImage expected = FullRedraw();
        int differing = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                differing += (shown.pixel(x, y) & 0xFFFFFFu) != (expected.pixel(x, y) & 0xFFFFFFu);
        EXPECT_EQ(differing, 0);
    }
    // The buffers' memory read whole is the same picture (printing reads it).
    ASSERT_NE(view.Buffers(), nullptr);
    const chart::CPixelView whole = view.Buffers()->Dynamic().Memory();
    const QImage dynamic(reinterpret_cast<const uchar*>(whole.bits), whole.width, whole.height,
                         static_cast<qsizetype>(whole.stride * 4), QImage::Format_RGB32);
    EXPECT_EQ(dynamic.copy(0, 0, kWidth, kHeight), FullRedraw());
}

INSTANTIATE_TEST_SUITE_P(Layers, ChartViewPicture,
                         ::testing::Values(std::pair{true, true}, std::pair{true, false},
                                           std::pair{false, true}, std::pair{false, false}),
                         [](const auto& info) {
                             return std::string(info.param.first ? "Static" : "NoStatic") +
                                    (info.param.second ? "Dynamic" : "NoDynamic");
                         });

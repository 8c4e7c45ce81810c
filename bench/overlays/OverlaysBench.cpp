// bench_overlays: one 1920 x 1080 frame of overlays over a harbour-scale
// blank chart.
//
// BM_OverlayFrame draws 1,000 chartpoint markers through the chartpoint layer
// and a 10,000-point track line segment by segment through the line overlay:
// every position goes through the document's datum shift, date-line split,
// clipping and conversion, and every shape through the drawing context onto
// Qt's painter. BM_OverlayFrame_Reference has the painter draw the same
// circles and polyline from client points worked out beforehand.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "../../tests/support/FakeChartWindow.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "chart/overlays/ChartpointLayer.h"
#include "chart/overlays/OverlayLine.h"
#include "charts/vector/BlankChartDoc.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kChartpoints = 1000;
constexpr int kTrackPoints = 10000;

// A blank chart over a harbour approach, 1920 x 960 of it visible.
struct Harbour {
    Harbour() : window(geo::IntRect{0, 0, kWidth, kHeight})
    {
        window.doc = &doc;
        doc.AttachWindow(&window);
        doc.OnOpenDocument("");
        doc.SetViewExtent(geo::CPosition(50.90, -1.60), geo::CPosition(50.60, -1.00));
        std::mt19937 random(5);
        std::uniform_real_distribution<double> lat(50.61, 50.89), lon(-1.59, -1.01);
        for (int i = 0; i < kChartpoints; ++i)
            chartpoints.emplace_back(lat(random), lon(random));
        // A wandering track across the view.
        double la = 50.62, lo = -1.58;
        for (int i = 0; i < kTrackPoints; ++i) {
            la = std::clamp(la + (random() % 200 - 99) * 1e-5, 50.61, 50.89);
            lo = std::clamp(lo + 0.58 / kTrackPoints + (random() % 200 - 100) * 1e-6, -1.59, -1.01);
            track.emplace_back(la, lo);
        }
    }
    ~Harbour() { doc.OnCloseDocument(); }

    brine_test::FakeChartWindow window;
    charts::CBlankChartDoc doc;
    std::vector<geo::CPosition> chartpoints;
    std::vector<geo::CPosition> track;
};

void BM_OverlayFrame(benchmark::State& state)
{
    Harbour harbour;
    chart::CChartpointProperties props;
    chart::CChartpointList layer(&harbour.doc, &props);
    for (const geo::CPosition& p : harbour.chartpoints) {
        auto cp = std::make_unique<chart::COverlayChartpoint>();
        cp->SetPosition(p);
        layer.Overlays().Add(std::move(cp));
    }
    chart::COverlayLine line;
    line.SetOwner(&harbour.doc);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    const chart::CPixelView memory{reinterpret_cast<std::uint32_t*>(image.bits()), kWidth, kHeight,
                                   image.bytesPerLine() / 4};
    chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(memory));
    for (auto _ : state) {
        layer.Draw(dc);
        chart::CSelPen pen(dc, app::RGB(0, 0, 0), chart::PenStyle::Solid, 2);
        for (std::size_t i = 1; i < harbour.track.size(); ++i)
            line.DrawSegment(dc, harbour.track[i - 1], harbour.track[i]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * (kChartpoints + kTrackPoints));
}

void BM_OverlayFrame_Reference(benchmark::State& state)
{
    Harbour harbour;
    std::vector<QPoint> centres;
    for (const geo::CPosition& p : harbour.chartpoints) {
        chart::PointList points;
        harbour.doc.PositionToClientPoints(p, points);
        centres.emplace_back(points[0].x, points[0].y);
    }
    QPolygon track;
    for (const geo::CPosition& p : harbour.track) {
        chart::PointList points;
        harbour.doc.PositionToClientPoints(p, points);
        track << QPoint(points[0].x, points[0].y);
    }
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (auto _ : state) {
        painter.setPen(QPen(QColor(0, 127, 255), 1));
        painter.setBrush(Qt::white);
        for (const QPoint& c : centres)
            painter.drawEllipse(c, 6, 6);
        painter.setPen(QPen(Qt::black, 2));
        painter.drawPolyline(track);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * (kChartpoints + kTrackPoints));
}

}   // namespace

BENCHMARK(BM_OverlayFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OverlayFrame_Reference)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // Fonts need an application; no window is shown.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The vector charts' hot paths on the sample cells the build makes:
//  - a 1920 x 1080 redraw of the Seattle harbour cell (with its update) at
//    three zooms (the whole chart, half and a quarter of its span around its
//    middle) through the drawing layer, against the reference: the same
//    chart's area polygons, projected once beforehand, filled by plain
//    QPainter calls as the chart fills them (land outlined, the other areas
//    without a stroke);
//  - a 1920 x 1080 redraw of the whole Puget Sound overview and of the whole
//    Admiralty Inlet cell (the largest navigational sample cell, 1:80000),
//    every feature drawn (scamin:0) against the features shown at the view's
//    scale (scamin:1);
//  - importing the harbour cell into our store against GDAL translating it
//    to a GeoPackage in memory.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <gdal_utils.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <unistd.h>

#include "chart/draw/XDC.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "charts/vector/LiveChartDraw.h"
#include "charts/vector/VectorChartDoc.h"
#include "engines/vector/S57Import.h"
#include "engines/vector/VChartStore.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

std::string SampleCell(const char* name)
{
    return (std::filesystem::path(BRINE_SAMPLE_CELLS_DIR) / (std::string(name) + ".000")).string();
}

std::string HarbourCell()
{
    return SampleCell("US5WA03M");
}

// A sample cell imported once (with its updates) and kept as store bytes.
struct StoredCell {
    std::string bytes;
    vengine::CVChartView view;
    bool ok = false;
    explicit StoredCell(const std::string& cell)
    {
        vengine::VChartData chart;
        if (!vengine::ImportS57Cell(cell, true, chart).ok)
            return;
        bytes = vengine::EncodeVChart(chart);
        ok = view.Attach(bytes, nullptr);
    }
};

const StoredCell& TheHarbour()
{
    static const StoredCell h(HarbourCell());
    return h;
}

const StoredCell& TheOverview()
{
    static const StoredCell c(SampleCell("US2WA01M"));
    return c;
}

const StoredCell& TheLargestCell()
{
    static const StoredCell c(SampleCell("US4WA02M"));
    return c;
}

QGuiApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_vector";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static auto* app = new QGuiApplication(argc, argv);   // never destroyed: Qt's exit order
    return *app;
}

// The view's projection at zoom 1, 2 or 4 around the chart's middle, keeping
// the chart's own aspect as the document does.
charts::CLinearProjection ProjectionAt(int zoom)
{
    const auto& info = TheHarbour().view.Info();
    const double west = info.I32(vengine::info::kWest) * 1e-7;
    const double east = info.I32(vengine::info::kEast) * 1e-7;
    const double south = info.I32(vengine::info::kSouth) * 1e-7;
    const double north = info.I32(vengine::info::kNorth) * 1e-7;
    const double midLat = (north + south) / 2, midLon = (east + west) / 2;
    const double halfLat = (north - south) / 2 / zoom;
    const double halfLon = halfLat * kWidth / kHeight / std::cos(midLat * 3.14159265358979 / 180);
    return charts::CLinearProjection(geo::CPosition(midLat + halfLat, midLon - halfLon),
                                     geo::CPosition(midLat - halfLat, midLon + halfLon),
                                     geo::IntRect{0, 0, kWidth, kHeight});
}

// All of the chart in the window, true to shape, the window's spare width
// or height beside it, as Full shows it.
charts::CLinearProjection WholeChart(const vengine::CVChartView& view)
{
    const auto& info = view.Info();
    const double west = info.I32(vengine::info::kWest) * 1e-7;
    const double east = info.I32(vengine::info::kEast) * 1e-7;
    const double south = info.I32(vengine::info::kSouth) * 1e-7;
    const double north = info.I32(vengine::info::kNorth) * 1e-7;
    const double midLat = (north + south) / 2, midLon = (east + west) / 2;
    const double cosLat = std::cos(midLat * 3.14159265358979 / 180);
    const double halfLat =
        std::max((north - south) / 2, (east - west) / 2 * cosLat * kHeight / kWidth);
    const double halfLon = halfLat * kWidth / kHeight / cosLat;
    return charts::CLinearProjection(geo::CPosition(midLat + halfLat, midLon - halfLon),
                                     geo::CPosition(midLat - halfLat, midLon + halfLon),
                                     geo::IntRect{0, 0, kWidth, kHeight});
}

// The whole chart redrawn, every feature (range 0) or those shown at the
// view's scale (range 1).
void RedrawWhole(benchmark::State& state, const StoredCell& cell)
{
    App();
    if (!cell.ok) {
        state.SkipWithError("the sample cell did not import");
        return;
    }
    const auto projection = WholeChart(cell.view);
    const double scale = state.range(0) ? projection.DisplayScale() : 0.0;
    state.counters["scale"] = projection.DisplayScale();
    state.counters["features"] = double(cell.view.FeaturesIn(projection.Area(), scale).size());
    // Drawn as the chart view draws it: into the chart buffer's own memory.
    QImage window(kWidth, kHeight, QImage::Format_RGB32);
    const chart::CPixelView memory{reinterpret_cast<std::uint32_t*>(window.bits()), kWidth, kHeight,
                                   window.bytesPerLine() / 4};
    for (auto _ : state) {
        window.fill(Qt::white);
        chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(memory));
        charts::DrawVectorChart(dc, cell.view, projection, scale);
        dc.Detach();
        benchmark::DoNotOptimize(window.constBits());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_OverviewRedraw(benchmark::State& state)
{
    RedrawWhole(state, TheOverview());
}

void BM_LargestCellRedraw(benchmark::State& state)
{
    RedrawWhole(state, TheLargestCell());
}

void BM_HarbourRedraw(benchmark::State& state)
{
    App();
    if (!TheHarbour().ok) {
        state.SkipWithError("the sample harbour cell did not import");
        return;
    }
    const auto projection = ProjectionAt(int(state.range(0)));
    QImage window(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        window.fill(Qt::white);
        QPainter painter(&window);
        chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(painter));
        charts::DrawVectorChart(dc, TheHarbour().view, projection, projection.DisplayScale());
        dc.Detach();
        painter.end();
        benchmark::DoNotOptimize(window.constBits());
    }
    state.SetItemsProcessed(state.iterations());
}

// Every area of the chart projected once: rings as point lists with their fill.
struct ProjectedArea {
    QPainterPath path;
    QColor fill;
    QPen pen;
};

std::vector<ProjectedArea> ProjectAreas(const charts::CLinearProjection& projection)
{
    std::vector<ProjectedArea> areas;
    const auto& view = TheHarbour().view;
    vengine::VFeature f;
    for (std::uint32_t i : view.FeaturesIn(projection.Area())) {
        if (!view.ReadFeature(i, f) || f.geom != vengine::VGeom::Area ||
            f.objectClass.rfind("M_", 0) == 0)
            continue;
        ProjectedArea a;
        a.path.setFillRule(Qt::OddEvenFill);
        for (const auto& part : f.parts) {
            QPolygon ring;
            for (const auto& c : part.points) {
                const geo::IntPoint p = projection.ToPoint(c.lon, c.lat);
                ring << QPoint(p.x, p.y);
            }
            a.path.addPolygon(QPolygonF(ring));
        }
        // Land outlined as the chart outlines it; the other areas filled alone.
        const bool land = f.objectClass == "LNDARE";
        const int colour = land ? charts::kVcLand : charts::kVcPaleBlue;
        a.fill = QColor::fromRgb(charts::CVectorChartDoc::kColours[std::size_t(colour)]);
        a.pen = land ? QPen(QColor::fromRgb(charts::CVectorChartDoc::kColours[charts::kVcBrown]))
                     : QPen(Qt::NoPen);
        areas.push_back(std::move(a));
    }
    return areas;
}

void BM_HarbourRedraw_Reference(benchmark::State& state)
{
    App();
    if (!TheHarbour().ok) {
        state.SkipWithError("the sample harbour cell did not import");
        return;
    }
    const auto areas = ProjectAreas(ProjectionAt(int(state.range(0))));
    QImage window(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        window.fill(Qt::white);
        QPainter painter(&window);
        for (const auto& a : areas) {
            painter.setBrush(a.fill);
            painter.setPen(a.pen);
            painter.drawPath(a.path);
        }
        painter.end();
        benchmark::DoNotOptimize(window.constBits());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_HarbourImport(benchmark::State& state)
{
    for (auto _ : state) {
        vengine::VChartData chart;
        if (!vengine::ImportS57Cell(HarbourCell(), true, chart).ok) {
            state.SkipWithError("the sample harbour cell did not import");
            return;
        }
        std::string bytes = vengine::EncodeVChart(chart);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_HarbourImport_Reference(benchmark::State& state)
{
    vengine::EnsureGdalReady();
    const std::string out = "/vsimem/bench_vector_" + std::to_string(::getpid()) + ".gpkg";
    const char* const args[] = {"-f", "GPKG", nullptr};
    GDALVectorTranslateOptions* options =
        GDALVectorTranslateOptionsNew(const_cast<char**>(args), nullptr);
    for (auto _ : state) {
        GDALDatasetH source = GDALOpenEx(HarbourCell().c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY,
                                         nullptr, nullptr, nullptr);
        if (!source) {
            state.SkipWithError("GDAL cannot open the sample harbour cell");
            break;
        }
        int failed = 0;
        GDALDatasetH written =
            GDALVectorTranslate(out.c_str(), nullptr, 1, &source, options, &failed);
        if (written)
            GDALClose(written);
        GDALClose(source);
        VSIUnlink(out.c_str());
        if (failed) {
            state.SkipWithError("GDAL's translation failed");
            break;
        }
    }
    GDALVectorTranslateOptionsFree(options);
    state.SetItemsProcessed(state.iterations());
}

}   // namespace

BENCHMARK(BM_HarbourRedraw)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HarbourRedraw_Reference)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OverviewRedraw)->ArgName("scamin")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargestCellRedraw)->ArgName("scamin")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HarbourImport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HarbourImport_Reference)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

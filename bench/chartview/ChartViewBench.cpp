// Frames of a chart view the size of a 1920 x 1080 screen over a raster chart
// made by the chart tool's writer. The stand-in document decodes the tiles
// the view shows (once each, as a chart kind caches them) and blits them at
// scale 1 or 2. The overlays are what the sample set shows over a chart: a
// route of six legs with its waypoint circles and names and a dozen
// chartpoints with labels (static), the own vessel with its heading line and
// recent track (dynamic). A pan or zoom frame redraws the chart, a dynamic
// frame only the dynamic layers; each ends drawing the shown picture to the
// "screen" as the chart view does, a drawImage per run of rows from the
// buffer that holds them. `BM_DynamicFrame_WholeScreen` draws twenty lines
// across the whole screen in each layer instead, the worst case. The
// reference does what plain Qt code would: the same tiles into an 8-bit
// QImage, convertToFormat, one drawImage.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <filesystem>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <unistd.h>
#include <vector>

#include "ChartSetWriter.h"
#include "chart/ChartDoc.h"
#include "chart/ChartViewPipeline.h"
#include "chart/draw/BufferDC.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "charts/hcrf/HCRFHeader.h"
#include "charts/hcrf/HCRFPalette.h"
#include "charts/hcrf/HCRFRaster.h"

using namespace charts::hcrf;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct Raster {
    CTileRaster raster;
    CodeTable table{};
    chart::CPaletteTable colours{};
    bool ok = false;
    Raster()
    {
        char pattern[] = "/tmp/bench-chartview-XXXXXX";
        if (!::mkdtemp(pattern))
            return;
        const std::filesystem::path folder = pattern;
        hcrftool::WrittenChart written;
        std::string error;
        hcrftool::ChartParameters p;
        p.notes = 0;
        ok = hcrftool::WriteChartSet(hcrftool::GeneratePicture(4096, 3072), p, folder, written,
                                     error) &&
             LoadCodeTable(*ReadWholeFile(SiblingFile(written.chartFile, "pal")),
                           RasterKind::HighResolution, table) &&
             raster.Load(written.chartFile, IndexFileOf(written.chartFile), written.highTilesAcross,
                         written.highTilesDown, &error);
        std::filesystem::remove_all(folder);
        for (unsigned i = 0; i < 256; ++i)
            colours[i] = 0xFF000000u | (i * 0x010203u & 0xFFFFFFu);
    }
};

const Raster& TheRaster()
{
    static const Raster r;
    return r;
}

// Decoded tiles, kept as a chart kind keeps them.
class TileCache {
public:
    const std::uint8_t* Tile(unsigned column, unsigned row)
    {
        auto& tile = m_tiles[{column, row}];
        if (tile.empty()) {
            tile.resize(kTilePixels);
            TheRaster().raster.ReadTile(column, row, TheRaster().table, false,
                                        TileBuffer(tile.data(), kTilePixels), m_lock);
        }
        return tile.data();
    }

private:
    std::map<std::pair<unsigned, unsigned>, std::vector<std::uint8_t>> m_tiles;
    std::mutex m_lock;
};

// The visible tiles at an offset and scale, each handed to `blit`.
template <class Blit>
void ForVisibleTiles(int offsetX, int offsetY, int scale, Blit blit)
{
    const int side = static_cast<int>(kTileSide) * scale;
    const unsigned across = TheRaster().raster.TilesAcross(), down = TheRaster().raster.TilesDown();
    for (int y = -(offsetY % side); y < kHeight; y += side) {
        for (int x = -(offsetX % side); x < kWidth; x += side) {
            const unsigned column = static_cast<unsigned>((x + offsetX) / side) % across;
            const unsigned row = static_cast<unsigned>((y + offsetY) / side) % down;
            blit(column, row, x, y, side);
        }
    }
}

class RasterStandIn final : public chart::CChartDoc {
public:
    int offsetX = 0, offsetY = 0, scale = 1;
    TileCache cache;
    bool OpenChart(const std::string&) override { return TheRaster().ok; }
    int DrawChart(chart::CXDC& dc) override
    {
        ForVisibleTiles(
            offsetX, offsetY, scale, [&](unsigned c, unsigned r, int x, int y, int side) {
                const chart::CIndexedImage image{cache.Tile(c, r), static_cast<int>(kTileSide),
                                                 static_cast<int>(kTileSide),
                                                 static_cast<std::ptrdiff_t>(kTileSide)};
                dc.BlitIndexed(image,
                               {0, 0, static_cast<int>(kTileSide), static_cast<int>(kTileSide)},
                               {x, y, x + side, y + side}, &TheRaster().colours);
            });
        return 1;
    }
};

// Twenty lines across the whole screen.
struct Lines final : chart::CLayerSource {
    bool IsOn() const override { return true; }
    void Draw(chart::CChartDoc&, chart::CXDC& dc) override
    {
        dc.SelectPen(app::RGB(200, 0, 0), chart::PenStyle::Solid, 2);
        for (int i = 0; i < 20; ++i)
            dc.DrawLine(i * 90, 0, kWidth - i * 90, kHeight);
    }
};

// A route of six legs, its waypoint circles and names.
struct Route final : chart::CLayerSource {
    bool IsOn() const override { return true; }
    void Draw(chart::CChartDoc&, chart::CXDC& dc) override
    {
        static constexpr chart::IntPoint kWaypoints[] = {
            {180, 260}, {520, 330}, {840, 470}, {1130, 520}, {1400, 610}, {1620, 700}, {1790, 820}};
        chart::CSelPen pen(dc, app::RGB(200, 0, 0), chart::PenStyle::Solid, 2);
        dc.Polyline(kWaypoints);
        chart::CSelStock hollow(dc, chart::StockObject::NullBrush);
        dc.SetBkMode(chart::BkMode::Transparent);
        int n = 1;
        for (const chart::IntPoint p : kWaypoints) {
            dc.Ellipse(p.x - 8, p.y - 8, p.x + 8, p.y + 8);
            dc.TextOut(p.x + 10, p.y - 20, "WP" + std::to_string(n++));
        }
    }
};

// A dozen chartpoints, each a small triangle with its name.
struct Chartpoints final : chart::CLayerSource {
    bool IsOn() const override { return true; }
    void Draw(chart::CChartDoc&, chart::CXDC& dc) override
    {
        static constexpr chart::IntPoint kShape[] = {{0, -6}, {5, 4}, {-5, 4}};
        chart::CSelPen pen(dc, app::RGB(0, 0, 160));
        chart::CSelBrush brush(dc, app::RGB(255, 255, 0));
        dc.SetBkMode(chart::BkMode::Transparent);
        for (int i = 0; i < 12; ++i) {
            const chart::IntPoint p{300 + i * 113, 180 + (i * 379) % 700};
            dc.Polygons(kShape, std::span(&p, 1));
            dc.TextOut(p.x + 8, p.y - 6, "Mark " + std::to_string(i + 1));
        }
    }
};

// The own vessel: hull, heading line and the last few minutes of track.
struct OwnVessel final : chart::CLayerSource {
    bool IsOn() const override { return true; }
    void Draw(chart::CChartDoc&, chart::CXDC& dc) override
    {
        const chart::IntPoint at{1000, 500};
        std::vector<chart::IntPoint> track;
        for (int i = 30; i > 0; --i)
            track.push_back({at.x - i * 6, at.y - i * 2});
        track.push_back(at);
        chart::CSelPen pen(dc, app::RGB(0, 120, 0), chart::PenStyle::Solid, 2);
        dc.Polyline(track);
        const chart::IntPoint hull[] = {{at.x + 14, at.y + 5},
                                        {at.x - 8, at.y + 9},
                                        {at.x - 12, at.y - 1},
                                        {at.x + 10, at.y - 5}};
        chart::CSelBrush brush(dc, app::RGB(0, 160, 0));
        dc.Polygon(hull);
        dc.DrawLine(at.x, at.y, at.x + 90, at.y + 30);
    }
};

struct View {
    RasterStandIn doc;
    chart::CScreenBuffer buffers{&TheRaster().colours, kWidth, kHeight};
    chart::CChartViewPipeline pipeline{doc, nullptr};
    Route route;
    Chartpoints chartpoints;
    OwnVessel ownVessel;
    Lines staticLines, dynamicLines;
    QImage screen{kWidth, kHeight, QImage::Format_RGB32};
    explicit View(bool wholeScreen = false)
    {
        doc.OnOpenDocument("stand-in");
        if (wholeScreen) {
            pipeline.SetSource(chart::StaticLayer::Chartpoints, &staticLines);
            pipeline.SetSource(chart::DynamicLayer::OwnVessel, &dynamicLines);
            return;
        }
        pipeline.SetSource(chart::StaticLayer::Chartpoints, &chartpoints);
        pipeline.SetSource(chart::StaticLayer::Route, &route);
        pipeline.SetSource(chart::DynamicLayer::OwnVessel, &ownVessel);
    }
    static QImage ImageOf(const chart::CBufferDC& buffer)
    {
        const chart::CPixelView m = buffer.Backend()->Memory();
        return {reinterpret_cast<const uchar*>(m.bits), m.width, m.height,
                static_cast<qsizetype>(m.stride * 4), QImage::Format_RGB32};
    }
    void Frame()
    {
        pipeline.Render(buffers);
        QPainter p(&screen);
        for (const chart::CScreenBuffer::Run& run : buffers.ShownRuns(0, kHeight)) {
            const QRect part(0, run.top, kWidth, run.bottom - run.top);
            p.drawImage(part, ImageOf(*run.buffer), part);
        }
    }
};

void BM_PanFrame(benchmark::State& state)
{
    View view;
    view.doc.scale = static_cast<int>(state.range(0));
    int step = 0;
    for (auto _ : state) {
        view.doc.offsetX = (step++ % 64) * 16;   // a pan: the chart redraws
        view.pipeline.InvalidateChart();
        view.Frame();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PanFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_PanFrame_Reference(benchmark::State& state)
{
    TileCache cache;
    const int scale = static_cast<int>(state.range(0));
    QImage indexed(kWidth, kHeight, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (std::uint32_t c : TheRaster().colours)
        table.push_back(c);
    indexed.setColorTable(table);
    QImage screen(kWidth, kHeight, QImage::Format_RGB32);
    int step = 0;
    for (auto _ : state) {
        const int offsetX = (step++ % 64) * 16;
        ForVisibleTiles(offsetX, 0, scale, [&](unsigned c, unsigned r, int x, int y, int side) {
            const std::uint8_t* tile = cache.Tile(c, r);
            for (int ty = std::max(0, -y); ty < side && y + ty < kHeight; ++ty) {
                uchar* line = indexed.scanLine(y + ty);
                const std::uint8_t* src = tile + (ty / scale) * kTileSide;
                for (int tx = std::max(0, -x); tx < side && x + tx < kWidth; ++tx)
                    line[x + tx] = src[tx / scale];
            }
        });
        const QImage rgb = indexed.convertToFormat(QImage::Format_RGB32);
        QPainter p(&screen);
        p.drawImage(QPoint(0, 0), rgb);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PanFrame_Reference)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_ZoomFrame(benchmark::State& state)
{
    View view;
    int step = 0;
    for (auto _ : state) {
        view.doc.scale = 1 + (step++ & 1);   // in and out: the chart redraws at the other scale
        view.pipeline.InvalidateChart();
        view.Frame();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ZoomFrame)->Unit(benchmark::kMillisecond);

void BM_DynamicFrame(benchmark::State& state)
{
    View view;
    view.Frame();
    for (auto _ : state)
        view.Frame();   // the vessel moved: dynamic layers only
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DynamicFrame)->Unit(benchmark::kMillisecond);

void BM_DynamicFrame_WholeScreen(benchmark::State& state)
{
    View view(true);
    view.Frame();
    for (auto _ : state)
        view.Frame();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DynamicFrame_WholeScreen)->Unit(benchmark::kMillisecond);

}   // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    static chart::CQtBackendFactory painter;
    chart::SetDrawBackendFactory(&painter);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    chart::SetDrawBackendFactory(nullptr);
    return 0;
}

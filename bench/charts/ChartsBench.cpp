// Raster charts at work, each beside the plainest way to do the same job, on the sample harbour
// chart the build makes (build/sample-media):
// - a 1920 x 1080 repaint at x0.5, x1 and x2 from decoded tiles kept in memory (a palette switch
//   or a scroll decodes nothing) through the device context's 8-bit blit, against Qt converting
//   the same decoded Indexed8 picture to RGB32 and drawing it: held to 2x, and 30 ms at x0.5;
// - the check values of the full-detail raster and its index computed in chunks under the tile
//   lock, as the integrity check does, against zlib's crc32 over the same bytes in one call.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <zlib.h>

#include <filesystem>
#include <mutex>

#include "chart/draw/BufferDC.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "charts/hcrf/HCRFHeader.h"
#include "charts/hcrf/HCRFPalette.h"
#include "charts/hcrf/HCRFRaster.h"

using namespace charts::hcrf;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
const std::filesystem::path kHarbour = std::filesystem::path(BRINE_SAMPLE_MEDIA_DIR) /
                                       "chart-medium" / "RasChts" / "090" / "RC9003" / "RC9003.chr";

// The harbour chart's full-detail raster, every tile decoded once, and its Day colours.
struct Harbour {
    CTileRaster raster;
    chart::CPaletteTable colours{};
    std::vector<std::uint8_t> pixels;   // the whole chart, rows top first
    int width = 0, height = 0;
    bool ok = false;

    Harbour()
    {
        const auto header = ReadWholeFile(SiblingFile(kHarbour, "hdr"));
        const auto pal = ReadWholeFile(SiblingFile(kHarbour, "pal"));
        CHCRFHeader h;
        CodeTable table{};
        CColourTables tables;
        std::string error;
        if (!header || !pal || !h.Read(*header) || !ApplyColourSections(*pal, tables) ||
            !LoadCodeTable(*pal, RasterKind::HighResolution, table) ||
            !raster.Load(kHarbour, IndexFileOf(kHarbour), h.generalInfo.highTilesAcross,
                         h.generalInfo.highTilesDown, &error))
            return;
        for (unsigned i = 0; i < 256; ++i) {
            const CRgb c = tables.day[i];
            colours[i] =
                0xFF000000u | std::uint32_t(c.red) << 16 | std::uint32_t(c.green) << 8 | c.blue;
        }
        width = int(raster.TilesAcross() * kTileSide);
        height = int(raster.TilesDown() * kTileSide);
        pixels.resize(std::size_t(width) * std::size_t(height));
        std::vector<std::uint8_t> tile(kTilePixels);
        std::mutex lock;
        ok = true;
        for (unsigned row = 0; ok && row < raster.TilesDown(); ++row)
            for (unsigned column = 0; ok && column < raster.TilesAcross(); ++column) {
                ok = raster.ReadTile(column, row, table, false,
                                     TileBuffer(tile.data(), kTilePixels), lock);
                for (unsigned y = 0; ok && y < kTileSide; ++y)
                    std::copy_n(&tile[y * kTileSide], kTileSide,
                                &pixels[(std::size_t(row) * kTileSide + y) * std::size_t(width) +
                                        column * kTileSide]);
            }
    }
    const std::uint8_t* Tile(int column, int row) const
    {
        return &pixels[std::size_t(row) * kTileSide * std::size_t(width) +
                       std::size_t(column) * kTileSide];
    }
};

const Harbour& TheHarbour()
{
    static const Harbour harbour;
    return harbour;
}

double ScaleOf(const benchmark::State& state)
{
    return state.range(0) == 0 ? 0.5 : double(state.range(0));
}

// The chart rectangle a 1920 x 1080 view shows at a scale, centred on the chart.
struct Visible {
    int left, top, width, height;
};
Visible VisibleAt(const Harbour& h, double scale)
{
    const int w = std::min(h.width, int(kWidth / scale));
    const int hgt = std::min(h.height, int(kHeight / scale));
    return {(h.width - w) / 2, (h.height - hgt) / 2, w, hgt};
}

// Every tile that meets the view, blitted through the context's 8-bit path at the scale.
void BM_HarbourRepaint(benchmark::State& state)
{
    const Harbour& h = TheHarbour();
    if (!h.ok) {
        state.SkipWithError("no sample harbour chart: build the brine_sample_media target");
        return;
    }
    const double scale = ScaleOf(state);
    const Visible v = VisibleAt(h, scale);
    chart::CBufferDC dc(&h.colours, kWidth, kHeight);
    const int side = int(kTileSide * scale);
    const int firstColumn = v.left / int(kTileSide), firstRow = v.top / int(kTileSide);
    const int lastColumn = (v.left + v.width - 1) / int(kTileSide);
    const int lastRow = (v.top + v.height - 1) / int(kTileSide);
    for (auto _ : state) {
        for (int row = firstRow; row <= lastRow; ++row)
            for (int column = firstColumn; column <= lastColumn; ++column) {
                const int x = int((column * int(kTileSide) - v.left) * scale);
                const int y = int((row * int(kTileSide) - v.top) * scale);
                const chart::CIndexedImage image{h.Tile(column, row), int(kTileSide),
                                                 int(kTileSide), std::ptrdiff_t(h.width)};
                dc.BlitIndexed(image, {0, 0, int(kTileSide), int(kTileSide)},
                               {x, y, x + side, y + side}, &h.colours);
            }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HarbourRepaint)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_HarbourRepaint_Reference(benchmark::State& state)
{
    const Harbour& h = TheHarbour();
    if (!h.ok) {
        state.SkipWithError("no sample harbour chart: build the brine_sample_media target");
        return;
    }
    const Visible v = VisibleAt(h, ScaleOf(state));
    QImage indexed(v.width, v.height, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (std::uint32_t c : h.colours)
        table.push_back(c);
    indexed.setColorTable(table);
    for (int y = 0; y < v.height; ++y)
        std::copy_n(&h.pixels[std::size_t(v.top + y) * std::size_t(h.width) + std::size_t(v.left)],
                    v.width, indexed.scanLine(y));
    QImage screen(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        const QImage rgb = indexed.convertToFormat(QImage::Format_RGB32);
        QPainter p(&screen);
        p.drawImage(QRect(0, 0, kWidth, kHeight), rgb);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HarbourRepaint_Reference)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The index, then every tile in index order, each chunk under the tile lock, continuing one
// check value across calls, as the integrity check must to keep within 2x of one zlib call.
void BM_CheckValues(benchmark::State& state)
{
    const Harbour& h = TheHarbour();
    if (!h.ok) {
        state.SkipWithError("no sample harbour chart: build the brine_sample_media target");
        return;
    }
    constexpr std::size_t kChunk = 64 * 1024;
    std::mutex tileLock;
    const ByteView index = h.raster.Index(), data = h.raster.Data();
    for (auto _ : state) {
        std::uint32_t crc = 0;
        for (std::size_t at = 0; at < index.size(); at += kChunk) {
            const std::lock_guard<std::mutex> hold(tileLock);
            crc = Crc32(index.subspan(at, std::min(kChunk, index.size() - at)), crc);
        }
        bool indexOk = crc == h.raster.ExpectedIndexCheck();
        // Tiles that follow each other in the raster are fed as one run of up to a chunk.
        crc = 0;
        const std::size_t tiles = index.size() / kIndexEntrySize;
        for (std::size_t n = 0; n < tiles;) {
            const std::lock_guard<std::mutex> hold(tileLock);
            const CIndexEntry first = IndexEntryAt(index, n++);
            std::size_t end = std::size_t(first.offset) + first.length;
            while (n < tiles) {
                const CIndexEntry e = IndexEntryAt(index, n);
                if (e.offset != end || end - first.offset + e.length > kChunk)
                    break;
                end += e.length;
                ++n;
            }
            crc = Crc32(data.subspan(first.offset, end - first.offset), crc);
        }
        benchmark::DoNotOptimize(indexOk &= crc == h.raster.ExpectedRasterCheck());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) *
                            std::int64_t(index.size() + data.size()));
}
BENCHMARK(BM_CheckValues)->Unit(benchmark::kMillisecond);

void BM_CheckValues_Reference(benchmark::State& state)
{
    const Harbour& h = TheHarbour();
    if (!h.ok) {
        state.SkipWithError("no sample harbour chart: build the brine_sample_media target");
        return;
    }
    const ByteView index = h.raster.Index(), data = h.raster.Data();
    for (auto _ : state) {
        benchmark::DoNotOptimize(crc32(0, index.data(), uInt(index.size())));
        benchmark::DoNotOptimize(crc32(0, data.data(), uInt(data.size())));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) *
                            std::int64_t(index.size() + data.size()));
}
BENCHMARK(BM_CheckValues_Reference)->Unit(benchmark::kMillisecond);

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

// Tiles decoded per second, one core, beside memcpy of the same decoded bytes:
// the decoder is held to a small multiple of a copy. Argument 0 is the
// generated chart (long runs of a few colours, repeated rows), 1 a picture of
// a hundred colours in short runs.

#include "ChartSetWriter.h"
#include "charts/hcrf/HCRFHeader.h"
#include "charts/hcrf/HCRFPalette.h"
#include "charts/hcrf/HCRFRaster.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unistd.h>

using namespace charts::hcrf;

namespace {

struct Chart {
    CTileRaster raster;
    CodeTable table{};
    std::vector<std::uint8_t> decoded;   // every tile, decoded once
    bool ok = false;

    explicit Chart(bool manyColours)
    {
        char pattern[] = "/tmp/bench-hcrf-XXXXXX";
        if (!::mkdtemp(pattern))
            return;
        const std::filesystem::path folder = pattern;
        hcrftool::WrittenChart written;
        std::string error;
        hcrftool::ChartParameters p;
        p.notes = 0;
        const auto picture = manyColours ? hcrftool::GenerateManyColourPicture(2048, 2048)
                                         : hcrftool::GeneratePicture(2048, 2048);
        ok = hcrftool::WriteChartSet(picture, p, folder, written, error) &&
             LoadCodeTable(*ReadWholeFile(SiblingFile(written.chartFile, "pal")),
                           RasterKind::HighResolution, table) &&
             raster.Load(written.chartFile, IndexFileOf(written.chartFile), written.highTilesAcross,
                         written.highTilesDown, &error);
        std::filesystem::remove_all(folder);
        if (!ok)
            return;
        std::mutex lock;
        decoded.resize(Tiles() * kTilePixels);
        for (unsigned n = 0; n < Tiles(); ++n)
            ok = ok &&
                 raster.ReadTile(n % raster.TilesAcross(), n / raster.TilesAcross(), table, false,
                                 TileBuffer(decoded.data() + n * kTilePixels, kTilePixels), lock);
    }
    unsigned Tiles() const { return raster.TilesAcross() * raster.TilesDown(); }
};

const Chart& TheChart(std::int64_t picture)
{
    static const Chart generated(false);
    static const Chart manyColours(true);
    return picture == 0 ? generated : manyColours;
}

void BM_DecodeTiles(benchmark::State& state)
{
    const Chart& chart = TheChart(state.range(0));
    if (!chart.ok) {
        state.SkipWithError("cannot make the chart");
        return;
    }
    std::mutex lock;
    std::vector<std::uint8_t> tile(kTilePixels);
    const unsigned across = chart.raster.TilesAcross();
    for (auto _ : state) {
        for (unsigned n = 0; n < chart.Tiles(); ++n) {
            const bool ok = chart.raster.ReadTile(n % across, n / across, chart.table, false,
                                                  TileBuffer(tile.data(), kTilePixels), lock);
            benchmark::DoNotOptimize(ok);
            benchmark::DoNotOptimize(tile.data());
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * chart.Tiles());
    state.counters["compressed_bytes_per_tile"] =
        double(chart.raster.Data().size()) / chart.Tiles();
}

void BM_DecodeTiles_Reference(benchmark::State& state)
{
    const Chart& chart = TheChart(state.range(0));
    if (!chart.ok) {
        state.SkipWithError("cannot make the chart");
        return;
    }
    std::vector<std::uint8_t> tile(kTilePixels);
    for (auto _ : state) {
        for (unsigned n = 0; n < chart.Tiles(); ++n) {
            std::memcpy(tile.data(), chart.decoded.data() + std::size_t(n) * kTilePixels,
                        kTilePixels);
            benchmark::DoNotOptimize(tile.data());
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * chart.Tiles());
}

}   // namespace

BENCHMARK(BM_DecodeTiles)->Arg(0)->Arg(1);
BENCHMARK(BM_DecodeTiles_Reference)->Arg(0)->Arg(1);
BENCHMARK_MAIN();

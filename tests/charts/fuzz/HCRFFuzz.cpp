// Feeds one input to every reader of the raster chart files: as a header, a
// palette, a notes file, a panel file, a lookup table, a compressed tile, and
// split in two as a raster with its index and as an update. Seed inputs are the
// files of a chart made by the hcrf tool, so each reader meets its own format.

#include "charts/hcrf/ChartPanel.h"
#include "charts/hcrf/HCRFHeader.h"
#include "charts/hcrf/HCRFPalette.h"
#include "charts/hcrf/HCRFRaster.h"
#include "charts/hcrf/PanelLookups.h"
#include "charts/hcrf/TileDecoder.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

using namespace charts::hcrf;

namespace {

// A table with every operation, for inputs that carry no table of their own.
CodeTable EveryOperation()
{
    CodeTable t{};
    for (unsigned c = 0; c < 256; ++c) {
        std::uint8_t* e = t.data() + c * kCodeEntrySize;
        e[0] = std::uint8_t(c % 9);   // 0 and 8 are invalid
        for (unsigned k = 1; k < kCodeEntrySize; ++k)
            e[k] = std::uint8_t(c * (2 * k + 1));
    }
    return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const CodeTable kEveryOperation = EveryOperation();
    const ByteView in(data, size);

    CHCRFHeader header;
    header.Read(in);

    CColourTables colours;
    ApplyColourSections(in, colours);
    CodeTable high{}, low{};
    const bool haveHigh = LoadCodeTable(in, RasterKind::HighResolution, high);
    LoadCodeTable(in, RasterKind::LowResolution, low);

    ReadNotes(in);
    CLookupTable lookup;
    lookup.Parse(in);
    lookup.Find("ME");

    CPanel panel;
    if (panel.Parse(in, in, 0, {}, CPanelLookups{}, false, nullptr)) {
        for (std::size_t i = 0; i < panel.SubPanelCount(); ++i) {
            const CSubPanel& sub = panel.SubPanel(i);
            geo::CPosition out;
            sub.ShiftToWgs84(geo::CPosition(50.5, -1.25), out);
            sub.ShiftToChartDatum(geo::CPosition(out), out);
            sub.PointToPosition({100, -100});
            sub.ContainsPosition(geo::CPosition(50.5, -1.25));
            sub.ContainsPoint({64, 64});
        }
    }

    std::array<std::uint8_t, kTilePixels> tile;
    DecodeTile(in, kEveryOperation, tile);
    if (haveHigh)
        DecodeTile(in, high, tile);

    if (size >= 4) {
        // The first four bytes choose where the input splits and the raster's size.
        const std::size_t split = 4 + (std::size_t(data[0] | data[1] << 8) % (size - 3));
        const ByteView first = in.subspan(4, split - 4), second = in.subspan(split);
        const unsigned across = data[2] % 8 + 1, down = data[3] % 8 + 1;
        CTileRaster raster;
        if (raster.Assign(Bytes(first.begin(), first.end()), Bytes(second.begin(), second.end()), across, down, nullptr)) {
            std::mutex lock;
            for (unsigned row = 0; row <= down; ++row)
                for (unsigned column = 0; column <= across; ++column)
                    raster.ReadTile(column, row, kEveryOperation, false, tile, lock);
            raster.MergeUpdates(second, first, 0, 0, nullptr, nullptr);
            raster.ReadTile(0, 0, kEveryOperation, false, tile, lock);
        }
    }
    return 0;
}

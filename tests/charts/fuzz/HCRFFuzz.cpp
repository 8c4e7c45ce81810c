// Feeds one input to every reader of the raster chart files: header, palette, notes, panel, lookup
// table, compressed tile, and split in two as a raster with its index and as an update. Seeds are
// the files of a chart made by the hcrf tool, so each reader meets its own format.

#include "charts/hcrf/ChartPanel.h"
#include "charts/hcrf/HCRFHeader.h"
#include "charts/hcrf/HCRFPalette.h"
#include "charts/hcrf/HCRFRaster.h"
#include "charts/hcrf/PanelLookups.h"
#include "charts/hcrf/TileDecoder.h"

#include <array>
#include <mutex>

using namespace charts::hcrf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A table with every operation (0 and 8 invalid), for inputs that carry no table of their own.
    static const CodeTable kEveryOperation = [] {
        CodeTable t{};
        for (unsigned c = 0; c < 256; ++c)
            for (unsigned k = 0; k < kCodeEntrySize; ++k)
                t[c * kCodeEntrySize + k] = std::uint8_t(k == 0 ? c % 9 : c * (2 * k + 1));
        return t;
    }();
    const ByteView in(data, size);
    CHCRFHeader().Read(in);
    CColourTables colours;
    ApplyColourSections(in, colours);
    CodeTable high{}, low{};
    const bool haveHigh = LoadCodeTable(in, RasterKind::HighResolution, high);
    LoadCodeTable(in, RasterKind::LowResolution, low);
    ReadNotes(in);
    CLookupTable lookup;
    lookup.Parse(in);

    CPanel panel;
    const geo::CPosition somewhere(50.5, -1.25);
    const bool parsed = panel.Parse(in, in, 0, {}, CPanelLookups{}, false, nullptr);
    for (std::size_t i = 0; parsed && i < panel.SubPanelCount(); ++i) {
        const CSubPanel& sub = panel.SubPanel(i);
        geo::CPosition out;
        sub.ShiftToChartDatum(
            geo::CPosition(sub.ShiftToWgs84(somewhere, out) == 0 ? out : somewhere), out);
        sub.PointToPosition({100, -100});
        sub.ContainsPosition(somewhere);
        sub.ContainsPoint({64, 64});
    }

    std::array<std::uint8_t, kTilePixels> tile;
    DecodeTile(in, kEveryOperation, tile);
    if (haveHigh)
        DecodeTile(in, high, tile);
    if (size < 4)
        return 0;
    // The first four bytes choose where the input splits and the raster's size.
    const std::size_t split = 4 + (std::size_t(data[0] | data[1] << 8) % (size - 3));
    const ByteView first = in.subspan(4, split - 4), second = in.subspan(split);
    const unsigned across = data[2] % 8 + 1, down = data[3] % 8 + 1;
    CTileRaster raster;
    if (!raster.Assign(Bytes(first.begin(), first.end()), Bytes(second.begin(), second.end()),
                       across, down, nullptr))
        return 0;
    std::mutex lock;
    for (unsigned row = 0; row <= down; ++row)
        for (unsigned column = 0; column <= across; ++column)
            raster.ReadTile(column, row, kEveryOperation, false, tile, lock);
    raster.MergeUpdates(second, first, 0, 0, nullptr, nullptr);
    raster.ReadTile(0, 0, kEveryOperation, false, tile, lock);
    return 0;
}

#include "ChartDump.h"

#include "ImageIO.h"
#include "charts/hcrf/ChartPanel.h"
#include "charts/hcrf/HCRFHeader.h"
#include "charts/hcrf/HCRFPalette.h"
#include "charts/hcrf/HCRFRaster.h"

#include <array>
#include <cstdio>
#include <mutex>

namespace hcrftool {

using namespace charts::hcrf;

namespace {

std::string Hex(std::uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

std::string Printable(std::string_view text)
{
    std::string out;
    for (const char c : text)
        out += (c >= 32 && c < 127) ? c : '.';
    return out;
}

void DumpIndex(std::ostream& out, const char* name, ByteView index, unsigned across, bool entries)
{
    const std::size_t n = index.size() / kIndexEntrySize;
    out << name << ".entries " << n << "\n";
    if (!entries)
        return;
    for (std::size_t i = 0; i < n; ++i) {
        const CIndexEntry e = IndexEntryAt(index, i);
        out << name << ".entry " << i << " column " << (across ? i % across : 0) << " row "
            << (across ? i / across : 0) << " key " << unsigned(e.key0) << "," << unsigned(e.key1)
            << " length " << e.length << " offset " << e.offset << "\n";
    }
}

// Decodes every tile; prints the count that fail.
int DecodeAll(std::ostream& out, const char* name, const CTileRaster& raster,
              const CodeTable& table)
{
    std::mutex lock;
    std::array<std::uint8_t, kTilePixels> tile{};
    unsigned failed = 0;
    for (unsigned row = 0; row < raster.TilesDown(); ++row)
        for (unsigned column = 0; column < raster.TilesAcross(); ++column)
            if (!raster.ReadTile(column, row, table, false, tile, lock)) {
                out << name << ".tile_failed column " << column << " row " << row << "\n";
                ++failed;
            }
    out << name << ".tiles_decoded " << raster.TilesAcross() * raster.TilesDown() - failed
        << " failed " << failed << "\n";
    return failed ? 1 : 0;
}

}   // namespace

int DumpChart(const std::filesystem::path& chartFile, const DumpOptions& options, std::ostream& out)
{
    int status = 0;
    const auto hdr = ReadWholeFile(SiblingFile(chartFile, "hdr"));
    CHCRFHeader header;
    if (!hdr || !header.Read(*hdr)) {
        out << "error: cannot read the header file\n";
        return 1;
    }
    const CChartIdentifier& id = header.identifier;
    const CChartGeneralInfo& gi = header.generalInfo;
    out << "identifier.chart_number " << id.chartNumber << "\nidentifier.edition_date "
        << id.editionDate << "\nidentifier.inset_panels " << unsigned(id.insetPanels)
        << "\nidentifier.field31 " << id.field31 << "\ngeneral.update_number " << gi.updateNumber
        << "\ngeneral.title " << gi.title << "\ngeneral.low_ratio " << gi.lowRatioDividend << "/"
        << gi.lowRatioDivisor << " = " << gi.LowResolutionRatio() << "\ngeneral.high_tiles "
        << gi.highTilesAcross << "x" << gi.highTilesDown << "\ngeneral.low_tiles "
        << unsigned(gi.lowTilesAcross) << "x" << unsigned(gi.lowTilesDown) << "\nheader.remaining "
        << Printable(header.remainingRecords) << "\nprotection "
        << Printable({header.protection.raw.data(), 20}) << "\n";

    const auto pal = ReadWholeFile(SiblingFile(chartFile, "pal"));
    CColourTables colours;
    CodeTable lowTable{}, highTable{};
    std::string error;
    if (!pal || !ApplyColourSections(*pal, colours)) {
        out << "error: cannot read the palette file\n";
        return 1;
    }
    out << "palette.day_colours " << colours.dayCount << "\npalette.dusk_colours "
        << colours.duskCount << "\npalette.night_colours " << colours.nightCount << "\n";
    for (unsigned i = 0; i < colours.dayCount; ++i)
        out << "palette.day " << i << " " << unsigned(colours.day[i].red) << " "
            << unsigned(colours.day[i].green) << " " << unsigned(colours.day[i].blue) << "\n";
    for (const auto& [kind, table, name] :
         {std::tuple{RasterKind::LowResolution, &lowTable, "low"},
          std::tuple{RasterKind::HighResolution, &highTable, "high"}}) {
        if (!LoadCodeTable(*pal, kind, *table, &error)) {
            out << "error: " << name << " code table: " << error << "\n";
            status = 1;
            continue;
        }
        if (options.codeTables)
            for (unsigned c = 0; c < 256; ++c) {
                const std::uint8_t* e = table->data() + c * kCodeEntrySize;
                out << "codes." << name << " " << c << " op " << unsigned(e[0]) << " "
                    << unsigned(e[1]) << " " << unsigned(e[2]) << " " << unsigned(e[3]) << " "
                    << unsigned(e[4]) << "\n";
            }
    }

    CTileRaster low, high;
    const auto lor = SiblingFile(chartFile, "lor");
    for (const auto& [name, raster, file, table, across, down] :
         {std::tuple{"low", &low, lor, &lowTable, unsigned(gi.lowTilesAcross),
                     unsigned(gi.lowTilesDown)},
          std::tuple{"high", &high, chartFile, &highTable, unsigned(gi.highTilesAcross),
                     unsigned(gi.highTilesDown)}}) {
        if (!raster->Load(file, IndexFileOf(file), across, down, &error)) {
            out << "error: " << name << "-resolution raster: " << error << "\n";
            status = 1;
            continue;
        }
        out << name << ".raster_bytes " << raster->Data().size() << " stored_crc "
            << Hex(raster->ExpectedRasterCheck()) << " computed_crc " << Hex(Crc32(raster->Data()))
            << "\n"
            << name << ".index_bytes " << raster->Index().size() << " stored_crc "
            << Hex(raster->ExpectedIndexCheck()) << " computed_crc " << Hex(Crc32(raster->Index()))
            << "\n";
        DumpIndex(out, name, raster->Index(), raster->TilesAcross(), options.tiles);
        status |= DecodeAll(out, name, *raster, *table);
    }
    const auto upi = ReadWholeFile(SiblingFile(chartFile, "upi"));
    const auto upr = ReadWholeFile(SiblingFile(chartFile, "upr"));
    if (upi && upr) {
        DumpIndex(out, "update", *upi, 0, true);
        if (high.IsLoaded()) {
            CTileRaster merged = high;
            std::vector<std::string> updated;
            if (merged.MergeUpdates(*upr, *upi, 0, 0, &updated, &error)) {
                for (const auto& t : updated)
                    out << "update.tile " << t << "\n";
                out << "merged.raster_crc " << Hex(Crc32(merged.Data())) << "\nmerged.index_crc "
                    << Hex(Crc32(merged.Index())) << "\n";
                if (!options.tileLowResolution)
                    high = std::move(merged);
            } else {
                out << "error: updates: " << error << "\n";
                status = 1;
            }
        }
    }

    CPanelLookups lookups;
    lookups.Load(chartFile.has_parent_path() ? chartFile.parent_path() : ".");
    for (unsigned number = 0; number <= id.insetPanels; ++number) {
        CPanel panel;
        if (!panel.Load(chartFile, number, {}, lookups,
                        header.protection.IsEnciphered(true, CDataProtection::Part::PanelData),
                        &error)) {
            out << "error: panel " << number << ": " << error << "\n";
            status = 1;
            continue;
        }
        const std::string p = "panel" + std::to_string(number);
        out << p << ".sub_panels " << panel.SubPanelCount() << "\n";
        for (const auto& n : panel.Notes())
            out << p << ".note " << n.x1 << "," << n.y1 << " " << n.x2 << "," << n.y2 << " "
                << n.type << " " << n.flag << "\n";
        for (std::size_t s = 0; s < panel.SubPanelCount(); ++s) {
            const CSubPanel& sp = panel.SubPanel(s);
            const std::string q = p + ".sub" + std::to_string(s);
            out << q << ".name " << sp.Name() << "\n"
                << q << ".projection " << sp.ProjectionCode() << " " << sp.ProjectionName() << "\n"
                << q << ".scale " << sp.ScaleText() << "\n"
                << q << ".horizontal_datum " << sp.HorizontalDatumCode() << " "
                << sp.HorizontalDatumName() << " row " << sp.DatumIndex() << "\n"
                << q << ".depth " << sp.DepthUnits() << " " << sp.SoundingDatumName() << "\n"
                << q << ".height " << sp.HeightUnits() << " " << sp.HeightDatumName() << "\n"
                << q << ".datum_shift " << sp.HasDatumShift() << " polynomial "
                << sp.HasPolynomialDatumShift() << "\n"
                << q << ".ns_range_minutes " << sp.NorthSouthRangeMinutes() << "\n";
            for (const auto& v : sp.Outline())
                out << q << ".outline " << v.GetLatitude() << " " << v.GetLongitude() << "\n";
            for (const auto& v : sp.PixelOutline())
                out << q << ".pixel_outline " << v.x << " " << v.y << "\n";
        }
    }

    // Catalogue files and lookup tables beside the chart, record by record.
    const std::filesystem::path folder =
        chartFile.has_parent_path() ? chartFile.parent_path() : ".";
    for (const char* name : {"ChartCat/Chart.ptr", "ChartCat/Chart.cat", "ChartCat/Plan.cat",
                             "Misc/projcode.tab", "Misc/verdat.tab", "Misc/hordat.tab"}) {
        const auto bytes = ReadWholeFile(folder / name);
        if (!bytes)
            continue;
        for (const auto record : SplitRecords(*bytes, 0))
            out << name << " " << Printable(record) << "\n";
    }

    if (options.tileColumn >= 0 && !options.png.empty()) {
        const CTileRaster& raster = options.tileLowResolution ? low : high;
        std::vector<std::uint8_t> tile(kTilePixels);
        std::mutex lock;
        if (!raster.ReadTile(unsigned(options.tileColumn), unsigned(options.tileRow),
                             options.tileLowResolution ? lowTable : highTable, false,
                             TileBuffer(tile.data(), kTilePixels), lock)) {
            out << "error: tile " << options.tileColumn << "," << options.tileRow
                << " does not decode\n";
            return 1;
        }
        std::vector<Rgb> palette;
        for (const auto& c : colours.day)
            palette.push_back({c.red, c.green, c.blue});
        if (!WritePalettePng(options.png, kTileSide, kTileSide, tile, palette)) {
            out << "error: cannot write " << options.png.string() << "\n";
            return 1;
        }
        out << "tile.png " << options.png.string() << "\n";
    }
    return status;
}

}   // namespace hcrftool

// Charts made by the hcrf writer from pictures, read back through the chart
// readers: every tile must decode to the picture's palette indexes and the
// panels must map positions and pixels onto each other.

#include "ChartSetWriter.h"
#include "TempFolder.h"
#include "charts/hcrf/ChartPanel.h"
#include "charts/hcrf/HCRFHeader.h"
#include "charts/hcrf/HCRFPalette.h"
#include "charts/hcrf/HCRFRaster.h"
#include "geo/DatumInfo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <mutex>

using namespace charts::hcrf;

namespace {

// Tiles that decode to something other than the picture, as "cccrrr" (the
// merge's names for updated tiles).
std::vector<std::string> Mismatches(const CTileRaster& raster, const CodeTable& table,
                                    const hcrftool::IndexedImage& picture)
{
    std::vector<std::string> bad;
    std::mutex lock;
    std::vector<std::uint8_t> tile(kTilePixels);
    for (unsigned row = 0; row < raster.TilesDown(); ++row)
        for (unsigned column = 0; column < raster.TilesAcross(); ++column) {
            bool same = raster.ReadTile(column, row, table, false, TileBuffer(tile.data(), kTilePixels), lock);
            for (unsigned y = 0; same && y < kTileSide; ++y)
                same = std::equal(tile.begin() + y * kTileSide, tile.begin() + (y + 1) * kTileSide,
                                  picture.pixels.begin() + std::ptrdiff_t((row * kTileSide + y) * picture.width +
                                                                          column * kTileSide));
            char name[24];
            std::snprintf(name, sizeof name, "%03u%03u", column, row);
            if (!same)
                bad.push_back(name);
        }
    return bad;
}

// Random-looking pixels with 200 colours: more colours than the writer has
// run codes for, and few runs.
hcrftool::IndexedImage Speckled(unsigned width, unsigned height)
{
    hcrftool::IndexedImage image{width, height, {}, {}};
    for (unsigned i = 0; i < 200; ++i)
        image.palette.push_back({std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7)});
    std::uint32_t s = 7;
    for (std::size_t i = 0; i < std::size_t(width) * height; ++i) {
        s = s * 1103515245u + 12345u;
        image.pixels.push_back(std::uint8_t((s >> 16) % 200 / ((s >> 12) % 4 == 0 ? 1 : 50)));
    }
    return image;
}

void ExpectStoredChecks(const CTileRaster& raster)
{
    EXPECT_EQ(Crc32(raster.Data()), raster.ExpectedRasterCheck());
    EXPECT_EQ(Crc32(raster.Index()), raster.ExpectedIndexCheck());
}

}  // namespace

TEST(ChartRoundTrip, EveryTileDecodesToThePicture)
{
    hcrftool::ChartParameters updated, exact, speckled;
    updated.updateTiles = {{1, 1}, {3, 2}, {5, 0}};
    updated.insets = 2;
    exact.lowResolutionRatio = 1;
    exact.datumShift = false;
    speckled.lowResolutionRatio = 3;
    speckled.updateTiles = {{0, 0}};
    const struct {
        const char* name;
        hcrftool::IndexedImage picture;
        hcrftool::ChartParameters parameters;
        std::vector<std::string> updatedTiles;   // in tile order
    } scenarios[] = {
        {"generated, updates, insets", hcrftool::GeneratePicture(700, 500), updated, {"005000", "001001", "003002"}},
        {"one exact tile, ratio 1", hcrftool::GeneratePicture(128, 128, 3), exact, {}},
        {"200 colours, little to compress", Speckled(300, 260), speckled, {"000000"}},
    };
    for (const auto& sc : scenarios) {
        SCOPED_TRACE(sc.name);
        brine_test::TempFolder folder;
        hcrftool::WrittenChart written;
        std::string error;
        ASSERT_TRUE(hcrftool::WriteChartSet(sc.picture, sc.parameters, folder.Path(), written, error)) << error;
        const auto chr = written.chartFile;
        const auto hdr = ReadWholeFile(SiblingFile(chr, "hdr")), pal = ReadWholeFile(SiblingFile(chr, "pal"));
        const auto upr = ReadWholeFile(SiblingFile(chr, "upr")), upi = ReadWholeFile(SiblingFile(chr, "upi"));
        CHCRFHeader header;
        ASSERT_TRUE(hdr && pal && upr && upi && header.Read(*hdr));
        EXPECT_EQ(header.identifier.chartNumber, sc.parameters.chartNumber);
        EXPECT_EQ(header.identifier.editionDate, sc.parameters.editionDate);
        EXPECT_EQ(header.identifier.insetPanels, sc.parameters.insets);
        EXPECT_EQ(header.generalInfo.title, sc.parameters.title);
        const auto& gi = header.generalInfo;
        EXPECT_EQ(gi.LowResolutionRatio(), double(sc.parameters.lowResolutionRatio));
        CColourTables colours;
        ASSERT_TRUE(ApplyColourSections(*pal, colours));
        for (std::size_t i = 0; i < sc.picture.palette.size(); ++i)
            EXPECT_EQ(colours.day[i], (CRgb{sc.picture.palette[i].r, sc.picture.palette[i].g, sc.picture.palette[i].b}));

        CodeTable low{}, high{};
        ASSERT_TRUE(LoadCodeTable(*pal, RasterKind::LowResolution, low));
        ASSERT_TRUE(LoadCodeTable(*pal, RasterKind::HighResolution, high));
        CTileRaster lowRaster, highRaster;
        const auto lor = SiblingFile(chr, "lor");
        ASSERT_TRUE(lowRaster.Load(lor, IndexFileOf(lor), gi.lowTilesAcross, gi.lowTilesDown, &error)) << error;
        ASSERT_TRUE(highRaster.Load(chr, IndexFileOf(chr), gi.highTilesAcross, gi.highTilesDown, &error)) << error;
        EXPECT_TRUE(Mismatches(lowRaster, low, written.lowResolution).empty());
        ExpectStoredChecks(lowRaster);
        ExpectStoredChecks(highRaster);

        // The "chr" file holds older tiles where updates apply; merged, the
        // raster is the picture and its check values the catalogue's.
        EXPECT_EQ(Mismatches(highRaster, high, written.highResolution), sc.updatedTiles);
        std::vector<std::string> updatedTiles;
        ASSERT_TRUE(highRaster.MergeUpdates(*upr, *upi, written.mergedRasterCrc, written.mergedIndexCrc, &updatedTiles,
                                            &error))
            << error;
        EXPECT_EQ(updatedTiles, sc.updatedTiles);
        EXPECT_TRUE(Mismatches(highRaster, high, written.highResolution).empty());
        ExpectStoredChecks(highRaster);
    }
}

TEST(ChartRoundTrip, PanelsConvertBothWaysWithinOnePixel)
{
    // "Datums.txt" sits beside the program, in the folder the tests run in.
    const char* bin = std::getenv("BRINE_BIN_DIR");
    ASSERT_TRUE(geo::CDatumInfo::LoadTable(bin ? bin : "."));
    brine_test::TempFolder folder;
    hcrftool::ChartParameters p;
    p.subPanels = 2;
    p.insets = 1;
    p.wgs84ShiftLatSec = 2.5;
    p.wgs84ShiftLonSec = -4.0;
    const unsigned width = 900, height = 700;
    hcrftool::WrittenChart written;
    std::string error;
    ASSERT_TRUE(hcrftool::WriteChartSet(hcrftool::GeneratePicture(width, height), p, folder.Path(), written, error));
    CPanelLookups lookups;
    lookups.Load(folder.Path());
    CPanel main, inset;
    ASSERT_TRUE(main.Load(written.chartFile, 0, {}, lookups, false, &error)) << error;
    ASSERT_TRUE(inset.Load(written.chartFile, 1, {}, lookups, false, &error)) << error;
    ASSERT_EQ(main.SubPanelCount(), 2u);
    ASSERT_EQ(inset.SubPanelCount(), 1u);
    EXPECT_EQ(main.Notes().size(), p.notes);
    const CSubPanel& left = main.SubPanel(0);
    EXPECT_EQ(left.ProjectionName(), "Mercator");
    EXPECT_EQ(left.ScaleText(), "1:25000");
    EXPECT_EQ(left.HorizontalDatumName(), "Ordnance Survey 1936");
    EXPECT_EQ(geo::CDatumInfo::GetName(left.DatumIndex()), "OSGB 36");
    EXPECT_NEAR(left.NorthSouthRangeMinutes(), (p.north - p.south) * 60, 0.01);

    for (long y = 0; y <= long(height); y += 70)
        for (long x = 0; x <= long(width); x += 90) {
            SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
            const CSubPanel& sub = main.SubPanel(x < long(width) / 2 ? 0 : 1);
            const auto position = sub.PointToPosition({std::int32_t(x), std::int32_t(y)});
            ASSERT_TRUE(position);
            // Against the projection the writer drew with, and back again.
            const auto [lat, lon] = hcrftool::PixelToLatLon(p, width, height, double(x), double(y));
            EXPECT_NEAR(position->GetLatitude(), lat, 1.0 / 3600);
            EXPECT_NEAR(position->GetLongitude(), lon, 1.0 / 3600);
            const auto back = sub.PositionToPoint(*position);
            ASSERT_TRUE(back);
            EXPECT_LE(std::abs(back->x - x), 1);
            EXPECT_LE(std::abs(back->y - y), 1);

            // The shift goes through whole chart points, so it is good to
            // about a pixel (3 arc seconds here).
            geo::CPosition wgs84, chartDatum;
            ASSERT_EQ(sub.ShiftToWgs84(*position, wgs84), 0);
            EXPECT_EQ(wgs84.GetDatum(), geo::DatumIndexWGS84());
            EXPECT_NEAR((wgs84.GetLatitude() - position->GetLatitude()) * 3600, p.wgs84ShiftLatSec, 3.0);
            EXPECT_NEAR((wgs84.GetLongitude() - position->GetLongitude()) * 3600, p.wgs84ShiftLonSec, 3.0);
            ASSERT_EQ(sub.ShiftToChartDatum(wgs84, chartDatum), 0);
            EXPECT_NEAR(chartDatum.GetLatitude(), position->GetLatitude(), 3.0 / 3600);
            EXPECT_NEAR(chartDatum.GetLongitude(), position->GetLongitude(), 3.0 / 3600);
        }

    // Which sub-panel and panel hold a point.
    EXPECT_TRUE(main.SubPanel(0).ContainsPoint({100, 100}));
    EXPECT_FALSE(main.SubPanel(1).ContainsPoint({100, 100}));
    EXPECT_TRUE(main.SubPanel(1).ContainsPoint({800, 600}));
    EXPECT_FALSE(main.ContainsPoint({1200, 100}));
    EXPECT_TRUE(inset.ContainsPoint({600, 100}));   // inset 1 is the north-east quarter
    EXPECT_FALSE(inset.ContainsPoint({100, 600}));
    const auto [lat, lon] = hcrftool::PixelToLatLon(p, width, height, 300, 200);
    const geo::CPosition onChartDatum(lat, lon, 0, std::int16_t(left.DatumIndex()));
    EXPECT_TRUE(main.SubPanel(0).ContainsPosition(onChartDatum));
    EXPECT_FALSE(main.SubPanel(1).ContainsPosition(onChartDatum));
    EXPECT_TRUE(main.SubPanel(0).ContainsPosition(geo::CPosition(lat, lon)));   // WGS 84
    EXPECT_FALSE(main.ContainsPosition(geo::CPosition(lat + 1.0, lon)));

    // The panel converts through its current sub-panel.
    EXPECT_EQ(main.SelectSubPanel(1), 0u);
    EXPECT_EQ(main.SelectSubPanel(7), 1u);
    EXPECT_EQ(main.CurrentIndex(), 1u);
    EXPECT_TRUE(main.PositionToPoint(onChartDatum));
}

// Charts made by the hcrf writer from pictures, read back through the chart readers: every tile
// must decode to the picture's palette indexes and the panels must map positions and pixels onto
// each other.

#include "ChartSetWriter.h"
#include "TempFolder.h"
#include "charts/hcrf/ChartPanel.h"
#include "charts/hcrf/HCRFHeader.h"
#include "charts/hcrf/HCRFPalette.h"
#include "charts/hcrf/HCRFRaster.h"
#include "geo/DatumInfo.h"

#include <GeographicLib/LambertConformalConic.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>

using namespace charts::hcrf;

namespace {

std::string ToUpperAscii(std::string text)
{
    for (char& c : text)
        c = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
    return text;
}

// Tiles that decode to something other than the picture, as "cccrrr" (the merge's names for updated
// tiles).
std::vector<std::string> Mismatches(const CTileRaster& raster, const CodeTable& table,
                                    const hcrftool::IndexedImage& picture)
{
    std::vector<std::string> bad;
    std::mutex lock;
    std::vector<std::uint8_t> tile(kTilePixels);
    for (unsigned row = 0; row < raster.TilesDown(); ++row)
        for (unsigned column = 0; column < raster.TilesAcross(); ++column) {
            bool same = raster.ReadTile(column, row, table, false,
                                        TileBuffer(tile.data(), kTilePixels), lock);
            for (unsigned y = 0; same && y < kTileSide; ++y)
                same = std::equal(
                    tile.begin() + y * kTileSide, tile.begin() + (y + 1) * kTileSide,
                    picture.pixels.begin() +
                        std::ptrdiff_t((row * kTileSide + y) * picture.width + column * kTileSide));
            if (!same)
                bad.push_back(std::to_string(1000000 + column * 1000 + row).substr(1));
        }
    return bad;
}

}   // namespace

TEST(ChartRoundTrip, EveryTileDecodesToThePicture)
{
    using hcrftool::GeneratePicture;
    hcrftool::ChartParameters updated, exact;
    updated.updateTiles = {{1, 1}, {3, 2}, {5, 0}}, updated.insets = 2;
    exact.lowResolutionRatio = 1, exact.datumShift = false;
    // Rows: picture, parameters, the tiles updates replace (in tile order).
    const struct {
        hcrftool::IndexedImage picture;
        hcrftool::ChartParameters p;
        std::vector<std::string> updates;
    } rows[] = {
        {GeneratePicture(700, 500), updated, {"005000", "001001", "003002"}},
        {GeneratePicture(128, 128, 3), exact, {}},   // one exact tile
        {hcrftool::GenerateManyColourPicture(300, 260), exact, {}},   // short runs of many colours
    };
    const auto checksMatch = [](const CTileRaster& r) {
        return Crc32(r.Data()) == r.ExpectedRasterCheck() &&
               Crc32(r.Index()) == r.ExpectedIndexCheck();
    };
    for (const auto& sc : rows) {
        SCOPED_TRACE(sc.picture.width);
        brine_test::TempFolder folder;
        hcrftool::WrittenChart written;
        std::string error;
        ASSERT_TRUE(hcrftool::WriteChartSet(sc.picture, sc.p, folder.Path(), written, error))
            << error;
        const auto chr = written.chartFile, lor = SiblingFile(chr, "lor");
        const auto hdr = ReadWholeFile(SiblingFile(chr, "hdr")),
                   pal = ReadWholeFile(SiblingFile(chr, "pal"));
        const auto upr = ReadWholeFile(SiblingFile(chr, "upr")),
                   upi = ReadWholeFile(SiblingFile(chr, "upi"));
        CHCRFHeader header;
        ASSERT_TRUE(hdr && pal && upr && upi && header.Read(*hdr));
        const auto& id = header.identifier;
        const auto& gi = header.generalInfo;
        EXPECT_EQ(std::tuple(id.chartNumber, id.editionDate, gi.title, id.insetPanels,
                             gi.LowResolutionRatio()),
                  std::tuple(sc.p.chartNumber, sc.p.editionDate, sc.p.title, sc.p.insets,
                             double(sc.p.lowResolutionRatio)));
        CColourTables colours;
        ASSERT_TRUE(ApplyColourSections(*pal, colours));
        for (std::size_t i = 0; i < sc.picture.palette.size(); ++i)
            EXPECT_EQ(colours.day[i], (CRgb{sc.picture.palette[i].r, sc.picture.palette[i].g,
                                            sc.picture.palette[i].b}));

        CodeTable low{}, high{};
        ASSERT_TRUE(LoadCodeTable(*pal, RasterKind::LowResolution, low) &&
                    LoadCodeTable(*pal, RasterKind::HighResolution, high));
        CTileRaster lowRaster, highRaster;
        ASSERT_TRUE(
            lowRaster.Load(lor, IndexFileOf(lor), gi.lowTilesAcross, gi.lowTilesDown, &error))
            << error;
        ASSERT_TRUE(
            highRaster.Load(chr, IndexFileOf(chr), gi.highTilesAcross, gi.highTilesDown, &error))
            << error;
        EXPECT_TRUE(Mismatches(lowRaster, low, written.lowResolution).empty());
        // The "chr" file holds older tiles where updates apply; merged, the raster is the picture.
        EXPECT_EQ(Mismatches(highRaster, high, written.highResolution), sc.updates);
        std::vector<std::string> updatedTiles;
        EXPECT_TRUE(checksMatch(lowRaster) &&
                    checksMatch(highRaster));   // stored check values are the bytes'
        ASSERT_TRUE(highRaster.MergeUpdates(*upr, *upi, written.mergedRasterCrc,
                                            written.mergedIndexCrc, &updatedTiles, &error))
            << error;
        EXPECT_EQ(updatedTiles, sc.updates);
        EXPECT_TRUE(Mismatches(highRaster, high, written.highResolution).empty());
        EXPECT_TRUE(checksMatch(highRaster));   // the catalogue's check values, of the merged bytes
    }
}

TEST(ChartRoundTrip, PanelsConvertBothWaysWithinOnePixel)
{
    // "Datums.txt" sits beside the program, in the folder the tests run in.
    const char* bin = std::getenv("BRINE_BIN_DIR");
    ASSERT_TRUE(geo::CDatumInfo::LoadTable(bin ? bin : "."));
    brine_test::TempFolder folder;
    hcrftool::ChartParameters p;
    p.subPanels = 2, p.insets = 1, p.wgs84ShiftLatSec = 2.5, p.wgs84ShiftLonSec = -4.0;
    const unsigned width = 900, height = 700;
    hcrftool::WrittenChart written;
    std::string error;
    ASSERT_TRUE(hcrftool::WriteChartSet(hcrftool::GeneratePicture(width, height), p, folder.Path(),
                                        written, error));
    CPanelLookups lookups;
    lookups.Load(folder.Path());
    CPanel main, inset;
    ASSERT_TRUE(main.Load(written.chartFile, 0, {}, lookups, false, &error)) << error;
    ASSERT_TRUE(inset.Load(written.chartFile, 1, {}, lookups, false, &error)) << error;
    ASSERT_EQ(std::pair(main.SubPanelCount(), inset.SubPanelCount()),
              std::pair(std::size_t(2), std::size_t(1)));
    EXPECT_EQ(main.Notes().size(), p.notes);
    const CSubPanel& left = main.SubPanel(0);
    EXPECT_EQ(left.ProjectionName() + "/" + left.HorizontalDatumName(),
              "Mercator/Ordnance Survey 1936");
    EXPECT_EQ(geo::CDatumInfo::GetName(left.DatumIndex()), "OSGB 36");

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
            EXPECT_TRUE(std::abs(back->x - x) <= 1 && std::abs(back->y - y) <= 1)
                << back->x << "," << back->y;
            // The shift goes through whole chart points, so it is good to about a pixel (3 arc
            // seconds here).
            geo::CPosition wgs84, chartDatum;
            ASSERT_EQ(sub.ShiftToWgs84(*position, wgs84), 0);
            EXPECT_EQ(wgs84.GetDatum(), geo::DatumIndexWGS84());
            EXPECT_NEAR((wgs84.GetLatitude() - position->GetLatitude()) * 3600, p.wgs84ShiftLatSec,
                        3.0);
            EXPECT_NEAR((wgs84.GetLongitude() - position->GetLongitude()) * 3600,
                        p.wgs84ShiftLonSec, 3.0);
            ASSERT_EQ(sub.ShiftToChartDatum(wgs84, chartDatum), 0);
            EXPECT_NEAR(chartDatum.GetLatitude(), position->GetLatitude(), 3.0 / 3600);
            EXPECT_NEAR(chartDatum.GetLongitude(), position->GetLongitude(), 3.0 / 3600);
        }

    // Which sub-panel holds a position, on the chart's datum or on WGS 84.
    const auto [lat, lon] = hcrftool::PixelToLatLon(p, width, height, 300, 200);
    const geo::CPosition onChartDatum(lat, lon, 0, std::int16_t(left.DatumIndex()));
    EXPECT_TRUE(left.ContainsPosition(onChartDatum) &&
                !main.SubPanel(1).ContainsPosition(onChartDatum));
    EXPECT_TRUE(left.ContainsPosition(geo::CPosition(lat, lon)) &&
                !main.ContainsPosition(geo::CPosition(lat + 1, lon)));
    EXPECT_TRUE(inset.ContainsPoint({600, 100}) &&
                !inset.ContainsPoint({100, 600}));   // the north-east quarter
}

// The sample charts are Mercator charts: a chart's transformation blocks put
// positions where a Mercator projection from outside (GeographicLib's conformal
// conic with its standard parallel on the equator, on the sphere the charts are
// drawn for) puts them, scaled to the chart's edges. Over four degrees of
// latitude a straight scale between the edges would be some ten pixels out.
TEST(ChartRoundTrip, PanelsFollowAnOutsideMercatorProjection)
{
    const char* bin = std::getenv("BRINE_BIN_DIR");
    ASSERT_TRUE(geo::CDatumInfo::LoadTable(bin ? bin : "."));
    brine_test::TempFolder folder;
    hcrftool::ChartParameters p;
    p.north = 52.0, p.south = 48.0, p.west = -6.0, p.east = -1.0;
    p.datumShift = false;
    const unsigned width = 900, height = 1000;
    hcrftool::WrittenChart written;
    std::string error;
    ASSERT_TRUE(hcrftool::WriteChartSet(hcrftool::GeneratePicture(width, height), p, folder.Path(),
                                        written, error));
    CPanelLookups lookups;
    lookups.Load(folder.Path());
    CPanel panel;
    ASSERT_TRUE(panel.Load(written.chartFile, 0, {}, lookups, false, &error)) << error;
    ASSERT_EQ(panel.SubPanelCount(), 1u);
    const CSubPanel& sub = panel.SubPanel(0);

    const GeographicLib::LambertConformalConic mercator(1.0, 0.0, 0.0, 1.0);
    auto northing = [&](double lat) {
        double x = 0, y = 0;
        mercator.Forward(0.0, lat, 0.0, x, y);
        return y;
    };
    const double top = northing(p.north), bottom = northing(p.south);
    double worstLinear = 0;
    for (double lat = p.south; lat <= p.north + 1e-9; lat += 0.25)
        for (double lon = p.west; lon <= p.east + 1e-9; lon += 0.5) {
            SCOPED_TRACE(std::to_string(lat) + "," + std::to_string(lon));
            const double x = (lon - p.west) / (p.east - p.west) * width;
            const double y = (top - northing(lat)) / (top - bottom) * height;
            worstLinear =
                std::max(worstLinear, std::abs(y - (p.north - lat) / (p.north - p.south) * height));
            const auto point =
                sub.PositionToPoint(geo::CPosition(lat, lon, 0, std::int16_t(sub.DatumIndex())));
            ASSERT_TRUE(point);
            EXPECT_NEAR(point->x, x, 1.0);
            EXPECT_NEAR(point->y, y, 1.0);
            // And back: the latitude of a pixel row is the projection's inverse.
            const auto position = sub.PointToPosition(*point);
            ASSERT_TRUE(position);
            double lat2 = 0, lon2 = 0;
            mercator.Reverse(0.0, 0.0, top - point->y / double(height) * (top - bottom), lat2,
                             lon2);
            EXPECT_NEAR(position->GetLatitude(), lat2, 1.0 / 3600);
            EXPECT_NEAR(position->GetLongitude(), p.west + point->x * (p.east - p.west) / width,
                        1.0 / 3600);
        }
    EXPECT_GT(worstLinear, 8.0);
}

// A chart set copied from a disc with upper-case names still finds its lookup tables.
TEST(ChartRoundTrip, LookupTablesAreFoundWithoutCase)
{
    brine_test::TempFolder folder;
    hcrftool::ChartParameters p;
    hcrftool::WrittenChart written;
    std::string error;
    ASSERT_TRUE(hcrftool::WriteChartSet(hcrftool::GeneratePicture(200, 150), p, folder.Path(),
                                        written, error))
        << error;
    const std::filesystem::path misc = std::filesystem::path(folder.Path()) / "MISC";
    std::filesystem::rename(std::filesystem::path(folder.Path()) / "Misc", misc);
    for (const char* name : {"projcode", "verdat", "hordat"})
        std::filesystem::rename(misc / (std::string(name) + ".tab"),
                                misc / (ToUpperAscii(name) + ".TAB"));
    CPanelLookups lookups;
    lookups.Load(folder.Path());
    CPanel panel;
    ASSERT_TRUE(panel.Load(written.chartFile, 0, {}, lookups, false, &error)) << error;
    EXPECT_EQ(panel.SubPanel(0).ProjectionName(), "Mercator");
    EXPECT_EQ(panel.SubPanel(0).HorizontalDatumName(), "World Geodetic System 1984");
}

// The sample charts against GMT: at random positions in every panel, the pixel that our panels
// and tile decoder give is land exactly where `gmt gmtselect` puts the position on land, using
// the shoreline the charts were drawn from. A mismatch is allowed only within 2 pixels of the
// chart's own coastline.

#include "ChartSetWriter.h"
#include "SampleArt.h"
#include "TempFolder.h"
#include "charts/hcrf/ChartPanel.h"
#include "charts/hcrf/HCRFHeader.h"
#include "charts/hcrf/HCRFPalette.h"
#include "charts/hcrf/HCRFRaster.h"
#include "geo/DatumInfo.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <optional>
#include <random>
#include <sstream>

using namespace charts::hcrf;

namespace {

const std::filesystem::path kMedia = BRINE_SAMPLE_MEDIA_DIR;
constexpr int kPositions = 200;
constexpr int kSlack = 2;

struct Picture {
    unsigned width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
    std::uint8_t At(int x, int y) const { return pixels[std::size_t(y) * width + unsigned(x)]; }
};

// The whole high-resolution raster, decoded tile by tile.
bool Decode(const std::filesystem::path& chr, Picture& picture, std::string& error)
{
    const auto header = ReadWholeFile(SiblingFile(chr, "hdr"));
    const auto pal = ReadWholeFile(SiblingFile(chr, "pal"));
    CHCRFHeader h;
    CodeTable table{};
    if (!header || !pal || !h.Read(*header) ||
        !LoadCodeTable(*pal, RasterKind::HighResolution, table, &error)) {
        error = "cannot read the header or palette of " + chr.string() + " " + error;
        return false;
    }
    CTileRaster raster;
    if (!raster.Load(chr, IndexFileOf(chr), h.generalInfo.highTilesAcross,
                     h.generalInfo.highTilesDown, &error))
        return false;
    picture.width = raster.TilesAcross() * unsigned(kTileSide);
    picture.height = raster.TilesDown() * unsigned(kTileSide);
    picture.pixels.assign(std::size_t(picture.width) * picture.height, 0);
    std::vector<std::uint8_t> tile(kTilePixels);
    std::mutex lock;
    for (unsigned row = 0; row < raster.TilesDown(); ++row)
        for (unsigned column = 0; column < raster.TilesAcross(); ++column) {
            if (!raster.ReadTile(column, row, table, false, TileBuffer(tile.data(), kTilePixels),
                                 lock)) {
                error = "tile " + std::to_string(column) + "," + std::to_string(row) +
                        " does not decode";
                return false;
            }
            for (unsigned y = 0; y < kTileSide; ++y)
                std::copy_n(&tile[y * kTileSide], kTileSide,
                            &picture.pixels[(std::size_t(row) * kTileSide + y) * picture.width +
                                            column * kTileSide]);
        }
    return true;
}

std::string Number(double value)
{
    char text[40];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// Indexes (into `positions`) that gmtselect puts on land or on an island in a lake.
std::vector<bool> GmtLand(const std::vector<geo::CPosition>& positions, char shoreline)
{
    brine_test::TempFolder folder;
    const auto input = folder.Path() / "positions.txt";
    {
        std::ofstream out(input);
        for (std::size_t i = 0; i < positions.size(); ++i)
            out << Number(positions[i].GetLongitude()) << ' ' << Number(positions[i].GetLatitude())
                << ' ' << i << '\n';
    }
    const std::string command = "cd '" + folder.Path().string() + "' && gmt gmtselect '" +
                                input.string() + "' -fg -D" + shoreline +
                                " -A0 -Ns/k/s/k/s --GMT_HISTORY=false";
    std::vector<bool> land(positions.size(), false);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return land;
    char line[256];
    while (std::fgets(line, sizeof line, pipe)) {
        std::istringstream words(line);
        std::string lon, lat;
        std::size_t index = 0;
        if (words >> lon >> lat >> index && index < land.size())
            land[index] = true;
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
    return land;
}

// Column fields of the Chart.cat entry of `number` in a medium, found through Chart.ptr.
struct CatalogueFields {
    std::string edition, updateNumber, chartCd;
    unsigned plans = 0;
    std::uint32_t rasterCheck = 0, indexCheck = 0;
};

std::optional<CatalogueFields> CatalogueOf(const std::filesystem::path& medium,
                                           const std::string& number)
{
    const auto ptr = ReadWholeFile(medium / "ChartCat" / "Chart.ptr");
    const auto cat = ReadWholeFile(medium / "ChartCat" / "Chart.cat");
    if (!ptr || !cat)
        return std::nullopt;
    for (std::string_view record : SplitRecords(*ptr, 0)) {
        if (Trimmed(FieldText(record, 0, 8)) != number)
            continue;
        const std::size_t at = FieldNumber(record, 8, 7);
        if (at >= cat->size())
            return std::nullopt;
        const std::string_view entry = AsText(ByteView(*cat).subspan(at));
        if (FieldText(entry, 0, 2) != "CH" || Trimmed(FieldText(entry, 2, 8)) != number)
            return std::nullopt;
        CatalogueFields f;
        f.edition = FieldText(entry, 10, 8);
        f.updateNumber = FieldText(entry, 147, 9);
        f.plans = unsigned(FieldNumber(entry, 156, 2));
        f.chartCd = Trimmed(FieldText(entry, 158, 10));
        f.rasterCheck =
            std::uint32_t(std::stoul(std::string(FieldText(entry, 177, 8)), nullptr, 16));
        f.indexCheck =
            std::uint32_t(std::stoul(std::string(FieldText(entry, 185, 8)), nullptr, 16));
        return f;
    }
    return std::nullopt;
}

}   // namespace

// What installation and verification rely on: every medium's catalogue finds every chart, names
// the chart medium and the header's edition field (the same edition in every medium, so the harbour
// chart's update is not a new edition), and holds check values that the chart's raster meets, the
// harbour chart's once update-2's tiles are merged.
TEST(SampleMedia, CataloguesAndCheckValuesMatchTheCharts)
{
    const std::filesystem::path chartMedium = kMedia / "chart-medium";
    const struct {
        const char* folder;
        const char* descriptor;   // country, name and date columns
    } media[] = {{"chart-medium", "GBRCSAMPLE  20260105"},
                 {"update-1", "GBWK01_26   20260105"},
                 {"update-2", "GBWK02_26   20260112"}};
    for (const auto& m : media) {
        const auto cdv = ReadWholeFile(kMedia / m.folder / "ReadMe.cdv");
        ASSERT_TRUE(cdv);
        EXPECT_EQ(FieldText(AsText(*cdv), 0, 20), m.descriptor);
    }
    for (const std::string number : {"RC9001", "RC9002", "RC9003"}) {
        SCOPED_TRACE(number);
        const auto chr = chartMedium / "RasChts" / "090" / number / (number + ".chr");
        CHCRFHeader header;
        const auto hdr = ReadWholeFile(SiblingFile(chr, "hdr"));
        ASSERT_TRUE(hdr && header.Read(*hdr));
        for (const char* medium : {"chart-medium", "update-1", "update-2"}) {
            SCOPED_TRACE(medium);
            const auto fields = CatalogueOf(kMedia / medium, number);
            ASSERT_TRUE(fields);
            EXPECT_EQ(fields->edition, header.identifier.field13);
            EXPECT_EQ(fields->chartCd, "RCSAMPLE");
            EXPECT_EQ(fields->plans, header.identifier.insetPanels);
            CTileRaster raster;
            std::string error;
            ASSERT_TRUE(raster.Load(chr, IndexFileOf(chr), header.generalInfo.highTilesAcross,
                                    header.generalInfo.highTilesDown, &error))
                << error;
            const bool updated = number == "RC9003" && std::string(medium) == "update-2";
            if (updated) {
                EXPECT_EQ(fields->updateNumber, "000000001");
                const auto folder = kMedia / medium / "RasChts" / "090" / number;
                const auto upr = ReadWholeFile(folder / (number + ".upr"));
                const auto upi = ReadWholeFile(folder / (number + ".upi"));
                ASSERT_TRUE(upr && upi);
                std::vector<std::string> tiles;
                ASSERT_TRUE(raster.MergeUpdates(*upr, *upi, fields->rasterCheck, fields->indexCheck,
                                                &tiles, &error))
                    << error;
                EXPECT_FALSE(tiles.empty());
            } else {
                EXPECT_EQ(fields->updateNumber, header.generalInfo.updateNumber);
                EXPECT_EQ(fields->rasterCheck, raster.ExpectedRasterCheck());
                EXPECT_EQ(fields->indexCheck, raster.ExpectedIndexCheck());
            }
            EXPECT_EQ(Crc32(raster.Data()), raster.ExpectedRasterCheck());
            EXPECT_EQ(Crc32(raster.Index()), raster.ExpectedIndexCheck());
        }
    }
}

// The charts are drawn on WGS 84 and carry a datum shift as real charts do, so none opens
// with "No datum shift available": zero shift values, and the shift through the WGS 84
// transformations leaves a position on its pixel.
TEST(SampleMedia, EveryPanelOffersADatumShiftThatChangesNothing)
{
    CPanelLookups lookups;
    lookups.Load(kMedia / "chart-medium");
    const struct {
        const char* number;
        unsigned panels;
    } charts[] = {{"RC9001", 1}, {"RC9002", 2}, {"RC9003", 1}};
    for (const auto& chart : charts) {
        const auto chr = kMedia / "chart-medium" / "RasChts" / "090" / chart.number /
                         (std::string(chart.number) + ".chr");
        for (unsigned n = 0; n < chart.panels; ++n) {
            SCOPED_TRACE(std::string(chart.number) + " panel " + std::to_string(n));
            CPanel panel;
            std::string error;
            ASSERT_TRUE(panel.Load(chr, n, {}, lookups, false, &error)) << error;
            const CSubPanel& sub = panel.SubPanel(0);
            EXPECT_TRUE(sub.HasDatumShift());
            EXPECT_TRUE(sub.HasPolynomialDatumShift());
            EXPECT_EQ(sub.DatumIndex(), geo::DatumIndexWGS84());
            EXPECT_EQ(sub.LatitudeShift(), 0.0);
            EXPECT_EQ(sub.LongitudeShift(), 0.0);
            const auto& outline = sub.Outline();
            ASSERT_FALSE(outline.empty());
            const geo::CPosition corner = outline.front();
            const geo::CPosition inside(
                (corner.GetLatitude() + outline[outline.size() / 2].GetLatitude()) / 2,
                (corner.GetLongitude() + outline[outline.size() / 2].GetLongitude()) / 2, 0.0,
                std::int16_t(geo::DatumIndexWGS84()));
            geo::CPosition shifted;
            ASSERT_EQ(sub.ShiftToChartDatum(inside, shifted), 0);
            // The shift lands on the pixel the position is on (a chart point is whole
            // pixels: the way back may round to the next).
            const auto before = sub.PositionToPoint(inside), after = sub.PositionToPoint(shifted);
            ASSERT_TRUE(before && after);
            EXPECT_LE(std::abs(after->x - before->x), 1);
            EXPECT_LE(std::abs(after->y - before->y), 1);
        }
    }
}

TEST(SampleMedia, EveryPanelIsLandWhereGmtSaysLand)
{
    ASSERT_TRUE(std::filesystem::exists(kMedia / "chart-medium" / "ReadMe.cdv"))
        << "the sample media are made by the build (target brine_sample_media)";
    CPanelLookups lookups;
    lookups.Load(kMedia / "chart-medium");
    const struct {
        const char* number;
        std::vector<char> shorelines;   // per panel
    } charts[] = {{"RC9001", {'h'}}, {"RC9002", {'h', 'f'}}, {"RC9003", {'f'}}};
    std::mt19937 random(20260105);
    for (const auto& chart : charts) {
        SCOPED_TRACE(chart.number);
        const auto chr = kMedia / "chart-medium" / "RasChts" / "090" / chart.number /
                         (std::string(chart.number) + ".chr");
        Picture picture;
        std::string error;
        ASSERT_TRUE(Decode(chr, picture, error)) << error;
        for (unsigned n = 0; n < chart.shorelines.size(); ++n) {
            SCOPED_TRACE("panel " + std::to_string(n));
            CPanel panel;
            ASSERT_TRUE(panel.Load(chr, n, {}, lookups, false, &error)) << error;
            ASSERT_EQ(panel.SubPanelCount(), 1u);
            const CSubPanel& sub = panel.SubPanel(0);
            double north = -90, south = 90, west = 180, east = -180;
            for (const auto& v : sub.Outline()) {
                north = std::max(north, v.GetLatitude()), south = std::min(south, v.GetLatitude());
                east = std::max(east, v.GetLongitude()), west = std::min(west, v.GetLongitude());
            }
            std::uniform_real_distribution<double> lat(south, north), lon(west, east);
            std::vector<geo::CPosition> positions;
            std::vector<CChartPoint> points;
            while (positions.size() < kPositions) {
                const geo::CPosition position(lat(random), lon(random));
                if (!sub.ContainsPosition(position))
                    continue;
                const auto point = sub.PositionToPoint(position);
                ASSERT_TRUE(point);
                ASSERT_TRUE(point->x >= 0 && point->y >= 0 && point->x < int(picture.width) &&
                            point->y < int(picture.height));
                positions.push_back(position);
                points.push_back(*point);
            }
            const std::vector<bool> gmtLand = GmtLand(positions, chart.shorelines[n]);
            int landCount = 0, atCoast = 0;
            for (std::size_t i = 0; i < positions.size(); ++i) {
                const auto [x, y] = points[i];
                const bool ours = hcrftool::IsLandPaint(picture.At(x, y));
                landCount += gmtLand[i];
                if (ours == gmtLand[i])
                    continue;
                // Our coastline must pass within 2 pixels for a disagreement.
                bool nearCoast = false;
                for (int dy = -kSlack; dy <= kSlack && !nearCoast; ++dy)
                    for (int dx = -kSlack; dx <= kSlack && !nearCoast; ++dx) {
                        const int px = x + dx, py = y + dy;
                        nearCoast = px >= 0 && py >= 0 && px < int(picture.width) &&
                                    py < int(picture.height) &&
                                    hcrftool::IsLandPaint(picture.At(px, py)) == gmtLand[i];
                    }
                ++atCoast;
                EXPECT_TRUE(nearCoast)
                    << positions[i].GetLatitude() << " " << positions[i].GetLongitude() << " pixel "
                    << x << "," << y
                    << (gmtLand[i] ? ": GMT land, ours water" : ": GMT water, ours land");
            }
            // Both kinds of ground must be tried, or the check proves little.
            EXPECT_GT(landCount, 10);
            EXPECT_LT(landCount, kPositions - 10);
            std::printf("%s panel %u: %d positions, %d on land by GMT, %d disagree\n", chart.number,
                        n, kPositions, landCount, atCoast);
        }
    }
}

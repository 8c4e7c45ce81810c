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

#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <mutex>
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

struct PanelCase {
    const CSubPanel* subPanel;
    char shoreline;
};

}   // namespace

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

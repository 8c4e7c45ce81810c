// The sample route against the shoreline the sample charts are drawn from:
// GMT's full-resolution coastline says every waypoint, every point of every
// leg and a line 150 m either side of each leg lie in water. A route the
// program offers to a new user must not run over land.

#include "TempFolder.h"
#include "db/DBRoute.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Number(double value)
{
    char text[40];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

}   // namespace

TEST(SampleRoute, EveryLegLiesInWaterWithRoomEitherSide)
{
    if (std::system("command -v gmt >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "gmt is not installed";
    const char* bin = std::getenv("BRINE_BIN_DIR");
    ASSERT_NE(bin, nullptr);
    db::CDBRoute table;
    table.SetFilePath((fs::path(bin) / ".." / "sample-routes" / "Sample").string());
    ASSERT_TRUE(table.Open(true)) << "the sample route is built by brine_sample_routes";
    ASSERT_TRUE(table.GoTop());
    db::CDBRoutePoints& links = table.Points();
    links.SelectTag("T_ORDER");
    std::vector<std::pair<double, double>> points;   // latitude, longitude
    for (bool ok = links.GoTop(); ok; ok = links.SkipForward()) {
        points.emplace_back(links.Waypoints().m_position.GetLatitude(),
                            links.Waypoints().m_position.GetLongitude());
        if (links.IsLast())
            break;
    }
    ASSERT_GE(points.size(), 4u);

    brine_test::TempFolder folder;
    const fs::path input = folder.Path() / "legs.txt";
    {
        std::ofstream out(input);
        for (std::size_t leg = 0; leg + 1 < points.size(); ++leg) {
            const auto [a, b] = points[leg];
            const auto [c, d] = points[leg + 1];
            // Across the leg: 150 m either side, in degrees at this latitude.
            const double cosLat = std::cos(a * M_PI / 180.0);
            const double dy = c - a, dx = (d - b) * cosLat, length = std::hypot(dx, dy);
            const double ny = -dx / length, nx = dy / length;
            for (int step = 0; step <= 200; ++step) {
                const double t = step / 200.0, lat = a + (c - a) * t, lon = b + (d - b) * t;
                for (int side = -1; side <= 1; ++side) {
                    const double off = 150.0 * side / 111120.0;
                    out << Number(lon + nx * off / cosLat) << ' ' << Number(lat + ny * off) << ' '
                        << "leg" << leg + 1 << "/" << step << "/" << side << '\n';
                }
            }
        }
    }
    const std::string command = "cd '" + folder.Path().string() + "' && gmt gmtselect '" +
                                input.string() + "' -fg -Df -A0 -Ns/k/s/k/s --GMT_HISTORY=false";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::ostringstream land;
    char line[256];
    int onLand = 0;
    while (std::fgets(line, sizeof line, pipe)) {
        if (++onLand <= 5)
            land << line;
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
    EXPECT_EQ(onLand, 0) << "on land:\n" << land.str();
}

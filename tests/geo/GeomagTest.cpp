// Magnetic variation: the shipped model files against IGRF declinations from
// GMT (tests/geo/data/igrf-declinations.txt), and the model file handling.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "TempFolder.h"
#include "geo/Geomag.h"

using geo::CGeomag;
using geo::CPosition;
using namespace std::chrono;

namespace {

const std::filesystem::path kBinDir =
    std::getenv("BRINE_BIN_DIR") ? std::getenv("BRINE_BIN_DIR") : ".";

struct FakeNotices : geo::CVariationNotices {
    int registered = 0, unavailable = 0, outOfDate = 0, cleared = 0;
    void Register() override { ++registered; }
    void ShowUnavailable() override { ++unavailable; }
    void ShowOutOfDate() override { ++outOfDate; }
    void Clear() override { ++cleared; }
};

// A model with only g(1,0), h(1,1) and the yearly change of h(1,1). At 0N 0E
// the declination is then exactly atan2(-h11, -g10). `brokenLine` replaces (3,1).
void WriteModel(const std::filesystem::path& file, int epoch, double h11, double svH11,
                const std::string& brokenLine = {})
{
    std::ofstream out(file);
    out << "test model                    " << epoch
        << "\n";   // title in 30 columns, then the epoch
    char line[80];
    for (int n = 1; n <= 10; ++n)
        for (int m = 0; m <= n; ++m) {
            const bool h = n == 1 && m == 1;
            std::snprintf(line, sizeof line, "%2d%2d%8.1f%8.2f%8.2f%8.2f", m, n,
                          n == 1 && m == 0 ? -30000.0 : 0.0, h ? h11 : 0.0, 0.0, h ? svH11 : 0.0);
            out << (n == 3 && m == 1 && !brokenLine.empty() ? brokenLine : line) << "\n";
        }
}

}   // namespace

TEST(Geomag, ShippedModelsMatchIgrfDeclinations)
{
    const char* source = std::getenv("BRINE_SOURCE_DIR");
    std::ifstream table(std::filesystem::path(source ? source : "../..") /
                        "tests/geo/data/igrf-declinations.txt");
    ASSERT_TRUE(table) << "reference table missing";
    int rows = 0, y = 0;
    unsigned m = 0, d = 0;
    for (std::string line; std::getline(table, line);) {
        double lat = 0, lon = 0, reference = 0;
        if (line.empty() || line[0] == '#' ||
            std::sscanf(line.c_str(), "%d-%u-%u %lf %lf %lf", &y, &m, &d, &lat, &lon, &reference) !=
                6)
            continue;
        // The program loads the file of the current five-year epoch; here "now" is the date asked
        // about.
        CGeomag model(nullptr, [&] { return y; });
        ASSERT_TRUE(model.LoadModel(kBinDir)) << line;
        EXPECT_NEAR(
            model.GetVariation(year_month_day{year{y}, month{m}, day{d}}, CPosition(lat, lon)),
            reference, 0.1)
            << line;
        ++rows;
    }
    EXPECT_GE(rows, 170);
}

// The 2020 model carried forward to 1 January 2025 agrees with the 2025
// model there: a mis-ordered coefficient or a wrong column in either file
// shows up here.
TEST(Geomag, ConsecutiveModelsMeetAtTheEpoch)
{
    CGeomag m2020(nullptr, [] { return 2020; }), m2025(nullptr, [] { return 2025; });
    ASSERT_TRUE(m2020.LoadModel(kBinDir) && m2025.LoadModel(kBinDir));
    const year_month_day when{year{2025}, month{1}, day{1}};
    for (double lat = -80; lat <= 80; lat += 20)
        for (double lon = -180; lon < 180; lon += 45)
            EXPECT_NEAR(m2020.GetVariation(when, CPosition(lat, lon)),
                        m2025.GetVariation(when, CPosition(lat, lon)), 0.02)
                << lat << "," << lon;
}

TEST(Geomag, ExtrapolatesFromTheFilesOwnEpoch)
{
    brine_test::TempFolder folder;
    // h(1,1) grows by 500 nT a year from 0 in 2020. 1 January 2026 is 2026 +
    // 1/365 by the program's day count, so h(1,1) is 500 x (6 + 1/365) then;
    // carried forward from 2025 instead it would be a sixth of that.
    WriteModel(folder / "igrf2020.dat", 2020, 0.0, 500.0);
    FakeNotices notices;
    CGeomag model(&notices, [] { return 2026; });
    ASSERT_TRUE(model.LoadModelFile(folder / "igrf2020.dat"));
    const double v =
        model.GetVariation(year_month_day{year{2026}, month{1}, day{1}}, CPosition(0, 0));
    EXPECT_NEAR(v, -std::atan(500.0 * (6.0 + 1.0 / 365.0) / 30000.0) * 180.0 / M_PI, 1e-6);
    EXPECT_EQ(notices.outOfDate, 1);   // six years past the file's epoch
}

// No file or a damaged one: refused and reported unavailable.
TEST(Geomag, MissingOrDamagedModelsAreRefused)
{
    brine_test::TempFolder folder;
    const std::string broken[] = {
        "",   // no file at all
        " 2 3   1.00    0.00    0.00    0.00",   // (3,2) where (3,1) belongs
        " 1 3    abc    0.00    0.00    0.00",   // not a number
        " 1",   // cut short
    };
    for (const std::string& line : broken) {
        if (!line.empty())
            WriteModel(folder / "igrf2025.dat", 2025, 0.0, 0.0, line);
        FakeNotices notices;
        CGeomag model(&notices, [] { return 2025; });
        EXPECT_FALSE(model.LoadModel(folder.Path())) << line;
        EXPECT_EQ(notices.registered + notices.unavailable, 2);
        const double v =
            model.GetVariation(year_month_day{year{2025}, month{5}, day{1}}, CPosition(50, 0));
        EXPECT_TRUE(!line.empty() || v == geo::kUndefinedVariation)
            << v;   // the zero field has no declination
        EXPECT_TRUE(model.ClearMessages() && notices.cleared == 1);
    }
}

TEST(Geomag, PolesBadInputsAndText)
{
    CGeomag model(nullptr, [] { return 2025; });
    ASSERT_TRUE(model.LoadModel(kBinDir));
    const year_month_day when{year{2025}, month{6}, day{1}};
    for (double lat : {90.0, -90.0, 89.9995, -89.9995})
        EXPECT_LE(std::fabs(model.GetVariation(when, CPosition(lat, 30.0))), 180.0)
            << lat;   // a number, not NaN
    EXPECT_EQ(model.GetVariation(when, CPosition(std::nan(""), 0.0)), 0.0);
    EXPECT_EQ(model.GetVariation(year_month_day{year{2025}, month{2}, day{30}}, CPosition(0, 0)),
              0.0);

    brine_test::TempFolder folder;
    for (const auto& [declination, text] : {std::pair{-3.5, " 3\u00B030.0'W"},
                                            {12.25, "12\u00B015.0'E"},
                                            {12.9999, "13\u00B00.0'E"}}) {
        WriteModel(folder / "igrf2025.dat", 2025, -30000.0 * std::tan(declination * M_PI / 180.0),
                   0.0);
        CGeomag fixed(nullptr, [] { return 2025; });
        ASSERT_TRUE(fixed.LoadModel(folder.Path()));
        EXPECT_EQ(
            fixed.FormatVariation(year_month_day{year{2025}, month{1}, day{1}}, CPosition(0, 0)),
            text);   // 59.994' carries
    }
}

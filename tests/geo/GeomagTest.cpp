// Magnetic variation: the shipped model files against IGRF declinations from
// GMT (tests/geo/data/igrf-declinations.txt), and the model file handling.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TempFolder.h"
#include "geo/Geomag.h"

using geo::CGeomag;
using geo::CPosition;
using namespace std::chrono;

namespace {

std::filesystem::path BinDir()
{
    const char* dir = std::getenv("BRINE_BIN_DIR");
    return dir ? dir : ".";
}

std::filesystem::path SourceDir()
{
    const char* dir = std::getenv("BRINE_SOURCE_DIR");
    return dir ? dir : "../..";
}

year_month_day ParseDate(const std::string& text)
{
    int y = 0;
    unsigned m = 0, d = 0;
    std::sscanf(text.c_str(), "%d-%u-%u", &y, &m, &d);
    return year_month_day{year{y}, month{m}, day{d}};
}

struct FakeNotices : geo::CVariationNotices {
    int registered = 0, unavailable = 0, outOfDate = 0, cleared = 0;
    void Register() override { ++registered; }
    void ShowUnavailable() override { ++unavailable; }
    void ShowOutOfDate() override { ++outOfDate; }
    void Clear() override { ++cleared; }
};

// A model with only g(1,0), h(1,1) and the yearly change of h(1,1). At 0N 0E
// the declination is then exactly atan2(-h11, -g10).
void WriteModel(const std::filesystem::path& file, int epoch, double g10, double h11, double svH11,
                const std::string& brokenLine = {})
{
    std::ofstream out(file);
    char line[80];
    std::snprintf(line, sizeof line, "%-30s%4d", "test model", epoch);
    out << line << "\n";
    for (int n = 1; n <= 10; ++n) {
        for (int m = 0; m <= n; ++m) {
            if (n == 3 && m == 1 && !brokenLine.empty()) {
                out << brokenLine << "\n";
                continue;
            }
            const double g = (n == 1 && m == 0) ? g10 : 0.0;
            const double h = (n == 1 && m == 1) ? h11 : 0.0;
            const double sv = (n == 1 && m == 1) ? svH11 : 0.0;
            std::snprintf(line, sizeof line, "%2d%2d%8.1f%8.2f%8.2f%8.2f", m, n, g, h, 0.0, sv);
            out << line << "\n";
        }
    }
}

}  // namespace

TEST(Geomag, ShippedModelsMatchIgrfDeclinations)
{
    std::ifstream table(SourceDir() / "tests/geo/data/igrf-declinations.txt");
    ASSERT_TRUE(table) << "reference table missing";
    std::string line;
    int rows = 0;
    double worst = 0;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string date;
        double lat = 0, lon = 0, reference = 0;
        words >> date >> lat >> lon >> reference;
        const year_month_day ymd = ParseDate(date);
        // The program loads the file of the current five-year epoch; here "now"
        // is the date asked about.
        CGeomag model(nullptr, [&] { return int(ymd.year()); });
        ASSERT_TRUE(model.LoadModel(BinDir())) << date;
        const double v = model.GetVariation(ymd, CPosition(lat, lon));
        EXPECT_NEAR(v, reference, 0.1) << date << " " << lat << " " << lon;
        worst = std::max(worst, std::fabs(v - reference));
        ++rows;
    }
    EXPECT_GE(rows, 170);
    RecordProperty("worst_difference_deg", std::to_string(worst));
}

TEST(Geomag, ConsecutiveModelsMeetAtTheEpoch)
{
    // The 2020 model carried forward to 1 January 2025 must agree with the
    // 2025 model there: both files come from one table, so a mis-ordered
    // coefficient or a wrong column in either file shows up here.
    CGeomag older(nullptr, [] { return 2020; });
    CGeomag newer(nullptr, [] { return 2025; });
    ASSERT_TRUE(older.LoadModel(BinDir()));
    ASSERT_TRUE(newer.LoadModel(BinDir()));
    const year_month_day when{year{2025}, month{1}, day{1}};
    for (double lat = -80; lat <= 80; lat += 20) {
        for (double lon = -180; lon < 180; lon += 45) {
            EXPECT_NEAR(older.GetVariation(when, CPosition(lat, lon)),
                        newer.GetVariation(when, CPosition(lat, lon)), 0.02)
                << lat << " " << lon;
        }
    }
}

TEST(Geomag, ModelFileOfTheCurrentEpoch)
{
    EXPECT_EQ(CGeomag::ModelFileName(2026), "igrf2025.dat");
    EXPECT_EQ(CGeomag::ModelFileName(2025), "igrf2025.dat");
    EXPECT_EQ(CGeomag::ModelFileName(2029), "igrf2025.dat");
    EXPECT_EQ(CGeomag::ModelFileName(2030), "igrf2030.dat");
}

TEST(Geomag, ExtrapolatesFromTheFilesOwnEpoch)
{
    brine_test::TempFolder folder;
    // h(1,1) grows by 500 nT a year from 0 in 2020. 1 January 2026 is 2026 +
    // 1/365 by the program's day count, so h(1,1) is 500 x (6 + 1/365) then;
    // carried forward from 2025 instead it would be a sixth of that.
    WriteModel(folder.Path() / "igrf2020.dat", 2020, -30000.0, 0.0, 500.0);
    FakeNotices notices;
    CGeomag model(&notices, [] { return 2026; });
    ASSERT_TRUE(model.LoadModelFile(folder.Path() / "igrf2020.dat"));
    const double v = model.GetVariation(year_month_day{year{2026}, month{1}, day{1}}, CPosition(0, 0));
    EXPECT_NEAR(v, -std::atan(500.0 * (6.0 + 1.0 / 365.0) / 30000.0) * 180.0 / M_PI, 1e-6);
    EXPECT_EQ(notices.outOfDate, 1);   // 2026 is six years past the file's epoch
}

TEST(Geomag, NoticesAndFailures)
{
    brine_test::TempFolder folder;
    {   // No model file: unavailable, and the zero field has no declination.
        FakeNotices notices;
        CGeomag model(&notices, [] { return 2026; });
        EXPECT_FALSE(model.LoadModel(folder.Path()));
        EXPECT_EQ(notices.registered, 1);
        EXPECT_EQ(notices.unavailable, 1);
        EXPECT_EQ(model.GetVariation(year_month_day{year{2026}, month{5}, day{1}}, CPosition(50, 0)),
                  geo::kUndefinedVariation);
        EXPECT_TRUE(model.ClearMessages());
        EXPECT_EQ(notices.cleared, 1);
    }
    {   // A model of 2020 read in 2025 is out of date at the first request.
        WriteModel(folder.Path() / "igrf2025.dat", 2020, -30000.0, 100.0, 0.0);
        FakeNotices notices;
        CGeomag model(&notices, [] { return 2025; });
        EXPECT_TRUE(model.LoadModel(folder.Path()));
        EXPECT_EQ(notices.outOfDate, 0);
        model.GetVariation(year_month_day{year{2025}, month{5}, day{1}}, CPosition(0, 0));
        EXPECT_EQ(notices.outOfDate, 1);
    }
    // Damaged files are refused.
    const std::string broken[] = {
        " 2 3   1.00    0.00    0.00    0.00",   // (3,2) where (3,1) belongs
        " 1 3    abc    0.00    0.00    0.00",   // not a number
        " 1",                                     // cut short
    };
    for (const std::string& line : broken) {
        WriteModel(folder.Path() / "igrf2025.dat", 2025, -30000.0, 0.0, 0.0, line);
        FakeNotices notices;
        CGeomag model(&notices, [] { return 2025; });
        EXPECT_FALSE(model.LoadModel(folder.Path())) << line;
        EXPECT_EQ(notices.unavailable, 1);
    }
    {   // A file that ends early.
        std::ofstream(folder.Path() / "igrf2025.dat") << "title                         2025\n 0 1-29000.0\n";
        CGeomag model(nullptr, [] { return 2025; });
        EXPECT_FALSE(model.LoadModel(folder.Path()));
    }
}

TEST(Geomag, PolesAndBadInputsGiveNumbers)
{
    CGeomag model(nullptr, [] { return 2025; });
    ASSERT_TRUE(model.LoadModel(BinDir()));
    const year_month_day when{year{2025}, month{6}, day{1}};
    for (double lat : {90.0, -90.0, 89.9995, -89.9995}) {
        const double v = model.GetVariation(when, CPosition(lat, 30.0));
        EXPECT_TRUE(std::isfinite(v) && std::fabs(v) <= 180.0) << lat;
    }
    EXPECT_EQ(model.GetVariation(when, CPosition(std::nan(""), 0.0)), 0.0);
    EXPECT_EQ(model.GetVariation(year_month_day{year{2025}, month{2}, day{30}}, CPosition(0, 0)), 0.0);
}

TEST(Geomag, VariationText)
{
    brine_test::TempFolder folder;
    const struct { double declination; const char* text; } rows[] = {
        {-3.5, " 3\u00B030.0'W"},
        {12.25, "12\u00B015.0'E"},
        {12.9999, "13\u00B00.0'E"},   // 59.994 minutes carry into the degrees
    };
    for (const auto& r : rows) {
        const double h11 = -30000.0 * std::tan(r.declination * M_PI / 180.0);
        WriteModel(folder.Path() / "igrf2025.dat", 2025, -30000.0, h11, 0.0);
        CGeomag model(nullptr, [] { return 2025; });
        ASSERT_TRUE(model.LoadModel(folder.Path()));
        EXPECT_EQ(model.FormatVariation(year_month_day{year{2025}, month{1}, day{1}}, CPosition(0, 0)), r.text);
    }
}

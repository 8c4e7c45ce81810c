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

// The file looked for is the one of the current five-year epoch, and the day
// count gives leap years their extra day from March on (1900 had none).
TEST(Geomag, ModelFileOfTheEpochAndTheDecimalYear)
{
    EXPECT_EQ(CGeomag::ModelFileName(2025), "igrf2025.dat");
    EXPECT_EQ(CGeomag::ModelFileName(2026), "igrf2025.dat");
    EXPECT_EQ(CGeomag::ModelFileName(2029), "igrf2025.dat");
    EXPECT_EQ(CGeomag::ModelFileName(2030), "igrf2030.dat");
    EXPECT_DOUBLE_EQ(CGeomag::DecimalYear(2000, 3, 1), 2000.0 + (60.0 + 1.0 + 1.0 - 1.0) / 366.0);
    EXPECT_DOUBLE_EQ(CGeomag::DecimalYear(1900, 3, 1), 1900.0 + 60.0 / 365.0);
    EXPECT_DOUBLE_EQ(CGeomag::DecimalYear(2000, 2, 1), 2000.0 + 32.0 / 365.0);
    EXPECT_DOUBLE_EQ(CGeomag::DecimalYear(2026, 1, 1), 2026.0 + 1.0 / 365.0);   // day 1 counts
    EXPECT_DOUBLE_EQ(CGeomag::DecimalYear(2024, 12, 31), 2025.0);   // 366 / 366

    // In 2030 the 2025 model is not the current epoch's: unavailable, and the
    // first request (the epoch read being 0) reports it out of date as well.
    FakeNotices notices;
    CGeomag model(&notices, [] { return 2030; });
    EXPECT_FALSE(model.LoadModel(kBinDir));
    EXPECT_EQ(notices.unavailable, 1);
    EXPECT_EQ(notices.outOfDate, 0);
    EXPECT_EQ(
        model.GetVariation(year_month_day{year{2030}, month{1}, day{5}}, CPosition(47.7, -122.5)),
        geo::kUndefinedVariation);
    EXPECT_EQ(notices.outOfDate, 1);
}

// A 2020 model read in 2025 is out of date from the first request on, not
// before; a 2025 model read in 2029 is not.
TEST(Geomag, OutOfDateFromTheFirstRequestInTheFifthYear)
{
    brine_test::TempFolder folder;
    WriteModel(folder / "igrf2020.dat", 2020, 0.0, 0.0);
    FakeNotices notices;
    CGeomag old(&notices, [] { return 2025; });
    ASSERT_TRUE(old.LoadModelFile(folder / "igrf2020.dat"));
    EXPECT_EQ(notices.outOfDate, 0);
    old.GetVariation(year_month_day{year{2025}, month{1}, day{1}}, CPosition(0, 0));
    EXPECT_EQ(notices.outOfDate, 1);

    FakeNotices fresh;
    CGeomag current(&fresh, [] { return 2029; });
    ASSERT_TRUE(current.LoadModel(kBinDir));
    current.GetVariation(year_month_day{year{2029}, month{12}, day{31}}, CPosition(0, 0));
    EXPECT_EQ(fresh.outOfDate, 0);
}

// A field pointing within a hair of due south (north component plus the
// horizontal field under 200 nT) is taken as due south: 180 degrees.
TEST(Geomag, AFieldAlmostDueSouthIsTakenAsSouth)
{
    brine_test::TempFolder folder;
    {
        // g(1,0) = +30000 reverses the dipole, so at 0N 0E the field points
        // south; h(1,1) = -100 turns it 0.19 degrees towards the east.
        std::ofstream out(folder / "igrf2025.dat");
        out << "reversed dipole               2025\n";
        char line[80];
        for (int n = 1; n <= 10; ++n)
            for (int m = 0; m <= n; ++m) {
                std::snprintf(line, sizeof line, "%2d%2d%8.1f%8.2f%8.2f%8.2f", m, n,
                              n == 1 && m == 0 ? 30000.0 : 0.0, n == 1 && m == 1 ? -100.0 : 0.0,
                              0.0, 0.0);
                out << line << "\n";
            }
    }
    CGeomag model(nullptr, [] { return 2025; });
    ASSERT_TRUE(model.LoadModel(folder.Path()));
    double x = 0, y = 0, z = 0;
    model.SetDate(year_month_day{year{2025}, month{1}, day{1}});
    model.Synthesise(0.0, 0.0, &x, &y, &z);
    ASSERT_LT(x, 0.0);
    ASSERT_LT(x + std::hypot(x, y), 200.0);
    EXPECT_NEAR(model.GetVariation(year_month_day{year{2025}, month{1}, day{1}}, CPosition(0, 0)),
                180.0, 1e-9);
}

// The 2025 model at dates of its own epoch against an independent synthesis
// of the same coefficients (the potential summed from the Legendre functions'
// explicit form and differentiated numerically, on the WGS 84 ellipsoid).
TEST(Geomag, CurrentModelAgreesWithAnIndependentSynthesis)
{
    struct Row {
        int y;
        unsigned m, d;
        double lat, lon, declination;
    };
    const Row rows[] = {
        {2026, 7, 2, 47.60, -122.30, 14.9222},  {2026, 7, 2, 50.90, -1.40, 0.7577},
        {2026, 7, 2, -33.90, 151.20, 12.8284},  {2027, 1, 15, 64.10, -21.90, -10.9447},
        {2025, 3, 1, -22.90, -43.20, -22.9622}, {2028, 12, 31, 35.70, 139.70, -8.0493},
        {2029, 6, 30, -60.00, 60.00, -64.2382}, {2026, 7, 2, 80.00, 90.00, 47.9374},
    };
    for (const Row& r : rows) {
        CGeomag model(nullptr, [&] { return r.y; });
        ASSERT_TRUE(model.LoadModel(kBinDir));
        EXPECT_NEAR(model.GetVariation(year_month_day{year{r.y}, month{r.m}, day{r.d}},
                                       CPosition(r.lat, r.lon)),
                    r.declination, 0.02)
            << r.y << " " << r.lat << "," << r.lon;
    }
}

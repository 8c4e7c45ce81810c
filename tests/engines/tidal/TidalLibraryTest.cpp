// The library's four calls on small written models: result codes, untouched
// outputs on errors, complex interpolation, files refused with their code,
// and sums against the harmonic database's own astronomy tables.

#include "engines/tidal/TidalLibrary.h"
#include "TestModels.h"
#include "engines/tidal/TidalModel.h"

#include <gtest/gtest.h>
#include <tcd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <set>

#include <zlib.h>

namespace {

using tidal::CellQuality;

struct Words {
    std::int16_t w[5] = {1234, 1234, 1234, 1234, 1234};
    bool Untouched() const
    {
        for (auto v : w)
            if (v != 1234)
                return false;
        return true;
    }
};

std::int16_t Predict(double lat, double lon, int year, int month, int day, int hour, Words& out,
                     int mode = 1, int minute = 0)
{
    const std::int32_t la = std::int32_t(lat * 1e7), lo = std::int32_t(lon * 1e7);
    return DoPrediction(mode, &la, &lo, day, month, year, hour, minute, 0, 0, &out.w[0], &out.w[1],
                        &out.w[2], &out.w[3], &out.w[4]);
}

class TidalLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = tidaltest::FreshFolder("lib");
        ASSERT_EQ(SetPath(folder.c_str()), 0);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::int16_t Use(const std::string& title)
    {
        return SetDataFileName((title + ".tid").c_str(), (title + ".dat").c_str());
    }
    std::filesystem::path folder;
};

TEST_F(TidalLibrary, CodesForEveryKindOfPlace)
{
    // 5 x 5 cells from 48.00 N, 123.00 W; 0.01 degree apart.
    auto d = tidaltest::BlankModel(5, 5, CellQuality::Station);
    auto cell = [&d](int r, int c) -> tidal::ModelCell& { return d.cells[std::size_t(r) * 5 + c]; };
    cell(0, 4).quality = CellQuality::Land;
    cell(2, 1).quality = CellQuality::Interpolated;
    cell(3, 3).quality = CellQuality::Marginal;
    cell(4, 0).quality = CellQuality::Remote;
    for (auto& c : d.cells)
        c.height[0] = {1.0f, 0.0f};
    tidaltest::Write(folder, "grid", tidaltest::HeaderFor(d, 48.0, -123.0), d);
    ASSERT_EQ(Use("grid"), 0);

    Words w;
    EXPECT_EQ(Predict(48.0, -123.0, 2030, 6, 1, 12, w, 2), 8);
    EXPECT_EQ(Predict(48.0, -123.0, 2030, 6, 1, 12, w, 0), 8);
    EXPECT_EQ(Predict(47.99, -123.0001, 2030, 6, 1, 12, w), 3);
    EXPECT_EQ(Predict(47.99, -122.9599, 2030, 6, 1, 12, w), 3);
    EXPECT_EQ(Predict(48.0001, -122.98, 2030, 6, 1, 12, w), 4);
    EXPECT_EQ(Predict(47.9599, -122.98, 2030, 6, 1, 12, w), 4);
    EXPECT_EQ(Predict(47.999, -122.961, 2030, 6, 1, 12, w), 9);   // own cell (0,4) is land
    EXPECT_EQ(Predict(2030 > 0 ? 47.96 : 0, -123.0, 2150, 6, 1, 12, w), 13);
    EXPECT_EQ(Predict(47.98, -122.98, 1999, 12, 31, 23, w), 13);
    EXPECT_EQ(Predict(47.98, -122.98, 2030, 2, 30, 12, w), 13);
    EXPECT_TRUE(w.Untouched());

    EXPECT_EQ(Predict(47.99, -122.99, 2030, 6, 1, 12, w), 0);   // a station cell's centre
    EXPECT_FALSE(w.Untouched());
    EXPECT_EQ(Predict(47.975, -122.985, 2030, 6, 1, 12, w), -1);   // beside (2,1)
    EXPECT_EQ(Predict(47.975, -122.965, 2030, 6, 1, 12, w), -2);   // beside (3,3)
    EXPECT_EQ(Predict(47.965, -122.995, 2030, 6, 1, 12, w), -3);   // beside (4,0)
    // Land next to the position: it is left out, the water cells share its weight.
    EXPECT_EQ(Predict(47.995, -122.965, 2030, 6, 1, 12, w), 0);
}

TEST_F(TidalLibrary, StreamsInterpolateAsComplexNumbers)
{
    // Two neighbouring columns whose east streams are in opposition: halfway
    // between them the stream cancels at every instant. Interpolating
    // amplitude and phase apart would give a full-strength stream there.
    auto d = tidaltest::BlankModel(3, 3);
    for (int r = 0; r < 3; ++r) {
        d.cells[std::size_t(r) * 3 + 0].east[0] = {1.0f, 10.0f};
        d.cells[std::size_t(r) * 3 + 1].east[0] = {1.0f, 190.0f};
        d.cells[std::size_t(r) * 3 + 2].east[0] = {1.0f, 190.0f};
    }
    tidaltest::Write(folder, "opp", tidaltest::HeaderFor(d, 48.0, -123.0), d);
    ASSERT_EQ(Use("opp"), 0);
    double strongest = 0;
    for (int hour = 0; hour < 24; ++hour) {
        Words w;
        ASSERT_EQ(Predict(47.99, -122.995, 2030, 3, 1, hour, w), 0);
        EXPECT_LE(std::abs(w.w[3]), 1) << hour;
        ASSERT_EQ(Predict(47.99, -123.0, 2030, 3, 1, hour, w), 0);
        strongest = std::max(strongest, double(w.w[3]));
    }
    EXPECT_GT(strongest, 800);   // a full metre per second times f, at the cell itself
}

TEST_F(TidalLibrary, DirectionIsWhereTheStreamRunsTo)
{
    auto d = tidaltest::BlankModel(3, 3);
    for (auto& c : d.cells) {
        c.meanEast = 0.5f;   // a steady set to the east...
        c.meanNorth = -0.5f;   // ...and south: south-east, 135 degrees
    }
    tidaltest::Write(folder, "steady", tidaltest::HeaderFor(d, 48.0, -123.0), d);
    ASSERT_EQ(Use("steady"), 0);
    Words w;
    ASSERT_EQ(Predict(47.99, -122.99, 2030, 3, 1, 0, w), 0);
    EXPECT_EQ(w.w[4], 1350);
    EXPECT_EQ(w.w[3], 707);
    EXPECT_EQ(w.w[1], 500);
    EXPECT_EQ(w.w[2], -500);
    EXPECT_EQ(w.w[0], 0);
}

TEST_F(TidalLibrary, ResultsThatDoNotFitAWordAreRefused)
{
    auto d = tidaltest::BlankModel(3, 3);
    for (auto& c : d.cells)
        c.meanHeight = 40.0f;   // 40,000 mm
    tidaltest::Write(folder, "deep", tidaltest::HeaderFor(d, 48.0, -123.0), d);
    ASSERT_EQ(Use("deep"), 0);
    Words w;
    EXPECT_EQ(Predict(47.99, -122.99, 2030, 3, 1, 0, w), 11);
    EXPECT_TRUE(w.Untouched());
}

TEST_F(TidalLibrary, BadFilesAreRefusedAndThePreviousModelStays)
{
    auto d = tidaltest::BlankModel(4, 4);
    for (auto& c : d.cells)
        c.meanHeight = 0.25f;
    const auto h = tidaltest::HeaderFor(d, 48.0, -123.0);
    tidaltest::Write(folder, "good", h, d);
    ASSERT_EQ(Use("good"), 0);

    auto bytesOf = [this](const std::string& name) {
        std::ifstream in(folder / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    auto put = [this](const std::string& name, const std::string& bytes) {
        std::ofstream(folder / name, std::ios::binary | std::ios::trunc) << bytes;
    };
    const std::string dat = bytesOf("good.dat");
    std::filesystem::copy_file(folder / "good.tid", folder / "bad.tid");

    // Every cut of the data file, and a flipped byte anywhere, is refused.
    for (std::size_t cut = 0; cut < dat.size(); cut += 7) {
        put("bad.dat", dat.substr(0, cut));
        ASSERT_EQ(Use("bad"), 6) << "cut at " << cut;
    }
    for (std::size_t at = 0; at < dat.size(); at += 5) {
        std::string flipped = dat;
        flipped[at] = char(flipped[at] ^ 0x10);
        put("bad.dat", flipped);
        ASSERT_EQ(Use("bad"), 6) << "flip at " << at;
    }
    // A data file for another grid.
    auto other = tidaltest::BlankModel(5, 4);
    tidaltest::Write(folder, "wrong", tidaltest::HeaderFor(other, 48.0, -123.0), other);
    std::filesystem::copy_file(folder / "good.tid", folder / "wrong.tid",
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(Use("wrong"), 6);
    // Header lines that are not a grid.
    put("bad.dat", dat);
    for (const char* text : {"x 10\n0.1 0.05 -6 52\n", "x 4 4\nnan 0.01 -123 48\n",
                             "x 4 4\n0.01 -0.01 -123 48\n", "x 4 4\n0.01 0.01 -123\n", "x 4 4\n",
                             "x 4,0 4\n0.01 0.01 -123 48\n", "x 2 4\n0.01 0.01 -123 48\n"}) {
        put("bad.tid", text);
        EXPECT_EQ(Use("bad"), 2) << text;
    }
    EXPECT_EQ(Use("missing"), 1);
    put("nodat.tid", bytesOf("good.tid"));
    EXPECT_EQ(Use("nodat"), 5);
    EXPECT_EQ(SetDataFileName("../good.tid", "good.dat"), 1);
    // A constituent we do not know.
    auto unknown = tidaltest::BlankModel(4, 4, CellQuality::Station, {"M2", "ZZ9"});
    tidaltest::Write(folder, "unknown", h, unknown);
    EXPECT_EQ(Use("unknown"), 7);

    // After all that the first model still answers.
    Words w;
    ASSERT_EQ(Predict(47.99, -122.99, 2030, 3, 1, 0, w), 0);
    EXPECT_EQ(w.w[0], 250);
}

TEST_F(TidalLibrary, EbbsRunTowardsTheirOwnDirectionAndOlderFilesStillRead)
{
    // An M2 stream of 1 m/s along a flood to the north whose ebb runs to 210,
    // not 180: 30 degrees clockwise of the flood's opposite.
    auto d = tidaltest::BlankModel(3, 3);
    for (auto& c : d.cells) {
        c.north[0] = {1.0f, 0.0f};
        c.floodDirection = 0.0f;
        c.ebbTurn = 30.0f;
    }
    const auto h = tidaltest::HeaderFor(d, 48.0, -123.0);
    tidaltest::Write(folder, "ebb", h, d);
    // The same model in the layout written before ebbs had a direction.
    const auto old = tidal::SerialiseModelDataVersion1(d);
    std::filesystem::copy_file(folder / "ebb.tid", folder / "old.tid");
    std::ofstream(folder / "old.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(old.data()), std::streamsize(old.size()));

    auto directions = [](std::set<int>& seen) {
        for (int hour = 0; hour < 13; ++hour) {
            Words w;
            ASSERT_EQ(Predict(47.99, -122.99, 2030, 3, 1, hour, w), 0);
            if (w.w[3] > 300)
                seen.insert(w.w[4]);
        }
    };
    std::set<int> now, before;
    ASSERT_EQ(Use("ebb"), 0);
    directions(now);
    EXPECT_EQ(now, (std::set<int>{0, 2100}));
    ASSERT_EQ(Use("old"), 0);
    directions(before);
    EXPECT_EQ(before, (std::set<int>{0, 1800}));

    // A version this library does not know is refused, not misread.
    auto future = tidal::SerialiseModelData(d);
    future[4] = 3;
    const auto crc = crc32(0L, future.data(), uInt(future.size() - 4));
    for (int i = 0; i < 4; ++i)
        future[future.size() - 4 + i] = std::uint8_t(crc >> (8 * i));
    std::filesystem::copy_file(folder / "ebb.tid", folder / "future.tid");
    std::ofstream(folder / "future.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(future.data()), std::streamsize(future.size()));
    EXPECT_EQ(Use("future"), 6);
}

TEST_F(TidalLibrary, AStationsOwnPositionGetsItsOwnSum)
{
    // 5 x 5 cells from 48.00 N, 123.00 W, 0.01 degree apart (1.1 km north,
    // 0.74 km east); the grid's tide is 1 m of M2 everywhere and it has no
    // stream. A tide gauge stands on the land cell (2,2) with 2 m; a stream
    // station between cells runs 1 m/s east.
    auto d = tidaltest::BlankModel(5, 5, CellQuality::Interpolated);
    for (auto& c : d.cells)
        c.height[0] = {1.0f, 0.0f};
    d.cells[2 * 5 + 2].quality = CellQuality::Land;
    tidal::ModelStation gauge;
    gauge.kind = tidal::ModelStation::Kind::Tide;
    gauge.latitude = 47.98;
    gauge.longitude = -122.98;
    gauge.row = 2;
    gauge.column = 3;
    gauge.constants = d.cells[0];
    gauge.constants.height[0] = {2.0f, 0.0f};
    tidal::ModelStation stream = gauge;
    stream.kind = tidal::ModelStation::Kind::Stream;
    stream.latitude = 47.9751;
    stream.longitude = -122.9637;
    stream.row = 2;
    stream.column = 4;
    stream.constants.height[0] = {};
    stream.constants.east[0] = {1.0f, 0.0f};
    stream.constants.floodDirection = 90.0f;
    const auto h = tidaltest::HeaderFor(d, 48.0, -123.0);
    tidaltest::Write(folder, "bare", h, d);
    d.stations = {gauge, stream};
    tidaltest::Write(folder, "stations", h, d);

    // Near high water, far from both stations the grid's own metre.
    Words far, w;
    ASSERT_EQ(Use("stations"), 0);
    int hour = 0;
    for (; hour < 13; ++hour) {
        ASSERT_EQ(Predict(47.96, -123.0, 2030, 3, 1, hour, far), -1);
        if (far.w[0] > 800)
            break;
    }
    ASSERT_LT(hour, 13);
    EXPECT_EQ(far.w[3], 0);

    // The gauge's own position answers with the gauge, though its cell is land.
    ASSERT_LE(Predict(47.98, -122.98, 2030, 3, 1, hour, w), 0);
    EXPECT_NEAR(w.w[0], 2 * far.w[0], 2);
    // The stream station's position: its stream, and code 0.
    ASSERT_EQ(Predict(47.9751, -122.9637, 2030, 3, 1, hour, w), 0);
    EXPECT_NEAR(w.w[1], far.w[0], 2);   // the same M2 term, 1 m/s east
    EXPECT_EQ(w.w[4], 900);
    // 0.7 km from it: part station, part grid, and no longer code 0.
    ASSERT_EQ(Predict(47.9751, -122.9730, 2030, 3, 1, hour, w), -1);
    EXPECT_GT(w.w[3], 50);
    EXPECT_LT(w.w[3], far.w[0] - 50);

    // Without the stations the gauge's position is land, the stream the grid's.
    ASSERT_EQ(Use("bare"), 0);
    EXPECT_EQ(Predict(47.98, -122.98, 2030, 3, 1, hour, w), 9);
    ASSERT_EQ(Predict(47.9751, -122.9637, 2030, 3, 1, hour, w), -1);
    EXPECT_EQ(w.w[3], 0);
}

// A station's weight follows the ground distance to it, a degree of
// longitude counting cos(latitude) of a degree of latitude: a position 0.9 km
// north of a stream station and one 0.9 km west of it get the same share of
// its stream, the share the inverse-distance weights give.
TEST_F(TidalLibrary, StationsWeighByGroundDistanceEveryWay)
{
    // 5 x 5 water cells from 48.00 N, 123.00 W with 1 m of M2 tide and no
    // stream; one stream station in the middle runs 1 m/s of M2 east.
    auto d = tidaltest::BlankModel(5, 5, CellQuality::Interpolated);
    for (auto& c : d.cells)
        c.height[0] = {1.0f, 0.0f};
    tidal::ModelStation stream;
    stream.kind = tidal::ModelStation::Kind::Stream;
    stream.latitude = 47.98;
    stream.longitude = -122.98;
    stream.row = 2;
    stream.column = 2;
    stream.constants = d.cells[0];
    stream.constants.height[0] = {};
    stream.constants.east[0] = {1.0f, 0.0f};
    stream.constants.floodDirection = 90.0f;
    d.stations = {stream};
    tidaltest::Write(folder, "station", tidaltest::HeaderFor(d, 48.0, -123.0), d);
    ASSERT_EQ(Use("station"), 0);

    // An hour the station runs fast.
    Words at;
    int hour = 0;
    for (; hour < 13; ++hour) {
        ASSERT_EQ(Predict(47.98, -122.98, 2030, 3, 1, hour, at), 0);
        if (at.w[3] > 800)
            break;
    }
    ASSERT_LT(hour, 13);

    // The grid weighs 1/R^2, the station ((R - d) / (R d))^2 at d km, R the reach.
    const double km = 0.9, reach = tidal::kStationReachKm;
    const double station = std::pow((reach - km) / (reach * km), 2);
    const double share = station / (station + 1.0 / (reach * reach));
    const double kmPerDegree = 111.2;
    const double north = 47.98 + km / kmPerDegree;
    const double west = -122.98 - km / (kmPerDegree * std::cos(47.98 * M_PI / 180.0));
    Words n, w;
    ASSERT_EQ(Predict(north, -122.98, 2030, 3, 1, hour, n), -1);
    ASSERT_EQ(Predict(47.98, west, 2030, 3, 1, hour, w), -1);
    EXPECT_NEAR(n.w[3], share * at.w[3], 3);
    EXPECT_NEAR(w.w[3], share * at.w[3], 3)
        << "west weighs as " << w.w[3] << " mm/s, north " << n.w[3];
    // The grid has no stream: the station's sets the direction.
    EXPECT_EQ(n.w[4], at.w[4]);
    EXPECT_EQ(w.w[4], at.w[4]);
}

TEST_F(TidalLibrary, HeaderExampleAndPathAndInfo)
{
    tidal::ModelHeader h;
    ASSERT_EQ(tidal::ParseModelHeader("x   10 12\n0.1 0.05  -6.0 52.0\n", h), 0);
    EXPECT_EQ(h.rows, 10);
    EXPECT_EQ(h.columns, 12);
    EXPECT_DOUBLE_EQ(h.lonStep, 0.1);
    EXPECT_DOUBLE_EQ(h.latStep, 0.05);
    EXPECT_DOUBLE_EQ(h.west, -6.0);
    EXPECT_DOUBLE_EQ(h.north, 52.0);
    EXPECT_NE(SetPath((folder / "nowhere").c_str()), 0);
    EXPECT_NE(SetPath(""), 0);
    EXPECT_EQ(SetPath((folder.string() + "/").c_str()), 0);
    char a[80], b[80];
    DLLInfo(a, b);
    EXPECT_GT(std::strlen(a), 0u);
    EXPECT_LT(std::strlen(b), 80u);
}

// Sums of a station's constants through the library against the same sums
// made with the harmonic database's own speeds, equilibrium arguments and
// node factors, hour by hour across a new year.
TEST_F(TidalLibrary, SumsAgreeWithTheDatabaseTablesAcrossANewYear)
{
    const char* db = "/usr/share/xtide/harmonics-dwf-20191229-free.tcd";
    if (!std::filesystem::exists(db))
        GTEST_SKIP() << "xtide-data is not installed";
    ASSERT_TRUE(open_tide_db(const_cast<char*>(db)));
    const int start = get_tide_db_header().start_year;
    const char* names[] = {"M2", "S2", "N2", "K1", "O1", "M4", "MF", "SA"};
    const float amplitude[] = {1.2f, 0.3f, 0.25f, 0.8f, 0.45f, 0.05f, 0.03f, 0.1f};
    const float phase[] = {30.0f, 80.0f, 10.0f, 200.0f, 150.0f, 300.0f, 45.0f, 270.0f};
    auto d = tidaltest::BlankModel(3, 3, CellQuality::Station,
                                   {"M2", "S2", "N2", "K1", "O1", "M4", "MF", "SA"});
    for (auto& c : d.cells)
        for (int k = 0; k < 8; ++k) {
            c.height[std::size_t(k)] = {amplitude[k], phase[k]};
            c.north[std::size_t(k)] = {amplitude[k] / 2, phase[k] + 90.0f};
        }
    tidaltest::Write(folder, "sum", tidaltest::HeaderFor(d, 48.0, -123.0), d);
    ASSERT_EQ(Use("sum"), 0);

    double worstHeight = 0, worstNorth = 0;
    for (int step = 0; step < 72; ++step) {
        // 2029-12-31 00:00 UTC and on, hour by hour.
        const int day = 31 + step / 24, hour = step % 24;
        const int year = day > 31 ? 2030 : 2029, dom = day > 31 ? day - 31 : 31;
        const int month = day > 31 ? 1 : 12;
        const double hoursIntoYear = year == 2029 ? 364 * 24 + hour : (dom - 1) * 24 + hour;
        double height = 0, north = 0;
        for (int k = 0; k < 8; ++k) {
            const int i = find_constituent(const_cast<char*>(names[k]));
            const double arg = get_speed(i) * hoursIntoYear + get_equilibrium(i, year - start);
            const double f = get_node_factor(i, year - start);
            height += amplitude[k] * f * std::cos((arg - phase[k]) * M_PI / 180);
            north += amplitude[k] / 2 * f * std::cos((arg - phase[k] - 90.0) * M_PI / 180);
        }
        Words w;
        ASSERT_EQ(Predict(47.99, -122.99, year, month, dom, hour, w), 0);
        worstHeight = std::max(worstHeight, std::fabs(w.w[0] - height * 1000));
        worstNorth = std::max(worstNorth, std::fabs(w.w[2] - north * 1000));
    }
    close_tide_db();
    EXPECT_LT(worstHeight, 2.0);   // mm: rounding plus the tables' 0.01 degree steps
    EXPECT_LT(worstNorth, 2.0);
}

}   // namespace

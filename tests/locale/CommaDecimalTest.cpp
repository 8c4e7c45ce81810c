// Numbers in chart files, sentences, tables, settings and tool output under a
// comma-decimal locale. The program runs under the user's locale (Qt switches
// the C library to it at start-up); every number that is read from or written
// to a file, a sentence or the settings must still use a point.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "ChartSetWriter.h"
#include "TempFolder.h"
#include "app/Registry.h"
#include "app/StringUtils.h"
#include "charts/hcrf/ChartPanel.h"
#include "db/DBInterface.h"
#include "geo/DatumInfo.h"
#include "geo/NavMaths.h"
#include "geo/Position.h"
#include "nmea/NMEAMessageParser.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"

namespace {

constexpr const char* kCommaLocale = "de_DE.UTF-8";

class CommaDecimal : public ::testing::Test {
protected:
    static void SetUpTestSuite() { switched = std::setlocale(LC_ALL, kCommaLocale) != nullptr; }
    static void TearDownTestSuite() { std::setlocale(LC_ALL, "C"); }

    void SetUp() override
    {
        // A missing locale is a broken test machine, not a pass: scripts/deps.sh generates it.
        ASSERT_TRUE(switched) << kCommaLocale << " is not generated on this machine";
        ASSERT_STREQ(std::localeconv()->decimal_point, ",");
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 2.5);
        ASSERT_STREQ(probe, "2,5");   // the C library itself now writes commas
    }

    static bool switched;
};
bool CommaDecimal::switched = false;

std::string BinFolder()
{
    const char* bin = std::getenv("BRINE_BIN_DIR");
    return bin ? bin : ".";
}

TEST_F(CommaDecimal, ChartPanelsConvertPixelsToPositions)
{
    ASSERT_TRUE(geo::CDatumInfo::LoadTable(BinFolder()));
    brine_test::TempFolder folder;
    hcrftool::ChartParameters p;
    const unsigned width = 400, height = 300;
    hcrftool::WrittenChart written;
    std::string error;
    ASSERT_TRUE(hcrftool::WriteChartSet(hcrftool::GeneratePicture(width, height), p, folder.Path(),
                                        written, error))
        << error;
    charts::hcrf::CPanelLookups lookups;
    lookups.Load(folder.Path());
    charts::hcrf::CPanel panel;
    ASSERT_TRUE(panel.Load(written.chartFile, 0, {}, lookups, false, &error)) << error;
    for (const auto& [x, y] : {std::pair{100, 100}, {0, 0}, {399, 299}}) {
        const auto position = panel.SubPanel(0).PointToPosition({x, y});
        ASSERT_TRUE(position);
        const auto [lat, lon] = hcrftool::PixelToLatLon(p, width, height, x, y);
        EXPECT_NEAR(position->GetLatitude(), lat, 1.0 / 3600) << x << "," << y;
        EXPECT_NEAR(position->GetLongitude(), lon, 1.0 / 3600) << x << "," << y;
    }
}

TEST_F(CommaDecimal, SentencesStoreTheirNumbers)
{
    const platform::CSystemClock clock;
    nmea::CNMEAGPSParser parser(clock, 5);
    ASSERT_TRUE(
        parser.ParseLine("$GPRMC,123519.50,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"));
    EXPECT_EQ(parser.Value(nmea::item::Latitude).GetDouble(), -4807.038);
    EXPECT_EQ(parser.Value(nmea::item::PositionTime).GetDouble(), 123519.5);
    EXPECT_EQ(parser.Value(nmea::item::SpeedOverGroundKnots).GetDouble(), 22.4);
    EXPECT_EQ(parser.Value(nmea::item::MagneticVariation).GetDouble(), -3.1);
}

TEST_F(CommaDecimal, PositionsAndStringHelpersWriteAPoint)
{
    const geo::CPosition p(50.508333, -1.25);
    EXPECT_EQ(p.FormatLatDM(3), "50\xC2\xB0"
                                "30.500'N");
    EXPECT_EQ(app::FormatDouble(-12.345, 2, 8), "  -12.35");
    EXPECT_EQ(app::StringToDouble("12.5"), 12.5);
    bool bad = true;
    EXPECT_EQ(app::StringToDoubleChecked("-0.125", bad), -0.125);
    EXPECT_FALSE(bad);
}

// A numeric field written and read through the table layer, and the bytes on disc.
TEST_F(CommaDecimal, TableNumbersKeepTheirDecimals)
{
    class CDBNumbers : public CDBInterface {
    public:
        CDBNumbers() { m_fieldList.Add("LAT", 'F', 10, 5); }
        using CDBInterface::Field;
    };
    brine_test::TempFolder dir;
    const std::string path = dir / "numbers";
    {
        CDBNumbers t;
        t.SetFilePath(path);
        ASSERT_TRUE(t.Open());
        ASSERT_TRUE(t.AppendNew());
        ASSERT_EQ(t.Field("LAT").AssignDouble(-12.34567, 10, 5), 0);
        EXPECT_EQ(t.Field("LAT").Str(), " -12.34567");
        ASSERT_TRUE(t.FlushIfOpen());
        ASSERT_TRUE(t.Close());
    }
    std::ifstream file(path + ".dbf", std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    EXPECT_NE(bytes.str().find(" -12.34567"), std::string::npos);
    CDBNumbers t;
    t.SetFilePath(path);
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(t.GoBottom());
    EXPECT_EQ(t.Field("LAT").AsDouble(), -12.34567);
}

TEST_F(CommaDecimal, SettingsDoublesRoundTrip)
{
    brine_test::TempFolder dir;
    platform::CSettingsStore store(dir / "settings.conf");
    app::CRegistry reg(store);
    ASSERT_TRUE(reg.OpenKeyForWrite("Software\\Test"));
    ASSERT_TRUE(reg.WriteDouble("Scale", 2.5));
    ASSERT_TRUE(reg.WriteDouble("Tiny", 1.25e-9));
    EXPECT_EQ(store.GetString("Software\\Test", "Scale"), "2.5");
    ASSERT_TRUE(reg.WriteString("Written", "-3.25"));
    double scale = 0, tiny = 0, written = 0;
    ASSERT_TRUE(reg.ReadDouble("Scale", scale) && reg.ReadDouble("Tiny", tiny) &&
                reg.ReadDouble("Written", written));
    EXPECT_EQ(scale, 2.5);
    EXPECT_EQ(tiny, 1.25e-9);
    EXPECT_EQ(written, -3.25);
}

// The tool takes the locale from its environment, as the program does.
TEST_F(CommaDecimal, NavcalcReadsAndWritesPoints)
{
    const auto run = [](const std::string& args, int* status, const char* locale = kCommaLocale) {
        const std::string command = "LC_ALL=" + std::string(locale) + " " + BinFolder() +
                                    "/navcalc " + args + " 2>/dev/null";
        std::string out;
        if (FILE* pipe = ::popen(command.c_str(), "r")) {
            char buf[256];
            while (std::fgets(buf, sizeof buf, pipe))
                out += buf;
            *status = ::pclose(pipe);
        }
        return out;
    };
    int status = -1;
    EXPECT_EQ(run("dest 30 3 1 100", &status), "29.99709888\n3.01890256\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(run("dest 30.5 -3.25 0.5 45.5", &status).find(','), std::string::npos);
    EXPECT_EQ(status, 0);
    const std::string rhumb = run("rhumb 50.5 -1.25 51 2.5", &status);
    EXPECT_EQ(rhumb, run("rhumb 50.5 -1.25 51 2.5", &status, "C"));
    EXPECT_EQ(rhumb.find(','), std::string::npos);
    run("dest 30,5 3 1 100", &status);   // a comma is no decimal point on the command line
    EXPECT_NE(status, 0);
}

}   // namespace

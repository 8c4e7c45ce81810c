// The chartpoint upload through the GPS device to a pseudo-terminal, read on
// the instrument's end with pynmea2: the chosen rows in the current order
// with their numbers, positions as stored, checksums exactly when asked,
// awkward names still parsing, 600 waypoints in order past the device's
// staging, and a port that went away reported as nothing sent.
#include "chartpoints/ChartpointModule.h"
#include "chartpoints/GpsWaypointTransmitter.h"

#include "geo/DatumInfo.h"
#include "nmea/GPSModule.h"
#include "nmea/PortList.h"
#include "platform/Clock.h"

#include "../nmea/PtyGps.h"
#include "ChartpointFakes.h"
#include "PythonScript.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

using namespace std::chrono_literals;
using namespace chartpoints;

namespace {

class UploadPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(link.Start(dir.Path(), settings, clock));
        module = std::make_unique<CChartpointModule>(settings, prompt, dir.Path());
        ASSERT_TRUE(module->Initialise());
        module->SetUi(&panel);
        module->SetTransmitter(&transmitter);
        ASSERT_TRUE(module->OpenDatabase((dir / "Chartpoints" / "Upload").string()));
    }
    void TearDown() override
    {
        if (module)
            module->CloseDatabase(true);
        link.Stop();
    }
    void Add(const std::string& name, const std::string& id, double lat, double lon)
    {
        if (!module->IsEditMode())
            module->OnEdit();
        module->OnNew();
        panel.edited = module->Current();
        panel.edited.m_name = name;
        panel.edited.m_id = id;
        panel.edited.m_position = geo::CPosition(lat, lon, 0.0, geo::DatumIndexWGS84());
        panel.modified = true;
        ASSERT_TRUE(module->OnApply());
    }
    // The lines the instrument end received until `last` is among them.
    std::string ReadUntil(const std::string& last, std::chrono::milliseconds limit)
    {
        std::string got;
        const auto until = std::chrono::steady_clock::now() + limit;
        while (got.find(last) == std::string::npos && std::chrono::steady_clock::now() < until)
            got += link.pty->Receive(1 << 16, 20ms);
        got += link.pty->Receive(1 << 16, 100ms);
        return got;
    }
    // pynmea2's reading of every WPL line: "id|lat|lon|has checksum".
    std::vector<std::string> ReadWithPynmea2(const std::string& lines)
    {
        const auto out = brine_test::RunPython(
            "import pynmea2\n" + brine_test::PythonAsciiData(lines) +
            "for line in data.split('\\r\\n'):\n"
            "    if not line: continue\n"
            // A line sent without a checksum (the user's choice) is read with
            // the one a peer would compute, so every line is checked.
            "    body = line if '*' in line else '%s*%02X' % (line, "
            "pynmea2.NMEASentence.checksum(line[1:]))\n"
            "    m = pynmea2.parse(body, check=True)\n"
            "    assert m.sentence_type == 'WPL', line\n"
            "    lat = (int(m.lat[:2]) + float(m.lat[2:]) / 60) * (-1 if m.lat_dir == 'S' else 1)\n"
            "    lon = (int(m.lon[:3]) + float(m.lon[3:]) / 60) * (-1 if m.lon_dir == 'W' else 1)\n"
            "    print(m.waypoint_id, repr(lat), repr(lon), '*' in line, sep='|')\n");
        EXPECT_TRUE(out) << "pynmea2 refused:\n" << lines;
        return out ? brine_test::SplitLines(*out) : std::vector<std::string>{};
    }
    static std::vector<std::string> Fields(const std::string& row)
    {
        std::vector<std::string> fields;
        std::stringstream split(row);
        for (std::string part; std::getline(split, part, '|');)
            fields.push_back(part);
        return fields;
    }

    brine_test::TempFolder dir;
    brine_test::FolderSettings settings{dir.Path()};
    brine_test::ScriptedPrompt prompt;
    brine_test::FakePanel panel;
    platform::CSystemClock clock;
    brine_test::PtyGps link;
    CGpsWaypointTransmitter transmitter{
        [this] { return link.gps ? &link.gps->Device() : nullptr; }};
    std::unique_ptr<CChartpointModule> module;
};

TEST_F(UploadPortTest, ChosenRowsArriveNumberedAsStoredAndParse)
{
    struct Mark {
        const char* name;
        const char* id;
        double lat, lon;
    };
    const Mark marks[] = {{"Point Wilson", "PWL", 48.14425, -122.75463},
                          {"Point No Point", "PNP", 47.91207, -122.52654},
                          {"Kingston, ferry*$", "KGF", 47.79635, -122.49465},
                          {"West Point", "WPT", 47.66186, -122.43580},
                          {"Duwamish Head", "DWH", 47.59322, -122.38653},
                          {"Alki Point", "ALK", 47.57628, -122.42064}};
    for (const Mark& m : marks)
        Add(m.name, m.id, m.lat, m.lon);
    ASSERT_TRUE(module->CanUpload());

    // Rows 2 and 5 numbered from 10, number and name, with checksums: the
    // third and sixth records as "10 name" and "11 name".
    std::string message;
    EXPECT_EQ(module->UploadChartpoints(3, {5, 2}, 10, true, &message), 2) << message;
    std::string lines = ReadUntil("11 Alki Point", 3s);
    auto rows = ReadWithPynmea2(lines);
    ASSERT_EQ(rows.size(), 2u) << lines;
    const Mark* sent[] = {&marks[2], &marks[5]};
    const char* ids[] = {"10 Kingston- ferry--", "11 Alki Point"};
    for (std::size_t i = 0; i < 2; ++i) {
        const auto f = Fields(rows[i]);
        ASSERT_EQ(f.size(), 4u) << rows[i];
        EXPECT_EQ(f[0], ids[i]);
        // Four minute decimals: within 1e-4 of a minute of the stored place.
        EXPECT_NEAR(std::stod(f[1]), sent[i]->lat, 1e-4 / 60) << rows[i];
        EXPECT_NEAR(std::stod(f[2]), sent[i]->lon, 1e-4 / 60) << rows[i];
        EXPECT_EQ(f[3], "True");
    }

    // Without checksums no line carries one; a UTF-8 name by its ID still parses.
    Add("Ålesund kai", "ÅLK", 47.6, -122.3);
    EXPECT_EQ(module->UploadChartpoints(0, {0, 6}, 1, false, &message), 2) << message;
    lines = ReadUntil("\r\n$ECWPL", 3s);
    lines += ReadUntil("K\r\n", 2s);
    rows = ReadWithPynmea2(lines);
    ASSERT_EQ(rows.size(), 2u) << lines;
    EXPECT_EQ(Fields(rows[0])[0], "PWL");
    for (const std::string& row : rows)
        EXPECT_EQ(Fields(row)[3], "False") << row;
}

TEST_F(UploadPortTest, SixHundredArriveInOrderAndALostPortSendsNone)
{
    // 600 records straight into the table (the panel path is not what is tested).
    db::CDBChartPoint& table = module->Table();
    for (int i = 0; i < 600; ++i) {
        table.ClearRecord();
        table.m_name = "M" + std::to_string(i);
        table.m_position =
            geo::CPosition(47.0 + i * 1e-3, -122.0 - i * 1e-3, 0.0, geo::DatumIndexWGS84());
        ASSERT_TRUE(table.AppendNew());
    }
    ASSERT_TRUE(table.FlushIfOpen());
    std::vector<int> all(600);
    for (int i = 0; i < 600; ++i)
        all[std::size_t(i)] = i;

    std::string got;
    std::jthread reader([&](std::stop_token stop) {
        while (!stop.stop_requested() && got.find("$ECWPL,4735.9400") == std::string::npos)
            got += link.pty->Receive(1 << 16, 20ms);
    });
    std::string message;
    EXPECT_EQ(module->UploadChartpoints(2, all, 1, true, &message), 600) << message;
    reader.join();
    const auto rows = ReadWithPynmea2(got);
    ASSERT_EQ(rows.size(), 600u);
    for (int i = 0; i < 600; ++i)
        EXPECT_EQ(Fields(rows[std::size_t(i)])[0], std::to_string(i + 1)) << i;

    // The adapter pulled out and the transmit side closed: the port has no
    // instrument behind it, nothing is sent and the user is told why.
    link.pty->Kill();
    link.gps->Device().CloseTransmit();
    message.clear();
    EXPECT_EQ(module->UploadChartpoints(2, {0, 1, 2}, 1, true, &message), 0);
    EXPECT_NE(message.find("0 of 3 Chartpoints sent: the GPS transmit port COM1"),
              std::string::npos)
        << message;
}

}   // namespace

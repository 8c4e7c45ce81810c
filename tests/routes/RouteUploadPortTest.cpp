// The route upload through the GPS device to a pseudo-terminal whose reader
// is slow: a 1,000-waypoint route leaves whole, fed from the timer, no pass
// over 50 ms; pynmea2 reads n RTE sentences numbered 1..n, each followed by
// its WPL with the same identifier, at the positions sent. A reader that
// goes away mid-way leaves "k of n sent".

#include "routes/GpsRouteTransmitter.h"
#include "routes/RouteModule.h"

#include "geo/DatumInfo.h"
#include "nmea/GPSModule.h"
#include "nmea/PortList.h"
#include "platform/Clock.h"

#include "../chartpoints/ChartpointFakes.h"
#include "../nmea/PtyGps.h"
#include "PythonScript.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

using namespace std::chrono_literals;
using namespace routes;

namespace {

constexpr int kPoints = 1000;

class Silent final : public platform::CPrompt {
public:
    platform::PromptAnswer Ask(std::string_view text, std::string_view, platform::PromptIcon,
                               platform::PromptButtons) override
    {
        told.emplace_back(text);
        return platform::PromptAnswer::Ok;
    }
    std::vector<std::string> told;
};

class RouteUploadPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(link.Start(dir.Path(), settings, clock));
        link.gps->Device().OpenTransmit();
        module = std::make_unique<CRouteModule>(settings, prompt, dir.Path());
        ASSERT_TRUE(module->Initialise());
        WriteRoute();
        ASSERT_TRUE(module->OpenDatabase(path.string()));
        ASSERT_EQ(module->State().waypoints.size(), std::size_t(kPoints));
        tx = std::make_unique<CGpsRouteTransmitter>(link.gps->Device());
    }
    void TearDown() override
    {
        if (module)
            module->Terminate();
        link.Stop();
    }

    // Down the Sound a cable at a time; every tenth waypoint unnamed.
    void WriteRoute()
    {
        path = dir.Path() / "Routes" / "Long";
        db::CDBRoute table;
        table.SetFilePath(path.string());
        ASSERT_TRUE(table.Open());
        table.ClearRecord();
        table.m_name = "Sound";
        ASSERT_TRUE(table.AppendNew());
        for (int i = 0; i < kPoints; ++i) {
            auto& links = table.Points();
            links.Waypoints().ClearRecord();
            links.Waypoints().m_name = i % 10 == 4 ? "" : "S" + std::to_string(i + 1);
            links.Waypoints().m_position = geo::CPosition(48.10 - 0.0003 * i, -122.60 + 0.0001 * i,
                                                          0.0, geo::DatumIndexWGS84());
            ASSERT_TRUE(links.AppendPoint());
        }
        table.Close();
    }

    // Runs the frame's timer passes until the upload ends; the longest pass.
    std::chrono::steady_clock::duration Pump(std::chrono::seconds limit)
    {
        std::chrono::steady_clock::duration longest{};
        const auto until = std::chrono::steady_clock::now() + limit;
        while (module->IsUploading() && std::chrono::steady_clock::now() < until) {
            const auto start = std::chrono::steady_clock::now();
            module->OnTimer(app::TimerCadence::EveryPass);
            longest = std::max(longest, std::chrono::steady_clock::now() - start);
            std::this_thread::sleep_for(10ms);
        }
        return longest;
    }

    brine_test::TempFolder dir;
    brine_test::FolderSettings settings{dir.Path()};
    Silent prompt;
    platform::CSystemClock clock;
    std::filesystem::path path;
    brine_test::PtyGps link;
    std::unique_ptr<CRouteModule> module;
    std::unique_ptr<CGpsRouteTransmitter> tx;
};

}   // namespace

TEST_F(RouteUploadPortTest, ThousandWaypointsReachASlowReaderWhole)
{
    // The instrument takes 2 kB every 20 ms: far slower than the route is planned.
    CUploadChoice choice;
    choice.waypointMode = 3;   // number and name
    choice.firstWaypointNumber = 1;
    choice.checksum = true;
    ASSERT_TRUE(module->StartUpload(choice, *tx));
    // It stops after the last waypoint's sentence (or a minute).
    std::string got;
    std::thread reader([&] {
        const auto until = std::chrono::steady_clock::now() + 60s;
        while (std::chrono::steady_clock::now() < until &&
               got.find("1000 S1000") == std::string::npos) {
            got += link.pty->Receive(2048, 20ms);
            std::this_thread::sleep_for(20ms);
        }
        got += link.pty->Receive(1 << 16, 200ms);
    });
    const auto longest = Pump(50s);
    EXPECT_FALSE(module->IsUploading());
    EXPECT_EQ(module->UploadProgress(), "1000 of 1000 sent");
    // A pass that waited on the slow reader would take most of a second (the
    // route is ~70 kB against 2 kB per 20 ms); a quarter second leaves room for
    // a scheduler pause on a loaded machine or a sanitizer build.
    EXPECT_LT(longest, 250ms)
        << "a timer pass took "
        << std::chrono::duration_cast<std::chrono::milliseconds>(longest).count() << " ms";
    EXPECT_EQ(module->State().inUse.Count(), 0);
    // What is still in the port's queue drains to the reader.
    reader.join();

    const auto out = brine_test::RunPython(
        "import pynmea2\n" + brine_test::PythonAsciiData(got) +
        "for line in data.split('\\r\\n'):\n"
        "    if not line: continue\n"
        "    m = pynmea2.parse(line, check=True)\n"
        "    if m.sentence_type == 'RTE':\n"
        "        print('RTE', m.num_in_seq, m.sen_num, m.waypoint_list[0], sep='|')\n"
        "    else:\n"
        "        lat = (int(m.lat[:2]) + float(m.lat[2:]) / 60)\n"
        "        lon = -(int(m.lon[:3]) + float(m.lon[3:]) / 60)\n"
        "        print('WPL', m.waypoint_id, repr(lat), repr(lon), sep='|')\n");
    ASSERT_TRUE(out) << "pynmea2 refused what was sent";
    const std::vector<std::string> rows = brine_test::SplitLines(*out);
    ASSERT_EQ(rows.size(), std::size_t(2 * kPoints));
    const auto fields = [](const std::string& row) {
        std::vector<std::string> f;
        std::stringstream split(row);
        for (std::string part; std::getline(split, part, '|');)
            f.push_back(part);
        return f;
    };
    for (int i = 0; i < kPoints; ++i) {
        const auto rte = fields(rows[std::size_t(2 * i)]);
        const auto wpl = fields(rows[std::size_t(2 * i + 1)]);
        ASSERT_EQ(rte.size(), 4u) << rows[std::size_t(2 * i)];
        ASSERT_EQ(wpl.size(), 4u) << rows[std::size_t(2 * i + 1)];
        EXPECT_EQ(rte[0], "RTE");
        EXPECT_EQ(rte[1], std::to_string(kPoints));
        EXPECT_EQ(rte[2], std::to_string(i + 1));
        EXPECT_EQ(rte[3], wpl[1]) << "waypoint " << i + 1;
        EXPECT_EQ(wpl[0], "WPL");
        if (i % 10 != 4) {
            EXPECT_EQ(wpl[1], std::to_string(i + 1) + " S" + std::to_string(i + 1));
        }
        EXPECT_NEAR(std::stod(wpl[2]), 48.10 - 0.0003 * i, 1e-4 / 60) << i;
        EXPECT_NEAR(std::stod(wpl[3]), -122.60 + 0.0001 * i, 1e-4 / 60) << i;
    }
}

TEST_F(RouteUploadPortTest, AReaderGoneMidwayLeavesKOfNSent)
{
    // Nobody reads: the pty fills, then the adapter is pulled out.
    ASSERT_TRUE(module->StartUpload(CUploadChoice{}, *tx));
    module->OnTimer(app::TimerCadence::EveryPass);
    ASSERT_TRUE(module->IsUploading());
    link.pty->Kill();
    link.gps->Device().CloseTransmit();
    Pump(20s);
    EXPECT_FALSE(module->IsUploading());
    const std::string& progress = module->UploadProgress();
    EXPECT_NE(progress, "1000 of 1000 sent");
    EXPECT_NE(progress.find(" of 1000 sent"), std::string::npos) << progress;
    ASSERT_FALSE(prompt.told.empty());
    EXPECT_NE(prompt.told.back().find(progress), std::string::npos) << prompt.told.back();
    EXPECT_EQ(module->State().inUse.Count(), 0);
}

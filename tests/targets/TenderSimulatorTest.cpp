// The tender simulator: dead reckoning against GeographicLib's rhumb line,
// its RMC as pynmea2 reads it, lines that fit 82 characters and go through
// the tender parser, pacing at 600 characters a second, a new start position
// that survives the window's end, and a quick stop.
#include "targets/TenderSimulator.h"

#include <gtest/gtest.h>

#include <GeographicLib/Constants.hpp>
#include <GeographicLib/Rhumb.hpp>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <sstream>
#include <thread>

#include "PythonScript.h"
#include "nmea/NMEAValueIndex.h"
#include "platform/Clock.h"
#include "platform/LocaleFreeNumbers.h"

using namespace targets;
using namespace std::chrono_literals;

namespace {

const GeographicLib::Rhumb kRhumb(GeographicLib::Constants::WGS84_a(),
                                  GeographicLib::Constants::WGS84_f());
constexpr double kMetresPerNm = 1852.0;

class SystemClock final : public platform::CClock {
public:
    std::chrono::steady_clock::time_point Monotonic() const override
    {
        return std::chrono::steady_clock::now();
    }
    std::chrono::system_clock::time_point UtcNow() const override
    {
        return std::chrono::system_clock::now();
    }
};

std::string NmeaChecksum(const std::string& body)
{
    unsigned sum = 0;
    for (std::size_t i = 1; i < body.size(); ++i)
        sum ^= static_cast<unsigned char>(body[i]);
    return body + platform::FormatC("*%02X", sum & 0xFF);
}

}   // namespace

TEST(TenderSimulation, DeadReckoningFollowsTheRhumbLine)
{
    const struct {
        CTargetPosition from;
        double course, speed, seconds;
    } cases[] = {
        {{47.6, -122.4}, 90.0, 6.0, 600.0},   // 1 nm east
        {{-33.85, 151.2}, 225.0, 4.5, 3600.0},
        {{60.1, 179.99}, 80.0, 12.0, 300.0},   // across the date line
        {{0.0, 0.0}, 0.0, 0.0, 600.0},
    };
    for (const auto& c : cases) {
        const CTargetPosition got = DeadReckon(c.from, c.course, c.speed, c.seconds);
        double lat2 = 0, lon2 = 0;
        kRhumb.Direct(c.from.latitude, c.from.longitude, c.course,
                      c.speed * c.seconds / 3600.0 * kMetresPerNm, lat2, lon2);
        double apart = 0, azimuth = 0;
        kRhumb.Inverse(got.latitude, got.longitude, lat2, lon2, apart, azimuth);
        EXPECT_LT(apart / kMetresPerNm, 1e-4) << c.from.latitude << " " << c.course;
    }
    const CTargetPosition east = DeadReckon({47.6, -122.4}, 90.0, 6.0, 600.0);
    double moved = 0, azimuth = 0;
    kRhumb.Inverse(47.6, -122.4, east.latitude, east.longitude, moved, azimuth);
    EXPECT_NEAR(moved / kMetresPerNm, 1.0, 1e-4);
}

TEST(TenderSimulation, LinesFitAndReadBackAsSent)
{
    using namespace std::chrono;
    const auto utc = sys_days{year{2026} / 12 / 7} + 13h + 5min + 9s + 250ms;
    const struct {
        CTargetPosition at;
        double speed, course;
    } cases[] = {
        {{47.6, -122.4}, 6.0, 90.0},
        {{-89.9999999, -179.9999999}, 99.9, 359.9},
        {{12.999999999, 0.0000001}, 0.0, 0.0},
    };
    SystemClock clock;
    std::string program = "import pynmea2\n";
    for (const auto& c : cases) {
        const std::string rmc = SimulatedRmc(c.at, c.speed, c.course, utc);
        EXPECT_LE(rmc.size(), kTenderLineMax) << rmc;
        EXPECT_LE(SimulatedDbt(999.9).size(), kTenderLineMax);
        // The tender parser takes it and stores the position to 6 decimals of minutes.
        CTenderTargetStore store(clock);
        ASSERT_TRUE(store.ParseTargetLine(3, rmc)) << rmc;
        ASSERT_TRUE(store.ParseTargetLine(3, SimulatedDbt(2.5)));
        const auto tender = store.Slot(3);
        const CTargetPosition back =
            StoredPairToPosition(tender->Value(nmea::item::Latitude).GetDouble(),
                                 tender->Value(nmea::item::Longitude).GetDouble());
        EXPECT_NEAR(back.latitude, c.at.latitude, 1e-6 / 60 + 1e-12);
        EXPECT_NEAR(back.longitude, c.at.longitude, 1e-6 / 60 + 1e-12);
        EXPECT_EQ(tender->Value(nmea::item::DepthMetres).GetDouble(), 2.5);
        const std::string gprmc =
            NmeaChecksum("$GPRMC" + rmc.substr(std::string("$PABX,0000,RMC").size()));
        const std::string quoted = "'" + gprmc + "'";
        program += "m = pynmea2.parse(" + quoted + ", check=True)\n";
        program += "print(repr(m.latitude), repr(m.longitude), m.spd_over_grnd, m.true_course,"
                   " m.datestamp, m.timestamp, m.status)\n";
    }
    EXPECT_NE(SimulatedRmc({0, 0}, 0, 0, utc).find(",0.0,0.0,"), std::string::npos);
    // Whole seconds, the date, a variation of 0.0 E and mode "S"; speeds as
    // the options hold them (up to four characters), not cut to one decimal.
    const std::string rmc = SimulatedRmc({47.6, -122.4}, 1.25, 90.0, utc);
    EXPECT_EQ(rmc.rfind("$PABX,0000,RMC,130509.00,A,", 0), 0u) << rmc;
    const std::string tail = ",W,1.25,90.0,071226,0.0,E,S";
    ASSERT_GT(rmc.size(), tail.size());
    EXPECT_EQ(rmc.substr(rmc.size() - tail.size()), tail) << rmc;
    // The longest the options allow still fits, with fewer decimals of minutes.
    const std::string longest = SimulatedRmc({-89.9999999, -179.9999999}, 9999.0, 359.0, utc);
    EXPECT_LE(longest.size(), kTenderLineMax) << longest;
    {
        CTenderTargetStore store(clock);
        ASSERT_TRUE(store.ParseTargetLine(1, longest)) << longest;
        const auto tender = store.Slot(1);
        EXPECT_NEAR(tender->Value(nmea::item::SpeedOverGroundKnots).GetDouble(), 9999.0, 1e-9);
        const CTargetPosition back =
            StoredPairToPosition(tender->Value(nmea::item::Latitude).GetDouble(),
                                 tender->Value(nmea::item::Longitude).GetDouble());
        EXPECT_NEAR(back.latitude, -89.9999999, 1e-5 / 60);
        EXPECT_NEAR(back.longitude, -179.9999999, 1e-5 / 60);
    }
    const auto out = brine_test::RunPython(program);
    if (!out)
        GTEST_SKIP() << "python3 or pynmea2 missing";
    const auto lines = brine_test::SplitLines(*out);
    ASSERT_EQ(lines.size(), std::size(cases));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::istringstream in(lines[i]);
        std::string lat, lon, speed, course, date, time, status;
        in >> lat >> lon >> speed >> course >> date >> time >> status;
        EXPECT_NEAR(platform::ParseDouble(lat).value_or(1e9), cases[i].at.latitude,
                    1e-6 / 60 + 1e-12);
        EXPECT_NEAR(platform::ParseDouble(lon).value_or(1e9), cases[i].at.longitude,
                    1e-6 / 60 + 1e-12);
        EXPECT_NEAR(platform::ParseDouble(speed).value_or(1e9), cases[i].speed, 0.05);
        EXPECT_EQ(date, "2026-12-07");
        EXPECT_EQ(time.rfind("13:05:09", 0), 0u) << time;
        EXPECT_EQ(time.find('.'), std::string::npos) << time;   // whole seconds
        EXPECT_EQ(status, "A");
    }
}

TEST(TenderSimulation, PacedAtSixHundredCharactersASecond)
{
    SystemClock clock;
    std::mutex lock;
    std::vector<std::pair<int, std::string>> got;
    CTenderSimulator sim(clock, [&](int channel, std::string_view line) {
        std::lock_guard guard(lock);
        got.emplace_back(channel, std::string(line));
    });
    sim.SetWindow(1000ms);
    CTenderSimulation c;
    c.simulate = true;
    c.manOverboard = true;
    c.position = {47.6, -122.4};
    c.since = clock.UtcNow();
    c.speed = 6.0;
    c.course = 90.0;
    c.depth = 3.0;
    sim.SetChannel(2, c, true);
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(sim.Start());
    std::this_thread::sleep_for(2500ms);
    const auto t1 = std::chrono::steady_clock::now();
    sim.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t1, 1s);
    const double seconds = std::chrono::duration<double>(t1 - t0).count();
    const double rate = double(sim.CharactersSent()) / seconds;
    EXPECT_NEAR(rate, 600.0, 30.0);
    std::lock_guard guard(lock);
    ASSERT_FALSE(got.empty());
    bool movb = false;
    for (const auto& [channel, line] : got) {
        EXPECT_EQ(channel, 2);
        EXPECT_LE(line.size(), kTenderLineMax);
        movb = movb || line == "$PABX,0000,MOVB";
    }
    EXPECT_TRUE(movb);
}

// A new start position asked for in the middle of a window is where the
// tender is after that window, not the window's own dead-reckoned end.
TEST(TenderSimulation, NewStartPositionSurvivesTheWindowsEnd)
{
    SystemClock clock;
    CTenderSimulator sim(clock, {});
    sim.SetWindow(1000ms);
    CTenderSimulation c;
    c.simulate = true;
    c.position = {47.6, -122.4};
    c.since = clock.UtcNow() - std::chrono::seconds(600);
    c.speed = 6.0;
    c.course = 90.0;
    sim.SetChannel(0, c, true);
    ASSERT_TRUE(sim.Start());
    std::this_thread::sleep_for(300ms);
    CTenderSimulation moved = c;
    moved.position = {10.0, 20.0};
    moved.speed = 0.0;
    moved.since = clock.UtcNow();
    sim.SetChannel(0, moved, true);
    std::this_thread::sleep_for(1200ms);
    const CTenderSimulation now = sim.Channel(0);
    EXPECT_NEAR(now.position.latitude, 10.0, 1e-9);
    EXPECT_NEAR(now.position.longitude, 20.0, 1e-9);
    // Without a restart, the flags change and the position goes on.
    CTenderSimulation flags = sim.Channel(0);
    flags.position = {0.0, 0.0};
    flags.manOverboard = true;
    sim.SetChannel(0, flags, false);
    EXPECT_NEAR(sim.Channel(0).position.latitude, 10.0, 1e-9);
    EXPECT_TRUE(sim.Channel(0).manOverboard);
    const auto t0 = std::chrono::steady_clock::now();
    sim.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1s);
}

// The simulation thread runs one priority step (five nice levels) below the
// thread that starts it, as the instruments' worker threads do.
TEST(TenderSimulation, RunsOneStepBelowTheThreadThatStartsIt)
{
    const auto ownNice = [] {
        errno = 0;
        return getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
    };
    const int base = ownNice();
    ASSERT_LE(base, 14) << "the test runs too low to see a step below it";
    SystemClock clock;
    std::atomic<int> simulatorNice{-100};
    int starterNice = -100;
    std::thread([&] {
        starterNice = ownNice();
        CTenderSimulator sim(clock, [&](int, std::string_view) { simulatorNice.store(ownNice()); });
        sim.SetWindow(1000ms);
        CTenderSimulation c;
        c.simulate = true;
        c.position = {47.6, -122.4};
        c.since = clock.UtcNow();
        sim.SetChannel(0, c, true);
        ASSERT_TRUE(sim.Start());
        for (int i = 0; i < 200 && simulatorNice.load() == -100; ++i)
            std::this_thread::sleep_for(10ms);
        sim.Stop();
    }).join();
    EXPECT_EQ(starterNice, base);
    EXPECT_EQ(simulatorNice.load(), base + 5);
}

// The instrument modules on pseudo-terminal ports, as at sea: the real
// captures fed in at their own pace give the GPS store exactly what parsing
// the same lines directly gives; wind and repeater run at the same time; what
// goes out to a GPS or an autopilot is read back with pynmea2.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <tuple>

#include "FakeClock.h"
#include "PtyPair.h"
#include "PythonScript.h"
#include "TempFolder.h"
#include "app/Module.h"
#include "nmea/AutopilotModule.h"
#include "nmea/GPSModule.h"
#include "nmea/PortList.h"
#include "nmea/RepeaterModule.h"
#include "nmea/SentenceFramer.h"
#include "nmea/WindModule.h"
#include "platform/SettingsStore.h"

using namespace std::chrono_literals;

namespace {

struct Home : app::CSettingsHome {
    brine_test::TempFolder dir;
    mutable platform::CSettingsStore store{dir.Path() / "settings.conf"};
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return "Software\\Quorwick\\Brinevane\\Default"; }
};

std::string CaptureFolder()
{
    const char* source = std::getenv("BRINE_SOURCE_DIR");
    return std::string(source ? source : ".") + "/tests/data/nmea/";
}

std::vector<std::string> CaptureLines(int number)
{
    std::ifstream in(CaptureFolder() + "capture-0" + std::to_string(number) + ".nmea",
                     std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line + "\r\n");   // as the instrument puts it on the wire
    }
    return lines;
}

// Seconds of day of a fix-time field (RMC, GGA, GLL, ZDA), when the line has one.
std::optional<double> FixTime(const std::string& line)
{
    if (line.size() < 8 || line[0] != '$')
        return std::nullopt;
    const std::string id = line.substr(3, 3);
    std::size_t field = id == "RMC" || id == "GGA" || id == "ZDA" ? 1 : id == "GLL" ? 5 : 0;
    if (field == 0)
        return std::nullopt;
    std::size_t pos = 0;
    for (std::size_t i = 0; i < field && pos != std::string::npos; ++i)
        pos = line.find(',', pos + 1);
    if (pos == std::string::npos || pos + 7 > line.size() ||
        !std::isdigit(static_cast<unsigned char>(line[pos + 1])))
        return std::nullopt;
    const double hhmmss = std::strtod(line.c_str() + pos + 1, nullptr);
    const int whole = static_cast<int>(hhmmss);
    return whole / 10000 * 3600 + whole / 100 % 100 * 60 + whole % 100 + (hhmmss - whole);
}

// Sends the lines as an instrument would: a fix time waits for its place on
// the capture's clock divided by `speedUp` (a step back in time or a pause
// over 2 s counts as 2 s), and no line goes faster than `bytesPerSecond`.
void Replay(brine_test::PtyPair& pty, const std::vector<std::string>& lines, double speedUp,
            double bytesPerSecond)
{
    using Seconds = std::chrono::duration<double>;
    const auto start = std::chrono::steady_clock::now();
    std::optional<double> latest;
    double clock = 0, due = 0;
    for (const std::string& line : lines) {
        if (const auto time = FixTime(line)) {
            if (latest)
                clock += *time > *latest ? std::min(*time - *latest, 2.0) : 0.0;
            latest = latest ? std::max(*latest, *time) : *time;
        }
        due = std::max(clock / speedUp, due);
        std::this_thread::sleep_until(
            start + std::chrono::duration_cast<std::chrono::nanoseconds>(Seconds(due)));
        ASSERT_TRUE(pty.Send(line));
        due += static_cast<double>(line.size()) / bytesPerSecond;   // the line's time on the wire
    }
}

// What the framer makes of a byte stream.
std::vector<std::string> Framed(const std::vector<std::string>& lines)
{
    nmea::CSentenceFramer framer;
    std::vector<std::string> out;
    for (const std::string& line : lines)
        framer.Feed(line, [&](std::string_view l) { out.emplace_back(l); });
    return out;
}

std::string WithChecksum(const std::string& text)
{
    return text + nmea::CNMEADevice::ChecksumSuffix(text) + "\r\n";
}

// Parses the lines a device accepts straight into a fresh parser; how many.
int ParseDirectly(const std::vector<std::string>& framed, const nmea::CInstrumentConfig& config,
                  nmea::CNMEAMessageParser& reference)
{
    int accepted = 0;
    for (std::string line : framed) {
        if (line[0] != '$' || line.size() > 82 || !config.AcceptTalker(line) ||
            !config.IsSentenceEnabled(line))
            continue;
        while (line.back() == '\n' || line.back() == '\r')
            line.pop_back();
        reference.ParseLine(line);
        ++accepted;
    }
    return accepted;
}

void ExpectSameValues(nmea::CNMEAMessageParser& ours, nmea::CNMEAMessageParser& reference,
                      const std::string& what)
{
    int compared = 0;
    for (int i = 0; i < nmea::CNMEAMessageParser::ValueCount(); ++i) {
        const auto& a = ours.Value(i);
        const auto& b = reference.Value(i);
        EXPECT_EQ(a.GetUtcStamp().has_value(), b.GetUtcStamp().has_value())
            << what << " item " << i;
        if (!b.GetUtcStamp())
            continue;
        ++compared;
        EXPECT_EQ(a.GetDouble(), b.GetDouble()) << what << " item " << i;
        EXPECT_EQ(a.GetString(), b.GetString()) << what << " item " << i;
        EXPECT_EQ(a.GetInt(), b.GetInt()) << what << " item " << i;
        EXPECT_EQ(a.GetByte(), b.GetByte()) << what << " item " << i;
    }
    EXPECT_GT(compared, 0) << what;
}

template <class Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

struct Bench {
    Home home;
    brine_test::TempFolder folder;
    std::vector<std::unique_ptr<brine_test::PtyPair>> ptys;
    std::unique_ptr<nmea::CPortList> ports;
    platform::CSystemClock clock;

    explicit Bench(int count)
    {
        nmea::PortPaths paths;
        for (int i = 0; i < count; ++i) {
            ptys.push_back(std::make_unique<brine_test::PtyPair>(
                folder.Path(), "usb-Instrument_" + std::to_string(i + 1)));
            EXPECT_TRUE(ptys.back()->Running());
            paths[static_cast<std::size_t>(i)] = ptys.back()->Path().string();
        }
        ports = std::make_unique<nmea::CPortList>(paths, nmea::CComPortOptions{});
    }
};

// Every capture on a GPS port of its own at 20 times its pace, one more at
// its own pace, wind on another port and the repeater copying a capture from
// one port to the next, all at once.
TEST(Instruments, CapturesThroughPortsMatchDirectParsing)
{
    constexpr int kCaptures = 8;
    constexpr std::uint8_t kRealRate = 9, kWind = 10, kRepeatIn = 11, kRepeatOut = 12;
    Bench bench(12);
    std::vector<std::unique_ptr<nmea::CGPSModule>> gps;
    for (int n = 1; n <= kCaptures + 1; ++n) {
        gps.push_back(std::make_unique<nmea::CGPSModule>(bench.home, *bench.ports, bench.clock,
                                                         nullptr, [] { return 2; }));
        ASSERT_TRUE(gps.back()->Initialise());
        gps.back()->Config().receivePort = static_cast<std::uint8_t>(n);
        ASSERT_TRUE(gps.back()->ToggleReceive());
    }
    nmea::CWindModule wind(bench.home, *bench.ports, bench.clock);
    ASSERT_TRUE(wind.Initialise());
    wind.Config().receivePort = kWind;
    ASSERT_TRUE(wind.ToggleReceive());
    nmea::CRepeaterModule repeater(bench.home, *bench.ports);
    repeater.SetReceivePortNumbers({kRepeatIn});
    repeater.SetTransmitPort(kRepeatOut);
    ASSERT_TRUE(repeater.ToggleReceive());
    ASSERT_TRUE(repeater.ToggleTransmit());

    std::vector<std::vector<std::string>> captures(kCaptures + 1);
    for (int n = 1; n <= kCaptures; ++n)
        captures[static_cast<std::size_t>(n - 1)] = CaptureLines(n);
    captures[kCaptures] = CaptureLines(8);   // four seconds of fixes, at its own pace
    const std::vector<std::string> windLines = {
        WithChecksum("$WIMWV,045.0,R,12.5,N,A"),
        WithChecksum("$GPMWV,090.0,R,99.0,N,A"),   // wrong talker
        WithChecksum("$IIMWD,270.0,T,268.0,M,15.2,N,7.8,M"),
        WithChecksum("$WIMWV,050.0,T,13.0,N,A")};

    // 20 times 4800 baud, and a fast instrument at its own pace.
    constexpr double kFast = 20 * 480.0, kOwnPace = 3840.0;
    std::string repeated;
    {
        std::vector<std::jthread> feeds;
        for (int n = 0; n < kCaptures; ++n)
            feeds.emplace_back([&, n] {
                Replay(*bench.ptys[static_cast<std::size_t>(n)],
                       captures[static_cast<std::size_t>(n)], 20, kFast);
            });
        feeds.emplace_back(
            [&] { Replay(*bench.ptys[kRealRate - 1], captures[kCaptures], 1, kOwnPace); });
        feeds.emplace_back([&] { Replay(*bench.ptys[kWind - 1], windLines, 1, kFast); });
        feeds.emplace_back([&] { Replay(*bench.ptys[kRepeatIn - 1], captures[0], 20, kFast); });
        // The repeater's far end is read while everything runs, or its pty would fill.
        std::jthread reader([&](std::stop_token stop) {
            while (!stop.stop_requested())
                repeated += bench.ptys[kRepeatOut - 1]->Receive(1 << 20, 100ms);
        });
        const auto start = std::chrono::steady_clock::now();
        for (auto& feed : feeds)
            feed.join();
        EXPECT_GT(std::chrono::steady_clock::now() - start, 4s) << "the own-pace capture";
        std::this_thread::sleep_for(500ms);
    }

    // A device whose queue lock stays busy for 5 ms, or whose queue is full, loses a line by
    // design (the port never stalls); a loaded machine can cause that.
    // Such a loss is counted, so a capture that lost lines is held to the
    // lines it lost and its values are not compared; every other capture must
    // match line for line and value for value, and losses stay under 2 %.
    brine_test::FakeClock fake;
    std::uint64_t lostInAll = 0;
    for (int n = 0; n <= kCaptures; ++n) {
        nmea::CNMEAGPSParser reference(fake, 5);
        nmea::CGPSModule& module = *gps[static_cast<std::size_t>(n)];
        const auto accepted = static_cast<std::uint64_t>(ParseDirectly(
            Framed(captures[static_cast<std::size_t>(n)]), module.Config(), reference));
        const std::string what = "capture " + std::to_string(n + 1);
        auto lost = [&] {
            return module.Device().LostToFullQueue() + module.Device().LostToBusyLock();
        };
        auto parsedAll = [&] {
            const std::uint64_t parsed = module.Device().ParsedLines();
            return parsed == accepted || (parsed < accepted && parsed + lost() >= accepted);
        };
        EXPECT_TRUE(WaitFor(parsedAll, 5s))
            << what << ": " << module.Device().ParsedLines() << " of " << accepted
            << " parsed; the port saw "
            << bench.ports->FindPort(static_cast<std::uint8_t>(n + 1))
                       ->GetHistory(nmea::PortChannel::Receive)
                       .size() -
                   1
            << " lines of " << Framed(captures[static_cast<std::size_t>(n)]).size()
            << "; lost to a full queue " << module.Device().LostToFullQueue() << ", to a busy lock "
            << module.Device().LostToBusyLock();
        lostInAll += lost();
        if (lost() == 0)
            ExpectSameValues(module.Parser(), reference, what);
    }
    std::uint64_t linesInAll = 0;
    for (const auto& capture : captures)
        linesInAll += capture.size();
    EXPECT_LE(lostInAll * 50, linesInAll) << "lines lost to busy or full device queues";

    nmea::CNMEAGPSParser windReference(fake, 5);
    EXPECT_EQ(ParseDirectly(Framed(windLines), wind.Config(), windReference), 3);
    EXPECT_TRUE(WaitFor([&] { return wind.Device().ParsedLines() == 3u; }, 5s));
    ExpectSameValues(wind.Parser(), windReference, "wind");

    std::string expected;
    for (const std::string& line : Framed(captures[0]))
        expected += line;
    EXPECT_TRUE(repeated == expected)
        << "repeated " << repeated.size() << " of " << expected.size() << " bytes";
}

// A GPS whose RMC carries a garbled speed: the speed is absent, and the
// position beside it moves the stored fix line by line, through the port,
// the framer and the device as at sea.
TEST(Instruments, AGarbledSpeedLeavesThePositionMoving)
{
    Bench bench(1);
    nmea::CGPSModule gps(bench.home, *bench.ports, bench.clock, nullptr, [] { return 2; });
    ASSERT_TRUE(gps.Initialise());
    gps.Config().receivePort = 1;
    ASSERT_TRUE(gps.ToggleReceive());
    const auto latitude = [&] { return gps.Parser().Value(nmea::item::Latitude).GetDouble(); };
    for (const char* minutes : {"07.038", "07.138", "07.238"}) {
        const std::string rmc = WithChecksum(std::string("$GPRMC,123519,A,48") + minutes +
                                             ",N,01131.000,E,022.4x,084.4,230394,003.1,W");
        ASSERT_TRUE(bench.ptys[0]->Send(rmc));
        const double expected = -(4800 + std::stod(minutes));
        EXPECT_TRUE(WaitFor([&] { return latitude() == expected; }, 3s))
            << rmc << " left the latitude at " << latitude();
    }
    EXPECT_EQ(gps.Parser().Value(nmea::item::CourseOverGroundTrue).GetDouble(), 84.4);
    EXPECT_FALSE(gps.Parser().Value(nmea::item::SpeedOverGroundKnots).HasStamp());
}

// pynmea2's reading of the lines (checksums checked): `printer` prints one
// '|'-joined row per sentence `m`.
std::optional<std::vector<std::string>> Pynmea2(const std::string& lines,
                                                const std::string& printer)
{
    std::string quoted = "r'";   // the lines hold no quote or backslash
    for (const char c : lines)
        quoted += c == '\r' ? std::string() : c == '\n' ? std::string("\\n") : std::string(1, c);
    quoted += "'";
    const auto out = brine_test::RunPython("import pynmea2\n"
                                           "for line in " +
                                           quoted +
                                           ".split(r'\\n'):\n"
                                           "    if not line.strip(): continue\n"
                                           "    m = pynmea2.parse(line.strip(), check=True)\n" +
                                           printer);
    if (!out)
        return std::nullopt;
    return brine_test::SplitLines(*out);
}

std::vector<std::string> Fields(const std::string& row)
{
    std::vector<std::string> fields;
    std::stringstream split(row);
    for (std::string part; std::getline(split, part, '|');)
        fields.push_back(part);
    return fields;
}

TEST(Instruments, UploadsReadBackWithPynmea2)
{
    Bench bench(1);
    nmea::CGPSModule gps(bench.home, *bench.ports, bench.clock, nullptr, [] { return 3; });
    ASSERT_TRUE(gps.Initialise());
    ASSERT_TRUE(gps.ToggleTransmit());

    const struct {
        double lat, lon;
        const char* name;
        const char* sent;
    } points[] = {{-0.5, 0.5, "SOUTH", "SOUTH"},
                  {59.99999999, -179.9999999, "EDGE*$,!", "EDGE----"},
                  {51.5, -1.25, "Home port", "Home port"}};
    ASSERT_TRUE(gps.Device().SendRoute("3", "1", "c", "R1", "SOUTH", true));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(gps.Device().SendWaypoint({points[i].lat, points[i].lon, "", points[i].name}, 1,
                                              i, true));

    std::string out;
    ASSERT_TRUE(WaitFor(
        [&] {
            return (out += bench.ptys[0]->Receive(1 << 16, 20ms)).find("Home port*") !=
                   std::string::npos;
        },
        3s))
        << out;
    out += bench.ptys[0]->Receive(2, 1s);
    const auto rows = Pynmea2(
        out,
        "    if m.sentence_type == 'WPL':\n"
        "        lat = (int(m.lat[:2]) + float(m.lat[2:]) / 60) * (-1 if m.lat_dir == 'S' else 1)\n"
        "        lon = (int(m.lon[:3]) + float(m.lon[3:]) / 60) * (-1 if m.lon_dir == 'W' else 1)\n"
        "        print('WPL', repr(lat), repr(lon), m.lat, m.lon, m.waypoint_id, sep='|')\n"
        "    elif m.sentence_type == 'RTE':\n"
        "        print('RTE', m.num_in_seq, m.sen_num, m.start_type, m.active_route_id, "
        "*m.waypoint_list, sep='|')\n");
    ASSERT_TRUE(rows) << "pynmea2 refused: " << out;
    ASSERT_EQ(rows->size(), 4u) << out;
    EXPECT_EQ((*rows)[0], "RTE|3|1|c|R1|SOUTH");
    for (std::size_t i = 0; i < 3; ++i) {
        const auto f = Fields((*rows)[i + 1]);
        ASSERT_EQ(f.size(), 6u) << (*rows)[i + 1];
        // Three minute decimals: within half a thousandth of a minute.
        EXPECT_NEAR(std::stod(f[1]), points[i].lat, 0.0005 / 60 + 1e-12) << f[3];
        EXPECT_NEAR(std::stod(f[2]), points[i].lon, 0.0005 / 60 + 1e-12) << f[4];
        EXPECT_LT(std::stod(f[3].substr(2)), 60.0) << f[3];
        EXPECT_LT(std::stod(f[4].substr(3)), 60.0) << f[4];
        EXPECT_EQ(f[5], points[i].sent);
    }

    // An upload to a transmit side that is closed never leaves: the caller hears so.
    gps.ToggleTransmit();
    EXPECT_FALSE(gps.Device().SendWaypoint({1, 1, "A", "A"}, 0, 1, true));
    EXPECT_FALSE(gps.Device().SendWaypoint({1, 1, "A", "A"}, 5, 1, true)) << "naming mode above 4";
}

// An autopilot transmitting "$ECAPB" on a pty at `rate` seconds, and a reader
// at the far end keeping each line with the time it arrived.
struct AutopilotBench {
    Bench bench{1};
    nmea::CInstrumentConfig config;
    std::unique_ptr<nmea::CAutopilotDevice> autopilot;
    std::mutex lock;
    std::vector<std::pair<std::chrono::steady_clock::time_point, std::string>> arrived;
    std::jthread reader;

    explicit AutopilotBench(double rate)
    {
        config.transmitPort = 1;
        config.SetTalkers({"EC", "II"});
        config.SetSentences({{"APB", "", true}});
        autopilot =
            std::make_unique<nmea::CAutopilotDevice>(*bench.ports, config, [] { return true; });
        autopilot->SetOutputRate(rate);
        EXPECT_TRUE(autopilot->OpenTransmit());
        autopilot->SetTransmitEnabled(true);
        reader = std::jthread([this](std::stop_token stop) {
            std::string pending;
            while (!stop.stop_requested()) {
                pending += bench.ptys[0]->Receive(1, 20ms);
                for (std::size_t end; (end = pending.find("\r\n")) != std::string::npos;
                     pending.erase(0, end + 2)) {
                    std::lock_guard guard(lock);
                    arrived.emplace_back(std::chrono::steady_clock::now(),
                                         pending.substr(0, end + 2));
                }
            }
        });
    }
    // Closes the port once the last line has had time to arrive.
    void Finish()
    {
        autopilot->CloseTransmit();
        std::this_thread::sleep_for(100ms);
        reader.request_stop();
        reader.join();
    }
};

TEST(Instruments, AutopilotSendsTheNewestSentenceAtItsPace)
{
    AutopilotBench ap(0.3);
    nmea::CAutopilotDevice& autopilot = *ap.autopilot;
    auto& arrived = ap.arrived;
    // The monitor composes every 50 ms, alternating sides of the track.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; std::chrono::steady_clock::now() - start < 1300ms; ++i) {
        nmea::CApbFields f;
        f.statusValid = true;
        f.crossTrackNm = (i % 2 == 0 ? -1 : 1) * (0.25 + i);
        f.bearingOriginToDestination = 5.0;
        f.destination = "wp" + std::to_string(i);
        f.bearingToDestination = 359.96;
        f.headingToSteer = 12.34;
        ASSERT_TRUE(autopilot.BuildAPBSentence(f, true));
        std::this_thread::sleep_for(50ms);
    }
    ap.Finish();

    // At most one every 0.3 s, the first at once: five in 1.3 s.
    ASSERT_GE(arrived.size(), 4u);
    ASSERT_LE(arrived.size(), 5u);
    std::string all;
    for (std::size_t i = 0; i < arrived.size(); ++i) {
        all += arrived[i].second;
        // Against the first arrival, not the one before: a late delivery of
        // one line on a busy machine shortens the gap to the next without
        // the autopilot having sent early.
        if (i > 0)
            EXPECT_GE(arrived[i].first - arrived[0].first, static_cast<int>(i) * 250ms);
    }
    const auto rows =
        Pynmea2(all, "    print(m.cross_track_err_mag, m.dir_steer, m.dest_waypoint_id, "
                     "m.bearing_to_dest, m.bearing_pres_dest, m.heading_to_dest, sep='|')\n");
    ASSERT_TRUE(rows) << all;
    ASSERT_EQ(rows->size(), arrived.size());
    std::string previous;
    for (const std::string& row : *rows) {
        const auto f = Fields(row);
        ASSERT_EQ(f.size(), 6u) << row;
        const int i = std::stoi(f[2].substr(2));
        EXPECT_EQ(f[2], "WP" + std::to_string(i));
        EXPECT_NEAR(std::stod(f[0]), 0.25 + i, 1e-9) << row;
        EXPECT_EQ(f[1], i % 2 == 0 ? "L" : "R") << row;   // negative = steer left
        EXPECT_EQ(f[3] + "|" + f[4] + "|" + f[5], "005.0|000.0|012.3") << row;
        EXPECT_NE(f[2], previous) << "each send carries the newest sentence";
        previous = f[2];
    }
}

// An arrival or a passed perpendicular is reported in one navigation update;
// the monitor composes faster than the autopilot's pace, so the report must
// ride on the newer sentences until one carrying it has gone out, and only
// that one. The output is let through one sentence at a time between batches
// of updates, so what goes out does not depend on the machine's speed.
TEST(Instruments, AutopilotReportsAnArrivalAndAPassedPerpendicularOnce)
{
    AutopilotBench ap(0.1);
    nmea::CAutopilotDevice& autopilot = *ap.autopilot;
    auto compose = [&](int update, bool perpendicular, bool arrival) {
        nmea::CApbFields f;
        f.statusValid = true;
        f.crossTrackNm = 0.1;
        f.perpendicularPassed = perpendicular;
        f.arrivalEntered = arrival;
        f.destination = "7";
        f.bearingToDestination = update;   // tells the updates apart
        ASSERT_TRUE(autopilot.BuildAPBSentence(f, true));
    };
    auto count = [&ap] {
        std::lock_guard guard(ap.lock);
        return ap.arrived.size();
    };
    // Lets the newest sentence out, then holds the output again.
    auto letOneOut = [&] {
        const std::size_t before = count();
        autopilot.SetTransmitEnabled(true);
        const bool out = WaitFor([&] { return count() > before; }, 5s);
        autopilot.SetTransmitEnabled(false);
        return out;
    };
    autopilot.SetTransmitEnabled(false);
    // Updates 0-5, the perpendicular passed in update 3: one sentence out.
    for (int i = 0; i <= 5; ++i)
        compose(i, i == 3, false);
    ASSERT_TRUE(letOneOut());
    // Updates 6-14, the arrival circle entered in update 12: one out.
    for (int i = 6; i <= 14; ++i)
        compose(i, false, i == 12);
    ASSERT_TRUE(letOneOut());
    // Updates 15-17 report nothing; then the same sentence goes three times more.
    for (int i = 15; i <= 17; ++i)
        compose(i, false, false);
    for (int n = 0; n < 4; ++n)
        ASSERT_TRUE(letOneOut());
    // No new update: the last one with its report is sent again, without it.
    for (int i = 18; i <= 20; ++i)
        compose(i, false, i == 20);
    ASSERT_TRUE(letOneOut());
    ASSERT_TRUE(letOneOut());
    ap.Finish();

    // Update (field 12), arrival (6) and perpendicular (7) of each sentence;
    // each framed with "*", the XOR of its bytes and CR LF.
    std::vector<std::tuple<int, bool, bool>> sent;
    for (const auto& [when, line] : ap.arrived) {
        ASSERT_GE(line.size(), 7u);
        EXPECT_EQ(line.substr(line.size() - 2), "\r\n") << line;
        const std::string body = line.substr(0, line.size() - 2);
        EXPECT_EQ(body.substr(body.size() - 3),
                  nmea::CNMEADevice::ChecksumSuffix(body.substr(0, body.size() - 3)))
            << line;
        std::vector<std::string> f;
        std::stringstream in(body.substr(0, body.size() - 3));
        for (std::string field; std::getline(in, field, ',');)
            f.push_back(field);
        ASSERT_GE(f.size(), 13u) << line;
        sent.emplace_back(static_cast<int>(std::stod(f[11])), f[6] == "A", f[7] == "A");
    }
    using Sent = std::tuple<int, bool, bool>;
    // A re-send between the holds (a slow reader) is the newest sentence
    // without its reports: only the reports' sentences are counted exactly.
    std::vector<Sent> reports;
    for (const Sent& s : sent)
        if (std::get<1>(s) || std::get<2>(s))
            reports.push_back(s);
    EXPECT_EQ(reports, (std::vector<Sent>{{5, false, true}, {14, true, false}, {20, true, false}}))
        << "each report goes out once, on the newest sentence of its batch";
    // Each batch's newest update went, in order; the last one went again.
    std::vector<int> updates;
    for (const Sent& s : sent)
        if (updates.empty() || updates.back() != std::get<0>(s))
            updates.push_back(std::get<0>(s));
    EXPECT_EQ(updates, (std::vector<int>{5, 14, 17, 20}));
    ASSERT_GE(sent.size(), 8u);
    EXPECT_EQ(sent.back(), Sent(20, false, false)) << "the last update sent again";
}

// An arrival reported for one waypoint never rides on the sentence for the
// next: composed back to back before the output's turn, the reached
// waypoint's sentence with the arrival goes out first, then the next
// waypoint's without it.
TEST(Instruments, AutopilotArrivalStaysWithItsWaypoint)
{
    AutopilotBench ap(0.1);
    nmea::CAutopilotDevice& autopilot = *ap.autopilot;
    auto compose = [&](const char* waypoint, bool arrival) {
        nmea::CApbFields f;
        f.statusValid = true;
        f.crossTrackNm = 0.12;
        f.arrivalEntered = arrival;
        f.destination = waypoint;
        f.bearingToDestination = 180.0;
        ASSERT_TRUE(autopilot.BuildAPBSentence(f, true));
    };
    autopilot.SetTransmitEnabled(false);
    compose("6", false);
    compose("6", true);
    compose("7", false);
    autopilot.SetTransmitEnabled(true);
    ASSERT_TRUE(WaitFor(
        [&] {
            std::lock_guard guard(ap.lock);
            return ap.arrived.size() >= 3;
        },
        5s));
    ap.Finish();
    std::string all;
    for (const auto& [when, line] : ap.arrived)
        all += line;
    const auto rows =
        Pynmea2(all, "    print(m.dest_waypoint_id, m.arr_circle_entered, sep='|')\n");
    ASSERT_TRUE(rows) << all;
    ASSERT_GE(rows->size(), 3u) << all;
    EXPECT_EQ((*rows)[0], "6|A") << all;
    for (std::size_t i = 1; i < rows->size(); ++i)
        EXPECT_EQ((*rows)[i], "7|") << all;
}

}   // namespace

// Replays the real instrument captures through the dispatcher and holds our
// stored values against gpsd's decoding of the same lines.
//
// The expected files interleave the input lines with gpsd's reports: each
// report follows the line that made gpsd emit it. gpsd merges a whole fix
// cycle (GGA, GLL, RMC, VTG, ZDA of one second) into one report and emits it
// after whichever line closes the cycle, which may be a line we do not parse
// (HDT, GSA, a proprietary sentence). So a report's fields are matched by
// cycle, not by line:
//
// - time: every report with a time is compared with our latest stored time
//   (item 91 from GLL, RMC, GGA or item 149 from ZDA), and its date with our
//   latest date (item 97 from RMC or the ZDA date) when we have one;
// - position, speed and course: each of our values is tagged with the time of
//   the cycle it was written in (our latest time when its sentence was
//   parsed). A report field is compared when our value belongs to the
//   report's cycle. A report without a time is matched when its own line
//   wrote our value. Reports whose cycle we hold no value for are skipped:
//   gpsd also reads positions from GGA, where we keep only the time, and
//   when a cycle has no speed sentence yet it reports a speed of its own,
//   worked out from successive positions.
//
// Lines with a bad checksum must change no value at all.
//
// A second pass over the same lines shows that intake allocates nothing per
// sentence or field once its buffers have grown: this program replaces the
// global allocator to count calls.

#include "nmea/NMEAMessageParser.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <new>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "FakeClock.h"
#include "nmea/NMEAConvert.h"

namespace item = nmea::item;
namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

// The pointers come from the malloc above; GCC cannot see that pairing.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

// The lines of a capture file without their line ends; none when it is missing.
std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line); lines.push_back(line))
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
    return lines;
}

std::optional<double> JsonNumber(const std::string& json, const std::string& key)
{
    const auto pos = json.find("\"" + key + "\":");
    return pos == std::string::npos
               ? std::nullopt
               : std::optional(std::strtod(json.c_str() + pos + key.size() + 3, nullptr));
}

struct UtcTime {
    int year = 0, month = 0, day = 0;
    double secondsOfDay = 0;
};

std::optional<UtcTime> JsonTime(const std::string& json)
{
    const auto pos = json.find("\"time\":\"");
    UtcTime t;
    int h = 0, m = 0;
    double s = 0;
    if (pos == std::string::npos || std::sscanf(json.c_str() + pos + 8, "%d-%d-%dT%d:%d:%lf",
                                                &t.year, &t.month, &t.day, &h, &m, &s) != 6)
        return std::nullopt;
    t.secondsOfDay = h * 3600 + m * 60 + s;
    return t;
}

double SecondsOfDay(double hhmmss)
{
    const auto hms = nmea::NmeaTimeToHMS(hhmmss);
    return hms.hours * 3600 + hms.minutes * 60 + hms.seconds + (hhmmss - std::floor(hhmmss));
}

struct Tagged {
    std::optional<double> cycle;   // seconds of day of the cycle it was written in
    std::size_t line = 0;   // input line that wrote it
};

struct Capture {
    int number;
    int minTimes, minPositions, minSpeeds;   // what the matching must at least compare
};

class CaptureTest : public ::testing::TestWithParam<Capture> { };

TEST_P(CaptureTest, AgreesWithGpsd)
{
    const char* source = std::getenv("BRINE_SOURCE_DIR");
    const std::string name = std::string(source ? source : ".") + "/tests/data/nmea/capture-0" +
                             std::to_string(GetParam().number);
    const auto input = ReadLines(name + ".nmea");
    const auto expected = ReadLines(name + ".expected.jsonl");
    ASSERT_FALSE(input.empty()) << "capture missing: " << name;

    brine_test::FakeClock clock;
    nmea::CNMEAGPSParser parser(clock, 5);
    const auto stamps = [&] {
        std::vector<std::optional<std::chrono::system_clock::time_point>> all;
        for (int i = 0; i < nmea::kValueCount; ++i)
            all.push_back(parser.Value(i).GetUtcStamp());
        return all;
    };
    int times = 0, positions = 0, speeds = 0;
    std::optional<double> ourTime;   // seconds of day
    std::optional<nmea::CNMEADate> ourDate;
    Tagged position, speed, course;
    std::size_t lineNo = 0;   // lines fed so far

    const auto feed = [&](const std::string& line) {
        ++lineNo;
        clock.Advance(std::chrono::milliseconds(1));
        const auto before = stamps();
        const bool accepted = parser.ParseLine(line);
        if (parser.LastResult() == nmea::NMEALineResult::BadChecksum) {
            EXPECT_FALSE(accepted);
            EXPECT_TRUE(stamps() == before) << "bad-checksum line stored a value: " << line;
            return;
        }
        const auto& msg = parser.Message();
        std::vector<Tagged*>
            wrote;   // tagged once the whole sentence is in: its time may come after
        for (int w = 0; accepted && w < msg.WrittenCount(); ++w) {
            const int it = msg.Written(w).item;
            if (it == item::PositionTime || it == item::ZdaTime)
                ourTime = SecondsOfDay(parser.Value(it).GetDouble());
            if (it == item::Date)
                ourDate = nmea::NmeaDateToDMY(parser.Value(it).GetDouble());
            if (it == item::ZdaYear)
                ourDate = nmea::CNMEADate{parser.Value(item::ZdaDay).GetInt(),
                                          parser.Value(item::ZdaMonth).GetInt(),
                                          parser.Value(item::ZdaYear).GetInt()};
            for (auto [wanted, tag] : {std::pair{item::Latitude, &position},
                                       std::pair{item::SpeedOverGroundKnots, &speed},
                                       std::pair{item::CourseOverGroundTrue, &course}})
                if (it == wanted)
                    wrote.push_back(tag);
        }
        for (Tagged* tag : wrote)
            *tag = {ourTime, lineNo};
    };

    std::size_t next = 0;   // next line of the capture to feed
    for (const std::string& row : expected) {
        if (row.empty() || row.front() != '{') {
            // The expected file leaves out blank lines; every capture line is fed all the same.
            while (next < input.size() && input[next] != row) {
                EXPECT_TRUE(input[next].empty())
                    << "capture line missing from the expected file: " << input[next];
                feed(input[next++]);
            }
            ASSERT_LT(next, input.size()) << "expected file line not in the capture: " << row;
            feed(input[next++]);
            continue;
        }
        if (row.find("\"class\":\"TPV\"") == std::string::npos)
            continue;
        const auto when = JsonTime(row);
        if (when) {
            ASSERT_TRUE(ourTime.has_value()) << "gpsd has a time before we do: " << row;
            const double diff = std::fabs(*ourTime - when->secondsOfDay);
            EXPECT_LT(std::min(diff, 86400 - diff), 1.0) << row;
            ++times;
            if (ourDate) {
                EXPECT_EQ(std::tie(ourDate->year, ourDate->month, ourDate->day),
                          std::tie(when->year, when->month, when->day))
                    << row;
            }
        }
        const auto sameCycle =
            [&](const Tagged& ours) {   // cycles are told apart by their time, to the millisecond
                return when ? ours.cycle && std::fabs(*ours.cycle - when->secondsOfDay) < 0.001
                            : ours.line == lineNo && ours.line != 0;
            };
        if (const auto lat = JsonNumber(row, "lat"); lat && sameCycle(position)) {
            EXPECT_NEAR(-nmea::NmeaDegMinToDegrees(parser.Value(item::Latitude).GetDouble()), *lat,
                        1e-6)
                << row;
            EXPECT_NEAR(-nmea::NmeaDegMinToDegrees(parser.Value(item::Longitude).GetDouble()),
                        *JsonNumber(row, "lon"), 1e-6)
                << row;
            ++positions;
        }
        if (const auto ms = JsonNumber(row, "speed"); ms && sameCycle(speed)) {
            // gpsd reports m/s to three decimals: up to 0.001 kn of its own rounding.
            EXPECT_NEAR(parser.Value(item::SpeedOverGroundKnots).GetDouble(), *ms * 3600.0 / 1852.0,
                        0.01)
                << row;
            ++speeds;
        }
        if (const auto track = JsonNumber(row, "track"); track && sameCycle(course)) {
            double diff = std::fabs(parser.Value(item::CourseOverGroundTrue).GetDouble() - *track);
            diff = std::min(diff, 360 - diff);   // our 359.5-and-over courses read 0
            EXPECT_LT(diff, *track >= 359.5 ? 0.51 : 0.01) << row;
        }
    }
    while (next < input.size())
        feed(input[next++]);
    // Guards the matching itself: a change that made it skip everything would pass silently.
    EXPECT_GE(times, GetParam().minTimes);
    EXPECT_GE(positions, GetParam().minPositions);
    EXPECT_GE(speeds, GetParam().minSpeeds);

    // The buffers have grown to these lines: a second pass allocates nothing per sentence or field.
    const long before = g_allocations.load();
    for (const auto& line : input)
        parser.ParseLine(line);
    EXPECT_EQ(g_allocations.load() - before, 0);
}

// capture-02 never has a fix: its receiver reports status V throughout.
INSTANTIATE_TEST_SUITE_P(Captures, CaptureTest,
                         ::testing::Values(Capture{1, 900, 900, 300}, Capture{2, 0, 0, 0},
                                           Capture{3, 36, 36, 36}, Capture{4, 0, 120, 0},
                                           Capture{5, 340, 0, 10}, Capture{6, 36, 30, 20},
                                           Capture{7, 95, 95, 95}, Capture{8, 35, 35, 30}),
                         [](const auto& info) {
                             return "capture0" + std::to_string(info.param.number);
                         });

}   // namespace

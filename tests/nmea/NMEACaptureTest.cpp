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

#include "nmea/NMEAMessageParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "FakeClock.h"
#include "NMEATestLines.h"
#include "nmea/NMEAConvert.h"

namespace item = nmea::item;
using nmea_test::CaptureDir;
using nmea_test::ReadLines;

namespace {

std::optional<double> JsonNumber(const std::string& json, const std::string& key)
{
    const auto pos = json.find("\"" + key + "\":");
    if (pos == std::string::npos)
        return std::nullopt;
    return std::strtod(json.c_str() + pos + key.size() + 3, nullptr);
}

struct UtcTime {
    int year, month, day;
    double secondsOfDay;
};

std::optional<UtcTime> JsonTime(const std::string& json)
{
    const auto pos = json.find("\"time\":\"");
    if (pos == std::string::npos)
        return std::nullopt;
    UtcTime t{};
    int h = 0, m = 0;
    double s = 0;
    if (std::sscanf(json.c_str() + pos + 8, "%d-%d-%dT%d:%d:%lf", &t.year, &t.month, &t.day, &h, &m, &s) != 6)
        return std::nullopt;
    t.secondsOfDay = h * 3600 + m * 60 + s;
    return t;
}

double SecondsOfDay(double hhmmss)
{
    const auto hms = nmea::NmeaTimeToHMS(hhmmss);
    return hms.hours * 3600 + hms.minutes * 60 + hms.seconds + (hhmmss - std::floor(hhmmss));
}

// Cycles are told apart by their exact time (to the millisecond).
bool SameCycle(double a, double b)
{
    return std::fabs(a - b) < 0.001;
}

bool SameSecond(double a, double b)
{
    double d = std::fabs(a - b);
    d = std::min(d, 86400 - d);
    return d < 1.0;
}

struct Tagged {
    std::optional<double> cycle;   // seconds of day of the cycle it was written in
    std::size_t line = 0;          // input line that wrote it
};

struct Counts {
    int lines = 0, badChecksums = 0, reports = 0;
    int times = 0, dates = 0, positions = 0, speeds = 0, courses = 0;
};

struct Capture {
    const char* name;
    int minTimes, minPositions, minSpeeds;   // what the matching must at least compare
};

class CaptureTest : public ::testing::TestWithParam<Capture> {};

TEST_P(CaptureTest, AgreesWithGpsd)
{
    const std::string name = GetParam().name;
    const auto input = ReadLines(CaptureDir() + name + ".nmea");
    const auto expected = ReadLines(CaptureDir() + name + ".expected.jsonl");
    ASSERT_FALSE(input.empty()) << "capture missing: " << CaptureDir() << name;

    brine_test::FakeClock clock;
    nmea::CNMEAGPSParser parser(clock, 5);
    Counts n;

    std::optional<double> ourTime;   // seconds of day
    std::optional<nmea::CNMEADate> ourDate;
    Tagged position, speed, course;
    std::size_t lineNo = 0;

    std::size_t next = 0;   // next line of the capture to feed
    const auto feed = [&](const std::string& line) {
        ++lineNo;
        ++n.lines;
        clock.Advance(std::chrono::milliseconds(1));
        std::vector<std::optional<std::chrono::system_clock::time_point>> before;
        for (int i = 0; i < nmea::kValueCount; ++i)
            before.push_back(parser.Value(i).GetUtcStamp());
        const bool accepted = parser.ParseLine(line);
        if (parser.LastResult() == nmea::NMEALineResult::BadChecksum) {
            ++n.badChecksums;
            EXPECT_FALSE(accepted);
            for (int i = 0; i < nmea::kValueCount; ++i)
                EXPECT_EQ(parser.Value(i).GetUtcStamp(), before[static_cast<std::size_t>(i)])
                    << "bad-checksum line stored item " << i << ": " << line;
            return;
        }
        const auto& msg = parser.Message();
        bool wrotePosition = false, wroteSpeed = false, wroteCourse = false;
        for (int w = 0; accepted && w < msg.WrittenCount(); ++w) {
            const int it = msg.Written(w).item;
            if (it == item::PositionTime || it == item::ZdaTime)
                ourTime = SecondsOfDay(parser.Value(it).GetDouble());
            if (it == item::Date)
                ourDate = nmea::NmeaDateToDMY(parser.Value(it).GetDouble());
            if (it == item::ZdaYear)
                ourDate = nmea::CNMEADate{parser.Value(item::ZdaDay).GetInt(), parser.Value(item::ZdaMonth).GetInt(),
                                          parser.Value(item::ZdaYear).GetInt()};
            wrotePosition |= it == item::Latitude;
            wroteSpeed |= it == item::SpeedOverGroundKnots;
            wroteCourse |= it == item::CourseOverGroundTrue;
        }
        if (wrotePosition)
            position = {ourTime, lineNo};
        if (wroteSpeed)
            speed = {ourTime, lineNo};
        if (wroteCourse)
            course = {ourTime, lineNo};
    };

    for (const std::string& row : expected) {
        if (row.empty() || row.front() != '{') {
            // The expected file leaves out blank lines; every capture line is fed all the same.
            while (next < input.size() && input[next] != row) {
                EXPECT_TRUE(input[next].empty()) << "capture line missing from the expected file: " << input[next];
                feed(input[next++]);
            }
            ASSERT_LT(next, input.size()) << "expected file line not in the capture: " << row;
            feed(input[next++]);
            continue;
        }
        if (row.find("\"class\":\"TPV\"") == std::string::npos)
            continue;
        ++n.reports;
        const auto when = JsonTime(row);
        if (when) {
            ASSERT_TRUE(ourTime.has_value()) << "gpsd has a time before we do: " << row;
            EXPECT_TRUE(SameSecond(*ourTime, when->secondsOfDay)) << row;
            ++n.times;
            if (ourDate) {
                EXPECT_EQ(ourDate->year, when->year) << row;
                EXPECT_EQ(ourDate->month, when->month) << row;
                EXPECT_EQ(ourDate->day, when->day) << row;
                ++n.dates;
            }
        }
        const auto sameCycle = [&](const Tagged& ours) {
            if (when)
                return ours.cycle && SameCycle(*ours.cycle, when->secondsOfDay);
            return ours.line == lineNo && ours.line != 0;
        };
        if (const auto lat = JsonNumber(row, "lat"); lat && sameCycle(position)) {
            EXPECT_NEAR(-nmea::NmeaDegMinToDegrees(parser.Value(item::Latitude).GetDouble()), *lat, 1e-6) << row;
            EXPECT_NEAR(-nmea::NmeaDegMinToDegrees(parser.Value(item::Longitude).GetDouble()),
                        *JsonNumber(row, "lon"), 1e-6) << row;
            ++n.positions;
        }
        if (const auto ms = JsonNumber(row, "speed"); ms && sameCycle(speed)) {
            // gpsd reports m/s to three decimals: up to 0.001 kn of its own rounding.
            EXPECT_NEAR(parser.Value(item::SpeedOverGroundKnots).GetDouble(), *ms * 3600.0 / 1852.0, 0.01) << row;
            ++n.speeds;
        }
        if (const auto track = JsonNumber(row, "track"); track && sameCycle(course)) {
            double diff = std::fabs(parser.Value(item::CourseOverGroundTrue).GetDouble() - *track);
            diff = std::min(diff, 360 - diff);   // our 359.5-and-over courses read 0
            EXPECT_LT(diff, *track >= 359.5 ? 0.51 : 0.01) << row;
            ++n.courses;
        }
    }

    while (next < input.size())
        feed(input[next++]);
    EXPECT_EQ(n.lines, static_cast<int>(input.size()));
    // Guards the matching itself: a change that made it skip everything would pass silently.
    EXPECT_GE(n.times, GetParam().minTimes) << name;
    EXPECT_GE(n.positions, GetParam().minPositions) << name;
    EXPECT_GE(n.speeds, GetParam().minSpeeds) << name;
    std::printf("%s: %d lines (%d bad checksums), %d reports; compared %d times, %d dates, %d positions, "
                "%d speeds, %d courses\n",
                name.c_str(), n.lines, n.badChecksums, n.reports, n.times, n.dates, n.positions, n.speeds,
                n.courses);
}

INSTANTIATE_TEST_SUITE_P(Captures, CaptureTest,
                         // capture-02 never has a fix: its receiver reports status V throughout.
                         ::testing::Values(Capture{"capture-01", 900, 900, 300}, Capture{"capture-02", 0, 0, 0},
                                           Capture{"capture-03", 36, 36, 36}, Capture{"capture-04", 0, 120, 0},
                                           Capture{"capture-05", 340, 0, 10}, Capture{"capture-06", 36, 30, 20},
                                           Capture{"capture-07", 95, 95, 95}, Capture{"capture-08", 35, 35, 30}),
                         [](const auto& info) {
                             std::string s = info.param.name;
                             s.erase(std::remove(s.begin(), s.end(), '-'), s.end());
                             return s;
                         });

}  // namespace

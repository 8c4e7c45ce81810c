// A radar-sim run read by the ARPA module tick by tick: 20 targets with true
// and relative bearings and courses in K, N and S, the own ship turning.
// Positions are held against GeographicLib's Direct from the own position and
// the sentence's range and true bearing (TLL targets against the truth);
// true course and speed and CPA/TCPA against plain vector sums; a track fix
// per "Position marker every" span; every TTM,
// TLL and OSD line against pynmea2, TLB and RSD by checksum and fields.

#include <GeographicLib/Geodesic.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>

#include "FakeClock.h"
#include "FakePort.h"
#include "PythonScript.h"
#include "TempFolder.h"
#include "nmea/NMEAData.h"
#include "nmea/NMEAValueIndex.h"
#include "platform/LocaleFreeNumbers.h"
#include "targets/ARPAModule.h"

namespace {

namespace item = nmea::item;
constexpr double kRad = std::numbers::pi / 180.0;

struct Home : app::CSettingsHome {
    brine_test::TempFolder dir;
    mutable platform::CSettingsStore store{dir.Path() / "settings.conf"};
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return "Software\\Quorwick\\Brinevane\\Default"; }
};

struct OwnTruth {
    double lat, lon, heading, course, speed;
};

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::string body = line.substr(1, line.find('*') - 1);
    std::stringstream in(body);
    for (std::string f; std::getline(in, f, ',');)
        fields.push_back(f);
    if (!body.empty() && body.back() == ',')
        fields.emplace_back();
    return fields;
}

double Num(const std::string& s)
{
    return platform::ParseDouble(s).value_or(std::nan(""));
}

double ToNm(double v, char unit)
{
    return unit == 'K' ? v * 1000.0 / 1852.0 : unit == 'S' ? v * 1609.3 / 1852.0 : v;
}

class RadarSimRun : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const char* source = std::getenv("BRINE_SOURCE_DIR");
        ASSERT_NE(source, nullptr);
        s_folder = new brine_test::TempFolder;
        s_lines = (s_folder->Path() / "radar.nmea").string();
        const std::string truth = (s_folder->Path() / "truth.jsonl").string();
        const std::string command = std::string("/usr/bin/python3 ") + source +
                                    "/tools/radar-sim/radar-sim --targets 20 --ticks 40 --turn 4 "
                                    "--speed 9 --seed 7 --flood --out " +
                                    s_lines + " --truth " + truth;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        // The own ship of each tick, and the truth of the TLL targets.
        const auto own = brine_test::RunPython(
            "import json\n"
            "for line in open('" +
            truth +
            "'):\n"
            "    r = json.loads(line); o = r['own']\n"
            "    print('own', r['tick'], repr(o['lat']), repr(o['lon']), o['heading'], "
            "o['course'], o['speed'])\n"
            "    for t in r['targets']:\n"
            "        print('target', r['tick'], t['n'], repr(t['lat']), repr(t['lon']), "
            "repr(t['course']), repr(t['speed']))\n");
        ASSERT_TRUE(own.has_value());
        for (const std::string& line : brine_test::SplitLines(*own)) {
            std::istringstream in(line);
            std::string kind;
            int tick = 0;
            in >> kind >> tick;
            if (kind == "own") {
                OwnTruth o{};
                in >> o.lat >> o.lon >> o.heading >> o.course >> o.speed;
                s_own.push_back(o);
            } else {
                int n = 0;
                std::array<double, 4> t{};
                in >> n >> t[0] >> t[1] >> t[2] >> t[3];
                s_truth[{tick, n}] = t;
            }
        }
    }
    static void TearDownTestSuite() { delete s_folder; }

    static std::vector<std::vector<std::string>> Ticks()
    {
        std::vector<std::vector<std::string>> ticks;
        std::ifstream in(s_lines);
        for (std::string line; std::getline(in, line);) {
            while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
                line.pop_back();
            if (line.rfind("$RAOSD", 0) == 0)
                ticks.emplace_back();
            ticks.back().push_back(line);
        }
        return ticks;
    }

    static brine_test::TempFolder* s_folder;
    static std::string s_lines;
    static std::vector<OwnTruth> s_own;
    static std::map<std::pair<int, int>, std::array<double, 4>> s_truth;
};

brine_test::TempFolder* RadarSimRun::s_folder = nullptr;
std::string RadarSimRun::s_lines;
std::vector<OwnTruth> RadarSimRun::s_own;
std::map<std::pair<int, int>, std::array<double, 4>> RadarSimRun::s_truth;

TEST_F(RadarSimRun, PositionsMotionAndClosestApproachHoldAgainstOutsideReferences)
{
    Home home;
    brine_test::FakeClock clock;
    brine_test::FakePorts ports;
    ports.Add(1);
    targets::CARPAModule module(home, ports, clock, nullptr);
    module.Initialise();
    targets::CNavigationState nav;
    module.SetNavigation([&] { return nav; });
    auto options = module.GetOptions();
    options.properties.loggingPeriod = app::CDateTimeSpanEx(10);   // "Position marker every"
    ASSERT_EQ(module.ApplyOptions(options), "");
    ASSERT_EQ(module.OnActivate(), "");
    const auto ticks = Ticks();
    ASSERT_EQ(ticks.size(), s_own.size());
    const auto& geod = GeographicLib::Geodesic::WGS84();
    int positions = 0, motions = 0, approaches = 0;
    double worst = 0.0;
    for (std::size_t k = 0; k < ticks.size(); ++k) {
        const OwnTruth& o = s_own[k];
        for (const std::string& line : ticks[k])
            module.Parser().ParseLine(line);
        clock.Advance(std::chrono::seconds(1));
        nav.utc = clock.UtcNow();
        nav.own.position = targets::CTargetPosition{o.lat, o.lon};
        // The navigator's heading is missing: the radar's OSD heading serves.
        nav.own.heading =
            targets::HeadingForTargets(nmea::kNoValue, module.Parser().Value(item::OwnHeading),
                                       module.Parser().Value(item::OwnHeadingStatus));
        ASSERT_TRUE(nav.own.heading.has_value());
        EXPECT_NEAR(*nav.own.heading, o.heading, 0.051);
        nav.own.courseOverGround = o.course;
        nav.own.speedOverGround = o.speed;
        module.TimerPass();
        ASSERT_EQ(module.Targets().size(), 20u);

        std::map<int, std::vector<std::string>> ttm;
        for (const std::string& line : ticks[k])
            if (line.rfind("$RATTM", 0) == 0)
                ttm[std::stoi(Fields(line)[1])] = Fields(line);
        for (const targets::CTrackedTarget& t : module.Targets()) {
            const int n = t.record->Number();
            ASSERT_TRUE(t.fix.has_value()) << n;
            const auto& f = ttm.at(n);
            const char unit = f[10][0];
            const double range = ToNm(Num(f[2]), unit);
            const double bearing = std::fmod(Num(f[3]) + (f[4] == "R" ? o.heading : 0.0), 360.0);
            double lat = 0, lon = 0, metres = 0;
            if (n % 5 == 0) {   // a TLL target: where the radar says it is
                const auto& truth = s_truth.at({static_cast<int>(k), n});
                geod.Inverse(truth[0], truth[1], t.fix->position.latitude,
                             t.fix->position.longitude, metres);
            } else {
                geod.Direct(o.lat, o.lon, bearing, range * 1852.0, lat, lon);
                geod.Inverse(lat, lon, t.fix->position.latitude, t.fix->position.longitude, metres);
            }
            worst = std::max(worst, metres);
            EXPECT_LT(metres, 1.0) << "target " << n << " tick " << k;
            ++positions;

            const auto& truth = s_truth.at({static_cast<int>(k), n});
            ASSERT_TRUE(t.fix->course && t.fix->speedKnots) << n;
            EXPECT_NEAR(*t.fix->speedKnots, truth[3], 0.05) << n;
            if (truth[3] > 2.0) {
                const double dc = std::remainder(*t.fix->course - truth[2], 360.0);
                EXPECT_LT(std::abs(dc), 0.5) << n << " " << *t.fix->course << " " << truth[2];
            }
            ++motions;

            // CPA and TCPA from our position and true motion, plain vectors.
            const double re = *t.fix->rangeNm * std::sin(*t.fix->bearing * kRad);
            const double rn = *t.fix->rangeNm * std::cos(*t.fix->bearing * kRad);
            const double ve = *t.fix->speedKnots * std::sin(*t.fix->course * kRad) -
                              o.speed * std::sin(o.course * kRad);
            const double vn = *t.fix->speedKnots * std::cos(*t.fix->course * kRad) -
                              o.speed * std::cos(o.course * kRad);
            const double v2 = ve * ve + vn * vn;
            if (v2 < 4.0)
                continue;
            const double tcpa = -(re * ve + rn * vn) / v2;
            const double cpa = std::hypot(re + ve * tcpa, rn + vn * tcpa);
            EXPECT_NEAR(cpa, *t.record->ClosestApproachNm(), 0.02) << n;
            EXPECT_NEAR(tcpa * 60.0, Num(f[9]), 0.2) << n;
            ++approaches;
        }
    }
    EXPECT_EQ(positions, 20 * 40);
    EXPECT_GT(approaches, 400);
    // A track fix per 10 s span of the radar's report times (ticks 0, 10, 20
    // and 30), each within 1 s of the span.
    for (const targets::CTrackedTarget& t : module.Targets()) {
        ASSERT_EQ(t.track.size(), 4u) << t.record->Number();
        for (std::size_t i = 1; i < t.track.size(); ++i) {
            const auto gap = t.track[i].time - t.track[i - 1].time;
            EXPECT_GE(gap, std::chrono::seconds(10)) << t.record->Number();
            EXPECT_LT(gap, std::chrono::seconds(11)) << t.record->Number();
        }
    }
    RecordProperty("worst_metres", std::to_string(worst));
    module.Terminate();
}

TEST_F(RadarSimRun, EveryLineReadsAlikeInPynmea2AndOurIntake)
{
    // pynmea2's reading, one line per sentence, numbers as Python prints them.
    const auto theirs = brine_test::RunPython(
        "import pynmea2, functools, operator\n"
        "def num(v):\n"
        "    return '' if v in (None, '') else repr(float(v))\n"
        "for line in open('" +
        s_lines +
        "'):\n"
        "    line = line.strip()\n"
        "    body, _, cs = line[1:].partition('*')\n"
        "    ok = functools.reduce(operator.xor, map(ord, body), 0) == int(cs, 16)\n"
        "    kind = body[2:5]\n"
        "    if kind in ('TLB', 'RSD'):\n"
        "        print(kind, ok, len(body.split(',')))\n"
        "        continue\n"
        "    s = pynmea2.parse(line, check=True)\n"
        "    if kind == 'TTM':\n"
        "        print('TTM', int(s.target_number), num(s.distance), num(s.bearing), s.brg_ref,"
        " num(s.speed), num(s.cog), s.cog_unit, num(s.dist_cpa), num(s.time_cpa),"
        " s.dist_unit, s.name, s.status)\n"
        "    elif kind == 'TLL':\n"
        "        print('TLL', int(s.target_number), repr(round(s.latitude, 9)),"
        " repr(round(s.longitude, 9)), s.target_name, s.target_status)\n"
        "    elif kind == 'OSD':\n"
        "        print('OSD', num(s.heading), s.status, num(s.course), num(s.speed))\n");
    ASSERT_TRUE(theirs.has_value());

    brine_test::FakeClock clock;
    targets::CARPATargetStore store(clock);
    nmea::CNMEAGPSParser parser(clock, 5);
    nmea::CNMEAStores stores;
    stores.arpa = stores.gps = stores.wind = parser.Values();
    parser.SetStores(stores);
    parser.Message().SetTargetSentenceParser(&store);
    const auto py = [](double v) {
        // Python's repr of a float: the shortest text that reads back the same.
        for (int decimals = 0; decimals <= 17; ++decimals) {
            const std::string s = platform::FormatC("%.*f", decimals, v);
            if (platform::ParseDouble(s) == v)
                return decimals == 0 ? s + ".0" : s;
        }
        return platform::FormatC("%.17g", v);
    };
    const auto letter = [](const nmea::CNMEADataValue& v) {
        return std::string(1, static_cast<char>(v.GetInt()));
    };
    std::vector<std::string> ours;
    std::ifstream in(s_lines);
    int tlbAndRsd = 0;
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        ASSERT_TRUE(parser.ParseLine(line)) << line;
        const auto f = Fields(line);
        const std::string kind = f[0].substr(2);
        if (kind == "TLB" || kind == "RSD") {
            ours.push_back(kind + " True " + std::to_string(f.size()));
            ++tlbAndRsd;
            continue;
        }
        if (kind == "OSD") {
            ours.push_back("OSD " + py(parser.Value(item::OwnHeading).GetDouble()) + " " +
                           letter(parser.Value(item::OwnHeadingStatus)) + " " +
                           py(parser.Value(item::OwnCourse).GetDouble()) + " " +
                           py(parser.Value(item::OwnSpeed).GetDouble()));
            continue;
        }
        const auto r = store.Slot(std::stoi(f[1]));
        ASSERT_NE(r, nullptr) << line;
        if (kind == "TTM") {
            ours.push_back("TTM " + std::to_string(r->Value(item::TtmTargetNumber).GetInt()) + " " +
                           py(r->Value(item::TtmTargetDistance).GetDouble()) + " " +
                           py(r->Value(item::TtmTargetBearing).GetDouble()) + " " +
                           letter(r->Value(item::TtmBearingReference)) + " " +
                           py(r->Value(item::TtmTargetSpeed).GetDouble()) + " " +
                           py(r->Value(item::TtmTargetCourse).GetDouble()) + " " +
                           letter(r->Value(item::TtmCourseReference)) + " " +
                           py(r->Value(item::TtmClosestApproach).GetDouble()) + " " +
                           py(r->Value(item::TtmTimeToClosestApproach).GetDouble()) + " " +
                           letter(r->Value(item::TtmUnit)) + " " +
                           r->Value(item::TtmTargetName).GetString() + " " +
                           letter(r->Value(item::TtmTargetStatus)));
        } else {
            const auto p = r->ReportedPosition();
            ASSERT_TRUE(p.has_value());
            const auto round9 = [](double v) { return std::round(v * 1e9) / 1e9; };
            ours.push_back("TLL " + std::to_string(r->Value(item::TllTargetNumber).GetInt()) + " " +
                           py(round9(p->latitude)) + " " + py(round9(p->longitude)) + " " +
                           r->Value(item::TllTargetName).GetString() + " " +
                           letter(r->Value(item::TllTargetStatus)));
        }
    }
    const auto expected = brine_test::SplitLines(*theirs);
    ASSERT_EQ(ours.size(), expected.size());
    int differ = 0;
    for (std::size_t i = 0; i < ours.size(); ++i)
        if (ours[i] != expected[i] && ++differ < 10)
            ADD_FAILURE() << "ours   " << ours[i] << "\npynmea2 " << expected[i];
    EXPECT_EQ(differ, 0);
    EXPECT_GT(tlbAndRsd, 0);
}

}   // namespace

// The monitor model on a fake route: geometry against GeographicLib, the
// cross-track sign and its arrows and steering sense, time to go, the arrival
// and perpendicular alarms, off-track, the alarm sound's cadence, the datum
// wait, and the value texts.

#include "navigator/MonitorModel.h"

#include <gtest/gtest.h>

#include <GeographicLib/Rhumb.hpp>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "FakeClock.h"
#include "NavigatorFakes.h"
#include "PythonScript.h"
#include "app/DateTimeEx.h"
#include "geo/NavMaths.h"
#include "navigator/NavTexts.h"
#include "navigator/SteeringApb.h"
#include "nmea/NMEADevice.h"

using namespace std::chrono_literals;
using namespace navigator;

namespace {

class Host final : public CMonitorHost {
public:
    void SetOffTrackCaution(bool on) override { caution = on; }
    bool IsOffTrackCautionOn() const override { return caution; }
    void LogEvent(const std::string& note) override { notes.push_back(note); }
    void ForceTrackPoint() override { ++forced; }
    bool caution = false;
    std::vector<std::string> notes;
    int forced = 0;
};

class Sound final : public app::CAlertSound {
public:
    bool Play(const std::filesystem::path& file) override
    {
        played.push_back(file.filename().string());
        return false;
    }
    void Beep() override { ++beeps; }
    std::vector<std::string> played;
    int beeps = 0;
};

struct Model {
    brine_test::FakeClock clock;
    Host host;
    navtest::FakeRoute route;
    navtest::FakeSteering steering;
    CMonitorModel model{clock, host, &route, &steering};

    CNavSnapshot At(double lat, double lon, double sog = nmea::kNoValue)
    {
        CNavSnapshot s;
        s.position = geo::CPosition(lat, lon);
        s.positionAvailable = s.positionAcquired = true;
        s.source = PositionSourceKind::NMEA;
        s.sog = sog;
        return s;
    }
    void Refresh(const CNavSnapshot& s) { model.Refresh(s, nullptr, "GPa - WGS 84"); }
};

const GeographicLib::Rhumb kRhumb(GeographicLib::Constants::WGS84_a(),
                                  GeographicLib::Constants::WGS84_f(), true);

double BearingDiff(double a, double b)
{
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

TEST(MonitorModel, GeometryAgreesWithGeographicLib)
{
    struct Row {
        double fromLat, fromLon, toLat, toLon, nextLat, nextLon, vLat, vLon;
    };
    const Row rows[] = {
        {50.0, -4.0, 50.5, -3.0, 51.0, -3.0, 50.2, -3.7},
        {-33.8, 151.3, -34.5, 151.0, -35.0, 150.9, -34.0, 151.25},
        {10.0, 179.5, 10.2, -179.6, 10.5, -179.0, 10.15, 179.9},   // leg across 180
        {60.0, 5.0, 60.0, 6.0, 59.5, 6.5, 60.01, 5.5},
    };
    for (const Row& r : rows) {
        Model m;
        m.route.Add(r.fromLat, r.fromLon, "A");
        m.route.Add(r.toLat, r.toLon, "B");
        m.route.Add(r.nextLat, r.nextLon, "C");
        m.route.active = 2;
        m.Refresh(m.At(r.vLat, r.vLon));
        const CNavValues& v = m.model.Values();
        double s12 = 0, azi = 0;
        kRhumb.Inverse(r.vLat, r.vLon, r.toLat, r.toLon, s12, azi);
        EXPECT_NEAR(v.range, s12 / 1852.0, 1e-4);
        EXPECT_LT(BearingDiff(v.bearing, azi), 1e-4);
        kRhumb.Inverse(r.fromLat, r.fromLon, r.toLat, r.toLon, s12, azi);
        EXPECT_NEAR(v.legLength, s12 / 1852.0, 1e-4);
        EXPECT_LT(BearingDiff(v.legBearing, azi), 1e-4);
        kRhumb.Inverse(r.toLat, r.toLon, r.nextLat, r.nextLon, s12, azi);
        EXPECT_NEAR(v.nextLegLength, s12 / 1852.0, 1e-4);
        EXPECT_EQ(m.model.Texts().legNumber, "1");
        EXPECT_EQ(m.model.Texts().waypointNumber, "2");
        EXPECT_EQ(m.model.Texts().routeName, "Passage");
    }
}

// Left of track is negative, shows "<<<" and steers right ("R" in the
// sentence, which takes the opposite sign); right of track the reverse.
TEST(MonitorModel, CrossTrackSignArrowsAndSteering)
{
    Model m;
    m.steering.on = true;
    m.route.Add(50.0, -4.0);
    m.route.Add(51.0, -4.0);   // leg due north
    m.route.active = 2;
    struct Row {
        double lon;
        bool left;
    };
    for (const Row r : {Row{-4.02, true}, Row{-3.98, false}}) {
        m.steering.sent.clear();
        m.Refresh(m.At(50.5, r.lon));
        const double xte = m.model.Values().xte;
        EXPECT_EQ(xte < 0, r.left);
        EXPECT_NEAR(std::fabs(xte), 0.02 * 60 * std::cos(geo::DegToRad(50.5)), 2e-3);
        EXPECT_EQ(m.model.Texts().leftArrow, r.left);
        EXPECT_EQ(m.model.Texts().rightArrow, !r.left);
        EXPECT_EQ(FormatXteIndicator(xte).front() == '<', r.left);
        ASSERT_EQ(m.steering.sent.size(), 1u);
        EXPECT_EQ(m.steering.sent[0].crossTrackError > 0, r.left)
            << "a vessel left of track steers right";
        EXPECT_EQ(m.steering.sent[0].waypointId, "2");
    }
    // On the first leg without steering the vessel is the from-point: XTE 0, no arrow.
    m.steering.on = false;
    m.route.active = 1;
    m.Refresh(m.At(49.9, -4.1));
    EXPECT_EQ(m.model.Values().xte, 0.0);
    EXPECT_EQ(m.model.Texts().xte, "0.0");
    EXPECT_FALSE(m.model.Texts().leftArrow || m.model.Texts().rightArrow);
    EXPECT_EQ(m.model.Texts().legNumber, "");
}

// The steering sentence read back by pynmea2: a vessel left of track is told
// to steer right, one right of track to steer left.
TEST(MonitorModel, SteeringSentenceReadBackByPynmea2)
{
    Model m;
    m.steering.on = true;
    m.route.Add(50.0, -4.0);
    m.route.Add(51.0, -4.0);
    m.route.active = 2;
    std::string lines;
    for (const double lon : {-4.02, -3.98}) {
        m.steering.sent.clear();
        m.Refresh(m.At(50.5, lon));
        ASSERT_EQ(m.steering.sent.size(), 1u);
        const std::string apb = nmea::ComposeApb(ApbFromSteering(m.steering.sent[0]));
        lines += apb + nmea::CNMEADevice::ChecksumSuffix(apb) + "\n";
    }
    const auto out = brine_test::RunPython(
        "import pynmea2, sys\n"
        "for line in '''" +
        lines +
        "'''.split():\n"
        "    s = pynmea2.parse(line, check=True)\n"
        "    print(s.dir_steer, s.cross_track_err_mag, s.dest_waypoint_id)\n");
    ASSERT_TRUE(out) << "pynmea2 (python3-nmea2) must read the sentences: " << lines;
    EXPECT_EQ(*out, "R 00.76 2\nL 00.76 2\n") << lines;
}

// Arrival and perpendicular are told apart in the steering sentence: a
// vessel inside the arrival circle short of the perpendicular sets only the
// arrival letter, one past the perpendicular outside the circle only the
// perpendicular letter; pynmea2 reads them back.
TEST(MonitorModel, ArrivalAndPerpendicularLettersApartReadBackByPynmea2)
{
    struct Row {
        const char* what;
        double rangeFromWaypoint, bearingFromWaypoint;
        const char* letters;   // arrival, perpendicular as pynmea2 reads them
    };
    const Row rows[] = {
        {"inside the circle, short of the perpendicular", 0.3, 180.0, "'A' ''"},
        {"past the perpendicular, outside the circle", 1.0, 0.0, "'' 'A'"},
    };
    std::string lines, expected;
    for (const Row& r : rows) {
        Model m;
        m.steering.on = true;
        m.route.Add(50.0, -4.0);
        m.route.Add(50.1, -4.0);
        m.route.Add(50.2, -4.0);
        m.route.active = 2;
        m.route.settings.arrivalCircleEntryOn = true;
        m.route.settings.arrivalCircleRadius = 0.5;
        m.route.settings.passingPerpendicularOn = true;
        m.route.settings.autoWptAdvanceOn = false;
        geo::CPosition at;
        ASSERT_TRUE(geo::PositionAtRangeBearing(geo::CPosition(50.1, -4.0), r.rangeFromWaypoint,
                                                r.bearingFromWaypoint, &at));
        m.Refresh(m.At(at.GetLatitude(), at.GetLongitude()));
        ASSERT_EQ(m.steering.sent.size(), 1u) << r.what;
        ASSERT_EQ(m.model.Alarms().Lines().size(), 1u) << r.what;
        const std::string apb = nmea::ComposeApb(ApbFromSteering(m.steering.sent[0]));
        lines += apb + nmea::CNMEADevice::ChecksumSuffix(apb) + "\n";
        expected += std::string(r.letters) + "\n";
    }
    const auto out =
        brine_test::RunPython("import pynmea2\n"
                              "for line in '''" +
                              lines +
                              "'''.split():\n"
                              "    s = pynmea2.parse(line, check=True)\n"
                              "    print(repr(s.arr_circle_entered), repr(s.perp_passed))\n");
    ASSERT_TRUE(out) << "pynmea2 (python3-nmea2) must read the sentences: " << lines;
    EXPECT_EQ(*out, expected) << lines;
}

TEST(MonitorModel, TimeToGo)
{
    struct Row {
        double sog;
        bool given;
    };
    for (const Row r :
         {Row{0.1, true}, Row{0.09, false}, Row{nmea::kNoValue, false}, Row{12.0, true}}) {
        Model m;
        m.route.Add(50.0, -4.0);
        m.route.Add(50.1, -4.0);
        m.route.active = 2;
        m.Refresh(m.At(50.05, -4.0, r.sog));
        const auto& ttg = m.model.Values().timeToGoSeconds;
        ASSERT_EQ(ttg.has_value(), r.given) << r.sog;
        if (r.given) {
            EXPECT_EQ(*ttg, static_cast<long>(m.model.Values().range / r.sog * 3600));
            EXPECT_FALSE(m.model.Texts().eta.empty());
        } else {
            EXPECT_EQ(m.model.Texts().timeToGo, "");
            EXPECT_EQ(m.model.Texts().eta, "");
        }
    }
}

// The ETA is the navigation time plus the time to go: the instrument's time while its fix is
// current (a replay's hour, not the computer's), the computer's once no fix came this cycle.
TEST(MonitorModel, EtaCountsFromTheNavigationTime)
{
    const auto localText = [](std::chrono::system_clock::time_point utc) {
        app::CDateTimeEx when;
        when = std::chrono::system_clock::to_time_t(utc);
        return when.FormatDateTime(true, false);
    };
    Model m;
    m.route.Add(50.0, -4.0);
    m.route.Add(50.1, -4.0);
    m.route.active = 2;
    CNavSnapshot s = m.At(50.05, -4.0, 10.0);
    const auto replayed = m.clock.UtcNow() - std::chrono::hours(24 * 400);
    s.fixTimeUtc = replayed;
    m.Refresh(s);
    ASSERT_TRUE(m.model.Values().timeToGoSeconds);
    const auto ttg = std::chrono::seconds(*m.model.Values().timeToGoSeconds);
    EXPECT_EQ(m.model.Texts().eta, localText(replayed + ttg));

    s.positionAcquired = false;   // the fix's time is carried on, no longer current
    m.clock.Advance(90s);
    m.Refresh(s);
    EXPECT_EQ(m.model.Texts().eta, localText(m.clock.UtcNow() + ttg));
    s.fixTimeUtc.reset();
    s.positionAcquired = true;
    m.Refresh(s);
    EXPECT_EQ(m.model.Texts().eta, localText(m.clock.UtcNow() + ttg));
}

// Arrival at the radius (equal counts), logged and listed once per waypoint,
// then the advance; the sound every 15 s while the list is open.
TEST(MonitorModel, ArrivalAlarmAndAdvance)
{
    Model m;
    Sound sound;
    m.model.SetAlertSound(&sound, "/audio", true);
    m.route.Add(50.0, -4.0, "Start");
    m.route.Add(50.1, -4.0, "");
    m.route.Add(50.2, -4.0, "End");
    m.route.active = 2;
    m.route.settings.arrivalCircleRadius = 0.5;
    // Exactly on the radius: the vessel 0.5 nm south of the waypoint by our own sailing.
    geo::CPosition onCircle;
    geo::PositionAtRangeBearing(geo::CPosition(50.1, -4.0), 0.5, 180.0, &onCircle);
    double r = 0, b = 0;
    geo::RhumbRangeBearing(onCircle, geo::CPosition(50.1, -4.0), &r, &b, true);
    m.route.settings.arrivalCircleRadius = r;
    m.Refresh(m.At(onCircle.GetLatitude(), onCircle.GetLongitude()));
    ASSERT_EQ(m.model.Alarms().Lines().size(), 1u);
    EXPECT_NE(m.model.Alarms().Lines()[0].find("\tArrival circle entered\t2\tNo name"),
              std::string::npos);
    EXPECT_EQ(m.host.notes, (std::vector<std::string>{"Arrival circle entered - Wpt 2 - No name"}));
    EXPECT_EQ(sound.played, (std::vector<std::string>{"Warning, arrival circle entered.wav"}));
    EXPECT_EQ(sound.beeps, 1);   // the file would not play

    // Still inside: no second line or log; the sound waits 15 s.
    for (int s = 1; s <= 15; ++s) {
        m.clock.Advance(1s);
        m.Refresh(m.At(onCircle.GetLatitude(), onCircle.GetLongitude()));
    }
    EXPECT_EQ(m.model.Alarms().Lines().size(), 1u);
    EXPECT_EQ(m.host.notes.size(), 1u);
    EXPECT_EQ(sound.played.size(), 2u);   // at 0 s and at 15 s

    // Automatic advance: the next waypoint, re-armed, a track point forced.
    m.route.settings.autoWptAdvanceOn = true;
    m.Refresh(m.At(onCircle.GetLatitude(), onCircle.GetLongitude()));
    EXPECT_EQ(m.route.active, 3);
    EXPECT_EQ(m.host.forced, 1);
    // At the last waypoint: one alarm more (a second line: the "multiple" sound), no advance.
    m.Refresh(m.At(50.2, -4.0));
    EXPECT_EQ(m.route.active, 3);
    ASSERT_EQ(m.model.Alarms().Lines().size(), 2u);
    EXPECT_EQ(m.model.Alarms().SoundName(), "Warning, multiple waypoint arrival alerts");
    m.model.Alarms().Close();
    EXPECT_FALSE(m.model.Alarms().IsOpen());
}

// The update that passes a waypoint and advances steers for the next one:
// its last sentence names the new waypoint, so its leg and bearings are the
// new leg's, never the passed waypoint's (which would turn the vessel back).
// The passed perpendicular goes before it, with the waypoint it concerns.
TEST(MonitorModel, TheUpdateThatAdvancesSteersForTheNextWaypoint)
{
    Model m;
    m.steering.on = true;
    m.route.Add(50.0, -4.0);
    m.route.Add(50.1, -4.0);
    m.route.Add(50.1, -3.8);   // the route turns east at waypoint 2
    m.route.active = 2;
    m.route.settings.passingPerpendicularOn = true;
    m.route.settings.autoWptAdvanceOn = true;
    // Just past the perpendicular through waypoint 2, a little west of the leg.
    geo::CPosition at;
    ASSERT_TRUE(geo::PositionAtRangeBearing(geo::CPosition(50.1, -4.0), 0.1, 315.0, &at));
    m.Refresh(m.At(at.GetLatitude(), at.GetLongitude()));
    ASSERT_EQ(m.route.active, 3);
    ASSERT_EQ(m.steering.sent.size(), 2u);
    const CSteeringRecord& passed = m.steering.sent[0];
    EXPECT_EQ(passed.waypointId, "2");
    EXPECT_TRUE(passed.perpendicularPassed);
    EXPECT_FALSE(passed.arrivalCircleEntered);
    const CSteeringRecord& r = m.steering.sent[1];
    EXPECT_EQ(r.waypointId, "3");
    EXPECT_FALSE(r.perpendicularPassed) << "the report rode on the next waypoint";
    double range = 0, legBearing = 0, bearing = 0;
    geo::RhumbRangeBearing(geo::CPosition(50.1, -4.0), geo::CPosition(50.1, -3.8), &range,
                           &legBearing, true);
    geo::RhumbRangeBearing(at, geo::CPosition(50.1, -3.8), &range, &bearing, true);
    EXPECT_NEAR(r.bearingOriginToDestination, legBearing, 0.05);
    EXPECT_NEAR(r.bearingToDestination, bearing, 0.05);
    // The panel shows the same waypoint and bearing as the autopilot was given.
    EXPECT_NEAR(m.model.Values().bearing, bearing, 0.05);
}

// The perpendicular through the waypoint, on a leg across 180 degrees.
TEST(MonitorModel, PerpendicularAcrossTheAntimeridian)
{
    struct Row {
        double lon;
        bool passed;
    };
    for (const Row r :
         {Row{179.95, false}, Row{-179.99, false}, Row{-179.95, true}, Row{-179.9, true}}) {
        Model m;
        m.route.settings.arrivalCircleEntryOn = false;
        m.route.settings.passingPerpendicularOn = true;
        m.route.Add(0.0, 179.5);
        m.route.Add(0.0, -179.96);
        m.route.active = 2;
        m.Refresh(m.At(0.01, r.lon));
        EXPECT_EQ(m.model.Alarms().Lines().size(), r.passed ? 1u : 0u) << r.lon;
    }
}

TEST(MonitorModel, OffTrackAtTheLimit)
{
    Model m;
    m.route.Add(0.0, 0.0);
    m.route.Add(1.0, 0.0);
    m.route.active = 2;
    // On the equator a degree of longitude is a fixed length: find the limit from our own XTE.
    m.Refresh(m.At(0.5, 0.002));
    const double limit = std::fabs(m.model.Values().xte);
    m.route.settings.limitOfDeviation = limit;
    m.route.settings.limitOfDeviationOn = true;
    m.Refresh(m.At(0.5, 0.002));
    EXPECT_FALSE(m.host.caution) << "equal is inside";
    m.Refresh(m.At(0.5, 0.0021));
    EXPECT_TRUE(m.host.caution);
    m.Refresh(m.At(0.5, 0.0021));
    m.Refresh(m.At(0.5, 0.0));
    EXPECT_FALSE(m.host.caution);
    EXPECT_EQ(m.host.notes,
              (std::vector<std::string>{"Vessel outside off-track limit for the active route",
                                        "Vessel inside off-track limit for the active route"}));
}

// The wind card from the wind module's store, only while its status is "A".
TEST(MonitorModel, WindCard)
{
    Model m;
    nmea::CNMEAGPSParser wind(m.clock, 5);
    m.model.SetWindStore(wind.Values());
    ASSERT_TRUE(wind.ParseLine(navtest::Sentence("WIMWV,359.6,R,10.5,N,A")));
    m.Refresh(m.At(50.0, -4.0));
    const CMonitorTexts& t = m.model.Texts();
    EXPECT_EQ(t.windAngle[0], "000");
    EXPECT_EQ(t.windReference[0], "Relative");
    EXPECT_EQ(t.windSpeed[0], "10.5");
    EXPECT_EQ(t.windUnit[0], "kn");
    const nmea::CNMEAData& data = m.model.NmeaData();
    EXPECT_EQ(data.flags[0], 1);
    EXPECT_DOUBLE_EQ(data.entries[0].first, 359.6);
    EXPECT_DOUBLE_EQ(data.entries[0].second, 10.5);
    EXPECT_EQ(data.firstTexts[0], "Relative");
    EXPECT_EQ(data.secondTexts[0], "kn");
    ASSERT_TRUE(wind.ParseLine(navtest::Sentence("WIMWV,045.0,T,5.0,M,V")));
    m.Refresh(m.At(50.0, -4.0));
    EXPECT_EQ(t.windAngle[0], "");
    EXPECT_EQ(t.windUnit[0], "");
    EXPECT_EQ(data.flags[0], 0);
    EXPECT_EQ(data.entries[0].second, nmea::kNoValue);
}

// The panel's position is written in the program-wide format: at each
// refresh, and again at once when the format changes between refreshes.
TEST(MonitorModel, PositionFollowsTheProgramWideFormat)
{
    Model m;
    const geo::CPositionFormat before = geo::DisplayFormat();
    geo::SetDisplayFormat({3, true});
    m.Refresh(m.At(47.605, -122.3405));
    const CMonitorTexts& t = m.model.Texts();
    EXPECT_EQ(t.latitude + " " + t.longitude, "47\u00B036'18.000N 122\u00B020'25.800W");
    geo::SetDisplayFormat({1, false});
    m.model.ReformatPosition();
    EXPECT_EQ(t.latitude + " " + t.longitude, "47\u00B036.3'N 122\u00B020.4'W");
    // With no position shown there is nothing to write again.
    m.model.ClearDisplay();
    m.model.ReformatPosition();
    EXPECT_EQ(t.latitude + t.longitude, "");
    geo::SetDisplayFormat(before);
}

// The records' resets, on which their owners rely to tell a missing number
// from a value: the instrument record's position is valid at 0, 0 on the
// default datum and its further numbers read "no value"; the navigation
// record keeps the vessel's own position and drops the other three.
TEST(MonitorModel, RecordsResetToTheirMarks)
{
    nmea::CNMEAData data;
    data.position = geo::CPosition(50.5, -4.25);
    data.position.Invalidate();
    data.furtherNumbers.fill(3.0);
    data.changed = 0;
    data.firstTexts[1] = "kn";
    data.numbers.fill(2.0);
    data.entries[1] = {4.0, 5.0};
    data.flags = {1, 1};
    // The numbers alone: the further ones marked, the changed flag set, the rest kept.
    data.ResetNumbers();
    for (const double n : data.furtherNumbers)
        EXPECT_EQ(n, std::numeric_limits<double>::max());
    EXPECT_EQ(data.changed, 1);
    EXPECT_EQ(data.numbers[4], 2.0);
    EXPECT_EQ(data.firstTexts[1], "kn");
    EXPECT_FALSE(data.position.IsValid());
    data.furtherNumbers.fill(3.0);
    data.changed = 0;
    data.Reset();
    for (const double n : data.numbers)
        EXPECT_EQ(n, 0.0);
    EXPECT_EQ(data.entries[1].first, 0.0);
    EXPECT_EQ(data.entries[1].second, 0.0);
    EXPECT_EQ(data.flags[0] + data.flags[1], 0);
    EXPECT_TRUE(data.position == geo::CPosition());
    EXPECT_TRUE(data.position.IsValid());
    EXPECT_EQ(data.positionFlag, 1);
    for (const double n : data.furtherNumbers)
        EXPECT_EQ(n, std::numeric_limits<double>::max());
    EXPECT_EQ(data.changed, 1);
    EXPECT_EQ(data.firstTexts[1], "");

    nmea::CNavData nav;
    const geo::CPosition own(50.5, -4.25);
    for (auto& p : nav.positions)
        p = own;
    nav.numbers.fill(1.0);
    nav.Reset();
    EXPECT_TRUE(nav.positions[0] == own);
    for (std::size_t i = 1; i < nav.positions.size(); ++i)
        EXPECT_FALSE(nav.positions[i].IsValid()) << i;
    for (const double n : nav.numbers)
        EXPECT_EQ(n, std::numeric_limits<double>::max());
    // The mark is the largest finite double, bit for bit.
    EXPECT_EQ(std::bit_cast<std::uint64_t>(nmea::kNoValue), 0x7FEFFFFFFFFFFFFFull);

    nmea::CRadarData radar;
    radar.numbers = {1.5, 270.0};
    radar.flag = 1;
    radar.Reset();
    EXPECT_EQ(radar.numbers[0], 0.0);
    EXPECT_EQ(radar.numbers[1], 0.0);
    EXPECT_EQ(radar.flag, 0);
}

// The panel's two records follow each refresh: the geometry of the active leg, the
// instrument values the cards show; between refreshes nothing of an older leg stays,
// and the vessel's place stays while no position comes.
TEST(MonitorModel, RecordsFollowEachRefresh)
{
    Model m;
    m.route.Add(50.0, -4.0, "A");
    m.route.Add(50.5, -3.0, "B");
    m.route.Add(51.0, -3.0, "C");
    m.route.active = 2;
    CNavSnapshot at = m.At(50.2, -3.7, 6.0);
    at.cog = 45.0;
    at.depthMetres = 12.5;
    m.Refresh(at);
    const nmea::CNavData& nav = m.model.NavData();
    const nmea::CNMEAData& data = m.model.NmeaData();
    const CNavValues& v = m.model.Values();
    const auto samePlace = [](const geo::CPosition& p, double lat, double lon) {
        return p.IsValid() && std::fabs(p.GetLatitude() - lat) < 1e-9 &&
               std::fabs(p.GetLongitude() - lon) < 1e-9;
    };
    EXPECT_TRUE(samePlace(nav.positions[0], 50.2, -3.7));
    EXPECT_TRUE(samePlace(nav.positions[1], 50.5, -3.0));
    EXPECT_TRUE(samePlace(nav.positions[2], 50.0, -4.0));
    EXPECT_TRUE(samePlace(nav.positions[3], 51.0, -3.0));
    const std::array<double, 9> geometry{v.legLength,       v.legBearing,     v.rangeFromFrom,
                                         v.bearingFromFrom, v.range,          v.bearing,
                                         v.nextLegLength,   v.nextLegBearing, v.xte};
    EXPECT_EQ(nav.numbers, geometry);
    EXPECT_EQ(data.furtherNumbers,
              (std::array<double, 5>{v.bearing, v.range, v.legBearing, v.legLength, v.xte}));
    EXPECT_EQ(data.numbers,
              (std::array<double, 5>{45.0, 6.0, nmea::kNoValue, nmea::kNoValue, 12.5}));
    EXPECT_EQ(data.flags[1], 1);
    EXPECT_TRUE(samePlace(data.position, 50.2, -3.7));

    // The last leg has no next waypoint: its place and numbers go.
    m.route.active = 3;
    m.Refresh(m.At(50.6, -3.0));
    EXPECT_FALSE(nav.positions[3].IsValid());
    EXPECT_EQ(nav.numbers[6], nmea::kNoValue);
    EXPECT_EQ(nav.numbers[7], nmea::kNoValue);
    EXPECT_EQ(m.model.Texts().nextLegLength, "");

    // No route: every navigation number unset, the vessel kept; no position
    // after that: still the vessel's last place.
    m.route.points.clear();
    m.Refresh(m.At(50.7, -3.1));
    for (std::size_t i = 1; i < nav.positions.size(); ++i)
        EXPECT_FALSE(nav.positions[i].IsValid()) << i;
    for (const double n : nav.numbers)
        EXPECT_EQ(n, nmea::kNoValue);
    for (const double n : data.furtherNumbers)
        EXPECT_EQ(n, nmea::kNoValue);
    CNavSnapshot none;
    m.Refresh(none);
    EXPECT_TRUE(samePlace(nav.positions[0], 50.7, -3.1));
    EXPECT_EQ(data.flags[1], 0);
    EXPECT_EQ(data.numbers[0], nmea::kNoValue);
}

TEST(NavTexts, Formats)
{
    struct Row {
        std::string got, want;
    };
    const Row rows[] = {
        {FormatBearing3(359.6), "000"},
        {FormatBearing3(4.5), "005"},
        {FormatBearing3(nmea::kNoValue), ""},
        {FormatCourseText(84.4), " 084"},
        {FormatSpeedText(5.55), " 5.5"},
        {FormatSpeedText(12.25), "12.2"},
        {FormatIndicatorDistance(9.999), "10.00"},
        {FormatIndicatorDistance(0.5), "0.50"},
        {FormatIndicatorDistance(99.94), "99.9"},
        {FormatIndicatorDistance(9999.4), "9999"},
        {FormatIndicatorDistance(10000), "9999+"},
        {FormatDepthText(99.95), "100.0"},
        {FormatDepthText(100), " 100"},
        {FormatDepthText(10000), "9999+"},
        {FormatDepthText(4.2), "  4.2"},
        {FormatXteIndicator(-0.005), "<<<0.0"},
        {FormatXteIndicator(0.0), "0.0"},
        {FormatXteIndicator(1.234), "1.23>>>"},
        {FormatXteIndicator(-25.0), "<<<25.0"},
        {FormatTimeToGo(3725), "0 01:02:05"},
        {FormatTimeToGo(90061), "1 01:01:01"},
        {FormatTimeToGo({}), ""},
        {FormatCursorRangeBearing(1.234, 359.7), "1.23nm, 000\u00b0, (180\u00b0)"},
        {FormatCursorRangeBearing(12.0, 200.2), "12.0nm, 200\u00b0, (020\u00b0)"},
        {FormatCursorRangeBearing(10512.4, 90.0), "10512nm, 090\u00b0, (270\u00b0)"},
        {FormatWindAngle(359.6), "000"},
        {FormatWindAngle(0.4), "000"},
        {FormatWindAngle(45.2), "045"},
        {WindReferenceText('R'), "Relative"},
        {WindReferenceText('X'), ""},
        {WindUnitText('M'), "Meters/Second"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.got, r.want);
}

// The Plan card shows the plan's entry for the leg that ends at the active
// waypoint (the entry after the last leg while the first is active), and
// nothing without a valid plan or such an entry.
TEST(MonitorModel, PlanCardShowsTheLegEndingAtTheActiveWaypoint)
{
    Model m;
    for (int i = 0; i < 4; ++i)
        m.route.Add(50.0 + 0.1 * i, -4.0);
    std::size_t entries = 4;
    m.model.SetPlanSource([&](int index) -> std::optional<CPlanEntry> {
        if (index < 0 || index >= int(entries))
            return std::nullopt;
        // Entry k: set 10k + 45.04, drift k + 0.26, CTS 100 + k, variation
        // west, deviation east.
        return CPlanEntry{10.0 * index + 45.04, index + 0.26, 100.0 + index, -3.26 - index,
                          0.04 * index};
    });
    struct Row {
        int active;
        std::size_t entries;
        const char *set, *drift, *cts, *variation, *deviation;
    };
    const Row rows[] = {
        {2, 4, "  45.0", "   0.3", " 100.0", "   3.3 W", "   0.0 E"},
        {4, 4, "  65.0", "   2.3", " 102.0", "   5.3 W", "   0.1 E"},
        {1, 4, "  75.0", "   3.3", " 103.0", "   6.3 W", "   0.1 E"},
        {1, 3, "", "", "", "", ""},   // no entry after the last leg
        {4, 2, "", "", "", "", ""},   // a plan shorter than the route
    };
    for (const Row& r : rows) {
        m.route.active = r.active;
        entries = r.entries;
        m.Refresh(m.At(50.05, -4.01));
        const CMonitorTexts& t = m.model.Texts();
        const std::string where =
            "waypoint " + std::to_string(r.active) + " of a plan of " + std::to_string(r.entries);
        EXPECT_EQ(t.planSet, r.set) << where;
        EXPECT_EQ(t.planDrift, r.drift) << where;
        EXPECT_EQ(t.planCourseToSteer, r.cts) << where;
        EXPECT_EQ(t.planVariation, r.variation) << where;
        EXPECT_EQ(t.planDeviation, r.deviation) << where;
    }
    // The route changing fills the card without waiting for a position.
    m.route.active = 3;
    entries = 4;
    m.model.FillRouteTexts();
    EXPECT_EQ(m.model.Texts().planSet, "  55.0");
    m.model.SetPlanSource({});
    m.model.FillRouteTexts();
    EXPECT_EQ(m.model.Texts().planSet, "") << "no plan, no card";
}

}   // namespace

namespace {

// The to-waypoint card's "NMEA" source: bearing, range, leg bearing,
// cross-track error and time to go are the GPS's own, the leg length stays
// unset. It is offered only while the GPS gives a cross-track error, a
// bearing and a range, and never while the autopilot steers: a choice of it
// then falls back to "Calc".
TEST(MonitorModel, NmeaSourceTakesTheInstrumentsValues)
{
    Model m;
    nmea::CNMEAGPSParser gps(m.clock, 5);
    m.route.Add(50.0, -4.0, "A");
    m.route.Add(50.1, -4.0, "B");
    m.route.active = 2;
    const CNavSnapshot at = m.At(50.05, -4.01, 6.0);
    const auto refresh = [&] { m.model.Refresh(at, gps.Values(), "GPa - WGS 84"); };
    ASSERT_TRUE(gps.ParseLine(
        navtest::Sentence("GPBWR,120000.00,5006.000,N,00400.000,W,005.0,T,008.0,M,3.25,N,B")));
    m.model.SelectNmeaSource(true);
    refresh();
    EXPECT_FALSE(m.model.Texts().nmeaSourceEnabled) << "no cross-track error yet";
    EXPECT_FALSE(m.model.IsNmeaSourceSelected());
    const std::string calcLegLength = m.model.Texts().legLength;
    EXPECT_FALSE(calcLegLength.empty());

    ASSERT_TRUE(gps.ParseLine(navtest::Sentence("GPXTE,A,A,0.67,L,N")));
    ASSERT_TRUE(gps.ParseLine(navtest::Sentence("GPBOD,003.0,T,006.0,M,B,A")));
    ASSERT_TRUE(gps.ParseLine(navtest::Sentence("GPZTG,120000.00,013005.00,B")));
    m.model.SelectNmeaSource(true);
    refresh();
    const CMonitorTexts& t = m.model.Texts();
    EXPECT_TRUE(t.nmeaSourceEnabled);
    const std::pair<const std::string*, const char*> shown[] = {
        {&t.bearing, "005"}, {&t.range, "3.25"}, {&t.legBearing, "003"},
        {&t.legLength, ""},  {&t.xte, "0.67"},   {&t.timeToGo, "0 01:30:05"}};
    for (const auto& [text, want] : shown)
        EXPECT_EQ(*text, want);
    EXPECT_EQ(m.model.NavData().numbers[0], nmea::kNoValue) << "leg length unset";

    m.steering.on = true;
    refresh();
    EXPECT_FALSE(t.nmeaSourceEnabled);
    EXPECT_FALSE(m.model.IsNmeaSourceSelected());
    EXPECT_EQ(t.legLength, calcLegLength);
}

}   // namespace

// The navigation cycle on a fake clock: the order of the monitor panel's
// messages, the whole logging periods and the strict check interval, the
// switch to dead reckoning when the fixes stop, DR against GeographicLib's
// rhumb line, the return to NMEA, and whole fixes under concurrent writers.

#include "navigator/NavigatorModule.h"

#include <gtest/gtest.h>

#include <GeographicLib/Rhumb.hpp>

#include <atomic>
#include <cmath>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "FakeClock.h"
#include "NavigatorFakes.h"
#include "TempFolder.h"
#include "navigator/LogChooser.h"
#include "navigator/NavIndicators.h"

using namespace std::chrono_literals;
using namespace navigator;

namespace {

struct Cycle {
    brine_test::FakeClock clock;
    navtest::MemorySettings settings;
    navtest::FakeGps gps{clock};
    navtest::FakeLog log;
    CNavigatorModule nav{settings, clock, &gps};
    std::vector<app::CPostedMessage> seen;

    Cycle()
    {
        nav.SetVesselLog(&log);
        nav.SetDrDelay(10s);
    }
    // One timer pass and its messages handled, as the event loop would.
    std::vector<unsigned> Pass()
    {
        nav.NavigationTimerPass();
        std::vector<unsigned> ids;
        nav.PanelQueue().Drain([&](const app::CPostedMessage& m) {
            ids.push_back(m.id);
            seen.push_back(m);
            nav.OnMonitorMessage(m);
        });
        return ids;
    }
    void Feed(const std::string& line) { ASSERT_TRUE(gps.parser.ParseLine(line)) << line; }
};

TEST(NavigationCycle, PostOrderAndWholePeriods)
{
    Cycle c;
    c.nav.SetLoggingPeriod(60s);
    c.nav.SetTrackInterval(30s);
    c.nav.SetBestChartCheckInterval(10s);
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));

    // Every stamp starts at "never": the first tick posts every message.
    EXPECT_EQ(c.Pass(), (std::vector<unsigned>{0x505, 0x501, 0x504, 0x503, 0x506, 0x507, 0x502}));
    EXPECT_EQ(c.seen.back().wParam, 1u);

    // Logging off: nothing is written, so 0x504 and 0x503 come every tick.
    c.clock.Advance(1s);
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    EXPECT_EQ(c.Pass(), (std::vector<unsigned>{0x505, 0x501, 0x504, 0x503, 0x502}));

    // Logging on: each writes once, then once a whole period on: a row
    // every 60 s and a point every 30 s, not a tick later. The ticks come a
    // little early or late (the timer's own jitter), which moves nothing.
    c.log.logging = true;
    c.clock.Advance(1s);
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    c.Pass();
    EXPECT_EQ(c.log.rows, 1);
    EXPECT_EQ(c.log.points, 1);
    // After the first minute each tick is off its second by up to 90 ms.
    const std::chrono::milliseconds jitter[] = {30ms, -40ms, 90ms, -90ms, 0ms, 60ms, -20ms};
    const auto tickAt = [&](int s) { return s * 1000ms + (s > 60 ? jitter[s % 7] : 0ms); };
    for (int s = 1; s <= 121; ++s) {
        c.clock.Advance(tickAt(s) - tickAt(s - 1));
        c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
        const auto ids = c.Pass();
        const bool log = std::count(ids.begin(), ids.end(), 0x504u) == 1;
        const bool track = std::count(ids.begin(), ids.end(), 0x503u) == 1;
        EXPECT_EQ(log, s % 60 == 0) << s;
        EXPECT_EQ(track, s % 30 == 0) << s;
        // Best-chart pair every 10 s after the previous check, strictly.
        if (s <= 60)
            EXPECT_EQ(std::count(ids.begin(), ids.end(), 0x506u), (s + 2) % 11 == 0 ? 1 : 0) << s;
    }
    EXPECT_EQ(c.log.rows, 3);
    EXPECT_EQ(c.log.points, 5);

    // No GPS input: no tick, no messages; a held tick likewise.
    c.gps.receiving = false;
    c.clock.Advance(5s);
    EXPECT_TRUE(c.Pass().empty());
    c.gps.receiving = true;
    c.nav.SetHoldTick(true);
    EXPECT_TRUE(c.Pass().empty());
}

// The fix stops: no caution a second before DRDelay, the caution in the cycle
// that reaches it; DR then carries the vessel; a fresh fix returns to NMEA.
TEST(NavigationCycle, PositionLostAndRegained)
{
    Cycle c;
    c.log.logging = true;
    // A real capture through the parser, one fix a second.
    int fixes = 0;
    for (const std::string& line : navtest::ReadLines(BRINE_NMEA_CAPTURES "/capture-07.nmea")) {
        c.gps.parser.ParseLine(line);
        if (line.find("RMC") != std::string::npos) {
            c.Pass();
            c.clock.Advance(1s);
            ++fixes;
        }
    }
    ASSERT_GT(fixes, 50);
    const auto atLastFix = c.nav.Snapshot();
    ASSERT_TRUE(atLastFix->positionAcquired);
    EXPECT_EQ(atLastFix->source, PositionSourceKind::NMEA);
    EXPECT_FALSE(c.nav.IsNmeaCautionOn());

    // The last fix was 1 s ago; 8 more seconds reach DRDelay - 1.
    for (int s = 0; s < 8; ++s) {
        c.clock.Advance(1s);
        c.Pass();
    }
    EXPECT_FALSE(c.nav.IsNmeaCautionOn());
    EXPECT_EQ(c.nav.NmeaTabTitle(), "NMEA");
    c.clock.Advance(1s);
    c.Pass();
    EXPECT_TRUE(c.nav.IsNmeaCautionOn());
    EXPECT_EQ(c.nav.NmeaTabTitle(), "DR");
    EXPECT_EQ(c.log.Count("EPFS reception lost."), 1);
    EXPECT_EQ(c.log.nextFixType, kEventEpfs);
    c.clock.Advance(1s);
    c.Pass();
    const auto dr = c.nav.Snapshot();
    EXPECT_EQ(dr->source, PositionSourceKind::DR);
    EXPECT_EQ(c.nav.StatusLine(), "DR - Local");
    EXPECT_EQ(c.nav.Monitor().Texts().status, "DR - Local");
    EXPECT_EQ(c.log.Count("CAUTION. NMEA not received. Position calculation transferred to DR."),
              1);

    // A fresh fix returns to NMEA and logs it once.
    c.Feed(navtest::Rmc(10.0, 20.0, 5.0, 90.0));
    c.Pass();
    EXPECT_FALSE(c.nav.IsNmeaCautionOn());
    EXPECT_EQ(c.nav.Snapshot()->source, PositionSourceKind::NMEA);
    EXPECT_NEAR(c.nav.Snapshot()->position.GetLatitude(), 10.0, 1e-6);
    EXPECT_EQ(c.log.Count("EPFS reception re-established"), 1);
}

// A GPS whose fixes carry a time and no date (GLL) after one that sent dates
// (RMC): the monitor shows the new fixes' time, not the old source's.
TEST(NavigationCycle, TheTimeShownIsTheNewestFixsWithoutADate)
{
    Cycle c;
    for (const std::string& line : navtest::ReadLines(BRINE_NMEA_CAPTURES "/capture-06.nmea")) {
        c.gps.parser.ParseLine(line);
        if (line.find("RMC") != std::string::npos) {
            c.Pass();
            c.clock.Advance(1s);
        }
    }
    EXPECT_EQ(c.nav.Monitor().Texts().time.substr(0, 8), "19:41:19");
    for (int s = 0; s < 30; ++s) {   // the receiver is changed: DR meanwhile
        c.clock.Advance(1s);
        c.Pass();
    }
    std::string last;
    for (const std::string& line : navtest::ReadLines(BRINE_NMEA_CAPTURES "/capture-04.nmea")) {
        c.gps.parser.ParseLine(line);
        if (line.rfind("$ECGLL", 0) == 0) {
            c.Pass();
            c.clock.Advance(1s);
            last = line.substr(line.find(",E,") + 3, 6);   // hhmmss
        }
    }
    ASSERT_EQ(c.nav.Snapshot()->source, PositionSourceKind::NMEA);
    const std::string want = last.substr(0, 2) + ":" + last.substr(2, 2) + ":" + last.substr(4, 2);
    EXPECT_EQ(c.nav.Monitor().Texts().time.substr(0, 8), want);
}

// Fixes without a date of their own (GLL) take the date another sentence
// sent; once their hour goes back past midnight that date is yesterday's and
// the fix has no date until a fresh one comes.
TEST(NavigationCycle, MidnightWaitsForAFreshDate)
{
    using namespace std::chrono;
    Cycle c;
    const auto gll = [](const char* time) {
        return navtest::Sentence(std::string("GPGLL,5000.000000,N,00400.000000,W,") + time +
                                 ",A,A");
    };
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0, "235958.00"));   // 7 December 2026
    c.Pass();
    c.clock.Advance(1s);
    c.Feed(gll("235959.00"));
    c.Pass();
    const sys_days dec7 = year_month_day(year(2026), month(12), day(7));
    ASSERT_TRUE(c.nav.Snapshot()->fixTimeUtc.has_value());
    EXPECT_EQ(*c.nav.Snapshot()->fixTimeUtc, dec7 + 23h + 59min + 59s);

    c.clock.Advance(1s);
    c.Feed(gll("000001.00"));
    c.Pass();
    EXPECT_FALSE(c.nav.Snapshot()->fixTimeUtc.has_value()) << "not 7 December, 00:00:01";
    EXPECT_EQ(c.nav.Monitor().Texts().time.substr(0, 8), "00:00:01");
    c.clock.Advance(1s);
    c.Feed(gll("000002.00"));
    c.Pass();
    EXPECT_FALSE(c.nav.Snapshot()->fixTimeUtc.has_value());

    c.clock.Advance(1s);
    c.Feed(navtest::Sentence("GPRMC,000003.00,A,5000.000000,N,00400.000000,W,6.0,45.0,081226,,"));
    c.Feed(gll("000004.00"));
    c.Pass();
    ASSERT_TRUE(c.nav.Snapshot()->fixTimeUtc.has_value()) << "the fresh date is taken";
    EXPECT_EQ(*c.nav.Snapshot()->fixTimeUtc, dec7 + 24h + 4s);
}

// Ten minutes of DR at cycles of 1 to 1.5 s, each course and speed against
// GeographicLib's rhumb line over the seconds since the last fix.
TEST(NavigationCycle, DeadReckoningFollowsTheRhumbLine)
{
    const GeographicLib::Rhumb rhumb(GeographicLib::Constants::WGS84_a(),
                                     GeographicLib::Constants::WGS84_f(), true);
    struct Row {
        double lat, lon, sog, cog;
    };
    const Row rows[] = {
        {50.1, -4.2, 6.0, 45.0},   {-33.9, 18.4, 12.5, 200.0}, {59.5, 10.6, 25.0, 90.0},
        {0.2, 179.9, 18.0, 270.0}, {-0.1, -179.95, 9.0, 95.0}, {70.0, 20.0, 3.3, 359.0},
    };
    for (const Row& r : rows) {
        Cycle c;
        c.Feed(navtest::Rmc(r.lat, r.lon, r.sog, r.cog));
        const auto fixTime = c.clock.Monotonic();
        c.Pass();
        const geo::CPosition start = c.nav.Snapshot()->position;
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> cycleMs(1000, 1500);
        while (c.clock.Monotonic() - fixTime < 10min) {
            c.clock.Advance(std::chrono::milliseconds(cycleMs(rng)));
            c.Pass();
        }
        ASSERT_TRUE(c.nav.Source().IsDrOn());
        const long applied = c.nav.Source().DrSecondsApplied();
        const long elapsed =
            std::chrono::duration_cast<std::chrono::seconds>(c.clock.Monotonic() - fixTime).count();
        // DR covers the time since the fix, less at most the part second of the last cycle.
        EXPECT_LE(applied, elapsed);
        EXPECT_GE(applied, elapsed - 2) << "lost time";
        double lat2 = 0, lon2 = 0;
        rhumb.Direct(start.GetLatitude(), start.GetLongitude(), r.cog,
                     r.sog * applied / 3600.0 * 1852.0, lat2, lon2);
        const geo::CPosition end = c.nav.Snapshot()->position;
        double s12 = 0, azi = 0;
        rhumb.Inverse(end.GetLatitude(), end.GetLongitude(), lat2, lon2, s12, azi);
        EXPECT_LT(s12 / 1852.0, 1e-4) << r.lat << " " << r.cog;
    }
}

// In DR the confirmation warning comes every 5 minutes until confirmed.
TEST(NavigationCycle, ConfirmationRepeatsInDeadReckoning)
{
    Cycle c;
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    c.Pass();
    c.clock.Advance(6s);   // the fix has aged out: a valid one would end the user's DR at once
    c.nav.SwitchToDeadReckoningByUser();
    std::vector<int> shownAt;
    for (int s = 1; s <= 16 * 60; ++s) {
        c.clock.Advance(1s);
        const int before = c.nav.ConfirmationWarningsShown();
        c.Pass();
        if (c.nav.ConfirmationWarningsShown() > before)
            shownAt.push_back(s);
    }
    EXPECT_EQ(shownAt, (std::vector<int>{300, 600, 900}));
    c.nav.Source().ConfirmPosition();
    EXPECT_FALSE(c.nav.IsConfirmationWarningOn());
}

// Leaving a workspace (and closing, which leaves it too) counts as the user's
// confirmation: the warning goes off and the next one is five minutes on.
TEST(NavigationCycle, LeavingTheWorkspaceConfirmsThePosition)
{
    Cycle c;
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    c.Pass();
    c.clock.Advance(6s);
    c.nav.SwitchToDeadReckoningByUser();
    for (int s = 1; s <= 300 && !c.nav.IsConfirmationWarningOn(); ++s) {
        c.clock.Advance(1s);
        c.Pass();
    }
    ASSERT_TRUE(c.nav.IsConfirmationWarningOn());
    const int shown = c.nav.ConfirmationWarningsShown();
    c.clock.Advance(120s);
    c.nav.CloseWorkspaceWindows();
    EXPECT_FALSE(c.nav.IsConfirmationWarningOn());
    for (int s = 1; s < 300; ++s) {
        c.clock.Advance(1s);
        c.Pass();
    }
    EXPECT_EQ(c.nav.ConfirmationWarningsShown(), shown) << "counted again from the confirmation";
    c.clock.Advance(1s);
    c.Pass();
    EXPECT_EQ(c.nav.ConfirmationWarningsShown(), shown + 1);
}

// One writer alternates two far-apart fixes, NMEA and DR, flat out; reader
// threads copy fixes and snapshots while the user-interface thread runs the
// cycle and publishes snapshots. No read mixes two fixes.
TEST(NavigationCycle, FixesAreNeverTorn)
{
    Cycle c;   // the clock stands still: every received fix stays valid
    nmea::CNMEAFixRecord& record = c.gps.parser.FixRecord();
    const auto stamp = c.clock.Monotonic();
    auto makeFix = [stamp](bool a) {
        nmea::CNMEAFix f;
        f.latitude = a ? 10.0 : -50.0;
        f.longitude = a ? 20.0 : -120.0;
        f.datum = nmea::CNMEAFix::CDatumItems{a ? "W84" : "999", a ? 0.0 : 1.5, a ? 0.0 : -2.5,
                                              a ? "W84" : "W72"};
        f.utcTime = a ? 101010.0 : 202020.0;
        f.date = 71226.0;
        f.source = a ? nmea::FixSource::NMEA : nmea::FixSource::DR;
        f.monotonic = stamp;
        return f;
    };
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (bool a = true; !stop.load(std::memory_order_relaxed); a = !a)
            record.Write(makeFix(a));
    });
    std::atomic<long> reads{0}, snapshots{0}, torn{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 2; ++i)
        readers.emplace_back([&] {
            while (!stop.load(std::memory_order_relaxed)) {
                const nmea::CNMEAFix f = record.Read();
                if (f.sequence == 0)
                    continue;
                const nmea::CNMEAFix want = makeFix(f.latitude == 10.0);
                if (f.longitude != want.longitude || f.datum->localCode != want.datum->localCode ||
                    f.datum->latitudeOffset != want.datum->latitudeOffset ||
                    f.utcTime != want.utcTime || f.source != want.source)
                    torn.fetch_add(1);
                reads.fetch_add(1);
            }
        });
    readers.emplace_back([&] {
        while (!stop.load(std::memory_order_relaxed)) {
            const auto snap = c.nav.Snapshot();
            if (snap->positionAcquired) {
                const double lat = snap->position.GetLatitude(),
                             lon = snap->position.GetLongitude();
                if (!(lat == 10.0 && lon == 20.0) || snap->fixTimeUtc == std::nullopt)
                    torn.fetch_add(1);
                snapshots.fetch_add(1);
            }
        }
    });
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < end)
        c.Pass();
    stop = true;
    writer.join();
    for (auto& t : readers)
        t.join();
    EXPECT_GT(reads.load(), 1000);
    EXPECT_GT(snapshots.load(), 100);
    EXPECT_EQ(torn.load(), 0);
}

}   // namespace

namespace {

// Without datum sentences the last good datum holds for five minutes; at
// five minutes the question is asked once, without holding up the cycle.
TEST(NavigationCycle, DatumQuestionAfterFiveMinutesWithoutDtm)
{
    Cycle c;
    int asked = 0;
    c.nav.SetGpsConfigurationAsker([&] { ++asked; });
    for (int s = 0; s < 299; ++s) {
        c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
        c.Pass();
        c.clock.Advance(1s);
    }
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    c.Pass();   // 4:59 since the first cycle
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(c.nav.Source().IsDatumAssumed());
    c.clock.Advance(1s);
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    c.Pass();   // 5:00
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(c.nav.Source().IsDatumAssumed());
    // Asking clears both confirmations; only OK sets them again.
    EXPECT_FALSE(c.nav.Source().Wgs84Flag());
    EXPECT_FALSE(c.nav.Source().GmtFlag());
    EXPECT_TRUE(c.nav.Snapshot()->positionAcquired)
        << "the cycle goes on while the question is open";
    EXPECT_EQ(c.nav.StatusLine().substr(0, 3), "GPm");
    for (int s = 0; s < 400; ++s) {
        c.clock.Advance(1s);
        c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
        c.Pass();
    }
    EXPECT_EQ(asked, 1) << "asked once while the program runs";
    // The answer: logged at the next refresh, and a track point forced.
    c.log.logging = true;
    c.nav.AnswerGpsConfiguration(true, true);
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    c.Pass();
    EXPECT_EQ(c.log.Count("User confirmed GPS set to WGS84"), 1);
    EXPECT_TRUE(c.nav.Source().Wgs84Flag() && c.nav.Source().GmtFlag());
    // A datum sentence ends the assumption.
    c.Feed("$GPDTM,W84,,0.0,N,0.0,E,0.0,W84*6F");
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    c.Pass();
    EXPECT_FALSE(c.nav.Source().IsDatumAssumed());
}

// The datum question is put once while the program runs: a GPS that falls
// silent (dead reckoning meanwhile) and comes back does not bring it again,
// nor does NMEA chosen again while the receive side waits for its
// instrument. Only input switched off lets it be asked once more when the
// input resumes.
TEST(NavigationCycle, DatumQuestionOnceAcrossAGapAgainAfterInputOff)
{
    Cycle c;
    c.nav.SetReceiveToggle([&](bool open) {
        c.gps.receiving = open;
        return true;
    });
    int asked = 0;
    c.nav.SetGpsConfigurationAsker([&] { ++asked; });
    const auto fixesFor = [&](int seconds) {
        for (int s = 0; s < seconds; ++s) {
            c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
            c.Pass();
            c.clock.Advance(1s);
        }
    };
    fixesFor(301);
    ASSERT_EQ(asked, 1);
    c.nav.AnswerGpsConfiguration(true, true);

    // A gap: 40 s without fixes, dead reckoning, then the GPS again.
    for (int s = 0; s < 40; ++s) {
        c.Pass();
        c.clock.Advance(1s);
    }
    ASSERT_TRUE(c.nav.Source().IsDrOn());
    fixesFor(11 * 60);
    EXPECT_FALSE(c.nav.Source().IsDrOn());
    EXPECT_EQ(asked, 1) << "a GPS back after a gap";

    // NMEA chosen while the port waits for the instrument: input switched on.
    c.gps.receiving = false;
    CPositionSourceChoice nmea;
    nmea.source = SourceChoice::NMEA;
    c.nav.ApplyPositionSource(nmea);
    ASSERT_TRUE(c.gps.receiving);
    fixesFor(11 * 60);
    EXPECT_EQ(asked, 1) << "input switched on";

    CPositionSourceChoice off;
    off.source = SourceChoice::Off;
    c.nav.ApplyPositionSource(off);
    c.clock.Advance(1min);
    c.nav.ApplyPositionSource(nmea);
    fixesFor(301);
    EXPECT_EQ(asked, 2) << "input switched off and on again";
}
}   // namespace

namespace {

using navtest::FakeCharts;

// A position the chart's datum cannot take is not handed to the chart for
// re-centring. The autoscroll step still runs, on the position as it came, so
// the chart that holds the vessel can be found; the best-chart check takes the
// vessel's position as it came and converts it for the chart it checks.
TEST(NavigationCycle, FailedDatumConversionIsSkipped)
{
    Cycle c;
    FakeCharts charts;
    c.nav.SetChartHost(&charts);
    charts.convertFails = true;
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    c.Pass();
    EXPECT_EQ(charts.scrolls, 0);
    EXPECT_EQ(charts.steps, 1);
    EXPECT_EQ(charts.checks, 1);
    EXPECT_EQ(charts.redraws, 1);   // the own vessel still moves
    charts.convertFails = false;
    c.clock.Advance(11s);
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    c.Pass();
    EXPECT_EQ(charts.scrolls, 1);   // 0x505 every tick
    EXPECT_EQ(charts.steps, 2);   // 0x506 with the check
    EXPECT_EQ(charts.checks, 2);
}

// The Monitor's datum-shift line follows the active chart's status for each
// position taken: the chart's kind after every status but "None available"
// (white on red) and "Not applicable"; no chart host reads "Not applicable".
TEST(NavigationCycle, DatumShiftLineFollowsTheActiveChart)
{
    Cycle c;
    auto line = [&] { return c.nav.Monitor().Texts().datumShift; };
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    c.Pass();
    EXPECT_EQ(line(), "Not applicable");

    FakeCharts charts;
    c.nav.SetChartHost(&charts);
    charts.chartKind = "Chart";
    struct Row {
        int status;
        const char* text;
        bool alert;
    };
    const Row rows[] = {
        {0, "Applied - Chart", false}, {1, "None applied - Chart", false},
        {2, "None available", true},   {3, "None required - Chart", false},
        {4, "Not applicable", false},  {5, "Error - Chart", false},
        {9, "Error - Chart", false},   {0, "Applied - Chart", false},
    };
    for (const Row& r : rows) {
        charts.shiftStatus = r.status;
        c.clock.Advance(1s);
        c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
        c.Pass();
        EXPECT_EQ(line(), r.text) << r.status;
        EXPECT_EQ(c.nav.Monitor().Texts().datumShiftAlert, r.alert) << r.status;
    }
    ASSERT_FALSE(charts.shiftAsked.empty());
    EXPECT_NEAR(charts.shiftAsked.back().GetLatitude(), 50.0, 1e-6) << "the vessel's position";
    EXPECT_NEAR(charts.shiftAsked.back().GetLongitude(), -4.0, 1e-6);
    // A chart of no kind text: the status alone.
    charts.chartKind.clear();
    charts.shiftStatus = 3;
    c.clock.Advance(1s);
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    c.Pass();
    EXPECT_EQ(line(), "None required");
}

class SilentSound final : public app::CAlertSound {
public:
    bool Play(const std::filesystem::path&) override { return true; }
    void Beep() override { }
};

// The navigator's four bar messages: registered inactive with their texts and
// priorities, the confirmation warning as the one the user may take off the
// bar, and all of them gone after Terminate though none was ever switched on.
TEST(NavigationCycle, TheBarMessagesAsRegisteredAndRemoved)
{
    Cycle c;
    SilentSound sound;
    app::CMsgBar bar(c.clock, sound, ".");
    c.nav.SetMessageBar(&bar);
    struct Expected {
        const char* text;
        std::uint16_t priority;
        bool clearable;
    };
    const Expected expected[] = {
        {"CAUTION. NMEA not received. Position calculation transferred to DR.", 50000, false},
        {"CAUTION. Vessel deviating from planned course.", 49000, false},
        {"Position confirmation required, please confirm vessel position, course and speed.", 50001,
         true},
        {"Vessel position is not visible.", 20000, false},
    };
    for (const Expected& e : expected) {
        const app::CWarningMsg* found = nullptr;
        for (const auto& m : bar.Messages())
            if (m->text == e.text)
                found = m.get();
        ASSERT_NE(found, nullptr) << e.text;
        EXPECT_EQ(found->priority, e.priority) << e.text;
        EXPECT_EQ(found->activeCount, 0) << e.text;
        EXPECT_EQ(found->clearable, e.clearable) << e.text;
    }
    // Higher priority first: the confirmation warning heads the bar.
    EXPECT_EQ(bar.Messages().front()->text, expected[2].text);
    c.nav.Terminate();
    for (const Expected& e : expected)
        for (const auto& m : bar.Messages())
            EXPECT_NE(m->text, e.text) << "still registered after Terminate";
}

// "Vessel position is not visible." comes up only at the best-chart check,
// but goes at the first tick after the vessel is on screen again, and at once
// when Go To Vessel brings it there.
TEST(NavigationCycle, NotVisibleWarningGoesOnceTheVesselIsOnScreen)
{
    Cycle c;
    SilentSound sound;
    app::CMsgBar bar(c.clock, sound, ".");
    c.nav.SetMessageBar(&bar);
    FakeCharts charts;
    c.nav.SetChartHost(&charts);
    c.nav.SetBestChartCheckInterval(10s);
    auto warning = [&] {
        for (const auto& m : bar.Messages())
            if (m->text == "Vessel position is not visible.")
                return m->activeCount > 0;
        ADD_FAILURE() << "the message is not registered";
        return false;
    };
    auto tick = [&] {
        c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
        c.Pass();
        c.clock.Advance(1s);
    };
    charts.visible = false;
    tick();
    EXPECT_TRUE(warning()) << "the first tick's check finds the vessel off screen";
    charts.visible = true;   // the user pans to it
    tick();
    EXPECT_FALSE(warning()) << "gone at the next tick, not at the next check";

    charts.visible = false;   // panned away again: up only at the next check
    for (int s = 2; s <= 10; ++s)
        tick();
    EXPECT_FALSE(warning());
    tick();
    EXPECT_TRUE(warning());

    bool onScreenAfterGoTo = false;
    c.nav.SetGoToPosition(
        [&](const geo::CPosition&) {
            charts.visible = onScreenAfterGoTo = true;
            return true;
        },
        [] { return true; });
    ASSERT_TRUE(c.nav.GoToVessel());
    EXPECT_TRUE(onScreenAfterGoTo);
    EXPECT_FALSE(warning()) << "Go To Vessel clears it at once";
    c.nav.Terminate();   // lets go of the bar before it goes
}

// While logging, the track's line runs on from the last track point to the
// vessel: the trail starts again at each point and gains the vessel's place
// each tick; without logging there is none.
TEST(NavigationCycle, TheTrailRunsFromTheLastPointToTheVessel)
{
    Cycle c;
    c.nav.SetLoggingPeriod(60s);
    c.nav.SetTrackInterval(30s);
    c.log.logging = true;
    c.Feed(navtest::Rmc(47.6, -122.4, 6.0, 0.0));
    c.Pass();
    ASSERT_EQ(c.log.points, 1);
    ASSERT_EQ(c.nav.OwnTrail().size(), 1u) << "the point just written";
    for (int s = 1; s <= 10; ++s) {
        c.clock.Advance(1s);
        c.Feed(navtest::Rmc(47.6 + s * 1e-4, -122.4, 6.0, 0.0));
        c.Pass();
    }
    ASSERT_EQ(c.nav.OwnTrail().size(), 11u);
    EXPECT_NEAR(c.nav.OwnTrail().back().GetLatitude(), 47.601, 1e-6);
    c.clock.Advance(25s);
    c.Feed(navtest::Rmc(47.602, -122.4, 6.0, 0.0));
    c.Pass();
    EXPECT_EQ(c.log.points, 2);
    ASSERT_EQ(c.nav.OwnTrail().size(), 1u);
    EXPECT_NEAR(c.nav.OwnTrail().front().GetLatitude(), 47.602, 1e-6);
    c.log.logging = false;
    c.clock.Advance(1s);
    c.Feed(navtest::Rmc(47.603, -122.4, 6.0, 0.0));
    c.Pass();
    EXPECT_TRUE(c.nav.OwnTrail().empty());
}

// The chart window that follows the vessel comes with the voyage and goes
// with its end; one the user closed is let go; one open when the settings
// were written follows again at the next start once a position comes.
TEST(NavigationCycle, MonitorWindowFollowsTheVoyage)
{
    brine_test::TempFolder dir;
    Cycle c;
    c.nav.Logbook().SetFolder(dir.Path());
    ASSERT_TRUE(c.nav.OpenVesselLog((dir / "Trip").string()));
    FakeCharts charts;
    c.nav.SetChartHost(&charts);
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    c.Pass();
    EXPECT_EQ(charts.attaches, 0);

    ASSERT_TRUE(c.nav.StartVoyage("V1", "Ada"));
    EXPECT_EQ(charts.attaches, 1);
    EXPECT_NEAR(charts.attachedAt.GetLatitude(), 50.0, 1e-9);
    EXPECT_NEAR(charts.attachedAt.GetLongitude(), -4.0, 1e-9);
    EXPECT_TRUE(c.nav.IsMonitorWindowOn());
    c.nav.SetAutoscrollWindow(true);   // already attached: nothing opens twice
    EXPECT_EQ(charts.attaches, 1);

    charts.attached = false;   // the user closed the window
    c.Pass();
    EXPECT_FALSE(c.nav.IsMonitorWindowOn());
    c.nav.SetAutoscrollWindow(true);   // the menu command brings it back
    EXPECT_EQ(charts.attaches, 2);
    c.nav.SaveSettings();

    // The next start: nothing before a position, then the window.
    CNavigatorModule next{c.settings, c.clock, &c.gps};
    next.LoadSettings();
    next.Logbook().SetFolder(dir.Path());
    FakeCharts nextCharts;
    next.SetChartHost(&nextCharts);
    next.NavigationTimerPass();
    EXPECT_EQ(nextCharts.attaches, 0);
    EXPECT_TRUE(next.Logbook().IsLogging());
    c.Feed(navtest::Rmc(50.1, -4.1, 6.0, 45.0));
    next.NavigationTimerPass();
    next.PanelQueue().Drain([&](const app::CPostedMessage& m) { next.OnMonitorMessage(m); });
    next.NavigationTimerPass();
    EXPECT_EQ(nextCharts.attaches, 1);
    EXPECT_NEAR(nextCharts.attachedAt.GetLatitude(), 50.1, 1e-9);
    next.NavigationTimerPass();
    EXPECT_EQ(nextCharts.attaches, 1);
    next.Logbook().Close(true);

    ASSERT_TRUE(c.nav.EndVoyage());
    EXPECT_EQ(charts.releases, 1);
    EXPECT_FALSE(charts.attached);
    c.nav.SaveSettings();
    CNavigatorModule after{c.settings, c.clock, &c.gps};
    after.LoadSettings();
    after.Logbook().SetFolder(dir.Path());
    FakeCharts afterCharts;
    after.SetChartHost(&afterCharts);
    after.NavigationTimerPass();
    after.NavigationTimerPass();
    EXPECT_EQ(afterCharts.attaches, 0);
    after.Logbook().Close(true);
    c.nav.Logbook().Close(true);
}

// File > Exit during a voyage and a new start: the voyage goes on with
// logging and the following window, its rows a new append carrying the
// voyage's id; a voyage started after it is listed in the log chooser under
// its own name, not the first voyage's.
TEST(NavigationCycle, AVoyageGoesOnAcrossARestart)
{
    brine_test::TempFolder dir;
    std::uint32_t firstVessel = 0;
    Cycle c;
    {
        c.nav.Logbook().SetFolder(dir.Path());
        ASSERT_TRUE(c.nav.OpenVesselLog((dir / "Crossing").string()));
        c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
        c.Pass();
        ASSERT_TRUE(c.nav.StartVoyage("V1", "Ada"));
        firstVessel = c.nav.Logbook().OwnVessel()->vesselId;
        // File > Exit: the workspace is saved with the log still open, then the log closes.
        c.nav.SaveSettings();
        ASSERT_TRUE(c.nav.Logbook().Close(true));
    }
    CNavigatorModule next{c.settings, c.clock, &c.gps};
    next.LoadSettings();
    next.Logbook().SetFolder(dir.Path());
    FakeCharts charts;
    next.SetChartHost(&charts);
    c.Feed(navtest::Rmc(50.1, -4.1, 6.0, 45.0));
    next.NavigationTimerPass();
    next.PanelQueue().Drain([&](const app::CPostedMessage& m) { next.OnMonitorMessage(m); });
    next.NavigationTimerPass();
    CVesselLogbook& log = next.Logbook();
    EXPECT_TRUE(log.IsVoyageRunning());
    EXPECT_TRUE(log.IsLogging());
    EXPECT_EQ(charts.attaches, 1);
    ASSERT_NE(log.OwnVessel(), nullptr);
    EXPECT_EQ(log.OwnVessel()->voyageId, "V1");
    EXPECT_EQ(log.OwnVessel()->watchOfficer, "Ada");
    EXPECT_EQ(log.OwnVessel()->vesselId, firstVessel);
    EXPECT_EQ(log.OwnVessel()->appendNo, 2u);

    ASSERT_TRUE(next.EndVoyage());
    EXPECT_FALSE(log.IsLogging());
    EXPECT_FALSE(charts.attached);
    ASSERT_TRUE(next.StartVoyage("V2", "Bo"));
    EXPECT_EQ(log.OwnVessel()->voyageId, "V2");
    EXPECT_EQ(log.OwnVessel()->appendNo, 3u);
    ASSERT_TRUE(next.EndVoyage());
    // Ended before the exit, whose workspace save finds the log still open.
    next.SaveSettings();
    const std::string path = log.LogPath() + ".dbf";
    ASSERT_TRUE(log.Close(true));
    // The chooser groups one vessel's appends under the voyage of its first.
    const auto groups = ReadLogTree(path);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, "V1");
    EXPECT_EQ(groups[0].vesselId, firstVessel);
    ASSERT_EQ(groups[0].leaves.size(), 3u);
    EXPECT_EQ(groups[0].leaves[1].appendNo, 2u);
    EXPECT_EQ(groups[0].leaves[2].appendNo, 3u);

    // The next start has neither voyage nor logging.
    CNavigatorModule third{c.settings, c.clock, &c.gps};
    third.LoadSettings();
    third.Logbook().SetFolder(dir.Path());
    third.NavigationTimerPass();
    EXPECT_FALSE(third.Logbook().IsVoyageRunning());
    EXPECT_FALSE(third.Logbook().IsLogging());
    third.Logbook().Close(true);
}

// A start with the GPS port open and silent: the vessel stands where the
// log last had it, and after the DR delay dead reckoning carries on from
// there. The voyage taken up gets the loss, the caution once, rows and
// points; and the datum wait restarts while DR runs, so the GPS coming back
// after a long loss is not asked about its datum at once.
TEST(NavigationCycle, DeadReckoningFromTheLogsPlaceAfterARestart)
{
    brine_test::TempFolder dir;
    Cycle c;
    {
        CNavigatorModule first{c.settings, c.clock, &c.gps};
        first.Logbook().SetFolder(dir.Path());
        ASSERT_TRUE(first.OpenVesselLog((dir / "Crossing").string()));
        const auto pass = [&] {
            first.NavigationTimerPass();
            first.PanelQueue().Drain(
                [&](const app::CPostedMessage& m) { first.OnMonitorMessage(m); });
        };
        c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
        pass();
        ASSERT_TRUE(first.StartVoyage("V1", "Ada"));
        c.clock.Advance(1s);
        c.Feed(navtest::Rmc(50.01, -4.01, 6.0, 45.0));
        pass();
        // File > Exit: the workspace saved with the log open, then the log closed.
        first.SaveSettings();
        ASSERT_TRUE(first.Logbook().Close(true));
    }

    navtest::FakeGps silent{c.clock};   // its port open, nothing arriving
    CNavigatorModule next{c.settings, c.clock, &silent};
    next.LoadSettings();
    next.SetDrDelay(10s);
    next.Logbook().SetFolder(dir.Path());
    int asked = 0;
    next.SetGpsConfigurationAsker([&] { ++asked; });
    std::size_t rowsWritten = 0;
    next.SetRowListener([&](const CLogVessel&) { ++rowsWritten; });
    const auto pass = [&] {
        next.NavigationTimerPass();
        next.PanelQueue().Drain([&](const app::CPostedMessage& m) { next.OnMonitorMessage(m); });
    };
    pass();
    ASSERT_TRUE(next.Logbook().IsLogging());
    const CLogVessel* own = next.Logbook().OwnVessel();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->appendNo, 2u);
    EXPECT_NEAR(next.Snapshot()->position.GetLatitude(), 50.01, 1e-6);
    for (int s = 1; s < 10; ++s) {
        c.clock.Advance(1s);
        pass();
    }
    EXPECT_FALSE(next.Source().IsDrOn());
    EXPECT_EQ(rowsWritten, 0u) << "nothing to log before the position comes";
    c.clock.Advance(1s);
    pass();
    ASSERT_TRUE(next.Source().IsDrOn());
    c.clock.Advance(1s);
    pass();
    const auto dr = next.Snapshot();
    EXPECT_TRUE(dr->positionAcquired);
    EXPECT_EQ(dr->source, PositionSourceKind::DR);
    EXPECT_NEAR(dr->position.GetLatitude(), 50.01, 1e-6);
    EXPECT_NEAR(dr->position.GetLongitude(), -4.01, 1e-6);
    EXPECT_EQ(next.Monitor().Texts().status, "DR - Local");
    EXPECT_FALSE(next.Monitor().Texts().latitude.empty());
    // "EPFS reception lost.", the caution once, and the row due at once.
    EXPECT_GE(rowsWritten, 3u);
    EXPECT_GE(own->track.RecordCount(), 1);
    const std::size_t rows = rowsWritten;

    // Six minutes of DR, then the GPS is back without a datum sentence.
    for (int s = 0; s < 360; ++s) {
        c.clock.Advance(1s);
        pass();
    }
    EXPECT_EQ(rowsWritten, rows + 6)
        << "a row at each minute's logging period, the caution not again";
    c.clock.Advance(1s);
    ASSERT_TRUE(silent.parser.ParseLine(navtest::Rmc(50.02, -4.02, 6.0, 45.0)));
    pass();
    EXPECT_EQ(next.Snapshot()->source, PositionSourceKind::NMEA);
    EXPECT_EQ(asked, 0) << "the datum wait restarted during DR";
    next.Logbook().Close(true);
}

// File > Exit while dead reckoning runs: the track ends with one point where
// the vessel is, whatever the last tick had left waiting for the panel.
TEST(NavigationCycle, ExitInDeadReckoningEndsTheTrackOnce)
{
    brine_test::TempFolder dir;
    Cycle c;
    CNavigatorModule nav{c.settings, c.clock, &c.gps};
    nav.Logbook().SetFolder(dir.Path());
    ASSERT_TRUE(nav.OpenVesselLog((dir / "Crossing").string()));
    const auto drain = [&] {
        nav.PanelQueue().Drain([&](const app::CPostedMessage& m) { nav.OnMonitorMessage(m); });
    };
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    nav.NavigationTimerPass();
    drain();
    ASSERT_TRUE(nav.StartVoyage("V1", "Ada"));
    c.clock.Advance(1s);
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    nav.NavigationTimerPass();
    drain();
    // The fixes stop: DR after the delay (its forced point), then a minute on.
    for (int s = 0; s < 80; ++s) {
        c.clock.Advance(1s);
        nav.NavigationTimerPass();
        drain();
    }
    ASSERT_TRUE(nav.Source().IsDrOn());
    const CLogVessel* own = nav.Logbook().OwnVessel();
    ASSERT_NE(own, nullptr);
    const std::filesystem::path trc = own->track.Path();
    const auto points = [&] { return std::filesystem::file_size(trc) / 85; };
    // The exit comes between a tick that found a point due and the panel's
    // handling of its messages (they follow in the closing's last pass).
    c.clock.Advance(1s);
    nav.SetTrackInterval(1s);
    nav.NavigationTimerPass();
    const auto before = points();
    nav.ShutDown();
    drain();
    nav.NavigationTimerPass();
    drain();
    nav.Terminate();
    EXPECT_EQ(points(), before + 1) << "the closing point is the track's last, written once";
}

// Navigator > Data Logging reaches the next start through the workspace's
// save: a start after a crash (the switch made, no save) finds the value the
// workspace was last saved with.
TEST(NavigationCycle, TheDataLoggingSwitchReachesTheNextStartWithTheWorkspace)
{
    brine_test::TempFolder dir;
    Cycle c;
    c.nav.Logbook().SetFolder(dir.Path());
    ASSERT_TRUE(c.nav.OpenVesselLog((dir / "Watch").string()));
    c.Feed(navtest::Rmc(47.7, -122.45, 8.0, 160.0));
    c.Pass();
    ASSERT_FALSE(c.nav.Logbook().IsLogging());

    const auto nextStartLogs = [&c] {
        CNavigatorModule next{c.settings, c.clock, &c.gps};
        next.LoadSettings();
        return next.Logbook().IsLogging();
    };
    c.nav.SetLogging(true);
    EXPECT_FALSE(nextStartLogs()) << "switched on, then a crash before any save";
    c.nav.SaveSettings();
    EXPECT_TRUE(nextStartLogs());
    c.nav.SetLogging(false);
    EXPECT_TRUE(nextStartLogs()) << "switched off, then a crash: the saved value";
    c.nav.SaveSettings();
    EXPECT_FALSE(nextStartLogs());
    c.nav.Logbook().Close(true);
}

// File > Open of another log during a voyage: appended to, the voyage goes
// on in it (a new append of its vessel, the same voyage); opened only to be
// read, the voyage ends, logging stops and the following window goes, and no
// row is written into it.
TEST(NavigationCycle, OpeningAnotherLogTakesTheVoyageOnOrEndsIt)
{
    brine_test::TempFolder dir;
    Cycle c;
    c.nav.Logbook().SetFolder(dir.Path());
    FakeCharts charts;
    c.nav.SetChartHost(&charts);
    ASSERT_TRUE(c.nav.OpenVesselLog((dir / "Earlier").string()));
    c.Feed(navtest::Rmc(47.6, -122.4, 6.0, 45.0));
    c.Pass();
    ASSERT_TRUE(c.nav.StartVoyage("PS-0701", "Ada"));
    ASSERT_TRUE(c.nav.Logbook().Close(true));

    ASSERT_TRUE(c.nav.OpenVesselLog((dir / "Trip").string()));
    ASSERT_TRUE(c.nav.StartVoyage("PS-0712", "Bo"));
    ASSERT_TRUE(charts.attached);

    // Opened to be read: nothing goes on in it.
    c.nav.Logbook().SetAppendToExisting(false);
    ASSERT_TRUE(c.nav.OpenVesselLog((dir / "Earlier").string()));
    EXPECT_FALSE(c.nav.Logbook().IsVoyageRunning());
    EXPECT_FALSE(c.nav.Logbook().IsLogging());
    EXPECT_FALSE(charts.attached);
    c.clock.Advance(10s);
    c.Feed(navtest::Rmc(47.61, -122.41, 6.0, 45.0));
    c.Pass();
    ASSERT_EQ(c.nav.Logbook().Vessels().size(), 1u);
    EXPECT_EQ(c.nav.Logbook().OwnVessel(), nullptr) << "no append was made";

    // Back in Trip to append to it: the voyage under way goes on there.
    ASSERT_TRUE(c.nav.StartVoyage("PS-0713", "Cy"));
    ASSERT_TRUE(charts.attached);
    c.nav.Logbook().SetAppendToExisting(true);
    ASSERT_TRUE(c.nav.OpenVesselLog((dir / "Trip").string()));
    EXPECT_TRUE(c.nav.Logbook().IsVoyageRunning());
    EXPECT_TRUE(c.nav.Logbook().IsLogging());
    EXPECT_TRUE(charts.attached);
    const CLogVessel* own = c.nav.Logbook().OwnVessel();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->voyageId, "PS-0713");
    EXPECT_EQ(own->watchOfficer, "Cy");
    EXPECT_EQ(own->appendNo, 2u) << "the next append of Trip's vessel";
    c.nav.Logbook().Close(true);
}

}   // namespace

namespace {

TEST(PositionSourceChoice, GroundVectorAndFieldRules)
{
    struct Row {
        double course, speed, set, drift, cog, sog;
    };
    const Row rows[] = {
        {0, 0, 0, 0, 0, 0},
        {90, 10, 0, 0, 90, 10},
        {180, 5, 180, 1, 180, 6},
        {45, 10, 225, 10, 0, 0},
        {0, 10, 90, 2, 11.309932, 10.198039},
        {350, 8, 260, 3, 329.443955, 8.544004},
    };
    for (const Row& r : rows) {
        const CGroundVector v = CombineCourseAndSet(r.course, r.speed, r.set, r.drift);
        EXPECT_NEAR(v.cog, r.cog, 1e-5) << r.course << " " << r.set;
        EXPECT_NEAR(v.sog, r.sog, 1e-5) << r.course << " " << r.set;
    }
    EXPECT_EQ(AcceptBearingText("360", "123"), "000");
    EXPECT_EQ(AcceptBearingText("045", "123"), "045");
    EXPECT_EQ(AcceptBearingText("45", "123"), "045");
    EXPECT_EQ(AcceptBearingText("7", "123"), "007");
    for (const char* bad : {"361", "-5", "", "4x", "1e3"})
        EXPECT_EQ(AcceptBearingText(bad, "123"), "123") << bad;
    EXPECT_EQ(FixTypeFromText("Radar"), 2);
    EXPECT_EQ(FixTypeFromText("EP"), 6);
    EXPECT_EQ(SourceText(false, true), "No Position Source");
    EXPECT_EQ(SourceText(true, true), "Position Source is DR");
}

// The user's DR from a typed position shows it at once and then runs on the
// dialog's ground vector; a valid fix ends it and the return is logged.
TEST(PositionSourceChoice, UserDeadReckoningAndSwitchingOff)
{
    Cycle c;
    c.log.logging = true;
    std::vector<bool> toggles;
    c.nav.SetReceiveToggle([&](bool open) {
        toggles.push_back(open);
        return true;
    });
    CPositionSourceChoice choice;
    choice.source = SourceChoice::DeadReckoning;
    choice.course = 90;
    choice.speed = 10;
    choice.position = geo::CPosition(0.0, 10.0);
    c.nav.ApplyPositionSource(choice);
    EXPECT_EQ(c.nav.Snapshot()->source, PositionSourceKind::DR);
    EXPECT_EQ(c.nav.Snapshot()->position.GetLongitude(), 10.0);
    EXPECT_TRUE(c.nav.IsNmeaCautionOn());
    for (int s = 0; s < 60; ++s) {
        c.clock.Advance(1s);
        c.Pass();
    }
    // 10 knots for 60 s along the equator: 1/6 nm, a sixth of a minute of longitude.
    EXPECT_NEAR(c.nav.Snapshot()->position.GetLongitude(), 10.0 + 1.0 / 6.0 / 60.0, 1e-5);

    c.Feed(navtest::Rmc(1.0, 11.0, 5.0, 0.0));
    c.Pass();
    EXPECT_EQ(c.nav.Snapshot()->source, PositionSourceKind::NMEA);
    EXPECT_EQ(c.log.Count("EPFS reception re-established"), 1);

    choice.source = SourceChoice::Off;
    c.nav.ApplyPositionSource(choice);
    EXPECT_EQ(c.log.Count("NMEA manually switched off."), 1);
    EXPECT_EQ(c.gps.parser.FixRecord().Read().sequence, 0u) << "the fix is forgotten";
    EXPECT_EQ(toggles, (std::vector<bool>{false}));
    EXPECT_EQ(c.nav.Monitor().Texts().latitude, "");
}

// Off in Position Source, from dead reckoning on a route: every navigation
// pane of the status bar empties (XTE, COG and SOG included), not only the
// panel; the cursor's range and bearing from the vessel stays. NMEA input
// switched on again starts the datum wait afresh: the datum question comes
// after five minutes of fixes without a datum, not with the first fix.
TEST(PositionSourceChoice, SwitchedOffEveryNavigationPaneEmpties)
{
    Cycle c;
    navtest::FakeRoute route;
    route.Add(50.0, -4.0);
    route.Add(50.0, -3.0);
    route.active = 2;
    c.nav.SetRoute(&route);
    c.nav.SetReceiveToggle([&](bool open) {
        c.gps.receiving = open;
        return true;
    });
    int asked = 0;
    c.nav.SetGpsConfigurationAsker([&] { ++asked; });
    c.nav.SetCursorPositionSource([] { return std::optional(geo::CPosition(50.1, -3.9)); });
    c.Feed(navtest::Rmc(50.01, -3.9, 6.0, 45.0));
    c.Pass();
    c.clock.Advance(6s);
    CPositionSourceChoice dr;
    dr.source = SourceChoice::DeadReckoning;
    dr.course = 90;
    dr.speed = 20;
    dr.position = geo::CPosition(50.01, -3.9);
    c.nav.ApplyPositionSource(dr);
    c.clock.Advance(1s);
    c.Pass();
    const unsigned panes[] = {kIndicatorCog,      kIndicatorSog,     kIndicatorSpeed,
                              kIndicatorXte,      kIndicatorBearing, kIndicatorRange,
                              kIndicatorTimeToGo, kIndicatorEta};
    for (unsigned id : panes)
        EXPECT_FALSE(c.nav.IndicatorText(id).empty()) << id << " in DR";

    CPositionSourceChoice off;
    off.source = SourceChoice::Off;
    c.nav.ApplyPositionSource(off);
    for (unsigned id : panes)
        EXPECT_EQ(c.nav.IndicatorText(id), "") << id << " after Off";
    EXPECT_EQ(c.nav.CogText(), "");
    EXPECT_EQ(c.nav.SogText(), "");
    EXPECT_EQ(c.nav.XteIndicatorText(), "");
    EXPECT_FALSE(c.nav.IndicatorText(kIndicatorCursorRangeBearing).empty());
    // A refresh the last tick had posted comes after the dialog: still empty.
    c.nav.OnMonitorMessage({kMsgNavRefresh, 0, 0});
    for (unsigned id : panes)
        EXPECT_EQ(c.nav.IndicatorText(id), "") << id << " after a late refresh";
    EXPECT_EQ(asked, 0);

    // Ten minutes off, then NMEA again from a GPS that sends no datum.
    c.clock.Advance(10min);
    CPositionSourceChoice nmea;
    nmea.source = SourceChoice::NMEA;
    c.nav.ApplyPositionSource(nmea);
    const int lost = c.log.Count("EPFS reception lost.");
    c.Pass();   // before the first fix comes: no loss for the time it was off
    EXPECT_EQ(c.log.Count("EPFS reception lost."), lost);
    EXPECT_FALSE(c.nav.Source().IsDrOn());
    for (int s = 0; s < 299; ++s) {
        c.Feed(navtest::Rmc(50.01, -3.9, 6.0, 45.0));
        c.Pass();
        c.clock.Advance(1s);
    }
    EXPECT_EQ(asked, 0) << "asked before five minutes of fixes";
    EXPECT_FALSE(c.nav.IndicatorText(kIndicatorCog).empty());
    c.clock.Advance(1s);
    c.Feed(navtest::Rmc(50.01, -3.9, 6.0, 45.0));
    c.Pass();
    EXPECT_EQ(asked, 1);
}

class FakeOverlay final : public COwnVesselOverlay {
public:
    void SetPosition(const CNavSnapshot& snapshot, bool) override
    {
        placed = snapshot.position;
        ++moves;
    }
    geo::CPosition placed;
    int moves = 0;
};

// What the position dialog leaves in the log: switching the source off ends
// the own row with a point where it ended; a DR position moved by hand
// leaves a point before and after the move; the kind of fix typed in goes
// with the next record only while logging; with neither DR nor a GPS the
// vessel is shown where it was put.
TEST(PositionSourceChoice, TheLogFollowsTheDialog)
{
    Cycle c;
    FakeOverlay overlay;
    c.nav.SetOwnVesselOverlay(&overlay);
    navtest::FakeCharts charts;
    c.nav.SetChartHost(&charts);
    c.log.logging = true;
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    c.Pass();
    const int pointsBefore = c.log.points;
    CPositionSourceChoice off;
    off.source = SourceChoice::Off;
    c.nav.ApplyPositionSource(off);
    EXPECT_EQ(charts.largerScaleCleared, 1);
    EXPECT_EQ(c.log.Count("NMEA manually switched off."), 1);
    EXPECT_EQ(c.log.points, pointsBefore + 1);
    EXPECT_EQ(c.log.rowsEnded, 1);

    // DR with logging off: "Visual" is not kept for a later record.
    c.log.logging = false;
    c.gps.receiving = false;
    CPositionSourceChoice dr;
    dr.source = SourceChoice::DeadReckoning;
    dr.course = 90;
    dr.speed = 10;
    dr.fixTypeText = "Visual";
    dr.position = geo::CPosition(50.0, -4.0);
    c.nav.ApplyPositionSource(dr);
    EXPECT_EQ(c.log.nextFixType, 0);

    // Logging, a track there: the vessel moved by hand leaves two points.
    c.log.logging = true;
    c.log.ownRow = true;
    c.log.ownTrack = true;
    int points = c.log.points;
    dr.position = geo::CPosition(50.1, -4.1);
    dr.fixTypeText = "Radar";
    c.nav.ApplyPositionSource(dr);
    EXPECT_EQ(c.log.points, points + 2);
    EXPECT_EQ(c.log.nextFixType, 2);
    EXPECT_NEAR(overlay.placed.GetLatitude(), 50.1, 1e-6);
    // The same place, a new course: one point.
    points = c.log.points;
    dr.course = 180;
    c.nav.ApplyPositionSource(dr);
    EXPECT_EQ(c.log.points, points + 1);
    // Nothing changed: no point.
    points = c.log.points;
    c.nav.ApplyPositionSource(dr);
    EXPECT_EQ(c.log.points, points);

    // Off with the GPS silent: the vessel is shown at the position typed in.
    CPositionSourceChoice put;
    put.source = SourceChoice::Off;
    put.position = geo::CPosition(49.5, -5.25);
    const int moves = overlay.moves;
    c.nav.ApplyPositionSource(put);
    EXPECT_GT(overlay.moves, moves);
    EXPECT_NEAR(overlay.placed.GetLatitude(), 49.5, 1e-9);
    EXPECT_NEAR(overlay.placed.GetLongitude(), -5.25, 1e-9);
    EXPECT_NEAR(c.nav.Snapshot()->position.GetLatitude(), 49.5, 1e-9);
}

// Best-chart selection switched off by the user comes back on after the
// resume delay, strictly, and only with resume on; resume switched on while
// selection is off counts its delay from that moment.
TEST(NavigationCycle, BestChartResumesAfterItsDelay)
{
    Cycle c;
    bool bestChart = true;
    int switchedOn = 0;
    c.nav.SetBestChartSwitch([&] { return bestChart; },
                             [&](bool on) {
                                 switchedOn += on && !bestChart ? 1 : 0;
                                 bestChart = on;
                             });
    c.nav.SetBestChartResumeInterval(300s);

    // Resume off: selection switched off stays off.
    c.nav.SetBestChartSelection(false);
    for (int s = 0; s < 400; s += 50) {
        c.clock.Advance(50s);
        c.Pass();
    }
    EXPECT_FALSE(bestChart);

    // Resume switched on long after the switch-off: the delay starts now.
    c.nav.SetBestChartResume(true);
    c.clock.Advance(300s);
    c.Pass();
    EXPECT_FALSE(bestChart) << "300 s is not more than 300 s";
    c.clock.Advance(1s);
    c.Pass();
    EXPECT_TRUE(bestChart);
    EXPECT_EQ(switchedOn, 1);

    // Switched off again with resume on: back on after the delay, once.
    c.clock.Advance(20s);
    c.nav.SetBestChartSelection(false);
    c.clock.Advance(299s);
    c.Pass();
    EXPECT_FALSE(bestChart);
    c.clock.Advance(2s);
    c.Pass();
    c.clock.Advance(2s);
    c.Pass();
    EXPECT_TRUE(bestChart);
    EXPECT_EQ(switchedOn, 2);

    // Switched off elsewhere (not through the module): counted from the
    // first pass that sees it, and the held timer pass does not stop it.
    c.nav.RaiseHold();
    bestChart = false;
    c.Pass();
    c.clock.Advance(300s);
    c.Pass();
    EXPECT_FALSE(bestChart);
    c.clock.Advance(1s);
    c.Pass();
    EXPECT_TRUE(bestChart);
}

// A first start with the GPS port open and silent and no log to take a place
// from: after the DR delay dead reckoning starts, but with nothing to reckon
// from. No position appears at 0/0: the commands that work from the vessel
// stay grey, the route values stay empty, and nothing is logged at a place.
TEST(NavigationCycle, NoPositionEverKnownStaysUnknownInDeadReckoning)
{
    Cycle c;
    c.log.logging = true;
    navtest::FakeRoute route;
    route.Add(50.0, -4.0);
    c.nav.SetRoute(&route);
    navtest::FakeCharts charts;
    c.nav.SetChartHost(&charts);
    c.nav.SetGoToPosition([](const geo::CPosition&) { return true; }, [] { return true; });
    EXPECT_FALSE(c.nav.Snapshot()->position.IsValid()) << "no position before any came";

    for (int s = 0; s <= 12; ++s) {
        c.Pass();
        c.clock.Advance(1s);
    }
    ASSERT_TRUE(c.nav.Source().IsDrOn());
    EXPECT_EQ(c.log.Count("EPFS reception lost."), 1);
    EXPECT_FALSE(c.nav.IsPositionAvailable());
    EXPECT_FALSE(c.nav.OwnPosition().has_value());
    EXPECT_FALSE(c.nav.Snapshot()->position.IsValid());
    EXPECT_FALSE(c.nav.Source().Fix().position.IsValid());
    EXPECT_FALSE(c.nav.CanGoToVessel());
    EXPECT_FALSE(c.nav.CanStartEndVoyage());
    EXPECT_EQ(c.nav.Monitor().Texts().range, "");
    EXPECT_EQ(c.nav.Monitor().Texts().latitude, "");
    EXPECT_EQ(c.nav.IndicatorText(kIndicatorRange), "");
    EXPECT_EQ(c.log.rows, 0);
    EXPECT_EQ(c.log.points, 0);
    EXPECT_EQ(charts.scrolls + charts.steps, 0);

    // A fix at last: the vessel is where it says, and logged from there.
    c.Feed(navtest::Rmc(50.01, -4.01, 6.0, 45.0));
    c.Pass();
    EXPECT_FALSE(c.nav.Source().IsDrOn());
    ASSERT_TRUE(c.nav.OwnPosition().has_value());
    EXPECT_NEAR(c.nav.OwnPosition()->GetLatitude(), 50.01, 1e-6);
    EXPECT_TRUE(c.nav.CanGoToVessel());
    EXPECT_NE(c.nav.Monitor().Texts().range, "");
    EXPECT_EQ(c.log.rows, 1);
}

// Dead reckoning chosen by hand while fixes keep coming: the dialog's row
// goes in first with the kind of fix chosen; the fix it had is no longer
// taken, so the return to NMEA waits for the next fix and is logged after it.
TEST(PositionSourceChoice, ManualDeadReckoningWhileFixesCome)
{
    Cycle c;
    c.log.logging = true;
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    c.Pass();
    c.clock.Advance(1s);
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));

    CPositionSourceChoice dr;
    dr.source = SourceChoice::DeadReckoning;
    dr.course = 90;
    dr.speed = 10;
    dr.fixTypeText = "Visual";
    c.nav.ApplyPositionSource(dr);
    EXPECT_TRUE(c.nav.Source().IsDrOn());
    EXPECT_EQ(c.nav.Snapshot()->source, PositionSourceKind::DR);
    ASSERT_FALSE(c.log.events.empty());
    EXPECT_EQ(c.log.events.back(), (std::pair<std::string, int>{"", 1}));
    EXPECT_EQ(c.log.fixTypes.back(), 1) << "the row keeps the kind of fix chosen";
    EXPECT_EQ(c.log.Count("EPFS reception re-established"), 0);

    c.clock.Advance(1s);
    c.Feed(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
    c.Pass();
    EXPECT_FALSE(c.nav.Source().IsDrOn());
    EXPECT_EQ(c.nav.Snapshot()->source, PositionSourceKind::NMEA);
    EXPECT_EQ(c.log.Count("EPFS reception re-established"), 1);
    EXPECT_EQ(c.log.events.back().first, "EPFS reception re-established");
}

// Dead reckoning moves by whole seconds: a step less than one second after
// the last moves nothing and its time counts towards the next; the guard
// only rounds up a difference a hair below a whole second. The user's DR
// starts where it was put; the automatic switch's first step covers DRDelay.
TEST(NavigationCycle, DeadReckoningStepsByWholeSeconds)
{
    EXPECT_EQ(WholeSeconds(999'900us), 0);
    EXPECT_EQ(WholeSeconds(999'999us), 1);
    EXPECT_EQ(WholeSeconds(2'999'000us), 2);

    Cycle c;
    CPositionSourceChoice dr;
    dr.source = SourceChoice::DeadReckoning;
    dr.course = 90;
    dr.speed = 36;   // a hundredth of a mile a second
    dr.position = geo::CPosition(0.0, 10.0);
    c.nav.ApplyPositionSource(dr);
    EXPECT_EQ(c.nav.Source().DrSecondsApplied(), 0);
    EXPECT_EQ(c.nav.Snapshot()->position.GetLongitude(), 10.0);
    c.clock.Advance(999'900us);
    c.Pass();
    EXPECT_EQ(c.nav.Source().DrSecondsApplied(), 0);
    EXPECT_EQ(c.nav.Snapshot()->position.GetLongitude(), 10.0);
    c.clock.Advance(500ms);
    c.Pass();
    EXPECT_EQ(c.nav.Source().DrSecondsApplied(), 1);
    // A minute of longitude on the equator is a little over a mile.
    EXPECT_NEAR(c.nav.Snapshot()->position.GetLongitude(), 10.0 + 0.01 / 60.0, 1e-6);

    Cycle lost;   // DRDelay 10 s
    lost.Feed(navtest::Rmc(0.0, 10.0, 36.0, 90.0));
    lost.Pass();
    while (!lost.nav.Source().IsDrOn()) {
        lost.clock.Advance(1s);
        lost.Pass();
    }
    lost.clock.Advance(1s);
    lost.Pass();
    EXPECT_EQ(lost.nav.Source().DrSecondsApplied(), 10);
    EXPECT_NEAR(lost.nav.Snapshot()->position.GetLongitude(), 10.0 + 0.1 / 60.0, 1e-5);
}

// The target modules' passes run at every timer pass: with the GPS silent
// (no tick, no panel message) and after the navigator's own step failed,
// which the pass reports.
TEST(NavigationCycle, TargetPassesRunWhateverTheTick)
{
    struct Targets final : CTargetModuleCalls {
        void TargetPass() override { ++passes; }
        void CheckTargetAges(bool) override { }
        void ResetTargets() override { }
        int passes = 0;
    } arpa;
    struct FailingLog final : navtest::FakeLog {
        void WriteKept() override { throw std::runtime_error("disk"); }
    } failing;
    Cycle c;
    c.nav.Vessels()->SetTargetModule(kVesselArpa, &arpa);
    c.gps.receiving = false;
    EXPECT_TRUE(c.nav.NavigationTimerPass());
    EXPECT_TRUE(c.Pass().empty());
    EXPECT_EQ(arpa.passes, 2);

    c.gps.receiving = true;
    c.nav.SetVesselLog(&failing);
    EXPECT_FALSE(c.nav.NavigationTimerPass());
    EXPECT_EQ(arpa.passes, 3);
    c.nav.Vessels()->SetTargetModule(kVesselArpa, nullptr);
}

}   // namespace

// The vessel log across a close and the next start, on the navigator as the
// frame drives it (timer passes, the panel's messages, settings written and
// read): the stored vessel number choosing the own vessel to go on with, the
// times of rows, points and a row's end, the vessel placed where the log
// last had it when the GPS is silent, and the track's last point at close.
#include "navigator/NavigatorModule.h"

#include <gtest/gtest.h>

#include <chrono>

#include "app/Registry.h"
#include "db/DBVesselLog.h"

#include "FakeClock.h"
#include "NavigatorFakes.h"
#include "TempFolder.h"

using namespace std::chrono_literals;
using namespace navigator;

namespace {

// The navigator of one program run, on settings and a GPS that outlive it.
struct ProgramRun {
    ProgramRun(navtest::MemorySettings& settings, brine_test::FakeClock& clock,
               navtest::FakeGps& gps, const std::filesystem::path& logs)
        : clock(clock), gps(gps), nav(settings, clock, &gps)
    {
        nav.LoadSettings();
        nav.Logbook().SetFolder(logs);
    }
    // One timer pass with its messages handled, after a fix when given.
    void Pass(const std::string& fix = {})
    {
        if (!fix.empty())
            ASSERT_TRUE(gps.parser.ParseLine(fix)) << fix;
        nav.NavigationTimerPass();
        nav.PanelQueue().Drain([&](const app::CPostedMessage& m) { nav.OnMonitorMessage(m); });
    }
    // Opens the log `path`, takes a first fix at 47.60 N 122.40 W and starts a voyage.
    void StartVoyageIn(const std::filesystem::path& path, const std::string& voyageId)
    {
        ASSERT_TRUE(nav.OpenVesselLog(path.string()));
        Pass(navtest::Rmc(47.60, -122.40, 6.0, 90.0));
        ASSERT_TRUE(nav.StartVoyage(voyageId, "Ada"));
    }
    // `count` fixes `step` apart, each `lonStep` further east, timed from 12:00:00.
    void Sail(int count, std::chrono::seconds step, double lonStep)
    {
        for (int i = 1; i <= count; ++i) {
            clock.Advance(step);
            const long s = long(i * step.count());
            char time[16];
            std::snprintf(time, sizeof time, "12%02ld%02ld.00", s / 60, s % 60);
            Pass(navtest::Rmc(47.60, -122.40 + i * lonStep, 6.0, 90.0, time));
        }
    }
    brine_test::FakeClock& clock;
    navtest::FakeGps& gps;
    CNavigatorModule nav;
};

// What outlives one program run: the log folder, the clock, the GPS and the settings.
struct Bench {
    brine_test::TempFolder dir;
    brine_test::FakeClock clock;
    navtest::FakeGps gps{clock};
    navtest::MemorySettings settings;
    ProgramRun Start() { return ProgramRun(settings, clock, gps, dir.Path()); }
};

std::string LogSetting(const navtest::MemorySettings& settings, const char* name)
{
    app::CRegistry reg(settings.GetStore());
    std::string text;
    if (reg.OpenKeyForRead(settings.GetRegistryKey() + "\\Navigator\\Log"))
        reg.ReadString(name, text);
    return text;
}

void SetLogSetting(const navtest::MemorySettings& settings, const char* name,
                   const std::string& text)
{
    app::CRegistry reg(settings.GetStore());
    ASSERT_TRUE(reg.OpenKeyForWrite(settings.GetRegistryKey() + "\\Navigator\\Log"));
    reg.WriteString(name, text);
}

// "YYYYMMDD HHMMSS" of a UTC time.
std::string Stamp(std::chrono::system_clock::time_point t)
{
    const auto s = std::chrono::floor<std::chrono::seconds>(t);
    const auto day = std::chrono::floor<std::chrono::days>(s);
    const std::chrono::year_month_day ymd{day};
    const std::chrono::hh_mm_ss hms{s - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02u%02u %02d%02d%02d", int(ymd.year()),
                  unsigned(ymd.month()), unsigned(ymd.day()), int(hms.hours().count()),
                  int(hms.minutes().count()), int(hms.seconds().count()));
    return text;
}

// RMC fixes are dated 7 December 2026; the computer's clock says 1 January
// 2024: the instrument's time runs far ahead, as a replay run fast does.
constexpr const char* kFixStamp = "20261207 120000";

}   // namespace

// A log two stations share holds two own vessels. The station that closes
// stores its own vessel's number; its next start takes the voyage up in a
// new append of that vessel, whichever vessel wrote last.
TEST(LogAcrossRestart, TheStoredVesselNumberPicksTheVesselToGoOnWith)
{
    Bench bench;
    const std::filesystem::path shared = bench.dir / "Shared";
    std::uint32_t ours = 0;
    {
        ProgramRun a = bench.Start();
        a.StartVoyageIn(shared, "OURS");
        ours = a.nav.Logbook().OwnVessel()->vesselId;
        a.Sail(1, 1s, 0.01);
        a.nav.SaveSettings();
        EXPECT_EQ(LogSetting(bench.settings, "VesselNumber"), std::to_string(ours) + ",1")
            << "one own vessel in the log: its append";
        ASSERT_TRUE(a.nav.Logbook().Close(true));
    }
    {
        // The other station's own vessel, a vessel of its own in the same log.
        navtest::MemorySettings theirs;
        ProgramRun b(theirs, bench.clock, bench.gps, bench.dir.Path());
        b.nav.Logbook().SetAppendToExisting(false);
        b.StartVoyageIn(shared, "THEIRS");
        ASSERT_NE(b.nav.Logbook().OwnVessel()->vesselId, ours);
        ASSERT_TRUE(b.nav.Logbook().Close(true));
    }
    ProgramRun next = bench.Start();
    next.Sail(1, 1s, 0.02);
    const CLogVessel* own = next.nav.Logbook().OwnVessel();
    ASSERT_NE(own, nullptr);
    EXPECT_TRUE(next.nav.Logbook().IsVoyageRunning());
    EXPECT_EQ(own->vesselId, ours);
    EXPECT_EQ(own->appendNo, 2u);
    EXPECT_EQ(own->voyageId, "OURS");
    EXPECT_EQ(own->watchOfficer, "Ada");
    for (const auto& vessel : next.nav.Logbook().Vessels())
        EXPECT_EQ(vessel->vesselId, ours) << "only our vessel's rows are loaded";
    next.nav.SaveSettings();   // the workspace saved while the log is open
    EXPECT_EQ(LogSetting(bench.settings, "VesselNumber"), std::to_string(ours) + ",0")
        << "two appends of the own vessel: all of them next time";
    next.nav.Logbook().Close(true);

    // A value that names no vessel is passed over: every row is loaded.
    for (const char* wrong : {"", "7", ",1", "0,0", "x,1", "1,-1", "4294967296,0", "1,2 "}) {
        SetLogSetting(bench.settings, "VesselNumber", wrong);
        ProgramRun again = bench.Start();
        ASSERT_TRUE(again.nav.OpenVesselLog(shared.string()));
        EXPECT_EQ(again.nav.Logbook().Vessels().size(), 3u) << '"' << wrong << '"';
        again.nav.Logbook().Close(true);
    }
}

// A logbook row carries the computer's time; a track point and a row's start
// and end the instrument's only while its fix is current, else the computer's.
TEST(LogAcrossRestart, RowsTakeTheClockAndPointsTheFixOnlyWhileItIsCurrent)
{
    Bench bench;
    brine_test::FakeClock& clock = bench.clock;
    ProgramRun run = bench.Start();
    run.nav.SetDrDelay(10s);
    run.StartVoyageIn(bench.dir / "Times", "T");
    run.Pass(navtest::Rmc(47.60, -122.40, 6.0, 90.0));
    CLogVessel* own = run.nav.Logbook().OwnVessel();
    ASSERT_NE(own, nullptr);
    db::CDBLog& rows = *own->rows;
    rows.SelectUniqueTag();
    ASSERT_TRUE(rows.GoBottom());
    EXPECT_EQ(rows.m_time.ToStorageText(), Stamp(clock.UtcNow())) << "the row: the clock's";
    ASSERT_TRUE(own->lastFix);
    EXPECT_EQ(Stamp(own->lastFix->utc), kFixStamp) << "the point: the fix's";

    // The GPS goes silent: a minute later the loss is logged at that minute.
    for (int i = 0; i < 60; ++i) {
        clock.Advance(1s);
        run.Pass();
    }
    const std::string lostAt = Stamp(clock.UtcNow());
    rows.SelectUniqueTag();
    bool found = false;
    for (bool more = rows.GoTop(); more; more = rows.SkipForward())
        if (rows.m_note == "EPFS reception lost.") {
            found = true;
            EXPECT_LE(rows.m_time.ToStorageText(), lostAt);
            EXPECT_GE(rows.m_time.ToStorageText(), Stamp(clock.UtcNow() - 60s + 10s))
                << "not the last fix's time";
        }
    EXPECT_TRUE(found);

    // The fix back, then silent again past its five seconds of validity but
    // short of dead reckoning: the close ends the row at the clock's time,
    // not at the last fix's (years ahead).
    run.Pass(navtest::Rmc(47.60, -122.39, 6.0, 90.0, "120100.00"));
    for (int i = 0; i < 7; ++i) {
        clock.Advance(1s);
        run.Pass();
    }
    const long recNo = own->recNo;
    const std::string path = run.nav.Logbook().LogPath();
    const std::string closedAt = Stamp(clock.UtcNow());
    ASSERT_TRUE(run.nav.Logbook().Close(true));
    db::CDBVesselLog index;
    index.SetFilePath(path);
    ASSERT_TRUE(index.Open(true));
    ASSERT_TRUE(index.GoRecord(recNo));
    EXPECT_EQ(index.m_start.ToStorageText(), kFixStamp) << "started while the fix was current";
    EXPECT_EQ(index.m_end.ToStorageText(), closedAt);
}

// A start with the GPS silent: the vessel stands at the newest place the log
// holds, a position is available and Go To Vessel finds it.
TEST(LogAcrossRestart, ASilentGpsAtStartFindsTheVesselWhereTheLogLastHadIt)
{
    Bench bench;
    {
        ProgramRun run = bench.Start();
        run.nav.SetTrackInterval(1s);
        run.StartVoyageIn(bench.dir / "Harbour", "H");
        run.Sail(5, 2s, 0.01);
        ASSERT_TRUE(run.nav.EndVoyage());
        // The close: the workspace saved while the log is open, then the log closed.
        run.nav.SaveSettings();
        ASSERT_TRUE(run.nav.Logbook().Close(true));
    }
    bench.gps.receiving = false;
    ProgramRun next = bench.Start();
    geo::CPosition wentTo;
    next.nav.SetGoToPosition(
        [&wentTo](const geo::CPosition& p) {
            wentTo = p;
            return true;
        },
        [] { return true; });
    EXPECT_FALSE(next.nav.CanGoToVessel());
    next.Pass();
    ASSERT_TRUE(next.nav.Logbook().IsOpen());
    EXPECT_TRUE(next.nav.IsPositionAvailable());
    EXPECT_EQ(next.nav.WhyNoPosition(), "");
    const std::optional<geo::CPosition> at = next.nav.OwnPosition();
    ASSERT_TRUE(at);
    EXPECT_NEAR(at->GetLatitude(), 47.60, 1e-6);
    EXPECT_NEAR(at->GetLongitude(), -122.35, 1e-6) << "the track's newest point";
    ASSERT_TRUE(next.nav.GoToVessel());
    EXPECT_NEAR(wentTo.GetLongitude(), -122.35, 1e-6);
    // Without a source the voyage still cannot start, and says why.
    EXPECT_FALSE(next.nav.CanStartEndVoyage());
    EXPECT_NE(next.nav.WhyVoyageIsGrey().find("the GPS sends no fix"), std::string::npos);
    // A fix has come since, then the GPS fell silent again: a log opened to
    // be read leaves the vessel where that fix put it.
    bench.gps.receiving = true;
    next.Sail(1, 1s, 0.2);
    for (int i = 0; i < 7; ++i) {
        bench.clock.Advance(1s);
        next.Pass();
    }
    ASSERT_TRUE(next.nav.OpenVesselLog((bench.dir / "Harbour").string()));
    EXPECT_NEAR(next.nav.OwnPosition()->GetLongitude(), -122.20, 1e-6);
    next.nav.Logbook().Close(true);
}

// Closing during a voyage (File > Exit, or told to end) leaves a last track
// point where the vessel is, as switching the source off does: the next
// start's track joins on there, not at a point a track interval old.
TEST(LogAcrossRestart, ClosingDuringAVoyageEndsTheTrackWhereTheVesselIs)
{
    for (const bool unattended : {false, true}) {
        SCOPED_TRACE(unattended ? "told to end" : "File > Exit");
        Bench bench;
        std::string path;
        {
            ProgramRun run = bench.Start();
            run.StartVoyageIn(bench.dir / "Exit", "E");
            // Five-minute points: the first goes at once, the next is far off.
            run.Sail(30, 1s, 0.001);
            path = run.nav.Logbook().LogPath();
            if (unattended)
                run.nav.PrepareUnattendedClose();
            // The frame's close: every module's shut-down, then termination.
            run.nav.ShutDown();
            run.nav.Terminate();
        }
        CTrackFile track;
        ASSERT_TRUE(track.Open(std::filesystem::path(path + ".X") / "00000001.trc"));
        const std::optional<CTrackFix> last = track.ReadLast();
        ASSERT_TRUE(last);
        EXPECT_NEAR(last->longitude, -122.37, 1e-6);
        EXPECT_EQ(Stamp(last->utc), "20261207 120030");
        EXPECT_EQ(track.RecordCount(), 2u);
    }
}

// The log's name, its voyage and its logging reach the workspace only with
// the workspace's save: opening a log, starting and ending a voyage and
// switching logging write nothing, so a run that ends without a save (killed)
// leaves the workspace naming the log it named before.
TEST(LogAcrossRestart, TheLogReachesTheWorkspaceOnlyWithItsSave)
{
    Bench bench;
    const auto navigatorValue = [&](const char* name) {
        app::CRegistry reg(bench.settings.GetStore());
        std::string text = "(none)";
        bool on = false;
        if (reg.OpenKeyForRead(bench.settings.GetRegistryKey() + "\\Navigator") &&
            reg.ReadBool(name, on))
            text = on ? "True" : "False";
        return text;
    };
    {
        ProgramRun run = bench.Start();
        run.StartVoyageIn(bench.dir / "Saved", "S");
        run.Sail(2, 1s, 0.001);
        EXPECT_EQ(LogSetting(bench.settings, "InitialDatabase"), "");
        EXPECT_EQ(navigatorValue("VoyageRunning"), "(none)");
        // The workspace saved while the log is open names it and its voyage.
        run.nav.SaveSettings();
        EXPECT_EQ(LogSetting(bench.settings, "InitialDatabase"), "Saved");
        EXPECT_EQ(navigatorValue("VoyageRunning"), "True");
        EXPECT_EQ(navigatorValue("SaveToLogBookOn"), "True");
        run.nav.Logbook().Close(true);
    }
    {
        // Another log opened, its voyage ended, logging off: no save, then killed.
        ProgramRun run = bench.Start();
        run.StartVoyageIn(bench.dir / "Unsaved", "U");
        ASSERT_TRUE(run.nav.EndVoyage());
        run.nav.SetLogging(false);
        EXPECT_EQ(LogSetting(bench.settings, "InitialDatabase"), "Saved");
        EXPECT_EQ(navigatorValue("VoyageRunning"), "True");
        EXPECT_EQ(navigatorValue("SaveToLogBookOn"), "True");
        run.nav.Logbook().Close(true);
    }
    ProgramRun next = bench.Start();
    next.Sail(1, 1s, 0.002);
    EXPECT_EQ(std::filesystem::path(next.nav.Logbook().LogPath()).filename(), "Saved");
    EXPECT_TRUE(next.nav.Logbook().IsVoyageRunning());
    next.nav.Logbook().Close(true);
}

// The vessel log survives SIGKILL at any moment: a child logs a row and a
// point a second on a sped clock, now and then saving the log under a new
// name, and reports each record once its write has returned. After every
// kill each reported row and point is in the log the child last named, every
// index key count equals the live count, and a track is whole records after
// the next append. Convert Log to Track killed half way leaves a track that
// is a prefix of the logbook. At the end dbfread and XBase read every table
// and the next start continues at the last position.
#include "navigator/VesselLogbook.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <random>
#include <set>

#include "ChildProcess.h"
#include "FakeClock.h"
#include "OuterTools.h"
#include "TempFolder.h"
#include "engines/dbase/DbaseTable.h"
#include "platform/Files.h"

using namespace navigator;
using namespace std::chrono;
namespace fs = std::filesystem;

namespace {

const sys_seconds kBase = sys_days{year{2025} / 3 / 1};

std::string Current(const fs::path& folder)
{
    std::string name = "voyage";
    std::ifstream(folder / "current") >> name;
    return name;
}

struct Report {
    char kind;   // 'r' row, 'p' point
    long n;
};

int LogForever(const fs::path& folder, long first, int reportFd)
{
    brine_test::FakeClock clock;
    clock.SetUtc(kBase + seconds(first));
    std::string saveAs;
    std::shared_ptr<CNavSnapshot> current;
    CVesselLogServices services;
    // Rows stand at the newest position, as the program's do.
    services.currentSnapshot = [&current] { return current; };
    services.chooseSavePath = [&](const std::string&, const std::string&) {
        return std::optional<std::string>((folder / saveAs).string());
    };
    CVesselLogbook log(clock, std::move(services));
    log.SetFolder(folder);
    log.SetAppendToExisting(true);
    if (!log.Open((folder / Current(folder)).string()))
        return 2;
    log.SetLogging(true);
    auto report = [&](char kind, long n) {
        const Report r{kind, n};
        return ::write(reportFd, &r, sizeof r) == sizeof r;
    };
    for (long i = 0;; ++i) {
        const long n = first + i;
        clock.Advance(seconds(1));
        CNavSnapshot s;
        s.position = geo::CPosition(47.6 + double(i % 2000) * 1e-5, -122.4, 0.0, -1);
        s.positionAvailable = true;
        s.fixTimeUtc = kBase + seconds(n);
        current = std::make_shared<CNavSnapshot>(s);
        log.LogEvent(std::to_string(n), -1);
        if (log.KeptCount() == 0 && !report('r', n))
            return 4;
        if (!log.WriteTrackPoint(s))
            return 5;
        if (log.KeptCount() == 0 && !report('p', n))
            return 6;
        // The first save comes after three rows, so that a child on a
        // loaded machine, slow to write each row, still saves before its kill.
        if (i % 10 == 2) {
            saveAs = "voyage-" + std::to_string(n);
            if (log.SaveAs(false) != LogSaveResult::Saved)
                return 7;
            // The next start takes the copy, named once it is whole.
            if (!platform::WriteFileAtomically(folder / "current", saveAs))
                return 8;
        }
    }
}

void CheckCounts(CDBInterface& table)
{
    const long live = table.GetRecordCount();
    for (int i = 0; i < table.Table()->TagCount(); ++i)
        EXPECT_EQ(long(table.Table()->TagAt(i)->KeyCount()), live)
            << table.GetFilePath() << " " << table.Table()->TagAt(i)->Name();
}

// The rows' notes and the points' times of the log, after checking its tables.
void ReadLog(const fs::path& folder, std::set<long>& rows, std::set<long>& points)
{
    brine_test::FakeClock clock;
    CVesselLogbook log(clock, {});
    log.SetFolder(folder);
    ASSERT_TRUE(log.Open((folder / Current(folder)).string())) << log.LastError();
    for (const auto& vessel : log.Vessels()) {
        db::CDBLog& table = *vessel->rows;
        ASSERT_TRUE(table.IsOpen()) << table.GetFilePath() << " " << table.GetMessage() << " "
                                    << fs::file_size(table.GetFilePath() + ".dbf");
        CheckCounts(table);
        for (bool ok = table.GoTop(); ok; ok = table.SkipForward())
            rows.insert(std::stol(table.m_note));
        const std::uint64_t count = vessel->track.RecordCount();
        vessel->track.ReadRange(0, count, [&](std::uint64_t, const CTrackFix& f) {
            points.insert(long((f.utc - kBase).count()));
        });
        // Whole records after the next append, whatever a kill left (the
        // track the child wrote last, and any that does not end whole).
        if (vessel == log.Vessels().back() ||
            fs::file_size(vessel->track.Path()) % kTrackRecordSize != 0) {
            CTrackFix probe;
            probe.utc = kBase - hours(24);
            ASSERT_TRUE(vessel->track.Append(probe).Written());
            EXPECT_EQ(fs::file_size(vessel->track.Path()) % kTrackRecordSize, 0u);
        }
    }
    ASSERT_TRUE(log.Close(true));
}

}   // namespace

TEST(VesselLogKill, EveryReportedRowAndPointSurvivesAKill)
{
    brine_test::TempFolder dir;
    std::mt19937 random(2028);
    std::set<long> reportedRows, reportedPoints;
    long next = 0;
    int saves = 0;
    // At least 100 kills, and on until the children have reported enough
    // points and one save under a new name, within a time budget (under the
    // sanitizers on a loaded machine a child may not even finish opening
    // the log before its kill).
    const auto started = std::chrono::steady_clock::now();
    const auto budget = std::chrono::seconds(100);
    for (int round = 0;
         round < 100 || ((reportedPoints.size() <= 300u || saves == 0) && round < 1000 &&
                         std::chrono::steady_clock::now() - started < budget);
         ++round) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const long first = next;
        const pid_t pid = brine_test::ForkChild([&] {
            ::close(fds[0]);
            return LogForever(dir.Path(), first, fds[1]);
        });
        ::close(fds[1]);
        // Each child first opens the log (a few ms), then logs a row and a
        // point every few ms, saving the log under a new name every tenth, from the third.
        // Even rounds kill at any moment, during the open too; odd rounds
        // wait for the child's first report so that a loaded machine, where
        // the open alone can outlast the delay, still logs in half the kills.
        // Those rounds also run longer, long enough for a save under a new
        // name (every tenth row) on a slow machine.
        if (round % 2 == 1) {
            pollfd first{fds[0], POLLIN, 0};
            ::poll(&first, 1, 2000);
            ::usleep(useconds_t(2000 + random() % 300000));
        } else {
            ::usleep(useconds_t(2000 + random() % 80000));
        }
        ::kill(pid, SIGKILL);
        Report r{};
        while (::read(fds[0], &r, sizeof r) == sizeof r) {
            (r.kind == 'r' ? reportedRows : reportedPoints).insert(r.n);
            next = std::max(next, r.n + 1);
        }
        ::close(fds[0]);
        ASSERT_EQ(brine_test::WaitChild(pid), -SIGKILL) << "round " << round;
        next += 1000;   // records written but not reported keep their own numbers
        std::set<long> rows, points;
        ReadLog(dir.Path(), rows, points);
        for (long n : reportedRows)
            ASSERT_TRUE(rows.count(n)) << "row " << n << " lost in round " << round;
        for (long n : reportedPoints)
            ASSERT_TRUE(points.count(n)) << "point " << n << " lost in round " << round;
        if (HasFailure())
            return;
        saves += Current(dir.Path()) != "voyage";
    }
    EXPECT_GT(reportedPoints.size(), 100u);
    EXPECT_GT(saves, 0) << "no log was saved under a new name";

    // Outside readers take every table of the log, with our counts.
    const std::string base = (dir / Current(dir.Path())).string();
    long indexRows = 0, logRows = 0;
    {
        brine_test::FakeClock clock;
        CVesselLogbook log(clock, {});
        ASSERT_TRUE(log.Open(base));
        for (const auto& vessel : log.Vessels())
            logRows += vessel->rows->GetRecordCount();
        indexRows = long(log.Vessels().size());
    }
    const std::string python = brine_test::Python(dir.Path(), R"(
import sys, glob, dbfread
rows = sum(len(dbfread.DBF(f, load=True).records) for f in glob.glob(sys.argv[1] + '.X/0*.dbf'))
print(len(dbfread.DBF(sys.argv[1] + '.dbf', load=True).records), rows)
)",
                                                  base);
    EXPECT_EQ(python, std::to_string(indexRows) + " " + std::to_string(logRows) + "\n");
    const std::string perl = brine_test::Perl(dir.Path(), R"(
use XBase;
my $rows = 0;
for my $f (glob($ARGV[0] . '.X/0*.dbf')) {
    my $t = XBase->new($f) or die "$f: " . XBase->errstr;
    for my $i (0 .. $t->last_record) { my @r = $t->get_record($i); $rows++ unless $r[0]; }
}
my $index = XBase->new($ARGV[0] . '.dbf') or die XBase->errstr;
print $index->last_record + 1, " $rows\n";
)",
                                              base);
    EXPECT_EQ(perl, std::to_string(indexRows) + " " + std::to_string(logRows) + "\n");

    // The next start continues at the last position.
    brine_test::FakeClock clock;
    CVesselLogbook log(clock, {});
    log.SetFolder(dir.Path());
    log.SetInitialLog(Current(dir.Path()));
    ASSERT_TRUE(log.Open(""));
    ASSERT_TRUE(log.RestoredPosition());
    EXPECT_GE((log.RestoredPosition()->utc - kBase).count(),
              std::max(*reportedRows.rbegin(), *reportedPoints.rbegin()));
}

TEST(VesselLogKill, AKilledConversionLeavesAPrefixOfTheLogbook)
{
    brine_test::TempFolder dir;
    brine_test::FakeClock clock;
    {
        CVesselLogbook log(clock, {});
        log.SetFolder(dir.Path());
        ASSERT_TRUE(log.Open((dir / "rows").string()));
        for (int i = 0; i < 20000; ++i) {
            CNavSnapshot s;
            s.position = geo::CPosition(47.6 + double(i) * 1e-5, -122.4, 0.0, -1);
            s.positionAvailable = true;
            s.fixTimeUtc = kBase + seconds(i + 1);
            ASSERT_TRUE(log.WriteLogRecord(s));
        }
        ASSERT_TRUE(log.Close(true));
    }
    const fs::path track = dir / "rows.X/00000001.trc";
    auto convert = [&] {
        CVesselLogbook log(clock, {});
        log.SetFolder(dir.Path());
        return log.Open((dir / "rows").string()) && log.ConvertLogToTrack() ? 0 : 1;
    };
    const auto started = steady_clock::now();
    ASSERT_EQ(brine_test::WaitChild(brine_test::ForkChild(convert)), 0);
    const auto whole = duration_cast<microseconds>(steady_clock::now() - started).count();
    std::mt19937 random(7);
    int partial = 0;
    for (int round = 0; round < 20; ++round) {
        fs::remove(track);
        const pid_t pid = brine_test::ForkChild(convert);
        ::usleep(useconds_t(random() % std::uint64_t(whole + 1)));
        ::kill(pid, SIGKILL);
        brine_test::WaitChild(pid);
        CTrackFile file;
        ASSERT_TRUE(file.Open(track));
        const std::uint64_t count = file.RecordCount();
        partial += count > 0 && count < 20000;
        // Each record is the row of its place, one second apart from the first.
        sys_seconds previous{};
        file.ReadRange(0, count, [&](std::uint64_t i, const CTrackFix& f) {
            if (i > 0)
                EXPECT_EQ(f.utc - previous, seconds(1)) << i;
            previous = f.utc;
        });
        CTrackFix probe;
        ASSERT_TRUE(file.Append(probe).Written());
        EXPECT_EQ(fs::file_size(track) % kTrackRecordSize, 0u);
    }
    EXPECT_GE(partial, 1) << "no kill fell inside a conversion";
}

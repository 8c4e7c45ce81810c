// A position log written fix by fix survives SIGKILL at any moment: every
// fix reported after its flush is there, in time order, with every tag's
// key count equal to the live count. An import killed half way leaves the
// older files and the target as they were, and a rerun completes.
#include "db/DBChartPoint.h"
#include "db/DBLog.h"

#include "engines/dbase/DbaseTable.h"

#include "ChildProcess.h"
#include "OuterTools.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>

#include <chrono>
#include <random>
#include <set>

using namespace db;
namespace fs = std::filesystem;

namespace {

app::CDateTimeEx FixTime(long n)
{
    app::CDateTimeEx t;
    t.SetDateTime(2024, 1, 1 + int(n / 86400), int(n / 3600 % 24), int(n / 60 % 60), int(n % 60));
    return t;
}

// The child: logs fixes for ever, reporting each id once it is flushed; now
// and then it closes and reopens, which writes the production index.
int LogForever(const std::string& path, int reportFd)
{
    CDBLog log;
    log.SetFilePath(path);
    if (!log.Open())
        return 2;
    long n = 0;
    log.SelectUniqueTag();
    if (log.GoBottom())
        n = log.GetId();
    for (int k = 1;; ++k) {
        log.ClearRecord();
        log.m_time = FixTime(++n);
        log.m_position = geo::CPosition(50 + double(n % 1000) / 1000, -1, 0, -1);
        log.m_note = n % 7 == 0 ? "note " + std::to_string(n) : "";
        if (!log.AppendNew() || !log.FlushIfOpen())
            return 3;
        const long id = log.GetId();
        if (::write(reportFd, &id, sizeof id) != sizeof id)
            return 4;
        if (k % 25 == 0 && (!log.Close() || !log.Open()))
            return 5;
    }
}

// Checks the log after a kill; returns the ids found.
std::set<long> CheckLog(const std::string& path)
{
    std::set<long> ids;
    CDBLog log;
    log.SetFilePath(path);
    EXPECT_TRUE(log.Open());
    log.SelectTag("T_DT_TM");
    std::string last;
    long lastId = 0;
    for (bool ok = log.GoTop(); ok; ok = log.SkipForward()) {
        const std::string t = log.m_time.ToStorageText();
        EXPECT_LT(last, t) << "time order broken at id " << log.GetId();
        EXPECT_EQ(log.GetId(), lastId + 1) << "ids out of step with time";
        last = t;
        lastId = log.GetId();
        ids.insert(log.GetId());
    }
    for (int i = 0; i < log.Table()->TagCount(); ++i)
        EXPECT_EQ(long(log.Table()->TagAt(i)->KeyCount()), long(ids.size()))
            << log.Table()->TagAt(i)->Name();
    EXPECT_EQ(log.GetRecordCount(), long(ids.size()));
    return ids;
}

}   // namespace

TEST(LogKill, EveryReportedFixSurvivesAKill)
{
    brine_test::TempFolder dir;
    const std::string path = dir / "own";
    std::mt19937 rng(7);
    std::set<long> reported;
    const int rounds = 100;
    for (int round = 0; round < rounds; ++round) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t pid = brine_test::ForkChild([&] {
            ::close(fds[0]);
            return LogForever(path, fds[1]);
        });
        ::close(fds[1]);
        // Kill at a random moment: while opening, while logging, or while
        // closing and writing the index. Every other round first takes the
        // child's first fixes, so that a loaded machine, slow to start the
        // child, still has fixes reported before the kill.
        if (round % 2 == 1) {
            long first;
            for (int i = 0; i < 5 && ::read(fds[0], &first, sizeof first) == sizeof first; ++i)
                reported.insert(first);
        }
        ::usleep(useconds_t(rng() % 12000));
        ::kill(pid, SIGKILL);
        long id;
        while (::read(fds[0], &id, sizeof id) == sizeof id)
            reported.insert(id);
        ::close(fds[0]);
        const int status = brine_test::WaitChild(pid);
        ASSERT_EQ(status, -SIGKILL) << "the child stopped by itself in round " << round;
        const std::set<long> found = CheckLog(path);
        for (long r : reported)
            ASSERT_TRUE(found.count(r)) << "reported fix " << r << " lost in round " << round;
        if (HasFailure())
            return;
    }
    EXPECT_GT(reported.size(), 200u);
    const std::string out = brine_test::Python(dir.Path(), R"(
import sys, dbfread
t = dbfread.DBF(sys.argv[1], load=True)
print(len(t.records), sorted(r['UNIQUE'] for r in t.records) == list(range(1, len(t.records) + 1)))
)",
                                               path + ".dbf");
    EXPECT_EQ(out, std::to_string(CheckLog(path).size()) + " True\n");
}

TEST(LogKill, AKilledImportLeavesEverythingAsItWasAndARerunCompletes)
{
    brine_test::TempFolder dir;
    ASSERT_EQ(brine_test::Python(dir.Path(), R"(
import sys, os, dbf
t = dbf.Table(sys.argv[1] + '.dbf', 'NAME C(25); LAT C(12); LNG C(12); NOTE M', dbf_type='db3')
t.open(dbf.READ_WRITE)
for i in range(600):
    t.append(('Point %d' % i, str(i % 90), str(i % 180), 'note %d' % i if i % 3 else ''))
t.close()
os.rename(sys.argv[1] + '.dbf', sys.argv[1] + '.ipt')
os.rename(sys.argv[1] + '.dbt', sys.argv[1] + '.ipm')
)",
                                 (dir / "big").string()),
              "");
    const auto older = brine_test::Snapshot(dir.Path());
    // One whole import, timed, in a folder of its own: the kills fall within that time.
    brine_test::TempFolder timing;
    for (const char* f : {"big.ipt", "big.ipm"})
        fs::copy_file(dir / f, timing / f);
    const auto start = std::chrono::steady_clock::now();
    {
        CDBChartPoint points;
        points.SetFilePath(timing / "big.ipt");
        ASSERT_TRUE(points.Open());
    }
    const auto timed = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    std::mt19937 rng(11);
    auto span = timed.count();
    int killedMidway = 0;
    for (int round = 0; round < 40 && killedMidway < 5; ++round) {
        const pid_t pid = brine_test::ForkChild([&] {
            CDBChartPoint points;
            points.SetFilePath(dir / "big.ipt");
            return points.Open() ? 0 : 1;
        });
        ::usleep(useconds_t(rng() % (span * 3 / 4 + 1)));
        ::kill(pid, SIGKILL);
        const bool killed = brine_test::WaitChild(pid) == -SIGKILL;
        auto now = brine_test::Snapshot(dir.Path());
        for (const auto& [file, bytes] : older)
            ASSERT_EQ(now[file], bytes) << file << " changed in round " << round;
        if (!fs::exists(dir / "big.dbf")) {
            // A kill inside the import leaves its staging folder behind (each
            // import clears the ones left before it).
            bool left = false;
            for (const auto& e : fs::directory_iterator(dir.Path()))
                left = left || e.path().filename().string().rfind(".import-", 0) == 0;
            killedMidway += killed && left;
            continue;
        }
        // The import finished before the kill: it is whole. Start again, sooner.
        {
            CDBChartPoint done;
            done.SetFilePath(dir / "big");
            ASSERT_TRUE(done.Open());
            ASSERT_EQ(done.GetRecordCount(), 600) << "a partial import in round " << round;
            ASSERT_TRUE(done.Close() && done.DeleteFiles());
        }
        span /= 2;
    }
    EXPECT_GE(killedMidway, 1);
    CDBChartPoint points;
    points.SetFilePath(dir / "big.ipt");
    ASSERT_TRUE(points.Open()) << points.GetMessage();
    EXPECT_EQ(points.GetRecordCount(), 600);
    ASSERT_TRUE(points.GoRecord(600));
    EXPECT_EQ(points.m_name, "Point 599");
    EXPECT_EQ(points.m_memo[0], "note 599");
    // The rerun took away what the killed imports had left.
    for (const auto& e : fs::directory_iterator(dir.Path()))
        EXPECT_NE(e.path().filename().string().rfind(".import-", 0), 0u) << e.path();
}

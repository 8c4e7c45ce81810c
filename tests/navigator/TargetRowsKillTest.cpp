// Radar targets' vessel-log rows survive SIGKILL at any moment: a child
// starts a row for each new target and ends the row of the one before it
// (its last report), reporting each once the write has returned. After 50
// kills at random moments dbfread reads the index: every reported row is
// there with its number and name, every reported end with its time, and
// reopening the log makes no file for any target.
#include "navigator/VesselLogbook.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>
#include <sstream>

#include "ChildProcess.h"
#include "FakeClock.h"
#include "OuterTools.h"
#include "TempFolder.h"

using namespace navigator;
using namespace std::chrono;
namespace fs = std::filesystem;

namespace {

const sys_seconds kBase = sys_days{year{2026} / 12 / 7} + hours(18);

struct Report {
    char kind;   // 's' started, 'e' ended
    long n;
};

std::string Name(long n)
{
    return "T" + std::to_string(n);
}

int StartAndEndForever(const fs::path& folder, long first, int reportFd)
{
    brine_test::FakeClock clock;
    clock.SetUtc(kBase + seconds(first));
    CVesselLogServices services;
    services.currentSnapshot = [&] {
        auto snapshot = std::make_shared<CNavSnapshot>();
        snapshot->fixTimeUtc = floor<seconds>(clock.UtcNow());
        return std::shared_ptr<const CNavSnapshot>(snapshot);
    };
    CVesselLogbook log(clock, std::move(services));
    log.SetFolder(folder);
    if (!log.Open((folder / "targets").string()))
        return 2;
    auto report = [&](char kind, long n) {
        const Report r{kind, n};
        return ::write(reportFd, &r, sizeof r) == sizeof r;
    };
    long previousRow = 0;
    for (long n = first;; ++n) {
        clock.Advance(seconds(1));
        const auto row = log.StartTargetRow(kVesselArpa, int(n % 100), Name(n));
        if (!row || !report('s', n))
            return 3;
        if (previousRow != 0) {
            log.EndTargetRow(previousRow, kBase + seconds(n));
            if (log.KeptCount() == 0 && !report('e', n - 1))
                return 4;
        }
        previousRow = row->recNo;
    }
}

// name -> (type, number, end seconds after kBase or -1), as dbfread reads the index.
std::map<std::string, std::tuple<int, int, long>> ReadIndex(const fs::path& folder)
{
    const std::string out = brine_test::Python(folder, R"(
import sys, datetime, dbfread
base = datetime.datetime(2026, 12, 7, 18)
for r in dbfread.DBF(sys.argv[1] + '.dbf', load=True):
    end = -1
    if r['ENDDATE'] and r['ENDTIME'].strip():
        t = r['ENDTIME']
        when = datetime.datetime.combine(r['ENDDATE'], datetime.time(int(t[0:2]), int(t[2:4]), int(t[4:6])))
        end = int((when - base).total_seconds())
    print(r['TARGETNAME'].strip(), r['VSLTYPE'], r['TARGETNO'], end)
)",
                                               (folder / "targets").string());
    std::map<std::string, std::tuple<int, int, long>> rows;
    std::istringstream lines(out);
    std::string name;
    int type = 0, number = 0;
    long end = 0;
    while (lines >> name >> type >> number >> end)
        rows[name] = {type, number, end};
    return rows;
}

}   // namespace

TEST(TargetRowsKill, EveryReportedRowAndEndSurvivesAKill)
{
    brine_test::TempFolder dir;
    std::mt19937 random(3007);
    std::map<long, bool> reported;   // n -> its end reported
    long next = 0;
    for (int round = 0; round < 50; ++round) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const long first = next;
        const pid_t pid = brine_test::ForkChild([&] {
            ::close(fds[0]);
            return StartAndEndForever(dir.Path(), first, fds[1]);
        });
        ::close(fds[1]);
        // Odd rounds wait for the child's first row, so that a loaded
        // machine still kills during the writes in half the rounds.
        if (round % 2 == 1) {
            pollfd ready{fds[0], POLLIN, 0};
            ::poll(&ready, 1, 2000);
        }
        ::usleep(useconds_t(1000 + random() % 40000));
        ::kill(pid, SIGKILL);
        Report r{};
        while (::read(fds[0], &r, sizeof r) == sizeof r) {
            if (r.kind == 's')
                reported.emplace(r.n, false);
            else
                reported[r.n] = true;
            next = std::max(next, r.n + 1);
        }
        ::close(fds[0]);
        ASSERT_EQ(brine_test::WaitChild(pid), -SIGKILL) << "round " << round;
        next += 1000;   // rows written but not reported keep their own numbers
    }
    ASSERT_GT(reported.size(), 50u);
    const auto rows = ReadIndex(dir.Path());
    ASSERT_FALSE(rows.empty()) << "dbfread read nothing";
    for (const auto& [n, ended] : reported) {
        const auto it = rows.find(Name(n));
        ASSERT_NE(it, rows.end()) << "row " << n << " lost";
        EXPECT_EQ(std::get<0>(it->second), kVesselArpa) << n;
        EXPECT_EQ(std::get<1>(it->second), n % 100) << n;
        if (ended)
            EXPECT_EQ(std::get<2>(it->second), n + 1) << "end of row " << n;
    }
    // The rows are index rows only: reopening the log makes no file per target.
    brine_test::FakeClock clock;
    CVesselLogbook log(clock, {});
    ASSERT_TRUE(log.Open((dir / "targets").string()));
    EXPECT_GE(log.Vessels().size(), reported.size());
    std::error_code ec;
    const auto files =
        std::distance(fs::directory_iterator(dir / "targets.X", ec), fs::directory_iterator());
    EXPECT_EQ(files, 0);
}

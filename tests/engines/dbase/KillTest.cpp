// A position log written by a child that is killed at random moments: every
// fix the child reported after its flush is there and found by every tag, the
// key counts equal the live count, and the reopen is quick. Half the kills
// come from outside at a random time; the other half at a chosen write of the
// engine (the test's own pwrite counts them), so every gap between two writes
// is met, those inside a split among them. The base size and the number of
// kills come from BRINE_KILL_ROWS and BRINE_KILL_ROUNDS (small by default, so
// the test stays short; the figures in a full run use millions).
#include "engines/dbase/DbaseTable.h"

#include "ChildProcess.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace dbase;

namespace {

// The child kills itself when this reaches zero; -1 never. With
// g_inSplit set the count starts when the index header commits a journal
// (a write of its first 544 bytes with a block count at 72): the kill then
// falls between the writes of a split.
long g_writesLeft = -1;
long g_inSplit = -1;

}   // namespace

// Every pwrite of the engine in this program comes here first.
extern "C" ssize_t pwrite(int fd, const void* buf, size_t count, off_t offset)
{
    const auto* b = static_cast<const unsigned char*>(buf);
    if (g_inSplit >= 0 && count == 544 && offset == 0 && (b[72] | b[73]) != 0) {
        g_writesLeft = g_inSplit;
        g_inSplit = -1;
    }
    if (g_writesLeft >= 0 && g_writesLeft-- == 0)
        ::raise(SIGKILL);
    return ::syscall(SYS_pwrite64, fd, buf, count, offset);
}

namespace {

const std::vector<FieldSpec> kLogFields = {
    {"UNIQUE", 'N', 8, 0}, {"DATE", 'D', 8, 0}, {"TIME", 'C', 6, 0},   {"LAT", 'F', 10, 5},
    {"LNG", 'F', 10, 5},   {"ALT", 'F', 10, 2}, {"DSHIFT", 'N', 3, 0}, {"COG", 'F', 6, 2},
    {"SOG", 'F', 6, 2},    {"TYPE", 'N', 3, 0}, {"NOTE", 'M', 10, 0}};
const std::vector<TagDefinition> kLogTags = {{"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"},
                                             {"T_DT_TM", "DTOS( DATE ) + TIME", ".NOT. DELETED()"},
                                             {"T_TYPE", "TYPE", ".NOT. DELETED()"}};

int EnvInt(const char* name, int fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

// Fix i: one a second from the start of 2024.
std::pair<std::string, std::string> DateTime(int i)
{
    const int day = i / 86400, second = i % 86400;
    char date[16], time[16];
    const int month = 1 + (day / 28) % 12, dom = 1 + day % 28, year = 2024 + day / 336;
    std::snprintf(date, sizeof date, "%04d%02d%02d", year, month, dom);
    std::snprintf(time, sizeof time, "%02d%02d%02d", second / 3600, second / 60 % 60, second % 60);
    return {date, time};
}

void SetFix(CDbaseTable& t, int i)
{
    const auto [date, time] = DateTime(i);
    t.Field("UNIQUE")->AssignLong(i, 8, true);
    t.Field("DATE")->Assign(date);
    t.Field("TIME")->Assign(time);
    t.Field("LAT")->AssignDouble(50 + (i % 1000) / 1000.0, 10, 5);
    t.Field("LNG")->AssignDouble(-1 - (i % 777) / 1000.0, 10, 5);
    t.Field("DSHIFT")->AssignLong(-1, 3, false);
    t.Field("COG")->AssignDouble(i % 360, 6, 2);
    t.Field("SOG")->AssignDouble(12.5, 6, 2);
    t.Field("TYPE")->AssignLong(i % 12, 3, false);
}

// The log's first `rows` fixes, appended without an index and indexed once.
void WriteBase(CDbaseEngine& engine, const std::string& path, int rows)
{
    auto t = engine.Create(path, kLogFields, {});
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->Lock(), 0);
    for (int i = 1; i <= rows; ++i) {
        ASSERT_EQ(t->AppendStart(), 0);
        SetFix(*t, i);
        ASSERT_EQ(t->Append(), 0);
    }
    ASSERT_EQ(t->Unlock(), 0);
    ASSERT_EQ(t->Reindex(kLogTags), 0);
    ASSERT_EQ(t->Close(), 0);
}

uint32_t CommittedJournal(const std::string& mdx)
{
    std::ifstream f(mdx, std::ios::binary);
    unsigned char b[4] = {};
    f.seekg(72);
    f.read(reinterpret_cast<char*>(b), 4);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

}   // namespace

TEST(KilledLogWriter, EveryReportedFixIsFoundByEveryTagAfterEachKill)
{
    const int rows = EnvInt("BRINE_KILL_ROWS", 20000);
    const int rounds = EnvInt("BRINE_KILL_ROUNDS", 15);
    brine_test::TempFolder dir;
    const std::string path = dir / "poslog";
    CDbaseEngine engine;
    WriteBase(engine, path, rows);
    std::mt19937 rng(12345);
    int reported = rows, inJournal = 0;
    double slowestOpen = 0;
    for (int round = 0; round < rounds; ++round) {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const int from = reported + 1;
        // Rounds by turn: a kill from outside, one at a chosen write, one
        // inside a split.
        const bool atWrite = round % 3 != 0, inSplit = round % 3 == 2;
        const long writes = inSplit ? 2 + long(rng() % 2) : long(rng() % 300);
        const pid_t pid = brine_test::ForkChild([&] {
            ::close(pipeFds[0]);
            CDbaseEngine e;
            auto t = e.Open(path);
            if (!t)
                return 2;
            if (inSplit)
                g_inSplit = writes;
            else if (atWrite)
                g_writesLeft = writes;
            for (int i = int(t->RecordCount()) + 1;; ++i) {
                if (t->AppendStart() != 0)
                    return 3;
                SetFix(*t, i);
                if (i % 3 == 0)
                    t->Field("NOTE")->Assign("fix " + std::to_string(i));
                if (t->Append() != 0 || t->Flush() != 0 || t->Unlock() != 0)
                    return 4;
                // Now and then a fix is corrected: a change of a key in place.
                if (i % 7 == 0 &&
                    (t->Go(i - 3) != 0 || t->Field("TYPE")->AssignLong(i % 5, 3, false) != 0 ||
                     t->Flush() != 0 || t->Unlock() != 0))
                    return 6;
                if (::write(pipeFds[1], &i, sizeof i) != sizeof i)
                    return 5;
            }
        });
        ::close(pipeFds[1]);
        // Kill after a random number of fixes, at a random moment within one.
        const int wanted = from + int(rng() % 400);
        int n = 0;
        while (!atWrite && reported < wanted && ::read(pipeFds[0], &n, sizeof n) == sizeof n)
            reported = n;
        if (!atWrite) {
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % 80));
            ::kill(pid, SIGKILL);
        }
        EXPECT_EQ(brine_test::WaitChild(pid), -SIGKILL) << "round " << round;
        while (::read(pipeFds[0], &n, sizeof n) == sizeof n)
            reported = n;
        ::close(pipeFds[0]);
        inJournal += CommittedJournal(path + ".mdx") != 0;

        const auto start = std::chrono::steady_clock::now();
        auto t = engine.Open(path);
        const double open =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        slowestOpen = std::max(slowestOpen, open);
        ASSERT_NE(t, nullptr) << "round " << round;
        const int32_t count = t->RecordCount();
        ASSERT_GE(count, reported) << "round " << round;
        ASSERT_LE(count, reported + 1) << "round " << round;   // at most the fix under way
        reported = count;
        EXPECT_EQ(t->LiveCount(), count) << "round " << round;
        for (int i = 0; i < t->TagCount(); ++i)
            EXPECT_EQ(t->TagAt(i)->KeyCount(), size_t(count))
                << "round " << round << " " << t->TagAt(i)->Name();
        // Every fix of this round, and the last one, by each tag.
        for (int i = from; i <= count; ++i) {
            const auto [date, time] = DateTime(i);
            t->Select(t->Tag("T_UNIQUE"));
            ASSERT_EQ(t->Seek(std::to_string(i)), 0) << "round " << round << " fix " << i;
            EXPECT_EQ(t->RecNo(), i);
            t->Select(t->Tag("T_DT_TM"));
            ASSERT_EQ(t->Seek(date + time), 0) << "round " << round << " fix " << i;
            EXPECT_EQ(t->RecNo(), i);
        }
        if (count > 200000)
            continue;   // a full run's log: the walks below are for the short one
        t->Select(t->Tag("T_TYPE"));
        int typed = 0;
        for (int type = 0; type < 12; ++type)
            for (int rc = t->Seek(std::to_string(type)); rc == 0;
                 rc = t->SeekNext(std::to_string(type)))
                typed += int(t->Field("TYPE")->AsDouble()) == type;
        EXPECT_EQ(typed, count) << "round " << round;
        // The walk in type order is the order a fresh index gives.
        std::vector<std::pair<std::string, int32_t>> walked = t->Tag("T_TYPE")->Keys();
        EXPECT_TRUE(std::is_sorted(walked.begin(), walked.end(),
                                   [](const auto& a, const auto& b) {
                                       return std::stod(a.first) != std::stod(b.first)
                                                  ? std::stod(a.first) < std::stod(b.first)
                                                  : a.second < b.second;
                                   }))
            << "round " << round;
        ASSERT_EQ(t->Close(), 0);
    }
    std::printf("%d rows, %d kills, %d in a multi-block change, slowest reopen %.3f s\n", rows,
                rounds, inJournal, slowestOpen);
    EXPECT_LT(slowestOpen, 2.0);
}

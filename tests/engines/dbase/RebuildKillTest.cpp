// A rebuild of the index killed at random moments: while it sorts its keys in
// runs, merges them, or writes the new file. Each time the table stays
// readable, nothing is left beside it, and the next open rebuilds (or finds
// the rebuilt index whole): every tag then walks as the index built by
// changes in place did. Half the kills fall at a chosen write of the process
// (the test's own pwrite counts them), the others from outside at a random
// time.
#include "engines/dbase/DbaseTable.h"

#include "ChildProcess.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

using namespace dbase;

namespace {

// The child kills itself when this reaches zero; -1 never. g_writes counts.
long g_writesLeft = -1;
long g_writes = 0;

}   // namespace

// Every pwrite of the engine in this program comes here first.
extern "C" ssize_t pwrite(int fd, const void* buf, size_t count, off_t offset)
{
    ++g_writes;
    if (g_writesLeft >= 0 && g_writesLeft-- == 0)
        ::raise(SIGKILL);
    return ::syscall(SYS_pwrite64, fd, buf, count, offset);
}

namespace {

const std::vector<FieldSpec> kFields = {
    {"UNIQUE", 'N', 8, 0}, {"DATE", 'D', 8, 0}, {"TIME", 'C', 6, 0}, {"TYPE", 'N', 3, 0}};
const std::vector<TagDefinition> kTags = {{"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"},
                                          {"T_DT_TM", "DTOS( DATE ) + TIME", ".NOT. DELETED()"},
                                          {"T_TYPE", "TYPE", ".NOT. DELETED()"}};
constexpr int kRows = 40000;

std::string Walks(CDbaseTable& t)
{
    std::string all;
    for (int i = 0; i < t.TagCount(); ++i) {
        all += t.TagAt(i)->Name() + ":" + std::to_string(t.TagAt(i)->KeyCount()) + "\n";
        for (const auto& [key, recNo] : t.TagAt(i)->Keys())
            all += key + "|" + std::to_string(recNo) + "\n";
    }
    return all;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Opens the table, which rebuilds its index; with budget 1 every tag's keys
// go through runs in a temporary file.
int RebuildInChild(const std::string& path)
{
    CDbaseEngine e;
    e.rebuildSortBytes = 1;
    auto t = e.Open(path);
    return t && t->TagCount() == int(kTags.size()) ? 0 : 2;
}

}   // namespace

TEST(KilledRebuild, LeavesTheTableReadableAndTheNextOpenRebuilds)
{
    brine_test::TempFolder dir;
    const std::string path = dir / "poslog";
    CDbaseEngine engine;
    std::string inPlace;
    {
        auto t = engine.Create(path, kFields, kTags);
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->Lock(), 0);
        for (int i = 1; i <= kRows; ++i) {
            ASSERT_EQ(t->AppendStart(), 0);
            const int day = i / 86400, second = i % 86400;
            char date[16], time[16];
            std::snprintf(date, sizeof date, "2024%02d%02d", 1 + day / 28 % 12, 1 + day % 28);
            std::snprintf(time, sizeof time, "%02d%02d%02d", second / 3600, second / 60 % 60,
                          second % 60);
            t->Field("UNIQUE")->AssignLong(i, 8, true);
            t->Field("DATE")->Assign(date);
            t->Field("TIME")->Assign(time);
            t->Field("TYPE")->AssignLong(i % 12, 3, false);
            ASSERT_EQ(t->Append(), 0);
        }
        ASSERT_EQ(t->Go(77), 0);
        ASSERT_EQ(t->Delete(), 0);
        ASSERT_EQ(t->Unlock(), 0);
        inPlace = Walks(*t);
        ASSERT_EQ(t->Close(), 0);
    }
    // An index the open must not trust: its marker gone, as another
    // program's would be.
    std::string spoiled = ReadFile(path + ".mdx");
    spoiled.replace(52, 4, "XXXX");
    const std::string dbf = ReadFile(path + ".dbf");

    // One rebuild to the end, counting its writes and its time.
    WriteFile(path + ".mdx", spoiled);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = brine_test::ForkChild([&] {
        g_writes = 0;   // the parent's own writes came before
        const int rc = RebuildInChild(path);
        const long writes = g_writes;
        return rc == 0 && ::write(pipeFds[1], &writes, sizeof writes) == sizeof writes ? 0 : 3;
    });
    ASSERT_EQ(brine_test::WaitChild(pid), 0);
    const auto took = std::chrono::steady_clock::now() - start;
    long writes = 0;
    ASSERT_EQ(::read(pipeFds[0], &writes, sizeof writes), ssize_t(sizeof writes));
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    ASSERT_GT(writes, 20);   // runs, the new file's blocks, its header

    std::mt19937 rng(2024);
    int rebuiltOnOpen = 0;
    for (int round = 0; round < 24; ++round) {
        WriteFile(path + ".mdx", spoiled);
        const bool atWrite = round % 2 == 0;
        const long at = long(rng() % uint32_t(writes));
        const auto wait = std::chrono::microseconds(
            rng() % uint32_t(std::chrono::duration_cast<std::chrono::microseconds>(took).count()));
        pid = brine_test::ForkChild([&] {
            if (atWrite)
                g_writesLeft = at;
            return RebuildInChild(path);
        });
        if (!atWrite) {
            std::this_thread::sleep_for(wait);
            ::kill(pid, SIGKILL);
        }
        const int rc = brine_test::WaitChild(pid);
        EXPECT_TRUE(rc == -SIGKILL || rc == 0) << "round " << round << " ended " << rc;

        // The table's data as it was.
        EXPECT_EQ(ReadFile(path + ".dbf").substr(32), dbf.substr(32)) << "round " << round;

        auto t = engine.Open(path);
        ASSERT_NE(t, nullptr) << "round " << round;
        // Nothing beside the table once it is open again (a kill between naming the new
        // index and putting it in place leaves it under its temporary name till then).
        for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
            const std::string ext = e.path().extension().string();
            EXPECT_TRUE(ext == ".dbf" || ext == ".mdx")
                << "round " << round << " left " << e.path();
        }
        const bool rebuilt = !t->OpenWarnings().empty() &&
                             t->OpenWarnings().front().find("rebuilt") != std::string::npos;
        rebuiltOnOpen += rebuilt;
        // A killed rebuild leaves the untrusted index: the open rebuilds it.
        if (ReadFile(path + ".mdx").compare(52, 4, "IXC1") != 0)
            ADD_FAILURE() << "round " << round << ": the index is still not trusted";
        EXPECT_EQ(t->RecordCount(), kRows) << "round " << round;
        EXPECT_EQ(t->LiveCount(), kRows - 1) << "round " << round;
        EXPECT_EQ(Walks(*t), inPlace) << "round " << round;
        ASSERT_EQ(t->Close(), 0);
    }
    EXPECT_GT(rebuiltOnOpen, 6);   // most kills fell before the new file was in place
}

// A new index left under its temporary name by a process that died is
// removed at the next open; one of a process still running is left alone.
TEST(KilledRebuild, TheNextOpenRemovesADeadProcesssNewIndex)
{
    brine_test::TempFolder dir;
    const std::string path = dir / "poslog";
    CDbaseEngine engine;
    {
        auto t = engine.Create(path, kFields, kTags);
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->Close(), 0);
    }
    const pid_t gone = brine_test::ForkChild([] { return 0; });
    ASSERT_EQ(brine_test::WaitChild(gone), 0);
    const pid_t running = brine_test::ForkChild([] {
        ::pause();
        return 0;
    });
    const std::string dead = path + ".mdx.tmp-" + std::to_string(gone) + "-0";
    const std::string live = path + ".mdx.tmp-" + std::to_string(running) + "-0";
    const std::string other = path + ".mdx.tmp-notes";
    for (const std::string& f : {dead, live, other})
        WriteFile(f, "half an index");

    auto t = engine.Open(path);
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_TRUE(std::filesystem::exists(live));
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_TRUE(t->OpenWarnings().empty()) << "nothing of the table itself was mended";
    ASSERT_EQ(t->Close(), 0);
    ::kill(running, SIGKILL);
    brine_test::WaitChild(running);
}

// A pack or memo compress killed at random moments: each round a fresh child
// opens a copy of the same table, packs it (or compresses its memos) and is
// killed with SIGKILL at a random time within the work. After each kill the
// table is the old one or the new one, whole: no ID twice, no deleted record
// back, every memo readable, every tag finds every live record, and dbfread
// reads it. Sizes from BRINE_PACK_ROWS and BRINE_PACK_ROUNDS (small by
// default so the test stays short; a full run uses 200,000 rows, 50 packs
// and 30 compresses).
#include "engines/dbase/DbaseTable.h"

#include "ChildProcess.h"
#include "Command.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <thread>

using namespace dbase;
namespace fs = std::filesystem;

namespace {

const std::vector<FieldSpec> kFields = {
    {"UNIQUE", 'N', 8, 0}, {"TIME", 'C', 6, 0}, {"TYPE", 'N', 3, 0}, {"NOTE", 'M', 10, 0}};
const std::vector<TagDefinition> kTags = {{"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"},
                                          {"T_TIME", "TIME", ".NOT. DELETED()"},
                                          {"T_TYPE", "TYPE", ".NOT. DELETED()"}};

int EnvInt(const char* name, int fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

std::string Time(int id)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06d", id % 1000000);
    return buf;
}

// Every fifth record has a memo; every fifteenth was rewritten longer, which
// left its first memo behind as garbage for a compress to drop.
std::string Memo(int id)
{
    if (id % 15 == 0)
        return "note " + std::to_string(id) + " " + std::string(700, 'x');
    return id % 5 == 0 ? "note " + std::to_string(id) : std::string();
}

void WriteBase(const std::string& path, int rows)
{
    CDbaseEngine engine;
    auto t = engine.Create(path, kFields, {});
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->Lock(), 0);
    for (int id = 1; id <= rows; ++id) {
        ASSERT_EQ(t->AppendStart(), 0);
        t->Field("UNIQUE")->AssignLong(id, 8, true);
        t->Field("TIME")->Assign(Time(id));
        t->Field("TYPE")->AssignLong(id % 12, 3, false);
        if (id % 5 == 0)
            t->Field("NOTE")->Assign("note " + std::to_string(id));
        ASSERT_EQ(t->Append(), 0);
    }
    for (int id = 15; id <= rows; id += 15) {
        ASSERT_EQ(t->Go(id), 0);
        t->Field("NOTE")->Assign(Memo(id));
    }
    for (int id = 10; id <= rows; id += 10) {
        ASSERT_EQ(t->Go(id), 0);
        ASSERT_EQ(t->Delete(), 0);
    }
    ASSERT_EQ(t->Unlock(), 0);
    ASSERT_EQ(t->Reindex(kTags), 0);
    ASSERT_EQ(t->Close(), 0);
}

void Restore(const fs::path& from, const fs::path& to)
{
    for (const auto& e : fs::directory_iterator(to))
        fs::remove(e.path());
    for (const char* ext : {".dbf", ".dbt", ".mdx"})
        fs::copy_file(from / (std::string("table") + ext), to / (std::string("table") + ext));
}

// Opens the table, says so on `ready`, then packs or compresses.
int Rewrite(const std::string& path, bool pack, int ready)
{
    CDbaseEngine e;
    auto t = e.Open(path);
    if (!t)
        return 2;
    const char go = 1;
    if (::write(ready, &go, 1) != 1)
        return 4;
    return (pack ? t->Pack() : t->MemoCompress()) == 0 && t->Close() == 0 ? 0 : 3;
}

// The table after a kill: old or new, whole. Returns "old" or "new".
std::string Check(const std::string& path, int rows, const std::string& dbfread,
                  const std::string& round)
{
    CDbaseEngine engine;
    auto t = engine.Open(path);
    EXPECT_NE(t, nullptr) << round;
    if (!t)
        return "";
    const int32_t count = t->RecordCount();
    const int live = rows - rows / 10;
    const bool packed = count == live;
    EXPECT_TRUE(count == rows || packed) << round << " count " << count;
    std::set<int> ids;
    for (int32_t r = 1; r <= count; ++r) {
        EXPECT_EQ(t->Go(r), 0) << round;
        const int id = int(t->Field("UNIQUE")->AsDouble());
        EXPECT_TRUE(ids.insert(id).second) << round << " id " << id << " twice";
        EXPECT_EQ(t->Deleted(), id % 10 == 0) << round << " id " << id;
        if (packed)
            EXPECT_NE(id % 10, 0) << round << " deleted id " << id << " back";
        EXPECT_EQ(t->Field("NOTE")->Text(), Memo(id)) << round << " id " << id;
        if (::testing::Test::HasFailure())
            return "";
    }
    EXPECT_EQ(t->LiveCount(), live) << round;
    for (int i = 0; i < t->TagCount(); ++i)
        EXPECT_EQ(t->TagAt(i)->KeyCount(), size_t(live)) << round << " " << t->TagAt(i)->Name();
    for (int id = 1; id <= rows; ++id) {
        if (id % 10 == 0)
            continue;
        t->Select(t->Tag("T_UNIQUE"));
        EXPECT_EQ(t->Seek(std::to_string(id)), 0) << round << " id " << id;
        EXPECT_EQ(t->Field("UNIQUE")->AsDouble(), id);
        t->Select(t->Tag("T_TIME"));
        EXPECT_EQ(t->Seek(Time(id)), 0) << round << " id " << id;
        if (::testing::Test::HasFailure())
            return "";
    }
    EXPECT_EQ(t->Close(), 0);
    for (const auto& e : fs::directory_iterator(fs::path(path).parent_path()))
        EXPECT_EQ(e.path().filename().string().find('~'), std::string::npos) << round;
    EXPECT_EQ(RunCommand("/usr/bin/python3 " + dbfread + " " + path + ".dbf"),
              std::to_string(live) + " " + std::to_string(live) + " 0\n")
        << round;
    return packed ? "new" : "old";
}

}   // namespace

TEST(KilledRewrite, APackOrMemoCompressKilledLeavesTheOldTableOrTheNewOneWhole)
{
    const int rows = EnvInt("BRINE_PACK_ROWS", 20000);
    const int packRounds = EnvInt("BRINE_PACK_ROUNDS", 8);
    const int compressRounds = EnvInt("BRINE_COMPRESS_ROUNDS", packRounds * 3 / 5);
    brine_test::TempFolder dir;
    fs::create_directories(dir / "base");
    fs::create_directories(dir / "work");
    WriteBase(dir / "base/table", rows);
    const std::string path = dir / "work/table";
    const std::string dbfread = dir / "read.py";
    std::ofstream(dbfread) << R"(
import sys, dbfread
ids = []
bad = 0
for rec in dbfread.DBF(sys.argv[1]):
    ids.append(int(rec['UNIQUE']))
    want = ''
    if ids[-1] % 5 == 0:
        want = 'note %d' % ids[-1]
    if ids[-1] % 15 == 0:
        want += ' ' + 'x' * 700
    if (rec['NOTE'] or '') != want:
        bad += 1
print(len(ids), len(set(ids)), bad)
)";
    std::mt19937 rng(2025);
    for (const bool pack : {true, false}) {
        const char* what = pack ? "pack" : "compress";
        // A child that has opened the table and begins the work.
        auto start = [&](pid_t& pid) {
            Restore(dir / "base", dir / "work");
            int fds[2];
            EXPECT_EQ(::pipe(fds), 0);
            pid = brine_test::ForkChild([&] {
                ::close(fds[0]);
                return Rewrite(path, pack, fds[1]);
            });
            ::close(fds[1]);
            char go = 0;
            EXPECT_EQ(::read(fds[0], &go, 1), 1);
            ::close(fds[0]);
        };
        // How long the work takes when left alone: the kills fall within it.
        pid_t pid = 0;
        start(pid);
        const auto begun = std::chrono::steady_clock::now();
        ASSERT_EQ(brine_test::WaitChild(pid), 0);
        const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - begun);
        int olds = 0, news = 0;
        const int rounds = pack ? packRounds : compressRounds;
        for (int round = 0; round < rounds; ++round) {
            start(pid);
            std::this_thread::sleep_for(
                std::chrono::microseconds(rng() % uint32_t(whole.count() * 11 / 10 + 1)));
            ::kill(pid, SIGKILL);
            const int status = brine_test::WaitChild(pid);
            EXPECT_TRUE(status == -SIGKILL || status == 0) << what << " round " << round;
            const std::string state =
                Check(path, rows, dbfread, std::string(what) + " round " + std::to_string(round));
            ASSERT_FALSE(state.empty()) << what << " round " << round;
            // A compress keeps the count: its new memo file is the smaller.
            const bool isNew =
                pack ? state == "new"
                     : fs::file_size(path + ".dbt") < fs::file_size(dir / "base/table.dbt");
            (isNew ? news : olds) += 1;
        }
        std::printf("%s: %d rows, %d kills within %.3f s: %d left the old table, %d the new\n",
                    what, rows, rounds, double(whole.count()) / 1e6, olds, news);
    }
}

// Stations sharing one table: two processes append in turn while a third
// walks a tag. Each appender finds the other's last record at once by its
// key; the reader always sees the keys in order, each once, none missing.
#include "engines/dbase/DbaseTable.h"

#include "ChildProcess.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

using namespace dbase;

namespace {

const std::vector<FieldSpec> kFields = {
    {"UNIQUE", 'N', 8, 0}, {"NAME", 'C', 20, 0}, {"BY", 'C', 1, 0}};
const std::vector<TagDefinition> kTags = {{"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"},
                                          {"T_NAME", "NAME", ".NOT. DELETED()"}};

std::string Name(int id)
{
    return "fix " + std::to_string(id * 7919 % 100003);
}

// Appends ids start, start + 2, ... on its turns; before each append it must
// find the other's last one by both tags.
int AppendInTurns(const std::string& path, int start, int last, brine_test::Turn& mine,
                  brine_test::Turn& theirs)
{
    CDbaseEngine e;
    auto t = e.Open(path);
    if (!t)
        return 10;
    for (int id = start; id <= last; id += 2) {
        if (!mine.Wait())
            return 11;
        if (id > 1) {
            t->Select(t->Tag("T_UNIQUE"));
            if (t->Seek(std::to_string(id - 1)) != 0)
                return 12;
            t->Select(t->Tag("T_NAME"));
            if (t->Seek(Name(id - 1)) != 0 || t->Field("UNIQUE")->AsDouble() != id - 1)
                return 13;
        }
        if (t->AppendStart() != 0)
            return 14;
        t->Field("UNIQUE")->AssignLong(id, 8, true);
        t->Field("NAME")->Assign(Name(id));
        t->Field("BY")->Assign(start == 1 ? "a" : "b");
        if (t->Append() != 0 || t->Flush() != 0 || t->Unlock() != 0)
            return 15;
        theirs.Post();
    }
    return 0;
}

// A failing appender hands the turn on, so the other fails too instead of
// waiting for ever.
int Appender(const std::string& path, int start, int last, brine_test::Turn& mine,
             brine_test::Turn& theirs)
{
    const int rc = AppendInTurns(path, start, last, mine, theirs);
    if (rc != 0)
        theirs.Post();
    return rc;
}

}   // namespace

TEST(SharedTable, TwoAppendersInTurnAndAReaderSeeEveryRecordOnceInKeyOrder)
{
    brine_test::TempFolder dir;
    const std::string path = dir / "shared";
    CDbaseEngine engine;
    ASSERT_NE(engine.Create(path, kFields, kTags), nullptr);
    constexpr int kLast = 1200;   // enough for splits in both tags
    brine_test::Turn toA, toB, stop, readerWalked;
    const pid_t a = brine_test::ForkChild([&] { return Appender(path, 1, kLast, toA, toB); });
    const pid_t b = brine_test::ForkChild([&] { return Appender(path, 2, kLast, toB, toA); });
    const pid_t reader = brine_test::ForkChild([&] {
        CDbaseEngine e;
        e.readOnly = true;
        auto t = e.Open(path);
        if (!t) {
            readerWalked.Post();
            return 20;
        }
        t->Select(t->Tag("T_UNIQUE"));
        int seen = 0, walks = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (seen < kLast) {
            if (std::chrono::steady_clock::now() > deadline)
                return 24;   // the appenders stopped short
            // Every walk: 1, 2, ... with no gap and no double, never fewer
            // than the walk before found.
            int expect = 1;
            for (int rc = t->Top(); rc == 0; rc = t->Skip(1), ++expect)
                if (int(t->Field("UNIQUE")->AsDouble()) != expect)
                    return 21;
            if (expect - 1 < seen)
                return 22;
            seen = expect - 1;
            if (++walks == 1)
                readerWalked.Post();   // the appenders start only now
        }
        return walks > 1 ? 0 : 23;
    });
    // Under load the reader may start late; appending begins after its first
    // walk, so it walks the table at least once more while or after it grows.
    readerWalked.Wait();
    toA.Post();
    EXPECT_EQ(brine_test::WaitChild(a), 0);
    EXPECT_EQ(brine_test::WaitChild(b), 0);
    EXPECT_EQ(brine_test::WaitChild(reader), 0);
    auto t = engine.Open(path);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->RecordCount(), kLast);
    EXPECT_EQ(t->LiveCount(), kLast);
    t->Select(t->Tag("T_NAME"));
    int n = 0;
    std::string previous;
    for (int rc = t->Top(); rc == 0; rc = t->Skip(1), ++n) {
        const std::string name = t->Field("NAME")->Text();
        EXPECT_LT(previous, name);
        previous = name;
    }
    EXPECT_EQ(n, kLast);
}

// A handle that looked at the table before another station appended and
// closed rebuilds its index from the records the file holds now: the new
// index has every key, and the count written back with it keeps the other
// station's records (a count from the handle's last look dropped them, and
// the next id taken from the index was one already given).
TEST(SharedTable, ARebuildAfterAnotherStationsAppendsKeepsTheirRecordsAndKeys)
{
    brine_test::TempFolder dir;
    const std::string path = dir / "shared";
    CDbaseEngine station, late;
    auto add = [](CDbaseTable& t, int id) {
        return t.AppendStart() == 0 && t.Field("UNIQUE")->AssignLong(id, 8, true) == 0 &&
               t.Field("NAME")->Assign(Name(id)) == 0 && t.Append() == 0 && t.Flush() == 0;
    };
    {
        auto t = station.Create(path, kFields, kTags);
        ASSERT_NE(t, nullptr);
        for (int id = 1; id <= 3; ++id)
            ASSERT_TRUE(add(*t, id));
        ASSERT_EQ(t->Close(), 0);
    }
    // Opened without its index, as a table whose index could not be read is.
    late.autoOpenIndex = false;
    auto mine = late.Open(path);
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(mine->RecordCount(), 3);
    {
        auto t = station.Open(path);
        ASSERT_NE(t, nullptr);
        for (int id = 4; id <= 5; ++id)
            ASSERT_TRUE(add(*t, id));
        ASSERT_EQ(t->Close(), 0);
    }
    ASSERT_EQ(mine->Reindex(kTags), 0);
    EXPECT_EQ(mine->RecordCount(), 5);
    EXPECT_EQ(mine->Tag("T_UNIQUE")->KeyCount(), 5u);
    mine->Select(mine->Tag("T_UNIQUE"));
    ASSERT_EQ(mine->Bottom(), 0);
    EXPECT_EQ(mine->Field("UNIQUE")->AsDouble(), 5);
    ASSERT_EQ(mine->Close(), 0);

    auto again = station.Open(path);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->OpenWarnings().empty());
    EXPECT_EQ(again->RecordCount(), 5);
    again->Select(again->Tag("T_NAME"));
    int walked = 0;
    for (int rc = again->Top(); rc == 0; rc = again->Skip(1))
        ++walked;
    EXPECT_EQ(walked, 5);
}

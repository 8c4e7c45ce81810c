// Two handles on one table: when one writes, the other drops from its block
// cache only the index blocks the writer changed (the index header's change
// list names them), and every cached block when the list cannot tell. Either
// way each walk sees the other's changes at once, in key order.
#include "engines/dbase/DbaseTable.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace dbase;

namespace {

const std::vector<FieldSpec> kFields = {{"UNIQUE", 'N', 8, 0}, {"NAME", 'C', 20, 0}};
const std::vector<TagDefinition> kTags = {{"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"},
                                          {"T_NAME", "NAME", ".NOT. DELETED()"}};
constexpr int kRows = 3000;   // some 120 leaves in the two tags, three levels

std::string Name(int i)
{
    return "pt " + std::to_string(i * 7919 % 10007);
}

void Add(CDbaseTable& t, int i)
{
    ASSERT_EQ(t.AppendStart(), 0);
    t.Field("UNIQUE")->AssignLong(i, 8, true);
    t.Field("NAME")->Assign(Name(i));
    ASSERT_EQ(t.Append(), 0);
    ASSERT_EQ(t.Flush(), 0);
}

// The UNIQUE values of a walk of the tag; `ordered` says whether the names
// came in order.
std::vector<int> Walk(CDbaseTable& t, const char* tag, bool& ordered)
{
    t.Select(t.Tag(tag));
    std::vector<int> ids;
    std::string previous;
    ordered = true;
    for (int rc = t.Top(); rc == 0; rc = t.Skip(1)) {
        ids.push_back(int(t.Field("UNIQUE")->AsDouble()));
        const std::string name = t.Field("NAME")->Text();
        ordered = ordered && previous <= name;
        previous = name;
    }
    return ids;
}

// Both tags walked: every id 1..n once, and T_UNIQUE in id order.
void ExpectWhole(CDbaseTable& t, int n, const char* when)
{
    bool ordered = false;
    std::vector<int> ids = Walk(t, "T_UNIQUE", ordered);
    ASSERT_EQ(int(ids.size()), n) << when;
    for (int i = 0; i < n; ++i)
        ASSERT_EQ(ids[size_t(i)], i + 1) << when;
    ids = Walk(t, "T_NAME", ordered);
    EXPECT_TRUE(ordered) << when;
    std::sort(ids.begin(), ids.end());
    ASSERT_EQ(int(ids.size()), n) << when;
    for (int i = 0; i < n; ++i)
        ASSERT_EQ(ids[size_t(i)], i + 1) << when;
}

uint64_t Reads(CDbaseTable& t)
{
    return t.Stats().blockReads;
}

// Rewrites 4 bytes of the index header.
void Poke32(const std::string& mdx, long at, uint32_t v)
{
    std::fstream f(mdx, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(at);
    const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    f.write(b, 4);
}

struct Pair {
    brine_test::TempFolder dir;
    CDbaseEngine writerEngine, readerEngine;
    std::unique_ptr<CDbaseTable> writer, reader;
    Pair()
    {
        readerEngine.indexCacheBlocks = 4096;   // room for every block of the table
        writer = writerEngine.Create(dir / "shared", kFields, kTags);
        EXPECT_NE(writer, nullptr);
        writer->Lock();
        for (int i = 1; i <= kRows; ++i)
            Add(*writer, i);
        writer->Unlock();
        reader = readerEngine.Open(dir / "shared");
        EXPECT_NE(reader, nullptr);
    }
};

}   // namespace

TEST(ChangeList, AnotherHandlesChangesAreReadAgainAloneAndSeenAtOnce)
{
    Pair p;
    CDbaseTable& reader = *p.reader;
    ExpectWhole(reader, kRows, "first walk");
    const uint64_t warm = Reads(reader);
    ExpectWhole(reader, kRows, "second walk");
    EXPECT_EQ(Reads(reader), warm);   // everything came from the cache

    // An append writes the last leaf of T_UNIQUE and one leaf of T_NAME.
    Add(*p.writer, kRows + 1);
    uint64_t before = Reads(reader);
    ExpectWhole(reader, kRows + 1, "after an append");
    EXPECT_LE(Reads(reader) - before, 4u);

    // A name changed in place leaves one leaf and joins another.
    ASSERT_EQ(p.writer->Go(10), 0);
    ASSERT_EQ(p.writer->Field("NAME")->Assign("zz moved"), 0);
    ASSERT_EQ(p.writer->Flush(), 0);
    before = Reads(reader);
    ExpectWhole(reader, kRows + 1, "after a change in place");
    EXPECT_LE(Reads(reader) - before, 4u);
    reader.Select(reader.Tag("T_NAME"));
    ASSERT_EQ(reader.Bottom(), 0);
    EXPECT_EQ(reader.Field("UNIQUE")->AsDouble(), 10);

    // Several appends and a delete between two looks.
    for (int i = kRows + 2; i <= kRows + 6; ++i)
        Add(*p.writer, i);
    ASSERT_EQ(p.writer->Go(kRows + 6), 0);
    ASSERT_EQ(p.writer->Delete(), 0);
    ASSERT_EQ(p.writer->Flush(), 0);
    before = Reads(reader);
    ExpectWhole(reader, kRows + 5, "after appends and a delete");
    EXPECT_LE(Reads(reader) - before, 16u);
}

TEST(ChangeList, ChangesTheListCannotTellDropEveryCachedBlock)
{
    Pair p;
    CDbaseTable& reader = *p.reader;
    ExpectWhole(reader, kRows, "first walk");

    // More blocks changed between two looks than the list holds.
    for (int i = kRows + 1; i <= kRows + 60; ++i)
        Add(*p.writer, i);
    uint64_t before = Reads(reader);
    ExpectWhole(reader, kRows + 60, "after many appends");
    EXPECT_GT(Reads(reader) - before, 100u);

    // A writer that does not keep the list (another program, an older one)
    // moves the change counter but leaves the list's keeper behind.
    Add(*p.writer, kRows + 61);
    std::ifstream f(p.dir / "shared.mdx", std::ios::binary);
    unsigned char counter[4] = {};
    f.seekg(64);
    f.read(reinterpret_cast<char*>(counter), 4);
    const uint32_t now =
        uint32_t(counter[0]) | uint32_t(counter[1]) << 8 | uint32_t(counter[2]) << 16;
    Poke32(p.dir / "shared.mdx", 288, now - 2);   // the list's keeper: the counter it last wrote
    before = Reads(reader);
    ExpectWhole(reader, kRows + 61, "after a change outside the list");
    EXPECT_GT(Reads(reader) - before, 100u);

    // The next write starts the list again and the reader trusts it.
    Add(*p.writer, kRows + 62);
    ExpectWhole(reader, kRows + 62, "after the list started again");
    Add(*p.writer, kRows + 63);
    before = Reads(reader);
    ExpectWhole(reader, kRows + 63, "with the list kept again");
    EXPECT_LE(Reads(reader) - before, 4u);
}

TEST(ChangeList, ReaderWalksAsTheWriterThroughRandomChanges)
{
    // Random renames, deletes, recalls and appends, one to seven between two
    // looks of the readers: their walks of each tag always equal the
    // writer's, the second reader's through the smallest caches there are.
    Pair p;
    CDbaseTable& reader = *p.reader;
    CDbaseEngine smallEngine;
    smallEngine.indexCacheBlocks = 1;
    smallEngine.recordCacheBytes = 1;
    auto small = smallEngine.Open(p.dir / "shared");
    ASSERT_NE(small, nullptr);
    CDbaseTable& writer = *p.writer;
    std::mt19937 rng(99);
    int rows = kRows;
    for (int look = 0; look < 120; ++look) {
        for (int step = int(rng() % 7); step >= 0; --step) {
            const int recNo = int(rng() % uint32_t(rows)) + 1;
            switch (rng() % 4) {
            case 0:
                ASSERT_EQ(writer.Go(recNo), 0);
                ASSERT_EQ(writer.Field("NAME")->Assign("re " + std::to_string(rng() % 9000)), 0);
                break;
            case 1:
                ASSERT_EQ(writer.Go(recNo), 0);
                ASSERT_EQ(writer.Delete(), 0);
                break;
            case 2:
                ASSERT_EQ(writer.Go(recNo), 0);
                ASSERT_EQ(writer.Recall(), 0);
                break;
            default: Add(writer, ++rows); break;
            }
            ASSERT_EQ(writer.Flush(), 0);
        }
        ASSERT_EQ(writer.Unlock(), 0);
        for (const char* tag : {"T_UNIQUE", "T_NAME"}) {
            const auto want = writer.Tag(tag)->Keys();
            ASSERT_EQ(reader.Tag(tag)->Keys(), want) << "look " << look << " " << tag;
            ASSERT_EQ(reader.Tag(tag)->KeyCount(), want.size()) << "look " << look << " " << tag;
            ASSERT_EQ(small->Tag(tag)->Keys(), want) << "look " << look << " " << tag;
        }
    }
}

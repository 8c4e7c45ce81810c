// A damaged index must make a move fail, never loop: a key left in a real
// .mdx for a record its tag's filter now excludes, and a branch that leads a
// walk back to where it has been. The move that meets the damage fails; the
// index is rebuilt from the data and the next walk finds every record once.
// Walks here are bounded, so a regression fails at once instead of hanging.
#include "engines/dbase/DbaseTable.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace dbase;

namespace {

const std::vector<FieldSpec> kFields = {{"UNIQUE", 'N', 8, 0}, {"NAME", 'C', 10, 0}};
const std::vector<TagDefinition> kTags = {{"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"}};

void Write(CDbaseEngine& engine, const std::string& path, int rows)
{
    auto t = engine.Create(path, kFields, kTags);
    ASSERT_NE(t, nullptr);
    for (int i = 1; i <= rows; ++i) {
        ASSERT_EQ(t->AppendStart(), 0);
        t->Field("UNIQUE")->AssignLong(i, 8, true);
        t->Field("NAME")->Assign("n" + std::to_string(i));
        ASSERT_EQ(t->Append(), 0);
    }
    ASSERT_EQ(t->Close(), 0);
}

// Walks the tag by Skip from the top, going back to the record after each
// step as a table layer that reloads its record does (which drops the
// cursor). Stops at the first failure or after `limit` steps.
struct Walk {
    std::vector<int> ids;
    int rc = 0;
};
Walk WalkBounded(CDbaseTable& t, int limit)
{
    Walk w;
    for (w.rc = t.Top(); w.rc == 0 && int(w.ids.size()) < limit; w.rc = t.Skip(1)) {
        w.ids.push_back(int(t.Field("UNIQUE")->AsDouble()));
        if (t.Go(t.RecNo()) != 0)
            break;
    }
    return w;
}

uint32_t Get32(const std::string& bytes, size_t at)
{
    auto b = [&](size_t i) { return uint32_t(static_cast<unsigned char>(bytes[at + i])); };
    return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}   // namespace

TEST(DamagedIndex, AKeyLeftForARecordTheFilterExcludesFailsTheMoveAndIsRebuilt)
{
    brine_test::TempFolder dir;
    const std::string path = dir / "points";
    CDbaseEngine engine;
    Write(engine, path, 50);
    // The index as it stands before record 20 is deleted, put back after:
    // clean and covering the table, so the open trusts it, with a key the
    // filter no longer lets in.
    std::filesystem::copy_file(path + ".mdx", dir / "before.mdx");
    {
        auto t = engine.Open(path);
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->Go(20), 0);
        ASSERT_EQ(t->Delete(), 0);
        ASSERT_EQ(t->Close(), 0);
    }
    std::filesystem::copy_file(dir / "before.mdx", path + ".mdx",
                               std::filesystem::copy_options::overwrite_existing);

    auto t = engine.Open(path);
    ASSERT_NE(t, nullptr);
    t->Select(t->Tag("T_UNIQUE"));
    // A seek that lands on the stale key fails.
    EXPECT_LT(t->Seek("20"), 0);
    EXPECT_LT(engine.ErrorCode(), 0);
    engine.ResetError();
    // Rebuilt: the seek now lands after the deleted record, and walks see 49.
    EXPECT_EQ(t->Seek("20"), kAfter);
    EXPECT_EQ(t->Field("UNIQUE")->AsDouble(), 21);
    Walk w = WalkBounded(*t, 200);
    EXPECT_EQ(w.rc, kEof);
    EXPECT_EQ(w.ids.size(), 49u);
    ASSERT_EQ(t->Close(), 0);

    // The same stale key met by a walk instead of a seek.
    std::filesystem::copy_file(dir / "before.mdx", path + ".mdx",
                               std::filesystem::copy_options::overwrite_existing);
    auto u = engine.Open(path);
    ASSERT_NE(u, nullptr);
    u->Select(u->Tag("T_UNIQUE"));
    w = WalkBounded(*u, 200);
    EXPECT_LT(w.rc, 0);
    EXPECT_EQ(w.ids.size(), 19u);   // 1..19, then the failure
    engine.ResetError();
    w = WalkBounded(*u, 200);
    EXPECT_EQ(w.rc, kEof);
    EXPECT_EQ(w.ids.size(), 49u);
    EXPECT_FALSE(u->OpenWarnings().empty());
}

TEST(DamagedIndex, AWalkLedBackToABlockItHasPassedFailsAndIsRebuilt)
{
    brine_test::TempFolder dir;
    const std::string path = dir / "points";
    CDbaseEngine engine;
    Write(engine, path, 300);   // numeric keys, 63 a leaf: a root branch over five leaves
    // The root's third child pointer is set to its first: a walk would pass
    // the first leaf's records twice.
    std::string mdx = ReadFile(path + ".mdx");
    const uint32_t tagHeader = Get32(mdx, 544);
    const uint32_t root = Get32(mdx, size_t(tagHeader) * 512);
    const size_t branch = size_t(root) * 512;
    ASSERT_GE(Get32(mdx, branch), 3u);   // keys in the root: it is a branch
    const size_t itemLength = 16;
    mdx.replace(branch + 8 + 2 * itemLength, 4, mdx.substr(branch + 8, 4));
    std::ofstream(path + ".mdx", std::ios::binary | std::ios::trunc) << mdx;

    auto t = engine.Open(path);
    ASSERT_NE(t, nullptr);
    t->Select(t->Tag("T_UNIQUE"));
    Walk w = WalkBounded(*t, 1000);
    EXPECT_LT(w.rc, 0);
    EXPECT_EQ(w.ids.size(), 126u);   // two leaves, then the one passed already
    engine.ResetError();
    w = WalkBounded(*t, 1000);
    EXPECT_EQ(w.rc, kEof);
    EXPECT_EQ(w.ids.size(), 300u);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(w.ids[size_t(i)], i + 1);
}

// A data file whose header counts fewer records than it holds (another
// program's count, or a crash between an append and its header write): every
// whole record is kept and reported, the index catches up, and an append lands
// after the last record, never over one.
#include "engines/dbase/DbaseTable.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace dbase;

namespace {

const std::vector<FieldSpec> kFields = {
    {"UNIQUE", 'N', 8, 0}, {"TIME", 'C', 6, 0}, {"NOTE", 'M', 10, 0}};
const std::vector<TagDefinition> kTags = {{"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"},
                                          {"T_TIME", "TIME", ".NOT. DELETED()"}};

std::string Time(int i)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d", i / 3600 % 24, i / 60 % 60, i % 60);
    return buf;
}

void Add(CDbaseTable& t, int i)
{
    ASSERT_EQ(t.AppendStart(), 0);
    t.Field("UNIQUE")->AssignLong(i, 8, true);
    t.Field("TIME")->Assign(Time(i));
    t.Field("NOTE")->Assign("fix " + std::to_string(i));
    ASSERT_EQ(t.Append(), 0);
}

uint32_t HeaderCount(const std::string& dbf)
{
    std::ifstream f(dbf, std::ios::binary);
    unsigned char b[8] = {};
    f.read(reinterpret_cast<char*>(b), 8);
    return uint32_t(b[4]) | uint32_t(b[5]) << 8 | uint32_t(b[6]) << 16 | uint32_t(b[7]) << 24;
}

void SetHeaderCount(const std::string& dbf, uint32_t n)
{
    std::fstream f(dbf, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(4);
    const char b[4] = {char(n), char(n >> 8), char(n >> 16), char(n >> 24)};
    f.write(b, 4);
}

// Every fix 1..n found by both tags, with its memo, and the walk in order.
void ExpectFixes(CDbaseTable& t, int n)
{
    ASSERT_EQ(t.RecordCount(), n);
    for (const char* tag : {"T_UNIQUE", "T_TIME"})
        EXPECT_EQ(t.Tag(tag)->KeyCount(), size_t(n)) << tag;
    for (int i = 1; i <= n; ++i) {
        t.Select(t.Tag("T_UNIQUE"));
        ASSERT_EQ(t.Seek(std::to_string(i)), 0) << i;
        ASSERT_EQ(t.RecNo(), i);
        ASSERT_EQ(t.Field("NOTE")->Text(), "fix " + std::to_string(i));
        t.Select(t.Tag("T_TIME"));
        ASSERT_EQ(t.Seek(Time(i)), 0) << i;
        ASSERT_EQ(t.RecNo(), i);
    }
}

class LoweredCount : public ::testing::Test {
protected:
    void Write(int n)
    {
        auto t = engine.Create(path, kFields, kTags);
        ASSERT_NE(t, nullptr);
        for (int i = 1; i <= n; ++i)
            Add(*t, i);
        ASSERT_EQ(t->Close(), 0);
    }
    brine_test::TempFolder dir;
    const std::string path = dir / "poslog";
    const std::string dbf = path + ".dbf";
    CDbaseEngine engine;
};

}   // namespace

TEST_F(LoweredCount, EveryWholeRecordIsKeptReportedAndAppendedAfter)
{
    for (const uint32_t lowered : {100u, 0u}) {
        Write(500);
        SetHeaderCount(dbf, lowered);
        {
            // Read-only: every whole record shown, the file left as it is.
            engine.readOnly = true;
            auto r = engine.Open(path);
            engine.readOnly = false;
            ASSERT_NE(r, nullptr);
            EXPECT_EQ(r->RecordCount(), 500);
            ASSERT_FALSE(r->OpenWarnings().empty());
            EXPECT_NE(r->OpenWarnings()[0].find("counts " + std::to_string(lowered)),
                      std::string::npos)
                << r->OpenWarnings()[0];
            EXPECT_NE(r->OpenWarnings()[0].find("500"), std::string::npos);
            EXPECT_EQ(HeaderCount(dbf), lowered);
        }
        auto t = engine.Open(path);
        ASSERT_NE(t, nullptr);
        ASSERT_FALSE(t->OpenWarnings().empty());
        EXPECT_NE(t->OpenWarnings()[0].find("500"), std::string::npos);
        EXPECT_EQ(HeaderCount(dbf), 500u);
        ExpectFixes(*t, 500);   // the clean index covering 500 is kept, not cut down
        Add(*t, 501);
        EXPECT_EQ(t->RecNo(), 501);
        ASSERT_EQ(t->Close(), 0);
        auto u = engine.Open(path);
        ASSERT_NE(u, nullptr);
        EXPECT_TRUE(u->OpenWarnings().empty());
        ExpectFixes(*u, 501);
    }
}

TEST_F(LoweredCount, RecordsPastAnIndexThatCoversFewerAreIndexedAndAFragmentIsLeftOut)
{
    // 100 fixes with their index; then 400 more written by an outside program
    // that kept neither the count nor the index, and half a record after them.
    Write(100);
    {
        CDbaseEngine other;
        other.autoOpenIndex = false;
        auto t = other.Open(path);
        ASSERT_NE(t, nullptr);
        for (int i = 101; i <= 500; ++i)
            Add(*t, i);
        ASSERT_EQ(t->Close(), 0);
    }
    SetHeaderCount(dbf, 100);
    const auto size = std::filesystem::file_size(dbf);
    {
        std::ofstream f(dbf, std::ios::binary | std::ios::app);
        f.write("  00000999", 10);   // a record cut short
    }
    auto t = engine.Open(path);
    ASSERT_NE(t, nullptr);
    ASSERT_FALSE(t->OpenWarnings().empty());
    EXPECT_NE(t->OpenWarnings()[0].find("counts 100"), std::string::npos);
    ExpectFixes(*t, 500);
    Add(*t, 501);   // over the fragment, after fix 500
    ASSERT_EQ(t->Close(), 0);
    EXPECT_GE(std::filesystem::file_size(dbf), size);
    auto u = engine.Open(path);
    ASSERT_NE(u, nullptr);
    EXPECT_TRUE(u->OpenWarnings().empty());
    ExpectFixes(*u, 501);
}

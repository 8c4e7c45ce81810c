// Rebuilding the index from the data in bounded memory: keys sorted in runs
// through a temporary file give every tag the same walk as the index built by
// changes in place; the temporary files leave nothing behind; numbers that
// the stored key form rounds alike stay in record order; and the memory a
// rebuild takes stays near its sort budget, not the table's size.
#include "engines/dbase/DbaseTable.h"

#include "ChildProcess.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace dbase;

// Under AddressSanitizer freed memory waits in a quarantine, so resident
// memory says nothing of what the rebuild holds.
#if defined(__SANITIZE_ADDRESS__)
#define BRINE_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRINE_TEST_ASAN 1
#endif
#endif
#ifndef BRINE_TEST_ASAN
#define BRINE_TEST_ASAN 0
#endif

namespace {

const std::vector<FieldSpec> kFields = {{"UNIQUE", 'N', 8, 0},
                                        {"NAME", 'C', 24, 0},
                                        {"DATE", 'D', 8, 0},
                                        {"LAT", 'N', 10, 5},
                                        {"TYPE", 'N', 3, 0}};
const std::vector<TagDefinition> kTags = {
    {"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"},
    {"T_NAME", "NAME", ".NOT. DELETED()"},
    {"T_DATE", "DATE", ".NOT. DELETED()", false, true},   // descending
    {"T_LAT", "LAT", ".NOT. DELETED()"},
    {"T_TYPE", "TYPE", "", true},   // unique: the first record of each type
};

void SetRow(CDbaseTable& t, int i)
{
    t.Field("UNIQUE")->AssignLong(i, 8, true);
    t.Field("NAME")->Assign("Buoy " + std::to_string(i * 7919 % 4999));
    t.Field("DATE")->Assign("2024" + std::string(i % 12 < 9 ? "0" : "") +
                            std::to_string(i % 12 + 1) + std::to_string(10 + i % 18));
    t.Field("LAT")->AssignDouble(((i * 37) % 180) - 90 + (i % 100) / 1000.0, 10, 5);
    t.Field("TYPE")->AssignLong(i % 13, 3, false);
}

// Every tag's walk: key and record number per line.
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

// The files of the folder that are not the table's own.
std::vector<std::string> Strays(const std::string& folder)
{
    std::vector<std::string> r;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        const std::string ext = e.path().extension().string();
        if (ext != ".dbf" && ext != ".mdx")
            r.push_back(e.path().filename().string());
    }
    return r;
}

long StatusKb(const char* field)
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::string(field).size()));
    return -1;
}

}   // namespace

TEST(Rebuild, KeysSortedInRunsWalkAsTheIndexChangedInPlace)
{
    brine_test::TempFolder dir;
    CDbaseEngine engine;
    auto t = engine.Create(dir / "buoys", kFields, kTags);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->Lock(), 0);
    for (int i = 1; i <= 12000; ++i) {
        ASSERT_EQ(t->AppendStart(), 0);
        SetRow(*t, i);
        ASSERT_EQ(t->Append(), 0);
    }
    for (int recNo : {5, 700, 12000}) {
        ASSERT_EQ(t->Go(recNo), 0);
        ASSERT_EQ(t->Delete(), 0);
    }
    ASSERT_EQ(t->Unlock(), 0);
    const std::string inPlace = Walks(*t);

    // The smallest budget: 64 KB a tag, a dozen runs or more in each. The
    // progress runs on through the writing: reading the records is only the
    // first part, and the share done never falls back.
    engine.rebuildSortBytes = 1;
    std::vector<std::pair<int64_t, int64_t>> told;
    engine.progress = [&](int64_t done, int64_t total) { told.emplace_back(done, total); };
    ASSERT_EQ(t->Reindex(kTags), 0);
    engine.progress = nullptr;
    EXPECT_EQ(Walks(*t), inPlace);
    ASSERT_GE(told.size(), 2u);
    double share = 0;
    for (const auto& [done, total] : told) {
        ASSERT_LE(done, total);
        EXPECT_GE(double(done) / double(total), share);
        share = double(done) / double(total);
    }
    EXPECT_EQ(told.back().first, told.back().second);
    EXPECT_LT(double(told[told.size() - 2].first) / double(told[told.size() - 2].second), 0.5);
    EXPECT_TRUE(Strays(dir.Path()).empty());
    // And all in memory.
    engine.rebuildSortBytes = size_t(64) << 20;
    ASSERT_EQ(t->Reindex(kTags), 0);
    EXPECT_EQ(Walks(*t), inPlace);
    ASSERT_EQ(t->Close(), 0);

    // A fresh open of the rebuilt file agrees.
    auto again = engine.Open(dir / "buoys");
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->OpenWarnings().empty());
    EXPECT_EQ(Walks(*again), inPlace);
}

TEST(Rebuild, NumbersTheKeyFormRoundsAlikeStayInRecordOrder)
{
    // Twelve decimals: the stored key keeps nine, so these three are one key,
    // and a delete must find the entry of the record it deletes.
    brine_test::TempFolder dir;
    CDbaseEngine engine;
    const std::vector<FieldSpec> fields = {{"DEPTH", 'N', 20, 12}};
    const std::vector<TagDefinition> tags = {{"T_DEPTH", "DEPTH", ".NOT. DELETED()"}};
    auto t = engine.Create(dir / "depths", fields, tags);
    ASSERT_NE(t, nullptr);
    for (const char* depth : {"1.000000000003", "1.000000000002", "1.000000000001"}) {
        ASSERT_EQ(t->AppendStart(), 0);
        ASSERT_EQ(t->Field("DEPTH")->Assign(depth), 0);
        ASSERT_EQ(t->Append(), 0);
    }
    ASSERT_EQ(t->Reindex(tags), 0);
    ASSERT_EQ(t->Go(1), 0);
    ASSERT_EQ(t->Delete(), 0);
    ASSERT_EQ(t->Flush(), 0);
    EXPECT_EQ(t->LiveCount(), 2);
    t->Select(t->Tag("T_DEPTH"));
    std::vector<int32_t> walked;
    for (int rc = t->Top(); rc == 0; rc = t->Skip(1))
        walked.push_back(t->RecNo());
    EXPECT_EQ(walked, (std::vector<int32_t>{2, 3}));
    EXPECT_EQ(engine.ErrorCode(), 0);
    EXPECT_TRUE(t->OpenWarnings().empty());
}

TEST(Rebuild, MemoryStaysNearTheSortBudgetWhateverTheTableSize)
{
    brine_test::TempFolder dir;
    const std::string path = dir / "log";
    constexpr int kRows = 150000;
    {
        CDbaseEngine engine;
        auto t = engine.Create(path, kFields, {});
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->Lock(), 0);
        for (int i = 1; i <= kRows; ++i) {
            ASSERT_EQ(t->AppendStart(), 0);
            SetRow(*t, i);
            ASSERT_EQ(t->Append(), 0);
        }
        ASSERT_EQ(t->Close(), 0);
    }
    // In a child, so the peak belongs to the rebuild alone: five tags of
    // 150,000 keys take some 12 MB sorted all in memory, about 3 MB with a
    // 2 MB budget.
    const pid_t pid = brine_test::ForkChild([&] {
        CDbaseEngine engine;
        engine.rebuildSortBytes = size_t(2) << 20;
        auto t = engine.Open(path);
        if (!t)
            return 2;
        std::ofstream("/proc/self/clear_refs") << "5";   // the peak starts again from here
        const long before = StatusKb("VmRSS:");
        if (t->Reindex(kTags) != 0)
            return 3;
        const long grown = StatusKb("VmHWM:") - before;
        if (t->TagAt(0)->KeyCount() != size_t(kRows))
            return 4;
        if (BRINE_TEST_ASAN)
            return 0;
        return grown < 8 * 1024 ? 0 : 10 + int(grown / 1024);   // MB past the bound
    });
    EXPECT_EQ(brine_test::WaitChild(pid), 0);
    EXPECT_TRUE(Strays(dir.Path()).empty());
}

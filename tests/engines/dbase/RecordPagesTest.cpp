// Records read through the record cache's file-sized pages: records that lie
// across two pages, records longer than a page, records changed in place and
// records another handle appends after a page was read all come back as they
// were written.
#include "engines/dbase/DbaseTable.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace dbase;

namespace {

std::string Text(int i, int width)
{
    std::string s = "record " + std::to_string(i) + " ";
    while (int(s.size()) < width)
        s += char('a' + (i + int(s.size())) % 26);
    return s.substr(0, size_t(width));
}

void ExpectRecords(CDbaseTable& t, const std::vector<std::string>& want)
{
    std::mt19937 rng(uint32_t(want.size()));
    for (size_t k = 0; k < 3 * want.size(); ++k) {
        const int recNo = int(rng() % want.size()) + 1;
        ASSERT_EQ(t.Go(recNo), 0);
        EXPECT_EQ(t.Field("BODY")->Text(), want[size_t(recNo - 1)]) << recNo;
        EXPECT_EQ(t.Field("ID")->AsDouble(), recNo);
    }
}

}   // namespace

TEST(RecordPages, RecordsAcrossPagesAndLongerThanOneComeBackWhole)
{
    // 1,000 bytes: every fourth record lies across two pages; 5,000: longer
    // than a page, so pages of two.
    for (uint16_t width : {uint16_t(1000), uint16_t(5000)}) {
        brine_test::TempFolder dir;
        CDbaseEngine engine, other;
        const std::vector<FieldSpec> fields = {{"ID", 'N', 6, 0}, {"BODY", 'C', width, 0}};
        auto t = engine.Create(dir / "wide", fields, {});
        ASSERT_NE(t, nullptr);
        std::vector<std::string> want;
        for (int i = 1; i <= 40; ++i) {
            ASSERT_EQ(t->AppendStart(), 0);
            t->Field("ID")->AssignLong(i, 6, false);
            want.push_back(Text(i, width));
            t->Field("BODY")->Assign(want.back());
            ASSERT_EQ(t->Append(), 0);
        }
        ExpectRecords(*t, want);

        // Changed in place: the cached pages follow.
        for (int recNo : {3, 4, 5, 17, 40}) {
            ASSERT_EQ(t->Go(recNo), 0);
            want[size_t(recNo - 1)] = Text(recNo + 1000, width);
            ASSERT_EQ(t->Field("BODY")->Assign(want[size_t(recNo - 1)]), 0);
            ASSERT_EQ(t->Flush(), 0);
        }
        ExpectRecords(*t, want);

        // Another handle appends past the page this one read last.
        ASSERT_EQ(t->Unlock(), 0);
        auto second = other.Open(dir / "wide");
        ASSERT_NE(second, nullptr);
        for (int i = 41; i <= 45; ++i) {
            ASSERT_EQ(second->AppendStart(), 0);
            second->Field("ID")->AssignLong(i, 6, false);
            want.push_back(Text(i, width));
            second->Field("BODY")->Assign(want.back());
            ASSERT_EQ(second->Append(), 0);
            ASSERT_EQ(second->Flush(), 0);
            ASSERT_EQ(t->Go(i), 0) << width << " " << i;
            EXPECT_EQ(t->Field("BODY")->Text(), want.back());
        }
        ExpectRecords(*t, want);
        ExpectRecords(*second, want);
    }
}

// The datum table: the file's column layout, flags, lookups and the answers
// for indices past the table, with no fallback row and with no table at all.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "TempFolder.h"
#include "geo/DatumInfo.h"
#include "geo/Position.h"

using geo::CDatumInfo;

namespace {

class DatumTable : public ::testing::Test {
protected:
    void TearDown() override { CDatumInfo::FreeTable(); }
    bool Load(const std::string& text)
    {
        std::ofstream(m_dir / "Datums.txt", std::ios::binary) << text;
        return CDatumInfo::LoadTable(m_dir.Path());
    }
    brine_test::TempFolder m_dir;
};

// 4 free columns, name 16, code 10, 2 free, second code 10, 10 free, flag.
std::string Row(const std::string& name, const std::string& code, const std::string& code2, char flag)
{
    std::string line = "    " + name;
    line.resize(20, ' ');
    line += code;
    line.resize(32, ' ');
    line += code2;
    line.resize(52, ' ');
    line += flag;
    return line + "\n";
}

}  // namespace

TEST_F(DatumTable, ColumnsFlagsAndSkippedLines)
{
    ASSERT_TRUE(Load("; comment\n" + Row("Unknown", "UNK", "999", '2') + "\n" +
                     Row("WGS 84", "WGE", "W84", '3') + Row("WGS 72", "WGD", "W72", ' ') +
                     Row("Chart", "LOC", "", '1') + "    Short\r\n" +
                     Row(" Lead blank\t", "A B", "x", '9')));
    EXPECT_EQ(CDatumInfo::RowCount(), 6u);
    EXPECT_EQ(geo::DatumIndexFallback(), 0);
    EXPECT_EQ(geo::DatumIndexWGS84(), 1);
    EXPECT_EQ(geo::DatumIndexChart(), 3);
    EXPECT_EQ(CDatumInfo::GetName(4), "Short");
    EXPECT_EQ(CDatumInfo::GetCode(4), "");
    EXPECT_EQ(CDatumInfo::GetName(5), " Lead blank");   // leading blanks stay, trailing tab goes
    EXPECT_EQ(CDatumInfo::GetCode(5), "A B");

    EXPECT_EQ(CDatumInfo::FindByName("WGS 72"), 2);
    EXPECT_EQ(CDatumInfo::FindByName("wgs 72"), 0);     // case counts: the fallback
    EXPECT_EQ(CDatumInfo::FindByName("WGS 72 "), 0);    // the text searched for is not trimmed
    EXPECT_EQ(CDatumInfo::FindByCode("WGD"), 1);        // always WGS 84, whatever row says WGD
    EXPECT_EQ(CDatumInfo::FindByCode("LOC"), 3);
    EXPECT_EQ(CDatumInfo::FindByCode2("W72"), 2);
    EXPECT_EQ(CDatumInfo::FindByCode2("nope"), 0);
    EXPECT_EQ(geo::CPosition(0, 0, 0, -1).GetDatumName(), "WGS 84");
}

TEST_F(DatumTable, IndicesPastTheTableAndMissingRows)
{
    ASSERT_TRUE(Load(Row("Unknown", "UNK", "999", '2') + Row("WGS 84", "WGE", "W84", '3')));
    // At or past the end, 0xFFFF included: the fallback row.
    for (std::uint16_t index : {std::uint16_t(2), std::uint16_t(0x8000), std::uint16_t(0xFFFF)})
        EXPECT_EQ(CDatumInfo::GetName(index), "Unknown") << index;

    // No fallback row: an empty text, never a read past the table.
    ASSERT_TRUE(Load(Row("WGS 84", "WGE", "W84", '3')));
    EXPECT_EQ(geo::DatumIndexFallback(), geo::kNoDatumIndex);
    EXPECT_EQ(CDatumInfo::GetName(1), "");
    EXPECT_EQ(CDatumInfo::GetCode2(0xFFFF), "");
    EXPECT_EQ(CDatumInfo::FindByName("none"), geo::kNoDatumIndex);

    // An empty table, after the table is freed, and with no file at all.
    ASSERT_TRUE(Load(""));
    EXPECT_EQ(CDatumInfo::GetCode(0), "");
    CDatumInfo::FreeTable();
    EXPECT_EQ(CDatumInfo::GetName(0), "");
    EXPECT_FALSE(CDatumInfo::LoadTable(m_dir / "absent"));
    EXPECT_EQ(CDatumInfo::RowCount(), 0u);
}

TEST(DatumInstallation, ShippedTableFlagsItsDefaults)
{
    const char* bin = std::getenv("BRINE_BIN_DIR");
    ASSERT_TRUE(CDatumInfo::LoadTable(bin ? bin : "."));
    EXPECT_EQ(CDatumInfo::GetName(geo::DatumIndexWGS84()), "WGS 84");
    EXPECT_NE(geo::DatumIndexFallback(), geo::kNoDatumIndex);
    EXPECT_NE(geo::DatumIndexChart(), geo::kNoDatumIndex);
    EXPECT_EQ(CDatumInfo::FindByCode2("W84"), geo::DatumIndexWGS84());
    CDatumInfo::FreeTable();
}

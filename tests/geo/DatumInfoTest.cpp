// The datum table: the file's column layout, flags, lookups and the answers
// for indices past the table, with no fallback row and with no table at all.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tuple>

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
std::string Row(std::string name, std::string code, std::string code2, char flag)
{
    name.resize(16, ' '), code.resize(12, ' '), code2.resize(20, ' ');
    return "    " + name + code + code2 + flag + "\n";
}

}   // namespace

TEST_F(DatumTable, ColumnsFlagsAndSkippedLines)
{
    ASSERT_TRUE(Load("; comment\n" + Row("Unknown", "UNK", "999", '2') + "\n" +
                     Row("WGS 84", "WGE", "W84", '3') + Row("WGS 72", "WGD", "W72", ' ') +
                     Row("Chart", "LOC", "", '1') + "    Short\r\n" +
                     Row(" Lead blank\t", "A B", "x", '9')));
    EXPECT_EQ(CDatumInfo::RowCount(), 6u);
    EXPECT_EQ(std::tuple(geo::DatumIndexFallback(), geo::DatumIndexWGS84(), geo::DatumIndexChart()),
              std::tuple(0, 1, 3));
    EXPECT_EQ(CDatumInfo::GetName(4) + "|" + CDatumInfo::GetCode(4), "Short|");
    EXPECT_EQ(CDatumInfo::GetName(5) + "|" + CDatumInfo::GetCode(5),
              " Lead blank|A B");   // leading blanks stay, the tab goes
    // Case counts and the text searched for is not trimmed: else the fallback row.
    // "WGD" always means WGS 84, whatever row says it.
    const struct {
        std::uint16_t (*find)(std::string_view);
        const char* text;
        int index;
    } finds[] = {
        {CDatumInfo::FindByName, "WGS 72", 2},  {CDatumInfo::FindByName, "wgs 72", 0},
        {CDatumInfo::FindByName, "WGS 72 ", 0}, {CDatumInfo::FindByCode, "WGD", 1},
        {CDatumInfo::FindByCode, "LOC", 3},     {CDatumInfo::FindByCode2, "W72", 2},
        {CDatumInfo::FindByCode2, "nope", 0},
    };
    for (const auto& f : finds)
        EXPECT_EQ(f.find(f.text), f.index) << f.text;
    EXPECT_EQ(geo::CPosition(0, 0, 0, -1).GetDatumName(), "WGS 84");
}

// Indices at or past the end, 0xFFFF included, give the fallback row; with no
// fallback row, an empty table or none at all, an empty text, never a read past the table.
TEST_F(DatumTable, IndicesPastTheTableAndMissingRows)
{
    ASSERT_TRUE(Load(Row("Unknown", "UNK", "999", '2') + Row("WGS 84", "WGE", "W84", '3')));
    for (std::uint16_t index : {2, 0x8000, 0xFFFF})
        EXPECT_EQ(CDatumInfo::GetName(index), "Unknown") << index;
    ASSERT_TRUE(Load(Row("WGS 84", "WGE", "W84", '3')));
    EXPECT_EQ(geo::DatumIndexFallback(), geo::kNoDatumIndex);
    EXPECT_EQ(CDatumInfo::GetName(1) + CDatumInfo::GetCode2(0xFFFF), "");
    EXPECT_EQ(CDatumInfo::FindByName("none"), geo::kNoDatumIndex);
    ASSERT_TRUE(Load(""));
    EXPECT_EQ(CDatumInfo::GetCode(0), "");
    CDatumInfo::FreeTable();
    EXPECT_EQ(CDatumInfo::GetName(0), "");
    EXPECT_FALSE(CDatumInfo::LoadTable(m_dir / "absent"));
    EXPECT_EQ(CDatumInfo::RowCount(), 0u);
}

// Datum -1 (0xFFFF) stands for the row flagged 3 wherever a position takes a
// datum; with no row flagged 3 the stored value is 0xFFFF itself. Other
// indices are stored unchanged, past the table or not, and name the fallback row.
TEST_F(DatumTable, DefaultDatumOfPositions)
{
    ASSERT_TRUE(Load(Row("Unknown", "UNK", "999", '2') + Row("Local", "LOC", "", '1') +
                     Row("WGS 84", "WGE", "W84", '3')));
    geo::CPosition p(10.0, 20.0, 0.0, -1);
    EXPECT_EQ(p.GetDatum(), 2);
    EXPECT_EQ(p.GetDatumName(), "WGS 84");
    ASSERT_TRUE(p.Set(11.0, 21.0, 0.0, 1));
    EXPECT_EQ(p.GetDatumName(), "Local");
    ASSERT_TRUE(p.Set(11.0, 21.0, 0.0, 0xFFFF));
    EXPECT_EQ(p.GetDatum(), 2);
    p.OffsetMinutes(1.0, 1.0, 7);
    EXPECT_EQ(p.GetDatum(), 7);
    EXPECT_EQ(p.GetDatumName(), "Unknown");
    p.Invalidate();
    p.OffsetMinutes(1.0, 1.0, 0xFFFF);
    EXPECT_EQ(p.GetDatum(), 2);
    EXPECT_FALSE(p.IsValid()) << "an offset leaves the valid flag alone";

    ASSERT_TRUE(Load(Row("Unknown", "UNK", "999", '2')));
    EXPECT_EQ(geo::CPosition(0, 0, 0, -1).GetDatum(), geo::kNoDatumIndex);
    EXPECT_EQ(geo::CPosition(0, 0, 0, -1).GetDatumName(), "Unknown");
}

// Several rows with one flag: the last one read holds it.
TEST_F(DatumTable, LastRowOfAFlagWins)
{
    ASSERT_TRUE(Load(Row("A", "A", "A", '3') + Row("B", "B", "B", '2') + Row("C", "C", "C", '3') +
                     Row("D", "D", "D", '2') + Row("E", "E", "E", 'x')));
    EXPECT_EQ(geo::DatumIndexWGS84(), 2);
    EXPECT_EQ(geo::DatumIndexFallback(), 3);
    EXPECT_EQ(geo::DatumIndexChart(), geo::kNoDatumIndex);
    EXPECT_EQ(CDatumInfo::FindByCode("WGD"), 2);
}

// Every row of the table the program ships: its name, codes and flags as
// written in the file, each found again by its name and its code, and the
// instrument codes shared by several rows answered with the first of them.
TEST(DatumInstallation, EveryShippedRow)
{
    const char* bin = std::getenv("BRINE_BIN_DIR");
    ASSERT_TRUE(CDatumInfo::LoadTable(bin ? bin : "."));
    const struct {
        const char* name;
        const char* code;
        const char* code2;
    } rows[] = {
        {"Unknown", "UNK", "999"},         {"WGS 84", "WGE", "W84"},
        {"WGS 72", "WGD", "W72"},          {"Local chart", "LOC", "999"},
        {"European 1950", "EUR", "EUR"},   {"European 1979", "EUS", "EUS"},
        {"ED 50", "ED50", "EUR"},          {"OSGB 36", "OGB", "OGB"},
        {"Ireland 1965", "IRL", "IRL"},    {"NAD 27", "NAS", "NAS"},
        {"NAD 83", "NAR", "NAR"},          {"SGS 85", "SGS", "S85"},
        {"PE 90", "PE9", "P90"},           {"Tokyo", "TOY", "TOY"},
        {"Australian 1966", "AUA", "AUA"}, {"Australian 1984", "AUG", "AUG"},
        {"NZGD 49", "GEO", "GEO"},         {"ETRS 89", "EUF", "EUF"},
        {"RT 90", "RT90", "RT9"},
    };
    ASSERT_EQ(CDatumInfo::RowCount(), std::size(rows));
    EXPECT_EQ(std::tuple(geo::DatumIndexFallback(), geo::DatumIndexWGS84(), geo::DatumIndexChart()),
              std::tuple(0, 1, 3));
    for (std::uint16_t i = 0; i < std::size(rows); ++i) {
        const auto& r = rows[i];
        EXPECT_EQ(CDatumInfo::GetName(i), r.name) << i;
        EXPECT_EQ(CDatumInfo::GetCode(i), r.code) << i;
        EXPECT_EQ(CDatumInfo::GetCode2(i), r.code2) << i;
        EXPECT_EQ(CDatumInfo::FindByName(r.name), i) << r.name;
        // "WGD" is WGS 72's chart code, but always reads WGS 84.
        EXPECT_EQ(CDatumInfo::FindByCode(r.code), i == 2 ? 1 : i) << r.code;
    }
    for (const auto& [code2, index] : std::initializer_list<std::pair<const char*, int>>{
             {"999", 0}, {"W84", 1}, {"W72", 2}, {"EUR", 4}, {"RT9", 18}, {"w84", 0}})
        EXPECT_EQ(CDatumInfo::FindByCode2(code2), index) << code2;
    EXPECT_EQ(CDatumInfo::GetName(std::size(rows)), "Unknown");
    CDatumInfo::FreeTable();
}

TEST(DatumInstallation, ShippedTableFlagsItsDefaults)
{
    const char* bin = std::getenv("BRINE_BIN_DIR");
    ASSERT_TRUE(CDatumInfo::LoadTable(bin ? bin : "."));
    EXPECT_EQ(CDatumInfo::GetName(geo::DatumIndexWGS84()), "WGS 84");
    EXPECT_EQ(CDatumInfo::FindByCode2("W84"), geo::DatumIndexWGS84());
    EXPECT_TRUE(geo::DatumIndexFallback() != geo::kNoDatumIndex &&
                geo::DatumIndexChart() != geo::kNoDatumIndex);
    CDatumInfo::FreeTable();
}

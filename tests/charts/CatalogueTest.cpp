// The catalogue files, the medium descriptor and the names derived from a
// chart number, on hand-made records: fields read within the bytes present,
// entries without their terminators or with plan numbers outside 1..plans
// refused, offsets in hexadecimal, groups, update label keys and the split
// of an outline at 180 degrees.

#include "charts/hcrf/CdIdentifier.h"
#include "charts/hcrf/ChartCatalogue.h"
#include "charts/hcrf/ChartNames.h"
#include "charts/hcrf/HCRFModule.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "TempFolder.h"

using namespace charts::hcrf;

namespace {

const std::string kEnd = "\x0B\x0D\x0A";

std::string Pad(std::string s, std::size_t n)
{
    s.resize(n, ' ');
    return s;
}

// A "Chart.cat" header line of 196 bytes.
std::string Header(const std::string& number, int plans, const std::string& cd = "RC1")
{
    std::string h(193, ' ');
    h.replace(0, 2, "CH");
    h.replace(2, 8, Pad(number, 8));
    h.replace(47, 100, Pad("Title of " + number, 100));
    h.replace(147, 9, "000000003");
    h.replace(156, 2, (plans < 10 ? "0" : "") + std::to_string(plans));
    h.replace(158, 10, Pad(cd, 10));
    h.replace(168, 8, "00050000");
    h.replace(176, 1, "1");
    h.replace(177, 8, "DEADBEEF");
    h.replace(185, 8, "0000ABCD");
    return h + kEnd;
}

const std::string kVertex = "+5030500-00112000";   // 50 30.5 N, 1 12 W

charts::hcrf::Bytes AsBytes(const std::string& s)
{
    return charts::hcrf::Bytes(s.begin(), s.end());
}

TEST(ChartCatalogue, EntriesReadWithinTheirBytes)
{
    struct Case {
        const char* name;
        std::string text;
        bool valid;
        std::size_t vertices;
        std::size_t plans;
    };
    const std::string h0 = Header("RC1001", 0), h2 = Header("RC1001", 2);
    const Case cases[] = {
        {"no outline", h0 + kEnd + kEnd, true, 0, 0},
        {"two vertices", h0 + kVertex + kVertex + kEnd + kEnd, true, 2, 0},
        {"two plans", h2 + kVertex + kEnd + "010000100" + "020000200" + kEnd, true, 1, 2},
        {"plans given in any order", h2 + kEnd + "020000200" + "010000100" + kEnd, true, 0, 2},
        {"outline without terminator", h0 + kVertex + kVertex, false, 0, 0},
        {"vertex cut short", h0 + kVertex.substr(0, 9), false, 0, 0},
        {"plan number 0", h2 + kEnd + "000000100" + "020000200" + kEnd, false, 0, 0},
        {"plan number beyond plans", h2 + kEnd + "010000100" + "030000200" + kEnd, false, 0, 0},
        {"plan number twice", h2 + kEnd + "010000100" + "010000200" + kEnd, false, 0, 0},
        {"plan index cut short", h2 + kEnd + "010000100", false, 0, 0},
        {"header cut short", h0.substr(0, 150), false, 0, 0},
        {"header without terminator", h0.substr(0, 193) + "xyz" + kEnd, false, 0, 0},
    };
    for (const Case& c : cases) {
        CARCSCatEntry entry;
        const auto bytes = AsBytes(c.text);
        EXPECT_EQ(entry.Read(bytes, 0), c.valid) << c.name;
        EXPECT_EQ(entry.valid, c.valid) << c.name;
        if (!c.valid) {
            EXPECT_EQ(entry.Scale(), 0) << c.name;
            continue;
        }
        EXPECT_EQ(entry.outline.size(), c.vertices) << c.name;
        EXPECT_EQ(entry.planOffsets.size(), c.plans) << c.name;
        EXPECT_EQ(entry.chartNumber, "RC1001");
        EXPECT_EQ(entry.Scale(), 50000);
        EXPECT_EQ(entry.rasterCheck, 0xDEADBEEFu);
        EXPECT_EQ(entry.indexCheck, 0xABCDu);
    }
    CARCSCatEntry entry;
    const auto bytes = AsBytes(h2 + kVertex + kEnd + "020000200" + "010000100" + kEnd);
    ASSERT_TRUE(entry.Read(bytes, 0));
    EXPECT_EQ(entry.PlanOffset(1), 100u);
    EXPECT_EQ(entry.PlanOffset(2), 200u);
    EXPECT_FALSE(entry.PlanOffset(0));
    EXPECT_FALSE(entry.PlanOffset(3));
    EXPECT_NEAR(entry.outline[0].GetLatitude(), 50 + 30.5 / 60, 1e-9);
    EXPECT_NEAR(entry.outline[0].GetLongitude(), -(1 + 12.0 / 60), 1e-9);
    // An offset past the end of the file reads nothing.
    EXPECT_FALSE(entry.Read(bytes, std::uint32_t(bytes.size() + 10)));
}

TEST(ChartCatalogue, PlanEntriesAndCoordinates)
{
    std::string h(129, ' ');
    h.replace(0, 2, "PL");
    h.replace(2, 8, Pad("RC1001", 8));
    h.replace(18, 2, "01");
    h.replace(20, 8, "00020000");
    h.replace(29, 100, Pad("Eagle Harbor", 100));
    CPlanCatEntry plan;
    ASSERT_TRUE(plan.Read(AsBytes(h + kEnd + kVertex + kEnd), 0));
    EXPECT_EQ(plan.planNumber, 1);
    EXPECT_EQ(plan.Scale(), 20000);
    EXPECT_EQ(plan.title, "Eagle Harbor");
    EXPECT_EQ(plan.outline.size(), 1u);
    EXPECT_FALSE(plan.Read(AsBytes(h + kEnd + kVertex), 0));
    EXPECT_EQ(plan.Scale(), 0);

    std::size_t pos = 0;
    EXPECT_NEAR(ParseCatCoordinate("-5130500", pos, 8), -51.508333333, 1e-8);
    EXPECT_EQ(pos, 8u);
}

TEST(ChartCatalogue, PointerFileFindsNumbersWithoutCaseAndReadsHexOffsets)
{
    CCatalogueFolder::PointerMap pointers;
    std::vector<std::string> numbers;
    const std::string file = Pad("RC1001", 8) + "0000196" + kEnd + Pad("rc2002", 8) + "0x001F0" +
                             kEnd + Pad("LONGNAME", 8) + "0000010" + kEnd;
    CCatalogueFolder::ParsePointers(AsBytes(file), pointers, numbers);
    EXPECT_EQ(pointers.at(PointerKey("rc1001")), 196u);
    EXPECT_EQ(pointers.at(PointerKey("RC2002")), 0x1F0u);
    EXPECT_EQ(numbers, (std::vector<std::string>{"RC1001", "rc2002", "LONGNAME"}));
    // A file name longer than eight characters is padded, never cut: not found.
    EXPECT_EQ(pointers.count(PointerKey("LONGNAME9")), 0u);
    EXPECT_EQ(PointerKey("AUS4622+1"), "AUS4622 ");
}

// A chart the pointer file lists is read from "Chart.cat"; one it does not
// list is not found; a listed chart whose entry cannot be read (past the end
// of "Chart.cat", or damaged) throws the program's error exception.
TEST(ChartCatalogue, ListedEntryThatCannotBeReadThrows)
{
    brine_test::TempFolder dir;
    EXPECT_FALSE(ReadChartCatalogue(dir.Path(), "RC1001", *std::make_unique<CARCSCatEntry>()))
        << "no pointer file";
    std::filesystem::create_directories(dir / "ChartCat");
    const std::string good = Header("RC1001", 0) + kVertex + kEnd + kEnd;
    const std::string damaged = Header("RC3003", 0).substr(0, 193) + "xyz" + kEnd + kEnd;
    std::ofstream(dir / "ChartCat" / "Chart.ptr", std::ios::binary)
        << Pad("RC1001", 8) << "0000000" << kEnd << Pad("RC2002", 8) << "0999999" << kEnd
        << Pad("RC3003", 8) << Pad(std::to_string(good.size()), 7) << kEnd;
    std::ofstream(dir / "ChartCat" / "Chart.cat", std::ios::binary) << good << damaged;
    CARCSCatEntry entry;
    EXPECT_TRUE(ReadChartCatalogue(dir.Path(), "rc1001", entry));
    EXPECT_EQ(entry.outline.size(), 1u);
    EXPECT_FALSE(ReadChartCatalogue(dir.Path(), "RC9009", entry)) << "not listed";
    EXPECT_THROW(ReadChartCatalogue(dir.Path(), "RC2002", entry), bool) << "past the end";
    EXPECT_THROW(ReadChartCatalogue(dir.Path(), "RC3003", entry), bool) << "damaged";
}

TEST(ChartNames, GroupsFileNamesAndYears)
{
    EXPECT_EQ(GetChartGroup("RC0107"), "001");
    EXPECT_EQ(GetChartGroup("3497"), "034");
    EXPECT_EQ(GetChartGroup("4000"), "040");
    EXPECT_EQ(GetChartGroup("AUS4060"), "040");
    EXPECT_EQ(GetChartGroup("123456"), "123");
    // A number without a digit falls in group 000.
    EXPECT_EQ(GetChartGroup("NODIGIT"), "000");
    EXPECT_EQ(GetChartGroup(""), "000");
    EXPECT_EQ(GetChartFileName("AUS4622+1"), "AUS4622");
    EXPECT_EQ(GetChartFileName("RC1001 x", "chr"), "RC1001.chr");
    EXPECT_EQ(ExpandYear("9452"), "209452");
    EXPECT_EQ(ExpandYear("9501"), "199501");
}

TEST(CdIdentifier, DescriptorColumnsAndShortRecords)
{
    CCDIdentifier id;
    ParseCdvRecord("GBWK23_99   19991015OTHER     1.500Weekly update", id);
    EXPECT_EQ(id.country, "GB");
    EXPECT_EQ(id.name, "WK23_99");
    EXPECT_EQ(id.date, "19991015");
    EXPECT_EQ(id.further, "OTHER");
    EXPECT_DOUBLE_EQ(id.number, 1.5);
    EXPECT_EQ(id.description, "Weekly update");
    ParseCdvRecord("AUUP", id);
    EXPECT_EQ(id.name, "UP");
    EXPECT_EQ(id.date, "");
    EXPECT_EQ(FormatCdDate("19981015"), "15/10/98");
}

TEST(ServiceModules, LabelKeysNamesAndOutlineSplit)
{
    struct Home : app::CSettingsHome {
        platform::CSettingsStore& GetStore() const override { std::abort(); }
        std::string GetRegistryKey() const override { return "W"; }
    } home;
    auto shared = std::make_shared<CHCRFShared>();
    CARCSModule arcs(home, shared);
    CSeafarerModule seafarer(home, shared);
    EXPECT_EQ(arcs.GetUpdateLabelKey("WK23_99"), "199923");
    EXPECT_EQ(arcs.GetUpdateLabelKey("WK05_01"), "200105");
    EXPECT_TRUE(arcs.IsNewerUpdateLabel("WK52_94", "WK01_95"));
    EXPECT_EQ(seafarer.GetUpdateLabelKey("Upmar99"), "199903");
    EXPECT_EQ(seafarer.GetUpdateLabelKey("Upjan01"), "200101");
    EXPECT_TRUE(arcs.IsServiceChart("rc1234"));
    EXPECT_TRUE(seafarer.IsServiceChart("ch45"));
    EXPECT_FALSE(arcs.IsServiceChart("ED123"));
    EXPECT_EQ(seafarer.NormaliseCdName("UP MAR_99"), "UPMAR99");
    CCDIdentifier gb{true, "GB", "WK01_26", "20260105", "", 0, ""};
    CCDIdentifier other{true, "AU", "WK01_26", "20260105", "", 0, ""};
    EXPECT_TRUE(arcs.IsServiceUpdate(gb));
    EXPECT_FALSE(arcs.IsServiceUpdate(other));
    EXPECT_EQ(CHCRFModule::GetServiceName(2), "Unknown");

    std::vector<geo::CPosition> east{{10, 179}, {10, 180}, {10, -179}}, west;
    SplitOutlineAt180(east, west);
    ASSERT_EQ(east.size(), 3u);
    ASSERT_EQ(west.size(), 2u);
    EXPECT_EQ(east[2].GetLongitude(), 179);
    EXPECT_EQ(west[0].GetLongitude(), -180);
    EXPECT_EQ(west[1].GetLongitude(), -179);
}

}   // namespace

#include "charts/hcrf/ChartPanel.h"
#include "charts/hcrf/HCRFHeader.h"
#include "charts/hcrf/HCRFPalette.h"
#include "charts/hcrf/PanelLookups.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include <unistd.h>

using namespace charts::hcrf;

namespace {

const std::string kEnd = "\x0B\x0D\x0A";

Bytes ToBytes(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

std::string Pad(std::string s, std::size_t width)
{
    s.resize(width, ' ');
    return s;
}

// 45 characters: chart number "GB1234", edition date, 3 insets.
std::string Identifier()
{
    return Pad("HCR01GB1234  XXXXXXXX20261206031.2500", 45);
}

void AppendSection(Bytes& pal, std::uint8_t cls, std::uint8_t type, const Bytes& body, std::uint16_t count)
{
    const std::size_t length = body.size() + 8;
    pal.insert(pal.end(), {cls, type, std::uint8_t(length), std::uint8_t(length >> 8), std::uint8_t(count),
                           std::uint8_t(count >> 8), 0, 0});
    pal.insert(pal.end(), body.begin(), body.end());
}

}  // namespace

TEST(HCRFHeader, IdentifierAndGeneralInformation)
{
    std::string general = Pad("000000012Approaches to Somewhere", 118) + "  2   8" + " 12" + "  7" + " 3" + "02";
    general = Pad(general, 150);
    const Bytes file = ToBytes(Identifier() + kEnd + general + kEnd + "third" + kEnd + "100001xxxxxxxxxxxxxxEXTRA" + kEnd);
    CHCRFHeader header;
    ASSERT_TRUE(header.Read(file));
    EXPECT_EQ(header.identifier.chartNumber, "GB1234");
    EXPECT_EQ(header.identifier.editionDate, "20261206");
    EXPECT_EQ(header.identifier.insetPanels, 3);
    EXPECT_EQ(header.generalInfo.updateNumber, "000000012");
    EXPECT_EQ(header.generalInfo.title, "Approaches to Somewhere");
    EXPECT_DOUBLE_EQ(header.generalInfo.LowResolutionRatio(), 4.0);
    EXPECT_EQ(header.generalInfo.highTilesAcross, 12);
    EXPECT_EQ(header.generalInfo.highTilesDown, 7);
    EXPECT_EQ(header.generalInfo.lowTilesAcross, 3);
    EXPECT_EQ(header.generalInfo.lowTilesDown, 2);
    EXPECT_TRUE(header.protection.IsEnciphered(false, CDataProtection::Part::Tiles));
    EXPECT_FALSE(header.protection.IsEnciphered(true, CDataProtection::Part::Tiles));
    EXPECT_TRUE(header.protection.IsEnciphered(true, CDataProtection::Part::PanelData));
    EXPECT_EQ(header.remainingRecords.substr(0, 8), "third" + kEnd);

    // A divisor of 0 gives a ratio of 1, not a division by zero.
    header.generalInfo.lowRatioDivisor = 0;
    EXPECT_DOUBLE_EQ(header.generalInfo.LowResolutionRatio(), 1.0);
}

TEST(HCRFHeader, IdentifierWithoutTerminatorSkipsToTheNextOne)
{
    // The record runs on for 5 more characters before its terminator.
    const Bytes file = ToBytes(Identifier() + "ABCDE" + kEnd + "rest");
    CChartIdentifier id;
    std::size_t next = 0;
    ASSERT_TRUE(id.Read(file, &next));
    EXPECT_EQ(next, 53u);
    EXPECT_EQ(id.chartNumber, "GB1234");
    // No terminator anywhere: the fields are still read, within their widths.
    const Bytes bare = ToBytes(Pad("HCR01LONGNAMEX", 48));
    ASSERT_TRUE(id.Read(bare, &next));
    EXPECT_EQ(id.chartNumber, "LONGNAME");
    EXPECT_EQ(next, bare.size());
    EXPECT_FALSE(id.Read(ToBytes(Identifier())));   // 45 bytes: shorter than the record
}

TEST(HCRFHeader, ShortOrMissingRecordsFail)
{
    CHCRFHeader header;
    EXPECT_FALSE(header.Read(ToBytes(Identifier() + kEnd + Pad("x", 100) + kEnd)));
    EXPECT_FALSE(header.Read({}));
    // A header without a data-protection record marks nothing enciphered.
    ASSERT_TRUE(header.Read(ToBytes(Identifier() + kEnd + Pad("1", 150) + kEnd)));
    EXPECT_FALSE(header.protection.IsEnciphered(true, CDataProtection::Part::Tiles));
}

TEST(HCRFFields, NumbersAndTexts)
{
    struct Row {
        std::string record;
        std::size_t column, width;
        std::uint64_t number;
    } rows[] = {
        {"   42xyz", 0, 8, 42}, {"     ", 0, 5, 0}, {"12a45", 0, 5, 12}, {"123", 1, 10, 23},
        {"99999999999999999999999", 0, 23, UINT64_MAX}, {"7", 5, 3, 0}, {"-12", 0, 3, 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(FieldNumber(r.record, r.column, r.width), r.number) << r.record;
    EXPECT_EQ(Trimmed(FieldText("  AB  CD", 0, 6)), "AB");
    EXPECT_DOUBLE_EQ(FieldDouble("1.5e2xyz", 0, 5), 150.0);
    EXPECT_DOUBLE_EQ(FieldDouble("  12345", 0, 4), 12.0);   // never reads past its width
}

TEST(HCRFPalette, ColourSections)
{
    Bytes pal = ToBytes(Identifier() + kEnd);
    AppendSection(pal, 0, 1, {1, 10, 20, 30, 7, 1, 1, 1, 1, 40, 50, 60}, 3);   // index 1 twice: the later wins
    AppendSection(pal, 0, 7, {2, 9, 9, 9}, 1);                                 // any other type is Day too
    AppendSection(pal, 0, 2, {1, 5, 5, 5, 9, 6, 6, 6}, 5);                     // count beyond the section
    AppendSection(pal, 0xFF, 1, {}, 0);
    AppendSection(pal, 0, 3, {1, 99, 99, 99}, 1);                              // after a code section: not read
    CColourTables tables;
    tables.night[1] = {1, 2, 3};
    ASSERT_TRUE(ApplyColourSections(pal, tables));
    EXPECT_EQ(tables.day[1], (CRgb{40, 50, 60}));
    EXPECT_EQ(tables.day[7], (CRgb{1, 1, 1}));
    EXPECT_EQ(tables.day[2], (CRgb{9, 9, 9}));
    EXPECT_EQ(tables.dusk[9], (CRgb{6, 6, 6}));
    EXPECT_EQ(tables.duskCount, 2u);
    EXPECT_EQ(tables.night[1], (CRgb{1, 2, 3}));

    // A section claiming less than its own header ends the scan instead of looping.
    Bytes bad = ToBytes(Identifier() + kEnd);
    bad.insert(bad.end(), {0, 1, 0, 0, 1, 0, 0, 0, 3, 1, 1, 1});
    EXPECT_TRUE(ApplyColourSections(bad, tables));
    EXPECT_FALSE(ApplyColourSections(ToBytes("short"), tables));
}

TEST(HCRFPalette, CodeTables)
{
    Bytes pal = ToBytes(Identifier() + kEnd);
    AppendSection(pal, 0, 1, {0, 1, 2, 3}, 1);
    // Low resolution: entries of every length, then the body ends after 8 entries.
    AppendSection(pal, 0xFF, 1, {1, 3, 9, 0, 2, 4, 3, 1, 2, 4, 5, 6, 0, 7, 5, 8, 9, 6, 1, 2, 3, 7, 0, 9}, 256);
    AppendSection(pal, 0xFF, 2, Bytes(256, 7), 256);
    CodeTable table{};
    table.fill(0xAA);
    ASSERT_TRUE(LoadCodeTable(pal, RasterKind::LowResolution, table));
    const std::vector<std::vector<std::uint8_t>> expected = {
        {1, 3, 9, 0, 0}, {2, 4, 0, 0, 0}, {3, 1, 2, 0, 0}, {4, 5, 6, 0, 7},
        {5, 8, 9, 0, 0}, {6, 1, 2, 3, 0}, {7, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {9, 0, 0, 0, 0}};
    for (std::size_t c = 0; c < expected.size(); ++c)
        EXPECT_TRUE(std::equal(expected[c].begin(), expected[c].end(), table.begin() + std::ptrdiff_t(c * 5))) << c;
    EXPECT_TRUE(std::all_of(table.begin() + 45, table.end(), [](std::uint8_t b) { return b == 0; }));
    ASSERT_TRUE(LoadCodeTable(pal, RasterKind::HighResolution, table));
    EXPECT_EQ(table[255 * 5], 7);

    std::string error;
    Bytes enciphered = ToBytes(Identifier() + kEnd);
    AppendSection(enciphered, 0xFF, 4, Bytes(256, 7), 256);
    EXPECT_FALSE(LoadCodeTable(enciphered, RasterKind::HighResolution, table, &error));
    EXPECT_FALSE(LoadCodeTable(enciphered, RasterKind::LowResolution, table, &error));   // none for low
    Bytes truncated = pal;
    truncated.resize(truncated.size() - 10);   // the high table's body is cut
    EXPECT_FALSE(LoadCodeTable(truncated, RasterKind::HighResolution, table, &error));
    EXPECT_FALSE(error.empty());
}

TEST(HCRFNotes, RecordsTypesAndTrailingBytes)
{
    std::string file = Pad(Identifier() + kEnd, 48);
    file += "00010000200003000004NT1" + kEnd;
    file += "00000000000000000000zZ1" + kEnd;   // withdrawn, in any case
    file += "00500006000007000008CA0" + kEnd;
    file += "00100";                           // not a whole record
    const auto notes = ReadNotes(ToBytes(file));
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].x1, 10);
    EXPECT_EQ(notes[0].y2, 20);
    EXPECT_EQ(notes[0].x2, 30);
    EXPECT_EQ(notes[0].y1, 4);
    EXPECT_EQ(notes[0].type, "NT");
    EXPECT_TRUE(notes[0].flag);
    EXPECT_FALSE(notes[1].flag);
    EXPECT_TRUE(ReadNotes(ToBytes("tiny")).empty());
}

TEST(PanelLookups, KeysAndMissingTables)
{
    std::string file = "12345";
    file += Pad("ME Mercator", 33) + kEnd;
    file += Pad("LA Lowest Astronomical Tide", 33) + kEnd;
    file += "LA";   // partial record
    CLookupTable table;
    table.Parse(ToBytes(file));
    EXPECT_EQ(table.Find("ME"), "Mercator");
    EXPECT_EQ(table.Find("ME "), "Mercator");
    EXPECT_EQ(table.Find("me"), "");
    EXPECT_EQ(table.Find("XX"), "");
    EXPECT_EQ(table.Find(""), "");
    table.Load("/nonexistent/projcode.tab");
    EXPECT_EQ(table.Find("ME"), "");
}

TEST(HCRFFields, FilesOfTheSetAreFoundWithoutCase)
{
    // Charts copied from discs often arrive with upper-case names.
    const auto folder = std::filesystem::temp_directory_path() / ("hcrf-names-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    for (const char* name : {"GB1234.CHR", "GB1234.CHI", "GB1234.Pal"})
        std::ofstream(folder / name) << "x";
    const auto chart = folder / "GB1234.CHR";
    EXPECT_EQ(SiblingFile(chart, "pal").filename(), "GB1234.Pal");
    EXPECT_EQ(IndexFileOf(chart).filename(), "GB1234.CHI");
    EXPECT_EQ(SiblingFile(chart, "hdr").filename(), "GB1234.hdr");   // missing: the plain name, which then fails to open
    EXPECT_FALSE(ReadWholeFile(SiblingFile(chart, "hdr")));
    EXPECT_EQ(IndexFileOf(folder / "x.lor").filename(), "x.loi");
    std::filesystem::remove_all(folder);
}

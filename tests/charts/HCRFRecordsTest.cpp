#include "TempFolder.h"
#include "charts/hcrf/ChartPanel.h"
#include "charts/hcrf/HCRFHeader.h"
#include "charts/hcrf/HCRFPalette.h"
#include "charts/hcrf/PanelLookups.h"
#include "geo/DatumInfo.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

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
const std::string kIdentifier = Pad("HCR01GB1234  XXXXXXXX20261206031.2500", 45);

Bytes Palette(
    std::initializer_list<std::tuple<std::uint8_t, std::uint8_t, Bytes, std::uint16_t>> sections)
{
    Bytes pal = ToBytes(kIdentifier + kEnd);
    for (const auto& [cls, type, body, count] : sections) {
        const std::size_t length = body.size() + 8;
        pal.insert(pal.end(), {cls, type, std::uint8_t(length), std::uint8_t(length >> 8),
                               std::uint8_t(count), std::uint8_t(count >> 8), 0, 0});
        pal.insert(pal.end(), body.begin(), body.end());
    }
    return pal;
}

// A polynomial block of 17 numbers, 23 characters each: as block 1, x = lon * 3600 and y = lat *
// 3600; as block 2, the reverse (the sixth and last numbers are 1).
const std::string kBlock = [] {
    std::string b;
    for (int i = 0; i < 17; ++i)
        b += i == 5 || i == 16 ? "       1.0000000000E+00" : "       0.0000000000E+00";
    return Pad(b, 598);
}();
const std::string kBlank(598, ' ');

std::string FirstRecord(unsigned count, const std::string& latShift = "0000060",
                        const std::string& lonShift = "0000120", const std::string& datum = "WGD")
{
    std::string r(239, ' ');
    for (const auto& [column, text] :
         std::initializer_list<std::pair<std::size_t, std::string>>{{1, std::to_string(count)},
                                                                    {2, "Harbour plan"},
                                                                    {102, "ZZ"},
                                                                    {159, "00012500"},
                                                                    {215, datum},
                                                                    {219, "1"},
                                                                    {222, "1"},
                                                                    {225, latShift},
                                                                    {232, lonShift}})
        r.replace(column, text.size(), text);
    return r;
}

// A sub-panel of blocks b1, b2, 3 and b4; by default every block is present.
std::string SubPanel(const std::string& first, const std::string& b1 = kBlock,
                     const std::string& b2 = kBlock, const std::string& b4 = kBlock)
{
    const std::string outline = "+5030000-00100000+5100000-00100000+5100000+00000000";
    return first + kEnd + b1 + kEnd + b2 + kEnd + kBlock + kEnd + b4 + kEnd + outline + kEnd +
           outline + kEnd;
}

// An identity block (first = p, second = q) with input origin x0, y0 and output offsets e0, f0.
std::string OffsetBlock(double x0, double y0, double e0, double f0)
{
    std::string b;
    for (int i = 0; i < 26; ++i) {
        const double v = i == 0 ? x0 : i == 1 ? y0 : i == 2 ? e0 : i == 3 ? f0 : i == 5 || i == 16;
        char field[32];
        std::snprintf(field, sizeof field, "%23.10E", v);
        b += field;
    }
    return b;
}

bool ParsePanel(CPanel& panel, const std::string& subPanels, bool enciphered = false,
                unsigned number = 0, std::string* error = nullptr)
{
    return panel.Parse(ToBytes(kIdentifier + kEnd + subPanels), {}, number, {}, CPanelLookups{},
                       enciphered, error);
}

}   // namespace

// Names, dates, ratios and tile counts are held against the writer in the round trip; here, bounds.
TEST(HCRFHeader, RecordBounds)
{
    CHCRFHeader header;
    EXPECT_FALSE(
        header.Read(ToBytes(kIdentifier + kEnd + Pad("x", 100) + kEnd)));   // general record short
    header.generalInfo.lowRatioDivisor = 0;   // a ratio of 1, not a division by zero
    EXPECT_DOUBLE_EQ(header.generalInfo.LowResolutionRatio(), 1.0);
    // A damaged dividend of 0 likewise: the conversions divide by the ratio.
    header.generalInfo.lowRatioDivisor = 1;
    header.generalInfo.lowRatioDividend = 0;
    EXPECT_DOUBLE_EQ(header.generalInfo.LowResolutionRatio(), 1.0);
    header.generalInfo.lowRatioDividend = 4;
    EXPECT_DOUBLE_EQ(header.generalInfo.LowResolutionRatio(), 4.0);

    // Fixed-width fields stay within their widths whether the terminator comes late or never.
    CChartIdentifier id;
    std::size_t next = 0;
    ASSERT_TRUE(id.Read(ToBytes(kIdentifier + "ABCDE" + kEnd + "rest"), &next));
    EXPECT_EQ(std::pair(id.chartNumber, next), std::pair(std::string("GB1234"), std::size_t(53)));
    ASSERT_TRUE(id.Read(ToBytes(Pad("HCR01LONGNAMEX", 48)), &next));
    EXPECT_EQ(std::pair(id.chartNumber, next), std::pair(std::string("LONGNAME"), std::size_t(48)));
    EXPECT_FALSE(id.Read(ToBytes(kIdentifier)));   // 45 bytes: shorter than the record
    // Numbers saturate and never read past their width or the record.
    EXPECT_EQ(FieldNumber("7", 5, 3), 0u);
    EXPECT_EQ(FieldNumber("99999999999999999999999", 0, 23), UINT64_MAX);
    EXPECT_DOUBLE_EQ(FieldDouble("  12345", 0, 4), 12.0);
}

TEST(HCRFPalette, ColourSectionsAndCodeTables)
{
    const Bytes colourPal = Palette({
        {0, 1, {1, 10, 20, 30, 7, 1, 1, 1, 1, 40, 50, 60}, 3},   // index 1 twice: the later wins
        {0, 2, {1, 5, 5, 5, 9, 6, 6, 6}, 5},   // count beyond the section
        {0xFF, 1, {}, 0},
        {0, 3, {1, 99, 99, 99}, 1},   // after a code section: not read
    });
    CColourTables colours;
    ASSERT_TRUE(ApplyColourSections(colourPal, colours));
    EXPECT_EQ(colours.day[1], (CRgb{40, 50, 60}));
    EXPECT_EQ(colours.dusk[9], (CRgb{6, 6, 6}));
    EXPECT_EQ(colours.duskCount, 2u);
    // A section claiming less than its own header ends the scan instead of looping.
    EXPECT_TRUE(ApplyColourSections(
        ToBytes(kIdentifier + kEnd + std::string("\0\1\0\0\1\0\0\0\3\1\1\1", 12)), colours));
    EXPECT_FALSE(ApplyColourSections(ToBytes("short"), colours));

    // Code tables: an enciphered one cannot be read, a cut one fails with a reason.
    const Bytes pal = Palette({{0xFF, 2, Bytes(256, 7), 256}});
    CodeTable table{};
    ASSERT_TRUE(LoadCodeTable(pal, RasterKind::HighResolution, table));
    EXPECT_FALSE(
        LoadCodeTable(Palette({{0xFF, 4, Bytes(256, 7), 256}}), RasterKind::HighResolution, table));
    std::string error;
    EXPECT_FALSE(LoadCodeTable(Bytes(pal.begin(), pal.end() - 10), RasterKind::HighResolution,
                               table, &error));
    EXPECT_FALSE(error.empty());
}

TEST(HCRFPalette, SectionsStartAfterTheIdentifiersOwnTerminator)
{
    // An identifier record one character too long ends at offset 49, not 48:
    // both readers take the sections from there, as the record's reader
    // leaves the file just after the first terminator.
    Bytes pal = Palette({{0, 1, {4, 11, 22, 33}, 1}, {0xFF, 1, Bytes(256, 7), 256}});
    pal.insert(pal.begin() + 45, std::uint8_t('Z'));
    CColourTables colours;
    ASSERT_TRUE(ApplyColourSections(pal, colours));
    EXPECT_EQ(colours.day[4], (CRgb{11, 22, 33}));
    EXPECT_EQ(colours.dayCount, 1u);
    CodeTable table{};
    std::string error;
    ASSERT_TRUE(LoadCodeTable(pal, RasterKind::LowResolution, table, &error)) << error;
    EXPECT_EQ(table[0], 7);
    EXPECT_EQ(table[255 * kCodeEntrySize], 7);
}

TEST(HCRFPalette, OnlyTheNamedIndexesOfEachTableAreMarked)
{
    // Sections of type 1 only: the Day table's named entries are marked, Dusk
    // and Night have none, so the document leaves those tables as they were.
    CColourTables colours;
    ASSERT_TRUE(ApplyColourSections(
        Palette({{0, 1, {3, 1, 2, 3, 200, 4, 5, 6}, 2}, {0, 7, {9, 7, 8, 9}, 1}}), colours));
    EXPECT_EQ(colours.named[0].count(), 3u);
    EXPECT_TRUE(colours.named[0].test(3) && colours.named[0].test(200) && colours.named[0].test(9));
    EXPECT_TRUE(colours.named[1].none() && colours.named[2].none());
}

TEST(ChartNotes, ColumnsSkippedTypesAndTrailingBytes)
{
    // Two records, a "zz" record between them (skipped whatever its case),
    // then 25 bytes short of a record: ignored.
    const std::string first = "00001000020000300004AB1" + kEnd;
    const std::string skipped = "99999999999999999999zz1" + kEnd;
    const std::string second = "   12   34   56   78CD0" + kEnd;
    ASSERT_EQ(first.size(), 26u);
    const Bytes file =
        ToBytes(kIdentifier + kEnd + first + skipped + second + std::string(25, '9'));
    const std::vector<CNoteRecord> notes = ReadNotes(file);
    ASSERT_EQ(notes.size(), 2u);
    // Columns 0-4 first x, 5-9 second y, 10-14 second x, 15-19 first y.
    EXPECT_EQ((std::array{notes[0].x1, notes[0].y2, notes[0].x2, notes[0].y1}),
              (std::array<std::int32_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(notes[0].type, "AB");
    EXPECT_TRUE(notes[0].flag);
    EXPECT_EQ((std::array{notes[1].x1, notes[1].y2, notes[1].x2, notes[1].y1}),
              (std::array<std::int32_t, 4>{12, 34, 56, 78}));
    EXPECT_FALSE(notes[1].flag);
    // A file no longer than its identifier record holds no notes.
    EXPECT_TRUE(ReadNotes(ToBytes(kIdentifier + kEnd)).empty());
}

TEST(HCRFLookups, KeysAndFileNames)
{
    CLookupTable table;
    table.Parse(ToBytes("12345" + Pad("ME Mercator", 33) + kEnd +
                        Pad("LA Lowest Astronomical Tide", 33) + kEnd + "LA"));
    for (const auto& [key, text] :
         {std::pair<const char*, const char*>{"ME ", "Mercator"}, {"me", ""}, {"XX", ""}, {"", ""}})
        EXPECT_EQ(table.Find(key), text) << key;

    // Charts copied from discs often arrive with upper-case names.
    brine_test::TempFolder folder;
    for (const char* name : {"GB1234.CHR", "GB1234.CHI", "GB1234.Pal"})
        std::ofstream(folder / name) << "x";
    const auto chart = folder / "GB1234.CHR";
    EXPECT_EQ(std::pair(SiblingFile(chart, "pal"), IndexFileOf(chart)),
              std::pair(folder / "GB1234.Pal", folder / "GB1234.CHI"));
    EXPECT_FALSE(ReadWholeFile(SiblingFile(chart, "hdr")));
}

TEST(ChartPanel, FileStructure)
{
    CPanel panel;
    const std::string one = SubPanel(FirstRecord(2));
    std::string error;
    EXPECT_FALSE(
        ParsePanel(panel, one, false, 3, &error));   // two sub-panels announced, one present
    EXPECT_NE(error.find("too short"), std::string::npos);
    EXPECT_FALSE(ParsePanel(panel, ""));
    // Enciphered panel data cannot be read here: the panel stands without sub-panels.
    EXPECT_TRUE(ParsePanel(panel, one, true));
    EXPECT_TRUE(panel.SubPanelCount() == 0 && panel.Current() == nullptr);
    EXPECT_FALSE(panel.PositionToPoint(geo::CPosition(50.7, -0.5)));
}

TEST(ChartPanel, MissingNumbersDisableOnlyWhatTheyName)
{
    // "Datums.txt" sits beside the program, in the folder the tests run in.
    const char* bin = std::getenv("BRINE_BIN_DIR");
    ASSERT_TRUE(geo::CDatumInfo::LoadTable(bin ? bin : "."));
    // An unknown datum code counts as WGS 84 when the chart's own blocks shift to it.
    const std::string unknown = FirstRecord(1, "0000060", "0000120", "XYZ");
    // Rows: sub-panel; to point, to position, polynomial shift, shift values work; datum name.
    const struct {
        const char* name;
        std::string subPanel;
        bool toPoint, toPosition, poly, shift;
        const char* datum;
    } cases[] = {
        {"everything", SubPanel(FirstRecord(1)), true, true, true, true, "WGS 84"},
        {"unknown datum", SubPanel(unknown), true, true, true, true, "WGS 84"},
        {"no block 1", SubPanel(FirstRecord(1), kBlank), false, true, true, true, "WGS 84"},
        {"no block 2", SubPanel(FirstRecord(1), kBlock, kBlank), true, false, true, true, "WGS 84"},
        {"no block 4, unknown datum", SubPanel(unknown, kBlock, kBlock, kBlank), true, true, false,
         true, "Unknown"},
        {"latitude shift 9999999", SubPanel(FirstRecord(1, "9999999")), true, true, true, false,
         "WGS 84"},
        {"longitude shift 9999999", SubPanel(FirstRecord(1, "0000001", "9999999")), true, true,
         true, false, "WGS 84"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPanel panel;
        ASSERT_TRUE(ParsePanel(panel, c.subPanel));
        const CSubPanel& sub = panel.SubPanel(0);
        EXPECT_EQ(sub.PositionToPoint(geo::CPosition(1, 1)).has_value(), c.toPoint);
        EXPECT_EQ(sub.PointToPosition({1, 1}).has_value(), c.toPosition);
        EXPECT_EQ(std::pair(sub.HasPolynomialDatumShift(), sub.HasDatumShift()),
                  std::pair(c.poly, c.shift));
        geo::CPosition out;
        const geo::CPosition in(50.25, -1.5);
        EXPECT_EQ(sub.ShiftToWgs84(in, out), c.poly && c.toPoint ? 0 : 5);
        EXPECT_TRUE(c.poly || out == in);
        EXPECT_TRUE(!c.shift ||
                    std::pair(*sub.LatitudeShift(), *sub.LongitudeShift()) == std::pair(1.0, 2.0));
        // Positions from chart points and the outline carry the chart's datum.
        EXPECT_EQ(geo::CDatumInfo::GetName(sub.DatumIndex()), c.datum);
        EXPECT_EQ(sub.Outline().front().GetDatum(), sub.DatumIndex());
        EXPECT_TRUE(!c.toPosition ||
                    sub.PointToPosition({3600, 3600})->GetDatum() == sub.DatumIndex());
    }
}

// Unit digits 1 to 5 name the units, any other none; a chart point is rounded halves toward
// zero; a longitude carried a hair past 180 degrees by the polynomial comes back onto it.
TEST(ChartPanel, UnitTextsRoundingAndTheMeridian)
{
    for (const auto& [digit, text] :
         std::initializer_list<std::pair<char, const char*>>{{'0', ""},
                                                             {'1', "metres"},
                                                             {'2', "fathoms/feet"},
                                                             {'3', "fathoms/fractions"},
                                                             {'4', "fathoms"},
                                                             {'5', "feet"},
                                                             {'6', ""},
                                                             {' ', ""}}) {
        std::string first = FirstRecord(1);
        first[219] = digit;
        first[222] = digit;
        CPanel panel;
        ASSERT_TRUE(ParsePanel(panel, SubPanel(first)));
        EXPECT_EQ(std::pair(panel.SubPanel(0).DepthUnits(), panel.SubPanel(0).HeightUnits()),
                  std::pair(std::string(text), std::string(text)))
            << "digit '" << digit << "'";
    }

    // Block 1 adds e0 to the longitude in arc seconds; block 2 adds 1.8 seconds to x.
    const struct {
        double e0;
        double lonSeconds;
        int x;
    } rounding[] = {{0.5, 10, 10}, {0.5, -11, -10}, {0.6, 10, 11}, {-0.6, 10, 9}, {0.4, -11, -11}};
    for (const auto& r : rounding) {
        CPanel panel;
        ASSERT_TRUE(ParsePanel(panel, SubPanel(FirstRecord(1), OffsetBlock(0, 0, r.e0, 0),
                                               OffsetBlock(0, 0, 1.8, 0))));
        const auto point =
            panel.SubPanel(0).PositionToPoint(geo::CPosition(0.5, r.lonSeconds / 3600.0));
        ASSERT_TRUE(point);
        EXPECT_EQ(point->x, r.x) << r.lonSeconds + r.e0;
    }
    CPanel panel;
    ASSERT_TRUE(ParsePanel(panel, SubPanel(FirstRecord(1), kBlock, OffsetBlock(0, 0, 1.8, 0))));
    const CSubPanel& sub = panel.SubPanel(0);
    const struct {
        int x;
        double longitude;   // NaN: no valid position
    } meridian[] = {
        {648000, 180.0},   // 180.0005
        {-648004, -180.0},   // -180.00061
        {647000, 647001.8 / 3600},
        {648003, std::nan("")},   // 180.0013: beyond the hair
    };
    for (const auto& m : meridian) {
        const auto position = sub.PointToPosition({m.x, 3600});
        ASSERT_TRUE(position);
        if (std::isnan(m.longitude))
            EXPECT_FALSE(position->IsValid()) << m.x;
        else
            EXPECT_DOUBLE_EQ(position->GetLongitude(), m.longitude) << m.x;
    }
}

// A sub-panel whose outline crosses the 180-degree meridian keeps a second pixel outline with
// its western longitudes carried on past 180 east; a point there lies in the sub-panel. Selecting
// a sub-panel answers the previous index, and an index out of range changes nothing.
TEST(ChartPanel, TheMeridianOutlineAndSubPanelSelection)
{
    auto subPanel = [](const std::string& first, const std::string& outline) {
        return first + kEnd + kBlock + kEnd + kBlock + kEnd + kBlock + kEnd + kBlock + kEnd +
               outline + kEnd + outline + kEnd;
    };
    const std::string across =
        "+5000000+17930000+5100000+17930000+5100000-17930000+5000000-17930000";
    const std::string west = "+5000000-00100000+5100000-00100000+5100000+00000000";
    CPanel panel;
    ASSERT_TRUE(
        ParsePanel(panel, subPanel(FirstRecord(2), across) + subPanel(FirstRecord(2), west)));
    ASSERT_EQ(panel.SubPanelCount(), 2u);
    const CSubPanel& crossing = panel.SubPanel(0);
    EXPECT_EQ(crossing.SecondPixelOutline().size(), 4u);
    EXPECT_TRUE(panel.SubPanel(1).SecondPixelOutline().empty());
    // 180.2 degrees east at 50.5 north, in chart points of block 1 (arc seconds).
    const CChartPoint beyond{648720, 181800};
    EXPECT_TRUE(crossing.ContainsPoint(beyond));
    EXPECT_FALSE(panel.SubPanel(1).ContainsPoint(beyond));
    EXPECT_TRUE(panel.ContainsPoint(beyond));
    EXPECT_DOUBLE_EQ(crossing.NorthSouthRangeMinutes(), 60.0);

    EXPECT_EQ(panel.CurrentIndex(), 0u);
    EXPECT_EQ(panel.SelectSubPanel(1), 0u);
    EXPECT_EQ(panel.Current(), &panel.SubPanel(1));
    EXPECT_EQ(panel.SelectSubPanel(5), 1u);
    EXPECT_EQ(panel.CurrentIndex(), 1u);
}

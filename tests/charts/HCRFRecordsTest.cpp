#include "TempFolder.h"
#include "charts/hcrf/ChartPanel.h"
#include "charts/hcrf/HCRFHeader.h"
#include "charts/hcrf/HCRFPalette.h"
#include "charts/hcrf/PanelLookups.h"
#include "geo/DatumInfo.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

using namespace charts::hcrf;

namespace {

const std::string kEnd = "\x0B\x0D\x0A";

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string Pad(std::string s, std::size_t width)
{
    s.resize(width, ' ');
    return s;
}

// 45 characters: chart number "GB1234", edition date, 3 insets.
const std::string kIdentifier = Pad("HCR01GB1234  XXXXXXXX20261206031.2500", 45);

Bytes Palette(std::initializer_list<std::tuple<std::uint8_t, std::uint8_t, Bytes, std::uint16_t>> sections)
{
    Bytes pal = ToBytes(kIdentifier + kEnd);
    for (const auto& [cls, type, body, count] : sections) {
        const std::size_t length = body.size() + 8;
        pal.insert(pal.end(), {cls, type, std::uint8_t(length), std::uint8_t(length >> 8), std::uint8_t(count),
                               std::uint8_t(count >> 8), 0, 0});
        pal.insert(pal.end(), body.begin(), body.end());
    }
    return pal;
}

std::string Numbers(std::initializer_list<double> values)
{
    std::string text;
    for (double v : values) {
        char field[32];
        std::snprintf(field, sizeof field, "%23.10E", v);
        text += field;
    }
    text.resize(598, ' ');
    return text;
}

// Block 1: x = lon * 3600, y = lat * 3600. Block 2: the reverse, with output
// offsets that let a test reach past the meridian.
const std::string kToPixels = Numbers({0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
std::string ToPositions(double e0 = 0) { return Numbers({0, 0, e0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}); }
const std::string kBlank(598, ' ');

std::string FirstRecord(unsigned count, const std::string& units = "1", const std::string& latShift = "0000060",
                        const std::string& lonShift = "0000120", const std::string& datum = "WGD")
{
    std::string r(239, ' ');
    for (const auto& [column, text] : std::initializer_list<std::pair<std::size_t, std::string>>{
             {1, std::to_string(count)}, {2, "Harbour plan"}, {102, "ZZ"}, {159, "00012500"}, {215, datum},
             {219, units}, {222, units}, {225, latShift}, {232, lonShift}})
        r.replace(column, text.size(), text);
    return r;
}

// A sub-panel of blocks b1..b4; by default every block is present.
std::string SubPanel(const std::string& first, const std::string& b1 = kToPixels, const std::string& b2 = ToPositions(),
                     const std::string& b3 = kToPixels, const std::string& b4 = ToPositions())
{
    const std::string outline = "+5030000-00100000+5100000-00100000+5100000+00000000";
    return first + kEnd + b1 + kEnd + b2 + kEnd + b3 + kEnd + b4 + kEnd + outline + kEnd + outline + kEnd;
}

bool ParsePanel(CPanel& panel, const std::string& subPanels, bool enciphered = false, unsigned number = 0,
                std::string* error = nullptr)
{
    return panel.Parse(ToBytes(kIdentifier + kEnd + subPanels), {}, number, {}, CPanelLookups{}, enciphered, error);
}

}  // namespace

// Names, dates and tile counts are held against the writer in the round trip;
// here, what only a hand-made header shows.
TEST(HCRFHeader, RatioProtectionAndRecordBounds)
{
    std::string general = Pad(Pad("000000012Approaches", 118) + "  2   8" + " 12" + "  7" + " 3" + "02", 150);
    CHCRFHeader header;
    ASSERT_TRUE(header.Read(ToBytes(kIdentifier + kEnd + general + kEnd + "third" + kEnd + "100001xxxxxxxxxxxxxxEXTRA" + kEnd)));
    EXPECT_DOUBLE_EQ(header.generalInfo.LowResolutionRatio(), 4.0);
    EXPECT_TRUE(header.protection.IsEnciphered(false, CDataProtection::Part::Tiles));
    EXPECT_FALSE(header.protection.IsEnciphered(true, CDataProtection::Part::Tiles));
    header.generalInfo.lowRatioDivisor = 0;   // a ratio of 1, not a division by zero
    EXPECT_DOUBLE_EQ(header.generalInfo.LowResolutionRatio(), 1.0);

    // Without a data-protection record nothing is enciphered; short records fail.
    ASSERT_TRUE(header.Read(ToBytes(kIdentifier + kEnd + Pad("1", 150) + kEnd)));
    EXPECT_FALSE(header.protection.IsEnciphered(true, CDataProtection::Part::Tiles));
    EXPECT_FALSE(header.Read(ToBytes(kIdentifier + kEnd + Pad("x", 100) + kEnd)));

    // An identifier whose terminator comes late, or never: fields stay within
    // their widths and the next record starts after the terminator.
    CChartIdentifier id;
    std::size_t next = 0;
    ASSERT_TRUE(id.Read(ToBytes(kIdentifier + "ABCDE" + kEnd + "rest"), &next));
    EXPECT_EQ(next, 53u);
    EXPECT_EQ(id.chartNumber, "GB1234");
    const Bytes bare = ToBytes(Pad("HCR01LONGNAMEX", 48));
    ASSERT_TRUE(id.Read(bare, &next));
    EXPECT_EQ(id.chartNumber, "LONGNAME");
    EXPECT_EQ(next, bare.size());
    EXPECT_FALSE(id.Read(ToBytes(kIdentifier)));   // 45 bytes: shorter than the record
}

TEST(HCRFFields, NumbersAndTexts)
{
    EXPECT_EQ(FieldNumber("   42xyz", 0, 8), 42u);
    EXPECT_EQ(FieldNumber("123", 1, 10), 23u);                         // cut at the record's end
    EXPECT_EQ(FieldNumber("7", 5, 3), 0u);                             // past the record's end
    EXPECT_EQ(FieldNumber("99999999999999999999999", 0, 23), UINT64_MAX);   // saturates, never wraps
    EXPECT_DOUBLE_EQ(FieldDouble("1.5e2xyz", 0, 5), 150.0);
    EXPECT_DOUBLE_EQ(FieldDouble("  12345", 0, 4), 12.0);   // never reads past its width
}

TEST(HCRFPalette, ColourSections)
{
    const Bytes pal = Palette({
        {0, 1, {1, 10, 20, 30, 7, 1, 1, 1, 1, 40, 50, 60}, 3},   // index 1 twice: the later wins
        {0, 7, {2, 9, 9, 9}, 1},                                 // any other type is Day too
        {0, 2, {1, 5, 5, 5, 9, 6, 6, 6}, 5},                     // count beyond the section
        {0xFF, 1, {}, 0},
        {0, 3, {1, 99, 99, 99}, 1},                              // after a code section: not read
    });
    CColourTables tables;
    ASSERT_TRUE(ApplyColourSections(pal, tables));
    EXPECT_EQ(tables.day[1], (CRgb{40, 50, 60}));
    EXPECT_EQ(tables.day[2], (CRgb{9, 9, 9}));
    EXPECT_EQ(tables.dusk[9], (CRgb{6, 6, 6}));
    EXPECT_EQ(tables.duskCount, 2u);
    EXPECT_EQ(tables.night[1], (CRgb{}));

    // A section claiming less than its own header ends the scan instead of looping.
    Bytes bad = ToBytes(kIdentifier + kEnd);
    bad.insert(bad.end(), {0, 1, 0, 0, 1, 0, 0, 0, 3, 1, 1, 1});
    EXPECT_TRUE(ApplyColourSections(bad, tables));
    EXPECT_FALSE(ApplyColourSections(ToBytes("short"), tables));
}

TEST(HCRFPalette, CodeTables)
{
    // Low resolution: entries of every length, then the body ends after 8 entries.
    const Bytes pal = Palette({
        {0, 1, {0, 1, 2, 3}, 1},
        {0xFF, 1, {1, 3, 9, 0, 2, 4, 3, 1, 2, 4, 5, 6, 0, 7, 5, 8, 9, 6, 1, 2, 3, 7, 0, 9}, 256},
        {0xFF, 2, Bytes(256, 7), 256},
    });
    CodeTable table{};
    table.fill(0xAA);
    ASSERT_TRUE(LoadCodeTable(pal, RasterKind::LowResolution, table));
    const Bytes expected = {1, 3, 9, 0, 0, 2, 4, 0, 0, 0, 3, 1, 2, 0, 0, 4, 5, 6, 0, 7, 5, 8, 9,
                            0, 0, 6, 1, 2, 3, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 0};
    EXPECT_EQ(Bytes(table.begin(), table.begin() + 45), expected);
    EXPECT_TRUE(std::all_of(table.begin() + 45, table.end(), [](std::uint8_t b) { return b == 0; }));
    ASSERT_TRUE(LoadCodeTable(pal, RasterKind::HighResolution, table));
    EXPECT_EQ(table[255 * 5], 7);

    std::string error;
    const Bytes enciphered = Palette({{0xFF, 4, Bytes(256, 7), 256}});
    EXPECT_FALSE(LoadCodeTable(enciphered, RasterKind::HighResolution, table, &error));
    EXPECT_FALSE(LoadCodeTable(enciphered, RasterKind::LowResolution, table, &error));   // none for low
    const Bytes truncated(pal.begin(), pal.end() - 10);   // the high table's body is cut
    error.clear();
    EXPECT_FALSE(LoadCodeTable(truncated, RasterKind::HighResolution, table, &error));
    EXPECT_FALSE(error.empty());
}

TEST(HCRFNotesAndLookups, RecordsKeysAndPartialTails)
{
    std::string notes = Pad(kIdentifier + kEnd, 48) + "00010000200003000004NT1" + kEnd;
    notes += "00000000000000000000zZ1" + kEnd;   // withdrawn, in any case
    notes += "00500006000007000008CA0" + kEnd + "00100";   // then not a whole record
    const auto read = ReadNotes(ToBytes(notes));
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ((std::vector<std::int32_t>{read[0].x1, read[0].y2, read[0].x2, read[0].y1}),
              (std::vector<std::int32_t>{10, 20, 30, 4}));
    EXPECT_EQ(read[0].type, "NT");
    EXPECT_TRUE(read[0].flag);
    EXPECT_FALSE(read[1].flag);
    EXPECT_TRUE(ReadNotes(ToBytes("tiny")).empty());

    CLookupTable table;
    table.Parse(ToBytes("12345" + Pad("ME Mercator", 33) + kEnd + Pad("LA Lowest Astronomical Tide", 33) + kEnd + "LA"));
    for (const auto& [key, text] : {std::pair<const char*, const char*>{"ME", "Mercator"},
                                    {"ME ", "Mercator"}, {"me", ""}, {"XX", ""}, {"", ""}})
        EXPECT_EQ(table.Find(key), text) << key;
    table.Load("/nonexistent/projcode.tab");
    EXPECT_EQ(table.Find("ME"), "");
}

TEST(HCRFFields, FilesOfTheSetAreFoundWithoutCase)
{
    // Charts copied from discs often arrive with upper-case names.
    brine_test::TempFolder folder;
    for (const char* name : {"GB1234.CHR", "GB1234.CHI", "GB1234.Pal"})
        std::ofstream(folder / name) << "x";
    const auto chart = folder / "GB1234.CHR";
    EXPECT_EQ(SiblingFile(chart, "pal"), folder / "GB1234.Pal");
    EXPECT_EQ(IndexFileOf(chart), folder / "GB1234.CHI");
    EXPECT_EQ(SiblingFile(chart, "hdr"), folder / "GB1234.hdr");   // missing: the plain name, which fails to open
    EXPECT_FALSE(ReadWholeFile(SiblingFile(chart, "hdr")));
    EXPECT_EQ(IndexFileOf(folder / "x.lor").filename(), "x.loi");
    EXPECT_EQ(SiblingFile("GB1234.chr", "pal"), "GB1234.pal");   // no folder: looked for here, name kept plain
}

TEST(ChartPanel, ConversionsAndTheMeridian)
{
    CPanel panel;
    ASSERT_TRUE(ParsePanel(panel, SubPanel(FirstRecord(1), kToPixels, ToPositions(1.8))));
    const CSubPanel& sub = panel.SubPanel(0);
    EXPECT_EQ(sub.ProjectionName(), "");   // no lookup table: unknown key
    EXPECT_EQ(sub.PositionToPoint(geo::CPosition(10.6 / 3600, -10.6 / 3600)), (CChartPoint{-11, 11}));
    EXPECT_FALSE(sub.PositionToPoint(geo::CPosition(91, 0)));
    EXPECT_FALSE(sub.PositionToPoint(geo::CPosition(0, 180.5)));
    // Just past 180 degrees from rounding becomes 180; further out stays.
    const std::pair<std::int32_t, double> rows[] = {
        {648000, 180.0}, {648004, 648005.8 / 3600}, {-648004, -180.0}, {-648008, -648006.2 / 3600}};
    for (const auto& [x, lon] : rows) {
        const auto p = sub.PointToPosition({x, 0});
        ASSERT_TRUE(p);
        EXPECT_NEAR(p->GetLongitude(), lon, 1e-9) << x;
    }
    EXPECT_DOUBLE_EQ(OutlineCoordinate("-5130500"), -(51 + 30.5 / 60));
}

TEST(ChartPanel, MissingNumbersDisableOnlyWhatTheyName)
{
    // "Datums.txt" sits beside the program, in the folder the tests run in.
    const char* bin = std::getenv("BRINE_BIN_DIR");
    ASSERT_TRUE(geo::CDatumInfo::LoadTable(bin ? bin : "."));
    // An unknown datum code counts as WGS 84 when the chart's own blocks shift to it.
    const std::string unknown = FirstRecord(1, "1", "0000060", "0000120", "XYZ");
    const struct {
        const char* name;
        std::string subPanel;
        bool toPoint, toPosition, polynomialShift, shiftValues;
        const char* datum;
    } cases[] = {
        {"everything", SubPanel(FirstRecord(1)), true, true, true, true, "WGS 84"},
        {"unknown datum", SubPanel(unknown), true, true, true, true, "WGS 84"},
        {"no block 1", SubPanel(FirstRecord(1), kBlank), false, true, true, true, "WGS 84"},
        {"no block 2", SubPanel(FirstRecord(1), kToPixels, kBlank), true, false, true, true, "WGS 84"},
        {"no block 4, unknown datum", SubPanel(unknown, kToPixels, ToPositions(), kToPixels, kBlank), true, true, false,
         true, "Unknown"},
        {"latitude shift 9999999", SubPanel(FirstRecord(1, "1", "9999999")), true, true, true, false, "WGS 84"},
        {"longitude shift 9999999", SubPanel(FirstRecord(1, "1", "0000001", "9999999")), true, true, true, false,
         "WGS 84"},
    };
    for (const auto& c : cases) {
        CPanel panel;
        ASSERT_TRUE(ParsePanel(panel, c.subPanel)) << c.name;
        const CSubPanel& sub = panel.SubPanel(0);
        EXPECT_EQ(sub.PositionToPoint(geo::CPosition(1, 1)).has_value(), c.toPoint) << c.name;
        EXPECT_EQ(sub.PointToPosition({1, 1}).has_value(), c.toPosition) << c.name;
        EXPECT_EQ(sub.HasPolynomialDatumShift(), c.polynomialShift) << c.name;
        EXPECT_EQ(sub.HasDatumShift(), c.shiftValues) << c.name;
        geo::CPosition out;
        const geo::CPosition in(50.25, -1.5);
        EXPECT_EQ(sub.ShiftToWgs84(in, out), c.polynomialShift && c.toPoint ? 0 : 5) << c.name;
        if (!c.polynomialShift) {
            EXPECT_EQ(out, in) << c.name;
        }
        if (c.shiftValues) {
            EXPECT_EQ(std::pair(*sub.LatitudeShift(), *sub.LongitudeShift()), std::pair(1.0, 2.0)) << c.name;
        }
        // Positions from chart points and the outline carry the chart's datum.
        EXPECT_EQ(geo::CDatumInfo::GetName(sub.DatumIndex()), c.datum) << c.name;
        EXPECT_EQ(sub.Outline().front().GetDatum(), sub.DatumIndex()) << c.name;
        if (c.toPosition) {
            EXPECT_EQ(sub.PointToPosition({3600, 3600})->GetDatum(), sub.DatumIndex()) << c.name;
        }
    }
    // Unit digits beyond 1-5 name no unit.
    for (const auto& [digit, text] : {std::pair{"0", ""}, {"1", "metres"}, {"5", "feet"}, {"6", ""}, {" ", ""}}) {
        CPanel panel;
        ASSERT_TRUE(ParsePanel(panel, SubPanel(FirstRecord(1, digit))));
        EXPECT_EQ(panel.SubPanel(0).DepthUnits(), text) << digit;
        EXPECT_EQ(panel.SubPanel(0).HeightUnits(), text) << digit;
    }
}

TEST(ChartPanel, PanelFileStructure)
{
    const std::string one = SubPanel(FirstRecord(2));
    CPanel panel;
    EXPECT_TRUE(ParsePanel(panel, one + one));
    EXPECT_EQ(panel.SubPanelCount(), 2u);
    std::string error;
    EXPECT_FALSE(ParsePanel(panel, one, false, 3, &error));   // two sub-panels announced, one present
    EXPECT_NE(error.find("too short"), std::string::npos);
    EXPECT_FALSE(ParsePanel(panel, ""));
    // Enciphered panel data cannot be read here: the panel stands without sub-panels.
    EXPECT_TRUE(ParsePanel(panel, one, true));
    EXPECT_EQ(panel.SubPanelCount(), 0u);
    EXPECT_EQ(panel.Current(), nullptr);
    EXPECT_FALSE(panel.PositionToPoint(geo::CPosition(50.7, -0.5)));
    EXPECT_FALSE(panel.ContainsPoint({0, 0}));
    EXPECT_TRUE(ParsePanel(panel, SubPanel(FirstRecord(0))));   // a count of 0 loads nothing
    EXPECT_EQ(panel.SubPanelCount(), 0u);
}

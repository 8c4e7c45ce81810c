#include "charts/hcrf/ChartPanel.h"

#include "geo/DatumInfo.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace charts::hcrf;

namespace {

const std::string kEnd = "\x0B\x0D\x0A";

std::string Put(std::string record, std::size_t column, const std::string& text)
{
    if (record.size() < column + text.size())
        record.resize(column + text.size(), ' ');
    record.replace(column, text.size(), text);
    return record;
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
    r = Put(r, 1, std::to_string(count));
    r = Put(r, 2, "Harbour plan");
    r = Put(r, 102, "ZZ");
    r = Put(r, 159, "00012500");
    r = Put(r, 215, datum);
    r = Put(r, 219, units);
    r = Put(r, 222, units);
    r = Put(r, 225, latShift);
    r = Put(r, 232, lonShift);
    return r;
}

std::string SubPanel(const std::string& first, const std::string& b1, const std::string& b2, const std::string& b3,
                     const std::string& b4, const std::string& outline = "+5030000-00100000+5100000-00100000+5100000+00000000")
{
    return first + kEnd + b1 + kEnd + b2 + kEnd + b3 + kEnd + b4 + kEnd + outline + kEnd + outline + kEnd;
}

std::string PanelFile(const std::string& subPanels)
{
    return std::string(45, 'I') + kEnd + subPanels;
}

Bytes ToBytes(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

bool ParsePanel(CPanel& panel, const std::string& text, bool enciphered = false)
{
    return panel.Parse(ToBytes(PanelFile(text)), {}, 0, {}, CPanelLookups{}, enciphered, nullptr);
}

}  // namespace

TEST(ChartPanel, ConversionsAndTheMeridian)
{
    CPanel panel;
    ASSERT_TRUE(ParsePanel(panel, SubPanel(FirstRecord(1), kToPixels, ToPositions(1.8), kToPixels, ToPositions())));
    const CSubPanel& sub = panel.SubPanel(0);
    EXPECT_EQ(sub.Name(), "Harbour plan");
    EXPECT_EQ(sub.ScaleText(), "1:12500");
    EXPECT_EQ(sub.ProjectionName(), "");   // no lookup table: unknown key
    // Positions whose pixels are exact halves round toward zero.
    EXPECT_EQ(sub.PositionToPoint(geo::CPosition(10.5 / 3600, -10.5 / 3600)), (CChartPoint{-10, 10}));
    EXPECT_EQ(sub.PositionToPoint(geo::CPosition(10.6 / 3600, -10.6 / 3600)), (CChartPoint{-11, 11}));
    EXPECT_FALSE(sub.PositionToPoint(geo::CPosition(91, 0)));
    EXPECT_FALSE(sub.PositionToPoint(geo::CPosition(0, 180.5)));
    geo::CPosition invalid(50, 1);
    invalid.Invalidate();
    EXPECT_FALSE(sub.PositionToPoint(invalid));
    // Just past 180 degrees from rounding becomes 180; further out stays.
    struct Row {
        std::int32_t x;
        double lon;
    } rows[] = {{648000, 180.0}, {648004, 648005.8 / 3600}, {-648004, -180.0}, {-648008, -648006.2 / 3600}};
    for (const Row& r : rows) {
        const auto p = sub.PointToPosition({r.x, 0});
        ASSERT_TRUE(p);
        EXPECT_NEAR(p->GetLongitude(), r.lon, 1e-9) << r.x;
    }
    // Outline: -00100000 is 1 degree 0.0 minutes west; the range is 30 minutes.
    ASSERT_EQ(sub.Outline().size(), 3u);
    EXPECT_DOUBLE_EQ(sub.Outline()[0].GetLatitude(), 50.5);
    EXPECT_DOUBLE_EQ(sub.Outline()[0].GetLongitude(), -1.0);
    EXPECT_NEAR(sub.NorthSouthRangeMinutes(), 30.0, 1e-9);
    EXPECT_EQ(sub.PixelOutline().size(), 3u);
    EXPECT_DOUBLE_EQ(OutlineCoordinate("-5130500"), -(51 + 30.5 / 60));
}

TEST(ChartPanel, MissingNumbersDisableOnlyWhatTheyName)
{
    struct Case {
        const char* name;
        std::string subPanel;
        bool toPoint, toPosition, polynomialShift, shiftValues;
    };
    const Case cases[] = {
        {"everything", SubPanel(FirstRecord(1), kToPixels, ToPositions(), kToPixels, ToPositions()), true, true, true, true},
        {"no block 1", SubPanel(FirstRecord(1), kBlank, ToPositions(), kToPixels, ToPositions()), false, true, true, true},
        {"no block 2", SubPanel(FirstRecord(1), kToPixels, kBlank, kToPixels, ToPositions()), true, false, true, true},
        {"no block 4", SubPanel(FirstRecord(1), kToPixels, ToPositions(), kToPixels, kBlank), true, true, false, true},
        {"latitude shift 9999999", SubPanel(FirstRecord(1, "1", "9999999"), kToPixels, ToPositions(), kToPixels, ToPositions()),
         true, true, true, false},
        {"longitude shift 9999999", SubPanel(FirstRecord(1, "1", "0000001", "9999999"), kToPixels, ToPositions(), kToPixels,
                                             ToPositions()),
         true, true, true, false},
    };
    for (const Case& c : cases) {
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
    }
    CPanel panel;
    ASSERT_TRUE(ParsePanel(panel, SubPanel(FirstRecord(1), kToPixels, ToPositions(), kToPixels, ToPositions())));
    EXPECT_DOUBLE_EQ(*panel.SubPanel(0).LatitudeShift(), 1.0);
    EXPECT_DOUBLE_EQ(*panel.SubPanel(0).LongitudeShift(), 2.0);
}

TEST(ChartPanel, UnitTexts)
{
    const std::pair<const char*, const char*> rows[] = {{"0", ""},        {"1", "metres"},  {"2", "fathoms/feet"},
                                                        {"3", "fathoms/fractions"}, {"4", "fathoms"}, {"5", "feet"},
                                                        {"6", ""},        {" ", ""}};
    for (const auto& [digit, text] : rows) {
        CPanel panel;
        ASSERT_TRUE(ParsePanel(panel, SubPanel(FirstRecord(1, digit), kToPixels, kBlank, kBlank, kBlank)));
        EXPECT_EQ(panel.SubPanel(0).DepthUnits(), text) << digit;
        EXPECT_EQ(panel.SubPanel(0).HeightUnits(), text) << digit;
    }
}

TEST(ChartPanel, PanelFileStructure)
{
    const std::string one = SubPanel(FirstRecord(2), kToPixels, ToPositions(), kBlank, kBlank);
    CPanel panel;
    std::string error;
    EXPECT_TRUE(ParsePanel(panel, one + one));
    EXPECT_EQ(panel.SubPanelCount(), 2u);
    // Two sub-panels announced, one present.
    EXPECT_FALSE(panel.Parse(ToBytes(PanelFile(one)), {}, 3, {}, CPanelLookups{}, false, &error));
    EXPECT_NE(error.find("too short"), std::string::npos);
    EXPECT_FALSE(ParsePanel(panel, ""));
    // Enciphered panel data cannot be read here: the panel stands without sub-panels.
    EXPECT_TRUE(ParsePanel(panel, one, true));
    EXPECT_EQ(panel.SubPanelCount(), 0u);
    EXPECT_EQ(panel.Current(), nullptr);
    EXPECT_FALSE(panel.PositionToPoint(geo::CPosition(50.7, -0.5)));
    EXPECT_FALSE(panel.ContainsPoint({0, 0}));
    // A sub-panel count of 0 loads and converts nothing.
    EXPECT_TRUE(ParsePanel(panel, SubPanel(FirstRecord(0), kToPixels, kBlank, kBlank, kBlank)));
    EXPECT_EQ(panel.SubPanelCount(), 0u);
}

TEST(ChartPanel, DatumRows)
{
    // "Datums.txt" sits beside the program, in the folder the tests run in.
    const char* bin = std::getenv("BRINE_BIN_DIR");
    ASSERT_TRUE(geo::CDatumInfo::LoadTable(bin ? bin : "."));
    struct Case {
        const char* code;
        bool polynomialShift;
        const char* name;
    } cases[] = {
        {"WGD", false, "WGS 84"},
        {"OGB", true, "OSGB 36"},
        {"XYZ", true, "WGS 84"},    // unknown, but shifted to WGS 84 by the chart's own blocks
        {"XYZ", false, "Unknown"},
    };
    for (const Case& c : cases) {
        CPanel panel;
        const std::string& shift = c.polynomialShift ? kToPixels : kBlank;
        ASSERT_TRUE(ParsePanel(panel, SubPanel(FirstRecord(1, "1", "0", "0", c.code), kToPixels, ToPositions(), shift,
                                               c.polynomialShift ? ToPositions() : kBlank)));
        const CSubPanel& sub = panel.SubPanel(0);
        EXPECT_EQ(geo::CDatumInfo::GetName(sub.DatumIndex()), c.name) << c.code;
        // Positions from chart points carry the chart's datum.
        EXPECT_EQ(sub.PointToPosition({3600, 3600})->GetDatum(), sub.DatumIndex()) << c.code;
        EXPECT_EQ(sub.Outline().front().GetDatum(), sub.DatumIndex()) << c.code;
    }
}

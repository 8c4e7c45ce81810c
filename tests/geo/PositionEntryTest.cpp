// The position entry's model: formats, parts, typing, spinning, pasting, undo.
#include <gtest/gtest.h>

#include "geo/PositionEntry.h"

namespace {

using geo::CPositionEntry;
using geo::EntryField;

TEST(PositionEntry, PartsToDegrees)
{
    struct Case {
        const char *d, *m, *s, *h;
        double degrees;
    } cases[] = {
        {"50", "30", "", "s", -50.5}, {"50", "30", "", "S", -50.5}, {"50", "30", "", "N", 50.5},
        {"50", "30", "", "+", 50.5},  {"50", "30", "", "", 50.5},   {"10", "", "36", "W", -10.01},
        {"10", "", "36", "e", 10.01}, {"1", "0", "0", "X", -1.0},   {"", "", "", "", 0.0},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(CPositionEntry::PartsToDegrees(c.d, c.m, c.s, c.h), c.degrees, 1e-12)
            << c.d << ' ' << c.m << ' ' << c.s << ' ' << c.h;
}

TEST(PositionEntry, FormatsRefusedKeepThePreviousLayout)
{
    CPositionEntry entry;
    const std::string before = entry.Text();
    EXPECT_EQ(before, "00\u00B000'00N 000\u00B000'00E 00000m");
    for (const char* bad :
         {"D\u00B0MM'N", "DD\u00B0M'N", "DD\u00B0MM'S", "dd\u00B0mm'E", "DD\u00B0MM'MM.MMN",
          "DD NN", "C DD\u00B0MMN", "DD MM.SSSSSSSSSSSSSSSSSSSSSS", "DD MM.MMMMMMMN", "HHHHHHHHHH"})
        EXPECT_FALSE(entry.SetFormat(bad)) << bad;
    EXPECT_EQ(entry.Text(), before);
    EXPECT_TRUE(entry.SetFormat("DD MM.MMM N ddd mm.mmm E"));
    EXPECT_EQ(entry.Text(), "00 00.000 N 000 00.000 E");
}

TEST(PositionEntry, ValuesNearTheNextMinuteAreCarriedNotShownAsSixty)
{
    CPositionEntry entry;
    ASSERT_TRUE(entry.SetFormat("DD\u00B0MM.MM'N ddd\u00B0mm.mm'E"));
    // 59.9999' rounds to 60.00' of the minutes: shown as the next degree.
    ASSERT_TRUE(entry.SetPosition({50.0 + 59.9999 / 60.0, -(1.0 + 59.9999 / 60.0)}));
    EXPECT_EQ(entry.Text(), "51\u00B000.00'N 002\u00B000.00'W");
    ASSERT_TRUE(entry.SetFormat("DD\u00B0MM'SS.SN ddd\u00B0mm'ss.sE"));
    ASSERT_TRUE(entry.SetPosition({10.0 + 59.0 / 60.0 + 59.99 / 3600.0, 0.0}));
    EXPECT_EQ(entry.Text(), "11\u00B000'00.0N 000\u00B000'00.0E");
    // A value that rounds to zero is north, not "00 00.00 S".
    ASSERT_TRUE(entry.SetPosition({-1e-9, -1e-9}));
    EXPECT_EQ(entry.Text(), "00\u00B000'00.0N 000\u00B000'00.0E");
}

TEST(PositionEntry, TypedValuesOutOfRangeAreRefusedWithAMessage)
{
    CPositionEntry entry;
    ASSERT_TRUE(entry.SetFormat("DD\u00B0MM.MM'N ddd\u00B0mm.mm'E"));
    ASSERT_TRUE(entry.SetPosition({50.5, 1.25}));
    const std::string shown = entry.Text();
    EXPECT_EQ(shown, "50\u00B030.00'N 001\u00B015.00'E");

    struct Case {
        std::size_t field;   // a position inside the field
        const char* keys;
        const char* message;   // of the last key
    } cases[] = {
        {4, "7500", "Minutes run from 0 to 59"},
        {0, "95", "Latitude is at most 90\u00B0"},
        {11, "190", "Longitude is at most 180\u00B0"},
        {9, "x", "Latitude is N or S"},
        {22, "N", "Longitude is E or W"},
        {0, "a", "Only digits go in this field"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(entry.SetPosition({50.5, 1.25}));
        ASSERT_FALSE(entry.SelectFieldAt(c.field));
        std::optional<std::string> last;
        std::string before;
        for (const char* k = c.keys; *k; ++k) {
            before = entry.Text();
            last = entry.Type(static_cast<char32_t>(*k));
            if (last)
                break;
        }
        ASSERT_TRUE(last) << c.keys;
        EXPECT_EQ(*last, c.message) << c.keys;
        EXPECT_EQ(entry.Text(), before) << c.keys;   // the refused key changed nothing
    }
    // 90 degrees is the pole only with no minutes.
    ASSERT_TRUE(entry.SetPosition({50.0, 0.0}));
    entry.SelectFieldAt(0);
    EXPECT_FALSE(entry.Type(U'9'));
    EXPECT_FALSE(entry.Type(U'0'));
    EXPECT_NEAR(entry.GetPosition()->latitude, 90.0, 1e-12);
    entry.SelectFieldAt(4);
    EXPECT_EQ(entry.Type(U'1'), std::optional<std::string>("Latitude is at most 90\u00B0"));
}

TEST(PositionEntry, TypingShiftsDigitsInAndHemispheresSetTheSign)
{
    CPositionEntry entry;
    ASSERT_TRUE(entry.SetFormat("DD\u00B0MM.MM'N ddd\u00B0mm.mm'E"));
    ASSERT_TRUE(entry.SetPosition({0.0, 0.0}));
    entry.SelectFieldAt(0);
    for (char32_t c : U"50")
        if (c)
            ASSERT_FALSE(entry.Type(c));
    entry.SelectNextField(true);
    for (char32_t c : U"3025")
        if (c)
            ASSERT_FALSE(entry.Type(c));
    entry.SelectNextField(true);
    ASSERT_FALSE(entry.Type(U's'));   // lower case is taken
    EXPECT_EQ(entry.Text(), "50\u00B030.25'S 000\u00B000.00'E");
    EXPECT_NEAR(entry.GetPosition()->latitude, -(50.0 + 30.25 / 60.0), 1e-12);
    EXPECT_TRUE(entry.IsModified());
}

TEST(PositionEntry, SpinStepsTogglesAndStopsAtTheEnds)
{
    CPositionEntry entry;
    ASSERT_TRUE(entry.SetFormat("DD\u00B0MM'N ddd\u00B0mm'E C"));
    entry.SetDatums({"WGS 84", "ED 50", "OSGB 36"}, 0);
    ASSERT_TRUE(entry.SetPosition({1.0 + 58.0 / 60.0, 0.0, 0.0, 0}));
    entry.SelectFieldAt(3);   // minutes
    EXPECT_FALSE(entry.Spin(true));
    EXPECT_EQ(entry.Text(), "01\u00B059'N 000\u00B000'E WGS 84");
    EXPECT_EQ(entry.Spin(true), std::optional<std::string>("Minutes run from 0 to 59"));
    entry.SelectFieldAt(0);
    EXPECT_FALSE(entry.Spin(false));
    EXPECT_FALSE(entry.Spin(false));   // at zero the spin stops
    EXPECT_EQ(entry.Text(), "00\u00B059'N 000\u00B000'E WGS 84");
    entry.SelectFieldAt(6);
    EXPECT_EQ(entry.SelectedField(), EntryField::LatHem);
    EXPECT_FALSE(entry.Spin(true));
    EXPECT_EQ(entry.Text(), "00\u00B059'S 000\u00B000'E WGS 84");
    entry.SelectFieldAt(entry.Length());
    EXPECT_EQ(entry.SelectedField(), EntryField::Datum);
    // The shown position's datum went to the end of the list: ED 50, OSGB 36, WGS 84.
    for (int i = 0; i < 5; ++i)
        entry.Spin(false);
    EXPECT_EQ(entry.GetPosition()->datum, 0);   // the last datum, not past it
    EXPECT_EQ(entry.Text(), "00\u00B059'S 000\u00B000'E WGS 84");
    for (int i = 0; i < 5; ++i)
        entry.Spin(true);
    EXPECT_EQ(entry.GetPosition()->datum, 1);   // the first, not before it
    EXPECT_EQ(entry.Text(), "00\u00B059'S 000\u00B000'E ED 50");
}

// Showing a position takes its datum out of the list and puts it last, as
// the current one; each position shown moves its own datum to the end.
TEST(PositionEntry, TheShownDatumMovesToTheEndOfTheList)
{
    CPositionEntry entry;
    ASSERT_TRUE(entry.SetFormat("DD\u00B0MM'N ddd\u00B0mm'E C"));
    entry.SetDatums({"WGS 84", "ED 50", "OSGB 36", "NAD 27"}, 0);
    EXPECT_EQ(entry.DatumOrder(), (std::vector<int>{0, 1, 2, 3}));
    ASSERT_TRUE(entry.SetPosition({10.0, 20.0, 0.0, 1}));
    EXPECT_EQ(entry.DatumOrder(), (std::vector<int>{0, 2, 3, 1}));
    ASSERT_TRUE(entry.SetPosition({10.0, 20.0, 0.0, 0}));
    EXPECT_EQ(entry.DatumOrder(), (std::vector<int>{2, 3, 1, 0}));
    EXPECT_EQ(entry.DatumPlace(0), 3);
    // Up steps to the previous entry of the list, whatever its index.
    entry.SelectFieldAt(entry.Length());
    EXPECT_FALSE(entry.Spin(true));
    EXPECT_EQ(entry.GetPosition()->datum, 1);
    EXPECT_EQ(entry.Text(), "10\u00B000'N 020\u00B000'E ED 50");
    // A position without a datum leaves the list as it is.
    ASSERT_TRUE(entry.SetPosition({10.0, 20.0, 0.0, -1}));
    EXPECT_EQ(entry.DatumOrder(), (std::vector<int>{2, 3, 1, 0}));
}

TEST(PositionEntry, PasteFillsTheFieldsOrIsRefusedWhole)
{
    CPositionEntry entry;
    ASSERT_TRUE(entry.SetFormat("DD\u00B0MM.MM'N ddd\u00B0mm.mm'E"));
    entry.SelectFieldAt(0);
    EXPECT_FALSE(entry.Paste("50 30.25 S 001 15.50 w"));
    EXPECT_EQ(entry.Text(), "50\u00B030.25'S 001\u00B015.50'W");
    const std::string before = entry.Text();
    for (const char* bad : {"50 75.00 N", "91 00.00 N", "50 30.25 Q", "50 30.25 N 001 15.50 W 77"})
        EXPECT_TRUE(entry.Paste(bad)) << bad;
    EXPECT_EQ(entry.Text(), before);
}

TEST(PositionEntry, UndoKeepsAtMostFifteenTexts)
{
    CPositionEntry entry;
    ASSERT_TRUE(entry.SetFormat("DD\u00B0MM'N ddd\u00B0mm'E"));
    ASSERT_TRUE(entry.SetPosition({0.0, 0.0}));
    for (int i = 1; i <= 20; ++i) {
        entry.SelectFieldAt(0);
        ASSERT_FALSE(entry.Type(static_cast<char32_t>(U'0' + i / 10)));
        ASSERT_FALSE(entry.Type(static_cast<char32_t>(U'0' + i % 10)));
        entry.SelectFieldAt(0);   // commits the text
    }
    EXPECT_EQ(entry.UndoDepth(), CPositionEntry::kMaxUndo);
    int undone = 0;
    while (entry.CanUndo()) {
        entry.Undo();
        ++undone;
    }
    EXPECT_EQ(undone, 14);
    EXPECT_EQ(entry.Text().substr(0, 2), "06");   // the oldest kept: 20 - 15 + 1
    entry.Redo();
    EXPECT_EQ(entry.Text().substr(0, 2), "07");
    entry.Reset();
    EXPECT_EQ(entry.Text().substr(0, 2), "00");
}

TEST(DegreeEntries, DeviationAndZoneTimeTexts)
{
    for (const char* ok : {"", "-", ".", "3.5", "-3.5", "3.5W", "3.5e", "12.", "123456789"})
        EXPECT_FALSE(geo::CheckDegreeText(ok, true)) << ok;
    for (const char* bad : {"3.5X", "--1", "1-", "1.2.3", "1234567890", "W3"})
        EXPECT_TRUE(geo::CheckDegreeText(bad, true)) << bad;
    EXPECT_TRUE(geo::CheckDegreeText("3W", false));

    for (const char* ok : {"", "-", "-11", "0", "+5", "+12", "12"})
        EXPECT_FALSE(geo::CheckZoneTime(ok)) << ok;
    for (const char* bad : {"-12", "13", "14", "1.5", "abc", "1-"})
        EXPECT_EQ(geo::CheckZoneTime(bad),
                  std::optional<std::string>("Zone time runs from -11 to +12 hours"))
            << bad;
}

}   // namespace

#include "nmea/NMEAMessage.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "nmea/NMEASentenceTable.h"

using nmea::CNMEAMessage;

namespace {

// Splits the fields after the sentence id by their one-letter types.
void Split(CNMEAMessage& m, int sentence, std::string_view text, std::string_view types)
{
    m.SetSentence(sentence, text);
    m.SetNextFieldNumber(2);
    m.Split(types);
}

TEST(FieldSplitter, EmptyFieldsLeaveTheirSlotAbsent)
{
    CNMEAMessage m;
    Split(m, nmea::sentence::DBT, "DBT,0036.4,f,,M,0006.0,F*2A\r\n", "DCDCDC");
    EXPECT_EQ(m.Number(1), 36.4);
    EXPECT_FALSE(m.Number(2).has_value());
    EXPECT_EQ(m.Number(3), 6.0);
    EXPECT_EQ(m.Char(1), 'F');   // letters are upper-cased
    EXPECT_EQ(m.Char(2), 'M');
    EXPECT_EQ(m.Char(3), 'F');
}

TEST(FieldSplitter, NumbersMustConvertCompletely)
{
    struct Row {
        const char* field;
        bool present;
        double value;
    } rows[] = {
        {"12.5", true, 12.5},   {"-0.25", true, -0.25}, {" 7", true, 7.0},   {"+3.5", true, 3.5},
        {"1.2.3", false, 0},    {"12.5 ", false, 0},    {"12a", false, 0},   {"nan", false, 0},
        {"inf", false, 0},      {"1e999", false, 0},    {"+", false, 0},     {"-", false, 0},
    };
    for (const Row& row : rows) {
        CNMEAMessage m;
        Split(m, nmea::sentence::HDM, std::string("HDM,") + row.field + ",M", "D");
        EXPECT_EQ(m.Number(1).has_value(), row.present) << row.field;
        if (row.present) {
            EXPECT_EQ(*m.Number(1), row.value) << row.field;
        }
    }
}

TEST(FieldSplitter, IntegersReadDecimalOrHexAndClamp)
{
    EXPECT_EQ(nmea::NmeaParseInt("42"), 42);
    EXPECT_EQ(nmea::NmeaParseInt("-07"), -7);
    EXPECT_EQ(nmea::NmeaParseInt("0x1F"), 31);
    EXPECT_EQ(nmea::NmeaParseInt("1fX"), 31);
    EXPECT_EQ(nmea::NmeaParseInt("12abc"), 12);   // leftover text ignored
    EXPECT_EQ(nmea::NmeaParseInt("abc"), 0);
    EXPECT_EQ(nmea::NmeaParseInt("99999999999999999999"), 2147483647);
    EXPECT_EQ(nmea::NmeaParseInt("-99999999999999999999"), -2147483647 - 1);
}

// The checksum after '*' is no field: a sentence shorter than its type string
// leaves the missing slots absent instead of reading the checksum digits.
TEST(FieldSplitter, FieldsStopAtTheChecksum)
{
    CNMEAMessage m;
    Split(m, nmea::sentence::GLL, "GLL,4916.45,N,12311.12,W*31\r\n", "DCDCDS");
    EXPECT_EQ(m.Number(2), 12311.12);
    EXPECT_FALSE(m.Number(3).has_value());
    EXPECT_FALSE(m.Text(1).has_value());
    EXPECT_EQ(m.GetField(1), "GLL");
    EXPECT_EQ(m.GetField(5), "W");
    EXPECT_EQ(m.GetField(6), "");
    EXPECT_EQ(m.GetField(2), "4916.45");   // going back re-reads from the start
}

TEST(FieldSplitter, ExtraLettersAreCappedAtTheSlotsThatExist)
{
    CNMEAMessage m;
    std::string text = "APB";
    for (int i = 0; i < 40; ++i)
        text += ",A";
    Split(m, nmea::sentence::APB, text, std::string(30, 'C') + std::string(30, 'I') + "XYZ" + std::string(30, 'S'));
    for (int k = 1; k <= CNMEAMessage::kCharSlots; ++k)
        EXPECT_EQ(m.Char(k), 'A');
    EXPECT_FALSE(m.Char(CNMEAMessage::kCharSlots + 1).has_value());
    EXPECT_FALSE(m.Char(0).has_value());
    EXPECT_EQ(m.Int(CNMEAMessage::kIntSlots), 0);   // "A" is a present integer field reading 0
    EXPECT_FALSE(m.Text(1).has_value());             // the 61st field onward is past the end
}

TEST(FieldSplitter, ASecondSplitClearsSlotsTheFirstFilled)
{
    CNMEAMessage m;
    Split(m, nmea::sentence::VTG, "VTG,1,T,2,M,3,N,4,K", "DCDCDCDC");
    m.SetNextFieldNumber(2);
    m.Split("D");
    EXPECT_EQ(m.Number(1), 1.0);
    EXPECT_FALSE(m.Number(2).has_value());
    EXPECT_FALSE(m.Char(1).has_value());
}

}  // namespace

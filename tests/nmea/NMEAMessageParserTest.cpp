#include "nmea/NMEAMessageParser.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "FakeClock.h"
#include "NMEATestLines.h"

using nmea::CNMEAGPSParser;
using nmea::NMEALineResult;
using nmea_test::WithChecksum;
namespace item = nmea::item;

namespace {

struct DispatcherTest : ::testing::Test {
    brine_test::FakeClock clock;
    CNMEAGPSParser parser{clock, 5};
};

const std::string kGll = WithChecksum("GPGLL,5030.50,N,00140.25,E,123519,A");

TEST_F(DispatcherTest, ChecksumRule)
{
    const std::string body = kGll.substr(1, kGll.size() - 4);
    const std::string digits = kGll.substr(kGll.size() - 2);
    std::string lower = digits;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string wrong = digits;
    wrong[1] = wrong[1] == '0' ? '1' : '0';

    struct Row {
        std::string line;
        bool accepted;
    } rows[] = {
        {kGll, true},
        {"$" + body + "*" + lower, true},
        {"$" + body + "*" + wrong, false},
        {"$" + body, true},                     // no '*': no check
        {"$" + body + "*" + digits + "\r\n", true},
        {body + "*" + digits, true},            // a line without '$' is taken as it is
        {"$" + body + "*", false},              // '*' at the end checks against 0
        {"$" + body + "*G" + digits, false},    // conversion stops at the first non-hex
        {WithChecksum("gpgll,5030.50,N,00140.25,E,123519,A"), true},   // ids match whatever the case
    };
    for (const Row& row : rows) {
        CNMEAGPSParser p(clock, 5);
        EXPECT_EQ(p.ParseLine(row.line), row.accepted) << row.line;
        EXPECT_EQ(p.Value(item::Latitude).IsValid(), row.accepted) << row.line;
    }
}

TEST_F(DispatcherTest, SingleDigitAndEarlierStarsInTheChecksum)
{
    // Pad the last field until the XOR is below 16, so one digit is the whole checksum.
    std::string body;
    unsigned sum = 0;
    for (char pad = '!'; pad <= '~'; ++pad) {
        if (pad == '*' || pad == ',')
            continue;
        body = std::string("GPHDM,12.0,M,") + pad;
        sum = 0;
        for (char c : body)
            sum ^= static_cast<unsigned char>(c);
        if (sum < 16)
            break;
    }
    ASSERT_LT(sum, 16u);
    const char digit = "0123456789ABCDEF"[sum];
    EXPECT_TRUE(parser.ParseLine("$" + body + "*" + digit));
    EXPECT_EQ(parser.Value(item::HeadingMagnetic).GetDouble(), 12.0);

    // Only the last '*' counts: an earlier one is part of the XOR.
    const std::string withStar = WithChecksum("GPHDM,13.0,M*junk");
    EXPECT_TRUE(parser.ParseLine(withStar));
}

TEST_F(DispatcherTest, LinesThatAreNotOursAreDroppedWithTrue)
{
    struct Row {
        std::string line;
        bool result;
        NMEALineResult why;
    } rows[] = {
        {WithChecksum("PABX,1,2"), true, NMEALineResult::Proprietary},
        {WithChecksum("pgrme,1"), true, NMEALineResult::Proprietary},
        {WithChecksum("GPGSV,3,1,11"), true, NMEALineResult::UnknownSentence},
        {"$GP", true, NMEALineResult::UnknownSentence},
        {"", true, NMEALineResult::UnknownSentence},
        {WithChecksum("IIMTA,21.5,C"), false, NMEALineResult::NoParser},
        {WithChecksum("GPGLLX,5030.50,N"), false, NMEALineResult::NotDelimited},
        {WithChecksum("GPGLL"), false, NMEALineResult::NotDelimited},
        {WithChecksum("RATTM,7,1.0,90,T"), false, NMEALineResult::NoParser},   // no target module
        {WithChecksum("GPRMC,1,V"), false, NMEALineResult::Refused},
        {WithChecksum("GPAPB,A,A,0.1,R,N,V,V,011,M,DEST"), true, NMEALineResult::Parsed},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(parser.ParseLine(row.line), row.result) << row.line;
        EXPECT_EQ(parser.LastResult(), row.why) << row.line;
    }
    for (int i = 0; i < nmea::kValueCount; ++i)
        EXPECT_FALSE(parser.Value(i).IsValid()) << "item " << i;
}

TEST_F(DispatcherTest, TalkerIsThatOfTheLastMatchingLine)
{
    EXPECT_EQ(parser.GetTalker(), "n.a.");
    parser.ParseLine(WithChecksum("GPGSV,3,1,11"));   // not in the table
    EXPECT_EQ(parser.GetTalker(), "n.a.");
    parser.ParseLine(WithChecksum("IIHDM,45.0,M"));
    EXPECT_EQ(parser.GetTalker(), "II");
    parser.ParseLine(WithChecksum("HCHDM,46.0,M"));
    EXPECT_EQ(parser.GetTalker(), "HC");
}

// Values belong to the store of the sentence's module, whatever port brought it.
TEST_F(DispatcherTest, SentencesGoToTheStoreOfTheirModule)
{
    CNMEAGPSParser wind(clock, 5);
    CNMEAGPSParser arpa(clock, 5);
    parser.SetStores({parser.Values(), wind.Values(), arpa.Values()});
    EXPECT_TRUE(parser.ParseLine(WithChecksum("WIMWV,214.8,R,0.1,K,A")));
    EXPECT_TRUE(parser.ParseLine(WithChecksum("RAOSD,35.1,A,36.0,T,10.2,W,5.0,1.0,N")));
    EXPECT_EQ(wind.Value(item::WindAngle).GetDouble(), 214.8);
    EXPECT_FALSE(parser.Value(item::WindAngle).IsValid());
    EXPECT_EQ(arpa.Value(item::OwnHeading).GetDouble(), 35.1);

    // A module that is not running drops its sentences' values.
    parser.SetStores({parser.Values(), nullptr, nullptr});
    EXPECT_TRUE(parser.ParseLine(WithChecksum("WIMWV,100.0,R,0.1,K,A")));
    EXPECT_EQ(wind.Value(item::WindAngle).GetDouble(), 214.8);
}

TEST_F(DispatcherTest, ValuesTakeTheParsersValiditySpan)
{
    CNMEAGPSParser shortLived(clock, 2);
    ASSERT_TRUE(shortLived.ParseLine(kGll));
    clock.Advance(std::chrono::milliseconds(1999));
    EXPECT_TRUE(shortLived.Value(item::Latitude).IsValid());
    clock.Advance(std::chrono::milliseconds(1));
    EXPECT_FALSE(shortLived.Value(item::Latitude).IsValid());
}

}  // namespace

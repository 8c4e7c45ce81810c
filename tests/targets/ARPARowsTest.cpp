// The "ARPA" card's row texts from real TTM and TLL lines: a tracked target
// from its TTM (units converted, the drawn position), a target with only a
// TLL from its position and the drawn course, range and bearing, a unit the
// program does not know leaving its cells empty, and empty cells for a row
// written when no report was new; a TLL alone new writes the row from it.

#include "targets/ARPARows.h"

#include <gtest/gtest.h>

#include "FakeClock.h"
#include "nmea/NMEASentenceTable.h"

using namespace std::chrono_literals;
using namespace targets;

namespace {

struct ArpaRowsTest : ::testing::Test {
    brine_test::FakeClock clock;
    CARPATargetStore store{clock};
    nmea::CNMEAMessage message;
    geo::CPositionFormat format;

    ArpaRowsTest()
    {
        clock.SetUtc(std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 10h + 15min);
        message.SetClock(clock);
        message.SetTargetSentenceParser(&store);
    }
    void Feed(const std::string& text)
    {
        message.SetSentence(nmea::NmeaSentenceIndex(text.substr(0, 3)), text);
        message.Parse();
        ASSERT_TRUE(message.IsValid()) << text;
    }
    CTrackedTarget Target(int number)
    {
        CTrackedTarget t;
        t.record = store.Slot(number);
        return t;
    }
    // As the timer pass has a row written: from what the reports made new.
    std::array<std::string, kArpaColumns> Row(const CTrackedTarget& t)
    {
        t.record->rowSource = t.record->ReportedSource();
        return ARPARowTexts(t, format, clock.UtcNow(), [](auto) { return std::string("local"); });
    }
};

}   // namespace

TEST_F(ArpaRowsTest, TrackedTargetFromItsTtm)
{
    // Distance and speed in kilometres: 1.852 km is 1 nm.
    Feed("TTM,07,3.704,045.0,T,18.52,270.0,T,0.926,5.5,K,TUG,T,R,101500.00,A");
    CTrackedTarget t = Target(7);
    ASSERT_TRUE(t.record);
    t.fix = CTargetFix{CTargetPosition{50.0, -1.0}, 270.0, 10.0, 2.0, 45.0};
    const auto row = Row(t);
    EXPECT_EQ(row[0], "7");
    EXPECT_EQ(row[1], "TUG");
    EXPECT_EQ(row[2], "local");
    EXPECT_EQ(row[3], geo::CPosition(50.0, -1.0, 0.0).FormatLatitude(format));
    EXPECT_EQ(row[4], geo::CPosition(50.0, -1.0, 0.0).FormatLongitude(format));
    EXPECT_EQ(row[5], "10.00 kn");
    EXPECT_EQ(row[6], "270");
    EXPECT_EQ(row[7], "2.00 nm");
    EXPECT_EQ(row[8], "045");
    EXPECT_EQ(row[9], "5.50");
    EXPECT_EQ(row[10], "0.50 nm");
    EXPECT_EQ(row[11], "Auto");
    EXPECT_EQ(row[12], "Tracking");
    EXPECT_EQ(row[13], "R");
}

TEST_F(ArpaRowsTest, StatuteMilesAndAnUnknownUnit)
{
    Feed("TTM,08,1.0,010.0,T,1.0,090.0,T,1.0,2.0,S,,Q,,101500.00,M");
    auto row = Row(Target(8));
    EXPECT_EQ(row[5], "0.87 kn");   // 1 statute mile is 0.869 nm
    EXPECT_EQ(row[7], "0.87 nm");
    EXPECT_EQ(row[11], "Manual");
    EXPECT_EQ(row[12], "Query");
    EXPECT_EQ(row[3], "");   // not drawn yet: no position

    // The unit letter is read in either case: "k" is kilometres.
    Feed("TTM,10,1.852,010.0,T,1.852,090.0,T,1.852,2.0,k,,T,,101500.00,A");
    row = Row(Target(10));
    EXPECT_EQ(row[5], "1.00 kn");
    EXPECT_EQ(row[7], "1.00 nm");
    EXPECT_EQ(row[10], "1.00 nm");

    // Lost after it was tracked (a report of a lost target makes none).
    Feed("TTM,09,1.0,010.0,T,1.0,090.0,T,1.0,2.0,X,,T,,101500.00,R");
    Feed("TTM,09,1.0,010.0,T,1.0,090.0,T,1.0,2.0,X,,L,,101500.00,R");
    row = Row(Target(9));
    EXPECT_EQ(row[5], "");
    EXPECT_EQ(row[7], "");
    EXPECT_EQ(row[10], "");
    EXPECT_EQ(row[6], "090");   // course and bearing need no unit
    EXPECT_EQ(row[11], "Reported");
    EXPECT_EQ(row[12], "Lost");
}

TEST_F(ArpaRowsTest, PositionOnlyTargetFromItsTll)
{
    Feed("TLL,12,5000.000,N,00100.000,W,BUOY,101500.00,T,");
    CTrackedTarget t = Target(12);
    ASSERT_TRUE(t.record);
    t.fix = CTargetFix{CTargetPosition{50.0, -1.0}, 123.0, std::nullopt, 1.234, 200.0};
    auto row = Row(t);
    EXPECT_EQ(row[0], "12");
    EXPECT_EQ(row[1], "BUOY");
    EXPECT_EQ(row[3], geo::CPosition(50.0, -1.0, 0.0).FormatLatitude(format));
    EXPECT_EQ(row[5], "");   // no TTM: no speed, no CPA, no acquisition
    EXPECT_EQ(row[6], "123");
    EXPECT_EQ(row[7], "1.23");
    EXPECT_EQ(row[8], "200");
    EXPECT_EQ(row[9], "");
    EXPECT_EQ(row[11], "");
    EXPECT_EQ(row[12], "Tracking");

    // Written when nothing came since the last pass, every cell is empty.
    t.record->tllUpdated = false;
    row = Row(t);
    for (std::size_t i = 0; i < row.size(); ++i)
        EXPECT_EQ(row[i], "") << i;
}

// What the pass found new decides, not what still holds: a target whose TTM
// was taken by the last pass and which now sent only a TLL is written from
// the TLL, without speed, CPA or acquisition.
TEST_F(ArpaRowsTest, OnlyATllNewWritesTheRowFromTheTll)
{
    Feed("TTM,13,1.0,045.0,T,10.0,090.0,T,0.5,3.0,N,PILOT,T,,101500.00,A");
    CTrackedTarget t = Target(13);
    ASSERT_TRUE(t.record);
    EXPECT_EQ(Row(t)[5], "10.00 kn");
    t.record->ttmUpdated = false;   // taken by the pass
    Feed("TLL,13,5000.000,N,00100.000,W,PILOT,101501.00,T,");
    const auto row = Row(t);
    EXPECT_EQ(row[0], "13");
    EXPECT_EQ(row[3], geo::CPosition(50.0, -1.0, 0.0).FormatLatitude(format));
    EXPECT_EQ(row[5], "");
    EXPECT_EQ(row[9], "");
    EXPECT_EQ(row[11], "");
}

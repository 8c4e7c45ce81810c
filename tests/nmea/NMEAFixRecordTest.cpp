// The fix record: position sentences write one whole fix, others leave it.

#include "nmea/NMEAMessageParser.h"

#include <gtest/gtest.h>

#include "FakeClock.h"

namespace {

using nmea::FixSource;

TEST(NMEAFixRecord, PositionSentencesWriteWholeFixes)
{
    brine_test::FakeClock clock;
    nmea::CNMEAGPSParser parser(clock, 5);
    const auto& record = parser.FixRecord();
    EXPECT_EQ(record.Read().sequence, 0u);
    EXPECT_FALSE(record.IsNmeaFixValid(clock.Monotonic()));

    // A datum sentence first: the next fix carries its items.
    ASSERT_TRUE(parser.ParseLine("$GPDTM,W84,,0.0,N,0.0,E,0.0,W84*6F"));
    ASSERT_TRUE(
        parser.ParseLine("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A"));
    auto fix = record.Read();
    EXPECT_EQ(fix.sequence, 1u);
    EXPECT_NEAR(fix.latitude, 48.1173, 1e-9);
    EXPECT_NEAR(fix.longitude, 11.516666666, 1e-8);
    EXPECT_EQ(fix.utcTime, 123519.0);
    EXPECT_EQ(fix.date, 230394.0);
    ASSERT_TRUE(fix.datum);
    EXPECT_EQ(fix.datum->localCode, "W84");
    EXPECT_EQ(fix.source, FixSource::NMEA);
    EXPECT_EQ(fix.monotonic, clock.Monotonic());
    EXPECT_TRUE(record.IsNmeaFixValid(clock.Monotonic()));

    // South and west come out negative; GLL carries a time but no date.
    clock.Advance(std::chrono::seconds(1));
    ASSERT_TRUE(parser.ParseLine("$GPGLL,3751.65,S,14507.36,W,225444,A*25"));
    fix = record.Read();
    EXPECT_EQ(fix.sequence, 2u);
    EXPECT_NEAR(fix.latitude, -37.860833333, 1e-8);
    EXPECT_NEAR(fix.longitude, -145.122666666, 1e-8);
    EXPECT_EQ(fix.utcTime, 225444.0);
    EXPECT_FALSE(fix.date);

    // A refused position, a sentence without one and a GGA (time only) keep the fix.
    ASSERT_FALSE(
        parser.ParseLine("$GPRMC,123519,V,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*7D"));
    ASSERT_TRUE(parser.ParseLine("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48"));
    ASSERT_TRUE(
        parser.ParseLine("$GPGGA,123520,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*4D"));
    EXPECT_EQ(record.Read().sequence, 2u);

    // The fix ages out on the monotonic clock, whatever the wall clock does.
    clock.JumpUtc(std::chrono::hours(-3));
    clock.Advance(std::chrono::milliseconds(4999));
    EXPECT_TRUE(record.IsNmeaFixValid(clock.Monotonic()));
    clock.Advance(std::chrono::milliseconds(1));
    EXPECT_FALSE(record.IsNmeaFixValid(clock.Monotonic()));

    // A dead-reckoned fix is never a valid received one.
    nmea::CNMEAFix dr;
    dr.source = FixSource::DR;
    dr.monotonic = clock.Monotonic();
    parser.FixRecord().Write(dr);
    EXPECT_FALSE(record.IsNmeaFixValid(clock.Monotonic()));
}

}   // namespace

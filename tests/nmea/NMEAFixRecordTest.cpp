// The fix record: position sentences write one whole fix, others leave it.

#include "nmea/NMEAMessageParser.h"

#include <gtest/gtest.h>

#include <cmath>

#include "FakeClock.h"
#include "nmea/NMEAConvert.h"

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

// A fix carries the datum items standing when it arrives: none before the
// first datum sentence, its items once one came (however many fixes went
// before), none again once they aged out, and a fresh one's after that.
TEST(NMEAFixRecord, FixesCarryTheDatumOnlyWhileItStands)
{
    brine_test::FakeClock clock;
    nmea::CNMEAGPSParser parser(clock, 5);
    const auto& record = parser.FixRecord();
    const char* rmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
    const char* gll = "$GPGLL,3751.65,S,14507.36,W,225444,A*25";

    for (int k = 0; k < 3; ++k) {
        ASSERT_TRUE(parser.ParseLine(k % 2 == 0 ? rmc : gll));
        EXPECT_FALSE(record.Read().datum);
    }

    clock.Advance(std::chrono::seconds(1));
    ASSERT_TRUE(parser.ParseLine("$GPDTM,W84,,0.5,S,1.25,W,0.0,W84*53"));
    ASSERT_TRUE(parser.ParseLine(gll));
    auto fix = record.Read();
    ASSERT_TRUE(fix.datum);
    EXPECT_EQ(fix.datum->localCode, "W84");
    EXPECT_EQ(fix.datum->latitudeOffset, 0.5);
    EXPECT_EQ(fix.datum->longitudeOffset, 1.25);
    EXPECT_EQ(fix.datum->referenceCode, "W84");

    // Just short of the validity span the datum stands; at it, it is gone.
    clock.Advance(std::chrono::milliseconds(4999));
    ASSERT_TRUE(parser.ParseLine(rmc));
    EXPECT_TRUE(record.Read().datum);
    clock.Advance(std::chrono::milliseconds(1));
    ASSERT_TRUE(parser.ParseLine(rmc));
    EXPECT_FALSE(record.Read().datum);

    ASSERT_TRUE(parser.ParseLine("$GPDTM,999,,0.0,N,0.0,E,0.0,W84*0D"));
    ASSERT_TRUE(parser.ParseLine(gll));
    fix = record.Read();
    ASSERT_TRUE(fix.datum);
    EXPECT_EQ(fix.datum->localCode, "999");

    // Datum items emptied (as when the source is switched off) count as none.
    parser.Value(nmea::item::LocalDatum).Reset();
    ASSERT_TRUE(parser.ParseLine(rmc));
    EXPECT_FALSE(record.Read().datum);
}

// RMC keeps its time and date only as a pair: with either field empty the
// fix carries neither, as a time alone would pair with the wrong day at
// midnight, while the position is still fixed.
TEST(NMEAFixRecord, RmcTimeAndDateGoTogether)
{
    brine_test::FakeClock clock;
    nmea::CNMEAGPSParser parser(clock, 5);
    const auto& record = parser.FixRecord();
    for (const char* line : {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,,003.1,W*65",
                             "$GPRMC,,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*67"}) {
        const auto before = record.Read().sequence;
        ASSERT_TRUE(parser.ParseLine(line)) << line;
        const auto fix = record.Read();
        EXPECT_EQ(fix.sequence, before + 1) << line;
        EXPECT_NEAR(fix.latitude, 48.1173, 1e-9) << line;
        EXPECT_FALSE(fix.utcTime) << line;
        EXPECT_FALSE(fix.date) << line;
    }
}

// The fix's degrees: the whole hundreds of a ddmm.mmm number are its degrees,
// as truncating the number divided by 100 gives them, also next to a whole
// hundred, where the quotient comes closest to a whole number.
TEST(NMEAFixRecord, DegreesAndMinutesSplitAsTruncatingTheHundredsDoes)
{
    const auto plain = [](double v) {
        const double degrees = std::trunc(v / 100.0);
        return degrees + (v - degrees * 100.0) / 60.0;
    };
    for (const double hundred :
         {0.0, 100.0, 4800.0, 9000.0, 17900.0, 18000.0, 1.0e11, 9.9e11, 1.0e12, 5.0e15}) {
        for (const double sign : {1.0, -1.0}) {
            double v = sign * hundred;
            for (int step = 0; step < 6; ++step)
                v = std::nextafter(v, -sign * 1e300);   // from a few steps under
            for (int step = 0; step < 12; ++step) {
                EXPECT_EQ(nmea::NmeaDegMinToDegrees(v), plain(v)) << v;
                v = std::nextafter(v, sign * 1e300);
            }
        }
    }
    // Far beyond any position, where the integer part no longer tells the hundreds.
    for (const double v : {2.3845488126125578e17, -7.1105722010303706e17, 6.8909272013784499e17})
        EXPECT_EQ(nmea::NmeaDegMinToDegrees(v), plain(v)) << v;
    EXPECT_DOUBLE_EQ(nmea::NmeaDegMinToDegrees(4807.038), 48.1173);
    EXPECT_DOUBLE_EQ(nmea::NmeaDegMinToDegrees(-14507.36), -145.122666666666667);
    EXPECT_DOUBLE_EQ(nmea::NmeaDegMinToDegrees(5959.999), 59.99998333333333);
}

// A fix invalidated stops counting as received and lets dead reckoning write
// over it; the next received fix counts again.
TEST(NMEAFixRecord, AnInvalidatedFixCountsAgainWithTheNextOne)
{
    brine_test::FakeClock clock;
    nmea::CNMEAGPSParser parser(clock, 5);
    auto& record = parser.FixRecord();
    const std::string rmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
    ASSERT_TRUE(parser.ParseLine(rmc));
    record.InvalidateNmeaFix();
    EXPECT_FALSE(record.IsNmeaFixValid(clock.Monotonic()));
    nmea::CNMEAFix dr;
    dr.source = FixSource::DR;
    dr.monotonic = clock.Monotonic();
    EXPECT_TRUE(record.WriteUnlessNmeaValid(dr, clock.Monotonic()));
    ASSERT_TRUE(parser.ParseLine(rmc));
    EXPECT_TRUE(record.IsNmeaFixValid(clock.Monotonic()));
    EXPECT_FALSE(record.WriteUnlessNmeaValid(dr, clock.Monotonic()));
}

}   // namespace

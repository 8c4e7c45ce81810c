// Where a radar target is drawn: TLL positions, TTM range and bearing laid
// off from the own ship (against GeographicLib), relative bearings turned by
// the heading, relative courses by the own motion, and the radar cursor.

#include "targets/TargetMotion.h"

#include <GeographicLib/Geodesic.hpp>
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "FakeClock.h"
#include "nmea/NMEAData.h"
#include "nmea/NMEAMessageParser.h"
#include "nmea/NMEASentenceTable.h"
#include "nmea/NMEAValueIndex.h"
#include "targets/ARPATargetStore.h"
#include "targets/RadarCursor.h"
#include "targets/TargetTrack.h"

using namespace std::chrono_literals;
using targets::COwnShip;
using targets::CTargetPosition;
namespace item = nmea::item;

namespace {

struct MotionTest : ::testing::Test {
    brine_test::FakeClock clock;
    targets::CARPATargetStore store{clock};
    nmea::CNMEAMessage message;

    MotionTest()
    {
        message.SetClock(clock);
        message.SetTargetSentenceParser(&store);
    }
    std::shared_ptr<targets::CTargetRecord> Feed(const std::string& text, int number)
    {
        message.SetSentence(nmea::NmeaSentenceIndex(text.substr(0, 3)), text);
        message.Parse();
        EXPECT_TRUE(message.IsValid()) << text;
        return store.Slot(number);
    }
};

// Metres between two positions on the WGS 84 ellipsoid.
double Metres(const CTargetPosition& a, const CTargetPosition& b)
{
    double s12 = 0;
    GeographicLib::Geodesic::WGS84().Inverse(a.latitude, a.longitude, b.latitude, b.longitude, s12);
    return s12;
}

CTargetPosition Direct(const CTargetPosition& from, double rangeNm, double bearing)
{
    CTargetPosition to;
    GeographicLib::Geodesic::WGS84().Direct(from.latitude, from.longitude, bearing,
                                            rangeNm * 1852.0, to.latitude, to.longitude);
    return to;
}

TEST_F(MotionTest, TrueRangeAndBearingLandWhereGeographicLibPutsThemInEveryUnit)
{
    const struct {
        double lat, lon, distance, bearing;
        char unit;
        double nm;
    } rows[] = {
        {47.60, -122.40, 1.50, 45.0, 'N', 1.50},
        {-33.90, 151.20, 5.00, 200.0, 'K', 5000.0 / 1852.0},
        {51.00, 179.99, 2.00, 90.0, 'S', 2.0 * 1609.3 / 1852.0},   // across 180
        {0.00, 0.00, 10.0, 315.0, 'N', 10.0},
        {60.10, 5.20, 0.0, 0.0, 'N', 0.0},   // on top of the own ship
    };
    for (const auto& r : rows) {
        const std::string text = "TTM,01," + std::to_string(r.distance) + "," +
                                 std::to_string(r.bearing) + ",T,10.0,90.0,T,,," + r.unit +
                                 ",,T,,,A";
        const auto record = Feed(text, 1);
        ASSERT_NE(record, nullptr);
        COwnShip own;
        own.position = CTargetPosition{r.lat, r.lon};
        const auto fix = targets::TargetFixNow(*record, own);
        ASSERT_TRUE(fix.has_value()) << text;
        EXPECT_LT(Metres(fix->position, Direct(*own.position, r.nm, r.bearing)), 0.01)
            << text << " at " << r.lat;
        EXPECT_NEAR(*fix->rangeNm, r.nm, 1e-9);
        EXPECT_DOUBLE_EQ(*fix->bearing, r.bearing);
        EXPECT_DOUBLE_EQ(*fix->course, 90.0);
        store.Reset();
    }
    // The unit letter is read in either case: a "k" report is placed in kilometres.
    const auto record = Feed("TTM,01,1.852,45.0,T,18.52,90.0,T,,,k,,T,,,A", 1);
    ASSERT_NE(record, nullptr);
    COwnShip own;
    own.position = CTargetPosition{47.60, -122.40};
    const auto fix = targets::TargetFixNow(*record, own);
    ASSERT_TRUE(fix.has_value());
    EXPECT_NEAR(*fix->rangeNm, 1.0, 1e-9);
    EXPECT_NEAR(*fix->speedKnots, 10.0, 1e-9);
}

TEST_F(MotionTest, RelativeBearingsTurnWithTheHeadingAndWithoutOneTheTargetStaysPut)
{
    const auto record = Feed("TTM,02,2.0,300.0,R,12.0,045.0,T,,,N,,T,,,A", 2);
    COwnShip own;
    own.position = CTargetPosition{50.0, -1.0};
    own.courseOverGround = 10.0;   // never used for bearings
    EXPECT_FALSE(targets::TargetFixNow(*record, own).has_value());
    own.heading = 90.0;
    const auto fix = targets::TargetFixNow(*record, own);
    ASSERT_TRUE(fix.has_value());
    EXPECT_DOUBLE_EQ(*fix->bearing, 30.0);   // 300 + 90, folded
    EXPECT_LT(Metres(fix->position, Direct(*own.position, 2.0, 30.0)), 0.01);
}

TEST_F(MotionTest, HeadingComesFromTheNavigatorElseTheRadarsOwnShipDataWhenValid)
{
    nmea::CNMEADataValue heading, status;
    heading.SetClock(clock);
    status.SetClock(clock);
    EXPECT_FALSE(targets::HeadingForTargets(nmea::kNoValue, heading, status).has_value());
    heading.SetDouble(123.0);
    status.SetInt('V');
    EXPECT_FALSE(targets::HeadingForTargets(nmea::kNoValue, heading, status).has_value());
    status.SetInt('A');
    EXPECT_EQ(targets::HeadingForTargets(nmea::kNoValue, heading, status), 123.0);
    EXPECT_EQ(targets::HeadingForTargets(360.0, heading, status), 0.0);
    EXPECT_EQ(targets::HeadingForTargets(45.5, heading, status), 45.5);
}

TEST_F(MotionTest, ReportedPositionWinsAndRangeComesFromTheOwnShipWhenNotReported)
{
    const auto record = Feed("TLL,03,4736.000,N,12224.000,W,BUOY,,T,", 3);
    COwnShip own;
    EXPECT_TRUE(targets::TargetFixNow(*record, own).has_value());   // no own position needed
    own.position = CTargetPosition{47.5, -122.4};
    const auto fix = targets::TargetFixNow(*record, own);
    ASSERT_TRUE(fix.has_value());
    EXPECT_NEAR(fix->position.latitude, 47.6, 1e-9);
    EXPECT_NEAR(fix->position.longitude, -122.4, 1e-9);
    EXPECT_NEAR(*fix->rangeNm, 6.0, 0.05);
    EXPECT_NEAR(*fix->bearing, 0.0, 1e-6);
    EXPECT_FALSE(fix->course.has_value());
}

TEST_F(MotionTest, RelativeCourseAddsTheOwnMotion)
{
    const auto record = Feed("TTM,04,1.0,090.0,T,10.0,270.0,R,,,N,,T,,,A", 4);
    COwnShip own;
    own.position = CTargetPosition{50.0, -1.0};
    const auto noOwnMotion = targets::TargetFixNow(*record, own);
    ASSERT_TRUE(noOwnMotion.has_value());
    EXPECT_FALSE(noOwnMotion->course.has_value());
    // Own ship east at 10 kn, target closing west at 10 kn relative: it lies still.
    own.courseOverGround = 90.0;
    own.speedOverGround = 10.0;
    const auto still = targets::TargetFixNow(*record, own);
    EXPECT_NEAR(*still->speedKnots, 0.0, 1e-9);
    // Own ship north at 6 kn, relative 8 kn west: true 10 kn on 306.87.
    own.courseOverGround = 0.0;
    own.speedOverGround = 6.0;
    Feed("TTM,04,1.0,090.0,T,8.0,270.0,R,,,N,,T,,,A", 4);
    const auto moving = targets::TargetFixNow(*record, own);
    EXPECT_NEAR(*moving->speedKnots, 10.0, 1e-9);
    EXPECT_NEAR(*moving->course, 306.8698976, 1e-6);
}

TEST(RadarCursor, UnitsAndDisplayRotationGiveRangeAndTrueBearing)
{
    brine_test::FakeClock clock;
    nmea::CNMEAGPSParser parser(clock, 5);
    constexpr int kRange = item::RadarOrigin1Range + 8, kBearing = item::RadarOrigin1Range + 9;
    const auto set = [&](double range, double bearing, char unit, char rotation) {
        parser.Value(kRange).SetDouble(range);
        parser.Value(kBearing).SetDouble(bearing);
        parser.Value(item::RadarRangeUnit).SetInt(unit);
        parser.Value(item::RadarDisplayRotation).SetInt(rotation);
    };
    set(2.0, 30.0, 'K', 'N');
    auto c = targets::RadarCursorFrom(parser.Values(), std::nullopt, std::nullopt);
    ASSERT_TRUE(c.has_value());
    EXPECT_DOUBLE_EQ(c->rangeNm, 2000.0 / 1852.0);
    EXPECT_DOUBLE_EQ(c->bearing, 30.0);
    set(1.0, 350.0, 'N', 'H');
    EXPECT_FALSE(targets::RadarCursorFrom(parser.Values(), std::nullopt, 100.0).has_value());
    EXPECT_DOUBLE_EQ(targets::RadarCursorFrom(parser.Values(), 20.0, 100.0)->bearing, 10.0);
    set(1.0, 350.0, 'S', 'C');
    EXPECT_DOUBLE_EQ(targets::RadarCursorFrom(parser.Values(), 20.0, 100.0)->bearing, 90.0);
    set(1.0, 350.0, 'M', 'N');   // metres are no radar range unit here
    EXPECT_FALSE(targets::RadarCursorFrom(parser.Values(), 20.0, 100.0).has_value());
    clock.Advance(6s);   // aged out
    set(1.0, 350.0, 'N', 'N');
    parser.Value(kRange).Reset();
    EXPECT_FALSE(targets::RadarCursorFrom(parser.Values(), 20.0, 100.0).has_value());
}

TEST(TargetTrack, LimitToPreviousCutsByAgeFromTheNewestFix)
{
    std::vector<targets::CTargetTrackFix> track(4);
    const auto t0 = std::chrono::system_clock::time_point(1700000000s);
    for (int i = 0; i < 4; ++i)
        track[static_cast<std::size_t>(i)].time = t0 + std::chrono::minutes(10 * i);
    EXPECT_EQ(targets::FirstFixToDraw(track, std::nullopt), 0u);
    EXPECT_EQ(targets::FirstFixToDraw(track, std::chrono::minutes(10)), 3u);   // 10 is not below 10
    EXPECT_EQ(targets::FirstFixToDraw(track, std::chrono::minutes(11)), 2u);
    EXPECT_EQ(targets::FirstFixToDraw(track, std::chrono::hours(2)), 0u);
    EXPECT_EQ(targets::FirstFixToDraw(track, 0s), 4u);
    EXPECT_EQ(targets::FirstFixToDraw({}, std::chrono::minutes(10)), 0u);
}

}   // namespace

// Radar target intake: TLL, TTM and TLB lines into numbered target records,
// and what the records answer from their values.

#include "targets/ARPATargetStore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

#include "FakeClock.h"
#include "nmea/NMEASentenceTable.h"
#include "nmea/NMEAValueIndex.h"

using namespace std::chrono_literals;
using targets::CARPATargetStore;
using targets::CTargetRecord;
namespace item = nmea::item;

namespace {

struct IntakeTest : ::testing::Test {
    brine_test::FakeClock clock;
    CARPATargetStore store{clock};
    nmea::CNMEAMessage message;

    IntakeTest()
    {
        message.SetClock(clock);
        message.SetTargetSentenceParser(&store);
    }

    // The targets the navigator's pass would now add to its list.
    std::vector<std::shared_ptr<targets::CTrackedTarget>> Joined()
    {
        std::vector<std::shared_ptr<targets::CTrackedTarget>> joined;
        store.Vessels().SetOwner(navigator::kVesselArpa, [&](const auto& vessel) {
            joined.push_back(std::static_pointer_cast<targets::CTrackedTarget>(vessel));
        });
        store.Vessels().AdoptQueued();
        return joined;
    }

    // Feeds one sentence from its id onward (talker and checksum removed).
    bool Feed(const std::string& text)
    {
        message.SetSentence(nmea::NmeaSentenceIndex(text.substr(0, 3)), text);
        message.Parse();
        return message.IsValid();
    }
};

TEST_F(IntakeTest, FirstReportGrowsTheSlotsAndQueuesTheTargetOnce)
{
    EXPECT_TRUE(Feed("TTM,07,1.50,045.0,T,12.0,270.0,T,0.30,5.5,N,TUG,T,,101500.00,A"));
    EXPECT_EQ(store.SlotCount(), 8);
    auto added = Joined();
    ASSERT_EQ(added.size(), 1u);
    // The navigator's list holds the slot's own object.
    ASSERT_EQ(store.Vessels().Vessels().size(), 1u);
    EXPECT_EQ(store.Vessels().Vessels().front(), added.front());
    EXPECT_EQ(store.Target(7), added.front());
    EXPECT_TRUE(added.front()->IsOfSourceType(navigator::kVesselArpa));
    const auto target = added.front()->record;
    EXPECT_EQ(target->Number(), 7);
    EXPECT_EQ(target->Name(), "TUG");
    EXPECT_TRUE(target->ttmUpdated);
    EXPECT_DOUBLE_EQ(target->Value(item::TtmTargetBearing).GetDouble(), 45.0);
    EXPECT_EQ(target->Value(item::TtmBearingReference).GetInt(), 'T');
    EXPECT_EQ(target->Value(item::TtmAcquisitionType).GetInt(), 'A');
    EXPECT_EQ(target->StatusText(), "T");

    EXPECT_TRUE(Feed("TTM,07,1.40,046.0,T,12.0,270.0,T,0.30,5.0,N,OTHER,T,,101501.00,A"));
    EXPECT_TRUE(Joined().empty());
    EXPECT_EQ(store.Slot(7), target);
    EXPECT_DOUBLE_EQ(target->Value(item::TtmTargetDistance).GetDouble(), 1.40);
    EXPECT_EQ(target->Name(), "TUG");   // the record name is taken once
    EXPECT_EQ(target->Value(item::TtmTargetName).GetString(), "OTHER");
}

TEST_F(IntakeTest, NumbersOutsideTheRadarRangeAreDroppedAndLeaveOtherSlotsAlone)
{
    ASSERT_TRUE(Feed("TLL,01,5430.000,N,00530.000,E,ONE,101500,T,"));
    const auto one = store.Slot(1);
    ASSERT_NE(one, nullptr);
    Joined();

    EXPECT_FALSE(Feed("TLL,,5431.000,N,00531.000,E,NONE,101501,T,"));
    for (const char* n : {"-1", "100", "257", "2147483648", "0x100"}) {
        SCOPED_TRACE(n);
        EXPECT_FALSE(Feed(std::string("TTM,") + n + ",1.0,10.0,T,5.0,90.0,T,,,N,,L,,,A"));
    }
    EXPECT_EQ(store.SlotCount(), 2);
    EXPECT_TRUE(Joined().empty());
    EXPECT_EQ(store.Slot(1), one);
    EXPECT_EQ(one->StatusText(), "T");
    const auto pos = one->ReportedPosition();
    ASSERT_TRUE(pos);
    EXPECT_NEAR(pos->latitude, 54.5, 1e-9);
    EXPECT_NEAR(pos->longitude, 5.5, 1e-9);
    // A target number field reads its leading number, as every integer field does.
    EXPECT_TRUE(Feed("TTM,1e3,1.0,10.0,T,5.0,90.0,T,,,N,,L,,,A"));
    EXPECT_EQ(one->StatusText(), "L");
    EXPECT_EQ(store.SlotCount(), 2);
}

TEST_F(IntakeTest, PositionNeedsBothHalvesAndSoundHemispheres)
{
    ASSERT_TRUE(Feed("TLL,03,5430.000,N,,E,X,,T,"));
    const auto three = store.Slot(3);
    EXPECT_FALSE(three->ReportedPosition());
    ASSERT_TRUE(Feed("TLL,03,5430.000,Q,00530.000,E,X,,T,"));
    EXPECT_FALSE(three->ReportedPosition());
    ASSERT_TRUE(Feed("TLL,03,3352.500,S,15112.250,W,X,,T,R"));
    const auto pos = three->ReportedPosition();
    ASSERT_TRUE(pos);
    EXPECT_NEAR(pos->latitude, -33.875, 1e-9);
    EXPECT_NEAR(pos->longitude, -151.204166666, 1e-6);
    EXPECT_TRUE(three->IsReferenceTarget());
}

// The pole and minutes of 60 are positions; only a number off the globe is not.
// A TTM bearing or course is kept only with its reference letter.
TEST_F(IntakeTest, PositionsUpToThePoleAndDirectionsWithTheirReferences)
{
    ASSERT_TRUE(Feed("TLL,04,9000.000,N,17960.000,W,X,,T,"));
    const auto four = store.Slot(4);
    auto pos = four->ReportedPosition();
    ASSERT_TRUE(pos);
    EXPECT_NEAR(pos->latitude, 90.0, 1e-9);
    EXPECT_NEAR(pos->longitude, -180.0, 1e-9);
    ASSERT_TRUE(Feed("TLL,04,9000.010,N,00100.000,W,X,,T,"));   // past the pole: kept as it was
    ASSERT_TRUE(Feed("TLL,04,8960.500,N,00100.000,W,X,,T,"));   // minutes carried past it
    ASSERT_TRUE(Feed("TLL,04,4000.000,N,17960.500,W,X,,T,"));   // and past 180
    pos = four->ReportedPosition();
    ASSERT_TRUE(pos);
    EXPECT_NEAR(pos->latitude, 90.0, 1e-9);
    EXPECT_NEAR(pos->longitude, -180.0, 1e-9);

    ASSERT_TRUE(Feed("TTM,06,1.0,10.0,,5.0,90.0,,,,N,,T,,,A"));
    const auto six = store.Slot(6);
    EXPECT_FALSE(six->Value(item::TtmTargetBearing).IsValid());
    EXPECT_FALSE(six->Value(item::TtmTargetCourse).IsValid());
    EXPECT_TRUE(six->Value(item::TtmTargetDistance).IsValid());
    ASSERT_TRUE(Feed("TTM,06,1.0,10.0,R,5.0,90.0,T,,,N,,T,,,A"));
    EXPECT_DOUBLE_EQ(six->Value(item::TtmTargetBearing).GetDouble(), 10.0);
    EXPECT_EQ(six->Value(item::TtmBearingReference).GetInt(), 'R');
    EXPECT_EQ(six->Value(item::TtmCourseReference).GetInt(), 'T');
}

// A radar that is still acquiring leaves fields empty: each field that is
// there is stored, and an empty one leaves the value from the last report.
TEST_F(IntakeTest, EachTtmFieldThatIsThereIsStoredAndEmptyOnesLeaveTheLastValue)
{
    ASSERT_TRUE(Feed("TTM,03,2.50,045.0,T,,,,,7.5,N,,T,,,A"));   // no speed, course or CPA
    const auto three = store.Slot(3);
    ASSERT_NE(three, nullptr);
    EXPECT_DOUBLE_EQ(three->Value(item::TtmTargetDistance).GetDouble(), 2.5);
    EXPECT_EQ(three->Value(item::TtmUnit).GetInt(), 'N');
    EXPECT_FALSE(three->Value(item::TtmTargetSpeed).IsValid());
    EXPECT_FALSE(three->Value(item::TtmClosestApproach).IsValid());
    EXPECT_DOUBLE_EQ(three->Value(item::TtmTimeToClosestApproach).GetDouble(), 7.5);

    ASSERT_TRUE(Feed("TTM,03,2.40,046.0,T,11.0,270.0,T,0.40,6.0,N,,T,,,A"));
    ASSERT_TRUE(Feed("TTM,03,,046.5,T,,270.0,T,0.35,,,,T,,,A"));   // CPA without TCPA
    EXPECT_DOUBLE_EQ(three->Value(item::TtmTargetDistance).GetDouble(), 2.4);
    EXPECT_DOUBLE_EQ(three->Value(item::TtmTargetSpeed).GetDouble(), 11.0);
    EXPECT_EQ(three->Value(item::TtmUnit).GetInt(), 'N');
    EXPECT_DOUBLE_EQ(three->Value(item::TtmClosestApproach).GetDouble(), 0.35);
    EXPECT_DOUBLE_EQ(three->Value(item::TtmTimeToClosestApproach).GetDouble(), 6.0);
}

TEST_F(IntakeTest, LabelsGoOnlyToTargetsThatExistAndNoFurtherThanTheLineHolds)
{
    ASSERT_TRUE(Feed("TTM,01,1.0,10.0,T,5.0,90.0,T,,,N,,T,,,A"));
    ASSERT_TRUE(Feed("TTM,02,1.0,10.0,T,5.0,90.0,T,,,N,,T,,,A"));
    Feed("TLB,1,ALPHA,2,BRAVO,5,ECHO,7");
    EXPECT_EQ(store.Slot(1)->Label(), "ALPHA");
    EXPECT_EQ(store.Slot(2)->Label(), "BRAVO");
    EXPECT_EQ(store.Slot(5), nullptr);
    EXPECT_EQ(store.SlotCount(), 3);

    // Thirty pairs: only the first twenty count, none is written past them.
    std::string line = "TLB";
    for (int i = 0; i < 30; ++i)
        line += "," + std::to_string(i % 3 == 2 ? 2 : 1) + ",L" + std::to_string(i);
    Feed(line);
    EXPECT_EQ(store.Slot(1)->Label(), "L19");
    EXPECT_EQ(store.Slot(2)->Label(), "L17");
    Feed("TLB,-1,NEG,300,BIG,nan,NAN");
    EXPECT_EQ(store.SlotCount(), 3);
}

TEST_F(IntakeTest, ClearedSlotMakesTheNextReportANewTarget)
{
    ASSERT_TRUE(Feed("TTM,04,1.0,10.0,T,5.0,90.0,T,,,N,,T,,,A"));
    const auto first = store.Slot(4);
    Joined();
    store.ClearSlot(*first);
    EXPECT_EQ(store.Slot(4), nullptr);
    ASSERT_TRUE(Feed("TTM,04,1.0,10.0,T,5.0,90.0,T,,,N,,T,,,A"));
    EXPECT_NE(store.Slot(4), first);
    const auto second = Joined();
    ASSERT_EQ(second.size(), 1u);
    store.ClearSlot(*first);   // an old record no longer frees its number
    EXPECT_NE(store.Slot(4), nullptr);
    // Removing takes the target off the navigator's list; the lost one stays.
    store.Remove(*second.front());
    EXPECT_EQ(store.Slot(4), nullptr);
    ASSERT_EQ(store.Vessels().Vessels().size(), 1u);
    EXPECT_EQ(store.Vessels().Vessels().front()->IsOfSourceType(navigator::kVesselArpa), true);

    // A reset forgets targets still waiting to join: none comes back later.
    ASSERT_TRUE(Feed("TTM,05,1.0,10.0,T,5.0,90.0,T,,,N,,T,,,A"));
    EXPECT_EQ(store.Vessels().QueuedCount(), 1u);
    store.Reset();
    EXPECT_EQ(store.SlotCount(), 0);
    EXPECT_EQ(store.Vessels().QueuedCount(), 0u);
    EXPECT_TRUE(Joined().empty());
}

TEST_F(IntakeTest, SpeedAndClosestApproachNeedAKnownUnitLetter)
{
    ASSERT_TRUE(Feed("TTM,05,2.0,10.0,T,18.52,90.0,T,1.852,4.0,K,,T,,,A"));
    const auto five = store.Slot(5);
    ASSERT_TRUE(five->SpeedKnots());
    EXPECT_NEAR(*five->SpeedKnots(), 10.0, 1e-9);
    EXPECT_NEAR(*five->ClosestApproachNm(), 1.0, 1e-9);
    ASSERT_TRUE(Feed("TTM,06,2.0,10.0,T,10.0,90.0,T,1.0,4.0,S,,T,,,A"));
    EXPECT_NEAR(*store.Slot(6)->SpeedKnots(), 10.0 * 1609.3 / 1852.0, 1e-9);
    ASSERT_TRUE(Feed("TTM,08,2.0,10.0,T,10.0,90.0,T,1.0,4.0,X,,T,,,A"));
    EXPECT_FALSE(store.Slot(8)->SpeedKnots());
    // The conversion reads the letter in either case; only the values a
    // track fix records take the upper-case letters alone.
    ASSERT_TRUE(Feed("TTM,07,2.0,10.0,T,18.52,90.0,T,1.852,4.0,k,,T,,,A"));
    EXPECT_NEAR(*store.Slot(7)->SpeedKnots(), 10.0, 1e-9);
    EXPECT_NEAR(*store.Slot(7)->ClosestApproachNm(), 1.0, 1e-9);
    EXPECT_NEAR(*store.Slot(7)->DistanceNm(), 2000.0 / 1852.0, 1e-9);
    EXPECT_FALSE(store.Slot(7)->FixSpeedKnots());
    EXPECT_FALSE(store.Slot(7)->FixClosestApproachNm());
    EXPECT_NEAR(*five->FixSpeedKnots(), 10.0, 1e-9);
    EXPECT_NEAR(*five->FixClosestApproachNm(), 1.0, 1e-9);
    EXPECT_FALSE(store.Slot(8)->FixSpeedKnots());
    ASSERT_TRUE(Feed("TTM,09,2.0,10.0,T,10.0,90.0,T,1.0,4.0,,,T,,,A"));
    EXPECT_FALSE(store.Slot(9)->SpeedKnots());
    EXPECT_FALSE(store.Slot(9)->ClosestApproachNm());
    EXPECT_FALSE(store.Slot(9)->FixSpeedKnots());
}

TEST_F(IntakeTest, StatusFallsBackAsValuesAge)
{
    ASSERT_TRUE(Feed("TLL,10,5430.000,N,00530.000,E,,,Q,"));
    clock.Advance(3s);
    ASSERT_TRUE(Feed("TTM,10,1.0,10.0,T,5.0,90.0,T,,,N,,L,,,A"));
    const auto ten = store.Slot(10);
    EXPECT_EQ(ten->StatusText(), "L");
    EXPECT_TRUE(ten->IsLost());
    clock.Advance(2s);   // TLL now 5 s old: stale
    EXPECT_EQ(ten->StatusText(), "L");
    ASSERT_TRUE(Feed("TLL,10,5430.000,N,00530.000,E,,,T,"));
    clock.Advance(3s);   // TTM stale, TLL fresh
    EXPECT_EQ(ten->StatusText(), "T");
    EXPECT_FALSE(ten->IsLost());
    clock.Advance(3s);
    EXPECT_EQ(ten->StatusText(), "");
}

TEST_F(IntakeTest, ReportTimeIsDatedOnTheDayNearestTheNavigationTime)
{
    using namespace std::chrono;
    const sys_days day = 2026y / December / 7;
    const auto justAfterMidnight = system_clock::time_point(day) + 3s;
    ASSERT_TRUE(Feed("TTM,11,1.0,10.0,T,5.0,90.0,T,,,N,,T,,235958.50,A"));
    const auto eleven = store.Slot(11);
    EXPECT_EQ(eleven->LastReportTime(justAfterMidnight), system_clock::time_point(day) - 2s);
    ASSERT_TRUE(Feed("TTM,11,1.0,10.0,T,5.0,90.0,T,,,N,,T,,000001,A"));
    const auto justBefore = system_clock::time_point(day) - 2s;
    EXPECT_EQ(eleven->LastReportTime(justBefore), system_clock::time_point(day) + 1s);
    clock.Advance(10s);   // no valid report time: the navigation time itself
    EXPECT_EQ(eleven->LastReportTime(justBefore), justBefore);
}

TEST(TargetPositions, StoredPairsTurnIntoDegreesAndBackInEveryQuadrant)
{
    struct Case {
        double lat, lon;
    };
    for (const Case c : {Case{54.5, 5.5}, Case{-33.875, 151.25}, Case{-33.875, -70.1},
                         Case{40.0, -74.0}, Case{0.0, 0.0}, Case{0.0, 180.0}, Case{0.0, -180.0},
                         Case{12.0 + 59.9999 / 60.0, -(3.0 + 59.9999 / 60.0)}}) {
        SCOPED_TRACE(std::to_string(c.lat) + "," + std::to_string(c.lon));
        double storedLat = 0, storedLon = 0;
        targets::PositionToStoredPair({c.lat, c.lon}, storedLat, storedLon);
        // North and east are negative in the stores.
        EXPECT_EQ(storedLat > 0, c.lat < 0);
        EXPECT_EQ(storedLon > 0, c.lon < 0);
        EXPECT_LT(std::fmod(std::abs(storedLat), 100.0), 60.0);
        EXPECT_LT(std::fmod(std::abs(storedLon), 100.0), 60.0);
        const auto back = targets::StoredPairToPosition(storedLat, storedLon);
        EXPECT_NEAR(back.latitude, c.lat, 1e-9);
        EXPECT_NEAR(back.longitude, c.lon, 1e-9);
    }
}

}   // namespace

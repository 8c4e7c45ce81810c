// The timer pass over ARPA targets on a fake clock: lost once, AutoDelete,
// the dangerous-interval and auto-delete boundaries, report times over
// midnight UTC, the warning circle and the display order.

#include "targets/ARPATargetPass.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "FakeClock.h"
#include "nmea/NMEASentenceTable.h"

using namespace std::chrono_literals;
using targets::CARPATargetPass;
using targets::CARPATargetStore;

namespace {

struct PassTest : ::testing::Test {
    brine_test::FakeClock clock;
    CARPATargetStore store{clock};
    CARPATargetPass pass{store};
    nmea::CNMEAMessage message;

    PassTest()
    {
        message.SetClock(clock);
        message.SetTargetSentenceParser(&store);
        store.Vessels().SetOwner(navigator::kVesselArpa, [this](const auto& vessel) {
            pass.Join(std::static_pointer_cast<targets::CTrackedTarget>(vessel), clock.UtcNow());
        });
    }

    // A TTM report of `number` with `status`, no report time (so ageing runs
    // on the navigation time), then the navigator's pass: new targets join.
    void Report(int number, char status = 'T')
    {
        const std::string text =
            "TTM," + std::to_string(number) + ",0.5,10.0,T,5.0,90.0,T,,,N,," + status + ",,,A";
        message.SetSentence(nmea::sentence::TTM, text);
        message.Parse();
        ASSERT_TRUE(message.IsValid());
        store.Vessels().AdoptQueued();
    }
    targets::CARPAPassOutcome Run() { return pass.Run(clock.UtcNow()); }
};

TEST_F(PassTest, LostTargetFreesItsNumberOnceAndStaysWithoutAutoDelete)
{
    Report(3);
    Run();
    const auto first = store.Slot(3);
    ASSERT_TRUE(first->live);
    Report(3, 'L');
    auto outcome = Run();
    ASSERT_EQ(outcome.lost.size(), 1u);
    EXPECT_TRUE(outcome.removed.empty());
    EXPECT_FALSE(first->live);
    EXPECT_EQ(store.Slot(3), nullptr);
    EXPECT_EQ(pass.Targets().size(), 1u);   // still drawn, as lost
    EXPECT_TRUE(Run().lost.empty());   // lost once only

    Report(3);   // the number again: a new target beside the lost one
    EXPECT_NE(store.Slot(3), first);
    EXPECT_EQ(pass.Targets().size(), 2u);
}

TEST_F(PassTest, AutoDeleteDropsLostTargetsAtOnceAndSilentOnesAtTheLimit)
{
    auto options = pass.Options();
    options.autoDelete = true;
    options.autoDeleteTimeLimit = 10min;
    pass.SetOptions(options);
    Report(1);
    Report(2);
    Run();
    Report(1, 'L');
    auto outcome = Run();
    ASSERT_EQ(outcome.removed.size(), 1u);
    EXPECT_EQ(outcome.removed.front()->Number(), 1);
    ASSERT_EQ(pass.Targets().size(), 1u);

    clock.Advance(10min - 1s);
    EXPECT_TRUE(Run().removed.empty());
    clock.Advance(1s);   // exactly the limit
    outcome = Run();
    ASSERT_EQ(outcome.removed.size(), 1u);
    EXPECT_EQ(outcome.removed.front()->Number(), 2);
    EXPECT_TRUE(pass.Targets().empty());
    EXPECT_EQ(store.Slot(2), nullptr);
}

TEST_F(PassTest, DangerousIntervalBoundaryDiffersBetweenThePassAndTheAgeCheck)
{
    Report(5);
    Run();
    const auto five = store.Slot(5);
    EXPECT_TRUE(five->current);
    clock.Advance(60s);   // exactly the interval
    pass.CheckTargetAges(true, clock.UtcNow());
    EXPECT_TRUE(five->current);   // the age check needs it exceeded
    Run();
    EXPECT_FALSE(five->current);   // the pass takes it at the interval
    Report(5);
    Run();
    EXPECT_TRUE(five->current);
    pass.CheckTargetAges(false, clock.UtcNow());   // own position dead-reckoned
    EXPECT_FALSE(five->current);
    EXPECT_FALSE(pass.OwnFixReal());
    Report(5);
    Run();
    EXPECT_FALSE(five->current);   // reported on a dead-reckoned own position
}

TEST_F(PassTest, ReportTimesOverMidnightUtcAgeOnTheNearestDayWhateverTheLocalZone)
{
    // Midday in Auckland is midnight UTC: nothing may be dated by local time.
    struct Zone {
        const char* before = std::getenv("TZ");
        std::string saved = before ? before : "";
        Zone()
        {
            ::setenv("TZ", "Pacific/Auckland", 1);
            ::tzset();
        }
        ~Zone()
        {
            if (before)
                ::setenv("TZ", saved.c_str(), 1);
            else
                ::unsetenv("TZ");
            ::tzset();
        }
    } zone;
    using namespace std::chrono;
    clock.SetUtc(sys_days(2026y / December / 7) + 23h + 59min + 55s);
    auto options = pass.Options();
    options.targetDangerousInterval = 10s;
    options.autoDelete = true;
    options.autoDeleteTimeLimit = 30s;
    pass.SetOptions(options);
    const auto report = [&](const char* hhmmss) {
        message.SetSentence(nmea::sentence::TTM,
                            std::string("TTM,12,0.5,10.0,T,5.0,90.0,T,,,N,,T,,") + hhmmss + ",A");
        message.Parse();
        ASSERT_TRUE(message.IsValid());
        store.Vessels().AdoptQueued();
    };
    // A report that left the radar before midnight arrives after it: it is
    // yesterday's, so the target ages from it (dated a day ahead it never would).
    report("235955.00");
    Run();
    clock.Advance(8s);   // 00:00:03 the next day
    report("235958.00");
    Run();
    const auto twelve = store.Slot(12);
    EXPECT_TRUE(twelve->current);
    clock.Advance(6s);   // the report time has expired: 11 s since the report
    Run();
    EXPECT_FALSE(twelve->current);
    clock.Advance(19s);   // 30 s: AutoDelete's limit
    EXPECT_EQ(Run().removed.size(), 1u);
    EXPECT_TRUE(pass.Targets().empty());

    // A radar clock a little ahead reports tomorrow's first seconds today.
    clock.SetUtc(sys_days(2026y / December / 7) + 23h + 59min + 59s);
    report("000001.00");
    Run();
    clock.Advance(6s);
    Run();
    const auto again = store.Slot(12);
    ASSERT_NE(again, nullptr);   // not dropped as a day old
    EXPECT_TRUE(again->current);   // 4 s since the report, not a day
}

// A radar whose clock runs hours ahead of the navigation time (unset, or
// kept in another zone): while it reports the target stays current; once it
// falls silent the target goes stale after the interval and AutoDelete drops
// it at its limit, as with a radar on our own clock.
TEST_F(PassTest, SilentTargetsAgeWhenTheRadarClockRunsAhead)
{
    using namespace std::chrono;
    clock.SetUtc(sys_days(2026y / December / 8) + 22min);
    auto options = pass.Options();
    options.targetDangerousInterval = 10s;
    options.autoDelete = true;
    options.autoDeleteTimeLimit = 30s;
    pass.SetOptions(options);
    // The radar's stamp: six hours ahead, "hhmmss.00".
    const auto report = [&] {
        const auto ahead = clock.UtcNow() + 6h;
        const hh_mm_ss hms(floor<seconds>(ahead - floor<days>(ahead)));
        char text[16];
        std::snprintf(text, sizeof text, "%02d%02d%02d.00", int(hms.hours().count()),
                      int(hms.minutes().count()), int(hms.seconds().count()));
        message.SetSentence(nmea::sentence::TTM,
                            std::string("TTM,7,0.5,10.0,T,5.0,90.0,T,,,N,,T,,") + text + ",A");
        message.Parse();
        ASSERT_TRUE(message.IsValid());
        store.Vessels().AdoptQueued();
    };
    for (int i = 0; i < 15; ++i) {   // a report a second, longer than the interval
        report();
        Run();
        clock.Advance(1s);
    }
    const auto seven = store.Slot(7);
    ASSERT_NE(seven, nullptr);
    EXPECT_TRUE(seven->current);
    pass.CheckTargetAges(true, clock.UtcNow());
    EXPECT_TRUE(seven->current) << "a reporting target is current whatever its stamps say";

    // Silent from here: its stamp stays valid for 5 s, the navigation time
    // stands in after that.
    clock.Advance(3s);   // 4 s since the last report
    Run();
    EXPECT_TRUE(seven->current);
    clock.Advance(11s);   // 15 s
    Run();
    EXPECT_FALSE(seven->current) << "a silent target stays current for good";
    pass.CheckTargetAges(true, clock.UtcNow());
    EXPECT_FALSE(seven->current);
    clock.Advance(15s);   // 30 s since the last report
    EXPECT_EQ(Run().removed.size(), 1u);
    EXPECT_TRUE(pass.Targets().empty());
}

TEST_F(PassTest, WarningCircleCountsEachTargetInsideOnce)
{
    Report(1);
    Report(2);
    pass.Find(*store.Slot(1))->rangeNm = 0.05;
    pass.Find(*store.Slot(2))->rangeNm = 0.1;   // on the circle counts as inside
    Run();
    Run();
    EXPECT_EQ(pass.InsideCount(), 2);
    pass.Find(*store.Slot(1))->rangeNm = 0.2;
    Run();
    EXPECT_EQ(pass.InsideCount(), 1);
    pass.Remove(*store.Slot(2));
    EXPECT_EQ(pass.InsideCount(), 0);

    Report(2);
    pass.Find(*store.Slot(2))->rangeNm = 0.01;
    Run();
    EXPECT_EQ(pass.InsideCount(), 1);
    auto options = pass.Options();
    options.warningCircles = false;
    pass.SetOptions(options);
    pass.ApplyOptions();
    EXPECT_EQ(pass.InsideCount(), 0);
}

TEST_F(PassTest, RemovingATargetMovesLaterOnesUpTheDisplayOrder)
{
    for (int n = 1; n <= 7; ++n)
        Report(n);
    auto shown = [&] {
        std::string numbers;
        for (const auto& t : pass.Targets())
            if (pass.IsShown(t))
                numbers += std::to_string(t.record->Number());
        return numbers;
    };
    EXPECT_EQ(shown(), "12345");
    EXPECT_EQ(store.Vessels().Vessels().size(), 7u);
    pass.Remove(*store.Slot(2));
    EXPECT_EQ(shown(), "13456");
    EXPECT_EQ(store.Slot(2), nullptr);
    EXPECT_EQ(store.Vessels().Vessels().size(), 6u);
    pass.Reset();
    EXPECT_TRUE(pass.Targets().empty());
    EXPECT_EQ(store.SlotCount(), 0);
    EXPECT_TRUE(store.Vessels().Vessels().empty());
}

TEST_F(PassTest, TrackFixesComeOncePerMarkerSpan)
{
    auto options = pass.Options();
    options.positionMarkerEvery = 30s;
    pass.SetOptions(options);
    int fixes = 0;
    for (int second = 0; second <= 90; ++second) {
        Report(9);
        fixes += static_cast<int>(Run().fixes.size());
        clock.Advance(1s);
    }
    EXPECT_EQ(fixes, 4);   // at 0, 30, 60 and 90 s
}

}   // namespace

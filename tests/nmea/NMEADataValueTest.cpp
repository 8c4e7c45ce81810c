// The time-stamped value: validity on the monotonic clock, whole reads while
// another thread writes.

#include "nmea/NMEADataValue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "FakeClock.h"

using namespace std::chrono_literals;
using nmea::CNMEADataValue;

namespace {

struct ValueTest : ::testing::Test {
    brine_test::FakeClock clock;
    CNMEADataValue value;
    ValueTest() { value.SetClock(clock); }
};

TEST_F(ValueTest, ValidUntilTheAgeReachesTheSpan)
{
    EXPECT_FALSE(value.IsValid());   // never written
    value.SetDouble(12.5);
    clock.Advance(4999ms);
    EXPECT_TRUE(value.IsValid());
    clock.Advance(1ms);   // age == span: stale, but still readable
    EXPECT_FALSE(value.IsValid());
    EXPECT_EQ(value.GetDouble(), 12.5);
    value.SetDouble(13.0);
    EXPECT_TRUE(value.IsValid());
    value.Reset();
    EXPECT_FALSE(value.IsValid());
    value.SetValiditySpan(0s);   // a zero span is never valid
    value.SetInt(3);
    EXPECT_FALSE(value.IsValid());
}

TEST_F(ValueTest, WallClockStepsDoNotChangeValidity)
{
    value.SetDouble(1.0);
    clock.JumpUtc(-24h);   // clock set back a day: fresh data stays fresh, not "valid for a day"
    clock.Advance(6s);
    EXPECT_FALSE(value.IsValid());
    value.SetDouble(2.0);
    clock.JumpUtc(48h);   // clock set forward: fresh data does not turn stale
    EXPECT_TRUE(value.IsValid());
    EXPECT_EQ(value.GetUtcStamp(),
              clock.UtcNow() - 48h);   // the wall stamp of the write, for display
}

// A reader on another thread sees each text whole, never half of one write.
TEST(ValueConcurrency, ReaderSeesWholeWrites)
{
    CNMEADataValue value;
    const std::string a(200, 'a'), b(300, 'b');
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop.load(); ++i)
            value.SetString(i % 2 ? a : b);
    });
    int torn = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::string s = value.GetString();
        torn += !(s.empty() || s == a || s == b);
    }
    stop = true;
    writer.join();
    EXPECT_EQ(torn, 0);
}

}   // namespace

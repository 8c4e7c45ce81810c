// The time-stamped value: validity on the monotonic clock, whole reads while
// another thread writes, and the lock that guards it.

#include "nmea/NMEADataValue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FakeClock.h"

using namespace std::chrono_literals;
using nmea::CNMEADataValue;
using nmea::CValueLock;

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

// The four payload fields are independent: a write changes its own field and
// the stamp; a reset empties all four.
TEST_F(ValueTest, PayloadFieldsAreSeparateAndResetEmptiesThemAll)
{
    const auto expectEmpty = [&] {
        EXPECT_FALSE(value.IsValid());
        EXPECT_EQ(value.GetDouble(), 0.0);
        EXPECT_EQ(value.GetString(), "");
        EXPECT_EQ(value.GetInt(), 0);
        EXPECT_EQ(value.GetByte(), 0);
        EXPECT_FALSE(value.GetUtcStamp().has_value());
    };
    expectEmpty();
    value.SetDouble(48.5);
    value.SetString("W84");
    value.SetInt('T');
    value.SetByte(1);
    EXPECT_EQ(value.GetDouble(), 48.5);
    EXPECT_EQ(value.GetString(), "W84");
    EXPECT_EQ(value.GetInt(), 'T');
    EXPECT_EQ(value.GetByte(), 1);
    value.Reset();
    expectEmpty();
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

// The stamp hint read without the lock follows writes and resets, also while
// another thread writes and empties the value (under ThreadSanitizer a hint
// that is no atomic is reported here).
TEST(ValueConcurrency, StampHintFollowsWritesAndResets)
{
    // On the heap: the sanitizer leaves reads of a local it thinks unshared unchecked.
    const auto shared = std::make_unique<CNMEADataValue>();
    CNMEADataValue& value = *shared;
    EXPECT_FALSE(value.HasStamp());
    value.SetInt(1);
    EXPECT_TRUE(value.HasStamp());
    value.Reset();
    EXPECT_FALSE(value.HasStamp());

    std::atomic<bool> stop{false};
    std::atomic<int> writes{0};
    std::thread writer([&] {
        for (int i = 0; !stop.load(); ++i) {
            if (i % 2 == 0)
                value.SetDouble(i);
            else
                value.Reset();
            writes.store(i + 1);
        }
    });
    // Each read between the writer's writes, while it goes on writing.
    int stamped = 0;
    for (int target = 1; target < 2000; ++target) {
        while (writes.load() < target)
            std::this_thread::yield();
        stamped += value.HasStamp() ? 1 : 0;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(value.HasStamp(), value.GetUtcStamp().has_value());
    RecordProperty("stamped", stamped);
}

// Threads that contend for the lock all the time each get it to themselves:
// no increment of a plain counter is lost, with and without try_lock mixed in.
TEST(ValueLock, ExcludesEveryOtherThread)
{
    CValueLock lock;
    long counter = 0;
    constexpr int kThreads = 4;
    constexpr int kRounds = 50000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                if (t % 2 == 1 && lock.try_lock()) {
                    ++counter;
                    lock.unlock();
                    continue;
                }
                std::lock_guard guard(lock);
                ++counter;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(counter, long{kThreads} * kRounds);
}

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A thread that finds the lock held sleeps until it is let go: it gets the
// lock only after the holder's unlock and burns next to no processor time
// while it waits (a spinning wait would burn the whole hold).
TEST(ValueLock, AWaitingThreadSleepsUntilTheHolderLetsGo)
{
    CValueLock lock;
    std::atomic<bool> released{false};
    lock.lock();
    std::atomic<bool> waiting{false};
    bool sawRelease = false;
    double waitCpu = 0;
    std::thread waiter([&] {
        const double before = ThreadCpuSeconds();
        waiting = true;
        lock.lock();
        sawRelease = released.load();
        waitCpu = ThreadCpuSeconds() - before;
        lock.unlock();
    });
    while (!waiting.load())
        std::this_thread::yield();
    std::this_thread::sleep_for(300ms);
    released = true;
    lock.unlock();
    waiter.join();
    EXPECT_TRUE(sawRelease);
    EXPECT_LT(waitCpu, 0.1);
    EXPECT_TRUE(lock.try_lock());   // and free again afterwards
    lock.unlock();
}

}   // namespace

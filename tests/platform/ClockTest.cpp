// The machine clock's cheap readings used to stamp received data.

#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace {

// The pair read at once keeps up with both clocks: read again after a pause
// it has moved on by the pause, and its wall-clock half is never more than a
// few ticks from the precise wall clock (so a reading kept from an earlier
// tick would show), on this thread and on another.
TEST(SystemClock, CoarsePairFollowsBothClocks)
{
    const platform::CSystemClock clock;
    const auto check = [&] {
        const auto first = clock.CoarseNow();
        EXPECT_LT(std::chrono::abs(first.utc - clock.UtcNow()), 50ms);
        EXPECT_LT(std::chrono::abs(first.monotonic - clock.Monotonic()), 50ms);
        std::this_thread::sleep_for(100ms);
        const auto second = clock.CoarseNow();
        EXPECT_GE(second.monotonic - first.monotonic, 80ms);
        EXPECT_GE(second.utc - first.utc, 80ms);
        EXPECT_LT(std::chrono::abs(second.utc - clock.UtcNow()), 50ms);
    };
    check();
    std::thread other(check);
    other.join();
}

}   // namespace

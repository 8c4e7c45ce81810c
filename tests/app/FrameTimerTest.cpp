#include "app/FrameTimer.h"
#include "app/StationRecords.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "../support/FakeClock.h"

using namespace std::chrono_literals;

namespace {

struct FrameTimerTest : ::testing::Test {
    brine_test::FakeClock clock;
    app::CFrameTimer timer{clock};
    int passes = 0, tens = 0, ones = 0;
    app::CFrameTimer::Jobs jobs{[this] { ++passes; }, [this] { ++tens; }, [this] { ++ones; }};
};

TEST_F(FrameTimerTest, CadenceHoldsAcrossWallClockJumpsAndLatePassesDoNotCatchUp)
{
    EXPECT_FALSE(timer.OnTimer(jobs));   // suspended until start-up completes
    EXPECT_TRUE(timer.SuspendTimer(false));
    for (int i = 0; i < 120; ++i) {
        // The wall clock is stepped back an hour and forward a day mid-run.
        clock.JumpUtc(i == 7 ? -1h : i == 50 ? 24h : 0h);
        EXPECT_TRUE(timer.OnTimer(jobs));
        clock.Advance(500ms);
    }
    EXPECT_EQ(std::tuple(passes, ones, tens), std::tuple(120, 60, 6));
    clock.Advance(37s);   // the program was stopped in a debugger or a modal loop
    timer.OnTimer(jobs);
    EXPECT_EQ(std::tuple(passes, ones, tens), std::tuple(121, 61, 7));
}

// Passes that come a little early or late, as a coarse 500 ms timer gives
// them (up to 5% either way around the ideal times), still run the 1 s job
// once a second and the 10 s job every ten.
TEST_F(FrameTimerTest, SlightlyEarlyOrLatePassesKeepTheCadence)
{
    const std::chrono::milliseconds jitters[][4] = {
        {-25ms, -25ms, -25ms, -25ms}, {-25ms, 25ms, -10ms, 0ms}, {25ms, 25ms, 25ms, 25ms}, {}};
    for (const auto& jitter : jitters) {
        app::CFrameTimer t{clock};
        t.SuspendTimer(false);
        passes = ones = tens = 0;
        auto now = -100ms;
        for (int k = 0; k < 60; ++k) {   // ideal times 0 to 29.5 s
            const auto at = k * 500ms + jitter[k % 4];
            clock.Advance(at - now);
            now = at;
            t.OnTimer(jobs);
        }
        SCOPED_TRACE(jitter[0].count());
        EXPECT_GE(ones, 29);
        EXPECT_LE(ones, 31);
        EXPECT_EQ(tens, 3);
    }
}

TEST_F(FrameTimerTest, ReentryAndFailures)
{
    timer.SuspendTimer(false);
    int inner = 0;
    app::CFrameTimer::Jobs reentering{nullptr, nullptr, [&] {
                                          // A job that pumps messages receives the next timer
                                          // message: skipped.
                                          EXPECT_FALSE(timer.OnTimer(jobs));
                                          ++inner;
                                      }};
    EXPECT_TRUE(timer.OnTimer(reentering));
    EXPECT_EQ(std::pair(inner, passes), std::pair(1, 0));
    // A throwing job ends the pass, clears the guard and is tried again next time.
    int attempts = 0;
    app::CFrameTimer::Jobs failing{nullptr, nullptr, [&] {
                                       if (++attempts == 1)
                                           throw std::runtime_error("navigator");
                                   }};
    clock.Advance(1s);
    EXPECT_TRUE(timer.OnTimer(failing));
    EXPECT_FALSE(timer.IsBusy());
    clock.Advance(500ms);
    timer.OnTimer(failing);
    EXPECT_EQ(attempts, 2);
}

TEST(StationRecords, FailingHandlerLosesOnlyItsRecord)
{
    struct Record {
        std::uint8_t type;
        int* live;
        Record(std::uint8_t t, int* l) : type(t), live(l) { ++*live; }
        ~Record() { --*live; }
    };
    int live = 0;
    std::vector<std::unique_ptr<Record>> batch;
    for (std::uint8_t t : {2, 3, 4, 5, 11, 12, 13, 6, 0, 10, 1})
        batch.push_back(std::make_unique<Record>(t, &live));
    using O = app::StationRecordOwner;
    std::vector<std::pair<O, int>> seen;
    const int handled = app::DispatchStationRecords(
        std::move(batch), [](const auto& r) { return r->type; },
        [&](O owner, const auto& r) {
            seen.emplace_back(owner, r->type);
            if (r->type == 4)
                throw std::runtime_error("route handler");
        });
    EXPECT_EQ(live, 0);   // every record freed, the failed one too
    EXPECT_EQ(handled, 6);
    EXPECT_EQ(seen, (std::vector<std::pair<O, int>>{{O::Chartpoint, 2},
                                                    {O::Route, 3},
                                                    {O::Route, 4},
                                                    {O::Navigator, 5},
                                                    {O::Navigator, 12},
                                                    {O::Navigator, 6},
                                                    {O::Navigator, 10}}));
}

}   // namespace

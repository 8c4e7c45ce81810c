// The drawn tracks share their threads: five hundred tracks (a radar's
// targets over a long watch) read their windows with the process's thread
// count unchanged but for the shared reader; a track gone takes its waiting
// job with it and outlives none of its running one; a track that asks many
// times while it waits is read once.
#include "navigator/TrackWorker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <memory>

#include "PlainChartDoc.h"
#include "TempFolder.h"
#include "navigator/LogTrack.h"

using namespace navigator;
using namespace std::chrono;

namespace {

std::size_t ThreadsNow()
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

TEST(TrackWorker, FiveHundredTracksReadOnTheSharedThreads)
{
    brine_test::TempFolder dir;
    const sys_seconds noon = sys_days{year{2024} / 6 / 1} + hours(12);
    const std::size_t before = ThreadsNow();
    navtest::PlainDoc doc;
    const auto grid = CLogTrack::GridOf(doc);
    ASSERT_TRUE(grid);
    std::atomic<int> ready{0};
    std::vector<std::unique_ptr<CLogTrack>> tracks;
    for (int n = 0; n < 500; ++n) {
        const auto path = dir / ("target" + std::to_string(n) + ".trc");
        CTrackFile file;
        ASSERT_TRUE(file.Open(path));
        for (int i = 0; i < 3; ++i) {
            CTrackFix fix;
            fix.latitude = 47.59 + n * 1e-5;
            fix.longitude = -122.44 + i * 1e-3;
            fix.utc = noon + seconds(i);
            ASSERT_TRUE(file.Append(fix).Written());
        }
        auto track = std::make_unique<CLogTrack>();
        track->SetReadyCallback([&ready] { ++ready; });
        track->SetFile(path);
        track->Rebuild(*grid);
        tracks.push_back(std::move(track));
    }
    // A track's own picture thread starts only for a long track; these read
    // on the one shared reader.
    EXPECT_LE(ThreadsNow(), before + 1);
    for (auto& track : tracks) {
        ASSERT_TRUE(track->WaitForRebuild(seconds(30)));
        ASSERT_TRUE(track->TakeResult());
        EXPECT_EQ(track->Positions().size(), 3u);
    }
    EXPECT_EQ(ready.load(), 500);
    EXPECT_LE(ThreadsNow(), before + 1);
    tracks.clear();
    EXPECT_LE(ThreadsNow(), before + 1);
}

TEST(TrackWorker, AnOwnerGoneTakesItsWaitingJobAndOutlivesItsRunningOne)
{
    CTrackWorker worker;
    EXPECT_FALSE(worker.Started());
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> begun;
    std::atomic<bool> firstDone{false};
    std::atomic<int> secondRuns{0}, thirdRuns{0};
    int first = 0, second = 0, third = 0;
    worker.Post(&first, [&] {
        begun.set_value();
        released.wait();
        std::this_thread::sleep_for(milliseconds(50));
        firstDone = true;
    });
    EXPECT_TRUE(worker.Started());
    begun.get_future().wait();
    // Asked three times while it waits: read once.
    for (int i = 0; i < 3; ++i)
        worker.Post(&second, [&] { ++secondRuns; });
    worker.Post(&third, [&] { ++thirdRuns; });
    worker.Forget(&third);   // waiting: dropped, and nothing to wait for
    auto forgetting = std::async(std::launch::async, [&] { worker.Forget(&first); });
    EXPECT_EQ(forgetting.wait_for(milliseconds(100)), std::future_status::timeout)
        << "forgetting a running job waits for it";
    release.set_value();
    forgetting.get();
    EXPECT_TRUE(firstDone.load());
    // The queue keeps its order: once a job posted last has run, the one
    // asked three times has run once and the forgotten one never.
    std::promise<void> last;
    int fourth = 0;
    worker.Post(&fourth, [&] { last.set_value(); });
    ASSERT_EQ(last.get_future().wait_for(seconds(10)), std::future_status::ready);
    EXPECT_EQ(secondRuns.load(), 1);
    EXPECT_EQ(thirdRuns.load(), 0);
}

// Drawn tracks destroyed while their reads wait in the shared reader's queue
// (a log closed, targets dropped, while the reader is busy): each takes its
// read with it, and none is read afterwards. A read left behind would run
// on the freed track, which the sanitizer build reports.
TEST(TrackWorker, TracksGoneWhileTheirReadsWaitAreNeverRead)
{
    brine_test::TempFolder dir;
    navtest::PlainDoc doc;
    const auto grid = CLogTrack::GridOf(doc);
    ASSERT_TRUE(grid);
    const auto path = dir / "own.trc";
    {
        CTrackFile file;
        ASSERT_TRUE(file.Open(path));
        CTrackFix fix;
        fix.latitude = 47.59;
        fix.longitude = -122.44;
        fix.utc = sys_days{year{2024} / 6 / 1} + hours(12);
        ASSERT_TRUE(file.Append(fix).Written());
    }
    CTrackWorker& reader = CTrackWorker::Reader();
    for (int round = 0; round < 20; ++round) {
        // The reader busy with another owner's job until the tracks are gone.
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        std::promise<void> begun;
        int busy = 0;
        reader.Post(&busy, [&] {
            begun.set_value();
            released.wait();
        });
        begun.get_future().wait();
        auto ready = std::make_shared<std::atomic<int>>(0);
        {
            std::vector<std::unique_ptr<CLogTrack>> tracks;
            for (int n = 0; n < 16; ++n) {
                auto track = std::make_unique<CLogTrack>();
                track->SetReadyCallback([ready] { ++*ready; });
                track->SetFile(path);
                track->Rebuild(*grid);
                tracks.push_back(std::move(track));
            }
        }
        release.set_value();
        std::promise<void> last;
        int sentinel = 0;
        reader.Post(&sentinel, [&] { last.set_value(); });
        ASSERT_EQ(last.get_future().wait_for(seconds(10)), std::future_status::ready);
        EXPECT_EQ(ready->load(), 0) << "a destroyed track was read, round " << round;
    }
}

}   // namespace

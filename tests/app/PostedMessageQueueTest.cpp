#include "app/PostedMessageQueue.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using app::CPostedMessage;
using app::CPostedMessageQueue;

// Stands in for the user-interface thread: it sleeps until the waker has asked for a drain, then
// drains, like a queued call in an event loop. Runs until `expected` messages arrived; returns them
// in delivery order.
std::vector<CPostedMessage> RunUiThread(CPostedMessageQueue& q, std::size_t expected)
{
    std::mutex mutex;
    std::condition_variable cv;
    std::size_t wakes = 0, seen = 0;
    q.SetWaker([&] {
        std::lock_guard lock(mutex);
        ++wakes;
        cv.notify_one();
    });
    std::vector<CPostedMessage> got;
    while (got.size() < expected) {
        {
            std::unique_lock lock(mutex);
            if (!cv.wait_for(lock, std::chrono::seconds(10), [&] { return wakes > seen; }))
                break;   // a lost wake-up: the test fails on the count
            seen = wakes;
        }
        q.Drain([&](const CPostedMessage& m) { got.push_back(m); });
    }
    q.SetWaker(nullptr);
    return got;
}

TEST(PostedMessageQueue, PostsFromManyThreadsArriveOnceAndInEachThreadsOrder)
{
    constexpr unsigned kThreads = 6;
    constexpr std::uint64_t kEach = 5000;
    CPostedMessageQueue q;
    std::vector<std::jthread> workers;
    for (unsigned t = 0; t < kThreads; ++t)
        workers.emplace_back([&q, t] {
            for (std::uint64_t i = 0; i < kEach; ++i)
                ASSERT_TRUE(q.Post(0x501 + t, i, -std::int64_t(i)));
        });
    const std::vector<CPostedMessage> got = RunUiThread(q, kThreads * kEach);
    workers.clear();
    ASSERT_EQ(got.size(), kThreads * kEach);
    std::map<unsigned, std::uint64_t> next;
    for (const CPostedMessage& m : got) {
        ASSERT_EQ(m.wParam, next[m.id]++) << std::hex << m.id;
        ASSERT_EQ(m.lParam, -std::int64_t(m.wParam));
    }
    EXPECT_EQ(q.Pending(), 0u);
}

TEST(PostedMessageQueue, OneWakeUpPerBatchNoneWhenClosed)
{
    CPostedMessageQueue q;
    q.Post(0x504, 1, 9);   // before anyone listens: woken as soon as someone does
    int wakes = 0;
    q.SetWaker([&] { ++wakes; });
    EXPECT_EQ(wakes, 1);
    for (unsigned i = 0; i < 3; ++i)
        q.Post(0x502);
    EXPECT_EQ(wakes, 1);
    // What a handler posts waits for the next drain, which it asks for.
    std::vector<unsigned> seen;
    const auto echo = [&](const CPostedMessage& m) {
        seen.push_back(m.id);
        if (m.id == 0x504)
            q.Post(0x505);
    };
    EXPECT_EQ(q.Drain(echo), 4u);
    EXPECT_EQ(wakes, 2);
    EXPECT_EQ(q.Drain(echo), 1u);
    EXPECT_EQ(seen, (std::vector<unsigned>{0x504, 0x502, 0x502, 0x502, 0x505}));
    q.Close();
    EXPECT_FALSE(q.Post(0x503, 7));
    EXPECT_EQ(q.Pending(), 0u);
    EXPECT_EQ(wakes, 2);
}

TEST(PostedMessageQueue, AThrowingHandlerLosesOnlyItsOwnMessage)
{
    CPostedMessageQueue q;
    int wakes = 0;
    q.SetWaker([&] { ++wakes; });
    for (unsigned id : {1u, 2u, 3u})
        q.Post(id);
    std::vector<unsigned> seen;
    const auto handler = [&](const CPostedMessage& m) {
        if (m.id == 2)
            throw std::runtime_error("handler failed");
        seen.push_back(m.id);
    };
    EXPECT_THROW(q.Drain(handler), std::runtime_error);
    EXPECT_EQ(wakes, 2);   // the rest asked for another drain
    EXPECT_EQ(q.Drain(handler), 1u);
    EXPECT_EQ(seen, (std::vector<unsigned>{1, 3}));
}

}   // namespace

#include "app/WaitStatus.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

struct CountingHost : app::CWaitHost {
    std::atomic<int> cursorChanges = 0;
    std::string text = "Ready";
    void SetWaitCursor(bool) override { ++cursorChanges; }
    std::optional<std::string> StatusText() const override { return text; }
    void SetStatusText(const std::string& t) override { text = t; }
};

// Scopes nest on the thread that installed the hosts; wait scopes opened on
// worker threads at the same time neither count nor touch the windows (run
// under ThreadSanitizer in CI).
TEST(WaitStatus, NestsOnItsThreadAndWorkersNeverMeetIt)
{
    CountingHost host;
    app::CWaitStatus::SetCursorHost(&host);
    app::CWaitStatus::SetStatusHost(&host);
    {
        app::CWaitStatus outer;
        std::vector<std::jthread> workers;
        for (int w = 0; w < 4; ++w) {
            workers.emplace_back([] {
                for (int i = 0; i < 1000; ++i) {
                    app::CWaitStatus wait;
                    EXPECT_EQ(app::CWaitStatus::Depth(), 1);
                }
            });
        }
        {
            app::CWaitStatus inner;
            EXPECT_EQ(app::CWaitStatus::Depth(), 2);
            EXPECT_EQ(host.text, app::kPleaseWaitText);
        }
        workers.clear();
        EXPECT_EQ(app::CWaitStatus::Depth(), 1);
    }
    EXPECT_EQ(app::CWaitStatus::Depth(), 0);
    EXPECT_EQ(host.text, "Ready");
    EXPECT_EQ(host.cursorChanges, 2);   // on and off, once
    app::CWaitStatus::SetCursorHost(nullptr);
    app::CWaitStatus::SetStatusHost(nullptr);
}

}   // namespace

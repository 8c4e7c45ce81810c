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

// Before the main window exists there is no status bar: a wait scope (the
// start-up's own) turns the cursor into the hourglass and back, and once the
// window is there the next scope also shows and restores its text.
TEST(WaitStatus, BeforeTheMainWindowOnlyTheCursorChanges)
{
    CountingHost cursor;
    app::CWaitStatus::SetCursorHost(&cursor);
    CountingHost window;
    window.text = "Ready";
    {
        app::CWaitStatus wait;
        EXPECT_EQ(cursor.cursorChanges, 1);
        app::CWaitStatus::SetStatusHost(&window);   // the window appears meanwhile
    }
    EXPECT_EQ(cursor.cursorChanges, 2);
    EXPECT_EQ(window.text, "Ready");   // nothing saved, nothing written back
    {
        app::CWaitStatus wait;
        {
            app::CWaitStatus inner;
        }
        EXPECT_EQ(window.text, app::kPleaseWaitText);   // the inner end restores nothing
    }
    EXPECT_EQ(window.text, "Ready");
    EXPECT_EQ(window.cursorChanges, 0);
    app::CWaitStatus::SetCursorHost(nullptr);
    app::CWaitStatus::SetStatusHost(nullptr);
}

}   // namespace

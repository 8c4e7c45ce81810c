#include "app/CloseSequence.h"
#include "app/FrameTimer.h"
#include "app/MediaFileType.h"
#include "app/WaitStatus.h"

#include <gtest/gtest.h>

#include "../support/FakeClock.h"
#include "../support/ScriptedPrompt.h"

namespace {

using platform::PromptAnswer;

// The frame's side of the close: what was asked and what was torn down.
struct Frame {
    std::vector<std::string> log;
    bool stationMessaging = true;
    bool positionConfirmed = false;

    app::CCloseSteps Steps(platform::CPrompt& prompt, bool confirm)
    {
        app::CCloseSteps s;
        s.confirmClosedown = confirm;
        for (const char* db : {"Route database", "Chartpoint database", "Log file"}) {
            s.saveQueries.push_back([this, &prompt, db] {
                log.push_back(std::string("ask ") + db);
                return prompt.Ask(std::string("Save ") + db + "?", "Brinevane", platform::PromptIcon::Question,
                                  platform::PromptButtons::YesNoCancel);
            });
        }
        s.closeAuxiliaryWindows = [this] {
            log.push_back("aux");
            stationMessaging = false;
            positionConfirmed = true;
        };
        s.shutDown = [this] { log.push_back("shutdown"); };
        return s;
    }
};

// Answers from a script; like a message box, it pumps the frame's timer
// messages while it waits, and counts the passes that did any work.
struct TickingPrompt : platform::CPrompt {
    brine_test::ScriptedPrompt script;
    app::CFrameTimer& timer;
    int ticks = 0;
    explicit TickingPrompt(app::CFrameTimer& t) : timer(t) {}
    PromptAnswer Ask(std::string_view text, std::string_view caption, platform::PromptIcon icon,
                     platform::PromptButtons buttons) override
    {
        timer.OnTimer({[this] { ++ticks; }, nullptr, nullptr});
        return script.Ask(text, caption, icon, buttons);
    }
};

TEST(CloseSequence, CancelAtEachQuestionLeavesEverythingRunning)
{
    struct Row { const char* name; bool confirm; std::vector<PromptAnswer> answers; std::size_t asked; } rows[] = {
        {"No to exit", true, {PromptAnswer::No}, 1},
        {"Cancel route", true, {PromptAnswer::Yes, PromptAnswer::Cancel}, 2},
        {"Cancel chartpoints", true, {PromptAnswer::Yes, PromptAnswer::No, PromptAnswer::Cancel}, 3},
        {"Cancel log", true, {PromptAnswer::Yes, PromptAnswer::Yes, PromptAnswer::No, PromptAnswer::Cancel}, 4},
        {"no confirmation, cancel log", false, {PromptAnswer::No, PromptAnswer::No, PromptAnswer::Cancel}, 3},
    };
    for (const auto& r : rows) {
        brine_test::FakeClock clock;
        app::CFrameTimer timer{clock};
        timer.SuspendTimer(false);
        TickingPrompt prompt{timer};
        for (auto a : r.answers)
            prompt.script.Expect(a);
        Frame frame;
        EXPECT_FALSE(app::RunCloseSequence(frame.Steps(prompt, r.confirm), prompt, timer)) << r.name;
        EXPECT_TRUE(prompt.script.Done()) << r.name;
        EXPECT_EQ(prompt.script.AskedPrompts().size(), r.asked) << r.name;
        EXPECT_EQ(prompt.ticks, 0) << r.name;   // no timer pass while a question waits
        EXPECT_TRUE(frame.stationMessaging) << r.name;
        EXPECT_FALSE(frame.positionConfirmed) << r.name;
        EXPECT_FALSE(timer.IsSuspended()) << r.name;
        for (const auto& step : frame.log)
            EXPECT_EQ(step.rfind("ask ", 0), 0u) << r.name << ": " << step;
    }
}

TEST(CloseSequence, AllQuestionsComeBeforeAnyTearDown)
{
    brine_test::FakeClock clock;
    app::CFrameTimer timer{clock};
    timer.SuspendTimer(false);
    TickingPrompt prompt{timer};
    prompt.script.Expect(PromptAnswer::Yes, app::kConfirmExitText)
        .Expect(PromptAnswer::No, "Route")
        .Expect(PromptAnswer::Yes, "Chartpoint")
        .Expect(PromptAnswer::No, "Log");
    Frame frame;
    EXPECT_TRUE(app::RunCloseSequence(frame.Steps(prompt, true), prompt, timer));
    const std::vector<std::string> expected{"ask Route database", "ask Chartpoint database", "ask Log file", "aux",
                                            "shutdown"};
    EXPECT_EQ(frame.log, expected);
    EXPECT_EQ(prompt.ticks, 0);
    EXPECT_TRUE(timer.IsSuspended());   // no timer pass runs into a frame being destroyed
}

struct RecordingHost : app::CWaitHost {
    std::vector<std::string> log;
    std::optional<std::string> pane;
    void SetWaitCursor(bool on) override { log.push_back(on ? "wait" : "arrow"); }
    std::optional<std::string> StatusText() const override { return pane; }
    void SetStatusText(const std::string& t) override { pane = t; log.push_back("text " + t); }
};

TEST(WaitStatus, NestedScopesChangeThingsOnce)
{
    RecordingHost cursor, status;
    status.pane = "Ready";
    app::CWaitStatus::SetCursorHost(&cursor);
    app::CWaitStatus::SetStatusHost(&status);
    {
        app::CWaitStatus outer;
        EXPECT_EQ(status.pane, app::kPleaseWaitText);
        {
            app::CWaitStatus inner;
            EXPECT_EQ(app::CWaitStatus::Depth(), 2);
        }
        EXPECT_EQ(status.pane, app::kPleaseWaitText);
    }
    EXPECT_EQ(status.pane, "Ready");
    EXPECT_EQ(cursor.log, (std::vector<std::string>{"wait", "arrow"}));
    EXPECT_EQ(status.log, (std::vector<std::string>{"text Please Wait . . .", "text Ready"}));

    // Before the main window exists only the cursor changes.
    RecordingHost noWindow;
    app::CWaitStatus::SetStatusHost(&noWindow);
    cursor.log.clear();
    { app::CWaitStatus w; }
    EXPECT_TRUE(noWindow.log.empty());
    EXPECT_EQ(cursor.log.size(), 2u);
    app::CWaitStatus::SetCursorHost(nullptr);
    app::CWaitStatus::SetStatusHost(nullptr);
    EXPECT_EQ(app::CWaitStatus::Depth(), 0);
}

TEST(MediaFileType, ByExtension)
{
    using T = app::MediaFileType;
    struct Row { const char* name; T type; } rows[] = {
        {"Picture.JPG", T::Image}, {"  scan.tif  ", T::Image}, {"chart.pcx", T::Image}, {"clip.AVI", T::Video},
        {"alarm.wav", T::Wave}, {"tune.mid", T::Midi}, {"notes.txt", T::Other}, {"README", T::Other},
        {"C:\\media.d\\clip", T::Other}, {"photo.jpeg", T::Other}, {"", T::Other},
    };
    for (const auto& r : rows)
        EXPECT_EQ(app::GetMediaFileType(r.name), r.type) << r.name;
}

}  // namespace

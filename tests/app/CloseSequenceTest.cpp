#include "app/CloseSequence.h"
#include "app/FrameTimer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "../support/FakeClock.h"
#include "../support/ScriptedPrompt.h"

namespace {

using platform::PromptAnswer;

// Answers from a script; like a message box, it pumps the frame's timer messages while it waits,
// and counts the passes that did any work.
struct TickingPrompt : platform::CPrompt {
    brine_test::FakeClock clock;
    app::CFrameTimer timer{clock};
    brine_test::ScriptedPrompt script;
    int ticks = 0;
    PromptAnswer Ask(std::string_view text, std::string_view caption, platform::PromptIcon icon,
                     platform::PromptButtons buttons) override
    {
        timer.OnTimer({[this] { ++ticks; }, nullptr, nullptr});
        return script.Ask(text, caption, icon, buttons);
    }
};

// The frame's side of the close: what was asked and what was torn down.
struct Frame {
    std::vector<std::string> log;
    bool stationMessaging = true, positionConfirmed = false;
    bool Close(TickingPrompt& prompt, bool confirm, const std::vector<PromptAnswer>& answers)
    {
        for (PromptAnswer a : answers)
            prompt.script.Expect(a);
        prompt.timer.SuspendTimer(false);
        app::CCloseSteps s;
        s.confirmClosedown = confirm;
        for (const char* db : {"Route database", "Chartpoint database", "Log file"})
            s.saveQueries.push_back([this, &prompt, db] {
                log.push_back(std::string("ask ") + db);
                return prompt.Ask(std::string("Save ") + db + "?", "Brinevane",
                                  platform::PromptIcon::Question,
                                  platform::PromptButtons::YesNoCancel);
            });
        s.closeAuxiliaryWindows = [this] {
            log.push_back("aux");
            stationMessaging = false;
            positionConfirmed = true;
        };
        s.shutDown = [this] { log.push_back("shutdown"); };
        return app::RunCloseSequence(s, prompt, prompt.timer);
    }
};

TEST(CloseSequence, CancelAtEachQuestionLeavesEverythingRunning)
{
    using A = PromptAnswer;
    const struct {
        bool confirm;
        std::vector<A> answers;
    } rows[] = {
        {true, {A::No}},
        {true, {A::Yes, A::Cancel}},
        {true, {A::Yes, A::No, A::Cancel}},
        {true, {A::Yes, A::Yes, A::No, A::Cancel}},
        {false, {A::No, A::No, A::Cancel}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.answers.size() + 10 * r.confirm);
        TickingPrompt prompt;
        Frame frame;
        EXPECT_FALSE(frame.Close(prompt, r.confirm, r.answers));
        EXPECT_TRUE(prompt.script.Done());
        EXPECT_EQ(prompt.script.AskedPrompts().size(), r.answers.size());
        EXPECT_EQ(prompt.ticks, 0);   // no timer pass while a question waits
        EXPECT_TRUE(frame.stationMessaging && !frame.positionConfirmed &&
                    !prompt.timer.IsSuspended());
        EXPECT_TRUE(std::all_of(frame.log.begin(), frame.log.end(),
                                [](auto& step) { return step.starts_with("ask "); }));
    }
}

TEST(CloseSequence, AllQuestionsComeBeforeAnyTearDown)
{
    TickingPrompt prompt;
    prompt.script.Expect(PromptAnswer::Yes, app::kConfirmExitText)
        .Expect(PromptAnswer::No, "Route")
        .Expect(PromptAnswer::Yes, "Chartpoint")
        .Expect(PromptAnswer::No, "Log");
    Frame frame;
    EXPECT_TRUE(frame.Close(prompt, true, {}));
    EXPECT_EQ(frame.log, (std::vector<std::string>{"ask Route database", "ask Chartpoint database",
                                                   "ask Log file", "aux", "shutdown"}));
    EXPECT_EQ(prompt.ticks, 0);
    EXPECT_TRUE(prompt.timer.IsSuspended());   // no timer pass runs into a frame being destroyed
}

}   // namespace

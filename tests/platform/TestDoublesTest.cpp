// The shared doubles other folders' tests lean on: a script that misses a
// prompt must fail the test, and the fake wall clock must step alone.
#include "FakeClock.h"
#include "ScriptedPrompt.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace platform;
using namespace std::chrono_literals;

namespace {

TEST(ScriptedPrompt, AnswersInOrderAndRecordsEveryPrompt)
{
    brine_test::ScriptedPrompt prompt;
    prompt.Expect(PromptAnswer::Yes, "Overwrite").Expect(PromptAnswer::Retry);
    CPrompt& asked = prompt;
    EXPECT_EQ(asked.Ask("Route exists. Overwrite it?", "Routes", PromptIcon::Question, PromptButtons::YesNo),
              PromptAnswer::Yes);
    EXPECT_EQ(asked.Ask("Port busy", "GPS", PromptIcon::Exclamation, PromptButtons::RetryCancel),
              PromptAnswer::Retry);
    EXPECT_TRUE(prompt.Done());
    ASSERT_EQ(prompt.AskedPrompts().size(), 2u);
    EXPECT_EQ(prompt.AskedPrompts()[1].caption, "GPS");
    EXPECT_EQ(prompt.AskedPrompts()[1].buttons, PromptButtons::RetryCancel);
}

TEST(ScriptedPrompt, UnforeseenPromptsFailTheTest)
{
    brine_test::ScriptedPrompt empty;
    PromptAnswer answer = PromptAnswer::Ok;
    EXPECT_NONFATAL_FAILURE(answer = empty.Ask("Delete all?", "", PromptIcon::Stop, PromptButtons::YesNo),
                            "Unexpected prompt");
    EXPECT_EQ(answer, PromptAnswer::Cancel);

    brine_test::ScriptedPrompt other;
    other.Expect(PromptAnswer::Yes, "Save changes");
    EXPECT_NONFATAL_FAILURE(other.Ask("Delete all?", "", PromptIcon::Stop, PromptButtons::YesNo),
                            "Save changes");
}

TEST(FakeClock, WallClockStepsWithoutTheMonotonicOne)
{
    brine_test::FakeClock clock;
    const auto mono0 = clock.Monotonic();
    const auto utc0 = clock.UtcNow();
    clock.Advance(1500ms);
    EXPECT_EQ(clock.Monotonic() - mono0, 1500ms);
    EXPECT_EQ(clock.UtcNow() - utc0, 1500ms);
    clock.JumpUtc(-1h);
    EXPECT_EQ(clock.Monotonic() - mono0, 1500ms);
    EXPECT_EQ(clock.UtcNow() - utc0, 1500ms - 1h);
}

}  // namespace

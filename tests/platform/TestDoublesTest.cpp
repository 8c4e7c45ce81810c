// The scripted prompt other folders' tests lean on: a prompt the script
// did not foresee must fail the test.
#include "ScriptedPrompt.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace platform;

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

}  // namespace

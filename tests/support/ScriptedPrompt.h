#pragma once
// A prompt service for tests: answers from a script of expected prompts, in
// order, and records every prompt it was asked. A prompt the script did not
// foresee (none left, or text that does not match) fails the test and is
// answered with Cancel, the answer that changes least.

#include "platform/Prompt.h"

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brine_test {

class ScriptedPrompt final : public platform::CPrompt {
public:
    struct Asked {
        std::string text;
        std::string caption;
        platform::PromptIcon icon;
        platform::PromptButtons buttons;
        // The button Return presses, when the asker named one.
        std::optional<platform::PromptAnswer> defaultAnswer;
    };

    // Expects one more prompt and answers it with `answer`. When
    // `textContains` is given the prompt's text must contain it.
    ScriptedPrompt& Expect(platform::PromptAnswer answer,
                           std::optional<std::string> textContains = std::nullopt)
    {
        m_script.push_back({answer, std::move(textContains)});
        return *this;
    }

    platform::PromptAnswer Ask(std::string_view text, std::string_view caption,
                               platform::PromptIcon icon, platform::PromptButtons buttons) override
    {
        m_asked.push_back({std::string(text), std::string(caption), icon, buttons});
        if (m_script.empty()) {
            ADD_FAILURE() << "Unexpected prompt: \"" << text << "\" (" << caption << ")";
            return platform::PromptAnswer::Cancel;
        }
        Step step = std::move(m_script.front());
        m_script.pop_front();
        if (step.textContains &&
            std::string_view(text).find(*step.textContains) == std::string_view::npos) {
            ADD_FAILURE() << "Prompt \"" << text << "\" does not contain the expected \""
                          << *step.textContains << "\"";
            return platform::PromptAnswer::Cancel;
        }
        return step.answer;
    }

    platform::PromptAnswer AskWithDefault(std::string_view text, std::string_view caption,
                                          platform::PromptIcon icon,
                                          platform::PromptButtons buttons,
                                          platform::PromptAnswer defaultAnswer) override
    {
        const platform::PromptAnswer answer = Ask(text, caption, icon, buttons);
        m_asked.back().defaultAnswer = defaultAnswer;
        return answer;
    }

    const std::vector<Asked>& AskedPrompts() const { return m_asked; }
    std::size_t Remaining() const { return m_script.size(); }
    // True when every scripted prompt was asked.
    bool Done() const { return m_script.empty(); }

private:
    struct Step {
        platform::PromptAnswer answer;
        std::optional<std::string> textContains;
    };
    std::deque<Step> m_script;
    std::vector<Asked> m_asked;
};

}   // namespace brine_test

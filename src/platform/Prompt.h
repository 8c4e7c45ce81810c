#pragma once
// A message box without a window. Core code asks the user through this
// interface; the program answers with a Qt dialog, tests with a script.

#include <string_view>

namespace platform {

enum class PromptIcon { None, Stop, Exclamation, Information, Question };

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };

enum class PromptAnswer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

class CPrompt {
public:
    virtual ~CPrompt() = default;
    // Shows `text` under `caption` and waits for one of the buttons' answers.
    virtual PromptAnswer Ask(std::string_view text, std::string_view caption, PromptIcon icon,
                             PromptButtons buttons) = 0;
    // As Ask, with `defaultAnswer`'s button the one Return presses (a
    // question whose careless answer would lose work names Cancel here).
    // A service without default buttons asks as Ask does.
    virtual PromptAnswer AskWithDefault(std::string_view text, std::string_view caption,
                                        PromptIcon icon, PromptButtons buttons,
                                        PromptAnswer defaultAnswer)
    {
        (void)defaultAnswer;
        return Ask(text, caption, icon, buttons);
    }
};

}   // namespace platform

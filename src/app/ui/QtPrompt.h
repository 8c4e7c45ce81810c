#pragma once
// The prompt service of the program: a QMessageBox over the active window.

#include "platform/Prompt.h"

class QWidget;

namespace app {

class CQtPrompt final : public platform::CPrompt {
public:
    explicit CQtPrompt(QWidget* parent = nullptr) : m_parent(parent) { }
    void SetParent(QWidget* parent) { m_parent = parent; }
    platform::PromptAnswer Ask(std::string_view text, std::string_view caption,
                               platform::PromptIcon icon, platform::PromptButtons buttons) override;
    platform::PromptAnswer AskWithDefault(std::string_view text, std::string_view caption,
                                          platform::PromptIcon icon,
                                          platform::PromptButtons buttons,
                                          platform::PromptAnswer defaultAnswer) override;

private:
    QWidget* m_parent;
};

}   // namespace app

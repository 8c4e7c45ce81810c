#pragma once
// The wait state's Qt side: the hourglass as the application's override
// cursor, and the status bar's message pane.

#include <QPointer>

#include "app/WaitStatus.h"
#include "app/ui/XStatusBar.h"

namespace app {

class CQtWaitCursor final : public app::CWaitHost {
public:
    void SetWaitCursor(bool on) override;
    std::optional<std::string> StatusText() const override { return std::nullopt; }
    void SetStatusText(const std::string&) override { }
};

class CQtWaitStatusPane final : public app::CWaitHost {
public:
    explicit CQtWaitStatusPane(CXStatusBar* bar) : m_bar(bar) { }
    void SetWaitCursor(bool) override { }
    std::optional<std::string> StatusText() const override;
    void SetStatusText(const std::string& text) override;
    void ShowProgress(const std::string& text, int steps) override;
    void StepProgress() override;
    void HideProgress() override;

private:
    QPointer<CXStatusBar> m_bar;
};

}   // namespace app

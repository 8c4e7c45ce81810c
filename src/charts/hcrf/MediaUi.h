#pragma once
// What the chart services ask of the user while they look for chart media
// and install from them. The program answers with dialogs, the first start
// with the sample media by finding each medium among the sample folders, and
// tests with scripts.

#include "platform/Prompt.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace charts::hcrf {

// The progress dialog of one installation stage.
class CInstallProgress {
public:
    virtual ~CInstallProgress() = default;
    virtual void SetText(std::string_view chartNumber, std::string_view from,
                         std::string_view to) = 0;
    // The chart in hand of all the stage's charts, and its bytes copied.
    virtual void SetProgress(std::size_t chart, std::size_t charts, std::uint64_t bytes,
                             std::uint64_t totalBytes) = 0;
    virtual bool IsCancelled() = 0;
    // Lets waiting window events through (Cancel among them).
    virtual void Pump() = 0;
    // Plays the copying animation over and over, or stops it; nothing when
    // the dialog has no animation.
    virtual void Animate(bool /*on*/) { }
};

enum class MediumAnswer { Ok, Cancel, ChooseFolder };

class CMediaUi {
public:
    virtual ~CMediaUi() = default;
    virtual platform::PromptAnswer Message(std::string_view text, platform::PromptIcon icon,
                                           platform::PromptButtons buttons) = 0;
    // Asks for a medium (`wanted` its name, empty for any update medium):
    // OK to look again, Cancel, or Choose Folder... with the folder chosen.
    virtual MediumAnswer AskForMedium(std::string_view text, std::string_view wanted,
                                      std::string& folder) = 0;
    virtual std::unique_ptr<CInstallProgress> OpenProgress(std::string_view title) = 0;
};

// A progress that shows nothing and is never cancelled.
class CSilentProgress final : public CInstallProgress {
public:
    void SetText(std::string_view, std::string_view, std::string_view) override { }
    void SetProgress(std::size_t, std::size_t, std::uint64_t, std::uint64_t) override { }
    bool IsCancelled() override { return false; }
    void Pump() override { }
};

}   // namespace charts::hcrf

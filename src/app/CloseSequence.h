#pragma once
// The main frame's close: every question first (exit confirmation, then the
// offers to save the temporary route, chartpoint and log databases), and only
// when none was refused the tear-down steps. A refusal leaves the program as
// it was: station messaging still running, no position confirmation recorded,
// no window closed.

#include <functional>
#include <vector>

#include "platform/Prompt.h"

namespace app {

class CFrameTimer;

struct CCloseSteps {
    bool confirmClosedown = true;
    // The modules' own save offers in the order route, chartpoint, log; each
    // asks only when its database is open, temporary and not empty, and
    // returns Cancel to stop the close. Absent owners are left out.
    std::vector<std::function<platform::PromptAnswer()>> saveQueries;
    // Stops station messaging, leaves full screen, records the navigator's
    // position confirmation, closes the floating and modeless windows.
    std::function<void()> closeAuxiliaryWindows;
    // Everything after: message bar locked, navigator shut down, geometry and
    // settings stored, child windows and databases closed.
    std::function<void()> shutDown;
};

inline constexpr const char* kConfirmExitText = "Are you sure you want to exit?";

// True when the frame may now be destroyed. The timer stays suspended on
// success and is released again on a refusal.
bool RunCloseSequence(const CCloseSteps& steps, platform::CPrompt& prompt, CFrameTimer& timer);

}   // namespace app

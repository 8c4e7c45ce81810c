#include "app/CloseSequence.h"

#include "app/FrameTimer.h"

namespace app {

bool RunCloseSequence(const CCloseSteps& steps, platform::CPrompt& prompt, CFrameTimer& timer)
{
    const bool wasSuspended = timer.SuspendTimer(true);
    auto refuse = [&] {
        timer.SuspendTimer(wasSuspended);
        return false;
    };
    if (steps.confirmClosedown &&
        prompt.Ask(kConfirmExitText, "Brinevane", platform::PromptIcon::Question,
                   platform::PromptButtons::YesNo) != platform::PromptAnswer::Yes)
        return refuse();
    for (const auto& query : steps.saveQueries) {
        if (query && query() == platform::PromptAnswer::Cancel)
            return refuse();
    }
    if (steps.closeAuxiliaryWindows)
        steps.closeAuxiliaryWindows();
    if (steps.shutDown)
        steps.shutDown();
    return true;
}

}   // namespace app

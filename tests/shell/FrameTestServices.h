#pragma once
// What a main frame under test runs on: a fixed clock, a scripted prompt, a
// settings file of its own, the build's program folder and a disclaimer that
// is always accepted.

#include "FakeClock.h"
#include "OwnProgramFolder.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/Timer.h"
#include "platform/SettingsStore.h"
#include "shell/MainFrame.h"

#include <cstdlib>
#include <filesystem>

namespace brine_test {

struct FrameTestServices {
    // Points at the members: they must outlive the frame made with them.
    shell::CFrameServices Services()
    {
        shell::CFrameServices s;
        s.timerIds = &timerIds;
        s.prompt = &prompt;
        s.clock = &clock;
        s.programFolder = LinkedProgramFolder(folder / "program");
        s.settings = &store;
        s.showDisclaimer = [](QWidget*) { return true; };
        return s;
    }

    FakeClock clock;
    ScriptedPrompt prompt;
    app::CTimer timerIds;
    TempFolder folder;
    platform::CSettingsStore store{folder.Path() / "settings.conf"};
};

}   // namespace brine_test

#pragma once
// What a main frame under test runs on: a fixed clock, a scripted prompt, a
// settings file of its own, the build's program folder and a disclaimer that
// is always accepted.

#include "FakeClock.h"
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
        const char* bin = std::getenv("BRINE_BIN_DIR");
        shell::CFrameServices s;
        s.timerIds = &timerIds;
        s.prompt = &prompt;
        s.clock = &clock;
        s.programFolder = bin ? bin : std::filesystem::current_path();
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

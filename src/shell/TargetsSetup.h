#pragma once
// The ARPA module as the program builds it: on the instruments' port list,
// with the frame's message bar, the navigator's own vessel and the frame's
// "go to position".

#include <memory>

class CMainFrame;
class CInstrumentsWindows;
namespace app {
class CModule;
}
namespace platform {
class CClock;
}

std::unique_ptr<app::CModule> MakeARPAModule(CMainFrame& frame, CInstrumentsWindows& instruments,
                                             const platform::CClock& clock);

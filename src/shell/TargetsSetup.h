#pragma once
// The ARPA module as the program builds it: on the instruments' port list,
// with the frame's message bar, the navigator's own vessel and the frame's
// "go to position".

#include <memory>

namespace app {
class CModule;
}
namespace nmea {
class CInstrumentsWindows;
}
namespace platform {
class CClock;
}

namespace shell {

class CMainFrame;

std::unique_ptr<app::CModule> MakeARPAModule(CMainFrame& frame,
                                             nmea::CInstrumentsWindows& instruments,
                                             const platform::CClock& clock);

}   // namespace shell

#pragma once
// The tender tracking module as the program builds it: on the instruments'
// ports, its circles measured from the navigator's own vessel and the
// vessel module's circle, "Go To Selected" through the frame.

#include <memory>

namespace app {
class CModule;
}
namespace nmea {
class CPortDirectory;
}
namespace platform {
class CClock;
}

namespace shell {

class CMainFrame;

std::unique_ptr<app::CModule> MakeTenderModule(CMainFrame& frame, const platform::CClock& clock,
                                               nmea::CPortDirectory& ports);

}   // namespace shell

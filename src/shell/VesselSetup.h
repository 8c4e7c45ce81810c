#pragma once
// The vessel module as the program builds it: its files under the user's
// data folder, its deviation card handed to the passage plan, its changes
// redrawn on the charts and noted in the logbook.

#include <memory>

namespace app {
class CModule;
}

namespace shell {

class CMainFrame;

std::unique_ptr<app::CModule> MakeVesselModule(CMainFrame& frame);

}   // namespace shell

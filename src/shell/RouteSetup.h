#pragma once
// The route module as the program builds it: its folders under the user's
// data folder, and the navigator following its current route.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace app {
class CModule;
}

namespace shell {

class CMainFrame;

// $XDG_DATA_HOME/Quorwick/Brinevane ($HOME/.local/share when unset): the
// routes and their attachments live in "Routes" and "Attach" there.
std::filesystem::path UserDataRoot();

std::unique_ptr<app::CModule> MakeRouteModule(CMainFrame& frame);

// The tidal module with its atlas and stream windows; its data folder is
// "Tides" beside the program.
std::unique_ptr<app::CModule> MakeTidalModule(CMainFrame& frame);
// The passage plan with its window, following the route and tidal modules
// and the frame's magnetic model.
std::unique_ptr<app::CModule> MakePlanModule(CMainFrame& frame);

// The version lines of the libraries these modules load (the tidal-model
// library's two texts), for the system information's libraries in use.
std::vector<std::string> ModuleVersionLines(CMainFrame& frame);

}   // namespace shell

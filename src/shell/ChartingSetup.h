#pragma once
// The charting module as the program builds it: its chart services (the
// blank chart until the other kinds join) and its hooks into the main frame.

#include <memory>

namespace app {
class CModule;
}

namespace shell {

class CMainFrame;

std::unique_ptr<app::CModule> MakeChartingModule(CMainFrame& frame);

}   // namespace shell

#pragma once
// The frame's fixed orders: the order in which the modules load and save
// their settings, and the order of the side panels. Settings follow the
// navigator's working order, the order the modules are created in
// (Brinevane.cpp): palettes and instruments first, then charting,
// chartpoints, route (with its plan), vessel, navigator (with the targets it
// tracks), tides.

#include <vector>

namespace app {
class CModule;
class CModuleList;
class CSidePanel;
}   // namespace app

namespace shell {

// The modules in the order their settings are loaded and saved; modules of
// kinds not named above keep their creation order after the named ones.
std::vector<app::CModule*> SettingsOrder(const app::CModuleList& modules);

// The modules in the order their offers to save are made when the program
// closes: the route database, the chartpoint database, the vessel log, then
// the others in creation order. A Cancel ends the round, so the order says
// which questions a Cancel leaves unasked.
std::vector<app::CModule*> CloseQueryOrder(const app::CModuleList& modules);

// The modules in the order they shut down at close: the navigator, radar
// targets, the instruments, tender tracking, then the rest as created.
std::vector<app::CModule*> ShutDownOrder(const app::CModuleList& modules);

// The side panels in their order: chart information, monitor, chartpoint,
// route, target tracking, then any other.
void SortSidePanels(std::vector<app::CSidePanel*>& panels);

// The chart information panel among the panels, or null.
app::CSidePanel* ChartInfoPanel(const std::vector<app::CSidePanel*>& panels);

}   // namespace shell

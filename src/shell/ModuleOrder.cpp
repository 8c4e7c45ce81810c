#include "shell/ModuleOrder.h"

#include <algorithm>
#include <array>

#include "app/DisplayPaletteModule.h"
#include "app/Module.h"
#include "chart/ChartingModule.h"
#include "chart/ui/ChartInfoPanel.h"
#include "chartpoints/ChartpointModule.h"
#include "chartpoints/ui/ChartpointPanel.h"
#include "navigator/NavigatorModule.h"
#include "navigator/VesselModule.h"
#include "navigator/ui/MonitorPanel.h"
#include "nmea/InstrumentsModule.h"
#include "routes/PlanModule.h"
#include "routes/RouteModule.h"
#include "routes/TidalModule.h"
#include "routes/ui/RoutePanel.h"
#include "targets/ARPAModule.h"
#include "targets/ui/TargetTrackingPanel.h"
#include "targets/ui/TenderWindows.h"

namespace shell {

namespace {

int SettingsRank(const app::CModule& m)
{
    if (dynamic_cast<const app::CDisplayPaletteModule*>(&m))
        return 0;
    if (dynamic_cast<const nmea::CInstrumentsModule*>(&m))
        return 1;
    if (dynamic_cast<const chart::CChartingModule*>(&m))
        return 2;
    if (dynamic_cast<const chartpoints::CChartpointModule*>(&m))
        return 3;
    if (dynamic_cast<const routes::CRouteModule*>(&m))
        return 4;
    if (dynamic_cast<const routes::CPlanModule*>(&m))
        return 5;
    if (dynamic_cast<const navigator::CVesselModule*>(&m))
        return 6;
    if (dynamic_cast<const navigator::CNavigatorModule*>(&m))
        return 7;
    if (dynamic_cast<const targets::CARPAModule*>(&m))
        return 8;
    if (dynamic_cast<const targets::CTenderWindows*>(&m))
        return 9;
    if (dynamic_cast<const routes::CTidalModule*>(&m))
        return 10;
    return 11;
}

int CloseQueryRank(const app::CModule& m)
{
    if (dynamic_cast<const routes::CRouteModule*>(&m))
        return 0;
    if (dynamic_cast<const chartpoints::CChartpointModule*>(&m))
        return 1;
    if (dynamic_cast<const navigator::CNavigatorModule*>(&m))
        return 2;
    return 3;
}

// At close: the navigator (its replay, the tenders' simulation, its GPS),
// radar targets, the instruments (autopilot, repeater, wind), then tender
// tracking's own device; the rest in their order.
int ShutDownRank(const app::CModule& m)
{
    if (dynamic_cast<const navigator::CNavigatorModule*>(&m))
        return 0;
    if (dynamic_cast<const targets::CARPAModule*>(&m))
        return 1;
    if (dynamic_cast<const nmea::CInstrumentsModule*>(&m))
        return 2;
    if (dynamic_cast<const targets::CTenderWindows*>(&m))
        return 3;
    return 4;
}

int PanelRank(const app::CSidePanel* p)
{
    const std::array<unsigned, 5> order = {
        chart::CChartInfoPanel::kBarId, navigator::CMonitorPanel::kBarId,
        chartpoints::CChartpointPanel::kBarId, routes::CRoutePanel::kBarId,
        targets::CTargetTrackingPanel::kBarId};
    const auto* found = std::find(order.begin(), order.end(), p->BarId());
    return static_cast<int>(found - order.begin());
}

// The modules ordered by `rank`, those of one rank in creation order.
std::vector<app::CModule*> Ranked(const app::CModuleList& modules, int (*rank)(const app::CModule&))
{
    std::vector<app::CModule*> ordered;
    modules.ForEach([&ordered](app::CModule& m) { ordered.push_back(&m); });
    std::stable_sort(ordered.begin(), ordered.end(),
                     [rank](app::CModule* a, app::CModule* b) { return rank(*a) < rank(*b); });
    return ordered;
}

}   // namespace

std::vector<app::CModule*> SettingsOrder(const app::CModuleList& modules)
{
    return Ranked(modules, SettingsRank);
}

std::vector<app::CModule*> CloseQueryOrder(const app::CModuleList& modules)
{
    return Ranked(modules, CloseQueryRank);
}

std::vector<app::CModule*> ShutDownOrder(const app::CModuleList& modules)
{
    return Ranked(modules, ShutDownRank);
}

void SortSidePanels(std::vector<app::CSidePanel*>& panels)
{
    std::stable_sort(panels.begin(), panels.end(), [](app::CSidePanel* a, app::CSidePanel* b) {
        return PanelRank(a) < PanelRank(b);
    });
}

app::CSidePanel* ChartInfoPanel(const std::vector<app::CSidePanel*>& panels)
{
    for (app::CSidePanel* p : panels)
        if (p->BarId() == chart::CChartInfoPanel::kBarId)
            return p;
    return nullptr;
}

}   // namespace shell

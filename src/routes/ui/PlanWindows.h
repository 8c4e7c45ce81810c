#pragma once
// The passage plan as the program shows it: Route > Plan > Calculate and
// Best Time open the "Passage Plan" window (the plan card's fields, the
// settings a calculation runs with, and the worked plan); Best Time shows the
// passages of the series side by side. The calculation runs on the window's
// thread; Escape aborts it between time steps.

#include "app/ui/ModuleUi.h"
#include "routes/PlanModule.h"

#include <QPointer>

#include <functional>

#include "routes/ui/PlanWindow.h"
namespace routes {
class CRouteModule;
class CTidalModule;
}   // namespace routes
namespace geo {
class CGeomag;
}

class CPlanWindows final : public routes::CPlanModule, public CModuleUi {
public:
    struct Links {
        std::function<routes::CRouteModule*()> routes;
        std::function<routes::CTidalModule*()> tides;
        std::function<geo::CGeomag*()> geomag;
    };
    CPlanWindows(app::CSettingsHome& settings, std::string programFolder, platform::CPrompt& prompt,
                 Links links);
    ~CPlanWindows() override;

    CModuleUi* Ui() override { return this; }
    bool CreateSidePanels(CModuleHost& host, std::vector<CSidePanel*>& panels) override;
    void RegisterCommands(app::CCommandTable& commands) override;
    void CloseWorkspaceWindows() override;

    std::size_t RouteWaypointCount() const;
    bool TidalDataAvailable() const;
    CPlanWindow* Window() const { return m_window; }
    CPlanWindow* OpenWindow();
    void RunCalculate();
    void RunBestTime();

private:
    CModuleHost* m_host = nullptr;
    platform::CPrompt& m_prompt;
    Links m_links;
    QPointer<CPlanWindow> m_window;
};

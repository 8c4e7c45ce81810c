#pragma once
// The passage plan as the program shows it: Route > Plan > Calculate and
// Best Time open the "Passage Plan" window (the plan card's fields, the
// settings a calculation runs with, and the worked plan); Best Time shows the
// passages of the series side by side. The calculation runs on the window's
// thread; Escape aborts it between time steps.

#include "app/ui/ModuleUi.h"
#include "chart/ChartViewPipeline.h"
#include "chart/ui/ChartView.h"
#include "routes/PlanModule.h"

#include <QPointer>

#include <functional>
#include <map>
#include <memory>

#include "routes/ui/PlanWindow.h"
namespace routes {
class CRouteModule;
class CTidalModule;
}   // namespace routes
namespace geo {
class CGeomag;
}

class CPlanWindows final : public routes::CPlanModule,
                           public CModuleUi,
                           public CChartViewExtension {
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

    // CChartViewExtension: the plan's leg tracks in every chart view.
    void ViewCreated(CChartView& view) override;
    void ViewDestroyed(CChartView& view) override;
    // Every chart view draws the plan again (calculated, cleared, restyled).
    void RedrawViews();

    std::size_t RouteWaypointCount() const;
    bool TidalDataAvailable() const;
    CPlanWindow* Window() const { return m_window; }
    CPlanWindow* OpenWindow();
    void RunCalculate();
    void RunBestTime();

private:
    class TrackLayer;
    CModuleHost* m_host = nullptr;
    std::map<CChartView*, std::unique_ptr<TrackLayer>> m_layers;
    platform::CPrompt& m_prompt;
    Links m_links;
    QPointer<CPlanWindow> m_window;
};

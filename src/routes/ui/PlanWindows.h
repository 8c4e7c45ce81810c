#pragma once
// The passage plan as the program shows it: the "Plan" card on the route
// panel, and Route > Plan > Calculate and Best Time (or the card's Calc and
// Best time), which open the "Passage Plan" window (the card again, the
// settings a calculation runs with, and the worked plan); Best Time shows the
// passages of the series side by side. The calculation runs on the window's
// thread; Escape aborts it between time steps.

#include "app/ui/ModuleUi.h"
#include "chart/ChartViewPipeline.h"
#include "chart/ui/ChartView.h"
#include "routes/PlanModule.h"
#include "routes/RouteServices.h"

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
namespace app {
class CXPropertyPage;
}
namespace navigator {
class COwnVessel;
}

namespace routes {

class CPlanWindows final : public routes::CPlanModule,
                           public routes::CRouteListener,
                           public app::CModuleUi,
                           public chart::CChartViewExtension {
public:
    struct Links {
        std::function<routes::CRouteModule*()> routes;
        std::function<routes::CTidalModule*()> tides;
        std::function<geo::CGeomag*()> geomag;
        // The own vessel (its deviation card); none while there is none.
        std::function<const navigator::COwnVessel*()> vessel;
        // Puts a card on the route panel; false when there is no panel.
        std::function<bool(QWidget* card, const QString& title)> addRouteCard;
        // The cards' Report: whether the short form plan can open now (a
        // calculated plan, its preview not open), and opening it.
        std::function<bool()> canOpenReport;
        std::function<void()> openReport;
        // Closes the plan's report previews (a calculation starts afresh).
        std::function<void()> closeReports;
    };
    CPlanWindows(app::CSettingsHome& settings, std::string programFolder, platform::CPrompt& prompt,
                 Links links);
    ~CPlanWindows() override;

    app::CModuleUi* Ui() override { return this; }
    bool CreateSidePanels(app::CModuleHost& host, std::vector<app::CSidePanel*>& panels) override;
    void RegisterCommands(app::CCommandTable& commands) override;
    void CloseWorkspaceWindows() override;
    bool Terminate() override;
    // The route changed: another route starts a new plan (its name, start and
    // destination, now); a changed waypoint or leg clears the worked plan.
    void OnRouteChange(int hint) override;
    // File > New > Plan: a new plan for the current route, as a change of
    // route starts one.
    void ResetForRoute() { OnRouteChange(routes::kHintRoute); }
    // The cards' Calc and Best time follow the commands.
    void OnUpdateCmdUI(app::CCommandTable& commands, bool disableIfNoHandler) override;

    // CChartViewExtension: the plan's leg tracks in every chart view.
    void ViewCreated(chart::CChartView& view) override;
    void ViewDestroyed(chart::CChartView& view) override;
    // Every chart view draws the plan again (calculated, cleared, restyled).
    void RedrawViews();

    std::size_t RouteWaypointCount() const;
    // Whether the route may be worked out now: enough waypoints and a speed,
    // and not while a networked station edits it (another station's change
    // could arrive in the middle of the calculation).
    bool CanCalculateRoute() const;
    bool RouteEditedOnNetwork() const;
    bool TidalDataAvailable() const;
    // Best time needs tidal streams: the plan window's switch while it is
    // open, else the stored setting.
    bool TidesSwitchedOn() const;
    CPlanWindow* Window() const { return m_window; }
    // The card on the route panel, when there is one.
    routes::CPlanCard* RouteCard() const { return m_routeCard; }
    CPlanWindow* OpenWindow();
    // The "Plan" page of the Route Options sheet; applying it refreshes the
    // plan's cards, window and tracks. It goes with the module.
    app::CXPropertyPage* MakeOptionsPage(QWidget* parent);
    void RunCalculate();
    void RunBestTime();

private:
    class TrackLayer;
    // Runs the card's buttons and keeps every card showing the module.
    void AddCard(routes::CPlanCard* card);
    // A card changed the module (none: a calculation did): the other cards
    // and the window show it, the views redraw.
    void CardChanged(routes::CPlanCard* source);
    void TakeDeviationCard();
    void CloseOptionsSheet();
    app::CModuleHost* m_host = nullptr;
    std::map<chart::CChartView*, std::unique_ptr<TrackLayer>> m_layers;
    platform::CPrompt& m_prompt;
    Links m_links;
    QPointer<CPlanWindow> m_window;
    QPointer<QWidget> m_optionsPage;
    QPointer<routes::CPlanCard> m_routeCard;
    std::vector<QPointer<routes::CPlanCard>> m_cards;
};

}   // namespace routes

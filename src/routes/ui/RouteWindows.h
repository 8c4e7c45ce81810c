#pragma once
// The route module as the program creates it: the core module with its side
// panel, the route drawn in every chart view, picking, dragging and
// double-clicking waypoints, the right-click entries "Add New Waypoint",
// "Insert New Waypoint" and "Delete Selected Waypoint", the chart's
// Properties over a waypoint, and the Route commands on the menu, toolbar
// and keys.

#include "app/ui/ModuleUi.h"
#include "app/ui/ToolbarComboAction.h"
#include "chart/ui/ChartView.h"
#include "chart/ui/MarkDrag.h"
#include "routes/RouteCombos.h"
#include "routes/RouteLayer.h"
#include "routes/RouteModule.h"
#include "routes/ui/RouteOptionsPages.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace routes {

class CRoutePanel;
class CRoutePropertiesSheet;

class CRouteWindows : public routes::CRouteModule,
                      public app::CModuleUi,
                      public chart::CChartViewExtension {
public:
    CRouteWindows(app::CSettingsHome& settings, platform::CPrompt& prompt,
                  std::filesystem::path dataRoot);
    ~CRouteWindows() override;

    app::CModuleUi* Ui() override { return this; }
    // Route > Waypoint > Go To Selected centres the active chart through
    // `goTo`; `chartReady` says whether a chart is active and ready for drawing.
    void SetGoToPosition(std::function<bool(const geo::CPosition&)> goTo,
                         std::function<bool()> chartReady)
    {
        m_goToPosition = std::move(goTo);
        m_chartReady = std::move(chartReady);
    }
    // The route panel's waypoint list and the Route Properties sheet write
    // positions in `format`'s; the frame calls PositionFormatChanged when the
    // user picks another.
    void SetPositionFormat(std::function<geo::CPositionFormat()> format)
    {
        m_positionFormat = std::move(format);
    }
    void PositionFormatChanged();
    // The route's picture and video attachments open through `open` (path,
    // whether it is the video).
    void SetAttachmentOpener(std::function<bool(const std::string&, bool)> open)
    {
        m_openAttachment = std::move(open);
    }
    // The chartpoint mark under a point of a view, made the chartpoints'
    // current one; none where there is no mark. A double-click on one adds
    // it to the route.
    using ChartpointAt = std::function<std::optional<chartpoints::CChartpoint>(
        chart::CChartView& view, geo::IntPoint p)>;
    void SetChartpointAt(ChartpointAt find) { m_chartpointAt = std::move(find); }
    bool CreateSidePanels(app::CModuleHost& host, std::vector<app::CSidePanel*>& panels) override;
    bool Terminate() override;
    void RegisterCommands(app::CCommandTable& commands) override;
    // The toolbar's route and waypoint pickers: one action each, made when
    // the first toolbar asks, showing the module's shared lists.
    QAction* ToolBarControl(unsigned id, QObject* parent) override;
    // The routes of the database ("name [from->to]") and the current route's
    // waypoints ("007 No name"), as every picker shows them.
    CRouteComboModel& RouteEntries() { return m_routeList; }
    CWaypointComboModel& WaypointEntries() { return m_waypointList; }

    // chart::CChartViewExtension
    void ViewCreated(chart::CChartView& view) override;
    void ViewDestroyed(chart::CChartView& view) override;
    bool Press(chart::CChartView& view, geo::IntPoint p) override;
    void DragTo(chart::CChartView& view, geo::IntPoint p) override;
    void Release(chart::CChartView& view, geo::IntPoint p) override;
    // With the route panel shown and the route editable: a copy of a waypoint
    // appended last, or a chartpoint inserted after the current waypoint.
    bool DoubleClick(chart::CChartView& view, geo::IntPoint p) override;
    void AddContextMenu(chart::CChartView& view, QMenu& menu, geo::IntPoint p,
                        chart::MenuSection section, bool onChart) override;
    const QWidget* SidePanel() const override;
    // The Delete key in a chart view: the current waypoint, after the question.
    bool DeleteSelected(chart::CChartView& view) override;
    // Properties over a drawn waypoint: the "Route Properties" sheet at it.
    PropertiesCall PropertiesAt(chart::CChartView& view, geo::IntPoint p) override;
    chart::PropertiesOrder PropertiesRank() const override
    {
        return chart::PropertiesOrder::RouteWaypoints;
    }

    CRoutePanel* Panel() const { return m_panel; }
    // The GPS device the upload sends through; none while there is none.
    void SetTransmitterSource(std::function<routes::CRouteTransmitter*()> source)
    {
        m_transmitter = std::move(source);
    }
    // Navigator > Upload > Route...: the modeless upload dialog.
    void ShowUploadDialog();
    QDialog* UploadDialog() const { return m_uploadDialog; }
    // The upload dialog's Report opens the waypoint list through `open`
    // while `isOpen` says it is not showing.
    void SetWaypointListReport(std::function<void()> open, std::function<bool()> isOpen)
    {
        m_openWaypointList = std::move(open);
        m_isWaypointListOpen = std::move(isOpen);
    }
    // Route > Options...: the General, Paths, Monitoring and Great Circle
    // pages, and Plan while the plan module gives one.
    void OpenOptions();
    void SetPlanPageMaker(PlanPageMaker make) { m_planPage = std::move(make); }
    // The "Route Properties" sheet (raised when open) showing waypoint
    // `waypoint` (from 1), or the current one for 0.
    void ShowProperties(int waypoint);
    // Whether the route panel is the side panel shown: chart double-clicks
    // only reach the route then.
    bool IsPanelActive() const;
    // The current route's attachment in slot 0-3 (the fourth is the video)
    // when it names a file of the attachments folder that is there; else empty.
    std::string AttachmentPath(int slot);
    // The waypoint selected in the route, if any.
    std::optional<geo::CPosition> SelectedWaypointPosition();

private:
    // BRINE_ROUTE_STATE_FILE: one line per change notice for scripted checks
    // (edit mode, Locked, route, count, current waypoint and its screen point).
    class CStateReport final : public routes::CRouteListener {
    public:
        explicit CStateReport(CRouteWindows& owner) : m_owner(owner) { }
        void OnRouteChange(int hint) override { m_owner.WriteState(hint); }

    private:
        CRouteWindows& m_owner;
    };
    void WriteState(int hint);
    // The toolbar pickers and the properties sheet follow every change of
    // route or waypoint.
    class CWindowFollower final : public routes::CRouteListener {
    public:
        explicit CWindowFollower(CRouteWindows& owner) : m_owner(owner) { }
        void OnRouteChange(int hint) override;

    private:
        CRouteWindows& m_owner;
    };
    void FollowInLists(int hint);
    CWindowFollower m_windowFollower{*this};
    CRouteComboModel m_routeList;
    CWaypointComboModel m_waypointList{State()};
    QPointer<app::CToolbarComboAction> m_routeCombo;
    QPointer<app::CToolbarComboAction> m_waypointCombo;
    QPointer<CRoutePropertiesSheet> m_properties;

    std::string m_stateFile;
    CStateReport m_stateReport{*this};
    std::function<routes::CRouteTransmitter*()> m_transmitter;
    QPointer<QDialog> m_uploadDialog;
    QPointer<QDialog> m_options;   // the Route Options sheet while open
    PlanPageMaker m_planPage;
    app::CModuleHost* m_host = nullptr;
    CRoutePanel* m_panel = nullptr;
    std::map<chart::CChartView*, std::unique_ptr<routes::CRouteViewLayer>> m_layers;
    chart::CMarkDrag m_drag;
    std::function<bool(const geo::CPosition&)> m_goToPosition;
    std::function<bool()> m_chartReady;
    std::function<bool(const std::string&, bool)> m_openAttachment;
    std::function<geo::CPositionFormat()> m_positionFormat;
    ChartpointAt m_chartpointAt;
    std::function<void()> m_openWaypointList;
    std::function<bool()> m_isWaypointListOpen;
};

}   // namespace routes

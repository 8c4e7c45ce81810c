#pragma once
// The chartpoint module as the program creates it: the core module with its
// side panel, a chartpoint layer in every chart view, the right-click entries
// "Add New Chartpoint" and "Delete Selected Chartpoint", picking and dragging
// marks, and the window commands (panel, list, attachments, upload).

#include "app/ui/Document.h"
#include "app/ui/ModuleUi.h"
#include "app/ui/ToolbarComboAction.h"
#include "chart/ui/ChartView.h"
#include "chart/ui/MarkDrag.h"
#include "chartpoints/ChartpointCombos.h"
#include "chartpoints/ChartpointLayer.h"
#include "chartpoints/ChartpointModule.h"
#include "chartpoints/GpsWaypointTransmitter.h"
#include "chartpoints/ui/ChartpointPropDlg.h"
#include "nmea/InstrumentsModule.h"

#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace app {
class CModelessPropertySheet;
}

namespace chartpoints {

class CChartpointListWindow;
class CChartpointPanel;
struct CChartDatumView;

// What `chart` offers the chartpoint panel for a stored position: its datum
// and the position shifted into it, when the chart is loaded, holds the
// position, has a datum shift and its datum is not WGS 84; none otherwise.
std::optional<CChartDatumView> ChartDatumAt(chart::CChartDoc* chart, const geo::CPosition& stored);

class CChartpointWindows final : public chartpoints::CChartpointModule,
                                 public app::CModuleUi,
                                 public chart::CChartViewExtension {
public:
    // Opens a viewer on the file; its document, or none when nothing opened.
    using AttachmentOpener = std::function<app::CDocument*(const std::string& path, bool video)>;

    CChartpointWindows(app::CSettingsHome& settings, platform::CPrompt& prompt,
                       std::filesystem::path programFolder, AttachmentOpener openAttachment);
    ~CChartpointWindows() override;

    app::CModuleUi* Ui() override { return this; }
    bool CreateSidePanels(app::CModuleHost& host, std::vector<app::CSidePanel*>& panels) override;
    bool Terminate() override;
    void RegisterCommands(app::CCommandTable& commands) override;
    // The toolbar drop-downs of names and sort orders: one action each, made
    // when the first toolbar asks.
    QAction* ToolBarControl(unsigned id, QObject* parent) override;

    // CChartViewExtension
    void ViewCreated(chart::CChartView& view) override;
    void ViewDestroyed(chart::CChartView& view) override;
    bool Press(chart::CChartView& view, geo::IntPoint p) override;
    void DragTo(chart::CChartView& view, geo::IntPoint p) override;
    void Release(chart::CChartView& view, geo::IntPoint p) override;
    void AddContextMenu(chart::CChartView& view, QMenu& menu, geo::IntPoint p,
                        chart::MenuSection section, bool onChart) override;
    const QWidget* SidePanel() const override;
    // The Delete key in a chart view: the current chartpoint, after the question.
    bool DeleteSelected(chart::CChartView& view) override;
    // Properties over a chartpoint mark: the "Chartpoint Properties" sheet.
    PropertiesCall PropertiesAt(chart::CChartView& view, geo::IntPoint p) override;
    chart::PropertiesOrder PropertiesRank() const override
    {
        return chart::PropertiesOrder::Chartpoints;
    }
    // The mark under a point made current, and the chartpoint it is; none
    // where there is no mark.
    std::optional<chartpoints::CChartpoint> PickAt(chart::CChartView& view, geo::IntPoint p);
    // Opens the "Chartpoint Properties" sheet on a chartpoint, or hands the
    // open one the new chartpoint; `chart` is the chart it was asked over,
    // which the sheet shows once the chartpoint is no longer shown.
    void ShowProperties(const chartpoints::CChartpoint& chartpoint, const chart::CChartDoc& chart);
    CChartpointPropSheet* PropertiesSheet() const { return m_properties; }

    void CloseWorkspaceWindows() override;

    CChartpointPanel* Panel() const { return m_panel; }
    CChartpointListWindow* ListWindow() const;
    // Chartpoint > List Window: opens the list, or closes it when open.
    void ToggleListWindow();
    // File > Open, chartpoint database: "Open Chartpoint Database" over the
    // data folder; the file chosen is opened (the open one closed first, a
    // temporary one asked about). Nothing on Cancel.
    bool OnOpenDatabase();
    // Navigator > Upload > Chartpoints...: the upload dialog, modal.
    void RunUploadDialog();
    // Chartpoint > Options...: the modeless sheet with the General page.
    void OpenOptions();
    // The toolbar drop-downs of names and sort orders.
    CChartpointComboModel& NameCombo() { return m_nameCombo; }
    CSortComboModel& SortCombo() { return m_sortCombo; }

    // The GPS device the upload sends through (the navigator's); none while
    // there is none.
    void SetGpsDevice(std::function<nmea::CGPSDevice*()> device);
    // Chartpoint > Go To Selected centres the active chart through `goTo`;
    // `chartReady` says whether a chart is active and ready for drawing.
    void SetGoToPosition(std::function<bool(const geo::CPosition&)> goTo,
                         std::function<bool()> chartReady)
    {
        m_goToPosition = std::move(goTo);
        m_chartReady = std::move(chartReady);
    }
    // How positions are written (the program's format); the default without.
    void SetPositionFormat(std::function<geo::CPositionFormat()> format)
    {
        m_positionFormat = std::move(format);
    }
    // The layout of the panel's position field (the frame's position
    // template), kept for a panel made later; the open list window and
    // properties are written again in the format that comes with it.
    void SetPositionTemplate(std::string layout);
    // Where the own vessel is, none while unknown (the panel's Nav).
    void SetOwnPosition(std::function<std::optional<geo::CPosition>()> own)
    {
        m_ownPosition = std::move(own);
    }
    // The active chart (none while no chart window is active): the panel
    // offers its datum.
    void SetActiveChart(std::function<chart::CChartDoc*()> active)
    {
        m_activeChart = std::move(active);
    }
    // Opens the list window, or raises it when open (the route panel's OpenDB).
    void OpenListWindow();
    // Where a double click or Enter in the list hands the current chartpoint
    // (the route being edited); nothing happens while none is set.
    void SetAddToRoute(std::function<void(const chartpoints::CChartpoint&)> add)
    {
        m_addToRoute = std::move(add);
    }

    // The instruments module's station messaging: notices go out through it,
    // type-2 messages come in. The hook is given back at Terminate (the
    // instruments module is older and outlives this one).
    void SetInstruments(nmea::CInstrumentsModule* instruments);

private:
    // BRINE_CHARTPOINT_STATE_FILE: one line per change for scripted checks.
    class StateWriter;
    friend class StateWriter;
    void WriteState(int hint);
    // The name and sort lists start following the table.
    void StartComboLists();
    void FollowInCombos(int hint);
    class ComboFollower;
    // The panel and the list window as the module sees them.
    class UiJoin;
    std::unique_ptr<UiJoin> m_uiJoin;
    QPointer<CChartpointListWindow> m_list;
    QPointer<app::CModelessPropertySheet> m_options;
    std::function<void(const chartpoints::CChartpoint&)> m_addToRoute;
    std::function<geo::CPositionFormat()> m_positionFormat;
    std::string m_positionTemplate;
    std::function<std::optional<geo::CPosition>()> m_ownPosition;
    std::function<chart::CChartDoc*()> m_activeChart;
    QPointer<CChartpointPropSheet> m_properties;
    std::unique_ptr<chartpoints::CGpsWaypointTransmitter> m_gps;
    AttachmentOpener m_openAttachment;
    app::CModuleHost* m_host = nullptr;
    CChartpointPanel* m_panel = nullptr;
    std::map<chart::CChartView*, std::unique_ptr<chartpoints::CChartpointViewLayer>> m_layers;
    std::unique_ptr<chartpoints::CStationLink> m_stationLink;
    nmea::CInstrumentsModule* m_instruments = nullptr;
    std::unique_ptr<chartpoints::CChartpointListener> m_stateWriter;
    std::string m_stateFile;
    chart::CMarkDrag m_drag;
    CChartpointComboModel m_nameCombo;
    std::function<bool(const geo::CPosition&)> m_goToPosition;
    std::function<bool()> m_chartReady;
    CSortComboModel m_sortCombo;
    QPointer<app::CToolbarComboAction> m_nameAction;
    QPointer<app::CToolbarComboAction> m_sortAction;
    std::unique_ptr<chartpoints::CChartpointListener> m_comboFollower;
};

}   // namespace chartpoints

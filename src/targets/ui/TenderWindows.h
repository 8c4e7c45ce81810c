#pragma once
// The tender tracking module the program creates ("Navigator\TenderTracking"):
// its settings, the "Target Tracking" panel, the tender target log, the
// commands of "Target > Tender Tracking" and "View > Target Tracking", and
// the message-bar warnings (tender circles, out of range, simulation, the
// panic button with its sound every 10 s, tracking turned off).

#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "app/Module.h"
#include "app/MsgBar.h"
#include "app/ui/ModuleUi.h"
#include "chart/ui/ChartView.h"
#include "geo/Position.h"
#include "navigator/VesselList.h"
#include "targets/TargetPick.h"
#include "targets/TenderOptions.h"
#include "targets/TenderTargetLayer.h"
#include "targets/TenderTracking.h"
#include "targets/ui/FixMarkerProperties.h"
#include "targets/ui/TargetTrackingPanel.h"
#include "targets/ui/TenderLogWindow.h"
#include "targets/ui/TenderPropertySheet.h"

namespace app {
class CXPropertyPage;
}

namespace targets {

class CARPAWindows;

class CTenderWindows final : public app::CModeModule,
                             public app::CModuleUi,
                             public chart::CChartViewExtension,
                             public navigator::CTargetModuleCalls {
public:
    CTenderWindows(app::CSettingsHome& home, const platform::CClock& clock,
                   nmea::CPortDirectory& ports);
    ~CTenderWindows() override;

    app::CModuleUi* Ui() override { return this; }
    bool CreateSidePanels(app::CModuleHost& host, std::vector<app::CSidePanel*>& panels) override;
    void RegisterCommands(app::CCommandTable& commands) override;
    void LoadSettings() override;
    void SaveSettings() override;
    bool Terminate() override;
    void ShutDown() override;
    void CloseWorkspaceWindows() override;
    void OnTimer(app::TimerCadence cadence) override;

    // Every chart view draws the tenders. A click on a target (the panel's
    // hit test below) selects its row on the panel, which makes it current.
    void ViewCreated(chart::CChartView& view) override;
    void ViewDestroyed(chart::CChartView& view) override;
    bool Press(chart::CChartView& view, geo::IntPoint p) override;
    // Properties over a target: its "ARPA Properties" or "Target Properties".
    PropertiesCall PropertiesAt(chart::CChartView& view, geo::IntPoint p) override;
    chart::PropertiesOrder PropertiesRank() const override
    {
        return chart::PropertiesOrder::Targets;
    }

    // The panel's hit test (see TargetPick.h) in a view.
    CTargetPick HitTestTarget(chart::CChartView& view, geo::IntPoint p);
    // The radar targets' module the hit test asks (found anew each time: the
    // two modules go in either order); none: tenders only.
    std::function<CARPAWindows*()> arpaWindows;

    CTenderTracking& Tracking() { return m_tracking; }
    // Tenders' vessel-log rows go there (kept as long as the module).
    void KeepLogRows(std::unique_ptr<CTargetLogRows> rows)
    {
        m_keptLogRows = std::move(rows);
        m_tracking.SetLogRows(m_keptLogRows.get());
    }
    CTargetTrackingPanel* Panel() const { return m_panel; }
    CTenderLogWindow* LogWindow() const { return m_log; }
    // Made with the side panels (it needs the program window).
    CTenderPropertySheet* PropertySheet() const { return m_propertySheet.get(); }
    // The rows' latitude and longitude cells written again when the position
    // format differs from the one they were written in: at once when Tools >
    // Options applies a new format, and on each pass after a workspace change.
    void RefreshPositions();

    // What the program offers: the own vessel for the circles, the position
    // format, going to a position, local time texts.
    std::function<COwnSituation()> ownSituation;
    std::function<geo::CPositionFormat()> positionFormat;
    std::function<bool(const CTargetPosition&)> goToPosition;
    LocalTimeText localTime;
    // A row of the panel's "ARPA" card was selected (the row's key).
    std::function<void(int key)> arpaRowSelected;
    // The middle of the active chart, where a new simulated tender starts.
    std::function<std::optional<CTargetPosition>()> chartCentre;
    // Opens "Position Marker Properties" on one fix of a tender's track.
    std::function<void(const CTenderFix&)> showFixProperties;

    // The "Tender Tracking" page of the Target Options sheet.
    app::CXPropertyPage* MakeOptionsPage(QWidget* parent);
    // Applies the page's values: tracking takes them, the circles are
    // counted again, the rows and messages follow. A failure's text, or empty.
    std::string ApplyOptions(const CTenderOptions& options);

    void ToggleActive();
    void ResetManOverboard();
    void SetCurrent(int channel);
    // "Target Properties" of the tender on `channel`.
    void ShowProperties(int channel);
    // "Current Target > Save": flips the current tender's "Save Target".
    void ToggleSaveTarget();
    void ToggleLogWindow();
    // The pass of the navigation cycle (each second).
    void Pass();

    // The navigator's list: its pass then runs this module's pass (the
    // frame's timer no longer does) and a closing log drops the tenders.
    void SetVesselList(std::shared_ptr<navigator::CVesselList> vessels);
    // navigator::CTargetModuleCalls
    void TargetPass() override { Pass(); }
    void CheckTargetAges(bool) override { }
    // Every tender goes: rows, sheet, log window, flags and counts with it;
    // the channel slots are emptied under the store's lock.
    void ResetTargets() override;
    void StopSimulation() override { m_tracking.Simulator().Stop(); }

private:
    // Properties over a tender's position marker.
    PropertiesCall FixPropertiesAt(chart::CChartView& view, geo::IntPoint p);
    void UpdateMessages();
    // Windows, rows and messages after tenders went.
    void AfterRemoval();
    void WriteRow(const CTender& tender);
    // True when a row went.
    bool RemoveRows();
    void RepaintViews();
    void DropLayers();

    const platform::CClock& m_clock;
    nmea::CPortDirectory& m_ports;
    std::unique_ptr<CTargetLogRows> m_keptLogRows;   // outlives m_tracking's use of it
    CTenderTracking m_tracking;
    app::CModuleHost* m_host = nullptr;
    QPointer<CTargetTrackingPanel> m_panel;
    QPointer<CTenderLogWindow> m_log;
    std::unique_ptr<CTenderPropertySheet> m_propertySheet;
    app::CMsgBar* m_messages = nullptr;
    app::MsgHandle m_circleMsg = nullptr;
    app::MsgHandle m_rangeMsg = nullptr;
    app::MsgHandle m_simulationMsg = nullptr;
    app::MsgHandle m_panicMsg = nullptr;
    app::MsgHandle m_offMsg = nullptr;
    std::vector<int> m_rows;   // channels with a row on the card
    geo::CPositionFormat m_rowFormat;   // the position format the rows were written in
    std::map<chart::CChartView*, std::unique_ptr<CTenderTargetLayer>> m_layers;
    // Ranked with the position fixes, after the own track's and the radar targets'.
    CFixMarkerProperties m_fixProperties{
        chart::PropertiesOrder::TenderFixes,
        [this](chart::CChartView& view, geo::IntPoint p) { return FixPropertiesAt(view, p); }};
    std::shared_ptr<navigator::CVesselList> m_vessels;
};

}   // namespace targets

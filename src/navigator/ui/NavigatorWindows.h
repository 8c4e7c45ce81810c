#pragma once
// The navigator module as the program creates it: the core module plus its
// window side (the monitor panel, the modeless datum question) and the
// start-up variables of scripted checks.

#include <QPointer>

#include <functional>
#include <map>
#include <memory>

#include "app/ui/ListControls.h"
#include "app/ui/ModuleUi.h"
#include "app/ui/QtPrompt.h"
#include "chart/ui/ChartView.h"
#include "navigator/NavigatorModule.h"
#include "navigator/ui/TrackLayer.h"

namespace navigator {
class CAutopilotLink;
class CInstruments;
class CLogbookRows;
struct CLoggingValues;
}   // namespace navigator

namespace app {
class CModelessPropertySheet;
}
namespace app {
class CSettingsHome;
}
class QDialog;
class QTableView;
namespace app {
class CMsgBar;
}
namespace nmea {
class CInstrumentConfig;
class CInstrumentsModule;
class CPortList;
struct CGPSOptions;
}   // namespace nmea
namespace platform {
class CClock;
}

namespace navigator {

class CMonitorPanel;
class CVesselModule;
struct CGeneralNavigatorValues;
class CPortDumpWindows;
class CPositionMarkerSheet;

class CNavigatorWindows final : public navigator::CNavigatorModule,
                                public app::CModuleUi,
                                public chart::CChartViewExtension {
public:
    CNavigatorWindows(app::CSettingsHome& settings, const platform::CClock& clock);
    ~CNavigatorWindows() override;

    app::CModuleUi* Ui() override { return this; }
    bool CreateSidePanels(app::CModuleHost& host, std::vector<app::CSidePanel*>& panels) override;
    bool Terminate() override;
    void RegisterCommands(app::CCommandTable& commands) override;
    // "Navigator > Position Source...": the dialog, applied on OK.
    void OnPositionSource();
    // The program-wide position format changed: the Monitor panel's position,
    // the logbook window's rows and the position marker's properties are
    // written again in it.
    void PositionFormatChanged();
    // The dialog opened at a position (the chart's "Position Vessel" opens
    // it for dead reckoning from the clicked point), applied on OK.
    void SetVesselPosition(const geo::CPosition& position, bool fromChart);
    // "Position Vessel" is offered while no NMEA position has come since
    // the start, or while dead reckoning runs.
    bool CanPositionVessel();
    // The centre of the active chart window's chart; none without one.
    std::function<std::optional<geo::CPosition>()> activeChartCentre;
    // The active chart's datum shift of a position: into the chart's datum
    // (toChart) or from it back into the position's; none without an active
    // chart or off it.
    std::function<std::optional<geo::CPosition>(const geo::CPosition&, bool toChart)>
        activeChartDatumShift;
    // "Navigator > Autoscroll Restrictions...": the charts taken off the list on Remove.
    void OnAutoscrollRestrictions();
    void LoadSettings() override;
    void SaveSettings() override;
    void ShutDown() override;
    void CloseWorkspaceWindows() override;
    CPortDumpWindows* DumpWindows() const { return m_dumpWindows.get(); }

    CMonitorPanel* Panel() const;
    // The route changed (another route, waypoint, name): the Monitor shows it
    // also while no position comes.
    void RefreshRouteTexts();
    navigator::CInstruments* Instruments() const { return m_instruments.get(); }
    // The application's port list, before the frame's windows are made.
    void SetPortList(nmea::CPortList* ports) { m_portList = ports; }
    // Pages of other modules for the navigator's options sheet (the autopilot's).
    void SetExtraOptionPages(std::function<std::vector<app::COptionPageFactory>()> pages)
    {
        m_extraPages = std::move(pages);
    }
    // The instruments module whose sentences, repeater and warning switch
    // the NMEA page shows beside the GPS's.
    // Its autopilot steers by the monitor panel's values from then on.
    void SetInstrumentsModule(nmea::CInstrumentsModule* module);
    // A sentence group of a module made after the navigator (the radar's) for
    // the NMEA page: its tree root's text, the module's entries (none while
    // the module is gone) and how the module stores them.
    struct CSentenceSource {
        std::string title;
        std::function<nmea::CInstrumentConfig*()> config;
        std::function<void()> save;
    };
    void AddSentenceSource(CSentenceSource source)
    {
        m_sentenceSources.push_back(std::move(source));
    }
    // "Navigator > Options...".
    void OpenNavigatorOptions();

    // The vessel log's windows and the File menu's log items.
    void OnStartEndVoyage();
    void OnLogbookEntry();
    bool CanMakeLogbookEntry() const;
    void OpenLogbookWindow();
    app::CListFrame* LogbookFrame() const { return m_logbookFrame.data(); }
    bool OpenLogFromChooser();
    // File > New > Log > Database: the open log closes (asked about as any
    // close is) and a new one starts.
    bool NewLog();
    bool SaveLogAs();

    // "Position Marker Properties" showing one track fix (opened or raised),
    // its position and time as the program writes them.
    void ShowPositionMarker(const CTrackFix& fix);
    CPositionMarkerSheet* PositionMarkerSheet() const { return m_markerSheet.get(); }
    std::function<geo::CPositionFormat()> positionFormat;
    // The layout of position entry fields (the frame's position template);
    // without it the fields keep their own.
    std::function<std::string()> positionTemplate;
    std::function<std::string(std::chrono::system_clock::time_point)> localTime;
    // The vessel module (its heading-line and vector switches), asked at each use.
    std::function<CVesselModule*()> vesselModule;
    // The own vessel is drawn again on every chart (after the General page applied).
    std::function<void()> redrawCharts;

    // CChartViewExtension: each view draws the tracks as a dynamic layer.
    void ViewCreated(chart::CChartView& view) override;
    void ViewDestroyed(chart::CChartView& view) override;
    // Properties over a position marker of the own track.
    PropertiesCall PropertiesAt(chart::CChartView& view, geo::IntPoint p) override;
    // "Position Vessel": the monitor panel's entry in the chart's right-click menu.
    void AddContextMenu(chart::CChartView& view, QMenu& menu, geo::IntPoint p,
                        chart::MenuSection section, bool onChart) override;
    const QWidget* SidePanel() const override;
    chart::PropertiesOrder PropertiesRank() const override
    {
        return chart::PropertiesOrder::PositionFixes;
    }

    // The datum question ("GPS Configuration"), as the position source asks it once its
    // wait for a datum is over.
    void ShowGpsConfigurationQuestion();

private:
    void ApplyScriptedStart(bool startReplay);
    void CreateInstruments(app::CMsgBar& bar);
    void AddNmeaPage(app::CModelessPropertySheet& sheet);
    void AddGeneralPage(app::CModelessPropertySheet& sheet);
    void ApplyGeneralOptions(const CGeneralNavigatorValues& values);
    void ApplyAutoscrollOptions(int percentage, bool select, bool resume, long checkSeconds,
                                long resumeSeconds);
    void ApplyGpsOptions(nmea::CGPSOptions& now, const nmea::CGPSOptions& before);
    void ApplyLoggingOptions(const CLoggingValues& values);
    void WriteStateFile();
    void RegisterLogCommands(app::CCommandTable& commands);
    void CreateLogServices();
    void RefreshLogbookWindow();
    void RepaintViews();
    QString LogbookTitle() const;
    static void SizeLogbookColumns(QTableView& view);

    const platform::CClock& m_clock;
    std::unique_ptr<navigator::CInstruments> m_instruments;
    std::unique_ptr<CPortDumpWindows> m_dumpWindows;   // after the ports: goes first
    nmea::CPortList* m_portList = nullptr;
    QPointer<CMonitorPanel> m_panel;
    QPointer<QDialog> m_gpsQuestion;
    QWidget* m_window = nullptr;
    app::CModuleHost* m_host = nullptr;   // shows the monitor panel on View > Monitor
    std::string m_stateFile;
    std::function<std::vector<app::COptionPageFactory>()> m_extraPages;
    QPointer<QWidget> m_optionsSheet;
    nmea::CInstrumentsModule* m_instrumentsModule = nullptr;
    std::vector<CSentenceSource> m_sentenceSources;
    std::unique_ptr<CAutopilotLink> m_autopilotLink;
    long long m_lastNmeaFixMs = 0;
    std::unique_ptr<app::CQtPrompt> m_logPrompt;
    QPointer<app::CListFrame> m_logbookFrame;
    std::shared_ptr<navigator::CLogbookRows> m_logbookRows;
    std::map<chart::CChartView*, std::unique_ptr<CTrackLayer>> m_trackLayers;
    std::unique_ptr<CPositionMarkerSheet> m_markerSheet;
    std::optional<CTrackFix> m_markerFix;   // the fix the marker sheet shows
};

}   // namespace navigator

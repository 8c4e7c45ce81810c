#pragma once
// The program's main window: the MDI area for chart and list windows, the
// menu bar, toolbars, status bar, message bar and docking side panels; it
// creates and owns the modules, drives the periodic timer pass, runs the
// close sequence and tears everything down in reverse order.

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QToolBar>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandTable.h"
#include "app/FrameSettings.h"
#include "app/FrameTimer.h"
#include "app/Module.h"
#include "app/MsgBar.h"
#include "app/PostedMessageQueue.h"
#include "app/SystemUtils.h"
#include "app/ToolbarLayout.h"
#include "app/ToolsOptions.h"
#include "app/ui/ModuleUi.h"

namespace app {
class CAboutDlg;
}
namespace chart {
class CChartFrame;
}
namespace chart {
class CChartPropDlg;
}
namespace chart {
class CChartDoc;
class CChartingModule;
}   // namespace chart
namespace app {
class CDocument;
}
namespace app {
class CPostedMessagePump;
}
namespace app {
class CFullScreenMode;
}
namespace app {
class CMsgBarWnd;
}
namespace app {
class CQtWaitStatusPane;
}
namespace app {
class CSidePanel;
}
namespace app {
class CTechSuppDLG;
}
namespace app {
class CTimer;
}
namespace app {
class CWorkspaceManager;
}
namespace platform {
class CSettingsStore;
}
namespace geo {
class CGeomag;
class CPosition;
}   // namespace geo
namespace app {
class CXStatusBar;
}
class QLabel;
class QPrinter;
class QMdiArea;
class QMenu;
class QToolBar;
namespace platform {
class CClock;
class CPrompt;
}   // namespace platform
namespace navigator {
class CNavigatorWindows;
}

namespace shell {

struct CModuleReportHost;

class CVariationMsgBarNotices;
class CFrameWorkspace;

// What the application hands its main frame.
struct CFrameServices {
    app::CTimer* timerIds = nullptr;
    platform::CPrompt* prompt = nullptr;
    const platform::CClock* clock = nullptr;
    app::CAlertSound* sound = nullptr;
    std::filesystem::path programFolder;
    std::filesystem::path audioFolder;
    std::vector<std::string> commandLine;   // lower-case words
    // "--sample-media <folder>": the sample chart media a first start installs.
    std::string sampleMediaFolder;
    // "--sample-cells <folder>": the sample vector chart cells a first start
    // installs; their overview opens over the media's chart.
    std::string sampleCellsFolder;
    // The frame's modules in creation order; each is created, kept and
    // initialised in turn, and the first that fails stops creation.
    std::vector<std::function<std::unique_ptr<app::CModule>()>> moduleFactories;
    // Shows the start-up disclaimer modally over the frame; true when accepted.
    std::function<bool(QWidget* frame)> showDisclaimer;
    // The build's date and time, for the About box.
    QDateTime buildTime;
    // Where workspaces and the frame's settings live; without one (tests)
    // no workspace is opened or saved.
    platform::CSettingsStore* settings = nullptr;
    // Screen, mouse, printer and sound facts; without one (tests), those of no
    // window system. Not owned: the application keeps it past the frame.
    app::CDesktop* desktop = nullptr;
    // What start-up has to tell the user (a damaged settings file set
    // aside): shown on the message bar until the user clears it.
    std::vector<std::string> startupNotices;
};

class CMainFrame final : public QMainWindow, public app::CModuleHost {
    Q_OBJECT
public:
    explicit CMainFrame(CFrameServices services);
    ~CMainFrame() override;

    // Creates everything the frame owns, in order, and shows the frame.
    // False (after "Failed to Initialise main system") when a step failed;
    // what was created stays owned and is released by TearDown.
    bool OnCreate();
    // The end of start-up: one idle pass, the disclaimer, then the timer runs.
    bool CompleteStartUp();
    bool SuspendTimer(bool suspend) { return m_frameTimer.SuspendTimer(suspend); }

    // The application's idle pass: flags computed by the application, then
    // the modules' and the frame's command states. A pass over what is on
    // screen leaves out the actions seen only in menus and the hidden side
    // panels: menus take their states when they open, the rest at the next
    // full pass.
    enum class CmdUIScope { Everything, OnScreen };
    void SetResourceFlags(bool lowMemory, bool lowDisk);
    // While `menu` is open, the message pane says why its grey entries are grey.
    void ShowWhyGrey(QMenu& menu);
    void UpdateModuleCmdUI(bool disableIfNoHandler, CmdUIScope scope = CmdUIScope::Everything);

    // One timer pass, as the 500 ms timer runs it.
    void OnTimer();
    // Run after every timer pass (the application's idle pass rides on it).
    void SetAfterTimerPass(std::function<void()> afterPass)
    {
        m_afterTimerPass = std::move(afterPass);
    }

    void SetActiveSidePanel(app::CSidePanel* panel);
    app::CSidePanel* ActiveSidePanel() const { return m_activeSidePanel; }
    // Every side panel, in the order the modules created them.
    std::vector<app::CSidePanel*> SidePanels() const;
    void ShowToolbarContextMenu(QPoint globalPos);

    // Closes without the exit question (scripted runs); the other questions
    // still come.
    void CloseWithoutConfirmation();
    // Closes with nobody there to answer (the program was told to end by a
    // logout or a shutdown): the close of File > Exit without any of its
    // questions, temporary databases with records left for the next start.
    void CloseUnattended();
    // Releases what exists, newest first; safe to call more than once.
    void TearDown();
    void RaiseFromSecondStart();

    // Accessors for the program and its tests.
    app::CCommandTable& Commands() { return m_commands; }
    QAction* Action(unsigned id) const;
    app::CMsgBar* MsgBar() const { return m_msgBar.get(); }
    app::CMsgBarWnd* MsgBarWnd() const { return m_msgBarWnd; }
    app::CXStatusBar* StatusBar() const { return m_statusBar; }
    QMdiArea* MdiArea() const { return m_mdi; }
    app::CFullScreenMode* FullScreen() const { return m_fullScreen.get(); }
    QToolBar* ToolBar(unsigned id) const;
    const std::map<unsigned, QToolBar*>& ToolBars() const { return m_toolBars; }
    app::CWorkspaceManager* Workspace() const { return m_workspace.get(); }
    bool ReloadWorkspace() const { return m_reloadWorkspace; }
    bool AutoSaveWorkspace() const { return m_autoSaveWorkspace; }
    bool ConfirmClosedown() const { return m_confirmClosedown; }
    // How positions are shown ("DecimalPlaces", "DisplayDegMinSecPosition").
    int DecimalPlaces() const { return m_decimalPlaces; }
    bool DegMinSec() const { return m_degMinSec; }
    bool AudioAlerts() const { return m_audioAlerts; }

    // Workspace hooks: transient windows closed when a workspace is left, and
    // the frame's and modules' settings read from and written to the
    // current workspace.
    void CloseWorkspaceWindows();
    // Another workspace opens: each module offers to save what would be
    // lost, then the workspace's windows close.
    void LeaveWorkspace();
    void LoadWorkspaceValues();
    void SaveWorkspaceValues();
    const app::CModuleList& Modules() const { return m_modules; }
    geo::CGeomag* Geomag() const { return m_geomag.get(); }
    // The modules' reports as File > Print and Print Preview run them.
    CModuleReportHost ModuleReportHost();
    bool IsCreated() const { return m_created; }
    bool IsTimerSuspended() const { return m_frameTimer.IsSuspended(); }
    void SetConfirmClosedown(bool on) { m_confirmClosedown = on; }
    // As the System page sets it (a machine without a sound output starts with it off).
    void SetAudioAlerts(bool on) { m_audioAlerts = on; }
    app::MsgHandle MemoryLowMessage() const { return m_hMsgMemoryLow; }
    app::MsgHandle DiskLowMessage() const { return m_hMsgDiskLow; }
    app::MsgHandle LargerScaleMessage() const { return m_hMsgLargerScale; }
    // The floating "Range & Bearing" bar the chart view opens in range and
    // bearing mode; it is kept out of the toolbar list and the workspace's
    // bar layout, and its place is remembered.
    QToolBar* CreateRangeBearingBar();
    QToolBar* RangeBearingBar() const { return m_rangeBearingBar; }
    QPoint RangeBearingBarPosition() const { return m_ptRangeBearingBar; }
    // Where a range and bearing bar of that size opens.
    QPoint RangeBearingBarPlace(const QSize& size) const;
    void CloseRangeBearingBar();

    // The navigator's best-chart check switches the larger-scale message.
    void UpdateLargerScaleMessage(bool a, bool b, bool c);

    // The frame's messages (0x501 to 0x504, and the modules' own): any thread
    // posts here, the frame handles them on its own thread and then hands
    // each to every module.
    app::CPostedMessageQueue& PostedMessages() override { return m_posted; }
    // What modules' windows get from the frame.
    QMainWindow& Window() override { return *this; }
    app::CMsgBar& Messages() override { return *m_msgBar; }
    void ActivateSidePanel(app::CSidePanel* panel) override { SetActiveSidePanel(panel); }
    bool IsActiveSidePanel(const app::CSidePanel* panel) const override
    {
        return panel && panel == m_activeSidePanel;
    }
    void OpenOptionsAt(const std::string& pageTitle) override;
    // The options sheet's pages: every module's, in module order.
    std::vector<app::COptionPageFactory> OptionPages() const;
    // Open documents the frame may be asked to close by identity.
    void AddDocument(app::CDocument* doc);

    // ---- Chart windows (MainFrameCharts.cpp) ----
    chart::CChartingModule* Charting() const { return m_charting; }
    // The navigator's module with its windows; none in a program without it.
    navigator::CNavigatorWindows* Navigator() const;
    // Opens a chart file by its kind into a new chart window; a new blank
    // chart for an empty path. With `replace` the new window takes the
    // place of the chart window of the same id, which then closes. Null
    // when nothing opened.
    chart::CChartDoc* OpenChart(const std::string& path, bool replace, int windowId);
    // Brings the position into view: the active chart, when it covers the
    // position, is centred on it and redrawn. False when the position is not
    // valid or no active chart covers it.
    bool GoToPosition(const geo::CPosition& position);
    // A chart window is active and its chart loaded.
    bool IsActiveChartLoaded() const;
    // A chart window became active (null: none is).
    void ActivateChartFrame(chart::CChartFrame* frame);
    // The chartpoint panel shows the current chartpoint again and refills
    // its datum list: a chart window became active, or another part of a
    // chart became current under the mouse.
    void OnChartpointChanged();
    // Reopens what the workspace names: its charts, then the folio; then
    // opens the chartpoint database the workspace's settings name.
    void RestoreWindows();
    // The command the Del key runs outside a text field: the delete of the
    // active side panel's selection (Chartpoint > Delete on the chartpoint
    // panel, Route > Waypoint > Delete on the route panel); none for other
    // panels, whose lists and chart views take Del.
    std::optional<unsigned> SidePanelDeleteCommand() const;
    // Where modules keep their settings: the current workspace.
    app::CSettingsHome& SettingsHome();
    const CFrameServices& Services() const { return m_services; }
    // The desktop facts the application handed over, or those of no window system.
    app::CDesktop& Desktop() { return m_services.desktop ? *m_services.desktop : m_noDesktop; }
    app::CFrameSettings& FrameSettings() { return m_frameSettings; }
    std::string GetPositionTemplate() const;
    // Hands the position template to the position fields the frame placed.
    void GivePositionTemplate();
    bool IsLowMemory() const { return m_lowMemory; }
    // The main window's layout (geometry, toolbars and docks, floating ones
    // too) as stored bytes, and back; places on no screen come back on one.
    std::string SaveLayout() const;
    bool RestoreLayout(const std::string& bytes);
    // After a workspace's bars are loaded: the floating range-and-bearing
    // bar goes, and layouts of earlier versions reach today's commands.
    void UpdateWorkspaceToolBars();
    // Range and bearing mode (application-wide) and its bar's label.
    bool IsRangeBearingMode() const { return m_rangeBearingMode; }
    void SetRangeBearingMode(bool on);
    void ShowRangeBearingLabel(const std::string& text);
    QString RangeBearingLabel() const;
    // Prints the active chart on `printer`; with `preview` into a preview
    // window instead. False when there is no chart to print.
    bool PrintActiveChart(QPrinter& printer);
    // The print dialog on the session's printer, then the active chart on it.
    bool PrintActiveChartWithDialog();
    void PreviewActiveChart();
    // The printer Print Setup sets up and Print and Print Preview use.
    QPrinter& Printer();
    // A command run after the current event when its update handler enables it.
    void PostCommand(unsigned id);
    // The chart properties window while it is open.
    chart::CChartPropDlg* ChartProperties() const;
    // Opens the active chart's properties window, or brings it forward.
    void ShowChartProperties();
    // The modeless option sheets open now, each once, in the order they came.
    std::vector<QWidget*> ModelessSheets();
    // Update Folio: the vector chart folder's folio rebuilt under a progress
    // dialog, its outcome shown; after a folio with charts the chart folio is
    // built again. True for such a folio.
    bool UpdateVectorFolio();

    // Tools > Customise and the toolbars' buttons kept with the workspace.
    void OpenCustomise();
    std::vector<app::CToolbarButtons> CurrentToolbarButtons() const;
    void ApplyToolbarButtons(const std::vector<app::CToolbarButtons>& bars);
    void LoadToolbarButtons();
    // Every toolbar's buttons and the user's toolbars, under the current workspace.
    void SaveWorkspaceToolbars();
    // A button id stored with a workspace's toolbars that loading takes.
    bool IsStoredButtonKnown(unsigned id);
    // The user's toolbars of the workspace made, renamed or removed to match
    // what is stored (before its layout is applied, which places them).
    void LoadUserToolbars();
    void SyncUserToolbars(const std::vector<app::CToolbarButtons>& bars);
    // The action of a command, made on first use.
    QAction* CommandAction(unsigned id);
    // The menu bar's menu of a menu-bar button id, or null for any other id.
    QMenu* TopMenu(unsigned id) const;
    // A module's own toolbar control for `id` (kept with the actions), or none.
    QAction* ModuleToolBarControl(unsigned id);

protected:
    void closeEvent(QCloseEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    QMenu* createPopupMenu() override;

private:
    bool Fail();
    bool CreateSidePanels();
    void FillBarMenu(QMenu& menu);
    void AddSidePanel(app::CSidePanel* panel);
    void ReportSidePanels();
    void BuildMenus();
    void BuildToolBars();
    QToolBar* MakeToolBar(unsigned id, const QString& title);
    void FillWindowList(QMenu* menu);
    void RegisterFrameCommands();
    void UpdateClockPane();
    void RunTimerJobs();
    // A notice on the message bar until the user clears it; empty text: none.
    void ShowFrameNotice(const std::string& text);
    // Shift+F6: the keyboard between the side panel and the active chart.
    void SwapPanelChartFocus();
    // The "Files In Use" page of System Information.
    std::string FilesInUseText() const;
    void ShowAboutBox();
    // Ctrl+Alt+Shift+A: after two questions, every raster chart window
    // closes and both raster services delete their chart system; the folio
    // is built again without them.
    void DeleteRasterChartSystem();
    void ShowTechSupport();
    void OpenHelp();
    void ToggleStatusBar();
    void ToggleSidePanel();
    bool RunClose(bool confirm, bool unattended = false);
    void ExecuteCommand(unsigned id);
    bool ReopenWorkspace();
    void StoreClosingSettings();
    // The frame's own values copied into the settings record the workspace
    // reads and writes.
    void KeepFrameValuesInSettings();
    // Station messaging, when this program runs it, leaves and joins again
    // around a workspace change.
    void StopStationMessaging();
    void StartStationMessaging();
    void OnPostedMessage(const app::CPostedMessage& msg);
    // Closes the chart document; the window that took its place (its
    // document's identity, 0 for none) or else the next chart window comes
    // to the front.
    void OnChartWindowClosed(std::uint64_t docId, std::uint64_t successorId = 0);
    void OnModelessSheetNotify(bool add, std::uint64_t sheetId);
    void RegisterChartCommands();
    // Vector charts: Chart > Update Folio, and File > Open's "Livechart".
    void RegisterVectorChartCommands();
    bool HasVectorCharts() const;
    // File > New (a window of its own) and File > Open (in the ordinary chart window's place).
    void OpenVectorChartFile(bool replace);
    void OpenRasterChartFile(bool replace);
    void ActivateNextChartFrame();
    void UpdatePositionPane();
    void KeepWindowsOnScreen();
    // Tools Options: the frame's pages first, then every module's.
    void OpenToolsOptions(const std::string& pageTitle = {});
    void ApplyWorkspaceOptions(const app::CWorkspaceOptions& options);
    void ApplySystemOptions(const app::CSystemOptions& options);
    app::CWorkspaceOptions CurrentWorkspaceOptions() const;
    app::CSystemOptions CurrentSystemOptions() const;

    CFrameServices m_services;
    app::CNoDesktop m_noDesktop;
    app::CCommandTable m_commands;
    std::map<unsigned, QAction*> m_actions;
    std::function<void()> m_afterTimerPass;
    std::chrono::steady_clock::time_point m_msgBarsTicked;   // every message bar's 1 s tick
    std::map<unsigned, QToolBar*> m_toolBars;
    QMdiArea* m_mdi = nullptr;

    app::CFrameTimer m_frameTimer;
    QTimer m_timer;
    int m_timerId = 0;
    bool m_datumsLoaded = false;

    std::unique_ptr<app::CMsgBar> m_msgBar;
    app::CMsgBarWnd* m_msgBarWnd = nullptr;
    app::MsgHandle m_hMsgMemoryLow = nullptr;
    app::MsgHandle m_hMsgDiskLow = nullptr;
    app::MsgHandle m_hMsgLargerScale = nullptr;
    std::vector<app::MsgHandle> m_notices;
    app::CXStatusBar* m_statusBar = nullptr;
    std::unique_ptr<app::CQtWaitStatusPane> m_waitPane;
    std::unique_ptr<app::CFullScreenMode> m_fullScreen;
    app::CModuleList m_modules;
    std::unique_ptr<CVariationMsgBarNotices> m_variationNotices;
    std::unique_ptr<geo::CGeomag> m_geomag;
    std::vector<QPointer<app::CSidePanel>> m_panels;
    app::CSidePanel* m_activeSidePanel = nullptr;
    QPointer<app::CAboutDlg> m_aboutDlg;
    QPointer<app::CTechSuppDLG> m_techSupportDlg;

    bool m_created = false;
    bool m_closing = false;
    bool m_tornDown = false;
    bool m_modulesLinked = false;   // LinkModules ran; UnlinkModules is owed
    bool m_confirmClosedown = true;
    bool m_lowMemory = false;
    bool m_lowDisk = false;
    QPointer<QToolBar> m_rangeBearingBar;
    QPoint m_ptRangeBearingBar{10, 10};
    bool m_reloadWorkspace = true;
    bool m_reportTimerJobs = false;
    // The side panels' state last logged (BRINE_REPORT_PANELS).
    QString m_reportedPanels;
    bool m_autoSaveWorkspace = false;
    bool m_reloadDocs = true;
    // A start that reopened no workspace: the modules keep their own values
    // and no workspace's charts reopen, until a workspace is opened or saved.
    bool m_withoutWorkspace = false;
    std::uint8_t m_decimalPlaces = 2;
    bool m_degMinSec = false;
    bool m_audioAlerts = true;
    bool m_autoConfigurePorts = true;
    std::uint8_t m_threadPriority = 0;
    std::unique_ptr<CFrameWorkspace> m_workspaceHooks;
    std::unique_ptr<app::CWorkspaceManager> m_workspace;
    std::vector<QPointer<app::CDocument>> m_documents;
    std::vector<QPointer<QWidget>> m_listSheets;
    std::unique_ptr<app::CSettingsHome> m_home;
    chart::CChartingModule* m_charting = nullptr;
    app::CFrameSettings m_frameSettings;
    bool m_layoutRestored = false;
    std::optional<std::string> m_pendingLayout;
    // The restored place the window is held to until its frame is seen.
    std::optional<QPoint> m_wantedPlace;
    QPointer<chart::CChartPropDlg> m_chartProps;
    std::shared_ptr<QPrinter> m_printer;
    QPointer<QLabel> m_rangeBearingLabel;
    bool m_rangeBearingMode = false;
    app::CPostedMessageQueue m_posted;
    std::unique_ptr<app::CPostedMessagePump> m_pump;   // after the queue: detaches before it goes
};

}   // namespace shell

#include "shell/MainFrame.h"

#include "app/StringUtils.h"

#include "app/DateTimeEx.h"
#include "shell/ComPortMenu.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextEdit>
#include <QToolBar>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/CloseSequence.h"
#include "app/CommandIds.h"
#include "app/Registry.h"
#include "app/SystemInfoText.h"
#include "app/SystemUtils.h"
#include "app/Timer.h"
#include "app/WaitStatus.h"
#include "app/WorkspaceManager.h"
#include "app/ui/Document.h"
#include "app/ui/FullScreenMode.h"
#include "app/ui/InfoDialogs.h"
#include "app/ui/MdiPlacement.h"
#include "app/ui/MsgBarWnd.h"
#include "app/ui/ObjectIds.h"
#include "app/ui/PostedMessagePump.h"
#include "app/ui/QtWaitHost.h"
#include "app/ui/SidePanel.h"
#include "app/ui/XStatusBar.h"
#include "chart/ChartWindow.h"
#include "chart/ChartingModule.h"
#include "chart/ui/ChartDocument.h"
#include "chart/ui/ChartFrame.h"
#include "chartpoints/ChartpointModule.h"
#include "db/DBInterface.h"
#include "geo/DatumInfo.h"
#include "geo/Geomag.h"
#include "navigator/NavigatorModule.h"
#include "navigator/ui/MonitorPanel.h"
#include "navigator/ui/NavigatorWindows.h"
#include "nmea/InstrumentsModule.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "routes/RouteModule.h"
#include "shell/FrameWorkspace.h"
#include "shell/MainMenus.h"
#include "shell/ModuleOrder.h"
#include "shell/RouteSetup.h"
#include "shell/SystemInfoDlg.h"
#include "shell/VariationNotices.h"

namespace shell {

namespace cmd = app::cmd;

namespace {

constexpr const char* kFailedMainSystem = "Failed to Initialise main system";

// The focus widget when it is an edit the Edit menu can act on.
QWidget* FocusEdit()
{
    QWidget* w = QApplication::focusWidget();
    if (!w || !w->isVisible())
        return nullptr;
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QTextEdit*>(w) ||
        qobject_cast<QPlainTextEdit*>(w))
        return w;
    return nullptr;
}

// Every module reads its settings from the current workspace's key, in the
// settings order.
void LoadModuleSettings(const app::CModuleList& modules)
{
    for (app::CModule* m : shell::SettingsOrder(modules)) {
        m->LoadSettings();
        app::ReportModuleStep(app::ModuleStep::SettingsLoaded, *m);
    }
}

}   // namespace

CMainFrame::CMainFrame(CFrameServices services)
    : m_services(std::move(services)), m_frameTimer(*m_services.clock)
{
    setObjectName("MainFrame");
    // BRINE_REPORT_TIMER logs each run of the 1 s and 10 s jobs, for scripted
    // checks of the cadence in the running program.
    m_reportTimerJobs = std::getenv("BRINE_REPORT_TIMER") != nullptr;
    // BRINE_REPORT_FOCUS logs the window the program holds active (its
    // window system id and title) at each change, so a scripted check can
    // wait until an activation has arrived before it presses on the window.
    if (std::getenv("BRINE_REPORT_FOCUS")) {
        connect(qApp, &QGuiApplication::focusWindowChanged, this, [](QWindow* window) {
            if (window)
                qInfo("Brinevane: focus: %llu %s", static_cast<unsigned long long>(window->winId()),
                      qPrintable(window->title()));
            else
                qInfo("Brinevane: focus: none");
        });
        // And the button given the keyboard focus (a shared Alt+letter
        // focuses its buttons in turn), by its object name.
        connect(qApp, &QApplication::focusChanged, this, [](QWidget*, QWidget* now) {
            if (auto* button = qobject_cast<QAbstractButton*>(now);
                button && !button->objectName().isEmpty())
                qInfo("Brinevane: focus button: %s", qPrintable(button->objectName()));
        });
    }
    setWindowTitle("Brinevane");
    // Audio alerts are on by default only where a sound output exists.
    m_audioAlerts = Desktop().HasWaveDevice();
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(1024, 768);
    // Every window of the program shows the program's icon, the frame's
    // child windows and dialogs too.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/brinevane.svg")));
    m_pump = std::make_unique<app::CPostedMessagePump>(
        m_posted, [this](const app::CPostedMessage& msg) { OnPostedMessage(msg); }, this);
}

CMainFrame::~CMainFrame()
{
    TearDown();
}

bool CMainFrame::Fail()
{
    m_services.prompt->Ask(kFailedMainSystem, "Brinevane", platform::PromptIcon::Stop,
                           platform::PromptButtons::Ok);
    return false;
}

bool CMainFrame::OnCreate()
{
    // The periodic timer: its passes do nothing until start-up completes.
    m_timerId = m_services.timerIds->AllocateID();
    if (m_timerId == 0)
        return Fail();
    m_timer.setInterval(500);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CMainFrame::OnTimer);
    m_timer.start();

    // A failed load may leave the rows read before the failure: freed at tear-down.
    m_datumsLoaded = true;
    if (!geo::CDatumInfo::LoadTable(m_services.programFolder))
        return Fail();

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName("MdiArea");
    m_mdi->setBackground(QColor(96, 110, 128));
    setCentralWidget(m_mdi);
    app::PlaceNewWindowsInside(*m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this,
            [this](QMdiSubWindow* w) { ActivateChartFrame(qobject_cast<chart::CChartFrame*>(w)); });
    // With BRINE_REPORT_FOCUS the window in front inside the main window too.
    if (std::getenv("BRINE_REPORT_FOCUS"))
        connect(m_mdi, &QMdiArea::subWindowActivated, this, [](QMdiSubWindow* w) {
            if (w)
                qInfo("Brinevane: front window: %s", qPrintable(w->windowTitle()));
        });
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);

    m_msgBar = std::make_unique<app::CMsgBar>(*m_services.clock, *m_services.sound,
                                              m_services.audioFolder);
    m_fullScreen = std::make_unique<app::CFullScreenMode>(*this, *m_msgBar);

    // Each module's commands go in as it joins, so they answer before the
    // frame's own registrations of the same ids.
    for (const auto& make : m_services.moduleFactories) {
        if (!m_modules.Add(make()))
            return Fail();
        m_modules[m_modules.size() - 1]->RegisterCommands(m_commands);
        if (!m_charting)
            m_charting = dynamic_cast<chart::CChartingModule*>(m_modules[m_modules.size() - 1]);
    }

    // A missing or old magnetic model is reported on the message bar by the
    // model itself and does not stop the program.
    m_variationNotices = std::make_unique<CVariationMsgBarNotices>(*m_msgBar);
    m_geomag = std::make_unique<geo::CGeomag>(m_variationNotices.get());
    m_geomag->LoadModel(m_services.programFolder);

    m_statusBar = new app::CXStatusBar(this);
    setStatusBar(m_statusBar);
    connect(m_statusBar, &app::CXStatusBar::contextMenuAt, this,
            &CMainFrame::ShowToolbarContextMenu);
    m_waitPane = std::make_unique<app::CQtWaitStatusPane>(m_statusBar);
    app::CWaitStatus::SetStatusHost(m_waitPane.get());
    m_statusBar->SetPaneText(app::CXStatusBar::MessagePane, "Ready");

    if (!CreateSidePanels())
        return Fail();
    // Every module exists with its panels: they link to each other now.
    m_modules.ForEach([this](app::CModule& m) { m.LinkModules(m_modules); });
    m_modulesLinked = true;

    m_msgBarWnd = new app::CMsgBarWnd(*m_msgBar, this);

    m_msgBar->AddMessage(m_hMsgMemoryLow, "Warning, memory low", 65535, 0, false);
    m_msgBar->AddMessage(m_hMsgDiskLow, "Warning, disk space low", 65534, 0, false);
    m_msgBar->AddMessage(m_hMsgLargerScale, "Larger scale RNC available for vessel position", 21000,
                         0, false);
    for (const std::string& text : m_services.startupNotices) {
        app::MsgHandle& notice = m_notices.emplace_back(nullptr);
        m_msgBar->AddMessage(notice, text, 30000, 1, false);
        m_msgBar->SetMessageFlag(notice, true);   // the user clears it from the bar's menu
    }
    if (!m_notices.empty())
        m_msgBar->SwitchOn();

    RegisterFrameCommands();
    RegisterChartCommands();
    RegisterVectorChartCommands();
    if (m_services.settings) {
        m_workspaceHooks = std::make_unique<CFrameWorkspace>(*this);
        m_workspace =
            std::make_unique<app::CWorkspaceManager>(*m_services.settings, *m_workspaceHooks);
        m_workspace->RegisterCommands(m_commands);
        for (const std::string& problem : m_workspace->RepairWorkspaceStates())
            qWarning("Brinevane: %s", problem.c_str());
    }
    BuildMenus();
    if (QAction* ports = Action(cmd::kViewPortWindow)) {
        shell::BuildComPortMenu(*ports, m_commands);
        ports->setToolTip(QStringLiteral("View COM Port Receive/Transmit Window"));
    }
    BuildToolBars();

    // Until a workspace names another, the chart information panel is the
    // active one.
    if (!m_activeSidePanel)
        m_activeSidePanel = shell::ChartInfoPanel(SidePanels());
    if (!m_activeSidePanel && !m_panels.empty())
        m_activeSidePanel = m_panels.front();
    // The modules start from a new workspace's values; the workspace reopened
    // next reads its settings over them, a start without one keeps them.
    m_modules.ForEach([](app::CModule& m) { m.SetWorkspaceDefaults(); });
    const bool reopened = ReopenWorkspace();
    // Settings are read only when a workspace opens. A start that reopens
    // none (none saved, "noworkspace", ReloadWorkspace off or a failed open)
    // keeps the frame's own values (the chart information panel in front)
    // and the modules' own, whatever the unnamed workspace's key holds, and
    // no workspace's charts reopen.
    if (!reopened) {
        GivePositionTemplate();
        m_withoutWorkspace = true;
    }
    if (m_workspace)
        m_workspace->EndStartUp();
    // Panels hide and the active one comes back in its place; without a
    // workspace it and the status bar are shown, with one they keep the
    // visibility the workspace gave them. A panel the workspace's layout
    // showed hides before the frame shows: shown then, it sized a frame
    // without a stored geometry beyond the screen.
    bool anyPanelVisible = false;
    const auto hidePanels = [this, &anyPanelVisible] {
        for (const auto& p : m_panels) {
            if (p) {
                anyPanelVisible = anyPanelVisible || !p->isHidden();
                p->hide();
            }
        }
    };
    hidePanels();
    // A restored layout brings its own size and state (maximised or not).
    // Without one the frame is shown maximised; its normal size is the
    // desktop's available area, so a window manager that ignores the
    // maximise request still shows the whole frame.
    if (!m_layoutRestored) {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            setGeometry(screen->availableGeometry());
        showMaximized();
    } else {
        show();
    }
    if (m_pendingLayout) {
        RestoreLayout(*std::exchange(m_pendingLayout, std::nullopt));
    }
    KeepWindowsOnScreen();
    // The stored layout, applied once the frame shows, may show panels too.
    hidePanels();
    // Without a workspace to say otherwise, a left-handed mouse set-up docks
    // the side panel on the left.
    if (!reopened && m_activeSidePanel && Desktop().IsMousePresent() &&
        Desktop().AreMouseButtonsSwapped())
        m_activeSidePanel->SetAlignment(false);
    SetActiveSidePanel(m_activeSidePanel);
    if (m_activeSidePanel && (!reopened || anyPanelVisible))
        m_activeSidePanel->show();
    if (!reopened)
        m_statusBar->show();
    UpdateClockPane();
    m_created = true;
    return true;
}

bool CMainFrame::CompleteStartUp()
{
    UpdateModuleCmdUI(false);
    if (m_services.showDisclaimer && !m_services.showDisclaimer(this))
        return false;
    RestoreWindows();
    // The instrument devices open on their ports, whether or not a settings
    // load opened them already.
    m_modules.ForEach([](app::CModule& m) {
        if (auto* instruments = dynamic_cast<nmea::CInstrumentsModule*>(&m))
            instruments->RestartDevices();
    });
    // Settings saved while the chart window followed the vessel
    // ("MonitorWindowOn") end the start with the monitor panel as the side
    // panel, shown, whichever panel the workspace had in front.
    if (navigator::CNavigatorWindows* navigator = Navigator();
        navigator && navigator->MonitorWindowSetting())
        if (app::CSidePanel* monitor = navigator->Panel()) {
            SetActiveSidePanel(monitor);
            monitor->show();
            ReportSidePanels();
        }
    // A first start given the sample media installs them (when no chart is
    // installed yet) and shows the chart the service names; given the sample
    // vector cells as well, their overview opens over it.
    if (m_charting && m_charting->ChartFrames().empty()) {
        for (const std::string& folder :
             {m_services.sampleMediaFolder, m_services.sampleCellsFolder}) {
            if (folder.empty())
                continue;
            for (const auto& service : m_charting->ChartServices()) {
                const std::string chart = service->InstallSampleMedia(folder);
                if (chart.empty())
                    continue;
                // Like the blank chart below, the first chart fills the workspace.
                if (chart::CChartDoc* doc = OpenChart(chart, false, 0))
                    if (auto* frame = dynamic_cast<chart::CChartFrame*>(doc->GetChartFrame()))
                        frame->showMaximized();
                break;
            }
        }
    }
    // With nothing reopened and no chart installed the program still shows
    // a chart: the blank world chart.
    // A start asked to open documents of its own (scripted checks of the
    // viewers) shows those instead.
    const char* documents = std::getenv("BRINE_OPEN_FILES");
    if (m_charting && m_charting->ChartFrames().empty() && m_charting->GetFolio().empty() &&
        !(documents && *documents)) {
        // The first chart fills the workspace.
        if (chart::CChartDoc* doc = OpenChart("", false, 0))
            if (auto* frame = dynamic_cast<chart::CChartFrame*>(doc->GetChartFrame()))
                frame->showMaximized();
    }
    m_frameTimer.SuspendTimer(false);
    return true;
}

bool CMainFrame::ReopenWorkspace()
{
    if (!m_workspace)
        return false;
    app::CRegistry registry(*m_services.settings);
    if (registry.OpenKeyForRead(m_workspace->GetRoot())) {
        registry.ReadBool("ReloadWorkspace", m_reloadWorkspace);
        registry.Close();
    }
    const auto& words = m_services.commandLine;
    if (!m_reloadWorkspace || std::find(words.begin(), words.end(), "noworkspace") != words.end())
        return false;
    const std::optional<std::string> last = m_workspace->GetLastWorkspace();
    if (!last || !m_workspace->OpenWorkspace(*last))
        return false;
    setWindowTitle("Brinevane");
    return true;
}

QToolBar* CMainFrame::CreateRangeBearingBar()
{
    if (m_rangeBearingBar)
        return m_rangeBearingBar;
    auto* bar = new QToolBar("Range & Bearing", this);
    bar->setObjectName("ToolBar59403");
    bar->setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
    if (QAction* a = Action(cmd::kChartRangeBearing))
        bar->addAction(a);
    // The measurement in progress, in the interface font, bold.
    auto* label = new QLabel(bar);
    label->setObjectName("RangeBearingLabel");
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setMinimumWidth(
        label->fontMetrics().horizontalAdvance("00000nm, 000\u00B0, (000\u00B0)") + 8);
    bar->addWidget(label);
    m_rangeBearingLabel = label;
    bar->adjustSize();
    bar->move(RangeBearingBarPlace(bar->size()));
    bar->show();
    m_rangeBearingBar = bar;
    return bar;
}

// The bar opens where it was last. A place over the menu bar or a docked
// toolbar (the first opening's default among them) would hide commands: the
// bar then opens just inside the top-left corner of the chart windows' area.
QPoint CMainFrame::RangeBearingBarPlace(const QSize& size) const
{
    const QRect wanted(m_ptRangeBearingBar, size);
    auto covers = [&wanted](const QWidget* w) {
        return w != nullptr && w->isVisible() &&
               QRect(w->mapToGlobal(QPoint(0, 0)), w->size()).intersects(wanted);
    };
    bool hides = covers(menuWidget());
    for (const QToolBar* t : findChildren<QToolBar*>(Qt::FindDirectChildrenOnly))
        hides = hides || (t != m_rangeBearingBar && !t->isFloating() && covers(t));
    if (!hides || centralWidget() == nullptr)
        return m_ptRangeBearingBar;
    return centralWidget()->mapToGlobal(QPoint(10, 10));
}

void CMainFrame::CloseRangeBearingBar()
{
    if (!m_rangeBearingBar)
        return;
    m_ptRangeBearingBar = m_rangeBearingBar->pos();
    delete m_rangeBearingBar.data();
}

void CMainFrame::LeaveWorkspace()
{
    // The chartpoint and route databases and the vessel log are closed with
    // the workspace and the next workspace's settings reopen the ones they
    // name: a temporary one with records is offered for saving first, and
    // Cancel keeps it open through the change.
    m_modules.ForEach([](app::CModule& m) {
        if (auto* points = dynamic_cast<chartpoints::CChartpointModule*>(&m))
            points->LeavingWorkspace();
        if (auto* routes = dynamic_cast<routes::CRouteModule*>(&m))
            routes->CloseDatabase(false);
        if (auto* navigator = dynamic_cast<navigator::CNavigatorModule*>(&m)) {
            navigator::CVesselLogbook& log = navigator->Logbook();
            if (log.IsOpen()) {
                const navigator::LogSaveResult saved = log.OfferSaveBeforeClose();
                if (saved != navigator::LogSaveResult::Cancelled &&
                    saved != navigator::LogSaveResult::Failed)
                    log.Close(true);
            }
        }
    });
    CloseWorkspaceWindows();
}

void CMainFrame::CloseWorkspaceWindows()
{
    StopStationMessaging();
    if (m_fullScreen)
        m_fullScreen->Exit();
    m_modules.ForEach([](app::CModule& m) { m.CloseWorkspaceWindows(); });
    if (m_aboutDlg)
        m_aboutDlg->close();
    if (m_techSupportDlg)
        m_techSupportDlg->close();
}

void CMainFrame::LoadWorkspaceValues()
{
    m_withoutWorkspace = false;
    if (m_workspace) {
        // A value the workspace lacks (or a key that cannot be opened) keeps
        // the frame's current one.
        KeepFrameValuesInSettings();
        m_frameSettings.Load(*m_services.settings, m_workspace->GetRegistryKey(),
                             Desktop().HasWaveDevice());
        m_decimalPlaces = app::ClampDecimalPlaces(m_frameSettings.decimalPlaces);
        m_degMinSec = m_frameSettings.degMinSec;
        m_audioAlerts = m_frameSettings.audioAlerts;
        m_autoConfigurePorts = m_frameSettings.autoConfigurePorts;
        // The ports are set up as the workspace says from their next open on.
        m_modules.ForEach([this](app::CModule& m) {
            if (auto* instruments = dynamic_cast<nmea::CInstrumentsModule*>(&m))
                instruments->SetAutoConfigurePorts(m_autoConfigurePorts);
        });
        m_threadPriority = static_cast<std::uint8_t>(
            std::clamp<std::uint32_t>(m_frameSettings.threadPriority, 0, 2));
        m_frameSettings.threadPriority = m_threadPriority;
        m_reloadDocs = m_frameSettings.reloadDocs;
        m_autoSaveWorkspace = m_frameSettings.autoSaveWorkspace;
        m_confirmClosedown = m_frameSettings.confirmClosedown;
        m_ptRangeBearingBar = QPoint(m_frameSettings.rangeBearingPoint.first,
                                     m_frameSettings.rangeBearingPoint.second);
        GivePositionTemplate();
        ShowFrameNotice(app::ApplyThreadPriority(static_cast<std::int32_t>(m_threadPriority)));
        for (app::CSidePanel* panel : SidePanels()) {
            if (!m_frameSettings.operationalMode.empty() &&
                panel->GetTitle().compare(QString::fromStdString(m_frameSettings.operationalMode),
                                          Qt::CaseInsensitive) == 0)
                m_activeSidePanel = panel;
        }
    }
    LoadModuleSettings(m_modules);
}

void CMainFrame::StopStationMessaging()
{
    m_modules.ForEach([](app::CModule& m) {
        if (auto* instruments = dynamic_cast<nmea::CInstrumentsModule*>(&m))
            instruments->StopStationMessaging();
    });
}

void CMainFrame::StartStationMessaging()
{
    m_modules.ForEach([](app::CModule& m) {
        if (auto* instruments = dynamic_cast<nmea::CInstrumentsModule*>(&m))
            instruments->StartStationMessaging();
    });
}

void CMainFrame::KeepFrameValuesInSettings()
{
    m_frameSettings.decimalPlaces = static_cast<std::uint8_t>(m_decimalPlaces);
    m_frameSettings.degMinSec = m_degMinSec;
    m_frameSettings.threadPriority = m_threadPriority;
    m_frameSettings.reloadDocs = m_reloadDocs;
    m_frameSettings.audioAlerts = m_audioAlerts;
    m_frameSettings.autoConfigurePorts = m_autoConfigurePorts;
    m_frameSettings.autoSaveWorkspace = m_autoSaveWorkspace;
    m_frameSettings.confirmClosedown = m_confirmClosedown;
    m_frameSettings.rangeBearingPoint = {m_ptRangeBearingBar.x(), m_ptRangeBearingBar.y()};
    if (m_activeSidePanel)
        m_frameSettings.operationalMode = m_activeSidePanel->GetTitle().toStdString();
}

void CMainFrame::SaveWorkspaceValues()
{
    m_withoutWorkspace = false;
    if (m_workspace) {
        KeepFrameValuesInSettings();
        m_frameSettings.Save(*m_services.settings, m_workspace->GetRegistryKey());
    }
    for (app::CModule* m : shell::SettingsOrder(m_modules)) {
        m->SaveSettings();
        app::ReportModuleStep(app::ModuleStep::SettingsSaved, *m);
    }
}

void CMainFrame::StoreClosingSettings()
{
    if (!m_workspace)
        return;
    app::CRegistry registry(*m_services.settings);
    if (registry.OpenKeyForWrite(m_workspace->GetRoot())) {
        registry.WriteBool("ReloadWorkspace", m_reloadWorkspace);
        registry.Close();
    }
    const std::vector<std::string> listed = m_workspace->GetWorkspaceList();
    const bool named =
        std::find(listed.begin(), listed.end(), m_workspace->GetCurrentName()) != listed.end();
    if (named && m_autoSaveWorkspace)
        m_workspace->SaveWorkspace(m_workspace->GetCurrentName());   // writes the store too
    else
        m_services.settings->Save();
}

void CMainFrame::RegisterFrameCommands()
{
    using Cmd = app::CCmdUI;
    const void* me = this;
    m_commands.Add(me, cmd::kAppExit, [this](unsigned) { close(); });
    m_commands.Add(me, cmd::kToolsOptions, [this](unsigned) { OpenToolsOptions(); });
    m_commands.Add(me, cmd::kViewToolbars, [this](unsigned) {
        m_fullScreen->Exit();
        ShowToolbarContextMenu(QCursor::pos());
    });
    m_commands.Add(
        me, cmd::kViewStatusBar, [this](unsigned) { ToggleStatusBar(); },
        [this](Cmd& ui) { ui.SetCheck(m_statusBar && !m_statusBar->isHidden() ? 1 : 0); });
    m_commands.Add(
        me, cmd::kViewSidePanel, [this](unsigned) { ToggleSidePanel(); },
        // Always offered: with no active panel it only leaves full screen.
        [this](Cmd& ui) {
            ui.SetCheck(m_activeSidePanel && !m_activeSidePanel->isHidden() ? 1 : 0);
        });
    m_commands.Add(
        me, cmd::kViewFullScreen,
        [this](unsigned) {
            m_fullScreen->SetCommand(Action(cmd::kViewFullScreen));
            m_fullScreen->Toggle();
        },
        [this](Cmd& ui) { ui.SetCheck(m_fullScreen && m_fullScreen->IsActive() ? 1 : 0); });
    m_commands.Add(me, cmd::kToolsCustomise, [this](unsigned) { OpenCustomise(); });
    m_commands.Add(me, cmd::kFocusPanelOrChart, [this](unsigned) { SwapPanelChartFocus(); });
    m_commands.Add(me, cmd::kSystemInformation, [this](unsigned) {
        // The program's own layers stand where the platform's libraries stood.
        std::vector<std::string> layers{"Brinevane V" + app::GetVersionText(),
                                        "dBASE engine V" + CDBInterface::GetEngineVersionText()};
        for (std::string& line : ModuleVersionLines(*this))
            layers.push_back(std::move(line));
        CSystemInfoDlg dlg(QString::fromStdString(app::OperatingSystemText(qVersion(), layers)),
                           QString::fromStdString(FilesInUseText()), this);
        dlg.exec();
    });
    m_commands.Add(me, cmd::kCredits, [this](unsigned) {
        auto* credits = new app::CCreditsDlg(this);
        credits->show();
    });
    m_commands.Add(me, cmd::kDeleteRasterCharts, [this](unsigned) { DeleteRasterChartSystem(); });
    m_commands.Add(
        me, cmd::kAbout, [this](unsigned) { ShowAboutBox(); },
        [this](Cmd& ui) { ui.Enable(!m_aboutDlg); });
    m_commands.Add(
        me, cmd::kTechSupport, [this](unsigned) { ShowTechSupport(); },
        [this](Cmd& ui) { ui.Enable(!m_techSupportDlg); });
    const bool hasHelp = std::filesystem::exists(m_services.programFolder / "Brinevane.pdf");
    for (unsigned id : {cmd::kHelpContents, cmd::kHelpTopics})
        m_commands.Add(
            me, id, [this](unsigned) { OpenHelp(); }, [hasHelp](Cmd& ui) { ui.Enable(hasHelp); });

    // Window commands act on the MDI children.
    auto hasChild = [this](Cmd& ui) { ui.Enable(m_mdi && !m_mdi->subWindowList().isEmpty()); };
    m_commands.Add(
        me, cmd::kWindowClose, [this](unsigned) { m_mdi->closeActiveSubWindow(); }, hasChild);
    m_commands.Add(
        me, cmd::kWindowCloseAll,
        [this](unsigned) {
            app::CWaitStatus wait;
            m_mdi->closeAllSubWindows();
        },
        hasChild);
    m_commands.Add(
        me, cmd::kWindowNext, [this](unsigned) { m_mdi->activateNextSubWindow(); }, hasChild);
    m_commands.Add(
        me, cmd::kWindowPrevious, [this](unsigned) { m_mdi->activatePreviousSubWindow(); },
        hasChild);
    m_commands.Add(
        me, cmd::kWindowCascade, [this](unsigned) { m_mdi->cascadeSubWindows(); }, hasChild);
    m_commands.Add(
        me, cmd::kWindowTile, [this](unsigned) { m_mdi->tileSubWindows(); }, hasChild);
    m_commands.Add(
        me, cmd::kWindowArrange, [this](unsigned) { m_mdi->tileSubWindows(); }, hasChild);

    // Edit commands go to the edit control with the focus.
    auto editCommand = [me, this](unsigned id, auto act, bool needsClipboard = false) {
        m_commands.Add(
            me, id,
            [act](unsigned) {
                if (QWidget* w = FocusEdit())
                    act(w);
            },
            [needsClipboard](Cmd& ui) {
                ui.Enable(FocusEdit() != nullptr &&
                          (!needsClipboard || !QApplication::clipboard()->text().isEmpty()));
            });
    };
    auto invoke = [](const char* slot) {
        return [slot](QWidget* w) { QMetaObject::invokeMethod(w, slot); };
    };
    editCommand(cmd::kEditUndo, invoke("undo"));
    editCommand(cmd::kEditCut, invoke("cut"));
    editCommand(cmd::kEditCopy, invoke("copy"));
    editCommand(cmd::kEditPaste, invoke("paste"), true);
    editCommand(cmd::kEditSelectAll, invoke("selectAll"));
    // Del deletes in the text field with the focus; elsewhere it is the key
    // of the active side panel's delete (Chartpoint > Delete).
    m_commands.Add(
        me, cmd::kEditDelete,
        [this](unsigned) {
            QWidget* w = FocusEdit();
            if (auto* line = qobject_cast<QLineEdit*>(w))
                line->del();
            else if (auto* text = qobject_cast<QTextEdit*>(w))
                text->textCursor().removeSelectedText();
            else if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
                plain->textCursor().removeSelectedText();
            else if (const std::optional<unsigned> del = SidePanelDeleteCommand())
                ExecuteCommand(*del);
        },
        [this](Cmd& ui) {
            const std::optional<unsigned> del = SidePanelDeleteCommand();
            ui.Enable(FocusEdit() != nullptr || (del && m_commands.Update(*del).enabled));
        });
    // A command whose id is a toolbar's shows or hides that toolbar.
    for (const auto& def : shell::MainToolBars()) {
        if (def.id == cmd::kViewToolbars)
            continue;   // also View > Toolbars, above
        m_commands.Add(me, def.id, [this](unsigned id) {
            if (QToolBar* bar = ToolBar(id))
                bar->setVisible(bar->isHidden());
        });
    }
}

void CMainFrame::BuildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("MenuBar");
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(bar, &QMenuBar::customContextMenuRequested, this,
            [this, bar](const QPoint& p) { ShowToolbarContextMenu(bar->mapToGlobal(p)); });
    for (const shell::TopMenu& top : shell::MainMenus()) {
        QMenu* menu = bar->addMenu(QString::fromLatin1(top.title));
        menu->setObjectName(QString("Menu%1").arg(top.buttonId & 0xFF));
        menu->menuAction()->setData(top.buttonId);   // as a toolbar's layout names it
        std::vector<QMenu*> stack{menu};
        for (const shell::MenuEntry& e : top.entries) {
            switch (e.kind) {
            case shell::MenuKind::Separator: stack.back()->addSeparator(); break;
            case shell::MenuKind::Popup:
                stack.push_back(stack.back()->addMenu(QString::fromLatin1(e.text)));
                connect(stack.back(), &QMenu::aboutToShow, this,
                        [this, sub = stack.back()] { ShowWhyGrey(*sub); });
                break;
            case shell::MenuKind::EndPopup: stack.pop_back(); break;
            case shell::MenuKind::Item: {
                QString text = QString::fromLatin1(e.text);
                if (e.shownKey)
                    text += QLatin1Char('\t') + QString::fromLatin1(e.shownKey);
                QAction* a = stack.back()->addAction(text);
                a->setData(e.id);
                a->setCheckable(e.checkable);
                if (e.keys)
                    a->setShortcut(QKeySequence(QString::fromLatin1(e.keys)));
                connect(a, &QAction::triggered, this, [this, id = e.id] { ExecuteCommand(id); });
                m_actions.emplace(e.id, a);   // the first action of an id is the one toolbars share
                break;
            }
            }
        }
        // Command states are current whenever a menu opens.
        connect(menu, &QMenu::aboutToShow, this, [this, menu] {
            UpdateModuleCmdUI(true);
            ShowWhyGrey(*menu);
        });
        if (top.buttonId == cmd::kMenuWindow)
            connect(menu, &QMenu::aboutToShow, this, [this, menu] { FillWindowList(menu); });
    }
    // Keys without a menu item: actions of the window itself.
    for (const shell::MenuEntry& e : shell::MainAccelerators()) {
        auto* a = new QAction(QString::fromLatin1(e.text), this);
        a->setData(e.id);
        a->setShortcut(QKeySequence(QString::fromLatin1(e.keys)));
        a->setShortcutContext(Qt::ApplicationShortcut);
        addAction(a);
        connect(a, &QAction::triggered, this, [this, id = e.id] { ExecuteCommand(id); });
        m_actions.emplace(e.id, a);
    }
}

void CMainFrame::BuildToolBars()
{
    for (const shell::ToolBarDef& def : shell::MainToolBars()) {
        if (def.newRow && !m_toolBars.empty())
            addToolBarBreak(Qt::TopToolBarArea);
        QToolBar* bar = MakeToolBar(def.id, QString::fromLatin1(def.title));
        for (const shell::ToolBarButton& b : def.buttons) {
            if (b.id == 0) {
                bar->addSeparator();
                continue;
            }
            auto found = m_actions.find(b.id);
            QAction* a = nullptr;
            if (found != m_actions.end()) {
                a = found->second;
            } else if ((a = ModuleToolBarControl(b.id))) {
            } else {
                a = new QAction(QString::fromLatin1(b.tip), this);
                a->setData(b.id);
                connect(a, &QAction::triggered, this, [this, id = b.id] { ExecuteCommand(id); });
                m_actions.emplace(b.id, a);
            }
            if (a->icon().isNull())
                a->setIcon(shell::ToolBarIcon(b));
            a->setToolTip(QString::fromLatin1(b.tip));
            bar->addAction(a);
        }
    }
    // The menu commands Customise can put on a bar: named and drawn there as
    // the program's buttons are.
    for (const shell::ToolBarButton& b : shell::CustomiseOnlyButtons()) {
        if (auto found = m_actions.find(b.id); found != m_actions.end()) {
            if (found->second->icon().isNull())
                found->second->setIcon(shell::ToolBarIcon(b));
            found->second->setToolTip(QString::fromLatin1(b.tip));
        }
    }
}

QToolBar* CMainFrame::MakeToolBar(unsigned id, const QString& title)
{
    QToolBar* bar = addToolBar(title);
    // The name the saved layout knows the bar by.
    bar->setObjectName(QString("ToolBar%1").arg(id));
    bar->setIconSize(QSize(20, 20));
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(bar, &QToolBar::customContextMenuRequested, this,
            [this, bar](const QPoint& p) { ShowToolbarContextMenu(bar->mapToGlobal(p)); });
    m_toolBars.emplace(id, bar);
    return bar;
}

void CMainFrame::ExecuteCommand(unsigned id)
{
    if (!m_tornDown)
        m_commands.Execute(id);
}

void CMainFrame::FillWindowList(QMenu* menu)
{
    // The open windows follow the Window menu's commands, numbered, the
    // active one checked; rebuilt each time so titles are always current.
    for (QAction* a : menu->actions()) {
        if (a->property("windowEntry").toBool())
            delete a;
    }
    const QList<QMdiSubWindow*> windows = m_mdi ? m_mdi->subWindowList() : QList<QMdiSubWindow*>();
    if (windows.isEmpty())
        return;
    QAction* sep = menu->addSeparator();
    sep->setProperty("windowEntry", true);
    int n = 0;
    for (QMdiSubWindow* w : windows) {
        if (++n > 9)
            break;
        QAction* a = menu->addAction(QString("&%1 %2").arg(n).arg(w->windowTitle()));
        a->setProperty("windowEntry", true);
        a->setIcon(w->windowIcon());
        a->setCheckable(true);
        a->setChecked(w == m_mdi->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, w = QPointer<QMdiSubWindow>(w)] {
            if (w)
                m_mdi->setActiveSubWindow(w);
        });
    }
}

QAction* CMainFrame::Action(unsigned id) const
{
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

QToolBar* CMainFrame::ToolBar(unsigned id) const
{
    auto it = m_toolBars.find(id);
    return it == m_toolBars.end() ? nullptr : it->second;
}

void CMainFrame::SetResourceFlags(bool lowMemory, bool lowDisk)
{
    m_lowMemory = lowMemory;
    m_lowDisk = lowDisk;
}

namespace {

// True when the action shows outside menus: a button on a shown toolbar or a
// button of its own.
bool ShownOutsideMenus(const QAction* action)
{
    const auto objects = action->associatedObjects();
    return std::any_of(objects.begin(), objects.end(), [](const QObject* o) {
        const auto* w = qobject_cast<const QWidget*>(o);
        return w && w->isVisible() &&
               (qobject_cast<const QToolBar*>(w) || qobject_cast<const QAbstractButton*>(w));
    });
}

}   // namespace

void CMainFrame::ShowWhyGrey(QMenu& menu)
{
    // Each reason once, however many of the menu's entries it greys.
    QStringList reasons;
    for (QAction* a : menu.actions()) {
        bool isCommand = false;
        const unsigned id = a->data().toUInt(&isCommand);
        if (!isCommand || a->isSeparator() || a->menu() || a->isEnabled())
            continue;
        const QString why = QString::fromStdString(m_commands.Update(id, true).why);
        if (!why.isEmpty() && !reasons.contains(why))
            reasons.push_back(why);
    }
    app::ShowMenuHint(*this, menu, reasons.join(QLatin1Char(' ')));
}

void CMainFrame::UpdateModuleCmdUI(bool disableIfNoHandler, CmdUIScope scope)
{
    // After tear-down the handlers' owners are gone; the windows may still
    // get an idle pass before they are destroyed.
    if (m_tornDown)
        return;
    const bool everything = scope == CmdUIScope::Everything;
    for (std::size_t i = 0; i < m_modules.size(); ++i)
        m_modules[i]->OnUpdateCmdUI(m_commands, disableIfNoHandler);
    for (const auto& p : m_panels) {
        if (p && (everything || p->isVisible()))
            p->UpdatePanelControls(m_commands, disableIfNoHandler);
    }
    // The side-panel pane names the active panel.
    if (m_statusBar)
        m_statusBar->SetPaneText(app::CXStatusBar::SidePanelPane,
                                 m_activeSidePanel ? m_activeSidePanel->GetTitle() : QString());
    // The position pane and the toolbar's label name the place under the pointer, which a
    // zoom, a pan or another chart changes with the pointer still.
    UpdatePositionPane();
    // Menus and toolbars: a command nobody handles yet stays disabled.
    for (const auto& [id, action] : m_actions) {
        if (!everything && !ShownOutsideMenus(action))
            continue;
        const app::CCmdUIState s = m_commands.Update(id, true);
        action->setEnabled(s.enabled);
        if (s.check) {
            action->setCheckable(true);
            action->setChecked(*s.check == 1);
        }
        if (s.text)
            action->setText(QString::fromStdString(*s.text));
        // Only the recent entries there are; the first entry of each list
        // stays, grey, while that list is empty.
        if (cmd::kRecentWorkspaces.Contains(id) || cmd::kRecentFiles.Contains(id))
            action->setVisible(s.enabled || id == cmd::kRecentWorkspaces.first ||
                               id == cmd::kRecentFiles.first);
    }
}

void CMainFrame::OnTimer()
{
    UpdateClockPane();
    const auto now = std::chrono::steady_clock::now();
    if (now - m_msgBarsTicked >= std::chrono::milliseconds(900)) {
        m_msgBarsTicked = now;
        app::CMsgBarWnd::TickAll();
    }
    if (!m_frameTimer.IsSuspended())
        RunTimerJobs();
    if (m_afterTimerPass)
        m_afterTimerPass();
}

void CMainFrame::RunTimerJobs()
{
    auto modules = [this](app::TimerCadence cadence) {
        m_modules.ForEach([cadence](app::CModule& m) { m.OnTimer(cadence); });
    };
    app::CFrameTimer::Jobs jobs;
    jobs.stationRecords = [modules] { modules(app::TimerCadence::EveryPass); };
    jobs.every1s = [this, modules] {
        if (m_reportTimerJobs)
            std::fprintf(stderr, "Brinevane: timer: 1 s job\n");
        modules(app::TimerCadence::EverySecond);
    };
    jobs.every10s = [this, modules] {
        m_msgBar->LockUpdate(false);
        m_msgBar->SetMessageActive(m_hMsgDiskLow, m_lowDisk ? 1 : 0, false);
        m_msgBar->SetMessageActive(m_hMsgMemoryLow, m_lowMemory ? 1 : 0, false);
        if (m_lowDisk || m_lowMemory)
            m_msgBar->SwitchOn();
        m_msgBar->LockUpdate(true);
        if (m_reportTimerJobs)
            std::fprintf(stderr, "Brinevane: timer: 10 s job\n");
        modules(app::TimerCadence::EveryTenSeconds);
    };
    m_frameTimer.OnTimer(jobs);
}

void CMainFrame::UpdateClockPane()
{
    if (m_statusBar)
        // The user's date and time conventions, as the monitor and every other
        // date the program shows.
        m_statusBar->SetPaneText(
            app::CXStatusBar::ClockPane,
            QString::fromStdString(
                " " + app::CDateTimeEx::GetCurrentTime().FormatDateTime(true, false) + " "));
}

void CMainFrame::UpdateLargerScaleMessage(bool a, bool b, bool c)
{
    if (m_msgBar)
        m_msgBar->SetMessageActive(m_hMsgLargerScale, a && b && !c ? 1 : 0, true);
}

void CMainFrame::OnPostedMessage(const app::CPostedMessage& msg)
{
    if (m_tornDown)
        return;
    switch (msg.id) {
    case app::kMsgChartpointChanged: OnChartpointChanged(); break;
    case app::kMsgWaypointListChanged:   // the route module's, below
        break;
    case app::kMsgChartWindowClosed:
        OnChartWindowClosed(msg.wParam, static_cast<std::uint64_t>(msg.lParam));
        break;
    case app::kMsgModelessSheet:
        OnModelessSheetNotify(msg.wParam != 0, static_cast<std::uint64_t>(msg.lParam));
        break;
    default: break;
    }
    m_modules.ForEach([&msg](app::CModule& m) { m.OnPostedMessage(msg); });
}

void CMainFrame::AddDocument(app::CDocument* doc)
{
    std::erase_if(m_documents, [](const QPointer<app::CDocument>& d) { return d.isNull(); });
    if (doc && std::find(m_documents.begin(), m_documents.end(), doc) == m_documents.end())
        m_documents.emplace_back(doc);
}

void CMainFrame::OnChartWindowClosed(std::uint64_t docId, std::uint64_t successorId)
{
    // A chart window posts this for each close and print-preview close, so
    // two can name the same document; only the first finds it open. An
    // identity that names nothing (a document already gone) is ignored.
    app::CDocument* doc = app::CObjectIds::Find<app::CDocument>(docId);
    const auto it = std::find(m_documents.begin(), m_documents.end(), doc);
    if (!doc || it == m_documents.end() || doc->IsClosed())
        return;
    m_documents.erase(it);
    auto* closing = dynamic_cast<chart::CChartDocument*>(doc);
    QMdiSubWindow* closingFrame =
        closing ? dynamic_cast<QMdiSubWindow*>(closing->Doc().GetChartFrame()) : nullptr;
    QMdiSubWindow* activeBefore = m_mdi ? m_mdi->activeSubWindow() : nullptr;
    doc->OnCloseDocument();
    // A window another took the place of leaves that one in front, unless
    // the replaced window lay behind another (the following window moving
    // to the next chart under a report): then that other stays in front.
    app::CDocument* successor =
        successorId != 0 ? app::CObjectIds::Find<app::CDocument>(successorId) : nullptr;
    auto* next = dynamic_cast<chart::CChartDocument*>(successor);
    if (next && !next->IsClosed() &&
        std::find(m_documents.begin(), m_documents.end(), successor) != m_documents.end() &&
        next->Doc().GetChartFrame()) {
        auto* nextFrame = dynamic_cast<QMdiSubWindow*>(next->Doc().GetChartFrame());
        if (activeBefore == nullptr || activeBefore == closingFrame || activeBefore == nextFrame)
            next->Doc().GetChartFrame()->ActivateFrame();
    } else {
        ActivateNextChartFrame();
    }
}

void CMainFrame::OnModelessSheetNotify(bool add, std::uint64_t sheetId)
{
    // Destroyed sheets leave the list whether or not they said so; a sheet
    // destroyed before its message arrived is never listed.
    std::erase_if(m_listSheets, [](const QPointer<QWidget>& s) { return s.isNull(); });
    QWidget* sheet = app::CObjectIds::Find<QWidget>(sheetId);
    const auto it = std::find(m_listSheets.begin(), m_listSheets.end(), sheet);
    if (!add && it != m_listSheets.end())
        m_listSheets.erase(it);
    else if (add && sheet && it == m_listSheets.end())
        m_listSheets.emplace_back(sheet);
}

std::vector<QWidget*> CMainFrame::ModelessSheets()
{
    std::erase_if(m_listSheets, [](const QPointer<QWidget>& s) { return s.isNull(); });
    std::vector<QWidget*> sheets;
    for (const auto& s : m_listSheets)
        sheets.push_back(s.data());
    return sheets;
}

bool CMainFrame::CreateSidePanels()
{
    bool ok = true;
    m_modules.ForEach([this, &ok](app::CModule& m) {
        app::CModuleUi* ui = m.Ui();
        std::vector<app::CSidePanel*> panels;
        if (ok && ui && !ui->CreateSidePanels(*this, panels))
            ok = false;
        for (app::CSidePanel* p : panels)
            AddSidePanel(p);
    });
    if (!ok)
        return false;
    std::vector<app::CSidePanel*> sorted = SidePanels();
    shell::SortSidePanels(sorted);
    m_panels.assign(sorted.begin(), sorted.end());
    // Without a module panel the empty base stands in, so the panel's place,
    // docking and View command are there all the same.
    if (m_panels.empty()) {
        auto* panel = new app::CSidePanel(this);
        if (!panel->Create(cmd::kViewSidePanel, this))
            return false;
        panel->setMinimumWidth(220);
        AddSidePanel(panel);
    }
    return true;
}

void CMainFrame::AddSidePanel(app::CSidePanel* panel)
{
    if (!panel)
        return;
    connect(panel, &app::CSidePanel::contextMenuAt, this, &CMainFrame::ShowToolbarContextMenu);
    // BRINE_REPORT_PANELS logs the active side panel and the panels on
    // screen at each change, so a scripted check can tell which one shows.
    if (std::getenv("BRINE_REPORT_PANELS"))
        connect(panel, &QDockWidget::visibilityChanged, this, &CMainFrame::ReportSidePanels);
    m_panels.push_back(panel);
}

void CMainFrame::ReportSidePanels()
{
    if (!std::getenv("BRINE_REPORT_PANELS"))
        return;
    QStringList shown;
    for (const auto& p : m_panels)
        if (p && !p->isHidden())
            shown << p->GetTitle();
    const QString line = QStringLiteral("active=%1 shown=%2")
                             .arg(m_activeSidePanel ? m_activeSidePanel->GetTitle() : QString(),
                                  shown.join(QLatin1Char(',')));
    if (line == m_reportedPanels)
        return;
    m_reportedPanels = line;
    qInfo("Brinevane: side panels: %s", qPrintable(line));
}

std::vector<app::CSidePanel*> CMainFrame::SidePanels() const
{
    std::vector<app::CSidePanel*> panels;
    for (const auto& p : m_panels) {
        if (p)
            panels.push_back(p.data());
    }
    return panels;
}

std::vector<app::COptionPageFactory> CMainFrame::OptionPages() const
{
    std::vector<app::COptionPageFactory> pages;
    m_modules.ForEach([&pages](app::CModule& m) {
        if (app::CModuleUi* ui = m.Ui()) {
            for (auto& page : ui->OptionPages())
                pages.push_back(std::move(page));
        }
    });
    return pages;
}

void CMainFrame::SetActiveSidePanel(app::CSidePanel* panel)
{
    if (!panel)
        return;
    if (m_fullScreen)
        m_fullScreen->Exit();
    // The panel on screen: the active one, or the one a workspace's layout
    // brought back when the workspace names another as active.
    app::CSidePanel* shown =
        m_activeSidePanel && !m_activeSidePanel->isHidden() ? m_activeSidePanel : nullptr;
    for (const auto& p : m_panels)
        if (!shown && p && !p->isHidden())
            shown = p.data();
    const bool visible = !m_activeSidePanel || shown;
    bool right = true;
    if (shown)
        right = shown->IsRightAligned();
    else if (m_activeSidePanel)
        right = m_activeSidePanel->IsRightAligned();
    // Only the active panel may be shown: every other one goes.
    for (const auto& p : m_panels)
        if (p && p != panel)
            p->hide();
    // The new panel takes the old one's side and visibility: only the content changes.
    m_activeSidePanel = panel;
    panel->SetAlignment(right);
    panel->setVisible(visible);
    UpdateModuleCmdUI(false);
    // What the charts draw for a panel (its selection, its edit marks) follows the panel in front.
    if (m_charting)
        m_charting->RefreshAllChartViews();
    ReportSidePanels();
}

void CMainFrame::ToggleStatusBar()
{
    if (m_fullScreen)
        m_fullScreen->Exit();
    if (m_statusBar)
        m_statusBar->setVisible(m_statusBar->isHidden());
}

void CMainFrame::ToggleSidePanel()
{
    if (m_fullScreen)
        m_fullScreen->Exit();
    if (m_activeSidePanel)
        m_activeSidePanel->setVisible(m_activeSidePanel->isHidden());
}

void CMainFrame::FillBarMenu(QMenu& menu)
{
    // The program's bars in their order, then the user's own.
    std::vector<unsigned> ids;
    for (const shell::ToolBarDef& def : shell::MainToolBars())
        ids.push_back(def.id);
    for (const auto& [id, bar] : m_toolBars)
        if (app::IsUserToolbar(id))
            ids.push_back(id);
    for (unsigned id : ids) {
        QToolBar* bar = ToolBar(id);
        if (!bar)
            continue;
        QAction* a = menu.addAction(bar->windowTitle());
        a->setCheckable(true);
        a->setChecked(!bar->isHidden());
        connect(a, &QAction::triggered, bar, [bar] { bar->setVisible(bar->isHidden()); });
    }
    menu.addSeparator();
    QAction* side = menu.addAction("Side Panel");
    side->setCheckable(true);
    side->setEnabled(m_activeSidePanel != nullptr);
    side->setChecked(m_activeSidePanel && !m_activeSidePanel->isHidden());
    connect(side, &QAction::triggered, this, &CMainFrame::ToggleSidePanel);
    QAction* status = menu.addAction("Status Bar");
    status->setCheckable(true);
    status->setChecked(m_statusBar && !m_statusBar->isHidden());
    connect(status, &QAction::triggered, this, &CMainFrame::ToggleStatusBar);
    // The message bar is not listed: it shows itself when there is
    // something to say, and its own menu folds it away and back.
    menu.addSeparator();
    QAction* customise = menu.addAction("Customise...");
    customise->setEnabled(m_commands.HasHandler(cmd::kToolsCustomise));
    connect(customise, &QAction::triggered, this,
            [this] { m_commands.Execute(cmd::kToolsCustomise); });
}

void CMainFrame::ShowToolbarContextMenu(QPoint globalPos)
{
    QMenu menu(this);
    menu.setObjectName("BarMenu");
    menu.setWindowTitle("Bars");
    FillBarMenu(menu);
    menu.exec(globalPos);
}

QMenu* CMainFrame::createPopupMenu()
{
    // What the window offers on a right click over a dock's title, a
    // toolbar's handle or the bar areas: the same bar menu as everywhere.
    auto* menu = new QMenu(this);
    menu->setObjectName("BarMenu");
    menu->setWindowTitle("Bars");
    FillBarMenu(*menu);
    return menu;
}

void CMainFrame::SwapPanelChartFocus()
{
    QWidget* focused = QApplication::focusWidget();
    const bool inPanel = m_activeSidePanel && focused && m_activeSidePanel->isAncestorOf(focused);
    QMdiSubWindow* chart = m_mdi ? m_mdi->activeSubWindow() : nullptr;
    if (!inPanel && m_activeSidePanel && !m_activeSidePanel->isHidden()) {
        m_activeSidePanel->setFocus(Qt::ShortcutFocusReason);
        if (QWidget* first = m_activeSidePanel->nextInFocusChain();
            first && m_activeSidePanel->isAncestorOf(first))
            first->setFocus(Qt::ShortcutFocusReason);
        return;
    }
    if (chart && chart->widget()) {
        chart->widget()->setFocus(Qt::ShortcutFocusReason);
        // The pointer goes to the chart's centre, where keyboard work on it begins.
        QCursor::setPos(chart->widget()->mapToGlobal(chart->widget()->rect().center()));
    }
}

std::string CMainFrame::FilesInUseText() const
{
    // Tables are named by their data file, as the user finds them on the disk.
    auto dataFile = [](const std::string& base) {
        if (base.empty() || !std::filesystem::path(base).extension().empty())
            return base;
        return base + ".dbf";
    };
    std::string chart, chartpoints, routes, log;
    if (m_charting)
        if (const chart::CChartDoc* doc = m_charting->GetActiveChartDoc())
            chart = doc->GetPathName();
    for (std::size_t i = 0; i < m_modules.size(); ++i) {
        if (auto* c = dynamic_cast<chartpoints::CChartpointModule*>(m_modules[i]))
            if (c->IsDatabaseOpen())
                chartpoints = dataFile(c->Table().GetFilePath());
        if (auto* r = dynamic_cast<routes::CRouteModule*>(m_modules[i]))
            if (r->IsDatabaseOpen())
                routes = dataFile(r->Database().GetFilePath());
        if (auto* n = dynamic_cast<navigator::CNavigatorModule*>(m_modules[i]))
            if (n->Logbook().IsOpen())
                log = dataFile(n->Logbook().LogPath());
    }
    return "Chart File: " + chart + "\nChartpoint Database: " + chartpoints +
           "\nRoute Database: " + routes + "\nLog File: " + log + "\n";
}

void CMainFrame::ShowFrameNotice(const std::string& text)
{
    if (text.empty() || !m_msgBar)
        return;
    // The same notice twice stays one line.
    for (const auto& message : m_msgBar->Messages())
        if (message->text == text && message->activeCount > 0)
            return;
    app::MsgHandle& notice = m_notices.emplace_back(nullptr);
    m_msgBar->AddMessage(notice, text, 30000, 1, false);
    m_msgBar->SetMessageFlag(notice, true);   // the user clears it from the bar's menu
    m_msgBar->SwitchOn();
}

void CMainFrame::ShowAboutBox()
{
    if (m_aboutDlg)
        return;
    m_aboutDlg = new app::CAboutDlg(this, m_services.buildTime);
    m_aboutDlg->show();
}

void CMainFrame::ShowTechSupport()
{
    if (m_techSupportDlg)
        return;
    m_techSupportDlg = new app::CTechSuppDLG(this, [this](const std::string& text) {
        m_services.prompt->Ask(text, "Brinevane", platform::PromptIcon::Exclamation,
                               platform::PromptButtons::Ok);
    });
    m_techSupportDlg->show();
}

void CMainFrame::OpenHelp()
{
    const std::filesystem::path manual = m_services.programFolder / "Brinevane.pdf";
    // The desktop shows the manual; a machine with no PDF viewer set up says nothing itself, so
    // the user is told where the file is.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(manual.string()))))
        m_services.prompt->Ask("Unable to open the manual " + manual.string() +
                                   ".\nNo program to show PDF files is set up on this computer.",
                               "Brinevane", platform::PromptIcon::Exclamation,
                               platform::PromptButtons::Ok);
}

void CMainFrame::RaiseFromSecondStart()
{
    // As a restore from the task bar: a minimised window comes back as it was
    // before, maximised when it was maximised.
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

void CMainFrame::CloseWithoutConfirmation()
{
    if (RunClose(false)) {
        m_closing = true;
        close();
    }
}

void CMainFrame::CloseUnattended()
{
    if (m_closing || m_tornDown)
        return;
    if (RunClose(false, true)) {
        m_closing = true;
        close();
    }
}

bool CMainFrame::RunClose(bool confirm, bool unattended)
{
    app::CCloseSteps steps;
    steps.confirmClosedown = confirm && !unattended;
    // Each module's question (the databases' offers to save): the route
    // database, the chartpoint database, the vessel log, then the rest; with
    // nobody to answer, each module keeps what it would have asked about.
    for (app::CModule* m : shell::CloseQueryOrder(m_modules)) {
        if (unattended)
            m->PrepareUnattendedClose();
        else
            steps.saveQueries.push_back([this, m] { return m->QueryClose(*m_services.prompt); });
    }
    // The range and bearing bar's place and the workspace (saved by itself
    // when so set) are kept first, while the databases, the log and the ports
    // are still open, so the workspace names what was open.
    steps.closeAuxiliaryWindows = [this] {
        CloseRangeBearingBar();
        StoreClosingSettings();
        CloseWorkspaceWindows();
    };
    steps.shutDown = [this] {
        if (m_msgBar)
            m_msgBar->LockUpdate(false);   // no refresh while things go
        m_created = false;
        for (app::CModule* m : shell::ShutDownOrder(m_modules))
            m->ShutDown();
        if (m_charting)
            m_charting->CloseAllChartDocs();
        if (m_mdi) {
            app::CWaitStatus wait;
            m_mdi->closeAllSubWindows();
        }
        QCoreApplication::sendPostedEvents();
    };
    return app::RunCloseSequence(steps, *m_services.prompt, m_frameTimer);
}

void CMainFrame::closeEvent(QCloseEvent* e)
{
    if (!m_closing) {
        if (!RunClose(m_confirmClosedown)) {
            e->ignore();
            return;
        }
        m_closing = true;
    }
    TearDown();
    e->accept();
}

void CMainFrame::TearDown()
{
    if (m_tornDown)
        return;
    m_tornDown = true;
    m_timer.stop();
    m_posted.Close();
    // Windows and documents closed by the close sequence are only marked for
    // deletion; the event loop would delete them after the modules below are
    // gone, and a chart window's destructor still reports to the charting
    // module. They go now, windows before their documents, while what they
    // report to exists.
    if (m_mdi)
        qDeleteAll(m_mdi->viewport()->findChildren<QMdiSubWindow*>(Qt::FindDirectChildrenOnly));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (m_msgBar) {
        m_msgBar->LockUpdate(false);
        m_msgBar->RemoveMessage(m_hMsgLargerScale, false);
        m_msgBar->RemoveMessage(m_hMsgMemoryLow, false);
        m_msgBar->RemoveMessage(m_hMsgDiskLow, false);
        for (app::MsgHandle& notice : m_notices)
            m_msgBar->RemoveMessage(notice, false);
    }
    // The links between modules go before the first panel or module does,
    // newest module first.
    if (m_modulesLinked) {
        for (std::size_t i = m_modules.size(); i-- > 0;)
            m_modules[i]->UnlinkModules();
        m_modulesLinked = false;
    }
    for (auto it = m_panels.rbegin(); it != m_panels.rend(); ++it) {
        if (*it)
            (*it)->DestroyPanel();
    }
    app::CWaitStatus::SetStatusHost(nullptr);
    m_waitPane.reset();
    if (m_geomag) {
        m_geomag->ClearMessages();
        m_geomag.reset();
    }
    m_variationNotices.reset();
    // Modules newest first, each terminated before it is deleted.
    m_modules.TerminateAll([this](app::CModule& m) { m_commands.Remove(&m); });
    m_commands.Remove(m_workspace.get());
    m_workspace.reset();
    m_workspaceHooks.reset();
    delete m_msgBarWnd;   // detaches from the model before the model goes
    m_msgBarWnd = nullptr;
    m_fullScreen.reset();
    m_msgBar.reset();
    if (m_datumsLoaded) {
        geo::CDatumInfo::FreeTable();
        m_datumsLoaded = false;
    }
    if (m_timerId != 0) {
        m_services.timerIds->ReleaseID(m_timerId);
        m_timerId = 0;
    }
}

}   // namespace shell

// The main frame's chart windows: opening a chart by its kind into a chart
// frame, activation, the close message's follow-up, reopening the
// workspace's charts, the frame's chart commands and the window layout.

#include <QCoreApplication>
#include <QDataStream>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFileDialog>
#include <QGuiApplication>
#include <QIODevice>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/CommandIds.h"
#include "app/DisplayPalettes.h"
#include "app/FileChoosers.h"
#include "app/ScreenPlacement.h"
#include "app/StringUtils.h"
#include "app/SystemUtils.h"
#include "app/WaitStatus.h"
#include "app/WorkspaceManager.h"
#include "app/ui/InfoDialogs.h"
#include "app/ui/MdiPlacement.h"
#include "app/ui/MsgBarWnd.h"
#include "app/ui/SidePanel.h"
#include "app/ui/TreeListOptionDlg.h"
#include "app/ui/XStatusBar.h"
#include "chart/ChartingModule.h"
#include "chart/ui/ChartDocument.h"
#include "chart/ui/ChartFrame.h"
#include "chart/ui/ChartOptionsPages.h"
#include "chart/ui/ChartPreview.h"
#include "chart/ui/ChartPropDlg.h"
#include "chart/ui/ChartView.h"
#include "chartpoints/ChartpointModule.h"
#include "chartpoints/ui/ChartpointWindows.h"
#include "charts/hcrf/HCRFModule.h"
#include "charts/ui/ChartDialogs.h"
#include "engines/report/ReportDefinitionFile.h"
#include "engines/report/ReportOutput.h"
#include "geo/Geomag.h"
#include "geo/Position.h"
#include "navigator/NavigatorModule.h"
#include "navigator/ui/NavigatorWindows.h"
#include "nmea/ui/NmeaDumpPrint.h"
#include "nmea/ui/NmeaDumpView.h"
#include "platform/Prompt.h"
#include "routes/PlanModule.h"
#include "routes/RouteModule.h"
#include "routes/ui/PlanWindows.h"
#include "routes/ui/RouteWindows.h"
#include "shell/ChartListReports.h"
#include "shell/MainFrame.h"
#include "shell/ModuleReports.h"
#include "targets/ARPAModule.h"
#include "targets/ui/TenderWindows.h"

namespace shell {

namespace cmd = app::cmd;

namespace {

// The current workspace as the modules' settings home.
class CFrameHome final : public app::CSettingsHome {
public:
    CFrameHome(platform::CSettingsStore& store,
               const std::unique_ptr<app::CWorkspaceManager>& workspace)
        : m_store(store), m_workspace(workspace)
    { }
    platform::CSettingsStore& GetStore() const override { return m_store; }
    std::string GetRegistryKey() const override
    {
        return m_workspace ? m_workspace->GetRegistryKey()
                           : app::CWorkspaceManager::DefaultRoot() + "\\" +
                                 std::string(app::CWorkspaceManager::kDefaultWorkspace);
    }

private:
    platform::CSettingsStore& m_store;
    const std::unique_ptr<app::CWorkspaceManager>& m_workspace;
};

app::ScreenRect ToScreenRect(const QRect& r)
{
    return {r.x(), r.y(), r.width(), r.height()};
}

// A window's rectangle moved onto a connected screen when it lies on none.
// The frame's first module of that kind, or null.
template <class T>
T* FirstModuleOf(const app::CModuleList& modules)
{
    for (std::size_t i = 0; i < modules.size(); ++i)
        if (auto* found = dynamic_cast<T*>(modules[i]))
            return found;
    return nullptr;
}

QRect OnScreen(const QRect& r)
{
    std::vector<app::ScreenRect> screens;
    std::size_t primary = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen == QGuiApplication::primaryScreen())
            primary = screens.size();
        screens.push_back(ToScreenRect(screen->availableGeometry()));
    }
    const app::ScreenRect p = app::ClampToScreens(ToScreenRect(r), screens, primary);
    return QRect(p.x, p.y, p.width, p.height);
}

}   // namespace

app::CSettingsHome& CMainFrame::SettingsHome()
{
    if (!m_home)
        m_home = std::make_unique<CFrameHome>(*m_services.settings, m_workspace);
    return *m_home;
}

std::string CMainFrame::GetPositionTemplate() const
{
    return app::GetPositionTemplate(static_cast<std::uint8_t>(m_decimalPlaces), m_degMinSec);
}

void CMainFrame::GivePositionTemplate()
{
    // The program-wide format first: every position text without a format of
    // its own is written in it.
    geo::SetDisplayFormat({static_cast<std::uint8_t>(m_decimalPlaces), m_degMinSec});
    if (auto* navigator = FirstModuleOf<navigator::CNavigatorWindows>(m_modules))
        navigator->PositionFormatChanged();
    if (auto* marks = FirstModuleOf<chartpoints::CChartpointWindows>(m_modules))
        marks->SetPositionTemplate(GetPositionTemplate());
    if (auto* routes = FirstModuleOf<routes::CRouteWindows>(m_modules))
        routes->PositionFormatChanged();
    // The target lists' position columns, radar targets then tenders.
    if (auto* arpa = FirstModuleOf<targets::CARPAModule>(m_modules))
        arpa->PositionFormatChanged();
    if (auto* tenders = FirstModuleOf<targets::CTenderWindows>(m_modules))
        tenders->RefreshPositions();
}

chart::CChartDoc* CMainFrame::OpenChart(const std::string& path, bool replace, int windowId)
{
    if (!m_charting || !m_mdi)
        return nullptr;
    app::CWaitStatus wait;
    m_charting->SetOpeningWindowId(windowId);

    // The chart window this one may replace and whose place it may take.
    chart::CChartDoc* previous = m_charting->FindChartDocInState(
        windowId == chart::kFrameAutoscroll ? chart::kFrameAutoscroll : chart::kFrameNormal);
    std::optional<chart::CWindowPlacement> previousPlace;
    if (previous && previous->GetChartFrame())
        previousPlace = previous->GetChartFrame()->GetPlacement();

    chart::CChartModule* service = m_charting->FindServiceFor(app::GetExtensionPart(path));
    std::unique_ptr<chart::CChartDoc> core =
        service ? service->CreateChartDocFor(*m_charting, path) : nullptr;
    if (!core) {
        m_charting->ShowLoadFailure();
        return nullptr;
    }
    auto* document = new chart::CChartDocument(std::move(core), this);
    chart::CChartFrameServices frameServices;
    frameServices.module = m_charting;
    frameServices.frameMessages = &m_posted;
    frameServices.clock = m_services.clock;
    frameServices.sound = m_services.sound;
    frameServices.audioFolder = m_services.audioFolder;
    frameServices.postCommand = [this](unsigned id) { PostCommand(id); };
    frameServices.rangeBearingMode = [this] { return m_rangeBearingMode; };
    frameServices.showRangeBearingLabel = [this](const std::string& text) {
        ShowRangeBearingLabel(text);
    };
    frameServices.showChartProperties = [this] { ShowChartProperties(); };
    frameServices.variationAt = [this](const geo::CPosition& position) {
        if (!m_geomag || !m_geomag->IsLoaded() || !m_services.clock)
            return std::string();
        const std::chrono::year_month_day today{
            std::chrono::floor<std::chrono::days>(m_services.clock->UtcNow())};
        return m_geomag->FormatVariation(today, position);
    };
    frameServices.activeSidePanel = [this]() -> const QWidget* { return m_activeSidePanel; };
    auto* frame = new chart::CChartFrame(windowId, *document, frameServices);
    // The following window moving to another chart behind others (under a
    // report, or under the chart the user has in front) stays where it was.
    // A chart the user opens comes in front, whatever window it replaces.
    QPointer<QMdiSubWindow> activeBefore = m_mdi->activeSubWindow();
    const bool takesPlace =
        windowId == chart::kFrameAutoscroll || (windowId == chart::kFrameNormal && replace);
    auto* previousFrame =
        previous ? dynamic_cast<chart::CChartFrame*>(previous->GetChartFrame()) : nullptr;
    const bool behind = replace && windowId == chart::kFrameAutoscroll && previousFrame &&
                        activeBefore && activeBefore != previousFrame;
    // The window area makes a window it shows the active one; here that is
    // undone before anything is drawn, and the program is not told of it.
    std::optional<QSignalBlocker> quiet;
    if (behind)
        quiet.emplace(m_mdi);
    m_mdi->addSubWindow(frame);
    frame->resize(frame->sizeHint());
    if (!document->Doc().OnOpenDocument(service->PathToOpen(path))) {
        delete frame;   // closes the document with it
        return nullptr;
    }
    AddDocument(document);
    connect(frame->View(), &chart::CChartView::cursorMoved, this, &CMainFrame::UpdatePositionPane);
    frame->show();
    chart::CChartDoc* doc = &document->Doc();
    if (std::getenv("BRINE_REPORT_CHARTS"))
        qInfo("Brinevane: chart opened: %s", doc->GetTitle().c_str());

    if (previousPlace && takesPlace)
        frame->SetPlacement(*previousPlace);
    if (behind) {
        frame->stackUnder(previousFrame);
        quiet.reset();
        if (activeBefore && m_mdi->activeSubWindow() != activeBefore)
            m_mdi->setActiveSubWindow(activeBefore);
    }
    frame->SyncScrollBars();
    if (windowId == chart::kFrameNormal && !replace)
        return doc;
    // The old window closes after the new one is up, through the frame's
    // close message like any other chart window; the new one, named with it,
    // stays in front when the old one was.
    if (replace && previous && previous->GetChartFrame())
        if (auto* old = dynamic_cast<chart::CChartFrame*>(previous->GetChartFrame()))
            m_posted.Post(app::kMsgChartWindowClosed, old->Document().DocumentId(),
                          static_cast<std::int64_t>(document->DocumentId()));
    return doc;
}

void CMainFrame::ActivateChartFrame(chart::CChartFrame* frame)
{
    if (!m_charting || !frame || frame->GetState() == chart::kFramePrintPreview)
        return;
    m_charting->BringChartFrameToFront(frame);
    if (chart::CChartDoc* doc = frame->GetChartDoc())
        m_frameSettings.AddRecentFile(doc->GetPathName());
    if (frame->GetState() == chart::kFrameNormal)
        m_posted.Post(app::kMsgChartpointChanged);
}

void CMainFrame::OnChartpointChanged()
{
    if (m_tornDown)
        return;
    if (auto* points = FirstModuleOf<chartpoints::CChartpointModule>(m_modules))
        points->ShowCurrent();
}

void CMainFrame::ActivateNextChartFrame()
{
    if (!m_charting)
        return;
    chart::CChartDoc* next = m_charting->FindChartDocInState(chart::kFrameNormal);
    if (!next)
        next = m_charting->FindChartDocInState(chart::kFrameAutoscroll);
    if (next && next->GetChartFrame())
        next->GetChartFrame()->ActivateFrame();
}

void CMainFrame::RestoreWindows()
{
    // Station messaging leaves while the workspace's files change.
    StopStationMessaging();
    // The panel the workspace names takes the place and visibility of the
    // one its layout showed.
    SetActiveSidePanel(m_activeSidePanel);
    if (m_charting) {
        m_charting->CloseAllChartDocs();
        // Every other window of the workspace left (report previews, lists,
        // sentence windows) closes with the charts.
        if (m_mdi) {
            m_mdi->closeAllSubWindows();
            QCoreApplication::sendPostedEvents();
        }
        // The charts a workspace names; a start without one has none.
        if (m_reloadDocs && !m_withoutWorkspace)
            m_charting->RestoreOpenCharts();
    }
    // Outside resources are tested again (the tidal models: a start without a
    // workspace reads none of its settings, yet finds the models beside the
    // program).
    m_modules.ForEach([](app::CModule& m) { m.CheckAvailability(); });
    // The chartpoint database, the route database and the vessel log the
    // settings name open (or new temporary ones).
    if (auto* points = FirstModuleOf<chartpoints::CChartpointModule>(m_modules))
        points->OpenInitialDatabase();
    if (auto* routes = FirstModuleOf<routes::CRouteModule>(m_modules))
        routes->OpenInitialDatabase();
    if (auto* navigator = FirstModuleOf<navigator::CNavigatorModule>(m_modules))
        navigator->ReopenVesselLog();
    // The plan's report files are chosen here, once, from the definitions
    // there now; the plan starts afresh for the current route.
    if (auto* plan = FirstModuleOf<routes::CPlanWindows>(m_modules)) {
        const std::filesystem::path reports = ModuleReportHost().reportsFolder;
        plan->SelectReportFiles([&reports](const std::string& file) {
            return !report::FindReportDefinition(file, reports).empty();
        });
        plan->ResetForRoute();
    }
    if (m_charting)
        m_charting->BuildChartFolio();
    StartStationMessaging();
}

std::optional<unsigned> CMainFrame::SidePanelDeleteCommand() const
{
    if (m_activeSidePanel == nullptr)
        return std::nullopt;
    if (auto* marks = FirstModuleOf<chartpoints::CChartpointWindows>(m_modules);
        marks && marks->SidePanel() == m_activeSidePanel)
        return cmd::kChartpointDelete;
    if (auto* routes = FirstModuleOf<routes::CRouteWindows>(m_modules);
        routes && routes->SidePanel() == m_activeSidePanel)
        return cmd::kWaypointDelete;
    return std::nullopt;
}

void CMainFrame::UpdatePositionPane()
{
    if (!m_charting)
        return;
    const QString text = QString::fromStdString(m_charting->GetCursorPositionText());
    if (m_statusBar)
        m_statusBar->SetPaneText(app::CXStatusBar::PositionPane, text);
    // The toolbar's cursor position label follows the pointer too.
    if (auto found = m_actions.find(cmd::kChartCursorPosition); found != m_actions.end())
        found->second->setText(text);
}

// An installed raster chart chosen by its number from the folio, in a new
// chart window (File New) or in place of the ordinary one (File Open).
void CMainFrame::OpenRasterChartFile(bool replace)
{
    if (!m_charting)
        return;
    charts::COpenArcsDlg dialog(m_charting->GetFolio(), this);
    if (dialog.exec() == QDialog::Accepted && !dialog.ChosenPath().empty())
        OpenChart(dialog.ChosenPath(), replace, chart::kFrameNormal);
}

void CMainFrame::DeleteRasterChartSystem()
{
    if (!m_charting)
        return;
    platform::CPrompt& prompt = *m_services.prompt;
    const std::string warning = "This will delete your entire HCRF chart system.";
    if (prompt.Ask(warning + " Continue ?", "Brinevane", platform::PromptIcon::Question,
                   platform::PromptButtons::OkCancel) != platform::PromptAnswer::Ok)
        return;
    // The second question is asked the other way round, so that a hurried
    // Enter or a second Yes does not destroy the charts.
    if (prompt.Ask(warning + " Cancel operation ?", "Brinevane", platform::PromptIcon::Question,
                   platform::PromptButtons::YesNo) != platform::PromptAnswer::No)
        return;
    m_charting->CloseDocsOfClass([](const chart::CChartDoc& doc) {
        return doc.GetChartType() == chart::kChartARCS ||
               doc.GetChartType() == chart::kChartSeafarer;
    });
    QCoreApplication::processEvents();
    for (const auto& service : m_charting->ChartServices())
        if (auto* raster = dynamic_cast<charts::hcrf::CHCRFModule*>(service.get()))
            raster->DeleteChartSystem();
    m_charting->BuildChartFolio();
    prompt.Ask("Operation Complete", "Brinevane", platform::PromptIcon::Information,
               platform::PromptButtons::Ok);
}

navigator::CNavigatorWindows* CMainFrame::Navigator() const
{
    return FirstModuleOf<navigator::CNavigatorWindows>(m_modules);
}

void CMainFrame::RegisterChartCommands()
{
    const void* me = this;
    // File > New, Open and Save As: a chooser of what can be done now; a
    // chooser with nothing to offer is not shown.
    // The route module's database is one of the choosers' entries.
    auto routeModule = [this] { return FirstModuleOf<routes::CRouteModule>(m_modules); };
    auto chartpointModule = [this] {
        return FirstModuleOf<chartpoints::CChartpointWindows>(m_modules);
    };
    auto state = [this, routeModule, chartpointModule] {
        app::CChooserState s;
        s.lowMemory = m_lowMemory;
        s.chartpoints = chartpointModule() != nullptr;
        if (routes::CRouteModule* r = routeModule()) {
            s.routes = true;
            s.routeInUse = r->State().inUse.InUse();
            s.routeHeldWhy = r->State().inUse.WhyHeld();
        }
        if (m_charting) {
            s.normalChartWindows = m_charting->CountChartFramesInState(chart::kFrameNormal);
            s.maxCharts = m_charting->ChartSettings().maxCharts;
            s.chartActive = m_charting->GetActiveChartDoc() != nullptr;
            for (const auto& service : m_charting->ChartServices())
                s.rasterCatalogue = s.rasterCatalogue || service->HasInstalledCharts();
            s.chartFolioReports = s.rasterCatalogue;
            s.chartListOpen = m_mdi && IsChartListPreviewOpen(*m_mdi, false);
            s.fullChartListOpen = m_mdi && IsChartListPreviewOpen(*m_mdi, true);
        } else {
            s.maxCharts = 0;
        }
        s.vesselLog = Navigator() != nullptr;
        return s;
    };
    auto choose = [this](const char* caption, const std::vector<app::CChooserItem>& items) {
        app::CTreeListOptionDlg chooser(this);
        chooser.SetCaption(tr(caption));
        chooser.SetExpand(true);
        chooser.AddItems(items);
        return chooser.Choose();
    };
    auto planModule = [this] { return FirstModuleOf<routes::CPlanWindows>(m_modules); };
    // New offers a vector chart, a plan for the current route and a new log
    // besides what Open offers.
    auto newState = [this, state, planModule] {
        app::CChooserState s = state();
        s.vectorEngine = HasVectorCharts();
        s.plans = planModule() != nullptr;
        return s;
    };
    m_commands.Add(
        me, cmd::kFileNew,
        [this, newState, choose, routeModule, chartpointModule, planModule](unsigned) {
            const int chosen = choose("New", app::NewChoices(newState()));
            if (chosen == app::choose::kBlankChart)
                OpenChart("", false, chart::kFrameNormal);
            else if (chosen == app::choose::kRasterChart)
                OpenRasterChartFile(false);
            else if (chosen == app::choose::kVectorChart)
                OpenVectorChartFile(false);
            else if (chosen == app::choose::kNewChartpoints && chartpointModule())
                chartpointModule()->OpenDatabase("");
            else if (chosen == app::choose::kNewRoutes && routeModule())
                routeModule()->OnNewDatabase();
            else if (chosen == app::choose::kNewPlan && planModule())
                planModule()->ResetForRoute();
            else if (chosen == app::choose::kNewLog && Navigator())
                Navigator()->NewLog();
        },
        [this, newState](app::CCmdUI& ui) {
            ui.Enable(m_charting && !app::NewChoices(newState()).empty());
        });
    m_commands.Add(
        me, cmd::kFileOpen,
        [this, state, choose, routeModule, chartpointModule](unsigned) {
            // A blank chart opened here takes the place of the ordinary chart window.
            // Vector charts open from files; a new chart is a blank one.
            app::CChooserState s = state();
            s.vectorEngine = HasVectorCharts();
            const int chosen = choose("Open", app::OpenChoices(s));
            if (chosen == app::choose::kBlankChart)
                OpenChart("", true, chart::kFrameNormal);
            else if (chosen == app::choose::kRasterChart)
                OpenRasterChartFile(true);
            else if (chosen == app::choose::kOpenRoutes && routeModule())
                routeModule()->OnOpenDatabase();
            else if (chosen == app::choose::kOpenChartpoints && chartpointModule())
                chartpointModule()->OnOpenDatabase();
            else if (chosen == app::choose::kVectorChart)
                OpenVectorChartFile(true);
            else if (chosen == app::choose::kOpenLog && Navigator())
                Navigator()->OpenLogFromChooser();
        },
        [this, state](app::CCmdUI& ui) {
            ui.Enable(m_charting && !app::OpenChoices(state()).empty());
        });
    m_commands.Add(
        me, cmd::kFileSaveAs,
        [this, state, choose, routeModule, chartpointModule](unsigned) {
            const int chosen = choose("Save As", app::SaveAsChoices(state()));
            if (chosen == app::choose::kSaveLog && Navigator())
                Navigator()->SaveLogAs();
            else if (chosen == app::choose::kSaveChartpoints && chartpointModule())
                chartpointModule()->QuerySaveDatabase(false);
            else if (chosen == app::choose::kSaveRoutes && routeModule())
                routeModule()->OnSaveDatabaseAs();
        },
        [state](app::CCmdUI& ui) { ui.Enable(!app::SaveAsChoices(state()).empty()); });
    m_commands.Add(
        me, cmd::kChartRangeBearing, [this](unsigned) { SetRangeBearingMode(!m_rangeBearingMode); },
        [this](app::CCmdUI& ui) {
            ui.Enable(true);
            ui.SetCheck(m_rangeBearingMode ? 1 : 0);
        });
    auto hasChart = [this](app::CCmdUI& ui) {
        ui.Enable(m_charting && m_charting->GetActiveChartDoc());
    };
    // The chart view's own print and preview, and Print Setup; File > Print
    // and Print Preview (below) reach the same code for a chart.
    auto print = [this](unsigned) { PrintActiveChartWithDialog(); };
    auto preview = [this](unsigned) { PreviewActiveChart(); };
    m_commands.Add(me, cmd::kChartPrint, print, hasChart);
    m_commands.Add(me, cmd::kChartPrintPreview, preview, hasChart);
    m_commands.Add(
        me, cmd::kFilePrintSetup,
        [this](unsigned) {
            // Chooses the printer every later print uses without asking.
            report::PrintSetup(Printer(), this);
        },
        [](app::CCmdUI& ui) { ui.Enable(true); });
    // File > Print and Print Preview: the active window, a chart, a sentence window or the
    // logbook.
    auto activeDump = [this]() -> nmea::CNmeaDumpView* {
        QMdiSubWindow* active = m_mdi ? m_mdi->activeSubWindow() : nullptr;
        return active ? qobject_cast<nmea::CNmeaDumpView*>(active->widget()) : nullptr;
    };
    // The logbook window prints and previews its vessel log without a chooser.
    auto activeLogbook = [this] {
        QMdiSubWindow* active = m_mdi ? m_mdi->activeSubWindow() : nullptr;
        return active && active->objectName() == QLatin1String("LogbookWindow");
    };
    // The modules' reports join the charts' in the Print choosers.
    auto reportHost = [this] { return ModuleReportHost(); };
    // The chartpoint list window prints and previews the chartpoint report
    // without a chooser, while there is a chartpoint database to report.
    auto activeChartpointList = [this, reportHost] {
        QMdiSubWindow* active = m_mdi ? m_mdi->activeSubWindow() : nullptr;
        return active && active->objectName() == QLatin1String("ChartpointList") &&
               shell::ChartpointReportOffered(reportHost());
    };
    auto printState = [state, reportHost] {
        app::CChooserState s = state();
        shell::AddModuleReportChoices(s, reportHost());
        return s;
    };
    // File > Print, Print Preview and Print Setup are offered while a printer
    // is there. The print dialog can always print to a PDF file, so here they
    // always are; a chooser with nothing to list shows nothing.
    auto printerPresent = [](app::CCmdUI& ui) { ui.Enable(true); };
    m_commands.Add(
        me, cmd::kFilePrint,
        [this, activeDump, activeLogbook, activeChartpointList, printState, reportHost,
         choose](unsigned) {
            if (nmea::CNmeaDumpView* dump = activeDump()) {
                QPrintDialog dialog(&Printer(), this);
                if (dialog.exec() == QDialog::Accepted)
                    PrintDumpView(*dump, Printer());
            } else if (activeLogbook()) {
                shell::RunModuleReport(app::choose::kPrintVesselLog, false, reportHost());
            } else if (activeChartpointList()) {
                shell::RunModuleReport(app::choose::kPrintChartpoints, false, reportHost());
            } else {
                const int chosen = choose("Print", app::PrintChoices(printState()));
                if (shell::RunModuleReport(chosen, false, reportHost()))
                    return;
                if (chosen == app::choose::kPrintChartView)
                    PrintActiveChartWithDialog();
                else if (m_charting && (chosen == app::choose::kPrintChartList ||
                                        chosen == app::choose::kPrintFullChartList))
                    PrintChartList(*m_charting, chosen == app::choose::kPrintFullChartList, this,
                                   Printer(), reportHost().reportsFolder);
            }
        },
        printerPresent);
    m_commands.Add(
        me, cmd::kFilePrintPreview,
        [this, activeDump, activeLogbook, activeChartpointList, printState, reportHost,
         choose](unsigned) {
            if (nmea::CNmeaDumpView* dump = activeDump()) {
                PreviewDumpView(*dump, this);
                return;
            }
            if (activeLogbook()) {
                shell::RunModuleReport(app::choose::kPrintVesselLog, true, reportHost());
                return;
            }
            if (activeChartpointList()) {
                shell::RunModuleReport(app::choose::kPrintChartpoints, true, reportHost());
                return;
            }
            const int chosen = choose("Print Preview", app::PrintChoices(printState()));
            if (shell::RunModuleReport(chosen, true, reportHost()))
                return;
            if (chosen == app::choose::kPrintChartView)
                PreviewActiveChart();
            else if (m_charting && m_mdi &&
                     (chosen == app::choose::kPrintChartList ||
                      chosen == app::choose::kPrintFullChartList))
                PreviewChartList(*m_charting, chosen == app::choose::kPrintFullChartList, *m_mdi,
                                 Printer(), Desktop().IsPrinterInstalled(),
                                 reportHost().reportsFolder);
        },
        printerPresent);
    // View > Refresh (F2): the modules first (station messaging restarted,
    // databases read again at their records), then range and bearing lines
    // off every chart but a preview, the read-out cleared, every chart view
    // drawn again in full.
    m_commands.Add(me, cmd::kViewRefresh, [this](unsigned) {
        for (std::size_t i = 0; i < m_modules.size(); ++i)
            m_modules[i]->OnRefresh();
        if (!m_charting)
            return;
        for (std::size_t i = 1;
             chart::CChartWindow* chartWindow = m_charting->GetChartFrameByIndex(i); ++i) {
            auto* frame = dynamic_cast<chart::CChartFrame*>(chartWindow);
            if (frame && frame->GetState() != chart::kFramePrintPreview && frame->View())
                frame->View()->ClearRangeBearing();
        }
        if (m_rangeBearingBar)
            if (auto* label = m_rangeBearingBar->findChild<QLabel*>("RangeBearingLabel"))
                label->clear();
        m_charting->ApplyDisplayPaletteToCharts();
        m_charting->RedrawAllChartViews();
    });
    m_commands.Add(
        me, cmd::kChartOptions,
        [this](unsigned) {
            if (m_charting)
                OpenChartOptionsSheet(*m_charting, app::GetProgramPalettes(), this, &m_posted,
                                      [this] { PostCommand(cmd::kHelpContents); });
        },
        [this](app::CCmdUI& ui) {
            ui.Enable(m_charting != nullptr && !chart::IsChartOptionsSheetOpen(this));
        });
    m_commands.Add(
        me, cmd::kChartManagement,
        [this](unsigned) {
            if (m_charting)
                OpenChartManagementSheet(*m_charting, this, &m_posted,
                                         [this] { PostCommand(cmd::kHelpContents); });
        },
        [this](app::CCmdUI& ui) { ui.Enable(m_charting != nullptr); });
    // Properties of what lies under the pointer on the active chart view (the
    // chart's own when nothing does); with no chart active, the program's own
    // (the About box).
    m_commands.Add(
        me, cmd::kViewProperties,
        [this](unsigned) {
            chart::CChartDoc* active = m_charting ? m_charting->GetActiveChartDoc() : nullptr;
            if (!active) {
                if (!m_aboutDlg)
                    ShowAboutBox();
                return;
            }
            auto* frame = dynamic_cast<chart::CChartFrame*>(active->GetChartFrame());
            if (frame && frame->View())
                frame->View()->ShowProperties(frame->View()->LastPoint());
            else
                ShowChartProperties();
        },
        [this](app::CCmdUI& ui) {
            chart::CChartDoc* active = m_charting ? m_charting->GetActiveChartDoc() : nullptr;
            ui.Enable(true);
            // The page follows the active chart, and never keeps a closed one.
            if (m_chartProps && m_chartProps->Object() != active)
                m_chartProps->SetObject(active);
        });
    for (unsigned i = 0; i < cmd::kRecentFiles.Count(); ++i) {
        m_commands.Add(
            me, cmd::kRecentFiles.first + i,
            [this, i](unsigned) {
                const std::string path = m_frameSettings.recentFiles[i];
                if (!path.empty())
                    OpenChart(path, true, chart::kFrameNormal);
            },
            [this, i](app::CCmdUI& ui) {
                const std::string& path = m_frameSettings.recentFiles[i];
                ui.Enable(!path.empty() && m_charting);
                // An empty list keeps its first entry, grey, as "Recent File".
                if (i == 0 && path.empty())
                    ui.SetText("Recent File");
                else
                    ui.SetText("&" + std::to_string(i + 1) + " " +
                               app::RecentFileDisplayName(path));
            });
    }
}

// ---- Layout -------------------------------------------------------------------------

std::string CMainFrame::SaveLayout() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    // The window's own rectangle too: restoring the saved geometry alone
    // can land a frame's width off under some window managers.
    out << saveGeometry() << saveState(1) << normalGeometry() << isMaximized();
    return bytes.toStdString();
}

bool CMainFrame::RestoreLayout(const std::string& stored)
{
    // Floating bars come back only over a shown window: before the first
    // show the layout waits and is applied right after it.
    if (!isVisible()) {
        m_pendingLayout = stored;
        m_layoutRestored = true;
        return true;
    }
    QByteArray bytes = QByteArray::fromStdString(stored);
    QDataStream in(&bytes, QIODevice::ReadOnly);
    QByteArray geometry;
    QByteArray state;
    QRect normal;
    bool maximised = false;
    in >> geometry >> state >> normal >> maximised;
    if (in.status() != QDataStream::Ok)
        return false;
    const bool shown = m_msgBarWnd && !m_msgBarWnd->isHidden();
    bool ok = restoreGeometry(geometry);
    if (ok && !maximised && normal.isValid()) {
        // The stored rectangle is the window's inside; its title bar and
        // border must fit on the screen too.
        const QRect inside = QWidget::geometry();
        const QRect framed = frameGeometry();
        const QMargins chrome(inside.left() - framed.left(), inside.top() - framed.top(),
                              framed.right() - inside.right(), framed.bottom() - inside.bottom());
        normal = OnScreen(normal.marginsAdded(chrome)).marginsRemoved(chrome);
        setGeometry(normal);
        // A window manager that frames the window may push it off its stored
        // place; it is moved back when the frame is seen (moveEvent), however
        // long the window manager takes. After a few seconds the place is
        // the user's again.
        m_wantedPlace = normal.topLeft();
        QTimer::singleShot(3000, this, [this] { m_wantedPlace.reset(); });
    }
    ok = restoreState(state, 1) && ok;
    // The message bar shows what the messages say, never what was stored.
    if (m_msgBarWnd)
        m_msgBarWnd->setVisible(shown);
    m_layoutRestored = m_layoutRestored || ok;
    KeepWindowsOnScreen();
    return ok;
}

void CMainFrame::moveEvent(QMoveEvent* e)
{
    QMainWindow::moveEvent(e);
    // Framed: the window manager's frame is known, so the place is final.
    if (!m_wantedPlace || frameGeometry() == geometry() || isMaximized() || isFullScreen())
        return;
    const QPoint off = *m_wantedPlace - geometry().topLeft();
    if (off.isNull())
        return;
    m_wantedPlace.reset();
    move(pos() + off);
}

void CMainFrame::KeepWindowsOnScreen()
{
    // Each window wholly on its screen: moved, and shrunk where it is larger
    // than the screen's free area (a place saved on a larger screen).
    auto keep = [](QWidget* w) {
        const QRect framed = w->frameGeometry();
        const QRect placed = OnScreen(framed);
        if (placed == framed)
            return;
        if (placed.size() != framed.size())
            w->resize(placed.size() - (framed.size() - w->size()));
        w->move(placed.topLeft());
    };
    if (!isMaximized() && !isFullScreen())
        keep(this);
    // Child windows inside the window area, their title bars reachable.
    if (m_mdi)
        for (QMdiSubWindow* child : m_mdi->subWindowList())
            app::KeepInsideMdiArea(*child);
    for (QDockWidget* dock : findChildren<QDockWidget*>()) {
        if (dock->isFloating() && dock->isVisible())
            keep(dock);
    }
    for (QToolBar* bar : findChildren<QToolBar*>()) {
        if (bar->isFloating() && bar->isVisible())
            keep(bar);
    }
}

chart::CChartPropDlg* CMainFrame::ChartProperties() const
{
    return m_chartProps;
}

void CMainFrame::ShowChartProperties()
{
    if (!m_chartProps) {
        // A modeless sheet holding the chart's one page. Nothing on it can be
        // changed, so OK, Cancel and Escape all just close it (and the page).
        auto* sheet = new QDialog(this);
        sheet->setAttribute(Qt::WA_DeleteOnClose);
        sheet->setWindowTitle("Chart Properties");
        auto* tabs = new QTabWidget(sheet);
        m_chartProps = new chart::CChartPropDlg(tabs);
        tabs->addTab(m_chartProps, m_chartProps->windowTitle());
        auto* buttons =
            new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, sheet);
        connect(buttons, &QDialogButtonBox::accepted, sheet, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, sheet, &QDialog::reject);
        auto* layout = new QVBoxLayout(sheet);
        layout->addWidget(tabs);
        layout->addWidget(buttons);
    }
    m_chartProps->SetObject(m_charting ? m_charting->GetActiveChartDoc() : nullptr);
    QWidget* sheet = m_chartProps->window();
    sheet->adjustSize();
    sheet->show();
    sheet->raise();
    sheet->activateWindow();
}

void CMainFrame::UpdateWorkspaceToolBars()
{
    CloseRangeBearingBar();
    LoadToolbarButtons();
    // A button of the old hide-all-bars command becomes the full-screen
    // command's, at the same place.
    constexpr unsigned kOldHideBars = 2183;
    QAction* replacement = Action(cmd::kViewFullScreen);
    if (!replacement)
        return;
    for (const auto& [id, bar] : m_toolBars) {
        const QList<QAction*> actions = bar->actions();
        for (qsizetype i = actions.size() - 1; i >= 0; --i) {
            if (actions[i]->data().toUInt() == kOldHideBars) {
                bar->insertAction(actions[i], replacement);
                bar->removeAction(actions[i]);
            }
        }
    }
}

void CMainFrame::SetRangeBearingMode(bool on)
{
    m_rangeBearingMode = on;
    if (on) {
        CreateRangeBearingBar();
        return;
    }
    CloseRangeBearingBar();
    // The finished measurements stay on their charts after the mode ends.
    if (m_charting)
        m_charting->RefreshAllChartViews();
}

void CMainFrame::ShowRangeBearingLabel(const std::string& text)
{
    if (m_rangeBearingLabel)
        m_rangeBearingLabel->setText(QString::fromStdString(text));
}

QString CMainFrame::RangeBearingLabel() const
{
    return m_rangeBearingLabel ? m_rangeBearingLabel->text() : QString();
}

void CMainFrame::PostCommand(unsigned id)
{
    QMetaObject::invokeMethod(
        this,
        [this, id] {
            if (!m_tornDown && m_commands.Update(id, true).enabled)
                m_commands.Execute(id);
        },
        Qt::QueuedConnection);
}

bool CMainFrame::GoToPosition(const geo::CPosition& position)
{
    if (!position.IsValid() || !m_charting)
        return false;
    try {
        chart::CChartDoc* doc = m_charting->GetActiveChartDoc();
        if (!doc || !doc->IsChartLoaded())
            return false;
        // Off the chart, the chart of the same kind that covers the position
        // takes the window's place, centred there: the vector chart's folio
        // chart, the raster chart's best chart at the position.
        if (!doc->IsPositionOnChart(position)) {
            if (doc->GetChartType() == chart::kChartLivechart)
                return doc->CentreOnPosition(position, false);
            chart::CChartDoc* opened = doc->OpenBestChartAt(position);
            if (opened != nullptr)
                if (auto* frame = dynamic_cast<chart::CChartFrame*>(opened->GetChartFrame())) {
                    frame->SyncScrollBars();
                    frame->InvalidateView();
                }
            return opened != nullptr;
        }
        geo::CPosition onChart;
        if (doc->ShiftToChartDatum(position, onChart) == chart::kShiftNotOnChart)
            return false;
        if (doc->CentreOnPosition(onChart, false)) {
            if (auto* frame = dynamic_cast<chart::CChartFrame*>(doc->GetChartFrame())) {
                frame->SyncScrollBars();
                frame->InvalidateView();
            }
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool CMainFrame::IsActiveChartLoaded() const
{
    const chart::CChartDoc* doc = m_charting ? m_charting->GetActiveChartDoc() : nullptr;
    return doc && doc->IsChartLoaded();
}

bool CMainFrame::PrintActiveChart(QPrinter& printer)
{
    chart::CChartDoc* doc = m_charting ? m_charting->GetActiveChartDoc() : nullptr;
    auto* frame = dynamic_cast<chart::CChartFrame*>(doc ? doc->GetChartFrame() : nullptr);
    return frame && frame->View()->Print(printer);
}

QPrinter& CMainFrame::Printer()
{
    // One printer for the session: what Print Setup chose is what Print uses.
    if (!m_printer)
        m_printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

bool CMainFrame::PrintActiveChartWithDialog()
{
    if (!m_charting || !m_charting->GetActiveChartDoc())
        return false;
    QPrintDialog dialog(&Printer(), this);
    dialog.setObjectName("PrintDialog");
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return PrintActiveChart(Printer());
}

void CMainFrame::PreviewActiveChart()
{
    chart::CChartDoc* doc = m_charting ? m_charting->GetActiveChartDoc() : nullptr;
    auto* frame = dynamic_cast<chart::CChartFrame*>(doc ? doc->GetChartFrame() : nullptr);
    if (!frame)
        return;
    // Qt's preview is a window of its own: the chart window stays as it is.
    // It is the frame's child, so the session's printer outlives it.
    auto* preview = new chart::CChartPreview(Printer(), Desktop().IsPrinterInstalled(), this);
    QPointer<chart::CChartView> view = frame->View();
    connect(preview, &chart::CChartPreview::paintRequested, this, [view](QPrinter* p) {
        if (view)
            view->Print(*p);
    });
    preview->show();
}

CModuleReportHost CMainFrame::ModuleReportHost()
{
    CModuleReportHost host{this, m_mdi, &Printer(), nullptr, Navigator()};
    host.printerPresent = Desktop().IsPrinterInstalled();
    host.reportsFolder = m_services.programFolder / "System" / "Reports";
    host.positionFormat =
        geo::CPositionFormat{static_cast<std::uint8_t>(DecimalPlaces()), DegMinSec()};
    for (std::size_t i = 0; i < Modules().size(); ++i) {
        app::CModule* module = Modules()[i];
        if (!host.chartpoints)
            host.chartpoints = dynamic_cast<chartpoints::CChartpointModule*>(module);
        if (!host.routes)
            host.routes = dynamic_cast<routes::CRouteModule*>(module);
        if (!host.plans)
            host.plans = dynamic_cast<routes::CPlanModule*>(module);
    }
    return host;
}

}   // namespace shell

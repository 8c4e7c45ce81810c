#include "shell/ChartingSetup.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/DisplayPalettes.h"
#include "app/SystemUtils.h"
#include "app/ui/ToolbarLabelAction.h"
#include "chart/ChartingModule.h"
#include "chart/overlays/OverlayVessel.h"
#include "chart/ui/ChartDocument.h"
#include "chart/ui/ChartFrame.h"
#include "chart/ui/ChartInfoPanel.h"
#include "charts/hcrf/HCRFDoc.h"
#include "charts/hcrf/HCRFModule.h"
#include "charts/ui/ChartDialogs.h"
#include "charts/ui/ChartManagement.h"
#include "charts/ui/CustomChartDlg.h"
#include "charts/ui/LiveChartDisclaimer.h"
#include "charts/ui/LiveChartPages.h"
#include "charts/ui/MediaDialogs.h"
#include "charts/ui/RasterChartMenu.h"
#include "charts/ui/VerificationDialog.h"
#include "charts/vector/BlankChartService.h"
#include "charts/vector/LiveChartService.h"
#include "navigator/NavigatorModule.h"
#include "navigator/VesselModule.h"
#include "shell/AutoscrollWindowHost.h"
#include "shell/MainFrame.h"

namespace shell {

namespace {

// Charts are data, not program: under the user's data folder, since the
// program folder may be read-only.
std::string DefaultChartsFolder()
{
    std::filesystem::path base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        base = data;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "share";
    else
        base = std::filesystem::temp_directory_path();
    return (base / "Quorwick" / "Brinevane" / "Charts").string();
}

double Known(double value)
{
    return value == nmea::kNoValue ? geo::kUnsetValue : value;
}

// The own vessel's values for the charts from the navigator's snapshot.
bool OwnVesselFromSnapshot(const navigator::CNavSnapshot& snap, chart::COwnVesselValues& v)
{
    if (!snap.positionAvailable || !snap.position.IsValid())
        return false;
    v.position = snap.position;
    v.heading = Known(snap.heading);
    v.courseOverGround = Known(snap.cog);
    v.speedOverGround = Known(snap.sog);
    v.headingMarkSpeed = Known(snap.speedThroughWater);
    return true;
}

// The navigator and vessel modules the charting module draws from; both are
// set while the modules are linked (they are created after the charting
// module and go before it).
struct CChartingLinks {
    navigator::CNavigatorModule* navigator = nullptr;
    navigator::CVesselModule* vessel = nullptr;
};

// The charting module of the program: it redraws the own vessel on every
// chart view when the navigator has moved it (a fix or a DR step), and docks
// the Chart Info panel, which View > Chart Information (F5) brings up.
class CProgramCharting final : public chart::CChartingModule,
                               public app::CModuleUi,
                               private navigator::COwnVesselOverlay {
public:
    CProgramCharting(app::CSettingsHome& home, chart::CChartingServices services,
                     std::shared_ptr<CChartingLinks> links, CMainFrame& frame)
        : chart::CChartingModule(home, std::move(services)), m_links(std::move(links)),
          m_autoscroll(
              *this,
              [&frame](const std::string& path, int windowState) {
                  return frame.OpenChart(path, false, windowState);
              },
              [&frame](bool on) { frame.UpdateLargerScaleMessage(on, true, false); })
    {
        chart::CChartView::AddExtension(&m_rasterMenu);
    }
    ~CProgramCharting() override
    {
        chart::CChartView::RemoveExtension(&m_rasterMenu);
        UnlinkModules();
    }

    void LinkModules(const app::CModuleList& modules) override
    {
        for (std::size_t i = 0; i < modules.size(); ++i) {
            if (!m_links->navigator)
                m_links->navigator = dynamic_cast<navigator::CNavigatorModule*>(modules[i]);
            if (!m_links->vessel)
                m_links->vessel = dynamic_cast<navigator::CVesselModule*>(modules[i]);
        }
        if (m_links->navigator) {
            m_links->navigator->SetOwnVesselOverlay(this);
            m_links->navigator->SetChartHost(&m_autoscroll);
        }
    }
    void UnlinkModules() override
    {
        if (m_links->navigator) {
            m_links->navigator->SetChartHost(nullptr);
            m_links->navigator->SetOwnVesselOverlay(nullptr);
        }
        *m_links = CChartingLinks{};
    }

    app::CModuleUi* Ui() override { return this; }
    bool CreateSidePanels(app::CModuleHost& host, std::vector<app::CSidePanel*>& panels) override
    {
        m_host = &host;
        auto* panel =
            new chart::CChartInfoPanel([this] { return GetActiveChartDoc(); }, &host.Window());
        if (!panel->Create(chart::CChartInfoPanel::kBarId, &host.Window()))
            return false;
        m_infoPanel = panel;
        panels.push_back(panel);
        return true;
    }
    QAction* ToolBarControl(unsigned id, QObject* parent) override
    {
        if (id != app::cmd::kChartCursorPosition)
            return nullptr;
        return new app::CToolbarLabelAction(QStringLiteral("Current Cursor Position"),
                                            QStringLiteral("00\u00B000.000'N 000\u00B000.000'W"),
                                            QColor(175, 175, 175), parent);
    }
    void RegisterCommands(app::CCommandTable& commands) override
    {
        chart::CChartingModule::RegisterCommands(commands);
        commands.Add(
            this, app::cmd::kViewChartInfoPanel,
            [this](unsigned) {
                if (m_host && m_infoPanel)
                    m_host->ActivateSidePanel(m_infoPanel);
            },
            [this](app::CCmdUI& ui) {
                ui.SetCheck(m_host && m_host->IsActiveSidePanel(m_infoPanel) ? 1 : 0);
            });
    }

private:
    void SetPosition(const navigator::CNavSnapshot&, bool) override { InvalidateAllChartViews(); }

    std::shared_ptr<CChartingLinks> m_links;
    // The chart window that follows the vessel.
    CAutoscrollWindowHost m_autoscroll;
    // The raster charts' entries in every chart view's right-click menu.
    charts::CRasterChartMenu m_rasterMenu{[this]() -> std::optional<geo::CPosition> {
        chart::COwnVesselValues v;
        if (m_links->navigator && OwnVesselFromSnapshot(*m_links->navigator->Snapshot(), v))
            return v.position;
        return std::nullopt;
    }};
    app::CModuleHost* m_host = nullptr;
    QPointer<chart::CChartInfoPanel> m_infoPanel;
};

// The vector chart service with its windows: the management page's Update
// Folio runs the frame's update, and the disclaimer comes up for the first
// vector chart of a run; declining it closes every vector chart.
std::unique_ptr<charts::CLiveChartService> MakeLiveChartService(CMainFrame& frame)
{
    auto service = std::make_unique<charts::CLiveChartService>(frame.SettingsHome());
    charts::CLiveChartService* live = service.get();
    // The folder of the Chart Options page, at each OK or Apply: made and
    // kept, the folio updated from the charts and cells it holds, then
    // opened from it. The update (progress, then its outcome) runs once the
    // sheet's OK is done; a folder with nothing to update from fails and says
    // so. A successful update builds the chart folio itself, which opens the
    // new folder's folio; after a failed one the folio is opened all the same.
    auto folderChanged = [&frame, live](const std::string& folder) {
        if (!live->SetFolder(folder)) {
            QMessageBox::critical(&frame, QStringLiteral("Livechart"),
                                  QStringLiteral("The chart folder %1 could not be made.")
                                      .arg(QString::fromStdString(folder)));
            return;
        }
        QMetaObject::invokeMethod(
            &frame,
            [&frame] {
                if (!frame.UpdateVectorFolio() && frame.Charting())
                    frame.Charting()->BuildChartFolio();
            },
            Qt::QueuedConnection);
    };
    auto pages = std::make_shared<charts::CLiveChartPagesUi>(
        *service, [&frame] { frame.PostCommand(app::cmd::kChartUpdateFolio); },
        std::move(folderChanged));
    service->SetUi(pages);
    auto dialog = std::make_shared<QPointer<charts::CLCDisclaimerDlg>>();
    charts::CLiveChartService::DisclaimerHost host;
    host.show = [&frame, dialog](bool* accepted) {
        auto closeVectorCharts = [&frame] {
            chart::CChartingModule* charting = frame.Charting();
            if (!charting)
                return;
            std::vector<chart::CChartDoc*> vector;
            for (chart::CChartWindow* window : charting->ChartFrames())
                if (chart::CChartDoc* doc = window ? window->GetChartDoc() : nullptr)
                    if (doc->GetChartType() == chart::kChartLivechart)
                        vector.push_back(doc);
            for (chart::CChartDoc* doc : vector)
                charting->Services().closeDocument(doc);
        };
        auto* dlg = new charts::CLCDisclaimerDlg(closeVectorCharts, &frame);
        dlg->SetResultFlag(accepted);
        *dialog = dlg;
        // Shown once the chart window that asked for it is up, so it comes
        // up in front of it with the keyboard.
        QTimer::singleShot(0, dlg, [dlg] {
            dlg->Open();
            dlg->raise();
            dlg->activateWindow();
        });
    };
    host.cancel = [dialog] {
        if (*dialog)
            (*dialog)->Cancel();
    };
    service->SetDisclaimerHost(std::move(host));
    return service;
}

}   // namespace

std::unique_ptr<app::CModule> MakeChartingModule(CMainFrame& frame)
{
    chart::CChartingServices services;
    services.frameMsgBar = frame.MsgBar();
    services.programFolder = frame.Services().programFolder.string();
    services.defaultChartsFolder = DefaultChartsFolder();
    // The two raster chart services share their catalogue and the program's
    // dialogs; the navigator's periodic work waits while a medium prompt is up.
    auto shared = std::make_shared<charts::hcrf::CHCRFShared>();
    auto mediaUi = std::make_unique<charts::CQtMediaUi>(&frame);
    mediaUi->SetVideoFolder(frame.Services().programFolder / "System" / "Video");
    shared->ownedUi = std::move(mediaUi);
    shared->host.ui = shared->ownedUi.get();
    shared->host.setNavigatorHold = [&frame](bool on) {
        const app::CModuleList& modules = frame.Modules();
        for (std::size_t i = 0; i < modules.size(); ++i)
            if (auto* navigator = dynamic_cast<navigator::CNavigatorModule*>(modules[i]))
                on ? navigator->RaiseHold() : navigator->LowerHold();
    };
    shared->host.pumpMessages = [&frame] { frame.Desktop().PumpMessages(); };
    shared->host.showVerification = [&frame](charts::hcrf::CHCRFDoc& doc) {
        auto* dialog = new charts::CChartVerificationDlg(doc, &frame);
        dialog->show();
    };
    shared->host.showChartsAtPosition = [&frame](charts::hcrf::CHCRFDoc& doc,
                                                 const geo::CPosition& position) {
        charts::RunChartsAtPosition(doc, position, &frame);
    };
    shared->host.showNotes = [&frame](charts::hcrf::CHCRFDoc& doc) {
        charts::CNotesDialog dialog(doc, &frame);
        dialog.exec();
    };
    shared->host.showNotices = [&frame](charts::hcrf::CHCRFDoc& doc) {
        charts::CAddNtmDialog dialog(doc, &frame);
        dialog.exec();
    };
    shared->host.showCustom = [&frame](charts::hcrf::CHCRFModule& service) {
        // Over the management sheet it runs from, which takes the keyboard back.
        QWidget* sheet = QApplication::activeModalWidget();
        charts::CARCSCustomDlg dialog(service, sheet ? sheet : &frame);
        dialog.exec();
    };
    // Each service's page joins the Chart Management Options sheet.
    auto withPage = [&shared](std::unique_ptr<charts::hcrf::CHCRFModule> service) {
        auto pages = std::make_shared<charts::CChartServicePagesUi>(*service);
        service->SetUi(pages.get());
        shared->ownedPages.push_back(pages);
        return service;
    };
    services.chartServices.push_back(
        withPage(std::make_unique<charts::hcrf::CARCSModule>(frame.SettingsHome(), shared)));
    services.chartServices.push_back(
        withPage(std::make_unique<charts::hcrf::CSeafarerModule>(frame.SettingsHome(), shared)));
    services.chartServices.push_back(MakeLiveChartService(frame));
    services.chartServices.push_back(
        std::make_unique<charts::CBlankChartService>(frame.SettingsHome()));
    services.openChart = [&frame](const std::string& path, bool replace, int windowId) {
        return frame.OpenChart(path, replace, windowId);
    };
    services.closeDocument = [](chart::CChartDoc* doc) {
        if (auto* window = dynamic_cast<chart::CChartFrame*>(doc ? doc->GetChartFrame() : nullptr))
            window->Document().OnCloseDocument();
        else if (doc)
            doc->OnCloseDocument();
    };
    // The window in front counts, also while another program has the keyboard
    // (Qt then reports no active subwindow at all).
    services.activeDocument = [&frame]() -> chart::CChartDoc* {
        QMdiSubWindow* active = frame.MdiArea() ? frame.MdiArea()->currentSubWindow() : nullptr;
        auto* chartFrame = qobject_cast<chart::CChartFrame*>(active);
        return chartFrame ? chartFrame->GetChartDoc() : nullptr;
    };
    services.chartpointChanged = [&frame] { frame.OnChartpointChanged(); };
    services.availableMemory = [] { return app::GetAvailableMemory(); };
    services.screenFacts = [&frame] {
        const app::CDesktop& d = frame.Desktop();
        return std::array<int, 3>{d.ScreenWidth(), d.ScreenHeight(), d.ScreenBitsPerPixel()};
    };
    services.palettes = app::GetProgramPalettes();
    services.positionFormat = [&frame] {
        return geo::CPositionFormat{static_cast<std::uint8_t>(frame.DecimalPlaces()),
                                    frame.DegMinSec()};
    };
    // The own vessel comes from the navigator and vessel modules once linked.
    auto links = std::make_shared<CChartingLinks>();
    services.ownVesselStyle = [links]() -> const chart::COwnVesselStyle* {
        return links->vessel ? &links->vessel->Style() : nullptr;
    };
    services.ownVessel = [links](chart::COwnVesselValues& v) {
        navigator::CNavigatorModule* nav = links->navigator;
        if (!nav)
            return false;
        if (navigator::CVesselModule* vessel = links->vessel) {
            v.warningCircles = vessel->WarningCircles();
            v.warningCirclesRadius = vessel->WarningCirclesRadius();
            // The heading line and vector are drawn as wide as the track.
            vessel->Style().trackLineWidth = nav->FixProperties().Line().GetWidth();
        }
        v.headingLineLength = nav->HeadingIndicator();
        v.vectorTimeDays = double(nav->SpeedDirectionVector().count()) / 86400.0;
        return OwnVesselFromSnapshot(*nav->Snapshot(), v);
    };
    // The own vessel's drawn track window, never its whole file.
    services.ownVesselFixes = [links] {
        return links->navigator ? links->navigator->OwnTrackPositions()
                                : std::vector<geo::CPosition>{};
    };
    // The autoscroll restrictions name folio items: they go before the items do.
    services.folioClearing = [links] {
        if (links->navigator)
            links->navigator->ClearAutoscrollRestrictions();
    };
    // Targets of both kinds are drawn in the order they joined the vessel list.
    services.targetOrder = [links](std::vector<const void*>& keys) {
        if (!links->navigator)
            return;
        for (const auto& vessel : links->navigator->Vessels()->Vessels())
            keys.push_back(&vessel->Vessel());
    };
    services.autoscrollAreaPercent = [links] {
        // Without a navigator the whole chart counts, as for a chart of its own.
        return links->navigator ? links->navigator->AutoscrollPercentage() : 100;
    };
    return std::make_unique<CProgramCharting>(frame.SettingsHome(), std::move(services),
                                              std::move(links), frame);
}

}   // namespace shell

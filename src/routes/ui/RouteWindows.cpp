#include "routes/ui/RouteWindows.h"

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/ui/ToolbarComboAction.h"
#include "chart/ChartDoc.h"
#include "routes/ui/RouteOptionsPages.h"
#include "routes/ui/RoutePanel.h"
#include "routes/ui/RouteUploadDlg.h"

#include <QFileDialog>
#include <QMainWindow>
#include <QMenu>

#include <cstdlib>
#include <fstream>

namespace routes {

namespace cmd = app::cmd;

namespace {

// A client point of a view (its device pixels) as a chart position.
bool ClientToPosition(chart::CChartDoc& doc, geo::IntPoint client, geo::CPosition& position)
{
    if (!doc.IsClientPointOnChart(client))
        return false;
    geo::IntPoint chartPoint;
    doc.ClientToChartPoint(client, chartPoint);
    return doc.PointToPosition(chartPoint, position);
}

}   // namespace

CRouteWindows::CRouteWindows(app::CSettingsHome& settings, platform::CPrompt& prompt,
                             std::filesystem::path dataRoot)
    : CRouteModule(settings, prompt, std::move(dataRoot))
{
    if (const char* file = std::getenv("BRINE_ROUTE_STATE_FILE"); file && *file) {
        m_stateFile = file;
        AddListener(&m_stateReport);
    }
    const auto parent = [this]() -> QWidget* { return m_host ? &m_host->Window() : nullptr; };
    SetFileDialogs(
        [parent](const std::string& folder, const std::string&) -> std::optional<std::string> {
            const QString path = QFileDialog::getOpenFileName(
                parent(), QStringLiteral("Open Route Database"), QString::fromStdString(folder),
                QStringLiteral("Route DB (*.dbf *.DBF);;Old Route DB (*.rdb *.RDB);;"
                               "Coursemead DB (*.wpt *.WPT)"));
            if (path.isEmpty())
                return std::nullopt;
            return path.toStdString();
        },
        [parent](const std::string& folder,
                 const std::string& proposed) -> std::optional<std::string> {
            const QString start =
                QString::fromStdString((std::filesystem::path(folder) / proposed).string());
            QString path =
                QFileDialog::getSaveFileName(parent(), QStringLiteral("Save Route Database"), start,
                                             QStringLiteral("Route DB (*.dbf)"));
            if (path.isEmpty())
                return std::nullopt;
            return path.toStdString();
        });
}

CRouteWindows::~CRouteWindows()
{
    chart::CChartView::RemoveExtension(this);
    for (app::CToolbarComboAction* action : {m_routeAction.data(), m_waypointAction.data()})
        if (action)
            action->Detach();
}

void CRouteWindows::MakeToolbarCombos(app::CModuleHost& host)
{
    m_routeCombo.SetRoutes(&Database());
    m_routeAction = new app::CToolbarComboAction(
        m_routeCombo, cmd::kRouteCombo, QStringLiteral("Select Route"), 200, true,
        [this](int index) {
            if (index >= 0 && index + 1 != RouteOrdinal())
                SelectRoute(index + 1);
        },
        &host.Window());
    m_waypointAction = new app::CToolbarComboAction(
        m_waypointCombo, cmd::kWaypointCombo, QStringLiteral("Select Route Waypoint"), 160, true,
        [this](int index) {
            if (index >= 0)
                SelectWaypoint(index + 1);
        },
        &host.Window());
    m_routeCombo.Refill();
    m_waypointCombo.Refill();
    host.AddToolbarControl(m_routeAction);
    host.AddToolbarControl(m_waypointAction);
    AddListener(&m_comboFollower);
}

void CRouteWindows::FollowInCombos(int hint)
{
    switch (hint) {
    case kHintClosed:
    case kHintRoute:
    case kHintAdded:
    case kHintDeleted:
        m_routeCombo.Refill();
        m_waypointCombo.Refill();
        break;
    case kHintDeleting: m_waypointDeleting = true; break;
    case kHintSelected:
        // A delete ends with the next point selected: the deleted one's entry goes.
        if (m_waypointDeleting)
            m_waypointCombo.DeleteCurrentEntry();
        else
            m_waypointCombo.SelectCurrentRecord();
        m_waypointDeleting = false;
        break;
    case kHintInserted: m_waypointCombo.InsertCurrentEntry(); break;
    case kHintWritten:
        m_routeCombo.UpdateCurrentEntry();
        m_waypointCombo.UpdateCurrentEntry();
        break;
    default: break;
    }
}

bool CRouteWindows::CreateSidePanels(app::CModuleHost& host, std::vector<app::CSidePanel*>& panels)
{
    m_host = &host;
    auto* panel = new CRoutePanel(*this, &host.Window());
    if (!panel->Create(CRoutePanel::kBarId, &host.Window()))
        return false;
    m_panel = panel;
    AddListener(panel);
    MakeToolbarCombos(host);
    panels.push_back(panel);
    chart::CChartView::AddExtension(this);
    return true;
}

bool CRouteWindows::Terminate()
{
    delete m_uploadDialog.data();
    chart::CChartView::RemoveExtension(this);
    if (m_panel)
        RemoveListener(m_panel);
    RemoveListener(&m_comboFollower);
    return CRouteModule::Terminate();
}

bool CRouteWindows::IsPanelActive() const
{
    return m_panel && m_panel->isVisible();
}

void CRouteWindows::RegisterCommands(app::CCommandTable& commands)
{
    const auto comboState = [this](db::CDBComboModel& combo) {
        return [this, &combo](app::CCmdUI& ui) { ui.Enable(combo.HasRows() && IsFree()); };
    };
    commands.Add(
        this, cmd::kRouteCombo, [](unsigned) {}, comboState(m_routeCombo));
    commands.Add(
        this, cmd::kWaypointCombo, [](unsigned) {}, comboState(m_waypointCombo));
    commands.Add(
        this, cmd::kOpenRouteCombo,
        [this](unsigned) {
            if (m_routeAction)
                m_routeAction->OpenDropDown();
        },
        comboState(m_routeCombo));
    commands.Add(
        this, cmd::kOpenWaypointCombo,
        [this](unsigned) {
            if (m_waypointAction)
                m_waypointAction->OpenDropDown();
        },
        comboState(m_waypointCombo));
    for (unsigned id : CommandIds())
        commands.Add(
            this, id, [this](unsigned which) { Execute(which); },
            [this](app::CCmdUI& ui) {
                const app::CCmdUIState s = CommandState(ui.GetID());
                ui.Enable(s.enabled);
                if (s.check)
                    ui.SetCheck(*s.check);
            });
    commands.Add(
        this, cmd::kNavUploadRoute, [this](unsigned) { ShowUploadDialog(); },
        [this](app::CCmdUI& ui) { ui.Enable(State().hasRoute && !State().waypoints.empty()); });
    commands.Add(
        this, cmd::kRouteOptions, [this](unsigned) { OpenOptions(); },
        [this](app::CCmdUI& ui) { ui.Enable(true); });
    commands.Add(
        this, cmd::kViewRoutePanel,
        [this](unsigned) {
            if (m_host && m_panel)
                m_host->ActivateSidePanel(m_panel);
        },
        [this](app::CCmdUI& ui) { ui.SetCheck(m_panel && m_panel->isVisible() ? 1 : 0); });
}

void CRouteWindows::OpenOptions()
{
    if (m_options) {
        m_options->raise();
        m_options->activateWindow();
        return;
    }
    auto* sheet = new app::CModelessPropertySheet(QStringLiteral("Route Options"),
                                                  m_host ? &m_host->Window() : nullptr);
    sheet->setObjectName("routeOptions");
    sheet->AddPage(new routes::CRouteGeneralOptionsPage(
        std::make_unique<routes::CRouteGeneralOptionsModel>(*this), sheet));
    sheet->AddPage(new routes::CRoutePathOptionsPage(
        std::make_unique<routes::CRoutePathOptionsModel>(*this), sheet));
    sheet->AddPage(new routes::CRouteMonitoringOptionsPage(
        std::make_unique<routes::CRouteMonitoringOptionsModel>(*this), sheet));
    sheet->AddPage(new routes::CGreatCircleOptionsPage(
        std::make_unique<routes::CGreatCircleOptionsModel>(*this), sheet));
    m_options = sheet;
    sheet->ShowModeless();
}

void CRouteWindows::WriteState(int hint)
{
    std::ofstream out(m_stateFile, std::ios::app);
    const routes::CRouteState& s = State();
    out << "hint=" << hint << " edit=" << (IsEditMode() ? 1 : 0)
        << " locked=" << (AreWaypointsLocked() ? 1 : 0) << " route=" << RouteOrdinal()
        << " count=" << s.waypoints.size() << " active=" << s.activeIndex;
    // Where the current waypoint is on the screen, in the first view that shows it.
    if (s.activeIndex >= 1 && s.activeIndex <= int(s.waypoints.size())) {
        const geo::CPosition& p = s.waypoints[std::size_t(s.activeIndex - 1)].m_position;
        for (const auto& [view, layer] : m_layers) {
            chart::PointList points;
            if (!view->Doc().PositionToClientPoints(p, points) || points.empty())
                continue;
            const double ratio = view->PixelRatio();
            const QPoint global = view->mapToGlobal(
                QPoint(int(points.front().x / ratio + 0.5), int(points.front().y / ratio + 0.5)));
            out << " x=" << global.x() << " y=" << global.y();
            break;
        }
    }
    out << "\n";
}

void CRouteWindows::ShowUploadDialog()
{
    if (!m_uploadDialog) {
        QWidget* parent = m_host ? &m_host->Window() : nullptr;
        auto* dlg = new CRouteUploadDlg(*this, m_transmitter, parent);
        dlg->setAttribute(Qt::WA_DeleteOnClose);
        m_uploadDialog = dlg;
    }
    m_uploadDialog->show();
    m_uploadDialog->raise();
    m_uploadDialog->activateWindow();
}

void CRouteWindows::ViewCreated(chart::CChartView& view)
{
    auto layer = std::make_unique<routes::CRouteViewLayer>(view.Doc(), Views(), State(),
                                                           [&view] { view.InvalidateOverlays(); });
    view.Pipeline().SetSource(chart::StaticLayer::Route, &layer->StaticSource());
    view.Pipeline().SetSource(chart::DynamicLayer::ActiveRoute, &layer->CurrentSource());
    layer->Monitoring().Attach(view.Pipeline());
    AddListener(layer.get());
    m_layers[&view] = std::move(layer);
}

void CRouteWindows::ViewDestroyed(chart::CChartView& view)
{
    const auto it = m_layers.find(&view);
    if (it == m_layers.end())
        return;
    view.Pipeline().SetSource(chart::StaticLayer::Route, nullptr);
    view.Pipeline().SetSource(chart::DynamicLayer::ActiveRoute, nullptr);
    it->second->Monitoring().Detach(view.Pipeline());
    RemoveListener(it->second.get());
    if (m_dragView == &view)
        m_dragView = nullptr;
    m_layers.erase(it);
}

bool CRouteWindows::Press(chart::CChartView& view, geo::IntPoint p)
{
    const auto it = m_layers.find(&view);
    if (it == m_layers.end())
        return false;
    const std::optional<int> hit = it->second->FindAt(p);
    if (!hit)
        return false;
    if (*hit != State().activeIndex)
        SelectWaypoint(*hit);
    // Only an unlocked waypoint of an editable, free route moves.
    if (CanChangeRoute() && !AreWaypointsLocked() && *hit == State().activeIndex) {
        m_dragView = &view;
        m_dragStart = p;
        m_dragMoved = false;
    }
    return true;
}

void CRouteWindows::DragTo(chart::CChartView& view, geo::IntPoint p)
{
    if (m_dragView != &view)
        return;
    if (std::abs(p.x - m_dragStart.x) + std::abs(p.y - m_dragStart.y) > 2)
        m_dragMoved = true;
    if (!m_dragMoved)
        return;
    m_layers[&view]->SetDragPoint(p);
    view.InvalidateOverlays();
}

void CRouteWindows::Release(chart::CChartView& view, geo::IntPoint p)
{
    if (m_dragView != &view)
        return;
    m_dragView = nullptr;
    m_layers[&view]->SetDragPoint(std::nullopt);
    geo::CPosition position;
    if (m_dragMoved && ClientToPosition(view.Doc(), p, position))
        MoveWaypoint(State().activeIndex, position);
    view.InvalidateOverlays();
}

bool CRouteWindows::DoubleClick(chart::CChartView& view, geo::IntPoint p)
{
    if (!IsPanelActive() || !CanChangeRoute())
        return false;
    const auto it = m_layers.find(&view);
    if (it == m_layers.end())
        return false;
    const std::optional<int> hit = it->second->FindAt(p);
    return hit && AppendCopyOfWaypoint(*hit);
}

void CRouteWindows::AddContextMenu(chart::CChartView& view, QMenu& menu, geo::IntPoint p)
{
    QAction* add = menu.addAction(QStringLiteral("&Add New Waypoint"));
    QAction* insert = menu.addAction(QStringLiteral("In&sert New Waypoint"));
    QAction* del = menu.addAction(QStringLiteral("&Delete Selected Waypoint"));
    menu.addSeparator();
    const bool editable = CanChangeRoute();
    add->setEnabled(editable);
    insert->setEnabled(editable && State().activeIndex >= 1);
    del->setEnabled(editable && State().activeIndex >= 1);
    chart::CChartDoc* doc = &view.Doc();
    QObject::connect(add, &QAction::triggered, &menu, [this, doc, p] {
        geo::CPosition position;
        if (ClientToPosition(*doc, p, position))
            AddWaypointAt(position);
    });
    QObject::connect(insert, &QAction::triggered, &menu, [this, doc, p] {
        geo::CPosition position;
        if (ClientToPosition(*doc, p, position))
            InsertWaypointAfterCurrent(position);
    });
    QObject::connect(del, &QAction::triggered, &menu, [this] { DeleteCurrentWaypoint(); });
}

}   // namespace routes

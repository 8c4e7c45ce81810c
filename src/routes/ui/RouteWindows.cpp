#include "routes/ui/RouteWindows.h"

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/WaitStatus.h"
#include "app/ui/OpenSaveDlgs.h"
#include "app/ui/XStatusBar.h"
#include "chart/ChartDoc.h"
#include "routes/ui/RouteOptionsPages.h"
#include "routes/ui/RoutePanel.h"
#include "routes/ui/RoutePropertiesSheet.h"
#include "routes/ui/RouteUploadDlg.h"

#include <QMainWindow>
#include <QMenu>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace routes {

namespace cmd = app::cmd;

namespace {

// Why the chart's waypoint entries are grey, shown while the menu is open;
// the way out it names is one the user can take now (Edit only while it is
// offered).
QString EditHint(const CRouteState& state, bool lockedElsewhere, bool canEdit)
{
    if (lockedElsewhere)
        return QStringLiteral("Waypoints cannot be changed: another station is editing this "
                              "route database.");
    if (state.inUse.InUse())
        return QString::fromStdString("The route cannot be changed while it is in use (" +
                                      state.inUse.Describe() + ").");
    if (!state.editMode && canEdit)
        return QStringLiteral("To add, insert or delete waypoints here, press Edit on the Route "
                              "panel (Route > Edit).");
    if (!state.editMode)
        return {};
    if (!state.hasRoute)
        return QStringLiteral("Choose a route, or make one with Route > New, to add waypoints.");
    return {};
}

// A client point of a view (its device pixels) as a chart position.
bool ClientToPosition(chart::CChartDoc& doc, geo::IntPoint client, geo::CPosition& position)
{
    return doc.IsClientPointOnChart(client) && chart::PositionAtClient(doc, client, position);
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
    // The shared route and waypoint lists follow the module from the start,
    // whether or not a toolbar shows them yet.
    m_routeList.SetRoutes(&Database());
    AddListener(&m_windowFollower);
    const auto parent = [this]() -> QWidget* { return m_host ? &m_host->Window() : nullptr; };
    // The program's own open and save dialogs: the program's temporary
    // tables ("~" names) are neither listed nor taken.
    SetFileDialogs(
        [parent](const std::string& folder, const std::string&) -> std::optional<std::string> {
            app::COpenFileDlg dialog(QStringLiteral("Open Route Database"),
                                     QString::fromStdString(folder),
                                     QStringLiteral("Route DB (*.dbf)\nOld Route DB (*.rdb)\n"
                                                    "Coursemead DB (*.wpt)"),
                                     QString(), parent());
            dialog.setObjectName("OpenRouteDatabase");
            if (dialog.exec() != QDialog::Accepted || dialog.ChosenPath().empty())
                return std::nullopt;
            return dialog.ChosenPath().string();
        },
        [this, parent](const std::string& folder,
                       const std::string& proposed) -> std::optional<std::string> {
            app::CSaveFileDlg dialog(QStringLiteral("Save Route Database"),
                                     QString::fromStdString(folder), QStringLiteral("dbf"),
                                     QString::fromStdString(proposed), parent());
            dialog.setObjectName("SaveRouteDatabase");
            // Room for the longest suffix a route table's files take and its
            // two numbered companion tables.
            dialog.SetCompanionFiles(false, 2, 12);
            dialog.SetNetworkMode(IsStationNetworkOn());
            // A folder is taken only when its disk can hold the table's files.
            dialog.SetSource(folder, std::filesystem::path(proposed).stem().string());
            if (dialog.exec() != QDialog::Accepted)
                return std::nullopt;
            return dialog.GetPathName().string();
        });
}

CRouteWindows::~CRouteWindows()
{
    chart::CChartView::RemoveExtension(this);
}

bool CRouteWindows::CreateSidePanels(app::CModuleHost& host, std::vector<app::CSidePanel*>& panels)
{
    m_host = &host;
    auto* panel = new CRoutePanel(*this, &host.Window());
    if (!panel->Create(CRoutePanel::kBarId, &host.Window()))
        return false;
    m_panel = panel;
    panel->SetAttachmentOpener([this](const std::string& path, bool video) {
        return m_openAttachment && m_openAttachment(path, video);
    });
    panel->SetPositionFormat(
        [this] { return m_positionFormat ? m_positionFormat() : geo::CPositionFormat{}; });
    AddListener(panel);
    panels.push_back(panel);
    chart::CChartView::AddExtension(this);
    return true;
}

void CRouteWindows::PositionFormatChanged()
{
    if (m_panel)
        m_panel->FillList();
    if (m_properties)
        m_properties->ShowRoute();
}

QAction* CRouteWindows::ToolBarControl(unsigned id, QObject* parent)
{
    const bool route = id == cmd::kRouteCombo;
    if (!route && id != cmd::kWaypointCombo)
        return nullptr;
    QPointer<app::CToolbarComboAction>& slot = route ? m_routeCombo : m_waypointCombo;
    if (slot)
        return slot.data();
    if (route)
        slot = new app::CToolbarComboAction(
            m_routeList, id, QStringLiteral("Select Route"), 200, true,
            [this](int index) {
                const app::CWaitStatus wait;
                // A refused choice (the route held) shows the route in use again.
                if (index < 0 || (index + 1 != RouteOrdinal() && !SelectRoute(index + 1)))
                    m_routeList.SelectCurrentRecord();
            },
            parent);
    else
        slot = new app::CToolbarComboAction(
            m_waypointList, id, QStringLiteral("Select Route Waypoint"), 160, true,
            [this](int index) {
                const app::CWaitStatus wait;
                if (index < 0 || !SelectWaypoint(index + 1))
                    m_waypointList.SelectCurrentRecord();
            },
            parent);
    return slot.data();
}

void CRouteWindows::CWindowFollower::OnRouteChange(int hint)
{
    if (hint == routes::kHintDisplay)
        return;
    if (m_owner.m_properties)
        m_owner.m_properties->ShowRoute();
    m_owner.FollowInLists(hint);
}

void CRouteWindows::FollowInLists(int hint)
{
    switch (hint) {
    case kHintClosed:
    case kHintRoute:
    case kHintAdded:
    case kHintDeleted:
    case kHintLegs:
        m_routeList.Refill();
        m_waypointList.Refill();
        break;
    case kHintSelected:
        // A delete ends with the next point selected: one point fewer than
        // listed means the cached entry is the deleted one.
        if (m_waypointList.GetCount() == int(State().waypoints.size()) + 1)
            m_waypointList.DeleteCurrentEntry();
        else if (m_waypointList.GetCount() != int(State().waypoints.size()))
            m_waypointList.Refill();
        else
            m_waypointList.SelectCurrentRecord();
        break;
    case kHintInserted: m_waypointList.InsertCurrentEntry(); break;
    case kHintWritten: m_waypointList.UpdateCurrentEntry(); break;
    default: break;   // a drag moves a point, its entry stays
    }
}

void CRouteWindows::ShowProperties(int waypoint)
{
    if (!m_properties) {
        m_properties = new CRoutePropertiesSheet(
            *this,
            [this] { return m_positionFormat ? m_positionFormat() : geo::CPositionFormat{}; },
            m_host ? &m_host->Window() : nullptr);
        m_properties->ShowModeless();
    }
    m_properties->SetWaypoint(waypoint);
    m_properties->raise();
    m_properties->activateWindow();
}

bool CRouteWindows::Terminate()
{
    RemoveListener(&m_windowFollower);
    delete m_properties.data();
    // The pickers go empty: nothing is left to choose in.
    m_routeList.ResetContent();
    m_waypointList.ResetContent();
    for (app::CToolbarComboAction* combo : {m_routeCombo.data(), m_waypointCombo.data()})
        if (combo)
            combo->Detach();
    delete m_uploadDialog.data();
    chart::CChartView::RemoveExtension(this);
    if (m_panel)
        RemoveListener(m_panel);
    return CRouteModule::Terminate();
}

bool CRouteWindows::IsPanelActive() const
{
    return m_panel && m_panel->isVisible();
}

std::string CRouteWindows::AttachmentPath(int slot)
{
    if (slot < 0 || slot >= db::CDBAttachments::kSlots || !IsDatabaseOpen() || !State().hasRoute)
        return {};
    const std::string& name = Database().m_attachment[slot];
    if (name.empty())
        return {};
    const std::filesystem::path path = std::filesystem::path(AttachmentsFolder()) / name;
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) ? path.string() : std::string();
}

std::optional<geo::CPosition> CRouteWindows::SelectedWaypointPosition()
{
    const CRouteState& state = State();
    if (!state.hasRoute || state.activeIndex < 1 || state.activeIndex > int(state.waypoints.size()))
        return std::nullopt;
    return state.waypoints[std::size_t(state.activeIndex - 1)].m_position;
}

void CRouteWindows::RegisterCommands(app::CCommandTable& commands)
{
    for (unsigned id : CommandIds())
        commands.Add(
            this, id, [this](unsigned which) { Execute(which); },
            [this](app::CCmdUI& ui) {
                const app::CCmdUIState s = CommandState(ui.GetID());
                ui.Enable(s.enabled);
                if (s.check)
                    ui.SetCheck(*s.check);
                ui.SetWhyDisabled(s.why);
            });
    commands.Add(
        this, cmd::kRouteAttachments.first, cmd::kRouteAttachments.last,
        [this](unsigned id) {
            const int slot = int(id - cmd::kRouteAttachments.first);
            const std::string path = AttachmentPath(slot);
            if (!path.empty() && m_openAttachment)
                m_openAttachment(path, slot == db::CDBAttachments::kSlots - 1);
        },
        [this](app::CCmdUI& ui) {
            ui.Enable(m_openAttachment &&
                      !AttachmentPath(int(ui.GetID() - cmd::kRouteAttachments.first)).empty());
        });
    commands.Add(
        this, cmd::kWaypointGoToSelected,
        [this](unsigned) {
            if (const auto position = SelectedWaypointPosition(); position && m_goToPosition)
                m_goToPosition(*position);
        },
        [this](app::CCmdUI& ui) {
            ui.Enable(m_goToPosition && m_chartReady && m_chartReady() &&
                      SelectedWaypointPosition().has_value());
        });
    commands.Add(
        this, cmd::kNavUploadRoute, [this](unsigned) { ShowUploadDialog(); },
        // Always offered: the dialog chooses among all routes, not only the current one.
        [](app::CCmdUI& ui) { ui.Enable(true); });
    // The pickers choose while nothing holds the route (as the route and
    // waypoint buttons beside them).
    commands.Add(
        this, cmd::kRouteCombo, [](unsigned) {},
        [this](app::CCmdUI& ui) { ui.Enable(IsFree() && RouteCount() > 0); });
    commands.Add(
        this, cmd::kWaypointCombo, [](unsigned) {},
        [this](app::CCmdUI& ui) { ui.Enable(IsFree() && !State().waypoints.empty()); });
    // Ctrl+Alt+R and Ctrl+Alt+W open the pickers' lists from the keyboard.
    commands.Add(
        this, cmd::kOpenRouteCombo,
        [this](unsigned) {
            if (m_routeCombo)
                m_routeCombo->OpenDropDown();
        },
        [this](app::CCmdUI& ui) { ui.Enable(m_routeCombo && IsFree() && RouteCount() > 0); });
    commands.Add(
        this, cmd::kOpenWaypointCombo,
        [this](unsigned) {
            if (m_waypointCombo)
                m_waypointCombo->OpenDropDown();
        },
        [this](app::CCmdUI& ui) {
            ui.Enable(m_waypointCombo && IsFree() && !State().waypoints.empty());
        });
    // Off while the sheet is open: one Route Options sheet at a time.
    commands.Add(
        this, cmd::kRouteOptions, [this](unsigned) { OpenOptions(); },
        [this](app::CCmdUI& ui) { ui.Enable(m_options.isNull()); });
    commands.Add(
        this, cmd::kViewRoutePanel,
        [this](unsigned) {
            if (m_host && m_panel)
                m_host->ActivateSidePanel(m_panel);
        },
        [this](app::CCmdUI& ui) {
            ui.SetCheck(m_host && m_host->IsActiveSidePanel(m_panel) ? 1 : 0);
        });
}

void CRouteWindows::OpenOptions()
{
    if (m_options) {
        m_options->raise();
        m_options->activateWindow();
        return;
    }
    auto* sheet =
        routes::CreateRouteOptionsSheet(*this, m_host ? &m_host->Window() : nullptr, m_planPage);
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
            if (const std::optional<QPoint> global = chart::ScreenPointOf(*view, p)) {
                out << " x=" << global->x() << " y=" << global->y();
                break;
            }
        }
        // Last: a name may hold blanks.
        out << " name=" << s.waypoints[std::size_t(s.activeIndex - 1)].m_name;
    }
    out << "\n";
}

void CRouteWindows::ShowUploadDialog()
{
    if (!m_uploadDialog) {
        QWidget* parent = m_host ? &m_host->Window() : nullptr;
        auto* dlg = new CRouteUploadDlg(*this, m_routeList, m_transmitter, parent);
        dlg->setAttribute(Qt::WA_DeleteOnClose);
        if (m_openWaypointList)
            dlg->SetWaypointList(m_openWaypointList, m_isWaypointListOpen);
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
    // The speed made good towards the current waypoint reads the own vessel.
    layer->SetOwnVessel([this] { return OwnPosition(); });
    view.Pipeline().SetSource(chart::StaticLayer::Route, &layer->StaticSource());
    view.Pipeline().SetSource(chart::DynamicLayer::ActiveRoute, &layer->CurrentSource());
    layer->SetReferenceCounting(&view.Pipeline());
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
    m_drag.Forget(view);
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
        m_drag.Start(view, p);
    }
    return true;
}

void CRouteWindows::DragTo(chart::CChartView& view, geo::IntPoint p)
{
    geo::IntPoint dropAt;
    switch (m_drag.Follow(view, p, dropAt)) {
    case chart::CMarkDrag::Step::None: return;
    case chart::CMarkDrag::Step::Follows:
        m_layers[&view]->SetDragPoint(p);
        view.InvalidateOverlays();
        return;
    case chart::CMarkDrag::Step::LeftChart: {
        // Off the chart: the waypoint stays where it was last drawn on it.
        m_layers[&view]->SetDragPoint(std::nullopt);
        geo::CPosition position;
        if (ClientToPosition(view.Doc(), dropAt, position)) {
            const app::CWaitStatus wait;   // while the drop is written back
            MoveWaypoint(State().activeIndex, position);
        }
        view.InvalidateOverlays();
        return;
    }
    }
}

void CRouteWindows::Release(chart::CChartView& view, geo::IntPoint p)
{
    bool moved = false;
    if (!m_drag.Finish(view, moved))
        return;
    m_layers[&view]->SetDragPoint(std::nullopt);
    geo::CPosition position;
    if (moved && ClientToPosition(view.Doc(), m_drag.DropPoint(view, p), position)) {
        // The hourglass and "Please Wait . . ." while the drop is written back.
        const app::CWaitStatus wait;
        MoveWaypoint(State().activeIndex, position);
    }
    view.InvalidateOverlays();
}

bool CRouteWindows::DoubleClick(chart::CChartView& view, geo::IntPoint p)
{
    if (!IsPanelActive() || !CanChangeRoute())
        return false;
    const auto it = m_layers.find(&view);
    if (it == m_layers.end())
        return false;
    if (const std::optional<int> hit = it->second->FindAt(p))
        return AppendCopyOfWaypoint(*hit);
    if (!m_chartpointAt)
        return false;
    const std::optional<chartpoints::CChartpoint> chartpoint = m_chartpointAt(view, p);
    return chartpoint && InsertWaypointAfterCurrent(CWaypoint(*chartpoint));
}

const QWidget* CRouteWindows::SidePanel() const
{
    return m_panel;
}

bool CRouteWindows::DeleteSelected(chart::CChartView& /*view*/)
{
    DeleteCurrentWaypoint();
    return true;
}

void CRouteWindows::AddContextMenu(chart::CChartView& view, QMenu& menu, geo::IntPoint p,
                                   chart::MenuSection section, bool onChart)
{
    if (section != chart::MenuSection::SidePanel)
        return;
    QAction* add = menu.addAction(QStringLiteral("&Add New Waypoint"));
    QAction* insert = menu.addAction(QStringLiteral("In&sert New Waypoint"));
    QAction* del = menu.addAction(QStringLiteral("&Delete Selected Waypoint"));
    menu.addSeparator();
    const bool editable = CanChangeRoute();
    if (!editable && m_host != nullptr)
        app::ShowMenuHint(
            m_host->Window(), menu,
            EditHint(State(), IsLockedElsewhere(), CommandState(cmd::kRouteEdit).enabled));
    // Beside the chart there is no position to put a waypoint at: all three
    // stay grey there. Insert on a route with no waypoint yet makes its first
    // one; Delete needs a waypoint to delete.
    add->setEnabled(onChart && editable);
    insert->setEnabled(onChart && editable);
    del->setEnabled(onChart && editable && State().activeIndex >= 1);
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

chart::CChartViewExtension::PropertiesCall CRouteWindows::PropertiesAt(chart::CChartView& view,
                                                                       geo::IntPoint p)
{
    const auto it = m_layers.find(&view);
    const std::optional<int> hit = it != m_layers.end() ? it->second->FindAt(p) : std::nullopt;
    if (!hit)
        return {};
    return [this, waypoint = *hit] { ShowProperties(waypoint); };
}

}   // namespace routes

#include "chartpoints/ui/ChartpointWindows.h"

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/WaitStatus.h"
#include "app/ui/OpenSaveDlgs.h"
#include "app/ui/PropertySheet.h"
#include "app/ui/ToolbarComboAction.h"
#include "app/ui/XStatusBar.h"
#include "chart/ChartDoc.h"
#include "chartpoints/ChartpointOptions.h"
#include "chartpoints/PanelPosition.h"
#include "chartpoints/ui/ChartpointListWindow.h"
#include "chartpoints/ui/ChartpointOptionsPage.h"
#include "chartpoints/ui/ChartpointPanel.h"
#include "chartpoints/ui/ChartpointPropDlg.h"
#include "chartpoints/ui/ChartpointUploadDialog.h"
#include "geo/DatumInfo.h"
#include "nmea/PeerFile.h"

#include <QCheckBox>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include <cstdlib>
#include <fstream>

namespace chartpoints {

namespace cmd = app::cmd;

namespace {

// Why the chart's "Add New Chartpoint" is grey, shown while its menu is open.
QString EditHint(bool lockedElsewhere)
{
    return lockedElsewhere
               ? QStringLiteral("Chartpoints cannot be added or deleted: another station is "
                                "editing this chartpoint database.")
               : QStringLiteral("To add or delete chartpoints here, press Edit on the Chartpoint "
                                "panel (Chartpoint > Edit).");
}

class CMessagingLink final : public chartpoints::CStationLink {
public:
    explicit CMessagingLink(nmea::CNetworkMessaging& messaging) : m_messaging(messaging) { }
    bool IsRunning() const override { return m_messaging.IsStarted(); }
    bool Post(std::uint8_t type, std::string payload) override
    {
        return m_messaging.PostMessage(type, std::move(payload));
    }

private:
    nmea::CNetworkMessaging& m_messaging;
};

}   // namespace

class CChartpointWindows::StateWriter final : public chartpoints::CChartpointListener {
public:
    explicit StateWriter(CChartpointWindows& owner) : m_owner(owner) { }
    void OnChartpointChange(const chartpoints::CChartpointChange& change,
                            db::CDBChartPoint&) override
    {
        m_owner.WriteState(change.hint);
    }

private:
    CChartpointWindows& m_owner;
};

class CChartpointWindows::UiJoin final : public chartpoints::CChartpointUi {
public:
    explicit UiJoin(CChartpointWindows& owner) : m_owner(owner) { }
    void ShowChartpoint(const chartpoints::CChartpoint& cp) override
    {
        if (Panel())
            Panel()->ShowChartpoint(cp);
    }
    bool ReadPanel(chartpoints::CChartpoint& cp, std::string& refusal) override
    {
        return !Panel() || Panel()->ReadPanel(cp, refusal);
    }
    bool IsPanelModified() const override { return Panel() && Panel()->IsPanelModified(); }
    void ClearPanelModified() override
    {
        if (Panel())
            Panel()->ClearPanelModified();
    }
    bool IsPositionLocked() const override { return !Panel() || Panel()->IsPositionLocked(); }
    void SetPositionLocked(bool locked) override
    {
        if (Panel())
            Panel()->SetPositionLocked(locked);
    }
    std::optional<std::string> AskSavePath(const std::string& folder,
                                           const std::string& defaultName) override
    {
        return Panel() ? Panel()->AskSavePath(folder, defaultName) : std::nullopt;
    }
    bool IsListOpen() const override { return m_owner.m_list != nullptr; }
    void ListRebuild() override
    {
        if (m_owner.m_list)
            m_owner.m_list->Rebuild();
    }
    void ListUpdate(int hint) override
    {
        if (m_owner.m_list)
            m_owner.m_list->Update(hint);
    }
    void CombosRefill() override
    {
        m_owner.m_nameCombo.Refill();
        m_owner.m_sortCombo.SetCurSel(m_owner.SortIndex());
    }
    void CombosSelectCurrent() override { m_owner.m_nameCombo.SelectCurrentRecord(); }

private:
    CChartpointPanel* Panel() const { return m_owner.m_panel; }
    CChartpointWindows& m_owner;
};

class CChartpointWindows::ComboFollower final : public chartpoints::CChartpointListener {
public:
    explicit ComboFollower(CChartpointWindows& owner) : m_owner(owner) { }
    void OnChartpointChange(const chartpoints::CChartpointChange& change,
                            db::CDBChartPoint&) override
    {
        m_owner.FollowInCombos(change.hint);
        // An open Chartpoint Properties no longer shows a chartpoint that
        // may have changed or gone: it shows the chart it was opened over.
        if (m_owner.m_properties)
            m_owner.m_properties->Page()->SetObject(std::nullopt);
    }

private:
    CChartpointWindows& m_owner;
};

void CChartpointWindows::FollowInCombos(int hint)
{
    switch (hint) {
    case kHintClosed: m_nameCombo.Refill(); break;
    case kHintApplied:
    case kHintRewritten:
        // An edit that moved the record in the sort order lists it anew.
        if (Table().IsOpen() && Table().GetOrdinal() - 1 != m_nameCombo.CachedIndex())
            m_nameCombo.Refill();
        else
            m_nameCombo.UpdateCurrentEntry();
        break;
    default: break;
    }
}

void CChartpointWindows::StartComboLists()
{
    m_nameCombo.SetChartpoints(&Table());
    m_nameCombo.Refill();
    m_sortCombo.SetCurSel(SortIndex());
    m_comboFollower = std::make_unique<ComboFollower>(*this);
    AddListener(m_comboFollower.get());
}

QAction* CChartpointWindows::ToolBarControl(unsigned id, QObject* parent)
{
    if (id == cmd::kChartpointCombo) {
        if (!m_nameAction)
            m_nameAction = new app::CToolbarComboAction(
                m_nameCombo, id, QStringLiteral("Select Chartpoint"), 180, true,
                [this](int index) {
                    const app::CWaitStatus wait;
                    if (index < 0 || !IsDatabaseOpen())
                        return;
                    if (Table().GetOrdinal() != index + 1 && !Table().GoOrdinal(index + 1))
                        return;
                    NotifyCurrentChanged();
                },
                parent);
        return m_nameAction;
    }
    if (id == cmd::kChartpointSortCombo) {
        if (!m_sortAction)
            m_sortAction = new app::CToolbarComboAction(
                m_sortCombo, id, QStringLiteral("Sort Chartpoint database"), 170, false,
                [this](int index) { SortBy(index); }, parent);
        return m_sortAction;
    }
    return nullptr;
}

void CChartpointWindows::WriteState(int hint)
{
    std::ofstream out(m_stateFile, std::ios::app);
    const geo::CPosition& p = Current().m_position;
    out << "hint=" << hint << " edit=" << (IsEditMode() ? 1 : 0)
        << " locked=" << (m_panel && m_panel->IsPositionLocked() ? 1 : 0)
        << " count=" << (Table().IsOpen() ? Table().GetRecordCount() : 0)
        << " lat=" << chartpoints::LatitudeText(p.GetLatitude())
        << " lon=" << chartpoints::LongitudeText(p.GetLongitude());
    // Where the current mark is on the screen, in the first view that shows it.
    for (const auto& [view, layer] : m_layers) {
        if (const std::optional<QPoint> global = chart::ScreenPointOf(*view, p)) {
            out << " x=" << global->x() << " y=" << global->y();
            break;
        }
    }
    out << " table=" << (Table().IsOpen() ? Table().GetName() : std::string())
        << " name=" << Current().m_name << "\n";
}

CChartpointWindows::CChartpointWindows(app::CSettingsHome& settings, platform::CPrompt& prompt,
                                       std::filesystem::path programFolder,
                                       AttachmentOpener openAttachment)
    : CChartpointModule(settings, prompt, std::move(programFolder)),
      m_openAttachment(std::move(openAttachment)), m_uiJoin(std::make_unique<UiJoin>(*this))
{
    if (const char* file = std::getenv("BRINE_CHARTPOINT_STATE_FILE"); file && *file) {
        m_stateFile = file;
        m_stateWriter = std::make_unique<StateWriter>(*this);
        AddListener(m_stateWriter.get());
    }
}

CChartpointWindows::~CChartpointWindows()
{
    chart::CChartView::RemoveExtension(this);
    for (app::CToolbarComboAction* action : {m_nameAction.data(), m_sortAction.data()})
        if (action)
            action->Detach();
}

void CChartpointWindows::SetInstruments(nmea::CInstrumentsModule* instruments)
{
    if (m_instruments)
        m_instruments->SetStationMessageHandler({});
    m_instruments = instruments;
    m_stationLink =
        instruments ? std::make_unique<CMessagingLink>(instruments->Messaging()) : nullptr;
    SetStationLink(m_stationLink.get());
    if (instruments)
        instruments->SetStationMessageHandler([this](const nmea::CStationMessage& m) {
            if (m.type != kStationMessageType)
                return;
            // The sender's address names the station holding the table.
            const bool known = m.sender != nmea::Ipv4{};
            OnNetworkMessage(m.payload,
                             known ? "the station at " + nmea::Ipv4Text(m.sender) : std::string());
        });
}

std::optional<CChartDatumView> ChartDatumAt(chart::CChartDoc* chart, const geo::CPosition& stored)
{
    if (chart == nullptr || !chart->IsChartLoaded() || !chart->IsPositionOnChart(stored) ||
        !chart->HasDatumShift())
        return std::nullopt;
    const std::uint16_t datum = chart->GetDatumIndex();
    if (datum == geo::DatumIndexWGS84() || datum == geo::kNoDatumIndex)
        return std::nullopt;
    CChartDatumView view;
    view.datum = datum;
    if (chart->ShiftToChartDatum(stored, view.shown) == chart::kShiftNotOnChart)
        return std::nullopt;
    return view;
}

bool CChartpointWindows::CreateSidePanels(app::CModuleHost& host,
                                          std::vector<app::CSidePanel*>& panels)
{
    m_host = &host;
    auto* panel = new CChartpointPanel(*this, m_openAttachment, &host.Window());
    if (!panel->Create(CChartpointPanel::kBarId, &host.Window()))
        return false;
    m_panel = panel;
    // Scripted checks also hear of the Locked box: a drag waits until it is unticked.
    // Its line carries hint -1, no change of the chartpoint.
    if (!m_stateFile.empty())
        if (auto* locked = panel->findChild<QCheckBox*>(QStringLiteral("locked")))
            QObject::connect(locked, &QCheckBox::toggled, panel, [this] { WriteState(-1); });
    if (!m_positionTemplate.empty())
        panel->SetPositionTemplate(m_positionTemplate);
    StartComboLists();
    panel->SetListWindow([this] { ToggleListWindow(); }, [this] { return m_list != nullptr; });
    panel->SetOwnPosition([this]() -> std::optional<geo::CPosition> {
        return m_ownPosition ? m_ownPosition() : std::nullopt;
    });
    panel->SetChartDatum([this](const geo::CPosition& stored) {
        return ChartDatumAt(m_activeChart ? m_activeChart() : nullptr, stored);
    });
    SetUi(m_uiJoin.get());
    panels.push_back(panel);
    chart::CChartView::AddExtension(this);
    return true;
}

void CChartpointWindows::SetPositionTemplate(std::string layout)
{
    m_positionTemplate = std::move(layout);
    if (m_panel)
        m_panel->SetPositionTemplate(m_positionTemplate);
    // A new layout comes with a new position format: the open list and the
    // properties show their positions in it.
    if (m_list)
        m_list->Update(chartpoints::kHintApplied);
    if (m_properties)
        m_properties->Page()->UpdateControls();
}

bool CChartpointWindows::Terminate()
{
    chart::CChartView::RemoveExtension(this);
    if (m_options)
        m_options->close();
    if (m_properties)
        delete m_properties.data();
    if (m_list)
        delete m_list.data();
    SetInstruments(nullptr);
    const bool ok = CChartpointModule::Terminate();
    SetUi(nullptr);
    return ok;
}

bool CChartpointWindows::OnOpenDatabase()
{
    QWidget* parent = m_host ? &m_host->Window() : nullptr;
    // The program's own dialog: the program's temporary tables ("~" names)
    // are neither listed nor taken.
    app::COpenFileDlg dialog(QStringLiteral("Open Chartpoint Database"),
                             QString::fromStdString(GetDataFolder()),
                             QStringLiteral("Chartpoint DB (*.dbf)\nOld Chartpoint DB (*.ipt)\n"
                                            "Coursemead DB (*.wpt)"),
                             QString(), parent);
    dialog.setObjectName("OpenChartpointDatabase");
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const std::filesystem::path path = dialog.ChosenPath();
    return !path.empty() && OpenDatabase(path.string());
}

void CChartpointWindows::RegisterCommands(app::CCommandTable& commands)
{
    CChartpointModule::RegisterCommands(commands);
    commands.Add(
        this, cmd::kViewChartpointPanel,
        [this](unsigned) {
            if (m_host && m_panel)
                m_host->ActivateSidePanel(m_panel);
        },
        [this](app::CCmdUI& ui) {
            ui.SetCheck(m_host && m_host->IsActiveSidePanel(m_panel) ? 1 : 0);
        });
    commands.Add(
        this, cmd::kChartpointAttachments.first, cmd::kChartpointAttachments.last,
        [this](unsigned id) {
            if (m_panel)
                m_panel->ShowAttachment(int(id - cmd::kChartpointAttachments.first) + 1);
        },
        [this](app::CCmdUI& ui) {
            const int slot = int(ui.GetID() - cmd::kChartpointAttachments.first);
            const std::string& name = Current().m_attachments[std::size_t(slot)];
            std::error_code ec;
            ui.Enable(
                IsDatabaseOpen() && !name.empty() &&
                std::filesystem::exists(std::filesystem::path(AttachmentsFolder()) / name, ec));
            ui.SetCheck(m_panel && m_panel->IsViewerOpen(slot) ? 1 : 0);
        });
    commands.Add(
        this, cmd::kChartpointGoToSelected,
        [this](unsigned) {
            if (m_goToPosition && IsDatabaseOpen() && !Table().IsEmpty())
                m_goToPosition(Current().m_position);
        },
        [this](app::CCmdUI& ui) {
            ui.Enable(m_goToPosition && m_chartReady && m_chartReady() && IsDatabaseOpen() &&
                      !Table().IsEmpty());
        });
    commands.Add(
        this, cmd::kChartpointListWindow, [this](unsigned) { ToggleListWindow(); },
        [this](app::CCmdUI& ui) { ui.SetCheck(m_list ? 1 : 0); });
    commands.Add(
        this, cmd::kNavUploadChartpoints, [this](unsigned) { RunUploadDialog(); },
        [this](app::CCmdUI& ui) { ui.Enable(CanUpload()); });
    commands.Add(
        this, cmd::kChartpointCombo, [](unsigned) {},
        [this](app::CCmdUI& ui) { ui.Enable(m_nameCombo.HasRows()); });
    commands.Add(
        this, cmd::kChartpointSortCombo, [](unsigned) {},
        [this](app::CCmdUI& ui) { ui.Enable(IsDatabaseOpen()); });
    commands.Add(
        this, cmd::kOpenChartpointCombo,
        [this](unsigned) {
            if (m_nameAction)
                m_nameAction->OpenDropDown();
        },
        [this](app::CCmdUI& ui) { ui.Enable(m_nameCombo.HasRows()); });
    commands.Add(
        this, cmd::kChartpointOptions, [this](unsigned) { OpenOptions(); },
        [this](app::CCmdUI& ui) { ui.Enable(m_options == nullptr); });
}

void CChartpointWindows::CloseWorkspaceWindows()
{
    if (m_list)
        m_list->close();
    CChartpointModule::CloseWorkspaceWindows();
}

CChartpointListWindow* CChartpointWindows::ListWindow() const
{
    return m_list;
}

void CChartpointWindows::ToggleListWindow()
{
    if (m_list) {
        m_list->close();
        return;
    }
    auto* mdi = m_host ? qobject_cast<QMdiArea*>(m_host->Window().centralWidget()) : nullptr;
    if (!mdi)
        return;
    auto* list = new CChartpointListWindow(
        *this,
        [this](const chartpoints::CChartpoint& cp) {
            if (m_addToRoute)
                m_addToRoute(cp);
        },
        mdi, [this] { return m_positionFormat ? m_positionFormat() : geo::CPositionFormat{}; });
    mdi->addSubWindow(list);
    list->resize(720, 320);
    list->show();
    list->View()->setFocus();
    m_list = list;
}

void CChartpointWindows::OpenListWindow()
{
    if (!m_list) {
        ToggleListWindow();
        return;
    }
    if (auto* sub = qobject_cast<QMdiSubWindow*>(m_list->parentWidget())) {
        sub->showNormal();
        if (QMdiArea* mdi = sub->mdiArea())
            mdi->setActiveSubWindow(sub);
    }
    m_list->View()->setFocus();
}

void CChartpointWindows::SetGpsDevice(std::function<nmea::CGPSDevice*()> device)
{
    m_gps = std::make_unique<chartpoints::CGpsWaypointTransmitter>(std::move(device));
    SetTransmitter(m_gps.get());
}

void CChartpointWindows::RunUploadDialog()
{
    if (!CanUpload())
        return;
    CChartpointUploadDialog dialog(*this, m_host ? &m_host->Window() : nullptr);
    dialog.exec();
}

void CChartpointWindows::OpenOptions()
{
    if (m_options) {
        m_options->raise();
        m_options->activateWindow();
        return;
    }
    auto* sheet = new app::CModelessPropertySheet(QStringLiteral("Chartpoint Options"),
                                                  m_host ? &m_host->Window() : nullptr);
    sheet->setObjectName("chartpointOptions");
    sheet->AddPage(new CChartpointGeneralOptions(
        std::make_unique<chartpoints::CChartpointOptionsModel>(*this), sheet));
    m_options = sheet;
    sheet->ShowModeless();
}

void CChartpointWindows::ViewCreated(chart::CChartView& view)
{
    auto layer = std::make_unique<chartpoints::CChartpointViewLayer>(
        view.Doc(), Properties(), [&view] { view.InvalidateOverlays(); });
    view.Pipeline().SetSource(chart::StaticLayer::Chartpoints, &layer->StaticSource());
    view.Pipeline().SetSource(chart::DynamicLayer::CurrentChartpoint, &layer->CurrentSource());
    layer->SetReferenceCounting(&view.Pipeline());
    if (Table().IsOpen()) {
        layer->Rebuild(Table());
        layer->OnChartpointChange({chartpoints::kHintCurrent, Table().GetRecNo(), Current()},
                                  Table());
    }
    AddListener(layer.get());
    m_layers[&view] = std::move(layer);
}

void CChartpointWindows::ViewDestroyed(chart::CChartView& view)
{
    const auto it = m_layers.find(&view);
    if (it == m_layers.end())
        return;
    view.Pipeline().SetSource(chart::StaticLayer::Chartpoints, nullptr);
    view.Pipeline().SetSource(chart::DynamicLayer::CurrentChartpoint, nullptr);
    RemoveListener(it->second.get());
    m_drag.Forget(view);
    m_layers.erase(it);
}

bool CChartpointWindows::Press(chart::CChartView& view, geo::IntPoint p)
{
    const auto it = m_layers.find(&view);
    if (it == m_layers.end())
        return false;
    const std::optional<long> hit = it->second->FindAt(p);
    if (!hit)
        return false;
    if (*hit != Table().GetRecNo())
        GoToRecNo(*hit);
    // Only an unlocked mark in edit mode moves.
    if (IsEditable() && m_panel && !m_panel->IsPositionLocked()) {
        m_drag.Start(view, p);
    }
    return true;
}

void CChartpointWindows::DragTo(chart::CChartView& view, geo::IntPoint p)
{
    geo::IntPoint dropAt;
    switch (m_drag.Follow(view, p, dropAt)) {
    case chart::CMarkDrag::Step::None: return;
    case chart::CMarkDrag::Step::Follows:
        m_layers[&view]->SetDragPoint(p);
        view.update();
        return;
    case chart::CMarkDrag::Step::LeftChart: {
        // Off the chart: the mark stays where it was last drawn on it.
        m_layers[&view]->SetDragPoint(std::nullopt);
        geo::CPosition position;
        if (chart::PositionAtClient(view.Doc(), dropAt, position)) {
            const app::CWaitStatus wait;   // while the drop is written back
            MoveCurrentTo(position);
        }
        view.InvalidateOverlays();
        return;
    }
    }
}

void CChartpointWindows::Release(chart::CChartView& view, geo::IntPoint p)
{
    bool moved = false;
    if (!m_drag.Finish(view, moved))
        return;
    m_layers[&view]->SetDragPoint(std::nullopt);
    geo::CPosition position;
    if (moved && chart::PositionAtClient(view.Doc(), m_drag.DropPoint(view, p), position)) {
        // The hourglass and "Please Wait . . ." while the drop is written back.
        const app::CWaitStatus wait;
        MoveCurrentTo(position);
    }
    view.InvalidateOverlays();
}

const QWidget* CChartpointWindows::SidePanel() const
{
    return m_panel;
}

bool CChartpointWindows::DeleteSelected(chart::CChartView& /*view*/)
{
    OnDelete();
    return true;
}

void CChartpointWindows::AddContextMenu(chart::CChartView& view, QMenu& menu, geo::IntPoint p,
                                        chart::MenuSection section, bool onChart)
{
    if (section != chart::MenuSection::SidePanel)
        return;
    QAction* add = menu.addAction(QStringLiteral("Add &New Chartpoint"));
    QAction* del = menu.addAction(QStringLiteral("Delete Selected C&hartpoint"));
    menu.addSeparator();
    // Beside the chart there is no position for a new mark: both stay grey there.
    add->setEnabled(onChart && IsEditMode() && Table().IsOpen());
    del->setEnabled(onChart && IsEditable());
    if (!IsEditMode() && m_host != nullptr)
        app::ShowMenuHint(m_host->Window(), menu, EditHint(IsLockedElsewhere()));
    chart::CChartDoc* doc = &view.Doc();
    QObject::connect(add, &QAction::triggered, &menu, [this, doc, p] {
        geo::CPosition position;
        if (chart::PositionAtClient(*doc, p, position) && AddChartpointAt(position) && m_panel)
            m_panel->FocusName();   // the new mark's name is typed next
    });
    QObject::connect(del, &QAction::triggered, &menu, [this] { OnDelete(); });
}

std::optional<chartpoints::CChartpoint> CChartpointWindows::PickAt(chart::CChartView& view,
                                                                   geo::IntPoint p)
{
    const auto it = m_layers.find(&view);
    if (it == m_layers.end())
        return std::nullopt;
    const std::optional<long> hit = it->second->FindAt(p);
    if (!hit)
        return std::nullopt;
    if (*hit != Table().GetRecNo() && !GoToRecNo(*hit))
        return std::nullopt;
    return Current();
}

chart::CChartViewExtension::PropertiesCall CChartpointWindows::PropertiesAt(chart::CChartView& view,
                                                                            geo::IntPoint p)
{
    const auto it = m_layers.find(&view);
    if (it == m_layers.end() || !it->second->FindAt(p))
        return {};
    return [this, &view, p] {
        if (const std::optional<chartpoints::CChartpoint> picked = PickAt(view, p))
            ShowProperties(*picked, view.Doc());
    };
}

void CChartpointWindows::ShowProperties(const chartpoints::CChartpoint& chartpoint,
                                        const chart::CChartDoc& chart)
{
    if (!m_properties) {
        m_properties =
            new CChartpointPropSheet(m_positionFormat, m_host ? &m_host->Window() : nullptr);
        m_properties->setModal(false);
    }
    m_properties->Page()->SetChart(chart.GetName(), chart.GetReferencePosition());
    m_properties->Page()->SetObject(chartpoint);
    m_properties->adjustSize();
    m_properties->show();
    m_properties->raise();
    m_properties->activateWindow();
}

}   // namespace chartpoints

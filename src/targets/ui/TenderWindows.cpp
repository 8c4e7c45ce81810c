#include "targets/ui/TenderWindows.h"

#include <QMainWindow>
#include <QMessageBox>

#include "app/AlertSounds.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/Registry.h"
#include "targets/ARPARows.h"
#include "targets/ui/ARPAWindows.h"
#include "targets/ui/TenderOptionsPage.h"

namespace targets {

namespace {

constexpr const char* kCircleText = "Your vessel has entered a Tender Target(s) Warning circle.";
constexpr const char* kRangeText = "One or more of your Tender Target(s) has gone Out-Of-Range.";
constexpr const char* kSimulationText = "One or more Tenders is in Simulation Mode.";
constexpr const char* kPanicText = "One or more Tenders 'Panic Button' has been activated.";
constexpr const char* kOffText =
    "Tender Tracking has been turned off.  Targets WILL NO LONGER be updated or drawn.";

std::vector<std::string> Headers(const char* const* names, int count)
{
    return std::vector<std::string>(names, names + count);
}

}   // namespace

CTenderWindows::CTenderWindows(app::CSettingsHome& home, const platform::CClock& clock,
                               nmea::CPortDirectory& ports)
    : app::CModeModule(home), m_clock(clock), m_ports(ports), m_tracking(clock, ports)
{
    SetModuleName("Navigator\\TenderTracking");
    chart::CChartView::AddExtension(this);
    chart::CChartView::AddExtension(&m_fixProperties);
}

CTenderWindows::~CTenderWindows()
{
    if (m_vessels)
        m_vessels->SetTargetModule(navigator::kVesselTender, nullptr);
    DropLayers();
    CloseWorkspaceWindows();
}

void CTenderWindows::DropLayers()
{
    chart::CChartView::RemoveExtension(this);
    chart::CChartView::RemoveExtension(&m_fixProperties);
    for (auto& [view, layer] : m_layers)
        view->Pipeline().SetSource(chart::DynamicLayer::TenderTargets, nullptr);
    m_layers.clear();
}

void CTenderWindows::ViewCreated(chart::CChartView& view)
{
    auto layer = std::make_unique<CTenderTargetLayer>(m_tracking);
    view.Pipeline().SetSource(chart::DynamicLayer::TenderTargets, layer.get());
    m_layers[&view] = std::move(layer);
}

void CTenderWindows::ViewDestroyed(chart::CChartView& view)
{
    view.Pipeline().SetSource(chart::DynamicLayer::TenderTargets, nullptr);
    m_layers.erase(&view);
}

CTargetPick CTenderWindows::HitTestTarget(chart::CChartView& view, geo::IntPoint p)
{
    CARPAWindows* arpa = arpaWindows ? arpaWindows() : nullptr;
    const auto layer = m_layers.find(&view);
    CTargetPickInputs in;
    in.currentArpa = arpa ? arpa->Selected() : nullptr;
    in.currentTender = m_tracking.Find(m_tracking.current) ? m_tracking.current : -1;
    in.vessels = m_vessels ? &m_vessels->Vessels() : nullptr;
    in.tenders = &m_tracking.Tenders();
    in.arpaHits = [&](const CTargetRecord* record) {
        return arpa != nullptr && arpa->HitsTarget(view, p, record);
    };
    in.tenderHits = [&](int channel) {
        return layer != m_layers.end() && layer->second->Hits(view.Doc(), p, channel);
    };
    CTargetPick pick = PickTarget(in);
    if (!pick && !m_vessels && layer != m_layers.end())
        // No navigator list to go by: the tenders by channel.
        pick.tender = layer->second->HitTest(view.Doc(), p);
    return pick;
}

bool CTenderWindows::Press(chart::CChartView& view, geo::IntPoint p)
{
    const CTargetPick hit = HitTestTarget(view, p);
    if (hit.arpa != nullptr) {
        if (CARPAWindows* arpa = arpaWindows ? arpaWindows() : nullptr)
            arpa->SelectTarget(hit.arpa);
        return true;
    }
    if (!hit.tender)
        return false;
    SetCurrent(*hit.tender);
    if (m_panel)
        m_panel->SelectRow(CTargetTrackingPanel::kTender, *hit.tender);
    return true;
}

chart::CChartViewExtension::PropertiesCall CTenderWindows::PropertiesAt(chart::CChartView& view,
                                                                        geo::IntPoint p)
{
    const CTargetPick hit = HitTestTarget(view, p);
    if (!hit || (hit.tender && !m_propertySheet))
        return {};
    // Hit again when the sheet opens: a pass may have moved or removed the target.
    return [this, view = &view, p] {
        if (m_layers.find(view) == m_layers.end())
            return;
        const CTargetPick again = HitTestTarget(*view, p);
        if (again.arpa != nullptr) {
            if (CARPAWindows* arpa = arpaWindows ? arpaWindows() : nullptr)
                arpa->ShowProperties(again.arpa);
        } else if (again.tender) {
            ShowProperties(*again.tender);
        }
    };
}

chart::CChartViewExtension::PropertiesCall CTenderWindows::FixPropertiesAt(chart::CChartView& view,
                                                                           geo::IntPoint p)
{
    const auto it = m_layers.find(&view);
    if (it == m_layers.end() || !showFixProperties)
        return {};
    const auto hit = it->second->HitTestFix(view.Doc(), p);
    const CTender* tender = hit ? m_tracking.Find(hit->channel) : nullptr;
    if (!tender || hit->fix >= tender->track.size())
        return {};
    return [this, fix = tender->track[hit->fix]] { showFixProperties(fix); };
}

void CTenderWindows::RepaintViews()
{
    for (const auto& entry : m_layers)
        entry.first->InvalidateOverlays();
}

bool CTenderWindows::CreateSidePanels(app::CModuleHost& host, std::vector<app::CSidePanel*>& panels)
{
    m_host = &host;
    m_messages = &host.Messages();
    m_messages->AddMessage(m_circleMsg, kCircleText, 18601, 0, false);
    m_messages->AddMessage(m_rangeMsg, kRangeText, 18602, 0, false);
    m_messages->AddMessage(m_simulationMsg, kSimulationText, 22000, 0, false);
    m_messages->AddMessage(m_panicMsg, kPanicText, 13000, 0, false);
    m_messages->SetMessageSound(m_panicMsg, app::sounds::kTenderPanic, std::chrono::seconds(10));
    m_messages->SetMessageFlag(m_panicMsg, true);
    m_messages->AddMessage(m_offMsg, kOffText, 20003, 0, false);
    m_messages->SetMessageFlag(m_offMsg, true);

    auto* panel = new CTargetTrackingPanel(&host.Window());
    if (!panel->Create(CTargetTrackingPanel::kBarId, &host.Window()))
        return false;
    panel->SetHeaders(CTargetTrackingPanel::kArpa, Headers(kArpaHeaders, kArpaColumns));
    panel->SetHeaders(CTargetTrackingPanel::kTender, Headers(kTenderHeaders, kTenderColumns));
    panel->selected = [this](CTargetTrackingPanel::Card card, int key) {
        if (card == CTargetTrackingPanel::kTender)
            SetCurrent(key);
        else if (arpaRowSelected)
            arpaRowSelected(key);
    };
    m_panel = panel;
    panels.push_back(panel);
    m_propertySheet = std::make_unique<CTenderPropertySheet>(
        m_tracking, &host.Window(),
        [this] {
            UpdateMessages();
            RepaintViews();
        },
        [this](std::chrono::system_clock::time_point utc) {
            return localTime ? localTime(utc) : std::string();
        });
    return true;
}

void CTenderWindows::RegisterCommands(app::CCommandTable& commands)
{
    namespace cmd = app::cmd;
    commands.Add(
        this, cmd::kViewTargetPanel,
        [this](unsigned) {
            if (m_host && m_panel)
                m_host->ActivateSidePanel(m_panel);
        },
        [this](app::CCmdUI& ui) {
            ui.SetCheck(m_host && m_host->IsActiveSidePanel(m_panel) ? 1 : 0);
        });
    commands.Add(
        this, cmd::kTenderActivate, [this](unsigned) { ToggleActive(); },
        [this](app::CCmdUI& ui) {
            ui.Enable(m_tracking.Settings().receivePort != 0);
            ui.SetCheck(m_tracking.IsActive() ? 1 : 0);
        });
    commands.Add(
        this, cmd::kTenderGoToSelected,
        [this](unsigned) {
            const CTender* t = m_tracking.Find(m_tracking.current);
            if (const auto p = t ? t->Where() : std::nullopt; p && goToPosition)
                goToPosition(*p);
        },
        [this](app::CCmdUI& ui) { ui.Enable(m_tracking.Find(m_tracking.current) != nullptr); });
    commands.Add(
        this, cmd::kTenderView, [this](unsigned) { ToggleLogWindow(); },
        [this](app::CCmdUI& ui) { ui.SetCheck(m_log ? 1 : 0); });
    // Shown, never offered; checked by the current tender's "Save Target".
    commands.Add(
        this, cmd::kTenderSave, [this](unsigned) { ToggleSaveTarget(); },
        [this](app::CCmdUI& ui) {
            const CTender* t = m_tracking.Find(m_tracking.current);
            ui.Enable(false);
            ui.SetCheck(t && t->properties.saveTarget ? 1 : 0);
        });
    // The current tender's indicators on the status bar.
    for (int pane = 0; pane < kTenderPaneCount; ++pane)
        commands.Add(this, TenderPanes()[std::size_t(pane)].id, {}, [this, pane](app::CCmdUI& ui) {
            const CTender* t = m_tracking.Find(m_tracking.current);
            ui.Enable(t != nullptr);
            ui.SetText(TenderPaneTexts(
                t, positionFormat ? positionFormat() : geo::CPositionFormat{})[std::size_t(pane)]);
        });
    commands.Add(
        this, cmd::kTenderResetMob, [this](unsigned) { ResetManOverboard(); },
        [this](app::CCmdUI& ui) {
            const CTender* t = m_tracking.Find(m_tracking.current);
            ui.Enable(t && t->manOverboard);
        });
}

void CTenderWindows::LoadSettings()
{
    app::CRegistry key(Settings().GetStore());
    if (OpenSettings(key, false))
        m_tracking.Settings().Load(key);
    m_tracking.Properties().SetBaseKey(GetModuleName());
    m_tracking.Properties().Load(Settings());
    CTenderSettings& s = m_tracking.Settings();
    s.receivePort = nmea::ResolveStoredPort(m_ports, s.receivePort);
    m_tracking.Store().SetRefreshTime(std::chrono::seconds(s.refreshSeconds));
    m_tracking.ApplySettings(s);
}

void CTenderWindows::SaveSettings()
{
    app::CRegistry key(Settings().GetStore());
    if (OpenSettings(key, true))
        m_tracking.Settings().Save(key);
    m_tracking.Properties().Save(Settings());
}

void CTenderWindows::ShutDown()
{
    m_tracking.Simulator().Stop();
    m_tracking.SetActive(false);
}

bool CTenderWindows::Terminate()
{
    DropLayers();
    ShutDown();
    if (m_messages) {
        for (app::MsgHandle* h :
             {&m_circleMsg, &m_rangeMsg, &m_simulationMsg, &m_panicMsg, &m_offMsg})
            if (*h)
                m_messages->RemoveMessage(*h, false);
    }
    m_messages = nullptr;
    return true;
}

void CTenderWindows::CloseWorkspaceWindows()
{
    if (m_log)
        m_log->close();
    if (m_propertySheet)
        m_propertySheet->Close();
}

void CTenderWindows::ToggleActive()
{
    if (m_tracking.IsActive()) {
        m_tracking.SetActive(false);
        if (m_messages) {
            m_messages->SetMessageActive(m_offMsg, 1, false);
            m_messages->SetMessageExpiry(
                m_offMsg, std::chrono::floor<std::chrono::seconds>(m_clock.UtcNow()) +
                              std::chrono::seconds(20));
            m_messages->Refresh();
        }
        return;
    }
    std::string reason;
    if (!m_tracking.SetActive(true, &reason)) {
        QWidget* parent = m_host ? &m_host->Window() : nullptr;
        QMessageBox::warning(parent, QObject::tr("Tender Tracking"),
                             QString::fromStdString(reason));
        return;
    }
    if (m_messages)
        m_messages->SetMessageActive(m_offMsg, 0, true);
    if (const std::string notice = m_tracking.NothingToPollNotice(); !notice.empty())
        QMessageBox::information(m_host ? &m_host->Window() : nullptr,
                                 QObject::tr("Tender Tracking"), QString::fromStdString(notice));
}

void CTenderWindows::ResetManOverboard()
{
    m_tracking.SetManOverboard(m_tracking.current, false);
    UpdateMessages();
    RepaintViews();
}

void CTenderWindows::SetCurrent(int channel)
{
    m_tracking.current = m_tracking.Find(channel) ? channel : -1;
    if (m_log)
        m_log->SetTender([this, channel] { return m_tracking.Find(channel); });
    if (m_propertySheet)
        m_propertySheet->Follow(m_tracking.current);
    RepaintViews();
}

void CTenderWindows::ShowProperties(int channel)
{
    if (m_propertySheet)
        m_propertySheet->Show(channel);
}

void CTenderWindows::ToggleSaveTarget()
{
    CTender* t = m_tracking.Find(m_tracking.current);
    if (t == nullptr)
        return;
    t->properties.saveTarget = !t->properties.saveTarget;
    if (m_propertySheet)
        m_propertySheet->Reload(t->Channel());
}

void CTenderWindows::ToggleLogWindow()
{
    if (m_log) {
        m_log->close();
        return;
    }
    QWidget* parent = m_host ? &m_host->Window() : nullptr;
    m_log = new CTenderLogWindow(
        [this] { return positionFormat ? positionFormat() : geo::CPositionFormat{}; }, localTime,
        parent);
    const int channel = m_tracking.current;
    m_log->SetTender([this, channel] { return m_tracking.Find(channel); });
    m_log->show();
}

void CTenderWindows::OnTimer(app::TimerCadence cadence)
{
    // On the navigator's list, the navigator's timer pass runs the module's.
    if (cadence == app::TimerCadence::EverySecond && !m_vessels)
        Pass();
}

void CTenderWindows::SetVesselList(std::shared_ptr<navigator::CVesselList> vessels)
{
    if (m_vessels)
        m_vessels->SetTargetModule(navigator::kVesselTender, nullptr);
    m_vessels = std::move(vessels);
    if (!m_vessels)
        return;
    m_tracking.SetVesselList(m_vessels);
    m_vessels->SetTargetModule(navigator::kVesselTender, this);
}

void CTenderWindows::ResetTargets()
{
    m_tracking.Reset();
    AfterRemoval();
}

void CTenderWindows::AfterRemoval()
{
    RemoveRows();
    // A tender that went leaves its open sheet and log window at once.
    if (m_propertySheet)
        m_propertySheet->Refresh();
    if (m_log)
        m_log->FixesAdded();
    UpdateMessages();
    RepaintViews();
}

void CTenderWindows::Pass()
{
    if (m_tracking.IsNavigatorHeld())
        return;
    m_tracking.TakeThreadNews();
    // Switched off (and not simulating), the tenders are left as they are.
    if (!m_tracking.IsChecking()) {
        UpdateMessages();
        return;
    }
    const COwnSituation own = ownSituation ? ownSituation() : COwnSituation{};
    const CTenderPassResult result = m_tracking.OnTimer(own);
    for (int channel : result.rowsToWrite)
        if (const CTender* t = m_tracking.Find(channel))
            WriteRow(*t);
    const bool removed = RemoveRows();
    RefreshPositions();
    if (m_log)
        m_log->FixesAdded();
    if (m_propertySheet)
        m_propertySheet->Refresh();
    UpdateMessages();
    // Views are drawn again while there are tenders to move, or one just went.
    if (!m_tracking.Tenders().empty() || removed)
        RepaintViews();
}

app::CXPropertyPage* CTenderWindows::MakeOptionsPage(QWidget* parent)
{
    auto model = std::make_unique<CTenderOptionsModel>(
        [this] {
            const auto centre = chartCentre ? chartCentre() : std::nullopt;
            return TenderOptionsOf(m_tracking, centre.value_or(CTargetPosition{}));
        },
        [this](const CTenderOptions& options) {
            const std::string failure = ApplyOptions(options);
            if (!failure.empty()) {
                QWidget* window = m_host ? &m_host->Window() : nullptr;
                QMessageBox::warning(window, QObject::tr("Tender Tracking"),
                                     QString::fromStdString(failure));
            }
            return failure;
        },
        [this] { return m_tracking.ManOverboardCount(); });
    return new CTenderOptionsPage(std::move(model), &m_ports, positionFormat, parent);
}

std::string CTenderWindows::ApplyOptions(const CTenderOptions& options)
{
    std::string reason;
    ApplyTenderOptions(m_tracking, options, &reason);
    m_tracking.Recount(ownSituation ? ownSituation() : COwnSituation{});
    // Names follow the channel table at once.
    for (const CTender& t : m_tracking.Tenders())
        if (std::find(m_rows.begin(), m_rows.end(), t.Channel()) != m_rows.end())
            WriteRow(t);
    AfterRemoval();
    // Kept at once, as the other option pages' values are: the workspace may
    // never be saved, and a restart must find the channels as they were set.
    SaveSettings();
    return reason;
}

void CTenderWindows::WriteRow(const CTender& tender)
{
    if (!m_panel)
        return;
    const auto texts = TenderRowTexts(
        tender, positionFormat ? positionFormat() : geo::CPositionFormat{},
        ownSituation ? ownSituation().navigationUtc.value_or(m_clock.UtcNow()) : m_clock.UtcNow(),
        localTime);
    m_panel->UpdateRow(CTargetTrackingPanel::kTender, tender.Channel(),
                       std::vector<std::string>(texts.begin(), texts.end()));
    if (std::find(m_rows.begin(), m_rows.end(), tender.Channel()) == m_rows.end())
        m_rows.push_back(tender.Channel());
}

// The program's position format changed: the rows' latitude and longitude
// cells are written again in it; the other cells keep their last texts.
void CTenderWindows::RefreshPositions()
{
    const geo::CPositionFormat format = positionFormat ? positionFormat() : geo::CPositionFormat{};
    if (format.decimalPlaces == m_rowFormat.decimalPlaces &&
        format.degMinSec == m_rowFormat.degMinSec)
        return;
    m_rowFormat = format;
    if (!m_panel)
        return;
    for (int channel : m_rows)
        if (const CTender* t = m_tracking.Find(channel)) {
            const auto cells = TenderPositionCells(*t, format);
            m_panel->UpdateCells(CTargetTrackingPanel::kTender, channel, 2,
                                 std::vector<std::string>(cells.begin(), cells.end()));
        }
}

// Rows of tenders that are gone (removed by the options or a reset).
bool CTenderWindows::RemoveRows()
{
    bool removed = false;
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (m_tracking.Find(*it)) {
            ++it;
            continue;
        }
        if (m_panel)
            m_panel->RemoveRow(CTargetTrackingPanel::kTender, *it);
        it = m_rows.erase(it);
        removed = true;
    }
    return removed;
}

void CTenderWindows::UpdateMessages()
{
    if (!m_messages)
        return;
    m_messages->LockUpdate(false);
    m_messages->SetMessageActive(m_circleMsg, std::uint16_t(m_tracking.InsideCount()), false);
    m_messages->SetMessageActive(m_rangeMsg, std::uint16_t(m_tracking.OutOfRangeCount()), false);
    m_messages->SetMessageActive(m_panicMsg, std::uint16_t(m_tracking.ManOverboardCount()), false);
    m_messages->SetMessageActive(m_simulationMsg, m_tracking.Simulator().IsRunning() ? 1 : 0,
                                 false);
    m_messages->LockUpdate(true);
}

}   // namespace targets

#include "targets/ARPAModule.h"

#include <algorithm>
#include <cmath>

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/Registry.h"
#include "nmea/NMEAValueIndex.h"

namespace targets {

namespace {

constexpr std::uint16_t kTurnedOffPriority = 20002;
constexpr std::uint16_t kWarningCirclePriority = 19000;
constexpr std::uint16_t kDeadReckoningPriority = 18500;
constexpr std::uint16_t kPortFailurePriority = 20001;
constexpr std::chrono::seconds kTurnedOffShown{20};
constexpr std::chrono::seconds kPortFailureShown{60};

std::chrono::seconds SpanSeconds(const app::CDateTimeSpanEx& span, std::chrono::seconds fallback)
{
    if (span.GetStatus() != app::CDateTimeSpanEx::valid)
        return fallback;
    return std::chrono::seconds(span.GetTotalSeconds());
}

app::CDateTimeSpanEx SpanOf(std::chrono::seconds s)
{
    return app::CDateTimeSpanEx(static_cast<long>(s.count()));
}

}   // namespace

CARPAModule::CARPAModule(app::CSettingsHome& settings, nmea::CPortDirectory& ports,
                         const platform::CClock& clock, app::CMsgBar* bar)
    : app::CModule(settings), m_ports(ports), m_clock(clock), m_bar(bar), m_parser(clock, 5),
      m_store(clock), m_pass(m_store)
{
    SetModuleName("Navigator\\Radar\\ARPA");
    m_radarData.Reset();
    m_config.receivePort = 1;
    // RSD and OSD land in the parser's own values; TLL, TTM and TLB in the store.
    nmea::CNMEAStores stores;
    stores.arpa = m_parser.Values();
    stores.gps = m_parser.Values();
    stores.wind = m_parser.Values();
    m_parser.SetStores(stores);
    m_parser.Message().SetTargetSentenceParser(&m_store);
    m_properties.SetBaseKey(GetModuleName());
    m_device = std::make_unique<CARPADevice>(ports, m_config, m_parser);
    m_store.Vessels().SetOwner(navigator::kVesselArpa,
                               [this](const auto& vessel) { OnTargetJoined(vessel); });
}

CARPAModule::~CARPAModule()
{
    m_device->CloseAll();
    // The navigator's list may outlive the module: it keeps none of its targets.
    m_pass.Reset();
    m_store.Vessels().SetOwner(navigator::kVesselArpa, {});
    m_store.Vessels().SetTargetModule(navigator::kVesselArpa, nullptr);
}

void CARPAModule::SetVesselList(std::shared_ptr<navigator::CVesselList> vessels)
{
    m_store.Vessels().SetOwner(navigator::kVesselArpa, {});
    m_store.Vessels().SetTargetModule(navigator::kVesselArpa, nullptr);
    m_store.SetVesselList(std::move(vessels));
    m_store.Vessels().SetOwner(navigator::kVesselArpa,
                               [this](const auto& vessel) { OnTargetJoined(vessel); });
    m_store.Vessels().SetTargetModule(navigator::kVesselArpa, this);
    m_passFromNavigator = true;
}

bool CARPAModule::Initialise()
{
    const bool result = app::CModule::Initialise();
    m_config.SetSentences({{"TLL", "Target Latitude Longitude", true},
                           {"TLB", "Target Label", true},
                           {"TTM", "Tracked Target Message", true},
                           {"RSD", "Radar System Data", true}});
    m_config.SetTalkers({"RA", "II"});
    if (m_bar != nullptr) {
        m_bar->AddMessage(m_msgTurnedOff, kTurnedOffText, kTurnedOffPriority, 0, false);
        m_bar->SetMessageFlag(m_msgTurnedOff, true);
        m_bar->AddMessage(m_msgInside, kWarningCircleText, kWarningCirclePriority, 0, false);
        m_bar->AddMessage(m_msgDr, kDeadReckoningText, kDeadReckoningPriority, 0, false);
    }
    return result;
}

bool CARPAModule::Terminate()
{
    m_device->CloseAll();
    if (m_bar != nullptr) {
        m_bar->LockUpdate(false);
        m_bar->RemoveMessage(m_msgTurnedOff, false);
        m_bar->RemoveMessage(m_msgInside, false);
        m_bar->RemoveMessage(m_msgDr, false);
        if (m_msgPortFailure != nullptr)
            m_bar->RemoveMessage(m_msgPortFailure, false);
        m_bar->LockUpdate(true);
    }
    m_config.SetTalkers({});
    m_config.SetSentences({});
    return app::CModule::Terminate();
}

void CARPAModule::ShutDown()
{
    m_device->CloseAll();
}

void CARPAModule::LoadSettings()
{
    app::CRegistry registry(Settings().GetStore());
    CARPAOptions o = m_pass.Options();
    std::uint8_t refresh = m_refreshSeconds;
    if (OpenSettings(registry, false)) {
        std::uint8_t port = m_config.receivePort;
        if (registry.ReadByte("ReceiveCOMPort", port))
            m_config.receivePort = port;
        std::uint8_t maxTargets = static_cast<std::uint8_t>(o.maxTargets);
        if (registry.ReadByte("MaxTargets", maxTargets))
            o.maxTargets = maxTargets;
        registry.ReadBool("AutoDelete", o.autoDelete);
        app::CDateTimeSpanEx span;
        if (registry.ReadTimeSpan("AutoDeleteTimeLimit", span))
            o.autoDeleteTimeLimit = SpanSeconds(span, o.autoDeleteTimeLimit);
        if (registry.ReadTimeSpan("TargetDangerousInterval", span))
            o.targetDangerousInterval = SpanSeconds(span, o.targetDangerousInterval);
        registry.ReadBool("WarningCircles", o.warningCircles);
        double radius = o.warningCircleRadiusNm;
        if (registry.ReadDouble("WarningCirclesRadius", radius) && std::isfinite(radius) &&
            radius >= 0.0)
            o.warningCircleRadiusNm = radius;
        registry.ReadByte("NMEARefreshTime", refresh);
        std::uint32_t size = static_cast<std::uint32_t>(m_overlaySize);
        if (registry.ReadDWord("OverlaySize", size))
            m_overlaySize = size <= 2 ? static_cast<std::int32_t>(size) : 2;
        registry.Close();
    }
    if (OpenSettings(registry, false, "NMEASentences")) {
        m_config.LoadSentenceFlags(registry);
        registry.Close();
    }
    m_config.receivePort = nmea::ResolveStoredPort(m_ports, m_config.receivePort);
    SetRefreshTime((refresh == 0 || refresh > 60) ? std::uint8_t{5} : refresh);
    m_properties.Load(Settings());
    o.positionMarkerEvery = SpanSeconds(m_properties.loggingPeriod, o.positionMarkerEvery);
    m_pass.SetOptions(o);
}

void CARPAModule::SaveSettings()
{
    app::CRegistry registry(Settings().GetStore());
    const CARPAOptions& o = m_pass.Options();
    if (OpenSettings(registry, true)) {
        registry.WriteByte("ReceiveCOMPort", m_config.receivePort);
        registry.WriteByte("MaxTargets", static_cast<std::uint8_t>(o.maxTargets));
        registry.WriteBool("AutoDelete", o.autoDelete);
        registry.WriteTimeSpan("AutoDeleteTimeLimit", SpanOf(o.autoDeleteTimeLimit));
        registry.WriteTimeSpan("TargetDangerousInterval", SpanOf(o.targetDangerousInterval));
        registry.WriteBool("WarningCircles", o.warningCircles);
        registry.WriteDouble("WarningCirclesRadius", o.warningCircleRadiusNm);
        registry.WriteByte("NMEARefreshTime", m_refreshSeconds);
        registry.WriteDWord("OverlaySize", static_cast<std::uint32_t>(m_overlaySize));
        registry.Close();
    }
    if (OpenSettings(registry, true, "NMEASentences")) {
        m_config.SaveSentenceFlags(registry);
        registry.Close();
    }
    m_properties.Save(Settings());
}

void CARPAModule::SetRefreshTime(std::uint8_t seconds)
{
    if (seconds == 0 || seconds > 60)
        return;
    m_refreshSeconds = seconds;
    const std::chrono::seconds span(seconds);
    for (int i = 0; i < nmea::CNMEAGPSParser::ValueCount(); ++i)
        m_parser.Value(i).SetValiditySpan(span);
    m_store.SetRefreshTime(span);
    for (const CTrackedTarget& target : m_pass.Targets())
        for (int i = 0; i < nmea::kValueCount; ++i)
            target.record->Value(i).SetValiditySpan(span);
}

void CARPAModule::RegisterCommands(app::CCommandTable& commands)
{
    namespace cmd = app::cmd;
    commands.Add(
        this, cmd::kArpaActivate, [this](unsigned) { OnActivate(); },
        [this](app::CCmdUI& ui) {
            ui.Enable(m_config.receivePort != 0);
            ui.SetCheck(m_arpaOn ? 1 : 0);
        });
    commands.Add(
        this, cmd::kArpaGoToSelected,
        [this](unsigned) {
            if (!m_selected || !m_goTo)
                return;
            for (const CTrackedTarget& t : m_pass.Targets())
                if (t.record == m_selected && t.fix)
                    m_goTo(t.fix->position);
        },
        [this](app::CCmdUI& ui) { ui.Enable(m_selected != nullptr && m_goTo != nullptr); });
    // Shown disabled: the menu only ticks the selected target's switch; its
    // Configuration page and the panel flip it.
    commands.Add(
        this, cmd::kArpaSave, [this](unsigned) { ToggleSaveTarget(); },
        [this](app::CCmdUI& ui) {
            const CTrackedTarget* target = SelectedTarget();
            ui.Enable(false);
            ui.SetCheck(target != nullptr && TargetProperties(*target).saveTarget ? 1 : 0);
        });
    commands.Add(
        this, cmd::kArpaDelete,
        [this](unsigned) {
            if (m_selected)
                RemoveTarget(*m_selected);
        },
        [this](app::CCmdUI& ui) { ui.Enable(m_selected != nullptr); });
    commands.Add(
        this, cmd::kRadarCursor, [this](unsigned) { OnRadarCursor(); },
        [this](app::CCmdUI& ui) {
            ui.Enable(m_radarData.flag != 0 && m_nav.own.position.has_value());
            ui.SetCheck(m_cursorShown ? 1 : 0);
        });
}

std::string CARPAModule::OnActivate()
{
    m_inToggle = true;
    std::string failure;
    if (!m_device->IsReceiveOpen()) {
        m_arpaOn = m_device->OpenReceive();
        const nmea::CPort* port = m_ports.FindPort(m_config.receivePort);
        // The reason is read before closing: a closed port forgets it.
        const nmea::CPortCondition condition = port ? port->GetCondition() : nmea::CPortCondition{};
        const std::string reason = port ? condition.reason : "no such port";
        // A port whose device is missing opens but cannot connect: ARPA would
        // show on while nothing can come. It stays off, with the port's reason.
        if (m_arpaOn && port != nullptr && !condition.connected) {
            m_device->CloseReceive();
            m_arpaOn = false;
        }
        if (!m_arpaOn) {
            failure = "ARPA: " + nmea::CPort::PortName(m_config.receivePort) + " would not open" +
                      (reason.empty() ? "" : ": " + reason);
            ShowPortFailure(failure);
        }
    } else {
        m_device->CloseReceive();
        m_arpaOn = false;
        if (m_bar != nullptr) {
            m_bar->SetMessageActive(m_msgTurnedOff, 1, true);
            m_bar->SetMessageExpiry(m_msgTurnedOff,
                                    std::chrono::floor<std::chrono::seconds>(m_clock.UtcNow()) +
                                        kTurnedOffShown);
        }
        Redraw();
    }
    m_inToggle = false;
    return failure;
}

void CARPAModule::ShowPortFailure(const std::string& text)
{
    if (m_bar == nullptr)
        return;
    m_bar->LockUpdate(false);
    if (m_msgPortFailure != nullptr)
        m_bar->RemoveMessage(m_msgPortFailure, false);
    m_bar->AddMessage(m_msgPortFailure, text, kPortFailurePriority, 1, false);
    m_bar->SetMessageFlag(m_msgPortFailure, true);
    m_bar->SetMessageExpiry(m_msgPortFailure,
                            std::chrono::floor<std::chrono::seconds>(m_clock.UtcNow()) +
                                kPortFailureShown);
    m_bar->LockUpdate(true);
}

void CARPAModule::OnRadarCursor()
{
    m_cursorShown = !m_cursorShown;
    Redraw();
}

void CARPAModule::OnTimer(app::TimerCadence cadence)
{
    // On the navigator's list, the navigator's timer pass runs the module's.
    if (cadence != app::TimerCadence::EverySecond || m_passFromNavigator)
        return;
    TimerPass();
}

void CARPAModule::TimerPass()
{
    if (m_navigation)
        m_nav = m_navigation();
    // The navigator's own-vessel update comes first, as it does in its cycle.
    if (m_nav.cycle != m_lastCycle) {
        m_lastCycle = m_nav.cycle;
        CheckTargetAges(m_nav.ownFixReal);
    }
    // The navigator's hold flag is kept on its vessel list.
    if (m_inToggle || m_store.Vessels().IsHeld() || !m_arpaOn)
        return;
    if (m_device->IsReceiveOpen()) {
        // The navigator's pass has usually taken them already.
        m_store.Vessels().AdoptQueued();
        UpdatePositions();
        // Records the pass drops must not vanish under an observer or the selection.
        std::vector<std::shared_ptr<CTargetRecord>> present;
        for (const CTrackedTarget& t : m_pass.Targets())
            present.push_back(t.record);
        const CARPAPassOutcome outcome = m_pass.Run(m_nav.utc);
        if (m_logRows != nullptr)
            for (const auto& [row, lastReport] : outcome.endedRows)
                m_logRows->EndRow(row, lastReport);
        for (const auto& record : outcome.removed) {
            Notify([&](CARPAObserver& o) { o.OnTargetRemoved(*record); });
            if (record == m_selected)
                SelectTarget(nullptr);
        }
        for (const auto& [record, when] : outcome.fixes)
            if (CTrackedTarget* target = m_pass.Find(*record))
                AddTrackFix(*target, when);
        for (const auto& record : outcome.rows)
            if (m_pass.Find(*record) != nullptr)
                Notify([&](CARPAObserver& o) { o.OnTargetReported(*record); });
        for (const auto& record : outcome.currentChanged)
            if (m_pass.Find(*record) != nullptr)
                Notify([&](CARPAObserver& o) { o.OnTargetCurrentChanged(*record); });
        for (const auto& record : present)
            if (m_pass.Find(*record) != nullptr)
                Notify([&](CARPAObserver& o) { o.OnTargetChanged(*record); });
        UpdateWarnings();
    }
    UpdateRadarCursor();
    Redraw();
}

void CARPAModule::OnTargetJoined(const navigator::CVesselList::Entry& vessel)
{
    auto target = std::static_pointer_cast<CTrackedTarget>(vessel);
    m_pass.Join(target, m_navigation ? m_navigation().utc : m_clock.UtcNow());
    GiveModuleProperties(*target);
    if (m_logRows != nullptr)
        if (const auto row =
                m_logRows->StartRow(static_cast<int>(target->Kind()), target->record->Number(),
                                    target->record->Name())) {
            target->logRow = row->row;
            target->captured = row->start;
        }
    Notify([&](CARPAObserver& o) { o.OnTargetAdded(*target->record); });
}

void CARPAModule::UpdatePositions()
{
    // Under the target lock a handler cannot be halfway through a report, so
    // range, bearing and position are of one sentence.
    m_store.WithTargetLock([&] {
        for (CTrackedTarget& target : m_pass.MutableTargets()) {
            if (const auto fix = TargetFixNow(*target.record, m_nav.own)) {
                target.fix = fix;
                target.rangeNm = fix->rangeNm;
            }
        }
    });
}

void CARPAModule::AddTrackFix(CTrackedTarget& target, std::chrono::system_clock::time_point when)
{
    if (!target.fix)
        return;
    const CTargetRecord& record = *target.record;
    CTargetTrackFix fix;
    fix.position = target.fix->position;
    fix.time = when;
    fix.newSegment = target.track.empty();
    fix.course = target.fix->course;
    fix.speedKnots = record.FixSpeedKnots();
    fix.rangeNm = target.fix->rangeNm;
    fix.bearing = target.fix->bearing;
    fix.closestApproachNm = record.FixClosestApproachNm();
    const auto& tcpa = record.Value(nmea::item::TtmTimeToClosestApproach);
    if (tcpa.IsValid())
        fix.minutesToClosestApproach = tcpa.GetDouble();
    fix.status = record.StatusText();
    fix.reference = record.IsReferenceTarget();
    if (const auto& a = record.Value(nmea::item::TtmAcquisitionType); a.IsValid())
        fix.acquisition = static_cast<char>(a.GetInt());
    target.track.push_back(std::move(fix));
}

void CARPAModule::CheckTargetAges(bool ownFixReal)
{
    // Switched off, the targets are no longer updated: they keep their
    // up-to-date state and the own fix counts as real (no warning).
    if (m_arpaOn)
        m_pass.CheckTargetAges(ownFixReal, m_nav.utc);
    else
        m_pass.SetOwnFixReal(true);
    UpdateWarnings();
}

void CARPAModule::UpdateWarnings()
{
    if (m_bar == nullptr)
        return;
    m_bar->LockUpdate(false);
    m_bar->SetMessageActive(m_msgInside, m_pass.InsideCount() != 0 ? 1 : 0, false);
    m_bar->SetMessageActive(m_msgDr, m_pass.OwnFixReal() ? 0 : 1, false);
    m_bar->LockUpdate(true);
}

void CARPAModule::UpdateRadarCursor()
{
    const std::optional<CRadarCursor> cursor =
        RadarCursorFrom(m_parser.Values(), m_nav.own.heading, m_nav.own.courseOverGround);
    m_radarData.Reset();
    if (cursor) {
        m_radarData.numbers = {cursor->rangeNm, cursor->bearing};
        m_radarData.flag = 1;
    }
}

void CARPAModule::SelectTarget(const CTargetRecord* record)
{
    std::shared_ptr<CTargetRecord> chosen;
    if (record != nullptr)
        for (const CTrackedTarget& t : m_pass.Targets())
            if (t.record.get() == record)
                chosen = t.record;
    if (chosen == m_selected)
        return;
    m_selected = chosen;
    Notify([&](CARPAObserver& o) { o.OnSelectionChanged(m_selected.get()); });
    Redraw();
}

void CARPAModule::RemoveTarget(const CTargetRecord& record)
{
    // Hold the record: observers and the selection may be its last owners.
    std::shared_ptr<CTargetRecord> keep;
    for (const CTrackedTarget& t : m_pass.Targets())
        if (t.record.get() == &record)
            keep = t.record;
    if (!keep)
        return;
    if (CTrackedTarget* target = m_pass.Find(*keep))
        EndLogRow(*target);
    Notify([&](CARPAObserver& o) { o.OnTargetRemoved(*keep); });
    if (m_selected == keep)
        SelectTarget(nullptr);
    m_pass.Remove(*keep);
    UpdateWarnings();
    Redraw();
}

void CARPAModule::ResetTargets()
{
    std::vector<std::shared_ptr<CTargetRecord>> all;
    for (const CTrackedTarget& t : m_pass.Targets())
        all.push_back(t.record);
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        RemoveTarget(**it);
    m_pass.Reset();
}

const CTrackedTarget* CARPAModule::FindTarget(const CTargetRecord* record) const
{
    if (record == nullptr)
        return nullptr;
    for (const CTrackedTarget& t : m_pass.Targets())
        if (t.record.get() == record)
            return &t;
    return nullptr;
}

void CARPAModule::EndLogRow(CTrackedTarget& target)
{
    if (target.logRow == 0 || m_logRows == nullptr)
        return;
    m_logRows->EndRow(target.logRow, target.record->LastReportTime(m_nav.utc));
    target.logRow = 0;
}

void CARPAModule::GiveModuleProperties(CTrackedTarget& target)
{
    target.properties = std::make_shared<chart::CTargetProperties>(m_properties);
    ++m_propertiesGeneration;
}

void CARPAModule::SetTargetProperties(const CTargetRecord& record,
                                      const chart::CTargetProperties& properties)
{
    CTrackedTarget* target = m_pass.Find(record);
    if (target == nullptr)
        return;
    target->properties = std::make_shared<chart::CTargetProperties>(properties);
    ++m_propertiesGeneration;
    Notify([&](CARPAObserver& o) { o.OnTargetPropertiesChanged(record); });
    Redraw();
}

void CARPAModule::ToggleSaveTarget()
{
    const CTrackedTarget* target = SelectedTarget();
    if (target == nullptr)
        return;
    chart::CTargetProperties properties = TargetProperties(*target);
    properties.saveTarget = !properties.saveTarget;
    SetTargetProperties(*target->record, properties);
}

CARPAModuleOptions CARPAModule::GetOptions() const
{
    CARPAModuleOptions o;
    o.pass = m_pass.Options();
    o.receivePort = m_config.receivePort;
    o.refreshSeconds = m_refreshSeconds;
    o.overlaySize = m_overlaySize;
    o.properties = m_properties;
    std::vector<const CTrackedTarget*> targets;
    for (const CTrackedTarget& target : m_pass.Targets())
        targets.push_back(&target);
    std::stable_sort(targets.begin(), targets.end(), [](const auto* a, const auto* b) {
        return a->displayOrder < b->displayOrder;
    });
    for (const CTrackedTarget* target : targets)
        o.displayOrder.push_back(target->record);
    return o;
}

void CARPAModule::SetDisplayOrder(const std::vector<std::shared_ptr<const CTargetRecord>>& order)
{
    // The targets listed take their places; a target that joined since the
    // list was made follows them, in the order it had.
    std::vector<CTrackedTarget*> targets;
    for (CTrackedTarget& target : m_pass.MutableTargets())
        targets.push_back(&target);
    const auto place = [&order](const CTrackedTarget* t) {
        const auto it = std::find(order.begin(), order.end(), t->record);
        return it == order.end() ? order.size() : std::size_t(it - order.begin());
    };
    std::stable_sort(targets.begin(), targets.end(), [&](const auto* a, const auto* b) {
        const std::size_t pa = place(a), pb = place(b);
        return pa != pb ? pa < pb : a->displayOrder < b->displayOrder;
    });
    for (std::size_t i = 0; i < targets.size(); ++i)
        targets[i]->displayOrder = int(i) + 1;
}

std::string CARPAModule::ApplyOptions(const CARPAModuleOptions& options)
{
    CARPAOptions pass = options.pass;
    pass.maxTargets = std::clamp(pass.maxTargets, 1, 100);
    m_properties = options.properties;
    pass.positionMarkerEvery = SpanSeconds(m_properties.loggingPeriod, pass.positionMarkerEvery);
    m_pass.SetOptions(pass);
    m_overlaySize = std::clamp(options.overlaySize, 0, 2);
    if (!options.displayOrder.empty())
        SetDisplayOrder(options.displayOrder);
    std::string failure;
    if (options.receivePort != m_config.receivePort) {
        m_device->CloseReceive();
        m_config.receivePort = options.receivePort;
        // "Off" is no port: ARPA stays on and receives nothing until one is chosen.
        if (m_arpaOn && m_config.receivePort != 0) {
            m_arpaOn = false;
            failure = OnActivate();
        }
    }
    if (options.refreshSeconds != m_refreshSeconds)
        SetRefreshTime(options.refreshSeconds);
    // What a target's own page set is overwritten by the module's properties.
    for (CTrackedTarget& target : m_pass.MutableTargets()) {
        GiveModuleProperties(target);
        Notify([&](CARPAObserver& o) { o.OnTargetPropertiesChanged(*target.record); });
    }
    ++m_propertiesGeneration;
    m_pass.ApplyOptions();
    UpdateWarnings();
    Redraw();
    return failure;
}

void CARPAModule::AddObserver(CARPAObserver* observer)
{
    if (observer != nullptr &&
        std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void CARPAModule::RemoveObserver(CARPAObserver* observer)
{
    std::erase(m_observers, observer);
}

void CARPAModule::PositionFormatChanged()
{
    Notify([](CARPAObserver& o) { o.OnPositionFormatChanged(); });
}

template <class F>
void CARPAModule::Notify(F f)
{
    // A window that fails must not stop the pass.
    for (CARPAObserver* observer : std::vector<CARPAObserver*>(m_observers)) {
        try {
            f(*observer);
        } catch (...) { }
    }
}

void CARPAModule::Redraw()
{
    if (m_redraw)
        m_redraw();
}

}   // namespace targets

#include "targets/TenderTracking.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <utility>

#include "geo/NavMaths.h"
#include "geo/Position.h"
#include "nmea/NMEAValueIndex.h"

namespace targets {

namespace item = nmea::item;

namespace {

std::optional<double> Valid(const nmea::CNMEADataValue& value)
{
    if (!value.IsValid())
        return std::nullopt;
    return value.GetDouble();
}

std::optional<double> RangeNm(const CTargetPosition& from, const CTargetPosition& to)
{
    double range = 0, bearing = 0;
    if (!geo::RhumbRangeBearing(geo::CPosition(from.latitude, from.longitude, 0.0),
                                geo::CPosition(to.latitude, to.longitude, 0.0), &range, &bearing,
                                true))
        return std::nullopt;
    return range;
}

}   // namespace

CTenderReading CTender::Read() const
{
    CTenderReading r;
    std::lock_guard lock(record->ReportLock());
    const auto lat = Valid(record->Value(item::Latitude));
    const auto lon = Valid(record->Value(item::Longitude));
    if (lat && lon)
        r.position = StoredPairToPosition(*lat, *lon);
    if (const auto m = Valid(record->Value(item::DepthMetres)))
        r.depth = *m;
    else if (const auto ft = Valid(record->Value(item::DepthFeet)))
        r.depth = *ft * 0.3048;
    else if (const auto fm = Valid(record->Value(item::DepthFathoms)))
        r.depth = *fm * 1.8288;
    r.speed = Valid(record->Value(item::SpeedOverGroundKnots));
    r.course = Valid(record->Value(item::CourseOverGroundTrue));
    r.reportUtc = record->ReportedUtc();
    return r;
}

std::optional<CTargetPosition> CTender::Where() const
{
    if (const auto now = Position())
        return now;
    return lastSeen;
}

CTenderTracking::CTenderTracking(const platform::CClock& clock, nmea::CPortDirectory& ports)
    : m_clock(clock), m_ports(ports), m_store(clock),
      m_device(std::make_unique<CTenderTrackingDevice>(
          ports,
          [this](int channel, std::string_view line) { m_store.ParseTargetLine(channel, line); })),
      m_simulator(clock, [this](int channel, std::string_view line) {
          m_store.ParseTargetLine(channel, line);
      })
{
    m_device->SetTable(CTenderPollTable::From(m_settings));
    m_simulator.ended = [this] { m_simulationFailed = true; };
    m_device->failed = [this] { m_pollFailed = true; };
    m_store.Vessels().SetOwner(navigator::kVesselTender,
                               [this](const auto& vessel) { OnJoined(vessel); });
}

CTenderTracking::~CTenderTracking()
{
    m_simulator.Stop();
    m_device->CloseReceive();
    // The navigator's list may outlive tracking: it keeps none of its tenders.
    // Their log rows stay as the last pass left them (the log may be closing).
    m_logRows = nullptr;
    Reset();
    m_store.Vessels().SetOwner(navigator::kVesselTender, {});
}

void CTenderTracking::SetVesselList(std::shared_ptr<navigator::CVesselList> vessels)
{
    m_store.Vessels().SetOwner(navigator::kVesselTender, {});
    m_store.SetVesselList(std::move(vessels));
    m_store.Vessels().SetOwner(navigator::kVesselTender,
                               [this](const auto& vessel) { OnJoined(vessel); });
}

bool CTenderTracking::SetActive(bool on, std::string* reason)
{
    if (!on) {
        m_device->CloseReceive();
        m_active = false;
        return true;
    }
    m_pollFailed = false;
    m_device->SetTable(CTenderPollTable::From(m_settings));
    if (m_settings.receivePort == 0 || !m_device->OpenReceive()) {
        m_active = false;
        if (reason)
            *reason = m_settings.receivePort == 0
                          ? "Tender Tracking has no port: choose one in the options."
                          : "Tender Tracking could not open " +
                                nmea::CPort::PortName(m_settings.receivePort) + ".";
        return false;
    }
    // A serial port whose device is not there opens and waits for it; tracking
    // would then poll nothing while the menu says it is on. Refused with the reason.
    if (const nmea::CPort* port = m_ports.FindPort(m_settings.receivePort)) {
        const nmea::CPortCondition condition = port->GetCondition();
        if (!condition.connected) {
            m_device->CloseReceive();
            m_active = false;
            if (reason)
                *reason = "Tender Tracking could not open " +
                          nmea::CPort::PortName(m_settings.receivePort) +
                          (condition.reason.empty() ? "." : ": " + condition.reason);
            return false;
        }
    }
    m_active = true;
    return true;
}

std::string CTenderTracking::NothingToPollNotice() const
{
    for (const CTenderChannel& c : m_settings.channels)
        if (c.valid)
            return {};
    return "Tender Tracking is on, but no transceiver channel is in use, so no tender will be "
           "polled. Tick the tenders' channels and give their serial numbers under Target > "
           "Options..., Tender Tracking, General.";
}

void CTenderTracking::Adopt()
{
    m_store.Vessels().AdoptQueued();
}

void CTenderTracking::OnJoined(const navigator::CVesselList::Entry& entry)
{
    auto vessel = std::static_pointer_cast<CTenderVessel>(entry);
    const int channel = vessel->record->Channel();
    // Only the slot's own record is tracked, once.
    if (Find(channel) || m_store.Slot(channel) != vessel->record) {
        m_store.Vessels().Remove(*vessel);
        return;
    }
    vessel->record->SetName(m_settings.channels[std::size_t(channel)].name);
    vessel->record->live = true;
    CTender tender;
    tender.record = vessel->record;
    tender.vessel = std::move(vessel);
    tender.properties = m_properties;
    if (m_logRows != nullptr)
        if (const auto row = m_logRows->StartRow(static_cast<int>(navigator::kVesselTender),
                                                 channel, tender.record->Name())) {
            tender.logRow = row->row;
            tender.captured = row->start;
        }
    m_tenders.push_back(std::move(tender));
    m_joined.push_back(channel);
}

void CTenderTracking::EndLogRow(CTender& tender)
{
    if (tender.logRow == 0 || m_logRows == nullptr)
        return;
    // The time of its latest report while that is still valid, else the
    // time it is let go.
    m_logRows->EndRow(tender.logRow, tender.Read().reportUtc.value_or(m_clock.UtcNow()));
    tender.logRow = 0;
}

void CTenderTracking::Unlist(CTender& tender)
{
    tender.record->live = false;
    if (tender.vessel)
        m_store.Vessels().Remove(*tender.vessel);
}

void CTenderTracking::SetProperties(const chart::CTargetProperties& properties)
{
    m_properties = properties;
    for (CTender& t : m_tenders)
        t.properties = properties;
}

void CTenderTracking::TakeThreadNews()
{
    if (m_simulationFailed.exchange(false))
        OnSimulationEnded();
    if (m_pollFailed.exchange(false))
        m_active = false;
    Adopt();
    for (CTender& t : m_tenders) {
        if (t.record->manOverboardReported.exchange(false))
            t.manOverboard = true;
        if (const auto position = t.Position())
            t.lastSeen = position;
    }
}

bool CTenderTracking::IsChecking() const
{
    return m_simulator.IsRunning() || (m_active && m_device->IsReceiveOpen());
}

CTenderPassResult CTenderTracking::OnTimer(const COwnSituation& own)
{
    CTenderPassResult result;
    if (IsNavigatorHeld())
        return result;
    TakeThreadNews();
    result.added = std::exchange(m_joined, {});
    const auto now = own.navigationUtc.value_or(m_clock.UtcNow());
    for (CTender& t : m_tenders) {
        // The report time is the time and date the tender's RMC carries; while
        // either is missing or out of date it is the navigation time, so a
        // silent tender ages.
        const auto reportTime = t.record->LastReportTime(now);
        if (t.record->newData.exchange(false)) {
            t.lastReport = reportTime;
            t.reporting = true;
            result.rowsToWrite.push_back(t.Channel());
            // "Position marker every": a track fix at most this often (a second at least).
            const auto markerSpan = std::max<std::chrono::seconds>(
                std::chrono::seconds(t.properties.loggingPeriod.GetTotalSeconds()),
                std::chrono::seconds(1));
            if (!t.hasFix || t.lastReport - t.lastFix >= markerSpan) {
                if (const CTenderReading r = t.Read(); r.position) {
                    t.lastFix = t.lastReport;
                    t.hasFix = true;
                    t.track.push_back(
                        {t.lastReport, *r.position, r.course.value_or(geo::kUnsetValue),
                         r.speed.value_or(geo::kUnsetValue), r.depth.value_or(geo::kUnsetValue)});
                    result.fixesAdded.push_back(t.Channel());
                }
            }
        } else if (t.reporting && reportTime - t.lastReport >= m_settings.dangerousInterval) {
            t.reporting = false;
        }
        CheckWarnings(t, own);
    }
    return result;
}

void CTenderTracking::CheckWarnings(CTender& t, const COwnSituation& own)
{
    const auto position = t.Where();
    const auto range = own.position && position ? RangeNm(*own.position, *position) : std::nullopt;
    t.insideCircle =
        m_settings.warningCircles && range && *range <= m_settings.warningCirclesRadius;
    t.outOfRange = own.vesselCircle && range && *range > own.vesselRadius;
}

void CTenderTracking::Recount(const COwnSituation& own)
{
    for (CTender& t : m_tenders)
        CheckWarnings(t, own);
}

CTender* CTenderTracking::Find(int channel)
{
    for (CTender& t : m_tenders)
        if (t.Channel() == channel)
            return &t;
    return nullptr;
}

void CTenderTracking::SetManOverboard(int channel, bool on)
{
    if (CTender* t = Find(channel)) {
        t->manOverboard = on;
        // A mark that arrived but was not applied yet goes too: the user has seen this alarm.
        if (!on)
            t->record->manOverboardReported = false;
    }
}

void CTenderTracking::ClearPanic()
{
    for (CTender& t : m_tenders)
        SetManOverboard(t.Channel(), false);
}

void CTenderTracking::Remove(int channel)
{
    const auto it = std::find_if(m_tenders.begin(), m_tenders.end(),
                                 [&](const CTender& t) { return t.Channel() == channel; });
    if (it == m_tenders.end())
        return;
    EndLogRow(*it);
    m_store.ClearSlot(*it->record);
    Unlist(*it);
    m_tenders.erase(it);
    if (current == channel)
        current = -1;
}

void CTenderTracking::Reset()
{
    for (CTender& t : m_tenders) {
        EndLogRow(t);
        Unlist(t);
    }
    m_tenders.clear();
    m_joined.clear();
    m_store.Reset();
    current = -1;
}

int CTenderTracking::ManOverboardCount() const
{
    return int(std::count_if(m_tenders.begin(), m_tenders.end(),
                             [](const CTender& t) { return t.manOverboard; }));
}

int CTenderTracking::InsideCount() const
{
    return int(std::count_if(m_tenders.begin(), m_tenders.end(),
                             [](const CTender& t) { return t.insideCircle; }));
}

int CTenderTracking::OutOfRangeCount() const
{
    return int(std::count_if(m_tenders.begin(), m_tenders.end(),
                             [](const CTender& t) { return t.outOfRange; }));
}

bool CTenderTracking::ApplySettings(const CTenderSettings& settings, std::string* reason)
{
    const bool portChanged = settings.receivePort != m_settings.receivePort;
    m_device->SetPaused(true);
    const bool refreshChanged = settings.refreshSeconds != m_settings.refreshSeconds;
    // The simulation flags are the simulator's; the options set them through SetSimulation.
    std::array<CTenderChannel, kTenderChannels> kept = m_settings.channels;
    m_settings = settings;
    for (int i = 0; i < kTenderChannels; ++i) {
        m_settings.channels[std::size_t(i)].simulate = kept[std::size_t(i)].simulate;
        m_settings.channels[std::size_t(i)].simulateManOverboard =
            kept[std::size_t(i)].simulateManOverboard;
    }
    Adopt();
    std::vector<int> gone;
    for (CTender& t : m_tenders) {
        const CTenderChannel& c = m_settings.channels[std::size_t(t.Channel())];
        if (c.valid)
            t.record->SetName(c.name);
        else
            gone.push_back(t.Channel());
    }
    for (int channel : gone)
        Remove(channel);
    if (refreshChanged)
        m_store.ApplyRefreshTime(std::chrono::seconds(m_settings.refreshSeconds));
    m_device->SetTable(CTenderPollTable::From(m_settings));
    m_simulator.SetWindow(m_settings.channelDuration);
    m_device->SetPaused(false);
    bool ok = true;
    if (portChanged && m_active) {
        m_device->CloseReceive();
        ok = SetActive(true, reason);
    }
    return ok;
}

void CTenderTracking::OnSimulationEnded()
{
    m_simulator.Stop();
    for (int i = 0; i < kTenderChannels; ++i) {
        CTenderChannel& c = m_settings.channels[std::size_t(i)];
        c.simulate = false;
        c.simulateManOverboard = false;
        CTenderSimulation s = m_simulator.Channel(i);
        s.simulate = false;
        s.manOverboard = false;
        m_simulator.SetChannel(i, s, false);
    }
    m_device->SetTable(CTenderPollTable::From(m_settings));
}

void CTenderTracking::SetSimulation(int channel, bool simulate, bool manOverboard, bool useChart,
                                    const CTargetPosition& position, double course, double speed,
                                    double depth)
{
    SetSimulationValues(channel, simulate, manOverboard, useChart, position, course, speed, depth);
    StartOrStopSimulation();
}

void CTenderTracking::StartOrStopSimulation()
{
    if (m_simulator.AnySimulated())
        m_simulator.Start();
    else
        m_simulator.Stop();
}

void CTenderTracking::SetSimulationValues(int channel, bool simulate, bool manOverboard,
                                          bool useChart, const CTargetPosition& position,
                                          double course, double speed, double depth)
{
    if (channel < 0 || channel >= kTenderChannels)
        return;
    CTenderChannel& c = m_settings.channels[std::size_t(channel)];
    c.simulate = simulate && c.valid;
    c.simulateManOverboard = manOverboard;
    CTenderSimulation s = m_simulator.Channel(channel);
    const bool wasSimulated = s.simulate;
    s.simulate = c.simulate;
    s.manOverboard = manOverboard;
    s.course = course;
    s.speed = speed;
    s.depth = depth;
    bool restart = !useChart;
    s.position = position;
    s.since = m_clock.UtcNow();
    if (useChart && !wasSimulated) {
        // A tracked tender switched to simulation goes on from where it is now;
        // one not tracked yet starts at the given position.
        const CTender* t = Find(channel);
        const auto where = t ? t->Position() : std::nullopt;
        s.position = where.value_or(position);
        restart = true;
    }
    m_simulator.SetChannel(channel, s, restart);
    m_device->SetTable(CTenderPollTable::From(m_settings));
}

}   // namespace targets

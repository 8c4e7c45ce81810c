#include "navigator/NavigatorModule.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "app/DateTimeSpanEx.h"
#include "app/Registry.h"
#include "app/SystemUtils.h"
#include "geo/NavMaths.h"
#include "navigator/GeneralNavigatorOptions.h"
#include "navigator/NavIndicators.h"
#include "navigator/NavTexts.h"
#include "nmea/NMEAValueIndex.h"
#include "platform/LocaleFreeNumbers.h"

namespace navigator {

namespace item = nmea::item;

// Until the ports' GPS device is plugged in: a parser of our own, fed by the
// replay, receiving once a line has come.
class CNavigatorModule::CStandInGps final : public CGpsReceiver {
public:
    explicit CStandInGps(const platform::CClock& clock) : m_parser(clock, 5) { }
    nmea::CNMEAMessageParser& Parser() override { return m_parser; }
    bool IsReceiving() const override { return m_receiving.load(); }
    void Receive(std::string_view line)
    {
        std::lock_guard lock(m_parseLock);   // one parsing thread at a time
        m_parser.ParseLine(line);
        m_receiving = true;
    }

private:
    nmea::CNMEAGPSParser m_parser;
    std::mutex m_parseLock;
    std::atomic<bool> m_receiving{false};
};

class CNavigatorModule::CStandInTarget final : public CReplayTarget {
public:
    explicit CStandInTarget(CStandInGps* gps) : m_gps(gps) { }
    std::size_t DeliverLine(std::string_view line) override
    {
        if (m_gps == nullptr)
            return 0;
        m_gps->Receive(line);
        return 1;
    }

private:
    CStandInGps* m_gps;
};

// Forwards to whichever receive side is current, so the replay thread never
// holds a stale pointer; the owner switches targets only while no replay runs.
class CSwitchableTarget final : public CReplayTarget {
public:
    std::atomic<CReplayTarget*> target{nullptr};
    std::size_t DeliverLine(std::string_view line) override
    {
        CReplayTarget* t = target.load();
        return t != nullptr ? t->DeliverLine(line) : 0;
    }
};

namespace {
CSwitchableTarget& Switch(std::unique_ptr<CReplayTarget>& holder)
{
    return static_cast<CSwitchableTarget&>(*holder);
}
}   // namespace

CNavigatorModule::CNavigatorModule(app::CSettingsHome& settings, const platform::CClock& clock,
                                   CGpsReceiver* gps)
    : app::CModeModule(settings), m_clock(clock), m_ownGps(std::make_unique<CStandInGps>(clock)),
      m_gps(gps != nullptr ? gps : m_ownGps.get()),
      m_source(clock, m_gps->Parser().FixRecord(), m_gps->Parser().Values(), *this),
      m_monitor(clock, *this, nullptr, nullptr),
      m_ownTarget(std::make_unique<CStandInTarget>(m_ownGps.get())), m_pacer(clock)
{
    SetModuleName("Navigator");
    m_replaySwitch = std::make_unique<CSwitchableTarget>();
    Switch(m_replaySwitch).target = m_ownTarget.get();
    m_simulation = std::make_unique<CSimulationModule>(
        settings, GetModuleName(), *m_replaySwitch, m_pacer,
        [this](std::uint64_t generation) { m_panelQueue.Post(kMsgReplayFinished, generation); });
    CreateVesselLog();
}

CNavigatorModule::~CNavigatorModule()
{
    m_tracks.clear();   // their readers stop before the log goes
    m_simulation->Stop();
    m_panelQueue.Close();
}

void CNavigatorModule::SetGpsReceiver(CGpsReceiver* gps)
{
    m_gps = gps != nullptr ? gps : m_ownGps.get();
    m_source.Rebind(m_gps->Parser().FixRecord(), m_gps->Parser().Values());
}

void CNavigatorModule::SetReplayTarget(CReplayTarget* target)
{
    Switch(m_replaySwitch).target = target != nullptr ? target : m_ownTarget.get();
}

bool CNavigatorModule::Initialise()
{
    // The logs' folder beside the program is made now; when it cannot be,
    // the program folder itself takes its place.
    const std::filesystem::path folder = m_logbook->Folder();
    const std::filesystem::path made = app::EnsureFolder(folder, folder.parent_path());
    if (made.empty())
        return false;
    m_logbook->SetFolder(made);
    return m_simulation->Initialise();
}

void CNavigatorModule::SetMessageBar(app::CMsgBar* bar)
{
    m_bar = bar;
    if (m_bar == nullptr)
        return;
    m_bar->AddMessage(m_nmeaCaution,
                      "CAUTION. NMEA not received. Position calculation transferred to DR.", 50000,
                      0, false);
    m_bar->AddMessage(m_offTrackCaution, "CAUTION. Vessel deviating from planned course.", 49000, 0,
                      false);
    m_bar->AddMessage(
        m_confirmationWarning,
        "Position confirmation required, please confirm vessel position, course and speed.", 50001,
        0, false);
    // An alarm: the user may take it off the bar before it expires.
    m_bar->SetMessageFlag(m_confirmationWarning, true);
    m_bar->AddMessage(m_notVisibleWarning, "Vessel position is not visible.", 20000, 0, false);
    m_bar->AddMessage(m_logWarning, "", 30000, 0, false);
    m_simulation->SetMessageBar(bar);
}

bool CNavigatorModule::Terminate()
{
    m_simulation->Terminate();
    // The log closes with the program; a temporary one with rows is offered for saving.
    m_tracks.clear();
    if (m_keepTemporaryLog)
        m_logbook->CloseKeepingRows();
    else
        m_logbook->Close(m_logSaveAnswered);
    if (m_bar != nullptr) {
        m_bar->LockUpdate(false);
        m_bar->RemoveMessage(m_nmeaCaution, false);
        m_bar->RemoveMessage(m_offTrackCaution, false);
        m_bar->RemoveMessage(m_confirmationWarning, false);
        m_bar->RemoveMessage(m_notVisibleWarning, false);
        m_bar->RemoveMessage(m_logWarning, false);
        m_bar->LockUpdate(true);
        m_bar = nullptr;
    }
    return true;
}

platform::PromptAnswer CNavigatorModule::QueryClose(platform::CPrompt& /*prompt*/)
{
    // Asked before any window closes, so Cancel leaves the program as it was.
    m_logSaveAnswered = false;
    const LogSaveResult saved = m_logbook->OfferSaveBeforeClose();
    if (saved == LogSaveResult::Cancelled || saved == LogSaveResult::Failed)
        return platform::PromptAnswer::Cancel;
    m_logSaveAnswered = true;
    return platform::PromptAnswer::Ok;
}

void CNavigatorModule::ShutDown()
{
    // From here the track's last point is the closing one: neither a tick
    // nor a message the last tick left waiting writes after it.
    m_shutDown = true;
    // The replay, then the tenders' simulation, stop before any instrument
    // closes: nothing is fed to a device side on its way out.
    m_simulation->Stop();
    m_vessels->StopTargetSimulations();
    if (m_log == nullptr)
        return;
    // The track ends where the vessel is, as switching the source off ends
    // it: the next start's first point joins on here, not at a point up to
    // a track interval old.
    const auto snapshot = m_snapshots.Get();
    if (m_log->IsLogging() && m_log->HasOwnRow() && snapshot->positionAvailable &&
        snapshot->position.IsValid() && (m_nmeaPositionSeen || m_source.IsDrOn()))
        m_log->WriteTrackPoint(*snapshot);
    // Rows and points kept for a lock go in now; the log itself closes
    // with the module (a temporary one is asked about first).
    m_log->WriteKept();
}

namespace {
void ReadSeconds(const app::CRegistry& reg, std::string_view name, std::chrono::seconds& out)
{
    app::CDateTimeSpanEx span;
    if (reg.ReadTimeSpan(name, span) && span.IsValid() && span.GetTotalSeconds() > 0)
        out = std::chrono::seconds(span.GetTotalSeconds());
}
}   // namespace

void CNavigatorModule::LoadSettings()
{
    app::CRegistry reg(Settings().GetStore());
    if (OpenSettings(reg, false)) {
        ReadSeconds(reg, "VesselPlotFixFreq", m_plotFixFreq);
        ReadSeconds(reg, "SpeedDirectionVector", m_speedDirectionVector);
        std::string heading;
        if (reg.ReadString("HeadingIndicator", heading))
            if (const auto nm = platform::ParseDouble(heading);
                nm && *nm >= kHeadingIndicatorLeast && *nm <= kHeadingIndicatorMost)
                m_headingIndicator = *nm;
        ReadSeconds(reg, "BestChartCheckInterval", m_bestChartCheckInterval);
        ReadSeconds(reg, "BestChartResumeInterval", m_bestChartResumeInterval);
        reg.ReadBool("BestChartResume", m_bestChartResume);
        std::uint32_t percent = 0;
        if (reg.ReadDWord("AutoScrollPercentage", percent))
            SetAutoscrollPercentage(static_cast<int>(std::min<std::uint32_t>(percent, 100)));
        LoadLogSettings(reg);
        // The window followed the vessel when the program last ended: logging
        // is on again, whatever "SaveToLogBookOn" says.
        bool monitorWindow = false;
        reg.ReadBool("MonitorWindowOn", monitorWindow);
        m_monitorWindowSetting = monitorWindow;
        if (monitorWindow) {
            m_openMonitorWindowPending = true;
            m_logbook->SetLogging(true);
        }
    }
    app::CRegistry log(Settings().GetStore());
    if (OpenSettings(log, false, "Log"))
        LoadLogFolderSettings(log);
    // The track line keeps any width the General page offers.
    m_fixProperties.Line().SetMaximumWidth(std::uint8_t(kTrackLineWidths));
    m_fixProperties.Load(Settings());
    // "Past track" is kept as the track line's draw flag.
    m_trackSettings.visible = m_fixProperties.Line().GetDraw();
    // The log opens on the next timer pass, once every module has its settings.
    if (!m_logbook->IsOpen())
        m_openLogPending = true;
    SyncTracks(true);
    // The GPS module's own settings, read here until that module is ours to ask.
    app::CRegistry gps(Settings().GetStore());
    if (OpenSettings(gps, false, "GPS")) {
        std::chrono::seconds delay = m_source.DrDelay();
        ReadSeconds(gps, "DRDelay", delay);
        m_source.SetDrDelay(delay);
        ReadSeconds(gps, "LoggingPeriod", m_loggingPeriod);
    }
    m_simulation->LoadSettings();
}

void CNavigatorModule::SetWorkspaceDefaults()
{
    m_fixProperties.SetDraw(true);
    m_fixProperties.SetSizeMode(chart::kSizeLarge);
}

void CNavigatorModule::SaveSettings()
{
    app::CRegistry reg(Settings().GetStore());
    if (OpenSettings(reg, true)) {
        reg.WriteTimeSpan("VesselPlotFixFreq",
                          app::CDateTimeSpanEx(static_cast<long>(m_plotFixFreq.count())));
        reg.WriteDouble("HeadingIndicator", m_headingIndicator);
        reg.WriteTimeSpan("SpeedDirectionVector",
                          app::CDateTimeSpanEx(static_cast<long>(m_speedDirectionVector.count())));
        reg.WriteTimeSpan("BestChartCheckInterval", app::CDateTimeSpanEx(static_cast<long>(
                                                        m_bestChartCheckInterval.count())));
        reg.WriteTimeSpan("BestChartResumeInterval", app::CDateTimeSpanEx(static_cast<long>(
                                                         m_bestChartResumeInterval.count())));
        reg.WriteBool("BestChartResume", m_bestChartResume);
        reg.WriteDWord("AutoScrollPercentage", static_cast<std::uint32_t>(m_autoscrollPercentage));
        reg.WriteBool("MonitorWindowOn", m_monitorWindowOn);
        app::CRegistry log(Settings().GetStore());
        OpenSettings(log, true, "Log");
        SaveLogSettings(reg, log);
    }
    m_fixProperties.Save(Settings());
    m_simulation->SaveSettings();
}

void CNavigatorModule::SetAutoscrollPercentage(int percent)
{
    m_autoscrollPercentage = std::clamp(percent, 0, 100);
}

void CNavigatorModule::OnTimer(app::TimerCadence cadence)
{
    m_logSaveAnswered = false;
    if (cadence != app::TimerCadence::EverySecond)
        return;
    NavigationTimerPass();
    m_simulation->UpdateProgress();
}

void CNavigatorModule::SetBestChartSelection(bool on)
{
    if (!m_setBestChart)
        return;
    const bool wasOn = IsBestChartOn();
    m_setBestChart(on);
    if (!on && wasOn)
        m_bestChartOffSince = m_clock.Monotonic();
}

void CNavigatorModule::SetBestChartResume(bool on)
{
    if (on && !m_bestChartResume)
        m_bestChartOffSince = m_clock.Monotonic();
    m_bestChartResume = on;
}

void CNavigatorModule::ResumeBestChartIfDue()
{
    if (!m_bestChartOn || !m_setBestChart)
        return;
    const Time now = m_clock.Monotonic();
    if (m_bestChartOn()) {
        m_bestChartOffSince.reset();
        return;
    }
    // Switched off where this module did not see it: the delay counts from now.
    if (!m_bestChartOffSince) {
        m_bestChartOffSince = now;
        return;
    }
    if (m_bestChartResume && now - *m_bestChartOffSince > m_bestChartResumeInterval) {
        m_setBestChart(true);
        m_bestChartOffSince.reset();
    }
}

bool CNavigatorModule::NavigationTimerPass()
{
    ResumeBestChartIfDue();
    bool ok = true;
    if (!IsHeld() && !m_shutDown) {
        try {
            if (m_openLogPending)
                OpenVesselLog(std::string());
            if (m_log != nullptr)
                m_log->WriteKept();
            FollowWithMonitorWindow();
            m_vessels->AdoptQueued();
            // The tick runs while the GPS receives, and while dead reckoning
            // runs without it (its steps are the vessel's only movement).
            m_positionData = m_gps->IsReceiving() || m_source.IsDrOn();
            if (!m_holdTick && m_positionData)
                NavigationTick();
        } catch (...) {
            ok = false;
        }
    }
    // The target modules' passes run even when the navigator's own failed
    // (held, each leaves out its own work).
    try {
        m_vessels->RunTargetPasses();
    } catch (...) {
        ok = false;
    }
    return ok;
}

void CNavigatorModule::NavigationTick()
{
    if (m_source.IsDrOn())
        m_source.StepDeadReckoning();
    m_panelQueue.Post(kMsgKeepInView);
    m_panelQueue.Post(kMsgNavRefresh);
    const Time now = m_clock.Monotonic();
    if (PeriodDue(m_lastLogRow, now, m_loggingPeriod)) {
        m_logDueTick = now;
        m_panelQueue.Post(kMsgLogPeriod);
    }
    bool trackDue = false;
    if (PeriodDue(m_lastTrackPoint, now, m_plotFixFreq)) {
        m_trackDueTick = now;
        m_panelQueue.Post(kMsgTrackPeriod);
        trackDue = true;
    }
    if (Passed(m_lastBestChartCheck, now, m_bestChartCheckInterval)) {
        m_panelQueue.Post(kMsgAutoscrollStep);
        m_panelQueue.Post(kMsgBestChartCheck);
        m_lastBestChartCheck = now;
    }
    m_panelQueue.Post(kMsgOwnVessel, trackDue ? 1 : 0);
}

void CNavigatorModule::OnMonitorMessage(const app::CPostedMessage& message)
{
    try {
        switch (message.id) {
        case kMsgNavRefresh: RefreshNavigation(); break;
        case kMsgOwnVessel:
            if (m_positionAcquired)
                UpdateOwnVessel(message.wParam == 1);
            UpdateNotVisibleWarning(false);
            break;
        case kMsgTrackPeriod: OnTrackPeriod(); break;
        case kMsgLogPeriod: OnLogPeriod(); break;
        case kMsgKeepInView: KeepInView(); break;
        case kMsgAutoscrollStep:
            if (m_positionAcquired)
                AutoscrollStep();
            break;
        case kMsgBestChartCheck:
            if (m_positionAcquired)
                BestChartCheck();
            break;
        case kMsgReplayFinished: m_simulation->OnFinished(message.wParam); break;
        case kMsgTrackReady: TakeTrackResults(); break;
        default: return;
        }
    } catch (...) {
        m_inRefresh = false;
    }
    if (m_listener)
        m_listener(message.id);
}

namespace {

double ValueOrUnset(const nmea::CNMEADataValue* gps, int index)
{
    return gps[index].IsValid() ? gps[index].GetDouble() : nmea::kNoValue;
}

double DepthMetres(const nmea::CNMEADataValue* gps)
{
    if (gps[item::DepthMetres].IsValid())
        return gps[item::DepthMetres].GetDouble();
    if (gps[item::DepthFeet].IsValid())
        return gps[item::DepthFeet].GetDouble() * 0.3048;
    if (gps[item::DepthFathoms].IsValid())
        return gps[item::DepthFathoms].GetDouble() * 1.8288;
    return nmea::kNoValue;
}

}   // namespace

void CNavigatorModule::RefreshNavigation()
{
    if (m_inRefresh)
        return;   // a second refresh while one runs is dropped
    m_inRefresh = true;
    const CAcquisition acq = m_source.Refresh();
    m_positionAcquired = acq.acquired;
    const std::shared_ptr<const CNavSnapshot> previous = m_snapshots.Get();
    auto snap = std::make_shared<CNavSnapshot>();
    snap->cycle = ++m_cycle;
    if (acq.acquired) {
        m_positionAvailable = true;
        m_nmeaPositionSeen = m_nmeaPositionSeen || !m_source.IsDrOn();
        snap->position = acq.position;
        snap->fixTimeUtc = acq.fixTimeUtc;
        if (!acq.fixTimeUtc)
            snap->fixTimeOfDayUtc = acq.fixTimeOfDayUtc;
    } else {
        snap->position = previous->position;
        snap->fixTimeUtc = previous->fixTimeUtc;
    }
    snap->positionAvailable = m_positionAvailable;
    snap->positionAcquired = acq.acquired;
    const nmea::CNMEADataValue* gps = m_gps->Parser().Values();
    if (m_source.IsDrOn()) {
        snap->source = PositionSourceKind::DR;
        const CNavFix& fix = m_source.Fix();
        snap->cog = fix.cog;
        snap->sog = fix.sog;
        snap->heading = fix.course;
        snap->speedThroughWater = fix.speed;
    } else {
        snap->source = m_positionAvailable ? PositionSourceKind::NMEA : PositionSourceKind::None;
        snap->cog = ValueOrUnset(gps, item::CourseOverGroundTrue);
        snap->sog = ValueOrUnset(gps, item::SpeedOverGroundKnots);
        snap->heading = ValueOrUnset(gps, item::HeadingTrue);
        snap->speedThroughWater = ValueOrUnset(gps, item::SpeedThroughWaterKnots);
    }
    snap->depthMetres = DepthMetres(gps);
    m_snapshots.Publish(snap);

    // Each position taken is checked against the active chart's datum shift.
    if (acq.acquired) {
        std::string kind;
        const int shift =
            m_charts != nullptr ? m_charts->ActiveChartDatumShift(acq.position, kind) : 4;
        m_monitor.SetDatumShift(shift, kind);
    }
    if (const std::string note = m_source.TakeConfirmationNote(); !note.empty())
        LogEvent(note, -1);
    if (m_audioAlertsOn)
        m_monitor.SetAudioAlerts(m_audioAlertsOn());
    m_monitor.Refresh(*snap, gps, StatusLine());
    m_newData = acq.acquired;
    m_inRefresh = false;
}

std::string CNavigatorModule::StatusLine() const
{
    if (m_source.IsDrOn())
        return "DR - Local";
    const auto snap = m_snapshots.Get();
    return m_gps->Parser().GetTalker() + (m_source.IsDatumAssumed() ? "m" : "a") + " - " +
           snap->position.GetDatumName();
}

void CNavigatorModule::PublishOwnPosition(const geo::CPosition& position)
{
    auto snap = std::make_shared<CNavSnapshot>(*m_snapshots.Get());
    snap->cycle = ++m_cycle;
    snap->position = position;
    snap->positionAvailable = true;
    m_snapshots.Publish(snap);
}

void CNavigatorModule::PlaceOwnVessel(const geo::CPosition& position)
{
    PublishOwnPosition(position);
    UpdateOwnVessel(false);
}

void CNavigatorModule::UpdateOwnVessel(bool trackPointDue)
{
    const auto snap = m_snapshots.Get();
    if (m_overlay != nullptr && snap->position.IsValid())
        m_overlay->SetPosition(*snap, trackPointDue);
    KeepTrail(*snap, trackPointDue);
    if (m_charts != nullptr)
        m_charts->RedrawViews();
    m_newData = false;
}

// The line from the last track point to the vessel: started again at each
// point, a place a tick after it. Hours between points at a place a second
// are thinned to every other place rather than grow without end.
void CNavigatorModule::KeepTrail(const CNavSnapshot& snapshot, bool trackPointDue)
{
    constexpr std::size_t kMostTrail = 4096;
    if (m_log == nullptr || !m_log->IsLogging()) {
        m_trail.clear();
        return;
    }
    if (!snapshot.position.IsValid())
        return;
    if (trackPointDue)
        m_trail.clear();
    if (m_trail.size() >= kMostTrail) {
        std::vector<geo::CPosition> thinned;
        thinned.reserve(m_trail.size() / 2 + 1);
        for (std::size_t i = 0; i < m_trail.size(); i += 2)
            thinned.push_back(m_trail[i]);
        m_trail = std::move(thinned);
    }
    m_trail.push_back(snapshot.position);
}

void CNavigatorModule::OnLogPeriod()
{
    if (m_shutDown || !m_newData || m_log == nullptr || !m_log->IsLogging())
        return;   // the stamp stays: the message comes again next tick
    // Stamped with the tick, not the moment the message came, so the wait
    // for the message does not push the next row back a tick.
    if (m_log->WriteLogRecord(*m_snapshots.Get()))
        m_lastLogRow = m_logDueTick;
}

void CNavigatorModule::OnTrackPeriod()
{
    if (m_shutDown || !m_newData || m_log == nullptr || !m_log->IsLogging())
        return;
    if (m_log->WriteTrackPoint(*m_snapshots.Get()))
        m_lastTrackPoint = m_trackDueTick;
}

void CNavigatorModule::SetAutoscrollWindow(bool on)
{
    m_openMonitorWindowPending = false;
    if (m_charts == nullptr) {
        m_monitorWindowOn = false;
        return;
    }
    if (on != m_charts->HasAutoscrollWindow()) {
        if (on)
            m_charts->AttachAutoscrollWindow(m_snapshots.Get()->position);
        else
            m_charts->ReleaseAutoscrollWindow();
    }
    m_monitorWindowOn = m_charts->HasAutoscrollWindow();
}

// The window asked for at start once a position has come; a window the
// user closed is let go.
void CNavigatorModule::FollowWithMonitorWindow()
{
    if (m_charts == nullptr)
        return;
    if (m_openMonitorWindowPending && m_positionAvailable)
        SetAutoscrollWindow(true);
    else if (m_monitorWindowOn && !m_charts->HasAutoscrollWindow())
        m_monitorWindowOn = false;
}

bool CNavigatorModule::MayFollow() const
{
    if (m_charts == nullptr || !m_positionAvailable)
        return false;
    return !m_source.IsNmeaLost() || m_source.IsDrOn();
}

// Keeps the vessel in the autoscroll chart. A position the chart's datum
// cannot take is skipped rather than handed on unset.
void CNavigatorModule::KeepInView()
{
    if (!MayFollow())
        return;
    if (const auto chartPosition = m_charts->ConvertToAutoscrollDatum(m_snapshots.Get()->position))
        m_charts->AutoscrollToPosition(*chartPosition);
}

// Every best-chart interval the chart may also change to the one that
// should show the vessel. A vessel off the chart has no place in its datum:
// the chart is given the position as it came, to find the chart holding it.
void CNavigatorModule::AutoscrollStep()
{
    if (!MayFollow())
        return;
    const geo::CPosition vessel = m_snapshots.Get()->position;
    m_charts->AutoscrollStep(m_charts->ConvertToAutoscrollDatum(vessel).value_or(vessel));
}

void CNavigatorModule::BestChartCheck()
{
    if (m_charts == nullptr)
        return;
    const geo::CPosition position = m_snapshots.Get()->position;
    m_charts->BestChartCheck(IsPositionAvailable() ? position : geo::CPosition());
    UpdateNotVisibleWarning(true);
}

// "Vessel position is not visible." is raised only by the best-chart check,
// at its interval; it goes as soon as a chart on screen shows the vessel
// (Go To Vessel, a pan or zoom), and never stays without a position.
void CNavigatorModule::UpdateNotVisibleWarning(bool mayRaise)
{
    if (m_bar == nullptr || m_charts == nullptr)
        return;
    if (!mayRaise && !m_bar->IsMessageActive(m_notVisibleWarning))
        return;
    const bool hidden =
        IsPositionAvailable() && !m_charts->IsVesselVisible(m_snapshots.Get()->position);
    if (hidden && !mayRaise)
        return;
    m_bar->SetMessageActive(m_notVisibleWarning, hidden ? 1 : 0, true);
}

void CNavigatorModule::ApplyPositionSource(const CPositionSourceChoice& c)
{
    RaiseHold();
    struct Lower {
        CVesselList& vessels;
        ~Lower() { vessels.LowerHold(); }
    } lower{*m_vessels};
    const bool receiving = m_gps->IsReceiving();
    const bool wasDr = m_source.IsDrOn();
    const bool on = c.source != SourceChoice::Off;
    const CGroundVector ground = CombineCourseAndSet(c.course, c.speed, c.set, c.drift);

    // The source switched off ends the own vessel's row: the event, the
    // point where it ended, and the row's end time.
    if (!on && receiving && m_log != nullptr && m_log->HasOwnRow()) {
        LogEvent(std::string(wasDr ? "Dead Reckoning" : "NMEA") + " manually switched off.", -1);
        if (m_log->IsLogging() && m_snapshots.Get()->position.IsValid())
            m_log->WriteTrackPoint(*m_snapshots.Get());
        m_log->EndOwnRow();
    }
    if (wasDr) {
        m_source.ConfirmWithGrace();
        if (!on)
            m_source.ReturnToNmea(false);
    }
    if (c.source == SourceChoice::DeadReckoning) {
        m_source.SwitchToDeadReckoning(true);
        m_source.ConfirmWithGrace();
    } else if (m_source.IsDrOn()) {
        m_source.StopDeadReckoning();
    }
    // Off closes the receive side even while its port waits for the
    // instrument (open, but receiving nothing). Closed first, so no fix the
    // device was still parsing outlives the forgetting below.
    if ((!on || !receiving) && m_toggleReceive) {
        m_toggleReceive(on);
        m_source.InputSwitched(!on);
    }
    if (!on && receiving) {
        m_monitor.ClearDisplay();
        SetNmeaCaution(false);
        SetOffTrackCaution(false);
        if (m_charts != nullptr)
            m_charts->ClearLargerScaleMessage();
        if (m_bar != nullptr)
            m_bar->SetMessageActive(m_notVisibleWarning, 0, true);
        m_gps->Parser().FixRecord().Reset();
        m_positionAcquired = false;
    }

    CNavFix& fix = m_source.Fix();
    const double cogBefore = fix.cog;
    const bool moved =
        c.position && c.position->IsValid() &&
        (!fix.position.IsValid() || c.position->GetLatitude() != fix.position.GetLatitude() ||
         c.position->GetLongitude() != fix.position.GetLongitude());
    if (c.position && c.position->IsValid())
        fix.position = *c.position;
    fix.speed = c.speed;
    fix.course = c.course;
    fix.set = c.set;
    fix.drift = c.drift;
    fix.cog = ground.cog;
    fix.sog = ground.sog;
    if (fix.position.IsValid())
        m_positionAvailable = true;
    const bool logging = m_log != nullptr && m_log->IsLogging();
    if (m_source.IsDrOn()) {
        // The kind of fix typed in goes with the next record only while it is
        // logged: kept, it would mark a later voyage's first point.
        const int fixType = FixTypeFromText(c.fixTypeText);
        if (logging)
            SetNextFixType(fixType);
        // A vessel moved by hand leaves a point where it was.
        if (moved && logging && m_log->HasOwnTrack()) {
            m_log->WriteTrackPoint(*m_snapshots.Get());
            UpdateOwnVessel(true);
        }
        // The vessel stands where it was put; dead reckoning goes on from there.
        if (moved)
            PublishOwnPosition(fix.position);
        // The first step of a user's DR covers nothing: it publishes the position at once.
        m_source.StepDeadReckoning();
        RefreshNavigation();
        if (logging && (moved || fix.cog != cogBefore)) {
            m_log->WriteTrackPoint(*m_snapshots.Get());
            UpdateOwnVessel(true);
        } else {
            UpdateOwnVessel(false);   // the vessel shows where it was put at once
        }
        LogEvent("", fixType);
        if (!wasDr) {
            m_lastLogRow = m_clock.Monotonic();
            m_lastTrackPoint = m_clock.Monotonic();
        }
    } else if (!m_gps->IsReceiving() && fix.position.IsValid()) {
        // Neither DR nor a GPS: the vessel is shown where the user put it.
        PlaceOwnVessel(fix.position);
    }
    if (m_listener)
        m_listener(kMsgNavRefresh);
}

// ---- hosts ----

void CNavigatorModule::SetNmeaCaution(bool on)
{
    m_nmeaCautionOn = on;
    if (m_bar != nullptr)
        m_bar->SetMessageActive(m_nmeaCaution, on ? 1 : 0, true);
}

bool CNavigatorModule::IsNmeaCautionOn() const
{
    return m_nmeaCautionOn;
}

void CNavigatorModule::SetConfirmationWarning(bool on, std::chrono::seconds expiry)
{
    m_confirmationOn = on;
    m_confirmationsShown += on ? 1 : 0;
    if (m_bar == nullptr)
        return;
    if (on)
        m_bar->SetMessageTimeout(m_confirmationWarning, expiry);
    m_bar->SetMessageActive(m_confirmationWarning, on ? 1 : 0, true);
}

bool CNavigatorModule::IsConfirmationWarningOn() const
{
    return m_confirmationOn;
}

void CNavigatorModule::LogEvent(const std::string& note, int eventType)
{
    if (m_log != nullptr && (m_log->IsLogging() || m_log->IsHoldingEvents()))
        m_log->LogEvent(note, eventType);
}

void CNavigatorModule::SetNextFixType(int fixType)
{
    if (m_log != nullptr)
        m_log->SetNextFixType(fixType);
}

void CNavigatorModule::SourceChanged(bool deadReckoning)
{
    // Targets laid off from a dead-reckoned own position are no longer current.
    m_vessels->CheckTargetAges(!deadReckoning);
    if (m_listener)
        m_listener(0);
}

void CNavigatorModule::AskGpsConfiguration()
{
    if (m_askGpsConfiguration)
        m_askGpsConfiguration();
}

void CNavigatorModule::SetOffTrackCaution(bool on)
{
    m_offTrackOn = on;
    if (m_bar != nullptr)
        m_bar->SetMessageActive(m_offTrackCaution, on ? 1 : 0, true);
}

// Switched off in Position Source (the GPS's receive side closed, no DR):
// the navigation values have no source, whatever the panel last held.
bool CNavigatorModule::HasPositionSource() const
{
    return m_source.IsDrOn() || m_gps->IsReceiving();
}

std::string CNavigatorModule::CogText() const
{
    const auto s = m_snapshots.Get();
    return s->positionAvailable && HasPositionSource() ? FormatCourseText(s->cog) : std::string();
}

std::string CNavigatorModule::SogText() const
{
    const auto s = m_snapshots.Get();
    return s->positionAvailable && HasPositionSource() ? FormatSpeedText(s->sog) : std::string();
}

std::string CNavigatorModule::XteIndicatorText() const
{
    return m_positionAvailable && HasPositionSource() ? FormatXteIndicator(m_monitor.Values().xte)
                                                      : std::string();
}

std::string CNavigatorModule::IndicatorText(unsigned id) const
{
    const auto s = m_snapshots.Get();
    if (!s->positionAvailable)
        return {};
    if (id != kIndicatorCursorRangeBearing && !HasPositionSource())
        return {};
    const CMonitorTexts& t = m_monitor.Texts();
    switch (id) {
    case kIndicatorCursorRangeBearing: {
        const std::optional<geo::CPosition> cursor =
            m_cursorPosition ? m_cursorPosition() : std::nullopt;
        double range = 0.0;
        double bearing = 0.0;
        if (!cursor || !geo::RhumbRangeBearing(s->position, *cursor, &range, &bearing, false))
            return {};
        return FormatCursorRangeBearing(range, bearing);
    }
    // As the panel's card shows them, dead reckoning's included.
    case kIndicatorCog: return t.cog;
    case kIndicatorSog: return t.sog;
    case kIndicatorSpeed: return t.speedThroughWater;
    case kIndicatorXte: return FormatXteIndicator(m_monitor.Values().xte);
    case kIndicatorBearing: return t.bearing;
    case kIndicatorRange: return t.range;
    case kIndicatorTimeToGo: return t.timeToGo;
    case kIndicatorEta: return t.eta;
    default: return {};
    }
}

void CNavigatorModule::SetAlertSound(app::CAlertSound* sound, std::filesystem::path audioFolder,
                                     std::function<bool()> audioAlertsOn)
{
    m_audioAlertsOn = std::move(audioAlertsOn);
    m_monitor.SetAlertSound(sound, std::move(audioFolder), m_audioAlertsOn && m_audioAlertsOn());
}

bool CNavigatorModule::CanGoToVessel() const
{
    return m_snapshots.Get()->positionAvailable && m_goToPosition && m_activeChartLoaded &&
           m_activeChartLoaded();
}

bool CNavigatorModule::GoToVessel()
{
    if (!CanGoToVessel())
        return false;
    const bool moved = m_goToPosition(m_snapshots.Get()->position);
    UpdateNotVisibleWarning(false);
    return moved;
}

}   // namespace navigator

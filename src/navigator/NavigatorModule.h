#pragma once
// The navigator module: the own vessel's navigation. On the frame's one-second
// pass it runs the navigation cycle: a dead-reckoning step while DR runs, then
// the monitor panel's messages in their fixed order (0x505, 0x501, [0x504],
// [0x503], [0x506, 0x507], 0x502), posted to the panel's queue and handled on
// the user-interface thread by OnMonitorMessage. Each 0x501 takes the
// position from the position source, publishes one CNavSnapshot and refreshes
// the monitor model. Intervals run on the monotonic clock; a stamp that was
// never set ("year 101") finds its interval passed.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Module.h"
#include "app/MsgBar.h"
#include "app/PostedMessageQueue.h"
#include "chart/overlays/OverlayProperties.h"
#include "navigator/AutoscrollRestrictions.h"
#include "navigator/LogTrack.h"
#include "navigator/MonitorModel.h"
#include "navigator/NavInterfaces.h"
#include "navigator/NavSnapshot.h"
#include "navigator/NmeaReplay.h"
#include "navigator/PositionSource.h"
#include "navigator/PositionSourceChoice.h"
#include "navigator/SimulationModule.h"
#include "navigator/VesselList.h"
#include "navigator/VesselLogbook.h"
#include "nmea/NMEAMessageParser.h"
#include "platform/Clock.h"

namespace navigator {

// The monitor panel's messages.
enum MonitorMessage : unsigned {
    kMsgNavRefresh = 0x501,
    kMsgOwnVessel = 0x502,
    kMsgTrackPeriod = 0x503,
    kMsgLogPeriod = 0x504,
    kMsgKeepInView = 0x505,
    kMsgAutoscrollStep = 0x506,
    kMsgBestChartCheck = 0x507,
    kMsgReplayFinished = 0x508,
    kMsgTrackReady = 0x509,   // a track's window was read again
};

// The GPS receive side the navigator reads: the parser whose store and fix
// record hold the received values, and whether its port is open and receiving.
class CGpsReceiver {
public:
    virtual ~CGpsReceiver() = default;
    virtual nmea::CNMEAMessageParser& Parser() = 0;
    virtual bool IsReceiving() const = 0;
    // The receive side can be opened: it names a port the program has. The
    // replay-fed stand-in is always available.
    virtual bool IsAvailable() const { return true; }
};

class CNavigatorModule : public app::CModeModule,
                         private CPositionSourceHost,
                         private CMonitorHost {
public:
    // gps may be null: the module then keeps its own stand-in receive side,
    // fed by the replay and reported receiving once a line has arrived.
    CNavigatorModule(app::CSettingsHome& settings, const platform::CClock& clock,
                     CGpsReceiver* gps = nullptr);
    ~CNavigatorModule() override;

    bool Initialise() override;
    bool Terminate() override;
    platform::PromptAnswer QueryClose(platform::CPrompt& prompt) override;
    void PrepareUnattendedClose() override { m_keepTemporaryLog = true; }
    void LoadSettings() override;
    void SaveSettings() override;
    // A new workspace draws the position-fix markers, large.
    void SetWorkspaceDefaults() override;
    void OnTimer(app::TimerCadence cadence) override;
    // Leaving a workspace (or closing) counts as the user's confirmation of
    // the position: its warning goes off and the interval starts again.
    void CloseWorkspaceWindows() override { m_source.ConfirmPosition(); }
    void ShutDown() override;

    // Set before the first cycle (the window side has the frame's bar).
    void SetMessageBar(app::CMsgBar* bar);
    // The module keeps its own vessel log; tests may put another in its place.
    void SetVesselLog(CVesselLog* log) { m_log = log; }
    void SetChartHost(CNavChartHost* charts) { m_charts = charts; }
    void SetOwnVesselOverlay(COwnVesselOverlay* overlay) { m_overlay = overlay; }
    void SetRoute(CActiveRoute* route) { m_monitor.SetRoute(route); }
    void SetSteering(CSteeringOutput* steering) { m_monitor.SetSteering(steering); }
    void SetWindStore(const nmea::CNMEADataValue* wind) { m_monitor.SetWindStore(wind); }
    // The route's passage plan for the Monitor's Plan card; empty: none.
    void SetPlanSource(PlanEntrySource plan)
    {
        m_monitor.SetPlanSource(std::move(plan));
        m_monitor.FillRouteTexts();
    }
    void SetGpsReceiver(CGpsReceiver* gps);
    // The replay's receive side (the ports' devices); default: the stand-in GPS.
    void SetReplayTarget(CReplayTarget* target);

    // The timer pass: queued vessels join the list, the tick while the GPS
    // receives, then the target modules' passes (the last even while held).
    bool NavigationTimerPass();
    void NavigationTick();
    // The panel's queue and its handler (user-interface thread).
    app::CPostedMessageQueue& PanelQueue() { return m_panelQueue; }
    void OnMonitorMessage(const app::CPostedMessage& message);
    // Called after each handled panel message (the window refreshes).
    void SetPanelListener(std::function<void(unsigned)> listener)
    {
        m_listener = std::move(listener);
    }

    // The vessel chart objects: instrument threads queue new ones, the timer
    // pass adds them. Shared with the target modules, which may outlive this one.
    const std::shared_ptr<CVesselList>& Vessels() const { return m_vessels; }

    std::shared_ptr<const CNavSnapshot> Snapshot() const { return m_snapshots.Get(); }
    // The own vessel's position of the last cycle; none until one is known.
    std::optional<geo::CPosition> OwnPosition() const
    {
        const auto snap = Snapshot();
        if (!snap->positionAvailable || !snap->position.IsValid())
            return std::nullopt;
        return snap->position;
    }
    CPositionSource& Source() { return m_source; }
    CMonitorModel& Monitor() { return m_monitor; }
    CSimulationModule& Simulation() { return *m_simulation; }
    CGpsReceiver& Gps() { return *m_gps; }

    // Settings of the cycle.
    void SetLoggingPeriod(std::chrono::seconds s) { m_loggingPeriod = s; }
    std::chrono::seconds LoggingPeriod() const { return m_loggingPeriod; }
    void SetTrackInterval(std::chrono::seconds s) { m_plotFixFreq = s; }
    std::chrono::seconds TrackInterval() const { return m_plotFixFreq; }
    // The own vessel's heading line (nm) and how far ahead its speed vector
    // reaches ("HeadingIndicator", "SpeedDirectionVector").
    double HeadingIndicator() const { return m_headingIndicator; }
    void SetHeadingIndicator(double nm) { m_headingIndicator = nm; }
    std::chrono::seconds SpeedDirectionVector() const { return m_speedDirectionVector; }
    void SetSpeedDirectionVector(std::chrono::seconds span) { m_speedDirectionVector = span; }
    void SetBestChartCheckInterval(std::chrono::seconds s) { m_bestChartCheckInterval = s; }
    std::chrono::seconds BestChartCheckInterval() const { return m_bestChartCheckInterval; }
    // Autoscroll margin in per cent of the window ("AutoScrollPercentage").
    int AutoscrollPercentage() const { return m_autoscrollPercentage; }
    void SetAutoscrollPercentage(int percent);
    // Best-chart selection is the charting module's switch: how to read and
    // set it. Without them there is nothing to resume.
    void SetBestChartSwitch(std::function<bool()> isOn, std::function<void(bool)> set)
    {
        m_bestChartOn = std::move(isOn);
        m_setBestChart = std::move(set);
    }
    const std::function<bool()>& BestChartOnQuery() const { return m_bestChartOn; }
    bool IsBestChartOn() const { return m_bestChartOn && m_bestChartOn(); }
    // Switches best-chart selection; switched off, the resume delay counts from now.
    void SetBestChartSelection(bool on);
    // Best-chart selection switched back on this long after the user switched
    // it off. Switched on while selection is off, the delay counts from now.
    bool BestChartResume() const { return m_bestChartResume; }
    void SetBestChartResume(bool on);
    std::chrono::seconds BestChartResumeInterval() const { return m_bestChartResumeInterval; }
    void SetBestChartResumeInterval(std::chrono::seconds s) { m_bestChartResumeInterval = s; }
    // The charts autoscroll is restricted to; emptied whenever the chart
    // folio is cleared (its entries name folio items).
    CAutoscrollRestrictions& AutoscrollRestrictions() { return m_restrictions; }
    void ClearAutoscrollRestrictions() { m_restrictions.Clear(); }
    void SetDrDelay(std::chrono::seconds s) { m_source.SetDrDelay(s); }
    void SetHoldTick(bool hold) { m_holdTick = hold; }
    // The hold flag: while it is raised the timer pass, and the target
    // modules' passes it runs, leave out their periodic work. Raised while a
    // device side opens or closes, while a change of position source is
    // applied, and while the chart services wait for their medium. Each
    // raise is ended by one lower.
    void RaiseHold() { m_vessels->RaiseHold(); }
    void LowerHold() { m_vessels->LowerHold(); }
    bool IsHeld() const { return m_vessels->IsHeld(); }

    bool IsPositionAvailable() const { return m_positionAvailable; }
    // A position has come from the GPS since the start (not dead reckoning's).
    bool HasReceivedNmeaPosition() const { return m_nmeaPositionSeen; }
    // Attaches or releases the chart window that follows the vessel; the
    // voyage switches it with logging.
    void SetAutoscrollWindow(bool on);
    bool IsMonitorWindowOn() const { return m_monitorWindowOn; }
    // "MonitorWindowOn" as the settings gave it: the frame ends its start-up
    // with the monitor panel in front when it was set.
    bool MonitorWindowSetting() const { return m_monitorWindowSetting; }
    bool HasAutoscrollWindow() const
    {
        return m_charts != nullptr && m_charts->HasAutoscrollWindow();
    }
    bool IsNmeaCautionOn() const;
    bool IsConfirmationWarningOn() const;
    int ConfirmationWarningsShown() const { return m_confirmationsShown; }
    std::string StatusLine() const;
    std::string NmeaTabTitle() const { return m_source.IsDrOn() ? "DR" : "NMEA"; }
    // The datum question's answer (the dialog is modeless).
    void AnswerGpsConfiguration(bool wgs84, bool gmt)
    {
        m_source.AnswerGpsConfiguration(wgs84, gmt);
    }
    void SetGpsConfigurationAsker(std::function<void()> ask)
    {
        m_askGpsConfiguration = std::move(ask);
    }
    // The user's choice in the position source dialog.
    void SwitchToDeadReckoningByUser() { m_source.SwitchToDeadReckoning(true); }
    // Applies the "Position Source" dialog's OK. The toggle opens or closes
    // the GPS receive side when the choice asks for the other state.
    void ApplyPositionSource(const CPositionSourceChoice& choice);
    void SetReceiveToggle(std::function<bool(bool open)> toggle)
    {
        m_toggleReceive = std::move(toggle);
    }
    bool IsGpsReceiving() const { return m_gps->IsReceiving(); }
    bool IsGpsAvailable() const { return m_gps->IsAvailable(); }
    // Position data exists: the GPS receives or dead reckoning runs. Taken at
    // each timer pass; safe to ask from an instrument thread.
    bool HasPositionData() const { return m_positionData.load(); }

    // The navigation value texts of the status-bar indicators.
    // A GPS receiving or dead reckoning running: not switched off.
    bool HasPositionSource() const;
    std::string CogText() const;
    std::string SogText() const;
    std::string XteIndicatorText() const;
    // The text of a status-bar indicator (NavIndicators.h); empty while no
    // position is available, for an unset value and for any other id.
    std::string IndicatorText(unsigned id) const;
    // Where the cursor points on the active chart, for the vessel-to-cursor
    // indicator; none when the cursor is off the chart or no chart is active.
    void SetCursorPositionSource(std::function<std::optional<geo::CPosition>()> cursor)
    {
        m_cursorPosition = std::move(cursor);
    }

    // The waypoint alarms' sound: the program's alert-sound service, the
    // folder of the sound files, and the frame's "AudioAlerts" switch, read
    // at every refresh so a change in the options applies at once.
    void SetAlertSound(app::CAlertSound* sound, std::filesystem::path audioFolder,
                       std::function<bool()> audioAlertsOn);

    // "Navigator > Go To Vessel": brings the own vessel's position into view
    // on the active chart. `goTo` is the frame's (keeps or picks the chart,
    // centres it); `activeChartLoaded` says whether a chart window is active
    // with its chart loaded.
    void SetGoToPosition(std::function<bool(const geo::CPosition&)> goTo,
                         std::function<bool()> activeChartLoaded)
    {
        m_goToPosition = std::move(goTo);
        m_activeChartLoaded = std::move(activeChartLoaded);
    }
    bool CanGoToVessel() const;
    bool GoToVessel();

    // ---- The vessel log -------------------------------------------------------------------
    CVesselLogbook& Logbook() { return *m_logbook; }
    const CVesselLogbook& Logbook() const { return *m_logbook; }
    using SavePathChooser =
        std::function<std::optional<std::string>(const std::string&, const std::string&)>;
    using NoticeSender = std::function<void(int, const std::string&)>;
    void SetLogServices(platform::CPrompt* prompt, SavePathChooser chooseSavePath,
                        NoticeSender sendNotice);
    // Opens a log (empty: the last one, else a new temporary one); the next
    // tick writes a row and a point at once.
    bool OpenVesselLog(const std::string& path);
    // The workspace's windows restored: the log the settings name (or a new
    // temporary one) opens on the next timer pass, once every module is set;
    // a log still open is kept.
    void ReopenVesselLog()
    {
        if (!m_logbook->IsOpen())
            m_openLogPending = true;
    }
    bool CanStartEndVoyage() const;
    // Why the commands that work from the vessel's position are grey (for the
    // message pane while their menu is open); empty while they can be used.
    std::string WhyNoPosition() const;
    std::string WhyVoyageIsGrey() const;
    bool StartVoyage(const std::string& voyageId, const std::string& watchOfficer);
    bool EndVoyage();
    void SetLogging(bool on);
    // Data Logging: logging flips; switched on with no own vessel yet, the
    // vessel is made at once with its row in the log.
    void ToggleLogging();
    const CLogTrackSettings& TrackSettings() const { return m_trackSettings; }
    void SetTrackSettings(const CLogTrackSettings& settings);
    chart::CPositionFixProperties& FixProperties() { return m_fixProperties; }
    // Every vessel's recorded track on a chart view, with its decorations.
    void DrawTracks(chart::CChartDoc& doc, chart::CXDC& dc);
    // The own vessel's drawn track, oldest first.
    std::vector<geo::CPosition> OwnTrackPositions() const;
    // While logging: the vessel's places since the last track point (that
    // point first), one a tick; the track's line goes on through them to
    // the vessel.
    const std::vector<geo::CPosition>& OwnTrail() const { return m_trail; }
    // The own track's fix whose marker lies under a client point of the chart.
    std::optional<CTrackFix> OwnFixAt(chart::CChartDoc& doc, geo::IntPoint p) const;
    // A drawn track changed (a point, a window read again): views repaint.
    void SetTrackListener(std::function<void()> listener) { m_trackListener = std::move(listener); }
    // A logbook row was written or heard of (the logbook window counts again).
    void SetRowListener(std::function<void(const CLogVessel&)> listener)
    {
        m_rowListener = std::move(listener);
    }
    // The log was opened, closed or copied, or its vessels changed (the
    // logbook window counts again, or follows the own vessel).
    void SetLogListener(std::function<void()> listener) { m_logListener = std::move(listener); }
    // A notice of another station's row (type 5) or point (type 12).
    void ProcessLogNotice(int type, const std::string& payload, const std::string& sender);

private:
    // CPositionSourceHost
    void SetNmeaCaution(bool on) override;
    void SetConfirmationWarning(bool on, std::chrono::seconds expiry) override;
    void LogEvent(const std::string& note, int eventType) override;
    void SetNextFixType(int fixType) override;
    void ForceTrackPoint() override { m_lastTrackPoint.reset(); }
    void SourceChanged(bool deadReckoning) override;
    void AskGpsConfiguration() override;
    geo::CPosition OwnVesselPosition() const override { return m_snapshots.Get()->position; }
    // CMonitorHost
    void SetOffTrackCaution(bool on) override;
    bool IsOffTrackCautionOn() const override { return m_offTrackOn; }
    void LogEvent(const std::string& note) override { LogEvent(note, -1); }

    void CreateVesselLog();
    void TellLog(const std::string& message);
    void PlaceAtRestoredPosition();
    void LoadLogSettings(const app::CRegistry& reg);
    void LoadLogFolderSettings(const app::CRegistry& reg);
    void SaveLogSettings(app::CRegistry& reg, app::CRegistry& log) const;
    CLogTrack* TrackOf(const CLogVessel& vessel) const;
    // Whether `later` is the next append of `earlier`'s own vessel in the same voyage.
    static bool SameVoyage(const CLogVessel& earlier, const CLogVessel& later);
    void TakeTrackResults();

protected:
    void SyncTracks(bool reread = false);

private:
    void RefreshNavigation();
    // Shows the own vessel at a position no fix gave (the user put it there).
    void PlaceOwnVessel(const geo::CPosition& position);
    // The own vessel's position, published without moving the chart object yet.
    void PublishOwnPosition(const geo::CPosition& position);
    void UpdateOwnVessel(bool trackPointDue);
    void OnLogPeriod();
    void OnTrackPeriod();
    void KeepTrail(const CNavSnapshot& snapshot, bool trackPointDue);
    void KeepInView();
    void AutoscrollStep();
    // Whether the autoscroll chart may follow the vessel: a position is
    // available, and NMEA is not lost unless DR is on.
    bool MayFollow() const;
    void FollowWithMonitorWindow();
    void BestChartCheck();
    // Raises (only when `mayRaise`) or clears "Vessel position is not visible.".
    void UpdateNotVisibleWarning(bool mayRaise);
    void ResumeBestChartIfDue();
    using Time = std::chrono::steady_clock::time_point;
    static bool Passed(const std::optional<Time>& last, Time now,
                       std::chrono::steady_clock::duration interval)
    {
        return !last || now - *last > interval;
    }
    // The logging and plot periods: due once the period has run, less half a
    // tick. The ticks come about a second apart, a little early or late, and
    // a row stamped at its tick is due again at the tick a whole period on,
    // not one tick after it.
    static constexpr std::chrono::milliseconds kHalfTick{500};
    static bool PeriodDue(const std::optional<Time>& last, Time now,
                          std::chrono::steady_clock::duration period)
    {
        return !last || now - *last >= period - kHalfTick;
    }

    class CStandInGps;
    class CStandInTarget;

    const platform::CClock& m_clock;
    std::unique_ptr<CStandInGps> m_ownGps;
    CGpsReceiver* m_gps;
    CPositionSource m_source;
    CMonitorModel m_monitor;
    CNavSnapshotHolder m_snapshots;
    bool m_shutDown = false;   // the program is closing: nothing more is logged
    app::CPostedMessageQueue m_panelQueue;
    std::unique_ptr<CStandInTarget> m_ownTarget;
    std::unique_ptr<CReplayTarget> m_replaySwitch;
    CClockPacer m_pacer;
    std::unique_ptr<CSimulationModule> m_simulation;

    app::CMsgBar* m_bar = nullptr;
    app::MsgHandle m_nmeaCaution = nullptr;
    app::MsgHandle m_offTrackCaution = nullptr;
    app::MsgHandle m_confirmationWarning = nullptr;
    app::MsgHandle m_notVisibleWarning = nullptr;
    app::MsgHandle m_logWarning = nullptr;
    bool m_nmeaCautionOn = false;
    bool m_offTrackOn = false;
    bool m_confirmationOn = false;
    int m_confirmationsShown = 0;
    CVesselLog* m_log = nullptr;
    CNavChartHost* m_charts = nullptr;
    // "MonitorWindowOn" read at start: the window follows the vessel again
    // once a position is available.
    bool m_openMonitorWindowPending = false;
    bool m_monitorWindowSetting = false;
    // The window was attached and neither the voyage nor the user has let it
    // go; kept apart from the chart side, which closes its windows before
    // the settings are written at the end.
    bool m_monitorWindowOn = false;
    COwnVesselOverlay* m_overlay = nullptr;
    std::function<void(unsigned)> m_listener;
    std::function<void()> m_askGpsConfiguration;
    std::function<bool(bool)> m_toggleReceive;
    std::function<std::optional<geo::CPosition>()> m_cursorPosition;
    std::function<bool()> m_audioAlertsOn;
    std::function<bool(const geo::CPosition&)> m_goToPosition;
    std::function<bool()> m_activeChartLoaded;
    std::function<bool()> m_bestChartOn;
    std::function<void(bool)> m_setBestChart;

    std::chrono::seconds m_loggingPeriod{std::chrono::minutes(1)};
    std::chrono::seconds m_plotFixFreq{std::chrono::minutes(5)};
    double m_headingIndicator = 1.0;
    std::chrono::seconds m_speedDirectionVector{std::chrono::minutes(5)};
    std::chrono::seconds m_bestChartCheckInterval{10};
    std::chrono::seconds m_bestChartResumeInterval{std::chrono::minutes(5)};
    int m_autoscrollPercentage = 20;
    bool m_bestChartResume = false;
    std::optional<Time> m_lastLogRow, m_lastTrackPoint, m_lastBestChartCheck;
    // The tick that found a row or a point due: a row written for it is stamped with it.
    Time m_logDueTick{}, m_trackDueTick{};
    // Since when best-chart selection has been off as far as resuming goes;
    // none while it is on.
    std::optional<Time> m_bestChartOffSince;
    CAutoscrollRestrictions m_restrictions;
    bool m_holdTick = false;
    bool m_inRefresh = false;
    bool m_positionAvailable = false;
    bool m_nmeaPositionSeen = false;
    std::atomic<bool> m_positionData{false};
    bool m_positionAcquired = false;
    bool m_newData = false;
    std::uint64_t m_cycle = 0;

    std::shared_ptr<CVesselList> m_vessels = std::make_shared<CVesselList>();

    std::unique_ptr<CVesselLogbook> m_logbook;
    // The close's question about a temporary log was answered (saved, or No):
    // the log closes at Terminate without asking again. Any later timer pass
    // means the close did not go ahead.
    bool m_logSaveAnswered = false;
    // The program ends unattended: the log closes without a question, a
    // temporary one with rows left for the next start.
    bool m_keepTemporaryLog = false;
    bool m_openLogPending = false;
    bool m_resumeVoyage = false;   // a voyage was under way when the program last ended
    CLogTrackSettings m_trackSettings;
    chart::CPositionFixProperties m_fixProperties;
    std::vector<std::pair<const CLogVessel*, std::unique_ptr<CLogTrack>>> m_tracks;
    std::function<void()> m_trackListener;
    std::function<void(const CLogVessel&)> m_rowListener;
    std::function<void()> m_logListener;
    std::vector<geo::CPosition> m_trail;
};

}   // namespace navigator

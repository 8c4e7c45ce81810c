#pragma once
// Tender tracking on the user-interface thread: the tenders the parser has
// made (their chart objects join the navigator's list on its pass and are
// handed here; removal and reset take them off it), their reporting state,
// man-overboard flags, warning circles and tracks, the transceiver and the
// simulator. Everything here runs on one thread; the poll and simulation
// threads reach it only through the store (its lock and the records'
// atomics).
//
// Man overboard: MOVB only marks the record; the pass applies the mark to
// the tender's flag. "Reset MOB", "Clear Panic" and removal clear it here,
// and the panic count is the number of tenders whose flag is set, counted,
// never kept apart from the flags.

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chart/overlays/OverlayProperties.h"
#include "platform/Clock.h"
#include "targets/TargetLogRows.h"
#include "targets/TenderDevice.h"
#include "targets/TenderSettings.h"
#include "targets/TenderSimulator.h"
#include "targets/TenderTargetStore.h"

namespace targets {

// One fix of a tender's track; unset numbers hold the largest double.
struct CTenderFix {
    std::chrono::system_clock::time_point utc{};
    CTargetPosition position;
    double course = 0.0;
    double speed = 0.0;
    double depth = 0.0;
};

// What a tender last reported, read together: never half of one RMC and
// half of the next. Each value is there only while it is valid.
struct CTenderReading {
    std::optional<CTargetPosition> position;   // degrees
    std::optional<double> course;
    std::optional<double> speed;
    std::optional<double> depth;   // metres, from metres, feet or fathoms
    // The RMC's time on its date, UTC.
    std::optional<std::chrono::system_clock::time_point> reportUtc;
};

struct CTender {
    std::shared_ptr<CTenderRecord> record;
    // Its chart object on the navigator's list; null for a tender made by hand.
    std::shared_ptr<CTenderVessel> vessel;
    bool reporting = false;
    bool manOverboard = false;
    bool insideCircle = false;
    bool outOfRange = false;
    std::chrono::system_clock::time_point lastReport{};
    std::chrono::system_clock::time_point lastFix{};
    bool hasFix = false;
    std::vector<CTenderFix> track;
    // How this tender is drawn: the module's properties when it came and
    // after each options apply, or its own as its properties page sets them.
    chart::CTargetProperties properties;
    // Its row in the vessel log (0: none, or ended) and when it started (UTC).
    long logRow = 0;
    std::optional<std::chrono::system_clock::time_point> captured;

    int Channel() const { return record->Channel(); }
    // Under the record's report lock: a reader that shows or keeps several
    // values takes them from one reading.
    CTenderReading Read() const;
    // One value each (the position's two halves together).
    std::optional<CTargetPosition> Position() const { return Read().position; }
    std::optional<double> Depth() const { return Read().depth; }
    std::optional<double> Speed() const { return Read().speed; }
    std::optional<double> Course() const { return Read().course; }
    // Where the tender is drawn and measured from: its reported position
    // while that is valid, else where it was last seen. A tender that went
    // silent keeps its place (and its range from the own vessel).
    std::optional<CTargetPosition> Where() const;
    std::optional<CTargetPosition> lastSeen;
};

// What the own vessel offers the pass.
struct COwnSituation {
    std::optional<CTargetPosition> position;
    bool vesselCircle = false;   // the vessel module's circle
    double vesselRadius = 0.5;   // nm
    // The navigation time (UTC); the clock's time when not given.
    std::optional<std::chrono::system_clock::time_point> navigationUtc;
};

// What a pass changed, for the panel, the list window and the messages.
struct CTenderPassResult {
    std::vector<int> added;   // channels of tenders new in the list
    std::vector<int> rowsToWrite;   // channels whose row has new data
    std::vector<int> fixesAdded;
};

class CTenderTracking {
public:
    CTenderTracking(const platform::CClock& clock, nmea::CPortDirectory& ports);
    ~CTenderTracking();
    CTenderTracking(const CTenderTracking&) = delete;
    CTenderTracking& operator=(const CTenderTracking&) = delete;

    CTenderSettings& Settings() { return m_settings; }
    const CTenderSettings& Settings() const { return m_settings; }
    // How tenders are drawn: symbol, texts, track and its position markers.
    chart::CTargetProperties& Properties() { return m_properties; }
    const chart::CTargetProperties& Properties() const { return m_properties; }
    // The module's properties, copied to every tender.
    void SetProperties(const chart::CTargetProperties& properties);
    CTenderTargetStore& Store() { return m_store; }
    // The navigator's list: new tenders join it on the navigator's pass and
    // are handed here. Until set, the store keeps a list of its own.
    void SetVesselList(std::shared_ptr<navigator::CVesselList> vessels);
    CTenderTrackingDevice& Device() { return *m_device; }
    CTenderSimulator& Simulator() { return m_simulator; }
    // The simulation thread ended through a failure (taken on the next
    // pass): the thread is let go and every channel's simulate and panic
    // flags are cleared, so the simulation message goes off.
    void OnSimulationEnded();

    // Tracking on opens the transceiver's port; when it cannot be opened
    // tracking stays off and `reason` says why. A poll thread that fails
    // releases the port and tracking is off from the next pass.
    bool SetActive(bool on, std::string* reason = nullptr);
    bool IsActive() const { return m_active; }
    // What the user is told when tracking is switched on with no channel in
    // use: the transceiver is polled for nothing. Empty when a channel is.
    std::string NothingToPollNotice() const;

    // What the poll and simulation threads left for this thread, taken on
    // every pass whether or not tenders are checked: a thread that failed,
    // tenders that joined the navigator's list, man-overboard marks and where
    // each tender was last seen.
    void TakeThreadNews();
    // Tenders are checked while the simulation runs, or while tracking is on
    // and the transceiver's receive side is open; switched off, they stay as
    // they were: no ageing, no track, no circles.
    bool IsChecking() const;
    // The timer pass: the threads' news taken, then reports dated, silent
    // tenders no longer reporting, track fixes at most once each "Position
    // marker every" span of the tender's properties, circles checked.
    // Nothing while the navigator's hold flag is raised.
    CTenderPassResult OnTimer(const COwnSituation& own);
    bool IsNavigatorHeld() const { return m_store.Vessels().IsHeld(); }
    // Circles and out-of-range checked again (after options change).
    void Recount(const COwnSituation& own);

    const std::vector<CTender>& Tenders() const { return m_tenders; }
    CTender* Find(int channel);
    void SetManOverboard(int channel, bool on);
    // Every flag cleared ("Clear Panic").
    void ClearPanic();
    // Removes the tender: flags and counts go with it, its slot is freed.
    void Remove(int channel);
    void Reset();

    int ManOverboardCount() const;
    int InsideCount() const;
    int OutOfRangeCount() const;

    // The current tender (the panel's selection); -1 none.
    int current = -1;

    // Where tenders get their vessel-log rows; none: no rows.
    void SetLogRows(CTargetLogRows* rows) { m_logRows = rows; }

    // New settings from the options: polling paused while the channel table
    // changes; a tender whose channel is no longer in use is removed; the
    // rest take their channel's name; the poll table, refresh span and
    // simulation follow. Port changes reopen the transceiver while active.
    bool ApplySettings(const CTenderSettings& settings, std::string* reason = nullptr);

    // The simulation of a channel as the options set it. A tender already
    // tracked starts from where it is now, unless the options give a new
    // position (`useChart` off).
    void SetSimulation(int channel, bool simulate, bool manOverboard, bool useChart,
                       const CTargetPosition& position, double course, double speed, double depth);
    // As SetSimulation, without starting or stopping the simulation thread:
    // the options set every channel first and then start or stop it once.
    void SetSimulationValues(int channel, bool simulate, bool manOverboard, bool useChart,
                             const CTargetPosition& position, double course, double speed,
                             double depth);
    // Starts the simulation thread when a channel in use is simulated, else stops it.
    void StartOrStopSimulation();

private:
    void CheckWarnings(CTender& tender, const COwnSituation& own);
    // Moves queued tenders onto the list (the navigator's pass has usually done it).
    void Adopt();
    // A tender's chart object joined the list.
    void OnJoined(const navigator::CVesselList::Entry& vessel);
    // Takes the tender's object off the list; it is destroyed here.
    void Unlist(CTender& tender);
    // Writes the tender's last report time into its vessel-log row, once.
    void EndLogRow(CTender& tender);

    const platform::CClock& m_clock;
    nmea::CPortDirectory& m_ports;
    CTenderSettings m_settings;
    chart::CTargetProperties m_properties;
    CTenderTargetStore m_store;
    std::unique_ptr<CTenderTrackingDevice> m_device;
    CTenderSimulator m_simulator;
    // Set on the simulation thread when it ends through a failure.
    std::atomic<bool> m_simulationFailed{false};
    // Set on the poll thread when it failed and released the receive side.
    std::atomic<bool> m_pollFailed{false};
    bool m_active = false;
    std::vector<CTender> m_tenders;
    std::vector<int> m_joined;   // channels joined since the last pass
    CTargetLogRows* m_logRows = nullptr;
};

}   // namespace targets

#pragma once
// What the navigator needs of modules built elsewhere: the active route and
// its monitoring settings, the vessel log, the chart windows, the own-vessel
// overlay and the autopilot's steering output. The program plugs in the real
// ones as they exist; until then it gives none (every call below has a "not
// present" answer) and the tests give fakes.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "geo/Position.h"
#include "navigator/NavSnapshot.h"

namespace navigator {

struct CRouteMonitoringSettings {
    bool autoWptAdvanceOn = false;
    bool arrivalCircleEntryOn = true;
    double arrivalCircleRadius = 0.1;   // nm
    bool passingPerpendicularOn = false;
    bool limitOfDeviationOn = false;
    double limitOfDeviation = 0.1;   // nm
};

struct CRouteWaypoint {
    geo::CPosition position;
    std::string name;
};

// The active route of the route module.
class CActiveRoute {
public:
    virtual ~CActiveRoute() = default;
    virtual bool HasRoute() const = 0;
    virtual std::string Name() const = 0;
    virtual int WaypointCount() const = 0;
    // 1-based; 0 when the route is empty.
    virtual int ActiveIndex() const = 0;
    virtual CRouteWaypoint Waypoint(int index) const = 0;
    virtual bool SelectWaypoint(int index) = 0;
    virtual CRouteMonitoringSettings Settings() const = 0;
};

// One entry of the active route's passage plan, as the Monitor's Plan card
// shows it: the current's set (degrees true) and drift, the course to steer,
// variation and deviation (degrees, east positive).
struct CPlanEntry {
    double set = 0.0;
    double drift = 0.0;
    double courseToSteer = 0.0;
    double variation = 0.0;
    double deviation = 0.0;
};
// The entry at `index` (from 0) of the active route's plan while that plan
// is calculated and unchanged since; none otherwise or past its end.
using PlanEntrySource = std::function<std::optional<CPlanEntry>(int index)>;

// Logbook event codes (fix and event types of the track records).
inline constexpr int kEventEpfs = 4;
inline constexpr int kEventManual = 11;

// The vessel log: logbook rows, track points and events. With stations
// networked, an implementation locks the shared index before writing a row
// through LockVesselLogIndex (VesselLogLock.h): a bounded number of tries,
// then the row is not written (false) and the user is told why.
class CVesselLog {
public:
    virtual ~CVesselLog() = default;
    virtual bool IsLogging() const = 0;
    // True while a question about the log is open (save it, under what name):
    // the log writes nothing then, but takes events to write once it is answered.
    virtual bool IsHoldingEvents() const { return false; }
    // An event row with its note; eventType < 0 keeps the pending type.
    virtual void LogEvent(const std::string& note, int eventType) = 0;
    // The fix type of the next record.
    virtual void SetNextFixType(int fixType) = 0;
    virtual bool WriteLogRecord(const CNavSnapshot& snapshot) = 0;
    virtual bool WriteTrackPoint(const CNavSnapshot& snapshot) = 0;
    // Writes what an earlier call had to keep (a lock another station
    // held); the navigation cycle calls it on every timer pass.
    virtual void WriteKept() { }
    // The own vessel has its log row (a row or a point written since the
    // log opened or the row last ended), and that vessel's track holds points.
    virtual bool HasOwnRow() const { return false; }
    virtual bool HasOwnTrack() const { return false; }
    // Ends the own vessel's log row at the navigation time.
    virtual void EndOwnRow() { }
};

// The chart side: the autoscroll chart and the best-chart check.
class CNavChartHost {
public:
    virtual ~CNavChartHost() = default;
    // The position in the autoscroll chart's datum; none when there is no
    // such chart or the conversion failed (off the chart's datum area).
    virtual std::optional<geo::CPosition> ConvertToAutoscrollDatum(const geo::CPosition& p) = 0;
    virtual void AutoscrollToPosition(const geo::CPosition& chartPosition) = 0;
    // The periodic step: the autoscroll chart re-centred on the vessel or
    // moved to the chart that should show it, which it then follows.
    virtual void AutoscrollStep(const geo::CPosition& chartPosition) = 0;
    // Runs the best-chart search at the vessel's position (WGS 84; invalid
    // while none is available); false when there is no chart.
    virtual bool BestChartCheck(const geo::CPosition& vessel) = 0;
    virtual bool IsVesselVisible(const geo::CPosition& p) = 0;
    virtual void RedrawViews() = 0;
    // The chart window that follows the vessel (the monitor window): the
    // active chart when its kind can follow, else a chart opened for it,
    // shown at `vessel`; false when no chart could take it.
    virtual bool AttachAutoscrollWindow(const geo::CPosition& vessel) = 0;
    // Closes the following window and brings another chart window forward.
    virtual void ReleaseAutoscrollWindow() = 0;
    virtual bool HasAutoscrollWindow() = 0;
    // The active chart's datum shift of the vessel position: its status (0
    // shifted, 1 not WGS 84, 2 no shift data, 3 chart on WGS 84, 4 no active
    // chart or off it, 5 error) with the chart's kind text.
    virtual int ActiveChartDatumShift(const geo::CPosition& /*vessel*/, std::string& /*kind*/)
    {
        return 4;
    }
    // Takes "Larger scale RNC available for vessel position" off the bar.
    virtual void ClearLargerScaleMessage() { }
};

// The own vessel's symbol on the charts.
class COwnVesselOverlay {
public:
    virtual ~COwnVesselOverlay() = default;
    virtual void SetPosition(const CNavSnapshot& snapshot, bool trackPointDue) = 0;
};

// The record the autopilot's steering sentence (APB) is built from. The
// cross-track error is in the sentence's sense: negative = steer left.
struct CSteeringRecord {
    double crossTrackError = 0.0;
    bool arrivalCircleEntered = false;
    bool perpendicularPassed = false;
    double bearingOriginToDestination = 0.0;
    double bearingToDestination = 0.0;
    std::string waypointId;
};

class CSteeringOutput {
public:
    virtual ~CSteeringOutput() = default;
    virtual bool IsSteeringOn() const = 0;
    virtual void Send(const CSteeringRecord& record) = 0;
};

}   // namespace navigator

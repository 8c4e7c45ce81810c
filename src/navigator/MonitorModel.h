#pragma once
// The monitor panel's rules without its window: navigation values against the
// active route (range, bearing, leg, cross-track error, time to go), the
// off-track test, the waypoint alarms with their list and sound cadence, and
// every text the panel and its cards show. The panel widget only copies the
// texts into its labels and forwards the user's choices back here.
//
// Cross-track error keeps the data model's sense: negative = left of track.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/MsgBar.h"
#include "geo/Position.h"
#include "navigator/NavInterfaces.h"
#include "navigator/NavSnapshot.h"
#include "nmea/NMEADataValue.h"
#include "platform/Clock.h"

namespace navigator {

// The navigation geometry of one refresh; numbers nmea::kNoValue when unset.
struct CNavValues {
    geo::CPosition toWaypoint;
    std::optional<geo::CPosition> fromPoint;
    std::optional<geo::CPosition> nextWaypoint;
    double legLength = nmea::kNoValue;
    double legBearing = nmea::kNoValue;
    double rangeFromFrom = nmea::kNoValue;
    double bearingFromFrom = nmea::kNoValue;
    double range = nmea::kNoValue;
    double bearing = nmea::kNoValue;
    double nextLegLength = nmea::kNoValue;
    double nextLegBearing = nmea::kNoValue;
    double xte = nmea::kNoValue;
    std::optional<long> timeToGoSeconds;
    bool toWaypointValid = false;
};

struct CMonitorTexts {
    std::string tabTitle = "NMEA";
    std::string status = "NMEA inactive";
    std::string latitude, longitude;
    std::string datumShift = "Not applicable";
    bool datumShiftAlert = false;   // no shift data: white on red
    // "Plan" card.
    std::string planSet, planDrift, planCourseToSteer, planVariation, planDeviation;
    std::string routeName, legNumber, waypointNumber;
    // "NMEA" / "DR" card.
    std::string cog, sog, heading, speedThroughWater, depth, date, time;
    // "to Wpt" card; at most one arrow shows.
    std::string bearing, range, legBearing, legLength, xte, timeToGo, eta, nextLegBearing,
        nextLegLength;
    bool leftArrow = false;
    bool rightArrow = false;
    bool nmeaSourceEnabled = false;
    // "Wind" card: two rows of angle, reference, speed, unit.
    std::string windAngle[2], windReference[2], windSpeed[2], windUnit[2];
};

enum class AlarmKind { ArrivalCircle = 0, Perpendicular = 1 };

// The alarm dialog's list and its sound.
class CWaypointAlarmList {
public:
    static constexpr std::chrono::seconds kSoundInterval{15};

    void AddAlarm(int waypointIndex, const std::string& waypointName, AlarmKind kind,
                  const std::string& whenText);
    const std::vector<std::string>& Lines() const { return m_lines; }
    const std::string& SoundName() const { return m_soundName; }
    bool IsOpen() const { return m_open; }
    // OK in the dialog: the list empties and the dialog goes.
    void Close();
    // True when a sound is due now (none within the last 15 s); stamps it.
    bool TakeSoundDue(std::chrono::steady_clock::time_point now);

private:
    std::vector<std::string> m_lines;
    std::string m_soundName;
    bool m_open = false;
    std::optional<std::chrono::steady_clock::time_point> m_lastSound;
};

class CMonitorHost {
public:
    virtual ~CMonitorHost() = default;
    virtual void SetOffTrackCaution(bool on) = 0;
    virtual bool IsOffTrackCautionOn() const = 0;
    virtual void LogEvent(const std::string& note) = 0;
    virtual void ForceTrackPoint() = 0;
};

class CMonitorModel {
public:
    // route and steering may be null (no route module, no autopilot yet).
    CMonitorModel(const platform::CClock& clock, CMonitorHost& host, CActiveRoute* route,
                  CSteeringOutput* steering);

    void SetRoute(CActiveRoute* route) { m_route = route; }
    // Whether the route followed has a waypoint to step to.
    bool RouteHasWaypoints() const
    {
        return m_route != nullptr && m_route->HasRoute() && m_route->WaypointCount() > 0;
    }
    void SetSteering(CSteeringOutput* steering) { m_steering = steering; }
    // Where the autopilot began steering: the first leg runs from there while
    // it steers; none when it stops.
    void SetSteeringReference(const std::optional<geo::CPosition>& position)
    {
        m_keptFromPoint = position;
    }
    // The wind module's store (kValueCount values); without one the wind
    // items are read from the GPS store.
    void SetWindStore(const nmea::CNMEADataValue* wind) { m_wind = wind; }
    void SetAlertSound(app::CAlertSound* sound, std::filesystem::path audioFolder,
                       bool audioAlerts);
    void SetAudioAlerts(bool on) { m_audioAlerts = on; }
    void SetPlanSource(PlanEntrySource plan) { m_plan = std::move(plan); }
    // The active chart's datum-shift status for the position just taken
    // (DatumShiftText); the line follows it.
    void SetDatumShift(int status, const std::string& chartKind);

    // One refresh (message 0x501) after the position source has run.
    // gps: the GPS store, for the "NMEA" to-waypoint source and the wind card.
    void Refresh(const CNavSnapshot& snapshot, const nmea::CNMEADataValue* gps,
                 const std::string& statusLine);

    bool RefreshValues(const CNavSnapshot& snapshot, const nmea::CNMEADataValue* gps);
    bool CheckOffTrack();
    bool CheckWaypointAlarms(bool positionAcquired, bool& arrivalLogged, bool& perpendicularLogged);
    bool AdvanceWaypoint();
    bool NextWaypoint();
    bool PreviousWaypoint(const CNavSnapshot& snapshot);
    void ArmWaypointAlarms();

    // The to-waypoint card's source: false "Calc", true "NMEA" (falls back
    // to "Calc" while NMEA values are not all there).
    void SelectNmeaSource(bool nmea) { m_nmeaSource = nmea; }
    bool IsNmeaSourceSelected() const { return m_nmeaSource; }

    // Source switched off: the panel's texts go empty.
    void ClearDisplay();
    // The position format changed: the position shown is written again in it.
    void ReformatPosition();
    // The active route's name, leg and waypoint numbers, as the route has
    // them now (the route tells of its changes; the cycle refreshes them too).
    void FillRouteTexts();

    // The panel's two records, filled at each refresh; the panel's texts are
    // made from them. Instrument record: the position in its source's datum;
    // numbers COG, SOG, heading, speed through the water, depth (metres);
    // further numbers bearing and range to the waypoint, leg bearing, leg
    // length, cross-track error; entries the two wind rows' angle and speed,
    // with their reference and unit texts; flags wind valid, position valid.
    // Navigation record: positions vessel, to-waypoint, from-point, next
    // waypoint; numbers leg length, leg bearing, range and bearing from the
    // from-point, range and bearing to the waypoint, next-leg length and
    // bearing, cross-track error. Unset numbers are nmea::kNoValue.
    const nmea::CNMEAData& NmeaData() const { return m_nmeaData; }
    const nmea::CNavData& NavData() const { return m_navData; }

    const CNavValues& Values() const { return m_values; }
    const CMonitorTexts& Texts() const { return m_texts; }
    CMonitorTexts& Texts() { return m_texts; }
    CWaypointAlarmList& Alarms() { return m_alarms; }

private:
    void FillTexts(const CNavSnapshot& snapshot, const nmea::CNMEADataValue* gps);
    void StoreNavigationRecords();
    void StoreInstrumentRecord(const CNavSnapshot& snapshot, const nmea::CNMEADataValue* gps);
    void SendSteering(bool arrivalLogged, bool perpendicularLogged, int waypointIndex);
    void FillPlanTexts();
    bool NmeaSourceAvailable(const nmea::CNMEADataValue* gps) const;

    const platform::CClock& m_clock;
    CMonitorHost& m_host;
    CActiveRoute* m_route;
    CSteeringOutput* m_steering;
    const nmea::CNMEADataValue* m_wind = nullptr;
    PlanEntrySource m_plan;
    app::CAlertSound* m_sound = nullptr;
    std::filesystem::path m_audioFolder;
    bool m_audioAlerts = false;

    CNavValues m_values;
    nmea::CNMEAData m_nmeaData;
    nmea::CNavData m_navData;
    CMonitorTexts m_texts;
    CWaypointAlarmList m_alarms;
    bool m_nmeaSource = false;
    std::optional<geo::CPosition> m_keptFromPoint;
    bool m_hadPosition = false;
    geo::CPosition m_vessel;
    // Once-only alarm flags: log and list, per condition, per waypoint.
    bool m_arrivalLogArmed = true, m_arrivalListArmed = true;
    bool m_perpLogArmed = true, m_perpListArmed = true;
};

}   // namespace navigator

#include "navigator/MonitorModel.h"

#include <cmath>
#include <ctime>

#include "app/AlertSounds.h"
#include "app/DateTimeEx.h"
#include "geo/NavMaths.h"
#include "navigator/NavTexts.h"
#include "nmea/NMEAConvert.h"
#include "nmea/NMEAValueIndex.h"

namespace navigator {

namespace item = nmea::item;

namespace {

double GpsDouble(const nmea::CNMEADataValue* gps, int index)
{
    if (gps == nullptr || !gps[index].IsValid())
        return nmea::kNoValue;
    return gps[index].GetDouble();
}

char GpsLetter(const nmea::CNMEADataValue* gps, int index)
{
    if (gps == nullptr || !gps[index].IsValid())
        return 0;
    return static_cast<char>(gps[index].GetInt());
}

// A UTC time point as local date and time text.
std::string LocalDateTimeText(std::chrono::system_clock::time_point utc)
{
    app::CDateTimeEx when;
    when = std::chrono::system_clock::to_time_t(utc);
    return when.FormatDateTime(true, false);
}

std::string NowText(const platform::CClock& clock)
{
    return LocalDateTimeText(clock.UtcNow());
}

}   // namespace

// ---- alarm list ----

void CWaypointAlarmList::AddAlarm(int waypointIndex, const std::string& waypointName,
                                  AlarmKind kind, const std::string& whenText)
{
    m_open = true;
    m_lastSound.reset();   // the next refresh sounds at once
    const bool arrival = kind == AlarmKind::ArrivalCircle;
    m_soundName = std::string(!m_lines.empty() ? app::sounds::kMultipleArrivals
                              : arrival        ? app::sounds::kArrivalCircle
                                               : app::sounds::kPerpendicular);
    m_lines.push_back(
        whenText + "\t" + (arrival ? "Arrival circle entered" : "Perpendicular passed") + "\t" +
        std::to_string(waypointIndex) + "\t" + (waypointName.empty() ? "No name" : waypointName));
}

void CWaypointAlarmList::Close()
{
    m_lines.clear();
    m_open = false;
    m_lastSound.reset();
}

bool CWaypointAlarmList::TakeSoundDue(std::chrono::steady_clock::time_point now)
{
    if (!m_open || (m_lastSound && now - *m_lastSound < kSoundInterval))
        return false;
    m_lastSound = now;
    return true;
}

// ---- model ----

CMonitorModel::CMonitorModel(const platform::CClock& clock, CMonitorHost& host, CActiveRoute* route,
                             CSteeringOutput* steering)
    : m_clock(clock), m_host(host), m_route(route), m_steering(steering)
{ }

void CMonitorModel::SetAlertSound(app::CAlertSound* sound, std::filesystem::path audioFolder,
                                  bool audioAlerts)
{
    m_sound = sound;
    m_audioFolder = std::move(audioFolder);
    m_audioAlerts = audioAlerts;
}

void CMonitorModel::ArmWaypointAlarms()
{
    m_arrivalLogArmed = m_arrivalListArmed = m_perpLogArmed = m_perpListArmed = true;
}

bool CMonitorModel::NmeaSourceAvailable(const nmea::CNMEADataValue* gps) const
{
    if (m_steering != nullptr && m_steering->IsSteeringOn())
        return false;
    const bool bearing = IsSet(GpsDouble(gps, item::BearingToWaypointTrueRhumb)) ||
                         IsSet(GpsDouble(gps, item::BearingToWaypointTrue));
    const bool range = IsSet(GpsDouble(gps, item::DistanceToWaypointRhumb)) ||
                       IsSet(GpsDouble(gps, item::RangeToWaypoint));
    return IsSet(GpsDouble(gps, item::CrossTrackError)) && bearing && range;
}

bool CMonitorModel::RefreshValues(const CNavSnapshot& snapshot, const nmea::CNMEADataValue* gps)
{
    m_navData.Reset();
    m_nmeaData.ResetNumbers();
    m_values = CNavValues{};
    const bool hasPosition = snapshot.positionAvailable && snapshot.position.IsValid();
    m_hadPosition = hasPosition;
    m_vessel = snapshot.position;
    bool ran = false;
    const int n = m_route != nullptr && m_route->HasRoute() ? m_route->WaypointCount() : 0;
    const int i = n > 0 ? m_route->ActiveIndex() : 0;
    if (n > 0 && i >= 1 && i <= n) {
        ran = hasPosition;
        m_values.toWaypoint = m_route->Waypoint(i).position;
        m_values.toWaypointValid = m_values.toWaypoint.IsValid();
        const geo::CPosition& vessel = snapshot.position;
        if (i > 1) {
            m_values.fromPoint = m_route->Waypoint(i - 1).position;
        } else if (m_steering != nullptr && m_steering->IsSteeringOn() && m_keptFromPoint) {
            m_values.fromPoint = m_keptFromPoint;
        } else if (hasPosition) {
            m_values.fromPoint = vessel;
        }
        if (hasPosition)
            geo::RhumbRangeBearing(vessel, m_values.toWaypoint, &m_values.range, &m_values.bearing,
                                   true);
        if (m_values.fromPoint) {
            geo::RhumbRangeBearing(*m_values.fromPoint, m_values.toWaypoint, &m_values.legLength,
                                   &m_values.legBearing, true);
            if (hasPosition) {
                geo::RhumbRangeBearing(*m_values.fromPoint, vessel, &m_values.rangeFromFrom,
                                       &m_values.bearingFromFrom, true);
                // Negative = left of track: the waypoint bears to the right of the leg.
                m_values.xte = m_values.range *
                               std::sin(geo::DegToRad(m_values.legBearing - m_values.bearing));
            }
        }
        if (hasPosition && IsSet(snapshot.sog) && snapshot.sog >= 0.1)
            m_values.timeToGoSeconds = static_cast<long>(m_values.range / snapshot.sog * 3600.0);
        if (i < n) {
            m_values.nextWaypoint = m_route->Waypoint(i + 1).position;
            geo::RhumbRangeBearing(m_values.toWaypoint, *m_values.nextWaypoint,
                                   &m_values.nextLegLength, &m_values.nextLegBearing, true);
        }
    }
    if (m_nmeaSource && !NmeaSourceAvailable(gps))
        m_nmeaSource = false;
    if (m_nmeaSource) {
        const double b84 = GpsDouble(gps, item::BearingToWaypointTrueRhumb);
        m_values.bearing = IsSet(b84) ? b84 : GpsDouble(gps, item::BearingToWaypointTrue);
        const double r88 = GpsDouble(gps, item::DistanceToWaypointRhumb);
        m_values.range = IsSet(r88) ? r88 : GpsDouble(gps, item::RangeToWaypoint);
        m_values.legBearing = GpsDouble(gps, item::BearingOriginToDestinationTrue);
        m_values.legLength = nmea::kNoValue;
        // The instrument's sign is "steer left" negative: the opposite of ours.
        const double xte = GpsDouble(gps, item::CrossTrackError);
        m_values.xte = IsSet(xte) ? -xte : nmea::kNoValue;
        m_values.timeToGoSeconds.reset();
        const double ttg = GpsDouble(gps, item::TimeToGo);
        if (IsSet(ttg)) {
            const nmea::CNMEATimeOfDay t = nmea::NmeaTimeToHMS(ttg);
            m_values.timeToGoSeconds =
                ((t.dayCarry * 24L + t.hours) * 60L + t.minutes) * 60L + t.seconds;
        }
    }
    StoreNavigationRecords();
    return ran;
}

void CMonitorModel::StoreNavigationRecords()
{
    const CNavValues& v = m_values;
    if (m_hadPosition)
        m_navData.positions[0] = m_vessel;
    if (v.toWaypointValid)
        m_navData.positions[1] = v.toWaypoint;
    if (v.fromPoint)
        m_navData.positions[2] = *v.fromPoint;
    if (v.nextWaypoint)
        m_navData.positions[3] = *v.nextWaypoint;
    m_navData.numbers = {v.legLength,       v.legBearing,     v.rangeFromFrom,
                         v.bearingFromFrom, v.range,          v.bearing,
                         v.nextLegLength,   v.nextLegBearing, v.xte};
    m_nmeaData.furtherNumbers = {v.bearing, v.range, v.legBearing, v.legLength, v.xte};
}

void CMonitorModel::StoreInstrumentRecord(const CNavSnapshot& snapshot,
                                          const nmea::CNMEADataValue* gps)
{
    nmea::CNMEAData& d = m_nmeaData;
    const bool has = snapshot.positionAvailable;
    if (snapshot.positionAcquired && snapshot.position.IsValid())
        d.position = snapshot.position;
    d.flags[1] = has && d.position.IsValid() ? 1 : 0;
    d.numbers = {has ? snapshot.cog : nmea::kNoValue, has ? snapshot.sog : nmea::kNoValue,
                 has ? snapshot.heading : nmea::kNoValue,
                 has ? snapshot.speedThroughWater : nmea::kNoValue, snapshot.depthMetres};

    // Wind: only while the last wind sentence said "A".
    const nmea::CNMEADataValue* windStore = m_wind != nullptr ? m_wind : gps;
    const bool wind = GpsLetter(windStore, item::WindStatus) == 'A';
    d.flags[0] = wind ? 1 : 0;
    const int angleItems[2] = {item::WindAngle, item::WindDirectionMagnetic};
    const int referenceItems[2] = {item::WindReference, item::WindDirectionMagneticUnit};
    const int speedItems[2] = {item::WindSpeed, item::WindSpeedMs};
    const int unitItems[2] = {item::WindSpeedUnit, item::WindSpeedMsUnit};
    for (std::size_t row = 0; row < 2; ++row) {
        d.entries[row].first = wind ? GpsDouble(windStore, angleItems[row]) : nmea::kNoValue;
        d.entries[row].second = wind ? GpsDouble(windStore, speedItems[row]) : nmea::kNoValue;
        d.firstTexts[row] =
            wind ? WindReferenceText(GpsLetter(windStore, referenceItems[row])) : std::string();
        d.secondTexts[row] =
            wind ? WindUnitText(GpsLetter(windStore, unitItems[row])) : std::string();
    }
}

bool CMonitorModel::CheckOffTrack()
{
    const CRouteMonitoringSettings s =
        m_route != nullptr ? m_route->Settings() : CRouteMonitoringSettings{};
    const bool outside =
        s.limitOfDeviationOn && IsSet(m_values.xte) && std::fabs(m_values.xte) > s.limitOfDeviation;
    if (outside == m_host.IsOffTrackCautionOn())
        return outside;
    m_host.LogEvent(outside ? "Vessel outside off-track limit for the active route"
                            : "Vessel inside off-track limit for the active route");
    m_host.SetOffTrackCaution(outside);
    return outside;
}

bool CMonitorModel::CheckWaypointAlarms(bool positionAcquired, bool& arrivalLogged,
                                        bool& perpendicularLogged)
{
    arrivalLogged = perpendicularLogged = false;
    if (!positionAcquired || m_route == nullptr || !m_route->HasRoute() || !m_hadPosition)
        return false;
    const CRouteMonitoringSettings s = m_route->Settings();
    const bool arrival =
        s.arrivalCircleEntryOn && IsSet(m_values.range) && m_values.range <= s.arrivalCircleRadius;
    bool passed = false;
    if (s.passingPerpendicularOn && m_values.fromPoint && IsSet(m_values.legBearing) &&
        m_values.toWaypointValid) {
        geo::CPosition a, b;
        geo::PositionAtRangeBearing(m_values.toWaypoint, 1.0,
                                    geo::AddAngles(m_values.legBearing, 180.0), &a);
        geo::PositionAtRangeBearing(m_values.toWaypoint, 1.0, m_values.legBearing, &b);
        // Rhumb ranges from the vessel; the vessel is on or past the line
        // through the waypoint square to the leg when B is no farther than A.
        double ra = 0, rb = 0, unused = 0;
        geo::RhumbRangeBearing(m_vessel, a, &ra, &unused, true);
        geo::RhumbRangeBearing(m_vessel, b, &rb, &unused, true);
        passed = rb <= ra;
    }
    if ((!arrival && !passed) || !m_values.toWaypointValid)
        return false;

    const int index = m_route->ActiveIndex();
    const std::string name = m_route->Waypoint(index).name;
    const bool arrivalAlarm = arrival && m_arrivalListArmed;
    const bool passAlarm = passed && m_perpListArmed;
    const std::string when = NowText(m_clock);
    auto logAlarm = [&](AlarmKind kind) {
        m_host.LogEvent(std::string(kind == AlarmKind::ArrivalCircle ? "Arrival circle entered"
                                                                     : "Perpendicular passed") +
                        " - Wpt " + std::to_string(index) + " - " +
                        (name.empty() ? "No name" : name));
    };
    if (arrivalAlarm) {
        if (m_arrivalLogArmed) {
            arrivalLogged = true;
            logAlarm(AlarmKind::ArrivalCircle);
            m_arrivalLogArmed = false;
        }
        m_alarms.AddAlarm(index, name, AlarmKind::ArrivalCircle, when);
        m_arrivalListArmed = false;
    }
    if (passAlarm) {
        if (m_perpLogArmed) {
            perpendicularLogged = true;
            logAlarm(AlarmKind::Perpendicular);
            m_perpLogArmed = false;
        }
        m_alarms.AddAlarm(index, name, AlarmKind::Perpendicular, when);
        m_perpListArmed = false;
    }
    if (s.autoWptAdvanceOn)
        return AdvanceWaypoint();
    return false;
}

bool CMonitorModel::AdvanceWaypoint()
{
    if (m_route == nullptr || m_route->ActiveIndex() >= m_route->WaypointCount())
        return false;
    if (!NextWaypoint())
        return false;
    m_host.ForceTrackPoint();
    return true;
}

bool CMonitorModel::NextWaypoint()
{
    if (m_route == nullptr || m_route->WaypointCount() == 0 ||
        m_route->ActiveIndex() >= m_route->WaypointCount())
        return false;
    if (!m_route->SelectWaypoint(m_route->ActiveIndex() + 1))
        return false;
    ArmWaypointAlarms();
    FillRouteTexts();
    return true;
}

bool CMonitorModel::PreviousWaypoint(const CNavSnapshot& snapshot)
{
    if (m_route == nullptr || m_route->WaypointCount() == 0 || m_route->ActiveIndex() <= 1)
        return false;
    if (!m_route->SelectWaypoint(m_route->ActiveIndex() - 1))
        return false;
    ArmWaypointAlarms();
    if (m_steering != nullptr && m_steering->IsSteeringOn() && m_route->ActiveIndex() == 1)
        m_keptFromPoint = snapshot.position;
    FillRouteTexts();
    return true;
}

void CMonitorModel::Refresh(const CNavSnapshot& snapshot, const nmea::CNMEADataValue* gps,
                            const std::string& statusLine)
{
    bool reported = RefreshValues(snapshot, gps);
    FillTexts(snapshot, gps);
    CheckOffTrack();
    bool arrivalLogged = false, perpendicularLogged = false;
    const bool steering = m_steering != nullptr && m_steering->IsSteeringOn();
    const int reached = m_route != nullptr ? m_route->ActiveIndex() : 0;
    if (CheckWaypointAlarms(snapshot.positionAcquired, arrivalLogged, perpendicularLogged)) {
        // The waypoint advanced. The autopilot hears of the arrival or the
        // passed perpendicular with the waypoint it concerns, then steers for
        // the next one; the panel takes the new leg at once.
        if (steering && reported && snapshot.positionAcquired &&
            (arrivalLogged || perpendicularLogged))
            SendSteering(arrivalLogged, perpendicularLogged, reached);
        arrivalLogged = perpendicularLogged = false;
        reported = RefreshValues(snapshot, gps);
        FillTexts(snapshot, gps);
    }
    if (steering && reported && snapshot.positionAcquired)
        SendSteering(arrivalLogged, perpendicularLogged,
                     m_route != nullptr ? m_route->ActiveIndex() : 0);
    if (m_audioAlerts && m_alarms.TakeSoundDue(m_clock.Monotonic()) && m_sound != nullptr) {
        if (!m_sound->Play(app::sounds::WaveFile(m_audioFolder, m_alarms.SoundName())))
            m_sound->Beep();
    }
    if (snapshot.positionAcquired)
        m_texts.status = statusLine;
    FillRouteTexts();
}

// The steering sentence's cross-track error steers: a vessel left of track
// (our negative) must steer right, the sentence's positive.
void CMonitorModel::SendSteering(bool arrivalLogged, bool perpendicularLogged, int waypointIndex)
{
    CSteeringRecord record;
    record.crossTrackError = IsSet(m_values.xte) ? -m_values.xte : 0.0;
    record.arrivalCircleEntered = arrivalLogged;
    record.perpendicularPassed = perpendicularLogged;
    record.bearingOriginToDestination = IsSet(m_values.legBearing) ? m_values.legBearing : 0.0;
    record.bearingToDestination = IsSet(m_values.bearing) ? m_values.bearing : 0.0;
    record.waypointId = std::to_string(waypointIndex);
    m_steering->Send(record);
}

void CMonitorModel::FillRouteTexts()
{
    if (m_route == nullptr || !m_route->HasRoute()) {
        m_texts.routeName.clear();
        m_texts.legNumber.clear();
        m_texts.waypointNumber.clear();
        return;
    }
    std::string name = m_route->Name();
    const auto first = name.find_first_not_of(' ');
    const auto last = name.find_last_not_of(' ');
    m_texts.routeName =
        first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
    const int i = m_route->ActiveIndex();
    m_texts.waypointNumber = i > 0 ? std::to_string(i) : std::string();
    m_texts.legNumber = i > 1 ? std::to_string(i - 1) : std::string();
    FillPlanTexts();
}

// The plan's entry for the leg that ends at the active waypoint; while the
// first waypoint is active, the entry after the last leg.
void CMonitorModel::FillPlanTexts()
{
    CMonitorTexts& t = m_texts;
    std::optional<CPlanEntry> entry;
    if (m_plan && m_route != nullptr && m_route->HasRoute()) {
        const int i = m_route->ActiveIndex();
        const int index = i == 1 ? m_route->WaypointCount() - 1 : i - 2;
        if (i > 0 && index >= 0)
            entry = m_plan(index);
    }
    t.planSet = entry ? FormatPlanValue(entry->set) : std::string();
    t.planDrift = entry ? FormatPlanValue(entry->drift) : std::string();
    t.planCourseToSteer = entry ? FormatPlanValue(entry->courseToSteer) : std::string();
    t.planVariation = entry ? FormatPlanEastWest(entry->variation) : std::string();
    t.planDeviation = entry ? FormatPlanEastWest(entry->deviation) : std::string();
}

void CMonitorModel::SetDatumShift(int status, const std::string& chartKind)
{
    m_texts.datumShift = DatumShiftText(status, chartKind);
    m_texts.datumShiftAlert = status == 2;
}

void CMonitorModel::FillTexts(const CNavSnapshot& snapshot, const nmea::CNMEADataValue* gps)
{
    StoreInstrumentRecord(snapshot, gps);
    const nmea::CNMEAData& d = m_nmeaData;
    CMonitorTexts& t = m_texts;
    t.tabTitle = snapshot.source == PositionSourceKind::DR ? "DR" : "NMEA";
    const bool has = snapshot.positionAvailable;
    if (snapshot.positionAcquired && snapshot.position.IsValid()) {
        t.latitude = d.position.FormatLatitude();
        t.longitude = d.position.FormatLongitude();
    }
    t.cog = has ? FormatCourseText(d.numbers[0]) : std::string();
    t.sog = has ? FormatSpeedText(d.numbers[1]) : std::string();
    t.heading = has ? FormatCourseText(d.numbers[2]) : std::string();
    t.speedThroughWater = has ? FormatSpeedText(d.numbers[3]) : std::string();
    t.depth = FormatDepthText(d.numbers[4]);
    if (has && snapshot.fixTimeUtc) {
        const auto days = std::chrono::floor<std::chrono::days>(*snapshot.fixTimeUtc);
        const std::chrono::year_month_day ymd{days};
        const std::chrono::hh_mm_ss hms{
            std::chrono::floor<std::chrono::seconds>(*snapshot.fixTimeUtc - days)};
        const app::CDateTimeEx when(
            static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day())),
            static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()),
            static_cast<int>(hms.seconds().count()));
        t.date = when.FormatDate(true);
        t.time = when.FormatTime(false);
    } else if (has && snapshot.fixTimeOfDayUtc) {
        // A fix without a date: its time, the date as it last stood.
        const std::chrono::hh_mm_ss hms{*snapshot.fixTimeOfDayUtc % std::chrono::days(1)};
        t.time = app::CDateTimeEx(2000, 1, 1, static_cast<int>(hms.hours().count()),
                                  static_cast<int>(hms.minutes().count()),
                                  static_cast<int>(hms.seconds().count()))
                     .FormatTime(false);
    } else if (!has) {
        t.date.clear();
        t.time.clear();
    }

    const CNavValues& v = m_values;
    const bool route = has || m_nmeaSource;
    const double bearing = d.furtherNumbers[0], range = d.furtherNumbers[1],
                 legBearing = d.furtherNumbers[2], legLength = d.furtherNumbers[3],
                 xte = d.furtherNumbers[4];
    t.bearing = route ? FormatBearing3(bearing) : std::string();
    t.range = route ? FormatIndicatorDistance(range) : std::string();
    t.legBearing = route ? FormatBearing3(legBearing) : std::string();
    t.legLength = route ? FormatIndicatorDistance(legLength) : std::string();
    t.nextLegBearing = route ? FormatBearing3(m_navData.numbers[7]) : std::string();
    t.nextLegLength = route ? FormatIndicatorDistance(m_navData.numbers[6]) : std::string();
    t.xte = route ? FormatXteText(xte) : std::string();
    t.leftArrow = !t.xte.empty() && xte < 0;
    t.rightArrow = !t.xte.empty() && xte > 0;
    t.timeToGo = route ? FormatTimeToGo(v.timeToGoSeconds) : std::string();
    t.eta.clear();
    // Counted from the navigation time: the instrument's while its fix is
    // current (a replay's), the computer's once the fix's time is only carried on.
    if (route && v.timeToGoSeconds)
        t.eta = LocalDateTimeText(NavigationUtc(&snapshot, m_clock.UtcNow()) +
                                  std::chrono::seconds(*v.timeToGoSeconds));
    t.nmeaSourceEnabled = NmeaSourceAvailable(gps);

    for (std::size_t row = 0; row < 2; ++row) {
        const bool wind = d.flags[0] != 0;
        t.windAngle[row] = wind ? FormatWindAngle(d.entries[row].first) : std::string();
        t.windReference[row] = d.firstTexts[row];
        const double speed = d.entries[row].second;
        t.windSpeed[row] = wind && IsSet(speed) ? FormatSpeedText(speed) : std::string();
        t.windUnit[row] = d.secondTexts[row];
    }
}

void CMonitorModel::ReformatPosition()
{
    if (m_texts.latitude.empty())
        return;   // no position shown
    m_texts.latitude = m_nmeaData.position.FormatLatitude();
    m_texts.longitude = m_nmeaData.position.FormatLongitude();
}

void CMonitorModel::ClearDisplay()
{
    // The values go with the texts: the status bar reads them (the XTE pane).
    m_values = CNavValues{};
    m_navData.Reset();
    m_nmeaData.Reset();
    CMonitorTexts cleared;
    cleared.status.clear();
    cleared.tabTitle = m_texts.tabTitle;
    m_texts = cleared;
}

}   // namespace navigator

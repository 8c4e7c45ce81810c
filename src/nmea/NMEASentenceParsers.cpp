// The instrument sentence parsers: one per sentence of the dispatcher's table
// that has one, each splitting its fields and copying them into the value
// store of the module that owns the sentence.
//
// A parser checks every field it would store before it stores any: a value
// out of range, a letter that is not one of the letters its field allows, or
// a field the splitter found garbled refuses the whole sentence, so the store
// keeps the previous values rather than a mix of old and half-read new ones.

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "nmea/FieldSplit.h"
#include "nmea/NMEAMessage.h"
#include "nmea/NMEASentenceTable.h"

namespace nmea {
namespace {

// True for a day that the calendar has (no 31 February, 29 February only in leap years).
bool DateExists(int day, int month, int year)
{
    if (month < 1 || month > 12 || day < 1)
        return false;
    const std::chrono::year_month_day date{std::chrono::year{year},
                                           std::chrono::month{static_cast<unsigned>(month)},
                                           std::chrono::day{static_cast<unsigned>(day)}};
    return date.ok();
}

// The checks of one sentence's fields. The parser runs every check first and
// writes (through a CNMEAMessage::CWriter) only once Accept says yes.
class CChecks {
public:
    explicit CChecks(CNMEAMessage& message) : m_message(message) { }

    void Refuse() { m_refused = true; }

    // True when no check refused the sentence and the splitter found no
    // garbled field; otherwise refuses the message.
    bool Accept()
    {
        if (m_refused || !m_message.IsValid()) {
            m_message.Refuse();
            return false;
        }
        return true;
    }

    // Field checks: each answers the value to store, or nothing when the
    // field is absent, and refuses the sentence when it is present but wrong.

    // Signed ddmm.mmm, north negative; needs both the number and the letter.
    CFieldNumber Latitude(CFieldNumber v, std::optional<char> hemisphere)
    {
        if (!v || !hemisphere)
            return std::nullopt;
        if ((*hemisphere != 'N' && *hemisphere != 'S') || !DegMinInRange(*v, 90))
            return Bad();
        return *hemisphere == 'N' ? -*v : *v;
    }
    // Signed dddmm.mmm, east negative.
    CFieldNumber Longitude(CFieldNumber v, std::optional<char> hemisphere)
    {
        if (!v || !hemisphere)
            return std::nullopt;
        if ((*hemisphere != 'E' && *hemisphere != 'W') || !DegMinInRange(*v, 180))
            return Bad();
        return *hemisphere == 'E' ? -*v : *v;
    }
    // A UTC time hhmmss.ss (a leap second allowed).
    CFieldNumber Time(CFieldNumber v)
    {
        if (!v)
            return std::nullopt;
        if (*v < 0 || *v >= 240000)
            return Bad();
        const auto hhmm = static_cast<std::int32_t>(*v) / 100;
        const double seconds = *v - hhmm * 100.0;
        if (hhmm % 100 >= 60 || seconds >= 61)
            return Bad();
        return v;
    }
    // A span hhmmss.ss whose hours may run past a day (time to go).
    CFieldNumber Span(CFieldNumber v)
    {
        if (!v)
            return std::nullopt;
        if (*v < 0 || *v >= 1e9)
            return Bad();
        const auto hhmm = static_cast<std::int32_t>(*v) / 100;
        const double seconds = *v - hhmm * 100.0;
        if (hhmm % 100 >= 60 || seconds >= 60)
            return Bad();
        return v;
    }
    // A date ddmmyy that exists (two-digit years below 70 are 20yy).
    CFieldNumber Date(CFieldNumber v)
    {
        if (!v)
            return std::nullopt;
        if (*v < 0 || *v >= 1e6 || *v != std::floor(*v))
            return Bad();
        const auto whole = static_cast<int>(*v);
        const int yy = whole % 100;
        if (!DateExists(whole / 10000, whole / 100 % 100, yy < 70 ? 2000 + yy : 1900 + yy))
            return Bad();
        return v;
    }
    // A letter that must be one of `allowed` when present.
    std::optional<char> Letter(std::optional<char> letter, std::string_view allowed)
    {
        // A loop, not find(): the lists are a few letters long, and find
        // calls the library's memchr for them.
        if (letter &&
            std::none_of(allowed.begin(), allowed.end(), [&](char c) { return c == *letter; })) {
            Refuse();
            return std::nullopt;
        }
        return letter;
    }
    // A bearing, heading or angle in degrees.
    CFieldNumber Angle(CFieldNumber v)
    {
        if (!v)
            return std::nullopt;
        if (*v < 0 || *v > 360)
            return Bad();
        return v;
    }
    // A heading or course: 359.5 and more is stored as 0.
    CFieldNumber Course(CFieldNumber v)
    {
        v = Angle(v);
        if (v && *v >= 359.5)
            return 0.0;
        return v;
    }
    // Speeds, distances, depths, ranges.
    CFieldNumber NonNegative(CFieldNumber v)
    {
        if (!v)
            return std::nullopt;
        if (*v < 0)
            return Bad();
        return v;
    }
    // Magnetic variation, west negative.
    CFieldNumber Variation(CFieldNumber v, std::optional<char> direction)
    {
        if (!v || !direction)
            return std::nullopt;
        if ((*direction != 'E' && *direction != 'W') || *v < 0 || *v > 180)
            return Bad();
        return *direction == 'W' ? -*v : *v;
    }
    // Cross-track error, negative when the steer letter is "L".
    CFieldNumber CrossTrack(CFieldNumber v, std::optional<char> steer)
    {
        if (!v || !steer)
            return std::nullopt;
        if ((*steer != 'L' && *steer != 'R') || *v < 0)
            return Bad();
        return *steer == 'L' ? -*v : *v;
    }
    // A datum offset in minutes with its hemisphere letter, north or east
    // negative. The direction is the letter's alone: a signed magnitude is refused.
    CFieldNumber Offset(CFieldNumber v, std::optional<char> letter, char negative, char positive)
    {
        if (!v || !letter)
            return std::nullopt;
        if ((*letter != negative && *letter != positive) || *v < 0 || std::signbit(*v))
            return Bad();
        return *letter == negative ? -*v : *v;
    }
    std::optional<std::int32_t> IntRange(std::optional<std::int32_t> v, int lo, int hi)
    {
        if (!v)
            return std::nullopt;
        if (*v < lo || *v > hi) {
            Refuse();
            return std::nullopt;
        }
        return v;
    }

private:
    CFieldNumber Bad()
    {
        Refuse();
        return std::nullopt;
    }
    // Whole degrees up to the bound and minutes below 60. In that range the
    // whole hundreds of the integer part are the degrees (no division).
    static bool DegMinInRange(double v, int maxDegrees)
    {
        if (!(v >= 0 && v <= maxDegrees * 100.0))
            return false;
        const auto degrees = static_cast<std::int32_t>(v) / 100;
        return v - degrees * 100.0 < 60;
    }

    CNMEAMessage& m_message;
    bool m_refused = false;
};

using CWriter = CNMEAMessage::CWriter;

// A number that needs its letter (unit, reference) present beside it.
CFieldNumber With(CFieldNumber v, std::optional<char> letter)
{
    return letter ? v : std::nullopt;
}

// A value and the letter that came with it: the letter is stored only when
// the value is.
void DoubleAndLetter(CWriter& w, int valueItem, int letterItem, CFieldNumber v,
                     std::optional<char> letter)
{
    w.Double(valueItem, v);
    w.Code(letterItem, v ? letter : std::nullopt);
}

void ParseDBT(CNMEAMessage& m)
{
    CChecks c(m);
    const auto feet = c.NonNegative(With(m.Number(1), m.Char(1)));
    const auto metres = c.NonNegative(With(m.Number(2), m.Char(2)));
    const auto fathoms = c.NonNegative(With(m.Number(3), m.Char(3)));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::DepthFeet, feet);
    w.Double(item::DepthMetres, metres);
    w.Double(item::DepthFathoms, fathoms);
}

void ParseHDM(CNMEAMessage& m)
{
    CChecks c(m);
    const auto heading = c.Course(With(m.Number(1), m.Char(1)));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::HeadingMagnetic, heading);
}

void ParseMWD(CNMEAMessage& m)
{
    CChecks c(m);
    const auto direction = c.Angle(With(m.Number(1), m.Char(1)));
    const auto magnetic = c.Angle(With(m.Number(2), m.Char(2)));
    const auto knots = c.NonNegative(With(m.Number(3), m.Char(3)));
    const auto metresPerSecond = c.NonNegative(With(m.Number(4), m.Char(4)));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::Wind);
    DoubleAndLetter(w, item::WindAngle, item::WindReference, direction, m.Char(1));
    DoubleAndLetter(w, item::WindDirectionMagnetic, item::WindDirectionMagneticUnit, magnetic,
                    m.Char(2));
    DoubleAndLetter(w, item::WindSpeed, item::WindSpeedUnit, knots, m.Char(3));
    DoubleAndLetter(w, item::WindSpeedMs, item::WindSpeedMsUnit, metresPerSecond, m.Char(4));
    // The sentence carries no status of its own; readers of the wind store
    // look at item 15, so it reads as good.
    w.Code(item::WindStatus, 'A');
}

void ParseMWV(CNMEAMessage& m)
{
    CChecks c(m);
    // Relative or true wind; speed in km/h, m/s, knots or statute mph.
    const auto reference = c.Letter(m.Char(1), "RT");
    const auto unit = c.Letter(m.Char(2), "KMNS");
    const auto angle = c.Angle(With(m.Number(1), reference));
    const auto speed = c.NonNegative(With(m.Number(2), unit));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::Wind);
    DoubleAndLetter(w, item::WindAngle, item::WindReference, angle, reference);
    DoubleAndLetter(w, item::WindSpeed, item::WindSpeedUnit, speed, unit);
    w.Code(item::WindStatus, m.Char(3));
}

// VHW and VTG share a layout: a true and a magnetic direction, then the
// speed in knots and in km/h, each followed by its letter (T, M, N, K).
void ParseDirectionsAndSpeeds(CNMEAMessage& m, int trueItem, int magneticItem, int knotsItem,
                              int kmhItem)
{
    CChecks c(m);
    const auto trueDirection = c.Course(With(m.Number(1), c.Letter(m.Char(1), "T")));
    const auto magnetic = c.Course(With(m.Number(2), c.Letter(m.Char(2), "M")));
    const auto knots = c.NonNegative(With(m.Number(3), c.Letter(m.Char(3), "N")));
    const auto kmh = c.NonNegative(With(m.Number(4), c.Letter(m.Char(4), "K")));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(trueItem, trueDirection);
    w.Double(magneticItem, magnetic);
    w.Double(knotsItem, knots);
    w.Double(kmhItem, kmh);
}

void ParseVHW(CNMEAMessage& m)
{
    ParseDirectionsAndSpeeds(m, item::HeadingTrue, item::HeadingMagnetic,
                             item::SpeedThroughWaterKnots, item::SpeedThroughWaterKmh);
}

void ParseVTG(CNMEAMessage& m)
{
    ParseDirectionsAndSpeeds(m, item::CourseOverGroundTrue, item::CourseOverGroundMagnetic,
                             item::SpeedOverGroundKnots, item::SpeedOverGroundKmh);
}

// BOD and BWW: two bearings, true and magnetic; the waypoint ids are not kept.
void ParseBearingPair(CNMEAMessage& m, int trueItem, int magneticItem)
{
    CChecks c(m);
    const auto trueBearing = c.Angle(With(m.Number(1), c.Letter(m.Char(1), "T")));
    const auto magnetic = c.Angle(With(m.Number(2), c.Letter(m.Char(2), "M")));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(trueItem, trueBearing);
    w.Double(magneticItem, magnetic);
}

void ParseBOD(CNMEAMessage& m)
{
    ParseBearingPair(m, item::BearingOriginToDestinationTrue,
                     item::BearingOriginToDestinationMagnetic);
}

void ParseBWW(CNMEAMessage& m)
{
    ParseBearingPair(m, item::BearingWaypointToWaypointTrue,
                     item::BearingWaypointToWaypointMagnetic);
}

// BEC, BER, BWC and BWR: time, waypoint position, two bearings and a distance.
void ParseWaypointBearing(CNMEAMessage& m, int trueItem, int magneticItem, int distanceItem)
{
    CChecks c(m);
    const auto time = c.Time(m.Number(1));
    const auto latitude = c.Latitude(m.Number(2), m.Char(1));
    const auto longitude = c.Longitude(m.Number(3), m.Char(2));
    const auto trueBearing = c.Angle(With(m.Number(4), m.Char(3)));
    const auto magnetic = c.Angle(With(m.Number(5), m.Char(4)));
    const auto distance = c.NonNegative(With(m.Number(6), m.Char(5)));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::WaypointTime, time);
    w.Double(item::WaypointLatitude, latitude);
    w.Double(item::WaypointLongitude, longitude);
    w.Double(trueItem, trueBearing);
    w.Double(magneticItem, magnetic);
    w.Double(distanceItem, distance);
}

void ParseBEC(CNMEAMessage& m)
{
    ParseWaypointBearing(m, item::BearingToWaypointTrueDeadReckoning,
                         item::BearingToWaypointMagneticDeadReckoning,
                         item::DistanceToWaypointDeadReckoning);
}

void ParseBER(CNMEAMessage& m)
{
    ParseWaypointBearing(m, item::BearingToWaypointTrue, item::BearingToWaypointMagnetic,
                         item::RangeToWaypoint);
}

void ParseBWC(CNMEAMessage& m)
{
    ParseWaypointBearing(m, item::BearingToWaypointTrueGreatCircle,
                         item::BearingToWaypointMagneticGreatCircle,
                         item::DistanceToWaypointGreatCircle);
}

void ParseBWR(CNMEAMessage& m)
{
    ParseWaypointBearing(m, item::BearingToWaypointTrueRhumb, item::BearingToWaypointMagneticRhumb,
                         item::DistanceToWaypointRhumb);
}

// GDP and GLP: a Loran or Decca position fix.
void ParseGDP(CNMEAMessage& m)
{
    CChecks c(m);
    const auto time = c.Time(m.Number(1));
    const auto latitude = c.Latitude(m.Number(2), m.Char(1));
    const auto longitude = c.Longitude(m.Number(3), m.Char(2));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::PositionTime, time);
    w.Double(item::LoranLatitude, latitude);
    w.Double(item::LoranLongitude, longitude);
}

bool IsNS(std::optional<char> c)
{
    return c && (*c == 'N' || *c == 'S');
}

bool IsEW(std::optional<char> c)
{
    return c && (*c == 'E' || *c == 'W');
}

void ParseGLL(CNMEAMessage& m)
{
    CChecks c(m);
    // The status letter is not examined: GLL positions are kept whatever it says.
    if (!IsNS(m.Char(1)) || !IsEW(m.Char(2)))
        c.Refuse();
    const auto latitude = c.Latitude(m.Number(1), m.Char(1));
    const auto longitude = c.Longitude(m.Number(2), m.Char(2));
    const auto time = c.Time(m.Number(3));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    const bool position = latitude && longitude;
    if (position) {
        w.Double(item::Latitude, latitude);
        w.Double(item::Longitude, longitude);
    }
    w.Double(item::PositionTime, time);
    if (position)
        w.Fix(*latitude, *longitude, time, std::nullopt);
}

void ParseRMA(CNMEAMessage& m)
{
    if (!m.StatusOk(m.Char(1)) || !IsNS(m.Char(2)) || !IsEW(m.Char(3))) {
        m.Refuse();
        return;
    }
    CChecks c(m);
    const auto latitude = c.Latitude(m.Number(1), m.Char(2));
    const auto longitude = c.Longitude(m.Number(2), m.Char(3));
    const auto speed = c.NonNegative(m.Number(5));
    const auto course = c.Course(m.Number(6));
    const auto variation = c.Variation(m.Number(7), m.Char(4));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::Latitude, latitude);
    w.Double(item::Longitude, longitude);
    w.Double(item::TimeDifferenceA, m.Number(3));
    w.Double(item::TimeDifferenceB, m.Number(4));
    w.Double(item::SpeedOverGroundKnots, speed);
    w.Double(item::CourseOverGroundTrue, course);
    w.Double(item::MagneticVariation, variation);
    if (latitude && longitude)
        w.Fix(*latitude, *longitude, std::nullopt, std::nullopt);
}

void ParseRMB(CNMEAMessage& m)
{
    if (!m.StatusOk(m.Char(1))) {
        m.Refuse();
        return;
    }
    CChecks c(m);
    const auto crossTrack = c.CrossTrack(m.Number(1), m.Char(2));
    const auto latitude = c.Latitude(m.Number(2), m.Char(3));
    const auto longitude = c.Longitude(m.Number(3), m.Char(4));
    const auto range = c.NonNegative(m.Number(4));
    const auto bearing = c.Angle(m.Number(5));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::CrossTrackError, crossTrack);
    w.Double(item::WaypointLatitude, latitude);
    w.Double(item::WaypointLongitude, longitude);
    w.Double(item::RangeToWaypoint, range);
    w.Double(item::BearingToWaypointTrue, bearing);
    w.Double(item::ClosingVelocity, m.Number(6));   // negative while opening
}

void ParseRMC(CNMEAMessage& m)
{
    if (!m.StatusOk(m.Char(1)) || !IsNS(m.Char(2)) || !IsEW(m.Char(3))) {
        m.Refuse();
        return;
    }
    const auto latitudeField = m.Number(2);
    const auto longitudeField = m.Number(3);
    if (!latitudeField || !longitudeField)
        return;   // no position: nothing stored
    CChecks c(m);
    // Time and date go together: a time without its date would pair with
    // yesterday's date at midnight.
    auto time = c.Time(m.Number(1));
    auto date = c.Date(m.Number(6));
    if (!time || !date) {
        time.reset();
        date.reset();
    }
    const auto latitude = c.Latitude(latitudeField, m.Char(2));
    const auto longitude = c.Longitude(longitudeField, m.Char(3));
    const auto speed = c.NonNegative(m.Number(4));
    const auto course = c.Course(m.Number(5));
    const auto variation = c.Variation(m.Number(7), m.Char(4));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::PositionTime, time);
    w.Double(item::Date, date);
    w.Double(item::Latitude, latitude);
    w.Double(item::Longitude, longitude);
    w.Double(item::SpeedOverGroundKnots, speed);
    w.Double(item::CourseOverGroundTrue, course);
    w.Double(item::MagneticVariation, variation);
    if (latitude && longitude)
        w.Fix(*latitude, *longitude, time, date);
}

void ParseXTE(CNMEAMessage& m)
{
    if (!m.StatusOk(m.Char(1)) || !m.StatusOk(m.Char(2))) {
        m.Refuse();
        return;
    }
    CChecks c(m);
    const auto crossTrack = c.CrossTrack(m.Number(1), m.Char(3));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::CrossTrackError, crossTrack);
}

void ParseZDA(CNMEAMessage& m)
{
    CChecks c(m);
    const auto time = c.Time(m.Number(1));
    const auto day = c.IntRange(m.Int(1), 1, 31);
    const auto month = c.IntRange(m.Int(2), 1, 12);
    const auto year = c.IntRange(m.Int(3), 1000, 9999);
    if (day && month && year && !DateExists(*day, *month, *year))
        c.Refuse();   // 31 February
    const auto zoneHours = c.IntRange(m.Int(4), -14, 14);   // the Line Islands keep +14
    const auto zoneMinutes = c.IntRange(m.Int(5), -59, 59);
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::ZdaTime, time);
    w.Int(item::ZdaDay, day);
    w.Int(item::ZdaMonth, month);
    w.Int(item::ZdaYear, year);
    w.Int(item::ZdaZoneHours, zoneHours);
    w.Int(item::ZdaZoneMinutes, zoneMinutes);
}

void ParseZTG(CNMEAMessage& m)
{
    CChecks c(m);
    const auto time = c.Time(m.Number(1));
    const auto toGo = c.Span(m.Number(2));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    if (time && toGo)
        w.Double(item::TimeToGo, toGo);
}

// APA and APB are split for the monitor but store nothing.
void StoreNothing(CNMEAMessage&) { }

void ParseDTM(CNMEAMessage& m)
{
    CChecks c(m);
    // An empty local datum is the "user defined" code.
    const std::string_view local = m.Text(1).value_or("999");
    const auto latOffset = c.Offset(m.Number(1), m.Char(2), 'N', 'S');
    const auto lonOffset = c.Offset(m.Number(2), m.Char(3), 'E', 'W');
    const auto reference = m.Text(2);
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    if (latOffset && lonOffset && reference) {
        w.String(item::LocalDatum, local);
        w.Double(item::DatumLatitudeOffset, latOffset);
        w.Double(item::DatumLongitudeOffset, lonOffset);
        w.String(item::ReferenceDatum, *reference);
    }
}

void ParseGGA(CNMEAMessage& m)
{
    if (!IsNS(m.Char(1)) || !IsEW(m.Char(2))) {
        m.Refuse();
        return;
    }
    CChecks c(m);
    // Only the time is kept; the position of the fix comes from GLL or RMC,
    // but a malformed one still refuses the sentence.
    const auto latitude = c.Latitude(m.Number(2), m.Char(1));
    const auto longitude = c.Longitude(m.Number(3), m.Char(2));
    const auto time = c.Time(m.Number(1));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    if (latitude && longitude && time)
        w.Double(item::PositionTime, time);
}

void ParseOSD(CNMEAMessage& m)
{
    CChecks c(m);
    // Status A or V; course and speed referenced to the bottom, manual entry,
    // the water, radar tracking or the positioning system; speed in km/h,
    // knots or statute mph.
    const auto status = c.Letter(m.Char(1), "AV");
    const auto courseReference = c.Letter(m.Char(2), "BMWRP");
    const auto speedReference = c.Letter(m.Char(3), "BMWRP");
    const auto speedUnit = c.Letter(m.Char(4), "KNS");
    const auto heading = c.Angle(m.Number(1));
    const auto course = c.Angle(m.Number(2));
    const auto speed = c.NonNegative(m.Number(3));
    const auto set = c.Angle(m.Number(4));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::ARPA);
    if (status == 'A')   // no warning-flag rule: the radar's own heading status counts
        w.Double(item::OwnHeading, heading);
    w.Double(item::OwnCourse, course);
    w.Double(item::OwnSpeed, speed);
    w.Double(item::OwnSet, set);
    w.Code(item::OwnHeadingStatus, status);
    w.Code(item::OwnCourseReference, courseReference);
    w.Code(item::OwnSpeedReference, speedReference);
    w.Code(item::OwnSpeedUnit, speedUnit);
}

void ParseRSD(CNMEAMessage& m)
{
    CChecks c(m);
    // Ranges and bearings alternate: range 1, bearing 1, marker 1, bearing
    // line 1, the same for origin 2, then the cursor's range and bearing and
    // the range scale.
    constexpr int kNumbers = 11;
    std::array<CFieldNumber, kNumbers> numbers;
    for (int k = 1; k <= kNumbers; ++k) {
        const bool bearing = k == 2 || k == 4 || k == 6 || k == 8 || k == 10;
        numbers[static_cast<std::size_t>(k - 1)] =
            bearing ? c.Angle(m.Number(k)) : c.NonNegative(m.Number(k));
    }
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::ARPA);
    for (int k = 0; k < kNumbers; ++k)
        w.Double(item::RadarOrigin1Range + k, numbers[static_cast<std::size_t>(k)]);
    w.Code(item::RadarRangeUnit, m.Char(1));
    w.Code(item::RadarDisplayRotation, m.Char(2));
}

// Field types are what the splitter reads from field 2 on; the parsers take
// their numbers and letters from the slots in that order.
constexpr std::array<SentenceRow, kSentenceCount> kSentences = {{
    {"DBT", "DCDCDC", ParseDBT},
    {"HDM", "DC", ParseHDM},
    {"MTA", "", nullptr},
    {"MTW", "", nullptr},
    {"MWD", "DCDCDCDC", ParseMWD},
    {"MWV", "DCDCC", ParseMWV},
    {"VHW", "DCDCDCDC", ParseVHW},
    {"VTG", "DCDCDCDC", ParseVTG},
    {"VLW", "", nullptr},
    {"VPW", "", nullptr},
    {"BOD", "DCDCSS", ParseBOD},
    {"BEC", "DDCDCDCDCDCS", ParseBEC},
    {"BER", "DDCDCDCDCDCS", ParseBER},
    {"BWC", "DDCDCDCDCDCS", ParseBWC},
    {"BWR", "DDCDCDCDCDCS", ParseBWR},
    {"BWW", "DCDCSS", ParseBWW},
    {"GDP", "DDCDCS", ParseGDP},
    {"GLP", "DDCDCS", ParseGDP},
    {"GLL", "DCDCDC", ParseGLL},
    {"RMA", "CDCDCDDDDDC", ParseRMA},
    {"RMB", "CDCSSDCDCDDDC", ParseRMB},
    {"RMC", "DCDCDCDDDDC", ParseRMC},
    {"WCV", "", nullptr},
    {"WDC", "", nullptr},
    {"WDR", "", nullptr},
    {"XTE", "CCDCC", ParseXTE},
    {"XTR", "", nullptr},
    {"ZDL", "", nullptr},
    {"ZDA", "DIIIII", ParseZDA},
    {"ZTG", "DDS", ParseZTG},
    {"APA", "CCDCCCCDCS", StoreNothing},
    {"APB", "CCDCCCCDCSDCDC", StoreNothing},
    {"DTM", "SCDCDCDS", ParseDTM},
    {"GGA", "DDCDCIIDDCDCDI", ParseGGA},
    {"OSD", "DCDCDCDDC", ParseOSD},
    {"RSD", "DDDDDDDDDDDCC", ParseRSD},
    {"TLL", "", nullptr, true},
    {"TTM", "", nullptr, true},
    {"TLB", "", nullptr, true},
}};

// The index constants name rows of the table.
static_assert(kSentences[sentence::DBT].id == "DBT" && kSentences[sentence::VTG].id == "VTG");
static_assert(kSentences[sentence::BOD].id == "BOD" && kSentences[sentence::RMC].id == "RMC");
static_assert(kSentences[sentence::XTE].id == "XTE" && kSentences[sentence::ZDA].id == "ZDA");
static_assert(kSentences[sentence::DTM].id == "DTM" && kSentences[sentence::TLL].id == "TLL");
static_assert(kSentences[sentence::TLB].id == "TLB");

// Each row's splitter, compiled from its field-type string.
template <std::size_t Row>
void SplitRow(CNMEAMessage& m)
{
    m.SplitFixed<CFieldTypes(kSentences[Row].fieldTypes)>();
}

// The table as handed out: the rows with their splitters.
constexpr auto kRows = []<std::size_t... Row>(std::index_sequence<Row...>)
{
    std::array<SentenceRow, kSentenceCount> rows = kSentences;
    ((rows[Row].split = &SplitRow<Row>), ...);
    return rows;
}
(std::make_index_sequence<kSentenceCount>{});

}   // namespace

const SentenceRow* NmeaSentenceRow(int sentenceIndex)
{
    if (sentenceIndex < 0 || sentenceIndex >= static_cast<int>(kRows.size()))
        return nullptr;
    return &kRows[static_cast<std::size_t>(sentenceIndex)];
}

std::string_view NmeaSentenceId(int sentenceIndex)
{
    const SentenceRow* row = NmeaSentenceRow(sentenceIndex);
    return row != nullptr ? row->id : std::string_view{};
}

SentenceParseFn InstrumentSentenceParser(int sentenceIndex)
{
    const SentenceRow* row = NmeaSentenceRow(sentenceIndex);
    return row != nullptr ? row->parse : nullptr;
}

namespace {

// Every received line looks its id up, and the kinds alternate line by line,
// so a search would mispredict its branches on nearly every line. Every id
// of the table is three capital letters: one array entry per such word
// answers in a single load.
constexpr int kLetters = 26;
constexpr std::size_t kIdWords = kLetters * kLetters * kLetters;

// The slot of three letters of either case, or -1 for anything else.
constexpr int IdSlot(char a, char b, char c)
{
    // Setting the 0x20 bit lower-cases a letter and sends every other byte
    // outside 'a' to 'z'.
    const auto letter = [](char x) { return static_cast<unsigned>((x | 0x20) - 'a'); };
    if (letter(a) >= kLetters || letter(b) >= kLetters || letter(c) >= kLetters)
        return -1;
    return static_cast<int>((letter(a) * kLetters + letter(b)) * kLetters + letter(c));
}

constexpr std::array<std::int8_t, kIdWords> kIdSlots = [] {
    std::array<std::int8_t, kIdWords> slots{};
    for (std::int8_t& slot : slots)
        slot = -1;
    for (std::size_t i = 0; i < kSentences.size(); ++i) {
        const std::string_view id = kSentences[i].id;
        slots[static_cast<std::size_t>(IdSlot(id[0], id[1], id[2]))] = static_cast<std::int8_t>(i);
    }
    return slots;
}();

}   // namespace

int NmeaSentenceIndex(std::string_view id)
{
    if (id.size() != 3)
        return -1;
    const int slot = IdSlot(id[0], id[1], id[2]);
    return slot < 0 ? -1 : kIdSlots[static_cast<std::size_t>(slot)];
}

}   // namespace nmea

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
#include <span>
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

// The writes of one sentence, held back until every field has been checked.
class CPending {
public:
    CPending(CNMEAMessage& message, ValueStore store) : m_message(message), m_store(store) { }

    void Double(int item, std::optional<double> value)
    {
        if (value)
            Add({item, ValueKind::Double, *value, 0, nullptr, 0});
    }
    void Int(int item, std::optional<std::int32_t> value)
    {
        if (value)
            Add({item, ValueKind::Int, 0.0, *value, nullptr, 0});
    }
    // A letter stored as its character code.
    void Code(int item, std::optional<char> letter)
    {
        if (letter)
            Add({item, ValueKind::Int, 0.0, static_cast<unsigned char>(*letter), nullptr, 0});
    }
    void Byte(int item, std::uint8_t value)
    {
        Add({item, ValueKind::Byte, 0.0, value, nullptr, 0});
    }
    void String(int item, std::string_view value)
    {
        Add({item, ValueKind::String, 0.0, 0, value.data(), value.size()});
    }

    void Refuse() { m_refused = true; }
    bool Refused() const { return m_refused; }

    void Commit()
    {
        if (m_refused || !m_message.IsValid()) {
            m_message.Refuse();
            return;
        }
        m_message.StoreAll(m_store, std::span(m_entries.data(), static_cast<std::size_t>(m_count)));
    }

    // Field checks: each answers the value to store, or nothing when the
    // field is absent, and refuses the sentence when it is present but wrong.

    // Signed ddmm.mmm, north negative; needs both the number and the letter.
    std::optional<double> Latitude(std::optional<double> v, std::optional<char> hemisphere)
    {
        if (!v || !hemisphere)
            return std::nullopt;
        if ((*hemisphere != 'N' && *hemisphere != 'S') || !DegMinInRange(*v, 90))
            return Bad();
        return *hemisphere == 'N' ? -*v : *v;
    }
    // Signed dddmm.mmm, east negative.
    std::optional<double> Longitude(std::optional<double> v, std::optional<char> hemisphere)
    {
        if (!v || !hemisphere)
            return std::nullopt;
        if ((*hemisphere != 'E' && *hemisphere != 'W') || !DegMinInRange(*v, 180))
            return Bad();
        return *hemisphere == 'E' ? -*v : *v;
    }
    // A UTC time hhmmss.ss (a leap second allowed).
    std::optional<double> Time(std::optional<double> v)
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
    std::optional<double> Span(std::optional<double> v)
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
    std::optional<double> Date(std::optional<double> v)
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
    std::optional<double> Angle(std::optional<double> v)
    {
        if (!v)
            return std::nullopt;
        if (*v < 0 || *v > 360)
            return Bad();
        return v;
    }
    // A heading or course: 359.5 and more is stored as 0.
    std::optional<double> Course(std::optional<double> v)
    {
        v = Angle(v);
        if (v && *v >= 359.5)
            return 0.0;
        return v;
    }
    // Speeds, distances, depths, ranges.
    std::optional<double> NonNegative(std::optional<double> v)
    {
        if (!v)
            return std::nullopt;
        if (*v < 0)
            return Bad();
        return v;
    }
    // Magnetic variation, west negative.
    std::optional<double> Variation(std::optional<double> v, std::optional<char> direction)
    {
        if (!v || !direction)
            return std::nullopt;
        if ((*direction != 'E' && *direction != 'W') || *v < 0 || *v > 180)
            return Bad();
        return *direction == 'W' ? -*v : *v;
    }
    // Cross-track error, negative when the steer letter is "L".
    std::optional<double> CrossTrack(std::optional<double> v, std::optional<char> steer)
    {
        if (!v || !steer)
            return std::nullopt;
        if ((*steer != 'L' && *steer != 'R') || *v < 0)
            return Bad();
        return *steer == 'L' ? -*v : *v;
    }
    // A datum offset in minutes with its hemisphere letter, north or east
    // negative. The direction is the letter's alone: a signed magnitude is refused.
    std::optional<double> Offset(std::optional<double> v, std::optional<char> letter, char negative,
                                 char positive)
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
    using Entry = CNMEAMessage::CValueWrite;
    static constexpr int kMaxEntries = 24;

    void Add(const Entry& entry)
    {
        if (m_count < kMaxEntries)
            m_entries[static_cast<std::size_t>(m_count++)] = entry;
    }
    std::optional<double> Bad()
    {
        Refuse();
        return std::nullopt;
    }
    static bool DegMinInRange(double v, double maxDegrees)
    {
        const double degrees = std::floor(v / 100);
        return v >= 0 && degrees <= maxDegrees && v - degrees * 100 < 60 && v <= maxDegrees * 100;
    }

    CNMEAMessage& m_message;
    ValueStore m_store;
    bool m_refused = false;
    int m_count = 0;
    // Only the first m_count are ever read: left unfilled, as a parser runs
    // for every sentence and most write a handful of items.
    std::array<Entry, kMaxEntries> m_entries;
};

// A number that needs its letter (unit, reference) present beside it.
std::optional<double> With(std::optional<double> v, std::optional<char> letter)
{
    return letter ? v : std::nullopt;
}

// A value and the letter that came with it: the letter is stored only when
// the value is.
void DoubleAndLetter(CPending& p, int valueItem, int letterItem, std::optional<double> v,
                     std::optional<char> letter)
{
    p.Double(valueItem, v);
    p.Code(letterItem, v ? letter : std::nullopt);
}

void ParseDBT(CNMEAMessage& m)
{
    CPending p(m, ValueStore::GPS);
    p.Double(item::DepthFeet, p.NonNegative(With(m.Number(1), m.Char(1))));
    p.Double(item::DepthMetres, p.NonNegative(With(m.Number(2), m.Char(2))));
    p.Double(item::DepthFathoms, p.NonNegative(With(m.Number(3), m.Char(3))));
    p.Commit();
}

void ParseHDM(CNMEAMessage& m)
{
    CPending p(m, ValueStore::GPS);
    p.Double(item::HeadingMagnetic, p.Course(With(m.Number(1), m.Char(1))));
    p.Commit();
}

void ParseMWD(CNMEAMessage& m)
{
    CPending p(m, ValueStore::Wind);
    DoubleAndLetter(p, item::WindAngle, item::WindReference, p.Angle(With(m.Number(1), m.Char(1))),
                    m.Char(1));
    DoubleAndLetter(p, item::WindDirectionMagnetic, item::WindDirectionMagneticUnit,
                    p.Angle(With(m.Number(2), m.Char(2))), m.Char(2));
    DoubleAndLetter(p, item::WindSpeed, item::WindSpeedUnit,
                    p.NonNegative(With(m.Number(3), m.Char(3))), m.Char(3));
    DoubleAndLetter(p, item::WindSpeedMs, item::WindSpeedMsUnit,
                    p.NonNegative(With(m.Number(4), m.Char(4))), m.Char(4));
    // The sentence carries no status of its own; readers of the wind store
    // look at item 15, so it reads as good.
    p.Code(item::WindStatus, 'A');
    p.Commit();
}

void ParseMWV(CNMEAMessage& m)
{
    CPending p(m, ValueStore::Wind);
    // Relative or true wind; speed in km/h, m/s, knots or statute mph.
    const auto reference = p.Letter(m.Char(1), "RT");
    const auto unit = p.Letter(m.Char(2), "KMNS");
    DoubleAndLetter(p, item::WindAngle, item::WindReference, p.Angle(With(m.Number(1), reference)),
                    reference);
    DoubleAndLetter(p, item::WindSpeed, item::WindSpeedUnit, p.NonNegative(With(m.Number(2), unit)),
                    unit);
    p.Code(item::WindStatus, m.Char(3));
    p.Commit();
}

// VHW and VTG share a layout: a true and a magnetic direction, then the
// speed in knots and in km/h, each followed by its letter (T, M, N, K).
void ParseDirectionsAndSpeeds(CNMEAMessage& m, int trueItem, int magneticItem, int knotsItem,
                              int kmhItem)
{
    CPending p(m, ValueStore::GPS);
    p.Double(trueItem, p.Course(With(m.Number(1), p.Letter(m.Char(1), "T"))));
    p.Double(magneticItem, p.Course(With(m.Number(2), p.Letter(m.Char(2), "M"))));
    p.Double(knotsItem, p.NonNegative(With(m.Number(3), p.Letter(m.Char(3), "N"))));
    p.Double(kmhItem, p.NonNegative(With(m.Number(4), p.Letter(m.Char(4), "K"))));
    p.Commit();
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
    CPending p(m, ValueStore::GPS);
    p.Double(trueItem, p.Angle(With(m.Number(1), p.Letter(m.Char(1), "T"))));
    p.Double(magneticItem, p.Angle(With(m.Number(2), p.Letter(m.Char(2), "M"))));
    p.Commit();
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
    CPending p(m, ValueStore::GPS);
    p.Double(item::WaypointTime, p.Time(m.Number(1)));
    p.Double(item::WaypointLatitude, p.Latitude(m.Number(2), m.Char(1)));
    p.Double(item::WaypointLongitude, p.Longitude(m.Number(3), m.Char(2)));
    p.Double(trueItem, p.Angle(With(m.Number(4), m.Char(3))));
    p.Double(magneticItem, p.Angle(With(m.Number(5), m.Char(4))));
    p.Double(distanceItem, p.NonNegative(With(m.Number(6), m.Char(5))));
    p.Commit();
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
    CPending p(m, ValueStore::GPS);
    p.Double(item::PositionTime, p.Time(m.Number(1)));
    p.Double(item::LoranLatitude, p.Latitude(m.Number(2), m.Char(1)));
    p.Double(item::LoranLongitude, p.Longitude(m.Number(3), m.Char(2)));
    p.Commit();
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
    CPending p(m, ValueStore::GPS);
    // The status letter is not examined: GLL positions are kept whatever it says.
    if (!IsNS(m.Char(1)) || !IsEW(m.Char(2)))
        p.Refuse();
    const auto lat = p.Latitude(m.Number(1), m.Char(1));
    const auto lon = p.Longitude(m.Number(2), m.Char(2));
    if (lat && lon) {
        p.Double(item::Latitude, lat);
        p.Double(item::Longitude, lon);
    }
    p.Double(item::PositionTime, p.Time(m.Number(3)));
    p.Commit();
}

void ParseRMA(CNMEAMessage& m)
{
    CPending p(m, ValueStore::GPS);
    if (!m.StatusOk(m.Char(1)) || !IsNS(m.Char(2)) || !IsEW(m.Char(3))) {
        p.Refuse();
        p.Commit();
        return;
    }
    p.Double(item::Latitude, p.Latitude(m.Number(1), m.Char(2)));
    p.Double(item::Longitude, p.Longitude(m.Number(2), m.Char(3)));
    p.Double(item::TimeDifferenceA, m.Number(3));
    p.Double(item::TimeDifferenceB, m.Number(4));
    p.Double(item::SpeedOverGroundKnots, p.NonNegative(m.Number(5)));
    p.Double(item::CourseOverGroundTrue, p.Course(m.Number(6)));
    p.Double(item::MagneticVariation, p.Variation(m.Number(7), m.Char(4)));
    p.Commit();
}

void ParseRMB(CNMEAMessage& m)
{
    CPending p(m, ValueStore::GPS);
    if (!m.StatusOk(m.Char(1))) {
        p.Refuse();
        p.Commit();
        return;
    }
    p.Double(item::CrossTrackError, p.CrossTrack(m.Number(1), m.Char(2)));
    p.Double(item::WaypointLatitude, p.Latitude(m.Number(2), m.Char(3)));
    p.Double(item::WaypointLongitude, p.Longitude(m.Number(3), m.Char(4)));
    p.Double(item::RangeToWaypoint, p.NonNegative(m.Number(4)));
    p.Double(item::BearingToWaypointTrue, p.Angle(m.Number(5)));
    p.Double(item::ClosingVelocity, m.Number(6));   // negative while opening
    p.Commit();
}

void ParseRMC(CNMEAMessage& m)
{
    CPending p(m, ValueStore::GPS);
    if (!m.StatusOk(m.Char(1)) || !IsNS(m.Char(2)) || !IsEW(m.Char(3)))
        p.Refuse();
    if (p.Refused() || !m.Number(2) || !m.Number(3)) {
        p.Commit();
        return;
    }
    // Time and date go together: a time without its date would pair with
    // yesterday's date at midnight.
    const auto time = p.Time(m.Number(1));
    const auto date = p.Date(m.Number(6));
    if (time && date) {
        p.Double(item::PositionTime, time);
        p.Double(item::Date, date);
    }
    p.Double(item::Latitude, p.Latitude(m.Number(2), m.Char(2)));
    p.Double(item::Longitude, p.Longitude(m.Number(3), m.Char(3)));
    p.Double(item::SpeedOverGroundKnots, p.NonNegative(m.Number(4)));
    p.Double(item::CourseOverGroundTrue, p.Course(m.Number(5)));
    p.Double(item::MagneticVariation, p.Variation(m.Number(7), m.Char(4)));
    p.Commit();
}

void ParseXTE(CNMEAMessage& m)
{
    CPending p(m, ValueStore::GPS);
    if (!m.StatusOk(m.Char(1)) || !m.StatusOk(m.Char(2))) {
        p.Refuse();
        p.Commit();
        return;
    }
    p.Double(item::CrossTrackError, p.CrossTrack(m.Number(1), m.Char(3)));
    p.Commit();
}

void ParseZDA(CNMEAMessage& m)
{
    CPending p(m, ValueStore::GPS);
    p.Double(item::ZdaTime, p.Time(m.Number(1)));
    const auto day = p.IntRange(m.Int(1), 1, 31);
    const auto month = p.IntRange(m.Int(2), 1, 12);
    const auto year = p.IntRange(m.Int(3), 1000, 9999);
    if (day && month && year && !DateExists(*day, *month, *year))
        p.Refuse();   // 31 February
    p.Int(item::ZdaDay, day);
    p.Int(item::ZdaMonth, month);
    p.Int(item::ZdaYear, year);
    p.Int(item::ZdaZoneHours, p.IntRange(m.Int(4), -14, 14));   // the Line Islands keep +14
    p.Int(item::ZdaZoneMinutes, p.IntRange(m.Int(5), -59, 59));
    p.Commit();
}

void ParseZTG(CNMEAMessage& m)
{
    CPending p(m, ValueStore::GPS);
    const auto time = p.Time(m.Number(1));
    const auto toGo = p.Span(m.Number(2));
    if (time && toGo)
        p.Double(item::TimeToGo, toGo);
    p.Commit();
}

// APA and APB are split for the monitor but store nothing.
void StoreNothing(CNMEAMessage&) { }

void ParseDTM(CNMEAMessage& m)
{
    CPending p(m, ValueStore::GPS);
    // An empty local datum is the "user defined" code.
    const std::string_view local = m.Text(1).value_or("999");
    const auto latOffset = p.Offset(m.Number(1), m.Char(2), 'N', 'S');
    const auto lonOffset = p.Offset(m.Number(2), m.Char(3), 'E', 'W');
    const auto reference = m.Text(2);
    if (latOffset && lonOffset && reference) {
        p.String(item::LocalDatum, local);
        p.Double(item::DatumLatitudeOffset, latOffset);
        p.Double(item::DatumLongitudeOffset, lonOffset);
        p.String(item::ReferenceDatum, *reference);
    }
    p.Commit();
}

void ParseGGA(CNMEAMessage& m)
{
    CPending p(m, ValueStore::GPS);
    if (!IsNS(m.Char(1)) || !IsEW(m.Char(2))) {
        p.Refuse();
        p.Commit();
        return;
    }
    // Only the time is kept; the position of the fix comes from GLL or RMC,
    // but a malformed one still refuses the sentence.
    const auto lat = p.Latitude(m.Number(2), m.Char(1));
    const auto lon = p.Longitude(m.Number(3), m.Char(2));
    const auto time = p.Time(m.Number(1));
    if (lat && lon && time)
        p.Double(item::PositionTime, time);
    p.Commit();
}

void ParseOSD(CNMEAMessage& m)
{
    CPending p(m, ValueStore::ARPA);
    // Status A or V; course and speed referenced to the bottom, manual entry,
    // the water, radar tracking or the positioning system; speed in km/h,
    // knots or statute mph.
    const auto status = p.Letter(m.Char(1), "AV");
    const auto courseReference = p.Letter(m.Char(2), "BMWRP");
    const auto speedReference = p.Letter(m.Char(3), "BMWRP");
    const auto speedUnit = p.Letter(m.Char(4), "KNS");
    const auto heading = p.Angle(m.Number(1));
    if (status == 'A')   // no warning-flag rule: the radar's own heading status counts
        p.Double(item::OwnHeading, heading);
    p.Double(item::OwnCourse, p.Angle(m.Number(2)));
    p.Double(item::OwnSpeed, p.NonNegative(m.Number(3)));
    p.Double(item::OwnSet, p.Angle(m.Number(4)));
    p.Code(item::OwnHeadingStatus, status);
    p.Code(item::OwnCourseReference, courseReference);
    p.Code(item::OwnSpeedReference, speedReference);
    p.Code(item::OwnSpeedUnit, speedUnit);
    p.Commit();
}

void ParseRSD(CNMEAMessage& m)
{
    CPending p(m, ValueStore::ARPA);
    // Ranges and bearings alternate: range 1, bearing 1, marker 1, bearing
    // line 1, the same for origin 2, then the cursor's range and bearing and
    // the range scale.
    for (int k = 1; k <= 11; ++k) {
        const bool bearing = k == 2 || k == 4 || k == 6 || k == 8 || k == 10;
        p.Double(item::RadarOrigin1Range + k - 1,
                 bearing ? p.Angle(m.Number(k)) : p.NonNegative(m.Number(k)));
    }
    p.Code(item::RadarRangeUnit, m.Char(1));
    p.Code(item::RadarDisplayRotation, m.Char(2));
    p.Commit();
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

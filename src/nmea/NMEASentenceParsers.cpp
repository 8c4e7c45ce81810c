// The instrument sentence parsers: one per sentence of the dispatcher's table
// that has one, each splitting its fields and copying them into the value
// store of the module that owns the sentence.
//
// A sentence is refused only for its status and hemisphere letters (RMA, RMB,
// RMC, XTE, GLL, GGA), a field the splitter found garbled, or a position
// number that lies off the globe; everything else is stored as sent. The
// checks run before any store, so a refused sentence leaves the previous
// values whole rather than a mix of old and half-read new ones.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "nmea/FieldSplit.h"
#include "nmea/NMEAConvert.h"
#include "nmea/NMEAMessage.h"
#include "nmea/NMEASentenceTable.h"

namespace nmea {
namespace {

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

    // Signed ddmm.mmm, north negative; needs both the number and its
    // hemisphere letter (a letter other than N or S is none). A number past
    // 90 degrees (or below 0) is no latitude and refuses.
    CFieldNumber Latitude(CFieldNumber v, std::optional<char> hemisphere)
    {
        const char letter = hemisphere.value_or('\0');
        if (!v || (letter != 'N' && letter != 'S'))
            return std::nullopt;
        if (!OnTheGlobe(*v, 90))
            return Bad();
        return letter == 'N' ? -*v : *v;
    }
    // Signed dddmm.mmm, east negative.
    CFieldNumber Longitude(CFieldNumber v, std::optional<char> hemisphere)
    {
        const char letter = hemisphere.value_or('\0');
        if (!v || (letter != 'E' && letter != 'W'))
            return std::nullopt;
        if (!OnTheGlobe(*v, 180))
            return Bad();
        return letter == 'E' ? -*v : *v;
    }

private:
    CFieldNumber Bad()
    {
        Refuse();
        return std::nullopt;
    }
    // Degrees and minutes together up to the bound: 90 or 180 degrees with no
    // minutes is the limit, and minutes of 60 or more carry into the degrees.
    static bool OnTheGlobe(double v, int maxDegrees) { return NmeaDegMinWithin(v, maxDegrees); }

    CNMEAMessage& m_message;
    bool m_refused = false;
};

using CWriter = CNMEAMessage::CWriter;

// A number that needs its letter (unit, reference) present beside it.
CFieldNumber With(CFieldNumber v, std::optional<char> letter)
{
    return letter ? v : std::nullopt;
}

// A heading or course: 359.5 and more is stored as 0.
CFieldNumber Course(CFieldNumber v)
{
    if (v && *v >= 359.5)
        return 0.0;
    return v;
}

// Magnetic variation, west negative.
CFieldNumber Variation(CFieldNumber v, std::optional<char> direction)
{
    if (!v || !direction)
        return std::nullopt;
    return *direction == 'W' ? -*v : *v;
}

// Cross-track error, negative when the steer letter is "L".
CFieldNumber CrossTrack(CFieldNumber v, std::optional<char> steer)
{
    if (!v || !steer)
        return std::nullopt;
    return *steer == 'L' ? -*v : *v;
}

// A datum offset with its hemisphere letter, negative for `negative` (north
// or east).
CFieldNumber Offset(CFieldNumber v, std::optional<char> letter, char negative)
{
    if (!v || !letter)
        return std::nullopt;
    return *letter == negative ? -*v : *v;
}

// A value and the letter that came with it: the letter is stored only when
// the value is.
void DoubleAndLetter(CWriter& w, int valueItem, int letterItem, CFieldNumber v,
                     std::optional<char> letter)
{
    w.Double(valueItem, v);
    w.Code(letterItem, v ? letter : std::nullopt);
}

// Depths in feet, metres and fathoms; the unit letters must be there but
// are not compared.
void ParseDBT(CNMEAMessage& m)
{
    CChecks c(m);
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::DepthFeet, With(m.Number(1), m.Char(1)));
    w.Double(item::DepthMetres, With(m.Number(2), m.Char(2)));
    w.Double(item::DepthFathoms, With(m.Number(3), m.Char(3)));
}

void ParseHDM(CNMEAMessage& m)
{
    CChecks c(m);
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::HeadingMagnetic, Course(With(m.Number(1), m.Char(1))));
}

void ParseMWD(CNMEAMessage& m)
{
    CChecks c(m);
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::Wind);
    DoubleAndLetter(w, item::WindAngle, item::WindReference, With(m.Number(1), m.Char(1)),
                    m.Char(1));
    DoubleAndLetter(w, item::WindDirectionMagnetic, item::WindDirectionMagneticUnit,
                    With(m.Number(2), m.Char(2)), m.Char(2));
    DoubleAndLetter(w, item::WindSpeed, item::WindSpeedUnit, With(m.Number(3), m.Char(3)),
                    m.Char(3));
    DoubleAndLetter(w, item::WindSpeedMs, item::WindSpeedMsUnit, With(m.Number(4), m.Char(4)),
                    m.Char(4));
    // The sentence carries no status of its own; readers of the wind store
    // look at item 15, so it reads as good.
    w.Code(item::WindStatus, 'A');
}

void ParseMWV(CNMEAMessage& m)
{
    CChecks c(m);
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::Wind);
    DoubleAndLetter(w, item::WindAngle, item::WindReference, With(m.Number(1), m.Char(1)),
                    m.Char(1));
    DoubleAndLetter(w, item::WindSpeed, item::WindSpeedUnit, With(m.Number(2), m.Char(2)),
                    m.Char(2));
    w.Code(item::WindStatus, m.Char(3));
}

// VHW and VTG share a layout: a true and a magnetic direction, then the
// speed in knots and in km/h, each followed by its letter.
void ParseDirectionsAndSpeeds(CNMEAMessage& m, int trueItem, int magneticItem, int knotsItem,
                              int kmhItem)
{
    CChecks c(m);
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(trueItem, Course(With(m.Number(1), m.Char(1))));
    w.Double(magneticItem, Course(With(m.Number(2), m.Char(2))));
    w.Double(knotsItem, With(m.Number(3), m.Char(3)));
    w.Double(kmhItem, With(m.Number(4), m.Char(4)));
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
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(trueItem, With(m.Number(1), m.Char(1)));
    w.Double(magneticItem, With(m.Number(2), m.Char(2)));
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
    const auto latitude = c.Latitude(m.Number(2), m.Char(1));
    const auto longitude = c.Longitude(m.Number(3), m.Char(2));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::WaypointTime, m.Number(1));
    w.Double(item::WaypointLatitude, latitude);
    w.Double(item::WaypointLongitude, longitude);
    w.Double(trueItem, With(m.Number(4), m.Char(3)));
    w.Double(magneticItem, With(m.Number(5), m.Char(4)));
    w.Double(distanceItem, With(m.Number(6), m.Char(5)));
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
    const auto latitude = c.Latitude(m.Number(2), m.Char(1));
    const auto longitude = c.Longitude(m.Number(3), m.Char(2));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::PositionTime, m.Number(1));
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
    if (!c.Accept())
        return;
    const CFieldNumber time = m.Number(3);
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
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::Latitude, latitude);
    w.Double(item::Longitude, longitude);
    w.Double(item::TimeDifferenceA, m.Number(3));
    w.Double(item::TimeDifferenceB, m.Number(4));
    w.Double(item::SpeedOverGroundKnots, m.Number(5));
    w.Double(item::CourseOverGroundTrue, Course(m.Number(6)));
    w.Double(item::MagneticVariation, Variation(m.Number(7), m.Char(4)));
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
    const auto latitude = c.Latitude(m.Number(2), m.Char(3));
    const auto longitude = c.Longitude(m.Number(3), m.Char(4));
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::CrossTrackError, CrossTrack(m.Number(1), m.Char(2)));
    w.Double(item::WaypointLatitude, latitude);
    w.Double(item::WaypointLongitude, longitude);
    w.Double(item::RangeToWaypoint, m.Number(4));
    w.Double(item::BearingToWaypointTrue, m.Number(5));
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
    const auto latitude = c.Latitude(latitudeField, m.Char(2));
    const auto longitude = c.Longitude(longitudeField, m.Char(3));
    if (!c.Accept())
        return;
    // Time and date go together: a time without its date would pair with
    // yesterday's date at midnight.
    CFieldNumber time = m.Number(1);
    CFieldNumber date = m.Number(6);
    if (!time || !date) {
        time = std::nullopt;
        date = std::nullopt;
    }
    CWriter w(m, ValueStore::GPS);
    w.Double(item::PositionTime, time);
    w.Double(item::Date, date);
    w.Double(item::Latitude, latitude);
    w.Double(item::Longitude, longitude);
    w.Double(item::SpeedOverGroundKnots, m.Number(4));
    w.Double(item::CourseOverGroundTrue, Course(m.Number(5)));
    w.Double(item::MagneticVariation, Variation(m.Number(7), m.Char(4)));
    w.Fix(*latitude, *longitude, time, date);
}

void ParseXTE(CNMEAMessage& m)
{
    if (!m.StatusOk(m.Char(1)) || !m.StatusOk(m.Char(2))) {
        m.Refuse();
        return;
    }
    CChecks c(m);
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::CrossTrackError, CrossTrack(m.Number(1), m.Char(3)));
}

void ParseZDA(CNMEAMessage& m)
{
    CChecks c(m);
    if (!c.Accept())
        return;
    CWriter w(m, ValueStore::GPS);
    w.Double(item::ZdaTime, m.Number(1));
    w.Int(item::ZdaDay, m.Int(1));
    w.Int(item::ZdaMonth, m.Int(2));
    w.Int(item::ZdaYear, m.Int(3));
    w.Int(item::ZdaZoneHours, m.Int(4));
    w.Int(item::ZdaZoneMinutes, m.Int(5));
}

void ParseZTG(CNMEAMessage& m)
{
    CChecks c(m);
    if (!c.Accept())
        return;
    const auto time = m.Number(1);
    const auto toGo = m.Number(2);
    CWriter w(m, ValueStore::GPS);
    if (time && toGo)
        w.Double(item::TimeToGo, toGo);
}

// APA and APB are split for the monitor but store nothing.
void StoreNothing(CNMEAMessage&) { }

void ParseDTM(CNMEAMessage& m)
{
    CChecks c(m);
    if (!c.Accept())
        return;
    // An empty local datum is the "user defined" code.
    const std::string_view local = m.Text(1).value_or("999");
    const auto latOffset = Offset(m.Number(1), m.Char(2), 'N');
    const auto lonOffset = Offset(m.Number(2), m.Char(3), 'E');
    const auto reference = m.Text(2);
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
    // but one off the globe still refuses the sentence.
    const auto latitude = c.Latitude(m.Number(2), m.Char(1));
    const auto longitude = c.Longitude(m.Number(3), m.Char(2));
    if (!c.Accept())
        return;
    const auto time = m.Number(1);
    CWriter w(m, ValueStore::GPS);
    if (latitude && longitude && time)
        w.Double(item::PositionTime, time);
}

void ParseOSD(CNMEAMessage& m)
{
    CChecks c(m);
    if (!c.Accept())
        return;
    const auto status = m.Char(1);
    CWriter w(m, ValueStore::ARPA);
    if (status == 'A')   // no warning-flag rule: the radar's own heading status counts
        w.Double(item::OwnHeading, m.Number(1));
    w.Double(item::OwnCourse, m.Number(2));
    w.Double(item::OwnSpeed, m.Number(3));
    w.Double(item::OwnSet, m.Number(4));
    w.Code(item::OwnHeadingStatus, status);
    w.Code(item::OwnCourseReference, m.Char(2));
    w.Code(item::OwnSpeedReference, m.Char(3));
    w.Code(item::OwnSpeedUnit, m.Char(4));
}

// Ranges and bearings alternate: range 1, bearing 1, marker 1, bearing line
// 1, the same for origin 2, then the cursor's range and bearing and the range
// scale.
void ParseRSD(CNMEAMessage& m)
{
    CChecks c(m);
    if (!c.Accept())
        return;
    constexpr int kNumbers = 11;
    CWriter w(m, ValueStore::ARPA);
    for (int k = 0; k < kNumbers; ++k)
        w.Double(item::RadarOrigin1Range + k, m.Number(k + 1));
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

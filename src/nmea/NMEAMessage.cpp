#include "nmea/NMEAMessage.h"

#include <charconv>
#include <climits>
#include <cmath>

#include "nmea/NMEAConvert.h"
#include "nmea/NMEASentenceTable.h"
#include "platform/Ascii.h"

namespace nmea {

using platform::AsciiUpper;
using platform::HexDigitValue;

namespace {

bool EndsField(char c)
{
    return c == ',' || c == '*' || c == '\r' || c == '\n';
}

bool EndsData(char c)
{
    return c == '*' || c == '\r' || c == '\n';
}

}   // namespace

std::optional<double> NmeaParseNumber(std::string_view field)
{
    // Leading blanks and a plus sign are what the C library conversion
    // accepts; some instruments pad numbers that way.
    std::size_t pos = 0;
    while (pos < field.size() && (field[pos] == ' ' || field[pos] == '\t'))
        ++pos;
    if (pos < field.size() && field[pos] == '+' && pos + 1 < field.size() && field[pos + 1] != '-')
        ++pos;
    const char* first = field.data() + pos;
    const char* last = field.data() + field.size();
    if (first == last)
        return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::int32_t> NmeaParseInt(std::string_view field)
{
    std::size_t pos = 0;
    while (pos < field.size() && (field[pos] == ' ' || field[pos] == '\t'))
        ++pos;
    bool negative = false;
    if (pos < field.size() && (field[pos] == '+' || field[pos] == '-')) {
        negative = field[pos] == '-';
        ++pos;
    }
    int base = 10;
    if (pos + 1 < field.size() && field[pos] == '0' &&
        (field[pos + 1] == 'x' || field[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }
    if (pos == field.size())
        return std::nullopt;
    long long value = 0;
    for (; pos < field.size(); ++pos) {
        const int digit = HexDigitValue(field[pos]);
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = value * base + digit;
        if (value > static_cast<long long>(INT_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

CNMEAMessage::CNMEAMessage()
{
    m_sentence.reserve(128);
}

CNMEAMessage::~CNMEAMessage() = default;

void CNMEAMessage::SetSentence(int sentenceIndex, std::string_view text)
{
    m_sentenceIndex = sentenceIndex;
    m_sentence.assign(text);
    m_valid = true;
    m_cursorField = 1;
    m_cursorPos = 0;
    m_stamp.reset();
    m_writtenCount = 0;
    m_fixLatitude.reset();
    m_fixLongitude.reset();
    m_fixTime.reset();
    m_fixDate.reset();
}

bool CNMEAMessage::Parse()
{
    if (m_sentence.size() < 4 || m_sentence[3] != ',')
        return false;
    const SentenceRow* row = NmeaSentenceRow(m_sentenceIndex);
    if (row == nullptr)
        return false;
    if (row->target) {
        if (m_targetParser == nullptr)
            return false;
        m_nextField = 2;
        m_targetParser->ParseTargetSentence(m_sentenceIndex, *this);
        return true;
    }
    if (row->parse == nullptr)
        return false;
    m_nextField = 2;
    Split(row->fieldTypes);
    row->parse(*this);
    CommitFix();
    return true;
}

std::string_view CNMEAMessage::GetField(int number)
{
    if (number < 1)
        return {};
    if (number < m_cursorField) {
        m_cursorField = 1;
        m_cursorPos = 0;
    }
    const std::string_view s = m_sentence;
    std::size_t pos = m_cursorPos;
    // Walk forward to the start of the wanted field; past the data every field is empty.
    while (m_cursorField < number) {
        while (pos < s.size() && !EndsField(s[pos]))
            ++pos;
        if (pos >= s.size() || EndsData(s[pos])) {
            m_cursorField = number;
            m_cursorPos = s.size();
            return {};
        }
        ++pos;   // past the comma
        ++m_cursorField;
    }
    m_cursorPos = pos;
    std::size_t end = pos;
    while (end < s.size() && !EndsField(s[end]))
        ++end;
    return s.substr(pos, end - pos);
}

void CNMEAMessage::Split(std::string_view fieldTypes)
{
    m_charsUsed = m_intsUsed = m_numbersUsed = m_textsUsed = 0;
    for (const char type : fieldTypes) {
        if (type != 'C' && type != 'D' && type != 'I' && type != 'S')
            continue;
        const std::string_view field = GetField(m_nextField);
        if (m_nextField < INT_MAX)
            ++m_nextField;
        switch (type) {
        case 'C':
            if (m_charsUsed < kCharSlots) {
                auto& slot = m_chars[static_cast<std::size_t>(m_charsUsed++)];
                slot.present = !field.empty();
                slot.value = field.empty() ? '\0' : AsciiUpper(field.front());
            }
            break;
        case 'D':
            if (m_numbersUsed < kNumberSlots) {
                auto& slot = m_numbers[static_cast<std::size_t>(m_numbersUsed++)];
                const auto number = NmeaParseNumber(field);
                slot.present = number.has_value();
                slot.value = number.value_or(0.0);
                if (!field.empty() && !number)
                    Refuse();   // garbled, not absent: "5O30.50" must not pass as no latitude
            }
            break;
        case 'I':
            if (m_intsUsed < kIntSlots) {
                auto& slot = m_ints[static_cast<std::size_t>(m_intsUsed++)];
                const auto number = NmeaParseInt(field);
                slot.present = number.has_value();
                slot.value = number.value_or(0);
                if (!field.empty() && !number)
                    Refuse();
            }
            break;
        case 'S':
            if (m_textsUsed < kTextSlots) {
                auto& slot = m_texts[static_cast<std::size_t>(m_textsUsed++)];
                slot.present = !field.empty();
                slot.value = field;
            }
            break;
        }
    }
    for (int k = m_charsUsed; k < kCharSlots; ++k)
        m_chars[static_cast<std::size_t>(k)] = {};
    for (int k = m_numbersUsed; k < kNumberSlots; ++k)
        m_numbers[static_cast<std::size_t>(k)] = {};
    for (int k = m_intsUsed; k < kIntSlots; ++k)
        m_ints[static_cast<std::size_t>(k)] = {};
    for (int k = m_textsUsed; k < kTextSlots; ++k)
        m_texts[static_cast<std::size_t>(k)] = {};
}

std::optional<char> CNMEAMessage::Char(int k) const
{
    if (k < 1 || k > kCharSlots || !m_chars[static_cast<std::size_t>(k - 1)].present)
        return std::nullopt;
    return m_chars[static_cast<std::size_t>(k - 1)].value;
}

std::optional<double> CNMEAMessage::Number(int k) const
{
    if (k < 1 || k > kNumberSlots || !m_numbers[static_cast<std::size_t>(k - 1)].present)
        return std::nullopt;
    return m_numbers[static_cast<std::size_t>(k - 1)].value;
}

std::optional<std::int32_t> CNMEAMessage::Int(int k) const
{
    if (k < 1 || k > kIntSlots || !m_ints[static_cast<std::size_t>(k - 1)].present)
        return std::nullopt;
    return m_ints[static_cast<std::size_t>(k - 1)].value;
}

std::optional<std::string_view> CNMEAMessage::Text(int k) const
{
    if (k < 1 || k > kTextSlots || !m_texts[static_cast<std::size_t>(k - 1)].present)
        return std::nullopt;
    return m_texts[static_cast<std::size_t>(k - 1)].value;
}

bool CNMEAMessage::StatusOk(std::optional<char> status) const
{
    if (!status)
        return false;
    const bool ignoreWarnings =
        m_ignoreWarningFlags != nullptr && m_ignoreWarningFlags->load(std::memory_order_relaxed);
    return *status == 'A' || (ignoreWarnings && *status == 'V');
}

CNMEADataValue* CNMEAMessage::Target(ValueStore store, int item)
{
    CNMEADataValue* values = nullptr;
    switch (store) {
    case ValueStore::GPS: values = m_stores.gps; break;
    case ValueStore::Wind: values = m_stores.wind; break;
    case ValueStore::ARPA: values = m_stores.arpa; break;
    }
    if (values == nullptr || item < 0 || item >= kValueCount)
        return nullptr;
    if (m_writtenCount < kMaxWritten)
        m_written[static_cast<std::size_t>(m_writtenCount++)] = {store,
                                                                 static_cast<std::uint8_t>(item)};
    return values + item;
}

const CNMEAStamp& CNMEAMessage::StampNow()
{
    if (!m_stamp) {
        static const platform::CSystemClock machineClock;
        m_stamp = CNMEAStamp::Now(m_clock != nullptr ? *m_clock : machineClock);
    }
    return *m_stamp;
}

void CNMEAMessage::StoreDouble(ValueStore store, int item, double value)
{
    if (CNMEADataValue* v = Target(store, item)) {
        v->SetDouble(value, StampNow());
        NoteFixItem(store, item, value);
    }
}

void CNMEAMessage::NoteFixItem(ValueStore store, int item, double value)
{
    if (store != ValueStore::GPS)
        return;
    switch (item) {
    case item::Latitude: m_fixLatitude = value; break;
    case item::Longitude: m_fixLongitude = value; break;
    case item::PositionTime: m_fixTime = value; break;
    case item::Date: m_fixDate = value; break;
    default: break;
    }
}

// A sentence that stored a latitude and a longitude writes one whole fix: the
// position in degrees (the store's north/east-negative numbers turned round),
// its own time and date, the datum items standing now, and its stamp.
void CNMEAMessage::CommitFix()
{
    if (!m_valid || !m_fixLatitude || !m_fixLongitude || m_stores.gpsFix == nullptr)
        return;
    CNMEAFix fix;
    fix.latitude = -NmeaDegMinToDegrees(*m_fixLatitude);
    fix.longitude = -NmeaDegMinToDegrees(*m_fixLongitude);
    fix.utcTime = m_fixTime;
    fix.date = m_fixDate;
    const CNMEADataValue* gps = m_stores.gps;
    if (gps != nullptr && gps[item::LocalDatum].IsValid() &&
        gps[item::DatumLatitudeOffset].IsValid() && gps[item::DatumLongitudeOffset].IsValid() &&
        gps[item::ReferenceDatum].IsValid()) {
        fix.datum = CNMEAFix::CDatumItems{
            gps[item::LocalDatum].GetString(), gps[item::DatumLatitudeOffset].GetDouble(),
            gps[item::DatumLongitudeOffset].GetDouble(), gps[item::ReferenceDatum].GetString()};
    }
    const CNMEAStamp& stamp = StampNow();
    fix.monotonic = stamp.monotonic;
    fix.utc = stamp.utc;
    fix.source = FixSource::NMEA;
    m_stores.gpsFix->Write(std::move(fix));
}

void CNMEAMessage::StoreInt(ValueStore store, int item, std::int32_t value)
{
    if (CNMEADataValue* v = Target(store, item))
        v->SetInt(value, StampNow());
}

void CNMEAMessage::StoreByte(ValueStore store, int item, std::uint8_t value)
{
    if (CNMEADataValue* v = Target(store, item))
        v->SetByte(value, StampNow());
}

void CNMEAMessage::StoreString(ValueStore store, int item, std::string_view value)
{
    if (CNMEADataValue* v = Target(store, item))
        v->SetString(value, StampNow());
}

}   // namespace nmea

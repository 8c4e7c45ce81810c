#include "nmea/NMEAMessage.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "nmea/NMEAConvert.h"
#include "nmea/NMEASentenceTable.h"
#include "platform/Ascii.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Nearly every field an instrument sends is a short plain decimal such as
// "4807.038" or "-12.5": at most 15 digits, so the digits make an exact
// integer and the power of ten it is divided by is exact too. One division
// then gives the correctly rounded double, the same one the general
// conversion finds. Anything else (exponents, long mantissas, stray
// characters) is left to the general path.
//
// `Ended`: the byte at `last` is known to be no digit (a field of the
// message's sentence ends at a delimiter or the sentence's terminating zero),
// so the digit runs stop by themselves and need no bound.
template <bool Ended>
inline bool SplitPlainDecimal(const char* first, const char* last, CPlainDecimal& out)
{
    const auto isDigit = [&](const char* p) {
        return (Ended || p != last) && static_cast<unsigned char>(*p - '0') <= 9;
    };
    out.negative = first != last && *first == '-';
    if (out.negative)
        ++first;
    std::uint64_t mantissa = 0;
    const char* const start = first;
    while (isDigit(first))
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*first++ - '0');
    const auto whole = first - start;
    long fraction = 0;
    if (first != last && *first == '.') {
        const char* const point = ++first;
        while (isDigit(first))
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*first++ - '0');
        fraction = first - point;
    }
    if (first != last || whole + fraction == 0 || whole + fraction > 15)
        return false;
    out.mantissa = mantissa;
    out.fraction = static_cast<std::uint8_t>(fraction);
    return true;
}

// NmeaParseInt with its usual case inline: a few plain digits (counts, days,
// zone hours).
inline std::optional<std::int32_t> SplitInt(std::string_view field)
{
    if (field.empty() || field.size() > 9)
        return NmeaParseInt(field);
    std::int32_t value = 0;
    for (const char c : field) {
        const auto digit = static_cast<unsigned char>(c - '0');
        if (digit > 9)
            return NmeaParseInt(field);
        value = value * 10 + digit;
    }
    return value;
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
    if (CPlainDecimal plain; SplitPlainDecimal<false>(first, last, plain))
        return plain.Value();
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
    // Plain decimal digits, the usual case, without the general loop's look-ups.
    if (pos < field.size() && field.size() - pos <= 9) {
        std::int32_t value = 0;
        std::size_t k = pos;
        while (k < field.size() && static_cast<unsigned char>(field[k] - '0') <= 9)
            value = value * 10 + (field[k++] - '0');
        if (k == field.size())
            return negative ? -value : value;
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

CNMEAMessage::CNMEAMessage() = default;

CNMEAMessage::~CNMEAMessage() = default;

void CNMEAMessage::SetSentence(int sentenceIndex, std::string_view text)
{
    m_sentenceIndex = sentenceIndex;
    if (text.size() < m_short.size()) {
        std::memmove(m_short.data(), text.data(), text.size());   // text may be this sentence
        m_short[text.size()] = '\0';
        m_sentence = std::string_view(m_short.data(), text.size());
    } else {
        m_long.assign(text);
        m_sentence = m_long;
    }
    m_valid = true;
    m_indexed = false;
    m_writtenCount = 0;
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
    return true;
}

namespace {

#if defined(__SSE2__)
// Where the sixteen bytes at `p` hold a comma, and where a byte that ends the
// data ('*' or a line end), one bit per byte.
struct CFieldMarks {
    unsigned commas;
    unsigned stops;
};

CFieldMarks FieldMarks16(const char* p)
{
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i stops = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('*')),
                                                    _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'))),
                                       _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')));
    return {static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(',')))),
            static_cast<unsigned>(_mm_movemask_epi8(stops))};
}
#endif

}   // namespace

// Commas end fields until the data ends at the first '*' or line end (or the
// end of the text), which ends the last field. Only the ends are kept: each
// field begins one past the end of the one before.
void CNMEAMessage::IndexFields()
{
    m_indexed = true;
    m_moreFields = false;
    const char* const s = m_sentence.data();
    // Past the 16-bit positions of the index the rest is walked field by field.
    const std::size_t size = std::min<std::size_t>(m_sentence.size(), UINT16_MAX);
    const bool cut = size < m_sentence.size();
    int count = 0;
    // Records the field ending at `at`; false once the index is full.
    const auto field = [&](std::size_t at) {
        if (count == kIndexedFields) {
            m_moreFields = true;
            return false;
        }
        m_fieldEnd[static_cast<std::size_t>(count++)] = static_cast<std::uint16_t>(at);
        return true;
    };
    std::size_t pos = 0;
#if defined(__SSE2__)
    for (; pos + 16 <= size; pos += 16) {
        auto [commas, stops] = FieldMarks16(s + pos);
        const int stop = std::countr_zero(stops);   // 32 when there is none
        if (stops != 0)
            commas &= (1U << stop) - 1;
        for (; commas != 0; commas &= commas - 1)
            if (!field(pos + static_cast<std::size_t>(std::countr_zero(commas))))
                break;
        if (m_moreFields || stops != 0) {
            if (!m_moreFields)
                field(pos + static_cast<std::size_t>(stop));
            m_fieldCount = count;
            return;
        }
    }
#endif
    for (; pos < size && !EndsData(s[pos]); ++pos)
        if (s[pos] == ',' && !field(pos))
            break;
    if (!m_moreFields) {
        if (cut && pos == size)
            m_moreFields = true;   // the field runs on past what the index can hold
        else
            field(pos);
    }
    m_fieldCount = count;
}

std::string_view CNMEAMessage::FieldBeyondIndex(int number) const
{
    if (!m_moreFields)
        return {};   // past the data every field is empty
    // A sentence of more fields than indexed: walk on from the last one.
    const std::string_view s = m_sentence;
    std::size_t begin = 0;   // where field `field` starts
    int field = 1;
    if (m_fieldCount > 0) {
        const std::size_t end = m_fieldEnd[static_cast<std::size_t>(m_fieldCount - 1)];
        if (end >= s.size() || EndsData(s[end]))
            return {};
        begin = end + 1;
        field = m_fieldCount + 1;
    }
    for (; field < number; ++field) {
        std::size_t pos = begin;
        while (pos < s.size() && !EndsField(s[pos]))
            ++pos;
        if (pos >= s.size() || EndsData(s[pos]))
            return {};
        begin = pos + 1;
    }
    std::size_t end = begin;
    while (end < s.size() && !EndsField(s[end]))
        ++end;
    return s.substr(begin, end - begin);
}

inline void CNMEAMessage::SplitChar(std::string_view field)
{
    if (m_charsUsed == kCharSlots)
        return;
    auto& slot = m_chars[static_cast<std::size_t>(m_charsUsed++)];
    slot.present = !field.empty();
    slot.value = field.empty() ? '\0' : AsciiUpper(field.front());
}

// Checked now, converted when a parser asks: most sentences carry numbers
// nobody stores.
inline void CNMEAMessage::SplitNumber(std::string_view field)
{
    if (m_numbersUsed == kNumberSlots)
        return;
    auto& slot = m_numbers[static_cast<std::size_t>(m_numbersUsed++)];
    slot.present = false;
    slot.converted = false;
    if (field.empty())
        return;
    if (SplitPlainDecimal<true>(field.data(), field.data() + field.size(), slot.parts)) {
        slot.present = true;
    } else if (const auto number = NmeaParseNumber(field)) {
        slot.present = true;
        slot.converted = true;
        slot.value = *number;
    } else {
        Refuse();   // garbled, not absent: "5O30.50" must not pass as no latitude
    }
}

inline void CNMEAMessage::SplitInteger(std::string_view field)
{
    if (m_intsUsed == kIntSlots)
        return;
    auto& slot = m_ints[static_cast<std::size_t>(m_intsUsed++)];
    const auto number = SplitInt(field);
    slot.present = number.has_value();
    slot.value = number.value_or(0);
    if (!field.empty() && !number)
        Refuse();
}

inline void CNMEAMessage::SplitText(std::string_view field)
{
    if (m_textsUsed == kTextSlots)
        return;
    auto& slot = m_texts[static_cast<std::size_t>(m_textsUsed++)];
    slot.present = !field.empty();
    slot.value = field;
}

void CNMEAMessage::Split(std::string_view fieldTypes)
{
    m_charsUsed = m_intsUsed = m_numbersUsed = m_textsUsed = 0;
    if (!m_indexed)
        IndexFields();
    // The field counter lives in a register here; the parsers see it after.
    // Field numbers that high read empty fields anyway: the bound keeps the
    // count from overflowing.
    const auto letters = static_cast<int>(std::min<std::size_t>(fieldTypes.size(), INT_MAX));
    int next = std::min(m_nextField, INT_MAX - letters);
    for (const char type : fieldTypes) {
        switch (type) {
        case 'C': SplitChar(IndexedField(next++)); break;
        case 'D': SplitNumber(IndexedField(next++)); break;
        case 'I': SplitInteger(IndexedField(next++)); break;
        case 'S': SplitText(IndexedField(next++)); break;
        default: break;   // other letters read no field
        }
    }
    m_nextField = next;
    // Slots past each kind's count read as absent (see the accessors), so
    // the rest need not be cleared.
}

bool CNMEAMessage::StatusOk(std::optional<char> status) const
{
    if (!status)
        return false;
    const bool ignoreWarnings =
        m_ignoreWarningFlags != nullptr && m_ignoreWarningFlags->load(std::memory_order_relaxed);
    return *status == 'A' || (ignoreWarnings && *status == 'V');
}

// Every value of one sentence carries the same stamp.
CNMEAStamp CNMEAMessage::StampNow() const
{
    static const platform::CSystemClock machineClock;
    return CNMEAStamp::Now(m_clock != nullptr ? *m_clock : machineClock);
}

void CNMEAMessage::CWriter::Fix(double latitude, double longitude,
                                const std::optional<double>& utcTime,
                                const std::optional<double>& date)
{
    CNMEAFixRecord* const record = m_message.m_stores.gpsFix;
    if (m_values == nullptr || m_store != ValueStore::GPS || record == nullptr)
        return;
    const auto fill = [&](CNMEAFix& fix) {
        fix.latitude = -NmeaDegMinToDegrees(latitude);
        fix.longitude = -NmeaDegMinToDegrees(longitude);
        fix.utcTime = utcTime;
        fix.date = date;
        fix.monotonic = m_stamp.monotonic;
        fix.utc = m_stamp.utc;
        fix.source = FixSource::NMEA;
    };
    // The datum items count as they stood when this sentence arrived. Nearly
    // every store never has one: that is told without taking their locks.
    const CNMEADataValue* gps = m_values;
    if (gps[item::LocalDatum].HasStamp() && gps[item::LocalDatum].IsValidAt(m_stamp.monotonic) &&
        gps[item::DatumLatitudeOffset].IsValidAt(m_stamp.monotonic) &&
        gps[item::DatumLongitudeOffset].IsValidAt(m_stamp.monotonic) &&
        gps[item::ReferenceDatum].IsValidAt(m_stamp.monotonic)) {
        CNMEAFix::CDatumItems datum{
            gps[item::LocalDatum].GetString(), gps[item::DatumLatitudeOffset].GetDouble(),
            gps[item::DatumLongitudeOffset].GetDouble(), gps[item::ReferenceDatum].GetString()};
        record->WriteInPlace([&](CNMEAFix& fix) {
            fill(fix);
            fix.datum = std::move(datum);
        });
        return;
    }
    // Without datum items, as nearly always, no datum record is built at all.
    record->WriteInPlace([&](CNMEAFix& fix) {
        fill(fix);
        fix.datum.reset();
    });
}

}   // namespace nmea

#include "nmea/NMEAMessage.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "nmea/FieldSplit.h"
#include "nmea/NMEAConvert.h"
#include "nmea/NMEASentenceTable.h"
#include "platform/Ascii.h"
#include "platform/LocaleFreeNumbers.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nmea {

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

// Where the last '*' of the line is. A received line ends in "*hh" and its
// line end, so the search from the back stops within a few bytes.
inline std::size_t LastStar(std::string_view line)
{
#if defined(__SSE2__)
    // The last sixteen bytes in one read: the line was copied in just now,
    // and bytes read one by one wait on that copy each time.
    if (line.size() >= 16) {
        const __m128i last =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + line.size() - 16));
        const auto stars =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(last, _mm_set1_epi8('*'))));
        if (stars != 0)
            return line.size() - 16 + static_cast<std::size_t>(31 - std::countl_zero(stars));
    }
#endif
    for (std::size_t i = line.size(); i-- > 0;)
        if (line[i] == '*')
            return i;
    return std::string_view::npos;
}

#if defined(__SSE2__)
// A mask of the first `n` bytes of a block; `n` outside 0..16 is taken as
// the nearer end.
__m128i FirstBytes(std::ptrdiff_t n)
{
    alignas(16) static constexpr unsigned char kOnes[32] = {
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0,    0,    0,    0,    0,    0,
        0,    0,    0,    0,    0,    0,    0,    0,    0,    0};
    n = std::clamp<std::ptrdiff_t>(n, 0, 16);
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(kOnes + 16 - n));
}

// The XOR of a block's sixteen bytes.
unsigned FoldXor(__m128i lanes)
{
    lanes = _mm_xor_si128(lanes, _mm_srli_si128(lanes, 8));
    auto folded = static_cast<std::uint64_t>(_mm_cvtsi128_si64(lanes));
    folded ^= folded >> 32;
    folded ^= folded >> 16;
    folded ^= folded >> 8;
    return static_cast<unsigned>(folded & 0xFF);
}
#endif

// The XOR of the `count` bytes at `p`.
unsigned XorOf(const char* p, std::size_t count)
{
    std::size_t i = 0;
    unsigned sum = 0;
#if defined(__SSE2__)
    if (count >= 16) {
        __m128i lanes = _mm_setzero_si128();
        for (; i + 16 <= count; i += 16)
            lanes = _mm_xor_si128(lanes, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
        if (i < count) {
            // The rest, read as the sixteen bytes that end at `count`, with
            // the ones taken already masked off: no byte-by-byte tail.
            alignas(16) static constexpr unsigned char kKeep[32] = {
                0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
                0,    0,    0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
            const std::size_t rest = count - i;
            const __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + count - 16));
            const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeep + rest));
            lanes = _mm_xor_si128(lanes, _mm_and_si128(last, keep));
            i = count;
        }
        sum = FoldXor(lanes);
    }
#endif
    for (; i < count; ++i)
        sum ^= static_cast<unsigned char>(p[i]);
    return sum;
}

// The checksum written after the '*' at `star`: up to two hex digits of
// either case; reading stops at the first other character, and no digits at
// all read as 0.
inline unsigned GivenChecksum(std::string_view line, std::size_t star)
{
    unsigned given = 0;
    for (std::size_t k = star + 1; k < line.size() && k <= star + 2; ++k) {
        const int digit = HexDigitValue(line[k]);
        if (digit < 0)
            break;
        given = given * 16 + static_cast<unsigned>(digit);
    }
    return given;
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
    if (CPlainDecimal plain; field_split::PlainDecimal<false>(first, last, plain))
        return plain.Value();
    double value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (end != last)
        return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // Too large, which is no number, or too small, which the standard
        // conversion rounds towards 0 and reports the same way.
        const std::string copy(first, last);
        value = platform::CStrToDouble(copy.c_str(), nullptr);
        return std::fabs(value) <= DBL_MIN ? std::optional(value) : std::nullopt;
    }
    if (ec != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::int32_t NmeaParseInt(std::string_view field)
{
    std::size_t pos = 0;
    while (pos < field.size() && (field[pos] == ' ' || (field[pos] >= '\t' && field[pos] <= '\r')))
        ++pos;
    bool negative = false;
    if (pos < field.size() && (field[pos] == '+' || field[pos] == '-')) {
        negative = field[pos] == '-';
        ++pos;
    }
    const int base = field.find_first_of("xX") == std::string_view::npos ? 10 : 16;
    // A "0x" before the digits belongs to a base-16 number; "0x" with no
    // digit after it is the number 0 followed by other text.
    if (base == 16 && pos + 2 < field.size() && field[pos] == '0' &&
        (field[pos + 1] == 'x' || field[pos + 1] == 'X') && HexDigitValue(field[pos + 2]) >= 0)
        pos += 2;
    constexpr long long kBeyond = static_cast<long long>(INT_MAX) + 1;
    long long value = 0;
    for (; pos < field.size(); ++pos) {
        const int digit = HexDigitValue(field[pos]);
        if (digit < 0 || digit >= base)
            break;
        value = std::min(value * base + digit, kBeyond);
    }
    if (negative)
        return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min<long long>(value, INT_MAX));
}

bool NmeaChecksumOk(std::string_view line)
{
    const std::size_t star = LastStar(line);
    if (star == std::string_view::npos)
        return true;
    return GivenChecksum(line, star) == XorOf(line.data(), star);
}

CNMEAMessage::CNMEAMessage() = default;

CNMEAMessage::~CNMEAMessage() = default;

void CNMEAMessage::SetSentence(int sentenceIndex, std::string_view text)
{
    if (text.size() < kShortSentence) {
        char* const copy = FreeCopy();
        if (!text.empty())   // an empty view may hold no pointer at all
            std::memmove(copy, text.data(), text.size());
        copy[text.size()] = '\0';
        m_copy ^= 1;
        BeginSentence(sentenceIndex, {copy, text.size()});
    } else {
        m_long.assign(text);   // text may be this sentence
        BeginSentence(sentenceIndex, m_long);
    }
}

void CNMEAMessage::BeginSentence(int sentenceIndex, std::string_view sentence)
{
    m_sentenceIndex = sentenceIndex;
    m_sentence = sentence;
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
    if (row->split != nullptr)
        row->split(*this);
    else
        Split(row->fieldTypes);
    row->parse(*this);
    return true;
}

namespace {

#if defined(__SSE2__)
// Where a block of sixteen bytes holds a comma, and where a byte that ends the
// data ('*' or a line end), one bit per byte.
struct CFieldMarks {
    unsigned commas;
    unsigned stops;
};

CFieldMarks FieldMarks16(__m128i bytes)
{
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
        auto [commas, stops] =
            FieldMarks16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + pos)));
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

// A received line passes here once: each sixteen bytes are loaded, stored
// into the free copy, XORed into the checksum and, up to the data's end,
// searched for the commas that give the field index IndexFields would build.
// The bytes from the last '*' on, which the checksum leaves out, are all in
// the line's last sixteen as a received line ends: their XOR is taken back
// out at the end. Only the line's own bytes are read: the last block is the
// one ending at the line's end, its bytes taken already masked out, and a
// line shorter than a block goes through a padded block of our own.
bool CNMEAMessage::SetCheckedLine(int sentenceIndex, std::string_view line)
{
    const std::size_t size = line.size();
#if defined(__SSE2__)
    // Lines of 5 bytes or more fit: that many are needed to name a sentence.
    const bool fits = size >= 5 && size <= kShortSentence + 1;
#else
    const bool fits = false;
#endif
    if (!fits) {
        if (!NmeaChecksumOk(line))
            return false;
        SetSentence(sentenceIndex, size > 2 ? line.substr(2) : std::string_view{});
        return true;
    }
#if defined(__SSE2__)
    char* const copy = FreeCopy();
    const char* const from = line.data();
    int count = 0;
    bool overfull = false;   // more fields than the index holds: IndexFields walks them
    // Indexes the commas and the data's end among the bits `fresh` of the
    // block at line position `at`; true once the data's end is found. The
    // sentence starts after the talker's two letters, so its positions are
    // the line's less two.
    const auto index = [&](__m128i block, std::size_t at, unsigned fresh) {
        auto [commas, stops] = FieldMarks16(block);
        commas &= fresh;
        stops &= fresh;
        if (stops != 0)
            commas &= (1U << std::countr_zero(stops)) - 1;
        // One field end at least follows these commas; a block holds 16 at most.
        if (count > kIndexedFields - 17 && count + std::popcount(commas) >= kIndexedFields) {
            overfull = true;
            return true;
        }
        const auto end = [&](unsigned bits) {
            m_fieldEnd[static_cast<std::size_t>(count++)] = static_cast<std::uint16_t>(
                at + static_cast<std::size_t>(std::countr_zero(bits)) - 2);
        };
        for (; commas != 0; commas &= commas - 1)
            end(commas);
        if (stops == 0)
            return false;
        end(stops);
        return true;
    };
    constexpr unsigned kAfterTalker = 0xFFFCU;
    __m128i sum = _mm_setzero_si128();
    bool ended = false;   // the data's end has been found
    // The line's last sixteen bytes, or all of a shorter one, padded.
    __m128i last;
    std::size_t lastAt = 0;   // where `last` starts in the line
    if (size < 16) {
        alignas(16) char padded[16] = {};
        std::memcpy(padded, from, size);
        last = _mm_load_si128(reinterpret_cast<const __m128i*>(padded));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(copy), last);
        sum = last;
        ended = index(last, 0, kAfterTalker);
    } else {
        std::size_t pos = 0;
        for (; pos + 16 <= size; pos += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + pos));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(copy + pos), block);
            sum = _mm_xor_si128(sum, block);
            if (!ended)
                ended = index(block, pos, pos == 0 ? kAfterTalker : 0xFFFFU);
        }
        lastAt = size - 16;
        last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + lastAt));
        if (pos < size) {
            const auto taken = static_cast<std::ptrdiff_t>(pos - lastAt);   // bytes done already
            _mm_storeu_si128(reinterpret_cast<__m128i*>(copy + lastAt), last);
            sum = _mm_xor_si128(sum, _mm_andnot_si128(FirstBytes(taken), last));
            if (!ended)
                ended = index(last, lastAt, 0xFFFFU << taken);
        }
    }
    bool checked = true;
    const auto stars =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(last, _mm_set1_epi8('*'))));
    if (stars != 0) {
        // The last '*' and every byte after it leave the sum.
        const auto star = static_cast<std::size_t>(31 - std::countl_zero(stars));
        sum = _mm_xor_si128(sum,
                            _mm_andnot_si128(FirstBytes(static_cast<std::ptrdiff_t>(star)), last));
        checked = GivenChecksum(line, lastAt + star) == FoldXor(sum);
    } else if (const std::size_t star = line.rfind('*'); star != std::string_view::npos) {
        // Text after the checksum longer than a block: rare enough to walk.
        checked = GivenChecksum(line, star) == XorOf(from, star);
    }
    if (!checked) {
        m_indexed = false;   // the index was this line's: the kept sentence is indexed anew
        return false;
    }
    copy[size] = '\0';
    m_copy ^= 1;
    BeginSentence(sentenceIndex, {copy + 2, size - 2});
    if (!overfull) {
        if (!ended)   // the text's end ends the last field
            m_fieldEnd[static_cast<std::size_t>(count++)] = static_cast<std::uint16_t>(size - 2);
        m_indexed = true;
        m_fieldCount = count;
        m_moreFields = false;
    }
    return true;
#endif
}

// Past the indexed fields: the checksum digits after the data's '*' and
// whatever follows them, or the rest of a sentence with more fields than the
// index holds. Every delimiter ends a field here as in the data.
std::string_view CNMEAMessage::FieldBeyondIndex(int number) const
{
    const std::string_view s = m_sentence;
    std::size_t begin = 0;   // where field `field` starts
    int field = 1;
    if (m_fieldCount > 0) {
        const std::size_t end = m_fieldEnd[static_cast<std::size_t>(m_fieldCount - 1)];
        if (end >= s.size())
            return {};   // the last field ran to the end of the text
        begin = end + 1;
        field = m_fieldCount + 1;
    }
    for (; field < number; ++field) {
        std::size_t pos = begin;
        while (pos < s.size() && !EndsField(s[pos]))
            ++pos;
        if (pos >= s.size())
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
    if (m_charsUsed < kCharSlots)
        SplitCharInto(m_chars[static_cast<std::size_t>(m_charsUsed++)], field);
}

inline void CNMEAMessage::SplitNumber(std::string_view field)
{
    if (m_numbersUsed < kNumberSlots)
        SplitNumberInto(m_numbers[static_cast<std::size_t>(m_numbersUsed++)], field);
}

inline void CNMEAMessage::SplitInteger(std::string_view field)
{
    if (m_intsUsed < kIntSlots)
        SplitIntegerInto(m_ints[static_cast<std::size_t>(m_intsUsed++)], field);
}

inline void CNMEAMessage::SplitText(std::string_view field)
{
    if (m_textsUsed < kTextSlots)
        SplitTextInto(m_texts[static_cast<std::size_t>(m_textsUsed++)], field);
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

void CNMEAMessage::CWriter::Fix(double latitude, double longitude, CFieldNumber utcTime,
                                CFieldNumber date)
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

#include "nmea/NMEAMessageParser.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "nmea/NMEASentenceTable.h"
#include "platform/Ascii.h"

namespace nmea {

using platform::AsciiUpper;
using platform::HexDigitValue;

std::string_view NmeaLineResultText(NMEALineResult result)
{
    switch (result) {
    case NMEALineResult::Parsed: return "parsed";
    case NMEALineResult::BadChecksum: return "bad checksum";
    case NMEALineResult::Proprietary: return "proprietary sentence";
    case NMEALineResult::UnknownSentence: return "unknown sentence";
    case NMEALineResult::NoParser: return "no parser for this sentence";
    case NMEALineResult::NotDelimited: return "sentence id not followed by a comma";
    case NMEALineResult::Refused: return "refused by its parser";
    }
    return "unknown";
}

namespace {

// Where the last '*' of the line is. A received line ends in "*hh" and its
// line end, so the search from the back stops within a few bytes.
std::size_t LastStar(std::string_view line)
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
        lanes = _mm_xor_si128(lanes, _mm_srli_si128(lanes, 8));
        std::uint64_t folded = static_cast<std::uint64_t>(_mm_cvtsi128_si64(lanes));
        folded ^= folded >> 32;
        folded ^= folded >> 16;
        folded ^= folded >> 8;
        sum = static_cast<unsigned>(folded & 0xFF);
    }
#endif
    for (; i < count; ++i)
        sum ^= static_cast<unsigned char>(p[i]);
    return sum;
}

}   // namespace

bool NmeaChecksumOk(std::string_view line)
{
    const std::size_t star = LastStar(line);
    if (star == std::string_view::npos)
        return true;
    const unsigned sum = XorOf(line.data(), star);
    // Up to two hex digits; conversion stops at the first other character,
    // and no digits at all read as 0.
    unsigned given = 0;
    for (std::size_t k = star + 1; k < line.size() && k <= star + 2; ++k) {
        const int digit = HexDigitValue(line[k]);
        if (digit < 0)
            break;
        given = given * 16 + static_cast<unsigned>(digit);
    }
    return (given & 0xFF) == sum;
}

CNMEAMessageParser::CNMEAMessageParser(const platform::CClock& clock, std::uint8_t validitySeconds,
                                       std::unique_ptr<CNMEAMessage> message)
    : m_message(std::move(message))
{
    for (CNMEADataValue& value : m_values) {
        value.SetClock(clock);
        value.SetValiditySpan(std::chrono::seconds(validitySeconds));
    }
    m_message->SetClock(clock);
    m_fix.SetValiditySpan(std::chrono::seconds(validitySeconds));
    m_message->SetStores({m_values.data(), m_values.data(), m_values.data(), &m_fix});
}

CNMEAMessageParser::~CNMEAMessageParser() = default;

bool CNMEAMessageParser::ParseLine(std::string_view line)
{
    if (!line.empty() && line.front() == '$')
        line.remove_prefix(1);
    if (!NmeaChecksumOk(line)) {
        m_lastResult = NMEALineResult::BadChecksum;
        return false;
    }
    return Dispatch(line);
}

bool CNMEAMessageParser::Dispatch(std::string_view line)
{
    if (!line.empty() && AsciiUpper(line.front()) == 'P') {
        m_lastResult = NMEALineResult::Proprietary;
        return true;
    }
    const std::string_view sentence = line.size() > 2 ? line.substr(2) : std::string_view{};
    // The table's look-up takes the id's letters in either case.
    const int index = NmeaSentenceIndex(sentence.substr(0, 3));
    if (index < 0) {
        m_lastResult = NMEALineResult::UnknownSentence;
        return true;
    }
    SetTalker(line);
    m_message->SetSentence(index, sentence);
    if (!m_message->Parse()) {
        m_lastResult = (sentence.size() > 3 && sentence[3] == ',') ? NMEALineResult::NoParser
                                                                   : NMEALineResult::NotDelimited;
        return false;
    }
    m_lastResult = m_message->IsValid() ? NMEALineResult::Parsed : NMEALineResult::Refused;
    return m_message->IsValid();
}

std::string CNMEAMessageParser::GetTalker() const
{
    if (!m_hasTalker)
        return "n.a.";
    return std::string(m_talker.data(), m_talker.size());
}

void CNMEAMessageParser::SetTalker(std::string_view line)
{
    if (line.size() < 2)
        return;
    m_talker = {line[0], line[1]};
    m_hasTalker = true;
}

CNMEAGPSParser::CNMEAGPSParser(const platform::CClock& clock, std::uint8_t validitySeconds)
    : CNMEAMessageParser(clock, validitySeconds, std::make_unique<CNMEAMessage>())
{ }

}   // namespace nmea

#include "nmea/NMEAMessageParser.h"

#include <cstring>

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

bool NmeaChecksumOk(std::string_view line)
{
    const std::size_t star = line.rfind('*');
    if (star == std::string_view::npos)
        return true;
    // XOR eight characters at a time, then fold the lanes into one byte.
    std::uint64_t lanes = 0;
    std::size_t i = 0;
    for (; i + 8 <= star; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, line.data() + i, sizeof word);
        lanes ^= word;
    }
    lanes ^= lanes >> 32;
    lanes ^= lanes >> 16;
    lanes ^= lanes >> 8;
    unsigned sum = static_cast<unsigned>(lanes & 0xFF);
    for (; i < star; ++i)
        sum ^= static_cast<unsigned char>(line[i]);
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
    std::array<char, 3> id{};
    const std::size_t idLength = std::min<std::size_t>(3, sentence.size());
    for (std::size_t i = 0; i < idLength; ++i)
        id[i] = AsciiUpper(sentence[i]);
    const int index = NmeaSentenceIndex(std::string_view(id.data(), idLength));
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

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

namespace {

// The table row a line (without its '$') names, or -1 for a proprietary
// sentence or an id outside the table.
int TableSentence(std::string_view line)
{
    if (line.size() < 5 || AsciiUpper(line.front()) == 'P')
        return -1;
    // The table's look-up takes the id's letters in either case.
    return NmeaSentenceIndex(line.substr(2, 3));
}

}   // namespace

bool CNMEAMessageParser::ParseLine(std::string_view line)
{
    if (!line.empty() && line.front() == '$')
        line.remove_prefix(1);
    // A sentence of the table is taken into the message as it is checked;
    // any other line is only checked.
    const int index = TableSentence(line);
    if (index < 0 ? !NmeaChecksumOk(line) : !m_message->SetCheckedLine(index, line)) {
        m_lastResult = NMEALineResult::BadChecksum;
        return false;
    }
    if (index < 0)
        return Dispatch(line);
    SetTalker(line);
    return RunParser();
}

bool CNMEAMessageParser::Dispatch(std::string_view line)
{
    if (!line.empty() && AsciiUpper(line.front()) == 'P') {
        m_lastResult = NMEALineResult::Proprietary;
        return true;
    }
    const int index = TableSentence(line);
    if (index < 0) {
        m_lastResult = NMEALineResult::UnknownSentence;
        return true;
    }
    SetTalker(line);
    m_message->SetSentence(index, line.substr(2));
    return RunParser();
}

bool CNMEAMessageParser::RunParser()
{
    if (!m_message->Parse()) {
        const std::string_view sentence = m_message->SentenceText();
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

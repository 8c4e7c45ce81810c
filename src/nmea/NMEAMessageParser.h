#pragma once
// Turns one received NMEA 0183 line into stored values: checks the checksum,
// takes the talker and sentence id apart, looks the id up in the sentence
// table and lets the message's parser for it write time-stamped values.
//
// A parser belongs to one module and is called from one thread at a time; its
// values are read from any thread (each value has its own lock).

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "nmea/NMEADataValue.h"
#include "nmea/NMEAMessage.h"
#include "nmea/NMEAValueIndex.h"

namespace nmea {

// What became of the last line; ParseLine's answer only tells a bad checksum
// or a refused sentence from the rest, monitors and tools want more.
enum class NMEALineResult : std::uint8_t {
    Parsed,   // a parser ran and accepted the sentence
    BadChecksum,   // dropped before anything was looked at
    Proprietary,   // a "$P..." sentence: not ours to parse
    UnknownSentence,   // id not in the table
    NoParser,   // in the table, but nothing is parsed from it
    NotDelimited,   // id not followed by a comma
    Refused,   // the parser refused it (status, letters, ranges)
};

std::string_view NmeaLineResultText(NMEALineResult result);

class CNMEAMessageParser {
public:
    // The validity span of every value, in whole seconds. The clock must
    // outlive the parser.
    CNMEAMessageParser(const platform::CClock& clock, std::uint8_t validitySeconds,
                       std::unique_ptr<CNMEAMessage> message);
    virtual ~CNMEAMessageParser();
    CNMEAMessageParser(const CNMEAMessageParser&) = delete;
    CNMEAMessageParser& operator=(const CNMEAMessageParser&) = delete;

    // Checksum test, then Dispatch. False only on a checksum mismatch or when
    // Dispatch says false; a line that is not ours is dropped with true.
    virtual bool ParseLine(std::string_view line);
    // The line without its leading '$'.
    virtual bool Dispatch(std::string_view line);

    // The talker of the last line that matched the table, or "n.a.".
    std::string GetTalker() const;
    void SetTalker(std::string_view line);

    CNMEADataValue& Value(int item) { return m_values[static_cast<std::size_t>(item)]; }
    const CNMEADataValue& Value(int item) const { return m_values[static_cast<std::size_t>(item)]; }
    CNMEADataValue* Values() { return m_values.data(); }
    static constexpr int ValueCount() { return kValueCount; }

    // The fix record of this parser's GPS store (see CNMEAFixRecord).
    CNMEAFixRecord& FixRecord() { return m_fix; }
    const CNMEAFixRecord& FixRecord() const { return m_fix; }

    CNMEAMessage& Message() { return *m_message; }
    const CNMEAMessage& Message() const { return *m_message; }
    NMEALineResult LastResult() const { return m_lastResult; }

    // Where sentences of other modules go (wind, ARPA); all three are this
    // parser's own values until the owner routes them.
    void SetStores(const CNMEAStores& stores) { m_message->SetStores(stores); }
    void SetIgnoreWarningFlags(const std::atomic<bool>* option)
    {
        m_message->SetIgnoreWarningFlags(option);
    }

protected:
    void SetLastResult(NMEALineResult result) { m_lastResult = result; }

private:
    // Runs the message's parser on the sentence just taken; sets the result.
    bool RunParser();

    std::unique_ptr<CNMEAMessage> m_message;
    std::array<CNMEADataValue, kValueCount> m_values;
    CNMEAFixRecord m_fix;
    std::array<char, 2> m_talker{};
    bool m_hasTalker = false;
    NMEALineResult m_lastResult = NMEALineResult::UnknownSentence;
};

// The parser of the GPS, wind and ARPA modules.
class CNMEAGPSParser : public CNMEAMessageParser {
public:
    CNMEAGPSParser(const platform::CClock& clock, std::uint8_t validitySeconds);
};

}   // namespace nmea

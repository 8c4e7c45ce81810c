#pragma once
// What an instrument module tells its device: the port numbers and the
// talker and sentence filters. The module changes them on the user-interface
// thread while the port and device threads filter with them, so they sit
// behind one lock.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string_view>

#include "nmea/NMEADevice.h"

namespace app {
class CRegistry;
}

namespace nmea {

class CInstrumentConfig {
public:
    std::atomic<std::uint8_t> receivePort{0};
    std::atomic<std::uint8_t> transmitPort{0};

    void SetTalkers(TalkerList talkers);
    void SetSentences(SentenceList sentences);
    TalkerList GetTalkers() const;
    SentenceList GetSentences() const;
    // Enables or disables an id already in the list; false when it is not.
    bool SetSentenceEnabled(std::string_view id, bool enabled);

    bool AcceptTalker(std::string_view line) const;
    bool IsSentenceEnabled(std::string_view line) const;

    // "True" / "False" per sentence id in an open "NMEASentences" key;
    // missing or unreadable values keep the flag as it is.
    void LoadSentenceFlags(const app::CRegistry& registry);
    void SaveSentenceFlags(app::CRegistry& registry) const;

private:
    mutable std::mutex m_lock;
    TalkerList m_talkers;
    SentenceList m_sentences;
};

}   // namespace nmea

#pragma once
// The own vessel's last position fix, kept whole. The position sentences
// (RMC, GLL, RMA) and the dead-reckoning step each write a complete fix under
// one lock, and readers copy a complete fix under the same lock, so nobody
// ever pairs one fix's latitude with another's longitude, datum or time.

#include <chrono>
#include <cstdint>
#include <mutex>

#include "nmea/ValueLock.h"
#include <optional>
#include <string>

namespace nmea {

enum class FixSource : std::uint8_t { NMEA, DR };

struct CNMEAFix {
    // Degrees, north and east positive (unlike the value store's items).
    double latitude = 0.0;
    double longitude = 0.0;
    // The datum items as they stood when the fix was written: local and
    // reference datum codes and the offsets in minutes; absent when no
    // datum sentence was valid.
    struct CDatumItems {
        std::string localCode;
        double latitudeOffset = 0.0;
        double longitudeOffset = 0.0;
        std::string referenceCode;
    };
    std::optional<CDatumItems> datum;
    // The sentence's UTC time (hhmmss.ss) and date (ddmmyy) when it carried them.
    std::optional<double> utcTime;
    std::optional<double> date;
    std::chrono::steady_clock::time_point monotonic{};
    std::chrono::system_clock::time_point utc{};
    FixSource source = FixSource::NMEA;
    // Counts the writes; 0 means no fix was ever written.
    std::uint64_t sequence = 0;
};

class CNMEAFixRecord {
public:
    // Stores the fix whole and gives it the next sequence number.
    void Write(CNMEAFix fix);
    // The same, filled in place: `fill(CNMEAFix&)` must set every field but
    // the sequence. The record's buffers are reused, so the busiest writer
    // (every position sentence) builds no fix of its own.
    template <class Fill>
    void WriteInPlace(Fill&& fill)
    {
        std::lock_guard lock(m_lock);
        fill(m_fix);
        m_fix.sequence = ++m_sequence;
        m_present = true;
        m_stale = false;
    }
    // A dead-reckoned fix never replaces a valid received one: a fix that
    // arrived since the last step wins. False when it was not written.
    bool WriteUnlessNmeaValid(CNMEAFix fix, std::chrono::steady_clock::time_point now);
    CNMEAFix Read() const;
    // Forgets the fix (sequence kept counting), as on a source switched off.
    void Reset();
    // The fix held stops counting as a valid received one (the position
    // source went over to dead reckoning); the next fix written counts again.
    void InvalidateNmeaFix();

    // How long a received fix counts as valid (the parser's validity span).
    void SetValiditySpan(std::chrono::steady_clock::duration span);
    // True while the last fix came from the sentences and is younger than the span.
    bool IsNmeaFixValid(std::chrono::steady_clock::time_point now) const;

private:
    mutable CValueLock m_lock;
    CNMEAFix m_fix;
    bool m_present = false;
    bool m_stale = false;   // the fix held was invalidated
    std::uint64_t m_sequence = 0;
    std::chrono::steady_clock::duration m_validity = std::chrono::seconds(5);
};

}   // namespace nmea

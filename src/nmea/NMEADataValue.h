#pragma once
// One received instrument datum: a number, text, integer or character, when it
// was last written, and how long it counts as valid afterwards.
//
// Instrument threads write values as sentences are parsed; the user-interface
// thread polls IsValid and then reads. Each value carries its own mutex, so a
// reader always sees a field whole, but several values written by one
// sentence do not change together.
//
// Age and validity run on the monotonic clock: setting the wall clock back or
// forward neither revives stale data nor ages fresh data. The UTC wall-clock
// stamp is kept beside it for display only.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "nmea/ValueLock.h"
#include "platform/Clock.h"

namespace nmea {

// The moment of one write on both clocks. A parser takes it once per sentence
// so every value of that sentence carries the same stamp.
struct CNMEAStamp {
    std::chrono::steady_clock::time_point monotonic;
    std::chrono::system_clock::time_point utc;

    static CNMEAStamp Now(const platform::CClock& clock)
    {
        const auto [monotonic, utc] = clock.CoarseNow();
        return {monotonic, utc};
    }
};

class CNMEADataValue {
public:
    static constexpr std::chrono::seconds kDefaultValidity{5};

    // Stamps with the machine's clock until the owner hands over its own.
    CNMEADataValue();
    CNMEADataValue(const CNMEADataValue&) = delete;
    CNMEADataValue& operator=(const CNMEADataValue&) = delete;

    // Set by the owner before the value is shared between threads; the clock
    // must outlive the value.
    void SetClock(const platform::CClock& clock);

    // Each setter changes its own payload field and the shared stamp; the other
    // three fields keep what they held.
    void SetDouble(double value);
    void SetString(std::string_view value);
    void SetInt(std::int32_t value);
    void SetByte(std::uint8_t value);
    // With a stamp the writer took already: every value a sentence writes
    // comes through here, so these are inline.
    void SetDouble(double value, const CNMEAStamp& stamp)
    {
        std::lock_guard lock(m_lock);
        m_number = value;
        Stamp(stamp);
    }
    void SetString(std::string_view value, const CNMEAStamp& stamp)
    {
        std::lock_guard lock(m_lock);
        m_text.assign(value);   // reuses the buffer: no allocation once it has grown
        Stamp(stamp);
    }
    void SetInt(std::int32_t value, const CNMEAStamp& stamp)
    {
        std::lock_guard lock(m_lock);
        m_integer = value;
        Stamp(stamp);
    }
    void SetByte(std::uint8_t value, const CNMEAStamp& stamp)
    {
        std::lock_guard lock(m_lock);
        m_character = value;
        Stamp(stamp);
    }

    // Getters never test validity: readers that care call IsValid first.
    double GetDouble() const;
    std::string GetString() const;
    std::int32_t GetInt() const;
    std::uint8_t GetByte() const;

    // True while written and younger than the validity span; an age equal to
    // the span is stale, so a span of zero is never valid.
    bool IsValid() const;
    // The same, as of a moment the caller already read from the value's clock.
    bool IsValidAt(std::chrono::steady_clock::time_point now) const;
    // False while the value has never been written or was reset since: one
    // load, without the lock. The writing thread sees its own writes; another
    // thread may see a write that races the call a moment late, which a caller
    // that only skips the value then (as if it came after) can accept.
    bool HasStamp() const { return m_stamped.load(std::memory_order_relaxed); }

    // Empties the value: payload cleared and the stamp marked invalid.
    void Reset();

    void SetValiditySpan(std::chrono::steady_clock::duration span);
    std::chrono::steady_clock::duration GetValiditySpan() const;

    // Wall-clock time of the last write, for display; absent while empty.
    std::optional<std::chrono::system_clock::time_point> GetUtcStamp() const;

private:
    void Stamp(const CNMEAStamp& stamp)   // caller holds m_lock
    {
        m_monotonic = stamp.monotonic;
        m_utc = stamp.utc;
        m_stamped.store(true, std::memory_order_relaxed);
    }

    const platform::CClock* m_clock;
    mutable CValueLock m_lock;
    // Changed under m_lock; atomic only for HasStamp.
    std::atomic<bool> m_stamped{false};
    // The two stamps are kept apart: side by side, the compiler copies a
    // stamp into them as one 16-byte block, which it first assembles through
    // memory from the two registers the clock returns it in, and that load
    // stalls waiting on the two stores just made.
    std::chrono::steady_clock::time_point m_monotonic{};
    double m_number = 0.0;
    std::chrono::system_clock::time_point m_utc{};
    std::chrono::steady_clock::duration m_validity = kDefaultValidity;
    std::string m_text;
    std::int32_t m_integer = 0;
    std::uint8_t m_character = 0;
};

}   // namespace nmea

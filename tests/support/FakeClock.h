#pragma once
// A clock for tests. Both clocks stand still until moved; Advance() moves
// them together as real time does, while SetUtc() and JumpUtc() step only the
// wall clock, as a user, NTP or a GPS fix would.

#include "platform/Clock.h"

#include <chrono>

namespace brine_test {

class FakeClock final : public platform::CClock {
public:
    using steady_time = std::chrono::steady_clock::time_point;
    using utc_time = std::chrono::system_clock::time_point;

    // Starts at 2024-01-01 00:00:00 UTC and an arbitrary monotonic origin.
    FakeClock() : m_monotonic(std::chrono::hours(1000)), m_utc(std::chrono::seconds(1704067200)) { }

    steady_time Monotonic() const override { return m_monotonic; }
    utc_time UtcNow() const override { return m_utc; }

    template <class Rep, class Period>
    void Advance(std::chrono::duration<Rep, Period> d)
    {
        m_monotonic += std::chrono::duration_cast<steady_time::duration>(d);
        m_utc += std::chrono::duration_cast<utc_time::duration>(d);
    }

    void SetUtc(utc_time t) { m_utc = t; }

    template <class Rep, class Period>
    void JumpUtc(std::chrono::duration<Rep, Period> d)
    {
        m_utc += std::chrono::duration_cast<utc_time::duration>(d);
    }

    void SetMonotonic(steady_time t) { m_monotonic = t; }

private:
    steady_time m_monotonic;
    utc_time m_utc;
};

}   // namespace brine_test

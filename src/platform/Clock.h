#pragma once
// Time as core code sees it: a monotonic clock for ages, intervals and
// validity, and the UTC wall clock for stamps. The two are separate because
// the wall clock may be stepped (by the user, NTP or a GPS fix) while ages must
// keep counting evenly.

#include <chrono>

namespace platform {

class CClock {
public:
    virtual ~CClock() = default;
    virtual std::chrono::steady_clock::time_point Monotonic() const = 0;
    virtual std::chrono::system_clock::time_point UtcNow() const = 0;
};

// The machine's own clocks.
class CSystemClock final : public CClock {
public:
    std::chrono::steady_clock::time_point Monotonic() const override
    {
        return std::chrono::steady_clock::now();
    }
    std::chrono::system_clock::time_point UtcNow() const override
    {
        return std::chrono::system_clock::now();
    }
};

}   // namespace platform

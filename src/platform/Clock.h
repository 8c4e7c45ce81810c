#pragma once
// Time as core code sees it: a monotonic clock for ages, intervals and
// validity, and the UTC wall clock for stamps. The two are separate because
// the wall clock may be stepped (by the user, NTP or a GPS fix) while ages must
// keep counting evenly.

#include <chrono>
#include <ctime>

namespace platform {

class CClock {
public:
    virtual ~CClock() = default;
    virtual std::chrono::steady_clock::time_point Monotonic() const = 0;
    virtual std::chrono::system_clock::time_point UtcNow() const = 0;

    // The same two clocks read cheaply, for stamping received data: they may
    // lag the precise readings by up to one scheduler tick (a few
    // milliseconds), far below the seconds a stamp's validity is measured in.
    // Every instrument sentence takes one of each, so the saving counts.
    virtual std::chrono::steady_clock::time_point CoarseMonotonic() const { return Monotonic(); }
    virtual std::chrono::system_clock::time_point CoarseUtcNow() const { return UtcNow(); }

    // Both cheap readings at once, as a received sentence is stamped.
    struct CCoarseReading {
        std::chrono::steady_clock::time_point monotonic;
        std::chrono::system_clock::time_point utc;
    };
    virtual CCoarseReading CoarseNow() const { return {CoarseMonotonic(), CoarseUtcNow()}; }
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
#if defined(CLOCK_MONOTONIC_COARSE) && defined(CLOCK_REALTIME_COARSE)
    // The coarse clocks share the precise clocks' origins (the steady clock
    // is CLOCK_MONOTONIC, the system clock CLOCK_REALTIME) and are read from
    // the kernel's shared page without touching the time-stamp counter.
    std::chrono::steady_clock::time_point CoarseMonotonic() const override
    {
        return std::chrono::steady_clock::time_point(
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                Read(CLOCK_MONOTONIC_COARSE)));
    }
    std::chrono::system_clock::time_point CoarseUtcNow() const override
    {
        return std::chrono::system_clock::time_point(
            std::chrono::duration_cast<std::chrono::system_clock::duration>(
                Read(CLOCK_REALTIME_COARSE)));
    }
    // The kernel moves both coarse clocks together, once a tick: while the
    // monotonic reading stands where this thread last saw it, so does the
    // wall clock, and the second read is spared. Sentences arrive in bursts,
    // so most of a burst takes one read. Only a step of the wall clock
    // within the tick is missed, and is seen from the next tick on.
    CCoarseReading CoarseNow() const override
    {
        thread_local CCoarseReading last{};
        const auto monotonic = CoarseMonotonic();
        if (monotonic != last.monotonic)
            last = {monotonic, CoarseUtcNow()};
        return last;
    }

private:
    static std::chrono::nanoseconds Read(clockid_t clock)
    {
        timespec now{};
        clock_gettime(clock, &now);
        return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
    }
#endif
};

}   // namespace platform

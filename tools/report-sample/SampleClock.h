#pragma once
// A clock the sample writers set by hand: the logbook stamps rows, starts
// and ends with the time the writer gives it, not the machine's.

#include "platform/Clock.h"

#include <chrono>

namespace report_sample {

class CSampleClock final : public platform::CClock {
public:
    std::chrono::steady_clock::time_point Monotonic() const override { return monotonic; }
    std::chrono::system_clock::time_point UtcNow() const override { return now; }

    // Both clocks at `t`.
    void Set(std::chrono::system_clock::time_point t)
    {
        now = t;
        monotonic = std::chrono::steady_clock::time_point(
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(t.time_since_epoch()));
    }

    std::chrono::steady_clock::time_point monotonic{};
    std::chrono::system_clock::time_point now{};
};

}   // namespace report_sample

#pragma once
// The main frame's periodic pass (every 500 ms). Each periodic job keeps its
// own last-run time on the monotonic clock, so the navigator's 1 s job and the
// memory/disk messages' 10 s job run at their cadence whatever the pass
// interval, and a wall clock stepped by the user, NTP or a GPS fix neither
// stalls nor floods them.

#include <chrono>
#include <exception>
#include <functional>
#include <optional>

#include "platform/Clock.h"

namespace app {

class CFrameTimer {
public:
    struct Jobs {
        std::function<void()> stationRecords;   // every pass
        std::function<void()> every10s;   // memory and disk messages
        std::function<void()> every1s;   // the navigator's timer operation
    };

    explicit CFrameTimer(const platform::CClock& clock) : m_clock(clock) { }

    // Suspended from construction until start-up completes, and while the
    // close sequence asks its questions. Returns the previous state.
    bool SuspendTimer(bool suspend)
    {
        const bool was = m_suspended;
        m_suspended = suspend;
        return was;
    }
    bool IsSuspended() const { return m_suspended; }
    bool IsBusy() const { return m_busy; }

    // One pass. Returns false when it was skipped (suspended, or re-entered
    // from a message loop that a job pumps). A job that throws ends the pass;
    // it keeps its last-run time and so is tried again at the next pass.
    bool OnTimer(const Jobs& jobs);

private:
    using Time = std::chrono::steady_clock::time_point;
    // A timer that fires a few milliseconds early (a coarse timer may, by up
    // to 5% of its interval) must still count as a whole span: measured
    // strictly, a 1 s job on 500 ms passes would run only every third pass.
    static constexpr std::chrono::milliseconds kEarlyTolerance{100};
    static bool Due(const std::optional<Time>& last, Time now, std::chrono::seconds span)
    {
        return !last || now - *last >= span - kEarlyTolerance;
    }

    const platform::CClock& m_clock;
    bool m_suspended = true;
    bool m_busy = false;
    std::optional<Time> m_last1s;
    std::optional<Time> m_last10s;
};

}   // namespace app

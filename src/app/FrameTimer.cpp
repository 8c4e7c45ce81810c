#include "app/FrameTimer.h"

namespace app {

bool CFrameTimer::OnTimer(const Jobs& jobs)
{
    if (m_suspended || m_busy)
        return false;
    m_busy = true;
    const Time now = m_clock.Monotonic();
    try {
        if (jobs.stationRecords)
            jobs.stationRecords();
        if (Due(m_last10s, now, std::chrono::seconds(10))) {
            if (jobs.every10s)
                jobs.every10s();
            m_last10s = now;
        }
        if (Due(m_last1s, now, std::chrono::seconds(1))) {
            if (jobs.every1s)
                jobs.every1s();
            m_last1s = now;
        }
    } catch (...) {
        // Timer handlers carry on without a message; only the guard is cleared.
    }
    m_busy = false;
    return true;
}

}   // namespace app

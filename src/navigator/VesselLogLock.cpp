#include "navigator/VesselLogLock.h"

#include <thread>

namespace navigator {

bool LockVesselLogIndex(CVesselLogIndexLock& lock, const std::string& what,
                        const CLockRetryPolicy& policy, std::string& message,
                        const std::function<void(std::chrono::milliseconds)>& pause)
{
    const int attempts = policy.attempts < 1 ? 1 : policy.attempts;
    for (int i = 0; i < attempts; ++i) {
        if (lock.TryLock())
            return true;
        if (i + 1 == attempts)
            break;
        if (pause)
            pause(policy.pause);
        else
            std::this_thread::sleep_for(policy.pause);
    }
    const auto waited = policy.pause * (attempts - 1);
    message =
        what + " was not written: the vessel log " + lock.IndexName() +
        " stayed locked by another station for " +
        std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()) +
        " ms; it will be tried again.";
    return false;
}

}   // namespace navigator

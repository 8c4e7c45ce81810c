#pragma once
// Locking the vessel-log index that networked stations share, before one of
// its rows is written. The lock is tried a bounded number of times, a short
// pause apart, so the user-interface thread waits at most attempts x pause
// for another station; when the lock never comes the row is not written and
// the message says why, instead of the program hanging until the other
// station lets go.

#include <chrono>
#include <functional>
#include <string>

namespace navigator {

// The index's lock as the vessel log holds it: one try that does not wait.
class CVesselLogIndexLock {
public:
    virtual ~CVesselLogIndexLock() = default;
    virtual bool TryLock() = 0;
    // The index's file, for the message.
    virtual std::string IndexName() const = 0;
};

struct CLockRetryPolicy {
    int attempts = 10;
    std::chrono::milliseconds pause{100};
};

// True once the lock is held. False after `policy.attempts` tries with
// `message` naming the index and what was not written (`what`, e.g. "The
// logbook row"). `pause` waits between tries (the thread's sleep unless given).
bool LockVesselLogIndex(CVesselLogIndexLock& lock, const std::string& what,
                        const CLockRetryPolicy& policy, std::string& message,
                        const std::function<void(std::chrono::milliseconds)>& pause = {});

}   // namespace navigator

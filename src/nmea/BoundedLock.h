#pragma once

#include <chrono>
#include <mutex>
#include <thread>

#if defined(__SANITIZE_THREAD__)
#define BRINE_TSAN_BUILD 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define BRINE_TSAN_BUILD 1
#endif
#endif

namespace nmea {

// Takes a timed mutex, waiting at most `wait`. The plain try-lock comes first:
// these locks are almost always free, and it spares the timed wait's clock call.
//
// ThreadSanitizer does not see a lock taken by the timed wait (glibc takes it
// with pthread_mutex_clocklock, which the sanitizer does not intercept) and
// would report races on everything the lock guards; under the sanitizer the
// wait is made of short sleeps between try-locks, which it does see.
inline bool LockWithin(std::timed_mutex& lock, std::chrono::milliseconds wait)
{
    if (lock.try_lock())
        return true;
#ifdef BRINE_TSAN_BUILD
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
        if (lock.try_lock())
            return true;
    }
    return false;
#else
    return lock.try_lock_for(wait);
#endif
}

}   // namespace nmea

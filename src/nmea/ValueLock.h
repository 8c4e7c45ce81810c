#pragma once
// The lock of one received value (and of the fix record): a mutex in one
// atomic word whose uncontended lock and unlock are a single atomic
// instruction each, inline at the caller. Every parsed sentence takes a
// handful of these, where the library mutex costs two calls into the thread
// library per value.
//
// It blocks like any mutex: a thread that finds it held sleeps in the kernel
// (C++20 atomic wait) until the holder lets go; it never spins for long.
// Usable with std::lock_guard and std::unique_lock.

#include <atomic>

namespace nmea {

class CValueLock {
public:
    CValueLock() = default;
    CValueLock(const CValueLock&) = delete;
    CValueLock& operator=(const CValueLock&) = delete;

    void lock()
    {
        int state = kFree;
        if (m_state.compare_exchange_strong(state, kHeld, std::memory_order_acquire,
                                            std::memory_order_relaxed))
            return;
        LockContended(state);
    }

    bool try_lock()
    {
        int state = kFree;
        return m_state.compare_exchange_strong(state, kHeld, std::memory_order_acquire,
                                               std::memory_order_relaxed);
    }

    void unlock()
    {
        if (m_state.exchange(kFree, std::memory_order_release) == kWaited)
            m_state.notify_one();
    }

private:
    // Free; held with nobody waiting; held and someone may be asleep on it.
    static constexpr int kFree = 0;
    static constexpr int kHeld = 1;
    static constexpr int kWaited = 2;

    // The lock was not free: mark it waited on and sleep until it is let go.
    // Whoever takes it here takes it as waited on, so its unlock wakes the
    // next sleeper (at worst one wake too many, never one too few).
    void LockContended(int state)
    {
        if (state != kWaited)
            state = m_state.exchange(kWaited, std::memory_order_acquire);
        while (state != kFree) {
            m_state.wait(kWaited, std::memory_order_relaxed);
            state = m_state.exchange(kWaited, std::memory_order_acquire);
        }
    }

    std::atomic<int> m_state{kFree};
};

}   // namespace nmea

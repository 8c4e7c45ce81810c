#pragma once
// Taking the route database's lock between stations. The first try is at
// once; a refused lock is tried again from the frame's timer (the window
// keeps working meanwhile) for a bounded time, then given up with the
// holder named: the station that announced the lock on this database, or
// "another station or program" when no station said so (a program outside
// the network, or a station that went quiet).

#include <chrono>
#include <functional>
#include <string>

namespace routes {

class CRouteLockAttempt {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kRetryFor{3000};

    enum class State { Idle, Pending, Taken, Refused };

    // `tryLock` takes the table's lock once, without waiting.
    explicit CRouteLockAttempt(std::function<bool()> tryLock) : m_tryLock(std::move(tryLock)) { }

    // Tries at once; Pending when it must be tried again from the timer.
    State Start(Clock::time_point now);
    // A timer pass: one more try while pending; Refused once the time is up.
    State Poll(Clock::time_point now);
    void Cancel() { m_state = State::Idle; }
    State GetState() const { return m_state; }

    // Another station announced a lock (or its release) on our database.
    void HeldBy(std::string station) { m_holder = std::move(station); }
    void Released() { m_holder.clear(); }
    std::string HolderText() const;
    // "The route database is being edited by 127.0.0.2."
    std::string RefusalText() const;

private:
    std::function<bool()> m_tryLock;
    State m_state = State::Idle;
    Clock::time_point m_deadline{};
    std::string m_holder;
};

}   // namespace routes

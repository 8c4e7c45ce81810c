#include "routes/RouteLock.h"

namespace routes {

CRouteLockAttempt::State CRouteLockAttempt::Start(Clock::time_point now)
{
    m_deadline = now + kRetryFor;
    m_state = m_tryLock() ? State::Taken : State::Pending;
    return m_state;
}

CRouteLockAttempt::State CRouteLockAttempt::Poll(Clock::time_point now)
{
    if (m_state != State::Pending)
        return m_state;
    if (m_tryLock())
        m_state = State::Taken;
    else if (now >= m_deadline)
        m_state = State::Refused;
    return m_state;
}

std::string CRouteLockAttempt::HolderText() const
{
    return m_holder.empty() ? std::string("another station or program") : m_holder;
}

std::string CRouteLockAttempt::RefusalText() const
{
    return "The route database is being edited by " + HolderText() + ".";
}

}   // namespace routes

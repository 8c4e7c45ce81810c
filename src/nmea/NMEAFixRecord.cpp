#include "nmea/NMEAFixRecord.h"

namespace nmea {

void CNMEAFixRecord::Write(CNMEAFix fix)
{
    std::lock_guard lock(m_lock);
    fix.sequence = ++m_sequence;
    m_fix = std::move(fix);
    m_present = true;
    m_stale = false;
}

bool CNMEAFixRecord::WriteUnlessNmeaValid(CNMEAFix fix, std::chrono::steady_clock::time_point now)
{
    std::lock_guard lock(m_lock);
    if (m_present && !m_stale && m_fix.source == FixSource::NMEA &&
        now - m_fix.monotonic < m_validity)
        return false;
    fix.sequence = ++m_sequence;
    m_fix = std::move(fix);
    m_present = true;
    m_stale = false;
    return true;
}

CNMEAFix CNMEAFixRecord::Read() const
{
    std::lock_guard lock(m_lock);
    if (!m_present)
        return {};
    return m_fix;
}

void CNMEAFixRecord::Reset()
{
    std::lock_guard lock(m_lock);
    m_present = false;
}

void CNMEAFixRecord::InvalidateNmeaFix()
{
    std::lock_guard lock(m_lock);
    m_stale = true;
}

void CNMEAFixRecord::SetValiditySpan(std::chrono::steady_clock::duration span)
{
    std::lock_guard lock(m_lock);
    m_validity = span;
}

bool CNMEAFixRecord::IsNmeaFixValid(std::chrono::steady_clock::time_point now) const
{
    std::lock_guard lock(m_lock);
    return m_present && !m_stale && m_fix.source == FixSource::NMEA &&
           now - m_fix.monotonic < m_validity;
}

}   // namespace nmea

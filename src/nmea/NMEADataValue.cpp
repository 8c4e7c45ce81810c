#include "nmea/NMEADataValue.h"

namespace nmea {
namespace {

const platform::CClock& MachineClock()
{
    static const platform::CSystemClock clock;
    return clock;
}

}   // namespace

CNMEADataValue::CNMEADataValue() : m_clock(&MachineClock()) { }

void CNMEADataValue::SetClock(const platform::CClock& clock)
{
    m_clock = &clock;
}

void CNMEADataValue::SetDouble(double value)
{
    SetDouble(value, CNMEAStamp::Now(*m_clock));
}

void CNMEADataValue::SetString(std::string_view value)
{
    SetString(value, CNMEAStamp::Now(*m_clock));
}

void CNMEADataValue::SetInt(std::int32_t value)
{
    SetInt(value, CNMEAStamp::Now(*m_clock));
}

void CNMEADataValue::SetByte(std::uint8_t value)
{
    SetByte(value, CNMEAStamp::Now(*m_clock));
}

double CNMEADataValue::GetDouble() const
{
    std::lock_guard lock(m_lock);
    return m_number;
}

std::string CNMEADataValue::GetString() const
{
    std::lock_guard lock(m_lock);
    return m_text;
}

std::int32_t CNMEADataValue::GetInt() const
{
    std::lock_guard lock(m_lock);
    return m_integer;
}

std::uint8_t CNMEADataValue::GetByte() const
{
    std::lock_guard lock(m_lock);
    return m_character;
}

bool CNMEADataValue::IsValid() const
{
    // Read the clock outside the lock: a slow clock must not hold up writers.
    return IsValidAt(m_clock->Monotonic());
}

bool CNMEADataValue::IsValidAt(std::chrono::steady_clock::time_point now) const
{
    std::lock_guard lock(m_lock);
    if (!m_stamped.load(std::memory_order_relaxed))
        return false;
    // A stamp taken after `now` was read (a write racing this call) is fresh.
    return now - m_monotonic < m_validity;
}

void CNMEADataValue::Reset()
{
    std::lock_guard lock(m_lock);
    m_text.clear();
    m_number = 0.0;
    m_integer = 0;
    m_character = 0;
    m_stamped.store(false, std::memory_order_relaxed);
}

void CNMEADataValue::SetValiditySpan(std::chrono::steady_clock::duration span)
{
    std::lock_guard lock(m_lock);
    m_validity = span;
}

std::chrono::steady_clock::duration CNMEADataValue::GetValiditySpan() const
{
    std::lock_guard lock(m_lock);
    return m_validity;
}

std::optional<std::chrono::system_clock::time_point> CNMEADataValue::GetUtcStamp() const
{
    std::lock_guard lock(m_lock);
    if (!m_stamped.load(std::memory_order_relaxed))
        return std::nullopt;
    return m_utc;
}

}   // namespace nmea

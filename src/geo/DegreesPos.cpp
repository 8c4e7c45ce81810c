#include "geo/DegreesPos.h"

#include <cmath>

namespace geo {

bool CDegreesPos::IsValid() const
{
    if (m_value >= 0)
        return m_value <= m_maximum;
    return m_value >= m_minimum;   // false for NaN as well
}

bool CDegreesPos::SetValue(double v)
{
    if (!(v >= m_minimum && v <= m_maximum))
        return false;
    m_value = v;
    return true;
}

std::int64_t CDegreesPos::GetDegrees() const
{
    const double a = std::fabs(m_value);
    if (!std::isfinite(a) || a >= 9.2e18)
        return 0;
    return static_cast<std::int64_t>(a);
}

double CDegreesPos::GetMinutes() const
{
    const double a = std::fabs(m_value);
    if (!std::isfinite(a))
        return 0.0;
    return (a - std::trunc(a)) * 60.0;
}

double CDegreesPos::GetSeconds() const
{
    const double m = GetMinutes();
    return (m - std::trunc(m)) * 60.0;
}

}   // namespace geo

#pragma once
// An angle in degrees held between a fixed minimum and maximum (both inclusive).
// Latitudes and longitudes are two of these; the bounds never change after
// construction, only the value does, and only to a value inside them.

#include <cstdint>

namespace geo {

class CDegreesPos {
public:
    // Stores the three values as given: a constructed angle may lie outside its
    // bounds, which IsValid() then reports.
    CDegreesPos(double value, double minimum, double maximum)
        : m_value(value), m_minimum(minimum), m_maximum(maximum)
    { }

    bool IsValid() const;
    // Stores v when minimum <= v <= maximum; refuses (and keeps the old value)
    // otherwise, NaN included.
    bool SetValue(double v);

    double GetValue() const { return m_value; }
    double GetMinimum() const { return m_minimum; }
    double GetMaximum() const { return m_maximum; }

    // Whole degrees of |value|, truncated; 0 for a value that is not finite.
    std::int64_t GetDegrees() const;
    // Minutes of |value| beyond the whole degrees, 0 <= m < 60.
    double GetMinutes() const;
    // Seconds beyond the whole minutes, 0 <= s < 60.
    double GetSeconds() const;

private:
    double m_value;
    double m_minimum;
    double m_maximum;
};

}   // namespace geo

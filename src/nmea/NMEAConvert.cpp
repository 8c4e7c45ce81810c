#include "nmea/NMEAConvert.h"

#include <cmath>
#include <cstdint>

namespace nmea {

CNMEATimeOfDay NmeaTimeToHMS(double value)
{
    CNMEATimeOfDay t;
    if (!std::isfinite(value) || value < 0 || value >= 1e12)
        return t;
    const auto whole = static_cast<std::int64_t>(value);
    const auto hours = whole / 10000;
    t.minutes = static_cast<int>(whole / 100 % 100);
    t.seconds = static_cast<int>(whole % 100);
    t.dayCarry = static_cast<int>(hours / 24);
    t.hours = static_cast<int>(hours % 24);
    return t;
}

CNMEADate NmeaDateToDMY(double value)
{
    CNMEADate d;
    if (!std::isfinite(value) || value < 0 || value >= 1e7)
        return d;
    const auto whole = static_cast<std::int64_t>(value);
    d.day = static_cast<int>(whole / 10000);
    d.month = static_cast<int>(whole / 100 % 100);
    const int yy = static_cast<int>(whole % 100);
    d.year = yy < 70 ? 2000 + yy : 1900 + yy;
    return d;
}

double NmeaDegMinToDegrees(double value)
{
    // Whole degrees: for the numbers a position can be (and far beyond) the
    // whole hundreds of the integer part are what truncating value / 100
    // gives, as integer arithmetic, where a division by a constant is a
    // multiply; every position passes here. Without SSE4.1 std::trunc is a
    // library call, so the cast stands in for it as far as it is exact.
    double degrees = 0;
    if (std::fabs(value) < 1.0e12) {
        degrees = static_cast<double>(static_cast<std::int64_t>(value) / 100);
    } else {
        const double scaled = value / 100.0;
        degrees = std::fabs(scaled) < 9.0e15
                      ? static_cast<double>(static_cast<std::int64_t>(scaled))
                      : std::trunc(scaled);
    }
    return degrees + (value - degrees * 100.0) / 60.0;
}

bool NmeaDegMinWithin(double value, int maxDegrees)
{
    return value >= 0 && NmeaDegMinToDegrees(value) <= maxDegrees;
}

double DegreesToNmeaDegMin(double degrees)
{
    const double whole = std::trunc(degrees);
    return whole * 100.0 + (degrees - whole) * 60.0;
}

}   // namespace nmea

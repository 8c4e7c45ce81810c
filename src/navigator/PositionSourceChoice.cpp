#include "navigator/PositionSourceChoice.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "geo/NavMaths.h"

namespace navigator {

CGroundVector CombineCourseAndSet(double course, double speed, double set, double drift)
{
    auto zeroed = [](double v) { return std::fabs(v) < 1e-5 ? 0.0 : v; };
    const double north =
        zeroed(speed * std::cos(geo::DegToRad(course)) + drift * std::cos(geo::DegToRad(set)));
    const double east =
        zeroed(speed * std::sin(geo::DegToRad(course)) + drift * std::sin(geo::DegToRad(set)));
    CGroundVector v;
    if (north == 0.0 && east == 0.0)
        return v;
    v.cog = geo::NormaliseAngle360(geo::RadToDeg(std::atan2(east, north)));
    // The length from the better-conditioned component: east near east and
    // west, north near north and south.
    const bool eastWest = (v.cog >= 45.0 && v.cog < 135.0) || (v.cog >= 225.0 && v.cog < 315.0);
    v.sog =
        eastWest ? east / std::sin(geo::DegToRad(v.cog)) : north / std::cos(geo::DegToRad(v.cog));
    return v;
}

std::string AcceptBearingText(std::string_view typed, const std::string& lastAccepted)
{
    while (!typed.empty() && typed.front() == ' ')
        typed.remove_prefix(1);
    while (!typed.empty() && typed.back() == ' ')
        typed.remove_suffix(1);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(typed.data(), typed.data() + typed.size(), value);
    if (typed.empty() || ec != std::errc() || end != typed.data() + typed.size() || value < 0.0 ||
        value > 360.0)
        return lastAccepted;
    // Shown back as a bearing: whole degrees, three digits, 360 as 000.
    char text[8];
    std::snprintf(text, sizeof text, "%03ld", std::lround(value) % 360);
    return text;
}

int FixTypeFromText(std::string_view text)
{
    if (text == "Visual")
        return 1;
    if (text == "Radar")
        return 2;
    if (text == "Astro")
        return 3;
    if (text == "DR")
        return 5;
    return 6;
}

std::string SourceText(bool gpsReceiving, bool drRunning)
{
    if (!gpsReceiving)
        return "No Position Source";
    return drRunning ? "Position Source is DR" : "Position Source is EPFS";
}

}   // namespace navigator

#include "navigator/PositionMarkerTexts.h"

#include <cmath>

#include "app/StringUtils.h"
#include "geo/NavMaths.h"

namespace navigator {

namespace {

bool Known(double value)
{
    return std::isfinite(value) && value != kUnsetTrackValue && value < geo::kUnsetValue;
}

// Whole degrees in three digits; within half a degree of north it is "000".
std::string Bearing(double degrees)
{
    if (!Known(degrees))
        return {};
    if (!(degrees > 0.49 && degrees < 359.5))
        return "000";
    std::string text = std::to_string(std::lround(degrees));
    return std::string(text.size() < 3 ? 3 - text.size() : 0, '0') + text;
}

std::string TwoDecimals(double value)
{
    return Known(value) ? app::FormatDouble(value, 2, 0) : std::string();
}

}   // namespace

CPositionMarkerTexts PositionMarkerTexts(const CTrackFix& fix, const geo::CPositionFormat& format,
                                         const MarkerTimeText& localTime)
{
    CPositionMarkerTexts t;
    t.fixType = GetFixTypeText(fix.fixType);
    if (fix.utc != std::chrono::sys_seconds{} && localTime)
        t.time = localTime(fix.utc);
    const geo::CPosition where(fix.latitude, fix.longitude, 0.0);
    t.latitude = where.FormatLatitude(format);
    t.longitude = where.FormatLongitude(format);
    t.cog = Bearing(fix.cog);
    t.sog = TwoDecimals(fix.sog);
    t.heading = Bearing(fix.heading);
    t.speed = TwoDecimals(fix.speed);
    t.depth = TwoDecimals(fix.depth);
    return t;
}

}   // namespace navigator

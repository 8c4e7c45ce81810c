#include "targets/RadarCursor.h"

#include <cmath>

#include "nmea/NMEAValueIndex.h"
#include "targets/TargetMotion.h"
#include "targets/TargetRecord.h"

namespace targets {

namespace item = nmea::item;

namespace {
// The RSD numbers after the two origins' four each: cursor range and bearing.
constexpr int kCursorRange = item::RadarOrigin1Range + 8;
constexpr int kCursorBearing = item::RadarOrigin1Range + 9;
}   // namespace

std::optional<CRadarCursor> RadarCursorFrom(const nmea::CNMEADataValue* values,
                                            std::optional<double> ownHeading,
                                            std::optional<double> ownCourse)
{
    const auto& unit = values[item::RadarRangeUnit];
    const auto& range = values[kCursorRange];
    const auto& bearing = values[kCursorBearing];
    if (!unit.IsValid() || !range.IsValid() || !bearing.IsValid())
        return std::nullopt;
    const double r = range.GetDouble();
    const double b = bearing.GetDouble();
    if (!std::isfinite(r) || r < 0.0 || !std::isfinite(b) || b < 0.0 || b > 360.0)
        return std::nullopt;
    const auto nm = ConvertToNauticalUnits(static_cast<char>(unit.GetInt()), r);
    if (!nm)
        return std::nullopt;
    double offset = 0.0;
    const auto& rotation = values[item::RadarDisplayRotation];
    const int letter = rotation.IsValid() ? rotation.GetInt() : 0;
    if (letter == 'H' || letter == 'h') {
        if (!ownHeading)
            return std::nullopt;
        offset = *ownHeading;
    } else if (letter == 'C' || letter == 'c') {
        if (!ownCourse)
            return std::nullopt;
        offset = *ownCourse;
    }
    return CRadarCursor{*nm, FoldDegrees(b + offset)};
}

}   // namespace targets

#pragma once
// The radar cursor: where the radar's cursor points (RSD cursor range and
// bearing), as a range in nautical miles and a true bearing from the own ship.

#include <optional>

#include "nmea/NMEADataValue.h"

namespace targets {

struct CRadarCursor {
    double rangeNm = 0.0;
    double bearing = 0.0;   // degrees true
};

// From the module's RSD values (`values` is its whole store). Nothing unless
// range, bearing and a K/S/N unit are valid. The display rotation turns the
// bearing true: "H" (head up) adds the own heading, "C" (course up) the
// course over ground, anything else takes it as sent; without the heading or
// course it needs there is no cursor.
std::optional<CRadarCursor> RadarCursorFrom(const nmea::CNMEADataValue* values,
                                            std::optional<double> ownHeading,
                                            std::optional<double> ownCourse);

}   // namespace targets

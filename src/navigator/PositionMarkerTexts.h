#pragma once
// What the "Position Marker Properties" page shows of one track fix: its
// fix type, local date and time, position, course, speed over ground,
// heading, speed through the water and depth. A value a track stores as
// unknown (-99.99) or never had shows as an empty text.

#include <chrono>
#include <functional>
#include <string>

#include "geo/Position.h"
#include "navigator/TrackRecord.h"

namespace navigator {

struct CPositionMarkerTexts {
    std::string fixType;
    std::string time;
    std::string latitude;
    std::string longitude;
    std::string cog;   // "000" to "359"
    std::string sog;   // 2 decimals
    std::string heading;
    std::string speed;
    std::string depth;
};

// A UTC moment as the user's locale writes local date and time.
using MarkerTimeText = std::function<std::string(std::chrono::system_clock::time_point)>;

CPositionMarkerTexts PositionMarkerTexts(const CTrackFix& fix, const geo::CPositionFormat& format,
                                         const MarkerTimeText& localTime);

}   // namespace navigator

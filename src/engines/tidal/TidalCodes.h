#pragma once
// Result codes of the tidal-model library's calls. Negative codes and 0 carry
// a usable prediction; positive codes are errors and leave the outputs alone.

#include <cstdint>

namespace tidal {

enum Code : std::int16_t {
    kNotToBeUsed = -3,   // the cell used lies too far from any measured station
    kNearLand = -2,   // a cell used lies beside land or far from a station
    kInterpolated = -1,   // a cell used was interpolated between stations
    kGood = 0,   // every cell used holds a station's own constants
    kHeaderOpen = 1,   // ".tid" missing or unreadable, or no model selected
    kHeaderRead = 2,   // ".tid" lines malformed
    kLongitudeOut = 3,
    kLatitudeOut = 4,
    kDataOpen = 5,   // ".dat" missing or unreadable
    kDataRead = 6,   // ".dat" truncated, damaged or not matching its ".tid"
    kUnknownConstituent = 7,
    kBadMode = 8,
    kLand = 9,   // the position's own cell is land
    kTooCloseToLand = 10,   // no water cell around the position to interpolate from
    kWordOverflow = 11,   // a result does not fit its 16-bit word
    kInternal = 13,   // internal failure, or a time outside the model's years
};

}   // namespace tidal

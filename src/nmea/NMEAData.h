#pragma once
// Small records that carry copies of instrument data between the monitor
// panel, the navigation cycle and the radar module. They hold plain numbers,
// not time-stamped values; what each field means is set by their owners. The
// reset values are fixed, so owners can tell a missing number from a value:
// "no value" is the largest finite double.

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "geo/Position.h"

namespace nmea {

inline constexpr double kNoValue = std::numeric_limits<double>::max();

// Owned by the monitor panel.
class CNMEAData {
public:
    static constexpr std::string_view kClassName = "CNMEAData";

    struct CEntry {
        double first = 0.0;
        double second = 0.0;
    };

    CNMEAData() { Reset(); }

    // Every field to its reset value: the position valid at 0, 0 on the
    // default datum, the further numbers marked as having no value.
    void Reset();
    // The further numbers to "no value" and the changed flag set; the monitor
    // panel calls it on its own when it refreshes.
    void ResetNumbers();

    geo::CPosition position;
    std::uint8_t positionFlag = 1;
    std::array<double, 5> numbers{};
    std::array<double, 5> furtherNumbers{};
    std::uint8_t changed = 1;
    std::array<CEntry, 2> entries{};
    std::array<std::string, 2> firstTexts;
    std::array<std::string, 2> secondTexts;
    std::array<std::uint8_t, 2> flags{};
};

// Owned by the monitor panel, filled by the navigation cycle.
class CNavData {
public:
    static constexpr std::string_view kClassName = "CNavData";

    CNavData() { Reset(); }

    // Positions 2 to 4 invalid and every number "no value"; the first
    // position (the vessel's own) is kept as it is.
    void Reset();

    std::array<geo::CPosition, 4> positions;
    std::array<double, 9> numbers{};
};

// Owned by the radar module base of the ARPA module.
class CRadarData {
public:
    static constexpr std::string_view kClassName = "CRadarData";

    CRadarData() { Reset(); }
    void Reset();

    std::array<double, 2> numbers{};
    std::uint8_t flag = 0;
};

}   // namespace nmea

#pragma once
// A vector chart in memory: its information block, edition and update
// numbers, and every feature of the cell with its class, attributes and
// geometry in 1e-7 degree.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engines/vector/ChartInfoBlock.h"

namespace vengine {

struct VCoord {
    std::int32_t lon = 0;   // 1e-7 degree
    std::int32_t lat = 0;
    bool operator==(const VCoord&) const = default;
};

enum class VGeom : std::uint8_t { None = 0, Point = 1, Line = 2, Area = 3 };

// One point list: a line, or a ring of an area. An area's polygons each start
// with an outer ring; the rings after it up to the next outer one are holes.
struct VPart {
    bool outer = true;
    std::vector<VCoord> points;
    bool operator==(const VPart&) const = default;
};

struct VBounds {
    std::int32_t west = 0, south = 0, east = 0, north = 0;
    bool operator==(const VBounds&) const = default;
};

struct VFeature {
    std::string objectClass;   // S-57 acronym, e.g. "DEPARE"
    VGeom geom = VGeom::None;
    std::vector<std::pair<std::string, std::string>> attributes;   // in cell order
    std::vector<VPart> parts;
    VBounds bounds;   // of all points; zero when there are none

    // The attribute's value, or empty when the feature has none.
    const std::string* Attribute(std::string_view name) const;
    // The denominator of the smallest scale at which the feature is shown
    // (its SCAMIN: 50000 for a feature shown at 1:50000 and larger scales);
    // 0 when it is shown at every scale (no SCAMIN, or one that is no
    // positive number).
    std::uint32_t ScaleMinimum() const;
    void ComputeBounds();
    bool operator==(const VFeature&) const = default;
};

struct VChartData {
    CChartInfoBlock info;
    std::uint16_t edition = 0;
    std::uint16_t update = 0;
    std::vector<VFeature> features;
};

// A degree value as 1e-7 degree, truncated toward zero. Cells store integers
// scaled by their coordinate factor, so the division GDAL did is undone with a
// nudge far below a unit before truncating; otherwise 47.6 could come back as
// 475999999.
std::int32_t DegreesToUnits(double degrees);

}   // namespace vengine

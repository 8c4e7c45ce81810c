#pragma once
// The latitude/longitude grid of the vector chart kinds as plain geometry:
// the interval for a span, and the lines with their labels over the current
// extent. Drawing them is a separate step, so tests check the grid without
// pixels.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "chart/draw/DrawTypes.h"
#include "geo/Clipping.h"
#include "geo/Position.h"

namespace charts {

// The grid interval in degrees for a span in degrees. Spans too small for
// the finest table row still get that row's interval, never none.
double GridInterval(double span);
// The angle in degrees between two neighbouring label texts of the format:
// one unit of the last decimal of the minutes (or of the seconds).
double LabelStep(const geo::CPositionFormat& format);
// The first grid line at or after the edge.
double FirstGridLine(double edge, double interval);

struct CGridLine {
    bool meridian = false;   // vertical; otherwise a parallel
    std::int32_t at = 0;   // x of a meridian, y of a parallel
    std::string label;
    geo::IntPoint labelAt;
};

struct CGridInput {
    geo::CPosition northWest;
    geo::CPosition southEast;
    bool crossesDateLine = false;
    geo::IntRect visible;
    geo::CPositionFormat format;
    std::function<bool(const geo::CPosition&, geo::IntPoint&)> toPoint;
};

// Meridians west to east, then parallels south to north.
std::vector<CGridLine> ComputeGrid(const CGridInput& in);

}   // namespace charts

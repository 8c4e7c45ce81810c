#pragma once
// Which logged fixes of the own vessel's track are drawn on a chart: the
// fixes on the chart and, around every stretch that enters or leaves it, the
// neighbouring fix off the chart, so the track line runs to the chart's edge.
// Each stretch begins with a point marked as a start; the track is not drawn
// from the end of one stretch to the start of the next.

#include <cstddef>
#include <functional>
#include <span>
#include <vector>

#include "geo/Position.h"

namespace chart {

struct CFixRunPoint {
    std::size_t index = 0;   // into the fix sequence
    bool start = false;   // the first point of a stretch
    bool operator==(const CFixRunPoint&) const = default;
};

using PositionTest = std::function<bool(const geo::CPosition&)>;
using SegmentTest = std::function<bool(const geo::CPosition&, const geo::CPosition&)>;

// `onChart` tells whether a fix lies on the chart, `touches` whether the leg
// between two fixes crosses it.
std::vector<CFixRunPoint> BuildPositionFixRuns(std::span<const geo::CPosition> fixes,
                                               const PositionTest& onChart,
                                               const SegmentTest& touches);

}   // namespace chart

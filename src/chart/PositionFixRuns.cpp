#include "chart/PositionFixRuns.h"

namespace chart {

std::vector<CFixRunPoint> BuildPositionFixRuns(std::span<const geo::CPosition> fixes,
                                               const PositionTest& onChart,
                                               const SegmentTest& touches)
{
    std::vector<CFixRunPoint> runs;
    bool inRun = false;
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        const bool first = i == 0;
        if (onChart(fixes[i])) {
            // Entering from off the chart: the leg starts at the fix before.
            if (!inRun && !first)
                runs.push_back({i - 1, true});
            runs.push_back({i, first});
            inRun = true;
        } else if (first || !touches(fixes[i - 1], fixes[i])) {
            inRun = false;
        } else {
            // A leg that crosses the chart with both ends off it.
            if (!inRun)
                runs.push_back({i - 1, true});
            runs.push_back({i, false});
            inRun = true;
        }
    }
    return runs;
}

}   // namespace chart

#pragma once
// A target's track as the pixels its fixes land on in one view: what the
// track line and the fix markers are drawn from. Consecutive fixes on one
// pixel fold into one entry, so a slow target's thousand fixes at harbour
// scale cost a handful of points per paint. Fixes are added in track order
// as they arrive; the owner starts again when the view moves.

#include <cstddef>
#include <optional>
#include <vector>

#include "geo/NavMaths.h"

namespace targets {

struct CTrackPixel {
    geo::IntPoint at;
    std::size_t firstFix = 0;   // the fixes folded into this entry, first and last
    std::size_t lastFix = 0;
    bool joined = false;   // a line joins it to the entry before
    bool dot = false;   // two joined fixes share the pixel: a zero-length line
    bool onChart = true;   // else placed beyond the chart's edge: a line, no marker
};

class CTrackPixels {
public:
    void Clear();
    // The next fix in track order: `at` is nullopt where the chart cannot
    // place it, and `onChart` false where it lies beyond the chart's edge;
    // with `newSegment` no line joins it to the fix before.
    void Add(std::optional<geo::IntPoint> at, bool newSegment, bool onChart = true);

    std::size_t FixCount() const { return m_fixes; }
    const std::vector<CTrackPixel>& Entries() const { return m_entries; }
    // The first entry holding fix `fix` or a later one (Entries().size() if none).
    std::size_t FirstEntryFrom(std::size_t fix) const;
    // The newest fix's pixel, when it has one (on the chart or beyond).
    std::optional<geo::IntPoint> Newest() const;

private:
    std::vector<CTrackPixel> m_entries;
    std::size_t m_fixes = 0;
    bool m_lastPlaced = false;   // the fix added last has a pixel (the last entry's)
};

}   // namespace targets

#pragma once
// Drawing a recorded track from what was copied out of it: the fixes'
// times, courses, codes and segment starts, their places on the view, and
// the style in force. Nothing here reads the chart, the track's list or the
// display properties, so a long track's picture can be drawn on a worker
// thread while the user-interface thread goes on.

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "chart/draw/DrawTypes.h"
#include "chart/overlays/PlanTrack.h"

namespace chart {
class CXDC;
class CPositionFixProperties;
}   // namespace chart

namespace navigator {

// What drawing needs of one fix.
struct CPaintFix {
    std::chrono::sys_seconds utc{};
    double cog = 0.0;
    int code = 0;
    bool segmentStart = false;
};

// The screen places of fixes [from, from + starts.size() - 1): fix from + k at
// points[starts[k]] up to points[starts[k + 1]] (none when off the chart).
// A fix off the chart has no marker, but the line toward it still runs to
// the chart's edge: `beyond` holds, in fix order, k and the point the line
// heads for, and `clip` the chart's visible part.
struct CPlacedFixes {
    std::size_t from = 0;
    std::vector<geo::IntPoint> points;
    std::vector<std::uint32_t> starts;
    std::vector<std::pair<std::uint32_t, geo::IntPoint>> beyond;
    geo::IntRect clip;
};

// The style of one drawing, read on the user-interface thread.
struct CTrackPaintStyle {
    chart::CTrackLineStyle line;
    bool markers = true;
    int markerSize = 0;   // size mode of the fix markers: small, medium, large
    bool labels = true;
    bool markerCarriesTime = false;   // time marks leave their labels to the markers
    app::COLORREF text = app::RGB(0, 84, 227);
    bool textColourSet = false;   // else the label's own colour
    std::optional<chart::Font> font;   // else the label's own font
    bool timeMarks = false;
    std::chrono::seconds markInterval{std::chrono::minutes(10)};

    // From the display properties (none: the defaults), for palette 0-2.
    static CTrackPaintStyle Of(const chart::CPositionFixProperties* properties,
                               const chart::CTrackLineStyle& line, int palette);
};

// Where drawing a part of a track left off, so the next part goes on as if
// both were drawn at once.
struct CTrackDrawState {
    std::optional<geo::IntPoint> lastMarker;
    std::optional<geo::IntPoint> lastLabel;
    std::optional<geo::IntPoint> lastMarkLabel;
    std::optional<std::chrono::sys_seconds> nextMark;
};

// Draws the line through the placed fixes, then (when `decorate`) the time
// marks and the fix markers of those from `from` on. fixes[k] is fix
// placed.from + k.
void PaintTrack(chart::CXDC& dc, const CTrackPaintStyle& style, const CPaintFix* fixes,
                const CPlacedFixes& placed, std::size_t from, bool decorate,
                CTrackDrawState& state);

}   // namespace navigator

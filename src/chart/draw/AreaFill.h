#pragma once
// Solid areas filled straight into RGB32 memory, many at once.
//
// Each area's rings are filled alternately (an inner ring is a hole) and the
// areas go down in order, a later one over an earlier. The memory is filled
// row by row from the top, every area's runs in a row written together, so a
// row is visited once while it is in the cache however many areas cross it:
// filling the same areas one after another, each from its own top to its own
// bottom, brings the whole picture in from memory again for every area.
//
// A pixel is filled when its middle lies inside. Where an edge passes
// exactly through a middle, the pixel goes as Qt's raster painter sends it
// in an unantialiased fill (edges stepped in 16.16 fixed point), so an area
// filled here has the pixels the painter's own polygon fill gives it.

#include <cstdint>
#include <span>
#include <vector>

#include "chart/draw/DrawTypes.h"

namespace chart {

// One area of a batch: its next `rings` ring sizes, filled with `colour`.
struct AreaFill {
    std::uint32_t rings = 0;
    COLORREF colour = 0;
};

class CAreaFiller {
public:
    // Fills `areas` in order into `dest`, within `clip` (cut to the memory).
    // The areas take their ring sizes from `ringSizes` in turn and each ring
    // its points from `points` in turn; rings of fewer than three points
    // fill nothing. False, filling nothing, when the sizes ask for more rings
    // or points than are given.
    bool Fill(const CPixelView& dest, const IntRect& clip, std::span<const IntPoint> points,
              std::span<const int> ringSizes, std::span<const AreaFill> areas);

private:
    struct Edge {
        std::int64_t x = 0;   // where it crosses the row's middle, 16.16 fixed point
        std::int64_t step = 0;   // added per row
        std::int32_t top = 0, bottom = 0;   // the rows it crosses, [top, bottom)
        std::uint32_t area = 0;
    };
    // An edge crossing the current row: its area, then the pixel its run
    // starts or ends at, as one number to sort by.
    struct Crossing {
        std::uint64_t key = 0;
        std::uint32_t edge = 0;
    };

    std::vector<Edge> m_found;   // every edge crossing a row in the clip
    std::vector<Edge> m_edges;   // the same by their first row
    std::vector<Crossing> m_row;   // the edges crossing the current row, by key
    std::vector<std::uint32_t> m_rowStarts;
    std::vector<std::uint32_t> m_pixels;   // each area's colour as a pixel
};

}   // namespace chart

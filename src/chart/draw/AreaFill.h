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
    // A run of a ring's edges going down (or level) from one point to the
    // next, its points copied top to bottom: it crosses each row between
    // its ends once, so it stays one crossing of the row as it goes down.
    struct Chain {
        std::int64_t x = 0;   // where it crosses the row's middle, 16.16 fixed point
        std::int64_t step = 0;   // added per row along the present edge
        std::uint32_t at = 0;   // the present edge's top point
        std::uint32_t last = 0;   // the chain's bottom point
        std::int32_t top = 0;   // the first row inside the clip it crosses
        std::int32_t edgeBottom = 0;   // the row where the present edge ends
        std::uint32_t area = 0;
    };
    // A chain crossing the current row: its area, then the pixel its run
    // starts or ends at, as one number to sort by.
    struct Crossing {
        std::uint64_t key = 0;
        std::uint32_t chain = 0;
    };

    // Takes the chain to the edge that crosses row `y`; false past its end.
    bool EdgeAt(Chain& c, int y) const;
    void AddChains(std::span<const IntPoint> ring, std::uint32_t area, int top, int bottom);

    std::vector<IntPoint> m_points;   // the chains' points, each chain top to bottom
    std::vector<Chain> m_found;   // every chain crossing a row in the clip
    std::vector<Chain> m_chains;   // the same by their first row
    std::vector<Crossing> m_row;   // the chains crossing the current row, by key
    std::vector<std::uint32_t> m_rowStarts;
    std::vector<std::uint32_t> m_pixels;   // each area's colour as a pixel
};

}   // namespace chart

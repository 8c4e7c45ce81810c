#pragma once
// The room labels already take on a drawing, so a crowded layer leaves out a
// label that would cover one drawn before it instead of piling text on text.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "chart/draw/DrawTypes.h"

namespace chart {

class CLabelSpace {
public:
    // True, and the room taken, when `rect` (right and bottom excluded)
    // overlaps no rectangle taken before; rectangles that only touch are clear.
    bool Claim(const IntRect& rect);
    // Whether a rectangle taken covers the pixel.
    bool IsTaken(IntPoint p) const;
    void Clear() { m_cells.clear(); }

private:
    // Rectangles by the cells of a coarse grid they reach into, so a claim
    // looks only at its neighbours.
    static constexpr int kCellWidth = 128;
    static constexpr int kCellHeight = 32;
    std::unordered_map<std::int64_t, std::vector<IntRect>> m_cells;
};

}   // namespace chart

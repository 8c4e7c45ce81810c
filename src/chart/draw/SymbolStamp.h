#pragma once
// A small drawing made once and put down at many points: a mark's symbol
// drawn into a little picture and copied for each mark, far quicker than
// drawing each outline and fill again.

#include <cstdint>
#include <span>
#include <vector>

#include "chart/draw/DrawTypes.h"

namespace chart {

struct CSymbolStamp {
    // The pixels round the point the stamp is put at (right and bottom
    // excluded), e.g. {-8, -8, 9, 9} for a symbol centred on its point.
    IntRect box{};
    // Row by row, premultiplied 0xAARRGGBB: alpha 255 where the drawing set
    // the pixel, 0 where it left it alone, between for a partly covered one.
    std::vector<std::uint32_t> pixels;

    bool IsEmpty() const { return pixels.empty(); }
    int Width() const { return box.right - box.left; }
    int Height() const { return box.bottom - box.top; }
};

// The stamp of one drawing made twice over `box`, once on black and once on
// white (RGB32 memories of the box's size): where the two agree the drawing
// set the pixel; where they differ by the full range it left it alone.
CSymbolStamp StampFromTwoGrounds(const IntRect& box, const CPixelView& onBlack,
                                 const CPixelView& onWhite);

// Puts the stamp down in RGB32 memory at each point, cut to the memory:
// set pixels replace what is there, partly covered ones blend over it.
void StampInto(const CPixelView& memory, const CSymbolStamp& stamp,
               std::span<const IntPoint> points);

}   // namespace chart

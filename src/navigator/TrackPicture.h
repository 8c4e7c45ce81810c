#pragma once
// The pixels a long track drew, kept for the repaints that follow while the
// view stands still. The track is drawn twice, once on black and once on
// white: a pixel both leave as they were is not drawn on; one the same on
// both is covered; one that differs is blended (the smoothed edges of the
// labels), and the two say how much of what lay below shows through, per
// colour channel. Kept as runs along the rows, the pixels are put over the
// next repaints' buffers, so a repaint costs the pixels the track covers,
// not the fixes it holds.

#include <cstdint>
#include <vector>

#include "chart/draw/DrawTypes.h"

namespace navigator {

class CTrackPicture {
public:
    static constexpr std::uint32_t kBlack = 0xFF000000u;
    static constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

    // Fills `buffer` with `pixel`, ready to be drawn on.
    static void Clear(const chart::CPixelView& buffer, std::uint32_t pixel);
    // The pixels drawn, from the same drawing on black and on white.
    static CTrackPicture Capture(const chart::CPixelView& onBlack,
                                 const chart::CPixelView& onWhite);

    // Puts the kept pixels over `dest` at the places they were drawn (what
    // lies outside `dest` is left out).
    void PaintOn(const chart::CPixelView& dest) const;
    std::size_t PixelCount() const { return m_black.size(); }

private:
    struct Run {
        int y = 0;
        int x = 0;
        std::uint32_t start = 0;   // into the pixel lists
        std::uint32_t count = 0;
    };
    std::vector<Run> m_runs;
    std::vector<std::uint32_t> m_black;   // the drawing on black
    std::vector<std::uint32_t> m_through;   // per channel, 255 = all of what lies below shows
};

}   // namespace navigator

#include "chart/draw/SymbolStamp.h"

#include <algorithm>

namespace chart {

CSymbolStamp StampFromTwoGrounds(const IntRect& box, const CPixelView& onBlack,
                                 const CPixelView& onWhite)
{
    CSymbolStamp stamp;
    stamp.box = box;
    const int width = stamp.Width(), height = stamp.Height();
    if (width <= 0 || height <= 0 || onBlack.width < width || onBlack.height < height ||
        onWhite.width < width || onWhite.height < height)
        return {};
    stamp.pixels.resize(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* black = onBlack.Row(y);
        const std::uint32_t* white = onWhite.Row(y);
        std::uint32_t* out = stamp.pixels.data() + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x) {
            // On black a drawing of colour c and cover a leaves c*a; on white
            // c*a + 255*(1-a): the difference is what shows through.
            const std::uint32_t b = black[x] & 0xFFFFFFu, w = white[x] & 0xFFFFFFu;
            const int through = std::clamp(int((w >> 8) & 0xFFu) - int((b >> 8) & 0xFFu), 0, 255);
            out[x] = through == 255 ? 0u : (std::uint32_t(255 - through) << 24) | b;
        }
    }
    return stamp;
}

namespace {

std::uint32_t Blend(std::uint32_t source, std::uint32_t dest)
{
    const std::uint32_t keep = 255u - (source >> 24);
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t s = (source >> shift) & 0xFFu;
        const std::uint32_t d = (dest >> shift) & 0xFFu;
        out |= std::min(255u, s + (d * keep + 127u) / 255u) << shift;
    }
    return out;
}

}   // namespace

void StampInto(const CPixelView& memory, const CSymbolStamp& stamp,
               std::span<const IntPoint> points)
{
    if (!memory.IsValid() || stamp.IsEmpty())
        return;
    const int width = stamp.Width(), height = stamp.Height();
    for (const IntPoint& p : points) {
        const int left = p.x + stamp.box.left, top = p.y + stamp.box.top;
        const int x0 = std::max(0, -left), x1 = std::min(width, memory.width - left);
        const int y0 = std::max(0, -top), y1 = std::min(height, memory.height - top);
        for (int y = y0; y < y1; ++y) {
            const std::uint32_t* from = stamp.pixels.data() + std::size_t(y) * std::size_t(width);
            std::uint32_t* to = memory.Row(top + y) + left;
            for (int x = x0; x < x1; ++x) {
                const std::uint32_t s = from[x];
                if (s >= 0xFF000000u)
                    to[x] = s;
                else if (s != 0)
                    to[x] = Blend(s, to[x]);
            }
        }
    }
}

}   // namespace chart

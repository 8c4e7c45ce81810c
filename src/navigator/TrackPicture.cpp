#include "navigator/TrackPicture.h"

#include <algorithm>

#include "chart/draw/PixelOps.h"

namespace navigator {

namespace {

constexpr std::uint32_t kColour = 0x00FFFFFFu;

bool Untouched(std::uint32_t black, std::uint32_t white)
{
    return (black & kColour) == 0 && (white & kColour) == kColour;
}

// How much shows through, per channel: what white gave beyond black.
std::uint32_t Through(std::uint32_t black, std::uint32_t white)
{
    std::uint32_t through = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int b = int((black >> shift) & 0xFF), w = int((white >> shift) & 0xFF);
        through |= std::uint32_t(std::max(0, w - b)) << shift;
    }
    return through;
}

std::uint32_t Blend(std::uint32_t black, std::uint32_t through, std::uint32_t below)
{
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t b = (black >> shift) & 0xFF, t = (through >> shift) & 0xFF;
        const std::uint32_t d = (below >> shift) & 0xFF;
        out |= std::min<std::uint32_t>(255, b + (d * t + 127) / 255) << shift;
    }
    return out;
}

}   // namespace

void CTrackPicture::Clear(const chart::CPixelView& buffer, std::uint32_t pixel)
{
    if (buffer.IsValid())
        chart::FillPixels(buffer, chart::IntRect{0, 0, buffer.width, buffer.height}, pixel);
}

CTrackPicture CTrackPicture::Capture(const chart::CPixelView& onBlack,
                                     const chart::CPixelView& onWhite)
{
    CTrackPicture picture;
    if (!onBlack.IsValid() || !onWhite.IsValid())
        return picture;
    const int width = std::min(onBlack.width, onWhite.width);
    const int height = std::min(onBlack.height, onWhite.height);
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* black = onBlack.Row(y);
        const std::uint32_t* white = onWhite.Row(y);
        int x = 0;
        while (x < width) {
            while (x < width && Untouched(black[x], white[x]))
                ++x;
            if (x == width)
                break;
            const int from = x;
            for (; x < width && !Untouched(black[x], white[x]); ++x) {
                picture.m_black.push_back(black[x] | 0xFF000000u);
                picture.m_through.push_back(Through(black[x], white[x]));
            }
            picture.m_runs.push_back(Run{y, from,
                                         std::uint32_t(picture.m_black.size()) - (x - from),
                                         std::uint32_t(x - from)});
        }
    }
    return picture;
}

void CTrackPicture::PaintOn(const chart::CPixelView& dest) const
{
    if (!dest.IsValid())
        return;
    for (const Run& run : m_runs) {
        if (run.y >= dest.height || run.x >= dest.width)
            continue;
        const int count = std::min(int(run.count), dest.width - run.x);
        std::uint32_t* row = dest.Row(run.y) + run.x;
        const std::uint32_t* black = m_black.data() + run.start;
        const std::uint32_t* through = m_through.data() + run.start;
        for (int i = 0; i < count; ++i)
            row[i] = through[i] == 0 ? black[i] : Blend(black[i], through[i], row[i]);
    }
}

}   // namespace navigator

#include "chart/draw/ThinLines.h"

#include <algorithm>
#include <cstdlib>

namespace chart {

namespace {

// The memory's pixels a line may write, as half-open ranges.
struct Bounds {
    int left, top, right, bottom;
};

// From `a` to `b`, with or without the pixels of its ends. The steps along
// the longer axis are first cut to the bounds, so a line reaching far off
// the memory costs only the pixels on it; the shorter axis is checked pixel
// by pixel, which at most a line's length within the bounds costs.
void DrawLine(const CPixelView& dest, const Bounds& bounds, IntPoint a, IntPoint b, bool withA,
              bool withB, std::uint32_t pixel)
{
    if (std::max(a.x, b.x) < bounds.left || std::min(a.x, b.x) >= bounds.right ||
        std::max(a.y, b.y) < bounds.top || std::min(a.y, b.y) >= bounds.bottom)
        return;
    const bool alongX = std::llabs(std::int64_t(b.x) - a.x) >= std::llabs(std::int64_t(b.y) - a.y);
    if (alongX ? b.x < a.x : b.y < a.y) {
        std::swap(a, b);
        std::swap(withA, withB);
    }
    // The longer axis, now running forward, and its bounds.
    const std::int64_t major = alongX ? a.x : a.y;
    const std::int64_t steps = (alongX ? b.x : b.y) - major;
    if (steps == 0)
        return;   // a line of no length draws nothing
    const std::int64_t first =
        std::max<std::int64_t>(withA ? 0 : 1, (alongX ? bounds.left : bounds.top) - major);
    const std::int64_t end =
        std::min(withB ? steps + 1 : steps, (alongX ? bounds.right : bounds.bottom) - major);
    if (first >= end)
        return;
    // Across, the pixel nearest the line, the one nearer the top or left
    // where it passes half-way: step k lies at minorStart + k span / steps,
    // so its pixel is minorStart + ceil((2 k span - steps) / (2 steps)),
    // followed in whole numbers from the first step drawn.
    const std::int64_t minorStart = alongX ? a.y : a.x;
    const std::int64_t span = (alongX ? b.y : b.x) - minorStart;
    const std::int64_t den = 2 * steps;
    const std::int64_t num = 2 * first * span - steps;
    std::int64_t q = num >= 0 ? (num + den - 1) / den : -((-num) / den);
    std::int64_t r = q * den - num;   // 0 <= r < den
    // From here each step takes 2 |span| off `e`, and the line moves one
    // pixel across when `e` goes below zero (without a branch: which way it
    // goes is unpredictable).
    const int sign = span < 0 ? -1 : 1;
    const std::int64_t twoSpan = 2 * (span < 0 ? -span : span);
    std::int64_t e = span < 0 ? den - 1 - r : r;
    const std::int64_t minorLo = alongX ? bounds.top : bounds.left;
    const std::int64_t minorHi = alongX ? bounds.bottom : bounds.right;
    const std::int64_t count = end - first;
    // The pixel across at the last step drawn: at most `count` moves on,
    // so when both ends are within the bounds every pixel between is.
    const std::int64_t lastNum = 2 * (end - 1) * span - steps;
    const std::int64_t lastQ = lastNum >= 0 ? (lastNum + den - 1) / den : -((-lastNum) / den);
    const std::ptrdiff_t alongStep = alongX ? 1 : dest.stride;
    const std::ptrdiff_t acrossStep = alongX ? dest.stride * sign : sign;
    std::int64_t across = minorStart + q;
    if (across >= minorLo && across < minorHi && minorStart + lastQ >= minorLo &&
        minorStart + lastQ < minorHi) {
        std::uint32_t* out = alongX ? dest.Row(int(across)) + (major + first)
                                    : dest.Row(int(major + first)) + across;
        for (std::int64_t k = 0; k < count; ++k) {
            *out = pixel;
            e -= twoSpan;
            const std::int64_t moves = e >> 63;   // all ones when it goes below zero
            e += den & moves;
            out += alongStep + (acrossStep & std::ptrdiff_t(moves));
        }
        return;
    }
    for (std::int64_t at = major + first; at < major + end; ++at) {
        if (across >= minorLo && across < minorHi) {
            if (alongX)
                dest.Row(int(across))[at] = pixel;
            else
                dest.Row(int(at))[across] = pixel;
        }
        e -= twoSpan;
        const std::int64_t moves = e >> 63;
        e += den & moves;
        across += sign & moves;
    }
}

// Whether an open path's end is drawn: only when it is the line's end
// nearer the top or left along the line's longer axis.
bool EndDrawn(IntPoint end, IntPoint other)
{
    const bool alongX =
        std::llabs(std::int64_t(other.x) - end.x) >= std::llabs(std::int64_t(other.y) - end.y);
    return alongX ? end.x < other.x : end.y < other.y;
}

}   // namespace

void DrawThinLines(const CPixelView& dest, const IntRect& clip, std::span<const IntPoint> points,
                   bool closed, std::uint32_t pixel)
{
    const Bounds bounds{std::max(clip.left, 0), std::max(clip.top, 0),
                        std::min(clip.right, dest.width), std::min(clip.bottom, dest.height)};
    if (!dest.IsValid() || bounds.left >= bounds.right || bounds.top >= bounds.bottom ||
        points.size() < 2)
        return;
    // Lines of no length are passed over. A corner is drawn by both its
    // lines, so is every corner of a closed path; an open path's ends as
    // EndDrawn says.
    std::size_t last = points.size() - 1;
    while (last > 0 && points[last] == points[last - 1])
        --last;
    std::size_t from = 0;
    for (std::size_t to = 1; to <= last; ++to) {
        if (points[to] == points[from])
            continue;
        const bool withFrom = closed || from != 0 || EndDrawn(points[from], points[to]);
        const bool withTo = closed || to != last || EndDrawn(points[to], points[from]);
        DrawLine(dest, bounds, points[from], points[to], withFrom, withTo, pixel);
        from = to;
    }
    if (closed && points[from] != points.front())
        DrawLine(dest, bounds, points[from], points.front(), true, true, pixel);
}

}   // namespace chart

#include "chart/draw/PixelOps.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace chart {

namespace {

// The destination stretch [first, last) whose pixels scale back into the
// source range [0, sourceSize): dest pixel d (counted from the rectangle's
// start) reads source pixel sourceStart + d * sourceLen / destLen, which never
// decreases with d, so the readable part is one stretch. Division puts both
// ends within a pixel of the answer; the loops settle them.
struct Span {
    int first = 0;
    int last = 0;
};

Span ClampedSpan(int destStart, int destLen, int destSize, int sourceStart, int sourceLen,
                 int sourceSize)
{
    if (destLen <= 0 || sourceLen <= 0)
        return {};
    std::int64_t lo = std::max(0, -destStart);
    std::int64_t hi = std::min<std::int64_t>(destLen, std::int64_t(destSize) - destStart);
    if (sourceStart < 0)
        lo = std::max<std::int64_t>(lo, (-std::int64_t(sourceStart) * destLen) / sourceLen - 1);
    if (std::int64_t(sourceStart) + sourceLen > sourceSize) {
        const std::int64_t limit =
            ((std::int64_t(sourceSize) - sourceStart) * destLen) / sourceLen + 1;
        hi = std::min(hi, std::max<std::int64_t>(limit, 0));
    }
    if (lo >= hi)
        return {};
    auto sourceOf = [&](std::int64_t d) { return sourceStart + d * sourceLen / destLen; };
    while (lo < hi && sourceOf(lo) < 0)
        ++lo;
    while (hi > lo && sourceOf(hi - 1) >= sourceSize)
        --hi;
    return Span{static_cast<int>(lo), static_cast<int>(hi)};
}

template <class Pixel, class Convert>
void Stretch(const Pixel* sourceBits, std::ptrdiff_t sourceStride, int sourceWidth,
             int sourceHeight, const IntRect& sr, const CPixelView& dest, const IntRect& dr,
             Convert convert)
{
    const int dw = dr.right - dr.left, dh = dr.bottom - dr.top;
    const int sw = sr.right - sr.left, sh = sr.bottom - sr.top;
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || !dest.IsValid() || !sourceBits)
        return;
    const Span xs = ClampedSpan(dr.left, dw, dest.width, sr.left, sw, sourceWidth);
    const Span ys = ClampedSpan(dr.top, dh, dest.height, sr.top, sh, sourceHeight);
    if (xs.first >= xs.last || ys.first >= ys.last)
        return;
    const int count = xs.last - xs.first;
    const std::size_t rowBytes = std::size_t(count) * sizeof(std::uint32_t);

    // Column map, except for the three scales the chart uses, which index directly.
    enum class Kind { Same, Double, Half, Map } kind = Kind::Map;
    if (sw == dw)
        kind = Kind::Same;
    else if (dw == 2 * sw)
        kind = Kind::Double;
    else if (sw == 2 * dw)
        kind = Kind::Half;
    std::vector<int> columns;
    if (kind == Kind::Map) {
        columns.resize(std::size_t(count));
        for (int i = 0; i < count; ++i)
            columns[std::size_t(i)] =
                static_cast<int>(sr.left + static_cast<std::int64_t>(xs.first + i) * sw / dw);
    }

    std::int64_t previousRow = -1;
    const std::uint32_t* previousOut = nullptr;
    for (int d = ys.first; d < ys.last; ++d) {
        const std::int64_t sy = sr.top + static_cast<std::int64_t>(d) * sh / dh;
        std::uint32_t* out = dest.Row(dr.top + d) + dr.left + xs.first;
        if (sy == previousRow) {   // a repeated row when enlarging: copy the one just made
            std::memcpy(out, previousOut, rowBytes);
            continue;
        }
        const Pixel* in = sourceBits + sy * sourceStride;
        switch (kind) {
        case Kind::Same: {
            // Four reads before four writes: a write through `out` could
            // otherwise be taken to change the bytes still to be read.
            const Pixel* from = in + sr.left + xs.first;
            int i = 0;
            for (; i + 4 <= count; i += 4) {
                const Pixel a = from[i], b = from[i + 1], c = from[i + 2], d = from[i + 3];
                out[i] = convert(a);
                out[i + 1] = convert(b);
                out[i + 2] = convert(c);
                out[i + 3] = convert(d);
            }
            for (; i < count; ++i)
                out[i] = convert(from[i]);
            break;
        }
        case Kind::Double: {
            // Destination column c reads source column sr.left + c / 2.
            const int c0 = xs.first;
            const Pixel* from = in + sr.left;
            for (int i = 0; i < count; ++i)
                out[i] = convert(from[(c0 + i) >> 1]);
            break;
        }
        case Kind::Half: {
            const Pixel* from = in + sr.left + 2 * std::ptrdiff_t(xs.first);
            int i = 0;
            for (; i + 4 <= count; i += 4) {
                const Pixel a = from[2 * i], b = from[2 * i + 2], c = from[2 * i + 4],
                            d = from[2 * i + 6];
                out[i] = convert(a);
                out[i + 1] = convert(b);
                out[i + 2] = convert(c);
                out[i + 3] = convert(d);
            }
            for (; i < count; ++i)
                out[i] = convert(from[2 * i]);
            break;
        }
        case Kind::Map:
            for (int i = 0; i < count; ++i)
                out[i] = convert(in[columns[std::size_t(i)]]);
            break;
        }
        previousRow = sy;
        previousOut = out;
    }
}

}   // namespace

void BlitIndexedToRGB32(const CIndexedImage& source, const IntRect& sourceRect,
                        const CPixelView& dest, const IntRect& destRect, const CPaletteTable& table)
{
    // The table travels by value: a copy of its own that no pixel store can
    // touch, so the loops keep it where they read it fastest.
    struct Lookup {
        CPaletteTable table;
        std::uint32_t operator()(std::uint8_t index) const { return table[index]; }
    };
    Stretch(source.bits, source.stride, source.width, source.height, sourceRect, dest, destRect,
            Lookup{table});
}

void StretchPixels(const CPixelView& source, const IntRect& sourceRect, const CPixelView& dest,
                   const IntRect& destRect)
{
    if (!source.IsValid())
        return;
    if (source.bits == dest.bits) {   // scaling within one buffer: work from a copy
        std::vector<std::uint32_t> copy(std::size_t(source.height) * std::size_t(source.stride));
        std::memcpy(copy.data(), source.bits, copy.size() * sizeof(std::uint32_t));
        const CPixelView from{copy.data(), source.width, source.height, source.stride};
        StretchPixels(from, sourceRect, dest, destRect);
        return;
    }
    Stretch(source.bits, source.stride, source.width, source.height, sourceRect, dest, destRect,
            [](std::uint32_t p) { return p; });
}

void CopyPixels(const CPixelView& source, int sx, int sy, const CPixelView& dest, int x, int y,
                int width, int height)
{
    if (!source.IsValid() || !dest.IsValid())
        return;
    // Cut to the source, then to the destination, moving both origins together.
    auto cut = [&](int& a, int& b, int& len, int sizeA, int sizeB) {
        if (a < 0) {
            b -= a;
            len += a;
            a = 0;
        }
        if (b < 0) {
            a -= b;
            len += b;
            b = 0;
        }
        len = std::min({len, sizeA - a, sizeB - b});
    };
    cut(sx, x, width, source.width, dest.width);
    cut(sy, y, height, source.height, dest.height);
    if (width <= 0 || height <= 0)
        return;
    const std::size_t bytes = std::size_t(width) * sizeof(std::uint32_t);
    if (source.bits == dest.bits && y > sy) {   // overlapping downward copy: last row first
        for (int r = height - 1; r >= 0; --r)
            std::memmove(dest.Row(y + r) + x, source.Row(sy + r) + sx, bytes);
        return;
    }
    for (int r = 0; r < height; ++r)
        std::memmove(dest.Row(y + r) + x, source.Row(sy + r) + sx, bytes);
}

namespace {
IntRect CutTo(const CPixelView& v, const IntRect& r)
{
    return IntRect{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, v.width),
                   std::min(r.bottom, v.height)};
}
}   // namespace

void FillPixels(const CPixelView& dest, const IntRect& rect, std::uint32_t pixel)
{
    if (!dest.IsValid())
        return;
    const IntRect r = CutTo(dest, rect);
    for (int y = r.top; y < r.bottom; ++y)
        std::fill(dest.Row(y) + r.left, dest.Row(y) + std::max(r.left, r.right), pixel);
}

void XorPixels(const CPixelView& dest, const IntRect& rect, std::uint32_t mask)
{
    if (!dest.IsValid())
        return;
    const IntRect r = CutTo(dest, rect);
    mask &= 0x00FFFFFFu;
    for (int y = r.top; y < r.bottom; ++y) {
        std::uint32_t* row = dest.Row(y);
        for (int x = r.left; x < r.right; ++x)
            row[x] ^= mask;
    }
}

CPaletteTable MakePaletteTable(const COLORREF* colours, int count)
{
    CPaletteTable table;
    table.fill(0xFF000000u);
    for (int i = 0; i < std::min(count, 256); ++i)
        table[std::size_t(i)] = app::ColourToPixel(colours[i]);
    return table;
}

}   // namespace chart

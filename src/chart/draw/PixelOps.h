#pragma once
// Pixel loops over RGB32 memory that the contexts and buffers share: 8-bit
// images converted through a 256-entry table and scaled to the nearest pixel
// in one pass, plain copies, fills and inversions. Every rectangle is cut to
// both images first, so no call reads or writes outside them.

#include <cstdint>

#include "chart/draw/DrawTypes.h"

namespace chart {

// Draws `sourceRect` of `source` into `destRect` of `dest` through `table`.
// Equal sizes convert only; other sizes pick, for each destination pixel,
// the source pixel its position scales back to (so x2 repeats each pixel 2x2
// and x0.5 keeps every second one).
void BlitIndexedToRGB32(const CIndexedImage& source, const IntRect& sourceRect,
                        const CPixelView& dest, const IntRect& destRect,
                        const CPaletteTable& table);

// The same from RGB32 memory (no table).
void StretchPixels(const CPixelView& source, const IntRect& sourceRect, const CPixelView& dest,
                   const IntRect& destRect);

// `width` x `height` pixels from (sx, sy) of `source` to (x, y) of `dest`:
// row copies (memmove, so a buffer may copy onto itself).
void CopyPixels(const CPixelView& source, int sx, int sy, const CPixelView& dest, int x, int y,
                int width, int height);

void FillPixels(const CPixelView& dest, const IntRect& rect, std::uint32_t pixel);
// Each pixel XOR `mask` (the alpha byte stays opaque).
void XorPixels(const CPixelView& dest, const IntRect& rect, std::uint32_t mask);

// The table of a palette given as COLORREFs (missing entries black).
CPaletteTable MakePaletteTable(const COLORREF* colours, int count);

}   // namespace chart

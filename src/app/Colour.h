#pragma once
// Colours as the stored settings and the drawing code hold them: one 32-bit
// value with red in bits 0-7, green in 8-15 and blue in 16-23 (the colour
// triples of the registry layer use the same layout).

#include <cstdint>

namespace app {

using COLORREF = std::uint32_t;

constexpr COLORREF RGB(unsigned red, unsigned green, unsigned blue)
{
    return (red & 0xFFu) | ((green & 0xFFu) << 8) | ((blue & 0xFFu) << 16);
}
constexpr unsigned GetRValue(COLORREF c)
{
    return c & 0xFFu;
}
constexpr unsigned GetGValue(COLORREF c)
{
    return (c >> 8) & 0xFFu;
}
constexpr unsigned GetBValue(COLORREF c)
{
    return (c >> 16) & 0xFFu;
}

// The pixel of an RGB32 image (0xFFRRGGBB, as the buffers hold it) and back.
constexpr std::uint32_t ColourToPixel(COLORREF c)
{
    return 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}
constexpr COLORREF PixelToColour(std::uint32_t p)
{
    return RGB((p >> 16) & 0xFFu, (p >> 8) & 0xFFu, p & 0xFFu);
}

}   // namespace app

#pragma once
// A 5 x 7 pixel capital-letter font for the lettering of generated charts:
// titles, notes and scale lines need no font files or window system.

#include <array>
#include <cstdint>
#include <string_view>

namespace hcrftool {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
inline constexpr int kGlyphAdvance = 6;   // glyph and one column of space

// Rows top first; bit 4 of each row is the leftmost pixel. Lower-case letters
// give their capitals; a character without a glyph gives a blank.
std::array<std::uint8_t, kGlyphHeight> Glyph(char c);

// Width in pixels of `text` drawn `scale` times enlarged.
inline int TextWidth(std::string_view text, int scale)
{
    return text.empty() ? 0 : (int(text.size()) * kGlyphAdvance - 1) * scale;
}

}   // namespace hcrftool

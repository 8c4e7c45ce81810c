#pragma once
// Reads PCX pictures (ZSoft's run-length format, as attachments come): 1 bit
// in one plane (black and white, or the header's two colours), 1 bit in four
// planes (16 colours from the header), 8 bits in one plane (the 256-colour
// palette after the picture, grey without one) and 8 bits in three planes
// (24-bit colour). Every length is checked against the bytes there are, so a
// damaged file gives a message, never a read outside the buffer.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace app {

struct CPcxImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;   // 0xFFRRGGBB, rows top to bottom
};

// False with the reason in `error` for a file that is not a PCX picture of a
// kind above, is larger than 16384 pixels a side or ends early.
bool DecodePcx(std::string_view bytes, CPcxImage& image, std::string* error = nullptr);

}   // namespace app

#pragma once
// Indexed pictures for the chart-set tool: reading PNG and PPM files into
// palette indexes, a generated chart-like picture, and a small PNG writer.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace hcrftool {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct IndexedImage {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint8_t> pixels;   // width x height palette indexes, rows top first
    std::vector<Rgb> palette;

    std::uint8_t At(unsigned x, unsigned y) const { return pixels[std::size_t(y) * width + x]; }
};

// Reads an 8-bit PNG (grey, RGB, palette or RGBA; not interlaced) or a binary
// PPM (P6, maximum 255) and gives each distinct colour a palette index in
// order of first appearance. False with a reason when the file cannot be read
// or holds more than `maxColours` colours.
bool ReadPicture(const std::filesystem::path& path, IndexedImage& image, std::string& error,
                 unsigned maxColours = 255);

// A deterministic chart-like picture: depth bands, land, a coastline,
// contour lines, a grid and scattered soundings.
IndexedImage GeneratePicture(unsigned width, unsigned height, std::uint32_t seed = 1);

// A picture of a hundred colours in runs of a few pixels to a few dozen, as a
// scanned chart with shaded areas and soft edges gives: slanting colour bands
// with a scattering of each band's neighbour colour.
IndexedImage GenerateManyColourPicture(unsigned width, unsigned height, std::uint32_t seed = 1);

// Writes 8-bit indexed pixels as a palette PNG.
bool WritePalettePng(const std::filesystem::path& path, unsigned width, unsigned height,
                     const std::vector<std::uint8_t>& pixels, const std::vector<Rgb>& palette);

}   // namespace hcrftool

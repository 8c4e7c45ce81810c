#include "ImageIO.h"

#include <zlib.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <map>

namespace hcrftool {

namespace {

std::uint32_t BE32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Indexer {
public:
    Indexer(IndexedImage& image, unsigned maxColours) : m_image(image), m_max(maxColours) { }
    bool Add(Rgb c)
    {
        const std::uint32_t key = std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b;
        auto it = m_index.find(key);
        if (it == m_index.end()) {
            if (m_image.palette.size() >= m_max)
                return false;
            it = m_index.emplace(key, std::uint8_t(m_image.palette.size())).first;
            m_image.palette.push_back(c);
        }
        m_image.pixels.push_back(it->second);
        return true;
    }

private:
    IndexedImage& m_image;
    unsigned m_max;
    std::map<std::uint32_t, std::uint8_t> m_index;
};

std::uint8_t Paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return std::uint8_t(a);
    return std::uint8_t(pb <= pc ? b : c);
}

bool ReadPng(const std::vector<std::uint8_t>& file, IndexedImage& image, std::string& error,
             unsigned maxColours)
{
    std::size_t at = 8;
    unsigned width = 0, height = 0, depth = 0, colourType = 0, interlace = 0;
    std::vector<std::uint8_t> idat;
    std::vector<Rgb> plte;
    while (at + 12 <= file.size()) {
        const std::uint32_t length = BE32(&file[at]);
        if (length > file.size() - at - 12) {
            error = "PNG chunk runs past the end of the file";
            return false;
        }
        const std::string type(reinterpret_cast<const char*>(&file[at + 4]), 4);
        const std::uint8_t* data = &file[at + 8];
        if (type == "IHDR" && length >= 13) {
            width = BE32(data);
            height = BE32(data + 4);
            depth = data[8];
            colourType = data[9];
            interlace = data[12];
        } else if (type == "PLTE") {
            for (std::uint32_t i = 0; i + 3 <= length; i += 3)
                plte.push_back({data[i], data[i + 1], data[i + 2]});
        } else if (type == "IDAT") {
            idat.insert(idat.end(), data, data + length);
        } else if (type == "IEND") {
            break;
        }
        at += 12 + length;
    }
    const unsigned channels = colourType == 0   ? 1
                              : colourType == 2 ? 3
                              : colourType == 3 ? 1
                              : colourType == 6 ? 4
                                                : 0;
    if (depth != 8 || channels == 0 || interlace != 0 || width == 0 || height == 0 ||
        width > 65536 || height > 65536) {
        error = "only 8-bit, non-interlaced grey, RGB, palette or RGBA PNG pictures are read";
        return false;
    }
    const std::size_t stride = std::size_t(width) * channels;
    std::vector<std::uint8_t> raw((stride + 1) * height);
    uLongf rawSize = uLongf(raw.size());
    if (uncompress(raw.data(), &rawSize, idat.data(), uLong(idat.size())) != Z_OK ||
        rawSize != raw.size()) {
        error = "PNG image data does not inflate to the picture's size";
        return false;
    }
    std::vector<std::uint8_t> prev(stride, 0), row(stride);
    Indexer indexer(image, maxColours);
    image.width = width;
    image.height = height;
    image.pixels.reserve(std::size_t(width) * height);
    for (unsigned y = 0; y < height; ++y) {
        const std::uint8_t* line = &raw[y * (stride + 1)];
        const std::uint8_t filter = line[0];
        for (std::size_t i = 0; i < stride; ++i) {
            const int a = i >= channels ? row[i - channels] : 0;
            const int b = prev[i];
            const int c = i >= channels ? prev[i - channels] : 0;
            const std::uint8_t x = line[1 + i];
            switch (filter) {
            case 0: row[i] = x; break;
            case 1: row[i] = std::uint8_t(x + a); break;
            case 2: row[i] = std::uint8_t(x + b); break;
            case 3: row[i] = std::uint8_t(x + (a + b) / 2); break;
            case 4: row[i] = std::uint8_t(x + Paeth(a, b, c)); break;
            default: error = "PNG row has an unknown filter"; return false;
            }
        }
        for (unsigned x = 0; x < width; ++x) {
            const std::uint8_t* px = &row[std::size_t(x) * channels];
            Rgb c;
            if (colourType == 3) {
                if (px[0] >= plte.size()) {
                    error = "PNG pixel names a colour its palette lacks";
                    return false;
                }
                c = plte[px[0]];
            } else if (channels == 1) {
                c = {px[0], px[0], px[0]};
            } else {
                c = {px[0], px[1], px[2]};
            }
            if (!indexer.Add(c)) {
                error = "picture has more than " + std::to_string(maxColours) + " colours";
                return false;
            }
        }
        prev.swap(row);
    }
    return true;
}

bool ReadPpm(const std::vector<std::uint8_t>& file, IndexedImage& image, std::string& error,
             unsigned maxColours)
{
    std::size_t at = 2;
    auto number = [&]() -> long {
        while (at < file.size()) {
            if (file[at] == '#') {
                while (at < file.size() && file[at] != '\n')
                    ++at;
            } else if (std::isspace(file[at])) {
                ++at;
            } else {
                break;
            }
        }
        long v = 0;
        bool any = false;
        while (at < file.size() && file[at] >= '0' && file[at] <= '9' && v < 1000000) {
            v = v * 10 + (file[at++] - '0');
            any = true;
        }
        return any ? v : -1;
    };
    const long width = number(), height = number(), maxval = number();
    ++at;   // the single white-space byte before the pixels
    if (width <= 0 || height <= 0 || maxval != 255 || width > 65536 || height > 65536 ||
        file.size() < at || file.size() - at < std::size_t(width) * std::size_t(height) * 3) {
        error = "only binary PPM pictures with maximum 255 are read";
        return false;
    }
    image.width = unsigned(width);
    image.height = unsigned(height);
    Indexer indexer(image, maxColours);
    for (std::size_t i = 0; i < std::size_t(width) * std::size_t(height); ++i, at += 3) {
        if (!indexer.Add({file[at], file[at + 1], file[at + 2]})) {
            error = "picture has more than " + std::to_string(maxColours) + " colours";
            return false;
        }
    }
    return true;
}

void PutBE32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        out.push_back(std::uint8_t(v >> s));
}

void Chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data)
{
    PutBE32(out, std::uint32_t(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBE32(out, std::uint32_t(crc32(0, &out[start], uInt(out.size() - start))));
}

}   // namespace

bool ReadPicture(const std::filesystem::path& path, IndexedImage& image, std::string& error,
                 unsigned maxColours)
{
    image = {};
    const std::vector<std::uint8_t> file = ReadAll(path);
    static const std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (file.size() >= 8 && std::memcmp(file.data(), kPngSignature, 8) == 0)
        return ReadPng(file, image, error, maxColours);
    if (file.size() >= 2 && file[0] == 'P' && file[1] == '6')
        return ReadPpm(file, image, error, maxColours);
    error = file.empty() ? "cannot read " + path.string()
                         : path.string() + " is neither PNG nor binary PPM";
    return false;
}

IndexedImage GeneratePicture(unsigned width, unsigned height, std::uint32_t seed)
{
    enum : std::uint8_t {
        Land,
        Shore,
        Shallow,
        Mid,
        Deep,
        Coast,
        Contour,
        Grid,
        Ink,
        Buoy,
        Drying
    };
    IndexedImage image;
    image.width = width;
    image.height = height;
    image.palette = {{246, 226, 170}, {214, 196, 140}, {170, 214, 240}, {200, 228, 246},
                     {255, 255, 255}, {40, 40, 40},    {110, 140, 170}, {150, 150, 200},
                     {0, 0, 0},       {200, 30, 60},   {160, 190, 120}};
    image.pixels.resize(std::size_t(width) * height);
    std::uint32_t state = seed * 2654435761u + 12345u;
    auto next = [&]() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    const double w = width, h = height;
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            // Signed distance-like value from a wavy coastline running down the picture.
            const double coast =
                w * 0.35 + w * 0.08 * std::sin(y / (h / 6.0 + 1)) + w * 0.03 * std::sin(y / 17.0);
            const double d = x - coast;
            std::uint8_t c;
            if (d < -6)
                c = Land;
            else if (d < 0)
                c = Drying;
            else if (d < 2)
                c = Coast;
            else if (d < w * 0.08)
                c = Shallow;
            else if (d < w * 0.25)
                c = Mid;
            else
                c = Deep;
            if (d > 0 && (std::fmod(d, w * 0.08) < 1.0))
                c = Contour;
            if (x % 256 == 0 || y % 256 == 0)
                c = Grid;
            image.pixels[std::size_t(y) * width + x] = c;
        }
    }
    // Soundings: small blocks of ink pixels with ragged edges, like digits.
    const unsigned soundings = width * height / 4000;
    for (unsigned s = 0; s < soundings; ++s) {
        const unsigned x0 = next() % width, y0 = next() % height;
        const std::uint8_t colour = (s % 9 == 0) ? Buoy : Ink;
        for (unsigned dy = 0; dy < 7 && y0 + dy < height; ++dy)
            for (unsigned dx = 0; dx < 5 && x0 + dx < width; ++dx)
                if (next() % 3 == 0)
                    image.pixels[std::size_t(y0 + dy) * width + x0 + dx] = colour;
    }
    (void)Shore;
    return image;
}

bool WritePalettePng(const std::filesystem::path& path, unsigned width, unsigned height,
                     const std::vector<std::uint8_t>& pixels, const std::vector<Rgb>& palette)
{
    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<std::uint8_t> ihdr;
    PutBE32(ihdr, width);
    PutBE32(ihdr, height);
    ihdr.insert(ihdr.end(), {8, 3, 0, 0, 0});
    Chunk(out, "IHDR", ihdr);
    std::vector<std::uint8_t> plte;
    for (std::size_t i = 0; i < 256; ++i) {
        const Rgb c = i < palette.size() ? palette[i] : Rgb{};
        plte.insert(plte.end(), {c.r, c.g, c.b});
    }
    Chunk(out, "PLTE", plte);
    std::vector<std::uint8_t> raw;
    raw.reserve((std::size_t(width) + 1) * height);
    for (unsigned y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), pixels.begin() + std::ptrdiff_t(std::size_t(y) * width),
                   pixels.begin() + std::ptrdiff_t(std::size_t(y + 1) * width));
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress(packed.data(), &packedSize, raw.data(), uLong(raw.size())) != Z_OK)
        return false;
    packed.resize(packedSize);
    Chunk(out, "IDAT", packed);
    Chunk(out, "IEND", {});
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    return bool(file);
}

IndexedImage GenerateManyColourPicture(unsigned width, unsigned height, std::uint32_t seed)
{
    constexpr unsigned kColours = 100;
    IndexedImage image;
    image.width = width;
    image.height = height;
    for (unsigned c = 0; c < kColours; ++c)
        image.palette.push_back(
            {std::uint8_t(c * 2), std::uint8_t(255 - c * 2), std::uint8_t(c * 37 % 256)});
    image.pixels.resize(std::size_t(width) * height);
    std::uint32_t state = seed * 2654435761u + 12345u;
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const unsigned band = (x + 2 * y + (x * y) / 4096) / 16;
            const unsigned speck = (state >> 24) < 8 ? 1 : 0;   // about one pixel in 32
            image.pixels[std::size_t(y) * width + x] = std::uint8_t((band + speck) % kColours);
        }
    return image;
}

}   // namespace hcrftool

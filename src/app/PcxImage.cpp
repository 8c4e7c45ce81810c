#include "app/PcxImage.h"

namespace app {

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr int kMaxSide = 16384;

std::uint16_t Word(std::string_view b, std::size_t at)
{
    return std::uint16_t(std::uint8_t(b[at]) | (std::uint8_t(b[at + 1]) << 8));
}

std::uint32_t Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return 0xFF000000u | (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | b;
}

bool Fail(std::string* error, const char* why)
{
    if (error)
        *error = why;
    return false;
}

}   // namespace

bool DecodePcx(std::string_view bytes, CPcxImage& image, std::string* error)
{
    image = {};
    if (bytes.size() < kHeaderSize || std::uint8_t(bytes[0]) != 0x0A)
        return Fail(error, "not a PCX picture");
    const int encoding = std::uint8_t(bytes[2]);
    const int bits = std::uint8_t(bytes[3]);
    const int xMin = Word(bytes, 4), yMin = Word(bytes, 6);
    const int xMax = Word(bytes, 8), yMax = Word(bytes, 10);
    const int planes = std::uint8_t(bytes[65]);
    const int bytesPerLine = Word(bytes, 66);
    if (encoding > 1)
        return Fail(error, "unknown PCX encoding");
    if (xMax < xMin || yMax < yMin)
        return Fail(error, "PCX picture without pixels");
    const int width = xMax - xMin + 1;
    const int height = yMax - yMin + 1;
    if (width > kMaxSide || height > kMaxSide)
        return Fail(error, "PCX picture too large");
    const bool mono = bits == 1 && planes == 1;
    const bool sixteen = bits == 1 && planes == 4;
    const bool indexed = bits == 8 && planes == 1;
    const bool rgb = bits == 8 && planes == 3;
    if (!mono && !sixteen && !indexed && !rgb)
        return Fail(error, "PCX colour depth not supported");
    if (std::int64_t(bytesPerLine) * 8 < std::int64_t(width) * bits)
        return Fail(error, "PCX line shorter than the picture");

    // The whole picture's plane lines, decoded in one stream: writers differ
    // in whether a run may cross the end of a line.
    const std::size_t lineBytes = std::size_t(bytesPerLine) * planes;
    const std::size_t total = lineBytes * std::size_t(height);
    // A run of at most 63 bytes takes two bytes of the file, so a header that
    // claims more than the file could hold is refused before anything is
    // allocated for it.
    const std::size_t body = bytes.size() - kHeaderSize;
    const std::size_t mostDecoded = encoding == 0 ? body : body / 2 * 63 + body % 2;
    if (total > mostDecoded)
        return Fail(error, "PCX picture ends early");
    std::vector<std::uint8_t> raw(total);
    std::size_t in = kHeaderSize;
    std::size_t out = 0;
    if (encoding == 0) {
        if (bytes.size() - in < total)
            return Fail(error, "PCX picture ends early");
        for (; out < total; ++out)
            raw[out] = std::uint8_t(bytes[in++]);
    } else {
        while (out < total) {
            if (in >= bytes.size())
                return Fail(error, "PCX picture ends early");
            std::uint8_t b = std::uint8_t(bytes[in++]);
            std::size_t count = 1;
            if ((b & 0xC0) == 0xC0) {
                count = b & 0x3F;
                if (in >= bytes.size())
                    return Fail(error, "PCX picture ends early");
                b = std::uint8_t(bytes[in++]);
            }
            const std::size_t n = count < total - out ? count : total - out;
            for (std::size_t i = 0; i < n; ++i)
                raw[out++] = b;
        }
    }

    std::uint32_t palette[256];
    if (indexed) {
        // The 256-colour palette follows the picture after the byte 12;
        // without it the picture is grey.
        const bool hasPalette = bytes.size() >= 769 &&
                                std::uint8_t(bytes[bytes.size() - 769]) == 0x0C &&
                                bytes.size() - 769 >= in;
        for (int i = 0; i < 256; ++i) {
            if (hasPalette) {
                const std::size_t at = bytes.size() - 768 + std::size_t(i) * 3;
                palette[i] = Rgb(std::uint8_t(bytes[at]), std::uint8_t(bytes[at + 1]),
                                 std::uint8_t(bytes[at + 2]));
            } else {
                palette[i] = Rgb(std::uint8_t(i), std::uint8_t(i), std::uint8_t(i));
            }
        }
    } else {
        for (int i = 0; i < 16; ++i)
            palette[i] = Rgb(std::uint8_t(bytes[16 + i * 3]), std::uint8_t(bytes[17 + i * 3]),
                             std::uint8_t(bytes[18 + i * 3]));
        // A two-colour picture whose header holds no colours is black and white.
        if (mono && (palette[0] & 0xFFFFFF) == 0 && (palette[1] & 0xFFFFFF) == 0)
            palette[1] = Rgb(255, 255, 255);
    }

    image.width = width;
    image.height = height;
    image.pixels.resize(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* line = raw.data() + std::size_t(y) * lineBytes;
        std::uint32_t* row = image.pixels.data() + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x) {
            if (mono) {
                row[x] = palette[(line[x >> 3] >> (7 - (x & 7))) & 1];
            } else if (sixteen) {
                int index = 0;
                for (int p = 0; p < 4; ++p)
                    index |= ((line[std::size_t(p) * bytesPerLine + (x >> 3)] >> (7 - (x & 7))) & 1)
                             << p;
                row[x] = palette[index];
            } else if (indexed) {
                row[x] = palette[line[x]];
            } else {
                row[x] = Rgb(line[x], line[bytesPerLine + x], line[2 * bytesPerLine + x]);
            }
        }
    }
    return true;
}

}   // namespace app

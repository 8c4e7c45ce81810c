// avi-make: writes an uncompressed AVI (RIFF, one video stream of 24-bit
// bottom-up frames, with an index): a bright square crossing a dark field, so
// each frame differs. Usage: avi-make OUT.avi [WIDTH HEIGHT FRAMES FPS]

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

class Writer {
public:
    void U32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void U16(std::uint16_t v)
    {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void Tag(const char* fourcc) { bytes.insert(bytes.end(), fourcc, fourcc + 4); }
    // Starts a chunk or list; End fills in its size.
    std::size_t Begin(const char* fourcc)
    {
        Tag(fourcc);
        U32(0);
        return bytes.size();
    }
    void End(std::size_t start)
    {
        if (bytes.size() % 2)
            bytes.push_back(0);
        const auto size = static_cast<std::uint32_t>(bytes.size() - start);
        for (int i = 0; i < 4; ++i)
            bytes[start - 4 + std::size_t(i)] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    std::vector<std::uint8_t> bytes;
};

}   // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 6) {
        std::fprintf(stderr, "usage: avi-make OUT.avi [WIDTH HEIGHT FRAMES FPS]\n");
        return 2;
    }
    const int width = argc == 6 ? std::atoi(argv[2]) : 160;
    const int height = argc == 6 ? std::atoi(argv[3]) : 120;
    const int frames = argc == 6 ? std::atoi(argv[4]) : 25;
    const int fps = argc == 6 ? std::atoi(argv[5]) : 10;
    if (width <= 0 || height <= 0 || frames <= 0 || fps <= 0 || width > 4096 || height > 4096 ||
        frames > 10000) {
        std::fprintf(stderr, "avi-make: sizes out of range\n");
        return 2;
    }
    const std::uint32_t rowBytes = (std::uint32_t(width) * 3 + 3) & ~3u;
    const std::uint32_t frameBytes = rowBytes * std::uint32_t(height);

    Writer w;
    const std::size_t riff = w.Begin("RIFF");
    w.Tag("AVI ");
    const std::size_t hdrl = w.Begin("LIST");
    w.Tag("hdrl");
    const std::size_t avih = w.Begin("avih");
    w.U32(1000000u / std::uint32_t(fps));   // microseconds per frame
    w.U32(frameBytes * std::uint32_t(fps));   // bytes per second
    w.U32(0);   // padding granularity
    w.U32(0x10);   // has an index
    w.U32(std::uint32_t(frames));
    w.U32(0);   // initial frames
    w.U32(1);   // streams
    w.U32(frameBytes);   // suggested buffer
    w.U32(std::uint32_t(width));
    w.U32(std::uint32_t(height));
    for (int i = 0; i < 4; ++i)
        w.U32(0);
    w.End(avih);
    const std::size_t strl = w.Begin("LIST");
    w.Tag("strl");
    const std::size_t strh = w.Begin("strh");
    w.Tag("vids");
    w.Tag("DIB ");
    w.U32(0);   // flags
    w.U16(0);   // priority
    w.U16(0);   // language
    w.U32(0);   // initial frames
    w.U32(1);   // scale
    w.U32(std::uint32_t(fps));   // rate
    w.U32(0);   // start
    w.U32(std::uint32_t(frames));   // length
    w.U32(frameBytes);   // suggested buffer
    w.U32(0xFFFFFFFFu);   // quality: default
    w.U32(0);   // sample size: varies
    w.U16(0);
    w.U16(0);
    w.U16(static_cast<std::uint16_t>(width));
    w.U16(static_cast<std::uint16_t>(height));
    w.End(strh);
    const std::size_t strf = w.Begin("strf");   // the frames' bitmap header
    w.U32(40);
    w.U32(std::uint32_t(width));
    w.U32(std::uint32_t(height));
    w.U16(1);
    w.U16(24);
    w.U32(0);
    w.U32(frameBytes);
    for (int i = 0; i < 4; ++i)
        w.U32(0);
    w.End(strf);
    w.End(strl);
    w.End(hdrl);

    const std::size_t movi = w.Begin("LIST");
    const std::size_t moviTag = w.bytes.size();
    w.Tag("movi");
    std::vector<std::uint32_t> offsets;
    const int side = std::max(4, std::min(width, height) / 4);
    for (int f = 0; f < frames; ++f) {
        offsets.push_back(static_cast<std::uint32_t>(w.bytes.size() - moviTag));
        const std::size_t chunk = w.Begin("00db");
        const int left = (width - side) * f / std::max(1, frames - 1);
        const int top = (height - side) / 2;
        for (int row = height - 1; row >= 0; --row) {   // bottom row first
            for (int x = 0; x < width; ++x) {
                const bool inside = x >= left && x < left + side && row >= top && row < top + side;
                w.bytes.push_back(inside ? 40 : static_cast<std::uint8_t>(60 + x % 32));   // blue
                w.bytes.push_back(inside ? 220 : 40);   // green
                w.bytes.push_back(inside ? 250 : static_cast<std::uint8_t>(20 + row % 16));   // red
            }
            for (std::uint32_t pad = std::uint32_t(width) * 3; pad < rowBytes; ++pad)
                w.bytes.push_back(0);
        }
        w.End(chunk);
    }
    w.End(movi);
    const std::size_t idx1 = w.Begin("idx1");
    for (const std::uint32_t offset : offsets) {
        w.Tag("00db");
        w.U32(0x10);   // key frame
        w.U32(offset);
        w.U32(frameBytes);
    }
    w.End(idx1);
    w.End(riff);

    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(w.bytes.data()), std::streamsize(w.bytes.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "avi-make: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

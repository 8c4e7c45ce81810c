// fuzz_dib: .bmp files and bare bitmap blocks through the header readers,
// run-length expansion and painting, scaled and unscaled, into a buffer.

#include <cstddef>
#include <cstdint>

#include "chart/draw/BufferDC.h"
#include "chart/draw/Dib.h"

namespace {

void Exercise(const chart::CDib& dib, const std::uint8_t* data, std::size_t size)
{
    volatile std::uint32_t sink = 0;
    for (int y = 0; y < std::min(dib.Height(), 64); ++y)
        for (int x = 0; x < std::min(dib.Width(), 64); ++x)
            sink = sink + dib.GetPixelColour(x, y);
    chart::CBufferDC dc(nullptr, 48, 32);
    // Rectangles from the input's first bytes, hanging over the edges too.
    auto pick = [&](std::size_t i) { return i < size ? int(data[i]) - 64 : 0; };
    const chart::IntRect source{pick(0), pick(1), pick(0) + 1 + (pick(2) & 63),
                                pick(1) + 1 + (pick(3) & 63)};
    chart::PaintDIB(dc, {0, 0, dib.Width(), dib.Height()}, &dib, {0, 0, dib.Width(), dib.Height()});
    chart::PaintDIB(dc, {pick(4), pick(5), pick(4) + 40, pick(5) + 30}, &dib, source);
    const chart::CPaletteTable table{};
    chart::PaintDIB(dc, {-3, -3, 100, 7}, &dib, source, &table);
    if (auto again = chart::BitmapToDIB(dc.Memory()))
        sink = sink + again->GetPixelColour(1, 1);
}

}   // namespace

// Pictures of up to a million pixels take the same paths as larger ones and
// keep the run quick; the limit for larger ones has its own test.
bool Small(std::span<const std::uint8_t> block)
{
    return std::int64_t(chart::GetDIBWidth(block)) * chart::GetDIBHeight(block) <= (1 << 20) &&
           std::int64_t(chart::GetDIBWidth(block)) * chart::GetDIBHeight(block) >= -(1 << 20);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    if (!Small(bytes) || (size > 14 && !Small(bytes.subspan(14))))
        return 0;
    if (auto dib = chart::CDib::FromBmpFile(bytes))
        Exercise(*dib, data, size);
    if (auto dib = chart::CDib::FromBlock(std::vector<std::uint8_t>(bytes.begin(), bytes.end())))
        Exercise(*dib, data, size);
    chart::GetDIBColourCount(bytes);
    chart::GetDIBPixelOffset(bytes);
    return 0;
}

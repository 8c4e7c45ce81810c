#include "chart/draw/Dib.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

namespace chart {

namespace {

// Bigger pictures than this (8192 x 8192) are refused where they come in:
// nothing the program shows or prints comes near it, and a small run-length
// file cannot make it allocate more.
constexpr std::int64_t kMaxPixels = std::int64_t(1) << 26;
constexpr std::size_t kFileHeaderSize = 14;

std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at)
{
    if (b.size() < at + 4)
        return 0;
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

std::uint16_t Get16(std::span<const std::uint8_t> b, std::size_t at)
{
    if (b.size() < at + 2)
        return 0;
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

void Put32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void Put16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

// The longer headers of later formats begin with the 40-byte form's fields,
// so they read as that form (with the table after their own length); only a
// 12-byte header is the core form.
bool IsInfoForm(std::span<const std::uint8_t> block)
{
    const std::uint32_t size = Get32(block, 0);
    return size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

int RoundDepth(int bits)
{
    if (bits <= 1)
        return 1;
    if (bits <= 4)
        return 4;
    if (bits <= 8)
        return 8;
    return 24;
}

// Run-length rows (BI_RLE8 = 1 for 8 bits, BI_RLE4 = 2 for 4 bits) expanded
// into plain bottom-up rows. Pixels the runs never reach stay 0, runs that
// would pass a row's end or the last row are cut there, and the input is
// never read past its end.
std::vector<std::uint8_t> ExpandRunLengths(std::span<const std::uint8_t> in, int bits,
                                           std::int64_t width, std::int64_t rows,
                                           std::size_t rowBytes)
{
    std::vector<std::uint8_t> out(rowBytes * std::size_t(rows), 0);
    std::int64_t x = 0, y = 0;
    auto put = [&](unsigned index) {
        if (x < width && y < rows) {
            std::uint8_t* row = out.data() + rowBytes * std::size_t(y);
            if (bits == 8) {
                row[x] = static_cast<std::uint8_t>(index);
            } else {
                const int shift = (x & 1) ? 0 : 4;
                row[x >> 1] = static_cast<std::uint8_t>((row[x >> 1] & ~(0xF << shift)) |
                                                        ((index & 0xF) << shift));
            }
        }
        ++x;
    };
    std::size_t i = 0;
    while (i + 1 < in.size() && y < rows) {
        const unsigned count = in[i], value = in[i + 1];
        i += 2;
        if (count > 0) {
            for (unsigned k = 0; k < count && x < width; ++k)
                put(bits == 8 ? value : ((k & 1) ? value & 0xF : value >> 4));
            continue;
        }
        if (value == 0) {   // end of row
            x = 0;
            ++y;
        } else if (value == 1) {   // end of picture
            break;
        } else if (value == 2) {   // move right and up
            if (i + 1 >= in.size())
                break;
            x += in[i];
            y += in[i + 1];
            i += 2;
        } else {   // `value` pixels given one by one, padded to two bytes
            const std::size_t bytes = bits == 8 ? value : (value + 1) / 2;
            if (i + bytes > in.size())
                break;
            for (unsigned k = 0; k < value; ++k)
                put(bits == 8 ? in[i + k] : ((k & 1) ? in[i + k / 2] & 0xF : in[i + k / 2] >> 4));
            i += (bytes + 1) & ~std::size_t(1);
        }
    }
    return out;
}

}   // namespace

std::uint32_t GetDIBHeaderSize(std::span<const std::uint8_t> block)
{
    return IsInfoForm(block) ? Get32(block, 0) : kCoreHeaderSize;
}

std::int32_t GetDIBWidth(std::span<const std::uint8_t> block)
{
    return IsInfoForm(block) ? static_cast<std::int32_t>(Get32(block, 4)) : Get16(block, 4);
}

std::int32_t GetDIBHeight(std::span<const std::uint8_t> block)
{
    return IsInfoForm(block) ? static_cast<std::int32_t>(Get32(block, 8)) : Get16(block, 6);
}

std::uint16_t GetDIBBitCount(std::span<const std::uint8_t> block)
{
    return IsInfoForm(block) ? Get16(block, 14) : Get16(block, 10);
}

std::uint16_t GetDIBColourCount(std::span<const std::uint8_t> block)
{
    if (IsInfoForm(block)) {
        const std::uint32_t used = Get32(block, 32);
        if (used != 0)
            return static_cast<std::uint16_t>(used);
    }
    switch (GetDIBBitCount(block)) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

std::uint16_t GetDIBColourTableSize(std::span<const std::uint8_t> block)
{
    const unsigned entry = IsInfoForm(block) ? 4 : 3;
    return static_cast<std::uint16_t>(GetDIBColourCount(block) * entry);
}

std::size_t GetDIBPixelOffset(std::span<const std::uint8_t> block)
{
    return std::size_t(GetDIBHeaderSize(block)) + GetDIBColourTableSize(block);
}

std::size_t DIBRowBytes(std::int64_t width, int bitCount)
{
    return static_cast<std::size_t>((width * bitCount + 31) / 32 * 4);
}

void InitDIBHeader(std::span<std::uint8_t, 40> header, std::int32_t width, std::int32_t height,
                   int bitsPerPixel)
{
    std::fill(header.begin(), header.end(), std::uint8_t{0});
    const int bits = RoundDepth(bitsPerPixel);
    std::uint8_t* h = header.data();
    Put32(h, 40);
    Put32(h + 4, static_cast<std::uint32_t>(width));
    Put32(h + 8, static_cast<std::uint32_t>(height));
    Put16(h + 12, 1);
    Put16(h + 14, static_cast<std::uint16_t>(bits));
    const std::int64_t rows = height < 0 ? -std::int64_t(height) : height;
    Put32(h + 20, static_cast<std::uint32_t>(DIBRowBytes(width, bits) * rows));
}

CDib CDib::Create(std::int32_t width, std::int32_t height, int bitsPerPixel,
                  std::span<const COLORREF> colours)
{
    if (width <= 0 || height <= 0 || std::int64_t(width) * height > kMaxPixels)
        return CDib{};
    std::array<std::uint8_t, 40> header;
    InitDIBHeader(header, width, height, bitsPerPixel);
    const std::size_t offset = GetDIBPixelOffset(header);
    const int bits = GetDIBBitCount(header);
    std::vector<std::uint8_t> block(offset + DIBRowBytes(width, bits) * std::size_t(height), 0);
    std::copy(header.begin(), header.end(), block.begin());
    CDib dib(std::move(block));
    const int count = std::min<int>(dib.ColourCount(), static_cast<int>(colours.size()));
    for (int i = 0; i < count; ++i)
        dib.SetColour(i, colours[std::size_t(i)]);
    return dib;
}

std::optional<CDib> CDib::FromBlock(std::vector<std::uint8_t> block)
{
    const std::span<const std::uint8_t> b = block;
    const std::uint32_t headerSize = Get32(b, 0);
    if (headerSize != kCoreHeaderSize && !IsInfoForm(b))
        return std::nullopt;
    if (b.size() < headerSize)
        return std::nullopt;
    const std::int64_t width = GetDIBWidth(b);
    const std::int64_t height = GetDIBHeight(b);
    const int bits = GetDIBBitCount(b);
    const std::int64_t rows = height < 0 ? -height : height;
    if (width <= 0 || rows <= 0 || width * rows > kMaxPixels)
        return std::nullopt;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return std::nullopt;
    const std::uint32_t compression = IsInfoForm(b) ? Get32(b, 16) : 0;
    const bool runLengths = (compression == 1 && bits == 8) || (compression == 2 && bits == 4);
    if (compression != 0 && !runLengths)
        return std::nullopt;
    if (height < 0 && (!IsInfoForm(b) || runLengths))
        return std::nullopt;
    const std::uint32_t used = IsInfoForm(b) ? Get32(b, 32) : 0;
    if (used > 256 || (bits <= 8 && used > (1u << bits)))
        return std::nullopt;
    const std::size_t offset = GetDIBPixelOffset(b);
    const std::size_t rowBytes = DIBRowBytes(width, bits);
    if (runLengths) {
        if (b.size() < offset)
            return std::nullopt;
        std::vector<std::uint8_t> plain =
            ExpandRunLengths(b.subspan(offset), bits, width, rows, rowBytes);
        block.resize(offset);
        block.insert(block.end(), plain.begin(), plain.end());
        Put32(block.data() + 16, 0);
        Put32(block.data() + 20, static_cast<std::uint32_t>(plain.size()));
        return CDib(std::move(block));
    }
    const std::size_t need = offset + rowBytes * std::size_t(rows);
    if (b.size() < need)
        return std::nullopt;
    block.resize(need);
    return CDib(std::move(block));
}

std::optional<CDib> CDib::FromBmpFile(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kFileHeaderSize + kCoreHeaderSize || bytes[0] != 'B' || bytes[1] != 'M')
        return std::nullopt;
    const std::span<const std::uint8_t> rest = bytes.subspan(kFileHeaderSize);
    const std::uint32_t pixelsAt = Get32(bytes, 10);
    // The file says where its rows start; a table shorter than the header
    // implies (colours-used written as 0 by some writers) moves them nearer.
    std::vector<std::uint8_t> block(rest.begin(), rest.end());
    if (pixelsAt >= kFileHeaderSize + kCoreHeaderSize && pixelsAt <= bytes.size()) {
        const std::size_t fileOffset = pixelsAt - kFileHeaderSize;
        const std::size_t ownOffset = GetDIBPixelOffset(block);
        if (fileOffset != ownOffset && fileOffset >= GetDIBHeaderSize(block)) {
            // Rebuild the block with the table where the header expects it.
            std::vector<std::uint8_t> fixed(block.begin(),
                                            block.begin() + std::min(fileOffset, ownOffset));
            fixed.resize(ownOffset, 0);
            fixed.insert(fixed.end(), block.begin() + fileOffset, block.end());
            block = std::move(fixed);
        }
    }
    return FromBlock(std::move(block));
}

std::optional<CDib> CDib::Load(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    return FromBmpFile(bytes);
}

std::vector<std::uint8_t> CDib::ToBmpFile() const
{
    if (m_block.empty())
        return {};
    std::vector<std::uint8_t> file(kFileHeaderSize, 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(&file[2], static_cast<std::uint32_t>(kFileHeaderSize + m_block.size()));
    Put32(&file[10], static_cast<std::uint32_t>(kFileHeaderSize + GetDIBPixelOffset(m_block)));
    file.insert(file.end(), m_block.begin(), m_block.end());
    return file;
}

bool CDib::Save(const std::filesystem::path& path) const
{
    const std::vector<std::uint8_t> bytes = ToBmpFile();
    if (bytes.empty())
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out.flush());
}

std::int32_t CDib::Height() const
{
    const std::int32_t h = GetDIBHeight(m_block);
    return h < 0 ? -h : h;
}

COLORREF CDib::GetColour(int index) const
{
    if (index < 0 || index >= ColourCount())
        return 0;
    const std::size_t entry = IsInfoForm(m_block) ? 4 : 3;
    const std::uint8_t* p = m_block.data() + GetDIBHeaderSize(m_block) + entry * std::size_t(index);
    return app::RGB(p[2], p[1], p[0]);
}

void CDib::SetColour(int index, COLORREF colour)
{
    if (index < 0 || index >= ColourCount())
        return;
    const std::size_t entry = IsInfoForm(m_block) ? 4 : 3;
    std::uint8_t* p = m_block.data() + GetDIBHeaderSize(m_block) + entry * std::size_t(index);
    p[0] = static_cast<std::uint8_t>(app::GetBValue(colour));
    p[1] = static_cast<std::uint8_t>(app::GetGValue(colour));
    p[2] = static_cast<std::uint8_t>(app::GetRValue(colour));
}

const std::uint8_t* CDib::Row(std::int32_t y) const
{
    if (m_block.empty() || y < 0 || y >= Height())
        return nullptr;
    const std::int32_t stored = IsTopDown() ? y : Height() - 1 - y;
    return m_block.data() + GetDIBPixelOffset(m_block) + RowBytes() * std::size_t(stored);
}

std::uint8_t* CDib::Row(std::int32_t y)
{
    return const_cast<std::uint8_t*>(std::as_const(*this).Row(y));
}

COLORREF CDib::GetPixelColour(std::int32_t x, std::int32_t y) const
{
    const std::uint8_t* row = Row(y);
    if (!row || x < 0 || x >= Width())
        return 0;
    switch (BitCount()) {
    case 1: return GetColour((row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4: return GetColour((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
    case 8: return GetColour(row[x]);
    case 16: {
        const unsigned v = row[2 * x] | row[2 * x + 1] << 8;   // 5-5-5
        auto widen = [](unsigned c) { return (c << 3) | (c >> 2); };
        return app::RGB(widen((v >> 10) & 31), widen((v >> 5) & 31), widen(v & 31));
    }
    case 24: return app::RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    case 32: return app::RGB(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
    default: return 0;
    }
}

std::optional<CDib> BitmapToDIB(const CPixelView& bitmap)
{
    if (!bitmap.IsValid() || std::int64_t(bitmap.width) * bitmap.height > kMaxPixels)
        return std::nullopt;
    CDib dib = CDib::Create(bitmap.width, bitmap.height, 32);
    if (dib.IsEmpty())
        return std::nullopt;
    for (int y = 0; y < bitmap.height; ++y) {
        const std::uint32_t* in = bitmap.Row(y);
        std::uint8_t* out = dib.Row(y);
        for (int x = 0; x < bitmap.width; ++x) {
            out[3 * x] = static_cast<std::uint8_t>(in[x]);
            out[3 * x + 1] = static_cast<std::uint8_t>(in[x] >> 8);
            out[3 * x + 2] = static_cast<std::uint8_t>(in[x] >> 16);
        }
    }
    return dib;
}

int PaintDIB(CXDC& dc, const IntRect& dest, const CDib* dib, const IntRect& source,
             const CPaletteTable* palette)
{
    if (!dib || dib->IsEmpty())
        return 0;
    const IntRect s{std::max(source.left, 0), std::max(source.top, 0),
                    std::min(source.right, dib->Width()), std::min(source.bottom, dib->Height())};
    if (s.right <= s.left || s.bottom <= s.top || dest.right <= dest.left ||
        dest.bottom <= dest.top)
        return 0;
    // A source cut to the picture keeps its scale: the destination shrinks by
    // as much.
    const double fx = double(dest.right - dest.left) / (source.right - source.left);
    const double fy = double(dest.bottom - dest.top) / (source.bottom - source.top);
    const IntRect d{dest.left + int((s.left - source.left) * fx),
                    dest.top + int((s.top - source.top) * fy),
                    dest.right - int((source.right - s.right) * fx),
                    dest.bottom - int((source.bottom - s.bottom) * fy)};
    if (d.right <= d.left || d.bottom <= d.top)
        return 0;

    if (dib->BitCount() == 8) {
        CPaletteTable own;
        if (!palette) {
            own.fill(0xFF000000u);
            for (int i = 0; i < dib->ColourCount(); ++i)
                own[std::size_t(i)] = app::ColourToPixel(dib->GetColour(i));
            palette = &own;
        }
        const std::uint8_t* top = dib->Row(0);
        const std::ptrdiff_t stride =
            dib->Height() > 1 ? dib->Row(1) - top : std::ptrdiff_t(dib->RowBytes());
        const CIndexedImage image{top, dib->Width(), dib->Height(), stride};
        return dc.BlitIndexed(image, s, d, palette) ? d.bottom - d.top : 0;
    }
    // Other depths become RGB32 first: the source part when it is the smaller,
    // else just the destination pixels the device shows, sampled as the
    // scaling would (a large picture painted small converts only what is seen).
    const std::int64_t sourceArea = std::int64_t(s.right - s.left) * (s.bottom - s.top);
    IntRect seen = d;
    const int deviceWidth = dc.GetDeviceCaps(DeviceCap::HorzRes);
    const int deviceHeight = dc.GetDeviceCaps(DeviceCap::VertRes);
    if (deviceWidth > 0 && deviceHeight > 0)
        seen = IntRect{std::max(d.left, 0), std::max(d.top, 0), std::min(d.right, deviceWidth),
                       std::min(d.bottom, deviceHeight)};
    if (seen.right <= seen.left || seen.bottom <= seen.top)
        return 0;
    const std::int64_t seenArea = std::int64_t(seen.right - seen.left) * (seen.bottom - seen.top);
    std::vector<std::uint32_t> pixels;
    if (sourceArea <= seenArea) {
        const int w = s.right - s.left, h = s.bottom - s.top;
        pixels.resize(std::size_t(sourceArea));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                pixels[std::size_t(y) * std::size_t(w) + std::size_t(x)] =
                    app::ColourToPixel(dib->GetPixelColour(s.left + x, s.top + y));
        const CPixelView view{pixels.data(), w, h, w};
        return dc.DrawPixels(view, IntRect{0, 0, w, h}, d) ? d.bottom - d.top : 0;
    }
    const int w = seen.right - seen.left, h = seen.bottom - seen.top;
    const std::int64_t dw = d.right - d.left, dh = d.bottom - d.top;
    const std::int64_t sw = s.right - s.left, sh = s.bottom - s.top;
    pixels.resize(std::size_t(seenArea));
    for (int y = 0; y < h; ++y) {
        const auto sy = static_cast<std::int32_t>(s.top + (seen.top - d.top + y) * sh / dh);
        for (int x = 0; x < w; ++x) {
            const auto sx = static_cast<std::int32_t>(s.left + (seen.left - d.left + x) * sw / dw);
            pixels[std::size_t(y) * std::size_t(w) + std::size_t(x)] =
                app::ColourToPixel(dib->GetPixelColour(sx, sy));
        }
    }
    const CPixelView view{pixels.data(), w, h, w};
    return dc.DrawPixels(view, IntRect{0, 0, w, h}, seen) ? d.bottom - d.top : 0;
}

}   // namespace chart

#pragma once
// Device-independent bitmaps: one owned block holding the header (the 40-byte
// form, or the older 12-byte core form), the colour table and the pixel rows,
// bottom row first, each padded to 4 bytes. The buffers print through them
// (BitmapToDIB, then PaintDIB), and they read and write .bmp files.
//
// The header readers take the block as bytes and never read past it; a block
// whose header, table or rows do not fit is refused where it comes in.
// Run-length rows (8 and 4 bits) are expanded to plain rows as they come in.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "chart/draw/XDC.h"

namespace chart {

inline constexpr std::uint32_t kInfoHeaderSize = 40;
inline constexpr std::uint32_t kCoreHeaderSize = 12;

// ---- readers of a header at the start of `block` ----
// A header whose first field is 40 is the 40-byte form; any other is read as
// the core form. Each returns 0 when the block is too short for the field.
std::uint32_t GetDIBHeaderSize(std::span<const std::uint8_t> block);
std::int32_t GetDIBWidth(std::span<const std::uint8_t> block);
std::int32_t GetDIBHeight(std::span<const std::uint8_t> block);
std::uint16_t GetDIBBitCount(std::span<const std::uint8_t> block);
// The 40-byte form's colours-used when not 0; otherwise 2, 16 or 256 for 1,
// 4 and 8 bits per pixel, 0 for any other depth.
std::uint16_t GetDIBColourCount(std::span<const std::uint8_t> block);
// 4 bytes an entry after the 40-byte form, 3 after the core form.
std::uint16_t GetDIBColourTableSize(std::span<const std::uint8_t> block);
// Offset of the first pixel row: header size + colour table size.
std::size_t GetDIBPixelOffset(std::span<const std::uint8_t> block);
// Bytes of one padded row.
std::size_t DIBRowBytes(std::int64_t width, int bitCount);

// A 40-byte header (written into `header`) for an uncompressed bitmap; the
// depth is rounded up to one a DIB holds: 1, 4, 8 or 24.
void InitDIBHeader(std::span<std::uint8_t, 40> header, std::int32_t width, std::int32_t height,
                   int bitsPerPixel);

class CDib {
public:
    CDib() = default;

    // A blank bitmap (pixels 0) with the given depth (rounded as
    // InitDIBHeader does) and, below 16 bits, colour table.
    static CDib Create(std::int32_t width, std::int32_t height, int bitsPerPixel,
                       std::span<const COLORREF> colours = {});
    // Takes a block as described above; none when it is not one this
    // program can draw (compressed, odd depth, absurd size, short block).
    static std::optional<CDib> FromBlock(std::vector<std::uint8_t> block);
    // A .bmp file's bytes: the 14-byte file header, then a block.
    static std::optional<CDib> FromBmpFile(std::span<const std::uint8_t> bytes);
    static std::optional<CDib> Load(const std::filesystem::path& path);

    std::vector<std::uint8_t> ToBmpFile() const;
    bool Save(const std::filesystem::path& path) const;

    bool IsEmpty() const { return m_block.empty(); }
    std::span<const std::uint8_t> Block() const { return m_block; }
    std::int32_t Width() const { return GetDIBWidth(m_block); }
    // Rows stored; a negative stored height (top row first) counts as its size.
    std::int32_t Height() const;
    bool IsTopDown() const { return GetDIBHeight(m_block) < 0; }
    int BitCount() const { return GetDIBBitCount(m_block); }
    int ColourCount() const { return GetDIBColourCount(m_block); }
    COLORREF GetColour(int index) const;
    void SetColour(int index, COLORREF colour);
    std::size_t RowBytes() const { return DIBRowBytes(Width(), BitCount()); }
    // Row `y` counted from the top of the picture.
    const std::uint8_t* Row(std::int32_t y) const;
    std::uint8_t* Row(std::int32_t y);
    // The colour at (x, y), counted from the top left.
    COLORREF GetPixelColour(std::int32_t x, std::int32_t y) const;

private:
    explicit CDib(std::vector<std::uint8_t> block) : m_block(std::move(block)) { }
    std::vector<std::uint8_t> m_block;
};

// A 24-bit DIB of an RGB32 picture; none for an empty picture or one too
// large to hold.
std::optional<CDib> BitmapToDIB(const CPixelView& bitmap);

// Draws `source` (pixels of the DIB, top-left origin) into `dest`: a plain
// copy when the sizes match, scaled to the nearest pixel otherwise. 8-bit
// DIBs go through `palette` when given, else through their own colour table.
// Returns the number of rows drawn, 0 when nothing was.
int PaintDIB(CXDC& dc, const IntRect& dest, const CDib* dib, const IntRect& source,
             const CPaletteTable* palette = nullptr);

}   // namespace chart

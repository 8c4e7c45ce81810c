#include <gtest/gtest.h>

#include "chart/draw/BufferDC.h"
#include "chart/draw/Dib.h"
#include "chart/draw/RecordingBackend.h"

namespace {

using chart::CDib;
using chart::IntRect;

std::vector<app::COLORREF> Greys(int count)
{
    std::vector<app::COLORREF> colours;
    for (int i = 0; i < count; ++i)
        colours.push_back(app::RGB(i, 255 - i, i / 2));
    return colours;
}

TEST(Dib, HeaderSizesFollowTheDepth)
{
    struct Row {
        int bitsAsked, width, bitsStored, tableBytes;
        std::size_t rowBytes;
    };
    const Row rows[] = {
        {1, 33, 1, 8, 8},  {2, 8, 4, 64, 4},  {4, 9, 4, 64, 8},   {8, 5, 8, 1024, 8},
        {16, 2, 24, 0, 8}, {24, 1, 24, 0, 4}, {32, 3, 24, 0, 12},
    };
    for (const Row& row : rows) {
        const CDib dib = CDib::Create(row.width, 3, row.bitsAsked);
        EXPECT_EQ(dib.BitCount(), row.bitsStored) << row.bitsAsked;
        EXPECT_EQ(chart::GetDIBColourTableSize(dib.Block()), row.tableBytes) << row.bitsAsked;
        EXPECT_EQ(dib.RowBytes(), row.rowBytes) << row.bitsAsked;
        EXPECT_EQ(dib.Block().size(), 40 + row.tableBytes + 3 * row.rowBytes) << row.bitsAsked;
    }
}

// A 3 x 2, 8-bit bitmap with the 12-byte core header and 3-byte colour
// entries, rows bottom first: the bottom row holds indexes 2 0 1.
std::vector<std::uint8_t> CoreHeaderBlock()
{
    std::vector<std::uint8_t> b = {12, 0, 0, 0, 3, 0, 2, 0, 1, 0, 8, 0};
    for (int i = 0; i < 256; ++i) {   // blue, green, red
        b.push_back(static_cast<std::uint8_t>(i));
        b.push_back(static_cast<std::uint8_t>(100));
        b.push_back(static_cast<std::uint8_t>(255 - i));
    }
    const std::uint8_t rows[] = {2, 0, 1, 0, /* top: */ 5, 6, 7, 0};
    b.insert(b.end(), std::begin(rows), std::end(rows));
    return b;
}

TEST(Dib, CoreHeaderIsReadWithItsShortFields)
{
    std::optional<CDib> dib = CDib::FromBlock(CoreHeaderBlock());
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->Width(), 3);
    EXPECT_EQ(dib->Height(), 2);
    EXPECT_EQ(chart::GetDIBColourTableSize(dib->Block()), 768);
    EXPECT_EQ(dib->GetPixelColour(0, 1), app::RGB(253, 100, 2));   // bottom left: index 2
    EXPECT_EQ(dib->GetPixelColour(2, 0), app::RGB(248, 100, 7));

    chart::CBufferDC dc(nullptr, 8, 8);
    EXPECT_EQ(chart::PaintDIB(dc, IntRect{1, 1, 4, 3}, &*dib, IntRect{0, 0, 3, 2}), 2);
    EXPECT_EQ(dc.GetPixel(1, 2), app::RGB(253, 100, 2));
    EXPECT_EQ(dc.GetPixel(3, 1), app::RGB(248, 100, 7));
    EXPECT_EQ(chart::PaintDIB(dc, IntRect{0, 0, 3, 2}, nullptr, IntRect{0, 0, 3, 2}), 0);
}

TEST(Dib, DamagedBlocksAreRefused)
{
    auto withHeader = [](std::size_t at, std::uint32_t value, int bytes) {
        CDib dib = CDib::Create(4, 4, 8);
        std::vector<std::uint8_t> b(dib.Block().begin(), dib.Block().end());
        for (int i = 0; i < bytes; ++i)
            b[at + std::size_t(i)] = static_cast<std::uint8_t>(value >> (8 * i));
        return b;
    };
    std::vector<std::uint8_t> shortRows = withHeader(0, 40, 4);
    shortRows.resize(shortRows.size() - 1);
    const std::pair<const char*, std::vector<std::uint8_t>> rows[] = {
        {"header size 20", withHeader(0, 20, 4)},
        {"width 0", withHeader(4, 0, 4)},
        {"huge height", withHeader(8, 0x40000000, 4)},
        {"depth 7", withHeader(14, 7, 2)},
        {"bit fields", withHeader(16, 3, 4)},
        {"4-bit run lengths on 8 bits", withHeader(16, 2, 4)},
        {"more colours than 8 bits hold", withHeader(32, 257, 4)},
        {"one byte short", shortRows},
        {"empty", {}},
    };
    for (const auto& [name, block] : rows)
        EXPECT_FALSE(CDib::FromBlock(block)) << name;
    EXPECT_TRUE(CDib::FromBlock(withHeader(32, 16, 4)));   // 16 colours used: a shorter table
}

// A 6 x 3 bitmap of run-length rows after a 40-byte header and `colours`
// table entries.
std::vector<std::uint8_t> RunLengthBlock(int bits, std::vector<std::uint8_t> runs)
{
    CDib plain = CDib::Create(6, 3, bits, Greys(bits == 8 ? 256 : 16));
    std::vector<std::uint8_t> b(plain.Block().begin(),
                                plain.Block().begin() +
                                    std::ptrdiff_t(chart::GetDIBPixelOffset(plain.Block())));
    b[16] = bits == 8 ? 1 : 2;
    b.insert(b.end(), runs.begin(), runs.end());
    return b;
}

TEST(Dib, RunLengthRowsExpandWithinThePicture)
{
    struct Row {
        const char* name;
        int bits;
        std::vector<std::uint8_t> runs;
        std::vector<int> bottomUp;   // 18 indexes, bottom row first
    };
    const Row rows[] = {
        {"runs, end of row, absolute with padding, end",
         8,
         {3, 7, 0, 0, 0, 3, 1, 2, 3, 0, 2, 9, 0, 1},
         {7, 7, 7, 0, 0, 0, /**/ 1, 2, 3, 9, 9, 0, /**/ 0, 0, 0, 0, 0, 0}},
        {"a run past the row's end is cut; delta moves right and up",
         8,
         {9, 5, 0, 0, 0, 2, 2, 1, 1, 4},
         {5, 5, 5, 5, 5, 5, /**/ 0, 0, 0, 0, 0, 0, /**/ 0, 0, 4, 0, 0, 0}},
        {"4 bits: nibbles alternate, absolute nibbles",
         4,
         {5, 0x12, 0, 0, 0, 3, 0xAB, 0xC0, 0, 1},
         {1, 2, 1, 2, 1, 0, /**/ 10, 11, 12, 0, 0, 0, /**/ 0, 0, 0, 0, 0, 0}},
        {"input ending inside an absolute run",
         8,
         {2, 8, 0, 9, 1, 2},
         {8, 8, 0, 0, 0, 0, /**/ 0, 0, 0, 0, 0, 0, /**/ 0, 0, 0, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        const std::optional<CDib> dib = CDib::FromBlock(RunLengthBlock(row.bits, row.runs));
        ASSERT_TRUE(dib) << row.name;
        ASSERT_EQ(chart::GetDIBBitCount(dib->Block()), row.bits);
        for (int i = 0; i < 18; ++i) {
            const int x = i % 6, y = 2 - i / 6;
            const app::COLORREF want = Greys(256)[std::size_t(row.bottomUp[std::size_t(i)])];
            EXPECT_EQ(dib->GetPixelColour(x, y), want) << row.name << " at " << x << "," << y;
        }
    }
}

TEST(Dib, ScaledPaintCountsRowsFromTheTopLikeTheCopy)
{
    // Rows of indexes 10, 20, 30, 40 from the top; painting the middle two
    // rows unscaled and x2 must show the same rows, not a mirrored band.
    CDib dib = CDib::Create(2, 4, 8, Greys(256));
    for (int y = 0; y < 4; ++y)
        std::fill(dib.Row(y), dib.Row(y) + 2, std::uint8_t(10 * (y + 1)));
    chart::CBufferDC dc(nullptr, 16, 16);
    ASSERT_GT(chart::PaintDIB(dc, IntRect{0, 0, 2, 2}, &dib, IntRect{0, 1, 2, 3}), 0);
    ASSERT_GT(chart::PaintDIB(dc, IntRect{4, 0, 8, 4}, &dib, IntRect{0, 1, 2, 3}), 0);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(dc.GetPixel(0, y / 2),
                  app::RGB(20 + 10 * (y / 2), 235 - 10 * (y / 2), 10 + 5 * (y / 2)));
        EXPECT_EQ(dc.GetPixel(5, y), dc.GetPixel(0, y / 2)) << y;
    }
}

TEST(Dib, LargePicturePaintedSmallSamplesOnlyWhatIsSeen)
{
    // 24 bits, 3000 x 2000, each pixel's colour from its place; painted into
    // 30 x 20 (and partly off the buffer's left edge).
    CDib dib = CDib::Create(3000, 2000, 24);
    for (int y = 0; y < 2000; ++y)
        for (int x = 0; x < 3000; ++x) {
            std::uint8_t* p = dib.Row(y) + 3 * x;
            p[0] = std::uint8_t(y / 100), p[1] = std::uint8_t(x / 100), p[2] = 7;
        }
    chart::CBufferDC dc(nullptr, 30, 20);
    ASSERT_EQ(chart::PaintDIB(dc, IntRect{-10, 0, 30, 20}, &dib, IntRect{0, 0, 3000, 2000}), 20);
    // Destination x maps back to source x (x + 10) * 75, y to y * 100.
    for (int y = 0; y < 20; y += 7)
        for (int x = 0; x < 30; x += 9)
            EXPECT_EQ(dc.GetPixel(x, y), app::RGB(7, (x + 10) * 75 / 100, y)) << x << "," << y;
}

TEST(Dib, BufferBecomesA24BitDibAndBack)
{
    chart::CBufferDC dc(nullptr, 5, 3);
    dc.SelectBrush(app::RGB(10, 20, 30));
    dc.PatBlt(IntRect{0, 0, 5, 3}, chart::PatOp::PatCopy);
    dc.SelectBrush(app::RGB(200, 100, 0));
    dc.PatBlt(IntRect{1, 0, 2, 1}, chart::PatOp::PatCopy);
    std::optional<CDib> dib = chart::BitmapToDIB(dc.Memory());
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->BitCount(), 24);
    EXPECT_EQ(dib->RowBytes(), 16u);
    EXPECT_EQ(dib->GetPixelColour(1, 0), app::RGB(200, 100, 0));
    EXPECT_EQ(dib->GetPixelColour(4, 2), app::RGB(10, 20, 30));
    const std::optional<CDib> again = CDib::FromBmpFile(dib->ToBmpFile());
    ASSERT_TRUE(again);
    EXPECT_TRUE(std::ranges::equal(again->Block(), dib->Block()));
    EXPECT_FALSE(chart::BitmapToDIB(chart::CPixelView{}));
}

}   // namespace

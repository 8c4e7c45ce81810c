#include "charts/hcrf/TileDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace charts::hcrf;

namespace {

// Codes used below: 10 = run of colour 5 from the stream, 11 = two pixels
// 1,2, 12 = 128 pixels of colour 3, 13 = count 0 then pixel 9, 14 = row
// repeat, 15 = three pixels 4,5,6, 16 = run of 7 then pixel 8, 17 = invalid,
// 18 = 255 pixels of colour 2 (the count's high byte is never read).
CodeTable TestTable()
{
    CodeTable t{};
    auto set = [&](int code, std::initializer_list<std::uint8_t> bytes) {
        std::copy(bytes.begin(), bytes.end(), t.begin() + code * 5);
    };
    set(10, {2, 5});
    set(11, {3, 1, 2});
    set(12, {1, 3, 128, 0});
    set(13, {4, 0, 0, 0, 9});
    set(14, {7});
    set(15, {6, 4, 5, 6});
    set(16, {5, 7, 8});
    set(17, {0});
    set(18, {1, 2, 255, 0xFF});
    return t;
}

struct Case {
    const char* name;
    std::vector<std::uint8_t> input;
    bool ok;
    std::size_t checkAt;     // a pixel to check when ok
    std::uint8_t expected;
};

std::vector<std::uint8_t> Repeat(std::vector<std::uint8_t> head, std::size_t n, std::vector<std::uint8_t> unit,
                                 std::vector<std::uint8_t> tail = {})
{
    for (std::size_t i = 0; i < n; ++i)
        head.insert(head.end(), unit.begin(), unit.end());
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

}  // namespace

TEST(TileDecoder, OperationsAndBounds)
{
    const CodeTable table = TestTable();
    const std::vector<Case> cases = {
        {"two-byte run fills the tile", {10, 0x40, 0x00}, true, 16383, 5},
        {"trailing input is ignored", {10, 0x40, 0x00, 17, 17}, true, 0, 5},
        {"0xFF is a run of 2", Repeat({}, 8192, {10, 0xFF}), true, 1, 5},
        {"0x80 is a run of 129, overflow fails", Repeat({}, 128, {10, 0x80}), false, 0, 0},
        {"two-byte run one past the end fails", {10, 0x40, 0x01}, false, 0, 0},
        {"row repeat at 0 takes no count", {14, 10, 0x40, 0x00}, true, 100, 5},
        {"row repeat at the last row, count 1", {10, 0x3F, 0x80, 14, 1}, true, 16383, 5},
        {"row repeat at the last row, count 2 fails", {10, 0x3F, 0x80, 14, 2}, false, 0, 0},
        {"row repeat count 0 writes nothing", {12, 14, 0, 14, 127}, true, 16383, 3},
        {"row repeat copies the row just finished", {11, 15, 10, 0x86, 14, 127}, true, 128 * 50 + 2, 4},
        {"invalid operation fails", {17}, false, 0, 0},
        {"unused code (operation 0) fails", {200}, false, 0, 0},
        {"count-0 run writes only its last pixel", {13, 10, 0x3F, 0xFF}, true, 0, 9},
        {"run then pixel", {16, 0x3F, 0xFF}, true, 16383, 8},
        {"run then pixel one past the end fails", {16, 0x40, 0x00}, false, 0, 0},
        {"count is the low byte only", Repeat({}, 64, {18}, {10, 0xC1}), true, 254, 2},
        {"input runs out first", {10, 0x20, 0x00}, false, 0, 0},
        {"input ends inside a run length", {10, 0x20}, false, 0, 0},
        {"empty input", {}, false, 0, 0},
        {"two literals at the end", {10, 0x3F, 0xFE, 11}, true, 16383, 2},
        {"three literals overflow fails", {10, 0x3F, 0xFE, 15}, false, 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> out(kTilePixels, 0xEE);
        const bool ok = DecodeTile(c.input, table, TileBuffer(out.data(), kTilePixels));
        EXPECT_EQ(ok, c.ok) << c.name;
        if (ok && c.ok) {
            EXPECT_EQ(out[c.checkAt], c.expected) << c.name;
            EXPECT_EQ(std::count(out.begin(), out.end(), 0xEE), 0) << c.name;
        }
    }
}

TEST(TileDecoder, RowRepeatBeforeFirstRowEndIsSkipped)
{
    // At p = 64 a row-repeat code has no whole row behind it: it is passed
    // over and the next byte is read as a code, not as a count.
    const CodeTable table = TestTable();
    std::vector<std::uint8_t> input = {10, 0xC1, 14, 10, 0x3F, 0xC0};   // 64 pixels, skip, 16320 pixels
    std::vector<std::uint8_t> out(kTilePixels);
    ASSERT_TRUE(DecodeTile(input, table, TileBuffer(out.data(), kTilePixels)));
    EXPECT_EQ(out[16383], 5);
}

TEST(TileDecoder, NeverReadsPastTheGivenBytes)
{
    // A tile cut short at every length must fail cleanly; the sanitizer build
    // catches any read past the copy.
    const CodeTable table = TestTable();
    const std::vector<std::uint8_t> whole = {11, 15, 16, 0x05, 0x00, 10, 0x3A, 0xFA};
    std::vector<std::uint8_t> out(kTilePixels);
    ASSERT_TRUE(DecodeTile(whole, table, TileBuffer(out.data(), kTilePixels)));
    for (std::size_t n = 0; n < whole.size(); ++n) {
        const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(n));
        EXPECT_FALSE(DecodeTile(cut, table, TileBuffer(out.data(), kTilePixels))) << n;
    }
}

#include "charts/hcrf/HCRFRaster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <optional>

using namespace charts::hcrf;

namespace {

// Codes: 1 and 2 = runs of colours 1 and 2 from the stream (a whole tile
// each in the rasters), 10 = run of colour 5 from the stream, 11 = two pixels
// 1,2, 12 = 128 pixels of colour 3, 13 = count 0 then pixel 9, 14 = row
// repeat, 15 = three pixels 4,5,6, 16 = run of 7 then pixel 8, 17 = operation
// 8 (invalid), 18 = 255 pixels of colour 2 (the count's high byte is unread).
CodeTable TestTable()
{
    CodeTable t{};
    auto set = [&](int code, std::initializer_list<std::uint8_t> bytes) {
        std::copy(bytes.begin(), bytes.end(), t.begin() + code * 5);
    };
    set(1, {2, 1});
    set(2, {2, 2});
    set(10, {2, 5});
    set(11, {3, 1, 2});
    set(12, {1, 3, 128, 0});
    set(13, {4, 0, 0, 0, 9});
    set(14, {7});
    set(15, {6, 4, 5, 6});
    set(16, {5, 7, 8});
    set(17, {8});
    set(18, {1, 2, 255, 0xFF});
    return t;
}

Bytes Entries(std::initializer_list<CIndexEntry> entries)
{
    Bytes index;
    for (const CIndexEntry& e : entries)
        index.insert(index.end(), {e.key0, e.key1, std::uint8_t(e.length), std::uint8_t(e.length >> 8),
                                   std::uint8_t(e.offset), std::uint8_t(e.offset >> 8), std::uint8_t(e.offset >> 16),
                                   std::uint8_t(e.offset >> 24)});
    return index;
}

Bytes WithCheck(Bytes b)
{
    const std::uint32_t crc = Crc32(b);
    b.insert(b.end(), {std::uint8_t(crc), std::uint8_t(crc >> 8), std::uint8_t(crc >> 16), std::uint8_t(crc >> 24)});
    return b;
}

// Two tiles across, one down: tile 0 fills colour 1, tile 1 colour 2.
const Bytes kTwoTiles = {1, 0x40, 0x00, 2, 0x40, 0x00};
const Bytes kTwoEntries = Entries({{0, 0, 3, 0}, {0, 1, 3, 3}});

CTileRaster TwoTileRaster()
{
    CTileRaster raster;
    EXPECT_TRUE(raster.Assign(WithCheck(kTwoTiles), WithCheck(kTwoEntries), 2, 1, nullptr));
    return raster;
}

// The first pixel of a tile, or nothing when the tile cannot be read.
std::optional<std::uint8_t> FirstPixel(const CTileRaster& r, unsigned column, unsigned row = 0, bool enciphered = false)
{
    std::vector<std::uint8_t> tile(kTilePixels);
    std::mutex lock;
    if (!r.ReadTile(column, row, TestTable(), enciphered, TileBuffer(tile.data(), kTilePixels), lock))
        return std::nullopt;
    return tile[0];
}


std::vector<std::uint8_t> Repeat(std::size_t n, std::vector<std::uint8_t> unit, std::vector<std::uint8_t> tail = {})
{
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < n; ++i)
        out.insert(out.end(), unit.begin(), unit.end());
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

}  // namespace

TEST(HCRFRaster, CorruptFilesFailTheLoad)
{
    Bytes extra = kTwoEntries;
    extra.insert(extra.end(), {9, 9, 0, 0, 0, 0, 0, 0});
    Bytes ragged = kTwoEntries;
    ragged.push_back(0);
    const struct {
        const char* name;
        Bytes raster, index;
        bool ok;
    } cases[] = {
        {"whole", WithCheck(kTwoTiles), WithCheck(kTwoEntries), true},
        {"index with more entries than tiles", WithCheck(kTwoTiles), WithCheck(extra), true},
        {"raster shorter than its check value", {1, 2, 3}, WithCheck(kTwoEntries), false},
        {"index shorter than its check value", WithCheck(kTwoTiles), {0, 0}, false},
        {"index of one entry for two tiles", WithCheck(kTwoTiles), WithCheck(Entries({{0, 0, 3, 0}})), false},
        {"index not whole entries", WithCheck(kTwoTiles), WithCheck(ragged), false},
        {"entry beyond the data", WithCheck(kTwoTiles), WithCheck(Entries({{0, 0, 3, 0}, {0, 1, 3, 4}})), false},
        {"entry into the check value", WithCheck(kTwoTiles), WithCheck(Entries({{0, 0, 3, 0}, {0, 1, 5, 3}})), false},
        {"entry offset near 4 GiB", WithCheck(kTwoTiles), WithCheck(Entries({{0, 0, 0xFFFF, 0xFFFFFFFF}, {0, 1, 3, 3}})),
         false},
    };
    for (const auto& c : cases) {
        CTileRaster raster;
        std::string error;
        EXPECT_EQ(raster.Assign(c.raster, c.index, 2, 1, &error), c.ok) << c.name;
        EXPECT_EQ(error.empty(), c.ok) << c.name << ": " << error;
        EXPECT_EQ(raster.IsLoaded(), c.ok) << c.name;
    }
}

TEST(HCRFRaster, TileReadsStayInsideTheRaster)
{
    const CTileRaster raster = TwoTileRaster();
    EXPECT_EQ(FirstPixel(raster, 0), 1);
    EXPECT_EQ(FirstPixel(raster, 1), 2);
    EXPECT_FALSE(FirstPixel(raster, 2));
    EXPECT_FALSE(FirstPixel(raster, 0, 1));
    EXPECT_FALSE(FirstPixel(raster, 0, 0, true));   // no decipher stage
    EXPECT_FALSE(FirstPixel(CTileRaster(), 0));
}

TEST(HCRFRaster, UpdateMerge)
{
    const Bytes upr = WithCheck({1, 0x40, 0x00});   // one replacement tile of colour 1
    const struct {
        const char* name;
        Bytes upi;
        bool ok;
        std::uint8_t second;   // first pixel of tile 1 afterwards
        std::size_t replaced;
    } cases[] = {
        {"empty update index", WithCheck({}), true, 2, 0},
        {"replaces the tile with matching keys", WithCheck(Entries({{0, 1, 3, 0}})), true, 1, 1},
        {"keys that match no tile", WithCheck(Entries({{7, 7, 3, 0}})), true, 2, 0},
        {"an unmatched entry stops later ones", WithCheck(Entries({{7, 7, 3, 0}, {0, 1, 3, 0}})), true, 2, 0},
        {"entry beyond the update raster", WithCheck(Entries({{0, 1, 3, 2}})), false, 2, 0},
    };
    for (const auto& c : cases) {
        CTileRaster raster = TwoTileRaster();
        const std::uint32_t fileCheck = raster.ExpectedRasterCheck();
        std::vector<std::string> updated;
        std::string error;
        EXPECT_EQ(raster.MergeUpdates(upr, c.upi, 0x1234, 0x5678, &updated, &error), c.ok) << c.name;
        EXPECT_EQ(FirstPixel(raster, 1), c.second) << c.name;
        EXPECT_EQ(FirstPixel(raster, 0), 1) << c.name;
        EXPECT_EQ(updated.size(), c.replaced) << c.name;
        EXPECT_EQ(raster.ExpectedRasterCheck(), c.ok ? 0x1234u : fileCheck) << c.name;
        // Nothing replaced, or a failed merge, leaves the data as it was.
        EXPECT_EQ(Bytes(raster.Data().begin(), raster.Data().end()) == kTwoTiles, c.replaced == 0) << c.name;
    }
}

TEST(HCRFRaster, CheckValueIsZlibsCrc32)
{
    // zlib's published check value, in one call and continued over two. The round
    // trip holds whole rasters against the writer's zlib values and the tool
    // check against Python's.
    const Bytes bytes = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc32(bytes), 0xCBF43926u);
    EXPECT_EQ(Crc32(ByteView(bytes).subspan(4), Crc32(ByteView(bytes).first(4))), 0xCBF43926u);
}

TEST(TileDecoder, OperationsAndBounds)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> input;
        bool ok;
        std::size_t checkAt;   // a pixel to check when ok
        std::uint8_t expected;
    };
    const CodeTable table = TestTable();
    const std::vector<Case> cases = {
        {"two-byte run fills the tile", {10, 0x40, 0x00}, true, 16383, 5},
        {"trailing input is ignored", {10, 0x40, 0x00, 17, 17}, true, 0, 5},
        {"0xFF is a run of 2", Repeat(8192, {10, 0xFF}), true, 1, 5},
        {"0x80 is a run of 129, overflow fails", Repeat(128, {10, 0x80}), false, 0, 0},
        {"two-byte run one past the end fails", {10, 0x40, 0x01}, false, 0, 0},
        {"row repeat at 0 takes no count", {14, 10, 0x40, 0x00}, true, 100, 5},
        {"row repeat before the first row end is passed over", {10, 0xC1, 14, 10, 0x3F, 0xC0}, true, 16383, 5},
        {"row repeat at the last row, count 1", {10, 0x3F, 0x80, 14, 1}, true, 16383, 5},
        {"row repeat past the last row start is passed over", {10, 0x3F, 0x81, 14, 10, 0x00, 0x7F}, true, 16383, 5},
        {"row repeat at the last row, count 2 fails", {10, 0x3F, 0x80, 14, 2}, false, 0, 0},
        {"row repeat count 0 writes nothing", {12, 14, 0, 14, 127}, true, 16383, 3},
        {"row repeat copies the row just finished", {11, 15, 10, 0x86, 14, 127}, true, 128 * 50 + 2, 4},
        {"operation 8 fails", {17}, false, 0, 0},
        {"unused code (operation 0) fails", {200}, false, 0, 0},
        {"count-0 run writes only its last pixel", {13, 10, 0x3F, 0xFF}, true, 0, 9},
        {"run then pixel", {16, 0x3F, 0xFF}, true, 16383, 8},
        {"run then pixel one past the end fails", {16, 0x40, 0x00}, false, 0, 0},
        {"count is the low byte only", Repeat(64, {18}, {10, 0xC1}), true, 254, 2},
        {"input runs out first", {10, 0x20, 0x00}, false, 0, 0},
        {"input ends inside a run length", {10, 0x20}, false, 0, 0},
        {"input ends before a row repeat count", {12, 14}, false, 0, 0},
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

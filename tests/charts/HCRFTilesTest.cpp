#include "charts/hcrf/ChartVerifier.h"
#include "charts/hcrf/HCRFRaster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <numeric>
#include <optional>
#include <random>
#include <thread>

using namespace charts::hcrf;

namespace {

// Codes: 1, 2, 10 = runs of colours 1, 2, 5 from the stream; 11 = pixels 1,2; 12 = 128 pixels of 3;
// 13 = count 0 then pixel 9; 14 = row repeat; 15 = pixels 4,5,6; 16 = run of 7 then pixel 8; 17 =
// operation 8 (invalid); 22 = 200 pixels of 6 (a fourth byte the count never reads); 23 =
// operation 0 (invalid).
CodeTable TestTable()
{
    CodeTable t{};
    const std::pair<int, Bytes> codes[] = {
        {1, {2, 1}},           {2, {2, 2}}, {10, {2, 5}},       {11, {3, 1, 2}}, {12, {1, 3, 128}},
        {13, {4, 0, 0, 0, 9}}, {14, {7}},   {15, {6, 4, 5, 6}}, {16, {5, 7, 8}}, {17, {8}},
        {22, {1, 6, 200, 1}},  {23, {0}}};
    for (const auto& [code, bytes] : codes)
        std::copy(bytes.begin(), bytes.end(), t.begin() + code * 5);
    return t;
}

Bytes WithCheck(Bytes b)
{
    const std::uint32_t crc = Crc32(b);
    b.insert(b.end(), {std::uint8_t(crc), std::uint8_t(crc >> 8), std::uint8_t(crc >> 16),
                       std::uint8_t(crc >> 24)});
    return b;
}

// An index file: the entries, any stray bytes, and the check value.
Bytes Entries(std::initializer_list<CIndexEntry> entries, Bytes tail = {})
{
    Bytes index;
    for (const CIndexEntry& e : entries)
        index.insert(index.end(),
                     {e.key0, e.key1, std::uint8_t(e.length), std::uint8_t(e.length >> 8),
                      std::uint8_t(e.offset), std::uint8_t(e.offset >> 8),
                      std::uint8_t(e.offset >> 16), std::uint8_t(e.offset >> 24)});
    index.insert(index.end(), tail.begin(), tail.end());
    return WithCheck(index);
}

// Two tiles across, one down: tile 0 fills colour 1, tile 1 colour 2.
const Bytes kTwoTiles = {1, 0x40, 0x00, 2, 0x40, 0x00};

// The first pixel of a tile, or nothing when the tile cannot be read.
std::optional<std::uint8_t> FirstPixel(const CTileRaster& r, unsigned column, unsigned row = 0,
                                       bool enciphered = false)
{
    std::vector<std::uint8_t> tile(kTilePixels);
    std::mutex lock;
    const bool read = r.ReadTile(column, row, TestTable(), enciphered,
                                 TileBuffer(tile.data(), kTilePixels), lock);
    return read ? std::optional(tile[0]) : std::nullopt;
}

Bytes Repeat(std::size_t n, Bytes unit)
{
    Bytes out;
    for (std::size_t i = 0; i < n; ++i)
        out.insert(out.end(), unit.begin(), unit.end());
    return out;
}

}   // namespace

TEST(HCRFRaster, CorruptFilesFailTheLoad)
{
    const Bytes raster = WithCheck(kTwoTiles);
    const struct {
        const char* name;
        Bytes raster, index;
        bool ok;
    } cases[] = {
        {"index with more entries than tiles", raster,
         Entries({{0, 0, 3, 0}, {0, 1, 3, 3}, {9, 9, 0, 0}}), true},
        {"raster shorter than its check value",
         {1, 2, 3},
         Entries({{0, 0, 3, 0}, {0, 1, 3, 3}}),
         false},
        {"index shorter than its check value", raster, {0, 0}, false},
        {"index of one entry for two tiles", raster, Entries({{0, 0, 3, 0}}), false},
        {"index not whole entries", raster, Entries({{0, 0, 3, 0}, {0, 1, 3, 3}}, {0}), false},
        {"entry beyond the data", raster, Entries({{0, 0, 3, 0}, {0, 1, 3, 4}}), false},
        {"entry into the check value", raster, Entries({{0, 0, 3, 0}, {0, 1, 5, 3}}), false},
        {"entry offset near 4 GiB", raster, Entries({{0, 0, 0xFFFF, 0xFFFFFFFF}, {0, 1, 3, 3}}),
         false},
    };
    for (const auto& c : cases) {
        CTileRaster r;
        std::string error;
        EXPECT_EQ(r.Assign(c.raster, c.index, 2, 1, &error), c.ok) << c.name;
        EXPECT_EQ(error.empty() && r.IsLoaded(), c.ok) << c.name << ": " << error;
    }
}

TEST(HCRFRaster, TileReadsAndUpdateMergeStayInsideTheRaster)
{
    CTileRaster raster;
    ASSERT_TRUE(
        raster.Assign(WithCheck(kTwoTiles), Entries({{0, 0, 3, 0}, {0, 1, 3, 3}}), 2, 1, nullptr));
    EXPECT_EQ(FirstPixel(raster, 1), 2);
    EXPECT_FALSE(FirstPixel(raster, 2));
    EXPECT_FALSE(FirstPixel(raster, 0, 1));
    EXPECT_FALSE(FirstPixel(raster, 0, 0, true));   // no decipher stage

    const Bytes upr = WithCheck({1, 0x40, 0x00});   // one replacement tile of colour 1
    // Rows: update index, merge succeeds, first pixel of tile 1 afterwards, tiles replaced.
    const struct {
        const char* name;
        Bytes upi;
        bool ok;
        std::uint8_t second;
        std::size_t replaced;
    } cases[] = {
        {"empty update index", Entries({}), true, 2, 0},
        {"replaces the tile with matching keys", Entries({{0, 1, 3, 0}}), true, 1, 1},
        {"an unmatched entry stops later ones", Entries({{7, 7, 3, 0}, {0, 1, 3, 0}}), true, 2, 0},
        {"entry beyond the update raster", Entries({{0, 1, 3, 2}}), false, 2, 0},
    };
    for (const auto& c : cases) {
        CTileRaster r = raster;
        std::vector<std::string> updated;
        std::string error;
        EXPECT_EQ(r.MergeUpdates(upr, c.upi, 0x1234, 0x5678, &updated, &error), c.ok) << c.name;
        EXPECT_EQ(FirstPixel(r, 1), c.second) << c.name;
        EXPECT_EQ(FirstPixel(r, 0), 1) << c.name;
        EXPECT_EQ(updated.size(), c.replaced) << c.name;
        EXPECT_EQ(r.ExpectedRasterCheck(), c.ok ? 0x1234u : raster.ExpectedRasterCheck()) << c.name;
        // Nothing replaced, or a failed merge, leaves the data as it was.
        EXPECT_EQ(Bytes(r.Data().begin(), r.Data().end()) == kTwoTiles, c.replaced == 0) << c.name;
    }
}

TEST(HCRFRaster, CheckValueIsZlibsCrc32)
{
    // zlib's published check value, in one call and continued over two.
    const Bytes bytes = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc32(bytes), 0xCBF43926u);
    EXPECT_EQ(Crc32(ByteView(bytes).subspan(4), Crc32(ByteView(bytes).first(4))), 0xCBF43926u);
}

// The decoder as the processor runs it, and the one for processors without
// masked stores.
using Decoder = bool (*)(ByteView, const CodeTable&, TileBuffer);
const Decoder kDecoders[] = {DecodeTile, DecodeTilePortable};

TEST(TileDecoder, OperationsAndBounds)
{
    // Rows: input, decodes, a pixel to check when it does and its colour.
    const struct {
        const char* name;
        Bytes input;
        bool ok;
        std::size_t at;
        std::uint8_t colour;
    } cases[] = {
        {"two-byte run fills the tile", {10, 0x40, 0x00, 17}, true, 16383, 5},
        {"0xFF is a run of 2", Repeat(8192, {10, 0xFF}), true, 1, 5},
        {"0x80 is a run of 129, overflow fails", Repeat(128, {10, 0x80}), false, 0, 0},
        {"two-byte run one past the end fails", {10, 0x40, 0x01}, false, 0, 0},
        {"row repeat before the first row end is passed over",
         {10, 0xC1, 14, 10, 0x3F, 0xC0},
         true,
         16383,
         5},
        {"row repeat at the last row, count 1", {10, 0x3F, 0x80, 14, 1}, true, 16383, 5},
        {"row repeat at the last row, count 2 fails", {10, 0x3F, 0x80, 14, 2}, false, 0, 0},
        {"row repeat count 0 writes nothing", {12, 14, 0, 14, 127}, true, 16383, 3},
        {"row repeat copies the row just finished",
         {11, 15, 10, 0x86, 14, 127},
         true,
         128 * 50 + 2,
         4},
        {"operation 8 fails", {17}, false, 0, 0},
        {"operation 0 fails", {10, 0x3F, 0xFF, 23}, false, 0, 0},
        {"a table run's count is its third byte alone", {22, 10, 0x3F, 0x38}, true, 199, 6},
        {"count-0 run writes only its last pixel", {13, 10, 0x3F, 0xFF}, true, 0, 9},
        {"run then pixel", {16, 0x3F, 0xFF}, true, 16383, 8},
        {"run then pixel one past the end fails", {16, 0x40, 0x00}, false, 0, 0},
        {"input runs out first", {10, 0x20, 0x00}, false, 0, 0},
        {"input ends before a row repeat count", {12, 14}, false, 0, 0},
        {"empty input", {}, false, 0, 0},
        {"two literals at the end", {10, 0x3F, 0xFE, 11}, true, 16383, 2},
        {"three literals overflow fails", {10, 0x3F, 0xFE, 15}, false, 0, 0},
    };
    const CodeTable table = TestTable();
    for (const auto& c : cases) {
        for (Decoder decode : kDecoders) {
            std::vector<std::uint8_t> out(kTilePixels, 0xEE);
            ASSERT_EQ(decode(c.input, table, TileBuffer(out.data(), kTilePixels)), c.ok) << c.name;
            EXPECT_TRUE(!c.ok ||
                        (out[c.at] == c.colour && std::count(out.begin(), out.end(), 0xEE) == 0))
                << c.name;
        }
    }
}

// Random streams of every operation, short and long runs, one- and two-byte
// stream runs and row repeats, against the pixels each code describes.
TEST(TileDecoder, RandomCodeStreamsDecodeToThePixelsTheyDescribe)
{
    CodeTable table = TestTable();
    const std::pair<int, Bytes> more[] = {
        {18, {4, 6, 5, 0, 7}}, {19, {1, 8, 40}}, {20, {1, 9, 0}}, {21, {1, 1, 1}}};
    for (const auto& [code, bytes] : more)
        std::copy(bytes.begin(), bytes.end(), table.begin() + code * 5);
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        Bytes in;
        std::vector<std::uint8_t> expected;
        const auto run = [&](std::size_t n, std::uint8_t colour) {
            expected.insert(expected.end(), n, colour);
        };
        while (expected.size() < kTilePixels) {
            const std::size_t room = kTilePixels - expected.size();   // 300 or more here
            const std::size_t p = expected.size();
            switch (rng() % 9) {
            case 0: in.push_back(11), run(1, 1), run(1, 2); break;   // two literals
            case 1: in.push_back(15), run(1, 4), run(1, 5), run(1, 6); break;   // three literals
            case 2: in.push_back(18), run(5, 6), run(1, 7); break;   // run then pixel
            case 3: in.push_back(19), run(40, 8); break;   // run from the table
            case 4: in.push_back(20); break;   // a run of nothing
            case 5: {   // one-byte stream run
                const std::size_t n = 2 + rng() % 128;
                in.insert(in.end(), {16, std::uint8_t(257 - n)}), run(n, 7), run(1, 8);
                break;
            }
            case 6: {   // two-byte stream run
                const std::size_t n = rng() % 300;
                in.insert(in.end(), {10, std::uint8_t(n >> 8), std::uint8_t(n)}), run(n, 5);
                break;
            }
            case 7:   // row repeats
                if (p >= kTileSide && rng() % 4 == 0) {
                    const std::size_t rows = 1 + rng() % std::min<std::size_t>(3, room / kTileSide);
                    in.insert(in.end(), {14, std::uint8_t(rows)});
                    for (std::size_t k = 0; k < rows; ++k)
                        expected.insert(expected.end(), expected.end() - kTileSide, expected.end());
                }
                break;
            default: in.push_back(21), run(1, 1); break;   // one pixel
            }
            // Every code above fits in 300 pixels; the last ones are single pixels.
            if (kTilePixels - expected.size() < 300)
                while (expected.size() < kTilePixels)
                    in.push_back(21), run(1, 1);
        }
        for (Decoder decode : kDecoders) {
            std::vector<std::uint8_t> out(kTilePixels, 0xEE);
            ASSERT_TRUE(decode(in, table, TileBuffer(out.data(), kTilePixels)))
                << "round " << round;
            ASSERT_EQ(out, expected) << "round " << round;
        }
    }
}

// A tile that fails leaves every pixel past its last whole code as it was,
// wherever the failure comes: an invalid code or a run cut short by the end of
// the input, after short runs, long runs and row repeats.
TEST(TileDecoder, FailedTileLeavesThePixelsPastItsLastWholeCode)
{
    const CodeTable table = TestTable();
    const auto decodeFailing = [&](const Bytes& in, std::size_t written) {
        bool kept = true;
        for (Decoder decode : kDecoders) {
            std::vector<std::uint8_t> out(kTilePixels, 0xEE);
            EXPECT_FALSE(decode(in, table, TileBuffer(out.data(), kTilePixels)));
            kept = kept && std::count(out.begin() + std::ptrdiff_t(written), out.end(), 0xEE) ==
                               std::ptrdiff_t(kTilePixels - written);
        }
        return kept;
    };
    EXPECT_TRUE(decodeFailing({15, 23}, 3)) << "three pixels, then operation 0";
    EXPECT_TRUE(decodeFailing({15, 16}, 3)) << "a stream run without its count";
    EXPECT_TRUE(decodeFailing({15, 10, 0x01}, 3)) << "a two-byte run cut after one";
    EXPECT_TRUE(decodeFailing({15, 17}, 3)) << "operation 8";

    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        Bytes in;
        std::size_t p = 0;
        const std::size_t stop = rng() % (kTilePixels - 300);
        while (p < stop) {
            switch (rng() % 6) {
            case 0: in.push_back(11), p += 2; break;
            case 1: in.push_back(15), p += 3; break;
            case 2: {
                const std::size_t n = 2 + rng() % 128;
                in.insert(in.end(), {16, std::uint8_t(257 - n)}), p += n + 1;
                break;
            }
            case 3: {
                const std::size_t n = rng() % 200;
                in.insert(in.end(), {10, std::uint8_t(n >> 8), std::uint8_t(n)}), p += n;
                break;
            }
            case 4:
                if (p >= kTileSide && p < kTilePixels - 3 * kTileSide)
                    in.insert(in.end(), {14, std::uint8_t(1 + rng() % 2)}),
                        p += kTileSide * in.back();
                break;
            default: in.insert(in.end(), {13}), p += 1; break;
            }
        }
        const Bytes endings[] = {{23}, {17}, {16}, {10, 0x00}, {10, 0x7F, 0xFF}};
        const Bytes& ending = endings[rng() % std::size(endings)];
        in.insert(in.end(), ending.begin(), ending.end());
        ASSERT_TRUE(decodeFailing(in, p)) << "round " << round << ", " << p << " pixels";
    }
}

// The check feeds the tiles in index order whatever their order in the data,
// merging runs that follow each other there, across chunk boundaries: only
// the tiles' bytes in index order give "passed".
TEST(HCRFRaster, VerifierFeedsTilesInIndexOrderAcrossChunks)
{
    constexpr std::uint16_t kLength = 40000;   // runs of these pass the 64 KB chunk
    // Data order: tile 2, then tiles 0 and 1, then tiles 3 to 5.
    const std::uint32_t offsets[6] = {kLength,      2u * kLength, 0,
                                      3u * kLength, 4u * kLength, 5u * kLength};
    Bytes data(6u * kLength);
    std::mt19937 random(7);
    for (auto& b : data)
        b = std::uint8_t(random());
    Bytes inIndexOrder;
    for (std::uint32_t offset : offsets)
        inIndexOrder.insert(inIndexOrder.end(), data.begin() + offset,
                            data.begin() + offset + kLength);
    auto verify = [&](Bytes rasterFile) {
        Bytes index = Entries({{0, 0, kLength, offsets[0]},
                               {1, 0, kLength, offsets[1]},
                               {2, 0, kLength, offsets[2]},
                               {0, 1, kLength, offsets[3]},
                               {1, 1, kLength, offsets[4]},
                               {2, 1, kLength, offsets[5]}});
        CTileRaster raster;
        EXPECT_TRUE(raster.Assign(std::move(rasterFile), std::move(index), 3, 2, nullptr));
        std::mutex lock;
        CChartVerifier verifier;
        verifier.Start(raster, lock);
        int result = -1;
        for (int i = 0; i < 500 && result < 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            verifier.Queue().Drain([&](const app::CPostedMessage& m) {
                if (m.id == CChartVerifier::kChartResult)
                    result = int(m.wParam);
            });
        }
        verifier.Stop();
        return result;
    };
    Bytes good = data, wrong = data;
    const std::uint32_t crc = Crc32(inIndexOrder), fileOrder = Crc32(data);
    for (int i = 0; i < 4; ++i) {
        good.push_back(std::uint8_t(crc >> (8 * i)));
        wrong.push_back(std::uint8_t(fileOrder >> (8 * i)));
    }
    EXPECT_EQ(verify(good), 1);
    EXPECT_EQ(verify(wrong), 0);
}

// Progress goes out at every hundredth of the size, at least every byte, as bytes over that
// hundredth; a check stopped in the index posts no result for either part.
TEST(HCRFRaster, VerifierPostsEachHundredthAndNothingOnceStoppedInTheIndex)
{
    auto run = [](Bytes rasterFile, Bytes index, std::vector<app::CPostedMessage>& posted,
                  bool stopInIndex) {
        CTileRaster raster;
        ASSERT_TRUE(raster.Assign(std::move(rasterFile), std::move(index), 2, 1, nullptr));
        std::mutex lock;
        CChartVerifier verifier;
        if (stopInIndex) {
            // The worker waits for the tile lock at the first byte of the index while the
            // stop is requested.
            std::unique_lock held(lock);
            verifier.Start(raster, lock);
            std::thread stopper([&verifier] { verifier.Stop(); });
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            held.unlock();
            stopper.join();
        } else {
            verifier.Start(raster, lock);
            for (int i = 0; i < 400; ++i) {
                bool finished = false;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                verifier.Queue().Drain([&](const app::CPostedMessage& m) {
                    posted.push_back(m);
                    finished = finished || m.id == CChartVerifier::kFinished;
                });
                if (finished)
                    break;
            }
            verifier.Stop();
        }
        verifier.Queue().Drain([&](const app::CPostedMessage& m) { posted.push_back(m); });
    };
    auto values = [](const std::vector<app::CPostedMessage>& posted, unsigned id) {
        std::vector<std::uint64_t> out;
        for (const auto& m : posted)
            if (m.id == id)
                out.push_back(m.wParam);
        return out;
    };
    // Two tiles of 150 bytes: a 16-byte index (step 1) and 304 bytes of raster (step 3).
    Bytes data = Repeat(300, {7});
    const Bytes index = Entries({{0, 0, 150, 0}, {1, 0, 150, 150}});
    std::vector<app::CPostedMessage> posted;
    run(WithCheck(data), index, posted, false);
    std::vector<std::uint64_t> indexSteps(16), chartSteps(100);
    std::iota(indexSteps.begin(), indexSteps.end(), 1);
    std::iota(chartSteps.begin(), chartSteps.end(), 1);
    EXPECT_EQ(values(posted, CChartVerifier::kIndexProgress), indexSteps);
    EXPECT_EQ(values(posted, CChartVerifier::kChartProgress), chartSteps);
    EXPECT_EQ(values(posted, CChartVerifier::kIndexResult), std::vector<std::uint64_t>{1});
    EXPECT_EQ(values(posted, CChartVerifier::kChartResult), std::vector<std::uint64_t>{1});
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(posted.back().id, CChartVerifier::kFinished);

    posted.clear();
    run(WithCheck(data), index, posted, true);
    EXPECT_TRUE(values(posted, CChartVerifier::kIndexResult).empty());
    EXPECT_TRUE(values(posted, CChartVerifier::kChartResult).empty());
    EXPECT_TRUE(values(posted, CChartVerifier::kFinished).empty());
    EXPECT_LE(posted.size(), 1u);
}

#include "ChartSetWriter.h"
#include "TempFolder.h"
#include "charts/hcrf/HCRFRaster.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>

using namespace charts::hcrf;

namespace {

// A code table whose code 1 fills a whole tile with colour 1 and code 2 with
// colour 2 (two-byte run of 16384 follows each).
CodeTable FillTable()
{
    CodeTable t{};
    t[5] = 2, t[6] = 1;
    t[10] = 2, t[11] = 2;
    return t;
}

void Entry(Bytes& index, std::uint8_t k0, std::uint8_t k1, std::uint16_t length, std::uint32_t offset)
{
    index.insert(index.end(), {k0, k1, std::uint8_t(length), std::uint8_t(length >> 8), std::uint8_t(offset),
                               std::uint8_t(offset >> 8), std::uint8_t(offset >> 16), std::uint8_t(offset >> 24)});
}

Bytes WithCheck(Bytes b)
{
    const std::uint32_t crc = Crc32(b);
    b.insert(b.end(), {std::uint8_t(crc), std::uint8_t(crc >> 8), std::uint8_t(crc >> 16), std::uint8_t(crc >> 24)});
    return b;
}

// Two tiles across, one down: tile 0 fills colour 1, tile 1 colour 2.
Bytes TwoTiles()
{
    return {1, 0x40, 0x00, 2, 0x40, 0x00};
}

Bytes TwoEntries()
{
    Bytes index;
    Entry(index, 0, 0, 3, 0);
    Entry(index, 0, 1, 3, 3);
    return index;
}

std::uint8_t FirstPixel(const CTileRaster& r, unsigned column, bool* ok)
{
    std::vector<std::uint8_t> tile(kTilePixels);
    std::mutex lock;
    *ok = r.ReadTile(column, 0, FillTable(), false, TileBuffer(tile.data(), kTilePixels), lock);
    return tile[0];
}

std::uint32_t PythonCrc(const std::filesystem::path& file)
{
    const std::string command = "/usr/bin/python3 -c \"import binascii,sys; d=open(sys.argv[1],'rb').read()[:-4]; "
                                "print(binascii.crc32(d) & 0xffffffff)\" '" + file.string() + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return 0;
    unsigned long value = 0;
    if (std::fscanf(pipe, "%lu", &value) != 1)
        value = 0;
    ::pclose(pipe);
    return std::uint32_t(value);
}

}  // namespace

TEST(HCRFRaster, CorruptFilesFailTheLoad)
{
    struct Case {
        const char* name;
        Bytes raster, index;
        bool ok;
    };
    Bytes beyond = TwoEntries();
    beyond[8 + 4] = 4;   // second tile at offset 4: its 3 bytes end past the data
    Bytes intoCheck;
    Entry(intoCheck, 0, 0, 3, 0);
    Entry(intoCheck, 0, 1, 5, 3);   // would take the raster's check value as tile bytes
    Bytes huge;
    Entry(huge, 0, 0, 0xFFFF, 0xFFFFFFFF);
    Entry(huge, 0, 1, 3, 3);
    Bytes ragged = TwoEntries();
    ragged.push_back(0);
    Bytes extra = TwoEntries();
    const Bytes oneEntry(extra.begin(), extra.begin() + 8);
    Entry(extra, 9, 9, 0, 0);
    const Case cases[] = {
        {"whole", WithCheck(TwoTiles()), WithCheck(TwoEntries()), true},
        {"index with more entries than tiles", WithCheck(TwoTiles()), WithCheck(extra), true},
        {"raster shorter than its check value", {1, 2, 3}, WithCheck(TwoEntries()), false},
        {"index shorter than its check value", WithCheck(TwoTiles()), {0, 0}, false},
        {"index of one entry for two tiles", WithCheck(TwoTiles()), WithCheck(oneEntry), false},
        {"index not whole entries", WithCheck(TwoTiles()), WithCheck(ragged), false},
        {"entry beyond the data", WithCheck(TwoTiles()), WithCheck(beyond), false},
        {"entry into the check value", WithCheck(TwoTiles()), WithCheck(intoCheck), false},
        {"entry offset near 4 GiB", WithCheck(TwoTiles()), WithCheck(huge), false},
        {"empty files", {}, {}, false},
    };
    for (const Case& c : cases) {
        CTileRaster raster;
        std::string error;
        EXPECT_EQ(raster.Assign(c.raster, c.index, 2, 1, &error), c.ok) << c.name;
        EXPECT_EQ(error.empty(), c.ok) << c.name << ": " << error;
        EXPECT_EQ(raster.IsLoaded(), c.ok) << c.name;
    }
}

TEST(HCRFRaster, TileReadsStayInsideTheRaster)
{
    CTileRaster raster;
    ASSERT_TRUE(raster.Assign(WithCheck(TwoTiles()), WithCheck(TwoEntries()), 2, 1, nullptr));
    bool ok = false;
    EXPECT_EQ(FirstPixel(raster, 0, &ok), 1);
    EXPECT_TRUE(ok);
    EXPECT_EQ(FirstPixel(raster, 1, &ok), 2);
    EXPECT_TRUE(ok);
    FirstPixel(raster, 2, &ok);
    EXPECT_FALSE(ok);
    std::vector<std::uint8_t> tile(kTilePixels);
    std::mutex lock;
    EXPECT_FALSE(raster.ReadTile(0, 1, FillTable(), false, TileBuffer(tile.data(), kTilePixels), lock));
    EXPECT_FALSE(raster.ReadTile(0, 0, FillTable(), true, TileBuffer(tile.data(), kTilePixels), lock));
    EXPECT_EQ(raster.ExpectedRasterCheck(), Crc32(TwoTiles()));
    EXPECT_FALSE(CTileRaster().ReadTile(0, 0, FillTable(), false, TileBuffer(tile.data(), kTilePixels), lock));
}

TEST(HCRFRaster, UpdateMerge)
{
    const Bytes upr = WithCheck({1, 0x40, 0x00});   // one replacement tile of colour 1
    struct Case {
        const char* name;
        Bytes upi;
        bool ok;
        std::uint8_t second;         // first pixel of tile 1 afterwards
        std::size_t replaced;
    };
    Bytes matching, noMatch, beyond, noMatchFirst;
    Entry(matching, 0, 1, 3, 0);
    Entry(noMatch, 7, 7, 3, 0);
    Entry(beyond, 0, 1, 3, 2);
    Entry(noMatchFirst, 7, 7, 3, 0);   // matches no tile: stops the later, matching one
    Entry(noMatchFirst, 0, 1, 3, 0);
    const Case cases[] = {
        {"empty update index", WithCheck({}), true, 2, 0},
        {"replaces the tile with matching keys", WithCheck(matching), true, 1, 1},
        {"keys that match no tile", WithCheck(noMatch), true, 2, 0},
        {"an unmatched entry stops later ones", WithCheck(noMatchFirst), true, 2, 0},
        {"entry beyond the update raster", WithCheck(beyond), false, 2, 0},
    };
    for (const Case& c : cases) {
        CTileRaster raster;
        ASSERT_TRUE(raster.Assign(WithCheck(TwoTiles()), WithCheck(TwoEntries()), 2, 1, nullptr));
        const std::uint32_t fileCheck = raster.ExpectedRasterCheck();
        std::vector<std::string> updated;
        std::string error;
        EXPECT_EQ(raster.MergeUpdates(upr, c.upi, 0x1234, 0x5678, &updated, &error), c.ok) << c.name;
        bool ok = false;
        EXPECT_EQ(FirstPixel(raster, 1, &ok), c.second) << c.name;
        EXPECT_TRUE(ok) << c.name;
        EXPECT_EQ(updated.size(), c.replaced) << c.name;
        EXPECT_EQ(raster.ExpectedRasterCheck(), c.ok ? 0x1234u : fileCheck) << c.name;
        if (c.ok && c.replaced == 0)
            EXPECT_EQ(Bytes(raster.Data().begin(), raster.Data().end()), TwoTiles()) << c.name;
    }
}

TEST(HCRFRaster, CheckValuesAgreeWithPythonZlib)
{
    brine_test::TempFolder folder;
    hcrftool::WrittenChart written;
    std::string error;
    ASSERT_TRUE(hcrftool::WriteChartSet(hcrftool::GeneratePicture(500, 300), {}, folder.Path(), written, error));
    for (const char* ext : {"chr", "lor"}) {
        const auto rasterFile = SiblingFile(written.chartFile, ext);
        CTileRaster raster;
        ASSERT_TRUE(raster.Load(rasterFile, IndexFileOf(rasterFile), 1, 1, &error)) << error;
        const std::uint32_t rasterCrc = PythonCrc(rasterFile), indexCrc = PythonCrc(IndexFileOf(rasterFile));
        EXPECT_EQ(Crc32(raster.Data()), rasterCrc) << ext;
        EXPECT_EQ(raster.ExpectedRasterCheck(), rasterCrc) << ext;
        EXPECT_EQ(Crc32(raster.Index()), indexCrc) << ext;
        EXPECT_EQ(raster.ExpectedIndexCheck(), indexCrc) << ext;
    }
    // Fed in pieces, the check value is the same as in one go.
    const Bytes bytes = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc32(bytes), 0xCBF43926u);
    EXPECT_EQ(Crc32(ByteView(bytes).subspan(4), Crc32(ByteView(bytes).first(4))), 0xCBF43926u);
}

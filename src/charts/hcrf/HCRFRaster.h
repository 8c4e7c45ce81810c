#pragma once
// One raster of a chart in memory: the compressed tiles and their index, both
// without the check values that end their files, plus the check values the
// integrity check compares against.

#include "charts/hcrf/HCRFFields.h"
#include "charts/hcrf/TileDecoder.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace charts::hcrf {

inline constexpr std::size_t kIndexEntrySize = 8;
inline constexpr std::size_t kCheckValueSize = 4;

struct CIndexEntry {
    std::uint8_t key0 = 0;
    std::uint8_t key1 = 0;
    std::uint16_t length = 0;
    std::uint32_t offset = 0;
};

// Entry `n` of an index; the caller has checked that it lies inside.
CIndexEntry IndexEntryAt(ByteView index, std::size_t n);

// The standard CRC-32 (zlib's), continued from `crc` for data fed in several calls.
std::uint32_t Crc32(ByteView bytes, std::uint32_t crc = 0);

std::uint32_t ReadLE32(const std::uint8_t* p);

class CTileRaster {
public:
    // Reads a raster file and its index file whole. Fails, with a reason in
    // `error`, when a file cannot be read, is shorter than its check value, or
    // the index does not address `tilesAcross` x `tilesDown` tiles inside the
    // raster data.
    bool Load(const std::filesystem::path& rasterFile, const std::filesystem::path& indexFile,
              unsigned tilesAcross, unsigned tilesDown, std::string* error);
    // The same from the files' bytes.
    bool Assign(Bytes rasterFile, Bytes indexFile, unsigned tilesAcross, unsigned tilesDown,
                std::string* error);

    // Replaces the tiles named by an update index ("upi", entries in tile
    // order) with those of the update raster ("upr"). An update entry applies
    // to the next tile whose key bytes it matches; one that matches none stops
    // all later replacements. Afterwards the expected check values are the
    // catalogue's. Fails, leaving this raster as it was, when an update entry
    // points outside the update raster. `updatedTiles` receives "cccrrr" for
    // each replaced tile.
    bool MergeUpdates(ByteView updateRaster, ByteView updateIndex, std::uint32_t rasterCheck,
                      std::uint32_t indexCheck, std::vector<std::string>* updatedTiles,
                      std::string* error);

    // Decodes the tile at (column, row) through `table` under `tileLock`.
    // False for a tile outside the raster, an enciphered raster (no decipher
    // stage here) or a tile that does not decode.
    bool ReadTile(unsigned column, unsigned row, const CodeTable& table, bool enciphered,
                  TileBuffer out, std::mutex& tileLock) const;

    ByteView Data() const { return m_data; }
    ByteView Index() const { return m_index; }
    unsigned TilesAcross() const { return m_tilesAcross; }
    unsigned TilesDown() const { return m_tilesDown; }
    std::uint32_t ExpectedRasterCheck() const { return m_rasterCheck; }
    std::uint32_t ExpectedIndexCheck() const { return m_indexCheck; }
    bool IsLoaded() const { return m_loaded; }

private:
    Bytes m_data;
    Bytes m_index;
    unsigned m_tilesAcross = 0;
    unsigned m_tilesDown = 0;
    std::uint32_t m_rasterCheck = 0;
    std::uint32_t m_indexCheck = 0;
    bool m_loaded = false;
};

// Empty when every one of the `tiles` entries of `index` lies inside `data`;
// otherwise the reason.
std::string CheckIndex(ByteView data, ByteView index, std::size_t tiles);

}   // namespace charts::hcrf

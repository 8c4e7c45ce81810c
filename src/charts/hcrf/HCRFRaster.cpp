#include "charts/hcrf/HCRFRaster.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>

namespace charts::hcrf {

namespace {

void SetError(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
}

void WriteEntry(std::uint8_t* p, const CIndexEntry& e)
{
    p[0] = e.key0;
    p[1] = e.key1;
    p[2] = std::uint8_t(e.length);
    p[3] = std::uint8_t(e.length >> 8);
    for (int i = 0; i < 4; ++i)
        p[4 + i] = std::uint8_t(e.offset >> (8 * i));
}

}   // namespace

std::uint32_t ReadLE32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

CIndexEntry IndexEntryAt(ByteView index, std::size_t n)
{
    const std::uint8_t* p = index.data() + n * kIndexEntrySize;
    return CIndexEntry{p[0], p[1], std::uint16_t(p[2] | (p[3] << 8)), ReadLE32(p + 4)};
}

std::uint32_t Crc32(ByteView bytes, std::uint32_t crc)
{
    // zlib's own: the integrity check runs at its speed, many times a
    // byte-at-a-time table's. Its length is 32 bits, so large data goes in parts.
    constexpr std::size_t kPart = std::size_t(1) << 30;
    while (!bytes.empty()) {
        const std::size_t n = std::min(bytes.size(), kPart);
        crc = std::uint32_t(crc32(uLong(crc), bytes.data(), uInt(n)));
        bytes = bytes.subspan(n);
    }
    return crc;
}

std::string CheckIndex(ByteView data, ByteView index, std::size_t tiles)
{
    if (index.size() % kIndexEntrySize != 0)
        return "tile index size " + std::to_string(index.size()) +
               " is not a whole number of entries";
    if (index.size() / kIndexEntrySize < tiles)
        return "tile index holds " + std::to_string(index.size() / kIndexEntrySize) +
               " entries for " + std::to_string(tiles) + " tiles";
    for (std::size_t n = 0; n < tiles; ++n) {
        const CIndexEntry e = IndexEntryAt(index, n);
        if (std::uint64_t(e.offset) + e.length > data.size())
            return "entry " + std::to_string(n) + " points beyond the raster data";
    }
    return {};
}

bool CTileRaster::Load(const std::filesystem::path& rasterFile,
                       const std::filesystem::path& indexFile, unsigned tilesAcross,
                       unsigned tilesDown, std::string* error)
{
    auto raster = ReadWholeFile(rasterFile);
    if (!raster) {
        SetError(error, "cannot read " + rasterFile.string());
        return false;
    }
    auto index = ReadWholeFile(indexFile);
    if (!index) {
        SetError(error, "cannot read " + indexFile.string());
        return false;
    }
    return Assign(std::move(*raster), std::move(*index), tilesAcross, tilesDown, error);
}

bool CTileRaster::Assign(Bytes rasterFile, Bytes indexFile, unsigned tilesAcross,
                         unsigned tilesDown, std::string* error)
{
    if (rasterFile.size() < kCheckValueSize) {
        SetError(error, "raster file is shorter than its check value");
        return false;
    }
    if (indexFile.size() < kCheckValueSize) {
        SetError(error, "tile index file is shorter than its check value");
        return false;
    }
    const std::uint32_t rasterCheck =
        ReadLE32(rasterFile.data() + rasterFile.size() - kCheckValueSize);
    const std::uint32_t indexCheck =
        ReadLE32(indexFile.data() + indexFile.size() - kCheckValueSize);
    rasterFile.resize(rasterFile.size() - kCheckValueSize);
    indexFile.resize(indexFile.size() - kCheckValueSize);
    const std::string problem =
        CheckIndex(rasterFile, indexFile, std::size_t(tilesAcross) * tilesDown);
    if (!problem.empty()) {
        SetError(error, "corrupt tile index: " + problem);
        return false;
    }
    m_data = std::move(rasterFile);
    m_index = std::move(indexFile);
    m_tilesAcross = tilesAcross;
    m_tilesDown = tilesDown;
    m_rasterCheck = rasterCheck;
    m_indexCheck = indexCheck;
    m_loaded = true;
    return true;
}

bool CTileRaster::MergeUpdates(ByteView updateRaster, ByteView updateIndex,
                               std::uint32_t rasterCheck, std::uint32_t indexCheck,
                               std::vector<std::string>* updatedTiles, std::string* error)
{
    const std::size_t tiles = std::size_t(m_tilesAcross) * m_tilesDown;
    // Like the other rasters, the update raster ends in a check value that no
    // tile may reach into; whole 8-byte entries stop short of the index's one.
    if (updateRaster.size() >= kCheckValueSize)
        updateRaster = updateRaster.first(updateRaster.size() - kCheckValueSize);
    const std::size_t updates = updateIndex.size() / kIndexEntrySize;
    Bytes data;
    data.reserve(m_data.size() + updateRaster.size());
    Bytes index(tiles * kIndexEntrySize);
    std::vector<std::string> replaced;
    std::size_t nextUpdate = 0;

    for (std::size_t n = 0; n < tiles; ++n) {
        CIndexEntry entry = IndexEntryAt(m_index, n);
        ByteView source = m_data;
        if (nextUpdate < updates) {
            const CIndexEntry update = IndexEntryAt(updateIndex, nextUpdate);
            if (update.key0 == entry.key0 && update.key1 == entry.key1) {
                if (std::uint64_t(update.offset) + update.length > updateRaster.size()) {
                    SetError(error, "corrupt update index: entry " + std::to_string(nextUpdate) +
                                        " points beyond the update raster");
                    return false;
                }
                entry = update;
                source = updateRaster;
                ++nextUpdate;
                char name[16];
                std::snprintf(name, sizeof name, "%03u%03u", unsigned(n % m_tilesAcross) % 1000u,
                              unsigned(n / m_tilesAcross) % 1000u);
                replaced.emplace_back(name);
            }
        }
        const std::size_t offset = data.size();
        if (offset > 0xFFFFFFFFu) {
            SetError(error, "merged raster exceeds 4 GiB");
            return false;
        }
        data.insert(data.end(), source.begin() + entry.offset,
                    source.begin() + entry.offset + entry.length);
        entry.offset = std::uint32_t(offset);
        WriteEntry(index.data() + n * kIndexEntrySize, entry);
    }
    m_data = std::move(data);
    m_index = std::move(index);
    m_rasterCheck = rasterCheck;
    m_indexCheck = indexCheck;
    if (updatedTiles)
        *updatedTiles = std::move(replaced);
    return true;
}

bool CTileRaster::ReadTile(unsigned column, unsigned row, const CodeTable& table, bool enciphered,
                           TileBuffer out, std::mutex& tileLock) const
{
    if (!m_loaded || column >= m_tilesAcross || row >= m_tilesDown || enciphered)
        return false;
    const std::size_t n = std::size_t(row) * m_tilesAcross + column;
    // The tile's bytes are copied out under the document's tile lock and
    // decoded after it is released, so a reader never holds the lock for the
    // decoding itself. Load and merge checked every entry against the data.
    thread_local Bytes copy;
    {
        std::lock_guard lock(tileLock);
        const CIndexEntry entry = IndexEntryAt(m_index, n);
        const ByteView bytes = ByteView(m_data).subspan(entry.offset, entry.length);
        copy.assign(bytes.begin(), bytes.end());
    }
    return DecodeTile(copy, table, out);
}

}   // namespace charts::hcrf

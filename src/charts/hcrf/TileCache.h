#pragma once
// Decoded tiles kept between paints, bounded: a palette switch, a scroll or a
// repaint of the same place decodes nothing. The least recently used tile
// makes room for a new one.

#include "charts/hcrf/TileDecoder.h"

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>

namespace charts::hcrf {

class CTileCache {
public:
    using Tile = std::array<std::uint8_t, kTilePixels>;

    explicit CTileCache(std::size_t capacity = 768) : m_capacity(capacity) { }

    // The tile of raster `raster` at (column, row), decoded by `decode` into
    // the buffer when not kept; null when it does not decode (not kept).
    template <class Decode>
    const Tile* Get(unsigned raster, unsigned column, unsigned row, Decode&& decode)
    {
        const std::uint64_t key = std::uint64_t(raster) << 48 | std::uint64_t(column) << 24 | row;
        if (const auto it = m_index.find(key); it != m_index.end()) {
            m_order.splice(m_order.begin(), m_order, it->second);
            return it->second->tile.get();
        }
        ++m_decodes;
        std::unique_ptr<Tile> tile;
        if (m_index.size() >= m_capacity) {
            tile = std::move(m_order.back().tile);
            m_index.erase(m_order.back().key);
            m_order.pop_back();
        } else {
            tile = std::make_unique<Tile>();
        }
        if (!decode(TileBuffer(*tile)))
            return nullptr;
        m_order.push_front(Node{key, std::move(tile)});
        m_index[key] = m_order.begin();
        return m_order.front().tile.get();
    }

    void Clear()
    {
        m_index.clear();
        m_order.clear();
    }
    std::size_t Size() const { return m_index.size(); }
    std::size_t Capacity() const { return m_capacity; }
    // Tiles decoded since the cache was made (for tests and benchmarks).
    std::uint64_t Decodes() const { return m_decodes; }

private:
    struct Node {
        std::uint64_t key;
        std::unique_ptr<Tile> tile;
    };

    std::size_t m_capacity;
    std::list<Node> m_order;
    std::unordered_map<std::uint64_t, std::list<Node>::iterator> m_index;
    std::uint64_t m_decodes = 0;
};

}   // namespace charts::hcrf

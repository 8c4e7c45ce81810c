#pragma once
// Run-length decoding of one raster tile into 128 x 128 palette indexes.

#include "charts/hcrf/HCRFPalette.h"

#include <cstdint>
#include <span>

namespace charts::hcrf {

inline constexpr std::size_t kTileSide = 128;
inline constexpr std::size_t kTilePixels = kTileSide * kTileSide;

using TileBuffer = std::span<std::uint8_t, kTilePixels>;

// True when exactly 16384 pixels were produced. A code whose operation is not
// 1-7, a run that would overflow the tile, or compressed bytes that run out
// before the tile is full fail it; the buffer then holds what was written
// by its whole codes, every pixel past them as it was. Input past the last
// pixel is ignored.
bool DecodeTile(ByteView compressed, const CodeTable& table, TileBuffer out);
// The same decoding without the processor's masked stores, as DecodeTile
// runs it on a processor that has none.
bool DecodeTilePortable(ByteView compressed, const CodeTable& table, TileBuffer out);

}   // namespace charts::hcrf

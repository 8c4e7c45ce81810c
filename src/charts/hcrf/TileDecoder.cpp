#include "charts/hcrf/TileDecoder.h"

#include <cstring>

namespace charts::hcrf {

namespace {

// The row-repeat code takes its count byte only where a whole previous row
// exists and one more row still fits; elsewhere it is passed over.
constexpr std::size_t kRepeatFirst = kTileSide;
constexpr std::size_t kRepeatEnd = kTilePixels - kTileSide + 1;   // 16257

}  // namespace

bool DecodeTile(ByteView compressed, const CodeTable& table, TileBuffer out)
{
    const std::uint8_t* in = compressed.data();
    const std::size_t inSize = compressed.size();
    std::uint8_t* o = out.data();
    std::size_t i = 0;
    std::size_t p = 0;

    // Runs from the data stream: one byte 0x80-0xFF for 129 down to 2 pixels,
    // or two bytes big-endian below 0x8000.
    auto streamRun = [&](std::size_t& n) {
        if (i >= inSize)
            return false;
        const std::uint8_t b = in[i++];
        if (b >= 0x80) {
            n = 257u - b;
            return true;
        }
        if (i >= inSize)
            return false;
        n = std::size_t(b) * 256u + in[i++];
        return true;
    };

    while (p < kTilePixels) {
        if (i >= inSize)
            return false;
        const std::uint8_t* e = table.data() + std::size_t(in[i++]) * kCodeEntrySize;
        switch (e[0]) {
        case 1: {
            const std::size_t n = e[2];
            if (n > kTilePixels - p)
                return false;
            std::memset(o + p, e[1], n);
            p += n;
            break;
        }
        case 2:
        case 5: {
            std::size_t n = 0;
            if (!streamRun(n))
                return false;
            const std::size_t tail = e[0] == 5 ? 1 : 0;
            if (n + tail > kTilePixels - p)
                return false;
            std::memset(o + p, e[1], n);
            p += n;
            if (tail)
                o[p++] = e[2];
            break;
        }
        case 3:
            if (kTilePixels - p < 2)
                return false;
            o[p] = e[1];
            o[p + 1] = e[2];
            p += 2;
            break;
        case 4: {
            const std::size_t n = e[2];
            if (n + 1 > kTilePixels - p)
                return false;
            std::memset(o + p, e[1], n);
            p += n;
            o[p++] = e[4];
            break;
        }
        case 6:
            if (kTilePixels - p < 3)
                return false;
            o[p] = e[1];
            o[p + 1] = e[2];
            o[p + 2] = e[3];
            p += 3;
            break;
        case 7: {
            if (p < kRepeatFirst || p >= kRepeatEnd)
                break;
            if (i >= inSize)
                return false;
            for (unsigned k = in[i++]; k > 0; --k) {
                if (kTilePixels - p < kTileSide)
                    return false;
                std::memcpy(o + p, o + p - kTileSide, kTileSide);
                p += kTileSide;
            }
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

}  // namespace charts::hcrf

#include "charts/hcrf/TileDecoder.h"

#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define BRINE_MASKED_STORES 1
#endif

namespace charts::hcrf {

namespace {

// The row-repeat code takes its count byte only where a whole previous row
// exists and one more row still fits; elsewhere it is passed over.
constexpr std::size_t kRepeatFirst = kTileSide;
constexpr std::size_t kRepeatEnd = kTilePixels - kTileSide + 1;   // 16257

// The fast path writes every run as one fixed-size store of kFastRun bytes and
// its tail pixels as one two-byte store. Where the processor has masked
// stores they write only the code's own pixels; elsewhere the bytes past the
// code's end are written again by the codes that follow. It needs that much
// room in the tile.
constexpr std::size_t kFastRun = 64;
constexpr std::size_t kFastRoom = kFastRun + 2;

// Without masked stores, the bytes those stores reach past the code's end are
// the caller's until a later code writes them. They are kept a block at a time before the first
// store reaches them, so that a tile that fails gets them back and holds only
// what its whole codes wrote. The blocks still needed lie between the block
// the code starts in and kFastRoom past the code, never more than three.
constexpr std::size_t kKeptBlock = 256;
constexpr std::size_t kKeptRing = 4 * kKeptBlock;
static_assert(kTilePixels % kKeptBlock == 0 && kFastRoom + 2 * kKeptBlock <= kKeptRing);

// What a code writes, worked out once per code table: a run of `colour`
// (`runLength` long, or as long as the next input byte says) and up to two
// tail pixels. Codes the fast path does not take (row repeats, invalid
// operations, runs longer than kFastRun) are marked `slow`.
struct CodeShape {
    std::uint8_t colour = 0;
    std::uint8_t runLength = 0;
    std::uint8_t fromStream = 0;
    std::uint8_t tailLength = 0;
    std::uint8_t tail[2] = {0, 0};
    std::uint8_t slow = 1;
};

struct Shapes {
    CodeTable table{};
    CodeShape shape[256];
    bool filled = false;
};

void FillShapes(const CodeTable& table, Shapes& shapes)
{
    shapes.table = table;
    shapes.filled = true;
    for (std::size_t c = 0; c < 256; ++c) {
        const std::uint8_t* e = table.data() + c * kCodeEntrySize;
        CodeShape s;
        s.colour = e[1];
        s.slow = 0;
        switch (e[0]) {
        case 1: s.runLength = e[2]; break;
        case 2: s.fromStream = 1; break;
        case 3: s.runLength = 1, s.tailLength = 1, s.tail[0] = e[2]; break;
        case 4: s.runLength = e[2], s.tailLength = 1, s.tail[0] = e[4]; break;
        case 5: s.fromStream = 1, s.tailLength = 1, s.tail[0] = e[2]; break;
        case 6: s.runLength = 1, s.tailLength = 2, s.tail[0] = e[2], s.tail[1] = e[3]; break;
        default: s.slow = 1; break;
        }
        if (s.runLength > kFastRun)
            s.slow = 1;
        shapes.shape[c] = s;
    }
}

// The shapes of a table, kept per thread for the table last used: every tile
// of a chart is decoded with the same table, so they are worked out once and
// only compared afterwards.
const CodeShape* ShapesOf(const CodeTable& table)
{
    thread_local Shapes shapes;
    if (!shapes.filled || shapes.table != table)
        FillShapes(table, shapes);
    return shapes.shape;
}

// One code by the table's own description; false when the tile fails.
bool DecodeCode(const std::uint8_t* in, std::size_t inSize, std::size_t& i, const CodeTable& table,
                std::uint8_t* o, std::size_t& p)
{
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
        return true;
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
        return true;
    }
    case 3:
        if (kTilePixels - p < 2)
            return false;
        o[p] = e[1];
        o[p + 1] = e[2];
        p += 2;
        return true;
    case 4: {
        const std::size_t n = e[2];
        if (n + 1 > kTilePixels - p)
            return false;
        std::memset(o + p, e[1], n);
        p += n;
        o[p++] = e[4];
        return true;
    }
    case 6:
        if (kTilePixels - p < 3)
            return false;
        o[p] = e[1];
        o[p + 1] = e[2];
        o[p + 2] = e[3];
        p += 3;
        return true;
    case 7: {
        if (p < kRepeatFirst || p >= kRepeatEnd)
            return true;
        if (i >= inSize)
            return false;
        for (unsigned k = in [i++]; k > 0; --k) {
            if (kTilePixels - p < kTileSide)
                return false;
            std::memcpy(o + p, o + p - kTileSide, kTileSide);
            p += kTileSide;
        }
        return true;
    }
    default: return false;
    }
}

#ifdef BRINE_MASKED_STORES
// The fast path with masked stores: each code writes exactly its own pixels,
// so nothing past the last whole code needs keeping.
__attribute__((target("avx512bw,avx512vl,bmi2"))) bool DecodeMasked(ByteView compressed,
                                                                    const CodeTable& table,
                                                                    TileBuffer out)
{
    const std::uint8_t* in = compressed.data();
    const std::size_t inSize = compressed.size();
    std::uint8_t* o = out.data();
    const CodeShape* shapes = ShapesOf(table);
    std::size_t i = 0;
    std::size_t p = 0;
    while (p < kTilePixels) {
        if (i + 1 < inSize && kTilePixels - p >= kFastRoom) {
            const CodeShape& s = shapes[in[i]];
            const std::uint8_t b = in[i + 1];
            const std::size_t streamRun = 257u - b;
            const std::size_t streamMask = std::size_t(0) - s.fromStream;
            const std::size_t n = (streamRun & streamMask) | (s.runLength & ~streamMask);
            const bool twoByteRun = b < 0x80;
            if (!(s.slow | (s.fromStream & (twoByteRun | (streamRun > kFastRun))))) {
                _mm512_mask_storeu_epi8(o + p, _bzhi_u64(~0ULL, unsigned(n)),
                                        _mm512_set1_epi8(char(s.colour)));
                std::uint16_t tail = 0;
                std::memcpy(&tail, s.tail, 2);
                _mm_mask_storeu_epi8(o + p + n, __mmask16((1U << s.tailLength) - 1),
                                     _mm_set1_epi16(short(tail)));
                p += n + s.tailLength;
                i += 1U + s.fromStream;
                continue;
            }
        }
        if (!DecodeCode(in, inSize, i, table, o, p))
            return false;
    }
    return true;
}
#endif

}   // namespace

bool DecodeTilePortable(ByteView compressed, const CodeTable& table, TileBuffer out)
{
    const std::uint8_t* in = compressed.data();
    const std::size_t inSize = compressed.size();
    std::uint8_t* o = out.data();
    const CodeShape* shapes = ShapesOf(table);
    std::size_t i = 0;
    std::size_t p = 0;
    // The caller's bytes from p up to keptEnd, each at its position modulo
    // the ring; keptEnd is a block boundary, and no byte at or past both p
    // and keptEnd has been written.
    alignas(64) std::uint8_t kept[kKeptRing];
    std::size_t keptEnd = 0;

    while (p < kTilePixels) {
        // The fast path: no branch on the kind of code, so codes of every
        // kind may follow each other without the processor guessing wrong.
        // It runs while its stores stay inside the kept blocks, which lie
        // inside the tile.
        if (i + 1 < inSize && p + kFastRoom <= keptEnd) {
            const CodeShape& s = shapes[in[i]];
            const std::uint8_t b = in[i + 1];
            const std::size_t streamRun = 257u - b;
            // Chosen by mask, not by a condition the compiler could turn into a
            // branch: stream runs and table runs follow each other at random.
            const std::size_t streamMask = std::size_t(0) - s.fromStream;
            const std::size_t n = (streamRun & streamMask) | (s.runLength & ~streamMask);
            const bool twoByteRun = b < 0x80;
            if (!(s.slow | (s.fromStream & (twoByteRun | (streamRun > kFastRun))))) {
                std::memset(o + p, s.colour, kFastRun);
                std::memcpy(o + p + n, s.tail, 2);
                p += n + s.tailLength;
                i += 1u + s.fromStream;
                continue;
            }
        } else if (i + 1 < inSize && kTilePixels - p >= kFastRoom) {
            // Keeps the blocks the next stores reach, then goes back to the
            // fast path.
            while (keptEnd < p + kFastRoom) {
                std::memcpy(kept + keptEnd % kKeptRing, o + keptEnd, kKeptBlock);
                keptEnd += kKeptBlock;
            }
            continue;
        }
        if (!DecodeCode(in, inSize, i, table, o, p)) {
            for (; p < keptEnd; ++p)
                o[p] = kept[p % kKeptRing];
            return false;
        }
        // A code of the exact path may have written past the kept blocks:
        // the next block to keep is the one it ends in.
        if (keptEnd < p)
            keptEnd = p / kKeptBlock * kKeptBlock;
    }
    return true;
}

bool DecodeTile(ByteView compressed, const CodeTable& table, TileBuffer out)
{
#ifdef BRINE_MASKED_STORES
    static const bool masked = __builtin_cpu_supports("avx512bw") &&
                               __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("bmi2");
    if (masked)
        return DecodeMasked(compressed, table, out);
#endif
    return DecodeTilePortable(compressed, table, out);
}

}   // namespace charts::hcrf

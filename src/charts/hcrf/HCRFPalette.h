#pragma once
// The "pal" file: colour sections for the Day, Dusk and Night tables, and the
// run-length code tables of the two rasters.

#include "charts/hcrf/HCRFFields.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <string>

namespace charts::hcrf {

inline constexpr std::size_t kCodeEntrySize = 5;
inline constexpr std::size_t kCodeTableSize = 256 * kCodeEntrySize;
// Entry c of the table is bytes [5c, 5c + 5): the operation, then its operands
// as stored, zero-filled after the entry's stored length.
using CodeTable = std::array<std::uint8_t, kCodeTableSize>;

enum class RasterKind : std::uint8_t { LowResolution = 1, HighResolution = 2 };

struct CRgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const CRgb&) const = default;
};

enum class PaletteKind { Day, Dusk, Night };

struct CColourTables {
    std::array<CRgb, 256> day{}, dusk{}, night{};
    // Entries given by the last section applied to each table.
    unsigned dayCount = 0, duskCount = 0, nightCount = 0;
    // The indexes some section named, per table: the others keep whatever
    // the document's tables held before the file was read.
    std::array<std::bitset<256>, 3> named{};

    std::array<CRgb, 256>& Table(PaletteKind kind);
};

// Stored length of a code-table entry, from its operation byte.
std::size_t CodeEntryLength(std::uint8_t operation);

// Both readers start at the first section after the identifier record: just
// after its terminator, which a record written one character too long moves
// past offset 48.
// Applies the colour sections of a "pal" file to `tables`, in file order,
// stopping at the first section that is not a colour section. Indexes not
// named keep their value. False when the identifier record is missing.
bool ApplyColourSections(ByteView palFile, CColourTables& tables);

// Finds the code-table section of the raster `kind` and fills `table`.
// False when the identifier record or the section is missing, the section is
// cut short by the end of the file, or the section is enciphered (no decipher
// stage here). `error` receives a short reason.
bool LoadCodeTable(ByteView palFile, RasterKind kind, CodeTable& table,
                   std::string* error = nullptr);

}   // namespace charts::hcrf

#include "charts/hcrf/HCRFPalette.h"

#include "charts/hcrf/HCRFHeader.h"

#include <algorithm>

namespace charts::hcrf {

namespace {

constexpr std::size_t kSectionHeaderSize = 8;
constexpr std::uint8_t kColourSection = 0x00;
constexpr std::uint8_t kCodeSection = 0xFF;

struct SectionHeader {
    std::uint8_t sectionClass;
    std::uint8_t type;
    std::uint16_t length;
    std::uint16_t entries;
};

std::optional<SectionHeader> HeaderAt(ByteView file, std::size_t at)
{
    if (at > file.size() || file.size() - at < kSectionHeaderSize)
        return std::nullopt;
    const std::uint8_t* h = file.data() + at;
    return SectionHeader{h[0], h[1], std::uint16_t(h[2] | (h[3] << 8)),
                         std::uint16_t(h[4] | (h[5] << 8))};
}

void SetError(std::string* error, const char* text)
{
    if (error)
        *error = text;
}

}   // namespace

std::array<CRgb, 256>& CColourTables::Table(PaletteKind kind)
{
    switch (kind) {
    case PaletteKind::Dusk: return dusk;
    case PaletteKind::Night: return night;
    case PaletteKind::Day: break;
    }
    return day;
}

std::size_t CodeEntryLength(std::uint8_t operation)
{
    switch (operation) {
    case 1: return 4;
    case 2: return 2;
    case 3: return 3;
    case 4: return 5;
    case 5: return 3;
    case 6: return 4;
    default: return 1;
    }
}

bool ApplyColourSections(ByteView palFile, CColourTables& tables)
{
    CChartIdentifier identifier;
    std::size_t at = 0;
    if (!identifier.Read(palFile, &at))
        return false;
    while (const auto header = HeaderAt(palFile, at)) {
        // A length below the header's own size would never advance the scan.
        if (header->sectionClass != kColourSection || header->length < kSectionHeaderSize)
            break;
        const PaletteKind kind = header->type == 2   ? PaletteKind::Dusk
                                 : header->type == 3 ? PaletteKind::Night
                                                     : PaletteKind::Day;
        auto& table = tables.Table(kind);
        // Entries are bounded by the section's length and by the file, whatever
        // the count claims.
        const std::size_t sectionEnd = std::min<std::size_t>(at + header->length, palFile.size());
        std::size_t entry = at + kSectionHeaderSize;
        unsigned applied = 0;
        for (unsigned i = 0; i < header->entries && entry + 4 <= sectionEnd; ++i, entry += 4) {
            const std::uint8_t* e = palFile.data() + entry;
            table[e[0]] = CRgb{e[1], e[2], e[3]};
            tables.named[std::size_t(kind)].set(e[0]);
            ++applied;
        }
        (kind == PaletteKind::Dusk    ? tables.duskCount
         : kind == PaletteKind::Night ? tables.nightCount
                                      : tables.dayCount) = applied;
        at += header->length;
    }
    return true;
}

bool LoadCodeTable(ByteView palFile, RasterKind kind, CodeTable& table, std::string* error)
{
    CChartIdentifier identifier;
    std::size_t at = 0;
    if (!identifier.Read(palFile, &at)) {
        SetError(error, "palette file has no identifier record");
        return false;
    }
    const std::uint8_t plain = std::uint8_t(kind);
    const std::uint8_t enciphered = std::uint8_t(plain + 2);
    while (const auto header = HeaderAt(palFile, at)) {
        if (header->length < kSectionHeaderSize) {
            SetError(error, "palette file has a section shorter than its header");
            return false;
        }
        const bool matches = header->sectionClass == kCodeSection &&
                             (header->type == plain || header->type == enciphered);
        if (!matches) {
            at += header->length;
            continue;
        }
        if (header->type == enciphered) {
            SetError(error, "code table is enciphered");
            return false;
        }
        const std::size_t bodyStart = at + kSectionHeaderSize;
        const std::size_t bodyLength = header->length - kSectionHeaderSize;
        if (palFile.size() - bodyStart < bodyLength) {
            SetError(error, "code table section runs past the end of the palette file");
            return false;
        }
        const ByteView body = palFile.subspan(bodyStart, bodyLength);
        // Entries the body does not reach stay zero, an invalid operation, so a
        // short table fails only the tiles that use its missing codes.
        table.fill(0);
        std::size_t in = 0;
        for (std::size_t code = 0; code < 256 && in < body.size(); ++code) {
            const std::size_t length = std::min(CodeEntryLength(body[in]), body.size() - in);
            std::copy_n(body.begin() + std::ptrdiff_t(in), length,
                        table.begin() + std::ptrdiff_t(code * kCodeEntrySize));
            in += length;
        }
        return true;
    }
    SetError(error, "palette file has no code table for the raster");
    return false;
}

}   // namespace charts::hcrf

#pragma once
// The header records of a raster chart: the identifier record (also at the
// start of the palette and notes files), the general-information record, the
// data-protection record, and the rest of the header kept as text.

#include "charts/hcrf/HCRFFields.h"

#include <array>
#include <cstdint>
#include <string>

namespace charts::hcrf {

class CChartIdentifier {
public:
    static constexpr std::size_t kSize = 48;   // 45 characters and the terminator

    // Parses the record at the start of `file`; false only when the file is
    // shorter than the record. `next` receives the offset just after the
    // record's terminator, or after the first terminator in the file when the
    // one at column 45 is missing.
    bool Read(ByteView file, std::size_t* next = nullptr);

    std::string field3;   // columns 3-4
    std::string chartNumber;   // columns 5-12, trimmed
    std::string field13;   // columns 13-20
    std::string editionDate;   // columns 21-28
    std::uint8_t insetPanels = 0;   // columns 29-30
    double field31 = 0;   // columns 31-35
    std::uint8_t field36 = 0;   // columns 36-37
};

class CChartGeneralInfo {
public:
    static constexpr std::size_t kSize = 153;   // 150 characters and the terminator

    // Reads the record that follows the identifier record of a header file;
    // false when fewer than 153 bytes follow. `next` receives the offset after it.
    bool Read(ByteView headerFile, std::size_t* next = nullptr);

    // Low-resolution pixels cover this many high-resolution pixels each way.
    double LowResolutionRatio() const;

    std::string updateNumber;   // columns 0-8, as stored
    std::string title;   // columns 9-108, trimmed
    std::string field109, field114, field116;
    std::uint16_t lowRatioDivisor = 0;   // columns 118-120
    std::uint16_t lowRatioDividend = 0;   // columns 121-124
    std::uint16_t highTilesAcross = 0;   // columns 125-127
    std::uint16_t highTilesDown = 0;   // columns 128-130
    std::uint8_t lowTilesAcross = 0;   // columns 131-132
    std::uint8_t lowTilesDown = 0;   // columns 133-134
    // The picture's width and height in full-detail pixels, which the tiles
    // round up to whole tiles; 0 when not given.
    std::uint32_t pixelsAcross = 0;   // columns 135-139
    std::uint32_t pixelsDown = 0;   // columns 140-144
    double field145 = 0;
};

// Which parts of each raster are enciphered. Our charts mark them in the first
// six characters of the record: tiles, code table and panel data of the
// low-resolution raster, then of the high-resolution raster, '1' meaning
// enciphered. No decipher stage exists here, so a marked part cannot be used.
class CDataProtection {
public:
    static constexpr std::size_t kSize = 20;

    // Reads the first 20 bytes after the third terminator of the header file;
    // a record that is missing or short leaves the rest unmarked.
    void Read(ByteView headerFile);

    enum class Part { Tiles = 0, CodeTable = 1, PanelData = 2 };
    bool IsEnciphered(bool highResolution, Part part) const;

    std::array<char, kSize> raw{};
};

// Everything the chart document reads from the "hdr" file.
struct CHCRFHeader {
    CChartIdentifier identifier;
    CChartGeneralInfo generalInfo;
    std::string remainingRecords;   // after the general-information record, unparsed
    CDataProtection protection;

    bool Read(ByteView headerFile);
};

}   // namespace charts::hcrf

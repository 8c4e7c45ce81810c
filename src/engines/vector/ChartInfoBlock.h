#pragma once
// The 168-byte chart information block every vector chart carries, read and
// written field by field (little-endian). Texts are zero-padded within their
// widths and always read within them, so a block without terminators cannot
// run into the next field.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vengine {

inline constexpr std::size_t kInfoBlockSize = 168;

// Offsets of the fields and the widths of the texts.
namespace info {
inline constexpr std::size_t kName = 2, kNameWidth = 28;
inline constexpr std::size_t kUpdatedYear = 30, kUpdatedMonth = 32, kUpdatedDay = 33;
inline constexpr std::size_t kIssueYear = 34, kIssueMonth = 36, kIssueDay = 37;
inline constexpr std::size_t kHorizontalDatum = 38, kHorizontalDatum2 = 39;
inline constexpr std::size_t kHeightDatum = 40, kDepthDatum = 41;
inline constexpr std::size_t kShortText = 48, kShortTextWidth = 3;
inline constexpr std::size_t kBuoyage = 51;
inline constexpr std::size_t kWest = 52, kSouth = 56, kEast = 60, kNorth = 64;
inline constexpr std::size_t kScale = 68;
inline constexpr std::size_t kFlags = 74, kDepthUnits = 75;
inline constexpr std::size_t kUnitsText = 76, kUnitsTextWidth = 9;
inline constexpr std::size_t kTitle = 85, kTitleWidth = kInfoBlockSize - 85;
}   // namespace info

// Flag bits at info::kFlags.
inline constexpr std::uint8_t kFlagCrossesDateLine = 0x01;
inline constexpr std::uint8_t kFlagNorthPole = 0x04;
inline constexpr std::uint8_t kFlagSouthPole = 0x08;

class CChartInfoBlock {
public:
    std::array<std::uint8_t, kInfoBlockSize> bytes{};

    std::uint8_t U8(std::size_t at) const { return bytes[at]; }
    std::uint16_t U16(std::size_t at) const;
    std::int32_t I32(std::size_t at) const;
    // The text of `width` bytes at `at`, up to its first zero byte.
    std::string Text(std::size_t at, std::size_t width) const;

    void SetU8(std::size_t at, std::uint8_t value) { bytes[at] = value; }
    void SetU16(std::size_t at, std::uint16_t value);
    void SetI32(std::size_t at, std::int32_t value);
    // Writes `text` cut to `width` bytes, zero-padded.
    void SetText(std::size_t at, std::size_t width, std::string_view text);
};

}   // namespace vengine

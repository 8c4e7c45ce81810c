#pragma once
// The folio file "LC.FOL" of a vector chart folder: one 40-byte record per
// chart (name, extent in 1e-7 degree, scale, in-use byte), little-endian, no
// header; and the search for the best chart covering an area.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vengine {

inline constexpr const char* kFolioName = "LC.FOL";
inline constexpr std::size_t kFolioRecordSize = 40;
inline constexpr std::size_t kFolioNameWidth = 16;

struct FolioRecord {
    std::string name;   // without ".b"; at most 15 characters
    std::int32_t west = 0, south = 0, east = 0, north = 0;   // east < west: crosses 180
    std::int32_t scale = 0;
    bool inUse = true;
    bool operator==(const FolioRecord&) const = default;
};

std::string EncodeFolio(const std::vector<FolioRecord>& records);
// Whole records up to the first short one; names read within their 16 bytes.
std::vector<FolioRecord> DecodeFolio(std::string_view bytes);
// The folio of `folder` (found without case); nothing when there is none.
std::optional<std::vector<FolioRecord>> ReadFolio(const std::filesystem::path& folder);

// The area asked for: longitudes A (first position) and B (second), latitudes
// low and high, in 1e-7 degree. It crosses 180 degrees when B < A.
struct FolioQuery {
    std::int32_t lonA = 0, lonB = 0, latLow = 0, latHigh = 0;
    bool samePositions = false;
    std::int32_t threshold = 0;   // 0: any scale
};

// The index of the record covering the area strictly with the smallest
// acceptable scale: below the threshold, or equal to it for the same positions.
// Among equal scales the first record stays, except for the same positions where
// a later one replaces it. `allowed` (when set) restricts the records counted.
std::optional<std::size_t> FindBestChart(
    const std::vector<FolioRecord>& records, const FolioQuery& query,
    const std::function<bool(const FolioRecord&)>& allowed = {});

}   // namespace vengine

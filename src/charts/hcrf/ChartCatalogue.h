#pragma once
// The catalogue files every chart medium carries in "ChartCat": "Chart.ptr"
// (chart number to entry offset), "Chart.cat" (one entry per chart: header,
// outline, plan index) and "Plan.cat" (one entry per inset plan). Entries are
// parsed only within the bytes actually read: a header cut short, an outline
// or plan index without its terminator, or a plan number outside 1..plans
// makes the entry invalid rather than reading whatever follows.

#include "charts/hcrf/HCRFFields.h"
#include "geo/Position.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace charts::hcrf {

inline constexpr std::size_t kCatalogueBlock = 1612;
inline constexpr std::size_t kChartHeaderSize = 196;
inline constexpr std::size_t kPlanHeaderSize = 132;
inline constexpr std::size_t kPointerRecordSize = 18;

// One coordinate of `width` characters at `pos` (sign, degrees, five digits
// of thousandths of a minute); `pos` moves on by the width.
double ParseCatCoordinate(std::string_view text, std::size_t& pos, std::size_t width);

// The header of a "Chart.cat" entry.
class CARCSCatInfoRec {
public:
    virtual ~CARCSCatInfoRec() = default;
    // Reads the header line at `offset` of the file's bytes.
    virtual bool Read(ByteView file, std::uint32_t offset);
    std::int32_t Scale() const { return valid ? scale : 0; }

    bool valid = false;
    std::uint32_t offset = 0;
    std::string typeCode, chartNumber, field10, field18, field26, field34, shortCode, title,
        updateNumber;
    std::uint8_t plans = 0;
    std::string chartCd;   // the chart medium holding the chart, or "UPDATE"
    std::int32_t scale = 0;
    std::uint16_t digit = 0;
    std::uint32_t rasterCheck = 0, indexCheck = 0;

protected:
    bool ParseHeader(std::string_view block);
};

class CARCSCatEntry : public CARCSCatInfoRec {
public:
    bool Read(ByteView file, std::uint32_t offset) override;
    // Offset into "Plan.cat" of plan `number` (1..plans); nullopt outside.
    std::optional<std::uint32_t> PlanOffset(unsigned number) const;

    std::vector<geo::CPosition> outline;   // WGS 84
    std::vector<std::uint32_t> planOffsets;   // slot i holds plan i + 1
    std::vector<std::string> items;
};

class CPlanCatEntry {
public:
    bool Read(ByteView file, std::uint32_t offset);
    std::int32_t Scale() const { return valid ? scale : 0; }

    bool valid = false;
    std::string typeCode, chartNumber, field10;
    std::uint8_t planNumber = 0;
    std::int32_t scale = 0;
    std::uint16_t digit = 0;
    std::string title;
    std::vector<geo::CPosition> outline;
};

// The pointer key of a chart: its file name padded to 8 characters (never
// cut, so a longer name is never found), upper case.
std::string PointerKey(std::string_view chartNumber);

// One medium's (or installed update's) "ChartCat" read once: the pointer
// file parsed into a map, the two entry files kept as bytes, so a pass over
// many charts reads each file once.
class CCatalogueFolder {
public:
    // `folder` holds "ChartCat" (names matched without case). False when
    // "Chart.ptr" is missing; "Plan.cat" may be absent.
    bool Load(const std::filesystem::path& folder);
    bool IsLoaded() const { return m_loaded; }

    // Offset of the chart's entry; nullopt when "Chart.ptr" does not hold it.
    std::optional<std::uint32_t> Find(std::string_view chartNumber) const;
    // The chart's entry; false when "Chart.ptr" does not list the chart. A
    // listed chart whose entry cannot be read throws the program's error
    // exception: the catalogue is damaged, and the operation reading it stops
    // rather than take the chart for one the service no longer has.
    bool ReadEntry(std::string_view chartNumber, CARCSCatEntry& entry) const;
    bool ReadEntryAt(std::uint32_t offset, CARCSCatEntry& entry) const;
    bool ReadPlan(std::uint32_t offset, CPlanCatEntry& plan) const;
    // Whether "Plan.cat" was there to read.
    bool HasPlanCatalogue() const { return m_hasPlanCat; }
    // Chart numbers in pointer-file order, as written (trimmed).
    const std::vector<std::string>& ChartNumbers() const { return m_numbers; }

    // Pointer-file key (upper case, padded to 8) -> entry offset.
    using PointerMap = std::unordered_map<std::string, std::uint32_t>;
    // Parses pointer-file bytes into `out` (key -> offset) and `numbers`.
    static void ParsePointers(ByteView bytes, PointerMap& out, std::vector<std::string>& numbers);

private:
    bool m_loaded = false;
    PointerMap m_pointers;
    std::vector<std::string> m_numbers;
    Bytes m_chartCat, m_planCat;
    bool m_hasPlanCat = false;
};

// Reads the entry of a chart from folder/ChartCat; true when found and read,
// false when not listed; a listed entry that cannot be read throws as
// CCatalogueFolder::ReadEntry does.
bool ReadChartCatalogue(const std::filesystem::path& folder, std::string_view chartNumber,
                        CARCSCatEntry& entry);

// A file or folder below `folder` whose name matches `name` without case;
// `folder / name` when none does.
std::filesystem::path ChildNoCase(const std::filesystem::path& folder, std::string_view name);

}   // namespace charts::hcrf

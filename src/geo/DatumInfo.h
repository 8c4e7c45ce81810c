#pragma once
// The datum table: the geodetic datums positions, charts and instruments name,
// read once from "Datums.txt" in the program folder. A position stores only the
// row index of its datum. Filled on the user-interface thread before any other
// thread starts, read-only afterwards.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace geo {

inline constexpr std::uint16_t kNoDatumIndex = 0xFFFF;

class CDatumInfo {
public:
    CDatumInfo(std::string name, std::string code, std::string secondCode)
        : m_name(std::move(name)), m_code(std::move(code)), m_code2(std::move(secondCode))
    { }

    // Reads "Datums.txt" from the folder. False when the file cannot be opened
    // or read; the rows read before a failure stay.
    static bool LoadTable(const std::filesystem::path& programFolder);
    static void FreeTable();
    static std::size_t RowCount();

    // Exact, case-sensitive matches; the fallback row when nothing matches.
    static std::uint16_t FindByName(std::string_view name);
    static std::uint16_t FindByCode(std::string_view code);   // "WGD" always means WGS 84
    static std::uint16_t FindByCode2(std::string_view code);   // codes sent by instruments

    // The field of a row. An index past the table reads the fallback row; with
    // no such row (empty table, no fallback flagged) the answer is empty.
    static std::string GetName(std::uint16_t index);
    static std::string GetCode(std::uint16_t index);
    static std::string GetCode2(std::uint16_t index);

    const std::string& Name() const { return m_name; }
    const std::string& Code() const { return m_code; }
    const std::string& Code2() const { return m_code2; }

private:
    std::string m_name;
    std::string m_code;
    std::string m_code2;
};

// The rows the file flags 1 (chart default), 2 (fallback) and 3 (WGS 84);
// kNoDatumIndex until a loaded row sets them.
std::uint16_t DatumIndexChart();
std::uint16_t DatumIndexFallback();
std::uint16_t DatumIndexWGS84();

}   // namespace geo

#include "geo/DatumInfo.h"

#include <fstream>
#include <vector>

namespace geo {

namespace {

struct DatumTable {
    std::vector<CDatumInfo> rows;
    std::uint16_t chart = kNoDatumIndex;
    std::uint16_t fallback = kNoDatumIndex;
    std::uint16_t wgs84 = kNoDatumIndex;
};

DatumTable& Table()
{
    static DatumTable table;
    return table;
}

// Columns [first, first + count) of the line, trailing blanks and tabs removed;
// a short line gives what exists.
std::string Column(const std::string& line, std::size_t first, std::size_t count)
{
    if (first >= line.size())
        return {};
    std::string field = line.substr(first, count);
    const auto end = field.find_last_not_of(" \t");
    field.erase(end == std::string::npos ? 0 : end + 1);
    return field;
}

const CDatumInfo* Row(std::uint16_t index)
{
    const DatumTable& t = Table();
    if (index >= t.rows.size())
        index = t.fallback;
    return index < t.rows.size() ? &t.rows[index] : nullptr;
}

template <class Field>
std::uint16_t FindFirst(std::string_view text, Field field)
{
    const DatumTable& t = Table();
    for (std::size_t i = 0; i < t.rows.size() && i < kNoDatumIndex; ++i) {
        if ((t.rows[i].*field)() == text)
            return static_cast<std::uint16_t>(i);
    }
    return t.fallback;
}

}   // namespace

bool CDatumInfo::LoadTable(const std::filesystem::path& programFolder)
{
    DatumTable& t = Table();
    // A new table brings its own flagged rows; indices into an earlier table
    // would name the wrong rows.
    t = DatumTable{};
    std::ifstream in(programFolder / "Datums.txt");
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();   // a file written on the original platform
        if (line.empty() || line[0] == ';')
            continue;
        // Indices are 16 bits and 0xFFFF means "none": the table ends there.
        if (t.rows.size() >= kNoDatumIndex)
            break;
        const auto index = static_cast<std::uint16_t>(t.rows.size());
        t.rows.emplace_back(Column(line, 4, 16), Column(line, 20, 10), Column(line, 32, 10));
        const char flag = line.size() > 52 ? line[52] : ' ';
        if (flag == '1')
            t.chart = index;
        else if (flag == '2')
            t.fallback = index;
        else if (flag == '3')
            t.wgs84 = index;
    }
    return !in.bad();
}

void CDatumInfo::FreeTable()
{
    Table().rows.clear();
    Table().rows.shrink_to_fit();
}

std::size_t CDatumInfo::RowCount()
{
    return Table().rows.size();
}

std::uint16_t CDatumInfo::FindByName(std::string_view name)
{
    return FindFirst(name, &CDatumInfo::Name);
}

std::uint16_t CDatumInfo::FindByCode(std::string_view code)
{
    if (code == "WGD")
        return Table().wgs84;
    return FindFirst(code, &CDatumInfo::Code);
}

std::uint16_t CDatumInfo::FindByCode2(std::string_view code)
{
    return FindFirst(code, &CDatumInfo::Code2);
}

std::string CDatumInfo::GetName(std::uint16_t index)
{
    const CDatumInfo* row = Row(index);
    return row ? row->m_name : std::string();
}

std::string CDatumInfo::GetCode(std::uint16_t index)
{
    const CDatumInfo* row = Row(index);
    return row ? row->m_code : std::string();
}

std::string CDatumInfo::GetCode2(std::uint16_t index)
{
    const CDatumInfo* row = Row(index);
    return row ? row->m_code2 : std::string();
}

std::uint16_t DatumIndexChart()
{
    return Table().chart;
}
std::uint16_t DatumIndexFallback()
{
    return Table().fallback;
}
std::uint16_t DatumIndexWGS84()
{
    return Table().wgs84;
}

}   // namespace geo

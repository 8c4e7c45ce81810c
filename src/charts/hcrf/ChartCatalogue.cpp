#include "charts/hcrf/ChartCatalogue.h"

#include "app/StringUtils.h"
#include "charts/hcrf/ChartNames.h"
#include "geo/DatumInfo.h"
#include "platform/Ascii.h"

#include <array>
#include <system_error>

namespace charts::hcrf {

namespace {

constexpr std::size_t kVertexSize = 17;
constexpr std::size_t kPlanIndexSize = 9;

bool TerminatorAt(std::string_view text, std::size_t at)
{
    return at + kTerminatorSize <= text.size() && text[at] == char(kTerminator[0]) &&
           text[at + 1] == char(kTerminator[1]) && text[at + 2] == char(kTerminator[2]);
}

std::string_view TrimRight(std::string_view text)
{
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

std::uint32_t HexField(std::string_view record, std::size_t column)
{
    std::uint32_t value = 0;
    for (const char c : Trimmed(FieldText(record, column, 8))) {
        const int digit = platform::HexDigitValue(c);
        if (digit < 0)
            break;
        value = value << 4 | std::uint32_t(digit);
    }
    return value;
}

// Outline vertices from `at` up to the terminator; false when the bytes run
// out first or a vertex is cut short.
bool ReadOutline(std::string_view block, std::size_t& at, std::vector<geo::CPosition>& outline)
{
    const auto wgs84 = std::int16_t(geo::DatumIndexWGS84());
    while (!TerminatorAt(block, at)) {
        if (at + kVertexSize > block.size())
            return false;
        const double latitude = ParseCatCoordinate(block, at, 8);
        const double longitude = ParseCatCoordinate(block, at, 9);
        outline.emplace_back(latitude, longitude, 0.0, wgs84);
    }
    at += kTerminatorSize;
    return true;
}

std::string_view Block(ByteView file, std::uint32_t offset, std::size_t size)
{
    if (offset >= file.size())
        return {};
    return AsText(file.subspan(offset, std::min(size, file.size() - offset)));
}

}   // namespace

double ParseCatCoordinate(std::string_view text, std::size_t& pos, std::size_t width)
{
    const std::string_view field = FieldText(text, pos, width);
    pos += width;
    if (field.size() < 6)
        return 0;
    const std::string_view body = field.substr(1);
    const double degrees = double(FieldNumber(body, 0, body.size() - 5));
    const double thousandths = double(FieldNumber(body, body.size() - 5, 5));
    const double value = degrees + thousandths / 60000.0;
    return field[0] == '-' ? -value : value;
}

bool CARCSCatInfoRec::ParseHeader(std::string_view r)
{
    valid = false;
    if (r.size() < kChartHeaderSize || !TerminatorAt(r, 193))
        return false;
    typeCode.assign(FieldText(r, 0, 2));
    chartNumber.assign(TrimRight(FieldText(r, 2, 8)));
    field10.assign(FieldText(r, 10, 8));
    field18.assign(FieldText(r, 18, 8));
    field26.assign(FieldText(r, 26, 8));
    field34.assign(FieldText(r, 34, 8));
    shortCode.assign(TrimRight(FieldText(r, 42, 5)));
    title.assign(TrimRight(FieldText(r, 47, 100)));
    updateNumber.assign(FieldText(r, 147, 9));
    plans = std::uint8_t(FieldNumber(r, 156, 2));
    chartCd.assign(TrimRight(Trimmed(FieldText(r, 158, 10))));
    scale = std::int32_t(std::min<std::uint64_t>(FieldNumber(r, 168, 8), 0x7FFFFFFF));
    digit = std::uint16_t(FieldNumber(r, 176, 1));
    rasterCheck = HexField(r, 177);
    indexCheck = HexField(r, 185);
    return true;
}

bool CARCSCatInfoRec::Read(ByteView file, std::uint32_t at)
{
    offset = at;
    valid = ParseHeader(Block(file, at, kChartHeaderSize));
    return valid;
}

bool CARCSCatEntry::Read(ByteView file, std::uint32_t at)
{
    offset = at;
    outline.clear();
    planOffsets.clear();
    items.clear();
    const std::string_view block = Block(file, at, kCatalogueBlock);
    if (!ParseHeader(block))
        return false;
    std::size_t pos = kChartHeaderSize;
    if (!ReadOutline(block, pos, outline))
        return valid = false;
    if (plans > 0) {
        planOffsets.assign(plans, 0);
        std::array<bool, 256> seen{};
        for (unsigned i = 0; i < plans; ++i, pos += kPlanIndexSize) {
            if (pos + kPlanIndexSize > block.size())
                return valid = false;
            const auto number = unsigned(FieldNumber(block, pos, 2));
            // A plan number outside 1..plans has no slot: the entry is refused.
            if (number < 1 || number > plans || seen[number - 1])
                return valid = false;
            seen[number - 1] = true;
            planOffsets[number - 1] = std::uint32_t(FieldNumber(block, pos + 2, 7));
        }
    }
    while (!TerminatorAt(block, pos)) {
        if (pos + kPlanIndexSize > block.size())
            return valid = false;
        items.emplace_back(Trimmed(FieldText(block, pos, kPlanIndexSize)));
        pos += kPlanIndexSize;
    }
    valid = true;
    return true;
}

std::optional<std::uint32_t> CARCSCatEntry::PlanOffset(unsigned number) const
{
    if (!valid || number < 1 || number > planOffsets.size())
        return std::nullopt;
    return planOffsets[number - 1];
}

bool CPlanCatEntry::Read(ByteView file, std::uint32_t at)
{
    valid = false;
    outline.clear();
    const std::string_view r = Block(file, at, kCatalogueBlock);
    if (r.size() < kPlanHeaderSize || !TerminatorAt(r, 129))
        return false;
    typeCode.assign(FieldText(r, 0, 2));
    chartNumber.assign(TrimRight(FieldText(r, 2, 8)));
    field10.assign(FieldText(r, 10, 8));
    planNumber = std::uint8_t(FieldNumber(r, 18, 2));
    scale = std::int32_t(std::min<std::uint64_t>(FieldNumber(r, 20, 8), 0x7FFFFFFF));
    digit = std::uint16_t(FieldNumber(r, 28, 1));
    title.assign(TrimRight(FieldText(r, 29, 100)));
    std::size_t pos = kPlanHeaderSize;
    if (!ReadOutline(r, pos, outline))
        return false;
    valid = true;
    return true;
}

std::string PointerKey(std::string_view chartNumber)
{
    std::string key = platform::AsciiUpperCopy(GetChartFileName(chartNumber));
    if (key.size() < 8)
        key.append(8 - key.size(), ' ');
    return key;
}

void CCatalogueFolder::ParsePointers(ByteView bytes, PointerMap& out,
                                     std::vector<std::string>& numbers)
{
    for (std::size_t at = 0; at + 15 <= bytes.size(); at += kPointerRecordSize) {
        const std::string_view r = AsText(bytes.subspan(at, 15));
        const std::string key = platform::AsciiUpperCopy(r.substr(0, 8));
        const std::string_view field = r.substr(8, 7);
        std::uint32_t offset = 0;
        if (field.find_first_of("xX") != std::string_view::npos) {
            const auto x = field.find_first_of("xX");
            for (const char c : field.substr(x + 1)) {
                const int d = platform::HexDigitValue(c);
                if (d < 0)
                    break;
                offset = offset << 4 | std::uint32_t(d);
            }
        } else {
            offset = std::uint32_t(std::min<std::uint64_t>(FieldNumber(field, 0, 7), 0xFFFFFFFF));
        }
        // The first record of a number wins, as a reader from the start finds it.
        if (out.emplace(key, offset).second)
            numbers.emplace_back(TrimRight(r.substr(0, 8)));
    }
}

std::filesystem::path ChildNoCase(const std::filesystem::path& folder, std::string_view name)
{
    std::error_code ec;
    const std::filesystem::path exact = folder / std::string(name);
    if (std::filesystem::exists(exact, ec))
        return exact;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (platform::EqualNoCaseAscii(it->path().filename().string(), name))
            return it->path();
    }
    return exact;
}

bool CCatalogueFolder::Load(const std::filesystem::path& folder)
{
    m_loaded = false;
    m_pointers.clear();
    m_numbers.clear();
    const std::filesystem::path cat = ChildNoCase(folder, "ChartCat");
    auto pointers = ReadWholeFile(ChildNoCase(cat, "Chart.ptr"));
    if (!pointers)
        return false;
    ParsePointers(*pointers, m_pointers, m_numbers);
    m_chartCat = ReadWholeFile(ChildNoCase(cat, "Chart.cat")).value_or(Bytes{});
    auto plans = ReadWholeFile(ChildNoCase(cat, "Plan.cat"));
    m_hasPlanCat = plans.has_value();
    m_planCat = std::move(plans).value_or(Bytes{});
    m_loaded = true;
    return true;
}

std::optional<std::uint32_t> CCatalogueFolder::Find(std::string_view chartNumber) const
{
    const auto it = m_pointers.find(PointerKey(chartNumber));
    if (it == m_pointers.end())
        return std::nullopt;
    return it->second;
}

bool CCatalogueFolder::ReadEntry(std::string_view chartNumber, CARCSCatEntry& entry) const
{
    const auto offset = Find(chartNumber);
    if (!offset)
        return false;
    if (!entry.Read(m_chartCat, *offset))
        app::ThrowError();
    return true;
}

bool CCatalogueFolder::ReadEntryAt(std::uint32_t offset, CARCSCatEntry& entry) const
{
    return entry.Read(m_chartCat, offset);
}

bool CCatalogueFolder::ReadPlan(std::uint32_t offset, CPlanCatEntry& plan) const
{
    return plan.Read(m_planCat, offset);
}

bool ReadChartCatalogue(const std::filesystem::path& folder, std::string_view chartNumber,
                        CARCSCatEntry& entry)
{
    CCatalogueFolder catalogue;
    return catalogue.Load(folder) && catalogue.ReadEntry(chartNumber, entry);
}

}   // namespace charts::hcrf

#include "charts/hcrf/ChartChoices.h"

#include "charts/hcrf/ChartCopy.h"
#include "charts/hcrf/ChartNames.h"
#include "charts/hcrf/HCRFFields.h"
#include "charts/hcrf/HCRFModule.h"
#include "platform/Ascii.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

namespace charts::hcrf {

namespace {

bool Contains(std::string_view haystack, std::string_view needle, bool matchCase)
{
    if (matchCase)
        return haystack.find(needle) != std::string_view::npos;
    return platform::AsciiLowerCopy(haystack).find(platform::AsciiLowerCopy(needle)) !=
           std::string::npos;
}

}   // namespace

void COpenChartList::Fill(const chart::Folio& folio)
{
    m_rows.clear();
    for (const auto& item : folio) {
        const auto* chartItem = dynamic_cast<const CFolioChart*>(item.get());
        if (chartItem && !chartItem->notOffered)
            m_rows.push_back({chartItem->fileName, chartItem->title, chartItem});
    }
}

std::optional<std::size_t> COpenChartList::Find(std::string_view text, bool matchCase,
                                                std::optional<std::size_t> selected) const
{
    const std::size_t n = m_rows.size();
    if (text.empty() || n == 0)
        return std::nullopt;
    const std::size_t start = selected && *selected + 1 < n ? *selected + 1 : 0;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = (start + k) % n;
        if (Contains(m_rows[i].number, text, matchCase) ||
            Contains(m_rows[i].description, text, matchCase))
            return i;
    }
    return std::nullopt;
}

std::string COpenChartList::DescriptionLine(std::size_t row) const
{
    if (row >= m_rows.size())
        return {};
    const COpenChartRow& r = m_rows[row];
    return r.item && r.item->scale > 0 ? r.description + "  (" + ScaleText(r.item->scale) + ")"
                                       : r.description;
}

std::string COpenChartList::ChosenPath(std::size_t row) const
{
    if (row >= m_rows.size() || !m_rows[row].item || !m_rows[row].item->service)
        return {};
    auto* service = const_cast<CHCRFModule*>(m_rows[row].item->service);
    return service->GetCataloguedChartPath(m_rows[row].number);
}

std::vector<CChartAtPosition> ChartsAtPosition(const std::vector<const chart::CFolioItem*>& folio,
                                               const geo::CPosition& position)
{
    std::vector<CChartAtPosition> rows;
    if (!position.IsValid())
        return rows;
    for (const chart::CFolioItem* item : folio) {
        const auto* c = dynamic_cast<const CFolioChart*>(item);
        if (c && !c->notOffered && c->ContainsPosition(position))
            rows.push_back({c->fileName, c->panel, c->scale, c->title, c});
    }
    std::stable_sort(
        rows.begin(), rows.end(),
        [](const CChartAtPosition& a, const CChartAtPosition& b) { return a.scale < b.scale; });
    return rows;
}

std::string ScaleText(std::int32_t scale)
{
    return "1:" + std::to_string(scale);
}

std::optional<std::size_t> RowOfChart(const std::vector<CChartAtPosition>& rows,
                                      std::string_view number, unsigned plan)
{
    std::optional<std::size_t> main;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!platform::EqualNoCaseAscii(rows[i].number, number))
            continue;
        if (rows[i].plan == plan)
            return i;
        if (rows[i].plan == 0 && !main)
            main = i;
    }
    return main;
}

std::vector<std::string> ListNoticeFiles(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (it->is_regular_file(ec) && MatchesPattern(name, "*.txt"))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string NoticeTitle(std::string_view fileName)
{
    // The number is characters 4 to 8 of the name before its extension, so a
    // shorter name never shows part of ".txt".
    const std::string_view stem = fileName.substr(0, fileName.find('.'));
    const std::string_view number = stem.size() > 3 ? stem.substr(3, 5) : "";
    const std::string year = fileName.size() >= 2 ? ExpandYear(fileName.substr(0, 2)) : "";
    return "NTM #:" + std::string(number) + " " + year;
}

std::string ReadNoticeText(const fs::path& file)
{
    const auto bytes = ReadWholeFile(file);
    if (!bytes)
        return {};
    return platform::Cp1252ToUtf8(AsText(ByteView(*bytes)));
}

}   // namespace charts::hcrf

#include "charts/hcrf/PanelLookups.h"

#include "platform/Files.h"

namespace charts::hcrf {

namespace {

constexpr std::size_t kPreamble = 5;
constexpr std::size_t kRecord = 36;

std::string_view TrimRight(std::string_view text)
{
    const auto last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

}   // namespace

void CLookupTable::Load(const std::filesystem::path& file)
{
    m_rows.clear();
    if (const auto bytes = ReadWholeFile(file))
        Parse(*bytes);
}

void CLookupTable::Parse(ByteView file)
{
    m_rows.clear();
    for (std::size_t at = kPreamble; at + kRecord <= file.size(); at += kRecord) {
        const std::string_view record = AsText(file.subspan(at, kRecord));
        m_rows.emplace_back(std::string(TrimRight(FieldText(record, 0, 3))),
                            std::string(Trimmed(FieldText(record, 3, 30))));
    }
}

std::string CLookupTable::Find(std::string_view key) const
{
    const std::string_view wanted = TrimRight(key);
    if (wanted.empty())
        return {};
    for (const auto& [k, text] : m_rows)
        if (k == wanted)
            return text;
    return {};
}

void CLookupTable::Load(const std::filesystem::path& chartFolder, std::string_view name)
{
    // Chart sets copied from discs often carry upper-case names ("MISC",
    // "PROJCODE.TAB"); the tables are found without case, as the chart files are.
    const auto misc = platform::FindNoCase(chartFolder, "Misc");
    const auto file = misc ? platform::FindNoCase(*misc, name) : std::nullopt;
    if (file)
        Load(*file);
    else
        m_rows.clear();
}

void CPanelLookups::Load(const std::filesystem::path& chartFolder)
{
    projections.Load(chartFolder, "projcode.tab");
    verticalDatums.Load(chartFolder, "verdat.tab");
    horizontalDatums.Load(chartFolder, "hordat.tab");
}

}   // namespace charts::hcrf

#include "nmea/SentenceOptions.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace nmea {

CWindOptionsModel::CWindOptionsModel(const CWindOptions& current, ApplyFn apply)
    : m_values(current), m_applied(current), m_apply(std::move(apply))
{ }

std::vector<app::CFieldError> CWindOptionsModel::Validate() const
{
    if (auto e = app::CheckRange("windValidTime", "Valid sentence times (seconds)",
                                 static_cast<long long>(m_values.validSentenceSeconds), 1, 60))
        return {*e};
    return {};
}

void CWindOptionsModel::Apply()
{
    if (m_apply)
        m_apply(m_values, m_applied);
    m_applied = m_values;
}

GroupCheck GroupState(const CSentenceGroup& group)
{
    const auto ticked = std::count_if(group.entries.begin(), group.entries.end(),
                                      [](const NMEASentenceEntry& e) { return e.enabled; });
    if (ticked == 0)
        return GroupCheck::Unchecked;
    return static_cast<std::size_t>(ticked) == group.entries.size() ? GroupCheck::Checked
                                                                    : GroupCheck::Mixed;
}

void FlipGroup(CSentenceGroup& group)
{
    const bool on = GroupState(group) != GroupCheck::Checked;
    for (NMEASentenceEntry& e : group.entries)
        e.enabled = on;
}

CNMEAOptionsModel::CNMEAOptionsModel(const CNMEAOptions& current, ApplyFn apply, ExistsFn exists)
    : m_values(current), m_applied(current), m_apply(std::move(apply)), m_exists(std::move(exists))
{
    if (!m_exists)
        m_exists = [](const std::string& path) {
            std::error_code ec;
            return std::filesystem::is_regular_file(path, ec);
        };
}

bool CNMEAOptionsModel::ProcessEnabled() const
{
    // Recordings are text files: the name must end in "txt" (either case)
    // and the file must be there.
    const std::string& name = m_values.replayFile;
    if (name.size() < 3)
        return false;
    std::string ending = name.substr(name.size() - 3);
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ending == "txt" && m_exists(name);
}

void CNMEAOptionsModel::SetReplayFile(const std::string& name)
{
    m_values.replayFile = name;
    if (!m_exists(name))
        m_values.process = false;
}

void CNMEAOptionsModel::FlipItem(std::size_t group, std::size_t entry)
{
    if (group < m_values.groups.size() && entry < m_values.groups[group].entries.size()) {
        bool& on = m_values.groups[group].entries[entry].enabled;
        on = !on;
    }
}

std::vector<app::CFieldError> CNMEAOptionsModel::Validate() const
{
    // A replay asked for must have a file to read; one of another kind that
    // was asked for earlier goes on.
    if (m_values.process && (m_values.replayFile.empty() || !m_exists(m_values.replayFile)))
        return {{"replayFile", "Choose an existing .txt file to process, or clear Process"}};
    return {};
}

void CNMEAOptionsModel::Apply()
{
    if (m_apply)
        m_apply(m_values, m_applied);
    m_applied = m_values;
}

}   // namespace nmea

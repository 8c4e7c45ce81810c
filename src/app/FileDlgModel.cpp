#include "app/FileDlgModel.h"
#include "app/SystemUtils.h"
#include "platform/Ascii.h"

#include <algorithm>
#include <cctype>

namespace app {

namespace {

std::vector<std::string_view> Split(std::string_view text, char at)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const auto pos = text.find(at);
        parts.push_back(text.substr(0, pos));
        if (pos == std::string_view::npos)
            return parts;
        text.remove_prefix(pos + 1);
    }
}

}   // namespace

bool ListsBefore(const CFileListEntry& a, const CFileListEntry& b)
{
    const auto lower = [](unsigned char c) { return platform::AsciiLower(static_cast<char>(c)); };
    const auto& x = a.shownName;
    const auto& y = b.shownName;
    const bool less =
        std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                     [&](char p, char q) { return lower(p) < lower(q); });
    const bool greater =
        std::lexicographical_compare(y.begin(), y.end(), x.begin(), x.end(),
                                     [&](char p, char q) { return lower(p) < lower(q); });
    return less || (!greater && x < y);
}

bool MatchesPattern(std::string_view name, std::string_view pattern)
{
    return MatchFileMask(name, pattern);
}

bool CFileDlgModel::IsValidFileName(std::string_view candidate) const
{
    if (candidate.empty())
        return false;
    const std::string_view bad = keepExtension ? "\\/:*>?\"<|" : "\\/:*>?\"<|.";
    if (candidate.find_first_of(bad) != std::string_view::npos)
        return false;
    return candidate.front() != '~';
}

std::filesystem::path CFileDlgModel::GetPathName() const
{
    std::filesystem::path path = folder / name;
    if (!(keepExtension && !applyPattern))
        path.replace_extension(pattern.empty() ? std::string() : "." + pattern);
    return path;
}

std::string CFileDlgModel::GetFilterPatterns(std::string_view entry)
{
    const auto open = entry.find('(');
    const auto close = entry.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return {};
    return std::string(entry.substr(open + 1, close - open - 1));
}

CTypeFilter CFileDlgModel::ParseTypeFilter(std::string_view filterText)
{
    CTypeFilter result;
    const std::vector<std::string_view> parts = Split(filterText, '\n');
    bool found = false;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        result.entries.emplace_back(parts[i]);
        const bool last = i + 1 == parts.size();
        if (found)
            continue;
        std::string patterns = GetFilterPatterns(parts[i]);
        if (!last && !patterns.empty()) {
            result.patterns = std::move(patterns);
            result.selected = static_cast<int>(i);
            found = true;
        } else if (last) {
            result.patterns = std::move(patterns);   // the index stays 0
        }
    }
    return result;
}

std::string CFileDlgModel::ShownName(const std::filesystem::path& file) const
{
    return keepExtension ? file.filename().string() : file.stem().string();
}

std::vector<CFileListEntry> CFileDlgModel::ListFiles(std::string_view patterns,
                                                     std::optional<std::size_t>* selected) const
{
    std::vector<CFileListEntry> list;
    if (selected)
        selected->reset();
    std::error_code ec;
    for (std::string_view pat : Split(patterns, ';')) {
        if (pat.empty())
            continue;
        std::filesystem::directory_iterator it(folder, ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            const std::string file = it->path().filename().string();
            if (file.empty() || file.front() == '~' || !it->is_regular_file(ec) ||
                !MatchesPattern(file, pat))
                continue;
            list.push_back({ShownName(it->path()), it->last_write_time(ec), file});
        }
    }
    std::stable_sort(list.begin(), list.end(), ListsBefore);
    if (selected) {
        for (std::size_t i = 0; i < list.size() && !*selected; ++i) {
            if (platform::EqualNoCaseAscii(list[i].shownName, name))
                *selected = i;
        }
    }
    return list;
}

std::vector<std::filesystem::directory_entry> CFileDlgModel::ExtensionFiles() const
{
    std::vector<std::filesystem::directory_entry> files;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string file = it->path().filename().string();
        if (file.empty() || file.front() == '~' || !it->is_regular_file(ec))
            continue;
        const std::string ext = it->path().extension().string();
        for (const std::string& wanted : extensions) {
            if (ext.size() > 1 &&
                platform::EqualNoCaseAscii(std::string_view(ext).substr(1), wanted)) {
                files.push_back(*it);
                break;
            }
        }
    }
    return files;
}

CFileDlgModel::RefreshAction CFileDlgModel::RefreshStep(std::vector<CFileListEntry>& list)
{
    RefreshAction action = RefreshAction::None;
    switch (m_refreshStep) {
    case 1:
        if (ExtensionFiles().size() != list.size())
            action = RefreshAction::Refill;
        break;
    case 2: {
        const auto before = list.size();
        std::erase_if(list, [this](const CFileListEntry& e) {
            std::error_code ec;
            return !std::filesystem::exists(folder / e.fileName, ec);
        });
        if (list.size() != before)
            action = RefreshAction::Changed;
        break;
    }
    case 3:
        for (const auto& f : ExtensionFiles()) {
            const std::string file = f.path().filename().string();
            const bool listed = std::any_of(list.begin(), list.end(), [&](const CFileListEntry& e) {
                return e.fileName == file;
            });
            if (!listed) {
                std::error_code ec;
                CFileListEntry entry{ShownName(f.path()), f.last_write_time(ec), file};
                list.insert(std::upper_bound(list.begin(), list.end(), entry, ListsBefore),
                            std::move(entry));
                action = RefreshAction::Changed;
            }
        }
        break;
    }
    m_refreshStep = m_refreshStep % 3 + 1;
    return action;
}

}   // namespace app

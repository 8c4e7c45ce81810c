#pragma once
// The rules of the program's own file dialogs (the open and save dialogs
// build on them): which names are acceptable, the path a name gives, the
// file-type filter, the file list of a folder, and the rotating refresh that
// keeps the list in step with the folder while the dialog is open.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

struct CFileListEntry {
    std::string shownName;   // without extension unless names keep theirs
    std::filesystem::file_time_type modified;
    std::string fileName;   // the file's own name, extension as on disk
};

// List order: names compared without case (ASCII only, whatever the locale),
// then exactly, so "bridge" comes before "Passage" on every machine.
bool ListsBefore(const CFileListEntry& a, const CFileListEntry& b);

struct CTypeFilter {
    std::vector<std::string> entries;   // the combo's entries, in order
    int selected = 0;
    std::string patterns;   // "*.rte;*.rdb" of the selected entry
};

class CFileDlgModel {
public:
    bool keepExtension = false;   // names keep and show their extensions; '.' allowed
    bool applyPattern = true;   // the path always gets the pattern's extension
    bool folderFlag = true;
    std::filesystem::path folder;
    std::string name;
    std::string pattern;   // extension of the current file type, without the dot; may be empty
    std::vector<std::string> extensions;   // what the refresh looks for ("rte", "rdb")

    bool IsValidFileName(std::string_view candidate) const;
    // folder / name, the extension replaced by the pattern (removed when the
    // pattern is empty) unless names keep their extensions and no pattern is applied.
    std::filesystem::path GetPathName() const;

    static std::string GetFilterPatterns(std::string_view filterEntry);
    // Entries of a filter text split at "\n"; the first entry before a "\n"
    // with patterns is selected, else the last one gives the patterns.
    static CTypeFilter ParseTypeFilter(std::string_view filterText);

    // The files of the folder matching any of the ";"-separated patterns,
    // names beginning with '~' left out, in name order. `selected` is the
    // entry whose shown name equals `name` ignoring case.
    std::vector<CFileListEntry> ListFiles(std::string_view patterns,
                                          std::optional<std::size_t>* selected) const;

    // One step of the refresh (1: recount and refill on a change, 2: drop
    // entries whose file is gone, 3: add files not listed, in name order),
    // then the next step. A file is looked for by its own name, so one whose
    // extension differs in case from the pattern (VOYAGE.LOG for "log") stays.
    enum class RefreshAction { None, Refill, Changed };
    RefreshAction RefreshStep(std::vector<CFileListEntry>& list);
    int NextRefreshStep() const { return m_refreshStep; }

private:
    std::vector<std::filesystem::directory_entry> ExtensionFiles() const;
    std::string ShownName(const std::filesystem::path& file) const;

    int m_refreshStep = 1;
};

// Wildcard match of a file name against "*.log", "chart?.dbf" ..., ignoring case.
bool MatchesPattern(std::string_view fileName, std::string_view pattern);

}   // namespace app

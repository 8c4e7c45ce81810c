#pragma once
// Where report tables are written: a folder per running program under the
// user's cache folder, never a module's data folder (which may be on
// read-only media, and would keep a crashed run's files among the user's).
// Folders of programs no longer running are removed at start.

#include <filesystem>
#include <string>

namespace report {

// $XDG_CACHE_HOME/Quorwick/Brinevane/reports (or under ~/.cache).
std::filesystem::path ReportCacheRoot();
// The folder of this process, made when missing.
std::filesystem::path ProcessReportFolder();
// Removes the folders whose process has ended; returns how many.
int RemoveDeadReportFolders(const std::filesystem::path& root = ReportCacheRoot());

// A report table's file name, taken in a folder: the empty "~rNNNNN.tmp"
// marks the base name as taken. Remove deletes the files of that base name
// only (the marker last), so nothing else in the folder is touched; a name
// never taken removes nothing.
class CReportTempName {
public:
    CReportTempName() = default;
    ~CReportTempName() { Remove(); }
    CReportTempName(const CReportTempName&) = delete;
    CReportTempName& operator=(const CReportTempName&) = delete;

    bool Take(const std::filesystem::path& folder, std::string& error);
    // The path without extension; empty before Take.
    const std::filesystem::path& Base() const { return m_base; }
    void Remove();

private:
    std::filesystem::path m_base;
};

}   // namespace report

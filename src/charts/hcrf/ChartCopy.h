#pragma once
// Copying a chart's files from a medium. One chart is copied on a worker
// thread in blocks, stopping between blocks when asked, while the
// user-interface thread keeps its progress dialog alive. The files go into a
// hidden sibling of the chart's folder, which is renamed into place only when
// every file is complete, so a chart folder on disk is always whole. Copies
// keep the source's modification time: a rerun skips files already there
// with the same size and time.

#include "charts/hcrf/MediaUi.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace charts::hcrf {

// A file-name pattern of '*' and '?' matched without case ("*.c??").
bool MatchesPattern(std::string_view name, std::string_view pattern);

struct CCopyPlan {
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> files;
    std::uint64_t bytes = 0;
};

// Adds the files of `source` matching each pattern in turn, to go into
// `dest`, leaving out those that `existing` (by default `dest`) already holds
// with the same size and time. False when the source folder does not exist.
bool PlanMatchingFiles(const std::filesystem::path& source,
                       const std::vector<std::string>& patterns, const std::filesystem::path& dest,
                       CCopyPlan& plan, const std::filesystem::path& existing = {});

class CFileCopier {
public:
    static constexpr std::size_t kBlock = 256 * 1024;

    ~CFileCopier() { Stop(); }
    void Start(CCopyPlan plan);
    // Waits up to `timeout` for the copy to end; true when it has.
    bool WaitFor(std::chrono::milliseconds timeout);
    // Asks the worker to stop after its current block and joins it.
    void Stop();
    std::uint64_t BytesDone() const { return m_bytes.load(); }
    bool Succeeded() const { return m_ok; }
    bool WasStopped() const { return m_stopped; }
    const std::string& Error() const { return m_error; }

private:
    void Run(std::stop_token stop, CCopyPlan plan);

    std::jthread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    bool m_ok = false;
    bool m_stopped = false;
    std::string m_error;
    std::atomic<std::uint64_t> m_bytes{0};
};

enum class CopyResult { Done, Failed };

// Copies the files of `source` matching `patterns` into the folder `dest`
// through its hidden sibling, showing progress for chart `chart` of
// `charts` and keeping the progress dialog alive. Cancel pressed meanwhile
// does not cut the copy short: the caller sees it afterwards and stops after
// this chart. A failure removes the partial sibling and leaves `dest` as it
// was; `error` says why.
CopyResult CopyFolderIntoPlace(const std::filesystem::path& source,
                               const std::vector<std::string>& patterns,
                               const std::filesystem::path& dest, CInstallProgress& progress,
                               std::size_t chart, std::size_t charts, std::string& error);

// The hidden sibling a folder is built in.
std::filesystem::path StagingFolderOf(const std::filesystem::path& dest);

// Removes the staging folders below `root` that copies killed part way left
// (a copy under way holds its folder's owner file locked); returns how many.
int RemoveDeadStagingFolders(const std::filesystem::path& root);

// Removes a folder and then its parent when that has become empty.
void RemoveFolderAndEmptyParent(const std::filesystem::path& folder);

}   // namespace charts::hcrf

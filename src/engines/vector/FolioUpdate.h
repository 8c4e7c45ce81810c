#pragma once
// Rebuilding a chart folder's folio: every S-57 cell (".000", any case) in the
// folder and below that is new or changed since its ".b" was written is
// imported; a refused cell is named with its reason and its old ".b" stays.
// Then "LC.FOL" is rewritten whole from every ".b" of the folder, under a lock
// file other processes respect, with a bounded wait for it.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace vengine {

inline constexpr const char* kFolioLockName = "LC.LCK";

struct FolioUpdateResult {
    int recordsWritten = 0;   // -1: another process held the lock past the wait
    int added = 0;   // records of the new folio the previous one did not have
    int imported = 0;   // cells imported (new or changed)
    bool cancelled = false;
    std::vector<std::string> refused;   // "CELL.000: reason"
    std::vector<std::string> notes;   // update gaps and the like
};

// Called before each cell with the number done, the total and the cell's name.
using FolioProgress = std::function<void(int done, int total, const std::string& cell)>;

FolioUpdateResult UpdateFolio(const std::filesystem::path& folder, const FolioProgress& progress,
                              std::stop_token stop,
                              std::chrono::milliseconds lockWait = std::chrono::seconds(5));

// Removes the temp files of chart store and folio writes that a killed
// update left in `folder`; a write still going on keeps its own, in this
// process or another. Returns how many were removed.
std::size_t RemoveLeftoverFolioTemps(const std::filesystem::path& folder);

// The cells found under `folder`, in name order.
std::vector<std::filesystem::path> FindCells(const std::filesystem::path& folder);

}   // namespace vengine

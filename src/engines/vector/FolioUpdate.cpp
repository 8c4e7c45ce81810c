#include "engines/vector/FolioUpdate.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <thread>

#include "engines/vector/Folio.h"
#include "engines/vector/S57Import.h"
#include "engines/vector/VChartStore.h"
#include "platform/Files.h"

namespace vengine {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s)
{
    for (auto& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Upper(std::string s)
{
    for (auto& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The newest modification time of the cell and the update files beside it.
fs::file_time_type NewestOfCell(const fs::path& cell)
{
    std::error_code ec;
    auto newest = fs::last_write_time(cell, ec);
    const std::string stem = cell.stem().string();
    for (const auto& entry : fs::directory_iterator(cell.parent_path(), ec)) {
        const auto& p = entry.path();
        if (p.stem().string() != stem)
            continue;
        std::string ext = p.extension().string();
        if (ext.size() == 4 && std::all_of(ext.begin() + 1, ext.end(), ::isdigit)) {
            auto t = fs::last_write_time(p, ec);
            if (!ec && t > newest)
                newest = t;
        }
    }
    return newest;
}

// Whether `store` is whole, of the current format, at least as new as the
// cell and its updates, and holds every update beside the cell. Update files
// copied from a medium often keep the time they had there, older than a store
// written since: only the update number the store was built to tells that
// they are not in it. A store of an older format still reads, but its cell
// beside it gives what the format now keeps (the features' display scales).
bool StoreIsCurrent(const fs::path& store, const fs::path& cell)
{
    std::error_code ec;
    auto stored = fs::last_write_time(store, ec);
    if (ec || stored < NewestOfCell(cell))
        return false;
    const auto file = CVChartFile::Open(store, nullptr);
    return file && file->View().Version() == kStoreVersion &&
           file->View().Update() >= FindUpdates(cell.string()).contiguous;
}

bool TakeLock(const fs::path& folder, platform::CFileDescriptor& fd, platform::CFileRangeLock& lock,
              std::chrono::milliseconds wait, std::stop_token stop)
{
    fd = platform::CFileDescriptor(
        ::open((folder / kFolioLockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.IsOpen())
        return false;
    const auto until = std::chrono::steady_clock::now() + wait;
    while (!lock.TryLock(fd.Get(), 0, 1, platform::LockKind::Exclusive)) {
        if (std::chrono::steady_clock::now() >= until || stop.stop_requested())
            return false;
        // Another process is rebuilding; look again shortly.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

}   // namespace

std::size_t RemoveLeftoverFolioTemps(const fs::path& folder)
{
    return platform::RemoveLeftoverTempFiles(folder, [](std::string_view target) {
        const std::string name = Upper(std::string(target));
        return name == kFolioName || (name.size() > 2 && name.ends_with(".B"));
    });
}

std::vector<fs::path> FindCells(const fs::path& folder)
{
    std::vector<fs::path> cells;
    std::error_code ec;
    for (fs::recursive_directory_iterator
             it(folder, fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && Lower(it->path().extension().string()) == ".000")
            cells.push_back(it->path());
    }
    std::sort(cells.begin(), cells.end());
    return cells;
}

FolioUpdateResult UpdateFolio(const fs::path& folder, const FolioProgress& progress,
                              std::stop_token stop, std::chrono::milliseconds lockWait)
{
    FolioUpdateResult result;
    platform::CFileDescriptor lockFd;
    platform::CFileRangeLock lock;
    if (!TakeLock(folder, lockFd, lock, lockWait, stop)) {
        result.recordsWritten = -1;
        return result;
    }

    RemoveLeftoverFolioTemps(folder);
    // What the folio held before: only charts beyond these count as added.
    std::vector<std::string> before;
    if (auto previous = ReadFolio(folder))
        for (const FolioRecord& r : *previous)
            before.push_back(Upper(r.name));
    const auto cells = FindCells(folder);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (stop.stop_requested()) {
            result.cancelled = true;
            break;
        }
        const auto& cell = cells[i];
        const std::string cellName = cell.filename().string();
        if (progress)
            progress(int(i), int(cells.size()), cellName);
        const fs::path store = folder / (Upper(cell.stem().string()) + ".b");
        if (StoreIsCurrent(store, cell))
            continue;
        VChartData chart;
        auto imported = ImportS57Cell(cell.string(), true, chart);
        if (!imported.ok) {
            result.refused.push_back(cellName + ": " + imported.error);
            continue;
        }
        if (!imported.missingUpdate.empty())
            result.notes.push_back(cellName + ": update " + imported.missingUpdate +
                                   " is missing; later updates were not applied");
        std::string error;
        if (!WriteVChartFile(store, chart, &error)) {
            result.refused.push_back(cellName + ": " + error);
            continue;
        }
        ++result.imported;
    }
    if (progress)
        progress(int(cells.size()), int(cells.size()), {});

    // The folio from every whole ".b" of the folder, overview charts first.
    std::vector<FolioRecord> records;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const auto& p = entry.path();
        if (Lower(p.extension().string()) != ".b" || !entry.is_regular_file(ec))
            continue;
        std::string why;
        auto file = CVChartFile::Open(p, &why);
        if (!file) {
            result.notes.push_back(why);
            continue;
        }
        const auto& info = file->View().Info();
        FolioRecord r;
        r.name = p.stem().string().substr(0, kFolioNameWidth - 1);
        r.west = info.I32(info::kWest);
        r.south = info.I32(info::kSouth);
        r.east = info.I32(info::kEast);
        r.north = info.I32(info::kNorth);
        r.scale = info.I32(info::kScale);
        records.push_back(std::move(r));
    }
    std::sort(records.begin(), records.end(), [](const FolioRecord& a, const FolioRecord& b) {
        return a.scale != b.scale ? a.scale > b.scale : a.name < b.name;
    });
    auto existing = platform::FindNoCase(folder, kFolioName);
    std::string error;
    if (!platform::WriteFileAtomically(existing ? *existing : folder / kFolioName,
                                       EncodeFolio(records), &error, 0644)) {
        result.refused.push_back(std::string(kFolioName) + ": " + error);
        result.recordsWritten = 0;
        return result;
    }
    result.recordsWritten = int(records.size());
    result.added =
        int(std::count_if(records.begin(), records.end(), [&before](const FolioRecord& r) {
            return std::find(before.begin(), before.end(), Upper(r.name)) == before.end();
        }));
    return result;
}

}   // namespace vengine

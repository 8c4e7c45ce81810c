#include "charts/hcrf/ChartCopy.h"

#include "platform/Ascii.h"
#include "platform/Files.h"

#include <fcntl.h>

#include <algorithm>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace charts::hcrf {

bool MatchesPattern(std::string_view name, std::string_view pattern)
{
    if (pattern.empty())
        return name.empty();
    if (pattern.front() == '*') {
        for (std::size_t skip = 0; skip <= name.size(); ++skip) {
            if (MatchesPattern(name.substr(skip), pattern.substr(1)))
                return true;
        }
        return false;
    }
    if (name.empty())
        return false;
    if (pattern.front() != '?' &&
        platform::AsciiLower(pattern.front()) != platform::AsciiLower(name.front()))
        return false;
    return MatchesPattern(name.substr(1), pattern.substr(1));
}

bool PlanMatchingFiles(const fs::path& source, const std::vector<std::string>& patterns,
                       const fs::path& dest, CCopyPlan& plan, const fs::path& existing)
{
    const fs::path& compare = existing.empty() ? dest : existing;
    std::error_code ec;
    if (!fs::is_directory(source, ec))
        return false;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    std::vector<bool> taken(files.size(), false);
    for (const std::string& pattern : patterns) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (taken[i] || !MatchesPattern(files[i].filename().string(), pattern))
                continue;
            taken[i] = true;
            const fs::path target = dest / files[i].filename();
            const fs::path there = compare / files[i].filename();
            const auto size = fs::file_size(files[i], ec);
            if (ec)
                return false;
            std::error_code tec;
            if (fs::file_size(there, tec) == size && !tec &&
                fs::last_write_time(there, tec) == fs::last_write_time(files[i], ec) && !tec)
                continue;
            plan.files.emplace_back(files[i], target);
            plan.bytes += size;
        }
    }
    return true;
}

void CFileCopier::Start(CCopyPlan plan)
{
    Stop();
    m_finished = false;
    m_ok = false;
    m_stopped = false;
    m_error.clear();
    m_bytes = 0;
    m_thread = std::jthread([this, plan = std::move(plan)](std::stop_token stop) mutable {
        Run(stop, std::move(plan));
    });
}

void CFileCopier::Run(std::stop_token stop, CCopyPlan plan)
{
    bool ok = true;
    bool stopped = false;
    std::string error;
    std::vector<char> block(kBlock);
    for (const auto& [from, to] : plan.files) {
        std::ifstream in(from, std::ios::binary);
        std::ofstream out(to, std::ios::binary | std::ios::trunc);
        if (!in || !out) {
            ok = false;
            error = "cannot copy " + from.string() + " to " + to.string();
            break;
        }
        while (in) {
            if (stop.stop_requested()) {
                stopped = true;
                break;
            }
            in.read(block.data(), std::streamsize(block.size()));
            const std::streamsize got = in.gcount();
            if (got > 0) {
                out.write(block.data(), got);
                m_bytes += std::uint64_t(got);
            }
        }
        if (stopped)
            break;
        out.close();
        if (in.bad() || !out) {
            ok = false;
            error = "cannot copy " + from.string() + " to " + to.string();
            break;
        }
        // The copy takes the source's time, and is writable whatever the
        // medium's permissions were.
        std::error_code ec;
        fs::last_write_time(to, fs::last_write_time(from, ec), ec);
        if (!ec)
            fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write,
                            fs::perm_options::add, ec);
        if (ec) {
            ok = false;
            error = "cannot set the time of " + to.string();
            break;
        }
    }
    std::lock_guard lock(m_mutex);
    m_ok = ok && !stopped;
    m_stopped = stopped;
    m_error = error;
    m_finished = true;
    m_done.notify_all();
}

bool CFileCopier::WaitFor(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_done.wait_for(lock, timeout, [this] { return m_finished; });
}

void CFileCopier::Stop()
{
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
}

fs::path StagingFolderOf(const fs::path& dest)
{
    return dest.parent_path() / ("." + dest.filename().string() + ".partial");
}

namespace {

// The file beside a staging folder that its copy holds locked while it goes
// on, made before the folder and removed after it: a staging folder whose
// owner file nobody holds (or that has none) is what a killed copy left.
fs::path OwnerFileOf(const fs::path& staging)
{
    return staging.string() + ".owner";
}

class CStagingOwner {
public:
    explicit CStagingOwner(const fs::path& staging) : m_path(OwnerFileOf(staging))
    {
        std::error_code ec;
        fs::create_directories(m_path.parent_path(), ec);
        m_fd = platform::CFileDescriptor(
            ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
        if (m_fd.IsOpen())
            m_lock.TryLock(m_fd.Get(), 0, 0, platform::LockKind::Exclusive);
    }
    ~CStagingOwner()
    {
        // Still locked: no sweep takes a staging folder in this moment.
        std::error_code ec;
        fs::remove(m_path, ec);
    }
    CStagingOwner(const CStagingOwner&) = delete;
    CStagingOwner& operator=(const CStagingOwner&) = delete;

private:
    fs::path m_path;
    platform::CFileDescriptor m_fd;
    platform::CFileRangeLock m_lock;
};

bool IsStagingName(const std::string& name)
{
    return name.size() > 9 && name.front() == '.' && name.ends_with(".partial");
}

}   // namespace

int RemoveDeadStagingFolders(const fs::path& root)
{
    std::vector<fs::path> staged;
    std::vector<fs::path> owners;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (IsStagingName(name) && it->is_directory(typeError)) {
            staged.push_back(it->path());
            it.disable_recursion_pending();
        } else if (name.ends_with(".partial.owner") &&
                   IsStagingName(name.substr(0, name.size() - 6))) {
            owners.push_back(it->path());
        }
    }
    int removed = 0;
    for (const fs::path& folder : staged) {
        const fs::path owner = OwnerFileOf(folder);
        std::error_code existsError;
        const bool hasOwner = fs::exists(owner, existsError);
        const auto held = hasOwner ? platform::LockUnheldFile(owner) : std::nullopt;
        if (hasOwner && !held)
            continue;   // a copy under way
        if (platform::RemoveTree(folder))
            ++removed;
        if (held)
            fs::remove(owner, existsError);
    }
    // Owner files whose copy was killed after its folder went.
    for (const fs::path& owner : owners) {
        std::error_code removeError;
        if (const auto held = platform::LockUnheldFile(owner))
            fs::remove(owner, removeError);
    }
    return removed;
}

void RemoveFolderAndEmptyParent(const fs::path& folder)
{
    std::error_code ec;
    fs::remove_all(folder, ec);
    const fs::path parent = folder.parent_path();
    if (fs::is_directory(parent, ec) && fs::is_empty(parent, ec))
        fs::remove(parent, ec);
}

CopyResult CopyFolderIntoPlace(const fs::path& source, const std::vector<std::string>& patterns,
                               const fs::path& dest, CInstallProgress& progress, std::size_t chart,
                               std::size_t charts, std::string& error)
{
    std::error_code ec;
    const fs::path staging = StagingFolderOf(dest);
    // Over a folder already in place (a chart copied again, or update files
    // refreshed) only the files that differ are copied, into the staging
    // folder, and then each moves over its old copy; the folder in place is
    // never left half written. When nothing differs nothing is touched.
    const bool inPlace = fs::is_directory(dest, ec);
    if (inPlace) {
        CCopyPlan needed;
        if (PlanMatchingFiles(source, patterns, staging, needed, dest) && needed.files.empty())
            return CopyResult::Done;
    }
    const CStagingOwner owner(staging);
    fs::create_directories(staging, ec);
    CCopyPlan plan;
    if (ec || !PlanMatchingFiles(source, patterns, staging, plan, inPlace ? dest : staging)) {
        error = "cannot read the chart folder " + source.string();
        RemoveFolderAndEmptyParent(staging);
        return CopyResult::Failed;
    }
    // Cancel pressed meanwhile is left to the caller, which stops after this
    // chart: the chart in hand is finished and recorded, so that the charts
    // installed before the user stopped are all there and whole.
    CFileCopier copier;
    copier.Start(plan);
    while (!copier.WaitFor(std::chrono::milliseconds(40))) {
        progress.SetProgress(chart, charts, copier.BytesDone(), plan.bytes);
        progress.Pump();
    }
    copier.Stop();
    progress.SetProgress(chart, charts, copier.BytesDone(), plan.bytes);
    if (!copier.Succeeded()) {
        error = copier.Error();
        RemoveFolderAndEmptyParent(staging);
        return CopyResult::Failed;
    }
    if (inPlace) {
        // Each old file moves aside before its new copy moves in; when a move
        // fails the files moved so far go back, so the folder holds either
        // the whole new set or the old one, never an index file of one
        // edition beside the raster of another.
        const fs::path previous = staging / ".previous";
        fs::create_directories(previous, ec);
        std::vector<std::pair<fs::path, bool>> placed;   // target, old file kept aside
        for (const auto& [from, to] : plan.files) {
            if (ec)
                break;
            const fs::path target = dest / to.filename();
            std::error_code existsError;
            const bool hadOld = fs::exists(fs::symlink_status(target, existsError));
            if (hadOld) {
                fs::rename(target, previous / to.filename(), ec);
                if (ec)
                    break;
            }
            placed.emplace_back(target, hadOld);
            fs::rename(to, target, ec);
        }
        if (ec) {
            std::error_code undoError;
            for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
                if (fs::exists(fs::symlink_status(previous / it->first.filename(), undoError))) {
                    fs::remove_all(it->first, undoError);
                    fs::rename(previous / it->first.filename(), it->first, undoError);
                } else if (!it->second) {
                    fs::remove_all(it->first, undoError);
                }
            }
        } else {
            fs::remove_all(staging, ec);
        }
    } else {
        fs::rename(staging, dest, ec);
    }
    if (ec) {
        error = "cannot move " + staging.string() + " into place: " + ec.message();
        RemoveFolderAndEmptyParent(staging);
        return CopyResult::Failed;
    }
    return CopyResult::Done;
}

}   // namespace charts::hcrf

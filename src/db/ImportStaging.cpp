#include "db/ImportStaging.h"

#include "platform/Ascii.h"
#include "platform/Files.h"

#include <fcntl.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace db {

namespace {

constexpr const char* kOwnerFile = ".owner";
constexpr const char* kReplaced = ".replaced";
// Marks a staging folder holding files that stood in the table's place and
// could not be put back after a failed commit: such a folder is never removed.
constexpr const char* kStranded = ".stranded";

bool HoldsStrandedFiles(const fs::path& staging)
{
    std::error_code ec;
    return fs::exists(staging / kStranded, ec);
}

// A staging folder of this table whose owner holds no lock on it was left by
// an import that died: nothing in it was ever in place, so it goes.
void RemoveAbandoned(const std::string& folder, const std::string& prefix)
{
    std::error_code ec;
    std::vector<fs::path> abandoned;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        const std::string entry = e.path().filename().string();
        if (entry.rfind(prefix, 0) != 0 || entry.size() != prefix.size() + 6)
            continue;
        platform::CFileDescriptor fd(::open((e.path() / kOwnerFile).c_str(), O_RDWR | O_CLOEXEC));
        platform::CFileRangeLock probe;
        if ((!fd.IsOpen() || probe.TryLock(fd.Get(), 0, 0, platform::LockKind::Exclusive)) &&
            !HoldsStrandedFiles(e.path()))
            abandoned.push_back(e.path());
    }
    for (const fs::path& p : abandoned)
        platform::RemoveTree(p);
}

}   // namespace

void RemoveOlderTableFiles(const std::string& folder, const std::string& name)
{
    const fs::path where = folder.empty() ? fs::path(".") : fs::path(folder);
    std::error_code ec;
    std::vector<fs::path> older;
    for (fs::directory_iterator it(where, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        const std::string entry = p.filename().string();
        if (!it->is_regular_file(ec) || !platform::EqualNoCaseAscii(p.stem().string(), name))
            continue;
        if (entry != name + ".dbf" && entry != name + ".dbt" && entry != name + ".mdx")
            older.push_back(p);
    }
    for (const fs::path& p : older)
        fs::remove(p, ec);
}

CImportStaging::CImportStaging(const std::string& folder, const std::string& name)
    : m_folder(folder.empty() ? std::string(".") : folder), m_name(name)
{
    const std::string prefix = ".import-" + name + "-";
    RemoveAbandoned(m_folder, prefix);
    std::string pattern = m_folder + "/" + prefix + "XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return;
    // The lock on the owner file tells later imports this folder is in use.
    m_owner = platform::CFileDescriptor(
        ::open((pattern + "/" + kOwnerFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!m_owner.IsOpen() ||
        !m_ownerLock.TryLock(m_owner.Get(), 0, 0, platform::LockKind::Exclusive)) {
        platform::RemoveTree(pattern);
        return;
    }
    m_path = pattern;
}

CImportStaging::~CImportStaging()
{
    if (!m_path.empty() && !HoldsStrandedFiles(m_path))
        platform::RemoveTree(m_path);
    m_ownerLock.Unlock();
}

bool CImportStaging::Commit(std::string* error)
{
    if (m_path.empty())
        return false;
    std::vector<std::string> staged;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(m_path, ec)) {
        const std::string entry = e.path().filename().string();
        if (entry.rfind(m_name + ".", 0) == 0)
            staged.push_back(entry);
    }
    // The data file goes last: until it is in place the table is as before.
    std::stable_partition(staged.begin(), staged.end(),
                          [&](const std::string& e) { return e != m_name + ".dbf"; });
    const std::string aside = m_path + "/" + kReplaced;
    fs::create_directory(aside, ec);
    std::vector<std::string> movedAside, movedIn;
    std::string failure = ec ? ec.message() : std::string();
    for (const std::string& entry : staged) {
        if (!failure.empty())
            break;
        const fs::path target = fs::path(m_folder) / entry;
        if (fs::exists(fs::symlink_status(target, ec))) {
            if (!platform::RenamePath(target, fs::path(aside) / entry, &failure))
                break;
            movedAside.push_back(entry);
        }
        if (!platform::RenamePath(fs::path(m_path) / entry, target, &failure))
            break;
        movedIn.push_back(entry);
    }
    if (!failure.empty()) {
        for (const std::string& entry : movedIn)
            platform::RenamePath(fs::path(m_folder) / entry, fs::path(m_path) / entry);
        std::vector<std::string> stranded;
        for (const std::string& entry : movedAside)
            if (!platform::RenamePath(fs::path(aside) / entry, fs::path(m_folder) / entry))
                stranded.push_back(entry);
        // What could not go back stays where it is, and the user is told where.
        if (!stranded.empty()) {
            platform::WriteFileAtomically(fs::path(m_path) / kStranded, aside + "\n");
            failure += "; the replaced files could not be put back and are kept in " + aside;
        }
        if (error)
            *error = failure;
        return false;
    }
    return true;
}

}   // namespace db

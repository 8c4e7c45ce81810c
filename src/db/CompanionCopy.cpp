#include "db/CompanionCopy.h"

#include <unistd.h>

#include <string_view>
#include <system_error>

#include "db/DBInterface.h"
#include "platform/Files.h"

namespace fs = std::filesystem;

namespace db {

namespace {

// The placeholder, its copied folder "<placeholder>.X" and the replaced
// folder "<placeholder>.old".
constexpr std::string_view kCopyPrefix = "~x";

}   // namespace

void RemoveDeadCopies(const fs::path& folder)
{
    CDBInterface::RemoveDeadCopies(folder);
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != kCopyPrefix.size() + 6 || !name.starts_with(kCopyPrefix))
            continue;
        // Held until the set is gone, so no other sweep meets half of it.
        const auto held = platform::LockUnheldFile(it->path());
        if (!held)
            continue;
        platform::RemoveTree(it->path().string() + ".X");
        platform::RemoveTree(it->path().string() + ".old");
        ::unlink(it->path().c_str());
    }
}

bool CopyWithCompanions(const std::string& target,
                        const std::function<bool(const fs::path& folder)>& copyFolder,
                        const std::function<bool()>& copyTable, std::string* error)
{
    const fs::path companions = target + ".X";
    const fs::path parent =
        fs::path(target).parent_path().empty() ? fs::path(".") : fs::path(target).parent_path();
    std::error_code ec;
    fs::create_directories(parent, ec);
    RemoveDeadCopies(parent);
    auto holder = platform::CreateLockedTempFile(parent, kCopyPrefix, error);
    if (!holder)
        return false;
    const fs::path staged = holder->path.string() + ".X";
    const fs::path aside = holder->path.string() + ".old";
    fs::create_directories(staged, ec);
    // The table goes in before the folder: its copy is the long step and
    // changes nothing at the target until it is whole, so the new table
    // stands beside the old folder only while its index is written again
    // under its name and the folder's two renames are made.
    bool ok = !ec && copyFolder(staged) && copyTable();
    bool movedAside = false;
    if (ok && fs::exists(companions, ec)) {
        ok = platform::RenamePath(companions, aside, error);
        movedAside = ok;
    }
    ok = ok && platform::RenamePath(staged, companions, error);
    if (!ok && movedAside)
        platform::RenamePath(aside, companions);
    platform::RemoveTree(staged);
    platform::RemoveTree(aside);
    fs::remove(holder->path, ec);
    return ok;
}

}   // namespace db

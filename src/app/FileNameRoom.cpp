#include "app/FileNameRoom.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

namespace app {

namespace {

// The nearest existing folder: pathconf asks a file system that is there.
std::filesystem::path ExistingFolder(std::filesystem::path folder)
{
    std::error_code ec;
    while (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
        const std::filesystem::path parent = folder.parent_path();
        if (parent == folder)
            break;
        folder = parent;
    }
    return folder.empty() ? std::filesystem::path("/") : folder;
}

long Limit(const std::filesystem::path& folder, int name, long fallback)
{
    errno = 0;
    const long v = ::pathconf(ExistingFolder(folder).c_str(), name);
    return v > 0 ? v : fallback;
}

}   // namespace

int NameRoom(const std::filesystem::path& folder, int reserved)
{
    const long nameMax = Limit(folder, _PC_NAME_MAX, NAME_MAX);
    const long pathMax = Limit(folder, _PC_PATH_MAX, PATH_MAX);
    // The path maximum counts the terminating zero.
    const long used = static_cast<long>(folder.native().size()) + 1 + 1;
    const long room =
        std::min(nameMax - std::max(0, reserved), pathMax - used - std::max(0, reserved));
    return static_cast<int>(std::clamp<long>(room, 0, nameMax));
}

int SaveReserve(const std::string& pattern, bool extra, int companions, int suffixLength)
{
    int reserve = pattern.empty() ? 0 : static_cast<int>(pattern.size()) + 1;
    if (extra)
        reserve += 3;
    for (int n = 1; n <= companions; ++n)
        reserve += n < companions ? 9 : 11;
    return reserve + std::max(0, suffixLength);
}

std::optional<std::uint64_t> FreeBytes(const std::filesystem::path& folder)
{
    struct statvfs fs { };
    if (::statvfs(folder.c_str(), &fs) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(fs.f_bavail) * static_cast<std::uint64_t>(fs.f_frsize);
}

std::uint64_t FilesSize(const std::filesystem::path& folder, const std::string& stem)
{
    std::uint64_t total = 0;
    std::error_code ec;
    if (stem.empty() || !std::filesystem::is_directory(folder, ec))
        return 0;
    for (auto it = std::filesystem::recursive_directory_iterator(
             folder, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file(ec))
            continue;
        const std::string name = it->path().filename().string();
        if (name == stem || name.rfind(stem + ".", 0) == 0)
            total += it->file_size(ec);
    }
    return total;
}

}   // namespace app

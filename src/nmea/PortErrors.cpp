#include "nmea/PortErrors.h"

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

namespace nmea {

CGroupFacts GatherGroupFacts(const std::string& devicePath)
{
    CGroupFacts facts;
    struct stat info { };
    if (::stat(devicePath.c_str(), &info) != 0)
        return facts;
    const gid_t gid = info.st_gid;
    if (const group* gr = ::getgrgid(gid))
        facts.groupName = gr->gr_name;
    if (const passwd* pw = ::getpwuid(::geteuid()))
        facts.userName = pw->pw_name;
    facts.processInGroup = ::getegid() == gid;
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        std::vector<gid_t> groups(static_cast<std::size_t>(count));
        const int got = ::getgroups(count, groups.data());
        for (int i = 0; i < got; ++i)
            facts.processInGroup =
                facts.processInGroup || groups[static_cast<std::size_t>(i)] == gid;
    }
    // The group database as it stands now, not as it was at login.
    if (!facts.userName.empty()) {
        if (const passwd* pw = ::getpwnam(facts.userName.c_str())) {
            int n = 64;
            std::vector<gid_t> listed(static_cast<std::size_t>(n));
            if (::getgrouplist(facts.userName.c_str(), pw->pw_gid, listed.data(), &n) < 0) {
                listed.resize(static_cast<std::size_t>(n));
                ::getgrouplist(facts.userName.c_str(), pw->pw_gid, listed.data(), &n);
            }
            for (int i = 0; i < n && i < static_cast<int>(listed.size()); ++i)
                facts.userListedInGroup =
                    facts.userListedInGroup || listed[static_cast<std::size_t>(i)] == gid;
        }
    }
    return facts;
}

namespace {

std::optional<CDeviceHolder> Holder(pid_t pid)
{
    CDeviceHolder holder;
    holder.pid = pid;
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::getline(comm, holder.program);
    return holder;
}

// The process with a lock on the device node: /proc/locks names it by
// "major:minor:inode" of the file it locks.
std::optional<pid_t> LockHolder(const std::filesystem::path& device)
{
    struct stat info { };
    if (::stat(device.c_str(), &info) != 0)
        return std::nullopt;
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "%02x:%02x:%llu", ::major(info.st_dev),
                  ::minor(info.st_dev), static_cast<unsigned long long>(info.st_ino));
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::vector<std::string> parts;
        for (std::string part; fields >> part;)
            parts.push_back(part);
        // "1: FLOCK ADVISORY WRITE 1234 00:05:12 0 EOF"; blocked waiters carry "->" first.
        if (parts.size() < 6 || parts[1] == "->")
            continue;
        if (parts[5] == wanted && parts[4].find_first_not_of("0123456789") == std::string::npos)
            return static_cast<pid_t>(std::stol(parts[4]));
    }
    return std::nullopt;
}

}   // namespace

std::optional<CDeviceHolder> FindDeviceHolder(const std::string& devicePath)
{
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::canonical(devicePath, ec);
    if (ec)
        return std::nullopt;
    const pid_t self = ::getpid();
    // A holder that locked the device is the one in the way; a program that
    // merely has it open (a pty's owner, a monitor) comes second.
    if (const auto pid = LockHolder(target); pid && *pid != self)
        return Holder(*pid);
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(name));
        if (pid == self)
            continue;
        std::error_code fdError;
        for (const auto& fd : std::filesystem::directory_iterator(entry.path() / "fd", fdError)) {
            std::error_code linkError;
            if (std::filesystem::read_symlink(fd.path(), linkError) == target && !linkError)
                return Holder(pid);
        }
    }
    return std::nullopt;
}

std::string PermissionDeniedText(const std::string& devicePath, const CGroupFacts& facts)
{
    std::string text = "Permission denied on " + devicePath + ".";
    if (facts.groupName.empty() || facts.processInGroup)
        return text;
    text += " Only members of the group \"" + facts.groupName + "\" may use it.";
    if (facts.userListedInGroup)
        return text + " You were added to \"" + facts.groupName +
               "\" after logging in: log out and in again.";
    const std::string user = facts.userName.empty() ? std::string("$USER") : facts.userName;
    return text + " Join the group (sudo usermod -aG " + facts.groupName + " " + user +
           "), then log out and in again.";
}

std::string BusyText(const std::string& devicePath, const std::optional<CDeviceHolder>& holder)
{
    std::string text = devicePath + " is in use by another program";
    if (holder)
        text += " (" + (holder->program.empty() ? std::string("unknown") : holder->program) +
                ", process " + std::to_string(holder->pid) + ")";
    return text + ".";
}

std::string DescribeOpenError(const std::string& devicePath, int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO: return devicePath + " is not connected.";
    case EACCES:
    case EPERM: return PermissionDeniedText(devicePath, GatherGroupFacts(devicePath));
    case EBUSY:
    case EWOULDBLOCK: return BusyText(devicePath, FindDeviceHolder(devicePath));
    case EIO: return devicePath + " stopped answering (unplugged?).";
    case ENOTTY: return devicePath + " is not a serial device.";
    default: return devicePath + " cannot be used: " + std::strerror(error) + ".";
    }
}

}   // namespace nmea

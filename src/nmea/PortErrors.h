#pragma once
// Why a serial device did not open, in words a navigator can act on. A
// refused device names the group that may use it and tells a user outside it
// to join and log in again; a busy device names the program holding it when
// /proc shows it.

#include <optional>
#include <string>
#include <sys/types.h>

namespace nmea {

// What the permission message is made of; gathered from the system by
// GatherGroupFacts, written by hand in tests.
struct CGroupFacts {
    std::string groupName;   // group of the device node; empty when unknown
    std::string userName;   // the user running the program
    bool processInGroup = false;   // this login already has the group
    bool userListedInGroup = false;   // the group lists the user (joined since login)
};

struct CDeviceHolder {
    pid_t pid = 0;
    std::string program;   // the process's command name
};

CGroupFacts GatherGroupFacts(const std::string& devicePath);
// The first other process with the device open, found through /proc/*/fd.
std::optional<CDeviceHolder> FindDeviceHolder(const std::string& devicePath);

std::string PermissionDeniedText(const std::string& devicePath, const CGroupFacts& facts);
std::string BusyText(const std::string& devicePath, const std::optional<CDeviceHolder>& holder);
// The reason for `error` (an errno value) from opening or configuring the
// device at `devicePath`; gathers group facts and the holder as needed.
std::string DescribeOpenError(const std::string& devicePath, int error);

}   // namespace nmea

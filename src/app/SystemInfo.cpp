// Version texts, memory figures and display forms.
#include "app/StringUtils.h"
#include "app/SystemUtils.h"
#include "app/Version.h"
#include "platform/Files.h"

#include <sys/utsname.h>

namespace app {

// ---- Program and system ---------------------------------------------------------------

std::string GetFileVersionString(std::string_view name)
{
    if (name == "CompanyName")
        return std::string(version::kCompanyName);
    if (name == "ProductName")
        return std::string(version::kProductName);
    if (name == "LegalCopyright")
        return std::string(version::kLegalCopyright);
    if (name == "ProductVersion" || name == "FileVersion")
        return version::ProductVersion();
    return {};
}

bool IsWindowsNT()
{
    return true;
}

std::string GetOSName()
{
    utsname u{};
    if (::uname(&u) != 0)
        return "Unknown";
    return u.sysname;
}

std::string GetOSVersionString()
{
    utsname u{};
    if (::uname(&u) != 0)
        return "Unknown";
    return std::string(u.release) + " " + u.version;
}

// ---- Memory and disk -----------------------------------------------------------------------

int GetMemoryLoad()
{
    const auto m = platform::ReadMemoryStatus();
    if (!m || m->totalPhysBytes == 0)
        return 0;
    const std::uint64_t used =
        m->totalPhysBytes > m->availPhysBytes ? m->totalPhysBytes - m->availPhysBytes : 0;
    return static_cast<int>(used * 100 / m->totalPhysBytes);
}

std::uint64_t GetTotalMemory()
{
    const auto m = platform::ReadMemoryStatus();
    return m ? m->totalPhysBytes + m->totalSwapBytes : 0;
}

std::uint64_t GetAvailableMemory()
{
    const auto m = platform::ReadMemoryStatus();
    return m ? m->AvailableBytes() : 0;
}

bool GetDiskFreeSpaceOf(const std::filesystem::path& path, std::uint64_t& total,
                        std::uint64_t& free)
{
    if (path.empty())
        return false;
    // A folder that is yet to be created lies on its nearest existing ancestor's volume.
    const std::filesystem::path existing = app::GetExistingAncestor(path);
    const auto space = platform::GetDiskSpace(existing.empty() ? path : existing);
    if (!space)
        return false;
    total = space->totalBytes;
    free = space->freeBytes;
    return true;
}

std::uint64_t GetDiskFreeBytes(const std::filesystem::path& path)
{
    std::uint64_t total = 0, free = 0;
    return GetDiskFreeSpaceOf(path, total, free) ? free : 0;
}

std::uint64_t GetDiskFreeMegabytes(const std::filesystem::path& path)
{
    return GetDiskFreeBytes(path) >> 20;
}

// ---- Display forms ------------------------------------------------------------------------------

std::string FormatDistance(double distance)
{
    const int decimals = distance >= 100 ? 0 : distance < 10 ? 2 : 1;
    return app::FormatDouble(distance, decimals, 1);
}

std::string FormatBearing(double degrees)
{
    if (!(degrees > 0.49 && degrees < 359.5))
        return "000";
    return app::PadLeftZeros(app::FormatDouble(degrees, 0, 1), 3);
}

}   // namespace app

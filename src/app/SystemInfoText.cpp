#include "app/SystemInfoText.h"

#include <gnu/libc-version.h>
#include <link.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace app {

namespace {

int CollectLibrary(dl_phdr_info* info, std::size_t, void* data)
{
    auto* names = static_cast<std::set<std::string>*>(data);
    if (info->dlpi_name == nullptr || info->dlpi_name[0] == '\0')
        return 0;   // the program itself
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(info->dlpi_name, ec);
    names->insert(ec ? std::string(info->dlpi_name) : real.string());
    return 0;
}

std::string Bytes(unsigned long long n)
{
    // Grouped by thousands with blanks, as the program writes every count.
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), " ");
    return digits + " bytes";
}

}   // namespace

std::vector<std::string> LoadedLibraries()
{
    std::set<std::string> names;
    dl_iterate_phdr(CollectLibrary, &names);
    return {names.begin(), names.end()};
}

std::string OperatingSystemText(const std::string& toolkitVersion,
                                const std::vector<std::string>& programLibraries)
{
    std::string text;
    utsname u{};
    if (uname(&u) == 0)
        text +=
            std::string(u.sysname) + " " + u.release + " " + u.version + " (" + u.machine + ")\n";
    text += "\nLibraries in use :\n";
#if defined(__GNUC__) && !defined(__clang__)
    text += "  C++ compiler GCC V" __VERSION__ "\n";
#endif
    text += std::string("  GNU C library V") + gnu_get_libc_version() + "\n";
    if (!toolkitVersion.empty())
        text += "  Qt V" + toolkitVersion + "\n";
    for (const std::string& line : programLibraries)
        text += "  " + line + "\n";
    for (const std::string& lib : LoadedLibraries())
        text += "  " + std::filesystem::path(lib).filename().string() + "  (" + lib + ")\n";
    struct sysinfo info { };
    if (sysinfo(&info) == 0) {
        const unsigned long long unit = info.mem_unit ? info.mem_unit : 1;
        text += "\nSystem Resources Used\n";
        text += "  Total Memory " + Bytes(info.totalram * unit) + "\n";
        text += "  Available Memory " + Bytes((info.freeram + info.bufferram) * unit) + "\n";
    }
    return text;
}

}   // namespace app

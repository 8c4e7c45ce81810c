#pragma once
// The texts of the System Information window: the operating system, the
// shared libraries the running program has loaded (read from the process
// itself, so the list is what is really in use), and memory figures.

#include <string>
#include <vector>

namespace app {

// Every shared library mapped into this process, by its real file name
// (links followed, so the name carries the version), sorted, no repeats.
std::vector<std::string> LoadedLibraries();

// "Operating System" page: system name and version, "Libraries in use :"
// with the compiler's, C library's and toolkit's versions, then
// `programLibraries` (the program's own layers with their versions, one line
// each, as the caller that links them gives them), then one line per shared
// library, then memory figures in bytes. `toolkitVersion` is the windowing
// toolkit's own run-time version.
std::string OperatingSystemText(const std::string& toolkitVersion,
                                const std::vector<std::string>& programLibraries = {});

}   // namespace app

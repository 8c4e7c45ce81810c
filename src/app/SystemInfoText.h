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

// "Operating System" page: system name and version, "Libraries in use :",
// one line per library (the toolkit's and C library's versions named), then
// memory figures in bytes. `toolkitVersion` is the windowing toolkit's own
// run-time version, given by the caller that links it.
std::string OperatingSystemText(const std::string& toolkitVersion);

}   // namespace app

#pragma once
// How long a typed file name may be in a folder, from the system's own path
// and name maxima rather than a fixed 260, and whether a folder can take
// the files a save would write (free space by statvfs).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace app {

// The characters left for a name in `folder`: the file system's name
// maximum, cut to what its path maximum leaves after the folder, a
// separator and `reserved` (an extension, companion-file numbers). 0 when
// the folder leaves no room; never negative.
int NameRoom(const std::filesystem::path& folder, int reserved);

// The save dialog's reserve: the pattern's extension with its dot, 3 more
// with the extra flag, 9 per companion number below the count and 11 for
// the last, and a fixed suffix's length.
int SaveReserve(const std::string& pattern, bool extra, int companions, int suffixLength);

// Free bytes on the disk of `folder` for an unprivileged writer; none when
// the folder cannot be asked.
std::optional<std::uint64_t> FreeBytes(const std::filesystem::path& folder);

// The total size of the files in `folder` (and below) whose names begin
// with `stem` followed by a dot or nothing: what a save of `stem` writes.
std::uint64_t FilesSize(const std::filesystem::path& folder, const std::string& stem);

}   // namespace app

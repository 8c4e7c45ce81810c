#pragma once
// The own vessel's two files.
//
// ".vsl" is text, one value a line: name, length, draft, beam, speed and the
// sixteen deviation entries (0 to 337.5 degrees), numbers with a point and
// trailing zeros trimmed. A write replaces the file whole (temp file, fsync,
// rename), so a crash leaves the old file or the new one. A read takes the
// lines in their order: a damaged file gives the values before its first
// missing or unreadable line, and the failure names the file and that line.
// Another station holding the file is waited for: an open-file-description
// lock tried every 100 ms for up to 15 s, then the operation gives up.
//
// ".hdr" is the binary record the vessel log keeps beside track files:
// little-endian, no padding, 166 bytes and the name:
//   0 tag (4 bytes)  4 length  12 draft  20 beam  28 speed (doubles)
//   36 sixteen deviation doubles  164 name length (16 bits)  166 name bytes.

#include <chrono>
#include <filesystem>
#include <string>

#include "navigator/OwnVessel.h"

namespace navigator {

inline constexpr int kVesselFileLines = 5 + kDeviationPoints;
inline constexpr std::size_t kHeaderFixedBytes = 166;
inline constexpr const char* kVesselOpenFailed = "Unable to open vessel file";
inline constexpr const char* kVesselSaveFailed = "Unable to save vessel file";

// How long a file another station holds is waited for.
struct CVesselFileWait {
    std::chrono::milliseconds limit{15000};
    std::chrono::milliseconds retry{100};
};

struct CVesselFileResult {
    bool ok = false;
    // Empty on success; else the message box text, a line end, and the reason.
    std::string message;
};

// The path with its extension replaced: "ship" and "ship.hdr" both give "ship.vsl".
std::filesystem::path WithExtension(const std::filesystem::path& path, const char* extension);

// The ".vsl" text of a vessel, and its reading: the 21 lines in their order
// (any further lines are not read); a missing line or one that is not a
// finite number ends the reading with false, the values before it stored.
std::string FormatVesselFile(const COwnVessel& vessel);
bool ParseVesselFile(std::string_view text, COwnVessel& vessel, std::string* reason = nullptr);

CVesselFileResult ReadVesselFile(const std::filesystem::path& path, COwnVessel& vessel,
                                 const CVesselFileWait& wait = {});
CVesselFileResult WriteVesselFile(const std::filesystem::path& path, const COwnVessel& vessel,
                                  const CVesselFileWait& wait = {});

// The ".hdr" bytes, and their reading: exactly 166 + n bytes, finite numbers.
std::string FormatVesselHeader(const COwnVessel& vessel);
bool ParseVesselHeader(std::string_view bytes, COwnVessel& vessel, std::string* reason = nullptr);

// Creates the folder when missing; false (with the reason) when the folder
// cannot be made or the file not written whole.
bool WriteVesselHeader(const std::filesystem::path& path, const COwnVessel& vessel,
                       const char* extension = "hdr", std::string* reason = nullptr);

enum class HeaderRead { Read, Missing, Refused };
// A missing file resets the record; a file that cannot be read or is damaged
// leaves it unchanged.
HeaderRead ReadVesselHeader(const std::filesystem::path& path, COwnVessel& vessel,
                            std::string* reason = nullptr);

}   // namespace navigator

#pragma once
// The checks the program makes before it creates its main window: enough
// memory for the chart buffers, a usable display, and a warning for a small
// screen. The facts about the machine are gathered by the program and passed
// in, so each outcome can be checked with any machine one cares to describe.

#include <cstdint>
#include <optional>

#include "platform/Prompt.h"

namespace app {

struct CSystemFacts {
    std::uint64_t availableMemory = 0;   // physical memory available plus free swap, in bytes
    int bitsPerPixel = 0;   // of the screen; 0 when unknown
    bool paletteHasStaticColours =
        true;   // false on an indexed display without fixed system colours
    int screenWidth = -1;   // pixels; -1 when unknown
    int screenHeight = -1;
};

// Bytes the program's off-screen chart buffers are expected to need: whole
// bytes per pixel x width x height x 6, then x 1.2 truncated.
std::uint64_t ScreenBufferEstimate(int bitsPerPixel, int width, int height);

// The margin start-up asks for beyond the buffer estimate.
inline constexpr std::uint64_t kStartupMemoryMargin = 3'000'000;

inline constexpr const char* kNotEnoughMemoryText =
    "Not enough memory to run Brinevane.\nClose existing applications to free memory.";
inline constexpr const char* kUnsupportedModeText =
    "You are running Windows in a non supported mode.\nThis application can not be safely used in "
    "this mode.";
inline constexpr const char* kLowResolutionText =
    "You are running Windows in a low resolution mode.\nIt is not advised that you use this "
    "application in this mode.";

// Runs the memory, display and resolution checks in that order, telling the
// user through `prompt`. False ends start-up.
bool RunStartupChecks(const CSystemFacts& facts, platform::CPrompt& prompt);

// The idle pass's flags: memory below the buffer estimate (no margin), and
// fewer than 20 whole megabytes free on the program's disk.
bool IsMemoryLow(const CSystemFacts& facts);
bool IsDiskLow(std::optional<std::uint64_t> freeBytes);

}   // namespace app

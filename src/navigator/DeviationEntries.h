#pragma once
// The compass deviation table as the user types it: sixteen entries, one per
// heading, each a number of degrees with an optional E or W (either case).
// Every entry is checked before any is stored, so a bad one leaves the
// navigator's table as it was.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace navigator {

inline constexpr int kDeviationEntries = 16;

// Degrees east positive. Empty reads as 0; "3.5W" is -3.5, "2e" 2; a letter
// other than a trailing E or W, or no number, is refused.
std::optional<double> ParseDeviationEntry(std::string_view text);

struct CDeviationParse {
    std::array<double, kDeviationEntries> degrees{};
    int badEntry = -1;   // index of the first refused entry, -1 when all hold
    std::string message;   // "Invalid deviation : <entry>"
};

CDeviationParse ParseDeviationEntries(const std::array<std::string, kDeviationEntries>& entries);

}   // namespace navigator

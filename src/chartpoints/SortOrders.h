#pragma once
// The nine orders the chartpoint table can be shown in: index, index tag,
// display name (stored in the settings), the toolbar text and the command.

#include <array>
#include <string>
#include <string_view>

namespace chartpoints {

struct CSortOrder {
    const char* tag;
    const char* name;
    const char* toolbarText;
    unsigned command;
};

inline constexpr int kSortOrders = 9;
const std::array<CSortOrder, kSortOrders>& SortOrders();

// All compare without case. Unknown names give "T_UNIQUE", unknown tags
// "Original Order" and index 0.
std::string SortNameToTag(std::string_view name);
std::string SortTagToName(std::string_view tag);
int SortIndexOfTag(std::string_view tag);
// The index of a sort command, -1 for another id.
int SortIndexOfCommand(unsigned command);

}   // namespace chartpoints

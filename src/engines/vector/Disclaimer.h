#pragma once
// The engine's own words shown before the first vector chart of a run opens.

#include <string>

namespace vengine {

// At most kDisclaimerLimit characters; lines end with "\r\n".
inline constexpr std::size_t kDisclaimerLimit = 1600;
std::string DisclaimerText();

}   // namespace vengine

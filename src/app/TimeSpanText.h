#pragma once
// Time spans typed as "hours:minutes:seconds" (or "minutes:seconds"), as the
// options pages' time fields show them. Digits only, read locale-free; a bad
// part gets a message that names it.

#include <string>
#include <variant>

namespace app {

// Seconds, or the message shown at the field.
using TimeSpanParse = std::variant<long, std::string>;

// "h:mm:ss" with `parts` = 3, "m:ss" with `parts` = 2; the first part may
// have any number of digits, the others run from 0 to 59.
TimeSpanParse ParseTimeSpanText(const std::string& text, int parts = 3);
// "00:05:00" (parts 3) or "1:30" (parts 2).
std::string FormatTimeSpanText(long seconds, int parts = 3);

}   // namespace app

#pragma once
// Names derived from a chart number: the file name of its set and the group
// folder it lies in, and the year rule of update labels.

#include <string>
#include <string_view>

namespace charts::hcrf {

// The first token of the number split at '+' and blanks, with `extension`
// in place of any it has (none when `extension` is empty): AUS4622+1 -> AUS4622.
std::string GetChartFileName(std::string_view chartNumber, std::string_view extension = {});

// Three digits from the first run of digits of the number's first eight
// characters, padded on the left to five: RC0107 -> 001, 3497 -> 034,
// AUS4060 -> 040. A number without a digit falls in group "000".
std::string GetChartGroup(std::string_view chartNumber);

// "20" in front of a text whose first two characters read below 95, else "19".
std::string ExpandYear(std::string_view text);

}   // namespace charts::hcrf

#include "navigator/DeviationEntries.h"

#include <cmath>

#include "app/StringUtils.h"

namespace navigator {

namespace {
// A deviation beyond a half turn is no deviation: the compass is not being read.
constexpr double kMaxDeviation = 180.0;
}   // namespace

std::optional<double> ParseDeviationEntry(std::string_view text)
{
    std::string body = app::TrimBlanks(text);
    if (body.empty())
        return 0.0;
    double sign = 1.0;
    const char last = body.back();
    if (last == 'E' || last == 'e' || last == 'W' || last == 'w') {
        sign = (last == 'W' || last == 'w') ? -1.0 : 1.0;
        body = app::TrimBlanks(std::string_view(body).substr(0, body.size() - 1));
    }
    // Only a plain signed decimal: digits, one point, a leading minus.
    if (body.empty() || body.size() >= 10)
        return std::nullopt;
    bool digit = false;
    bool point = false;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else if (!(c == '-' && i == 0))
            return std::nullopt;
    }
    if (!digit)
        return std::nullopt;
    bool bad = false;
    const double value = app::StringToDoubleChecked(body, bad);
    if (bad || !std::isfinite(value) || std::fabs(value) > kMaxDeviation)
        return std::nullopt;
    return sign * value;
}

CDeviationParse ParseDeviationEntries(const std::array<std::string, kDeviationEntries>& entries)
{
    CDeviationParse result;
    for (int i = 0; i < kDeviationEntries; ++i) {
        const auto value = ParseDeviationEntry(entries[static_cast<std::size_t>(i)]);
        if (!value) {
            result.badEntry = i;
            result.message = "Invalid deviation : " + entries[static_cast<std::size_t>(i)];
            result.degrees = {};
            return result;
        }
        result.degrees[static_cast<std::size_t>(i)] = *value;
    }
    return result;
}

}   // namespace navigator

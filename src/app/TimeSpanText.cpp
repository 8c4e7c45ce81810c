#include "app/TimeSpanText.h"

#include <vector>

#include "app/StringUtils.h"

namespace app {

namespace {

bool ReadDigits(const std::string& text, long& value)
{
    if (text.empty() || text.size() > 6)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

std::string TwoDigits(long v)
{
    return std::string(1, static_cast<char>('0' + v / 10)) + static_cast<char>('0' + v % 10);
}

}   // namespace

TimeSpanParse ParseTimeSpanText(const std::string& text, int parts)
{
    const std::string example =
        parts == 3 ? "hours:minutes:seconds, such as 00:05:00" : "minutes:seconds, such as 1:30";
    std::vector<std::string> fields;
    std::string current;
    for (char c : TrimBlanks(text)) {
        if (c == ':') {
            fields.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    fields.push_back(current);
    if (static_cast<int>(fields.size()) != parts)
        return "Enter the time as " + example;
    long values[3] = {0, 0, 0};
    for (int i = 0; i < parts; ++i) {
        if (!ReadDigits(fields[static_cast<std::size_t>(i)], values[i]))
            return "Enter the time as " + example;
    }
    const char* names[3] = {"Hours", "Minutes", "Seconds"};
    const int firstName = parts == 3 ? 0 : 1;
    for (int i = 1; i < parts; ++i) {
        if (values[i] > 59)
            return std::string(names[firstName + i]) + " run from 0 to 59";
    }
    if (parts == 3)
        return values[0] * 3600 + values[1] * 60 + values[2];
    return values[0] * 60 + values[1];
}

std::string FormatTimeSpanText(long seconds, int parts)
{
    if (seconds < 0)
        seconds = 0;
    if (parts == 3)
        return (seconds < 36000 ? TwoDigits(seconds / 3600) : std::to_string(seconds / 3600)) +
               ":" + TwoDigits(seconds / 60 % 60) + ":" + TwoDigits(seconds % 60);
    return std::to_string(seconds / 60) + ":" + TwoDigits(seconds % 60);
}

}   // namespace app

// Number text in both directions, always in the C locale.
#include "app/StringUtils.h"

#include "platform/LocaleFreeNumbers.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>

namespace app {

namespace {

int BaseOf(std::string_view text)
{
    return text.find_first_of("xX") == std::string_view::npos ? 10 : 16;
}

// strto* need a terminated string; the views callers pass often are not.
template <class T, class F>
T ParseWith(std::string_view text, bool* badText, F&& parse)
{
    const std::string s(text);
    char* end = nullptr;
    const T value = parse(s.c_str(), &end);
    if (badText)
        *badText = end == s.c_str() || *end != '\0';
    return value;
}

std::string FixedText(double value, int decimals)
{
    // 309 integer digits at most plus sign, point and decimals.
    char buf[400];
    if (decimals < 0)
        decimals = 0;
    if (decimals > 60)
        decimals = 60;
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

}   // namespace

std::string LongToString(long value)
{
    return std::to_string(value);
}
std::string IntToString(int value)
{
    return std::to_string(value);
}
std::string ShortToString(short value)
{
    return std::to_string(value);
}
std::string SignedCharToString(signed char value)
{
    return std::to_string(value);
}
std::string ULongToString(unsigned long value)
{
    return std::to_string(value);
}
std::string UShortToString(unsigned short value)
{
    return std::to_string(value);
}
std::string ByteToString(unsigned char value)
{
    return std::to_string(value);
}

std::string FormatDouble(double value, int decimals, int width)
{
    return app::PadLeftBlanks(FixedText(value, decimals), width);
}

std::string FormatDoubleTrimmed(double value)
{
    // The shortest fixed text that reads back to the same double: 0.1 is
    // "0.1", not the nineteen-digit expansion of the nearest binary value.
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    std::string s(buf, r.ptr);
    if (!std::isfinite(value))
        return s;
    if (s.find('.') == std::string::npos)
        s += ".0";
    return s;
}

long StringToLong(std::string_view text)
{
    bool badText = false;
    return app::StringToLongChecked(text, badText);
}

int StringToInt(std::string_view text)
{
    const long v = StringToLong(text);
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

long StringToLongChecked(std::string_view text, bool& badText)
{
    return ParseWith<long>(text, &badText, [&](const char* s, char** end) {
        return std::strtol(s, end, BaseOf(text));
    });
}

unsigned long StringToULong(std::string_view text, bool* badText)
{
    return ParseWith<unsigned long>(text, badText, [&](const char* s, char** end) {
        return std::strtoul(s, end, BaseOf(text));
    });
}

double StringToDouble(std::string_view text)
{
    bool badText = false;
    return app::StringToDoubleChecked(text, badText);
}

double StringToDoubleChecked(std::string_view text, bool& badText)
{
    return ParseWith<double>(
        text, &badText, [](const char* s, char** end) { return platform::CStrToDouble(s, end); });
}

}   // namespace app

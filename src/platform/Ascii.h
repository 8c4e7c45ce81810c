#pragma once

// ASCII-only character helpers shared by the settings store, file lookups and
// the NMEA reader. They ignore the locale on purpose: names, keys and
// sentences compare the same on every machine, and bytes above 0x7F are
// never folded.

#include <string>
#include <string_view>

namespace platform {

constexpr char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char AsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The value of a hexadecimal digit of either case, or -1 for any other byte.
constexpr int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Equal but for the case of ASCII letters.
constexpr bool EqualNoCaseAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

// Before, comparing ASCII letters without case and other bytes as unsigned
// values: the same order on every machine.
constexpr bool LessNoCaseAscii(std::string_view a, std::string_view b)
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto y = static_cast<unsigned char>(AsciiLower(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

inline void AsciiUpperInPlace(std::string& s)
{
    for (char& c : s)
        c = AsciiUpper(c);
}

inline void AsciiLowerInPlace(std::string& s)
{
    for (char& c : s)
        c = AsciiLower(c);
}

inline std::string AsciiUpperCopy(std::string_view s)
{
    std::string out(s);
    AsciiUpperInPlace(out);
    return out;
}

inline std::string AsciiLowerCopy(std::string_view s)
{
    std::string out(s);
    AsciiLowerInPlace(out);
    return out;
}

}   // namespace platform

#pragma once
// Builds sentences with a correct checksum for the tests.

#include <cstdio>
#include <string>
#include <string_view>

namespace nmea_test {

inline std::string WithChecksum(std::string_view body)
{
    unsigned sum = 0;
    for (const char c : body)
        sum ^= static_cast<unsigned char>(c);
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", sum);
    return "$" + std::string(body) + "*" + digits;
}

}  // namespace nmea_test

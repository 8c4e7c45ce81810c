#pragma once
// Sentences with a correct checksum, and the lines of the real captures.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

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

inline std::string CaptureDir()
{
    const char* source = std::getenv("BRINE_SOURCE_DIR");
    return std::string(source != nullptr ? source : ".") + "/tests/data/nmea/";
}

// The lines of a file without their line ends; none when it is missing.
inline std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace nmea_test

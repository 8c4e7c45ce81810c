#pragma once
// Runs a program with Debian's Python, the outside reference some tests hold
// their results against (its codecs, datetime and zoneinfo).

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace brine_test {

// What the program wrote to its standard output; nothing when
// /usr/bin/python3 is missing or the program fails.
inline std::optional<std::string> RunPython(const std::string& program)
{
    const std::string python = "/usr/bin/python3";
    if (::access(python.c_str(), X_OK) != 0)
        return std::nullopt;
    const char* base = std::getenv("TMPDIR");
    std::string path = std::string(base && *base ? base : "/tmp") + "/brine-python-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0)
        return std::nullopt;
    const bool written =
        ::write(fd, program.data(), program.size()) == static_cast<ssize_t>(program.size());
    ::close(fd);
    std::optional<std::string> out;
    if (FILE* pipe = written ? ::popen((python + " " + path).c_str(), "r") : nullptr) {
        std::string text;
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            text.append(buffer, n);
        if (::pclose(pipe) == 0)
            out = std::move(text);
    }
    ::unlink(path.c_str());
    return out;
}

// A Python statement that sets `data` to the ASCII text `text`, handed over
// in hex so that no character of it needs quoting.
inline std::string PythonAsciiData(const std::string& text)
{
    static const char* const digits = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : text) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return "data = bytes.fromhex('" + hex + "').decode('ascii')\n";
}

// The lines of a text, without their line ends.
inline std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

}   // namespace brine_test

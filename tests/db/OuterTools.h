#pragma once
// The outside dBASE tools the table tests write fixtures with and read our
// files back through: Debian's python3-dbf and python3-dbfread, Perl's XBase.
// Each runs a script given as text with arguments and gives back its output;
// a failed run ends the output in "<exit N>" so comparisons show it.

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace brine_test {

inline std::string RunScript(const std::string& interpreter, const std::filesystem::path& folder,
                             const std::string& script, const std::string& args)
{
    static int serial = 0;
    const std::filesystem::path file = folder / ("script" + std::to_string(++serial));
    std::ofstream(file) << script;
    std::string out;
    FILE* p = ::popen((interpreter + " " + file.string() + " " + args + " 2>&1").c_str(), "r");
    char buf[4096];
    size_t n;
    while (p && (n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int status = p ? ::pclose(p) : -1;
    std::filesystem::remove(file);
    if (status != 0)
        out += "\n<exit " + std::to_string(status) + ">";
    return out;
}

inline std::string Python(const std::filesystem::path& folder, const std::string& script,
                          const std::string& args)
{
    return RunScript("/usr/bin/python3", folder, script, args);
}

inline std::string Perl(const std::filesystem::path& folder, const std::string& script,
                        const std::string& args)
{
    return RunScript("/usr/bin/perl", folder, script, args);
}

// Every file under `folder` with its bytes, for checking that nothing changed.
inline std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        if (!e.is_regular_file())
            continue;
        std::ifstream in(e.path(), std::ios::binary);
        files[std::filesystem::relative(e.path(), folder).string()] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

}   // namespace brine_test

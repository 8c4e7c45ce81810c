#pragma once
// What the report tests share: one QApplication that reads the shipped report
// definitions, and the output of the outside tools that read the PDFs back.

#include <QApplication>
#include <QTemporaryDir>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace brine_test {

// Made on first use under the program name `name`, with an empty data folder
// so the shipped definitions are read, never a copy in the user's data folder.
// Never destroyed: tearing Qt down among the other statics at exit can crash.
inline QApplication& ReportTestApp(const char* name)
{
    static QTemporaryDir data;
    setenv("XDG_DATA_HOME", data.path().toLocal8Bit().constData(), 1);
    static std::string program = name;
    static int argc = 1;
    static char* argv[] = {program.data(), nullptr};
    static auto* app = new QApplication(argc, argv);
    return *app;
}

// What `command` writes to its standard output; empty when it cannot start.
inline std::string CommandOutput(const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        std::size_t got = 0;
        while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
            out.append(buffer.data(), got);
        pclose(pipe);
    }
    return out;
}

}   // namespace brine_test

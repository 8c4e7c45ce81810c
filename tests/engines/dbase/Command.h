#pragma once
// Runs a command line through the shell and gives back what it wrote to its
// standard output. With `exitCode` the exit status is handed back there (-1
// when the command did not exit normally); without, a failed command's output
// ends in "<exit N>" so a comparison of outputs shows the failure.
#include <sys/wait.h>

#include <cstdio>
#include <string>

inline std::string RunCommand(const std::string& command, int* exitCode = nullptr)
{
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    char buf[4096];
    size_t n;
    while (p && (n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int status = p ? ::pclose(p) : -1;
    if (exitCode)
        *exitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    else if (status != 0)
        out += "\n<exit " + std::to_string(status) + ">";
    return out;
}

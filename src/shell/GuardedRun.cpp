#include "shell/GuardedRun.h"

#include <cstdio>
#include <exception>
#include <stdexcept>

namespace shell {

std::string DescribeEscapedException(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return std::string("The program stopped after an unexpected error: ") + e.what();
    } catch (...) {
        return "The program stopped after an unexpected error of an unknown kind.";
    }
}

int RunGuarded(const std::function<int()>& body,
               const std::function<void(const std::string& message)>& tellUser)
{
    try {
        return body();
    } catch (...) {
        const std::string message = DescribeEscapedException(std::current_exception());
        std::fprintf(stderr, "Brinevane: %s\n", message.c_str());
        std::fflush(stderr);
        if (tellUser) {
            try {
                tellUser(message);
            } catch (...) {
                // The report on standard error stands.
            }
        }
        return kExitUnexpectedError;
    }
}

}   // namespace shell

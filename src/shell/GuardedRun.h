#pragma once
// Runs the program's body so that an exception escaping it is reported, on
// standard error and to the user, and ends the program with a failure code
// instead of an abort without a word.

#include <exception>
#include <functional>
#include <string>

namespace shell {

inline constexpr int kExitUnexpectedError = 3;

// The text shown and logged for an exception that escaped: what it says,
// or that nothing more is known.
std::string DescribeEscapedException(std::exception_ptr error);

// Calls `body` and returns its result. An exception that escapes it is
// written to standard error (one line starting "Brinevane:"), then handed to
// `tellUser` (which may be empty), and kExitUnexpectedError is returned.
int RunGuarded(const std::function<int()>& body,
               const std::function<void(const std::string& message)>& tellUser);

}   // namespace shell

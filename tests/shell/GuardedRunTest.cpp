#include "shell/GuardedRun.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// What reaches main is reported on standard error and to the user, and the
// program ends with its failure code; a normal end passes its code through.
TEST(GuardedRun, EscapedExceptionsAreReportedNotSwallowed)
{
    const struct {
        std::function<int()> body;
        int code;
        std::string said;   // empty: nothing to tell
    } rows[] = {
        {[] { return 5; }, 5, ""},
        {[]() -> int { throw std::runtime_error("chart folder unreadable"); },
         shell::kExitUnexpectedError, "unexpected error: chart folder unreadable"},
        {[]() -> int { throw 42; }, shell::kExitUnexpectedError, "of an unknown kind"},
    };
    for (const auto& row : rows) {
        std::string told;
        testing::internal::CaptureStderr();
        const int code = shell::RunGuarded(row.body, [&](const std::string& m) { told = m; });
        const std::string logged = testing::internal::GetCapturedStderr();
        EXPECT_EQ(code, row.code);
        if (row.said.empty()) {
            EXPECT_TRUE(told.empty() && logged.empty());
            continue;
        }
        EXPECT_NE(told.find(row.said), std::string::npos) << told;
        EXPECT_EQ(logged, "Brinevane: " + told + "\n");
    }
    // A report to the user that fails itself still leaves the log line and the code.
    testing::internal::CaptureStderr();
    EXPECT_EQ(shell::RunGuarded([]() -> int { throw std::logic_error("x"); },
                                [](const std::string&) { throw std::bad_alloc(); }),
              shell::kExitUnexpectedError);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("unexpected error: x"),
              std::string::npos);
}

}   // namespace

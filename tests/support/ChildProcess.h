#pragma once
// Helpers for tests that need a second process: fork a child that runs a
// function and exits with its result, and a pipe to hand over turns without
// sleeping.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace brine_test {

// Runs `body` in a forked child; the child exits with its return value and
// never returns into the test framework.
inline pid_t ForkChild(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    EXPECT_GT(pid, 0) << "fork failed";
    return pid;
}

// The child's exit code, or -signal when it was killed.
inline int WaitChild(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1000;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? -WTERMSIG(status) : -1000;
}

// A one-way signal between processes: Post() writes a byte, Wait() blocks for one.
class Turn {
public:
    Turn() { EXPECT_EQ(::pipe(m_fds), 0); }
    ~Turn()
    {
        ::close(m_fds[0]);
        ::close(m_fds[1]);
    }
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;

    bool Post() { return ::write(m_fds[1], "x", 1) == 1; }
    bool Wait()
    {
        char c;
        ssize_t n;
        while ((n = ::read(m_fds[0], &c, 1)) < 0 && errno == EINTR) { }
        return n == 1;
    }

private:
    int m_fds[2] = {-1, -1};
};

}   // namespace brine_test

// The priority boost: set on the calling thread and passed on to the
// threads it starts, or refused with the system's reason.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "app/FrameSettings.h"

namespace {

int OwnNice()
{
    errno = 0;
    return getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
}

TEST(ThreadPriority, BoostIsSetAndInheritedOrRefusedWithTheReason)
{
    // On a thread of its own, so the test program's threads keep their value.
    std::thread([] {
        const int before = OwnNice();
        const std::string refusal = app::ApplyThreadPriority(2);
        if (refusal.empty()) {
            EXPECT_EQ(OwnNice(), -10);   // allowed here (a privileged run)
            int child = 0;
            std::thread([&child] { child = OwnNice(); }).join();
            EXPECT_EQ(child, -10);
        } else {
            EXPECT_EQ(OwnNice(), before);
            EXPECT_NE(refusal.find("refused the priority boost"), std::string::npos) << refusal;
            EXPECT_NE(refusal.find(std::strerror(EACCES)), std::string::npos) << refusal;
        }
        // Lowering is always allowed, and a worker started after it runs lower too.
        EXPECT_EQ(app::ApplyThreadPriority(-1), "");
        int child = 0;
        std::thread([&child] { child = OwnNice(); }).join();
        EXPECT_EQ(child, 5);
    }).join();
}

TEST(ThreadPriority, AnUnprivilegedBoostIsRefusedWithTheSystemsReason)
{
    if (getuid() != 0)
        GTEST_SKIP() << "the first test sees the refusal itself";
    // A child that gives up its privilege, as the program runs for most users.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        const std::string refusal = app::ApplyThreadPriority(2);
        const bool said = refusal.find(std::strerror(EACCES)) != std::string::npos;
        _exit(said && OwnNice() == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}   // namespace

// What a port that will not open tells the user, and the words a user who
// may not use the device really gets.

#include "nmea/PortErrors.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ChildProcess.h"
#include "PtyPair.h"
#include "TempFolder.h"
#include "nmea/ComPort.h"
#include "nmea/SerialDevice.h"

namespace {

TEST(PortErrors, Wording)
{
    const std::string dev = "/dev/ttyUSB0";
    const struct {
        nmea::CGroupFacts facts;
        const char* text;
    } permission[] = {
        {{"dialout", "navigator", false, false},
         "Permission denied on /dev/ttyUSB0. Only members of the group \"dialout\" may use it. "
         "Join the group "
         "(sudo usermod -aG dialout navigator), then log out and in again."},
        {{"dialout", "navigator", false, true},
         "Permission denied on /dev/ttyUSB0. Only members of the group \"dialout\" may use it. You "
         "were added to "
         "\"dialout\" after logging in: log out and in again."},
        {{"dialout", "navigator", true, true},
         "Permission denied on /dev/ttyUSB0."},   // the group is not the cause
        {{"", "navigator", false, false}, "Permission denied on /dev/ttyUSB0."},
    };
    for (const auto& r : permission)
        EXPECT_EQ(nmea::PermissionDeniedText(dev, r.facts), r.text);
    EXPECT_EQ(nmea::BusyText(dev, nmea::CDeviceHolder{4242, "minicom"}),
              "/dev/ttyUSB0 is in use by another program (minicom, process 4242).");
    EXPECT_EQ(nmea::BusyText(dev, std::nullopt), "/dev/ttyUSB0 is in use by another program.");
    EXPECT_EQ(nmea::DescribeOpenError("/nonexistent/usb-x", ENOENT),
              "/nonexistent/usb-x is not connected.");
    EXPECT_EQ(nmea::DescribeOpenError(dev, ENOTTY), "/dev/ttyUSB0 is not a serial device.");
}

// Open descriptors of this process.
std::size_t OpenDescriptors()
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

TEST(PortErrors, RefusedDevicesLeaveNothingOpen)
{
    brine_test::TempFolder folder;
    const auto file = folder.Path() / "not-a-terminal";
    std::ofstream(file) << "x";
    const struct {
        std::filesystem::path path;
        std::string reason;
    } rows[] = {
        {file, file.string() + " is not a serial device."},   // opens, then the terminal steps fail
        {folder.Path() / "usb-missing",
         (folder.Path() / "usb-missing").string() + " is not connected."},
    };
    for (const auto& r : rows) {
        const std::size_t before = OpenDescriptors();
        int error = 0;
        EXPECT_EQ(nmea::CSerialDevice::Open(r.path.string(), true, error), nullptr);
        EXPECT_EQ(OpenDescriptors(), before)
            << "a failed step must close what it opened: " << r.path;
        EXPECT_EQ(nmea::DescribeOpenError(r.path.string(), error), r.reason);
    }
}

TEST(PortErrors, UnprivilegedUserIsToldWhichGroupToJoin)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can drop to another user for this check";
    brine_test::TempFolder folder;
    ::chmod(folder.Path().c_str(), 0755);
    brine_test::PtyPair pty(folder.Path(), "usb-Locked_Adapter");
    ASSERT_TRUE(pty.Running());
    struct stat info { };
    ASSERT_EQ(::stat(pty.Path().c_str(), &info), 0);
    const group* owner = ::getgrgid(info.st_gid);
    ASSERT_NE(owner, nullptr);
    const std::string expected = "Permission denied on " + pty.Path().string() +
                                 ". Only members of the group \"" + owner->gr_name +
                                 "\" may use it. Join the group (sudo usermod -aG " +
                                 owner->gr_name + " nobody), then log out and in again.";
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t child = brine_test::ForkChild([&] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            return 3;
        nmea::CComPort port(1, pty.Path().string());
        port.Open();
        const std::string reason = port.GetCondition().reason;
        return ::write(pipe[1], reason.data(), reason.size()) == static_cast<ssize_t>(reason.size())
                   ? 0
                   : 4;
    });
    ::close(pipe[1]);
    std::string reason;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        reason.append(buffer, static_cast<std::size_t>(n));
    ::close(pipe[0]);
    ASSERT_EQ(brine_test::WaitChild(child), 0);
    EXPECT_EQ(reason, expected);
}

}   // namespace

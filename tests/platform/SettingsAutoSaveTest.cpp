#include "platform/SettingsAutoSave.h"
#include "platform/SettingsStore.h"

#include "ChildProcess.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <fstream>
#include <thread>

using platform::CSettingsAutoSave;
using platform::CSettingsStore;
using platform::LoadStatus;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A program that changes a setting and is killed three seconds later, with
// no close and no save of its own, leaves the change in the file.
TEST(SettingsAutoSave, ChangeSurvivesAKillThreeSecondsLater)
{
    brine_test::TempFolder dir;
    const fs::path file = dir / "settings.conf";
    brine_test::Turn changed;
    const pid_t child = brine_test::ForkChild([&] {
        CSettingsStore store(file);
        if (store.Load() != LoadStatus::Ok)
            return 1;
        CSettingsAutoSave autoSave(store);
        store.SetString("Default\\Navigator", "Port", "/dev/ttyUSB1");
        changed.Post();
        while (true)
            ::pause();
    });
    ASSERT_TRUE(changed.Wait());
    std::this_thread::sleep_for(3s);
    ::kill(child, SIGKILL);
    ASSERT_EQ(brine_test::WaitChild(child), -SIGKILL);
    CSettingsStore after(file);
    ASSERT_EQ(after.Load(), LoadStatus::Ok) << after.LastError();
    EXPECT_EQ(after.GetString("Default\\Navigator", "Port"), "/dev/ttyUSB1");
}

// Another program holding the file's lock makes load and save give up after
// the bounded wait and say why; the saver tries again and gets the change
// out once the lock is free.
TEST(SettingsAutoSave, LockHeldByAnotherProcessIsWaitedForBoundedlyAndRetried)
{
    brine_test::TempFolder dir;
    const fs::path file = dir / "settings.conf";
    {
        std::ofstream(file) << "[A]\nv=dword:1\n#end\n";
    }
    brine_test::Turn locked, release;
    const pid_t holder = brine_test::ForkChild([&] {
        const int fd = ::open((file.string() + ".lock").c_str(), O_RDWR | O_CREAT, 0600);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0)
            return 1;
        locked.Post();
        release.Wait();
        return 0;   // exiting drops the lock
    });
    ASSERT_TRUE(locked.Wait());

    CSettingsStore store(file);
    store.SetLockTimeout(300ms);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(store.Load(), LoadStatus::Ok);   // reading needs no lock
    EXPECT_EQ(store.GetDword("A", "v"), 1u);
    store.SetDword("A", "v", 2);
    EXPECT_FALSE(store.Save());
    EXPECT_NE(store.LastError().find("locked by another program"), std::string::npos)
        << store.LastError();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    EXPECT_TRUE(store.HasUnsavedChanges());

    std::atomic<int> reports = 0;
    {
        CSettingsAutoSave autoSave(store, {50ms, 200ms}, [&](const std::string&) { ++reports; });
        store.SetDword("A", "w", 3);
        while (reports == 0)
            std::this_thread::sleep_for(10ms);
        release.Post();
        ASSERT_EQ(brine_test::WaitChild(holder), 0);
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (autoSave.SavesDone() == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        EXPECT_EQ(autoSave.SavesDone(), 1);
    }
    const std::string text = ReadBytes(file);
    EXPECT_NE(text.find("v=dword:2"), std::string::npos) << text;
    EXPECT_NE(text.find("w=dword:3"), std::string::npos) << text;
}

// Threads change values while the saver writes them out and another thread
// reads the store's reports (run under ThreadSanitizer in CI): nothing is
// lost and nothing races.
TEST(SettingsAutoSave, ThreadsChangingWhileSavingLoseNothing)
{
    constexpr std::uint32_t kEdits = 400;
    brine_test::TempFolder dir;
    const fs::path file = dir / "settings.conf";
    CSettingsStore store(file);
    std::vector<std::uint32_t> ends;
    {
        CSettingsAutoSave autoSave(store, {1ms, 10ms});
        std::atomic<bool> done = false;
        std::jthread reader([&] {
            while (!done) {
                (void)store.LastError();
                (void)store.SetAsidePath();
                (void)store.HasUnsavedChanges();
                std::this_thread::yield();
            }
        });
        // Each writer goes on until some saves fell among its changes.
        std::uint32_t last[3] = {};
        std::vector<std::jthread> writers;
        for (int w = 0; w < 3; ++w) {
            writers.emplace_back([&, w] {
                const std::string key = "W" + std::to_string(w);
                std::uint32_t i = 0;
                for (; i < kEdits || autoSave.SavesDone() < 3; ++i) {
                    store.SetDword(key, "v" + std::to_string(i % 50), i);
                    if (i % 100 == 0)
                        std::this_thread::sleep_for(1ms);
                }
                last[w] = i - 1;
            });
        }
        writers.clear();
        done = true;
        ends.assign(std::begin(last), std::end(last));
    }   // the saver's last save on the way out
    EXPECT_FALSE(store.HasUnsavedChanges());
    CSettingsStore after(file);
    ASSERT_EQ(after.Load(), LoadStatus::Ok);
    for (int w = 0; w < 3; ++w)
        for (std::uint32_t i = ends[w] - 49; i <= ends[w]; ++i)
            EXPECT_EQ(after.GetDword("W" + std::to_string(w), "v" + std::to_string(i % 50)), i)
                << w;
}

}   // namespace

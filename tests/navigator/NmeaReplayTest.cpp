// The NMEA replay: pacing by characters on a fake clock, a stop in the middle
// of a wait, stale end notices, captures delivered intact, the cost of a run
// at 1x, the runs that end early, and the thread's priority.

#include "navigator/NmeaReplay.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <future>
#include <mutex>
#include <thread>

#include "FakeClock.h"
#include "FileSettingsHome.h"
#include "NavigatorFakes.h"
#include "TempFolder.h"
#include "navigator/NavigatorModule.h"
#include "nmea/NMEAValueIndex.h"

using namespace std::chrono_literals;
using namespace navigator;

namespace {

// Waits move the fake clock to the deadline at once.
class FakePacer final : public CReplayPacer {
public:
    explicit FakePacer(brine_test::FakeClock& clock) : m_clock(clock) { }
    Time Now() const override
    {
        std::lock_guard lock(m_lock);
        return m_clock.Monotonic();
    }
    bool WaitUntil(std::stop_token stop, Time deadline) override
    {
        std::lock_guard lock(m_lock);
        if (deadline > m_clock.Monotonic())
            m_clock.SetMonotonic(deadline);
        ++waits;
        return !stop.stop_requested();
    }
    int waits = 0;

private:
    brine_test::FakeClock& m_clock;
    mutable std::mutex m_lock;
};

class Collect final : public CReplayTarget {
public:
    std::size_t DeliverLine(std::string_view line) override
    {
        std::lock_guard lock(m_lock);
        lines.emplace_back(line);
        return devices;
    }
    std::vector<std::string> Lines()
    {
        std::lock_guard lock(m_lock);
        return lines;
    }
    std::size_t devices = 1;

private:
    std::mutex m_lock;
    std::vector<std::string> lines;
};

struct Finished {
    std::promise<std::uint64_t> promise;
    std::atomic<int> calls{0};
    std::function<void(std::uint64_t)> Callback()
    {
        return [this](std::uint64_t g) {
            if (calls.fetch_add(1) == 0)
                promise.set_value(g);
        };
    }
};

std::filesystem::path WriteFile(const std::filesystem::path& folder, int lines, int length)
{
    const auto path = folder / "replay.nmea";
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < lines; ++i)
        out << std::string(static_cast<std::size_t>(length - 1), 'x') << i % 10 << "\r\n";
    return path;
}

TEST(NmeaReplay, PacedBySixHundredCharactersASecondTimesTheSpeed)
{
    brine_test::TempFolder folder;
    const auto file = WriteFile(folder.Path(), 100, 60);   // 6,000 characters without line ends
    struct Row {
        int speed;
        std::chrono::seconds takes;
    };
    for (const Row r : {Row{1, 10s}, Row{2, 5s}, Row{10, 1s}}) {
        brine_test::FakeClock clock;
        FakePacer pacer(clock);
        Collect target;
        Finished finished;
        CNmeaReplay replay(target, pacer, finished.Callback());
        const auto start = clock.Monotonic();
        const auto generation = replay.Start(file, r.speed);
        ASSERT_TRUE(generation);
        auto done = finished.promise.get_future();
        ASSERT_EQ(done.wait_for(5s), std::future_status::ready);
        EXPECT_EQ(done.get(), *generation);
        EXPECT_EQ(pacer.Now() - start, std::chrono::steady_clock::duration(r.takes)) << r.speed;
        EXPECT_TRUE(replay.OnFinished(*generation));
        EXPECT_FALSE(replay.IsRunning());
        EXPECT_EQ(target.Lines().size(), 100u);
        EXPECT_EQ(target.Lines()[3], std::string(59, 'x') + "3") << "line ends removed";
        EXPECT_EQ(replay.LastEnd(), ReplayEnd::Finished);
    }
}

// A stop while the thread waits out a pacing second returns at once, and no
// end notice follows; a notice of an earlier run cannot end a newer one.
TEST(NmeaReplay, StopInAWaitAndStaleNotices)
{
    brine_test::TempFolder folder;
    const auto file = WriteFile(folder.Path(), 1000, 60);
    platform::CSystemClock clock;
    CClockPacer pacer(clock);
    Collect target;
    Finished finished;
    CNmeaReplay replay(target, pacer, finished.Callback());
    const auto first = replay.Start(file, 1);
    ASSERT_TRUE(first);
    while (target.Lines().size() < 10)
        std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(100ms);   // inside the first second's wait
    const auto t0 = std::chrono::steady_clock::now();
    replay.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 100ms);
    EXPECT_EQ(target.Lines().size(), 10u);
    EXPECT_EQ(finished.calls.load(), 0);

    const auto second = replay.Start(file, 1);
    ASSERT_TRUE(second);
    EXPECT_GT(*second, *first);
    EXPECT_FALSE(replay.OnFinished(*first)) << "a stale notice";
    EXPECT_TRUE(replay.IsRunning());
    replay.Stop();
    EXPECT_EQ(finished.calls.load(), 0);
}

// Every capture, replayed into a GPS parser, stores what the same lines parsed
// directly store (which the capture test holds against gpsd).
TEST(NmeaReplay, CapturesArriveIntact)
{
    for (int n = 1; n <= 8; ++n) {
        const std::string path =
            std::string(BRINE_NMEA_CAPTURES) + "/capture-0" + std::to_string(n) + ".nmea";
        brine_test::FakeClock clock;
        FakePacer pacer(clock);
        nmea::CNMEAGPSParser replayed(clock, 5), direct(clock, 5);
        struct Into final : CReplayTarget {
            nmea::CNMEAGPSParser* parser;
            std::size_t DeliverLine(std::string_view line) override
            {
                parser->ParseLine(line);
                return 1;
            }
        } into;
        into.parser = &replayed;
        Finished finished;
        CNmeaReplay replay(into, pacer, finished.Callback());
        const auto generation = replay.Start(path, 10);
        auto done = finished.promise.get_future();
        ASSERT_EQ(done.wait_for(10s), std::future_status::ready);
        replay.OnFinished(*generation);
        for (const std::string& line : navtest::ReadLines(path))
            direct.ParseLine(line);
        for (int item = 0; item < nmea::kValueCount; ++item) {
            const auto& a = replayed.Value(item);
            const auto& b = direct.Value(item);
            EXPECT_EQ(a.GetDouble(), b.GetDouble()) << path << " item " << item;
            EXPECT_EQ(a.GetString(), b.GetString()) << path << " item " << item;
            EXPECT_EQ(a.GetInt(), b.GetInt()) << path << " item " << item;
        }
        EXPECT_EQ(replayed.FixRecord().Read().latitude, direct.FixRecord().Read().latitude) << path;
        EXPECT_EQ(replay.Progress().share, 1.0);
    }
}

double ProcessCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

TEST(NmeaReplay, OneTimesSpeedCostsUnderOnePercentOfACore)
{
    platform::CSystemClock clock;
    CClockPacer pacer(clock);
    nmea::CNMEAGPSParser parser(clock, 5);
    struct Into final : CReplayTarget {
        nmea::CNMEAGPSParser* parser;
        std::size_t DeliverLine(std::string_view line) override
        {
            parser->ParseLine(line);
            return 1;
        }
    } into;
    into.parser = &parser;
    CNmeaReplay replay(into, pacer, nullptr);
    const double cpu0 = ProcessCpuSeconds();
    replay.Start(std::string(BRINE_NMEA_CAPTURES) + "/capture-01.nmea", 1);
    std::this_thread::sleep_for(3s);
    const double used = ProcessCpuSeconds() - cpu0;
    EXPECT_GT(replay.Progress().linesRead, 50u);
    replay.Stop();
    EXPECT_LT(used, 0.03) << "seconds of CPU in 3 s";
}

// The simulation module: a missing file and a run that reaches no device end
// by themselves and say so; the stale-notice rule holds through the module.
TEST(NmeaReplay, RunsThatEndEarly)
{
    brine_test::FakeClock clock;
    navtest::MemorySettings settings;
    brine_test::TempFolder folder;
    FakePacer pacer(clock);
    Collect target;
    std::promise<std::uint64_t> posted;
    int posts = 0;
    CSimulationModule sim(settings, "Navigator", target, pacer, [&](std::uint64_t g) {
        if (posts++ == 0)
            posted.set_value(g);
    });
    EXPECT_EQ(sim.GetModuleName(), "Navigator\\Simulation");
    sim.SetFilePath(folder.Path() / "missing.nmea");
    ASSERT_TRUE(sim.Start());
    auto f = posted.get_future();
    ASSERT_EQ(f.wait_for(5s), std::future_status::ready);
    const auto g = f.get();
    EXPECT_FALSE(sim.OnFinished(g + 1));
    EXPECT_TRUE(sim.OnFinished(g));
    EXPECT_EQ(sim.StatusText(),
              "NMEA replay file could not be opened: " + (folder.Path() / "missing.nmea").string());

    target.devices = 0;
    sim.SetFilePath(WriteFile(folder.Path(), 20, 30));
    ASSERT_TRUE(sim.Start());
    while (sim.Replay().Progress().linesRead < 20 || sim.Replay().LastEnd() == ReplayEnd::None)
        std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(sim.OnFinished(sim.Replay().Generation()));
    EXPECT_EQ(sim.StatusText(), "NMEA replay reached no device: no port receives NMEA.");

    // The module's one stored value is the replay file.
    brine_test::FileSettingsHome home(folder.Path() / "settings.conf");
    CSimulationModule saved(home, "Navigator", target, pacer, [](std::uint64_t) {});
    saved.SetFilePath(folder.Path() / "voyage.nmea");
    saved.SaveSettings();
    EXPECT_EQ(home.GetStore().ValueNames("W\\Navigator\\Simulation"),
              std::vector<std::string>{"FilePath"});
}

// The NMEA page's OK: the replay restarts only when the tick differs from its
// run flag or the name from its file (either case the same name); a run that
// ended by itself is started again by a page still ticked.
TEST(NmeaReplay, ThePageRestartsTheReplayOnlyForAChange)
{
    brine_test::FakeClock clock;
    navtest::MemorySettings settings;
    brine_test::TempFolder folder;
    FakePacer pacer(clock);
    Collect target;
    CSimulationModule sim(settings, "Navigator", target, pacer, [](std::uint64_t) {});
    const auto first = WriteFile(folder.Path(), 5, 30);
    const auto second = folder.Path() / "second.nmea";
    std::filesystem::copy_file(first, second);

    sim.Apply(true, first, 1);
    EXPECT_TRUE(sim.IsRunning());
    EXPECT_EQ(sim.Replay().Generation(), 1U);
    auto upper = first.filename().string();
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    sim.Apply(true, first.parent_path() / upper, 1);
    EXPECT_EQ(sim.Replay().Generation(), 1U) << "the same name restarted the replay";
    sim.Apply(true, second, 1);
    EXPECT_EQ(sim.Replay().Generation(), 2U);
    EXPECT_EQ(sim.FilePath(), second);

    while (sim.Replay().LastEnd() == ReplayEnd::None)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(sim.OnFinished(2));
    EXPECT_FALSE(sim.IsRunning());
    sim.Apply(true, second, 1);
    EXPECT_TRUE(sim.IsRunning()) << "a ticked page left an ended replay idle";
    EXPECT_EQ(sim.Replay().Generation(), 3U);
    sim.Apply(false, second, 1);
    EXPECT_FALSE(sim.IsRunning());
    EXPECT_EQ(sim.Replay().Generation(), 3U);
}

// The replay thread runs a step (five nice levels) below the thread that
// starts it: from a thread at the test's own priority, and from one already
// a step down. Each start is on a thread of its own, so the test program keeps its value.
TEST(NmeaReplay, TheThreadRunsAStepBelowItsStarter)
{
    brine_test::TempFolder folder;
    const auto file = WriteFile(folder.Path(), 3, 20);
    class NiceOfDelivery final : public CReplayTarget {
    public:
        std::size_t DeliverLine(std::string_view) override
        {
            errno = 0;
            nice.store(getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid))));
            return 1;
        }
        std::atomic<int> nice{-100};
    };
    errno = 0;
    const int base = getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
    ASSERT_LE(base, 9) << "the test runs too low to see two steps below it";
    for (const int starter : {base, base + 5}) {
        int starterNice = -100, replayNice = -100;
        std::thread([&] {
            const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
            ASSERT_EQ(setpriority(PRIO_PROCESS, tid, starter), 0);
            starterNice = getpriority(PRIO_PROCESS, tid);
            brine_test::FakeClock clock;
            FakePacer pacer(clock);
            NiceOfDelivery target;
            Finished finished;
            CNmeaReplay replay(target, pacer, finished.Callback());
            const auto generation = replay.Start(file, 10);
            ASSERT_TRUE(generation);
            ASSERT_EQ(finished.promise.get_future().wait_for(5s), std::future_status::ready);
            replay.OnFinished(*generation);
            replayNice = target.nice.load();
        }).join();
        EXPECT_EQ(starterNice, starter);
        EXPECT_EQ(replayNice, starter + 5) << "started from nice " << starter;
    }
}

}   // namespace

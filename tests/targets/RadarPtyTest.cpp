// The ARPA device on a real serial line: radar-sim writes into one end of a
// socat pty pair, the module's port reads the other. 60 targets at 1 Hz, then
// a flood, while this (the user-interface) thread removes, resets, applies
// options and draws the targets after every pass, as the chart view does;
// stopping joins at once, and an idle ARPA costs nothing.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "../chart/overlays/OverlayTestSupport.h"
#include "ARPARig.h"
#include "FakeClock.h"
#include "PtyPair.h"
#include "TempFolder.h"
#include "nmea/ComPort.h"
#include "platform/SettingsStore.h"
#include "targets/ARPAModule.h"
#include "targets/ARPATargetLayer.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

struct Home : app::CSettingsHome {
    brine_test::TempFolder dir;
    mutable platform::CSettingsStore store{dir.Path() / "settings.conf"};
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return "Software\\Quorwick\\Brinevane\\Default"; }
};

class OnePort : public nmea::CPortDirectory {
public:
    explicit OnePort(nmea::CPort& port) : m_port(port) { }
    nmea::CPort* FindPort(std::uint8_t number) const override
    {
        return number == m_port.GetNumber() ? &m_port : nullptr;
    }
    std::uint8_t GetFirstPortNumber() const override { return m_port.GetNumber(); }

private:
    nmea::CPort& m_port;
};

// radar-sim writing into `out` until stopped.
class Simulator {
public:
    Simulator(const std::string& out, const std::vector<std::string>& extra)
    {
        const char* source = std::getenv("BRINE_SOURCE_DIR");
        std::vector<std::string> args{
            "/usr/bin/python3", std::string(source ? source : ".") + "/tools/radar-sim/radar-sim",
            "--out", out};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            m_pid = 0;
    }
    ~Simulator()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
    }
    bool Running() const { return m_pid > 0; }

private:
    pid_t m_pid = 0;
};

double ProcessCpuSeconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct PtyTest : ::testing::Test {
    brine_test::TempFolder folder;
    brine_test::PtyPair pty{folder.Path(), "usb-Radar_ARPA-if00"};
    nmea::CComPort port{1, pty.Path().string()};
    OnePort ports{port};
    Home home;
    platform::CSystemClock clock;
    targets::CARPAModule module{home, ports, clock, nullptr};
    targets::CNavigationState nav;
    // The harbour round the own ship, as far as the simulator's targets go.
    overlay_test::Chart chart{geo::CPosition(47.70, -122.55), geo::CPosition(47.50, -122.25)};
    overlay_test::Recorder recorder;
    targets::CARPATargetLayer layer{module};

    PtyTest()
    {
        module.Initialise();
        nav.own.position = targets::CTargetPosition{47.60, -122.40};
        nav.own.heading = 0.0;
        nav.own.courseOverGround = 0.0;
        nav.own.speedOverGround = 8.0;
        module.SetNavigation([this] {
            nav.utc = clock.UtcNow();
            return nav;
        });
        module.Config().receivePort = 1;
    }
    ~PtyTest() override { module.Terminate(); }

    // What the view does after a pass, while the worker goes on writing
    // records: every target is drawn where its fix puts it, and each fix is
    // one whole report (range and bearing of one line, read under the target
    // lock), so it lies among the simulator's targets: they start within 5 nm
    // and close at 28 kn at most, over a simulated second per 60 lines or more
    // (parsed or lost to a full queue in the flood).
    void Draw()
    {
        recorder.Clear();
        layer.Draw(*chart.doc, recorder.dc);
        const auto& device = module.Device();
        const auto lines =
            device.ParsedLines() + device.LostToFullQueue() + device.LostToBusyLock();
        const double reachNm = 5.1 + 28.0 * (static_cast<double>(lines) / 60.0 + 1.0) / 3600.0;
        for (const auto& t : module.Targets()) {
            if (!t.fix)
                continue;
            const double north = (t.fix->position.latitude - 47.60) * 60.0;
            const double east = (t.fix->position.longitude + 122.40) * 60.0 * std::cos(0.8308);
            ASSERT_LT(std::hypot(north, east), reachNm) << "target " << t.record->Number();
        }
        if (!module.Targets().empty())
            ASSERT_FALSE(recorder.Records().empty());
    }

    // Passes until `done` holds or `limit` runs out.
    template <class F>
    bool PassUntil(F done, std::chrono::milliseconds limit)
    {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < until) {
            module.TimerPass();
            Draw();
            if (done())
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }
};

TEST_F(PtyTest, SixtyTargetsArriveWhileTheWindowSideRemovesResetsAndApplies)
{
    ASSERT_TRUE(pty.Running());
    ASSERT_EQ(module.OnActivate(), "");
    Simulator sim(pty.PeerPath().string(), {"--targets", "60", "--rate", "1", "--seed", "3"});
    ASSERT_TRUE(sim.Running());
    // A tick's lines come spread over the second: labels and the cursor last.
    const auto labelled = [&] {
        return module.Targets().size() == 60 && module.Cursor().has_value() &&
               !module.Targets()[0].record->Label().empty();
    };
    ASSERT_TRUE(PassUntil(labelled, 20s))
        << module.Targets().size() << " targets, " << module.Device().ParsedLines() << " lines, "
        << module.Device().LostToFullQueue() << " lost to a full queue";
    for (const auto& t : module.Targets())
        EXPECT_TRUE(t.fix.has_value()) << t.record->Number();
    const auto& first = *module.Targets()[0].record;
    EXPECT_EQ(first.Label(), (first.Number() < 10 ? "L0" : "L") + std::to_string(first.Number()));
    EXPECT_TRUE(module.Cursor().has_value());

    // The window side at work while lines keep coming.
    module.RemoveTarget(*module.Targets()[10].record);
    auto options = module.GetOptions();
    options.pass.maxTargets = 3;
    options.refreshSeconds = 7;
    EXPECT_EQ(module.ApplyOptions(options), "");
    module.ResetTargets();
    EXPECT_TRUE(module.Targets().empty());
    // Every number reports again and comes back as a new target.
    ASSERT_TRUE(PassUntil([&] { return module.Targets().size() == 60; }, 20s))
        << module.Targets().size() << " targets, " << module.Device().LostToFullQueue()
        << " lines lost to a full queue";
    int shown = 0;
    for (const auto& t : module.Targets())
        shown += module.IsShown(t) ? 1 : 0;
    EXPECT_EQ(shown, 3);
}

TEST_F(PtyTest, AFloodIsTakenWholeAndStoppingJoinsAtOnce)
{
    ASSERT_EQ(module.OnActivate(), "");
    {
        Simulator sim(pty.PeerPath().string(), {"--targets", "60", "--flood", "--seed", "5"});
        ASSERT_TRUE(PassUntil([&] { return module.Device().ParsedLines() > 20000; }, 20s))
            << module.Device().ParsedLines();
        EXPECT_EQ(module.Targets().size(), 60u);
        const auto start = std::chrono::steady_clock::now();
        module.OnActivate();   // off while the flood still runs
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
        EXPECT_FALSE(module.Device().IsReceiveOpen());
    }
    // On again with nothing coming in: the worker sleeps on its queue.
    ASSERT_EQ(module.OnActivate(), "");
    const double before = ProcessCpuSeconds();
    std::this_thread::sleep_for(2s);
    const double used = ProcessCpuSeconds() - before;
    EXPECT_LT(used, 0.02) << used << " s of CPU in 2 s";
}

// A port whose adapter is not plugged in opens but cannot connect: ARPA stays
// off with the port's reason on the bar, and comes on once the adapter is there.
TEST(PtyPort, AMissingAdapterLeavesArpaOffWithTheReasonUntilItIsThere)
{
    brine_test::TempFolder folder;
    const auto link = folder.Path() / "usb-Radar_ARPA-if00";
    nmea::CComPort port{3, link.string()};
    OnePort ports{port};
    Home home;
    platform::CSystemClock clock;
    brine_test::SilentSound sound;
    app::CMsgBar bar{clock, sound, "."};
    targets::CARPAModule module{home, ports, clock, &bar};
    module.Initialise();
    module.Config().receivePort = 3;
    const std::string failure = module.OnActivate();
    EXPECT_FALSE(module.IsOn());
    EXPECT_FALSE(module.Device().IsReceiveOpen());
    EXPECT_NE(failure.find("COM3"), std::string::npos) << failure;
    EXPECT_NE(failure.find(link.string()), std::string::npos) << failure;   // the port's reason
    ASSERT_NE(module.PortFailureMessage(), nullptr);
    EXPECT_TRUE(bar.IsMessageActive(module.PortFailureMessage()));

    brine_test::PtyPair adapter{folder.Path(), "usb-Radar_ARPA-if00"};
    ASSERT_TRUE(adapter.Running());
    EXPECT_EQ(module.OnActivate(), "");
    EXPECT_TRUE(module.IsOn());
    module.Terminate();
}

}   // namespace

namespace {

// A TTM for target `number` padded through its name to `length` characters
// from the '$' to the checksum's last digit.
std::string TtmOfLength(int number, std::size_t length)
{
    auto compose = [&](const std::string& name) {
        const std::string body = "RATTM," + std::to_string(number) +
                                 ",1.50,045.0,T,10.0,090.0,T,0.5,10.0,N," + name + ",T,,,A";
        unsigned sum = 0;
        for (char c : body)
            sum ^= static_cast<unsigned char>(c);
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", sum);
        return "$" + body + "*" + hex;
    };
    std::string name = "T";
    while (compose(name).size() < length)
        name += 'X';
    return compose(name);
}

}   // namespace

// The ARPA device takes a line of up to 82 characters with its line end (80
// from the '$' to the checksum), and only a sentence its filter lets through.
TEST_F(PtyTest, OnlyShortEnoughSentencesTheFilterAllowsAreTaken)
{
    ASSERT_TRUE(pty.Running());
    module.Config().SetSentenceEnabled("TLL", false);
    ASSERT_EQ(module.OnActivate(), "");
    const std::string tll = "RATLL,24,4736.000,N,12224.000,W,TLL24,120000.00,T,";
    unsigned sum = 0;
    for (char c : tll)
        sum ^= static_cast<unsigned char>(c);
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", sum);
    ASSERT_EQ(TtmOfLength(21, 80).size(), 80u);
    ASSERT_EQ(TtmOfLength(22, 81).size(), 81u);
    ASSERT_TRUE(pty.Send(TtmOfLength(21, 80) + "\r\n" + TtmOfLength(22, 81) + "\r\n" + "$" + tll +
                         "*" + hex + "\r\n" + TtmOfLength(25, 60) + "\r\n"));
    auto has = [&](int number) {
        for (const auto& t : module.Targets())
            if (t.record->Number() == number)
                return true;
        return false;
    };
    ASSERT_TRUE(PassUntil([&] { return has(21) && has(25); }, 10s)) << module.Targets().size();
    EXPECT_FALSE(has(22));
    EXPECT_FALSE(has(24));
    EXPECT_EQ(module.Device().ParsedLines(), 2u);
}

// The Network options page's model, and two stations on one computer set up through it: each
// module listens on its own loopback address, they find each other in one server folder and
// exchange messages; an OK that changes nothing keeps the connections, and View > Refresh
// starts a station's messaging again.

#include "nmea/NetworkOptions.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/MsgBar.h"
#include "app/Registry.h"
#include "app/WorkspaceManager.h"
#include "nmea/InstrumentsModule.h"
#include "nmea/StationRecord.h"
#include "platform/SettingsStore.h"

using namespace std::chrono_literals;

namespace {

TEST(NetworkOptions, FolderAddressAndPortAreCheckedBeforeAnythingApplies)
{
    int applied = 0;
    const auto isLocal = [](const nmea::Ipv4& a) {
        return a[0] == 127 || a == nmea::Ipv4{10, 0, 0, 5};
    };
    nmea::CNetworkOptions start;
    start.folder = "/srv/stations";
    nmea::CNetworkOptionsModel model(
        start, isLocal,
        [&](const std::string&, std::optional<nmea::Ipv4>, std::uint16_t) { ++applied; });
    struct Case {
        std::string folder;
        std::string address;
        long long port;
        std::string refusedField;   // empty: accepted
    };
    const Case cases[] = {
        {"/srv/stations", "", 1024, ""},
        {"/srv/stations", "", 65535, ""},
        {"/srv/stations", "127.0.0.2", 5000, ""},
        {"/srv/stations", " 10.0.0.5 ", 5000, ""},
        {"/srv/stations", "", 1023, "port"},
        {"/srv/stations", "", 65536, "port"},
        {"/srv/stations", "", 0, "port"},
        {"  ", "", 5000, "folder"},
        {"/srv/stations", "10.0.0.6", 5000, "address"},   // not this computer's
        {"/srv/stations", "127.0.0", 5000, "address"},
        {"/srv/stations", "127.0.0.256", 5000, "address"},
        {"/srv/stations", "host.example", 5000, "address"},
        {"/srv/stations", "0.0.0.0", 5000, "address"},
    };
    for (const Case& c : cases) {
        model.Values().folder = c.folder;
        model.Values().address = c.address;
        model.Values().tcpPort = c.port;
        const auto errors = model.Validate();
        if (c.refusedField.empty()) {
            EXPECT_TRUE(errors.empty()) << c.address << " " << c.port << ": " << errors[0].message;
        } else {
            ASSERT_EQ(errors.size(), 1u) << c.folder << "|" << c.address << "|" << c.port;
            EXPECT_EQ(errors[0].field, c.refusedField);
        }
    }
    model.Values().tcpPort = 1023;
    model.Values().address = "";
    app::COptionSheetModel sheet;
    sheet.AddPage(model);
    const auto refusal = sheet.Ok();
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->error.message, "TCP ports run from 1024 to 65535");
    EXPECT_EQ(applied, 0);
}

struct Home : app::CSettingsHome {
    brine_test::TempFolder dir;
    mutable platform::CSettingsStore store{dir.Path() / "settings.conf"};
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override
    {
        return app::CWorkspaceManager::DefaultRoot() + "\\Default";
    }
};

// A port no station here listens on, below the range the system hands out for outgoing
// connections, so no other test's connection takes it before a station listens.
std::uint16_t FreePort()
{
    static unsigned next = static_cast<unsigned>(::getpid()) * 7919u;
    for (int attempt = 0; attempt < 200; ++attempt) {
        const auto port = static_cast<std::uint16_t>(20000 + (next += 104729u) % 10000);
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(port);
        const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
        ::close(fd);
        if (free)
            return port;
    }
    return 0;
}

// One station as the program makes it: the instruments module, its settings loaded, then its
// Network page applied with the given address.
struct Station {
    Home home;
    platform::CSystemClock clock;
    brine_test::ScriptedPrompt prompt;
    std::unique_ptr<nmea::CInstrumentsModule> module;
    std::vector<nmea::CStationMessage> received;

    explicit Station(const std::filesystem::path& programFolder,
                     std::chrono::milliseconds peerFileTimeout = 15s)
    {
        nmea::CInstrumentsOptions options;
        options.programFolder = programFolder;
        options.peerFileTimeout = peerFileTimeout;
        options.scan.byIdFolder = home.dir.Path() / "no-devices";   // no serial ports
        options.scan.devFolder = home.dir.Path() / "no-devices";
        module = std::make_unique<nmea::CInstrumentsModule>(home, clock, prompt, options);
        module->SetStationMessageHandler(
            [this](const nmea::CStationMessage& m) { received.push_back(m); });
    }

    bool ApplyPage(const std::string& folder, const std::string& address, std::uint16_t port)
    {
        nmea::CNetworkOptions v;
        v.folder = module->Messaging().GetSharedFolder();
        v.tcpPort = module->Messaging().GetTcpPort();
        nmea::CNetworkOptionsModel page(
            v, nmea::IsLocalIpv4,
            [this](const std::string& f, std::optional<nmea::Ipv4> a, std::uint16_t p) {
                module->ApplyNetworkOptions(f, a, p);
            });
        page.Values().folder = folder;
        page.Values().address = address;
        page.Values().tcpPort = port;
        app::COptionSheetModel sheet;
        sheet.AddPage(page);
        return !sheet.Ok().has_value();
    }
};

int ListenOn(const nmea::Ipv4& address, std::uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    std::memcpy(&sa.sin_addr.s_addr, address.data(), 4);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 5) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A station that joins is connected back without a join: one would make it drop its connection
// as if this station had restarted and join again, and the two would go round for ever.
TEST(Stations, AJoiningStationIsConnectedBackWithoutAJoin)
{
    brine_test::TempFolder folder;
    const std::uint16_t port = FreePort();
    nmea::CStationOptions options;
    options.ownAddress = nmea::Ipv4{127, 0, 0, 2};
    options.applicationFolder = folder.Path();
    nmea::CNetworkMessaging station(options);
    station.SetTcpPort(port);
    ASSERT_TRUE(station.Start());

    // The newcomer at 127.0.0.4: its listener, then its join sent to the station.
    const nmea::Ipv4 newcomer{127, 0, 0, 4};
    const int listener = ListenOn(newcomer, port);
    ASSERT_GE(listener, 0);
    const int out = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in from{}, to{};
    from.sin_family = to.sin_family = AF_INET;
    std::memcpy(&from.sin_addr.s_addr, newcomer.data(), 4);
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(0x7f000002);
    ::bind(out, reinterpret_cast<sockaddr*>(&from), sizeof from);
    ASSERT_EQ(::connect(out, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    const std::string join = nmea::EncodeStationRecord(
        nmea::kStationJoin, std::string(newcomer.begin(), newcomer.end()));
    ASSERT_EQ(::send(out, join.data(), join.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(join.size()));

    // The station connects back...
    pollfd waiting{listener, POLLIN, 0};
    ASSERT_EQ(::poll(&waiting, 1, 3000), 1) << "no connection back";
    const int back = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(back, 0);
    // ...and says nothing on it unprompted.
    pollfd said{back, POLLIN, 0};
    EXPECT_EQ(::poll(&said, 1, 500), 0) << "the connection back carried a record";
    ::close(back);
    ::close(out);
    ::close(listener);
    station.Stop();
}

TEST(NetworkOptions, TwoStationsOnOneComputerExchangeMessages)
{
    brine_test::TempFolder shared, programA, programB;
    const std::uint16_t port = FreePort();
    ASSERT_NE(port, 0);
    Station a(programA.Path()), b(programB.Path());
    for (Station* s : {&a, &b}) {
        ASSERT_TRUE(s->module->Initialise());
        s->module->LoadSettings();
    }
    ASSERT_TRUE(a.ApplyPage(shared.Path().string(), "127.0.0.2", port));
    ASSERT_TRUE(b.ApplyPage(shared.Path().string(), "127.0.0.3", port));
    EXPECT_EQ(a.module->Messaging().OwnAddress(), (nmea::Ipv4{127, 0, 0, 2}));

    // What the page stored is what a restart reads.
    EXPECT_EQ(b.home.store.GetString(app::CWorkspaceManager::DefaultRoot() +
                                         "\\Default\\WorkSpace\\Network",
                                     "IPAddress"),
              "127.0.0.3");

    const auto connected = [](Station& s) {
        const auto c = s.module->Messaging().Counts();
        return c.sending == 1 && c.receiving == 1;
    };
    const auto passUntil = [&](auto condition) {
        for (int i = 0; i < 100; ++i) {
            a.module->OnTimer(app::TimerCadence::EveryPass);
            b.module->OnTimer(app::TimerCadence::EveryPass);
            if (condition())
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    };
    ASSERT_TRUE(passUntil([&] { return connected(a) && connected(b); }));

    ASSERT_TRUE(a.module->Messaging().PostMessage(nmea::kStationLogRow, std::string("row 1\0", 6)));
    ASSERT_TRUE(b.module->Messaging().PostMessage(nmea::kStationTrackPoint, "fix"));
    ASSERT_TRUE(passUntil([&] { return !a.received.empty() && !b.received.empty(); }));
    EXPECT_EQ(b.received[0].type, nmea::kStationLogRow);
    EXPECT_EQ(b.received[0].payload, std::string("row 1\0", 6));
    EXPECT_EQ(a.received[0].type, nmea::kStationTrackPoint);

    // OK with nothing changed: no leave and join, the connections stay as they are.
    EXPECT_FALSE(
        a.module->ApplyNetworkOptions(shared.Path().string(), nmea::Ipv4{127, 0, 0, 2}, port));
    EXPECT_TRUE(connected(a));
    EXPECT_TRUE(a.module->Messaging().PostMessage(nmea::kStationLogRow, "again"));
    ASSERT_TRUE(passUntil([&] { return b.received.size() == 2; }));

    // View > Refresh: messaging that stalled (here stopped outright) starts again, b
    // connects back and messages flow as before.
    a.module->Messaging().Stop();
    ASSERT_FALSE(a.module->Messaging().IsStarted());
    a.module->OnRefresh();
    EXPECT_TRUE(a.module->Messaging().IsStarted());
    ASSERT_TRUE(passUntil([&] { return connected(a) && connected(b); }));
    EXPECT_TRUE(a.module->Messaging().PostMessage(nmea::kStationLogRow, "after refresh"));
    ASSERT_TRUE(passUntil([&] { return b.received.size() == 3; }));
    EXPECT_EQ(b.received[2].payload, "after refresh");

    // The port on its own changed: the station leaves and joins again there, where b is not.
    const std::uint16_t other = FreePort();
    EXPECT_TRUE(
        a.module->ApplyNetworkOptions(shared.Path().string(), nmea::Ipv4{127, 0, 0, 2}, other));
    EXPECT_EQ(a.module->Messaging().GetTcpPort(), other);
    a.module->Terminate();
    b.module->Terminate();
}

class Silent : public app::CAlertSound {
public:
    bool Play(const std::filesystem::path&) override { return true; }
    void Beep() override { }
};

bool BarShows(const app::CMsgBar& bar, const std::string& prefix)
{
    for (const auto& message : bar.Messages())
        if (message->activeCount > 0 && message->text.rfind(prefix, 0) == 0)
            return true;
    return false;
}

int LinesShowing(const app::CMsgBar& bar, const std::string& text)
{
    int lines = 0;
    for (const auto& message : bar.Messages())
        if (message->activeCount > 0 && message->text == text)
            ++lines;
    return lines;
}

// The user mends a taken port on the Network page: the error about it goes from the message
// bar once the station listens on the new one.
TEST(NetworkOptions, AMendedPortTakesItsErrorOffTheMessageBar)
{
    brine_test::TempFolder shared, program;
    const std::uint16_t taken = FreePort();
    ASSERT_NE(taken, 0);
    const int other = ListenOn(nmea::Ipv4{127, 0, 0, 2}, taken);
    ASSERT_GE(other, 0);
    Station a(program.Path());
    Silent sound;
    app::CMsgBar bar(a.clock, sound, program.Path());
    a.module->SetMessageBar(&bar);
    ASSERT_TRUE(a.module->Initialise());
    a.module->LoadSettings();

    const std::string error = "Station messaging cannot listen on TCP port " +
                              std::to_string(taken) + ": Address already in use.";
    ASSERT_TRUE(a.ApplyPage(shared.Path().string(), "127.0.0.2", taken));
    a.module->OnTimer(app::TimerCadence::EveryPass);
    EXPECT_FALSE(a.module->Messaging().IsStarted());
    EXPECT_TRUE(BarShows(bar, error));
    // Tried again on the same taken port (View > Refresh, a workspace opened): still one line.
    a.module->OnRefresh();
    a.module->OnTimer(app::TimerCadence::EveryPass);
    a.module->OnRefresh();
    a.module->OnTimer(app::TimerCadence::EveryPass);
    EXPECT_FALSE(a.module->Messaging().IsStarted());
    EXPECT_EQ(LinesShowing(bar, error), 1);
    // Cleared by the user, it comes back on the next failed try, still as one line.
    for (const auto& message : bar.Messages())
        if (message->text == error)
            bar.ClearMessage(message.get());
    EXPECT_EQ(LinesShowing(bar, error), 0);
    a.module->OnRefresh();
    a.module->OnTimer(app::TimerCadence::EveryPass);
    EXPECT_EQ(LinesShowing(bar, error), 1);

    const std::uint16_t free = FreePort();
    ASSERT_TRUE(a.ApplyPage(shared.Path().string(), "127.0.0.2", free));
    a.module->OnTimer(app::TimerCadence::EveryPass);
    EXPECT_TRUE(a.module->Messaging().IsStarted());
    EXPECT_FALSE(BarShows(bar, "Station messaging cannot listen"));
    a.module->Terminate();
    ::close(other);
}

// Moving to another server folder while another station holds the old station list: the move
// goes ahead, and the user hears that the old list still names this station.
TEST(NetworkOptions, AStationListLockedAtTheLeaveIsReported)
{
    brine_test::TempFolder shared, moved, program;
    Station a(program.Path(), 300ms);
    Silent sound;
    app::CMsgBar bar(a.clock, sound, program.Path());
    a.module->SetMessageBar(&bar);
    ASSERT_TRUE(a.module->Initialise());
    a.module->LoadSettings();
    const std::uint16_t port = FreePort();
    ASSERT_TRUE(a.ApplyPage(shared.Path().string(), "127.0.0.2", port));
    const auto list = shared.Path() / std::string(nmea::kPeerFileName);
    for (int i = 0; i < 500 && !a.module->Messaging().Counts().joined; ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(std::filesystem::file_size(list), 16u);

    const int held = ::open(list.c_str(), O_RDWR | O_CLOEXEC);
    flock whole{};
    whole.l_type = F_WRLCK;
    ASSERT_EQ(::fcntl(held, F_OFD_SETLK, &whole), 0);
    ASSERT_TRUE(a.ApplyPage(moved.Path().string(), "127.0.0.2", port));
    ::close(held);
    a.module->OnTimer(app::TimerCadence::EveryPass);
    EXPECT_TRUE(a.module->Messaging().IsStarted());
    EXPECT_TRUE(
        BarShows(bar, "The station list " + list.string() + " stayed locked by another station."));
    EXPECT_EQ(std::filesystem::file_size(list), 16u) << "still naming this station";
    a.module->Terminate();
}

}   // namespace

// The workspace steps: station messaging leaves before a workspace's windows close and joins
// again once they are restored, with the values the workspace's settings gave it. Loading the
// settings only reads those values: it neither joins (at start the disclaimer comes first) nor
// leaves and joins again.
TEST(NetworkOptions, TheWorkspaceStepsStopAndStartStationMessaging)
{
    brine_test::TempFolder shared, program;
    const std::uint16_t port = FreePort();
    ASSERT_NE(port, 0);
    Station a(program.Path());
    ASSERT_TRUE(a.module->Initialise());
    {
        app::CRegistry key(a.home.store);
        ASSERT_TRUE(key.OpenKeyForWrite(a.home.GetRegistryKey() + "\\WorkSpace\\Network"));
        key.WriteString("FileFolder", shared.Path().string());
        key.WriteDWord("TCPPort", port);
        key.WriteString("IPAddress", "127.0.0.2");
    }
    a.module->LoadSettings();
    EXPECT_FALSE(a.module->Messaging().IsStarted()) << "joined by the settings load";
    EXPECT_EQ(a.module->Messaging().GetTcpPort(), port);
    EXPECT_TRUE(a.module->StartStationMessaging());
    EXPECT_TRUE(a.module->Messaging().IsStarted());
    EXPECT_EQ(a.module->Messaging().OwnAddress(), (nmea::Ipv4{127, 0, 0, 2}));
    EXPECT_FALSE(a.module->StartStationMessaging()) << "already joined";
    // A settings load while joined stays joined.
    a.module->LoadSettings();
    EXPECT_TRUE(a.module->Messaging().IsStarted());
    a.module->StopStationMessaging();
    EXPECT_FALSE(a.module->Messaging().IsStarted());
    EXPECT_TRUE(a.module->StartStationMessaging());
    EXPECT_TRUE(a.module->Messaging().IsStarted());
    a.module->Terminate();
}

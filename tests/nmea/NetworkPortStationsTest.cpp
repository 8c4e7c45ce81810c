// The Network port between two stations, each an instruments module as the
// frame makes it, on 127.0.0.2 and 127.0.0.3 sharing one folder: a sentence a
// device sends on one station's Network port reaches the other's receive
// device once and whole, as a peer reads it (pynmea2 with its checksum check),
// and never comes back to the station that sent it.

#include "nmea/InstrumentsModule.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "PythonScript.h"
#include "RecordingDevice.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/WorkspaceManager.h"
#include "nmea/NetworkMessaging.h"
#include "platform/SettingsStore.h"

using namespace std::chrono_literals;

namespace {

struct Home : app::CSettingsHome {
    brine_test::TempFolder dir;
    mutable platform::CSettingsStore store{dir.Path() / "settings.conf"};
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override
    {
        return app::CWorkspaceManager::DefaultRoot() + "\\Default";
    }
};

// A TCP port both test addresses can listen on now.
std::uint16_t FreeStationPort()
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        const auto port = static_cast<std::uint16_t>(
            12000 + (static_cast<unsigned>(::getpid()) * 7919u + attempt * 104729u) % 18000);
        bool free = true;
        for (std::uint32_t host : {2u, 3u}) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in where{};
            where.sin_family = AF_INET;
            where.sin_port = htons(port);
            where.sin_addr.s_addr = htonl(0x7F000000u + host);
            free = free && ::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0;
            ::close(fd);
        }
        if (free)
            return port;
    }
    return 0;
}

struct Station {
    Station(const std::filesystem::path& shared, const char* address, std::uint16_t port)
        : module(home, clock, prompt, Options())
    {
        ok = module.Initialise() &&
             module.ApplyNetworkOptions(shared.string(), nmea::ParseIpv4(address), port);
    }
    nmea::CInstrumentsOptions Options() const
    {
        nmea::CInstrumentsOptions options;
        options.programFolder = home.dir.Path();
        return options;
    }
    Home home;
    platform::CSystemClock clock;
    brine_test::ScriptedPrompt prompt;
    nmea::CInstrumentsModule module;
    bool ok = false;
};

TEST(NetworkPortStations, ASentenceRelayedArrivesOnceAndWhole)
{
    const std::uint16_t port = FreeStationPort();
    ASSERT_NE(port, 0);
    brine_test::TempFolder shared;
    Station a(shared.Path(), "127.0.0.2", port), b(shared.Path(), "127.0.0.3", port);
    ASSERT_TRUE(a.ok && b.ok);
    // The frame's timer pass on both stations: what waits goes out, what came is handed out.
    const auto passes = [&](auto done, std::chrono::milliseconds limit) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < until) {
            a.module.OnTimer(app::TimerCadence::EveryPass);
            b.module.OnTimer(app::TimerCadence::EveryPass);
            if (done())
                return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    };
    ASSERT_TRUE(passes(
        [&] {
            return a.module.Messaging().Counts().sending >= 1 &&
                   b.module.Messaging().Counts().sending >= 1;
        },
        10s))
        << "the stations never met";

    const std::uint8_t network = nmea::CPort::kNetworkPort;
    brine_test::RecordingDevice sender(a.module.Ports(), network, network, "Sender");
    brine_test::RecordingDevice listener(b.module.Ports(), network, 0, "Listener");
    brine_test::RecordingDevice second(b.module.Ports(), network, 0, "Second");
    sender.Refuse("RTE");   // its filters keep route sentences off the network
    ASSERT_TRUE(sender.OpenTransmit());
    ASSERT_TRUE(sender.OpenReceive());
    ASSERT_TRUE(listener.OpenReceive());
    ASSERT_TRUE(second.OpenReceive());

    const std::string body = "GPRMC,123519,A,4807.038,N,12234.000,W,022.4,084.4,091226,018.6,E";
    unsigned sum = 0;
    for (const char c : body)
        sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    const std::string rmc = "$" + body + tail;
    ASSERT_TRUE(sender.Send("$ECRTE,1,1,c,R1,WP1*00\r\n"));
    ASSERT_TRUE(sender.Send(rmc));
    ASSERT_TRUE(passes([&] { return !listener.Lines().empty(); }, 5s)) << "nothing arrived";
    // More passes: a second copy would come within them.
    passes([] { return false; }, 1s);
    const std::vector<std::string> got = listener.Lines();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got.front(), rmc);
    EXPECT_TRUE(sender.Lines().empty()) << "the sender's own sentence came back to it";
    EXPECT_EQ(second.Lines(), got);   // every device listening on the Network port
    const std::vector<std::string> shown =
        b.module.Ports().FindPort(network)->GetHistory(nmea::PortChannel::Receive);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), rmc.substr(0, rmc.size() - 2)), 1)
        << "the relayed sentence is not in the Network receive window";

    std::string trimmed = got.front();
    while (!trimmed.empty() && (trimmed.back() == '\r' || trimmed.back() == '\n'))
        trimmed.pop_back();
    // The peer's read: the checksum checked, a line without one refused.
    const std::string program = "import pynmea2, sys\n"
                                "m = pynmea2.parse(sys.argv[1] if len(sys.argv) > 1 else '" +
                                trimmed + "', check=True)\n" +
                                "print(m.sentence_type, m.latitude)\n";
    const auto parsed = brine_test::RunPython(program);
    ASSERT_TRUE(parsed) << "pynmea2 refused the relayed sentence";
    EXPECT_EQ(parsed->substr(0, 4), "RMC ");

    sender.CloseAll();
    listener.CloseAll();
    second.CloseAll();
    a.module.Terminate();
    b.module.Terminate();
}

}   // namespace

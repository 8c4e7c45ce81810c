// The GPS on a real serial port (a socat pty pair) that another program
// holds: the receive side is open and waits for the instrument, but the
// navigator does not count it as receiving, so no navigation tick runs and
// no "NMEA not received" follows; the port's receive history says what the
// message bar says. Once the holder lets go the port connects, its history
// says so, and the ticks run; an adapter pulled out after that is an
// instrument gone quiet, still watched by the cycle.

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "../nmea/PtyPair.h"
#include "ChildProcess.h"
#include "FakeClock.h"
#include "FileSettingsHome.h"
#include "TempFolder.h"
#include "navigator/Instruments.h"
#include "navigator/NavigatorModule.h"
#include "nmea/GPSModule.h"
#include "nmea/PortList.h"
#include "nmea/SerialDevice.h"

using namespace std::chrono_literals;

namespace {

bool HistoryHas(const nmea::CPort& port, const std::string& text)
{
    const auto lines = port.GetHistory(nmea::PortChannel::Receive);
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

nmea::PortPaths Com1(const std::string& path)
{
    nmea::PortPaths paths{};
    paths[0] = path;
    return paths;
}

// COM1 on `path`, the GPS's receive side set to it, and a navigator over it.
struct GpsOnCom1 {
    nmea::CPortList ports;
    brine_test::FileSettingsHome settings;
    brine_test::FakeClock clock;
    navigator::CInstruments instruments;
    navigator::CNavigatorModule nav;

    GpsOnCom1(const std::filesystem::path& folder, const std::string& path)
        : ports(Com1(path), nmea::CComPortOptions{true, 200ms}), settings(folder / "settings.conf"),
          instruments(settings, clock, nullptr, &ports),
          nav(settings, clock, &instruments.Receiver())
    {
        instruments.Gps().Config().receivePort = 1;
    }
};

}   // namespace

TEST(GpsPortState, AHeldPortIsNotReceivingUntilItsInstrumentComes)
{
    brine_test::TempFolder folder;
    brine_test::PtyPair pty(folder.Path(), "usb-gps");
    ASSERT_TRUE(pty.Running());
    brine_test::Turn held, letGo;
    const pid_t holder = brine_test::ForkChild([&] {
        int error = 0;
        auto device = nmea::CSerialDevice::Open(pty.Path().string(), true, error);
        held.Post();
        letGo.Wait();
        return device ? 0 : 1;
    });
    ASSERT_TRUE(held.Wait());

    GpsOnCom1 rig(folder.Path(), pty.Path().string());
    // Named references, not a structured binding: lambdas below capture them.
    auto& ports = rig.ports;
    auto& clock = rig.clock;
    auto& instruments = rig.instruments;
    auto& nav = rig.nav;
    ASSERT_TRUE(instruments.OpenGpsReceive());
    nmea::CPort& com1 = *ports.FindPort(1);

    std::size_t messages = 0;
    auto passes = [&](int seconds) {
        for (int i = 0; i < seconds; ++i) {
            clock.Advance(1s);
            nav.NavigationTimerPass();
            messages += nav.PanelQueue().Drain(
                [&](const app::CPostedMessage& m) { nav.OnMonitorMessage(m); });
        }
    };

    EXPECT_TRUE(instruments.Gps().Device().IsReceiveOpen());
    EXPECT_FALSE(nav.IsGpsReceiving());
    EXPECT_TRUE(HistoryHas(com1, "GPS: COM1 disconnected: "));
    EXPECT_TRUE(HistoryHas(com1, "in use by another program"));
    EXPECT_FALSE(HistoryHas(com1, "open, waiting for data"));
    passes(70);
    EXPECT_EQ(messages, 0u) << "the navigation tick ran on a port that receives nothing";
    EXPECT_FALSE(nav.IsNmeaCautionOn());
    EXPECT_FALSE(nav.Source().IsDrOn());
    EXPECT_FALSE(nav.HasPositionData());

    letGo.Post();
    EXPECT_EQ(brine_test::WaitChild(holder), 0);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!nav.IsGpsReceiving() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(nav.IsGpsReceiving());
    EXPECT_TRUE(HistoryHas(com1, "***COM1 connected***"));
    passes(2);
    EXPECT_GT(messages, 0u);
    EXPECT_TRUE(nav.HasPositionData());

    // The adapter pulled out later: the GPS has gone quiet, which the cycle
    // goes on watching (dead reckoning takes over after its delay).
    pty.Kill();
    const auto lost = std::chrono::steady_clock::now() + 5s;
    // The port's reader records the loss first and writes its line after:
    // both are waited for.
    while ((com1.GetCondition().connected || !HistoryHas(com1, "***COM1 disconnected: ")) &&
           std::chrono::steady_clock::now() < lost)
        std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(com1.GetCondition().connected);
    EXPECT_TRUE(nav.IsGpsReceiving());
    EXPECT_TRUE(HistoryHas(com1, "***COM1 disconnected: "));
    instruments.Close();
}

// The GPS is available while its receive side names a port of the list,
// open or not: switched Off (the side closed) it stays available, so NMEA
// can be chosen again; with no port or a number the list lacks it is not.
TEST(GpsPortState, AvailableWhileItsReceiveSideHasAPort)
{
    brine_test::TempFolder folder;
    brine_test::PtyPair pty(folder.Path(), "usb-gps");
    ASSERT_TRUE(pty.Running());
    GpsOnCom1 rig(folder.Path(), pty.Path().string());
    // Named references, not a structured binding: lambdas below capture them.
    auto& instruments = rig.instruments;
    auto& nav = rig.nav;
    nav.SetReceiveToggle([&](bool open) {
        if (open)
            return instruments.OpenGpsReceive();
        instruments.Close();
        return true;
    });
    ASSERT_TRUE(instruments.OpenGpsReceive());
    EXPECT_TRUE(nav.IsGpsAvailable());

    navigator::CPositionSourceChoice off;
    off.source = navigator::SourceChoice::Off;
    nav.ApplyPositionSource(off);
    EXPECT_FALSE(instruments.Gps().Device().IsReceiveOpen());
    EXPECT_FALSE(nav.IsGpsReceiving());
    EXPECT_TRUE(nav.IsGpsAvailable()) << "Off made the GPS unavailable";

    navigator::CPositionSourceChoice nmeaAgain;
    nav.ApplyPositionSource(nmeaAgain);
    EXPECT_TRUE(instruments.Gps().Device().IsReceiveOpen()) << "NMEA chosen again stays closed";

    instruments.Close();
    instruments.Gps().Config().receivePort = 0;
    EXPECT_FALSE(nav.IsGpsAvailable());
    instruments.Gps().Config().receivePort = 4;   // COM4 has no path
    EXPECT_FALSE(nav.IsGpsAvailable());
}

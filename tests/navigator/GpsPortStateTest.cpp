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
#include <tuple>

#include "../nmea/PtyPair.h"
#include "ChildProcess.h"
#include "FakeClock.h"
#include "FileSettingsHome.h"
#include "TempFolder.h"
#include "app/MsgBar.h"
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

namespace {
class SilentSound : public app::CAlertSound {
public:
    bool Play(const std::filesystem::path&) override { return true; }
    void Beep() override { }
};
}   // namespace

// Position Source > Off closes NMEA input through the GPS module's own
// switch: its warning comes on the message bar, and the transmit side stays
// open for uploads, whose "$ECWPL" lines carry the "DecimalPlaces" setting.
TEST(GpsPortState, OffGoesThroughTheGpsSwitchAndUploadsKeepTheirDecimals)
{
    brine_test::TempFolder folder;
    brine_test::PtyPair pty(folder.Path(), "usb-gps");
    ASSERT_TRUE(pty.Running());
    nmea::CPortList ports(Com1(pty.Path().string()), nmea::CComPortOptions{true, 200ms});
    brine_test::FileSettingsHome settings(folder.Path() / "settings.conf");
    brine_test::FakeClock clock;
    SilentSound sound;
    app::CMsgBar bar(clock, sound, folder.Path());
    int places = 4;
    navigator::CInstruments instruments(settings, clock, &bar, &ports, [&] { return places; });
    navigator::CNavigatorModule nav(settings, clock, &instruments.Receiver());
    instruments.Gps().Config().receivePort = 1;
    instruments.Gps().Config().transmitPort = 1;
    nav.SetReceiveToggle([&](bool open) { return instruments.SwitchGpsReceive(open); });
    int stopped = 0;
    instruments.Gps().SetInputStoppedHandler([&] { ++stopped; });
    ASSERT_TRUE(instruments.OpenGpsReceive());
    ASSERT_TRUE(instruments.Gps().ToggleTransmit());
    const auto connected = std::chrono::steady_clock::now() + 5s;
    while (!instruments.Gps().Device().CanTransmitNow() &&
           std::chrono::steady_clock::now() < connected)
        std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(instruments.Gps().Device().CanTransmitNow());

    const std::string warning =
        "The vessel position WILL NOT BE UPDATED until NMEA or DR is reactivated.";
    const auto warningShown = [&] {
        for (const auto& message : bar.Messages())
            if (message->text == warning)
                return message->activeCount > 0;
        return false;
    };
    EXPECT_FALSE(warningShown());
    navigator::CPositionSourceChoice off;
    off.source = navigator::SourceChoice::Off;
    nav.ApplyPositionSource(off);
    EXPECT_FALSE(instruments.Gps().Device().IsReceiveOpen());
    EXPECT_TRUE(warningShown()) << "Off passed by the GPS module's switch";
    EXPECT_EQ(stopped, 1);
    EXPECT_TRUE(instruments.Gps().Device().IsTransmitOpen()) << "Off closed the upload side too";

    // 48 09.18' N, 122 44.22' W with four decimals of minutes, and with two.
    const nmea::CUploadPoint point{48.153, -122.737, "WP1", "Point Wilson"};
    for (const auto& [decimals, want] :
         {std::pair{4, std::string("$ECWPL,4809.1800,N,12244.2200,W,WP1*")},
          std::pair{1, std::string("$ECWPL,4809.18,N,12244.22,W,WP1*")}}) {
        places = decimals;
        ASSERT_TRUE(instruments.Gps().Device().SendWaypoint(point, 0, 1, true));
        const std::string got = pty.Receive(want.size() + 4, 3s);
        EXPECT_EQ(got.substr(0, want.size()), want) << decimals << " places: " << got;
    }
    instruments.Close();
}

namespace {
// COM1 and COM2 on two ptys, and the instruments on them with no GPS port
// chosen yet.
struct TwoPortGps {
    static nmea::PortPaths PathsOf(const brine_test::PtyPair& one, const brine_test::PtyPair& two)
    {
        nmea::PortPaths paths{};
        paths[0] = one.Path().string();
        paths[1] = two.Path().string();
        return paths;
    }
    auto Parts() { return std::tie(com1, com2, ports, instruments, instruments.Gps().Device()); }

    brine_test::TempFolder folder;
    brine_test::PtyPair com1{folder.Path(), "usb-one"};
    brine_test::PtyPair com2{folder.Path(), "usb-two"};
    nmea::CPortList ports{PathsOf(com1, com2), nmea::CComPortOptions{true, 200ms}};
    brine_test::FileSettingsHome settings{folder.Path() / "settings.conf"};
    brine_test::FakeClock clock;
    navigator::CInstruments instruments{settings, clock, nullptr, &ports};
};
}   // namespace

// The options' transmit port takes effect when applied: the old side closes,
// the new one opens at once, and a port that will not open leaves the GPS
// with no transmit port rather than one that seems set.
TEST(GpsPortState, TransmitPortMovesWhenSetAndIsOffWhenItWillNotOpen)
{
    TwoPortGps bench;
    ASSERT_TRUE(bench.com1.Running() && bench.com2.Running());
    auto [com1, com2, ports, instruments, gps] = bench.Parts();

    ASSERT_TRUE(instruments.SetGpsTransmitPort(1));
    EXPECT_TRUE(gps.IsTransmitOpen());
    EXPECT_EQ(instruments.Gps().Config().transmitPort, 1);
    ASSERT_TRUE(instruments.SetGpsTransmitPort(2));
    EXPECT_EQ(gps.GetTransmitPort(), 2);
    const auto connected = std::chrono::steady_clock::now() + 5s;
    while (!gps.CanTransmitNow() && std::chrono::steady_clock::now() < connected)
        std::this_thread::sleep_for(20ms);
    const nmea::CUploadPoint point{48.153, -122.737, "WP1", "Point Wilson"};
    ASSERT_TRUE(gps.SendWaypoint(point, 0, 1, false));
    EXPECT_EQ(com2.Receive(6, 3s).substr(0, 6), "$ECWPL");
    EXPECT_EQ(com1.Receive(1, 300ms), "") << "the old port still sends";

    ASSERT_TRUE(instruments.SetGpsTransmitPort(0));
    EXPECT_FALSE(gps.IsTransmitOpen());
    // COM3 is not in the list (its adapter gone since the settings named it).
    EXPECT_FALSE(instruments.SetGpsTransmitPort(3));
    EXPECT_EQ(instruments.Gps().Config().transmitPort, 0);
    EXPECT_FALSE(gps.IsTransmitOpen());
    instruments.Close();
}

// A port whose adapter has gone (its device node missing) does not take a
// side moved onto it: the side stays closed and its port reads "Off", where
// the port would otherwise sit open and disconnected as a chosen port. Moving
// the receive side leaves the transmit side running.
TEST(GpsPortState, APortWithItsDeviceGoneIsNotTakenWhenAPortIsChosen)
{
    TwoPortGps bench;
    ASSERT_TRUE(bench.com1.Running() && bench.com2.Running());
    auto [com1, com2, ports, instruments, gps] = bench.Parts();

    ASSERT_TRUE(instruments.SetGpsTransmitPort(1));
    ASSERT_TRUE(instruments.SetGpsReceivePort(2));
    EXPECT_TRUE(gps.IsReceiveOpen());
    EXPECT_TRUE(gps.IsTransmitOpen()) << "moving the receive side closed the transmit side";
    ASSERT_TRUE(instruments.SetGpsReceivePort(0));

    com2.Kill();
    EXPECT_FALSE(instruments.SetGpsTransmitPort(2));
    EXPECT_EQ(instruments.Gps().Config().transmitPort, 0);
    EXPECT_FALSE(gps.IsTransmitOpen());
    EXPECT_FALSE(instruments.SetGpsReceivePort(2));
    EXPECT_EQ(instruments.Gps().Config().receivePort, 0);
    EXPECT_FALSE(gps.IsReceiveOpen());
    EXPECT_FALSE(ports.FindPort(2)->IsOpen()) << "the gone port was left in use";

    // A port with its device there still works after a refusal.
    ASSERT_TRUE(instruments.SetGpsReceivePort(1));
    EXPECT_TRUE(gps.IsReceiveOpen());
    instruments.Close();
}

// Instrument modules without ports: composed sentences, settings, the
// autopilot's switch and starting leg.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "FakeClock.h"
#include "FakePort.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/Registry.h"
#include "nmea/AutopilotModule.h"
#include "nmea/GPSModule.h"
#include "nmea/OutputSentences.h"
#include "nmea/PortList.h"
#include "nmea/RepeaterModule.h"
#include "nmea/WindModule.h"
#include "platform/SettingsStore.h"

namespace {

struct Home : app::CSettingsHome {
    brine_test::TempFolder dir;
    mutable platform::CSettingsStore store{dir.Path() / "settings.conf"};
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return "Software\\Quorwick\\Brinevane\\Default"; }
};

TEST(OutputSentences, WaypointFields)
{
    const struct {
        double lat, lon;
        int decimalPlaces;
        const char* text;
    } rows[] = {
        {-0.5, 0.5, 2, "$ECWPL,0030.00,S,00030.00,E,ID"},
        {-0.5, 0.5, 1, "$ECWPL,0030.00,S,00030.00,E,ID"},   // below 3: still 2
        {51.5, -1.25, 4, "$ECWPL,5130.0000,N,00115.0000,W,ID"},   // minutes field of 7 characters
        {59.99999999, -179.99999999, 2,
         "$ECWPL,6000.00,N,18000.00,W,ID"},   // rounds up whole: never 60.00
        {12.9999, 0, 3, "$ECWPL,1259.994,N,00000.000,E,ID"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(nmea::ComposeWpl(r.lat, r.lon, "ID", r.decimalPlaces), r.text);
}

TEST(OutputSentences, IdentifiersAreCleanedAndCutToFit)
{
    const struct {
        int mode;
        const char* id;
        const char* name;
        int number;
        std::optional<std::string> identifier;
    } rows[] = {
        {0, " \t", "N", 7, "8"},   // blank ID: number + 1
        {4, "A1", "N", 12, "12 A1"}, {3, "A1", "Home \t", 2, "2 Home"},
        {2, "", "", 0, "0"},         {5, "A1", "N", 1, std::nullopt},
    };
    for (const auto& r : rows)
        EXPECT_EQ(nmea::WaypointIdentifier(r.mode, r.id, r.name, r.number), r.identifier) << r.mode;

    EXPECT_EQ(nmea::NmeaFieldText("a,b*c$d!e\\f^g~h\ti\x7fj\xc3\xa9"), "a-b-c-d-e-f-g-h-i-j--");
    const std::string wpl = nmea::ComposeWpl(1, 1, std::string(100, 'W'), 2);
    EXPECT_EQ(wpl.size(), nmea::kMaxComposedText);
    const std::string rte =
        nmea::ComposeRte("1", "1", "c", std::string(50, 'R'), std::string(50, 'P'));
    EXPECT_EQ(rte.size(), nmea::kMaxComposedText);
}

TEST(OutputSentences, SteeringFields)
{
    nmea::CApbFields f;
    f.statusValid = true;
    f.bearingOriginToDestination = 5.0;
    f.destination = "dest";
    f.bearingToDestination = 359.96;
    f.headingToSteer = 0.04;
    f.crossTrackNm = -0.25;
    EXPECT_EQ(nmea::ComposeApb(f), "$ECAPB,A,A,00.25,L,N,,,005.0,T,DEST,000.0,T,000.0,T");
    f.crossTrackNm = 12345.6;
    f.statusValid = false;
    f.arrivalEntered = f.perpendicularPassed = true;
    EXPECT_EQ(nmea::ComposeApb(f), "$ECAPB,V,A,9999.99,R,N,A,A,005.0,T,DEST,000.0,T,000.0,T");
    f.destination = std::string(80, 'x');   // the identifier gives way to the bearings
    const std::string cut = nmea::ComposeApb(f);
    EXPECT_EQ(cut.size(), nmea::kMaxComposedText);
    EXPECT_EQ(cut.substr(cut.size() - 16), ",000.0,T,000.0,T");
    // Receivers refuse 360.0: every bearing that rounds there, or lies past it, comes round.
    for (const auto& [degrees, text] :
         std::initializer_list<std::pair<double, const char*>>{{359.96, "000.0"},
                                                               {359.94, "359.9"},
                                                               {360.0, "000.0"},
                                                               {-0.04, "000.0"},
                                                               {-90.0, "270.0"},
                                                               {725.5, "005.5"},
                                                               {0.0, "000.0"}})
        EXPECT_EQ(nmea::BearingField(degrees), text) << degrees;
}

// Stored refresh times and ports, and what loading makes of them over ports
// 2 and 5: 0 and past 60 seconds become 5, a missing port the first one.
struct StoredRow {
    std::uint8_t storedRefresh, refresh;
    std::uint8_t storedPort, port;
};
constexpr StoredRow kStoredRows[] = {{0, 5, 5, 5}, {61, 5, 9, 2}, {60, 60, 0, 0}, {1, 1, 255, 2}};

void StoreRow(Home& home, const app::CModule& module, const StoredRow& r,
              std::initializer_list<std::pair<const char*, const char*>> sentences)
{
    app::CRegistry registry(home.store);
    ASSERT_TRUE(registry.OpenKeyForWrite(module.GetSettingsKey()));
    registry.WriteByte("NMEARefreshTime", r.storedRefresh);
    registry.WriteByte("ReceiveCOMPort", r.storedPort);
    registry.Close();
    ASSERT_TRUE(registry.OpenKeyForWrite(module.GetSettingsKey("NMEASentences")));
    for (const auto& [id, text] : sentences)
        registry.WriteString(id, text);
    registry.Close();
}

TEST(GPSModule, SettingsLoadWithLimitsAndFallBacks)
{
    Home home;
    brine_test::FakePorts ports;
    ports.Add(2);
    ports.Add(5);
    brine_test::FakeClock clock;
    for (const StoredRow& r : kStoredRows) {
        nmea::CGPSModule gps(home, ports, clock, nullptr, [] { return 2; });
        ASSERT_TRUE(gps.Initialise());
        // An unreadable flag leaves the default.
        StoreRow(home, gps, r, {{"RMC", "False"}, {"GGA", "maybe"}});
        gps.LoadSettings();
        EXPECT_EQ(gps.GetRefreshTime(), r.refresh);
        EXPECT_EQ(gps.Parser().Value(0).GetValiditySpan(), std::chrono::seconds(r.refresh));
        EXPECT_EQ(gps.Config().receivePort, r.port) << int(r.storedPort);
        EXPECT_FALSE(gps.Config().IsSentenceEnabled("$GPRMC,"));
        EXPECT_TRUE(gps.Config().IsSentenceEnabled("$GPGGA,"));
        gps.Terminate();
    }
}

// The wind module starts on COM1, keeps its values 5 seconds, and loads its
// stored refresh time and port with the same limits and fall-back as the GPS.
TEST(WindModule, SettingsLoadWithLimitsAndFallBacks)
{
    Home home;
    brine_test::FakePorts ports;
    ports.Add(2);
    ports.Add(5);
    brine_test::FakeClock clock;
    {
        nmea::CWindModule wind(home, ports, clock);
        EXPECT_EQ(wind.GetModuleName(), "Navigator\\Wind");
        EXPECT_EQ(wind.Config().receivePort, 1);
        EXPECT_EQ(wind.GetRefreshTime(), 5);
        EXPECT_EQ(wind.Parser().Value(154).GetValiditySpan(), std::chrono::seconds(5));
    }
    for (const StoredRow& r : kStoredRows) {
        nmea::CWindModule wind(home, ports, clock);
        ASSERT_TRUE(wind.Initialise());
        StoreRow(home, wind, r, {{"MWD", "False"}});
        wind.LoadSettings();
        EXPECT_EQ(wind.GetRefreshTime(), r.refresh);
        for (int i : {0, 154})
            EXPECT_EQ(wind.Parser().Value(i).GetValiditySpan(), std::chrono::seconds(r.refresh));
        EXPECT_EQ(wind.Config().receivePort, r.port) << int(r.storedPort);
        EXPECT_TRUE(wind.Config().IsSentenceEnabled("$WIMWV,"));
        EXPECT_FALSE(wind.Config().IsSentenceEnabled("$WIMWD,"));
        EXPECT_TRUE(wind.Config().AcceptTalker("$WIMWV,"));
        EXPECT_TRUE(wind.Config().AcceptTalker("$IIMWV,"));
        EXPECT_FALSE(wind.Config().AcceptTalker("$GPMWV,"));
        wind.Terminate();
    }
}

TEST(GPSModule, UploadToADisconnectedPortIsRefused)
{
    Home home;
    nmea::PortPaths paths;
    paths[1] = (home.dir.Path() / "usb-unplugged").string();
    nmea::CPortList ports(paths, {});
    brine_test::FakeClock clock;
    nmea::CGPSModule gps(home, ports, clock, nullptr, [] { return 2; });
    ASSERT_TRUE(gps.Initialise());
    gps.Config().transmitPort = 2;
    ASSERT_TRUE(gps.ToggleTransmit()) << "a port whose adapter is away still opens";
    EXPECT_FALSE(ports.FindPort(2)->GetCondition().connected);
    EXPECT_FALSE(gps.Device().SendRoute("1", "1", "c", "R", "W", true));
    EXPECT_FALSE(gps.Device().SendWaypoint({1, 1, "A", "A"}, 0, 1, true));
    gps.Terminate();
}

// Waits up to 3 s for `done`.
template <class Done>
bool WaitFor(Done done)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The receive side parses a line only when it is shorter than 83 characters
// (line end included) and its sentence is enabled; the same list stops the
// route and waypoint uploads at the transmit port.
TEST(GPSModule, LongLinesAndDisabledSentencesGoNowhere)
{
    Home home;
    brine_test::FakePorts ports;
    brine_test::FakePort& port = ports.Add(1);
    brine_test::FakeClock clock;
    nmea::CGPSModule gps(home, ports, clock, nullptr, [] { return 2; });
    ASSERT_TRUE(gps.Initialise());
    ASSERT_TRUE(gps.ToggleReceive());
    ASSERT_TRUE(gps.ToggleTransmit());
    auto line = [](std::size_t length) {   // "$GPGLL,xxx...\r\n" of `length` characters
        return "$GPGLL," + std::string(length - 9, 'x') + "\r\n";
    };
    port.Receive(line(83));
    port.Receive(line(82));
    ASSERT_TRUE(WaitFor([&] { return gps.Device().ParsedLines() == 1; }));
    port.Receive(line(84));
    port.Receive("GPGLL,no dollar\r\n");
    port.Receive(line(20));
    ASSERT_TRUE(WaitFor([&] { return gps.Device().ParsedLines() == 2; }));

    nmea::SentenceList none = nmea::GpsSentences();
    for (auto& entry : none)
        entry.enabled = false;
    gps.Config().SetSentences(none);
    port.Receive("$GPRMC,120000,A,5000.00,N,00100.00,W,5.0,090.0,010126,,*1F\r\n");
    port.Receive("$GPGGA,120000,5000.00,N,00100.00,W,1,08,1.0,10.0,M,47.0,M,,*7A\r\n");
    EXPECT_TRUE(gps.Device().SendRoute("1", "1", "c", "R", "W", true));   // staged, never sent
    EXPECT_TRUE(gps.Device().SendWaypoint({50, -1, "W", "W"}, 0, 1, true));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(gps.Device().ParsedLines(), 2u);
    EXPECT_TRUE(port.ServeOnce().empty());

    gps.Config().SetSentences(nmea::GpsSentences());
    EXPECT_TRUE(gps.Device().SendWaypoint({50, -1, "W", "W"}, 0, 1, true));
    std::vector<std::string> sent;
    ASSERT_TRUE(WaitFor([&] {
        for (auto& l : port.ServeOnce())
            sent.push_back(l);
        return !sent.empty();
    }));
    EXPECT_EQ(sent.front(), "$ECWPL,5000.00,N,00100.00,W,W*1B\r\n");
    gps.Terminate();
}

TEST(RepeaterModule, ReceivePortsFromTheStoredList)
{
    Home home;
    brine_test::FakePorts ports;
    for (std::uint8_t n = 1; n <= 12; ++n)
        ports.Add(n);
    ports.Add(255);
    nmea::CRepeaterModule repeater(home, ports);
    app::CRegistry registry(home.store);
    ASSERT_TRUE(registry.OpenKeyForWrite(repeater.GetSettingsKey()));
    // 16 numbers: a missing port, a repeat, then more than a list can hold.
    registry.WriteBinary("ReceiveCOMPort", {1, 40, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 255, 0});
    registry.WriteByte("TransmitCOMPort", 77);
    registry.Close();
    repeater.LoadSettings();
    EXPECT_EQ(repeater.GetReceivePortNumbers(),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 255}));
    EXPECT_FALSE(repeater.ToggleTransmit()) << "an unknown transmit port loads as off";
    EXPECT_TRUE(repeater.ToggleReceive());
    EXPECT_EQ(repeater.Device().AttachedReceivePorts(), 13u);
    repeater.ToggleReceive();
    EXPECT_EQ(ports.FindPort(1)->GetUsers(nmea::PortChannel::Receive), 0);
}

class FakeRoute : public nmea::CRouteSteering {
public:
    std::vector<geo::CPosition> waypoints;
    nmea::CRouteMonitoring monitoring;
    int holds = 0;
    std::optional<std::size_t> active;
    bool IsBusy() const override { return false; }
    std::vector<geo::CPosition> CurrentRouteWaypoints() const override { return waypoints; }
    nmea::CRouteMonitoring GetMonitoring() const override { return monitoring; }
    void SetMonitoring(const nmea::CRouteMonitoring& m) override { monitoring = m; }
    void TakeInUseHold() override { ++holds; }
    void GiveInUseHold() override { --holds; }
    bool HasCurrentWaypoint() const override { return true; }
    void SetActiveWaypoint(std::size_t index) override { active = index; }
};

class FakeNavigator : public nmea::CSteeringNavigator {
public:
    geo::CPosition own;
    std::optional<geo::CPosition> reference;
    std::atomic<bool> failing{false};   // asked on the output thread: throws while set
    bool IsVoyageUnderway() const override { return true; }
    bool HasPositionData() const override
    {
        if (failing)
            throw std::runtime_error("position data unreadable");
        return true;
    }
    std::optional<geo::CPosition> SteeringStartPosition() const override { return own; }
    void SetSteeringReference(const std::optional<geo::CPosition>& p) override { reference = p; }
    void ResetLegTime() override { }
};

TEST(AutopilotModule, StartingLeg)
{
    // A leg due north from 50N 0E to 50.1N, then to 50.2N.
    const std::vector<geo::CPosition> route = {{50.0, 0.0}, {50.1, 0.0}, {50.2, 0.0}};
    const struct {
        double lat;
        bool arrival, perpendicular;
        double radius;
        std::size_t leg;
    } rows[] = {
        {49.9, false, false, 0, 0},
        {50.001, true, false, 0.2, 1},   // inside the first arrival circle
        {50.05, false, true, 0, 1},   // past the first perpendicular
        {50.15, false, true, 0, 2},   // past the second: the last stays
        {49.99, false, true, 0, 0},   // short of it
        {50.3, true, true, 100, 2},   // every circle around it: the last
    };
    for (const auto& r : rows) {
        nmea::CRouteMonitoring m;
        m.arrivalCircle = r.arrival;
        m.passingPerpendicular = r.perpendicular;
        m.arrivalRadiusNm = r.radius;
        EXPECT_EQ(nmea::ChooseStartingLeg(route, geo::CPosition(r.lat, 0.0), m), r.leg) << r.lat;
    }
}

// An autopilot on port 1 with a route of two waypoints and a navigator,
// plugged in by Connect. The route and navigator outlive the module.
struct SteeringBench {
    Home home;
    brine_test::FakePorts ports;
    brine_test::ScriptedPrompt prompt;
    FakeRoute route;
    FakeNavigator navigator;
    nmea::CAutopilotModule autopilot{home, ports, prompt};

    SteeringBench()
    {
        ports.Add(1);
        EXPECT_TRUE(autopilot.Initialise());
        route.waypoints = {{50.0, 0.0}, {50.1, 0.0}};
    }
    ~SteeringBench() { autopilot.Terminate(); }
    void Connect(double ownLatitude)
    {
        navigator.own = geo::CPosition(ownLatitude, 0.0);
        autopilot.SetRoute(&route);
        autopilot.SetNavigator(&navigator);
    }
};

TEST(AutopilotModule, SwitchNeedsARouteAndConfirmation)
{
    SteeringBench bench;
    nmea::CAutopilotModule& autopilot = bench.autopilot;
    brine_test::ScriptedPrompt& prompt = bench.prompt;
    FakeRoute& route = bench.route;
    EXPECT_FALSE(autopilot.OnUpdateAutopilotSwitch().enabled) << "no route module: disabled";

    bench.Connect(50.05);
    ASSERT_TRUE(autopilot.OnUpdateAutopilotSwitch().enabled);

    prompt.Expect(platform::PromptAnswer::Cancel);
    autopilot.OnAutopilotSwitch();
    EXPECT_FALSE(autopilot.IsAutopilotOn());
    EXPECT_EQ(route.holds, 0);

    prompt.Expect(platform::PromptAnswer::Ok);
    autopilot.OnAutopilotSwitch();
    EXPECT_TRUE(autopilot.IsAutopilotOn());
    EXPECT_TRUE(autopilot.OnUpdateAutopilotSwitch().checked);
    EXPECT_TRUE(autopilot.Device().IsTransmitOpen());
    EXPECT_TRUE(route.monitoring.passingPerpendicular && route.monitoring.automaticLegAdvance);
    EXPECT_EQ(route.holds, 2);   // one for steering, one for the leg advance it switched on
    EXPECT_EQ(route.active, 1u);
    // Steering starts from where the vessel stands.
    ASSERT_TRUE(bench.navigator.reference.has_value());
    EXPECT_DOUBLE_EQ(bench.navigator.reference->GetLatitude(), 50.05);

    autopilot.OnAutopilotSwitch();
    EXPECT_FALSE(autopilot.Device().IsTransmitOpen());
    EXPECT_FALSE(bench.navigator.reference.has_value());

    for (const auto& [given, kept] :
         {std::pair{0.0, 0.1}, std::pair{100.0, 10.0}, std::pair{2.5, 2.5}}) {
        autopilot.Device().SetOutputRate(given);
        EXPECT_DOUBLE_EQ(autopilot.Device().GetOutputRate(), kept);
    }
}

// The options page's OK: a changed switch is applied (switching on asks
// first and takes one route hold), a changed port moves an open transmit
// side at once, and a port that will not open leaves the port off.
TEST(AutopilotModule, OptionsApplyTheSwitchAndMoveThePort)
{
    SteeringBench bench;
    nmea::CAutopilotModule& autopilot = bench.autopilot;
    bench.ports.Add(2);
    bench.Connect(50.05);
    const char* confirm = "Please Confirm switching Autopilot on";

    bench.prompt.Expect(platform::PromptAnswer::Cancel, confirm);
    autopilot.ApplyOptions(1, true, 2.0);
    EXPECT_FALSE(autopilot.IsAutopilotOn());
    EXPECT_FALSE(autopilot.Device().IsTransmitOpen());
    EXPECT_EQ(bench.route.holds, 0);

    bench.prompt.Expect(platform::PromptAnswer::Ok, confirm);
    autopilot.ApplyOptions(1, true, 2.0);
    ASSERT_TRUE(autopilot.IsAutopilotOn());
    EXPECT_TRUE(autopilot.Device().IsTransmitOpen());
    EXPECT_EQ(bench.route.holds, 1);
    ASSERT_EQ(bench.prompt.AskedPrompts().size(), 2u);
    EXPECT_EQ(bench.prompt.AskedPrompts().back().icon, platform::PromptIcon::Question);
    EXPECT_EQ(bench.prompt.AskedPrompts().back().buttons, platform::PromptButtons::OkCancel);

    autopilot.ApplyOptions(1, true, 2.0);   // nothing changed: no question, no hold
    EXPECT_EQ(bench.route.holds, 1);
    autopilot.ApplyOptions(2, true, 2.0);
    EXPECT_TRUE(autopilot.Device().IsTransmitOpen());
    EXPECT_EQ(bench.ports.FindPort(2)->GetUsers(nmea::PortChannel::Transmit), 1);
    EXPECT_EQ(bench.ports.FindPort(1)->GetUsers(nmea::PortChannel::Transmit), 0);
    autopilot.ApplyOptions(7, true, 2.0);   // not in the port list
    EXPECT_EQ(autopilot.Config().transmitPort, 0);
    EXPECT_FALSE(autopilot.Device().IsTransmitOpen());

    autopilot.ApplyOptions(0, false, 2.0);
    EXPECT_FALSE(autopilot.IsAutopilotOn());
    EXPECT_EQ(bench.route.holds, 0);
    EXPECT_EQ(bench.prompt.Remaining(), 0u);
}

// The autopilot's stored port, rate and sentence flag; a port that is gone
// falls back to the first one (none: off), and with no port the switch is grey.
TEST(AutopilotModule, SettingsAndThePortTheSwitchNeeds)
{
    Home home;
    brine_test::ScriptedPrompt prompt;
    {
        brine_test::FakePorts ports;
        ports.Add(3);
        ports.Add(4);
        nmea::CAutopilotModule autopilot(home, ports, prompt);
        ASSERT_TRUE(autopilot.Initialise());
        EXPECT_EQ(autopilot.GetSettingsKey(),
                  "Software\\Quorwick\\Brinevane\\Default\\Navigator\\Autopilot");
        autopilot.LoadSettings();
        EXPECT_EQ(autopilot.Config().transmitPort, 3) << "COM1 is gone: the first port";
        EXPECT_DOUBLE_EQ(autopilot.Device().GetOutputRate(), 2.0);
        autopilot.Config().transmitPort = 4;
        autopilot.Device().SetOutputRate(0.5);
        nmea::SentenceList off = autopilot.Config().GetSentences();
        ASSERT_EQ(off.size(), 1u);
        EXPECT_EQ(off[0].id, "APB");
        EXPECT_EQ(off[0].description, "Heading/Track Controller ( Autopilot ) Sentence \"B\"");
        off[0].enabled = false;
        autopilot.Config().SetSentences(off);
        autopilot.SaveSettings();
        autopilot.Terminate();
    }
    {
        brine_test::FakePorts ports;
        ports.Add(3);
        ports.Add(4);
        nmea::CAutopilotModule autopilot(home, ports, prompt);
        ASSERT_TRUE(autopilot.Initialise());
        autopilot.LoadSettings();
        EXPECT_EQ(autopilot.Config().transmitPort, 4);
        EXPECT_DOUBLE_EQ(autopilot.Device().GetOutputRate(), 0.5);
        EXPECT_FALSE(autopilot.Config().IsSentenceEnabled("$ECAPB,"));
        EXPECT_FALSE(autopilot.IsAutopilotOn()) << "support is never stored";

        FakeRoute route;
        FakeNavigator navigator;
        route.waypoints = {{50.0, 0.0}, {50.1, 0.0}};
        autopilot.SetRoute(&route);
        autopilot.SetNavigator(&navigator);
        EXPECT_TRUE(autopilot.OnUpdateAutopilotSwitch().enabled);
        autopilot.Config().transmitPort = 0;
        EXPECT_FALSE(autopilot.OnUpdateAutopilotSwitch().enabled);
        autopilot.Terminate();
    }
    brine_test::FakePorts none;
    nmea::CAutopilotModule autopilot(home, none, prompt);
    ASSERT_TRUE(autopilot.Initialise());
    autopilot.LoadSettings();
    EXPECT_EQ(autopilot.Config().transmitPort, 0) << "no port at all: off";
    autopilot.Terminate();
}

// The navigation cycle goes on while the confirmation is open and composes
// for the route's current waypoint; switching on then moves the route to a
// later leg. That sentence must never reach the port: the first one out is
// composed after the leg is chosen.
class ComposingPrompt final : public platform::CPrompt {
public:
    nmea::CAutopilotDevice* device = nullptr;
    platform::PromptAnswer Ask(std::string_view, std::string_view, platform::PromptIcon,
                               platform::PromptButtons) override
    {
        nmea::CApbFields fields;
        fields.statusValid = true;
        fields.destination = "1";
        fields.bearingOriginToDestination = fields.bearingToDestination = 337.1;
        device->SetTransmitEnabled(true);
        device->BuildAPBSentence(fields, true);
        return platform::PromptAnswer::Ok;
    }
};

TEST(AutopilotModule, NothingComposedBeforeTheLegIsChosenGoesOut)
{
    Home home;
    brine_test::FakePorts ports;
    brine_test::FakePort& port = ports.Add(1);
    ComposingPrompt prompt;
    nmea::CAutopilotModule autopilot(home, ports, prompt);
    ASSERT_TRUE(autopilot.Initialise());
    prompt.device = &autopilot.Device();
    FakeRoute route;
    FakeNavigator navigator;
    route.waypoints = {{50.0, 0.0}, {50.1, 0.0}, {50.2, 0.0}};
    navigator.own = geo::CPosition(50.15, 0.0);   // on the second leg
    autopilot.SetRoute(&route);
    autopilot.SetNavigator(&navigator);

    autopilot.OnAutopilotSwitch();
    ASSERT_TRUE(autopilot.IsAutopilotOn());
    EXPECT_EQ(route.active, 2u);
    EXPECT_EQ(autopilot.Device().CurrentSentence(), "");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));   // the output thread's turn
    EXPECT_TRUE(port.ServeOnce().empty());

    autopilot.OnAutopilotSwitch();
    autopilot.Terminate();
}

// A failure on the output thread ends steering: the transmit side is let go,
// autopilot support reads off, and the route gets back one in-use hold on
// the next timer pass (the route module is not to be called from that thread).
TEST(AutopilotModule, AFailingOutputThreadSwitchesSupportOff)
{
    SteeringBench bench;
    nmea::CAutopilotModule& autopilot = bench.autopilot;
    FakeRoute& route = bench.route;
    bench.Connect(49.9);
    bench.prompt.Expect(platform::PromptAnswer::Ok);
    autopilot.OnAutopilotSwitch();
    ASSERT_TRUE(autopilot.IsAutopilotOn());
    ASSERT_EQ(route.holds, 2);

    bench.navigator.failing = true;
    nmea::CApbFields fields;
    fields.statusValid = true;
    fields.destination = "1";
    autopilot.Device().SetTransmitEnabled(true);
    autopilot.Device().BuildAPBSentence(fields, true);
    autopilot.Device().Poke();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (autopilot.IsAutopilotOn() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(autopilot.IsAutopilotOn());
    EXPECT_FALSE(autopilot.OnUpdateAutopilotSwitch().checked);
    EXPECT_FALSE(autopilot.Device().IsTransmitOpen());
    EXPECT_EQ(route.holds, 2) << "given back on the timer pass, not on the output thread";
    autopilot.OnTimerPass();
    EXPECT_EQ(route.holds, 1);
    autopilot.OnTimerPass();
    EXPECT_EQ(route.holds, 1) << "one hold per failure";
}

}   // namespace

// The ARPA module over a fake port: settings, switching on and off (a port
// that will not open leaves ARPA off with its reason), lines through the
// device's worker into targets with positions, the warnings and observers.

#include "targets/ARPAModule.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ARPARig.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/Registry.h"
#include "navigator/NavigatorModule.h"
#include "nmea/NMEAData.h"
#include "platform/SettingsStore.h"

using namespace std::chrono_literals;
using targets::CARPAModule;

namespace {

using Home = brine_test::ARPAHome;
using Silent = brine_test::SilentSound;

struct Observer : targets::CARPAObserver {
    std::vector<int> added, removed, reported;
    int changes = 0;
    void OnTargetAdded(const targets::CTargetRecord& r) override { added.push_back(r.Number()); }
    void OnTargetChanged(const targets::CTargetRecord&) override { ++changes; }
    void OnTargetReported(const targets::CTargetRecord& r) override
    {
        reported.push_back(r.Number());
    }
    void OnTargetRemoved(const targets::CTargetRecord& r) override
    {
        removed.push_back(r.Number());
    }
};

std::string Line(const std::string& body)
{
    return brine_test::NmeaLine(body);
}

struct ModuleTest : ::testing::Test {
    Home home;
    brine_test::FakeClock clock;
    Silent sound;
    app::CMsgBar bar{clock, sound, "."};
    brine_test::FakePorts ports;
    brine_test::FakePort& port = ports.Add(2);
    CARPAModule module{home, ports, clock, &bar};
    targets::CNavigationState nav;

    ModuleTest()
    {
        module.Initialise();
        nav.own.position = targets::CTargetPosition{50.0, -1.0};
        nav.own.heading = 0.0;
        nav.utc = clock.UtcNow();
        nav.cycle = 1;
        module.SetNavigation([this] { return nav; });
    }
    ~ModuleTest() override { module.Terminate(); }

    void WriteSettings(const std::function<void(app::CRegistry&)>& write)
    {
        app::CRegistry registry(home.GetStore());
        ASSERT_TRUE(module.OpenSettings(registry, true));
        write(registry);
        registry.Close();
    }
    // Feeds lines as the port's reader would and waits until the worker parsed them.
    void Receive(const std::vector<std::string>& bodies, std::size_t filtered = 0)
    {
        const auto before = module.Device().ParsedLines();
        for (const auto& body : bodies)
            port.Receive(Line(body));
        for (int i = 0;
             i < 500 && module.Device().ParsedLines() < before + bodies.size() - filtered; ++i)
            std::this_thread::sleep_for(2ms);
        ASSERT_EQ(module.Device().ParsedLines(), before + bodies.size() - filtered);
    }
    void Pass(std::chrono::seconds step = 1s)
    {
        clock.Advance(step);
        nav.utc = clock.UtcNow();
        module.TimerPass();
    }
};

TEST_F(ModuleTest, SettingsLoadWithTheirRangesAndComeBackAsSaved)
{
    WriteSettings([](app::CRegistry& r) {
        r.WriteByte("ReceiveCOMPort", 9);   // gone: the first port there is
        r.WriteByte("NMEARefreshTime", 61);
        r.WriteByte("MaxTargets", 3);
        r.WriteBool("AutoDelete", true);
        r.WriteDouble("WarningCirclesRadius", 0.25);
    });
    module.LoadSettings();
    EXPECT_EQ(module.Config().receivePort, 2);
    EXPECT_EQ(module.RefreshSeconds(), 5);
    EXPECT_EQ(module.PassOptions().maxTargets, 3);
    EXPECT_TRUE(module.PassOptions().autoDelete);
    EXPECT_DOUBLE_EQ(module.PassOptions().warningCircleRadiusNm, 0.25);

    WriteSettings([](app::CRegistry& r) { r.WriteByte("NMEARefreshTime", 60); });
    module.LoadSettings();
    EXPECT_EQ(module.RefreshSeconds(), 60);
    WriteSettings([](app::CRegistry& r) { r.WriteByte("NMEARefreshTime", 0); });
    module.LoadSettings();
    EXPECT_EQ(module.RefreshSeconds(), 5);

    auto options = module.GetOptions();
    options.pass.autoDeleteTimeLimit = 45min;
    options.pass.targetDangerousInterval = 2min;
    options.refreshSeconds = 12;
    module.ApplyOptions(options);
    module.SaveSettings();
    CARPAModule again(home, ports, clock, nullptr);
    again.LoadSettings();
    EXPECT_EQ(again.PassOptions().autoDeleteTimeLimit, 45min);
    EXPECT_EQ(again.PassOptions().targetDangerousInterval, 2min);
    EXPECT_EQ(again.RefreshSeconds(), 12);
}

// A fresh module saves the defaults under their value names, every sentence
// enabled in its own subkey.
TEST_F(ModuleTest, AFreshModuleSavesTheDefaults)
{
    CARPAModule fresh(home, ports, clock, nullptr);
    fresh.Initialise();
    fresh.SaveSettings();
    app::CRegistry registry(home.GetStore());
    ASSERT_TRUE(fresh.OpenSettings(registry, false));
    std::string text;
    std::uint32_t dword = 0;
    EXPECT_TRUE(registry.ReadDWord("ReceiveCOMPort", dword));
    EXPECT_EQ(dword, 1u);
    EXPECT_TRUE(registry.ReadDWord("MaxTargets", dword));
    EXPECT_EQ(dword, 5u);
    EXPECT_TRUE(registry.ReadDWord("NMEARefreshTime", dword));
    EXPECT_EQ(dword, 5u);
    EXPECT_TRUE(registry.ReadDWord("OverlaySize", dword));
    EXPECT_EQ(dword, 2u);
    EXPECT_TRUE(registry.ReadString("AutoDelete", text));
    EXPECT_EQ(text, "False");
    EXPECT_TRUE(registry.ReadString("WarningCircles", text));
    EXPECT_EQ(text, "True");
    double radius = 0.0;
    EXPECT_TRUE(registry.ReadDouble("WarningCirclesRadius", radius));
    EXPECT_EQ(radius, 0.1);
    app::CDateTimeSpanEx span;
    EXPECT_TRUE(registry.ReadTimeSpan("AutoDeleteTimeLimit", span));
    EXPECT_EQ(span.GetTotalSeconds(), 30 * 60);
    EXPECT_TRUE(registry.ReadTimeSpan("TargetDangerousInterval", span));
    EXPECT_EQ(span.GetTotalSeconds(), 60);
    registry.Close();
    ASSERT_TRUE(fresh.OpenSettings(registry, false, "NMEASentences"));
    for (const char* id : {"TLL", "TLB", "TTM", "RSD"}) {
        EXPECT_TRUE(registry.ReadString(id, text)) << id;
        EXPECT_EQ(text, "True") << id;
    }
    registry.Close();
    fresh.Terminate();

    // The three warnings, registered inactive.
    const auto expect = [&](app::MsgHandle message, const char* text, std::uint16_t priority) {
        ASSERT_NE(message, nullptr) << text;
        EXPECT_EQ(message->text, text);
        EXPECT_EQ(message->priority, priority) << text;
        EXPECT_FALSE(bar.IsMessageActive(message)) << text;
    };
    expect(module.TurnedOffMessage(),
           "ARPA has been turned off.  Targets WILL NO LONGER be updated or drawn.", 20002);
    expect(module.WarningCircleMessage(),
           "Your vessel has entered an ARPA Target(s) Warning circle", 19000);
    expect(module.DeadReckoningMessage(),
           "One or more Targets position is being calculated from DR position.", 18500);
}

TEST_F(ModuleTest, APortThatWillNotOpenLeavesArpaOffWithItsReason)
{
    module.Config().receivePort = 2;
    port.opens = false;
    const std::string failure = module.OnActivate();
    EXPECT_FALSE(module.IsOn());
    EXPECT_NE(failure.find("COM2"), std::string::npos) << failure;
    ASSERT_NE(module.PortFailureMessage(), nullptr);
    EXPECT_TRUE(bar.IsMessageActive(module.PortFailureMessage()));
    EXPECT_EQ(module.PortFailureMessage()->text, failure);
    EXPECT_FALSE(bar.IsMessageActive(module.TurnedOffMessage()));

    port.opens = true;
    EXPECT_EQ(module.OnActivate(), "");
    EXPECT_TRUE(module.IsOn());
    EXPECT_EQ(module.OnActivate(), "");   // off again: the notice shows for 20 s
    EXPECT_FALSE(module.IsOn());
    EXPECT_TRUE(bar.IsMessageActive(module.TurnedOffMessage()));
    EXPECT_EQ(module.TurnedOffMessage()->expiry,
              std::chrono::floor<std::chrono::seconds>(clock.UtcNow()) + 20s);

    // A changed port while on reopens; when the new one fails ARPA is off.
    module.OnActivate();
    ASSERT_TRUE(module.IsOn());
    auto options = module.GetOptions();
    options.receivePort = 7;
    EXPECT_NE(module.ApplyOptions(options), "");
    EXPECT_FALSE(module.IsOn());
}

TEST_F(ModuleTest, LinesBecomeTargetsWithPositionsWarningsAndObserverCalls)
{
    Observer observer;
    module.AddObserver(&observer);
    module.Config().receivePort = 2;
    ASSERT_EQ(module.OnActivate(), "");
    Receive({"RATTM,01,0.05,090.0,T,5.0,180.0,T,,,N,NEAR,T,,,A",
             "RATTM,02,3.00,270.0,R,8.0,000.0,T,,,N,FAR,T,,,A",
             "RATLL,03,5010.000,N,00100.000,W,BUOY,,T,", "RATLB,01,PILOT,03,MARK",
             "GPGLL,5000.000,N,00100.000,W,,A"},   // not an ARPA sentence: filtered
            1);
    EXPECT_EQ(module.Device().ParsedLines(), 4u);
    Pass();
    ASSERT_EQ(module.Targets().size(), 3u);
    EXPECT_EQ(observer.added, (std::vector<int>{1, 2, 3}));
    const auto& near = module.Targets()[0];
    ASSERT_TRUE(near.fix.has_value());
    EXPECT_NEAR(near.fix->position.latitude, 50.0, 1e-6);
    EXPECT_GT(near.fix->position.longitude, -1.0);
    EXPECT_EQ(near.record->Label(), "PILOT");
    EXPECT_NEAR(*module.Targets()[1].fix->bearing, 270.0, 1e-9);   // heading 0
    EXPECT_NEAR(module.Targets()[2].fix->position.latitude, 50.0 + 10.0 / 60.0, 1e-9);
    // 0.05 nm is inside the 0.1 nm circle.
    EXPECT_EQ(module.InsideCount(), 1);
    EXPECT_TRUE(bar.IsMessageActive(module.WarningCircleMessage()));
    EXPECT_TRUE(near.record->current);

    // Dead reckoning: every target loses its up-to-date state and 34014 shows.
    nav.ownFixReal = false;
    nav.cycle = 2;
    Pass();
    EXPECT_TRUE(bar.IsMessageActive(module.DeadReckoningMessage()));
    EXPECT_FALSE(module.Targets()[0].record->current);

    // Delete the selected target: observers hear it and the circle empties.
    module.SelectTarget(near.record.get());
    ASSERT_NE(module.Selected(), nullptr);
    module.RemoveTarget(*module.Targets()[0].record);
    EXPECT_EQ(observer.removed, (std::vector<int>{1}));
    EXPECT_EQ(module.Selected(), nullptr);
    EXPECT_EQ(module.InsideCount(), 0);
    EXPECT_FALSE(bar.IsMessageActive(module.WarningCircleMessage()));
    EXPECT_EQ(module.Targets()[0].displayOrder, 1);
    module.RemoveObserver(&observer);
    module.ResetTargets();
    EXPECT_TRUE(module.Targets().empty());
}

// While ARPA is off its targets are no longer updated: an own-vessel update
// only counts the own fix as real (no dead-reckoning warning) and leaves
// every target's up-to-date state as it was.
TEST_F(ModuleTest, SwitchedOffTargetsKeepTheirStateThroughAgeChecks)
{
    module.Config().receivePort = 2;
    ASSERT_EQ(module.OnActivate(), "");
    Receive({"RATTM,01,1.0,090.0,T,5.0,180.0,T,,,N,ONE,T,,,A"});
    Pass();
    ASSERT_EQ(module.Targets().size(), 1u);
    ASSERT_TRUE(module.Targets()[0].record->current);
    ASSERT_EQ(module.OnActivate(), "");   // off
    nav.ownFixReal = false;
    nav.cycle = 2;
    Pass(2min);
    EXPECT_FALSE(bar.IsMessageActive(module.DeadReckoningMessage()));
    EXPECT_TRUE(module.Targets()[0].record->current);
}

TEST_F(ModuleTest, LostReportsMakeNoTargetsAndRowsAreWrittenOnlyWhenAReportCame)
{
    Observer observer;
    module.AddObserver(&observer);
    module.Config().receivePort = 2;
    ASSERT_EQ(module.OnActivate(), "");
    // A radar reporting a target lost before it was ever tracked: no target.
    for (int i = 0; i < 3; ++i) {
        Receive({"RATTM,01,1.00,090.0,T,5.0,180.0,T,,,N,ONE,L,,,A",
                 "RATLL,04,5010.000,N,00100.000,W,BUOY,,L,"});
        Pass();
    }
    EXPECT_TRUE(module.Targets().empty());
    EXPECT_TRUE(observer.added.empty());

    Receive({"RATTM,01,1.00,090.0,T,5.0,180.0,T,,,N,ONE,T,,,A"});
    Pass();
    ASSERT_EQ(module.Targets().size(), 1u);
    EXPECT_EQ(observer.reported, (std::vector<int>{1}));
    // Silent passes leave the row as it was.
    Pass();
    Pass();
    EXPECT_EQ(observer.reported, (std::vector<int>{1}));

    // Lost: one row write, then eight seconds of "L" reports make no copies.
    Receive({"RATTM,01,1.00,090.0,T,5.0,180.0,T,,,N,ONE,L,,,A"});
    Pass();
    EXPECT_EQ(observer.reported, (std::vector<int>{1, 1}));
    for (int i = 0; i < 8; ++i) {
        Receive({"RATTM,01,1.00,090.0,T,5.0,180.0,T,,,N,ONE,l,,,A"});
        Pass();
    }
    ASSERT_EQ(module.Targets().size(), 1u);
    EXPECT_FALSE(module.Targets()[0].record->live);
    EXPECT_EQ(observer.reported, (std::vector<int>{1, 1}));

    // Tracked again: a successor of its own, second in the display order.
    Receive({"RATTM,01,1.00,090.0,T,5.0,180.0,T,,,N,ONE,T,,,A"});
    Pass();
    ASSERT_EQ(module.Targets().size(), 2u);
    EXPECT_NE(module.Targets()[0].record, module.Targets()[1].record);
    EXPECT_EQ(module.Targets()[1].displayOrder, 2);
    EXPECT_TRUE(module.IsShown(module.Targets()[1]));
    module.RemoveObserver(&observer);
}

TEST_F(ModuleTest, NewTargetsWaitInTheNavigatorsQueueAndLiveOnItsList)
{
    navigator::CNavigatorModule navigatorModule(home, clock);
    const navigator::CVesselList& list = *navigatorModule.Vessels();
    module.SetVesselList(navigatorModule.Vessels());
    Observer observer;
    module.AddObserver(&observer);
    module.Config().receivePort = 2;
    ASSERT_EQ(module.OnActivate(), "");
    Receive({"RATTM,04,1.0,090.0,T,5.0,180.0,T,,,N,TUG,T,,,A",
             "RATTM,09,2.0,270.0,T,8.0,000.0,T,,,N,FERRY,T,,,A"});
    // Made on the device's worker, they wait in the navigator's queue.
    EXPECT_EQ(list.QueuedCount(), 2u);
    EXPECT_TRUE(list.Vessels().empty());
    EXPECT_TRUE(module.Targets().empty());
    EXPECT_FALSE(module.Store().Slot(4)->live);

    // The navigator's pass: they join its list, then the module's pass runs.
    ASSERT_TRUE(navigatorModule.NavigationTimerPass());
    EXPECT_EQ(list.QueuedCount(), 0u);
    ASSERT_EQ(list.Vessels().size(), 2u);
    EXPECT_EQ(observer.added, (std::vector<int>{4, 9}));
    EXPECT_TRUE(module.Targets()[0].fix.has_value());
    for (std::size_t i = 0; i < 2; ++i) {
        const targets::CTrackedTarget& target = module.Targets()[i];
        // The navigator lists the module's own objects, in the order they came.
        EXPECT_EQ(list.Vessels()[i].get(), &target);
        EXPECT_TRUE(list.Vessels()[i]->IsOfSourceType(navigator::kVesselArpa));
        EXPECT_TRUE(target.record->live);
        EXPECT_EQ(target.displayOrder, static_cast<int>(i) + 1);
        EXPECT_NE(target.properties, nullptr);
    }
    Pass();
    EXPECT_EQ(module.Targets().size(), 2u);   // the module's pass adds nothing twice

    // The navigator tells the module when dead reckoning begins and ends.
    navigatorModule.Source().SwitchToDeadReckoning(true);
    EXPECT_FALSE(module.OwnFixReal());
    EXPECT_FALSE(module.Targets()[0].record->current);
    EXPECT_TRUE(bar.IsMessageActive(module.DeadReckoningMessage()));
    navigatorModule.Source().ReturnToNmea(false);
    EXPECT_TRUE(module.OwnFixReal());
    EXPECT_FALSE(bar.IsMessageActive(module.DeadReckoningMessage()));

    // Removed on this thread, the object goes with its last owner here and then.
    std::weak_ptr<targets::CTrackedTarget> tug = module.Store().Target(4);
    module.RemoveTarget(*module.Targets()[0].record);
    EXPECT_TRUE(tug.expired());
    ASSERT_EQ(list.Vessels().size(), 1u);
    EXPECT_EQ(list.Vessels()[0].get(), &module.Targets()[0]);

    // Reset: the list empties and a target still queued never joins.
    Receive({"RATTM,11,1.0,090.0,T,5.0,180.0,T,,,N,,T,,,A"});
    EXPECT_EQ(list.QueuedCount(), 1u);
    module.ResetTargets();
    EXPECT_TRUE(list.Vessels().empty());
    EXPECT_EQ(list.QueuedCount(), 0u);
    module.RemoveObserver(&observer);
}

// While the navigator's hold flag is raised (a device side toggling, a
// position source change, a medium prompt) the module's pass leaves its
// targets waiting, however it is called; once it is lowered they join.
TEST_F(ModuleTest, TheNavigatorsHoldKeepsTheModulesPassWaiting)
{
    navigator::CNavigatorModule navigatorModule(home, clock);
    const navigator::CVesselList& list = *navigatorModule.Vessels();
    module.SetVesselList(navigatorModule.Vessels());
    module.Config().receivePort = 2;
    ASSERT_EQ(module.OnActivate(), "");
    Receive({"RATTM,04,1.0,090.0,T,5.0,180.0,T,,,N,TUG,T,,,A"});
    navigatorModule.RaiseHold();
    navigatorModule.NavigationTimerPass();
    Pass();
    EXPECT_TRUE(module.Targets().empty());
    EXPECT_EQ(list.QueuedCount(), 1u);
    navigatorModule.LowerHold();
    navigatorModule.NavigationTimerPass();
    ASSERT_EQ(module.Targets().size(), 1u);
    EXPECT_TRUE(module.Targets()[0].fix.has_value());
}

TEST(ModuleLifetime, TheNavigatorsListKeepsNoTargetOfAModuleThatIsGone)
{
    Home home;
    brine_test::FakeClock clock;
    brine_test::FakePorts ports;
    ports.Add(2);
    navigator::CNavigatorModule navigatorModule(home, clock);
    {
        CARPAModule module{home, ports, clock, nullptr};
        module.Initialise();
        module.SetVesselList(navigatorModule.Vessels());
        ASSERT_TRUE(module.Parser().ParseLine(Line("RATTM,03,1.0,090.0,T,5.0,180.0,T,,,N,,T,,,A")));
        navigatorModule.NavigationTimerPass();
        ASSERT_EQ(module.Targets().size(), 1u);
        ASSERT_TRUE(module.Parser().ParseLine(Line("RATTM,05,1.0,090.0,T,5.0,180.0,T,,,N,,T,,,A")));
        module.Terminate();
    }
    EXPECT_TRUE(navigatorModule.Vessels()->Vessels().empty());
    EXPECT_EQ(navigatorModule.Vessels()->QueuedCount(), 0u);
    navigatorModule.NavigationTimerPass();   // no owner left to call
    EXPECT_TRUE(navigatorModule.Vessels()->Vessels().empty());
}

TEST_F(ModuleTest, TracksGetAFixPerMarkerSpanAndTargetsWithoutAPositionStayPut)
{
    auto options = module.GetOptions();
    options.properties.loggingPeriod = app::CDateTimeSpanEx(30);
    module.ApplyOptions(options);
    module.Config().receivePort = 2;
    ASSERT_EQ(module.OnActivate(), "");
    for (int s = 0; s < 95; ++s) {
        Receive({"RATTM,05,1.0,045.0,T,10.0,045.0,T,,,N,,T,,,A"});
        Pass();
    }
    ASSERT_EQ(module.Targets().size(), 1u);
    const auto& track = module.Targets()[0].track;
    ASSERT_EQ(track.size(), 4u);   // 0, 30, 60, 90 s
    EXPECT_TRUE(track[0].newSegment);
    EXPECT_FALSE(track[1].newSegment);
    EXPECT_EQ(track[1].time - track[0].time, 30s);

    // A relative bearing with no heading anywhere: the target keeps its place.
    const auto before = module.Targets()[0].fix->position;
    nav.own.heading.reset();
    Receive({"RATTM,05,2.0,100.0,R,10.0,045.0,T,,,N,,T,,,A"});
    Pass();
    EXPECT_EQ(module.Targets()[0].fix->position.latitude, before.latitude);
    EXPECT_EQ(module.Targets()[0].fix->position.longitude, before.longitude);
}

// A lower-case unit letter converts everywhere the target is shown; the speed
// and CPA a track fix records are the report's own, in an upper-case unit only.
TEST_F(ModuleTest, TrackFixesRecordTheReportedSpeedAndClosestApproach)
{
    nav.own.courseOverGround = 0.0;
    nav.own.speedOverGround = 10.0;
    module.Config().receivePort = 2;
    ASSERT_EQ(module.OnActivate(), "");
    Receive({"RATTM,01,1.852,045.0,T,18.52,045.0,T,0.926,3.0,k,,T,,,A",
             "RATTM,02,1.0,090.0,T,10.0,045.0,T,0.5,3.0,N,,T,,,A",
             "RATTM,03,1.0,135.0,T,10.0,045.0,R,0.5,3.0,N,,T,,,A"});
    Pass();
    ASSERT_EQ(module.Targets().size(), 3u);
    for (const auto& target : module.Targets()) {
        const int number = target.record->Number();
        ASSERT_TRUE(target.fix.has_value()) << number;
        ASSERT_EQ(target.track.size(), 1u) << number;
        const auto& fix = target.track.front();
        EXPECT_EQ(fix.minutesToClosestApproach, 3.0) << number;
        if (number == 1) {
            EXPECT_NEAR(*target.fix->rangeNm, 1.0, 1e-9);
            EXPECT_NEAR(*target.fix->speedKnots, 10.0, 1e-9);
            EXPECT_FALSE(fix.speedKnots);
            EXPECT_FALSE(fix.closestApproachNm);
        } else {
            // A relative course gives the symbol the true motion; the fix
            // keeps the speed as reported.
            ASSERT_TRUE(fix.speedKnots) << number;
            EXPECT_EQ(*fix.speedKnots, 10.0) << number;
            EXPECT_EQ(fix.closestApproachNm, 0.5) << number;
        }
    }
}

}   // namespace

// Each target carries its own display properties: a copy of the module's when
// it joins, changed on its own by its page (its fixes then follow its own
// marker span), ticked by Save, and overwritten when the options are applied.
TEST_F(ModuleTest, EachTargetHasItsOwnPropertiesUntilTheOptionsAreApplied)
{
    app::CCommandTable commands;
    module.RegisterCommands(commands);
    module.Config().receivePort = 2;
    ASSERT_EQ(module.OnActivate(), "");
    Receive({"RATTM,01,1.0,045.0,T,10.0,045.0,T,,,N,,T,,,A",
             "RATTM,02,1.5,090.0,T,10.0,045.0,T,,,N,,T,,,A"});
    Pass();
    ASSERT_EQ(module.Targets().size(), 2u);
    const auto& one = module.Targets()[0];
    const auto& two = module.Targets()[1];
    EXPECT_FALSE(module.TargetProperties(one) != module.Properties());

    chart::CTargetProperties own = module.TargetProperties(one);
    own.drawNumber = !own.drawNumber;
    own.loggingPeriod = app::CDateTimeSpanEx(10);
    const auto generation = module.PropertiesGeneration();
    module.SetTargetProperties(*one.record, own);
    EXPECT_NE(module.PropertiesGeneration(), generation);   // the layers copy them again
    EXPECT_NE(module.TargetProperties(one).drawNumber, module.Properties().drawNumber);
    EXPECT_FALSE(module.TargetProperties(two) != module.Properties());

    // 35 s of reports: target 1 lays a fix each 10 s, target 2 each 3 minutes.
    for (int s = 0; s < 35; ++s) {
        Receive({"RATTM,01,1.0,045.0,T,10.0,045.0,T,,,N,,T,,,A",
                 "RATTM,02,1.5,090.0,T,10.0,045.0,T,,,N,,T,,,A"});
        Pass();
    }
    EXPECT_EQ(module.Targets()[0].track.size(), 4u);
    EXPECT_EQ(module.Targets()[1].track.size(), 1u);

    // Save: never offered by the menu, ticked for the selected target only.
    EXPECT_EQ(commands.Update(app::cmd::kArpaSave), (app::CCmdUIState{false, 0, std::nullopt}));
    module.SelectTarget(two.record.get());
    module.ToggleSaveTarget();
    EXPECT_EQ(commands.Update(app::cmd::kArpaSave), (app::CCmdUIState{false, 1, std::nullopt}));
    EXPECT_FALSE(module.TargetProperties(module.Targets()[0]).saveTarget);
    module.SelectTarget(one.record.get());
    EXPECT_EQ(commands.Update(app::cmd::kArpaSave).check, 0);

    // Applying the options gives every target the module's properties again.
    module.ApplyOptions(module.GetOptions());
    for (const auto& target : module.Targets())
        EXPECT_FALSE(module.TargetProperties(target) != module.Properties());
}

// Each target gets a vessel-log row when it joins the list; the row is ended
// once with its last report when the target is reported lost, and when it is
// deleted, dropped by AutoDelete or reset.
TEST_F(ModuleTest, TargetsStartAndEndTheirVesselLogRowsOnce)
{
    struct Rows : targets::CTargetLogRows {
        std::vector<std::string> started;
        std::vector<long> ended;
        long next = 1;
        std::optional<CRow> StartRow(int kind, int number, const std::string& name) override
        {
            started.push_back(std::to_string(kind) + ":" + std::to_string(number) + ":" + name);
            return CRow{next++, {}};
        }
        void EndRow(long row, std::chrono::system_clock::time_point) override
        {
            ended.push_back(row);
        }
    } rows;
    module.SetLogRows(&rows);
    auto options = module.GetOptions();
    options.pass.autoDelete = true;
    options.pass.autoDeleteTimeLimit = 60s;
    module.ApplyOptions(options);
    module.Config().receivePort = 2;
    ASSERT_EQ(module.OnActivate(), "");
    Receive({"RATTM,01,1.0,045.0,T,10.0,045.0,T,,,N,ONE,T,,,A",
             "RATTM,02,1.5,090.0,T,10.0,045.0,T,,,N,TWO,T,,,A",
             "RATTM,03,2.0,135.0,T,10.0,045.0,T,,,N,THREE,T,,,A"});
    Pass();
    EXPECT_EQ(rows.started, (std::vector<std::string>{"2:1:ONE", "2:2:TWO", "2:3:THREE"}));
    ASSERT_TRUE(module.Targets()[0].captured.has_value());

    // Lost twice: one end, and AutoDelete drops it.
    Receive({"RATTM,01,1.0,045.0,T,10.0,045.0,T,,,N,ONE,L,,,A"});
    Pass();
    Receive({"RATTM,02,1.5,090.0,T,10.0,045.0,T,,,N,TWO,T,,,A"});
    Pass();
    EXPECT_EQ(rows.ended, (std::vector<long>{1}));
    // Deleted by hand.
    module.RemoveTarget(*module.Targets()[0].record);
    EXPECT_EQ(rows.ended, (std::vector<long>{1, 2}));
    // Silent past the limit: dropped by AutoDelete.
    for (int s = 0; s < 70; ++s)
        Pass();
    EXPECT_EQ(rows.ended, (std::vector<long>{1, 2, 3}));
    EXPECT_TRUE(module.Targets().empty());
    module.SetLogRows(nullptr);
}

// The radar's sentence list is TLL, TLB, TTM and RSD. A settings file that
// still holds an "OSD" flag loads the four and leaves that flag unused.
TEST_F(ModuleTest, TheSentenceListHoldsTheFourTargetSentences)
{
    std::vector<std::string> ids;
    for (const auto& entry : module.Config().GetSentences())
        ids.push_back(entry.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"TLL", "TLB", "TTM", "RSD"}));

    app::CRegistry registry(home.GetStore());
    ASSERT_TRUE(module.OpenSettings(registry, true, "NMEASentences"));
    registry.WriteString("OSD", "True");
    registry.WriteString("TLB", "False");
    registry.Close();
    module.LoadSettings();
    ids.clear();
    for (const auto& entry : module.Config().GetSentences())
        ids.push_back(entry.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"TLL", "TLB", "TTM", "RSD"}));
    EXPECT_FALSE(module.Config().IsSentenceEnabled(Line("RATLB,1,ALPHA")));
    EXPECT_TRUE(module.Config().IsSentenceEnabled(Line("RATTM,01,1.0,10.0,T,5.0,90.0,T,,,N,,T,,")));
    EXPECT_FALSE(module.Config().IsSentenceEnabled(Line("RAOSD,90.0,A,90.0,B,5.0,B,,,N")));
}

// The reader hands on only a line that starts with "$", is shorter than 83
// characters (its line end included) and passes the talker and sentence
// filters.
TEST_F(ModuleTest, TheReaderDropsLinesTheFiltersRefuse)
{
    module.Config().receivePort = 2;
    ASSERT_EQ(module.OnActivate(), "");
    // "$", the body, "*hh" and the line end: 82 characters, then 83.
    const auto padded = [](int number, std::size_t lineLength) {
        std::string body = "RATTM," + std::to_string(number) + ",1.0,090.0,T,5.0,180.0,T,,,N,";
        const std::string tail = ",T,,,A";
        body += std::string(lineLength - 6 - body.size() - tail.size(), 'X');
        return body + tail;
    };
    ASSERT_EQ(Line(padded(11, 82)).size(), 82u);
    Receive({padded(11, 82), padded(12, 83)}, 1);
    Receive({"GPTTM,13,1.0,090.0,T,5.0,180.0,T,,,N,,T,,,A",
             "IITTM,14,1.0,090.0,T,5.0,180.0,T,,,N,,T,,,A"},
            1);
    port.Receive(" " + Line("RATTM,15,1.0,090.0,T,5.0,180.0,T,,,N,,T,,,A"));
    Receive({"RATTM,16,1.0,090.0,T,5.0,180.0,T,,,N,,T,,,A"});
    Pass();
    std::vector<int> numbers;
    for (const auto& target : module.Targets())
        numbers.push_back(target.record->Number());
    EXPECT_EQ(numbers, (std::vector<int>{11, 14, 16}));
}

// Activate/Deactivate needs a receive port and is ticked while ARPA is on;
// Go To Selected and Delete need a selected target.
TEST_F(ModuleTest, ArpaCommandsFollowThePortAndTheSelection)
{
    app::CCommandTable commands;
    module.RegisterCommands(commands);
    std::vector<targets::CTargetPosition> wentTo;
    module.SetGoTo([&wentTo](const targets::CTargetPosition& p) { wentTo.push_back(p); });
    module.Config().receivePort = 0;
    EXPECT_EQ(commands.Update(app::cmd::kArpaActivate), (app::CCmdUIState{false, 0, std::nullopt}));
    module.Config().receivePort = 2;
    EXPECT_EQ(commands.Update(app::cmd::kArpaActivate), (app::CCmdUIState{true, 0, std::nullopt}));
    commands.Execute(app::cmd::kArpaActivate);
    EXPECT_EQ(commands.Update(app::cmd::kArpaActivate), (app::CCmdUIState{true, 1, std::nullopt}));
    EXPECT_FALSE(commands.Update(app::cmd::kArpaGoToSelected).enabled);
    EXPECT_FALSE(commands.Update(app::cmd::kArpaDelete).enabled);
    Receive({"RATTM,01,1.0,090.0,T,5.0,180.0,T,,,N,ONE,T,,,A"});
    Pass();
    module.SelectTarget(module.Targets()[0].record.get());
    EXPECT_TRUE(commands.Update(app::cmd::kArpaGoToSelected).enabled);
    EXPECT_TRUE(commands.Update(app::cmd::kArpaDelete).enabled);
    // Go To Selected brings the selected target's symbol position into view.
    commands.Execute(app::cmd::kArpaGoToSelected);
    ASSERT_EQ(wentTo.size(), 1u);
    ASSERT_TRUE(module.Targets()[0].fix.has_value());
    EXPECT_EQ(wentTo[0].latitude, module.Targets()[0].fix->position.latitude);
    EXPECT_EQ(wentTo[0].longitude, module.Targets()[0].fix->position.longitude);
    const std::weak_ptr<targets::CTargetRecord> deleted = module.Targets()[0].record;
    commands.Execute(app::cmd::kArpaDelete);
    EXPECT_TRUE(module.Targets().empty());
    EXPECT_TRUE(deleted.expired());
    EXPECT_FALSE(commands.Update(app::cmd::kArpaDelete).enabled);
    // Its slot was cleared: the next report of its number makes a new target.
    Receive({"RATTM,01,1.0,090.0,T,5.0,180.0,T,,,N,ONE,T,,,A"});
    Pass();
    ASSERT_EQ(module.Targets().size(), 1u);
    EXPECT_EQ(module.Targets()[0].record->Number(), 1);
    EXPECT_TRUE(module.Targets()[0].record->live);
}

// The radar cursor needs a valid RSD cursor in a known range unit (either
// case) and a valid own position; its range is taken in nautical miles.
TEST_F(ModuleTest, RadarCursorNeedsAKnownUnitAndTheOwnPosition)
{
    app::CCommandTable commands;
    module.RegisterCommands(commands);
    module.Config().receivePort = 2;
    ASSERT_EQ(module.OnActivate(), "");
    Pass();
    EXPECT_FALSE(commands.Update(app::cmd::kRadarCursor).enabled);
    Receive({"RARSD,,,,,,,,,2.0,180.0,3.0,k,N"});
    Pass();
    ASSERT_TRUE(module.Cursor().has_value());
    EXPECT_NEAR(module.Cursor()->rangeNm, 2000.0 / 1852.0, 1e-12);
    EXPECT_EQ(commands.Update(app::cmd::kRadarCursor), (app::CCmdUIState{true, 0, std::nullopt}));
    commands.Execute(app::cmd::kRadarCursor);
    EXPECT_EQ(commands.Update(app::cmd::kRadarCursor).check, 1);

    nav.own.position.reset();
    Pass();
    EXPECT_FALSE(commands.Update(app::cmd::kRadarCursor).enabled);
    nav.own.position = targets::CTargetPosition{50.0, -1.0};
    Receive({"RARSD,,,,,,,,,2.0,180.0,3.0,X,N"});
    Pass();
    EXPECT_FALSE(module.Cursor().has_value());
    EXPECT_FALSE(commands.Update(app::cmd::kRadarCursor).enabled);
}

// Port "Off" is no port: applying it while ARPA is on closes the old port and
// reports nothing; ARPA stays on and receives nothing until a port is chosen.
TEST_F(ModuleTest, PortOffWhileOnClosesThePortWithoutAFailure)
{
    module.Config().receivePort = 2;
    ASSERT_EQ(module.OnActivate(), "");
    ASSERT_TRUE(module.IsOn());
    auto options = module.GetOptions();
    options.receivePort = 0;
    EXPECT_EQ(module.ApplyOptions(options), "");
    EXPECT_EQ(module.PortFailureMessage(), nullptr);
    EXPECT_FALSE(module.Device().IsReceiveOpen());
    EXPECT_EQ(module.Config().receivePort, 0);
    EXPECT_TRUE(module.IsOn());
    Pass();

    // A port chosen again while on opens it.
    options.receivePort = 2;
    EXPECT_EQ(module.ApplyOptions(options), "");
    EXPECT_TRUE(module.Device().IsReceiveOpen());
    EXPECT_TRUE(module.IsOn());
}

// The device is named "ARPA" and receives on the module's port. Terminate
// takes the three warnings off the bar and empties the talker and sentence
// lists.
TEST_F(ModuleTest, TheDeviceFollowsTheModuleAndTerminateTakesWarningsAndListsAway)
{
    EXPECT_EQ(module.Device().GetName(), "ARPA");
    module.Config().receivePort = 2;
    EXPECT_EQ(module.Device().GetReceivePort(), 2);
    const auto shown = [this](const std::string& text) {
        for (const auto& message : bar.Messages())
            if (message->text == text)
                return true;
        return false;
    };
    const std::vector<std::string> warnings{CARPAModule::kTurnedOffText,
                                            CARPAModule::kWarningCircleText,
                                            CARPAModule::kDeadReckoningText};
    for (const std::string& w : warnings)
        EXPECT_TRUE(shown(w)) << w;
    EXPECT_FALSE(module.Config().GetTalkers().empty());

    EXPECT_TRUE(module.Terminate());
    for (const std::string& w : warnings)
        EXPECT_FALSE(shown(w)) << w;
    EXPECT_TRUE(module.Config().GetTalkers().empty());
    EXPECT_TRUE(module.Config().GetSentences().empty());
    module.Initialise();   // the fixture terminates it again
}

// A window that throws while its rows are refreshed does not stop the pass:
// the windows after it still hear of the targets, the warnings are set and
// the chart views are redrawn at the end. Selecting a target tells every
// window (the properties pages and the target log follow it) and redraws.
TEST_F(ModuleTest, AWindowThatThrowsDoesNotStopThePassAndSelectionReachesEveryWindow)
{
    struct Throwing : targets::CARPAObserver {
        void OnTargetAdded(const targets::CTargetRecord&) override
        {
            throw std::runtime_error("a");
        }
        void OnTargetReported(const targets::CTargetRecord&) override
        {
            throw std::runtime_error("r");
        }
        void OnTargetChanged(const targets::CTargetRecord&) override
        {
            throw std::runtime_error("c");
        }
        void OnSelectionChanged(const targets::CTargetRecord*) override
        {
            throw std::runtime_error("s");
        }
    } throwing;
    struct Selection : Observer {
        std::vector<const targets::CTargetRecord*> selected;
        void OnSelectionChanged(const targets::CTargetRecord* r) override { selected.push_back(r); }
    } observer;
    int redraws = 0;
    module.SetRedraw([&redraws] { ++redraws; });
    module.AddObserver(&throwing);
    module.AddObserver(&observer);
    module.Config().receivePort = 2;
    ASSERT_EQ(module.OnActivate(), "");
    Receive({"RATTM,01,0.05,090.0,T,5.0,180.0,T,,,N,NEAR,T,,,A",
             "RATTM,02,3.00,270.0,T,8.0,000.0,T,,,N,FAR,T,,,A"});
    redraws = 0;
    Pass();
    ASSERT_EQ(module.Targets().size(), 2u);
    EXPECT_EQ(observer.added, (std::vector<int>{1, 2}));
    // The pass walks the list from its tail to its head.
    EXPECT_EQ(observer.reported, (std::vector<int>{2, 1}));
    EXPECT_EQ(observer.changes, 2);
    EXPECT_TRUE(bar.IsMessageActive(module.WarningCircleMessage()));
    EXPECT_EQ(redraws, 1);

    const targets::CTargetRecord* first = module.Targets()[0].record.get();
    const targets::CTargetRecord* second = module.Targets()[1].record.get();
    redraws = 0;
    module.SelectTarget(first);
    module.SelectTarget(second);
    EXPECT_EQ(module.Selected(), second);
    EXPECT_EQ(observer.selected, (std::vector<const targets::CTargetRecord*>{first, second}));
    EXPECT_EQ(redraws, 2);
    module.SelectTarget(nullptr);
    EXPECT_EQ(observer.selected.back(), nullptr);
    module.RemoveObserver(&throwing);
    module.RemoveObserver(&observer);
}

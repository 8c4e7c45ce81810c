// The navigator's hold flag: while it is raised the timer pass leaves out its
// periodic work (no vessel joins the list, no panel message is posted); a
// change of position source raises it for as long as it is applied, even
// when the change fails half-way; a hold taken inside another (the GPS
// device toggled while the change is applied) does not end the outer one;
// and each GPS toggle raises it around the device side opening or closing.

#include <gtest/gtest.h>

#include <stdexcept>

#include "../nmea/FakePort.h"
#include "FakeClock.h"
#include "NavigatorFakes.h"
#include "navigator/NavigatorModule.h"
#include "nmea/GPSModule.h"

using namespace std::chrono_literals;
using namespace navigator;

namespace {

class Boat final : public CChartVessel {
public:
    const CVessel& Vessel() const override { return m_record; }

private:
    CVessel m_record{kVesselArpa};
};

struct Held {
    brine_test::FakeClock clock;
    navtest::MemorySettings settings;
    navtest::FakeGps gps{clock};
    CNavigatorModule nav{settings, clock, &gps};

    std::size_t Pass()
    {
        nav.NavigationTimerPass();
        std::size_t posted = 0;
        nav.PanelQueue().Drain([&](const app::CPostedMessage& m) {
            ++posted;
            nav.OnMonitorMessage(m);
        });
        return posted;
    }
};

TEST(NavigatorHold, HeldPassesDoNothingUntilTheLastHoldEnds)
{
    Held h;
    h.nav.Vessels()->Queue(std::make_shared<Boat>());
    h.nav.RaiseHold();
    h.nav.RaiseHold();
    EXPECT_EQ(h.Pass(), 0u);
    EXPECT_EQ(h.nav.Vessels()->QueuedCount(), 1u);
    h.nav.LowerHold();
    EXPECT_TRUE(h.nav.IsHeld());
    EXPECT_EQ(h.Pass(), 0u);
    h.nav.LowerHold();
    EXPECT_FALSE(h.nav.IsHeld());
    h.nav.LowerHold();   // one too many: no hold owed to a later raise
    h.nav.RaiseHold();
    EXPECT_TRUE(h.nav.IsHeld());
    h.nav.LowerHold();
    EXPECT_GT(h.Pass(), 0u);
    EXPECT_EQ(h.nav.Vessels()->QueuedCount(), 0u);
    EXPECT_EQ(h.nav.Vessels()->Vessels().size(), 1u);
}

TEST(NavigatorHold, PositionSourceChangeHoldsThroughItsDeviceToggle)
{
    Held h;
    std::vector<bool> heldDuringToggle;
    // The receive toggle raises and lowers the flag itself, as the GPS module does.
    h.nav.SetReceiveToggle([&](bool) {
        h.nav.RaiseHold();
        heldDuringToggle.push_back(h.nav.IsHeld());
        h.nav.LowerHold();
        heldDuringToggle.push_back(h.nav.IsHeld());
        return true;
    });
    h.gps.receiving = false;
    CPositionSourceChoice nmea;
    nmea.source = SourceChoice::NMEA;
    h.nav.ApplyPositionSource(nmea);
    EXPECT_EQ(heldDuringToggle, (std::vector<bool>{true, true}));
    EXPECT_FALSE(h.nav.IsHeld());

    // A change that fails half-way leaves the timer pass running.
    h.nav.SetReceiveToggle([](bool) -> bool { throw std::runtime_error("port gone"); });
    EXPECT_THROW(h.nav.ApplyPositionSource(nmea), std::runtime_error);
    EXPECT_FALSE(h.nav.IsHeld());
}

TEST(NavigatorHold, GpsTogglesRaiseTheHoldAroundTheDeviceSide)
{
    brine_test::FakeClock clock;
    navtest::MemorySettings settings;
    brine_test::FakePorts ports;
    ports.Add(1);
    nmea::CGPSModule gps(settings, ports, clock, nullptr, [] { return 2; });
    gps.Config().receivePort = 1;
    gps.Config().transmitPort = 1;
    CNavigatorModule nav(settings, clock);
    // What each side was when the hold went up and came down.
    std::vector<std::pair<bool, bool>> seen;
    const auto watch = [&](const std::function<bool()>& side) {
        seen.clear();
        gps.SetHoldHandler([&, side](bool on) {
            seen.emplace_back(on, side());
            on ? nav.RaiseHold() : nav.LowerHold();
        });
    };

    watch([&] { return gps.Device().IsReceiveOpen(); });
    ASSERT_TRUE(gps.ToggleReceive());
    EXPECT_EQ(seen, (std::vector<std::pair<bool, bool>>{{true, false}, {false, true}}));
    EXPECT_FALSE(nav.IsHeld());
    seen.clear();
    ASSERT_TRUE(gps.ToggleReceive());
    EXPECT_EQ(seen, (std::vector<std::pair<bool, bool>>{{true, true}, {false, false}}));

    watch([&] { return gps.Device().IsTransmitOpen(); });
    ASSERT_TRUE(gps.ToggleTransmit());
    EXPECT_EQ(seen, (std::vector<std::pair<bool, bool>>{{true, false}, {false, true}}));
    seen.clear();
    ASSERT_TRUE(gps.ToggleTransmit());
    EXPECT_EQ(seen, (std::vector<std::pair<bool, bool>>{{true, true}, {false, false}}));
    EXPECT_FALSE(nav.IsHeld());
}

}   // namespace

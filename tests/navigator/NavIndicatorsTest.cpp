// The navigator's status-bar indicator texts, its waypoint-alarm sound as the
// program wires it (the frame's "AudioAlerts" switch read at every refresh),
// and "Go To Vessel".

#include <gtest/gtest.h>

#include <GeographicLib/Rhumb.hpp>

#include "FakeClock.h"
#include "NavigatorFakes.h"
#include "navigator/NavIndicators.h"
#include "navigator/NavTexts.h"
#include "navigator/NavigatorModule.h"

using namespace std::chrono_literals;
using namespace navigator;

namespace {

struct Cycle {
    brine_test::FakeClock clock;
    navtest::MemorySettings settings;
    navtest::FakeGps gps{clock};
    navtest::FakeRoute route;
    CNavigatorModule nav{settings, clock, &gps};

    Cycle()
    {
        nav.SetRoute(&route);
        nav.SetDrDelay(10s);
    }
    void Pass()
    {
        nav.NavigationTimerPass();
        nav.PanelQueue().Drain([&](const app::CPostedMessage& m) { nav.OnMonitorMessage(m); });
    }
    // One fix and the cycle that takes it.
    void FixAt(double lat, double lon, double sog, double cog)
    {
        gps.parser.ParseLine(navtest::Rmc(lat, lon, sog, cog));
        Pass();
        clock.Advance(1s);
    }
};

class Sound final : public app::CAlertSound {
public:
    bool Play(const std::filesystem::path& file) override
    {
        played.push_back(file.string());
        return true;
    }
    void Beep() override { ++beeps; }
    std::vector<std::string> played;
    int beeps = 0;
};

}   // namespace

TEST(NavIndicators, TextsFollowTheSnapshotAndTheMonitor)
{
    Cycle c;
    std::optional<geo::CPosition> cursor;
    c.nav.SetCursorPositionSource([&] { return cursor; });
    // Nothing before the first position, whatever the indicator.
    cursor = geo::CPosition(50.2, -3.9);
    for (const CNavIndicator& i : NavIndicators())
        EXPECT_EQ(c.nav.IndicatorText(i.id), "") << i.id;
    EXPECT_EQ(NavIndicators().size(), 9u);

    // On a two-waypoint route, heading for the second.
    c.route.Add(50.0, -4.0, "Start");
    c.route.Add(50.5, -4.0, "Fairway");
    c.route.active = 2;
    c.FixAt(50.1, -4.02, 6.0, 5.0);
    EXPECT_EQ(c.nav.IndicatorText(kIndicatorCog), " 005");
    EXPECT_EQ(c.nav.IndicatorText(kIndicatorSog), " 6.0");
    EXPECT_EQ(c.nav.IndicatorText(kIndicatorSpeed), "") << "no speed through the water";
    const CMonitorTexts& t = c.nav.Monitor().Texts();
    EXPECT_EQ(c.nav.IndicatorText(kIndicatorCog), t.cog);
    ASSERT_FALSE(t.bearing.empty());
    EXPECT_EQ(c.nav.IndicatorText(kIndicatorBearing), t.bearing);
    EXPECT_EQ(c.nav.IndicatorText(kIndicatorRange), t.range);
    EXPECT_EQ(c.nav.IndicatorText(kIndicatorTimeToGo), t.timeToGo);
    EXPECT_EQ(c.nav.IndicatorText(kIndicatorEta), t.eta);
    EXPECT_FALSE(c.nav.IndicatorText(kIndicatorTimeToGo).empty());
    EXPECT_FALSE(c.nav.IndicatorText(kIndicatorEta).empty());
    // West of a northbound leg: left of track, "<<<" in front.
    const std::string xte = c.nav.IndicatorText(kIndicatorXte);
    EXPECT_EQ(xte.rfind("<<<", 0), 0u) << xte;
    EXPECT_EQ(xte, FormatXteIndicator(c.nav.Monitor().Values().xte));

    // Vessel to cursor: the rhumb line from the vessel's position, as
    // GeographicLib has it.
    const GeographicLib::Rhumb rhumb(GeographicLib::Constants::WGS84_a(),
                                     GeographicLib::Constants::WGS84_f(), false);
    double s12 = 0, azi = 0;
    const geo::CPosition at = c.nav.Snapshot()->position;
    rhumb.Inverse(at.GetLatitude(), at.GetLongitude(), 50.2, -3.9, s12, azi);
    EXPECT_EQ(c.nav.IndicatorText(kIndicatorCursorRangeBearing),
              FormatCursorRangeBearing(s12 / 1852.0, azi < 0 ? azi + 360 : azi));
    EXPECT_EQ(c.nav.IndicatorText(kIndicatorCursorRangeBearing).substr(0, 13),
              "7.58nm, 038\xC2\xB0");
    cursor.reset();   // the cursor left the chart
    EXPECT_EQ(c.nav.IndicatorText(kIndicatorCursorRangeBearing), "");
    EXPECT_EQ(c.nav.IndicatorText(2319), "") << "not an indicator";

    // The fixes stop: in dead reckoning the course and speed indicators show
    // what DR runs on, as the panel's card does.
    for (int s = 0; s < 12; ++s) {
        c.Pass();
        c.clock.Advance(1s);
    }
    ASSERT_EQ(c.nav.NmeaTabTitle(), "DR");
    EXPECT_EQ(c.nav.IndicatorText(kIndicatorCog), " 005");
    EXPECT_EQ(c.nav.IndicatorText(kIndicatorSog), " 6.0");
    EXPECT_EQ(c.nav.IndicatorText(kIndicatorCog), c.nav.Monitor().Texts().cog);
}

TEST(NavIndicators, AlarmSoundFollowsTheAudioAlertsSwitch)
{
    Cycle c;
    Sound sound;
    bool audioAlerts = true;
    c.nav.SetAlertSound(&sound, "/opt/brinevane/System/Audio", [&] { return audioAlerts; });
    c.route.Add(50.0, -4.0);
    c.route.Add(50.1, -4.0);
    c.route.active = 2;
    c.route.settings.arrivalCircleRadius = 0.5;
    // Inside the arrival circle: the alarm sounds at once, then every 15 s.
    for (int s = 0; s <= 15; ++s)
        c.FixAt(50.1 - 0.2 / 60, -4.0, 5.0, 0.0);
    EXPECT_EQ(sound.played,
              (std::vector<std::string>{
                  "/opt/brinevane/System/Audio/Warning, arrival circle entered.wav",
                  "/opt/brinevane/System/Audio/Warning, arrival circle entered.wav"}));
    // Switched off in the options: silence while the alarm list stays open.
    audioAlerts = false;
    for (int s = 0; s <= 31; ++s)
        c.FixAt(50.1 - 0.2 / 60, -4.0, 5.0, 0.0);
    EXPECT_EQ(sound.played.size(), 2u);
    EXPECT_TRUE(c.nav.Monitor().Alarms().IsOpen());
    // And on again: it sounds.
    audioAlerts = true;
    c.FixAt(50.1 - 0.2 / 60, -4.0, 5.0, 0.0);
    EXPECT_EQ(sound.played.size(), 3u);
    EXPECT_EQ(sound.beeps, 0);
}

TEST(NavIndicators, GoToVesselNeedsAPositionAndALoadedChart)
{
    Cycle c;
    std::vector<geo::CPosition> asked;
    bool chartLoaded = false;
    EXPECT_FALSE(c.nav.CanGoToVessel()) << "no frame hooks";
    c.nav.SetGoToPosition(
        [&](const geo::CPosition& p) {
            asked.push_back(p);
            return true;
        },
        [&] { return chartLoaded; });
    chartLoaded = true;
    EXPECT_FALSE(c.nav.CanGoToVessel()) << "no position yet";
    EXPECT_FALSE(c.nav.GoToVessel());
    c.FixAt(50.25, -1.5, 6.0, 90.0);
    chartLoaded = false;
    EXPECT_FALSE(c.nav.CanGoToVessel()) << "no chart loaded";
    chartLoaded = true;
    ASSERT_TRUE(c.nav.CanGoToVessel());
    EXPECT_TRUE(c.nav.GoToVessel());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], c.nav.Snapshot()->position);
    EXPECT_NEAR(asked[0].GetLatitude(), 50.25, 1e-6);
}

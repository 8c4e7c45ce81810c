// The tender module's pass and commands, offscreen, over a transceiver on a
// fake port: switched off (and not simulating) the pass leaves every tender
// as it was, and "Go To Selected" stays offered for a current tender that
// went silent, going to where it was last seen.

#include <QApplication>
#include <gtest/gtest.h>

#include "FakeClock.h"
#include "FakePort.h"
#include "FileSettingsHome.h"
#include "TempFolder.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "targets/ui/TenderWindows.h"

using namespace targets;
using namespace std::chrono_literals;

namespace {

int g_argc = 1;
char g_arg0[] = "targets_ui_TenderWindowsTest";
char* g_argv[] = {g_arg0, nullptr};

struct TenderWindowsTest : ::testing::Test {
    static void SetUpTestSuite()
    {
        static auto* app = new QApplication(g_argc, g_argv);   // lives to the end
        (void)app;
    }
    brine_test::TempFolder folder;
    brine_test::FileSettingsHome home{folder.Path() / "settings.conf"};
    brine_test::FakeClock clock;
    brine_test::FakePorts ports;
    CTenderWindows windows{home, clock, ports};
    app::CCommandTable commands;
    COwnSituation own;

    TenderWindowsTest()
    {
        clock.SetUtc(std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 15h);
        ports.Add(1);
        windows.LoadSettings();
        windows.RegisterCommands(commands);
        CTenderSettings& s = windows.Tracking().Settings();
        s.receivePort = 1;
        s.channels[0].valid = true;
        s.warningCircles = true;
        s.warningCirclesRadius = 0.5;
        own.position = CTargetPosition{47.6, -122.4};
        own.vesselCircle = true;
        own.vesselRadius = 0.5;
        windows.ownSituation = [this] { return own; };
    }
    ~TenderWindowsTest() override { windows.Terminate(); }

    // The tender on the first channel, 2 nm north of the own vessel.
    void Report()
    {
        ASSERT_TRUE(windows.Tracking().Store().ParseTargetLine(
            0, "$PABX,0001,RMC,150000,A,4738.000,N,12224.000,W,3.0,90.0,071226,,"));
    }
};

}   // namespace

TEST_F(TenderWindowsTest, SwitchedOffThePassLeavesTheTendersAsTheyWere)
{
    windows.ToggleActive();
    ASSERT_TRUE(windows.Tracking().IsActive());
    Report();
    windows.Pass();
    const CTender* t = windows.Tracking().Find(0);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->reporting);
    EXPECT_TRUE(t->outOfRange);
    EXPECT_FALSE(t->insideCircle);
    ASSERT_EQ(t->track.size(), 1u);

    // Off: silent past the dangerous interval, the own vessel beside it.
    windows.ToggleActive();
    ASSERT_FALSE(windows.Tracking().IsActive());
    ASSERT_FALSE(windows.Tracking().IsChecking());
    clock.Advance(windows.Tracking().Settings().dangerousInterval + 30s);
    own.position = CTargetPosition{47.0 + 38.1 / 60.0, -122.4};
    for (int i = 0; i < 3; ++i)
        windows.Pass();
    t = windows.Tracking().Find(0);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->reporting);
    EXPECT_TRUE(t->outOfRange);
    EXPECT_FALSE(t->insideCircle);
    EXPECT_EQ(windows.Tracking().OutOfRangeCount(), 1);
    EXPECT_EQ(windows.Tracking().InsideCount(), 0);

    // On again: checked, from where it was last seen.
    windows.ToggleActive();
    ASSERT_TRUE(windows.Tracking().IsChecking());
    windows.Pass();
    EXPECT_FALSE(t->reporting);
    EXPECT_FALSE(t->outOfRange);
    EXPECT_TRUE(t->insideCircle);
}

TEST_F(TenderWindowsTest, GoToSelectedStaysOfferedForASilentTender)
{
    std::optional<CTargetPosition> went;
    windows.goToPosition = [&](const CTargetPosition& p) {
        went = p;
        return true;
    };
    EXPECT_FALSE(commands.Update(app::cmd::kTenderGoToSelected).enabled);   // no current tender
    windows.ToggleActive();
    Report();
    windows.Pass();
    windows.SetCurrent(0);
    EXPECT_TRUE(commands.Update(app::cmd::kTenderGoToSelected).enabled);
    // Its report is out of date after the refresh time; it is still the current tender.
    clock.Advance(10s);
    windows.Pass();
    ASSERT_FALSE(windows.Tracking().Find(0)->Position());
    EXPECT_TRUE(commands.Update(app::cmd::kTenderGoToSelected).enabled);
    ASSERT_TRUE(commands.Execute(app::cmd::kTenderGoToSelected));
    ASSERT_TRUE(went);
    EXPECT_NEAR(went->latitude, 47.0 + 38.0 / 60.0, 1e-9);
    EXPECT_NEAR(went->longitude, -(122.0 + 24.0 / 60.0), 1e-9);
}

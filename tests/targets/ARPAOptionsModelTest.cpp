// The ARPA options page without windows: the stepped spins, the range
// checks of the values a user types, applied options kept at once, and a
// port that will not open taking the Configuration card back to "Off".

#include "targets/ARPAOptionsModel.h"

#include <gtest/gtest.h>

#include "FakeClock.h"
#include "FakePort.h"
#include "TempFolder.h"
#include "platform/SettingsStore.h"

namespace {

struct Home : app::CSettingsHome {
    brine_test::TempFolder dir;
    mutable platform::CSettingsStore store{dir.Path() / "settings.conf"};
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return "Software\\Quorwick\\Brinevane\\Default"; }
};

TEST(ARPAOptions, SpinsStepByTheValueTheyLeave)
{
    using targets::StepPathDistance;
    using targets::StepWarningRadius;
    EXPECT_DOUBLE_EQ(StepWarningRadius(0.98, true), 1.00);
    EXPECT_DOUBLE_EQ(StepWarningRadius(1.00, true), 1.10);
    EXPECT_DOUBLE_EQ(StepWarningRadius(1.00, false), 0.98);
    EXPECT_DOUBLE_EQ(StepWarningRadius(1.10, false), 1.00);
    EXPECT_DOUBLE_EQ(StepWarningRadius(5.00, true), 5.00);
    EXPECT_DOUBLE_EQ(StepWarningRadius(0.02, false), 0.02);
    EXPECT_DOUBLE_EQ(StepPathDistance(20.0, false), 10.0);
    EXPECT_DOUBLE_EQ(StepPathDistance(19.0, false), 18.0);
    EXPECT_DOUBLE_EQ(StepPathDistance(0.1, false), 0.1);
    EXPECT_DOUBLE_EQ(StepPathDistance(0.9, true), 1.0);
    EXPECT_DOUBLE_EQ(StepPathDistance(99.0, true), 109.0);
    EXPECT_DOUBLE_EQ(StepPathDistance(1000.0, true), 1000.0);
    // Ten steps up from 0.02 land on the shown decimals, not a hair off them.
    double r = 0.02;
    for (int i = 0; i < 10; ++i)
        r = StepWarningRadius(r, true);
    EXPECT_DOUBLE_EQ(r, 0.22);
}

TEST(ARPAOptions, RangesAreCheckedAndApplyReachesTheModule)
{
    Home home;
    brine_test::FakeClock clock;
    brine_test::FakePorts ports;
    ports.Add(1);
    targets::CARPAModule module(home, ports, clock, nullptr);
    std::string reported;
    targets::CARPAOptionsModel model(module, [&](const std::string& s) { reported = s; });
    EXPECT_TRUE(model.Validate().empty());
    model.Values().pass.maxTargets = 0;
    model.Values().refreshSeconds = 61;
    const auto errors = model.Validate();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].field, "maxTargets");
    EXPECT_EQ(errors[1].field, "validTime");
    model.Values().pass.maxTargets = 101;
    model.Values().refreshSeconds = 60;
    ASSERT_EQ(model.Validate().size(), 1u);
    model.Values().pass.maxTargets = 3;
    EXPECT_TRUE(model.Validate().empty());
    EXPECT_FALSE(model.PropertiesDiffer());
    model.Values().properties.drawProjectedPath = true;
    EXPECT_TRUE(model.PropertiesDiffer());
    model.Apply();
    EXPECT_EQ(module.PassOptions().maxTargets, 3);
    EXPECT_EQ(module.RefreshSeconds(), 60);
    EXPECT_TRUE(module.Properties().drawProjectedPath);
    EXPECT_EQ(reported, "");
    model.DefaultProperties();
    EXPECT_FALSE(model.PropertiesDiffer());

    // Applied options are there at the next start, with no workspace saved.
    targets::CARPAModule next(home, ports, clock, nullptr);
    next.LoadSettings();
    EXPECT_EQ(next.PassOptions().maxTargets, 3);
    EXPECT_EQ(next.RefreshSeconds(), 60);
    EXPECT_TRUE(next.Properties().drawProjectedPath);
}

TEST(ARPAOptions, APortThatWillNotOpenTakesTheCardBackToItsFirstEntry)
{
    Home home;
    brine_test::FakeClock clock;
    brine_test::FakePorts ports;
    ports.Add(1);
    ports.Add(2).opens = false;
    targets::CARPAModule module(home, ports, clock, nullptr);
    module.Initialise();
    module.Config().receivePort = 1;
    ASSERT_EQ(module.OnActivate(), "");
    std::string reported;
    targets::CARPAOptionsModel model(module, [&](const std::string& s) { reported = s; });
    model.Values().receivePort = 2;
    model.Apply();
    EXPECT_NE(reported, "");
    EXPECT_FALSE(module.IsOn());
    EXPECT_EQ(module.Config().receivePort, 2);   // stored as chosen
    EXPECT_EQ(model.Values().receivePort, 0);   // the card shows "Off"

    // Opening the port again works: the card shows the port it opened.
    reported.clear();
    model.Values().receivePort = 1;
    model.Apply();
    EXPECT_EQ(reported, "");
    EXPECT_EQ(model.Values().receivePort, 1);
    module.Terminate();
}

}   // namespace

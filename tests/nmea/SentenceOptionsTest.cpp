// The Wind and NMEA pages: the sentence tree's ticks, the replay file's
// "Process" rule, and the instruments module applying the pages (sentence
// flags, repeater ports, warning switch) and keeping them in its settings.

#include <gtest/gtest.h>

#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/WorkspaceManager.h"
#include "nmea/InstrumentsModule.h"
#include "nmea/SentenceOptions.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"

namespace {

TEST(SentenceTree, GroupTickFollowsItsSentencesAndAClickSetsThemAll)
{
    nmea::CSentenceGroup group{"GPS", {{"RMC", "", true}, {"GGA", "", false}}};
    EXPECT_EQ(nmea::GroupState(group), nmea::GroupCheck::Mixed);
    nmea::FlipGroup(group);
    EXPECT_EQ(nmea::GroupState(group), nmea::GroupCheck::Checked);
    EXPECT_TRUE(group.entries[1].enabled);
    nmea::FlipGroup(group);
    EXPECT_EQ(nmea::GroupState(group), nmea::GroupCheck::Unchecked);
    EXPECT_FALSE(group.entries[0].enabled);

    nmea::CNMEAOptions values;
    values.groups = {group};
    nmea::CNMEAOptionsModel model(values, nullptr);
    model.FlipItem(0, 1);
    model.FlipItem(0, 7);   // no such item: nothing
    EXPECT_EQ(nmea::GroupState(model.Values().groups[0]), nmea::GroupCheck::Mixed);
}

// "Process" is offered for a text file that is there, whatever the case of
// its ending; another kind of file that is there is not offered, but a replay
// of it that was asked for earlier is not refused.
TEST(SentenceOptions, ProcessForAnExistingTextFile)
{
    nmea::CNMEAOptions values;
    values.replayFile = "/logs/trip.TXT";
    values.process = true;
    auto exists = [](const std::string& p) { return p == "/logs/trip.TXT" || p == "/logs/a.log"; };
    nmea::CNMEAOptionsModel model(values, nullptr, exists);
    EXPECT_TRUE(model.ProcessEnabled());
    EXPECT_TRUE(model.Validate().empty());
    model.SetReplayFile("/logs/a.log");   // there, not named ".txt"
    EXPECT_FALSE(model.ProcessEnabled());
    EXPECT_TRUE(model.Values().process);
    EXPECT_TRUE(model.Validate().empty());
    model.SetReplayFile("/logs/gone.txt");   // not there: Process is cleared
    EXPECT_FALSE(model.Values().process);
    EXPECT_TRUE(model.Validate().empty());
}

TEST(WindOptions, ValidSentenceTimeRunsFromOneToSixty)
{
    nmea::CWindOptionsModel model({}, nullptr);
    for (int bad : {0, 61, -5})
        EXPECT_EQ((model.Values().validSentenceSeconds = bad, model.Validate().size()), 1u);
    for (int good : {1, 60})
        EXPECT_TRUE((model.Values().validSentenceSeconds = good, model.Validate().empty()));
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

TEST(InstrumentsOptions, PagesApplyToTheModulesAndAreKept)
{
    Home home;
    nmea::PortPaths paths;
    paths[0] = (home.dir.Path() / "ttyNone0").string();
    paths[1] = (home.dir.Path() / "ttyNone1").string();
    nmea::SavePortPaths(home.store, app::CWorkspaceManager::DefaultRoot() + "\\Ports", paths);
    platform::CSystemClock clock;
    brine_test::ScriptedPrompt prompt;
    nmea::CInstrumentsOptions options;
    options.programFolder = home.dir.Path();
    options.stationMessaging = false;
    {
        nmea::CInstrumentsModule module(home, clock, prompt, options);
        ASSERT_TRUE(module.Initialise());
        module.LoadSettings();

        const nmea::CWindOptions wind = module.WindOptions();
        nmea::CWindOptions changed = wind;
        changed.validSentenceSeconds = 12;
        EXPECT_EQ(module.ApplyWindOptions(changed, wind), "");
        EXPECT_EQ(module.Wind().GetRefreshTime(), 12);

        const nmea::CNMEAOptions before = module.NMEAOptions({});
        ASSERT_EQ(before.groups.size(), 2u);   // Autopilot, Wind
        EXPECT_EQ(before.groups[1].title, "Wind Sentences");
        ASSERT_EQ(before.repeaterReceive.size(), 2u);   // COM1, COM2
        nmea::CNMEAOptions now = before;
        now.groups[1].entries[0].enabled = false;   // MWV off
        now.repeaterReceive[1].ticked = true;
        now.ignoreWarnings = true;
        EXPECT_EQ(module.ApplyNMEAOptions(now, before, module.SentenceConfigs()), "");
        EXPECT_FALSE(module.Wind().Config().IsSentenceEnabled("$WIMWV,1"));
        EXPECT_TRUE(module.Wind().Config().IsSentenceEnabled("$WIMWD,1"));
        EXPECT_EQ(module.Repeater().GetReceivePortNumbers(), std::vector<std::uint8_t>{2});
        EXPECT_TRUE(module.IgnoreWarningFlags());

        // A transmit port that does not exist is set back to "Off" with the reason.
        nmea::CNMEAOptions bad = now;
        bad.repeaterTransmit = 9;
        const std::string failure = module.ApplyNMEAOptions(bad, now, module.SentenceConfigs());
        EXPECT_NE(failure.find("COM9"), std::string::npos) << failure;
        EXPECT_EQ(module.Repeater().Device().GetTransmitPort(), 0);
        EXPECT_EQ(bad.repeaterTransmit, 0) << "the page shows Off";
        module.Terminate();
    }
    nmea::CInstrumentsModule again(home, clock, prompt, options);
    ASSERT_TRUE(again.Initialise());
    again.LoadSettings();
    EXPECT_EQ(again.Wind().GetRefreshTime(), 12);
    EXPECT_TRUE(again.IgnoreWarningFlags());
    EXPECT_EQ(again.Repeater().GetReceivePortNumbers(), std::vector<std::uint8_t>{2});
    EXPECT_FALSE(again.Wind().Config().IsSentenceEnabled("$WIMWV,1"));
    again.Terminate();
}

}   // namespace

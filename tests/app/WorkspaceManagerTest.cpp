#include "app/WorkspaceManager.h"

#include <gtest/gtest.h>

#include "../support/TempFolder.h"
#include "RegistryTestTree.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/Registry.h"

using platform::CSettingsStore;
using platform::SettingValue;
using registry_test::Snapshot;

namespace {

using Log = std::vector<std::string>;

// The main frame's side of opening and saving, recorded.
struct FakeFrame : app::CWorkspaceFrame {
    Log log;
    bool fullScreen = false, throwOnRestore = false;
    std::vector<app::CWindowStateEntry> bars, frames, appliedBars, restoredFrames;
    std::optional<std::string> chosen;
    std::vector<unsigned> destroyed;

    void SuspendTimer(bool on) override { log.push_back(on ? "suspend" : "resume"); }
    void CloseWorkspaceWindows() override { log.push_back("close windows"); }
    void LoadWorkspaceState() override { log.push_back("load state"); }
    void SaveWorkspaceState() override { log.push_back("save state"); }
    void UpdateWorkspaceToolBars() override { log.push_back("toolbars"); }
    void RestoreWindows() override
    {
        log.push_back("restore windows");
        if (throwOnRestore)
            throw true;   // the program's error exception
    }
    bool IsFullScreen() const override { return fullScreen; }
    std::vector<app::CWindowStateEntry> CaptureBarLayout() override { return bars; }
    void ApplyBarLayout(const std::vector<app::CWindowStateEntry>& b) override
    {
        appliedBars = b;
        log.push_back("bars");
    }
    std::vector<app::CWindowStateEntry> CaptureFrames() override { return frames; }
    void RestoreFrames(const std::vector<app::CWindowStateEntry>& f) override
    {
        restoredFrames = f;
        log.push_back("frames");
    }
    void DestroyControlBar(unsigned id) override { destroyed.push_back(id); }
    std::optional<std::string> ChooseWorkspaceToOpen(const std::vector<std::string>&) override
    {
        return chosen;
    }
    std::optional<std::string> ChooseWorkspaceSaveName(const std::vector<std::string>&) override
    {
        return chosen;
    }
};

app::CWindowStateEntry Entry(std::string cls, std::uint32_t n)
{
    return {std::move(cls),
            {{"Placement", SettingValue::FromBinary(std::string("\0\1\2\3", 4))},
             {"Id", SettingValue::FromDword(n)}}};
}

const std::string kRoot = "Software\\Quorwick\\Brinevane";

}   // namespace

TEST(WorkspaceManager, RepairMovesTheOldLayoutAndDropsEveryMessageBarEntry)
{
    brine_test::TempFolder dir;
    CSettingsStore store(dir / "settings.conf");
    FakeFrame frame;
    app::CWorkspaceManager wm(store, frame);
    int n = 0;
    for (const char* name : {"Alpha", "Beta", "Gamma", "Delta", "Alpha\\WorkState_v1"})
        store.SetString(kRoot, "Workspace" + std::to_string(++n), name);

    // Alpha: the old layout, with a value of a type this program never writes.
    const std::string alpha = kRoot + "\\Alpha\\";
    store.SetString(alpha + "WorkState_v1\\Bars\\Bar0", "ClassName", "CToolBar");
    store.SetValue(alpha + "WorkState_v1\\Bars\\Bar0", "Poison", registry_test::OddValue());
    store.SetString(alpha + "WorkState_v1\\Frames\\Frame0", "ClassName", "CChartFrame");
    store.SetDword(alpha + "WorkState_v1\\Frames\\Frame0\\Placement", "Show", 1);
    const registry_test::Tree alphaKept = Snapshot(store, alpha + "WorkState_v1");
    store.SetString(alpha + "WorkState_v1\\Bars\\Bar1", "ClassName", "cmsgbar");
    store.SetDword(alpha + "WorkState_v1\\Bars\\Bar1\\Docked", "Side", 4);
    // Beta: the current layout with two message-bar entries at different depths.
    const std::string beta = kRoot + "\\Beta\\WorkState_v1_1";
    store.SetString(beta + "\\Bars\\Bar0", "ClassName", "CSidePanel");
    const registry_test::Tree betaKept = Snapshot(store, beta);
    store.SetString(beta + "\\Bars\\Bar1", "ClassName", "CMSGBAR");
    store.SetString(beta + "\\Frames\\Frame0\\Inner", "ClassName", "CMsgBar");
    // Delta: a layout whose top key itself claims to be the message bar.
    store.SetString(kRoot + "\\Delta\\WorkState_v1_1", "ClassName", "CMsgBar");

    const std::vector<std::string> problems = wm.RepairWorkspaceStates();
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[0].find("\"Delta\""), std::string::npos) << problems[0];
    EXPECT_NE(problems[1].find("not a single key"), std::string::npos) << problems[1];

    EXPECT_FALSE(store.KeyExists(alpha + "WorkState_v1"));
    EXPECT_EQ(Snapshot(store, alpha + "WorkState_v1_1"), alphaKept);
    registry_test::Tree betaNow = Snapshot(store, beta);
    EXPECT_EQ(betaNow.keys["Bars"], betaKept.keys.at("Bars"));
    EXPECT_TRUE(betaNow.keys["Frames"].keys["Frame0"].keys.empty());
    EXPECT_TRUE(store.KeyExists(kRoot + "\\Delta\\WorkState_v1_1"));
    EXPECT_FALSE(store.KeyExists(kRoot + "\\Gamma"));

    EXPECT_EQ(wm.RepairWorkspaceStates().size(), 2u);   // a second start changes nothing more
    EXPECT_EQ(Snapshot(store, alpha + "WorkState_v1_1"), alphaKept);
}

TEST(WorkspaceManager, SaveAndOpenRunTheFrameHooksInOrderAndSkipTheMessageBar)
{
    brine_test::TempFolder dir;
    CSettingsStore store(dir / "settings.conf");
    FakeFrame frame;
    app::CWorkspaceManager wm(store, frame);
    EXPECT_EQ(wm.GetRegistryKey(), kRoot + "\\Default");

    frame.bars = {Entry("CToolBar", 1), Entry("CMsgBar", 2), Entry("CSidePanel", 3)};
    frame.frames = {Entry("CChartFrame", 4)};
    ASSERT_TRUE(wm.SaveWorkspace("Night Watch"));
    EXPECT_EQ(frame.log, (Log{"save state"}));
    EXPECT_EQ(wm.GetRegistryKey(), kRoot + "\\Night Watch");
    std::string found;
    EXPECT_FALSE(app::CRegistry(store).FindKeyWithValue(kRoot, "ClassName", "CMsgBar", found))
        << found;
    EXPECT_FALSE(wm.SaveWorkspace("a\\b"));

    // Saved to disk: a fresh store sees the list and the layout.
    CSettingsStore again(dir / "settings.conf");
    ASSERT_EQ(again.Load(), platform::LoadStatus::Ok);
    FakeFrame frame2;
    app::CWorkspaceManager wm2(again, frame2);
    EXPECT_EQ(wm2.GetWorkspaceList(), (std::vector<std::string>{"Night Watch"}));
    EXPECT_EQ(wm2.GetLastWorkspace(), "Night Watch");

    // During start-up only the settings and toolbars are touched.
    ASSERT_TRUE(wm2.OpenWorkspace("night watch"));
    EXPECT_EQ(frame2.log, (Log{"bars", "frames", "load state", "toolbars"}));
    EXPECT_EQ(frame2.appliedBars,
              (std::vector<app::CWindowStateEntry>{Entry("CToolBar", 1), Entry("CSidePanel", 3)}));
    EXPECT_EQ(frame2.restoredFrames, frame.frames);
    EXPECT_EQ(wm2.GetRegistryKey(), kRoot + "\\Night Watch");

    wm2.EndStartUp();
    frame2.log.clear();
    ASSERT_TRUE(wm2.OpenWorkspace("Night Watch"));
    EXPECT_EQ(frame2.log, (Log{"suspend", "close windows", "bars", "frames", "load state",
                               "toolbars", "restore windows", "resume"}));
    frame2.log.clear();
    EXPECT_FALSE(wm2.OpenWorkspace("Nowhere"));   // the timer still resumes
    EXPECT_EQ(frame2.log, (Log{"suspend", "close windows", "resume"}));
    frame2.log.clear();
    frame2.throwOnRestore = true;
    EXPECT_ANY_THROW(wm2.OpenWorkspace("Night Watch"));
    EXPECT_EQ(frame2.log.back(), "resume");
    EXPECT_EQ(wm2.GetRegistryKey(), kRoot + "\\Night Watch");

    // Fewer windows at the next save: the old entries do not linger.
    frame2.bars = {};
    frame2.frames = {};
    ASSERT_TRUE(wm2.SaveWorkspace("Night Watch"));
    EXPECT_TRUE(again.SubKeys(kRoot + "\\Night Watch\\WorkState_v1_1\\Bars").empty());
    EXPECT_EQ(wm2.GetWorkspaceList().size(), 1u);
}

TEST(WorkspaceManager, CommandsFollowTheWorkspaceListAndFullScreenMode)
{
    brine_test::TempFolder dir;
    CSettingsStore store(dir / "settings.conf");
    FakeFrame frame;
    app::CWorkspaceManager wm(store, frame);
    app::CCommandTable commands;
    wm.RegisterCommands(commands);

    EXPECT_FALSE(commands.Update(app::cmd::kWorkspaceOpen).enabled);   // nothing to open yet
    EXPECT_FALSE(commands.Update(app::cmd::kWorkspaceSave).enabled);   // no named workspace current
    // The empty recent list: one grey entry that names it.
    EXPECT_FALSE(commands.Update(app::cmd::kRecentWorkspaces.first).enabled);
    EXPECT_EQ(commands.Update(app::cmd::kRecentWorkspaces.first).text, "Recent Workspaces");
    frame.chosen = "Harbour";
    EXPECT_TRUE(commands.Execute(app::cmd::kWorkspaceSaveAs));
    EXPECT_EQ(wm.GetCurrentName(), "Harbour");
    EXPECT_TRUE(commands.Update(app::cmd::kWorkspaceOpen).enabled);
    EXPECT_TRUE(commands.Update(app::cmd::kWorkspaceSave).enabled);

    frame.chosen = "Reef";
    commands.Execute(app::cmd::kWorkspaceSaveAs);
    EXPECT_EQ(commands.Update(app::cmd::kRecentWorkspaces.first).text, "&1 Reef");
    EXPECT_EQ(commands.Update(app::cmd::kRecentWorkspaces.first + 1).text, "&2 Harbour");
    EXPECT_FALSE(commands.Update(app::cmd::kRecentWorkspaces.first + 2).enabled);
    EXPECT_TRUE(commands.Execute(app::cmd::kRecentWorkspaces.first + 1));
    EXPECT_EQ(wm.GetCurrentName(), "Harbour");
    EXPECT_EQ(wm.GetRecentList(), (std::vector<std::string>{"Harbour", "Reef"}));
    EXPECT_FALSE(commands.Execute(app::cmd::kRecentWorkspaces.last + 1));

    frame.fullScreen = true;
    EXPECT_FALSE(commands.Update(app::cmd::kWorkspaceSave).enabled ||
                 commands.Update(app::cmd::kWorkspaceSaveAs).enabled);

    // User toolbars go; the program's own bars and the reserved id stay.
    wm.DestroyCustomToolBars({{59392, true},
                              {59404, true},
                              {0xE820, true},
                              {0xE8FE, true},
                              {0xE8FF, true},
                              {0xE821, false}});
    EXPECT_EQ(frame.destroyed, (std::vector<unsigned>{0xE820, 0xE8FE}));
}

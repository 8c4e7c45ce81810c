// A workspace save deletes the chart list and writes it again; the settings
// file must only ever see the old list or the new one, whole.

#include <gtest/gtest.h>

#include <csignal>

#include "../support/ChildProcess.h"
#include "../support/FakeChartWindow.h"
#include "../support/TempFolder.h"
#include "app/Registry.h"
#include "app/WorkspaceManager.h"
#include "chart/ChartDoc.h"
#include "chart/ChartingModule.h"
#include "platform/SettingsAutoSave.h"

namespace {

struct Frame : app::CWorkspaceFrame {
    chart::CChartingModule* charts = nullptr;
    void SuspendTimer(bool) override { }
    void CloseWorkspaceWindows() override { }
    void LoadWorkspaceState() override { }
    void SaveWorkspaceState() override { charts->SaveSettings(); }
    void UpdateWorkspaceToolBars() override { }
    void RestoreWindows() override { }
    bool IsFullScreen() const override { return false; }
    std::vector<app::CWindowStateEntry> CaptureBarLayout() override { return {}; }
    void ApplyBarLayout(const std::vector<app::CWindowStateEntry>&) override { }
    std::vector<app::CWindowStateEntry> CaptureFrames() override { return {}; }
    void RestoreFrames(const std::vector<app::CWindowStateEntry>&) override { }
    void DestroyControlBar(unsigned) override { }
    std::optional<std::string> ChooseWorkspaceToOpen(const std::vector<std::string>&) override
    {
        return {};
    }
    std::optional<std::string> ChooseWorkspaceSaveName(const std::vector<std::string>&) override
    {
        return {};
    }
};

struct Doc : chart::CChartDoc {
    using CChartDoc::CChartDoc;
    bool OpenChart(const std::string&) override { return true; }
};

// Writes the chart list of the workspace "Voyage" with three charts named
// after the generation, over and over, until killed: a background saver
// writes the file as fast as it can, and every fourth round the workspace
// is saved as the user would.
int SaveForever(const std::filesystem::path& file, brine_test::Turn& started)
{
    platform::CSettingsStore store(file);
    store.Load();
    Frame frame;
    app::CWorkspaceManager workspace(store, frame, "Software\\Q\\B");
    chart::CChartingModule charts(workspace, {});
    frame.charts = &charts;
    // Bulk beside the charts, so a save takes long enough to be cut into.
    app::CRegistry reg(store);
    reg.OpenKeyForWrite("Software\\Q\\B\\Voyage\\Bulk");
    for (int i = 0; i < 2000; ++i)
        reg.WriteString("V" + std::to_string(i), std::string(40, 'x'));
    reg.Close();
    std::vector<std::unique_ptr<brine_test::FakeChartWindow>> windows;
    std::vector<std::unique_ptr<Doc>> docs;
    for (int i = 0; i < 3; ++i) {
        windows.push_back(std::make_unique<brine_test::FakeChartWindow>());
        docs.push_back(std::make_unique<Doc>(&charts));
        windows.back()->doc = docs.back().get();
        docs.back()->AttachWindow(windows.back().get());
    }
    platform::CSettingsAutoSave saver(store,
                                      {std::chrono::milliseconds(0), std::chrono::milliseconds(1)});
    for (long generation = 1;; ++generation) {
        for (int i = 0; i < 3; ++i) {
            docs[i]->OnOpenDocument("g" + std::to_string(generation) + "-" + std::to_string(i) +
                                    ".b");
            windows[i]->placement.normal = {i, 0, 100 + i, static_cast<int>(generation % 1000)};
        }
        if (generation % 4 != 0)
            charts.SaveOpenCharts();
        else if (!workspace.SaveWorkspace("Voyage"))
            return 2;
        if (generation == 4)
            started.Post();   // a whole workspace is on disk from here on
    }
}

}   // namespace

TEST(WorkspaceSave, KilledMidSaveLeavesTheOldChartListOrTheNew)
{
    brine_test::TempFolder dir;
    const auto file = dir / "settings.conf";
    for (int kill = 0; kill < 40; ++kill) {
        brine_test::Turn started;
        const pid_t child = brine_test::ForkChild([&] { return SaveForever(file, started); });
        ASSERT_TRUE(started.Wait());
        ::usleep(static_cast<useconds_t>(2000 + kill * 7919 % 20000));
        ::kill(child, SIGKILL);
        ASSERT_EQ(brine_test::WaitChild(child), -SIGKILL);

        platform::CSettingsStore store(file);
        ASSERT_EQ(store.Load(), platform::LoadStatus::Ok) << "kill " << kill;
        app::CRegistry reg(store);
        const std::string key = "Software\\Q\\B\\Voyage\\Chart\\LastOpened";
        ASSERT_TRUE(reg.OpenKeyForRead(key)) << "kill " << kill << ": the chart list is gone";
        std::uint32_t open = 0;
        ASSERT_TRUE(reg.ReadDWord("ChartsOpen", open));
        ASSERT_EQ(open, 3u) << "kill " << kill;
        // One generation throughout, each chart with its placement.
        std::string generation;
        for (int i = 1; i <= 3; ++i) {
            std::string path;
            ASSERT_TRUE(reg.ReadString("Chart" + std::to_string(i), path));
            const std::string g = path.substr(0, path.find('-'));
            if (i == 1)
                generation = g;
            EXPECT_EQ(g, generation) << "kill " << kill;
            app::CRegistry sub(store);
            ASSERT_TRUE(sub.OpenKeyForRead(key + "\\Chart" + std::to_string(i)));
            std::uint32_t height = 0;
            EXPECT_TRUE(sub.ReadDWord("NormalHeight", height));
        }
    }
}

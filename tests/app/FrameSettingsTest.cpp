#include "app/FrameSettings.h"

#include <fstream>
#include <gtest/gtest.h>

#include "../support/TempFolder.h"
#include "app/Registry.h"

using app::CFrameSettings;

TEST(FrameSettings, PositionTemplateForEveryDecimalPlace)
{
    struct Row {
        std::uint8_t places;
        bool dms;
        const char* expected;
    };
    const Row rows[] = {
        {0, false, "DD\xC2\xB0MMN  ddd\xC2\xB0mmE"},
        {1, false, "DD\xC2\xB0MM.MN  ddd\xC2\xB0mm.mE"},
        {2, false, "DD\xC2\xB0MM.MMN  ddd\xC2\xB0mm.mmE"},
        {3, true, "DD\xC2\xB0MM'SS.SSSN  ddd\xC2\xB0mm'ss.sssE"},
        {4, true, "DD\xC2\xB0MM'SS.SSSSN  ddd\xC2\xB0mm'ss.ssssE"},
        {0, true, "DD\xC2\xB0MM'SSN  ddd\xC2\xB0mm'ssE"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(app::GetPositionTemplate(r.places, r.dms), r.expected) << int(r.places) << r.dms;
}

TEST(FrameSettings, RecentFileNamesFitTheMenu)
{
    const std::string deep = "/home/navigator/Documents/charts/pacific-northwest/puget-sound/"
                             "admiralty-inlet/survey-2026/seattle-harbour.lc";
    ASSERT_GT(deep.size(), 90u);
    const struct {
        std::string path;
        const char* shown;
    } rows[] = {
        // Fits as it is (exactly 30 too).
        {"/tmp/chart.lc", "/tmp/chart.lc"},
        {"/home/ann/charts/seattle1.lc", "/home/ann/charts/seattle1.lc"},
        {"/home/ann/charts/seattle-01.lc", "/home/ann/charts/seattle-01.lc"},
        // The root, "..." and the last folders that fit before the name.
        {deep, "/.../seattle-harbour.lc"},
        {"/home/ann/charts/pacific/north/bay.lc", "/.../pacific/north/bay.lc"},
        // A relative path keeps its first folder as the root.
        {"media/one/two/three/four/five/six/bay.lc", "media/.../four/five/six/bay.lc"},
        // A name too long for "/.../" stands alone, whole.
        {"/data/a-very-long-chart-file-name-of-forty.lc",
         "a-very-long-chart-file-name-of-forty.lc"},
        // Characters, not bytes: 28 characters in 32 bytes fit.
        {"/home/ann/charts/K\xC3\xB8ge-\xC3\xA5\xC3\xB8\xC3\xA6.lc",
         "/home/ann/charts/K\xC3\xB8ge-\xC3\xA5\xC3\xB8\xC3\xA6.lc"},
    };
    for (const auto& r : rows) {
        const std::string shown = app::RecentFileDisplayName(r.path);
        EXPECT_EQ(shown, r.shown) << r.path;
    }
    EXPECT_LE(app::RecentFileDisplayName(deep).size(), CFrameSettings::kRecentDisplayLength);
}

TEST(FrameSettings, RoundTripDefaultsClampsAndRecentFiles)
{
    brine_test::TempFolder dir;
    platform::CSettingsStore store(dir / "s.conf");
    const std::string key = "Software\\Q\\B\\Default";

    // Nothing stored: the defaults stay; without sound output the alerts are off.
    CFrameSettings fresh;
    EXPECT_FALSE(fresh.Load(store, key, false));
    EXPECT_FALSE(fresh.audioAlerts);
    EXPECT_EQ(fresh.decimalPlaces, 2);

    CFrameSettings s;
    s.decimalPlaces = 3;
    s.degMinSec = true;
    s.operationalMode = "Route";
    s.rangeBearingPoint = {-40, 900};
    s.autoSaveWorkspace = true;
    s.AddRecentFile("a.b");
    s.AddRecentFile("b.b");
    s.AddRecentFile("A.B");   // the same file moves to the head
    ASSERT_TRUE(s.Save(store, key));
    app::CRegistry reg(store);
    std::string slot4 = "x";
    ASSERT_TRUE(reg.OpenKeyForRead(key + "\\WorkSpace\\RecentFileList"));
    EXPECT_TRUE(reg.ReadString("File4", slot4));   // written, empty
    EXPECT_EQ(slot4, "");
    reg.Close();

    CFrameSettings back;
    ASSERT_TRUE(back.Load(store, key, true));
    EXPECT_EQ(back.decimalPlaces, 3);
    EXPECT_TRUE(back.degMinSec);
    EXPECT_EQ(back.operationalMode, "Route");
    EXPECT_EQ(back.rangeBearingPoint, (std::pair<int, int>{-40, 900}));
    EXPECT_TRUE(back.autoSaveWorkspace);
    EXPECT_EQ(back.recentFiles, (std::array<std::string, 4>{"A.B", "b.b", "", ""}));

    // A hand-edited value out of range is clamped as it is read.
    ASSERT_TRUE(reg.OpenKeyForWrite(key));
    reg.WriteDWord("DecimalPlaces", 9);
    reg.Close();
    ASSERT_TRUE(back.Load(store, key, true));
    EXPECT_EQ(back.decimalPlaces, 4);
}

// The recent-file list as a settings file written by hand holds it: only the
// list's own key given (its parent keys come with it), slots read in order,
// empty and missing ones skipped. A workspace without the list's key keeps
// the list the frame has.
TEST(FrameSettings, RecentFilesFromAHandWrittenSettingsFile)
{
    brine_test::TempFolder dir;
    const auto file = dir / "settings.conf";
    std::ofstream(file) << "[Software\\Quorwick\\Brinevane\\Default\\WorkSpace\\RecentFileList]\n"
                           "File1=str:\n"
                           "File2=str:/tmp/x/ZZ9999.chr\n"
                           "File4=str:/charts/RC9002.chr\n"
                           "#end\n";
    platform::CSettingsStore store(file);
    ASSERT_EQ(store.Load(), platform::LoadStatus::Ok);
    CFrameSettings s;
    s.AddRecentFile("/old/one.b");
    ASSERT_TRUE(s.Load(store, "Software\\Quorwick\\Brinevane\\Default", true));
    EXPECT_EQ(s.recentFiles,
              (std::array<std::string, 4>{"/tmp/x/ZZ9999.chr", "/charts/RC9002.chr", "", ""}));

    CFrameSettings other;
    other.AddRecentFile("/old/one.b");
    store.SetString("Software\\Quorwick\\Brinevane\\Other", "DecimalPlaces", "x");
    ASSERT_TRUE(other.Load(store, "Software\\Quorwick\\Brinevane\\Other", true));
    EXPECT_EQ(other.recentFiles, (std::array<std::string, 4>{"/old/one.b", "", "", ""}));
}

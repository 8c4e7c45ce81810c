// The navigator's settings on a first start: every value of its key and of
// its "Log" subkey written with its default, in the stored forms; the logs'
// folder made at initialisation, the program folder taking its place when
// it cannot be made.

#include <gtest/gtest.h>

#include <fstream>

#include "FakeClock.h"
#include "FileSettingsHome.h"
#include "NavigatorFakes.h"
#include "TempFolder.h"
#include "app/DateTimeSpanEx.h"
#include "app/Registry.h"
#include "navigator/NavigatorModule.h"

using namespace std::chrono_literals;
using namespace navigator;

namespace {

struct FirstStart {
    brine_test::TempFolder dir;
    brine_test::FileSettingsHome settings{dir / "settings.conf"};
    brine_test::FakeClock clock;
    navtest::FakeGps gps{clock};
    CNavigatorModule nav{settings, clock, &gps};

    FirstStart() { nav.Logbook().SetFolder(dir / "program" / "Logs"); }
};

TEST(NavigatorSettings, AFirstStartWritesEveryDefault)
{
    FirstStart s;
    std::filesystem::create_directories(s.dir / "program");
    ASSERT_TRUE(s.nav.Initialise());
    EXPECT_TRUE(std::filesystem::is_directory(s.dir / "program" / "Logs"));
    s.nav.LoadSettings();
    s.nav.SaveSettings();

    app::CRegistry reg(s.settings.GetStore());
    ASSERT_TRUE(reg.OpenKeyForRead("W\\Navigator"));
    const auto text = [&](const char* name) {
        std::string value;
        EXPECT_TRUE(reg.ReadString(name, value)) << name;
        return value;
    };
    const auto seconds = [&](const char* name) {
        app::CDateTimeSpanEx span;
        EXPECT_TRUE(reg.ReadTimeSpan(name, span)) << name;
        return std::chrono::seconds(span.GetTotalSeconds());
    };
    for (const char* flag : {"MonitorWindowOn", "SaveToLogBookOn", "DrawTimeMarks",
                             "LimitTrackDisplay", "BestChartResume"})
        EXPECT_EQ(text(flag), "False") << flag;
    EXPECT_EQ(seconds("VesselPlotFixFreq"), 5min);
    EXPECT_EQ(seconds("SpeedDirectionVector"), 5min);
    EXPECT_EQ(seconds("TimeMarkInterval"), 10min);
    EXPECT_EQ(seconds("TrackTimeLimit"), 4h);
    EXPECT_EQ(seconds("BestChartResumeInterval"), 5min);
    EXPECT_EQ(seconds("BestChartCheckInterval"), 10s);
    EXPECT_EQ(text("HeadingIndicator"), "1.0");
    std::uint32_t percent = 0;
    EXPECT_TRUE(reg.ReadDWord("AutoScrollPercentage", percent));
    EXPECT_EQ(percent, 20u);
    reg.Close();

    ASSERT_TRUE(reg.OpenKeyForRead("W\\Navigator\\Log"));
    EXPECT_EQ(text("DatabaseFolder"), (s.dir / "program" / "Logs").string());
}

// Settings saved while a chart window followed the vessel switch logging on
// at the next start, even when logging was off then.
TEST(NavigatorSettings, AFollowingWindowSwitchesLoggingOnWhateverLoggingWas)
{
    for (const bool following : {true, false}) {
        FirstStart s;
        {
            app::CRegistry reg(s.settings.GetStore());
            ASSERT_TRUE(reg.OpenKeyForWrite("W\\Navigator"));
            reg.WriteBool("MonitorWindowOn", following);
            reg.WriteBool("SaveToLogBookOn", false);
        }
        s.nav.LoadSettings();
        EXPECT_EQ(s.nav.Logbook().IsLogging(), following);
        EXPECT_EQ(s.nav.MonitorWindowSetting(), following);
    }
}

// A stored logs' folder is made when missing; one that cannot be made
// leaves the default in its place.
TEST(NavigatorSettings, AStoredLogsFolderIsMadeOrTheDefaultStays)
{
    for (const bool blocked : {false, true}) {
        FirstStart s;
        std::ofstream(s.dir / "blocker") << "a file, not a folder";
        const auto stored = s.dir / (blocked ? "blocker" : "elsewhere") / "Logs";
        {
            app::CRegistry reg(s.settings.GetStore());
            ASSERT_TRUE(reg.OpenKeyForWrite("W\\Navigator\\Log"));
            reg.WriteString("DatabaseFolder", stored.string());
        }
        s.nav.LoadSettings();
        const auto used = blocked ? s.dir / "program" / "Logs" : stored;
        EXPECT_EQ(s.nav.Logbook().Folder(), used) << stored;
        EXPECT_TRUE(std::filesystem::is_directory(used)) << used;
    }
}

TEST(NavigatorSettings, LogsFolderThatCannotBeMadeFallsBackToTheProgramFolder)
{
    FirstStart s;
    std::filesystem::create_directories(s.dir / "program");
    std::ofstream(s.dir / "program" / "Logs") << "a file in the way";
    ASSERT_TRUE(s.nav.Initialise());
    EXPECT_EQ(s.nav.Logbook().Folder(), s.dir / "program");
}

}   // namespace

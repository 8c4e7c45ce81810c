// The frame's periodic jobs on the real event loop, the real 500 ms timer
// and the real monotonic clock: half a minute of running must give the 1 s
// job about thirty times and the 10 s job three times. Labelled "slow" in
// CTest: it runs for 30 s by design, since the fault it guards against (a
// timer firing a little early skipping whole passes) only shows over many
// passes.
#include "shell/MainFrame.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>

#include "OwnProgramFolder.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/Timer.h"
#include "platform/Clock.h"

namespace {

struct SilentSound : app::CAlertSound {
    bool Play(const std::filesystem::path&) override { return false; }
    void Beep() override { }
};

struct NoSettings : app::CSettingsHome {
    mutable platform::CSettingsStore store{std::filesystem::temp_directory_path() /
                                           "brine-cadence-test-unused.conf"};
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return "Software\\Quorwick\\Brinevane\\Default"; }
};

struct CountingModule : app::CModule {
    using app::CModule::CModule;
    void OnTimer(app::TimerCadence c) override
    {
        ++counts[static_cast<int>(c)];
        if (c == app::TimerCadence::EveryTenSeconds && counts[2] == 1 && firstTenSecondJob)
            firstTenSecondJob();
    }
    int counts[3] = {};
    std::function<void()> firstTenSecondJob;
};

TEST(FrameCadence, ThirtySecondsGiveThirtySecondJobsAndThreeTenSecondJobs)
{
    int argc = 1;
    char arg0[] = "shell_FrameCadenceTest";
    char* argv[] = {arg0, nullptr};
    QApplication app(argc, argv);
    platform::CSystemClock clock;
    brine_test::ScriptedPrompt prompt;
    SilentSound sound;
    app::CTimer timerIds;
    NoSettings home;
    CountingModule* module = nullptr;

    shell::CFrameServices s;
    s.timerIds = &timerIds;
    s.prompt = &prompt;
    s.clock = &clock;
    s.sound = &sound;
    brine_test::TempFolder programHome;
    s.programFolder = brine_test::LinkedProgramFolder(programHome / "program");
    // The half minute is counted from the end of the first pass, which runs
    // every job: on a busy machine the start-up may take longer than the
    // first half second, the first pass then comes as the loop starts, and
    // a half minute counted from the loop's start would hold a fourth
    // ten-second job at its very end.
    QEventLoop loop;
    int before[3] = {};
    bool counting = false;
    s.moduleFactories = {[&] {
        auto m = std::make_unique<CountingModule>(home);
        module = m.get();
        module->firstTenSecondJob = [&] {
            QTimer::singleShot(0, &loop, [&] {
                std::copy(std::begin(module->counts), std::end(module->counts), before);
                counting = true;
                // Passes fall about every 500 ms from the first; ending a
                // quarter second past the 30 s mark keeps the count clear of
                // a pass at the edge.
                QTimer::singleShot(30250, Qt::PreciseTimer, &loop, &QEventLoop::quit);
            });
        };
        return m;
    }};
    shell::CMainFrame frame(std::move(s));
    ASSERT_TRUE(frame.OnCreate());
    ASSERT_TRUE(frame.CompleteStartUp());
    QTimer::singleShot(60000, &loop, [&] {
        if (!counting)
            loop.quit();
    });
    loop.exec();
    ASSERT_TRUE(counting) << "no timer pass within a minute";
    const int passes = module->counts[0] - before[0], seconds = module->counts[1] - before[1],
              tens = module->counts[2] - before[2];
    std::printf("30 s on the real timer: %d passes, %d one-second jobs, %d ten-second jobs\n",
                passes, seconds, tens);
    EXPECT_GE(seconds, 29);
    EXPECT_LE(seconds, 31);
    EXPECT_EQ(tens, 3);
    frame.TearDown();
}

}   // namespace

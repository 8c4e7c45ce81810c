// The logging and plot periods on the real clock and Qt's event loop: a
// 500 ms timer runs the frame's pass, whose one-second job runs the
// navigator's timer pass; the panel's messages are handled when the loop
// comes back to them, as in the program. A period of N seconds gives a row
// (or point) every N seconds, not every N + 1.

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

#include "NavigatorFakes.h"
#include "app/FrameTimer.h"
#include "navigator/NavigatorModule.h"
#include "platform/Clock.h"

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

int g_argc = 1;
char g_name[] = "navigator_ui_test";
char* g_argv[] = {g_name, nullptr};

QCoreApplication& App()
{
    // Never destroyed: see Qt's exit order.
    static auto* app = new QCoreApplication(g_argc, g_argv);
    return *app;
}

// Seconds between successive entries, rounded to tenths.
std::vector<double> Gaps(const std::vector<steady_clock::time_point>& at)
{
    std::vector<double> gaps;
    for (std::size_t i = 1; i < at.size(); ++i)
        gaps.push_back(std::round(duration<double>(at[i] - at[i - 1]).count() * 10) / 10);
    return gaps;
}

TEST(RealTimerPeriods, RowsAndPointsComeAWholePeriodApart)
{
    App();
    platform::CSystemClock clock;
    navtest::MemorySettings settings;
    navtest::FakeGps gps{clock};
    navtest::FakeLog log;
    navigator::CNavigatorModule nav{settings, clock, &gps};
    nav.SetVesselLog(&log);
    nav.SetDrDelay(10s);
    nav.SetLoggingPeriod(4s);
    nav.SetTrackInterval(2s);
    log.logging = true;

    std::vector<steady_clock::time_point> rows, points;
    app::CFrameTimer frameTimer(clock);
    frameTimer.SuspendTimer(false);
    app::CFrameTimer::Jobs jobs;
    jobs.every1s = [&] {
        gps.parser.ParseLine(navtest::Rmc(50.0, -4.0, 6.0, 45.0));
        nav.NavigationTimerPass();
        // The messages wait for the loop, as the panel's posted ones do.
        QTimer::singleShot(0, [&] {
            nav.PanelQueue().Drain([&](const app::CPostedMessage& m) {
                const int rowsBefore = log.rows, pointsBefore = log.points;
                nav.OnMonitorMessage(m);
                if (log.rows != rowsBefore)
                    rows.push_back(steady_clock::now());
                if (log.points != pointsBefore)
                    points.push_back(steady_clock::now());
            });
        });
    };
    QTimer timer;
    timer.setInterval(500);
    QObject::connect(&timer, &QTimer::timeout, [&] { frameTimer.OnTimer(jobs); });
    timer.start();
    QEventLoop loop;
    QTimer::singleShot(9300, &loop, &QEventLoop::quit);
    loop.exec();
    timer.stop();

    // From the first pass (half a second in): rows at 0, 4 and 8 s, points
    // every 2 s. A tick late each would make it rows at 0 and 5, points at
    // 0, 3 and 6. A pass the loaded machine runs late moves one by half a
    // second at most; the mean keeps the period.
    ASSERT_GE(rows.size(), 3u);
    ASSERT_GE(points.size(), 5u);
    const auto mean = [](const std::vector<double>& gaps) {
        double sum = 0;
        for (double g : gaps)
            sum += g;
        return sum / double(gaps.size());
    };
    EXPECT_NEAR(mean(Gaps(rows)), 4.0, 0.3);
    EXPECT_NEAR(mean(Gaps(points)), 2.0, 0.3);
    for (double gap : Gaps(rows))
        EXPECT_NEAR(gap, 4.0, 0.6);
    for (double gap : Gaps(points))
        EXPECT_NEAR(gap, 2.0, 0.6);
}

}   // namespace

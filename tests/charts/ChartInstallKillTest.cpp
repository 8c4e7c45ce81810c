// A child process installing charts is killed with SIGKILL at random
// moments. After each kill the next start has removed the staging folders of
// the copies cut short, every chart whose record says its files are on disk
// opens and verifies, no partial folder is taken for a chart, and a rerun
// completes the installation.

#include "ChildProcess.h"
#include "FakeChartWindow.h"
#include "TempFolder.h"
#include "support/InstallFixture.h"

#include "charts/hcrf/ChartCopy.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <random>

namespace fs = std::filesystem;
using namespace charts::hcrf;

namespace {

// Updates (again each time: the same medium is processed again) and Express, answering
// each medium prompt with the medium's folder.
bool Install(brine_test::Installation& in)
{
    const std::string update = (in.root / "WK10_26").string();
    const std::string charts = (in.root / "RC1").string();
    in.ui.answers = {update};
    if (!in.arcs->RunManaged(&CHCRFModule::OnUpdates, true))
        return false;
    in.ui.answers = {update, charts, update, charts};
    return in.arcs->RunManaged(&CHCRFModule::OnExpress, false);
}

TEST(ChartInstallKill, KilledInstallationsLeaveOnlyWholeChartsAndARerunCompletes)
{
    brine_test::TempFolder dir;
    {
        brine_test::Installation maker(dir.Path());
        maker.MakeCharts(false, 1400, 1000);
    }
    // How long a whole installation takes here, so the kills fall inside one.
    auto installInChild = [&dir] {
        return brine_test::ForkChild([&dir] {
            brine_test::Installation in(dir.Path());
            return Install(in) ? 0 : 1;
        });
    };
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(brine_test::WaitChild(installInChild()), 0);
    const auto whole =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
            .count();
    fs::remove_all(dir / "charts");

    std::mt19937 random(20260307);
    int killedMidway = 0;
    int stagingLeft = 0;
    for (int round = 0; round < 16; ++round) {
        const int delayMs = int(random() % std::uint32_t(whole + 1));
        const pid_t child = installInChild();
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        ::kill(child, SIGKILL);
        const int rc = brine_test::WaitChild(child);
        killedMidway += rc == -SIGKILL;
        if (rc == 0)
            fs::remove_all(dir / "charts");   // finished before the kill: start afresh

        // The next start takes away the staging folders of copies the kill
        // cut short.
        const auto staging = [&dir] {
            std::vector<fs::path> found;
            std::error_code walkError;
            for (fs::recursive_directory_iterator it(dir / "charts", walkError), end;
                 !walkError && it != end; it.increment(walkError)) {
                const std::string name = it->path().filename().string();
                if (name.ends_with(".partial") || name.ends_with(".partial.owner"))
                    found.push_back(it->path());
            }
            return found;
        };
        stagingLeft += int(staging().size());
        brine_test::Installation in(dir.Path());
        for (const fs::path& left : staging())
            ADD_FAILURE() << left << " left, round " << round << " after " << delayMs << " ms";
        for (bool more = in.Cat().GoTop(); more; more = in.Cat().SkipForward()) {
            const std::string number = in.Cat().m_no;
            if (!(in.Cat().m_source & 1))
                continue;
            brine_test::FakeChartWindow window;
            CHCRFDoc doc(in.charting.get(), in.arcs);
            window.client = geo::IntRect{0, 0, 300, 200};
            doc.AttachWindow(&window);
            ASSERT_TRUE(doc.OpenChart(in.arcs->GetCataloguedChartPath(number)))
                << number << " round " << round << " after " << delayMs << " ms";
            ASSERT_TRUE(doc.SetZoom(3, nullptr)) << number;
            EXPECT_EQ(brine_test::VerifyToEnd(doc), (std::pair{1, 1}))
                << number << " round " << round;
        }
    }
    std::printf("%d of 16 installations killed midway, %d staging files left by them; a whole "
                "one takes %lld ms\n",
                killedMidway, stagingLeft, static_cast<long long>(whole));
    EXPECT_GT(killedMidway, 0);

    // A rerun completes what the kills left.
    brine_test::Installation in(dir.Path());
    ASSERT_TRUE(Install(in));
    for (const char* n : {"RC1001", "RC2002", "RC3003"}) {
        ASSERT_TRUE(in.Cat().SeekKey(n));
        EXPECT_EQ(in.Cat().m_source, 3) << n;
        EXPECT_FALSE(fs::exists(StagingFolderOf(in.arcs->ChartFolder(true, n)))) << n;
    }
}

}   // namespace

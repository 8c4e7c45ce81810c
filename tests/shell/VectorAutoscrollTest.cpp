// The window that follows the vessel over vector charts, in the program as it starts with the
// sample chart media and cells: the user has the vector world chart in front and best chart
// selection on. Start Voyage opens the following window on the largest-scale chart holding the
// vessel, and as the vessel sails on the window moves to the largest-scale chart holding it,
// however far out the world chart's view was.
#include "shell/Brinevane.h"

#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "FirstStart.h"
#include "ScriptedPrompt.h"
#include "app/CommandIds.h"
#include "chart/ChartDoc.h"
#include "chart/ChartWindow.h"
#include "chart/ChartingModule.h"
#include "navigator/ui/NavigatorWindows.h"
#include "platform/Ascii.h"
#include "shell/MainFrame.h"

namespace {

std::string ChartName(const chart::CChartDoc* doc)
{
    return doc ? std::filesystem::path(doc->GetPathName()).stem().string() : std::string("(none)");
}

TEST(VectorAutoscroll, BestChartSelectionFollowsOnTheLargestScaleChartHoldingTheVessel)
{
    const brine_test::FirstStartProgram program(true);
    ASSERT_TRUE(program.started);
    const brine_test::FirstStartHome& home = program.home;
    ASSERT_GE(home.master, 0);
    shell::CMainFrame& frame = program.Frame();
    QTest::qWait(500);
    auto* charting = brine_test::FindModule<chart::CChartingModule>(frame);
    ASSERT_NE(charting, nullptr);
    navigator::CNavigatorWindows& nav = *frame.Navigator();
    // No autoscroll step until the voyage has started: the chart it starts on is the window's own.
    nav.SetBestChartCheckInterval(std::chrono::seconds(600));

    // The vector overview in front goes to the world chart, whole, in its window.
    chart::CChartDoc* overview = charting->GetActiveChartDoc();
    ASSERT_NE(overview, nullptr);
    ASSERT_EQ(overview->GetChartType(), chart::kChartLivechart) << ChartName(overview);
    overview->OpenWorldChart(1, true);
    QTest::qWait(300);
    ASSERT_TRUE(platform::EqualNoCaseAscii(ChartName(charting->GetActiveChartDoc()), "LCWORLD"))
        << ChartName(charting->GetActiveChartDoc());
    charting->SetAutoscroll(true);

    const auto following = [&] { return charting->FindChartDocInState(chart::kFrameAutoscroll); };
    const auto sailUntilOn = [&](double lat, double lon, const char* chartName) {
        for (int i = 0; i < 60; ++i) {
            if (platform::EqualNoCaseAscii(ChartName(following()), chartName))
                return true;
            home.Send(brine_test::RmcAt(lat, lon));
            QTest::qWait(100);
        }
        return false;
    };

    // In Admiralty Inlet off Marrowstone Point: the Admiralty Inlet chart (1:80,000) holds it.
    for (int i = 0; i < 40 && !nav.CanStartEndVoyage(); ++i) {
        home.Send(brine_test::RmcAt(48.085, -122.66));
        QTest::qWait(100);
    }
    ASSERT_TRUE(nav.CanStartEndVoyage());
    frame.UpdateModuleCmdUI(true);
    frame.Action(app::cmd::kNavVoyage)->trigger();
    // The window it replaced closes through the frame's messages.
    for (int i = 0; i < 20 && !platform::EqualNoCaseAscii(ChartName(following()), "US4WA02M"); ++i)
        QTest::qWait(100);
    ASSERT_NE(following(), nullptr) << "Start Voyage opened no following window";
    EXPECT_TRUE(platform::EqualNoCaseAscii(ChartName(following()), "US4WA02M"))
        << "the following window starts on " << ChartName(following());
    nav.SetBestChartCheckInterval(std::chrono::seconds(1));

    // Into Elliott Bay: the harbour chart (1:20,000); then off Tacoma, held by the
    // Puget Sound chart (1:350,000) alone.
    EXPECT_TRUE(sailUntilOn(47.615, -122.37, "US5WA03M")) << ChartName(following());
    EXPECT_TRUE(sailUntilOn(47.30, -122.48, "US2WA01M")) << ChartName(following());
    chart::CChartDoc* shown = following();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->IsPositionVisible(geo::CPosition(47.30, -122.48)));
}

}   // namespace

// The window that follows the vessel over vector charts, in the program as it starts with the
// sample chart media and cells: the user has the vector world chart in front and best chart
// selection on. Start Voyage opens the following window on the largest-scale chart holding the
// vessel, and as the vessel sails on the window moves to the largest-scale chart holding it,
// however far out the world chart's view was.
#include "shell/Brinevane.h"

#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
    // The user has zoomed in on the world chart; the following window's
    // start has the user's window show its whole chart again.
    chart::CChartDoc* world = charting->GetActiveChartDoc();
    const auto extentOf = [](chart::CChartDoc& doc) {
        geo::CPosition nw, se;
        EXPECT_TRUE(doc.GetExtent(nw, se));
        return std::array{nw.GetLatitude(), nw.GetLongitude(), se.GetLatitude(), se.GetLongitude()};
    };
    const auto whole = extentOf(*world);
    ASSERT_TRUE(world->ZoomIn());
    ASSERT_TRUE(world->ZoomIn());
    ASSERT_NE(extentOf(*world), whole);

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
    const auto frames = charting->ChartFrames();
    ASSERT_TRUE(std::any_of(frames.begin(), frames.end(), [world](chart::CChartWindow* w) {
        return w && w->GetChartDoc() == world && w->GetState() == chart::kFrameNormal;
    })) << "the user's window stays open";
    EXPECT_EQ(extentOf(*world), whole) << "the user's window shows the world chart whole";
    nav.SetBestChartCheckInterval(std::chrono::seconds(1));

    // A chart change keeps the view no finer than the new chart's most
    // overscaled view (eight times its scale on a 0.28 mm pixel).
    const auto withinZoomRange = [](chart::CChartDoc* doc) {
        double metres = 0.0;
        const std::string scale = doc ? doc->GetScaleText() : std::string();
        if (!doc || !doc->GetMetresPerPixel(metres) || scale.rfind("1:", 0) != 0)
            return ::testing::AssertionFailure() << "no display scale";
        const double finest = std::stod(scale.substr(2)) * 0.00028 / 8;
        if (metres < finest * (1 - 1e-6))
            return ::testing::AssertionFailure()
                   << ChartName(doc) << " at " << metres << " m/pixel, finer than " << finest;
        return ::testing::AssertionSuccess();
    };
    EXPECT_TRUE(withinZoomRange(following()));

    // Into Elliott Bay: the harbour chart (1:20,000); then off Tacoma, held by the
    // Puget Sound chart (1:350,000) alone, the harbour chart zoomed in as far as it goes.
    EXPECT_TRUE(sailUntilOn(47.615, -122.37, "US5WA03M")) << ChartName(following());
    EXPECT_TRUE(withinZoomRange(following()));
    if (chart::CChartDoc* harbour = following())
        for (int i = 0; i < 40 && !harbour->IsAtMaxZoom(); ++i)
            harbour->ZoomIn();
    EXPECT_TRUE(sailUntilOn(47.30, -122.48, "US2WA01M")) << ChartName(following());
    chart::CChartDoc* shown = following();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(withinZoomRange(shown));
    EXPECT_TRUE(shown->IsPositionVisible(geo::CPosition(47.30, -122.48)));
}

}   // namespace

namespace {

// With every chart window closed, Navigator > Autoscroll Monitor Window opens the following
// window on the vector folio's largest-scale chart holding the vessel, not on the blank chart.
TEST(VectorAutoscroll, WithNoChartWindowTheFollowingWindowOpensOnTheVesselsVectorChart)
{
    const brine_test::FirstStartProgram program(true);
    ASSERT_TRUE(program.started);
    const brine_test::FirstStartHome& home = program.home;
    shell::CMainFrame& frame = program.Frame();
    QTest::qWait(500);
    auto* charting = brine_test::FindModule<chart::CChartingModule>(frame);
    ASSERT_NE(charting, nullptr);
    navigator::CNavigatorWindows& nav = *frame.Navigator();
    nav.SetBestChartCheckInterval(std::chrono::seconds(600));
    charting->CloseAllChartDocs();
    QTest::qWait(300);
    ASSERT_EQ(charting->GetActiveChartDoc(), nullptr);

    // Near the Admiralty Inlet chart's south edge: that chart (1:80,000) holds it.
    for (int i = 0; i < 40 && !nav.CanStartEndVoyage(); ++i) {
        home.Send(brine_test::RmcAt(47.79, -122.80));
        QTest::qWait(100);
    }
    ASSERT_TRUE(nav.CanStartEndVoyage());
    frame.UpdateModuleCmdUI(true);
    frame.Action(app::cmd::kNavAutoscroll)->trigger();
    QTest::qWait(300);
    chart::CChartDoc* shown = charting->FindChartDocInState(chart::kFrameAutoscroll);
    ASSERT_NE(shown, nullptr) << "no following window";
    EXPECT_EQ(shown->GetChartType(), chart::kChartLivechart);
    EXPECT_TRUE(platform::EqualNoCaseAscii(ChartName(shown), "US4WA02M")) << ChartName(shown);
    EXPECT_TRUE(shown->IsPositionVisible(geo::CPosition(47.79, -122.80)));
}

}   // namespace

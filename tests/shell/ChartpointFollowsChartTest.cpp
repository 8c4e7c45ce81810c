// The chartpoint panel follows the chart in the program as it starts with the sample chart media:
// when a chart window becomes active, and when the mouse moves onto another panel of a raster
// chart (the harbour plan inset of RC9002), the panel shows the current chartpoint again and
// refills its datum list, once each time; not while the mouse stays on the same panel, and not
// for the vessel's own chart window.
#include "shell/Brinevane.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

#include "FirstStart.h"
#include "chart/ChartDoc.h"
#include "chart/ChartWindow.h"
#include "chart/ChartingModule.h"
#include "chartpoints/ui/ChartpointPanel.h"
#include "chartpoints/ui/ChartpointWindows.h"
#include "geo/Position.h"
#include "shell/MainFrame.h"

namespace {

TEST(ChartpointFollowsChart, PanelChangeUnderTheMouseAndActivationShowTheChartpointAgain)
{
    brine_test::FirstStartProgram program;
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    QTest::qWait(300);
    auto* charting = brine_test::FindModule<chart::CChartingModule>(frame);
    auto* points = brine_test::FindModule<chartpoints::CChartpointWindows>(frame);
    ASSERT_TRUE(charting && points && points->Panel());
    chart::CChartDoc* overview = charting->GetActiveChartDoc();
    ASSERT_NE(overview, nullptr);
    const std::filesystem::path overviewPath = overview->GetPathName();
    ASSERT_NE(overviewPath.string().find("RC9001"), std::string::npos) << overviewPath;
    const std::string seattle =
        (overviewPath.parent_path().parent_path() / "RC9002" / "RC9002.chr").string();

    // A chartpoint in Eagle Harbor, current.
    ASSERT_TRUE(points->Table().IsOpen());
    points->OnEdit();
    ASSERT_TRUE(points->AddChartpointAt(geo::CPosition(47.6205, -122.515)));
    points->OnEdit();
    auto* panel = points->Panel();
    auto* name = panel->findChild<QLineEdit*>(QStringLiteral("name"));
    auto* datum = panel->findChild<QComboBox*>(QStringLiteral("datum"));
    ASSERT_TRUE(name && datum);
    const QString stored = name->text();
    int refills = 0;
    QObject::connect(datum->model(), &QAbstractItemModel::rowsRemoved, [&] { ++refills; });
    // Typed over, not applied: showing the chartpoint again puts the stored name back.
    const auto typeOver = [&] { name->setText(QStringLiteral("typed over")); };

    chart::CChartDoc* plan = frame.OpenChart(seattle, false, chart::kFrameNormal);
    ASSERT_NE(plan, nullptr);
    ASSERT_TRUE(plan->SetZoomLevel(0, false));
    QTest::qWait(200);

    // Chart points of the main panel and of the inset at the bottom right.
    geo::IntPoint onMain, onInset;
    plan->ChartToClientPoint({1000, 1000}, onMain);
    plan->ChartToClientPoint({3000, 2600}, onInset);
    plan->OnMouseMove(onMain);
    const chart::CPanelId mainPanel = plan->GetCurrentPanelId();

    refills = 0;
    typeOver();
    plan->OnMouseMove(onInset);
    ASSERT_NE(plan->GetCurrentPanelId().panel, mainPanel.panel);
    EXPECT_EQ(refills, 1);
    EXPECT_EQ(name->text(), stored);
    typeOver();
    plan->OnMouseMove({onInset.x + 5, onInset.y + 5});
    EXPECT_EQ(refills, 1) << "the same panel again";
    EXPECT_EQ(name->text(), QStringLiteral("typed over"));
    plan->OnMouseMove(onMain);
    EXPECT_EQ(refills, 2);
    EXPECT_EQ(name->text(), stored);

    // Another chart window coming to the front.
    refills = 0;
    typeOver();
    overview->GetChartFrame()->ActivateFrame();
    QTest::qWait(200);
    EXPECT_EQ(refills, 1);
    EXPECT_EQ(name->text(), stored);
    refills = 0;
    plan->GetChartFrame()->ActivateFrame();
    QTest::qWait(200);
    EXPECT_EQ(refills, 1);

    // The vessel's chart window: panels change under the mouse, the panel is left alone.
    chart::CChartDoc* vessel = frame.OpenChart(seattle, false, chart::kFrameAutoscroll);
    ASSERT_NE(vessel, nullptr);
    ASSERT_EQ(vessel->GetChartFrame()->GetState(), chart::kFrameAutoscroll);
    ASSERT_TRUE(vessel->SetZoomLevel(0, false));
    QTest::qWait(200);
    vessel->ChartToClientPoint({1000, 1000}, onMain);
    vessel->ChartToClientPoint({3000, 2600}, onInset);
    vessel->OnMouseMove(onMain);
    refills = 0;
    typeOver();
    vessel->OnMouseMove(onInset);
    EXPECT_NE(vessel->GetCurrentPanelId().panel, mainPanel.panel);
    vessel->OnMouseMove(onMain);
    QTest::qWait(100);
    EXPECT_EQ(refills, 0);
    EXPECT_EQ(name->text(), QStringLiteral("typed over"));
}

}   // namespace

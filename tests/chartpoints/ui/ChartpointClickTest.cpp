// The chartpoint panel's entries, and "Add New Chartpoint" on a chart whose client points are not
// its chart points (a zoomed, scrolled raster chart): the mark goes to the position under the
// click, reached through the chart point; Go To Selected then goes there.
#include "chartpoints/ui/ChartpointPanel.h"
#include "chartpoints/ui/ChartpointWindows.h"
#include "geo/ui/DegrEdit.h"
#include "geo/ui/PositionCtrl.h"

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/FrameSettings.h"
#include "chart/ChartDoc.h"
#include "geo/DatumInfo.h"

#include "../ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace {

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};
QApplication* app = new QApplication(argc, argv);

// Shown at twice its size, scrolled 100 pixels right and 50 down; a chart
// point is a thousandth of a degree.
class CZoomedChart final : public chart::CChartDoc {
public:
    void ClientToChartPoint(geo::IntPoint in, geo::IntPoint& out) const override
    {
        out = {in.x / 2 + 100, in.y / 2 + 50};
    }
    void ChartToClientPoint(const geo::IntPoint& in, geo::IntPoint& out) override
    {
        out = {(in.x - 100) * 2, (in.y - 50) * 2};
    }
    bool PointToPosition(geo::IntPoint p, geo::CPosition& position) override
    {
        position =
            geo::CPosition(48.0 - p.y * 0.001, -123.0 + p.x * 0.001, 0.0, geo::DatumIndexWGS84());
        return true;
    }
    bool PositionToPoint(const geo::CPosition& position, geo::IntPoint& p) override
    {
        p = {int(std::lround((position.GetLongitude() + 123.0) * 1000)),
             int(std::lround((48.0 - position.GetLatitude()) * 1000))};
        return true;
    }
};

}   // namespace

TEST(ChartpointClick, AddNewChartpointGoesWhereTheClickIsOnAZoomedChart)
{
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings{dir.Path()};
    brine_test::ScriptedPrompt prompt;
    chartpoints::CChartpointWindows windows(settings, prompt, dir.Path(), {});
    ASSERT_TRUE(windows.Initialise());
    ASSERT_TRUE(windows.OpenDatabase((dir / "Chartpoints" / "Sound").string()));
    windows.OnEdit();
    ASSERT_TRUE(windows.IsEditMode());

    CZoomedChart doc;
    chart::CChartView view(doc, nullptr);
    windows.ViewCreated(view);
    QMenu menu;
    windows.AddContextMenu(view, menu, {300, 200}, chart::MenuSection::SidePanel);
    QAction* add = nullptr;
    for (QAction* a : menu.actions())
        if (a->text().remove(QLatin1Char('&')) == "Add New Chartpoint")
            add = a;
    ASSERT_NE(add, nullptr);
    ASSERT_TRUE(add->isEnabled());
    add->trigger();

    // Client (300, 200) is chart point (250, 150): 47.85 N, 122.75 W.
    const geo::CPosition placed = windows.Current().m_position;
    EXPECT_NEAR(placed.GetLatitude(), 47.85, 1e-9);
    EXPECT_NEAR(placed.GetLongitude(), -122.75, 1e-9);

    // Chartpoint > Go To Selected: only with a chart ready, to the current one.
    std::vector<geo::CPosition> wentTo;
    bool chartReady = false;
    windows.SetGoToPosition(
        [&wentTo](const geo::CPosition& p) {
            wentTo.push_back(p);
            return true;
        },
        [&chartReady] { return chartReady; });
    app::CCommandTable commands;
    windows.RegisterCommands(commands);
    EXPECT_FALSE(commands.Update(app::cmd::kChartpointGoToSelected).enabled);
    chartReady = true;
    EXPECT_TRUE(commands.Update(app::cmd::kChartpointGoToSelected).enabled);
    commands.Execute(app::cmd::kChartpointGoToSelected);
    ASSERT_EQ(wentTo.size(), 1u);
    EXPECT_NEAR(wentTo[0].GetLatitude(), 47.85, 1e-9);
    EXPECT_NEAR(wentTo[0].GetLongitude(), -122.75, 1e-9);
    windows.ViewDestroyed(view);
    windows.CloseDatabase(true);
}

// The panel enters the position field by field in one position field, and
// the zone time as whole hours from -11 to +12.
TEST(ChartpointClick, ThePanelTakesThePositionByFieldAndTheZoneTimeInItsRange)
{
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings{dir.Path()};
    brine_test::ScriptedPrompt prompt;
    chartpoints::CChartpointWindows windows(settings, prompt, dir.Path(), {});
    ASSERT_TRUE(windows.Initialise());
    QMainWindow window;
    auto* panel = new chartpoints::CChartpointPanel(windows, {}, &window);
    ASSERT_TRUE(panel->Create(chartpoints::CChartpointPanel::kBarId, &window));
    chartpoints::CChartpoint cp;
    cp.m_position = geo::CPosition(47.6, -122.4);
    cp.m_zoneTime = "0";
    panel->ShowChartpoint(cp);

    auto* position = panel->findChild<geo::CPositionCtrl*>("position");
    ASSERT_NE(position, nullptr);
    // Before the frame hands over its template: the default two decimals of minutes.
    EXPECT_EQ(position->text(), QString::fromUtf8("47\u00B036.00N  122\u00B024.00W"));
    // The frame's template for 3 decimals of seconds lays the same position out anew.
    panel->SetPositionTemplate(app::GetPositionTemplate(3, true));
    EXPECT_EQ(position->text(), QString::fromUtf8("47\u00B036'00.000N  122\u00B024'00.000W"));
    QTest::keyClick(position, Qt::Key_Home);
    QTest::keyClick(position, Qt::Key_Up);   // latitude degrees one up
    // A position being typed outlives a change of template.
    panel->SetPositionTemplate(app::GetPositionTemplate(1, false));
    EXPECT_EQ(position->text(), QString::fromUtf8("48\u00B036.0N  122\u00B024.0W"));
    auto* zone = panel->findChild<geo::CDegrEdit*>("zone");
    ASSERT_NE(zone, nullptr);
    zone->clear();
    QTest::keyClicks(zone, "13");
    EXPECT_EQ(zone->text(), "1");
    QTest::keyClicks(zone, "2");
    EXPECT_EQ(zone->text(), "12");

    chartpoints::CChartpoint read;
    std::string refusal;
    ASSERT_TRUE(panel->ReadPanel(read, refusal)) << refusal;
    EXPECT_NEAR(read.m_position.GetLatitude(), 48.6, 1e-9);
    EXPECT_NEAR(read.m_position.GetLongitude(), -122.4, 1e-9);
    EXPECT_EQ(read.m_zoneTime, "12");
}

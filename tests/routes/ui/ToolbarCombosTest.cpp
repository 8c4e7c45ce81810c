// The toolbar drop-downs of chartpoints, routes and waypoints over real
// tables, shown by QComboBox copies on two toolbars: the copies stay in
// step, a refill keeps the table where it was, an empty table empties every
// copy, and the waypoint list renumbers after a delete that was not the last.
#include "app/ui/ToolbarComboAction.h"
#include "chartpoints/ChartpointCombos.h"
#include "db/DBChartPoint.h"
#include "db/DBRoute.h"
#include "routes/RouteCombos.h"
#include "routes/RouteViews.h"

#include "TempFolder.h"
#include "WaitStatusRecorder.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QMainWindow>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};
QApplication* app = new QApplication(argc, argv);

QStringList Items(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

class ToolbarCombosTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        table.SetFilePath((dir / "points").string());
        ASSERT_TRUE(table.Open());
        ASSERT_TRUE(table.Lock());
        for (const char* n :
             {"Point Wilson", "Bush Point", "West Point", "Alki Point", "Duwamish Head"}) {
            table.ClearRecord();
            table.m_name = n;
            ASSERT_TRUE(table.AppendNew());
        }
        table.FlushAndUnlock();
        table.SelectTag("T_NAME");
        ASSERT_TRUE(table.GoTop());
    }
    // Two toolbars, each carrying the action: two copies of the list.
    void Place(QAction* action)
    {
        for (QToolBar* bar : {first, second})
            bar->addAction(action);
    }

    brine_test::TempFolder dir;
    db::CDBChartPoint table;
    QMainWindow window;
    QToolBar* first = window.addToolBar("One");
    QToolBar* second = window.addToolBar("Two");
};

TEST_F(ToolbarCombosTest, CopiesOnTwoToolbarsFollowTheTableAndEachOther)
{
    chartpoints::CChartpointComboModel names;
    names.SetChartpoints(&table);
    int chosen = -1;
    app::CToolbarComboAction action(
        names, 815, "Select Chartpoint", 180, true,
        [&](int index) {
            chosen = index;
            table.GoOrdinal(index + 1);
            names.SelectCurrentRecord();
        },
        nullptr);
    Place(&action);
    ASSERT_EQ(action.Copies().size(), 2);
    ASSERT_TRUE(table.GoOrdinal(3));
    // The table is read under the wait state, and the status bar's text comes back after.
    brine_test::WaitStatusRecorder status;
    app::CWaitStatus::SetStatusHost(&status);
    names.Refill();
    app::CWaitStatus::SetStatusHost(nullptr);
    EXPECT_EQ(status.texts, (std::vector<std::string>{app::kPleaseWaitText, "Ready"}));
    const QStringList sorted{"Alki Point", "Bush Point", "Duwamish Head", "Point Wilson",
                             "West Point"};
    for (QComboBox* box : action.Copies()) {
        EXPECT_EQ(Items(box), sorted);
        EXPECT_EQ(box->currentIndex(), 2);
    }
    // The refill left the table on the record it was on.
    EXPECT_EQ(table.GetOrdinal(), 3);
    EXPECT_EQ(table.m_name, "Duwamish Head");

    // A choice in the second copy moves the table and shows in the first.
    QComboBox* other = action.Copies().at(1);
    other->setCurrentIndex(4);
    emit other->activated(4);
    EXPECT_EQ(chosen, 4);
    EXPECT_EQ(table.m_name, "West Point");
    EXPECT_EQ(action.Copies().at(0)->currentIndex(), 4);
    EXPECT_EQ(names.CachedIndex(), 4);

    // An edit of the current record replaces its entry in both copies.
    table.m_name = "West Point Light";
    names.UpdateCurrentEntry();
    for (QComboBox* box : action.Copies())
        EXPECT_EQ(box->itemText(4), "West Point Light");

    // A toolbar made later gets the list and the selection as they are.
    QToolBar* third = window.addToolBar("Three");
    third->addAction(&action);
    ASSERT_EQ(action.Copies().size(), 3);
    EXPECT_EQ(action.Copies().at(2)->count(), 5);
    EXPECT_EQ(action.Copies().at(2)->currentIndex(), 4);
    // A toolbar that goes takes its copy off the list's copies.
    delete third;
    EXPECT_EQ(names.CopyCount(), 2u);

    // The key opens the first closed list, then the next copy's.
    window.show();
    ASSERT_TRUE(action.OpenDropDown());
    EXPECT_TRUE(action.Copies().at(0)->view()->isVisible());
    ASSERT_TRUE(action.OpenDropDown());
    EXPECT_TRUE(action.Copies().at(1)->view()->isVisible());
    for (QComboBox* box : action.Copies())
        box->hidePopup();
}

TEST_F(ToolbarCombosTest, AnEmptyOrClosedTableEmptiesEveryCopy)
{
    chartpoints::CChartpointComboModel names;
    names.SetChartpoints(&table);
    app::CToolbarComboAction action(names, 815, "Select Chartpoint", 180, true, {}, nullptr);
    Place(&action);
    names.Refill();
    EXPECT_TRUE(names.HasRows());
    table.Close();
    names.Refill();
    EXPECT_FALSE(names.HasRows());
    for (QComboBox* box : action.Copies())
        EXPECT_EQ(box->count(), 0);
    // The frame disables the command; every copy follows and none opens.
    action.setEnabled(false);
    for (QComboBox* box : action.Copies())
        EXPECT_FALSE(box->isEnabled());
    window.show();
    EXPECT_FALSE(action.OpenDropDown());
}

TEST_F(ToolbarCombosTest, SortOrdersAreTheNineEntries)
{
    chartpoints::CSortComboModel orders;
    ASSERT_EQ(orders.GetCount(), 9);
    EXPECT_EQ(orders.GetLBText(0), "Sort by Original Order");
    EXPECT_EQ(orders.GetLBText(8), "Sort by Zone");
}

TEST(RouteComboTest, EntriesShowTheEndsOnlyWhenBothAreGiven)
{
    EXPECT_EQ(routes::RouteEntryText("Inlet", "Port Townsend", "Seattle"),
              "Inlet [Port Townsend->Seattle]");
    EXPECT_EQ(routes::RouteEntryText("Inlet", "", "Seattle"), "Inlet");
    EXPECT_EQ(routes::RouteEntryText("Inlet", "Port Townsend", ""), "Inlet");

    brine_test::TempFolder dir;
    db::CDBRoute routes;
    routes.SetFilePath((dir / "routes").string());
    ASSERT_TRUE(routes.Open());
    ASSERT_TRUE(routes.Lock());
    routes.ClearRecord();
    routes.m_name = "Inlet";
    routes.m_from = "Port Townsend";
    routes.m_to = "Seattle";
    ASSERT_TRUE(routes.AppendNew());
    routes.FlushAndUnlock();
    routes::CRouteComboModel combo(-1);
    combo.SetRoutes(&routes);
    combo.Refill();
    ASSERT_EQ(combo.GetCount(), 1);
    EXPECT_EQ(combo.GetLBText(0), "Inlet [Port Townsend->Seattle]");
    // Only a new name replaces the entry.
    routes.m_to = "Tacoma";
    combo.UpdateCurrentEntry();
    EXPECT_EQ(combo.GetLBText(0), "Inlet [Port Townsend->Seattle]");
    routes.m_name = "Inlet south";
    combo.UpdateCurrentEntry();
    EXPECT_EQ(combo.GetLBText(0), "Inlet south [Port Townsend->Tacoma]");
}

TEST(WaypointComboTest, UnnamedPointsAndDeletesRenumber)
{
    routes::CRouteState state;
    state.hasRoute = true;
    for (int i = 1; i <= 8; ++i) {
        routes::CWaypoint wp(geo::CPosition(47.6 + i * 0.01, -122.4));
        wp.m_name = i == 7 ? "" : "WP" + std::to_string(i);
        state.waypoints.push_back(wp);
    }
    state.activeIndex = 8;
    routes::CWaypointComboModel combo(state);
    combo.Refill();
    ASSERT_EQ(combo.GetCount(), 8);
    EXPECT_EQ(combo.GetLBText(6), "007 No name");
    EXPECT_EQ(combo.GetLBText(0), "001 WP1");
    EXPECT_EQ(combo.CachedIndex(), 7);

    // The last point deleted: its entry alone goes.
    state.waypoints.pop_back();
    state.activeIndex = 7;
    combo.DeleteCurrentEntry();
    ASSERT_EQ(combo.GetCount(), 7);
    EXPECT_EQ(combo.GetLBText(6), "007 No name");
    EXPECT_EQ(combo.CachedIndex(), 6);

    // The third deleted: every later point is numbered one less.
    combo.SetCurSel(2);
    state.waypoints.erase(state.waypoints.begin() + 2);
    state.activeIndex = 3;
    combo.DeleteCurrentEntry();
    ASSERT_EQ(combo.GetCount(), 6);
    EXPECT_EQ(combo.GetLBText(2), "003 WP4");
    EXPECT_EQ(combo.GetLBText(5), "006 No name");
    EXPECT_EQ(combo.CachedIndex(), 2);

    // No route: an empty list.
    state.hasRoute = false;
    combo.Refill();
    EXPECT_EQ(combo.GetCount(), 0);
    EXPECT_FALSE(combo.HasRows());
}

}   // namespace

// The toolbar's route and waypoint pickers over a route database of two
// routes: what they list and mark, choosing from them, every bar's picker
// following a change, a choice refused while the route is held, and empty
// pickers once the module is gone.

#include "routes/ui/RouteToolBarCombos.h"

#include "../../chartpoints/ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/CommandIds.h"
#include "db/DBRoute.h"
#include "routes/ui/RouteWindows.h"

#include <QApplication>
#include <QComboBox>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};

void AddRoute(db::CDBRoute& table, const char* routeName, int points)
{
    table.ClearRecord();
    table.m_name = routeName;
    ASSERT_TRUE(table.AppendNew());
    for (int i = 0; i < points; ++i) {
        auto& links = table.Points();
        links.Waypoints().ClearRecord();
        links.Waypoints().m_name =
            i == 1 ? "" : std::string(routeName).substr(0, 3) + char('A' + i);
        links.Waypoints().m_position = geo::CPosition(48.1 - 0.05 * i, -122.6 + 0.02 * i);
        ASSERT_TRUE(links.AppendPoint());
    }
}

QStringList Items(const QComboBox& combo)
{
    QStringList out;
    for (int i = 0; i < combo.count(); ++i)
        out << combo.itemText(i);
    return out;
}

TEST(RouteToolBarCombos, ListChooseFollowAndRefuseWhileHeld)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    brine_test::RecordingStation station;
    routes::CRouteWindows routes(settings, prompt, dir.Path());
    ASSERT_TRUE(routes.Initialise());
    routes.SetStationLink(&station);
    const std::filesystem::path path = dir.Path() / "Puget";
    {
        db::CDBRoute table;
        table.SetFilePath(path.string());
        ASSERT_TRUE(table.Open());
        AddRoute(table, "Admiralty Inlet", 3);
        AddRoute(table, "Elliott Bay", 2);
        table.Close();
    }
    ASSERT_TRUE(routes.OpenDatabase(path.string()));
    ASSERT_EQ(routes.RouteOrdinal(), 1);

    // The route bar and a bar of the user's own, each with the pickers.
    QToolBar bar, own;
    QAction* routeAction = routes.ToolBarControl(app::cmd::kRouteCombo, &bar);
    QAction* waypointAction = routes.ToolBarControl(app::cmd::kWaypointCombo, &bar);
    ASSERT_TRUE(routeAction && waypointAction);
    EXPECT_EQ(routes.ToolBarControl(app::cmd::kRouteCombo, &bar), routeAction);   // one action
    EXPECT_EQ(routes.ToolBarControl(app::cmd::kRouteNew, &bar), nullptr);
    bar.addAction(routeAction);
    bar.addAction(waypointAction);
    own.addAction(routeAction);
    auto* routeCombo = bar.findChild<QComboBox*>("routeCombo");
    auto* waypointCombo = bar.findChild<QComboBox*>("waypointCombo");
    auto* ownRoute = own.findChild<QComboBox*>("routeCombo");
    ASSERT_TRUE(routeCombo && waypointCombo && ownRoute);

    EXPECT_EQ(Items(*routeCombo), QStringList({"Admiralty Inlet", "Elliott Bay"}));
    EXPECT_EQ(routeCombo->currentIndex(), 0);
    // An unnamed waypoint is its number alone.
    EXPECT_EQ(Items(*waypointCombo), QStringList({"1 AdmA", "2", "3 AdmC"}));
    EXPECT_EQ(waypointCombo->currentIndex(), routes.State().activeIndex - 1);

    // Choosing the second route: both route pickers mark it, the waypoint
    // picker lists its waypoints.
    routeCombo->setCurrentIndex(1);
    emit routeCombo->activated(1);
    EXPECT_EQ(routes.RouteOrdinal(), 2);
    EXPECT_EQ(ownRoute->currentIndex(), 1);
    EXPECT_EQ(Items(*waypointCombo), QStringList({"1 EllA", "2"}));

    waypointCombo->setCurrentIndex(1);
    emit waypointCombo->activated(1);
    EXPECT_EQ(routes.State().activeIndex, 2);
    ASSERT_TRUE(routes.SelectWaypoint(1));
    EXPECT_EQ(waypointCombo->currentIndex(), 0);

    // Held by the automatic advance: another route is refused and the
    // picker goes back to the route in use.
    ASSERT_TRUE(routes.SetAutoAdvance(true));
    routeCombo->setCurrentIndex(0);
    emit routeCombo->activated(0);
    EXPECT_EQ(routes.RouteOrdinal(), 2);
    EXPECT_EQ(routeCombo->currentIndex(), 1);
    ASSERT_TRUE(routes.SetAutoAdvance(false));

    routes.Terminate();
    EXPECT_EQ(routeCombo->count(), 0);
    EXPECT_EQ(waypointCombo->count(), 0);
    emit routeCombo->activated(0);   // nothing left to choose in
}

}   // namespace

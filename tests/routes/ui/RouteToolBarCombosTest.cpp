// The toolbar's route and waypoint pickers over a route database of two
// routes: what they list and mark, choosing from them, every bar's picker
// following a change, waypoint deletes and inserts, a choice refused while
// the route is held, and empty pickers once the module is gone.

#include "../../chartpoints/ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "WaitStatusRecorder.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/ui/ToolbarComboAction.h"
#include "db/DBRoute.h"
#include "routes/ui/RouteWindows.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QToolBar>

#include <fstream>

#include <gtest/gtest.h>

namespace {

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};

void AddRoute(db::CDBRoute& table, const char* routeName, int points)
{
    table.ClearRecord();
    table.m_name = routeName;
    table.m_from = "Port Townsend";
    table.m_to = points > 2 ? "Seattle" : "";
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
    const auto copies = [](QAction* a) {
        return static_cast<app::CToolbarComboAction*>(a)->Copies();
    };
    ASSERT_EQ(copies(routeAction).size(), 2);
    ASSERT_EQ(copies(waypointAction).size(), 1);
    QComboBox* routeCombo = copies(routeAction).at(0);
    QComboBox* ownRoute = copies(routeAction).at(1);
    QComboBox* waypointCombo = copies(waypointAction).at(0);
    EXPECT_EQ(ownRoute->parentWidget(), &own);

    // The ends shown only when both are set; the pickers are the module's
    // shared lists.
    EXPECT_EQ(Items(*routeCombo),
              QStringList({"Admiralty Inlet [Port Townsend->Seattle]", "Elliott Bay"}));
    EXPECT_EQ(routes.RouteEntries().GetCount(), 2);
    EXPECT_EQ(routeCombo->currentIndex(), 0);
    // An unnamed waypoint is "No name" after its three-digit number.
    EXPECT_EQ(Items(*waypointCombo), QStringList({"001 AdmA", "002 No name", "003 AdmC"}));
    EXPECT_EQ(waypointCombo->currentIndex(), routes.State().activeIndex - 1);

    // Choosing the second route: both route pickers mark it, the waypoint
    // picker lists its waypoints.
    // The choice is made under the wait state.
    routeCombo->setCurrentIndex(1);
    brine_test::WaitStatusRecorder status;
    app::CWaitStatus::SetStatusHost(&status);
    emit routeCombo->activated(1);
    app::CWaitStatus::SetStatusHost(nullptr);
    EXPECT_EQ(status.texts.front(), app::kPleaseWaitText);
    EXPECT_EQ(status.current, "Ready");
    EXPECT_EQ(routes.RouteOrdinal(), 2);
    EXPECT_EQ(ownRoute->currentIndex(), 1);
    EXPECT_EQ(Items(*waypointCombo), QStringList({"001 EllA", "002 No name"}));

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
    // The monitor's advance and the autopilot's starting leg move the active
    // waypoint of the held route: the picker follows.
    ASSERT_TRUE(routes.Views().SelectWaypoint(2));
    EXPECT_EQ(waypointCombo->currentIndex(), 1);
    ASSERT_TRUE(routes.SetAutoAdvance(false));

    // Deletes and inserts in edit mode: a middle point renumbers the rest,
    // the last point goes alone, an added point is listed in its place.
    ASSERT_TRUE(routes.SelectRoute(1));
    routes.OnEdit();
    ASSERT_TRUE(routes.IsEditMode());
    ASSERT_TRUE(routes.SelectWaypoint(2));
    prompt.Expect(platform::PromptAnswer::Yes, "delete this waypoint");
    ASSERT_TRUE(routes.DeleteCurrentWaypoint());
    EXPECT_EQ(Items(*waypointCombo), QStringList({"001 AdmA", "002 AdmC"}));
    EXPECT_EQ(waypointCombo->currentIndex(), 1);
    prompt.Expect(platform::PromptAnswer::Yes, "delete this waypoint");
    ASSERT_TRUE(routes.DeleteCurrentWaypoint());
    EXPECT_EQ(Items(*waypointCombo), QStringList({"001 AdmA"}));
    EXPECT_EQ(waypointCombo->currentIndex(), 0);
    // A delete the user refuses changes nothing listed.
    prompt.Expect(platform::PromptAnswer::No, "delete this waypoint");
    EXPECT_FALSE(routes.DeleteCurrentWaypoint());
    EXPECT_EQ(Items(*waypointCombo), QStringList({"001 AdmA"}));
    ASSERT_TRUE(routes.InsertWaypointAfterCurrent(geo::CPosition(47.62, -122.38)));
    ASSERT_EQ(waypointCombo->count(), 2);
    EXPECT_EQ(waypointCombo->itemText(0), "001 AdmA");
    EXPECT_TRUE(waypointCombo->itemText(1).startsWith("002 "));
    EXPECT_EQ(waypointCombo->currentIndex(), routes.State().activeIndex - 1);
    routes.OnEdit();

    // The upload dialog's route list is one more copy of the shared list:
    // the same entries and mark, a choice there shows on the toolbar, and
    // the copy leaves the list with the dialog.
    routes.ShowUploadDialog();
    QDialog* upload = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "RouteUpload")
            upload = qobject_cast<QDialog*>(w);
    ASSERT_TRUE(upload);
    auto* uploadRoutes = upload->findChild<QComboBox*>("routes");
    ASSERT_TRUE(uploadRoutes);
    EXPECT_EQ(Items(*uploadRoutes), Items(*routeCombo));
    // Like every table's list, the dialog's is bold, as the toolbar's are.
    EXPECT_TRUE(routeCombo->font().bold());
    EXPECT_TRUE(uploadRoutes->font().bold());
    EXPECT_EQ(uploadRoutes->currentIndex(), 0);
    EXPECT_EQ(routes.RouteEntries().CopyCount(), 3u);
    uploadRoutes->setCurrentIndex(1);
    emit uploadRoutes->activated(1);
    EXPECT_EQ(routes.RouteOrdinal(), 2);
    EXPECT_EQ(routeCombo->currentIndex(), 1);
    EXPECT_EQ(uploadRoutes->currentIndex(), 1);
    delete upload;
    EXPECT_EQ(routes.RouteEntries().CopyCount(), 2u);

    routes.Terminate();
    EXPECT_EQ(routeCombo->count(), 0);
    EXPECT_EQ(waypointCombo->count(), 0);
    emit routeCombo->activated(0);   // nothing left to choose in
}

}   // namespace

// The route bar's attachment buttons and Go To Selected waypoint: enabled
// only for what is there, and each does its one thing.
TEST(RouteToolBarCombos, AttachmentButtonsAndGoToSelectedWaypoint)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CRouteWindows routes(settings, prompt, dir.Path());
    ASSERT_TRUE(routes.Initialise());
    const std::filesystem::path path = dir.Path() / "Puget";
    {
        db::CDBRoute table;
        table.SetFilePath(path.string());
        ASSERT_TRUE(table.Open());
        AddRoute(table, "Admiralty Inlet", 3);
        table.m_attachment[0] = "inlet.png";   // there
        table.m_attachment[1] = "gone.png";   // named, but no such file
        table.m_attachment[3] = "pass.avi";   // the video, there
        ASSERT_TRUE(table.Update());
        table.Close();
    }
    std::filesystem::create_directories(routes.AttachmentsFolder());
    for (const char* file : {"inlet.png", "pass.avi"})
        std::ofstream(std::filesystem::path(routes.AttachmentsFolder()) / file) << "x";
    ASSERT_TRUE(routes.OpenDatabase(path.string()));

    std::vector<std::pair<std::string, bool>> opened;
    std::vector<geo::CPosition> wentTo;
    bool chartReady = false;
    routes.SetAttachmentOpener([&opened](const std::string& file, bool video) {
        opened.emplace_back(std::filesystem::path(file).filename().string(), video);
        return true;
    });
    routes.SetGoToPosition(
        [&wentTo](const geo::CPosition& p) {
            wentTo.push_back(p);
            return true;
        },
        [&chartReady] { return chartReady; });
    app::CCommandTable commands;
    routes.RegisterCommands(commands);

    const unsigned first = app::cmd::kRouteAttachments.first;
    EXPECT_TRUE(commands.Update(first).enabled);
    EXPECT_FALSE(commands.Update(first + 1).enabled);
    EXPECT_FALSE(commands.Update(first + 2).enabled);
    EXPECT_TRUE(commands.Update(first + 3).enabled);
    commands.Execute(first);
    commands.Execute(first + 1);   // nothing to show
    commands.Execute(first + 3);
    EXPECT_EQ(opened, (std::vector<std::pair<std::string, bool>>{{"inlet.png", false},
                                                                 {"pass.avi", true}}));

    // Go To Selected waits for a chart, then goes to the selected waypoint.
    EXPECT_FALSE(commands.Update(app::cmd::kWaypointGoToSelected).enabled);
    chartReady = true;
    ASSERT_TRUE(routes.SelectWaypoint(2));
    EXPECT_TRUE(commands.Update(app::cmd::kWaypointGoToSelected).enabled);
    commands.Execute(app::cmd::kWaypointGoToSelected);
    ASSERT_EQ(wentTo.size(), 1u);
    EXPECT_NEAR(wentTo[0].GetLatitude(), 48.05, 1e-9);
    EXPECT_NEAR(wentTo[0].GetLongitude(), -122.58, 1e-9);
    EXPECT_TRUE(commands.Update(app::cmd::kNavUploadRoute).enabled);
    routes.CloseDatabase(true);
    EXPECT_FALSE(commands.Update(app::cmd::kWaypointGoToSelected).enabled);
    EXPECT_FALSE(commands.Update(first).enabled);
    // Upload Route is offered with no route at all: its dialog picks the route.
    EXPECT_TRUE(commands.Update(app::cmd::kNavUploadRoute).enabled);
}

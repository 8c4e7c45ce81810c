// The Upload Route dialog's Report: it opens the route's waypoint list, is
// disabled while that list is showing and enabled again once it is closed.
#include "../../chartpoints/ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "routes/ui/RouteUploadDlg.h"
#include "routes/ui/RouteWindows.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};

TEST(RouteUploadReport, ReportOpensTheWaypointListOnceAtATime)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CRouteWindows routes(settings, prompt, dir.Path());
    ASSERT_TRUE(routes.Initialise());
    ASSERT_TRUE(routes.OpenDatabase((dir.Path() / "Sound").string()));
    routes.OnEdit();
    ASSERT_TRUE(routes.NewRoute());
    ASSERT_TRUE(routes.AddWaypointAt(geo::CPosition(48.1, -122.7)));

    int opened = 0;
    bool showing = false;
    routes.SetWaypointListReport(
        [&] {
            ++opened;
            showing = true;
        },
        [&] { return showing; });
    routes.ShowUploadDialog();
    QDialog* dialog = routes.UploadDialog();
    ASSERT_NE(dialog, nullptr);
    auto* report = dialog->findChild<QPushButton*>("report");
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->text(), "&Report");
    ASSERT_TRUE(report->isEnabled());
    report->click();
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(report->isEnabled());
    // The list closed by the user: Report comes back with the dialog's own timer.
    showing = false;
    QTest::qWait(400);
    EXPECT_TRUE(report->isEnabled());
    dialog->close();
    routes.Terminate();
}

}   // namespace

// The route panel's waypoint list in the program as a new user starts it with
// the sample route: applying the great-circle page with a changed limit fills
// the list again, and a great-circle leg beyond the new limit tells the user
// so as the list measures it (each leg that is, one box each).
#include "FirstStart.h"
#include "app/CommandIds.h"
#include "app/ui/PropertySheet.h"
#include "routes/ui/RoutePanel.h"
#include "routes/ui/RouteWindows.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QSpinBox>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

app::CModelessPropertySheet* OpenRouteOptions(shell::CMainFrame& frame)
{
    frame.UpdateModuleCmdUI(true);
    QAction* options = frame.Action(app::cmd::kRouteOptions);
    if (!options || !options->isEnabled())
        return nullptr;
    options->trigger();
    QCoreApplication::sendPostedEvents();
    for (auto* sheet : frame.Window().findChildren<app::CModelessPropertySheet*>())
        if (sheet->windowTitle() == "Route Options")
            return sheet;
    return nullptr;
}

TEST(RouteGreatCircleList, ApplyingANewLimitFillsTheListAgainAndWarns)
{
    brine_test::FirstStartProgram program(false, true);
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    auto* routes = brine_test::FindModule<routes::CRouteWindows>(frame);
    ASSERT_NE(routes, nullptr);
    ASSERT_NE(routes->Panel(), nullptr);
    auto* list = routes->Panel()->findChild<QTreeWidget*>();
    ASSERT_NE(list, nullptr);
    ASSERT_GT(list->topLevelItemCount(), 1);

    // The first leg made a great circle, as the leg type box does (the
    // sample workspace follows the route: advancing is switched off first).
    routes->SetAutoAdvance(false);
    ASSERT_TRUE(routes->IsFree());
    routes->OnEdit();
    ASSERT_TRUE(routes->SelectWaypoint(1));
    ASSERT_TRUE(routes->SetLegType(1));
    ASSERT_EQ(list->topLevelItem(0)->text(2), "GC");
    list->topLevelItem(0)->setData(0, Qt::UserRole + 7, "filled before");
    const QString distance = list->topLevelItem(0)->text(3);
    ASSERT_FALSE(distance.isEmpty());

    // A north limit of 45 degrees, south of the sample route's waypoints.
    app::CModelessPropertySheet* sheet = OpenRouteOptions(frame);
    ASSERT_NE(sheet, nullptr);
    QWidget* page = nullptr;
    for (int i = 0; i < sheet->PageCount(); ++i)
        if (sheet->Page(i)->objectName() == "GreatCircleOptions")
            page = sheet->Page(i);
    ASSERT_NE(page, nullptr);
    auto* north = page->findChild<QCheckBox*>("applyNorthLimit");
    auto* degrees = page->findChild<QSpinBox*>("northDegrees");
    ASSERT_TRUE(north && degrees);
    north->click();
    degrees->setValue(45);
    program.prompt.Expect(platform::PromptAnswer::Ok, "beyond an active limiting latitude");
    ASSERT_TRUE(sheet->OnOk());
    QCoreApplication::processEvents();

    ASSERT_GT(list->topLevelItemCount(), 1);
    EXPECT_FALSE(list->topLevelItem(0)->data(0, Qt::UserRole + 7).isValid())
        << "the list was not filled again";
    EXPECT_EQ(list->topLevelItem(0)->text(3), distance);   // a plain great circle still
    ASSERT_FALSE(program.prompt.AskedPrompts().empty());
    EXPECT_EQ(program.prompt.AskedPrompts().back().text,
              "One or more points lie beyond an active limiting latitude.");
    EXPECT_EQ(program.prompt.AskedPrompts().back().icon, platform::PromptIcon::Exclamation);
}

}   // namespace

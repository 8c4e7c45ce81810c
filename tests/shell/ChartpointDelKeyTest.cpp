// The Del key in the program as it starts for a new user: in a text field it
// deletes text (Edit > Delete); elsewhere, with the chartpoint panel the
// active side panel, it is Chartpoint > Delete, which the menu names, and it
// does nothing outside edit mode; with the route panel active it is Route >
// Waypoint > Delete.
#include "shell/Brinevane.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "FirstStart.h"
#include "ScriptedPrompt.h"
#include "app/CommandIds.h"
#include "chartpoints/ui/ChartpointPanel.h"
#include "chartpoints/ui/ChartpointWindows.h"
#include "geo/Position.h"
#include "routes/ui/RoutePanel.h"
#include "routes/ui/RouteWindows.h"
#include "shell/MainFrame.h"

namespace cmd = app::cmd;

TEST(ChartpointDelKey, DelIsChartpointDeleteOutsideTextFields)
{
    brine_test::FirstStartProgram program;
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    auto* points = brine_test::FindModule<chartpoints::CChartpointWindows>(frame);
    ASSERT_TRUE(points && points->Panel());
    frame.Commands().Execute(cmd::kViewChartpointPanel);
    ASSERT_EQ(frame.ActiveSidePanel(), points->Panel());
    frame.activateWindow();
    QApplication::setActiveWindow(&frame);
    // The chart window coming to the front has the chartpoint panel show the
    // chartpoint again: done before anything is typed into it.
    QTest::qWait(50);

    // The menu names the key on Chartpoint > Delete.
    bool named = false;
    for (QAction* a : frame.findChildren<QAction*>())
        named = named || (a->data().toUInt() == cmd::kChartpointDelete &&
                          a->text().endsWith(QStringLiteral("\tDel")));
    EXPECT_TRUE(named);

    ASSERT_TRUE(points->Table().IsOpen());
    points->OnEdit();
    ASSERT_TRUE(points->AddChartpointAt(geo::CPosition(48.144, -122.755)));
    ASSERT_TRUE(points->AddChartpointAt(geo::CPosition(47.576, -122.420)));
    ASSERT_EQ(points->Table().GetRecordCount(), 2);

    const auto pressDel = [&](QWidget* on) {
        on->setFocus();
        QApplication::processEvents();
        frame.UpdateModuleCmdUI(false);
        QTest::keyClick(on, Qt::Key_Delete);
        QApplication::processEvents();
    };

    // In a text field Del deletes the character after the caret.
    auto* name = points->Panel()->findChild<QLineEdit*>(QStringLiteral("name"));
    ASSERT_NE(name, nullptr);
    name->setText(QStringLiteral("Alki"));
    name->setCursorPosition(0);
    pressDel(name);
    EXPECT_EQ(name->text(), QStringLiteral("lki"));
    EXPECT_EQ(points->Table().GetRecordCount(), 2);
    EXPECT_TRUE(program.prompt.AskedPrompts().empty());

    // On the panel's Edit button it deletes the current chartpoint, asking first.
    auto* edit = points->Panel()->findChild<QPushButton*>(QStringLiteral("edit"));
    ASSERT_NE(edit, nullptr);
    program.prompt.Expect(platform::PromptAnswer::No,
                          "Do you really want to delete this Chartpoint");
    pressDel(edit);
    EXPECT_EQ(points->Table().GetRecordCount(), 2);
    program.prompt.Expect(platform::PromptAnswer::Yes,
                          "Do you really want to delete this Chartpoint");
    pressDel(edit);
    EXPECT_TRUE(program.prompt.Done());
    EXPECT_EQ(points->Table().GetRecordCount(), 1);

    // Out of edit mode it does nothing.
    points->OnEdit();
    ASSERT_FALSE(points->IsEditMode());
    const std::size_t asked = program.prompt.AskedPrompts().size();
    pressDel(edit);
    EXPECT_EQ(program.prompt.AskedPrompts().size(), asked);
    EXPECT_EQ(points->Table().GetRecordCount(), 1);
}

// The same key with the route panel the active side panel: Route > Waypoint >
// Delete, named in the menu, asking before it deletes the current waypoint.
TEST(WaypointDelKey, DelIsWaypointDeleteWithTheRoutePanelActive)
{
    brine_test::FirstStartProgram program(false, true);
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    auto* routes = brine_test::FindModule<routes::CRouteWindows>(frame);
    ASSERT_TRUE(routes && routes->Panel());
    frame.Commands().Execute(cmd::kViewRoutePanel);
    ASSERT_EQ(frame.ActiveSidePanel(), routes->Panel());
    frame.activateWindow();
    QApplication::setActiveWindow(&frame);

    bool named = false;
    for (QAction* a : frame.findChildren<QAction*>())
        named = named || (a->data().toUInt() == cmd::kWaypointDelete &&
                          a->text().endsWith(QStringLiteral("\tDel")));
    EXPECT_TRUE(named);

    // A first start monitors the sample route with automatic advance on,
    // which holds it against edits.
    routes->SetAutoAdvance(false);
    if (!routes->IsEditMode())
        frame.Commands().Execute(cmd::kRouteEdit);
    ASSERT_TRUE(routes->IsEditMode());
    const std::size_t before = routes->State().waypoints.size();
    ASSERT_GT(before, 1u);
    ASSERT_GE(routes->State().activeIndex, 1);

    auto* edit = routes->Panel()->findChild<QPushButton*>(QStringLiteral("edit"));
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    QApplication::processEvents();
    frame.UpdateModuleCmdUI(false);
    program.prompt.Expect(platform::PromptAnswer::Yes,
                          "Do you really want to delete this waypoint");
    QTest::keyClick(edit, Qt::Key_Delete);
    QApplication::processEvents();
    EXPECT_TRUE(program.prompt.Done());
    EXPECT_EQ(routes->State().waypoints.size(), before - 1);
}

// Tools > Customise on the real frame: a command added to a toolbar and
// another moved show on the bar at once, are kept with the workspace, and a
// new frame on the same settings builds the bar that way again; a toolbar of
// the user's own is made with a command on it, comes back with the
// workspace, is renamed, offered in the bar menu, and deleted.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "FakeClock.h"
#include "OwnProgramFolder.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/CommandIds.h"
#include "app/Timer.h"
#include "app/ToolbarLayout.h"
#include "app/WorkspaceManager.h"
#include "shell/CustomiseDlg.h"
#include "shell/MainFrame.h"

namespace {

int g_argc = 1;
char g_arg0[] = "shell_CustomiseTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

std::vector<unsigned> Buttons(QToolBar* bar)
{
    std::vector<unsigned> ids;
    for (QAction* a : bar->actions())
        ids.push_back(a->isSeparator() ? 0u : a->data().toUInt());
    return ids;
}

// Frames on one fresh settings file, and the Customise dialog run on a frame
// with `edit` doing what the user would before OK.
class Customise : public ::testing::Test {
protected:
    shell::CFrameServices Services()
    {
        shell::CFrameServices s;
        s.timerIds = &timerIds;
        s.prompt = &prompt;
        s.clock = &clock;
        s.programFolder = brine_test::LinkedProgramFolder(folder / "program");
        s.audioFolder = s.programFolder / "System" / "Audio";
        s.settings = &store;
        s.showDisclaimer = [](QWidget*) { return true; };
        return s;
    }

    static void Run(shell::CMainFrame& frame, std::function<void(shell::CCustomiseDlg&)> edit)
    {
        QTimer::singleShot(0, [edit] {
            auto* dlg = qobject_cast<shell::CCustomiseDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            edit(*dlg);
            dlg->accept();
        });
        frame.Action(app::cmd::kToolsCustomise)->trigger();
    }

    QApplication& app = App();
    brine_test::FakeClock clock;
    brine_test::ScriptedPrompt prompt;
    app::CTimer timerIds;
    brine_test::TempFolder folder;
    platform::CSettingsStore store{folder.Path() / "settings.conf"};
};

TEST_F(Customise, AButtonAddedIsShownKeptAndBuiltAgain)
{
    std::vector<unsigned> customised;
    {
        shell::CMainFrame frame(Services());
        ASSERT_TRUE(frame.OnCreate());
        QToolBar* standard = frame.ToolBar(app::cmd::kBarStandard);
        ASSERT_NE(standard, nullptr);
        const std::vector<unsigned> before = Buttons(standard);
        Run(frame, [](shell::CCustomiseDlg& dlg) {
            // The sheet carries the toolkit's own caption, spelt as it stands.
            EXPECT_EQ(dlg.windowTitle(), "Customize");
            // The Help group's About box, added after the standard bar's first button.
            auto groups = dlg.Groups()->findItems("Help", Qt::MatchExactly);
            ASSERT_EQ(groups.size(), 1);
            dlg.Groups()->setCurrentItem(groups.front());
            dlg.BarCombo()->setCurrentIndex(0);
            dlg.BarButtons()->setCurrentRow(0);
            dlg.AddSelected();
            dlg.MoveSelected(-1);   // now first
        });
        customised = Buttons(standard);
        ASSERT_EQ(customised.size(), before.size() + 1);
        EXPECT_EQ(customised.front(), app::cmd::kAbout);
        store.Save();
        frame.TearDown();
    }
    shell::CMainFrame again(Services());
    ASSERT_TRUE(again.OnCreate());
    again.LoadToolbarButtons();
    EXPECT_EQ(Buttons(again.ToolBar(app::cmd::kBarStandard)), customised);
    again.TearDown();
}

TEST_F(Customise, AToolbarOfTheUsersOwnIsMadeKeptAndDeleted)
{
    const unsigned id = app::kFirstUserToolbarId;
    {
        shell::CMainFrame frame(Services());
        ASSERT_TRUE(frame.OnCreate());
        Run(frame, [](shell::CCustomiseDlg& dlg) {
            QString why;
            EXPECT_FALSE(dlg.NewBar("standard", &why));
            EXPECT_EQ(why, "Another toolbar has that name.");
            ASSERT_TRUE(dlg.NewBar("Watch"));
            EXPECT_EQ(dlg.BarCombo()->currentText(), "Watch");
            auto groups = dlg.Groups()->findItems("Help", Qt::MatchExactly);
            ASSERT_EQ(groups.size(), 1);
            dlg.Groups()->setCurrentItem(groups.front());
            dlg.AddSelected();
        });
        QToolBar* watch = frame.ToolBar(id);
        ASSERT_NE(watch, nullptr);
        EXPECT_EQ(watch->windowTitle(), "Watch");
        EXPECT_EQ(watch->objectName(), QString("ToolBar%1").arg(id));
        EXPECT_FALSE(watch->isHidden());
        EXPECT_EQ(Buttons(watch), std::vector<unsigned>{app::cmd::kAbout});
        store.Save();
        frame.TearDown();
    }
    shell::CMainFrame again(Services());
    ASSERT_TRUE(again.OnCreate());
    again.LoadToolbarButtons();
    QToolBar* watch = again.ToolBar(id);
    ASSERT_NE(watch, nullptr);
    EXPECT_EQ(watch->windowTitle(), "Watch");
    EXPECT_EQ(Buttons(watch), std::vector<unsigned>{app::cmd::kAbout});
    // The bar menu offers it with the program's bars.
    QMenu* menu = static_cast<QMainWindow&>(again).createPopupMenu();
    QStringList titles;
    for (QAction* a : menu->actions())
        titles << a->text();
    EXPECT_TRUE(titles.contains("Watch"));
    delete menu;

    Run(again, [](shell::CCustomiseDlg& dlg) {
        auto found = dlg.BarList()->findItems("Watch", Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        dlg.BarList()->setCurrentItem(found.front());
        EXPECT_TRUE(dlg.RenameSelectedBar("Harbour watch"));
    });
    EXPECT_EQ(again.ToolBar(id)->windowTitle(), "Harbour watch");
    Run(again, [](shell::CCustomiseDlg& dlg) {
        dlg.BarList()->setCurrentRow(0);
        EXPECT_FALSE(dlg.DeleteSelectedBar()) << "the program's bars stay";
        auto found = dlg.BarList()->findItems("Harbour watch", Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        dlg.BarList()->setCurrentItem(found.front());
        EXPECT_TRUE(dlg.DeleteSelectedBar());
    });
    EXPECT_EQ(again.ToolBar(id), nullptr);
    EXPECT_NE(again.ToolBar(app::cmd::kBarStandard), nullptr);
    // Gone from the workspace too: the next load makes no such bar.
    again.LoadToolbarButtons();
    EXPECT_EQ(again.ToolBar(id), nullptr);
    again.TearDown();
}

// A workspace saved under a new name keeps the user's toolbars with it, not
// only the workspace Customise's OK wrote them into: opening another
// workspace takes them away, opening the saved one brings them back.
TEST_F(Customise, AWorkspaceSavedUnderANewNameKeepsTheUsersToolbars)
{
    const unsigned id = app::kFirstUserToolbarId;
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    app::CWorkspaceManager* workspaces = frame.Workspace();
    ASSERT_NE(workspaces, nullptr);
    ASSERT_TRUE(workspaces->SaveWorkspace("Beta"));   // before the bar was made
    ASSERT_TRUE(workspaces->SaveWorkspace("Alpha"));
    Run(frame, [](shell::CCustomiseDlg& dlg) {
        ASSERT_TRUE(dlg.NewBar("MyBar"));
        auto groups = dlg.Groups()->findItems("Help", Qt::MatchExactly);
        ASSERT_EQ(groups.size(), 1);
        dlg.Groups()->setCurrentItem(groups.front());
        dlg.AddSelected();
    });
    ASSERT_NE(frame.ToolBar(id), nullptr);
    ASSERT_TRUE(workspaces->SaveWorkspace("Gamma"));   // Save As

    ASSERT_TRUE(workspaces->OpenWorkspace("Beta"));
    QCoreApplication::processEvents();
    EXPECT_EQ(frame.ToolBar(id), nullptr) << "Beta was saved without it";
    ASSERT_TRUE(workspaces->OpenWorkspace("Gamma"));
    QToolBar* mine = frame.ToolBar(id);
    ASSERT_NE(mine, nullptr) << "Gamma was saved with it";
    EXPECT_EQ(mine->windowTitle(), "MyBar");
    EXPECT_EQ(Buttons(mine), std::vector<unsigned>{app::cmd::kAbout});
    frame.TearDown();
}

// The Chartpoint and Route groups end with the commands that show or hide the chartpoints and
// the route's waypoints, named for what they show and drawn with a picture on a toolbar.
TEST_F(Customise, ShowHideChartpointsAndRouteWaypointsAreOfferedWithTheirNames)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    // The commands as the chartpoint and route modules register them.
    const int owner = 0;
    for (unsigned id : {app::cmd::kChartpointShowHide, app::cmd::kRouteShowWaypoints})
        frame.Commands().Add(
            &owner, id, [](unsigned) {}, [](app::CCmdUI& ui) { ui.SetCheck(1); });
    Run(frame, [](shell::CCustomiseDlg& dlg) {
        for (const auto& [group, name] : {std::pair{"Chartpoint", "Show/Hide Chartpoints"},
                                          std::pair{"Route", "Show/Hide Route Waypoints"}}) {
            auto groups = dlg.Groups()->findItems(group, Qt::MatchExactly);
            ASSERT_EQ(groups.size(), 1) << group;
            dlg.Groups()->setCurrentItem(groups.front());
            // The group's last entry (this frame's modules offer nothing else of it).
            const int last = dlg.Commands()->count() - 1;
            ASSERT_GE(last, 0) << group;
            EXPECT_EQ(dlg.Commands()->item(last)->text(), name) << group;
            dlg.BarCombo()->setCurrentIndex(0);
            dlg.Commands()->setCurrentRow(last);
            dlg.AddSelected();
        }
    });
    for (unsigned id : {app::cmd::kChartpointShowHide, app::cmd::kRouteShowWaypoints}) {
        QAction* a = frame.Action(id);
        ASSERT_NE(a, nullptr) << id;
        EXPECT_FALSE(a->icon().isNull()) << id;
        const std::vector<unsigned> standard = Buttons(frame.ToolBar(app::cmd::kBarStandard));
        EXPECT_NE(std::find(standard.begin(), standard.end(), id), standard.end()) << id;
    }
    frame.Commands().Remove(&owner);
    frame.TearDown();
}

// An indicator kept on a toolbar (a command with an update handler only) is built again by
// a new frame: the next start shows the field, not the bar as first built.
TEST_F(Customise, AnIndicatorKeptOnAToolbarIsBuiltAgainByANewFrame)
{
    const std::vector<unsigned> kept = {app::cmd::kAbout, 0, 2311};
    {
        shell::CMainFrame frame(Services());
        ASSERT_TRUE(frame.OnCreate());
        ASSERT_TRUE(app::SaveToolbarButtons(store, frame.Workspace()->GetRegistryKey(),
                                            {{app::cmd::kBarStandard, kept, "Standard"}}));
        frame.TearDown();
    }
    shell::CMainFrame again(Services());
    ASSERT_TRUE(again.OnCreate());
    const int owner = 0;
    again.Commands().Add(&owner, 2311, {}, [](app::CCmdUI& ui) { ui.SetText(" 045"); });
    again.LoadToolbarButtons();
    EXPECT_EQ(Buttons(again.ToolBar(app::cmd::kBarStandard)), kept);
    EXPECT_NE(again.findChild<QLabel*>("IndicatorButton2311"), nullptr);
    again.Commands().Remove(&owner);
    again.TearDown();
}

// A vessel or tender indicator put on a toolbar is drawn as a label: black,
// bold (weight 700) type 24 pixels high on the indicators' grey.
TEST_F(Customise, IndicatorLabelsOnAToolbarAreBlackBoldOnGrey)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    frame.show();
    // The indicators' update handlers, as the navigator and tender tracking give them.
    const int owner = 0;
    frame.Commands().Add(&owner, 2310, 2318, {}, [](app::CCmdUI& ui) { ui.SetText("12.3"); });
    frame.Commands().Add(&owner, 2325, 2330, {}, [](app::CCmdUI& ui) { ui.SetText("7"); });
    Run(frame, [](shell::CCustomiseDlg& dlg) {
        dlg.BarCombo()->setCurrentIndex(0);
        for (const char* group : {"Navigator 1", "Navigator 2", "Tender Target"}) {
            auto groups = dlg.Groups()->findItems(group, Qt::MatchExactly);
            ASSERT_EQ(groups.size(), 1) << group;
            dlg.Groups()->setCurrentItem(groups.front());
            for (int row = 0; row < dlg.Commands()->count(); ++row) {
                const unsigned id = dlg.Commands()->item(row)->data(Qt::UserRole).toUInt();
                if ((id >= 2310 && id <= 2318) || (id >= 2325 && id <= 2330)) {
                    dlg.Commands()->setCurrentRow(row);
                    dlg.AddSelected();
                }
            }
        }
    });
    for (unsigned id : {2310u, 2311u, 2312u, 2313u, 2314u, 2315u, 2316u, 2317u, 2318u, 2325u, 2326u,
                        2327u, 2328u, 2329u, 2330u}) {
        auto* label = frame.findChild<QLabel*>(QString("IndicatorButton%1").arg(id));
        ASSERT_NE(label, nullptr) << id;
        label->ensurePolished();
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 0)) << id;
        EXPECT_EQ(label->palette().color(QPalette::Window), QColor(175, 175, 175)) << id;
        EXPECT_EQ(label->font().weight(), QFont::Bold) << id;
        EXPECT_EQ(label->font().pixelSize(), 24) << id;
    }
    frame.TearDown();
}

}   // namespace

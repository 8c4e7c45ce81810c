// View > COM Port Window is a submenu of the ports' sentence windows, built from the port window
// commands' states whenever it opens; on the frame it sits under the View menu's item.
#include "shell/ComPortMenu.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <gtest/gtest.h>

#include "FrameTestServices.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "navigator/ui/PortDumpWindows.h"
#include "shell/MainFrame.h"

namespace {

QApplication& App()
{
    static int argc = 1;
    static char arg0[] = "shell_ComPortMenuTest";
    static char* argv[] = {arg0, nullptr};
    static auto* app = new QApplication(argc, argv);   // never destroyed: Qt's exit order
    return *app;
}

TEST(ComPortMenu, ListsThePortsThereAreCheckedWhileOpenAndRunsTheirCommands)
{
    App();
    app::CCommandTable commands;
    const int owner = 0;
    std::vector<unsigned> ran;
    const auto run = [&ran](unsigned id) { ran.push_back(id); };
    // COM1 both ways, its receive window open; COM2 gone (disabled); the network port.
    commands.Add(&owner, 2269, run, [](app::CCmdUI& ui) { ui.SetCheck(1); });
    commands.Add(&owner, 2281, run, [](app::CCmdUI& ui) { ui.SetCheck(0); });
    commands.Add(&owner, 2270, run, [](app::CCmdUI& ui) { ui.Enable(false); });
    commands.Add(&owner, 2293, run, [](app::CCmdUI& ui) { ui.SetCheck(0); });
    commands.Add(&owner, 2294, run, [](app::CCmdUI& ui) { ui.SetCheck(0); });

    QMenu view;
    QAction* item = view.addAction("COM Port &Window");
    QMenu* menu = shell::BuildComPortMenu(*item, commands);
    ASSERT_EQ(item->menu(), menu);
    emit menu->aboutToShow();
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << a->text();
    EXPECT_EQ(texts, (QStringList{"Show/Hide COM1 Receive window", "Show/Hide COM1 Transmit window",
                                  "Show/Hide Network Receive window",
                                  "Show/Hide Network Transmit window"}));
    EXPECT_TRUE(menu->actions()[0]->isChecked());
    EXPECT_FALSE(menu->actions()[1]->isChecked());
    menu->actions()[1]->trigger();
    EXPECT_EQ(ran, (std::vector<unsigned>{2281}));

    // The last serial port and the ends of each range.
    EXPECT_EQ(navigator::PortWindowCommandText(2280), "Show/Hide COM12 Receive window");
    EXPECT_EQ(navigator::PortWindowCommandText(2292), "Show/Hide COM12 Transmit window");
    EXPECT_EQ(navigator::PortWindowCommandText(2268), "");
    EXPECT_EQ(navigator::PortWindowCommandText(2295), "");

    // No port at all: nothing to list.
    app::CCommandTable none;
    QMenu empty;
    EXPECT_FALSE(shell::FillComPortMenu(empty, none));
    EXPECT_TRUE(empty.isEmpty());
}

TEST(ComPortMenu, TheFramesViewMenuItemOpensTheSubmenu)
{
    App();
    brine_test::FrameTestServices services;
    shell::CMainFrame frame(services.Services());
    ASSERT_TRUE(frame.OnCreate());
    QAction* item = frame.Action(app::cmd::kViewPortWindow);
    ASSERT_NE(item, nullptr);
    ASSERT_NE(item->menu(), nullptr);
    EXPECT_EQ(item->toolTip(), "View COM Port Receive/Transmit Window");
    // Without the instruments no port exists: the item is greyed.
    frame.UpdateModuleCmdUI(true);
    EXPECT_FALSE(item->isEnabled());
    frame.TearDown();
}

}   // namespace

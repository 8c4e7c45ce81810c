// The application object started in this process with fresh folders and no workspace named, as a
// new user's first start: every module reads its settings, so wind sentences on COM1 reach the
// monitor's Wind card and station messaging listens on its port; the radar's sentences are
// switched on the navigator's NMEA page.
#include "shell/Brinevane.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTcpSocket>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FirstStart.h"
#include "ScriptedPrompt.h"
#include "app/CommandIds.h"
#include "app/ui/PropertySheet.h"
#include "navigator/ui/MonitorPanel.h"
#include "navigator/ui/NavigatorWindows.h"
#include "nmea/ui/SentenceOptionsPages.h"
#include "routes/RouteModule.h"
#include "shell/MainFrame.h"
#include "shell/MainMenus.h"
#include "targets/ARPAModule.h"

namespace {

TEST(FreshStart, WindReachesTheWindCardAndStationsAreListenedForWithoutAWorkspace)
{
    brine_test::FirstStartApp();
    const brine_test::FirstStartHome home;
    ASSERT_GE(home.master, 0);
    const int port = home.port;

    brine_test::ScriptedPrompt prompt;
    QObject owner;
    brine_test::AcceptDialogsAsTheyCome(&owner);
    shell::CBrinevane theApp(&prompt);
    ASSERT_TRUE(theApp.InitApplication());
    ASSERT_TRUE(theApp.InitInstance({}));
    ASSERT_NE(theApp.MainFrame(), nullptr);

    // The station listener is up on the port the settings name.
    QTcpSocket probe;
    probe.connectToHost("127.0.0.1", static_cast<quint16>(port));
    EXPECT_TRUE(probe.waitForConnected(3000)) << "nothing listens on TCP port " << port;
    probe.abort();

    auto* panel = theApp.MainFrame()->findChild<navigator::CMonitorPanel*>();
    ASSERT_NE(panel, nullptr);
    // Before any position: the Monitor's Auto shows the route's automatic
    // advance, which a first start switches on.
    auto* autoAdvance = panel->findChild<QCheckBox*>("auto");
    ASSERT_NE(autoAdvance, nullptr);
    theApp.MainFrame()->UpdateModuleCmdUI(true);
    EXPECT_TRUE(autoAdvance->isChecked()) << "Auto shown off while the route is held by it";
    const std::string rmc =
        brine_test::WithChecksum("GPRMC,120000,A,5050.410,N,00420.820,E,5.0,90.0,070126,,");
    const std::string mwv = brine_test::WithChecksum("WIMWV,045.0,R,12.5,N,A");
    QString angle;
    for (int i = 0; i < 100 && angle.isEmpty(); ++i) {
        const std::string lines = rmc + mwv;
        home.Send(lines);
        QTest::qWait(100);
        angle = panel->ValueText("windAngle1");
    }
    EXPECT_FALSE(angle.isEmpty()) << "no wind on the Wind card";
    EXPECT_TRUE(angle.contains("45")) << angle.toStdString();

    // View > Target Tracking, then View > Monitor: the monitor is back in front.
    shell::CMainFrame& frame = *theApp.MainFrame();
    frame.Action(app::cmd::kViewTargetPanel)->trigger();
    EXPECT_NE(frame.ActiveSidePanel(), panel);
    frame.UpdateModuleCmdUI(true);
    ASSERT_TRUE(frame.Action(app::cmd::kViewMonitorPanel)->isEnabled());
    frame.Action(app::cmd::kViewMonitorPanel)->trigger();
    EXPECT_EQ(frame.ActiveSidePanel(), panel);

    // Every command a menu, key or toolbar button offers has something that answers it (Edit >
    // Redo has no undo list behind it and stays disabled by design).
    std::vector<std::string> unanswered;
    const auto check = [&](unsigned id, const char* text) {
        if (id != 0 && id != app::cmd::kEditRedo && !theApp.MainFrame()->Commands().HasHandler(id))
            unanswered.push_back(std::to_string(id) + " " + (text ? text : ""));
    };
    for (const shell::TopMenu& menu : shell::MainMenus())
        for (const shell::MenuEntry& entry : menu.entries)
            if (entry.kind == shell::MenuKind::Item)
                check(entry.id, entry.text);
    for (const shell::MenuEntry& key : shell::MainAccelerators())
        check(key.id, key.text);
    for (const shell::ToolBarDef& bar : shell::MainToolBars())
        for (const shell::ToolBarButton& button : bar.buttons)
            check(button.id, button.tip);
    EXPECT_TRUE(unanswered.empty()) << [&] {
        std::string all;
        for (const std::string& u : unanswered)
            all += u + "\n";
        return all;
    }();

    // While nobody touches the program the idle pass refreshes only what is on screen; a key's
    // shortcut still acts on its command's state of the moment. View > Refresh (F2) is on no
    // toolbar: its state changes here with no input, as an instrument's does.
    bool refreshAllowed = false;
    int refreshed = 0;
    frame.Commands().AddFirst(
        &refreshed, app::cmd::kViewRefresh, [&refreshed](unsigned) { ++refreshed; },
        [&refreshAllowed](app::CCmdUI& ui) { ui.Enable(refreshAllowed); });
    frame.UpdateModuleCmdUI(true);
    ASSERT_FALSE(frame.Action(app::cmd::kViewRefresh)->isEnabled());
    refreshAllowed = true;
    QTest::qWait(2500);   // idle passes with no input between
    frame.activateWindow();
    QTest::keyClick(&frame, Qt::Key_F2);
    EXPECT_EQ(refreshed, 1) << "F2 acted on the state of the last full pass";
    frame.Commands().Remove(&refreshed);

    // The radar's sentences are switched on the NMEA page under their own root, and a sentence
    // switched off there no longer passes the radar's device.
    auto* arpa = brine_test::FindModule<targets::CARPAModule>(frame);
    ASSERT_NE(arpa, nullptr);
    const std::string ttm =
        brine_test::WithChecksum("RATTM,01,2.5,045.0,T,10.0,180.0,T,0.5,12.0,N,A01,T,,120000,A");
    EXPECT_TRUE(arpa->Config().IsSentenceEnabled(ttm));
    frame.Navigator()->OpenNavigatorOptions();
    auto* options = frame.findChild<app::CModelessPropertySheet*>("navigatorOptions");
    ASSERT_NE(options, nullptr);
    auto* nmeaPage = options->findChild<nmea::CNMEASentenceOptions*>();
    ASSERT_NE(nmeaPage, nullptr);
    QStringList roots, arpaItems;
    QTreeWidgetItem* arpaRoot = nullptr;
    for (int i = 0; i < nmeaPage->Tree()->topLevelItemCount(); ++i) {
        QTreeWidgetItem* root = nmeaPage->Tree()->topLevelItem(i);
        roots << root->text(0);
        if (root->text(0) == "Automated Radar Plotting Aid ( ARPA ) Sentences")
            arpaRoot = root;
    }
    EXPECT_EQ(roots,
              (QStringList{"Global Positioning System ( GPS ) Sentences", "Autopilot Sentences",
                           "Wind Sentences", "Automated Radar Plotting Aid ( ARPA ) Sentences"}));
    ASSERT_NE(arpaRoot, nullptr);
    for (int i = 0; i < arpaRoot->childCount(); ++i) {
        arpaItems << arpaRoot->child(i)->text(0).left(3);
        if (arpaRoot->child(i)->text(0).startsWith("TTM "))
            arpaRoot->child(i)->setCheckState(0, Qt::Unchecked);
    }
    for (const char* id : {"TTM", "TLL", "TLB", "RSD"})
        EXPECT_TRUE(arpaItems.contains(id)) << id;
    ASSERT_TRUE(options->OnOk());
    EXPECT_FALSE(arpa->Config().IsSentenceEnabled(ttm));
    EXPECT_TRUE(arpa->Config().IsSentenceEnabled(
        brine_test::WithChecksum("RATLL,01,4730.00,N,12230.00,W,A,,")));

    theApp.ExitInstance();
}

// A first start with the sample route and no instrument at all (COM1 names no device): the
// route is followed with automatic advance from the start, so the Monitor names it and shows
// Auto ticked before any position comes, as the greyed route commands already say.
TEST(FreshStart, TheMonitorShowsTheFollowedRouteBeforeAnyPosition)
{
    brine_test::FirstStartApp();
    const brine_test::FirstStartHome home;
    ASSERT_EQ(home.InstallSampleRoute(), 0);
    {
        std::ifstream in(home.Settings());
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        const std::string port = std::string("COM1=str:") + home.slaveName;
        const auto at = text.find(port);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, port.size(), "COM1=str:/dev/brine-no-such-port");
        std::ofstream(home.Settings(), std::ios::trunc) << text;
    }
    brine_test::ScriptedPrompt prompt;
    QObject owner;
    brine_test::AcceptDialogsAsTheyCome(&owner);
    shell::CBrinevane theApp(&prompt);
    ASSERT_TRUE(theApp.InitApplication());
    ASSERT_TRUE(theApp.InitInstance({}));
    ASSERT_NE(theApp.MainFrame(), nullptr);
    shell::CMainFrame& frame = *theApp.MainFrame();
    auto* panel = frame.findChild<navigator::CMonitorPanel*>();
    ASSERT_NE(panel, nullptr);
    auto* route = panel->findChild<QLineEdit*>("routeName");
    auto* autoAdvance = panel->findChild<QCheckBox*>("auto");
    ASSERT_NE(route, nullptr);
    ASSERT_NE(autoAdvance, nullptr);
    for (int i = 0; i < 30 && route->text().isEmpty(); ++i)
        QTest::qWait(100);   // the frame's timer passes, with no position coming
    EXPECT_FALSE(frame.Navigator()->IsPositionAvailable());
    EXPECT_EQ(route->text(), "Admiralty Inlet-Seattle");
    EXPECT_TRUE(autoAdvance->isChecked());
    frame.UpdateModuleCmdUI(true);
    EXPECT_FALSE(frame.Action(app::cmd::kRouteEdit)->isEnabled()) << "automatic advance holds it";
    // Automatic advance switched off elsewhere (Route Options' Monitoring page): Auto follows on
    // the next idle pass, still with no position.
    auto* routeModule = brine_test::FindModule<routes::CRouteModule>(frame);
    ASSERT_NE(routeModule, nullptr);
    ASSERT_TRUE(routeModule->SetAutoAdvance(false));
    frame.UpdateModuleCmdUI(true);
    EXPECT_FALSE(autoAdvance->isChecked());
    theApp.ExitInstance();
}

}   // namespace

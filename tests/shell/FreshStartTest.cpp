// The application object started in this process with fresh folders, as a new user's first start
// after the run script made "Default" the workspace reopened at start: every module reads its
// settings from it, so wind sentences on COM1 reach the monitor's Wind card and station messaging
// listens on its port; the radar's sentences are switched on the navigator's NMEA page.
#include "shell/Brinevane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include <string>
#include <termios.h>
#include <vector>

#include "FirstStart.h"
#include "ScriptedPrompt.h"
#include "app/CommandIds.h"
#include "app/ui/PropertySheet.h"
#include "navigator/ui/MonitorPanel.h"
#include "navigator/ui/NavigatorWindows.h"
#include "nmea/InstrumentsModule.h"
#include "nmea/PortList.h"
#include "nmea/ui/SentenceOptionsPages.h"
#include "routes/RouteModule.h"
#include "shell/MainFrame.h"
#include "shell/MainMenus.h"
#include "targets/ARPAModule.h"

namespace {

TEST(FreshStart, WindReachesTheWindCardAndStationsAreListenedForOnAFirstStart)
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
    // A new workspace draws the vessel's position-fix markers, large.
    ASSERT_NE(frame.Navigator(), nullptr);
    EXPECT_TRUE(frame.Navigator()->FixProperties().GetDraw());
    EXPECT_EQ(frame.Navigator()->FixProperties().GetSizeMode(), chart::kSizeLarge);
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
    // The General page offers track lines 1 to 20 pixels wide.
    auto* widths = options->findChild<QComboBox*>("lineWidth");
    ASSERT_NE(widths, nullptr);
    EXPECT_EQ(widths->count(), 20);
    EXPECT_EQ(widths->itemText(19), "20");
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
    EXPECT_EQ(arpaItems.size(), 4) << arpaItems.join(",").toStdString();
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

    // Auto can be switched only while an alarm can advance the route, nobody edits it and it
    // has a leg; the waypoint controls only while the route has a waypoint.
    auto* leg = panel->findChild<QLineEdit*>("leg");
    auto* waypoint = panel->findChild<QLineEdit*>("waypoint");
    auto* previous = panel->findChild<QPushButton*>("previousWaypoint");
    auto* next = panel->findChild<QPushButton*>("nextWaypoint");
    ASSERT_TRUE(leg && waypoint && previous && next);
    const auto stepsEnabled = [&] {
        return leg->isEnabled() && waypoint->isEnabled() && previous->isEnabled() &&
               next->isEnabled();
    };
    const auto stepsDisabled = [&] {
        return !leg->isEnabled() && !waypoint->isEnabled() && !previous->isEnabled() &&
               !next->isEnabled();
    };
    EXPECT_TRUE(autoAdvance->isEnabled());
    EXPECT_TRUE(stepsEnabled());
    const int sample = routeModule->RouteOrdinal();
    routeModule->OnEdit();
    ASSERT_TRUE(routeModule->IsEditMode());
    frame.UpdateModuleCmdUI(true);
    EXPECT_FALSE(autoAdvance->isEnabled()) << "Auto offered while the route is edited";
    ASSERT_TRUE(routeModule->NewRoute());
    frame.UpdateModuleCmdUI(true);
    EXPECT_TRUE(stepsDisabled()) << "waypoint steps offered on a route without waypoints";
    ASSERT_TRUE(routeModule->AddWaypointAt(geo::CPosition(47.9, -122.5)));
    frame.UpdateModuleCmdUI(true);
    EXPECT_TRUE(stepsEnabled());
    routeModule->OnEdit();
    ASSERT_FALSE(routeModule->IsEditMode());
    frame.UpdateModuleCmdUI(true);
    EXPECT_FALSE(autoAdvance->isEnabled()) << "Auto offered on a route of one waypoint";
    ASSERT_TRUE(routeModule->SelectRoute(sample));
    frame.UpdateModuleCmdUI(true);
    EXPECT_TRUE(autoAdvance->isEnabled());
    auto& monitoring = routeModule->State().monitoring;
    monitoring.arrivalCircleOn = false;
    monitoring.perpendicularOn = false;
    frame.UpdateModuleCmdUI(true);
    EXPECT_FALSE(autoAdvance->isEnabled()) << "Auto offered with no alarm to advance on";
    monitoring.perpendicularOn = true;
    frame.UpdateModuleCmdUI(true);
    EXPECT_TRUE(autoAdvance->isEnabled());
    theApp.ExitInstance();
}

// The View menu's panel items tick the active side panel, shown or hidden, and no other.
TEST(FreshStart, TheViewMenuTicksTheActivePanelShownOrHidden)
{
    brine_test::FirstStartProgram program;
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    namespace cmd = app::cmd;
    const unsigned panelItems[] = {cmd::kViewMonitorPanel, cmd::kViewChartInfoPanel,
                                   cmd::kViewChartpointPanel, cmd::kViewRoutePanel,
                                   cmd::kViewTargetPanel};
    auto ticked = [&] {
        frame.UpdateModuleCmdUI(true);
        std::vector<unsigned> on;
        for (unsigned id : panelItems)
            if (frame.Action(id)->isChecked())
                on.push_back(id);
        return on;
    };
    frame.Commands().Execute(cmd::kViewRoutePanel);
    ASSERT_FALSE(frame.ActiveSidePanel()->isHidden());
    EXPECT_EQ(ticked(), std::vector<unsigned>{cmd::kViewRoutePanel});
    // Hidden, it is still the active panel.
    frame.Commands().Execute(cmd::kViewSidePanel);
    ASSERT_TRUE(frame.ActiveSidePanel()->isHidden());
    EXPECT_EQ(ticked(), std::vector<unsigned>{cmd::kViewRoutePanel});
    EXPECT_FALSE(frame.Action(cmd::kViewSidePanel)->isChecked());
    // Switched while hidden: the new one is ticked, still hidden.
    frame.Commands().Execute(cmd::kViewChartpointPanel);
    EXPECT_TRUE(frame.ActiveSidePanel()->isHidden());
    EXPECT_EQ(ticked(), std::vector<unsigned>{cmd::kViewChartpointPanel});
}

// A start whose settings say the monitor window followed the vessel when the program last ended:
// logging is on again and the monitor panel is the side panel in front, shown, where a start
// would otherwise show the chart information panel.
TEST(FreshStart, MonitorWindowOnPutsTheMonitorPanelInFront)
{
    brine_test::FirstStartProgram program(false, false, false,
                                          "[Software\\Quorwick\\Brinevane\\Default\\Navigator]\n"
                                          "MonitorWindowOn=str:True\n");
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    auto* panel = frame.findChild<navigator::CMonitorPanel*>();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(frame.ActiveSidePanel(), panel);
    EXPECT_FALSE(panel->isHidden());
    ASSERT_NE(frame.Navigator(), nullptr);
    EXPECT_TRUE(frame.Navigator()->Logbook().IsLogging());
}

// A first start (no saved layout) shows the frame maximised. A second start brings a minimised
// window back as it was before: maximised stays maximised, a normal window comes back normal.
TEST(FreshStart, ASecondStartRestoresAMinimisedWindowToItsEarlierState)
{
    brine_test::FirstStartProgram program;
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    EXPECT_TRUE(frame.isMaximized());
    frame.showMinimized();
    ASSERT_TRUE(frame.isMinimized());
    frame.RaiseFromSecondStart();
    EXPECT_FALSE(frame.isMinimized());
    EXPECT_TRUE(frame.isMaximized());
    frame.showNormal();
    frame.showMinimized();
    frame.RaiseFromSecondStart();
    EXPECT_FALSE(frame.isMinimized());
    EXPECT_FALSE(frame.isMaximized());
}

}   // namespace

// Adds settings lines (sections and values) to the first start's settings file.
void AddSettings(const brine_test::FirstStartHome& home, const std::string& lines)
{
    std::ifstream in(home.Settings());
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    // The settings file closes with its end line: the lines go in before it.
    if (const auto end = text.rfind("#end"); end != std::string::npos)
        text.erase(end);
    std::ofstream(home.Settings(), std::ios::trunc) << text << lines << "#end\n";
}

// The application started on the home's settings, dialogs answered as they come.
struct Started {
    Started()
    {
        brine_test::AcceptDialogsAsTheyCome(&owner);
        ok = app.InitApplication() && app.InitInstance({}) && app.MainFrame() != nullptr;
    }
    ~Started() { app.ExitInstance(); }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    brine_test::ScriptedPrompt prompt;
    QObject owner;
    shell::CBrinevane app{&prompt};
    bool ok = false;
};

// A workspace saved while a chart window followed the vessel: the next start shows the monitor
// panel as the side panel, whichever panel the workspace had in front; without that setting the
// workspace's own panel stays. The panels carry their bar ids.
TEST(FreshStart, AStartAfterFollowingTheVesselShowsTheMonitorPanel)
{
    for (const bool following : {true, false}) {
        brine_test::FirstStartApp();
        const brine_test::FirstStartHome home;
        // A saved workspace, named and reopened at start: its panel is the one it names.
        AddSettings(home, std::string("[Software\\Quorwick\\Brinevane]\n"
                                      "Workspace1=str:Default\n"
                                      "CurrentWorkspace=str:Default\n"
                                      "[Software\\Quorwick\\Brinevane\\Default]\n"
                                      "OperationalMode=str:Route\n"
                                      "[Software\\Quorwick\\Brinevane\\Default\\Navigator]\n"
                                      "MonitorWindowOn=str:") +
                              (following ? "True" : "False") + "\n");
        Started started;
        ASSERT_TRUE(started.ok);
        shell::CMainFrame& frame = *started.app.MainFrame();
        auto* monitor = frame.findChild<navigator::CMonitorPanel*>();
        ASSERT_NE(monitor, nullptr);
        ASSERT_NE(frame.ActiveSidePanel(), nullptr);
        if (following) {
            EXPECT_EQ(frame.ActiveSidePanel(), monitor);
            EXPECT_FALSE(monitor->isHidden());
            // Each panel docks under its own bar id, the one a workspace stores.
            std::map<std::string, unsigned> ids;
            for (const app::CSidePanel* panel : frame.SidePanels())
                ids[panel->GetTitle().toStdString()] = panel->BarId();
            EXPECT_EQ(ids, (std::map<std::string, unsigned>{{"Chart Info", 256},
                                                            {"Monitor", 257},
                                                            {"Chartpoint", 258},
                                                            {"Route", 2042},
                                                            {"Target Tracking", 497}}));
        } else {
            EXPECT_EQ(frame.ActiveSidePanel()->GetTitle(), "Route");
            EXPECT_TRUE(monitor->isHidden());
        }
    }
}

// A start that reopens no workspace reads none of its settings, yet its window restore tests the
// tidal models again: the sample model in the Tides folder beside the program opens the atlas.
TEST(FreshStart, AStartWithoutAWorkspaceFindsTheTidalModelBesideTheProgram)
{
    brine_test::FirstStartApp();
    const brine_test::FirstStartHome home;
    const std::filesystem::path bin = std::getenv("BRINE_BIN_DIR");
    const std::filesystem::path tides = home.folder / "program" / "Tides";
    std::filesystem::create_directories(tides);
    for (const char* name : {"PugetSound.tid", "PugetSound.dat"})
        std::filesystem::copy_file(bin / ".." / "sample-tides" / name, tides / name,
                                   std::filesystem::copy_options::overwrite_existing);
    brine_test::ScriptedPrompt prompt;
    QObject owner;
    brine_test::AcceptDialogsAsTheyCome(&owner);
    shell::CBrinevane theApp(&prompt);
    ASSERT_TRUE(theApp.InitApplication());
    ASSERT_TRUE(theApp.InitInstance({"noworkspace"}));
    shell::CMainFrame& frame = *theApp.MainFrame();
    frame.UpdateModuleCmdUI(true);
    EXPECT_TRUE(frame.Action(app::cmd::kTidalAtlas)->isEnabled());
    theApp.ExitInstance();
}

// "AutoConfigurePorts" reaches the serial ports: on, COM1 is set to 4800 baud when the program
// takes it; off, the device keeps the speed it had.
TEST(FreshStart, TheAutoConfigurePortsSettingReachesTheSerialPorts)
{
    for (const bool configure : {true, false}) {
        brine_test::FirstStartApp();
        const brine_test::FirstStartHome home;
        ASSERT_GE(home.slave, 0);
        termios before{};
        ASSERT_EQ(::tcgetattr(home.slave, &before), 0);
        ASSERT_EQ(::cfsetispeed(&before, B9600), 0);
        ASSERT_EQ(::cfsetospeed(&before, B9600), 0);
        ASSERT_EQ(::tcsetattr(home.slave, TCSANOW, &before), 0);
        AddSettings(home, std::string("[Software\\Quorwick\\Brinevane\\Default]\n"
                                      "AutoConfigurePorts=str:") +
                              (configure ? "True" : "False") + "\n");
        Started started;
        ASSERT_TRUE(started.ok);
        auto* instruments =
            brine_test::FindModule<nmea::CInstrumentsModule>(*started.app.MainFrame());
        ASSERT_NE(instruments, nullptr);
        nmea::CPort* com1 = instruments->Ports().FindPort(1);
        ASSERT_NE(com1, nullptr);
        for (int i = 0; i < 50 && !com1->GetCondition().connected; ++i)
            QTest::qWait(100);
        ASSERT_TRUE(com1->GetCondition().connected) << configure;
        termios now{};
        ASSERT_EQ(::tcgetattr(home.slave, &now), 0);
        EXPECT_EQ(::cfgetispeed(&now), configure ? speed_t(B4800) : speed_t(B9600)) << configure;
    }
}

// Every command of the main window's menus, toolbars and keys is enabled in some state a user
// reaches (the states the window checks drive the program through): a command that is never
// enabled cannot be used, however well its handler works. The program starts as the run script
// starts it (sample chart media, vector cells, route and tidal model installed). Before any
// position the vessel is put where the user clicks on a blank chart (Position Source offers the
// chart's middle first; Logbook Entry waits for logging, and its first row can become a track).
// Then, with a GPS on COM1: a workspace saved, a voyage under way, the route (with attachments)
// edited, a chartpoint database with marks and attachments, radar and tender targets, an edit
// field with the keyboard and each chart window in front. The few commands no state enables are
// listed below with their reasons.
#include "shell/Brinevane.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "FirstStart.h"
#include "ScriptedPrompt.h"
#include "app/CommandIds.h"
#include "app/WorkspaceManager.h"
#include "app/ui/PropertySheet.h"
#include "chart/ChartDoc.h"
#include "chart/ChartWindow.h"
#include "chart/ui/ChartView.h"
#include "chart/ui/MarkDrag.h"
#include "chartpoints/ChartpointModule.h"
#include "chartpoints/ui/ChartpointPanel.h"
#include "charts/vector/BlankChartDoc.h"
#include "db/DBRoute.h"
#include "geo/ui/PositionCtrl.h"
#include "navigator/ui/MonitorPanel.h"
#include "navigator/ui/NavigatorWindows.h"
#include "navigator/ui/PositionSourceDlg.h"
#include "nmea/ui/InstrumentOptionsPages.h"
#include "routes/RouteModule.h"
#include "shell/MainFrame.h"
#include "shell/MainMenus.h"
#include "targets/ARPAModule.h"
#include "targets/ui/TargetTrackingPanel.h"
#include "targets/ui/TenderWindows.h"

namespace {

using namespace app::cmd;

// Every command a menu, toolbar or key of the main window offers, each once.
std::vector<unsigned> AllCommandIds()
{
    std::set<unsigned> ids;
    for (const shell::TopMenu& menu : shell::MainMenus())
        for (const shell::MenuEntry& entry : menu.entries)
            if (entry.kind == shell::MenuKind::Item && entry.id != 0)
                ids.insert(entry.id);
    for (const shell::MenuEntry& key : shell::MainAccelerators())
        ids.insert(key.id);
    for (const shell::ToolBarDef& bar : shell::MainToolBars())
        for (const shell::ToolBarButton& button : bar.buttons)
            if (button.id != 0)
                ids.insert(button.id);
    return {ids.begin(), ids.end()};
}

std::string CommandText(unsigned id)
{
    for (const shell::TopMenu& menu : shell::MainMenus())
        for (const shell::MenuEntry& entry : menu.entries)
            if (entry.kind == shell::MenuKind::Item && entry.id == id)
                return std::string(menu.title) + " > " + entry.text;
    for (const shell::MenuEntry& key : shell::MainAccelerators())
        if (key.id == id)
            return key.text;
    for (const shell::ToolBarDef& bar : shell::MainToolBars())
        for (const shell::ToolBarButton& button : bar.buttons)
            if (button.id == id)
                return button.tip;
    return {};
}

// A recent-list slot shows only while the list holds an entry for it (it is hidden, not grey);
// the first slot of each list is checked.
bool IsLaterRecentSlot(unsigned id)
{
    return (kRecentWorkspaces.Contains(id) && id != kRecentWorkspaces.first) ||
           (kRecentFiles.Contains(id) && id != kRecentFiles.first);
}

// Commands shown but never offered, each for its reason.
const std::set<unsigned> kNeverEnabledByDesign = {
    kEditRedo,   // there is no undo list behind it
    kArpaSave,   // a target's saving is switched on its page and the panel; the item shows it
    kTenderSave,   // as for radar targets
};

// Known and still open: nothing enables these today. Autoscroll Restrictions... lists the charts
// autoscroll is restricted to, and no command, dialog or chart menu puts a chart on that list:
// it is only emptied (folio rebuilt, folders changed) and pruned by its own dialog. Each leaves
// this list when it is mended.
const std::set<unsigned> kOpenFaults = {kNavAutoscrollRestrictions};

TEST(CommandReach, EveryCommandIsEnabledInSomeStateAUserReaches)
{
    brine_test::FirstStartApp();
    const brine_test::FirstStartHome home;
    ASSERT_GE(home.master, 0);
    ASSERT_EQ(home.InstallSampleRoute(), 0);
    home.InstallSampleTides();
    // The sample route as a colleague's station passes it on: three pictures and a video in the
    // attachments folder, attached to the route.
    {
        const std::filesystem::path data = home.folder / "data" / "Quorwick" / "Brinevane";
        std::filesystem::create_directories(data / "Attach");
        db::CDBRoute routes;
        routes.SetFilePath((data / "Routes" / "Sample").string());
        ASSERT_TRUE(routes.Open());
        ASSERT_TRUE(routes.GoTop());
        QImage picture(16, 16, QImage::Format_RGB32);
        picture.fill(Qt::white);
        for (int slot = 0; slot < db::CDBAttachments::kSlots; ++slot) {
            const bool video = slot == db::CDBAttachments::kSlots - 1;
            const std::string name = "passage-" + std::to_string(slot) + (video ? ".avi" : ".bmp");
            const std::filesystem::path file = data / "Attach" / name;
            if (video)
                std::ofstream(file, std::ios::binary) << "RIFF\0\0\0\0AVI LIST";
            else
                ASSERT_TRUE(picture.save(QString::fromStdString(file.string())));
            routes.m_attachment[slot] = name;
        }
        ASSERT_TRUE(routes.StoreRecord());
        ASSERT_TRUE(routes.Close());
    }
    const std::filesystem::path bin = std::getenv("BRINE_BIN_DIR");

    brine_test::ScriptedPrompt prompt;
    QObject owner;
    brine_test::AcceptDialogsAsTheyCome(&owner);
    shell::CBrinevane theApp(&prompt);
    ASSERT_TRUE(theApp.InitApplication());
    ASSERT_TRUE(theApp.InitInstance({"--sample-media", (bin / ".." / "sample-media").string(),
                                     "--sample-cells", (bin / ".." / "sample-cells").string()}));
    ASSERT_NE(theApp.MainFrame(), nullptr);
    shell::CMainFrame& frame = *theApp.MainFrame();
    // Before any position the Monitor names the route it follows, with its
    // "Auto" ticked (a first start advances automatically).
    {
        auto* monitor = frame.findChild<navigator::CMonitorPanel*>();
        ASSERT_NE(monitor, nullptr);
        auto* routeName = monitor->findChild<QLineEdit*>("routeName");
        auto* autoAdvance = monitor->findChild<QCheckBox*>("auto");
        ASSERT_TRUE(routeName && autoAdvance);
        frame.UpdateModuleCmdUI(true);
        EXPECT_EQ(routeName->text(), "Admiralty Inlet-Seattle");
        EXPECT_TRUE(autoAdvance->isChecked());
    }
    // A command as the user gives it: from the menu as the idle pass has just set it.
    const auto run = [&](unsigned id) {
        frame.UpdateModuleCmdUI(true);
        frame.Action(id)->trigger();
    };

    // Before any position: Navigator > Position Source opens at the middle of the chart in front,
    // and the chart's right-click "Position Vessel" puts the vessel where it was clicked, dead
    // reckoning from there, once the question is answered Yes.
    navigator::CNavigatorWindows& nav = *frame.Navigator();
    chart::CChartDoc* doc = frame.OpenChart("", false, chart::kFrameNormal);
    ASSERT_NE(doc, nullptr);
    run(kChartZoomIn);
    // Off the origin: the blank chart is not centred on a place but zoomed to
    // an area round it.
    auto* blank = dynamic_cast<charts::CBlankChartDoc*>(doc);
    ASSERT_NE(blank, nullptr);
    blank->ShowArea(geo::CPosition(48.6, -123.4), geo::CPosition(47.6, -122.0));
    chart::CChartView* view = nullptr;
    for (auto* each : frame.findChildren<chart::CChartView*>())
        if (&each->Doc() == doc)
            view = each;
    ASSERT_NE(view, nullptr);
    QTest::qWait(200);
    geo::CPosition centre;
    ASSERT_TRUE(doc->GetCentrePosition(centre));
    brine_test::AnswerDialogs() = false;
    std::optional<geo::CEntryPosition> offered;
    bool menuItem = false, menuItemEnabled = false, asked = false, drOffered = false;
    QTimer user;
    // The user's clicks; each in a slot of its own, so this one is free to answer what they open.
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked = box->text() == "Are you sure you want to move the vessel position?";
            box->button(QMessageBox::Yes)->click();
        } else if (auto* dlg = qobject_cast<navigator::CPositionSourceDlg*>(
                       QApplication::activeModalWidget())) {
            offered = dlg->findChild<geo::CPositionCtrl*>("position")->GetPosition();
            drOffered = dlg->Choice().source == navigator::SourceChoice::DeadReckoning;
            dlg->accept();
        } else if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            QAction* item = menu->findChild<QAction*>("positionVessel");
            menuItem = item != nullptr;
            menuItemEnabled = item != nullptr && item->isEnabled();
            if (!menuItemEnabled) {
                menu->close();
                return;
            }
            const QPoint at = menu->actionGeometry(item).center();
            QTimer::singleShot(0, menu,
                               [menu, at] { QTest::mouseClick(menu, Qt::LeftButton, {}, at); });
        }
    });
    user.start(50);
    run(kNavPositionSource);
    ASSERT_TRUE(offered.has_value());
    EXPECT_NEAR(offered->latitude, centre.GetLatitude(), 1e-3);
    EXPECT_NEAR(offered->longitude, centre.GetLongitude(), 1e-3);
    offered.reset();

    // Position Vessel is the monitor panel's entry: it shows while that panel is the active one.
    run(app::cmd::kViewMonitorPanel);
    // A point on the chart, which shows all of its extent in its visible rectangle.
    geo::IntRect visible;
    doc->GetVisibleRect(visible);
    const QPoint click =
        QPoint((visible.left + visible.right) / 2, (visible.top + visible.bottom) / 2) +
        QPoint(60, -40);
    geo::CPosition clicked;
    ASSERT_TRUE(chart::PositionAtClient(*doc, {click.x(), click.y()}, clicked));
    QTest::mouseClick(view, Qt::RightButton, {}, click);
    QTest::qWait(300);
    user.stop();
    brine_test::AnswerDialogs() = true;
    EXPECT_TRUE(menuItem && menuItemEnabled);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(drOffered);
    ASSERT_TRUE(offered.has_value());
    EXPECT_NEAR(offered->latitude, clicked.GetLatitude(), 1e-3);
    EXPECT_TRUE(nav.Source().IsDrOn());
    EXPECT_NEAR(nav.Snapshot()->position.GetLatitude(), clicked.GetLatitude(), 1e-3);
    EXPECT_NEAR(nav.Snapshot()->position.GetLongitude(), clicked.GetLongitude(), 1e-3);
    // Logbook Entry wants logging on as well as the position.
    frame.UpdateModuleCmdUI(true);
    EXPECT_TRUE(nav.IsPositionAvailable());
    EXPECT_FALSE(frame.Action(kNavLogbookEntry)->isEnabled());
    nav.SetLogging(true);
    frame.UpdateModuleCmdUI(true);
    EXPECT_TRUE(frame.Action(kNavLogbookEntry)->isEnabled());
    // The entry is the log's first row, and no track point is written yet: the log can be
    // turned into a track.
    std::set<unsigned> everEnabled;
    EXPECT_FALSE(frame.Action(kNavLogToTrack)->isEnabled());
    run(kNavLogbookEntry);
    frame.UpdateModuleCmdUI(true);
    EXPECT_TRUE(frame.Action(kNavLogToTrack)->isEnabled());
    everEnabled.insert(kNavLogToTrack);
    nav.SetLogging(false);

    std::string radarLines;   // what the radar on COM1 reports, once it is on
    // A fix a second from the GPS off Point Wilson while the state settles, then every command's
    // state as the idle pass sets it.
    const auto sweep = [&] {
        for (int i = 0; i < 12; ++i) {
            home.Send(brine_test::WithChecksum(
                          "GPRMC,120000,A,4808.000,N,12241.500,W,8.0,130.0,070126,,") +
                      radarLines);
            QTest::qWait(100);
        }
        frame.UpdateModuleCmdUI(true);
        for (const unsigned id : AllCommandIds())
            if (QAction* action = frame.Action(id); action && action->isEnabled())
                everEnabled.insert(id);
    };
    sweep();
    ASSERT_TRUE(frame.Workspace()->SaveWorkspace("First start"));
    sweep();
    // The Autopilot page's Transmit box follows the switch's rule: a voyage under way, a
    // transmit port, a route with waypoints.
    const auto transmitBoxEnabled = [&] {
        nav.OpenNavigatorOptions();
        auto* sheet = frame.findChild<app::CModelessPropertySheet*>("navigatorOptions");
        auto* page = sheet ? sheet->findChild<nmea::COptionsAutopilot*>() : nullptr;
        auto* box = page ? page->findChild<QCheckBox*>("transmit") : nullptr;
        const bool enabled = box != nullptr && box->isEnabled();
        if (sheet)
            sheet->OnCancel();
        QTest::qWait(100);
        return enabled;
    };
    EXPECT_FALSE(transmitBoxEnabled());
    ASSERT_TRUE(nav.StartVoyage("FS-1", "Officer"));
    EXPECT_TRUE(transmitBoxEnabled());
    sweep();
    // A first start monitors the route with automatic advance on, which holds it: the
    // navigator unticks Auto on the monitor before changing routes.
    auto* routeModule = brine_test::FindModule<routes::CRouteModule>(frame);
    ASSERT_NE(routeModule, nullptr);
    routeModule->SetAutoAdvance(false);
    sweep();
    for (const unsigned id : {kRouteNext, kWaypointNext})
        run(id);
    run(kRouteEdit);
    sweep();
    run(kRouteEdit);

    // A chartpoint database of the user's own with two marks.
    auto* marks = brine_test::FindModule<chartpoints::CChartpointModule>(frame);
    ASSERT_NE(marks, nullptr);
    ASSERT_TRUE(marks->OpenDatabase((home.folder / "Marks").string()));
    marks->Execute(kChartpointEdit);
    ASSERT_TRUE(marks->AddChartpointAt(geo::CPosition(48.14, -122.75)));
    ASSERT_TRUE(marks->AddChartpointAt(geo::CPosition(48.10, -122.69)));
    // Three pictures and a video attached to the second, as its Attach button attaches the file
    // chosen, then Apply.
    auto* markPanel = frame.findChild<chartpoints::CChartpointPanel*>();
    ASSERT_NE(markPanel, nullptr);
    auto* entries = markPanel->findChild<QComboBox*>("attachments");
    ASSERT_NE(entries, nullptr);
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int entry = 0; entry < 4; ++entry) {
        const std::filesystem::path file =
            home.folder /
            (entry == 3 ? std::string("harbour.avi") : "harbour-" + std::to_string(entry) + ".bmp");
        if (entry == 3)
            std::ofstream(file, std::ios::binary) << "RIFF\0\0\0\0AVI LIST";
        else
            ASSERT_TRUE(picture.save(QString::fromStdString(file.string())));
        entries->setCurrentIndex(entry);
        ASSERT_TRUE(markPanel->AttachFile(file.string()));
    }
    ASSERT_TRUE(marks->OnApply());
    for (const unsigned id : {kChartpointFirst, kChartpointLast}) {
        marks->Execute(id);
        sweep();
    }
    marks->Execute(kChartpointEdit);

    // A second route; the radar on, reporting a target (selected) and its cursor.
    for (const unsigned id : {kRouteEdit, kRouteNew, kRouteEdit})
        run(id);
    sweep();
    run(kRouteFirst);
    sweep();
    auto* radar = brine_test::FindModule<targets::CARPAModule>(frame);
    ASSERT_NE(radar, nullptr);
    run(kArpaActivate);
    ASSERT_TRUE(radar->IsOn());
    radarLines = brine_test::WithChecksum("RATTM,01,0.50,090.0,T,5.0,180.0,T,,,N,NEAR,T,,,A") +
                 brine_test::WithChecksum("RARSD,,,,,,,,,2.0,090.0,12.0,N,N");
    sweep();
    ASSERT_FALSE(radar->Targets().empty());
    radar->SelectTarget((*radar->Targets().begin()).record.get());
    sweep();

    // A tender unit on the first channel, simulated from the Tender Tracking page with its
    // panic button pressed, tracking on; the user picks its row on the Target Tracking panel,
    // which makes it current.
    auto* tenders = brine_test::FindModule<targets::CTenderWindows>(frame);
    ASSERT_NE(tenders, nullptr);
    targets::CTenderOptions tender =
        targets::TenderOptionsOf(tenders->Tracking(), targets::CTargetPosition{48.13, -122.70});
    tender.settings.channels[0].valid = true;
    tender.settings.channels[0].serial = "1234";
    tender.simulation[0].simulate = true;
    tender.simulation[0].panic = true;
    tender.simulation[0].useChart = false;
    tenders->ApplyOptions(tender);
    run(kTenderActivate);
    sweep();
    ASSERT_TRUE(tenders->Tracking().IsActive());
    ASSERT_EQ(tenders->Tracking().Tenders().size(), 1u);
    auto* targetPanel = frame.findChild<targets::CTargetTrackingPanel*>();
    ASSERT_NE(targetPanel, nullptr);
    QTreeWidget* tenderRows = targetPanel->List(targets::CTargetTrackingPanel::kTender);
    ASSERT_EQ(tenderRows->topLevelItemCount(), 1);
    tenderRows->setCurrentItem(tenderRows->topLevelItem(0));
    EXPECT_EQ(tenders->Tracking().current, tenders->Tracking().Tenders().front().Channel());
    sweep();

    // An edit field with the keyboard and text on the clipboard.
    QApplication::clipboard()->setText("text");
    auto* field = frame.findChild<navigator::CMonitorPanel*>()->findChild<QLineEdit*>("routeName");
    ASSERT_NE(field, nullptr);
    if (!field->isVisible())
        run(kViewMonitorPanel);
    ASSERT_TRUE(field->isVisible());
    frame.activateWindow();
    field->setFocus();
    sweep();

    // Each chart window in front in turn: the sample raster and vector charts, the blank one.
    auto* mdi = qobject_cast<QMdiArea*>(frame.centralWidget());
    ASSERT_NE(mdi, nullptr);
    // On each: a larger scale chart, then zoomed in (a raster chart's high resolution).
    for (QMdiSubWindow* window : mdi->subWindowList()) {
        mdi->setActiveSubWindow(window);
        sweep();
        for (const unsigned id : {kChartLargerScale, kChartZoomIn}) {
            run(id);
            sweep();
        }
    }

    std::string never;
    for (const unsigned id : AllCommandIds())
        if (!everEnabled.count(id) && !kNeverEnabledByDesign.count(id) && !kOpenFaults.count(id) &&
            !IsLaterRecentSlot(id))
            never += std::to_string(id) + " " + CommandText(id) + "\n";
    EXPECT_EQ(never, "") << "commands never enabled";

    theApp.ExitInstance();
}

}   // namespace

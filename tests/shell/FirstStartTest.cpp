// A new user's first start of the whole program, on the sample chart media and cells, and what
// the frame offers from there: the chart information panel in front and named on the status
// bar, the side panels and the modules' settings in their order, the Customise sheet's groups
// and menus, File > New's choices, the hidden commands and the manual.
#include "shell/Brinevane.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>
#include <QWindow>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "OwnProgramFolder.h"
#include "SavedWorkspace.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/CommandIds.h"
#include "app/Module.h"
#include "app/ui/SidePanel.h"
#include "app/ui/TreeListOptionDlg.h"
#include "app/ui/XStatusBar.h"
#include "chart/ChartDoc.h"
#include "chart/ChartWindow.h"
#include "chart/ChartingModule.h"
#include "chart/ui/ChartInfoPanel.h"
#include "chart/ui/ChartView.h"
#include "chartpoints/ChartpointModule.h"
#include "charts/hcrf/HCRFModule.h"
#include "navigator/NavigatorModule.h"
#include "navigator/VesselModule.h"
#include "navigator/ui/NavigatorWindows.h"
#include "routes/RouteModule.h"
#include "routes/TidalModule.h"
#include "shell/CustomiseDlg.h"
#include "shell/MainFrame.h"
#include "shell/ModuleOrder.h"

namespace {

namespace cmd = app::cmd;
namespace fs = std::filesystem;

QApplication& App()
{
    static int argc = 1;
    static char arg0[] = "shell_FirstStartTest";
    static char* argv[] = {arg0, nullptr};
    static auto* app = new QApplication(argc, argv);   // never destroyed: Qt's exit order
    return *app;
}

fs::path BinDir()
{
    const char* dir = std::getenv("BRINE_BIN_DIR");
    return dir ? dir : fs::current_path();
}

enum class Then { Reject, Accept, Leave };

// Runs `look` on the next modal dialog of type T as it opens, then rejects it, accepts it or
// leaves it to what `look` did (a button pressed).
template <class T>
void OnNextModal(QObject* owner, std::function<void(T&)> look, Then then = Then::Reject)
{
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, [timer, look, then] {
        auto* dlg = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        timer->stop();
        timer->deleteLater();
        look(*dlg);
        if (then == Then::Accept)
            dlg->accept();
        else if (then == Then::Reject)
            dlg->reject();
    });
    timer->start(20);
}

// The chooser's item of that text under that heading.
QTreeWidgetItem* ChooserItem(app::CTreeListOptionDlg& dlg, const QString& heading,
                             const QString& text)
{
    for (QTreeWidgetItemIterator it(dlg.Tree()); *it; ++it)
        if ((*it)->text(0) == text && (*it)->parent() && (*it)->parent()->text(0) == heading)
            return *it;
    return nullptr;
}

// A key pressed on the main window as the user presses it: the window active first.
void Press(QWidget& frame, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    frame.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&frame));
    // The offscreen platform leaves the focus in a dialog once it is closed
    // (a window manager hands it back): the window takes it as a click would.
    if (QWidget* focus = QApplication::focusWidget(); !focus || focus->window() != &frame)
        frame.setFocus();
    QTest::qWait(50);
    QTest::keyClick(frame.windowHandle(), key, modifiers);
}

constexpr Qt::KeyboardModifiers kCtrlAltShift =
    Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier;

int RasterChartWindows(shell::CMainFrame& frame)
{
    int n = 0;
    for (chart::CChartWindow* w : frame.Charting()->ChartFrames())
        if (w->GetChartDoc() && (w->GetChartDoc()->GetChartType() == chart::kChartARCS ||
                                 w->GetChartDoc()->GetChartType() == chart::kChartSeafarer))
            ++n;
    return n;
}

// Stands in for the desktop's PDF viewer: records what the program asked it to open.
class CFileOpener final : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};

template <class T>
int IndexOf(const std::vector<app::CModule*>& modules)
{
    for (std::size_t i = 0; i < modules.size(); ++i)
        if (dynamic_cast<T*>(modules[i]))
            return static_cast<int>(i);
    return -1;
}

TEST(FirstStart, TheFrameAsANewUserFindsIt)
{
    App();
    brine_test::TempFolder home;
    const fs::path config = home / "config";
    fs::create_directories(config / "Quorwick" / "Brinevane");
    setenv("HOME", home.Path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    setenv("BRINE_INSTANCE_NAME", ("brine-first-" + std::to_string(::getpid())).c_str(), 1);
    brine_test::UseOwnProgramFolder(home / "program");
    const fs::path media = BinDir().parent_path() / "sample-media";
    const fs::path cells = BinDir().parent_path() / "sample-cells";
    ASSERT_TRUE(fs::is_directory(media)) << media << ": the build makes the sample media";
    ASSERT_TRUE(fs::is_directory(cells)) << cells << ": the build makes the sample cells";
    // The sample tidal model installed as the run script installs it (the plan's tidal
    // switch left off), whatever the build's own program folder holds.
    const fs::path tides = home / "Tides";
    fs::create_directories(tides);
    for (const char* name : {"PugetSound.tid", "PugetSound.dat"})
        fs::copy_file(BinDir().parent_path() / "sample-tides" / name, tides / name);
    // No port to find, and a log folder of the test's own, in the workspace "Default" the run
    // script makes before a first start.
    {
        std::ofstream out(config / "Quorwick" / "Brinevane" / "settings.conf");
        out << brine_test::SavedDefaultWorkspace()
            << "[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:\n"
            << "[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Log]\nDatabaseFolder=str:"
            << (home / "logs").string() << "\n"
            << "[Software\\Quorwick\\Brinevane\\Default\\TidalModel]\nDataFolder=str:"
            << tides.string() << "\n#end\n";
    }

    brine_test::ScriptedPrompt prompt;
    QObject owner;
    // The disclaimers are accepted as a user accepts them.
    auto* accepter = new QTimer(&owner);
    QObject::connect(accepter, &QTimer::timeout, [] {
        if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            dlg && dlg->objectName() != "LogChooser" &&
            !qobject_cast<app::CTreeListOptionDlg*>(dlg) &&
            !qobject_cast<shell::CCustomiseDlg*>(dlg))
            dlg->accept();
    });
    accepter->start(50);
    shell::CBrinevane theApp(&prompt);
    ASSERT_TRUE(theApp.InitApplication());
    // The launcher's sample folders come first; the user's words after them are the command
    // line, lower-cased.
    ASSERT_TRUE(theApp.InitInstance(
        {"--sample-media", media.string(), "--sample-cells", cells.string(), "Passage"}));
    EXPECT_EQ(theApp.CommandLine(), std::vector<std::string>{"passage"});
    shell::CMainFrame& frame = *theApp.MainFrame();
    QTest::qWait(500);
    accepter->stop();
    if (QWidget* modal = QApplication::activeModalWidget())
        ADD_FAILURE() << "still open: " << modal->windowTitle().toStdString() << " "
                      << modal->objectName().toStdString();

    // The chart information panel is in front and shown; the panels stand in their order and
    // the modules' settings go charting, chartpoint, route, vessel, navigator, tides.
    ASSERT_NE(frame.ActiveSidePanel(), nullptr);
    EXPECT_EQ(frame.ActiveSidePanel()->GetTitle().toStdString(), "Chart Info");
    EXPECT_TRUE(frame.ActiveSidePanel()->isVisible());
    QStringList panels;
    for (app::CSidePanel* p : frame.SidePanels())
        panels << p->GetTitle();
    EXPECT_EQ(panels.join(", ").toStdString(),
              "Chart Info, Monitor, Chartpoint, Route, Target Tracking");
    const std::vector<app::CModule*> order = shell::SettingsOrder(frame.Modules());
    const std::vector<int> places = {
        IndexOf<chart::CChartingModule>(order),      IndexOf<chartpoints::CChartpointModule>(order),
        IndexOf<routes::CRouteModule>(order),        IndexOf<navigator::CVesselModule>(order),
        IndexOf<navigator::CNavigatorModule>(order), IndexOf<routes::CTidalModule>(order)};
    EXPECT_TRUE(std::is_sorted(places.begin(), places.end()) && places.front() >= 0)
        << places[0] << " " << places[1] << " " << places[2] << " " << places[3] << " " << places[4]
        << " " << places[5];

    // The status bar names the panel in front, whichever key brought it.
    app::CXStatusBar& status = *frame.StatusBar();
    EXPECT_EQ(status.PaneText(app::CXStatusBar::SidePanelPane).toStdString(), "Chart Info");
    const std::pair<Qt::Key, const char*> keys[] = {
        {Qt::Key_F3, "Chartpoint"}, {Qt::Key_F4, "Route"}, {Qt::Key_F5, "Chart Info"}};
    for (const auto& [key, title] : keys) {
        frame.UpdateModuleCmdUI(true);
        Press(frame, key);
        EXPECT_EQ(status.PaneText(app::CXStatusBar::SidePanelPane).toStdString(), title);
    }

    // The chart's right-click entries that add chartpoints and waypoints stay grey until the
    // panel's Edit is pressed; while that menu is open the message pane says what to press,
    // and it shows its own text again once the menu closes.
    chart::CChartView* view = nullptr;
    for (chart::CChartView* v : frame.findChildren<chart::CChartView*>())
        if (v->Doc().IsChartLoaded() && v->isVisible())
            view = v;
    ASSERT_NE(view, nullptr);
    struct Opened {
        bool entryEnabled = false;
        QString whileOpen;
        QString afterClose;
    };
    auto rightClick = [&](const QString& entry) {
        Opened o;
        QMenu menu;
        view->BuildContextMenu(menu, {view->width() / 2, view->height() / 2});
        for (QAction* a : menu.actions())
            if (a->text().remove(QLatin1Char('&')) == entry)
                o.entryEnabled = a->isEnabled();
        menu.popup(view->mapToGlobal(QPoint(10, 10)));
        QTest::qWait(20);
        o.whileOpen = status.PaneText(app::CXStatusBar::MessagePane);
        menu.close();
        QTest::qWait(20);
        o.afterClose = status.PaneText(app::CXStatusBar::MessagePane);
        return o;
    };
    const QString ready = status.PaneText(app::CXStatusBar::MessagePane);
    Press(frame, Qt::Key_F3);
    Opened cp = rightClick("Add New Chartpoint");
    EXPECT_FALSE(cp.entryEnabled);
    EXPECT_TRUE(cp.whileOpen.contains("press Edit on the Chartpoint panel"))
        << cp.whileOpen.toStdString();
    EXPECT_EQ(cp.afterClose, ready);
    frame.Action(cmd::kChartpointEdit)->trigger();
    cp = rightClick("Add New Chartpoint");
    EXPECT_TRUE(cp.entryEnabled);
    EXPECT_EQ(cp.whileOpen, ready) << "no hint once the entry can be used";
    frame.Action(cmd::kChartpointEdit)->trigger();
    Press(frame, Qt::Key_F4);
    const Opened route = rightClick("Add New Waypoint");
    EXPECT_FALSE(route.entryEnabled);
    // Automatic leg advance holds the sample route, so Edit is grey: the hint
    // says what holds the route, not to press Edit.
    EXPECT_TRUE(route.whileOpen.contains("cannot be changed while it is in use"))
        << route.whileOpen.toStdString();
    EXPECT_FALSE(route.whileOpen.contains("press Edit")) << route.whileOpen.toStdString();
    EXPECT_EQ(route.afterClose, ready);

    // On a first start automatic leg advance holds the sample route: Route > Edit and the
    // Route panel's Edit are grey, and File > Open's route database cannot be chosen. Each
    // says what holds the route and where to free it. Best Time waits for the plan window's
    // tidal stream box, and Route > Plan says so.
    auto menuOf = [&](unsigned id) -> QMenu* {
        for (QAction* a : frame.menuBar()->actions())
            if (a->menu() && a->data().toUInt() == id)
                return a->menu();
        return nullptr;
    };
    auto whileOpen = [&](QMenu& menu) {
        frame.UpdateModuleCmdUI(true);
        menu.popup(frame.mapToGlobal(QPoint(40, 40)));
        QTest::qWait(20);
        const QString text = status.PaneText(app::CXStatusBar::MessagePane);
        menu.close();
        QTest::qWait(20);
        EXPECT_EQ(status.PaneText(app::CXStatusBar::MessagePane), ready);
        return text;
    };
    QMenu* routeMenu = menuOf(cmd::kMenuRoute);
    ASSERT_NE(routeMenu, nullptr);
    ASSERT_FALSE(frame.Action(cmd::kRouteEdit)->isEnabled());
    const QString held = whileOpen(*routeMenu);
    EXPECT_TRUE(held.contains("held by automatic leg advance (Route > Options > Monitoring)"))
        << held.toStdString();
    EXPECT_EQ(held.count("held by"), 1) << "one reason once, however many entries it greys";
    QMenu* planMenu = nullptr;
    for (QAction* a : routeMenu->actions())
        if (a->menu() && a->text().remove(QLatin1Char('&')) == "Plan")
            planMenu = a->menu();
    ASSERT_NE(planMenu, nullptr);
    ASSERT_FALSE(frame.Action(cmd::kPlanBestTime)->isEnabled());
    const QString bestTime = whileOpen(*planMenu);
    EXPECT_TRUE(bestTime.contains("tick \"Tidal Stream every\" in the plan window"))
        << bestTime.toStdString();
    // With no GPS and no position typed in, Navigator's position commands are grey and the
    // menu says where a position comes from, once for all of them.
    QMenu* navigatorMenu = menuOf(cmd::kMenuNavigator);
    ASSERT_NE(navigatorMenu, nullptr);
    ASSERT_FALSE(frame.Action(cmd::kNavVoyage)->isEnabled());
    const QString noPosition = whileOpen(*navigatorMenu);
    EXPECT_TRUE(noPosition.contains("No vessel position yet")) << noPosition.toStdString();
    EXPECT_TRUE(noPosition.contains("Navigator > Position Source")) << noPosition.toStdString();
    EXPECT_EQ(noPosition.count("No vessel position"), 1);
    // The Route panel's grey Edit says the same under the pointer.
    Press(frame, Qt::Key_F4);
    frame.UpdateModuleCmdUI(true);
    QPushButton* panelEdit = nullptr;
    for (QPushButton* b : frame.ActiveSidePanel()->findChildren<QPushButton*>())
        if (b->text().remove(QLatin1Char('&')) == "Edit")
            panelEdit = b;
    ASSERT_NE(panelEdit, nullptr);
    EXPECT_FALSE(panelEdit->isEnabled());
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    QApplication::sendEvent(panelEdit, &enter);
    EXPECT_EQ(status.PaneText(app::CXStatusBar::MessagePane), held);
    QApplication::sendEvent(panelEdit, &leave);
    EXPECT_EQ(status.PaneText(app::CXStatusBar::MessagePane), ready);
    Press(frame, Qt::Key_F5);
    // File > Open: picking the route database says why OK stays grey.
    QString routeWhy;
    bool routeOk = true;
    OnNextModal<app::CTreeListOptionDlg>(&owner, [&](app::CTreeListOptionDlg& dlg) {
        if (QTreeWidgetItem* item = ChooserItem(dlg, "Route", "Database"))
            dlg.Tree()->setCurrentItem(item);
        routeOk = dlg.OkButton()->isEnabled();
        routeWhy = dlg.WhyLabel()->isVisibleTo(&dlg) ? dlg.WhyLabel()->text() : QString();
    });
    frame.Action(cmd::kFileOpen)->trigger();
    EXPECT_FALSE(routeOk);
    EXPECT_EQ(routeWhy, held);

    // Tools > Customise: the vessel's waypoint indicators as a group of their own, named as
    // the status bar names them, and the menu bar's twelve menus on the Menu page; a menu
    // added to a toolbar drops down from it.
    QStringList groups, navigator2, menus;
    OnNextModal<shell::CCustomiseDlg>(
        &owner,
        [&](shell::CCustomiseDlg& dlg) {
            for (int i = 0; i < dlg.Groups()->count(); ++i)
                groups << dlg.Groups()->item(i)->text();
            const auto found = dlg.Groups()->findItems("Navigator 2", Qt::MatchExactly);
            if (!found.isEmpty()) {
                dlg.Groups()->setCurrentItem(found.front());
                for (int i = 0; i < dlg.Commands()->count(); ++i)
                    navigator2 << dlg.Commands()->item(i)->text();
            }
            for (int i = 0; dlg.Menus() && i < dlg.Menus()->count(); ++i)
                menus << dlg.Menus()->item(i)->text();
            const auto tabs = dlg.findChild<QTabWidget*>();
            EXPECT_TRUE(tabs && tabs->tabText(tabs->count() - 1) == "Menu");
            dlg.BarCombo()->setCurrentIndex(0);
            if (dlg.Menus()) {
                dlg.Menus()->setCurrentRow(8);   // Vessel
                dlg.AddSelectedMenu();
            }
        },
        Then::Accept);
    frame.Action(cmd::kToolsCustomise)->trigger();
    EXPECT_TRUE(groups.contains("Navigator 2")) << groups.join(", ").toStdString();
    EXPECT_EQ(navigator2.size(), 5) << navigator2.join(", ").toStdString();
    EXPECT_TRUE(navigator2.contains("Vessel Range to Waypoint in nm"))
        << navigator2.join(", ").toStdString();
    EXPECT_EQ(menus.join(",").toStdString(),
              "File,Edit,View,Chart,Navigator,Target,Chartpoint,Route,Vessel,Tools,Window,Help");
    bool vesselMenuOnBar = false;
    for (QAction* a : frame.ToolBar(cmd::kBarStandard)->actions())
        vesselMenuOnBar = vesselMenuOnBar || (a->menu() && a->data().toUInt() == cmd::kMenuVessel);
    EXPECT_TRUE(vesselMenuOnBar);

    // File > New offers the vector chart, the plan and a new log.
    QString heading;
    bool livechart = false, plan = false, log = false;
    OnNextModal<app::CTreeListOptionDlg>(&owner, [&](app::CTreeListOptionDlg& dlg) {
        livechart = ChooserItem(dlg, "Chart", "Livechart") != nullptr;
        plan = ChooserItem(dlg, "Route", "Plan") != nullptr;
        log = ChooserItem(dlg, "Log", "Database") != nullptr;
    });
    frame.Action(cmd::kFileNew)->trigger();
    EXPECT_TRUE(livechart);
    EXPECT_TRUE(plan);
    EXPECT_TRUE(log);
    // Log > Database starts a new log in place of the one open.
    navigator::CNavigatorWindows* nav = frame.Navigator();
    ASSERT_NE(nav, nullptr);
    const std::string logBefore = nav->Logbook().LogPath();
    OnNextModal<app::CTreeListOptionDlg>(
        &owner,
        [&](app::CTreeListOptionDlg& dlg) {
            if (QTreeWidgetItem* item = ChooserItem(dlg, "Log", "Database"))
                dlg.Tree()->setCurrentItem(item);
            dlg.OkButton()->click();
        },
        Then::Leave);
    frame.Action(cmd::kFileNew)->trigger();
    EXPECT_TRUE(nav->Logbook().IsOpen());
    EXPECT_NE(nav->Logbook().LogPath(), logBefore);
    // File > Open's log chooser says what it opens.
    QString logTitle;
    OnNextModal<app::CTreeListOptionDlg>(
        &owner,
        [&](app::CTreeListOptionDlg& dlg) {
            if (QTreeWidgetItem* item = ChooserItem(dlg, "Log", "Database"))
                dlg.Tree()->setCurrentItem(item);
            OnNextModal<QDialog>(&owner,
                                 [&](QDialog& chooser) { logTitle = chooser.windowTitle(); });
            dlg.OkButton()->click();
        },
        Then::Leave);
    frame.Action(cmd::kFileOpen)->trigger();
    EXPECT_EQ(logTitle.toStdString(), "Open Log Database");

    // System Information names every file in use.
    QString files, system;
    QStringList pages;
    OnNextModal<QDialog>(&owner, [&](QDialog& dlg) {
        if (auto* page = dlg.findChild<QPlainTextEdit*>("filesInUse"))
            files = page->toPlainText();
        if (auto* page = dlg.findChild<QPlainTextEdit*>("operatingSystem"))
            system = page->toPlainText();
        if (auto* tabs = dlg.findChild<QTabWidget*>())
            for (int i = 0; i < tabs->count(); ++i)
                pages << tabs->tabText(i);
    });
    frame.Action(cmd::kSystemInformation)->trigger();
    EXPECT_EQ(pages, (QStringList{"Operating System", "Files In Use"}));
    EXPECT_TRUE(system.contains("\n  Brinevane V6.0\n  dBASE engine V")) << system.toStdString();
    EXPECT_TRUE(system.contains("  Tidal-model library ")) << system.toStdString();
    EXPECT_TRUE(files.contains("Chart File: ")) << files.toStdString();
    EXPECT_TRUE(files.contains("Chartpoint Database: ")) << files.toStdString();
    EXPECT_TRUE(files.contains("Route Database: ")) << files.toStdString();
    EXPECT_TRUE(files.contains("Log File: " + QString::fromStdString(nav->Logbook().LogPath())))
        << files.toStdString();

    // Ctrl+Alt+Shift+P: the credits.
    Press(frame, Qt::Key_P, kCtrlAltShift);
    QTest::qWait(50);
    auto* credits = frame.findChild<QDialog*>("Credits");
    ASSERT_NE(credits, nullptr);
    EXPECT_TRUE(credits->isVisible());
    EXPECT_TRUE(credits->findChild<QLabel*>("SpecialBuild")->text().contains("Brinevane"));
    credits->close();

    // Ctrl+Alt+Shift+A: Cancel at the first question, Yes at the second, keep the charts.
    ASSERT_GT(RasterChartWindows(frame), 0) << "the sample overview opens on a first start";
    const fs::path hcrf = fs::path(frame.Charting()->GetDataFolder()) / "HCRF";
    ASSERT_TRUE(fs::exists(hcrf / "Cat.dbf"));
    prompt.Expect(platform::PromptAnswer::Cancel, "Continue ?");
    Press(frame, Qt::Key_A, kCtrlAltShift);
    prompt.Expect(platform::PromptAnswer::Ok, "entire HCRF chart system")
        .Expect(platform::PromptAnswer::Yes, "Cancel operation ?");
    Press(frame, Qt::Key_A, kCtrlAltShift);
    EXPECT_TRUE(prompt.Done());
    EXPECT_GT(RasterChartWindows(frame), 0);
    EXPECT_TRUE(fs::exists(hcrf / "Cat.dbf"));
    // OK, then No: the raster charts close and go from the disk and the folio.
    prompt.Expect(platform::PromptAnswer::Ok, "Continue ?")
        .Expect(platform::PromptAnswer::No, "Cancel operation ?")
        .Expect(platform::PromptAnswer::Ok, "Operation Complete");
    Press(frame, Qt::Key_A, kCtrlAltShift);
    QTest::qWait(100);
    EXPECT_TRUE(prompt.Done());
    EXPECT_EQ(RasterChartWindows(frame), 0);
    // The folder holds an empty catalogue again, open read-only, and nothing else.
    EXPECT_TRUE(fs::is_directory(hcrf));
    EXPECT_TRUE(fs::exists(hcrf / "Cat.dbf"));
    for (const auto& entry : fs::directory_iterator(hcrf))
        EXPECT_EQ(entry.path().stem(), "Cat") << entry.path();
    charts::hcrf::CHCRFModule* raster = nullptr;
    for (const auto& service : frame.Charting()->ChartServices())
        if (auto* hcrfService = dynamic_cast<charts::hcrf::CHCRFModule*>(service.get()))
            raster = hcrfService;
    ASSERT_NE(raster, nullptr);
    EXPECT_TRUE(raster->Catalogue().IsOpen());
    EXPECT_TRUE(raster->Catalogue().IsReadOnly());
    EXPECT_EQ(raster->Catalogue().GetRecordCount(), 0);
    for (const auto& item : frame.Charting()->GetFolio())
        EXPECT_EQ(dynamic_cast<const charts::hcrf::CFolioChart*>(item.get()), nullptr);

    // Help > Contents and Help Topics open the manual beside the program.
    ASSERT_TRUE(fs::exists(BinDir() / "Brinevane.pdf")) << "the build writes the manual";
    const fs::path manual = home / "program" / "Brinevane.pdf";   // the test's program folder
    CFileOpener opener;
    QDesktopServices::setUrlHandler("file", &opener, "Open");
    frame.UpdateModuleCmdUI(true);
    for (unsigned id : {cmd::kHelpContents, cmd::kHelpTopics}) {
        ASSERT_TRUE(frame.Action(id)->isEnabled()) << id;
        frame.Action(id)->trigger();
    }
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(opener.opened.size(), 2);
    for (const QUrl& url : opener.opened)
        EXPECT_EQ(fs::path(url.toLocalFile().toStdString()), manual);
    // With nothing on the machine to show a PDF the user is told where the manual is, not left
    // with a click that does nothing.
    prompt.Expect(platform::PromptAnswer::Ok, "Unable to open the manual " + manual.string());
    frame.Action(cmd::kHelpContents)->trigger();
    EXPECT_TRUE(prompt.Done());
    // Help > Technical Support's Mail with no program to write e-mail names the address.
    frame.Action(cmd::kTechSupport)->trigger();
    QPushButton* mail = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == "How to Get Technical Support")
            for (QPushButton* b : w->findChildren<QPushButton*>())
                if (b->text() == "Mail")
                    mail = b;
    ASSERT_NE(mail, nullptr);
    prompt.Expect(platform::PromptAnswer::Ok, "support@quorwick.example");
    mail->click();
    EXPECT_TRUE(prompt.Done());
    mail->window()->close();

    theApp.ExitInstance();
}

}   // namespace

#include "FirstStartTest.moc"

#include "shell/MainFrame.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <thread>

#include "FakeClock.h"
#include "OwnProgramFolder.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/CommandIds.h"
#include "app/DateTimeEx.h"
#include "app/Registry.h"
#include "app/Timer.h"
#include "app/WorkspaceManager.h"
#include "app/ui/DocumentEx.h"
#include "app/ui/FullScreenMode.h"
#include "app/ui/ModuleUi.h"
#include "app/ui/MsgBarWnd.h"
#include "app/ui/ObjectIds.h"
#include "app/ui/PropertySheet.h"
#include "app/ui/QtDesktop.h"
#include "app/ui/SidePanel.h"
#include "app/ui/XStatusBar.h"
#include "geo/DatumInfo.h"
#include "navigator/NavIndicators.h"
#include "platform/SettingsStore.h"
#include "shell/MainMenus.h"

using platform::PromptAnswer;
namespace cmd = app::cmd;
using namespace std::chrono_literals;

namespace {

int g_argc = 1;
char g_arg0[] = "shell_MainFrameTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(
        g_argc, g_argv);   // never destroyed: Qt's own statics may go first at exit
    return *app;
}

struct SilentSound : app::CAlertSound {
    bool Play(const std::filesystem::path&) override { return false; }
    void Beep() override { }
};

struct NoSettings : app::CSettingsHome {
    mutable platform::CSettingsStore store{std::filesystem::temp_directory_path() /
                                           "brine-shell-test-unused.conf"};
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return "Software\\Quorwick\\Brinevane\\Default"; }
};

// A module that records its life in a shared log.
struct LoggingModule : app::CModule {
    LoggingModule(app::CSettingsHome& home, std::string n, bool ok, std::vector<std::string>& log)
        : app::CModule(home), name(std::move(n)), initOk(ok), log(log)
    {
        log.push_back("create " + name);
    }
    ~LoggingModule() override { log.push_back("delete " + name); }
    bool Initialise() override
    {
        log.push_back("init " + name);
        return initOk;
    }
    bool Terminate() override
    {
        log.push_back("terminate " + name);
        return true;
    }
    std::string name;
    bool initOk;
    std::vector<std::string>& log;
};

struct MainFrameTest : ::testing::Test {
    brine_test::FakeClock clock;
    brine_test::ScriptedPrompt prompt;
    SilentSound sound;
    app::CTimer timerIds;
    NoSettings home;
    std::vector<std::string> log;
    bool disclaimerAnswer = true;
    int disclaimerShown = 0;

    // The program folder: links to what the build put beside the program.
    brine_test::TempFolder programHome;
    std::filesystem::path ProgramFolder()
    {
        return brine_test::LinkedProgramFolder(programHome / "program");
    }

    shell::CFrameServices Services(std::filesystem::path folder = {})
    {
        if (folder.empty())
            folder = ProgramFolder();
        return ServicesIn(folder);
    }
    shell::CFrameServices ServicesIn(const std::filesystem::path& folder)
    {
        App();
        shell::CFrameServices s;
        std::tie(s.timerIds, s.prompt, s.clock, s.sound) =
            std::tuple(&timerIds, &prompt, &clock, &sound);
        s.programFolder = folder;
        s.audioFolder = folder / "System" / "Audio";
        s.showDisclaimer = [this](QWidget*) {
            ++disclaimerShown;
            return disclaimerAnswer;
        };
        return s;
    }
    std::function<std::unique_ptr<app::CModule>()> Module(std::string name, bool ok = true)
    {
        return [this, name, ok] { return std::make_unique<LoggingModule>(home, name, ok, log); };
    }
};

TEST_F(MainFrameTest, CreatesMenusToolbarsBarsAndPanel)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    ASSERT_TRUE(frame.CompleteStartUp());
    EXPECT_EQ(disclaimerShown, 1);
    QStringList titles;
    for (QAction* a : frame.menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles,
              (QStringList{"&File", "&Edit", "&View", "&Chart", "&Navigator", "&Target",
                           "Ch&artpoint", "&Route", "V&essel", "T&ools", "&Window", "&Help"}));
    for (unsigned id : {cmd::kBarStandard, cmd::kBarDisplay, cmd::kBarChart, cmd::kBarVoyage,
                        cmd::kBarChartpoint, cmd::kBarRoute, cmd::kBarArpa, cmd::kBarTender})
        EXPECT_NE(frame.ToolBar(id), nullptr) << id;
    // Each program toolbar's buttons (0: a separator); the other commands, the cursor
    // position label among them, are the user's to add through Tools > Customise.
    const std::map<unsigned, std::vector<unsigned>> buttons = {
        {59392, {57600, 57601, 57604, 2035, 0, 628, 629, 630}},
        {59397, {2050, 601, 613, 614, 2319, 0, 43107, 0, 32791}},
        {59398, {607, 618, 0, 2150, 2149, 0, 610, 611, 0, 615}},
        {59399, {2156, 2159, 0, 2164, 619, 625, 32807, 0, 2157}},
        {59400, {323, 322, 321, 320, 815, 324, 325, 326, 327, 0, 612, 0, 2189}},
        {59401,
         {2029, 2028, 2027, 2030, 814, 733, 734, 735, 736, 0, 971, 970, 969, 968, 964, 0, 2211}},
        {59402, {2248, 0, 2246, 2249, 2255, 0, 2250}},
        {59404, {2320, 0, 2321, 2324, 2322}}};
    std::map<unsigned, std::vector<unsigned>> defined;
    for (const shell::ToolBarDef& bar : shell::MainToolBars())
        for (const shell::ToolBarButton& b : bar.buttons)
            defined[bar.id].push_back(b.id);
    EXPECT_EQ(defined, buttons);
    EXPECT_GT(geo::CDatumInfo::RowCount(), 0u);
    // The clock's date in the user's conventions, as the monitor and every other date shows it.
    const QString pane = frame.StatusBar()->PaneText(app::CXStatusBar::ClockPane);
    EXPECT_TRUE(pane.startsWith(
        QString::fromStdString(" " + app::CDateTimeEx::GetCurrentTime().FormatDate(true) + " ")))
        << pane.toStdString();
    ASSERT_NE(frame.ActiveSidePanel(), nullptr);
    EXPECT_FALSE(frame.ActiveSidePanel()->isHidden());
    EXPECT_TRUE(frame.MsgBarWnd()->isHidden());   // nothing to say yet
}

// The status bar holds its four panes only; the vessel and tender indicators are toolbar
// commands (Customise's "Navigator 1", "Navigator 2" and "Tender Target"), drawn as fields
// named by their tooltips that show whatever their update handlers say.
TEST_F(MainFrameTest, IndicatorsAreToolbarFieldsNotStatusBarPanes)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    ASSERT_TRUE(frame.CompleteStartUp());
    app::CXStatusBar* bar = frame.StatusBar();
    std::vector<unsigned> ids;
    for (const navigator::CNavIndicator& i : navigator::NavIndicators())
        ids.push_back(i.id);
    EXPECT_EQ(ids, (std::vector<unsigned>{2310, 2311, 2312, 2317, 2316, 2313, 2314, 2315, 2318}));
    frame.show();
    frame.UpdateModuleCmdUI(true);
    QCoreApplication::processEvents();
    QStringList panes;
    for (QLabel* label : bar->findChildren<QLabel*>())
        panes << label->objectName();
    EXPECT_EQ(panes, (QStringList{"StatusPane0", "StatusPane1", "StatusPane2", "StatusPane3"}));
    // Message, position, side panel, date and time, left to right.
    for (int i = 0; i < 3; ++i)
        EXPECT_LT(bar->findChild<QLabel*>(QString("StatusPane%1").arg(i))->geometry().right(),
                  bar->findChild<QLabel*>(QString("StatusPane%1").arg(i + 1))->geometry().left());

    // On a toolbar, an indicator's field shows its handler's text; a disabled one greys it.
    std::string text = " 045";
    bool enabled = true;
    frame.Commands().Add(this, 2311, app::CCommandTable::Handler{}, [&](app::CCmdUI& ui) {
        ui.SetText(text);
        ui.Enable(enabled);
    });
    QToolBar* voyage = frame.ToolBar(cmd::kBarVoyage);
    ASSERT_NE(voyage, nullptr);
    for (unsigned id : {2311u, 2325u})
        voyage->addAction(frame.CommandAction(id));
    frame.UpdateModuleCmdUI(true);
    QCoreApplication::processEvents();
    const auto* cog = frame.findChild<QLabel*>("IndicatorButton2311");
    ASSERT_NE(cog, nullptr);
    EXPECT_EQ(cog->toolTip(), QString::fromUtf8("Vessel Course Over Ground (COG) in \u00b0T"));
    EXPECT_EQ(cog->text(), " 045");
    EXPECT_TRUE(cog->isEnabled());
    text = " 046";
    enabled = false;
    frame.UpdateModuleCmdUI(true);
    EXPECT_EQ(cog->text(), " 046");
    EXPECT_FALSE(cog->isEnabled());
    const auto* tender = frame.findChild<QLabel*>("IndicatorButton2325");
    ASSERT_NE(tender, nullptr);
    EXPECT_EQ(tender->toolTip(), "Display Current Tender Target ID");
    frame.Commands().Remove(this);
    frame.CloseWithoutConfirmation();
}

// File > Workspace: while no workspace was opened or saved, "Recent Workspaces" is there,
// grey; once one is saved it names that workspace. The recent files' first entry likewise.
TEST_F(MainFrameTest, TheEmptyRecentWorkspaceListShowsOneGreyEntry)
{
    brine_test::TempFolder folder;
    platform::CSettingsStore store(folder.Path() / "settings.conf");
    auto services = Services();
    services.settings = &store;
    shell::CMainFrame frame(std::move(services));
    ASSERT_TRUE(frame.OnCreate());
    ASSERT_TRUE(frame.CompleteStartUp());
    ASSERT_TRUE(frame.Workspace()->GetRecentList().empty());
    frame.UpdateModuleCmdUI(true);
    QAction* first = frame.Action(cmd::kRecentWorkspaces.first);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isEnabled());
    EXPECT_EQ(first->text(), "Recent Workspaces");
    EXPECT_FALSE(frame.Action(cmd::kRecentWorkspaces.first + 1)->isVisible());
    // The recent files likewise.
    QAction* firstFile = frame.Action(cmd::kRecentFiles.first);
    EXPECT_TRUE(firstFile->isVisible());
    EXPECT_FALSE(firstFile->isEnabled());
    EXPECT_EQ(firstFile->text(), "Recent File");
    EXPECT_FALSE(frame.Action(cmd::kRecentFiles.first + 1)->isVisible());
    ASSERT_TRUE(frame.Workspace()->SaveWorkspace("Harbour"));
    frame.UpdateModuleCmdUI(true);
    EXPECT_TRUE(first->isEnabled());
    EXPECT_EQ(first->text(), "&1 Harbour");
    frame.CloseWithoutConfirmation();
}

TEST_F(MainFrameTest, StartUpNoticesStayOnTheMessageBarUntilCleared)
{
    auto s = Services();
    s.startupNotices = {"The settings file was damaged and has been set aside as \"x.damaged-1\""};
    shell::CMainFrame frame(std::move(s));
    ASSERT_TRUE(frame.OnCreate());
    ASSERT_TRUE(frame.CompleteStartUp());
    App().processEvents();
    app::MsgHandle notice = nullptr;
    for (const auto& m : frame.MsgBar()->Messages())
        if (m->text.find("x.damaged-1") != std::string::npos)
            notice = m.get();
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->clearable);
    EXPECT_TRUE(frame.MsgBar()->IsMessageActive(notice));
    EXPECT_FALSE(frame.MsgBarWnd()->isHidden());
    frame.MsgBar()->ClearMessage(notice);
    EXPECT_FALSE(frame.MsgBar()->IsMessageActive(notice));
}

// A desktop whose mouse is set up for the left hand.
struct LeftHandedDesktop : app::CDesktop {
    int ScreenBitsPerPixel() const override { return 24; }
    int ScreenWidth() const override { return 1280; }
    int ScreenHeight() const override { return 1024; }
    bool HasStaticSystemColours() const override { return true; }
    bool IsPrinterInstalled() const override { return false; }
    bool IsMousePresent() const override { return true; }
    bool AreMouseButtonsSwapped() const override { return true; }
    bool HasWaveDevice() const override { return false; }
    bool PlaySoundFile(const std::filesystem::path&, bool) override { return false; }
    void StopSound() override { }
    void PumpMessages() override { }
};

TEST_F(MainFrameTest, LeftHandedMouseDocksTheSidePanelLeftWithoutAWorkspace)
{
    LeftHandedDesktop desktop;
    shell::CFrameServices services = Services();
    services.desktop = &desktop;
    shell::CMainFrame frame(std::move(services));
    ASSERT_TRUE(frame.OnCreate());
    EXPECT_FALSE(frame.ActiveSidePanel()->IsRightAligned());
    EXPECT_EQ(frame.dockWidgetArea(frame.ActiveSidePanel()), Qt::LeftDockWidgetArea);
}

// Every toolbar button shows a drawn picture (the theme's or our bundled
// one; never missing) and says what it does in its tooltip.
TEST_F(MainFrameTest, EveryToolbarButtonHasAPictureAndATooltip)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    int buttons = 0;
    for (const shell::ToolBarDef& def : shell::MainToolBars()) {
        for (const shell::ToolBarButton& b : def.buttons) {
            if (b.id == 0)
                continue;
            ++buttons;
            SCOPED_TRACE(b.tip);
            EXPECT_TRUE(QFile::exists(QString(":/icons/%1.svg").arg(b.icon))) << b.icon;
            QAction* a = frame.Action(b.id);
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(a->toolTip(), QString::fromLatin1(b.tip));
            const QImage face = a->icon().pixmap(20, 20).toImage();
            ASSERT_FALSE(face.isNull());
            int drawn = 0;
            for (int y = 0; y < face.height(); ++y)
                for (int x = 0; x < face.width(); ++x)
                    drawn += qAlpha(face.pixel(x, y)) > 0;
            EXPECT_GT(drawn, 40);
        }
    }
    EXPECT_GT(buttons, 50);
    // The logging switch says what pressing it does.
    ASSERT_NE(frame.Action(625), nullptr);
    EXPECT_EQ(frame.Action(625)->toolTip(), "Turn Logging ON or OFF");
}

TEST_F(MainFrameTest, CommandsPanelsAndBars)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    frame.UpdateModuleCmdUI(true);
    // Commands no module of this frame handles, then the frame's own.
    for (unsigned id : {cmd::kFileNew, cmd::kChartZoomIn, cmd::kNavPositionSource,
                        cmd::kChartpointNew, cmd::kRouteNew, cmd::kVesselOptions, cmd::kPaletteDay,
                        cmd::kArpaActivate, cmd::kEditRedo, cmd::kWindowCloseAll})
        EXPECT_FALSE(frame.Action(id)->isEnabled()) << id;
    for (unsigned id : {cmd::kAppExit, cmd::kViewStatusBar, cmd::kViewSidePanel,
                        cmd::kViewFullScreen, cmd::kAbout, cmd::kTechSupport, cmd::kToolsOptions})
        EXPECT_TRUE(frame.Action(id)->isEnabled()) << id;
    // Window commands follow the MDI children.
    frame.MdiArea()->addSubWindow(new QWidget)->show();
    frame.UpdateModuleCmdUI(true);
    EXPECT_TRUE(frame.Action(2238)->isEnabled());
    frame.Commands().Execute(cmd::kWindowCloseAll);
    App().processEvents();
    EXPECT_TRUE(frame.MdiArea()->subWindowList().isEmpty());

    // Full screen collapses an expanded message bar and expands it again; one the user collapsed
    // stays so.
    app::CMsgBar& bar = *frame.MsgBar();
    frame.FullScreen()->Enter();
    EXPECT_TRUE(bar.IsSwitchedOff());
    frame.FullScreen()->Exit();
    EXPECT_FALSE(bar.IsSwitchedOff());
    bar.SwitchOff();
    frame.Commands().Execute(cmd::kViewFullScreen);
    frame.Commands().Execute(cmd::kViewFullScreen);
    EXPECT_TRUE(bar.IsSwitchedOff());
    // Full screen puts the side panel away with the bars, keeps the message bar's window,
    // and offers its own command in a tool window until it ends.
    {
        app::CSidePanel* panel = frame.ActiveSidePanel();
        ASSERT_NE(panel, nullptr);
        panel->show();
        auto* msgWnd = frame.findChild<app::CMsgBarWnd*>();
        const bool msgShown = msgWnd && !msgWnd->isHidden();
        frame.Commands().Execute(cmd::kViewFullScreen);
        EXPECT_TRUE(panel->isHidden());
        EXPECT_EQ(msgWnd && !msgWnd->isHidden(), msgShown);
        QWidget* tools = frame.FullScreen()->ToolWindow();
        ASSERT_NE(tools, nullptr);
        EXPECT_EQ(tools->windowTitle(), "Hide/Show all control bars and panels");
        auto* button = tools->findChild<QToolButton*>();
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->defaultAction(), frame.Action(cmd::kViewFullScreen));
        button->click();
        EXPECT_FALSE(frame.FullScreen()->IsActive());
        EXPECT_FALSE(panel->isHidden());
        EXPECT_EQ(frame.FullScreen()->ToolWindow(), nullptr);
        // View > Side Panel in full screen: full screen ends first, then the panel toggles.
        frame.Commands().Execute(cmd::kViewFullScreen);
        frame.Commands().Execute(cmd::kViewSidePanel);
        EXPECT_FALSE(frame.FullScreen()->IsActive());
        EXPECT_TRUE(panel->isHidden());
        panel->show();
    }

    app::CSidePanel* first = frame.ActiveSidePanel();
    auto* second = new app::CSidePanel(&frame);
    auto* third = new app::CSidePanel(&frame);
    ASSERT_TRUE(second->Create(cmd::kPanelMonitor, &frame) &&
                third->Create(cmd::kPanelChartpoint, &frame));
    first->SetAlignment(false);   // docked left, shown
    frame.SetActiveSidePanel(second);
    EXPECT_TRUE(first->isHidden() && !second->isHidden() && !second->IsRightAligned());
    // From a hidden panel the next one stays hidden, on the same side.
    frame.Commands().Execute(cmd::kViewSidePanel);
    EXPECT_TRUE(second->isHidden());
    frame.SetActiveSidePanel(third);
    EXPECT_TRUE(third->isHidden());
    EXPECT_EQ(frame.dockWidgetArea(third), Qt::LeftDockWidgetArea);

    // One range and bearing bar at a time; the first opens over the chart windows' area, not
    // over the menu bar or a toolbar (its stored default place is there), then where it was.
    QToolBar* rangeBearing = frame.CreateRangeBearingBar();
    EXPECT_EQ(frame.CreateRangeBearingBar(), rangeBearing);
    const QRect barRect(rangeBearing->pos(), rangeBearing->size());
    auto globalRect = [](const QWidget* w) {
        return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    };
    ASSERT_NE(frame.menuWidget(), nullptr);
    EXPECT_FALSE(barRect.intersects(globalRect(frame.menuWidget())));
    for (const QToolBar* t : frame.findChildren<QToolBar*>(Qt::FindDirectChildrenOnly))
        if (t != rangeBearing && t->isVisible() && !t->isFloating())
            EXPECT_FALSE(barRect.intersects(globalRect(t))) << t->windowTitle().toStdString();
    EXPECT_TRUE(globalRect(frame.centralWidget()).contains(barRect.topLeft()));
    rangeBearing->move(300, 200);
    frame.CloseRangeBearingBar();
    EXPECT_EQ(frame.RangeBearingBar(), nullptr);
    frame.CloseRangeBearingBar();   // nothing left to close
    EXPECT_EQ(frame.CreateRangeBearingBar()->pos(), QPoint(300, 200));
}

// A right-button press alone (no release yet, as X11 opens menus) on the
// side panel, a dock's title, the status bar or a toolbar opens the frame's
// bar menu, never the toolkit's own.
// Shift+F6 takes the keyboard to the active side panel, and from there to the
// active chart window, with the pointer at its centre.
TEST_F(MainFrameTest, ShiftF6GoesToThePanelAndBackToTheChartsCentre)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    frame.resize(1000, 700);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    auto* view = new QLineEdit;
    QMdiSubWindow* chart = frame.MdiArea()->addSubWindow(view);
    chart->show();
    frame.MdiArea()->setActiveSubWindow(chart);
    view->setFocus();
    app::CSidePanel* panel = frame.ActiveSidePanel();
    ASSERT_NE(panel, nullptr);
    ASSERT_FALSE(panel->isHidden());

    QTest::keyClick(&frame, Qt::Key_F6, Qt::ShiftModifier);
    QWidget* focused = QApplication::focusWidget();
    EXPECT_TRUE(focused && panel->isAncestorOf(focused))
        << (focused ? focused->metaObject()->className() : "no focus");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), view);
    EXPECT_EQ(QCursor::pos(), view->mapToGlobal(view->rect().center()));
}

TEST_F(MainFrameTest, RightPressOnPanelBarsOrToolbarsOpensTheBarMenu)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    App().processEvents();
    const QStringList expected = {
        "Standard",    "Display",        "Chart",         "Voyage",     "Chartpoint database",
        "ARPA",        "Route database", "Tender Target", "Side Panel", "Status Bar",
        "Customise..."};
    QWidget* panel = frame.ActiveSidePanel();
    const struct {
        QWidget* widget;
        QPoint at;
    } places[] = {
        {panel, QPoint(panel->width() / 2, panel->height() / 2)},
        {panel, QPoint(panel->width() / 2, 5)},   // the title
        {frame.StatusBar(), QPoint(5, 5)},
        {frame.ToolBar(cmd::kBarChart), QPoint(2, 2)},
    };
    for (const auto& place : places) {
        SCOPED_TRACE(place.widget->objectName().toStdString());
        QStringList seen;
        QString name;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            name = menu->objectName();
            for (QAction* a : menu->actions())
                if (!a->isSeparator())
                    seen << a->text();
            menu->close();
        });
        // Through the window, as the window system delivers it.
        const QPoint at = place.widget->mapTo(&frame, place.at);
        QTest::mousePress(frame.windowHandle(), Qt::RightButton, {}, at);
        App().processEvents();
        EXPECT_EQ(name, "BarMenu");
        EXPECT_EQ(seen.join('|').toStdString(), expected.join('|').toStdString());
        QTest::mouseRelease(frame.windowHandle(), Qt::RightButton, {}, at);
    }
}

TEST_F(MainFrameTest, WindowMenuListsTheOpenWindowsWithCurrentTitles)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    app::CDocumentEx doc;
    QMdiSubWindow* log = frame.MdiArea()->addSubWindow(new QWidget);
    QObject::connect(&doc, &app::CDocumentEx::titleChanged, log, &QWidget::setWindowTitle);
    EXPECT_TRUE(doc.SetTitle("Log"));
    EXPECT_FALSE(doc.SetTitle("Log"));   // the same title again changes nothing
    log->show();
    frame.MdiArea()->addSubWindow(new QWidget)->setWindowTitle("Route database");
    frame.MdiArea()->subWindowList().back()->show();
    frame.MdiArea()->setActiveSubWindow(log);
    doc.SetTitle("Voyage log");
    QMenu* window = frame.menuBar()->findChild<QMenu*>("Menu73");
    ASSERT_NE(window, nullptr);
    emit window->aboutToShow();
    emit window->aboutToShow();   // rebuilt, not appended twice
    QStringList entries;
    for (QAction* a : window->actions())
        if (a->property("windowEntry").toBool() && !a->isSeparator())
            entries << a->text() + (a->isChecked() ? " *" : "");
    EXPECT_EQ(entries, (QStringList{"&1 Voyage log *", "&2 Route database"}));
}

// The frame's three messages wait inactive on the bar from creation, by priority; the
// navigator's best-chart check shows the larger-scale one only when its first two answers hold
// and its third does not.
TEST_F(MainFrameTest, FrameMessagesAndTheLargerScaleSwitch)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    std::map<std::string, std::pair<int, int>> seen;   // text: priority, active count
    for (const auto& m : frame.MsgBar()->Messages())
        seen[m->text] = {m->priority, m->activeCount};
    EXPECT_EQ(seen["Warning, memory low"], std::pair(65535, 0));
    EXPECT_EQ(seen["Warning, disk space low"], std::pair(65534, 0));
    EXPECT_EQ(seen["Larger scale RNC available for vessel position"], std::pair(21000, 0));
    for (int bits = 0; bits < 8; ++bits) {
        const bool a = bits & 1, b = bits & 2, c = bits & 4;
        frame.UpdateLargerScaleMessage(a, b, c);
        EXPECT_EQ(frame.MsgBar()->IsMessageActive(frame.LargerScaleMessage()), a && b && !c)
            << a << b << c;
    }
}

TEST_F(MainFrameTest, TimerPassSwitchesResourceWarningsOnlyAfterStartUp)
{
    disclaimerAnswer = false;
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    frame.SetResourceFlags(false, true);
    EXPECT_FALSE(frame.CompleteStartUp());   // a declined disclaimer leaves the timer still
    EXPECT_TRUE(frame.IsTimerSuspended());
    frame.OnTimer();
    EXPECT_FALSE(frame.MsgBar()->IsMessageActive(frame.DiskLowMessage()));
    disclaimerAnswer = true;
    ASSERT_TRUE(frame.CompleteStartUp());
    frame.OnTimer();
    EXPECT_TRUE(frame.MsgBar()->IsMessageActive(frame.DiskLowMessage()));
    EXPECT_FALSE(frame.MsgBar()->IsMessageActive(frame.MemoryLowMessage()));
    EXPECT_FALSE(frame.MsgBarWnd()->isHidden());
    // The flags are looked at every 10 s, not every pass.
    frame.SetResourceFlags(false, false);
    for (auto [step, active] : {std::pair{9500ms, true}, {500ms, false}}) {
        clock.Advance(step);
        frame.OnTimer();
        EXPECT_EQ(frame.MsgBar()->IsMessageActive(frame.DiskLowMessage()), active);
    }
    EXPECT_TRUE(frame.MsgBarWnd()->isHidden());
}

TEST_F(MainFrameTest, FailedCreationShowsOneMessageAndReleasesOnlyWhatExists)
{
    brine_test::TempFolder empty;
    // Without "Datums.txt" creation stops before the modules. When the second module fails the
    // third is never made and the first is terminated before it is deleted.
    const struct {
        std::filesystem::path folder;
        std::vector<bool> modulesOk;
        std::vector<std::string> log;
    } rows[] = {
        {empty.Path(), {true}, {}},
        {ProgramFolder(),
         {true, false, true},
         {"create m0", "init m0", "create m1", "init m1", "delete m1", "terminate m0",
          "delete m0"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.folder);
        prompt.Expect(PromptAnswer::Ok, "Failed to Initialise main system");
        log.clear();
        {
            auto s = Services(r.folder);
            for (std::size_t i = 0; i < r.modulesOk.size(); ++i)
                s.moduleFactories.push_back(Module("m" + std::to_string(i), r.modulesOk[i]));
            shell::CMainFrame frame(std::move(s));
            EXPECT_FALSE(frame.OnCreate());
            frame.TearDown();
            frame.TearDown();   // a second tear-down finds nothing left
        }
        EXPECT_TRUE(prompt.Done());
        EXPECT_EQ(log, r.log);
        EXPECT_EQ(timerIds.AllocateID(), 1);   // the frame's timer id came back
        timerIds.ReleaseID(1);
        EXPECT_EQ(geo::CDatumInfo::RowCount(), 0u);
    }
}

TEST_F(MainFrameTest, CloseAsksFirstAndTearsDownInReverseOrder)
{
    auto s = Services();
    s.moduleFactories = {Module("charting"), Module("chartpoint"), Module("route")};
    shell::CMainFrame frame(std::move(s));
    ASSERT_TRUE(frame.OnCreate());
    ASSERT_TRUE(frame.CompleteStartUp());
    log.clear();
    prompt.Expect(PromptAnswer::No, "Are you sure you want to exit?");
    EXPECT_FALSE(frame.close());
    EXPECT_TRUE(frame.isVisible() && !frame.IsTimerSuspended() && log.empty());
    prompt.Expect(PromptAnswer::Yes, "Are you sure you want to exit?");
    EXPECT_TRUE(frame.close());
    EXPECT_TRUE(prompt.Done());
    EXPECT_EQ(log, (std::vector<std::string>{"terminate route", "delete route",
                                             "terminate chartpoint", "delete chartpoint",
                                             "terminate charting", "delete charting"}));
    EXPECT_EQ(frame.MsgBar(), nullptr);
}

// A module the frame has never heard of: everything it adds comes through
// the module hooks.
struct TideModule : app::CModule, app::CModuleUi {
    static constexpr unsigned kPanelId = 4242;
    static constexpr unsigned kMsgTideTurned = app::kMsgModuleFirst + 7;
    explicit TideModule(app::CSettingsHome& home) : app::CModule(home) { }
    app::CModuleUi* Ui() override { return this; }
    bool CreateSidePanels(app::CModuleHost& h, std::vector<app::CSidePanel*>& panels) override
    {
        host = &h;
        panel = new app::CSidePanel(&h.Window());
        panel->setWindowTitle("Tides");
        panels.push_back(panel);
        return panel->Create(kPanelId, &h.Window());
    }
    std::vector<app::COptionPageFactory> OptionPages() override
    {
        struct TidesPage : app::COptionPageModel {
            std::string Title() const override { return "Tides"; }
            std::vector<app::CFieldError> Validate() const override { return {}; }
            void Apply() override { }
        };
        return {{"Tides", [](QWidget* parent) {
                     return new app::CXPropertyPage(std::make_unique<TidesPage>(), parent);
                 }}};
    }
    void RegisterCommands(app::CCommandTable& commands) override
    {
        commands.Add(this, cmd::kTidalAtlas, [this](unsigned) {
            ++atlasShown;
            host->PostedMessages().Post(kMsgTideTurned, 3);
        });
    }
    PromptAnswer QueryClose(platform::CPrompt& prompt) override
    {
        return prompt.Ask("Save the tide log?", "Brinevane", platform::PromptIcon::Question,
                          platform::PromptButtons::YesNoCancel);
    }
    void OnPostedMessage(const app::CPostedMessage& m) override
    {
        if (m.id == kMsgTideTurned)
            turned.push_back(m.wParam);
    }
    void OnTimer(app::TimerCadence c) override { ++ticks[static_cast<int>(c)]; }
    void ShutDown() override { shutDown = true; }

    app::CModuleHost* host = nullptr;
    app::CSidePanel* panel = nullptr;
    int atlasShown = 0;
    std::vector<std::uint64_t> turned;
    int ticks[3] = {};
    bool shutDown = false;
};

TEST_F(MainFrameTest, AModuleJoinsThroughItsHooksAlone)
{
    TideModule* tide = nullptr;
    auto s = Services();
    s.moduleFactories = {[&] {
        auto m = std::make_unique<TideModule>(home);
        tide = m.get();
        return m;
    }};
    shell::CMainFrame frame(std::move(s));
    ASSERT_TRUE(frame.OnCreate());
    ASSERT_TRUE(frame.CompleteStartUp());

    // Its panel is the frame's only one (no stand-in), active and docked.
    EXPECT_EQ(frame.SidePanels(), std::vector<app::CSidePanel*>{tide->panel});
    EXPECT_EQ(frame.ActiveSidePanel(), tide->panel);
    EXPECT_EQ(tide->panel->BarId(), TideModule::kPanelId);
    ASSERT_EQ(frame.OptionPages().size(), 1u);
    EXPECT_EQ(frame.OptionPages()[0].title, "Tides");

    // Its command is live in the menu; the handler posts a message that
    // comes back to the module on the frame's thread.
    frame.UpdateModuleCmdUI(true);
    ASSERT_TRUE(frame.Action(cmd::kTidalAtlas)->isEnabled());
    frame.Action(cmd::kTidalAtlas)->trigger();
    std::thread([&] { frame.PostedMessages().Post(TideModule::kMsgTideTurned, 4); }).join();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(tide->atlasShown, 1);
    EXPECT_EQ(tide->turned, (std::vector<std::uint64_t>{3, 4}));

    // Its share of the timer pass: every pass, each second, each ten seconds.
    frame.OnTimer();
    for (int i = 0; i < 4; ++i) {
        clock.Advance(500ms);
        frame.OnTimer();
    }
    EXPECT_EQ(std::vector<int>(std::begin(tide->ticks), std::end(tide->ticks)),
              (std::vector<int>{5, 3, 1}));

    // Its question at close: Cancel keeps the program, any other answer lets it close.
    prompt.Expect(PromptAnswer::Yes, "Are you sure you want to exit?");
    prompt.Expect(PromptAnswer::Cancel, "Save the tide log?");
    EXPECT_FALSE(frame.close());
    EXPECT_FALSE(tide->shutDown);
    prompt.Expect(PromptAnswer::Yes, "Are you sure you want to exit?");
    prompt.Expect(PromptAnswer::No, "Save the tide log?");
    EXPECT_TRUE(frame.close());
    EXPECT_TRUE(prompt.Done());
    // Terminated with its commands gone from the table.
    EXPECT_FALSE(frame.Commands().HasHandler(cmd::kTidalAtlas));
}

// A document that counts how often it is really closed.
struct CountingDoc : app::CDocumentEx {
    int* closes;
    explicit CountingDoc(int* count) : closes(count) { }
    void OnCloseDocument() override
    {
        ++*closes;
        app::CDocumentEx::OnCloseDocument();
    }
};

TEST_F(MainFrameTest, PostedMessagesCloseTheNamedChartOnceAndListSheets)
{
    shell::CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    int closesA = 0, others = 0;
    auto* a = new CountingDoc(&closesA);
    CountingDoc b(&others), stranger(&others);   // b stays open; the frame was never given stranger
    frame.AddDocument(a);
    frame.AddDocument(&b);
    QPointer<app::CDocument> watchA = a;
    const std::uint64_t ids[] = {a->DocumentId(), a->DocumentId(), a->DocumentId() + 1000,
                                 stranger.DocumentId()};
    // Posted from a worker: the frame wakes up and handles them on its own thread.
    std::thread([&] {
        for (std::uint64_t id : ids)
            frame.PostedMessages().Post(app::kMsgChartWindowClosed, id);
    }).join();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closesA == 1 && watchA.isNull() && others == 0) << closesA << " " << others;

    // Modeless sheets are listed once each and leave when destroyed.
    auto* one = new QWidget(&frame);
    auto* two = new QWidget(&frame);
    auto* gone = new QWidget(&frame);
    const auto post = [&](QWidget* sheet, bool add) {
        frame.PostedMessages().Post(app::kMsgModelessSheet, add ? 1 : 0,
                                    std::int64_t(app::CObjectIds::Of(sheet)));
    };
    for (QWidget* sheet : {one, two, one, gone})
        post(sheet, true);
    delete gone;   // destroyed before its message arrives
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(frame.ModelessSheets(), (std::vector<QWidget*>{one, two}));
    post(one, false);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(frame.ModelessSheets(), (std::vector<QWidget*>{two}));
    delete two;   // without saying so
    EXPECT_TRUE(frame.ModelessSheets().empty());
    frame.TearDown();   // nothing is taken after tear-down
    EXPECT_FALSE(frame.PostedMessages().Post(app::kMsgChartWindowClosed, b.DocumentId()));
}

TEST_F(MainFrameTest, SavedWorkspaceReopensUnlessTheCommandLineOrTheSettingSaysNo)
{
    brine_test::TempFolder folder;
    const auto file = folder.Path() / "settings.conf";
    const auto services = [&](platform::CSettingsStore& store, std::vector<std::string> words) {
        auto s = Services();
        s.settings = &store;
        s.commandLine = std::move(words);
        return s;
    };
    {
        platform::CSettingsStore store(file);
        shell::CMainFrame frame(services(store, {}));
        ASSERT_TRUE(frame.OnCreate());
        frame.ToolBar(cmd::kBarArpa)->hide();
        frame.StatusBar()->hide();
        frame.SetConfirmClosedown(false);
        ASSERT_TRUE(frame.Workspace()->SaveWorkspace("Bridge"));
        frame.CloseWithoutConfirmation();
    }
    // Reopened: the toolbar and status bar hidden and the frame's setting as saved, or all as at
    // first.
    const auto reopen = [&](std::vector<std::string> words) {
        platform::CSettingsStore store(file);
        EXPECT_EQ(store.Load(), platform::LoadStatus::Ok);
        shell::CMainFrame frame(services(store, std::move(words)));
        EXPECT_TRUE(frame.OnCreate());
        const auto seen = std::tuple(frame.ToolBar(cmd::kBarArpa)->isHidden(),
                                     frame.StatusBar()->isHidden(), frame.ConfirmClosedown());
        frame.TearDown();
        return seen;
    };
    EXPECT_EQ(reopen({}), std::tuple(true, true, false));
    EXPECT_EQ(reopen({"noworkspace"}), std::tuple(false, false, true));
    {
        // The close stored ReloadWorkspace; switched off, the saved workspace is not reopened.
        platform::CSettingsStore store(file);
        ASSERT_EQ(store.Load(), platform::LoadStatus::Ok);
        app::CRegistry registry(store);
        ASSERT_TRUE(registry.OpenKeyForWrite(app::CWorkspaceManager::DefaultRoot()));
        bool reload = false;
        EXPECT_TRUE(registry.ReadBool("ReloadWorkspace", reload) && reload);
        registry.WriteBool("ReloadWorkspace", false);
        registry.Close();
        store.Save();
    }
    EXPECT_EQ(reopen({}), std::tuple(false, false, true));
}

// A workspace saved under the unnamed workspace's own name ("Default") is still a workspace: a
// start told "noworkspace" keeps the frame's defaults rather than that workspace's values.
TEST_F(MainFrameTest, NoWorkspaceKeepsTheFrameDefaultsThoughTheDefaultWorkspaceIsSaved)
{
    brine_test::TempFolder folder;
    const auto file = folder.Path() / "settings.conf";
    const auto start = [&](platform::CSettingsStore& store, std::vector<std::string> words) {
        auto s = Services();
        s.settings = &store;
        s.commandLine = std::move(words);
        return std::make_unique<shell::CMainFrame>(std::move(s));
    };
    {
        platform::CSettingsStore store(file);
        const auto frame = start(store, {});
        ASSERT_TRUE(frame->OnCreate());
        frame->SetConfirmClosedown(false);
        ASSERT_TRUE(frame->Workspace()->SaveWorkspace("Default"));
        app::CRegistry registry(store);
        ASSERT_TRUE(registry.OpenKeyForWrite(frame->Workspace()->GetRegistryKey()));
        registry.WriteDWord("DecimalPlaces", 4);
        registry.Close();
        ASSERT_TRUE(store.Save());
        frame->TearDown();
    }
    const auto seen = [&](std::vector<std::string> words) {
        platform::CSettingsStore store(file);
        EXPECT_EQ(store.Load(), platform::LoadStatus::Ok);
        const auto frame = start(store, std::move(words));
        EXPECT_TRUE(frame->OnCreate());
        const auto values =
            std::tuple(frame->ConfirmClosedown(), frame->DecimalPlaces(), frame->AudioAlerts());
        frame->TearDown();
        return values;
    };
    // No desktop is given here: no sound output, so audio alerts are off either way.
    EXPECT_EQ(seen({}), std::tuple(false, 4, false));
    EXPECT_EQ(seen({"noworkspace"}), std::tuple(true, 2, false));
}

// The modules read settings only when a workspace opens. Values under the unnamed workspace's
// key ("Default") reach them when "Default" is a saved workspace the start reopens; a start that
// reopens none (none saved, "noworkspace", ReloadWorkspace off, a last workspace no longer listed)
// leaves their own values, so no workspace's charts, databases or log open either.
TEST_F(MainFrameTest, OnlyAReopenedWorkspaceGivesTheModulesTheirSettings)
{
    struct Home : app::CSettingsHome {
        platform::CSettingsStore* store = nullptr;
        platform::CSettingsStore& GetStore() const override { return *store; }
        std::string GetRegistryKey() const override
        {
            return "Software\\Quorwick\\Brinevane\\Default";
        }
    };
    struct Reading : app::CModule {
        Reading(app::CSettingsHome& home, std::string& seen) : app::CModule(home), seen(seen)
        {
            SetModuleName("Probe");
        }
        void LoadSettings() override
        {
            app::CRegistry registry(Settings().GetStore());
            if (OpenSettings(registry, false))
                registry.ReadString("Value", seen);
        }
        std::string& seen;
    };
    brine_test::TempFolder folder;
    const auto file = folder.Path() / "settings.conf";
    const std::string root = app::CWorkspaceManager::DefaultRoot();
    {
        // What a start without a workspace finds: the value under the unnamed workspace's key.
        platform::CSettingsStore store(file);
        store.SetString(root + "\\Default\\Probe", "Value", "stored");
        ASSERT_TRUE(store.Save());
    }
    Home probeHome;
    const auto seenAtStart = [&](std::vector<std::string> words) {
        platform::CSettingsStore store(file);
        EXPECT_EQ(store.Load(), platform::LoadStatus::Ok);
        probeHome.store = &store;
        std::string seen = "own";
        auto s = Services();
        s.settings = &store;
        s.commandLine = std::move(words);
        s.moduleFactories = {[&] { return std::make_unique<Reading>(probeHome, seen); }};
        const auto frame = std::make_unique<shell::CMainFrame>(std::move(s));
        EXPECT_TRUE(frame->OnCreate());
        const std::string atStart = seen;
        frame->TearDown();
        return atStart;
    };
    const auto edit = [&](const std::function<void(platform::CSettingsStore&)>& change) {
        platform::CSettingsStore store(file);
        ASSERT_EQ(store.Load(), platform::LoadStatus::Ok);
        change(store);
        ASSERT_TRUE(store.Save());
    };
    EXPECT_EQ(seenAtStart({}), "own") << "no workspace saved";
    EXPECT_EQ(seenAtStart({"noworkspace"}), "own") << "no workspace saved";
    // "Default" saved as a workspace, as Workspace > Save As leaves it: listed and current.
    edit([&](platform::CSettingsStore& store) {
        store.SetString(root, "Workspace1", "Default");
        store.SetString(root, "CurrentWorkspace", "Default");
    });
    EXPECT_EQ(seenAtStart({}), "stored");
    EXPECT_EQ(seenAtStart({"noworkspace"}), "own");
    edit([&](platform::CSettingsStore& store) {
        store.SetString(root, "ReloadWorkspace", "False");
    });
    EXPECT_EQ(seenAtStart({}), "own") << "ReloadWorkspace off";
    edit([&](platform::CSettingsStore& store) {
        store.SetString(root, "ReloadWorkspace", "True");
        store.SetString(root, "CurrentWorkspace", "Bridge");
    });
    EXPECT_EQ(seenAtStart({}), "own") << "the last workspace is not listed: its open fails";
}

// A workspace saved by an earlier version keeps its toolbars' buttons; a button of the old
// hide-all-bars command (2183) comes back as today's (43107, hide or show all bars and
// panels) at the same place, whether the workspace opens at start-up or later.
TEST_F(MainFrameTest, AnOldWorkspacesHideAllBarsButtonBecomesTodaysInItsPlace)
{
    brine_test::TempFolder folder;
    const auto file = folder.Path() / "settings.conf";
    const auto start = [&](platform::CSettingsStore& store) {
        auto s = Services();
        s.settings = &store;
        return std::make_unique<shell::CMainFrame>(std::move(s));
    };
    const auto voyageButtons = [](shell::CMainFrame& frame) {
        std::vector<unsigned> ids;
        for (QAction* a : frame.ToolBar(cmd::kBarVoyage)->actions())
            ids.push_back(a->isSeparator() ? 0 : a->data().toUInt());
        return ids;
    };
    const std::vector<unsigned> expected = {2156, 2159, 0, cmd::kViewFullScreen, 619};
    {
        platform::CSettingsStore store(file);
        const auto frame = start(store);
        ASSERT_TRUE(frame->OnCreate());
        ASSERT_TRUE(frame->Workspace()->SaveWorkspace("Old"));
        app::CRegistry registry(store);
        ASSERT_TRUE(registry.OpenKeyForWrite(frame->Workspace()->GetRegistryKey() +
                                             "\\WorkSpace\\ToolBars"));
        registry.WriteString("Bar" + std::to_string(cmd::kBarVoyage), "2156,2159,0,2183,619");
        registry.Close();
        ASSERT_TRUE(store.Save());
        ASSERT_TRUE(frame->Workspace()->OpenWorkspace("Old"));
        EXPECT_EQ(voyageButtons(*frame), expected);
        frame->TearDown();
    }
    platform::CSettingsStore store(file);
    ASSERT_EQ(store.Load(), platform::LoadStatus::Ok);
    const auto frame = start(store);
    ASSERT_TRUE(frame->OnCreate());
    EXPECT_EQ(voyageButtons(*frame), expected);
    frame->TearDown();
}

}   // namespace

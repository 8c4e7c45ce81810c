#include "shell/MainFrame.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QToolBar>
#include <QLineEdit>
#include <QRegularExpression>
#include <thread>
#include <gtest/gtest.h>

#include "app/Registry.h"
#include "app/Timer.h"
#include "app/WorkspaceManager.h"
#include "app/ui/DocumentEx.h"
#include "app/ui/ObjectIds.h"
#include "app/ui/FullScreenMode.h"
#include "app/ui/MsgBarWnd.h"
#include "app/ui/SidePanel.h"
#include "app/ui/XStatusBar.h"
#include "geo/DatumInfo.h"
#include "FakeClock.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "platform/SettingsStore.h"

using platform::PromptAnswer;
using namespace std::chrono_literals;

namespace {

int g_argc = 1;
char g_arg0[] = "shell_MainFrameTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    // Never destroyed: Qt's own statics may go first at exit.
    static auto* app = new QApplication(g_argc, g_argv);
    return *app;
}

struct SilentSound : app::CAlertSound {
    bool Play(const std::filesystem::path&) override { return false; }
    void Beep() override {}
};

class NoSettings : public CSettingsHome {
public:
    NoSettings() : m_store(std::filesystem::temp_directory_path() / "brine-shell-test-unused.conf") {}
    platform::CSettingsStore& GetStore() const override { return m_store; }
    std::string GetRegistryKey() const override { return "Software\\Quorwick\\Brinevane\\Default"; }

private:
    mutable platform::CSettingsStore m_store;
};

// A module that records its life in a shared log.
class LoggingModule : public CModule {
public:
    LoggingModule(CSettingsHome& home, std::string name, bool initOk, std::vector<std::string>& log)
        : CModule(home), m_name(std::move(name)), m_initOk(initOk), m_log(log)
    {
        m_log.push_back("create " + m_name);
    }
    ~LoggingModule() override { m_log.push_back("delete " + m_name); }
    bool Initialise() override
    {
        m_log.push_back("init " + m_name);
        return m_initOk;
    }
    bool Terminate() override
    {
        m_log.push_back("terminate " + m_name);
        return true;
    }

private:
    std::string m_name;
    bool m_initOk;
    std::vector<std::string>& m_log;
};

std::filesystem::path BinDir()
{
    const char* dir = std::getenv("BRINE_BIN_DIR");
    return dir ? dir : std::filesystem::current_path();
}

struct MainFrameTest : ::testing::Test {
    brine_test::FakeClock clock;
    brine_test::ScriptedPrompt prompt;
    SilentSound sound;
    CTimer timerIds;
    NoSettings home;
    std::vector<std::string> log;
    bool disclaimerAnswer = true;
    int disclaimerShown = 0;

    CFrameServices Services(std::filesystem::path folder = BinDir())
    {
        App();
        CFrameServices s;
        s.timerIds = &timerIds;
        s.prompt = &prompt;
        s.clock = &clock;
        s.sound = &sound;
        s.programFolder = std::move(folder);
        s.audioFolder = s.programFolder / "System" / "Audio";
        s.showDisclaimer = [this](QWidget*) {
            ++disclaimerShown;
            return disclaimerAnswer;
        };
        return s;
    }
    std::function<std::unique_ptr<CModule>()> Module(std::string name, bool ok = true)
    {
        return [this, name, ok] { return std::make_unique<LoggingModule>(home, name, ok, log); };
    }
};

TEST_F(MainFrameTest, CreatesMenusToolbarsBarsAndPanel)
{
    CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    ASSERT_TRUE(frame.CompleteStartUp());
    EXPECT_EQ(disclaimerShown, 1);
    QStringList titles;
    for (QAction* a : frame.menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&View", "&Chart", "&Navigator", "&Target", "Ch&artpoint",
                                   "&Route", "V&essel", "T&ools", "&Window", "&Help"}));
    for (unsigned id : {59392u, 59397u, 59398u, 59399u, 59400u, 59401u, 59402u, 59404u})
        EXPECT_NE(frame.ToolBar(id), nullptr) << id;
    EXPECT_GT(geo::CDatumInfo::RowCount(), 0u);
    EXPECT_TRUE(frame.StatusBar()->PaneText(CXStatusBar::ClockPane).contains(QRegularExpression(
        R"(^ \d\d-\d\d-\d{4} \d\d:\d\d:\d\d $)")));
    ASSERT_NE(frame.ActiveSidePanel(), nullptr);
    EXPECT_FALSE(frame.ActiveSidePanel()->isHidden());
    EXPECT_TRUE(frame.MsgBarWnd()->isHidden());   // nothing to say yet
}

TEST_F(MainFrameTest, CommandsWithoutAnOwnerStayDisabled)
{
    CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    frame.UpdateModuleCmdUI(true);
    // Commands of modules that are not part of the program yet.
    for (unsigned id : {57600u, 607u, 2043u, 2217u, 2223u, 2202u, 2185u, 628u, 2248u, 57644u, 2254u})
        EXPECT_FALSE(frame.Action(id)->isEnabled()) << id;
    for (unsigned id : {57665u, 59393u, 32791u, 43107u, 2124u, 32881u})
        EXPECT_TRUE(frame.Action(id)->isEnabled()) << id;
    // Window commands follow the MDI children.
    EXPECT_FALSE(frame.Action(2238)->isEnabled());
    frame.MdiArea()->addSubWindow(new QWidget)->show();
    frame.UpdateModuleCmdUI(true);
    EXPECT_TRUE(frame.Action(2238)->isEnabled());
    frame.Commands().Execute(2238);
    App().processEvents();
    EXPECT_TRUE(frame.MdiArea()->subWindowList().isEmpty());
    // The About box exists at most once.
    frame.Commands().Execute(2124);
    frame.UpdateModuleCmdUI(true);
    EXPECT_FALSE(frame.Action(2124)->isEnabled());
}

TEST_F(MainFrameTest, BarCommandsToggleBarsAndFullScreenCollapsesTheMessageBar)
{
    CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    for (auto [id, bar] : {std::pair<unsigned, QWidget*>{59402, frame.ToolBar(59402)}, {59393, frame.StatusBar()}}) {
        frame.Commands().Execute(id);
        EXPECT_TRUE(bar->isHidden()) << id;
        frame.Commands().Execute(id);
        EXPECT_FALSE(bar->isHidden()) << id;
    }
    frame.Commands().Execute(32791);
    EXPECT_TRUE(frame.ActiveSidePanel()->isHidden());

    // Entering with the bar expanded and leaving expands it again; a bar the
    // user collapsed stays collapsed.
    app::CMsgBar& bar = *frame.MsgBar();
    frame.FullScreen()->Enter();
    EXPECT_TRUE(bar.IsSwitchedOff());
    frame.FullScreen()->Exit();
    EXPECT_FALSE(bar.IsSwitchedOff());
    bar.SwitchOff();
    frame.Commands().Execute(43107);
    frame.Commands().Execute(43107);
    EXPECT_TRUE(bar.IsSwitchedOff());
}

TEST_F(MainFrameTest, SwitchingPanelsKeepsSideAndVisibility)
{
    CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    CSidePanel* first = frame.ActiveSidePanel();
    auto* second = new CSidePanel(&frame);
    ASSERT_TRUE(second->Create(2012, &frame));
    auto* third = new CSidePanel(&frame);
    ASSERT_TRUE(third->Create(2001, &frame));

    first->SetAlignment(false);   // docked left, shown
    frame.SetActiveSidePanel(second);
    EXPECT_TRUE(first->isHidden());
    EXPECT_FALSE(second->isHidden());
    EXPECT_FALSE(second->IsRightAligned());
    EXPECT_EQ(frame.dockWidgetArea(second), Qt::LeftDockWidgetArea);

    // From a hidden panel the next one stays hidden, on the same side.
    frame.Commands().Execute(32791);
    EXPECT_TRUE(second->isHidden());
    frame.SetActiveSidePanel(third);
    EXPECT_TRUE(third->isHidden());
    EXPECT_EQ(frame.dockWidgetArea(third), Qt::LeftDockWidgetArea);
    EXPECT_EQ(frame.ActiveSidePanel(), third);
}

TEST_F(MainFrameTest, RangeBearingBarExistsOnceAndRemembersItsPlace)
{
    CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    QToolBar* bar = frame.CreateRangeBearingBar();
    EXPECT_EQ(frame.CreateRangeBearingBar(), bar);
    EXPECT_EQ(bar->windowTitle(), "Range & Bearing");
    EXPECT_EQ(frame.ToolBar(59403), nullptr);   // not one of the frame's toolbars
    bar->move(300, 200);
    frame.CloseRangeBearingBar();
    EXPECT_EQ(frame.RangeBearingBar(), nullptr);
    EXPECT_EQ(frame.RangeBearingBarPosition(), QPoint(300, 200));
    frame.CloseRangeBearingBar();   // nothing left to close
    EXPECT_EQ(frame.CreateRangeBearingBar()->pos(), QPoint(300, 200));
}

TEST_F(MainFrameTest, WindowMenuListsTheOpenWindowsWithCurrentTitles)
{
    CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    CDocumentEx doc;
    QMdiSubWindow* log = frame.MdiArea()->addSubWindow(new QWidget);
    QObject::connect(&doc, &CDocumentEx::titleChanged, log, &QWidget::setWindowTitle);
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
    for (QAction* a : window->actions()) {
        if (a->property("windowEntry").toBool() && !a->isSeparator())
            entries << a->text() + (a->isChecked() ? " *" : "");
    }
    EXPECT_EQ(entries, (QStringList{"&1 Voyage log *", "&2 Route database"}));
}

TEST_F(MainFrameTest, TimerPassSwitchesResourceWarningsOnlyAfterStartUp)
{
    disclaimerAnswer = false;
    CMainFrame frame(Services());
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
    clock.Advance(9500ms);
    frame.OnTimer();
    EXPECT_TRUE(frame.MsgBar()->IsMessageActive(frame.DiskLowMessage()));
    clock.Advance(500ms);
    frame.OnTimer();
    EXPECT_FALSE(frame.MsgBar()->IsMessageActive(frame.DiskLowMessage()));
    EXPECT_TRUE(frame.MsgBarWnd()->isHidden());
}

TEST_F(MainFrameTest, FailedCreationShowsOneMessageAndReleasesOnlyWhatExists)
{
    brine_test::TempFolder empty;
    struct Row {
        const char* name;
        std::filesystem::path folder;
        std::vector<bool> modulesOk;
        std::vector<std::string> log;
    } rows[] = {
        // Without "Datums.txt" creation stops before the modules.
        {"no datum table", empty.Path(), {true}, {}},
        // The second module fails: the third is never made, the first is
        // terminated before it is deleted.
        {"module fails", BinDir(), {true, false, true},
         {"create m0", "init m0", "create m1", "init m1", "delete m1", "terminate m0", "delete m0"}},
    };
    for (const Row& r : rows) {
        prompt.Expect(PromptAnswer::Ok, "Failed to Initialise main system");
        log.clear();
        {
            auto s = Services(r.folder);
            for (std::size_t i = 0; i < r.modulesOk.size(); ++i)
                s.moduleFactories.push_back(Module("m" + std::to_string(i), r.modulesOk[i]));
            CMainFrame frame(std::move(s));
            EXPECT_FALSE(frame.OnCreate()) << r.name;
            frame.TearDown();
            frame.TearDown();   // a second tear-down finds nothing left
        }
        EXPECT_TRUE(prompt.Done()) << r.name;
        EXPECT_EQ(log, r.log) << r.name;
        EXPECT_EQ(timerIds.AllocateID(), 1) << r.name;   // the frame's timer id came back
        timerIds.ReleaseID(1);
        EXPECT_EQ(geo::CDatumInfo::RowCount(), 0u) << r.name;
    }
}

TEST_F(MainFrameTest, CloseAsksFirstAndTearsDownInReverseOrder)
{
    auto s = Services();
    s.moduleFactories = {Module("charting"), Module("chartpoint"), Module("route")};
    CMainFrame frame(std::move(s));
    ASSERT_TRUE(frame.OnCreate());
    ASSERT_TRUE(frame.CompleteStartUp());
    log.clear();

    prompt.Expect(PromptAnswer::No, "Are you sure you want to exit?");
    EXPECT_FALSE(frame.close());
    EXPECT_TRUE(frame.isVisible());
    EXPECT_FALSE(frame.IsTimerSuspended());
    EXPECT_TRUE(log.empty());

    prompt.Expect(PromptAnswer::Yes, "Are you sure you want to exit?");
    EXPECT_TRUE(frame.close());
    EXPECT_TRUE(prompt.Done());
    const std::vector<std::string> expected{"terminate route",    "delete route",    "terminate chartpoint",
                                            "delete chartpoint",  "terminate charting", "delete charting"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(frame.MsgBar(), nullptr);
}

// A document that counts how often it is really closed.
struct CountingDoc : CDocumentEx {
    int* closes;
    explicit CountingDoc(int* count) : closes(count) {}
    void OnCloseDocument() override
    {
        ++*closes;
        CDocumentEx::OnCloseDocument();
    }
};

TEST_F(MainFrameTest, ChartWindowClosedClosesTheNamedDocumentOnce)
{
    CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    int closesA = 0, others = 0;
    auto* a = new CountingDoc(&closesA);
    CountingDoc b(&others), stranger(&others);   // b stays open; the frame was never given stranger
    frame.AddDocument(a);
    frame.AddDocument(&b);
    QPointer<CDocument> watchA = a;
    const std::uint64_t ids[] = {a->DocumentId(), a->DocumentId(), a->DocumentId() + 1000, stranger.DocumentId()};
    // Posted from a worker: the frame wakes up and handles them on its own thread.
    std::thread([&] {
        for (std::uint64_t id : ids)
            frame.PostedMessages().Post(app::kMsgChartWindowClosed, id);
    }).join();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(closesA, 1);
    EXPECT_TRUE(watchA.isNull());
    EXPECT_EQ(others, 0);
    frame.TearDown();   // nothing is taken after tear-down
    EXPECT_FALSE(frame.PostedMessages().Post(app::kMsgChartWindowClosed, b.DocumentId()));
}

TEST_F(MainFrameTest, ModelessSheetsAreListedOnceAndLeaveWhenDestroyed)
{
    CMainFrame frame(Services());
    ASSERT_TRUE(frame.OnCreate());
    auto* one = new QWidget(&frame);
    auto* two = new QWidget(&frame);
    auto* gone = new QWidget(&frame);
    auto post = [&](QWidget* sheet, bool add) {
        frame.PostedMessages().Post(app::kMsgModelessSheet, add ? 1 : 0, std::int64_t(CObjectIds::Of(sheet)));
    };
    post(one, true);
    post(two, true);
    post(one, true);
    post(gone, true);
    delete gone;   // destroyed before its message arrives
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(frame.ModelessSheets(), (std::vector<QWidget*>{one, two}));
    post(one, false);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(frame.ModelessSheets(), (std::vector<QWidget*>{two}));
    delete two;   // without saying so
    EXPECT_TRUE(frame.ModelessSheets().empty());
}

struct WorkspaceTest : MainFrameTest {
    brine_test::TempFolder folder;
    std::filesystem::path file = folder.Path() / "settings.conf";

    CFrameServices WithStore(platform::CSettingsStore& store, std::vector<std::string> words = {})
    {
        auto s = Services();
        s.settings = &store;
        s.commandLine = std::move(words);
        return s;
    }
};

TEST_F(WorkspaceTest, SavedWorkspaceReopensUnlessTheCommandLineSaysNo)
{
    {
        platform::CSettingsStore store(file);
        CMainFrame frame(WithStore(store));
        ASSERT_TRUE(frame.OnCreate());
        EXPECT_TRUE(frame.ReloadWorkspace());
        frame.ToolBar(59402)->hide();
        frame.StatusBar()->hide();
        frame.SetConfirmClosedown(false);
        ASSERT_TRUE(frame.Workspace()->SaveWorkspace("Bridge"));
        frame.TearDown();
    }
    for (const bool suppressed : {false, true}) {
        platform::CSettingsStore store(file);
        ASSERT_EQ(store.Load(), platform::LoadStatus::Ok);
        CMainFrame frame(WithStore(store, suppressed ? std::vector<std::string>{"noworkspace"}
                                                     : std::vector<std::string>{}));
        ASSERT_TRUE(frame.OnCreate());
        EXPECT_EQ(frame.ToolBar(59402)->isHidden(), !suppressed) << suppressed;
        EXPECT_EQ(frame.StatusBar()->isHidden(), !suppressed) << suppressed;
        EXPECT_EQ(frame.ConfirmClosedown(), suppressed) << suppressed;
        EXPECT_FALSE(frame.ActiveSidePanel()->isHidden());
        frame.TearDown();
    }
}

TEST_F(WorkspaceTest, CloseStoresReloadWorkspaceAndARefusedReloadIsKept)
{
    {
        platform::CSettingsStore store(file);
        CMainFrame frame(WithStore(store));
        ASSERT_TRUE(frame.OnCreate());
        frame.Workspace()->SaveWorkspace("Passage");
        frame.CloseWithoutConfirmation();
    }
    platform::CSettingsStore reread(file);
    ASSERT_EQ(reread.Load(), platform::LoadStatus::Ok);
    CRegistry registry(reread);
    ASSERT_TRUE(registry.OpenKeyForWrite(CWorkspaceManager::DefaultRoot()));
    bool reload = false;
    EXPECT_TRUE(registry.ReadBool("ReloadWorkspace", reload));
    EXPECT_TRUE(reload);
    // Switched off, the saved workspace is not reopened.
    registry.WriteBool("ReloadWorkspace", false);
    registry.Close();
    reread.Save();
    platform::CSettingsStore store(file);
    store.Load();
    CMainFrame frame(WithStore(store));
    ASSERT_TRUE(frame.OnCreate());
    EXPECT_FALSE(frame.ReloadWorkspace());
    EXPECT_EQ(frame.Workspace()->GetCurrentName(), CWorkspaceManager::kDefaultWorkspace);
}

}  // namespace

#include <QApplication>
#include <QCursor>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QWheelEvent>

#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>

#include "FakeClock.h"
#include "OwnProgramFolder.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/CommandIds.h"
#include "app/PostedMessageQueue.h"
#include "app/Timer.h"
#include "app/WorkspaceManager.h"
#include "app/ui/TreeListOptionDlg.h"
#include "app/ui/XStatusBar.h"
#include "chart/ChartingModule.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "chart/ui/ChartDocument.h"
#include "chart/ui/ChartFrame.h"
#include "chart/ui/ChartOptionsPages.h"
#include "chart/ui/ChartPreview.h"
#include "chart/ui/ChartPropDlg.h"
#include "chart/ui/ChartView.h"
#include "charts/ui/LiveChartPages.h"
#include "charts/vector/BlankChartDoc.h"
#include "charts/vector/LiveChartFolderModel.h"
#include "charts/vector/LiveChartService.h"
#include "navigator/NavigatorModule.h"
#include "platform/SettingsStore.h"
#include "shell/AutoscrollWindowHost.h"
#include "shell/ChartingSetup.h"
#include "shell/MainFrame.h"

namespace {

int g_argc = 1;
char g_arg0[] = "shell_ChartWindowsTest";
char* g_argv[] = {g_arg0, nullptr};

struct SilentSound : app::CAlertSound {
    bool Play(const std::filesystem::path&) override { return false; }
    void Beep() override { }
};

void Pump()
{
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
}

// A main frame with the charting module over its own settings file.
struct ChartWindowsTest : ::testing::Test {
    ChartWindowsTest()
    {
        static auto* app = new QApplication(g_argc, g_argv);
        (void)app;
        static chart::CQtBackendFactory painter;   // buffers paint as in the program
        chart::SetDrawBackendFactory(&painter);
    }

    std::unique_ptr<shell::CMainFrame> Start()
    {
        shell::CFrameServices s;
        std::tie(s.timerIds, s.prompt, s.clock, s.sound) =
            std::tuple(&timerIds, &prompt, &clock, &sound);
        s.programFolder = brine_test::LinkedProgramFolder(dir / "program");
        s.settings = &store;
        s.showDisclaimer = [](QWidget*) { return true; };
        if (withNavigator)
            s.moduleFactories.push_back([this] {
                auto n =
                    std::make_unique<navigator::CNavigatorModule>(current->SettingsHome(), clock);
                // The navigator makes its logs' folder at start: the test's program folder.
                n->Logbook().SetFolder(dir / "program" / "Logs");
                navigator = n.get();
                return n;
            });
        s.moduleFactories.push_back([this] { return MakeChartingModule(*current); });
        auto frame = std::make_unique<shell::CMainFrame>(std::move(s));
        current = frame.get();
        EXPECT_TRUE(frame->OnCreate());
        EXPECT_TRUE(frame->CompleteStartUp());
        Pump();
        return frame;
    }

    static std::vector<chart::CChartFrame*> Frames(shell::CMainFrame& f)
    {
        std::vector<chart::CChartFrame*> out;
        for (QMdiSubWindow* w : f.MdiArea()->subWindowList())
            if (auto* c = qobject_cast<chart::CChartFrame*>(w))
                out.push_back(c);
        return out;
    }

    // The own vessel dead-reckoned from `position` on a course and speed, as
    // the position source options give it, and the monitor told so.
    void DeadReckonFrom(const geo::CPosition& position, double course = 0, double speed = 0,
                        unsigned message = navigator::kMsgOwnVessel)
    {
        navigator::CPositionSourceChoice dr;
        dr.source = navigator::SourceChoice::DeadReckoning;
        dr.position = position;
        dr.course = course;
        dr.speed = speed;
        navigator->ApplyPositionSource(dr);
        navigator->OnMonitorMessage({message, 0, 0});
    }

    brine_test::TempFolder dir;
    platform::CSettingsStore store{dir / "settings.conf"};
    brine_test::FakeClock clock;
    brine_test::ScriptedPrompt prompt;
    SilentSound sound;
    app::CTimer timerIds;
    shell::CMainFrame* current = nullptr;
    bool withNavigator = false;
    navigator::CNavigatorModule* navigator = nullptr;
};

}   // namespace

TEST_F(ChartWindowsTest, FirstStartShowsABlankChartAndFileNewStopsAtMaxCharts)
{
    auto frame = Start();
    ASSERT_EQ(Frames(*frame).size(), 1u);
    chart::CChartDoc* doc = Frames(*frame).front()->GetChartDoc();
    EXPECT_EQ(doc->GetChartType(), chart::kChartBlank);
    EXPECT_EQ(Frames(*frame).front()->windowTitle().toStdString(), doc->GetTitle());
    // The world with its grid: lines in the grid's dark red.
    const QImage shot = Frames(*frame).front()->View()->grab().toImage();
    int gridPixels = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            gridPixels += shot.pixelColor(x, y) == QColor(127, 0, 0);
    EXPECT_GT(gridPixels, shot.width() * 2) << shot.width() << "x" << shot.height();
    frame->Charting()->ChartSettings().maxCharts = 2;
    frame->UpdateModuleCmdUI(false);
    ASSERT_TRUE(frame->Action(app::cmd::kFileNew)->isEnabled());
    // The New chooser offers the blank chart beside the vector chart: the blank one is chosen.
    QStringList offered;
    QTimer::singleShot(0, [&offered] {
        auto* chooser = qobject_cast<app::CTreeListOptionDlg*>(QApplication::activeModalWidget());
        if (!chooser)
            return;
        for (QTreeWidgetItemIterator it(chooser->Tree()); *it; ++it) {
            offered << (*it)->text(0);
            if ((*it)->text(0) == "Blank chart")
                chooser->Tree()->setCurrentItem(*it);
        }
        chooser->OkButton()->click();
    });
    frame->Action(app::cmd::kFileNew)->trigger();
    Pump();
    EXPECT_EQ(offered.join(",").toStdString(), "Chart,Blank chart,Livechart");
    EXPECT_EQ(Frames(*frame).size(), 2u);
    frame->UpdateModuleCmdUI(false);
    EXPECT_FALSE(frame->Action(app::cmd::kFileNew)->isEnabled());
    frame->CloseWithoutConfirmation();
}

// The vessel's chart window and a print preview carry pictures of their own; an ordinary chart
// window keeps the program's.
TEST_F(ChartWindowsTest, ChartFramesShowTheirKindsIcon)
{
    auto frame = Start();
    ASSERT_NE(frame->OpenChart("", false, chart::kFrameAutoscroll), nullptr);
    Pump();
    const auto image = [](const QIcon& icon) { return icon.pixmap(32).toImage(); };
    bool sawAutoscroll = false;
    for (chart::CChartFrame* f : Frames(*frame)) {
        if (f->GetState() == chart::kFrameAutoscroll) {
            sawAutoscroll = true;
            EXPECT_EQ(image(f->windowIcon()), image(QIcon(":/icons/autoscroll.svg")));
        } else {
            EXPECT_NE(image(f->windowIcon()), image(QIcon(":/icons/autoscroll.svg")));
        }
    }
    EXPECT_TRUE(sawAutoscroll);
    frame->CloseWithoutConfirmation();
}

// The vessel's chart window does not stay minimised (it comes back as it was before) and keeps a
// least size of 100 by 100; an ordinary chart window stays minimised and has no such least size.
TEST_F(ChartWindowsTest, TheAutoscrollWindowIsRestoredWhenMinimised)
{
    auto frame = Start();
    frame->show();
    ASSERT_NE(frame->OpenChart("", false, chart::kFrameAutoscroll), nullptr);
    Pump();
    chart::CChartFrame* follower = nullptr;
    chart::CChartFrame* ordinary = nullptr;
    for (chart::CChartFrame* f : Frames(*frame))
        (f->GetState() == chart::kFrameAutoscroll ? follower : ordinary) = f;
    ASSERT_NE(follower, nullptr);
    ASSERT_NE(ordinary, nullptr);
    EXPECT_EQ(follower->minimumSize(), QSize(100, 100));
    EXPECT_LT(ordinary->minimumSize().width(), 100);
    EXPECT_LT(ordinary->minimumSize().height(), 100);

    for (const bool maximised : {false, true}) {
        maximised ? follower->showMaximized() : follower->showNormal();
        Pump();
        bool wentMinimised = false;
        QTimer::singleShot(0, [&] { wentMinimised = follower->isMinimized(); });
        follower->showMinimized();
        Pump();
        EXPECT_TRUE(wentMinimised);
        EXPECT_FALSE(follower->isMinimized()) << maximised;
        EXPECT_EQ(follower->isMaximized(), maximised);
    }
    frame->MdiArea()->setActiveSubWindow(ordinary);
    ordinary->showNormal();
    Pump();
    ordinary->showMinimized();
    Pump();
    EXPECT_TRUE(ordinary->isMinimized());
    frame->CloseWithoutConfirmation();
}

// The following window moving to another chart leaves every chart window as it was: maximised
// windows stay maximised, whichever window is in front, and none is restored or stacked.
TEST_F(ChartWindowsTest, TheFollowingWindowChangingItsChartLeavesTheWindowsMaximised)
{
    auto frame = Start();
    frame->show();
    ASSERT_NE(frame->OpenChart("", false, chart::kFrameAutoscroll), nullptr);
    Pump();
    for (const bool followerInFront : {true, false}) {
        SCOPED_TRACE(followerInFront ? "the following window in front" : "the ordinary in front");
        chart::CChartFrame* follower = nullptr;
        chart::CChartFrame* ordinary = nullptr;
        for (chart::CChartFrame* f : Frames(*frame))
            (f->GetState() == chart::kFrameAutoscroll ? follower : ordinary) = f;
        ASSERT_NE(follower, nullptr);
        ASSERT_NE(ordinary, nullptr);
        chart::CChartFrame* front = followerInFront ? follower : ordinary;
        frame->MdiArea()->setActiveSubWindow(front);
        front->showMaximized();
        Pump();
        ASSERT_TRUE(front->isMaximized());

        chart::CChartDoc* moved = frame->OpenChart("", true, chart::kFrameAutoscroll);
        ASSERT_NE(moved, nullptr);
        Pump();
        const auto frames = Frames(*frame);
        ASSERT_EQ(frames.size(), 2u);
        // A window behind the maximised one comes forward maximised: its placement says so.
        for (chart::CChartFrame* f : frames)
            EXPECT_EQ(f->GetPlacement().showCmd, 3u) << f->GetState();
        auto* active = qobject_cast<chart::CChartFrame*>(frame->MdiArea()->activeSubWindow());
        ASSERT_NE(active, nullptr);
        EXPECT_TRUE(active->isMaximized());
        EXPECT_EQ(active->GetState(),
                  followerInFront ? chart::kFrameAutoscroll : chart::kFrameNormal);
    }
    frame->CloseWithoutConfirmation();
}

TEST_F(ChartWindowsTest, CloseMessagePostedTwiceClosesOnceAndActivatesTheNext)
{
    auto frame = Start();
    ASSERT_NE(frame->OpenChart("", false, 0), nullptr);
    Pump();
    auto frames = Frames(*frame);
    ASSERT_EQ(frames.size(), 2u);
    chart::CChartFrame* second = frames[1];
    frame->MdiArea()->setActiveSubWindow(second);
    const std::uint64_t id = second->Document().DocumentId();
    int closings = 0;
    QObject::connect(&second->Document(), &app::CDocument::closing, [&closings] { ++closings; });
    // The window's own close and a second message for the same document.
    second->close();
    frame->PostedMessages().Post(app::kMsgChartWindowClosed, id);
    Pump();
    EXPECT_EQ(closings, 1);
    ASSERT_EQ(Frames(*frame).size(), 1u);
    EXPECT_EQ(frame->MdiArea()->activeSubWindow(), frames[0]);
    EXPECT_EQ(frame->Charting()->ChartFrames().size(), 1u);
    frame->CloseWithoutConfirmation();
}

// Windows and documents closed on the way out were once only marked for deletion
// and went in a later event-loop pass, after the modules: a chart window's
// destructor then reported to a charting module already freed. They go with the
// tear-down now.
TEST_F(ChartWindowsTest, ClosingTheProgramDeletesChildWindowsAndDocumentsBeforeTheModulesGo)
{
    auto frame = Start();
    ASSERT_NE(frame->OpenChart("", false, 0), nullptr);
    // One window deleted on close, one only hidden by it.
    auto* preview = new QMdiSubWindow;
    preview->setAttribute(Qt::WA_DeleteOnClose);
    auto* hidden = new QMdiSubWindow;
    for (QMdiSubWindow* w : {preview, hidden}) {
        frame->MdiArea()->addSubWindow(w);
        w->show();
    }
    Pump();
    std::vector<QPointer<QObject>> windows{preview, hidden};
    for (chart::CChartFrame* f : Frames(*frame)) {
        windows.emplace_back(f);
        windows.emplace_back(&f->Document());
    }
    ASSERT_EQ(windows.size(), 6u);
    frame->CloseWithoutConfirmation();
    // No event loop has run since the close.
    EXPECT_EQ(frame->Modules().size(), 0u);
    for (const QPointer<QObject>& w : windows)
        EXPECT_TRUE(w.isNull()) << "a child window or its document outlives the modules";
}

// Window > Cascade sizes each window by its size hint: a chart window's is the
// size a new chart window opens at, not its minimum.
TEST_F(ChartWindowsTest, CascadeKeepsChartWindowsAtTheSizeANewOneOpensAt)
{
    auto frame = Start();
    ASSERT_NE(frame->OpenChart("", false, 0), nullptr);
    Pump();
    const QSize area = frame->MdiArea()->viewport()->size();
    frame->UpdateModuleCmdUI(false);
    ASSERT_TRUE(frame->Action(app::cmd::kWindowCascade)->isEnabled());
    frame->Action(app::cmd::kWindowCascade)->trigger();
    Pump();
    for (chart::CChartFrame* f : Frames(*frame)) {
        EXPECT_FALSE(f->isMaximized());
        EXPECT_GE(f->width(), area.width() / 2) << f->width() << " of " << area.width();
        EXPECT_GE(f->height(), area.height() / 2) << f->height() << " of " << area.height();
        EXPECT_TRUE(frame->MdiArea()->viewport()->rect().contains(f->geometry()));
    }
    frame->CloseWithoutConfirmation();
}

TEST_F(ChartWindowsTest, OpenChartByKindAndReplace)
{
    auto frame = Start();
    chart::CChartingModule& charts = *frame->Charting();
    // Raster charts have no service yet: nothing opens and the bar says so.
    EXPECT_EQ(frame->OpenChart("/charts/1234.CHR", false, 0), nullptr);
    EXPECT_TRUE(frame->MsgBar()->IsMessageActive(charts.LoadFailureMessage()));
    EXPECT_EQ(Frames(*frame).size(), 1u);
    // A vector chart that is not there does not open either; a file of no
    // chart kind opens as a blank chart.
    EXPECT_EQ(frame->OpenChart("/charts/world.B", false, 0), nullptr);
    chart::CChartDoc* b = frame->OpenChart("/charts/world.dat", false, 0);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetChartType(), chart::kChartBlank);
    Pump();

    // Replacing: the new window takes the old one's place; the old closes after.
    chart::CChartFrame* old = dynamic_cast<chart::CChartFrame*>(b->GetChartFrame());
    old->showNormal();
    old->setGeometry(30, 40, 420, 300);
    frame->MdiArea()->setActiveSubWindow(old);
    Pump();
    chart::CChartDoc* replacement = frame->OpenChart("", true, 0);
    ASSERT_NE(replacement, nullptr);
    auto* fresh = dynamic_cast<chart::CChartFrame*>(replacement->GetChartFrame());
    EXPECT_EQ(fresh->geometry(), QRect(30, 40, 420, 300));
    EXPECT_EQ(Frames(*frame).size(), 3u);   // the old one is still there ...
    Pump();
    EXPECT_EQ(Frames(*frame).size(), 2u);   // ... until the close message is handled
    frame->CloseWithoutConfirmation();
}

TEST_F(ChartWindowsTest, SavedWorkspaceBringsBackTheChartsAndTheirZoom)
{
    std::vector<std::pair<double, double>> spans;
    {
        auto frame = Start();
        ASSERT_NE(frame->OpenChart("", false, 0), nullptr);
        Pump();
        for (chart::CChartFrame* f : Frames(*frame)) {
            f->showNormal();
            f->resize(500, 350);
        }
        Pump();
        auto* zoomed = dynamic_cast<charts::CBlankChartDoc*>(Frames(*frame)[0]->GetChartDoc());
        ASSERT_TRUE(zoomed->ZoomIn());
        ASSERT_TRUE(zoomed->ZoomToRect(30, 60, 190, 172));
        ASSERT_TRUE(frame->Workspace()->SaveWorkspace("Voyage"));
        for (chart::CChartWindow* w : frame->Charting()->ChartFrames()) {
            geo::CPosition nw, se;
            w->GetChartDoc()->GetExtent(nw, se);
            spans.emplace_back(nw.GetLongitude(), se.GetLatitude());
        }
        frame->CloseWithoutConfirmation();
    }
    ASSERT_EQ(store.Load(), platform::LoadStatus::Ok);
    auto frame = Start();
    ASSERT_EQ(frame->Charting()->ChartFrames().size(), spans.size());
    std::size_t i = 0;
    for (chart::CChartWindow* w : frame->Charting()->ChartFrames()) {
        geo::CPosition nw, se;
        w->GetChartDoc()->GetExtent(nw, se);
        EXPECT_EQ(std::make_pair(nw.GetLongitude(), se.GetLatitude()), spans[i++]);
    }
    frame->CloseWithoutConfirmation();
}

TEST_F(ChartWindowsTest, PropertiesFollowTheActiveChartAndPreviewPrintsOnlyWithAPrinter)
{
    auto frame = Start();
    // Without a chart the page is empty and disabled.
    chart::CChartPropDlg empty;
    EXPECT_FALSE(empty.NameEdit()->isEnabled());
    EXPECT_TRUE(empty.DatumEdit()->text().isEmpty());

    frame->UpdateModuleCmdUI(false);
    ASSERT_TRUE(frame->Action(app::cmd::kViewProperties)->isEnabled());
    frame->Action(app::cmd::kViewProperties)->trigger();
    chart::CChartPropDlg* page = frame->ChartProperties();
    ASSERT_NE(page, nullptr);
    // Number and title joined by " - "; the blank chart has no number.
    EXPECT_EQ(page->NameEdit()->text(), " - Blank World Chart");
    EXPECT_EQ(page->DatumEdit()->text(), "WGS 84");
    // The whole name fits its field.
    QCoreApplication::processEvents();
    const QLineEdit* name = page->NameEdit();
    EXPECT_GE(name->width(), name->fontMetrics().horizontalAdvance(name->text()) +
                                 name->fontMetrics().averageCharWidth())
        << name->width();
    // The page sits in a sheet of its own with OK and Cancel; Escape closes it.
    QWidget* sheet = page->window();
    ASSERT_NE(sheet, page);
    EXPECT_EQ(sheet->windowTitle(), "Chart Properties");
    auto* buttons = sheet->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_NE(buttons->button(QDialogButtonBox::Ok), nullptr);
    EXPECT_NE(buttons->button(QDialogButtonBox::Cancel), nullptr);
    QTest::keyClick(sheet, Qt::Key_Escape);
    Pump();
    EXPECT_EQ(frame->ChartProperties(), nullptr);
    frame->Action(app::cmd::kViewProperties)->trigger();
    page = frame->ChartProperties();
    ASSERT_NE(page, nullptr);
    // The chart closes: the page lets it go.
    frame->PostedMessages().Post(app::kMsgChartWindowClosed,
                                 Frames(*frame).front()->Document().DocumentId());
    Pump();
    frame->UpdateModuleCmdUI(false);
    EXPECT_EQ(page->Object(), nullptr);
    EXPECT_FALSE(page->NameEdit()->isEnabled());

    QPrinter printer;
    for (bool installed : {false, true}) {
        auto* preview = new chart::CChartPreview(printer, installed);
        EXPECT_EQ(preview->PrintAction()->isVisible(), installed);
        delete preview;
    }
    frame->CloseWithoutConfirmation();
}

namespace {

double LongitudeSpan(chart::CChartDoc& doc)
{
    geo::CPosition nw, se;
    doc.GetExtent(nw, se);
    return se.GetLongitude() - nw.GetLongitude();
}

}   // namespace

TEST_F(ChartWindowsTest, AnIdleChartIsNotPaintedAgain)
{
    auto frame = Start();
    frame->CompleteStartUp();   // the frame's timer runs from here
    QTest::qWait(300);
    // Taken after the second start-up, which opened the chart again in a new window.
    chart::CChartView* view = Frames(*frame).front()->View();
    const int before = view->PaintCount();
    ASSERT_GT(before, 0);
    QTest::qWait(3000);   // the real event loop and the frame's timers
    EXPECT_EQ(view->PaintCount(), before);
    frame->CloseWithoutConfirmation();
}

TEST_F(ChartWindowsTest, OpeningAChartDrawsItOnce)
{
    auto frame = Start();
    QTest::qWait(200);
    // Beside the maximised first chart, and in a window of its own.
    for (bool maximised : {true, false}) {
        SCOPED_TRACE(maximised ? "maximised" : "in its own window");
        if (!maximised)
            Frames(*frame).front()->showNormal();
        chart::CChartDoc* doc = frame->OpenChart("", false, 0);
        ASSERT_NE(doc, nullptr);
        auto* opened = dynamic_cast<chart::CChartFrame*>(doc->GetChartFrame());
        ASSERT_NE(opened, nullptr);
        QTest::qWait(300);   // the real event loop: layout passes and paints
        EXPECT_GT(opened->View()->PaintCount(), 0);
        EXPECT_EQ(opened->View()->Pipeline().ChartDraws(), 1);
    }
    frame->CloseWithoutConfirmation();
}

TEST_F(ChartWindowsTest, WheelAndKeysZoom)
{
    auto frame = Start();
    chart::CChartFrame* chartFrame = Frames(*frame).front();
    chart::CChartView* view = chartFrame->View();
    chart::CChartDoc& doc = *chartFrame->GetChartDoc();
    frame->MdiArea()->setActiveSubWindow(chartFrame);
    // The whole world as the window shows it (its proportions decide how
    // much longitude that is); the spans below are of a 360-degree start.
    const double start = LongitudeSpan(doc);
    ASSERT_GT(start, 0.0);

    struct Step {
        const char* what;
        std::function<void()> act;
        double span;
    };
    auto key = [view](int k) {
        return [view, k] { QTest::keyClick(view, static_cast<Qt::Key>(k)); };
    };
    auto wheel = [view](int delta) {
        return [view, delta] {
            const QPointF at(view->width() / 2.0, view->height() / 2.0);
            QWheelEvent e(at, view->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(view, &e);
        };
    };
    const Step steps[] = {
        {"+ zooms in", key(Qt::Key_Plus), 180.0},
        {"one wheel notch in", wheel(120), 90.0},
        {"half a notch does nothing yet", wheel(60), 90.0},
        {"the other half completes it", wheel(60), 45.0},
        {"- zooms out", key(Qt::Key_Minus), 90.0},
        {"two notches out at once", wheel(-240), 360.0},
        {"+ again", key(Qt::Key_Plus), 180.0},
        {"Home: the whole chart", key(Qt::Key_Home), 360.0},
    };
    for (const Step& s : steps) {
        s.act();
        Pump();
        EXPECT_NEAR(LongitudeSpan(doc), start * s.span / 360.0, 1e-6) << s.what;
    }
    frame->CloseWithoutConfirmation();
}

// A finished drag rectangle zooms through message 0x502 on the view's own queue: the release
// completes first, and a double-click before the message is handled cancels the zoom.
TEST_F(ChartWindowsTest, DragRectangleZoomsThroughTheViewsMessageQueue)
{
    auto frame = Start();
    chart::CChartFrame* chartFrame = Frames(*frame).front();
    chart::CChartView* view = chartFrame->View();
    chart::CChartDoc& doc = *chartFrame->GetChartDoc();
    // Low in the window, where the world chart is drawn.
    const QPoint a(view->width() / 4, view->height() - 60),
        b(view->width() * 3 / 4, view->height() - 20);
    const auto drag = [&] {
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, a);
        QTest::mouseMove(view, b);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(b), view->mapToGlobal(QPointF(b)),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &release);
    };
    const double before = LongitudeSpan(doc);
    drag();
    EXPECT_EQ(view->Messages().Pending(), 1u) << "0x502 waits in the view's queue";
    EXPECT_DOUBLE_EQ(LongitudeSpan(doc), before) << "no zoom before the message is handled";
    Pump();
    EXPECT_EQ(view->Messages().Pending(), 0u);
    const double zoomed = LongitudeSpan(doc);
    EXPECT_LT(zoomed, before * 0.75);

    drag();
    QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(b), view->mapToGlobal(QPointF(b)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &twice);
    Pump();
    EXPECT_DOUBLE_EQ(LongitudeSpan(doc), zoomed) << "a double-click cancels the pending zoom";
    frame->CloseWithoutConfirmation();
}

TEST_F(ChartWindowsTest, RangeAndBearingShowsItsLabelOnTheBar)
{
    auto frame = Start();
    chart::CChartFrame* chartFrame = Frames(*frame).front();
    chart::CChartView* view = chartFrame->View();
    frame->Action(app::cmd::kChartRangeBearing)->trigger();
    ASSERT_TRUE(frame->IsRangeBearingMode());
    const geo::IntRect client = view->ClientRect();
    const QPoint a(view->width() / 4, view->height() - 20),
        b(view->width() * 3 / 4, view->height() - 20);
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, a);
    QTest::mouseMove(view, b);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, b);
    Pump();
    EXPECT_TRUE(
        frame->RangeBearingLabel().endsWith(QString::fromUtf8("090\xC2\xB0, (270\xC2\xB0)")))
        << frame->RangeBearingLabel().toStdString() << " " << client.right;
    ASSERT_EQ(view->Pipeline().Measurements().size(), 1u);
    // Zooming clears the measurements.
    QTest::keyClick(view, Qt::Key_Plus);
    Pump();
    EXPECT_TRUE(view->Pipeline().Measurements().empty());
    frame->Action(app::cmd::kChartRangeBearing)->trigger();
    EXPECT_FALSE(frame->IsRangeBearingMode());
    frame->CloseWithoutConfirmation();
}

namespace {

std::string Shell(const std::string& command)
{
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[512];
        while (std::fgets(buf, sizeof buf, p))
            out += buf;
        ::pclose(p);
    }
    return out;
}

}   // namespace

TEST_F(ChartWindowsTest, PrintedPdfHoldsTheHeaderAndOneImageOfTheView)
{
    ASSERT_FALSE(Shell("command -v pdftotext pdfimages").empty())
        << "poppler-utils is in scripts/deps.sh";
    auto frame = Start();
    chart::CChartFrame* chartFrame = Frames(*frame).front();
    frame->MdiArea()->setActiveSubWindow(chartFrame);
    Pump();
    const std::string pdf = (dir / "chart.pdf").string();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    ASSERT_TRUE(frame->PrintActiveChart(printer));
    const std::string text = Shell("pdftotext '" + pdf + "' -");
    EXPECT_NE(text.find("Blank World Chart"), std::string::npos) << text;
    EXPECT_NE(text.find("WGS 84"), std::string::npos) << text;
    // One image, with the view's proportions.
    const std::string list = Shell("pdfimages -list '" + pdf + "'");
    std::istringstream lines(list);
    std::string line;
    std::vector<std::pair<int, int>> images;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        int page = 0, num = 0, width = 0, height = 0;
        std::string type;
        if (fields >> page >> num >> type >> width >> height && type == "image")
            images.emplace_back(width, height);
    }
    ASSERT_EQ(images.size(), 1u) << list;
    const geo::IntRect client = chartFrame->View()->ClientRect();
    EXPECT_NEAR(double(images[0].first) / images[0].second, double(client.right) / client.bottom,
                0.02)
        << list;
    frame->CloseWithoutConfirmation();
}

// "Go To Vessel" and the other go-to commands on the blank chart: it is not
// centred on a position, so the view stays as it is; a position on the
// chart is still taken (no failure to report), one that is not a position
// is refused.
TEST_F(ChartWindowsTest, GoToPositionLeavesTheBlankChartAsItIs)
{
    auto frame = Start();
    chart::CChartFrame* chartFrame = Frames(*frame).front();
    frame->MdiArea()->setActiveSubWindow(chartFrame);
    chart::CChartDoc& doc = *chartFrame->GetChartDoc();
    ASSERT_EQ(doc.GetChartType(), chart::kChartBlank);
    ASSERT_TRUE(frame->IsActiveChartLoaded());
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(doc.ZoomIn());
    geo::CPosition nw0, se0;
    ASSERT_TRUE(doc.GetExtent(nw0, se0));
    for (const geo::CPosition& p :
         {geo::CPosition(50.25, -1.5), geo::CPosition(-33.8, 175.0), geo::CPosition(89.0, 10.0)}) {
        EXPECT_TRUE(frame->GoToPosition(p)) << p.GetLatitude();
        geo::CPosition nw, se;
        ASSERT_TRUE(doc.GetExtent(nw, se));
        EXPECT_EQ(nw.GetLatitude(), nw0.GetLatitude()) << p.GetLatitude();
        EXPECT_EQ(nw.GetLongitude(), nw0.GetLongitude()) << p.GetLatitude();
        EXPECT_EQ(se.GetLatitude(), se0.GetLatitude()) << p.GetLatitude();
        EXPECT_EQ(se.GetLongitude(), se0.GetLongitude()) << p.GetLatitude();
    }
    geo::CPosition nowhere;
    nowhere.Invalidate();
    EXPECT_FALSE(frame->GoToPosition(nowhere)) << "not a position";
    frame->CloseWithoutConfirmation();
}

#ifdef BRINE_SAMPLE_CELLS_DIR
// Go To a position off the active vector chart: the folio's chart covering
// it takes the window's place, showing the position.
TEST_F(ChartWindowsTest, GoToPositionOffAVectorChartMovesToTheFoliosChartThere)
{
    auto frame = Start();
    chart::CChartingModule& charting = *frame->Charting();
    charts::CLiveChartService* live = nullptr;
    for (const auto& service : charting.ChartServices())
        if (auto* l = dynamic_cast<charts::CLiveChartService*>(service.get()))
            live = l;
    ASSERT_NE(live, nullptr);
    // A vector chart folder of the test's own.
    ASSERT_TRUE(live->SetFolder((dir / "LIVECHART").string()));
    for (const char* cell : {"US2WA01M.000", "US5WA03M.000"})
        std::filesystem::copy_file(std::filesystem::path(BRINE_SAMPLE_CELLS_DIR) / cell,
                                   live->Folder() / cell);
    ASSERT_EQ(live->UpdateFolio({}, {}).recordsWritten, 2);
    chart::CChartDoc* harbour =
        frame->OpenChart((live->Folder() / "US5WA03M.b").string(), true, chart::kFrameNormal);
    ASSERT_NE(harbour, nullptr);
    Pump();
    ASSERT_EQ(charting.GetActiveChartDoc(), harbour);
    const geo::CPosition north(47.70, -122.38);
    ASSERT_FALSE(harbour->IsPositionOnChart(north));
    EXPECT_TRUE(frame->GoToPosition(north));
    Pump();
    chart::CChartDoc* shown = charting.GetActiveChartDoc();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->GetChartNumber(), "US2WA01M");
    EXPECT_TRUE(shown->IsPositionVisible(north));
    EXPECT_EQ(charting.FindChartDocInState(chart::kFrameNormal), shown) << "in the window's place";
    // Where no chart covers it, nothing moves.
    EXPECT_FALSE(frame->GoToPosition(geo::CPosition(10.0, 10.0)));
    EXPECT_EQ(charting.GetActiveChartDoc(), shown);
    frame->CloseWithoutConfirmation();
}

// The Chart Options page's vector chart folder: the folio is updated from the
// new folder first (its outcome shown while the chart folio still holds the
// old folder's charts), then opened from it; a folder with nothing in it
// fails the update and still has its folio opened (so holds no chart).
TEST_F(ChartWindowsTest, NewVectorChartFolderIsUpdatedThenOpened)
{
    auto frame = Start();
    chart::CChartingModule& charting = *frame->Charting();
    charts::CLiveChartService* live = nullptr;
    for (const auto& service : charting.ChartServices())
        if (auto* l = dynamic_cast<charts::CLiveChartService*>(service.get()))
            live = l;
    ASSERT_NE(live, nullptr);
    const auto cellsIn = [](const std::filesystem::path& folder,
                            std::initializer_list<const char*> cells) {
        std::filesystem::create_directories(folder);
        for (const char* cell : cells)
            std::filesystem::copy_file(std::filesystem::path(BRINE_SAMPLE_CELLS_DIR) / cell,
                                       folder / cell);
    };
    const auto vectorCharts = [&charting] {
        std::vector<std::string> names;
        for (const auto& item : charting.GetFolio())
            if (item && item->chartKind == chart::kChartLivechart)
                names.push_back(item->fileName);
        std::sort(names.begin(), names.end());
        return names;
    };
    cellsIn(dir / "old", {"US2WA01M.000", "US5WA03M.000"});
    ASSERT_TRUE(live->SetFolder((dir / "old").string()));
    ASSERT_EQ(live->UpdateFolio({}, {}).recordsWritten, 2);
    charting.BuildChartFolio();
    const std::vector<std::string> old{"US2WA01M.b", "US5WA03M.b"};
    ASSERT_EQ(vectorCharts(), old);

    // Each message box shown is read with the chart folio of that moment, then closed.
    struct Shown {
        QString text;
        std::vector<std::string> folio;
    };
    std::vector<Shown> shown;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown.push_back({box->text(), vectorCharts()});
            box->accept();
        }
    });
    answer.start(20);
    const auto applyFolder = [&](const std::filesystem::path& folder) {
        auto* pages = dynamic_cast<charts::CLiveChartPagesUi*>(live->Ui());
        ASSERT_NE(pages, nullptr);
        const auto factories = pages->ChartOptionPages();
        ASSERT_EQ(factories.size(), 1u);
        std::unique_ptr<QWidget> widget(factories.front().create(nullptr));
        auto* page = qobject_cast<charts::CLiveChartFolderPage*>(widget.get());
        ASSERT_NE(page, nullptr);
        page->findChild<QLineEdit*>("liveChartFolder")
            ->setText(QString::fromStdString(folder.string()));
        ASSERT_FALSE(page->ControlsToModel());
        page->M().Apply();
        for (int i = 0; i < 100 && shown.empty(); ++i)
            QTest::qWait(50);
        Pump();
    };

    cellsIn(dir / "new", {"US5WA03M.000"});
    applyFolder(dir / "new");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].text.startsWith("Folio Updated OK: one file added"))
        << shown[0].text.toStdString();
    EXPECT_EQ(shown[0].folio, old) << "the folio opened before the update";
    EXPECT_EQ(vectorCharts(), std::vector<std::string>{"US5WA03M.b"});
    EXPECT_EQ(live->Folder(), dir / "new");

    shown.clear();
    applyFolder(dir / "empty");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].text.startsWith("Update Folio failed")) << shown[0].text.toStdString();
    EXPECT_EQ(shown[0].folio, std::vector<std::string>{"US5WA03M.b"});
    EXPECT_TRUE(vectorCharts().empty()) << "the empty folder's folio opened after the update";
    answer.stop();
    frame->CloseWithoutConfirmation();
}
#endif

TEST_F(ChartWindowsTest, FileMenuPrintCommandsReachTheActiveChart)
{
    auto frame = Start();
    chart::CChartFrame* chartFrame = Frames(*frame).front();
    frame->MdiArea()->setActiveSubWindow(chartFrame);
    Pump();
    frame->UpdateModuleCmdUI(false);
    for (unsigned id :
         {app::cmd::kFilePrint, app::cmd::kFilePrintPreview, app::cmd::kFilePrintSetup})
        EXPECT_TRUE(frame->Action(id)->isEnabled()) << id;
    EXPECT_EQ(frame->Action(app::cmd::kFilePrint)->shortcut(), QKeySequence("Ctrl+P"));

    // The chooser lists the chart heading with the chart's view under it: the view is chosen.
    QStringList offered;
    QTimer chooserHand;
    QObject::connect(&chooserHand, &QTimer::timeout, [&offered] {
        auto* chooser = qobject_cast<app::CTreeListOptionDlg*>(QApplication::activeModalWidget());
        if (!chooser)
            return;
        for (QTreeWidgetItemIterator it(chooser->Tree()); *it; ++it) {
            offered << (*it)->text(0);
            if ((*it)->text(0) == "View of Selected Chart")
                chooser->Tree()->setCurrentItem(*it);
        }
        chooser->OkButton()->click();
    });
    chooserHand.start(10);
    // Print shows the print dialog (cancelled here).
    QString seen;
    QTimer printHand;
    QObject::connect(&printHand, &QTimer::timeout, [&seen] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && !qobject_cast<app::CTreeListOptionDlg*>(modal)) {
            seen = modal->objectName();
            modal->close();
        }
    });
    printHand.start(10);
    frame->Action(app::cmd::kFilePrint)->trigger();
    printHand.stop();
    EXPECT_EQ(seen, "PrintDialog");
    EXPECT_EQ(offered.join(",").toStdString(), "Chart,View of Selected Chart");

    // Print Preview opens the preview of this chart.
    frame->Action(app::cmd::kFilePrintPreview)->trigger();
    chooserHand.stop();
    Pump();
    auto* preview = frame->findChild<chart::CChartPreview*>();
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    preview->close();
    Pump();

    // Without a chart window nothing is there to print: the commands stay offered (the print
    // dialog always has a printer, a PDF file), and Print and Print Preview show nothing.
    frame->PostedMessages().Post(app::kMsgChartWindowClosed, chartFrame->Document().DocumentId());
    Pump();
    frame->UpdateModuleCmdUI(false);
    for (unsigned id :
         {app::cmd::kFilePrint, app::cmd::kFilePrintPreview, app::cmd::kFilePrintSetup})
        EXPECT_TRUE(frame->Action(id)->isEnabled()) << id;
    seen.clear();
    QTimer::singleShot(0, [&seen] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            seen = modal->objectName();
            modal->close();
        }
    });
    frame->Action(app::cmd::kFilePrint)->trigger();
    frame->Action(app::cmd::kFilePrintPreview)->trigger();
    Pump();
    EXPECT_TRUE(seen.isEmpty()) << seen.toStdString();
    EXPECT_EQ(frame->findChild<chart::CChartPreview*>(), nullptr);
    frame->CloseWithoutConfirmation();
}

TEST_F(ChartWindowsTest, WorldChartReplacesTheChartWindowAndIsSavedWithTheWorkspace)
{
    std::size_t open = 0;
    {
        auto frame = Start();
        frame->Charting()->ChartSettings().maxCharts = 3;
        ASSERT_NE(frame->OpenChart("", false, 0), nullptr);
        Pump();
        // Pressed again and again: one ordinary window in the old one's place.
        for (int press = 0; press < 4; ++press) {
            frame->UpdateModuleCmdUI(false);
            ASSERT_TRUE(frame->Action(app::cmd::kChartWorld)->isEnabled()) << press;
            frame->Action(app::cmd::kChartWorld)->trigger();
            Pump();
            EXPECT_EQ(Frames(*frame).size(), 2u) << press;
        }
        chart::CChartingModule& charts = *frame->Charting();
        EXPECT_EQ(charts.CountChartFramesInState(chart::kFrameNormal), 2);
        for (chart::CChartFrame* f : Frames(*frame)) {
            EXPECT_FALSE(f->windowTitle().startsWith("[")) << f->windowTitle().toStdString();
            EXPECT_TRUE(f->windowTitle().contains("Blank World Chart"))
                << f->windowTitle().toStdString();
        }
        open = Frames(*frame).size();
        ASSERT_TRUE(frame->Workspace()->SaveWorkspace("Voyage"));
        frame->CloseWithoutConfirmation();
    }
    ASSERT_EQ(store.Load(), platform::LoadStatus::Ok);
    auto frame = Start();
    EXPECT_EQ(Frames(*frame).size(), open);
    frame->CloseWithoutConfirmation();
}

TEST_F(ChartWindowsTest, FirstStartFillsTheDesktopWithTheChartMaximisedAndTheProgramsIcon)
{
    auto frame = Start();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    // The window, its frame included, fills the available area, so a window
    // manager that does not maximise still shows it whole.
    EXPECT_EQ(frame->frameGeometry(), available);
    ASSERT_EQ(Frames(*frame).size(), 1u);
    EXPECT_TRUE(Frames(*frame).front()->isMaximized());
    // The program's icon on its windows, the chart windows too.
    const QIcon own(":/icons/brinevane.svg");
    ASSERT_FALSE(own.isNull());
    EXPECT_EQ(frame->windowIcon().pixmap(32).toImage(), own.pixmap(32).toImage());
    EXPECT_EQ(Frames(*frame).front()->windowIcon().pixmap(32).toImage(), own.pixmap(32).toImage());
    frame->CloseWithoutConfirmation();
}

namespace {

// Yellow label-box pixels in a picture of the view, in the left and right half.
std::pair<int, int> YellowPixels(chart::CChartView* view)
{
    const QImage shot = view->grab().toImage();
    std::pair<int, int> count;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixelColor(x, y) == QColor(255, 255, 0))
                (x < shot.width() / 2 ? count.first : count.second) += 1;
    return count;
}

}   // namespace

namespace {

// The whole world fills as much of the view as its proportions allow: zoomed
// in until the chart covers the view, so every point of the view is on it.
void ZoomInUntilTheChartFillsTheView(chart::CChartFrame& frame)
{
    chart::CChartDoc& doc = *frame.GetChartDoc();
    geo::IntRect visible;
    for (int i = 0; i < 4; ++i) {
        doc.GetVisibleRect(visible);
        if (visible == frame.GetClientRect())
            break;
        ASSERT_TRUE(doc.ZoomIn());
    }
    doc.GetVisibleRect(visible);
    ASSERT_EQ(visible, frame.GetClientRect());
    Pump();
}

}   // namespace

TEST_F(ChartWindowsTest, MeasurementsStayThroughRepaintsAndTheModeEndingUntilAZoom)
{
    auto frame = Start();
    ZoomInUntilTheChartFillsTheView(*Frames(*frame).front());
    chart::CChartView* view = Frames(*frame).front()->View();
    frame->MdiArea()->setActiveSubWindow(Frames(*frame).front());
    frame->Action(app::cmd::kChartRangeBearing)->trigger();
    ASSERT_TRUE(frame->IsRangeBearingMode());
    auto measure = [view](QPoint a, QPoint b) {
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, a);
        QTest::mouseMove(view, b);
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, b);
        Pump();
    };
    const int w = view->width(), h = view->height();
    measure({w / 10, h / 4}, {w * 4 / 10, h / 4});   // in the left half
    ASSERT_EQ(view->Pipeline().Measurements().size(), 1u);
    const int left = YellowPixels(view).first;
    EXPECT_GT(left, 0);
    EXPECT_EQ(YellowPixels(view).second, 0);

    // A second measurement joins the first: both labels are on the chart.
    measure({w * 6 / 10, h * 3 / 4}, {w * 9 / 10, h * 3 / 4});   // in the right half
    EXPECT_EQ(view->Pipeline().Measurements().size(), 2u);
    const std::pair<int, int> both = YellowPixels(view);
    EXPECT_EQ(both.first, left);
    EXPECT_GT(both.second, 0);

    // Repaints of every kind keep them: the chart drawn again, the palette
    // applied again, all views redrawn; so does the mode ending.
    view->InvalidateChart();
    view->repaint();
    EXPECT_EQ(YellowPixels(view), both);
    frame->Charting()->RedrawAllChartViews();
    frame->Charting()->ApplyDisplayPaletteToCharts();
    frame->UpdateModuleCmdUI(false);
    Pump();
    EXPECT_EQ(YellowPixels(view), both);
    frame->Action(app::cmd::kChartRangeBearing)->trigger();
    Pump();
    EXPECT_FALSE(frame->IsRangeBearingMode());
    EXPECT_EQ(view->Pipeline().Measurements().size(), 2u);
    EXPECT_EQ(YellowPixels(view), both);

    // A zoom clears them all.
    frame->Action(app::cmd::kChartZoomIn)->trigger();
    Pump();
    EXPECT_TRUE(view->Pipeline().Measurements().empty());
    EXPECT_EQ(YellowPixels(view), std::make_pair(0, 0));
    frame->CloseWithoutConfirmation();
}

namespace {

// Pixels of the view within `radius` of a point that differ from `before`.
int ChangedNear(const QImage& before, const QImage& after, geo::IntPoint at, int radius)
{
    int changed = 0;
    for (int y = std::max(0, at.y - radius); y <= at.y + radius && y < after.height(); ++y)
        for (int x = std::max(0, at.x - radius); x <= at.x + radius && x < after.width(); ++x)
            changed += before.pixel(x, y) != after.pixel(x, y);
    return changed;
}

}   // namespace

// Start Voyage with a list or a report in front: the window that follows the
// vessel opens on an open chart that holds it, at that chart's view, not on
// the blank world at world scale.
TEST_F(ChartWindowsTest, TheFollowerTakesAnOpenChartHoldingTheVesselWhenNoChartIsInFront)
{
    auto frame = Start();
    chart::CChartingModule& charting = *frame->Charting();
    chart::CChartDoc* sound = frame->OpenChart("/charts/sound.dat", false, 0);
    ASSERT_NE(sound, nullptr);
    auto* blank = dynamic_cast<charts::CBlankChartDoc*>(sound);
    ASSERT_NE(blank, nullptr);
    ASSERT_TRUE(blank->SetViewExtent(geo::CPosition(47.75, -122.6), geo::CPosition(47.45, -122.2)));
    Pump();
    QMdiSubWindow* list = frame->MdiArea()->addSubWindow(new QLabel("Waypoint List"));
    list->show();
    frame->MdiArea()->setActiveSubWindow(list);
    Pump();
    ASSERT_EQ(charting.GetActiveChartDoc(), nullptr);

    shell::CAutoscrollWindowHost host(charting, [&](const std::string& path, int state) {
        return frame->OpenChart(path, false, state);
    });
    ASSERT_TRUE(host.AttachAutoscrollWindow(geo::CPosition(47.6, -122.4)));
    Pump();
    chart::CChartDoc* follower = charting.FindChartDocInState(chart::kFrameAutoscroll);
    ASSERT_NE(follower, nullptr);
    EXPECT_NE(follower, sound);
    EXPECT_EQ(follower->GetPathName(), sound->GetPathName());
    auto* followerBlank = dynamic_cast<charts::CBlankChartDoc*>(follower);
    ASSERT_NE(followerBlank, nullptr);
    EXPECT_NEAR(followerBlank->GetScaleValue(), blank->GetScaleValue(),
                blank->GetScaleValue() * 1e-6)
        << "at the chart's own view, not the world";
    host.ReleaseAutoscrollWindow();
    Pump();

    // No chart window at all: the blank chart, some ten miles round the vessel.
    for (chart::CChartFrame* f : Frames(*frame))
        f->close();
    Pump();
    ASSERT_TRUE(Frames(*frame).empty());
    ASSERT_TRUE(host.AttachAutoscrollWindow(geo::CPosition(47.6, -122.4)));
    Pump();
    chart::CChartDoc* alone = charting.FindChartDocInState(chart::kFrameAutoscroll);
    ASSERT_NE(alone, nullptr);
    geo::IntRect shown;
    alone->GetVisibleRect(shown);
    geo::CPosition top, bottom;
    ASSERT_TRUE(alone->PointToPosition({shown.left, shown.top}, top));
    ASSERT_TRUE(alone->PointToPosition({shown.left, shown.bottom}, bottom));
    EXPECT_LT(top.GetLatitude() - bottom.GetLatitude(), 1.0) << "not the world";
    EXPECT_GT(top.GetLatitude(), 47.6);
    EXPECT_LT(bottom.GetLatitude(), 47.6);
    frame->CloseWithoutConfirmation();
}

#ifdef BRINE_SAMPLE_CELLS_DIR
// A following window the workspace brought back on the vector world chart
// (the voyage taken up again at a restart) moves at once to the folio's
// largest-scale chart holding the vessel.
TEST_F(ChartWindowsTest, ABroughtBackFollowerOnTheWorldChartMovesToTheBestChartAtOnce)
{
    auto frame = Start();
    chart::CChartingModule& charting = *frame->Charting();
    charts::CLiveChartService* live = nullptr;
    for (const auto& service : charting.ChartServices())
        if (auto* l = dynamic_cast<charts::CLiveChartService*>(service.get()))
            live = l;
    ASSERT_NE(live, nullptr);
    ASSERT_TRUE(live->SetFolder((dir / "LIVECHART").string()));
    for (const auto& cell : std::filesystem::directory_iterator(BRINE_SAMPLE_CELLS_DIR))
        std::filesystem::copy_file(cell.path(), live->Folder() / cell.path().filename());
    ASSERT_GT(live->UpdateFolio({}, {}).recordsWritten, 0);
    charting.BuildChartFolio();
    chart::CChartDoc* world =
        frame->OpenChart((live->Folder() / "LCWORLD.b").string(), false, chart::kFrameAutoscroll);
    ASSERT_NE(world, nullptr);
    Pump();
    ASSERT_EQ(charting.FindChartDocInState(chart::kFrameAutoscroll), world);

    shell::CAutoscrollWindowHost host(charting, [&](const std::string& path, int state) {
        return frame->OpenChart(path, false, state);
    });
    const geo::CPosition vessel(47.79, -122.80);   // held by US4WA02M (1:80,000)
    ASSERT_TRUE(host.AttachAutoscrollWindow(vessel));
    Pump();
    chart::CChartDoc* follower = charting.FindChartDocInState(chart::kFrameAutoscroll);
    ASSERT_NE(follower, nullptr);
    EXPECT_EQ(std::filesystem::path(follower->GetPathName()).stem(), "US4WA02M");
    EXPECT_TRUE(follower->IsPositionVisible(vessel));
    host.ReleaseAutoscrollWindow();
    frame->CloseWithoutConfirmation();
}
#endif

TEST_F(ChartWindowsTest, EveryChartDrawsTheOwnVesselWhereTheNavigatorHasItAndFollowsIt)
{
    withNavigator = true;
    auto frame = Start();
    ASSERT_NE(navigator, nullptr);
    ASSERT_NE(frame->OpenChart("", false, 0), nullptr);
    Pump();
    frame->MdiArea()->tileSubWindows();
    Pump();
    // Both charts close round the vessel: half a degree of longitude across.
    for (chart::CChartFrame* f : Frames(*frame)) {
        auto* blank = dynamic_cast<charts::CBlankChartDoc*>(f->GetChartDoc());
        ASSERT_NE(blank, nullptr);
        blank->SetViewExtent(geo::CPosition(51.0, 4.1), geo::CPosition(50.6, 4.6));
        f->View()->InvalidateChart();
    }
    Pump();
    std::vector<QImage> empty;
    for (chart::CChartFrame* f : Frames(*frame))
        empty.push_back(f->View()->grab().toImage());

    // A DR start at 50 50.41 N 004 20.82 E heading east at 10 knots.
    const geo::CPosition first(50.0 + 50.41 / 60, 4.0 + 20.82 / 60);
    DeadReckonFrom(first, 90.0, 10.0);
    Pump();
    std::size_t i = 0;
    for (chart::CChartFrame* f : Frames(*frame)) {
        chart::CChartDoc& doc = *f->GetChartDoc();
        geo::IntPoint at;
        ASSERT_TRUE(doc.PositionToPoint(first, at));
        const QImage shown = f->View()->grab().toImage();
        EXPECT_GT(ChangedNear(empty[i], shown, at, 8), 20) << "the symbol, chart " << i;
        // The course vector: six minutes at 10 knots is a mile east.
        geo::IntPoint ahead;
        ASSERT_TRUE(doc.PositionToPoint(
            geo::CPosition(first.GetLatitude(), first.GetLongitude() + 0.5 / 60 / 0.63), ahead));
        EXPECT_GT(ChangedNear(empty[i], shown, ahead, 2), 0) << "the vector, chart " << i;
        ++i;
    }

    // The next position: the symbol moves there and leaves the old place.
    const geo::CPosition second(50.75, 4.38);
    DeadReckonFrom(second, 90.0, 10.0);
    Pump();
    i = 0;
    for (chart::CChartFrame* f : Frames(*frame)) {
        chart::CChartDoc& doc = *f->GetChartDoc();
        geo::IntPoint old, now;
        ASSERT_TRUE(doc.PositionToPoint(first, old));
        ASSERT_TRUE(doc.PositionToPoint(second, now));
        const QImage shown = f->View()->grab().toImage();
        EXPECT_GT(ChangedNear(empty[i], shown, now, 8), 20) << "moved, chart " << i;
        EXPECT_EQ(ChangedNear(empty[i], shown, old, 3), 0) << "gone from the old place " << i;
        ++i;
    }
    frame->CloseWithoutConfirmation();
}

// A chart switch in the window that follows the vessel (a zoom onto a
// larger-scale chart, the best chart for the position) puts the new chart in
// a new following window: it stays in front, the vessel is followed there
// (a blank chart, which is not centred on it, keeps its view), and the
// message about it not being visible stays off while that window shows it.
TEST_F(ChartWindowsTest, TheVesselIsFollowedAfterTheFollowingWindowChangesItsChart)
{
    withNavigator = true;
    auto frame = Start();
    ASSERT_NE(navigator, nullptr);
    navigator->SetMessageBar(frame->MsgBar());
    const geo::CPosition first(47.60, -122.40);
    DeadReckonFrom(first);
    navigator->SetAutoscrollWindow(true);
    Pump();
    ASSERT_TRUE(navigator->HasAutoscrollWindow());

    chart::CChartDoc* replaced = frame->OpenChart("", true, chart::kFrameAutoscroll);
    ASSERT_NE(replaced, nullptr);
    Pump();
    ASSERT_EQ(frame->Charting()->FindChartDocInState(chart::kFrameAutoscroll), replaced);
    EXPECT_TRUE(navigator->HasAutoscrollWindow());
    // The new window stays in front where the old one was.
    EXPECT_EQ(frame->Charting()->GetActiveChartDoc(), replaced);
    EXPECT_EQ(frame->MdiArea()->activeSubWindow(),
              dynamic_cast<QMdiSubWindow*>(replaced->GetChartFrame()));

    // Zoomed in round the first position; the vessel moves away from the
    // view's middle, still in view.
    auto* blank = dynamic_cast<charts::CBlankChartDoc*>(replaced);
    ASSERT_NE(blank, nullptr);
    const geo::CPosition nw(47.70, -122.60), se(47.30, -121.90);
    blank->SetViewExtent(nw, se);
    // The ordinary window looks elsewhere.
    for (chart::CChartFrame* f : Frames(*frame))
        if (f->GetState() == chart::kFrameNormal)
            dynamic_cast<charts::CBlankChartDoc&>(*f->GetChartDoc())
                .SetViewExtent(geo::CPosition(10.0, 10.0), geo::CPosition(9.0, 11.0));
    const geo::CPosition second(47.40, -122.10);
    ASSERT_FALSE(replaced->IsInAutoscrollArea(second));
    auto notVisibleShown = [&frame] {
        for (const auto& m : frame->MsgBar()->Messages())
            if (m->text == "Vessel position is not visible.")
                return m->activeCount > 0;
        ADD_FAILURE() << "no such message";
        return false;
    };
    DeadReckonFrom(second, 0, 0, navigator::kMsgKeepInView);
    Pump();
    EXPECT_TRUE(replaced->IsPositionVisible(second));
    geo::CPosition shownNw, shownSe;
    ASSERT_TRUE(replaced->GetExtent(shownNw, shownSe));
    EXPECT_EQ(shownNw.GetLatitude(), nw.GetLatitude());
    EXPECT_EQ(shownSe.GetLongitude(), se.GetLongitude());
    navigator->OnMonitorMessage({navigator::kMsgBestChartCheck, 0, 0});
    EXPECT_FALSE(notVisibleShown());
    frame->CloseWithoutConfirmation();
}

// A list (the logbook) in front of the chart windows hides none of the vessel the
// following window shows, unless it fills the window area; a chart opened while the maximised
// following window is in front comes in front of it, and Zoom In acts on the new chart.
TEST_F(ChartWindowsTest, AListInFrontKeepsTheVesselVisibleAndANewChartComesInFront)
{
    withNavigator = true;
    auto frame = Start();
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    ASSERT_NE(navigator, nullptr);
    navigator->SetMessageBar(frame->MsgBar());
    const geo::CPosition vessel(47.60, -122.40);
    DeadReckonFrom(vessel);
    navigator->SetAutoscrollWindow(true);
    Pump();
    chart::CChartDoc* follower = frame->Charting()->FindChartDocInState(chart::kFrameAutoscroll);
    ASSERT_NE(follower, nullptr);
    auto* followerFrame = dynamic_cast<chart::CChartFrame*>(follower->GetChartFrame());
    ASSERT_NE(followerFrame, nullptr);
    ASSERT_TRUE(follower->IsPositionVisible(vessel));
    auto notVisibleShown = [&frame] {
        for (const auto& m : frame->MsgBar()->Messages())
            if (m->text == "Vessel position is not visible.")
                return m->activeCount > 0;
        ADD_FAILURE() << "no such message";
        return false;
    };
    auto check = [this] {
        navigator->OnMonitorMessage({navigator::kMsgBestChartCheck, 0, 0});
        Pump();
    };

    auto* list = new QMdiSubWindow;
    list->setWidget(new QLabel(QStringLiteral("Log Database")));
    frame->MdiArea()->addSubWindow(list);
    list->resize(300, 200);
    list->show();
    for (const bool followerMaximised : {false, true}) {
        SCOPED_TRACE(followerMaximised ? "the follower maximised" : "the follower not maximised");
        frame->MdiArea()->setActiveSubWindow(followerFrame);
        followerMaximised ? followerFrame->showMaximized() : followerFrame->showNormal();
        Pump();
        frame->MdiArea()->setActiveSubWindow(list);
        list->showNormal();
        list->move(0, 0);
        Pump();
        ASSERT_EQ(frame->Charting()->GetActiveChartDoc(), nullptr);
        check();
        EXPECT_FALSE(notVisibleShown());
        // Filling the window area, the list hides every chart.
        list->showMaximized();
        Pump();
        check();
        EXPECT_TRUE(notVisibleShown());
        list->showNormal();
        Pump();
        check();
        EXPECT_FALSE(notVisibleShown());
    }
    // The follower maximised in front: File New (a new window) and File Open (in place of the
    // ordinary window behind it) both bring the chart in front.
    for (const bool replace : {false, true}) {
        SCOPED_TRACE(replace ? "in place of the ordinary window" : "in a new window");
        frame->MdiArea()->setActiveSubWindow(followerFrame);
        followerFrame->showMaximized();
        Pump();
        ASSERT_EQ(frame->Charting()->GetActiveChartDoc(), follower);
        chart::CChartDoc* opened = frame->OpenChart("", replace, chart::kFrameNormal);
        ASSERT_NE(opened, nullptr);
        Pump();
        auto* openedFrame = dynamic_cast<QMdiSubWindow*>(opened->GetChartFrame());
        ASSERT_NE(openedFrame, nullptr);
        EXPECT_EQ(frame->MdiArea()->activeSubWindow(), openedFrame);
        EXPECT_EQ(frame->MdiArea()->subWindowList(QMdiArea::StackingOrder).back(), openedFrame);
        EXPECT_EQ(frame->Charting()->GetActiveChartDoc(), opened);
        // In front over the maximised window it comes maximised, filling the area.
        EXPECT_TRUE(openedFrame->isMaximized());
        EXPECT_EQ(openedFrame->geometry(), frame->MdiArea()->viewport()->rect());
        const double followerSpan = LongitudeSpan(*follower);
        const double openedSpan = LongitudeSpan(*opened);
        EXPECT_TRUE(frame->Commands().Execute(app::cmd::kChartZoomIn));
        Pump();
        EXPECT_LT(LongitudeSpan(*opened), openedSpan * 0.75);
        EXPECT_DOUBLE_EQ(LongitudeSpan(*follower), followerSpan);
        if (!replace)
            frame->Charting()->Services().closeDocument(opened);
        Pump();
    }
    frame->CloseWithoutConfirmation();
}

TEST_F(ChartWindowsTest, ChartKeysTheToolsMenusRangeAndBearingAndTheCursorPositionLabel)
{
    auto frame = Start();
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    frame->activateWindow();
    Pump();
    chart::CChartView* view = Frames(*frame).front()->View();
    frame->MdiArea()->setActiveSubWindow(Frames(*frame).front());

    // The keys of the chart commands; Range & Bearing sits in the Tools menu.
    const struct {
        unsigned id;
        const char* keys;
    } keys[] = {{app::cmd::kChartLargerScale, "Ctrl++"},
                {app::cmd::kChartSmallerScale, "Ctrl+-"},
                {app::cmd::kChartWorld, "Ctrl+6"},
                {app::cmd::kChartRangeBearing, "Alt+6"}};
    for (const auto& k : keys)
        EXPECT_EQ(frame->Action(k.id)->shortcut(), QKeySequence(QString::fromLatin1(k.keys)))
            << k.id;
    // The chart's own keys are named in the Chart menu, after the tab, without being shortcuts
    // of the window (which would take Home, + and - from every list and field).
    const struct {
        unsigned id;
        const char* shown;
    } viewKeys[] = {{app::cmd::kChartZoomIn, "+"},
                    {app::cmd::kChartZoomOut, "-"},
                    {app::cmd::kChartFull, "Home"}};
    for (const auto& k : viewKeys) {
        QAction* a = frame->Action(k.id);
        EXPECT_TRUE(a->text().endsWith(QLatin1Char('\t') + QString::fromLatin1(k.shown)))
            << a->text().toStdString();
        EXPECT_TRUE(a->shortcut().isEmpty()) << k.id;
    }
    QMenu* tools = frame->menuBar()->findChild<QMenu*>("Menu72");
    QMenu* charts = frame->menuBar()->findChild<QMenu*>("Menu67");
    ASSERT_TRUE(tools && charts);
    EXPECT_TRUE(tools->actions().contains(frame->Action(app::cmd::kChartRangeBearing)));
    EXPECT_FALSE(charts->actions().contains(frame->Action(app::cmd::kChartRangeBearing)));
    EXPECT_EQ(frame->Action(app::cmd::kChartRangeBearing)->text(), "&Range && Bearing");
    QTest::keyClick(view, Qt::Key_6, Qt::AltModifier);
    Pump();
    EXPECT_TRUE(frame->IsRangeBearingMode());
    QTest::keyClick(view, Qt::Key_6, Qt::AltModifier);
    Pump();
    EXPECT_FALSE(frame->IsRangeBearingMode());

    // Chart > Options... is grey while its sheet is open.
    QAction* options = frame->Action(app::cmd::kChartOptions);
    frame->UpdateModuleCmdUI(true);
    EXPECT_TRUE(options->isEnabled());
    options->trigger();
    Pump();
    frame->UpdateModuleCmdUI(true);
    EXPECT_FALSE(options->isEnabled());
    auto* sheet = frame->findChild<QWidget*>("chartOptions", Qt::FindDirectChildrenOnly);
    ASSERT_NE(sheet, nullptr);
    sheet->close();
    Pump();
    frame->UpdateModuleCmdUI(true);
    EXPECT_TRUE(options->isEnabled());

    // The cursor position label, added to the Chart toolbar (as Tools > Customise's "Chart"
    // group offers it), shows the position under the pointer.
    ZoomInUntilTheChartFillsTheView(*Frames(*frame).front());
    std::vector<app::CToolbarButtons> layout = frame->CurrentToolbarButtons();
    for (app::CToolbarButtons& b : layout)
        if (b.id == app::cmd::kBarChart)
            b.buttons.insert(b.buttons.end(), {0u, app::cmd::kChartCursorPosition});
    frame->ApplyToolbarButtons(layout);
    QToolBar* bar = frame->ToolBar(app::cmd::kBarChart);
    ASSERT_NE(bar, nullptr);
    bar->show();
    Pump();
    QAction* cursor = frame->Action(app::cmd::kChartCursorPosition);
    ASSERT_NE(cursor, nullptr);
    auto* label = qobject_cast<QLabel*>(bar->widgetForAction(cursor));
    ASSERT_NE(label, nullptr);
    QCursor::setPos(view->mapToGlobal(view->rect().center()));
    QTest::mouseMove(view, view->rect().center());
    Pump();
    const QString shown = QString::fromStdString(frame->Charting()->GetCursorPositionText());
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_EQ(label->text(), shown);

    // A zoom under a still pointer brings another place under it: the status bar's position
    // pane names it as the label does, not the place the pointer last moved over.
    const QPoint corner(view->width() / 4, view->height() / 4);
    QCursor::setPos(view->mapToGlobal(corner));
    QTest::mouseMove(view, corner);
    Pump();
    const QString before = QString::fromStdString(frame->Charting()->GetCursorPositionText());
    EXPECT_EQ(frame->StatusBar()->PaneText(app::CXStatusBar::PositionPane), before);
    frame->Action(app::cmd::kChartZoomIn)->trigger();
    Pump();
    frame->UpdateModuleCmdUI(true);
    const QString zoomed = QString::fromStdString(frame->Charting()->GetCursorPositionText());
    EXPECT_NE(zoomed, before);
    EXPECT_EQ(label->text(), zoomed);
    EXPECT_EQ(frame->StatusBar()->PaneText(app::CXStatusBar::PositionPane), zoomed);
    frame->CloseWithoutConfirmation();
}

TEST_F(ChartWindowsTest, AChangedChartFolderClosesEveryChartAndBuildsTheListAgain)
{
    auto frame = Start();
    ASSERT_EQ(Frames(*frame).size(), 1u);   // the blank chart, read from no medium
    chart::CChartingModule& charting = *frame->Charting();
    const std::string charts = charting.GetDataFolder();
    const std::size_t listed = charting.GetFolio().size();
    // A new source folder alone closes every chart too, and the list comes back whole.
    std::filesystem::create_directories(dir / "medium");
    chart::ReloadChartFolders(charting, {charts, (dir / "medium").string()}, frame.get());
    Pump();
    EXPECT_EQ(charting.GetSourcePath(), (dir / "medium").string());
    EXPECT_TRUE(Frames(*frame).empty());
    EXPECT_EQ(charting.GetFolio().size(), listed);

    // A new charts folder takes every chart's files away.
    std::filesystem::create_directories(dir / "charts");
    chart::ReloadChartFolders(charting, {(dir / "charts").string(), (dir / "medium").string()},
                              frame.get());
    Pump();
    EXPECT_TRUE(Frames(*frame).empty());
    frame->CloseWithoutConfirmation();
}

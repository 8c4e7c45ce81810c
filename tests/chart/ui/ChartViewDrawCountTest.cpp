// How often a chart view draws its chart: a layout pass that leaves the view
// its size draws nothing again, and the end of a wait paints the status bar
// later rather than forcing every window with a pending paint to paint now.

#include "app/WaitStatus.h"
#include "app/ui/QtWaitHost.h"
#include "app/ui/XStatusBar.h"
#include "chart/ChartDoc.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "chart/ui/ChartView.h"

#include <QApplication>
#include <QResizeEvent>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

int g_argc = 1;
char g_arg0[] = "chart_ui_ChartViewDrawCountTest";
char* g_argv[] = {g_arg0, nullptr};

class LoadedChart final : public chart::CChartDoc {
public:
    bool IsChartLoaded() const override { return true; }
    int DrawChart(chart::CXDC&) override { return 1; }
};

struct DrawCount : ::testing::Test {
    static void SetUpTestSuite()
    {
        static auto* app = new QApplication(g_argc, g_argv);   // lives to the end
        (void)app;
        static chart::CQtBackendFactory painter;
        chart::SetDrawBackendFactory(&painter);
    }
    static void TearDownTestSuite() { chart::SetDrawBackendFactory(nullptr); }
    DrawCount()
    {
        auto* layout = new QVBoxLayout(&window);
        view = new chart::CChartView(doc, nullptr);
        bar = new app::CXStatusBar;
        layout->addWidget(view);
        layout->addWidget(bar);
        window.resize(900, 500);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(50);
    }
    int Draws() const { return view->Pipeline().ChartDraws(); }

    LoadedChart doc;
    QWidget window;
    chart::CChartView* view = nullptr;
    app::CXStatusBar* bar = nullptr;
};

}   // namespace

TEST_F(DrawCount, AResizeToTheSameSizeDrawsNothingAgain)
{
    ASSERT_EQ(Draws(), 1);
    QResizeEvent same(view->size(), view->size());
    QCoreApplication::sendEvent(view, &same);
    QTest::qWait(50);
    EXPECT_EQ(Draws(), 1);
    window.resize(920, 500);
    QTest::qWait(50);
    EXPECT_EQ(Draws(), 2);
}

TEST_F(DrawCount, TheEndOfAWaitLeavesPendingChartPaintsToTheEventLoop)
{
    app::CQtWaitStatusPane pane(bar);
    app::CWaitStatus::SetStatusHost(&pane);
    bar->SetPaneText(app::CXStatusBar::MessagePane, "Ready");
    ASSERT_EQ(Draws(), 1);
    {
        app::CWaitStatus wait;
        EXPECT_NE(bar->PaneText(app::CXStatusBar::MessagePane), "Ready");
        view->InvalidateChart();   // a chart opened during the wait
    }
    EXPECT_EQ(bar->PaneText(app::CXStatusBar::MessagePane), "Ready");
    EXPECT_EQ(Draws(), 1);   // not painted from inside the wait's end
    QTest::qWait(50);
    EXPECT_EQ(Draws(), 2);   // the event loop's one paint
    app::CWaitStatus::SetStatusHost(nullptr);
}

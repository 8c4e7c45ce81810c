// Saved places applied again (a workspace opened, a chart window restored) keep every window
// wholly where the user can see it: a place saved on a larger screen, or one reaching above the
// top, comes back moved and shrunk onto the screen, and a child window inside the window area.
#include <QApplication>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "FrameTestServices.h"
#include "chart/ChartingModule.h"
#include "chart/ui/ChartFrame.h"
#include "shell/ChartingSetup.h"
#include "shell/MainFrame.h"

namespace {

QApplication& App()
{
    static int argc = 1;
    static char arg0[] = "shell_WindowPlacementTest";
    static char* argv[] = {arg0, nullptr};
    static auto* app = new QApplication(argc, argv);   // never destroyed: Qt's exit order
    return *app;
}

TEST(WindowPlacement, SavedPlacesComeBackWhollyOnTheScreen)
{
    App();
    brine_test::FrameTestServices services;
    shell::CFrameServices s = services.Services();
    shell::CMainFrame* current = nullptr;
    s.moduleFactories.push_back([&current] { return shell::MakeChartingModule(*current); });
    shell::CMainFrame frame(std::move(s));
    current = &frame;
    ASSERT_TRUE(frame.OnCreate());
    ASSERT_TRUE(frame.CompleteStartUp());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();

    // The frame saved 114 pixels taller than this screen (its status and message bars would
    // lie below it), and saved with its top above the screen.
    for (const QRect saved :
         {QRect(screen.left(), screen.top(), screen.width(), screen.height() + 114),
          QRect(screen.left() + 20, screen.top() - 15, screen.width() / 2, screen.height() / 2)}) {
        frame.showNormal();
        frame.setGeometry(saved);
        const std::string layout = frame.SaveLayout();
        frame.setGeometry(screen.adjusted(40, 40, -40, -40));
        ASSERT_TRUE(frame.RestoreLayout(layout));
        QTest::qWait(20);
        EXPECT_TRUE(screen.contains(frame.frameGeometry()))
            << frame.frameGeometry().x() << "," << frame.frameGeometry().y() << " "
            << frame.frameGeometry().width() << "x" << frame.frameGeometry().height();
    }

    // A chart window's saved place with its title bar above the window area.
    frame.setGeometry(screen.adjusted(0, 0, -40, -40));
    QTest::qWait(20);
    chart::CChartDoc* doc = frame.OpenChart("", false, 0);
    ASSERT_NE(doc, nullptr);
    auto* chartFrame = dynamic_cast<chart::CChartFrame*>(doc->GetChartFrame());
    ASSERT_NE(chartFrame, nullptr);
    chart::CWindowPlacement placement;
    placement.showCmd = 1;
    placement.normal = {30, -15, 330, 185};
    chartFrame->SetPlacement(placement);
    const QRect view = frame.MdiArea()->viewport()->rect();
    EXPECT_TRUE(view.contains(chartFrame->geometry()))
        << chartFrame->geometry().x() << "," << chartFrame->geometry().y();
    EXPECT_EQ(chartFrame->geometry().top(), 0);

    // Any child placed so (a picture, a list) is brought inside when the frame's windows are
    // kept on the screen, as after a workspace opens.
    chartFrame->move(10, -20);
    const std::string layout = frame.SaveLayout();
    ASSERT_TRUE(frame.RestoreLayout(layout));
    EXPECT_GE(chartFrame->geometry().top(), 0);
    frame.TearDown();
}

}   // namespace

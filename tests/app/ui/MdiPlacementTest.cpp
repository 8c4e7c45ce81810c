#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <gtest/gtest.h>

#include "app/ui/MdiPlacement.h"

namespace {

int g_argc = 1;
char g_arg0[] = "app_ui_MdiPlacementTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed
    return *app;
}

// A main window laid out as the program's: the MDI area in the centre, a
// side panel docked at the right.
struct MdiPlacement : ::testing::Test {
    MdiPlacement()
    {
        area = new QMdiArea(&frame);
        frame.setCentralWidget(area);
        auto* panel = new QDockWidget("Monitor", &frame);
        panel->setWidget(new QLabel("side panel"));
        panel->setMinimumWidth(300);
        frame.addDockWidget(Qt::RightDockWidgetArea, panel);
        app::PlaceNewWindowsInside(*area);
        frame.resize(1280, 800);
        frame.show();
        QCoreApplication::processEvents();
    }

    QRect View() const { return area->viewport()->rect(); }

    // As a report preview opens: added, sized to most of the area, then shown.
    QMdiSubWindow* OpenLarge()
    {
        auto* content = new QLabel("preview");
        QMdiSubWindow* sub = area->addSubWindow(content);
        sub->resize(View().width() * 4 / 5, View().height() * 9 / 10);
        content->show();
        QCoreApplication::processEvents();
        return sub;
    }

    QApplication& app = App();
    QMainWindow frame;
    QMdiArea* area = nullptr;
};

}   // namespace

TEST_F(MdiPlacement, NewWindowsOpenWhollyInsideTheAreaBesideTheDockedPanel)
{
    ASSERT_LT(area->geometry().right(), frame.width() - 250) << "the panel is docked at the right";
    // A small window first, so the area's own placement puts the next ones
    // to its right or below it, where their size no longer fits.
    auto* small = area->addSubWindow(new QLabel("small"));
    small->resize(300, 200);
    small->show();
    for (int i = 0; i < 3; ++i) {
        QMdiSubWindow* sub = OpenLarge();
        EXPECT_TRUE(View().contains(sub->geometry()))
            << "window " << i << " at " << sub->x() << "," << sub->y() << " " << sub->width() << "x"
            << sub->height() << " in " << View().width() << "x" << View().height();
        EXPECT_EQ(sub->size(), QSize(View().width() * 4 / 5, View().height() * 9 / 10));
    }
    // Larger than the area: shrunk to it.
    QMdiSubWindow* huge = area->addSubWindow(new QLabel("huge"));
    huge->resize(View().width() + 400, View().height() + 300);
    huge->show();
    EXPECT_EQ(huge->geometry(), View());
}

TEST_F(MdiPlacement, PlacesGivenAfterTheFirstShowingAndMaximisedWindowsAreKept)
{
    // A saved workspace puts a window back where the user left it, partly
    // past the edge, once it shows.
    QMdiSubWindow* restored = area->addSubWindow(new QLabel("restored"));
    restored->show();
    const QRect saved(View().width() - 150, 40, 500, 300);
    restored->setGeometry(saved);
    restored->hide();
    restored->show();
    EXPECT_EQ(restored->geometry(), saved);

    QMdiSubWindow* full = area->addSubWindow(new QLabel("first chart"));
    full->showMaximized();
    EXPECT_TRUE(full->isMaximized());
    EXPECT_EQ(full->geometry(), View());
}

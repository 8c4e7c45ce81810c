// A side panel's button that disables itself while it holds the keyboard
// (a route's Apply once the route is stored), or a panel hidden while one of
// its controls holds it (F4 switching from the monitor to the route panel),
// must not send the keyboard, and with it the window area's activation, to a
// chart window hidden behind the one the navigator is looking at.
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "app/ui/SidePanel.h"

namespace {

int g_argc = 1;
char g_arg0[] = "app_ui_SidePanelFocusTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed
    return *app;
}

// A panel with a text field and two buttons, as the route and chartpoint
// panels have them.
class CButtonsPanel : public app::CSidePanel {
public:
    CButtonsPanel()
    {
        auto* body = new QWidget(this);
        auto* layout = new QVBoxLayout(body);
        field = new QLineEdit(body);
        edit = new QPushButton(QStringLiteral("Edit"), body);
        apply = new QPushButton(QStringLiteral("Apply"), body);
        layout->addWidget(field);
        layout->addWidget(edit);
        layout->addWidget(apply);
        setWidget(body);
    }
    void InitPanel() override { show(); }

    QLineEdit* field = nullptr;
    QPushButton* edit = nullptr;
    QPushButton* apply = nullptr;
};

// The frame as the program lays it out: two maximised chart windows, each
// with a focusable view, and the panel docked beside them. The second window
// is in front, as after a first start (the vector overview over the raster
// chart).
struct SidePanelFocus : ::testing::Test {
    SidePanelFocus()
    {
        App();
        area = new QMdiArea(&frame);
        frame.setCentralWidget(area);
        for (QMdiSubWindow*& sub : charts) {
            auto* view = new QLineEdit;
            sub = area->addSubWindow(view);
            sub->showMaximized();
        }
        panel = new CButtonsPanel;
        panel->Create(1, &frame);
        frame.resize(1200, 800);
        frame.show();
        frame.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&frame));
        area->setActiveSubWindow(charts[1]);
        QCoreApplication::processEvents();
    }

    QMainWindow frame;
    QMdiArea* area = nullptr;
    QMdiSubWindow* charts[2] = {};
    CButtonsPanel* panel = nullptr;
};

TEST_F(SidePanelFocus, AButtonDisabledUnderTheKeyboardLeavesTheChartInFront)
{
    panel->apply->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), panel->apply);

    panel->apply->setEnabled(false);
    QCoreApplication::processEvents();

    EXPECT_EQ(area->activeSubWindow(), charts[1]);
    // The keyboard stays in the panel, on a control that can take it.
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(panel->isAncestorOf(focus));
    EXPECT_TRUE(focus->isEnabled());
}

TEST_F(SidePanelFocus, APanelWithNothingLeftToFocusLetsTheKeyboardGo)
{
    panel->field->setEnabled(false);
    panel->edit->setEnabled(false);
    panel->apply->setFocus();
    QCoreApplication::processEvents();

    panel->apply->setEnabled(false);
    QCoreApplication::processEvents();

    EXPECT_EQ(area->activeSubWindow(), charts[1]);
    QWidget* focus = QApplication::focusWidget();
    EXPECT_TRUE(focus == nullptr || !area->isAncestorOf(focus));
}

// The frame switches panels by hiding the one shown; a field of it may hold
// the keyboard (the monitor's Auto box just clicked).
TEST_F(SidePanelFocus, APanelHiddenUnderTheKeyboardLeavesTheChartInFront)
{
    panel->field->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), panel->field);

    panel->hide();
    QCoreApplication::processEvents();

    EXPECT_EQ(area->activeSubWindow(), charts[1]);
    QWidget* focus = QApplication::focusWidget();
    EXPECT_TRUE(focus == nullptr || !area->isAncestorOf(focus));

    // Shown again, the panel's controls take the keyboard as before.
    panel->show();
    panel->edit->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), panel->edit);
}

// A card of a panel hidden under the keyboard (another tab chosen) hands it
// to a control of the panel still shown.
TEST_F(SidePanelFocus, ACardHiddenUnderTheKeyboardKeepsItInThePanel)
{
    panel->apply->setFocus();
    QCoreApplication::processEvents();

    panel->apply->hide();
    QCoreApplication::processEvents();

    EXPECT_EQ(area->activeSubWindow(), charts[1]);
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(panel->isAncestorOf(focus));
    EXPECT_TRUE(focus->isVisible());
}

// A panel that overrides nothing stays hidden once created, has no title, hits nothing and
// handles neither properties, deletion nor the context menu. Only its edit controls report
// and take the modified flag, found by their control id.
TEST(SidePanelBase, APanelOfItsOwnDoesNothingAndOnlyEditsAreModified)
{
    App();
    QMainWindow frame;
    auto* panel = new app::CSidePanel;
    ASSERT_TRUE(panel->Create(2099, &frame));
    frame.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(panel->isHidden());
    EXPECT_TRUE(panel->GetTitle().isEmpty());
    EXPECT_EQ(panel->HitTestActiveChart(QPoint(5, 5)), nullptr);
    EXPECT_FALSE(panel->ShowProperties(nullptr));
    EXPECT_FALSE(panel->DeleteSelected());
    QMenu menu;
    EXPECT_FALSE(panel->ShowContextMenu(menu, true));
    EXPECT_TRUE(menu.isEmpty());
    EXPECT_TRUE(panel->GetPanelFlag());

    auto* body = new QWidget(panel);
    auto* field = new QLineEdit(body);
    field->setProperty("controlId", 1001);
    auto* button = new QPushButton(QStringLiteral("Apply"), body);
    button->setProperty("controlId", 1002);
    panel->setWidget(body);
    EXPECT_FALSE(panel->IsEditModified(1001));
    panel->SetEditModified(1001, true);
    EXPECT_TRUE(panel->IsEditModified(1001));
    panel->SetEditModified(1002, true);
    EXPECT_FALSE(panel->IsEditModified(1002));   // a button
    EXPECT_FALSE(panel->IsEditModified(1003));   // no such control
}

}   // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    App();
    return RUN_ALL_TESTS();
}

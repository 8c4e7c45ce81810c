// The ARPA options page's Display card over two targets from a TTM feed:
// the first MaxTargets rows are marked as drawn, UP and DOWN follow the
// selected row, and the order applied is the one the chart draws; the
// General card's Line Width reaches the targets' track line.
#include "targets/ui/ARPAOptionsPage.h"

#include "ARPARig.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

int g_argc = 1;
char g_arg0[] = "targets_ui_ARPAOptionsPageTest";
char* g_argv[] = {g_arg0, nullptr};

TEST(ARPAOptionsPage, DisplayOrderChoosesTheTargetsDrawnAndLineWidthTheTrack)
{
    QApplication app(g_argc, g_argv);
    brine_test::ARPARig<targets::CARPAModule> rig;
    auto options = rig.module.GetOptions();
    options.pass.maxTargets = 1;
    rig.module.ApplyOptions(options);
    ASSERT_TRUE(rig.Receive({"RATTM,01,1.0,045.0,T,10.0,045.0,T,,,N,ONE,T,,,A",
                             "RATTM,02,1.5,090.0,T,10.0,045.0,T,,,N,TWO,T,,,A"}));
    rig.Pass();
    ASSERT_NE(rig.Target(1), nullptr);
    ASSERT_NE(rig.Target(2), nullptr);
    EXPECT_TRUE(rig.module.IsShown(*rig.Target(1)));
    EXPECT_FALSE(rig.module.IsShown(*rig.Target(2)));

    targets::CARPAOptionsPage page(
        std::make_unique<targets::CARPAOptionsModel>(rig.module, [](const std::string&) {}),
        &rig.ports);
    page.ModelToControls();
    page.show();
    auto* tabs = page.findChild<QTabWidget*>("arpaCards");
    auto* list = page.findChild<QTreeWidget*>("displayOrder");
    auto* up = page.findChild<QPushButton*>("up");
    auto* down = page.findChild<QPushButton*>("down");
    ASSERT_TRUE(tabs && list && up && down);
    ASSERT_EQ(tabs->tabText(2), "Display");
    tabs->setCurrentIndex(2);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    const auto row = [list](int r) {
        QTreeWidgetItem* item = list->topLevelItem(r);
        return item->text(1).toStdString() + " " + item->text(2).toStdString() +
               (item->data(0, Qt::UserRole).toBool() ? " drawn" : "");
    };
    EXPECT_EQ(row(0), "1 ONE drawn");
    EXPECT_EQ(row(1), "2 TWO");
    EXPECT_EQ(list->topLevelItem(0)->text(3), "Tracking");

    // The first row selected from the start: only DOWN.
    EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
    EXPECT_FALSE(up->isEnabled());
    EXPECT_TRUE(down->isEnabled());
    // TWO up: it takes the first place, and the mark with it.
    list->setCurrentItem(list->topLevelItem(1));
    ASSERT_TRUE(up->isEnabled());
    EXPECT_FALSE(down->isEnabled());
    up->click();
    EXPECT_EQ(row(0), "2 TWO drawn");
    EXPECT_EQ(row(1), "1 ONE");
    EXPECT_EQ(list->currentItem(), list->topLevelItem(0));

    // MaxTargets typed on the General card marks as many when the card shows again.
    tabs->setCurrentIndex(0);
    page.findChild<QLineEdit*>("maxTargets")->setText("2");
    tabs->setCurrentIndex(2);
    EXPECT_EQ(row(1), "1 ONE drawn");
    tabs->setCurrentIndex(0);
    page.findChild<QLineEdit*>("maxTargets")->setText("1");

    auto* width = page.findChild<QComboBox*>("lineWidth");
    ASSERT_NE(width, nullptr);
    ASSERT_EQ(width->count(), 4);
    width->setCurrentIndex(2);
    ASSERT_FALSE(page.ControlsToModel());
    page.Model().Apply();
    EXPECT_TRUE(rig.module.IsShown(*rig.Target(2)));
    EXPECT_FALSE(rig.module.IsShown(*rig.Target(1)));
    EXPECT_EQ(rig.Target(2)->displayOrder, 1);
    EXPECT_EQ(rig.module.Properties().Line().GetWidth(), 3);
}

}   // namespace

// The option chooser: one item answers at once, headings and items with
// children cannot be chosen, the first choice is selected so Return takes it.
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/ui/TreeListOptionDlg.h"

namespace {

int g_argc = 1;
char g_arg0[] = "app_ui_TreeListOptionDlgTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

// Runs the chooser; `shown` learns whether its window came up (it is then cancelled).
int ChooseAndCancel(app::CTreeListOptionDlg& dlg, bool& shown)
{
    shown = false;
    QTimer::singleShot(0, &dlg, [&] {
        shown = dlg.isVisible();
        dlg.reject();
    });
    const int chosen = dlg.Choose();
    QCoreApplication::processEvents();
    return chosen;
}

TEST(TreeListOptionDlg, OnlyASingleItemAnswersWithoutAWindow)
{
    App();
    bool shown = true;
    app::CTreeListOptionDlg dlg;
    dlg.AddTextItem("Chart List", 0, app::kImageReport, 9);
    EXPECT_EQ(ChooseAndCancel(dlg, shown), 9);
    EXPECT_FALSE(shown);
    // A heading with one option under it is two items: the window asks.
    app::CTreeListOptionDlg headed;
    headed.AddTextItem("Chart", 0, app::kImageChart, 0);
    headed.AddTextItem("Blank Chart", 1, app::kImageChart, 1);
    EXPECT_EQ(ChooseAndCancel(headed, shown), 0);
    EXPECT_TRUE(shown);
    // Nothing that can be chosen still shows what there is.
    app::CTreeListOptionDlg none;
    none.AddTextItem("Route", 0, app::kImageRoute, 0);
    none.AddTextItem("Database", 1, app::kHeadingImage, 5);
    EXPECT_EQ(ChooseAndCancel(none, shown), 0);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(none.OkButton()->isEnabled());
    // Nothing added: nothing asked.
    app::CTreeListOptionDlg empty;
    EXPECT_EQ(ChooseAndCancel(empty, shown), 0);
    EXPECT_FALSE(shown);
}

// The expand flag opens the top level only; without it nothing is open.
TEST(TreeListOptionDlg, ExpandOpensTheTopLevelOnly)
{
    App();
    for (const bool expand : {false, true}) {
        app::CTreeListOptionDlg dlg;
        dlg.SetExpand(expand);
        dlg.AddTextItem("Print", 0, app::kHeadingImage, 0);
        dlg.AddTextItem("Route", 1, app::kImageRoute, 0);
        dlg.AddTextItem("Route List", 2, app::kImageReport, 3);
        dlg.AddTextItem("Log", 0, app::kImageLog, 0);
        dlg.AddTextItem("Log List", 1, app::kImageReport, 4);
        dlg.Build();
        QTreeWidget* tree = dlg.Tree();
        ASSERT_EQ(tree->topLevelItemCount(), 2);
        QTreeWidgetItem* print = tree->topLevelItem(0);
        ASSERT_EQ(print->childCount(), 1);
        EXPECT_EQ(print->isExpanded(), expand);
        EXPECT_EQ(tree->topLevelItem(1)->isExpanded(), expand);
        EXPECT_FALSE(print->child(0)->isExpanded()) << "the second level stays closed";
        EXPECT_EQ(print->child(0)->child(0)->text(0), "Route List");
    }
}

TEST(TreeListOptionDlg, HeadingsAndParentsCannotBeChosen)
{
    App();
    app::CTreeListOptionDlg dlg;
    dlg.SetExpand(true);
    dlg.AddTextItem("Chart", 0, app::kImageChart, 0);
    dlg.AddTextItem("Blank Chart", 1, app::kImageChart, 1);
    dlg.AddTextItem("Route", 0, app::kImageRoute, 0);
    dlg.AddTextItem("Database", 1, app::kHeadingImage, 5);   // a route in use
    dlg.AddTextItem("Plan", 1, app::kImagePlan, 6);
    dlg.Build();
    QTreeWidget* tree = dlg.Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->currentItem()->text(0), "Blank Chart");
    EXPECT_TRUE(dlg.OkButton()->isEnabled());
    tree->setCurrentItem(tree->topLevelItem(1));   // a heading with children
    EXPECT_FALSE(dlg.OkButton()->isEnabled());
    tree->setCurrentItem(tree->topLevelItem(1)->child(0));   // the heading image
    EXPECT_FALSE(dlg.OkButton()->isEnabled());
    tree->setCurrentItem(tree->topLevelItem(1)->child(1));
    EXPECT_TRUE(dlg.OkButton()->isEnabled());
    // Return in the shown chooser takes the selected option.
    QTimer::singleShot(0, &dlg, [&] { dlg.OkButton()->click(); });
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_EQ(dlg.Result(), 6);
}

}   // namespace

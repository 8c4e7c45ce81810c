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

TEST(TreeListOptionDlg, OneOptionAnswersWithoutAWindow)
{
    App();
    app::CTreeListOptionDlg dlg;
    dlg.AddTextItem("Chart List", 0, app::kImageReport, 9);
    EXPECT_EQ(dlg.Choose(), 9);
    EXPECT_FALSE(dlg.isVisible());
    // A heading with one option under it: still one choice.
    app::CTreeListOptionDlg headed;
    headed.AddTextItem("Chart", 0, app::kImageChart, 0);
    headed.AddTextItem("Blank Chart", 1, app::kImageChart, 1);
    EXPECT_EQ(headed.Choose(), 1);
    EXPECT_FALSE(headed.isVisible());
    // Nothing to choose: no window, no answer.
    app::CTreeListOptionDlg none;
    none.AddTextItem("Route", 0, app::kImageRoute, 0);
    none.AddTextItem("Database", 1, app::kHeadingImage, 5);
    EXPECT_EQ(none.Choose(), 0);
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

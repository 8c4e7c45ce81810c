// "Custom Chart Management" as the management page opens it, offscreen: the
// details box says "No selection" until a row is chosen, and a row's field
// hands the keyboard on to that row's chart button.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <gtest/gtest.h>

#include "../support/InstallFixture.h"
#include "TempFolder.h"
#include "charts/ui/CustomChartDlg.h"

namespace {

int g_argc = 1;
char g_name[] = "charts_CustomChartDlg";
char* g_argv[] = {g_name, nullptr};

QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

TEST(CustomChartDlg, OpensWithNoSelectionAndAFieldFocusesItsRowsChartButton)
{
    App();
    brine_test::TempFolder dir;
    brine_test::Installation in(dir.Path());
    in.MakeCharts(false);
    ASSERT_TRUE(in.SeedCatalogue());

    charts::CARCSCustomDlg dialog(*in.arcs, nullptr);
    dialog.show();
    dialog.activateWindow();
    Settle();
    auto* details = dialog.findChild<QLabel*>("Details");
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(details->text().toStdString(), "\nNo selection");
    EXPECT_EQ(QApplication::focusWidget(), dialog.findChild<QToolButton*>("Chart0"));

    // The second row's description: the keyboard goes to its chart button
    // and the box names that chart.
    QLineEdit* field = nullptr;
    for (auto* edit : dialog.findChildren<QLineEdit*>())
        if (edit->text() == "Chart RC2002")
            field = edit;
    ASSERT_NE(field, nullptr);
    field->setFocus(Qt::MouseFocusReason);
    Settle();
    EXPECT_EQ(QApplication::focusWidget(), dialog.findChild<QToolButton*>("Chart1"));
    EXPECT_EQ(details->text().toStdString(), "\nChart RC2002 (1:50000)");
}

}   // namespace

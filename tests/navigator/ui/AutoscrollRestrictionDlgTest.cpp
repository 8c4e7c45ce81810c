// "Charts restricted by Autoscroll" offscreen: the buttons follow the
// selection, Select All and Select None, Remove hands back the charts not
// selected in their order, Cancel hands back the list unchanged. A picture
// of the dialog goes to BRINE_SHOTS_DIR when that is set.

#include <QApplication>
#include <QDir>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/ui/ListControls.h"
#include "navigator/ui/AutoscrollRestrictionDlg.h"

namespace {

int g_argc = 1;
char g_name[] = "navigator_ui_test";
char* g_argv[] = {g_name, nullptr};

QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

std::vector<navigator::CRestrictedChart> Charts()
{
    static const int items[3] = {};
    return {{&items[0], "RC9001", "ARCS", "Puget Sound - Admiralty Inlet to Seattle"},
            {&items[1], "RC9002", "ARCS", "Port Townsend"},
            {&items[2], "RC9003", "Seafarer", "Elliott Bay"}};
}

TEST(AutoscrollRestrictionDlg, RemoveTakesTheSelectedChartsOff)
{
    App();
    const auto charts = Charts();
    navigator::CAutoscrollRestrictionDlg dlg(charts);
    dlg.show();
    QApplication::processEvents();
    EXPECT_EQ(dlg.windowTitle(), "Charts restricted by Autoscroll");
    EXPECT_EQ(dlg.List()->model()->rowCount(), 3);
    EXPECT_FALSE(dlg.RemoveButton()->isEnabled());
    EXPECT_FALSE(dlg.SelectNoneButton()->isEnabled());
    EXPECT_TRUE(dlg.SelectAllButton()->isEnabled());
    // Every column wider than its widest text.
    const QFontMetrics fm = dlg.List()->fontMetrics();
    EXPECT_GT(dlg.List()->columnWidth(0), fm.horizontalAdvance("RC9001"));

    dlg.SelectAllButton()->click();
    EXPECT_EQ(dlg.List()->SelectedCount(), 3);
    EXPECT_FALSE(dlg.SelectAllButton()->isEnabled());
    EXPECT_TRUE(dlg.RemoveButton()->isEnabled());
    dlg.SelectNoneButton()->click();
    EXPECT_EQ(dlg.List()->SelectedCount(), 0);
    EXPECT_FALSE(dlg.RemoveButton()->isEnabled());

    dlg.List()->SelectRange(1, 1);
    EXPECT_TRUE(dlg.RemoveButton()->isEnabled());
    if (const char* shots = std::getenv("BRINE_SHOTS_DIR"); shots && *shots) {
        QDir().mkpath(shots);
        dlg.grab().save(QString(shots) + "/autoscroll_restrictions.png");
    }
    dlg.RemoveButton()->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Kept(), (std::vector<navigator::CRestrictedChart>{charts[0], charts[2]}));
}

TEST(AutoscrollRestrictionDlg, CancelKeepsTheListAndOneRowSelectsItself)
{
    App();
    const auto charts = Charts();
    navigator::CAutoscrollRestrictionDlg dlg(charts);
    dlg.List()->SelectRange(0, 2);
    dlg.reject();
    EXPECT_EQ(dlg.Kept(), charts);

    navigator::CAutoscrollRestrictionDlg single({charts[1]});
    single.SelectAllButton()->click();
    EXPECT_EQ(single.List()->SelectedCount(), 1);
    single.RemoveButton()->click();
    EXPECT_TRUE(single.Kept().empty());
}

}   // namespace

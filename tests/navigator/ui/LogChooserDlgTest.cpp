// The log chooser dialog over a real log: each append's leaf shows the
// picture of what its files hold (rows and track, a track only), the group
// its own, every picture a different one, and the tooltip says it in words.
#include <QApplication>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstdlib>

#include "TwoAppendLog.h"
#include "navigator/LogChooser.h"
#include "navigator/ui/LogChooserDlg.h"
#include "navigator/ui/LogLeafIcons.h"

using namespace navigator;
using namespace std::chrono;

namespace {

int g_argc = 1;
char g_arg0[] = "navigator_ui_LogChooserDlgTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

QImage Picture(const QIcon& icon)
{
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

}   // namespace

TEST(LogChooserDlg, LeavesShowWhatTheirAppendsHold)
{
    App();
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    brine_test::TempFolder dir;
    brine_test::FakeClock clock;
    {
        CVesselLogbook log(clock, {});
        brine_test::WriteTwoAppendLog(log, clock, dir);
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(log.Close(true));
    }
    CLogChooserDlg dialog(dir.Path(), false);
    QTreeWidget* tree = dialog.Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* file = tree->topLevelItem(0);
    tree->expandItem(file);
    ASSERT_EQ(file->childCount(), 1);
    QTreeWidgetItem* group = file->child(0);
    ASSERT_EQ(group->childCount(), 2);
    EXPECT_EQ(Picture(group->icon(0)), Picture(LogLeafIcon(kLeafGroup)));
    EXPECT_EQ(Picture(group->child(0)->icon(0)), Picture(LogLeafIcon(kLeafRowsAndTrack)));
    EXPECT_EQ(Picture(group->child(1)->icon(0)), Picture(LogLeafIcon(kLeafTrackOnly)));
    EXPECT_TRUE(group->child(1)->toolTip(0).endsWith(LogLeafMeaning(kLeafTrackOnly)));
    // Each picture tells its kind apart from the others.
    const int kinds[] = {kLeafRowsOnly, kLeafTrackOnly, kLeafRowsAndTrack, kLeafGroup, kLeafEmpty};
    for (int a : kinds) {
        EXPECT_FALSE(Picture(LogLeafIcon(a)).isNull());
        for (int b : kinds) {
            if (a != b) {
                EXPECT_NE(Picture(LogLeafIcon(a)), Picture(LogLeafIcon(b))) << a << " " << b;
            }
        }
    }
}

// The log chooser dialog over a real log: each append's leaf shows the
// picture of what its files hold (rows and track, a track only), the group
// its own, every picture a different one, and the tooltip says it in words.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstdlib>

#include "OuterTools.h"
#include "TwoAppendLog.h"
#include "app/WaitStatus.h"
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

// "Files of type" lists older logs; the one picked is opened as a vessel log,
// converted into a current index with its rows in the companion folder.
TEST(LogChooserDlg, AnOlderLogIsPickedAndConverted)
{
    App();
    brine_test::TempFolder dir;
    const char* older = R"(
import sys, os, dbf
base = sys.argv[1]
t = dbf.Table(base + '.dbf', 'TIME C(5); DATE C(8); LAT C(10); LNG C(10); DTM C(3); COG C(6); '
              'SOG C(6); TYPE C(12); NOTE M', dbf_type='db3', codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('13:45', '24/12/98', '50.5', '-1.25', '-1', '123.5', '12.25', 'sys dr', 'Off the Needles'))
t.append(('14:15', '24/12/98', '50.55', '-1.4', '-1', '270', '11', 'Manual', ''))
t.close()
os.rename(base + '.dbf', base + '.log')
os.rename(base + '.dbt', base + '.lom')
)";
    ASSERT_EQ(brine_test::Python(dir.Path(), older, (dir / "Christmas").string()), "");
    CLogChooserDlg dialog(dir.Path(), false);
    EXPECT_EQ(dialog.windowTitle(), "Open Log Database");
    auto* folder = dialog.findChild<QLineEdit*>(QStringLiteral("LogFolder"));
    ASSERT_NE(folder, nullptr);
    EXPECT_TRUE(folder->isReadOnly());
    QComboBox* types = dialog.Types();
    ASSERT_EQ(types->count(), 2);
    EXPECT_EQ(types->itemText(0), "Log DB (*.dbf)");
    EXPECT_EQ(types->itemText(1), "Old Log DB (*.log)");
    EXPECT_EQ(dialog.Tree()->topLevelItemCount(), 0) << "no vessel log yet";
    types->setCurrentIndex(1);
    ASSERT_EQ(dialog.Tree()->topLevelItemCount(), 1);
    QTreeWidgetItem* file = dialog.Tree()->topLevelItem(0);
    EXPECT_EQ(file->text(0), "Christmas");
    dialog.Tree()->setCurrentItem(file);
    dialog.accept();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Choice().log.filename(), "Christmas.log");
    EXPECT_FALSE(dialog.Choice().vesselChosen);

    brine_test::FakeClock clock;
    CVesselLogbook log(clock, {});
    log.SetFolder(dir.Path());
    ASSERT_TRUE(log.Open(dialog.Choice().log.string())) << log.LastError();
    EXPECT_EQ(log.LogTitle(), "Christmas");
    ASSERT_TRUE(log.Close(true));
    const std::string read = brine_test::Python(dir.Path(), R"(
import sys, dbfread
base = sys.argv[1]
index = list(dbfread.DBF(base + '.dbf'))
print(len(index), index[0]['VSLTYPE'], index[0]['VSLID'], index[0]['APPENDNO'])
rows = list(dbfread.DBF(base + '.X/%08d.dbf' % index[0]['UNIQUE']))
print(len(rows), rows[0]['NOTE'], rows[1]['TYPE'])
)",
                                                (dir / "Christmas").string());
    EXPECT_EQ(read, "1 1 1 1\n2 Off the Needles 11\n");
    // Back on vessel logs, the converted one is listed.
    types->setCurrentIndex(0);
    ASSERT_EQ(dialog.Tree()->topLevelItemCount(), 1);
    EXPECT_EQ(dialog.Tree()->topLevelItem(0)->text(0), "Christmas");
}

// The buttons answer to their Alt letters; Open waits for a choice.
TEST(LogChooserDlg, ButtonsHaveTheirAccessKeys)
{
    App();
    brine_test::TempFolder dir;
    CLogChooserDlg dialog(dir.Path(), true);
    QStringList texts;
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        texts << button->text();
        if (button->text() == "&Open")
            EXPECT_FALSE(button->isEnabled());
    }
    texts.sort();
    EXPECT_EQ(texts, (QStringList{"&Cancel", "&Open"}));
    // Tab goes down the dialog: the folder, the logs, their type, the check box.
    QStringList order;
    QWidget* w = dialog.findChild<QLineEdit*>(QStringLiteral("LogFolder"));
    for (int i = 0; w && order.size() < 4 && i < 50; ++i, w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            order << w->metaObject()->className();
    EXPECT_EQ(order, (QStringList{"QLineEdit", "QTreeWidget", "QComboBox", "QCheckBox"}));
    auto* append = dialog.findChild<QCheckBox*>();
    ASSERT_NE(append, nullptr);
    EXPECT_EQ(append->text(), "&Append to current log");
    EXPECT_TRUE(append->isChecked());
}

// Listing the folder's logs and reading one log's appends each show the
// wait cursor while they read.
TEST(LogChooserDlg, ReadingShowsTheWaitCursor)
{
    App();
    struct CCursor final : app::CWaitHost {
        int waits = 0;
        void SetWaitCursor(bool on) override { waits += on ? 1 : 0; }
        std::optional<std::string> StatusText() const override { return std::nullopt; }
        void SetStatusText(const std::string&) override { }
    } cursor;
    brine_test::TempFolder dir;
    brine_test::FakeClock clock;
    {
        CVesselLogbook log(clock, {});
        brine_test::WriteTwoAppendLog(log, clock, dir);
        ASSERT_TRUE(log.Close(true));
    }
    app::CWaitStatus::SetCursorHost(&cursor);
    CLogChooserDlg dialog(dir.Path(), false);
    EXPECT_EQ(cursor.waits, 1);
    ASSERT_EQ(dialog.Tree()->topLevelItemCount(), 1);
    dialog.Tree()->expandItem(dialog.Tree()->topLevelItem(0));
    EXPECT_EQ(cursor.waits, 2);
    app::CWaitStatus::SetCursorHost(nullptr);
}

// A leaf chooses its append of the vessel, a group every append of it, a log
// the whole log; "Append to current log" goes with the choice.
TEST(LogChooserDlg, TheChoiceIsALogAVesselOrOneAppend)
{
    App();
    brine_test::TempFolder dir;
    brine_test::FakeClock clock;
    std::uint32_t vessel = 0;
    {
        CVesselLogbook log(clock, {});
        brine_test::WriteTwoAppendLog(log, clock, dir);
        ASSERT_TRUE(log.OwnVessel());
        vessel = log.OwnVessel()->vesselId;
        ASSERT_TRUE(log.Close(true));
    }
    const auto choose = [&](const std::vector<int>& path, bool append) {
        CLogChooserDlg dialog(dir.Path(), !append);
        QTreeWidget* tree = dialog.Tree();
        QTreeWidgetItem* item = tree->topLevelItem(0);
        tree->expandItem(item);
        for (int child : path)
            item = item->child(child);
        tree->setCurrentItem(item);
        if (append != dialog.findChild<QCheckBox*>()->isChecked())
            dialog.findChild<QCheckBox*>()->click();
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        return dialog.Choice();
    };
    CLogChooserDlg::CChoice c = choose({0, 1}, true);
    EXPECT_EQ(c.log, dir / "Passage.dbf");
    EXPECT_TRUE(c.vesselChosen);
    EXPECT_EQ(c.vesselId, vessel);
    EXPECT_EQ(c.appendNo, 2u);
    EXPECT_TRUE(c.appendToLog);
    c = choose({0}, false);
    EXPECT_TRUE(c.vesselChosen);
    EXPECT_EQ(c.vesselId, vessel);
    EXPECT_EQ(c.appendNo, 0u);
    EXPECT_FALSE(c.appendToLog);
    c = choose({}, false);
    EXPECT_EQ(c.log, dir / "Passage.dbf");
    EXPECT_FALSE(c.vesselChosen);
}

// "Custom Chart Management" as the management page opens it, offscreen: the
// details box says "No selection" until a row is chosen, and a row's field
// hands the keyboard on to that row's chart button.
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

QPushButton* Button(const QDialog& dialog, const QString& text)
{
    for (auto* button : dialog.findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

// An Apply that asks for the chart medium and is cancelled leaves the keyboard
// on Apply and the details box as it was: no row is chosen behind the user's
// back, so Space afterwards presses Apply again rather than moving a chart.
TEST(CustomChartDlg, CancelledApplyKeepsTheKeyboardAndTheDetails)
{
    App();
    brine_test::TempFolder dir;
    brine_test::Installation in(dir.Path());
    in.MakeCharts(false);
    ASSERT_TRUE(in.SeedCatalogue());
    // The management page opens the catalogue for writing around the dialog.
    in.arcs->CloseCatalogue();
    ASSERT_TRUE(in.arcs->OpenCatalogue(in.arcs->ModuleFolder(), false));

    charts::CARCSCustomDlg dialog(*in.arcs, nullptr);
    dialog.show();
    dialog.activateWindow();
    Settle();
    QPushButton* apply = Button(dialog, "&Apply");
    ASSERT_NE(apply, nullptr);
    // Every chart read from the medium, then wanted on the disk again: the
    // second Apply asks for the chart medium, and the prompt is cancelled.
    Button(dialog, "C&harts on Medium")->click();
    apply->setFocus(Qt::MouseFocusReason);
    apply->click();
    Settle();
    ASSERT_FALSE(dialog.List().Entry(0).state & charts::hcrf::CCustomChartList::kChartOnDisk);
    Button(dialog, "&Charts on Disk")->click();
    const std::size_t promptsBefore = in.ui.prompts.size();
    in.ui.answers.clear();
    apply->setFocus(Qt::MouseFocusReason);
    Settle();
    apply->click();
    Settle();
    EXPECT_GT(in.ui.prompts.size(), promptsBefore);
    // The prompt's window closing makes the dialog the active window again.
    QDialog prompt;
    prompt.show();
    prompt.activateWindow();
    Settle();
    prompt.hide();
    dialog.activateWindow();
    Settle();

    auto* details = dialog.findChild<QLabel*>("Details");
    EXPECT_EQ(QApplication::focusWidget(), apply);
    EXPECT_EQ(details->text().toStdString(), "\nNo selection");
    // Nothing moved: the first chart is still read from the medium.
    EXPECT_FALSE(dialog.List().Entry(0).state & charts::hcrf::CCustomChartList::kChartOnDisk);

    // With the medium given the charts are copied, under the wait cursor,
    // which is gone again when Apply ends.
    Button(dialog, "&Charts on Disk")->click();
    in.ui.answers = {(in.root / "RC1").string()};
    bool waiting = false;
    in.ui.cancelAfter = [&waiting] {
        const QCursor* cursor = QApplication::overrideCursor();
        waiting = waiting || (cursor && cursor->shape() == Qt::WaitCursor);
        return false;
    };
    apply->click();
    Settle();
    EXPECT_TRUE(waiting);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(dialog.List().Entry(0).state & charts::hcrf::CCustomChartList::kChartOnDisk);
}

}   // namespace

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "FakeClock.h"
#include "TempFolder.h"
#include "app/DateTimeEx.h"
#include "app/WaitStatus.h"
#include "app/ui/Disclaimers.h"
#include "app/ui/FileDlg.h"
#include "app/ui/InfoDialogs.h"
#include "app/ui/MsgBarWnd.h"
#include "app/ui/QtPrompt.h"
#include "app/ui/QtWaitHost.h"
#include "app/ui/XStatusBar.h"

namespace {

int g_argc = 1;
char g_arg0[] = "app_ui_AppWindowsTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

struct SilentSound : app::CAlertSound {
    bool Play(const std::filesystem::path&) override { return false; }
    void Beep() override { }
};

TEST(MsgBarWnd, GrowsWithWrappedMessagesAndHidesWhenNoneIsActive)
{
    App();
    brine_test::FakeClock clock;
    SilentSound sound;
    app::CMsgBar model(clock, sound, "/tmp");
    QMainWindow frame;
    frame.resize(400, 300);
    app::CMsgBarWnd bar(model, &frame);
    frame.show();
    app::MsgHandle a = nullptr, b = nullptr;
    model.AddMessage(a, "EPFS reception lost.", 100, 1, true);
    App().processEvents();
    EXPECT_FALSE(bar.isHidden());
    EXPECT_EQ(bar.DisplayedText(), "EPFS reception lost.");
    const int oneLine = bar.widget()->height();
    const std::string caution =
        "CAUTION. NMEA not received. Position calculation transferred to DR. ";
    model.AddMessage(b, caution + caution, 200, 1, true);
    App().processEvents();
    EXPECT_TRUE(bar.DisplayedText().startsWith("CAUTION."));
    EXPECT_GT(bar.DisplayedText().count('\n'), 1);   // wrapped at blanks in a 400-pixel bar
    EXPECT_GT(bar.widget()->height(), 2 * oneLine);
    model.SetMessageActive(a, 0, true);
    model.SetMessageActive(b, 0, true);
    EXPECT_TRUE(bar.isHidden());
    // Double-clicking collapses the bar to half a line.
    model.SetMessageActive(a, 1, true);
    App().processEvents();
    QTest::mouseDClick(bar.widget(), Qt::LeftButton);
    EXPECT_TRUE(model.IsSwitchedOff());
    App().processEvents();
    EXPECT_LT(bar.widget()->height(), oneLine);
}

TEST(XStatusBar, ProgressAndWaitStateRestoreThePaneTextExactly)
{
    App();
    QMainWindow frame;
    auto* status = new app::CXStatusBar(&frame);
    frame.setStatusBar(status);
    frame.resize(900, 300);
    frame.show();
    App().processEvents();
    const auto pane = [&] { return status->PaneText(app::CXStatusBar::MessagePane); };
    status->SetPaneText(app::CXStatusBar::MessagePane, "Ready");
    status->ShowProgress("Installing charts", 0, 3);
    EXPECT_EQ(pane(), "Installing charts");
    status->StepProgress();
    status->StepProgress();
    EXPECT_EQ(status->Progress()->value(), 2);
    status->HideProgress();
    EXPECT_EQ(status->Progress(), nullptr);
    EXPECT_EQ(pane(), "Ready");
    // The bar's four panes: the message pane, then position, side panel and date-time, and the
    // control stops 10 pixels short of the position pane; a text wider than the room before
    // it leaves the control no width and still shows.
    QStringList panes;
    for (QLabel* label : status->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        panes << label->objectName();
    EXPECT_EQ(panes, (QStringList{"StatusPane0", "StatusPane1", "StatusPane2", "StatusPane3"}));
    QWidget* position = status->findChild<QWidget*>("StatusPane1");
    ASSERT_NE(position, nullptr);
    status->ShowProgress("Installing charts", 0, 3);
    EXPECT_GT(status->Progress()->width(), 0);
    EXPECT_EQ(status->Progress()->geometry().right() + 1, position->geometry().left() - 10);
    status->HideProgress();
    const QString wide(200, 'W');
    status->ShowProgress(wide, 0, 3);
    EXPECT_EQ(status->Progress()->width(), 0);
    EXPECT_EQ(pane(), wide);
    status->HideProgress();
    EXPECT_EQ(pane(), "Ready");

    app::CQtWaitStatusPane waitPane(status);
    app::CQtWaitCursor cursor;
    app::CWaitStatus::SetStatusHost(&waitPane);
    app::CWaitStatus::SetCursorHost(&cursor);
    {
        app::CWaitStatus wait, nested;
        EXPECT_EQ(app::CWaitStatus::Depth(), 2);
        EXPECT_EQ(pane(), "Please Wait . . .");
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(pane(), "Ready");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    app::CWaitStatus::SetStatusHost(nullptr);
    app::CWaitStatus::SetCursorHost(nullptr);
    EXPECT_EQ(app::CWaitStatus::Depth(), 0);
}

// A long message (why a command is grey, say) is cut at the pane's edge: it
// never widens the frame past its size, which put the side panel and the
// scroll bar beyond the screen's edge for good.
TEST(XStatusBar, ALongMessageNeverWidensTheFrame)
{
    App();
    QMainWindow frame;
    auto* status = new app::CXStatusBar(&frame);
    frame.setStatusBar(status);
    frame.setCentralWidget(new QWidget(&frame));
    frame.resize(900, 300);
    frame.show();
    App().processEvents();
    const QString longText =
        QString("The route is held by automatic leg advance, the autopilot (Route > Options > "
                "Monitoring): it cannot be changed meanwhile. ")
            .repeated(4);
    status->SetPaneText(app::CXStatusBar::MessagePane, longText);
    App().processEvents();
    EXPECT_EQ(status->PaneText(app::CXStatusBar::MessagePane), longText) << "the text is kept";
    EXPECT_LT(frame.minimumSizeHint().width(), 900);
    EXPECT_EQ(frame.width(), 900);
    status->SetPaneText(app::CXStatusBar::MessagePane, "Ready");
    App().processEvents();
    EXPECT_EQ(frame.width(), 900);
}

TEST(Disclaimers, RefusalAndAcceptance)
{
    App();
    // The start-up disclaimer: Escape refuses, only its button accepts.
    for (const bool viaButton : {false, true}) {
        app::CBVDisclaimerDlg dlg;
        EXPECT_TRUE(dlg.LiabilityText().startsWith("Quorwick Ltd will not accept responsibility"));
        QTimer::singleShot(0, &dlg, [&dlg, viaButton] {
            if (viaButton)
                dlg.findChild<QPushButton*>("AcceptButton")->click();
            else
                QTest::keyClick(&dlg, Qt::Key_Escape);
        });
        EXPECT_EQ(dlg.exec(), viaButton ? QDialog::Accepted : QDialog::Rejected);
    }
    // A chart-format disclaimer: declining clears the caller's flag, accepting leaves it.
    struct Chart : app::CDisclaimerDlg {
        void FillTexts() override { m_staticText = "Chart format terms"; }
    };
    for (const bool agree : {false, true}) {
        bool flag = true;
        auto* dlg = new Chart;
        dlg->SetResultFlag(&flag);
        dlg->Open();
        agree ? dlg->accept() : dlg->reject();
        EXPECT_EQ(flag, agree);
    }
}

// The disclaimer, About and support dialogs each show the program's picture
// before their texts.
TEST(Disclaimers, TheInformationDialogsShowTheProgramsPicture)
{
    App();
    QPixmap icon(32, 32);
    icon.fill(Qt::darkBlue);
    QApplication::setWindowIcon(QIcon(icon));
    app::CBVDisclaimerDlg disclaimer;
    auto* about = new app::CAboutDlg(nullptr, QDateTime(QDate(2026, 3, 7), QTime(9, 5, 4)));
    auto* support = new app::CTechSuppDLG(nullptr);
    for (QDialog* dlg : {static_cast<QDialog*>(&disclaimer), static_cast<QDialog*>(about),
                         static_cast<QDialog*>(support)}) {
        auto* picture = dlg->findChild<QLabel*>("Picture");
        ASSERT_NE(picture, nullptr) << dlg->windowTitle().toStdString();
        EXPECT_FALSE(picture->pixmap().isNull()) << dlg->windowTitle().toStdString();
        dlg->show();
        App().processEvents();
        for (auto* label : dlg->findChildren<QLabel*>()) {
            if (label != picture && !label->text().isEmpty() && label->isVisible()) {
                EXPECT_GE(label->mapTo(dlg, QPoint(0, 0)).x(),
                          picture->mapTo(dlg, QPoint(picture->width(), 0)).x())
                    << label->text().toStdString();
            }
        }
        dlg->close();
    }
    QApplication::setWindowIcon(QIcon());
}

struct ListDlg : app::CFileDlg {
    QTreeWidget* list = new QTreeWidget(this);
    int refills = 0;
    QTreeWidget* FileList() const override { return list; }
    void RefillList() override { ++refills; }
};

TEST(FileDlg, ListSelectsTheNamedFileAndFollowsTheFolder)
{
    App();
    brine_test::TempFolder dir;
    for (const char* f : {"Voyage.log", "bridge.log", "~Voyage.log", "other.txt"})
        std::ofstream(dir.Path() / f) << "x";
    ListDlg dlg;
    dlg.list->setColumnCount(2);
    dlg.Model().folder = dir.Path();
    dlg.Model().name = "voyage";
    dlg.Model().pattern = "log";
    dlg.Model().extensions = {"log"};
    QComboBox combo;
    const QString patterns = dlg.FillTypeCombo("Log (*.log)\nAll files (*.*)", &combo);
    EXPECT_EQ(patterns, "*.log");
    EXPECT_EQ(combo.count(), 2);
    EXPECT_EQ(dlg.FillFileList(patterns), 2);
    ASSERT_NE(dlg.list->currentItem(), nullptr);
    EXPECT_EQ(dlg.list->currentItem()->text(0), "Voyage");
    {
        // The modification time reads as the program's own date and time text.
        const QDateTime stamp(QDate(2026, 3, 7), QTime(9, 5, 4));
        const std::chrono::sys_time<std::chrono::milliseconds> sys{
            std::chrono::milliseconds(stamp.toMSecsSinceEpoch())};
        std::filesystem::last_write_time(dir.Path() / "Voyage.log",
                                         std::chrono::file_clock::from_sys(sys));
        dlg.FillFileList(patterns);
        const auto found = dlg.list->findItems("Voyage", Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        EXPECT_EQ(found.front()->text(1).toStdString(),
                  app::CDateTimeEx(2026, 3, 7, 9, 5, 4).FormatDateTime(true, false));
    }
    std::filesystem::remove(dir.Path() / "bridge.log");
    dlg.RefreshStep();   // step 1: the count changed
    EXPECT_EQ(dlg.refills, 1);
    dlg.RefreshStep();   // step 2: the gone file leaves the list
    EXPECT_EQ(dlg.list->topLevelItemCount(), 1);
}

// The prompt's box: Return presses the default the asker named; without one
// the box keeps the toolkit's own choice (the first accepting button).
TEST(QtPrompt, ReturnPressesTheNamedDefault)
{
    App();
    app::CQtPrompt prompt;
    const auto pressReturn = [] {
        QTimer::singleShot(0, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                    QTest::keyClick(box, Qt::Key_Return);
        });
    };
    using platform::PromptAnswer;
    pressReturn();
    EXPECT_EQ(prompt.AskWithDefault("Save?", "Test", platform::PromptIcon::Question,
                                    platform::PromptButtons::YesNoCancel, PromptAnswer::Cancel),
              PromptAnswer::Cancel);
    pressReturn();
    EXPECT_EQ(prompt.Ask("Save?", "Test", platform::PromptIcon::Question,
                         platform::PromptButtons::YesNoCancel),
              PromptAnswer::Yes);
    // A default the box does not show leaves the toolkit's choice.
    pressReturn();
    EXPECT_EQ(prompt.AskWithDefault("Go on?", "Test", platform::PromptIcon::Question,
                                    platform::PromptButtons::YesNo, PromptAnswer::Cancel),
              PromptAnswer::Yes);
}

}   // namespace

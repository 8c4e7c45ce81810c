// Texts the user reads as given: About's release date in the program's long
// date form, its legal notice and version as the version block holds them,
// and the attachment file dialog's accept button.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <fstream>

#include "TempFolder.h"
#include "app/DateTimeEx.h"
#include "app/SystemUtils.h"
#include "app/ui/AttachmentChooser.h"
#include "app/ui/InfoDialogs.h"
#include "app/ui/OpenSaveDlgs.h"

namespace {

int g_argc = 1;
char g_arg0[] = "app_ui_QuotedTextsTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

TEST(QuotedTexts, AboutShowsTheBuildTimeInTheLongForm)
{
    App();
    // A morning and an evening build: the hour is read as built, not as 12-hour text.
    for (const QDateTime built : {QDateTime(QDate(2026, 3, 7), QTime(9, 5, 4)),
                                  QDateTime(QDate(2025, 12, 31), QTime(23, 59, 58))}) {
        app::CAboutDlg about(nullptr, built);
        auto* date = about.findChild<QLabel*>("ReleaseDate");
        ASSERT_NE(date, nullptr);
        const app::CDateTimeEx expected(built.date().year(), built.date().month(),
                                        built.date().day(), built.time().hour(),
                                        built.time().minute(), built.time().second());
        EXPECT_EQ(date->text().toStdString(), expected.FormatLong());
        // The long form names the year in full and leaves the weekday out.
        EXPECT_TRUE(date->text().contains(QString::number(built.date().year())));
        EXPECT_FALSE(date->text().contains(built.date().toString("dddd")));
    }
}

TEST(QuotedTexts, AboutShowsTheVersionBlocksNoticeAndVersion)
{
    App();
    app::CAboutDlg about(nullptr, QDateTime(QDate(2026, 3, 7), QTime(9, 5, 4)));
    auto* notice = about.findChild<QLabel*>("LegalNotice");
    auto* version = about.findChild<QLabel*>("Version");
    ASSERT_TRUE(notice && version);
    EXPECT_EQ(notice->text().toStdString(), app::GetFileVersionString("LegalCopyright"));
    EXPECT_FALSE(notice->text().isEmpty());
    EXPECT_EQ(version->text().toStdString(), app::GetFileVersionString("ProductVersion"));
}

TEST(QuotedTexts, AttachDialogAcceptsWithAttachAndReturnsTheFileChosen)
{
    App();
    brine_test::TempFolder dir;
    const std::filesystem::path picture = dir / "harbour.bmp";
    std::ofstream(picture) << "BM";
    std::ofstream(dir / "Chart.TIF") << "II";
    std::ofstream(dir / "~scratch.bmp") << "BM";
    QString caption, accept;
    QStringList listed;
    bool own = false;
    QTimer::singleShot(0, [&] {
        // The program's own open dialog, never the toolkit's or the desktop's.
        auto* dialog = qobject_cast<app::COpenFileDlg*>(QApplication::activeModalWidget());
        own = dialog != nullptr;
        ASSERT_NE(dialog, nullptr);
        caption = dialog->windowTitle();
        accept = dialog->OkButton()->text();
        // Names keep their extensions; a "~" file is never listed.
        for (int i = 0; i < dialog->Files()->topLevelItemCount(); ++i)
            listed << dialog->Files()->topLevelItem(i)->text(0);
        dialog->NameEdit()->setText("harbour.bmp");
        emit dialog->NameEdit()->textEdited("harbour.bmp");
        dialog->OkButton()->click();
    });
    const QString chosen = app::AskAttachmentFile(nullptr, dir.Path().string());
    EXPECT_TRUE(own);
    EXPECT_EQ(caption, "Attach Attachment");
    EXPECT_EQ(accept, "&Attach");
    EXPECT_EQ(listed, QStringList({"Chart.TIF", "harbour.bmp"}));
    EXPECT_EQ(chosen.toStdString(), picture.string());
}

}   // namespace

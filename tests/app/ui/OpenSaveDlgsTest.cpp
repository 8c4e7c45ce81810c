// The program's Open and Save dialogs: the name's room comes from the
// system's maxima and a folder that leaves none is refused, a missing file
// is not opened, an existing one is overwritten only when the user says so
// (never in network mode), and a save folder must take the files.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdint>
#include <gtest/gtest.h>

#include <climits>
#include <fstream>

#include "TempFolder.h"
#include "app/FileNameRoom.h"
#include "app/ui/OpenSaveDlgs.h"

namespace {

int g_argc = 1;
char g_arg0[] = "app_ui_OpenSaveDlgsTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

QString Q(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

TEST(OpenFileDlg, TypesListFilesAndAMissingFileIsNotOpened)
{
    App();
    brine_test::TempFolder dir;
    std::ofstream(dir.Path() / "harbour.txt") << "$GPGLL";
    std::ofstream(dir.Path() / "notes.log") << "x";
    app::COpenFileDlg dlg("Simulation file", Q(dir.Path()), "Text Files (*.txt)\nAll (*.txt;*.log)",
                          "");
    // A missing file is told in an exclamation message box.
    std::vector<QMessageBox::Icon> told;
    dlg.SetTeller([&](QMessageBox::Icon icon, const QString&) { told.push_back(icon); });
    EXPECT_EQ(dlg.Files()->topLevelItemCount(), 1);
    dlg.TypeCombo()->setCurrentIndex(1);
    EXPECT_EQ(dlg.Files()->topLevelItemCount(), 2);
    dlg.TypeCombo()->setCurrentIndex(0);
    EXPECT_EQ(dlg.NameEdit()->maxLength(), NAME_MAX - 4);

    // A click on the listed file names it, also when it is the first one.
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    QTreeWidget* files = dlg.Files();
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                      files->visualItemRect(files->topLevelItem(0)).center());
    EXPECT_EQ(dlg.NameEdit()->text(), "harbour");

    dlg.NameEdit()->setText("gone");
    emit dlg.NameEdit()->textEdited("gone");
    EXPECT_TRUE(dlg.OkButton()->isEnabled());
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);   // still open
    EXPECT_EQ(dlg.LastMessage(), "gone.txt does not exist.");
    EXPECT_EQ(told, std::vector<QMessageBox::Icon>{QMessageBox::Warning});
    // A click on a listed file gives the name and enables Open.
    ASSERT_EQ(files->topLevelItemCount(), 1);
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                      files->visualItemRect(files->topLevelItem(0)).center());
    EXPECT_EQ(dlg.NameEdit()->text(), "harbour");
    EXPECT_TRUE(dlg.OkButton()->isEnabled());
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.GetPathName(), dir.Path() / "harbour.txt");
}

// The dialogs' labels read as their templates have them: "Folder" carries
// no access letter. A path typed into the name (a slash in it) is no name,
// so OK stays grey; the folder field takes the folder.
TEST(OpenFileDlg, LabelsAsTheTemplatesAndAPathIsNoName)
{
    App();
    brine_test::TempFolder dir;
    std::ofstream(dir.Path() / "harbour.txt") << "$GPGLL";
    const auto labels = [](const QDialog& dlg) {
        QStringList texts;
        for (const QLabel* label : dlg.findChildren<QLabel*>())
            if (!label->text().isEmpty() && label->objectName() != "note")
                texts << label->text();
        texts.sort();
        return texts.join(" | ").toStdString();
    };
    app::COpenFileDlg open("Open", Q(dir.Path()), "Text Files (*.txt)", "");
    EXPECT_EQ(labels(open), "File &name | Files of &type | Folder");
    EXPECT_EQ(open.OkButton()->text(), "&Open");
    app::CSaveFileDlg save("Save", Q(dir.Path()), "txt", "harbour");
    EXPECT_EQ(labels(save), "File &name | Folder");
    EXPECT_EQ(save.OkButton()->text(), "&Save");

    const QString path = Q(dir.Path() / "harbour");
    open.NameEdit()->setText(path);
    emit open.NameEdit()->textEdited(path);
    EXPECT_FALSE(open.OkButton()->isEnabled());
    open.NameEdit()->setText("harbour");
    emit open.NameEdit()->textEdited("harbour");
    EXPECT_TRUE(open.OkButton()->isEnabled());
}

TEST(OpenFileDlg, AFolderWithNoRoomForANameIsRefused)
{
    App();
    brine_test::TempFolder dir;
    // Folders nested until the path is a few characters short of the maximum.
    std::filesystem::path deep = dir.Path();
    while (deep.native().size() < PATH_MAX - 4)
        deep /= std::string(std::min<std::size_t>(200, PATH_MAX - 4 - deep.native().size()), 'd');
    std::filesystem::create_directories(deep);
    app::COpenFileDlg dlg("Open", Q(dir.Path()), "Text Files (*.txt)", "");
    EXPECT_FALSE(dlg.TakeFolder(Q(deep)));
    EXPECT_EQ(dlg.LastMessage(), "The folder's path leaves no room for a file name");
    EXPECT_EQ(dlg.FolderEdit()->text(), Q(dir.Path()));   // the old folder comes back
    EXPECT_FALSE(dlg.TakeFolder(Q(dir.Path() / "missing")));
    EXPECT_TRUE(dlg.TakeFolder(Q(deep.parent_path().parent_path())));
    EXPECT_GT(dlg.NameRoom(), 0);
    EXPECT_LT(dlg.NameEdit()->maxLength(),
              NAME_MAX);   // the long path leaves less than the name maximum

    // The folder button opens a folder chooser with its given caption.
    auto* browse = dlg.findChild<QPushButton*>("browseFolder");
    ASSERT_NE(browse, nullptr);
    QString caption;
    QTimer::singleShot(0, [&] {
        if (QWidget* chooser = QApplication::activeModalWidget()) {
            caption = chooser->windowTitle();
            chooser->close();
        }
    });
    browse->click();
    EXPECT_EQ(caption.toStdString(), "Select temporary folder");
}

TEST(SaveFileDlg, OverwriteAskedExceptInNetworkModeAndTheDiskMustTakeTheFiles)
{
    App();
    brine_test::TempFolder dir;
    std::ofstream(dir.Path() / "route.rte") << "old";
    app::CSaveFileDlg dlg("Save", Q(dir.Path()), "rte", "route.rte");
    // The network refusal is a stop message box.
    std::vector<QMessageBox::Icon> told;
    dlg.SetTeller([&](QMessageBox::Icon icon, const QString&) { told.push_back(icon); });
    EXPECT_EQ(dlg.NameEdit()->text(), "route");
    EXPECT_EQ(dlg.NameEdit()->maxLength(), NAME_MAX - 4);
    dlg.SetCompanionFiles(false, 2, 0);
    EXPECT_EQ(dlg.NameEdit()->maxLength(), NAME_MAX - 4 - 9 - 11);

    int asked = 0;
    dlg.SetOverwriteAsker([&](const QString& q) {
        ++asked;
        EXPECT_TRUE(q.startsWith("File route.rte already exists."));
        return false;
    });
    dlg.accept();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    dlg.SetNetworkMode(true);
    dlg.accept();
    EXPECT_EQ(asked, 1);   // no question: refused outright
    EXPECT_EQ(dlg.LastMessage(), "A file cannot be overwritten whilst running in Network mode.");
    EXPECT_EQ(told, std::vector<QMessageBox::Icon>{QMessageBox::Critical});

    // The files being saved are larger than any disk: the folder is refused.
    brine_test::TempFolder other;
    dlg.SetSource(dir.Path(), "route");
    EXPECT_TRUE(dlg.TakeFolder(Q(other.Path())));   // a few bytes fit
    std::filesystem::resize_file(dir.Path() / "route.rte", 0);
    {
        std::ofstream big(dir.Path() / "route.idx");
    }
    // A sparse file well beyond the disk's free space, which other programs
    // writing or deleting meanwhile cannot bridge.
    std::error_code ec;
    const std::uintmax_t free = *app::FreeBytes(dir.Path());
    std::filesystem::resize_file(dir.Path() / "route.idx", free * 2 + (std::uintmax_t(1) << 30),
                                 ec);
    if (ec)
        GTEST_SKIP() << "no sparse file of that size here: " << ec.message();
    EXPECT_FALSE(dlg.TakeFolder(Q(dir.Path())));
    EXPECT_TRUE(dlg.LastMessage().startsWith("That folder's disk has"));
}

}   // namespace

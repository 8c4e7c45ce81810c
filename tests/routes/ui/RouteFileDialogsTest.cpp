// File > Open and Save As of the route database run the program's own
// dialogs: the three route table types, no "~" table listed or taken, the
// open table's name proposed with room kept for the suffix and the two
// numbered companion tables, and the table saved under the name chosen.

#include "../../chartpoints/ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/FileNameRoom.h"
#include "app/ui/OpenSaveDlgs.h"
#include "db/DBRoute.h"
#include "routes/ui/RouteWindows.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};

QStringList Listed(const app::COpenSaveDlgBase& dialog)
{
    QStringList out;
    for (int i = 0; i < dialog.Files()->topLevelItemCount(); ++i)
        out << dialog.Files()->topLevelItem(i)->text(0);
    return out;
}

void Type(app::COpenSaveDlgBase& dialog, const QString& text)
{
    dialog.NameEdit()->setText(text);
    emit dialog.NameEdit()->textEdited(text);
}

TEST(RouteFileDialogs, OpenAndSaveAreTheProgramsOwn)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CRouteWindows routes(settings, prompt, dir.Path());
    ASSERT_TRUE(routes.Initialise());
    const fs::path folder = routes.GetDataFolder();
    {
        db::CDBRoute table;
        table.SetFilePath((folder / "Puget").string());
        ASSERT_TRUE(table.Open());
        table.ClearRecord();
        table.m_name = "Admiralty Inlet";
        ASSERT_TRUE(table.AppendNew());
        table.Close();
    }
    fs::copy_file(folder / "Puget.dbf", folder / "~dA761F8.dbf");

    bool own = false, tildeRefused = false;
    QString title;
    QStringList types, listed;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<app::COpenFileDlg*>(QApplication::activeModalWidget());
        own = dialog != nullptr;
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        for (int i = 0; i < dialog->TypeCombo()->count(); ++i)
            types << dialog->TypeCombo()->itemText(i);
        listed = Listed(*dialog);
        Type(*dialog, "~dA761F8");
        tildeRefused = !dialog->OkButton()->isEnabled();
        Type(*dialog, "Puget");
        dialog->OkButton()->click();
    });
    ASSERT_TRUE(routes.OnOpenDatabase());
    EXPECT_TRUE(own);
    EXPECT_EQ(title, "Open Route Database");
    EXPECT_EQ(types,
              QStringList({"Route DB (*.dbf)", "Old Route DB (*.rdb)", "Coursemead DB (*.wpt)"}));
    EXPECT_EQ(listed, QStringList({"Puget"}));
    EXPECT_TRUE(tildeRefused);

    own = tildeRefused = false;
    QString proposed;
    int room = 0;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<app::CSaveFileDlg*>(QApplication::activeModalWidget());
        own = dialog != nullptr;
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        proposed = dialog->NameEdit()->text();
        room = dialog->NameEdit()->maxLength();
        listed = Listed(*dialog);
        Type(*dialog, "~dA761F8");
        tildeRefused = !dialog->OkButton()->isEnabled();
        Type(*dialog, "Harbour");
        dialog->OkButton()->click();
    });
    ASSERT_TRUE(routes.OnSaveDatabaseAs());
    EXPECT_TRUE(own);
    EXPECT_EQ(title, "Save Route Database");
    EXPECT_EQ(proposed, "Puget");
    // ".dbf", two companion numbers (9 and 11) and a 12-character suffix.
    EXPECT_EQ(room, app::NameRoom(folder, 4 + 9 + 11 + 12));
    EXPECT_EQ(listed, QStringList({"Puget"}));
    EXPECT_TRUE(tildeRefused);
    EXPECT_TRUE(fs::exists(folder / "Harbour.dbf"));
    routes.Terminate();
}

}   // namespace

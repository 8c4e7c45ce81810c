// Save As of the vessel log in the program as it starts: while station
// messaging is on an existing log is refused with the network message and
// never offered for overwriting; with it off the overwrite is asked.
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "FirstStart.h"
#include "TempFolder.h"
#include "app/ui/OpenSaveDlgs.h"
#include "navigator/VesselLogbook.h"
#include "navigator/ui/NavigatorWindows.h"
#include "nmea/InstrumentsModule.h"
#include "nmea/NetworkMessaging.h"
#include "shell/MainFrame.h"

namespace {

struct SeenAtOk {
    bool dialog = false;
    QString told;   // the refusal shown, if any
    QStringList asked;   // the overwrite questions put
    bool stillOpen = false;
};

// Saves the log as "Other", which exists in the log folder, and cancels
// whatever the dialog does not end itself.
SeenAtOk SaveOverAnExistingLog(brine_test::FirstStartProgram& program)
{
    SeenAtOk seen;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&seen, &user] {
        auto* dlg = qobject_cast<app::CSaveFileDlg*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        user.stop();
        seen.dialog = true;
        dlg->SetTeller([&seen](QMessageBox::Icon, const QString& m) { seen.told = m; });
        dlg->SetOverwriteAsker([&seen](const QString& q) {
            seen.asked << q;
            return false;
        });
        dlg->NameEdit()->setText("Other");
        emit dlg->NameEdit()->textEdited("Other");
        dlg->accept();
        seen.stillOpen = dlg->isVisible();
        dlg->reject();
    });
    user.start(20);
    program.Frame().Navigator()->Logbook().SaveAs(false);
    return seen;
}

TEST(LogSaveAs, AnExistingLogIsNeverOverwrittenWhileStationsShareFiles)
{
    brine_test::TempFolder shared, logs;
    std::ofstream(logs.Path() / "Other.dbf") << "kept";
    const int port = 20000 + static_cast<int>(::getpid() % 20000);
    for (const bool network : {true, false}) {
        std::string settings =
            "[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Log]\nDatabaseFolder=str:" +
            logs.Path().string() + "\n";
        if (network)
            settings += "[Software\\Quorwick\\Brinevane\\Default\\WorkSpace\\Network]\n"
                        "FileFolder=str:" +
                        shared.Path().string() + "\nTCPPort=dword:" + std::to_string(port) +
                        "\nIPAddress=str:127.0.0.2\n";
        brine_test::FirstStartProgram program(false, false, false, settings);
        ASSERT_TRUE(program.started);
        nmea::CInstrumentsModule* instruments =
            brine_test::FindModule<nmea::CInstrumentsModule>(program.Frame());
        ASSERT_NE(instruments, nullptr);
        if (network) {
            for (int i = 0; i < 100 && !instruments->Messaging().IsStarted(); ++i)
                QTest::qWait(50);
            ASSERT_TRUE(instruments->Messaging().IsStarted());
        } else {
            instruments->Messaging().Stop();
        }
        // A log open to be saved: the last one, or a new temporary one.
        navigator::CNavigatorWindows& nav = *program.Frame().Navigator();
        if (!nav.Logbook().IsOpen())
            nav.OpenVesselLog("");
        ASSERT_TRUE(nav.Logbook().IsOpen());
        brine_test::AnswerDialogs() = false;
        const SeenAtOk seen = SaveOverAnExistingLog(program);
        brine_test::AnswerDialogs() = true;
        EXPECT_TRUE(seen.dialog);
        EXPECT_TRUE(seen.stillOpen) << "network " << network;
        if (network) {
            EXPECT_EQ(seen.told.toStdString(),
                      "A file cannot be overwritten whilst running in Network mode.");
            EXPECT_TRUE(seen.asked.isEmpty()) << seen.asked.join('|').toStdString();
        } else {
            EXPECT_TRUE(seen.told.isEmpty()) << seen.told.toStdString();
            EXPECT_EQ(seen.asked.join('|').toStdString(),
                      "File Other.dbf already exists.\nDo you want to overwrite it?");
        }
        std::ifstream kept(logs.Path() / "Other.dbf");
        std::string text;
        kept >> text;
        EXPECT_EQ(text, "kept");
    }
}

}   // namespace

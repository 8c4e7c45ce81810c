// The navigator's commands in the program as a first start creates it: the option commands
// grey while their sheets are open, Data Logging's own vessel, the Log Entry dialog's keys and
// a replay file name typed on the NMEA page.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FirstStart.h"
#include "app/CommandIds.h"
#include "app/ui/PropertySheet.h"
#include "navigator/LogbookRows.h"
#include "navigator/VesselLogbook.h"
#include "navigator/ui/NavigatorWindows.h"
#include "nmea/ui/SentenceOptionsPages.h"
#include "shell/MainFrame.h"

namespace {

bool Enabled(shell::CMainFrame& frame, unsigned id)
{
    frame.UpdateModuleCmdUI(true);
    return frame.Action(id)->isEnabled();
}

// The sheet closed as its close box closes it, and gone once the event loop has run.
void CloseSheet(QWidget* sheet)
{
    QPointer<QWidget> watched = sheet;
    sheet->close();
    for (int i = 0; i < 50 && watched; ++i)
        QTest::qWait(20);
}

// The started program's navigator once the GPS has given it a position; null when the program
// did not start or no position came.
navigator::CNavigatorWindows* NavigatorWithFix(brine_test::FirstStartProgram& program)
{
    if (!program.started)
        return nullptr;
    navigator::CNavigatorWindows& nav = *program.Frame().Navigator();
    for (int i = 0; i < 100 && !nav.IsPositionAvailable(); ++i) {
        program.home.Send(brine_test::RmcAt(47.6, -122.4));
        QTest::qWait(100);
    }
    return nav.IsPositionAvailable() ? &nav : nullptr;
}

TEST(NavigatorCommands, OptionCommandsAreGreyWhileTheirSheetIsOpen)
{
    brine_test::FirstStartProgram program;
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    for (const auto& [id, name] : {std::pair{app::cmd::kNavOptions, "navigatorOptions"},
                                   std::pair{app::cmd::kTargetOptions, "targetOptions"}}) {
        ASSERT_TRUE(Enabled(frame, id)) << name;
        frame.Action(id)->trigger();
        auto* sheet = frame.findChild<app::CModelessPropertySheet*>(name);
        ASSERT_NE(sheet, nullptr) << name;
        EXPECT_FALSE(Enabled(frame, id)) << name << " enabled while its sheet is open";
        CloseSheet(sheet);
        EXPECT_TRUE(Enabled(frame, id)) << name << " grey after its sheet closed";
    }
}

// Switched on with no own vessel yet, Data Logging makes the vessel and its log row at once;
// Log Entry's Alt+O is the OK button's, never an "o" in the note.
TEST(NavigatorCommands, DataLoggingMakesTheVesselAndLogEntryKeysAreTheButtons)
{
    brine_test::FirstStartProgram program;
    navigator::CNavigatorWindows* withFix = NavigatorWithFix(program);
    ASSERT_NE(withFix, nullptr);
    navigator::CNavigatorWindows& nav = *withFix;
    shell::CMainFrame& frame = program.Frame();
    ASSERT_FALSE(nav.Logbook().IsLogging());
    ASSERT_EQ(nav.Logbook().OwnVessel(), nullptr);
    frame.Action(app::cmd::kNavDataLogging)->trigger();
    EXPECT_TRUE(nav.Logbook().IsLogging());
    const navigator::CLogVessel* own = nav.Logbook().OwnVessel();
    ASSERT_NE(own, nullptr) << "no own vessel made when logging was switched on";
    EXPECT_TRUE(own->rowOpen);
    const std::uint32_t vesselId = own->vesselId;

    ASSERT_TRUE(Enabled(frame, app::cmd::kNavLogbookEntry));
    brine_test::AnswerDialogs() = false;
    QString title;
    QTimer::singleShot(300, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        auto* note = dialog ? dialog->findChild<QPlainTextEdit*>() : nullptr;
        if (note == nullptr)
            return;
        title = dialog->windowTitle();
        QTest::keyClicks(note, "Buoy abeam");
        QTest::keyClick(note, Qt::Key_O, Qt::AltModifier);
        QTest::qWait(300);   // a key clicks its button after the button's short press animation
        if (dialog->isVisible())   // the key did not close it: Cancel, so the test goes on
            QTest::keyClick(dialog, Qt::Key_Escape);
    });
    frame.Action(app::cmd::kNavLogbookEntry)->trigger();
    brine_test::AnswerDialogs() = true;
    EXPECT_EQ(title, "Log Entry");

    navigator::CLogbookRows rows(nav.Logbook(), vesselId);
    rows.Recount();
    std::vector<app::ListRow> fetched;
    rows.FetchRows(0, rows.RowCount(), fetched);
    std::vector<std::string> notes;
    for (const app::ListRow& row : fetched)
        if (row.size() == 8 && !row[7].empty())
            notes.push_back(row[6] + ": " + row[7]);
    EXPECT_EQ(notes, std::vector<std::string>{"Manual: Buoy abeam"});
}

// A new file name typed over the old one, a key at a time, keeps "Process": OK restarts the
// replay on the new file instead of stopping it.
TEST(NavigatorCommands, ATypedReplayFileNameRestartsTheReplayOnIt)
{
    brine_test::FirstStartProgram program;
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    navigator::CNavigatorWindows& nav = *frame.Navigator();
    // Each file lasts about ten seconds at 600 characters a second.
    const std::filesystem::path first = program.home.folder / "first.txt";
    const std::filesystem::path second = program.home.folder / "second.txt";
    for (const auto& file : {first, second}) {
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < 150; ++i)
            out << "$GPTXT,01,01,02,replayed text line number " << 100 + i << "\r\n";
    }
    const auto nmeaPage = [&]() -> nmea::CNMEASentenceOptions* {
        frame.Action(app::cmd::kNavOptions)->trigger();
        auto* sheet = frame.findChild<app::CModelessPropertySheet*>("navigatorOptions");
        auto* page = sheet ? sheet->findChild<nmea::CNMEASentenceOptions*>() : nullptr;
        if (page) {
            sheet->Tabs()->setCurrentWidget(page);
            sheet->SetMessageShower([](const QString& m) { ADD_FAILURE() << m.toStdString(); });
        }
        return page;
    };
    // OK, and the sheet gone once the event loop has run.
    const auto ok = [](nmea::CNMEASentenceOptions& page) {
        QPointer<QWidget> sheet = page.window();
        if (!static_cast<app::CModelessPropertySheet*>(sheet.data())->OnOk())
            return false;
        for (int i = 0; i < 50 && sheet; ++i)
            QTest::qWait(20);
        return sheet.isNull();
    };
    const auto typeName = [](nmea::CNMEASentenceOptions& page, const std::filesystem::path& p) {
        auto* edit = page.findChild<QLineEdit*>("replayFile");
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromStdString(p.string()));
    };

    nmea::CNMEASentenceOptions* page = nmeaPage();
    ASSERT_NE(page, nullptr);
    typeName(*page, first);
    auto* process = page->findChild<QCheckBox*>("process");
    ASSERT_TRUE(process->isEnabled());
    process->click();
    ASSERT_TRUE(ok(*page));
    ASSERT_TRUE(nav.Simulation().IsRunning());
    EXPECT_EQ(nav.Simulation().FilePath(), first);

    page = nmeaPage();
    ASSERT_NE(page, nullptr);
    process = page->findChild<QCheckBox*>("process");
    EXPECT_TRUE(process->isChecked());
    typeName(*page, second);
    EXPECT_TRUE(process->isChecked()) << "typing the name unticked Process";
    ASSERT_TRUE(ok(*page));
    EXPECT_TRUE(nav.Simulation().IsRunning()) << "the replay stopped instead of restarting";
    EXPECT_EQ(nav.Simulation().FilePath(), second);

    // A name left pointing at no file clears "Process": OK stops the replay.
    page = nmeaPage();
    ASSERT_NE(page, nullptr);
    typeName(*page, program.home.folder / "missing.txt");
    process = page->findChild<QCheckBox*>("process");
    EXPECT_FALSE(process->isEnabled());
    ASSERT_TRUE(ok(*page));
    EXPECT_FALSE(nav.Simulation().IsRunning());
}

}   // namespace

// View > Refresh (F2) only tests the temporary log's name: no question, and the log, its rows
// and logging go on as they were.
TEST(NavigatorCommands, RefreshLeavesTheTemporaryLogAsItWas)
{
    brine_test::FirstStartProgram program;
    navigator::CNavigatorWindows* nav = NavigatorWithFix(program);
    ASSERT_NE(nav, nullptr);
    navigator::CVesselLogbook& log = nav->Logbook();
    const auto trigger = [&program](unsigned id) { program.Frame().Action(id)->trigger(); };
    trigger(app::cmd::kNavDataLogging);
    ASSERT_TRUE(log.IsLogging() && log.IsTemporary());
    const std::string path = log.LogPath();
    const std::uint32_t vesselId = log.OwnVessel()->vesselId;
    navigator::CLogbookRows before(log, vesselId);
    for (int i = 0; i < 50 && before.RowCount() == 0; ++i) {   // the tick writes the first row
        QTest::qWait(100);
        before.Recount();
    }
    ASSERT_GT(before.RowCount(), 0u);
    const std::size_t asked = program.prompt.AskedPrompts().size();
    int boxes = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&boxes] {
        if (QApplication::activeModalWidget() != nullptr)
            ++boxes;
    });
    watch.start(10);
    trigger(app::cmd::kViewRefresh);
    QTest::qWait(200);
    watch.stop();
    EXPECT_EQ(boxes, 0);
    EXPECT_EQ(program.prompt.AskedPrompts().size(), asked);
    EXPECT_TRUE(log.IsOpen());
    EXPECT_EQ(log.LogPath(), path);
    EXPECT_TRUE(std::filesystem::exists(path + ".dbf"));
    EXPECT_TRUE(log.IsLogging());
    navigator::CLogbookRows after(log, vesselId);
    EXPECT_EQ(after.RowCount(), before.RowCount());
}

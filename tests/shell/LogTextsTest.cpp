// Texts a navigator types for the vessel log, in the program as it starts: a voyage ID or a
// Log Entry note with characters the log's Western European tables cannot hold is refused
// with the reason and offered again as typed; what is then entered, and every row after it,
// goes into the log, as Python's dbfread reads it, and the logbook window previews it.
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FirstStart.h"
#include "PythonScript.h"
#include "app/CommandIds.h"
#include "app/ui/ListControls.h"
#include "navigator/LogbookRows.h"
#include "navigator/VesselLogbook.h"
#include "navigator/ui/EditNoteDlg.h"
#include "navigator/ui/NavigatorWindows.h"
#include "navigator/ui/VoyageDlg.h"
#include "shell/MainFrame.h"

namespace {

TEST(LogTexts, TextsTheLogCannotHoldAreRefusedAndNothingIsLost)
{
    brine_test::FirstStartProgram program;
    ASSERT_TRUE(program.started);
    shell::CMainFrame& frame = program.Frame();
    navigator::CNavigatorWindows& nav = *frame.Navigator();
    const auto fixes = [&](int seconds) {
        for (int i = 0; i < seconds * 4; ++i) {
            if (i % 4 == 0)
                program.home.Send(brine_test::WithChecksum(
                    "GPRMC,120000,A,4739.720,N,12226.160,W,6.0,048.8,070126,,"));
            QTest::qWait(250);
        }
    };
    const auto run = [&](unsigned id) {
        frame.UpdateModuleCmdUI(true);
        ASSERT_TRUE(frame.Action(id)->isEnabled()) << "command " << id;
        frame.Action(id)->trigger();
    };
    fixes(3);

    // The user's hands: each step answers the window in front with the next entry.
    std::vector<std::string> warnings;   // the refusals' texts
    std::vector<QString> offered;   // what a Log Entry dialog showed when it opened
    std::vector<QString> voyage{"Ωmega-2", "Omega-2"},
        notes{"wind → NW 15\nrain ☂", "wind NW 15\nrain"};
    brine_test::AnswerDialogs() = false;
    // Each answer in a slot of its own, so the hands are free for the window it opens.
    bool busy = false;
    const auto later = [&busy](QObject* on, std::function<void()> act) {
        busy = true;
        QTimer::singleShot(0, on, [&busy, act] {
            busy = false;
            act();
        });
    };
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        QWidget* front = QApplication::activeModalWidget();
        if (busy)
            return;
        if (auto* box = qobject_cast<QMessageBox*>(front)) {
            if (QAbstractButton* no = box->button(QMessageBox::No)) {
                later(no, [no] { no->click(); });   // the temporary log is not saved by name
            } else {
                warnings.push_back(box->text().toStdString());
                QAbstractButton* ok = box->button(QMessageBox::Ok);
                later(ok, [ok] { ok->click(); });
            }
        } else if (auto* dlg = qobject_cast<navigator::CVoyageDlg*>(front)) {
            if (voyage.empty())
                return later(dlg, [dlg] { dlg->reject(); });
            dlg->VoyageEdit()->setText(voyage.front());
            dlg->OfficerEdit()->setText(QStringLiteral("José Ñúñez"));
            voyage.erase(voyage.begin());
            later(dlg, [dlg] { dlg->accept(); });
        } else if (auto* entry = qobject_cast<navigator::CEditNoteDlg*>(front)) {
            auto* note = entry->findChild<QPlainTextEdit*>(QStringLiteral("Note"));
            offered.push_back(note->toPlainText());
            if (notes.empty())
                return later(entry, [entry] { entry->reject(); });
            note->setPlainText(notes.front());
            notes.erase(notes.begin());
            later(entry, [entry] { entry->accept(); });
        }
    });
    user.start(50);

    run(app::cmd::kNavVoyage);
    QTest::qWait(300);
    ASSERT_EQ(warnings.size(), 1U);
    EXPECT_EQ(warnings[0],
              "The log keeps Western European text and cannot hold \"Ω\" in the voyage "
              "ID. Please write it without that character.");
    ASSERT_TRUE(voyage.empty()) << "the dialog stays open for the ID to be mended";
    navigator::CVesselLogbook& log = nav.Logbook();
    ASSERT_TRUE(log.IsVoyageRunning());
    EXPECT_TRUE(log.IsLogging());
    fixes(2);

    run(app::cmd::kNavLogbookEntry);
    QTest::qWait(300);
    ASSERT_EQ(warnings.size(), 2U);
    EXPECT_EQ(warnings[1], "The log keeps Western European text and cannot hold \"→\" or \"☂\" in "
                           "the note. Please write it without those characters.");
    ASSERT_EQ(offered.size(), 2U);
    EXPECT_EQ(offered[0], "");
    EXPECT_EQ(offered[1], "wind → NW 15\nrain ☂") << "the refused note comes back as typed";
    // Rows go on after the entry.
    log.LogEvent("Passed West Point", -1);
    fixes(1);
    user.stop();
    brine_test::AnswerDialogs() = true;

    const std::string path = log.LogPath();
    const std::string name = std::filesystem::path(path).filename().string();
    const auto read = brine_test::RunPython("import dbfread\n"
                                            "path = " +
                                            std::string("'") + path + "'\n" + R"(
index = list(dbfread.DBF(path + '.dbf', encoding='cp1252'))
own = index[-1]
print(own['VOYAGEID'], '/', own['OOWNAME'])
for r in dbfread.DBF(path + '.X/%08d.dbf' % own['UNIQUE'], encoding='cp1252'):
    if r['NOTE']:
        print(repr(r['NOTE']), r['TYPE'])
)");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, "Omega-2 / José Ñúñez\n"
                     "'wind NW 15\\r\\nrain' 11\n"
                     "'Passed West Point' 4\n");

    // File > Print Preview in the logbook window previews the vessel log at once (a chooser
    // would be taken here with its first choice).
    run(app::cmd::kNavLogbookWindow);
    QTest::qWait(200);
    auto* area = qobject_cast<QMdiArea*>(frame.centralWidget());
    ASSERT_NE(area, nullptr);
    ASSERT_NE(area->activeSubWindow(), nullptr);
    EXPECT_EQ(area->activeSubWindow()->windowTitle().toStdString(), "Log Database - " + name);
    // The rows stay in the order written: a click on a heading sorts nothing. Each column is
    // as wide as its heading and 60 pixels, the note 250, kept as left when a row is added.
    {
        auto* logbook = qobject_cast<app::CListFrame*>(area->activeSubWindow());
        ASSERT_NE(logbook, nullptr);
        QTableView& table = *logbook->View();
        QHeaderView& heads = *table.horizontalHeader();
        ASSERT_EQ(heads.count(), 8);
        const auto noteColumn = [&] {
            QStringList texts;
            for (int r = 0; r < table.model()->rowCount(); ++r)
                texts << table.model()->index(r, 7).data().toString();
            return texts;
        };
        const QStringList before = noteColumn();
        QTest::mouseClick(heads.viewport(), Qt::LeftButton, {},
                          QPoint(heads.sectionViewportPosition(7) + 5, heads.height() / 2));
        QTest::qWait(50);
        EXPECT_EQ(noteColumn(), before) << "the heading sorted the log";
        const auto widthsAsWritten = [&] {
            EXPECT_EQ(table.columnWidth(7), 250);
            for (int c = 0; c < 7; ++c)
                EXPECT_EQ(table.columnWidth(c),
                          heads.fontMetrics().horizontalAdvance(
                              table.model()->headerData(c, Qt::Horizontal).toString()) +
                              60)
                    << "column " << c;
        };
        widthsAsWritten();
        // One row is selected at a time: a shift or control click moves the selection.
        EXPECT_FALSE(heads.sectionsClickable());
        const auto clickRow = [&](int row, Qt::KeyboardModifiers keys) {
            QTest::mouseClick(table.viewport(), Qt::LeftButton, keys,
                              table.visualRect(table.model()->index(row, 1)).center());
        };
        ASSERT_GE(table.model()->rowCount(), 3);
        clickRow(0, {});
        clickRow(2, Qt::ShiftModifier);
        clickRow(1, Qt::ControlModifier);
        const QModelIndexList selected = table.selectionModel()->selectedRows();
        EXPECT_EQ(selected.size(), 1);
        EXPECT_TRUE(selected.size() == 1 && selected[0].row() == 1);
        // A row written while the window is open: the list grows, the widths stay as they were
        // left, also one the user changed.
        const int rows = table.model()->rowCount();
        table.setColumnWidth(1, 200);
        log.LogEvent("Abeam Alki Point", -1);
        for (int i = 0; i < 20 && table.model()->rowCount() == rows; ++i)
            QTest::qWait(50);
        EXPECT_EQ(table.model()->rowCount(), rows + 1);
        EXPECT_EQ(table.columnWidth(1), 200);
        EXPECT_EQ(table.columnWidth(7), 250);
    }
    run(app::cmd::kFilePrintPreview);
    for (int i = 0; i < 40 && area->activeSubWindow()->windowTitle().startsWith("Log Database");
         ++i)
        QTest::qWait(100);

    ASSERT_NE(area->activeSubWindow(), nullptr);
    EXPECT_EQ(area->activeSubWindow()->windowTitle().toStdString(), "Vessel Log Report - " + name);

    // A voyage of a new vessel: the open logbook window lists that vessel's rows from then on.
    const QPointer<app::CListFrame> logbook = nav.LogbookFrame();
    ASSERT_TRUE(logbook);
    const std::uint32_t before = log.OwnTrackVessel()->vesselId;
    ASSERT_TRUE(log.EndVoyage());
    log.SetAppendToExisting(false);
    ASSERT_TRUE(log.StartVoyage("Omega-3", ""));
    log.LogEvent("Cast off", -1);
    ASSERT_NE(log.OwnTrackVessel()->vesselId, before);
    const navigator::CLogbookRows rows(log, log.OwnTrackVessel()->vesselId);
    const auto listedRows = [&] { return logbook ? logbook->View()->model()->rowCount() : -1; };
    for (int i = 0; i < 20 && listedRows() != int(rows.RowCount()); ++i)
        QTest::qWait(50);
    ASSERT_TRUE(logbook) << "the window closed";
    EXPECT_EQ(nav.LogbookFrame(), logbook.data()) << "the window was made again";
    QAbstractItemModel& listed = *logbook->View()->model();
    ASSERT_EQ(listed.rowCount(), int(rows.RowCount()));
    EXPECT_EQ(listed.index(listed.rowCount() - 1, 7).data().toString(), "Cast off");
}

}   // namespace

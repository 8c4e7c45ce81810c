// Events the navigation cycle raises while a question about the log is open, in the program as
// it starts: the sample route is followed with a GPS on COM1 and logging on; Start Voyage asks
// "Save Log file?" of the temporary log, and while that question waits the vessel enters the
// active waypoint's arrival circle. Once the question is answered the arrival is in the log.
#include "shell/Brinevane.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "FirstStart.h"
#include "ScriptedPrompt.h"
#include "app/CommandIds.h"
#include "db/DBLog.h"
#include "geo/NavMaths.h"
#include "navigator/VesselLogbook.h"
#include "navigator/ui/NavigatorWindows.h"
#include "navigator/ui/VoyageDlg.h"
#include "routes/RouteModule.h"
#include "shell/MainFrame.h"

namespace {

std::string Fix(const geo::CPosition& p)
{
    return brine_test::RmcAt(p.GetLatitude(), p.GetLongitude());
}

// `range` nm from the waypoint `to` toward `from`.
geo::CPosition Short(const geo::CPosition& to, const geo::CPosition& from, double range)
{
    double legRange = 0, bearing = 0;
    geo::RhumbRangeBearing(to, from, &legRange, &bearing, false);
    geo::CPosition out;
    geo::PositionAtRangeBearing(to, range, bearing, &out);
    return out;
}

// Every row note in the tables of the open log (one for each append), read from its files.
std::vector<std::string> LogNotes(const navigator::CVesselLogbook& log)
{
    std::vector<std::filesystem::path> tables;
    for (const auto& e : std::filesystem::directory_iterator(log.LogPath() + ".X"))
        if (e.path().extension() == ".dbf")
            tables.push_back(e.path());
    std::sort(tables.begin(), tables.end());
    std::vector<std::string> notes;
    for (const std::filesystem::path& t : tables) {
        db::CDBLog table;
        table.SetFilePath(std::filesystem::path(t).replace_extension().string());
        EXPECT_TRUE(table.Open(true)) << t;
        table.SelectUniqueTag();
        for (bool ok = table.GoTop(); ok; ok = table.SkipForward())
            notes.push_back(table.m_note);
    }
    return notes;
}

TEST(EventsDuringAQuestion, AnArrivalWhileStartVoyageAsksToSaveTheLogIsLogged)
{
    const brine_test::FirstStartProgram program(false, true);   // the sample route current
    ASSERT_TRUE(program.started);
    const brine_test::FirstStartHome& home = program.home;
    ASSERT_GE(home.master, 0);
    shell::CMainFrame& frame = program.Frame();
    navigator::CNavigatorWindows& nav = *frame.Navigator();
    auto* routes = brine_test::FindModule<routes::CRouteModule>(frame);
    ASSERT_NE(routes, nullptr);
    navigator::CActiveRoute& route = routes->Views();
    for (int i = 0; i < 30 && !route.HasRoute(); ++i)
        QTest::qWait(100);
    ASSERT_TRUE(route.HasRoute());
    const int active = route.ActiveIndex();
    ASSERT_GE(active, 1);
    const geo::CPosition to = route.Waypoint(active).position;
    const geo::CPosition from = route.Waypoint(active > 1 ? active - 1 : active + 1).position;
    const std::string wptNote = "Arrival circle entered - Wpt " + std::to_string(active) + " - " +
                                route.Waypoint(active).name;
    const double radius = route.Settings().arrivalCircleRadius;

    // Under way two miles short of the waypoint, logging on.
    const geo::CPosition approach = Short(to, from, 2.0);
    for (int i = 0; i < 40 && !nav.CanStartEndVoyage(); ++i) {
        home.Send(Fix(approach));
        QTest::qWait(100);
    }
    ASSERT_TRUE(nav.CanStartEndVoyage());
    frame.UpdateModuleCmdUI(true);
    frame.Action(app::cmd::kNavDataLogging)->trigger();
    ASSERT_TRUE(nav.Logbook().IsLogging());
    ASSERT_TRUE(nav.Logbook().IsTemporary());

    // Start Voyage: its dialog is accepted; while "Save Log file?" waits the vessel sails into
    // the arrival circle, and only once the alarm is up is the question answered No.
    brine_test::AnswerDialogs() = false;
    const geo::CPosition inside = Short(to, from, radius / 2);
    int step = 0, alarmTicks = 0;
    bool asked = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (step == 0 && qobject_cast<navigator::CVoyageDlg*>(modal)) {
            qobject_cast<QDialog*>(modal)->accept();
            step = 1;
        } else if (step == 1) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box || !box->text().contains("Save Log file?"))
                return;
            asked = true;
            home.Send(Fix(inside));
            if (!nav.Monitor().Alarms().Lines().empty() && ++alarmTicks > 3) {
                box->button(QMessageBox::No)->click();
                step = 2;
            }
        }
    });
    driver.start(100);
    frame.UpdateModuleCmdUI(true);
    ASSERT_TRUE(frame.Action(app::cmd::kNavVoyage)->isEnabled());
    frame.Action(app::cmd::kNavVoyage)->trigger();
    driver.stop();
    brine_test::AnswerDialogs() = true;
    ASSERT_TRUE(asked) << "Start Voyage did not ask to save the temporary log";
    ASSERT_EQ(step, 2);
    EXPECT_TRUE(nav.Logbook().IsVoyageRunning());
    EXPECT_TRUE(nav.Logbook().IsLogging());

    // The arrival, once, in the log now open; the question held nothing else back.
    const std::vector<std::string> notes = LogNotes(nav.Logbook());
    EXPECT_EQ(std::count(notes.begin(), notes.end(), wptNote), 1) << [&] {
        std::string all;
        for (const std::string& n : notes)
            all += "\n  \"" + n + "\"";
        return "notes:" + all;
    }();
    EXPECT_FALSE(nav.Logbook().IsHoldingEvents());
}

}   // namespace

// The datum question, as the navigator asks it once its wait for a datum is over: a modal
// dialog no other window takes input past, both boxes ticked; while it waits the cycle still
// takes fixes, and OK hands the answers to the navigator.
TEST(EventsDuringAQuestion, TheDatumQuestionIsModalAndTheCycleGoesOn)
{
    const brine_test::FirstStartProgram program;
    ASSERT_TRUE(program.started);
    const brine_test::FirstStartHome& home = program.home;
    ASSERT_GE(home.master, 0);
    shell::CMainFrame& frame = program.Frame();
    navigator::CNavigatorWindows& nav = *frame.Navigator();
    const auto at = [&](double lat, double lon) {
        const auto snap = nav.Snapshot();
        return snap->position.IsValid() && std::abs(snap->position.GetLatitude() - lat) < 1e-3 &&
               std::abs(snap->position.GetLongitude() - lon) < 1e-3;
    };
    const auto sail = [&](double lat, double lon) {
        for (int i = 0; i < 60 && !at(lat, lon); ++i) {
            home.Send(brine_test::RmcAt(lat, lon));
            QTest::qWait(100);
        }
        return at(lat, lon);
    };
    // Under way, the start's own dialogs answered.
    ASSERT_TRUE(sail(47.7, -122.45));

    brine_test::AnswerDialogs() = false;
    nav.ShowGpsConfigurationQuestion();
    QApplication::processEvents();
    auto* question = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(question, nullptr) << "the datum question is not modal";
    EXPECT_EQ(question->windowTitle(), "GPS Configuration");
    EXPECT_EQ(question->windowModality(), Qt::ApplicationModal);
    const auto boxes = question->findChildren<QCheckBox*>();
    ASSERT_EQ(boxes.size(), 2);
    for (QCheckBox* box : boxes)
        EXPECT_TRUE(box->isChecked()) << box->text().toStdString();

    // Fixes still move the vessel while the question waits.
    EXPECT_TRUE(sail(47.72, -122.43)) << "the cycle stood still behind the question";
    EXPECT_EQ(QApplication::activeModalWidget(), question);

    for (QCheckBox* box : boxes)
        if (box->text() == "Is date/time set to GMT")
            box->setChecked(false);
    auto* buttons = question->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    buttons->button(QDialogButtonBox::Ok)->click();
    QApplication::processEvents();
    brine_test::AnswerDialogs() = true;
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(nav.Source().GmtFlag());
}

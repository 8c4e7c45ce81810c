// The Upload Route dialog's Report: it opens the route's waypoint list, is
// disabled while that list is showing and enabled again once it is closed.
#include "../../chartpoints/ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/Module.h"
#include "routes/ui/RouteUploadDlg.h"
#include "routes/ui/RouteWindows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace {

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};

TEST(RouteUploadReport, ReportOpensTheWaypointListOnceAtATime)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CRouteWindows routes(settings, prompt, dir.Path());
    ASSERT_TRUE(routes.Initialise());
    ASSERT_TRUE(routes.OpenDatabase((dir.Path() / "Sound").string()));
    routes.OnEdit();
    ASSERT_TRUE(routes.NewRoute());
    ASSERT_TRUE(routes.AddWaypointAt(geo::CPosition(48.1, -122.7)));

    int opened = 0;
    bool showing = false;
    routes.SetWaypointListReport(
        [&] {
            ++opened;
            showing = true;
        },
        [&] { return showing; });
    routes.ShowUploadDialog();
    QDialog* dialog = routes.UploadDialog();
    ASSERT_NE(dialog, nullptr);
    auto* report = dialog->findChild<QPushButton*>("report");
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->text(), "&Report");
    // Alt+R reaches Report: no other control of the dialog claims that letter.
    QStringList texts;
    for (auto* label : dialog->findChildren<QLabel*>())
        texts << label->text();
    for (auto* button : dialog->findChildren<QAbstractButton*>())
        texts << button->text();
    EXPECT_EQ(texts.filter(QRegularExpression("&[Rr]")).size(), 1) << texts.join('|').toStdString();
    ASSERT_TRUE(report->isEnabled());
    report->click();
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(report->isEnabled());
    // The list closed by the user: Report comes back with the dialog's own timer.
    showing = false;
    EXPECT_TRUE(QTest::qWaitFor([report] { return report->isEnabled(); }, 5000));
    dialog->close();
    routes.Terminate();
}

// Takes every sentence; a closed port takes none.
class Instrument final : public routes::CRouteTransmitter {
public:
    bool CanTransmit() const override { return open; }
    bool SendRoute(const std::string&, const std::string&, const std::string&, const std::string&,
                   bool) override
    {
        return open && ++sent;
    }
    bool SendWaypoint(const nmea::CUploadPoint&, bool) override { return open && ++sent; }
    bool open = true;
    int sent = 0;
};

// Upload sends the route chosen in the dialog; once every sentence is out the
// dialog closes and that route stays current. Cancel puts back the route
// current at opening.
TEST(RouteUploadReport, ASentRouteClosesTheDialogAndStaysCurrent)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CRouteWindows routes(settings, prompt, dir.Path());
    ASSERT_TRUE(routes.Initialise());
    Instrument gps;
    routes.SetTransmitterSource([&gps] { return &gps; });
    ASSERT_TRUE(routes.OpenDatabase((dir.Path() / "Sound").string()));
    routes.OnEdit();
    for (int r = 0; r < 2; ++r) {
        ASSERT_TRUE(routes.NewRoute());
        ASSERT_TRUE(routes.AddWaypointAt(geo::CPosition(48.1, -122.7 + 0.01 * r)));
        ASSERT_TRUE(routes.AddWaypointAt(geo::CPosition(48.0, -122.6 + 0.01 * r)));
    }
    routes.OnEdit();
    ASSERT_TRUE(routes.SelectRoute(1));

    routes.ShowUploadDialog();
    QPointer<QDialog> dialog = routes.UploadDialog();
    ASSERT_NE(dialog, nullptr);
    auto* choice = dialog->findChild<QComboBox*>("routes");
    ASSERT_NE(choice, nullptr);
    ASSERT_EQ(choice->count(), 2);
    choice->setCurrentIndex(1);
    emit choice->activated(1);
    ASSERT_EQ(routes.RouteOrdinal(), 2);
    QPushButton* upload = nullptr;
    for (auto* b : dialog->findChildren<QPushButton*>())
        if (b->text() == "&Upload")
            upload = b;
    ASSERT_NE(upload, nullptr);
    upload->click();
    // The frame's timer passes feed the staging; the dialog follows on its own timer.
    for (int i = 0; i < 50 && dialog && dialog->isVisible(); ++i) {
        routes.OnTimer(app::TimerCadence::EveryPass);
        QTest::qWait(50);
    }
    EXPECT_EQ(gps.sent, 4);
    EXPECT_TRUE(dialog.isNull() || !dialog->isVisible()) << "the dialog stayed open";
    EXPECT_EQ(routes.RouteOrdinal(), 2);

    // A port that closes: nothing goes, the dialog stays for another try.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(dialog.isNull());
    gps.open = false;
    routes.ShowUploadDialog();
    dialog = routes.UploadDialog();
    ASSERT_NE(dialog, nullptr);
    prompt.Expect(platform::PromptAnswer::Ok, "not open for output");
    for (auto* b : dialog->findChildren<QPushButton*>())
        if (b->text() == "&Upload")
            b->click();
    QTest::qWait(150);
    EXPECT_TRUE(dialog && dialog->isVisible());
    dialog->findChild<QComboBox*>("routes")->setCurrentIndex(0);
    emit dialog->findChild<QComboBox*>("routes")->activated(0);
    ASSERT_EQ(routes.RouteOrdinal(), 1);
    dialog->reject();
    EXPECT_EQ(routes.RouteOrdinal(), 2);
    routes.Terminate();
}

// A route without waypoints: Upload sends nothing and the dialog closes as
// after any upload, even with the port closed.
TEST(RouteUploadReport, ARouteWithoutWaypointsClosesTheDialogWithNothingSent)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CRouteWindows routes(settings, prompt, dir.Path());
    ASSERT_TRUE(routes.Initialise());
    Instrument gps;
    gps.open = false;
    routes.SetTransmitterSource([&gps] { return &gps; });
    ASSERT_TRUE(routes.OpenDatabase((dir.Path() / "Sound").string()));
    routes.OnEdit();
    ASSERT_TRUE(routes.NewRoute());
    routes.OnEdit();
    ASSERT_TRUE(routes.State().waypoints.empty());

    routes.ShowUploadDialog();
    QPointer<QDialog> dialog = routes.UploadDialog();
    ASSERT_NE(dialog, nullptr);
    for (auto* b : dialog->findChildren<QPushButton*>())
        if (b->text() == "&Upload")
            b->click();
    EXPECT_TRUE(
        QTest::qWaitFor([&dialog] { return dialog.isNull() || !dialog->isVisible(); }, 2000))
        << "the dialog stayed open";
    EXPECT_EQ(gps.sent, 0);
    EXPECT_EQ(routes.State().inUse.Count(), 0);
    routes.Terminate();
}

// While the autopilot steers the route no other route can be chosen: the
// dialog's route list is grey, and comes back once the route is let go.
TEST(RouteUploadReport, RouteListIsGreyWhileTheRouteIsHeld)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CRouteWindows routes(settings, prompt, dir.Path());
    ASSERT_TRUE(routes.Initialise());
    ASSERT_TRUE(routes.OpenDatabase((dir.Path() / "Sound").string()));
    routes.OnEdit();
    ASSERT_TRUE(routes.NewRoute());
    ASSERT_TRUE(routes.AddWaypointAt(geo::CPosition(48.1, -122.7)));
    routes.OnEdit();
    routes.Views().TakeInUseHold();
    routes.ShowUploadDialog();
    QPointer<QDialog> dialog = routes.UploadDialog();
    ASSERT_NE(dialog, nullptr);
    auto* choice = dialog->findChild<QComboBox*>("routes");
    ASSERT_NE(choice, nullptr);
    EXPECT_FALSE(choice->isEnabled());
    routes.Views().GiveInUseHold();
    EXPECT_TRUE(QTest::qWaitFor([choice] { return choice->isEnabled(); }, 5000));
    dialog->close();
    routes.Terminate();
}

}   // namespace

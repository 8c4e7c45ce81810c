// The navigator's windows show what the model says and hand the user's
// choices back: the panel's labels after a refresh and in DR, the position
// source dialog's fields under their rules.

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QRadioButton>

#include <gtest/gtest.h>

#include "FakeClock.h"
#include "NavigatorFakes.h"
#include "geo/ui/PositionCtrl.h"
#include "navigator/ui/MonitorPanel.h"
#include "navigator/ui/PositionSourceDlg.h"

using namespace std::chrono_literals;

namespace {

int g_argc = 1;
char g_name[] = "navigator_ui_test";
char* g_argv[] = {g_name, nullptr};

QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

TEST(MonitorPanel, ShowsTheModelsTexts)
{
    App();
    brine_test::FakeClock clock;
    navtest::MemorySettings settings;
    navtest::FakeGps gps(clock);
    navigator::CNavigatorModule nav(settings, clock, &gps);
    nav.SetDrDelay(10s);
    QMainWindow frame;
    auto* panel = new navigator::CMonitorPanel(nav, &frame);
    ASSERT_TRUE(panel->Create(navigator::CMonitorPanel::kBarId, &frame));
    EXPECT_EQ(panel->ValueText("status"), "NMEA inactive");

    gps.parser.ParseLine(navtest::Rmc(50.5, -4.25, 6.4, 45.0));
    auto pass = [&] {
        nav.NavigationTimerPass();
        QApplication::processEvents();   // the panel's pump delivers the queue
    };
    pass();
    EXPECT_EQ(panel->ValueText("tab"), "NMEA");
    EXPECT_EQ(panel->ValueText("cog"), " 045");
    EXPECT_EQ(panel->ValueText("sog"), " 6.4");
    EXPECT_EQ(panel->ValueText("status"),
              "GPa - " + QString::fromStdString(nav.Snapshot()->position.GetDatumName()));
    EXPECT_EQ(panel->ValueText("latitude").toStdString(),
              nav.Snapshot()->position.FormatLatitude());
    EXPECT_EQ(panel->ValueText("time"), "12:00:00");

    for (int s = 0; s < 11; ++s) {
        clock.Advance(1s);
        pass();
    }
    EXPECT_EQ(panel->ValueText("tab"), "DR");
    EXPECT_EQ(panel->ValueText("status"), "DR - Local");
    EXPECT_EQ(panel->ValueText("cog"), " 045");
}

TEST(PositionSourceDlg, FieldsFollowTheRules)
{
    App();
    navigator::CPositionSourceDlg::CStart start;
    start.gpsReceiving = true;
    start.positionAvailable = true;
    start.values.course = 10;
    start.values.speed = 10;
    start.values.position = geo::CPosition(50.0, -4.0);
    navigator::CPositionSourceDlg dlg(start);
    auto* course = dlg.findChildren<QLineEdit*>()[0];
    const auto radios = dlg.findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 3);
    EXPECT_TRUE(radios[0]->isChecked());   // NMEA while it is received
    EXPECT_FALSE(course->isEnabled());
    radios[1]->setChecked(true);
    EXPECT_TRUE(course->isEnabled());
    course->setText("361");
    emit course->editingFinished();
    EXPECT_EQ(course->text(), "010");
    course->setText("360");
    emit course->editingFinished();
    EXPECT_EQ(course->text(), "000");
    const navigator::CPositionSourceChoice c = dlg.Choice();
    EXPECT_EQ(c.source, navigator::SourceChoice::DeadReckoning);
    EXPECT_EQ(c.course, 0.0);
    EXPECT_EQ(c.speed, 10.0);
    ASSERT_TRUE(c.position);
    EXPECT_EQ(c.position->GetLatitude(), 50.0);

    // The position field shows all its text beside its arrows.
    dlg.show();
    auto* position = dlg.findChild<geo::CPositionCtrl*>("position");
    ASSERT_NE(position, nullptr);
    int buttons = 0;
    for (QAction* a : position->actions())
        for (QObject* o : a->associatedObjects())
            if (auto* w = qobject_cast<QWidget*>(o); w && w != position && w->isVisible())
                buttons += w->width();
    EXPECT_GE(position->width() - buttons - 8,
              position->fontMetrics().horizontalAdvance(position->text()))
        << position->width() << " px for " << position->text().toStdString();
    // Minutes with their decimal point, as every other position of the program reads.
    position->SetPosition({47.61, -122.3751});
    EXPECT_EQ(position->text().toStdString(), "47\u00B036.600'N 122\u00B022.506'W");
}

}   // namespace

// The navigator's windows show what the model says and hand the user's
// choices back: the panel's labels after a refresh and in DR, the position
// source dialog's fields under their rules.

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "FakeClock.h"
#include "NavigatorFakes.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "geo/ui/PositionCtrl.h"
#include "navigator/ui/MonitorPanel.h"
#include "navigator/ui/NavigatorWindows.h"
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

// A navigator over a fake GPS with its monitor panel in a window.
struct PanelRig {
    QApplication& app = App();
    brine_test::FakeClock clock;
    navtest::MemorySettings settings;
    navtest::FakeGps gps{clock};
    navigator::CNavigatorModule nav{settings, clock, &gps};
    QMainWindow frame;
    navigator::CMonitorPanel* panel = nullptr;

    bool Create()
    {
        panel = new navigator::CMonitorPanel(nav, &frame);
        return panel->Create(navigator::CMonitorPanel::kBarId, &frame);
    }
};

TEST(MonitorPanel, ShowsTheModelsTexts)
{
    PanelRig rig;
    ASSERT_TRUE(rig.Create());
    auto& [app, clock, settings, gps, nav, frame, panel] = rig;
    nav.SetDrDelay(10s);
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

// The panel's title line in the caption colours, its labels in their type.
TEST(MonitorPanel, TitleInTheCaptionColours)
{
    PanelRig rig;
    ASSERT_TRUE(rig.Create());
    auto* title = rig.panel->findChild<QLabel*>("title");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), "Monitor");
    EXPECT_TRUE(title->autoFillBackground());
    EXPECT_EQ(title->backgroundRole(), QPalette::Highlight);
    EXPECT_EQ(title->foregroundRole(), QPalette::HighlightedText);
    EXPECT_EQ(title->font().pixelSize(), 12);
    EXPECT_TRUE(title->font().bold());
    const std::pair<const char*, int> sizes[] = {
        {"status", 17}, {"latitude", 22}, {"longitude", 22}, {"datumShift", 12}};
    for (const auto& [name, pixels] : sizes) {
        auto* label = rig.panel->findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->font().pixelSize(), pixels) << name;
        EXPECT_EQ(label->font().bold(), pixels == 22) << name;
    }
    EXPECT_EQ(rig.panel->findChild<QLabel*>("status")->text(), "NMEA inactive");
    EXPECT_EQ(rig.panel->findChild<QLabel*>("datumShift")->text(), "Not applicable");
}

// The active chart's datum-shift status on the panel: "None available"
// white on red, any other black on white.
TEST(MonitorPanel, DatumShiftLineColours)
{
    navtest::FakeCharts charts;
    charts.shiftStatus = 2;
    charts.chartKind = "Chart";
    PanelRig rig;
    ASSERT_TRUE(rig.Create());
    auto& [app, clock, settings, gps, nav, frame, panel] = rig;
    nav.SetChartHost(&charts);
    auto pass = [&] {
        clock.Advance(1s);
        gps.parser.ParseLine(navtest::Rmc(47.6, -122.38, 6.4, 45.0));
        nav.NavigationTimerPass();
        QApplication::processEvents();
    };
    auto* line = panel->findChild<QLabel*>("datumShift");
    ASSERT_NE(line, nullptr);
    pass();
    EXPECT_EQ(line->text(), "None available");
    EXPECT_EQ(line->styleSheet(), "color: #ffffff; background: #ff0000");
    charts.shiftStatus = 0;
    pass();
    EXPECT_EQ(line->text(), "Applied - Chart");
    EXPECT_EQ(line->styleSheet(), "color: #000000; background: #ffffff");
}

// The alarm list shows each line's fields whole, without a horizontal scroll,
// and opens centred over the main window with its lines in.
TEST(MonitorPanel, AlarmListShowsWholeLines)
{
    PanelRig rig;
    ASSERT_TRUE(rig.Create());
    auto& [app, clock, settings, gps, nav, frame, panel] = rig;
    frame.setGeometry(100, 100, 1000, 700);
    frame.show();
    QApplication::processEvents();
    auto& alarms = nav.Monitor().Alarms();
    alarms.AddAlarm(7, "Meadow Point", navigator::AlarmKind::Perpendicular, "12/08/2026 08:08:33");
    alarms.AddAlarm(8, "", navigator::AlarmKind::ArrivalCircle, "12/08/2026 08:21:05");
    gps.parser.ParseLine(navtest::Rmc(47.7, -122.44, 6.0, 180.0));
    nav.NavigationTimerPass();
    QApplication::processEvents();
    QDialog* dialog = nullptr;
    for (QDialog* d : panel->findChildren<QDialog*>())
        if (d->windowTitle() == "Waypoint Arrival Alarms")
            dialog = d;
    ASSERT_NE(dialog, nullptr);
    auto* view = dialog->findChild<QAbstractItemView*>();
    ASSERT_NE(view, nullptr);
    QApplication::processEvents();
    EXPECT_FALSE(view->horizontalScrollBar()->isVisible()) << "the lines are cut";
    auto* list = qobject_cast<QTreeWidget*>(view);
    ASSERT_NE(list, nullptr) << "the fields stand in columns";
    ASSERT_EQ(list->topLevelItemCount(), 2);
    const QStringList second = {"12/08/2026 08:21:05", "Arrival circle entered", "8", "No name"};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(list->topLevelItem(1)->text(c), second[c]);
        for (int r = 0; r < 2; ++r) {
            const QString text = list->topLevelItem(r)->text(c);
            EXPECT_GE(list->columnWidth(c), list->fontMetrics().horizontalAdvance(text))
                << text.toStdString();
        }
    }
    EXPECT_EQ(list->currentItem(), list->topLevelItem(1)) << "the newest line selected";
    EXPECT_GE(list->viewport()->width(), list->header()->length());
    const QPoint off = dialog->frameGeometry().center() - frame.frameGeometry().center();
    EXPECT_LE(off.manhattanLength(), 4) << off.x() << ", " << off.y();
}

// The cross-track error stands between its "<<<" and ">>>" on one line; the
// arrows are 14 px type of the lightest weight, red and green on white.
TEST(MonitorPanel, CrossTrackErrorStandsBetweenItsArrows)
{
    PanelRig rig;
    ASSERT_TRUE(rig.Create());
    rig.frame.resize(600, 800);
    rig.frame.show();
    auto* tabs = rig.panel->findChild<QTabWidget*>("cards");
    ASSERT_NE(tabs, nullptr);
    tabs->setCurrentIndex(1);
    QApplication::processEvents();
    auto* left = rig.panel->findChild<QLabel*>("leftArrow");
    auto* xte = rig.panel->findChild<QLabel*>("xte");
    auto* right = rig.panel->findChild<QLabel*>("rightArrow");
    ASSERT_TRUE(left && xte && right);
    EXPECT_EQ(left->text(), "<<<");
    EXPECT_EQ(right->text(), ">>>");
    EXPECT_LE(left->geometry().right(), xte->geometry().left());
    EXPECT_LE(xte->geometry().right(), right->geometry().left());
    EXPECT_EQ(left->geometry().center().y(), xte->geometry().center().y());
    EXPECT_EQ(right->geometry().center().y(), xte->geometry().center().y());
    // The leg's bearing and length stand in the "Rhumb" group.
    auto* rhumb = rig.panel->findChild<QGroupBox*>("rhumb");
    ASSERT_NE(rhumb, nullptr);
    EXPECT_EQ(rhumb->title(), "Rhumb");
    EXPECT_NE(rhumb->findChild<QLabel*>("legBearing"), nullptr);
    EXPECT_NE(rhumb->findChild<QLabel*>("legLength"), nullptr);
    for (QLabel* arrow : {left, right}) {
        EXPECT_EQ(arrow->font().pixelSize(), 14);
        EXPECT_EQ(arrow->font().weight(), QFont::Weight(1));
        EXPECT_FALSE(arrow->isVisible()) << "hidden until there is a cross-track error";
    }
    EXPECT_EQ(left->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(right->palette().color(QPalette::WindowText), QColor(0, 128, 0));
}

// Each wind stands on its own line: angle, reference, speed, unit.
TEST(MonitorPanel, EachWindIsOneLine)
{
    PanelRig rig;
    ASSERT_TRUE(rig.Create());
    rig.frame.resize(600, 800);
    rig.frame.show();
    rig.panel->findChild<QTabWidget*>("cards")->setCurrentIndex(3);
    QApplication::processEvents();
    int lastLine = -1;
    for (const char* n : {"1", "2"}) {
        std::vector<QLabel*> line;
        for (const char* field : {"windAngle", "windReference", "windSpeed", "windUnit"})
            line.push_back(rig.panel->findChild<QLabel*>(QString(field) + n));
        for (QLabel* value : line)
            ASSERT_NE(value, nullptr);
        const int y = line[0]->geometry().center().y();
        EXPECT_LT(line[0]->height(), 3 * line[0]->fontMetrics().height()) << "one text high";
        EXPECT_GT(y, lastLine);
        lastLine = y;
        for (std::size_t i = 1; i < line.size(); ++i) {
            EXPECT_EQ(line[i]->geometry().center().y(), y) << line[i]->objectName().toStdString();
            EXPECT_LT(line[i - 1]->geometry().right(), line[i]->geometry().left());
        }
    }
}

// NMEA is offered whenever the GPS has a port, also after Off closed its
// receive side; never while DR runs or for a position set on the chart.
TEST(PositionSourceDlg, NmeaOfferedWhileTheGpsHasAPort)
{
    App();
    struct Row {
        const char* what;
        bool receiving, available, drRunning, fromChart;
        bool nmeaEnabled;
        const char* checked;   // the radio chosen at opening
        QString text;
    };
    const Row rows[] = {
        {"receiving", true, true, false, false, true, "&NMEA", "Position Source is EPFS"},
        {"after Off", false, true, false, false, true, "O&ff", "No Position Source"},
        {"no port", false, false, false, false, false, "O&ff", "No Position Source"},
        {"DR running", true, true, true, false, false, "&Dead Reckoning", "Position Source is DR"},
        {"set on the chart", true, true, false, true, false, "&Dead Reckoning",
         "Position Source is DR"},
        {"set on the chart after Off", false, true, false, true, false, "&Dead Reckoning",
         "No Position Source"},
    };
    for (const Row& r : rows) {
        navigator::CPositionSourceDlg::CStart start;
        start.gpsReceiving = r.receiving;
        start.gpsAvailable = r.available;
        start.drRunning = r.drRunning;
        start.fromChart = r.fromChart;
        start.positionAvailable = true;
        start.values.position = geo::CPosition(47.6, -122.4);
        navigator::CPositionSourceDlg dlg(start);
        const auto radios = dlg.findChildren<QRadioButton*>();
        ASSERT_EQ(radios.size(), 3);
        EXPECT_EQ(radios[0]->isEnabled(), r.nmeaEnabled) << r.what;
        for (QRadioButton* radio : radios)
            if (radio->isChecked())
                EXPECT_EQ(radio->text(), r.checked) << r.what;
        auto* text = dlg.findChild<QLabel*>("sourceText");
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->text(), r.text) << r.what;
        if (r.nmeaEnabled) {   // chosen, it is the choice handed back
            radios[0]->setChecked(true);
            EXPECT_EQ(dlg.Choice().source, navigator::SourceChoice::NMEA) << r.what;
        }
    }
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

// Position Source shows the vessel as the active chart reads it, and the
// position typed there goes back into the vessel's datum at OK.
TEST(PositionSourceDlg, ThePositionOnTheActiveChartsDatum)
{
    App();
    brine_test::FakeClock clock;
    navtest::MemorySettings settings;
    navigator::CNavigatorWindows nav(settings, clock);
    std::vector<bool> shifts;   // toChart, in the order asked
    nav.activeChartDatumShift = [&](const geo::CPosition& p,
                                    bool toChart) -> std::optional<geo::CPosition> {
        shifts.push_back(toChart);
        return geo::CPosition(p.GetLatitude() + (toChart ? 0.5 : -0.5), p.GetLongitude());
    };
    QString shown;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dlg == nullptr)
            return;
        look.stop();
        dlg->findChildren<QRadioButton*>()[1]->setChecked(true);   // Dead Reckoning
        auto* position = dlg->findChild<geo::CPositionCtrl*>("position");
        if (position != nullptr) {
            shown = position->text();
            position->SetPosition({48.0, -122.0});
        }
        dlg->accept();
    });
    look.start(20);
    nav.SetVesselPosition(geo::CPosition(47.0, -122.0), false);
    EXPECT_EQ(shown.toStdString(), "47\u00B030.000'N 122\u00B000.000'W");
    EXPECT_EQ(shifts, (std::vector<bool>{true, false}));
    EXPECT_TRUE(nav.Source().IsDrOn());
    EXPECT_NEAR(nav.Source().Fix().position.GetLatitude(), 47.5, 1e-9);
}

// Logbook Window with no frame to hold it makes no window: the command stays offered and
// unchecked, and the next try finds no half-made window in the way.
TEST(LogbookWindow, NoFrameMakesNoWindowAndLeavesTheCommandUnchecked)
{
    App();
    brine_test::FakeClock clock;
    navtest::MemorySettings settings;
    navigator::CNavigatorWindows nav(settings, clock);
    app::CCommandTable commands;
    nav.RegisterCommands(commands);
    for (int attempt = 0; attempt < 2; ++attempt) {
        commands.Execute(app::cmd::kNavLogbookWindow);
        const app::CCmdUIState state = commands.Update(app::cmd::kNavLogbookWindow);
        EXPECT_TRUE(state.enabled);
        EXPECT_EQ(state.check, 0) << attempt;
    }
    for (QWidget* top : QApplication::allWidgets())
        EXPECT_NE(top->objectName(), "LogbookWindow");
}

}   // namespace

// Chartpoints and the own position going into a route, in the program as it
// starts for a new user: a chartpoint added from the list (Enter, double
// click) and from its mark on the chart (double click) while the route panel
// is shown in edit mode; the own position from a GPS on a pty added by the
// route panel's Nav and as a chartpoint by the chartpoint panel's Nav; the
// chart's Properties over a mark opening the chartpoint's sheet; the route
// memo and attachments edited, applied and read back.
#include "shell/Brinevane.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "OwnProgramFolder.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/CommandIds.h"
#include "chart/ChartingModule.h"
#include "chart/ui/ChartPropDlg.h"
#include "chart/ui/ChartView.h"
#include "chart/ui/MarkDrag.h"
#include "chartpoints/ui/ChartpointListWindow.h"
#include "chartpoints/ui/ChartpointPanel.h"
#include "chartpoints/ui/ChartpointPropDlg.h"
#include "chartpoints/ui/ChartpointWindows.h"
#include "routes/PlanModule.h"
#include "routes/ui/RoutePanel.h"
#include "routes/ui/RouteWindows.h"
#include "shell/MainFrame.h"

namespace {

QApplication& App()
{
    static int argc = 1;
    static char arg0[] = "shell_RouteChartpointsTest";
    static char* argv[] = {arg0, nullptr};
    static auto* app = new QApplication(argc, argv);   // never destroyed: Qt's exit order
    return *app;
}

std::string WithChecksum(const std::string& body)
{
    unsigned sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + body + tail;
}

// Answers every modal dialog as a user clicking OK would, and keeps what the
// message boxes said.
class DialogAnswerer : public QObject {
public:
    DialogAnswerer()
    {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] {
            if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                if (auto* box = qobject_cast<QMessageBox*>(dlg))
                    said.push_back(box->text().toStdString());
                dlg->accept();
            }
        });
        timer->start(30);
    }
    std::vector<std::string> said;
};

// A double click as the window system delivers one: press, release, then a
// second press that comes as the double click, and its release.
void DoubleClick(QWidget* widget, QPoint at)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
}

template <class T>
T* FindModule(shell::CMainFrame& frame)
{
    for (std::size_t i = 0; i < frame.Modules().size(); ++i)
        if (auto* found = dynamic_cast<T*>(frame.Modules()[i]))
            return found;
    return nullptr;
}

}   // namespace

TEST(RouteChartpoints, ChartpointsAndTheOwnPositionGoIntoTheRoute)
{
    App();
    brine_test::TempFolder home;
    const std::filesystem::path config = home / "config";
    std::filesystem::create_directories(config / "Quorwick" / "Brinevane");
    setenv("HOME", home.Path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    setenv("BRINE_INSTANCE_NAME", ("brine-routecp-" + std::to_string(::getpid())).c_str(), 1);
    brine_test::UseOwnProgramFolder(home / "program");

    int master = -1, slave = -1;
    char slaveName[128] = {};
    ASSERT_EQ(::openpty(&master, &slave, slaveName, nullptr, nullptr), 0);
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    {
        std::ofstream out(config / "Quorwick" / "Brinevane" / "settings.conf");
        out << "[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:" << slaveName << "\n"
            << "[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Log]\nDatabaseFolder=str:"
            << (home / "logs").string() << "\n#end\n";
    }

    brine_test::ScriptedPrompt prompt;
    DialogAnswerer answers;
    shell::CBrinevane theApp(&prompt);
    ASSERT_TRUE(theApp.InitApplication());
    ASSERT_TRUE(theApp.InitInstance({}));
    shell::CMainFrame& frame = *theApp.MainFrame();
    auto* marks = FindModule<chartpoints::CChartpointWindows>(frame);
    auto* routes = FindModule<routes::CRouteWindows>(frame);
    ASSERT_TRUE(marks && routes);

    // Two chartpoints far from the route's waypoints and from each other, so
    // no marks overlap: one for the list, one for the chart.
    ASSERT_TRUE(marks->OpenDatabase((home / "Marks").string()));
    marks->OnEdit();
    ASSERT_TRUE(marks->IsEditMode());
    frame.Action(app::cmd::kViewChartpointPanel)->trigger();
    const auto addMark = [&](geo::CPosition at, const char* name, const char* id) {
        ASSERT_TRUE(marks->AddChartpointAt(at));
        frame.UpdateModuleCmdUI(true);   // the idle pass enables the fields
        auto* nameEdit = marks->Panel()->findChild<QLineEdit*>("name");
        auto* idEdit = marks->Panel()->findChild<QLineEdit*>("id");
        ASSERT_TRUE(nameEdit && idEdit);
        nameEdit->clear();
        QTest::keyClicks(nameEdit, name);
        idEdit->clear();
        QTest::keyClicks(idEdit, id);
        ASSERT_TRUE(marks->OnApply());
    };
    addMark(geo::CPosition(35.2, 139.75), "Uraga Channel", "URAGA");
    addMark(geo::CPosition(47.6, -122.4), "Alki Point", "ALKI");
    ASSERT_EQ(marks->Current().m_name, "Alki Point");

    // A first start takes the route's workspace defaults: a 2-pixel line,
    // arrival circles, perpendiculars and limits of deviation drawn, and
    // automatic advance, arrival circle entry and the limit of deviation on,
    // which hold the route.
    EXPECT_EQ(routes->Views().WaypointProperties().Line().GetWidth(), 2);
    EXPECT_TRUE(routes->State().overlays.arrivalCircles);
    EXPECT_TRUE(routes->State().overlays.perpendiculars);
    EXPECT_TRUE(routes->State().overlays.deviationLimits);
    EXPECT_TRUE(routes->State().monitoring.autoAdvance);
    EXPECT_TRUE(routes->State().monitoring.arrivalCircleOn);
    EXPECT_TRUE(routes->State().monitoring.deviationLimitOn);
    EXPECT_FALSE(routes->IsFree());
    auto* plan = FindModule<routes::CPlanModule>(frame);
    ASSERT_NE(plan, nullptr);
    EXPECT_EQ(plan->LineProperties().GetWidth(), 2);
    // Editing needs the route free: automatic advance off, as the Monitor's Auto does.
    ASSERT_TRUE(routes->SetAutoAdvance(false));

    ASSERT_TRUE(routes->OpenDatabase((home / "Passages").string()));
    routes->OnEdit();
    ASSERT_TRUE(routes->IsEditMode());
    ASSERT_TRUE(routes->NewRoute());
    ASSERT_TRUE(routes->AddWaypointAt(geo::CPosition(50.0, -30.0)));
    ASSERT_TRUE(routes->AddWaypointAt(geo::CPosition(49.0, -20.0)));
    ASSERT_TRUE(routes->SelectWaypoint(1));
    ASSERT_EQ(routes->State().waypoints.size(), 2u);

    // The list: Enter and a double click add nothing while the route panel
    // is not the one shown.
    marks->OpenListWindow();
    chartpoints::CChartpointListWindow* list = marks->ListWindow();
    ASSERT_NE(list, nullptr);
    // A position format applied in Tools > Options reaches the open list at
    // once (Alki Point is the current row), and the program-wide format with it.
    const auto latitudeCell = [&] {
        return list->View()->model()->index(list->SelectedRow(), 2).data().toString();
    };
    EXPECT_EQ(latitudeCell(), QString::fromUtf8("47\u00B036.00'N"));
    frame.Action(app::cmd::kToolsOptions)->trigger();
    auto* options = frame.findChild<QWidget*>("toolsOptions");
    ASSERT_NE(options, nullptr);
    auto* places = options->findChild<QLineEdit*>("decimalPlaces");
    auto* seconds = options->findChild<QAbstractButton*>("degMinSec");
    auto* applyOptions = options->findChild<QPushButton*>("sheetApply");
    ASSERT_TRUE(places && seconds && applyOptions);
    places->setText("3");
    seconds->click();
    applyOptions->click();
    QTest::qWait(50);
    EXPECT_EQ(latitudeCell(), QString::fromUtf8("47\u00B036'00.000N"));
    EXPECT_EQ(geo::CPosition(47.6, -122.4).FormatLatitude(), "47\u00B036'00.000N");
    // Back to the default format, through the same page.
    places->setText("2");
    for (QAbstractButton* b : options->findChildren<QAbstractButton*>())
        if (b->text().contains("Mins.Mins"))
            b->click();
    options->findChild<QPushButton*>("sheetOk")->click();
    QTest::qWait(50);
    EXPECT_EQ(latitudeCell(), QString::fromUtf8("47\u00B036.00'N"));
    list->View()->setFocus();
    QTest::keyClick(list->View(), Qt::Key_Return);
    EXPECT_EQ(routes->State().waypoints.size(), 2u) << "added with the route panel hidden";

    // With the route panel shown: after the current waypoint, named as the chartpoint.
    frame.Action(app::cmd::kViewRoutePanel)->trigger();
    ASSERT_TRUE(routes->IsPanelActive());
    // Its title line in the caption colours.
    auto* panelTitle = frame.findChild<routes::CRoutePanel*>()->findChild<QLabel*>("title");
    ASSERT_NE(panelTitle, nullptr);
    EXPECT_EQ(panelTitle->text(), "Route");
    EXPECT_TRUE(panelTitle->autoFillBackground());
    EXPECT_EQ(panelTitle->backgroundRole(), QPalette::Highlight);
    EXPECT_EQ(panelTitle->foregroundRole(), QPalette::HighlightedText);
    QTest::keyClick(list->View(), Qt::Key_Return);
    ASSERT_EQ(routes->State().waypoints.size(), 3u) << "Enter in the list added nothing";
    EXPECT_EQ(routes->State().waypoints[1].m_name, "Alki Point");
    EXPECT_EQ(routes->State().waypoints[1].m_id, "ALKI");
    EXPECT_NEAR(routes->State().waypoints[1].m_position.GetLatitude(), 47.6, 1e-6);
    const QModelIndex row = list->View()->model()->index(list->SelectedRow(), 1);
    DoubleClick(list->View()->viewport(), list->View()->visualRect(row).center());
    ASSERT_EQ(routes->State().waypoints.size(), 4u) << "a double click in the list added nothing";

    // The route panel's OpenDB brings the list up again once closed.
    list->close();
    QTest::qWait(50);
    ASSERT_EQ(marks->ListWindow(), nullptr);
    auto* panel = routes->Panel();
    auto* openDb = panel->findChild<QPushButton*>("openDb");
    ASSERT_NE(openDb, nullptr);
    frame.UpdateModuleCmdUI(true);
    ASSERT_TRUE(openDb->isEnabled());
    openDb->click();
    EXPECT_NE(marks->ListWindow(), nullptr);

    // A double click on the chartpoint's mark on the chart.
    chart::CChartView* view = nullptr;
    for (chart::CChartView* v : frame.findChildren<chart::CChartView*>())
        if (v->isVisible())
            view = v;
    ASSERT_NE(view, nullptr);
    marks->ListWindow()->close();
    for (QWidget* w = view; w; w = w->parentWidget())
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w))
            sub->showMaximized();
    QTest::qWait(50);
    frame.GoToPosition(geo::CPosition(35.2, 139.75));
    QTest::qWait(100);
    const std::optional<QPoint> onScreen =
        chart::ScreenPointOf(*view, geo::CPosition(35.2, 139.75));
    ASSERT_TRUE(onScreen.has_value());
    const QPoint mark = view->mapFromGlobal(*onScreen);
    ASSERT_TRUE(view->rect().contains(mark))
        << mark.x() << "," << mark.y() << " in " << view->width() << "x" << view->height();
    ASSERT_TRUE(routes->SelectWaypoint(4));
    DoubleClick(view, mark);
    ASSERT_EQ(routes->State().waypoints.size(), 5u) << "a double click on the mark added nothing";
    EXPECT_EQ(routes->State().waypoints[4].m_name, "Uraga Channel");

    // Properties over the mark: the chartpoint's sheet, not the chart's.
    view->ShowProperties(view->ToDevice(QPointF(mark)));
    auto* sheet = marks->PropertiesSheet();
    ASSERT_NE(sheet, nullptr) << "no Chartpoint Properties";
    EXPECT_EQ(sheet->windowTitle(), "Chartpoint Properties");
    EXPECT_EQ(sheet->Page()->NameEdit()->text(), "Uraga Channel");
    EXPECT_TRUE(sheet->Page()->LatitudeEdit()->text().startsWith("35"))
        << sheet->Page()->LatitudeEdit()->text().toStdString();
    EXPECT_TRUE(sheet->Page()->LongitudeEdit()->text().startsWith("139"))
        << sheet->Page()->LongitudeEdit()->text().toStdString();
    EXPECT_TRUE(frame.ChartProperties() == nullptr ||
                !frame.ChartProperties()->window()->isVisible());
    // Another chartpoint made current: the sheet no longer shows one that may
    // have changed; it shows the chart it was opened over, by name and
    // reference position.
    frame.UpdateModuleCmdUI(true);
    QAction* other = frame.Action(app::cmd::kChartpointFirst);
    if (!other->isEnabled())
        other = frame.Action(app::cmd::kChartpointLast);
    ASSERT_TRUE(other->isEnabled()) << "one chartpoint only";
    other->trigger();
    EXPECT_FALSE(sheet->Page()->Object().has_value());
    EXPECT_FALSE(view->Doc().GetName().empty());
    EXPECT_EQ(sheet->Page()->NameEdit()->text().toStdString(), view->Doc().GetName());
    EXPECT_EQ(sheet->Page()->LatitudeEdit()->text().isEmpty(),
              !view->Doc().GetReferencePosition().IsValid());
    sheet->close();

    // Nav: disabled until the GPS gives a position, then the own position
    // after the current waypoint.
    auto* nav = panel->findChild<QPushButton*>("nav");
    ASSERT_NE(nav, nullptr);
    frame.UpdateModuleCmdUI(true);
    EXPECT_FALSE(nav->isEnabled());
    const std::string rmc = WithChecksum("GPRMC,120000,A,5050.400,N,00420.800,E,5.0,90.0,070126,,");
    for (int i = 0; i < 100 && !nav->isEnabled(); ++i) {
        [[maybe_unused]] const auto written = ::write(master, rmc.data(), rmc.size());
        QTest::qWait(100);
        frame.UpdateModuleCmdUI(true);
    }
    ASSERT_TRUE(nav->isEnabled()) << "no own position reached the route panel";
    ASSERT_TRUE(routes->SelectWaypoint(1));
    nav->click();
    ASSERT_EQ(routes->State().waypoints.size(), 6u);
    EXPECT_NEAR(routes->State().waypoints[1].m_position.GetLatitude(), 50 + 50.4 / 60, 1e-4);
    EXPECT_NEAR(routes->State().waypoints[1].m_position.GetLongitude(), 4 + 20.8 / 60, 1e-4);

    // The chartpoint panel's Nav: a chartpoint at the own position.
    frame.Action(app::cmd::kViewChartpointPanel)->trigger();
    auto* cpNav = marks->Panel()->findChild<QPushButton*>("nav");
    ASSERT_NE(cpNav, nullptr);
    frame.UpdateModuleCmdUI(true);
    ASSERT_TRUE(cpNav->isEnabled());
    const long before = marks->Table().GetRecordCount();
    cpNav->click();
    EXPECT_EQ(marks->Table().GetRecordCount(), before + 1);
    EXPECT_NEAR(marks->Current().m_position.GetLatitude(), 50 + 50.4 / 60, 1e-4);

    // The memo and the attachments: typed, attached, applied, read back.
    frame.Action(app::cmd::kViewRoutePanel)->trigger();
    auto* memo = panel->findChild<QPlainTextEdit*>("memo");
    auto* attachments = panel->findChild<QComboBox*>("attachments");
    ASSERT_TRUE(memo && attachments);
    ASSERT_EQ(attachments->count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(attachments->itemText(i), "<Unused>");
    frame.UpdateModuleCmdUI(true);
    EXPECT_FALSE(memo->isReadOnly());
    memo->setFocus();
    QTest::keyClicks(memo, "Keep clear of the traffic lanes");
    const std::filesystem::path picture = home / "lanes.jpg";
    const std::filesystem::path film = home / "passage.avi";
    std::ofstream(picture) << "jpg";
    std::ofstream(film) << "avi";
    attachments->setCurrentIndex(1);
    EXPECT_FALSE(panel->AttachFile(film.string()));
    ASSERT_FALSE(answers.said.empty());
    EXPECT_EQ(answers.said.back(), "You can only attach an image file here");
    EXPECT_TRUE(panel->AttachFile(picture.string()));
    attachments->setCurrentIndex(3);
    EXPECT_FALSE(panel->AttachFile(picture.string()));
    EXPECT_EQ(answers.said.back(), "You can only attach a video file here");
    frame.UpdateModuleCmdUI(true);
    auto* apply = panel->findChild<QPushButton*>("apply");
    ASSERT_TRUE(apply->isEnabled());
    apply->click();
    const routes::CRouteTexts stored = routes->RouteTexts();
    EXPECT_EQ(stored.note, "Keep clear of the traffic lanes");
    EXPECT_EQ(stored.attachments[1], "lanes.jpg");
    EXPECT_TRUE(stored.attachments[3].empty());
    EXPECT_TRUE(
        std::filesystem::exists(std::filesystem::path(routes->AttachmentsFolder()) / "lanes.jpg"));

    // The waypoints card follows every change of the route's points, and a
    // name typed and not yet applied stays while points go in and out.
    auto* rows = panel->findChild<QTreeWidget*>("waypoints");
    auto* nameEdit = panel->findChild<QLineEdit*>("name");
    ASSERT_TRUE(rows && nameEdit);
    const auto cardMatchesRoute = [&] {
        const auto& points = routes->State().waypoints;
        if (rows->topLevelItemCount() != int(points.size()))
            return false;
        for (int i = 0; i < rows->topLevelItemCount(); ++i)
            if (rows->topLevelItem(i)->text(1).toStdString() != points[std::size_t(i)].m_name)
                return false;
        return true;
    };
    nameEdit->setFocus();
    nameEdit->selectAll();
    QTest::keyClicks(nameEdit, "Passage east");
    ASSERT_TRUE(routes->SelectWaypoint(3));
    const std::string deleted = routes->State().waypoints[1].m_name;
    prompt.Expect(platform::PromptAnswer::Yes, "delete this waypoint");
    frame.UpdateModuleCmdUI(true);
    ASSERT_TRUE(frame.Action(app::cmd::kWaypointDelete)->isEnabled());
    frame.Action(app::cmd::kWaypointDelete)->trigger();
    ASSERT_EQ(routes->State().waypoints.size(), 5u);
    EXPECT_TRUE(cardMatchesRoute()) << "the card still lists the deleted " << deleted;
    EXPECT_EQ(nameEdit->text(), "Passage east");
    ASSERT_TRUE(routes->SelectWaypoint(1));
    nav->click();
    ASSERT_EQ(routes->State().waypoints.size(), 6u);
    EXPECT_TRUE(cardMatchesRoute());
    EXPECT_EQ(nameEdit->text(), "Passage east") << "inserting a point dropped the typed name";
    auto* legType = panel->findChild<QComboBox*>("legType");
    ASSERT_NE(legType, nullptr);
    emit legType->activated(legType->findText("GC"));   // as a choice in the box sends it
    EXPECT_EQ(routes->State().waypoints[0].m_legType, 1u);
    EXPECT_TRUE(cardMatchesRoute());
    EXPECT_EQ(nameEdit->text(), "Passage east") << "a leg type choice dropped the typed name";
    frame.UpdateModuleCmdUI(true);
    EXPECT_TRUE(apply->isEnabled());

    // Del in the card's list deletes the selected waypoint, as the menu does.
    rows->setFocus();
    frame.UpdateModuleCmdUI(true);
    prompt.Expect(platform::PromptAnswer::Yes, "delete this waypoint");
    QTest::keyClick(rows, Qt::Key_Delete);
    EXPECT_EQ(routes->State().waypoints.size(), 5u) << "Del in the waypoint list deleted nothing";
    EXPECT_TRUE(cardMatchesRoute());

    // Delete in the chart window deletes the current waypoint while the route panel is the
    // active one, and the current chartpoint while the chartpoint panel is, each after its
    // question.
    ASSERT_TRUE(routes->SelectWaypoint(2));
    view->setFocus();
    prompt.Expect(platform::PromptAnswer::Yes, "delete this waypoint");
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(routes->State().waypoints.size(), 4u) << "Delete in the chart deleted no waypoint";
    EXPECT_TRUE(cardMatchesRoute());
    frame.Action(app::cmd::kViewChartpointPanel)->trigger();
    const long marksBefore = marks->Table().GetRecordCount();
    prompt.Expect(platform::PromptAnswer::Yes, "delete this Chartpoint");
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(marks->Table().GetRecordCount(), marksBefore - 1)
        << "Delete in the chart deleted no chartpoint";
    EXPECT_EQ(routes->State().waypoints.size(), 4u);
    frame.Action(app::cmd::kViewRoutePanel)->trigger();

    // Copy on the panel: the copy's name is in the name field, focused and
    // all selected, ready to be typed over.
    apply->click();
    auto* copy = panel->findChild<QPushButton*>("copy");
    ASSERT_NE(copy, nullptr);
    frame.UpdateModuleCmdUI(true);
    ASSERT_TRUE(copy->isEnabled());
    rows->setFocus();
    copy->click();
    EXPECT_EQ(routes->State().name, "Copy of Passage east");
    EXPECT_EQ(nameEdit->text(), "Copy of Passage east");
    EXPECT_EQ(nameEdit->window()->focusWidget(), nameEdit);
    EXPECT_EQ(nameEdit->selectedText(), nameEdit->text());

    // Out of edit mode the memo cannot be typed in.
    routes->OnEdit();
    frame.UpdateModuleCmdUI(true);
    EXPECT_TRUE(memo->isReadOnly());

    theApp.ExitInstance();
    ::close(master);
    ::close(slave);
}

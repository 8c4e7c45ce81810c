// The "Route Properties" sheet: the route's texts and the chosen waypoint's
// name and position (in the program's position format), following the route
// and the format while open; a chosen waypoint the
// route no longer has gives way to the current one; one sheet at a time.
// The chart's Properties reaches it over a drawn waypoint only. Beside it, the
// chart's menu entries for the route's waypoints and when they are offered,
// and a dragged waypoint written back in the wait state.

#include "routes/ui/RoutePropertiesSheet.h"

#include "../../chartpoints/ChartpointFakes.h"
#include "FakeChartWindow.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/WaitStatus.h"
#include "chart/ChartDoc.h"
#include "db/DBRoute.h"
#include "routes/ui/RouteWindows.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};

QString Field(QWidget& sheet, const char* field)
{
    auto* edit = sheet.findChild<QLineEdit*>(field);
    EXPECT_TRUE(edit) << field;
    EXPECT_TRUE(edit && edit->isReadOnly()) << field;
    return edit ? edit->text() : QString();
}

// A thousand client pixels to the degree from 48.2 N, 123 W.
class StraightChart final : public chart::CChartDoc {
public:
    void ClientToChartPoint(geo::IntPoint in, geo::IntPoint& out) const override { out = in; }
    void ChartToClientPoint(const geo::IntPoint& in, geo::IntPoint& out) override { out = in; }
    bool IsPositionOnChart(const geo::CPosition&) const override { return true; }
    bool PointToPosition(geo::IntPoint p, geo::CPosition& position) override
    {
        position = geo::CPosition(48.2 - p.y * 0.001, -123.0 + p.x * 0.001);
        return true;
    }
    bool PositionToPoints(const geo::CPosition& position, chart::PointList& points) override
    {
        points.push_back({int(std::lround((position.GetLongitude() + 123.0) * 1000)),
                          int(std::lround((48.2 - position.GetLatitude()) * 1000))});
        return true;
    }
};

QList<QWidget*> Sheets()
{
    QList<QWidget*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "routeProperties" && w->isVisible())
            out << w;
    return out;
}

TEST(RoutePropertiesSheet, ShowsTheChosenWaypointAndFollowsTheRoute)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CRouteWindows routes(settings, prompt, dir.Path());
    ASSERT_TRUE(routes.Initialise());
    const std::filesystem::path path = dir.Path() / "Puget";
    {
        db::CDBRoute table;
        table.SetFilePath(path.string());
        ASSERT_TRUE(table.Open());
        table.ClearRecord();
        table.m_name = "Admiralty Inlet";
        table.m_from = "Point Wilson";
        table.m_to = "West Point";
        ASSERT_TRUE(table.AppendNew());
        const char* names[] = {"Point Wilson", "Bush Point", "Point No Point"};
        for (int i = 0; i < 3; ++i) {
            auto& links = table.Points();
            links.Waypoints().ClearRecord();
            links.Waypoints().m_name = names[i];
            links.Waypoints().m_position = geo::CPosition(48.15 - 0.1 * i, -122.75 + 0.05 * i);
            ASSERT_TRUE(links.AppendPoint());
        }
        table.ClearRecord();
        table.m_name = "Elliott Bay";
        ASSERT_TRUE(table.AppendNew());
        table.Points().Waypoints().ClearRecord();
        table.Points().Waypoints().m_name = "Duwamish Head";
        table.Points().Waypoints().m_position = geo::CPosition(47.59, -122.39);
        ASSERT_TRUE(table.Points().AppendPoint());
        table.Close();
    }
    // The program's position format: one decimal of minutes to begin with.
    geo::CPositionFormat format{1, false};
    routes.SetPositionFormat([&format] { return format; });
    ASSERT_TRUE(routes.OpenDatabase(path.string()));
    ASSERT_TRUE(routes.SelectWaypoint(1));

    routes.ShowProperties(0);
    ASSERT_EQ(Sheets().size(), 1);
    QWidget& sheet = *Sheets().front();
    EXPECT_EQ(sheet.windowTitle(), "Route Properties");
    EXPECT_EQ(Field(sheet, "routeName"), "Admiralty Inlet");
    EXPECT_EQ(Field(sheet, "routeFrom"), "Point Wilson");
    EXPECT_EQ(Field(sheet, "routeTo"), "West Point");
    EXPECT_EQ(Field(sheet, "waypointName"), "Point Wilson");
    // "Position" heads the waypoint's latitude and longitude.
    QStringList labels;
    for (const QLabel* l : sheet.findChildren<QLabel*>())
        labels << l->text();
    EXPECT_TRUE(labels.contains("Position")) << labels.join('|').toStdString();
    EXPECT_FALSE(labels.contains("Latitude") || labels.contains("Longitude"));

    // The chart's Properties over waypoint 2 opens it in the same sheet;
    // between waypoints the route has nothing to show.
    StraightChart doc;
    chart::CChartView view(doc, nullptr);
    routes.ViewCreated(view);
    EXPECT_FALSE(routes.PropertiesAt(view, {275, 100}));
    auto open = routes.PropertiesAt(view, {301, 151});
    ASSERT_TRUE(open);
    open();
    routes.ViewDestroyed(view);
    ASSERT_EQ(Sheets().size(), 1);
    EXPECT_EQ(Field(sheet, "waypointName"), "Bush Point");
    EXPECT_EQ(Field(sheet, "waypointLatitude"), "48\u00B003.0'N");
    EXPECT_EQ(Field(sheet, "waypointLongitude"), "122\u00B042.0'W");
    // Another format chosen while the sheet is open: it follows.
    format = geo::CPositionFormat{2, true};
    routes.PositionFormatChanged();
    EXPECT_EQ(Field(sheet, "waypointLatitude"), "48\u00B003'00.00N");
    EXPECT_EQ(Field(sheet, "waypointLongitude"), "122\u00B042'00.00W");

    // Another route of one waypoint: its texts, and its current waypoint.
    ASSERT_TRUE(routes.SelectRoute(2));
    EXPECT_EQ(Field(sheet, "routeName"), "Elliott Bay");
    EXPECT_EQ(Field(sheet, "routeFrom"), "");
    EXPECT_EQ(Field(sheet, "waypointName"), "Duwamish Head");

    routes.Terminate();
    EXPECT_TRUE(Sheets().isEmpty());
}

QAction* Entry(QMenu& menu, const QString& text)
{
    for (QAction* a : menu.actions())
        if (a->text().remove('&') == text)
            return a;
    return nullptr;
}

// Over the chart, the three waypoint entries are offered while the route is
// editable and free; Insert also on a route with no waypoint yet, where it
// makes the first one. Beside the chart they stay grey.
TEST(RouteChartMenu, WaypointEntriesWhileEditable)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CRouteWindows routes(settings, prompt, dir.Path());
    ASSERT_TRUE(routes.Initialise());
    ASSERT_TRUE(routes.OpenDatabase((dir.Path() / "Passages").string()));
    StraightChart doc;
    chart::CChartView view(doc, nullptr);
    routes.ViewCreated(view);
    const auto entries = [&](QMenu& menu, bool onChart = true) {
        routes.AddContextMenu(view, menu, {300, 200}, chart::MenuSection::SidePanel, onChart);
        const QList<QAction*> all = menu.actions();
        EXPECT_EQ(all.size(), 4);
        EXPECT_TRUE(all.size() == 4 && all[3]->isSeparator());
        return std::array<QAction*, 3>{Entry(menu, "Add New Waypoint"),
                                       Entry(menu, "Insert New Waypoint"),
                                       Entry(menu, "Delete Selected Waypoint")};
    };
    {
        QMenu menu;
        for (QAction* a : entries(menu)) {
            ASSERT_NE(a, nullptr);
            EXPECT_FALSE(a->isEnabled()) << a->text().toStdString() << " outside edit mode";
        }
    }
    routes.OnEdit();
    ASSERT_TRUE(routes.IsEditMode());
    ASSERT_TRUE(routes.NewRoute());
    {
        QMenu menu;
        const auto [add, insert, del] = entries(menu);
        ASSERT_TRUE(add && insert && del);
        EXPECT_TRUE(add->isEnabled());
        EXPECT_TRUE(insert->isEnabled());
        EXPECT_FALSE(del->isEnabled()) << "no waypoint to delete";
        // What the entry runs: the first waypoint of the route.
        ASSERT_TRUE(routes.InsertWaypointAfterCurrent(geo::CPosition(48.0, -122.7)));
        ASSERT_EQ(routes.State().waypoints.size(), 1u);
    }
    {
        QMenu menu;
        const auto [add, insert, del] = entries(menu);
        ASSERT_TRUE(add && insert && del);
        EXPECT_TRUE(add->isEnabled() && insert->isEnabled() && del->isEnabled());
    }
    {
        // Beside the chart (the blank area round a small chart) there is no
        // position to put a waypoint at: all three grey, editable as it is.
        QMenu menu;
        for (QAction* a : entries(menu, false)) {
            ASSERT_NE(a, nullptr);
            EXPECT_FALSE(a->isEnabled()) << a->text().toStdString() << " beside the chart";
        }
    }
    routes.ViewDestroyed(view);
    routes.Terminate();
}

// The straight chart in a window of its own, all of it chart.
class WindowedChart final : public chart::CChartDoc {
public:
    WindowedChart()
    {
        m_window.doc = this;
        AttachWindow(&m_window);
    }
    ~WindowedChart() override { AttachWindow(nullptr); }
    bool IsChartLoaded() const override { return true; }
    void ClientToChartPoint(geo::IntPoint in, geo::IntPoint& out) const override { out = in; }
    void ChartToClientPoint(const geo::IntPoint& in, geo::IntPoint& out) override { out = in; }
    bool IsChartPointOnChart(geo::IntPoint) override { return true; }
    bool IsPositionOnChart(const geo::CPosition&) const override { return true; }
    bool PointToPosition(geo::IntPoint p, geo::CPosition& position) override
    {
        position = geo::CPosition(48.2 - p.y * 0.001, -123.0 + p.x * 0.001);
        return true;
    }
    bool PositionToPoints(const geo::CPosition& position, chart::PointList& points) override
    {
        points.push_back({int(std::lround((position.GetLongitude() + 123.0) * 1000)),
                          int(std::lround((48.2 - position.GetLatitude()) * 1000))});
        return true;
    }

private:
    brine_test::FakeChartWindow m_window{{0, 0, 800, 600}};
};

// The wait state's calls, in order.
struct WaitLog : app::CWaitHost {
    std::vector<std::string> calls;
    std::string text = "Ready";
    void SetWaitCursor(bool on) override { calls.push_back(on ? "hourglass" : "arrow"); }
    std::optional<std::string> StatusText() const override { return text; }
    void SetStatusText(const std::string& t) override
    {
        text = t;
        calls.push_back(t);
    }
};

// A waypoint dragged on the chart and let go is written back to the route
// table in the wait state: the hourglass and "Please Wait . . ." for as long
// as that takes.
TEST(RouteChartMenu, ADroppedWaypointIsWrittenInTheWaitState)
{
    QApplication app(argc, argv);
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    routes::CRouteWindows routes(settings, prompt, dir.Path());
    ASSERT_TRUE(routes.Initialise());
    ASSERT_TRUE(routes.OpenDatabase((dir.Path() / "Passages").string()));
    routes.OnEdit();
    ASSERT_TRUE(routes.NewRoute());
    ASSERT_TRUE(routes.InsertWaypointAfterCurrent(geo::CPosition(48.0, -122.7)));   // at 300, 200
    WindowedChart doc;
    chart::CChartView view(doc, nullptr);
    routes.ViewCreated(view);

    WaitLog log;
    app::CWaitStatus::SetCursorHost(&log);
    app::CWaitStatus::SetStatusHost(&log);
    routes.SetWaypointsLocked(false);   // so that they can be dragged
    ASSERT_TRUE(routes.Press(view, {300, 200}));
    routes.DragTo(view, {320, 210});
    EXPECT_TRUE(log.calls.empty()) << "nothing is written while the mark follows the pointer";
    routes.Release(view, {320, 210});
    app::CWaitStatus::SetCursorHost(nullptr);
    app::CWaitStatus::SetStatusHost(nullptr);
    EXPECT_EQ(log.calls,
              (std::vector<std::string>{"hourglass", app::kPleaseWaitText, "Ready", "arrow"}));
    ASSERT_EQ(routes.State().waypoints.size(), 1u);
    const geo::CPosition moved = routes.State().waypoints[0].m_position;
    EXPECT_NEAR(moved.GetLatitude(), 47.99, 1e-9);
    EXPECT_NEAR(moved.GetLongitude(), -122.68, 1e-9);
    routes.ViewDestroyed(view);
    routes.Terminate();
}

}   // namespace

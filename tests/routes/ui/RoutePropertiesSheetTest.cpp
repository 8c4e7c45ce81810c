// The "Route Properties" sheet: the route's texts and the chosen waypoint's
// name and position, following the route while open; a chosen waypoint the
// route no longer has gives way to the current one; one sheet at a time.
// The chart's Properties reaches it over a drawn waypoint only.

#include "routes/ui/RoutePropertiesSheet.h"

#include "../../chartpoints/ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "chart/ChartDoc.h"
#include "chartpoints/PanelPosition.h"
#include "db/DBRoute.h"
#include "routes/ui/RouteWindows.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

#include <cmath>

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
    EXPECT_EQ(Field(sheet, "waypointLatitude"),
              QString::fromStdString(chartpoints::LatitudeText(48.05)));
    EXPECT_EQ(Field(sheet, "waypointLongitude"),
              QString::fromStdString(chartpoints::LongitudeText(-122.70)));

    // Another route of one waypoint: its texts, and its current waypoint.
    ASSERT_TRUE(routes.SelectRoute(2));
    EXPECT_EQ(Field(sheet, "routeName"), "Elliott Bay");
    EXPECT_EQ(Field(sheet, "routeFrom"), "");
    EXPECT_EQ(Field(sheet, "waypointName"), "Duwamish Head");

    routes.Terminate();
    EXPECT_TRUE(Sheets().isEmpty());
}

}   // namespace

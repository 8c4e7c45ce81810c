// The chart view's Properties: extensions answer in their Properties order
// whatever order they joined in, only the first answer opens anything, the
// chart's own properties come when nothing answers, and the right-click
// menu's last entry asks at the point clicked.

#include "FakeChartWindow.h"
#include "chart/ChartDoc.h"
#include "chart/ui/ChartView.h"

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

int g_argc = 1;
char g_arg0[] = "chart_ui_ChartViewPropertiesTest";
char* g_argv[] = {g_arg0, nullptr};

// On the chart left of x = 200, at one place wherever the point.
class LoadedChart final : public chart::CChartDoc {
public:
    bool IsChartLoaded() const override { return true; }
    bool IsChartPointOnChart(geo::IntPoint p) override { return p.x < 200; }
    bool PointToPosition(geo::IntPoint, geo::CPosition& position) override
    {
        position = geo::CPosition(47.6, -122.4);
        return true;
    }
};

// Has something within `reach` pixels of `at`, and logs its name when its
// properties are opened.
class Answerer final : public chart::CChartViewExtension {
public:
    Answerer(std::string name, chart::PropertiesOrder rank, geo::IntPoint at, int reach,
             std::vector<std::string>& log)
        : m_name(std::move(name)), m_rank(rank), m_at(at), m_reach(reach), m_log(log)
    { }
    void ViewCreated(chart::CChartView&) override { }
    void ViewDestroyed(chart::CChartView&) override { }
    PropertiesCall PropertiesAt(chart::CChartView&, geo::IntPoint p) override
    {
        ++asked;
        if (std::abs(p.x - m_at.x) > m_reach || std::abs(p.y - m_at.y) > m_reach)
            return {};
        return [this] { m_log.push_back(m_name); };
    }
    chart::PropertiesOrder PropertiesRank() const override { return m_rank; }
    int asked = 0;

private:
    std::string m_name;
    chart::PropertiesOrder m_rank;
    geo::IntPoint m_at;
    int m_reach;
    std::vector<std::string>& m_log;
};

TEST(ChartViewProperties, FirstInOrderWinsElseTheChartsOwn)
{
    QApplication app(g_argc, g_argv);
    std::vector<std::string> log;
    LoadedChart doc;
    chart::CChartView view(doc, nullptr);
    view.resize(400, 300);
    chart::CChartViewServices services;
    services.showChartProperties = [&log] { log.push_back("chart"); };
    services.variationAt = [](const geo::CPosition& p) {
        return p.GetLatitude() == 47.6 ? std::string("15\u00B030.0'E") : std::string("wrong");
    };
    view.SetServices(services);

    // Targets join first and reach further; a waypoint sits on the same spot.
    Answerer targets("targets", chart::PropertiesOrder::Targets, {100, 100}, 40, log);
    Answerer route("route", chart::PropertiesOrder::RouteWaypoints, {100, 100}, 5, log);
    chart::CChartView::AddExtension(&targets);
    chart::CChartView::AddExtension(&route);

    view.ShowProperties({102, 98});
    EXPECT_EQ(log, std::vector<std::string>{"route"});
    EXPECT_EQ(targets.asked, 0);   // nobody after the first answer is asked
    view.ShowProperties({130, 100});
    view.ShowProperties({300, 250});
    EXPECT_EQ(log, (std::vector<std::string>{"route", "targets", "chart"}));

    // Right-click: the variation at the point, then Properties, which asks
    // at the click.
    log.clear();
    QStringList entries;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* a : menu->actions())
            entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
        if (QAction* last = menu->actions().value(menu->actions().size() - 1))
            last->trigger();
        menu->close();
    });
    QTest::mousePress(&view, Qt::RightButton, {}, QPoint(130, 100));
    EXPECT_EQ(entries,
              (QStringList{QString::fromUtf8("Variation 15\u00B030.0'E"), "-", "&Properties"}));
    EXPECT_EQ(log, std::vector<std::string>{"targets"});
    EXPECT_EQ(view.LastPoint().x, 130);
    EXPECT_EQ(view.LastPoint().y, 100);

    // Off the chart, or without a model, there is no figure.
    EXPECT_EQ(view.VariationText({250, 100}), "Not Available");
    services.variationAt = [](const geo::CPosition&) { return std::string(); };
    view.SetServices(services);
    EXPECT_EQ(view.VariationText({130, 100}), "Not Available");

    chart::CChartView::RemoveExtension(&route);
    chart::CChartView::RemoveExtension(&targets);
}

}   // namespace

namespace {

// Adds one entry to every part of the right-click menu it is asked for,
// named after itself and the part.
class MenuFiller final : public chart::CChartViewExtension {
public:
    MenuFiller(std::string name, const QWidget* panel) : m_name(std::move(name)), m_panel(panel) { }
    void ViewCreated(chart::CChartView&) override { }
    void ViewDestroyed(chart::CChartView&) override { }
    void AddContextMenu(chart::CChartView&, QMenu& menu, geo::IntPoint, chart::MenuSection section,
                        bool onChart) override
    {
        static const char* const kParts[] = {"panel", "information", "tidal", "charts"};
        menu.addAction(QString::fromStdString(m_name + " " + kParts[static_cast<int>(section)]));
        onChartFlags.push_back(onChart);
    }
    std::vector<bool> onChartFlags;   // as each part was asked for
    const QWidget* SidePanel() const override { return m_panel; }

private:
    std::string m_name;
    const QWidget* m_panel;
};

QStringList Entries(const QMenu& menu)
{
    QStringList entries;
    for (QAction* a : menu.actions())
        entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return entries;
}

}   // namespace

TEST(ChartViewProperties, TheRightClickMenuHoldsTheActivePanelsEntriesThenTheChartsInOrder)
{
    QApplication app(g_argc, g_argv);
    LoadedChart doc;
    chart::CChartView view(doc, nullptr);
    view.resize(400, 300);
    QWidget routePanel, chartpointPanel;
    const QWidget* active = &routePanel;
    bool rangeBearing = false;
    chart::CChartViewServices services;
    services.activeSidePanel = [&active] { return active; };
    services.rangeBearingMode = [&rangeBearing] { return rangeBearing; };
    view.SetServices(services);
    MenuFiller chartpoints("chartpoints", &chartpointPanel);
    MenuFiller route("route", &routePanel);
    MenuFiller charts("charts", nullptr);   // no panel: never among the panel entries
    for (auto* e : {&chartpoints, &route, &charts})
        chart::CChartView::AddExtension(e);

    QMenu menu;
    view.BuildContextMenu(menu, {250, 100});
    EXPECT_EQ(Entries(menu),
              (QStringList{"route panel", "chartpoints information", "route information",
                           "charts information", "Variation Not Available", "chartpoints tidal",
                           "route tidal", "charts tidal", "-", "chartpoints charts", "route charts",
                           "charts charts", "-", "&Properties"}));
    active = &chartpointPanel;
    QMenu second;
    view.BuildContextMenu(second, {250, 100});
    EXPECT_EQ(Entries(second).first(), "chartpoints panel");
    EXPECT_FALSE(Entries(second).contains("route panel"));

    // In range and bearing mode a right click opens no menu.
    rangeBearing = true;
    bool opened = false;
    QTimer::singleShot(0, [&opened] {
        if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            opened = true;
            popup->close();
        }
    });
    QTest::mousePress(&view, Qt::RightButton, {}, QPoint(130, 100));
    QCoreApplication::processEvents();
    EXPECT_FALSE(opened);

    for (auto* e : {&chartpoints, &route, &charts})
        chart::CChartView::RemoveExtension(e);
}

// Every part of the menu learns whether the right-clicked point lies on the
// chart or in the blank area beside it (where Add would have no position).
TEST(ChartViewProperties, TheRightClickMenuTellsItsPartsWhetherThePointIsOnTheChart)
{
    QApplication app(g_argc, g_argv);
    LoadedChart doc;
    brine_test::FakeChartWindow window({0, 0, 400, 300});
    window.doc = &doc;
    doc.AttachWindow(&window);
    chart::CChartView view(doc, nullptr);
    QWidget routePanel;
    chart::CChartViewServices services;
    services.activeSidePanel = [&routePanel] { return &routePanel; };
    view.SetServices(services);
    MenuFiller route("route", &routePanel);
    chart::CChartView::AddExtension(&route);

    for (const auto& [point, onChart] :
         {std::pair{geo::IntPoint{150, 100}, true}, std::pair{geo::IntPoint{250, 100}, false}}) {
        route.onChartFlags.clear();
        QMenu menu;
        view.BuildContextMenu(menu, point);
        EXPECT_EQ(Entries(menu).first(), "route panel");
        EXPECT_EQ(route.onChartFlags, std::vector<bool>(4, onChart)) << point.x;
    }
    chart::CChartView::RemoveExtension(&route);
    doc.AttachWindow(nullptr);
}

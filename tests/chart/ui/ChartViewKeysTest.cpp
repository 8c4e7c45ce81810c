// The chart view's Enter key is its left button at the pointer: Enter over a mark picks it as a
// click does, Ctrl+Enter presses it and the next Enter lets go, and away from every mark
// Ctrl+Enter then Enter without moving is a double click, which opens the chart that best
// shows the place. Delete goes to the extension of the active side panel.

#include "FakeChartWindow.h"
#include "chart/ChartDoc.h"
#include "chart/ui/ChartView.h"

#include <QApplication>
#include <QCursor>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

int g_argc = 1;
char g_arg0[] = "chart_ui_ChartViewKeysTest";
char* g_argv[] = {g_arg0, nullptr};

// One application for every test of the run.
void App()
{
    static auto* app = new QApplication(g_argc, g_argv);
    (void)app;
}

// On the chart left of x = 200; records the places asked for a better chart.
class LoadedChart final : public chart::CChartDoc {
public:
    bool IsChartLoaded() const override { return true; }
    bool IsChartPointOnChart(geo::IntPoint p) override { return p.x < 200; }
    bool PointToPosition(geo::IntPoint p, geo::CPosition& position) override
    {
        position = geo::CPosition(47.0 + p.y / 1000.0, -122.0 - p.x / 1000.0);
        return true;
    }
    chart::CChartDoc* OpenBestChartAt(const geo::CPosition& position) override
    {
        asked.push_back(position);
        return nullptr;
    }
    std::vector<geo::CPosition> asked;
};

// A mark at one point, within 3 pixels.
class Mark final : public chart::CChartViewExtension {
public:
    explicit Mark(geo::IntPoint at) : m_at(at) { }
    void ViewCreated(chart::CChartView&) override { }
    void ViewDestroyed(chart::CChartView&) override { }
    bool Press(chart::CChartView&, geo::IntPoint p) override
    {
        if (std::abs(p.x - m_at.x) > 3 || std::abs(p.y - m_at.y) > 3)
            return false;
        ++presses;
        return true;
    }
    void Release(chart::CChartView&, geo::IntPoint) override { ++releases; }
    const QWidget* SidePanel() const override { return panel; }
    bool DeleteSelected(chart::CChartView&) override
    {
        ++deletes;
        return true;
    }
    int presses = 0;
    int releases = 0;
    int deletes = 0;
    const QWidget* panel = nullptr;

private:
    geo::IntPoint m_at;
};

TEST(ChartViewKeys, EnterPicksAMarkAndAnEmptyKeyboardDragIsADoubleClick)
{
    App();
    LoadedChart doc;
    brine_test::FakeChartWindow window({0, 0, 400, 300});
    window.doc = &doc;
    doc.AttachWindow(&window);
    chart::CChartView view(doc, nullptr);
    view.resize(400, 300);
    view.show();
    // The pointer in the middle of the view: one step left is on the chart.
    QCursor::setPos(view.mapToGlobal(QPoint(200, 150)));
    Mark mark({199, 150});
    chart::CChartView::AddExtension(&mark);
    QTest::keyClick(&view, Qt::Key_Left);
    ASSERT_EQ(view.LastPoint(), (geo::IntPoint{199, 150}));

    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_EQ(mark.presses, 1) << "Enter picks the mark";
    EXPECT_EQ(mark.releases, 1);
    QTest::keyClick(&view, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(mark.presses, 2);
    EXPECT_EQ(mark.releases, 1) << "Ctrl+Enter holds it";
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_EQ(mark.releases, 2) << "the next Enter lets go";
    EXPECT_TRUE(doc.asked.empty());

    // Away from the mark: the keyboard's double click asks for the best chart there.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&view, Qt::Key_Left, Qt::ControlModifier);
    const geo::IntPoint away = view.LastPoint();
    ASSERT_EQ(away, (geo::IntPoint{172, 150}));
    QTest::keyClick(&view, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_EQ(mark.presses, 2);
    ASSERT_EQ(doc.asked.size(), 1u);
    EXPECT_DOUBLE_EQ(doc.asked[0].GetLatitude(), 47.15);
    EXPECT_DOUBLE_EQ(doc.asked[0].GetLongitude(), -122.172);
    chart::CChartView::RemoveExtension(&mark);
    doc.AttachWindow(nullptr);
}

// Delete in a chart view deletes the selected object of the active side panel's extension only,
// and nothing while no side panel is active.
TEST(ChartViewKeys, DeleteGoesToTheActiveSidePanelsExtension)
{
    App();
    LoadedChart doc;
    brine_test::FakeChartWindow window({0, 0, 400, 300});
    window.doc = &doc;
    doc.AttachWindow(&window);
    chart::CChartView view(doc, nullptr);
    QWidget routePanel, chartpointPanel;
    const QWidget* active = &chartpointPanel;
    chart::CChartViewServices services;
    services.activeSidePanel = [&active] { return active; };
    view.SetServices(services);
    view.resize(400, 300);
    view.show();
    Mark route({10, 10}), chartpoints({20, 20});
    route.panel = &routePanel;
    chartpoints.panel = &chartpointPanel;
    chart::CChartView::AddExtension(&route);
    chart::CChartView::AddExtension(&chartpoints);

    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(chartpoints.deletes, 1);
    EXPECT_EQ(route.deletes, 0);
    active = &routePanel;
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(chartpoints.deletes, 1);
    EXPECT_EQ(route.deletes, 1);
    active = nullptr;
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(chartpoints.deletes + route.deletes, 2);

    chart::CChartView::RemoveExtension(&chartpoints);
    chart::CChartView::RemoveExtension(&route);
    doc.AttachWindow(nullptr);
}

}   // namespace

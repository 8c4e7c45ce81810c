// The chart view's Enter key is its left button at the pointer: Enter over a mark picks it as a
// click does, Ctrl+Enter presses it and the next Enter lets go, and away from every mark
// Ctrl+Enter then Enter without moving is a double click, which opens the chart that best
// shows the place. Delete goes to the extension of the active side panel.

#include "FakeChartWindow.h"
#include "app/CommandIds.h"
#include "chart/ChartDoc.h"
#include "chart/RangeBearing.h"
#include "chart/ui/ChartView.h"

#include <QApplication>
#include <QCursor>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
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

// The arrow keys move the pointer within the view's client area only: at an
// edge a 9-pixel step stops on the last pixel row or column.
TEST(ChartViewKeys, ArrowsKeepThePointerInsideTheView)
{
    App();
    LoadedChart doc;
    brine_test::FakeChartWindow window({0, 0, 400, 300});
    window.doc = &doc;
    doc.AttachWindow(&window);
    chart::CChartView view(doc, nullptr);
    view.resize(400, 300);
    view.show();
    QCursor::setPos(view.mapToGlobal(QPoint(395, 4)));
    QTest::keyClick(&view, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(view.LastPoint(), (geo::IntPoint{399, 4}));
    QTest::keyClick(&view, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(view.LastPoint(), (geo::IntPoint{399, 0}));
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Up);
    EXPECT_EQ(view.LastPoint(), (geo::IntPoint{399, 0}));
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_EQ(view.LastPoint(), (geo::IntPoint{398, 0}));
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

// In range and bearing mode a click measures instead of picking, a click off the chart starts
// nothing, Ctrl+Enter starts a line at the pointer that the keys draw and Enter finishes, and a
// line dragged off the chart ends where it last was on it. "+", "-" and Home only post their
// commands, so the commands' own enable rules decide.
// A shown 400 x 300 view of the chart in range and bearing mode, recording the commands it posts.
struct MeasuringView {
    MeasuringView()
    {
        window.doc = &doc;
        doc.AttachWindow(&window);
        view = std::make_unique<chart::CChartView>(doc, nullptr);
        chart::CChartViewServices services;
        services.rangeBearingMode = [] { return true; };
        services.postCommand = [this](unsigned id) { posted.push_back(id); };
        view->SetServices(services);
        view->resize(400, 300);
        view->show();
    }
    ~MeasuringView()
    {
        view.reset();
        doc.AttachWindow(nullptr);
    }
    LoadedChart doc;
    brine_test::FakeChartWindow window{{0, 0, 400, 300}};
    std::unique_ptr<chart::CChartView> view;
    std::vector<unsigned> posted;
};

TEST(ChartViewKeys, RangeBearingModeClicksKeysAndPostedZooms)
{
    App();
    MeasuringView measuring;
    chart::CChartView& view = *measuring.view;
    const std::vector<unsigned>& posted = measuring.posted;
    EXPECT_EQ(view.cursor().shape(), Qt::CrossCursor);
    Mark mark({150, 150});
    chart::CChartView::AddExtension(&mark);
    auto& finished = view.Pipeline().Measurements();

    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(150, 150));
    EXPECT_EQ(mark.presses, 0) << "no picking while measuring";
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0]->Label(), "0.00nm, 000\xC2\xB0, (180\xC2\xB0)");
    EXPECT_FALSE(view.Pipeline().InProgress());

    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(300, 150));
    EXPECT_EQ(finished.size(), 1u) << "a click off the chart starts nothing";
    EXPECT_FALSE(view.CursorPosition().IsValid());
    EXPECT_EQ(view.LastPoint(), (geo::IntPoint{300, 150}));

    // From the keyboard: 2 Ctrl+Down steps of 9 pixels, north on this chart.
    QCursor::setPos(view.mapToGlobal(QPoint(100, 100)));
    QTest::keyClick(&view, Qt::Key_Left);
    QTest::keyClick(&view, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(view.Pipeline().InProgress());
    EXPECT_EQ(view.Pipeline().InProgress()->StartPoint(), (geo::IntPoint{99, 100}));
    QTest::keyClick(&view, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(view.Pipeline().InProgress()->EndPoint(), (geo::IntPoint{99, 118}));
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_FALSE(view.Pipeline().InProgress());
    ASSERT_EQ(finished.size(), 2u);
    // 0.018 degrees of latitude due north: 1.0805 nautical miles along the WGS 84 meridian
    // at 47.1 N.
    EXPECT_EQ(finished[1]->Label(), "1.08nm, 000\xC2\xB0, (180\xC2\xB0)");

    // Dragged off the chart: finished at the last point on it while the button is down.
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(100, 200));
    QTest::mouseMove(&view, QPoint(190, 200));
    ASSERT_TRUE(view.Pipeline().InProgress());
    QTest::mouseMove(&view, QPoint(250, 200));
    EXPECT_FALSE(view.Pipeline().InProgress());
    ASSERT_EQ(finished.size(), 3u);
    EXPECT_EQ(finished[2]->EndPoint(), (geo::IntPoint{190, 200}));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(250, 200));
    EXPECT_EQ(finished.size(), 3u);

    QTest::keyClick(&view, Qt::Key_Plus);
    QTest::keyClick(&view, Qt::Key_Minus);
    QTest::keyClick(&view, Qt::Key_Home);
    EXPECT_EQ(posted, (std::vector<unsigned>{app::cmd::kChartZoomIn, app::cmd::kChartZoomOut,
                                             app::cmd::kChartFull}));

    chart::CChartView::RemoveExtension(&mark);
}

}   // namespace

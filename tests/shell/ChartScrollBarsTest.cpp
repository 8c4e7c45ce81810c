// The chart windows' scroll bars in the program as it starts, with the sample raster and vector
// charts: the bar's top is the chart's north, a step down shows more of the south by a pan step,
// and neither a step nor a drag of the thumb takes the view off the chart.
#include <QAbstractSlider>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <string>

#include "FirstStart.h"
#include "chart/ChartDoc.h"
#include "chart/ChartWindow.h"
#include "chart/ChartingModule.h"
#include "chart/ui/ChartFrame.h"
#include "charts/vector/VectorChartDoc.h"
#include "shell/MainFrame.h"

namespace {

struct Window {
    chart::CChartWindow* window = nullptr;
    QScrollBar* vertical = nullptr;
    QScrollBar* horizontal = nullptr;
};

Window WindowOfKind(chart::CChartingModule& charting, int kind)
{
    Window out;
    for (chart::CChartWindow* w : charting.ChartFrames())
        if (w && w->GetChartDoc() && w->GetChartDoc()->GetChartType() == kind)
            out.window = w;
    if (auto* frame = dynamic_cast<chart::CChartFrame*>(out.window))
        for (QScrollBar* bar : frame->findChildren<QScrollBar*>())
            (bar->orientation() == Qt::Vertical ? out.vertical : out.horizontal) = bar;
    return out;
}

// The position shown at a point of the view, given as shares of its width and height.
geo::CPosition At(const Window& w, double across, double down)
{
    const geo::IntRect r = w.window->GetClientRect();
    chart::CChartDoc& doc = *w.window->GetChartDoc();
    geo::IntPoint point;
    doc.ClientToChartPoint(
        {r.left + int((r.right - r.left) * across), r.top + int((r.bottom - r.top) * down)}, point);
    geo::CPosition p;
    p.Invalidate();
    doc.PointToPosition(point, p);
    return p;
}

void Act(QScrollBar* bar, QAbstractSlider::SliderAction action)
{
    bar->triggerAction(action);
    QTest::qWait(150);
}

TEST(ChartScrollBars, RasterAndVectorChartsScrollTheWayTheBarPoints)
{
    brine_test::FirstStartProgram program(true);
    ASSERT_TRUE(program.started);
    QTest::qWait(300);
    auto* charting = brine_test::FindModule<chart::CChartingModule>(program.Frame());
    ASSERT_NE(charting, nullptr);

    // The raster overview, zoomed in so that it is taller than its window.
    const Window raster = WindowOfKind(*charting, chart::kChartARCS);
    ASSERT_NE(raster.window, nullptr);
    ASSERT_NE(raster.vertical, nullptr);
    raster.window->ActivateFrame();
    chart::CChartDoc& rc = *raster.window->GetChartDoc();
    rc.ZoomFull();
    ASSERT_TRUE(rc.ZoomIn());
    QTest::qWait(200);
    ASSERT_TRUE(raster.vertical->isVisible());
    Act(raster.vertical, QAbstractSlider::SliderToMinimum);
    const geo::CPosition top = At(raster, 0.1, 0.1);
    ASSERT_TRUE(top.IsValid());
    Act(raster.vertical, QAbstractSlider::SliderToMaximum);
    const geo::CPosition bottom = At(raster, 0.1, 0.1);
    ASSERT_TRUE(bottom.IsValid());
    EXPECT_GT(top.GetLatitude(), bottom.GetLatitude()) << "the bar's top is the chart's north";
    EXPECT_EQ(raster.vertical->value(), raster.vertical->maximum());
    Act(raster.vertical, QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(raster.vertical->value(), 0) << "the thumb at the top with the north edge in view";
    Act(raster.vertical, QAbstractSlider::SliderSingleStepAdd);
    const geo::CPosition stepped = At(raster, 0.1, 0.1);
    EXPECT_LT(stepped.GetLatitude(), top.GetLatitude()) << "the down arrow shows more south";
    Act(raster.vertical, QAbstractSlider::SliderSingleStepSub);
    EXPECT_NEAR(At(raster, 0.1, 0.1).GetLatitude(), top.GetLatitude(), 1e-6);

    // The vector overview, one step in from the whole chart.
    const Window vector = WindowOfKind(*charting, chart::kChartLivechart);
    ASSERT_NE(vector.window, nullptr);
    ASSERT_NE(vector.vertical, nullptr);
    vector.window->ActivateFrame();
    chart::CChartDoc& lc = *vector.window->GetChartDoc();
    lc.ZoomFull();
    ASSERT_TRUE(lc.ZoomIn());
    QTest::qWait(200);
    const geo::CPosition before = At(vector, 0.5, 0.5);
    ASSERT_TRUE(lc.IsPositionOnChart(before));
    const double viewHeight =
        At(vector, 0.5, 0.0).GetLatitude() - At(vector, 0.5, 1.0).GetLatitude();
    Act(vector.vertical, QAbstractSlider::SliderSingleStepAdd);
    const geo::CPosition after = At(vector, 0.5, 0.5);
    EXPECT_TRUE(lc.IsPositionOnChart(after)) << after.GetLatitude();
    EXPECT_LT(after.GetLatitude(), before.GetLatitude()) << "a step south";
    EXPECT_LT(before.GetLatitude() - after.GetLatitude(), viewHeight / 2) << "by a pan step";
    // Dragging the thumb to either end shows that edge of the chart, not the world's.
    auto* vectorDoc = dynamic_cast<charts::CVectorChartDoc*>(&lc);
    ASSERT_NE(vectorDoc, nullptr);
    geo::CPosition north;
    geo::CPosition south;
    ASSERT_TRUE(vectorDoc->GetWholeExtent(north, south));
    for (int end : {0, 100}) {
        vector.vertical->setSliderDown(true);
        vector.vertical->setSliderPosition(end);
        vector.vertical->setSliderDown(false);
        QTest::qWait(150);
        const double edge =
            end == 0 ? At(vector, 0.5, 0.0).GetLatitude() : At(vector, 0.5, 1.0).GetLatitude();
        EXPECT_NEAR(edge, end == 0 ? north.GetLatitude() : south.GetLatitude(), viewHeight / 10)
            << "thumb at " << end;
    }
}

// Each bar asks the chart where it is on its axis: an answer of -1 (the whole picture fits across
// that axis) hides that bar alone. A thumb let go where the chart does not follow (a blank chart
// takes no thumb drags) goes back to where the chart is.
TEST(ChartScrollBars, AnAxisWithoutAPositionHidesItsBarAndARefusedThumbGoesBack)
{
    brine_test::FirstStartProgram program(true);
    ASSERT_TRUE(program.started);
    QTest::qWait(300);
    auto* charting = brine_test::FindModule<chart::CChartingModule>(program.Frame());
    ASSERT_NE(charting, nullptr);

    const Window raster = WindowOfKind(*charting, chart::kChartARCS);
    ASSERT_NE(raster.window, nullptr);
    ASSERT_NE(raster.horizontal, nullptr);
    raster.window->ActivateFrame();
    chart::CChartDoc& rc = *raster.window->GetChartDoc();
    const auto barsFollowTheAnswers = [&](const char* when) {
        const int across = rc.OnHScroll(-1);
        const int down = rc.OnVScroll(-1);
        EXPECT_EQ(raster.horizontal->isVisible(), across != -1) << when << " " << across;
        EXPECT_EQ(raster.vertical->isVisible(), down != -1) << when << " " << down;
        return (across == -1) + (down == -1);
    };
    // A window wide enough for the whole overview (448 by 896 pixels) across.
    program.Frame().resize(1400, 900);
    if (auto* frame = dynamic_cast<chart::CChartFrame*>(raster.window))
        frame->showMaximized();
    rc.ZoomFull();
    QTest::qWait(300);
    ASSERT_GT(raster.window->GetClientRect().right, 460);
    EXPECT_GE(barsFollowTheAnswers("whole chart"), 1) << "the whole overview fits one way";
    ASSERT_TRUE(rc.ZoomIn());
    ASSERT_TRUE(rc.ZoomIn());
    QTest::qWait(200);
    EXPECT_EQ(barsFollowTheAnswers("full detail"), 0);

    ASSERT_NE(program.Frame().OpenChart("", false, chart::kFrameNormal), nullptr);
    QTest::qWait(600);   // laid out with its bars: nothing else moves the thumb now
    const Window blank = WindowOfKind(*charting, chart::kChartBlank);
    ASSERT_NE(blank.window, nullptr);
    ASSERT_NE(blank.horizontal, nullptr);
    chart::CChartDoc& bc = *blank.window->GetChartDoc();
    const int at = bc.OnHScroll(-1);
    ASSERT_NE(at, -1);
    ASSERT_TRUE(blank.horizontal->isVisible());
    blank.horizontal->setSliderDown(true);
    blank.horizontal->setSliderPosition(at < 50 ? 95 : 5);
    blank.horizontal->setSliderDown(false);
    QTest::qWait(150);
    EXPECT_EQ(bc.OnHScroll(-1), at) << "the blank chart did not move";
    EXPECT_EQ(blank.horizontal->value(), at) << "the thumb is back where the chart is";
}

}   // namespace

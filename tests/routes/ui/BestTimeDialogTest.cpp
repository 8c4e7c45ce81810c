// The best-time chart's bars: lengths against the worst passage, the
// differences view, and the two cases that used to divide by zero or
// overflow 32 bits (all passages 0; passages of years on a wide window);
// what is drawn under the plot: the axis arrow and the two figures in line.

#include "routes/ui/PlanWindow.h"

#include "BestTimeChartChecks.h"

#include <QApplication>
#include <QCheckBox>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

int argc = 1;
char name[] = "test";
char* argv[] = {name, nullptr};

TEST(BestTimeDialog, BarsAreGuardedAndSixtyFourBit)
{
    QApplication app(argc, argv);
    const std::vector<std::int64_t> starts = {0, 3600, 7200};
    {
        routes::CBestTimeDialog d(starts, {7200, 3600, 5400}, false, nullptr);
        EXPECT_EQ(d.BestIndex(), 1);
        EXPECT_EQ(d.BarWidths(600), (std::vector<int>{600, 300, 450}));
        d.findChild<QCheckBox*>()->setChecked(true);
        EXPECT_EQ(d.BarWidths(600), (std::vector<int>{600, 0, 300}));
    }
    {
        // Equal passages: the earliest is best and differences cannot be shown.
        routes::CBestTimeDialog d(starts, {5400, 5400, 5400}, true, nullptr);
        EXPECT_EQ(d.BestIndex(), 0);
        EXPECT_FALSE(d.findChild<QCheckBox*>()->isEnabled());
        EXPECT_EQ(d.BarWidths(600), (std::vector<int>{600, 600, 600}));
    }
    {
        routes::CBestTimeDialog d(starts, {0, 0, 0}, false, nullptr);
        EXPECT_EQ(d.BarWidths(600), (std::vector<int>{0, 0, 0}));
    }
    {
        // 30 years of passage on a 4000-pixel window: 9.5e8 x 4000 overflows 32 bits.
        const std::int64_t years = 30LL * 365 * 86400;
        routes::CBestTimeDialog d(starts, {years, years / 2, years}, false, nullptr);
        EXPECT_EQ(d.BarWidths(4000), (std::vector<int>{4000, 2000, 4000}));
    }
}

TEST(BestTimeDialog, AxisArrowAndFiguresInLine)
{
    QApplication app(argc, argv);
    routes::CBestTimeDialog d({0, 3600, 7200}, {7200, 3600, 5400}, false, nullptr);
    d.resize(640, d.minimumHeight());
    const QImage image = d.grab().toImage();
    if (const char* shots = std::getenv("BRINE_SHOTS_DIR"); shots && *shots)
        image.save(QString::fromLocal8Bit(shots) + "/best_time_chart.png");
    brine_test::ExpectAxisArrowAndFiguresInLine(image, d.PlotRect(), d.font());
    // The plot starts 24 pixels down and holds a 24-pixel row per plan.
    EXPECT_EQ(d.PlotRect().top(), 24);
    EXPECT_EQ(d.PlotRect().bottom(), 3 * 24 + 26);
}

}   // namespace

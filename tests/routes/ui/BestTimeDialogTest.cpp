// The best-time chart's bars: lengths against the worst passage, the
// differences view, and the two cases that used to divide by zero or
// overflow 32 bits (all passages 0; passages of years on a wide window);
// what is drawn under the plot: the axis arrow and the two figures in line.

#include "routes/ui/PlanWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QImage>

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

bool Dark(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 100;
}

// The first column at or right of `from` that starts dark pixels after at
// least `gap` columns without any, within rows [top, top + height); -1 when none.
int StartAfterGap(const QImage& image, int from, int top, int height, int gap)
{
    int blank = 0;
    bool seenInk = false;
    for (int x = from; x < image.width(); ++x) {
        bool ink = false;
        for (int y = top; y < top + height && !ink; ++y)
            ink = Dark(image, x, y);
        if (ink && seenInk && blank >= gap)
            return x;
        if (ink)
            seenInk = true;
        blank = ink ? 0 : blank + 1;
    }
    return -1;
}

TEST(BestTimeDialog, AxisArrowAndFiguresInLine)
{
    QApplication app(argc, argv);
    routes::CBestTimeDialog d({0, 3600, 7200}, {7200, 3600, 5400}, false, nullptr);
    d.resize(640, d.minimumHeight());
    const QImage image = d.grab().toImage();
    if (const char* shots = std::getenv("BRINE_SHOTS_DIR"); shots && *shots)
        image.save(QString::fromLocal8Bit(shots) + "/best_time_chart.png");
    const QRect plot = d.PlotRect();
    const int right = plot.right(), bottom = plot.bottom();

    // The arrow right of the caption: its shaft, and its head's two strokes.
    const QFontMetrics fm(d.font());
    const int captionEnd =
        (plot.left() + right) / 3 + fm.horizontalAdvance("PASSAGE TIME (hours) ");
    ASSERT_LT(captionEnd, right - 50) << "the arrow would cross its caption";
    int shaft = 0;
    for (int x = right - 50; x <= right - 25; ++x)
        shaft += Dark(image, x, bottom + 19);
    EXPECT_EQ(shaft, 26) << "no shaft from right - 50 to right - 25";
    EXPECT_TRUE(Dark(image, right - 30, bottom + 17)) << "no upper head stroke";
    EXPECT_TRUE(Dark(image, right - 30, bottom + 21)) << "no lower head stroke";
    EXPECT_TRUE(Dark(image, right - 35, bottom + 15));
    EXPECT_TRUE(Dark(image, right - 35, bottom + 23));
    EXPECT_FALSE(Dark(image, right - 40, bottom + 15)) << "a bar, not an arrow";

    // The two figures start together, 10 pixels right of the wider caption.
    const int column = 10 + std::max(fm.horizontalAdvance("Hours gained on worst time"),
                                     fm.horizontalAdvance("Percentage gained on worst time"));
    const int gained = StartAfterGap(image, 2, bottom + 35, fm.height(), 7);
    const int percent = StartAfterGap(image, 2, bottom + 60, fm.height(), 7);
    ASSERT_GT(gained, 0) << "the hours gained run on from their caption";
    ASSERT_GT(percent, 0) << "the percentage runs on from its caption";
    EXPECT_EQ(gained, percent);
    EXPECT_NEAR(gained, column, 3);
}

}   // namespace

#pragma once
// What the best-time chart shows under its plot, read from a picture of the
// dialog: the axis arrow right of its caption, and the hours and percentage
// gained starting together 10 pixels right of the wider of their captions.

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QRect>

#include <gtest/gtest.h>

#include <algorithm>

namespace brine_test {

inline bool Dark(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 100;
}

// The first column at or right of `from` that starts dark pixels after at
// least `gap` columns without any, within rows [top, top + height); -1 when none.
inline int StartAfterGap(const QImage& image, int from, int top, int height, int gap)
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

// `image` is the dialog as drawn, `plot` its plot frame, `font` its font.
inline void ExpectAxisArrowAndFiguresInLine(const QImage& image, const QRect& plot,
                                            const QFont& font)
{
    const int right = plot.right(), bottom = plot.bottom();
    ASSERT_LT(bottom + 60 + QFontMetrics(font).height(), image.height());

    // The arrow right of the caption: its shaft, and its head's two strokes.
    const QFontMetrics fm(font);
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

}   // namespace brine_test

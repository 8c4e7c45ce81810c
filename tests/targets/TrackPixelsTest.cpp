// A track's fixes folded to the pixels they land on: consecutive fixes on
// one pixel make one entry, joins survive a fold, a fix off the chart or a
// new segment breaks the line, and "from fix n" finds the entry holding it.

#include "targets/TrackPixels.h"

#include <gtest/gtest.h>

namespace {

using targets::CTrackPixels;
using P = geo::IntPoint;

TEST(TrackPixelsTest, FixesOnOnePixelFoldAndKeepTheirJoins)
{
    CTrackPixels pixels;
    pixels.Add(P{10, 10}, false);   // fix 0
    pixels.Add(P{10, 10}, false);   // 1: folded, a line of no length
    pixels.Add(P{11, 10}, false);   // 2
    pixels.Add(std::nullopt, false);   // 3: off the chart
    pixels.Add(P{11, 10}, false);   // 4: same pixel, but nothing joins it
    pixels.Add(P{12, 10}, true);   // 5: a new segment
    pixels.Add(P{12, 10}, true);   // 6: folded, still no line
    ASSERT_EQ(pixels.FixCount(), 7u);
    const auto& e = pixels.Entries();
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[0].firstFix, 0u);
    EXPECT_EQ(e[0].lastFix, 1u);
    EXPECT_TRUE(e[0].dot);
    EXPECT_TRUE(e[1].joined);
    EXPECT_FALSE(e[1].dot);
    EXPECT_FALSE(e[2].joined);
    EXPECT_EQ(e[2].firstFix, 4u);
    EXPECT_FALSE(e[3].joined);
    EXPECT_FALSE(e[3].dot);
    EXPECT_EQ(e[3].lastFix, 6u);
    EXPECT_EQ(pixels.Newest(), (P{12, 10}));
    // A fix beyond the chart's edge keeps its line (drawn to the edge) but
    // is no marker, and does not fold into a marker on the same pixel.
    pixels.Add(P{12, 10}, false, false);
    ASSERT_EQ(e.size(), 5u);
    EXPECT_TRUE(e[4].joined);
    EXPECT_FALSE(e[4].onChart);
    EXPECT_EQ(pixels.Newest(), (P{12, 10}));
    pixels.Add(std::nullopt, false);
    EXPECT_FALSE(pixels.Newest().has_value());
}

TEST(TrackPixelsTest, FromAFixFindsTheEntryHoldingItOrTheNextOne)
{
    CTrackPixels pixels;
    for (int i = 0; i < 6; ++i)   // fixes 0-5 on pixels 0, 0, 1, 1, 2, 2
        pixels.Add(P{i / 2, 0}, false);
    pixels.Add(std::nullopt, false);   // 6
    pixels.Add(P{9, 9}, false);   // 7
    EXPECT_EQ(pixels.FirstEntryFrom(0), 0u);
    EXPECT_EQ(pixels.FirstEntryFrom(3), 1u);
    EXPECT_EQ(pixels.FirstEntryFrom(5), 2u);
    EXPECT_EQ(pixels.FirstEntryFrom(6), 3u);   // off the chart: the next entry
    EXPECT_EQ(pixels.FirstEntryFrom(8), 4u);   // past the end
    pixels.Clear();
    EXPECT_EQ(pixels.FixCount(), 0u);
    EXPECT_TRUE(pixels.Entries().empty());
}

}   // namespace

// Thinning a track to a view's pixel grid: time marks where the drawing puts
// them, every mark and segment start kept, the newest fix kept, and every
// dropped fix within a grid cell of the line that is drawn instead.
#include "navigator/TrackDecimator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace navigator;
using namespace std::chrono;

namespace {

sys_seconds Noon()
{
    return sys_days{year{2024} / 6 / 1} + hours(12);
}

CTrackFix At(double lat, double lon, sys_seconds t)
{
    CTrackFix f;
    f.latitude = lat;
    f.longitude = lon;
    f.utc = t;
    return f;
}

// Distance from p to the segment a-b, in grid cells.
double ToSegment(double px, double py, double ax, double ay, double bx, double by)
{
    const double dx = bx - ax, dy = by - ay;
    const double len = dx * dx + dy * dy;
    const double t = len > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / len, 0.0, 1.0) : 0.0;
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

}   // namespace

TEST(TrackDecimator, TimeMarksFallOnTheFirstFixAtOrAfterEachInterval)
{
    // Fixes every 4 minutes from 12:00, marks every 10: 12:00, 12:12, 12:24.
    CTrackDecimator d({1.0, 1.0}, minutes(10));
    d.Begin(0);
    for (int i = 0; i < 8; ++i)
        d.Add(std::uint64_t(i), At(47.6, -122.4, Noon() + minutes(4 * i)));
    std::vector<int> marks;
    for (const auto& k : d.Result())
        if (k.timeMark)
            marks.push_back(int((k.fix.utc - Noon()).count() / 60));
    EXPECT_EQ(marks, (std::vector<int>{0, 12, 24}));
    // All in one cell: only the marked fixes and the newest (12:28) are kept.
    EXPECT_EQ(d.Result().size(), 4u);
    EXPECT_EQ(d.Result().back().fix.utc, Noon() + minutes(28));
    // A new window starts counting again.
    d.Begin(5);
    d.Add(5, At(47.6, -122.4, Noon() + minutes(20)));
    ASSERT_EQ(d.Result().size(), 1u);
    EXPECT_TRUE(d.Result()[0].timeMark);
    EXPECT_EQ(d.FirstIndex(), 5u);
}

TEST(TrackDecimator, DroppedFixesStayWithinACellOfTheDrawnLine)
{
    std::mt19937 random(15);
    std::normal_distribution<double> wander(0.0, 0.3);
    const CPixelGrid grid{1e-4, 1.5e-4};
    for (int round = 0; round < 20; ++round) {
        CTrackDecimator d(grid, hours(1000));
        d.Begin(0);
        std::vector<CTrackFix> full;
        double lat = 47.6, lon = -122.4, heading = 0.0;
        for (int i = 0; i < 20000; ++i) {
            heading += wander(random) * 0.1;
            lat += std::cos(heading) * 2e-6;
            lon += std::sin(heading) * 3e-6;
            full.push_back(At(lat, lon, Noon() + seconds(i)));
            if (i == 7000)
                d.AddSegmentStart(std::uint64_t(i), full.back());
            else
                d.Add(std::uint64_t(i), full.back());
        }
        const auto kept = d.Result();
        ASSERT_LT(kept.size(), full.size() / 5) << "the track was hardly thinned";
        EXPECT_EQ(kept.back().index, full.size() - 1);
        EXPECT_TRUE(std::any_of(kept.begin(), kept.end(), [](const CKeptFix& k) {
            return k.index == 7000 && k.segmentStart;
        }));
        // Each fix of the full track against the drawn segment around it, in cells.
        std::size_t k = 0;
        for (std::size_t i = 0; i < full.size(); ++i) {
            while (k + 1 < kept.size() && kept[k + 1].index <= i)
                ++k;
            const auto& a = kept[k].fix;
            const auto& b = kept[std::min(k + 1, kept.size() - 1)].fix;
            const double gap = ToSegment(
                full[i].longitude / grid.longitudeStep, full[i].latitude / grid.latitudeStep,
                a.longitude / grid.longitudeStep, a.latitude / grid.latitudeStep,
                b.longitude / grid.longitudeStep, b.latitude / grid.latitudeStep);
            ASSERT_LE(gap, std::sqrt(2.0)) << "fix " << i << " round " << round;
        }
    }
}

TEST(TrackDecimator, OutsideTheViewsBoxTheCellsAreCoarse)
{
    // A long straight run east; the view's box holds a tenth of it.
    CPixelGrid grid{1e-4, 1e-4};
    auto run = [&](const CPixelGrid& g) {
        CTrackDecimator d(g, hours(1000));
        d.Begin(0);
        for (int i = 0; i < 100000; ++i)
            d.Add(std::uint64_t(i), At(47.6, -122.9 + i * 1e-5, Noon() + seconds(i)));
        return d.Result();
    };
    const auto everywhere = run(grid);
    grid.boxed = true;
    grid.south = 47.5;
    grid.north = 47.7;
    grid.west = -122.5;
    grid.east = -122.4;
    const auto boxed = run(grid);
    EXPECT_NEAR(double(everywhere.size()), 10000.0, 5.0);
    // 1,000 fine cells inside, the other 9,000 cells' worth in 64-cell steps.
    EXPECT_LT(boxed.size(), 1000u + 9000u / 64u + 10u);
    EXPECT_GT(boxed.size(), 1000u);
    EXPECT_EQ(boxed.back().index, 99999u);
}

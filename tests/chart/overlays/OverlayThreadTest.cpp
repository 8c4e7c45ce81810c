// Targets updated by a reader thread while paints draw them: every position
// a paint draws is one the reader wrote whole. Run under ThreadSanitizer in CI.

#include <atomic>
#include <cmath>
#include <chrono>
#include <set>
#include <thread>

#include "OverlayTestSupport.h"
#include "chart/OverlayTarget.h"

using namespace overlay_test;

namespace {

constexpr int kTargets = 50;

// The k-th update of target t puts it at a position that encodes both, with
// the course and speed that belong to it, so a torn copy shows.
chart::CTargetMotion MotionFor(int t, int k)
{
    chart::CTargetMotion m;
    m.position = CPosition(50.0 + t * 0.001, -1.0 + (k % 1000) * 0.0005);
    m.previous = CPosition(50.0 + t * 0.001, -1.0 + ((k + 999) % 1000) * 0.0005);
    m.course = (k % 360);
    m.speed = k % 1000;
    m.range = t;
    m.bearing = (k % 360);
    m.previousTime = k;
    m.hasPreviousTime = true;
    return m;
}

bool IsWhole(int t, const chart::CTargetMotion& m)
{
    if (!m.hasPreviousTime)
        return !m.position.IsValid();   // not yet written
    const int k = static_cast<int>(m.previousTime);
    const chart::CTargetMotion expected = MotionFor(t, k);
    return m.position == expected.position && m.previous == expected.previous &&
           m.course == expected.course && m.speed == expected.speed && m.range == t;
}

}  // namespace

TEST(TargetThreads, PaintsSeeOnlyWholeUpdates)
{
    Chart chart(CPosition(50.1, -1.0), CPosition(49.95, -0.5), 800, 240);
    FakeTracking tracking;
    std::vector<std::unique_ptr<chart::COverlayTarget>> targets;
    for (int t = 0; t < kTargets; ++t) {
        targets.push_back(
            std::make_unique<chart::COverlayTarget>(std::make_unique<FakeTarget>(), &tracking));
        targets.back()->SetOwner(chart.doc.get());
        targets.back()->Properties().drawProjectedPath = true;
        targets.back()->Properties().projectedPathDistance = 0.5;
    }
    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0};
    // The reader: every target once a millisecond, through the same update
    // path the radar values take (one locked write of the whole motion).
    std::jthread reader([&] {
        for (int k = 0; !stop.load(); ++k) {
            for (int t = 0; t < kTargets; ++t)
                targets[t]->SetMotion(MotionFor(t, k));
            rounds.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    // Meanwhile a reader of radar values on each target too.
    std::jthread radar([&] {
        auto record = std::make_unique<FakeTarget>();
        FakeTarget& values = *record;
        chart::COverlayTarget target(std::move(record), &tracking);
        values.Report(2.0, 45.0, "T", 90.0, "T", 8.0);
        while (!stop.load())
            target.UpdateFromNMEA(CPosition(50.0, -0.8), 0.0);
    });

    Recorder rec;
    int paints = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < until || rounds.load() < 50) {
        rec.Clear();
        for (int t = 0; t < kTargets; ++t) {
            const chart::CTargetMotion copy = targets[t]->GetMotion();
            ASSERT_TRUE(IsWhole(t, copy)) << "target " << t;
            targets[t]->Draw(rec.dc);
            // What the paint drew from: a position the reader wrote for this target.
            const CPosition drawn = targets[t]->GetPosition();
            if (drawn.IsValid()) {
                const double step = (drawn.GetLongitude() + 1.0) / 0.0005;
                ASSERT_EQ(drawn, MotionFor(t, static_cast<int>(std::lround(step))).position)
                    << "target " << t;
            }
        }
        ++paints;
    }
    stop = true;
    reader.join();
    radar.join();
    EXPECT_GT(paints, 5);
    EXPECT_GE(rounds.load(), 50);
    // The last paint drew every target that had been written.
    EXPECT_GE(rec.Of(DrawOp::Polygon).size(), std::size_t(kTargets));
}

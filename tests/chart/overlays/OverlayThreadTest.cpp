// Targets updated by a reader thread while paints draw them: every position
// a paint draws is one the reader wrote whole. Run under ThreadSanitizer in CI.

#include <atomic>
#include <chrono>
#include <cmath>
#include <set>
#include <thread>

#include "OverlayTestSupport.h"
#include "chart/overlays/OverlayTarget.h"
#include "nmea/NMEAConvert.h"

using namespace overlay_test;

namespace {

constexpr int kTargets = 50;

// Where update k puts target t: a latitude of its own, a longitude that
// encodes k.
CPosition PositionFor(int t, int k)
{
    return CPosition(50.0 + t * 0.001, -1.0 + (k % 1000) * 0.0005);
}

// A motion copy is whole when its position, previous position and time all
// belong to the same update.
bool IsWhole(int t, const chart::CTargetMotion& m)
{
    if (!m.hasPreviousTime)
        return !m.position.IsValid();   // not yet written
    const CPosition expected = PositionFor(t, static_cast<int>(m.previousTime));
    return std::fabs(m.position.GetLatitude() - expected.GetLatitude()) < 1e-9 &&
           std::fabs(m.position.GetLongitude() - expected.GetLongitude()) < 1e-9 &&
           m.previous == m.position;
}

}   // namespace

TEST(TargetThreads, PaintsSeeOnlyWholeUpdates)
{
    Chart chart(CPosition(50.1, -1.0), CPosition(49.95, -0.5), 800, 240);
    FakeTracking tracking;
    std::vector<std::unique_ptr<chart::COverlayTarget>> targets;
    std::vector<FakeTarget*> records;
    for (int t = 0; t < kTargets; ++t) {
        auto record = std::make_unique<FakeTarget>();
        records.push_back(record.get());
        targets.push_back(std::make_unique<chart::COverlayTarget>(std::move(record), &tracking));
        targets.back()->SetOwner(chart.doc.get());
        targets.back()->Properties().drawProjectedPath = true;
        targets.back()->Properties().projectedPathDistance = 0.5;
    }
    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0};
    // The reader: every target once a millisecond, from its position values
    // (signed ddmm.mmm, north and east negative) through UpdateMotion.
    std::jthread reader([&] {
        for (int k = 0; !stop.load(); ++k) {
            for (int t = 0; t < kTargets; ++t) {
                const CPosition p = PositionFor(t, k);
                records[t]->values.latitude.SetDouble(-nmea::DegreesToNmeaDegMin(p.GetLatitude()));
                records[t]->values.longitude.SetDouble(
                    -nmea::DegreesToNmeaDegMin(p.GetLongitude()));
                ASSERT_TRUE(targets[t]->UpdateMotion(k));
            }
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
                const CPosition expected = PositionFor(t, static_cast<int>(std::lround(step)));
                ASSERT_NEAR(drawn.GetLatitude(), expected.GetLatitude(), 1e-9) << "target " << t;
                ASSERT_NEAR(drawn.GetLongitude(), expected.GetLongitude(), 1e-9) << "target " << t;
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

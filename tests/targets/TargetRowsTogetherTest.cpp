// The panel's rows are written on the user-interface thread while the radar's
// and the transceiver's threads store new reports: a row must never hold
// cells of two reports. Sixty radar targets and every tender channel are
// fed without pause, each report carrying one number k in all its fields,
// while rows are read; every row's cells must give one k. (Run under
// ThreadSanitizer in CI's thread step.)
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <stop_token>
#include <string>
#include <thread>

#include "TenderJoined.h"
#include "nmea/NMEASentenceTable.h"
#include "platform/Clock.h"
#include "platform/LocaleFreeNumbers.h"
#include "targets/ARPARows.h"
#include "targets/TenderRows.h"

using namespace targets;
using namespace std::chrono_literals;

namespace {

constexpr int kRadarTargets = 60;
constexpr auto kRun = 1500ms;

double Number(std::string cell)
{
    if (const auto space = cell.find(' '); space != std::string::npos)
        cell.resize(space);
    return platform::ParseDouble(cell).value_or(-1.0);
}

// k from 1 to 359, so that it is a bearing and a course as well.
int NextK(int k)
{
    return k % 359 + 1;
}

}   // namespace

TEST(TargetRowsTogether, ARadarRowIsOfOneReport)
{
    platform::CSystemClock clock;
    CARPATargetStore store(clock);
    std::atomic<long> reports{0};
    // Stopped and joined however the test ends.
    std::jthread radar([&](std::stop_token stop) {
        nmea::CNMEAMessage message;
        message.SetClock(clock);
        message.SetTargetSentenceParser(&store);
        for (int k = 1; !stop.stop_requested(); k = NextK(k))
            for (int n = 0; n < kRadarTargets; ++n) {
                // Distance, bearing, speed, course, CPA and TCPA all k.
                const std::string K = std::to_string(k);
                const std::string text = "TTM," + std::to_string(n) + "," + K + "," + K + ",T," +
                                         K + "," + K + ",T," + K + "," + K + ",N,T" +
                                         std::to_string(n) + ",T,,,A";
                message.SetSentence(nmea::NmeaSentenceIndex("TTM"), text);
                message.Parse();
                ++reports;
            }
    });
    std::vector<CTrackedTarget> targets;
    const auto until = std::chrono::steady_clock::now() + kRun;
    long rows = 0;
    while (std::chrono::steady_clock::now() < until) {
        if (targets.size() < std::size_t(kRadarTargets)) {
            targets.clear();
            for (int n = 0; n < kRadarTargets; ++n)
                if (auto record = store.Slot(n)) {
                    // Written as a pass that found its TTM new has it written.
                    record->rowSource = CTargetRecord::RowSource::Tracked;
                    targets.emplace_back(std::move(record));
                }
        }
        for (const CTrackedTarget& t : targets) {
            const auto row = ARPARowTexts(store, t, {}, clock.UtcNow(), nullptr);
            const double k = Number(row[7]);   // distance
            ASSERT_GT(k, 0.0) << row[7];
            for (int cell : {5, 6, 8, 9, 10})   // speed, course, bearing, TCPA, CPA
                ASSERT_DOUBLE_EQ(Number(row[std::size_t(cell)]), k)
                    << "target " << t.record->Number() << ": cell " << cell << " is "
                    << row[std::size_t(cell)] << ", distance " << row[7];
            ++rows;
        }
    }
    radar.request_stop();
    radar.join();
    EXPECT_GT(rows, 0);
    EXPECT_EQ(targets.size(), std::size_t(kRadarTargets));
    EXPECT_GT(reports.load(), 10L * kRadarTargets);
    std::printf("%ld radar reports stored while %ld rows were read\n", reports.load(), rows);
}

TEST(TargetRowsTogether, ATenderRowIsOfOneRmc)
{
    platform::CSystemClock clock;
    CTenderTargetStore store(clock);
    std::atomic<long> reports{0};
    // Latitude 47 deg k/100 min N, longitude 122 deg k/100 min W, speed k/10,
    // course k, time 12:mm:ss with k seconds past noon.
    std::jthread transceiver([&](std::stop_token stop) {
        for (int k = 1; !stop.stop_requested(); k = NextK(k))
            for (int c = 0; c < kTenderChannels; ++c) {
                const std::string line = platform::FormatC(
                    "$PABX,%04d,RMC,12%02d%02d,A,47%06.3f,N,122%06.3f,W,%.1f,%d,071226,,", c + 1,
                    k / 60, k % 60, k / 100.0, k / 100.0, k / 10.0, k);
                ASSERT_TRUE(store.ParseTargetLine(c, line)) << line;
                ++reports;
            }
    });
    std::vector<CTender> tenders;
    const auto until = std::chrono::steady_clock::now() + kRun;
    const auto noon = std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 12h;
    long rows = 0;
    while (std::chrono::steady_clock::now() < until) {
        for (auto& record : brine_test::JoinQueuedTenders(store))
            tenders.push_back({std::move(record)});
        for (const CTender& t : tenders) {
            const CTenderReading r = t.Read();
            ASSERT_TRUE(r.position && r.speed && r.course && r.reportUtc);
            const double k = *r.course;
            ASSERT_NEAR(*r.speed, k / 10.0, 1e-9);
            ASSERT_NEAR((r.position->latitude - 47.0) * 6000.0, k, 1e-6);
            ASSERT_NEAR((-r.position->longitude - 122.0) * 6000.0, k, 1e-6);
            ASSERT_EQ(*r.reportUtc, noon + std::chrono::seconds(int(k)));
            // The row is written from one reading too.
            const auto row = TenderRowTexts(t, {}, clock.UtcNow(), nullptr);
            ASSERT_NEAR(Number(row[5]) * 10.0, Number(row[6]), 1e-6) << row[5] << " " << row[6];
            ++rows;
        }
    }
    transceiver.request_stop();
    transceiver.join();
    EXPECT_GT(rows, 0);
    EXPECT_EQ(tenders.size(), std::size_t(kTenderChannels));
    std::printf("%ld tender reports stored while %ld rows were read\n", reports.load(), rows);
}

// Tender tracking on the user-interface thread: tenders joining the
// navigator's list from its queue, reporting and silence, track fixes at the marker span,
// warning circles at their edges, man overboard applied on this thread and
// counted from the flags, removal and options that drop a channel, and a
// port that will not open leaving tracking off with the reason.
#include "targets/TenderTracking.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "FakeClock.h"
#include "geo/NavMaths.h"
#include "nmea/ComPort.h"

using namespace targets;
using namespace std::chrono_literals;

namespace {

class NoPorts : public nmea::CPortDirectory {
public:
    nmea::CPort* FindPort(std::uint8_t) const override { return nullptr; }
    std::uint8_t GetFirstPortNumber() const override { return 0; }
};

// A tender's RMC reply carrying the time `hhmmss` on `ddmmyy`.
std::string Rmc(const std::string& serial, double latMinutes, double lonMinutes,
                const std::string& hhmmss = "120000", const std::string& ddmmyy = "071226")
{
    return "$PABX," + serial + ",RMC," + hhmmss + ",A," + std::to_string(latMinutes) + ",N," +
           std::to_string(lonMinutes) + ",W,4.0,45.0," + ddmmyy + ",,";
}

struct Fixture {
    brine_test::FakeClock clock;
    NoPorts ports;
    CTenderTracking tracking{clock, ports};
    COwnSituation own;

    Fixture()
    {
        clock.SetUtc(std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 12h);
        for (int i = 0; i < 3; ++i)
            tracking.Settings().channels[std::size_t(i)].valid = true;
        tracking.Properties().loggingPeriod = app::CDateTimeSpanEx(10);   // position marker every
        own.position = CTargetPosition{47.6, -122.4};
    }
    CTenderPassResult Pass() { return tracking.OnTimer(own); }
};

}   // namespace

TEST(TenderTracking, AdoptReportSilenceAndTrack)
{
    Fixture f;
    ASSERT_TRUE(f.tracking.Store().ParseTargetLine(1, Rmc("0001", 4736.0, 12224.0)));
    auto pass = f.Pass();
    ASSERT_EQ(pass.added, std::vector<int>{1});
    EXPECT_EQ(pass.rowsToWrite, std::vector<int>{1});
    EXPECT_EQ(pass.fixesAdded, std::vector<int>{1});
    const CTender* t = f.tracking.Find(1);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->record->Name(), "Tender 2");
    EXPECT_TRUE(t->reporting);
    // Nothing new: the row keeps its texts.
    EXPECT_TRUE(f.Pass().rowsToWrite.empty());
    // A report 5 s later is no fix (marker span 10 s); 10 s later is.
    f.clock.Advance(5s);
    f.tracking.Store().ParseTargetLine(1, Rmc("0001", 4736.1, 12224.0, "120005"));
    EXPECT_TRUE(f.Pass().fixesAdded.empty());
    f.clock.Advance(5s);
    f.tracking.Store().ParseTargetLine(1, Rmc("0001", 4736.2, 12224.0, "120010"));
    EXPECT_EQ(f.Pass().fixesAdded, std::vector<int>{1});
    EXPECT_EQ(f.tracking.Find(1)->track.size(), 2u);
    // Silent for the dangerous interval: no longer reporting.
    f.clock.Advance(f.tracking.Settings().dangerousInterval);
    f.Pass();
    EXPECT_FALSE(f.tracking.Find(1)->reporting);
}

// A tender's report time is the time and date its RMC carries, not when the
// reply came: its fixes are dated and spaced by it, and its log row ends with
// it. A reply without its date, or values gone out of date, count as now.
TEST(TenderTracking, ReportTimeIsTheTimeAndDateTheTenderSent)
{
    struct Rows : CTargetLogRows {
        std::vector<std::chrono::system_clock::time_point> ended;
        long next = 0;
        std::optional<CRow> StartRow(int, int, const std::string&) override
        {
            return CRow{++next, {}};
        }
        void EndRow(long, std::chrono::system_clock::time_point last) override
        {
            ended.push_back(last);
        }
    } rows;
    Fixture f;
    f.tracking.SetLogRows(&rows);
    const auto noon = f.clock.UtcNow();
    // The tender's clock is 40 s behind ours.
    ASSERT_TRUE(f.tracking.Store().ParseTargetLine(1, Rmc("0001", 4736.0, 12224.0, "115920")));
    f.Pass();
    const CTender* t = f.tracking.Find(1);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->track.size(), 1u);
    EXPECT_EQ(t->track[0].utc, noon - 40s);
    EXPECT_EQ(t->lastReport, noon - 40s);
    // The same RMC time again 10 s later is no new fix: the marker span is
    // counted in the tender's times.
    f.clock.Advance(10s);
    f.tracking.Store().ParseTargetLine(1, Rmc("0001", 4736.1, 12224.0, "115920"));
    EXPECT_TRUE(f.Pass().fixesAdded.empty());
    f.tracking.Store().ParseTargetLine(1, Rmc("0001", 4736.2, 12224.0, "115930"));
    EXPECT_EQ(f.Pass().fixesAdded, std::vector<int>{1});
    EXPECT_EQ(f.tracking.Find(1)->track.back().utc, noon - 30s);
    // A time without its date: the report counts as now.
    f.clock.Advance(10s);
    f.tracking.Store().ParseTargetLine(1, Rmc("0001", 4736.3, 12224.0, "115940", ""));
    EXPECT_EQ(f.Pass().fixesAdded, std::vector<int>{1});
    EXPECT_EQ(f.tracking.Find(1)->track.back().utc, noon + 20s);
    EXPECT_TRUE(f.tracking.Find(1)->reporting);

    // Removed while its last RMC is valid: the row ends at the RMC's time;
    // removed once its values are out of date: at the time it is let go.
    f.tracking.Store().ParseTargetLine(1, Rmc("0001", 4736.4, 12224.0, "115945"));
    ASSERT_TRUE(f.tracking.Store().ParseTargetLine(2, Rmc("0002", 4740.0, 12226.0, "120015")));
    f.Pass();
    f.tracking.Remove(1);
    ASSERT_EQ(rows.ended.size(), 1u);
    EXPECT_EQ(rows.ended[0], noon - 15s);
    f.clock.Advance(30s);
    f.tracking.Remove(2);
    ASSERT_EQ(rows.ended.size(), 2u);
    EXPECT_EQ(rows.ended[1], noon + 50s);
}

// A tender made on the port's thread waits in the navigator's queue and
// joins its list on the user-interface thread's pass, which hands it to
// tracking; removal takes it off the list and destroys it there; a reset
// empties the list and drops a tender still queued; tracking that goes leaves
// nothing of its own on the list, which lives on.
TEST(TenderTracking, NewTendersJoinTheNavigatorsListOnItsPass)
{
    auto list = std::make_shared<navigator::CVesselList>();
    std::weak_ptr<CTenderVessel> second;
    {
        Fixture f;
        f.tracking.SetVesselList(list);
        std::thread port([&] {
            ASSERT_TRUE(f.tracking.Store().ParseTargetLine(1, Rmc("0001", 4736.0, 12224.0)));
            ASSERT_TRUE(f.tracking.Store().ParseTargetLine(2, Rmc("0002", 4740.0, 12226.0)));
        });
        port.join();
        EXPECT_EQ(list->QueuedCount(), 2u);
        EXPECT_TRUE(list->Vessels().empty());
        EXPECT_TRUE(f.tracking.Tenders().empty());
        EXPECT_FALSE(f.tracking.Store().Slot(1)->live);

        // The navigator's pass: they join, then tracking's pass reports them added.
        EXPECT_EQ(list->AdoptQueued(), 2u);
        ASSERT_EQ(f.tracking.Tenders().size(), 2u);
        EXPECT_EQ(f.Pass().added, (std::vector<int>{1, 2}));
        ASSERT_EQ(list->Vessels().size(), 2u);
        for (std::size_t i = 0; i < 2; ++i) {
            const CTender& t = f.tracking.Tenders()[i];
            EXPECT_EQ(list->Vessels()[i].get(), t.vessel.get());
            EXPECT_TRUE(list->Vessels()[i]->IsOfSourceType(navigator::kVesselTender));
            EXPECT_EQ(&list->Vessels()[i]->Vessel(), t.record.get());
            EXPECT_TRUE(t.record->live);
        }
        EXPECT_TRUE(f.Pass().added.empty());

        // Removed on this thread, the object goes with its last owner here and then.
        std::weak_ptr<CTenderVessel> first = f.tracking.Find(1)->vessel;
        std::shared_ptr<CTenderRecord> record = f.tracking.Find(1)->record;
        f.tracking.Remove(1);
        EXPECT_TRUE(first.expired());
        EXPECT_FALSE(record->live);
        ASSERT_EQ(list->Vessels().size(), 1u);
        second = f.tracking.Find(2)->vessel;

        // Reset: the list empties and a tender still queued never joins.
        ASSERT_TRUE(f.tracking.Store().ParseTargetLine(0, Rmc("0003", 4736.0, 12224.0)));
        EXPECT_EQ(list->QueuedCount(), 1u);
        f.tracking.Reset();
        EXPECT_TRUE(second.expired());
        EXPECT_TRUE(list->Vessels().empty());
        EXPECT_EQ(list->QueuedCount(), 0u);
        EXPECT_TRUE(f.Pass().added.empty());

        // The next report makes the tender again; tracking then goes.
        ASSERT_TRUE(f.tracking.Store().ParseTargetLine(2, Rmc("0002", 4740.0, 12226.0)));
        list->AdoptQueued();
        ASSERT_EQ(list->Vessels().size(), 1u);
        second = f.tracking.Find(2)->vessel;
        ASSERT_TRUE(f.tracking.Store().ParseTargetLine(1, Rmc("0001", 4736.0, 12224.0)));
    }
    EXPECT_TRUE(second.expired());
    EXPECT_TRUE(list->Vessels().empty());
    EXPECT_EQ(list->QueuedCount(), 0u);
    list->AdoptQueued();   // no owner left to call
    EXPECT_TRUE(list->Vessels().empty());
}

// The navigator's hold flag, kept on its list, stops the pass: nothing joins,
// reports or ages until it is lowered.
TEST(TenderTracking, TheNavigatorsHoldKeepsThePassWaiting)
{
    auto list = std::make_shared<navigator::CVesselList>();
    Fixture f;
    f.tracking.SetVesselList(list);
    ASSERT_TRUE(f.tracking.Store().ParseTargetLine(1, Rmc("0001", 4736.0, 12224.0)));
    list->RaiseHold();
    const CTenderPassResult held = f.Pass();
    EXPECT_TRUE(held.added.empty());
    EXPECT_TRUE(held.rowsToWrite.empty());
    EXPECT_TRUE(f.tracking.Tenders().empty());
    EXPECT_EQ(list->QueuedCount(), 1u);
    list->LowerHold();
    const CTenderPassResult free = f.Pass();
    EXPECT_EQ(free.added, (std::vector<int>{1}));
    EXPECT_EQ(free.rowsToWrite, (std::vector<int>{1}));
}

TEST(TenderTracking, CirclesAtTheirEdgesAndWithoutOwnPosition)
{
    Fixture f;
    f.tracking.Settings().warningCircles = true;
    f.own.vesselCircle = true;
    // A tender 0.5 nm north of the own vessel (rhumb line).
    double lat = 0, lon = 0;
    ASSERT_TRUE(geo::PositionFromRangeBearing(47.6, -122.4, 0.5, 0.0, &lat, &lon));
    const double latMinutes = 4700.0 + (lat - 47.0) * 60.0;
    f.tracking.Store().ParseTargetLine(0, Rmc("0001", latMinutes, 12224.0));
    f.tracking.Settings().warningCirclesRadius = 0.5 + 1e-9;
    f.own.vesselRadius = 0.5 + 1e-9;
    f.Pass();
    EXPECT_EQ(f.tracking.InsideCount(), 1);
    EXPECT_EQ(f.tracking.OutOfRangeCount(), 0);
    f.tracking.Settings().warningCirclesRadius = 0.4;
    f.own.vesselRadius = 0.4;
    f.tracking.Recount(f.own);
    EXPECT_EQ(f.tracking.InsideCount(), 0);
    EXPECT_EQ(f.tracking.OutOfRangeCount(), 1);
    // No own position: nothing counts, and the flags go at the next check.
    f.own.position.reset();
    f.Pass();
    EXPECT_EQ(f.tracking.InsideCount(), 0);
    EXPECT_EQ(f.tracking.OutOfRangeCount(), 0);
}

TEST(TenderTracking, ManOverboardAppliedHereClearedByResetPanicAndRemoval)
{
    Fixture f;
    for (int c = 0; c < 3; ++c)
        f.tracking.Store().ParseTargetLine(c, Rmc("000" + std::to_string(c + 1), 4736.0, 12224.0));
    f.Pass();
    for (int c = 0; c < 3; ++c)
        f.tracking.Store().ParseTargetLine(c, "$PABX,0001,MOVB");
    // The mark waits for the pass.
    EXPECT_EQ(f.tracking.ManOverboardCount(), 0);
    f.Pass();
    EXPECT_EQ(f.tracking.ManOverboardCount(), 3);
    f.tracking.SetManOverboard(0, false);   // Reset MOB
    EXPECT_EQ(f.tracking.ManOverboardCount(), 2);
    f.tracking.Remove(1);
    EXPECT_EQ(f.tracking.ManOverboardCount(), 1);
    EXPECT_EQ(f.tracking.Store().Slot(1), nullptr);
    // A mark that came after the last pass is dropped by Clear Panic too.
    f.tracking.Store().ParseTargetLine(0, "$PABX,0001,MOVB");
    f.tracking.ClearPanic();
    f.Pass();
    EXPECT_EQ(f.tracking.ManOverboardCount(), 0);
    // Until the next MOVB.
    f.tracking.Store().ParseTargetLine(2, "$PABX,0001,MOVB");
    f.Pass();
    EXPECT_EQ(f.tracking.ManOverboardCount(), 1);
}

TEST(TenderTracking, OptionsDropAChannelAndRenameTheRest)
{
    Fixture f;
    f.tracking.Store().ParseTargetLine(0, Rmc("0001", 4736.0, 12224.0));
    f.tracking.Store().ParseTargetLine(2, Rmc("0003", 4736.0, 12224.0));
    f.Pass();
    f.tracking.current = 2;
    CTenderSettings s = f.tracking.Settings();
    s.channels[0].name = "Rescue";
    s.channels[2].valid = false;
    EXPECT_TRUE(f.tracking.ApplySettings(s));
    EXPECT_EQ(f.tracking.Find(0)->record->Name(), "Rescue");
    EXPECT_EQ(f.tracking.Find(2), nullptr);
    EXPECT_EQ(f.tracking.current, -1);
    EXPECT_FALSE(f.tracking.Device().IsPaused());
    // Checked again, the channel's next position makes it anew.
    s.channels[2].valid = true;
    f.tracking.ApplySettings(s);
    f.tracking.Store().ParseTargetLine(2, Rmc("0003", 4736.0, 12224.0));
    EXPECT_EQ(f.Pass().added, std::vector<int>{2});
}

TEST(TenderTracking, PortThatWontOpenLeavesTrackingOff)
{
    Fixture f;
    std::string reason;
    EXPECT_FALSE(f.tracking.SetActive(true, &reason));
    EXPECT_FALSE(f.tracking.IsActive());
    EXPECT_NE(reason.find("COM1"), std::string::npos) << reason;
    f.tracking.Settings().receivePort = 0;
    EXPECT_FALSE(f.tracking.SetActive(true, &reason));
    EXPECT_FALSE(reason.empty());
}

// A serial port whose device node is missing opens (it waits for the device)
// but cannot poll: switching on is refused with the port's reason.
TEST(TenderTracking, PortWithoutItsDeviceLeavesTrackingOff)
{
    class OnePort : public nmea::CPortDirectory {
    public:
        nmea::CComPort port{3, "/nonexistent/brine-tender-transceiver"};
        nmea::CPort* FindPort(std::uint8_t number) const override
        {
            return number == 3 ? const_cast<nmea::CComPort*>(&port) : nullptr;
        }
        std::uint8_t GetFirstPortNumber() const override { return 3; }
    } ports;
    brine_test::FakeClock clock;
    CTenderTracking tracking(clock, ports);
    tracking.Settings().receivePort = 3;
    tracking.Settings().channels[0].valid = true;
    std::string reason;
    EXPECT_FALSE(tracking.SetActive(true, &reason));
    EXPECT_FALSE(tracking.IsActive());
    EXPECT_NE(reason.find("COM3"), std::string::npos) << reason;
    EXPECT_NE(reason.find("brine-tender-transceiver"), std::string::npos) << reason;
    EXPECT_FALSE(ports.port.GetCondition().open);   // let go again
}

TEST(TenderTracking, SwitchingOnWithNoChannelInUseIsToldSo)
{
    Fixture f;
    EXPECT_TRUE(f.tracking.NothingToPollNotice().empty());
    for (auto& c : f.tracking.Settings().channels)
        c.valid = false;
    EXPECT_NE(f.tracking.NothingToPollNotice().find("no transceiver channel is in use"),
              std::string::npos);
}

// Simulated tenders in panic while the user resets, clears and removes them:
// at every pass the panic count is the number of flagged tenders.
TEST(TenderTracking, SimulatedPanicAgainstResetsCountsTheFlags)
{
    Fixture f;
    f.tracking.Settings().channelDuration = 1s;
    f.tracking.Simulator().SetWindow(50ms);
    for (int c = 0; c < 3; ++c)
        f.tracking.SetSimulation(c, true, true, false, {47.6 + 0.01 * c, -122.4}, 90.0, 5.0, 3.0);
    ASSERT_TRUE(f.tracking.Simulator().IsRunning());
    // Two seconds here; CI's ThreadSanitizer step runs it for ten.
    const char* seconds = std::getenv("BRINE_PANIC_SECONDS");
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::seconds(seconds ? std::atoi(seconds) : 2);
    int passes = 0, flaggedSeen = 0;
    while (std::chrono::steady_clock::now() < until) {
        f.Pass();
        int flagged = 0;
        for (const CTender& t : f.tracking.Tenders())
            flagged += t.manOverboard ? 1 : 0;
        ASSERT_EQ(f.tracking.ManOverboardCount(), flagged);
        flaggedSeen = std::max(flaggedSeen, flagged);
        switch (passes++ % 3) {
        case 0: f.tracking.SetManOverboard(0, false); break;
        case 1: f.tracking.ClearPanic(); break;
        case 2: f.tracking.Remove(1); break;
        }
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_GT(flaggedSeen, 0);
    f.tracking.Simulator().Stop();
}

// A simulation thread that fails ends the simulation: on the next pass the
// thread is let go and every channel's simulate and panic flags are clear,
// so nothing goes on simulating and the simulation message can go off.
TEST(TenderTracking, ASimulationThatFailsEndsWithItsFlagsCleared)
{
    // The thread reports its failure through `ended`.
    {
        brine_test::FakeClock clock;
        std::atomic<int> ended = 0;
        CTenderSimulator sim(clock, [](int, std::string_view) { throw std::runtime_error("x"); });
        sim.ended = [&ended] { ++ended; };
        CTenderSimulation c;
        c.simulate = true;
        sim.SetChannel(0, c, true);
        ASSERT_TRUE(sim.Start());
        for (int i = 0; i < 200 && ended == 0; ++i)
            std::this_thread::sleep_for(10ms);
        EXPECT_EQ(ended, 1);
        sim.Stop();
    }
    Fixture f;
    f.tracking.Simulator().SetWindow(50ms);
    f.tracking.SetSimulation(0, true, true, false, {47.6, -122.4}, 90.0, 5.0, 3.0);
    f.tracking.SetSimulation(2, true, false, false, {47.7, -122.4}, 90.0, 5.0, 3.0);
    ASSERT_TRUE(f.tracking.Simulator().IsRunning());
    ASSERT_TRUE(f.tracking.Simulator().ended);
    f.tracking.Simulator().ended();
    f.Pass();
    EXPECT_FALSE(f.tracking.Simulator().IsRunning());
    EXPECT_FALSE(f.tracking.Simulator().AnySimulated());
    for (int c = 0; c < 3; ++c) {
        EXPECT_FALSE(f.tracking.Settings().channels[std::size_t(c)].simulate) << c;
        EXPECT_FALSE(f.tracking.Settings().channels[std::size_t(c)].simulateManOverboard) << c;
        EXPECT_FALSE(f.tracking.Simulator().Channel(c).manOverboard) << c;
    }
}

// Two tenders polled at the defaults (3 s each, values valid 5 s): each one's
// reported position has gone out of date one second in every six. The
// circles measure from where a tender was last seen, so neither warning
// flickers, and a tender that falls silent stays counted where it was.
TEST(TenderTracking, CirclesMeasureFromWhereATenderWasLastSeen)
{
    Fixture f;
    f.tracking.Settings().warningCircles = true;
    f.tracking.Settings().warningCirclesRadius = 5.0;
    f.own.vesselCircle = true;
    f.own.vesselRadius = 0.5;
    // Both about 1 nm from the own vessel: inside the tenders' circle, out of range.
    // Noon and `second` seconds, as an RMC's time field.
    const auto rmcAt = [&](const std::string& serial, double lonMinutes, int second) {
        const std::string ss = (second < 10 ? "0" : "") + std::to_string(second);
        return Rmc(serial, 4737.0, lonMinutes, "1200" + ss);
    };
    for (int second = 0; second < 18; ++second) {
        if (second % 6 == 0) {
            ASSERT_TRUE(f.tracking.Store().ParseTargetLine(0, rmcAt("0001", 12224.0, second)));
        }
        if (second % 6 == 3) {
            ASSERT_TRUE(f.tracking.Store().ParseTargetLine(1, rmcAt("0002", 12224.2, second)));
        }
        f.Pass();
        const int expected = second < 3 ? 1 : 2;
        EXPECT_EQ(f.tracking.OutOfRangeCount(), expected) << "at " << second << " s";
        EXPECT_EQ(f.tracking.InsideCount(), expected) << "at " << second << " s";
        f.clock.Advance(1s);
    }
    // Both silent for a minute: still where they were last seen.
    f.clock.Advance(60s);
    f.Pass();
    EXPECT_FALSE(f.tracking.Find(0)->Position());
    ASSERT_TRUE(f.tracking.Find(0)->Where());
    EXPECT_NEAR(f.tracking.Find(0)->Where()->latitude, 47.0 + 37.0 / 60.0, 1e-9);
    EXPECT_EQ(f.tracking.OutOfRangeCount(), 2);
    EXPECT_EQ(f.tracking.InsideCount(), 2);
    // The own vessel moves up to them: no longer out of range.
    f.own.position = CTargetPosition{47.0 + 37.0 / 60.0, -(122.0 + 24.1 / 60.0)};
    f.tracking.Recount(f.own);
    EXPECT_EQ(f.tracking.OutOfRangeCount(), 0);
    EXPECT_EQ(f.tracking.InsideCount(), 2);
}

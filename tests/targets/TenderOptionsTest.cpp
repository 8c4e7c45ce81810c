// The Tender Tracking options without windows: what the checks refuse, and
// what Apply does to tracking (channel table, names, removal, display
// properties, simulation start and stop, Clear Panic).
#include "targets/TenderOptions.h"

#include <gtest/gtest.h>

#include "FakeClock.h"
#include "targets/TenderTracking.h"

using namespace targets;
using namespace std::chrono_literals;

namespace {

class NoPorts : public nmea::CPortDirectory {
public:
    nmea::CPort* FindPort(std::uint8_t) const override { return nullptr; }
    std::uint8_t GetFirstPortNumber() const override { return 0; }
};

std::string Rmc(const std::string& serial)
{
    return "$PABX," + serial + ",RMC,120000,A,4736.000,N,12224.000,W,4.0,45.0,071226,,";
}

struct Fixture {
    brine_test::FakeClock clock;
    NoPorts ports;
    CTenderTracking tracking{clock, ports};
    const CTargetPosition centre{47.5, -122.5};

    Fixture()
    {
        clock.SetUtc(std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 12h);
        for (int i = 0; i < 3; ++i) {
            tracking.Settings().channels[std::size_t(i)].valid = true;
            tracking.Settings().channels[std::size_t(i)].serial = "000" + std::to_string(i);
        }
    }
    CTenderOptionsModel Model()
    {
        return CTenderOptionsModel([this] { return TenderOptionsOf(tracking, centre); },
                                   [this](const CTenderOptions& o) {
                                       std::string reason;
                                       ApplyTenderOptions(tracking, o, &reason);
                                       return reason;
                                   },
                                   [this] { return tracking.ManOverboardCount(); });
    }
    void Track(int channel)
    {
        ASSERT_TRUE(
            tracking.Store().ParseTargetLine(channel, Rmc("000" + std::to_string(channel))));
        tracking.OnTimer(COwnSituation{});
    }
};

bool Refuses(const CTenderOptionsModel& m, const std::string& field)
{
    for (const auto& e : m.Validate())
        if (e.field == field)
            return true;
    return false;
}

}   // namespace

TEST(TenderOptions, ChecksRefuseWhatTheyShould)
{
    Fixture f;
    auto m = f.Model();
    EXPECT_TRUE(m.Validate().empty());

    // A channel in use holds up to four digits (none: it never matches); one
    // not in use may hold anything.
    m.Values().settings.channels[1].serial = "12a4";
    EXPECT_TRUE(Refuses(m, "transceiver"));
    m.Values().settings.channels[1].serial = "12345";
    EXPECT_TRUE(Refuses(m, "transceiver"));
    m.Values().settings.channels[1].serial = "123";
    EXPECT_FALSE(Refuses(m, "transceiver"));
    m.Values().settings.channels[1].serial.clear();
    EXPECT_FALSE(Refuses(m, "transceiver"));
    m.Values().settings.channels[1].serial = "12a4";
    m.Values().settings.channels[1].valid = false;
    EXPECT_FALSE(Refuses(m, "transceiver"));

    // One radius range for the spin and the load.
    for (double r : {0.02, 0.04, 5.0}) {
        m.Values().settings.warningCirclesRadius = r;
        EXPECT_FALSE(Refuses(m, "radius")) << r;
    }
    for (double r : {0.0, 0.01, 5.1}) {
        m.Values().settings.warningCirclesRadius = r;
        EXPECT_TRUE(Refuses(m, "radius")) << r;
    }

    m.Values().settings.refreshSeconds = 61;
    m.Values().settings.channelDuration = 0s;
    m.Values().settings.dangerousInterval = 30s;
    EXPECT_TRUE(Refuses(m, "validTime"));
    EXPECT_TRUE(Refuses(m, "channelDuration"));
    EXPECT_TRUE(Refuses(m, "dangerousInterval"));
    m.Values().settings.channelDuration = 30s;
    EXPECT_FALSE(Refuses(m, "channelDuration"));

    // Simulation values count only for a simulated channel in use.
    m.Values().simulation[2].course = 361.0;
    EXPECT_FALSE(Refuses(m, "cog"));
    m.Values().simulation[2].simulate = true;
    EXPECT_TRUE(Refuses(m, "cog"));
    m.Values().settings.channels[2].valid = false;
    EXPECT_FALSE(Refuses(m, "cog"));
}

TEST(TenderOptions, ApplyRenamesRemovesAndTakesTheProperties)
{
    Fixture f;
    f.Track(0);
    f.Track(1);
    ASSERT_NE(f.tracking.Find(1), nullptr);
    auto m = f.Model();
    m.Values().settings.channels[0].name = "Rescue";
    m.Values().settings.channels[1].valid = false;
    m.Values().properties.drawDepth = true;
    m.Values().properties.Line().SetWidth(5);
    ASSERT_TRUE(m.Validate().empty());
    m.Apply();
    EXPECT_TRUE(m.Failure().empty());
    EXPECT_EQ(f.tracking.Find(0)->record->Name(), "Rescue");
    EXPECT_EQ(f.tracking.Find(1), nullptr);
    EXPECT_EQ(f.tracking.Store().Slot(1), nullptr);
    EXPECT_TRUE(f.tracking.Properties().drawDepth);
    EXPECT_EQ(f.tracking.Properties().Line().GetWidth(), 5);
    // The page reads back what tracking holds now.
    EXPECT_FALSE(m.Values().settings.channels[1].valid);
    EXPECT_EQ(m.Values().settings.channels[0].name, "Rescue");

    // Ticked again, the channel's next RMC makes a new tender.
    m.Values().settings.channels[1].valid = true;
    m.Apply();
    EXPECT_EQ(f.tracking.Find(1), nullptr);
    f.Track(1);
    EXPECT_NE(f.tracking.Find(1), nullptr);
}

TEST(TenderOptions, ClearPanicOfferedWhileATenderIsInPanicAndLastsOneApply)
{
    Fixture f;
    f.Track(0);
    f.Track(2);
    auto m = f.Model();
    EXPECT_FALSE(m.ClearPanicEnabled());
    f.tracking.SetManOverboard(0, true);
    f.tracking.SetManOverboard(2, true);
    EXPECT_TRUE(m.ClearPanicEnabled());
    m.Values().clearPanic = true;
    EXPECT_FALSE(m.ClearPanicEnabled());
    m.Apply();
    EXPECT_EQ(f.tracking.ManOverboardCount(), 0);
    EXPECT_FALSE(m.Values().clearPanic);
    // A later apply without the request leaves a new alarm alone.
    f.tracking.SetManOverboard(2, true);
    m.Apply();
    EXPECT_EQ(f.tracking.ManOverboardCount(), 1);
}

TEST(TenderOptions, SimulationStartsOnlyForAChannelInUseAndStopsWhenNoneIsLeft)
{
    Fixture f;
    auto m = f.Model();
    // Not simulated: the row starts at the chart's centre.
    EXPECT_DOUBLE_EQ(m.Values().simulation[4].position.latitude, 47.5);
    EXPECT_DOUBLE_EQ(m.Values().simulation[4].position.longitude, -122.5);

    // Simulated but not in use: nothing runs.
    m.Values().simulation[4].simulate = true;
    m.Apply();
    EXPECT_FALSE(f.tracking.Simulator().IsRunning());
    EXPECT_FALSE(m.Values().simulation[4].simulate);

    m.Values().simulation[1] = {CTargetPosition{47.6, -122.4}, 90.0, 6.0, 12.0, false, true, true};
    m.Apply();
    EXPECT_TRUE(f.tracking.Simulator().IsRunning());
    // Read back as it runs, so an unchanged apply keeps it.
    const CTenderSimulationRow& row = m.Values().simulation[1];
    EXPECT_TRUE(row.simulate);
    EXPECT_TRUE(row.panic);
    EXPECT_DOUBLE_EQ(row.course, 90.0);
    EXPECT_DOUBLE_EQ(row.speed, 6.0);
    EXPECT_DOUBLE_EQ(row.position.latitude, 47.6);
    m.Apply();
    EXPECT_TRUE(f.tracking.Simulator().IsRunning());

    // The simulation moved from channel 2 to channel 3 in one apply: every
    // row is set first, then the thread is started or stopped once, so the
    // running thread goes on.
    const std::uint64_t started = f.tracking.Simulator().ThreadsStarted();
    m.Values().simulation[1].simulate = false;
    m.Values().simulation[2] = {CTargetPosition{47.7, -122.4}, 0.0, 0.0, 3.0, false, true, false};
    m.Apply();
    EXPECT_TRUE(f.tracking.Simulator().IsRunning());
    EXPECT_EQ(f.tracking.Simulator().ThreadsStarted(), started);

    m.Values().simulation[2].simulate = false;
    m.Apply();
    EXPECT_FALSE(f.tracking.Simulator().IsRunning());
}

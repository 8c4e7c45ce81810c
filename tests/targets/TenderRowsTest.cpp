// The tender card's row and the tender log's cells: unset and aged values
// empty, the report's own time while it holds, the depth from metres, feet
// or fathoms, and the log's title.
#include "targets/TenderRows.h"

#include <gtest/gtest.h>

#include "FakeClock.h"
#include "geo/NavMaths.h"

using namespace targets;
using namespace std::chrono_literals;

namespace {

class NoPorts : public nmea::CPortDirectory {
public:
    nmea::CPort* FindPort(std::uint8_t) const override { return nullptr; }
    std::uint8_t GetFirstPortNumber() const override { return 0; }
};

std::string Utc(std::chrono::system_clock::time_point t)
{
    const auto s = std::chrono::floor<std::chrono::seconds>(t);
    const std::chrono::hh_mm_ss hms{s - std::chrono::floor<std::chrono::days>(s)};
    return std::to_string(hms.hours().count()) + ":" + std::to_string(hms.minutes().count()) + ":" +
           std::to_string(hms.seconds().count());
}

}   // namespace

TEST(TenderRows, CardRowFromTheRecord)
{
    brine_test::FakeClock clock;
    clock.SetUtc(std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 15h);
    NoPorts ports;
    CTenderTracking tracking(clock, ports);
    tracking.Settings().channels[0].valid = true;
    CTenderTargetStore& store = tracking.Store();
    ASSERT_TRUE(store.ParseTargetLine(
        0, "$PABX,0001,RMC,123519.5,A,4736.000,N,12224.000,W,4.0,45.2,071226,,"));
    tracking.OnTimer({});
    const CTender& t = tracking.Tenders().at(0);
    geo::CPositionFormat format;
    auto row = TenderRowTexts(t, format, clock.UtcNow(), Utc);
    EXPECT_EQ(row[0], "T1");
    EXPECT_EQ(row[1], "Tender 1");
    EXPECT_EQ(row[2], geo::CPosition(47.6, -122.4, 0.0).FormatLatitude(format));
    EXPECT_EQ(row[3], geo::CPosition(47.6, -122.4, 0.0).FormatLongitude(format));
    EXPECT_EQ(row[4], "12:35:19");   // the report's time, not the navigation time
    EXPECT_EQ(row[5], "4.00");
    EXPECT_EQ(row[6], "045");
    EXPECT_EQ(row[7], "");   // no depth yet

    const struct {
        const char* dbt;
        const char* depth;
    } depths[] = {
        {"$PABX,0001,DBT,,,3.25,M,,", "3.25"},
        {"$PABX,0001,DBT,100.0,f,,,,", "30.5"},   // 30.48 m
        {"$PABX,0001,DBT,,,,,70.0,F", "128"},   // 128.016 m
        {"$PABX,0001,DBT,10.0,f,5.0,M,2.0,F", "5.00"},   // metres first
    };
    for (const auto& d : depths) {
        CTenderTracking fresh(clock, ports);
        fresh.Store().ParseTargetLine(
            0, "$PABX,0001,RMC,123519,A,4736.000,N,12224.000,W,4.0,45.2,071226,,");
        ASSERT_TRUE(fresh.Store().ParseTargetLine(0, d.dbt)) << d.dbt;
        fresh.OnTimer({});
        EXPECT_EQ(TenderRowTexts(fresh.Tenders().at(0), format, clock.UtcNow(), Utc)[7], d.depth)
            << d.dbt;
    }

    // Past the refresh time the position, SOG and COG are gone and the time is the navigation time.
    clock.Advance(6s);
    row = TenderRowTexts(t, format, clock.UtcNow(), Utc);
    EXPECT_EQ(row[2], "");
    EXPECT_EQ(row[3], "");
    EXPECT_EQ(row[4], "15:0:6");
    EXPECT_EQ(row[5], "");
    EXPECT_EQ(row[6], "");
}

TEST(TenderRows, LogCellsAndTitle)
{
    geo::CPositionFormat format;
    CTenderFix fix;
    fix.utc = std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 1h;
    fix.position = {47.6, -122.4};
    fix.course = 359.6;
    fix.speed = 6.04;
    fix.depth = 2.345;
    auto cells = TenderFixTexts(fix, format, Utc);
    EXPECT_EQ(cells[0], "1:0:0");
    EXPECT_EQ(cells[4], "6.0");
    EXPECT_EQ(cells[5], "000");
    EXPECT_EQ(cells[6], "2.35");
    fix.speed = geo::kUnsetValue;
    fix.depth = geo::kUnsetValue;
    fix.course = geo::kUnsetValue;
    cells = TenderFixTexts(fix, format, Utc);
    EXPECT_EQ(cells[4], "");
    EXPECT_EQ(cells[5], "");
    EXPECT_EQ(cells[6], "");

    EXPECT_EQ(TenderLogTitle(nullptr), "Tender Target Log : ");
    brine_test::FakeClock clock;
    CTender tender;
    tender.record = std::make_shared<CTenderRecord>(1, clock, 5s);
    EXPECT_EQ(TenderLogTitle(&tender), "Tender Target Log : Target ID T2");
    tender.record->SetName("Rescue");
    EXPECT_EQ(TenderLogTitle(&tender), "Tender Target Log : Target ID T2 - Rescue");
    EXPECT_EQ(BearingText(4.6), "005");
    EXPECT_EQ(DistanceText(9.999), "10.00");
    EXPECT_EQ(DistanceText(99.94), "99.9");
}

TEST(TenderRows, StatusPanesFollowTheCurrentTender)
{
    brine_test::FakeClock clock;
    clock.SetUtc(std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 15h);
    NoPorts ports;
    CTenderTracking tracking(clock, ports);
    tracking.Settings().channels[3].valid = true;
    geo::CPositionFormat format;
    for (const std::string& text : TenderPaneTexts(nullptr, format))
        EXPECT_EQ(text, "");

    ASSERT_TRUE(tracking.Store().ParseTargetLine(
        3, "$PABX,0004,RMC,123519,A,4736.000,N,12224.000,W,4.44,5.4,071226,,"));
    tracking.OnTimer({});
    const CTender* t = tracking.Find(3);
    ASSERT_NE(t, nullptr);
    auto panes = TenderPaneTexts(t, format);
    const geo::CPosition where(47.6, -122.4, 0.0);
    EXPECT_EQ(panes[0], "T4");
    EXPECT_EQ(panes[1], "Tender 4");
    EXPECT_EQ(panes[2], where.FormatLatitude(format) + " " + where.FormatLongitude(format));
    EXPECT_EQ(panes[3], "005");
    EXPECT_EQ(panes[4], "4.4");   // one decimal
    EXPECT_EQ(panes[5], "");   // no depth reported yet
    ASSERT_TRUE(tracking.Store().ParseTargetLine(3, "$PABX,0004,DBT,,,123.4,M,,"));
    EXPECT_EQ(TenderPaneTexts(t, format)[5], "123");

    // Once the RMC values have aged, course and speed go empty; the position
    // stays where the tender was last seen, as its symbol does on the chart.
    clock.Advance(10s);
    panes = TenderPaneTexts(t, format);
    EXPECT_EQ(panes[0], "T4");
    EXPECT_EQ(panes[2], where.FormatLatitude(format) + " " + where.FormatLongitude(format));
    EXPECT_EQ(panes[3], "");
    EXPECT_EQ(panes[4], "");
}

// The Summary page: the channel letter, and the state from panic, reporting
// or silence, in that order of precedence.
TEST(TenderRows, SummaryStateFromPanicReportingOrSilence)
{
    brine_test::FakeClock clock;
    clock.SetUtc(std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 15h);
    NoPorts ports;
    CTenderTracking tracking(clock, ports);
    tracking.Settings().channels[2].valid = true;
    tracking.Settings().channels[2].name = "Rescue";
    ASSERT_TRUE(tracking.Store().ParseTargetLine(
        2, "$PABX,0003,RMC,150000,A,4736.000,N,12224.000,W,3.0,90.0,071226,,"));
    tracking.OnTimer({});
    const CTender* t = tracking.Find(2);
    ASSERT_NE(t, nullptr);
    using Texts = std::array<std::string, kTenderSummaryFields>;
    EXPECT_EQ(TenderSummaryTexts(*t), (Texts{"C", "Rescue", "Non-Dangerous", ""}));
    ASSERT_TRUE(tracking.Store().ParseTargetLine(2, "$PABX,0003,MOVB"));
    tracking.OnTimer({});
    EXPECT_EQ(TenderSummaryTexts(*t)[2], "'Panic Button' Activated");
    tracking.SetManOverboard(2, false);
    clock.Advance(tracking.Settings().dangerousInterval);
    tracking.OnTimer({});
    EXPECT_EQ(TenderSummaryTexts(*t)[2], "Dangerous");
}

// The position cells written again in a new format: from the report while it
// holds, from the last fix once it has aged, empty without either.
TEST(TenderRows, PositionCellsInANewFormat)
{
    brine_test::FakeClock clock;
    clock.SetUtc(std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 15h);
    NoPorts ports;
    CTenderTracking tracking(clock, ports);
    tracking.Settings().channels[0].valid = true;
    ASSERT_TRUE(tracking.Store().ParseTargetLine(
        0, "$PABX,0001,RMC,150000,A,4736.500,N,12224.250,W,3.0,90.0,071226,,"));
    tracking.OnTimer({});
    CTender* t = tracking.Find(0);
    ASSERT_NE(t, nullptr);
    const geo::CPositionFormat dms{1, true};
    const geo::CPosition reported(47.0 + 36.5 / 60.0, -(122.0 + 24.25 / 60.0), 0.0);
    auto cells = TenderPositionCells(*t, dms);
    EXPECT_EQ(cells[0], reported.FormatLatitude(dms));
    EXPECT_EQ(cells[1], reported.FormatLongitude(dms));
    EXPECT_NE(cells[0], TenderPositionCells(*t, {3, false})[0]);

    clock.Advance(60s);   // aged: the last fix
    ASSERT_FALSE(t->Position());
    ASSERT_FALSE(t->track.empty());
    cells = TenderPositionCells(*t, dms);
    EXPECT_EQ(cells[0], reported.FormatLatitude(dms));
    t->track.clear();
    cells = TenderPositionCells(*t, dms);
    EXPECT_TRUE(cells[0].empty() && cells[1].empty());
}

// The logbook window's rows: a vessel's appends as one list (the first
// append's rows first), notes on one line, unset courses empty, a row past
// the count empty, rows fetched by ordinal without walking the tables, and
// never another vessel's rows after the log's vessels changed.
#include "navigator/LogbookRows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "FakeClock.h"
#include "TempFolder.h"
#include "navigator/VesselLogbook.h"

using namespace navigator;
using namespace std::chrono;

namespace {

CNavSnapshot At(double lat, sys_seconds t, double cog)
{
    CNavSnapshot s;
    s.position = geo::CPosition(lat, -122.4, 0.0, -1);
    s.fixTimeUtc = t;
    s.cog = cog;
    s.sog = 7.5;
    return s;
}

}   // namespace

TEST(LogbookRows, AppendsOfAVesselReadAsOneList)
{
    ::setenv("TZ", "America/Los_Angeles", 1);
    ::tzset();
    brine_test::TempFolder dir;
    brine_test::FakeClock clock;
    CVesselLogbook log(clock, {});
    log.SetFolder(dir.Path());
    ASSERT_TRUE(log.Open((dir / "rows").string()));
    const sys_seconds t0 = sys_days{year{2024} / 11 / 3} + hours(8) + minutes(30);
    ASSERT_TRUE(log.StartVoyage("one", ""));
    // Rows are dated by the computer's clock.
    clock.SetUtc(t0);
    ASSERT_TRUE(log.WriteLogRecord(At(47.61, t0, 45.0)));
    log.LogEvent("first line\r\nsecond line", -1);
    ASSERT_TRUE(log.EndVoyage());
    log.SetAppendToExisting(true);
    ASSERT_TRUE(log.StartVoyage("two", ""));
    // An hour later in UTC: the same 01:30 on the clock, standard time now.
    clock.SetUtc(t0 + hours(1));
    ASSERT_TRUE(log.WriteLogRecord(At(47.62, t0 + hours(1), nmea::kNoValue)));
    CLogbookRows rows(log, log.OwnVessel()->vesselId);
    ASSERT_EQ(rows.RowCount(), 3u);
    std::vector<app::ListRow> got;
    rows.FetchRows(0, 10, got);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(rows.Heading(0), "Local Time");
    EXPECT_EQ(rows.Heading(3), "Datum");
    EXPECT_EQ(rows.Heading(7), "Note");
    EXPECT_EQ(got[0][0], got[2][0]) << "both 01:30s read 01:30 local";
    EXPECT_NE(got[0][0].find("01:30"), std::string::npos) << got[0][0];
    EXPECT_NE(got[0][1], got[2][1]);
    EXPECT_EQ(got[0][4], "045") << "a course is a bearing";
    EXPECT_EQ(got[0][5], "7.5");
    EXPECT_EQ(got[0][6], "EPFS");
    EXPECT_EQ(got[1][7], "first line<cr>second line");
    EXPECT_EQ(got[2][4], "") << "an unset course shows empty";
    // A row past the count is no row; a block from the middle starts there.
    rows.FetchRows(3, 5, got);
    EXPECT_TRUE(got.empty());
    rows.FetchRows(2, 1, got);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0][4], "");
    // A row written after the count is seen once counted again.
    clock.SetUtc(t0 + hours(2));
    ASSERT_TRUE(log.WriteLogRecord(At(47.63, t0 + hours(2), 48.8)));
    EXPECT_EQ(rows.RowCount(), 3u);
    rows.Recount();
    EXPECT_EQ(rows.RowCount(), 4u);
    rows.FetchRows(3, 1, got);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0][4], "049");
    // Another vessel id has no rows.
    CLogbookRows none(log, 999);
    EXPECT_EQ(none.RowCount(), 0u);
    // The log starts a vessel of its own (not continued): the earlier
    // vessel's appends leave the list before the window counts again. Its
    // rows show empty, never the new vessel's rows in their places.
    ASSERT_TRUE(log.EndVoyage());
    log.SetAppendToExisting(false);
    ASSERT_TRUE(log.StartVoyage("three", ""));
    clock.SetUtc(t0 + hours(3));
    ASSERT_TRUE(log.WriteLogRecord(At(47.7, t0 + hours(3), 10.0)));
    ASSERT_NE(log.OwnVessel()->vesselId, rows.VesselId());
    rows.FetchRows(0, 4, got);
    ASSERT_EQ(got.size(), 4u);
    for (const auto& row : got)
        EXPECT_EQ(row[0], "") << "a row of another vessel in the window";
    rows.Recount();
    EXPECT_EQ(rows.RowCount(), 0u);
    // Counted for the new vessel, the same rows list its row.
    rows.Recount(log.OwnVessel()->vesselId);
    EXPECT_EQ(rows.VesselId(), log.OwnVessel()->vesselId);
    ASSERT_EQ(rows.RowCount(), 1u);
    rows.FetchRows(0, 1, got);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0][4], "010");
    ::unsetenv("TZ");
    ::tzset();
}

// The position cells are written in the program-wide format each time a row
// is fetched, so a window reloaded after the format changed shows the new one.
TEST(LogbookRows, PositionsFollowTheProgramWideFormat)
{
    brine_test::TempFolder dir;
    brine_test::FakeClock clock;
    CVesselLogbook log(clock, {});
    log.SetFolder(dir.Path());
    ASSERT_TRUE(log.Open((dir / "format").string()));
    ASSERT_TRUE(log.StartVoyage("one", ""));
    const sys_seconds t0 = sys_days{year{2024} / 11 / 3} + hours(8);
    clock.SetUtc(t0);
    ASSERT_TRUE(log.WriteLogRecord(At(47.605, t0, 45.0)));
    CLogbookRows rows(log, log.OwnVessel()->vesselId);
    const geo::CPositionFormat before = geo::DisplayFormat();
    std::vector<app::ListRow> got;
    geo::SetDisplayFormat({3, true});
    rows.FetchRows(0, 1, got);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0][1] + " " + got[0][2], "47\u00B036'18.000N 122\u00B024'00.000W");
    geo::SetDisplayFormat({0, false});
    rows.FetchRows(0, 1, got);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0][1] + " " + got[0][2], "47\u00B0036'N 122\u00B0024'W");
    geo::SetDisplayFormat(before);
}

// A note typed in the Log Entry dialog comes with bare line feeds: it is
// stored with a carriage return before each, which the window shows as "<cr>".
TEST(LogbookRows, AnEditorsNoteKeepsItsLines)
{
    EXPECT_EQ(StoredNote("Passed the Needles\nwind SW 5"), "Passed the Needles\r\nwind SW 5");
    EXPECT_EQ(StoredNote("a\r\nb\rc\n\nd"), "a\r\nb\r\nc\r\n\r\nd");
    EXPECT_EQ(StoredNote("one line"), "one line");
    brine_test::TempFolder dir;
    brine_test::FakeClock clock;
    CVesselLogbook log(clock, {});
    log.SetFolder(dir.Path());
    ASSERT_TRUE(log.Open((dir / "notes").string()));
    log.LogEvent(StoredNote("Passed the Needles\nwind SW 5"), -1);
    CLogbookRows rows(log, log.OwnVessel()->vesselId);
    std::vector<app::ListRow> got;
    rows.FetchRows(0, 1, got);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0][7], "Passed the Needles<cr>wind SW 5");
    ASSERT_TRUE(log.Close(true));
}

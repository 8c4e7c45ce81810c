// The log chooser's tree: named logs only (no temporary ones), without
// extension; a log's own-vessel appends grouped by vessel id with their
// APPENDNO, voyage, time span and watch officer, and pictures from the
// files named by each row's UNIQUE id.
#include "navigator/LogChooser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>

#include "TwoAppendLog.h"
#include "db/DBVesselLog.h"

using namespace navigator;
using namespace std::chrono;
namespace fs = std::filesystem;

TEST(LogChooser, LogsAndTheirAppends)
{
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    brine_test::TempFolder dir;
    brine_test::FakeClock clock;   // 2024-01-01 00:00 UTC
    {
        CVesselLogbook log(clock, {});
        brine_test::WriteTwoAppendLog(log, clock, dir);
        if (HasFatalFailure())
            return;
        // The second append stays open: no end time.
        ASSERT_TRUE(log.Open(""));   // a temporary log, not listed
        ASSERT_TRUE(log.Close(true));
    }
    std::ofstream(dir / "~dother.dbf") << "x";
    const auto files = ListLogFiles(dir.Path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].stem(), "Passage");
    const auto groups = ReadLogTree(files[0]);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, "PS-1");
    ASSERT_EQ(groups[0].leaves.size(), 2u);
    EXPECT_EQ(groups[0].leaves[0].appendNo, 1u);
    EXPECT_EQ(groups[0].leaves[1].appendNo, 2u);
    EXPECT_EQ(groups[0].leaves[0].image, kLeafRowsAndTrack);
    EXPECT_EQ(groups[0].leaves[1].image, kLeafTrackOnly);
    EXPECT_NE(groups[0].leaves[0].description.find("From "), std::string::npos);
    EXPECT_NE(groups[0].leaves[0].description.find(". Watch Officer: Ada"), std::string::npos)
        << groups[0].leaves[0].description;
    // Closed with its end, the second append has one; no watch officer, nothing after the span.
    EXPECT_EQ(groups[0].leaves[1].description.find("Watch Officer"), std::string::npos);
    EXPECT_EQ(DescribeAppend("", "", "", ""), "From -- to --");
    EXPECT_EQ(DescribeAppend("Tug", "1/6/2024 16:00", "", "Bo"),
              "Tug. From 1/6/2024 16:00 to --. Watch Officer: Bo");
    // A table of another layout (here the first append's logbook) shows one
    // leaf with an empty row's description; a file that is no table only
    // its own node.
    const auto logbooks = ListLogFiles(dir / "Passage.X");
    ASSERT_FALSE(logbooks.empty());
    const auto older = ReadLogTree(logbooks[0]);
    ASSERT_EQ(older.size(), 1u);
    ASSERT_EQ(older[0].leaves.size(), 1u);
    EXPECT_EQ(older[0].leaves[0].description, "From -- to --");
    std::ofstream(dir / "odd.dbf") << "not a table";
    EXPECT_TRUE(ReadLogTree(dir / "odd.dbf").empty());
    ::unsetenv("TZ");
    ::tzset();
}

// A named log without a row expands to one empty leaf; a log whose rows are
// all other vessels' (targets) expands to nothing at all.
TEST(LogChooser, EmptyLogsAndLogsOfOtherVessels)
{
    brine_test::TempFolder dir;
    brine_test::FakeClock clock;
    {
        CVesselLogbook log(clock, {});
        log.SetFolder(dir.Path());
        ASSERT_TRUE(log.Open((dir / "Empty").string()));
        ASSERT_TRUE(log.Close(true));
    }
    const auto empty = ReadLogTree(dir / "Empty.dbf");
    ASSERT_EQ(empty.size(), 1u);
    ASSERT_EQ(empty[0].leaves.size(), 1u);
    EXPECT_EQ(empty[0].leaves[0].description, "");

    {
        CVesselLogbook log(clock, {});
        brine_test::WriteTwoAppendLog(log, clock, dir);
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(log.Close(true));
    }
    db::CDBVesselLog index;
    index.SetFilePath((dir / "Passage").string());
    ASSERT_TRUE(index.OpenIndex());
    int rows = 0;
    for (bool ok = index.GoTop(); ok; ok = index.SkipForward(), ++rows) {
        index.m_vesselType = 2;   // an ARPA target's append
        ASSERT_TRUE(index.Update());
    }
    ASSERT_EQ(rows, 2);
    index.Close();
    EXPECT_TRUE(ReadLogTree(dir / "Passage.dbf").empty());
}

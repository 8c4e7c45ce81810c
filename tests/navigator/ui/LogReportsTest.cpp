// The logbook's reports over a real log: the vessel log is keyed by the log's
// own vessel (its appends' tables, in list order) and runs "VesselLog"; the
// log list runs "Log" over the index; a log with no own vessel prints none.
#include <gtest/gtest.h>

#include <filesystem>

#include "TwoAppendLog.h"
#include "db/DBTextTable.h"
#include "navigator/ui/LogReports.h"

using namespace navigator;

TEST(LogReports, TheVesselLogIsTheOwnVesselsAndTheListTheIndex)
{
    brine_test::TempFolder dir;
    brine_test::FakeClock clock;
    CVesselLogbook log(clock, {});
    log.SetFolder(dir.Path());
    ASSERT_TRUE(log.Open((dir / "Empty").string()));
    EXPECT_EQ(VesselLogKey(log), 0u) << "no own vessel yet";
    EXPECT_TRUE(VesselLogTables(log, 0).empty());
    ASSERT_TRUE(log.Close(true));

    brine_test::WriteTwoAppendLog(log, clock, dir);
    if (HasFatalFailure())
        return;
    ASSERT_EQ(log.Vessels().size(), 2u);
    const std::uint32_t own = log.Vessels()[0]->vesselId;
    EXPECT_EQ(VesselLogKey(log), own);
    const std::filesystem::path companion = dir / "Passage.X";
    const std::vector<std::string> tables = VesselLogTables(log, own);
    EXPECT_EQ(tables, (std::vector<std::string>{
                          (companion / db::IdName(log.Vessels()[0]->unique)).string(),
                          (companion / db::IdName(log.Vessels()[1]->unique)).string()}));
    EXPECT_TRUE(VesselLogTables(log, own + 1).empty());

    const report::CReportRequest vesselLog = VesselLogReport(log.LogPath(), tables);
    EXPECT_EQ(vesselLog.name, "VesselLog");
    EXPECT_EQ(vesselLog.windowTitle, "Vessel Log Report - Passage");
    const report::CReportRequest list = LogListReport(log.LogPath());
    EXPECT_EQ(list.name, "Log");
    EXPECT_EQ(list.windowTitle, "Log Report - Passage");
    // Both name the log by its table name, not by the folder it is kept in.
    EXPECT_EQ(vesselLog.formulas.at("FileName"), "Passage");
    EXPECT_EQ(list.formulas.at("File Name"), "Passage");

    // Opened again, with no vessel of this run: the first own vessel listed.
    ASSERT_TRUE(log.Close(true));
    ASSERT_TRUE(log.Open((dir / "Passage").string()));
    EXPECT_EQ(VesselLogKey(log), own);
    EXPECT_EQ(VesselLogTables(log, own).size(), 2u);
}

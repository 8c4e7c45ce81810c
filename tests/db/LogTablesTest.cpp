// Position logs, the vessel-log index and the passage-plan report table.
#include "db/DBLog.h"
#include "db/DBPlan.h"
#include "db/DBVesselLog.h"

#include "engines/dbase/DbaseTable.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;
using namespace db;

namespace {

std::string FieldBytes(const std::string& table, int recNo, const char* field)
{
    dbase::CDbaseEngine engine;
    auto t = engine.Open(table);
    if (!t || t->Go(recNo) != 0)
        return "<none>";
    std::string bytes(t->Field(field)->Bytes());
    t->Close();
    return bytes;
}

}   // namespace

TEST(LogTables, FixesRoundTripAndInvalidTimesStoreEmpty)
{
    brine_test::TempFolder dir;
    CDBLog log;
    log.SetFilePath(dir / "own");
    ASSERT_TRUE(log.Open());
    log.m_time = app::CDateTimeEx(2024, 2, 29, 23, 59, 58);
    log.m_position = geo::CPosition(-33.85678, 151.21, 3.5, -1);
    log.m_cog = 359.99;
    log.m_sog = 12.5;
    log.m_type = 4;
    log.m_note = "Fix – ok";
    ASSERT_TRUE(log.AppendNew() && log.FlushIfOpen());
    log.ClearRecord();   // time not valid
    ASSERT_TRUE(log.AppendNew() && log.FlushIfOpen());
    EXPECT_EQ(log.GetRecordCount(), 2);

    log.SelectUniqueTag();
    ASSERT_TRUE(log.GoTop());
    EXPECT_EQ(log.m_time.ToStorageText(), "20240229 235958");
    EXPECT_DOUBLE_EQ(log.m_position.GetLatitude(), -33.85678);
    EXPECT_DOUBLE_EQ(log.m_position.GetAltitude(), 3.5);
    EXPECT_DOUBLE_EQ(log.m_cog, 359.99);
    EXPECT_EQ(log.m_type, 4);
    EXPECT_EQ(log.m_note, "Fix – ok");
    ASSERT_TRUE(log.SkipForward());
    EXPECT_FALSE(log.m_time.IsValid());
    log.Close();
    const std::string path = (dir / "own").string();
    EXPECT_EQ(FieldBytes(path, 1, "DSHIFT"), " -1");
    EXPECT_EQ(FieldBytes(path, 2, "DATE"), "        ");
    EXPECT_EQ(FieldBytes(path, 2, "TIME"), "      ");

    // "-1", as older versions wrote it, still reads as not valid.
    {
        dbase::CDbaseEngine engine;
        auto t = engine.Open(path);
        ASSERT_EQ(t->Go(1), 0);
        ASSERT_EQ(t->Field("TIME")->Assign("-1"), 0);
        ASSERT_EQ(t->Close(), 0);
    }
    ASSERT_TRUE(log.Open());
    log.SelectUniqueTag();
    ASSERT_TRUE(log.GoTop());
    EXPECT_FALSE(log.m_time.IsValid());

    // The count is the file's: a record marked deleted counts until the
    // table is packed (rows are found by record number).
    ASSERT_TRUE(log.DeleteRecord());
    EXPECT_EQ(log.GetRecordCount(), 2);
    ASSERT_TRUE(log.Pack());
    EXPECT_EQ(log.GetRecordCount(), 1);
}

// A logbook whose data file is damaged (its header names more bytes than the
// file has, and counts rows) is refused and every file of it is kept as it
// was: its notes are not lost to a new, empty logbook. A header this program
// had only begun to write (no row counted yet) is made again.
TEST(LogTables, ADamagedLogbookIsKeptAndAnUnfinishedOneMadeAgain)
{
    brine_test::TempFolder dir;
    const std::string path = (dir / "own").string();
    {
        CDBLog log;
        log.SetFilePath(path);
        ASSERT_TRUE(log.Open());
        log.m_time = app::CDateTimeEx(2024, 6, 1, 16, 0, 0);
        log.m_note = "Departed Port Townsend";
        ASSERT_TRUE(log.AppendNew() && log.FlushIfOpen());
        log.Close();
    }
    const auto bytes = [](const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    std::string damaged = bytes(path + ".dbf");
    ASSERT_GT(damaged.size(), 64u);
    const std::string wholeHeader = damaged;
    damaged[0] = '\x5A';
    damaged[8] = '\xFF';
    damaged[9] = '\xFF';
    std::ofstream(path + ".dbf", std::ios::binary | std::ios::trunc) << damaged;
    const std::string memo = bytes(path + ".dbt");
    {
        CDBLog log;
        log.SetFilePath(path);
        EXPECT_FALSE(log.Open());
        EXPECT_NE(log.GetMessage().find("is not a position log"), std::string::npos)
            << log.GetMessage();
    }
    EXPECT_EQ(bytes(path + ".dbf"), damaged);
    EXPECT_EQ(bytes(path + ".dbt"), memo);

    // The first bytes of a new logbook's header, as a making cut short leaves them.
    std::string unfinished = wholeHeader.substr(0, 40);
    for (int i = 4; i < 8; ++i)
        unfinished[static_cast<std::size_t>(i)] = '\0';
    std::ofstream(path + ".dbf", std::ios::binary | std::ios::trunc) << unfinished;
    CDBLog log;
    log.SetFilePath(path);
    ASSERT_TRUE(log.Open());
    EXPECT_EQ(log.GetRecordCount(), 0);
}

TEST(LogTables, FixTypeTexts)
{
    const std::pair<const char*, int> rows[] = {
        {"VF", 1},      {"radar", 2},       {"ASTRO", 3},  {"EPFS", 4},
        {"User DR", 5}, {"USER EP", 6},     {"sys dr", 7}, {"SYS EP", 8},
        {"manual", 11}, {"ARPA Target", 0}, {"SYSDR", 0},  {"", 0},
    };
    for (const auto& [text, code] : rows)
        EXPECT_EQ(CDBLog::TypeFromText(text), code) << text;
}

TEST(LogTables, VesselLogRowsAppendNumbersAndEmptying)
{
    brine_test::TempFolder dir;
    CDBVesselLog index;
    index.SetFilePath(dir / "logbook");
    ASSERT_TRUE(index.Open());
    EXPECT_TRUE(index.IsCurrentFormat());
    struct Row {
        int type;
        std::uint32_t vessel, append;
    } rows[] = {{1, 1, 1}, {2, 7, 1}, {1, 1, 3}, {4, 9, 1}};
    for (const Row& r : rows) {
        index.ClearRecord();
        index.m_vesselType = r.type;
        index.m_vesselId = r.vessel;
        index.m_appendNo = r.append;
        index.m_voyageId = "Voyage ÅB";
        index.m_start = app::CDateTimeEx(2024, 6, 1, 8, 0, 0);
        ASSERT_TRUE(index.AppendNew() && index.FlushIfOpen());
    }
    EXPECT_EQ(index.GetNextAppendNo(1), 4u);
    EXPECT_EQ(index.GetNextAppendNo(7), 2u);
    EXPECT_EQ(index.GetNextAppendNo(12345678), 1u);
    index.SelectUniqueTag();
    ASSERT_TRUE(index.GoBottom());
    EXPECT_EQ(index.GetVesselTypeText(), "Unknown");
    EXPECT_FALSE(index.m_end.IsValid());
    EXPECT_EQ(index.m_start.ToStorageText(), "20240601 080000");
    EXPECT_EQ(index.m_voyageId, "Voyage ÅB");
    ASSERT_TRUE(index.GoTop());
    EXPECT_EQ(index.GetVesselTypeText(), "Own Vessel");

    fs::create_directories(dir / "logbook.X/00000001.X");
    std::ofstream(dir / "logbook.X/00000001.X/00000001.dbf") << "x";
    ASSERT_TRUE(index.Zap());
    EXPECT_TRUE(index.IsEmpty());
    EXPECT_FALSE(fs::exists(dir / "logbook.X"));
    index.Close();
    EXPECT_EQ(FieldBytes((dir / "logbook").string(), 1, "ENDDATE"), "<none>");
}

TEST(LogTables, PlanColumnsKeepTheirTextAndCodePages)
{
    brine_test::TempFolder dir;
    CDBPlan plan;
    plan.SetFilePath(dir / "plan");
    ASSERT_TRUE(plan.Open());
    plan.m_name = "Nab Tower  ";
    plan.m_latitude = "50°40.12'N";
    plan.m_time = "11:30:45 PM";
    plan.m_drift = 1.5;
    plan.m_memo = "Keep clear of the ferry lane";
    ASSERT_TRUE(plan.AppendNew() && plan.FlushIfOpen());
    plan.ClearRecord();
    plan.m_drift = 123.456;   // wider than the column
    ASSERT_TRUE(plan.AppendNew() && plan.FlushIfOpen());
    ASSERT_TRUE(plan.GoTop());
    EXPECT_EQ(plan.m_name, "Nab Tower");
    EXPECT_EQ(plan.m_latitude, "50°40.12'N");
    EXPECT_EQ(plan.m_time, "11:30:45 PM");
    EXPECT_DOUBLE_EQ(plan.m_drift, 1.5);
    EXPECT_EQ(plan.m_memo, "Keep clear of the ferry lane");
    plan.Close();
    const std::string path = (dir / "plan").string();
    EXPECT_EQ(FieldBytes(path, 1, "LATITUDE"), "50\xF8"
                                               "40.12'N    ");   // code page 437 degree sign
    EXPECT_EQ(FieldBytes(path, 1, "DRIFT"), " 1.50");
    EXPECT_EQ(FieldBytes(path, 2, "DRIFT").size(), 5u);
}

TEST(LogTables, ALoweredHeaderCountKeepsEveryFixAndSaysSo)
{
    // A log of 500 fixes whose header says 100: all 500 open, the open says
    // so, and the next fix lands after the last one.
    brine_test::TempFolder dir;
    const std::string path = (dir / "own").string();
    {
        CDBLog log;
        log.SetFilePath(path);
        ASSERT_TRUE(log.Open());
        for (int i = 0; i < 500; ++i) {
            log.ClearRecord();
            log.m_time = app::CDateTimeEx(2024, 6, 1, i / 3600, i / 60 % 60, i % 60);
            log.m_position = geo::CPosition(50 + i / 1000.0, -1.5, 0, -1);
            ASSERT_TRUE(log.AppendNew() && log.FlushIfOpen());
        }
        ASSERT_TRUE(log.Close());
    }
    {
        std::fstream f(path + ".dbf", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4);
        const char count[4] = {100, 0, 0, 0};
        f.write(count, 4);
    }
    CDBLog log;
    log.SetFilePath(path);
    ASSERT_TRUE(log.Open());
    EXPECT_NE(log.GetMessage().find("counts 100"), std::string::npos) << log.GetMessage();
    EXPECT_NE(log.GetMessage().find("500"), std::string::npos) << log.GetMessage();
    EXPECT_EQ(log.GetRecordCount(), 500);
    log.ClearRecord();
    log.m_time = app::CDateTimeEx(2024, 6, 2, 0, 0, 0);
    log.m_position = geo::CPosition(51, -1.5, 0, -1);
    ASSERT_TRUE(log.AppendNew() && log.FlushIfOpen());
    EXPECT_EQ(log.GetRecordCount(), 501);
    log.SelectUniqueTag();
    ASSERT_TRUE(log.GoRecord(101));
    EXPECT_EQ(log.m_time.ToStorageText(), "20240601 000140");   // fix 101 untouched
    ASSERT_TRUE(log.GoBottom());
    EXPECT_EQ(log.m_time.ToStorageText(), "20240602 000000");
    ASSERT_TRUE(log.Close());
    EXPECT_EQ(FieldBytes(path, 501, "DATE"), "20240602");
}

// What a log reads back is kept to its ranges: the default datum stored as
// -1 reads as 65535, a fix type as its low byte, and a latitude out of range
// leaves the position not valid rather than another row's value. Deleting
// the files takes the data, memo and index file.
TEST(LogTables, LoadedFixesKeepToTheirRanges)
{
    brine_test::TempFolder dir;
    const std::string path = (dir / "own").string();
    CDBLog log;
    log.SetFilePath(path);
    ASSERT_TRUE(log.Open());
    for (int i = 0; i < 2; ++i) {
        log.ClearRecord();
        log.m_time = app::CDateTimeEx(2024, 6, 1, 10, i, 0);
        log.m_position = geo::CPosition(47.5, -122.25, 0, -1);
        log.m_note = "row";
        ASSERT_TRUE(log.AppendNew() && log.FlushIfOpen());
    }
    log.Close();
    {
        dbase::CDbaseEngine engine;
        auto t = engine.Open(path);
        ASSERT_EQ(t->Go(2), 0);
        ASSERT_EQ(t->Field("TYPE")->Assign("260"), 0);
        ASSERT_EQ(t->Field("LAT")->Assign("  95.00000"), 0);
        ASSERT_EQ(t->Close(), 0);
    }
    ASSERT_TRUE(log.Open());
    log.SelectUniqueTag();
    ASSERT_TRUE(log.GoTop());
    EXPECT_EQ(log.m_position.GetDatum(), 65535);
    EXPECT_TRUE(log.m_position.IsValid());
    ASSERT_TRUE(log.SkipForward());
    EXPECT_EQ(log.m_type, 4);
    EXPECT_FALSE(log.m_position.IsValid());
    ASSERT_TRUE(log.Close());

    for (const char* ext : {".dbf", ".dbt", ".mdx"})
        ASSERT_TRUE(fs::exists(path + ext)) << ext;
    std::ofstream(path + ".trc") << "kept";
    EXPECT_TRUE(log.DeleteFiles());
    for (const char* ext : {".dbf", ".dbt", ".mdx"})
        EXPECT_FALSE(fs::exists(path + ext)) << ext;
    EXPECT_TRUE(fs::exists(path + ".trc"));
}

// The vessel kinds' texts; the next append number is found without moving
// off the current row; a missing index is not of the current layout; and an
// emptying that cannot remove the companion folder raises the program's
// error exception, naming the log.
TEST(LogTables, VesselLogKindsAndAnEmptyingThatFails)
{
    brine_test::TempFolder dir;
    CDBVesselLog index;
    index.SetFilePath(dir / "missing");
    EXPECT_FALSE(index.IsCurrentFormat());
    index.SetFilePath(dir / "logbook");
    ASSERT_TRUE(index.Open());
    for (int kind : {2, 3, 1}) {
        index.ClearRecord();
        index.m_vesselType = kind;
        index.m_vesselId = std::uint32_t(kind);
        index.m_appendNo = 5;
        ASSERT_TRUE(index.AppendNew() && index.FlushIfOpen());
    }
    index.SelectUniqueTag();
    ASSERT_TRUE(index.GoTop());
    EXPECT_EQ(index.GetVesselTypeText(), "ARPA Target");
    ASSERT_TRUE(index.SkipForward());
    EXPECT_EQ(index.GetVesselTypeText(), "Tracked Vessel");
    const long row = index.GetRecNo();
    EXPECT_EQ(index.GetNextAppendNo(1), 6u);
    EXPECT_EQ(index.GetRecNo(), row);
    EXPECT_EQ(index.m_vesselType, 3);

    ASSERT_TRUE(index.Close());
    ASSERT_TRUE(index.Open(true));
    EXPECT_FALSE(index.Zap());   // read-only: refused
    ASSERT_TRUE(index.Close());
    ASSERT_TRUE(index.Open());

    const fs::path companion = dir / "logbook.X";
    fs::create_directories(companion);
    std::ofstream(companion / "00000001.dbf") << "x";
    if (std::system(("chattr +i '" + companion.string() + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "chattr cannot hold the companion folder";
    bool thrown = false;
    try {
        index.Zap();
    } catch (bool) {
        thrown = true;
    }
    std::system(("chattr -i '" + companion.string() + "'").c_str());
    EXPECT_TRUE(thrown);
    EXPECT_NE(index.GetMessage().find("could not be emptied"), std::string::npos)
        << index.GetMessage();
    EXPECT_TRUE(fs::exists(companion / "00000001.dbf"));
}

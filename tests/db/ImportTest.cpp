// Older chartpoint, route and log files taken over into current tables.
// Fixtures are written at test time by python3-dbf (dBASE III) and Perl's
// XBase (dBASE IV), with memos, deleted records and bad coordinates.
#include "db/DBChartPoint.h"
#include "db/DBLog.h"
#include "db/DBRoute.h"
#include "db/DBVesselLog.h"
#include "db/ImportStaging.h"
#include "platform/Files.h"

#include "OuterTools.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace db;
using brine_test::Snapshot;

namespace {

// An older chartpoint table (dBASE III, python3-dbf): four rows, the second
// deleted, the third with a latitude out of range.
const char* kIptScript = R"(
import sys, os, dbf
base = sys.argv[1]
t = dbf.Table(base + '.dbf', 'NAME C(25); ID C(8); LAT C(12); LNG C(12); AREA C(20); GROUP C(20); ZONE C(3); '
              'ATTACH1 C(60); ATTACH2 C(60); ATTACH3 C(60); ATTACH4 C(60); NOTE M', dbf_type='db3', codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('Café Bay', 'CB1', '50.12345', '-1.5', 'Solent', 'Anchorage', '', '/a/1.png', '', '', '/a/4.png', 'Note é'))
t.append(('Deleted', 'D', '1', '1', '', '', '', '', '', '', '', 'gone'))
t.append(('Bad lat', 'B', '95.5', '10', '', '', '5', '', '', '', '', ''))
t.append(('Last', 'L', '-33.5', '151.25', 'Sydney', 'Port', '-10', '', '', '', '', 'x' * 700))
dbf.delete(t[1])
t.close()
os.rename(base + '.dbf', base + sys.argv[2])
os.rename(base + '.dbt', base + sys.argv[3])
)";

// A dBASE IV table by XBase: argv = file, then field list "NAME:C:25,...",
// then rows "v1|v2|..." (a leading '*' marks a row deleted).
const char* kXBaseScript = R"(
use XBase;
my ($file, $definition, @rows) = @ARGV;
my (@names, @types, @lengths, @decs);
for (split /,/, $definition) { my ($n, $t, $l) = split /:/; push @names, $n; push @types, $t; push @lengths, $l; push @decs, 0; }
my $t = XBase->create("name" => "$file.tmp", "version" => 4, "field_names" => \@names, "field_types" => \@types,
  "field_lengths" => \@lengths, "field_decimals" => \@decs) or die XBase->errstr;
my $i = 0;
for my $row (@rows) {
  my $del = $row =~ s/^\*//;
  $t->set_record($i, split(/\|/, $row, -1)) or die $t->errstr;
  $t->delete_record($i) if $del;
  $i++;
}
$t->close;
rename("$file.tmp.dbf", $file) or die;
if (-e "$file.tmp.dbt") { my $m = $file; $m =~ s/.$/($file =~ m{[A-Z]$}) ? 'M' : 'm'/e; rename("$file.tmp.dbt", $m) or die; }
)";

std::string XBaseTable(const fs::path& dir, const fs::path& file, const std::string& definition,
                       const std::vector<std::string>& rows)
{
    std::string args = "'" + file.string() + "' '" + definition + "'";
    for (const std::string& r : rows)
        args += " '" + r + "'";
    return brine_test::Perl(dir, kXBaseScript, args);
}

bool NoStagingLeft(const fs::path& dir)
{
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.path().filename().string().rfind(".import-", 0) == 0)
            return false;
    return true;
}

}   // namespace

TEST(Import, OlderChartpointTableComesOverFieldByFieldOnce)
{
    brine_test::TempFolder dir;
    ASSERT_EQ(brine_test::Python(dir.Path(), kIptScript, (dir / "Cpt").string() + " .IPT .IPM"),
              "");
    const auto older = Snapshot(dir.Path());

    CDBChartPoint points;
    points.SetFilePath(dir / "cpt.ipt");   // found without case
    ASSERT_TRUE(points.Open()) << points.GetMessage();
    // The row at latitude 95.5 is left behind, named by file and row.
    EXPECT_EQ(points.BadPositionRows(), std::vector<int>{3});
    EXPECT_NE(points.ImportNote().find("Row 3 of " + (dir / "Cpt.IPT").string()), std::string::npos)
        << points.ImportNote();
    EXPECT_EQ(points.GetRecordCount(), 2);
    points.SelectUniqueTag();
    ASSERT_TRUE(points.GoTop());
    EXPECT_EQ(points.GetId(), 1);
    EXPECT_EQ(points.m_name, "Café Bay");
    EXPECT_EQ(points.m_ident, "CB1");
    EXPECT_DOUBLE_EQ(points.m_position.GetLatitude(), 50.12345);
    EXPECT_DOUBLE_EQ(points.m_position.GetLongitude(), -1.5);
    EXPECT_TRUE(points.m_position.IsValid());
    EXPECT_EQ(points.m_area, "Solent");
    EXPECT_EQ(points.m_group, "Anchorage");
    EXPECT_EQ(points.m_zone, 0);
    EXPECT_EQ(points.m_attachment[0], "/a/1.png");
    EXPECT_EQ(points.m_attachment[3], "/a/4.png");
    EXPECT_EQ(points.m_memo[0], "Note é");
    ASSERT_TRUE(points.SkipForward());
    EXPECT_EQ(points.GetId(), 2);
    EXPECT_EQ(points.m_name, "Last");
    EXPECT_TRUE(points.m_position.IsValid());
    EXPECT_EQ(points.m_zone, -10);
    EXPECT_EQ(points.m_memo[0], std::string(700, 'x'));
    points.Close();

    // Older files as they were; a second open finds records and imports nothing.
    auto after = Snapshot(dir.Path());
    for (const auto& [file, bytes] : older)
        EXPECT_EQ(after[file], bytes) << file;
    EXPECT_TRUE(NoStagingLeft(dir.Path()));
    const auto taken = Snapshot(dir.Path());
    points.SetFilePath(dir / "cpt.ipt");
    ASSERT_TRUE(points.Open());
    EXPECT_EQ(points.GetRecordCount(), 2);
    EXPECT_EQ(points.ImportNote(), "");
    ASSERT_TRUE(points.Close());
    EXPECT_EQ(Snapshot(dir.Path()), taken);

    // That open left the import due: once the table is emptied, the next
    // open takes the older file over again.
    ASSERT_TRUE(points.Open());
    ASSERT_TRUE(points.DeleteAll());
    ASSERT_TRUE(points.Pack());
    ASSERT_TRUE(points.Close());
    ASSERT_TRUE(points.Open()) << points.GetMessage();
    EXPECT_EQ(points.GetRecordCount(), 2);
    points.SelectUniqueTag();
    ASSERT_TRUE(points.GoTop());
    EXPECT_EQ(points.GetId(), 1);
    EXPECT_EQ(points.m_name, "Café Bay");
    // ...and, the import done, clears it: emptied again, the table stays empty.
    ASSERT_TRUE(points.DeleteAll());
    ASSERT_TRUE(points.Pack());
    ASSERT_TRUE(points.Close());
    ASSERT_TRUE(points.Open());
    EXPECT_TRUE(points.IsEmpty());
}

TEST(Import, OlderWaypointListAndRouteDatabaseComeOver)
{
    brine_test::TempFolder dir;
    ASSERT_EQ(XBaseTable(dir.Path(), dir / "LIST.WPT", "NAME:C:25,LAT:C:12,LNG:C:12",
                         {"First|10.5|20.25", "*Gone|1|1", "Second|-10|-20"}),
              "");
    CDBChartPoint points;
    points.SetFilePath(dir / "list.wpt");
    ASSERT_TRUE(points.Open()) << points.GetMessage();
    ASSERT_EQ(points.GetRecordCount(), 2);
    ASSERT_TRUE(points.GoRecord(2));
    EXPECT_EQ(points.m_name, "Second");
    EXPECT_EQ(points.m_ident, "");
    EXPECT_EQ(points.m_position.GetLongitude(), -20);

    // The same list opened as a route: one route, one point per live row.
    fs::create_directories(dir / "r");
    fs::copy_file(dir / "LIST.WPT", dir / "r/List.Wpt");
    CDBRoute fromList;
    fromList.SetFilePath(dir / "r/LIST.wpt");
    ASSERT_TRUE(fromList.Open()) << fromList.GetMessage();
    ASSERT_TRUE(fromList.GoTop());
    EXPECT_EQ(fromList.m_name, "");
    EXPECT_EQ(fromList.Points().GetRecordCount(), 2);
    fromList.Close();

    // A route database: the waypoint tables are named with backslashes and
    // in another case; one route names a missing file, one is deleted.
    fs::create_directories(dir / "wpts");
    const std::string wptSpec = "NAME:C:25,ID:C:8,LAT:C:12,LNG:C:12,AREA:C:20,GROUP:C:20,ZONE:C:3,"
                                "ATTACH1:C:40,ATTACH2:C:40,ATTACH3:C:40,ATTACH4:C:40,NOTE:M:10";
    ASSERT_EQ(
        XBaseTable(dir.Path(), dir / "wpts/r1.wpt", wptSpec,
                   {"Start|S|50|-1|Area|Grp||att1|||att4|start note", "*Dropped|X|0|0||||||||",
                    "Turn|T|50.5|-1.5|||5||||||", "Off|O|50|200||||||||"}),
        "");
    const std::string script = R"(
import sys, os, dbf
base = sys.argv[1]
t = dbf.Table(base + '.dbf', 'NAME C(25); ID C(8); FROM C(25); TO C(25); ATTACH1 C(40); ATTACH2 C(40); '
              'ATTACH3 C(40); ATTACH4 C(40); NOTE M; WAYPTDB C(40)', dbf_type='db3', codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('Crossing', 'C1', 'Poole', 'Cherbourg', '', 'r.pdf', '', '', 'route note', 'WPTS\\R1.WPT'))
t.append(('Deleted', 'D', '', '', '', '', '', '', '', 'WPTS\\R1.WPT'))
t.append(('Lost', 'L', '', '', '', '', '', '', '', 'WPTS\\MISSING.WPT'))
dbf.delete(t[1])
t.close()
os.rename(base + '.dbf', base + '.rdb')
os.rename(base + '.dbt', base + '.rdm')
)";
    ASSERT_EQ(brine_test::Python(dir.Path(), script, (dir / "routes").string()), "");
    const auto older = Snapshot(dir.Path());
    CDBRoute routes;
    routes.SetFilePath(dir / "routes.rdb");
    ASSERT_TRUE(routes.Open()) << routes.GetMessage();
    // The waypoint off the earth is left behind and named, as chartpoints are.
    EXPECT_NE(routes.GetMessage().find("Row 4 of " + ResolveNoCase(dir / "wpts/r1.wpt").string() +
                                       " was not taken over: the position is out of range."),
              std::string::npos)
        << routes.GetMessage();
    EXPECT_NE(routes.GetMessage().find("MISSING"), std::string::npos) << routes.GetMessage();
    ASSERT_EQ(routes.GetRecordCount(), 2);
    ASSERT_TRUE(routes.GoTop());
    EXPECT_EQ(routes.m_name, "Crossing");
    EXPECT_EQ(routes.m_from, "Poole");
    EXPECT_EQ(routes.m_to, "Cherbourg");
    EXPECT_EQ(routes.m_note, "route note");
    EXPECT_EQ(routes.m_attachment[1], "r.pdf");
    CDBRoutePoints& links = routes.Points();
    ASSERT_EQ(links.GetRecordCount(), 2);
    CDBWaypoint& wp = links.Waypoints();
    EXPECT_EQ(links.m_order, 1);
    EXPECT_EQ(wp.m_name, "Start");
    EXPECT_EQ(wp.m_area, "Area");
    EXPECT_EQ(wp.m_zone, 0);
    EXPECT_EQ(wp.m_attachment[0], "att1");
    EXPECT_EQ(wp.m_attachment[3], "att4");
    EXPECT_EQ(wp.m_memo[0], "start note");
    ASSERT_TRUE(links.SkipForward());
    EXPECT_EQ(links.m_order, 2);
    EXPECT_EQ(wp.m_name, "Turn");
    EXPECT_EQ(wp.m_zone, 5);
    EXPECT_TRUE(wp.m_position.IsValid());
    EXPECT_FALSE(links.SkipForward());
    ASSERT_TRUE(routes.SkipForward());
    EXPECT_EQ(routes.m_name, "Lost");
    EXPECT_TRUE(routes.Points().IsEmpty());
    routes.Close();
    auto after = Snapshot(dir.Path());
    for (const auto& [file, bytes] : older)
        EXPECT_EQ(after[file], bytes) << file;
    EXPECT_TRUE(NoStagingLeft(dir.Path()));
}

// Waypoint tables that cannot be read (not a table, a table without a
// position field) leave their routes without points; the routes after them
// still come over with theirs, and the user is told which files.
TEST(Import, AnUnreadableWaypointTableLeavesOnlyItsRouteEmpty)
{
    brine_test::TempFolder dir;
    std::ofstream(dir / "garbage.wpt", std::ios::binary) << "Not a table: notes typed by hand.\n";
    ASSERT_EQ(XBaseTable(dir.Path(), dir / "nolat.wpt", "NAME:C:25,LNG:C:12", {"Pier|-122.4"}), "");
    ASSERT_EQ(XBaseTable(dir.Path(), dir / "good.wpt", "NAME:C:25,LAT:C:12,LNG:C:12",
                         {"Start|47.6|-122.4", "End|47.8|-122.5"}),
              "");
    const std::string script = R"(
import sys, os, dbf
base = sys.argv[1]
t = dbf.Table(base + '.dbf', 'NAME C(25); WAYPTDB C(40)', dbf_type='db3')
t.open(dbf.READ_WRITE)
t.append(('Scribbled', 'GARBAGE.WPT'))
t.append(('Half done', 'nolat.wpt'))
t.append(('Sound', 'good.wpt'))
t.close()
os.rename(base + '.dbf', base + '.rdb')
)";
    ASSERT_EQ(brine_test::Python(dir.Path(), script, (dir / "older").string()), "");
    const auto older = Snapshot(dir.Path());

    CDBRoute routes;
    routes.SetFilePath(dir / "older.rdb");
    ASSERT_TRUE(routes.Open()) << routes.GetMessage();
    EXPECT_NE(routes.GetMessage().find((dir / "garbage.wpt").string()), std::string::npos)
        << routes.GetMessage();
    EXPECT_NE(routes.GetMessage().find((dir / "nolat.wpt").string() + " has no field LAT"),
              std::string::npos)
        << routes.GetMessage();
    ASSERT_EQ(routes.GetRecordCount(), 3);
    ASSERT_TRUE(routes.GoTop());
    EXPECT_EQ(routes.m_name, "Scribbled");
    EXPECT_TRUE(routes.Points().IsEmpty());
    ASSERT_TRUE(routes.SkipForward());
    EXPECT_EQ(routes.m_name, "Half done");
    EXPECT_TRUE(routes.Points().IsEmpty());
    ASSERT_TRUE(routes.SkipForward());
    EXPECT_EQ(routes.m_name, "Sound");
    ASSERT_EQ(routes.Points().GetRecordCount(), 2);
    EXPECT_EQ(routes.Points().Waypoints().m_name, "Start");
    routes.Close();
    auto after = Snapshot(dir.Path());
    for (const auto& [file, bytes] : older)
        EXPECT_EQ(after[file], bytes) << file;
    EXPECT_TRUE(NoStagingLeft(dir.Path()));
}

TEST(Import, OlderLogsComeOverWithTheirTimesTypesAndNotes)
{
    brine_test::TempFolder dir;
    ASSERT_EQ(XBaseTable(
                  dir.Path(), dir / "nine.log",
                  "TIME:C:5,DATE:C:8,LAT:C:10,LNG:C:10,DTM:C:3,COG:C:6,SOG:C:6,TYPE:C:12,NOTE:M:10",
                  {"13:45|24/12/98|50.5|-1.25|-1|123.5|12.25|sys dr|Christmas Eve",
                   "*00:00|01/01/99|0|0|-1|0|0||", "08:05|03/02/05|91|0|-1|0|0|ARPA Target|",
                   "09:00|31/02/05|10|10|-1|0|0|Manual|"}),
              "");
    CDBLog log;
    log.SetFilePath(dir / "nine.log");
    ASSERT_TRUE(log.Open()) << log.GetMessage();
    EXPECT_EQ(log.BadPositionRows(), std::vector<int>{3});
    ASSERT_EQ(log.GetRecordCount(), 3);
    log.SelectUniqueTag();
    ASSERT_TRUE(log.GoTop());
    EXPECT_EQ(log.m_time.ToStorageText(), "19981224 134500");
    EXPECT_DOUBLE_EQ(log.m_position.GetLatitude(), 50.5);
    EXPECT_DOUBLE_EQ(log.m_cog, 123.5);
    EXPECT_DOUBLE_EQ(log.m_sog, 12.25);
    EXPECT_EQ(log.m_type, 7);
    EXPECT_EQ(log.m_note, "Christmas Eve");
    ASSERT_TRUE(log.SkipForward());
    EXPECT_EQ(log.m_time.ToStorageText(), "20050203 080500");   // "05" is 2005
    EXPECT_EQ(log.m_type, 0);
    EXPECT_FALSE(log.m_position.IsValid());
    ASSERT_TRUE(log.SkipForward());
    EXPECT_FALSE(log.m_time.IsValid());
    EXPECT_EQ(log.m_type, 11);
    log.Close();
    // Opened again, the log holds rows: nothing is taken over a second time.
    log.SetFilePath(dir / "nine.log");
    ASSERT_TRUE(log.Open()) << log.GetMessage();
    EXPECT_EQ(log.GetRecordCount(), 3);
    log.Close();

    ASSERT_EQ(XBaseTable(dir.Path(), dir / "old.LOG",
                         "TIME:C:8,DATE:C:8,LAT:C:10,LNG:C:10,COG:C:6,SOG:C:6,NOTE:M:10",
                         {"23:59:58|31/12/95|-33|151|90|5|last of the year"}),
              "");
    CDBLog old;
    old.SetFilePath(dir / "old.LOG");
    ASSERT_TRUE(old.Open()) << old.GetMessage();
    ASSERT_TRUE(old.GoTop());
    EXPECT_EQ(old.m_time.ToStorageText(), "19951231 235958");   // 95 and above are 19xx
    EXPECT_EQ(old.m_note, "last of the year");
    EXPECT_EQ(old.GetRecordCount(), 1);
}

// A ".log" with the eleven fields of a current log is no older log: opened
// as a log, or as a vessel log, nothing of it is taken over (read as an older
// log its altitude and fix type would come over as 0) and it stays as it was.
TEST(Import, ALogFileOfTheCurrentLayoutIsNotTakenOver)
{
    brine_test::TempFolder dir;
    {
        CDBLog current;
        current.SetFilePath(dir / "renamed");
        ASSERT_TRUE(current.Open());
        current.m_time = app::CDateTimeEx(2024, 6, 1, 9, 30, 0);
        current.m_position = geo::CPosition(50.5, -1.25, 12.5, -1);
        current.m_type = 4;
        current.m_note = "EPFS fix";
        ASSERT_TRUE(current.AppendNew() && current.Close());
    }
    fs::rename(dir / "renamed.dbf", dir / "renamed.log");
    fs::rename(dir / "renamed.dbt", dir / "renamed.lom");
    fs::remove(dir / "renamed.mdx");
    fs::copy_file(dir / "renamed.log", dir / "voyage.log");
    fs::copy_file(dir / "renamed.lom", dir / "voyage.lom");
    const auto before = Snapshot(dir.Path());

    CDBLog log;
    log.SetFilePath(dir / "renamed.log");
    ASSERT_TRUE(log.Open()) << log.GetMessage();
    EXPECT_TRUE(fs::exists(dir / "renamed.dbf"));
    EXPECT_EQ(log.GetRecordCount(), 0);
    log.Close();

    CDBVesselLog index;
    index.SetFilePath(dir / "voyage.log");
    ASSERT_TRUE(index.Open()) << index.GetMessage();
    EXPECT_TRUE(index.WasConverted());
    ASSERT_EQ(index.GetRecordCount(), 1);
    ASSERT_TRUE(index.GoTop());
    EXPECT_EQ(index.m_vesselId, 1u);
    EXPECT_EQ(index.m_appendNo, 1u);
    EXPECT_FALSE(index.m_start.IsValid());
    EXPECT_FALSE(index.m_end.IsValid());
    index.Close();
    CDBLog first;
    first.SetFilePath(dir / "voyage.X/00000001");
    ASSERT_TRUE(first.Open());
    EXPECT_EQ(first.GetRecordCount(), 0);
    first.Close();

    const auto after = Snapshot(dir.Path());
    for (const char* file : {"renamed.log", "renamed.lom", "voyage.log", "voyage.lom"})
        EXPECT_EQ(after.at(file), before.at(file)) << file;
}

TEST(Import, AnOlderLogWithALoweredHeaderCountComesOverWhole)
{
    // 3,000 fixes whose header was left saying 1,000: every one comes over
    // and the message names the wrong count.
    brine_test::TempFolder dir;
    std::vector<std::string> rows;
    for (int i = 0; i < 3000; ++i) {
        char row[80];
        std::snprintf(row, sizeof row, "%02d:%02d:%02d|01/06/04|%.4f|-1.5|90|5", i / 3600,
                      i / 60 % 60, i % 60, 50 + i / 10000.0);
        rows.push_back(row);
    }
    ASSERT_EQ(XBaseTable(dir.Path(), dir / "track.log",
                         "TIME:C:8,DATE:C:8,LAT:C:10,LNG:C:10,COG:C:6,SOG:C:6", rows),
              "");
    {
        std::fstream f(dir / "track.log", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4);
        const char count[4] = {char(1000 & 0xFF), char(1000 >> 8), 0, 0};
        f.write(count, 4);
    }
    CDBLog log;
    log.SetFilePath(dir / "track.log");
    ASSERT_TRUE(log.Open()) << log.GetMessage();
    EXPECT_EQ(log.GetRecordCount(), 3000);
    EXPECT_NE(log.GetMessage().find("counts 1000 records in its header but holds 3000"),
              std::string::npos)
        << log.GetMessage();
    log.SelectUniqueTag();
    ASSERT_TRUE(log.GoBottom());
    EXPECT_EQ(log.m_time.ToStorageText(), "20040601 004959");
    EXPECT_DOUBLE_EQ(log.m_position.GetLatitude(), 50.2999);
    EXPECT_TRUE(NoStagingLeft(dir.Path()));
}

TEST(Import, OlderLogBecomesTheOwnVesselsFirstLog)
{
    brine_test::TempFolder dir;
    const std::string definition =
        "TIME:C:5,DATE:C:8,LAT:C:10,LNG:C:10,DTM:C:3,COG:C:6,SOG:C:6,TYPE:C:12,NOTE:M:10";
    ASSERT_EQ(
        XBaseTable(dir.Path(), dir / "voyage.log", definition,
                   {"10:00|01/06/24|50|-1|-1|0|0|VF|", "12:30|01/06/24|50.1|-1.1|-1|0|0|VF|"}),
        "");
    CDBVesselLog index;
    index.SetFilePath(dir / "voyage.log");
    ASSERT_TRUE(index.Open()) << index.GetMessage();
    EXPECT_TRUE(index.WasConverted());
    ASSERT_EQ(index.GetRecordCount(), 1);
    ASSERT_TRUE(index.GoTop());
    EXPECT_EQ(index.m_vesselType, 1);
    EXPECT_EQ(index.m_vesselId, 1u);
    EXPECT_EQ(index.m_appendNo, 1u);
    EXPECT_EQ(index.m_start.ToStorageText(), "20240601 100000");
    EXPECT_EQ(index.m_end.ToStorageText(), "20240601 123000");
    EXPECT_EQ(index.GetNextAppendNo(1), 2u);
    index.Close();
    CDBLog first;
    first.SetFilePath(dir / "voyage.X/00000001");
    ASSERT_TRUE(first.Open());
    EXPECT_EQ(first.GetRecordCount(), 2);
    first.Close();

    // Opening the older log again asks before the index is replaced; No keeps everything.
    const auto before = Snapshot(dir.Path());
    brine_test::ScriptedPrompt prompt;
    prompt.Expect(platform::PromptAnswer::No, "already exists");
    index.SetPrompt(&prompt);
    index.SetFilePath(dir / "voyage.log");
    EXPECT_FALSE(index.Open());
    EXPECT_TRUE(prompt.Done());
    EXPECT_EQ(Snapshot(dir.Path()), before);

    // Yes replaces the index, a copy of the old one kept in the backup folder.
    prompt.Expect(platform::PromptAnswer::Yes, "Do you want to overwrite it?");
    index.SetFilePath(dir / "voyage.log");
    ASSERT_TRUE(index.Open()) << index.GetMessage();
    EXPECT_TRUE(prompt.Done());
    EXPECT_TRUE(index.WasConverted());
    EXPECT_EQ(index.GetRecordCount(), 1);
    index.Close();
    EXPECT_EQ(Snapshot(dir / "~OldLogs.Backup")["voyage.dbf"], before.at("voyage.dbf"));

    // A position log stored under the index's name is backed up and becomes
    // the own vessel's first log.
    CDBLog single;
    single.SetFilePath(dir / "single");
    ASSERT_TRUE(single.Open());
    single.m_time = app::CDateTimeEx(2023, 5, 1, 6, 0, 0);
    single.m_note = "kept";
    ASSERT_TRUE(single.AppendNew() && single.Close());
    CDBVesselLog fromSingle;
    fromSingle.SetFilePath(dir / "single");
    ASSERT_TRUE(fromSingle.Open()) << fromSingle.GetMessage();
    EXPECT_TRUE(fromSingle.WasConverted());
    EXPECT_TRUE(fs::exists(dir / "~OldLogs.Backup/single.dbf"));
    ASSERT_TRUE(fromSingle.GoTop());
    EXPECT_EQ(fromSingle.m_start.ToStorageText(), "20230501 060000");
    CDBLog moved;
    moved.SetFilePath(dir / "single.X/00000001");
    ASSERT_TRUE(moved.Open());
    ASSERT_TRUE(moved.GoTop());
    EXPECT_EQ(moved.m_note, "kept");

    // A backup that cannot be made stops the conversion: the log under the
    // index's name is left as it was.
    {
        brine_test::TempFolder other;
        CDBLog kept;
        kept.SetFilePath(other / "single");
        ASSERT_TRUE(kept.Open());
        kept.m_note = "stays";
        ASSERT_TRUE(kept.AppendNew() && kept.Close());
        std::ofstream(other / "~OldLogs.Backup") << "a file where the folder would go";
        const auto untouched = Snapshot(other.Path());
        CDBVesselLog blocked;
        blocked.SetFilePath(other / "single");
        EXPECT_FALSE(blocked.Open());
        EXPECT_FALSE(blocked.WasConverted());
        EXPECT_EQ(Snapshot(other.Path()), untouched);
    }

    // A table that is neither an index nor a log is left alone, whatever its field count.
    ASSERT_EQ(XBaseTable(dir.Path(), dir / "odd.dbf",
                         "A:C:5,B:C:5,C:C:5,D:C:5,E:C:5,F:C:5,G:C:5,H:C:5,I:C:5,J:C:5,K:C:5",
                         {"1|2|3|4|5|6|7|8|9|10|11"}),
              "");
    const auto beforeOdd = Snapshot(dir.Path());
    CDBVesselLog odd;
    odd.SetFilePath(dir / "odd");
    EXPECT_FALSE(odd.Open());
    EXPECT_NE(odd.GetMessage().find("neither"), std::string::npos) << odd.GetMessage();
    EXPECT_EQ(Snapshot(dir.Path()), beforeOdd);
}

TEST(Import, DamagedOlderFilesAreRefusedAndNothingChanges)
{
    brine_test::TempFolder dir;
    ASSERT_EQ(brine_test::Python(dir.Path(), kIptScript, (dir / "good").string() + " .ipt .ipm"),
              "");
    const std::string good = brine_test::Snapshot(dir.Path())["good.ipt"];
    auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
    };
    auto copy = [&](const std::string& from, const std::string& to) {
        fs::copy_file(dir / from, dir / to);
    };
    // Truncated: the header counts four rows, the file holds three and a half.
    write("short.ipt", good.substr(0, good.size() - 200));
    copy("good.ipm", "short.ipm");
    // Memo-less: the memo file is missing.
    copy("good.ipt", "nomemo.ipt");
    // Field-less: a table without the NAME field.
    ASSERT_EQ(XBaseTable(dir.Path(), dir / "noname.ipt", "LAT:C:10,LNG:C:10", {"1|2"}), "");
    // Outside: a memo reference past the end of the memo file.
    copy("good.ipt", "outside.ipt");
    write("outside.ipm", brine_test::Snapshot(dir.Path())["good.ipm"].substr(0, 600));
    // Not a table at all.
    write("text.ipt", "This is a text file, not a table of points at all.\n");

    struct Case {
        const char* name;
        const char* fault;
    } cases[] = {{"short", "shorter than its header says"},
                 {"nomemo", "memo file is missing"},
                 {"noname", "no field NAME"},
                 {"outside", "outside the memo file"},
                 {"text", "header is damaged"}};
    const auto before = Snapshot(dir.Path());
    for (const Case& c : cases) {
        CDBChartPoint points;
        points.SetFilePath(dir / (std::string(c.name) + ".ipt"));
        EXPECT_FALSE(points.Open()) << c.name;
        EXPECT_NE(points.GetMessage().find(c.name), std::string::npos) << points.GetMessage();
        EXPECT_NE(points.GetMessage().find(c.fault), std::string::npos) << points.GetMessage();
        // Asked again, the same object tries the import again: no empty
        // table opens in the older file's place.
        EXPECT_FALSE(points.Open()) << c.name;
        EXPECT_NE(points.GetMessage().find(c.fault), std::string::npos) << points.GetMessage();
    }
    EXPECT_EQ(Snapshot(dir.Path()), before);

    // The same faults in a log and a route database.
    copy("short.ipt", "short.log");
    copy("short.ipm", "short.lom");
    copy("good.ipt", "good.rdb");
    const auto before2 = Snapshot(dir.Path());
    CDBLog log;
    log.SetFilePath(dir / "short.log");
    EXPECT_FALSE(log.Open());
    EXPECT_NE(log.GetMessage().find("shorter"), std::string::npos) << log.GetMessage();
    CDBRoute routes;
    routes.SetFilePath(dir / "good.rdb");
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_FALSE(routes.Open()) << attempt;
        EXPECT_NE(routes.GetMessage().find("memo file is missing"), std::string::npos)
            << routes.GetMessage();
    }
    EXPECT_EQ(Snapshot(dir.Path()), before2);
}

TEST(Import, WithoutTheOlderFileAFreshTableOpens)
{
    brine_test::TempFolder dir;
    CDBChartPoint points;
    CDBRoute routes;
    CDBLog log;
    CDBVesselLog index;
    const std::pair<CDBTextTable*, const char*> cases[] = {
        {&points, "p.ipt"}, {&routes, "r.rdb"}, {&log, "l.log"}, {&index, "v.LOG"}};
    for (const auto& [table, name] : cases) {
        table->SetFilePath(dir / name);
        EXPECT_TRUE(table->Open()) << name << ": " << table->GetMessage();
        EXPECT_TRUE(table->IsEmpty()) << name;
        EXPECT_TRUE(table->Close());
        EXPECT_TRUE(fs::exists(dir / (std::string(name, 1) + ".dbf"))) << name;
    }
}

// An import whose commit fails at any one of its moves (a rename failure put
// in through the file layer): the open fails with the reason, the table's
// files are back byte for byte and no staging folder is left. The import
// replaces a vessel log, so each entry first steps aside and then moves in.
TEST(Import, ACommitThatFailsAtAnyMoveLeavesTheTableAsItWas)
{
    brine_test::TempFolder dir;
    ASSERT_EQ(
        XBaseTable(dir.Path(), dir / "voyage.log",
                   "TIME:C:5,DATE:C:8,LAT:C:10,LNG:C:10,DTM:C:3,COG:C:6,SOG:C:6,TYPE:C:12,"
                   "NOTE:M:10",
                   {"10:00|01/06/24|50|-1|-1|0|0|VF|", "12:30|01/06/24|50.1|-1.1|-1|0|0|VF|"}),
        "");
    {
        CDBVesselLog first;
        first.SetFilePath(dir / "voyage.log");
        ASSERT_TRUE(first.Open()) << first.GetMessage();
        first.Close();
    }
    const auto tableFiles = [&] {
        auto files = Snapshot(dir.Path());
        std::erase_if(files,
                      [](const auto& f) { return f.first.rfind("~OldLogs.Backup", 0) == 0; });
        return files;
    };
    const auto before = tableFiles();
    ASSERT_GE(before.size(), 3u);
    struct Reset {
        ~Reset() { platform::SetRenameFaultHook({}); }
    } reset;
    int failedAt = 0;
    for (int k = 1;; ++k) {
        int calls = 0;
        platform::SetRenameFaultHook(
            [&](const fs::path&, const fs::path&) { return ++calls == k ? EIO : 0; });
        brine_test::ScriptedPrompt prompt;
        prompt.Expect(platform::PromptAnswer::Yes, "Do you want to overwrite it?");
        CDBVesselLog index;
        index.SetPrompt(&prompt);
        index.SetFilePath(dir / "voyage.log");
        const bool opened = index.Open();
        platform::SetRenameFaultHook({});
        if (calls < k) {   // every move made: the import went through
            ASSERT_TRUE(opened) << index.GetMessage();
            index.Close();
            break;
        }
        failedAt = k;
        EXPECT_FALSE(opened) << "move " << k;
        EXPECT_NE(index.GetMessage().find("could not take its place"), std::string::npos)
            << index.GetMessage();
        EXPECT_NE(index.GetMessage().find(std::error_code(EIO, std::generic_category()).message()),
                  std::string::npos)
            << index.GetMessage();
        EXPECT_EQ(tableFiles(), before) << "move " << k;
        EXPECT_TRUE(NoStagingLeft(dir.Path())) << "move " << k;
        ASSERT_LT(k, 50) << "the commit never finished";
    }
    EXPECT_GE(failedAt, 4) << "each replaced entry steps aside and the new one moves in";

    // Should a replaced file also fail to come back, it is not thrown away:
    // the staging folder keeps it, says so, and later imports leave it be.
    // Every move into the table's folder fails: the first move in, and then
    // putting back what stepped aside.
    platform::SetRenameFaultHook([&](const fs::path&, const fs::path& to) {
        return to.parent_path() == dir.Path() ? EIO : 0;
    });
    brine_test::ScriptedPrompt prompt;
    prompt.Expect(platform::PromptAnswer::Yes, "Do you want to overwrite it?");
    CDBVesselLog index;
    index.SetPrompt(&prompt);
    index.SetFilePath(dir / "voyage.log");
    const auto inPlace = tableFiles();
    EXPECT_FALSE(index.Open());
    platform::SetRenameFaultHook({});
    const std::string& message = index.GetMessage();
    const auto kept = message.find("kept in ");
    ASSERT_NE(kept, std::string::npos) << message;
    const fs::path keptIn = message.substr(kept + 8);
    ASSERT_TRUE(fs::is_directory(keptIn)) << message;
    EXPECT_FALSE(NoStagingLeft(dir.Path()));
    const auto stranded = Snapshot(keptIn);
    ASSERT_FALSE(stranded.empty());
    for (const auto& [file, bytes] : stranded)
        EXPECT_EQ(bytes, inPlace.at(file)) << file;
    {
        CImportStaging later(dir.Path().string(), "voyage");
    }
    EXPECT_EQ(Snapshot(keptIn), stranded) << "a later import removed the kept files";
}

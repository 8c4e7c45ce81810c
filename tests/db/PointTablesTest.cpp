// Point tables with their memo and attachment companions.
#include "db/DBChartPoint.h"
#include "db/DBWaypoint.h"

#include "engines/dbase/DbaseTable.h"

#include "ChildProcess.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace fs = std::filesystem;
using namespace db;

namespace {

std::string FileBytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Records of a table file, deleted ones included, as (deleted, MASTER_ID TYPE).
std::vector<std::string> RawRecords(const std::string& path)
{
    dbase::CDbaseEngine engine;
    auto t = engine.Open(path);
    std::vector<std::string> out;
    if (!t)
        return out;
    for (int rc = t->Top(); rc == 0; rc = t->Skip(1)) {
        std::string row = t->Deleted() ? "*" : " ";
        if (auto* f = t->Field("MASTER_ID"))
            row += std::string(f->Bytes()) + ":" + std::string(t->Field("TYPE")->Bytes());
        out.push_back(row);
    }
    t->Close();
    return out;
}

class PointTables : public ::testing::Test {
protected:
    void Fill(CDBPoint& p, const std::string& name)
    {
        p.ClearRecord();
        p.m_name = name;
        p.m_ident = "ID" + name.substr(0, 3);
        p.m_position = geo::CPosition(54.5, -3.25, 12.5, -1);
        p.m_area = "Irish Sea";
        p.m_group = "Buoys";
        p.m_zone = -5;
    }
    brine_test::TempFolder dir;
};

}   // namespace

TEST_F(PointTables, TextsAndCompanionsRoundTripAndFollowTheirTexts)
{
    CDBChartPoint points;
    points.SetFilePath(dir / "cpt");
    ASSERT_TRUE(points.Open());
    Fill(points, "Ålesund – Brygge");
    points.m_memo[0] = "Note with “quotes” and €";
    points.m_memo[9] = "Last memo";
    points.m_attachment[1] = "/charts/Kai.png";
    points.m_attachment[3] = "/charts/Øy.pdf";
    ASSERT_TRUE(points.AppendNew() && points.FlushIfOpen());
    const long id = points.GetId();

    CDBChartPoint again;
    again.SetFilePath(dir / "CPT");   // found without case
    ASSERT_TRUE(again.Open());
    ASSERT_TRUE(again.GoTop());
    EXPECT_EQ(again.m_name, "Ålesund – Brygge");
    EXPECT_EQ(again.m_ident, "IDÅl");
    EXPECT_EQ(again.m_position.GetLatitude(), 54.5);
    EXPECT_EQ(again.m_position.GetLongitude(), -3.25);
    EXPECT_EQ(again.m_position.GetAltitude(), 12.5);
    EXPECT_TRUE(again.m_position.IsValid());
    EXPECT_EQ(again.m_area, "Irish Sea");
    EXPECT_EQ(again.m_zone, -5);
    EXPECT_EQ(again.m_memo[0], "Note with “quotes” and €");
    EXPECT_EQ(again.m_memo[9], "Last memo");
    EXPECT_EQ(again.m_attachment[0], "");
    EXPECT_EQ(again.m_attachment[3], "/charts/Øy.pdf");
    again.Close();

    // The bytes on disk are Windows-1252, the datum default is -1.
    const std::string dbf = FileBytes(dir / "cpt.dbf");
    EXPECT_NE(dbf.find("\xC5lesund \x96 Brygge"), std::string::npos);
    EXPECT_NE(dbf.find(" -1"), std::string::npos);
    const std::string prefix = IdKey(id);
    EXPECT_EQ(RawRecords(dir / "cpt.X/MEMOS"),
              (std::vector<std::string>{" " + IdName(id) + ":000", " " + IdName(id) + ":009"}));
    EXPECT_EQ(RawRecords(dir / "cpt.X/ATTCHMTS").size(), 2u);

    // An emptied note loses its record at the next store.
    ASSERT_TRUE(points.GoTop());
    points.m_memo[0].clear();
    ASSERT_TRUE(points.Update() && points.FlushIfOpen() && points.Memos().FlushIfOpen());
    EXPECT_EQ(RawRecords(dir / "cpt.X/MEMOS"),
              (std::vector<std::string>{"*" + IdName(id) + ":000", " " + IdName(id) + ":009"}));

    // A second table in the same folder has companions of its own.
    CDBWaypoint other;
    other.SetFilePath(dir / "wpt");
    ASSERT_TRUE(other.Open());
    Fill(other, "Other");
    other.m_memo[0] = "other note";
    ASSERT_TRUE(other.AppendNew() && other.FlushIfOpen());
    EXPECT_EQ(RawRecords(dir / "wpt.X/MEMOS").size(), 1u);
    EXPECT_EQ(RawRecords(dir / "cpt.X/MEMOS").size(), 2u);
}

TEST_F(PointTables, TextTheCodePageLacksIsRefusedBeforeAnythingIsWritten)
{
    CDBWaypoint points;
    points.SetFilePath(dir / "w");
    ASSERT_TRUE(points.Open());
    Fill(points, "Plain");
    ASSERT_TRUE(points.AppendNew() && points.FlushIfOpen());
    const std::string before = FileBytes(dir / "w.dbf");

    struct Case {
        std::string* member;
        std::string text;
        std::string field;
    };
    const Case cases[] = {
        {&points.m_name, "Пирс", "NAME"},
        {&points.m_group, "No. №5", "GROUP"},
        {&points.m_memo[4], "✓ done", "MEMOS.DATA"},
        {&points.m_attachment[0], "/x/\xff\xfe", "ATTCHMTS.DATA"},   // not even UTF-8
    };
    for (const Case& c : cases) {
        Fill(points, "Plain");
        *c.member = c.text;
        std::string field;
        EXPECT_FALSE(points.CanStore(&field)) << c.text;
        EXPECT_EQ(field, c.field);
        EXPECT_FALSE(points.AppendNew());
        EXPECT_NE(points.GetMessage().find(c.field), std::string::npos) << points.GetMessage();
        ASSERT_TRUE(points.GoTop());
        *c.member = c.text;
        EXPECT_FALSE(points.Update());
    }
    points.FlushIfOpen();
    EXPECT_EQ(points.GetRecordCount(), 1);
    points.Close();
    EXPECT_EQ(FileBytes(dir / "w.dbf"), before);
    EXPECT_TRUE(RawRecords(dir / "w.X/MEMOS").empty());
}

TEST_F(PointTables, WidthsCountStoredBytesAndBadAnglesLoadNotValid)
{
    CDBWaypoint points;
    points.SetFilePath(dir / "w");
    ASSERT_TRUE(points.Open());
    Fill(points, std::string(20, 'a') + "ééééééé");   // 27 characters, 34 bytes of UTF-8
    points.m_position = geo::CPosition(95.0, 10.0, 0.0, -1);   // stored unchecked
    ASSERT_TRUE(points.AppendNew() && points.FlushIfOpen());
    ASSERT_TRUE(points.GoTop());
    EXPECT_EQ(points.m_name, std::string(20, 'a') + "ééééé");
    EXPECT_FALSE(points.m_position.IsValid());
    EXPECT_EQ(points.m_position.GetLatitude(), 95.0);
}

TEST_F(PointTables, DeletingAPointMarksItsCompanionRecordsDeleted)
{
    CDBChartPoint points;
    points.SetFilePath(dir / "c");
    ASSERT_TRUE(points.Open());
    for (const char* name : {"A", "B"}) {
        Fill(points, name);
        for (auto& a : points.m_attachment)
            a = std::string("att ") + name;
        points.m_memo[0] = "n";
        points.m_memo[5] = "m";
        ASSERT_TRUE(points.AppendNew() && points.FlushIfOpen());
    }
    points.SelectTag("T_NAME");
    ASSERT_TRUE(points.GoTop());
    ASSERT_EQ(points.m_name, "A");
    ASSERT_TRUE(points.DeleteRecord() && points.FlushIfOpen());
    points.Close();
    int deleted = 0, live = 0;
    for (const char* t : {"c.X/MEMOS", "c.X/ATTCHMTS"})
        for (const std::string& r : RawRecords(dir / t))
            (r[0] == '*' ? deleted : live)++;
    EXPECT_EQ(deleted, 6);
    EXPECT_EQ(live, 6);

    ASSERT_TRUE(points.Open());
    EXPECT_EQ(points.GetRecordCount(), 1);
    ASSERT_TRUE(points.Pack());
    ASSERT_TRUE(points.DeleteAll());
    EXPECT_TRUE(points.IsEmpty());
    points.Close();
    for (const char* t : {"c.X/MEMOS", "c.X/ATTCHMTS"})
        for (const std::string& r : RawRecords(dir / t))
            EXPECT_EQ(r[0], '*') << t;
}

TEST_F(PointTables, ReadOnlyReachesTheCompanionsAndOwnPathCopiesChangeNothing)
{
    {
        CDBWaypoint points;
        points.SetFilePath(dir / "w");
        ASSERT_TRUE(points.Open());
        Fill(points, "Kept");
        points.m_memo[0] = "memo";
        ASSERT_TRUE(points.AppendNew() && points.Close());
    }
    // Asked to make the table anew, an open of a point table keeps its
    // points and their memos.
    {
        CDBWaypoint again;
        again.SetFilePath(dir / "w");
        ASSERT_TRUE(again.Open(false, true));
        EXPECT_EQ(again.GetRecordCount(), 1);
        ASSERT_TRUE(again.GoTop());
        EXPECT_EQ(again.m_memo[0], "memo");
    }
    const std::string before = FileBytes(dir / "w.dbf") + FileBytes(dir / "w.X/MEMOS.dbf");

    CDBWaypoint points;
    points.SetFilePath(dir / "w");
    ASSERT_TRUE(points.Open(true));
    EXPECT_TRUE(points.IsReadOnly());
    EXPECT_TRUE(points.Memos().IsReadOnly());
    EXPECT_TRUE(points.Attachments().IsReadOnly());
    ASSERT_TRUE(points.GoTop());
    EXPECT_EQ(points.m_memo[0], "memo");
    points.m_memo[0] = "changed";
    points.Update();
    points.Close();
    EXPECT_EQ(FileBytes(dir / "w.dbf") + FileBytes(dir / "w.X/MEMOS.dbf"), before);

    ASSERT_TRUE(points.Open());
    for (const std::string& same :
         {(dir / "w").string(), (dir / "W.DBF").string(), (dir / "./w").string()}) {
        EXPECT_TRUE(points.CopyTo(same)) << same;
        EXPECT_TRUE(points.MoveTo(same)) << same;
    }
    ASSERT_TRUE(points.GoTop());
    EXPECT_EQ(points.m_memo[0], "memo");

    // A real move takes the companions along.
    ASSERT_TRUE(points.MoveTo(dir / "sub/moved"));
    EXPECT_FALSE(fs::exists(dir / "w.X"));
    EXPECT_FALSE(fs::exists(dir / "w.dbf"));
    ASSERT_TRUE(points.GoTop());
    EXPECT_EQ(points.m_memo[0], "memo");
    EXPECT_TRUE(fs::exists(dir / "sub/moved.X/MEMOS.dbf"));
}

TEST_F(PointTables, OlderAttachmentLayoutIsTakenOverOnOpen)
{
    {
        CDBWaypoint points;
        points.SetFilePath(dir / "w");
        ASSERT_TRUE(points.Open());
        Fill(points, "Older");
        ASSERT_TRUE(points.AppendNew() && points.Close());
    }
    // The attachment table as older versions laid it out: the text in C(254).
    fs::remove(dir / "w.X/ATTCHMTS.dbf");
    fs::remove(dir / "w.X/ATTCHMTS.dbt");
    fs::remove(dir / "w.X/ATTCHMTS.mdx");
    {
        dbase::CDbaseEngine engine;
        auto t = engine.Create((dir / "w.X/ATTCHMTS").string(),
                               {{"UNIQUE", 'N', 8, 0},
                                {"MASTER_ID", 'N', 8, 0},
                                {"TYPE", 'C', 3, 0},
                                {"DATA", 'C', 254, 0}},
                               {});
        ASSERT_NE(t, nullptr);
        const char* rows[][3] = {{"1", "001", "/old/\xE9t\xE9.png"},
                                 {"1", "002", "deleted"},
                                 {"1", "003", "/old/b.pdf"}};
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(t->AppendStart(), 0);
            t->Field("UNIQUE")->AssignLong(i + 1, 8, true);
            t->Field("MASTER_ID")->Assign(rows[i][0]);
            t->Field("TYPE")->Assign(rows[i][1]);
            t->Field("DATA")->Assign(rows[i][2]);
            ASSERT_EQ(t->Append(), 0);
        }
        ASSERT_EQ(t->Go(2), 0);
        ASSERT_EQ(t->Delete(), 0);
        ASSERT_EQ(t->Close(), 0);
    }
    CDBWaypoint points;
    points.SetFilePath(dir / "w");
    ASSERT_TRUE(points.Open()) << points.GetMessage();
    ASSERT_TRUE(points.GoTop());
    EXPECT_EQ(points.m_attachment[1], "/old/été.png");
    EXPECT_EQ(points.m_attachment[2], "");
    EXPECT_EQ(points.m_attachment[3], "/old/b.pdf");
    EXPECT_EQ(points.Attachments().Table()->Field("DATA")->Type(), 'M');
}

// Save As onto a database of that name that fails part way (the file size
// limit stands in for a full disk) leaves that database as it was, its
// memos and attachments with it, and nothing of the copy beside it.
TEST_F(PointTables, ASaveAsThatFailsLeavesTheOlderSaveWithItsCompanions)
{
    const std::string target = dir / "saved/cpt";
    {
        CDBChartPoint old;
        old.SetFilePath(target);
        ASSERT_TRUE(old.Open());
        Fill(old, "Kept");
        old.m_memo[0] = "the older save's note";
        ASSERT_TRUE(old.AppendNew() && old.FlushIfOpen());
        old.Close();
    }
    CDBChartPoint points;
    points.SetFilePath(dir / "cpt");
    ASSERT_TRUE(points.Open());
    for (int i = 0; i < 300; ++i) {
        Fill(points, "Point " + std::to_string(i));
        points.m_memo[0] = i == 0 ? "a newer note" : "";
        ASSERT_TRUE(points.AppendNew());
    }
    ASSERT_TRUE(points.FlushIfOpen());
    std::vector<std::string> before;
    for (const auto& e : fs::recursive_directory_iterator(dir / "saved"))
        before.push_back(e.path().string() + " " +
                         (e.is_directory() ? std::string() : FileBytes(e.path())));

    const pid_t child = brine_test::ForkChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit {
            32768, 32768
        };
        return ::setrlimit(RLIMIT_FSIZE, &limit) == 0 && !points.CopyTo(target) ? 0 : 1;
    });
    ASSERT_EQ(brine_test::WaitChild(child), 0) << "the copy did not fail";
    std::vector<std::string> after;
    for (const auto& e : fs::recursive_directory_iterator(dir / "saved"))
        after.push_back(e.path().string() + " " +
                        (e.is_directory() ? std::string() : FileBytes(e.path())));
    EXPECT_TRUE(after == before) << "the older save changed or the copy left files";
    CDBChartPoint old;
    old.SetFilePath(target);
    ASSERT_TRUE(old.Open());
    ASSERT_TRUE(old.GoTop());
    EXPECT_EQ(old.m_name, "Kept");
    EXPECT_EQ(old.m_memo[0], "the older save's note");
}

// An attachment table of the older layout (its text in a character field)
// is taken over when its point table opens: every attachment not marked
// deleted reaches its point and slot, and nothing of the older table stays
// beside the new one, whatever the case of its file names.
TEST_F(PointTables, OlderAttachmentsAreTakenOverOnce)
{
    {
        CDBWaypoint points;
        points.SetFilePath(dir / "w");
        ASSERT_TRUE(points.Open());
        for (const char* name : {"First", "Second"}) {
            Fill(points, name);
            ASSERT_TRUE(points.AppendNew());
        }
        ASSERT_TRUE(points.Close());
    }
    const fs::path folder = dir / "w.X";
    for (const char* ext : {"dbf", "dbt", "mdx"})
        fs::remove(folder / (std::string("ATTCHMTS.") + ext));
    {
        dbase::CDbaseEngine engine;
        auto older = engine.Create((folder / "older").string(),
                                   {{"UNIQUE", 'N', 8, 0},
                                    {"MASTER_ID", 'N', 8, 0},
                                    {"TYPE", 'C', 3, 0},
                                    {"DATA", 'C', 200, 0}},
                                   {});
        ASSERT_NE(older, nullptr);
        const struct {
            int master;
            const char* type;
            const char* data;
        } rows[] = {{1, "000", "/charts/first.png"},
                    {2, "003", "/charts/second.pdf"},
                    {2, "001", "/charts/gone.txt"},
                    {1, "002", "/charts/first-2.png"}};
        int unique = 0;
        for (const auto& r : rows) {
            older->AppendStart();
            older->Field("UNIQUE")->AssignLong(++unique, 8, true);
            older->Field("MASTER_ID")->AssignLong(r.master, 8, true);
            older->Field("TYPE")->Assign(r.type);
            older->Field("DATA")->Assign(r.data);
            ASSERT_EQ(older->Append(), 0);
        }
        ASSERT_EQ(older->Go(3), 0);
        ASSERT_EQ(older->Delete(), 0);
        ASSERT_EQ(older->Close(), 0);
    }
    // Written on another system: upper-case names.
    fs::rename(folder / "older.dbf", folder / "ATTCHMTS.DBF");

    for (int open = 0; open < 2; ++open) {
        CDBWaypoint points;
        points.SetFilePath(dir / "w");
        ASSERT_TRUE(points.Open()) << points.GetMessage();
        ASSERT_TRUE(points.GoTop());
        EXPECT_EQ(points.m_attachment[0], "/charts/first.png");
        EXPECT_EQ(points.m_attachment[2], "/charts/first-2.png");
        ASSERT_TRUE(points.SkipForward());
        EXPECT_EQ(points.m_attachment[3], "/charts/second.pdf");
        EXPECT_EQ(points.m_attachment[1], "") << "a deleted row came over";
        EXPECT_EQ(points.Attachments().GetRecordCount(), 3);
    }
    std::set<std::string> files;
    for (const auto& e : fs::directory_iterator(folder))
        files.insert(e.path().filename().string());
    EXPECT_EQ(files, (std::set<std::string>{"ATTCHMTS.dbf", "ATTCHMTS.dbt", "ATTCHMTS.mdx",
                                            "MEMOS.dbf", "MEMOS.dbt", "MEMOS.mdx"}));
}

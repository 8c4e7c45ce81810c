#include "db/DBInterface.h"

#include "engines/dbase/DbaseTable.h"

#include "ChildProcess.h"
#include "OuterTools.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <atomic>
#include <cctype>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace {

// A small table of the kind the program declares: fields after UNIQUE,
// a tag per purpose, a memo.
class CDBTestPoint : public CDBInterface {
public:
    CDBTestPoint()
    {
        m_fieldList.Add("NAME", 'C', 25, 0);
        m_fieldList.Add("LAT", 'F', 10, 5);
        m_fieldList.Add("NOTE", 'M', 10, 0);
        m_tagList.Add("T_NAME", "NAME", ".NOT. DELETED()");
    }
    bool LoadRecord() override
    {
        CDBInterface::LoadRecord();
        name = Field("NAME").Trimmed();
        lat = Field("LAT").AsDouble();
        note = Field("NOTE").Trimmed();
        return true;
    }
    bool StoreRecord() override
    {
        return CDBInterface::StoreRecord() && Field("NAME").Assign(name) == 0 &&
               Field("LAT").AssignDouble(lat, 10, 5) == 0 && Field("NOTE").Assign(note) == 0;
    }
    bool Add(const std::string& n, double l = 0, const std::string& memo = "")
    {
        name = n;
        lat = l;
        note = memo;
        return AppendNew() && FlushIfOpen();
    }
    std::string name, note;
    double lat = 0;
};

// A point table at "points" in a fresh folder, not yet opened.
class PointTable : public ::testing::Test {
protected:
    PointTable() { t.SetFilePath(path); }

    brine_test::TempFolder dir;
    const std::string path = dir / "points";
    CDBTestPoint t;
};

std::vector<std::string> Names(CDBTestPoint& t)
{
    std::vector<std::string> r;
    for (bool ok = t.GoTop(); ok; ok = t.SkipForward())
        r.push_back(t.name);
    return r;
}

}   // namespace

TEST_F(PointTable, NextIdSkipsNoGapAfterTheLastIsDeleted)
{
    ASSERT_TRUE(t.Open());
    EXPECT_EQ(t.NextUniqueId(), 1);
    for (const char* n : {"a", "b", "c"})
        ASSERT_TRUE(t.Add(n));
    EXPECT_EQ(t.GetId(), 3);
    ASSERT_TRUE(t.GoBottom());
    ASSERT_TRUE(t.DeleteRecord());
    ASSERT_TRUE(t.FlushIfOpen());
    EXPECT_EQ(t.NextUniqueId(), 3);
    EXPECT_EQ(t.GetRecordCount(), 2);
    EXPECT_EQ(t.OrdinalOfRecNo(3), 3);   // a deleted record is past the end
    ASSERT_EQ(t.Table()->RecordCount(), 3);
    EXPECT_FALSE(t.GoRecord(0));
    EXPECT_FALSE(t.GoRecord(4));
}

TEST(DBInterface, OpenCreatesRecreatesOrOnlyReads)
{
    brine_test::TempFolder dir;
    CDBTestPoint t;
    t.SetFilePath(dir / "sub/folder/points.dbf");
    EXPECT_EQ(t.GetName(), "points");
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(t.Add("kept"));
    ASSERT_TRUE(t.Close());
    ASSERT_TRUE(t.Open(true, true));   // read-only: files untouched
    EXPECT_TRUE(t.IsReadOnly());
    EXPECT_EQ(t.GetRecordCount(), 1);
    EXPECT_FALSE(t.Zap());
    EXPECT_TRUE(t.IsOpen());
    EXPECT_FALSE(t.AppendNew());
    EXPECT_TRUE(t.Open(false, true));   // already open: nothing happens
    EXPECT_EQ(t.GetRecordCount(), 1);
    ASSERT_TRUE(t.Close());
    ASSERT_TRUE(t.Open(false, true));   // recreated empty
    EXPECT_EQ(t.GetRecordCount(), 0);
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_EQ(t.GetTagName(), "T_UNIQUE");
}

TEST_F(PointTable, NavigationKeepsTheOrdinalCacheTrue)
{
    ASSERT_TRUE(t.Open());
    t.name = "unchanged";
    EXPECT_FALSE(t.GoOrdinal(1));   // empty: fails, members kept
    EXPECT_EQ(t.name, "unchanged");
    for (const char* n : {"delta", "alpha", "charlie", "bravo"})
        ASSERT_TRUE(t.Add(n));
    EXPECT_EQ(t.SelectTag("T_NAME"), "T_UNIQUE");
    EXPECT_EQ(Names(t), (std::vector<std::string>{"alpha", "bravo", "charlie", "delta"}));
    ASSERT_TRUE(t.GoOrdinal(3));
    EXPECT_EQ(t.name, "charlie");
    EXPECT_EQ(t.GetOrdinal(), 3);
    EXPECT_FALSE(t.IsFirst());
    EXPECT_FALSE(t.IsLast());
    t.PushPosition();
    ASSERT_TRUE(t.GoBottom());
    EXPECT_EQ(t.GetOrdinal(), 4);
    EXPECT_TRUE(t.IsLast());
    ASSERT_TRUE(t.PopPosition());
    EXPECT_EQ(t.name, "charlie");
    EXPECT_EQ(t.GetOrdinal(), 3);
    EXPECT_FALSE(t.PopPosition());
    // Uncached answers come from the table itself.
    ASSERT_TRUE(t.Seek("bra"));
    EXPECT_EQ(t.GetOrdinal(), 2);
    EXPECT_EQ(t.RecNoAtOrdinal(1), 2);
    EXPECT_EQ(t.GetRecNo(), 4);   // the walk came back
    ASSERT_TRUE(t.Seek("alpha"));
    EXPECT_TRUE(t.IsFirst());
    EXPECT_FALSE(t.Seek("zulu"));
    EXPECT_EQ(t.name, "alpha");
    EXPECT_EQ(t.SelectTag("NO_SUCH"), "T_NAME");
    EXPECT_EQ(t.GetTagName(), "");   // record-number order
    EXPECT_EQ(Names(t), (std::vector<std::string>{"delta", "alpha", "charlie", "bravo"}));
    EXPECT_EQ(CDBInterface::GetEngineVersionText(), "6.4");
}

// A failed move lands the engine on another record while the members keep
// the one before: the ordinal is forgotten, and neither Update nor
// DeleteRecord may write the members' values over the record landed on.
TEST_F(PointTable, AFailedMoveLeavesEveryRecordAsItWas)
{
    ASSERT_TRUE(t.Open());
    for (const char* n : {"alpha", "charlie", "echo"})
        ASSERT_TRUE(t.Add(n, 1.5));
    ASSERT_TRUE(t.SelectTag("T_NAME").size());
    struct Failure {
        const char* what;
        std::function<bool()> move;
    } failures[] = {
        {"seek between keys", [&] { return t.Seek("bravo"); }},
        {"seek past the end", [&] { return t.Seek("zulu"); }},
        {"seek next without a next", [&] { return t.Seek("alpha") && t.SeekNext("alpha"); }},
        {"skip before the first", [&] { return t.GoBottom() && t.SkipBack(5); }},
    };
    for (auto& f : failures) {
        ASSERT_TRUE(t.GoOrdinal(3)) << f.what;
        EXPECT_FALSE(f.move()) << f.what;
        const std::string kept = t.name;
        t.lat = 9;   // a change to the members, then the write a caller might try
        EXPECT_FALSE(t.Update()) << f.what;
        EXPECT_FALSE(t.DeleteRecord()) << f.what;
        EXPECT_TRUE(t.FlushIfOpen()) << f.what;
        EXPECT_EQ(t.name, kept) << f.what;
        EXPECT_EQ(t.GetOrdinal(), t.OrdinalOfRecNo(t.GetRecNo())) << f.what;
        std::vector<std::string> rows;
        for (bool ok = t.GoTop(); ok; ok = t.SkipForward())
            rows.push_back(std::to_string(t.GetId()) + t.name + std::to_string(t.lat));
        EXPECT_EQ(rows,
                  (std::vector<std::string>{"1alpha1.500000", "2charlie1.500000", "3echo1.500000"}))
            << f.what;
    }
    // A move that succeeds makes the members the record's own again.
    ASSERT_TRUE(t.Seek("echo"));
    t.lat = 2;
    EXPECT_TRUE(t.Update());
    ASSERT_TRUE(t.FlushIfOpen());
    ASSERT_TRUE(t.GoBottom());
    EXPECT_EQ(t.lat, 2);
}

TEST(DBInterface, FieldTextKeepsFullWidthAndNumbersNeverOverflow)
{
    brine_test::TempFolder dir;
    class CDBWide : public CDBInterface {
    public:
        CDBWide()
        {
            m_fieldList.Add("ATTACH1", 'C', 260, 0);
            m_fieldList.Add("ATTACH2", 'C', 260, 0);
            m_fieldList.Add("COG", 'F', 6, 2);
            m_fieldList.Add("ZONE", 'N', 3, 0);
        }
        using CDBInterface::Field;
    } t;
    t.SetFilePath(dir / "wide");
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(t.AppendNew());
    const std::string a(260, 'a'), b = std::string(255, 'b') + "12345";
    struct Row {
        const char* field;
        double value;
        int width, decimals;
        const char* stored;
    } rows[] = {
        {"COG", 359.99, 6, 2, "359.99"},
        {"COG", 1000.5, 6, 2, "******"},
        {"COG", kUnsetDouble, 6, 2, "-99.99"},
        {"COG", -0.004, 6, 2, "  0.00"},
        {"ZONE", -12, 3, 0, "-12"},
        {"ZONE", 1234, 3, 0, "***"},
        {"ZONE", kUnsetDouble, 3, 0, "***"},
    };
    for (const Row& r : rows) {
        ASSERT_EQ(t.Field(r.field).AssignDouble(r.value, r.width, r.decimals), 0);
        EXPECT_EQ(t.Field(r.field).Str(), r.stored) << r.field << " " << r.value;
    }
    ASSERT_EQ(t.Field("ATTACH1").Assign(a), 0);
    ASSERT_EQ(t.Field("ATTACH2").Assign(b + "overflow"), 0);
    const std::string first = t.Field("ATTACH1").Str();
    const std::string second = t.Field("ATTACH2").Str();
    EXPECT_EQ(first, a);   // an earlier read is not overwritten by a later one
    EXPECT_EQ(second, b);
    ASSERT_EQ(t.Field("ZONE").AssignLong(7, 3, true), 0);
    EXPECT_EQ(t.Field("ZONE").Str(), "007");
    // Missing fields and texts raise the engine's codes; the check resets them.
    EXPECT_EQ(t.Field("NOPE").Assign("x"), dbase::kErrMissing);
    EXPECT_TRUE(CDBInterface::ClearEngineError());
    EXPECT_EQ(t.Field("ZONE").Assign(static_cast<const char*>(nullptr)), dbase::kErrNoText);
    EXPECT_TRUE(CDBInterface::ClearEngineError());
    EXPECT_FALSE(CDBInterface::ClearEngineError());
}

TEST_F(PointTable, RebuildCopiesByNameAndNeverTrustsALeftoverTemporary)
{
    // An older layout: fields in another order, one field the class lacks,
    // a memo, and one deleted record.
    {
        dbase::CDbaseEngine& e = CDBInterface::SharedEngine();
        auto old = e.Create(path,
                            {{"UNIQUE", 'N', 8, 0},
                             {"NOTE", 'M', 10, 0},
                             {"EXTRA", 'C', 5, 0},
                             {"NAME", 'C', 30, 0},
                             {"LAT", 'N', 14, 7}},
                            {});
        ASSERT_NE(old, nullptr);
        for (int i = 1; i <= 3; ++i) {
            old->AppendStart();
            old->Field("UNIQUE")->AssignLong(i, 8, true);
            old->Field("NOTE")->Assign("note " + std::to_string(i));
            old->Field("EXTRA")->Assign("xx");
            old->Field("NAME")->Assign("name " + std::to_string(i));
            old->Field("LAT")->AssignDouble(-i * 10.5 -
                                            0.0000049);   // wider than F(10,5): rounded, not cut
            ASSERT_EQ(old->Append(), 0);
        }
        ASSERT_EQ(old->Go(2), 0);
        ASSERT_EQ(old->Delete(), 0);
        ASSERT_EQ(old->Close(), 0);
    }
    std::ofstream(dir / "~Tmp.dbf") << "an earlier rebuild's only copy";
    EXPECT_FALSE(t.Rebuild());
    EXPECT_TRUE(fs::exists(dir / "points.dbf"));
    fs::remove(dir / "~Tmp.dbf");
    ASSERT_TRUE(t.Rebuild());
    for (const char* ext : {"dbf", "dbt", "mdx"})
        EXPECT_FALSE(fs::exists(dir / (std::string("~Tmp.") + ext))) << ext;
    EXPECT_EQ(t.GetFilePath(), path);
    ASSERT_TRUE(t.Open());
    ASSERT_EQ(t.Table()->FieldCount(), 4);
    EXPECT_EQ(t.GetRecordCount(), 2);
    ASSERT_TRUE(t.GoTop());
    EXPECT_EQ(t.GetId(), 1);
    EXPECT_EQ(t.name, "name 1");
    EXPECT_DOUBLE_EQ(t.lat, -10.5);
    EXPECT_EQ(t.Table()->Field("UNIQUE")->Text(), "00000001");
    EXPECT_EQ(t.note, "note 1");
    t.SelectTag("T_NAME");
    ASSERT_TRUE(t.Seek("name 3"));
    EXPECT_EQ(t.note, "note 3");
}

TEST_F(PointTable, CopyMoveZapAndDeleteFiles)
{
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(t.Add("one", 1.5, "memo one"));
    ASSERT_TRUE(t.Add("two", 2.5));
    EXPECT_TRUE(t.CopyTo(dir / "POINTS.DBF"));   // its own path, any case: nothing to do
    EXPECT_FALSE(fs::exists(dir / "POINTS.dbf"));
    ASSERT_TRUE(t.MoveTo(dir / "moved/pts"));
    EXPECT_FALSE(fs::exists(dir / "points.dbf"));
    // An old file that cannot be removed (a folder in its place) is reported,
    // not passed over; the table still continues at its copy.
    fs::remove(dir / "moved/pts.mdx");
    fs::create_directories(dir / "moved/pts.mdx/keep");
    EXPECT_FALSE(t.MoveTo(dir / "again/pts"));
    EXPECT_FALSE(fs::exists(dir / "moved/pts.dbf"));
    CDBTestPoint old;
    old.SetFilePath(dir / "moved/pts");
    EXPECT_FALSE(old.DeleteFiles());
    EXPECT_EQ(t.GetFilePath(), dir / "again/pts");
    ASSERT_TRUE(t.IsOpen());
    ASSERT_TRUE(t.GoTop());
    EXPECT_EQ(t.note, "memo one");
    ASSERT_TRUE(t.Zap());
    EXPECT_EQ(t.GetRecordCount(), 0);
}

// Walked in record-number order (no tag selected, or a tag the table does
// not have), a table meets its records marked deleted: a copy leaves them
// behind instead of writing them as live ones, and a rebuild writes the live
// records in the order of their ids, whatever order the file had them in.
TEST_F(PointTable, CopyAndRebuildWriteOnlyLiveRecordsInTheirOrder)
{
    {
        dbase::CDbaseEngine& e = CDBInterface::SharedEngine();
        auto old = e.Create(path,
                            {{"UNIQUE", 'N', 8, 0},
                             {"NAME", 'C', 25, 0},
                             {"LAT", 'F', 10, 5},
                             {"NOTE", 'M', 10, 0}},
                            {});
        ASSERT_NE(old, nullptr);
        for (const int id : {4, 2, 5, 1, 3}) {
            old->AppendStart();
            old->Field("UNIQUE")->AssignLong(id, 8, true);
            old->Field("NAME")->Assign("id " + std::to_string(id));
            old->Field("NOTE")->Assign("memo " + std::to_string(id));
            ASSERT_EQ(old->Append(), 0);
        }
        ASSERT_EQ(old->Close(), 0);
    }
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(t.GoRecord(3));
    ASSERT_EQ(t.GetId(), 5);
    ASSERT_TRUE(t.DeleteRecord());
    ASSERT_TRUE(t.FlushIfOpen());
    const auto inRecordOrder = [](CDBTestPoint& table) {
        std::vector<std::string> rows;
        table.SelectTag("T_NONE");
        for (int rc = table.Table()->Top(); rc == 0; rc = table.Table()->Skip(1))
            rows.push_back(std::string(table.Table()->Field("NAME")->Bytes().substr(0, 4)) +
                           (table.Table()->Deleted() ? " deleted" : ""));
        return rows;
    };
    EXPECT_EQ(inRecordOrder(t),
              (std::vector<std::string>{"id 4", "id 2", "id 5 deleted", "id 1", "id 3"}));

    // The copy, made in record-number order, holds the four live records.
    ASSERT_TRUE(t.CopyTo(dir / "copy"));
    CDBTestPoint copy;
    copy.SetFilePath(dir / "copy");
    ASSERT_TRUE(copy.Open(true));
    EXPECT_EQ(inRecordOrder(copy), (std::vector<std::string>{"id 4", "id 2", "id 1", "id 3"}));
    EXPECT_EQ(copy.GetRecordCount(), 4);
    copy.Close();

    // The rebuild: live records in id order, each with its memo.
    ASSERT_TRUE(t.Close());
    ASSERT_TRUE(t.Rebuild());
    ASSERT_TRUE(t.Open());
    EXPECT_EQ(inRecordOrder(t), (std::vector<std::string>{"id 1", "id 2", "id 3", "id 4"}));
    ASSERT_TRUE(t.GoRecord(3));
    EXPECT_EQ(t.note, "memo 3");
    EXPECT_EQ(t.GetId(), 3);
    t.Close();
    // A dBASE reader of its own finds each memo with its record, and no
    // record marked deleted, in the rebuilt table and in the copy.
    for (const char* table : {"points", "copy"})
        EXPECT_EQ(brine_test::Python(dir.Path(), R"(
import sys, dbfread
t = dbfread.DBF(sys.argv[1], ignore_missing_memofile=False)
print(' '.join('%d:%s' % (r['UNIQUE'], r['NOTE']) for r in t), len(t.deleted))
)",
                                     (dir / (std::string(table) + ".dbf")).string()),
                  std::string(table) == std::string("points")
                      ? "1:memo 1 2:memo 2 3:memo 3 4:memo 4 0\n"
                      : "4:memo 4 2:memo 2 1:memo 1 3:memo 3 0\n")
            << table;
}

// A table whose files have upper-case extensions (written where names are
// upper case) is that table: it opens with its records rather than beside a
// new empty one, rebuilds, and Zap and DeleteFiles take its files away.
TEST_F(PointTable, FilesWithUpperCaseExtensionsAreTheTablesOwn)
{
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(t.Add("one", 1.5, "memo one"));
    ASSERT_TRUE(t.Add("two", 2.5));
    ASSERT_TRUE(t.Close());
    const auto toUpperCase = [&] {
        for (const std::string ext : {"dbf", "dbt", "mdx"}) {
            std::string upper = ext;
            for (char& c : upper)
                c = char(std::toupper(static_cast<unsigned char>(c)));
            fs::rename(dir / ("points." + ext), dir / ("points." + upper));
        }
    };
    toUpperCase();
    const auto files = [&] {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.Path()))
            names.insert(e.path().filename().string());
        return names;
    };
    ASSERT_TRUE(t.Open());
    EXPECT_EQ(t.GetRecordCount(), 2);
    ASSERT_TRUE(t.GoTop());
    EXPECT_EQ(t.note, "memo one");
    EXPECT_EQ(files(), (std::set<std::string>{"points.DBF", "points.DBT", "points.MDX"}));
    ASSERT_TRUE(t.Close());

    ASSERT_TRUE(t.Rebuild());
    ASSERT_TRUE(t.Open());
    EXPECT_EQ(t.GetRecordCount(), 2);
    EXPECT_EQ(files(), (std::set<std::string>{"points.dbf", "points.dbt", "points.mdx"}));
    ASSERT_TRUE(t.Close());

    toUpperCase();
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(t.Zap());
    EXPECT_EQ(t.GetRecordCount(), 0);
    EXPECT_EQ(files(), (std::set<std::string>{"points.dbf", "points.dbt", "points.mdx"}));
    ASSERT_TRUE(t.Close());
    ASSERT_TRUE(t.DeleteFiles());
    EXPECT_TRUE(files().empty());
}

// A copy onto a table of the same name that fails part way (here the file
// size limit, as a full disk would) says so, and leaves that table as it
// was with nothing of the copy beside it.
TEST_F(PointTable, AFailedCopyLeavesTheTargetAsItWas)
{
    ASSERT_TRUE(t.Open());
    for (int i = 0; i < 400; ++i)
        ASSERT_TRUE(t.Add("point " + std::to_string(i), i, std::string(200, 'm')));
    ASSERT_TRUE(t.Close());
    const std::string target = dir / "saved/points";
    {
        CDBTestPoint old;
        old.SetFilePath(target);
        ASSERT_TRUE(old.Open());
        ASSERT_TRUE(old.Add("kept", 1.0, "the older save"));
        ASSERT_TRUE(old.Close());
    }
    std::set<std::string> before;
    for (const auto& e : fs::directory_iterator(dir / "saved"))
        before.insert(e.path().filename().string());

    const pid_t child = brine_test::ForkChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit {
            16384, 16384
        };
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0 || !t.Open())
            return 2;
        return t.CopyTo(target) ? 1 : 0;
    });
    ASSERT_EQ(brine_test::WaitChild(child), 0) << "the copy did not fail as it should";

    std::set<std::string> after;
    for (const auto& e : fs::directory_iterator(dir / "saved"))
        after.insert(e.path().filename().string());
    EXPECT_EQ(after, before) << "files of the failed copy are left";
    CDBTestPoint old;
    old.SetFilePath(target);
    ASSERT_TRUE(old.Open());
    EXPECT_EQ(Names(old), std::vector<std::string>{"kept"});
    ASSERT_TRUE(old.GoTop());
    EXPECT_EQ(old.note, "the older save");
    ASSERT_TRUE(old.Close());

    // Copies killed part way leave their own files only; the next copy into
    // the folder takes them away, and the table it makes is whole.
    const auto copies = [&] {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir / "saved"))
            n += e.path().filename().string().starts_with("~c") ? 1 : 0;
        return n;
    };
    std::mt19937 random(7);
    for (int round = 0; round < 100 && copies() == 0; ++round) {
        // The kill's moment counts from the first copy's start, however slow a
        // loaded machine is to start the child.
        brine_test::Turn copying;
        const pid_t copier = brine_test::ForkChild([&] {
            const bool opened = t.Open();
            copying.Post();
            if (!opened)
                return 2;
            for (;;)
                t.CopyTo(target);
        });
        copying.Wait();
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        ::kill(copier, SIGKILL);
        EXPECT_EQ(brine_test::WaitChild(copier), -SIGKILL);
    }
    ASSERT_GT(copies(), 0) << "no kill fell inside a copy";
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(t.CopyTo(target));
    EXPECT_EQ(copies(), 0);
    ASSERT_TRUE(old.Open());
    EXPECT_EQ(old.GetRecordCount(), 400);
}

TEST_F(PointTable, PackKeepsLiveRecordsAndMemos)
{
    ASSERT_TRUE(t.Open());
    for (int i = 1; i <= 5; ++i)
        ASSERT_TRUE(t.Add("p" + std::to_string(i), i, std::string(size_t(i) * 300, char('0' + i))));
    ASSERT_TRUE(t.GoRecord(2));
    ASSERT_TRUE(t.DeleteRecord());
    ASSERT_TRUE(t.GoRecord(4));
    ASSERT_TRUE(t.DeleteRecord());
    ASSERT_TRUE(t.FlushIfOpen());
    ASSERT_TRUE(t.Pack());
    EXPECT_EQ(t.Table()->RecordCount(), 3);
    std::vector<std::pair<std::string, size_t>> got;
    for (bool ok = t.GoTop(); ok; ok = t.SkipForward())
        got.emplace_back(t.name, t.note.size());
    EXPECT_EQ(
        got, (std::vector<std::pair<std::string, size_t>>{{"p1", 300}, {"p3", 900}, {"p5", 1500}}));
    ASSERT_TRUE(t.DeleteAll());
    EXPECT_EQ(t.GetRecordCount(), 0);
    EXPECT_FALSE(t.GoTop());
}

TEST_F(PointTable, TwoStationsAppendingNeverShareAnId)
{
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(t.Close());
    auto station = [&](const char* who) {
        CDBTestPoint s;
        s.SetFilePath(path);
        if (!s.Open())
            return 1;
        for (int i = 0; i < 150; ++i)
            if (!s.Add(std::string(who) + std::to_string(i)))
                return 2;
        return s.Close() ? 0 : 3;
    };
    const pid_t a = brine_test::ForkChild([&] { return station("a"); });
    const pid_t b = brine_test::ForkChild([&] { return station("b"); });
    ASSERT_EQ(brine_test::WaitChild(a), 0);
    ASSERT_EQ(brine_test::WaitChild(b), 0);
    ASSERT_TRUE(t.Open());
    std::set<long> ids;
    for (bool ok = t.GoTop(); ok; ok = t.SkipForward())
        ids.insert(t.GetId());
    EXPECT_EQ(ids.size(), 300u);
    EXPECT_EQ(*ids.rbegin(), 300);
    EXPECT_EQ(t.GetRecordCount(), 300);
}

TEST_F(PointTable, LockIsSeenByAnotherObjectUntilReleased)
{
    CDBTestPoint& a = t;
    CDBTestPoint b;
    b.SetFilePath(path);
    ASSERT_TRUE(a.Open());
    ASSERT_TRUE(b.Open());
    EXPECT_FALSE(b.IsLockedElsewhere());
    ASSERT_TRUE(a.Lock());
    EXPECT_TRUE(a.IsLockHeld());
    EXPECT_FALSE(a.IsLockedElsewhere());
    EXPECT_TRUE(b.IsLockedElsewhere());
    EXPECT_FALSE(b.Lock());
    // Several changes under one lock, then one write and release.
    ASSERT_TRUE(a.Add("x"));
    ASSERT_TRUE(a.Add("y"));
    ASSERT_TRUE(a.FlushAndUnlock());
    EXPECT_FALSE(b.IsLockedElsewhere());
    EXPECT_EQ(b.GetRecordCount(), 2);
}

// Tables on an engine of their own keep their errors and files there; objects
// made and dropped on many threads at once share the default engine safely.
TEST(DBInterface, AnEngineOfItsOwnAndTheDefaultFromManyThreads)
{
    brine_test::TempFolder dir;
    auto own = std::make_shared<dbase::CDbaseEngine>();
    {
        class CDBOwn : public CDBInterface {
        public:
            explicit CDBOwn(std::shared_ptr<dbase::CDbaseEngine> e) : CDBInterface(std::move(e)) { }
        } t(own);
        EXPECT_EQ(&t.Engine(), own.get());
        t.SetFilePath(dir / "own");
        ASSERT_TRUE(t.Open());
        ASSERT_TRUE(t.AppendNew());
        EXPECT_NE(t.Table(), nullptr);
        EXPECT_EQ(&t.Table()->Engine(), own.get());
        EXPECT_FALSE(t.GoRecord(7));
        EXPECT_EQ(own->ErrorCode(), 0);   // the failed move was checked on its own engine
    }
    EXPECT_EQ(own.use_count(), 1);   // the table let go of it
    std::vector<std::thread> threads;
    std::atomic<int> opened{0};
    for (int k = 0; k < 4; ++k)
        threads.emplace_back([&, k] {
            auto mine = std::make_shared<dbase::CDbaseEngine>();
            for (int i = 0; i < 50; ++i) {
                CDBTestPoint onDefault;   // made and dropped on the default engine
                class CDBMine : public CDBInterface {
                public:
                    explicit CDBMine(std::shared_ptr<dbase::CDbaseEngine> e)
                        : CDBInterface(std::move(e))
                    { }
                } t(mine);
                t.SetFilePath(dir / ("thread" + std::to_string(k)));
                opened += t.Open() && t.AppendNew() && t.Close();
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(opened, 200);
}

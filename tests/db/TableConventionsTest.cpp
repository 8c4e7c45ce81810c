// The table layer's conventions and refusals as other dBASE readers see the
// files: every table of the program starts with UNIQUE N(8,0) written with
// leading zeros and the tag T_UNIQUE, and none of its tags holds a record
// marked deleted; read-only tables refuse to touch their files; a held table
// lock stays held through appends, packs and flushes.

#include "db/DBARCSCat.h"
#include "db/DBAttachments.h"
#include "db/DBChartPoint.h"
#include "db/DBInterface.h"
#include "db/DBLog.h"
#include "db/DBMemo.h"
#include "db/DBPlan.h"
#include "db/DBReportTable.h"
#include "db/DBRoute.h"
#include "db/DBRoutePoints.h"
#include "db/DBVesselLog.h"

#include "engines/dbase/DbaseTable.h"

#include "../engines/dbase/XBaseWalk.h"
#include "ChildProcess.h"
#include "OuterTools.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class CDBNamed : public CDBInterface {
public:
    CDBNamed()
    {
        m_fieldList.Add("NAME", 'C', 20, 0);
        m_fieldList.Add("NOTE", 'M', 10, 0);
        m_tagList.Add("T_NAME", "NAME", ".NOT. DELETED()");
    }
    bool LoadRecord() override
    {
        CDBInterface::LoadRecord();
        name = Field("NAME").Trimmed();
        return true;
    }
    bool StoreRecord() override
    {
        return CDBInterface::StoreRecord() && Field("NAME").Assign(name) == 0 &&
               Field("NOTE").Assign(note) == 0;
    }
    bool Add(const std::string& n, const std::string& memo = "")
    {
        name = n;
        note = memo;
        return AppendNew() && FlushIfOpen();
    }
    using CDBInterface::Field;
    std::string name, note;
};

// The fields of a data file as dbfread reads its header, "NAME T width.decimals"
// each, and the UNIQUE of each record as the file holds the bytes, live and deleted.
std::string OutsideFields(const fs::path& folder, const fs::path& dbf)
{
    return brine_test::Python(folder, R"(
import sys, dbfread
from dbfread import FieldParser
class Raw(FieldParser):
    def parseN(self, field, data):
        return data.decode('ascii')
t = dbfread.DBF(sys.argv[1], parserclass=Raw, ignore_missing_memofile=True, load=True)
print(' '.join('%s %s %d.%d' % (f.name, f.type, f.length, f.decimal_count) for f in t.fields))
print('live', ' '.join(r['UNIQUE'] for r in t.records))
print('deleted', ' '.join(r['UNIQUE'] for r in t.deleted))
)",
                              dbf.string());
}

// The tags of an .mdx as Perl's XBase::Index finds them: the first (its
// default) and how many keys each tag holds.
std::string OutsideTags(const fs::path& folder, const fs::path& mdx)
{
    return brine_test::Perl(folder, R"(
use XBase::Index;
my $file = shift;
my $first = XBase::Index->new($file) or die XBase::Index->errstr;
print "first ", $first->{'active'}{'tag_name'}, "\n";
for my $tag ($first->tags) {
    my $index = XBase::Index->new($file, 'tag' => $tag) or die XBase::Index->errstr;
    $index->prepare_select;
    my $n = 0;
    $n++ while $index->fetch;
    print "$tag $n\n";
}
)",
                            mdx.string());
}

}   // namespace

// Every table class of the program, made new, given three records of which the
// last is marked deleted: dbfread finds UNIQUE first as N 8.0 with ids written
// "00000001", and XBase finds T_UNIQUE first and two keys in every tag.
TEST(TableConventions, EveryTableOfTheProgramAsOtherReadersSeeIt)
{
    brine_test::TempFolder dir;
    struct Kind {
        const char* name;
        std::function<std::unique_ptr<CDBInterface>()> make;
    } kinds[] = {
        {"chartpoints", [] { return std::make_unique<db::CDBChartPoint>(); }},
        {"routes", [] { return std::make_unique<db::CDBRoute>(); }},
        {"routepts", [] { return std::make_unique<db::CDBRoutePoints>(); }},
        {"vessellog", [] { return std::make_unique<db::CDBVesselLog>(); }},
        {"log", [] { return std::make_unique<db::CDBLog>(); }},
        {"plan", [] { return std::make_unique<db::CDBPlan>(); }},
        {"catalogue", [] { return std::make_unique<db::CDBARCSCat>(); }},
        {"attach", [] { return std::make_unique<db::CDBAttachments>(); }},
        {"memo", [] { return std::make_unique<db::CDBMemo>(); }},
        {"report",
         [] { return std::make_unique<db::CDBReportTable>(db::ReportChartpointFields()); }},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        const fs::path folder = dir / k.name;
        auto t = k.make();
        t->SetFilePath(folder / k.name);
        ASSERT_TRUE(t->Open());
        ASSERT_GE(t->Table()->TagCount(), 1);
        EXPECT_EQ(t->Table()->TagAt(0)->Name(), "T_UNIQUE");
        t->SelectUniqueTag();
        ASSERT_GE(t->Fields().Count(), 1u);
        const dbase::FieldSpec& id = t->Fields().Entries().front();
        EXPECT_EQ(id.name + id.type + std::to_string(id.width) + "." + std::to_string(id.decimals),
                  "UNIQUEN8.0");
        ASSERT_GE(t->Tags().Count(), 1u);
        EXPECT_EQ(t->Tags().Entries().front().name, "T_UNIQUE");
        EXPECT_EQ(t->Tags().Entries().front().expression, "UNIQUE");
        for (const dbase::TagDefinition& tag : t->Tags().Entries()) {
            EXPECT_EQ(tag.filter, ".NOT. DELETED()") << tag.name;
            EXPECT_TRUE(tag.name.starts_with("T_")) << tag.name;
            EXPECT_FALSE(tag.unique || tag.descending) << tag.name;
        }
        for (int i = 0; i < 3; ++i) {
            t->ClearRecord();
            ASSERT_TRUE(t->AppendNew()) << i;
            ASSERT_TRUE(t->FlushIfOpen()) << i;
            EXPECT_EQ(t->GetId(), i + 1);
        }
        // The layer's own delete: a class's override also deletes what the
        // record links to, of which these blank records have none.
        ASSERT_TRUE(t->GoBottom());
        ASSERT_TRUE(t->CDBInterface::DeleteRecord());
        ASSERT_TRUE(t->FlushIfOpen());
        EXPECT_EQ(t->NextUniqueId(), 3);
        const auto fields = t->Fields().Entries();
        const auto tags = t->Tags().Entries();
        ASSERT_TRUE(t->Close());
        t.reset();

        std::string header;
        for (const dbase::FieldSpec& f : fields)
            header += (header.empty() ? "" : " ") + f.name + " " + f.type + " " +
                      std::to_string(f.width) + "." + std::to_string(f.decimals);
        EXPECT_EQ(OutsideFields(folder, folder / (std::string(k.name) + ".dbf")),
                  header + "\nlive 00000001 00000002\ndeleted 00000003\n");
        std::string keys;
        for (const dbase::TagDefinition& tag : tags)
            keys += tag.name + " 2\n";
        const std::string outside = OutsideTags(folder, folder / (std::string(k.name) + ".mdx"));
        EXPECT_TRUE(outside.starts_with("first T_UNIQUE\n")) << outside;
        // XBase lists the tags by name; compare as sets of lines.
        std::vector<std::string> want, got;
        for (std::istringstream in(keys); std::getline(in, header);)
            want.push_back(header);
        std::istringstream in(outside);
        std::getline(in, header);
        while (std::getline(in, header))
            got.push_back(header);
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
    }
}

// A table opened read-only keeps its files byte for byte whatever is asked of
// it, and stays open; a fresh object is closed, read-write, with no lock.
TEST(TableConventions, AReadOnlyTableRefusesToTouchItsFiles)
{
    brine_test::TempFolder dir;
    {
        CDBNamed t;
        EXPECT_FALSE(t.IsOpen());
        EXPECT_FALSE(t.IsReadOnly());
        EXPECT_FALSE(t.IsLockHeld());
        EXPECT_TRUE(t.IsEmpty());
        EXPECT_EQ(t.GetTagName(), "");
        EXPECT_EQ(t.GetRecordCount(), 0);
        t.SetFilePath(dir / "tables/named.dbf");
        EXPECT_EQ(t.GetName(), "named");
        EXPECT_EQ(t.GetFolder(), (dir / "tables").string());
        EXPECT_EQ(t.GetFilePath(), (dir / "tables/named").string());
        ASSERT_TRUE(t.Open());
        ASSERT_TRUE(t.Add("one", "memo"));
        ASSERT_TRUE(t.Add("two"));
    }
    const auto before = brine_test::Snapshot(dir.Path());
    CDBNamed t;
    t.SetFilePath(dir / "tables/named");
    ASSERT_TRUE(t.Open(true));
    EXPECT_FALSE(t.Rebuild());
    EXPECT_FALSE(t.DeleteFiles());
    EXPECT_FALSE(t.MoveTo(dir / "elsewhere/named"));
    EXPECT_FALSE(t.Zap());
    EXPECT_TRUE(t.IsOpen());
    ASSERT_TRUE(t.GoTop());
    EXPECT_EQ(t.name, "one");
    EXPECT_FALSE(t.AppendNew());
    EXPECT_FALSE(fs::exists(dir / "elsewhere"));
    ASSERT_TRUE(t.Close());
    EXPECT_FALSE(t.Rebuild());   // the flag stays with the object until the next Open
    EXPECT_EQ(brine_test::Snapshot(dir.Path()), before);
    // A copy may still be made from it.
    ASSERT_TRUE(t.Open(true));
    ASSERT_TRUE(t.CopyTo(dir / "copy/named"));
    CDBNamed copy;
    copy.SetFilePath(dir / "copy/named");
    ASSERT_TRUE(copy.Open());
    EXPECT_EQ(copy.GetRecordCount(), 2);
}

// A copy to a folder that cannot be made (a file stands where it would be)
// fails and leaves nothing behind; a copy to the table's own path in other
// letters writes nothing.
TEST(TableConventions, CopyToAFolderThatCannotBeMadeFails)
{
    brine_test::TempFolder dir;
    CDBNamed t;
    t.SetFilePath(dir / "named");
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(t.Add("one"));
    std::ofstream(dir / "blocked") << "a file, not a folder";
    const auto before = brine_test::Snapshot(dir.Path());
    EXPECT_FALSE(t.CopyTo(dir / "blocked/sub/named"));
    EXPECT_FALSE(t.MoveTo(dir / "blocked/named"));
    EXPECT_TRUE(t.CopyTo((dir / "NAMED.DBF").string()));
    EXPECT_EQ(brine_test::Snapshot(dir.Path()), before);
    EXPECT_TRUE(t.IsOpen());
    EXPECT_EQ(t.GetFilePath(), (dir / "named").string());
    // Nor is a table opened (created) where its folder cannot be, nor a
    // missing one rebuilt.
    CDBNamed blocked;
    blocked.SetFilePath(dir / "blocked/named");
    EXPECT_FALSE(blocked.Open());
    EXPECT_FALSE(blocked.IsOpen());
    EXPECT_FALSE(blocked.Rebuild());
    EXPECT_EQ(blocked.Engine().ErrorCode(), 0);
    EXPECT_EQ(brine_test::Snapshot(dir.Path()), before);
}

// DeleteAll marks every record, whichever tag walks the table; an outside
// reader finds them all marked, and Pack then leaves an empty file that a
// second Pack leaves alone.
TEST(TableConventions, DeleteAllMarksEveryRecordThroughAnyTag)
{
    brine_test::TempFolder dir;
    CDBNamed t;
    t.SetFilePath(dir / "named");
    ASSERT_TRUE(t.Open());
    for (int i = 0; i < 60; ++i)
        ASSERT_TRUE(t.Add("n" + std::to_string((i * 37) % 60), std::string(600, 'm')));
    EXPECT_EQ(t.SelectTag("T_NAME"), "T_UNIQUE");
    ASSERT_TRUE(t.GoOrdinal(10));
    ASSERT_TRUE(t.DeleteAll());
    EXPECT_EQ(t.GetRecordCount(), 0);
    EXPECT_FALSE(t.GoTop());
    EXPECT_EQ(t.NextUniqueId(), 1);
    EXPECT_EQ(t.Table()->RecordCount(), 60);
    ASSERT_TRUE(t.FlushIfOpen());
    EXPECT_EQ(brine_test::Python(dir.Path(), R"(
import sys, dbfread
t = dbfread.DBF(sys.argv[1], load=True)
print(len(t.records), len(t.deleted))
)",
                                 (dir / "named.dbf").string()),
              "0 60\n");
    ASSERT_TRUE(t.Pack());
    EXPECT_EQ(t.Table()->RecordCount(), 0);
    EXPECT_LT(fs::file_size(dir / "named.dbt"), 2048u);   // the memos went with their records
    ASSERT_TRUE(t.Pack());
    EXPECT_EQ(t.GetTagName(), "T_NAME");
    ASSERT_TRUE(t.Add("again"));
    EXPECT_EQ(t.GetId(), 1);
}

// Under a held table lock, appends, deletes, a pack and flushes keep the
// table locked against every other user (another object here, another
// process too) until FlushAndUnlock; Close lets it go as well.
TEST(TableConventions, AHeldLockOutlastsAppendPackAndFlush)
{
    brine_test::TempFolder dir;
    CDBNamed a, b;
    a.SetFilePath(dir / "named");
    b.SetFilePath(dir / "named");
    ASSERT_TRUE(a.Open());
    ASSERT_TRUE(b.Open());
    a.Engine().lockWaitMs = 200;   // refusals come sooner; the engine goes with the objects
    const auto elsewhere = [&] {
        const pid_t child = brine_test::ForkChild([&] {
            CDBNamed c;
            c.SetFilePath(dir / "named");
            if (!c.Open())
                return 2;
            return c.IsLockedElsewhere() ? 1 : 0;
        });
        return brine_test::WaitChild(child);
    };
    EXPECT_EQ(elsewhere(), 0);
    ASSERT_TRUE(a.Lock());
    EXPECT_EQ(elsewhere(), 1);
    ASSERT_TRUE(a.Add("one"));
    ASSERT_TRUE(a.Add("two"));
    EXPECT_TRUE(b.IsLockedElsewhere());
    ASSERT_TRUE(a.GoTop());
    ASSERT_TRUE(a.DeleteRecord());
    // A pack needs the table alone: the other object steps out for it.
    ASSERT_TRUE(b.Close());
    ASSERT_TRUE(a.Pack());
    ASSERT_TRUE(a.FlushIfOpen());
    ASSERT_TRUE(b.Open());
    EXPECT_TRUE(a.IsLockHeld());
    EXPECT_TRUE(b.IsLockedElsewhere());
    EXPECT_EQ(elsewhere(), 1);
    b.name = "refused";
    EXPECT_FALSE(b.AppendNew());
    // A change to a record of a table another user holds locked is refused
    // at the first field written (-50); the check has reset the code.
    ASSERT_TRUE(b.GoTop());
    b.name = "refused";
    EXPECT_EQ(b.Field("NAME").Assign("refused"), dbase::kErrLockRefused);
    EXPECT_TRUE(CDBInterface::ClearEngineError());
    EXPECT_FALSE(b.Update());
    EXPECT_EQ(b.Engine().ErrorCode(), 0);
    ASSERT_TRUE(a.FlushAndUnlock());
    EXPECT_FALSE(a.IsLockHeld());
    EXPECT_FALSE(b.IsLockedElsewhere());
    EXPECT_EQ(elsewhere(), 0);
    EXPECT_EQ(b.GetRecordCount(), 1);
    // The test of another object's lock leaves no lock behind.
    ASSERT_TRUE(a.Lock());
    EXPECT_TRUE(b.IsLockedElsewhere());
    ASSERT_TRUE(a.Close());
    EXPECT_FALSE(a.IsLockHeld());
    EXPECT_FALSE(b.IsLockedElsewhere());
    EXPECT_TRUE(b.Add("after"));
}

// Without a cached ordinal IsFirst and IsLast ask the table, and leave the
// engine on the record they were asked about; NextUniqueId, GetRecordCount,
// OrdinalOfRecNo and RecNoAtOrdinal come back to it too.
TEST(TableConventions, UncachedAnswersComeBackToTheRecord)
{
    brine_test::TempFolder dir;
    CDBNamed t;
    t.SetFilePath(dir / "named");
    ASSERT_TRUE(t.Open());
    for (const char* n : {"c", "a", "d", "b"})
        ASSERT_TRUE(t.Add(n));
    t.SelectTag("T_NAME");
    struct Case {
        const char* seek;
        bool first, last;
        long ordinal;
    } cases[] = {{"a", true, false, 1}, {"b", false, false, 2}, {"d", false, true, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seek);
        ASSERT_TRUE(t.Seek(c.seek));
        const long recNo = t.GetRecNo();
        EXPECT_EQ(t.IsFirst(), c.first);
        EXPECT_EQ(t.GetRecNo(), recNo);
        EXPECT_EQ(t.IsLast(), c.last);
        EXPECT_EQ(t.GetRecNo(), recNo);
        EXPECT_EQ(t.NextUniqueId(), 5);
        EXPECT_EQ(t.GetTagName(), "T_NAME");
        EXPECT_EQ(t.GetRecNo(), recNo);
        EXPECT_EQ(t.RecNoAtOrdinal(3), 1);
        EXPECT_EQ(t.OrdinalOfRecNo(2), 1);
        EXPECT_EQ(t.GetRecNo(), recNo);
        EXPECT_EQ(t.GetOrdinal(), c.ordinal);
        // The record under the engine is still the one loaded.
        EXPECT_EQ(t.Field("NAME").Trimmed(), c.seek);
    }
    EXPECT_EQ(t.RecNoAtOrdinal(5), 0);
    ASSERT_TRUE(t.ResetCache());
    ASSERT_TRUE(t.GoOrdinal(3));
    EXPECT_EQ(t.name, "c");
    EXPECT_EQ(t.GetOrdinal(), 3);
    // SeekNext walks equal keys only.
    ASSERT_TRUE(t.Add("b"));
    ASSERT_TRUE(t.Seek("b"));
    EXPECT_EQ(t.GetId(), 4);
    ASSERT_TRUE(t.SeekNext("b"));
    EXPECT_EQ(t.GetId(), 5);
    EXPECT_FALSE(t.SeekNext("b"));
}

// The structure lists: names stored upper case, cut to ten characters,
// without trailing blanks; a list filled from an open table matches it; a tag
// list with no engine raises -970 where the table layer's check finds it.
TEST(TableConventions, StructureListsAndFieldValues)
{
    brine_test::TempFolder dir;
    dbase::CDbaseEngine& e = CDBInterface::SharedEngine();
    FieldInfoList fields(&e);
    EXPECT_EQ(fields.Add("unique", 'N', 8, 0), 0);
    EXPECT_EQ(fields.Add("a_long_field_name", 'C', 12, 0), 0);
    EXPECT_EQ(fields.Add("dt  ", 'D', 8, 0), 0);
    EXPECT_EQ(fields.Add("", 'C', 5, 0), -1);
    EXPECT_TRUE(CDBInterface::ClearEngineError());
    EXPECT_EQ(fields.Add("bad", 'Q', 5, 0), -1);
    EXPECT_TRUE(CDBInterface::ClearEngineError());
    // An earlier failure nobody reset does not drop a sound field from the
    // structure (the table would be made without it).
    e.SetError(dbase::kErrRead, 1);
    EXPECT_EQ(fields.Add("later", 'C', 4, 0), 0);
    EXPECT_TRUE(CDBInterface::ClearEngineError());
    ASSERT_EQ(fields.Count(), 4u);
    EXPECT_EQ(fields.Entries()[3].name, "LATER");
    EXPECT_EQ(fields.Entries()[1].name, "A_LONG_FIE");
    EXPECT_EQ(fields.Entries()[2].name, "DT");
    TagInfoList tags(&e);
    EXPECT_EQ(tags.Add("t_unique", "UNIQUE", ".NOT. DELETED()"), 0);
    EXPECT_EQ(tags.Add("t_date_and_more", "DTOS( DT ) + A_LONG_FIE", ".NOT. DELETED()"), 0);
    EXPECT_EQ(tags.Entries()[1].name, "T_DATE_AND");

    auto table = e.Create(dir / "listed", fields.Entries(), tags.Entries());
    ASSERT_NE(table, nullptr);
    FieldInfoList read(&e);
    ASSERT_EQ(read.FillFrom(table.get()), 0);
    ASSERT_EQ(read.Count(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const auto &a = read.Entries()[i], &b = fields.Entries()[i];
        EXPECT_EQ(a.name + a.type + std::to_string(a.width) + "." + std::to_string(a.decimals),
                  b.name + b.type + std::to_string(b.width) + "." + std::to_string(b.decimals));
    }
    EXPECT_EQ(table->NextTag(nullptr), table->TagAt(0));
    EXPECT_EQ(table->NextTag(table->TagAt(0))->Name(), "T_DATE_AND");
    EXPECT_EQ(table->NextTag(table->TagAt(1)), nullptr);
    EXPECT_EQ(read.FillFrom(nullptr), -1);
    EXPECT_EQ(e.ErrorCode(), dbase::kErrMissing);
    EXPECT_TRUE(CDBInterface::ClearEngineError());
    EXPECT_FALSE(CDBInterface::ClearEngineError());

    TagInfoList orphan(nullptr);
    EXPECT_EQ(orphan.Add("T_X", "X", ""), -1);
    EXPECT_EQ(orphan.Count(), 0u);
    EXPECT_EQ(e.ErrorCode(), dbase::kErrMissing);
    EXPECT_TRUE(CDBInterface::ClearEngineError());
    FieldInfoList noEngine(nullptr);
    EXPECT_EQ(noEngine.FillFrom(nullptr), -1);
    EXPECT_EQ(e.ErrorCode(), dbase::kErrMissing);
    EXPECT_TRUE(CDBInterface::ClearEngineError());

    // Field values by number and by name, as text and as numbers.
    ASSERT_EQ(table->AppendStart(), 0);
    Field4 id(e, table.get(), 1), text(e, table.get(), "a_long_fie");
    ASSERT_TRUE(id.IsValid() && text.IsValid());
    ASSERT_EQ(id.AssignLong(42, 8), 0);
    EXPECT_EQ(id.Str(), "      42");
    ASSERT_EQ(id.AssignLong(42, 8, true), 0);
    EXPECT_EQ(id.Str(), "00000042");
    EXPECT_EQ(id.AsLong(), 42);
    ASSERT_EQ(text.Assign("mixed Case text over"), 0);
    EXPECT_EQ(text.Str(), "mixed Case t");
    ASSERT_EQ(text.Assign("ab"), 0);
    EXPECT_EQ(text.Str(), "ab          ");
    EXPECT_EQ(text.Trimmed(), "ab");
    EXPECT_EQ(text.Upper(), "AB");
    ASSERT_EQ(text.Assign("  -12.50 "), 0);
    EXPECT_DOUBLE_EQ(text.AsDouble(), -12.5);
    EXPECT_FALSE(Field4(e, table.get(), 5).IsValid());
    EXPECT_TRUE(CDBInterface::ClearEngineError());
    ASSERT_EQ(table->Append(), 0);
    ASSERT_EQ(table->Close(), 0);
}

// The default engine lives as long as a table object uses it: the last object
// to go closes what is still open on it (a lock held there goes with it).
TEST(TableConventions, TheLastTableObjectClosesWhatTheEngineHasOpen)
{
    brine_test::TempFolder dir;
    const auto lockedElsewhere = [&] {
        const pid_t child = brine_test::ForkChild([&] {
            CDBNamed c;
            c.SetFilePath(dir / "named");
            if (!c.Open())
                return 2;
            return c.IsLockedElsewhere() ? 1 : 0;
        });
        return brine_test::WaitChild(child);
    };
    std::unique_ptr<dbase::CDbaseTable> raw;
    {
        CDBNamed a;
        a.SetFilePath(dir / "named");
        ASSERT_TRUE(a.Open());
        ASSERT_TRUE(a.Add("one"));
        raw = a.Engine().Open(dir / "named");
        ASSERT_NE(raw, nullptr);
        ASSERT_EQ(raw->Lock(), 0);
        {
            CDBNamed b;
            b.SetFilePath(dir / "named");
            ASSERT_TRUE(b.Open());
        }
        EXPECT_EQ(lockedElsewhere(), 1);   // another object went; the engine stays
    }
    EXPECT_EQ(lockedElsewhere(), 0);
    raw.reset();   // closed already; dropping it afterwards is safe
    CDBNamed again;
    again.SetFilePath(dir / "named");
    ASSERT_TRUE(again.Open());
    EXPECT_EQ(again.GetRecordCount(), 1);
}

// Update changes the record under this object only: other users read the
// stored record, and cannot change it, until FlushIfOpen writes it and lets
// the automatic record lock go.
TEST(TableConventions, UpdateWritesThroughOnlyAtTheFlush)
{
    brine_test::TempFolder dir;
    CDBNamed t;
    t.SetFilePath(dir / "named");
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(t.Add("stored"));
    t.Engine().lockWaitMs = 200;
    // Another process: its answer is 10 + what it reads, plus 100 when its own
    // change of the record was refused.
    const auto other = [&] {
        const pid_t child = brine_test::ForkChild([&] {
            CDBNamed c;
            c.SetFilePath(dir / "named");
            if (!c.Open() || !c.GoTop())
                return 2;
            int answer = c.name == "stored" ? 10 : c.name == "changed" ? 20 : 30;
            c.name = c.name + "+";
            if (!c.Update() || !c.FlushIfOpen())
                answer += 100;
            return answer;
        });
        return brine_test::WaitChild(child);
    };
    ASSERT_TRUE(t.GoTop());
    t.name = "changed";
    ASSERT_TRUE(t.Update());
    EXPECT_EQ(other(), 110);   // read as stored; its change refused
    ASSERT_TRUE(t.FlushIfOpen());
    EXPECT_EQ(other(), 20);   // written; its own change went through
    ASSERT_TRUE(t.GoTop());
    EXPECT_EQ(t.name, "changed+");
}

// Without its index (opened read-only, so nothing is rebuilt) a table still
// counts only its live records, walking them in record-number order.
TEST(TableConventions, CountWithoutAnIndexLeavesDeletedRecordsOut)
{
    brine_test::TempFolder dir;
    {
        CDBNamed t;
        t.SetFilePath(dir / "named");
        ASSERT_TRUE(t.Open());
        for (const char* n : {"a", "b", "c"})
            ASSERT_TRUE(t.Add(n));
        ASSERT_TRUE(t.GoRecord(2));
        ASSERT_TRUE(t.DeleteRecord());
        ASSERT_TRUE(t.FlushIfOpen());
    }
    fs::remove(dir / "named.mdx");
    CDBNamed t;
    t.SetFilePath(dir / "named");
    ASSERT_TRUE(t.Open(true));
    EXPECT_EQ(t.GetTagName(), "");
    EXPECT_EQ(t.GetRecordCount(), 2);
    EXPECT_EQ(t.OrdinalOfRecNo(3), 3);   // record-number order meets the deleted one
    EXPECT_FALSE(fs::exists(dir / "named.mdx"));
}

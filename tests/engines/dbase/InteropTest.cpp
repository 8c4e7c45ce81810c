// Our files against dBASE readers nobody here wrote: Debian's python3-dbfread
// and python3-dbf for data and memos, Perl's XBase::Index for the .mdx.
#include "engines/dbase/DbaseTable.h"
#include "engines/dbase/KeyExpression.h"

#include "Command.h"
#include "TempFolder.h"
#include "XBaseWalk.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace dbase;

namespace {

std::string WriteScript(const brine_test::TempFolder& dir, const std::string& name,
                        const std::string& text)
{
    const std::string path = dir / name;
    std::ofstream(path) << text;
    return path;
}

std::string Trim(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    return s;
}

const std::vector<FieldSpec> kFields = {
    {"UNIQUE", 'N', 8, 0},    {"NAME", 'C', 25, 0}, {"WIDE", 'C', 260, 0},
    {"LAT", 'F', 10, 5},      {"DATE", 'D', 8, 0},  {"OK", 'L', 1, 0},
    {"MASTER_ID", 'N', 8, 0}, {"TYPE", 'C', 3, 0},  {"NOTE", 'M', 10, 0}};
const std::vector<TagDefinition> kTags = {
    {"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"},
    {"T_NAME", "NAME", ".NOT. DELETED()"},
    {"T_LAT", "LAT", ".NOT. DELETED()"},
    {"T_ID_TYPE", "STR( MASTER_ID, 8, 0 ) + TYPE", ".NOT. DELETED()"},
    {"T_DT_TM", "DTOS( DATE ) + TYPE", ".NOT. DELETED()"},
    {"T_DATE", "DATE", ".NOT. DELETED()"},
    {"T_DESC", "LEFT( NAME, 4 )", ".NOT. DELETED()"},
};

struct Row {
    int id;
    std::string name, wide, lat, date, ok, master, type, note;
};

// Enough rows for three B-tree levels in the text tags.
std::vector<Row> MakeRows()
{
    std::vector<Row> rows;
    for (int i = 1; i <= 1100; ++i) {
        Row r;
        r.id = i;
        r.name = "Point " + std::to_string((i * 7919) % 1103);
        r.wide = i % 5 == 0 ? std::string(255, 'w') + "#" + std::to_string(i) : "";
        r.lat = FormatNumber(((i * 37) % 180) - 90 + (i % 100) / 1000.0, 10, 5);
        r.date = i % 11 == 0 ? "        "
                             : "2024" + std::string(i % 12 < 9 ? "0" : "") +
                                   std::to_string(i % 12 + 1) + "15";
        r.ok = i % 3 == 0 ? "T" : "F";
        r.master = std::to_string((i * 13) % 97);
        r.type = std::string(3 - std::to_string(i % 4).size(), '0') + std::to_string(i % 4);
        r.note = i % 4 == 0
                     ? ""
                     : "Note of " + std::to_string(i) + (i % 9 == 0 ? std::string(700, '.') : "");
        rows.push_back(r);
    }
    return rows;
}

void WriteTable(CDbaseEngine& engine, const std::string& path, const std::vector<Row>& rows)
{
    auto t = engine.Create(path, kFields, kTags);
    ASSERT_NE(t, nullptr);
    for (const Row& r : rows) {
        ASSERT_EQ(t->AppendStart(), 0);
        t->Field("UNIQUE")->AssignLong(r.id, 8, true);
        t->Field("NAME")->Assign(r.name);
        t->Field("WIDE")->Assign(r.wide);
        t->Field("LAT")->Assign(r.lat);
        t->Field("DATE")->Assign(r.date);
        t->Field("OK")->Assign(r.ok);
        t->Field("MASTER_ID")->Assign(r.master);
        t->Field("TYPE")->Assign(r.type);
        t->Field("NOTE")->Assign(r.note);
        ASSERT_EQ(t->Append(), 0);
    }
    // Some deleted records: readers see the flag, filtered tags leave them out.
    for (int recNo : {3, 500, 1100}) {
        ASSERT_EQ(t->Go(recNo), 0);
        ASSERT_EQ(t->Delete(), 0);
    }
    ASSERT_EQ(t->Close(), 0);
}

}   // namespace

TEST(Interop, DbfreadReadsEveryFieldAndMemo)
{
    brine_test::TempFolder dir;
    CDbaseEngine engine;
    const auto rows = MakeRows();
    WriteTable(engine, dir / "points", rows);
    const std::string script = WriteScript(dir, "read.py", R"(
import sys, dbfread
t = dbfread.DBF(sys.argv[1], load=True)
for rec in t.records:
    d = rec['DATE'].strftime('%Y%m%d') if rec['DATE'] else ''
    print('%d|%s|%s|%.5f|%s|%s|%d|%s|%s|0' % (rec['UNIQUE'], rec['NAME'], rec['WIDE'], rec['LAT'], d,
          rec['OK'], rec['MASTER_ID'], rec['TYPE'], rec['NOTE'] or ''))
for rec in t.deleted:
    print('%d|deleted' % rec['UNIQUE'])
)");
    const std::string out =
        RunCommand("/usr/bin/python3 " + script + " " + (dir / "points.dbf").string());
    std::ostringstream want;
    for (const Row& r : rows) {
        if (r.id == 3 || r.id == 500 || r.id == 1100)
            continue;
        char lat[32];
        std::snprintf(lat, sizeof lat, "%.5f", ParseNumber(r.lat));
        want << r.id << '|' << r.name << '|' << r.wide << '|' << lat << '|' << Trim(r.date) << '|'
             << (r.ok == "T" ? "True" : "False") << '|' << r.master << '|' << r.type << '|'
             << r.note << "|0\n";
    }
    want << "3|deleted\n500|deleted\n1100|deleted\n";
    EXPECT_EQ(out, want.str());
}

TEST(Interop, XBaseIndexWalksEveryTagInOurOrder)
{
    brine_test::TempFolder dir;
    CDbaseEngine engine;
    WriteTable(engine, dir / "points", MakeRows());
    const std::string script = WriteScript(dir, "walk.pl", kXBaseWalk);
    // Each round: Perl walks every tag in the order the engine walks it, and
    // the keys changed in place equal those of an index built afresh from
    // the data.
    auto check = [&](const char* round, size_t live) {
        auto t = engine.Open(dir / "points");
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->TagCount(), int(kTags.size()));
        std::filesystem::create_directories(dir / "fresh");
        for (const char* ext : {".dbf", ".dbt"})
            std::filesystem::copy_file(dir / (std::string("points") + ext),
                                       dir / (std::string("fresh/points") + ext),
                                       std::filesystem::copy_options::overwrite_existing);
        engine.autoOpenIndex = false;
        auto fresh = engine.Open(dir / "fresh/points");
        engine.autoOpenIndex = true;
        ASSERT_NE(fresh, nullptr);
        ASSERT_EQ(fresh->Reindex(kTags), 0);
        EXPECT_EQ(t->LiveCount(), int32_t(live)) << round;
        for (int i = 0; i < t->TagCount(); ++i) {
            CDbaseTag* tag = t->TagAt(i);
            std::string want;
            for (const auto& [key, recNo] : tag->Keys())
                want += key + "|" + std::to_string(recNo) + "\n";
            std::string rebuilt;
            for (const auto& [key, recNo] : fresh->Tag(tag->Name())->Keys())
                rebuilt += key + "|" + std::to_string(recNo) + "\n";
            const std::string out =
                RunCommand("/usr/bin/perl " + script + " " + (dir / "points.mdx").string() + " " +
                           tag->Name() + " " + std::string(1, tag->KeyType()));
            EXPECT_EQ(tag->KeyCount(), live) << round << " " << tag->Name();
            EXPECT_EQ(out, want) << round << " " << tag->Name();
            EXPECT_EQ(rebuilt, want) << round << " " << tag->Name();
        }
    };
    check("written", 1097);
    {
        auto t = engine.Open(dir / "points");
        ASSERT_NE(t, nullptr);
        // Spot checks of the walk itself: numeric order, not text order.
        EXPECT_EQ(t->Tag("T_LAT")->Keys().front().first, "-90");
        EXPECT_EQ(t->Tag("T_DATE")->Keys().front().first, "0");   // blank dates sort first
        EXPECT_EQ(t->Tag("T_ID_TYPE")->Keys().front().first, "       0000");
        // Random changes, deletes, recalls and appends, changed in place.
        std::mt19937 rng(7);
        int live = 1097, next = 1101;
        for (int step = 0; step < 1500; ++step) {
            const int recNo = int(rng() % uint32_t(t->RecordCount())) + 1;
            ASSERT_EQ(t->Go(recNo), 0);
            switch (rng() % 5) {
            case 0: t->Field("NAME")->Assign("Moved " + std::to_string(rng() % 700)); break;
            case 1:
                t->Field("LAT")->AssignDouble(double(int(rng() % 18000)) / 100 - 90, 10, 5);
                t->Field("MASTER_ID")->AssignLong(long(rng() % 97), 8, false);
                break;
            case 2:
                live -= !t->Deleted();
                ASSERT_EQ(t->Delete(), 0);
                break;
            case 3:
                live += t->Deleted();
                ASSERT_EQ(t->Recall(), 0);
                break;
            default:
                ASSERT_EQ(t->AppendStart(), 0);
                t->Field("UNIQUE")->AssignLong(next, 8, true);
                t->Field("NAME")->Assign("Added " + std::to_string(next++ % 300));
                t->Field("DATE")->Assign("20250101");
                ASSERT_EQ(t->Append(), 0);
                ++live;
            }
            ASSERT_EQ(t->Flush(), 0);
        }
        ASSERT_EQ(t->Close(), 0);
        check("changed", size_t(live));
        t = engine.Open(dir / "points");
        ASSERT_EQ(t->Pack(), 0);
        ASSERT_EQ(t->Close(), 0);
        check("packed", size_t(live));
    }
}

TEST(Interop, PythonDbfReadsOurTableWithoutMemo)
{
    brine_test::TempFolder dir;
    CDbaseEngine engine;
    {
        auto t = engine.Create(dir / "plain",
                               {{"UNIQUE", 'N', 8, 0},
                                {"NAME", 'C', 20, 0},
                                {"COG", 'F', 6, 2},
                                {"DATE", 'D', 8, 0},
                                {"OK", 'L', 1, 0}},
                               {{"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"}});
        ASSERT_NE(t, nullptr);
        for (int i = 1; i <= 3; ++i) {
            t->AppendStart();
            t->Field("UNIQUE")->AssignLong(i, 8, true);
            t->Field("NAME")->Assign("Name " + std::to_string(i));
            t->Field("COG")->AssignDouble(i * 90.25);
            t->Field("DATE")->Assign("2023121" + std::to_string(i));
            t->Field("OK")->Assign(i == 2 ? "T" : "F");
            ASSERT_EQ(t->Append(), 0);
        }
    }
    const std::string script = WriteScript(dir, "read.py", R"(
import sys, dbf
t = dbf.Table(sys.argv[1])
t.open()
for r in t:
    print('%d|%s|%.2f|%s|%s' % (r.unique, r.name.strip(), r.cog, r.date.strftime('%Y%m%d'), bool(r.ok)))
)");
    EXPECT_EQ(RunCommand("/usr/bin/python3 " + script + " " + (dir / "plain.dbf").string()),
              "1|Name 1|90.25|20231211|False\n2|Name 2|180.50|20231212|True\n3|Name "
              "3|270.75|20231213|False\n");
}

TEST(Interop, TablesWrittenByPythonDbfOpenHere)
{
    brine_test::TempFolder dir;
    // python3-dbf's own dBASE IV writer is marked non-functional, so its
    // dBASE III table with a memo file stands in for outside-written tables.
    const std::string script = WriteScript(dir, "write.py", R"(
import sys, dbf, datetime
t = dbf.Table(sys.argv[1], 'NAME C(20); QTY N(8,2); DAY D; OK L; NOTE M', dbf_type='db3')
t.open(dbf.READ_WRITE)
t.append(('Alpha', 1.5, datetime.date(2024, 2, 29), True, 'first memo'))
t.append(('Beta', -20.25, datetime.date(1999, 12, 31), False, 'x' * 1500))
t.append(('Gamma', 0, None, None, ''))
t.close()
)");
    ASSERT_EQ(RunCommand("/usr/bin/python3 " + script + " " + (dir / "fromdbf.dbf").string()), "");
    CDbaseEngine engine;
    auto t = engine.Open(dir / "fromdbf");
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->FieldCount(), 5);
    struct Want {
        const char *name, *qty, *day, *ok;
        std::string note;
    } want[] = {{"Alpha", "1.50", "20240229", "T", "first memo"},
                {"Beta", "-20.25", "19991231", "F", std::string(1500, 'x')},
                {"Gamma", "0.00", "", "", ""}};
    int i = 0;
    for (int rc = t->Top(); rc == 0; rc = t->Skip(1), ++i) {
        ASSERT_LT(i, 3);
        EXPECT_EQ(Trim(t->Field("NAME")->Text()), want[i].name);
        char qty[32];
        std::snprintf(qty, sizeof qty, "%.2f", t->Field("QTY")->AsDouble());
        EXPECT_EQ(std::string(qty), want[i].qty);
        EXPECT_EQ(Trim(t->Field("DAY")->Text()), want[i].day);
        const std::string ok = Trim(t->Field("OK")->Text());
        EXPECT_EQ(ok == "?" ? "" : ok, want[i].ok);
        EXPECT_EQ(t->Field("NOTE")->Text(), want[i].note);
    }
    EXPECT_EQ(i, 3);
    // And a table taken over this way can get our index.
    ASSERT_EQ(t->Reindex({{"T_NAME", "NAME", ".NOT. DELETED()"}}), 0);
    t->Select(t->Tag("T_NAME"));
    EXPECT_EQ(t->Seek("Be"), 0);
    EXPECT_EQ(t->RecNo(), 2);
    // Memos we write into its older memo file stay readable to its writer.
    ASSERT_EQ(t->Field("NOTE")->Assign(std::string(700, 'y')), 0);
    ASSERT_EQ(t->Go(3), 0);
    ASSERT_EQ(t->Field("NOTE")->Assign("third"), 0);
    ASSERT_EQ(t->Close(), 0);
    const std::string reread = WriteScript(dir, "reread.py", R"(
import sys, dbf
t = dbf.Table(sys.argv[1])
t.open()
for r in t:
    print('%s|%d|%s' % (r.name.strip(), len(r.note), r.note[:5]))
)");
    EXPECT_EQ(RunCommand("/usr/bin/python3 " + reread + " " + (dir / "fromdbf.dbf").string()),
              "Alpha|10|first\nBeta|700|yyyyy\nGamma|5|third\n");
}

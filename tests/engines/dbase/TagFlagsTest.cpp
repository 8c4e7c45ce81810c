// Unique and descending tags: a unique tag holds the first record of each key,
// a descending tag runs from the highest key down. Checked after appends,
// key changes, deletes and recalls against a sort made here from the records
// and against Perl's XBase::Index walking the .mdx.
#include "engines/dbase/DbaseTable.h"
#include "engines/dbase/KeyExpression.h"

#include "Command.h"
#include "TempFolder.h"
#include "XBaseWalk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

using namespace dbase;

namespace {

const std::vector<FieldSpec> kFields = {{"NAME", 'C', 12, 0}, {"DEPTH", 'N', 7, 2}};
const std::vector<TagDefinition> kTags = {{"U_NAME", "NAME", "", true, false},
                                          {"D_DEPTH", "DEPTH", "", false, true},
                                          {"UD_NAME", "NAME", ".NOT. DELETED()", true, true},
                                          {"UD_DEPTH", "DEPTH", ".NOT. DELETED()", true, true}};

struct Row {
    std::string name;
    double depth = 0;
    bool deleted = false;
};

std::string Padded(const std::string& s)
{
    std::string r = s.substr(0, 12);
    r.resize(12, ' ');
    return r;
}

std::string Number(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

// The walk a tag should give, made from the rows by sorting.
std::string Expected(const TagDefinition& tag, const std::vector<Row>& rows)
{
    struct Entry {
        std::string text;   // as printed
        double number = 0;
        uint32_t recNo = 0;
    };
    const bool byName = tag.expression == "NAME";
    std::vector<Entry> entries;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!tag.filter.empty() && rows[i].deleted)
            continue;
        entries.push_back({byName ? Padded(rows[i].name) : Number(rows[i].depth), rows[i].depth,
                           uint32_t(i + 1)});
    }
    auto less = [&](const Entry& a, const Entry& b) {
        return byName ? a.text < b.text : a.number < b.number;
    };
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        return tag.descending ? less(b, a) : less(a, b);
    });
    std::string out;
    std::string last;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (tag.unique && i > 0 && entries[i].text == last)
            continue;   // records are in order within a key: the first stays
        last = entries[i].text;
        out += entries[i].text + "|" + std::to_string(entries[i].recNo) + "\n";
    }
    return out;
}

std::string Walked(CDbaseTag& tag)
{
    std::string out;
    for (const auto& [key, recNo] : tag.Keys())
        out += key + "|" + std::to_string(recNo) + "\n";
    return out;
}

void Put(CDbaseTable& t, const Row& r)
{
    t.Field("NAME")->Assign(r.name);
    t.Field("DEPTH")->AssignDouble(r.depth, 7, 2);
}

}   // namespace

TEST(TagFlags, UniqueAndDescendingTagsAgreeWithASortAndWithXBase)
{
    brine_test::TempFolder dir;
    const std::string path = dir / "soundings";
    const std::string script = dir / "walk.pl";
    std::ofstream(script) << kXBaseWalk;
    CDbaseEngine engine;
    std::mt19937 rng(25);
    std::vector<Row> rows;
    auto randomRow = [&] {
        Row r;
        r.name = "Buoy " + std::to_string(rng() % 40);
        r.depth = double(int(rng() % 3000)) / 100;   // 0 to 30 m, repeats among 300
        return r;
    };
    {
        auto t = engine.Create(path, kFields, kTags);
        ASSERT_NE(t, nullptr);
        for (int i = 0; i < 300; ++i) {
            rows.push_back(randomRow());
            ASSERT_EQ(t->AppendStart(), 0);
            Put(*t, rows.back());
            ASSERT_EQ(t->Append(), 0);
        }
        ASSERT_EQ(t->Close(), 0);
    }
    auto check = [&](const std::string& round) {
        auto t = engine.Open(path);
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->TagCount(), int(kTags.size()));
        for (const TagDefinition& def : kTags) {
            CDbaseTag* tag = t->Tag(def.name);
            const std::string want = Expected(def, rows);
            EXPECT_EQ(Walked(*tag), want) << round << " " << def.name;
            EXPECT_EQ(tag->KeyCount(), size_t(std::count(want.begin(), want.end(), '\n')))
                << round << " " << def.name;
            EXPECT_EQ(RunCommand("/usr/bin/perl " + script + " " + path + ".mdx " + def.name + " " +
                                 std::string(1, tag->KeyType())),
                      want)
                << round << " " << def.name;
        }
        // A walk by Skip follows the same order; a seek of a depth in the
        // descending tag lands on its first record, the next key is smaller.
        t->Select(t->Tag("D_DEPTH"));
        double previous = 1e9;
        int steps = 0;
        for (int rc = t->Top(); rc == 0; rc = t->Skip(1), ++steps) {
            ASSERT_LE(t->Field("DEPTH")->AsDouble(), previous) << round;
            previous = t->Field("DEPTH")->AsDouble();
        }
        EXPECT_EQ(steps, int(rows.size())) << round;
        const double probe = rows[7].depth;
        ASSERT_EQ(t->Seek(Number(probe)), 0) << round;
        EXPECT_EQ(t->Field("DEPTH")->AsDouble(), probe);
        EXPECT_EQ(t->Seek("30.5"), kAfter);   // above every depth: the first (deepest) entry
        ASSERT_EQ(t->Close(), 0);
    };
    check("written");
    {
        // Changes in place: keys moved onto and off the holder of a unique
        // key, deletes (leaving the filtered tags), recalls, appends.
        auto t = engine.Open(path);
        ASSERT_NE(t, nullptr);
        for (int step = 0; step < 400; ++step) {
            const int recNo = int(rng() % rows.size()) + 1;
            Row& r = rows[size_t(recNo - 1)];
            ASSERT_EQ(t->Go(recNo), 0);
            switch (rng() % 4) {
            case 0:
                r = Row{randomRow().name, randomRow().depth, r.deleted};
                Put(*t, r);
                break;
            case 1:
                ASSERT_EQ(t->Delete(), 0);
                r.deleted = true;
                break;
            case 2:
                ASSERT_EQ(t->Recall(), 0);
                r.deleted = false;
                break;
            default:
                rows.push_back(randomRow());
                ASSERT_EQ(t->AppendStart(), 0);
                Put(*t, rows.back());
                ASSERT_EQ(t->Append(), 0);
            }
            ASSERT_EQ(t->Flush(), 0);
        }
        ASSERT_EQ(t->Close(), 0);
    }
    check("changed");
    {
        auto t = engine.Open(path);
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->Pack(), 0);
        ASSERT_EQ(t->Close(), 0);
        rows.erase(std::remove_if(rows.begin(), rows.end(), [](const Row& r) { return r.deleted; }),
                   rows.end());
    }
    check("packed");
}

#include "engines/dbase/DbaseTable.h"
#include "engines/dbase/KeyExpression.h"
#include "platform/LocaleFreeNumbers.h"

#include "ChildProcess.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace dbase;

namespace {

const std::vector<FieldSpec> kMemoFields = {
    {"UNIQUE", 'N', 8, 0}, {"MASTER_ID", 'N', 8, 0}, {"TYPE", 'C', 3, 0}, {"DATA", 'M', 10, 0}};
const std::vector<TagDefinition> kMemoTags = {
    {"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"},
    {"T_ID_TYPE", "STR( MASTER_ID, 8, 0 ) + TYPE", ".NOT. DELETED()"}};

void AddMemo(CDbaseTable& t, int id, int master, int type, const std::string& text)
{
    ASSERT_EQ(t.AppendStart(), 0);
    t.Field("UNIQUE")->AssignLong(id, 8, true);
    t.Field("MASTER_ID")->AssignLong(master, 8, true);
    t.Field("TYPE")->AssignLong(type, 3, true);
    t.Field("DATA")->Assign(text);
    ASSERT_EQ(t.Append(), 0);
}

// A table of the chartpoint kind (memo and two filtered tags) in a fresh folder.
class MemoTable : public ::testing::Test {
protected:
    std::unique_ptr<CDbaseTable> Create() { return engine.Create(path, kMemoFields, kMemoTags); }

    brine_test::TempFolder dir;
    const std::string path = dir / "memos";
    CDbaseEngine engine;
};

std::vector<int> WalkIds(CDbaseTable& t)
{
    std::vector<int> ids;
    for (int rc = t.Top(); rc == 0; rc = t.Skip(1))
        ids.push_back(int(t.Field("UNIQUE")->AsDouble()));
    return ids;
}

}   // namespace

TEST(KeyExpression, NumbersAreWrittenAsDbaseWritesThem)
{
    struct Row {
        double value;
        int width, decimals;
        const char* text;
    } rows[] = {
        {1, 8, 0, "       1"},    {-1.5, 6, 2, " -1.50"},   {12345.678, 10, 2, "  12345.68"},
        {123456, 5, 0, "*****"},  {-99.99, 6, 2, "-99.99"}, {-99.99, 5, 2, "*****"},
        {-0.001, 6, 2, "  0.00"}, {0, 3, 0, "  0"},         {1e300, 10, 2, "**********"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(FormatNumber(r.value, r.width, r.decimals), r.text) << r.value;
}

namespace {

// The packed key of a value as the "%.9f" digits give it: the leading
// byte's digit count before the point, up to twenty digits, zeros dropped.
std::string PackedFromPrintf(double value)
{
    const std::string text = platform::FormatC("%.9f", std::fabs(value));
    std::string digits = text.substr(0, text.find('.')) + text.substr(text.find('.') + 1);
    int before = int(text.find('.'));
    const size_t first = digits.find_first_not_of('0');
    std::string key(12, '\0');
    if (first == std::string::npos) {
        key[0] = 0x34;
        key[1] = 0x01;
        return key;
    }
    digits.erase(0, first);
    before -= int(first);
    digits.erase(digits.find_last_not_of('0') + 1);
    digits.resize(std::min<size_t>(digits.size(), 20));
    key[0] = char(0x34 + before);
    key[1] = char(int(digits.size()) << 2 | 0x01 | (value < 0 ? 0x80 : 0));
    for (size_t i = 0; i < digits.size(); ++i)
        key[2 + i / 2] = char(key[2 + i / 2] | (digits[i] - '0') << (i % 2 == 0 ? 4 : 0));
    return key;
}

}   // namespace

// Fields and numeric keys are written without printf (it is slow, and bound
// to the locale); what they hold must stay the C library's fixed form, for
// whole numbers, exact ties and large and small magnitudes alike.
TEST(KeyExpression, FieldsAndKeysHoldTheCLibrarysFixedDigits)
{
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> spread(-1e5, 1e5);
    for (int i = 0; i < 20000; ++i) {
        double v = spread(rng);
        if (i % 4 == 1)
            v = std::round(v);
        else if (i % 4 == 2)
            v = std::round(v * 8) / 8;
        else if (i % 4 == 3)
            v = std::ldexp(v, int(rng() % 90) - 45);
        const int width = 1 + int(rng() % 20), decimals = int(rng() % 10);
        std::string c = platform::FormatC("%*.*f", width, decimals, v);
        if (int(c.size()) > width) {
            c.assign(size_t(width), '*');
        } else if (c.find_first_not_of(" -0.") == std::string::npos) {
            const size_t minus = c.find('-');
            if (minus != std::string::npos)
                c.erase(minus, 1).insert(0, 1, ' ');
        }
        ASSERT_EQ(FormatNumber(v, width, decimals), c) << v << " " << width << "." << decimals;
        ASSERT_EQ(BcdKey(v), PackedFromPrintf(v)) << v;
    }
}

TEST(DbaseTable, WholeNumbersArePaddedAsPrintfPadsThem)
{
    brine_test::TempFolder dir;
    CDbaseEngine engine;
    auto t = engine.Create(dir / "n", {{"N", 'N', 6, 0}}, {});
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->AppendStart(), 0);
    const struct {
        long long value;
        int digits;
        bool zeros;
        const char* text;
    } rows[] = {{-5, 4, true, "  -005"},  {42, 3, false, "    42"},      {42, 3, true, "   042"},
                {-42, 0, true, "-00042"}, {1234567, 0, false, "******"}, {0, 2, true, "    00"}};
    for (const auto& r : rows) {
        t->Field("N")->AssignLong(r.value, r.digits, r.zeros);
        EXPECT_EQ(t->Field("N")->Bytes(), r.text) << r.value;
    }
}

TEST(KeyExpression, BcdKeyValueReadsNoMoreThanTheKeyHolds)
{
    // A damaged key claiming 31 digits in its 12 bytes.
    const std::string key = std::string("\x40\x7d") + std::string(10, '\x99');
    const double v = BcdKeyValue(key);
    EXPECT_TRUE(std::isfinite(v));
    EXPECT_DOUBLE_EQ(v, BcdKeyValue(std::string("\x40\x51") + std::string(10, '\x99')));
}

TEST(KeyExpression, BcdKeysRoundTripAndSortAsNumbers)
{
    const double values[] = {-1234.5, -1, -0.25, 0,     0.001,    0.5,
                             1,       2,  10,    99.99, 12345678, 99999999};
    for (double v : values)
        EXPECT_DOUBLE_EQ(BcdKeyValue(BcdKey(v)), v) << v;
    // Documented examples of the packed form: 20.50 and 1.
    EXPECT_EQ(BcdKey(20.5).substr(0, 3), std::string("\x36\x0d\x20\x50", 3));
    EXPECT_EQ(BcdKey(1).substr(0, 3), std::string("\x35\x05\x10", 3));
    for (size_t i = 1; i < std::size(values); ++i)
        EXPECT_LT(SortableDouble(values[i - 1]), SortableDouble(values[i])) << values[i];
}

TEST(KeyExpression, JulianDaysOfDates)
{
    EXPECT_EQ(JulianDay("19700101"), 2440588.0);
    EXPECT_EQ(JulianDay("20000229"), 2451604.0);
    EXPECT_EQ(DateOfJulianDay(2451604.0), "20000229");
    EXPECT_FALSE(JulianDay("        "));
    EXPECT_FALSE(JulianDay("20001301"));
}

TEST(KeyExpression, RefusesWhatItCannotEvaluate)
{
    std::vector<FieldSlot> f = {
        {"NAME", 'C', 10, 0, 1}, {"N", 'N', 5, 0, 11}, {"D", 'D', 8, 0, 16}, {"M", 'M', 10, 0, 24}};
    for (const char* bad : {"", "NOPE", "NAME +", "STR(NAME,8,0)", "DTOS(NAME)", "LEFT(N,3)",
                            "N + NAME", "M", "STR(N,8,0", "D + NAME", "NAME)"})
        EXPECT_EQ(CKeyExpression::Parse(bad, f), nullptr) << bad;
    auto e = CKeyExpression::Parse("STR( N, 8, 0 ) + LEFT( NAME, 3 ) + DTOS( D )", f);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Length(), 19);
    std::string rec = " ABCDEFGHIJ  -4220240131          ";
    EXPECT_EQ(e->EvalText(rec.data()), "     -42ABC20240131");
    // A count beyond any int (a hostile index file) is cut to the field.
    EXPECT_EQ(CKeyExpression::Parse("LEFT(NAME, 99999999999999999999)", f)->Length(), 10);
}

TEST(DbaseTable, EveryFieldTypeSurvivesReopen)
{
    brine_test::TempFolder dir;
    CDbaseEngine engine;
    std::vector<FieldSpec> fields = {
        {"UNIQUE", 'N', 8, 0}, {"NAME", 'C', 25, 0}, {"WIDE", 'C', 260, 0}, {"LAT", 'F', 10, 5},
        {"DATE", 'D', 8, 0},   {"OK", 'L', 1, 0},    {"NOTE", 'M', 10, 0}};
    const std::string longText(3000, 'x');
    {
        auto t = engine.Create(dir / "all", fields, {{"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"}});
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->AppendStart(), 0);
        t->Field("UNIQUE")->AssignLong(1, 8, true);
        t->Field("NAME")->Assign("A name longer than twenty-five characters");
        t->Field("WIDE")->Assign(std::string(259, 'w') + "!tail");
        t->Field("LAT")->AssignDouble(-51.123456);
        t->Field("DATE")->Assign("20240131");
        t->Field("OK")->Assign("T");
        t->Field("NOTE")->Assign(longText);
        ASSERT_EQ(t->Append(), 0);
        ASSERT_EQ(t->Close(), 0);
    }
    auto t = engine.Open(dir / "all");
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->Top(), 0);
    EXPECT_EQ(t->Field("UNIQUE")->Text(), "00000001");
    EXPECT_EQ(t->Field("NAME")->Text(), "A name longer than twenty");
    EXPECT_EQ(t->Field("WIDE")->Text().size(), 260u);
    EXPECT_EQ(t->Field("WIDE")->Text().back(), '!');
    EXPECT_EQ(t->Field("LAT")->Text(), " -51.12346");
    EXPECT_EQ(t->Field("DATE")->Text(), "20240131");
    EXPECT_EQ(t->Field("OK")->Text(), "T");
    EXPECT_EQ(t->Field("NOTE")->Text(), longText);
    EXPECT_EQ(t->Field(8), nullptr);
    EXPECT_EQ(t->Field("NOPE"), nullptr);
}

TEST(DbaseTable, CreateRefusesBadDescriptions)
{
    brine_test::TempFolder dir;
    CDbaseEngine engine;
    EXPECT_EQ(engine.Create(dir / "a", {{"TOOLONGNAME1", 'C', 5, 0}}, {}), nullptr);
    EXPECT_EQ(engine.Create(dir / "b", {{"N", 'N', 30, 0}}, {}), nullptr);
    EXPECT_EQ(engine.Create(dir / "c", {{"N", 'X', 3, 0}}, {}), nullptr);
    EXPECT_EQ(engine.Create(dir / "d", {{"N", 'C', 3, 0}}, {{"T_BAD", "MISSING", ""}}), nullptr);
    EXPECT_LT(engine.ErrorCode(), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "d.dbf"));
    engine.ResetError();
    auto t = engine.Create(dir / "e", {{"N", 'C', 3, 0}}, {{"T_A_VERY_LONG_TAG", "N", ""}});
    ASSERT_NE(t, nullptr);
    EXPECT_NE(t->Tag("T_A_VERY_LONG_NAME"), nullptr);   // both cut to ten characters
    EXPECT_EQ(t->TagAt(0)->Name(), "T_A_VERY_L");
}

// Tables whose open fails are gone when Open returns; the engine must not
// reach them later, while the table still open is closed (and flushed) by
// CloseAll. Under AddressSanitizer a table left listed is a use after free.
TEST_F(MemoTable, FailedOpensLeaveOnlyLiveTablesForCloseAll)
{
    ASSERT_NE(Create(), nullptr);
    std::filesystem::remove(path + ".dbt");
    std::ofstream(dir / "junk.dbf") << "not a table at all";
    auto live = engine.Create(dir / "live", kMemoFields, kMemoTags);
    ASSERT_NE(live, nullptr);
    AddMemo(*live, 1, 7, 3, "kept by CloseAll");
    for (const std::string name : {"missing", "junk", "memos"}) {
        EXPECT_EQ(engine.Open(dir / name), nullptr) << name;
        EXPECT_LT(engine.ErrorCode(), 0) << name;
        engine.ResetError();
    }
    engine.CloseAll();
    CDbaseEngine other;
    auto reopened = other.Open(dir / "live");
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(WalkIds(*reopened), std::vector<int>{1});
}

TEST_F(MemoTable, SeekByPrefixOnTextNumberAndCompoundKeys)
{
    auto t = Create();
    ASSERT_NE(t, nullptr);
    AddMemo(*t, 1, 12, 0, "a");
    AddMemo(*t, 2, 7, 1, "b");
    AddMemo(*t, 3, 12, 3, "c");
    AddMemo(*t, 4, 120, 0, "d");
    t->Select(t->Tag("T_ID_TYPE"));
    EXPECT_EQ(t->Seek("      12"), 0);
    EXPECT_EQ(t->Field("DATA")->Text(), "a");
    EXPECT_EQ(t->SeekNext("      12"), 0);
    EXPECT_EQ(t->Field("DATA")->Text(), "c");
    EXPECT_EQ(t->SeekNext("      12"), kAfter);   // "     120" follows; not ours
    EXPECT_EQ(t->Seek("      12003"), 0);
    EXPECT_EQ(t->Field("UNIQUE")->AsDouble(), 3);
    EXPECT_EQ(t->Seek("      13"), kAfter);
    EXPECT_EQ(t->Seek("99999999"), kEof);
    EXPECT_TRUE(t->Eof());

    t->Select(t->Tag("T_UNIQUE"));
    EXPECT_EQ(t->Seek("3"), 0);
    EXPECT_EQ(t->Field("DATA")->Text(), "c");
    EXPECT_EQ(t->Seek("00000004"), 0);
    EXPECT_EQ(t->Seek("2.5"), kAfter);
    EXPECT_EQ(t->Field("UNIQUE")->AsDouble(), 3);
    t->Select(nullptr);
    EXPECT_LT(t->Seek("1"), 0);
}

TEST_F(MemoTable, SkipFollowsAChangedKeyAndStepsOverADeletedRecord)
{
    auto t = Create();
    ASSERT_NE(t, nullptr);
    for (int i = 1; i <= 5; ++i)
        AddMemo(*t, i, i * 10, 0, "");
    t->Select(t->Tag("T_ID_TYPE"));
    ASSERT_EQ(t->Seek("      20"), 0);
    // Move record 2 after record 4: the skip starts from its new place.
    t->Field("MASTER_ID")->AssignLong(45, 8, true);
    ASSERT_EQ(t->Skip(1), 0);
    EXPECT_EQ(t->Field("UNIQUE")->AsDouble(), 5);
    ASSERT_EQ(t->Skip(-1), 0);
    EXPECT_EQ(t->Field("UNIQUE")->AsDouble(), 2);

    // Delete record 3 under the filtered tag; skipping goes on from its place.
    ASSERT_EQ(t->Seek("      30"), 0);
    ASSERT_EQ(t->Delete(), 0);
    ASSERT_EQ(t->Skip(1), 0);
    EXPECT_EQ(t->Field("UNIQUE")->AsDouble(), 4);
    ASSERT_EQ(t->Go(3), 0);
    ASSERT_EQ(t->Skip(-1), 0);
    EXPECT_EQ(t->Field("UNIQUE")->AsDouble(), 1);
    EXPECT_EQ(WalkIds(*t), (std::vector<int>{1, 4, 2, 5}));
    // Past both ends.
    ASSERT_EQ(t->Bottom(), 0);
    EXPECT_EQ(t->Skip(1), kEof);
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(t->Skip(-1), 0);
    EXPECT_EQ(t->Field("UNIQUE")->AsDouble(), 5);
    ASSERT_EQ(t->Top(), 0);
    EXPECT_EQ(t->Skip(-1), kBof);
    EXPECT_EQ(t->Field("UNIQUE")->AsDouble(), 1);
}

TEST_F(MemoTable, PackKeepsLiveRecordsAndTheirMemos)
{
    auto t = Create();
    ASSERT_NE(t, nullptr);
    for (int i = 1; i <= 6; ++i)
        AddMemo(*t, i, i, 0, std::string(size_t(600 * i), char('a' + i)));
    for (int r : {2, 5}) {
        ASSERT_EQ(t->Go(r), 0);
        ASSERT_EQ(t->Delete(), 0);
    }
    ASSERT_EQ(t->Go(1), 0);
    t->Field("DATA")->Assign("");   // an emptied memo holds no block
    ASSERT_EQ(t->Flush(), 0);
    const auto before = std::filesystem::file_size(dir / "memos.dbt");
    {
        // A reader still has the table open: the rewrite is refused, and
        // the reader reads on.
        engine.readOnly = true;
        auto other = engine.Open(path);
        engine.readOnly = false;
        ASSERT_NE(other, nullptr);
        EXPECT_EQ(t->Pack(), kErrShared);
        EXPECT_EQ(t->MemoCompress(), kErrShared);
        engine.ResetError();
        EXPECT_FALSE(t->HoldsTableLock());
        ASSERT_EQ(other->Go(4), 0);
        EXPECT_EQ(other->Field("DATA")->Text(), std::string(2400, 'e'));
    }
    ASSERT_EQ(t->Pack(), 0);
    ASSERT_EQ(t->MemoCompress(), 0);
    EXPECT_LT(std::filesystem::file_size(dir / "memos.dbt"), before);
    ASSERT_EQ(t->Close(), 0);
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_EQ(e.path().string().find('~'), std::string::npos) << e.path();

    auto r = engine.Open(path);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->RecordCount(), 4);
    std::vector<std::pair<int, size_t>> got;
    for (int rc = r->Top(); rc == 0; rc = r->Skip(1))
        got.emplace_back(int(r->Field("UNIQUE")->AsDouble()), r->Field("DATA")->Text().size());
    EXPECT_EQ(got, (std::vector<std::pair<int, size_t>>{{1, 0}, {3, 1800}, {4, 2400}, {6, 3600}}));
    ASSERT_EQ(r->Go(3), 0);
    EXPECT_EQ(r->Field("DATA")->Text(), std::string(2400, 'e'));
}

TEST_F(MemoTable, AnotherHandleSeesFlushedAppendsAndChanges)
{
    engine.lockWaitMs = 20;
    auto a = Create();
    ASSERT_NE(a, nullptr);
    AddMemo(*a, 1, 1, 0, "one");
    ASSERT_EQ(a->Unlock(), 0);
    auto b = engine.Open(path);
    ASSERT_NE(b, nullptr);
    b->Select(b->Tag("T_UNIQUE"));
    AddMemo(*a, 2, 2, 0, "two");
    ASSERT_EQ(a->Unlock(), 0);
    EXPECT_EQ(WalkIds(*b), (std::vector<int>{1, 2}));
    // b changes record 1 while a waits; a sees it after b releases.
    ASSERT_EQ(b->Go(1), 0);
    ASSERT_EQ(b->Field("DATA")->Assign("changed"), 0);
    ASSERT_EQ(a->Go(1), 0);
    EXPECT_EQ(a->Field("DATA")->Assign("clash"), kErrLockRefused);
    engine.ResetError();
    ASSERT_EQ(b->Unlock(), 0);
    ASSERT_EQ(a->Go(1), 0);
    EXPECT_EQ(a->Field("DATA")->Text(), "changed");
}

TEST_F(MemoTable, AWalkSeesAnotherHandlesChangeAndAppendAsItGoes)
{
    auto a = Create();
    ASSERT_NE(a, nullptr);
    for (int i = 1; i <= 3; ++i)
        AddMemo(*a, i, i, 0, "old");
    ASSERT_EQ(a->Unlock(), 0);
    auto b = engine.Open(path);
    ASSERT_NE(b, nullptr);
    for (const char* order : {"", "T_UNIQUE"}) {
        a->Select(a->Tag(order));
        ASSERT_EQ(a->Top(), 0);
        ASSERT_EQ(b->Go(2), 0);
        ASSERT_EQ(b->Field("DATA")->Assign(std::string("new ") + order), 0);
        AddMemo(*b, int(b->RecordCount()) + 1, 9, 0, order);
        ASSERT_EQ(b->Unlock(), 0);
        ASSERT_EQ(a->Skip(1), 0) << order;
        EXPECT_EQ(a->Field("DATA")->Text(), std::string("new ") + order);
        std::vector<int> rest;
        for (int rc = a->Skip(1); rc == 0; rc = a->Skip(1))
            rest.push_back(int(a->Field("UNIQUE")->AsDouble()));
        EXPECT_EQ(rest.back(), int(b->RecordCount())) << order;
    }
}

TEST_F(MemoTable, AFlushWritesOnlyTheRecordsItsHandleChanged)
{
    auto a = Create();
    ASSERT_NE(a, nullptr);
    for (int i = 1; i <= 3; ++i)
        AddMemo(*a, i, i, 0, "");
    ASSERT_EQ(a->Unlock(), 0);
    auto b = engine.Open(path);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(a->Go(1), 0);
    // b changes record 2 while a holds an older copy of it.
    ASSERT_EQ(b->Go(2), 0);
    ASSERT_EQ(b->Field("TYPE")->Assign("222"), 0);
    ASSERT_EQ(b->Unlock(), 0);
    ASSERT_EQ(a->Field("TYPE")->Assign("111"), 0);
    ASSERT_EQ(a->Skip(2), 0);
    ASSERT_EQ(a->Field("TYPE")->Assign("333"), 0);
    ASSERT_EQ(a->Unlock(), 0);
    auto c = engine.Open(path);
    ASSERT_NE(c, nullptr);
    std::string types;
    for (int r = 1; r <= 3; ++r) {
        ASSERT_EQ(c->Go(r), 0);
        types += c->Field("TYPE")->Text();
    }
    EXPECT_EQ(types, "111222333");
}

// A sync costs milliseconds on a busy disk: a flush with nothing written
// since the last sync, here or in another process, makes none; anything
// written, by any handle or process, is synced.
TEST_F(MemoTable, AFlushSyncsOnlyWhenSomethingWasWrittenSinceTheLastSync)
{
    engine.syncIntervalMs = 0;   // every flush is due
    auto a = Create();
    ASSERT_NE(a, nullptr);
    AddMemo(*a, 1, 1, 0, "first");
    ASSERT_EQ(a->Flush(), 0);
    const uint64_t synced = a->Stats().syncs;
    ASSERT_GT(synced, 0u);
    ASSERT_EQ(a->Flush(), 0);
    ASSERT_EQ(a->Unlock(), 0);
    ASSERT_EQ(a->Flush(), 0);
    EXPECT_EQ(a->Stats().syncs, synced);

    // Another handle of this process appends: a's next flush syncs.
    auto b = engine.Open(path);
    ASSERT_NE(b, nullptr);
    AddMemo(*b, 2, 2, 0, "second");
    ASSERT_EQ(b->Unlock(), 0);
    ASSERT_EQ(a->Flush(), 0);
    EXPECT_EQ(a->Stats().syncs, synced + 1);
    ASSERT_EQ(a->Flush(), 0);
    EXPECT_EQ(a->Stats().syncs, synced + 1);

    // Another process appends and dies without syncing or closing: only the
    // change counters tell a, and its next flush syncs.
    const pid_t child = brine_test::ForkChild([this] {
        auto* e = new CDbaseEngine;   // left open: the process ends as if killed
        e->syncIntervalMs = -1;
        CDbaseTable* t = e->Open(path).release();
        if (!t || t->AppendStart() != 0)
            return 1;
        t->Field("UNIQUE")->AssignLong(3, 8, true);
        t->Field("DATA")->Assign("third");
        return t->Append() == 0 && t->Flush() == 0 && t->Unlock() == 0 ? 0 : 2;
    });
    ASSERT_EQ(brine_test::WaitChild(child), 0);
    ASSERT_EQ(a->Flush(), 0);
    EXPECT_EQ(a->Stats().syncs, synced + 2);
    EXPECT_EQ(WalkIds(*a), (std::vector<int>{1, 2, 3}));
}

TEST_F(MemoTable, APackWaitsUntilNoOtherHandleHasTheTable)
{
    auto a = Create();
    ASSERT_NE(a, nullptr);
    for (int i = 1; i <= 4; ++i)
        AddMemo(*a, i, i, 0, "m");
    ASSERT_EQ(a->Unlock(), 0);
    ASSERT_EQ(a->Go(4), 0);
    auto b = engine.Open(path);
    ASSERT_NE(b, nullptr);
    for (int r = 2; r <= 4; ++r) {
        ASSERT_EQ(b->Go(r), 0);
        ASSERT_EQ(b->Delete(), 0);
    }
    ASSERT_EQ(b->Flush(), 0);
    EXPECT_EQ(b->Pack(), kErrShared);
    EXPECT_NE(ErrorText(kErrShared).find("open elsewhere"), std::string::npos);
    engine.ResetError();
    // The other handle sees the deletes, nothing moved under it.
    EXPECT_EQ(a->RecordCount(), 4);
    EXPECT_EQ(a->Go(4), 0);
    EXPECT_TRUE(a->Deleted());
    ASSERT_EQ(a->Close(), 0);
    ASSERT_EQ(b->Pack(), 0);
    EXPECT_EQ(b->RecordCount(), 1);
    EXPECT_EQ(b->Skip(1), kEof);
    EXPECT_EQ(b->Skip(-1), 0);
    EXPECT_EQ(b->RecNo(), 1);
    EXPECT_EQ(b->Tag("T_ID_TYPE")->KeyCount(), 1u);
    // Appends go on in the new files, and a new handle finds them.
    AddMemo(*b, 5, 5, 0, "after");
    ASSERT_EQ(b->Close(), 0);
    auto c = engine.Open(path);
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->OpenWarnings().empty());
    c->Select(c->Tag("T_UNIQUE"));
    EXPECT_EQ(WalkIds(*c), (std::vector<int>{1, 5}));
}

// ------------------------------------------------------------------ processes

namespace {

int ChildSeesLock(const std::string& path)
{
    return brine_test::WaitChild(brine_test::ForkChild([&] {
        CDbaseEngine e;
        auto t = e.Open(path);
        return t && t->LockTest() == kLocked ? 0 : 1;
    }));
}

}   // namespace

TEST_F(MemoTable, LocksAreSeenByAnotherProcessAndBelongToTheirHandle)
{
    {
        auto t = Create();
        ASSERT_NE(t, nullptr);
    }
    auto a = engine.Open(path);
    auto b = engine.Open(path);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(ChildSeesLock(path), 1);
    ASSERT_EQ(a->Lock(), 0);
    EXPECT_EQ(b->Lock(), kLocked);   // a second handle in this process is another user
    EXPECT_EQ(ChildSeesLock(path), 0);
    ASSERT_EQ(b->Close(), 0);   // closing another handle keeps a's lock
    EXPECT_EQ(ChildSeesLock(path), 0);
    ASSERT_EQ(a->Unlock(), 0);
    EXPECT_EQ(ChildSeesLock(path), 1);

    // A record lock held here refuses the table lock to another process.
    ASSERT_EQ(a->Top(), kEof);
    AddMemo(*a, 1, 1, 0, "x");
    ASSERT_EQ(a->Flush(), 0);
    ASSERT_EQ(a->Field("DATA")->Assign("y"), 0);   // locks record 1
    EXPECT_EQ(ChildSeesLock(path), 0);
}

TEST_F(MemoTable, APackWhoseFlushFailsGivesTheTableLockBack)
{
    auto t = Create();
    ASSERT_NE(t, nullptr);
    AddMemo(*t, 1, 1, 0, "short");
    ASSERT_EQ(t->Unlock(), 0);
    // In a child whose files may not grow, a longer memo cannot be stored, so
    // the pack fails in its flush; its table lock must not stay behind.
    EXPECT_EQ(
        brine_test::WaitChild(brine_test::ForkChild([&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(std::filesystem::file_size(path + ".dbt")), RLIM_INFINITY};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0 || t->Go(1) != 0 ||
                t->Field("DATA")->Assign(std::string(4000, 'z')) != 0 || t->Pack() >= 0)
                return 1;
            auto other = engine.Open(path);
            return other && other->LockTest() == 0 && !t->HoldsTableLock() ? 0 : 2;
        })),
        0);
}

TEST_F(MemoTable, DamagedMemoHeadersNeverLeadToOverwritingAnotherMemo)
{
    auto t = Create();
    ASSERT_NE(t, nullptr);
    AddMemo(*t, 1, 1, 0, "first");   // block 1
    AddMemo(*t, 2, 2, 0, "second");   // block 2
    ASSERT_EQ(t->Flush(), 0);
    // The first memo's length below its own header, and the file's next free
    // block pointing back at the first memo.
    {
        std::fstream f(path + ".dbt", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(512 + 4);
        f.write("\x04\0\0\0", 4);
        f.seekp(0);
        f.write("\x01\0\0\0", 4);
    }
    ASSERT_EQ(t->Go(1), 0);
    ASSERT_EQ(t->Field("DATA")->Assign(std::string(2000, 'n')), 0);   // must not grow over block 2
    AddMemo(*t, 3, 3, 0, "third");   // must not start at block 1
    ASSERT_EQ(t->Flush(), 0);
    std::string memos;
    for (int r = 1; r <= 3; ++r) {
        ASSERT_EQ(t->Go(r), 0);
        memos += t->Field("DATA")->Text().substr(0, 6) + "|";
    }
    EXPECT_EQ(memos, "nnnnnn|second|third|");
}

TEST_F(MemoTable, KilledWriterLosesNoFlushedRecordAndIndexesAgree)
{
    ASSERT_NE(Create(), nullptr);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t pid = brine_test::ForkChild([&] {
        ::close(pipeFds[0]);
        CDbaseEngine e;
        auto t = e.Open(path);
        for (int i = 1; t; ++i) {
            t->AppendStart();
            t->Field("UNIQUE")->AssignLong(i, 8, true);
            t->Field("MASTER_ID")->AssignLong(i % 97, 8, true);
            t->Field("TYPE")->AssignLong(i % 10, 3, true);
            t->Field("DATA")->Assign("memo " + std::to_string(i));
            if (t->Append() != 0 || t->Unlock() != 0)
                return 2;
            if (i % 50 == 0)
                t->FlushIndex();   // the index is rewritten now and then, so a kill may tear it
            if (::write(pipeFds[1], &i, sizeof i) != sizeof i)
                return 3;
        }
        return 1;
    });
    ::close(pipeFds[1]);
    int flushed = 0, n = 0;
    while (flushed < 400 && ::read(pipeFds[0], &n, sizeof n) == sizeof n)
        flushed = n;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    while (::read(pipeFds[0], &n, sizeof n) == sizeof n)
        flushed = n;
    ::close(pipeFds[0]);

    auto t = engine.Open(path);
    ASSERT_NE(t, nullptr);
    const int count = t->RecordCount();
    EXPECT_GE(count, flushed);
    for (int r = 1; r <= count; ++r) {
        ASSERT_EQ(t->Go(r), 0);
        ASSERT_EQ(t->Field("UNIQUE")->AsDouble(), r);
        ASSERT_EQ(t->Field("DATA")->Text(), "memo " + std::to_string(r));
    }
    ASSERT_NE(t->Tag("T_ID_TYPE"), nullptr);
    EXPECT_EQ(t->Tag("T_UNIQUE")->KeyCount(), size_t(count));
    EXPECT_EQ(t->Tag("T_ID_TYPE")->KeyCount(), size_t(count));
    t->Select(t->Tag("T_ID_TYPE"));
    EXPECT_EQ(t->Seek("      42002"), 0);
    EXPECT_EQ(t->Field("UNIQUE")->AsDouble(), 42);
}

TEST_F(MemoTable, DamagedIndexFileIsRebuiltFromTheData)
{
    {
        auto t = Create();
        ASSERT_NE(t, nullptr);
        for (int i = 1; i <= 30; ++i)
            AddMemo(*t, i, 31 - i, 0, "");
    }
    // Scribble over the B-tree blocks but leave the tag table readable.
    {
        std::fstream f(dir / "memos.mdx", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4096);
        const std::string junk(1024, '\x7f');
        f.write(junk.data(), std::streamsize(junk.size()));
    }
    auto t = engine.Open(path);
    ASSERT_NE(t, nullptr);
    t->Select(t->Tag("T_ID_TYPE"));
    ASSERT_EQ(t->Seek("       1"), 0);
    EXPECT_EQ(t->Field("UNIQUE")->AsDouble(), 30);
    // A file that is not an index at all: the table still opens, without tags.
    t->Close();
    std::ofstream(dir / "memos.mdx", std::ios::trunc) << "garbage";
    auto u = engine.Open(path);
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(u->TagCount(), 0);
    EXPECT_EQ(u->RecordCount(), 30);
    // The caller defines them again; keys come from the data.
    ASSERT_EQ(u->Reindex(kMemoTags), 0);
    u->Select(u->Tag("T_ID_TYPE"));
    ASSERT_EQ(u->Seek("       2"), 0);
    EXPECT_EQ(u->Field("UNIQUE")->AsDouble(), 29);
}

TEST_F(MemoTable, AHeaderCountBeyondTheFileIsRepairedOnOpenAndReported)
{
    for (const uint32_t claimed : {2000u, 4294967295u}) {
        {
            auto t = Create();
            ASSERT_NE(t, nullptr);
            for (int i = 1; i <= 3; ++i)
                AddMemo(*t, i, i, 0, "m");
        }
        auto patchCount = [&](uint32_t n) {
            std::fstream f(dir / "memos.dbf", std::ios::in | std::ios::out | std::ios::binary);
            f.seekp(4);
            const char b[4] = {char(n), char(n >> 8), char(n >> 16), char(n >> 24)};
            f.write(b, 4);
        };
        auto headerCount = [&] {
            std::ifstream f(dir / "memos.dbf", std::ios::binary);
            unsigned char b[8] = {};
            f.read(reinterpret_cast<char*>(b), 8);
            return uint32_t(b[4]) | uint32_t(b[5]) << 8 | uint32_t(b[6]) << 16 |
                   uint32_t(b[7]) << 24;
        };
        patchCount(claimed);
        engine.readOnly = true;
        auto r = engine.Open(path);
        engine.readOnly = false;
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->RecordCount(), 3);
        ASSERT_EQ(r->OpenWarnings().size(), 1u);
        EXPECT_NE(r->OpenWarnings()[0].find(std::to_string(claimed)), std::string::npos);
        EXPECT_EQ(headerCount(), claimed);   // a read-only open leaves the file alone
        r.reset();
        auto t = engine.Open(path);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->OpenWarnings().size(), 1u);
        EXPECT_EQ(headerCount(), 3u);
        AddMemo(*t, 4, 4, 0, "after");
        ASSERT_EQ(t->Close(), 0);
        EXPECT_EQ(headerCount(), 4u);
        auto u = engine.Open(path);
        ASSERT_NE(u, nullptr);
        EXPECT_TRUE(u->OpenWarnings().empty());
        u->Select(u->Tag("T_UNIQUE"));
        EXPECT_EQ(WalkIds(*u), (std::vector<int>{1, 2, 3, 4}));
    }
}

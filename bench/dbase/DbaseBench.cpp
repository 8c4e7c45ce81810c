// Appends, seeks and an ordered walk on the chartpoint table's layout (ten
// tags), against SQLite with the same columns and indexes; and appends by two
// handles in turn against one handle alone. Each appended row
// is flushed to the operating system as the table layer flushes it; SQLite
// commits each row in WAL mode with synchronous=OFF, so neither side syncs
// to disk per row.
#include "engines/dbase/DbaseTable.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace {

constexpr int kRows = 100000;

const std::vector<dbase::FieldSpec> kFields = {
    {"UNIQUE", 'N', 8, 0}, {"NAME", 'C', 25, 0}, {"ID", 'C', 8, 0},     {"LAT", 'F', 10, 5},
    {"LNG", 'F', 10, 5},   {"ALT", 'F', 10, 2},  {"DSHIFT", 'N', 3, 0}, {"AREA", 'C', 20, 0},
    {"GROUP", 'C', 20, 0}, {"ZONE", 'N', 3, 0}};
const char* const kTagFields[] = {"UNIQUE", "NAME",   "ID",   "LAT",   "LNG",
                                  "ALT",    "DSHIFT", "AREA", "GROUP", "ZONE"};

std::vector<dbase::TagDefinition> Tags()
{
    std::vector<dbase::TagDefinition> tags;
    for (const char* f : kTagFields)
        tags.push_back({std::string("T_") + f, f, ".NOT. DELETED()"});
    return tags;
}

struct Point {
    int id;
    std::string name, ident, area, group;
    double lat, lng, alt;
    int dshift, zone;
};

Point MakePoint(int i)
{
    char name[32];
    std::snprintf(name, sizeof name, "Point %07d", (i * 48271) % 1000003);
    return {i,
            name,
            "ID" + std::to_string(i % 100000),
            "Area " + std::to_string(i % 50),
            "Group " + std::to_string(i % 7),
            (i % 18000) / 100.0 - 90,
            (i % 36000) / 100.0 - 180,
            (i % 1000) / 10.0,
            -1,
            (i % 25) - 12};
}

struct Paths {
    std::filesystem::path dir;
    Paths()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "bench-dbase-XXXXXX").string();
        dir = ::mkdtemp(tmpl.data());
    }
    ~Paths() { std::filesystem::remove_all(dir); }
};

void AppendOurs(dbase::CDbaseTable& t, const Point& p)
{
    t.AppendStart();
    t.Field(1)->AssignLong(p.id, 8, true);
    t.Field(2)->Assign(p.name);
    t.Field(3)->Assign(p.ident);
    t.Field(4)->AssignDouble(p.lat);
    t.Field(5)->AssignDouble(p.lng);
    t.Field(6)->AssignDouble(p.alt);
    t.Field(7)->AssignLong(p.dshift, 3, false);
    t.Field(8)->Assign(p.area);
    t.Field(9)->Assign(p.group);
    t.Field(10)->AssignLong(p.zone, 3, false);
    if (t.Append() != 0 || t.Unlock() != 0)
        std::abort();
}

std::unique_ptr<dbase::CDbaseTable> FilledTable(dbase::CDbaseEngine& engine,
                                                const std::string& path)
{
    auto t = engine.Create(path, kFields, Tags());
    t->Lock();
    for (int i = 1; i <= kRows; ++i)
        AppendOurs(*t, MakePoint(i));
    t->Unlock();
    return t;
}

sqlite3* OpenSqlite(const std::string& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF;"
                 "CREATE TABLE IF NOT EXISTS pt(uniq INTEGER, name TEXT, id TEXT, lat REAL, lng "
                 "REAL, alt REAL,"
                 " dshift INTEGER, area TEXT, grp TEXT, zone INTEGER);",
                 nullptr, nullptr, nullptr);
    for (const char* c :
         {"uniq", "name", "id", "lat", "lng", "alt", "dshift", "area", "grp", "zone"}) {
        const std::string sql =
            std::string("CREATE INDEX IF NOT EXISTS i_") + c + " ON pt(" + c + ");";
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    }
    return db;
}

void AppendSqlite(sqlite3_stmt* st, const Point& p)
{
    sqlite3_bind_int(st, 1, p.id);
    sqlite3_bind_text(st, 2, p.name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, p.ident.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(st, 4, p.lat);
    sqlite3_bind_double(st, 5, p.lng);
    sqlite3_bind_double(st, 6, p.alt);
    sqlite3_bind_int(st, 7, p.dshift);
    sqlite3_bind_text(st, 8, p.area.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 9, p.group.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 10, p.zone);
    if (sqlite3_step(st) != SQLITE_DONE)
        std::abort();
    sqlite3_reset(st);
}

constexpr const char* kInsert = "INSERT INTO pt VALUES(?,?,?,?,?,?,?,?,?,?)";

void BM_Append(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        Paths paths;
        dbase::CDbaseEngine engine;
        auto t = engine.Create((paths.dir / "pts").string(), kFields, Tags());
        state.ResumeTiming();
        for (int i = 1; i <= kRows; ++i)
            AppendOurs(*t, MakePoint(i));
        state.PauseTiming();
        t->Close();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_Append_Reference(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        Paths paths;
        sqlite3* db = OpenSqlite((paths.dir / "pts.db").string());
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, kInsert, -1, &st, nullptr);
        state.ResumeTiming();
        for (int i = 1; i <= kRows; ++i)
            AppendSqlite(st, MakePoint(i));
        state.PauseTiming();
        sqlite3_finalize(st);
        sqlite3_close(db);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

std::vector<std::string> SeekKeys()
{
    std::mt19937 rng(7);
    std::vector<std::string> keys;
    for (int i = 0; i < 10000; ++i)
        keys.push_back(MakePoint(int(rng() % kRows) + 1).name);
    return keys;
}

void BM_Seek(benchmark::State& state)
{
    Paths paths;
    dbase::CDbaseEngine engine;
    auto t = FilledTable(engine, (paths.dir / "pts").string());
    t->Select(t->Tag("T_NAME"));
    const auto keys = SeekKeys();
    size_t k = 0;
    for (auto _ : state) {
        if (t->Seek(keys[k++ % keys.size()]) != 0)
            std::abort();
        benchmark::DoNotOptimize(t->Field(6)->AsDouble());
    }
    state.SetItemsProcessed(state.iterations());
}

// The reference database with every row, filled in one transaction.
sqlite3* FilledSqlite(const std::string& file)
{
    sqlite3* db = OpenSqlite(file);
    sqlite3_stmt* ins = nullptr;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(db, kInsert, -1, &ins, nullptr);
    for (int i = 1; i <= kRows; ++i)
        AppendSqlite(ins, MakePoint(i));
    sqlite3_finalize(ins);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return db;
}

void BM_Seek_Reference(benchmark::State& state)
{
    Paths paths;
    sqlite3* db = FilledSqlite((paths.dir / "pts.db").string());
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM pt WHERE name >= ? ORDER BY name LIMIT 1", -1, &st,
                       nullptr);
    const auto keys = SeekKeys();
    size_t k = 0;
    for (auto _ : state) {
        const std::string& key = keys[k++ % keys.size()];
        sqlite3_bind_text(st, 1, key.c_str(), int(key.size()), SQLITE_STATIC);
        if (sqlite3_step(st) != SQLITE_ROW)
            std::abort();
        benchmark::DoNotOptimize(sqlite3_column_double(st, 5));
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations());
}

void BM_Walk(benchmark::State& state)
{
    Paths paths;
    dbase::CDbaseEngine engine;
    auto t = FilledTable(engine, (paths.dir / "pts").string());
    t->Select(t->Tag("T_NAME"));
    for (auto _ : state) {
        int n = 0;
        for (int rc = t->Top(); rc == 0; rc = t->Skip(1)) {
            benchmark::DoNotOptimize(t->Field(2)->Bytes().data());
            ++n;
        }
        if (n != kRows)
            std::abort();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_Walk_Reference(benchmark::State& state)
{
    Paths paths;
    sqlite3* db = FilledSqlite((paths.dir / "pts.db").string());
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM pt ORDER BY name", -1, &st, nullptr);
    for (auto _ : state) {
        int n = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_text(st, 1));
            ++n;
        }
        sqlite3_reset(st);
        if (n != kRows)
            std::abort();
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * kRows);
}

// Appends with a flush each on the filled table: two handles in turn (as two
// stations share it), against one handle alone as the reference.
struct Shared {
    Paths paths;
    dbase::CDbaseEngine engine;
    std::string path = (paths.dir / "pts").string();
    int next = kRows + 1;
    Shared() { FilledTable(engine, path)->Close(); }
};

Shared& SharedTable()
{
    static Shared shared;
    return shared;
}

void BM_AppendTwoHandles(benchmark::State& state)
{
    Shared& s = SharedTable();
    auto a = s.engine.Open(s.path);
    auto b = s.engine.Open(s.path);
    bool turn = false;
    for (auto _ : state) {
        AppendOurs(turn ? *b : *a, MakePoint(s.next++));
        turn = !turn;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_AppendTwoHandles_Reference(benchmark::State& state)
{
    Shared& s = SharedTable();
    auto a = s.engine.Open(s.path);
    for (auto _ : state)
        AppendOurs(*a, MakePoint(s.next++));
    state.SetItemsProcessed(state.iterations());
}

}   // namespace

BENCHMARK(BM_AppendTwoHandles)->Iterations(4000);
BENCHMARK(BM_AppendTwoHandles_Reference)->Iterations(4000);
BENCHMARK(BM_Append)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Append_Reference)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Seek);
BENCHMARK(BM_Seek_Reference);
BENCHMARK(BM_Walk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Walk_Reference)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

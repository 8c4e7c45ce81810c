// A ship's position log at scale: appending a fix with a flush per fix,
// reading a time range (the first fix of a random minute, then the next 60),
// opening after a clean close and closing, against SQLite with the same
// columns and three indexes in WAL mode, one commit per row without sync.
// BRINE_POSLOG_ROWS sets the log's size (200,000 unless given; the figures
// quoted for the engine use 10,000,000). Opening reports the resident memory
// it added, in MB, as the counter "rss_mb"; so does a rebuild of the three
// tags from the data, against SQLite's REINDEX.
#include "engines/dbase/DbaseTable.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::vector<dbase::FieldSpec> kFields = {
    {"UNIQUE", 'N', 8, 0}, {"DATE", 'D', 8, 0}, {"TIME", 'C', 6, 0},   {"LAT", 'F', 10, 5},
    {"LNG", 'F', 10, 5},   {"ALT", 'F', 10, 2}, {"DSHIFT", 'N', 3, 0}, {"COG", 'F', 6, 2},
    {"SOG", 'F', 6, 2},    {"TYPE", 'N', 3, 0}, {"NOTE", 'M', 10, 0}};
const std::vector<dbase::TagDefinition> kTags = {
    {"T_UNIQUE", "UNIQUE", ".NOT. DELETED()"},
    {"T_DT_TM", "DTOS( DATE ) + TIME", ".NOT. DELETED()"},
    {"T_TYPE", "TYPE", ".NOT. DELETED()"}};

int Rows()
{
    const char* v = std::getenv("BRINE_POSLOG_ROWS");
    return v && *v ? std::atoi(v) : 200000;
}

// Fix i: one a second from the start of 2024 (a 28-day month keeps it simple).
void DateTime(int i, char* date, char* time)
{
    const int day = i / 86400, second = i % 86400;
    std::snprintf(date, 9, "%04d%02d%02d", 2024 + day / 336, 1 + (day / 28) % 12, 1 + day % 28);
    std::snprintf(time, 7, "%02d%02d%02d", second / 3600, second / 60 % 60, second % 60);
}

void AppendOurs(dbase::CDbaseTable& t, int i)
{
    char date[16], time[16];
    DateTime(i, date, time);
    t.AppendStart();
    t.Field(1)->AssignLong(i, 8, true);
    t.Field(2)->Assign(date);
    t.Field(3)->Assign(time);
    t.Field(4)->AssignDouble(50 + (i % 1000) / 1000.0, 10, 5);
    t.Field(5)->AssignDouble(-1 - (i % 777) / 1000.0, 10, 5);
    t.Field(6)->AssignDouble(0, 10, 2);
    t.Field(7)->AssignLong(-1, 3, false);
    t.Field(8)->AssignDouble(i % 360, 6, 2);
    t.Field(9)->AssignDouble(12.5, 6, 2);
    t.Field(10)->AssignLong(i % 12, 3, false);
}

sqlite3* OpenSqlite(const std::string& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(
        db,
        "PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF;"
        "CREATE TABLE IF NOT EXISTS log(uniq INTEGER, date TEXT, time TEXT, lat REAL, lng REAL,"
        " alt REAL, dshift INTEGER, cog REAL, sog REAL, type INTEGER, note TEXT);"
        "CREATE INDEX IF NOT EXISTS i_uniq ON log(uniq);"
        "CREATE INDEX IF NOT EXISTS i_dt_tm ON log(date || time);"
        "CREATE INDEX IF NOT EXISTS i_type ON log(type);",
        nullptr, nullptr, nullptr);
    return db;
}

constexpr const char* kInsert = "INSERT INTO log VALUES(?,?,?,?,?,?,?,?,?,?,?)";

void AppendSqlite(sqlite3_stmt* st, int i)
{
    char date[16], time[16];
    DateTime(i, date, time);
    sqlite3_bind_int(st, 1, i);
    sqlite3_bind_text(st, 2, date, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, time, -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(st, 4, 50 + (i % 1000) / 1000.0);
    sqlite3_bind_double(st, 5, -1 - (i % 777) / 1000.0);
    sqlite3_bind_double(st, 6, 0);
    sqlite3_bind_int(st, 7, -1);
    sqlite3_bind_double(st, 8, i % 360);
    sqlite3_bind_double(st, 9, 12.5);
    sqlite3_bind_int(st, 10, i % 12);
    sqlite3_bind_null(st, 11);
    if (sqlite3_step(st) != SQLITE_DONE)
        std::abort();
    sqlite3_reset(st);
}

double ResidentMb()
{
    std::ifstream f("/proc/self/statm");
    long size = 0, resident = 0;
    f >> size >> resident;
    return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The highest resident memory since the peak was last set back, in MB.
double PeakMb()
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The two logs, filled once per run and shared by every benchmark.
struct Logs {
    std::filesystem::path dir;
    std::string ours, theirs;
    int rows = 0;
    int next = 0;   // the next fix to append, on both sides
    Logs()
    {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "bench-poslog-XXXXXX").string();
        dir = ::mkdtemp(tmpl.data());
        ours = (dir / "log").string();
        theirs = (dir / "log.db").string();
        rows = Rows();
        next = rows + 1;
        {
            dbase::CDbaseEngine engine;
            auto t = engine.Create(ours, kFields, kTags);
            t->Lock();
            for (int i = 1; i <= rows; ++i) {
                AppendOurs(*t, i);
                if (t->Append() != 0)
                    std::abort();
            }
            t->Unlock();
            t->Close();
        }
        sqlite3* db = OpenSqlite(theirs);
        sqlite3_stmt* ins = nullptr;
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db, kInsert, -1, &ins, nullptr);
        for (int i = 1; i <= rows; ++i)
            AppendSqlite(ins, i);
        sqlite3_finalize(ins);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        // Both logs read through once, so neither side's first timed reads
        // wait for the disk while the other's come from the system's cache.
        std::vector<char> buf(size_t(1) << 20);
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            std::ifstream f(e.path(), std::ios::binary);
            while (f.read(buf.data(), std::streamsize(buf.size())) || f.gcount() > 0) { }
        }
    }
    ~Logs() { std::filesystem::remove_all(dir); }
};

Logs& Shared()
{
    static Logs logs;
    return logs;
}

void BM_AppendFix(benchmark::State& state)
{
    Logs& logs = Shared();
    dbase::CDbaseEngine engine;
    // BRINE_SYNC_MS: how often a flush syncs to the disk (the engine's
    // interval; 0 every flush), to see what durability costs.
    if (const char* v = std::getenv("BRINE_SYNC_MS"); v && *v)
        engine.syncIntervalMs = std::atoi(v);
    auto t = engine.Open(logs.ours);
    int i = logs.next;
    for (auto _ : state) {
        AppendOurs(*t, i++);
        if (t->Append() != 0 || t->Flush() != 0 || t->Unlock() != 0)
            std::abort();
    }
    t->Close();
    state.SetItemsProcessed(state.iterations());
}

void BM_AppendFix_Reference(benchmark::State& state)
{
    Logs& logs = Shared();
    sqlite3* db = OpenSqlite(logs.theirs);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, kInsert, -1, &st, nullptr);
    int i = logs.next;
    for (auto _ : state)
        AppendSqlite(st, i++);   // autocommit: one commit per row
    sqlite3_finalize(st);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations());
}

// The first fix of a random minute, then the next 60.
void BM_TimeRange(benchmark::State& state)
{
    Logs& logs = Shared();
    dbase::CDbaseEngine engine;
    auto t = engine.Open(logs.ours);
    t->Select(t->Tag("T_DT_TM"));
    std::mt19937 rng(7);
    char date[16], time[16];
    for (auto _ : state) {
        const int minute = int(rng() % uint32_t(logs.rows / 60 - 2));
        DateTime(minute * 60 + 30, date, time);
        const std::string key = std::string(date) + std::string(time, 4);   // the minute's prefix
        if (t->Seek(key) != 0)
            std::abort();
        for (int k = 0; k < 60; ++k) {
            benchmark::DoNotOptimize(t->Field(4)->AsDouble());
            if (t->Skip(1) != 0)
                std::abort();
        }
    }
    t->Close();
    state.SetItemsProcessed(state.iterations() * 61);
}

void BM_TimeRange_Reference(benchmark::State& state)
{
    Logs& logs = Shared();
    sqlite3* db = OpenSqlite(logs.theirs);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT lat FROM log WHERE date || time >= ? ORDER BY date || time LIMIT 61",
                       -1, &st, nullptr);
    std::mt19937 rng(7);
    char date[16], time[16];
    for (auto _ : state) {
        const int minute = int(rng() % uint32_t(logs.rows / 60 - 2));
        DateTime(minute * 60 + 30, date, time);
        const std::string key = std::string(date) + std::string(time, 4);
        sqlite3_bind_text(st, 1, key.c_str(), int(key.size()), SQLITE_TRANSIENT);
        int n = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_double(st, 0));
            ++n;
        }
        sqlite3_reset(st);
        if (n != 61)
            std::abort();
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * 61);
}

// Open after a clean close, then close; the time of each and the memory the
// open added, with the first seek done so the open has been used.
void BM_OpenClose(benchmark::State& state)
{
    Logs& logs = Shared();
    double openS = 0, closeS = 0, rss = 0;
    for (auto _ : state) {
        dbase::CDbaseEngine engine;
        const double before = ResidentMb();
        const auto a = std::chrono::steady_clock::now();
        auto t = engine.Open(logs.ours);
        t->Select(t->Tag("T_DT_TM"));
        if (!t || t->Seek("2024") != 0)
            std::abort();
        const auto b = std::chrono::steady_clock::now();
        rss = std::max(rss, ResidentMb() - before);
        t->Close();
        const auto c = std::chrono::steady_clock::now();
        openS += std::chrono::duration<double>(b - a).count();
        closeS += std::chrono::duration<double>(c - b).count();
    }
    state.counters["open_ms"] = 1000 * openS / double(state.iterations());
    state.counters["close_ms"] = 1000 * closeS / double(state.iterations());
    state.counters["rss_mb"] = rss;
    state.SetItemsProcessed(state.iterations());
}

void BM_OpenClose_Reference(benchmark::State& state)
{
    Logs& logs = Shared();
    double openS = 0, closeS = 0, rss = 0;
    for (auto _ : state) {
        const double before = ResidentMb();
        const auto a = std::chrono::steady_clock::now();
        sqlite3* db = OpenSqlite(logs.theirs);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(
            db, "SELECT lat FROM log WHERE date || time >= '2024' ORDER BY date || time LIMIT 1",
            -1, &st, nullptr);
        if (sqlite3_step(st) != SQLITE_ROW)
            std::abort();
        sqlite3_finalize(st);
        const auto b = std::chrono::steady_clock::now();
        rss = std::max(rss, ResidentMb() - before);
        sqlite3_close(db);
        const auto c = std::chrono::steady_clock::now();
        openS += std::chrono::duration<double>(b - a).count();
        closeS += std::chrono::duration<double>(c - b).count();
    }
    state.counters["open_ms"] = 1000 * openS / double(state.iterations());
    state.counters["close_ms"] = 1000 * closeS / double(state.iterations());
    state.counters["rss_mb"] = rss;
    state.SetItemsProcessed(state.iterations());
}

// The index found untrusted on open (its marker gone, as another program's
// would be) and rebuilt from the data; the peak memory the rebuild added.
void BM_Rebuild(benchmark::State& state)
{
    Logs& logs = Shared();
    double rss = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            std::fstream f(logs.ours + ".mdx", std::ios::in | std::ios::out | std::ios::binary);
            f.seekp(52);
            f.write("XXXX", 4);
        }
        ResetPeak();
        const double before = ResidentMb();
        state.ResumeTiming();
        dbase::CDbaseEngine engine;
        auto t = engine.Open(logs.ours);
        if (!t || t->OpenWarnings().empty())
            std::abort();
        rss = std::max(rss, PeakMb() - before);
        t->Close();
    }
    state.counters["rss_mb"] = rss;
    state.SetItemsProcessed(state.iterations() * logs.rows);
}

void BM_Rebuild_Reference(benchmark::State& state)
{
    Logs& logs = Shared();
    double rss = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ResetPeak();
        const double before = ResidentMb();
        state.ResumeTiming();
        sqlite3* db = OpenSqlite(logs.theirs);
        if (sqlite3_exec(db, "REINDEX", nullptr, nullptr, nullptr) != SQLITE_OK)
            std::abort();
        rss = std::max(rss, PeakMb() - before);
        sqlite3_close(db);
    }
    state.counters["rss_mb"] = rss;
    state.SetItemsProcessed(state.iterations() * logs.rows);
}

}   // namespace

BENCHMARK(BM_AppendFix)->Iterations(20000);
BENCHMARK(BM_AppendFix_Reference)->Iterations(20000);
BENCHMARK(BM_TimeRange);
BENCHMARK(BM_TimeRange_Reference);
BENCHMARK(BM_OpenClose)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenClose_Reference)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rebuild)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rebuild_Reference)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

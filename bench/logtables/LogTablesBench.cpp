// Appending a fix with its flush, and reading a time range back through the
// time tag: through CDBLog, and as the same operations on the bare engine
// (the _Reference runs). The table class should add little to the engine.
#include "db/DBLog.h"

#include "engines/dbase/DbaseTable.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kFixes = 20000;   // in the table the range reads run on
constexpr int kRange = 500;   // fixes per range read

struct Folder {
    std::filesystem::path dir;
    Folder()
    {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "bench-logtables-XXXXXX").string();
        dir = ::mkdtemp(tmpl.data());
    }
    ~Folder() { std::filesystem::remove_all(dir); }
};

app::CDateTimeEx FixTime(long n)
{
    app::CDateTimeEx t;
    t.SetDateTime(2024, 1, 1 + int(n / 86400), int(n / 3600 % 24), int(n / 60 % 60), int(n % 60));
    return t;
}

void FillFix(db::CDBLog& log, long n)
{
    log.m_time = FixTime(n);
    log.m_position = geo::CPosition(50 + double(n % 1000) / 1000, -1.5, 0, -1);
    log.m_cog = double(n % 360);
    log.m_sog = 12.5;
    log.m_type = 4;
    log.m_note.clear();
}

// The same record written straight into the engine's fields.
void AppendBare(dbase::CDbaseTable& t, long n)
{
    t.Lock();
    t.Select(t.Tag("T_UNIQUE"));
    long id = 1;
    if (t.Bottom() == 0)
        id = long(t.Field("UNIQUE")->AsDouble()) + 1;
    t.AppendStart();
    const app::CDateTimeEx when = FixTime(n);
    t.Field("UNIQUE")->AssignLong(id, 8, true);
    t.Field("DATE")->Assign(when.ToStorageDate());
    t.Field("TIME")->Assign(when.ToStorageTime());
    t.Field("LAT")->AssignDouble(50 + double(n % 1000) / 1000, 10, 5);
    t.Field("LNG")->AssignDouble(-1.5, 10, 5);
    t.Field("ALT")->AssignDouble(0, 10, 2);
    t.Field("DSHIFT")->AssignLong(-1, 3, false);
    t.Field("COG")->AssignDouble(double(n % 360), 6, 2);
    t.Field("SOG")->AssignDouble(12.5, 6, 2);
    t.Field("TYPE")->AssignLong(4, 3, false);
    t.Field("NOTE")->Assign("");
    t.Append();
    t.Flush();
    t.Unlock();
}

void BM_LogAppend(benchmark::State& state)
{
    Folder folder;
    db::CDBLog log;
    log.SetFilePath((folder.dir / "log").string());
    log.Open();
    long n = 0;
    for (auto _ : state) {
        FillFix(log, ++n);
        if (!log.AppendNew() || !log.FlushIfOpen())
            state.SkipWithError("append failed");
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_LogAppend_Reference(benchmark::State& state)
{
    Folder folder;
    {
        db::CDBLog log;   // the same files, made by the table class
        log.SetFilePath((folder.dir / "log").string());
        log.Open();
    }
    dbase::CDbaseEngine& engine = db::CDBLog::SharedEngine();
    auto t = engine.Open((folder.dir / "log").string());
    long n = 0;
    for (auto _ : state)
        AppendBare(*t, ++n);
    t->Close();
    state.SetItemsProcessed(state.iterations());
}

// A log of kFixes fixes, one a second, shared by the range reads.
const std::filesystem::path& RangeLog()
{
    static Folder folder;
    static bool made = false;
    if (!made) {
        db::CDBLog log;
        log.SetFilePath((folder.dir / "log").string());
        log.Open();
        log.Lock();
        for (long n = 1; n <= kFixes; ++n) {
            FillFix(log, n);
            log.AppendNew();
        }
        log.FlushAndUnlock();
        made = true;
    }
    return folder.dir;
}

std::string RangeStart(long i)
{
    return FixTime(1 + (i * 7919) % (kFixes - kRange)).ToStorageText();
}

void BM_LogRange(benchmark::State& state)
{
    db::CDBLog log;
    log.SetFilePath((RangeLog() / "log").string());
    log.Open();
    log.SelectTag("T_DT_TM");
    long i = 0;
    double sum = 0;
    for (auto _ : state) {
        std::string key = RangeStart(++i);
        key.erase(8, 1);   // "YYYYMMDDHHMMSS", as the tag holds it
        bool ok = log.Seek(key);
        for (int k = 0; ok && k < kRange; ++k, ok = log.SkipForward())
            sum += log.m_position.GetLatitude() + log.m_cog;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * kRange);
}

void BM_LogRange_Reference(benchmark::State& state)
{
    dbase::CDbaseEngine& engine = db::CDBLog::SharedEngine();
    auto t = engine.Open((RangeLog() / "log").string());
    t->Select(t->Tag("T_DT_TM"));
    long i = 0;
    double sum = 0;
    for (auto _ : state) {
        std::string key = RangeStart(++i);
        key.erase(8, 1);
        int rc = t->Seek(key);
        for (int k = 0; rc == 0 && k < kRange; ++k, rc = t->Skip(1)) {
            app::CDateTimeEx when;
            app::CDateTimeEx::FromStorageText(
                t->Field("DATE")->Text() + " " + t->Field("TIME")->Text(), when);
            sum += t->Field("LAT")->AsDouble() + t->Field("LNG")->AsDouble() +
                   t->Field("ALT")->AsDouble() + t->Field("COG")->AsDouble() +
                   t->Field("SOG")->AsDouble() + t->Field("TYPE")->AsDouble() +
                   t->Field("DSHIFT")->AsDouble() + double(t->Field("NOTE")->Text().size());
        }
    }
    t->Close();
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * kRange);
}

}   // namespace

BENCHMARK(BM_LogAppend)->Iterations(3000);
BENCHMARK(BM_LogAppend_Reference)->Iterations(3000);
BENCHMARK(BM_LogRange);
BENCHMARK(BM_LogRange_Reference);

BENCHMARK_MAIN();

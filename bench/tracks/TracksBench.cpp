// A year of a vessel's fixes a second in one track file (31.5 million
// records; BRINE_TRACK_FIXES shrinks it), made once into the build tree
// beside a SQLite table of the same fixes on an integer-time key (WAL).
//   Query/1h, 1d, 30d: find the first fix of a random span and read every
//   fix in it, against the same range query in SQLite (_Reference).
//   Build/day, year: the display window read and thinned to a 1920 x 1080
//   view's pixel grid (the worker's job).
//   Repaint/day, year: drawing the thinned track with its time marks and
//   fix markers into a 1920 x 1080 buffer, a new point before each.
//   FirstPaint/day, year: the same on a view moved since the last paint: on
//   the user-interface thread (for the year the fixes placed and the newest
//   drawn, the picture asked of the worker); picture_ms is how long the
//   worker took to have the whole picture ready.
//   Append: one point (lock, write, fdatasync, unlock).
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "chart/ChartDoc.h"
#include "chart/draw/BufferDC.h"
#include "chart/draw/PixelOps.h"
#include "chart/draw/XDC.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "navigator/LogTrack.h"
#include "navigator/TrackDecimator.h"
#include "navigator/TrackFile.h"
#include "platform/Files.h"

namespace {

using namespace std::chrono;
using namespace navigator;
namespace fs = std::filesystem;

const sys_seconds kStart = sys_days{year{2024} / 1 / 1};

std::uint64_t Fixes()
{
    const char* v = std::getenv("BRINE_TRACK_FIXES");
    return v && *v ? std::strtoull(v, nullptr, 10) : 31'536'000ULL;
}

// Fix i: a vessel working round Puget Sound, one fix a second.
CTrackFix FixAt(std::uint64_t i)
{
    const double hoursIn = double(i) / 3600.0;
    CTrackFix f;
    f.latitude = 47.85 + 0.25 * std::sin(hoursIn / 7.0) + 0.002 * std::sin(hoursIn * 3.1);
    f.longitude = -122.5 + 0.12 * std::cos(hoursIn / 5.0) + 0.002 * std::cos(hoursIn * 2.3);
    f.cog = std::fmod(hoursIn * 10.0, 360.0);
    f.sog = 8.5;
    f.utc = kStart + seconds(i);
    f.fixType = kFixEpfs;
    return f;
}

struct Data {
    fs::path folder;
    fs::path track;
    fs::path sqlite;
    std::uint64_t fixes = 0;
};

const Data& Prepared()
{
    static const Data data = [] {
        Data d;
        d.fixes = Fixes();
        d.folder = platform::ExecutableFolder() / ".." / "bench-data" /
                   ("tracks-" + std::to_string(d.fixes));
        d.track = d.folder / "year.trc";
        d.sqlite = d.folder / "year.sqlite";
        std::error_code ec;
        if (fs::exists(d.folder / "complete", ec))
            return d;
        fs::remove_all(d.folder, ec);
        fs::create_directories(d.folder, ec);
        {
            std::ofstream out(d.track, std::ios::binary);
            std::vector<char> block;
            for (std::uint64_t i = 0; i < d.fixes; ++i) {
                const auto r = EncodeTrackRecord(FixAt(i));
                block.insert(block.end(), r.begin(), r.end());
                if (block.size() >= (1u << 22)) {
                    out.write(block.data(), std::streamsize(block.size()));
                    block.clear();
                }
            }
            out.write(block.data(), std::streamsize(block.size()));
        }
        sqlite3* db = nullptr;
        sqlite3_open(d.sqlite.c_str(), &db);
        sqlite3_exec(db,
                     "PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF;"
                     "CREATE TABLE fixes(t INTEGER PRIMARY KEY, lat REAL, lon REAL, alt REAL,"
                     " datum INTEGER, cog REAL, sog REAL, heading REAL, speed REAL, depth REAL,"
                     " type INTEGER); BEGIN;",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO fixes VALUES(?,?,?,?,?,?,?,?,?,?,?)", -1, &insert,
                           nullptr);
        for (std::uint64_t i = 0; i < d.fixes; ++i) {
            const CTrackFix f = FixAt(i);
            sqlite3_bind_int64(insert, 1, (f.utc - kStart).count());
            sqlite3_bind_double(insert, 2, f.latitude);
            sqlite3_bind_double(insert, 3, f.longitude);
            sqlite3_bind_double(insert, 4, f.altitude);
            sqlite3_bind_int(insert, 5, f.datum);
            sqlite3_bind_double(insert, 6, f.cog);
            sqlite3_bind_double(insert, 7, f.sog);
            sqlite3_bind_double(insert, 8, f.heading);
            sqlite3_bind_double(insert, 9, f.speed);
            sqlite3_bind_double(insert, 10, f.depth);
            sqlite3_bind_int(insert, 11, f.fixType);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        std::ofstream(d.folder / "complete") << d.fixes;
        return d;
    }();
    return data;
}

seconds SpanOf(int which)
{
    return which == 0 ? seconds(3600) : which == 1 ? seconds(86400) : seconds(30 * 86400);
}

void BM_Query(benchmark::State& state)
{
    const Data& d = Prepared();
    const seconds span = SpanOf(int(state.range(0)));
    CTrackFile file;
    file.Open(d.track);
    std::mt19937_64 random(1);
    const auto room = std::max<std::int64_t>(1, std::int64_t(d.fixes) - span.count());
    std::int64_t rows = 0;
    double sum = 0;
    for (auto _ : state) {
        const sys_seconds from = kStart + seconds(std::int64_t(random() % std::uint64_t(room)));
        const std::uint64_t first = file.FindFirstAfter(from - seconds(1));
        const std::uint64_t end = file.FindFirstAfter(from + span - seconds(1));
        file.ReadRange(first, end - first, [&](std::uint64_t, const CTrackFix& f) {
            sum += f.latitude + f.cog;
            ++rows;
        });
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(rows);
}

void BM_Query_Reference(benchmark::State& state)
{
    const Data& d = Prepared();
    const seconds span = SpanOf(int(state.range(0)));
    sqlite3* db = nullptr;
    sqlite3_open(d.sqlite.c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr);
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM fixes WHERE t >= ? AND t < ?", -1, &query, nullptr);
    std::mt19937_64 random(1);
    const auto room = std::max<std::int64_t>(1, std::int64_t(d.fixes) - span.count());
    std::int64_t rows = 0;
    double sum = 0;
    for (auto _ : state) {
        const std::int64_t from = std::int64_t(random() % std::uint64_t(room));
        sqlite3_bind_int64(query, 1, from);
        sqlite3_bind_int64(query, 2, from + span.count());
        while (sqlite3_step(query) == SQLITE_ROW) {
            // Every column, as a track record carries them.
            CTrackFix f;
            f.utc = kStart + seconds(sqlite3_column_int64(query, 0));
            f.latitude = sqlite3_column_double(query, 1);
            f.longitude = sqlite3_column_double(query, 2);
            f.altitude = sqlite3_column_double(query, 3);
            f.datum = std::uint16_t(sqlite3_column_int(query, 4));
            f.cog = sqlite3_column_double(query, 5);
            f.sog = sqlite3_column_double(query, 6);
            f.heading = sqlite3_column_double(query, 7);
            f.speed = sqlite3_column_double(query, 8);
            f.depth = sqlite3_column_double(query, 9);
            f.fixType = sqlite3_column_int(query, 10);
            sum += f.latitude + f.cog;
            ++rows;
        }
        sqlite3_reset(query);
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(rows);
}

// A 1920 x 1080 view over the track's area (a day's or the year's).
class ViewDoc final : public chart::CChartDoc {
public:
    ViewDoc(double north, double west, double degreesPerPixel)
        : m_north(north), m_west(west), m_step(degreesPerPixel)
    { }
    bool OpenChart(const std::string&) override { return true; }
    void GetVisibleRect(geo::IntRect& r) override { r = {0, 0, 1920, 1080}; }
    bool IsPositionOnChart(const geo::CPosition&) const override { return true; }
    bool PositionToPoints(const geo::CPosition& p, chart::PointList& points) override
    {
        points.push_back(
            {int((p.GetLongitude() - m_west) / m_step), int((m_north - p.GetLatitude()) / m_step)});
        return true;
    }
    bool PointToPosition(geo::IntPoint pt, geo::CPosition& p) override
    {
        return p.Set(m_north - pt.y * m_step, m_west + pt.x * m_step, 0, 0xFFFF);
    }

    void MoveEast(int pixels) { m_west += pixels * m_step; }

private:
    double m_north, m_west, m_step;
};

ViewDoc ViewFor(bool year)
{
    // The year wanders over 0.5 x 0.25 degrees; a day over about a tenth of that.
    return year ? ViewDoc(48.11, -122.75, 0.5 / 1920) : ViewDoc(48.0, -122.62, 0.06 / 1920);
}

std::unique_ptr<CLogTrack> BuiltTrack(bool year, ViewDoc& doc)
{
    const Data& d = Prepared();
    auto track = std::make_unique<CLogTrack>();
    track->Settings().limitDisplay = !year;
    track->Settings().span = hours(24);
    track->Settings().drawTimeMarks = true;
    track->SetFile(d.track);
    track->Rebuild(*CLogTrack::GridOf(doc));
    track->WaitForRebuild(minutes(10));
    track->TakeResult();
    return track;
}

void BM_Build(benchmark::State& state)
{
    const bool year = state.range(0) == 1;
    ViewDoc doc = ViewFor(year);
    const Data& d = Prepared();
    std::size_t kept = 0;
    for (auto _ : state) {
        CTrackFile file;
        file.Open(d.track);
        CTrackDecimator decimator(*CLogTrack::GridOf(doc), minutes(10));
        if (year)
            file.ReadRange(0, file.RecordCount(),
                           [&](std::uint64_t i, const CTrackFix& f) { decimator.Add(i, f); });
        else
            file.ReadWindow(hours(24), decimator);
        kept = decimator.Result().size();
    }
    state.counters["kept"] = double(kept);
    state.SetItemsProcessed(state.iterations());
}

// The track's part of the view's dynamic redraw, as the program does it:
// into the dynamic buffer's memory, one new point a second between repaints.
void BM_Repaint(benchmark::State& state)
{
    const bool year = state.range(0) == 1;
    ViewDoc doc = ViewFor(year);
    const auto track = BuiltTrack(year, doc);
    chart::CQtBackendFactory factory;
    chart::SetDrawBackendFactory(&factory);
    {
        chart::CBufferDC buffer(nullptr, 1920, 1080);
        std::uint64_t next = Prepared().fixes;
        track->Draw(doc, buffer, true);   // the view's first paint
        track->WaitForPicture(minutes(1));
        track->Draw(doc, buffer, true);
        for (auto _ : state) {
            state.PauseTiming();
            track->Extend(next, FixAt(next));
            ++next;
            chart::FillPixels(buffer.Memory(), {0, 0, 1920, 1080}, 0xFFFFFFFFu);
            state.ResumeTiming();
            track->Draw(doc, buffer, true);
        }
        state.counters["points"] = double(track->Size());
        state.counters["picture"] = track->PaintedFromPicture() ? 1 : 0;
    }
    chart::SetDrawBackendFactory(nullptr);
    state.SetItemsProcessed(state.iterations());
}

// The first paint after the view moved: every drawn fix placed and drawn.
void BM_FirstPaint(benchmark::State& state)
{
    const bool year = state.range(0) == 1;
    ViewDoc doc = ViewFor(year);
    const auto track = BuiltTrack(year, doc);
    chart::CQtBackendFactory factory;
    chart::SetDrawBackendFactory(&factory);
    {
        chart::CBufferDC buffer(nullptr, 1920, 1080);
        double pictureSeconds = 0.0;
        for (auto _ : state) {
            state.PauseTiming();
            // A view a pixel further east: nothing drawn before serves it.
            doc.MoveEast(1);
            chart::FillPixels(buffer.Memory(), {0, 0, 1920, 1080}, 0xFFFFFFFFu);
            const auto started = steady_clock::now();
            state.ResumeTiming();
            track->Draw(doc, buffer, true);
            state.PauseTiming();
            track->WaitForPicture(minutes(1));
            pictureSeconds += duration<double>(steady_clock::now() - started).count();
            state.ResumeTiming();
        }
        state.counters["points"] = double(track->Size());
        state.counters["picture_ms"] = 1000.0 * pictureSeconds / double(state.iterations());
    }
    chart::SetDrawBackendFactory(nullptr);
    state.SetItemsProcessed(state.iterations());
}

void BM_Append(benchmark::State& state)
{
    const fs::path path = Prepared().folder / "append.trc";
    std::error_code ec;
    fs::remove(path, ec);
    CTrackFile file;
    file.Open(path);
    std::uint64_t i = 0;
    for (auto _ : state)
        file.Append(FixAt(i++));
    state.SetItemsProcessed(state.iterations());
    file.Close();
    fs::remove(path, ec);
}

BENCHMARK(BM_Query)->Arg(0)->Arg(1)->Arg(2)->ArgName("span")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Query_Reference)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("span")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Build)->Arg(0)->Arg(1)->ArgName("year")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Repaint)->Arg(0)->Arg(1)->ArgName("year")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPaint)->Arg(0)->Arg(1)->ArgName("year")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Append)->Unit(benchmark::kMicrosecond);

}   // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

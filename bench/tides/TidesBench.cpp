// The tidal atlas's work for one paint: 50 x 50 predictions at one instant,
// through the library's DoPrediction, on a model the size of the sample
// (80 x 47 cells, 37 constituents). The reference makes the same sums the
// naive way: the year's astronomy and every cosine worked out again for every
// point, amplitude and phase read from the file's records.
#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <random>

#include "TestModels.h"
#include "engines/tidal/Constituents.h"
#include "engines/tidal/TidalLibrary.h"
#include "engines/tidal/TidalModel.h"
#include "geo/NavMaths.h"
#include "platform/Prompt.h"
#include "routes/PlanCalculator.h"

namespace {

constexpr int kRows = 80, kColumns = 47, kGrid = 50;
constexpr double kNorth = 48.2, kWest = -122.85, kStep = 0.01;

struct Model {
    tidal::ModelData data;
    tidal::ModelHeader header;
    std::filesystem::path folder;
    Model()
    {
        std::vector<const char*> names;
        for (std::size_t k = 0; k < tidal::kConstituentCount; ++k)
            names.push_back(tidal::ConstituentName(k).data());
        data = tidaltest::BlankModel(kRows, kColumns, tidal::CellQuality::Station, {"M2"});
        data.constituents.clear();
        for (auto n : names)
            data.constituents.emplace_back(n);
        std::mt19937 random(7);
        std::uniform_real_distribution<float> amp(0.0f, 0.5f), phase(0.0f, 360.0f);
        for (auto& c : data.cells)
            for (auto* s : {&c.height, &c.east, &c.north}) {
                s->resize(tidal::kConstituentCount);
                for (auto& h : *s)
                    h = {amp(random), phase(random)};
            }
        header = tidaltest::HeaderFor(data, kNorth, kWest, kStep);
        folder = tidaltest::FreshFolder("bench");
        tidaltest::Write(folder, "bench", header, data);
        SetPath(folder.c_str());
        SetDataFileName("bench.tid", "bench.dat");
    }
    ~Model() { std::filesystem::remove_all(folder); }
};

Model& TheModel()
{
    static Model model;
    return model;
}

double GridLat(int i)
{
    return kNorth - 0.1 - i * 0.012;
}
double GridLon(int j)
{
    return kWest + 0.05 + j * 0.008;
}

// One prediction through the library: its five words, its code.
int LibraryWords(double latitude, double longitude, const std::tm& utc, std::int16_t (&w)[5])
{
    const std::int32_t lat = std::int32_t(latitude * 1e7);
    const std::int32_t lon = std::int32_t(longitude * 1e7);
    return DoPrediction(1, &lat, &lon, utc.tm_mday, utc.tm_mon + 1, utc.tm_year + 1900, utc.tm_hour,
                        utc.tm_min, utc.tm_sec, 0, &w[0], &w[1], &w[2], &w[3], &w[4]);
}

struct Stream {
    double east = 0, north = 0;   // m/s
};

// The stream the naive way: 2030's astronomy worked out again, then the four
// cells round the point summed constituent by constituent, each cosine anew.
Stream NaiveStream(const Model& m, double latitude, double longitude, double hoursInto2030)
{
    const auto args = tidal::ArgumentsForYear(2030);
    const double row = (kNorth - latitude) / kStep, col = (longitude - kWest) / kStep;
    const int r0 = int(row), c0 = int(col);
    const double fr = row - r0, fc = col - c0;
    Stream out;
    for (int corner = 0; corner < 4; ++corner) {
        const int r = r0 + corner / 2, c = c0 + corner % 2;
        const double w = (corner / 2 ? fr : 1 - fr) * (corner % 2 ? fc : 1 - fc);
        const auto& cell = m.data.cells[std::size_t(r) * kColumns + c];
        for (std::size_t k = 0; k < tidal::kConstituentCount; ++k) {
            const double arg = tidal::ConstituentSpeed(k) * hoursInto2030 + args.equilibrium[k];
            out.east += w * args.nodeFactor[k] * cell.east[k].amplitude *
                        std::cos((arg - cell.east[k].phase) * M_PI / 180);
            out.north += w * args.nodeFactor[k] * cell.north[k].amplitude *
                         std::cos((arg - cell.north[k].phase) * M_PI / 180);
        }
    }
    return out;
}

void BM_AtlasGrid(benchmark::State& state)
{
    TheModel();
    std::tm when{};   // 15 March 2030, 12:00 UTC
    when.tm_mday = 15;
    when.tm_mon = 2;
    when.tm_year = 130;
    when.tm_hour = 12;
    std::int16_t w[5];
    long sum = 0;
    for (auto _ : state) {
        for (int i = 0; i < kGrid; ++i)
            for (int j = 0; j < kGrid; ++j)
                if (LibraryWords(GridLat(i), GridLon(j), when, w) <= 0)
                    sum += w[3];
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kGrid * kGrid);
}
BENCHMARK(BM_AtlasGrid)->Unit(benchmark::kMillisecond);

void BM_AtlasGrid_Reference(benchmark::State& state)
{
    const Model& m = TheModel();
    const double hours = (31 + 28 + 14) * 24.0 + 12.0;   // 15 March 2030, 12:00 UTC
    double sum = 0;
    for (auto _ : state) {
        for (int i = 0; i < kGrid; ++i)
            for (int j = 0; j < kGrid; ++j) {
                const Stream s = NaiveStream(m, GridLat(i), GridLon(j), hours);
                sum += std::hypot(s.east, s.north);
            }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kGrid * kGrid);
}
BENCHMARK(BM_AtlasGrid_Reference)->Unit(benchmark::kMillisecond);

// ---- The best-departure search: 12 plans 2 h apart (24 h) over a
// three-leg route of 20 nm through the model at 5 kn, 10-minute steps.

class QuietPrompt final : public platform::CPrompt {
public:
    platform::PromptAnswer Ask(std::string_view, std::string_view, platform::PromptIcon,
                               platform::PromptButtons) override
    {
        return platform::PromptAnswer::Ok;
    }
};

// Streams through the library, as the tidal-model module asks for them.
class LibraryTides final : public routes::CPlanTides {
public:
    bool IsAvailable() const override { return true; }
    int PredictAt(const geo::CPosition& p, std::int64_t utc, double& height, double& rate,
                  double& direction) override
    {
        const std::time_t t = std::time_t(utc);
        std::tm tm{};
        gmtime_r(&t, &tm);
        std::int16_t w[5];
        const int code = LibraryWords(p.GetLatitude(), p.GetLongitude(), tm, w);
        if (code < -2 || code > 0)
            return code;
        height = w[0] * 0.001;
        rate = w[3] * 3.6;
        direction = w[4] * 0.1;
        return code;
    }
    std::string ResultText(int) const override { return {}; }
};

// The same streams summed the naive way at every call.
class NaiveTides final : public routes::CPlanTides {
public:
    explicit NaiveTides(const Model& m) : m_model(m) { }
    bool IsAvailable() const override { return true; }
    int PredictAt(const geo::CPosition& p, std::int64_t utc, double& height, double& rate,
                  double& direction) override
    {
        const double hours = double(utc - 1893456000LL) / 3600.0;   // from 2030-01-01
        const Stream s = NaiveStream(m_model, p.GetLatitude(), p.GetLongitude(), hours);
        height = 0;
        rate = std::hypot(s.east, s.north) * 3600.0;
        direction = std::atan2(s.east, s.north) * 180.0 / M_PI;
        return 0;
    }
    std::string ResultText(int) const override { return {}; }

private:
    const Model& m_model;
};

std::vector<routes::PlanWaypoint> BenchRoute()
{
    std::vector<routes::PlanWaypoint> route = {{geo::CPosition(48.10, -122.75), 0, 0},
                                               {geo::CPosition(47.98, -122.65), 0, 0},
                                               {geo::CPosition(47.85, -122.60), 0, 0},
                                               {geo::CPosition(47.75, -122.50), 0, 0}};
    for (std::size_t i = 0; i + 1 < route.size(); ++i)
        geo::RhumbRangeBearing(route[i].position, route[i + 1].position, &route[i].distance,
                               &route[i].course, true);
    return route;
}

void RunSearch(benchmark::State& state, routes::CPlanTides& tides)
{
    routes::CPlanSettings settings;
    settings.tidesOn = true;
    settings.tidalIntervalSeconds = 600;
    settings.bestTimePlans = 12;
    settings.bestTimeIntervalSeconds = 7200;
    QuietPrompt prompt;
    routes::CPlanCalculator calc(settings, prompt);
    calc.SetTides(&tides);
    const auto route = BenchRoute();
    for (auto _ : state) {
        int code = 0;
        auto best = calc.SearchBestTime(route, 1899072000, code);
        benchmark::DoNotOptimize(best);
    }
    state.SetItemsProcessed(state.iterations() * 12);
}

void BM_BestTimeSearch(benchmark::State& state)
{
    TheModel();
    LibraryTides tides;
    RunSearch(state, tides);
}
BENCHMARK(BM_BestTimeSearch)->Unit(benchmark::kMillisecond);

void BM_BestTimeSearch_Reference(benchmark::State& state)
{
    NaiveTides tides(TheModel());
    RunSearch(state, tides);
}
BENCHMARK(BM_BestTimeSearch_Reference)->Unit(benchmark::kMillisecond);

}   // namespace

BENCHMARK_MAIN();

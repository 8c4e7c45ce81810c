// The sailings every route leg, plan and dead-reckoning step goes through,
// against GeographicLib doing the same job on the same inputs.
#include <benchmark/benchmark.h>

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/Rhumb.hpp>

#include <random>
#include <vector>

#include "geo/NavMaths.h"

namespace {

struct Leg {
    double lat1, lon1, lat2, lon2, range, bearing;
};

// Legs of every length and direction away from the poles, as routes have them.
const std::vector<Leg>& Legs()
{
    static const std::vector<Leg> legs = [] {
        std::mt19937_64 rng(42);
        std::uniform_real_distribution<double> lat(-70.0, 70.0), lon(-180.0, 180.0),
            range(0.1, 3000.0), bearing(0.0, 360.0);
        std::vector<Leg> v(1024);
        for (Leg& l : v)
            l = {lat(rng), lon(rng), lat(rng), lon(rng), range(rng), bearing(rng)};
        return v;
    }();
    return legs;
}

const GeographicLib::Rhumb& Rhumb()
{
    // GeographicLib's usual series form (not its slower exact one), to hold ours to its best speed.
    static const GeographicLib::Rhumb r(GeographicLib::Constants::WGS84_a(),
                                        GeographicLib::Constants::WGS84_f(), false);
    return r;
}

void BM_RhumbRangeBearing(benchmark::State& state)
{
    std::vector<std::pair<geo::CPosition, geo::CPosition>> ends;
    for (const Leg& l : Legs())
        ends.emplace_back(geo::CPosition(l.lat1, l.lon1), geo::CPosition(l.lat2, l.lon2));
    for (auto _ : state) {
        for (const auto& [a, b] : ends) {
            double range, bearing;
            geo::RhumbRangeBearing(a, b, &range, &bearing, true);
            benchmark::DoNotOptimize(range);
            benchmark::DoNotOptimize(bearing);
        }
    }
    state.SetItemsProcessed(state.iterations() * ends.size());
}

void BM_RhumbRangeBearing_Reference(benchmark::State& state)
{
    for (auto _ : state) {
        for (const Leg& l : Legs()) {
            double s12, azi;
            Rhumb().Inverse(l.lat1, l.lon1, l.lat2, l.lon2, s12, azi);
            benchmark::DoNotOptimize(s12);
            benchmark::DoNotOptimize(azi);
        }
    }
    state.SetItemsProcessed(state.iterations() * Legs().size());
}

void BM_PositionFromRangeBearing(benchmark::State& state)
{
    for (auto _ : state) {
        for (const Leg& l : Legs()) {
            double lat, lon;
            geo::PositionFromRangeBearing(l.lat1, l.lon1, l.range, l.bearing, &lat, &lon);
            benchmark::DoNotOptimize(lat);
            benchmark::DoNotOptimize(lon);
        }
    }
    state.SetItemsProcessed(state.iterations() * Legs().size());
}

void BM_PositionFromRangeBearing_Reference(benchmark::State& state)
{
    for (auto _ : state) {
        for (const Leg& l : Legs()) {
            double lat, lon;
            Rhumb().Direct(l.lat1, l.lon1, l.bearing, l.range * 1852.0, lat, lon);
            benchmark::DoNotOptimize(lat);
            benchmark::DoNotOptimize(lon);
        }
    }
    state.SetItemsProcessed(state.iterations() * Legs().size());
}

void BM_GreatCircleRangeBearing(benchmark::State& state)
{
    std::vector<std::pair<geo::CPosition, geo::CPosition>> ends;
    for (const Leg& l : Legs())
        ends.emplace_back(geo::CPosition(l.lat1, l.lon1), geo::CPosition(l.lat2, l.lon2));
    for (auto _ : state) {
        for (const auto& [a, b] : ends) {
            double range, bearing;
            geo::GreatCircleRangeBearing(a, b, &range, &bearing);
            benchmark::DoNotOptimize(range);
            benchmark::DoNotOptimize(bearing);
        }
    }
    state.SetItemsProcessed(state.iterations() * ends.size());
}

void BM_GreatCircleRangeBearing_Reference(benchmark::State& state)
{
    const GeographicLib::Geodesic& g = GeographicLib::Geodesic::WGS84();
    for (auto _ : state) {
        for (const Leg& l : Legs()) {
            double s12, azi1, azi2;
            g.Inverse(l.lat1, l.lon1, l.lat2, l.lon2, s12, azi1, azi2);
            benchmark::DoNotOptimize(s12);
            benchmark::DoNotOptimize(azi1);
        }
    }
    state.SetItemsProcessed(state.iterations() * Legs().size());
}

}   // namespace

BENCHMARK(BM_RhumbRangeBearing);
BENCHMARK(BM_RhumbRangeBearing_Reference);
BENCHMARK(BM_PositionFromRangeBearing);
BENCHMARK(BM_PositionFromRangeBearing_Reference);
BENCHMARK(BM_GreatCircleRangeBearing);
BENCHMARK(BM_GreatCircleRangeBearing_Reference);

BENCHMARK_MAIN();

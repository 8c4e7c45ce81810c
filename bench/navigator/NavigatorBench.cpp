// One navigation cycle as the frame's one-second pass runs it, while dead
// reckoning on an active route: the DR step, the position source, a new
// snapshot, range, bearing, leg and cross-track error, the alarm and
// off-track tests and every card text. The reference makes only the sailing
// calls of that cycle (one DR move, four rhumb lines), so the ratio shows what
// the bookkeeping around the maths costs.
#include <benchmark/benchmark.h>

#include <chrono>

#include "FakeClock.h"
#include "NavigatorFakes.h"
#include "geo/NavMaths.h"
#include "navigator/NavigatorModule.h"

namespace {

using namespace std::chrono_literals;

void BM_NavigationCycle(benchmark::State& state)
{
    brine_test::FakeClock clock;
    navtest::MemorySettings settings;
    navtest::FakeGps gps(clock);
    navtest::FakeRoute route;
    route.Add(50.0, -4.0, "Start");
    route.Add(50.5, -3.5, "Mid");
    route.Add(51.0, -3.0, "End");
    route.active = 2;
    route.settings.passingPerpendicularOn = false;
    route.settings.limitOfDeviationOn = true;
    navigator::CNavigatorModule nav(settings, clock, &gps);
    nav.SetRoute(&route);
    nav.SetDrDelay(10s);
    gps.parser.ParseLine(navtest::Rmc(50.1, -3.9, 8.0, 40.0));
    auto pass = [&] {
        nav.NavigationTimerPass();
        nav.PanelQueue().Drain([&](const app::CPostedMessage& m) { nav.OnMonitorMessage(m); });
    };
    pass();
    nav.SwitchToDeadReckoningByUser();
    clock.Advance(6s);
    pass();
    for (auto _ : state) {
        clock.Advance(1s);
        pass();
        benchmark::DoNotOptimize(nav.Monitor().Texts().xte.size());
    }
    if (!nav.Source().IsDrOn() || nav.Monitor().Texts().range.empty())
        state.SkipWithError("the cycle did not dead-reckon on the route");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NavigationCycle);

void BM_NavigationCycle_Reference(benchmark::State& state)
{
    geo::CPosition vessel(50.1, -3.9);
    const geo::CPosition from(50.0, -4.0), to(50.5, -3.5), next(51.0, -3.0);
    for (auto _ : state) {
        geo::CPosition moved;
        geo::PositionAtRangeBearingEx(vessel, 8.0, 1.0, 40.0, &moved);
        vessel = moved;
        double r = 0, b = 0;
        geo::RhumbRangeBearing(vessel, to, &r, &b, true);
        benchmark::DoNotOptimize(r);
        geo::RhumbRangeBearing(from, to, &r, &b, true);
        benchmark::DoNotOptimize(r);
        geo::RhumbRangeBearing(from, vessel, &r, &b, true);
        benchmark::DoNotOptimize(r);
        geo::RhumbRangeBearing(to, next, &r, &b, true);
        benchmark::DoNotOptimize(b);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NavigationCycle_Reference);

}   // namespace

BENCHMARK_MAIN();

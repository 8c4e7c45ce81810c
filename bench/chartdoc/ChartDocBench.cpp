// Every overlay point drawn on a chart goes from position to client points
// through the document: the datum shift, the chart's mapping and the caller's
// reused point list. Held against the blank chart's linear mapping written
// inline, with no document in between. Allocations during the timed loop are
// counted: there must be none.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

#include "chart/ChartWindow.h"
#include "charts/vector/BlankChartDoc.h"

namespace {

std::atomic<long> g_allocations{0};

}   // namespace

void* operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

// The view a chart is shown in: 1920 x 1080 pixels.
class View final : public chart::CChartWindow {
public:
    int GetState() const override { return chart::kFrameNormal; }
    chart::CChartDoc* GetChartDoc() const override { return nullptr; }
    app::CMsgBar* GetMsgBar() const override { return nullptr; }
    void SetTitle(const std::string&) override { }
    geo::IntRect GetClientRect() const override { return {0, 0, 1920, 1080}; }
    void InvalidateChart() override { }
    void InvalidateOverlays() override { }
    void InvalidateView() override { }
    void UpdateView() override { }
    void SelectDisplayPalette() override { }
    void ClearViewOverlays() override { }
    chart::CWindowPlacement GetPlacement() const override { return {}; }
    void SetPlacement(const chart::CWindowPlacement&) override { }
    void ActivateFrame() override { }
    std::optional<geo::IntPoint> GetCursorClientPoint() const override { return std::nullopt; }
};

const std::vector<geo::CPosition>& Positions()
{
    static const std::vector<geo::CPosition> positions = [] {
        std::mt19937_64 rng(7);
        std::uniform_real_distribution<double> lat(-89.0, 89.0), lon(-179.0, 179.0);
        std::vector<geo::CPosition> v;
        for (int i = 0; i < 4096; ++i)
            v.emplace_back(lat(rng), lon(rng));
        return v;
    }();
    return positions;
}

void BM_PositionToClientPoints(benchmark::State& state)
{
    View view;
    charts::CBlankChartDoc doc;
    doc.AttachWindow(&view);
    doc.OnOpenDocument("");
    doc.ZoomIn();   // an extent that is not the whole world
    const auto& positions = Positions();
    chart::PointList points;
    points.reserve(4);
    std::int64_t sum = 0;
    const long before = g_allocations.load();
    for (auto _ : state) {
        for (const geo::CPosition& p : positions) {
            doc.PositionToClientPoints(p, points);
            if (!points.empty())
                sum += points.front().x;
        }
    }
    benchmark::DoNotOptimize(sum);
    state.counters["allocations"] = static_cast<double>(g_allocations.load() - before);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(positions.size()));
}
BENCHMARK(BM_PositionToClientPoints);

// The same mapping over the same extent and rectangle, inline.
void BM_PositionToClientPoints_Reference(benchmark::State& state)
{
    View view;
    charts::CBlankChartDoc doc;
    doc.AttachWindow(&view);
    doc.OnOpenDocument("");
    doc.ZoomIn();
    geo::CPosition nw, se;
    doc.GetExtent(nw, se);
    geo::IntRect r;
    doc.GetVisibleRect(r);
    const double north = nw.GetLatitude(), south = se.GetLatitude();
    const double west = nw.GetLongitude(), east = se.GetLongitude();
    const double w = r.right - r.left, h = r.bottom - r.top;
    const auto& positions = Positions();
    std::vector<geo::IntPoint> points;
    points.reserve(4);
    std::int64_t sum = 0;
    for (auto _ : state) {
        for (const geo::CPosition& p : positions) {
            points.clear();
            if (!p.IsValid())
                continue;
            const int x = r.left + static_cast<int>(
                                       std::trunc((p.GetLongitude() - west) / (east - west) * w));
            const int y = r.top + static_cast<int>(
                                      std::trunc((north - p.GetLatitude()) / (north - south) * h));
            points.push_back({x, y});
            sum += points.front().x;
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(positions.size()));
}
BENCHMARK(BM_PositionToClientPoints_Reference);

}   // namespace

BENCHMARK_MAIN();

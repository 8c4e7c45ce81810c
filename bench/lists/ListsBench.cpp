// Fill and sort 100,000 rows of a chartpoint list's columns (name, symbol,
// latitude, longitude, distance, comment) by a text and a numeric column,
// through the list model base and through QStandardItemModel with the same
// texts and its own sort (the _Reference). Then the lines a port reader
// stores per second while a sentence window shows them, against none open.
#include <QApplication>
#include <QStandardItemModel>
#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "app/ui/ListModelBase.h"
#include "nmea/Port.h"
#include "nmea/ui/NmeaDumpView.h"

namespace {

constexpr std::size_t kRows = 100000;

QApplication& App()
{
    static int argc = 1;
    static char arg0[] = "bench_lists";
    static char* argv[] = {arg0, nullptr};
    static auto* app = new QApplication(argc, argv);
    return *app;
}

std::string Cell(std::size_t row, std::size_t column)
{
    switch (column) {
    case 0: return "Waypoint " + std::to_string((row * 2654435761u) % kRows);
    case 1: return "Symbol " + std::to_string(row % 17);
    case 2: return std::to_string(row % 90) + "\u00B0" + std::to_string(row % 60) + ".25'N";
    case 3: return std::to_string(row % 180) + "\u00B0" + std::to_string(row % 60) + ".50'W";
    case 4: return std::to_string((row * 7919) % 100000 / 10.0);
    default: return "Comment " + std::to_string(row);
    }
}

struct ChartpointRows : app::CRowSource {
    std::size_t RowCount() const override { return kRows; }
    std::size_t ColumnCount() const override { return 6; }
    std::string Heading(std::size_t c) const override
    {
        static const char* names[] = {"Name",      "Symbol",   "Latitude",
                                      "Longitude", "Distance", "Comment"};
        return names[c];
    }
    void FetchRows(std::size_t first, std::size_t count,
                   std::vector<app::ListRow>& rows) const override
    {
        rows.clear();
        for (std::size_t r = first; r < kRows && r < first + count; ++r) {
            app::ListRow row;
            for (std::size_t c = 0; c < 6; ++c)
                row.push_back(Cell(r, c));
            rows.push_back(std::move(row));
        }
    }
    app::ListSortKey SortKey(std::size_t row, std::size_t column) const override
    {
        if (column == 4)
            return static_cast<double>((row * 7919) % 100000) / 10.0;
        return Cell(row, column);
    }
};

void FillAndSort(benchmark::State& state)
{
    App();
    const auto source = std::make_shared<ChartpointRows>();
    for (auto _ : state) {
        app::CListModelBase model(source);
        model.sort(0);
        model.sort(4);
        benchmark::DoNotOptimize(model.index(0, 0).data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRows));
}
BENCHMARK(FillAndSort)->Unit(benchmark::kMillisecond);

void FillAndSort_Reference(benchmark::State& state)
{
    App();
    for (auto _ : state) {
        QStandardItemModel model(static_cast<int>(kRows), 6);
        for (std::size_t r = 0; r < kRows; ++r)
            for (std::size_t c = 0; c < 6; ++c)
                model.setItem(static_cast<int>(r), static_cast<int>(c),
                              new QStandardItem(QString::fromStdString(Cell(r, c))));
        model.sort(0);
        model.sort(4);
        benchmark::DoNotOptimize(model.index(0, 0).data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRows));
}
BENCHMARK(FillAndSort_Reference)->Unit(benchmark::kMillisecond);

// A reader stores lines for the benchmark's time while the event loop runs
// the window's repaints (or nothing).
void StoreLines(benchmark::State& state, bool windowOpen)
{
    App();
    nmea::CPort port(1);
    std::unique_ptr<nmea::CNmeaDumpView> view;
    if (windowOpen) {
        view = std::make_unique<nmea::CNmeaDumpView>(port, nmea::PortChannel::Receive);
        view->resize(500, 300);
        view->show();
    }
    const std::string line = "$GPRMC,120000.00,A,5030.2500,N,00115.5000,W,5.2,180.0,071226,,,A*6C";
    constexpr int kLines = 20000;
    std::int64_t stored = 0;
    for (auto _ : state) {
        // The reader runs on its own thread, as a port's does; this thread
        // runs the window's repaints meanwhile.
        std::atomic<bool> done{false};
        std::thread reader([&] {
            for (int i = 0; i < kLines; ++i)
                port.DeliverReceived(line);
            done = true;
        });
        while (!done)
            QCoreApplication::processEvents();
        reader.join();
        stored += kLines;
    }
    state.SetItemsProcessed(stored);
}

void StoreLinesWithWindow(benchmark::State& state)
{
    StoreLines(state, true);
}
void StoreLinesWithWindow_Reference(benchmark::State& state)
{
    StoreLines(state, false);
}
BENCHMARK(StoreLinesWithWindow)->UseRealTime();
BENCHMARK(StoreLinesWithWindow_Reference)->UseRealTime();

}   // namespace

BENCHMARK_MAIN();

// bench_target_panel: the Target Tracking panel and the tender log, shown.
//
// BM_ArpaRowsRewritten: 200 ARPA rows of 14 cells rewritten on the panel's
// "ARPA" card (rows found by target number), each pass with new time,
// position, range and bearing texts, then the events that repaint it.
// BM_ArpaRowsRewritten_Reference: the same texts set into a QStandardItemModel
// under a QTreeView, rows addressed by index. Target: within 2x.
// BM_TenderLogPage: the "Tender Target Log" of a tender with 50,000 fixes
// scrolled one page and painted, cells formatted as they show. Target: a page
// under 5 ms.

#include <QApplication>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTreeView>
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "../../tests/support/FakeClock.h"
#include "targets/ARPARows.h"
#include "targets/ui/TargetTrackingPanel.h"
#include "targets/ui/TenderLogWindow.h"

namespace {

constexpr int kTargets = 200;

QApplication& App()
{
    static int argc = 1;
    static char arg0[] = "bench_target_panel";
    static char* argv[] = {arg0, nullptr};
    static auto* app = new QApplication(argc, argv);
    return *app;
}

// The 14 cells of target `n` on pass `pass`: the moving ones change each pass.
std::vector<std::string> Cells(int n, int pass)
{
    const int s = pass % 60;
    return {
        std::to_string(n),
        "Target " + std::to_string(n),
        "07/12/2026 10:" + std::to_string(10 + s / 10) + ":" + std::to_string(s % 10) + "5",
        "47\u00B0" + std::to_string(30 + n % 30) + "." + std::to_string(100 + pass % 900) + "'N",
        "122\u00B0" + std::to_string(20 + n % 30) + "." + std::to_string(100 + pass % 900) + "'W",
        std::to_string(10 + n % 7) + ".50 kn",
        std::to_string(100 + n % 260),
        std::to_string(1 + n % 9) + "." + std::to_string(10 + pass % 90) + " nm",
        std::to_string(100 + (n + pass) % 260),
        "5.50",
        "0.50 nm",
        "Auto",
        "Tracking",
        ""};
}

void BM_ArpaRowsRewritten(benchmark::State& state)
{
    App();
    targets::CTargetTrackingPanel panel;
    panel.SetHeaders(targets::CTargetTrackingPanel::kArpa,
                     std::vector<std::string>(targets::kArpaHeaders,
                                              targets::kArpaHeaders + targets::kArpaColumns));
    panel.resize(900, 700);
    panel.show();
    int pass = 0;
    for (int n = 0; n < kTargets; ++n)
        panel.UpdateRow(targets::CTargetTrackingPanel::kArpa, n, Cells(n, pass));
    QApplication::processEvents();
    for (auto _ : state) {
        ++pass;
        for (int n = 0; n < kTargets; ++n)
            panel.UpdateRow(targets::CTargetTrackingPanel::kArpa, n, Cells(n, pass));
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ArpaRowsRewritten)->Unit(benchmark::kMillisecond);

void BM_ArpaRowsRewritten_Reference(benchmark::State& state)
{
    App();
    QStandardItemModel model(kTargets, targets::kArpaColumns);
    QTreeView view;
    view.setModel(&model);
    view.setUniformRowHeights(true);
    view.resize(900, 700);
    view.show();
    int pass = 0;
    const auto write = [&] {
        for (int n = 0; n < kTargets; ++n) {
            const auto cells = Cells(n, pass);
            for (int c = 0; c < targets::kArpaColumns; ++c) {
                const QString text = QString::fromStdString(cells[std::size_t(c)]);
                if (QStandardItem* item = model.item(n, c))
                    item->setText(text);
                else
                    model.setItem(n, c, new QStandardItem(text));
            }
        }
    };
    write();
    QApplication::processEvents();
    for (auto _ : state) {
        ++pass;
        write();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ArpaRowsRewritten_Reference)->Unit(benchmark::kMillisecond);

void BM_TenderLogPage(benchmark::State& state)
{
    App();
    brine_test::FakeClock clock;
    targets::CTender tender;
    tender.record = std::make_shared<targets::CTenderRecord>(0, clock, std::chrono::seconds(5));
    tender.record->SetName("Rescue");
    const auto start = std::chrono::sys_days{std::chrono::year{2026} / 12 / 7};
    for (int i = 0; i < 50000; ++i)
        tender.track.push_back({start + std::chrono::seconds(10 * i),
                                targets::CTargetPosition{47.6 + i * 1e-5, -122.4 + i * 1e-5},
                                double(i % 360), 4.5, 12.25});
    targets::CTenderLogWindow window([] { return geo::CPositionFormat{}; },
                                     [](std::chrono::system_clock::time_point t) {
                                         return std::to_string(t.time_since_epoch().count());
                                     },
                                     nullptr);
    window.SetTender([&] { return &tender; });
    window.resize(900, 600);
    window.show();
    QApplication::processEvents();
    auto* view = window.findChild<QTableView*>();
    QScrollBar* bar = view->verticalScrollBar();
    for (auto _ : state) {
        const int next = bar->value() + bar->pageStep();
        bar->setValue(next > bar->maximum() ? 0 : next);
        view->viewport()->repaint();
    }
    state.counters["rows"] = window.Rows();
}
BENCHMARK(BM_TenderLogPage)->Unit(benchmark::kMillisecond);

}   // namespace

BENCHMARK_MAIN();

// bench_targets: one 10 Hz step of 200 radar targets over a harbour-scale
// blank chart, 1920 x 1080.
//
// BM_TargetStep: 200 TTM lines (range, bearing, course, speed, CPA, TCPA)
// through the ARPA parser and target handlers, the module's pass (positions
// laid off from the own ship under the target lock, ageing, a track fix per
// target) and a frame of the target layer: symbols, projected paths and
// tracks of 600 fixes each, through the document's conversions and the
// drawing context onto Qt's painter.
// BM_TargetStep_Reference: the same lines split bare at the commas, the
// positions by PositionAtRangeBearing, and the painter drawing the same
// shapes (a polygon per symbol, a line per path, a polyline per track) from
// client points worked out beforehand.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "../../tests/nmea/FakePort.h"
#include "../../tests/support/FakeChartWindow.h"
#include "../../tests/support/FakeClock.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "charts/vector/BlankChartDoc.h"
#include "geo/NavMaths.h"
#include "platform/LocaleFreeNumbers.h"
#include "platform/SettingsStore.h"
#include "targets/ARPAModule.h"
#include "targets/ARPATargetLayer.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kTargets = 200;
constexpr int kTrackFixes = 600;
const targets::CTargetPosition kOwn{50.75, -1.30};

std::string Checksummed(const std::string& body)
{
    unsigned sum = 0;
    for (const char c : body)
        sum ^= static_cast<unsigned char>(c);
    static const char* hex = "0123456789ABCDEF";
    return "$" + body + "*" + hex[(sum >> 4) & 15] + hex[sum & 15];
}

// The radar's picture at step `k`: target i on a fixed course, ranges within
// the view, one line each.
std::vector<std::string> Lines(int k)
{
    std::vector<std::string> lines;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> range(0.5, 9.0), bearing(0.0, 360.0), course(0.0, 360.0),
        speed(3.0, 20.0);
    for (int i = 0; i < kTargets; ++i) {
        const double r = range(random) + 0.001 * k, b = bearing(random);
        const double c = course(random), s = speed(random);
        lines.push_back(Checksummed(platform::FormatC(
            "RATTM,%02d,%.3f,%.1f,T,%.1f,%.1f,T,%.3f,%.2f,N,T%02d,T,,%02d%02d%02d.00,A", i % 100, r,
            b, s, c, r * 0.3, 12.5, i % 100, 12 + k / 3600, k / 60 % 60, k % 60)));
    }
    return lines;
}

struct Home : app::CSettingsHome {
    mutable platform::CSettingsStore store{"/tmp/bench-targets-settings.conf"};
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return "Software\\Quorwick\\Brinevane\\Bench"; }
};

struct Harbour {
    Harbour() : window(geo::IntRect{0, 0, kWidth, kHeight})
    {
        window.doc = &doc;
        doc.AttachWindow(&window);
        doc.OnOpenDocument("");
        doc.SetViewExtent(geo::CPosition(50.95, -1.60), geo::CPosition(50.55, -1.00));
    }
    ~Harbour() { doc.OnCloseDocument(); }
    brine_test::FakeChartWindow window;
    charts::CBlankChartDoc doc;
};

}   // namespace

// Two hundred numbers need two radars' worth of slots: numbers 0-99 twice
// would share slots, so the module gets 100 and a second module the rest.
void BM_TargetStep(benchmark::State& state)
{
    Harbour harbour;
    Home home;
    brine_test::FakeClock clock;
    brine_test::FakePorts ports;
    ports.Add(1);
    std::vector<std::unique_ptr<targets::CARPAModule>> radars;
    targets::CNavigationState nav;
    nav.own.position = kOwn;
    nav.own.heading = 0.0;
    nav.own.courseOverGround = 0.0;
    nav.own.speedOverGround = 0.0;
    for (int r = 0; r < 2; ++r) {
        auto m = std::make_unique<targets::CARPAModule>(home, ports, clock, nullptr);
        m->Initialise();
        m->SetNavigation([&] { return nav; });
        auto o = m->GetOptions();
        o.pass.maxTargets = 100;
        o.properties.drawProjectedPath = true;
        o.properties.projectedPathDistance = 1.0;
        o.properties.loggingPeriod = app::CDateTimeSpanEx(1);
        o.properties.FixMarker().SetDraw(true);
        m->ApplyOptions(o);
        m->OnActivate();
        radars.push_back(std::move(m));
    }
    const auto step = [&](int k) {
        const auto lines = Lines(k);
        for (std::size_t i = 0; i < lines.size(); ++i)
            radars[i < 100 ? 0 : 1]->Parser().ParseLine(lines[i]);
        clock.Advance(std::chrono::seconds(1));
        nav.utc = clock.UtcNow();
        for (auto& m : radars)
            m->TimerPass();
    };
    for (int k = 0; k < kTrackFixes; ++k)
        step(k);
    std::vector<std::unique_ptr<targets::CARPATargetLayer>> layers;
    for (auto& m : radars)
        layers.push_back(std::make_unique<targets::CARPATargetLayer>(*m));
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    const chart::CPixelView memory{reinterpret_cast<std::uint32_t*>(image.bits()), kWidth, kHeight,
                                   image.bytesPerLine() / 4};
    chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(memory));
    int k = kTrackFixes;
    for (auto _ : state) {
        step(k++);
        image.fill(Qt::white);
        for (auto& layer : layers)
            layer->Draw(harbour.doc, dc);
        benchmark::ClobberMemory();
    }
    state.counters["tracked"] =
        static_cast<double>(radars[0]->Targets().size() + radars[1]->Targets().size());
    state.counters["fixes"] = static_cast<double>(radars[0]->Targets()[0].track.size());
    for (auto& m : radars)
        m->Terminate();
}

void BM_TargetStep_Reference(benchmark::State& state)
{
    Harbour harbour;
    const geo::CPosition own(kOwn.latitude, kOwn.longitude);
    const auto client = [&](const geo::CPosition& p) {
        chart::PointList points;
        harbour.doc.PositionToClientPoints(p, points);
        return points.empty() ? QPoint() : QPoint(points[0].x, points[0].y);
    };
    // The tracks and path ends as client points, worked out once.
    std::vector<QPolygon> tracks(kTargets);
    for (int k = 0; k < kTrackFixes; k += 1) {
        const auto lines = Lines(k);
        for (int i = 0; i < kTargets; ++i) {
            const std::string& l = lines[static_cast<std::size_t>(i)];
            double r = 0, b = 0;
            std::size_t a = 0;
            for (int f = 0; f < 3; ++f)
                a = l.find(',', a) + 1;
            std::from_chars(l.data() + l.find(',', l.find(',') + 1) + 1, l.data() + l.size(), r);
            std::from_chars(l.data() + a, l.data() + l.size(), b);
            geo::CPosition p;
            geo::PositionAtRangeBearing(own, r, b, &p);
            tracks[static_cast<std::size_t>(i)] << client(p);
        }
    }
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    int k = kTrackFixes;
    std::vector<geo::CPosition> now(kTargets), ends(kTargets);
    std::vector<double> courses(kTargets);
    for (auto _ : state) {
        // Intake: split each line bare and read its numbers.
        const auto lines = Lines(k++);
        for (int i = 0; i < kTargets; ++i) {
            const std::string& l = lines[static_cast<std::size_t>(i)];
            std::vector<std::string_view> fields;
            std::size_t from = 0;
            for (std::size_t at = l.find(','); at != std::string::npos; at = l.find(',', from)) {
                fields.emplace_back(l.data() + from, at - from);
                from = at + 1;
            }
            double r = 0, b = 0, c = 0, s = 0, cpa = 0, tcpa = 0;
            std::from_chars(fields[2].data(), fields[2].data() + fields[2].size(), r);
            std::from_chars(fields[3].data(), fields[3].data() + fields[3].size(), b);
            std::from_chars(fields[5].data(), fields[5].data() + fields[5].size(), s);
            std::from_chars(fields[6].data(), fields[6].data() + fields[6].size(), c);
            std::from_chars(fields[8].data(), fields[8].data() + fields[8].size(), cpa);
            std::from_chars(fields[9].data(), fields[9].data() + fields[9].size(), tcpa);
            const auto n = static_cast<std::size_t>(i);
            geo::PositionAtRangeBearing(own, r, b, &now[n]);
            geo::PositionAtRangeBearing(now[n], 1.0, c, &ends[n]);
            courses[n] = c + s * 0.0 + cpa * 0.0 + tcpa * 0.0;
        }
        image.fill(Qt::white);
        for (int i = 0; i < kTargets; ++i) {
            const auto n = static_cast<std::size_t>(i);
            painter.setPen(QPen(QColor(255, 0, 0), 1));
            painter.drawPolyline(tracks[n]);
            const QPoint at = client(now[n]);
            painter.drawLine(tracks[n].back(), at);
            painter.setBrush(Qt::white);
            for (const QPoint& p : tracks[n])
                painter.drawRect(p.x() - 2, p.y() - 2, 5, 5);
            painter.setPen(QPen(QColor(0, 0, 0), 1));
            const double a = geo::DegToRad(courses[n]);
            const QPoint tip(at.x() + int(12 * std::sin(a)), at.y() - int(12 * std::cos(a)));
            QPolygon symbol;
            symbol << tip << QPoint(at.x() - 6, at.y() + 6) << QPoint(at.x() + 6, at.y() + 6);
            painter.drawPolygon(symbol);
            painter.drawLine(at, client(ends[n]));
        }
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_TargetStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TargetStep_Reference)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// bench_routes: the route's hot paths.
//
// BM_RouteMonitoringCycle: the navigator's one-second pass dead-reckoning on
// the last leg of a 1,000-waypoint route that it reads through the route
// module's views (leg ends, cross-track error, distance to the waypoint, the
// alarm and off-track tests, every text). BM_RouteMonitoringCycle_Reference
// makes that cycle's sailings straight with GeographicLib (one DR move, four
// rhumb lines). BM_WaypointListRows: the texts of the Route panel's 1,000
// list rows (leg type, distance and course of each leg, both positions).
// BM_RouteFrame: the route layer of one chart view, 200 waypoints over a
// 1920 x 1080 harbour chart with numbers and names, leg arrows and course
// labels and distance-to-run ticks, arrival circles, perpendiculars and
// limits of deviation; BM_RouteFrame_Reference has the painter draw the same
// polyline, circles, lines and labels from client points worked out
// beforehand.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <GeographicLib/Constants.hpp>
#include <GeographicLib/Rhumb.hpp>

#include <chrono>
#include <cstdlib>

#include "../../tests/support/FakeChartWindow.h"
#include "FakeClock.h"
#include "NavigatorFakes.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "chartpoints/PanelPosition.h"
#include "charts/vector/BlankChartDoc.h"
#include "navigator/NavigatorModule.h"
#include "platform/LocaleFreeNumbers.h"
#include "platform/SettingsStore.h"
#include "routes/RouteLayer.h"
#include "routes/RouteModule.h"

namespace {

using namespace std::chrono_literals;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

class BenchSettings final : public app::CSettingsHome {
public:
    explicit BenchSettings(const std::filesystem::path& folder) : m_store(folder / "settings.conf")
    { }
    platform::CSettingsStore& GetStore() const override { return m_store; }
    std::string GetRegistryKey() const override { return "Software\\Bench\\Default"; }

private:
    mutable platform::CSettingsStore m_store;
};

// A folder of its own for the module's data, removed afterwards.
struct BenchFolder {
    BenchFolder()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "brine-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path = pattern;
    }
    ~BenchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    const std::filesystem::path& Path() const { return path; }
    std::filesystem::path path;
};

class NoPrompt final : public platform::CPrompt {
public:
    platform::PromptAnswer Ask(std::string_view, std::string_view, platform::PromptIcon,
                               platform::PromptButtons) override
    {
        return platform::PromptAnswer::Ok;
    }
};

// A route module holding `n` waypoints stepping south-east from 50 N 4 W.
struct RouteHolder {
    explicit RouteHolder(int n, double step = 0.01)
        : settings(folder.Path()), module(settings, prompt, folder.Path())
    {
        routes::CRouteState& s = module.State();
        s.hasRoute = true;
        s.name = "Bench";
        for (int i = 0; i < n; ++i) {
            routes::CWaypoint wp(geo::CPosition(50.0 - i * step, -4.0 + i * step));
            wp.m_name = "W" + std::to_string(i + 1);
            wp.m_legType = i % 7 == 3 ? routes::kLegGreatCircle : routes::kLegRhumb;
            s.waypoints.push_back(wp);
        }
        s.activeIndex = n;
        s.monitoring.deviationLimitOn = true;
        s.monitoring.perpendicularOn = false;
    }
    BenchFolder folder;
    BenchSettings settings;
    NoPrompt prompt;
    routes::CRouteModule module;
};

void BM_RouteMonitoringCycle(benchmark::State& state)
{
    RouteHolder route(1000);
    brine_test::FakeClock clock;
    navtest::MemorySettings settings;
    navtest::FakeGps gps(clock);
    navigator::CNavigatorModule nav(settings, clock, &gps);
    nav.SetRoute(&route.module.Views());
    nav.SetDrDelay(10s);
    const geo::CPosition last = route.module.State().waypoints.back().m_position;
    gps.parser.ParseLine(
        navtest::Rmc(last.GetLatitude() + 0.004, last.GetLongitude() - 0.005, 8.0, 135.0));
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
    if (nav.Monitor().Texts().range.empty() || route.module.Views().ActiveIndex() != 1000)
        state.SkipWithError("the cycle did not follow the route's last leg");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RouteMonitoringCycle)->Unit(benchmark::kMicrosecond);

void BM_RouteMonitoringCycle_Reference(benchmark::State& state)
{
    const GeographicLib::Rhumb rhumb(GeographicLib::Constants::WGS84_a(),
                                     GeographicLib::Constants::WGS84_f(), true);
    double lat = 40.014, lon = 5.985;
    const double fromLat = 40.02, fromLon = 5.98, toLat = 40.01, toLon = 5.99;
    for (auto _ : state) {
        double s = 0, azi = 0, lat2 = 0, lon2 = 0;
        rhumb.Direct(lat, lon, 135.0, 8.0 * 1852.0 / 3600.0, lat2, lon2);
        lat = lat2 > 40.0 ? lat2 : 40.014;
        rhumb.Inverse(lat, lon, toLat, toLon, s, azi);
        benchmark::DoNotOptimize(s);
        rhumb.Inverse(fromLat, fromLon, toLat, toLon, s, azi);
        benchmark::DoNotOptimize(s);
        rhumb.Inverse(fromLat, fromLon, lat, lon, s, azi);
        benchmark::DoNotOptimize(s);
        rhumb.Inverse(toLat, toLon, fromLat, fromLon, s, azi);
        benchmark::DoNotOptimize(azi);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RouteMonitoringCycle_Reference)->Unit(benchmark::kMicrosecond);

void BM_WaypointListRows(benchmark::State& state)
{
    RouteHolder route(1000);
    for (auto _ : state) {
        std::size_t chars = 0;
        const auto& points = route.module.State().waypoints;
        for (int n = 1; n <= int(points.size()); ++n) {
            const routes::CWaypoint& wp = points[std::size_t(n - 1)];
            const routes::CLegResult leg = route.module.LegFrom(n);
            chars += std::string(routes::LegTypeText(wp.m_legType)).size();
            chars += leg.Computed() ? platform::FormatC("%.2f nm", leg.range).size() +
                                          platform::FormatC("%.1f", leg.bearing).size()
                                    : 0;
            chars += chartpoints::LatitudeText(wp.m_position.GetLatitude()).size();
            chars += chartpoints::LongitudeText(wp.m_position.GetLongitude()).size();
        }
        benchmark::DoNotOptimize(chars);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_WaypointListRows)->Unit(benchmark::kMillisecond);

// A blank chart over a harbour approach with a 200-waypoint route zigzagging across it.
struct Harbour {
    Harbour() : window(geo::IntRect{0, 0, kWidth, kHeight}), route(0)
    {
        window.doc = &doc;
        doc.AttachWindow(&window);
        doc.OnOpenDocument("");
        doc.SetViewExtent(geo::CPosition(50.90, -1.60), geo::CPosition(50.60, -1.00));
        routes::CRouteState& s = route.module.State();
        s.hasRoute = true;
        for (int i = 0; i < 200; ++i) {
            routes::CWaypoint wp(
                geo::CPosition(50.62 + (i % 2 ? 0.25 : 0.0) + (i % 5) * 0.004, -1.58 + i * 0.0028));
            wp.m_name = "W" + std::to_string(i + 1);
            s.waypoints.push_back(wp);
        }
        s.activeIndex = 100;
        s.draw.drawLegArrow = true;
        s.draw.drawCourseAndSMG = true;
        s.draw.drawDistanceToRun = true;
        s.draw.applyToEntireRoute = true;
        s.draw.distanceToRunInterval = 1.0;
        s.monitoring.arrivalRadiusNm = 0.2;
        s.monitoring.deviationLimitOn = true;
        s.monitoring.deviationLimitNm = 0.1;
        s.overlays.arrivalCircles = true;
        s.overlays.perpendiculars = true;
        s.overlays.deviationLimits = true;
        route.module.Views().Properties().drawNumber = true;
        route.module.Views().Properties().drawName = true;
    }
    ~Harbour() { doc.OnCloseDocument(); }

    brine_test::FakeChartWindow window;
    charts::CBlankChartDoc doc;
    RouteHolder route;
};

void BM_RouteFrame(benchmark::State& state)
{
    Harbour harbour;
    routes::CRouteViewLayer layer(harbour.doc, harbour.route.module.Views(),
                                  harbour.route.module.State());
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    const chart::CPixelView memory{reinterpret_cast<std::uint32_t*>(image.bits()), kWidth, kHeight,
                                   image.bytesPerLine() / 4};
    chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(memory));
    for (auto _ : state) {
        layer.StaticSource().Draw(harbour.doc, dc);
        for (auto kind :
             {routes::MonitoringKind::ArrivalCircles, routes::MonitoringKind::Perpendiculars,
              routes::MonitoringKind::DeviationLimits})
            layer.Monitoring().Static(kind).Draw(harbour.doc, dc);
        layer.CurrentSource().Draw(harbour.doc, dc);
        layer.Monitoring().Current().Draw(harbour.doc, dc);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BM_RouteFrame)->Unit(benchmark::kMillisecond);

void BM_RouteFrame_Reference(benchmark::State& state)
{
    Harbour harbour;
    QPolygon line;
    std::vector<QString> labels;
    for (const routes::CWaypoint& wp : harbour.route.module.State().waypoints) {
        chart::PointList points;
        harbour.doc.PositionToClientPoints(wp.m_position, points);
        line << QPoint(points[0].x, points[0].y);
        labels.push_back(QString::fromStdString(wp.m_name));
    }
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (auto _ : state) {
        painter.setPen(QPen(QColor(255, 0, 0), 3, Qt::DotLine));
        painter.drawPolyline(line);
        painter.setPen(QPen(QColor(255, 127, 0), 1));
        painter.setBrush(Qt::white);
        for (int i = 0; i < line.size(); ++i) {
            painter.drawEllipse(line[i], 6, 6);
            painter.drawText(line[i] + QPoint(8, -8), QString::number(i + 1) + " " + labels[i]);
            if (i > 0) {
                // A leg's arrow and course label at its middle.
                const QPoint mid = (line[i - 1] + line[i]) / 2;
                painter.drawLine(mid, mid + QPoint(6, 6));
                painter.drawLine(mid, mid + QPoint(-6, 6));
                painter.drawText(mid + QPoint(8, 0), QStringLiteral("135.0\u00b0"));
                // Its perpendicular and the two limits beside it.
                painter.setPen(QPen(QColor(255, 0, 0), 1));
                painter.drawLine(line[i] + QPoint(-20, 10), line[i] + QPoint(20, -10));
                painter.setPen(QPen(QColor(255, 0, 0), 1, Qt::DashLine));
                painter.drawLine(line[i - 1] + QPoint(5, 5), line[i] + QPoint(5, 5));
                painter.drawLine(line[i - 1] - QPoint(5, 5), line[i] - QPoint(5, 5));
                painter.setPen(QPen(QColor(255, 127, 0), 1));
            }
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(line[i], 15, 15);   // the arrival circle
            painter.setBrush(Qt::white);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BM_RouteFrame_Reference)->Unit(benchmark::kMillisecond);

}   // namespace

int main(int argc, char** argv)
{
    // Fonts need an application; no window is shown.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// bench_chartpoints: chartpoints on a 1920 x 1080 harbour-scale blank chart.
//
// BM_ChartpointFrame/N repaints N marks with their "CP" ID and name labels
// through the view's chartpoint layer: every position through the document's
// conversions, every symbol and text through the drawing context onto Qt's
// painter (the symbol stamped, every label drawn). BM_ChartpointFrame_Reference/N has the painter
// draw the same symbols (a circle with three spokes) and every text in the same font from client
// points and label texts worked out beforehand. Both draw one frame before timing: a repaint is
// timed, not the first paint. BM_ChartpointFirstPaint/N: the first paint, nothing measured before.
// BM_RewriteOneMark: the layer's update for one rewritten record (hint 5)
// among 100,000 marks. BM_ListLastPageByName: the list's last page of rows
// from a 100,000-record table in Name order, as the list window fetches it.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <vector>

#include <unistd.h>

#include "../../tests/support/FakeChartWindow.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "chart/overlays/ChartpointLayer.h"
#include "chart/overlays/OverlayText.h"
#include "chartpoints/ChartpointLayer.h"
#include "chartpoints/ChartpointList.h"
#include "charts/vector/BlankChartDoc.h"
#include "db/DBChartPoint.h"
#include "geo/DatumInfo.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct Mark {
    geo::CPosition position;
    std::string id, name;
};

std::vector<Mark> Marks(int count)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> lat(47.51, 47.79), lon(-122.59, -122.21);
    std::vector<Mark> marks;
    for (int i = 0; i < count; ++i)
        marks.push_back({geo::CPosition(lat(random), lon(random), 0.0, geo::kNoDatumIndex),
                         "B" + std::to_string(i), "Buoy " + std::to_string(i)});
    return marks;
}

// A blank chart over Puget Sound, the whole frame of it visible.
struct Sound {
    Sound() : window(geo::IntRect{0, 0, kWidth, kHeight})
    {
        window.doc = &doc;
        doc.AttachWindow(&window);
        doc.OnOpenDocument("");
        doc.SetViewExtent(geo::CPosition(47.80, -122.60), geo::CPosition(47.50, -122.20));
        props.drawId = props.drawName = true;
    }
    ~Sound() { doc.OnCloseDocument(); }

    brine_test::FakeChartWindow window;
    charts::CBlankChartDoc doc;
    chart::CChartpointProperties props;
};

// The layer filled as the module fills it when records are appended (hint 6).
void Fill(chartpoints::CChartpointViewLayer& layer, db::CDBChartPoint& table,
          const std::vector<Mark>& marks)
{
    chartpoints::CChartpoint cp;
    for (std::size_t i = 0; i < marks.size(); ++i) {
        cp.m_position = marks[i].position;
        cp.m_id = marks[i].id;
        cp.m_name = marks[i].name;
        layer.OnChartpointChange({chartpoints::kHintAppended, long(i) + 1, cp}, table);
    }
    // Nothing selected: every mark is drawn by the static layer.
    layer.OnChartpointChange({chartpoints::kHintCurrent, 0, cp}, table);
}

// N marks in the view's layer over a white frame in memory.
struct MarkedFrame {
    explicit MarkedFrame(int count)
    {
        Fill(layer, table, Marks(count));
        image.fill(Qt::white);
    }
    chart::CPixelView Memory()
    {
        return {reinterpret_cast<std::uint32_t*>(image.bits()), kWidth, kHeight,
                image.bytesPerLine() / 4};
    }
    void Draw(chart::CXDC& dc) { layer.StaticSource().Draw(sound.doc, dc); }

    Sound sound;
    db::CDBChartPoint table;
    chartpoints::CChartpointViewLayer layer{sound.doc, sound.props};
    QImage image{kWidth, kHeight, QImage::Format_RGB32};
};

void BM_ChartpointFrame(benchmark::State& state)
{
    MarkedFrame frame(int(state.range(0)));
    chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(frame.Memory()));
    frame.Draw(dc);
    for (auto _ : state) {
        frame.Draw(dc);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The first paint after a database opens: a new drawing context each time,
// so no text has been measured before.
void BM_ChartpointFirstPaint(benchmark::State& state)
{
    MarkedFrame frame(int(state.range(0)));
    for (auto _ : state) {
        chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(frame.Memory()));
        frame.Draw(dc);
        benchmark::ClobberMemory();
    }
}

void BM_ChartpointFrame_Reference(benchmark::State& state)
{
    Sound sound;
    const std::vector<Mark> marks = Marks(int(state.range(0)));
    std::vector<QPoint> centres;
    std::vector<QString> labels;
    for (const Mark& m : marks) {
        chart::PointList points;
        sound.doc.PositionToClientPoints(m.position, points);
        centres.emplace_back(points[0].x, points[0].y);
        labels.push_back(QString::fromStdString("CP" + m.id + " " + m.name));
    }
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(chart::CQtPainterBackend::MapFont(sound.props.Text().GetFont()));
    const QPen symbol(QColor(0, 127, 255), 1);
    const QPen text(QColor(255, 128, 0));
    painter.setBrush(Qt::white);
    const auto frame = [&] {
        // The chartpoint symbol: a circle of radius 6 with three spokes.
        for (std::size_t i = 0; i < centres.size(); ++i) {
            const QPoint c = centres[i];
            painter.setPen(symbol);
            painter.drawEllipse(QRect(c.x() - 6, c.y() - 6, 12, 12));
            painter.drawLine(c.x(), c.y() + 6, c.x(), c.y());
            painter.drawLine(c.x(), c.y(), c.x() - 5, c.y() - 3);
            painter.drawLine(c.x() + 5, c.y() - 3, c.x(), c.y());
            painter.setPen(text);
            painter.drawText(c + QPoint(-20, -8), labels[i]);
        }
    };
    frame();
    for (auto _ : state) {
        frame();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RewriteOneMark(benchmark::State& state)
{
    Sound sound;
    db::CDBChartPoint table;
    chartpoints::CChartpointViewLayer layer(sound.doc, sound.props);
    const std::vector<Mark> marks = Marks(100000);
    Fill(layer, table, marks);
    chartpoints::CChartpoint cp;
    cp.m_id = "MOVED";
    cp.m_name = "Moved buoy";
    long recNo = 1;
    for (auto _ : state) {
        cp.m_position = marks[std::size_t(recNo * 7919 % 100000)].position;
        layer.OnChartpointChange({chartpoints::kHintRewritten, recNo, cp}, table);
        recNo = recNo % 100000 + 1;
    }
}

// A table of 100,000 records, made once, in Name order.
db::CDBChartPoint& NamedTable()
{
    static db::CDBChartPoint* table = [] {
        const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                             ("bench-chartpoints-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        auto* t = new db::CDBChartPoint;
        t->SetFilePath((folder / "Many").string());
        t->Open(false, true);
        for (const Mark& m : Marks(100000)) {
            t->ClearRecord();
            t->m_ident = m.id;
            t->m_name = m.name;
            t->m_position = m.position;
            t->AppendNew();
        }
        t->FlushIfOpen();
        t->SelectTag("T_NAME");
        t->GoTop();
        std::atexit([] {
            std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                        ("bench-chartpoints-" + std::to_string(::getpid())));
        });
        return t;
    }();
    return *table;
}

void BM_ListLastPageByName(benchmark::State& state)
{
    db::CDBChartPoint& table = NamedTable();
    const chartpoints::CChartpointRowSource source(table);
    std::vector<app::ListRow> rows;
    const std::size_t count = source.RowCount();
    for (auto _ : state) {
        source.FetchRows(count - 40, 40, rows);
        benchmark::DoNotOptimize(rows.data());
    }
}

}   // namespace

BENCHMARK(BM_ChartpointFrame)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartpointFirstPaint)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartpointFrame_Reference)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RewriteOneMark)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListLastPageByName)->Unit(benchmark::kMillisecond);

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

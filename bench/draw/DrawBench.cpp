// bench_draw: the drawing layer at a 1920 x 1080 view.
//
// BM_IndexedToRGB32 (and its x2 and x0.5 forms) converts an 8-bit chart
// picture through a 256-entry table into a buffer; the references are the
// plainest table loop into an existing image and Qt's own conversion of an
// indexed image. BM_FullRedraw is the chart view's cycle: tiles into the chart
// buffer, copy, 500 lines and 50 labels, copy, symbols, then the buffer onto a
// window-sized image; its reference is the three copies and the one image draw
// alone.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "chart/ChartGeometry.h"
#include "chart/draw/BufferDC.h"
#include "chart/draw/PixelOps.h"
#include "chart/draw/ui/QtPainterBackend.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// A chart-like 8-bit picture: areas of few colours with some detail.
struct ChartPicture {
    ChartPicture(int w, int h) : width(w), height(h), bits(std::size_t(w) * std::size_t(h))
    {
        std::mt19937 random(1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                bits[std::size_t(y) * std::size_t(w) + std::size_t(x)] = static_cast<std::uint8_t>(
                    ((x / 40 + y / 30) % 7) * 3 + (random() % 16 == 0 ? 1 : 0));
        for (std::size_t i = 0; i < 256; ++i)
            table[i] = 0xFF000000u | std::uint32_t(random() & 0xFFFFFF);
    }
    chart::CIndexedImage Image() const { return {bits.data(), width, height, width}; }
    int width, height;
    std::vector<std::uint8_t> bits;
    chart::CPaletteTable table;
};

void Blit(benchmark::State& state, int sourceWidth, int sourceHeight)
{
    const ChartPicture picture(sourceWidth, sourceHeight);
    std::vector<std::uint32_t> out(std::size_t(kWidth) * kHeight);
    const chart::CPixelView dest{out.data(), kWidth, kHeight, kWidth};
    for (auto _ : state) {
        chart::BlitIndexedToRGB32(picture.Image(), {0, 0, sourceWidth, sourceHeight}, dest,
                                  {0, 0, kWidth, kHeight}, picture.table);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_IndexedToRGB32(benchmark::State& state)
{
    Blit(state, kWidth, kHeight);
}
void BM_IndexedToRGB32_x2(benchmark::State& state)
{
    Blit(state, kWidth / 2, kHeight / 2);
}
void BM_IndexedToRGB32_Half(benchmark::State& state)
{
    Blit(state, kWidth * 2, kHeight * 2);
}

void BM_IndexedToRGB32_LutLoop_Reference(benchmark::State& state)
{
    const ChartPicture picture(kWidth, kHeight);
    std::uint32_t lut[256];
    std::memcpy(lut, picture.table.data(), sizeof lut);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y) {
            const std::uint8_t* in = picture.bits.data() + std::size_t(y) * kWidth;
            auto* out = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
            for (int x = 0; x < kWidth; ++x)
                out[x] = lut[in[x]];
        }
        benchmark::DoNotOptimize(image.constBits());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_IndexedToRGB32_QtConvert_Reference(benchmark::State& state)
{
    const ChartPicture picture(kWidth, kHeight);
    QImage indexed(picture.bits.data(), kWidth, kHeight, kWidth, QImage::Format_Indexed8);
    indexed.setColorTable(QList<QRgb>(picture.table.begin(), picture.table.end()));
    for (auto _ : state) {
        QImage converted = indexed.convertToFormat(QImage::Format_RGB32);
        benchmark::DoNotOptimize(converted.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// A chart whose positions are pixels: enough for the primitives to run.
struct PixelChart : chart::CChartGeometry {
    bool PositionToPoint(const geo::CPosition& p, geo::IntPoint& out) override
    {
        out = {int(p.GetLongitude()), int(p.GetLatitude())};
        return true;
    }
    void ChartToClientPoint(const geo::IntPoint& in, geo::IntPoint& out) override { out = in; }
    void GetVisibleRect(geo::IntRect& rect) override { rect = {0, 0, kWidth, kHeight}; }
    int ShiftToChartDatum(const geo::CPosition& in, geo::CPosition& out) override
    {
        out = in;
        return 3;
    }
};

void BM_FullRedraw(benchmark::State& state)
{
    // Tiles of 128 x 128 as the raster charts decode them.
    const ChartPicture tile(128, 128);
    chart::CScreenBuffer buffers(&tile.table, kWidth, kHeight);
    QImage window(kWidth, kHeight, QImage::Format_RGB32);
    std::mt19937 random(9);
    std::vector<geo::IntPoint> ends(1000);
    for (auto& p : ends)
        p = {int(random() % kWidth), int(random() % kHeight)};
    PixelChart geometry;
    chart::Font font;
    font.face = "Arial";
    font.height = -11;
    for (auto _ : state) {
        chart::CBufferDC& chartDc = buffers.Chart();
        for (int y = 0; y < kHeight; y += 128)
            for (int x = 0; x < kWidth; x += 128)
                chartDc.BlitIndexed(tile.Image(), {0, 0, 128, 128}, {x, y, x + 128, y + 128});
        buffers.CopyChartToStatic();
        chart::CBufferDC& overlays = buffers.Static();
        {
            chart::CSelPen pen(overlays, app::RGB(200, 0, 0), chart::PenStyle::Solid, 1);
            for (std::size_t i = 0; i < ends.size(); i += 2)
                geometry.DrawLine(overlays, ends[i], ends[i + 1]);
            chart::CSelFont labels(overlays, font);
            overlays.SetBkMode(chart::BkMode::Transparent);
            for (int i = 0; i < 50; ++i)
                overlays.TextOut(ends[std::size_t(i)].x, ends[std::size_t(i)].y, "WPT 12 Needles");
        }
        buffers.CopyStaticToDynamic();
        chart::CBufferDC& dynamic = buffers.Dynamic();
        {
            chart::CSelPen pen(dynamic, app::RGB(0, 0, 160), chart::PenStyle::Solid, 2);
            chart::CSelBrush brush(dynamic, app::RGB(0, 160, 0));
            for (int i = 0; i < 40; ++i) {
                const geo::IntPoint c = ends[std::size_t(100 + i)];
                chart::DrawRotatedPolygon(dynamic, c, i * 9.0, 12, 6);
                geometry.DrawHalfEllipses(dynamic, {c.x, c.y - 10}, {c.x, c.y + 10});
            }
        }
        QPainter painter(&window);
        chart::CXDC screen(std::make_unique<chart::CQtPainterBackend>(painter));
        buffers.BlitToScreen(screen, 0, 0, kWidth, kHeight, 0, 0);
        screen.Detach();
        painter.end();
        benchmark::DoNotOptimize(window.constBits());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FullRedraw_Reference(benchmark::State& state)
{
    std::vector<std::uint32_t> a(std::size_t(kWidth) * kHeight, 1), b(a.size()), c(a.size()),
        d(a.size());
    QImage window(kWidth, kHeight, QImage::Format_RGB32);
    const std::size_t bytes = a.size() * 4;
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), bytes);
        std::memcpy(c.data(), b.data(), bytes);
        std::memcpy(d.data(), c.data(), bytes);
        const QImage view(reinterpret_cast<const uchar*>(d.data()), kWidth, kHeight, kWidth * 4,
                          QImage::Format_RGB32);
        QPainter painter(&window);
        painter.drawImage(QPoint(0, 0), view);
        painter.end();
        benchmark::DoNotOptimize(window.constBits());
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_IndexedToRGB32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexedToRGB32_LutLoop_Reference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexedToRGB32_QtConvert_Reference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexedToRGB32_x2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexedToRGB32_Half)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRedraw_Reference)->Unit(benchmark::kMillisecond);

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

// Chartpoint symbols stamped from one drawing against each symbol drawn by
// the painter: the same pixels on a busy background, at the image's edges, at
// every size, through the memory path and through a painter's own images.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <random>

#include "../../support/FakeChartWindow.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "chart/overlays/ChartpointLayer.h"
#include "charts/vector/BlankChartDoc.h"

using geo::IntPoint;

namespace {

int g_argc = 1;
char g_arg0[] = "chart_ui_SymbolStampTest";
char* g_argv[] = {g_arg0, nullptr};

constexpr int kWidth = 320;
constexpr int kHeight = 200;

void StartQt()
{
    static QGuiApplication app(g_argc, g_argv);
}

constexpr int kMargin = 32;

// Random colours in blocks of 3 x 3 pixels, `kMargin` wider on each side
// than the test picture: every symbol pixel left alone shows, and one set
// shows its colour against any ground.
QImage WideBusy()
{
    std::mt19937 random(11);
    QImage image(kWidth + 2 * kMargin, kHeight + 2 * kMargin, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) {
            const QColor c = QColor::fromRgb(random() & 0xFFFFFFu);
            for (int dy = 0; dy < 3 && y + dy < image.height(); ++dy)
                for (int dx = 0; dx < 3 && x + dx < image.width(); ++dx)
                    image.setPixel(x + dx, y + dy, c.rgb());
        }
    return image;
}

QImage Busy()
{
    return WideBusy().copy(kMargin, kMargin, kWidth, kHeight);
}

chart::CPixelView ViewOf(QImage& image)
{
    return {reinterpret_cast<std::uint32_t*>(image.bits()), image.width(), image.height(),
            image.bytesPerLine() / 4};
}

// Inside, on each edge and past each corner.
const std::vector<IntPoint> kPoints = {{40, 50},  {41, 50},           {160, 100},
                                       {0, 0},    {-5, 60},           {kWidth - 3, 120},
                                       {100, -4}, {200, kHeight + 3}, {kWidth + 6, kHeight - 1},
                                       {163, 104}};

int DifferentPixels(const QImage& a, const QImage& b)
{
    int differ = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            differ += (a.pixel(x, y) & 0xFFFFFFu) != (b.pixel(x, y) & 0xFFFFFFu);
    return differ;
}

TEST(SymbolStamp, StampedSymbolsArePixelForPixelTheDrawnOnes)
{
    StartQt();
    for (int sizeMode : {0, 1, 2}) {
        for (const chart::COLORREF colour : {app::RGB(0, 127, 255), app::RGB(0, 0, 0)}) {
            // Each symbol drawn whole, on a wider picture cut down after: Qt
            // draws an ellipse that crosses an image's edge a pixel
            // differently here and there, a stamp always as drawn whole.
            QImage wide = WideBusy(), stamped = Busy(), painted = Busy();
            chart::COverlayChartpoint symbol;
            symbol.SetSizeMode(sizeMode);
            {
                chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(ViewOf(wide)));
                chart::CSelPen pen(dc, colour);
                for (const IntPoint& p : kPoints) {
                    symbol.SetScreenPoint({p.x + kMargin, p.y + kMargin});
                    symbol.Draw(dc);
                }
            }
            const QImage drawn = wide.copy(kMargin, kMargin, kWidth, kHeight);
            chart::CSymbolStamp stamp;
            {
                chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(ViewOf(stamped)));
                chart::CSelPen pen(dc, colour);
                stamp = dc.MakeStamp(symbol.SymbolBox(), [&symbol](chart::CXDC& sdc, IntPoint at) {
                    symbol.SetScreenPoint(at);
                    symbol.Draw(sdc);
                });
                ASSERT_FALSE(stamp.IsEmpty());
                // One call for all, and one per point, as the layer stamps.
                dc.Stamp(stamp, std::span(kPoints).first(5));
                for (const IntPoint& p : std::span(kPoints).subspan(5))
                    dc.Stamp(stamp, std::span(&p, 1));
            }
            EXPECT_EQ(DifferentPixels(drawn, stamped), 0) << "size " << sizeMode;
            EXPECT_NE(DifferentPixels(drawn, Busy()), 0);   // something was drawn

            // A painter that is not on the program's memory (clipped here, as
            // a window's is) puts the stamp's picture down instead.
            {
                QPainter painter(&painted);
                painter.setClipRect(0, 0, kWidth, kHeight);
                chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(painter));
                // It makes no stamps itself: a window or printer draws each symbol.
                EXPECT_TRUE(
                    dc.MakeStamp(symbol.SymbolBox(), [](chart::CXDC&, IntPoint) {}).IsEmpty());
                dc.Stamp(stamp, kPoints);
            }
            EXPECT_EQ(DifferentPixels(drawn, painted), 0) << "size " << sizeMode;
        }
    }
}

TEST(SymbolStamp, OnlyAPlainCopyMakesAStamp)
{
    StartQt();
    QImage image = Busy();
    chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(ViewOf(image)));
    const auto dot = [](chart::CXDC& sdc, IntPoint at) {
        sdc.Rectangle(at.x, at.y, at.x + 2, at.y + 2);
    };
    EXPECT_FALSE(dc.MakeStamp({-2, -2, 3, 3}, dot).IsEmpty());
    dc.SetROP2(chart::Rop2::NotXorPen);
    EXPECT_TRUE(dc.MakeStamp({-2, -2, 3, 3}, dot).IsEmpty());
    dc.SetROP2(chart::Rop2::CopyPen);
    EXPECT_TRUE(dc.MakeStamp({2, 2, 2, 5}, dot).IsEmpty());   // no pixels in the box
}

// A whole layer: marks on memory (stamped) and through a window's painter
// (each symbol drawn) give the same picture, labels included.
TEST(SymbolStamp, ALayerOnMemoryLooksAsThroughAPainter)
{
    StartQt();
    brine_test::FakeChartWindow window(geo::IntRect{0, 0, kWidth, kHeight});
    charts::CBlankChartDoc doc;
    window.doc = &doc;
    doc.AttachWindow(&window);
    ASSERT_TRUE(doc.OnOpenDocument(""));
    ASSERT_TRUE(doc.SetViewExtent(geo::CPosition(47.80, -122.60), geo::CPosition(47.50, -122.20)));
    chart::CChartpointProperties props;
    props.drawId = props.drawName = true;
    chart::CChartpointList layer(&doc, &props);
    std::mt19937 random(3);
    std::uniform_real_distribution<double> lat(47.49, 47.81), lon(-122.61, -122.19);
    for (int i = 0; i < 60; ++i) {
        auto cp = std::make_unique<chart::COverlayChartpoint>();
        cp->SetPosition(geo::CPosition(lat(random), lon(random)));
        cp->idText = std::to_string(i);
        cp->name = "Buoy";
        layer.Overlays().Add(std::move(cp));
    }
    QImage onMemory = Busy(), throughPainter = Busy();
    {
        chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(ViewOf(onMemory)));
        layer.Draw(dc);
    }
    {
        QPainter painter(&throughPainter);
        chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(painter));
        layer.Draw(dc);
    }
    EXPECT_EQ(DifferentPixels(onMemory, throughPainter), 0);
    EXPECT_NE(DifferentPixels(onMemory, Busy()), 0);
    doc.OnCloseDocument();
}

}   // namespace

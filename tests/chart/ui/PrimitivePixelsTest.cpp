// The chart's drawing primitives on real pixels through the painter backend
// over a blank chart: a range circle through its northern and southern
// points, the short arc round a centre, and the filled arrow head. With
// BRINE_SHOT_DIR set the picture is saved there as primitives.png.

#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "../../support/FakeChartWindow.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "charts/vector/BlankChartDoc.h"

namespace {

using Point = geo::IntPoint;
constexpr int kSide = 400;

void StartPainting()
{
    static int argc = 1;
    static char name[] = "chart_ui_PrimitivePixelsTest";
    static char* argv[] = {name, nullptr};
    static const QGuiApplication app(argc, argv);
}

// How many pixels within `reach` of the point are mostly of one channel.
int CountNear(const QImage& image, Point p, int reach, int channel)
{
    int n = 0;
    for (int y = p.y - reach; y <= p.y + reach; ++y)
        for (int x = p.x - reach; x <= p.x + reach; ++x) {
            if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
                continue;
            const QRgb c = image.pixel(x, y);
            const int v[] = {qRed(c), qGreen(c), qBlue(c)};
            n += v[channel] > 180 && v[(channel + 1) % 3] < 120 && v[(channel + 2) % 3] < 120;
        }
    return n;
}

}   // namespace

TEST(PrimitivePixels, RangeCircleArcAndArrowHeadOnABlankChart)
{
    StartPainting();
    // Two degrees of longitude across a square window at 50 30' N.
    charts::CBlankChartDoc doc;
    brine_test::FakeChartWindow window(geo::IntRect{0, 0, kSide, kSide});
    doc.AttachWindow(&window);
    window.doc = &doc;
    ASSERT_TRUE(doc.OnOpenDocument("") &&
                doc.SetViewExtent(geo::CPosition(51.0, -1.0), geo::CPosition(50.0, 1.0)));

    QImage image(kSide, kSide, QImage::Format_RGB32);
    image.fill(Qt::white);
    const chart::CPixelView memory{reinterpret_cast<std::uint32_t*>(image.bits()), kSide, kSide,
                                   image.bytesPerLine() / 4};
    chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(memory));

    // A range circle drawn from its northern to its southern point: both
    // halves, as wide as it is high, centred on the points' longitude.
    const geo::CPosition north(50.7, 0.2), south(50.3, 0.2);
    Point n, s;
    ASSERT_TRUE(doc.PositionToPoint(north, n));
    ASSERT_TRUE(doc.PositionToPoint(south, s));
    doc.ChartToClientPoint(n, n);
    doc.ChartToClientPoint(s, s);
    const int h = (s.y - n.y) / 2;
    ASSERT_GT(h, 20);
    dc.SelectPen(app::RGB(255, 0, 0), chart::PenStyle::Solid, 2);
    doc.DrawEllipse(dc, north, south);
    const int middle = (n.y + s.y) / 2;
    for (const Point on :
         {Point{s.x, n.y}, Point{s.x, s.y}, Point{s.x - h, middle}, Point{s.x + h, middle}})
        EXPECT_GT(CountNear(image, on, 2, 0), 0) << on.x << "," << on.y;
    EXPECT_EQ(CountNear(image, {s.x, middle}, h / 2, 0), 0);   // a ring, not a disc

    // The short arc round (100, 300) through (100, 250): on the circle near
    // that point and nowhere else round it.
    dc.SelectPen(app::RGB(0, 220, 0), chart::PenStyle::Solid, 2);
    doc.DrawArcAround(dc, {100, 300}, {100, 250});
    EXPECT_GT(CountNear(image, {100, 250}, 2, 1), 0);
    EXPECT_GT(CountNear(image, {85, 252}, 3, 1), 0);   // some 17 degrees west of north
    EXPECT_EQ(CountNear(image, {100, 350}, 4, 1), 0);
    EXPECT_EQ(CountNear(image, {50, 300}, 4, 1), 0);
    EXPECT_EQ(CountNear(image, {150, 300}, 4, 1), 0);
    EXPECT_EQ(CountNear(image, {65, 265}, 3, 1), 0);   // 45 degrees round: past its end

    // The filled arrow head pointing east: its middle filled, the tip at
    // the length ahead of the centre and nothing past it.
    dc.SelectPen(app::RGB(0, 0, 255));
    dc.SelectBrush(app::RGB(0, 0, 255));
    chart::DrawRotatedPolygon(dc, {300, 320}, 90.0, 20, 8);
    EXPECT_EQ(CountNear(image, {300, 320}, 3, 2), 49);
    EXPECT_GT(CountNear(image, {319, 320}, 1, 2), 0);
    EXPECT_EQ(CountNear(image, {324, 320}, 2, 2), 0);
    EXPECT_GT(CountNear(image, {281, 313}, 1, 2), 0);   // the base's corners, 8 either side
    EXPECT_GT(CountNear(image, {281, 327}, 1, 2), 0);
    EXPECT_EQ(CountNear(image, {300, 334}, 2, 2), 0);

    if (const char* dir = std::getenv("BRINE_SHOT_DIR"))
        image.save(
            QString::fromStdString((std::filesystem::path(dir) / "primitives.png").string()));
}

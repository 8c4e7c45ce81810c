#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "chart/draw/BufferDC.h"
#include "chart/draw/ui/QtPainterBackend.h"

namespace {

using chart::CBufferDC;
using chart::IntRect;
using geo::IntPoint;

int g_argc = 1;
char g_arg0[] = "chart_ui_QtPainterBackendTest";
char* g_argv[] = {g_arg0, nullptr};

class PainterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static auto* app = new QGuiApplication(g_argc, g_argv);   // lives to the end
        (void)app;
        chart::SetDrawBackendFactory(&s_factory);
    }
    static void TearDownTestSuite() { chart::SetDrawBackendFactory(nullptr); }
    static inline chart::CQtBackendFactory s_factory;
};

// An 8-bit chart-like picture and a table of 256 random colours.
struct Picture {
    explicit Picture(int w, int h, unsigned seed = 7) : width(w), height(h)
    {
        std::mt19937 random(seed);
        bits.resize(std::size_t(w) * std::size_t(h));
        for (auto& b : bits)
            b = static_cast<std::uint8_t>(random());
        for (auto& entry : table)
            entry = 0xFF000000u | (random() & 0xFFFFFFu);
    }
    chart::CIndexedImage Image() const { return {bits.data(), width, height, width}; }
    QImage Indexed8() const
    {
        QImage image(bits.data(), width, height, width, QImage::Format_Indexed8);
        image.setColorTable(QList<QRgb>(table.begin(), table.end()));
        return image.copy();
    }
    int width, height;
    std::vector<std::uint8_t> bits;
    chart::CPaletteTable table;
};

QImage View(const CBufferDC& dc)
{
    const chart::CPixelView m = dc.Memory();
    return QImage(reinterpret_cast<const uchar*>(m.bits), m.width, m.height, m.stride * 4,
                  QImage::Format_RGB32);
}

TEST_F(PainterTest, IndexedBlitsMatchQtsConversionAndScaleByPixel)
{
    const Picture picture(301, 203);
    CBufferDC dc(&picture.table, 700, 500);
    dc.BlitIndexed(picture.Image(), {0, 0, 301, 203}, {0, 0, 301, 203});
    const QImage expected = picture.Indexed8().convertToFormat(QImage::Format_RGB32);
    const QImage got = View(dc).copy(0, 0, 301, 203);
    for (int y = 0; y < 203; ++y)
        ASSERT_EQ(std::memcmp(got.constScanLine(y), expected.constScanLine(y), 301 * 4), 0) << y;

    // x2 into (310, 0): each pixel 2 x 2; x0.5 into (0, 250): every second one.
    dc.BlitIndexed(picture.Image(), {0, 0, 180, 120}, {310, 0, 670, 240});
    dc.BlitIndexed(picture.Image(), {0, 0, 300, 202}, {0, 250, 150, 351});
    const QImage all = View(dc);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 360; ++x)
            ASSERT_EQ(all.pixel(310 + x, y), expected.pixel(x / 2, y / 2)) << x << "," << y;
    for (int y = 0; y < 101; ++y)
        for (int x = 0; x < 150; ++x)
            ASSERT_EQ(all.pixel(x, 250 + y), expected.pixel(2 * x, 2 * y)) << x << "," << y;
}

TEST_F(PainterTest, NotXorTwiceRestoresTheBuffer)
{
    const Picture picture(400, 300, 11);
    CBufferDC dc(&picture.table, 400, 300);
    dc.BlitIndexed(picture.Image(), {0, 0, 400, 300}, {0, 0, 400, 300});
    const QImage before = View(dc).copy();
    auto drawAll = [&] {
        dc.SetROP2(chart::Rop2::NotXorPen);
        dc.SelectPen(app::RGB(200, 40, 90), chart::PenStyle::Solid, 1);
        dc.DrawLine(10, 10, 390, 290);
        dc.DrawLine(390, 10, 10, 290);
        dc.SelectStockObject(chart::StockObject::NullBrush);
        dc.Rectangle(50, 50, 150, 120);
        dc.Ellipse(200, 40, 330, 140);
        dc.Arc(100, 150, 300, 280, 300, 150, 100, 280);
        dc.SelectPen(app::RGB(10, 240, 20), chart::PenStyle::Dash, 1);
        dc.DrawLine(5, 200, 395, 210);
        dc.SetROP2(chart::Rop2::CopyPen);
        dc.PatBlt(IntRect{20, 250, 120, 290}, chart::PatOp::DstInvert);
    };
    drawAll();
    EXPECT_NE(View(dc), before);
    drawAll();
    EXPECT_EQ(View(dc), before);
}

TEST_F(PainterTest, LinesRectanglesAndFillsKeepToTheirPixels)
{
    CBufferDC dc(nullptr, 64, 64);
    const std::uint32_t white = 0xFFFFFFFFu, black = 0xFF000000u;
    dc.PatBlt(IntRect{0, 0, 64, 64}, chart::PatOp::Whiteness);
    dc.SelectPen(app::RGB(0, 0, 0));
    dc.DrawLine(2, 2, 12, 2);   // end pixel left out
    dc.DrawRectangle(IntRect{20, 20, 30, 25});
    const chart::CPixelView m = dc.Memory();
    EXPECT_EQ(m.Row(2)[2], black);
    EXPECT_EQ(m.Row(2)[11], black);
    EXPECT_EQ(m.Row(2)[12], white);
    EXPECT_EQ(m.Row(20)[29], black);   // outline inside right and bottom edges
    EXPECT_EQ(m.Row(24)[20], black);
    EXPECT_EQ(m.Row(20)[30], white);
    EXPECT_EQ(m.Row(25)[20], white);
    EXPECT_EQ(m.Row(22)[25], white);   // hollow
    dc.SelectBrush(app::RGB(0, 0, 255));
    dc.PatBlt(IntRect{40, 40, 50, 50}, chart::PatOp::PatCopy);
    EXPECT_EQ(dc.GetPixel(40, 40), app::RGB(0, 0, 255));
    EXPECT_EQ(dc.GetPixel(50, 50), app::RGB(255, 255, 255));
}

TEST_F(PainterTest, WideDotsAreQtsOwnDots)
{
    // Dotted lines of wide pens are made of dots: each must cover the pixels
    // Qt's own round dot of that pen covers, at the edges too.
    const IntPoint places[] = {{20, 20}, {0, 0}, {63, 40}, {-1, 10}, {31, 63}};
    for (int width = 2; width <= 6; ++width) {
        CBufferDC dc(nullptr, 64, 64);
        dc.PatBlt(IntRect{0, 0, 64, 64}, chart::PatOp::Whiteness);
        dc.SelectPen(app::RGB(200, 30, 60), chart::PenStyle::Solid, width);
        for (const IntPoint& p : places)
            dc.DrawLine(p.x, p.y, p.x, p.y);
        QImage expected(64, 64, QImage::Format_RGB32);
        expected.fill(Qt::white);
        {
            QPainter painter(&expected);
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setPen(
                QPen(QColor(200, 30, 60), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            for (const IntPoint& p : places)
                painter.drawPoint(p.x, p.y);
        }
        EXPECT_EQ(View(dc), expected) << "pen width " << width;
    }
}

TEST_F(PainterTest, DottedLinesWrittenIntoMemoryMatchDrawingEachDot)
{
    // On the buffer's own memory the dots are written straight into the
    // pixels; on a painter someone else owns each dot is drawn by Qt. Both
    // must give the same pixels, for every pen width and direction, with
    // lines running off the picture.
    struct Dotted {
        IntPoint a, b;
        int spacing;
    };
    const Dotted lines[] = {{{2, 3}, {60, 3}, 3},   {{5, 62}, {5, -4}, 2},
                            {{1, 1}, {70, 50}, 2},  {{63, 2}, {-6, 40}, 4},
                            {{30, 60}, {40, 0}, 3}, {{-3, 20}, {20, 20}, 2}};
    for (int width = 1; width <= 5; ++width) {
        CBufferDC memory(nullptr, 64, 64);
        memory.PatBlt(IntRect{0, 0, 64, 64}, chart::PatOp::Whiteness);
        memory.SelectPen(app::RGB(20, 90, 200), chart::PenStyle::Solid, width);
        QImage drawn(64, 64, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        {
            QPainter painter(&drawn);
            chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(painter));
            dc.SelectPen(app::RGB(20, 90, 200), chart::PenStyle::Solid, width);
            for (const Dotted& l : lines) {
                dc.DrawDottedLine(l.a, l.b.x, l.b.y, l.spacing, true);
                memory.DrawDottedLine(l.a, l.b.x, l.b.y, l.spacing, true);
                EXPECT_EQ(memory.GetCurrentPosition(), dc.GetCurrentPosition());
            }
        }
        EXPECT_EQ(View(memory), drawn) << "pen width " << width;
        int coloured = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                coloured += drawn.pixel(x, y) != QColor(Qt::white).rgb();
        EXPECT_GT(coloured, 60) << "pen width " << width;
    }
}

TEST_F(PainterTest, OnePixelDotsEveryStepEndsIncludedAndFramesStayHollow)
{
    // A 1-pixel pen with spacing 4 sets one pixel every 4 along the line,
    // both ends when they fall on the step, and nothing between; the guard's
    // pen goes when it does.
    CBufferDC dc(nullptr, 40, 40);
    dc.PatBlt(IntRect{0, 0, 40, 40}, chart::PatOp::Whiteness);
    dc.SelectPen(app::RGB(0, 0, 255));
    {
        chart::CSelPen red(dc, app::RGB(255, 0, 0), chart::PenStyle::Solid, 1);
        dc.DrawDottedLine(IntPoint{18, 3}, 2, 3, 4, true);   // right to left
        dc.DrawDottedLine(IntPoint{30, 2}, 30, 18, 4, true);   // downward
        dc.DrawDottedLine(IntPoint{2, 20}, 14, 32, 4, true);   // 45 degrees
    }
    dc.DrawLine(2, 38, 3, 38);
    auto red = [&](int x, int y) { return dc.GetPixel(x, y) == app::RGB(255, 0, 0); };
    for (int x = 0; x < 24; ++x)
        EXPECT_EQ(red(x, 3), x >= 2 && x <= 18 && (x - 2) % 4 == 0) << "x " << x;
    for (int y = 0; y < 24; ++y)
        EXPECT_EQ(red(30, y), y >= 2 && y <= 18 && (y - 2) % 4 == 0) << "y " << y;
    // Steps of 4 cos 45 degrees: (2,20), (4,22), (7,25), (10,28), (13,31).
    int diagonal = 0;
    for (int y = 19; y < 34; ++y)
        for (int x = 0; x < 16; ++x)
            diagonal += red(x, y);
    EXPECT_EQ(diagonal, 5);
    EXPECT_TRUE(red(2, 20));
    EXPECT_TRUE(red(13, 31));
    EXPECT_EQ(dc.GetPixel(2, 38), app::RGB(0, 0, 255));   // the previous pen is back

    // A plain frame is one outline with its inside untouched; a dotted one
    // dots its four sides.
    dc.PatBlt(IntRect{0, 0, 40, 40}, chart::PatOp::Whiteness);
    dc.SelectBrush(app::RGB(0, 255, 0));
    dc.DrawFrameRect(IntRect{4, 4, 20, 14}, 4, false);
    EXPECT_EQ(dc.GetPixel(4, 4), app::RGB(0, 0, 255));
    EXPECT_EQ(dc.GetPixel(19, 13), app::RGB(0, 0, 255));
    for (int y = 5; y < 13; ++y)
        for (int x = 5; x < 19; ++x)
            ASSERT_EQ(dc.GetPixel(x, y), app::RGB(255, 255, 255)) << x << "," << y;
    dc.DrawFrameRect(IntRect{24, 24, 36, 32}, 4, true);
    EXPECT_EQ(dc.GetPixel(24, 24), app::RGB(0, 0, 255));
    EXPECT_EQ(dc.GetPixel(28, 24), app::RGB(0, 0, 255));
    EXPECT_EQ(dc.GetPixel(26, 24), app::RGB(255, 255, 255));
    EXPECT_EQ(dc.GetPixel(36, 28), app::RGB(0, 0, 255));
    EXPECT_EQ(dc.GetPixel(36, 26), app::RGB(255, 255, 255));
    EXPECT_EQ(dc.GetPixel(30, 28), app::RGB(255, 255, 255));
}

TEST_F(PainterTest, RectanglesInOneCallPaintWhatOneAtATimePaints)
{
    // Overlapping, one and two pixels wide, empty, partly off the buffer;
    // filled, hollow, a wide pen and a see-through colour.
    const std::vector<IntRect> boxes{{5, 5, 12, 12},   {9, 9, 16, 14},   {20, 3, 21, 9},
                                     {24, 3, 26, 4},   {30, 30, 30, 40}, {-3, 50, 4, 70},
                                     {58, 58, 70, 61}, {40, 10, 47, 17}};
    const auto paint = [&](bool together, chart::Brush brush, int penWidth, chart::COLORREF pen) {
        CBufferDC dc(nullptr, 64, 64);
        dc.PatBlt(IntRect{0, 0, 64, 64}, chart::PatOp::Whiteness);
        dc.SelectPen(pen, chart::PenStyle::Solid, penWidth);
        dc.SelectBrush(brush);
        if (together)
            dc.Rectangles(boxes);
        else
            for (const IntRect& r : boxes)
                dc.Rectangle(r);
        return View(dc).copy();
    };
    const chart::Brush white{chart::BrushStyle::Solid, app::RGB(255, 255, 255)};
    const chart::Brush blue{chart::BrushStyle::Solid, app::RGB(0, 0, 255)};
    const chart::Brush hollow{chart::BrushStyle::Hollow, 0};
    for (const auto& brush : {white, blue, hollow})
        for (const int width : {1, 3}) {
            const QImage one = paint(false, brush, width, app::RGB(200, 0, 0));
            EXPECT_EQ(paint(true, brush, width, app::RGB(200, 0, 0)), one) << width;
            EXPECT_NE(one.pixel(5, 5), 0xFFFFFFFFu);
        }
}

TEST_F(PainterTest, ArcsEndOnTheirRadials)
{
    struct Row {
        const char* name;
        IntRect box;
        IntPoint start, end;
        chart::ArcDirection direction;
    };
    const Row rows[] = {
        {"quarter circle, east to north",
         {50, 50, 151, 151},
         {200, 100},
         {100, 0},
         chart::ArcDirection::CounterClockwise},
        {"wide ellipse, radials at 45 and 160",
         {20, 60, 221, 161},
         {220, -90},
         {-180, 36},
         chart::ArcDirection::CounterClockwise},
        {"clockwise, north to east",
         {50, 50, 151, 151},
         {100, 0},
         {200, 100},
         chart::ArcDirection::Clockwise},
    };
    for (const Row& row : rows) {
        CBufferDC dc(nullptr, 260, 260);
        dc.PatBlt(IntRect{0, 0, 260, 260}, chart::PatOp::Whiteness);
        dc.SelectPen(app::RGB(0, 0, 0));
        dc.SetArcDirection(row.direction);
        dc.Arc(row.box, row.start, row.end);
        const double cx = (row.box.left + row.box.right - 1) / 2.0;
        const double cy = (row.box.top + row.box.bottom - 1) / 2.0;
        auto angleOf = [&](double x, double y) { return std::atan2(-(y - cy), x - cx); };
        const double a0 = angleOf(row.start.x, row.start.y), a1 = angleOf(row.end.x, row.end.y);
        // Every drawn pixel lies within a pixel of the swept angles; pixels
        // exist at both ends.
        double sweep = row.direction == chart::ArcDirection::CounterClockwise ? a1 - a0 : a0 - a1;
        while (sweep <= 0)
            sweep += 2 * std::numbers::pi;
        bool nearStart = false, nearEnd = false;
        for (int y = 0; y < 260; ++y)
            for (int x = 0; x < 260; ++x) {
                if (dc.GetPixel(x, y) != 0)
                    continue;
                const double r = std::hypot(x - cx, y - cy);
                const double slack = 1.5 / r;   // one pixel, plus rounding, as an angle
                double from = row.direction == chart::ArcDirection::CounterClockwise
                                  ? angleOf(x, y) - a0
                                  : a0 - angleOf(x, y);
                while (from < -slack)
                    from += 2 * std::numbers::pi;
                EXPECT_LE(from, sweep + slack) << row.name << " pixel " << x << "," << y;
                nearStart = nearStart || std::fabs(from) <= slack;
                nearEnd = nearEnd || std::fabs(from - sweep) <= slack;
            }
        EXPECT_TRUE(nearStart) << row.name;
        EXPECT_TRUE(nearEnd) << row.name;
    }
}

TEST_F(PainterTest, RotatedTextRunsUpward)
{
    CBufferDC dc(nullptr, 200, 200);
    dc.PatBlt(IntRect{0, 0, 200, 200}, chart::PatOp::Whiteness);
    chart::Font font;
    font.face = "Arial";
    font.height = -14;
    font.escapement = 900;
    dc.SelectFont(font);
    dc.SetBkMode(chart::BkMode::Transparent);
    dc.SetTextAlign(chart::TA_LEFT | chart::TA_BASELINE);
    const chart::IntSize extent = dc.GetTextExtent("WWWWWW");
    ASSERT_GT(extent.cx, extent.cy);
    dc.TextOut(100, 150, "WWWWWW");
    int top = 200, left = 200, right = -1;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            if (dc.GetPixel(x, y) != app::RGB(255, 255, 255)) {
                top = std::min(top, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_LE(top, 150 - extent.cx + 4);   // the text rises from its start...
    EXPECT_LT(right - left, extent.cy + 2);   // ...in a column no wider than a line
    EXPECT_LE(right, 101);   // with its glyphs left of the baseline
}

TEST_F(PainterTest, TextWidthsFollowTheFontInUse)
{
    // Widths are kept per font: switching among more fonts than are kept,
    // and back, every answer is the font's own measure.
    CBufferDC dc(nullptr, 100, 100);
    std::vector<chart::Font> fonts;
    for (int height : {-10, -14, -20, -26, -32, -40}) {
        chart::Font font;
        font.face = "Arial";
        font.height = height;
        fonts.push_back(font);
    }
    for (int round = 0; round < 3; ++round)
        for (const chart::Font& font : fonts) {
            dc.SelectFont(font);
            for (const char* text : {"CP12 Point Wilson", "W", "", "Kingston ferry terminal"}) {
                const QFontMetrics metrics(chart::CQtPainterBackend::MapFont(font));
                const chart::IntSize extent = dc.GetTextExtent(text);
                EXPECT_EQ(extent.cx, metrics.horizontalAdvance(QString::fromUtf8(text)))
                    << font.height << " " << text;
                EXPECT_EQ(extent.cy, metrics.height());
            }
        }
}

// Lines, outlined and dashed polygons and a shape with a hole drawn through
// the backend on someone else's painter come out as the same drawing done by
// plain Qt calls; the painter gets its clipping back as it was, and a clip
// of the painter's own still holds.
TEST_F(PainterTest, DrawingOnAPainterIsPlainQtDrawing)
{
    std::mt19937 random(11);
    std::vector<IntPoint> line, ring, hole;
    for (int i = 0; i < 200; ++i)
        line.push_back({int(random() % 260) - 10, int(random() % 140) - 10});
    for (int i = 0; i < 40; ++i) {
        const double a = i * 2 * std::numbers::pi / 40;
        ring.push_back({120 + int(90 * std::cos(a)), 60 + int(50 * std::sin(a))});
        hole.push_back({120 + int(30 * std::cos(a)), 60 + int(20 * std::sin(a))});
    }
    std::vector<IntPoint> both = ring;
    both.insert(both.end(), hole.begin(), hole.end());
    const int counts[] = {int(ring.size()), int(hole.size())};
    auto qtPoints = [](const std::vector<IntPoint>& points) {
        QPolygon polygon;
        for (const IntPoint& p : points)
            polygon << QPoint(p.x, p.y);
        return polygon;
    };
    const QRect ownClips[] = {QRect(), QRect(30, 20, 150, 70)};
    for (const QRect& ownClip : ownClips) {
        QImage drawn(240, 120, QImage::Format_RGB32), expected(240, 120, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        expected.fill(Qt::white);
        {
            QPainter painter(&drawn);
            if (!ownClip.isNull())
                painter.setClipRect(ownClip);
            {
                chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(painter));
                dc.SelectBrush(app::RGB(250, 220, 120));
                dc.SelectPen(app::RGB(120, 60, 0));
                dc.PolyPolygon(both, counts);
                dc.SelectPen(app::RGB(0, 0, 0));
                dc.Polyline(line);
                dc.SelectPen(app::RGB(200, 0, 200), chart::PenStyle::Dash);
                dc.SelectBrush(app::RGB(0, 120, 255));
                dc.Polygon(hole);
                dc.Detach();
            }
            EXPECT_EQ(painter.hasClipping(), !ownClip.isNull());
        }
        {
            QPainter painter(&expected);
            if (!ownClip.isNull())
                painter.setClipRect(ownClip);
            painter.setBrush(QColor(250, 220, 120));
            painter.setPen(QPen(QColor(120, 60, 0), 1, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
            QPainterPath path;
            path.setFillRule(Qt::OddEvenFill);
            path.addPolygon(QPolygonF(qtPoints(ring)));
            path.addPolygon(QPolygonF(qtPoints(hole)));
            painter.drawPath(path);
            painter.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
            painter.drawPolyline(qtPoints(line));
            painter.setPen(QPen(QColor(200, 0, 200), 1, Qt::DashLine, Qt::FlatCap, Qt::RoundJoin));
            painter.setBrush(QColor(0, 120, 255));
            painter.drawPolygon(qtPoints(hole), Qt::OddEvenFill);
        }
        EXPECT_EQ(drawn, expected) << "own clip " << !ownClip.isNull();
        if (!ownClip.isNull())
            EXPECT_EQ(drawn.pixel(5, 5), QColor(Qt::white).rgb());   // outside the clip
    }
}

// Widths are remembered by font and text: the same text in another font, or
// on a device of another resolution, is measured anew.
TEST_F(PainterTest, TextWidthsFollowTheFontAndDevice)
{
    chart::Font small, large, desktop;   // the desktop font is sized in points
    small.face = large.face = "Arial";
    small.height = -10;
    large.height = -28;
    for (const int dotsPerMetre : {3780, 7560}) {
        QImage image(100, 40, QImage::Format_RGB32);
        image.setDotsPerMeterX(dotsPerMetre);
        image.setDotsPerMeterY(dotsPerMetre);
        QPainter painter(&image);
        chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(painter));
        for (int round = 0; round < 2; ++round)
            for (const chart::Font* font : {&small, &large, &desktop}) {
                dc.SelectFont(*font);
                const QFontMetrics metrics(chart::CQtPainterBackend::MapFont(*font), &image);
                for (const char* text : {"12.5", "WWW", "Seattle"}) {
                    const chart::IntSize size = dc.GetTextExtent(text);
                    EXPECT_EQ(size.cx, metrics.horizontalAdvance(QString::fromUtf8(text)))
                        << text << " at " << font->height << ", " << dotsPerMetre;
                    EXPECT_EQ(size.cy, metrics.height());
                }
            }
        dc.Detach();
    }
}

TEST_F(PainterTest, PrintKeepsProportionsOnAPageOfUnequalResolutions)
{
    // A 200 x 100 buffer printed 400 wide on a page of 300 by 150 dots per
    // inch: 400 x 100/200 x 150/300 = 100 rows high, framed in black.
    CBufferDC buffer(nullptr, 200, 100);
    buffer.SelectBrush(app::RGB(0, 200, 0));
    buffer.PatBlt(IntRect{0, 0, 200, 100}, chart::PatOp::PatCopy);
    QImage page(500, 400, QImage::Format_RGB32);
    page.fill(Qt::white);
    page.setDotsPerMeterX(qRound(300 / 0.0254));
    page.setDotsPerMeterY(qRound(150 / 0.0254));
    {
        QPainter painter(&page);
        chart::CXDC printer(std::make_unique<chart::CQtPainterBackend>(painter));
        ASSERT_EQ(printer.GetDeviceCaps(chart::DeviceCap::LogPixelsX), 300);
        ASSERT_TRUE(buffer.PrintTo(printer, IntRect{50, 20, 450, 380}, IntRect{0, 0, 200, 100}));
    }
    EXPECT_EQ(page.pixel(250, 70), qRgb(0, 200, 0));   // inside
    EXPECT_EQ(page.pixel(50, 20), qRgb(0, 0, 0));   // the frame's corner
    EXPECT_EQ(page.pixel(250, 119), qRgb(0, 0, 0));   // the frame's foot, row 99
    EXPECT_EQ(page.pixel(250, 120), qRgb(255, 255, 255));
    EXPECT_EQ(page.pixel(450, 70), qRgb(255, 255, 255));
}

}   // namespace

TEST_F(PainterTest, PolygonsAtManyPlacesPaintWhatOneAtATimePaints)
{
    // Triangles turned every way, overlapping and partly off the buffer;
    // filled, hollow, thin and wide pens.
    const std::vector<IntPoint> places{{10, 10}, {12, 11}, {30, 5}, {0, 40},
                                       {63, 63}, {-2, 20}, {45, 30}};
    const auto paint = [&](bool together, const std::vector<IntPoint>& shape, chart::Brush brush,
                           int penWidth) {
        CBufferDC dc(nullptr, 64, 64);
        dc.PatBlt(IntRect{0, 0, 64, 64}, chart::PatOp::Whiteness);
        dc.SelectPen(app::RGB(0, 160, 0), chart::PenStyle::Solid, penWidth);
        dc.SelectBrush(brush);
        if (together) {
            dc.Polygons(shape, places);
        } else {
            for (const IntPoint& at : places) {
                std::vector<IntPoint> moved;
                for (const IntPoint& p : shape)
                    moved.push_back({p.x + at.x, p.y + at.y});
                dc.Polygon(moved);
            }
        }
        return View(dc).copy();
    };
    const chart::Brush green{chart::BrushStyle::Solid, app::RGB(0, 160, 0)};
    const chart::Brush hollow{chart::BrushStyle::Hollow, 0};
    for (const double angle : {0.0, 37.0, 90.0, 200.0, 315.0}) {
        const double a = angle * std::numbers::pi / 180.0;
        const auto at = [&](double along, double across) {
            return IntPoint{int(std::lround(along * std::sin(a) + across * std::cos(a))),
                            int(std::lround(-along * std::cos(a) + across * std::sin(a)))};
        };
        const std::vector<IntPoint> shape{at(4, 0), at(-4, 4), at(-4, -4)};
        for (const auto& brush : {green, hollow})
            for (const int width : {1, 3}) {
                const QImage one = paint(false, shape, brush, width);
                EXPECT_EQ(paint(true, shape, brush, width), one) << angle << " " << width;
                int painted = 0;
                for (int y = 0; y < 64; ++y)
                    for (int x = 0; x < 64; ++x)
                        painted += one.pixel(x, y) != 0xFFFFFFFFu;
                EXPECT_GT(painted, 40) << angle << " " << width;
            }
    }
}

// Areas filled together, straight into the pixels, are what the painter's own
// fills give one after another: the same pixels along every edge (however
// it slants), holes, later areas over earlier ones, points far off the
// image, rings that fill nothing, and the painter's own clip, rectangular or
// not. The context's pen and brush are still the ones selected afterwards,
// and sizes asking for more points than given draw nothing.
TEST_F(PainterTest, AreasFilledTogetherArePaintersOwnFillsInTurn)
{
    std::mt19937 random(23);
    std::vector<IntPoint> points;
    std::vector<int> sizes;
    std::vector<chart::AreaFill> areas;
    for (int a = 0; a < 60; ++a) {
        const int rings = a % 9 == 0 ? 0 : 1 + int(random() % 3);
        for (int r = 0; r < rings; ++r) {
            const int n = a % 13 == 5 ? 2 : 3 + int(random() % 10);
            for (int i = 0; i < n; ++i) {
                IntPoint p{int(random() % 460) - 30, int(random() % 340) - 20};
                if (random() % 40 == 0)
                    p.x = random() % 2 ? 1000000 : -1000000;
                if (i > 0 && random() % 6 == 0)
                    p.y = points.back().y;   // a level edge
                points.push_back(p);
            }
            sizes.push_back(n);
        }
        areas.push_back(
            {std::uint32_t(rings), app::RGB(random() % 256, random() % 256, random() % 256)});
    }
    // A white image, and a painter on it moved and clipped.
    auto blank = [] {
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::white);
        return image;
    };
    auto placed = [](QPainter& painter, const QRegion& clip, const QTransform& transform) {
        painter.setTransform(transform);
        if (!clip.isEmpty())
            painter.setClipRegion(clip);
    };
    // The same areas one at a time by plain Qt calls.
    auto expected = [&](const QRegion& clip, const QTransform& transform) {
        QImage image = blank();
        QPainter painter(&image);
        placed(painter, clip, transform);
        painter.setPen(Qt::NoPen);
        std::size_t ring = 0, at = 0;
        for (const auto& area : areas) {
            QPainterPath path;
            path.setFillRule(Qt::OddEvenFill);
            for (std::uint32_t r = 0; r < area.rings; ++r, ++ring) {
                QPolygon polygon;
                for (int i = 0; i < sizes[ring]; ++i, ++at)
                    polygon << QPoint(points[at].x, points[at].y);
                path.addPolygon(QPolygonF(polygon));
            }
            painter.setBrush(chart::ToQColor(area.colour));
            painter.drawPath(path);
        }
        painter.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
        painter.setBrush(Qt::yellow);
        painter.drawRect(QRect(10, 10, 19, 9));
        return image;
    };
    auto fill = [&](chart::CXDC& dc) {
        dc.SelectPen(app::RGB(0, 0, 0));
        dc.SelectBrush(app::RGB(255, 255, 0));
        EXPECT_TRUE(dc.FillAreas(points, sizes, areas));
        EXPECT_EQ(dc.GetCurrentBrush().colour, app::RGB(255, 255, 0));
        dc.Rectangle(10, 10, 30, 20);   // with the pen and brush selected before
    };

    {
        SCOPED_TRACE("a buffer's own memory");
        CBufferDC dc(nullptr, 400, 300);
        chart::CSelBrush white(dc, app::RGB(255, 255, 255));
        dc.PatBlt({0, 0, 400, 300}, chart::PatOp::PatCopy);
        fill(dc);
        EXPECT_EQ(View(dc), expected({}, {}));
    }
    const QRegion rectangle(30, 20, 250, 200);
    const QRegion twoRectangles = QRegion(0, 0, 100, 100) + QRegion(200, 150, 150, 100);
    const std::pair<QRegion, QTransform> painters[] = {
        {{}, {}}, {rectangle, {}}, {twoRectangles, {}}, {{}, QTransform::fromTranslate(7, -3)}};
    for (const auto& [clip, transform] : painters) {
        SCOPED_TRACE(testing::Message() << "someone else's painter, clip of " << clip.rectCount()
                                        << " rectangles, moved " << transform.dx());
        QImage image = blank();
        {
            QPainter painter(&image);
            placed(painter, clip, transform);
            chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(painter));
            fill(dc);
            dc.Detach();
        }
        EXPECT_EQ(image, expected(clip, transform));
    }

    CBufferDC dc(nullptr, 40, 30);
    const int tooMany[] = {4};
    const chart::AreaFill one[] = {{1, app::RGB(0, 0, 0)}};
    EXPECT_FALSE(dc.FillAreas(std::span(points).first(3), tooMany, one));
    const chart::AreaFill twoRings[] = {{2, app::RGB(0, 0, 0)}};
    EXPECT_FALSE(dc.FillAreas(points, tooMany, twoRings));
}

namespace {

// Pixels of `image` not white.
std::vector<QPoint> Inked(const QImage& image)
{
    std::vector<QPoint> inked;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                inked.emplace_back(x, y);
    return inked;
}

// Each inked pixel of `image` has one of `other`'s inked pixels in its own
// place or beside it.
bool WithinOnePixel(const QImage& image, const QImage& other)
{
    const QRgb white = qRgb(255, 255, 255);
    for (const QPoint& p : Inked(image)) {
        bool near = false;
        for (int dy = -1; dy <= 1 && !near; ++dy)
            for (int dx = -1; dx <= 1 && !near; ++dx) {
                const QPoint q = p + QPoint(dx, dy);
                near = other.valid(q) && other.pixel(q) != white;
            }
        if (!near)
            return false;
    }
    return true;
}

}   // namespace

// Lines a few at a time: level, upright, diagonal, steep and shallow ones,
// within `reach` of the picture's edges.
std::vector<IntPoint> SomeLines(std::mt19937& random, int reach)
{
    std::vector<IntPoint> points;
    const int n = 2 + int(random() % 5);
    for (int i = 0; i < n; ++i) {
        IntPoint p{int(random() % unsigned(100 + 2 * reach)) - reach,
                   int(random() % unsigned(60 + 2 * reach)) - reach};
        if (i > 0 && random() % 5 == 0)
            p.y = points.back().y;
        else if (i > 0 && random() % 5 == 0)
            p.x = points.back().x;
        else if (i > 0 && random() % 5 == 0 && points.back().y >= 17 - reach)
            p = {points.back().x + 17, points.back().y - 17};
        else if (i > 0 && random() % 9 == 0)
            p = points.back();
        points.push_back(p);
    }
    return points;
}

// On a buffer of its own, white, at `offset`: a polyline, or a ring as a
// polygon's outline.
QImage Thin(const std::vector<IntPoint>& points, bool ring, QSize size, IntPoint offset = {})
{
    std::vector<IntPoint> moved;
    for (const IntPoint& p : points)
        moved.push_back({p.x + offset.x, p.y + offset.y});
    CBufferDC dc(nullptr, size.width(), size.height());
    chart::CSelBrush whiteBrush(dc, app::RGB(255, 255, 255));
    dc.PatBlt({0, 0, size.width(), size.height()}, chart::PatOp::PatCopy);
    dc.SelectPen(app::RGB(0, 0, 0));
    if (ring) {
        dc.SelectBrush(chart::Brush{chart::BrushStyle::Hollow, 0});
        const int sizes[] = {int(moved.size())};
        dc.PolyPolygon(moved, sizes);
    } else {
        dc.Polyline(moved);
    }
    return View(dc).copy();
}

TEST_F(PainterTest, ThinLinesInMemoryKeepBesideQtsOwnAndEndAsTheyDo)
{
    std::mt19937 random(41);
    for (int round = 0; round < 400; ++round) {
        const std::vector<IntPoint> points = SomeLines(random, 0);
        const bool ring = round % 3 == 0;
        SCOPED_TRACE(testing::Message() << "round " << round << (ring ? ", ring" : ", polyline"));
        QImage expected(100, 60, QImage::Format_RGB32);
        expected.fill(Qt::white);
        {
            QPainter painter(&expected);
            painter.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
            QPolygon polygon;
            for (const IntPoint& p : points)
                polygon << QPoint(p.x, p.y);
            if (ring)
                painter.drawPolygon(polygon);
            else
                painter.drawPolyline(polygon);
        }
        const QImage drawn = Thin(points, ring, {100, 60});
        EXPECT_TRUE(WithinOnePixel(drawn, expected));
        EXPECT_TRUE(WithinOnePixel(expected, drawn));
        // An open path's start, and a single line's end, have Qt's pixels:
        // drawn or left out by which way the line runs.
        for (const IntPoint& end : {points.front(), points.back()})
            if (!ring && (end == points.front() || points.size() == 2) &&
                expected.valid(end.x, end.y)) {
                EXPECT_EQ(drawn.pixel(end.x, end.y), expected.pixel(end.x, end.y))
                    << end.x << "," << end.y;
            }
    }
}

TEST_F(PainterTest, ThinLinesCutAtTheMemorysEdgesKeepTheirPixels)
{
    // Lines reaching well off the memory have the pixels inside it that the
    // same lines have on memory large enough for all of them.
    std::mt19937 random(5);
    for (int round = 0; round < 200; ++round) {
        const std::vector<IntPoint> points = SomeLines(random, 300);
        const bool ring = round % 3 == 0;
        SCOPED_TRACE(testing::Message() << "round " << round << (ring ? ", ring" : ", polyline"));
        const QImage whole = Thin(points, ring, {700, 660}, {300, 300});
        EXPECT_EQ(Thin(points, ring, {100, 60}), whole.copy(300, 300, 100, 60));
    }
    // Far off: no time spent off the memory, and the line across it as a
    // shorter one on the same course draws it.
    const std::vector<IntPoint> far = {
        {50, -4000000}, {50, 4000000}, {-3000000, 20}, {3000000, 50}};
    const QImage drawn = Thin(far, false, {100, 60});
    const QImage shorter = Thin({{50, -100}, {50, 100}}, false, {100, 60});
    for (int y = 0; y < 60; ++y)
        EXPECT_EQ(drawn.pixel(50, y), shorter.pixel(50, y)) << y;
    EXPECT_EQ(Inked(drawn).size(), 60u + 100u - 1u);
}

TEST_F(PainterTest, LinesQtMustDrawAreItsOwn)
{
    // Dashed and wide pens are drawn by the painter itself, as is every line
    // on someone else's painter (DrawingOnAPainterIsPlainQtDrawing).
    const std::vector<IntPoint> points = {{-10, 5}, {90, 50}, {40, -30}, {5, 55}};
    auto byQt = [&](const QPen& pen) {
        QImage image(80, 50, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setPen(pen);
        QPolygon q;
        for (const IntPoint& p : points)
            q << QPoint(p.x, p.y);
        painter.drawPolyline(q);
        return image;
    };
    auto ours = [&](chart::PenStyle style, int width) {
        CBufferDC dc(nullptr, 80, 50);
        chart::CSelBrush whiteBrush(dc, app::RGB(255, 255, 255));
        dc.PatBlt({0, 0, 80, 50}, chart::PatOp::PatCopy);
        dc.SelectPen(app::RGB(0, 0, 0), style, width);
        dc.Polyline(points);
        return View(dc).copy();
    };
    EXPECT_EQ(ours(chart::PenStyle::Dash, 1),
              byQt(QPen(Qt::black, 1, Qt::DashLine, Qt::FlatCap, Qt::RoundJoin)));
    EXPECT_EQ(ours(chart::PenStyle::Solid, 3),
              byQt(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)));
}

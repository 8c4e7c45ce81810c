#include <gtest/gtest.h>

#include "chart/draw/BufferDC.h"
#include "chart/draw/PixelOps.h"
#include "chart/draw/RecordingBackend.h"

namespace {

using chart::CXDC;
using chart::DrawOp;
using chart::IntRect;
using geo::IntPoint;

chart::CRecordingBackend& Recorder(CXDC& dc)
{
    return *static_cast<chart::CRecordingBackend*>(dc.Backend());
}

std::vector<IntPoint> LineStarts(const std::vector<chart::DrawRecord>& records)
{
    std::vector<IntPoint> starts;
    for (const auto& r : records)
        if (r.op == DrawOp::Line)
            starts.push_back(r.points[0]);
    return starts;
}

TEST(DottedLine, StepsBySpacingTimesPenWidth)
{
    struct Row {
        const char* name;
        int penWidth;
        IntPoint a, b;
        int spacing;
        std::vector<IntPoint> starts;
        int dot;   // length of each dot
    };
    const Row rows[] = {
        {"horizontal, ends on the step", 1, {0, 5}, {8, 5}, 4, {{0, 5}, {4, 5}, {8, 5}}, 1},
        {"horizontal drawn right to left", 1, {9, 5}, {0, 5}, 4, {{0, 5}, {4, 5}, {8, 5}}, 1},
        {"vertical", 1, {3, 0}, {3, 10}, 5, {{3, 0}, {3, 5}, {3, 10}}, 1},
        {"wide pen: step 2 x 3, dots of no length",
         2,
         {0, 0},
         {12, 0},
         3,
         {{0, 0}, {6, 0}, {12, 0}},
         0},
        // Diagonal steps of 3 and 4 accumulate in doubles and are truncated, so a
        // dot may land a pixel short of the exact line.
        {"diagonal", 1, {0, 0}, {6, 8}, 5, {{0, 0}, {3, 3}, {6, 7}}, 1},
        {"diagonal upward to the left", 1, {6, 8}, {0, 0}, 5, {{6, 8}, {2, 4}, {0, 0}}, 1},
    };
    for (const Row& row : rows) {
        CXDC dc(std::make_unique<chart::CRecordingBackend>());
        dc.SelectPen(app::RGB(0, 0, 0), chart::PenStyle::Solid, row.penWidth);
        dc.DrawDottedLine(row.a, row.b.x, row.b.y, row.spacing, true);
        const auto& records = Recorder(dc).Records();
        EXPECT_EQ(LineStarts(records), row.starts) << row.name;
        for (const auto& r : records) {
            const IntPoint d{r.points[1].x - r.points[0].x, r.points[1].y - r.points[0].y};
            EXPECT_EQ(std::abs(d.x) + std::abs(d.y), row.dot) << row.name;
        }
    }
}

TEST(DottedLine, ZeroStepOrNoDotsDrawsOnePlainLine)
{
    // A step of 0 (spacing 0, or spacing x width a multiple of 256) would
    // never advance.
    const std::pair<int, int> spacingAndWidth[] = {{0, 1}, {256, 1}, {128, 2}, {4, 1}};
    for (auto [spacing, width] : spacingAndWidth) {
        CXDC dc(std::make_unique<chart::CRecordingBackend>());
        dc.SelectPen(0, chart::PenStyle::Solid, width);
        dc.DrawDottedLine(0, 0, 50, 30, spacing, spacing == 4 ? false : true);
        const auto& r = Recorder(dc).Records();
        ASSERT_EQ(r.size(), 1u) << spacing;
        EXPECT_EQ(r[0].points, (std::vector<IntPoint>{{0, 0}, {50, 30}}));
    }
}

TEST(XDC, FramesAndGuardsRestoreSelections)
{
    CXDC dc(std::make_unique<chart::CRecordingBackend>());
    const chart::Brush blue{chart::BrushStyle::Solid, app::RGB(0, 0, 255)};
    dc.SelectBrush(blue);
    dc.DrawFrameRect(IntRect{1, 2, 30, 40}, 4, false);
    {
        chart::CSelPen pen(dc, app::RGB(255, 0, 0), chart::PenStyle::Dot, 1);
        chart::CSelStock nullPen(dc, chart::StockObject::NullPen);
        dc.Rectangle(0, 0, 5, 5);
        dc.SetROP2(chart::Rop2::NotXorPen);
        dc.DrawLine(0, 0, 9, 9);
    }
    const auto& r = Recorder(dc).Records();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].op, DrawOp::Rectangle);   // one outline, hollow inside
    EXPECT_EQ(r[0].brush.style, chart::BrushStyle::Hollow);
    EXPECT_EQ(r[1].pen.style, chart::PenStyle::Null);
    EXPECT_EQ(r[1].brush, blue);
    EXPECT_EQ(r[2].rop, chart::Rop2::NotXorPen);
    EXPECT_EQ(dc.GetCurrentBrush(), blue);
    EXPECT_EQ(dc.GetCurrentPen(), chart::Pen{});

    // Dotted frames: four dotted sides, clockwise from the top left.
    CXDC dotted(std::make_unique<chart::CRecordingBackend>());
    dotted.DrawFrameRect(IntRect{0, 0, 8, 4}, 4, true);
    EXPECT_EQ(LineStarts(Recorder(dotted).Records()),
              (std::vector<IntPoint>{
                  {0, 0}, {4, 0}, {8, 0}, {8, 0}, {8, 4}, {0, 4}, {4, 4}, {8, 4}, {0, 0}, {0, 4}}));
}

TEST(XDC, TextUsesFixedMetricsAndCurrentSettings)
{
    CXDC dc(std::make_unique<chart::CRecordingBackend>());
    chart::Font font;
    font.face = "Arial";
    font.height = -12;
    font.escapement = 900;
    chart::CSelFont guard(dc, font);
    dc.SetTextAlign(chart::TA_CENTER | chart::TA_BASELINE);
    dc.SetBkMode(chart::BkMode::Transparent);
    dc.SetTextColor(app::RGB(1, 2, 3));
    EXPECT_EQ(dc.GetTextExtent("abc"), (chart::IntSize{18, 12}));
    EXPECT_EQ(dc.GetTextExtent("\xC2\xB0N"), (chart::IntSize{12, 12}));   // two characters
    dc.TextOut(10, 20, "N");
    const auto& r = Recorder(dc).Records().back();
    EXPECT_EQ(r.font.escapement, 900);
    EXPECT_EQ(r.textAlign, chart::TA_CENTER | chart::TA_BASELINE);
    EXPECT_EQ(r.bkMode, chart::BkMode::Transparent);
    EXPECT_EQ(r.textColour, app::RGB(1, 2, 3));
}

// Pixels of an 8-bit image 4 x 2: indexes 0..7; the table maps index i to
// grey 10 x i.
struct Indexed {
    Indexed()
    {
        for (int i = 0; i < 256; ++i)
            table[std::size_t(i)] = app::ColourToPixel(app::RGB(10 * i, 10 * i, 10 * i));
    }
    std::uint8_t bits[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    chart::CIndexedImage image{bits, 4, 2, 4};
    chart::CPaletteTable table;
    std::uint32_t Of(int i) const { return table[std::size_t(i)]; }
};

TEST(Buffers, BlitsCopiesAndReadsBack)
{
    Indexed in;
    chart::CScreenBuffer screen(&in.table, 16, 8);
    chart::CBufferDC& chartBuffer = screen.Chart();
    screen.ClearToColour(app::RGB(9, 9, 9));
    // x1 at (1,1), x2 at (6,0), x0.5 at (0,5) from the whole 4 x 2 image.
    chartBuffer.BlitIndexed(in.image, {0, 0, 4, 2}, {1, 1, 5, 3});
    chartBuffer.BlitIndexed(in.image, {0, 0, 4, 2}, {6, 0, 14, 4});
    chartBuffer.BlitIndexed(in.image, {0, 0, 4, 2}, {0, 5, 2, 6});
    const chart::CPixelView m = chartBuffer.Memory();
    EXPECT_EQ(m.Row(0)[0], app::ColourToPixel(app::RGB(9, 9, 9)));
    EXPECT_EQ(m.Row(2)[4], in.Of(7));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(m.Row(y)[6 + x], in.Of((y / 2) * 4 + x / 2)) << x << "," << y;
    EXPECT_EQ(m.Row(5)[0], in.Of(0));
    EXPECT_EQ(m.Row(5)[1], in.Of(2));
    EXPECT_EQ(chartBuffer.GetPixel(2, 1), app::RGB(10, 10, 10));
    EXPECT_EQ(chartBuffer.GetPixel(16, 0), chart::CLR_INVALID);

    // A blit hanging over every edge writes only inside the buffer.
    chartBuffer.BlitIndexed(in.image, {-2, -1, 6, 3}, {-4, -2, 12, 6});
    EXPECT_EQ(m.Row(0)[0], in.Of(0));
    EXPECT_EQ(m.Row(5)[0], in.Of(0));   // outside the image's rows: left alone

    screen.CopyChartToStatic();
    screen.CopyStaticToDynamic();
    EXPECT_EQ(screen.Dynamic().GetPixel(7, 3), screen.Chart().GetPixel(7, 3));
    CXDC window(std::make_unique<chart::CRecordingBackend>());
    screen.BlitToScreen(window, 2, 3, 12, 8, 1, 1);
    const auto& r = Recorder(window).Records();
    ASSERT_EQ(r.size(), 1u);   // a window without memory gets the pixels drawn
    EXPECT_EQ(r[0].points, (std::vector<IntPoint>{{1, 1}, {11, 6}, {2, 3}, {12, 8}}));

    // Growing keeps the picture in place.
    const std::uint32_t before = m.Row(3)[9];
    screen.EnsureSize(40, 30);
    EXPECT_EQ(screen.Chart().Width(), 40);
    EXPECT_EQ(screen.Chart().Memory().Row(3)[9], before);
    EXPECT_EQ(screen.Dynamic().Height(), 30);

    chart::CScreenBuffer noScreen(nullptr, 0, 0);
    EXPECT_EQ(noScreen.Width(), 640);
    EXPECT_EQ(noScreen.Height(), 480);
    EXPECT_FALSE(noScreen.Chart().BlitIndexed(in.image, {0, 0, 4, 2}, {0, 0, 4, 2}));   // no table
}

TEST(Buffers, PrintKeepsProportionsOnUnequalResolutions)
{
    chart::CBufferDC buffer(nullptr, 200, 100);
    CXDC printer(std::make_unique<chart::CRecordingBackend>(chart::CPixelView{}, 600));
    struct Caps : chart::CRecordingBackend {
        int GetDeviceCaps(chart::DeviceCap cap) const override
        {
            return cap == chart::DeviceCap::LogPixelsX ? 600 : 300;
        }
    };
    printer.Attach(std::make_unique<Caps>());
    ASSERT_TRUE(buffer.PrintTo(printer, IntRect{50, 60, 1250, 9999}, IntRect{0, 0, 200, 100}));
    const auto& r = Recorder(printer).Records();
    ASSERT_EQ(r.size(), 1u);
    // 1200 wide x 100/200 x 300/600 = 300 high.
    EXPECT_EQ(r[0].points[2], (IntPoint{50, 60}));
    EXPECT_EQ(r[0].points[3], (IntPoint{1250, 360}));
    // The buffer shows the 4-pixel black frame it printed with.
    const auto& frame = Recorder(buffer).Records().back();
    EXPECT_EQ(frame.pen.width, 4);
    EXPECT_EQ(frame.brush.style, chart::BrushStyle::Hollow);

    // Products beyond 32 bits.
    EXPECT_EQ(chart::PrintHeightFor(30000, IntRect{0, 0, 30000, 30000}, 1200, 1200), 30000);
    EXPECT_EQ(chart::PrintHeightFor(100, IntRect{0, 0, 0, 50}, 300, 300), 0);
}

}   // namespace

namespace {

// A blit copies the pixels and leaves the destination's palette as it was,
// whether or not the buffer has one of its own; a buffer made without one has none.
TEST(Buffers, BlitToKeepsTheDestinationsPalette)
{
    Indexed in;
    chart::CPaletteTable other{};
    chart::CBufferDC withPalette(&in.table, 8, 4);
    chart::CBufferDC without(nullptr, 8, 4);
    EXPECT_EQ(without.GetPalette(), nullptr);
    EXPECT_EQ(withPalette.GetPalette(), &in.table);
    withPalette.PatBlt(IntRect{0, 0, 8, 4}, chart::PatOp::Whiteness);
    without.PatBlt(IntRect{0, 0, 8, 4}, chart::PatOp::Blackness);

    chart::CBufferDC dest(&other, 8, 4);
    ASSERT_TRUE(withPalette.BlitTo(dest, 0, 0, 4, 4, 0, 0));
    EXPECT_EQ(dest.GetPalette(), &other);
    ASSERT_TRUE(without.BlitTo(dest, 4, 0, 8, 4, 0, 0));
    EXPECT_EQ(dest.GetPalette(), &other);
    EXPECT_EQ(dest.GetPixel(3, 3), app::RGB(255, 255, 255));
    EXPECT_EQ(dest.GetPixel(4, 0), app::RGB(0, 0, 0));
}

}   // namespace

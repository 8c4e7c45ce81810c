// A long recorded track drawn on memory paints a picture the picture worker
// drew for the view. Every repaint from it must leave exactly the pixels
// drawing the whole list would: with points added since, after the view
// moved, and after the style changed. Both sides draw with the program's Qt
// backend.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "chart/ChartDoc.h"
#include "chart/draw/BufferDC.h"
#include "chart/draw/PixelOps.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "chart/overlays/OverlayProperties.h"
#include "navigator/LogTrack.h"

using namespace navigator;
using namespace std::chrono;

namespace {

int g_argc = 1;
char g_arg0[] = "navigator_ui_TrackPictureTest";
char* g_argv[] = {g_arg0, nullptr};

// A plain chart, 800 x 600 pixels, `scale` pixels a degree.
class PlainDoc final : public chart::CChartDoc {
public:
    double north = 47.62, west = -122.46, scale = 20000.0;
    bool OpenChart(const std::string&) override { return true; }
    void GetVisibleRect(geo::IntRect& r) override { r = {0, 0, 800, 600}; }
    bool IsPositionOnChart(const geo::CPosition&) const override { return true; }
    bool PositionToPoints(const geo::CPosition& p, chart::PointList& points) override
    {
        points.push_back({int(std::lround((p.GetLongitude() - west) * scale)),
                          int(std::lround((north - p.GetLatitude()) * scale))});
        return true;
    }
    bool PointToPosition(geo::IntPoint pt, geo::CPosition& p) override
    {
        return p.Set(north - pt.y / scale, west + pt.x / scale, 0, 0xFFFF);
    }
};

// Fix i: a vessel sweeping back and forth across the view a second apart,
// every tenth minute a time mark, the odd dead-reckoned stretch.
CTrackFix FixAt(std::uint64_t i)
{
    const double t = double(i);
    CTrackFix f;
    f.latitude = 47.605 - 0.0002 * t / 60.0 * 0.1 + 0.004 * std::sin(t / 900.0);
    f.longitude = -122.44 + 0.015 * (1.0 + std::sin(t / 1300.0));
    f.cog = std::fmod(t / 10.0, 360.0);
    f.utc = sys_days{year{2024} / 6 / 1} + hours(12) + seconds(i);
    f.fixType = (i / 3000) % 4 == 3 ? kFixSystemDr : kFixEpfs;
    return f;
}

const std::uint32_t kChartColour = 0xFFC8E6FAu;

// Draws on the buffer's memory (the picture path) and on an image through a
// painter the track cannot see under (drawing the whole list); true when
// both leave the same pixels.
::testing::AssertionResult SameAsDrawingAll(CLogTrack& track, PlainDoc& doc,
                                            chart::CBufferDC& buffer, bool expectPicture)
{
    chart::FillPixels(buffer.Memory(), {0, 0, buffer.Width(), buffer.Height()}, kChartColour);
    track.Draw(doc, buffer, true);
    if (expectPicture && !track.PaintedFromPicture()) {
        // The first paint for this view asked the picture worker; the next
        // one paints from what it drew.
        if (!track.WaitForPicture(seconds(60)))
            return ::testing::AssertionFailure() << "the picture was not drawn";
        chart::FillPixels(buffer.Memory(), {0, 0, buffer.Width(), buffer.Height()}, kChartColour);
        track.Draw(doc, buffer, true);
    }
    if (track.PaintedFromPicture() != expectPicture)
        return ::testing::AssertionFailure()
               << "painted from picture: " << track.PaintedFromPicture();
    QImage all(buffer.Width(), buffer.Height(), QImage::Format_RGB32);
    all.fill(QColor::fromRgb(kChartColour));
    {
        QPainter painter(&all);
        chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(painter));
        track.Draw(doc, dc, true);
    }
    const chart::CPixelView mine = buffer.Memory();
    // The smoothed edges of labels are blended again from the picture: a
    // channel may be off by a rounding step there, nowhere by more.
    int differ = 0, drawn = 0, worst = 0;
    for (int y = 0; y < mine.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(all.constScanLine(y));
        for (int x = 0; x < mine.width; ++x) {
            int most = 0;
            for (int shift = 0; shift < 24; shift += 8)
                most = std::max(most, std::abs(int((mine.Row(y)[x] >> shift) & 0xFF) -
                                               int((row[x] >> shift) & 0xFF)));
            differ += most > 2;
            worst = std::max(worst, most);
            drawn += (row[x] & 0xFFFFFFu) != (kChartColour & 0xFFFFFFu);
        }
    }
    if (drawn < 1000)
        return ::testing::AssertionFailure() << "only " << drawn << " pixels drawn";
    if (differ != 0 && std::getenv("TRACK_PICTURE_DUMP")) {
        all.save("/tmp/h28-all.png");
        QImage(reinterpret_cast<const uchar*>(mine.bits), mine.width, mine.height,
               int(mine.stride * 4), QImage::Format_RGB32)
            .save("/tmp/h28-mine.png");
    }
    if (differ != 0)
        return ::testing::AssertionFailure()
               << differ << " of " << drawn << " pixels differ, by up to " << worst;
    return ::testing::AssertionSuccess();
}

class TrackPictureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        static auto* app = new QGuiApplication(g_argc, g_argv);   // never destroyed
        (void)app;
    }
    void SetUp() override { chart::SetDrawBackendFactory(&m_factory); }
    void TearDown() override { chart::SetDrawBackendFactory(nullptr); }

    chart::CQtBackendFactory m_factory;
};

}   // namespace

TEST_F(TrackPictureTest, RepaintsFromThePictureLeaveThePixelsOfDrawingEveryFix)
{
    PlainDoc doc;
    chart::CPositionFixProperties properties;
    properties.drawFixTimeAndSource = true;
    CLogTrack track;
    track.SetProperties(&properties);
    track.Settings().drawTimeMarks = true;
    // No grid yet: every fix is kept, as many as a long passage thins to.
    const std::uint64_t fixes = CLogTrack::kPictureFrom + 5000;
    // The newest far from the one before, so the line joining the picture
    // to the points after it shows.
    for (std::uint64_t i = 0; i < fixes; ++i) {
        CTrackFix fix = FixAt(i);
        if (i == fixes - 1)
            fix.longitude = -122.45;
        track.Extend(i, fix);
    }
    ASSERT_EQ(track.Size(), fixes);
    chart::CBufferDC buffer(nullptr, 800, 600);
    ASSERT_TRUE(buffer.Memory().IsValid());

    // The first paint makes the picture; the next ones paint from it, with
    // the points added since drawn over it (markers and time marks going on
    // where the picture left them).
    EXPECT_TRUE(SameAsDrawingAll(track, doc, buffer, true));
    for (std::uint64_t i = fixes; i < fixes + 700; ++i) {
        track.Extend(i, FixAt(i));
        if (i % 100 == 0)
            EXPECT_TRUE(SameAsDrawingAll(track, doc, buffer, true)) << "after fix " << i;
    }
    // A view moved, zoomed, a palette of other colours, markers off: a new
    // picture each. Its first paint does not wait for the worker: it draws
    // the newest fixes only, and the picture comes with a later paint.
    doc.west -= 0.003;
    chart::FillPixels(buffer.Memory(), {0, 0, buffer.Width(), buffer.Height()}, kChartColour);
    track.Draw(doc, buffer, true);
    EXPECT_FALSE(track.PaintedFromPicture());
    EXPECT_TRUE(SameAsDrawingAll(track, doc, buffer, true));
    // Back to the view before: its picture was kept and is painted at once.
    doc.west += 0.003;
    chart::FillPixels(buffer.Memory(), {0, 0, buffer.Width(), buffer.Height()}, kChartColour);
    track.Draw(doc, buffer, true);
    EXPECT_TRUE(track.PaintedFromPicture());
    doc.west -= 0.003;
    EXPECT_TRUE(SameAsDrawingAll(track, doc, buffer, true));
    doc.scale = 30000.0;
    EXPECT_TRUE(SameAsDrawingAll(track, doc, buffer, true));
    properties.Line().SetWidth(3);
    EXPECT_TRUE(SameAsDrawingAll(track, doc, buffer, true));
    properties.SetDraw(false);
    EXPECT_TRUE(SameAsDrawingAll(track, doc, buffer, true));
    // A display limit moving with the newest fix: the picture starts where the line does.
    track.Settings().limitDisplay = true;
    track.Settings().span = seconds(CLogTrack::kPictureFrom + 100);
    for (std::uint64_t i = fixes + 700; i < fixes + 703; ++i) {
        track.Extend(i, FixAt(i));
        EXPECT_TRUE(SameAsDrawingAll(track, doc, buffer, true)) << "after fix " << i;
    }
    // A short window draws straight on.
    track.Settings().span = minutes(30);
    doc.west = PlainDoc{}.west;
    doc.scale = PlainDoc{}.scale;
    EXPECT_TRUE(SameAsDrawingAll(track, doc, buffer, false));
}

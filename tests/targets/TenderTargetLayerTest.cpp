// The tender layer over a blank chart through the recording backend: the
// symbol where the tender is and a click there finding it, the labels by
// their switches, the tender circle, the focus box on the current tender
// only, and the track in its colour while reporting and red once silent.

#include "targets/TenderTargetLayer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "../chart/overlays/OverlayTestSupport.h"
#include "FakeClock.h"
#include "chart/overlays/OverlayServices.h"

using namespace std::chrono_literals;
using namespace targets;

namespace {

class NoPorts : public nmea::CPortDirectory {
public:
    nmea::CPort* FindPort(std::uint8_t) const override { return nullptr; }
    std::uint8_t GetFirstPortNumber() const override { return 0; }
};

constexpr chart::COLORREF kRed = app::RGB(255, 0, 0);

// Minutes past 50N and past 1W, as ddmm.mmm wants them (two digits before the point).
std::string Minutes(double m)
{
    return (m < 10.0 ? "0" : "") + std::to_string(m);
}

// A reply sent at `utc` (its RMC carries the time; the date is 7 December 2026).
std::string Rmc(double latMinutes, double lonMinutes, std::chrono::system_clock::time_point utc)
{
    const std::time_t t = std::chrono::system_clock::to_time_t(utc);
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    char hms[16];
    std::snprintf(hms, sizeof hms, "%02d%02d%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    return std::string("$PABX,0001,RMC,") + hms + ",A,50" + Minutes(latMinutes) + ",N,001" +
           Minutes(lonMinutes) + ",W,4.0,90.0,071226,,";
}

struct TenderLayerTest : ::testing::Test {
    brine_test::FakeClock clock;
    NoPorts ports;
    CTenderTracking tracking{clock, ports};
    overlay_test::Chart chart{geo::CPosition(50.10, -1.20), geo::CPosition(49.90, -0.80)};
    overlay_test::Recorder recorder;
    CTenderTargetLayer layer{tracking};

    TenderLayerTest()
    {
        clock.SetUtc(std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 12h);
        tracking.Settings().channels[0].valid = true;
        tracking.Settings().channels[0].name = "Rescue";
        tracking.Properties().FixMarker().SetDraw(false);
        tracking.Properties().loggingPeriod = app::CDateTimeSpanEx(10);
    }
    // The module's properties changed, and with them every tender's.
    template <class F>
    void Change(F change)
    {
        chart::CTargetProperties p = tracking.Properties();
        change(p);
        tracking.SetProperties(p);
    }
    void Report(double latMinutes, double lonMinutes)
    {
        ASSERT_TRUE(
            tracking.Store().ParseTargetLine(0, Rmc(latMinutes, lonMinutes, clock.UtcNow())));
        ASSERT_TRUE(tracking.Store().ParseTargetLine(0, "$PABX,0001,DBT,,,3.25,M,,"));
        tracking.OnTimer({});
    }
    void Draw()
    {
        recorder.Clear();
        layer.Draw(*chart.doc, recorder.dc);
    }
    std::size_t LinesOf(chart::COLORREF colour) const
    {
        std::size_t n = 0;
        for (const auto& r : recorder.Of(chart::DrawOp::Line))
            n += r.pen.colour == colour;
        return n;
    }
};

}   // namespace

TEST_F(TenderLayerTest, SymbolWhereTheTenderIsAndAClickFindsIt)
{
    Draw();
    EXPECT_TRUE(recorder.Records().empty());   // no tender yet
    Report(0.0, 0.0);   // 50N 1W
    Draw();
    EXPECT_FALSE(recorder.Of(chart::DrawOp::Polygon).empty());
    const geo::IntPoint at = chart.ClientPoint(geo::CPosition(50.0, -1.0));
    EXPECT_EQ(layer.HitTest(*chart.doc, at), 0);
    EXPECT_EQ(layer.HitTest(*chart.doc, {at.x + 40, at.y}), std::nullopt);
    // The symbol's own hit circle, as an ARPA target's, not a square around
    // it: 10 pixels at the default "Large", 5 at "Small".
    EXPECT_EQ(layer.HitTest(*chart.doc, {at.x + 7, at.y - 7}), 0);
    EXPECT_EQ(layer.HitTest(*chart.doc, {at.x + 8, at.y - 8}), std::nullopt);
    tracking.Settings().overlaySize = 0;
    Draw();
    EXPECT_EQ(layer.HitTest(*chart.doc, {at.x + 3, at.y - 3}), 0);
    EXPECT_EQ(layer.HitTest(*chart.doc, {at.x + 5, at.y - 5}), std::nullopt);
    tracking.Settings().overlaySize = 2;
    // Nothing drawn with the overlays switched off, and nothing to click.
    Change([](auto& p) { p.SetDraw(false); });
    Draw();
    EXPECT_TRUE(recorder.Records().empty());
    EXPECT_EQ(layer.HitTest(*chart.doc, at), std::nullopt);
}

TEST_F(TenderLayerTest, LabelsCircleAndFocusBoxFollowTheirSwitches)
{
    Report(0.0, 0.0);
    Draw();
    EXPECT_TRUE(recorder.Texts().empty());
    const std::size_t plain = recorder.Records().size();

    Change([](auto& p) { p.drawNumber = p.drawName = p.drawDepth = true; });
    Draw();
    const auto texts = recorder.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "T1"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Rescue"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "3.25"), texts.end());
    Change([](auto& p) { p.drawNumber = p.drawName = p.drawDepth = false; });

    // The current tender gets its focus box; the others do not.
    tracking.current = 0;
    Draw();
    const std::size_t selected = recorder.Records().size();
    EXPECT_GT(selected, plain);
    tracking.current = -1;
    Draw();
    EXPECT_EQ(recorder.Records().size(), plain);

    tracking.Settings().warningCircles = true;
    tracking.Settings().warningCirclesRadius = 0.5;
    Draw();
    EXPECT_GT(recorder.Records().size(), plain);
}

TEST_F(TenderLayerTest, TrackInItsColourWhileReportingAndRedOnceSilent)
{
    tracking.Properties().limitTrackDisplay = false;
    Report(0.0, 0.0);
    clock.Advance(10s);
    Report(0.5, 0.0);
    clock.Advance(10s);
    Report(1.0, 0.0);
    ASSERT_EQ(tracking.Find(0)->track.size(), 3u);
    const chart::COLORREF colour = tracking.Properties().Line().GetColour();
    const chart::COLORREF marker = app::RGB(10, 20, 30);
    Change([&](chart::CTargetProperties& p) {
        p.FixMarker().SetDraw(true);
        p.FixMarker().SetColours({marker, marker, marker});
    });
    Draw();
    EXPECT_GE(LinesOf(colour), 2u);
    EXPECT_EQ(LinesOf(chart::DimForActivePalette(kRed)), 0u);
    // Broken while reporting (the target line's default), markers filled with
    // the pen's colour.
    for (const auto& r : recorder.Of(chart::DrawOp::Line))
        if (r.pen.colour == colour)
            EXPECT_EQ(r.pen.style, chart::PenStyle::Dash) << r.Describe();
    std::vector<chart::DrawRecord> markers;
    for (const auto& r : recorder.Of(chart::DrawOp::Polygon))
        if (r.pen.colour == marker)
            markers.push_back(r);
    ASSERT_GE(markers.size(), 3u);
    for (const auto& r : markers)
        EXPECT_EQ(r.brush.colour, r.pen.colour) << r.Describe();

    clock.Advance(tracking.Settings().dangerousInterval);
    tracking.OnTimer({});
    ASSERT_FALSE(tracking.Find(0)->reporting);
    Draw();
    EXPECT_EQ(LinesOf(colour), 0u);
    // The aged position leaves the symbol at the last fix.
    EXPECT_GE(LinesOf(chart::DimForActivePalette(kRed)), 2u);
    EXPECT_FALSE(recorder.Of(chart::DrawOp::Polygon).empty());
}

// The tender's symbol is drawn first and its track, with the closing line to
// the symbol, over it.
TEST_F(TenderLayerTest, TheTrackIsDrawnOverTheSymbol)
{
    Report(0.0, 0.0);
    clock.Advance(10s);
    Report(3.0, 0.0);
    const chart::COLORREF colour = tracking.Properties().Line().GetColour();
    Draw();
    const auto records = recorder.Records();
    std::size_t firstTrack = records.size();
    for (std::size_t i = 0; i < records.size() && firstTrack == records.size(); ++i)
        if (records[i].op == chart::DrawOp::Line && records[i].pen.colour == colour)
            firstTrack = i;
    ASSERT_LT(firstTrack, records.size());
    EXPECT_GT(firstTrack, 0u) << "the symbol comes before the track";
    tracking.Find(0)->properties.drawTrack = false;
    Draw();
    EXPECT_EQ(recorder.Records().size(), firstTrack);
}

// One tender at a time, by the record the navigator's vessel list holds:
// what the whole layer draws for it, and a click finds it there.
TEST_F(TenderLayerTest, ATenderDrawnByItsVesselKey)
{
    Report(0.0, 0.0);
    Draw();
    const auto whole = recorder.Records().size();
    ASSERT_GT(whole, 0u);
    recorder.Clear();
    layer.BeginPass();
    const navigator::CVessel& vessel = *tracking.Find(0)->record;
    EXPECT_TRUE(layer.DrawTarget(*chart.doc, recorder.dc, &vessel));
    EXPECT_EQ(recorder.Records().size(), whole);
    EXPECT_EQ(layer.HitTest(*chart.doc, chart.ClientPoint(geo::CPosition(50.0, -1.0))), 0);
    const int other = 0;
    EXPECT_FALSE(layer.DrawTarget(*chart.doc, recorder.dc, &other));
    EXPECT_EQ(recorder.Records().size(), whole);
}

// A tender is drawn by its own properties (its properties page may change
// them); applying the module's options gives every tender the module's again.
TEST_F(TenderLayerTest, EachTenderDrawnByItsOwnProperties)
{
    Report(0.0, 0.0);
    const geo::IntPoint at = chart.ClientPoint(geo::CPosition(50.0, -1.0));
    tracking.Find(0)->properties.SetDraw(false);
    Draw();
    EXPECT_TRUE(recorder.Records().empty());
    EXPECT_EQ(layer.HitTest(*chart.doc, at), std::nullopt);
    tracking.Find(0)->properties.SetDraw(true);
    tracking.Find(0)->properties.drawName = true;
    Draw();
    const auto texts = recorder.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Rescue"), texts.end());
    EXPECT_FALSE(tracking.Properties().drawName);

    Change([](auto&) {});
    Draw();
    EXPECT_TRUE(recorder.Texts().empty());
    EXPECT_EQ(layer.HitTest(*chart.doc, at), 0);
}

// A press on a drawn position marker finds that fix (the newest where two
// meet); markers not drawn, or left out by "Limit to previous", are not hit.
TEST_F(TenderLayerTest, APositionMarkerIsHitOnlyWhereItIsDrawn)
{
    Report(0.0, 0.0);
    clock.Advance(10s);
    Report(3.0, 0.0);
    clock.Advance(10s);
    Report(6.0, 0.0);
    ASSERT_EQ(tracking.Find(0)->track.size(), 3u);
    const geo::IntPoint first = chart.ClientPoint(geo::CPosition(50.0, -1.0));
    const geo::IntPoint second = chart.ClientPoint(geo::CPosition(50.05, -1.0));
    EXPECT_FALSE(layer.HitTestFix(*chart.doc, second));   // markers off
    Change([](auto& p) { p.FixMarker().SetDraw(true); });
    const auto hit = layer.HitTestFix(*chart.doc, {second.x + 2, second.y - 2});
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->channel, 0);
    EXPECT_EQ(hit->fix, 1u);
    EXPECT_EQ(layer.HitTestFix(*chart.doc, first)->fix, 0u);
    EXPECT_FALSE(layer.HitTestFix(*chart.doc, {second.x + 9, second.y}));
    Change([](auto& p) {
        p.limitTrackDisplay = true;
        p.trackTimeLimit = app::CDateTimeSpanEx(15);
    });
    EXPECT_FALSE(layer.HitTestFix(*chart.doc, first));
    EXPECT_TRUE(layer.HitTestFix(*chart.doc, second));
    // A fix exactly the limit older than the newest is left out too; a limit
    // of zero leaves out even the newest.
    const geo::IntPoint third = chart.ClientPoint(geo::CPosition(50.1, -1.0));
    Change([](auto& p) { p.trackTimeLimit = app::CDateTimeSpanEx(10); });
    EXPECT_FALSE(layer.HitTestFix(*chart.doc, second));
    EXPECT_EQ(layer.HitTestFix(*chart.doc, third)->fix, 2u);
    Change([](auto& p) { p.trackTimeLimit = app::CDateTimeSpanEx(0); });
    EXPECT_FALSE(layer.HitTestFix(*chart.doc, third));
}

// The closing line runs from the newest fix to wherever the symbol is drawn:
// where the tender reports while it reports, where it was last seen once it
// has gone silent (red then, as the rest of its track).
TEST_F(TenderLayerTest, ClosingLineRunsToTheSymbolReportingOrSilent)
{
    Report(0.0, 0.0);   // the first fix
    clock.Advance(5s);
    Report(3.0, 0.0);   // seen here, no fix yet (one every 10 s)
    ASSERT_EQ(tracking.Find(0)->track.size(), 1u);
    const geo::IntPoint fix = chart.ClientPoint(geo::CPosition(50.0, -1.0));
    const geo::IntPoint seen = chart.ClientPoint(geo::CPosition(50.05, -1.0));
    const auto closingLines = [&](chart::COLORREF colour) {
        std::size_t n = 0;
        for (const auto& r : recorder.Of(chart::DrawOp::Line))
            n += r.pen.colour == colour && r.points.size() == 2 && r.points[0] == fix &&
                 r.points[1] == seen;
        return n;
    };
    const chart::COLORREF colour = tracking.Properties().Line().GetColour();
    Draw();
    EXPECT_EQ(closingLines(colour), 1u);

    clock.Advance(tracking.Settings().dangerousInterval);
    tracking.OnTimer({});
    ASSERT_FALSE(tracking.Find(0)->reporting);
    ASSERT_FALSE(tracking.Find(0)->Position());   // its report has aged
    Draw();
    EXPECT_EQ(closingLines(colour), 0u);
    EXPECT_EQ(closingLines(chart::DimForActivePalette(kRed)), 1u);
}

// A tender's own properties switch its track on and off; the line's width
// and colour are the module's.
TEST_F(TenderLayerTest, TheTrackLineIsStyledByTheModulesProperties)
{
    Report(0.0, 0.0);
    clock.Advance(10s);
    Report(3.0, 0.0);
    ASSERT_EQ(tracking.Find(0)->track.size(), 2u);
    constexpr chart::COLORREF kBlue = app::RGB(0, 0, 255);
    Change([](chart::CTargetProperties& p) {
        p.Line().SetWidth(3);
        p.Line().SetColours({kBlue, kBlue, kBlue});
    });
    tracking.Find(0)->properties = chart::CTargetProperties{};   // its "Default"
    Draw();
    EXPECT_GE(LinesOf(kBlue), 1u);
    for (const auto& r : recorder.Of(chart::DrawOp::Line))
        if (r.pen.colour == kBlue)
            EXPECT_EQ(r.pen.width, 3) << r.Describe();
    EXPECT_EQ(LinesOf(chart::CTargetProperties{}.Line().GetColour()), 0u);
    tracking.Find(0)->properties.drawTrack = false;
    Draw();
    EXPECT_EQ(LinesOf(kBlue), 0u);
}

// Each track fix is a triangle along the tender's course at that fix, filled
// with the marker colour; its size follows the fix markers' size.
TEST_F(TenderLayerTest, TrackFixesAreFilledTrianglesAlongTheirCourse)
{
    tracking.Properties().limitTrackDisplay = false;
    Report(0.0, 0.0);   // the replies give a course of 90 degrees
    clock.Advance(10s);
    Report(0.0, 0.5);
    clock.Advance(10s);
    Report(0.0, 1.0);
    const auto& track = tracking.Find(0)->track;
    ASSERT_EQ(track.size(), 3u);
    const chart::COLORREF marker = app::RGB(10, 20, 30);
    for (const std::int32_t size : {0, 1}) {
        Change([&](chart::CTargetProperties& p) {
            p.FixMarker().SetDraw(true);
            p.FixMarker().SetColours({marker, marker, marker});
            p.FixMarker().SetSizeMode(size);
        });
        Draw();
        EXPECT_TRUE(recorder.Of(chart::DrawOp::Rectangle).empty());
        std::vector<std::vector<geo::IntPoint>> triangles;
        for (const auto& r : recorder.Of(chart::DrawOp::Polygon))
            if (r.pen.colour == marker) {
                EXPECT_EQ(r.brush.colour, marker) << r.Describe();
                triangles.push_back(r.points);
            }
        ASSERT_EQ(triangles.size(), track.size()) << "size mode " << size;
        // Apex on the course (east), then the base corners below and above.
        const int r = size == 0 ? 3 : 4;
        for (std::size_t i = 0; i < track.size(); ++i) {
            const geo::IntPoint at = chart.ClientPoint(
                geo::CPosition(track[i].position.latitude, track[i].position.longitude));
            const std::vector<geo::IntPoint> expected{
                {at.x + r, at.y}, {at.x - r, at.y + r}, {at.x - r, at.y - r}};
            EXPECT_EQ(triangles[i], expected) << "size mode " << size << ", fix " << i;
        }
    }
}

// A chart that shows a position twice shows each tender fix's marker at both
// places.
TEST_F(TenderLayerTest, AFixShownTwiceHasAMarkerAtEachPlace)
{
    tracking.Properties().limitTrackDisplay = false;
    Report(0.0, 0.0);
    clock.Advance(10s);
    Report(0.0, 0.5);
    const chart::COLORREF marker = app::RGB(10, 20, 30);
    Change([&](chart::CTargetProperties& p) {
        p.FixMarker().SetDraw(true);
        p.FixMarker().SetColours({marker, marker, marker});
    });
    overlay_test::ShowTwice(chart);
    Draw();
    std::vector<geo::IntPoint> apexes;
    for (const auto& r : recorder.Of(chart::DrawOp::Polygon))
        if (r.pen.colour == marker)
            apexes.push_back(r.points[0]);
    const auto& track = tracking.Find(0)->track;
    ASSERT_EQ(track.size(), 2u);
    EXPECT_EQ(apexes.size(), 2 * track.size());
    for (const auto& fix : track) {
        chart::PointList at;
        ASSERT_TRUE(chart.doc->PositionToClientPoints(
            geo::CPosition(fix.position.latitude, fix.position.longitude), at));
        ASSERT_EQ(at.size(), 2u);
        for (const geo::IntPoint& p : at)   // the apex, 3 pixels east (course 90)
            EXPECT_NE(std::find(apexes.begin(), apexes.end(), geo::IntPoint{p.x + 3, p.y}),
                      apexes.end());
    }
}

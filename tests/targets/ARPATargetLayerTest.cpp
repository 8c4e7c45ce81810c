// The target layer over a blank harbour chart through the recording
// backend: tracks in their colour while current and red once not, the
// closing line to the symbol, "Limit to previous", MaxTargets, the track
// redrawn where the view moved, and the radar cursor's green cross.

#include "targets/ARPATargetLayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "../chart/overlays/OverlayTestSupport.h"
#include "FakeClock.h"
#include "FakePort.h"
#include "TempFolder.h"
#include "app/DisplayPalettes.h"
#include "chart/overlays/OverlayServices.h"
#include "platform/SettingsStore.h"

using namespace std::chrono_literals;

namespace {

struct Home : app::CSettingsHome {
    brine_test::TempFolder dir;
    mutable platform::CSettingsStore store{dir.Path() / "settings.conf"};
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return "Software\\Quorwick\\Brinevane\\Default"; }
};

std::string Line(const std::string& body)
{
    unsigned sum = 0;
    for (const char c : body)
        sum ^= static_cast<unsigned char>(c);
    static const char* hex = "0123456789ABCDEF";
    return "$" + body + "*" + hex[(sum >> 4) & 15] + hex[sum & 15];
}

constexpr chart::COLORREF kRed = app::RGB(255, 0, 0);

struct LayerTest : ::testing::Test {
    Home home;
    brine_test::FakeClock clock;
    brine_test::FakePorts ports;
    overlay_test::Chart chart{geo::CPosition(50.10, -1.20), geo::CPosition(49.90, -0.80)};
    overlay_test::Recorder recorder;
    std::unique_ptr<targets::CARPAModule> module;
    targets::CNavigationState nav;

    LayerTest()
    {
        ports.Add(1);
        module = std::make_unique<targets::CARPAModule>(home, ports, clock, nullptr);
        module->Initialise();
        nav.own.position = targets::CTargetPosition{50.0, -1.0};
        nav.own.heading = 0.0;
        nav.cycle = 1;
        module->SetNavigation([this] { return nav; });
        auto o = module->GetOptions();
        o.properties.loggingPeriod = app::CDateTimeSpanEx(10);
        o.pass.targetDangerousInterval = 30s;
        module->ApplyOptions(o);
        EXPECT_EQ(module->OnActivate(), "");
    }
    ~LayerTest() override { module->Terminate(); }

    // Target `n` at range `r` due east for `seconds` one-second passes.
    void Report(int n, double range, int seconds)
    {
        for (int s = 0; s < seconds; ++s) {
            module->Parser().ParseLine(Line("RATTM," + std::to_string(n) + "," +
                                            std::to_string(range + 0.01 * s) +
                                            ",090.0,T,5.0,090.0,T,,,N,,T,,,A"));
            Pass();
        }
    }
    void Pass(std::chrono::seconds step = 1s)
    {
        clock.Advance(step);
        nav.utc = clock.UtcNow();
        module->TimerPass();
    }
    // Every line segment drawn in `colour`, single lines and polylines alike.
    std::vector<std::pair<geo::IntPoint, geo::IntPoint>> LinesOf(chart::COLORREF colour) const
    {
        std::vector<std::pair<geo::IntPoint, geo::IntPoint>> out;
        for (const auto& r : recorder.Records()) {
            if (r.pen.colour != colour ||
                (r.op != chart::DrawOp::Line && r.op != chart::DrawOp::Polyline))
                continue;
            for (std::size_t i = 1; i < r.points.size(); ++i)
                out.emplace_back(r.points[i - 1], r.points[i]);
        }
        return out;
    }
};

TEST_F(LayerTest, TrackTurnsRedWhenTheTargetIsNoLongerCurrent)
{
    Report(1, 2.0, 31);   // fixes at 1, 11, 21 and 31 s
    targets::CARPATargetLayer layer(*module);
    const chart::COLORREF trackColour = module->Properties().Line().GetColour();
    layer.Draw(*chart.doc, recorder.dc);
    const auto green = LinesOf(trackColour);
    EXPECT_GE(green.size(), 2u);   // the track (fixes in a straight line) and the closing line
    EXPECT_TRUE(LinesOf(kRed).empty());
    // The target line's default properties draw a current track broken.
    ASSERT_TRUE(module->Properties().Line().GetPatternFlag());
    for (const auto& r : recorder.Records())
        if (r.pen.colour == trackColour &&
            (r.op == chart::DrawOp::Line || r.op == chart::DrawOp::Polyline))
            EXPECT_EQ(r.pen.style, chart::PenStyle::Dash) << r.Describe();

    for (int s = 0; s < 31; ++s)   // silent past the dangerous interval
        Pass();
    ASSERT_FALSE(module->Targets()[0].record->current);
    recorder.Clear();
    layer.Draw(*chart.doc, recorder.dc);
    const auto red = LinesOf(chart::DimForActivePalette(kRed));
    EXPECT_EQ(red.size(), green.size());
    EXPECT_TRUE(LinesOf(trackColour).empty());
    for (const auto& r : recorder.Records())
        if (r.pen.colour == chart::DimForActivePalette(kRed) &&
            (r.op == chart::DrawOp::Line || r.op == chart::DrawOp::Polyline))
            EXPECT_EQ(r.pen.style, chart::PenStyle::Solid) << r.Describe();
}

// Properties over a track marker finds the fix under it as the last paint drew it: the newest
// fix of the pixel, the target drawn last first; nothing where no marker is drawn, nor for a
// target whose track or markers are off.
TEST_F(LayerTest, AFixIsHitWhereItsMarkerIsDrawn)
{
    Report(1, 2.0, 31);   // fixes at 1, 11, 21 and 31 s
    Report(2, 4.0, 11);
    for (const auto& t : module->Targets()) {   // the markers are off until the user wants them
        chart::CTargetProperties p = module->TargetProperties(t);
        ASSERT_FALSE(p.FixMarker().GetDraw());
        p.FixMarker().SetDraw(true);
        module->SetTargetProperties(*t.record, p);
    }
    targets::CARPATargetLayer layer(*module);
    EXPECT_FALSE(layer.HitTestFix({0, 0}));   // nothing painted yet
    layer.Draw(*chart.doc, recorder.dc);
    const targets::CTrackedTarget& first = module->Targets()[0];
    ASSERT_GE(first.track.size(), 3u);
    const auto marker = [&](const targets::CTrackedTarget& t, std::size_t i) {
        return chart.ClientPoint(
            geo::CPosition(t.track[i].position.latitude, t.track[i].position.longitude));
    };
    const geo::IntPoint oldest = marker(first, 0);
    auto hit = layer.HitTestFix({oldest.x - 2, oldest.y - 2});
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->record, first.record.get());
    EXPECT_EQ(hit->fix, 0u);
    // Between two overlapping markers: the newer one, drawn over the older.
    const geo::IntPoint second = marker(first, 1), third = marker(first, 2);
    ASSERT_LE(third.x - second.x, 6);
    hit = layer.HitTestFix({(second.x + third.x) / 2, second.y});
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->fix, 2u);
    const targets::CTrackedTarget& other = module->Targets()[1];
    hit = layer.HitTestFix(marker(other, 0));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->record, other.record.get());
    EXPECT_FALSE(layer.HitTestFix({second.x + 40, second.y + 40}));

    chart::CTargetProperties p = module->TargetProperties(first);
    p.FixMarker().SetDraw(false);
    module->SetTargetProperties(*first.record, p);
    recorder.Clear();
    layer.Draw(*chart.doc, recorder.dc);
    EXPECT_FALSE(layer.HitTestFix(second)) << "markers off";
    p.FixMarker().SetDraw(true);
    p.drawTrack = false;
    module->SetTargetProperties(*first.record, p);
    recorder.Clear();
    layer.Draw(*chart.doc, recorder.dc);
    EXPECT_FALSE(layer.HitTestFix(second)) << "track off";
}

TEST_F(LayerTest, LimitToPreviousAndMaxTargetsLeaveThingsOut)
{
    Report(1, 2.0, 31);
    auto o = module->GetOptions();
    o.properties.limitTrackDisplay = true;
    o.properties.trackTimeLimit = app::CDateTimeSpanEx(10);   // only the newest fix
    module->ApplyOptions(o);
    targets::CARPATargetLayer layer(*module);
    layer.Draw(*chart.doc, recorder.dc);
    EXPECT_EQ(LinesOf(module->Properties().Line().GetColour()).size(), 1u);   // the closing line
    // A limit that leaves no fix still leaves the closing line.
    o.properties.trackTimeLimit = app::CDateTimeSpanEx(0);
    module->ApplyOptions(o);
    recorder.Clear();
    layer.Draw(*chart.doc, recorder.dc);
    EXPECT_EQ(LinesOf(module->Properties().Line().GetColour()).size(), 1u);

    Report(2, 3.0, 1);
    o.pass.maxTargets = 1;
    module->ApplyOptions(o);
    recorder.Clear();
    layer.Draw(*chart.doc, recorder.dc);
    const auto everything = recorder.Records().size();
    o.pass.maxTargets = 2;
    module->ApplyOptions(o);
    recorder.Clear();
    layer.Draw(*chart.doc, recorder.dc);
    EXPECT_GT(recorder.Records().size(), everything);
}

// Each target's symbol is drawn first and its track (with the closing line to
// where the target is now) over it.
TEST_F(LayerTest, TheTrackIsDrawnOverTheSymbol)
{
    Report(1, 2.0, 31);
    targets::CARPATargetLayer layer(*module);
    const chart::COLORREF trackColour = module->Properties().Line().GetColour();
    layer.Draw(*chart.doc, recorder.dc);
    const auto& records = recorder.Records();
    std::size_t firstTrack = records.size(), lastOther = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const bool track =
            records[i].pen.colour == trackColour &&
            (records[i].op == chart::DrawOp::Line || records[i].op == chart::DrawOp::Polyline);
        if (track)
            firstTrack = std::min(firstTrack, i);
        else if (firstTrack == records.size())
            lastOther = i + 1;
    }
    ASSERT_LT(firstTrack, records.size());
    EXPECT_GT(lastOther, 0u) << "the symbol comes before the track";
    // Without its track the target draws exactly what came before the track.
    auto o = module->GetOptions();
    o.properties.drawTrack = false;
    module->ApplyOptions(o);
    recorder.Clear();
    layer.Draw(*chart.doc, recorder.dc);
    EXPECT_EQ(recorder.Records().size(), firstTrack);
}

// One target at a time, by the record the navigator's vessel list holds:
// exactly what the whole layer draws for it; another vessel draws nothing.
TEST_F(LayerTest, ATargetDrawnByItsVesselKey)
{
    Report(1, 2.0, 31);
    targets::CARPATargetLayer layer(*module);
    layer.Draw(*chart.doc, recorder.dc);
    const auto whole = recorder.Records().size();
    ASSERT_GT(whole, 0u);
    recorder.Clear();
    layer.BeginPass();
    const navigator::CVessel& vessel = *module->Targets()[0].record;
    EXPECT_TRUE(layer.DrawTarget(*chart.doc, recorder.dc, &vessel));
    EXPECT_EQ(recorder.Records().size(), whole);
    recorder.Clear();
    const int other = 0;
    EXPECT_FALSE(layer.DrawTarget(*chart.doc, recorder.dc, &other));
    EXPECT_TRUE(recorder.Records().empty());
}

TEST_F(LayerTest, AMovedViewRedrawsTheTrackWhereTheFixesNowAre)
{
    Report(1, 2.0, 31);
    targets::CARPATargetLayer layer(*module);
    const chart::COLORREF colour = module->Properties().Line().GetColour();
    layer.Draw(*chart.doc, recorder.dc);
    const auto before = LinesOf(colour);
    ASSERT_FALSE(before.empty());
    ASSERT_TRUE(
        chart.doc->SetViewExtent(geo::CPosition(50.05, -1.10), geo::CPosition(49.95, -0.90)));
    recorder.Clear();
    layer.Draw(*chart.doc, recorder.dc);
    const auto after = LinesOf(colour);
    ASSERT_EQ(after.size(), before.size());
    const auto& fix = module->Targets()[0].track.front().position;
    EXPECT_EQ(after.front().first, chart.ClientPoint(geo::CPosition(fix.latitude, fix.longitude)));
    EXPECT_NE(after.front().first, before.front().first);
}

TEST_F(LayerTest, FixesOnOnePixelDrawNothingTwice)
{
    // Metres apart at this scale: every fix lands on the pixel of the one before.
    for (int s = 0; s < 61; ++s) {
        module->Parser().ParseLine(Line("RATTM,1,2.0000,090.0,T,0.1,090.0,T,,,N,,T,,,A"));
        Pass();
    }
    auto o = module->GetOptions();
    o.properties.FixMarker().SetDraw(true);
    const chart::COLORREF marker = app::RGB(10, 20, 30);
    o.properties.FixMarker().SetColours({marker, marker, marker});
    module->ApplyOptions(o);
    ASSERT_GE(module->Targets()[0].track.size(), 6u);
    targets::CARPATargetLayer layer(*module);
    layer.Draw(*chart.doc, recorder.dc);
    for (const auto& [from, to] : LinesOf(module->Properties().Line().GetColour()))
        EXPECT_EQ(from, to) << "a line between fixes on one pixel";
    // One marker: the three sides of one triangle.
    const auto markers = recorder.Of(chart::DrawOp::Line);
    const auto onFix = std::count_if(markers.begin(), markers.end(),
                                     [&](const auto& r) { return r.pen.colour == marker; });
    EXPECT_EQ(onFix, 3);
}

TEST_F(LayerTest, EveryFixOfATurningTrackLiesOnTheDrawnLine)
{
    // A target circling the own ship at 3 nm while closing in: a curved track.
    for (int s = 0; s < 300; ++s) {
        module->Parser().ParseLine(Line("RATTM,1," + std::to_string(3.0 - 0.005 * s) + "," +
                                        std::to_string(0.9 * s) + ",T,5.0,090.0,T,,,N,,T,,,A"));
        Pass();
    }
    targets::CARPATargetLayer layer(*module);
    layer.Draw(*chart.doc, recorder.dc);
    const auto lines = LinesOf(module->Properties().Line().GetColour());
    const auto& track = module->Targets()[0].track;
    ASSERT_GE(track.size(), 25u);
    EXPECT_LT(lines.size(), track.size());   // points on the line between others left out
    const auto distance = [](geo::IntPoint p, geo::IntPoint a, geo::IntPoint b) {
        const double dx = b.x - a.x, dy = b.y - a.y, px = p.x - a.x, py = p.y - a.y;
        const double l2 = dx * dx + dy * dy;
        const double t = l2 > 0 ? std::clamp((px * dx + py * dy) / l2, 0.0, 1.0) : 0.0;
        return std::hypot(px - t * dx, py - t * dy);
    };
    for (const auto& fix : track) {
        const geo::IntPoint p =
            chart.ClientPoint(geo::CPosition(fix.position.latitude, fix.position.longitude));
        double nearest = 1e9;
        for (const auto& [a, b] : lines)
            nearest = std::min(nearest, distance(p, a, b));
        EXPECT_LE(nearest, 0.5) << p.x << "," << p.y;
    }
}

TEST_F(LayerTest, ATrackLeavingTheViewIsCutAtItsEdge)
{
    // Due east at 0.5 nm a second: out of the view's east edge (about 8 nm off) in 20 s.
    for (int s = 0; s < 31; ++s) {
        module->Parser().ParseLine(
            Line("RATTM,1," + std::to_string(1.0 + 0.5 * s) + ",090.0,T,5.0,090.0,T,,,N,,T,,,A"));
        Pass();
    }
    targets::CARPATargetLayer layer(*module);
    layer.Draw(*chart.doc, recorder.dc);
    const auto lines = LinesOf(module->Properties().Line().GetColour());
    ASSERT_FALSE(lines.empty());
    geo::IntRect visible;
    chart.doc->GetVisibleRect(visible);
    for (const auto& [from, to] : lines)
        for (const auto& p : {from, to}) {
            EXPECT_GE(p.x, visible.left);
            EXPECT_LE(p.x, visible.right);
        }
}

TEST_F(LayerTest, RadarCursorIsAGreenCrossAtItsRangeAndBearing)
{
    // A module just made holds no cursor.
    EXPECT_EQ(module->RadarData().flag, 0);
    EXPECT_EQ(module->RadarData().numbers, (std::array<double, 2>{0.0, 0.0}));
    module->Parser().ParseLine(Line("RARSD,,,,,,,,,2.0,090.0,12.0,N,N"));
    Pass();
    ASSERT_TRUE(module->Cursor().has_value());
    EXPECT_EQ(module->RadarData().flag, 1);
    EXPECT_EQ(module->RadarData().numbers, (std::array<double, 2>{2.0, 90.0}));
    targets::CRadarCursorLayer cursor(*module);
    EXPECT_FALSE(cursor.IsOn());
    module->OnRadarCursor();
    EXPECT_TRUE(cursor.IsOn());
    cursor.Draw(*chart.doc, recorder.dc);
    const auto green = LinesOf(chart::DimForActivePalette(app::RGB(0, 255, 0)));
    ASSERT_EQ(green.size(), 2u);
    geo::CPosition at;
    ASSERT_TRUE(geo::PositionAtRangeBearing(geo::CPosition(50.0, -1.0), 2.0, 90.0, &at));
    const geo::IntPoint centre = chart.ClientPoint(at);
    EXPECT_EQ(green[0].first, (geo::IntPoint{centre.x, centre.y + 10}));
    EXPECT_EQ(green[0].second, (geo::IntPoint{centre.x, centre.y - 10}));
    EXPECT_EQ(green[1].first, (geo::IntPoint{centre.x + 10, centre.y}));
}

}   // namespace

// A target drawn by its own properties: its track off leaves the other's;
// the hit test finds the drawn target under its symbol and nothing beside it.
TEST_F(LayerTest, EachTargetIsDrawnByItsOwnPropertiesAndHitWhereItIsDrawn)
{
    Report(1, 2.0, 21);
    Report(2, 4.0, 1);
    targets::CARPATargetLayer layer(*module);
    const chart::COLORREF trackColour = module->Properties().Line().GetColour();
    layer.Draw(*chart.doc, recorder.dc);
    const auto both = LinesOf(trackColour).size();
    chart::CTargetProperties own = module->TargetProperties(module->Targets()[0]);
    own.drawTrack = false;
    module->SetTargetProperties(*module->Targets()[0].record, own);
    recorder.Clear();
    layer.Draw(*chart.doc, recorder.dc);
    const auto second = LinesOf(trackColour).size();
    EXPECT_GT(second, 0u);
    EXPECT_LT(second, both);

    for (const auto& target : module->Targets()) {
        const geo::IntPoint at = chart.ClientPoint(
            geo::CPosition(target.fix->position.latitude, target.fix->position.longitude));
        EXPECT_EQ(layer.HitTest(at), target.record.get());
        EXPECT_EQ(layer.HitTest({at.x + 40, at.y + 40}), nullptr);
    }
}

// The line goes down first in the track line's pen, then the markers with a
// one-pixel pen of the marker colour over the white brush; both take the
// colour of the palette shown, and an out-of-date target's are red dimmed
// for that palette (by half under Night). No markers while they are off.
TEST_F(LayerTest, MarkersFollowTheLineInThePalettesColours)
{
    Report(1, 2.0, 31);   // four fixes
    constexpr chart::PaletteColours kMarker{app::RGB(0, 0, 255), app::RGB(0, 0, 200),
                                            app::RGB(0, 0, 100)};
    constexpr chart::PaletteColours kLine{app::RGB(0, 255, 255), app::RGB(0, 200, 200),
                                          app::RGB(0, 100, 100)};
    auto o = module->GetOptions();
    o.properties.FixMarker().SetColours(kMarker);
    o.properties.Line().SetColours(kLine);
    module->ApplyOptions(o);
    const chart::PaletteColours& line = kLine;
    targets::CARPATargetLayer layer(*module);
    const auto isLine = [](const chart::DrawRecord& r) {
        return r.op == chart::DrawOp::Line || r.op == chart::DrawOp::Polyline;
    };
    // Index of the last line record in `lineColour` and the marker records in `markerColour`.
    const auto drawn = [&](chart::COLORREF lineColour, chart::COLORREF markerColour) {
        std::optional<std::size_t> lastLine;
        std::vector<std::size_t> markers;
        for (std::size_t i = 0; i < recorder.Records().size(); ++i) {
            const auto& r = recorder.Records()[i];
            if (isLine(r) && r.pen.colour == lineColour)
                lastLine = i;
            else if (r.pen.colour == markerColour) {
                markers.push_back(i);
                EXPECT_EQ(r.pen.width, 1) << r.Describe();
                EXPECT_EQ(r.brush, chart::Brush{}) << r.Describe();   // white, solid
            }
        }
        return std::make_pair(lastLine, markers);
    };

    layer.Draw(*chart.doc, recorder.dc);
    auto [lastLine, markers] = drawn(line[0], kMarker[0]);
    EXPECT_TRUE(lastLine);
    EXPECT_TRUE(markers.empty());   // markers off by default

    o.properties.FixMarker().SetDraw(true);
    module->ApplyOptions(o);
    app::CDisplayPalettes palettes;
    app::SetProgramPalettes(&palettes);
    for (const int palette : {app::CDisplayPalettes::kDay, app::CDisplayPalettes::kNight}) {
        palettes.SetActive(palette);
        recorder.Clear();
        layer.Draw(*chart.doc, recorder.dc);
        std::tie(lastLine, markers) = drawn(line[palette], kMarker[palette]);
        ASSERT_TRUE(lastLine) << palette;
        ASSERT_FALSE(markers.empty()) << palette;
        EXPECT_GT(markers.front(), *lastLine) << palette;
    }

    for (int s = 0; s < 31; ++s)   // silent past the dangerous interval
        Pass();
    ASSERT_FALSE(module->Targets()[0].record->current);
    recorder.Clear();
    layer.Draw(*chart.doc, recorder.dc);   // still Night
    std::tie(lastLine, markers) = drawn(app::RGB(127, 0, 0), app::RGB(127, 0, 0));
    EXPECT_TRUE(lastLine);
    EXPECT_FALSE(markers.empty());
    EXPECT_EQ(drawn(line[2], kMarker[2]),
              std::make_pair(std::optional<std::size_t>{}, std::vector<std::size_t>{}));
    app::SetProgramPalettes(nullptr);
}

// A target's own properties (its Configuration page, its "Default") switch
// its track on and off, but the line's width and colours and the markers'
// colour are the module's.
TEST_F(LayerTest, TheTrackLineIsStyledByTheModulesProperties)
{
    Report(1, 2.0, 31);
    auto o = module->GetOptions();
    o.properties.Line().SetWidth(3);
    o.properties.Line().SetColours({app::RGB(0, 0, 255), app::RGB(0, 0, 200), app::RGB(0, 0, 100)});
    o.properties.FixMarker().SetDraw(true);
    // The markers are drawn as lines too: give them a colour of their own.
    o.properties.FixMarker().SetColours(
        {app::RGB(255, 0, 255), app::RGB(200, 0, 200), app::RGB(100, 0, 100)});
    module->ApplyOptions(o);
    chart::CTargetProperties own;   // what "Default" gives the target
    own.FixMarker().SetDraw(true);
    ASSERT_NE(own.Line().GetColour(), app::RGB(0, 0, 255));
    module->SetTargetProperties(*module->Targets()[0].record, own);

    targets::CARPATargetLayer layer(*module);
    layer.Draw(*chart.doc, recorder.dc);
    const auto lines = LinesOf(app::RGB(0, 0, 255));
    EXPECT_GE(lines.size(), 2u);   // the track and the closing line
    EXPECT_TRUE(LinesOf(own.Line().GetColour()).empty());
    for (const auto& r : recorder.Records())
        if (r.pen.colour == app::RGB(0, 0, 255) &&
            (r.op == chart::DrawOp::Line || r.op == chart::DrawOp::Polyline)) {
            EXPECT_EQ(r.pen.width, 3) << r.Describe();
        }
}

// Each track fix is an outline triangle pointing along the course the target
// had at that fix, its size from the fix markers' size; never a square.
TEST_F(LayerTest, TrackFixesAreOutlineTrianglesAlongTheirCourse)
{
    for (int s = 0; s < 21; ++s) {
        module->Parser().ParseLine(
            Line("RATTM,1," + std::to_string(2.0 + 0.01 * s) + ",090.0,T,5.0,045.0,T,,,N,,T,,,A"));
        Pass();
    }
    auto o = module->GetOptions();
    o.properties.FixMarker().SetDraw(true);
    o.properties.FixMarker().SetColours(
        {app::RGB(10, 20, 30), app::RGB(10, 20, 30), app::RGB(10, 20, 30)});
    module->ApplyOptions(o);
    const auto& track = module->Targets()[0].track;
    ASSERT_GE(track.size(), 3u);
    targets::CARPATargetLayer layer(*module);
    // Size mode, then the apex and base corners' offsets for a course of 45
    // degrees (the base runs across it, on 315 degrees).
    struct Case {
        std::int32_t size;
        std::array<geo::IntPoint, 3> corners;
    };
    for (const Case& c :
         {Case{0, {{{2, -2}, {-4, 0}, {0, 4}}}}, Case{2, {{{4, -4}, {-8, 0}, {0, 8}}}}}) {
        o.properties.FixMarker().SetSizeMode(c.size);
        module->ApplyOptions(o);
        recorder.Clear();
        layer.Draw(*chart.doc, recorder.dc);
        EXPECT_TRUE(recorder.Of(chart::DrawOp::Rectangle).empty());
        const auto lines = LinesOf(app::RGB(10, 20, 30));
        EXPECT_EQ(lines.size(), 3 * track.size()) << "size mode " << c.size;
        for (const auto& fix : track) {
            const geo::IntPoint at =
                chart.ClientPoint(geo::CPosition(fix.position.latitude, fix.position.longitude));
            const auto corner = [&](int i) {
                return geo::IntPoint{at.x + c.corners[i].x, at.y + c.corners[i].y};
            };
            // Apex, first base corner, second, back to the apex.
            for (int i = 0; i < 3; ++i)
                EXPECT_NE(std::find(lines.begin(), lines.end(),
                                    std::pair(corner(i), corner((i + 1) % 3))),
                          lines.end())
                    << "size mode " << c.size << ", side " << i;
        }
        for (const auto& r : recorder.Records())
            if (r.pen.colour == app::RGB(10, 20, 30))
                EXPECT_EQ(r.pen.width, 1) << r.Describe();
    }
}

// A chart that shows a position twice (an inset, say) shows each track fix's
// marker at both places.
TEST_F(LayerTest, AFixShownTwiceHasAMarkerAtEachPlace)
{
    Report(1, 2.0, 21);   // fixes at 1, 11 and 21 s
    auto o = module->GetOptions();
    o.properties.FixMarker().SetDraw(true);
    const chart::COLORREF marker = app::RGB(10, 20, 30);
    o.properties.FixMarker().SetColours({marker, marker, marker});
    module->ApplyOptions(o);
    overlay_test::ShowTwice(chart);
    targets::CARPATargetLayer layer(*module);
    layer.Draw(*chart.doc, recorder.dc);
    const auto& track = module->Targets()[0].track;
    ASSERT_EQ(track.size(), 3u);
    const auto sides = LinesOf(marker);
    EXPECT_EQ(sides.size(), 3 * 2 * track.size());
    for (const auto& fix : track) {
        chart::PointList at;
        ASSERT_TRUE(chart.doc->PositionToClientPoints(
            geo::CPosition(fix.position.latitude, fix.position.longitude), at));
        ASSERT_EQ(at.size(), 2u);
        for (const geo::IntPoint& p : at)   // the apex, 3 pixels east (course 90)
            EXPECT_NE(std::find_if(sides.begin(), sides.end(),
                                   [&](const auto& s) {
                                       return s.first == geo::IntPoint{p.x + 3, p.y};
                                   }),
                      sides.end());
    }
}

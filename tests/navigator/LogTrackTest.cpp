// A recorded track on a chart view (recording backend): time marks where
// they fall, a display limit of 0 drawing nothing, the window read from the
// file by the worker, and the thinned line within a pixel of the full one;
// the plain track they build on, with its segment starts and drawing hooks.
#include "navigator/LogTrack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <random>
#include <utility>

#include "PlainChartDoc.h"
#include "TempFolder.h"
#include "chart/draw/RecordingBackend.h"
#include "chart/draw/XDC.h"
#include "chart/overlays/OverlayProperties.h"
#include "chart/overlays/PlanTrack.h"

using namespace navigator;
using namespace std::chrono;

namespace {

using navtest::PlainDoc;

struct Drawn {
    chart::CRecordingBackend* backend;
    chart::CXDC dc;
    Drawn()
        : backend(new chart::CRecordingBackend), dc(std::unique_ptr<chart::CDrawBackend>(backend))
    { }
    std::vector<chart::DrawRecord> Of(chart::DrawOp op) const
    {
        std::vector<chart::DrawRecord> out;
        for (const auto& r : backend->Records())
            if (r.op == op)
                out.push_back(r);
        return out;
    }
};

sys_seconds Noon()
{
    return sys_days{year{2024} / 6 / 1} + hours(12);
}

CTrackFix At(double lat, double lon, sys_seconds t)
{
    CTrackFix f;
    f.latitude = lat;
    f.longitude = lon;
    f.utc = t;
    f.cog = 90.0;
    f.fixType = kFixEpfs;
    return f;
}

struct Exact {
    double x, y;
};

Exact ExactPoint(double lat, double lon)
{
    return {(lon + 122.45) * PlainDoc::kScale, (47.6 - lat) * PlainDoc::kScale};
}

double ToSegment(Exact p, Exact a, Exact b)
{
    const double dx = b.x - a.x, dy = b.y - a.y, len = dx * dx + dy * dy;
    const double t =
        len > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len, 0.0, 1.0) : 0.0;
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

class LogTrackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
};

}   // namespace

TEST_F(LogTrackTest, TimeMarksFallAtTwelveAndEveryFirstFixAfterTheInterval)
{
    PlainDoc doc;
    chart::CPositionFixProperties properties;
    properties.SetDraw(false);   // the marks carry their own times
    CLogTrack track;
    track.SetProperties(&properties);
    track.Settings().drawTimeMarks = true;
    track.Settings().markInterval = minutes(10);
    for (int i = 0; i < 8; ++i)
        track.Extend(std::uint64_t(i), At(47.6, -122.44 + i * 3e-3, Noon() + minutes(4 * i)));
    Drawn d;
    track.Draw(doc, d.dc, true);
    std::vector<std::string> labels;
    for (const auto& t : d.Of(chart::DrawOp::Text))
        labels.push_back(t.text);
    EXPECT_EQ(labels, (std::vector<std::string>{"1200", "1212", "1224"}));
    // Each mark is 12 pixels across the track (course 090: north to south).
    const auto lines = d.Of(chart::DrawOp::Line);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].points[0].x, lines[0].points[1].x);
    EXPECT_EQ(std::abs(lines[0].points[1].y - lines[0].points[0].y), 12);
    ASSERT_EQ(d.Of(chart::DrawOp::Polyline).size(), 1u);
    EXPECT_EQ(d.Of(chart::DrawOp::Polyline)[0].points.size(), 8u);

    // With fix markers and their labels on, the marks leave the time to them.
    properties.SetDraw(true);
    properties.drawFixTimeAndSource = true;
    Drawn labelled;
    track.Draw(doc, labelled.dc, true);
    std::vector<std::string> texts;
    for (const auto& t : labelled.Of(chart::DrawOp::Text))
        texts.push_back(t.text);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "G"), 8);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "1204"), 1) << "one label per fix";
    // Fixes 3 pixels apart (a second each at a harbour scale) are not buried
    // under their markers and labels: a marker 10 pixels or more from the last,
    // its labels 40 pixels or more from the last ones.
    CLogTrack dense;
    dense.SetProperties(&properties);
    for (int i = 0; i < 100; ++i)
        dense.Extend(std::uint64_t(i), At(47.6, -122.44 + i * 1.5e-4, Noon() + seconds(i)));
    Drawn thinned;
    dense.Draw(doc, thinned.dc, true);
    std::size_t g = 0;
    for (const auto& t : thinned.Of(chart::DrawOp::Text))
        g += t.text == "G";
    EXPECT_EQ(g, 7u) << "297 pixels of fixes: markers 12 apart, labels 48 apart";
    EXPECT_EQ(thinned.Of(chart::DrawOp::Ellipse).size(), 25u);

    // Marks 5 pixels apart (a long track seen whole): every mark has its
    // tick, but a time label keeps 40 pixels clear of the last one.
    properties.SetDraw(false);
    CLogTrack marked;
    marked.SetProperties(&properties);
    marked.Settings().drawTimeMarks = true;
    marked.Settings().markInterval = minutes(10);
    for (int i = 0; i < 40; ++i)
        marked.Extend(std::uint64_t(i), At(47.6, -122.44 + i * 2.5e-4, Noon() + minutes(10 * i)));
    Drawn ticks;
    marked.Draw(doc, ticks.dc, true);
    EXPECT_EQ(ticks.Of(chart::DrawOp::Line).size(), 40u);
    const auto markLabels = ticks.Of(chart::DrawOp::Text);
    EXPECT_EQ(markLabels.size(), 5u) << "195 pixels of marks: a label every 8th";
    ASSERT_FALSE(markLabels.empty());
    EXPECT_EQ(markLabels[0].text, "1200");
    properties.SetDraw(true);

    // A display limit of 0 draws nothing, not even the hooks' marks.
    track.Settings().limitDisplay = true;
    track.Settings().span = seconds(0);
    Drawn none;
    track.Draw(doc, none.dc, true);
    EXPECT_TRUE(none.Of(chart::DrawOp::Polyline).empty());
    EXPECT_TRUE(none.Of(chart::DrawOp::Text).empty());
    // A span of 10 minutes draws the fixes younger than that: 12:24 and 12:28.
    track.Settings().span = minutes(10);
    Drawn recent;
    track.Draw(doc, recent.dc, true);
    ASSERT_EQ(recent.Of(chart::DrawOp::Polyline).size(), 1u);
    EXPECT_EQ(recent.Of(chart::DrawOp::Polyline)[0].points.size(), 3u);
}

TEST_F(LogTrackTest, TheThinnedWindowStaysWithinAPixelOfTheFullLine)
{
    brine_test::TempFolder dir;
    CTrackFile file;
    ASSERT_TRUE(file.Open(dir / "day.trc"));
    std::mt19937 random(28);
    std::normal_distribution<double> turn(0.0, 0.02);
    std::vector<CTrackFix> fixes;
    double lat = 47.58, lon = -122.43, heading = 0.3;
    for (int i = 0; i < 86400; ++i) {   // a day of fixes a second at about 6 knots
        heading += turn(random);
        lat += std::cos(heading) * 2.7e-5 / 3.0;
        lon += std::sin(heading) * 4.0e-5 / 3.0;
        fixes.push_back(At(lat, lon, Noon() + seconds(i)));
    }
    ASSERT_TRUE(file.Append(fixes).Written());
    PlainDoc doc;
    CLogTrack track;
    track.SetFile(dir / "day.trc");
    const auto grid = CLogTrack::GridOf(doc);
    ASSERT_TRUE(grid);
    track.Rebuild(*grid);
    ASSERT_TRUE(track.WaitForRebuild(seconds(20)));
    ASSERT_TRUE(track.TakeResult());
    EXPECT_LT(track.Size(), fixes.size() / 4) << "memory follows pixels, not fixes";
    Drawn d;
    track.Draw(doc, d.dc, false);
    std::vector<geo::IntPoint> drawn;
    for (const auto& p : d.Of(chart::DrawOp::Polyline))
        drawn.insert(drawn.end(), p.points.begin(), p.points.end());
    ASSERT_GE(drawn.size(), 2u);
    // The drawn vertices are the kept fixes, in order: each fix of the full
    // line lies within a pixel of the drawn segment it was thinned into.
    const auto& kept = track.Kept();
    ASSERT_EQ(drawn.size(), kept.size());
    // Off the view the cells are coarse by design; the fixes in view are checked.
    double worst = 0.0;
    std::size_t j = 0, inView = 0;
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        while (j + 1 < kept.size() && kept[j + 1].index <= i)
            ++j;
        const Exact p = ExactPoint(fixes[i].latitude, fixes[i].longitude);
        if (p.x < 0 || p.x >= 1920 || p.y < 0 || p.y >= 1080)
            continue;
        ++inView;
        const auto& a = kept[j].fix;
        const auto& b = kept[std::min(j + 1, kept.size() - 1)].fix;
        worst = std::max(worst, ToSegment(p, ExactPoint(a.latitude, a.longitude),
                                          ExactPoint(b.latitude, b.longitude)));
    }
    // And what is drawn is the kept fixes, each at its pixel.
    for (std::size_t k = 0; k < kept.size(); ++k)
        ASSERT_EQ(drawn[k], PlainDoc::Project(kept[k].fix.latitude, kept[k].fix.longitude)) << k;
    EXPECT_GT(inView, 2000u);
    EXPECT_LE(worst, 1.0);
}

// The trail from the newest fix to the vessel is one line in the track's
// style, through every place; with no place after the newest fix, nothing.
TEST_F(LogTrackTest, TheTrailJoinsTheNewestFixToTheVessel)
{
    PlainDoc doc;
    CLogTrack track;
    for (int i = 0; i < 3; ++i)
        track.Extend(std::uint64_t(i), At(47.6, -122.44 + i * 1e-3, Noon() + minutes(i)));
    Drawn none;
    track.DrawTrail(doc, none.dc, {});
    EXPECT_TRUE(none.Of(chart::DrawOp::Polyline).empty());
    const std::vector<geo::CPosition> trail = {geo::CPosition(47.6, -122.438, 0.0, -1),
                                               geo::CPosition(47.6005, -122.4375, 0.0, -1),
                                               geo::CPosition(47.601, -122.437, 0.0, -1)};
    Drawn d;
    track.DrawTrail(doc, d.dc, trail);
    const auto lines = d.Of(chart::DrawOp::Polyline);
    ASSERT_EQ(lines.size(), 1u);
    // The newest fix and the trail's first place are the same pixel: drawn once.
    ASSERT_EQ(lines[0].points.size(), 3u);
    EXPECT_EQ(lines[0].points.front(), PlainDoc::Project(47.6, -122.438));
    EXPECT_EQ(lines[0].points.back(), PlainDoc::Project(47.601, -122.437));
}

// Properties over a position marker finds that fix (the newest where two
// meet), nothing beside it, and nothing while the markers are off.
TEST_F(LogTrackTest, APressOnAMarkerFindsItsFix)
{
    PlainDoc doc;
    chart::CPositionFixProperties properties;
    properties.SetDraw(true);
    CLogTrack track;
    track.SetProperties(&properties);
    for (int i = 0; i < 5; ++i) {
        CTrackFix f = At(47.6, -122.44 + i * 1e-3, Noon() + minutes(i));
        f.sog = 6.0 + i;
        track.Extend(std::uint64_t(i), f);
    }
    const geo::IntPoint third = PlainDoc::Project(47.6, -122.44 + 2e-3);
    const auto hit = track.FixAt(doc, {third.x + 2, third.y - 2});
    ASSERT_TRUE(hit);
    EXPECT_DOUBLE_EQ(hit->sog, 8.0);
    EXPECT_EQ(hit->utc, Noon() + minutes(2));
    EXPECT_FALSE(track.FixAt(doc, {third.x + 10, third.y + 8}));
    properties.SetDraw(false);
    EXPECT_FALSE(track.FixAt(doc, third));
}

namespace {

// A plain track with every hook counted; `none` makes it draw from no node.
class HookedTrack final : public chart::CPlanTrack {
public:
    bool none = false;
    std::vector<std::pair<char, std::optional<std::size_t>>> hooks;
    chart::Pen markerPen, linePen;

    std::optional<std::size_t> GetFirstNodeToDraw(bool limit) const override
    {
        return none ? std::nullopt : chart::CPlanTrack::GetFirstNodeToDraw(limit);
    }
    void DrawFixes(chart::CChartDoc&, chart::CXDC& dc, std::optional<std::size_t> first) override
    {
        markerPen = dc.GetCurrentPen();
        hooks.emplace_back('f', first);
    }
    void DrawTimeMarks(chart::CChartDoc&, chart::CXDC& dc,
                       std::optional<std::size_t> first) override
    {
        linePen = dc.GetCurrentPen();
        hooks.emplace_back('t', first);
    }
    void Point(double lon, bool segmentStart = false)
    {
        auto fix = std::make_unique<chart::COverlayPositionFix>(
            geo::CPosition(47.6, lon, 0.0, 0xFFFF), chart::COverlayPositionFix::NoFixTime(),
            nullptr);
        fix->segmentStart = segmentStart;
        Add(std::move(fix));
    }
};

}   // namespace

// A point marked as a segment start is not joined to the one before it, also
// when it is the first; the hooks run only when decorated, time marks with
// the line pen and fixes with the 1-pixel marker pen, and the pen in the dc
// before is put back.
TEST_F(LogTrackTest, PlanTrackBreaksAtSegmentStartsAndRunsTheHooksWhenDecorated)
{
    PlainDoc doc;
    HookedTrack track;
    track.SetPlannedStyle({app::RGB(0, 0, 0), 3, app::RGB(200, 0, 0), false});
    const chart::Pen before{chart::PenStyle::Solid, 2, app::RGB(1, 2, 3)};

    Drawn empty;
    empty.dc.SelectPen(before);
    empty.backend->Clear();
    track.Draw(doc, empty.dc, true);
    EXPECT_TRUE(empty.backend->Records().empty());
    EXPECT_TRUE(track.hooks.empty()) << "an empty list draws nothing at all";
    EXPECT_EQ(empty.dc.GetCurrentPen(), before);

    track.Point(-122.44, true);   // the first drawn node starts a segment
    track.Point(-122.43);
    track.Point(-122.42);
    track.Point(-122.41, true);   // a gap before this one
    track.Point(-122.40);
    Drawn plain;
    plain.dc.SelectPen(before);
    track.Draw(doc, plain.dc, false);
    const auto runs = plain.Of(chart::DrawOp::Polyline);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].points, (std::vector<geo::IntPoint>{PlainDoc::Project(47.6, -122.44),
                                                          PlainDoc::Project(47.6, -122.43),
                                                          PlainDoc::Project(47.6, -122.42)}));
    EXPECT_EQ(runs[1].points, (std::vector<geo::IntPoint>{PlainDoc::Project(47.6, -122.41),
                                                          PlainDoc::Project(47.6, -122.40)}));
    EXPECT_EQ(runs[0].pen.width, 3);
    EXPECT_EQ(runs[0].pen.colour, app::RGB(200, 0, 0));
    EXPECT_TRUE(track.hooks.empty());
    EXPECT_EQ(plain.dc.GetCurrentPen(), before);

    Drawn decorated;
    track.Draw(doc, decorated.dc, true);
    ASSERT_EQ(track.hooks.size(), 2u);
    EXPECT_EQ(track.hooks[0], std::make_pair('t', std::optional<std::size_t>(0)));
    EXPECT_EQ(track.hooks[1], std::make_pair('f', std::optional<std::size_t>(0)));
    EXPECT_EQ(track.linePen.width, 3);
    EXPECT_EQ(track.markerPen.width, 1);
    EXPECT_EQ(track.markerPen.colour, app::RGB(0, 0, 0));

    // No first node: no line, but both hooks are still asked, with none.
    track.none = true;
    track.hooks.clear();
    Drawn nothing;
    track.Draw(doc, nothing.dc, true);
    EXPECT_TRUE(nothing.Of(chart::DrawOp::Polyline).empty());
    EXPECT_TRUE(nothing.Of(chart::DrawOp::Line).empty());
    ASSERT_EQ(track.hooks.size(), 2u);
    EXPECT_FALSE(track.hooks[0].second);
    EXPECT_FALSE(track.hooks[1].second);

    // A copy replaces what the list held, segment starts included; a copy of
    // an empty list empties it.
    HookedTrack copy;
    copy.Point(10.0);
    copy.CopyFrom(track);
    ASSERT_EQ(copy.Size(), 5u);
    EXPECT_TRUE(copy.Points()[3]->segmentStart);
    EXPECT_EQ(copy.Points()[4]->GetPosition().GetLongitude(), -122.40);
    copy.CopyFrom(HookedTrack());
    EXPECT_TRUE(copy.IsEmpty());
}

// A broken planned track is dotted as a broken route leg is: dots of the
// solid line pen three pen widths apart along each segment, no dashed pen.
TEST_F(LogTrackTest, PlanTrackBrokenLineIsDottedAsARouteLeg)
{
    PlainDoc doc;
    HookedTrack track;
    track.SetPlannedStyle({app::RGB(0, 0, 0), 2, app::RGB(200, 0, 0), true});
    track.Point(-122.44);
    track.Point(-122.43);
    track.Point(-122.42);
    Drawn d;
    track.Draw(doc, d.dc, false);
    EXPECT_TRUE(d.Of(chart::DrawOp::Polyline).empty());
    const auto dots = d.Of(chart::DrawOp::Line);
    ASSERT_GE(dots.size(), 60u);
    // Each segment's dots start at its own start, 6 pixels apart.
    const int x0 = PlainDoc::Project(47.6, -122.44).x;
    const int x1 = PlainDoc::Project(47.6, -122.43).x;
    const int x2 = PlainDoc::Project(47.6, -122.42).x;
    EXPECT_EQ(dots.front().points[0].x, x0);
    for (const chart::DrawRecord& dot : dots) {
        const int x = dot.points[0].x;
        EXPECT_EQ(dot.pen.style, chart::PenStyle::Solid);
        EXPECT_EQ(dot.pen.width, 2);
        EXPECT_EQ(dot.pen.colour, app::RGB(200, 0, 0));
        EXPECT_TRUE(x >= x0 && x <= x2) << x;
        EXPECT_EQ((x - (x < x1 ? x0 : x1)) % 6, 0) << x;
    }
}

// The fix markers take the size the user chose for position fixes.
TEST_F(LogTrackTest, FixMarkersTakeTheChosenSize)
{
    PlainDoc doc;
    chart::CPositionFixProperties properties;
    properties.SetDraw(true);
    CLogTrack track;
    track.SetProperties(&properties);
    for (int i = 0; i < 3; ++i)
        track.Extend(std::uint64_t(i), At(47.6, -122.44 + i * 3e-3, Noon() + minutes(4 * i)));
    for (const auto& [size, width] :
         {std::pair{chart::kSizeSmall, 10}, std::pair{chart::kSizeMedium, 14},
          std::pair{chart::kSizeLarge, 20}}) {
        properties.SetSizeMode(size);
        Drawn d;
        track.Draw(doc, d.dc, true);
        const auto markers = d.Of(chart::DrawOp::Ellipse);
        ASSERT_EQ(markers.size(), 3u);
        for (const auto& m : markers)
            EXPECT_EQ(m.points[1].x - m.points[0].x, width) << "size " << size;
    }
}

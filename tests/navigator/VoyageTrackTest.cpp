// A voyage's track across restarts: each start that takes up the voyage, and
// each File > Open that appends to the log, writes a new own-vessel append
// with a track file of its own. Every append's track is drawn, and the
// appends of one voyage are joined into one line, so the navigator sees the
// whole voyage, not only the newest part as a lone mark.

#include "navigator/NavigatorModule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "FakeClock.h"
#include "NavigatorFakes.h"
#include "PlainChartDoc.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "chart/draw/RecordingBackend.h"
#include "chart/draw/XDC.h"

using namespace std::chrono_literals;
using namespace navigator;

namespace {

struct Station {
    brine_test::FakeClock& clock;
    navtest::FakeGps& gps;
    CNavigatorModule nav;
    int second = 0;

    Station(navtest::MemorySettings& settings, brine_test::FakeClock& c, navtest::FakeGps& g)
        : clock(c), gps(g), nav(settings, c, &g)
    { }
    // Logs go to `folder`, a track record a second, questions to `prompt`.
    void LogTo(const std::filesystem::path& folder, brine_test::ScriptedPrompt& prompt)
    {
        nav.Logbook().SetFolder(folder);
        nav.SetTrackInterval(1s);
        nav.Logbook().Services().prompt = &prompt;
    }
    // A fix a second at `lat` on 122.40 W, each a timer pass.
    void Sail(double lat, int seconds, int& clockSecond)
    {
        for (int i = 0; i < seconds; ++i, ++clockSecond) {
            char time[32];
            std::snprintf(time, sizeof time, "12%02d%02d.00", clockSecond / 60, clockSecond % 60);
            ASSERT_TRUE(
                gps.parser.ParseLine(navtest::Rmc(lat - i * 1e-4, -122.40, 6.0, 180.0, time)));
            nav.NavigationTimerPass();
            nav.PanelQueue().Drain([&](const app::CPostedMessage& m) { nav.OnMonitorMessage(m); });
            clock.Advance(1s);
        }
    }
};

using Segment = std::pair<geo::IntPoint, geo::IntPoint>;

// The line pieces the tracks were drawn with, once every track's window has
// been read (on workers that post when they are ready).
std::vector<Segment> DrawnSegments(CNavigatorModule& nav, chart::CChartDoc& doc)
{
    std::vector<Segment> segments;
    std::size_t before = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto* backend = new chart::CRecordingBackend;
        chart::CXDC dc{std::unique_ptr<chart::CDrawBackend>(backend)};
        nav.DrawTracks(doc, dc);
        segments.clear();
        for (const auto& r : backend->Records())
            if (r.op == chart::DrawOp::Polyline || r.op == chart::DrawOp::Line)
                for (std::size_t i = 1; i < r.points.size(); ++i)
                    segments.emplace_back(r.points[i - 1], r.points[i]);
        if (attempt > 10 && segments.size() == before)
            break;
        before = segments.size();
        std::this_thread::sleep_for(20ms);
        nav.PanelQueue().Drain([&](const app::CPostedMessage& m) { nav.OnMonitorMessage(m); });
    }
    return segments;
}

std::vector<Segment> DrawnSegments(CNavigatorModule& nav)
{
    navtest::PlainDoc doc;
    return DrawnSegments(nav, doc);
}

// A harbour chart under the plain chart's projection: rows 200 to 800 of the
// view (47.59 N to 47.56 N) are on it, and the projection runs on beyond its
// edges as a chart's does.
class HarbourDoc final : public chart::CChartDoc {
public:
    static constexpr geo::IntRect kChart{0, 200, 1920, 800};
    bool OpenChart(const std::string&) override { return true; }
    void GetVisibleRect(geo::IntRect& r) override { r = kChart; }
    bool IsPositionOnChart(const geo::CPosition& p) const override
    {
        const geo::IntPoint at = navtest::PlainDoc::Project(p.GetLatitude(), p.GetLongitude());
        return at.x >= kChart.left && at.x < kChart.right && at.y >= kChart.top &&
               at.y < kChart.bottom;
    }
    bool PositionToPoint(const geo::CPosition& p, geo::IntPoint& at) override
    {
        at = navtest::PlainDoc::Project(p.GetLatitude(), p.GetLongitude());
        return true;
    }
    bool PositionToPoints(const geo::CPosition& p, chart::PointList& points) override
    {
        if (IsPositionOnChart(p))
            points.push_back(navtest::PlainDoc::Project(p.GetLatitude(), p.GetLongitude()));
        return !points.empty();
    }
    bool PointToPosition(geo::IntPoint pt, geo::CPosition& p) override
    {
        return p.Set(47.6 - pt.y / navtest::PlainDoc::kScale,
                     -122.45 + pt.x / navtest::PlainDoc::kScale, 0, 0xFFFF);
    }
};

geo::IntPoint Place(const CTrackFix& fix)
{
    return navtest::PlainDoc::Project(fix.latitude, fix.longitude);
}

bool HasSegment(const std::vector<Segment>& segments, geo::IntPoint a, geo::IntPoint b)
{
    return std::find(segments.begin(), segments.end(), Segment{a, b}) != segments.end();
}

// Within a pixel of a drawn piece (the painter leaves out fixes on a straight run).
bool OnSomeSegment(const std::vector<Segment>& segments, geo::IntPoint p)
{
    return std::any_of(segments.begin(), segments.end(), [&](const Segment& s) {
        const double dx = s.second.x - s.first.x, dy = s.second.y - s.first.y;
        const double length = dx * dx + dy * dy;
        const double t =
            length > 0
                ? std::clamp(((p.x - s.first.x) * dx + (p.y - s.first.y) * dy) / length, 0.0, 1.0)
                : 0.0;
        return std::hypot(p.x - (s.first.x + t * dx), p.y - (s.first.y + t * dy)) <= 1.0;
    });
}

std::vector<CTrackFix> FixesOf(const CLogVessel& vessel)
{
    std::vector<CTrackFix> fixes;
    CTrackFile file;
    if (file.Open(vessel.track.Path()))
        file.ReadRange(0, file.RecordCount(),
                       [&](std::uint64_t, const CTrackFix& f) { fixes.push_back(f); });
    return fixes;
}

// A log folder, a clock, settings and a GPS that outlive the stations
// started on them.
class VoyageTrack : public ::testing::Test {
protected:
    brine_test::TempFolder dir;
    brine_test::FakeClock clock;
    navtest::MemorySettings settings;
    navtest::FakeGps gps{clock};
    int clockSecond = 0;
};

}   // namespace

TEST_F(VoyageTrack, EveryAppendOfTheVoyageIsDrawnWhenTheLogIsOpenedAgain)
{
    {
        Station first{settings, clock, gps};
        brine_test::ScriptedPrompt prompt;
        first.LogTo(dir.Path(), prompt);
        first.nav.Logbook().Services().chooseSavePath = [&](const std::string&,
                                                            const std::string&) {
            return std::optional<std::string>((dir / "Walk.dbf").string());
        };
        first.Sail(47.66, 1, clockSecond);
        // The voyage starts in a temporary log, not saved yet.
        prompt.Expect(platform::PromptAnswer::No, "Save Log file?");
        ASSERT_TRUE(first.nav.StartVoyage("WALK-1", "Ada"));
        first.Sail(47.65, 6, clockSecond);
        // File > Exit with the voyage under way: the temporary log is saved as
        // "Walk", the workspace is saved while the log is still open, then the
        // log closes.
        prompt.Expect(platform::PromptAnswer::Yes, "Save Log file?");
        ASSERT_EQ(first.nav.QueryClose(prompt), platform::PromptAnswer::Ok);
        ASSERT_TRUE(prompt.Done());
        first.nav.SaveSettings();
        ASSERT_TRUE(first.nav.Logbook().Close(true));
    }
    Station second{settings, clock, gps};
    second.nav.LoadSettings();
    second.nav.Logbook().SetFolder(dir.Path());
    second.nav.SetTrackInterval(1s);
    second.Sail(47.62, 4, clockSecond);
    ASSERT_TRUE(second.nav.Logbook().IsVoyageRunning());
    ASSERT_NE(second.nav.Logbook().OwnVessel(), nullptr);
    EXPECT_EQ(second.nav.Logbook().OwnVessel()->appendNo, 2u);
    // File > Open > Log of the same log, appended to.
    second.nav.Logbook().SetAppendToExisting(true);
    ASSERT_TRUE(second.nav.OpenVesselLog((dir / "Walk").string()));
    second.Sail(47.60, 3, clockSecond);
    ASSERT_EQ(second.nav.Logbook().OwnVessel()->appendNo, 3u);

    // Every fix of every append is on the drawn line, and each append's line
    // goes on from the last fix of the one before.
    const std::vector<Segment> drawn = DrawnSegments(second.nav);
    const auto& vessels = second.nav.Logbook().Vessels();
    ASSERT_EQ(vessels.size(), 3u);
    std::vector<std::vector<CTrackFix>> appends;
    for (const auto& vessel : vessels) {
        appends.push_back(FixesOf(*vessel));
        ASSERT_GE(appends.back().size(), 1u) << "append " << vessel->appendNo;
        for (const CTrackFix& fix : appends.back())
            EXPECT_TRUE(OnSomeSegment(drawn, Place(fix)))
                << "append " << vessel->appendNo << ": no line through " << fix.latitude;
    }
    for (std::size_t a = 1; a < appends.size(); ++a)
        EXPECT_TRUE(HasSegment(drawn, Place(appends[a - 1].back()), Place(appends[a].front())))
            << "append " << a + 1 << " is not joined to the one before";

    // A later voyage of the same vessel is a line of its own.
    ASSERT_TRUE(second.nav.EndVoyage());
    ASSERT_TRUE(second.nav.StartVoyage("WALK-2", "Bo"));
    second.Sail(47.58, 3, clockSecond);
    const std::vector<Segment> withNext = DrawnSegments(second.nav);
    ASSERT_EQ(vessels.size(), 4u);
    const std::vector<CTrackFix> next = FixesOf(*vessels.back());
    ASSERT_GE(next.size(), 1u);
    EXPECT_TRUE(OnSomeSegment(withNext, Place(next.back())));
    EXPECT_FALSE(HasSegment(withNext, Place(appends.back().back()), Place(next.front())));
    second.nav.Logbook().Close(true);
}

// A voyage that comes onto the harbour chart from the north and leaves it to
// the south: the line from the last fix beyond the chart comes in from the
// chart's northern edge, and the line toward the first fix beyond its southern
// edge runs down to that edge, not stopping at the last fix on the chart.
TEST_F(VoyageTrack, TheLineToAFixOffTheChartRunsToTheChartsEdge)
{
    Station station{settings, clock, gps};
    brine_test::ScriptedPrompt prompt;
    station.LogTo(dir.Path(), prompt);
    station.Sail(47.595, 1, clockSecond);
    prompt.Expect(platform::PromptAnswer::No, "Save Log file?");
    ASSERT_TRUE(station.nav.StartVoyage("EDGE", "Ada"));
    station.Sail(47.595, 2, clockSecond);   // row 100 on: north of the chart
    station.Sail(47.575, 3, clockSecond);   // row 500 on: on it
    station.Sail(47.545, 2, clockSecond);   // row 1100 on: south of it
    const std::vector<CTrackFix> fixes = FixesOf(*station.nav.Logbook().Vessels().back());
    // The first and last fixes on the chart, with fixes beyond it either side.
    std::vector<geo::IntPoint> on;
    for (const CTrackFix& f : fixes)
        if (Place(f).y > 200 && Place(f).y < 800)
            on.push_back(Place(f));
    ASSERT_GE(on.size(), 2u);
    ASSERT_LT(Place(fixes.front()).y, 200);
    ASSERT_GT(Place(fixes.back()).y, 800);

    HarbourDoc harbour;
    const std::vector<Segment> drawn = DrawnSegments(station.nav, harbour);
    const auto reaches = [&](geo::IntPoint edge, geo::IntPoint onChart) {
        return HasSegment(drawn, edge, onChart) || HasSegment(drawn, onChart, edge);
    };
    EXPECT_TRUE(reaches({1000, 200}, on.front()))
        << "the line from beyond the northern edge starts at that edge";
    EXPECT_TRUE(reaches({1000, 800}, on.back()))
        << "the line toward the fix beyond the southern edge runs to that edge";
    for (const Segment& s : drawn)
        for (const geo::IntPoint p : {s.first, s.second})
            EXPECT_TRUE(p.y >= 200 && p.y <= 800) << "drawn beyond the chart at row " << p.y;
    prompt.Expect(platform::PromptAnswer::No, "Save Log file?");
    station.nav.Logbook().Close(true);
}

// The route in a chart view over a blank chart through the recording backend:
// the static layer passes the current waypoint and its two legs by, and the
// dynamic layer draws them with the current waypoint's label, the legs' marks,
// the distance to run and the speed made good towards the waypoint.

#include "routes/RouteLayer.h"
#include "../chart/overlays/OverlayTestSupport.h"
#include "FakeClock.h"
#include "TempFolder.h"
#include "app/MsgBar.h"
#include "geo/DatumInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

using namespace routes;
using overlay_test::Chart;
using overlay_test::Recorder;

namespace {

geo::CPosition East(const geo::CPosition& from, double nm)
{
    geo::CPosition out;
    EXPECT_TRUE(geo::PositionAtRangeBearing(from, nm, 90.0, &out));
    return out;
}

// Legs of 2, 3 and 5 nm due east; the second waypoint is current.
CRouteState EastRoute(int active)
{
    CRouteState state;
    state.hasRoute = true;
    const geo::CPosition w1(50.25, -0.95);
    const geo::CPosition w2 = East(w1, 2.0), w3 = East(w2, 3.0), w4 = East(w3, 5.0);
    const char* names[] = {"Start", "Point Wilson", "", "End"};
    int i = 0;
    for (const geo::CPosition& p : {w1, w2, w3, w4}) {
        CWaypoint wp;
        wp.m_position = p;
        wp.m_name = names[i++];
        state.waypoints.push_back(wp);
    }
    state.activeIndex = active;
    return state;
}

struct Layer {
    explicit Layer(int active) : state(EastRoute(active)), views(state)
    {
        views.Properties().drawNumber = true;
        views.Properties().drawName = true;
        layer = std::make_unique<CRouteViewLayer>(*chart.doc, views, state);
    }
    std::vector<std::string> Texts(chart::CLayerSource& source)
    {
        Recorder rec;
        if (source.IsOn())
            source.Draw(*chart.doc, rec.dc);
        lines = rec.Of(chart::DrawOp::Line).size();
        return rec.Texts();
    }
    std::vector<std::string> Static() { return Texts(layer->StaticSource()); }
    std::vector<std::string> Dynamic() { return Texts(layer->CurrentSource()); }

    // 800 pixels to a degree of longitude.
    Chart chart{geo::CPosition(50.5, -1.0), geo::CPosition(50.0, 0.0)};
    CRouteState state;
    CRouteViews views;
    std::unique_ptr<CRouteViewLayer> layer;
    std::size_t lines = 0;
};

std::vector<std::string> Ending(const std::vector<std::string>& texts, char last)
{
    std::vector<std::string> out;
    std::copy_if(texts.begin(), texts.end(), std::back_inserter(out),
                 [last](const std::string& t) { return !t.empty() && t.back() == last; });
    return out;
}

bool Has(const std::vector<std::string>& texts, const std::string& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

class Silent : public app::CAlertSound {
public:
    bool Play(const std::filesystem::path&) override { return true; }
    void Beep() override { }
};

// A blank chart that ends at 51 N and whose positions cannot be shifted to
// its datum unless told.
class UnshiftedChart : public charts::CBlankChartDoc {
public:
    bool HasDatumShift() const override { return shift; }
    bool IsPositionOnChart(const geo::CPosition& p) const override
    {
        return p.GetLatitude() < 51.0;
    }
    bool shift = false;
};

}   // namespace

TEST(RouteLayerTest, TheCurrentWaypointAndItsLegsAreDrawnOnlyInTheDynamicLayer)
{
    Layer l(2);
    l.state.draw.drawCourseAndSMG = true;
    const std::vector<std::string> fixed = l.Static();
    // The static route: waypoints 1, 3 and 4 with their own labels, one leg (3-4).
    EXPECT_TRUE(Has(fixed, "W1 Start"));
    EXPECT_TRUE(Has(fixed, "W3"));
    EXPECT_TRUE(Has(fixed, "W4 End"));
    EXPECT_FALSE(Has(fixed, "W2 Point Wilson"));
    EXPECT_EQ(std::count(fixed.begin(), fixed.end(), "090"), 1);
    // The active part: the current waypoint's label without the prefix, and
    // the legs 1-2 and 2-3 with their courses.
    const std::vector<std::string> moving = l.Dynamic();
    EXPECT_TRUE(Has(moving, "2 Point Wilson"));
    EXPECT_FALSE(Has(moving, "W2 Point Wilson"));
    EXPECT_EQ(std::count(moving.begin(), moving.end(), "090"), 2);
    EXPECT_GT(l.lines, 2u);
    // With arrival times on, the plan's time at the current waypoint beside it.
    setenv("TZ", "UTC", 1);
    tzset();
    l.views.Properties().drawEta = true;
    l.views.SetWaypointTimes([](std::size_t index) -> std::optional<std::int64_t> {
        if (index != 1)
            return std::nullopt;
        return 1778337300;   // 2026-05-09 14:35 UTC
    });
    EXPECT_TRUE(Has(l.Dynamic(), "09/1435 "));
    EXPECT_FALSE(Has(l.Static(), "09/1435 "));
    l.views.Properties().drawEta = false;
    EXPECT_FALSE(Has(l.Dynamic(), "09/1435 "));
    // Only the number, or only the name.
    chart::CWaypointProperties props;
    props.drawNumber = true;
    EXPECT_EQ(CRouteViewLayer::CurrentLabel(props, 7, "Point Wilson"), "7");
    props.drawName = true;
    EXPECT_EQ(CRouteViewLayer::CurrentLabel(props, 7, ""), "7");
    props.drawNumber = false;
    EXPECT_EQ(CRouteViewLayer::CurrentLabel(props, 7, "Point Wilson"), " Point Wilson");

    // The first waypoint current: one leg after it, the rest static.
    Layer first(1);
    first.state.draw.drawCourseAndSMG = true;
    const std::vector<std::string> rest = first.Static();
    EXPECT_FALSE(Has(rest, "W1 Start"));
    // Waypoint 2 only starts the drawn legs: legs 2-3 and 3-4.
    EXPECT_EQ(std::count(rest.begin(), rest.end(), "090"), 2);
    const std::vector<std::string> head = first.Dynamic();
    EXPECT_TRUE(Has(head, "1 Start"));
    EXPECT_EQ(std::count(head.begin(), head.end(), "090"), 1);
}

TEST(RouteLayerTest, DistanceToRunCountsDownFromTheLegEndingAtTheCurrentWaypoint)
{
    // 10 nm from waypoint 1 to the end, marks every 3 nm: the first 1 nm in.
    Layer l(2);
    l.state.draw.drawDistanceToRun = true;
    l.state.draw.applyToEntireRoute = true;
    l.state.draw.distanceToRunInterval = 3.0;
    EXPECT_EQ(Ending(l.Dynamic(), 'M'), (std::vector<std::string>{"9M", "6M"}));
    EXPECT_EQ(Ending(l.Static(), 'M'), (std::vector<std::string>{"3M"}));
    // Over the leg that ends at the current waypoint only (2 nm).
    l.state.draw.applyToEntireRoute = false;
    l.state.draw.distanceToRunInterval = 0.9;
    EXPECT_EQ(Ending(l.Dynamic(), 'M'), (std::vector<std::string>{"1.8M", "0.9M"}));
    EXPECT_TRUE(Ending(l.Static(), 'M').empty());
    // The first waypoint current: its leg to the next (2 nm) is counted.
    Layer first(1);
    first.state.draw.drawDistanceToRun = true;
    first.state.draw.distanceToRunInterval = 0.9;
    EXPECT_EQ(Ending(first.Dynamic(), 'M'), (std::vector<std::string>{"1.8M", "0.9M"}));
    EXPECT_TRUE(Ending(first.Static(), 'M').empty());
}

TEST(RouteLayerTest, SpeedMadeGoodTowardsTheCurrentWaypointAfterFiveSeconds)
{
    Layer l(2);
    l.state.draw.drawCourseAndSMG = true;
    const geo::CPosition start = East(l.state.waypoints[0].m_position, 0.5);
    std::optional<geo::CPosition> own = start;
    CRouteViewLayer::Clock::time_point now{};
    l.layer->SetOwnVessel([&own] { return own; }, [&now] { return now; });
    const auto speeds = [&l] {
        std::vector<std::string> out;
        for (const std::string& t : l.Dynamic())
            if (t.find('.') != std::string::npos)
                out.push_back(t);
        return out;
    };
    EXPECT_TRUE(speeds().empty());   // the reference is taken
    // A fix each second, 0.02 nm closer in 6 s: nothing until more than 5
    // whole seconds lie between the fixes, then 12 knots.
    for (int second = 1; second <= 5; ++second) {
        now += std::chrono::seconds(1);
        own = East(start, 0.02 * second / 6);
        EXPECT_TRUE(speeds().empty()) << second;
    }
    now += std::chrono::milliseconds(999);
    EXPECT_TRUE(speeds().empty());   // a repaint with the same fix
    now += std::chrono::milliseconds(1);
    own = East(start, 0.02);
    // It joins the course of the leg into the waypoint, not the one out of it.
    EXPECT_EQ(speeds(), std::vector<std::string>{"090 12.0kn"});
    // Repaints between fixes keep the figure: the fix's time counts.
    now += std::chrono::milliseconds(700);
    EXPECT_EQ(speeds(), std::vector<std::string>{"090 12.0kn"});
    // Drawing away from the waypoint: left out.
    own = East(l.state.waypoints[0].m_position, 0.48);
    EXPECT_TRUE(speeds().empty());
    // Without the vessel, or with the course and speed off: none.
    own = East(start, 0.02);
    l.state.draw.drawCourseAndSMG = false;
    EXPECT_TRUE(speeds().empty());
    l.state.draw.drawCourseAndSMG = true;
    own.reset();
    EXPECT_TRUE(speeds().empty());
    // The next waypoint current: timed afresh from there.
    own = East(start, 0.02);
    l.state.activeIndex = 3;
    l.layer->Rebuild();
    EXPECT_TRUE(speeds().empty());
}

TEST(RouteLayerTest, WaypointsOnTheChartAreCountedAndSwitchTheMessage)
{
    ASSERT_TRUE(geo::CDatumInfo::LoadTable(std::filesystem::path(BRINE_DATUMS_FILE).parent_path()));
    brine_test::FakeClock clock;
    Silent sound;
    brine_test::TempFolder audio;
    app::CMsgBar bar(clock, sound, audio.Path());
    brine_test::FakeChartWindow window;
    UnshiftedChart doc;
    window.doc = &doc;
    window.msgBar = &bar;
    doc.AttachWindow(&window);
    ASSERT_TRUE(doc.OnOpenDocument(""));
    ASSERT_TRUE(doc.SetViewExtent(geo::CPosition(50.5, -1.0), geo::CPosition(50.0, 0.0)));
    chart::CChartViewPipeline pipeline(doc, nullptr);

    // Four waypoints in WGS 84: one past the chart's edge, one in the
    // fallback datum.
    CRouteState state = EastRoute(2);
    for (CWaypoint& wp : state.waypoints)
        wp.m_position = geo::CPosition(wp.m_position.GetLatitude(), wp.m_position.GetLongitude(),
                                       0.0, geo::DatumIndexWGS84());
    state.waypoints[3].m_position = geo::CPosition(52.0, -0.5, 0.0, geo::DatumIndexWGS84());
    const geo::CPosition p = state.waypoints[1].m_position;
    state.waypoints[1].m_position =
        geo::CPosition(p.GetLatitude(), p.GetLongitude(), 0.0, geo::DatumIndexFallback());
    CRouteViews views(state);
    CRouteViewLayer layer(doc, views, state);
    layer.SetReferenceCounting(&pipeline);
    const auto& counted = pipeline.Counters().waypoints;
    // On a chart without datum shift every waypoint on it is drawn unshifted.
    EXPECT_EQ(counted, (std::array<std::uint16_t, 3>{3, 1, 3}));
    EXPECT_TRUE(bar.IsMessageActive(doc.NoReferenceMessage(1)));
    EXPECT_FALSE(bar.IsMessageActive(doc.NoReferenceMessage(0)));
    // With datum shift only the one in the fallback datum.
    doc.shift = true;
    layer.Rebuild();
    EXPECT_EQ(counted, (std::array<std::uint16_t, 3>{3, 1, 1}));
    EXPECT_TRUE(bar.IsMessageActive(doc.NoReferenceMessage(1)));
    state.waypoints[1].m_position = p;
    layer.Rebuild();
    EXPECT_EQ(counted, (std::array<std::uint16_t, 3>{3, 0, 0}));
    EXPECT_FALSE(bar.IsMessageActive(doc.NoReferenceMessage(1)));
    // No route: nothing counted, the message off.
    doc.shift = false;
    layer.Rebuild();
    EXPECT_TRUE(bar.IsMessageActive(doc.NoReferenceMessage(1)));
    state.hasRoute = false;
    layer.Rebuild();
    EXPECT_EQ(counted, (std::array<std::uint16_t, 3>{0, 0, 0}));
    EXPECT_FALSE(bar.IsMessageActive(doc.NoReferenceMessage(1)));
    doc.OnCloseDocument();
    geo::CDatumInfo::FreeTable();
}

// Passage plans on fake streams: times without tides, uniform streams along
// and across a leg against their closed forms, both modes, a foul stream
// stronger than the vessel, headings either side of north, legs outside every
// model, abort, dates out of range, clock changes, and the best-time search.

#include "routes/PlanCalculator.h"

#include "PlanFakes.h"
#include "PythonScript.h"
#include "ScriptedPrompt.h"
#include "geo/NavMaths.h"

#include <GeographicLib/Rhumb.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <functional>

namespace {

using brine_test::FakeTides;
using brine_test::StopAfter;
using platform::PromptAnswer;
using routes::CLegData;
using routes::CPlanCalculator;
using routes::CPlanList;
using routes::CPlanSettings;
using routes::PlanMode;
using routes::PlanWaypoint;

constexpr double kDeg = M_PI / 180.0;

class CountingProgress final : public routes::CPlanProgress {
public:
    int timeSteps = 0;
    void ShowTimeIteration(int) override { }
    void ShowLeg(int) override { }
    void ShowCourseIteration(int) override { }
    void ShowTimeStep(int) override { ++timeSteps; }
};

// A route through the given positions, legs by rhumb line.
std::vector<PlanWaypoint> Route(std::initializer_list<std::pair<double, double>> points)
{
    std::vector<PlanWaypoint> out;
    for (auto [lat, lon] : points)
        out.push_back({geo::CPosition(lat, lon), 0, 0});
    for (std::size_t i = 0; i + 1 < out.size(); ++i)
        geo::RhumbRangeBearing(out[i].position, out[i + 1].position, &out[i].distance,
                               &out[i].course, true);
    return out;
}

// A leg of `nm` nautical miles from 48 N 123 W on `course`.
std::vector<PlanWaypoint> Leg(double course, double nm)
{
    double lat = 0, lon = 0;
    geo::PositionFromRangeBearing(48.0, -123.0, nm, course, &lat, &lon);
    return Route({{48.0, -123.0}, {lat, lon}});
}

constexpr std::int64_t kMarch2030 = 1899072000;   // 2030-03-07 00:00 UTC

struct Fixture {
    CPlanSettings settings;
    brine_test::ScriptedPrompt prompt;
    FakeTides tides;
    CPlanCalculator calc{settings, prompt};
    Fixture()
    {
        calc.SetTides(&tides);
        settings.tidesOn = true;
        settings.tidalIntervalSeconds = 600;
    }
};

TEST(PlanCalculator, WithoutTidesTimesAndDistancesFollowTheRoute)
{
    Fixture f;
    f.settings.tidesOn = false;
    f.settings.vesselSpeed = 4.0;
    CPlanList plan;
    ASSERT_EQ(f.calc.BuildLegs(Leg(0.0, 10.0), kMarch2030, plan), 0);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].passageSeconds, 9000);
    EXPECT_EQ(plan[0].utc, kMarch2030);
    EXPECT_EQ(plan[1].utc, kMarch2030 + 9000);
    EXPECT_EQ(plan[1].passageSeconds, 0);
    EXPECT_DOUBLE_EQ(plan[1].distance, 0.0);
    EXPECT_FALSE(plan[1].end.IsValid());
    EXPECT_DOUBLE_EQ(plan[0].courseToSteer, plan[0].course);

    // The sample route's legs and running distances against GeographicLib's
    // rhumb lines on WGS 84, to 1e-4 nm.
    const auto route =
        Route({{48.153, -122.737}, {47.914, -122.512}, {47.662, -122.452}, {47.608, -122.365}});
    ASSERT_EQ(f.calc.BuildLegs(route, kMarch2030, plan), 0);
    const GeographicLib::Rhumb& rhumb = GeographicLib::Rhumb::WGS84();
    double run = 0;
    std::int64_t expected = kMarch2030;
    for (std::size_t i = 0; i + 1 < route.size(); ++i) {
        double metres = 0, azimuth = 0;
        rhumb.Inverse(route[i].position.GetLatitude(), route[i].position.GetLongitude(),
                      route[i + 1].position.GetLatitude(), route[i + 1].position.GetLongitude(),
                      metres, azimuth);
        EXPECT_NEAR(plan[i].distance, metres / 1852.0, 1e-4) << i;
        EXPECT_NEAR(plan[i].distanceRun, run, 1e-4) << i;
        EXPECT_NEAR(plan[i].course, geo::NormaliseAngle360(azimuth), 1e-3) << i;
        EXPECT_EQ(plan[i].utc, expected) << i;
        expected += std::int64_t(plan[i].distance / 4.0 * 3600.0);
        run += metres / 1852.0;
    }
    EXPECT_NEAR(plan[0].distanceToGo, run, 1e-4);
    EXPECT_EQ(plan.back().distanceToGo, 0.0);   // printed "0.00", not "-0.00"
    EXPECT_EQ(plan.back().utc, expected);
}

TEST(PlanCalculator, UniformStreamAlongTheLegShortensThePassage)
{
    Fixture f;
    f.tides.stream = [](const geo::CPosition&, std::int64_t, double& knots, double& towards) {
        knots = 1.0;
        towards = 0.0;
        return 0;
    };
    CPlanList plan;
    ASSERT_EQ(f.calc.BuildLegs(Leg(0.0, 10.0), kMarch2030, plan), 0);
    // d / (v + r) = 10 / 6 h; steps are laid off at one minute of latitude a
    // mile, the distance measured on the ellipsoid (0.07 % longer here).
    EXPECT_NEAR(double(plan[0].passageSeconds), 6000.0, 10.0);
    EXPECT_NEAR(plan[0].courseToSteer, 0.0, 0.1);
    EXPECT_NEAR(plan[0].drift, 1.0 * 6000.0 / 3600.0, 0.02);
    EXPECT_NEAR(plan[0].set, 0.0, 0.5);
    EXPECT_TRUE(plan[0].tidal);
    // The drawn track runs from the start waypoint to the leg's end; its
    // points are places without a fix time or kind.
    const routes::CLegTrack& track = plan[0].track;
    ASSERT_GT(track.Size(), 2u);
    EXPECT_NEAR(track.PositionAt(0).GetLatitude(), 48.0, 1e-9);
    EXPECT_NEAR(track.PositionAt(track.Size() - 1).GetLatitude(), plan[1].start.GetLatitude(),
                0.01 / 60.0);
    for (const auto& point : track.Points()) {
        EXPECT_EQ(point->GetFixTime(), chart::COverlayPositionFix::NoFixTime());
        EXPECT_EQ(point->code, 0);
    }
}

TEST(PlanCalculator, CrossStreamGivesTheClosedFormCourseToSteerInBothModes)
{
    for (const double course : {0.0, 45.0, 200.0, 359.5}) {
        for (const PlanMode mode : {PlanMode::DepartAt, PlanMode::ArriveFor}) {
            Fixture f;
            f.settings.mode = mode;
            const double set = course + 90.0, rate = 1.0, speed = 5.0;
            f.tides.stream = [&](const geo::CPosition&, std::int64_t, double& knots, double& to) {
                knots = rate;
                to = set;
                return 0;
            };
            CPlanList plan;
            ASSERT_EQ(f.calc.BuildLegs(Leg(course, 12.0), kMarch2030, plan), 0);
            const double expected = geo::NormaliseAngle360(
                course - std::asin(rate * std::sin((set - course) * kDeg) / speed) / kDeg);
            const double gap = std::fabs(std::remainder(plan[0].courseToSteer - expected, 360.0));
            EXPECT_LT(gap, 0.1) << "course " << course << " mode " << int(mode) << " got "
                                << plan[0].courseToSteer << " expected " << expected;
            EXPECT_GE(plan[0].courseToSteer, 0.0);
            EXPECT_LT(plan[0].courseToSteer, 360.0);
            // Made good along the leg at v cos(crab angle).
            const double made = speed * std::cos(std::asin(rate / speed));
            EXPECT_NEAR(double(plan[0].passageSeconds), 12.0 / made * 3600.0, 60.0);
        }
    }
}

TEST(PlanCalculator, ArriveForMirrorsDepartAt)
{
    Fixture a, b;
    for (Fixture* f : {&a, &b})
        f->tides.stream = [](const geo::CPosition& p, std::int64_t t, double& knots, double& to) {
            knots = 1.5 * std::sin(double(t) / 3600.0 * 0.5) + 0.2 * (p.GetLatitude() - 48.0);
            to = 30.0;
            return 0;
        };
    const auto route = Route({{48.0, -123.0}, {48.1, -122.9}, {48.2, -122.95}});
    CPlanList forward, backward;
    ASSERT_EQ(a.calc.BuildLegs(route, kMarch2030, forward), 0);
    const std::int64_t arrival = forward.back().utc;
    b.settings.mode = PlanMode::ArriveFor;
    ASSERT_EQ(b.calc.BuildLegs(route, arrival, backward), 0);
    // The stream varies in time, so the mirrored run differs a little; the
    // departure found backwards lies within one time step of the real one.
    EXPECT_EQ(backward.back().utc, arrival);
    EXPECT_NEAR(double(backward.front().utc), double(kMarch2030), 600.0);
    for (std::size_t i = 0; i < forward.size(); ++i)
        EXPECT_NEAR(double(backward[i].utc), double(forward[i].utc), 600.0) << i;

    // With a steady stream the two are the same to the second.
    Fixture c, d;
    for (Fixture* f : {&c, &d})
        f->tides.stream = [](const geo::CPosition&, std::int64_t, double& knots, double& to) {
            knots = 0.8;
            to = 250.0;
            return 0;
        };
    ASSERT_EQ(c.calc.BuildLegs(route, kMarch2030, forward), 0);
    d.settings.mode = PlanMode::ArriveFor;
    ASSERT_EQ(d.calc.BuildLegs(route, forward.back().utc, backward), 0);
    for (std::size_t i = 0; i < forward.size(); ++i) {
        EXPECT_NEAR(double(backward[i].utc), double(forward[i].utc), 2.0) << i;
        EXPECT_NEAR(backward[i].courseToSteer, forward[i].courseToSteer, 0.05) << i;
    }
}

TEST(PlanCalculator, AFoulStreamStrongerThanTheVesselStopsAfterStepsPlusOne)
{
    Fixture f;
    f.settings.tidalIntervalSeconds = 3600;
    f.tides.stream = [](const geo::CPosition&, std::int64_t, double& knots, double& to) {
        knots = 6.0;
        to = 180.0;
        return 0;
    };
    CountingProgress progress;
    f.calc.SetProgress(&progress);
    CPlanList plan;
    ASSERT_EQ(f.calc.BuildLegs(Leg(0.0, 10.0), kMarch2030, plan), 0);
    // 10 nm at 5 kn: H = 2 h, steps = trunc((2 + 1) / 1) = 3, so 4 time steps.
    // The vessel is set back along the leg: turning the heading round to
    // "correct" that would plan a passage the other way, so it stays.
    EXPECT_EQ(plan[0].passageSeconds, 4 * 3600);
    EXPECT_EQ(progress.timeSteps, 4);
    EXPECT_DOUBLE_EQ(plan[0].courseToSteer, 0.0);
}

TEST(PlanCalculator, LegsOutsideEveryModelGoWithoutTideAndOkSilencesLaterLegs)
{
    Fixture f;
    f.tides.stream = [](const geo::CPosition&, std::int64_t, double&, double&) { return 3; };
    f.prompt.Expect(PromptAnswer::Ok, "Leg No 1  is not (or not entirely) covered");
    CPlanList plan;
    ASSERT_EQ(f.calc.BuildLegs(Route({{48, -123}, {48.1, -123}, {48.2, -123}}), kMarch2030, plan),
              0);
    EXPECT_TRUE(f.prompt.Done());
    EXPECT_EQ(f.prompt.AskedPrompts().size(), 1u);
    for (const CLegData& r : plan) {
        EXPECT_FALSE(r.tidal);
        EXPECT_EQ(r.drift, 0.0);
        EXPECT_DOUBLE_EQ(r.courseToSteer, r.course);
    }
    EXPECT_EQ(plan[0].passageSeconds, std::int64_t(plan[0].distance / 5.0 * 3600.0));
    EXPECT_EQ(plan[0].track.Size(), 1u);   // the start, where the first sample failed

    // A leg that runs out of the model after two steps goes without tide too,
    // its track keeping the two steps made.
    Fixture e;
    e.tides.stream = [&e](const geo::CPosition&, std::int64_t, double& k, double& to) {
        k = 0;
        to = 0;
        return e.tides.calls > 2 ? 3 : 0;
    };
    e.prompt.Expect(PromptAnswer::Ok, "Leg No 1  is not (or not entirely) covered");
    ASSERT_EQ(e.calc.BuildLegs(Leg(0.0, 10.0), kMarch2030, plan), 0);
    EXPECT_FALSE(plan[0].tidal);
    EXPECT_EQ(plan[0].track.Size(), 3u);
    EXPECT_NEAR(plan[0].track.PositionAt(2).GetLatitude(), 48.0 + 2 * 5.0 / 6.0 / 60.0, 1e-6);

    // Cancel keeps the messages coming; a caution code still plans with the
    // stream and warns once per leg.
    Fixture g;
    g.tides.stream = [](const geo::CPosition&, std::int64_t, double& k, double& to) {
        k = 1;
        to = 0;
        return -2;
    };
    g.prompt.Expect(PromptAnswer::Ok,
                    "Leg No 1 :Tidal calculation results to be used with caution");
    g.prompt.Expect(PromptAnswer::Ok, "Leg No 2 :");
    ASSERT_EQ(g.calc.BuildLegs(Route({{48, -123}, {48.1, -123}, {48.2, -123}}), kMarch2030, plan),
              0);
    EXPECT_TRUE(g.prompt.Done());
    EXPECT_TRUE(plan[0].tidal);
}

TEST(PlanCalculator, EscapeAbortsAndDatesOutOfRangeStop)
{
    Fixture f;
    StopAfter stop(3);
    f.calc.SetAbortProbe(&stop);
    CPlanList plan;
    EXPECT_EQ(f.calc.BuildLegs(Leg(0.0, 10.0), kMarch2030, plan), 1);

    Fixture g;
    g.settings.tidesOn = false;
    EXPECT_EQ(g.calc.BuildLegs(Leg(0.0, 10.0), routes::kPlanLatest - 100, plan), 2);
    g.settings.mode = PlanMode::ArriveFor;
    EXPECT_EQ(g.calc.BuildLegs(Leg(0.0, 10.0), routes::kPlanEarliest + 100, plan), 2);
    EXPECT_EQ(g.calc.BuildLegs(Leg(0.0, 10.0), routes::kPlanEarliest + 7201, plan), 0);

    // The range ends at 31 December 9998 23:59:59 and starts at 1 January 101
    // 00:00:00 UTC, both limits themselves out of range.
    std::tm last{};
    last.tm_year = 9998 - 1900;
    last.tm_mon = 11;
    last.tm_mday = 31;
    last.tm_hour = 23;
    last.tm_min = 59;
    last.tm_sec = 59;
    std::tm first{};
    first.tm_year = 101 - 1900;
    first.tm_mday = 1;
    EXPECT_EQ(routes::kPlanLatest, std::int64_t(timegm(&last)));
    EXPECT_EQ(routes::kPlanEarliest, std::int64_t(timegm(&first)));
    g.settings.vesselSpeed = 4.0;
    g.settings.mode = PlanMode::DepartAt;
    ASSERT_EQ(g.calc.BuildLegs(Leg(0.0, 10.0), kMarch2030, plan), 0);
    const std::int64_t leg = plan[0].passageSeconds;   // about 9000 s
    ASSERT_NEAR(double(leg), 9000.0, 2.0);
    // Departing 22:00 on the last day arrives in the next year.
    EXPECT_EQ(g.calc.BuildLegs(Leg(0.0, 10.0), routes::kPlanLatest - 7199, plan), 2);
    EXPECT_EQ(g.calc.BuildLegs(Leg(0.0, 10.0), routes::kPlanLatest - leg, plan), 2);
    EXPECT_EQ(g.calc.BuildLegs(Leg(0.0, 10.0), routes::kPlanLatest - leg - 1, plan), 0);
    EXPECT_EQ(plan.back().utc, routes::kPlanLatest - 1);
    g.settings.mode = PlanMode::ArriveFor;
    EXPECT_EQ(g.calc.BuildLegs(Leg(0.0, 10.0), routes::kPlanEarliest + leg, plan), 2);
    EXPECT_EQ(g.calc.BuildLegs(Leg(0.0, 10.0), routes::kPlanEarliest + leg + 1, plan), 0);
    EXPECT_EQ(plan.front().utc, routes::kPlanEarliest + 1);
    g.settings.vesselSpeed = 5.0;

    for (const double bad : {0.0, -3.0, std::nan("")})
        EXPECT_FALSE(CPlanCalculator::IsUsableSpeed(bad));
    g.settings.vesselSpeed = 0.0;
    EXPECT_NE(g.calc.BuildLegs(Leg(0.0, 10.0), kMarch2030, plan), 0);
}

TEST(PlanCalculator, DeviationAndMagneticCourses)
{
    Fixture f;
    std::array<double, 16> card{};
    card[15] = 2.0;
    card[0] = -2.0;
    card[1] = 1.0;
    f.calc.SetDeviationCard(card);
    EXPECT_NEAR(f.calc.GetDeviation(350.0), 2.0 + (-4.0) * 12.5 / 22.5, 1e-12);
    EXPECT_NEAR(f.calc.GetDeviation(-10.0), 2.0 + (-4.0) * 12.5 / 22.5, 1e-12);
    EXPECT_NEAR(f.calc.GetDeviation(11.25), -0.5, 1e-12);
    EXPECT_NEAR(f.calc.GetDeviation(720.0), -2.0, 1e-12);

    f.settings.tidesOn = false;
    f.settings.deviationOn = true;
    CPlanList plan;
    ASSERT_EQ(f.calc.BuildLegs(Leg(5.0, 10.0), kMarch2030, plan), 0);
    EXPECT_NEAR(plan[0].deviation, -2.0 + 3.0 * 5.0 / 22.5, 1e-6);
    EXPECT_NEAR(plan[0].compassCourse, 5.0 - plan[0].deviation, 1e-6);
}

// Running times are UTC: a plan across a clock change keeps every waypoint
// at the right instant, and the local times shown are zoneinfo's.
TEST(PlanCalculator, PlansAcrossBothClockChangesMatchZoneinfo)
{
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "America/Los_Angeles", 1);
    tzset();
    Fixture f;
    f.settings.tidesOn = false;
    f.settings.vesselSpeed = 5.0;
    // Depart 00:30 local on each change day; 10 nm legs at 5 kn, two hours each.
    const auto route = Route({{48.0, -123.0}, {48.1666667, -123.0}, {48.3333333, -123.0}});
    std::string ours;
    for (const std::int64_t depart :
         {1899361800LL /* 2030-03-10 08:30Z */, 1888471800LL /* 2029-11-04 07:30Z */}) {
        CPlanList plan;
        ASSERT_EQ(f.calc.BuildLegs(route, depart, plan), 0);
        for (const CLegData& r : plan) {
            const std::time_t t = std::time_t(r.utc);
            std::tm local{};
            localtime_r(&t, &local);
            char text[32];
            std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
            ours += std::string(text) + "\n";
        }
    }
    if (saved.empty())
        unsetenv("TZ");
    else
        setenv("TZ", saved.c_str(), 1);
    tzset();
    const auto reference = brine_test::RunPython(R"(
import datetime, zoneinfo
z = zoneinfo.ZoneInfo("America/Los_Angeles")
for start in (datetime.datetime(2030, 3, 10, 8, 30), datetime.datetime(2029, 11, 4, 7, 30)):
    for leg in range(3):
        t = start.replace(tzinfo=datetime.timezone.utc) + datetime.timedelta(hours=2 * leg)
        print(t.astimezone(z).strftime("%Y-%m-%d %H:%M"))
)");
    if (!reference)
        GTEST_SKIP() << "no python3";
    EXPECT_EQ(ours, *reference);
    // Two hours a leg in real time: 00:30, 03:30, 05:30 in March; 00:30, 01:30, 03:30 in November.
    EXPECT_NE(ours.find("2030-03-10 03:30"), std::string::npos);
    EXPECT_NE(ours.find("2029-11-04 01:30"), std::string::npos);
}

TEST(PlanCalculator, BestTimeFindsTheFairestStartAndKeepsTheFirst)
{
    Fixture f;
    f.settings.bestTimePlans = 12;
    f.settings.bestTimeIntervalSeconds = 2 * 3600;
    // A semidiurnal stream along the leg: fair, then foul.
    f.tides.stream = [](const geo::CPosition&, std::int64_t t, double& knots, double& to) {
        const double phase = double(t - kMarch2030) / 3600.0 * 2 * M_PI / 12.42;
        knots = 2.0 * std::sin(phase);
        to = 0.0;
        return 0;
    };
    int code = -1;
    const auto best = f.calc.SearchBestTime(Leg(0.0, 15.0), kMarch2030, code);
    ASSERT_TRUE(best);
    EXPECT_EQ(code, 0);
    ASSERT_EQ(best->passages.size(), 12u);
    const auto [shortest, longest] =
        std::minmax_element(best->passages.begin(), best->passages.end());
    EXPECT_GE(double(*longest), 1.1 * double(*shortest));
    EXPECT_EQ(best->passages[std::size_t(best->bestIndex)], *shortest);
    EXPECT_EQ(
        std::count(best->passages.begin(), best->passages.begin() + best->bestIndex, *shortest),
        0);   // ties keep the earliest
    EXPECT_EQ(best->first.front().utc, kMarch2030);
    EXPECT_EQ(best->best.front().utc, kMarch2030 + best->bestIndex * 7200);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(best->starts[std::size_t(i)], kMarch2030 + i * 7200);

    // An abort in a later plan ends the whole search.
    StopAfter stop(40);
    f.calc.SetAbortProbe(&stop);
    EXPECT_FALSE(f.calc.SearchBestTime(Leg(0.0, 15.0), kMarch2030, code));
    EXPECT_EQ(code, 1);
}

// Near land every leg of a plan has a tidal message; a search asks about
// the first plan's legs only, however many plans it works out (the user who
// answers Cancel keeps the messages for that plan).
TEST(PlanCalculator, BestTimeAsksAboutTidesForTheFirstPlanOnly)
{
    Fixture f;
    f.settings.bestTimePlans = 6;
    f.settings.bestTimeIntervalSeconds = 3600;
    f.settings.vesselSpeed = 6.0;
    f.tides.stream = [](const geo::CPosition&, std::int64_t, double&, double&) { return -3; };
    const auto route = Route({{48.0, -123.0}, {48.1, -123.0}, {48.2, -123.0}});
    for (int leg = 0; leg < 2; ++leg)
        f.prompt.Expect(platform::PromptAnswer::Cancel, "proximity of land");
    int code = -1;
    ASSERT_TRUE(f.calc.SearchBestTime(route, kMarch2030, code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(f.prompt.AskedPrompts().size(), 2u);
}

}   // namespace

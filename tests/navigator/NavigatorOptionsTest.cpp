// The Autoscroll and Monitoring pages' models: slider and percentage, time
// limits, the best-chart switch followed, spin steps and enable rules, and
// the sheet applying nothing after a refusal.
#include <gtest/gtest.h>

#include "navigator/AutoscrollOptions.h"
#include "navigator/MonitoringOptions.h"

namespace {

TEST(AutoscrollOptions, SliderStepsOfFivePercentAndTimeLimits)
{
    EXPECT_EQ(navigator::AutoscrollSliderFromPercentage(33), 6);
    EXPECT_EQ(navigator::AutoscrollSliderFromPercentage(100), 20);
    EXPECT_EQ(navigator::AutoscrollSliderFromPercentage(250), 20);
    int applied = -1;
    long check = 0, resume = 0;
    navigator::CAutoscrollOptionsModel model({}, [&](int pct, bool, bool, long c, long r) {
        applied = pct;
        check = c;
        resume = r;
    });
    model.Values().sliderPosition = 20;
    model.Values().checkSeconds = 1;
    model.Values().resumeSeconds = 30;
    EXPECT_TRUE(model.Validate().empty());
    model.Apply();
    EXPECT_EQ(applied, 100);
    EXPECT_EQ(check, 1);
    EXPECT_EQ(resume, 30);

    model.Values().checkSeconds = 0;
    model.Values().resumeSeconds = 29;
    EXPECT_TRUE(model.Validate().empty());   // both switched off: not the user's to fix
    model.Values().select = true;
    model.Values().resume = true;
    const auto errors = model.Validate();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].field, "checkTime");
    EXPECT_EQ(errors[1].field, "resumeTime");
}

TEST(AutoscrollOptions, EnableRulesAndTheSwitchChangedElsewhere)
{
    navigator::CAutoscrollOptions start;
    start.select = false;
    start.checkSeconds = 0;   // a stored span out of range opens at its least value
    navigator::CAutoscrollOptionsModel model(start, nullptr);
    EXPECT_EQ(model.Values().checkSeconds, 1);
    EXPECT_FALSE(model.CheckEnabled());
    EXPECT_FALSE(model.ResumeEnabled());
    // The user's own click is not undone by the module's unchanged switch...
    model.Values().select = true;
    EXPECT_FALSE(model.FollowSelect(false));
    EXPECT_TRUE(model.Values().select);
    // ...but a switch changed from the menu is taken.
    EXPECT_TRUE(model.FollowSelect(true));
    EXPECT_FALSE(model.FollowSelect(true));
    EXPECT_TRUE(model.FollowSelect(false));
    EXPECT_FALSE(model.Values().select);
}

TEST(MonitoringOptions, SpinStepsOfRadiusAndLimit)
{
    struct Case {
        double from;
        bool up;
        double radius;
        double limit;
    } cases[] = {
        {0.02, false, 0.02, 0.02}, {1.0, false, 0.98, 0.98}, {1.1, false, 1.0, 1.0},
        {4.95, true, 5.05, 5.05},  {5.05, true, 5.05, 5.05}, {0.98, true, 1.0, 1.0},
        {1.0, true, 1.1, 1.1},     {0.5, false, 0.48, 0.48}, {2.0, false, 1.9, 1.9},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(navigator::StepArrivalRadius(c.from, c.up), c.radius) << c.from;
        EXPECT_DOUBLE_EQ(navigator::StepDeviationLimit(c.from, c.up), c.limit) << c.from;
    }
    // Where the two differ: at 1.05 down the radius moves by 0.02, the limit by 0.1.
    EXPECT_DOUBLE_EQ(navigator::StepArrivalRadius(1.05, false), 1.03);
    EXPECT_DOUBLE_EQ(navigator::StepDeviationLimit(1.05, false), 0.95);
}

TEST(MonitoringOptions, LegAdvanceNeedsADetectionAndARouteToAdvanceOn)
{
    navigator::CRouteMonitoringSettings s;
    s.autoWptAdvanceOn = true;
    s.arrivalCircleEntryOn = false;
    s.passingPerpendicularOn = false;
    {
        navigator::CMonitoringOptionsModel model(s, {}, true, nullptr);
        EXPECT_FALSE(model.AutoAdvanceEnabled());
        EXPECT_FALSE(model.Settings().autoWptAdvanceOn);   // cleared while it cannot happen
        model.Settings().passingPerpendicularOn = true;
        EXPECT_TRUE(model.AutoAdvanceEnabled());
        EXPECT_FALSE(model.RadiusEnabled());
    }
    s.arrivalCircleEntryOn = true;
    navigator::CMonitoringOptionsModel oneWaypoint(s, {}, false, nullptr);
    EXPECT_FALSE(oneWaypoint.AutoAdvanceEnabled());
    EXPECT_FALSE(oneWaypoint.Settings().autoWptAdvanceOn);
    EXPECT_TRUE(oneWaypoint.RadiusEnabled());
    EXPECT_EQ(oneWaypoint.radiusText, "0.10");
}

TEST(NavigatorSheet, ARefusedPageAppliesNothingAndUnshownPagesApply)
{
    int scrollApplies = 0, monitorApplies = 0;
    navigator::CRouteMonitoringSettings applied;
    navigator::CAutoscrollOptionsModel scroll(
        {}, [&](int, bool, bool, long, long) { ++scrollApplies; });
    navigator::CMonitoringOptionsModel monitor({}, {}, true, [&](const auto& s, const auto&) {
        ++monitorApplies;
        applied = s;
    });
    app::COptionSheetModel sheet;
    sheet.AddPage(scroll);
    sheet.AddPage(monitor);
    monitor.radiusText = "0";
    const auto refusal = sheet.Apply();
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->page, 1u);
    EXPECT_EQ(refusal->error.message, "Arrival radii (nm) run from 0.02 to 10");
    EXPECT_EQ(scrollApplies + monitorApplies, 0);
    monitor.radiusText = "0.25";
    monitor.limitText = " 1.5 ";
    EXPECT_FALSE(sheet.Ok());
    EXPECT_EQ(scrollApplies, 1);
    EXPECT_EQ(monitorApplies, 1);
    EXPECT_DOUBLE_EQ(applied.arrivalCircleRadius, 0.25);
    EXPECT_DOUBLE_EQ(applied.limitOfDeviation, 1.5);
}

}   // namespace

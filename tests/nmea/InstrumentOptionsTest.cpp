// The instrument pages' models: the autopilot rate's spin and range, the GPS checks.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "nmea/InstrumentOptions.h"

namespace {

TEST(AutopilotOptions, RateSpinsByTenthsBelowASecondAndWholeSecondsAbove)
{
    struct Case {
        double from;
        bool up;
        double to;
    } cases[] = {
        {0.1, false, 0.1}, {0.1, true, 0.2},   {0.9, true, 1.0},  {1.0, true, 2.0},
        {1.0, false, 0.9}, {1.5, false, 0.5},  {2.0, false, 1.0}, {9.0, true, 10.0},
        {9.5, true, 10.0}, {10.0, true, 10.0}, {0.2, false, 0.1},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(nmea::StepAutopilotRate(c.from, c.up), c.to) << c.from << ' ' << c.up;

    // Ten tenths down from one second land on 0.1 exactly, not on 1e-17.
    double v = 1.0;
    for (int i = 0; i < 20; ++i)
        v = nmea::StepAutopilotRate(v, false);
    EXPECT_DOUBLE_EQ(v, 0.1);
}

TEST(AutopilotOptions, RateOutsideATenthToTenSecondsIsRefusedAndNothingApplies)
{
    // The user's locale may use a comma: the page's text is read with a point all the same.
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    int applies = 0;
    double applied = 0.0;
    nmea::CAutopilotOptionsModel model({}, true, [&](std::uint8_t, bool, double rate) {
        ++applies;
        applied = rate;
    });
    for (const char* bad : {"0", "0.0", "0.05", "10.5", "-1", "", "fast", "1,5", "nan", "inf"}) {
        model.Values().rateText = bad;
        const auto errors = model.Validate();
        ASSERT_EQ(errors.size(), 1u) << bad;
        EXPECT_EQ(errors[0].field, "rate");
    }
    for (const char* good : {"0.1", "10", "2.5", " 1.0 "}) {
        model.Values().rateText = good;
        EXPECT_TRUE(model.Validate().empty()) << good;
    }
    model.Values().rateText = "0";
    model.Spin(true);   // a refused text spins from the nearest allowed value
    EXPECT_EQ(model.Values().rateText, "0.2");
    model.Apply();
    EXPECT_EQ(applies, 1);
    EXPECT_DOUBLE_EQ(applied, 0.2);
    std::setlocale(LC_ALL, "C");
}

TEST(GPSOptions, RangesAndApplyGetsTheValuesBefore)
{
    std::vector<std::pair<nmea::CGPSOptions, nmea::CGPSOptions>> calls;
    nmea::CGPSOptionsModel model(
        {}, [&](const auto& now, const auto& before) { calls.emplace_back(now, before); });
    model.Values().validSentenceSeconds = 61;
    model.Values().drDelaySeconds = 0;
    const auto errors = model.Validate();
    ASSERT_EQ(errors.size(), 2u);   // one message per bad field, in field order
    EXPECT_EQ(errors[0].field, "drDelay");
    EXPECT_EQ(errors[1].field, "validTime");

    model.Values() = {};
    model.Values().receivePort = 3;
    model.Apply();
    model.Apply();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].second.receivePort, 0);   // first apply: the port changed
    EXPECT_EQ(calls[1].second.receivePort, 3);   // second: nothing changed, nothing reopens
}

}   // namespace

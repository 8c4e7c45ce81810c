// The panel's position text and the shift it was shown with.
#include "chartpoints/PanelPosition.h"

#include <gtest/gtest.h>

using namespace chartpoints;

namespace {

TEST(PanelPosition, TextsReadBackAndRefuseNonsense)
{
    EXPECT_EQ(LatitudeText(47.912), "47 54.720 N");
    EXPECT_EQ(LongitudeText(-122.5262), "122 31.572 W");
    EXPECT_EQ(LatitudeText(-0.0166666), "00 01.000 S");
    EXPECT_EQ(LatitudeText(47.99999999), "48 00.000 N");   // never 60 minutes
    struct Row {
        const char* text;
        bool latitude;
        std::optional<double> value;
    } rows[] = {
        {"47 54.720 N", true, 47.912},     {"122 31.572 W", false, -122.5262},
        {"47°54.72'N", true, 47.912},      {"-33.5", true, -33.5},
        {"47 54 43.2 n", true, 47.912},    {"91 00.000 N", true, std::nullopt},
        {"47 60.0 N", true, std::nullopt}, {"47 54.7 E", true, std::nullopt},
        {"", true, std::nullopt},          {"N 47", true, std::nullopt},
        {"12x", false, std::nullopt},      {"181", false, std::nullopt},
    };
    for (const Row& r : rows) {
        const std::optional<double> v = ParseAngle(r.text, r.latitude);
        ASSERT_EQ(v.has_value(), r.value.has_value()) << r.text;
        if (v)
            EXPECT_NEAR(*v, *r.value, 1e-9) << r.text;
    }
}

TEST(PanelPosition, ThirdDatumShiftIsTheOneShown)
{
    // Shown in a chart datum 0.002' north and 0.005' east of WGS 84: reading
    // back takes exactly that off, whatever chart is active at Apply.
    CPanelPosition p;
    const geo::CPosition stored(47.6619, -122.4355, 0.0, -1);
    p.ShowShifted(stored, geo::CPosition(47.6619 + 0.002 / 60, -122.4355 + 0.005 / 60));
    const geo::CPosition back = p.Back(p.Shown().GetLatitude(), p.Shown().GetLongitude());
    EXPECT_NEAR(back.GetLatitude(), 47.6619, 1e-12);
    EXPECT_NEAR(back.GetLongitude(), -122.4355, 1e-12);
    EXPECT_EQ(back.GetDatum(), stored.GetDatum());
    // An edit of 1' north moves the stored position 1' north.
    const geo::CPosition moved =
        p.Back(p.Shown().GetLatitude() + 1.0 / 60, p.Shown().GetLongitude());
    EXPECT_NEAR(moved.GetLatitude(), 47.6619 + 1.0 / 60, 1e-12);
    p.Show(stored);
    EXPECT_NEAR(p.Back(47.0, -122.0).GetLatitude(), 47.0, 1e-12);
}

}   // namespace

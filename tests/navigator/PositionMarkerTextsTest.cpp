// The Position Marker page's texts of a track fix: bearings in three digits
// with values within half a degree of north as "000", two decimals for
// speeds and depth, and unknown values (-99.99 or never set) empty.
#include "navigator/PositionMarkerTexts.h"

#include <gtest/gtest.h>

#include "geo/NavMaths.h"

using namespace navigator;

namespace {

std::string Utc(std::chrono::system_clock::time_point t)
{
    return std::to_string(
        std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count());
}

}   // namespace

TEST(PositionMarkerTexts, BearingsSpeedsDepthAndUnknowns)
{
    CTrackFix fix;
    fix.latitude = 47.6062;   // Elliott Bay
    fix.longitude = -122.3421;
    fix.fixType = kFixTenderTarget;
    fix.utc = std::chrono::sys_seconds{std::chrono::seconds{1796644800}};
    fix.cog = 5.4;
    fix.sog = 6.126;
    fix.heading = 359.5;
    fix.speed = 5.0;
    geo::CPositionFormat format;
    CPositionMarkerTexts t = PositionMarkerTexts(fix, format, Utc);
    EXPECT_EQ(t.fixType, "Tender Target");
    EXPECT_EQ(t.time, "1796644800");
    EXPECT_EQ(t.latitude, geo::CPosition(47.6062, -122.3421, 0.0).FormatLatitude(format));
    EXPECT_EQ(t.longitude, geo::CPosition(47.6062, -122.3421, 0.0).FormatLongitude(format));
    EXPECT_EQ(t.cog, "005");
    EXPECT_EQ(t.sog, "6.13");
    EXPECT_EQ(t.heading, "000");
    EXPECT_EQ(t.speed, "5.00");
    EXPECT_EQ(t.depth, "");   // stored as -99.99

    const struct {
        double degrees;
        const char* text;
    } bearings[] = {{0.49, "000"},  {0.5, "001"},           {359.49, "359"},       {359.5, "000"},
                    {180.0, "180"}, {geo::kUnsetValue, ""}, {kUnsetTrackValue, ""}};
    for (const auto& b : bearings) {
        fix.cog = b.degrees;
        EXPECT_EQ(PositionMarkerTexts(fix, format, Utc).cog, b.text) << b.degrees;
    }
    // A fix with no time shows none.
    fix.utc = {};
    EXPECT_EQ(PositionMarkerTexts(fix, format, Utc).time, "");
}

// Every sailing call returns, and quickly, for long ranges, high latitudes,
// NaN, infinities and the unset value: none of them may loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#include <GeographicLib/Rhumb.hpp>

#include "geo/NavMaths.h"

using namespace geo;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The quickest of three runs: a call that loops is slow every time, while a
// preemption or a busy machine only slows one run now and then.
template <class F>
double Microseconds(F&& f)
{
    double best = INFINITY;
    for (int run = 0; run < 3 && best >= 100.0; ++run) {
        const auto start = std::chrono::steady_clock::now();
        f();
        const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

}  // namespace

TEST(Termination, SailingsReturnWithinAMillisecond)
{
    const double lats[] = {0.0, 45.0, -60.0, 89.9, -89.9, 90.0, kNaN, kInf, kUnsetValue, -kUnsetValue};
    const double lons[] = {0.0, 179.9, -180.0, kNaN, kUnsetValue};
    const double ranges[] = {1e-6, 0.5, 100.0, 5400.0, 5401.0, 10800.0, 99999.9, 1e6, kNaN, kInf, kUnsetValue};
    const double bearings[] = {0.0, 45.0, 89.9999999, 90.0, 180.0, 270.0, 359.99, 720.0, -45.0, kNaN, kUnsetValue};
    double worst = 0;
    int calls = 0;
    for (double lat : lats) {
        for (double lon : lons) {
            for (double range : ranges) {
                for (double bearing : bearings) {
                    double outLat = 0, outLon = 0;
                    bool ok = false;
                    const double us = Microseconds(
                        [&] { ok = PositionFromRangeBearing(lat, lon, range, bearing, &outLat, &outLon); });
                    worst = std::max(worst, us);
                    ++calls;
                    if (ok) {
                        EXPECT_TRUE(std::fabs(outLat) <= 90.0 && std::fabs(outLon) <= 180.0)
                            << lat << " " << lon << " " << range << "@" << bearing;
                    } else if (!std::isnan(lat)) {
                        EXPECT_EQ(outLat, lat);   // the start comes back
                    }
                    CPosition out;
                    worst = std::max(worst, Microseconds([&] {
                        PositionAtRangeBearing(CPosition(lat, lon), range, bearing, &out);
                    }));
                }
            }
            for (double lat2 : lats) {
                double range = 0, bearing = 0;
                worst = std::max(worst, Microseconds([&] {
                    RhumbRangeBearing(CPosition(lat, lon), CPosition(lat2, -lon), &range, &bearing, true);
                }));
                EXPECT_FALSE(std::isnan(range) || std::isnan(bearing));
                worst = std::max(worst, Microseconds([&] {
                    GreatCircleRangeBearing(CPosition(lat, lon), CPosition(lat2, -lon), &range, &bearing);
                }));
                EXPECT_FALSE(std::isnan(range) || std::isnan(bearing));
                calls += 2;
            }
        }
    }
    for (double a : {kNaN, kInf, -kInf, kUnsetValue, -kUnsetValue, 1e300, -1e300}) {
        worst = std::max(worst, Microseconds([&] { NormaliseAngle360(a); }));
        worst = std::max(worst, Microseconds([&] { LatitudeFromMeridianArc(a); }));
    }
    EXPECT_LT(worst, 1000.0) << "slowest call in microseconds over " << calls << " calls";
}

TEST(Termination, LongRhumbLinesEndOrFail)
{
    // From high latitudes a long line on any bearing with a northing reaches
    // the pole: a failure, with the start handed back.
    double lat = 0, lon = 0;
    EXPECT_FALSE(PositionFromRangeBearing(89.9, 10.0, 10800.0, 10.0, &lat, &lon));
    EXPECT_EQ(lat, 89.9);
    EXPECT_EQ(lon, 10.0);
    EXPECT_FALSE(PositionFromRangeBearing(89.0, 10.0, 200.0, 0.0, &lat, &lon));   // over the pole
    // Due east at 89.9N for 10800 nm goes round many times and is folded.
    ASSERT_TRUE(PositionFromRangeBearing(89.9, 10.0, 10800.0, 90.0, &lat, &lon));
    EXPECT_EQ(lat, 89.9);
    EXPECT_LE(std::fabs(lon), 180.0);
    // Nearly due east across most of the globe: the long way is sailed, not
    // confused with the short way back.
    const GeographicLib::Rhumb rhumb(GeographicLib::Constants::WGS84_a(), GeographicLib::Constants::WGS84_f());
    for (double bearing : {88.0, 89.5, 271.0}) {
        ASSERT_TRUE(PositionFromRangeBearing(0.0, 0.0, 10800.0, bearing, &lat, &lon));
        double refLat = 0, refLon = 0;
        rhumb.Direct(0.0, 0.0, bearing, 10800.0 * 1852.0, refLat, refLon);
        EXPECT_NEAR(lat, refLat, 1e-5) << bearing;
        EXPECT_NEAR(lon, refLon, 1e-5) << bearing;
    }
}

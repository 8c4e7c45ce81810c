// Every sailing call returns, and quickly, for long ranges, high latitudes,
// NaN, infinities and the unset value: none of them may loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include <GeographicLib/Rhumb.hpp>

#include "geo/NavMaths.h"

using namespace geo;

namespace {

constexpr double kNaN = NAN, kInf = INFINITY;

// Microseconds of the quickest of three runs: a call that loops is slow every
// time, while a busy machine only slows one run now and then.
template <class F>
double Microseconds(F&& f)
{
    double best = INFINITY;
    for (int run = 0; run < 3 && best >= 100.0; ++run) {
        const auto start = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double, std::micro>(
                                  std::chrono::steady_clock::now() - start)
                                  .count());
    }
    return best;
}

}   // namespace

TEST(Termination, SailingsReturnWithinAMillisecond)
{
    const double lats[] = {0.0,  45.0, -60.0, 89.9,        -89.9,
                           90.0, kNaN, kInf,  kUnsetValue, -kUnsetValue};
    const double lons[] = {0.0, 179.9, -180.0, kNaN, kUnsetValue};
    const double ranges[] = {1e-6,    0.5, 100.0, 5400.0, 5401.0,     10800.0,
                             99999.9, 1e6, kNaN,  kInf,   kUnsetValue};
    const double bearings[] = {0.0,    45.0,  89.9999999, 90.0, 180.0,      270.0,
                               359.99, 720.0, -45.0,      kNaN, kUnsetValue};
    double worst = 0;
    for (double lat : lats)
        for (double lon : lons) {
            for (double range : ranges)
                for (double bearing : bearings) {
                    double outLat = 0, outLon = 0;
                    bool ok = false;
                    worst = std::max(worst, Microseconds([&] {
                                         ok = PositionFromRangeBearing(lat, lon, range, bearing,
                                                                       &outLat, &outLon);
                                     }));
                    // An end on the globe, or the start handed back.
                    EXPECT_TRUE(ok ? std::fabs(outLat) <= 90.0 && std::fabs(outLon) <= 180.0
                                   : std::isnan(lat) || outLat == lat)
                        << lat << " " << lon << " " << range << "@" << bearing;
                }
            for (double lat2 : lats) {
                double r1 = 0, b1 = 0, r2 = 0, b2 = 0;
                const CPosition from(lat, lon), to(lat2, -lon);
                worst = std::max(
                    {worst, Microseconds([&] { RhumbRangeBearing(from, to, &r1, &b1, true); }),
                     Microseconds([&] { GreatCircleRangeBearing(from, to, &r2, &b2); })});
                EXPECT_FALSE(std::isnan(r1) || std::isnan(b1) || std::isnan(r2) || std::isnan(b2))
                    << lat << " " << lat2;
            }
        }
    for (double a : {kNaN, kInf, -kInf, kUnsetValue, -kUnsetValue, 1e300, -1e300})
        worst = std::max({worst, Microseconds([&] { NormaliseAngle360(a); }),
                          Microseconds([&] { LatitudeFromMeridianArc(a); })});
    EXPECT_LT(worst, 1000.0) << "slowest call in microseconds";
}

TEST(Termination, LongRhumbLinesEndOrFail)
{
    // A line with any northing that reaches the pole is a failure.
    double lat = 0, lon = 0;
    EXPECT_FALSE(PositionFromRangeBearing(89.9, 10.0, 10800.0, 10.0, &lat, &lon));
    EXPECT_FALSE(PositionFromRangeBearing(89.0, 10.0, 200.0, 0.0, &lat, &lon));
    // Due east at 89.9N for 10800 nm goes round many times and is folded.
    ASSERT_TRUE(PositionFromRangeBearing(89.9, 10.0, 10800.0, 90.0, &lat, &lon));
    EXPECT_TRUE(lat == 89.9 && std::fabs(lon) <= 180.0) << lon;
    // Nearly due east across most of the globe: the long way is sailed, not
    // confused with the short way back.
    const GeographicLib::Rhumb rhumb(GeographicLib::Constants::WGS84_a(),
                                     GeographicLib::Constants::WGS84_f());
    for (double bearing : {88.0, 89.5, 271.0}) {
        double refLat = 0, refLon = 0;
        ASSERT_TRUE(PositionFromRangeBearing(0.0, 0.0, 10800.0, bearing, &lat, &lon));
        rhumb.Direct(0.0, 0.0, bearing, 10800.0 * 1852.0, refLat, refLon);
        EXPECT_TRUE(std::fabs(lat - refLat) <= 1e-5 && std::fabs(lon - refLon) <= 1e-5)
            << bearing << ": " << lat << "," << lon;
    }
}

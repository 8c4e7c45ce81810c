// Positions: range checks, the valid flag through copies and refusals, and the
// display text with its rounding carried into the next unit.
#include <gtest/gtest.h>

#include "geo/Position.h"

using geo::CDegreesPos;
using geo::CPosition;

// Bounds are inclusive; a refused value or position changes nothing, and
// Set checks both angles before storing either.
TEST(Position, RefusalsChangeNothing)
{
    CDegreesPos lat(10.0, -90.0, 90.0);
    EXPECT_TRUE(lat.SetValue(90.0) && lat.SetValue(-90.0));
    for (double bad : {90.0000001, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(lat.SetValue(bad)) << bad;
    EXPECT_EQ(lat.GetValue(), -90.0);
    EXPECT_FALSE(CDegreesPos(180.5, -180.0, 180.0).IsValid());
    CPosition p(10.0, 20.0, 5.0, 0);
    EXPECT_FALSE(p.Set(30.0, 200.0, 7.0, 0));   // valid latitude, invalid longitude
    EXPECT_FALSE(p.Set(-91.0, 0.0, 0.0, 0));
    EXPECT_TRUE(p.IsValid() && p.GetLatitude() == 10.0 && p.GetLongitude() == 20.0 &&
                p.GetAltitude() == 5.0);
    EXPECT_TRUE(p.Set(-90.0, 180.0, 1.0, 3) && p.GetLongitude() == 180.0);
    // An offset past the pole or the 180-degree meridian leaves that axis.
    CPosition q(89.5, 179.5);
    q.OffsetMinutes(60.0, 60.0, 0);
    EXPECT_TRUE(q.GetLatitude() == 89.5 && q.GetLongitude() == 179.5);
    q.OffsetMinutes(-30.0, -30.0, 0);
    EXPECT_DOUBLE_EQ(q.GetLatitude(), 89.0);
    EXPECT_DOUBLE_EQ(q.GetLongitude(), 179.0);
}

TEST(Position, CopiesKeepTheValidFlag)
{
    CPosition p(50.0, -1.0), assigned;
    p.Invalidate();
    assigned = p;
    EXPECT_FALSE(CPosition(p).IsValid() || assigned.IsValid());
    CPosition target(1.0, 1.0);
    EXPECT_FALSE(target.SetFrom(CPosition(95.0, 0.0)) || target.IsValid());
}

// Equality is exact and covers every field; the display text without a format
// of its own follows the program-wide one, 2 decimals of minutes at start.
TEST(Position, EqualityAndProgramWideFormat)
{
    const CPosition p(50.5, -1.25, 3.0, 2);
    CPosition invalid = p;
    invalid.Invalidate();
    for (const CPosition& other : {CPosition(50.5, -1.25, 3.0, 3), CPosition(50.5, -1.25, 3.5, 2),
                                   CPosition(50.5 + 1e-12, -1.25, 3.0, 2), invalid})
        EXPECT_TRUE(p != other && !(p == other));
    EXPECT_TRUE(p == CPosition(50.5, -1.25, 3.0, 2));

    const geo::CPositionFormat before = geo::DisplayFormat();
    EXPECT_EQ(before.decimalPlaces, 2);
    EXPECT_FALSE(before.degMinSec);
    EXPECT_EQ(p.FormatLatitude() + " " + p.FormatLongitude(), "50\u00B030.00'N 001\u00B015.00'W");
    geo::SetDisplayFormat({3, true});
    const CPosition q(50.5125, -1.25);
    EXPECT_EQ(q.FormatLatitude() + " " + q.FormatLongitude(),
              "50\u00B030'45.000N 001\u00B015'00.000W");
    geo::SetDisplayFormat({0, false});
    EXPECT_EQ(q.FormatLatitude() + " " + q.FormatLongitude(), "50\u00B0031'N 001\u00B0015'W");
    geo::SetDisplayFormat(before);
}

TEST(Position, DisplayTextNeverReadsSixty)
{
    const struct {
        double lat, lon;
        geo::CPositionFormat format;
        const char* latText;
        const char* lonText;
    } rows[] = {
        {50.5, -1.25, {2, false}, "50\u00B030.00'N", "001\u00B015.00'W"},
        {-0.0, 0.0, {2, false}, "00\u00B000.00'N", "000\u00B000.00'E"},
        {-0.5, 0.5, {2, false}, "00\u00B030.00'S", "000\u00B030.00'E"},
        {50.5, 1.0, {0, false}, "50\u00B0030'N", "001\u00B0000'E"},
        {50.5125, -179.5, {2, true}, "50\u00B030'45.00N", "179\u00B030'00.00W"},
        // Rounding that reaches 60 carries into the next unit.
        {49.99999999, -9.9999999, {2, false}, "50\u00B000.00'N", "010\u00B000.00'W"},
        {12.0 + 59.999 / 60.0,
         1.0 + 59.0 / 60.0 + 59.9999 / 3600.0,
         {2, true},
         "12\u00B059'59.94N",
         "002\u00B000'00.00E"},
        {89.99999999, 179.999999999, {1, true}, "90\u00B000'00.0N", "180\u00B000'00.0E"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(CPosition(r.lat, r.lon).FormatLatitude(r.format) + " " +
                      CPosition(r.lat, r.lon).FormatLongitude(r.format),
                  std::string(r.latText) + " " + r.lonText);
}

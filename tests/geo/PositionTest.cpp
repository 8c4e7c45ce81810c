// Positions: range checks, the valid flag through copies and refusals, and the
// display text with its rounding carried into the next unit.
#include <gtest/gtest.h>

#include "geo/DatumInfo.h"
#include "geo/Position.h"

using geo::CDegreesPos;
using geo::CPosition;

TEST(DegreesPos, BoundsAreInclusiveAndRefusalsKeepTheValue)
{
    CDegreesPos lat(10.0, -90.0, 90.0);
    EXPECT_TRUE(lat.SetValue(90.0));
    EXPECT_TRUE(lat.SetValue(-90.0));
    EXPECT_FALSE(lat.SetValue(90.0000001));
    EXPECT_FALSE(lat.SetValue(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(lat.SetValue(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(lat.GetValue(), -90.0);
    EXPECT_FALSE(CDegreesPos(180.5, -180.0, 180.0).IsValid());
    EXPECT_FALSE(CDegreesPos(std::numeric_limits<double>::quiet_NaN(), -180.0, 180.0).IsValid());
}

TEST(Position, RefusedSetChangesNothing)
{
    CPosition p(10.0, 20.0, 5.0, 0);
    EXPECT_FALSE(p.Set(30.0, 200.0, 7.0, 0));   // valid latitude, invalid longitude
    EXPECT_EQ(p.GetLatitude(), 10.0);
    EXPECT_EQ(p.GetLongitude(), 20.0);
    EXPECT_EQ(p.GetAltitude(), 5.0);
    EXPECT_FALSE(p.Set(-91.0, 0.0, 0.0, 0));
    EXPECT_TRUE(p.IsValid());
    EXPECT_TRUE(p.Set(-90.0, 180.0, 1.0, 3));
    EXPECT_EQ(p.GetLongitude(), 180.0);
}

TEST(Position, CopiesKeepTheValidFlag)
{
    CPosition p(50.0, -1.0);
    p.Invalidate();
    const CPosition copy(p);
    EXPECT_FALSE(copy.IsValid());
    CPosition assigned;
    assigned = p;
    EXPECT_FALSE(assigned.IsValid());
    CPosition target(1.0, 1.0);
    EXPECT_FALSE(target.SetFrom(CPosition(95.0, 0.0)));
    EXPECT_FALSE(target.IsValid());
}

TEST(Position, OffsetOutOfRangeLeavesThatAxis)
{
    CPosition p(89.5, 179.5);
    p.OffsetMinutes(60.0, 60.0, 0);
    EXPECT_EQ(p.GetLatitude(), 89.5);
    EXPECT_EQ(p.GetLongitude(), 179.5);
    p.OffsetMinutes(-30.0, -30.0, 0);
    EXPECT_DOUBLE_EQ(p.GetLatitude(), 89.0);
    EXPECT_DOUBLE_EQ(p.GetLongitude(), 179.0);
}

TEST(Position, DisplayText)
{
    struct Row {
        double lat, lon;
        geo::CPositionFormat format;
        const char* latText;
        const char* lonText;
    };
    const Row rows[] = {
        {50.5, -1.25, {2, false}, "50\u00B030.00'N", "001\u00B015.00'W"},
        {-0.0, 0.0, {2, false}, "00\u00B000.00'N", "000\u00B000.00'E"},
        {-0.5, 0.5, {2, false}, "00\u00B030.00'S", "000\u00B030.00'E"},
        {50.5, 1.0, {0, false}, "50\u00B0030'N", "001\u00B0000'E"},
        {50.5125, -179.5, {2, true}, "50\u00B030'45.00N", "179\u00B030'00.00W"},
        // Rounding that reaches 60 carries: never 60 minutes or seconds.
        {49.99999999, -9.9999999, {2, false}, "50\u00B000.00'N", "010\u00B000.00'W"},
        {12.0 + 59.999 / 60.0, 1.0 + 59.0 / 60.0 + 59.9999 / 3600.0, {2, true},
         "12\u00B059'59.94N", "002\u00B000'00.00E"},
        {89.99999999, 179.999999999, {1, true}, "90\u00B000'00.0N", "180\u00B000'00.0E"},
    };
    for (const Row& r : rows) {
        const CPosition p(r.lat, r.lon);
        EXPECT_EQ(p.FormatLatitude(r.format), r.latText) << r.lat;
        EXPECT_EQ(p.FormatLongitude(r.format), r.lonText) << r.lon;
    }
}

TEST(Position, DefaultDatumIsTheWgs84Row)
{
    geo::CDatumInfo::FreeTable();
    // Without a loaded table the default stays "none".
    EXPECT_EQ(CPosition(0, 0, 0, -1).GetDatum(), geo::DatumIndexWGS84());
    CPosition p(1.0, 1.0, 0.0, 4);
    EXPECT_TRUE(p.Set(2.0, 2.0, 0.0, 0xFFFF));
    EXPECT_EQ(p.GetDatum(), geo::DatumIndexWGS84());
    EXPECT_EQ(CPosition(0, 0, 0, 7).GetDatum(), 7);
}

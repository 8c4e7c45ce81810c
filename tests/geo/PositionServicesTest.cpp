// What the chart services, tables, instruments, routes and targets rely on of
// positions, the datum table and the navigation geometry, asserted through the
// same calls they make: the answers at the edges they depend on.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

#include "TempFolder.h"
#include "geo/Clipping.h"
#include "geo/DatumInfo.h"
#include "geo/GreatCircle.h"
#include "geo/NavMaths.h"
#include "geo/Position.h"

using geo::CDatumInfo;
using geo::CPosition;

namespace {

// A table with the fallback row first, WGS 84 third (flag 3) and a chart
// default row, as the program folder's file lays them out.
class WithDatums : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto row = [](std::string name, std::string code, std::string code2, char flag) {
            name.resize(16, ' '), code.resize(12, ' '), code2.resize(20, ' ');
            return "    " + name + code + code2 + flag + "\n";
        };
        std::ofstream(m_dir / "Datums.txt", std::ios::binary)
            << row("Unknown", "UNK", "999", '2') << row("European 1950", "EUR", "E50", ' ')
            << row("WGS 84", "WGE", "W84", '3') << row("Chart datum", "LOC", "", '1');
        ASSERT_TRUE(CDatumInfo::LoadTable(m_dir.Path()));
    }
    void TearDown() override { CDatumInfo::FreeTable(); }
    brine_test::TempFolder m_dir;
};

}   // namespace

TEST_F(WithDatums, RecordsConstructPositionsOnTheWgs84RowAndCopiesKeepEveryField)
{
    // The tables construct theirs with everything 0 and datum -1.
    const CPosition zero(0.0, 0.0, 0.0, -1);
    EXPECT_EQ(zero.GetDatum(), 2u);
    EXPECT_EQ(zero.GetDatumName(), "WGS 84");
    EXPECT_TRUE(zero.IsValid());
    EXPECT_EQ(zero.GetLatHemisphere(), 'N');   // at 0: north and east
    EXPECT_EQ(zero.GetLonHemisphere(), 'E');

    CPosition a(47.5, -122.25, 3.0, 1);
    CPosition copy(a);
    EXPECT_FALSE(copy != a);
    copy.Set(47.5, -122.25, 3.0, 0);   // only the datum differs
    EXPECT_TRUE(copy != a);
    copy = a;
    EXPECT_FALSE(copy != a);
    EXPECT_EQ(std::string(1, a.GetLatHemisphere()) + a.GetLonHemisphere(), "NW");
    EXPECT_EQ(CPosition(-0.01, 0.01).GetLatHemisphere(), 'S');

    a.Invalidate();
    EXPECT_FALSE(a.IsValid());
    EXPECT_TRUE(a != copy);   // the valid flag is one of the values compared
}

TEST_F(WithDatums, SetAcceptsBothAnglesInRangeOnlyAndSetFromReportsValidity)
{
    CPosition p(10.0, 20.0, 5.0, 1);
    p.Invalidate();
    // The older-format imports: altitude 0 and datum 65535.
    EXPECT_TRUE(p.Set(90.0, -180.0, 0.0, 65535));
    EXPECT_TRUE(p.IsValid());
    EXPECT_EQ(p.GetDatum(), geo::DatumIndexWGS84());
    EXPECT_EQ(p.GetDatumName(), "WGS 84");

    EXPECT_FALSE(p.Set(90.001, 0.0, 0.0, 1));
    EXPECT_FALSE(p.Set(0.0, 180.5, 0.0, 1));
    EXPECT_EQ(p.GetLatitude(), 90.0);
    EXPECT_EQ(p.GetLongitude(), -180.0);

    CPosition target;
    EXPECT_TRUE(target.SetFrom(CPosition(-33.5, 151.25, 0.0, 1)));
    EXPECT_EQ(target.GetDatumName(), "European 1950");
    EXPECT_FALSE(target.SetFrom(CPosition(-95.0, 0.0)));   // an out-of-range source
    EXPECT_FALSE(target.IsValid());

    // Moved by minutes on each axis, then on the new datum.
    CPosition moved(50.0, -1.0, 0.0, 1);
    moved.OffsetMinutes(30.0, -90.0, 65535);
    EXPECT_NEAR(moved.GetLatitude(), 50.5, 1e-12);
    EXPECT_NEAR(moved.GetLongitude(), -2.5, 1e-12);
    EXPECT_EQ(moved.GetDatum(), geo::DatumIndexWGS84());
}

TEST(DegreesPos, SetValueKeepsTheOldValueOutsideTheBoundsAndSplitsTheAbsoluteValue)
{
    geo::CDegreesPos lat(12.0, -90.0, 90.0);
    EXPECT_FALSE(lat.SetValue(-90.5));
    EXPECT_FALSE(lat.SetValue(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(lat.GetValue(), 12.0);
    EXPECT_TRUE(lat.SetValue(-47.6050));
    EXPECT_EQ(lat.GetDegrees(), 47);
    EXPECT_NEAR(lat.GetMinutes(), 36.3, 1e-9);
}

TEST_F(WithDatums, LookupsByCodeAndNameFallBackToTheFallbackRow)
{
    EXPECT_EQ(CDatumInfo::RowCount(), 4u);
    EXPECT_EQ(CDatumInfo::FindByCode("EUR"), 1u);
    EXPECT_EQ(CDatumInfo::FindByCode("XYZ"), geo::DatumIndexFallback());
    EXPECT_EQ(CDatumInfo::FindByName("WGS 84"), geo::DatumIndexWGS84());
    EXPECT_EQ(CDatumInfo::FindByName("Nowhere"), geo::DatumIndexFallback());
    EXPECT_EQ(CDatumInfo::GetName(1), "European 1950");
    EXPECT_EQ(CDatumInfo::GetCode(1), "EUR");
    EXPECT_EQ(CDatumInfo::GetCode2(1), "E50");
    // Past the table: the fallback row's name.
    EXPECT_EQ(CDatumInfo::GetName(40), "Unknown");
    // The chart default row, set when the file is read.
    EXPECT_EQ(geo::DatumIndexChart(), 3u);
}

TEST_F(WithDatums, RangeBearingAndTheInverseWorkOnTheStartDatum)
{
    const CPosition from(47.6, -122.4, 0.0, 1);
    double range = -1, bearing = -1;
    EXPECT_TRUE(geo::RhumbRangeBearing(from, from, &range, &bearing, false));
    EXPECT_EQ(range, 0.0);
    EXPECT_EQ(bearing, 0.0);
    // The same place on another datum is not an equal position: a parallel
    // of no length, which has no way east and so is sailed west.
    EXPECT_TRUE(
        geo::RhumbRangeBearing(from, CPosition(47.6, -122.4, 0.0, 2), &range, &bearing, false));
    EXPECT_EQ(range, 0.0);
    EXPECT_EQ(bearing, 270.0);

    // Due north one degree is about 60 nautical miles on the meridian.
    EXPECT_TRUE(geo::RhumbRangeBearing(from, CPosition(48.6, -122.4), &range, &bearing, false));
    EXPECT_NEAR(range, 60.0, 0.3);
    EXPECT_NEAR(bearing, 0.0, 1e-9);

    // Across the 180th meridian only when the flag allows it.
    const CPosition west(0.0, 179.5), east(0.0, -179.5);
    EXPECT_TRUE(geo::RhumbRangeBearing(west, east, &range, &bearing, true));
    EXPECT_NEAR(range, 60.0, 0.2);
    EXPECT_NEAR(bearing, 90.0, 1e-9);
    EXPECT_TRUE(geo::RhumbRangeBearing(west, east, &range, &bearing, false));
    EXPECT_NEAR(bearing, 270.0, 1e-9);
    EXPECT_GT(range, 21000.0);

    CPosition out;
    ASSERT_TRUE(geo::PositionAtRangeBearing(from, 10.0, 45.0, &out));
    EXPECT_EQ(out.GetDatum(), 1u);
    EXPECT_TRUE(geo::RhumbRangeBearing(from, out, &range, &bearing, false));
    EXPECT_NEAR(range, 10.0, 1e-6);
    EXPECT_NEAR(bearing, 45.0, 1e-6);

    // 12 knots for half an hour is 6 nautical miles along the course.
    ASSERT_TRUE(geo::PositionAtRangeBearingEx(from, 12.0, 1800.0, 90.0, &out));
    EXPECT_TRUE(geo::RhumbRangeBearing(from, out, &range, &bearing, false));
    EXPECT_NEAR(range, 6.0, 1e-6);
    EXPECT_NEAR(bearing, 90.0, 1e-6);

    // A bearing past 360 comes to the same destination as its folded value.
    double lat1 = 0, lon1 = 0, lat2 = 0, lon2 = 0;
    ASSERT_TRUE(geo::PositionFromRangeBearing(10.0, 20.0, 30.0, 30.0, &lat1, &lon1));
    ASSERT_TRUE(geo::PositionFromRangeBearing(10.0, 20.0, 30.0, 390.0, &lat2, &lon2));
    EXPECT_NEAR(lat1, lat2, 1e-9);
    EXPECT_NEAR(lon1, lon2, 1e-9);

    double gcRange = 0, gcBearing = 0;
    EXPECT_TRUE(geo::GreatCircleRangeBearing(CPosition(0.0, 0.0), CPosition(0.0, 1.0), &gcRange,
                                             &gcBearing));
    EXPECT_NEAR(gcRange, 60.11, 0.01);   // one degree of the ellipsoid's equator
    EXPECT_NEAR(gcBearing, 90.0, 1e-6);
}

TEST(NavigationHelpers, RoundingTruncationAnglesAndUnits)
{
    EXPECT_EQ(geo::RoundToInt(10.5), 10);
    EXPECT_EQ(geo::RoundToInt(-10.5), -10);
    EXPECT_EQ(geo::RoundToInt(10.51), 11);
    EXPECT_EQ(geo::FtoI64(-7.9), -7);
    EXPECT_EQ(geo::FtoI64(5.0e12 + 0.99), 5000000000000LL);
    EXPECT_EQ(geo::AddAngles(350.0, 20.0), 10.0);
    EXPECT_EQ(geo::SubtractAngles(10.0, 20.0), 350.0);
    EXPECT_EQ(geo::AddAngles(180.0, 180.0), 0.0);
    EXPECT_EQ(geo::NormaliseAngle360(-720.0 - 45.0), 315.0);
    EXPECT_DOUBLE_EQ(geo::RadToDeg(1.0), 57.29577951308);
    EXPECT_NEAR(geo::RadToDeg(geo::DegToRad(123.0)), 123.0, 1e-9);
    EXPECT_DOUBLE_EQ(geo::MetresToNauticalMiles(1852.0), 1.0);
}

TEST(PolygonHelpers, BoundsParityAndPointCopies)
{
    const geo::IntRect empty = geo::PolygonBounds({});
    EXPECT_EQ(empty.left, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(empty.top, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(empty.right, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(empty.bottom, std::numeric_limits<std::int32_t>::min());

    EXPECT_FALSE(geo::PointInPolygon({1, 1}, {{0, 0}, {10, 10}}));   // a line is no area
    const geo::IntPolygon square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    EXPECT_TRUE(geo::PointInPolygon({5, 5}, square));
    EXPECT_FALSE(geo::PointInPolygon({15, 5}, square));
    // A U shape: the notch is inside the bounds but outside by crossing parity.
    const geo::IntPolygon u{{0, 0},   {30, 0},  {30, 30}, {20, 30},
                            {20, 10}, {10, 10}, {10, 30}, {0, 30}};
    EXPECT_FALSE(geo::PointInPolygon({15, 20}, u));
    EXPECT_TRUE(geo::PointInPolygon({5, 20}, u));

    geo::IntPolygon points{{7, 7}};
    geo::AppendPolygonPoints({CPosition(1.0, 2.0), CPosition(-3.0, 4.0)}, &points);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0], (geo::IntPoint{7, 7}));
    EXPECT_EQ(points[1], geo::PositionToIntPosition(CPosition(1.0, 2.0)));
}

TEST(GreatCircleLimits, VertexAtTheLimitWhenBothEndsShareAHemisphere)
{
    EXPECT_TRUE(geo::IsBeyondNorthLimit(60.0, 61.0, 10.0));
    EXPECT_FALSE(geo::IsBeyondNorthLimit(60.0, 60.0, 10.0));
    EXPECT_TRUE(geo::IsBeyondSouthLimit(60.0, 10.0, -60.5));
    EXPECT_FALSE(geo::IsBeyondSouthLimit(60.0, 10.0, -60.0));

    double vertex = 0;
    // North Pacific: the great circle from Japan to California rises past 45N.
    const CPosition tokyo(35.0, 140.0), sanFrancisco(37.8, -122.5);
    EXPECT_TRUE(geo::GreatCircleVertex(tokyo, sanFrancisco, true, true, 45.0, 45.0, &vertex));
    EXPECT_EQ(vertex, 45.0);
    EXPECT_FALSE(geo::GreatCircleVertex(tokyo, sanFrancisco, true, true, 60.0, 60.0, &vertex));
    EXPECT_EQ(vertex, 60.0);
    // The southern ocean: the vertex is negative.
    const CPosition capeTown(-34.0, 18.0), melbourne(-38.0, 145.0);
    EXPECT_TRUE(geo::GreatCircleVertex(capeTown, melbourne, true, true, 50.0, 45.0, &vertex));
    EXPECT_EQ(vertex, -45.0);
    // Ends in different hemispheres, or the limit not applied: 90 and false.
    EXPECT_FALSE(geo::GreatCircleVertex(tokyo, capeTown, true, true, 45.0, 45.0, &vertex));
    EXPECT_EQ(vertex, 90.0);
    EXPECT_FALSE(geo::GreatCircleVertex(tokyo, sanFrancisco, false, true, 45.0, 45.0, &vertex));
    EXPECT_EQ(vertex, 90.0);

    double total = 0, initial = 0;
    CPosition first, second;
    ASSERT_TRUE(
        geo::CompositeLimitPoints(tokyo, sanFrancisco, 45.0, &total, &initial, &first, &second));
    EXPECT_NEAR(first.GetLatitude(), 45.0, 1e-9);
    EXPECT_NEAR(second.GetLatitude(), 45.0, 1e-9);
    double direct = 0, bearing = 0;
    geo::GreatCircleRangeBearing(tokyo, sanFrancisco, &direct, &bearing);
    EXPECT_GT(total, direct);   // the composite track is longer than the great circle
}

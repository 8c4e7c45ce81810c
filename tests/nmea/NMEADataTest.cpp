#include "nmea/NMEAData.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(NMEAData, ResetRestoresEveryField)
{
    nmea::CNMEAData data;
    ASSERT_TRUE(data.position.Set(50.5, -1.25, 12.0, 3));
    data.positionFlag = 0;
    data.numbers.fill(7.0);
    data.furtherNumbers.fill(8.0);
    data.changed = 0;
    data.entries[1] = {1.0, 2.0};
    data.firstTexts[0] = "kn";
    data.secondTexts[1] = "m";
    data.flags = {1, 1};

    data.Reset();
    EXPECT_TRUE(data.position.IsValid());
    EXPECT_EQ(data.position, geo::CPosition());
    EXPECT_EQ(data.position.GetDatum(), geo::CPosition().GetDatum());
    EXPECT_EQ(data.positionFlag, 1);
    for (double n : data.numbers)
        EXPECT_EQ(n, 0.0);
    // "No value" is the largest finite double, bit for bit, as stored records expect.
    for (double n : data.furtherNumbers) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &n, sizeof bits);
        EXPECT_EQ(bits, 0x7FEFFFFFFFFFFFFFull);
    }
    EXPECT_EQ(data.changed, 1);
    EXPECT_EQ(data.entries[1].first, 0.0);
    EXPECT_EQ(data.entries[1].second, 0.0);
    EXPECT_TRUE(data.firstTexts[0].empty());
    EXPECT_TRUE(data.secondTexts[1].empty());
    EXPECT_EQ(data.flags[0] + data.flags[1], 0);
}

TEST(NavData, ResetKeepsTheFirstPosition)
{
    nmea::CNavData nav;
    ASSERT_TRUE(nav.positions[0].Set(10.0, 20.0, 0.0, 0xFFFF));
    ASSERT_TRUE(nav.positions[2].Set(11.0, 21.0, 0.0, 0xFFFF));
    nav.numbers.fill(1.0);
    const geo::CPosition own = nav.positions[0];
    nav.Reset();
    EXPECT_EQ(nav.positions[0], own);
    EXPECT_TRUE(nav.positions[0].IsValid());
    for (std::size_t i = 1; i < nav.positions.size(); ++i)
        EXPECT_FALSE(nav.positions[i].IsValid()) << i;
    for (double n : nav.numbers)
        EXPECT_EQ(n, nmea::kNoValue);
}

}  // namespace

#include "nmea/NMEAData.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(NMEAData, ResetMarksFurtherNumbersAsNoValue)
{
    nmea::CNMEAData data;
    ASSERT_TRUE(data.position.Set(50.5, -1.25, 12.0, 3));
    data.furtherNumbers.fill(8.0);
    data.Reset();
    EXPECT_EQ(data.position, geo::CPosition());
    // "No value" is the largest finite double, bit for bit, as stored records expect.
    for (double n : data.furtherNumbers) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &n, sizeof bits);
        EXPECT_EQ(bits, 0x7FEFFFFFFFFFFFFFull);
    }
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

// Compass deviation entries: read all sixteen, or store none.
#include <gtest/gtest.h>

#include "navigator/DeviationEntries.h"

namespace {

TEST(DeviationEntries, EntriesReadAsDegreesEastPositive)
{
    struct Case {
        const char* text;
        std::optional<double> degrees;
    } cases[] = {
        {"", 0.0},
        {"  ", 0.0},
        {"0.0E", 0.0},
        {"3.5", 3.5},
        {"3.5E", 3.5},
        {"3.5W", -3.5},
        {"3.5w", -3.5},
        {"2e", 2.0},
        {"-1.5W", 1.5},
        {" 4 W ", -4.0},
        {".5", 0.5},
        {"180W", -180.0},
        {"3.5X", std::nullopt},
        {"W", std::nullopt},
        {"abc", std::nullopt},
        {"1.2.3", std::nullopt},
        {"1-2", std::nullopt},
        {"N", std::nullopt},
        {"1e5", std::nullopt},
        {"181", std::nullopt},
        {"nan", std::nullopt},
        {"1,5", std::nullopt},
        {"-", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto got = navigator::ParseDeviationEntry(c.text);
        ASSERT_EQ(got.has_value(), c.degrees.has_value()) << c.text;
        if (got)
            EXPECT_DOUBLE_EQ(*got, *c.degrees) << c.text;
    }
}

TEST(DeviationEntries, ABadEntryAnywhereStoresNothing)
{
    std::array<std::string, navigator::kDeviationEntries> entries;
    for (int i = 0; i < navigator::kDeviationEntries; ++i)
        entries[static_cast<std::size_t>(i)] = std::to_string(i) + (i % 2 ? "W" : "E");
    const auto good = navigator::ParseDeviationEntries(entries);
    EXPECT_EQ(good.badEntry, -1);
    EXPECT_DOUBLE_EQ(good.degrees[3], -3.0);
    EXPECT_DOUBLE_EQ(good.degrees[4], 4.0);

    entries[15] = "2Q";   // the last entry: the fifteen before it must not be kept either
    const auto bad = navigator::ParseDeviationEntries(entries);
    EXPECT_EQ(bad.badEntry, 15);
    EXPECT_EQ(bad.message, "Invalid deviation : 2Q");
    for (double d : bad.degrees)
        EXPECT_EQ(d, 0.0);
}

}   // namespace

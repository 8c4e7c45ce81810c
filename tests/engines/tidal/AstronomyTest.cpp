// Our constituents' speeds, equilibrium arguments and node factors against
// the tables of Debian's harmonic database, read with libtcd.

#include "engines/tidal/Constituents.h"

#include <gtest/gtest.h>
#include <tcd.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace {

const char* const kDatabase = "/usr/share/xtide/harmonics-dwf-20191229-free.tcd";

double AngleGap(double a, double b)
{
    return std::fabs(std::remainder(a - b, 360.0));
}

TEST(TidalAstronomy, AllConstituentsAgreeWithPublishedTables1970To2100)
{
    if (!std::filesystem::exists(kDatabase))
        GTEST_SKIP() << "xtide-data is not installed";
    ASSERT_TRUE(open_tide_db(const_cast<char*>(kDatabase)));
    const DB_HEADER_PUBLIC db = get_tide_db_header();
    ASSERT_LE(db.start_year, 1970);
    ASSERT_GE(db.start_year + int(db.number_of_years) - 1, 2100);

    double worstV = 0, worstF = 0;
    std::string worstVName, worstFName;
    for (std::size_t i = 0; i < tidal::kConstituentCount; ++i) {
        std::string name(tidal::ConstituentName(i));
        // The database spells lambda 2 the other way.
        const int k = find_constituent(const_cast<char*>(name == "LAM2" ? "LDA2" : name.c_str()));
        ASSERT_GE(k, 0) << name;
        EXPECT_NEAR(tidal::ConstituentSpeed(i), get_speed(k), 1e-6) << name;
        for (int year = 1970; year <= 2100; ++year) {
            const auto args = tidal::ArgumentsForYear(year);
            const double dv =
                AngleGap(args.equilibrium[i], get_equilibrium(k, year - db.start_year));
            const double df =
                std::fabs(args.nodeFactor[i] - get_node_factor(k, year - db.start_year));
            if (dv > worstV) {
                worstV = dv;
                worstVName = name + " " + std::to_string(year);
            }
            if (df > worstF) {
                worstF = df;
                worstFName = name + " " + std::to_string(year);
            }
        }
    }
    close_tide_db();
    RecordProperty("worst_equilibrium", worstVName);
    RecordProperty("worst_node_factor", worstFName);
    std::printf("worst V0+u %.4f deg (%s), worst f %.5f (%s)\n", worstV, worstVName.c_str(), worstF,
                worstFName.c_str());
    EXPECT_LT(worstV, 0.05) << worstVName;
    EXPECT_LT(worstF, 0.0005) << worstFName;
}

TEST(TidalAstronomy, NamesFoundWithoutCaseAndBothLambdaSpellings)
{
    EXPECT_EQ(tidal::FindConstituent("m2"), tidal::FindConstituent("M2"));
    EXPECT_EQ(tidal::FindConstituent("LDA2"), tidal::FindConstituent("LAM2"));
    EXPECT_FALSE(tidal::FindConstituent("M2X"));
    EXPECT_FALSE(tidal::FindConstituent(""));
}

}   // namespace

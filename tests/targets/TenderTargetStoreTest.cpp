// The tender line parser: the line's form (prefix, four-digit serial,
// checksum, 82 characters), RMC creating a tender once and storing signed
// ddmm.mmm, DBT and MOVB only for a tender that exists, slots cleared and
// made anew.
#include "targets/TenderTargetStore.h"

#include <gtest/gtest.h>

#include "FakeClock.h"
#include "TenderJoined.h"
#include "nmea/NMEAValueIndex.h"

using namespace targets;
namespace item = nmea::item;

namespace {

std::string WithChecksum(const std::string& body)
{
    unsigned sum = 0;
    for (std::size_t i = 1; i < body.size(); ++i)
        sum ^= static_cast<unsigned char>(body[i]);
    const char* hex = "0123456789ABCDEF";
    return body + "*" + hex[(sum >> 4) & 15] + hex[sum & 15];
}

const std::string kRmc = "$PABX,1234,RMC,123519,A,4736.000,N,12224.000,W,3.5,359.7,071226,15.0,E";

unsigned XorAfterDollar(std::string_view line)
{
    unsigned sum = 0;
    for (const char c : line.substr(1))
        sum ^= static_cast<unsigned char>(c);
    return sum;
}

// The line with one more field of two letters or digits whose XOR with the
// rest is `sum`, so that a short checksum such as "*C" or "*" (0) holds.
std::string WithXor(const std::string& line, unsigned sum)
{
    const std::string_view kChars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (const char a : kChars)
        for (const char b : kChars) {
            const std::string padded = line + "," + a + b;
            if (XorAfterDollar(padded) == sum)
                return padded;
        }
    return {};
}

}   // namespace

TEST(TenderLine, FormIsChecked)
{
    std::string at82 = "$PABX,1234,DBT,";
    at82 += std::string(kTenderLineMax - at82.size(), '1');
    const struct {
        std::string line;
        bool ok;
    } cases[] = {
        {kRmc, true},
        {"$pabx,1234,MOVB", true},
        {"$PABX,1234,MOVB\r\n", true},
        {WithChecksum("$PABX,0007,MOVB"), true},
        {WithChecksum("$PABX,0007,MOVB").substr(0, 16) + "00", false},
        {"$PABX,0007,MOVB*4", false},
        {"$PABX,123,MOVB", false},
        {"$PABX,12345,MOVB", false},
        {"$PABX,12a4,MOVB", false},
        {"$PABX,1234,", false},
        {"$PABX,1234", false},
        {"$GPRMC,1234,RMC", false},
        {"PABX,1234,RMC,", false},
        {at82, true},
        {at82 + "1", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitTenderLine(c.line).has_value(), c.ok) << c.line;
    const std::string line = WithChecksum("$PABX,0042,DBT,1.0,f,0.3,M,0.2,F");
    const auto parts = SplitTenderLine(line);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->serial, "0042");
    EXPECT_EQ(parts->kind, "DBT");
    EXPECT_EQ(parts->sentence, line.substr(11));   // the checksum part stays with the fields
    const std::string movbLine = WithChecksum("$PABX,0042,MOVB");
    const auto movb = SplitTenderLine(movbLine);
    ASSERT_TRUE(movb);
    EXPECT_EQ(movb->kind, "MOVB");
}

// A tender line's checksum follows the rule of every received sentence: the
// digits after the last '*', one digit or none read as they stand ("*C" is
// 12, a bare '*' is 0). A tender sending such a line moves.
TEST(TenderStore, ShortChecksumsCountAsTheyStand)
{
    brine_test::FakeClock clock;
    CTenderTargetStore store(clock);
    ASSERT_TRUE(store.ParseTargetLine(2, WithChecksum(kRmc)));
    const auto tender = store.Slot(2);
    ASSERT_NE(tender, nullptr);
    EXPECT_EQ(tender->Value(item::Latitude).GetDouble(), -4736.0);

    std::string moved = kRmc;
    moved.replace(moved.find("4736.000"), 8, "4737.000");
    const std::string twelve = WithXor(moved, 0x0C);
    ASSERT_FALSE(twelve.empty());
    EXPECT_FALSE(store.ParseTargetLine(2, twelve + "*D"));
    EXPECT_EQ(tender->Value(item::Latitude).GetDouble(), -4736.0);
    EXPECT_TRUE(store.ParseTargetLine(2, twelve + "*C"));
    EXPECT_EQ(tender->Value(item::Latitude).GetDouble(), -4737.0);
    EXPECT_TRUE(store.ParseTargetLine(2, twelve + "*c\r\n"));

    moved.replace(moved.find("4737.000"), 8, "4738.000");
    const std::string zero = WithXor(moved, 0);
    ASSERT_FALSE(zero.empty());
    EXPECT_TRUE(store.ParseTargetLine(2, zero + "*"));
    EXPECT_EQ(tender->Value(item::Latitude).GetDouble(), -4738.0);

    // Only the last '*' counts: an earlier one is part of the sum.
    moved.replace(moved.find("4738.000"), 8, "4739.000");
    EXPECT_TRUE(store.ParseTargetLine(2, WithChecksum(moved + "*7")));
    EXPECT_EQ(tender->Value(item::Latitude).GetDouble(), -4739.0);
    // A garbled speed is absent; the position beside it still moves the tender.
    std::string garbled = kRmc;
    garbled.replace(garbled.find(",3.5,"), 5, ",3.5x,");
    EXPECT_TRUE(store.ParseTargetLine(2, WithChecksum(garbled)));
    EXPECT_EQ(tender->Value(item::Latitude).GetDouble(), -4736.0);
}

TEST(TenderStore, RmcCreatesOnceDbtAndMovbNeedTheTender)
{
    brine_test::FakeClock clock;
    CTenderTargetStore store(clock);
    // Depth and alarm before any position: nothing exists, nothing is stored.
    EXPECT_FALSE(store.ParseTargetLine(4, "$PABX,1234,DBT,6.6,f,2.0,M,1.1,F"));
    EXPECT_FALSE(store.ParseTargetLine(4, "$PABX,1234,MOVB"));
    // A warning status makes no tender.
    std::string warning = kRmc;
    warning.replace(warning.find(",A,"), 3, ",V,");
    EXPECT_FALSE(store.ParseTargetLine(4, warning));
    EXPECT_EQ(store.Slot(4), nullptr);
    EXPECT_FALSE(store.ParseTargetLine(17, kRmc));
    EXPECT_FALSE(store.ParseTargetLine(-1, kRmc));

    ASSERT_TRUE(store.ParseTargetLine(4, kRmc));
    auto fresh = brine_test::JoinQueuedTenders(store);
    ASSERT_EQ(fresh.size(), 1u);
    const auto tender = fresh[0];
    EXPECT_EQ(tender->Channel(), 4);
    EXPECT_EQ(tender->Identifier(), "T5");
    EXPECT_TRUE(tender->newData.exchange(false));
    // Signed ddmm.mmm, north and east negative, read through the one conversion.
    EXPECT_EQ(tender->Value(item::Latitude).GetDouble(), -4736.0);
    EXPECT_EQ(tender->Value(item::Longitude).GetDouble(), 12224.0);
    const CTargetPosition p = StoredPairToPosition(tender->Value(item::Latitude).GetDouble(),
                                                   tender->Value(item::Longitude).GetDouble());
    EXPECT_NEAR(p.latitude, 47.6, 1e-12);
    EXPECT_NEAR(p.longitude, -122.4, 1e-12);
    EXPECT_EQ(tender->Value(item::SpeedOverGroundKnots).GetDouble(), 3.5);
    EXPECT_EQ(tender->Value(item::CourseOverGroundTrue).GetDouble(), 359.7);   // as sent
    EXPECT_EQ(tender->Value(item::MagneticVariation).GetDouble(), 15.0);
    EXPECT_TRUE(tender->Value(item::PositionTime).IsValid());

    ASSERT_TRUE(store.ParseTargetLine(4, kRmc));
    EXPECT_TRUE(brine_test::JoinQueuedTenders(store).empty());
    EXPECT_TRUE(store.ParseTargetLine(4, "$PABX,1234,DBT,6.6,f,2.0,M,1.1,F"));
    EXPECT_EQ(tender->Value(item::DepthMetres).GetDouble(), 2.0);
    EXPECT_FALSE(tender->manOverboardReported);
    EXPECT_TRUE(store.ParseTargetLine(4, "$PABX,1234,MOVB"));
    EXPECT_TRUE(tender->manOverboardReported);
    // Another kind is no error and stores nothing.
    EXPECT_TRUE(store.ParseTargetLine(4, "$PABX,1234,XYZ,1,2"));

    // A cleared slot is made anew by the next position.
    store.ClearSlot(*tender);
    EXPECT_EQ(store.Slot(4), nullptr);
    ASSERT_TRUE(store.ParseTargetLine(4, kRmc));
    const auto again = brine_test::JoinQueuedTenders(store);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_NE(again[0], tender);
    store.Reset();
    EXPECT_EQ(store.Slot(4), nullptr);
}

// An RMC with a good status and hemisphere letters makes the tender even
// before its position comes; its course is kept whatever the number.
TEST(TenderStore, RmcWithoutAPositionStillMakesTheTender)
{
    brine_test::FakeClock clock;
    CTenderTargetStore store(clock);
    EXPECT_TRUE(store.ParseTargetLine(3, WithChecksum("$PABX,1234,RMC,101500,A,,N,,W,0.0,365.0,"
                                                      "010124,,")));
    const auto tender = store.Slot(3);
    ASSERT_NE(tender, nullptr);
    EXPECT_FALSE(tender->Value(item::Latitude).IsValid());
    EXPECT_EQ(tender->Value(item::CourseOverGroundTrue).GetDouble(), 365.0);
    EXPECT_EQ(brine_test::JoinQueuedTenders(store).size(), 1u);
    // A depth now has its tender.
    EXPECT_TRUE(store.ParseTargetLine(3, "$PABX,1234,DBT,6.6,f,2.0,M,1.1,F"));
}

TEST(TenderStore, IgnoreWarningFlagsLetsStatusVThrough)
{
    brine_test::FakeClock clock;
    CTenderTargetStore store(clock);
    std::atomic<bool> ignore{true};
    store.SetIgnoreWarningFlags(&ignore);
    std::string warning = kRmc;
    warning.replace(warning.find(",A,"), 3, ",V,");
    EXPECT_TRUE(store.ParseTargetLine(0, warning));
    EXPECT_NE(store.Slot(0), nullptr);
}

// Which target a point picks when symbols lie over each other: the current
// radar target, then the current tender, then the navigator's list oldest
// first, radar targets and tenders together; only symbols that take the
// point count.

#include <gtest/gtest.h>

#include <set>

#include "FakeClock.h"
#include "targets/TargetPick.h"

using namespace targets;
using namespace std::chrono_literals;

namespace {

struct PickTest : ::testing::Test {
    brine_test::FakeClock clock;
    std::vector<navigator::CVesselList::Entry> vessels;
    std::vector<CTender> tenders;
    std::set<const CTargetRecord*> arpaUnder;   // radar targets whose symbol takes the point
    std::set<int> tendersUnder;   // channels

    // Radar target `number` joins the list.
    const CTargetRecord* Radar(int number)
    {
        auto target =
            std::make_shared<CTrackedTarget>(std::make_shared<CTargetRecord>(number, clock, 5s));
        vessels.push_back(target);
        return target->record.get();
    }
    // The tender on `channel` joins the list.
    void Tender(int channel)
    {
        CTender t;
        t.record = std::make_shared<CTenderRecord>(channel, clock, 5s);
        t.vessel = std::make_shared<CTenderVessel>(t.record);
        vessels.push_back(t.vessel);
        tenders.push_back(std::move(t));
    }
    CTargetPick Pick(const CTargetRecord* currentArpa, int currentTender)
    {
        CTargetPickInputs in;
        in.currentArpa = currentArpa;
        in.currentTender = currentTender;
        in.vessels = &vessels;
        in.tenders = &tenders;
        in.arpaHits = [this](const CTargetRecord* r) { return arpaUnder.count(r) > 0; };
        in.tenderHits = [this](int c) { return tendersUnder.count(c) > 0; };
        return PickTarget(in);
    }
};

TEST_F(PickTest, CurrentRadarTargetThenCurrentTenderThenTheListOldestFirst)
{
    const CTargetRecord* first = Radar(1);
    Tender(0);
    const CTargetRecord* second = Radar(2);
    Tender(1);
    arpaUnder = {first, second};
    tendersUnder = {0, 1};

    // Nothing current: the oldest on the list, whatever its kind.
    auto pick = Pick(nullptr, -1);
    EXPECT_EQ(pick.arpa, first);
    EXPECT_FALSE(pick.tender);
    arpaUnder = {second};
    pick = Pick(nullptr, -1);
    EXPECT_EQ(pick.tender, 0);
    EXPECT_EQ(pick.arpa, nullptr);

    // The current tender comes before every target of the list that is not
    // current, radar targets joined earlier included.
    arpaUnder = {first, second};
    pick = Pick(nullptr, 1);
    EXPECT_EQ(pick.tender, 1);
    EXPECT_EQ(pick.arpa, nullptr);
    // The current radar target comes before the current tender.
    pick = Pick(second, 1);
    EXPECT_EQ(pick.arpa, second);
    EXPECT_FALSE(pick.tender);

    // A current target whose symbol is not under the point gives way to the list.
    arpaUnder = {first};
    tendersUnder = {};
    pick = Pick(second, 1);
    EXPECT_EQ(pick.arpa, first);
    // Nothing under the point: nothing picked.
    arpaUnder = {};
    EXPECT_FALSE(Pick(second, 1));
}

TEST_F(PickTest, ATenderOffTheListOrWithoutHitTestsIsNotPicked)
{
    Tender(2);
    tendersUnder = {2, 3};
    // Channel 3 has a symbol under the point but no chart object on the list.
    EXPECT_EQ(Pick(nullptr, -1).tender, 2);
    tendersUnder = {3};
    EXPECT_FALSE(Pick(nullptr, -1));
    // Without hit tests nothing takes the point.
    CTargetPickInputs none;
    none.currentTender = 2;
    none.vessels = &vessels;
    none.tenders = &tenders;
    EXPECT_FALSE(PickTarget(none));
}

}   // namespace

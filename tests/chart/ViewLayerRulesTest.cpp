#include "chart/ViewLayerRules.h"

#include <gtest/gtest.h>

using chart::CTargetSnapshot;
using chart::CTargetToDraw;

TEST(ViewLayerRules, TargetsMaxTargetsTendersAndFlashing)
{
    const std::vector<CTargetSnapshot> targets{
        {CTargetSnapshot::kArpa, 3, true, false, 1},   // within MaxTargets 5
        {CTargetSnapshot::kArpa, 6, true, false, 1},   // beyond it
        {CTargetSnapshot::kTender, 99, true, false, 1},   // tenders whatever their number
        {CTargetSnapshot::kTender, 2, true, true, 0},   // flashing: 0 -> 2
        {CTargetSnapshot::kTender, 3, true, true, 2},   // flashing: 2 -> 0
        {CTargetSnapshot::kArpa, 1, false, false, 1},   // switched off
        {CTargetSnapshot::kOwnVessel, 0, true, false, 1},
        {CTargetSnapshot::kArpa, -4, true, false, 1},   // negative numbers compare signed
    };
    EXPECT_EQ(chart::SelectTargets(targets, 5, 1, 2),
              (std::vector<CTargetToDraw>{{0, 1}, {2, 2}, {3, 2}, {4, 0}, {7, 1}}));
    EXPECT_TRUE(chart::SelectTargets({}, 5, 1, 2).empty());
}

TEST(ViewLayerRules, InsertAndDeleteRenumber)
{
    struct Row {
        std::vector<int> before;
        bool insert;
        int number;
        bool ok;
        std::vector<int> after;
    };
    const Row rows[] = {
        {{1, 2, 3}, true, 1, true, {1, 2, 3, 4}},
        {{1, 2, 3}, true, 2, true, {1, 2, 3, 4}},
        {{1, 2, 3}, true, 4, true, {1, 2, 3, 4}},
        {{1, 2, 3}, true, 5, false, {1, 2, 3}},
        {{}, true, 1, true, {1}},
        {{1, 2, 3, 4}, false, 2, true, {1, 2, 3}},
        {{1, 2, 3, 4}, false, 4, true, {1, 2, 3}},
        {{1, 2, 3}, false, 7, false, {1, 2, 3}},
    };
    for (const Row& r : rows) {
        std::vector<int> n = r.before;
        EXPECT_EQ(r.insert ? chart::InsertWaypointNumber(n, r.number)
                           : chart::DeleteWaypointNumber(n, r.number),
                  r.ok);
        EXPECT_EQ(n, r.after) << (r.insert ? "insert " : "delete ") << r.number;
    }
}

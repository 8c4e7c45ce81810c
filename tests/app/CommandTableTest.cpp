#include "app/CommandTable.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Row {
    const char* what;
    bool withHandler;
    bool withUpdate;
    bool disableIfNoHandler;
    bool expectEnabled;
};

}  // namespace

TEST(CommandTable, StateFollowsUpdateHandlerThenHandlerPresence)
{
    const Row rows[] = {
        {"no registration, menu", false, false, true, false},
        {"no registration, toolbar", false, false, false, true},
        {"handler only", true, false, true, true},
        {"update handler disables", true, true, true, false},
        {"update handler alone decides", false, true, true, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        CCommandTable table;
        const int owner = 0;
        if (r.withHandler || r.withUpdate) {
            CCommandTable::Handler h;
            if (r.withHandler)
                h = [](unsigned) {};
            CCommandTable::UpdateHandler u;
            if (r.withUpdate)
                u = [](CCmdUI& ui) { ui.Enable(false); };
            ASSERT_TRUE(table.Add(&owner, 100, h, u));
        }
        EXPECT_EQ(table.Update(100, r.disableIfNoHandler).enabled, r.expectEnabled);
    }
}

TEST(CommandTable, RangesFirstRegistrationWinsAndOwnersLeaveTogether)
{
    CCommandTable table;
    const int frame = 0, navigator = 0;
    std::vector<std::pair<int, unsigned>> calls;

    ASSERT_TRUE(table.Add(&navigator, 2269, 2280, [&](unsigned id) { calls.push_back({1, id}); },
                          [](CCmdUI& ui) { ui.SetCheck(ui.GetID() == 2271); ui.SetText("COM"); }));
    ASSERT_TRUE(table.Add(&frame, 2271, [&](unsigned id) { calls.push_back({2, id}); }));
    ASSERT_TRUE(table.Add(&frame, 43008, [&](unsigned id) { calls.push_back({2, id}); }));

    EXPECT_TRUE(table.Execute(2271));
    EXPECT_TRUE(table.Execute(2280));
    EXPECT_FALSE(table.Execute(2281));
    EXPECT_FALSE(table.Execute(2268));
    EXPECT_EQ(calls, (std::vector<std::pair<int, unsigned>>{{1, 2271}, {1, 2280}}));

    EXPECT_EQ(table.Update(2271), (CCmdUIState{true, 1, "COM"}));
    EXPECT_EQ(table.Update(2272).check, 0);

    table.Remove(&navigator);
    EXPECT_FALSE(table.HasHandler(2269));
    calls.clear();
    EXPECT_TRUE(table.Execute(2271));   // the frame's own registration answers now
    EXPECT_EQ(calls, (std::vector<std::pair<int, unsigned>>{{2, 2271}}));
    EXPECT_EQ(table.Update(2271), CCmdUIState{});
    EXPECT_TRUE(table.HasHandler(43008));

    EXPECT_FALSE(table.Add(&frame, 10, 9, [](unsigned) {}));   // empty range
    EXPECT_FALSE(table.Add(&frame, 10, {}, {}));               // nothing to call
}

TEST(CommandTable, AHandlerMayDropItsOwnCommandWhileRunning)
{
    CCommandTable table;
    const int owner = 0;
    int runs = 0;
    table.Add(&owner, 7, [&](unsigned) {
        ++runs;
        table.Remove(&owner);
        table.Add(&owner, 8, [&](unsigned) { ++runs; });
    });
    EXPECT_TRUE(table.Execute(7));
    EXPECT_FALSE(table.Execute(7));
    EXPECT_TRUE(table.Execute(8));
    EXPECT_EQ(runs, 2);
}

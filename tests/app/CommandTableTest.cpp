#include "app/CommandTable.h"

#include <gtest/gtest.h>

#include <vector>

TEST(CommandTable, StateComesFromTheUpdateHandlerElseFromHandlerPresence)
{
    const auto noop = [](unsigned) {};
    const auto disable = [](app::CCmdUI& ui) { ui.Enable(false); };
    struct Row {
        bool handler, update, disableIfNoHandler, enabled;
    };
    const Row rows[] = {{false, false, true, false},
                        {false, false, false, true},
                        {true, false, true, true},
                        {true, true, true, false},
                        {false, true, false, false}};
    for (const Row& r : rows) {
        app::CCommandTable table;
        if (r.handler || r.update)
            table.Add(&table, 100, r.handler ? app::CCommandTable::Handler(noop) : nullptr,
                      r.update ? app::CCommandTable::UpdateHandler(disable) : nullptr);
        EXPECT_EQ(table.Update(100, r.disableIfNoHandler).enabled, r.enabled)
            << r.handler << r.update << r.disableIfNoHandler;
    }
}

TEST(CommandTable, RangesFirstRegistrationWinsAndOwnersLeaveTogether)
{
    app::CCommandTable table;
    const int frame = 0, navigator = 0;
    std::vector<std::pair<int, unsigned>> calls;
    table.Add(
        &navigator, 2269, 2280,
        [&](unsigned id) {
            calls.push_back({1, id});
        },
        [](app::CCmdUI& ui) {
            ui.SetCheck(ui.GetID() == 2271);
            ui.SetText("COM");
        });
    table.Add(&frame, 2271, [&](unsigned id) { calls.push_back({2, id}); });

    for (unsigned id : {2271u, 2280u, 2281u, 2268u})
        EXPECT_EQ(table.Execute(id), id <= 2280 && id >= 2269) << id;
    EXPECT_EQ(table.Update(2271), (app::CCmdUIState{true, 1, "COM"}));
    EXPECT_EQ(table.Update(2272).check, 0);

    table.Remove(&navigator);
    EXPECT_FALSE(table.HasHandler(2269));
    EXPECT_TRUE(table.Execute(2271));   // the frame's registration answers now
    EXPECT_EQ(calls, (std::vector<std::pair<int, unsigned>>{{1, 2271}, {1, 2280}, {2, 2271}}));
    EXPECT_EQ(table.Update(2271), app::CCmdUIState{});

    EXPECT_FALSE(table.Add(&frame, 10, 9, [](unsigned) {}));   // empty range
    EXPECT_FALSE(table.Add(&frame, 10, {}, {}));   // nothing to call
}

TEST(CommandTable, AHandlerMayDropItsOwnRegistrationWhileRunning)
{
    app::CCommandTable table;
    int runs = 0;
    table.Add(&table, 7, [&](unsigned) {
        ++runs;
        table.Remove(&table);
        table.Add(&table, 8, [&](unsigned) { ++runs; });
    });
    EXPECT_TRUE(table.Execute(7));
    EXPECT_FALSE(table.Execute(7));
    EXPECT_TRUE(table.Execute(8));
    EXPECT_EQ(runs, 2);
}

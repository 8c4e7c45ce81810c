// The autoscroll restriction list and its dialog's rules without windows:
// a chart listed once, Select All on one row and on many, which buttons a
// selection allows, and Remove keeping the unselected rows in their order.

#include "navigator/AutoscrollRestrictions.h"

#include <gtest/gtest.h>

using navigator::CAutoscrollRestrictions;
using navigator::CRestrictedChart;
using navigator::CRestrictionSelection;

namespace {

std::vector<CRestrictedChart> Charts(int n)
{
    static const int items[8] = {};
    std::vector<CRestrictedChart> charts;
    for (int i = 0; i < n; ++i)
        charts.push_back({&items[i], "RC900" + std::to_string(i + 1), "ARCS",
                          "Puget Sound " + std::to_string(i + 1)});
    return charts;
}

TEST(AutoscrollRestrictions, AChartIsListedOnceAndTheListEmptiesWithTheFolio)
{
    CAutoscrollRestrictions list;
    const auto charts = Charts(2);
    list.Add(charts[0]);
    list.Add(charts[1]);
    CRestrictedChart again = charts[0];
    again.description = "renamed";
    list.Add(again);   // the same folio item
    EXPECT_EQ(list.Charts(), charts);
    list.Clear();
    EXPECT_TRUE(list.Empty());
}

TEST(AutoscrollRestrictions, SelectionRulesAndRemove)
{
    struct Case {
        int rows;
        std::vector<int> selected;
        bool canRemove, canSelectAll;
        std::vector<int> kept;   // rows left after Remove
    };
    const Case cases[] = {
        {3, {}, false, true, {0, 1, 2}}, {3, {1}, true, true, {0, 2}}, {3, {0, 2}, true, true, {1}},
        {3, {0, 1, 2}, true, false, {}},   // every row selected: the list empties
        {1, {0}, true, false, {}},       {0, {}, false, false, {}},
    };
    for (const Case& c : cases) {
        const auto charts = Charts(c.rows);
        CRestrictionSelection s(charts.size());
        for (int row : c.selected)
            s.Set(static_cast<std::size_t>(row), true);
        EXPECT_EQ(s.CanRemove(), c.canRemove) << c.rows << " rows";
        EXPECT_EQ(s.CanSelectNone(), c.canRemove);
        EXPECT_EQ(s.CanSelectAll(), c.canSelectAll);
        std::vector<CRestrictedChart> expected;
        for (int row : c.kept)
            expected.push_back(charts[static_cast<std::size_t>(row)]);
        EXPECT_EQ(s.Kept(charts), expected);
    }

    // Select All: every row of many, the one row of one; Select None clears.
    CRestrictionSelection many(4);
    many.SelectAll();
    EXPECT_EQ(many.SelectedCount(), 4u);
    EXPECT_FALSE(many.CanSelectAll());
    many.SelectNone();
    EXPECT_EQ(many.SelectedCount(), 0u);
    CRestrictionSelection one(1);
    one.SelectAll();
    EXPECT_TRUE(one.IsSelected(0));
    CRestrictionSelection none(0);
    none.SelectAll();
    none.Set(5, true);   // a row that is not there changes nothing
    EXPECT_EQ(none.SelectedCount(), 0u);
}

}   // namespace

// The list's rows in the table's order, its headings' sort orders, the
// focus keys (an empty list has no row to go to) and the upload dialog's
// identifier boxes.
#include "chartpoints/ChartpointList.h"
#include "chartpoints/ChartpointModule.h"
#include "chartpoints/UploadChoice.h"

#include "ChartpointFakes.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

using namespace chartpoints;

namespace {

TEST(ChartpointList, RowsFollowTheTableOrderAndKeepItsPlace)
{
    brine_test::TempFolder dir;
    brine_test::FolderSettings settings(dir.Path());
    brine_test::ScriptedPrompt prompt;
    brine_test::FakePanel panel;
    CChartpointModule module(settings, prompt, dir.Path());
    ASSERT_TRUE(module.Initialise());
    module.SetUi(&panel);
    ASSERT_TRUE(module.OpenDatabase((dir / "Chartpoints" / "List").string()));
    CChartpointRowSource rows(module.Table());
    EXPECT_EQ(rows.RowCount(), 0u);
    std::vector<app::ListRow> fetched;
    rows.FetchRows(0, 10, fetched);
    EXPECT_TRUE(fetched.empty());

    module.OnEdit();
    for (const char* name : {"West Point Light", "Alki Point Light", "Point No Point Light"}) {
        module.OnNew();
        panel.edited = module.Current();
        panel.edited.m_name = name;
        panel.edited.m_zoneTime = "-8";
        panel.edited.m_position = geo::CPosition(47.6619, -122.4355, 0.0, -1);
        panel.modified = true;
        ASSERT_TRUE(module.OnApply());
    }
    module.SortBy(SortIndexOfColumn(1));   // the Name heading
    module.OnSelectFirst();
    module.OnSelectNext();
    ASSERT_EQ(rows.RowCount(), 3u);
    rows.FetchRows(1, 5, fetched);
    ASSERT_EQ(fetched.size(), 2u);
    EXPECT_EQ(fetched[0][1], "Point No Point Light");
    EXPECT_EQ(fetched[1][1], "West Point Light");
    EXPECT_EQ(fetched[1][2], "47 39.714 N");
    EXPECT_EQ(fetched[1][7], "-8");
    // In the list window the positions follow the program's position format.
    geo::CPositionFormat format{1, true};
    CChartpointRowSource shown(module.Table(), [&] { return format; });
    shown.FetchRows(2, 1, fetched);
    ASSERT_EQ(fetched.size(), 1u);
    const geo::CPosition west(47.6619, -122.4355, 0.0, -1);
    EXPECT_EQ(fetched[0][2], west.FormatLatitude(format));
    EXPECT_EQ(fetched[0][3], west.FormatLongitude(format));
    format = geo::CPositionFormat{3, false};
    shown.FetchRows(2, 1, fetched);
    EXPECT_EQ(fetched[0][2], west.FormatLatitude(format));
    EXPECT_NE(west.FormatLatitude({1, true}), west.FormatLatitude(format));
    EXPECT_EQ(module.Table().GetOrdinal(), 2);   // the place is kept
    EXPECT_EQ(module.Table().m_name, "Point No Point Light");
    EXPECT_EQ(rows.Heading(7), "Zone");
    EXPECT_EQ(SortIndexOfColumn(0), 2);
    EXPECT_EQ(SortIndexOfColumn(7), 8);
}

TEST(ChartpointList, FocusKeysStayInTheListAndIgnoreAnEmptyOne)
{
    struct Row {
        FocusKey key;
        int focused, count;
        std::optional<int> row;
    } rows[] = {
        {FocusKey::Down, 0, 0, std::nullopt},
        {FocusKey::End, 0, 0, std::nullopt},
        {FocusKey::Up, 0, 5, 0},
        {FocusKey::Down, 4, 5, 4},
        {FocusKey::End, 1, 5, 4},
        {FocusKey::Home, 3, 5, 0},
        {FocusKey::PageUp, 2, 50, 0},
        {FocusKey::PageDown, 2, 50, 11},
        {FocusKey::PageDown, 45, 50, 49},
    };
    for (const Row& r : rows)
        EXPECT_EQ(FocusRowForKey(r.key, r.focused, r.count, 10), r.row)
            << int(r.key) << " " << r.focused << " " << r.count;
}

TEST(UploadChoice, OneIdentifierStaysOnAndNameAndIdExcludeEachOther)
{
    CUploadChoice c;
    EXPECT_EQ(c.NamingMode(), 1);
    c.ClickName(false);   // the only one on stays on
    EXPECT_TRUE(c.name);
    c.ClickId(true);
    EXPECT_FALSE(c.name);
    EXPECT_EQ(c.NamingMode(), 0);
    c.ClickNumber(true);
    EXPECT_EQ(c.NamingMode(), 4);
    c.ClickName(true);
    EXPECT_FALSE(c.id);
    EXPECT_EQ(c.NamingMode(), 3);
    c.ClickName(false);
    EXPECT_EQ(c.NamingMode(), 2);
    c.ClickNumber(false);   // the last one on
    EXPECT_TRUE(c.number);
}

}   // namespace

// What File New, Open, Save As and Print offer, as a function of the
// program's state: a table of states and the ids each chooser lists.
#include <gtest/gtest.h>

#include "app/FileChoosers.h"

namespace {

using app::CChooserItem;
using app::CChooserState;

std::vector<int> Ids(const std::vector<CChooserItem>& items)
{
    std::vector<int> ids;
    for (const CChooserItem& i : items)
        if (i.id != 0 && i.image != app::kHeadingImage)
            ids.push_back(i.id);
    return ids;
}

TEST(FileChoosers, ChartItemsFollowMemoryWindowsAndServices)
{
    struct Case {
        const char* what;
        CChooserState state;
        std::vector<int> newIds;
        std::vector<int> openIds;
    };
    CChooserState base;
    CChooserState low = base;
    low.lowMemory = true;
    CChooserState full = base;
    full.normalChartWindows = 3;
    CChooserState services = base;
    services.rasterCatalogue = true;
    services.vectorEngine = true;
    const Case cases[] = {
        {"this build", base, {1}, {1}},
        {"low memory: no new chart, charts still open", low, {}, {1}},
        {"as many chart windows as MaxCharts", full, {}, {1}},
        {"raster catalogue and vector engine", services, {1, 2, 3}, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Ids(app::NewChoices(c.state)), c.newIds) << c.what;
        EXPECT_EQ(Ids(app::OpenChoices(c.state)), c.openIds) << c.what;
    }
    // A heading comes only with items: no chart, no "Chart" heading.
    EXPECT_TRUE(app::NewChoices(low).empty());
    EXPECT_EQ(app::NewChoices(base).front(), (CChooserItem{0, "Chart", app::kImageChart, 0}));
    // The chart items read as the chart kinds' own names.
    std::vector<std::string> texts;
    for (const CChooserItem& i : app::OpenChoices(services))
        if (i.image == app::kImageChart && i.id != 0)
            texts.push_back(i.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"Blank chart", "ARCS/Seafarer", "Livechart"}));
}

TEST(FileChoosers, ModulesAbsentFromThisBuildAreNotListed)
{
    CChooserState s;
    EXPECT_TRUE(app::SaveAsChoices(s).empty());
    EXPECT_TRUE(app::PrintChoices(s).empty());   // nothing active, no reports
    s.chartActive = true;
    EXPECT_EQ(Ids(app::PrintChoices(s)), std::vector<int>{1});

    CChooserState all;
    all.chartpoints = all.routes = all.plans = all.vesselLog = true;
    EXPECT_EQ(Ids(app::NewChoices(all)), (std::vector<int>{1, 4, 5, 6, 7}));
    EXPECT_EQ(Ids(app::OpenChoices(all)), (std::vector<int>{1, 4, 5, 6}));
    EXPECT_EQ(Ids(app::SaveAsChoices(all)), (std::vector<int>{1, 2, 3}));
    // A route in use: its database is listed as a heading, which cannot be chosen.
    all.routeInUse = true;
    EXPECT_EQ(Ids(app::NewChoices(all)), (std::vector<int>{1, 4, 6, 7}));
    EXPECT_EQ(Ids(app::SaveAsChoices(all)), (std::vector<int>{1, 3}));
    // The modules there but none of their report windows: Print offers the chart alone.
    all.chartActive = true;
    all.validPlan = all.customPlanFile = all.customPlanMemosFile = true;
    EXPECT_EQ(Ids(app::PrintChoices(all)), std::vector<int>{1});
    all.routeReports = true;
    EXPECT_EQ(Ids(app::PrintChoices(all)), (std::vector<int>{1, 4, 10, 12}));
}

TEST(FileChoosers, PrintListsOnlyReportsNotAlreadyOpen)
{
    CChooserState s;
    s.chartFolioReports = s.chartpoints = s.routes = s.plans = s.vesselLog = true;
    s.chartpointReport = s.routeReports = s.planReports = s.logReports = true;
    s.validPlan = s.customPlanFile = true;
    EXPECT_EQ(Ids(app::PrintChoices(s)), (std::vector<int>{2, 11, 3, 4, 10, 12, 5, 7, 8, 9}));
    s.chartListOpen = s.fullChartListOpen = s.chartpointReportOpen = true;
    s.waypointListOpen = s.routeListOpen = s.fullRouteListOpen = true;
    s.planReportOpen = s.customPlanOpen = s.vesselLogReportOpen = s.logListReportOpen = true;
    EXPECT_TRUE(app::PrintChoices(s).empty());   // every report open, no chart, nothing to show
}

}   // namespace

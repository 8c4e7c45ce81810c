#include "app/FileChoosers.h"

namespace app {

namespace {

// Adds a heading and its items, or nothing when there are no items.
void AddGroup(std::vector<CChooserItem>& out, CChooserItem heading,
              const std::vector<CChooserItem>& items)
{
    if (items.empty())
        return;
    out.push_back(std::move(heading));
    out.insert(out.end(), items.begin(), items.end());
}

CChooserItem Heading(const char* text, int image)
{
    return {0, text, image, 0};
}

CChooserItem Item(const char* text, int image, int id, std::string why = {})
{
    return {1, text, image, id, std::move(why)};
}

std::vector<CChooserItem> ChartItems(const CChooserState& s)
{
    std::vector<CChooserItem> items{Item("Blank chart", kImageChart, choose::kBlankChart)};
    if (s.rasterCatalogue)
        items.push_back(Item("ARCS/Seafarer", kImageChart, choose::kRasterChart));
    if (s.vectorEngine)
        items.push_back(Item("Livechart", kImageChart, choose::kVectorChart));
    return items;
}

// The databases of chartpoints, routes and the log, with the ids given.
void AddDatabases(std::vector<CChooserItem>& out, const CChooserState& s, int chartpoints,
                  int routes, int log, bool plan)
{
    if (s.chartpoints)
        AddGroup(out, Heading("Chartpoint", kImageChartpoint),
                 {Item("Database", kImageDatabase, chartpoints)});
    if (s.routes || (plan && s.plans)) {
        std::vector<CChooserItem> items;
        if (s.routes)
            // While a route is in use its database cannot be swapped.
            items.push_back(Item("Database", s.routeInUse ? kHeadingImage : kImageDatabase, routes,
                                 s.routeInUse ? s.routeHeldWhy : std::string()));
        if (plan && s.plans)
            items.push_back(Item("Plan", kImagePlan, choose::kNewPlan));
        AddGroup(out, Heading("Route", kImageRoute), items);
    }
    if (s.vesselLog)
        AddGroup(out, Heading("Log", kImageLog), {Item("Database", kImageDatabase, log)});
}

}   // namespace

std::vector<CChooserItem> NewChoices(const CChooserState& s)
{
    std::vector<CChooserItem> out;
    if (!s.lowMemory && s.normalChartWindows < s.maxCharts)
        AddGroup(out, Heading("Chart", kImageChart), ChartItems(s));
    AddDatabases(out, s, choose::kNewChartpoints, choose::kNewRoutes, choose::kNewLog, true);
    return out;
}

std::vector<CChooserItem> OpenChoices(const CChooserState& s)
{
    std::vector<CChooserItem> out;
    AddGroup(out, Heading("Chart", kImageChart), ChartItems(s));
    AddDatabases(out, s, choose::kOpenChartpoints, choose::kOpenRoutes, choose::kOpenLog, false);
    return out;
}

std::vector<CChooserItem> SaveAsChoices(const CChooserState& s)
{
    std::vector<CChooserItem> out;
    AddDatabases(out, s, choose::kSaveChartpoints, choose::kSaveRoutes, choose::kSaveLog, false);
    return out;
}

std::vector<CChooserItem> PrintChoices(const CChooserState& s)
{
    std::vector<CChooserItem> out;
    std::vector<CChooserItem> chart;
    if (s.chartActive)
        chart.push_back(Item("View of Selected Chart", kImageReport, choose::kPrintChartView));
    if (s.chartFolioReports && !s.chartListOpen)
        chart.push_back(Item("Installed Chart List", kImageReport, choose::kPrintChartList));
    if (s.chartFolioReports && !s.fullChartListOpen)
        chart.push_back(Item("Installed Chart List ( Full Details )", kImageReport,
                             choose::kPrintFullChartList));
    AddGroup(out, Heading("Chart", kImageChart), chart);
    if (s.chartpoints && s.chartpointReport && !s.chartpointReportOpen)
        out.push_back({0, "Chartpoint List", kImageReport, choose::kPrintChartpoints});
    if (s.routes && s.routeReports) {
        std::vector<CChooserItem> route;
        if (!s.waypointListOpen)
            route.push_back(Item("Waypoint List", kImageReport, choose::kPrintWaypoints));
        if (!s.routeListOpen)
            route.push_back(Item("Route List", kImageReport, choose::kPrintRouteList));
        if (!s.fullRouteListOpen)
            route.push_back(
                Item("Route List ( Full Details )", kImageReport, choose::kPrintFullRouteList));
        AddGroup(out, Heading("Route", kImageRoute), route);
    }
    if (s.plans && s.planReports && s.validPlan) {
        std::vector<CChooserItem> plan;
        if (!s.planReportOpen)
            plan.push_back(Item("Passage Plan", kImageReport, choose::kPrintPlan));
        if (s.customPlanFile && !s.customPlanOpen)
            plan.push_back(Item("Custom Plan", kImageReport, choose::kPrintCustomPlan));
        if (s.customPlanMemosFile && !s.customPlanMemosOpen)
            plan.push_back(
                Item("Custom Plan ( With memos )", kImageReport, choose::kPrintCustomPlanMemos));
        AddGroup(out, Heading("Plan", kImagePlan), plan);
    }
    if (s.vesselLog && s.logReports) {
        std::vector<CChooserItem> log;
        if (!s.vesselLogReportOpen)
            log.push_back(Item("Vessel Log", kImageReport, choose::kPrintVesselLog));
        if (!s.logListReportOpen)
            log.push_back(Item("Log List", kImageReport, choose::kPrintLogList));
        AddGroup(out, Heading("Log", kImageLog), log);
    }
    return out;
}

}   // namespace app

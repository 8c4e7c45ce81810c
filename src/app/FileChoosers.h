#pragma once
// What the File menu's New, Open, Save As, Print and Print Preview choosers
// offer: a pure function of the program's state, so the same state always
// lists the same items. Items of modules this build does not have are not
// listed (their state says absent); a heading is listed only with items.

#include <string>
#include <vector>

namespace app {

// The chooser's pictures; kHeadingImage marks an item that cannot be chosen.
enum ChooserImage : int {
    kImageChart = 1,
    kImageRoute = 2,
    kImagePlan = 3,
    kImageChartpoint = 4,
    kImageLog = 5,
    kImageReport = 6,
    kImageDatabase = 7,
    kHeadingImage = 8,
};

struct CChooserItem {
    int level = 0;   // 0 heading, 1 under the last heading
    std::string text;
    int image = kHeadingImage;
    int id = 0;   // 0: a heading
    std::string why;   // an item that cannot be chosen: why, shown when it is picked
    bool operator==(const CChooserItem&) const = default;
};

struct CChooserState {
    bool lowMemory = false;
    int normalChartWindows = 0;
    int maxCharts = 3;
    bool chartActive = false;
    // Chart services: a raster chart catalogue with records, a vector engine.
    bool rasterCatalogue = false;
    bool vectorEngine = false;
    // Modules; false while this build has none.
    bool chartpoints = false;
    bool routes = false;
    bool routeInUse = false;
    std::string routeHeldWhy;   // while in use: what holds the route, and where to free it
    bool plans = false;
    bool validPlan = false;
    bool vesselLog = false;
    // Report windows already open (not offered again), and the custom plan
    // report files present in the Reports folder.
    bool chartListOpen = false, fullChartListOpen = false;
    bool chartpointReportOpen = false;
    bool waypointListOpen = false, routeListOpen = false, fullRouteListOpen = false;
    bool planReportOpen = false, customPlanOpen = false, customPlanMemosOpen = false;
    bool customPlanFile = false, customPlanMemosFile = false;
    bool vesselLogReportOpen = false, logListReportOpen = false;
    bool chartFolioReports = false;   // the charting module has its list reports
    // Whether each module's report windows exist in this build: Print lists
    // a report only when its window can be opened, whatever the module has.
    bool chartpointReport = false, routeReports = false, planReports = false, logReports = false;
};

// Ids as each chooser's dispatch reads them.
namespace choose {
inline constexpr int kBlankChart = 1, kRasterChart = 2, kVectorChart = 3;
inline constexpr int kNewChartpoints = 4, kNewRoutes = 5, kNewPlan = 6, kNewLog = 7;
inline constexpr int kOpenChartpoints = 4, kOpenRoutes = 5, kOpenLog = 6;
inline constexpr int kSaveChartpoints = 1, kSaveRoutes = 2, kSaveLog = 3;
inline constexpr int kPrintChartView = 1, kPrintChartList = 2, kPrintChartpoints = 3,
                     kPrintWaypoints = 4, kPrintPlan = 5, kPrintCustomPlanMemos = 6,
                     kPrintCustomPlan = 7, kPrintVesselLog = 8, kPrintLogList = 9,
                     kPrintRouteList = 10, kPrintFullChartList = 11, kPrintFullRouteList = 12;
}   // namespace choose

std::vector<CChooserItem> NewChoices(const CChooserState& s);
std::vector<CChooserItem> OpenChoices(const CChooserState& s);
std::vector<CChooserItem> SaveAsChoices(const CChooserState& s);
std::vector<CChooserItem> PrintChoices(const CChooserState& s);

}   // namespace app

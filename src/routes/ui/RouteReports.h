#pragma once
// The route database's reports: the waypoint list of the current route, the
// route list (plain and with full details) and the passage plan with its
// custom pair. Routes are short, so their rows are copied on the window
// thread (the route table goes back to its record); the worker writes the
// report table and lays out the pages.

#include "engines/report/ReportRun.h"
#include "routes/PlanRows.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace db {
class CDBRoute;
}

namespace routes {

struct CRouteState;
class CPlanModule;

// The waypoint list and the plan print positions in the form the user chose
// in Tools > Options.
report::CReportRequest WaypointListReport(const CRouteState& state, const std::string& tablePath,
                                          const std::string& from, const std::string& to,
                                          const geo::CPositionFormat& format = {});
report::CReportRequest RouteListReport(db::CDBRoute& table, bool fullDetails,
                                       const std::string& dataFolder,
                                       const std::string& attachmentsFolder);

enum class PlanReportKind { Standard, Custom, CustomWithMemos };
// "PssgPln", or the pair's first (short) or second (with memos) file.
std::string PlanReportName(PlanReportKind kind, const std::string& customPair);
// The custom kinds print the definition `customFile` ("PlnIntl2.rpt"), the
// standard plan "PssgPln".
report::CReportRequest PassagePlanReport(const CPlanModule& plan, const CRouteState& state,
                                         PlanReportKind kind, const std::string& customFile,
                                         const std::string& vessel, const std::string& routeMemo,
                                         const geo::CPositionFormat& format = {});

}   // namespace routes

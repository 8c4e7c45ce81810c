#include "routes/ui/RouteReports.h"

#include "app/DateTimeEx.h"
#include "app/StringUtils.h"
#include "app/SystemUtils.h"
#include "db/DBReportTable.h"
#include "db/DBRoute.h"
#include "engines/report/ReportDefinitionFile.h"
#include "routes/LegTypes.h"
#include "routes/PlanModule.h"
#include "routes/PlanRows.h"
#include "routes/RouteViews.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace routes {

namespace {

using Rows = std::vector<std::vector<std::string>>;

// A fill that writes rows copied beforehand, each in the table's field order.
report::CReportFill CopiedRows(Rows rows)
{
    return [rows = std::move(rows)](report::CReportSink& sink, std::string&) {
        sink.Expect(rows.size());
        for (const auto& row : rows) {
            for (std::size_t i = 0; i < row.size() && i < sink.Cells().size(); ++i)
                sink.Cells()[i] = row[i];
            if (!sink.Append())
                return false;
        }
        return true;
    };
}

std::string FileName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

std::string OnOff(bool on)
{
    return on ? "[On]" : "[Off]";
}

app::CDateTimeEx LocalTime(std::int64_t utc)
{
    app::CDateTimeEx local;
    local = static_cast<std::time_t>(utc);
    return local;
}

}   // namespace

report::CReportRequest WaypointListReport(const CRouteState& state, const std::string& tablePath,
                                          const std::string& from, const std::string& to,
                                          const geo::CPositionFormat& format)
{
    report::CReportRequest request;
    request.name = "WaypointList";
    request.windowTitle = "Waypoint List Report - " + FileName(tablePath);
    request.formulas = {{"Route_Name", state.name},
                        {"File_Name", app::CompactPath(FileName(tablePath), 10)},
                        {"From", from},
                        {"To", to}};
    request.fields = db::ReportRouteFields();
    request.makeTable = db::MakeReportTable;
    Rows rows;
    // Course and distance of the leg to the next waypoint; 0 and 0 at the last.
    const std::vector<PlanWaypoint> legs = PlanWaypointsOf(state);
    for (std::size_t i = 0; i < state.waypoints.size(); ++i) {
        const CWaypoint& w = state.waypoints[i];
        rows.push_back({w.m_name, w.m_position.FormatLatitude(format),
                        w.m_position.FormatLongitude(format), w.m_position.GetDatumName(),
                        LegTypeText(w.m_legType), app::FormatDistance(legs[i].distance),
                        app::FormatBearing(legs[i].course)});
    }
    request.fill = CopiedRows(std::move(rows));
    return request;
}

report::CReportRequest RouteListReport(db::CDBRoute& table, bool fullDetails,
                                       const std::string& dataFolder,
                                       const std::string& attachmentsFolder)
{
    report::CReportRequest request;
    const std::string path = table.GetFilePath();
    request.name = fullDetails ? "FullRouteDbList" : "RouteDbList";
    request.windowTitle =
        std::string(fullDetails ? "Route List ( Full Details ) Report" : "Route List Report") +
        " - " + FileName(path);
    request.formulas = {{"File Name", app::CompactPath(FileName(path), 47)},
                        {"Route Path", app::CompactPath(dataFolder, 47)},
                        {"Attach Path", app::CompactPath(attachmentsFolder, 47)}};
    request.fields = db::ReportRouteListFields();
    request.makeTable = db::MakeReportTable;
    Rows rows;
    if (table.IsOpen() && !table.IsEmpty()) {
        table.PushPosition();
        for (bool more = table.GoTop(); more; more = table.SkipForward()) {
            std::vector<std::string> row{table.m_name, table.m_from, table.m_to};
            for (const std::string& attachment : table.m_attachment)
                row.push_back(attachment.empty() ? "<Unused>" : app::CompactPath(attachment, 28));
            row.resize(7, "<Unused>");
            row.push_back(table.m_note);
            rows.push_back(std::move(row));
        }
        table.PopPosition();
    }
    request.fill = CopiedRows(std::move(rows));
    return request;
}

std::string PlanReportName(PlanReportKind kind, const std::string& customPair)
{
    switch (kind) {
    case PlanReportKind::Standard: break;
    case PlanReportKind::Custom: return customPair + "1";
    case PlanReportKind::CustomWithMemos: return customPair + "2";
    }
    return "PssgPln";
}

report::CReportRequest PassagePlanReport(const CPlanModule& plan, const CRouteState& state,
                                         PlanReportKind kind, const std::string& customFile,
                                         const std::string& vessel, const std::string& routeMemo,
                                         const geo::CPositionFormat& format)
{
    report::CReportRequest request;
    request.name =
        kind == PlanReportKind::Standard ? "PssgPln" : report::ReportBaseName(customFile);
    request.windowTitle =
        std::string(kind == PlanReportKind::Standard ? "Passage Plan Report"
                    : kind == PlanReportKind::Custom ? "Custom Plan Report"
                                                     : "Custom Plan ( With memos ) Report") +
        " - Plan: " + plan.planName;
    const CPlanSettings& s = plan.PlanSettings();
    const app::CDateTimeEx calculated = LocalTime(plan.CalculatedUtc());
    // Formula values go in as data: whatever the user typed prints as typed.
    request.formulas = {{"Vessel", vessel},
                        {"Estimated_Speed", app::FormatDouble(s.vesselSpeed, 1, 0)},
                        {"Calc_Date", plan.CalculatedUtc() ? calculated.FormatDate(false) : ""},
                        {"Calc_Time", plan.CalculatedUtc() ? calculated.FormatTime(false) : ""},
                        {"Plan_Name", plan.planName},
                        {"From", plan.from},
                        {"To", plan.to},
                        {"Tides", OnOff(s.tidesOn)},
                        {"Variation", OnOff(s.variationOn)},
                        {"Deviation", OnOff(s.deviationOn)}};
    if (kind == PlanReportKind::CustomWithMemos)
        request.formulas["RouteMemo"] = routeMemo;
    request.fields = db::ReportPlanFields();
    request.makeTable = db::MakeReportTable;
    request.fill = CopiedRows(PlanRows(plan, state, format));
    return request;
}

}   // namespace routes

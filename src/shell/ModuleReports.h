#pragma once
// The modules' reports in File > Print and Print Preview: the chartpoint
// report, the logbook's vessel log and log list, the route database's
// waypoint and route lists and the passage plan. Each run fills its
// report table on a worker thread under a progress dialog; a preview is a
// window among the charts, printing goes to the program's printer.

#include "app/FileChoosers.h"
#include "geo/Position.h"

#include <filesystem>
#include <string>

class QMdiArea;
class QPrinter;
class QWidget;

namespace chartpoints {
class CChartpointModule;
}
namespace navigator {
class CNavigatorModule;
}
namespace routes {
class CRouteModule;
class CPlanModule;
}   // namespace routes

namespace shell {

struct CModuleReportHost {
    QWidget* parent = nullptr;
    QMdiArea* mdi = nullptr;
    QPrinter* printer = nullptr;   // what Print Setup chose; printing asks nothing
    chartpoints::CChartpointModule* chartpoints = nullptr;
    navigator::CNavigatorModule* navigator = nullptr;
    routes::CRouteModule* routes = nullptr;
    routes::CPlanModule* plans = nullptr;
    std::filesystem::path reportsFolder;   // the program's definition files
    geo::CPositionFormat positionFormat;   // how the reports print positions
    bool printerPresent = false;   // the system has a printer: previews offer Print
};

// Which of these reports the Print choosers offer now.
// The chartpoint report: while a chartpoint table is open, a new one not yet saved included.
bool ChartpointReportOffered(const CModuleReportHost& host);
void AddModuleReportChoices(app::CChooserState& state, const CModuleReportHost& host);
// Whether the chosen report's preview window is open.
bool IsModuleReportOpen(int chosen, const CModuleReportHost& host);
// Runs the chosen report when it is one of these; false when it is not.
bool RunModuleReport(int chosen, bool preview, const CModuleReportHost& host);
// The plan card's Report, the short form plan, by the files the plan module
// chose at start: while the tested file is there, the custom report without
// memos when both PlnCstm files were there, else the one with memos; the
// standard plan otherwise. Its chooser id, or 0 while there is no valid plan
// or its preview is open.
int ShortFormPlanChoice(const CModuleReportHost& host);
// Closes the passage plan's preview windows (the standard plan and both
// custom forms) that are open: a new calculation makes what they show stale.
void ClosePlanReports(const CModuleReportHost& host);

}   // namespace shell

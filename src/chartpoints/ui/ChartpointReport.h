#pragma once
// The chartpoint report: every chartpoint of the open database in the sort
// order the user chose. The rows are copied on the window thread (the table
// is the module's, and goes back to its record afterwards); the worker
// writes them to the report table and lays out the pages.

#include "engines/report/ReportRun.h"
#include "geo/Position.h"

namespace db {
class CDBChartPoint;
}

namespace chartpoints {

// Positions are printed in the form the user chose in Tools > Options.
report::CReportRequest ChartpointReport(db::CDBChartPoint& table,
                                        const geo::CPositionFormat& format = {});

}   // namespace chartpoints

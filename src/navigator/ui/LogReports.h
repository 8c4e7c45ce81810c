#pragma once
// The logbook's two reports: the vessel log (every logbook row of one
// vessel, in local time) and the log list (one row per vessel and append of
// the index). The log's place and the vessel are copied here on the window
// thread; the worker reads the tables through read-only handles of its own,
// each logbook up to the count it had when the run began.

#include "engines/report/ReportRun.h"
#include "geo/Position.h"

#include <cstdint>
#include <string>
#include <vector>

namespace navigator {

class CVesselLogbook;

// The vessel whose log is printed: the own vessel of the open log, else the
// first own vessel listed; 0 when there is none.
std::uint32_t VesselLogKey(const CVesselLogbook& log);

// The logbook tables (paths without extension) of the vessel, in list order.
std::vector<std::string> VesselLogTables(const CVesselLogbook& log, std::uint32_t vesselId);

// Positions are printed in the form the user chose in Tools > Options.
report::CReportRequest VesselLogReport(const std::string& indexPath,
                                       std::vector<std::string> tables,
                                       const geo::CPositionFormat& format = {});
report::CReportRequest LogListReport(const std::string& indexPath);

}   // namespace navigator

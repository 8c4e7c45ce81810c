#pragma once
// The passage plan as it is printed: one row of texts per waypoint with a
// calculated leg, in the plan report table's field order
// (db::ReportPlanFields). The plan report and the sample-data tool both
// write these rows.

#include "geo/Position.h"

#include <cstdint>
#include <string>
#include <vector>

namespace routes {

struct CRouteState;
class CPlanModule;

// The plan's printed forms of a leg's values.
std::string PlanElapsedText(std::int64_t seconds);   // "001:05:30", rounded to the minute
std::string PlanPassageText(std::int64_t seconds);   // "  1d 02h 05m"
std::string PlanMagneticText(double degrees);   // "2.5E", "3.0W", "0.0W"

// A point without a calculated leg at its place gives no row.
// Positions are written in `format`.
std::vector<std::vector<std::string>> PlanRows(const CPlanModule& plan, const CRouteState& state,
                                               const geo::CPositionFormat& format = {});

}   // namespace routes

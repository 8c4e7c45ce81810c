#pragma once
// Sample data large enough for reports of many pages, in the sample area
// (Admiralty Inlet to Seattle): a chartpoint database of any size, a route
// database of three routes, a log tow's route on south to Tacoma, and a
// vessel log of the sample passage sailed out and back any number of times.
// Every record reads "SAMPLE"; none of it is for navigation.

#include <string>

#include "navigator/OwnVessel.h"

namespace report_sample {

// The sample's own vessel: the particulars each own row of the sample logs
// carries, as the program writes the vessel's for every row it starts.
navigator::COwnVessel SampleVessel();

// `count` chartpoints strung along the passage, "Mark 001" onwards, their
// areas and kinds cycling; written to `path` (no extension). False with the
// reason in `error`.
bool WriteChartpoints(const std::string& path, int count, std::string& error);

// Three routes: "Admiralty Inlet-Seattle" (12 waypoints, a memo and two
// attachments, the other two slots unused), "Seattle to Kingston" and
// "Elliott Bay" (no ends, no attachments). Written to `path` (no extension).
bool WriteRoutes(const std::string& path, std::string& error);

// A log tow's route, "Point No Point-Tacoma" (5 waypoints down the main
// basin and East Passage into Commencement Bay, a memo), alone in the route
// database `path` (no extension).
bool WriteTowRoute(const std::string& path, std::string& error);

// One voyage of the passage sailed `passages` times, alternately
// southbound and northbound, at 9 knots from 1 June 2024 16:00 UTC with an
// hour alongside between them: a logbook row every 5 minutes and a track
// point every 10 seconds. Written to the log `path` (no extension).
bool WriteLog(const std::string& path, int passages, std::string& error);

}   // namespace report_sample

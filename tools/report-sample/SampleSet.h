#pragma once
// The whole sample set of the sample area (Admiralty Inlet to Seattle) in one
// folder, each part written through the program's own table classes:
//
//   Chartpoints/PugetSound   200 chartpoints along the fairway
//   Routes/PugetSound        the three sample routes
//   Logs/Recorded            a vessel log from the NMEA captures
//   Charts/Cat               the installed chart catalogue of the sample media
//   Plans/PugetSound         the passage plan of the first route as printed
//   Routes/SouthSound        a log tow's route from Point No Point to Tacoma
//   Plans/SouthSound         the log tow's passage plan as printed
//   Settings.conf            the first plan's settings
//
// Every record says "SAMPLE"; none of it is for navigation.

#include <filesystem>
#include <string>

namespace platform {
class CPrompt;
}
namespace routes {
class CPlanModule;
struct CRouteState;
}   // namespace routes

namespace report_sample {

// The set's parts, relative to its folder.
inline constexpr const char* kSetChartpoints = "Chartpoints/PugetSound";
inline constexpr const char* kSetRoutes = "Routes/PugetSound";
inline constexpr const char* kSetLog = "Logs/Recorded";
inline constexpr const char* kSetCharts = "Charts";
inline constexpr const char* kSetPlan = "Plans/PugetSound";
inline constexpr const char* kSetTowRoutes = "Routes/SouthSound";
inline constexpr const char* kSetTowPlan = "Plans/SouthSound";
inline constexpr const char* kSetSettings = "Settings.conf";

// The catalogue as installing the sample chart medium and its two update
// media leaves it, with the sheet of plans the second update medium
// announces (catalogued, not installed). Written as "Cat" in `folder`.
bool WriteCatalogue(const std::filesystem::path& folder, std::string& error);

// The route `name` of the route database `path` (no extension) as the route
// module reads it, with the module's settings in `settingsFile`.
bool ReadRoute(const std::string& path, const std::string& name,
               const std::filesystem::path& settingsFile, routes::CRouteState& state,
               std::string& error);

// The sample plan of `state`: departing 1 June 2024 16:00 UTC at 10 knots,
// no tides, variation off, deviation on from the sample card. The plan
// module's result code (0 when calculated).
int CalculateSamplePlan(routes::CPlanModule& plan, const routes::CRouteState& state,
                        platform::CPrompt& prompt);

// The log tow's plan of `state`: a tug with a raft of logs departing
// 3 June 2024 05:00 UTC at 1 knot, no tides, variation and deviation off.
// Its first leg, 26 miles down the main basin, takes a day and more.
int CalculateTowPlan(routes::CPlanModule& plan, const routes::CRouteState& state,
                     platform::CPrompt& prompt);

// Writes the whole set into `folder` (made when missing), the log from the
// "*.nmea" captures in `captures`. False with the reason in `error`.
bool WriteSampleSet(const std::filesystem::path& folder, const std::filesystem::path& captures,
                    std::string& error);

}   // namespace report_sample

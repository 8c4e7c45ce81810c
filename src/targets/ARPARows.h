#pragma once
// The texts of an ARPA target's row on the "ARPA" card of the target
// tracking panel, from what the timer pass found new when it had the row
// written (the record's `rowSource`): a TTM, and the row is written from the
// TTM with the drawn position; only a TLL, and it is written from the TLL
// with the drawn course, range and bearing; neither, and every cell is
// empty. Speeds and distances are converted to knots and nautical miles by
// the TTM's unit letter; a value that cannot be converted leaves its cell
// empty.

#include <array>
#include <chrono>
#include <string>

#include "geo/Position.h"
#include "targets/ARPATargetPass.h"
#include "targets/ARPATargetStore.h"
#include "targets/TenderRows.h"

namespace targets {

inline constexpr int kArpaColumns = 14;
inline constexpr const char* kArpaHeaders[kArpaColumns] = {
    "Number",   "Name",    "Local Time", "Latitude",     "Longitude",   "Speed",  "Course",
    "Distance", "Bearing", "Time CPA",   "Distance CPA", "Acquisition", "Status", "Reference"};
// The row's "Latitude" cell; "Longitude" follows it.
inline constexpr int kArpaLatitudeColumn = 3;

std::array<std::string, kArpaColumns> ARPARowTexts(
    const CTrackedTarget& target, const geo::CPositionFormat& format,
    std::chrono::system_clock::time_point navigationUtc, const LocalTimeText& local);
// The same, read under the store's target lock while the radar's thread may
// be writing: no cell of the row is of another report than the rest.
std::array<std::string, kArpaColumns> ARPARowTexts(
    const CARPATargetStore& store, const CTrackedTarget& target, const geo::CPositionFormat& format,
    std::chrono::system_clock::time_point navigationUtc, const LocalTimeText& local);

// The "Summary" page of "ARPA Properties": display order, number, name,
// status word, "Non-Dangerous" while current else "Dangerous", and when
// the target was captured (`captured`, empty while it has no log row).
inline constexpr int kArpaSummaryFields = 6;
inline constexpr const char* kArpaSummaryLabels[kArpaSummaryFields] = {
    "Display Order", "Number", "Name", "Status", "Information Status", "Target Captured"};
std::array<std::string, kArpaSummaryFields> ARPASummaryTexts(const CTrackedTarget& target,
                                                             const std::string& captured);

// "Target Log": one row per track fix, oldest first.
inline constexpr int kArpaLogColumns = 13;
inline constexpr const char* kArpaLogHeaders[kArpaLogColumns] = {
    "Local Time", "Latitude", "Longitude",    "Datum",  "Speed",     "Course",     "Distance",
    "Bearing",    "Time CPA", "Distance CPA", "Status", "Reference", "Acquisition"};
std::array<std::string, kArpaLogColumns> ARPAFixTexts(const CTargetTrackFix& fix,
                                                      const geo::CPositionFormat& format,
                                                      const LocalTimeText& local);
// "Target Log : Target number 7 - Ferry"; without a target it ends after " : ".
std::string ARPALogTitle(const CTargetRecord* record);

// "A" Auto, "M" Manual, "R" Reported; "L" Lost, "Q" Query, "T" Tracking; else empty.
std::string AcquisitionText(char code);
std::string StatusWord(char code);

}   // namespace targets

#pragma once
// The texts of the tender rows the windows show, made here so that every
// rule (unset values empty, depth fallbacks, aged reports) is tested
// without a window: the "Tender" card of the target tracking panel and the
// "Tender Target Log" list of one tender's fixes.

#include <array>
#include <chrono>
#include <functional>
#include <span>
#include <string>

#include "geo/Position.h"
#include "targets/TenderTracking.h"

namespace targets {

// A UTC moment as the user's locale writes local date and time.
using LocalTimeText = std::function<std::string(std::chrono::system_clock::time_point)>;

inline constexpr int kTenderColumns = 8;
inline constexpr const char* kTenderHeaders[kTenderColumns] = {
    "ID", "Name", "Latitude", "Longitude", "Last Updated Time", "SOG", "COG", "Depth"};

inline constexpr int kTenderLogColumns = 7;
inline constexpr const char* kTenderLogHeaders[kTenderLogColumns] = {
    "Local Time", "Latitude", "Longitude", "Datum", "SOG", "COG", "Depth"};

// Whole degrees, three digits: "005".
std::string BearingText(double degrees);
// 0 decimals from 100, 2 below 10, else 1.
std::string DistanceText(double value);

// The card's row: position, SOG and COG only while the RMC values are
// valid; the time of the RMC (time and date) when valid, else the
// navigation time; depth in metres from metres, feet or fathoms.
std::array<std::string, kTenderColumns> TenderRowTexts(
    const CTender& tender, const geo::CPositionFormat& format,
    std::chrono::system_clock::time_point navigationUtc, const LocalTimeText& local);

std::array<std::string, kTenderLogColumns> TenderFixTexts(const CTenderFix& fix,
                                                          const geo::CPositionFormat& format,
                                                          const LocalTimeText& local);

// The current tender's indicators on the status bar, in their order there.
inline constexpr int kTenderPaneCount = 6;
struct CTenderPane {
    unsigned id;
    const char* tooltip;
    const char* sample;   // sizes the pane
};
std::span<const CTenderPane> TenderPanes();
// ID, name, position (latitude and longitude joined by a blank), course
// (three digits), speed (1 decimal) and depth (distance format); all empty
// without a tender, each empty while its value is unknown.
std::array<std::string, kTenderPaneCount> TenderPaneTexts(const CTender* tender,
                                                          const geo::CPositionFormat& format);

// The Summary page of a tender's "Target Properties": its channel letter,
// name, state ("'Panic Button' Activated" while in panic, else
// "Non-Dangerous" while it reports, else "Dangerous") and when it was
// captured (the start of its vessel-log row, local time; empty without one).
inline constexpr int kTenderSummaryFields = 4;
inline constexpr const char* kTenderSummaryLabels[kTenderSummaryFields] = {
    "Channel Number", "Name", "Status", "Target Captured"};
// `captured`: when the tender's vessel-log row started, as the user reads it.
std::array<std::string, kTenderSummaryFields> TenderSummaryTexts(const CTender& tender,
                                                                 const std::string& captured = {});

// The "Tender" card's latitude and longitude cells in `format`, from where
// the tender is drawn (its reported position, else its last fix); rewritten
// alone when the program's position format changes.
std::array<std::string, 2> TenderPositionCells(const CTender& tender,
                                               const geo::CPositionFormat& format);

// "Tender Target Log : Target ID T2 - Rescue"; without a tender it ends after " : ".
std::string TenderLogTitle(const CTender* tender);

}   // namespace targets

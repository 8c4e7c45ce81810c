#pragma once
// The navigation value texts shared by the status-bar indicators, the monitor
// panel and its cards. Every number is written locale-free; an unset value
// (nmea::kNoValue, NaN or infinite) gives an empty text.

#include <optional>
#include <string>

#include "nmea/NMEAData.h"

namespace navigator {

bool IsSet(double value);

// Whole degrees, rounded, folded into 0..359 and padded with zeros: "005",
// "000" for 359.6.
std::string FormatBearing3(double degrees);
// COG and heading: a blank, then FormatBearing3.
std::string FormatCourseText(double degrees);
// SOG and speed through the water: one decimal in width 4.
std::string FormatSpeedText(double knots);
// Below 10: 2 decimals; below 100: 1; below 10000: none (each width 4); else "9999+".
std::string FormatIndicatorDistance(double nm);
// Below 100 m: 1 decimal in width 5; below 10000: none in width 4; else "9999+".
std::string FormatDepthText(double metres);
// Magnitude only: "0.0" below 0.01 nm, else the indicator distance without leading blanks.
std::string FormatXteText(double xte);
// The status-bar form: "<<<" in front when left of track, ">>>" behind when right.
std::string FormatXteIndicator(double xte);
// Time to go as a time span's text: whole days, a blank and the rest as the user's
// locale writes a time ("0 01:02:05"); empty when absent.
std::string FormatTimeToGo(std::optional<long> seconds);
// Range and bearing from the vessel to the cursor: "1.23nm, 045°, (225°)";
// bearings folded into 0..359, so neither reads "360".
std::string FormatCursorRangeBearing(double rangeNm, double bearing);

// The plan card: one decimal in width 6; variation and deviation as the
// magnitude that way, a blank and "W" (negative) or "E".
std::string FormatPlanValue(double value);
std::string FormatPlanEastWest(double degrees);
// The Monitor's datum-shift line for the active chart's status (0 applied,
// 1 none applied, 2 none available, 3 none required, 4 not applicable, 5
// error; anything else reads as an error): " - " and the chart's kind
// follow for every status but 2 and 4.
std::string DatumShiftText(int status, const std::string& chartKind);

// The wind card.
std::string FormatWindAngle(double degrees);   // "000" unless 0.49 < a < 359.5
std::string WindReferenceText(char reference);   // "Relative", "True" or empty
std::string WindUnitText(char unit);   // "Km/Hour", "Meters/Second", "kn" or empty

}   // namespace navigator

#pragma once
// The rules of the "Position Source" dialog without its window: the course
// and speed over ground made from the DR course, speed, set and drift, the
// range rule of the bearing fields, the source text, and what the user's
// choice is when applied.

#include <optional>
#include <string>
#include <string_view>

#include "geo/Position.h"

namespace navigator {

enum class SourceChoice { NMEA, DeadReckoning, Off };

struct CPositionSourceChoice {
    SourceChoice source = SourceChoice::NMEA;
    double course = 0.0;   // heading, degrees true
    double speed = 0.0;   // through the water, knots
    double set = 0.0;   // current towards, degrees true
    double drift = 0.0;   // current rate, knots
    // The vessel's position typed in; none with "Use Chart" (keep the position).
    std::optional<geo::CPosition> position;
    std::string fixTypeText = "Visual";
};

struct CGroundVector {
    double cog = 0.0;
    double sog = 0.0;
};

// (speed on course) + (drift on set): the direction of the sum, 0 to 360,
// and its length. Components below 1e-5 count as 0.
CGroundVector CombineCourseAndSet(double course, double speed, double set, double drift);

// A bearing field's text after an edit: "360" reads "000"; a number outside
// 0..360 or no number at all gives the last accepted text back.
std::string AcceptBearingText(std::string_view typed, const std::string& lastAccepted);

// Fix type codes of the combo: "Visual" 1, "Radar" 2, "Astro" 3, "DR" 5, else 6 ("EP").
int FixTypeFromText(std::string_view text);

// "No Position Source", "Position Source is DR" or "Position Source is EPFS".
std::string SourceText(bool gpsReceiving, bool drRunning);

}   // namespace navigator

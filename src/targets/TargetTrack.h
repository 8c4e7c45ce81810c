#pragma once
// A target's track: the timed fixes it left behind, oldest first, each with
// the target's data of that moment. Fixes are only appended, so the list is
// sorted by time and "Limit to previous" is a binary search.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "targets/TargetRecord.h"

namespace targets {

struct CTargetTrackFix {
    using Clock = std::chrono::system_clock;
    CTargetPosition position;
    Clock::time_point time{};
    bool newSegment = false;   // no line joins it to the fix before
    std::optional<double> course;
    std::optional<double> speedKnots;
    std::optional<double> rangeNm;
    std::optional<double> bearing;
    std::optional<double> closestApproachNm;
    std::optional<double> minutesToClosestApproach;
    std::string status;
    bool reference = false;
    std::optional<char> acquisition;   // "A", "M" or "R" as reported
};

// The index of the first fix to draw. With `limit` set, fixes at least that
// much older than the newest are left out (the newest always stays unless
// the limit is zero or less, when nothing is drawn: the track's size).
std::size_t FirstFixToDraw(const std::vector<CTargetTrackFix>& track,
                           std::optional<std::chrono::seconds> limit);

}   // namespace targets

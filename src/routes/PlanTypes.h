#pragma once
// The records and settings of a passage plan. A plan is one CLegData per
// waypoint: record n is the leg from waypoint n to n + 1, the last record the
// final waypoint. Times run in UTC seconds (a clock change in the middle of a
// passage must not shift later waypoints); windows show them in local time.

#include "chart/overlays/PlanTrack.h"
#include "geo/Position.h"

#include <array>
#include <cstdint>
#include <vector>

namespace routes {

// The range a running time may reach: 1 January 101 00:00:00 to
// 31 December 9998 23:59:59 UTC, as seconds since 1970.
inline constexpr std::int64_t kPlanEarliest = -58979923200LL;
inline constexpr std::int64_t kPlanLatest = 253370764799LL;

// A leg's dead-reckoned ground track as the chart draws it: a plan track
// whose points are copied with the record (the best-time search keeps copies
// of whole plans). Its points are places only: no fix time, fix kind 0.
class CLegTrack final : public chart::CPlanTrack {
public:
    CLegTrack() = default;
    CLegTrack(const CLegTrack& other) : chart::CPlanTrack() { CopyFrom(other); }
    CLegTrack& operator=(const CLegTrack& other)
    {
        if (this != &other)
            CopyFrom(other);
        return *this;
    }
    ~CLegTrack() override = default;

    void Append(const geo::CPosition& where);
    // The first point starts a line of its own: legs are not joined.
    void MarkStart();
    geo::CPosition PositionAt(std::size_t i) const { return Points()[i]->GetPosition(); }
};

struct CLegData {
    bool timeValid = false;
    std::int64_t utc = 0;   // at the record's start waypoint
    std::int64_t passageSeconds = 0;   // to the next waypoint; 0 for the last record
    double variation = 0;   // degrees, east positive
    double deviation = 0;
    double distance = 0;   // nm, by the route's leg type
    double distanceRun = 0;
    double distanceToGo = 0;
    double drift = 0;   // nm over the whole leg
    double course = 0;   // degrees true
    double set = 0;
    double courseToSteer = 0;
    double magneticCourse = 0;
    double compassCourse = 0;
    geo::CPosition start, end;   // end invalid for the last record
    CLegTrack track;   // dead-reckoned ground track (tidal legs)
    bool tidal = false;   // the leg has a tidal result

    CLegData()
    {
        start.Invalidate();
        end.Invalidate();
    }
    void Reset() { *this = CLegData(); }
};

using CPlanList = std::vector<CLegData>;

enum class PlanMode { DepartAt = 0, ArriveFor = 1 };

// The settings a calculation runs with (the plan module keeps them).
struct CPlanSettings {
    bool tidesOn = false;
    bool variationOn = false;
    bool deviationOn = false;
    double vesselSpeed = 5.0;   // knots
    std::int64_t tidalIntervalSeconds = 3600;   // 1 minute to 23:59
    std::int64_t bestTimeIntervalSeconds = 3600;
    int bestTimePlans = 6;   // 2 to 12
    PlanMode mode = PlanMode::DepartAt;
};

// Results of a calculation.
enum PlanCode : int { kPlanDone = 0, kPlanAborted = 1, kPlanDateOutOfRange = 2 };

// One waypoint as the route gives it: the leg to the next waypoint by the
// route's leg type (0 and 0 at the last).
struct PlanWaypoint {
    geo::CPosition position;
    double course = 0;
    double distance = 0;
};

}   // namespace routes

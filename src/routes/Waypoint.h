#pragma once
// CWaypoint: one point of a route in memory: a chartpoint and the type of
// the leg that starts at it (routes::WaypointLeg).

#include "chartpoints/Chartpoint.h"
#include "routes/LegTypes.h"

namespace routes {

class CWaypoint : public chartpoints::CChartpoint {
public:
    CWaypoint() = default;
    explicit CWaypoint(const geo::CPosition& position) : CChartpoint(position) { }
    explicit CWaypoint(const chartpoints::CChartpoint& point) : CChartpoint(point) { }

    // Clear and IsEmpty stay the chartpoint's: the leg type is neither
    // cleared nor tested.
    std::uint32_t m_legType = kLegRhumb;
};

}   // namespace routes

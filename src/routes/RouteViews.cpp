#include "routes/RouteViews.h"

#include "routes/TidalModule.h"

namespace routes {

CRouteViews::CRouteViews(CRouteState& state) : m_state(state)
{
    Refresh();
}

navigator::CRouteWaypoint CRouteViews::Waypoint(int index) const
{
    if (index < 1 || index > WaypointCount())
        return {};
    const CWaypoint& wp = m_state.waypoints[std::size_t(index - 1)];
    return {wp.m_position, wp.m_name};
}

bool CRouteViews::GetArrivalTime(int index, app::CDateTimeEx& when) const
{
    if (index < 0 || !m_waypointTimes)
        return false;
    const std::optional<std::int64_t> utc = m_waypointTimes(std::size_t(index));
    if (!utc)
        return false;
    when = UtcSecondsToLocal(*utc);
    return true;
}

bool CRouteViews::SelectWaypoint(int index)
{
    if (index < 1 || index > WaypointCount())
        return false;
    const bool moved = index != m_state.activeIndex;
    m_state.activeIndex = index;
    if (moved && m_selected)
        m_selected();
    return true;
}

std::vector<geo::CPosition> CRouteViews::CurrentRouteWaypoints() const
{
    std::vector<geo::CPosition> out;
    out.reserve(m_state.waypoints.size());
    for (const CWaypoint& wp : m_state.waypoints)
        out.push_back(wp.m_position);
    return out;
}

void CRouteViews::SetMonitoring(const nmea::CRouteMonitoring& monitoring)
{
    m_state.monitoring.TakeFromAutopilot(monitoring);
    if (monitoring.automaticLegAdvance)
        m_state.inUse.Take(RouteHolder::Advance);
    else
        m_state.inUse.Give(RouteHolder::Advance);
}

void CRouteViews::SetActiveWaypoint(std::size_t index)
{
    SelectWaypoint(int(index) + 1);
}

}   // namespace routes

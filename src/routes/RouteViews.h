#pragma once
// The current route as the navigator, the autopilot and the chart read it.
// All three read the one CRouteState the route module keeps, so monitoring,
// steering and drawing follow the same stored settings records.

#include "chart/overlays/OverlayProperties.h"
#include "routes/RouteInUse.h"
#include "routes/RouteSettings.h"
#include "routes/Waypoint.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace routes {

struct CRouteState {
    bool hasRoute = false;
    std::string name;
    std::vector<CWaypoint> waypoints;
    int activeIndex = 0;   // 1-based; 0 for none
    bool editMode = false;
    CGreatCircleRecord greatCircle;
    CMonitoringRecord monitoring;
    CMonitoringOverlays overlays;
    chart::CRouteDrawSettings draw;
    CRouteInUse inUse;
};

class CRouteViews final : public navigator::CActiveRoute,
                          public nmea::CRouteSteering,
                          public chart::CRouteOverlaySource {
public:
    explicit CRouteViews(CRouteState& state);

    // After the great-circle record changed: the chart's copy follows.
    void Refresh() { m_chartGreatCircle = m_state.greatCircle.ForChart(); }
    // Told when the navigator or the autopilot moves the active waypoint,
    // so the route's panel and pickers show it.
    void SetSelectionListener(std::function<void()> selected) { m_selected = std::move(selected); }

    // ---- navigator::CActiveRoute
    bool HasRoute() const override { return m_state.hasRoute; }
    std::string Name() const override { return m_state.name; }
    int WaypointCount() const override { return int(m_state.waypoints.size()); }
    int ActiveIndex() const override { return m_state.activeIndex; }
    navigator::CRouteWaypoint Waypoint(int index) const override;
    bool SelectWaypoint(int index) override;
    navigator::CRouteMonitoringSettings Settings() const override
    {
        return m_state.monitoring.ForNavigator();
    }

    // ---- nmea::CRouteSteering
    bool IsBusy() const override
    {
        return m_state.editMode || m_state.inUse.Holds(RouteHolder::Upload);
    }
    std::vector<geo::CPosition> CurrentRouteWaypoints() const override;
    nmea::CRouteMonitoring GetMonitoring() const override
    {
        return m_state.monitoring.ForAutopilot();
    }
    void SetMonitoring(const nmea::CRouteMonitoring& monitoring) override;
    void TakeInUseHold() override { m_state.inUse.Take(RouteHolder::Autopilot); }
    void GiveInUseHold() override { m_state.inUse.Give(RouteHolder::Autopilot); }
    bool HasCurrentWaypoint() const override { return m_state.activeIndex > 0; }
    void SetActiveWaypoint(std::size_t index) override;

    // ---- chart::CRouteOverlaySource
    const chart::CGreatCircleSettings& GreatCircleSettings() const override
    {
        return m_chartGreatCircle;
    }
    const chart::CRouteDrawSettings& DrawSettings() const override { return m_state.draw; }
    const chart::CWaypointProperties& WaypointProperties() const override { return m_properties; }
    bool AreRouteTablesPositioned() const override
    {
        return m_state.hasRoute && m_state.activeIndex > 0;
    }
    // The passage plan's time at a waypoint (index from 0), local.
    bool GetArrivalTime(int index, app::CDateTimeEx& when) const override;
    // Where the plan's waypoint times come from (UTC seconds; none when the
    // plan is not calculated). The program sets it once the plan exists.
    void SetWaypointTimes(std::function<std::optional<std::int64_t>(std::size_t)> times)
    {
        m_waypointTimes = std::move(times);
    }

    chart::CWaypointProperties& Properties() { return m_properties; }

private:
    CRouteState& m_state;
    chart::CGreatCircleSettings m_chartGreatCircle;
    chart::CWaypointProperties m_properties;
    std::function<std::optional<std::int64_t>(std::size_t)> m_waypointTimes;
    std::function<void()> m_selected;
};

}   // namespace routes

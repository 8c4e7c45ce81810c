// The Route menu's commands with their enable rules: route and waypoint
// selection, Edit, New, Copy, Reverse, Delete, waypoint Delete and Locked,
// and Show/Hide Waypoints. Whatever changes a route is off while anything
// holds it in use.

#include "routes/RouteModule.h"

#include "app/CommandIds.h"
#include "app/CommandTable.h"

namespace routes {

namespace cmd = app::cmd;

const std::vector<unsigned>& CRouteModule::CommandIds()
{
    static const std::vector<unsigned> ids{
        cmd::kRouteFirst,     cmd::kRoutePrevious,    cmd::kRouteNext,    cmd::kRouteLast,
        cmd::kWaypointFirst,  cmd::kWaypointPrevious, cmd::kWaypointNext, cmd::kWaypointLast,
        cmd::kWaypointDelete, cmd::kWaypointLocked,   cmd::kRouteEdit,    cmd::kRouteNew,
        cmd::kRouteCopy,      cmd::kRouteReverse,     cmd::kRouteDelete,  cmd::kRouteShowWaypoints,
    };
    return ids;
}

app::CCmdUIState CRouteModule::CommandState(unsigned id)
{
    app::CCmdUIState s;
    s.enabled = false;
    const bool free = IsFree();
    const int route = RouteOrdinal();
    const int routes = RouteCount();
    const int active = m_state.activeIndex;
    const int points = int(m_state.waypoints.size());
    const bool editable = CanChangeRoute();
    switch (id) {
    case cmd::kRouteFirst:
    case cmd::kRoutePrevious: s.enabled = free && route > 1; break;
    case cmd::kRouteNext:
    case cmd::kRouteLast: s.enabled = free && route >= 1 && route < routes; break;
    case cmd::kWaypointFirst:
    case cmd::kWaypointPrevious: s.enabled = free && active > 1; break;
    case cmd::kWaypointNext:
    case cmd::kWaypointLast: s.enabled = free && active >= 1 && active < points; break;
    case cmd::kWaypointDelete: s.enabled = editable && active >= 1; break;
    case cmd::kWaypointLocked:
        s.enabled = editable && active >= 1;
        s.check = m_waypointsLocked ? 1 : 0;
        break;
    case cmd::kRouteEdit:
        RecheckLockHolder();
        s.enabled = m_db->IsOpen() && !m_lockedElsewhere && free;
        s.check = m_state.editMode ? 1 : 0;
        break;
    case cmd::kRouteNew: s.enabled = m_state.editMode && free; break;
    case cmd::kRouteCopy:
    case cmd::kRouteDelete: s.enabled = editable; break;
    case cmd::kRouteReverse: s.enabled = editable && points > 1; break;
    case cmd::kRouteShowWaypoints:
        s.enabled = true;
        s.check = m_views.WaypointProperties().GetDraw() ? 1 : 0;
        break;
    default: break;
    }
    // Grey for a reason the menu does not show: another station's edit, or
    // what holds the route in use.
    if (!s.enabled && id == cmd::kRouteEdit && m_db->IsOpen() && m_lockedElsewhere)
        s.why = m_lock.RefusalText();
    else if (!s.enabled && !free)
        s.why = m_state.inUse.WhyHeld();
    return s;
}

void CRouteModule::Execute(unsigned id)
{
    if (!CommandState(id).enabled)
        return;
    switch (id) {
    case cmd::kRouteFirst: SelectRoute(1); break;
    case cmd::kRoutePrevious: SelectRoute(RouteOrdinal() - 1); break;
    case cmd::kRouteNext: SelectRoute(RouteOrdinal() + 1); break;
    case cmd::kRouteLast: SelectRoute(RouteCount()); break;
    case cmd::kWaypointFirst: SelectWaypoint(1); break;
    case cmd::kWaypointPrevious: SelectWaypoint(m_state.activeIndex - 1); break;
    case cmd::kWaypointNext: SelectWaypoint(m_state.activeIndex + 1); break;
    case cmd::kWaypointLast: SelectWaypoint(int(m_state.waypoints.size())); break;
    case cmd::kWaypointDelete: DeleteCurrentWaypoint(); break;
    case cmd::kWaypointLocked:
        m_waypointsLocked = !m_waypointsLocked;
        Notify(kHintDisplay);
        break;
    case cmd::kRouteEdit: OnEdit(); break;
    case cmd::kRouteNew: NewRoute(); break;
    case cmd::kRouteCopy: CopyRoute(false); break;
    case cmd::kRouteReverse: CopyRoute(true); break;
    case cmd::kRouteDelete: DeleteRoute(); break;
    case cmd::kRouteShowWaypoints:
        m_views.Properties().SetDraw(!m_views.WaypointProperties().GetDraw());
        Notify(kHintDisplay);
        break;
    default: break;
    }
}

}   // namespace routes

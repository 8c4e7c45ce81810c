#include "routes/RouteCombos.h"

#include "db/DBRoute.h"
#include "routes/RouteViews.h"

#include <cstdio>

namespace routes {

std::string RouteEntryText(const std::string& name, const std::string& from, const std::string& to)
{
    if (from.empty() || to.empty())
        return name;
    return name + " [" + from + "->" + to + "]";
}

std::string WaypointEntryText(int ordinal, const std::string& name)
{
    char number[16];
    std::snprintf(number, sizeof number, "%03d", ordinal);
    return std::string(number) + " " + (name.empty() ? std::string("No name") : name);
}

void CRouteComboModel::SetRoutes(db::CDBRoute* table)
{
    m_routes = table;
    SetTable(table);
}

void CRouteComboModel::ReadEntries(std::vector<std::string>& entries)
{
    if (!m_routes)
        return;
    // A move reports failure when the route's waypoints do not open; the
    // record is still there, so the walk goes on, at most once per record.
    m_routes->PushPosition();
    m_routes->GoTop();
    for (long n = m_routes->GetRecordCount(); n > 0 && m_routes->GetRecNo() > 0; --n) {
        entries.push_back(ItemText());
        if (m_routes->IsLast())
            break;
        m_routes->SkipForward();
    }
    m_routes->PopPosition();
}

std::string CRouteComboModel::ItemText()
{
    return m_routes ? RouteEntryText(m_routes->m_name, m_routes->m_from, m_routes->m_to)
                    : std::string();
}

bool CRouteComboModel::ShowsCurrent(const std::string& shown)
{
    if (!m_routes)
        return true;
    std::string name = shown;
    if (const std::size_t bracket = shown.rfind('['); bracket != std::string::npos) {
        name = shown.substr(0, bracket);
        if (!name.empty() && name.back() == ' ')
            name.pop_back();
    }
    return name == m_routes->m_name;
}

bool CWaypointComboModel::HasRows()
{
    return m_state.hasRoute && !m_state.waypoints.empty();
}

void CWaypointComboModel::DeleteCurrentEntry()
{
    if (CachedIndex() == GetCount() - 1)
        db::CDBComboModel::DeleteCurrentEntry();
    else
        Refill();
}

long CWaypointComboModel::CurrentOrdinal()
{
    return HasRows() ? m_state.activeIndex : 0;
}

void CWaypointComboModel::ReadEntries(std::vector<std::string>& entries)
{
    for (std::size_t i = 0; i < m_state.waypoints.size(); ++i)
        entries.push_back(WaypointEntryText(int(i) + 1, m_state.waypoints[i].m_name));
}

std::string CWaypointComboModel::ItemText()
{
    const int index = m_state.activeIndex;
    if (index < 1 || index > int(m_state.waypoints.size()))
        return {};
    return WaypointEntryText(index, m_state.waypoints[std::size_t(index - 1)].m_name);
}

}   // namespace routes

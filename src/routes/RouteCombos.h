#pragma once
// The route lists the toolbar's drop-downs and the upload dialog show: the
// routes of the database and the waypoints of the current route.

#include "db/DBComboModel.h"

namespace db {
class CDBRoute;
}

namespace routes {

struct CRouteState;

inline constexpr int kRouteComboId = 814;
inline constexpr int kWaypointComboId = 964;

// "name [from->to]", or the name alone when either end is empty.
std::string RouteEntryText(const std::string& name, const std::string& from, const std::string& to);
// "007 No name": the point's ordinal in three digits, then its name.
std::string WaypointEntryText(int ordinal, const std::string& name);

class CRouteComboModel final : public db::CDBTableComboModel {
public:
    // `controlId` -1 for a list no toolbar shows.
    explicit CRouteComboModel(int controlId = kRouteComboId) : db::CDBTableComboModel(controlId) { }
    void SetRoutes(db::CDBRoute* table);

protected:
    // Every route listed, also one whose waypoints could not be read.
    void ReadEntries(std::vector<std::string>& entries) override;
    std::string ItemText() override;
    // Only a changed name replaces the entry.
    bool ShowsCurrent(const std::string& shown) override;

private:
    db::CDBRoute* m_routes = nullptr;
};

// The current route's points, from the route the module has read.
class CWaypointComboModel final : public db::CDBComboModel {
public:
    explicit CWaypointComboModel(const CRouteState& state)
        : db::CDBComboModel(kWaypointComboId), m_state(state)
    { }
    bool HasRows() override;
    // The ordinals after a deleted point change: all anew, unless it was the last.
    void DeleteCurrentEntry() override;
    void InsertCurrentEntry() override { Refill(); }

protected:
    long CurrentOrdinal() override;
    void ReadEntries(std::vector<std::string>& entries) override;
    std::string ItemText() override;

private:
    const CRouteState& m_state;
};

}   // namespace routes

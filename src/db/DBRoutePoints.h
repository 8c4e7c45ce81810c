#pragma once
// CDBRoutePoints: the link table of one route. Each record places one point
// of the route: its position "ORDER" (1 to n without gaps among the records
// not deleted), the leg type "LINK" as stored (0 rhumb line, 1 great circle),
// where the point is stored "TYPE" (0: in the route's own waypoint table) and
// the waypoint's id "ID". The route's waypoint table is owned here and lives
// in the folder named like this table, beside it.

#include "db/DBTextTable.h"
#include "db/DBWaypoint.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace db {

class CDBRoutePoints : public CDBTextTable {
public:
    CDBRoutePoints();
    ~CDBRoutePoints() override;

    bool LoadRecord() override;
    bool StoreRecord() override;
    bool ResetCache() override;
    bool Open(bool readOnly = false, bool recreate = false) override;
    bool DeleteRecord() override;
    bool DeleteAll() override;
    bool Pack() override;
    bool DeleteFiles() override;
    bool CopyTo(const std::string& path) override;
    bool Close() override;

    // ORDER of the last point, 0 for an empty route; the current record stays.
    long GetLastOrder();
    // Appends the waypoint whose members the caller filled and links it last.
    bool AppendPoint();
    // Moves the current point to position n; the others keep their sequence.
    bool InsertAtOrder(long n);
    bool ReverseOrder();
    // After a crash: the links `dropped` (their waypoint is gone) deleted and
    // the others given ORDER 1..n in the sequence of `keptInOrder`; flushed.
    bool RewriteOrder(const std::vector<long>& keptInOrder, const std::vector<long>& dropped);

    CDBWaypoint& Waypoints() { return *m_waypoints; }

    long m_order = 0;
    std::uint8_t m_link = 0;
    std::uint8_t m_type = 0;
    long m_pointId = 0;

private:
    // Record numbers of the points in route order.
    std::vector<long> PointsInOrder();
    // Gives the records ORDER 1..n in the sequence given.
    bool Renumber(const std::vector<long>& recNos);

    std::unique_ptr<CDBWaypoint> m_waypoints;
};

}   // namespace db

#pragma once
// Putting a route's links right after a crash: the links ordered by their
// stored ORDER (ties by record number) and renumbered 1..n, and links whose
// waypoint no longer exists dropped, each named so the user can be told.

#include <set>
#include <string>
#include <vector>

namespace routes {

struct CLinkRow {
    long recNo = 0;
    long order = 0;
    long pointId = 0;
};

struct CLinkRepair {
    std::vector<long> keptInOrder;   // record numbers, to be given ORDER 1..n
    std::vector<CLinkRow> dropped;   // links to missing waypoints
    bool needed = false;   // anything to renumber or drop
    // "Waypoint 7 (link 3) is missing and was removed from the route."
    std::vector<std::string> Messages() const;
};

CLinkRepair PlanLinkRepair(std::vector<CLinkRow> links, const std::set<long>& existingIds);

}   // namespace routes

#include "routes/RouteRepair.h"

#include <algorithm>

namespace routes {

CLinkRepair PlanLinkRepair(std::vector<CLinkRow> links, const std::set<long>& existingIds)
{
    std::stable_sort(links.begin(), links.end(), [](const CLinkRow& a, const CLinkRow& b) {
        return a.order != b.order ? a.order < b.order : a.recNo < b.recNo;
    });
    CLinkRepair out;
    for (const CLinkRow& row : links) {
        if (!existingIds.count(row.pointId)) {
            out.dropped.push_back(row);
            out.needed = true;
            continue;
        }
        out.keptInOrder.push_back(row.recNo);
        if (row.order != long(out.keptInOrder.size()))
            out.needed = true;
    }
    return out;
}

std::vector<std::string> CLinkRepair::Messages() const
{
    std::vector<std::string> out;
    for (const CLinkRow& row : dropped)
        out.push_back("Waypoint " + std::to_string(row.pointId) + " (link " +
                      std::to_string(row.recNo) + ") is missing and was removed from the route.");
    return out;
}

}   // namespace routes

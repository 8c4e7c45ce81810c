#include "chartpoints/SortOrders.h"

#include "app/CommandIds.h"
#include "platform/Ascii.h"

namespace chartpoints {

namespace {

bool SameNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (platform::AsciiLower(a[i]) != platform::AsciiLower(b[i]))
            return false;
    return true;
}

}   // namespace

const std::array<CSortOrder, kSortOrders>& SortOrders()
{
    namespace cmd = app::cmd;
    static const std::array<CSortOrder, kSortOrders> orders{{
        {"T_UNIQUE", "Original Order", "Sort by Original Order", cmd::kChartpointSortOriginal},
        {"T_NAME", "Name", "Sort by Name", cmd::kChartpointSortName},
        {"T_ID", "ID", "Sort by ID", cmd::kChartpointSortId},
        {"T_LAT", "Latitude", "Sort by Latitude", cmd::kChartpointSortLatitude},
        {"T_LNG", "Longitude", "Sort by Longitude", cmd::kChartpointSortLongitude},
        {"T_DSHIFT", "Datum", "Sort by Datum", cmd::kChartpointSortDatum},
        {"T_AREA", "Area", "Sort by Area", cmd::kChartpointSortArea},
        {"T_GROUP", "Type", "Sort by Type", cmd::kChartpointSortType},
        {"T_ZONE", "Zone", "Sort by Zone", cmd::kChartpointSortZone},
    }};
    return orders;
}

std::string SortNameToTag(std::string_view name)
{
    for (const CSortOrder& o : SortOrders())
        if (SameNoCase(o.name, name))
            return o.tag;
    return "T_UNIQUE";
}

std::string SortTagToName(std::string_view tag)
{
    for (const CSortOrder& o : SortOrders())
        if (SameNoCase(o.tag, tag))
            return o.name;
    return "Original Order";
}

int SortIndexOfTag(std::string_view tag)
{
    for (int i = 0; i < kSortOrders; ++i)
        if (SameNoCase(SortOrders()[i].tag, tag))
            return i;
    return 0;
}

int SortIndexOfCommand(unsigned command)
{
    for (int i = 0; i < kSortOrders; ++i)
        if (SortOrders()[i].command == command)
            return i;
    return -1;
}

}   // namespace chartpoints

#include "chartpoints/ChartpointCombos.h"

#include "chartpoints/SortOrders.h"
#include "db/DBChartPoint.h"

namespace chartpoints {

void CChartpointComboModel::SetChartpoints(db::CDBChartPoint* table)
{
    m_chartpoints = table;
    SetTable(table);
}

std::string CChartpointComboModel::ItemText()
{
    return m_chartpoints ? m_chartpoints->m_name : std::string();
}

CSortComboModel::CSortComboModel() : app::CComboEntries(kSortComboId)
{
    for (const CSortOrder& order : SortOrders())
        AddString(order.toolbarText);
}

}   // namespace chartpoints

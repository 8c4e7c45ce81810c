#include "navigator/AutoscrollRestrictions.h"

#include <algorithm>

namespace navigator {

void CAutoscrollRestrictions::Add(CRestrictedChart chart)
{
    const bool listed = std::any_of(m_charts.begin(), m_charts.end(), [&](const auto& c) {
        return chart.item ? c.item == chart.item : c == chart;
    });
    if (!listed)
        m_charts.push_back(std::move(chart));
}

void CRestrictionSelection::Set(std::size_t row, bool selected)
{
    if (row < m_selected.size())
        m_selected[row] = selected;
}

std::size_t CRestrictionSelection::SelectedCount() const
{
    return static_cast<std::size_t>(std::count(m_selected.begin(), m_selected.end(), true));
}

void CRestrictionSelection::SelectAll()
{
    if (m_selected.size() >= 2)
        std::fill(m_selected.begin(), m_selected.end(), true);
    else if (!m_selected.empty())
        m_selected[0] = true;
}

void CRestrictionSelection::SelectNone()
{
    std::fill(m_selected.begin(), m_selected.end(), false);
}

std::vector<CRestrictedChart> CRestrictionSelection::Kept(
    const std::vector<CRestrictedChart>& rows) const
{
    std::vector<CRestrictedChart> kept;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (!IsSelected(i))
            kept.push_back(rows[i]);
    return kept;
}

}   // namespace navigator

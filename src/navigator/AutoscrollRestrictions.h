#pragma once
// The charts autoscroll is restricted to, and how the restriction dialog
// edits that list: rows selected, Select All, Select None, and Remove, which
// keeps the rows not selected in their order. Entries name folio items; the
// list is emptied whenever the folio is cleared, so it never outlives them.

#include <cstddef>
#include <string>
#include <vector>

namespace navigator {

struct CRestrictedChart {
    const void* item = nullptr;   // the folio item, compared, never read here
    std::string number;
    std::string type;
    std::string description;
    bool operator==(const CRestrictedChart&) const = default;
};

class CAutoscrollRestrictions {
public:
    // A chart already listed (the same folio item) is not added twice.
    void Add(CRestrictedChart chart);
    void Clear() { m_charts.clear(); }
    bool Empty() const { return m_charts.empty(); }
    const std::vector<CRestrictedChart>& Charts() const { return m_charts; }
    void Replace(std::vector<CRestrictedChart> charts) { m_charts = std::move(charts); }

private:
    std::vector<CRestrictedChart> m_charts;
};

// The dialog's selection over its rows and the buttons it allows.
class CRestrictionSelection {
public:
    explicit CRestrictionSelection(std::size_t rows) : m_selected(rows, false) { }
    void Set(std::size_t row, bool selected);
    bool IsSelected(std::size_t row) const { return row < m_selected.size() && m_selected[row]; }
    std::size_t Rows() const { return m_selected.size(); }
    std::size_t SelectedCount() const;
    // Two or more rows: every row; a single row: that row.
    void SelectAll();
    void SelectNone();
    bool CanRemove() const { return SelectedCount() > 0; }
    bool CanSelectNone() const { return SelectedCount() > 0; }
    bool CanSelectAll() const { return !m_selected.empty() && SelectedCount() < m_selected.size(); }
    // The list after Remove: the rows not selected, in row order.
    std::vector<CRestrictedChart> Kept(const std::vector<CRestrictedChart>& rows) const;

private:
    std::vector<bool> m_selected;
};

}   // namespace navigator

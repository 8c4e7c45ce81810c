#pragma once
// Where a list window's rows come from. A list asks its source for the rows
// it shows, a range at a time, and never walks every row to draw, size its
// columns or scroll; only sorting visits each row, once, for its key.

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

namespace app {

using ListRow = std::vector<std::string>;   // one text per column
// A sort key: numbers sort as numbers, texts without case.
using ListSortKey = std::variant<double, std::string>;

class CRowSource {
public:
    virtual ~CRowSource() = default;
    virtual std::size_t RowCount() const = 0;
    virtual std::size_t ColumnCount() const = 0;
    virtual std::string Heading(std::size_t column) const = 0;
    // Rows [first, first + count) in source order, clipped to the end.
    virtual void FetchRows(std::size_t first, std::size_t count,
                           std::vector<ListRow>& rows) const = 0;
    // The key of one cell for sorting; by default its text.
    virtual ListSortKey SortKey(std::size_t row, std::size_t column) const;
};

// A row order: the source row shown at each place.
class CRowOrder {
public:
    void Reset(std::size_t count);
    // Sorts by one column: every key computed once, then a stable sort of
    // the row index; equal keys keep the source order.
    void SortBy(const CRowSource& source, std::size_t column, bool ascending);
    std::size_t SourceRow(std::size_t place) const
    {
        return m_rows.empty() ? place : m_rows[place];
    }
    bool IsSorted() const { return !m_rows.empty(); }

private:
    std::vector<std::size_t> m_rows;   // empty: source order
};

}   // namespace app

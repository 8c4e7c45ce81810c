#pragma once
// The chartpoint list's rows and keys, without windows: every record of the
// open table in its current order, fetched a block at a time through the
// module's table (its position is put back after), and the focus keys.

#include "app/ListRows.h"
#include "geo/Position.h"

#include <functional>

#include <optional>

namespace db {
class CDBChartPoint;
}

namespace chartpoints {

class CChartpointRowSource final : public app::CRowSource {
public:
    static constexpr std::size_t kColumns = 8;

    // With `format`, latitude and longitude follow the program's position
    // format; without it they show degrees and thousandths of minutes.
    explicit CChartpointRowSource(db::CDBChartPoint& table,
                                  std::function<geo::CPositionFormat()> format = {})
        : m_table(table), m_format(std::move(format))
    { }

    std::size_t RowCount() const override;
    std::size_t ColumnCount() const override { return kColumns; }
    std::string Heading(std::size_t column) const override;
    void FetchRows(std::size_t first, std::size_t count,
                   std::vector<app::ListRow>& rows) const override;

private:
    db::CDBChartPoint& m_table;
    std::function<geo::CPositionFormat()> m_format;
};

// The sort order a column heading gives: ID 2, Name 1, the others from
// Latitude (3) to Zone (8).
int SortIndexOfColumn(int column);

enum class FocusKey { Up, Down, Home, End, PageUp, PageDown };
// The row the key moves the focus to, kept within the list; none for an
// empty list (there is no row to go to).
std::optional<int> FocusRowForKey(FocusKey key, int focused, int count, int rowsPerPage);

}   // namespace chartpoints

#include "app/ListRows.h"

#include <algorithm>
#include <numeric>

#include "platform/Ascii.h"

namespace app {

ListSortKey CRowSource::SortKey(std::size_t row, std::size_t column) const
{
    std::vector<ListRow> rows;
    FetchRows(row, 1, rows);
    if (rows.empty() || column >= rows.front().size())
        return std::string();
    return rows.front()[column];
}

void CRowOrder::Reset(std::size_t count)
{
    (void)count;
    m_rows.clear();
}

namespace {

std::string Folded(std::string text)
{
    for (char& c : text)
        c = platform::AsciiLower(c);
    return text;
}

}   // namespace

void CRowOrder::SortBy(const CRowSource& source, std::size_t column, bool ascending)
{
    const std::size_t count = source.RowCount();
    std::vector<ListSortKey> keys;
    keys.reserve(count);
    for (std::size_t row = 0; row < count; ++row) {
        ListSortKey key = source.SortKey(row, column);
        if (auto* text = std::get_if<std::string>(&key))
            *text = Folded(std::move(*text));
        keys.push_back(std::move(key));
    }
    m_rows.resize(count);
    std::iota(m_rows.begin(), m_rows.end(), std::size_t{0});
    // Numbers before texts; the variant's own order does that.
    if (ascending)
        std::stable_sort(m_rows.begin(), m_rows.end(),
                         [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    else
        std::stable_sort(m_rows.begin(), m_rows.end(),
                         [&](std::size_t a, std::size_t b) { return keys[b] < keys[a]; });
}

}   // namespace app

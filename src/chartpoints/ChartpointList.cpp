#include "chartpoints/ChartpointList.h"

#include "chartpoints/Chartpoint.h"
#include "chartpoints/PanelPosition.h"
#include "db/DBChartPoint.h"
#include "geo/DatumInfo.h"

#include <algorithm>

namespace chartpoints {

std::size_t CChartpointRowSource::RowCount() const
{
    if (!m_table.IsOpen())
        return 0;
    const long count = m_table.GetRecordCount();
    return count > 0 ? std::size_t(count) : 0;
}

std::string CChartpointRowSource::Heading(std::size_t column) const
{
    static const char* const kHeadings[kColumns] = {"ID",    "Name", "Latitude", "Longitude",
                                                    "Datum", "Area", "Type",     "Zone"};
    return column < kColumns ? kHeadings[column] : std::string();
}

void CChartpointRowSource::FetchRows(std::size_t first, std::size_t count,
                                     std::vector<app::ListRow>& rows) const
{
    rows.clear();
    if (!m_table.IsOpen() || count == 0 || first >= RowCount())
        return;
    m_table.PushPosition();
    bool ok = m_table.GoOrdinal(long(first) + 1);
    for (std::size_t i = 0; ok && i < count; ++i) {
        const geo::CPosition& p = m_table.m_position;
        const std::uint16_t datum =
            p.GetDatum() == geo::kNoDatumIndex ? geo::DatumIndexWGS84() : p.GetDatum();
        std::string datumName = geo::CDatumInfo::GetName(datum);
        if (datumName.empty())
            datumName = "WGS 84";
        std::string lat = LatitudeText(p.GetLatitude()), lon = LongitudeText(p.GetLongitude());
        if (m_format) {
            const geo::CPositionFormat format = m_format();
            lat = p.FormatLatitude(format);
            lon = p.FormatLongitude(format);
        }
        rows.push_back({m_table.m_ident, m_table.m_name, lat, lon, datumName, m_table.m_area,
                        m_table.m_group, ZoneTimeText(m_table.m_zone)});
        if (m_table.IsLast())
            break;
        ok = m_table.SkipForward();
    }
    m_table.PopPosition();
}

int SortIndexOfColumn(int column)
{
    if (column == 0)
        return 2;
    if (column == 1)
        return 1;
    return column + 1;
}

std::optional<int> FocusRowForKey(FocusKey key, int focused, int count, int rowsPerPage)
{
    if (count <= 0)
        return std::nullopt;
    const int page = std::max(1, rowsPerPage);
    int row = focused;
    switch (key) {
    case FocusKey::Up: row = focused - 1; break;
    case FocusKey::Down: row = focused + 1; break;
    case FocusKey::Home: row = 0; break;
    case FocusKey::End: row = count - 1; break;
    case FocusKey::PageUp: row = focused + 1 - page; break;
    case FocusKey::PageDown: row = focused - 1 + page; break;
    }
    return std::clamp(row, 0, count - 1);
}

}   // namespace chartpoints

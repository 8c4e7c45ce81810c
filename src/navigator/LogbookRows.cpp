#include "navigator/LogbookRows.h"

#include <ctime>

#include "app/StringUtils.h"
#include "app/SystemUtils.h"
#include "db/DBLog.h"
#include "navigator/TrackRecord.h"
#include "navigator/VesselLogbook.h"
#include "nmea/NMEAData.h"

namespace navigator {

namespace {

constexpr const char* kHeadings[] = {"Local Time", "Latitude", "Longitude", "Datum",
                                     "COG",        "SOG",      "Type",      "Note"};

}   // namespace

std::string StoredNote(std::string_view text)
{
    std::string note;
    note.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            note += "\r\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            note += c;
        }
    }
    return note;
}

app::CDateTimeEx LocalFromUtc(const app::CDateTimeEx& utc)
{
    app::CDateTimeEx local;
    if (!utc.IsValid()) {
        local.SetStatus(app::CDateTimeEx::invalid);
        return local;
    }
    const auto f = utc.GetFields();
    std::tm tm{};
    tm.tm_year = f.year - 1900;
    tm.tm_mon = f.month - 1;
    tm.tm_mday = f.day;
    tm.tm_hour = f.hour;
    tm.tm_min = f.minute;
    tm.tm_sec = f.second;
    local = ::timegm(&tm);
    return local;
}

namespace {

bool IsSet(double value)
{
    return value != kUnsetTrackValue && value != nmea::kNoValue;
}

}   // namespace

CLogbookRows::CLogbookRows(CVesselLogbook& log, std::uint32_t vesselId)
    : m_log(log), m_vesselId(vesselId)
{
    Recount();
}

void CLogbookRows::Recount()
{
    m_appends.clear();
    m_total = 0;
    const auto& vessels = m_log.Vessels();
    for (std::size_t i = 0; i < vessels.size(); ++i) {
        CLogVessel& v = *vessels[i];
        if (v.vesselId != m_vesselId || !v.rows || !v.rows->IsOpen())
            continue;
        v.rows->ResetCache();
        const long n = std::max(0L, v.rows->GetRecordCount());
        m_appends.emplace_back(v.appendNo, n);
        m_total += std::size_t(n);
    }
}

std::string CLogbookRows::Heading(std::size_t column) const
{
    return column < 8 ? kHeadings[column] : std::string();
}

app::ListRow CLogbookRows::FormatRow(const db::CDBLog& t)
{
    const app::CDateTimeEx local = LocalFromUtc(t.m_time);
    std::string note = t.m_note;
    for (std::size_t at = 0; (at = note.find("\r\n", at)) != std::string::npos;)
        note.replace(at, 2, "<cr>");
    const bool placed = t.m_positionKnown;
    return {local.FormatDateTime(true, false),
            placed ? t.m_position.FormatLatitude() : std::string(),
            placed ? t.m_position.FormatLongitude() : std::string(),
            placed ? t.m_position.GetDatumName() : std::string(),
            IsSet(t.m_cog) ? app::FormatBearing(t.m_cog) : std::string(),
            IsSet(t.m_sog) ? app::FormatDouble(t.m_sog, 1, 0) : std::string(),
            GetFixTypeText(t.m_type),
            note};
}

void CLogbookRows::FetchRows(std::size_t first, std::size_t count,
                             std::vector<app::ListRow>& rows) const
{
    rows.clear();
    std::size_t before = 0;
    for (const auto& [appendNo, n] : m_appends) {
        if (count == 0)
            break;
        const std::size_t size = std::size_t(n);
        if (first >= before + size) {
            before += size;
            continue;
        }
        // The append is found by its number: the log's vessels may have
        // changed since the count, and another vessel's rows are never shown.
        const CLogVessel* vessel = m_log.FindVessel(m_vesselId, appendNo);
        db::CDBLog* table =
            vessel && vessel->rows && vessel->rows->IsOpen() ? vessel->rows.get() : nullptr;
        // Rows are kept in the order they were written: the n-th row is record n.
        for (std::size_t r = first - before; r < size && count > 0; ++r, ++first, --count) {
            if (table && table->GoRecord(long(r) + 1))
                rows.push_back(FormatRow(*table));
            else
                rows.push_back(app::ListRow(8));
        }
        before += size;
    }
}

}   // namespace navigator

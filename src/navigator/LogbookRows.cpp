#include "navigator/LogbookRows.h"

#include <algorithm>
#include <ctime>

#include "app/StringUtils.h"
#include "app/SystemUtils.h"
#include "db/DBLog.h"
#include "db/DBTextTable.h"
#include "navigator/TrackRecord.h"
#include "navigator/VesselLogbook.h"
#include "nmea/NMEAData.h"
#include "platform/CodePage.h"

namespace navigator {

namespace {

constexpr const char* kHeadings[] = {"Local Time", "Latitude", "Longitude", "Datum",
                                     "COG",        "SOG",      "Type",      "Note"};

// Calls `each` with every character of `text` (a byte that starts no UTF-8
// character stands alone) and whether the log's tables can hold it.
template <class Each>
void ForEachCharacter(std::string_view text, Each each)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = std::max<std::size_t>(1, platform::Utf8CharLength(text, i));
        const std::string_view c = text.substr(i, n);
        each(c, db::CanEncode(c));
        i += n;
    }
}

}   // namespace

std::string CharactersTheLogCannotHold(std::string_view text)
{
    std::string found;
    ForEachCharacter(text, [&found](std::string_view c, bool held) {
        if (!held && found.find(c) == std::string::npos)
            found += c;
    });
    return found;
}

std::string WhyTheLogCannotHold(std::string_view text, std::string_view what)
{
    std::vector<std::string> quoted;
    ForEachCharacter(CharactersTheLogCannotHold(text), [&quoted](std::string_view c, bool) {
        quoted.push_back("\"" + std::string(c) + "\"");
    });
    if (quoted.empty())
        return {};
    std::string list = quoted.front();
    for (std::size_t i = 1; i < quoted.size(); ++i)
        list += (i + 1 == quoted.size() ? " or " : ", ") + quoted[i];
    return "The log keeps Western European text and cannot hold " + list + " in the " +
           std::string(what) + ". Please write it without " +
           (quoted.size() == 1 ? "that character." : "those characters.");
}

std::string TextTheLogCanHold(std::string_view text)
{
    std::string held;
    held.reserve(text.size());
    ForEachCharacter(text, [&held](std::string_view c, bool canHold) {
        held += canHold ? std::string(c) : std::string("?");
    });
    return held;
}

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

void CLogbookRows::Recount(std::uint32_t vesselId)
{
    m_vesselId = vesselId;
    Recount();
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

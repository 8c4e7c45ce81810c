#pragma once
// The logbook window's rows: every logbook row of one vessel, its appends
// one after another (the first append's rows first), fetched by ordinal a
// block at a time from tables the vessel log keeps open. Counting adds the
// tables' counts; nothing walks the rows.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/DateTimeEx.h"
#include "app/ListRows.h"

namespace db {
class CDBLog;
}

namespace navigator {

class CVesselLogbook;

// A note as the logbook stores it: every line break a carriage return and a
// line feed, the form the window shows as "<cr>" (an editor gives bare line feeds).
std::string StoredNote(std::string_view text);

// The log's tables keep Western European (Windows-1252) text. The characters
// of `text` they cannot hold, each once and in order; empty when it can be
// stored as it stands.
std::string CharactersTheLogCannotHold(std::string_view text);
// Why `text`, typed as the log's `what` ("note", "voyage ID"), cannot be
// stored, for the user; empty when it can.
std::string WhyTheLogCannotHold(std::string_view text, std::string_view what);
// `text` with each character the log cannot hold written as "?".
std::string TextTheLogCanHold(std::string_view text);

// A stored UTC date and time as the user's local one (not valid stays not valid).
app::CDateTimeEx LocalFromUtc(const app::CDateTimeEx& utc);

class CLogbookRows final : public app::CRowSource {
public:
    CLogbookRows(CVesselLogbook& log, std::uint32_t vesselId);

    std::uint32_t VesselId() const { return m_vesselId; }
    // Counts again (vessels loaded, another append, a row added).
    void Recount();
    // Lists the rows of another vessel (the log's own vessel changed) and counts them.
    void Recount(std::uint32_t vesselId);

    std::size_t RowCount() const override { return m_total; }
    std::size_t ColumnCount() const override { return 8; }
    std::string Heading(std::size_t column) const override;
    void FetchRows(std::size_t first, std::size_t count,
                   std::vector<app::ListRow>& rows) const override;

    // The texts of one stored row as the window shows them.
    static app::ListRow FormatRow(const db::CDBLog& table);

private:
    CVesselLogbook& m_log;
    std::uint32_t m_vesselId;
    std::vector<std::pair<std::uint32_t, long>> m_appends;   // append number, row count
    std::size_t m_total = 0;
};

}   // namespace navigator

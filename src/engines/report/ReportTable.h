#pragma once
// The table a report run writes its rows to and reads them back from, as the
// engine sees it: fields by name, the current row as text cells, and the few
// steps a run takes (create, fill under one lock, count, read a row, close).
// The program's table layer gives the implementation; the engine names no
// table class of its own, so the print engine stays below the tables.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dbase {
class CDbaseEngine;
}

namespace report {

// How a text cell is stored: position columns keep code page 437, the set
// their degree and minute signs are printed from.
enum class CellCodePage { Windows1252, Oem437 };

struct ReportField {
    const char* name;
    char type = 'C';   // 'C' text, 'N' whole number, 'M' memo
    int width = 10;
    CellCodePage page = CellCodePage::Windows1252;
    int decimals = 0;   // of a number
};

class CReportTable {
public:
    virtual ~CReportTable() = default;
    CReportTable(const CReportTable&) = delete;
    CReportTable& operator=(const CReportTable&) = delete;

    const std::vector<ReportField>& ReportFields() const { return m_fields; }
    // The index of a field by name (any case), or -1.
    int FieldIndex(std::string_view name) const;
    void ClearCells() { m_cells.assign(m_fields.size(), std::string()); }

    // Makes the table's files at `base` (the path without extension) and opens it.
    virtual bool CreateAt(const std::string& base) = 0;
    // Held for the whole fill, so nobody else appends and no row takes a lock of its own.
    virtual bool BeginFill() = 0;
    virtual bool EndFill() = 0;
    // Writes the cells as a new row.
    virtual bool AppendCells() = 0;
    virtual long RowCount() = 0;
    // Loads row `record` (from 1, in the order they were appended) into the cells.
    virtual bool ReadRow(long record) = 0;
    virtual void CloseTable() = 0;
    // Why the last step failed.
    virtual const std::string& LastError() const = 0;

    std::vector<std::string> m_cells;   // the current row, one per field in order

protected:
    explicit CReportTable(std::vector<ReportField> fields);

private:
    std::vector<ReportField> m_fields;
};

// Makes a run's table with `fields`; `engine` is the run's own (its worker's).
using CReportTableMaker = std::function<std::unique_ptr<CReportTable>(
    const std::vector<ReportField>& fields, std::shared_ptr<dbase::CDbaseEngine> engine)>;

}   // namespace report

#pragma once
// The tables a report is printed from: written once by the report's fill,
// read row by row while pages are drawn, deleted when the report closes.
// Field names are the ones report layouts name, so they are fixed per
// report; every member is the text to print (numbers are stored as numbers,
// memos as memo text). Position columns are kept in code page 437, the set
// their degree and minute signs are printed from.

#include "db/DBTextTable.h"

#include <memory>
#include <string>
#include <vector>

namespace db {

struct ReportField {
    const char* name;
    char type = 'C';   // 'C' text, 'N' whole number, 'M' memo
    int width = 10;
    CodePage page = CodePage::Windows1252;
    int decimals = 0;   // of a number
};

class CDBReportTable : public CDBTextTable {
public:
    // `fields` follow "UNIQUE" in this order; `engine` may be a thread's own.
    explicit CDBReportTable(std::vector<ReportField> fields,
                            std::shared_ptr<dbase::CDbaseEngine> engine = nullptr);

    const std::vector<ReportField>& ReportFields() const { return m_fields; }
    // The index of a field by name (any case), or -1.
    int FieldIndex(std::string_view name) const;

    bool LoadRecord() override;
    bool StoreRecord() override;
    void ClearRecord() override;

    std::vector<std::string> m_cells;   // one per report field, in order

private:
    std::vector<ReportField> m_fields;
};

// The fields of each report table.
const std::vector<ReportField>& ReportChartpointFields();
const std::vector<ReportField>& ReportLogFields();
const std::vector<ReportField>& ReportVesselLogFields();
const std::vector<ReportField>& ReportRouteFields();
const std::vector<ReportField>& ReportRouteListFields();
const std::vector<ReportField>& ReportChartFolioFields();
// The passage plan's, as CDBPlan declares them.
const std::vector<ReportField>& ReportPlanFields();

}   // namespace db

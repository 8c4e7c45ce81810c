#pragma once
// The tables a report is printed from: written once by the report's fill,
// read row by row while pages are drawn, deleted when the report closes.
// Field names are the ones report layouts name, so they are fixed per
// report; every member is the text to print (numbers are stored as numbers,
// memos as memo text). Position columns are kept in code page 437, the set
// their degree and minute signs are printed from.

#include "db/DBTextTable.h"
#include "engines/report/ReportTable.h"

#include <memory>
#include <string>
#include <vector>

namespace db {

using ReportField = report::ReportField;

class CDBReportTable : public CDBTextTable, public report::CReportTable {
public:
    // `fields` follow "UNIQUE" in this order; `engine` may be a thread's own.
    explicit CDBReportTable(std::vector<ReportField> fields,
                            std::shared_ptr<dbase::CDbaseEngine> engine = nullptr);

    bool LoadRecord() override;
    bool StoreRecord() override;
    void ClearRecord() override;

    bool CreateAt(const std::string& base) override;
    bool BeginFill() override { return Lock(); }
    bool EndFill() override { return FlushAndUnlock(); }
    bool AppendCells() override { return AppendNew(); }
    long RowCount() override { return GetRecordCount(); }
    bool ReadRow(long record) override { return GoRecord(record); }
    void CloseTable() override { Close(); }
    const std::string& LastError() const override { return GetMessage(); }
};

// The report engine's tables, made in the table layer.
std::unique_ptr<report::CReportTable> MakeReportTable(const std::vector<ReportField>& fields,
                                                      std::shared_ptr<dbase::CDbaseEngine> engine);

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

#pragma once
// A report run: the rows are written to a report table of their own (one
// row at a time, so a year of log pages costs no more memory than a day),
// then measured into pages, both on a worker thread while a progress dialog
// offers Cancel. The worker reads sources through handles it opens itself on
// an engine of its own; values the modules hold are copied beforehand on the
// window thread. Closing the report deletes its table's files.

#include "engines/report/ReportFiles.h"
#include "engines/report/ReportLayout.h"
#include "engines/report/ReportTable.h"

#include <QString>

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

class QWidget;

namespace dbase {
class CDbaseEngine;
}

namespace report {

// What a fill writes to: set the cells (report table fields in order), then Append.
class CReportSink {
public:
    CReportSink(CReportTable& table, std::stop_token stop, std::atomic<std::size_t>& done,
                std::atomic<std::size_t>& expected, std::shared_ptr<dbase::CDbaseEngine> engine);

    std::vector<std::string>& Cells() { return m_table.m_cells; }
    std::string& Cell(std::string_view field);
    // Writes the row and clears the cells; false with `Error()` when it could not.
    bool Append();
    // How many rows the fill expects, for the progress bar.
    void Expect(std::size_t rows) { m_expected = rows; }
    bool StopRequested() const { return m_stop.stop_requested(); }
    // The worker's engine, for the fill's own read-only source handles.
    const std::shared_ptr<dbase::CDbaseEngine>& Engine() const { return m_engine; }
    const std::string& Error() const { return m_table.LastError(); }

private:
    CReportTable& m_table;
    std::stop_token m_stop;
    std::atomic<std::size_t>& m_done;
    std::atomic<std::size_t>& m_expected;
    std::shared_ptr<dbase::CDbaseEngine> m_engine;
    std::string m_spare;
};

// Writes rows; false with a message stops the run (a stop request is not a failure).
using CReportFill = std::function<bool(CReportSink& sink, std::string& error)>;

struct CReportRequest {
    std::string name;   // the definition file's name, "ChartPnt" for "ChartPnt.rpt"
    std::map<std::string, std::string> formulas;   // values for the titles' placeholders
    CReportDefinition definition;   // columns name their fields
    std::vector<ReportField> fields;
    CReportTableMaker makeTable;   // the table layer's, for the fields above
    CReportFill fill;
    std::filesystem::path folder;   // where the table is written; empty: this process's folder
    // The caption of the report's window and of its progress: the report's
    // kind and the table or log it shows ("Vessel Log Report - Trip").
    std::string windowTitle;
};

// Reads the request's definition file (the user's copy first, then
// `systemFolder`); false with the file and line named.
bool ApplyReportDefinition(CReportRequest& request, const std::filesystem::path& systemFolder,
                           std::string& error);

// Rows read back from a filled report table; owns the table and its files.
class CReportTableRows final : public CReportRows {
public:
    CReportTableRows(std::shared_ptr<dbase::CDbaseEngine> engine,
                     std::unique_ptr<CReportTable> table, std::unique_ptr<CReportTempName> name,
                     std::vector<int> columnFields);
    ~CReportTableRows() override;

    std::size_t Count() const override { return m_count; }
    void Row(std::size_t index, std::vector<std::string>& cells) const override;
    std::filesystem::path TablePath() const;

private:
    std::shared_ptr<dbase::CDbaseEngine> m_engine;
    std::unique_ptr<CReportTable> m_table;
    std::unique_ptr<CReportTempName> m_name;
    std::vector<int> m_columnFields;
    std::size_t m_count = 0;
};

struct CFilledReport {
    std::unique_ptr<CReportTableRows> rows;
    std::unique_ptr<CReportLayout> layout;
};

struct CRunProgress {
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> expected{0};
    std::atomic<int> pages{0};
    std::atomic<bool> measuring{false};
};

// Fills and measures on the calling thread. Null when stopped (error empty)
// or failed (error says why); the table's files are gone either way.
std::unique_ptr<CFilledReport> FillReport(CReportRequest request, QSizeF page, std::stop_token stop,
                                          CRunProgress& progress, std::string& error);

// FillReport on a worker thread under a progress dialog titled `caption`
// with Cancel. Null when cancelled (error empty) or failed (error says why).
std::unique_ptr<CFilledReport> RunReport(CReportRequest request, const QString& caption,
                                         QWidget* parent, std::string& error);

}   // namespace report

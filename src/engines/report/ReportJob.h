#pragma once
// One report run in its fixed order: the definition file read (the name
// with or without ".rpt"), the rows filled and measured, the printer
// selected when printing, then shown, printed or written to PDF. A step that fails
// stops the run there: the report table is closed and its files deleted,
// CloseReport runs once, and the failure is told once (a cancel by the user
// is told nothing), an engine step's with its code and the report's path.
// Printing closes everything before Run returns; a preview keeps its rows
// until its window goes.

#include "engines/report/ReportRun.h"

#include <filesystem>
#include <memory>
#include <string>

namespace report {

enum class ReportOutput { Preview, Print, Pdf };

// The codes of the report engine's failures, by the step that failed.
inline constexpr int kReportDefinitionError = 1;
inline constexpr int kReportFillError = 2;
inline constexpr int kReportOutputError = 3;

// "Error <code> trying to display/print report :", the report's path and
// the engine's text, each on a line of its own.
std::string EngineErrorText(int code, const std::filesystem::path& report, const std::string& text);

class CReportJob {
public:
    explicit CReportJob(std::filesystem::path systemFolder)
        : m_systemFolder(std::move(systemFolder))
    { }
    virtual ~CReportJob() = default;
    CReportJob(const CReportJob&) = delete;
    CReportJob& operator=(const CReportJob&) = delete;

    // True when the report was shown, printed or written.
    bool Run(CReportRequest request, ReportOutput output);

protected:
    // The definition file of the request's name; false with the file and line named.
    virtual bool ReadDefinition(CReportRequest& request, std::string& error);
    // Fills and measures; null when stopped (error empty) or failed.
    virtual std::unique_ptr<CFilledReport> Fill(CReportRequest request, std::string& error);
    // Printing only, once the rows are there: the program's printer taken
    // for the run, asking nothing. False stops the run (an empty error: told nothing).
    virtual bool SelectPrinter(std::string& /*error*/) { return true; }
    // Shows, prints or writes the report. A preview takes `filled` (its
    // window then owns the rows); otherwise the job closes it afterwards.
    virtual bool Output(std::unique_ptr<CFilledReport>& filled, ReportOutput output,
                        std::string& error) = 0;
    // A failure, once per run.
    virtual void Tell(const std::string& message) = 0;
    // After the report table was closed and its files deleted, once per run
    // that did not end in a preview.
    virtual void CloseReport() { }

    const std::filesystem::path& SystemFolder() const { return m_systemFolder; }

private:
    bool Stop(std::unique_ptr<CFilledReport>& filled, const std::string& error);

    std::filesystem::path m_systemFolder;
};

}   // namespace report

#include "engines/report/ReportJob.h"

#include "engines/report/ReportDefinitionFile.h"

namespace report {

bool CReportJob::ReadDefinition(CReportRequest& request, std::string& error)
{
    return ApplyReportDefinition(request, m_systemFolder, error);
}

std::unique_ptr<CFilledReport> CReportJob::Fill(CReportRequest request, std::string& error)
{
    CRunProgress progress;
    const QSizeF page = DefinitionPageSize(request.definition);
    return FillReport(std::move(request), page, {}, progress, error);
}

std::string EngineErrorText(int code, const std::filesystem::path& report, const std::string& text)
{
    return "Error " + std::to_string(code) + " trying to display/print report :\n" +
           report.string() + "\n" + text + "\n";
}

bool CReportJob::Stop(std::unique_ptr<CFilledReport>& filled, const std::string& error)
{
    filled.reset();   // closes the report table and deletes its files
    CloseReport();
    if (!error.empty())
        Tell(error);
    return false;
}

bool CReportJob::Run(CReportRequest request, ReportOutput output)
{
    std::unique_ptr<CFilledReport> filled;
    std::string error;
    request.name = ReportBaseName(request.name);
    // The report named in a failure: its definition file, where one was found.
    std::filesystem::path report = FindReportDefinition(request.name, m_systemFolder);
    if (report.empty())
        report = m_systemFolder / (request.name + ".rpt");
    const auto engineError = [&](int code) {
        return error.empty() ? error : EngineErrorText(code, report, error);
    };
    if (!ReadDefinition(request, error))
        return Stop(filled, engineError(kReportDefinitionError));
    filled = Fill(std::move(request), error);
    if (!filled)
        return Stop(filled, engineError(kReportFillError));
    if (output == ReportOutput::Print && !SelectPrinter(error))
        return Stop(filled, error);
    if (!Output(filled, output, error))
        return Stop(filled, engineError(kReportOutputError));
    if (filled) {
        // Printed or written: closed before returning.
        filled.reset();
        CloseReport();
    }
    return true;
}

}   // namespace report

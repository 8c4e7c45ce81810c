#include "shell/ModuleReports.h"

#include "app/WaitStatus.h"
#include "chartpoints/ChartpointModule.h"
#include "chartpoints/ui/ChartpointReport.h"
#include "db/DBRoute.h"
#include "engines/report/ReportDefinitionFile.h"
#include "engines/report/ReportJob.h"
#include "engines/report/ReportOutput.h"
#include "engines/report/ReportPreview.h"
#include "navigator/NavigatorModule.h"
#include "navigator/VesselLogbook.h"
#include "navigator/ui/LogReports.h"
#include "routes/PlanModule.h"
#include "routes/RouteModule.h"
#include "routes/ui/RouteReports.h"

#include <optional>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPrinter>

namespace shell {

namespace {

// The preview windows' names, one per report, so a report open already is
// not offered again.
const char* PreviewName(int chosen)
{
    switch (chosen) {
    case app::choose::kPrintChartpoints: return "ChartPntReport";
    case app::choose::kPrintVesselLog: return "VesselLogReport";
    case app::choose::kPrintLogList: return "LogReport";
    case app::choose::kPrintWaypoints: return "WaypointListReport";
    case app::choose::kPrintRouteList: return "RouteDbListReport";
    case app::choose::kPrintFullRouteList: return "FullRouteDbListReport";
    case app::choose::kPrintPlan: return "PssgPlnReport";
    case app::choose::kPrintCustomPlan: return "CustomPlanReport";
    case app::choose::kPrintCustomPlanMemos: return "CustomPlanMemosReport";
    default: return "";
    }
}

const char* PdfName(int chosen)
{
    switch (chosen) {
    case app::choose::kPrintChartpoints: return "ChartPnt.pdf";
    case app::choose::kPrintVesselLog: return "VesselLog.pdf";
    case app::choose::kPrintLogList: return "Log.pdf";
    case app::choose::kPrintWaypoints: return "WaypointList.pdf";
    case app::choose::kPrintRouteList: return "RouteDbList.pdf";
    case app::choose::kPrintFullRouteList: return "FullRouteDbList.pdf";
    case app::choose::kPrintPlan: return "PssgPln.pdf";
    case app::choose::kPrintCustomPlan: return "CustomPlan.pdf";
    case app::choose::kPrintCustomPlanMemos: return "CustomPlanMemos.pdf";
    default: return "Report.pdf";
    }
}

bool IsOpen(const QMdiArea* area, int chosen)
{
    if (!area)
        return false;
    for (QMdiSubWindow* sub : area->subWindowList())
        if (sub->widget() && sub->widget()->objectName() == QLatin1String(PreviewName(chosen)))
            return true;
    return false;
}

bool LogOpen(const CModuleReportHost& host)
{
    return host.navigator && host.navigator->Logbook().IsOpen();
}

bool RoutesOpen(const CModuleReportHost& host)
{
    return host.routes && host.routes->IsDatabaseOpen();
}

// A plan report definition the plan module chose at start, still there now.
bool ReportFileThere(const CModuleReportHost& host, const std::string& file)
{
    return !file.empty() && !report::FindReportDefinition(file, host.reportsFolder).empty();
}

bool PlanReady(const CModuleReportHost& host)
{
    return RoutesOpen(host) && host.plans && host.plans->IsPlanValid() &&
           !host.plans->Plan().empty() && host.routes->State().hasRoute;
}

}   // namespace

bool ChartpointReportOffered(const CModuleReportHost& host)
{
    // Any open table, a new one not saved yet included: its chartpoints print
    // as they stand.
    return host.chartpoints != nullptr && host.chartpoints->Table().IsOpen();
}

namespace {

// The request of a chosen report, or false when it cannot be made now
// (with the reason in `error`, or none when the choice is not ours).
bool MakeRequest(int chosen, const CModuleReportHost& host, report::CReportRequest& request,
                 QString& error)
{
    switch (chosen) {
    case app::choose::kPrintChartpoints:
        if (!ChartpointReportOffered(host))
            return false;
        request = chartpoints::ChartpointReport(host.chartpoints->Table(), host.positionFormat);
        return true;
    case app::choose::kPrintVesselLog:
    case app::choose::kPrintLogList: {
        if (!LogOpen(host)) {
            error = QObject::tr("No log is open.");
            return false;
        }
        const navigator::CVesselLogbook& log = host.navigator->Logbook();
        if (chosen == app::choose::kPrintLogList) {
            request = navigator::LogListReport(log.LogPath());
        } else {
            const std::uint32_t key = navigator::VesselLogKey(log);
            request = navigator::VesselLogReport(
                log.LogPath(), navigator::VesselLogTables(log, key), host.positionFormat);
        }
        return true;
    }
    case app::choose::kPrintWaypoints:
    case app::choose::kPrintRouteList:
    case app::choose::kPrintFullRouteList: {
        if (!RoutesOpen(host)) {
            error = QObject::tr("No route database is open.");
            return false;
        }
        db::CDBRoute& table = host.routes->Database();
        if (chosen == app::choose::kPrintWaypoints) {
            const routes::CRouteState& state = host.routes->State();
            request = routes::WaypointListReport(state, table.GetFilePath(), table.m_from,
                                                 table.m_to, host.positionFormat);
        } else {
            request = routes::RouteListReport(table, chosen == app::choose::kPrintFullRouteList,
                                              host.routes->GetDataFolder(),
                                              host.routes->AttachmentsFolder());
        }
        return true;
    }
    case app::choose::kPrintPlan:
    case app::choose::kPrintCustomPlan:
    case app::choose::kPrintCustomPlanMemos: {
        if (!PlanReady(host)) {
            error = QObject::tr("There is no calculated passage plan.");
            return false;
        }
        const routes::PlanReportKind kind =
            chosen == app::choose::kPrintPlan         ? routes::PlanReportKind::Standard
            : chosen == app::choose::kPrintCustomPlan ? routes::PlanReportKind::Custom
                                                      : routes::PlanReportKind::CustomWithMemos;
        // A custom file that is missing falls back to the standard plan.
        const routes::CPlanModule::ReportFiles& files = host.plans->ChosenReportFiles();
        const std::string& file =
            kind == routes::PlanReportKind::Custom ? files.withoutMemos : files.withMemos;
        const bool present =
            kind == routes::PlanReportKind::Standard || ReportFileThere(host, file);
        request = routes::PassagePlanReport(
            *host.plans, host.routes->State(), present ? kind : routes::PlanReportKind::Standard,
            file, host.plans->vesselName, host.plans->routeMemo, host.positionFormat);
        return true;
    }
    default: return false;
    }
}

}   // namespace

void AddModuleReportChoices(app::CChooserState& state, const CModuleReportHost& host)
{
    using app::choose::kPrintChartpoints;
    state.chartpoints = host.chartpoints != nullptr && host.chartpoints->Table().IsOpen();
    state.chartpointReport = ChartpointReportOffered(host);
    state.chartpointReportOpen = IsOpen(host.mdi, kPrintChartpoints);
    state.vesselLog = LogOpen(host);
    state.logReports = state.vesselLog;
    state.vesselLogReportOpen = IsOpen(host.mdi, app::choose::kPrintVesselLog);
    state.logListReportOpen = IsOpen(host.mdi, app::choose::kPrintLogList);
    state.routes = RoutesOpen(host);
    state.routeReports = state.routes;
    state.waypointListOpen = IsOpen(host.mdi, app::choose::kPrintWaypoints);
    state.routeListOpen = IsOpen(host.mdi, app::choose::kPrintRouteList);
    state.fullRouteListOpen = IsOpen(host.mdi, app::choose::kPrintFullRouteList);
    state.plans = host.plans != nullptr;
    state.planReports = state.plans;
    state.validPlan = PlanReady(host);
    state.planReportOpen = IsOpen(host.mdi, app::choose::kPrintPlan);
    if (host.plans) {
        const routes::CPlanModule::ReportFiles& files = host.plans->ChosenReportFiles();
        state.customPlanFile = ReportFileThere(host, files.withoutMemos);
        state.customPlanMemosFile = ReportFileThere(host, files.withMemos);
    }
    state.customPlanOpen = IsOpen(host.mdi, app::choose::kPrintCustomPlan);
    state.customPlanMemosOpen = IsOpen(host.mdi, app::choose::kPrintCustomPlanMemos);
}

namespace {

// The run of a module's report from File > Print or Print Preview.
class CModuleReportJob final : public report::CReportJob {
public:
    CModuleReportJob(const CModuleReportHost& host, int chosen, bool preview,
                     const std::string& title)
        : report::CReportJob(host.reportsFolder), m_host(host), m_chosen(chosen),
          m_title(!title.empty() ? QString::fromStdString(title)
                  : preview      ? QObject::tr("Print Preview")
                                 : QObject::tr("Print"))
    { }

protected:
    bool ReadDefinition(report::CReportRequest& request, std::string& error) override
    {
        // The wait state from the first step to the end of the run, printing included.
        m_wait.emplace();
        return report::CReportJob::ReadDefinition(request, error);
    }
    std::unique_ptr<report::CFilledReport> Fill(report::CReportRequest request,
                                                std::string& error) override
    {
        return report::RunReport(std::move(request), m_title, m_host.parent, error);
    }
    bool Output(std::unique_ptr<report::CFilledReport>& filled, report::ReportOutput output,
                std::string& error) override
    {
        if (output != report::ReportOutput::Preview) {
            // The printer Print Setup chose (else the system's default), no dialog.
            QPrinter fallback(QPrinter::HighResolution);
            QString printError;
            const bool printed = report::PrintReport(
                *filled->layout, m_host.printer ? *m_host.printer : fallback, printError);
            error = printError.toStdString();
            return printed;
        }
        if (!m_host.mdi)
            return true;
        auto* window =
            new report::CReportPreview(std::move(filled->rows), std::move(filled->layout),
                                       m_host.printer, QString::fromLatin1(PdfName(m_chosen)));
        filled.reset();   // the window owns the rows now
        window->SetPrinterPresent(m_host.printerPresent);
        window->setObjectName(QLatin1String(PreviewName(m_chosen)));
        // Titled before it is shown: the window area takes the widget's title.
        window->setWindowTitle(m_title);
        QMdiSubWindow* sub = m_host.mdi->addSubWindow(window);
        sub->setWindowTitle(m_title);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->setWindowIcon(QIcon::fromTheme(QStringLiteral("document-print-preview"),
                                            QIcon(QStringLiteral(":/icons/document-print.svg"))));
        const QSize space = m_host.mdi->viewport()->size();
        sub->resize(std::max(space.width() * 4 / 5, 480), std::max(space.height() * 9 / 10, 360));
        window->show();
        m_host.mdi->setActiveSubWindow(sub);
        return true;
    }
    void Tell(const std::string& message) override
    {
        m_wait.reset();   // the message box under the normal cursor
        QMessageBox::critical(m_host.parent, m_title, QString::fromStdString(message));
    }

private:
    const CModuleReportHost& m_host;
    int m_chosen;
    QString m_title;
    std::optional<app::CWaitStatus> m_wait;
};

}   // namespace

int ShortFormPlanChoice(const CModuleReportHost& host)
{
    if (!PlanReady(host))
        return 0;
    const routes::CPlanModule::ReportFiles& files = host.plans->ChosenReportFiles();
    const int chosen = !ReportFileThere(host, files.tested) ? app::choose::kPrintPlan
                       : files.custom                       ? app::choose::kPrintCustomPlan
                                                            : app::choose::kPrintCustomPlanMemos;
    return IsOpen(host.mdi, chosen) ? 0 : chosen;
}

void ClosePlanReports(const CModuleReportHost& host)
{
    if (!host.mdi)
        return;
    for (const int chosen : {app::choose::kPrintPlan, app::choose::kPrintCustomPlan,
                             app::choose::kPrintCustomPlanMemos})
        for (QMdiSubWindow* sub : host.mdi->subWindowList())
            if (sub->widget() && sub->widget()->objectName() == QLatin1String(PreviewName(chosen)))
                sub->close();
}

bool IsModuleReportOpen(int chosen, const CModuleReportHost& host)
{
    return IsOpen(host.mdi, chosen);
}

bool RunModuleReport(int chosen, bool preview, const CModuleReportHost& host)
{
    report::CReportRequest request;
    QString error;
    if (!MakeRequest(chosen, host, request, error)) {
        if (error.isEmpty())
            return false;
        QMessageBox::warning(host.parent,
                             preview ? QObject::tr("Print Preview") : QObject::tr("Print"), error);
        return true;
    }
    CModuleReportJob job(host, chosen, preview, request.windowTitle);
    job.Run(std::move(request),
            preview ? report::ReportOutput::Preview : report::ReportOutput::Print);
    return true;
}

}   // namespace shell

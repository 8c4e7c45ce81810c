#include "shell/ModuleReports.h"

#include "chartpoints/ChartpointModule.h"
#include "chartpoints/ui/ChartpointReport.h"
#include "engines/report/ReportOutput.h"
#include "engines/report/ReportPreview.h"
#include "navigator/NavigatorModule.h"
#include "navigator/VesselLogbook.h"
#include "navigator/ui/LogReports.h"
#include "routes/PlanModule.h"
#include "routes/RouteModule.h"
#include "routes/ui/RouteReports.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPrintDialog>
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

bool PlanReady(const CModuleReportHost& host)
{
    return RoutesOpen(host) && host.plans && host.plans->IsCalculated() &&
           !host.plans->Plan().empty() && host.routes->State().hasRoute;
}

// The request of a chosen report, or false when it cannot be made now
// (with the reason in `error`, or none when the choice is not ours).
bool MakeRequest(int chosen, const CModuleReportHost& host, report::CReportRequest& request,
                 QString& error)
{
    switch (chosen) {
    case app::choose::kPrintChartpoints:
        if (!host.chartpoints)
            return false;
        request = chartpoints::ChartpointReport(host.chartpoints->Table());
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
            request =
                navigator::VesselLogReport(log.LogPath(), navigator::VesselLogTables(log, key));
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
            request =
                routes::WaypointListReport(state, table.GetFilePath(), table.m_from, table.m_to);
        } else {
            request = routes::RouteListReport(table, chosen == app::choose::kPrintFullRouteList,
                                              host.routes->AttachmentsFolder());
        }
        return true;
    }
    case app::choose::kPrintPlan:
        if (!PlanReady(host)) {
            error = QObject::tr("There is no calculated passage plan.");
            return false;
        }
        request = routes::PassagePlanReport(*host.plans, host.routes->State(),
                                            routes::PlanReportKind::Standard);
        return true;
    default: return false;
    }
}

}   // namespace

void AddModuleReportChoices(app::CChooserState& state, const CModuleReportHost& host)
{
    using app::choose::kPrintChartpoints;
    state.chartpoints = host.chartpoints != nullptr && host.chartpoints->Table().IsOpen();
    state.chartpointReport = state.chartpoints;
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
    const QString caption = QString::fromStdString(request.definition.titles.front());
    if (!preview && host.printer) {
        // The printer is asked for first, so a cancelled dialog reads nothing.
        QPrintDialog dialog(host.printer, host.parent);
        if (dialog.exec() != QDialog::Accepted)
            return true;
    }
    std::unique_ptr<report::CFilledReport> filled =
        report::RunReport(std::move(request), caption, host.parent);
    if (!filled)
        return true;   // cancelled, or the failure was told
    if (!preview) {
        QPrinter fallback(QPrinter::HighResolution);
        QString printError;
        if (!report::PrintReport(*filled->layout, host.printer ? *host.printer : fallback,
                                 printError))
            QMessageBox::warning(host.parent, QObject::tr("Print"), printError);
        return true;   // the report table goes with `filled`
    }
    if (!host.mdi)
        return true;
    auto* window = new report::CReportPreview(std::move(filled->rows), std::move(filled->layout),
                                              host.printer, QString::fromLatin1(PdfName(chosen)));
    window->setObjectName(QLatin1String(PreviewName(chosen)));
    QMdiSubWindow* sub = host.mdi->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(QIcon::fromTheme(QStringLiteral("document-print-preview")));
    const QSize space = host.mdi->viewport()->size();
    sub->resize(std::max(space.width() * 4 / 5, 480), std::max(space.height() * 9 / 10, 360));
    window->show();
    host.mdi->setActiveSubWindow(sub);
    return true;
}

}   // namespace shell

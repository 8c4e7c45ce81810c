#include "shell/ChartListReports.h"

#include "app/WaitStatus.h"
#include "chart/ChartingModule.h"
#include "charts/hcrf/HCRFModule.h"
#include "charts/ui/ChartListReport.h"
#include "engines/report/ReportOutput.h"
#include "engines/report/ReportPreview.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPrinter>

#include <memory>
#include <optional>

namespace shell {

namespace {

QString PreviewName(bool fullDetails)
{
    return fullDetails ? QStringLiteral("FullChartFolioReport")
                       : QStringLiteral("ChartFolioReport");
}

// The window's title, as every report window is titled by its report.
QString PreviewTitle(bool fullDetails)
{
    return fullDetails ? QStringLiteral("Installed Chart List ( Full Details ) Report")
                       : QStringLiteral("Installed Chart List Report");
}

// Both raster services share one catalogue: the first service reads it;
// the definition file then lays the list out.
bool ReadRows(chart::CChartingModule& charting, bool fullDetails,
              const std::filesystem::path& reportsFolder, report::CReportDefinition& definition,
              std::unique_ptr<report::CReportRows>& rows, QString& error)
{
    std::vector<std::vector<std::string>> folio;
    for (const auto& service : charting.ChartServices()) {
        auto* hcrf = dynamic_cast<charts::hcrf::CHCRFModule*>(service.get());
        if (!hcrf)
            continue;
        const charts::CChartListSources sources{hcrf->SourcePath().string(),
                                                hcrf->ChartsFolder().string()};
        std::string message;
        if (!charts::ReadChartFolio(hcrf->ModuleFolder(), sources, QLocale(), folio, message)) {
            error = QString::fromStdString(message);
            return false;
        }
        break;
    }
    std::string message;
    if (!charts::MakeChartListReport(fullDetails, reportsFolder, std::move(folio), definition, rows,
                                     message)) {
        error = QString::fromStdString(message);
        return false;
    }
    return true;
}

}   // namespace

bool IsChartListPreviewOpen(const QMdiArea& area, bool fullDetails)
{
    for (QMdiSubWindow* sub : area.subWindowList())
        if (sub->widget() && sub->widget()->objectName() == PreviewName(fullDetails))
            return true;
    return false;
}

void PreviewChartList(chart::CChartingModule& charting, bool fullDetails, QMdiArea& area,
                      QPrinter& printer, bool printerPresent,
                      const std::filesystem::path& reportsFolder)
{
    const app::CWaitStatus wait;
    report::CReportDefinition definition;
    std::unique_ptr<report::CReportRows> rows;
    QString error;
    if (!ReadRows(charting, fullDetails, reportsFolder, definition, rows, error)) {
        QMessageBox::warning(area.window(), QObject::tr("Print Preview"), error);
        return;
    }
    auto* preview = new report::CReportPreview(std::move(definition), std::move(rows), &printer,
                                               fullDetails ? QStringLiteral("FullChartFolio.pdf")
                                                           : QStringLiteral("ChartFolio.pdf"));
    preview->SetPrinterPresent(printerPresent);
    preview->setObjectName(PreviewName(fullDetails));
    // Titled before it is shown: the window area takes the widget's title.
    preview->setWindowTitle(PreviewTitle(fullDetails));
    QMdiSubWindow* sub = area.addSubWindow(preview);
    sub->setWindowTitle(PreviewTitle(fullDetails));
    sub->setWindowIcon(QIcon::fromTheme(QStringLiteral("document-print-preview"),
                                        QIcon(QStringLiteral(":/icons/document-print.svg"))));
    const QSize space = area.viewport()->size();
    sub->resize(std::max(space.width() * 4 / 5, 480), std::max(space.height() * 9 / 10, 360));
    preview->show();
    area.setActiveSubWindow(sub);
}

void PrintChartList(chart::CChartingModule& charting, bool fullDetails, QWidget* parent,
                    QPrinter& printer, const std::filesystem::path& reportsFolder)
{
    // The wait state for the whole run, printing included; the printer is
    // the one Print Setup chose, asked nothing here.
    std::optional<app::CWaitStatus> wait(std::in_place);
    report::CReportDefinition definition;
    std::unique_ptr<report::CReportRows> rows;
    QString error;
    if (ReadRows(charting, fullDetails, reportsFolder, definition, rows, error)) {
        const QSizeF page = report::DefinitionPageSize(definition);
        report::CReportLayout layout(std::move(definition), *rows, page);
        layout.Paginate();
        if (report::PrintReport(layout, printer, error))
            return;
    }
    wait.reset();   // the message box under the normal cursor
    QMessageBox::warning(parent, QObject::tr("Print"), error);
}

}   // namespace shell

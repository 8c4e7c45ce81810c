#include "shell/ChartListReports.h"

#include "chart/ChartingModule.h"
#include "charts/hcrf/HCRFModule.h"
#include "charts/ui/ChartListReport.h"
#include "engines/report/ReportOutput.h"
#include "engines/report/ReportPreview.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

#include <memory>

namespace shell {

namespace {

QString PreviewName(bool fullDetails)
{
    return fullDetails ? QStringLiteral("FullChartFolioReport")
                       : QStringLiteral("ChartFolioReport");
}

// Both raster services share one catalogue: the first service reads it.
bool ReadRows(chart::CChartingModule& charting, bool fullDetails,
              std::vector<std::vector<std::string>>& rows, QString& error)
{
    for (const auto& service : charting.ChartServices()) {
        auto* hcrf = dynamic_cast<charts::hcrf::CHCRFModule*>(service.get());
        if (!hcrf)
            continue;
        const charts::CChartListSources sources{hcrf->SourcePath().string(),
                                                hcrf->ChartsFolder().string()};
        std::string message;
        if (!charts::ReadChartList(hcrf->ModuleFolder(), fullDetails, sources, QLocale(), rows,
                                   message)) {
            error = QString::fromStdString(message);
            return false;
        }
        return true;
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
                      QPrinter& printer)
{
    std::vector<std::vector<std::string>> rows;
    QString error;
    if (!ReadRows(charting, fullDetails, rows, error)) {
        QMessageBox::warning(area.window(), QObject::tr("Print Preview"), error);
        return;
    }
    auto* preview = new report::CReportPreview(
        charts::ChartListDefinition(fullDetails),
        std::make_unique<report::CVectorRows>(std::move(rows)), &printer,
        fullDetails ? QStringLiteral("FullChartFolio.pdf") : QStringLiteral("ChartFolio.pdf"));
    preview->setObjectName(PreviewName(fullDetails));
    QMdiSubWindow* sub = area.addSubWindow(preview);
    sub->setWindowIcon(QIcon::fromTheme(QStringLiteral("document-print-preview")));
    const QSize space = area.viewport()->size();
    sub->resize(std::max(space.width() * 4 / 5, 480), std::max(space.height() * 9 / 10, 360));
    preview->show();
    area.setActiveSubWindow(sub);
}

void PrintChartList(chart::CChartingModule& charting, bool fullDetails, QWidget* parent,
                    QPrinter& printer)
{
    std::vector<std::vector<std::string>> rows;
    QString error;
    if (ReadRows(charting, fullDetails, rows, error)) {
        QPrintDialog dialog(&printer, parent);
        if (dialog.exec() != QDialog::Accepted)
            return;
        const report::CVectorRows source(std::move(rows));
        report::CReportLayout layout(charts::ChartListDefinition(fullDetails), source,
                                     report::DefaultPageSize(fullDetails));
        layout.Paginate();
        if (report::PrintReport(layout, printer, error))
            return;
    }
    QMessageBox::warning(parent, QObject::tr("Print"), error);
}

}   // namespace shell

#include "engines/report/ReportOutput.h"

#include "engines/report/ReportLayout.h"

#include <QAbstractPrintDialog>
#include <QDialogButtonBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSaveFile>

#include <algorithm>

namespace report {

namespace {

QPageLayout PointsLayout(const CReportLayout& layout)
{
    // A wide page is the portrait paper turned, so printers feed it as landscape.
    const QSizeF page = layout.PageSize();
    const bool wide = page.width() > page.height();
    const QPageSize size(wide ? page.transposed() : page, QPageSize::Point);
    return QPageLayout(size, wide ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

// Draws every page on a device whose painter is open.
void DrawAll(const CReportLayout& layout, QPainter& painter, QPagedPaintDevice& device)
{
    for (int page = 0; page < layout.PageCount(); ++page) {
        if (page > 0)
            device.newPage();
        painter.save();
        CReportLayout::ScaleToPoints(painter, device);
        layout.DrawPage(painter, page);
        painter.restore();
    }
}

}   // namespace

bool WriteReportPdf(const CReportLayout& layout, const QString& path, QString& error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setResolution(600);
        writer.setPageLayout(PointsLayout(layout));
        writer.setCreator(QStringLiteral("Brinevane"));
        if (!layout.Definition().titles.empty())
            writer.setTitle(QString::fromStdString(layout.Definition().titles.front()));
        QPainter painter;
        if (!painter.begin(&writer)) {
            file.cancelWriting();
            error = QStringLiteral("Cannot write %1").arg(path);
            return false;
        }
        DrawAll(layout, painter, writer);
        painter.end();
    }
    if (!file.commit()) {
        error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool PrintReport(const CReportLayout& layout, QPrinter& printer, QString& error)
{
    if (printer.outputFormat() == QPrinter::NativeFormat && printer.printerName().isEmpty() &&
        QPrinterInfo::defaultPrinter().isNull()) {
        error = QStringLiteral("No printer is available");
        return false;
    }
    // Printing to a file (all a machine without a print service has) needs
    // the file that Print Setup names.
    if (printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty()) {
        error = QStringLiteral("No printer is available: no file to print to is set up");
        return false;
    }
    printer.setCopyCount(std::max(1, printer.copyCount()));
    printer.setFullPage(true);
    printer.setPageLayout(PointsLayout(layout));
    QPainter painter;
    if (!painter.begin(&printer)) {
        error = QStringLiteral("The printer %1 could not be started").arg(printer.printerName());
        return false;
    }
    DrawAll(layout, painter, printer);
    const bool ok = painter.end();
    if (!ok)
        error = QStringLiteral("The report could not be printed");
    return ok;
}

bool PrintSetup(QPrinter& printer, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("PrintSetupDialog"));
    dialog.setWindowTitle(QObject::tr("Print Setup"));
    // The printer, a file to print to and the paper; pages are not asked here.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    // Accepting chooses; nothing is printed yet.
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>())
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
            ok->setText(QObject::tr("OK"));
    return dialog.exec() == QDialog::Accepted;
}

}   // namespace report

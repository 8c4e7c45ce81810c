#include "nmea/ui/NmeaDumpPrint.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "nmea/ui/NmeaDumpView.h"

namespace nmea {

int PrintDumpView(const CNmeaDumpView& view, QPrinter& printer)
{
    // One copy of the history, taken under its lock; the painting runs outside it.
    const std::vector<std::string> lines = view.Port().GetHistory(view.Channel());
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(9.0);
    painter.setFont(font);
    const QFontMetrics metrics(painter.font(), painter.device());
    const QRect page = painter.viewport();
    const int lineHeight = std::max(1, metrics.height());
    const int headingHeight = lineHeight * 2;
    const int perPage = std::max(1, (page.height() - headingHeight) / lineHeight);
    const int pages = std::max(1, static_cast<int>((lines.size() + perPage - 1) / perPage));
    const QString title = CNmeaDumpView::Title(view.Port(), view.Channel());
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            printer.newPage();
        painter.drawText(page.left(), page.top() + metrics.ascent(),
                         QString("%1    page %2 of %3").arg(title).arg(p + 1).arg(pages));
        int y = page.top() + headingHeight + metrics.ascent();
        const std::size_t first = static_cast<std::size_t>(p) * static_cast<std::size_t>(perPage);
        for (std::size_t i = first;
             i < lines.size() && i < first + static_cast<std::size_t>(perPage);
             ++i, y += lineHeight)
            painter.drawText(page.left(), y, QString::fromStdString(lines[i]));
    }
    painter.end();
    return pages;
}

void PreviewDumpView(const CNmeaDumpView& view, QWidget* parent)
{
    QPrintPreviewDialog preview(parent);
    preview.setWindowTitle(
        QObject::tr("Print Preview - %1").arg(CNmeaDumpView::Title(view.Port(), view.Channel())));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&view](QPrinter* printer) { PrintDumpView(view, *printer); });
    preview.exec();
}

}   // namespace nmea

#pragma once
// The installed chart lists of File > Print and Print Preview: the preview
// as a window among the charts, or the list sent to the printer.

class QMdiArea;
class QPrinter;
class QWidget;

namespace chart {
class CChartingModule;
}

namespace shell {

// Whether the list's preview window is open.
bool IsChartListPreviewOpen(const QMdiArea& area, bool fullDetails);
void PreviewChartList(chart::CChartingModule& charting, bool fullDetails, QMdiArea& area,
                      QPrinter& printer);
// Asks for the printer, then prints; a failure is told in a message box.
void PrintChartList(chart::CChartingModule& charting, bool fullDetails, QWidget* parent,
                    QPrinter& printer);

}   // namespace shell

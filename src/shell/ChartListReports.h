#pragma once
// The installed chart lists of File > Print and Print Preview: the preview
// as a window among the charts, or the list sent to the printer.

#include <filesystem>

class QMdiArea;
class QPrinter;
class QWidget;

namespace chart {
class CChartingModule;
}

namespace shell {

// Whether the list's preview window is open.
bool IsChartListPreviewOpen(const QMdiArea& area, bool fullDetails);
// The list's layout is its definition file's (the user's copy first, then
// `reportsFolder`); a missing or bad one is told and nothing opens. The
// preview offers Print and Print Setup only with `printerPresent`.
void PreviewChartList(chart::CChartingModule& charting, bool fullDetails, QMdiArea& area,
                      QPrinter& printer, bool printerPresent,
                      const std::filesystem::path& reportsFolder);
// Prints on `printer` (what Print Setup chose) without asking, under the
// wait state; a failure is told in a message box.
void PrintChartList(chart::CChartingModule& charting, bool fullDetails, QWidget* parent,
                    QPrinter& printer, const std::filesystem::path& reportsFolder);

}   // namespace shell

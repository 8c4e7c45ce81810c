#pragma once
// The report preview: one page drawn at a time (only the page in view is
// ever painted, so a long report costs no more than a short one), with a
// bar for Print, Print Setup, Save As PDF, previous and next page, zoom,
// search and the page number.

#include "engines/report/ReportLayout.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QPrinter;
class QScrollArea;

namespace report {

class CReportPageView;

class CReportPreview : public QMainWindow {
    Q_OBJECT
public:
    // Takes the rows; `printer` (may be null) is the program's printer,
    // which must outlive the window. `pdfName` is the Save As suggestion.
    CReportPreview(CReportDefinition definition, std::unique_ptr<CReportRows> rows,
                   QPrinter* printer, QString pdfName, QWidget* parent = nullptr);
    // Shows a report laid out already (on a worker thread) over `rows`.
    CReportPreview(std::unique_ptr<CReportRows> rows, std::unique_ptr<CReportLayout> layout,
                   QPrinter* printer, QString pdfName, QWidget* parent = nullptr);
    ~CReportPreview() override;

    int Page() const { return m_page; }
    int PageCount() const { return m_layout->PageCount(); }
    void ShowPage(int page);
    // Goes to the page of the next row holding `text`; false when none does.
    bool Find(const QString& text);
    bool SaveAsPdf(const QString& path, QString& error);
    const CReportLayout& Layout() const { return *m_layout; }
    // Print and Print Setup are offered only while the program has a printer.
    void SetPrinterPresent(bool present);

protected:
    // Until the user zooms, a page wider than the window is shown whole across it.
    void resizeEvent(QResizeEvent* event) override;

private:
    void Build();
    void SetZoom(double zoom);
    void FitPageWidth(int windowWidth);
    void OnPrint();
    void OnPrintSetup();
    // Makes the preview's window the active one again after a dialog.
    void TakeKeyboardBack();
    void OnSaveAs();

    std::unique_ptr<CReportRows> m_rows;
    std::unique_ptr<CReportLayout> m_layout;
    std::unique_ptr<QPrinter> m_ownPrinter;
    QPrinter* m_printer;
    QString m_pdfName;
    CReportPageView* m_view = nullptr;
    QScrollArea* m_scroll = nullptr;
    QLabel* m_pageLabel = nullptr;
    QLineEdit* m_search = nullptr;
    QAction* m_print = nullptr;
    QAction* m_printSetup = nullptr;
    int m_page = 0;
    std::ptrdiff_t m_lastFound = -1;
    double m_zoom = 1.0;
    bool m_zoomChosen = false;   // Zoom In or Out pressed: the window's size no longer decides
};

}   // namespace report

#pragma once
// A report laid out on pages: title lines, a heading row repeated on every
// page, rows whose cells wrap within their column (nothing is cut), a total
// line and a "Page n of m" footer. Layout works in points (1/72 inch), so
// the same pages come out on a printer, a PDF or the preview; a measuring
// pass keeps only each page's first row, and a page is drawn by reading its
// rows again from the source.

#include "engines/report/ReportDefinition.h"

#include <QFont>
#include <QSizeF>
#include <QString>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class QPainter;
class QPaintDevice;

namespace report {

// Rows read by index, one at a time.
class CReportRows {
public:
    virtual ~CReportRows() = default;
    virtual std::size_t Count() const = 0;
    virtual void Row(std::size_t index, std::vector<std::string>& cells) const = 0;
};

// Rows held in memory, for tables small enough to copy on the window thread.
class CVectorRows : public CReportRows {
public:
    explicit CVectorRows(std::vector<std::vector<std::string>> rows) : m_rows(std::move(rows)) { }
    std::size_t Count() const override { return m_rows.size(); }
    void Row(std::size_t index, std::vector<std::string>& cells) const override
    {
        cells = m_rows[index];
    }

private:
    std::vector<std::vector<std::string>> m_rows;
};

// The paper of the user's locale in points: Letter where US measures are
// used, A4 elsewhere; turned for a landscape report.
QSizeF DefaultPageSize(bool landscape = false);
// The paper a definition asks for, turned when landscape.
QSizeF DefinitionPageSize(const CReportDefinition& definition);

class CReportLayout {
public:
    // `page` is the paper size in points; `margin` on every side.
    CReportLayout(CReportDefinition definition, const CReportRows& rows, QSizeF page,
                  double margin = 36.0);

    // Measures every page; `cancelled` is asked once a page. False when
    // cancelled (the layout then has no pages).
    bool Paginate(const std::function<bool()>& cancelled = {});
    int PageCount() const { return static_cast<int>(m_pageFirstRow.size()); }
    QSizeF PageSize() const { return m_page; }
    // The page holding row `index`, or -1.
    int PageOfRow(std::size_t index) const;
    // The first row whose cells contain `text` (case-insensitive) at or after `from`.
    std::ptrdiff_t FindRow(const QString& text, std::size_t from = 0) const;

    // Draws page `page` (0-based) with the painter in points.
    void DrawPage(QPainter& painter, int page) const;
    // Scales a painter on `device` so that one unit is one point.
    static void ScaleToPoints(QPainter& painter, const QPaintDevice& device);

    const CReportDefinition& Definition() const { return m_def; }
    QString DateText() const { return m_date; }

private:
    // Row `index`'s cells as printed (the last row without its blanked columns).
    void Cells(std::size_t index, std::vector<std::string>& cells) const;
    double RowHeight(const std::vector<std::string>& cells) const;
    double HeaderHeight(int page) const;
    double ColumnX(std::size_t column) const;
    double ColumnWidth(std::size_t column) const;
    // Where a cell's text goes across its column: inside the padding, and
    // clear of a right-aligned column before it.
    double TextX(std::size_t column) const;
    double TextWidth(std::size_t column) const;

    CReportDefinition m_def;
    const CReportRows& m_rows;
    QSizeF m_page;
    double m_margin;
    QFont m_font, m_boldFont, m_titleFont;
    double m_totalWidth = 0;
    QString m_date;
    std::vector<std::size_t> m_pageFirstRow;
    std::vector<std::string> m_totalTexts;   // per column, from the measuring pass
    std::size_t m_rowsEnd = 0;
    bool m_totalOnOwnPage = false;
};

}   // namespace report

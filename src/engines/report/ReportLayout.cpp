#include "engines/report/ReportLayout.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageSize>
#include <QPaintDevice>
#include <QPainter>
#include <QTextBoundaryFinder>

#include "platform/LocaleFreeNumbers.h"

#include <algorithm>

namespace report {

namespace {

constexpr double kCellPad = 2.0;   // points either side of a cell's text
// More space before a column's text when the column before it is
// right-aligned: the two texts meet at that border, and two pads alone read
// as one space ("0.88 Pass the light").
constexpr double kAfterRightAligned = 8.0;

// Cells wrap where a line may break (blanks, after a path's slashes). A piece
// between two such places that is wider than its column is broken where the
// column ends rather than drawn past its edge, and only that piece: the
// words beside it still wrap whole.
QString BreakLongWords(const QFontMetricsF& metrics, double width, const QString& text)
{
    // Qt lays text out in fixed point: a piece that only just fits by our
    // measure may not by its own.
    width -= 0.5;
    QString out;
    out.reserve(text.size() + 8);
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype from = 0;
    while (from < text.size()) {
        breaks.setPosition(from);
        qsizetype to = breaks.toNextBoundary();
        if (to <= from)
            to = text.size();
        const QString piece = text.mid(from, to - from);
        if (metrics.horizontalAdvance(piece.trimmed()) <= width) {
            out += piece;
        } else {
            QString line;
            for (const QChar c : piece) {
                if (!line.isEmpty() && !c.isSpace() &&
                    metrics.horizontalAdvance(line + c) > width) {
                    out += line + QLatin1Char('\n');
                    line.clear();
                }
                line += c;
            }
            out += line;
        }
        from = to;
    }
    return out;
}

// One-line cells (positions, dates, times) must print whole: a value wider
// than its column, such as a position with four decimals of seconds, is drawn
// narrower to fit, down to this share of its width. Only a value that would
// need more squeezing is cut, with an ellipsis.
constexpr int kNarrowestStretch = 72;   // per cent

void DrawOneLine(QPainter& painter, const QFont& font, const QRectF& box, int flags,
                 const QString& text)
{
    const double advance = QFontMetricsF(font).horizontalAdvance(text);
    if (advance <= box.width()) {
        painter.drawText(box, flags, text);
        return;
    }
    // Glyph advances are rounded at a stretch: narrower by a step until the
    // text fits. Whatever still does not fit is cut rather than drawn over
    // the next column.
    QFont narrow(font);
    int stretch = std::max(static_cast<int>(100.0 * box.width() / advance), kNarrowestStretch);
    narrow.setStretch(stretch);
    while (stretch > kNarrowestStretch &&
           QFontMetricsF(narrow).horizontalAdvance(text) > box.width())
        narrow.setStretch(--stretch);
    const QFontMetricsF metrics(narrow);
    painter.setFont(narrow);
    painter.drawText(box, flags, metrics.elidedText(text, Qt::ElideRight, box.width()));
    painter.setFont(font);
}

QRectF Measure(const QFontMetricsF& metrics, double width, const QString& text)
{
    return metrics.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap,
                                BreakLongWords(metrics, width, text));
}

QFont MakeFont(double size, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    // Pixel sizes: one unit is one point once the painter is scaled.
    font.setPixelSize(static_cast<int>(size));
    font.setBold(bold);
    // No ligatures: "Off" must come out of a PDF as three letters, so a
    // search or a copy of the text finds what was printed.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

int AlignFlags(Align align)
{
    switch (align) {
    case Align::Right: return Qt::AlignRight;
    case Align::Centre: return Qt::AlignHCenter;
    case Align::Left: break;
    }
    return Qt::AlignLeft;
}

}   // namespace

QSizeF DefaultPageSize(bool landscape)
{
    const bool letter = QLocale().measurementSystem() == QLocale::ImperialUSSystem;
    const QSizeF size =
        QPageSize(letter ? QPageSize::Letter : QPageSize::A4).size(QPageSize::Point);
    return landscape ? size.transposed() : size;
}

QSizeF DefinitionPageSize(const CReportDefinition& definition)
{
    if (definition.paper == PaperSize::Locale)
        return DefaultPageSize(definition.landscape);
    const QSizeF size =
        QPageSize(definition.paper == PaperSize::Letter ? QPageSize::Letter : QPageSize::A4)
            .size(QPageSize::Point);
    return definition.landscape ? size.transposed() : size;
}

CReportLayout::CReportLayout(CReportDefinition definition, const CReportRows& rows, QSizeF page,
                             double margin)
    : m_def(std::move(definition)), m_rows(rows), m_page(page), m_margin(margin),
      m_font(MakeFont(9, false)), m_boldFont(MakeFont(9, true)), m_titleFont(MakeFont(14, true))
{
    for (const CReportColumn& column : m_def.columns)
        m_totalWidth += std::max(column.width, 0.01);
    m_date = QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
}

double CReportLayout::ColumnX(std::size_t column) const
{
    double share = 0;
    for (std::size_t i = 0; i < column; ++i)
        share += std::max(m_def.columns[i].width, 0.01);
    return m_margin + (m_page.width() - 2 * m_margin) * share / m_totalWidth;
}

double CReportLayout::ColumnWidth(std::size_t column) const
{
    return (m_page.width() - 2 * m_margin) * std::max(m_def.columns[column].width, 0.01) /
           m_totalWidth;
}

double CReportLayout::TextX(std::size_t column) const
{
    const bool afterRight = column > 0 && m_def.columns[column - 1].align == Align::Right &&
                            m_def.columns[column].align != Align::Right;
    return ColumnX(column) + kCellPad + (afterRight ? kAfterRightAligned : 0.0);
}

double CReportLayout::TextWidth(std::size_t column) const
{
    return std::max(ColumnX(column) + ColumnWidth(column) - kCellPad - TextX(column), 1.0);
}

void CReportLayout::Cells(std::size_t index, std::vector<std::string>& cells) const
{
    m_rows.Row(index, cells);
    if (index + 1 != m_rows.Count())
        return;
    for (const std::size_t c : m_def.blankOnLastRow)
        if (c < cells.size())
            cells[c].clear();
}

double CReportLayout::RowHeight(const std::vector<std::string>& cells) const
{
    const QFontMetricsF metrics(m_font);
    double height = metrics.height();
    for (std::size_t c = 0; c < cells.size() && c < m_def.columns.size(); ++c) {
        if (!m_def.columns[c].wrap)
            continue;   // one line, narrowed or cut to the column
        const double width = TextWidth(c);
        height =
            std::max(height, Measure(metrics, width, QString::fromStdString(cells[c])).height());
    }
    return height + 2 * kCellPad;
}

double CReportLayout::HeaderHeight(int /*page*/) const
{
    double height = 0;
    for (std::size_t i = 0; i < m_def.titles.size(); ++i)
        height += QFontMetricsF(i == 0 ? m_titleFont : m_font).height() + 2;
    height += 6;   // space under the titles
    const QFontMetricsF bold(m_boldFont);
    double headings = bold.height();
    for (std::size_t c = 0; c < m_def.columns.size(); ++c) {
        const double width = TextWidth(c);
        headings = std::max(
            headings,
            Measure(bold, width, QString::fromStdString(m_def.columns[c].heading)).height());
    }
    return height + headings + 2 * kCellPad + 3;
}

bool CReportLayout::Paginate(const std::function<bool()>& cancelled)
{
    m_pageFirstRow.clear();
    const std::size_t count = m_rows.Count();
    const double footer = QFontMetricsF(m_font).height() + 8;
    const double bottom = m_page.height() - m_margin - footer;
    m_pageFirstRow.push_back(0);
    double y = m_margin + HeaderHeight(0);
    std::vector<std::string> cells;
    std::vector<double> sums(m_def.columns.size(), 0.0);
    m_totalTexts.assign(m_def.columns.size(), std::string());
    // Index `count` is the total line, kept with its rows where it fits. A
    // report without totals has no such line: rows that fill their last page
    // exactly must not be followed by a page of headings alone.
    const bool totalLine = m_def.rowCountTotal || !m_def.totals.empty();
    for (std::size_t i = 0; i < count + (totalLine ? 1 : 0); ++i) {
        double height = QFontMetricsF(m_boldFont).height() + 2 * kCellPad;
        if (i < count) {
            Cells(i, cells);
            height = RowHeight(cells);
            for (const CReportTotal& total : m_def.totals) {
                if (total.column >= cells.size())
                    continue;
                if (total.kind == CReportTotal::Last)
                    m_totalTexts[total.column] = cells[total.column];
                else
                    sums[total.column] += platform::ParseDouble(cells[total.column]).value_or(0);
            }
        }
        if (y + height > bottom && i != m_pageFirstRow.back()) {
            if (cancelled && cancelled()) {
                m_pageFirstRow.clear();
                return false;
            }
            m_pageFirstRow.push_back(i);
            y = m_margin + HeaderHeight(PageCount() - 1);
        }
        y += height;
    }
    for (const CReportTotal& total : m_def.totals)
        if (total.kind == CReportTotal::Sum && total.column < sums.size())
            m_totalTexts[total.column] = platform::FormatC("%.2f", sums[total.column]);
    m_rowsEnd = count;
    return true;
}

int CReportLayout::PageOfRow(std::size_t index) const
{
    if (m_pageFirstRow.empty() || index >= m_rowsEnd)
        return -1;
    const auto after = std::upper_bound(m_pageFirstRow.begin(), m_pageFirstRow.end(), index);
    return static_cast<int>(after - m_pageFirstRow.begin()) - 1;
}

std::ptrdiff_t CReportLayout::FindRow(const QString& text, std::size_t from) const
{
    if (text.isEmpty())
        return -1;
    std::vector<std::string> cells;
    for (std::size_t i = from; i < m_rows.Count(); ++i) {
        Cells(i, cells);
        for (const std::string& cell : cells)
            if (QString::fromStdString(cell).contains(text, Qt::CaseInsensitive))
                return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

void CReportLayout::ScaleToPoints(QPainter& painter, const QPaintDevice& device)
{
    painter.scale(device.logicalDpiX() / 72.0, device.logicalDpiY() / 72.0);
}

void CReportLayout::DrawPage(QPainter& painter, int page) const
{
    if (page < 0 || page >= PageCount())
        return;
    painter.save();
    painter.setPen(Qt::black);
    const double left = m_margin, right = m_page.width() - m_margin;
    double y = m_margin;
    for (std::size_t i = 0; i < m_def.titles.size(); ++i) {
        const QFont& font = i == 0 ? m_titleFont : m_font;
        painter.setFont(font);
        const double h = QFontMetricsF(font).height();
        painter.drawText(QRectF(left, y, right - left, h), Qt::AlignHCenter | Qt::AlignTop,
                         QString::fromStdString(m_def.titles[i]));
        y += h + 2;
    }
    y += 6;
    // Headings, repeated on every page, with a rule under them.
    painter.setFont(m_boldFont);
    const double headingTop = y;
    double headingBottom = y + QFontMetricsF(m_boldFont).height() + 2 * kCellPad;
    for (std::size_t c = 0; c < m_def.columns.size(); ++c) {
        const QRectF box(TextX(c), headingTop + kCellPad, TextWidth(c), 1e6);
        const QString text = QString::fromStdString(m_def.columns[c].heading);
        QRectF used;
        painter.drawText(box, Qt::TextWordWrap | AlignFlags(m_def.columns[c].align) | Qt::AlignTop,
                         BreakLongWords(QFontMetricsF(m_boldFont), box.width(), text), &used);
        headingBottom = std::max(headingBottom, used.bottom() + kCellPad);
    }
    painter.drawLine(QPointF(left, headingBottom + 1), QPointF(right, headingBottom + 1));
    y = headingBottom + 3;

    const std::size_t count = m_rows.Count();
    const std::size_t first = m_pageFirstRow[static_cast<std::size_t>(page)];
    const std::size_t end =
        page + 1 < PageCount() ? m_pageFirstRow[static_cast<std::size_t>(page) + 1] : m_rowsEnd + 1;
    std::vector<std::string> cells;
    for (std::size_t i = first; i < end; ++i) {
        if (i >= m_rowsEnd) {
            painter.setFont(m_boldFont);
            if (m_def.rowCountTotal)
                painter.drawText(QRectF(left + kCellPad, y + kCellPad, right - left, 1e3),
                                 Qt::AlignLeft | Qt::AlignTop,
                                 QStringLiteral("Total: %1").arg(static_cast<qulonglong>(count)));
            for (const CReportTotal& total : m_def.totals) {
                if (total.column >= m_totalTexts.size())
                    continue;
                const QRectF box(TextX(total.column), y + kCellPad, TextWidth(total.column), 1e3);
                painter.drawText(box, AlignFlags(m_def.columns[total.column].align) | Qt::AlignTop,
                                 QString::fromStdString(m_totalTexts[total.column]));
            }
            break;
        }
        Cells(i, cells);
        painter.setFont(m_font);
        const double height = RowHeight(cells);
        for (std::size_t c = 0; c < cells.size() && c < m_def.columns.size(); ++c) {
            const QRectF box(TextX(c), y + kCellPad, TextWidth(c), height);
            QString text = QString::fromStdString(cells[c]);
            if (!m_def.columns[c].wrap) {
                DrawOneLine(painter, m_font, box, AlignFlags(m_def.columns[c].align) | Qt::AlignTop,
                            text.simplified());
                continue;
            }
            painter.drawText(box,
                             Qt::TextWordWrap | AlignFlags(m_def.columns[c].align) | Qt::AlignTop,
                             BreakLongWords(QFontMetricsF(m_font), box.width(), text));
        }
        y += height;
    }

    // Footer: the date on the left, "Page n of m" on the right.
    painter.setFont(m_font);
    const double footerH = QFontMetricsF(m_font).height();
    const QRectF footer(left, m_page.height() - m_margin - footerH, right - left, footerH);
    painter.drawLine(QPointF(left, footer.top() - 4), QPointF(right, footer.top() - 4));
    if (m_def.footerDate)
        painter.drawText(footer, Qt::AlignLeft | Qt::AlignVCenter, m_date);
    painter.drawText(footer, Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Page %1 of %2").arg(page + 1).arg(PageCount()));
    painter.restore();
}

}   // namespace report

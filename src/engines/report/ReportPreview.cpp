#include "engines/report/ReportPreview.h"

#include "engines/report/ReportOutput.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include <algorithm>
#include <functional>
#include <utility>

namespace report {

// Paints the preview's current page at the preview's zoom.
class CReportPageView : public QWidget {
public:
    static constexpr int kBorder = 8;   // grey round the paper

    explicit CReportPageView(const CReportLayout& layout) : m_layout(layout)
    {
        setObjectName(QStringLiteral("ReportPage"));
    }
    void Set(int page, double zoom)
    {
        m_page = page;
        m_zoom = zoom;
        const QSizeF size = m_layout.PageSize() * zoom;
        setFixedSize(size.toSize() + QSize(2 * kBorder, 2 * kBorder));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        const QRectF paper(kBorder, kBorder, m_layout.PageSize().width() * m_zoom,
                           m_layout.PageSize().height() * m_zoom);
        painter.fillRect(paper, Qt::white);
        painter.setPen(Qt::darkGray);
        painter.drawRect(paper);
        painter.translate(kBorder, kBorder);
        painter.scale(m_zoom, m_zoom);
        m_layout.DrawPage(painter, m_page);
    }

private:
    const CReportLayout& m_layout;
    int m_page = 0;
    double m_zoom = 1.0;
};

namespace {
constexpr double kZoomStep = 1.25;
}

CReportPreview::CReportPreview(CReportDefinition definition, std::unique_ptr<CReportRows> rows,
                               QPrinter* printer, QString pdfName, QWidget* parent)
    : QMainWindow(parent), m_rows(std::move(rows)), m_printer(printer),
      m_pdfName(std::move(pdfName))
{
    const bool landscape = definition.landscape;
    m_layout =
        std::make_unique<CReportLayout>(std::move(definition), *m_rows, DefaultPageSize(landscape));
    m_layout->Paginate();
    Build();
}

CReportPreview::CReportPreview(std::unique_ptr<CReportRows> rows,
                               std::unique_ptr<CReportLayout> layout, QPrinter* printer,
                               QString pdfName, QWidget* parent)
    : QMainWindow(parent), m_rows(std::move(rows)), m_layout(std::move(layout)), m_printer(printer),
      m_pdfName(std::move(pdfName))
{
    Build();
}

void CReportPreview::Build()
{
    setObjectName(QStringLiteral("ReportPreview"));
    if (!parentWidget())   // a window of its own; inside a window area, the area's frame owns it
        setAttribute(Qt::WA_DeleteOnClose);
    const auto& titles = m_layout->Definition().titles;
    const QString title = titles.empty() ? QString() : QString::fromStdString(titles.front());
    setWindowTitle(tr("Print Preview - %1").arg(title));
    if (!m_printer) {
        m_ownPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer = m_ownPrinter.get();
    }

    QToolBar* bar = addToolBar(tr("Preview"));
    bar->setObjectName(QStringLiteral("ReportPreviewBar"));
    bar->setMovable(false);
    m_print = bar->addAction(tr("Print..."), this, &CReportPreview::OnPrint);
    m_printSetup = bar->addAction(tr("Print Setup..."), this, &CReportPreview::OnPrintSetup);
    bar->addAction(tr("Save As PDF..."), this, &CReportPreview::OnSaveAs);
    bar->addSeparator();
    bar->addAction(tr("Previous"), this, [this] { ShowPage(m_page - 1); });
    bar->addAction(tr("Next"), this, [this] { ShowPage(m_page + 1); });
    m_pageLabel = new QLabel(bar);
    m_pageLabel->setObjectName(QStringLiteral("ReportPageNumber"));
    m_pageLabel->setContentsMargins(8, 0, 8, 0);
    bar->addWidget(m_pageLabel);
    bar->addSeparator();
    bar->addAction(tr("Zoom In"), this, [this] {
        m_zoomChosen = true;
        SetZoom(m_zoom * kZoomStep);
    });
    bar->addAction(tr("Zoom Out"), this, [this] {
        m_zoomChosen = true;
        SetZoom(m_zoom / kZoomStep);
    });
    bar->addSeparator();
    m_search = new QLineEdit(bar);
    m_search->setObjectName(QStringLiteral("ReportSearch"));
    m_search->setPlaceholderText(tr("Search"));
    m_search->setMaximumWidth(160);
    bar->addWidget(m_search);
    auto find = [this] {
        if (!Find(m_search->text())) {
            QMessageBox::information(this, windowTitle(),
                                     tr("\"%1\" was not found.").arg(m_search->text()));
            TakeKeyboardBack();
        }
    };
    connect(m_search, &QLineEdit::returnPressed, this, find);
    bar->addAction(tr("Find"), this, find);
    bar->addAction(tr("Close"), this, [this] {
        if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
            frame->close();
        else
            close();
    });

    // Paging keys work wherever the focus is in the preview (the scroll area
    // would take them otherwise); the toolbar carries no mnemonics, so the
    // main window's menu keys still reach its menus.
    const std::pair<QKeySequence, std::function<void()>> keys[] = {
        {Qt::Key_PageDown, [this] { ShowPage(m_page + 1); }},
        {Qt::Key_PageUp, [this] { ShowPage(m_page - 1); }},
        {Qt::Key_Home, [this] { ShowPage(0); }},
        {Qt::Key_End, [this] { ShowPage(PageCount() - 1); }},
    };
    for (const auto& [key, go] : keys) {
        auto* shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, go);
    }

    m_view = new CReportPageView(*m_layout);
    m_scroll = new QScrollArea(this);
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_scroll->setWidget(m_view);
    setCentralWidget(m_scroll);
    resize(760, 900);
    ShowPage(0);
}

CReportPreview::~CReportPreview() = default;

void CReportPreview::ShowPage(int page)
{
    m_page = std::clamp(page, 0, std::max(PageCount() - 1, 0));
    m_view->Set(m_page, m_zoom);
    m_pageLabel->setText(tr("Page %1 of %2").arg(m_page + 1).arg(PageCount()));
    m_scroll->verticalScrollBar()->setValue(0);
}

void CReportPreview::SetZoom(double zoom)
{
    m_zoom = std::clamp(zoom, 0.25, 4.0);
    m_view->Set(m_page, m_zoom);
}

void CReportPreview::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (!m_zoomChosen && m_scroll)
        FitPageWidth(event->size().width());
}

void CReportPreview::FitPageWidth(int windowWidth)
{
    // The scroll area spans the window (its viewport may not have its new
    // size yet): the room inside its frame, a vertical scroll bar and the
    // page's border.
    const double room = windowWidth - 2 * m_scroll->frameWidth() -
                        m_scroll->verticalScrollBar()->sizeHint().width() -
                        2 * CReportPageView::kBorder;
    const double page = m_layout->PageSize().width();
    if (page > 0 && room > 0)
        SetZoom(std::min(1.0, room / page));
}

bool CReportPreview::Find(const QString& text)
{
    std::ptrdiff_t row = m_layout->FindRow(text, static_cast<std::size_t>(m_lastFound + 1));
    if (row < 0 && m_lastFound >= 0)   // wraps round to the first row once
        row = m_layout->FindRow(text, 0);
    m_lastFound = row;
    if (row < 0)
        return false;
    ShowPage(m_layout->PageOfRow(static_cast<std::size_t>(row)));
    return true;
}

bool CReportPreview::SaveAsPdf(const QString& path, QString& error)
{
    return WriteReportPdf(*m_layout, path, error);
}

void CReportPreview::TakeKeyboardBack()
{
    // A window manager may leave the keyboard with no window once a dialog
    // has closed, also after the preview's window asked for it: the program
    // would then not count its own window active, and Alt and the menu
    // letters would be typed into the search field instead of opening the
    // menus. For a moment after the dialog the window asks again whenever
    // the keyboard goes nowhere; a click into another program's window
    // gives the keyboard somewhere and is left alone.
    QPointer<QWidget> top = window();
    if (!top || !top->isVisible())
        return;
    top->activateWindow();
    auto* watch = new QObject(this);
    connect(qApp, &QGuiApplication::focusWindowChanged, watch, [top](QWindow* now) {
        if (!now && top && top->isVisible() && !QApplication::activeModalWidget())
            top->activateWindow();
    });
    QTimer::singleShot(1500, watch, &QObject::deleteLater);
}

void CReportPreview::OnPrint()
{
    QPrintDialog dialog(m_printer, this);
    const int answer = dialog.exec();
    TakeKeyboardBack();
    if (answer != QDialog::Accepted)
        return;
    QString error;
    if (!PrintReport(*m_layout, *m_printer, error)) {
        QMessageBox::warning(this, windowTitle(), error);
        TakeKeyboardBack();
    }
}

void CReportPreview::OnPrintSetup()
{
    PrintSetup(*m_printer, this);
    TakeKeyboardBack();
}

void CReportPreview::SetPrinterPresent(bool present)
{
    m_print->setVisible(present);
    m_printSetup->setVisible(present);
}

void CReportPreview::OnSaveAs()
{
    // Offered in the user's documents (else home), never the program's working folder.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save As PDF"), QDir(folder).filePath(m_pdfName), tr("PDF files (*.pdf)"));
    TakeKeyboardBack();
    if (path.isEmpty())
        return;
    QString error;
    if (!SaveAsPdf(path, error)) {
        QMessageBox::warning(this, windowTitle(), error);
        TakeKeyboardBack();
    }
}

}   // namespace report

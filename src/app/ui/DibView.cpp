#include "app/ui/DibView.h"

#include <QApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include "app/WaitStatus.h"

bool CDibDoc::OnOpenDocument(const QString& path, QString* error)
{
    app::CWaitStatus wait;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        if (error)
            *error = reader.errorString();
        return false;
    }
    // One conversion now, so painting is a plain copy of the exposed part.
    m_image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                            : QImage::Format_RGB32);
    m_width = m_image.width();
    m_height = m_image.height();
    m_path = QFileInfo(path).absoluteFilePath();
    return true;
}

CDibView::CDibView(CDibDoc& document, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(document)
{
    setFrameShape(QFrame::NoFrame);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

void CDibView::OnInitialUpdate()
{
    const QSize page = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, m_document.Width() - page.width()));
    verticalScrollBar()->setRange(0, std::max(0, m_document.Height() - page.height()));
    horizontalScrollBar()->setPageStep(page.width());
    verticalScrollBar()->setPageStep(page.height());
    horizontalScrollBar()->setSingleStep(std::max(1, page.width() / 10));
    verticalScrollBar()->setSingleStep(std::max(1, page.height() / 10));
}

void CDibView::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    OnInitialUpdate();
}

QSize CDibView::sizeHint() const
{
    return QSize(m_document.Width(), m_document.Height());
}

void CDibView::paintEvent(QPaintEvent* e)
{
    QPainter painter(viewport());
    const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const QRect exposed = e->rect();
    const QRect source = exposed.translated(scroll).intersected(m_document.Image().rect());
    painter.fillRect(exposed, palette().window());
    if (!source.isEmpty())
        painter.drawImage(source.topLeft() - scroll, m_document.Image(), source);
    m_lastSource = source;
}

CDibFrame::CDibFrame(CDibDoc* document, app::CPostedMessageQueue* owner, QWidget* parent)
    : CViewerFrame(document, owner, parent), m_view(new CDibView(*document, this))
{
    setWidget(m_view);
    setWindowTitle(QFileInfo(document->PathName()).fileName());
    setWindowIcon(QApplication::style()->standardIcon(QStyle::SP_FileIcon));
}

void CDibFrame::OnInitialUpdate()
{
    FitTo(QSize(static_cast<CDibDoc*>(Document())->Width(),
                static_cast<CDibDoc*>(Document())->Height()),
          true);
    m_view->OnInitialUpdate();
}

#include "app/ui/DibView.h"

#include <QApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <cstring>

#include "app/PcxImage.h"
#include "app/WaitStatus.h"

#include <QFile>

namespace app {

namespace {

// PCX pictures, which Qt's image plugins do not read.
QImage ReadPcx(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return {};
    }
    const QByteArray bytes = file.readAll();
    app::CPcxImage pcx;
    std::string why;
    if (!app::DecodePcx(std::string_view(bytes.constData(), std::size_t(bytes.size())), pcx,
                        &why)) {
        if (error)
            *error = QString::fromStdString(why);
        return {};
    }
    QImage image(pcx.width, pcx.height, QImage::Format_RGB32);
    for (int y = 0; y < pcx.height; ++y)
        std::memcpy(image.scanLine(y), pcx.pixels.data() + std::size_t(y) * pcx.width,
                    std::size_t(pcx.width) * 4);
    return image;
}

}   // namespace

bool CDibDoc::OnOpenDocument(const QString& path, QString* error)
{
    app::CWaitStatus wait;
    QImage image;
    if (QFileInfo(path).suffix().compare("pcx", Qt::CaseInsensitive) == 0) {
        image = ReadPcx(path, error);
        if (image.isNull())
            return false;
    } else {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        image = reader.read();
        if (image.isNull()) {
            if (error)
                *error = reader.errorString();
            return false;
        }
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

}   // namespace app

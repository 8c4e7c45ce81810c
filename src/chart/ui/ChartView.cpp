#include "chart/ui/ChartView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

#include <cmath>

#include "app/DisplayPalettes.h"
#include "chart/ChartDoc.h"
#include "chart/ChartingModule.h"

CChartView::CChartView(chart::CChartDoc& doc, chart::CChartingModule* module, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_module(module)
{
    setObjectName("ChartView");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setMinimumSize(16, 16);
}

CChartView::~CChartView() = default;

double CChartView::PixelRatio() const
{
    return devicePixelRatioF();
}

geo::IntRect CChartView::ClientRect() const
{
    const double r = PixelRatio();
    return {0, 0, static_cast<int>(std::lround(width() * r)), static_cast<int>(std::lround(height() * r))};
}

geo::IntPoint CChartView::ToDevice(QPoint p) const
{
    const double r = PixelRatio();
    return {static_cast<int>(std::lround(p.x() * r)), static_cast<int>(std::lround(p.y() * r))};
}

std::optional<geo::IntPoint> CChartView::CursorPoint() const
{
    const QPoint p = mapFromGlobal(QCursor::pos());
    if (!rect().contains(p))
        return std::nullopt;
    return ToDevice(p);
}

void CChartView::InvalidateChart()
{
    m_chartDirty = true;
    m_overlaysDirty = true;
    update();
}

void CChartView::InvalidateOverlays()
{
    m_overlaysDirty = true;
    update();
}

void CChartView::SelectDisplayPalette()
{
    if (m_buffers && m_module && m_module->Services().palettes)
        m_buffers->SetPalette(&m_doc.GetPaletteColours(m_module->Services().palettes->GetActive()));
    InvalidateChart();
}

void CChartView::DrawChartLayer()
{
    const geo::IntRect client = ClientRect();
    if (!m_buffers) {
        const int active = m_module && m_module->Services().palettes ? m_module->Services().palettes->GetActive() : 0;
        m_buffers = std::make_unique<chart::CScreenBuffer>(&m_doc.GetPaletteColours(active), client.right,
                                                           client.bottom);
    }
    m_buffers->EnsureSize(client.right, client.bottom);
    m_doc.PrepareBuffer(*m_buffers);
    m_doc.DrawChart(m_buffers->Chart());
    if (m_module && m_module->ChartSettings().drawLatLongGrid)
        m_doc.DrawGrid(m_buffers->Chart());
    ++m_chartDraws;
}

void CChartView::paintEvent(QPaintEvent* e)
{
    QPainter painter(this);
    const geo::IntRect client = ClientRect();
    // A paint that cannot draw still leaves the window valid: no repaint loop.
    if (m_inPaint || !m_doc.IsChartLoaded() || client.right <= 0 || client.bottom <= 0) {
        painter.fillRect(e->rect(), palette().window());
        return;
    }
    m_inPaint = true;
    try {
        if (m_chartDirty || !m_buffers) {
            DrawChartLayer();
            m_chartDirty = false;
            m_overlaysDirty = true;
        }
        if (m_overlaysDirty) {
            m_buffers->CopyChartToStatic();
            m_overlaysDirty = false;
        }
        m_buffers->CopyStaticToDynamic();
        const chart::CPixelView memory = m_buffers->Dynamic().Memory();
        const QImage image(reinterpret_cast<const uchar*>(memory.bits), memory.width, memory.height,
                           static_cast<qsizetype>(memory.stride * 4), QImage::Format_RGB32);
        const double r = PixelRatio();
        const QRectF exposed = QRectF(e->rect());
        const QRectF source(exposed.x() * r, exposed.y() * r, exposed.width() * r, exposed.height() * r);
        painter.drawImage(exposed, image, source);
    } catch (...) {
        painter.fillRect(e->rect(), palette().window());
    }
    m_inPaint = false;
}

void CChartView::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    const geo::IntRect client = ClientRect();
    m_doc.OnViewSize(client.right, client.bottom);
    InvalidateChart();
    emit resized();
}

void CChartView::mouseMoveEvent(QMouseEvent* e)
{
    QWidget::mouseMoveEvent(e);
    emit cursorMoved();
}

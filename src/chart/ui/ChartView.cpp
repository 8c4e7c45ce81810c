#include "chart/ui/ChartView.h"

#include <QCursor>
#include <QImage>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "app/CommandIds.h"
#include "app/DisplayPalettes.h"
#include "app/ui/PostedMessagePump.h"
#include "chart/ChartDoc.h"
#include "chart/ChartingModule.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "chart/overlays/OwnVesselLayer.h"

namespace chart {

namespace cmd = app::cmd;

CChartView::CChartView(chart::CChartDoc& doc, chart::CChartingModule* module, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_module(module), m_pipeline(doc, module)
{
    setObjectName("ChartView");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    setMinimumSize(16, 16);
    m_pump = std::make_unique<app::CPostedMessagePump>(
        m_messages,
        [this](const app::CPostedMessage& message) {
            if (message.id == kMsgZoomToDragRect)
                ZoomToDragRect();
        },
        this);
    // The own vessel on every chart, where the navigator has it at each paint.
    m_ownVessel = std::make_unique<chart::COwnVesselLayer>(
        [this](chart::COwnVesselValues& v) {
            return m_module && m_module->Services().ownVessel && m_module->Services().ownVessel(v);
        },
        [this]() -> const chart::COwnVesselStyle* {
            return m_module && m_module->Services().ownVesselStyle
                       ? m_module->Services().ownVesselStyle()
                       : nullptr;
        });
    m_pipeline.SetSource(chart::DynamicLayer::OwnVessel, m_ownVessel.get());
    Views().push_back(this);
    for (CChartViewExtension* e : Extensions())
        e->ViewCreated(*this);
}

CChartView::~CChartView()
{
    m_messages.Close();
    m_pump.reset();
    for (CChartViewExtension* e : Extensions())
        e->ViewDestroyed(*this);
    std::erase(Views(), this);
}

std::vector<CChartView*>& CChartView::Views()
{
    static std::vector<CChartView*> views;
    return views;
}

std::vector<CChartViewExtension*>& CChartView::Extensions()
{
    static std::vector<CChartViewExtension*> extensions;
    return extensions;
}

void CChartView::AddExtension(CChartViewExtension* extension)
{
    if (!extension ||
        std::find(Extensions().begin(), Extensions().end(), extension) != Extensions().end())
        return;
    Extensions().push_back(extension);
    for (CChartView* view : Views())
        extension->ViewCreated(*view);
}

void CChartView::RemoveExtension(CChartViewExtension* extension)
{
    if (std::find(Extensions().begin(), Extensions().end(), extension) == Extensions().end())
        return;
    for (CChartView* view : Views()) {
        if (view->m_pressTaker == extension)
            view->m_pressTaker = nullptr;
        extension->ViewDestroyed(*view);
    }
    std::erase(Extensions(), extension);
}

double CChartView::PixelRatio() const
{
    return devicePixelRatioF();
}

geo::IntRect CChartView::ClientRect() const
{
    const double r = PixelRatio();
    return {0, 0, static_cast<int>(std::lround(width() * r)),
            static_cast<int>(std::lround(height() * r))};
}

geo::IntPoint CChartView::ToDevice(QPointF p) const
{
    const double r = PixelRatio();
    return {static_cast<int>(std::lround(p.x() * r)), static_cast<int>(std::lround(p.y() * r))};
}

std::optional<geo::IntPoint> CChartView::CursorPoint() const
{
    if (m_keyboardPoint)
        return m_keyboardPoint;
    const QPoint p = mapFromGlobal(QCursor::pos());
    if (!rect().contains(p))
        return std::nullopt;
    return ToDevice(p);
}

int CChartView::ActivePalette() const
{
    return m_module && m_module->Services().palettes ? m_module->Services().palettes->GetActive()
                                                     : 0;
}

void CChartView::InvalidateChart()
{
    m_pipeline.InvalidateChart();
    update();
    emit chartInvalidated();
}

void CChartView::InvalidateOverlays()
{
    m_pipeline.InvalidateOverlays();
    update();
}

void CChartView::SelectDisplayPalette()
{
    if (m_buffers)
        m_buffers->SetPalette(&m_doc.GetPaletteColours(ActivePalette()));
    InvalidateChart();
}

void CChartView::ClearRangeBearing()
{
    const bool shown = !m_pipeline.Measurements().empty() || m_pipeline.InProgress();
    m_pipeline.ClearRangeBearing();
    if (shown)
        InvalidateOverlays();
}

bool CChartView::RenderBuffers()
{
    const geo::IntRect client = ClientRect();
    if (client.right <= 0 || client.bottom <= 0)
        return false;
    if (!m_buffers)
        m_buffers = std::make_unique<chart::CScreenBuffer>(
            &m_doc.GetPaletteColours(ActivePalette()), client.right, client.bottom);
    if (m_buffers->Width() < client.right || m_buffers->Height() < client.bottom) {
        m_buffers->EnsureSize(client.right, client.bottom);
        m_pipeline.InvalidateChart();
    }
    const int chartDraws = m_pipeline.ChartDraws();
    const bool drawn = m_pipeline.Render(*m_buffers);
    // Scripted checks count the chart draws from the log.
    static const bool report = std::getenv("BRINE_REPORT_CHARTS") != nullptr;
    if (report && m_pipeline.ChartDraws() != chartDraws)
        qInfo("Brinevane: chart drawn: %s %dx%d", m_doc.GetTitle().c_str(), client.right,
              client.bottom);
    return drawn;
}

void CChartView::paintEvent(QPaintEvent* e)
{
    ++m_paints;
    QPainter painter(this);
    // A paint that cannot draw shows what it has and still leaves the window
    // valid; the flags stay for the next request, so nothing loops.
    const bool drawn = RenderBuffers();
    if (!m_buffers || (!drawn && m_pipeline.IsChartDirty() && !m_doc.IsChartLoaded())) {
        painter.fillRect(e->rect(), palette().window());
        return;
    }
    if (!m_pipeline.InProgressLabel().empty() && m_pipeline.InProgress())
        ShowLabel(m_pipeline.InProgressLabel());
    const double r = PixelRatio();
    const QRectF exposed = QRectF(e->rect());
    if (r != 1.0) {
        // Scaled: one picture, so no band edge falls between device pixels.
        m_buffers->CompleteDynamic();
        const QRectF source(exposed.x() * r, exposed.y() * r, exposed.width() * r,
                            exposed.height() * r);
        painter.drawImage(exposed, ImageOf(m_buffers->Dynamic()), source);
        return;
    }
    // Each band from the buffer that holds the picture there.
    const QRect area = e->rect();
    for (const chart::CScreenBuffer::Run& run :
         m_buffers->ShownRuns(area.top(), area.bottom() + 1)) {
        const QRect part(area.left(), run.top, area.width(), run.bottom - run.top);
        painter.drawImage(part, ImageOf(*run.buffer), part);
    }
}

QImage CChartView::ImageOf(const chart::CBufferDC& buffer)
{
    // The backend's memory, not the context's: reading that would fill the
    // buffer's every row.
    const chart::CPixelView memory = buffer.Backend()->Memory();
    return QImage(reinterpret_cast<const uchar*>(memory.bits), memory.width, memory.height,
                  static_cast<qsizetype>(memory.stride * 4), QImage::Format_RGB32);
}

void CChartView::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    const geo::IntRect client = ClientRect();
    // A layout pass that leaves the size as it was changes nothing drawn.
    if (client.right > 0 && client.bottom > 0 && client != m_viewSize) {
        m_viewSize = client;
        m_doc.OnViewSize(client.right, client.bottom);
        if (m_doc.IsChartLoaded())
            InvalidateChart();
    }
    emit resized();
}

// ---- Mouse ----------------------------------------------------------------------------

void CChartView::TakeCursorPosition(geo::IntPoint p)
{
    geo::IntPoint chartPoint;
    m_doc.ClientToChartPoint(p, chartPoint);
    if (!m_doc.IsClientPointOnChart(p) || !m_doc.PointToPosition(chartPoint, m_cursorPosition))
        m_cursorPosition.Invalidate();
}

void CChartView::ButtonDown(geo::IntPoint p, bool shift)
{
    if (!m_doc.IsChartLoaded())
        return;
    m_lastPoint = p;
    TakeCursorPosition(p);
    if (!m_doc.IsClientPointOnChart(p))
        return;
    if (RangeBearingMode()) {
        if (!m_pipeline.InProgress()) {
            // Earlier measurements stay: only a zoom, Full, a zoom rectangle
            // or closing the chart clears them.
            m_pipeline.InProgress() = std::make_unique<chart::CRangeBearingOverlay>();
            m_pipeline.InProgress()->Start(m_doc, p);
            update();
        }
        return;
    }
    if (!m_pipeline.IsDragging()) {
        m_pipeline.SetDragging(true);
        m_doc.BeginDrag(p, shift);
    }
}

bool CChartView::IsInActiveFrame() const
{
    // The frame in front of the chart windows; a view outside any (a test's
    // bare view) counts as in front.
    for (const QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (const auto* frame = qobject_cast<const QMdiSubWindow*>(w))
            return !frame->mdiArea() || frame->mdiArea()->currentSubWindow() == frame;
    return true;
}

void CChartView::Move(geo::IntPoint p)
{
    // Only the chart window in front follows the pointer.
    if (!IsInActiveFrame())
        return;
    m_lastPoint = p;
    m_doc.OnMouseMove(p);
    if (m_pipeline.IsDragging()) {
        m_doc.DragTo(p);
        update();
        return;
    }
    auto& measuring = m_pipeline.InProgress();
    if (RangeBearingMode() && measuring &&
        measuring->GetState() == chart::CRangeBearingOverlay::kStarted) {
        if (measuring->CanExtendTo(p)) {
            measuring->SetEnd(p);
            update();
        } else {
            ButtonUp(measuring->EndPoint());   // finished where it last was on the chart
        }
    }
}

void CChartView::ButtonUp(geo::IntPoint p)
{
    if (!m_doc.IsChartLoaded())
        return;
    auto& measuring = m_pipeline.InProgress();
    if (measuring) {
        const geo::IntPoint end = measuring->CanExtendTo(p) ? p : measuring->EndPoint();
        measuring->SetEnd(end);
        measuring->Finish(end);
        ShowLabel(measuring->Label());
        // Scripted checks read where a measurement ended and what it read.
        static const bool report = std::getenv("BRINE_REPORT_CHARTS") != nullptr;
        if (report)
            qInfo("Brinevane: range and bearing: from %d,%d to %d,%d: %s",
                  measuring->StartPoint().x, measuring->StartPoint().y, end.x, end.y,
                  measuring->Label().c_str());
        m_pipeline.Measurements().push_back(std::move(measuring));
        InvalidateOverlays();
        return;
    }
    if (m_pipeline.IsDragging()) {
        m_pipeline.SetDragging(false);
        m_doc.EndDrag(p);
        m_zoomPending = true;
        m_messages.Post(kMsgZoomToDragRect);
        update();
    }
}

void CChartView::ZoomToDragRect()
{
    if (m_zoomPending) {
        ClearRangeBearing();
        const geo::IntRect& r = m_doc.DragRect();
        m_doc.ZoomToRect(r.left, r.top, r.right, r.bottom);
        update();
    }
    m_zoomPending = false;
}

void CChartView::mousePressEvent(QMouseEvent* e)
{
    m_keyboardPoint.reset();
    const geo::IntPoint p = ToDevice(e->position());
    if (e->button() == Qt::LeftButton) {
        if (m_doc.IsChartLoaded()) {
            m_lastPoint = p;   // also when a mark takes the press
            TakeCursorPosition(p);
        }
        if (m_doc.IsChartLoaded() && !RangeBearingMode()) {
            for (CChartViewExtension* ext : Extensions())
                if (ext->Press(*this, p)) {
                    m_pressTaker = ext;
                    return;
                }
        }
        ButtonDown(p, e->modifiers() & Qt::ShiftModifier);
    } else if (e->button() == Qt::RightButton && m_doc.IsChartLoaded()) {
        m_lastPoint = p;
        if (m_pipeline.IsDragging() || RangeBearingMode())
            return;
        QMenu menu(this);
        BuildContextMenu(menu, p);
        menu.exec(e->globalPosition().toPoint());
    }
}

void CChartView::BuildContextMenu(QMenu& menu, geo::IntPoint p)
{
    const bool onChart = m_doc.IsClientPointOnChart(p);
    auto section = [this, &menu, p, onChart](MenuSection part) {
        for (CChartViewExtension* ext : Extensions())
            ext->AddContextMenu(*this, menu, p, part, onChart);
    };
    const QWidget* panel = m_services.activeSidePanel ? m_services.activeSidePanel() : nullptr;
    if (panel)
        for (CChartViewExtension* ext : Extensions())
            if (ext->SidePanel() == panel)
                ext->AddContextMenu(*this, menu, p, MenuSection::SidePanel, onChart);
    section(MenuSection::Information);
    // Information only: no command behind it.
    menu.addAction(QStringLiteral("Variation ") + QString::fromStdString(VariationText(p)))
        ->setEnabled(false);
    section(MenuSection::TidalStream);
    // One separator between parts, however many parts were empty.
    auto separate = [&menu] {
        if (!menu.actions().isEmpty() && !menu.actions().back()->isSeparator())
            menu.addSeparator();
    };
    separate();
    section(MenuSection::ChartsAtPosition);
    separate();
    QAction* properties = menu.addAction(QStringLiteral("&Properties"));
    properties->setObjectName(QStringLiteral("chartViewProperties"));
    connect(properties, &QAction::triggered, this, [this, p] { ShowProperties(p); });
}

std::string CChartView::VariationText(geo::IntPoint p)
{
    geo::IntPoint chartPoint;
    m_doc.ClientToChartPoint(p, chartPoint);
    geo::CPosition position;
    std::string text;
    if (m_services.variationAt && m_doc.IsChartPointOnChart(chartPoint) &&
        m_doc.PointToPosition(chartPoint, position) && position.IsValid())
        text = m_services.variationAt(position);
    return text.empty() ? std::string("Not Available") : text;
}

void CChartView::ShowProperties(geo::IntPoint p)
{
    // Extensions in their Properties order; among equals, the order they joined.
    std::vector<CChartViewExtension*> ranked = Extensions();
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto* a, const auto* b) {
        return a->PropertiesRank() < b->PropertiesRank();
    });
    for (CChartViewExtension* ext : ranked)
        if (CChartViewExtension::PropertiesCall open = ext->PropertiesAt(*this, p)) {
            open();
            return;
        }
    if (m_services.showChartProperties)
        m_services.showChartProperties();
}

void CChartView::mouseMoveEvent(QMouseEvent* e)
{
    m_keyboardPoint.reset();
    if (m_pressTaker) {
        m_pressTaker->DragTo(*this, ToDevice(e->position()));
        emit cursorMoved();
        return;
    }
    Move(ToDevice(e->position()));
    emit cursorMoved();
}

void CChartView::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && m_pressTaker) {
        CChartViewExtension* taker = std::exchange(m_pressTaker, nullptr);
        taker->Release(*this, ToDevice(e->position()));
        return;
    }
    if (e->button() == Qt::LeftButton)
        ButtonUp(ToDevice(e->position()));
}

void CChartView::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        DoubleClick(ToDevice(e->position()));
        return;
    }
    QWidget::mouseDoubleClickEvent(e);
}

void CChartView::DoubleClick(geo::IntPoint p)
{
    // A double click is no zoom rectangle.
    m_zoomPending = false;
    if (!m_doc.IsChartLoaded())
        return;
    if (!RangeBearingMode())
        for (CChartViewExtension* ext : Extensions())
            if (ext->DoubleClick(*this, p))
                return;
    // Anywhere else: the chart that best shows the place, in this window.
    if (m_cursorPosition.IsValid()) {
        const geo::CPosition at = m_cursorPosition;
        m_doc.OpenBestChartAt(at);   // may replace this view's document and the view with it
    }
}

void CChartView::wheelEvent(QWheelEvent* e)
{
    // One zoom step for every notch (120 units), whichever way it turned.
    m_wheel += e->angleDelta().y();
    while (m_wheel >= 120) {
        m_wheel -= 120;
        Post(cmd::kChartZoomIn);
    }
    while (m_wheel <= -120) {
        m_wheel += 120;
        Post(cmd::kChartZoomOut);
    }
    e->accept();
}

// ---- Keys -----------------------------------------------------------------------------

void CChartView::Post(unsigned command)
{
    if (m_services.postCommand)
        m_services.postCommand(command);
}

void CChartView::ShowLabel(const std::string& text)
{
    if (m_services.showRangeBearingLabel)
        m_services.showRangeBearingLabel(text);
}

void CChartView::MovePointer(int dx, int dy)
{
    const geo::IntPoint from = CursorPoint().value_or(geo::IntPoint{width() / 2, height() / 2});
    const double r = PixelRatio();
    QPoint target(static_cast<int>(from.x / r) + dx, static_cast<int>(from.y / r) + dy);
    target.setX(std::clamp(target.x(), 0, width() - 1));
    target.setY(std::clamp(target.y(), 0, height() - 1));
    const QPoint global = mapToGlobal(target);
    QCursor::setPos(global);
    // Where the platform does not let a program move the pointer, the view
    // keeps its own keyboard point.
    if (QCursor::pos() != global)
        m_keyboardPoint = ToDevice(target);
    else
        m_keyboardPoint.reset();
    Move(ToDevice(target));
    emit cursorMoved();
}

void CChartView::keyPressEvent(QKeyEvent* e)
{
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    switch (e->key()) {
    // With Ctrl they are the frame's Larger and Smaller Scale keys.
    case Qt::Key_Plus:
        if (!ctrl)
            Post(cmd::kChartZoomIn);
        return;
    case Qt::Key_Minus:
        if (!ctrl)
            Post(cmd::kChartZoomOut);
        return;
    case Qt::Key_Home: Post(cmd::kChartFull); return;
    case Qt::Key_Delete: {
        // The active side panel's selected object: its waypoint or chartpoint.
        const QWidget* panel = m_services.activeSidePanel ? m_services.activeSidePanel() : nullptr;
        if (panel == nullptr)
            return;
        for (CChartViewExtension* ext : Extensions())
            if (ext->SidePanel() == panel && ext->DeleteSelected(*this))
                return;
        return;
    }
    case Qt::Key_Escape:
        if (m_pipeline.IsDragging()) {
            m_pipeline.SetDragging(false);
            m_doc.EndDrag(m_lastPoint);
            update();
        }
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        // The keyboard's click at the pointer: Enter clicks, Ctrl+Enter
        // presses, the next Enter lets go.
        const geo::IntPoint p = CursorPoint().value_or(m_lastPoint);
        if (m_pressTaker) {
            // The press a Ctrl+Enter gave a chartpoint or waypoint: let go here.
            std::exchange(m_pressTaker, nullptr)->Release(*this, p);
            return;
        }
        if (!m_pipeline.IsDragging() && !m_pipeline.InProgress()) {
            // A chartpoint or waypoint under the pointer is picked, as by the mouse.
            if (m_doc.IsChartLoaded() && !RangeBearingMode()) {
                TakeCursorPosition(p);
                m_lastPoint = p;
                for (CChartViewExtension* ext : Extensions())
                    if (ext->Press(*this, p)) {
                        if (ctrl)
                            m_pressTaker = ext;
                        else
                            ext->Release(*this, p);
                        return;
                    }
            }
            ButtonDown(p, shift);
            if (ctrl)
                return;
            ButtonUp(p);
            return;
        }
        Move(p);
        const geo::IntRect& d = m_doc.DragRect();
        const bool empty = m_pipeline.IsDragging() && (d.left == d.right || d.top == d.bottom);
        ButtonUp(p);
        if (empty)
            DoubleClick(p);   // a zero-size rectangle is the keyboard's double click
        return;
    }
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int dx = e->key() == Qt::Key_Left ? -1 : e->key() == Qt::Key_Right ? 1 : 0;
        const int dy = e->key() == Qt::Key_Up ? -1 : e->key() == Qt::Key_Down ? 1 : 0;
        if (shift) {
            if (dx < 0)
                ctrl ? m_doc.PanLeftLarge() : m_doc.PanLeft();
            else if (dx > 0)
                ctrl ? m_doc.PanRightLarge() : m_doc.PanRight();
            else if (dy < 0)
                ctrl ? m_doc.PanUpLarge() : m_doc.PanUp();
            else
                ctrl ? m_doc.PanDownLarge() : m_doc.PanDown();
            InvalidateChart();
        } else {
            const int step = ctrl ? 9 : 1;
            MovePointer(dx * step, dy * step);
        }
        return;
    }
    default: QWidget::keyPressEvent(e);
    }
}

bool CChartView::Print(QPrinter& printer)
{
    if (!RenderBuffers() && !m_buffers)
        return false;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const int dpiX = printer.logicalDpiX();
    const int dpiY = printer.logicalDpiY();
    QRect page = painter.viewport();
    page.adjust(dpiX / 2, 0, -dpiX / 2, 0);
    // The header: a bold, underlined sans face about a third of an inch high.
    QFont font = chart::CQtPainterBackend::MapFont(chart::Font{"Arial", 0, 700, false, true, 0});
    font.setPixelSize(std::max(dpiY * 90 / 300, 8));
    painter.setFont(font);
    const QString header = QString::fromStdString(
        m_doc.GetChartNumber() + ": " + m_doc.GetChartTitle() + "\n" + m_doc.GetHorizontalDatum());
    painter.drawText(page, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, header);
    page.adjust(0, dpiY, 0, -dpiY);
    chart::CXDC dc(std::make_unique<chart::CQtPainterBackend>(painter));
    const geo::IntRect client = ClientRect();
    const bool ok =
        m_buffers->PrintTo(dc, {page.left(), page.top(), page.right(), page.bottom()}, client);
    dc.Detach().reset();
    painter.end();
    return ok;
}

}   // namespace chart

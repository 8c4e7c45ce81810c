#include "chart/ui/ChartFrame.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGridLayout>
#include <QIcon>
#include <QMainWindow>
#include <QMdiArea>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>

#include "app/DisplayPalettes.h"
#include "app/PostedMessageQueue.h"
#include "app/ui/MsgBarWnd.h"
#include "chart/ChartingModule.h"
#include "chart/ui/ChartDocument.h"
#include "chart/ui/ChartView.h"

namespace chart {

namespace {

// The scroll bar's answer when the chart has no scroll position.
constexpr int kNoPosition = -1;

}   // namespace

CChartFrame::CChartFrame(int state, CChartDocument& document, const CChartFrameServices& services,
                         QWidget* parent)
    : QMdiSubWindow(parent), m_state(state), m_document(&document), m_services(services)
{
    setObjectName("ChartFrame");
    setAttribute(Qt::WA_DeleteOnClose);
    // The vessel's chart window and a print preview show pictures of their
    // own in the title bar and the window list; an ordinary chart keeps the
    // program's.
    if (state == chart::kFrameAutoscroll)
        setWindowIcon(QIcon(QStringLiteral(":/icons/autoscroll.svg")));
    else if (state == chart::kFramePrintPreview)
        setWindowIcon(QIcon(QStringLiteral(":/icons/document-print.svg")));
    // Only the vessel's chart window keeps a least size of its own; the
    // others may be made as small as their contents let them.
    if (state == chart::kFrameAutoscroll)
        setMinimumSize(100, 100);
    m_msgBar =
        std::make_unique<app::CMsgBar>(*services.clock, *services.sound, services.audioFolder);

    // The message bar docks in a window of its own inside the frame.
    m_inner = new QMainWindow(this);
    m_inner->setWindowFlags(Qt::Widget);
    auto* centre = new QWidget(m_inner);
    auto* grid = new QGridLayout(centre);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    m_view = new CChartView(document.Doc(), services.module, centre);
    m_view->SetServices({services.postCommand, services.rangeBearingMode,
                         services.showRangeBearingLabel, services.showChartProperties,
                         services.variationAt, services.activeSidePanel});
    m_hScroll = new QScrollBar(Qt::Horizontal, centre);
    m_vScroll = new QScrollBar(Qt::Vertical, centre);
    for (QScrollBar* bar : {m_hScroll, m_vScroll}) {
        bar->setRange(0, 100);
        bar->setPageStep(10);
        bar->hide();
    }
    grid->addWidget(m_view, 0, 0);
    grid->addWidget(m_vScroll, 0, 1);
    grid->addWidget(m_hScroll, 1, 0);
    m_inner->setCentralWidget(centre);
    m_msgBarWnd = new app::CMsgBarWnd(*m_msgBar, m_inner);
    setWidget(m_inner);

    connect(m_view, &CChartView::resized, this, &CChartFrame::SyncScrollBars);
    for (QScrollBar* bar : {m_hScroll, m_vScroll}) {
        connect(bar, &QScrollBar::actionTriggered, this,
                [this, bar](int action) { OnScrollAction(bar, action); });
        // A let-go thumb shows where the chart is: a chart that refused the
        // drag (or went only part of the way) takes the thumb back.
        connect(bar, &QScrollBar::sliderReleased, this, &CChartFrame::SyncScrollBars);
    }
    // Whatever moved the chart (keys, a zoom, a pan), the bars follow it.
    connect(m_view, &CChartView::chartInvalidated, this, &CChartFrame::SyncScrollBars);
    connect(&document, &app::CDocument::closing, this, [this] {
        m_documentClosed = true;
        close();
    });
    document.Doc().AttachWindow(this);
}

CChartFrame::~CChartFrame()
{
    // The model goes after its window; the document forgets this window.
    delete m_msgBarWnd;
    m_msgBarWnd = nullptr;
    if (m_document) {
        disconnect(m_document, nullptr, this, nullptr);
        if (m_services.module)
            m_services.module->RemoveChartFrame(this);
        m_document->Doc().AttachWindow(nullptr);
        if (!m_document->IsClosed())
            m_document->OnCloseDocument();
    }
}

QSize CChartFrame::sizeHint() const
{
    const QMdiArea* area = mdiArea();
    if (!area)
        return QMdiSubWindow::sizeHint();
    const QSize space = area->viewport()->size();
    return {std::max(space.width() * 3 / 5, 320), std::max(space.height() * 3 / 5, 240)};
}

CChartDocument& CChartFrame::Document() const
{
    return *m_document;
}

chart::CChartDoc* CChartFrame::GetChartDoc() const
{
    return m_document ? &m_document->Doc() : nullptr;
}

void CChartFrame::SetTitle(const std::string& title)
{
    setWindowTitle(QString::fromStdString(title));
}

geo::IntRect CChartFrame::GetClientRect() const
{
    return m_view->ClientRect();
}

void CChartFrame::InvalidateChart()
{
    m_view->InvalidateChart();   // the scroll bars follow through the view's signal
}

void CChartFrame::InvalidateOverlays()
{
    m_view->InvalidateOverlays();
}

void CChartFrame::InvalidateView()
{
    m_view->update();
}

void CChartFrame::UpdateView()
{
    m_view->repaint();
}

void CChartFrame::SelectDisplayPalette()
{
    m_view->SelectDisplayPalette();
    const app::CDisplayPalettes* palettes =
        m_services.module ? m_services.module->Services().palettes : nullptr;
    const int active = palettes ? palettes->GetActive() : app::CDisplayPalettes::kDay;
    m_msgBarWnd->UpdateColours(active == app::CDisplayPalettes::kNight  ? 0.5
                               : active == app::CDisplayPalettes::kDusk ? 0.75
                                                                        : 1.0);
}

void CChartFrame::ClearViewOverlays()
{
    m_view->ClearRangeBearing();
}

void CChartFrame::SyncScrollBars()
{
    chart::CChartDoc* doc = GetChartDoc();
    const bool uses = doc && doc->UsesScrollBars();
    // Each bar asks the chart where it is: an answer of -1 (no scroll
    // position on that axis) hides that bar alone. A thumb held under the
    // pointer stays there until it is let go.
    for (QScrollBar* bar : {m_hScroll, m_vScroll}) {
        const int at = !uses              ? kNoPosition
                       : bar == m_hScroll ? doc->OnHScroll(kNoPosition)
                                          : doc->OnVScroll(kNoPosition);
        if (at == kNoPosition) {
            bar->hide();
            continue;
        }
        // Setting the value emits no action: only the user's actions move the chart.
        if (!bar->isSliderDown())
            bar->setValue(std::clamp(at, bar->minimum(), bar->maximum()));
        bar->show();
    }
}

void CChartFrame::OnScrollAction(QScrollBar* bar, int action)
{
    chart::CChartDoc* doc = GetChartDoc();
    if (!doc)
        return;
    const bool across = bar == m_hScroll;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: across ? doc->PanRight() : doc->PanDown(); break;
    case QAbstractSlider::SliderSingleStepSub: across ? doc->PanLeft() : doc->PanUp(); break;
    case QAbstractSlider::SliderPageStepAdd:
        across ? doc->PanRightLarge() : doc->PanDownLarge();
        break;
    case QAbstractSlider::SliderPageStepSub:
        across ? doc->PanLeftLarge() : doc->PanUpLarge();
        break;
    case QAbstractSlider::SliderToMinimum:
    case QAbstractSlider::SliderToMaximum:
    case QAbstractSlider::SliderMove:
        // The documents take and give positions as the bar shows them:
        // 0 the west or north edge of the chart, 100 the east or south one.
        across ? doc->OnHScroll(bar->sliderPosition()) : doc->OnVScroll(bar->sliderPosition());
        break;
    default: return;
    }
    m_view->InvalidateChart();
    // The bar shows where the chart went; a drag keeps the thumb under the pointer.
    if (action != QAbstractSlider::SliderMove) {
        const int at = across ? doc->OnHScroll(kNoPosition) : doc->OnVScroll(kNoPosition);
        bar->setSliderPosition(std::max(at, 0));
    }
}

chart::CWindowPlacement CChartFrame::GetPlacement() const
{
    chart::CWindowPlacement wp;
    // While another window of the area is maximised (a report preview, say)
    // the area shows every window it activates maximised, and this one, put
    // back behind it, comes forward maximised again: its state is maximised.
    bool areaMaximised = false;
    if (const QMdiArea* area = mdiArea())
        for (const QMdiSubWindow* other : area->subWindowList())
            areaMaximised = areaMaximised || (other->isMaximized() && other->isVisible());
    const bool maximised = isMaximized() || (areaMaximised && !isMinimized());
    wp.showCmd = maximised ? 3 : isMinimized() ? 2 : 1;
    const QRect r = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    const QRect normal = r.isValid() ? r : geometry();
    wp.normal = {normal.left(), normal.top(), normal.left() + normal.width(),
                 normal.top() + normal.height()};
    return wp;
}

void CChartFrame::SetPlacement(const chart::CWindowPlacement& wp)
{
    QRect r(wp.normal.left, wp.normal.top, wp.normal.right - wp.normal.left,
            wp.normal.bottom - wp.normal.top);
    if (r.width() < minimumWidth() || r.height() < minimumHeight())
        r.setSize(r.size().expandedTo(minimumSize()));
    // A place reaching outside the MDI area comes back inside it, its title
    // bar first; its size is the chart's view and stays as saved.
    if (QMdiArea* area = mdiArea(); area && area->isVisible()) {
        const QRect view = area->viewport()->rect();
        r.moveTo(
            std::clamp(r.left(), view.left(), std::max(view.left(), view.right() + 1 - r.width())),
            std::clamp(r.top(), view.top(), std::max(view.top(), view.bottom() + 1 - r.height())));
    }
    if (wp.showCmd == 3) {
        // A window the area already maximised (shown while another was
        // maximised) is restored first: a place set on it while maximised
        // would leave it marked maximised at the size of its normal place.
        if (isMaximized())
            showNormal();
        setGeometry(r);
        showMaximized();
    } else if (wp.showCmd == 2) {
        setGeometry(r);
        showMinimized();
    } else {
        showNormal();
        setGeometry(r);
    }
}

void CChartFrame::ActivateFrame()
{
    if (QMdiArea* area = mdiArea())
        area->setActiveSubWindow(this);
}

std::optional<geo::IntPoint> CChartFrame::GetCursorClientPoint() const
{
    return m_view->CursorPoint();
}

void CChartFrame::changeEvent(QEvent* e)
{
    QMdiSubWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && isMinimized()) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(e);
        m_maximisedBeforeMinimised = (change->oldState() & Qt::WindowMaximized) != 0;
        RestoreIfMinimised();
    }
}

void CChartFrame::resizeEvent(QResizeEvent* e)
{
    QMdiSubWindow::resizeEvent(e);
    RestoreIfMinimised();
}

void CChartFrame::RestoreIfMinimised()
{
    if (m_state != chart::kFrameAutoscroll || !isMinimized() || m_restorePending)
        return;
    m_restorePending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_restorePending = false;
            if (!isMinimized())
                return;
            if (m_maximisedBeforeMinimised)
                showMaximized();
            else
                showNormal();
        },
        Qt::QueuedConnection);
}

void CChartFrame::closeEvent(QCloseEvent* e)
{
    if (m_documentClosed || !m_document || !m_services.frameMessages) {
        QMdiSubWindow::closeEvent(e);
        return;
    }
    // The main frame closes the document; this window goes with it.
    m_services.frameMessages->Post(app::kMsgChartWindowClosed, m_document->DocumentId());
    e->ignore();
}

}   // namespace chart

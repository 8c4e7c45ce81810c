#include "nmea/ui/NmeaDumpView.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace nmea {

CNmeaDumpView::CNmeaDumpView(nmea::CPort& port, nmea::PortChannel channel, QWidget* parent)
    : QAbstractScrollArea(parent), m_port(port), m_channel(channel)
{
    setWindowTitle(Title(port, channel));
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    // The listener runs on the port's thread: it only posts, and only when
    // no post is waiting, so a burst of sentences costs one repaint.
    m_port.SetHistoryListener(m_channel, [this, pending = m_pending] {
        if (!pending->exchange(true))
            QMetaObject::invokeMethod(this, &CNmeaDumpView::OnHistoryChanged, Qt::QueuedConnection);
    });
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &CNmeaDumpView::Refresh);
    UpdateScrollRange();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

CNmeaDumpView::~CNmeaDumpView()
{
    // Returns only when no listener call is running, so none can post to a
    // view that is gone; a post already queued is dropped with the view.
    m_port.SetHistoryListener(m_channel, {});
}

QString CNmeaDumpView::Title(const nmea::CPort& port, nmea::PortChannel channel)
{
    const QString name = QString::fromStdString(port.GetName());
    return channel == nmea::PortChannel::Receive
               ? tr("Receiving NMEA Sentences via %1").arg(name)
               : tr("Transmitting NMEA Sentences via %1").arg(name);
}

int CNmeaDumpView::LineHeight() const
{
    return std::max(1, fontMetrics().height());
}

void CNmeaDumpView::OnHistoryChanged()
{
    // At most one refresh per interval: the reader's posts stay suppressed
    // until it runs, so a fast port never keeps the window thread busy.
    if (!m_refresh.isActive())
        m_refresh.start();
}

void CNmeaDumpView::Refresh()
{
    m_pending->store(false);
    ++m_changesSeen;
    QScrollBar* bar = verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();
    UpdateScrollRange();
    if (atBottom)
        bar->setValue(bar->maximum());
    viewport()->update();
}

void CNmeaDumpView::UpdateScrollRange()
{
    std::vector<std::string> none;
    m_lineCount = m_port.CopyHistory(m_channel, 0, 0, none) + 1;
    const int lines = static_cast<int>(std::min<std::size_t>(m_lineCount, 1u << 24));
    // Scrolled to the end, the bottom whole row is the empty line after the
    // newest; a page is the rows shown less one, so a line of context stays.
    const int rows = viewport()->height() / LineHeight();
    const int page = std::max(1, rows - 1);
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(0, lines - rows));
    v->setPageStep(page);
    v->setSingleStep(1);
    const int width = 255 * fontMetrics().averageCharWidth();
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, std::max(0, width - viewport()->width()));
    h->setPageStep(width / 5);
    h->setSingleStep(std::max(1, width / 20));
}

void CNmeaDumpView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const int lineHeight = LineHeight();
    const QRect area = event->rect();
    const int top = verticalScrollBar()->value();
    const std::size_t first = static_cast<std::size_t>(top + area.top() / lineHeight);
    const std::size_t count = static_cast<std::size_t>(area.height() / lineHeight + 2);
    std::vector<std::string> lines;
    // Only the lines being painted are copied, under the lock; drawing waits until it is released.
    m_lineCount = m_port.CopyHistory(m_channel, first, count, lines) + 1;
    m_lastCopied = lines.size();

    const QColor back = palette().color(QPalette::Base);
    painter.fillRect(area, back);
    painter.setPen(palette().color(QPalette::Text));
    const int left = -horizontalScrollBar()->value() + 2;
    const int ascent = fontMetrics().ascent();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int y = static_cast<int>(first - static_cast<std::size_t>(top) + i) * lineHeight;
        painter.drawText(left, y + ascent,
                         QString::fromLatin1(lines[i].data(), static_cast<int>(lines[i].size())));
    }
}

void CNmeaDumpView::resizeEvent(QResizeEvent* event)
{
    // A view following the newest line keeps following it when it shrinks
    // (a message bar appearing below it): a fixed value would leave it behind.
    QScrollBar* bar = verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
    if (atBottom)
        bar->setValue(bar->maximum());
}

void CNmeaDumpView::keyPressEvent(QKeyEvent* event)
{
    QScrollBar* v = verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_Home: v->setValue(0); break;
    case Qt::Key_End: v->setValue(v->maximum()); break;
    case Qt::Key_Left:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Right:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
}

void CNmeaDumpView::Print(QPainter& painter, const QRect& page) const
{
    const std::vector<std::string> lines = m_port.GetHistory(m_channel);
    const QFontMetrics metrics(painter.font());
    int y = page.top() + metrics.ascent();
    for (const std::string& line : lines) {
        if (y > page.bottom())
            break;
        painter.drawText(page.left(), y, QString::fromStdString(line));
        y += metrics.height();
    }
}

}   // namespace nmea

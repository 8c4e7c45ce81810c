#include "app/ui/MsgBarWnd.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStyle>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace app {

namespace {
// Every message bar there is (the main frame's and each chart window's).
std::vector<CMsgBarWnd*>& AllBars()
{
    static std::vector<CMsgBarWnd*> bars;
    return bars;
}
}   // namespace

void CMsgBarWnd::TickAll()
{
    // A bar's model may open a window or play a sound: tick a copy of the list.
    const std::vector<CMsgBarWnd*> bars = AllBars();
    for (CMsgBarWnd* bar : bars)
        if (std::find(AllBars().begin(), AllBars().end(), bar) != AllBars().end())
            bar->m_model.OnTimer();
}

CMsgBarWnd::CMsgBarWnd(app::CMsgBar& model, QMainWindow* frame)
    : QDockWidget(frame), m_model(model), m_frame(frame), m_label(new QLabel(this))
{
    setObjectName("MessageBar");
    setWindowTitle("Message Bar");
    setFeatures(QDockWidget::NoDockWidgetFeatures);
    setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
    setTitleBarWidget(new QWidget(this));   // a bar, not a captioned panel
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label->setAutoFillBackground(true);
    m_label->setContentsMargins(4, 1, 4, 1);
    QFont f = m_label->font();
    f.setPixelSize(12);
    f.setWeight(QFont::Normal);
    m_label->setFont(f);
    setWidget(m_label);
    UpdateColours();
    frame->addDockWidget(Qt::BottomDockWidgetArea, this);
    hide();
    m_model.AttachView(this);
    AllBars().push_back(this);
}

CMsgBarWnd::~CMsgBarWnd()
{
    std::erase(AllBars(), this);
    m_model.AttachView(nullptr);
}

void CMsgBarWnd::UpdateColours(double dim)
{
    QPalette p = m_label->palette();
    p.setColor(QPalette::WindowText, QColor(int(255 * dim), int(255 * dim), 0));
    p.setColor(QPalette::Window, QColor(0, 0, int(127 * dim)));
    m_label->setPalette(p);
}

QString CMsgBarWnd::DisplayedText() const
{
    return m_label->text();
}

bool CMsgBarWnd::IsBarVisible() const
{
    return !isHidden();
}

void CMsgBarWnd::ShowBar()
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    show();
}

void CMsgBarWnd::HideBar()
{
    hide();
    ReportShown({});
}

void CMsgBarWnd::RequestLayout()
{
    // Queued like a posted message, so a burst of switches lays out once.
    if (m_layoutQueued)
        return;
    m_layoutQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_layoutQueued = false;
            m_model.OnUpdateLayout(*this);
        },
        Qt::QueuedConnection);
}

void CMsgBarWnd::ApplyLayout(const std::string& displayText, int textHeight)
{
    QString text = QString::fromStdString(displayText);
    if (text.endsWith('\n'))
        text.chop(1);
    m_label->setUpdatesEnabled(false);
    m_label->setText(text);
    m_label->setUpdatesEnabled(true);
    const QMargins m = m_label->contentsMargins();
    m_label->setFixedHeight(textHeight + m.top() + m.bottom() + 2 * EdgeWidth());
    update();
    ReportShown(text);
}

// Window checks read what the bar shows: a line per change, messages joined
// by " | ", "-" for none (also when the bar is hidden).
void CMsgBarWnd::ReportShown(const QString& text)
{
    if (const char* path = std::getenv("BRINE_MSGBAR_STATE_FILE"); path && *path)
        std::ofstream(path, std::ios::app)
            << (text.isEmpty() ? QStringLiteral("-") : QString(text).replace('\n', " | "))
                   .toStdString()
            << '\n';
}

int CMsgBarWnd::TextWidth(std::string_view text) const
{
    return QFontMetrics(m_label->font())
        .horizontalAdvance(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

int CMsgBarWnd::LineHeight() const
{
    return QFontMetrics(m_label->font()).lineSpacing();
}

int CMsgBarWnd::EdgeWidth() const
{
    return 2;
}

void CMsgBarWnd::resizeEvent(QResizeEvent* e)
{
    QDockWidget::resizeEvent(e);
    if (width() > 0 && height() > 0) {
        const QMargins m = m_label->contentsMargins();
        m_model.SetClientWidth(width() - m.left() - m.right(), EdgeWidth());
        RequestLayout();
    }
}

void CMsgBarWnd::mouseDoubleClickEvent(QMouseEvent*)
{
    m_model.ToggleSwitchedOff();
}

void CMsgBarWnd::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu menu(this);
    menu.addAction("&Hide/Show", this, [this] { m_model.ToggleSwitchedOff(); });
    app::MsgHandle hit = nullptr;
    if (!m_model.IsSwitchedOff()) {
        const QPoint at = m_label->mapFrom(this, e->pos());
        const int row = (at.y() - m_label->contentsMargins().top()) / std::max(1, LineHeight()) + 1;
        hit = m_model.ClearableMessageAtRow(row);
    }
    if (hit)
        menu.addAction("&Clear Message", this, [this, hit] { m_model.ClearMessage(hit); });
    menu.exec(e->globalPos());
}

}   // namespace app

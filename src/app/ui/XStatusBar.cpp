#include "app/ui/XStatusBar.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>

#include <algorithm>

namespace app {

namespace {

const char* const kSizingText[4] = {"", "00 00'00.0000N   000 00'00.0000W ", "TARGET TRACKING",
                                    " 00-00-0000 00:00:00 "};
}   // namespace

CXStatusBar::CXStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setObjectName("StatusBar");
    setSizeGripEnabled(true);
    for (int i = 0; i < 4; ++i) {
        m_panes[i] = new QLabel(this);
        m_panes[i]->setObjectName(QString("StatusPane%1").arg(i));
        if (i == MessagePane) {
            // The message takes the room the other panes leave and is cut at
            // its edge: a long one must not make the frame wider than the
            // screen.
            m_panes[i]->setMinimumWidth(1);
            m_panes[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            addWidget(m_panes[i], 1);
            continue;
        }
        m_panes[i]->setFrameShape(QFrame::Panel);
        m_panes[i]->setFrameShadow(QFrame::Sunken);
        m_panes[i]->setAlignment(Qt::AlignCenter);
        // A fixed size: a new text then repaints the pane alone instead of
        // laying out the status bar and the main window again (the clock and
        // the position change every second).
        const int w = QFontMetrics(m_panes[i]->font()).horizontalAdvance(kSizingText[i]) + 8;
        m_panes[i]->setFixedSize(w, m_panes[i]->sizeHint().height());
        addPermanentWidget(m_panes[i]);
    }
}

void CXStatusBar::SetPaneText(int pane, const QString& text)
{
    if (pane < 0 || pane >= 4)
        return;
    QLabel* label = m_panes[pane];
    if (pane != MessagePane && text.size() > m_measuredLength[pane]) {
        // A text wider than the sizing sample widens its pane for good. Only
        // a text longer than any measured before is measured: the clock's
        // text keeps its length.
        m_measuredLength[pane] = text.size();
        const int w = QFontMetrics(label->font()).horizontalAdvance(text) + 8;
        if (w > label->maximumWidth())
            label->setFixedWidth(w);
    }
    label->setText(text);
}

QString CXStatusBar::PaneText(int pane) const
{
    return pane >= 0 && pane < 4 ? m_panes[pane]->text() : QString();
}

bool CXStatusBar::ShowProgress(const QString& text, int low, int high)
{
    HideProgress();   // an unpaired call must not leak the earlier control
    // The control fills the space between the text and the position pane,
    // less 10 pixels each side; a long text leaves it no width at all.
    const int textWidth = QFontMetrics(m_panes[MessagePane]->font()).horizontalAdvance(text);
    const int right = m_panes[PositionPane]->geometry().left() - 10;
    const int left = std::min(textWidth + 10, right);
    m_savedText = m_panes[MessagePane]->text();
    m_panes[MessagePane]->setText(text);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName("StatusProgress");
    m_progress->setTextVisible(false);
    m_progress->setRange(low, high);
    m_progress->setValue(low);
    m_progress->setGeometry(left, 2, std::max(0, right - left), height() - 4);
    m_progress->show();
    repaint();
    return true;
}

void CXStatusBar::StepProgress()
{
    if (m_progress)
        m_progress->setValue(std::min(m_progress->maximum(), m_progress->value() + 1));
}

void CXStatusBar::HideProgress()
{
    if (!m_progress)
        return;
    m_panes[MessagePane]->setText(m_savedText);
    delete m_progress;
    m_progress = nullptr;
    repaint();
}

void CXStatusBar::contextMenuEvent(QContextMenuEvent* e)
{
    // The frame's bar menu, on the press where the window system sends the
    // event then (X11), never the toolkit's own.
    e->accept();
    emit contextMenuAt(e->globalPos());
}

namespace {

class CWhyGreyFilter final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* control = qobject_cast<QWidget*>(watched);
        if (control == nullptr)
            return false;
        if (event->type() == QEvent::Enter && !control->isEnabled() &&
            !control->toolTip().isEmpty()) {
            auto* window = qobject_cast<QMainWindow*>(control->window());
            m_bar = window ? window->findChild<CXStatusBar*>() : nullptr;
            if (m_bar) {
                m_before = m_bar->PaneText(CXStatusBar::MessagePane);
                m_shown = control->toolTip();
                m_bar->SetPaneText(CXStatusBar::MessagePane, m_shown);
            }
        } else if (event->type() == QEvent::Leave && m_bar) {
            // Something else may have written the pane meanwhile: that stays.
            if (m_bar->PaneText(CXStatusBar::MessagePane) == m_shown)
                m_bar->SetPaneText(CXStatusBar::MessagePane, m_before);
            m_bar = nullptr;
        }
        return false;
    }

private:
    QPointer<CXStatusBar> m_bar;
    QString m_before, m_shown;
};

}   // namespace

void ShowWhyGreyOnHover(QWidget& control)
{
    control.installEventFilter(new CWhyGreyFilter(&control));
}

void ShowMenuHint(QMainWindow& window, QMenu& menu, const QString& hint)
{
    auto* bar = window.findChild<CXStatusBar*>();
    if (bar == nullptr || hint.isEmpty())
        return;
    const QString before = bar->PaneText(CXStatusBar::MessagePane);
    bar->SetPaneText(CXStatusBar::MessagePane, hint);
    QPointer<CXStatusBar> guarded = bar;
    QObject::connect(&menu, &QMenu::aboutToHide, bar, [guarded, before, hint] {
        // Something else may have written the pane meanwhile: that stays.
        if (guarded && guarded->PaneText(CXStatusBar::MessagePane) == hint)
            guarded->SetPaneText(CXStatusBar::MessagePane, before);
    });
}

}   // namespace app

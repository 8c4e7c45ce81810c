#include "app/ui/SidePanel.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QTextEdit>

namespace app {

CSidePanel::CSidePanel(QWidget* parent) : QDockWidget(parent)
{
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetClosable);
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
}

CSidePanel::~CSidePanel() = default;

bool CSidePanel::Create(unsigned barId, QMainWindow* frame)
{
    if (!frame)
        return false;
    m_frame = frame;
    m_barId = barId;
    setObjectName(QString("SidePanel%1").arg(barId));
    const QString title = GetTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Side Panel") : title);
    frame->addDockWidget(Qt::RightDockWidgetArea, this);
    InitPanel();
    return true;
}

void CSidePanel::InitPanel()
{
    hide();
}

bool CSidePanel::focusNextPrevChild(bool next)
{
    // The window's own focus widget: the control being disabled or hidden,
    // also while another program's window is active. Tab and Backtab from a
    // control that can keep the keyboard move on as usual.
    QWidget* current = window()->focusWidget();
    if (!current || !isAncestorOf(current) || (current->isEnabled() && current->isVisible()))
        return QDockWidget::focusNextPrevChild(next);
    for (QWidget* w = next ? current->nextInFocusChain() : current->previousInFocusChain();
         w && w != current; w = next ? w->nextInFocusChain() : w->previousInFocusChain()) {
        if (isAncestorOf(w) && w->isEnabled() && w->isVisible() &&
            (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    // Nothing in the panel can take it (the panel itself is being hidden, or
    // all its controls are grey): the keyboard goes nowhere. A control being
    // disabled clears it when told so; one being hidden does not.
    if (!current->isVisible()) {
        current->clearFocus();
        return true;
    }
    return false;
}

bool CSidePanel::IsRightAligned() const
{
    if (m_frame && !isFloating()) {
        const Qt::DockWidgetArea area = m_frame->dockWidgetArea(const_cast<CSidePanel*>(this));
        if (area == Qt::LeftDockWidgetArea)
            return false;
        if (area == Qt::RightDockWidgetArea)
            return true;
    }
    return m_right;
}

void CSidePanel::SetAlignment(bool right)
{
    m_right = right;
    const Qt::DockWidgetArea area = right ? Qt::RightDockWidgetArea : Qt::LeftDockWidgetArea;
    if (m_frame && m_frame->dockWidgetArea(this) != area) {
        const bool visible = !isHidden();
        m_frame->addDockWidget(area, this);
        setVisible(visible);
    }
}

QWidget* CSidePanel::FindControl(int controlId) const
{
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->property("controlId").toInt() == controlId && controlId != 0)
            return w;
    }
    return nullptr;
}

bool CSidePanel::IsEditModified(int controlId) const
{
    QWidget* w = FindControl(controlId);
    if (auto* line = qobject_cast<QLineEdit*>(w))
        return line->isModified();
    if (auto* text = qobject_cast<QTextEdit*>(w))
        return text->document()->isModified();
    return false;
}

void CSidePanel::SetEditModified(int controlId, bool modified)
{
    QWidget* w = FindControl(controlId);
    if (auto* line = qobject_cast<QLineEdit*>(w))
        line->setModified(modified);
    else if (auto* text = qobject_cast<QTextEdit*>(w))
        text->document()->setModified(modified);
}

void CSidePanel::contextMenuEvent(QContextMenuEvent* e)
{
    // The frame's bar menu, on the press where the window system sends the
    // event then (X11), never the toolkit's own.
    e->accept();
    emit contextMenuAt(e->globalPos());
}

}   // namespace app

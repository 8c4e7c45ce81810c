#include "app/ui/FullScreenMode.h"

#include <QAction>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "app/MsgBar.h"
#include "app/ui/MsgBarWnd.h"

namespace app {

void CFullScreenMode::Enter()
{
    if (m_active)
        return;
    m_msgBarWasOn = !m_msgBar.IsSwitchedOff();
    m_msgBar.SwitchOff();
    m_hidden.clear();
    for (QToolBar* bar : m_frame.findChildren<QToolBar*>()) {
        if (bar->parentWidget() == &m_frame && !bar->isHidden()) {
            m_hidden.append(bar);
            bar->hide();
        }
    }
    if (QStatusBar* status = m_frame.statusBar(); status && !status->isHidden()) {
        m_hidden.append(status);
        status->hide();
    }
    // The side panels go too; the message bar stays, collapsed.
    for (QDockWidget* dock : m_frame.findChildren<QDockWidget*>()) {
        if (dock->parentWidget() == &m_frame && !dock->isHidden() &&
            !qobject_cast<CMsgBarWnd*>(dock)) {
            m_hidden.append(dock);
            dock->hide();
        }
    }
    m_wasMaximised = m_frame.isMaximized();
    m_frame.showFullScreen();
    m_active = true;
    if (m_command) {
        auto* tool = new QWidget(&m_frame, Qt::Tool);
        tool->setObjectName("fullScreenTools");
        tool->setAttribute(Qt::WA_DeleteOnClose);
        // The keyboard stays with the frame: F11 still leaves full screen.
        tool->setAttribute(Qt::WA_ShowWithoutActivating);
        tool->setWindowTitle(kToolWindowCaption);
        auto* button = new QToolButton(tool);
        button->setDefaultAction(m_command);
        auto* layout = new QHBoxLayout(tool);
        layout->setContentsMargins(2, 2, 2, 2);
        layout->addWidget(button);
        tool->move(m_frame.geometry().topLeft() + QPoint(40, 40));
        tool->show();
        m_toolWindow = tool;
    }
}

void CFullScreenMode::Exit()
{
    if (!m_active)
        return;
    m_active = false;
    if (m_toolWindow) {
        m_toolWindow->hide();
        m_toolWindow->deleteLater();
        m_toolWindow = nullptr;
    }
    if (m_wasMaximised)
        m_frame.showMaximized();
    else
        m_frame.showNormal();
    for (const auto& w : m_hidden) {
        if (w)
            w->show();
    }
    m_hidden.clear();
    if (m_msgBarWasOn)
        m_msgBar.SwitchOn();
}

}   // namespace app

#include "app/ui/FullScreenMode.h"

#include <QMainWindow>
#include <QStatusBar>
#include <QToolBar>

#include "app/MsgBar.h"

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
    m_wasMaximised = m_frame.isMaximized();
    m_frame.showFullScreen();
    m_active = true;
}

void CFullScreenMode::Exit()
{
    if (!m_active)
        return;
    m_active = false;
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

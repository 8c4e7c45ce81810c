#include "app/ui/QtWaitHost.h"

#include <QApplication>
#include <QCursor>

namespace app {

void CQtWaitCursor::SetWaitCursor(bool on)
{
    if (on)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QApplication::restoreOverrideCursor();
}

std::optional<std::string> CQtWaitStatusPane::StatusText() const
{
    if (!m_bar)
        return std::nullopt;
    return m_bar->PaneText(CXStatusBar::MessagePane).toStdString();
}

void CQtWaitStatusPane::SetStatusText(const std::string& text)
{
    if (!m_bar)
        return;
    m_bar->SetPaneText(CXStatusBar::MessagePane, QString::fromStdString(text));
    m_bar->repaint();   // the user-interface thread stays busy: paint now
}

void CQtWaitStatusPane::ShowProgress(const std::string& text, int steps)
{
    if (m_bar)
        m_bar->ShowProgress(QString::fromStdString(text), 0, steps);
}

void CQtWaitStatusPane::StepProgress()
{
    if (!m_bar)
        return;
    m_bar->StepProgress();
    m_bar->repaint();
}

void CQtWaitStatusPane::HideProgress()
{
    if (m_bar)
        m_bar->HideProgress();
}

}   // namespace app

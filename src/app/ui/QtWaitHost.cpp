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
    // Entering the wait the user-interface thread stays busy, so the text is
    // painted now. Leaving it the event loop paints it soon; a forced paint
    // then would also paint every window waiting for one, such as a chart
    // opened during the wait before its window has its final size.
    if (CWaitStatus::Depth() > 0)
        m_bar->repaint();
    else
        m_bar->update();
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

#include "app/WaitStatus.h"

namespace app {

namespace {

// Each thread has its own wait state. The hosts are installed on the
// user-interface thread, so a wait scope opened on a worker finds none and
// changes nothing there: no thread meets another's counter or windows.
struct WaitState {
    int depth = 0;
    CWaitHost* cursorHost = nullptr;
    CWaitHost* statusHost = nullptr;
};

WaitState& ThisThread()
{
    thread_local WaitState state;
    return state;
}

}   // namespace

void CWaitStatus::SetCursorHost(CWaitHost* host)
{
    ThisThread().cursorHost = host;
}
void CWaitStatus::SetStatusHost(CWaitHost* host)
{
    ThisThread().statusHost = host;
}
int CWaitStatus::Depth()
{
    return ThisThread().depth;
}

CWaitStatus::CWaitStatus()
{
    WaitState& s = ThisThread();
    if (++s.depth != 1)
        return;
    if (s.cursorHost)
        s.cursorHost->SetWaitCursor(true);
    if (s.statusHost) {
        m_savedText = s.statusHost->StatusText();
        if (m_savedText)
            s.statusHost->SetStatusText(kPleaseWaitText);
    }
}

CWaitStatus::~CWaitStatus()
{
    WaitState& s = ThisThread();
    if (--s.depth != 0)
        return;
    // Only text that was saved goes back: a main window that appeared during
    // the wait keeps what it shows.
    if (s.statusHost && m_savedText)
        s.statusHost->SetStatusText(*m_savedText);
    if (s.cursorHost)
        s.cursorHost->SetWaitCursor(false);
}

CWaitProgress::CWaitProgress(const std::string& text, int steps) : m_host(ThisThread().statusHost)
{
    if (m_host)
        m_host->ShowProgress(text, steps);
}

CWaitProgress::~CWaitProgress()
{
    if (m_host)
        m_host->HideProgress();
}

void CWaitProgress::Step()
{
    if (m_host)
        m_host->StepProgress();
}

}   // namespace app

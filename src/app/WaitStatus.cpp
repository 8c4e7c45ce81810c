#include "app/WaitStatus.h"

namespace app {

namespace {
// Used only on the user-interface thread.
int g_depth = 0;
CWaitHost* g_cursorHost = nullptr;
CWaitHost* g_statusHost = nullptr;
}  // namespace

void CWaitStatus::SetCursorHost(CWaitHost* host) { g_cursorHost = host; }
void CWaitStatus::SetStatusHost(CWaitHost* host) { g_statusHost = host; }
int CWaitStatus::Depth() { return g_depth; }

CWaitStatus::CWaitStatus()
{
    if (++g_depth != 1)
        return;
    if (g_cursorHost)
        g_cursorHost->SetWaitCursor(true);
    if (g_statusHost) {
        m_savedText = g_statusHost->StatusText();
        if (m_savedText)
            g_statusHost->SetStatusText(kPleaseWaitText);
    }
}

CWaitStatus::~CWaitStatus()
{
    if (--g_depth != 0)
        return;
    // Only text that was saved goes back: a main window that appeared during
    // the wait keeps what it shows.
    if (g_statusHost && m_savedText)
        g_statusHost->SetStatusText(*m_savedText);
    if (g_cursorHost)
        g_cursorHost->SetWaitCursor(false);
}

}  // namespace app

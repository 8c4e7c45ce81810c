#include "app/ui/DocumentEx.h"

namespace app {

bool CDocumentEx::SetTitle(const QString& title)
{
    if (title == m_title)
        return false;
    m_title = title;
    emit titleChanged(m_title);
    return true;
}

}   // namespace app

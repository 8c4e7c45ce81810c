#include "app/ui/Document.h"

#include "app/ui/ObjectIds.h"

namespace app {

std::uint64_t CDocument::DocumentId()
{
    return CObjectIds::Of(this);
}

void CDocument::OnCloseDocument()
{
    if (m_closed)
        return;
    m_closed = true;
    emit closing();
    // Later in the event loop: the close may have come from the document's
    // own window or from a handler still holding the document.
    deleteLater();
}

}   // namespace app

#include "app/ui/ViewerFrame.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>

#include "app/CommandTable.h"
#include "app/PostedMessageQueue.h"
#include "app/ui/Document.h"
#include "app/ui/MdiPlacement.h"

namespace app {

CViewerFrame::CViewerFrame(CDocument* document, app::CPostedMessageQueue* owner, QWidget* parent)
    : QMdiSubWindow(parent), m_document(document), m_owner(owner)
{
    setAttribute(Qt::WA_DeleteOnClose);
    if (document) {
        connect(document, &CDocument::closing, this, [this] {
            m_documentClosed = true;
            close();
        });
    }
    connect(this, &QMdiSubWindow::windowStateChanged, this,
            [this](Qt::WindowStates before, Qt::WindowStates now) {
                OnActiveChanged(now & Qt::WindowActive);
                // A fit asked for while maximised is made once the frame is
                // restored, after the restore has put its title bar back.
                constexpr Qt::WindowStates kShrunkOrFull =
                    Qt::WindowMaximized | Qt::WindowMinimized;
                if ((before & kShrunkOrFull) && !(now & kShrunkOrFull) && m_pendingFit)
                    QTimer::singleShot(0, this, [this] {
                        if (m_pendingFit && !isMaximized() && !isMinimized())
                            FitTo(m_pendingFit->first, m_pendingFit->second);
                    });
            });
}

CViewerFrame::~CViewerFrame()
{
    OnActiveChanged(false);
    if (m_document) {
        if (!m_document->IsClosed())
            m_document->OnCloseDocument();
        m_document->deleteLater();
    }
}

void CViewerFrame::DisableWhileActive(app::CCommandTable& commands, std::vector<unsigned> ids)
{
    OnActiveChanged(false);
    m_commands = &commands;
    m_disabled = std::move(ids);
    OnActiveChanged(isActiveWindow() || (mdiArea() && mdiArea()->activeSubWindow() == this));
}

void CViewerFrame::OnActiveChanged(bool active)
{
    if (!m_commands || active == m_registered)
        return;
    m_registered = active;
    if (!active) {
        m_commands->Remove(this);
        return;
    }
    for (unsigned id : m_disabled)
        m_commands->AddFirst(
            this, id, [](unsigned) {}, [](app::CCmdUI& ui) { ui.Enable(false); });
}

void CViewerFrame::FitTo(QSize content, bool shrinkOnly)
{
    // Maximised, the frame takes the whole area as every MDI child then
    // does: resizing it would leave it in the maximised state (its title
    // bar and close box in the main window) at a smaller size, and take the
    // other children out of that state.
    if (isMaximized() || isMinimized()) {
        m_pendingFit = std::make_pair(content, shrinkOnly);
        return;
    }
    m_pendingFit.reset();
    // The frame's border and title bar are what the style adds round the view.
    const QSize chrome = size() - (widget() ? widget()->size() : QSize());
    QSize wanted = content + chrome;
    if (shrinkOnly) {
        wanted = wanted.boundedTo(size().expandedTo(QSize(1, 1)));
        if (const QMdiArea* area = mdiArea())
            wanted = wanted.boundedTo(area->viewport()->size());
    } else if (const QMdiArea* area = mdiArea()) {
        wanted = wanted.boundedTo(area->viewport()->size());
    }
    resize(wanted);
    // Grown in place, it may reach past the area's right or bottom edge.
    KeepInsideMdiArea(*this);
}

void CViewerFrame::closeEvent(QCloseEvent* e)
{
    if (m_documentClosed || !m_document || m_document->IsClosed()) {
        OnActiveChanged(false);
        QMdiSubWindow::closeEvent(e);
        return;
    }
    if (m_owner && m_owner->Post(app::kMsgChartWindowClosed, m_document->DocumentId())) {
        e->ignore();   // the owner closes the document; the window follows
        return;
    }
    m_document->OnCloseDocument();   // no owner: close here
    QMdiSubWindow::closeEvent(e);
}

}   // namespace app

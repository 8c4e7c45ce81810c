#pragma once
// Base of the picture and video viewer windows: an MDI child showing one
// document. Closing it does not close it directly: it posts the document's
// identity to its owner's queue, and the window goes when the owner closes
// the document (so a late message about a viewer already gone finds
// nothing). A viewer with no owner closes its document itself.

#include <QMdiSubWindow>
#include <QPointer>

#include <optional>
#include <utility>
#include <vector>

namespace app {
class CCommandTable;
}
namespace app {

class CDocument;
class CPostedMessageQueue;

class CViewerFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    CViewerFrame(CDocument* document, app::CPostedMessageQueue* owner, QWidget* parent = nullptr);
    ~CViewerFrame() override;

    CDocument* Document() const { return m_document; }

    // Commands the frame answers ahead of everyone while it is the active
    // window: accepted and disabled (a viewer does not save or print).
    void DisableWhileActive(app::CCommandTable& commands, std::vector<unsigned> ids);

    // Resizes the frame so its view shows `content` pixels exactly, keeping
    // its top-left corner; never larger than the MDI area when `shrinkOnly`.
    // A maximised or minimised frame keeps its state and is fitted when it
    // is restored.
    void FitTo(QSize content, bool shrinkOnly);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void OnActiveChanged(bool active);

    QPointer<CDocument> m_document;
    app::CPostedMessageQueue* m_owner;
    app::CCommandTable* m_commands = nullptr;
    std::vector<unsigned> m_disabled;
    bool m_registered = false;
    bool m_documentClosed = false;
    std::optional<std::pair<QSize, bool>> m_pendingFit;
};

}   // namespace app

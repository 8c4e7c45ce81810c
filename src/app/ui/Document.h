#pragma once
// Base of every document: chart documents and the list, report, log and
// sentence-dump documents. Closing is one-way: the first close tells the
// document's windows and releases the document, later ones do nothing.

#include <QObject>

#include <cstdint>

namespace app {

class CDocument : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Its identity in posted messages (see CObjectIds).
    std::uint64_t DocumentId();
    bool IsClosed() const { return m_closed; }

    // Derived documents release their own state first, then call this.
    virtual void OnCloseDocument();

signals:
    // The document's windows close on this.
    void closing();

private:
    bool m_closed = false;
};

}   // namespace app

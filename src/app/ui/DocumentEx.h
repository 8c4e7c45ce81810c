#pragma once
// Base of the list, report, log and sentence-dump documents. Its title is
// what the document's windows and the Window menu show; setting the title it
// already has changes nothing and tells nobody.

#include <QString>

#include "app/ui/Document.h"

namespace app {

class CDocumentEx : public CDocument {
    Q_OBJECT
public:
    using CDocument::CDocument;
    const QString& GetTitle() const { return m_title; }
    // True when the title changed (and titleChanged was sent).
    bool SetTitle(const QString& title);

signals:
    void titleChanged(const QString& title);

private:
    QString m_title;
};

}   // namespace app

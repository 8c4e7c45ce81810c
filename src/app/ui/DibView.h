#pragma once
// The picture viewer: a document holding one picture read through Qt's image
// readers (BMP and every other kind the installed plugins read, TGA and TIFF
// among them), and a scrolling view that paints only the part exposed.

#include <QAbstractScrollArea>
#include <QImage>
#include <QString>

#include "app/ui/Document.h"
#include "app/ui/ViewerFrame.h"

namespace app {

class CDibDoc final : public CDocument {
    Q_OBJECT
public:
    using CDocument::CDocument;

    // Reads the picture and converts it once to the screen's pixel form.
    // False, with the reason in `error`, when it is not a readable picture.
    bool OnOpenDocument(const QString& path, QString* error = nullptr);

    const QImage& Image() const { return m_image; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    const QString& PathName() const { return m_path; }

private:
    QImage m_image;
    int m_width = 1;
    int m_height = 1;
    QString m_path;
};

class CDibView final : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CDibView(CDibDoc& document, QWidget* parent = nullptr);
    // Scroll ranges from the picture's size.
    void OnInitialUpdate();
    // The picture's rectangle painted by the last paint, in picture pixels.
    QRect LastPaintedSource() const { return m_lastSource; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    QSize sizeHint() const override;

private:
    CDibDoc& m_document;
    QRect m_lastSource;
};

class CDibFrame final : public CViewerFrame {
    Q_OBJECT
public:
    CDibFrame(CDibDoc* document, app::CPostedMessageQueue* owner, QWidget* parent = nullptr);
    CDibView* View() const { return m_view; }
    // Shrinks the frame round a smaller picture; a larger one scrolls.
    void OnInitialUpdate();

private:
    CDibView* m_view;
};

}   // namespace app

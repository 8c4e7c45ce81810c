#pragma once
// The video viewer: a document holding a media player on one file, and a view
// that shows its frames with a strip giving the file's name, the position
// and the mode, and play, stop and close-media buttons. The frame takes the
// video's size. Closing the media from the strip closes the viewer; a viewer
// whose media never opened stays until closed.

#include <QImage>
#include <QString>
#include <QWidget>

#include "app/ui/Document.h"
#include "app/ui/ViewerFrame.h"

class QLabel;
class QMediaPlayer;
class QPushButton;
class QVideoFrame;
class QVideoSink;

namespace app {

class CAviDoc final : public CDocument {
    Q_OBJECT
public:
    explicit CAviDoc(QObject* parent = nullptr);
    ~CAviDoc() override;

    // Loads the file and waits (the event loop running) until the player
    // says it can play it, at most `timeoutMs`. False, with the reason, for
    // a file it cannot play.
    bool OnOpenDocument(const QString& path, QString* error = nullptr, int timeoutMs = 8000);
    void OnCloseDocument() override;

    QMediaPlayer& Player() { return *m_player; }
    QVideoSink& Sink() { return *m_sink; }
    const QString& PathName() const { return m_path; }

private:
    QMediaPlayer* m_player;
    QVideoSink* m_sink;
    QString m_path;
};

class CAviView final : public QWidget {
    Q_OBJECT
public:
    explicit CAviView(CAviDoc& document, QWidget* parent = nullptr);

    QSize VideoSize() const { return m_videoSize; }
    QString ModeText() const;
    QString PositionText() const;
    bool IsMediaOpen() const { return m_mediaOpen; }
    // The media closed from the strip: the player lets go of the file.
    void CloseMedia();

signals:
    void videoSizeChanged(QSize size);
    void mediaClosed();

public:
    // The video's size with the strip below it.
    QSize sizeHint() const override;

private:
    class CScreen;
    void OnFrame(const QVideoFrame& frame);
    void UpdateStrip();

    CAviDoc& m_document;
    QSize m_videoSize;
    CScreen* m_screen;
    QWidget* m_strip;
    QLabel* m_name;
    QLabel* m_position;
    QLabel* m_mode;
    QPushButton* m_play;
    bool m_mediaOpen = false;
};

class CAviFrame final : public CViewerFrame {
    Q_OBJECT
public:
    CAviFrame(CAviDoc* document, app::CPostedMessageQueue* owner, QWidget* parent = nullptr);
    CAviView* View() const { return m_view; }

private:
    CAviView* m_view;
};

}   // namespace app

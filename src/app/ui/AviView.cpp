#include "app/ui/AviView.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaPlayer>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QVideoFrame>
#include <QVideoSink>

#include "app/WaitStatus.h"

namespace app {

namespace {

QString Clock(qint64 ms)
{
    const qint64 s = ms / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

}   // namespace

CAviDoc::CAviDoc(QObject* parent)
    : CDocument(parent), m_player(new QMediaPlayer(this)), m_sink(new QVideoSink(this))
{
    m_player->setVideoOutput(m_sink);
}

CAviDoc::~CAviDoc()
{
    m_player->stop();
}

bool CAviDoc::OnOpenDocument(const QString& path, QString* error, int timeoutMs)
{
    app::CWaitStatus wait;
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        if (error)
            *error = QStringLiteral("The file cannot be read.");
        return false;
    }
    QEventLoop loop;
    bool ok = false;
    QString reason;
    auto statusConnection = connect(
        m_player, &QMediaPlayer::mediaStatusChanged, &loop, [&](QMediaPlayer::MediaStatus status) {
            if (status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia) {
                ok = true;
                loop.quit();
            } else if (status == QMediaPlayer::InvalidMedia) {
                loop.quit();
            }
        });
    auto errorConnection = connect(m_player, &QMediaPlayer::errorOccurred, &loop,
                                   [&](QMediaPlayer::Error, const QString& text) {
                                       reason = text;
                                       loop.quit();
                                   });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    m_player->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
    if (m_player->mediaStatus() == QMediaPlayer::LoadedMedia)
        ok = true;
    else if (m_player->mediaStatus() != QMediaPlayer::InvalidMedia)
        loop.exec();
    disconnect(statusConnection);
    disconnect(errorConnection);
    if (!ok || m_player->error() != QMediaPlayer::NoError) {
        if (error)
            *error = reason.isEmpty() ? QStringLiteral("It is not a video this program can play.")
                                      : reason;
        m_player->setSource(QUrl());
        return false;
    }
    m_path = info.absoluteFilePath();
    return true;
}

void CAviDoc::OnCloseDocument()
{
    CDocument::OnCloseDocument();   // the windows go first
    m_player->stop();
    m_player->setSource(QUrl());
}

// The video picture: the latest frame, centred at its own size on black.
class CAviView::CScreen final : public QWidget {
public:
    using QWidget::QWidget;
    void Show(QImage frame)
    {
        m_frame = std::move(frame);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        if (m_frame.isNull())
            return;
        QSize shown = m_frame.size();
        if (shown.width() > width() || shown.height() > height())
            shown.scale(size(), Qt::KeepAspectRatio);
        painter.drawImage(
            QRect(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown),
            m_frame);
    }

private:
    QImage m_frame;
};

CAviView::CAviView(CAviDoc& document, QWidget* parent)
    : QWidget(parent), m_document(document), m_screen(new CScreen(this)),
      m_strip(new QWidget(this)), m_name(new QLabel(m_strip)), m_position(new QLabel(m_strip)),
      m_mode(new QLabel(m_strip)), m_play(new QPushButton(m_strip))
{
    m_screen->setAttribute(Qt::WA_OpaquePaintEvent);
    m_screen->setMinimumSize(1, 1);
    auto* stop = new QPushButton(m_strip);
    auto* eject = new QPushButton(m_strip);
    m_play->setObjectName("Play");
    stop->setObjectName("Stop");
    eject->setObjectName("CloseMedia");
    stop->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    eject->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    stop->setToolTip("Stop");
    eject->setToolTip("Close the video");
    m_name->setText(QFileInfo(document.PathName()).fileName());
    m_name->setObjectName("Name");
    m_position->setObjectName("Position");
    m_mode->setObjectName("Mode");
    // The strip: the file's name above the buttons, the mode and the position.
    auto* strip = new QVBoxLayout(m_strip);
    strip->setContentsMargins(2, 2, 2, 2);
    strip->setSpacing(2);
    strip->addWidget(m_name);
    auto* row = new QHBoxLayout();
    row->addWidget(m_play);
    row->addWidget(stop);
    row->addWidget(eject);
    row->addStretch(1);
    row->addWidget(m_mode);
    row->addSpacing(6);
    row->addWidget(m_position);
    strip->addLayout(row);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_screen, 1);
    column->addWidget(m_strip);

    QMediaPlayer& player = document.Player();
    connect(m_play, &QPushButton::clicked, this, [&player] {
        player.playbackState() == QMediaPlayer::PlayingState ? player.pause() : player.play();
    });
    connect(stop, &QPushButton::clicked, &player, &QMediaPlayer::stop);
    connect(eject, &QPushButton::clicked, this, &CAviView::CloseMedia);
    connect(&player, &QMediaPlayer::positionChanged, this, &CAviView::UpdateStrip);
    connect(&player, &QMediaPlayer::playbackStateChanged, this, &CAviView::UpdateStrip);
    connect(&player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus s) {
        if (s == QMediaPlayer::LoadedMedia || s == QMediaPlayer::BufferedMedia) {
            m_mediaOpen = true;
        } else if (s == QMediaPlayer::NoMedia && m_mediaOpen) {
            m_mediaOpen = false;
            emit mediaClosed();
        }
        UpdateStrip();
    });
    connect(&document.Sink(), &QVideoSink::videoFrameChanged, this, &CAviView::OnFrame);
    const QMediaPlayer::MediaStatus status = player.mediaStatus();
    m_mediaOpen = status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia;
    UpdateStrip();
}

void CAviView::CloseMedia()
{
    m_document.Player().stop();
    m_document.Player().setSource(QUrl());
}

QString CAviView::ModeText() const
{
    if (!m_mediaOpen)
        return QStringLiteral("Not Ready");
    switch (m_document.Player().playbackState()) {
    case QMediaPlayer::PlayingState: return QStringLiteral("Playing");
    case QMediaPlayer::PausedState: return QStringLiteral("Paused");
    case QMediaPlayer::StoppedState: return QStringLiteral("Stopped");
    }
    return {};
}

QString CAviView::PositionText() const
{
    return Clock(m_document.Player().position()) + " / " + Clock(m_document.Player().duration());
}

void CAviView::UpdateStrip()
{
    m_mode->setText(ModeText());
    m_position->setText(PositionText());
    const bool playing = m_document.Player().playbackState() == QMediaPlayer::PlayingState;
    m_play->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    m_play->setToolTip(playing ? "Pause" : "Play");
}

void CAviView::OnFrame(const QVideoFrame& frame)
{
    if (!frame.isValid())
        return;
    QImage image = frame.toImage();
    if (image.size() != m_videoSize) {
        m_videoSize = image.size();
        updateGeometry();
        emit videoSizeChanged(m_videoSize);
    }
    m_screen->Show(std::move(image));
}

QSize CAviView::sizeHint() const
{
    const QSize video = m_videoSize.isValid() ? m_videoSize : QSize(320, 240);
    const QSize strip = m_strip->sizeHint();
    return QSize(std::max(video.width(), strip.width()), video.height() + strip.height());
}

CAviFrame::CAviFrame(CAviDoc* document, app::CPostedMessageQueue* owner, QWidget* parent)
    : CViewerFrame(document, owner, parent), m_view(new CAviView(*document, this))
{
    setWidget(m_view);
    setWindowTitle(QFileInfo(document->PathName()).fileName());
    setWindowIcon(QApplication::style()->standardIcon(QStyle::SP_MediaPlay));
    // The frame always takes the video's size (and the strip's).
    connect(m_view, &CAviView::videoSizeChanged, this,
            [this] { FitTo(m_view->sizeHint(), false); });
    connect(m_view, &CAviView::mediaClosed, this, [this] { close(); });
}

}   // namespace app

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
#include <QVideoFrame>
#include <QVideoSink>

#include "app/WaitStatus.h"

namespace {

QString Clock(qint64 ms)
{
    const qint64 s = ms / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

CAviDoc::CAviDoc(QObject* parent)
    : CDocument(parent), m_player(new QMediaPlayer(this)), m_sink(new QVideoSink(this))
{
    m_player->setVideoOutput(m_sink);
}

CAviDoc::~CAviDoc() { m_player->stop(); }

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
    auto statusConnection = connect(m_player, &QMediaPlayer::mediaStatusChanged, &loop,
                                    [&](QMediaPlayer::MediaStatus status) {
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

CAviView::CAviView(CAviDoc& document, QWidget* parent)
    : QWidget(parent), m_document(document), m_strip(new QWidget(this)),
      m_name(new QLabel(m_strip)), m_position(new QLabel(m_strip)), m_mode(new QLabel(m_strip)),
      m_play(new QPushButton(m_strip))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
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
    auto* row = new QHBoxLayout(m_strip);
    row->setContentsMargins(2, 2, 2, 2);
    row->addWidget(m_play);
    row->addWidget(stop);
    row->addWidget(eject);
    row->addWidget(m_name, 1);
    row->addWidget(m_mode);
    row->addWidget(m_position);

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
    m_frame = frame.toImage();
    if (m_frame.size() != m_videoSize) {
        m_videoSize = m_frame.size();
        updateGeometry();
        emit videoSizeChanged(m_videoSize);
    }
    update(0, 0, width(), height() - m_strip->height());
}

QSize CAviView::sizeHint() const
{
    const QSize video = m_videoSize.isValid() ? m_videoSize : QSize(320, 240);
    return QSize(std::max(video.width(), m_strip->sizeHint().width()),
                 video.height() + m_strip->sizeHint().height());
}

void CAviView::paintEvent(QPaintEvent*)
{
    const int stripHeight = m_strip->sizeHint().height();
    m_strip->setGeometry(0, height() - stripHeight, width(), stripHeight);
    QPainter painter(this);
    const QRect area(0, 0, width(), height() - stripHeight);
    painter.fillRect(area, Qt::black);
    if (!m_frame.isNull()) {
        // Centred at its own size; shrunk to fit when the window is smaller.
        QSize shown = m_frame.size();
        if (shown.width() > area.width() || shown.height() > area.height())
            shown.scale(area.size(), Qt::KeepAspectRatio);
        const QRect target(QPoint(area.center().x() - shown.width() / 2 + 1,
                                  area.center().y() - shown.height() / 2 + 1),
                           shown);
        painter.drawImage(target, m_frame);
    }
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

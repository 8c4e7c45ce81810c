#pragma once
// A window on the sentence history of one channel of a port: everything
// received on it, or everything sent. The port's thread never touches the
// window: after adding a line it calls the view's listener, which posts one
// "changed" event unless one is already waiting; the view refreshes at most
// every 20 ms. The view copies only the
// lines it shows, under the history lock, and draws them outside it; while
// scrolled to the bottom it follows the newest line.

#include <QAbstractScrollArea>
#include <QTimer>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "nmea/Port.h"

class QPainter;

namespace nmea {

class CNmeaDumpView : public QAbstractScrollArea {
    Q_OBJECT
public:
    CNmeaDumpView(nmea::CPort& port, nmea::PortChannel channel, QWidget* parent = nullptr);
    ~CNmeaDumpView() override;

    // "Receiving NMEA Sentences via COM1" and the like.
    static QString Title(const nmea::CPort& port, nmea::PortChannel channel);
    nmea::CPort& Port() const { return m_port; }
    nmea::PortChannel Channel() const { return m_channel; }

    // For tests and the bench: how many history lines the last paint copied,
    // and how many "changed" events reached the view.
    std::size_t LastCopiedLines() const { return m_lastCopied; }
    int ChangesSeen() const { return m_changesSeen; }
    int LineHeight() const;
    // Lines the history holds plus the one empty line below them.
    std::size_t LineCount() const { return m_lineCount; }
    // Draws the whole history on a printer or a preview page.
    void Print(QPainter& painter, const QRect& page) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnHistoryChanged();
    void Refresh();
    void UpdateScrollRange();

    nmea::CPort& m_port;
    const nmea::PortChannel m_channel;
    // Shared with the listener, which may run while the view is closing.
    std::shared_ptr<std::atomic<bool>> m_pending = std::make_shared<std::atomic<bool>>(false);
    std::size_t m_lineCount = 1;
    std::size_t m_lastCopied = 0;
    int m_changesSeen = 0;
    static constexpr int kRefreshMs = 20;   // fifty refreshes a second at most
    QTimer m_refresh;
};

}   // namespace nmea

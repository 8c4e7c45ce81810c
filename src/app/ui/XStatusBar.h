#pragma once
// The main frame's status bar: the message pane (stretching), then the
// position, target-tracking and date-time panes, each sized by its sample
// text. During long operations a progress bar sits in the message pane after
// its text.

#include <QStatusBar>

#include <string>

class QLabel;
class QProgressBar;

class CXStatusBar final : public QStatusBar {
    Q_OBJECT
public:
    enum Pane { MessagePane = 0, PositionPane = 1, TargetPane = 2, ClockPane = 3 };
    // Indicator ids of panes 1 to 3, as their update handlers know them.
    static constexpr unsigned kPaneIds[4] = {0, 59149, 59144, 59143};

    explicit CXStatusBar(QWidget* parent = nullptr);

    void SetPaneText(int pane, const QString& text);
    QString PaneText(int pane) const;

    // Shows `text` in the message pane and a progress control low..high
    // beside it; every ShowProgress is paired with one HideProgress.
    bool ShowProgress(const QString& text, int low, int high);
    void StepProgress();
    void HideProgress();
    QProgressBar* Progress() const { return m_progress; }

signals:
    void contextMenuAt(QPoint globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    QLabel* m_panes[4] = {};
    QProgressBar* m_progress = nullptr;
    QString m_savedText;
};

#pragma once
// The main frame's status bar: the message pane (stretching), then the
// position, active side panel and date-time panes, each sized by its sample
// text. During long operations a progress bar sits in the message pane after
// its text.

#include <QStatusBar>

class QLabel;
class QMainWindow;
class QMenu;
class QProgressBar;

namespace app {

class CXStatusBar final : public QStatusBar {
    Q_OBJECT
public:
    enum Pane { MessagePane = 0, PositionPane = 1, SidePanelPane = 2, ClockPane = 3 };
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
    qsizetype m_measuredLength[4] = {};   // the longest text measured per pane
    QProgressBar* m_progress = nullptr;
    QString m_savedText;
};

// Shows `hint` in the main frame's message pane while `menu` is open (why
// some of its entries are grey), and the pane's former text once it closes.
void ShowMenuHint(QMainWindow& window, QMenu& menu, const QString& hint);

// While the pointer rests on `control` and it is disabled, the message pane
// of the main window holding it shows the control's tool tip (its owner puts
// there why it is grey), and the pane's former text once the pointer leaves.
void ShowWhyGreyOnHover(QWidget& control);

}   // namespace app

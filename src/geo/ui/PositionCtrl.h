#pragma once
// The position entry field: a line edit over geo::CPositionEntry. Keys go to
// the model field by field (digits, '-', N S E W; Left and Right between
// fields; Up and Down spin, repeating while held; Backspace, Delete and Cut
// blank the selected field), spin arrows that repeat while held and a datum
// button sit at the right. A refused change leaves the previous text and
// selection; the reason goes to the owner only. A read-only field takes no
// typing, pasting, spinning or datum choice.

#include <QLineEdit>
#include <QTimer>
#include <optional>
#include <string>
#include <vector>

#include "geo/PositionEntry.h"

class QAbstractButton;
class QMenu;

namespace geo {

class CPositionCtrl : public QLineEdit {
    Q_OBJECT
public:
    explicit CPositionCtrl(QWidget* parent = nullptr);

    // Format language of geo::CPositionEntry; false keeps the previous one.
    bool SetFormat(const QString& format);
    void SetDatums(std::vector<std::string> names, int current);
    bool SetPosition(const geo::CEntryPosition& position);
    std::optional<geo::CEntryPosition> GetPosition() const { return m_entry.GetPosition(); }
    const geo::CPositionEntry& Entry() const { return m_entry; }

    // The last refusal's message (empty after an accepted change).
    QString LastMessage() const { return m_message; }
    // The first datum the datum menu shows (it shows five at a time).
    int DatumWindowFirst() const { return m_datumFirst; }
    // Builds the datum menu as it shows now (tests read it).
    void FillDatumMenu(QMenu& menu);
    // One spin step, as the arrows and the Up and Down keys make.
    void SpinStep(bool up);
    // The interval of the running spin, 0 when none runs.
    int SpinInterval() const { return m_spinTimer.isActive() ? m_spinTimer.interval() : 0; }
    void StartSpin(bool up);
    void StopSpin();
    // Wide enough for the whole text beside the arrows and the datum button.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The arrow buttons at the right, stacked in one square (tests press them).
    QAbstractButton* SpinButton(bool up) const;
    // The datum button, a further square at the right; shown with a datum field.
    QAbstractButton* DatumButton() const;

signals:
    void refused(const QString& message);
    void edited();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Show();
    // Shows the model's text; a message means the change was refused.
    void Report(const std::optional<std::string>& message);
    void PasteClipboard();
    // Backspace, Delete and Cut: the selection (else the character before
    // or after the caret) is cleared through the model.
    void ClearSelection(bool backwards);
    void ChooseDatum(int index);
    int CurrentDatum() const;
    void OnSpinTick();
    void OpenDatumMenu();
    int ButtonSquares() const;
    // Puts the arrows and the datum button at the right and narrows the text.
    void PlaceButtons();

    geo::CPositionEntry m_entry;
    std::vector<std::string> m_datums;
    QString m_message;
    QTimer m_spinTimer;
    bool m_spinUp = true;
    int m_spinTicks = 0;
    // The X server repeats a held key as a release and a press with one time
    // stamp. On a busy machine the two reach the field apart and the release
    // looks final: it then only arms this short timer to stop the spin, and a
    // press of the same key and time stamp disarms it, so the spin goes on.
    QTimer m_keyStopTimer;
    int m_releasedKey = 0;
    quint64 m_releaseTime = 0;
    int m_datumFirst = 0;
    QAbstractButton* m_upButton = nullptr;
    QAbstractButton* m_downButton = nullptr;
    QAbstractButton* m_datumButton = nullptr;
    bool m_datumShown = false;
    bool m_focusedByArrow = false;   // the focus came with a press on an arrow
};

}   // namespace geo

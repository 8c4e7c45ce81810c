#include "geo/ui/PositionCtrl.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QResizeEvent>
#include <QToolButton>
#include <utility>

namespace geo {

namespace {
constexpr int kFirstInterval = 300;   // ms, the first repeats of a held arrow
constexpr int kFastInterval = 50;   // ms, after kSlowTicks repeats
constexpr int kSlowTicks = 11;
// ms a let-go Up or Down key waits for the press that tells a repeat of it.
constexpr int kKeyStopDelay = 60;
constexpr int kDatumWindow = 5;   // datums the menu shows at once
}   // namespace

CPositionCtrl::CPositionCtrl(QWidget* parent) : QLineEdit(parent)
{
    // The spin arrows share one square of the field's height at the right, the
    // up arrow in its upper half and the down arrow in its lower half; the
    // datum button is a further square beside it. Neither takes the focus.
    auto makeButton = [this](Qt::ArrowType arrow) {
        auto* button = new QToolButton(this);
        button->setArrowType(arrow);
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::ArrowCursor);
        button->setAutoRaise(false);
        return button;
    };
    m_upButton = makeButton(Qt::UpArrow);
    m_downButton = makeButton(Qt::DownArrow);
    m_upButton->setToolTip(tr("Step the field up"));
    m_downButton->setToolTip(tr("Step the field down"));
    // A held arrow repeats as a held Up or Down key does: its press starts
    // the spin, the release (or leaving the arrow) stops it. The arrows spin
    // only a field that has the focus; a click in an unfocused field focuses it.
    for (const auto& arrow : {std::pair{m_upButton, true}, std::pair{m_downButton, false}}) {
        connect(arrow.first, &QAbstractButton::pressed, this, [this, upwards = arrow.second] {
            if (isReadOnly())
                return;
            // The press that brought the focus (Qt focuses the field before
            // the arrow sees the press) only focuses it.
            if (!hasFocus() || std::exchange(m_focusedByArrow, false)) {
                setFocus(Qt::MouseFocusReason);
                return;
            }
            StartSpin(upwards);
        });
        connect(arrow.first, &QAbstractButton::released, this, &CPositionCtrl::StopSpin);
    }
    m_datumButton = new QToolButton(this);
    m_datumButton->setText(QString::fromUtf8("\u25BE"));
    m_datumButton->setFocusPolicy(Qt::NoFocus);
    m_datumButton->setCursor(Qt::ArrowCursor);
    m_datumButton->setToolTip(tr("Datum"));
    m_datumButton->hide();
    connect(m_datumButton, &QAbstractButton::clicked, this, &CPositionCtrl::OpenDatumMenu);
    connect(&m_spinTimer, &QTimer::timeout, this, &CPositionCtrl::OnSpinTick);
    m_keyStopTimer.setSingleShot(true);
    m_keyStopTimer.setInterval(kKeyStopDelay);
    connect(&m_keyStopTimer, &QTimer::timeout, this, &CPositionCtrl::StopSpin);
    PlaceButtons();
    Show();
}

int CPositionCtrl::ButtonSquares() const
{
    return 1 + (m_datumShown ? 1 : 0);
}

void CPositionCtrl::PlaceButtons()
{
    // Each square narrows the text's room by the field's height.
    const int side = height();
    setTextMargins(0, 0, side * ButtonSquares(), 0);
    int right = width();
    if (m_datumShown) {
        right -= side;
        m_datumButton->setGeometry(right, 0, side, side);
    }
    right -= side;
    const int upper = side / 2;
    m_upButton->setGeometry(right, 0, side, upper);
    m_downButton->setGeometry(right, upper, side, side - upper);
}

void CPositionCtrl::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    PlaceButtons();
}

void CPositionCtrl::OpenDatumMenu()
{
    if (isReadOnly())
        return;
    QMenu menu(this);
    FillDatumMenu(menu);
    menu.exec(mapToGlobal(rect().bottomRight()));
}

bool CPositionCtrl::SetFormat(const QString& format)
{
    if (!m_entry.SetFormat(format.toStdString()))
        return false;
    // The datum is the format's last field, written as an unescaped C.
    m_datumShown = format.endsWith('C') && !format.endsWith("\\C");
    m_datumButton->setVisible(m_datumShown);
    PlaceButtons();
    updateGeometry();
    Show();
    return true;
}

void CPositionCtrl::SetDatums(std::vector<std::string> names, int current)
{
    m_datums = names;
    m_entry.SetDatums(std::move(names), current);
    m_datumFirst = 0;
    Show();
}

bool CPositionCtrl::SetPosition(const geo::CEntryPosition& position)
{
    const bool ok = m_entry.SetPosition(position);
    m_message.clear();
    Show();
    return ok;
}

void CPositionCtrl::Show()
{
    const QString text = QString::fromStdString(m_entry.Text());
    if (text != this->text()) {
        const bool wider = text.size() != this->text().size();
        setText(text);
        if (wider)
            updateGeometry();   // a new layout or datum name needs other room
    }
    const auto [first, last] = m_entry.SelectedRange();
    if (last > first)
        setSelection(static_cast<int>(first), static_cast<int>(last - first));
}

void CPositionCtrl::Report(const std::optional<std::string>& message)
{
    Show();
    if (!message) {
        m_message.clear();
        emit edited();
        return;
    }
    // The refused change is simply not made: the previous text and selection
    // stay, without a sound or a box. The reason is kept for the owner.
    m_message = QString::fromStdString(*message);
    emit refused(m_message);
}

void CPositionCtrl::SpinStep(bool up)
{
    if (isReadOnly())
        return;
    Report(m_entry.Spin(up));
}

void CPositionCtrl::StartSpin(bool up)
{
    m_keyStopTimer.stop();   // a new spin outlives an earlier key's let-go
    m_spinUp = up;
    m_spinTicks = 0;
    SpinStep(up);
    m_spinTimer.start(kFirstInterval);
}

void CPositionCtrl::StopSpin()
{
    m_spinTimer.stop();
    m_keyStopTimer.stop();
}

QSize CPositionCtrl::sizeHint() const
{
    // The plain edit's hint is room for 17 characters and the text margins;
    // the position takes room for its own text instead, a blank either side,
    // and a square of the hint's height for each button square.
    QSize hint = QLineEdit::sizeHint();
    const QFontMetrics metrics(font());
    const int text = metrics.horizontalAdvance(QString::fromStdString(m_entry.Text()));
    hint.setWidth(
        hint.width() - textMargins().right() - metrics.horizontalAdvance(QLatin1Char('x')) * 17 +
        text + metrics.horizontalAdvance(QLatin1Char(' ')) * 2 + hint.height() * ButtonSquares());
    return hint;
}

QSize CPositionCtrl::minimumSizeHint() const
{
    return {sizeHint().width(), QLineEdit::minimumSizeHint().height()};
}

QAbstractButton* CPositionCtrl::SpinButton(bool up) const
{
    return up ? m_upButton : m_downButton;
}

QAbstractButton* CPositionCtrl::DatumButton() const
{
    return m_datumButton;
}

void CPositionCtrl::ClearSelection(bool backwards)
{
    if (isReadOnly())
        return;
    std::size_t first = 0, last = 0;
    if (hasSelectedText()) {
        first = static_cast<std::size_t>(selectionStart());
        last = first + static_cast<std::size_t>(selectedText().size());
    } else {
        const int at = cursorPosition();
        if (backwards && at == 0)
            return;
        first = static_cast<std::size_t>(backwards ? at - 1 : at);
        last = first + 1;
    }
    Report(m_entry.Clear(first, last));
}

void CPositionCtrl::OnSpinTick()
{
    if (m_keyStopTimer.isActive())
        return;   // the key was let go: no step while that is settled
    SpinStep(m_spinUp);
    if (++m_spinTicks == kSlowTicks)
        m_spinTimer.start(kFastInterval);
}

void CPositionCtrl::PasteClipboard()
{
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty() || isReadOnly())
        return;
    Report(m_entry.Paste(text.toStdString()));
}

int CPositionCtrl::CurrentDatum() const
{
    const auto position = m_entry.GetPosition();
    return position ? position->datum : -1;
}

void CPositionCtrl::ChooseDatum(int index)
{
    // The datum field (always last) steps along the list to the chosen entry.
    if (isReadOnly() || index < 0 || index >= static_cast<int>(m_datums.size()))
        return;
    if (auto message = m_entry.SelectFieldAt(m_entry.Length())) {
        Report(message);
        return;
    }
    if (m_entry.SelectedField() != geo::EntryField::Datum)
        return;
    const int target = m_entry.DatumPlace(index);
    for (int guard = 0; CurrentDatum() != index && guard < static_cast<int>(m_datums.size());
         ++guard) {
        // Up moves to the previous entry of the list.
        if (auto message = m_entry.Spin(m_entry.DatumPlace(CurrentDatum()) > target)) {
            Report(message);
            return;
        }
    }
    Report(std::nullopt);
}

void CPositionCtrl::FillDatumMenu(QMenu& menu)
{
    menu.clear();
    const int count = static_cast<int>(m_datums.size());
    QAction* earlier = menu.addAction(QString::fromUtf8("\u25B2"));
    earlier->setEnabled(m_datumFirst > 0);
    connect(earlier, &QAction::triggered, this, [this] {
        m_datumFirst = std::max(0, m_datumFirst - (kDatumWindow - 1));
        OpenDatumMenu();
    });
    // The list in its order: the datum of the position last shown stands last.
    const std::vector<int>& order = m_entry.DatumOrder();
    for (int place = m_datumFirst; place < std::min(count, m_datumFirst + kDatumWindow); ++place) {
        const int i = order[static_cast<std::size_t>(place)];
        QString name = QString::fromStdString(m_datums[static_cast<std::size_t>(i)]);
        name.replace("&", "&&");
        QAction* item = menu.addAction(name);
        item->setCheckable(true);
        item->setChecked(i == CurrentDatum());
        connect(item, &QAction::triggered, this, [this, i] { ChooseDatum(i); });
    }
    QAction* later = menu.addAction(QString::fromUtf8("\u25BC"));
    later->setEnabled(m_datumFirst + kDatumWindow < count);
    connect(later, &QAction::triggered, this, [this, count] {
        m_datumFirst =
            std::max(0, std::min(m_datumFirst + (kDatumWindow - 1), count - kDatumWindow));
        OpenDatumMenu();
    });
}

void CPositionCtrl::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    // A read-only field is shown, not worked in: it keeps its text and the
    // clipboard, and every key goes on to the window that holds it, so the
    // dialog's own keys (arrows, Return, Escape) pass over it.
    if (isReadOnly()) {
        event->ignore();
        return;
    }
    if (event->matches(QKeySequence::Undo)) {
        m_entry.Undo();
        Report(std::nullopt);
        return;
    }
    if (event->matches(QKeySequence::Redo)) {
        m_entry.Redo();
        Report(std::nullopt);
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        PasteClipboard();
        return;
    }
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut) ||
        event->matches(QKeySequence::SelectAll)) {
        // Cut copies the selection, then clears it as Delete does.
        if (event->matches(QKeySequence::Cut)) {
            copy();
            ClearSelection(false);
        } else {
            QLineEdit::keyPressEvent(event);
        }
        return;
    }
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        // The field repeats by its own timer while the key is held.
        if (event->isAutoRepeat() || isReadOnly())
            return;
        if (m_keyStopTimer.isActive() && key == m_releasedKey && m_releaseTime != 0 &&
            event->timestamp() == m_releaseTime) {
            m_keyStopTimer.stop();   // a repeat of the held key
            return;
        }
        StartSpin(key == Qt::Key_Up);
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
        StopSpin();
        Report(m_entry.SelectNextField(key == Qt::Key_Right));
        return;
    case Qt::Key_Home: Report(m_entry.SelectFieldAt(0)); return;
    case Qt::Key_End: Report(m_entry.SelectFieldAt(m_entry.Length())); return;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        // The selected field is blanked; all of it selected goes back to
        // the position shown.
        StopSpin();
        ClearSelection(key == Qt::Key_Backspace);
        return;
    default: break;
    }
    StopSpin();
    const QString typed = event->text().toUpper();
    if (typed.size() == 1 && !isReadOnly() && !(event->modifiers() & Qt::ControlModifier)) {
        const QChar c = typed.front();
        // Only digits, '-' and the hemisphere letters are typed into a position.
        if (c.isDigit() || c == '-' || c == 'N' || c == 'S' || c == 'E' || c == 'W') {
            Report(m_entry.Type(c.unicode()));
            return;
        }
        if (c.isPrint())
            return;   // other characters have no place in a position
    }
    QLineEdit::keyPressEvent(event);   // Tab, Return, Escape and the like
}

void CPositionCtrl::keyReleaseEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && !event->isAutoRepeat()) {
        m_releasedKey = event->key();
        m_releaseTime = event->timestamp();
        m_keyStopTimer.start();
        return;
    }
    QLineEdit::keyReleaseEvent(event);
}

void CPositionCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (!hasSelectedText())
        Report(m_entry.SelectFieldAt(static_cast<std::size_t>(cursorPosition())));
}

void CPositionCtrl::focusInEvent(QFocusEvent* event)
{
    m_focusedByArrow = event->reason() == Qt::MouseFocusReason &&
                       (m_upButton->underMouse() || m_downButton->underMouse());
    QLineEdit::focusInEvent(event);
    // The field under the selection's start (the caret stands after a selected field).
    const int at = hasSelectedText() ? selectionStart() : cursorPosition();
    Report(m_entry.SelectFieldAt(static_cast<std::size_t>(at)));
}

void CPositionCtrl::focusOutEvent(QFocusEvent* event)
{
    m_focusedByArrow = false;
    StopSpin();
    QLineEdit::focusOutEvent(event);
}

void CPositionCtrl::contextMenuEvent(QContextMenuEvent* event)
{
    const bool editable = !isReadOnly();
    QMenu menu(this);
    menu.addAction(tr("Undo"), this,
                   [this] {
                       m_entry.Undo();
                       Report(std::nullopt);
                   })
        ->setEnabled(editable && m_entry.CanUndo());
    menu.addAction(tr("Redo"), this,
                   [this] {
                       m_entry.Redo();
                       Report(std::nullopt);
                   })
        ->setEnabled(editable && m_entry.CanRedo());
    menu.addSeparator();
    menu.addAction(tr("Cut"), this,
                   [this] {
                       copy();
                       ClearSelection(false);
                   })
        ->setEnabled(editable && hasSelectedText());
    menu.addAction(tr("Copy"), this,
                   [this] {
                       if (!isReadOnly())
                           copy();
                   })
        ->setEnabled(hasSelectedText());
    menu.addAction(tr("Paste"), this, [this] { PasteClipboard(); })
        ->setEnabled(editable && !QApplication::clipboard()->text().isEmpty());
    menu.addSeparator();
    menu.addAction(tr("Reset"), this,
                   [this] {
                       m_entry.Reset();
                       Report(std::nullopt);
                   })
        ->setEnabled(editable);
    menu.addSeparator();
    menu.addAction(tr("Select All"), this, [this] {
        setFocus();
        selectAll();
    });
    menu.exec(event->globalPos());
}

}   // namespace geo

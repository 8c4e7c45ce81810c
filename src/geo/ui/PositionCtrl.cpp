#include "geo/ui/PositionCtrl.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QStyle>
#include <QToolTip>

namespace geo {

namespace {
constexpr int kFirstInterval = 300;   // ms, the first repeats of a held arrow
constexpr int kFastInterval = 50;   // ms, after kSlowTicks repeats
constexpr int kSlowTicks = 11;
constexpr int kDatumWindow = 5;   // datums the menu shows at once
}   // namespace

CPositionCtrl::CPositionCtrl(QWidget* parent) : QLineEdit(parent)
{
    QAction* down = addAction(style()->standardIcon(QStyle::SP_ArrowDown), TrailingPosition);
    QAction* up = addAction(style()->standardIcon(QStyle::SP_ArrowUp), TrailingPosition);
    down->setToolTip(tr("Step the field down"));
    up->setToolTip(tr("Step the field up"));
    // A held arrow repeats as a held Up or Down key does: its button's press
    // starts the spin, the release stops it.
    for (const auto& arrow : {std::pair{up, true}, std::pair{down, false}})
        for (QObject* shown : arrow.first->associatedObjects())
            if (auto* button = qobject_cast<QAbstractButton*>(shown)) {
                connect(button, &QAbstractButton::pressed, this, [this, upwards = arrow.second] {
                    if (isReadOnly())
                        return;
                    setFocus(Qt::MouseFocusReason);
                    StartSpin(upwards);
                });
                connect(button, &QAbstractButton::released, this, &CPositionCtrl::StopSpin);
            }
    m_datumAction =
        addAction(style()->standardIcon(QStyle::SP_TitleBarUnshadeButton), TrailingPosition);
    m_datumAction->setToolTip(tr("Datum"));
    m_datumAction->setVisible(false);
    connect(m_datumAction, &QAction::triggered, this, [this] {
        QMenu menu(this);
        FillDatumMenu(menu);
        menu.exec(mapToGlobal(rect().bottomRight()));
    });
    connect(&m_spinTimer, &QTimer::timeout, this, &CPositionCtrl::OnSpinTick);
    Show();
}

bool CPositionCtrl::SetFormat(const QString& format)
{
    if (!m_entry.SetFormat(format.toStdString()))
        return false;
    // The datum is the format's last field, written as an unescaped C.
    m_datumAction->setVisible(format.endsWith('C') && !format.endsWith("\\C"));
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
    m_message = QString::fromStdString(*message);
    QApplication::beep();
    // The message stands under the field, where the user is looking.
    QToolTip::showText(mapToGlobal(rect().bottomLeft()), m_message, this);
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
    m_spinUp = up;
    m_spinTicks = 0;
    SpinStep(up);
    m_spinTimer.start(kFirstInterval);
}

void CPositionCtrl::StopSpin()
{
    m_spinTimer.stop();
}

QSize CPositionCtrl::sizeHint() const
{
    // The plain edit's hint is room for 17 characters beside the buttons;
    // the position takes room for its own text instead, and a blank either side.
    QSize hint = QLineEdit::sizeHint();
    const QFontMetrics metrics(font());
    const int text = metrics.horizontalAdvance(QString::fromStdString(m_entry.Text()));
    hint.setWidth(hint.width() - metrics.horizontalAdvance(QLatin1Char('x')) * 17 + text +
                  metrics.horizontalAdvance(QLatin1Char(' ')) * 2);
    return hint;
}

QSize CPositionCtrl::minimumSizeHint() const
{
    return {sizeHint().width(), QLineEdit::minimumSizeHint().height()};
}

QAbstractButton* CPositionCtrl::SpinButton(bool up) const
{
    // The arrows are the first two trailing actions: down, then up.
    const QList<QAction*> all = actions();
    QAction* arrow = all.value(up ? 1 : 0);
    for (QObject* shown : arrow ? arrow->associatedObjects() : QObjectList())
        if (auto* button = qobject_cast<QAbstractButton*>(shown))
            return button;
    return nullptr;
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
    if (index < 0 || index >= static_cast<int>(m_datums.size()))
        return;
    if (auto message = m_entry.SelectFieldAt(m_entry.Length())) {
        Report(message);
        return;
    }
    if (m_entry.SelectedField() != geo::EntryField::Datum)
        return;
    for (int guard = 0; CurrentDatum() != index && guard < static_cast<int>(m_datums.size());
         ++guard) {
        // Up moves to the previous entry of the list.
        if (auto message = m_entry.Spin(CurrentDatum() > index)) {
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
        m_datumAction->trigger();
    });
    for (int i = m_datumFirst; i < std::min(count, m_datumFirst + kDatumWindow); ++i) {
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
        m_datumAction->trigger();
    });
}

void CPositionCtrl::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
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
        if (!event->isAutoRepeat() && !isReadOnly())
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
        if (c.isDigit() || c == '-' || c == '+' || c == 'N' || c == 'S' || c == 'E' || c == 'W') {
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
        StopSpin();
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
    QLineEdit::focusInEvent(event);
    // The field under the selection's start (the caret stands after a selected field).
    const int at = hasSelectedText() ? selectionStart() : cursorPosition();
    Report(m_entry.SelectFieldAt(static_cast<std::size_t>(at)));
}

void CPositionCtrl::focusOutEvent(QFocusEvent* event)
{
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
    menu.addAction(tr("Copy"), this, [this] { copy(); })->setEnabled(hasSelectedText());
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

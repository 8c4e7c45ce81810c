#include "app/ui/SpinEdit.h"

#include <QAction>
#include <QKeyEvent>
#include <QStyle>
#include <QWheelEvent>

namespace app {

CSpinEdit::CSpinEdit(const char* objectName, QWidget* parent) : QLineEdit(parent)
{
    setObjectName(objectName);
    setMaximumWidth(110);
    QAction* down = addAction(style()->standardIcon(QStyle::SP_ArrowDown), TrailingPosition);
    QAction* up = addAction(style()->standardIcon(QStyle::SP_ArrowUp), TrailingPosition);
    down->setToolTip(tr("Smaller"));
    up->setToolTip(tr("Larger"));
    connect(up, &QAction::triggered, this, [this] { Spin(true); });
    connect(down, &QAction::triggered, this, [this] { Spin(false); });
}

void CSpinEdit::Spin(bool up)
{
    if (!m_spin)
        return;
    const QString next = m_spin(text(), up);
    if (next != text()) {
        setText(next);
        emit textEdited(next);
    }
}

void CSpinEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        Spin(event->key() == Qt::Key_Up);
        return;
    }
    // These fields hold numbers written with a point; a comma typed as the
    // decimal mark (as many keyboards give it) is that point.
    if (event->text() == QStringLiteral(",")) {
        QKeyEvent point(event->type(), Qt::Key_Period, event->modifiers(), QStringLiteral("."),
                        event->isAutoRepeat(), static_cast<ushort>(event->count()));
        QLineEdit::keyPressEvent(&point);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CSpinEdit::wheelEvent(QWheelEvent* event)
{
    if (event->angleDelta().y() != 0) {
        Spin(event->angleDelta().y() > 0);
        event->accept();
        return;
    }
    QLineEdit::wheelEvent(event);
}

}   // namespace app

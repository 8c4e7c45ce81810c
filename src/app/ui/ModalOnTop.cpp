#include "app/ui/ModalOnTop.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace app {

namespace {

class CModalOnTop final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* shown = static_cast<QWidget*>(watched);
            QWidget* modal = QApplication::activeModalWidget();
            if (GoesUnderModal(*shown, modal)) {
                // After the window is mapped: the window manager stacks the
                // new window first, then takes the dialog over it.
                QTimer::singleShot(0, modal, [dialog = QPointer<QWidget>(modal)] {
                    if (dialog && dialog->isVisible())
                        dialog->raise();
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}   // namespace

bool GoesUnderModal(const QWidget& shown, const QWidget* modal)
{
    if (modal == nullptr || &shown == modal || !shown.isWindow() || shown.isModal())
        return false;
    // Menus, tooltips and tool windows (the message bar) are not covered.
    const Qt::WindowType type = shown.windowType();
    if (type != Qt::Window && type != Qt::Dialog)
        return false;
    // A window of the dialog's own (its file list's sheet, say) goes above it.
    return !modal->isAncestorOf(&shown);
}

void KeepModalDialogsOnTop(QApplication& application)
{
    application.installEventFilter(new CModalOnTop(&application));
}

}   // namespace app

#pragma once
// A modal dialog holds the program's input, so it must stay in sight. A
// modeless window that opens while one is up (the waypoint arrival alarms,
// raised by the navigation tick whatever the user is doing) would otherwise
// be stacked over it by the window manager and hide the one window that
// answers: the modal dialog is raised above it again.

class QApplication;
class QWidget;

namespace app {

// From now on, every modeless top-level window shown while a modal dialog
// is up (not one of that dialog's own) goes under the dialog.
void KeepModalDialogsOnTop(QApplication& application);

// Whether `shown`, a window being shown, must go under the modal dialog
// `modal`.
bool GoesUnderModal(const QWidget& shown, const QWidget* modal);

}   // namespace app

#pragma once
// Full-screen mode of the main frame: the window fills the screen without its
// toolbars, status bar and side panels, and the message bar is collapsed while
// it lasts (expanded again on exit only when it was expanded on entry). A small
// tool window holds the full-screen command's button, the way back.

#include <QList>
#include <QPointer>

class QAction;
class QMainWindow;
class QWidget;
namespace app {
class CMsgBar;
}

namespace app {

class CFullScreenMode {
public:
    CFullScreenMode(QMainWindow& frame, app::CMsgBar& msgBar) : m_frame(frame), m_msgBar(msgBar) { }

    bool IsActive() const { return m_active; }
    void Enter();
    void Exit();
    void Toggle() { m_active ? Exit() : Enter(); }
    // The command whose button the tool window shows while full screen lasts.
    void SetCommand(QAction* command) { m_command = command; }
    // The tool window while full screen lasts, else null.
    QWidget* ToolWindow() const { return m_toolWindow; }
    static constexpr const char* kToolWindowCaption = "Hide/Show all control bars and panels";

private:
    QMainWindow& m_frame;
    app::CMsgBar& m_msgBar;
    bool m_active = false;
    bool m_msgBarWasOn = false;
    bool m_wasMaximised = false;
    QList<QPointer<QWidget>> m_hidden;   // bars hidden on entry, shown again on exit
    QPointer<QAction> m_command;
    QPointer<QWidget> m_toolWindow;
};

}   // namespace app

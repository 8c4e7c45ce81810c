#pragma once
// Full-screen mode of the main frame: the window fills the screen without its
// toolbars and status bar, and the message bar is collapsed while it lasts
// (expanded again on exit only when it was expanded on entry).

#include <QList>
#include <QPointer>

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

private:
    QMainWindow& m_frame;
    app::CMsgBar& m_msgBar;
    bool m_active = false;
    bool m_msgBarWasOn = false;
    bool m_wasMaximised = false;
    QList<QPointer<QWidget>> m_hidden;   // bars hidden on entry, shown again on exit
};

}   // namespace app

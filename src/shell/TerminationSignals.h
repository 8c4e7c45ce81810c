#pragma once
// The signals that ask a program to end: SIGTERM (a logout, a system
// shutdown, `kill`), SIGHUP (the terminal or session went away) and SIGINT
// (Ctrl+C). The handler only writes the signal's number into a pipe; a
// socket notifier reads it on the thread that made this object, which then
// reports it, so the program closes in its own event loop as it would from
// the menu. A second signal of the three, while the first is being handled,
// ends the program at once by that signal's default action.

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace shell {

class CTerminationSignals final : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one object at a time (the last one made wins).
    explicit CTerminationSignals(QObject* parent = nullptr);
    // Puts back the default actions.
    ~CTerminationSignals() override;
    CTerminationSignals(const CTerminationSignals&) = delete;
    CTerminationSignals& operator=(const CTerminationSignals&) = delete;

    bool IsInstalled() const { return m_installed; }
    // "SIGTERM", "SIGHUP", "SIGINT", else "a signal".
    static const char* SignalName(int signo);

signals:
    // One of the signals came: the program should now close.
    void terminationRequested(int signo);

private:
    void ReadPipe();

    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_installed = false;
};

}   // namespace shell

#pragma once
// The wait state around a long operation on the user-interface thread: the
// hourglass cursor and "Please Wait . . ." in the status bar's message pane.
// Scopes nest freely; only the outermost one changes and restores anything.
// The state is the thread's own, never shared between threads.

#include <optional>
#include <string>

namespace app {

// What the wait state needs of the program's windows. The main window
// installs itself; before it does, only the cursor changes.
class CWaitHost {
public:
    virtual ~CWaitHost() = default;
    virtual void SetWaitCursor(bool on) = 0;
    // Absent while the program has no main window with a status bar.
    virtual std::optional<std::string> StatusText() const = 0;
    virtual void SetStatusText(const std::string& text) = 0;   // shown at once
    // A progress bar of `steps` steps beside `text` in the message pane, one
    // step further, and gone again; a host without one ignores them.
    virtual void ShowProgress(const std::string& /*text*/, int /*steps*/) { }
    virtual void StepProgress() { }
    virtual void HideProgress() { }
};

inline constexpr const char* kPleaseWaitText = "Please Wait . . .";

class CWaitStatus {
public:
    CWaitStatus();
    ~CWaitStatus();
    CWaitStatus(const CWaitStatus&) = delete;
    CWaitStatus& operator=(const CWaitStatus&) = delete;

    // The cursor host (the application) and the status host (the main
    // window), for the calling thread; either may be null. The program sets
    // them on the user-interface thread only, so a wait scope on a worker
    // thread does nothing.
    static void SetCursorHost(CWaitHost* host);
    static void SetStatusHost(CWaitHost* host);
    static int Depth();

private:
    std::optional<std::string> m_savedText;
};

// A long operation that counts its steps: the wait state, and the status
// bar's progress with its text for as long as the scope lasts.
class CWaitProgress {
public:
    CWaitProgress(const std::string& text, int steps);
    ~CWaitProgress();
    CWaitProgress(const CWaitProgress&) = delete;
    CWaitProgress& operator=(const CWaitProgress&) = delete;
    void Step();

private:
    CWaitStatus m_wait;
    CWaitHost* m_host;
};

}   // namespace app

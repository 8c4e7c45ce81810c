#pragma once
// The application object: one instance per user, the program's folders, the
// start-up checks, the command line, the main frame, the idle pass and the
// orderly exit.

#include <QObject>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/DisplayPalettes.h"
#include "app/Module.h"
#include "app/StartupChecks.h"
#include "app/Timer.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "platform/Clock.h"

namespace app {
class CAviDoc;
}
namespace app {
class CDibDoc;
}
namespace app {
class CQtDesktop;
}
namespace app {
class CQtAlertSound;
}
namespace app {
class CQtPrompt;
}
namespace app {
class CQtSystemColours;
}
namespace app {
class CQtWaitCursor;
}
class QApplication;
namespace platform {
class CPrompt;
class CSettingsAutoSave;
class CSettingsStore;
}   // namespace platform

namespace shell {

class CMainFrame;
class CSingleInstance;
class CTerminationSignals;

class CBrinevane final : public QObject {
    Q_OBJECT
public:
    // `prompt` may be given by tests; the program uses message boxes.
    explicit CBrinevane(platform::CPrompt* prompt = nullptr);
    ~CBrinevane() override;

    // False when another instance runs: it was asked to come to the front.
    bool InitApplication();
    // False ends the program before its message loop.
    bool InitInstance(const std::vector<std::string>& arguments);
    // Low-memory and low-disk flags, then the frame's command states.
    void OnIdle();
    // Brings every command state up to date when the last idle pass left
    // out what is not on screen.
    void UpdateOffScreenStates();
    // Notes the user's input, so the next idle pass does not wait.
    bool eventFilter(QObject* watched, QEvent* event) override;
    int ExitInstance();

    // True when start-up ended on a failed check or creation, as opposed to
    // the user declining the disclaimer: the program's exit code tells them apart.
    bool StartFailed() const { return m_startFailed; }

    const std::filesystem::path& ProgramFolder() const { return m_programFolder; }
    std::filesystem::path GetSystemFolder() const;
    std::filesystem::path GetVideoFolder() const;
    std::filesystem::path GetAudioFolder() const;
    std::filesystem::path GetReportsFolder() const;
    const std::vector<std::string>& CommandLine() const { return m_commandLine; }
    CMainFrame* MainFrame() const { return m_frame.get(); }
    bool IsMemoryLow() const { return m_lowMemory; }
    bool IsDiskLow() const { return m_lowDisk; }
    // Recorded at start-up from the installed desktop.
    bool IsMousePresentAtStart() const { return m_mousePresent; }
    bool IsPrinterPresent() const { return m_printerPresent; }
    const std::string& ChartMediaRoot() const { return m_cdRomRoot; }
    app::CTimer& TimerIds() { return m_timerIds; }
    app::CDisplayPalettes& Palettes() { return m_palettes; }

    // Opens an attached picture or video in a viewer in the main frame; the
    // viewer's close comes back to the frame by the document's identity.
    // Null, after telling the user why, when the file cannot be shown.
    app::CDibDoc* OpenBitmapFile(const std::filesystem::path& path);
    app::CAviDoc* OpenVideoFile(const std::filesystem::path& path);

    // What the start-up and idle checks read about this machine, through
    // the installed desktop.
    app::CSystemFacts GatherSystemFacts() const;

    // Folder the program runs from; BRINE_PROGRAM_FOLDER overrides it.
    static std::filesystem::path FindProgramFolder();

private:
    void RecordDesktopFacts();
    // SIGTERM, SIGHUP or SIGINT came (a logout, a shutdown, kill, Ctrl+C).
    void OnTerminationRequested(int signo);
    // One step towards the end the signal asked for: a question or menu
    // still open is closed first; then, in the main event loop, the frame
    // closes unattended and the event loop ends.
    void CloseForSignal();

    // Settings of the modules the application hands the frame: the frame's
    // current workspace once it has one.
    class CFrameSettingsHome final : public app::CSettingsHome {
    public:
        explicit CFrameSettingsHome(CBrinevane& app) : m_app(app) { }
        platform::CSettingsStore& GetStore() const override;
        std::string GetRegistryKey() const override;

    private:
        CBrinevane& m_app;
    };

    void ApplyDisplayPalette();

    platform::CSystemClock m_clock;
    std::unique_ptr<app::CQtDesktop> m_desktop;
    std::unique_ptr<app::CQtPrompt> m_ownPrompt;
    platform::CPrompt* m_prompt;
    std::unique_ptr<app::CQtAlertSound> m_sound;
    std::unique_ptr<app::CQtWaitCursor> m_waitCursor;
    std::unique_ptr<CSingleInstance> m_instance;
    app::CTimer m_timerIds;
    std::unique_ptr<platform::CSettingsStore> m_settings;
    std::unique_ptr<platform::CSettingsAutoSave> m_autoSave;
    CFrameSettingsHome m_settingsHome{*this};
    app::CDisplayPalettes m_palettes;
    std::unique_ptr<app::CQtSystemColours> m_systemColours;
    chart::CQtBackendFactory m_drawFactory;
    std::unique_ptr<CMainFrame> m_frame;
    QTimer m_idleTimer;
    std::unique_ptr<CTerminationSignals> m_signals;
    QTimer m_signalClose;
    bool m_closingForSignal = false;
    std::filesystem::path m_programFolder;
    std::vector<std::string> m_commandLine;
    std::string m_sampleMediaFolder;
    std::string m_sampleCellsFolder;
    bool m_lowMemory = false;
    bool m_lowDisk = false;
    // When the idle pass last read the memory and disk figures; whether the
    // user acted since the last pass.
    std::chrono::steady_clock::time_point m_resourcesRead;
    std::chrono::steady_clock::time_point m_lastIdlePass;
    bool m_userActed = true;
    // The last idle pass refreshed only what is on screen.
    bool m_offScreenStatesStale = false;
    // Milliseconds from the user's input, and from the last pass while
    // nobody touches the program, to the next command-state pass.
    static constexpr int kIdlePassAfterInput = 250;
    static constexpr int kIdlePassWhileIdle = 1000;
    bool m_mousePresent = false;
    bool m_printerPresent = false;
    std::string m_cdRomRoot;
    bool m_raisePending = false;
    bool m_startFailed = false;
};

}   // namespace shell

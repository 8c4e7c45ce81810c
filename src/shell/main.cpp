// Entry point of the program.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/MediaFileType.h"
#include "shell/Brinevane.h"
#include "shell/GuardedRun.h"
#include "shell/MainFrame.h"

namespace {

// Without a display the program still starts, on Qt's offscreen platform, so
// it can be run and tested on a machine with no screen.
void ChooseOffscreenWhenHeadless()
{
    if (std::getenv("QT_QPA_PLATFORM") || std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"))
        return;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::fprintf(stderr, "Brinevane: no display found, running on the offscreen platform.\n");
}

// Nanoseconds the calling thread has spent ready to run but waiting for a
// processor, from the scheduler's own count; -1 where the system keeps none.
long long ThreadProcessorWait()
{
    std::FILE* f = std::fopen("/proc/thread-self/schedstat", "r");
    if (!f)
        return -1;
    unsigned long long running = 0, waiting = 0;
    const bool read = std::fscanf(f, "%llu %llu", &running, &waiting) == 2;
    std::fclose(f);
    return read ? static_cast<long long>(waiting) : -1;
}

// BRINE_STARTUP_TIMING prints the monotonic time at which the main window
// was first painted, for a launcher to set against its own start time, and
// how long the start's thread waited for a processor until then: on a busy
// machine that wait says nothing about the start's own work.
class CFirstPaintReporter final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && watched->objectName() == "MainFrame") {
            timespec ts{};
            clock_gettime(CLOCK_MONOTONIC, &ts);
            std::fprintf(stderr,
                         "Brinevane: main window shown at monotonic %lld.%09ld, "
                         "processor wait %lld ns\n",
                         (long long)ts.tv_sec, ts.tv_nsec, ThreadProcessorWait());
            qApp->removeEventFilter(this);
        }
        return false;
    }
};

// An exception escaping an event handler is dropped with its event and the
// program carries on: it must never unwind through Qt. It is logged, so the
// fault is not lost.
class CBrinevaneApplication final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* e) override
    {
        try {
            return QApplication::notify(receiver, e);
        } catch (...) {
            const std::string what = shell::DescribeEscapedException(std::current_exception());
            std::fprintf(stderr, "Brinevane: an event handler failed and was skipped: %s\n",
                         what.c_str());
            return false;
        }
    }
};

// Shown when the program stops on an exception that reached main; a
// scripted run (BRINE_QUIT_AFTER_MS) has only the log line, as nobody is
// there to close the box.
void TellUserOfFailure(const std::string& message)
{
    if (std::getenv("BRINE_QUIT_AFTER_MS"))
        return;
    QMessageBox box(QMessageBox::Critical, "Brinevane", QString::fromStdString(message));
    box.exec();
}

int RunProgram(CBrinevaneApplication& qapp, int argc, char* argv[])
{
    QApplication::setApplicationName("Brinevane");
    QApplication::setOrganizationName("Quorwick");

    shell::CBrinevane theApp;
    if (!theApp.InitApplication())
        return 0;   // the running instance came to the front

    // BRINE_QUIT_AFTER_MS closes the main window after a delay: used by
    // scripted checks that start the program and expect a clean exit. A
    // disclaimer still waiting then is declined, which ends the program too.
    // Every half second after that, a message box still waiting is closed
    // too, so a scripted run never hangs on a question.
    QTimer quitTimer;
    if (const char* ms = std::getenv("BRINE_QUIT_AFTER_MS")) {
        QObject::connect(&quitTimer, &QTimer::timeout, &theApp, [&theApp, &quitTimer] {
            quitTimer.setInterval(500);
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
            if (shell::CMainFrame* frame = theApp.MainFrame(); frame && frame->IsCreated())
                frame->CloseWithoutConfirmation();
        });
        quitTimer.start(std::atoi(ms));
    }
    CFirstPaintReporter paintReporter;
    if (std::getenv("BRINE_STARTUP_TIMING"))
        qapp.installEventFilter(&paintReporter);

    std::vector<std::string> args(argv + 1, argv + argc);
    int rc = 0;
    if (theApp.InitInstance(args)) {
        // BRINE_OPEN_FILES opens attachments (';' between paths) once the
        // program runs, as the panels open them: scripted checks of the viewers.
        if (const char* files = std::getenv("BRINE_OPEN_FILES"); files && *files) {
            QTimer::singleShot(0, &theApp, [&theApp, list = std::string(files)] {
                std::size_t start = 0;
                while (start <= list.size()) {
                    const std::size_t end = std::min(list.find(';', start), list.size());
                    const std::string path = list.substr(start, end - start);
                    start = end + 1;
                    if (path.empty())
                        continue;
                    if (app::GetMediaFileType(path) == app::MediaFileType::Video)
                        theApp.OpenVideoFile(path);
                    else
                        theApp.OpenBitmapFile(path);
                }
            });
        }
        rc = qapp.exec();
    } else if (theApp.StartFailed())
        rc = 1;
    theApp.ExitInstance();
    return rc;
}

}   // namespace

int main(int argc, char* argv[])
{
    ChooseOffscreenWhenHeadless();
    CBrinevaneApplication qapp(argc, argv);
    return shell::RunGuarded([&] { return RunProgram(qapp, argc, argv); }, TellUserOfFailure);
}

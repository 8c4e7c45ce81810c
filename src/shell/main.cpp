// Entry point of the program.
#include <QApplication>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>

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

}  // namespace

int main(int argc, char* argv[])
{
    ChooseOffscreenWhenHeadless();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Brinevane");
    QApplication::setOrganizationName("Quorwick");

    QMainWindow window;
    window.setWindowTitle("Brinevane");
    window.resize(1024, 768);
    window.show();

    // BRINE_QUIT_AFTER_MS closes the window after a delay: used by scripted
    // checks that start the program and expect a clean exit.
    if (const char* ms = std::getenv("BRINE_QUIT_AFTER_MS"))
        QTimer::singleShot(std::atoi(ms), &window, &QMainWindow::close);
    return app.exec();
}

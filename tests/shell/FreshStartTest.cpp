// The application object started in this process with fresh folders and no workspace named, as a
// new user's first start: every module reads its settings, so wind sentences on COM1 reach the
// monitor's Wind card and station messaging listens on its port.
#include "shell/Brinevane.h"

#include <QApplication>
#include <QDialog>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/CommandIds.h"
#include "navigator/ui/MonitorPanel.h"
#include "shell/MainFrame.h"
#include "shell/MainMenus.h"

namespace {

QApplication& App()
{
    static int argc = 1;
    static char arg0[] = "shell_FreshStartTest";
    static char* argv[] = {arg0, nullptr};
    static auto* app = new QApplication(argc, argv);   // never destroyed: Qt's exit order
    return *app;
}

std::string WithChecksum(const std::string& body)
{
    unsigned sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + body + tail;
}

// A TCP port nobody uses now, below the range the system hands out for outgoing connections, so
// no other test's connection takes it before the program listens.
int FreePort()
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        const int port = 20000 + static_cast<int>((::getpid() * 7919u + attempt * 104729u) % 10000);
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(static_cast<std::uint16_t>(port));
        const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
        ::close(fd);
        if (free)
            return port;
    }
    return 0;
}

// Accepts the disclaimer (and any other question in a dialog) as a user would.
void AcceptDialogsAsTheyCome(QObject* owner)
{
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, [] {
        if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dlg->accept();
    });
    timer->start(50);
}

TEST(FreshStart, WindReachesTheWindCardAndStationsAreListenedForWithoutAWorkspace)
{
    App();
    brine_test::TempFolder home;
    const std::filesystem::path config = home / "config";
    std::filesystem::create_directories(config / "Quorwick" / "Brinevane");
    setenv("HOME", home.Path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    setenv("BRINE_INSTANCE_NAME", ("brine-fresh-" + std::to_string(::getpid())).c_str(), 1);

    int master = -1, slave = -1;
    char slaveName[128] = {};
    ASSERT_EQ(::openpty(&master, &slave, slaveName, nullptr, nullptr), 0);
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    ::fcntl(master, F_SETFL, O_NONBLOCK);

    // Only the machine's COM1, the unnamed workspace's station port and folder, and a log folder
    // of the test's own (the default one lies beside the program, shared by every test run).
    const int port = FreePort();
    {
        std::ofstream out(config / "Quorwick" / "Brinevane" / "settings.conf");
        out << "[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:" << slaveName << "\n"
            << "[Software\\Quorwick\\Brinevane\\Default\\WorkSpace\\Network]\nFileFolder=str:"
            << home.Path().string() << "\nTCPPort=dword:" << port << "\n"
            << "[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Log]\nDatabaseFolder=str:"
            << (home / "logs").string() << "\n#end\n";
    }

    brine_test::ScriptedPrompt prompt;
    QObject owner;
    AcceptDialogsAsTheyCome(&owner);
    shell::CBrinevane theApp(&prompt);
    ASSERT_TRUE(theApp.InitApplication());
    ASSERT_TRUE(theApp.InitInstance({}));
    ASSERT_NE(theApp.MainFrame(), nullptr);

    // The station listener is up on the port the settings name.
    QTcpSocket probe;
    probe.connectToHost("127.0.0.1", static_cast<quint16>(port));
    EXPECT_TRUE(probe.waitForConnected(3000)) << "nothing listens on TCP port " << port;
    probe.abort();

    auto* panel = theApp.MainFrame()->findChild<navigator::CMonitorPanel*>();
    ASSERT_NE(panel, nullptr);
    const std::string rmc = WithChecksum("GPRMC,120000,A,5050.410,N,00420.820,E,5.0,90.0,070126,,");
    const std::string mwv = WithChecksum("WIMWV,045.0,R,12.5,N,A");
    QString angle;
    for (int i = 0; i < 100 && angle.isEmpty(); ++i) {
        const std::string lines = rmc + mwv;
        [[maybe_unused]] const auto written = ::write(master, lines.data(), lines.size());
        QTest::qWait(100);
        angle = panel->ValueText("windAngle1");
    }
    EXPECT_FALSE(angle.isEmpty()) << "no wind on the Wind card";
    EXPECT_TRUE(angle.contains("45")) << angle.toStdString();

    // View > Target Tracking, then View > Monitor: the monitor is back in front.
    shell::CMainFrame& frame = *theApp.MainFrame();
    frame.Action(app::cmd::kViewTargetPanel)->trigger();
    EXPECT_NE(frame.ActiveSidePanel(), panel);
    frame.UpdateModuleCmdUI(true);
    ASSERT_TRUE(frame.Action(app::cmd::kViewMonitorPanel)->isEnabled());
    frame.Action(app::cmd::kViewMonitorPanel)->trigger();
    EXPECT_EQ(frame.ActiveSidePanel(), panel);

    // Every command a menu, key or toolbar button offers has something that answers it (Edit >
    // Redo has no undo list behind it and stays disabled by design).
    std::vector<std::string> unanswered;
    const auto check = [&](unsigned id, const char* text) {
        if (id != 0 && id != app::cmd::kEditRedo && !theApp.MainFrame()->Commands().HasHandler(id))
            unanswered.push_back(std::to_string(id) + " " + (text ? text : ""));
    };
    for (const shell::TopMenu& menu : shell::MainMenus())
        for (const shell::MenuEntry& entry : menu.entries)
            if (entry.kind == shell::MenuKind::Item)
                check(entry.id, entry.text);
    for (const shell::MenuEntry& key : shell::MainAccelerators())
        check(key.id, key.text);
    for (const shell::ToolBarDef& bar : shell::MainToolBars())
        for (const shell::ToolBarButton& button : bar.buttons)
            check(button.id, button.tip);
    EXPECT_TRUE(unanswered.empty()) << [&] {
        std::string all;
        for (const std::string& u : unanswered)
            all += u + "\n";
        return all;
    }();

    // While nobody touches the program the idle pass refreshes only what is on screen; a key's
    // shortcut still acts on its command's state of the moment. View > Refresh (F2) is on no
    // toolbar: its state changes here with no input, as an instrument's does.
    bool refreshAllowed = false;
    int refreshed = 0;
    frame.Commands().AddFirst(
        &refreshed, app::cmd::kViewRefresh, [&refreshed](unsigned) { ++refreshed; },
        [&refreshAllowed](app::CCmdUI& ui) { ui.Enable(refreshAllowed); });
    frame.UpdateModuleCmdUI(true);
    ASSERT_FALSE(frame.Action(app::cmd::kViewRefresh)->isEnabled());
    refreshAllowed = true;
    QTest::qWait(2500);   // idle passes with no input between
    frame.activateWindow();
    QTest::keyClick(&frame, Qt::Key_F2);
    EXPECT_EQ(refreshed, 1) << "F2 acted on the state of the last full pass";
    frame.Commands().Remove(&refreshed);

    theApp.ExitInstance();
    ::close(master);
    ::close(slave);
}

}   // namespace

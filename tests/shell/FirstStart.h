#pragma once
// The program's application object started in this test process as a new
// user's first start: fresh HOME and XDG folders, COM1 on a pseudo-terminal
// the test writes to, a station port and a log folder of the test's own.
// Dialogs are answered as a user answers them.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

#include <fcntl.h>
#include <netinet/in.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "OwnProgramFolder.h"
#include "SavedWorkspace.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "shell/Brinevane.h"
#include "shell/MainFrame.h"

namespace brine_test {

inline QApplication& FirstStartApp()
{
    static int argc = 1;
    static char arg0[] = "brine_first_start";
    static char* argv[] = {arg0, nullptr};
    static auto* app = new QApplication(argc, argv);   // never destroyed: Qt's exit order
    return *app;
}

inline std::string WithChecksum(const std::string& body)
{
    unsigned sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + body + tail;
}

// An RMC sentence of a GPS lying still at the position (north and west), as on COM1.
inline std::string RmcAt(double lat, double lon)
{
    const double west = -lon;
    char body[128];
    std::snprintf(body, sizeof body, "GPRMC,120000,A,%02d%07.4f,N,%03d%07.4f,W,0.0,0.0,070126,,",
                  int(lat), (lat - int(lat)) * 60.0, int(west), (west - int(west)) * 60.0);
    return WithChecksum(body);
}

// A TCP port nobody uses now, below the range the system hands out for outgoing connections, so
// no other test's connection takes it before the program listens.
inline int FreePort()
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

// While false, AcceptDialogsAsTheyCome leaves dialogs to the test.
inline bool& AnswerDialogs()
{
    static bool answer = true;
    return answer;
}

// Accepts the disclaimer (and any other dialog) as a user would; a question with a No button
// (keep the temporary log unsaved) is answered No, as the window checks answer it.
inline void AcceptDialogsAsTheyCome(QObject* owner)
{
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, [] {
        if (!AnswerDialogs())
            return;
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (QAbstractButton* no = box ? box->button(QMessageBox::No) : nullptr)
            no->click();
        else if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dlg->accept();
    });
    timer->start(50);
}

template <class T>
T* FindModule(shell::CMainFrame& frame)
{
    for (std::size_t i = 0; i < frame.Modules().size(); ++i)
        if (auto* found = dynamic_cast<T*>(frame.Modules()[i]))
            return found;
    return nullptr;
}

// The folders, the environment and the settings of a first start.
struct FirstStartHome {
    FirstStartHome()
    {
        std::filesystem::create_directories(Config());
        setenv("HOME", folder.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
        setenv("BRINE_INSTANCE_NAME", ("brine-first-" + std::to_string(::getpid())).c_str(), 1);
        UseOwnProgramFolder(folder / "program");
        if (::openpty(&master, &slave, slaveName, nullptr, nullptr) != 0)
            return;
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        // Only the machine's COM1, the station port and folder, and a log folder of the test's
        // own (the default one lies beside the program, shared by every test run), in the
        // workspace "Default" that the run script makes before a first start.
        std::ofstream out(Settings());
        out << SavedDefaultWorkspace()
            << "[Software\\Quorwick\\Brinevane\\Ports]\nCOM1=str:" << slaveName << "\n"
            << "[Software\\Quorwick\\Brinevane\\Default\\WorkSpace\\Network]\nFileFolder=str:"
            << folder.Path().string() << "\nTCPPort=dword:" << port << "\n"
            << "[Software\\Quorwick\\Brinevane\\Default\\Navigator\\Log]\nDatabaseFolder=str:"
            << (folder / "logs").string() << "\n#end\n";
    }
    ~FirstStartHome()
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
    }
    FirstStartHome(const FirstStartHome&) = delete;
    FirstStartHome& operator=(const FirstStartHome&) = delete;

    std::filesystem::path Config() const { return folder / "config" / "Quorwick" / "Brinevane"; }
    std::filesystem::path Settings() const { return Config() / "settings.conf"; }
    // Lines as the instrument on COM1 sends them.
    void Send(const std::string& lines) const
    {
        [[maybe_unused]] const auto written = ::write(master, lines.data(), lines.size());
    }
    // The sample route installed as the program's run script installs it (current at start);
    // the command's exit status.
    int InstallSampleRoute() const
    {
        const std::filesystem::path bin = std::getenv("BRINE_BIN_DIR");
        const std::string install =
            (bin / "route-sample").string() + " install " +
            (bin / ".." / "sample-routes" / "Sample").string() + " " +
            (folder / "data" / "Quorwick" / "Brinevane" / "Routes").string() + " " +
            Settings().string() + " > /dev/null";
        return std::system(install.c_str());
    }

    // Settings lines ("[key]" and "name=type:value" lines) added before the file's end line.
    void AddSettings(const std::string& lines) const
    {
        std::ifstream in(Settings());
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        if (const auto end = text.rfind("#end"); end != std::string::npos)
            text.erase(end);
        std::ofstream out(Settings(), std::ios::trunc);
        out << text << lines << "#end\n";
    }

    // The sample tidal model in a Tides folder of the home's own, named as the program's tidal
    // model folder (the run script copies it into the folder beside the program), and the
    // passage plan's Tides option on, as the user ticks it.
    void InstallSampleTides() const
    {
        const std::filesystem::path bin = std::getenv("BRINE_BIN_DIR");
        const std::filesystem::path tides = folder / "Tides";
        std::filesystem::create_directories(tides);
        for (const char* name : {"PugetSound.tid", "PugetSound.dat"})
            std::filesystem::copy_file(bin / ".." / "sample-tides" / name, tides / name,
                                       std::filesystem::copy_options::overwrite_existing);
        AddSettings(
            "[Software\\Quorwick\\Brinevane\\Default\\TidalModel]\nDataFolder=str:" +
            tides.string() + "\n" +
            "[Software\\Quorwick\\Brinevane\\Default\\Route\\Plan\\Settings]\nTidesOn=str:True\n");
    }

    TempFolder folder;
    int port = FreePort();
    int master = -1;
    int slave = -1;
    char slaveName[128] = {};
};

// The program on a first start's home as the run script starts it: the sample chart media and,
// when asked, the sample vector cells, the sample route (current at start) and the sample tidal
// model with the plan's Tides on; the dialogs it opens are accepted as they come.
struct FirstStartProgram {
    // `settings`: lines added to the first start's settings (see AddSettings).
    explicit FirstStartProgram(bool withCells = false, bool withSampleRoute = false,
                               bool withSampleTides = false, const std::string& settings = {})
    {
        if (!settings.empty())
            home.AddSettings(settings);
        if (withSampleRoute && home.InstallSampleRoute() != 0)
            return;
        if (withSampleTides)
            home.InstallSampleTides();
        AcceptDialogsAsTheyCome(&owner);
        const std::filesystem::path bin = std::getenv("BRINE_BIN_DIR");
        std::vector<std::string> args{"--sample-media", (bin / ".." / "sample-media").string()};
        if (withCells)
            args.insert(args.end(), {"--sample-cells", (bin / ".." / "sample-cells").string()});
        started = app.InitApplication() && app.InitInstance(args) && app.MainFrame() != nullptr;
    }
    ~FirstStartProgram() { app.ExitInstance(); }
    FirstStartProgram(const FirstStartProgram&) = delete;
    FirstStartProgram& operator=(const FirstStartProgram&) = delete;
    shell::CMainFrame& Frame() const { return *app.MainFrame(); }

    QApplication& qapp = FirstStartApp();
    FirstStartHome home;
    ScriptedPrompt prompt;
    QObject owner;
    shell::CBrinevane app{&prompt};
    bool started = false;
};

}   // namespace brine_test
